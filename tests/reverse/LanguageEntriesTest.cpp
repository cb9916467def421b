// The file entries of the Java, C#, PHP, Orvistal and Forte TOOL parsers, as
// a run calls them through SourceParser::ParseSourceFile: each opens its
// file, records its declarations with the file's path, and closes it.
#include "ParserTestSupport.h"

#include "tests/support/ScratchFolder.h"

#include <fstream>

namespace qm {
namespace {

TEST(LanguageEntriesTest, EachLanguageReadsItsFile) {
    struct Case {
        int language;
        const char* file;
        const char* source;
    };
    const Case cases[] = {
        {kLangJava, "A.java", "package p;\nclass A { int x; }\n"},
        {kLangCSharp, "A.cs", "namespace p {\nclass A { int x; }\n}\n"},
        {kLangPhp, "A.php", "<?php\nclass A { var $x; }\n"},
        {kLangOrvistal, "A.orv", "<orv domain=\"p\">\nclass A { int x; }\n</orv>\n"},
        {kLangForte, "A.pex", "begin TOOL p;\nclass A has x : int; end class;\n"},
    };
    ScratchFolder folder;
    RecordingLogSink log;
    ScopedLogSink scope(&log);
    for (const Case& c : cases) {
        const std::string path = folder / c.file;
        std::ofstream(path) << c.source;
        SourceParser parser(nullptr, c.language);
        parser.ParseSourceFile(path);
        // PHP records no namespace.
        OwnedText qualifier = c.language == kLangPhp ? OwnedText() : OwnedText("p");
        SourceSymbol* a = parser.Find(c.language, "A", qualifier);
        ASSERT_NE(a, nullptr) << c.file;
        EXPECT_EQ(a->kind, kNodeClass) << c.file;
        EXPECT_EQ(a->text2, path) << c.file;
        ASSERT_NE(a->firstChild, nullptr) << c.file;
        EXPECT_EQ(a->firstChild->kind, kNodeAttribute) << c.file;
        EXPECT_GE(parser.LineCount(), 2) << c.file;

        // A file that cannot be opened is reported and records nothing.
        parser.ParseSourceFile(folder / "missing");
        EXPECT_NE(log.Text().find("missing(0): can't open file"), std::string::npos);
    }
    EXPECT_EQ(log.Text().find("parsing of this file stopped"), std::string::npos);
}

} // namespace
} // namespace qm

namespace qm {
namespace {

std::string Repeat(const std::string& piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += piece;
    }
    return text;
}

// Types (and C# namespaces) nested thousands deep are read without
// exhausting the stack: those beyond the nesting limit are skipped whole.
TEST(LanguageEntriesTest, DeepNestingIsBounded) {
    struct Case {
        int language;
        std::string source;
    };
    const Case cases[] = {
        {kLangJava, Repeat("class A {\n", 20000)},
        {kLangCSharp, Repeat("namespace N {\n", 20000) + Repeat("class A {\n", 20000)},
        {kLangPhp, "<?php " + Repeat("class A {\n", 20000)},
        {kLangOrvistal, "<orv>" + Repeat("class A {\n", 20000)},
    };
    NullLogSink log;
    ScopedLogSink scope(&log);
    for (const Case& c : cases) {
        SourceParser parser(nullptr, c.language);
        parser.OpenSourceText("deep", c.source);
        switch (c.language) {
        case kLangJava:
            ParseJavaInput(parser);
            break;
        case kLangCSharp:
            ParseCSharpInput(parser);
            break;
        case kLangPhp:
            ParsePhpInput(parser);
            break;
        default:
            ParseOrvistalInput(parser);
            break;
        }
        EXPECT_EQ(parser.Token(), kTokEnd) << c.language;
        EXPECT_NE(parser.Find(c.language, "A", std::nullopt), nullptr) << c.language;
    }
}

} // namespace
} // namespace qm
