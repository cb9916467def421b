// The tokenizer: token sequences for every language, literals, comments and
// their collection, preprocessor lines, PHP and Orvistal tags, the line
// reader's limits and the end-of-input rules.
#include "ReverseTestSupport.h"

#include "platform/Log.h"
#include "reverse/SourceLanguage.h"
#include "reverse/SourceTokens.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace qm {
namespace {

using test::Tokens;

constexpr int I = kTokIdentifier;
constexpr int N = kTokNumber;
constexpr int S = kTokString;
constexpr int C = kTokCharacter;
constexpr int E = kTokEnd;

struct TokenCase {
    int language;
    const char* input;
    std::vector<int> tokens; // without the final end token
};

void ExpectTokens(const TokenCase& c) {
    std::vector<int> expected = c.tokens;
    expected.push_back(E);
    EXPECT_EQ(Tokens(c.language, c.input), expected) << LanguageName(c.language) << ": " << c.input;
}

TEST(TokenizerTest, OperatorsTakeTheLongestSpelling) {
    const TokenCase cases[] = {
        {kLangCpp, "a->*b", {I, kTokArrowStar, I}},
        {kLangCpp, "x >>= 2", {I, kTokShiftRightAssign, N}},
        {kLangCpp, "Foo::Bar", {I, kTokScope, I}},
        {kLangCpp,
         "( ) [ ] { } , ; ? : ::",
         {168, 169, 170, 171, 172, 173, 174, 175, 176, 177, 178}},
        {kLangCpp,
         "+ += ++ - -= -- ->* -> * *= % %= ^ ^=",
         {179, 180, 181, 182, 183, 184, 185, 186, 187, 188, 189, 190, 191, 192}},
        {kLangCpp,
         "& &= && | |= || ~ ! != == =",
         {193, 194, 195, 196, 197, 198, 199, 200, 201, 202, 203}},
        {kLangCpp,
         "< <= << <<= > >= >> >>= / /= . .. ...",
         {204, 205, 206, 207, 208, 209, 210, 211, 212, 213, 214, 214, 215}},
        {kLangCpp, "=== !== \\ />", {223, 224, 225, 227}},
        {kLangCpp, "a+++b", {I, kTokIncrement, kTokPlus, I}},
        {kLangCpp, "a....b", {I, kTokEllipsis, kTokDot, I}},
        // Tags of other languages are plain punctuation here.
        {kLangCpp, "?> </ <?php", {176, 208, 204, 212, 204, 176, I}},
        {kLangJava, "a.b.c", {I, kTokDot, I, kTokDot, I}},
        {kLangForte, "a - b -= c", {I, kTokMinus, I, kTokMinusAssign, I}},
        {kLangOrvistal, "a </ b @= c", {I, kTokCloseTagStart, I, kTokAssign, I}},
        {kLangPhp, "a xor b", {I, kTokCaret, I}},
    };
    for (const TokenCase& c : cases) {
        ExpectTokens(c);
    }
}

TEST(TokenizerTest, NumbersWordsAndDroppedCharacters) {
    const TokenCase cases[] = {
        {kLangCpp, "0x1F 10L 3.14", {N, N, N, kTokDot, N}},
        {kLangCpp, "_a1 b_2", {I, I}},
        {kLangCpp, "@x $y `z", {I, I, I}},              // stray characters are dropped
        {kLangCSharp, "@class @ 1", {I, N}},            // a verbatim name is an identifier
        {kLangPhp, "$this $ 1", {I, N}},                // so is a PHP variable
        {kLangCpp, "a\xFF\xFF b \xC3\xA9t", {I, I, I}}, // 0xFF is a character, not the end
        {kLangCpp, "", {}},
        {kLangCpp, " \t\r\n ", {}},
    };
    for (const TokenCase& c : cases) {
        ExpectTokens(c);
    }
    SourceParser csharp(nullptr, kLangCSharp);
    csharp.OpenSourceText("t", "@class");
    EXPECT_EQ(csharp.GetToken(), I);
    EXPECT_EQ(csharp.CurrentText(), "@class");
    SourceParser php(nullptr, kLangPhp);
    php.OpenSourceText("t", "$x1");
    EXPECT_EQ(php.GetToken(), I);
    EXPECT_EQ(php.CurrentText(), "$x1");
}

struct TextCase {
    int language;
    const char* input;
    int token;
    const char* text;
};

TEST(TokenizerTest, LiteralsKeepTheirQuotes) {
    const TextCase cases[] = {
        {kLangCpp, "\"abc\"", S, "\"abc\""},
        {kLangCpp, "\"a\\\"b\"", S, "\"a\\\"b\""},
        {kLangCpp, "\"a\\\\\"b", S, "\"a\\\\\""},
        {kLangCpp, "\"ab\\  \n  cd\"", S, "\"ab  cd\""}, // continued line
        {kLangCpp, "\"ab\ncd\"", S, "\"ab\""},           // a line end ends it
        {kLangCpp, "\"ab", S, "\"ab\""},                 // so does the end of input
        {kLangCpp, "'c'", C, "'c'"},
        {kLangCpp, "'\\''", C, "'\\''"},
        {kLangCpp, "'\\\n'", C, "'\\'"}, // no continuation for characters
        {kLangCpp, "0x1F", N, "0x1F"},
        {kLangJava, "\"\xFF\"", S, "\"\xC3\xBF\""}, // Latin-1 read as UTF-8
    };
    for (const TextCase& c : cases) {
        SourceParser parser(nullptr, c.language);
        parser.OpenSourceText("t", c.input);
        EXPECT_EQ(parser.GetToken(), c.token) << c.input;
        EXPECT_EQ(parser.CurrentText(), c.text) << c.input;
    }
    // What follows an ended literal is read normally.
    EXPECT_EQ(Tokens(kLangCpp, "\"a\\\\\"b"), (std::vector<int>{S, I, E}));
    EXPECT_EQ(Tokens(kLangCpp, "\"ab\ncd\""), (std::vector<int>{S, I, S, E}));
}

TEST(TokenizerTest, PhpTags) {
    SourceParser php(nullptr, kLangPhp);
    EXPECT_EQ(Tokens(php, "<?php echo $x; ?>"),
              (std::vector<int>{kTokPhpOpen, I, I, kTokSemicolon, kTokPhpClose, E}));
    php.OpenSourceText("t", "<?php echo $x; ?>");
    std::vector<std::string> texts;
    for (int i = 0; i < 3; ++i) {
        php.GetToken();
        texts.push_back(php.CurrentText());
    }
    EXPECT_EQ(texts[1], "echo");
    EXPECT_EQ(texts[2], "$x");
    const TokenCase cases[] = {
        {kLangPhp, "<?PhP x", {kTokPhpOpen, I}},
        {kLangPhp, "<?xml a", {I, I}}, // "<?" not opening a tag is dropped
        {kLangPhp, "<?pha", {I}},      // with the letters read so far
        {kLangPhp, "<?= a", {kTokAssign, I}},
        {kLangPhp, "a ? b : c", {I, kTokQuestion, I, kTokColon, I}},
        {kLangPhp, "# comment ?>\nx", {I}},
    };
    for (const TokenCase& c : cases) {
        ExpectTokens(c);
    }
}

TEST(TokenizerTest, OrvistalEscapesAndTags) {
    const TokenCase cases[] = {
        {kLangOrvistal, "@ <b>x", {kTokEscape, I}},
        {kLangOrvistal, "@x", {kTokEscape, I}},
        {kLangOrvistal, "a \\ b", {I, kTokBackslash, I}},
        {kLangOrvistal, "<form>", {kTokLess, I, kTokGreater}}, // tag mode off
    };
    for (const TokenCase& c : cases) {
        ExpectTokens(c);
    }
    SourceParser orv(nullptr, kLangOrvistal);
    orv.OpenSourceText("t", "@ <b c>");
    EXPECT_EQ(orv.GetToken(), kTokEscape);
    EXPECT_EQ(orv.CurrentText(), "@<b c>");

    RecordingLogSink log;
    ScopedLogSink scope(&log);
    orv.OpenSourceText("t", "x <form.a>< 3 </form> </end x");
    orv.SetTagMode(true);
    EXPECT_EQ(orv.GetToken(), I);
    EXPECT_EQ(orv.GetToken(), kTokOpenTag);
    EXPECT_EQ(orv.CurrentText(), "form.a");
    EXPECT_EQ(orv.GetToken(), kTokGreater);
    EXPECT_EQ(orv.GetToken(), kTokLess);
    EXPECT_EQ(orv.GetToken(), N);
    EXPECT_EQ(orv.GetToken(), kTokCloseTag);
    EXPECT_EQ(orv.CurrentText(), "form");
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(orv.GetToken(), kTokCloseTag);
    EXPECT_EQ(orv.CurrentText(), "end");
    EXPECT_EQ(log.Text(), "*** ERROR in t(0): > expected\r\n");
    EXPECT_EQ(orv.GetToken(), I);

    // Turning tag mode on after a less-than reads the tag name that follows.
    orv.OpenSourceText("t", "<orv x");
    EXPECT_EQ(orv.GetToken(), kTokLess);
    orv.SetTagMode(true);
    EXPECT_EQ(orv.Token(), kTokLess);
    EXPECT_EQ(orv.CurrentText(), "orv");
    EXPECT_EQ(orv.GetToken(), I);
}

TEST(TokenizerTest, CommentsAreCollectedNotReturned) {
    struct CommentCase {
        int language;
        const char* input;
        const char* comment; // the buffer when the token x is read
    };
    const CommentCase cases[] = {
        {kLangJava, "/** Doc */x", "* Doc "},
        {kLangJava, "// one\n// two\nx", "one\r\ntwo"},
        {kLangJava, "//  two blanks\nx", " two blanks"},
        {kLangCSharp, "/// three\nx", "three"},
        {kLangJava, "/// three\nx", "/ three"},
        {kLangPhp, "# four\nx", "four"},
        {kLangForte, "-- five\nx", "five"},
        {kLangForte, "a -- six\nx", "six"},
        {kLangCpp, "/* a\n * b\n */x", " a\r\n * b\r\n "},
        {kLangCpp, "// gone\n/* kept */x", " kept "},
        {kLangCpp, "// gone\n#define A 1\nx", ""},
        {kLangCpp, "/* a */ // b\nx", " a \r\nb"},
        {kLangCpp, "/*/ still open */x", "/ still open "},
    };
    for (const CommentCase& c : cases) {
        SourceParser parser(nullptr, c.language);
        parser.OpenSourceText("t", c.input);
        int token;
        do {
            token = parser.GetToken();
        } while (token != E && parser.CurrentText() != "x");
        EXPECT_EQ(token, I) << c.input;
        EXPECT_EQ(parser.CommentBuffer(), c.comment) << c.input;
    }
}

TEST(TokenizerTest, CommentLineAndUnterminatedComment) {
    SourceParser parser(nullptr, kLangCpp);
    parser.OpenSourceText("t", "a\n\n// c\nx");
    EXPECT_FALSE(parser.CommentSeen());
    EXPECT_EQ(parser.CommentLine(), -1);
    parser.GetToken();
    parser.GetToken();
    EXPECT_TRUE(parser.CommentSeen());
    EXPECT_EQ(parser.CommentLine(), 3);
    EXPECT_EQ(Tokens(kLangCpp, "x /* abc\n def"), (std::vector<int>{I, E}));
}

TEST(TokenizerTest, CommentTextIsBounded) {
    std::string input;
    for (int i = 0; i < 200; ++i) {
        input += "// " + std::string(1000, 'c') + "\n";
    }
    input += "x";
    SourceParser parser(nullptr, kLangCpp);
    parser.OpenSourceText("t", input);
    EXPECT_EQ(parser.GetToken(), I);
    EXPECT_LT(parser.CommentBuffer().size(), 65536u);
    EXPECT_GT(parser.CommentBuffer().size(), 60000u);
}

TEST(TokenizerTest, PreprocessorLinesAndContinuations) {
    const TokenCase cases[] = {
        {kLangCpp, "#define X a \\\n  b \\  \n  c\nint", {KeywordToken("int")}},
        {kLangCpp, "#if A\n#endif\nB", {I}},
        {kLangCpp, "a # b\nc", {I, I}},
        {kLangCpp, "#define X \\", {}},
        {kLangJava, "#x\ny", {I}},
        {kLangForte, "#x\ny", {I}},
    };
    for (const TokenCase& c : cases) {
        ExpectTokens(c);
    }
}

TEST(TokenizerTest, LinesAreCountedByTheirEnds) {
    struct LineCase {
        const char* input;
        int lines;
    };
    const LineCase cases[] = {
        {"a\nb\n", 2}, {"a\nb", 1},   {"a\r\nb\r\n", 2},    {"a\rb\r", 2},
        {"", 0},       {"\n\n\n", 3}, {"/* a\nb\nc */", 2},
    };
    for (const LineCase& c : cases) {
        SourceParser parser(nullptr, kLangCpp);
        Tokens(parser, c.input);
        EXPECT_EQ(parser.LineCount(), c.lines) << c.input;
    }
}

TEST(TokenizerTest, LinesOfAnyLengthAreReadWhole) {
    RecordingLogSink log;
    ScopedLogSink scope(&log);
    SourceParser parser(nullptr, kLangCpp);
    parser.OpenSourceText("long.cpp", std::string(2000, 'a') + "\nb\n");
    EXPECT_EQ(parser.GetToken(), I);
    EXPECT_EQ(parser.CurrentText().size(), SourceParser::kMaxTokenLength);
    EXPECT_EQ(parser.GetToken(), I);
    EXPECT_EQ(parser.CurrentText(), "b");
    EXPECT_EQ(parser.GetToken(), E);
    EXPECT_EQ(log.Text(), "");

    parser.OpenSourceText("long.cpp", std::string(100000, ' ') + "xy" + std::string(500, ' '));
    EXPECT_EQ(parser.GetToken(), I);
    EXPECT_EQ(parser.CurrentText(), "xy");
}

// A string cut at the token limit never ends in a lone backslash that would
// escape its closing quote; an escaped backslash stays whole.
TEST(TokenizerTest, ACutStringKeepsItsClosingQuote) {
    const std::string body(SourceParser::kMaxTokenLength - 3, 'x');
    struct Case {
        std::string input;
        std::string ending; // the token's last characters
    };
    const Case cases[] = {
        {"\"" + body + "\\n" + std::string(50, 'y') + "\"", "x\""},
        {"\"" + body + "\\\\" + std::string(50, 'y') + "\"", "x\""},
        {"\"" + body.substr(1) + "\\\\" + std::string(50, 'y') + "\"", "x\\\\\""},
    };
    for (const Case& c : cases) {
        SourceParser parser(nullptr, kLangCpp);
        parser.OpenSourceText("cut.cpp", c.input);
        parser.GetToken();
        const std::string text = parser.CurrentText();
        EXPECT_LE(text.size(), SourceParser::kMaxTokenLength);
        ASSERT_GE(text.size(), c.ending.size());
        EXPECT_EQ(text.substr(text.size() - c.ending.size()), c.ending) << c.input.size();
    }
}

// Identifiers keep letters of any script; text that is not UTF-8 is read as
// Latin-1; a word cut at its limit never ends inside a character.
TEST(TokenizerTest, TextIsReadAsUtf8WithLatin1Fallback) {
    struct Case {
        std::string input;
        std::string first;
    };
    const Case cases[] = {
        {"Caf\xC3\xA9 na\xC3\xAFve", "Caf\xC3\xA9"},
        {"Caf\xE9 x", "Caf\xC3\xA9"},                               // Latin-1
        {"\xE6\x97\xA5\xE6\x9C\xAC x", "\xE6\x97\xA5\xE6\x9C\xAC"}, // CJK letters
        {"a\xC3 x", "a\xC3\x83"},                                   // a lone lead byte: Latin-1
        {"\"\xC3\xA9t\xC3\xA9\"", "\"\xC3\xA9t\xC3\xA9\""},
        // after runs of plain ASCII longer than a machine word
        {"abcdefghijklmnop\xE9 x", "abcdefghijklmnop\xC3\xA9"},
        {"abcdefghijklmnop\xC3\xA9 x", "abcdefghijklmnop\xC3\xA9"},
        {"abcdefghijklmn\xC3 x", "abcdefghijklmn\xC3\x83"},
    };
    for (const Case& c : cases) {
        SourceParser parser(nullptr, kLangCpp);
        parser.OpenSourceText("t.cpp", c.input);
        parser.GetToken();
        EXPECT_EQ(parser.CurrentText(), c.first) << c.input;
    }
    SourceParser parser(nullptr, kLangCpp);
    std::string word = "a";
    for (int i = 0; i < 600; ++i) {
        word += "\xC3\xA9";
    }
    parser.OpenSourceText("t.cpp", word);
    parser.GetToken();
    EXPECT_LE(parser.CurrentText().size(), SourceParser::kMaxTokenLength);
    EXPECT_EQ(parser.CurrentText().size() % 2, 1u); // "a" and whole two-byte letters
}

TEST(TokenizerTest, EndOfInputRepeatsThenStopsTheFile) {
    RecordingLogSink log;
    ScopedLogSink scope(&log);
    SourceParser parser(nullptr, kLangCpp);
    parser.OpenSourceText("loop.cpp", "x\n");
    EXPECT_EQ(parser.GetToken(), I);
    for (int i = 0; i < SourceParser::kMaxEndTokens; ++i) {
        ASSERT_EQ(parser.GetToken(), E);
    }
    EXPECT_EQ(log.Text(), "");
    EXPECT_THROW(parser.GetToken(), SourceParseStopped);
    EXPECT_EQ(
        log.Text(),
        "*** ERROR in loop.cpp(1): suspecting infinite loop: parsing of this file stopped\r\n");
    // Opening the next file starts the count again.
    parser.OpenSourceText("next.cpp", "");
    for (int i = 0; i < SourceParser::kMaxEndTokens; ++i) {
        ASSERT_EQ(parser.GetToken(), E);
    }
}

class SourceFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("qm-reverse-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Write(const std::filesystem::path& relative, const std::string& bytes) {
        std::filesystem::path path = dir_ / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    std::filesystem::path dir_;
    RecordingLogSink log_;
    ScopedLogSink scope_{&log_};
};

TEST_F(SourceFileTest, ReadsFilesWithAnyLineEnds) {
    std::string path = Write("a.cpp", "class A\r\n{\r\n};\r\n");
    SourceParser parser(nullptr, kLangCpp);
    ASSERT_TRUE(parser.OpenSourceFile(path));
    std::vector<int> tokens;
    do {
        tokens.push_back(parser.GetToken());
    } while (tokens.back() != E);
    EXPECT_EQ(tokens, (std::vector<int>{19, I, kTokLBrace, kTokRBrace, kTokSemicolon, E}));
    EXPECT_EQ(parser.LineCount(), 3);
    EXPECT_EQ(parser.CloseSourceFile(), 0);
    EXPECT_EQ(log_.Text(), "");
}

TEST_F(SourceFileTest, LargeFilesCrossTheReadBuffer) {
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        text += "int a" + std::to_string(i) + ";\r\n";
    }
    std::string path = Write("big.cpp", text);
    SourceParser parser(nullptr, kLangCpp);
    ASSERT_TRUE(parser.OpenSourceFile(path));
    int identifiers = 0;
    for (int t = parser.GetToken(); t != E; t = parser.GetToken()) {
        identifiers += t == I;
    }
    EXPECT_EQ(identifiers, 20000);
    EXPECT_EQ(parser.LineCount(), 20000);
}

TEST_F(SourceFileTest, CarriageReturnsOnTheReadBufferBoundary) {
    // After the leading line feed, a carriage return falls on the last byte
    // of the first 64 KiB read in both files.
    struct Case {
        const char* line;
        int repeat;
    };
    for (const Case& c : {Case{"ab\r\n", 20000}, Case{"ab\r", 30000}}) {
        std::string text = "\n";
        for (int i = 0; i < c.repeat; ++i) {
            text += c.line;
        }
        ASSERT_EQ(text[SourceParser::kReadBufferSize - 1], '\r');
        std::string path = Write("cr.cpp", text);
        SourceParser parser(nullptr, kLangCpp);
        ASSERT_TRUE(parser.OpenSourceFile(path));
        int identifiers = 0;
        for (int t = parser.GetToken(); t != E; t = parser.GetToken()) {
            EXPECT_EQ(parser.CurrentText(), "ab");
            identifiers += t == I;
        }
        EXPECT_EQ(identifiers, c.repeat);
        EXPECT_EQ(parser.LineCount(), c.repeat + 1);
    }
}

TEST_F(SourceFileTest, PathsLongerThanOldLimitOpen) {
    std::string folder(150, 'd');
    std::string path = Write(std::filesystem::path(folder) / "deep.java", "class D {}\n");
    ASSERT_GT(path.size(), 128u);
    SourceParser parser(nullptr, kLangJava);
    ASSERT_TRUE(parser.OpenSourceFile(path));
    EXPECT_EQ(parser.GetToken(), 19);
    EXPECT_EQ(parser.FilePath(), path);
}

TEST_F(SourceFileTest, OpenFailuresAreReported) {
    SourceParser parser(nullptr, kLangCpp);
    parser.OpenSourceText("before", "abc def");
    EXPECT_EQ(parser.GetToken(), I);
    EXPECT_FALSE(parser.OpenSourceFile((dir_ / "missing.cpp").string()));
    EXPECT_EQ(log_.Text(),
              "*** ERROR in " + (dir_ / "missing.cpp").string() + "(0): can't open file\r\n");
    for (const std::string& special : {dir_.string(), std::string("/dev/zero")}) {
        log_.Clear();
        EXPECT_FALSE(parser.OpenSourceFile(special));
        EXPECT_EQ(log_.Text(), "*** ERROR in " + special + "(0): can't open file\r\n");
    }
    log_.Clear();
    std::string huge = "/" + std::string(5000, 'x');
    EXPECT_FALSE(parser.OpenSourceFile(huge));
    EXPECT_EQ(log_.Text(), "*** ERROR in " + huge + "(0): file name too long\r\n");
    EXPECT_EQ(parser.LineCount(), 0);
    // Nothing is open: the tokenizer sees the end of input.
    EXPECT_EQ(parser.GetToken(), E);
}

TEST_F(SourceFileTest, ParseSourceFileReadsEachFileWithALanguage) {
    std::string path = Write("a.cs", "class A {\n}\n");
    SourceParser parser(nullptr, kLangCSharp);
    parser.ParseSourceFile(path);
    EXPECT_EQ(parser.LineCount(), 2);
    EXPECT_EQ(log_.Text(), "");
    SourceParser unknown(nullptr, -1);
    unknown.ParseSourceFile(path);
    EXPECT_EQ(unknown.LineCount(), 0);
}

} // namespace
} // namespace qm
