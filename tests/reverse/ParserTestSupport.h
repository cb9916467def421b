// A fixture for the language parser tests: parses text held in memory with
// one language's declaration scanner, records the log, and describes parse
// tree nodes in one line each so that tests can compare them as tables.
#pragma once

#include "ReverseTestSupport.h"

#include "platform/Log.h"
#include "reverse/LanguageParsers.h"
#include "reverse/SourceLanguage.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace qm::test {

// The whole text of a fixture file; empty (and a test failure) when missing.
inline std::string ReadFixture(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class ParserTest : public ::testing::Test {
  protected:
    // Parses text as the file name in the language; flags are the profile's
    // option bits. Earlier parses of the same test share the symbol table
    // when keep is set (a run over several files).
    SourceParser& Parse(int language, const std::string& text, uint32_t flags = 0,
                        const std::string& name = "t.src", bool keep = false) {
        if (!keep || !parser_) {
            document_ = std::make_unique<FakeDocument>(flags);
            parser_ = std::make_unique<SourceParser>(document_.get(), language);
        }
        parser_->OpenSourceText(name, text);
        switch (language) {
        case kLangJava:
            EXPECT_EQ(ParseJavaInput(*parser_), 1);
            break;
        case kLangCSharp:
            EXPECT_EQ(ParseCSharpInput(*parser_), 1);
            break;
        case kLangPhp:
            EXPECT_EQ(ParsePhpInput(*parser_), 1);
            break;
        case kLangOrvistal:
            EXPECT_EQ(ParseOrvistalInput(*parser_), 1);
            break;
        case kLangForte:
            EXPECT_EQ(ParseToolInput(*parser_), 1);
            break;
        default:
            ADD_FAILURE() << "no parser for language " << language;
        }
        parser_->CloseSourceFile();
        return *parser_;
    }

    // The top-level declaration of that name (any qualifier), or null.
    SourceSymbol* Top(const std::string& name) {
        SourceSymbol* s = parser_->Find(parser_->Language(), name, std::nullopt);
        return s != nullptr && s->kind != kNodeKeyword ? s : nullptr;
    }

    // "kind name [qualifier] flags text1 text2" with "-" for an absent text.
    static std::string Describe(const SourceSymbol& s) {
        std::string line = std::to_string(s.kind) + " " + s.name;
        if (s.qualifier) {
            line += " @" + *s.qualifier;
        }
        line += " " + std::to_string(s.flags);
        line += " " + (s.text1 ? "'" + *s.text1 + "'" : std::string("-"));
        line += " " + (s.text2 ? "'" + *s.text2 + "'" : std::string("-"));
        return line;
    }

    // Describe of every child, in order.
    static std::vector<std::string> Children(const SourceSymbol* s) {
        std::vector<std::string> lines;
        if (s == nullptr) {
            lines.push_back("(no node)");
            return lines;
        }
        for (const SourceSymbol* c = s->firstChild.get(); c != nullptr; c = c->next.get()) {
            lines.push_back(Describe(*c));
        }
        return lines;
    }

    // The error lines of the log without their "*** ERROR in file(line): " head.
    std::vector<std::string> Errors() const {
        std::vector<std::string> lines;
        std::string text = log_.Text();
        size_t at = 0;
        while ((at = text.find("*** ERROR in ", at)) != std::string::npos) {
            size_t end = text.find("\r\n", at);
            size_t head = text.find("): ", at);
            lines.push_back(text.substr(head + 3, end - head - 3));
            at = end;
        }
        return lines;
    }

    RecordingLogSink log_;
    ScopedLogSink scope_{&log_};
    std::unique_ptr<FakeDocument> document_;
    std::unique_ptr<SourceParser> parser_;
};

using V = std::vector<std::string>;

} // namespace qm::test
