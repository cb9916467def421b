// The type declarations that Java, C# and PHP share: a class or interface
// (C#: also a struct) with its type parameters and base list, and its members
// (fields and C# properties, methods with their parameters and thrown
// exceptions, nested types, enumerations). Method bodies are skipped by the
// shared body skipper, which captures them when asked.
#include "reverse/LanguageParsers.h"

#include "reverse/SourceLanguage.h"

#include <cctype>
#include <utility>

namespace qm {

namespace {

constexpr int kAbstract = KeywordToken("abstract");
constexpr int kClass = KeywordToken("class");
constexpr int kConst = KeywordToken("const");
constexpr int kDefault = KeywordToken("default");
constexpr int kDelegate = KeywordToken("delegate");
constexpr int kEnum = KeywordToken("enum");
constexpr int kEvent = KeywordToken("event");
constexpr int kExtends = KeywordToken("extends");
constexpr int kExtern = KeywordToken("extern");
constexpr int kFinal = KeywordToken("final");
constexpr int kFunction = KeywordToken("function");
constexpr int kImplements = KeywordToken("implements");
constexpr int kIn = KeywordToken("in");
constexpr int kInterface = KeywordToken("interface");
constexpr int kInternal = KeywordToken("internal");
constexpr int kNative = KeywordToken("native");
constexpr int kNew = KeywordToken("new");
constexpr int kOperator = KeywordToken("operator");
constexpr int kOut = KeywordToken("out");
constexpr int kOverride = KeywordToken("override");
constexpr int kParams = KeywordToken("params");
constexpr int kPartial = KeywordToken("partial");
constexpr int kPrivate = KeywordToken("private");
constexpr int kProtected = KeywordToken("protected");
constexpr int kPublic = KeywordToken("public");
constexpr int kReadonly = KeywordToken("readonly");
constexpr int kRef = KeywordToken("ref");
constexpr int kSealed = KeywordToken("sealed");
constexpr int kStatic = KeywordToken("static");
constexpr int kStruct = KeywordToken("struct");
constexpr int kSynchronized = KeywordToken("synchronized");
constexpr int kThis = KeywordToken("this");
constexpr int kThrows = KeywordToken("throws");
constexpr int kTransient = KeywordToken("transient");
constexpr int kUnsafe = KeywordToken("unsafe");
constexpr int kUse = KeywordToken("use");
constexpr int kVirtual = KeywordToken("virtual");
constexpr int kVolatile = KeywordToken("volatile");
constexpr int kWhere = KeywordToken("where");

// Types nested deeper than this are skipped whole, so that hostile input
// cannot exhaust the stack.
constexpr int kMaxTypeNesting = 64;

bool IsJavaMemberModifier(int t) {
    return t == kPrivate || t == kProtected || t == kPublic || t == kStatic || t == kAbstract ||
           t == kFinal || t == kVolatile || t == kTransient || t == kSynchronized || t == kNative;
}

bool IsCSharpMemberModifier(int t) {
    return t == kNew || t == kPublic || t == kProtected || t == kInternal || t == kPrivate ||
           t == kAbstract || t == kSealed || t == kStatic || t == kPartial || t == kVirtual ||
           t == kOverride || t == kExtern || t == kConst || t == kReadonly || t == kVolatile ||
           t == kUnsafe;
}

bool IsClassLike(const SourceSymbol* s) {
    return s->kind == kNodeClass || s->kind == kNodeInterface;
}

} // namespace

bool JavaFamilyParser::ReadSealedWord(SourceParser& parser, int& modifiers) {
    if (parser.Token() != kTokIdentifier) {
        return false;
    }
    if (parser.CurrentText() == "sealed") {
        modifiers |= kModSealed;
        parser.GetToken();
        return true;
    }
    if (parser.CurrentText() == "strictfp") {
        parser.GetToken();
        return true;
    }
    if (parser.CurrentText() == "non") {
        parser.GetToken(); // non-sealed
        if (parser.Token() == kTokMinus) {
            parser.GetToken();
            if (parser.Token() == kTokIdentifier && parser.CurrentText() == "sealed") {
                modifiers |= kModNonSealed;
                parser.GetToken();
            }
        }
        return true;
    }
    return false;
}

void JavaFamilyParser::AddFileImport(const std::string& import) {
    // A file's imports are few; a bound keeps a hostile file from growing
    // every master's record without end.
    constexpr size_t kMaxImports = 64 * 1024;
    if (fileImports_.size() + import.size() + 1 > kMaxImports) {
        return;
    }
    if (!fileImports_.empty()) {
        fileImports_ += '\n';
    }
    fileImports_ += import;
}

JavaFamilyParser::JavaFamilyParser(SourceParser& parser)
    : p_(parser),
      lang_(parser.Language()),
      java_(lang_ == kLangJava),
      csharp_(lang_ == kLangCSharp),
      php_(lang_ == kLangPhp) {}

// A type text as it is kept: a C# tuple type, the only type that starts
// with "(", keeps its elements ("(int, string)"), which the shared rule would
// shorten to "(...)".
std::string JavaFamilyParser::HeapTypeText(const TypeText& type) const {
    if (csharp_ && !type.IsEmpty() && type.Text().front() == '(') {
        return std::string(type.Text());
    }
    return type.ToHeapString();
}

bool JavaFamilyParser::IsAnnotation() const {
    return java_ && p_.Token() == kTokIdentifier && p_.CurrentText().size() > 1 &&
           p_.CurrentText()[0] == '@' && p_.CurrentText() != "@interface";
}

// Java's "permits" where a base list goes on; no keyword of the tables.
bool JavaFamilyParser::IsPermitsWord() const {
    return java_ && p_.Token() == kTokIdentifier && p_.CurrentText() == "permits";
}

bool JavaFamilyParser::IsTypeKeyword() const {
    int t = p_.Token();
    return t == kClass || t == kInterface || (csharp_ && t == kStruct) || IsInterfaceWord(p_) ||
           IsRecordWord(p_);
}

// "record" where a type declaration may begin (Java 16, C# 9); the keyword
// tables have no such word.
bool JavaFamilyParser::IsRecordWord(const SourceParser& parser) {
    return parser.Token() == kTokIdentifier && parser.CurrentText() == "record" &&
           (parser.Language() == kLangJava || parser.Language() == kLangCSharp);
}

// The word that declares an interface where the keyword table has none:
// C# (whose table row lacks it) and Java's annotation types (@interface).
bool JavaFamilyParser::IsInterfaceWord(const SourceParser& parser) {
    if (parser.Token() != kTokIdentifier) {
        return false;
    }
    return (parser.Language() == kLangCSharp && parser.CurrentText() == "interface") ||
           (parser.Language() == kLangJava && parser.CurrentText() == "@interface");
}

SourceSymbol* JavaFamilyParser::FindTopLevel(const std::string& name, int kind) const {
    for (SourceSymbol* s = p_.Find(lang_, name, std::nullopt); s != nullptr;
         s = s->sameName.get()) {
        if (s->kind == kind || (kind == 0 && IsClassLike(s))) {
            return s;
        }
    }
    return nullptr;
}

// @Name, @a.b.Name, each with an optional argument list.
int JavaFamilyParser::SkipAnnotation() {
    p_.GetToken();
    while (p_.Token() == kTokDot) {
        p_.GetToken();
        if (p_.Token() == kTokIdentifier) {
            p_.GetToken();
        }
    }
    if (p_.Token() == kTokLParen) {
        TypeText arguments;
        return p_.SkipBalanced(arguments, true, false);
    }
    return 1;
}

// class | interface | struct  Name [<params>] [bases] { members } | ;
int JavaFamilyParser::ParseType(SourceSymbol* enclosing, int modifiers) {
    if (depth_ >= kMaxTypeNesting) {
        p_.ReportParseError(enclosing, "types nested too deeply");
        SkipMemberRest();
        return 0;
    }
    const bool isRecord = IsRecordWord(p_);
    const bool isInterface = !isRecord && p_.Token() != kClass && p_.Token() != kStruct;
    OwnedText comment = p_.TakeComment();
    p_.GetToken();
    if (isRecord && (p_.Token() == kClass || p_.Token() == kStruct)) {
        p_.GetToken(); // C# record class, record struct
    }
    OwnedText name = p_.ParseQualifiedName();
    if (!name) {
        p_.ReportParseError(nullptr, "identifier expected after interface/class");
        if (p_.Token() != kTokEnd) {
            p_.GetToken();
        }
        return 0;
    }
    const int kind = isInterface ? kNodeInterface : kNodeClass;
    SourceSymbol* node = nullptr;
    if (enclosing != nullptr) {
        node = enclosing->AddChild(lang_, *name, NestedQualifier(*enclosing, "."), kind, modifiers,
                                   std::nullopt, std::nullopt, std::move(comment));
        node->flags = modifiers;
    } else {
        node = p_.FindOrInsert(lang_, *name, p_.CurrentNamespace());
        node->kind = kind;
        node->flags = modifiers;
        node->baseOnly = false;
        if (comment) {
            node->comment = std::move(comment);
        }
    }
    node->record = isRecord && java_;
    // Interfaces, records and enumerations are static wherever they are
    // nested, and so is every type nested in an interface.
    node->inner = java_ && enclosing != nullptr && enclosing->kind == kNodeClass && !isInterface &&
                  !isRecord && (modifiers & kModStatic) == 0;

    std::vector<std::string> typeParameters;
    std::vector<OwnedText> bounds;
    if (!php_ && p_.Token() == kTokLess && ParseTypeParameters(typeParameters, bounds) == 0) {
        return 0;
    }
    if (p_.Token() == kTokLParen && !isInterface && (isRecord || csharp_)) {
        // A record's components are its fields; a class's primary
        // constructor parameters are those of a constructor.
        auto components = std::make_unique<SourceSymbol>(*name, std::nullopt);
        components->kind = kNodeMethod;
        components->flags = kModPublic;
        if (ParseParameters(components.get()) == 0) {
            return 0;
        }
        if (isRecord) {
            for (SourceSymbol* c = components->firstChild.get(); c != nullptr; c = c->next.get()) {
                node->AddChild(lang_, c->name, std::nullopt, kNodeAttribute,
                               java_ ? kModPrivate | kModFinal : kModPublic, c->text1, std::nullopt,
                               std::nullopt);
            }
        } else {
            components->text1 = std::string();
            node->AppendChild(std::move(components));
        }
    }
    if (isInterface) {
        node->flags |= kModAbstract;
        if (java_ && (modifiers & kModFinal) != 0) {
            p_.ReportParseError(node, "interface cannot be final");
        }
    }
    if (p_.Token() == kTokSemicolon) {
        p_.GetToken();
        return 1;
    }
    if (enclosing == nullptr) {
        node->text2 = p_.FilePath();
        if (java_) {
            node->imports = fileImports_;
        }
    }

    int result = csharp_ ? ParseCSharpBaseList(node, enclosing)
                         : ParseBaseList(node, enclosing, isInterface);
    if (result != 0 && csharp_) {
        // Constraint clauses.
        while (p_.Token() != kTokLBrace && p_.Token() != kTokSemicolon && p_.Token() != kTokEnd) {
            p_.GetToken();
        }
        if (p_.Token() == kTokSemicolon) {
            p_.GetToken();
            result = 0; // nothing to read; the type parameters are still added
        }
    }
    if (result != 0) {
        if (p_.Token() != kTokLBrace) {
            result = p_.ReportParseError(node, "{ expected");
        } else {
            ++depth_;
            open_.push_back(node);
            result = ParseBody(node, isInterface);
            open_.pop_back();
            --depth_;
        }
    }
    for (size_t i = 0; i < typeParameters.size(); ++i) {
        const SourceSymbol* known = node->FindChild(lang_, typeParameters[i]);
        if (known != nullptr && known->kind == kNodeParameter) {
            continue; // declared again (a C# partial type)
        }
        node->AddChild(lang_, typeParameters[i], std::nullopt, kNodeParameter, 0,
                       i < bounds.size() ? bounds[i] : std::nullopt, std::nullopt, std::nullopt);
    }
    return result;
}

// < T [extends ...] , ... >   (Java)     < [in|out] T , ... >   (C#)
// A Java parameter's bound is kept beside its name ("Comparable<T>" of
// "T extends Comparable<T>"), none where it has none.
int JavaFamilyParser::ParseTypeParameters(std::vector<std::string>& names,
                                          std::vector<OwnedText>& bounds) {
    constexpr size_t kMaxTypeParameters = 16;
    p_.GetToken();
    for (;;) {
        while (IsAnnotation() || (csharp_ && p_.Token() == kTokLBracket)) {
            if (csharp_) {
                TypeText attributes;
                p_.SkipBalanced(attributes, true, false);
            } else {
                SkipAnnotation();
            }
        }
        if (csharp_ && (p_.Token() == kIn || p_.Token() == kOut)) {
            p_.GetToken(); // variance
        }
        if (p_.Token() != kTokIdentifier) {
            return p_.ReportParseError(nullptr, java_ ? "generic parameter expected"
                                                      : "identifier expected");
        }
        const bool kept = names.size() < kMaxTypeParameters;
        if (kept) {
            names.push_back(p_.CurrentText());
            bounds.emplace_back();
        }
        p_.GetToken();
        if (csharp_) {
            int t = p_.Token();
            if (t == kTokComma) {
                p_.GetToken();
                continue;
            }
            if (t == kTokGreater) {
                p_.GetToken();
                return 1;
            }
            if (t == kTokSemicolon || t == kWhere || t == kTokLBrace) {
                return 1;
            }
            return p_.ReportParseError(nullptr, "identifier expected");
        }
        // Java: the bounds, up to the "," or ">" of this list.
        const bool bounded = p_.Token() == kExtends;
        if (bounded) {
            p_.GetToken();
        }
        TypeText bound;
        auto keepBound = [&] {
            if (kept && bounded && !bound.IsEmpty() && !bound.WasCut()) {
                bounds.back() = bound.Text();
            }
        };
        int depth = 1;
        for (;;) {
            int t = p_.Token();
            if (t == kTokEnd || t == kTokSemicolon || t == kTokLBrace || t == kTokLParen) {
                return p_.ReportParseError(nullptr, "> or , expected");
            }
            if (t == kTokComma && depth == 1) {
                keepBound();
                p_.GetToken();
                break;
            }
            if (t == kTokLess) {
                ++depth;
            } else if (t == kTokGreater) {
                --depth;
            } else if (t == kTokShiftRight) {
                depth -= 2;
            }
            if (depth > 0) {
                bound.AppendToken(t, p_.CurrentText());
            } else if (depth == 0 && t == kTokShiftRight) {
                bound.AppendToken(kTokGreater, ">"); // ">>" closes the bound and the list
            }
            p_.GetToken();
            if (depth == 0) {
                keepBound();
            }
            if (depth <= 0) {
                return 1;
            }
        }
    }
}

// A base name: the qualified-name reader; PHP names may also be written
// with backslashes (\Ns\Name). The last part is the result.
OwnedText JavaFamilyParser::ParseBaseName() {
    if (!php_) {
        return p_.ParseQualifiedName();
    }
    OwnedText last;
    bool separatorLast = false;
    if (p_.Token() == kTokBackslash) {
        p_.GetToken();
    }
    while (p_.Token() == kTokIdentifier) {
        last = p_.CurrentText();
        separatorLast = false;
        p_.GetToken();
        if (p_.Token() != kTokBackslash && p_.Token() != kTokDot) {
            break;
        }
        separatorLast = true;
        p_.GetToken();
    }
    if (separatorLast) {
        return std::nullopt;
    }
    return last;
}

SourceSymbol* JavaFamilyParser::FindBase(const std::string& name, SourceSymbol* enclosing,
                                         int kind) const {
    // A type nested beside the declaring one is meant before any other, then
    // a type around it or nested in one around it, innermost first (a
    // nested type may extend the type that holds it, or a sibling of it).
    std::vector<SourceSymbol*> scopes = open_;
    if (enclosing != nullptr && (scopes.empty() || scopes.back() != enclosing)) {
        scopes.push_back(enclosing);
    }
    for (auto scope = scopes.rbegin(); scope != scopes.rend(); ++scope) {
        for (SourceSymbol* c = (*scope)->firstChild.get(); c != nullptr; c = c->next.get()) {
            if (IsClassLike(c) && SourceSymbolTable::CompareNames(lang_, c->name, name) == 0) {
                return c;
            }
        }
        if (*scope != enclosing && IsClassLike(*scope) &&
            SourceSymbolTable::CompareNames(lang_, (*scope)->name, name) == 0) {
            return *scope;
        }
    }
    if (SourceSymbol* found = FindTopLevel(name, kind)) {
        return found;
    }
    SourceSymbol* base = p_.FindOrInsert(lang_, name, p_.CurrentNamespace());
    if (base->kind == 0) {
        // Known only as a base until a declaration of the run names it: it is
        // declared elsewhere (a library's type) and gets no code of its own.
        base->kind = kind;
        base->baseOnly = java_;
    }
    return base;
}

void JavaFamilyParser::AddBaseLink(SourceSymbol* node, SourceSymbol* base, int linkKind,
                                   OwnedText arguments) {
    node->AddChild(lang_, base->name, base->qualifier, linkKind, 0, std::move(arguments),
                   std::nullopt, std::nullopt);
}

// { extends A [, B] | implements I [, J] } ... {
int JavaFamilyParser::ParseBaseList(SourceSymbol* node, SourceSymbol* enclosing, bool isInterface) {
    bool extended = false;
    while (p_.Token() != kTokLBrace) {
        bool implements = false;
        if (p_.Token() == kExtends) {
            if (extended && !isInterface) {
                p_.ReportParseError(node, "a class can only extend a single class");
            }
            extended = true;
        } else if (IsPermitsWord()) {
            // The permitted subclasses of a sealed type name no base: each
            // derives from this type, which their own declarations record.
            p_.GetToken();
            for (;;) {
                if (!ParseBaseName()) {
                    return p_.ReportParseError(node, "bad permits list");
                }
                if (p_.Token() != kTokComma) {
                    break;
                }
                p_.GetToken();
            }
            if (p_.Token() != kTokLBrace && p_.Token() != kExtends && p_.Token() != kImplements) {
                return p_.ReportParseError(node, "extends or implements, or { expected");
            }
            continue;
        } else if (p_.Token() == kImplements) {
            if (isInterface) {
                p_.ReportParseError(node, "an interface cannot implement anything");
            }
            implements = true;
        } else {
            return p_.ReportParseError(node, "{ expected");
        }
        p_.GetToken();
        for (;;) {
            OwnedText name = ParseBaseName();
            if (!name) {
                return p_.ReportParseError(node, "bad extends/implements list");
            }
            // The type arguments of a generic base go with it ("<ThaiBuddhistDate>"),
            // so that the class derives from that instance again, not the raw type.
            OwnedText arguments;
            std::string written = p_.QualifiedName();
            for (;;) {
                arguments.reset();
                if (p_.Token() == kTokLess) {
                    TypeText text;
                    p_.SkipGenericArguments(text, true);
                    if (!text.IsEmpty() && !text.WasCut()) {
                        arguments = text.Text();
                    }
                }
                if (!java_ || p_.Token() != kTokDot) {
                    break;
                }
                // A type nested in a generic one: Outer<A>.Inner. The outer
                // type's arguments are not kept.
                p_.GetToken();
                name = ParseBaseName();
                if (!name) {
                    return p_.ReportParseError(node, "bad extends/implements list");
                }
                written += "." + p_.QualifiedName();
            }
            int kind = implements || isInterface ? kNodeInterface : kNodeClass;
            const int linkKind = implements ? kNodeImplements : kNodeBaseClass;
            if (java_ && written.size() > name->size()) {
                // Outer.Inner names a nested type, a.b.C a type of package
                // a.b; either may be declared in a file read later: the run
                // resolves the name once all are read.
                SourceSymbol* link = node->AddChild(
                    lang_, *name, written.substr(0, written.size() - name->size() - 1), linkKind, 0,
                    std::move(arguments), std::nullopt, std::nullopt);
                link->nestedPath = true;
            } else {
                AddBaseLink(node, FindBase(*name, enclosing, kind), linkKind, std::move(arguments));
            }
            int t = p_.Token();
            if (t == kTokComma) {
                p_.GetToken();
                continue;
            }
            if (t == kTokLBrace || t == kExtends || t == kImplements || IsPermitsWord()) {
                break;
            }
            return p_.ReportParseError(node, "extends or implements, or { expected");
        }
    }
    return 1;
}

// : Base, IFace, ...   up to { or where
int JavaFamilyParser::ParseCSharpBaseList(SourceSymbol* node, SourceSymbol* enclosing) {
    if (p_.Token() != kTokColon) {
        return 1;
    }
    p_.GetToken();
    bool implements = false;
    for (;;) {
        OwnedText name = p_.ParseQualifiedName();
        if (!name) {
            return p_.ReportParseError(node, "bad base class/interface list");
        }
        // A generic base keeps its type arguments, as a Java one does.
        OwnedText typeArguments;
        if (p_.Token() == kTokLess) {
            TypeText text;
            p_.SkipGenericArguments(text, true);
            if (!text.IsEmpty() && !text.WasCut()) {
                typeArguments = text.Text();
            }
        }
        if (p_.Token() == kTokLParen) {
            TypeText arguments; // the base's primary constructor arguments
            p_.SkipBalanced(arguments, true, false);
        }
        SourceSymbol* base = nullptr;
        if (enclosing != nullptr) {
            for (SourceSymbol* c = enclosing->firstChild.get(); c != nullptr; c = c->next.get()) {
                if (IsClassLike(c) && c->name == *name) {
                    base = c;
                    break;
                }
            }
        }
        if (base == nullptr) {
            base = FindTopLevel(*name, 0);
        }
        if (base != nullptr) {
            // Once an interface is named by a class, it and all later bases
            // are implemented.
            if (base->kind == kNodeInterface && node->kind == kNodeClass) {
                implements = true;
            }
        } else {
            base = p_.FindOrInsert(lang_, *name, p_.CurrentNamespace());
            if (base->kind == 0) {
                base->kind = implements ? kNodeInterface : node->kind;
            }
        }
        AddBaseLink(node, base, implements ? kNodeImplements : kNodeBaseClass,
                    std::move(typeArguments));
        int t = p_.Token();
        if (t == kTokComma) {
            p_.GetToken();
            continue;
        }
        if (t == kTokLBrace || t == kWhere || t == kTokSemicolon) {
            return 1;
        }
        return p_.ReportParseError(node, "where or { expected");
    }
}

// { member ... }   with the current token on "{".
int JavaFamilyParser::ParseBody(SourceSymbol* node, bool isInterface) {
    p_.GetToken();
    return ParseMembers(node, isInterface);
}

// member ... }   (the "}" and C#'s ";" after it consumed).
int JavaFamilyParser::ParseMembers(SourceSymbol* node, bool isInterface) {
    InitializerBlocks blocks;
    InitializerBlocks* outer = std::exchange(blocks_, &blocks);
    while (p_.Token() != kTokRBrace && p_.Token() != kTokEnd) {
        if (ParseMember(node, isInterface) == 0) {
            SkipMemberRest();
        }
    }
    blocks_ = outer;
    AddInitializers(node, blocks);
    if (p_.Token() != kTokRBrace) {
        return 0;
    }
    p_.GetToken();
    if (csharp_ && p_.Token() == kTokSemicolon) {
        p_.GetToken();
    }
    return 1;
}

// A Java initializer block, the current token on its "{": its code, when
// method code is kept, goes with the blocks of the type being read.
void JavaFamilyParser::ReadInitializerBlock(bool isStatic) {
    SourceSymbol block(std::string(), std::nullopt);
    if (p_.SkipBody(&block, false) == 0 || !block.text2 || blocks_ == nullptr) {
        return;
    }
    (isStatic ? blocks_->statics : blocks_->instances).push_back(std::move(*block.text2));
}

// A type's initializer blocks become two operations without return type or
// parameters, each holding the code of its blocks: "static" (a keyword, so
// no method can have the name) for the static ones, "initializer" for the
// instance ones. Several blocks of a kind are joined as nested blocks of one
// body, in source order, so each keeps its own local names; Java runs them
// in that order with the field initialisers, which generated code writes
// before them.
void JavaFamilyParser::AddInitializers(SourceSymbol* node, const InitializerBlocks& blocks) {
    auto add = [&](const std::vector<std::string>& code, const char* name, int flags) {
        if (code.empty() || node == nullptr) {
            return;
        }
        std::string text = code.front();
        if (code.size() > 1) {
            text = "{";
            for (const std::string& block : code) {
                text += "\r\n" + block;
            }
            text += "\r\n}";
        }
        node->AddChild(lang_, name, std::nullopt, kNodeMethod, flags, std::nullopt, std::move(text),
                       std::nullopt);
    };
    add(blocks.statics, "static", kModStatic);
    add(blocks.instances, "initializer", 0);
}

// The rest of a member after an error: up to and including its ";" or its
// braced block, never past the "}" that closes the type.
void JavaFamilyParser::SkipMemberRest() {
    while (p_.Token() != kTokEnd && p_.Token() != kTokRBrace) {
        if (p_.Token() == kTokSemicolon) {
            p_.GetToken();
            return;
        }
        if (p_.Token() == kTokLBrace) {
            p_.SkipBody(nullptr, false);
            return;
        }
        p_.GetToken();
    }
}

// The constants of a Java enumeration, the current token after its "{":
// each (after its annotations) an identifier handed to add with the text of
// its optional arguments and class body ("" without either). Returns 1 after
// the closing "}", 2 after a ";" that ends the constants (the enumeration's
// own members follow), 0 after an error (the enumeration skipped to past its
// "}").
int JavaFamilyParser::ReadEnumConstants(SourceSymbol* node,
                                        const std::function<void(std::string, std::string)>& add) {
    for (;;) {
        while (IsAnnotation()) {
            SkipAnnotation();
        }
        int t = p_.Token();
        if (t == kTokRBrace) {
            p_.GetToken();
            return 1;
        }
        if (t == kTokSemicolon) {
            p_.GetToken();
            return 2;
        }
        if (t != kTokIdentifier) {
            p_.ReportParseError(node, ", or } expected");
            SkipPastEnumEnd();
            return 0;
        }
        std::string constant = p_.CurrentText();
        p_.GetToken();
        std::string rest;
        bool whole = true;
        if (p_.Token() == kTokLParen) {
            whole = ReadBracketedCode(rest) && whole;
        }
        if (p_.Token() == kTokLBrace) {
            whole = ReadBracketedCode(rest) && whole;
        }
        add(std::move(constant), whole ? std::move(rest) : std::string());
        if (p_.Token() == kTokComma) {
            p_.GetToken();
        } else if (p_.Token() != kTokRBrace && p_.Token() != kTokSemicolon) {
            p_.ReportParseError(node, ", or } expected");
            SkipPastEnumEnd();
            return 0;
        }
    }
}

// The code from the current bracket to the one that closes it, appended to
// text as Java reads it again: a blank between two tokens that would
// otherwise run together ("return 1"), none elsewhere. False when the code is
// too long to keep or ends before its bracket closes (the text is then cut).
bool JavaFamilyParser::ReadBracketedCode(std::string& text) {
    auto wordChar = [](unsigned char c) {
        return std::isalnum(c) != 0 || c == '_' || c == '$' || c >= 0x80;
    };
    int depth = 0;
    bool whole = true;
    do {
        const int t = p_.Token();
        if (t == kTokEnd) {
            return false;
        }
        if (t == kTokLBrace || t == kTokLParen || t == kTokLBracket) {
            ++depth;
        } else if (t == kTokRBrace || t == kTokRParen || t == kTokRBracket) {
            --depth;
        }
        const std::string_view piece = TokenText(t, p_.CurrentText());
        if (whole && text.size() + piece.size() + 1 > TypeText::kMaxValueLength) {
            whole = false;
        }
        if (whole && !piece.empty()) {
            if (!text.empty() && wordChar(static_cast<unsigned char>(text.back())) &&
                wordChar(static_cast<unsigned char>(piece.front()))) {
                text.push_back(' ');
            }
            text.append(piece);
        }
        p_.GetToken();
    } while (depth > 0);
    return whole;
}

// Skips to the "}" that closes the enumeration being read and past it.
void JavaFamilyParser::SkipPastEnumEnd() {
    int depth = 1;
    while (p_.Token() != kTokEnd) {
        if (p_.Token() == kTokLBrace) {
            ++depth;
        } else if (p_.Token() == kTokRBrace && --depth == 0) {
            p_.GetToken();
            return;
        }
        p_.GetToken();
    }
}

// A Java enumeration nested in a type: constants, each with optional
// arguments and a class body, then after ";" the enumeration's own members,
// which are skipped.
int JavaFamilyParser::ParseJavaEnum(SourceSymbol* parent, OwnedText comment, int flags) {
    p_.GetToken();
    std::string name = " ";
    if (p_.Token() == kTokIdentifier) {
        name = p_.CurrentText();
        p_.GetToken();
    }
    // A named one is a nested class, as a top-level enumeration is: a type
    // could hold neither its implements clause, nor its constants' arguments
    // and bodies, nor its fields, constructors and methods.
    if (name != " " && depth_ < kMaxTypeNesting) {
        SourceSymbol* nested =
            parent->AddChild(lang_, name, NestedQualifier(*parent, "."), kNodeClass, flags,
                             std::nullopt, std::nullopt, std::move(comment));
        nested->flags = flags | kModFinal;
        return ReadEnumClass(nested, parent, name);
    }
    SourceSymbol* node = parent->AddChild(lang_, name, std::nullopt, kNodeEnumeration, flags,
                                          std::nullopt, std::nullopt, std::move(comment));
    while (p_.Token() != kTokLBrace) {
        if (p_.Token() == kTokSemicolon || p_.Token() == kTokEnd) {
            p_.ReportParseError(node, "{ expected");
            p_.SkipDeclaration();
            return 0;
        }
        p_.GetToken();
    }
    p_.GetToken();
    const int read = ReadEnumConstants(node, [&](std::string constant, std::string) {
        node->AddChild(lang_, std::move(constant), std::nullopt, kNodeParameter, 0, std::nullopt,
                       std::nullopt, std::nullopt);
    });
    if (read == 0) {
        return 0;
    }
    if (read == 2) {
        SkipPastEnumEnd();
    }
    if (p_.Token() == kTokSemicolon) {
        p_.GetToken();
    }
    return 1;
}

int JavaFamilyParser::ParseJavaTopLevelEnum(int modifiers) {
    OwnedText comment = p_.TakeComment();
    p_.GetToken();
    if (p_.Token() != kTokIdentifier) {
        p_.ReportParseError(nullptr, "identifier expected after enum");
        p_.SkipDeclaration();
        return 0;
    }
    const std::string name = p_.CurrentText();
    SourceSymbol* node = p_.FindOrInsert(lang_, name, p_.CurrentNamespace());
    node->kind = kNodeClass;
    // An enumeration cannot be extended.
    node->flags = modifiers | kModFinal;
    if (comment) {
        node->comment = std::move(comment);
    }
    node->text2 = p_.FilePath();
    node->imports = fileImports_;
    p_.GetToken();
    return ReadEnumClass(node, nullptr, name);
}

// An enumeration read as a class, from its implements clause on: each
// constant a public static final attribute of its own type, valued with its
// arguments and class body, then after ";" the members of a class body.
int JavaFamilyParser::ReadEnumClass(SourceSymbol* node, SourceSymbol* enclosing,
                                    const std::string& name) {
    if (ParseBaseList(node, enclosing, false) == 0) {
        return 0;
    }
    if (p_.Token() != kTokLBrace) {
        return p_.ReportParseError(node, "{ expected");
    }
    p_.GetToken();
    ++depth_;
    open_.push_back(node);
    node->enumeration = true;
    int read = ReadEnumConstants(node, [&](std::string constant, std::string rest) {
        node->AddChild(lang_, std::move(constant), std::nullopt, kNodeAttribute,
                       kModPublic | kModStatic | kModFinal, name,
                       rest.empty() ? OwnedText() : OwnedText(std::move(rest)), std::nullopt);
    });
    if (read == 2) {
        read = ParseMembers(node, false);
    }
    open_.pop_back();
    --depth_;
    return read == 0 ? 0 : 1;
}

// An initial value, up to the "," or ";" outside brackets. The type
// arguments after "new" (new HashMap<K, V>()) are taken whole, so that their
// commas do not end the value.
void JavaFamilyParser::ReadInitializer(TypeText& text) {
    int depth = 0;
    for (;;) {
        int t = p_.Token();
        if (t == kTokEnd || (depth == 0 && (t == kTokSemicolon || t == kTokComma))) {
            return;
        }
        if (t == kTokLBrace || t == kTokLParen || t == kTokLBracket) {
            if (depth == SourceParser::kMaxBlockDepth) {
                p_.ReportParseError(nullptr, "block stack overflow");
                return;
            }
            ++depth;
        } else if (t == kTokRBrace || t == kTokRParen || t == kTokRBracket) {
            if (depth == 0) {
                return;
            }
            --depth;
        }
        text.AppendToken(t, p_.CurrentText());
        p_.GetToken();
        if (t == kNew) {
            while (p_.Token() == kTokIdentifier || p_.Token() == kTokDot) {
                text.AppendToken(p_.Token(), p_.CurrentText());
                p_.GetToken();
            }
            if (p_.Token() == kTokLess) {
                p_.SkipGenericArguments(text, true);
            }
        }
    }
}

// One member; non-zero unless the token after it is "}" (or an error).
int JavaFamilyParser::ParseMember(SourceSymbol* node, bool isInterface) {
    const int line = p_.LineCount();
    int modifiers = 0;
    bool isDefault = false;
    for (;;) {
        int t = p_.Token();
        if (IsAnnotation()) {
            SkipAnnotation();
        } else if (java_ && t == kDefault) {
            isDefault = true; // an interface method with a body
            p_.GetToken();
        } else if (csharp_ && t == kTokLBracket) {
            TypeText attributes;
            if (p_.SkipBalanced(attributes, true, false) == 0) {
                return 0;
            }
        } else if (csharp_ ? IsCSharpMemberModifier(t) : IsJavaMemberModifier(t)) {
            modifiers |= ModifierBitOf(t);
            p_.GetToken();
        } else if (java_ && ReadSealedWord(p_, modifiers)) {
        } else {
            break;
        }
    }

    if (p_.Token() == kTokLBrace) {
        if (java_ && isInterface) {
            p_.ReportParseError(node, "class initialization block not allowed in interface");
            p_.SkipBody(nullptr, false);
        } else if (java_) {
            ReadInitializerBlock((modifiers & kModStatic) != 0);
        } else {
            p_.SkipBody(nullptr, false);
        }
        return p_.Token() != kTokRBrace ? 1 : 0;
    }
    if (IsTypeKeyword()) {
        int result = ParseType(node, modifiers);
        return result != 0 && p_.Token() != kTokRBrace ? 1 : 0;
    }
    if (csharp_ && (p_.Token() == kDelegate || p_.Token() == kEvent)) {
        SkipMemberRest();
        return p_.Token() != kTokRBrace ? 1 : 0;
    }
    if (php_ && p_.Token() == kUse) {
        SkipMemberRest(); // trait use
        return p_.Token() != kTokRBrace ? 1 : 0;
    }

    OwnedText comment = p_.TakeComment();
    if ((java_ || csharp_) && p_.Token() == kEnum) {
        int result = java_ ? ParseJavaEnum(node, std::move(comment), modifiers)
                           : p_.ParseEnum(node, std::move(comment), modifiers);
        return result != 0 && p_.Token() != kTokRBrace ? 1 : 0;
    }

    TypeText type;
    for (;;) {
        int t = p_.Token();
        if (t == kTokSemicolon) {
            p_.GetToken();
            return p_.Token() != kTokRBrace ? 1 : 0;
        }
        if (t == kTokRBrace || t == kTokEnd) {
            return 0;
        }
        if (php_ && t == kFunction) {
            p_.GetToken();
            if (p_.Token() == kTokAmp) {
                p_.GetToken();
            }
            if (p_.Token() == kTokEnd) {
                return 0;
            }
            std::string name(TokenText(p_.Token(), p_.CurrentText()));
            p_.GetToken();
            if (p_.Token() == kTokLParen) {
                return ParseMethod(node, isInterface, name, type, modifiers, std::move(comment),
                                   false);
            }
            continue;
        }
        if (t == kTokIdentifier && !type.IsEmpty() && type.Text().back() == '.') {
            type.AppendToken(t, p_.CurrentText()); // a qualified type name goes on
            p_.GetToken();
            continue;
        }
        if (t == kTokIdentifier) {
            std::string name = p_.CurrentText();
            p_.GetToken();
            int next = p_.Token();
            if (next == kTokLParen) {
                if (csharp_ && !type.IsEmpty() && type.Text().back() == '~') {
                    type.Clear();
                    name = "~" + name;
                }
                return ParseMethod(node, isInterface, name, type, modifiers, std::move(comment),
                                   isDefault);
            }
            if (csharp_ && next == kTokLess) {
                // A generic method, or a generic type followed by more.
                TypeText arguments;
                p_.SkipGenericArguments(arguments, true);
                if (p_.Token() == kTokLParen) {
                    return ParseMethod(node, isInterface, name, type, modifiers, std::move(comment),
                                       isDefault);
                }
                type.AppendToken(kTokIdentifier, name);
                type.AppendToken(kTokIdentifier, arguments.Text());
                continue;
            }
            // "[" after a name starts an array field (int a[];) unless the
            // text so far is only a method's type parameter list.
            bool arrayField =
                !csharp_ && next == kTokLBracket && !type.IsEmpty() && type.Text().front() != '<';
            if (next == kTokComma || next == kTokAssign || next == kTokSemicolon ||
                (csharp_ && next == kTokLBrace) || arrayField) {
                return ParseField(node, isInterface, name, type, modifiers, std::move(comment),
                                  line);
            }
            type.AppendToken(kTokIdentifier, name);
            continue;
        }
        if (t == kTokLess) {
            p_.SkipGenericArguments(type, true);
            continue;
        }
        if (csharp_ && t == kTokLParen && type.IsEmpty()) {
            // A tuple type: (int, string) Name
            TypeText tuple;
            p_.SkipBalanced(tuple, true, false);
            type.AppendToken(kTokIdentifier, tuple.Text());
            continue;
        }
        if (csharp_ && t == kOperator) {
            TypeText name;
            name.AppendToken(kTokIdentifier, "operator");
            p_.GetToken();
            if (p_.Token() == kTokEnd) {
                return 0;
            }
            name.AppendToken(p_.Token(), p_.CurrentText());
            p_.GetToken();
            if (p_.Token() == kTokLParen) {
                return ParseMethod(node, isInterface, name.Text(), type, modifiers,
                                   std::move(comment), false);
            }
            type.AppendToken(kTokIdentifier, name.Text());
            continue;
        }
        if (t == kTokLBrace) {
            // A block where no member shape fits (a C# indexer's accessors):
            // skipped with what came before it.
            p_.SkipBody(nullptr, false);
            return p_.Token() != kTokRBrace ? 1 : 0;
        }
        type.AppendToken(t, p_.CurrentText());
        p_.GetToken();
    }
}

// One field declaration (or C# property) from its first name on.
int JavaFamilyParser::ParseField(SourceSymbol* node, bool isInterface, std::string name,
                                 TypeText& type, int modifiers, OwnedText comment, int line) {
    int flags = modifiers;
    if (java_) {
        int illegal = kModAbstract | kModSynchronized | kModNative;
        if (isInterface) {
            illegal |= kModPrivate | kModProtected | kModVolatile | kModTransient;
        }
        if ((modifiers & illegal) != 0) {
            p_.ReportParseError(node, "illegal modifier for class/interface field");
        }
    }
    if (isInterface && !php_) {
        flags = kModPublic | kModStatic | kModFinal;
    } else if (java_) {
        flags &= ~(kModAbstract | kModSynchronized | kModNative);
    } else if (csharp_) {
        flags &= ~kModAbstract;
    }

    const size_t base = type.Length();
    SourceSymbol* last = nullptr;
    bool property = false;
    for (;;) {
        while (!csharp_ && p_.Token() == kTokLBracket) {
            while (p_.Token() != kTokRBracket && p_.Token() != kTokEnd &&
                   p_.Token() != kTokSemicolon) {
                type.AppendToken(p_.Token(), p_.CurrentText());
                p_.GetToken();
            }
            if (p_.Token() != kTokRBracket) {
                break;
            }
            type.AppendToken(kTokRBracket, "");
            p_.GetToken();
        }
        int t = p_.Token();
        if (t != kTokComma && t != kTokAssign && t != kTokSemicolon &&
            !(csharp_ && t == kTokLBrace)) {
            p_.ReportParseError(node, ", or = or ; expected");
            break;
        }
        if (csharp_ && t == kTokLBrace) {
            property = true; // the accessors are not recorded
            p_.SkipBody(nullptr, false);
        }
        OwnedText value;
        if (p_.Token() == kTokAssign) {
            p_.GetToken();
            TypeText text(TypeText::kMaxValueLength);
            if (csharp_ && p_.Token() == kTokGreater) {
                p_.SkipBalanced(text, false, false); // "=>": an expression body, no value
            } else {
                ReadInitializer(text);
                if (!text.WasCut()) {
                    value = text.Text(); // a value too long for any use is left out
                }
            }
            property = false; // the declaration ends with ";"
        }
        last = node->AddChild(lang_, name, std::nullopt, kNodeAttribute, flags, HeapTypeText(type),
                              std::move(value), std::move(comment));
        comment.reset();
        type.SetLength(base);
        if (property || p_.Token() != kTokComma) {
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
        p_.GetToken();
    } else if (!property) {
        SkipMemberRest();
    }
    // A comment that began on the field's line describes it.
    if (last != nullptr && !p_.CommentBuffer().empty() && p_.CommentLine() == line) {
        last->comment = p_.TakeComment();
    }
    return p_.Token() != kTokRBrace ? 1 : 0;
}

// One method from its "(" on.
int JavaFamilyParser::ParseMethod(SourceSymbol* node, bool isInterface, const std::string& name,
                                  const TypeText& type, int modifiers, OwnedText comment,
                                  bool isDefault) {
    int flags = modifiers;
    if (java_ || php_) {
        int illegal = kModVolatile | kModTransient;
        if (isInterface) {
            // Java 9 lets an interface have private methods (with a body).
            illegal |= kModProtected | kModFinal | kModSynchronized | kModNative |
                       (java_ ? 0 : static_cast<int>(kModPrivate));
        }
        if ((modifiers & illegal) != 0) {
            p_.ReportParseError(node, "illegal modifier for class/interface method");
        }
        if (!isInterface) {
            flags &= ~(kModVolatile | kModTransient);
            // An enumeration's constants may each implement its abstract methods.
            if ((modifiers & kModAbstract) != 0 && (node->flags & kModAbstract) == 0 &&
                !node->enumeration) {
                p_.ReportParseError(node, "abstract method not allowed in non-abstract class");
            }
        }
    }
    if (isInterface) {
        // A Java interface's static methods stay static, its private ones
        // private.
        const bool hidden = java_ && (modifiers & kModPrivate) != 0;
        flags = (hidden ? kModPrivate : kModPublic | kModAbstract) |
                (java_ ? modifiers & kModStatic : 0);
    }
    SourceSymbol* method = node->AddChild(lang_, name, std::nullopt, kNodeMethod, flags,
                                          HeapTypeText(type), std::nullopt, std::move(comment));
    if (p_.Token() != kTokLParen) {
        return p_.ReportParseError(method, "( expected");
    }
    if (ParseParameters(method) == 0) {
        return 0;
    }
    if (java_) {
        if (isInterface && p_.Token() == kDefault) {
            p_.GetToken(); // an annotation element's default value
            TypeText value;
            p_.SkipBalanced(value, false, false);
        }
        if (p_.Token() == kThrows && ParseThrows(method) == 0) {
            return 0;
        }
    } else if (csharp_) {
        // Constructor initialisers, constraint clauses, "=>" bodies.
        while (p_.Token() != kTokSemicolon && p_.Token() != kTokLBrace &&
               p_.Token() != kTokRBrace && p_.Token() != kTokEnd) {
            p_.GetToken();
        }
    } else if (php_ && p_.Token() == kTokColon) {
        // A declared return type.
        p_.GetToken();
        TypeText returnType;
        while (p_.Token() != kTokLBrace && p_.Token() != kTokSemicolon &&
               p_.Token() != kTokRBrace && p_.Token() != kTokEnd) {
            returnType.AppendToken(p_.Token(), p_.CurrentText());
            p_.GetToken();
        }
        method->text1 = HeapTypeText(returnType);
    }

    if (p_.Token() == kTokSemicolon) {
        if (java_ && !isInterface && (modifiers & (kModAbstract | kModNative)) == 0) {
            p_.ReportParseError(method, "non-abstract method implementation required in class");
        }
        p_.GetToken();
        return p_.Token() != kTokRBrace ? 1 : 0;
    }
    if (p_.Token() == kTokLBrace) {
        if (java_ || csharp_) {
            bool bodyAllowed =
                java_ && (isDefault || (modifiers & (kModStatic | kModPrivate)) != 0);
            if (isInterface && !bodyAllowed) {
                p_.ReportParseError(method, "method implementation not allowed in interface");
            } else if ((modifiers & kModAbstract) != 0) {
                p_.ReportParseError(method, "abstract method should have no implementation");
            }
        }
        if (java_ && isInterface) {
            method->flags &= ~kModAbstract; // a default, static or private method has a body
        }
        if (p_.SkipBody(method, false) == 0) {
            return 0;
        }
        return p_.Token() != kTokRBrace ? 1 : 0;
    }
    p_.ReportParseError(method, "syntax error");
    SkipMemberRest();
    return p_.Token() != kTokRBrace ? 1 : 0;
}

// ( parameter , ... )   with the current token on "(".
int JavaFamilyParser::ParseParameters(SourceSymbol* method) {
    p_.GetToken();
    while (p_.Token() != kTokRParen && p_.Token() != kTokEnd && p_.Token() != kTokSemicolon &&
           p_.Token() != kTokRBrace) {
        if (php_) {
            ParsePhpParameter(method);
            continue;
        }
        int flags = 0;
        for (;;) {
            int t = p_.Token();
            if (csharp_ && t == kTokLBracket) {
                TypeText attributes;
                p_.SkipBalanced(attributes, true, false);
            } else if (csharp_ &&
                       (t == kRef || t == kOut || t == kParams || t == kThis || t == kIn ||
                        t == kReadonly || (t == kTokIdentifier && p_.CurrentText() == "scoped"))) {
                if (t == kOut) {
                    flags |= kModOut;
                }
                p_.GetToken();
            } else if (IsAnnotation()) {
                SkipAnnotation();
            } else {
                break;
            }
        }
        TypeText type;
        if (p_.ParseTypeName(type) == 0) {
            return 0;
        }
        std::string name;
        if (p_.Token() == kTokIdentifier) {
            name = p_.CurrentText();
            p_.GetToken();
            while (java_ && p_.Token() == kTokLBracket) {
                type.AppendToken(kTokLBracket, "");
                p_.GetToken();
                if (p_.Token() != kTokRBracket) {
                    break;
                }
                type.AppendToken(kTokRBracket, "");
                p_.GetToken();
            }
        } else if (p_.Token() != kTokComma && p_.Token() != kTokRParen &&
                   p_.Token() != kTokAssign) {
            return p_.ReportParseError(method, "identifier or , or ) expected");
        }
        SourceSymbol* parameter = method->AddChild(lang_, name, std::nullopt, kNodeParameter, flags,
                                                   HeapTypeText(type), std::nullopt, std::nullopt);
        if (p_.Token() == kTokAssign) {
            if (java_) {
                p_.ReportParseError(method, "parameter initializer not allowed");
            }
            p_.GetToken();
            TypeText value;
            p_.SkipBalanced(value, false, true);
            if (csharp_) {
                parameter->text2 = value.Text(); // an optional parameter's default
            }
        }
        if (p_.Token() == kTokComma) {
            p_.GetToken();
        }
    }
    if (p_.Token() != kTokRParen) {
        return p_.ReportParseError(method, ") expected");
    }
    p_.GetToken();
    return 1;
}

// A PHP parameter: [type] [&] $name [= default]. Without a $name the text
// read is the name and the type is empty.
int JavaFamilyParser::ParsePhpParameter(SourceSymbol* method) {
    TypeText type;
    std::string name;
    bool named = false;
    while (p_.Token() != kTokComma && p_.Token() != kTokRParen && p_.Token() != kTokAssign &&
           p_.Token() != kTokSemicolon && p_.Token() != kTokRBrace && p_.Token() != kTokEnd) {
        if (p_.Token() == kTokIdentifier && p_.CurrentText()[0] == '$') {
            name = p_.CurrentText();
            named = true;
            p_.GetToken();
            break;
        }
        if (p_.Token() != kTokAmp) {
            type.AppendToken(p_.Token(), p_.CurrentText());
        }
        p_.GetToken();
    }
    if (!named) {
        name = type.Text();
        type.Clear();
    }
    SourceSymbol* parameter = method->AddChild(lang_, name, std::nullopt, kNodeParameter, 0,
                                               HeapTypeText(type), std::nullopt, std::nullopt);
    if (p_.Token() != kTokComma && p_.Token() != kTokRParen && p_.Token() != kTokAssign &&
        p_.Token() != kTokSemicolon && p_.Token() != kTokRBrace && p_.Token() != kTokEnd) {
        p_.ReportParseError(method, "identifier or , or ) expected");
        TypeText rest;
        p_.SkipBalanced(rest, false, true);
    }
    if (p_.Token() == kTokAssign) {
        p_.GetToken();
        TypeText value;
        p_.SkipBalanced(value, false, true);
        parameter->text2 = value.Text();
    }
    if (p_.Token() == kTokComma) {
        p_.GetToken();
    }
    return 1;
}

// throws a.b.E , F
int JavaFamilyParser::ParseThrows(SourceSymbol* method) {
    do {
        p_.GetToken();
        OwnedText name = p_.ParseQualifiedName();
        if (!name) {
            return p_.ReportParseError(method, "exception name expected");
        }
        method->AddChild(lang_, p_.QualifiedName(), std::nullopt, kNodeException, 0, std::nullopt,
                         std::nullopt, std::nullopt);
    } while (p_.Token() == kTokComma);
    return 1;
}

} // namespace qm
