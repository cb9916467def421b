// The Orvistal parser. A source file is one orv element: its properties (the
// domain property gives the qualifier of the file's classes), then classes
// and load elements. Class bodies hold fields, methods, text methods and
// user-interface elements written as tags; the tokenizer's tag mode, on
// between members, turns "<name" into an open-tag token.
#include "reverse/LanguageParsers.h"

#include "reverse/SourceLanguage.h"

#include <algorithm>

namespace qm {

namespace {

constexpr int kAbstract = KeywordToken("abstract");
constexpr int kClass = KeywordToken("class");
constexpr int kEnum = KeywordToken("enum");
constexpr int kExtends = KeywordToken("extends");
constexpr int kImplements = KeywordToken("implements");

constexpr int kMaxClassNesting = 64;

bool IsOneOf(int t, std::initializer_list<int> words) {
    return std::find(words.begin(), words.end(), t) != words.end();
}

bool IsTopLevelModifier(int t) {
    return IsOneOf(t, {kAbstract, KeywordToken("clocal"), KeywordToken("final"),
                       KeywordToken("generated"), KeywordToken("mutual"), KeywordToken("remote"),
                       KeywordToken("singleton"), KeywordToken("slocal")});
}

bool IsMemberModifier(int t) {
    return IsOneOf(t, {KeywordToken("private"), KeywordToken("protected"), KeywordToken("public"),
                       KeywordToken("static"), kAbstract, KeywordToken("final"),
                       KeywordToken("clocal"), KeywordToken("slocal"), KeywordToken("remote"),
                       KeywordToken("synchronized"), KeywordToken("singleton"),
                       KeywordToken("mutual"), KeywordToken("generated"), KeywordToken("getable"),
                       KeywordToken("setable"), KeywordToken("delayed")});
}

bool IsTextTag(const std::string& name) {
    return name == "text" || name.starts_with("text.");
}

class OrvistalParser {
  public:
    explicit OrvistalParser(SourceParser& parser) : p_(parser), lang_(parser.Language()) {}

    int ParseFile();

  private:
    void ParseProperties();
    void ParseTopLevelItem();
    void SkipStatement();
    int SkipElement(bool isLoad);
    int ParseClass(SourceSymbol* enclosing, int modifiers, OwnedText comment);
    int ParseExtendsList(SourceSymbol* node, SourceSymbol* enclosing);
    int ParseMember(SourceSymbol* node);
    int ParseElement(SourceSymbol* node, int modifiers, OwnedText comment);
    int ParseField(SourceSymbol* node, std::string name, TypeText& type, int modifiers,
                   OwnedText comment, int line);
    int ParseMethod(SourceSymbol* node, const std::string& name, const TypeText& type,
                    int modifiers, OwnedText comment, bool textMethod);
    void SkipToSemicolon();
    // Reads the next token with tag mode on, as between members.
    void NextInTagMode() {
        p_.SetTagMode(true);
        p_.GetToken();
    }

    SourceParser& p_;
    int lang_;
    int depth_ = 0;
};

int OrvistalParser::ParseFile() {
    p_.SetCurrentNamespace(std::nullopt);
    p_.SetTagMode(true);
    p_.GetToken();
    if (p_.Token() != kTokOpenTag || p_.CurrentText() != "orv") {
        return 1; // not an Orvistal source: nothing is recorded
    }
    p_.GetToken();
    ParseProperties();
    while (p_.Token() != kTokEnd && p_.Token() != kTokCloseTag) {
        ParseTopLevelItem();
    }
    if (p_.Token() == kTokEnd || p_.CurrentText() != "orv") {
        p_.ReportParseError(nullptr, "</orv> expected");
    }
    return 1;
}

// name = value ... >   (a value in braces is skipped)
void OrvistalParser::ParseProperties() {
    while (p_.Token() != kTokGreater && p_.Token() != kTokEmptyTagEnd && p_.Token() != kTokEnd) {
        // A bad name or a missing "=" is reported once; the property is
        // then read on as if they were there.
        std::string name;
        if (p_.Token() != kTokIdentifier) {
            p_.ReportParseError(nullptr, "property name expected");
        } else {
            name = p_.CurrentText();
        }
        p_.GetToken();
        if (p_.Token() != kTokAssign) {
            p_.ReportParseError(nullptr, "'=' expected");
        } else {
            p_.GetToken();
        }
        if (p_.Token() == kTokGreater || p_.Token() == kTokEmptyTagEnd) {
            break;
        }
        if (p_.Token() == kTokLBrace) {
            while (p_.Token() != kTokRBrace && p_.Token() != kTokEnd) {
                p_.GetToken();
            }
            if (p_.Token() == kTokEnd) {
                p_.ReportParseError(nullptr, "'}' expected");
                return;
            }
        } else if (name == "domain" && p_.Token() == kTokString) {
            std::string domain = p_.CurrentText();
            domain = domain.size() >= 2 ? domain.substr(1, domain.size() - 2) : std::string();
            std::replace(domain.begin(), domain.end(), '/', '.');
            std::replace(domain.begin(), domain.end(), '\\', '.');
            p_.SetCurrentNamespace(domain);
        }
        if (p_.Token() != kTokEnd) {
            p_.GetToken();
        }
    }
    if (p_.Token() == kTokGreater) {
        p_.GetToken();
    } else {
        p_.ReportParseError(nullptr, "'>' expected");
        if (p_.Token() == kTokEmptyTagEnd) {
            p_.GetToken();
        }
    }
}

void OrvistalParser::ParseTopLevelItem() {
    int modifiers = 0;
    while (IsTopLevelModifier(p_.Token())) {
        modifiers |= ModifierBitOf(p_.Token());
        p_.GetToken();
    }
    int t = p_.Token();
    if (t == kClass) {
        ParseClass(nullptr, modifiers, p_.TakeComment());
    } else if (t == kTokOpenTag) {
        bool isLoad = p_.CurrentText() == "load";
        if (!isLoad) {
            p_.ReportParseError(nullptr, "<load> expected");
        }
        p_.GetToken();
        SkipElement(isLoad);
    } else if (t == kTokRBrace) {
        p_.ReportParseError(nullptr, "unexpected '}'");
        p_.GetToken();
    } else if (t != kTokEnd && t != kTokCloseTag) {
        SkipStatement();
    }
}

// Up to and including the ";" outside brackets; a closing bracket that
// opens nothing is skipped by itself.
void OrvistalParser::SkipStatement() {
    auto closing = [](int t) { return t == kTokRBrace || t == kTokRParen || t == kTokRBracket; };
    if (closing(p_.Token())) {
        p_.GetToken();
        return;
    }
    int depth = 0;
    while (p_.Token() != kTokEnd && !(depth == 0 && p_.Token() == kTokCloseTag)) {
        int t = p_.Token();
        if (t == kTokLBrace || t == kTokLParen || t == kTokLBracket) {
            ++depth;
        } else if (closing(t)) {
            if (depth == 0) {
                return;
            }
            --depth;
        } else if (t == kTokSemicolon && depth == 0) {
            p_.GetToken();
            return;
        }
        p_.GetToken();
    }
}

// The rest of an element after its tag name: up to its close tag or "/>",
// nested elements skipped alike.
int OrvistalParser::SkipElement(bool isLoad) {
    int depth = 1;
    while (p_.Token() != kTokEnd) {
        int t = p_.Token();
        if (t == kTokOpenTag) {
            ++depth;
        } else if (t == kTokEmptyTagEnd || t == kTokCloseTag) {
            if (--depth == 0) {
                if (isLoad && t == kTokCloseTag && p_.CurrentText() != "load") {
                    p_.ReportParseError(nullptr, "</load> expected");
                }
                p_.GetToken();
                return 1;
            }
        }
        p_.GetToken();
    }
    return p_.ReportParseError(nullptr, "gui tag end expected");
}

// class Name [extends Base , ...] { members } | ;
int OrvistalParser::ParseClass(SourceSymbol* enclosing, int modifiers, OwnedText comment) {
    if (depth_ >= kMaxClassNesting) {
        p_.ReportParseError(enclosing, "types nested too deeply");
        SkipStatement();
        return 0;
    }
    p_.GetToken();
    OwnedText name = p_.ParseQualifiedName();
    if (!name) {
        p_.ReportParseError(nullptr, "identifier expected after class");
        if (p_.Token() != kTokEnd) {
            p_.GetToken();
        }
        return 0;
    }
    SourceSymbol* node = nullptr;
    if (enclosing != nullptr) {
        node = enclosing->AddChild(lang_, *name, std::nullopt, kNodeClass, modifiers, std::nullopt,
                                   std::nullopt, std::move(comment));
        node->flags = modifiers;
    } else {
        node = p_.FindOrInsert(lang_, *name, p_.CurrentNamespace());
        node->kind = kNodeClass;
        node->flags = modifiers;
        if (comment) {
            node->comment = std::move(comment);
        }
    }
    if (p_.Token() == kTokSemicolon) {
        p_.GetToken();
        return 1;
    }
    if (enclosing == nullptr) {
        node->text2 = p_.FilePath();
    }
    if (ParseExtendsList(node, enclosing) == 0) {
        return 0;
    }
    if (p_.Token() != kTokLBrace) {
        return p_.ReportParseError(node, "{ expected");
    }
    ++depth_;
    NextInTagMode();
    while (p_.Token() != kTokRBrace && p_.Token() != kTokEnd) {
        if (ParseMember(node) == 0 && p_.Token() != kTokRBrace && p_.Token() != kTokEnd) {
            SkipToSemicolon();
        }
    }
    --depth_;
    if (p_.Token() != kTokRBrace) {
        return 0;
    }
    NextInTagMode();
    return 1;
}

// extends A [, B] [extends C] ...   Classes implement nothing: "implements"
// stands where a base name is expected.
int OrvistalParser::ParseExtendsList(SourceSymbol* node, SourceSymbol* enclosing) {
    bool extended = false;
    while (p_.Token() == kExtends || p_.Token() == kImplements) {
        if (p_.Token() == kExtends) {
            if (extended) {
                p_.ReportParseError(node, "a class can only extend a single class");
            }
            extended = true;
            p_.GetToken();
        }
        for (;;) {
            OwnedText name = p_.ParseQualifiedName();
            if (!name) {
                return p_.ReportParseError(node, "bad extends list");
            }
            if (p_.Token() == kTokLess) {
                TypeText arguments;
                p_.SkipGenericArguments(arguments, false);
            }
            SourceSymbol* base = nullptr;
            if (enclosing != nullptr) {
                SourceSymbol* sibling = enclosing->FindChild(lang_, *name);
                if (sibling != nullptr && sibling->kind == kNodeClass) {
                    base = sibling;
                }
            }
            for (SourceSymbol* s = p_.Find(lang_, *name, std::nullopt);
                 base == nullptr && s != nullptr; s = s->sameName.get()) {
                if (s->kind == kNodeClass) {
                    base = s;
                }
            }
            if (base == nullptr) {
                base = p_.FindOrInsert(lang_, *name, p_.CurrentNamespace());
                if (base->kind == 0) {
                    base->kind = kNodeClass;
                }
            }
            node->AddChild(lang_, base->name, base->qualifier, kNodeBaseClass, 0, std::nullopt,
                           std::nullopt, std::nullopt);
            int t = p_.Token();
            if (t == kTokComma) {
                p_.GetToken();
                continue;
            }
            if (t == kTokLBrace || t == kExtends || t == kImplements) {
                break;
            }
            return p_.ReportParseError(node, "extends or { expected");
        }
    }
    if (p_.Token() != kTokLBrace) {
        return p_.ReportParseError(node, "{ expected");
    }
    return 1;
}

// Up to and including the member's ";", or its braced block; never past
// the class's "}".
void OrvistalParser::SkipToSemicolon() {
    while (p_.Token() != kTokEnd && p_.Token() != kTokRBrace) {
        if (p_.Token() == kTokSemicolon) {
            NextInTagMode();
            return;
        }
        if (p_.Token() == kTokLBrace) {
            p_.SetTagMode(true);
            p_.SkipBody(nullptr, false);
            return;
        }
        p_.GetToken();
    }
    p_.SetTagMode(true);
}

int OrvistalParser::ParseMember(SourceSymbol* node) {
    const int line = p_.LineCount();
    int modifiers = 0;
    while (IsMemberModifier(p_.Token())) {
        modifiers |= ModifierBitOf(p_.Token());
        p_.GetToken();
    }
    if (p_.Token() == kTokLBrace) {
        p_.SkipBody(nullptr, false);
        return p_.Token() != kTokRBrace ? 1 : 0;
    }
    if (p_.Token() == kTokOpenTag) {
        return ParseElement(node, modifiers, p_.TakeComment());
    }
    OwnedText comment = p_.TakeComment();
    if (p_.Token() == kClass) {
        int result = ParseClass(node, modifiers, std::move(comment));
        return result != 0 && p_.Token() != kTokRBrace ? 1 : 0;
    }
    if (p_.Token() == kEnum) {
        // Read in tag mode, so that an element after the enumeration is seen.
        int result = p_.ParseEnum(node, std::move(comment), modifiers);
        return result != 0 && p_.Token() != kTokRBrace ? 1 : 0;
    }
    p_.SetTagMode(false);
    TypeText type;
    for (;;) {
        int t = p_.Token();
        if (t == kTokSemicolon) {
            NextInTagMode();
            return p_.Token() != kTokRBrace ? 1 : 0;
        }
        if (t == kTokRBrace || t == kTokEnd) {
            p_.SetTagMode(true);
            return 0;
        }
        if (t == kTokIdentifier) {
            std::string name = p_.CurrentText();
            p_.GetToken();
            int next = p_.Token();
            if (next == kTokLParen) {
                return ParseMethod(node, name, type, modifiers, std::move(comment), false);
            }
            if (next == kTokComma || next == kTokAssign || next == kTokSemicolon ||
                (next == kTokLBracket && !type.IsEmpty())) {
                return ParseField(node, name, type, modifiers, std::move(comment), line);
            }
            type.AppendToken(kTokIdentifier, name);
            continue;
        }
        if (t == kTokLess) {
            p_.SkipGenericArguments(type, true);
            continue;
        }
        type.AppendToken(t, p_.CurrentText());
        p_.GetToken();
    }
}

// <tag ID ...> ... </tag>   or   <text name(parameters)> ... </text>
int OrvistalParser::ParseElement(SourceSymbol* node, int modifiers, OwnedText comment) {
    const std::string tag = p_.CurrentText();
    TypeText type;
    type.AppendToken(kTokIdentifier, "<" + tag + ">");
    p_.GetToken();
    if (!IsTextTag(tag)) {
        if (p_.Token() != kTokIdentifier) {
            p_.ReportParseError(node, "gui ID expected");
            SkipElement(false);
            return p_.Token() != kTokRBrace ? 1 : 0;
        }
        node->AddChild(lang_, p_.CurrentText(), std::nullopt, kNodeAttribute, modifiers,
                       type.ToHeapString(), std::nullopt, std::move(comment));
        p_.GetToken();
        SkipElement(false);
        return p_.Token() != kTokRBrace ? 1 : 0;
    }
    std::string name;
    while (p_.Token() != kTokLParen && p_.Token() != kTokEnd && p_.Token() != kTokGreater &&
           p_.Token() != kTokEmptyTagEnd && p_.Token() != kTokCloseTag) {
        if (!name.empty()) {
            type.AppendToken(kTokIdentifier, name);
            name.clear();
        }
        if (p_.Token() == kTokIdentifier) {
            name = p_.CurrentText();
        } else {
            type.AppendToken(p_.Token(), p_.CurrentText());
        }
        p_.GetToken();
    }
    if (p_.Token() != kTokLParen) {
        p_.ReportParseError(node, "'(' expected");
        SkipElement(false);
        return p_.Token() != kTokRBrace ? 1 : 0;
    }
    return ParseMethod(node, name, type, modifiers, std::move(comment), true);
}

int OrvistalParser::ParseField(SourceSymbol* node, std::string name, TypeText& type, int modifiers,
                               OwnedText comment, int line) {
    constexpr int kIllegal =
        kModAbstract | kModSynchronized | kModMutual | kModRemote | kModSingleton;
    int flags = modifiers;
    if ((modifiers & kIllegal) != 0) {
        p_.ReportParseError(node, "illegal modifier for class field");
        flags &= ~kIllegal;
    }
    const size_t base = type.Length();
    SourceSymbol* last = nullptr;
    for (;;) {
        int t = p_.Token();
        if (t != kTokComma && t != kTokAssign && t != kTokSemicolon) {
            p_.ReportParseError(node, ", or = or ; expected");
            break;
        }
        OwnedText value;
        if (t == kTokAssign) {
            p_.GetToken();
            TypeText text;
            p_.SkipBalanced(text, false, true);
            value = text.Text();
        }
        last = node->AddChild(lang_, name, std::nullopt, kNodeAttribute, flags, type.ToHeapString(),
                              std::move(value), std::move(comment));
        comment.reset();
        type.SetLength(base);
        if (p_.Token() != kTokComma) {
            break;
        }
        p_.GetToken();
        if (p_.Token() != kTokIdentifier) {
            break;
        }
        name = p_.CurrentText();
        p_.GetToken();
    }
    if (p_.Token() == kTokSemicolon) {
        NextInTagMode();
    } else {
        SkipToSemicolon();
    }
    if (last != nullptr && !p_.CommentBuffer().empty() && p_.CommentLine() == line) {
        last->comment = p_.TakeComment();
    }
    return p_.Token() != kTokRBrace ? 1 : 0;
}

int OrvistalParser::ParseMethod(SourceSymbol* node, const std::string& name, const TypeText& type,
                                int modifiers, OwnedText comment, bool textMethod) {
    constexpr int kIllegal = kModGetable | kModSetable | kModMutual | kModSingleton | kModDelayed;
    int flags = modifiers;
    if ((modifiers & kIllegal) != 0) {
        p_.ReportParseError(node, "illegal modifier for class method");
        flags &= ~kIllegal;
    }
    if ((modifiers & kModAbstract) != 0 && (node->flags & kModAbstract) == 0) {
        p_.ReportParseError(node, "abstract method not allowed in non-abstract class");
    }
    SourceSymbol* method = node->AddChild(lang_, name, std::nullopt, kNodeMethod, flags,
                                          type.ToHeapString(), std::nullopt, std::move(comment));
    if (p_.Token() != kTokLParen) {
        p_.SetTagMode(true);
        return p_.ReportParseError(method, "( expected");
    }
    p_.SetTagMode(false);
    p_.GetToken();
    while (p_.Token() != kTokRParen && p_.Token() != kTokEnd && p_.Token() != kTokSemicolon &&
           p_.Token() != kTokRBrace) {
        TypeText parameterType;
        p_.ParseTypeName(parameterType);
        std::string parameterName;
        if (p_.Token() == kTokIdentifier) {
            parameterName = p_.CurrentText();
            p_.GetToken();
            while (p_.Token() == kTokLBracket) {
                TypeText group;
                p_.SkipBalanced(group, true, false);
                parameterType.AppendToken(kTokIdentifier, group.Text());
            }
        } else if (p_.Token() != kTokComma && p_.Token() != kTokRParen &&
                   p_.Token() != kTokAssign) {
            p_.SetTagMode(true);
            return p_.ReportParseError(method, "identifier or , or ) expected");
        }
        SourceSymbol* parameter =
            method->AddChild(lang_, parameterName, std::nullopt, kNodeParameter, 0,
                             parameterType.ToHeapString(), std::nullopt, std::nullopt);
        if (p_.Token() == kTokAssign) {
            p_.GetToken();
            TypeText value;
            p_.SkipBalanced(value, false, true);
            parameter->text2 = value.Text();
        }
        if (p_.Token() == kTokComma) {
            p_.GetToken();
        }
    }
    p_.SetTagMode(true);
    if (p_.Token() != kTokRParen) {
        return p_.ReportParseError(method, ") expected");
    }
    p_.GetToken();

    if (textMethod) {
        while (p_.Token() != kTokGreater && p_.Token() != kTokEnd) {
            p_.GetToken();
        }
        if (p_.Token() == kTokEnd) {
            return p_.ReportParseError(method, "'>' expected");
        }
        p_.GetToken();
        while (p_.Token() != kTokEnd &&
               !(p_.Token() == kTokCloseTag && p_.CurrentText().starts_with("text"))) {
            p_.GetToken();
        }
        if (p_.Token() == kTokEnd) {
            return p_.ReportParseError(method, "</text> expected");
        }
        p_.GetToken();
        return p_.Token() != kTokRBrace ? 1 : 0;
    }
    if (p_.Token() == kTokSemicolon) {
        if ((modifiers & kModAbstract) == 0) {
            p_.ReportParseError(method, "non-abstract method implementation required in class");
        }
        p_.GetToken();
        return p_.Token() != kTokRBrace ? 1 : 0;
    }
    if (p_.Token() == kTokLBrace) {
        if ((modifiers & kModAbstract) != 0) {
            p_.ReportParseError(method, "abstract method should have no implementation");
        }
        if (p_.SkipBody(method, false) == 0) {
            return 0;
        }
        return p_.Token() != kTokRBrace ? 1 : 0;
    }
    p_.ReportParseError(method, "syntax error");
    SkipToSemicolon();
    return p_.Token() != kTokRBrace ? 1 : 0;
}

} // namespace

int ParseOrvistalInput(SourceParser& parser) {
    OrvistalParser orvistal(parser);
    return orvistal.ParseFile();
}

int SourceParser::ParseOrvistalFile(const std::string& path) {
    if (!OpenSourceFile(path)) {
        return 0;
    }
    ParseOrvistalInput(*this);
    return CloseSourceFile() == 0 ? 1 : 0;
}

} // namespace qm
