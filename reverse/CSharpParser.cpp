// The C# parser: the file level (using directives, attribute sections,
// namespaces, top-level types, delegates and enumerations); the types
// themselves are read by JavaFamilyParser.
#include "reverse/LanguageParsers.h"

#include "reverse/SourceLanguage.h"

namespace qm {

namespace {

constexpr int kAlias = KeywordToken("alias");
constexpr int kClass = KeywordToken("class");
constexpr int kDelegate = KeywordToken("delegate");
constexpr int kEnum = KeywordToken("enum");
constexpr int kNamespace = KeywordToken("namespace");
constexpr int kStruct = KeywordToken("struct");
constexpr int kUsing = KeywordToken("using");

// Namespaces nested deeper than this are read as plain tokens.
constexpr int kMaxNamespaceNesting = 64;

bool IsDeclarationModifier(int t) {
    static constexpr int kWords[] = {
        KeywordToken("new"),      KeywordToken("public"),   KeywordToken("protected"),
        KeywordToken("internal"), KeywordToken("private"),  KeywordToken("abstract"),
        KeywordToken("sealed"),   KeywordToken("static"),   KeywordToken("partial"),
        KeywordToken("virtual"),  KeywordToken("override"), KeywordToken("extern"),
        KeywordToken("unsafe"),   KeywordToken("readonly")};
    for (int word : kWords) {
        if (t == word) {
            return true;
        }
    }
    return false;
}

void SkipPastSemicolon(SourceParser& p) {
    while (p.Token() != kTokSemicolon && p.Token() != kTokEnd) {
        p.GetToken();
    }
    if (p.Token() == kTokSemicolon) {
        p.GetToken();
    }
}

// A top-level enumeration: read by the shared enumeration parser into a
// holder, then entered in the table under the current namespace.
void ParseTopLevelEnum(SourceParser& p, int modifiers) {
    SourceSymbol holder("", std::nullopt);
    p.ParseEnum(&holder, p.TakeComment(), modifiers);
    std::unique_ptr<SourceSymbol> parsed = std::move(holder.firstChild);
    if (!parsed) {
        return;
    }
    SourceSymbol* node = p.FindOrInsert(p.Language(), parsed->name, p.CurrentNamespace());
    if (node->kind != 0 && node->kind != kNodeEnumeration) {
        return; // the name is a type already
    }
    node->kind = kNodeEnumeration;
    node->flags = parsed->flags;
    if (parsed->comment) {
        node->comment = std::move(parsed->comment);
    }
    while (parsed->firstChild) {
        std::unique_ptr<SourceSymbol> entry = std::move(parsed->firstChild);
        parsed->firstChild = std::move(entry->next);
        node->AppendChild(std::move(entry));
    }
}

// Declarations up to the end of the input, or up to the "}" that closes the
// namespace being read (depth > 0).
void ParseScope(SourceParser& p, JavaFamilyParser& types, int depth) {
    while (p.Token() != kTokEnd && !(depth > 0 && p.Token() == kTokRBrace)) {
        int t = p.Token();
        if (t == kUsing || t == kAlias) {
            SkipPastSemicolon(p);
            continue;
        }
        if (t == kNamespace && depth < kMaxNamespaceNesting) {
            p.GetToken();
            if (p.Token() != kTokIdentifier) {
                continue;
            }
            TypeText name;
            while (p.Token() != kTokLBrace && p.Token() != kTokSemicolon && p.Token() != kTokEnd) {
                name.AppendToken(p.Token(), p.CurrentText());
                p.GetToken();
            }
            if (p.Token() == kTokSemicolon && depth == 0) {
                // A file-scoped namespace holds the rest of the file.
                p.GetToken();
                p.SetCurrentNamespace(name.Text());
                continue;
            }
            if (p.Token() != kTokLBrace) {
                p.ReportParseError(nullptr, "{ expected for namespace");
                continue;
            }
            // A nested namespace adds its name to the enclosing one's and
            // gives it back at its end.
            OwnedText outer = p.CurrentNamespace();
            p.SetCurrentNamespace(outer ? *outer + "." + name.Text() : name.Text());
            p.GetToken();
            ParseScope(p, types, depth + 1);
            if (p.Token() == kTokRBrace) {
                p.GetToken();
            } else {
                p.ReportParseError(nullptr, "} expected for namespace");
            }
            p.SetCurrentNamespace(std::move(outer));
            continue;
        }
        int modifiers = 0;
        bool attributes = false;
        for (;;) {
            if (p.Token() == kTokLBracket) {
                TypeText text;
                attributes = true;
                if (p.SkipBalanced(text, true, false) == 0) {
                    break;
                }
            } else if (IsDeclarationModifier(p.Token())) {
                modifiers |= ModifierBitOf(p.Token());
                p.GetToken();
            } else {
                break;
            }
        }
        t = p.Token();
        if (attributes && modifiers == 0 && (t == kNamespace || t == kUsing)) {
            continue; // after attribute sections that belong to the assembly
        }
        if (t == kClass || t == kStruct || JavaFamilyParser::IsInterfaceWord(p) ||
            JavaFamilyParser::IsRecordWord(p)) {
            types.ParseType(nullptr, modifiers);
        } else if (t == kDelegate || t == kAlias) {
            while (p.Token() != kTokSemicolon && p.Token() != kTokEnd) {
                p.GetToken();
            }
            if (p.Token() == kTokSemicolon) {
                p.GetToken();
            } else {
                p.ReportParseError(nullptr, "; expected");
            }
        } else if (t == kEnum) {
            ParseTopLevelEnum(p, modifiers);
        } else if (t != kTokEnd && !(depth > 0 && t == kTokRBrace)) {
            p.GetToken();
        }
    }
}

} // namespace

int ParseCSharpInput(SourceParser& p) {
    p.SetCurrentNamespace(std::nullopt);
    JavaFamilyParser types(p);
    p.GetToken();
    ParseScope(p, types, 0);
    return 1;
}

int SourceParser::ParseCSharpFile(const std::string& path) {
    if (!OpenSourceFile(path)) {
        return 0;
    }
    ParseCSharpInput(*this);
    return CloseSourceFile() == 0 ? 1 : 0;
}

} // namespace qm
