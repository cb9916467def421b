// Fuzz target for the reverse engineer's front end: tokenizes arbitrary bytes
// in one of the seven languages (chosen by the first byte, which also sets the
// keep-method-code option), checking the tokenizer's bounds, then reads the
// same bytes again driving the shared parse helpers over the tokens.
#include "platform/Log.h"
#include "reverse/ReverseDocument.h"
#include "reverse/SourceLanguage.h"
#include "reverse/SourceParser.h"

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

constexpr int kLanguages[] = {kLangCpp,    kLangIdl, kLangJava, kLangOrvistal,
                              kLangCSharp, kLangPhp, kLangForte};

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Every token once, checking the bounds of the texts the tokenizer keeps.
void Tokenize(SourceParser& parser, const std::string& text) {
    parser.OpenSourceText("fuzz", text);
    for (int token = parser.GetToken(); token != kTokEnd; token = parser.GetToken()) {
        Check(token >= 0 && token <= kTokEscape && token != kTokNone);
        Check(parser.CurrentText().size() <= SourceParser::kMaxTokenLength);
        Check(parser.CommentBuffer().size() <= SourceParser::kMaxCommentLength);
        if (parser.Language() == kLangOrvistal && token == kTokLess) {
            parser.SetTagMode(!parser.TagMode());
        }
    }
    parser.TakeComment();
}

// The helpers, chosen by the current token; every round reads at least one
// token, so the walk ends.
void DriveHelpers(SourceParser& parser, const std::string& text) {
    static constexpr int kEnum = KeywordToken("enum");
    static constexpr int kTypedef = KeywordToken("typedef");
    static constexpr int kRaises = KeywordToken("raises");
    static constexpr int kThrow = KeywordToken("throw");
    static constexpr int kContext = KeywordToken("context");
    static constexpr int kUsing = KeywordToken("using");
    static constexpr int kBegin = KeywordToken("begin");

    parser.OpenSourceText("fuzz", text);
    SourceSymbol scratch("scratch", std::nullopt);
    TypeText typeText;
    int round = 0;
    parser.GetToken();
    while (parser.Token() != kTokEnd) {
        ++round;
        typeText.Clear();
        int token = parser.Token();
        if (token == kTokLBrace || token == kBegin) {
            parser.SkipBody(round % 2 ? &scratch : nullptr, round % 4 == 1);
        } else if (token == kTokLParen || token == kTokLBracket) {
            parser.SkipBalanced(typeText, round % 2 == 0, round % 3 == 0);
        } else if (token == kTokLess) {
            parser.SkipGenericArguments(typeText, round % 2 == 0);
        } else if (token == kEnum) {
            parser.ParseEnum(round % 2 ? &scratch : nullptr, parser.TakeComment(), 4);
        } else if (token == kTypedef) {
            parser.ParseTypedef(&scratch, parser.TakeComment(), 4);
        } else if (token == kRaises || token == kThrow || token == kContext) {
            parser.ParseRaisesClause(&scratch);
        } else if (token == kUsing) {
            parser.SkipUsingDirectives();
        } else if (token == kTokSemicolon) {
            parser.SkipDeclaration();
        } else if (token == kTokIdentifier) {
            parser.FindOrInsert(parser.Language(), parser.CurrentText(), parser.CurrentNamespace());
            if (round % 2) {
                parser.ParseTypeName(typeText);
                Check(typeText.Length() <= TypeText::kMaxLength);
                typeText.ToHeapString();
            } else if (OwnedText last = parser.ParseQualifiedName()) {
                parser.SetCurrentNamespace(parser.QualifiedName());
            }
        }
        if (parser.Token() != kTokEnd) {
            parser.GetToken();
        }
    }
    parser.TakeComment();
    while (scratch.firstChild) {
        std::string name = scratch.firstChild->name;
        Check(scratch.RemoveChildByName(parser.Language(), name));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static NullLogSink log;
    SetLogSink(&log);
    if (size == 0) {
        return 0;
    }
    int language = kLanguages[data[0] % 7];
    uint32_t flags = (data[0] & 0x80) ? kRevKeepMethodCode : 0;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    FuzzDocument document(flags);
    SourceParser parser(&document, language);
    try {
        Tokenize(parser, text);
        DriveHelpers(parser, text);
    } catch (const SourceParseStopped&) {
        // A helper that reads on past the end of the input is a fault.
        std::abort();
    }
    return 0;
}
