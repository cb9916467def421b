// Fuzz target for one language parser (QM_FUZZ_LANGUAGE, a language code):
// arbitrary source text is parsed twice into one symbol table (as two files
// of one run), with the keep-method-code option taken from the first byte.
// The parser must reach the end of its input without reading on past it,
// and every node of the parse tree must stay within its bounds.
#include "platform/Log.h"
#include "reverse/LanguageParsers.h"
#include "reverse/ReverseDocument.h"
#include "reverse/SourceLanguage.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace qm;

class FuzzDocument : public ReverseDocument {
  public:
    explicit FuzzDocument(uint32_t flags) : flags_(flags) {}
    uint32_t& ProfileFlags() override { return flags_; }
    const ReverseTemplate* Template() const override { return nullptr; }

  private:
    uint32_t flags_;
};

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

int Parse(SourceParser& parser) {
    switch (parser.Language()) {
    case kLangJava:
        return ParseJavaInput(parser);
    case kLangCSharp:
        return ParseCSharpInput(parser);
    case kLangPhp:
        return ParsePhpInput(parser);
    case kLangOrvistal:
        return ParseOrvistalInput(parser);
    default:
        return ParseToolInput(parser);
    }
}

// Node texts are bounded by the token and type text limits (a method body,
// kept in text2, is not).
void CheckNode(const SourceSymbol& node, int depth) {
    Check(depth < 200);
    Check(node.name.size() <= SourceParser::kMaxTokenLength + 1);
    Check(!node.text1 || node.text1->size() <= SourceParser::kMaxTokenLength);
    for (const SourceSymbol* c = node.firstChild.get(); c != nullptr; c = c->next.get()) {
        CheckNode(*c, depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static NullLogSink log;
    SetLogSink(&log);
    if (size == 0) {
        return 0;
    }
    uint32_t flags = (data[0] & 1) ? kRevKeepMethodCode : 0;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    FuzzDocument document(flags);
    SourceParser parser(&document, QM_FUZZ_LANGUAGE);
    try {
        for (const char* name : {"a", "b"}) {
            parser.OpenSourceText(name, text);
            Check(Parse(parser) == 1);
            // Orvistal stops at the orv element's close tag.
            Check(parser.Token() == kTokEnd || parser.Language() == kLangOrvistal);
            parser.CloseSourceFile();
        }
    } catch (const SourceParseStopped&) {
        std::abort(); // the parser read on past the end of its input
    }
    for (SourceSymbol* s = parser.First(); s != nullptr; s = parser.Next()) {
        for (SourceSymbol* same = s; same != nullptr; same = same->sameName.get()) {
            CheckNode(*same, 0);
        }
    }
    return 0;
}
