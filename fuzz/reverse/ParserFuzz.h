// The shared body of the C++ and IDL parser fuzz targets: arbitrary source
// text parsed with one of the two parsers. The oracle: no crash or sanitizer
// report, no reading on past the end of the input (the tokenizer's guard
// against a parser that loops at the end), the whole input read, and a parse
// tree whose size stays within a bound of the input's size.
#pragma once

#include "platform/Log.h"
#include "reverse/SourceLanguage.h"
#include "reverse/SourceParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace qm::fuzz {

inline void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Every node of the table, its sameName chains and child lists, keywords aside.
inline size_t CountNodes(SourceParser& parser) {
    size_t count = 0;
    std::vector<const SourceSymbol*> pending;
    for (SourceSymbol* s = parser.First(); s != nullptr; s = parser.Next()) {
        pending.push_back(s);
    }
    while (!pending.empty()) {
        const SourceSymbol* node = pending.back();
        pending.pop_back();
        if (node->kind != kNodeKeyword) {
            ++count;
        }
        if (node->sameName) {
            pending.push_back(node->sameName.get());
        }
        for (const SourceSymbol* c = node->firstChild.get(); c != nullptr; c = c->next.get()) {
            pending.push_back(c);
        }
    }
    return count;
}

inline int ParseOnce(int language, const uint8_t* data, size_t size) {
    static NullLogSink log;
    SetLogSink(&log);
    std::string text(reinterpret_cast<const char*>(data), size);
    SourceParser parser(nullptr, language);
    parser.OpenSourceText("fuzz", text);
    try {
        if (language == kLangIdl) {
            parser.ParseIdlInput();
        } else {
            parser.ParseCppInput();
        }
    } catch (const SourceParseStopped&) {
        std::abort(); // the parser kept reading at the end of its input
    }
    Check(parser.Token() == kTokEnd);
    // Each node is made for a token read, at most two (a base and its
    // reference) for one name; every token takes at least one byte.
    Check(CountNodes(parser) <= 2 * size + 2);
    parser.CloseSourceFile();
    return 0;
}

} // namespace qm::fuzz
