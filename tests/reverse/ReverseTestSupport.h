// Helpers shared by the reverse-engineering tests: a fake document and
// template, and a tokenizer driver over text held in memory.
#pragma once

#include "reverse/ReverseDocument.h"
#include "reverse/SourceLanguage.h"
#include "reverse/SourceParser.h"

#include <cstdio>

#include <string>
#include <utility>
#include <vector>

namespace qm::test {

class FakeTemplate : public ReverseTemplate {
  public:
    int FindToolBySemantics(ReverseToolKind kind, ReverseToolSemantics semantics,
                            int defaultId) const override {
        lookups.emplace_back(kind, semantics);
        // Every tool id moved by 100, so tests can tell a looked-up id from a default.
        return defaultId + 100;
    }
    mutable std::vector<std::pair<ReverseToolKind, ReverseToolSemantics>> lookups;
};

class FakeDocument : public ReverseDocument {
  public:
    explicit FakeDocument(uint32_t flags = 178, const ReverseTemplate* tools = nullptr)
        : flags_(flags), tools_(tools) {}
    uint32_t& ProfileFlags() override { return flags_; }
    const ReverseTemplate* Template() const override { return tools_; }

  private:
    uint32_t flags_;
    const ReverseTemplate* tools_;
};

// Every token of text up to and including the end token.
inline std::vector<int> Tokens(SourceParser& parser, std::string text) {
    parser.OpenSourceText("t", std::move(text));
    std::vector<int> tokens;
    do {
        tokens.push_back(parser.GetToken());
    } while (tokens.back() != kTokEnd && tokens.size() < 100000);
    return tokens;
}

inline std::vector<int> Tokens(int language, std::string text) {
    SourceParser parser(nullptr, language);
    return Tokens(parser, std::move(text));
}

// A node and its children as one line of text, for tables of expected parse
// trees: name/kind/flags in hex, ":type" when the node has a type text,
// "=value" when it has a value text (not for classes and interfaces, whose
// value text is their file), and the children in braces.
inline std::string DumpNode(const SourceSymbol& node) {
    char flags[16];
    std::snprintf(flags, sizeof flags, "%x", static_cast<unsigned>(node.flags));
    std::string out = node.name + "/" + std::to_string(node.kind) + "/" + flags;
    if (node.text1) {
        out += ":" + *node.text1;
    }
    if (node.text2 && node.kind != kNodeClass && node.kind != kNodeInterface) {
        out += "=" + *node.text2;
    }
    if (node.firstChild) {
        out += "{";
        for (const SourceSymbol* c = node.firstChild.get(); c != nullptr; c = c->next.get()) {
            out += DumpNode(*c);
            if (c->next) {
                out += ",";
            }
        }
        out += "}";
    }
    return out;
}

// True when text is valid UTF-8.
inline bool IsValidUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t length = c < 0x80             ? 1
                              : (c & 0xE0) == 0xC0 ? 2
                              : (c & 0xF0) == 0xE0 ? 3
                              : (c & 0xF8) == 0xF0 ? 4
                                                   : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

// Parses text held in memory with the C++ or IDL parser.
inline void ParseText(SourceParser& parser, const std::string& text,
                      const std::string& name = "t") {
    parser.OpenSourceText(name, text);
    if (parser.Language() == kLangIdl) {
        parser.ParseIdlInput();
    } else {
        parser.ParseCppInput();
    }
    parser.CloseSourceFile();
}

} // namespace qm::test
