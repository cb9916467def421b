// The C++ parser: a declaration scanner, not a compiler front end. It
// recognises the shapes of namespaces, classes and structs with their bases,
// attributes, methods, parameters, template parameters, nested types,
// enumerations and typedefs, and records them in the symbol table; every
// other token (function bodies, global functions and variables, expressions)
// is passed over, so that it never produces a node.
//
// Real headers wrap declarations in things a scanner cannot expand: export
// and attribute macros (words in capitals with an underscore, such as
// Q_CORE_EXPORT or _GLIBCXX20_CONSTEXPR), standard attributes, alignas,
// requires clauses. These are passed over wherever a declaration may begin,
// between the class key and the name, and after a method's parameters. A
// word of that shape is taken for a macro unless it is the class's own name
// or stands where a member's name is due.
#include "reverse/SourceLanguage.h"
#include "reverse/SourceParser.h"

#include <algorithm>
#include <cctype>

namespace qm {

namespace {

constexpr int kTokUsing = KeywordToken("using");
constexpr int kTokNamespace = KeywordToken("namespace");
constexpr int kTokTemplate = KeywordToken("template");
constexpr int kTokClass = KeywordToken("class");
constexpr int kTokStruct = KeywordToken("struct");
constexpr int kTokUnion = KeywordToken("union");
constexpr int kTokEnum = KeywordToken("enum");
constexpr int kTokTypedef = KeywordToken("typedef");
constexpr int kTokException = KeywordToken("exception");
constexpr int kTokPrivate = KeywordToken("private");
constexpr int kTokProtected = KeywordToken("protected");
constexpr int kTokPublic = KeywordToken("public");
constexpr int kTokVirtual = KeywordToken("virtual");
constexpr int kTokConst = KeywordToken("const");
constexpr int kTokStatic = KeywordToken("static");
constexpr int kTokVolatile = KeywordToken("volatile");
constexpr int kTokOperator = KeywordToken("operator");
constexpr int kTokThrow = KeywordToken("throw");
constexpr int kTokRegister = KeywordToken("register");
constexpr int kTokFriend = KeywordToken("friend");
constexpr int kTokInline = KeywordToken("inline");
constexpr int kTokExtern = KeywordToken("extern");

// At most this many template parameters are recorded for one class.
constexpr size_t kMaxTemplateParams = 16;

bool IsAccessWord(int token) {
    return token == kTokPrivate || token == kTokProtected || token == kTokPublic;
}

bool IsWordToken(int token) {
    return token == kTokIdentifier || (token >= 0 && token < kFirstNonKeywordToken);
}

// Words that may name a class: identifiers, and "exception", which the
// keyword table holds for exception declarations but which the standard
// library uses as a class name.
bool IsNameToken(int token) {
    return token == kTokIdentifier || token == kTokException;
}

// Tokens with which a parameter's type can begin.
bool StartsCppType(int token) {
    return token == kTokIdentifier || IsTypeKeyword(token) || token == kTokConst ||
           token == kTokStruct || token == kTokUnion || token == kTokEnum || token == kTokScope ||
           token == kTokRegister || token == kTokEllipsis;
}

// A macro by its shape: capitals, digits and underscores, with at least one
// capital and one underscore (Q_OBJECT, GTEST_API_, _GLIBCXX20_CONSTEXPR).
bool IsMacroWord(std::string_view text) {
    bool capital = false;
    bool underscore = false;
    for (char c : text) {
        if (c >= 'A' && c <= 'Z') {
            capital = true;
        } else if (c == '_') {
            underscore = true;
        } else if (c < '0' || c > '9') {
            return false;
        }
    }
    return capital && underscore;
}

// Compiler attribute words, each with an optional argument list.
bool IsAttributeWord(std::string_view text) {
    return text == "alignas" || text == "__attribute__" || text == "__attribute" ||
           text == "__declspec" || text == "_Alignas" || text == "__extension__";
}

// Words that say how a declaration is compiled, not what it declares.
bool IsSpecifierWord(int token, std::string_view text) {
    if (token == kTokInline || token == kTokExtern) {
        return true;
    }
    return token == kTokIdentifier &&
           (text == "explicit" || text == "constexpr" || text == "consteval" ||
            text == "constinit" || text == "mutable" || text == "typename" ||
            text == "thread_local" || text == "__inline" || text == "__forceinline");
}

// Words that modern C++ writes after a method's parameter list and that
// belong to the method: they must not make it read as a macro call.
bool IsTrailingSpecifier(int token, std::string_view text) {
    if (token == kTokVolatile || token == kTokAmp || token == kTokAndAnd) {
        return true;
    }
    return token == kTokIdentifier && (text == "noexcept" || text == "override" || text == "final");
}

// Whether a type text so far holds nothing but cv-qualifiers ("", "const",
// "const volatile"): a "typename" after them still begins the type.
bool OnlyQualifiers(std::string_view type) {
    while (!type.empty()) {
        if (type.front() == ' ') {
            type.remove_prefix(1);
        } else if (type.starts_with("const")) {
            type.remove_prefix(5);
        } else if (type.starts_with("volatile")) {
            type.remove_prefix(8);
        } else {
            return false;
        }
        if (!type.empty() && type.front() != ' ') {
            return false;
        }
    }
    return true;
}

// A member's type split into the type it keeps and whether the member itself
// is const: a const after the last "*" or "&" outside brackets qualifies the
// member ("char* const"), as does any const of a type without them ("const
// int"); a const before a "*" or "&" qualifies what is pointed at or
// referred to and stays in the type ("const char*", "Info const&").
std::pair<std::string, bool> SplitMemberConst(const std::string& type) {
    auto isWordChar = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
    };
    size_t lastIndirection = std::string::npos;
    int depth = 0;
    for (size_t i = 0; i < type.size(); ++i) {
        const char c = type[i];
        if (c == '<' || c == '(' || c == '[') {
            ++depth;
        } else if (c == '>' || c == ')' || c == ']') {
            --depth;
        } else if (depth == 0 && (c == '*' || c == '&')) {
            lastIndirection = i;
        }
    }
    std::string kept;
    bool memberConst = false;
    depth = 0;
    for (size_t i = 0; i < type.size();) {
        const char c = type[i];
        depth += (c == '<' || c == '(' || c == '[')   ? 1
                 : (c == '>' || c == ')' || c == ']') ? -1
                                                      : 0;
        const bool word = type.compare(i, 5, "const") == 0 &&
                          (i == 0 || !isWordChar(type[i - 1])) &&
                          (i + 5 == type.size() || !isWordChar(type[i + 5]));
        if (word && depth == 0 && (lastIndirection == std::string::npos || i > lastIndirection)) {
            memberConst = true;
            i += 5;
            while (i < type.size() && type[i] == ' ') {
                ++i;
            }
            continue;
        }
        kept.push_back(c);
        ++i;
    }
    while (!kept.empty() && kept.back() == ' ') {
        kept.pop_back();
    }
    return {kept, memberConst};
}

} // namespace

int SourceParser::ParseCppFile(const std::string& path) {
    if (!OpenSourceFile(path)) {
        return 0;
    }
    ParseCppInput();
    return CloseSourceFile() == 0 ? 1 : 0;
}

void SourceParser::ParseCppInput() {
    GetToken();
    ParseCppScope(false);
}

// Declarations of the file or of a namespace body, up to its closing brace
// (braced) or the end of the input. Namespaces nest; a linkage block
// (extern "C" { ... }) is read as part of the scope around it; any other
// braced block here (a function body, an initializer) is passed over whole,
// so that its braces never close the namespace.
void SourceParser::ParseCppScope(bool braced) {
    while (token_ != kTokEnd && !(braced && token_ == kTokRBrace)) {
        if (token_ == kTokUsing || token_ == kTokTypedef) {
            ParseCppNamespaceAlias();
        } else if (token_ == kTokNamespace) {
            ParseCppNamespace(false);
        } else if (token_ == kTokInline) {
            GetToken();
            if (token_ == kTokNamespace) {
                ParseCppNamespace(true);
            }
        } else if (token_ == kTokExtern) {
            GetToken();
            if (token_ == kTokString) {
                GetToken();
            }
            if (token_ == kTokLBrace && EnterNestedBody(nullptr)) {
                GetToken();
                ParseCppScope(true);
                LeaveNestedBody();
                if (token_ == kTokRBrace) {
                    GetToken();
                }
            }
        } else if (SkipCppAttributes()) {
            // Attributes and macro lines (QT_BEGIN_NAMESPACE, export macros)
            // are passed over here, not inside a declaration, so that a
            // namespace or a linkage block after them is still read as one.
        } else if (token_ == kTokRBrace) {
            GetToken(); // a stray brace at file level
        } else if (token_ == kTokLBrace) {
            if (SkipBody(nullptr, false) == 0 && token_ != kTokEnd) {
                GetToken(); // nested too deeply to skip whole
            }
        } else {
            ParseCppDeclaration(nullptr, 0);
        }
    }
}

// typedef ... name;   using name = type;   (using namespace n; using n::f;)
// A type alias of a namespace is recorded as a top-level typedef node
// qualified by the namespace, unless the name is taken by a class; one
// outside every namespace, and every other using declaration, record
// nothing.
void SourceParser::ParseCppNamespaceAlias() {
    SourceSymbol holder{std::string(), std::nullopt};
    OwnedText comment = TakeComment();
    if (token_ == kTokTypedef) {
        ParseTypedef(&holder, std::move(comment), 0);
    } else {
        ParseCppUsing(&holder, std::move(comment), 0);
    }
    const OwnedText space = CurrentNamespace();
    if (!space || space->empty()) {
        return;
    }
    for (const SourceSymbol* alias = holder.firstChild.get(); alias != nullptr;
         alias = alias->next.get()) {
        SourceSymbol* node = FindOrInsertDeclaration(alias->name, space);
        if (node->kind == 0 || node->kind == kNodeTypedef) {
            node->kind = kNodeTypedef;
            node->text1 = alias->text1;
            node->comment = alias->comment;
        }
    }
}

// template <parameters> using Name = type;   An alias template of a
// namespace is recorded as its type aliases are, with the template's
// parameters (their kinds and defaults) as the node's children, so that it
// can be written again as a template; outside every namespace, or where a
// class or another declaration has the name, it records nothing.
void SourceParser::ParseCppAliasTemplate(OwnedText comment, SymbolList& params) {
    SourceSymbol holder{std::string(), std::nullopt};
    ParseCppUsing(&holder, std::move(comment), 0);
    const OwnedText space = CurrentNamespace();
    const SourceSymbol* alias = holder.firstChild.get();
    if (!space || space->empty() || alias == nullptr) {
        return;
    }
    SourceSymbol* node = FindOrInsertDeclaration(alias->name, space);
    if (node->kind != 0 && !(node->kind == kNodeTypedef && node->firstChild == nullptr)) {
        return;
    }
    node->kind = kNodeTypedef;
    node->text1 = alias->text1;
    node->comment = alias->comment;
    for (std::unique_ptr<SourceSymbol>& param : params) {
        node->AppendChild(std::move(param));
    }
}

// enum [class] Name [: base] { entries } at file or namespace level. A named
// enumeration of a namespace is recorded as a top-level node qualified by
// the namespace, as its type aliases are, unless the name is taken; any
// other records nothing.
void SourceParser::ParseCppNamespaceEnum(OwnedText comment) {
    SourceSymbol holder{std::string(), std::nullopt};
    ParseEnum(&holder, std::move(comment), 0);
    const OwnedText space = CurrentNamespace();
    if (!space || space->empty()) {
        return;
    }
    for (const SourceSymbol* e = holder.firstChild.get(); e != nullptr; e = e->next.get()) {
        if (e->kind != kNodeEnumeration) {
            continue;
        }
        SourceSymbol* node = FindOrInsertDeclaration(e->name, space);
        if (node->kind != 0) {
            continue;
        }
        node->kind = kNodeEnumeration;
        node->comment = e->comment;
        node->text1 = e->text1;
        for (const SourceSymbol* v = e->firstChild.get(); v != nullptr; v = v->next.get()) {
            node->AddChild(language_, v->name, std::nullopt, v->kind, v->flags, v->text1, v->text2,
                           std::nullopt);
        }
    }
}

// namespace [name [:: name ...]] [attributes] { declarations }
// namespace name = other;
// A named namespace adds its name to the qualifier of the one around it and
// gives it back at its end; an inline or anonymous one adds nothing.
void SourceParser::ParseCppNamespace(bool inlineNamespace) {
    GetToken();
    std::string name;
    std::string separator;
    while (token_ == kTokIdentifier || token_ == kTokInline) {
        if (token_ == kTokIdentifier) {
            name += name.empty() ? tokenText_ : separator + tokenText_;
        }
        GetToken();
        if (token_ != kTokScope && token_ != kTokDot) {
            break;
        }
        separator = token_ == kTokScope ? "::" : ".";
        GetToken();
    }
    SkipCppAttributes();
    if (token_ == kTokAssign) {
        SkipCppStatement(); // an alias
        return;
    }
    if (token_ != kTokLBrace) {
        ReportParseError(nullptr, "{ expected for namespace");
        return;
    }
    if (!EnterNestedBody(nullptr)) {
        SkipBody(nullptr, false);
        return;
    }
    GetToken();
    OwnedText outer = CurrentNamespace();
    if (!name.empty() && !inlineNamespace) {
        SetCurrentNamespace(outer ? *outer + "::" + name : name);
    }
    ParseCppScope(true);
    LeaveNestedBody();
    if (token_ == kTokRBrace) {
        GetToken();
    } else {
        ReportParseError(nullptr, "} expected for namespace");
    }
    SetCurrentNamespace(std::move(outer));
}

// [template <...>] (class | struct) ... (; | body)
// [template <...>] exception name (; | body)
// [template <...>] function declaration or definition, in a namespace
// At file level anything else is one token passed over; an enumeration is
// passed over whole, so that "enum class" is never read as a class.
int SourceParser::ParseCppDeclaration(SourceSymbol* enclosing, int access) {
    OwnedText comment = TakeComment();
    SymbolList params;
    bool isTemplate = false;
    // An explicit instantiation or specialisation ("template void f<int>();",
    // "template <> void f<int>()") declares no function of its own.
    bool explicitTemplate = false;
    SkipCppAttributes();
    if (token_ == kTokTemplate) {
        GetToken();
        isTemplate = true;
        explicitTemplate = token_ != kTokLess;
        // Unnamed parameters are kept: a function template's carry the
        // defaults that choose an overload, and a class template declared
        // "template <typename> struct X" is a template all the same.
        if (ParseCppTemplateParams(params, true) == 0) {
            return 0;
        }
        explicitTemplate = explicitTemplate || params.empty();
        SkipCppRequires();
        SkipCppAttributes();
    }
    if (token_ == kTokException) {
        GetToken();
        if (token_ != kTokIdentifier) {
            return 1;
        }
        SourceSymbol* node = nullptr;
        if (enclosing != nullptr) {
            node = enclosing->AddChild(language_, tokenText_, std::nullopt, kNodeException, 0,
                                       std::nullopt, std::nullopt, std::move(comment));
        } else {
            node = FindOrInsertDeclaration(tokenText_, CurrentNamespace());
            node->kind = kNodeException;
            if (comment) {
                node->comment = std::move(comment);
            }
        }
        GetToken();
        if (token_ == kTokSemicolon) {
            GetToken();
            return 1;
        }
        return ParseIdlExceptionBody(node);
    }
    if (token_ == kTokEnum && enclosing == nullptr) {
        ParseCppNamespaceEnum(std::move(comment));
        return 1;
    }
    if (token_ == kTokUsing && enclosing == nullptr && !params.empty()) {
        ParseCppAliasTemplate(std::move(comment), params);
        return 1;
    }
    if (token_ == kTokClass || token_ == kTokStruct ||
        (token_ == kTokUnion && enclosing == nullptr)) {
        return ParseCppClass(enclosing, access, std::move(comment), params);
    }
    // In a class body the closing brace belongs to the class; at file level
    // a brace opens a block that the scope passes over.
    if (token_ == kTokRBrace || token_ == kTokEnd || token_ == kTokLBrace) {
        return 1;
    }
    if (enclosing == nullptr && CurrentNamespace() && !CurrentNamespace()->empty()) {
        if (explicitTemplate) {
            SkipCppStatement();
        } else {
            ParseCppNamespaceFunction(std::move(comment), isTemplate ? &params : nullptr);
        }
        return 1;
    }
    GetToken();
    return 1;
}

// (class | struct) [attributes] [macro] [Scope::]Name [<arguments>] [final]
//     (; | [: bases] { members } ;)
// The class node is found or made at the top level (under the namespace, or
// under the scope written before the name), or as a child of the enclosing
// class with that class as its qualifier. A declaration without a body only
// names the class: a class known from nothing else makes no master.
int SourceParser::ParseCppClass(SourceSymbol* enclosing, int access, OwnedText comment,
                                SymbolList& params, TypeText* elaborated, std::string* declarator) {
    const bool isStruct = token_ == kTokStruct;
    const bool isUnion = token_ == kTokUnion;
    const int defaultAccess = static_cast<int>(isStruct || isUnion ? kModPublic : kModPrivate);
    GetToken();
    std::string macroWord;
    for (;;) {
        if (token_ == kTokLBracket || (token_ == kTokIdentifier && IsAttributeWord(tokenText_))) {
            SkipCppAttributes();
        } else if (token_ == kTokIdentifier && IsMacroWord(tokenText_)) {
            macroWord = tokenText_;
            GetToken();
            if (token_ == kTokLParen) {
                TypeText discarded;
                SkipBalanced(discarded, true, false);
                macroWord.clear();
            }
        } else {
            break;
        }
    }
    // A run of names: the last is the class's, so that a macro word of any
    // shape before it is passed over.
    std::string name;
    std::string scope;
    std::string arguments;
    std::string previous; // the name before the last, whole
    bool isFinal = false;
    while (IsNameToken(token_) || token_ == kTokScope) {
        if (token_ == kTokIdentifier && tokenText_ == "final" && !name.empty()) {
            isFinal = true;
            GetToken();
            break;
        }
        std::string nextScope;
        std::string nextArguments;
        std::string next = ParseCppScopedName(nextScope, &nextArguments);
        if (next.empty()) {
            break;
        }
        if (!name.empty()) {
            previous = (scope.empty() ? std::string() : scope + "::") + name + arguments;
        }
        name = std::move(next);
        scope = std::move(nextScope);
        arguments = std::move(nextArguments);
    }
    if (name.empty()) {
        if (macroWord.empty()) {
            return 0;
        }
        name = macroWord; // a class named like a macro
    }
    SkipCppAttributes();
    if (elaborated != nullptr && !isFinal) {
        // A member typed with a class (struct node *next; struct node n;),
        // or a method returning one: the class is declared elsewhere, or is
        // the one being read; it is no nested class of this one. After two
        // names, the second is the member's.
        const bool named = !previous.empty() && (token_ == kTokSemicolon || token_ == kTokComma ||
                                                 token_ == kTokAssign || token_ == kTokLBracket ||
                                                 token_ == kTokLParen || token_ == kTokColon);
        if (named || (token_ != kTokColon && token_ != kTokLBrace && token_ != kTokSemicolon)) {
            elaborated->AppendToken(isStruct  ? kTokStruct
                                    : isUnion ? kTokUnion
                                              : kTokClass,
                                    isStruct  ? "struct"
                                    : isUnion ? "union"
                                              : "class");
            if (named) {
                elaborated->AppendToken(kTokIdentifier, previous);
                *declarator = name;
            } else {
                elaborated->AppendToken(kTokIdentifier,
                                        (scope.empty() ? std::string() : scope + "::") + name +
                                            arguments);
            }
            return 2;
        }
    }
    // An explicit or partial specialisation is a class of its own.
    const std::string primaryName = name;
    name += arguments;
    const int flags = isStruct ? static_cast<int>(kModStruct) : 0;
    // The definition of a nested class outside its class (class Outer::Inner
    // { ... }) is that nested class when the scope names a class already
    // read, not a class of a namespace "Outer"; it keeps the access it was
    // declared with.
    if (!scope.empty() && enclosing == nullptr) {
        if (SourceSymbol* owner = FindCppClassOfScope(scope)) {
            enclosing = owner;
            scope.clear();
            const SourceSymbol* declared = owner->FindChild(language_, name);
            access = declared != nullptr && declared->kind == kNodeClass
                         ? declared->flags & (kModPublic | kModProtected | kModPrivate)
                         : 0;
        }
    }
    SourceSymbol* node = nullptr;
    bool known = false;
    if (!scope.empty() || enclosing == nullptr) {
        std::string qualifier = scope;
        if (enclosing != nullptr) {
            qualifier = NestedQualifier(*enclosing, "::") + "::" + scope;
        } else if (CurrentNamespace() && !CurrentNamespace()->empty()) {
            qualifier = scope.empty() ? *CurrentNamespace() : *CurrentNamespace() + "::" + scope;
        }
        node = FindOrInsertDeclaration(name, qualifier.empty() ? OwnedText()
                                                               : OwnedText(std::move(qualifier)));
        // A namespace's type alias of that name gives way to the class.
        if (node->kind == kNodeTypedef) {
            node->kind = 0;
            node->text1.reset();
            while (node->firstChild != nullptr) {
                node->RemoveChildByName(language_, node->firstChild->name);
            }
        }
        known = node->kind != 0 && !node->forwardOnly;
        node->kind = kNodeClass;
        node->flags |= flags;
        if (comment) {
            node->comment = std::move(comment);
        }
    } else {
        const SourceSymbol* existing = enclosing->FindChild(language_, name);
        known = existing != nullptr && existing->kind == kNodeClass && !existing->forwardOnly;
        node = enclosing->AddChild(language_, name, NestedQualifier(*enclosing, "::"), kNodeClass,
                                   flags | access, std::nullopt, std::nullopt, std::move(comment));
    }
    if (token_ != kTokColon && token_ != kTokLBrace) {
        // A forward declaration, or a class named in another declaration
        // (friend class X; class X* p;).
        if (!known) {
            node->forwardOnly = true;
        }
        // The parameters of a class template declared only, should a
        // specialisation make it the primary of a master.
        if ((!known || node->baseOnly) && !node->HasGenericParameters()) {
            for (std::unique_ptr<SourceSymbol>& param : params) {
                node->AppendChild(std::move(param));
            }
        }
        if (token_ == kTokSemicolon) {
            GetToken();
            return 1;
        }
        return 0;
    }
    node->forwardOnly = false;
    node->baseOnly = false;
    if (!arguments.empty() && enclosing == nullptr) {
        MakeCppPrimaryKnown(primaryName, node->qualifier);
    } else if (!arguments.empty()) {
        // A member class template declared in its class and specialised there.
        SourceSymbol* primary = enclosing->FindChild(language_, primaryName);
        if (primary != nullptr && primary->kind == kNodeClass && primary->HasGenericParameters()) {
            primary->forwardOnly = false;
        }
    }
    if (isFinal) {
        node->flags |= kModFinal;
    }
    node->cppUnion = isUnion;
    // The class's template parameters name no class while its bases and
    // members are read.
    const size_t outerParams = cppClassParams_.size();
    for (const std::unique_ptr<SourceSymbol>& param : params) {
        if (!param->name.empty()) {
            cppClassParams_.push_back(param->name);
        }
    }
    bool opened = false;
    int result = ParseCppClassBody(node, defaultAccess, enclosing, opened);
    cppClassParams_.resize(outerParams);
    if (opened) {
        AddCppClassParameters(node, params);
    }
    return result;
}

// After the members. Parameters met before (a declaration, or the class
// read twice) are as many as the definition's: they take the definition's
// names, which its members use, and keep what only they give;
// otherwise the class keeps one parameter of a name.
void SourceParser::AddCppClassParameters(SourceSymbol* node, SymbolList& params) {
    std::vector<SourceSymbol*> existing;
    for (SourceSymbol* c = node->firstChild.get(); c != nullptr; c = c->next.get()) {
        if (c->kind == kNodeParameter) {
            existing.push_back(c);
        }
    }
    if (!existing.empty() && existing.size() == params.size()) {
        for (size_t i = 0; i < params.size(); ++i) {
            SourceSymbol& old = *existing[i];
            old.name = params[i]->name.empty() ? old.name : params[i]->name;
            old.text1 = params[i]->text1 ? params[i]->text1 : old.text1;
            old.text2 = params[i]->text2 ? params[i]->text2 : old.text2;
        }
        return;
    }
    for (std::unique_ptr<SourceSymbol>& param : params) {
        SourceSymbol* same =
            param->name.empty() ? nullptr : node->FindChild(language_, param->name);
        if (same == nullptr || same->kind != kNodeParameter) {
            node->AppendChild(std::move(param));
        }
    }
}

// The class a scope written before a class name denotes ("Outer" or
// "Outer::Middle"): a class of the current namespace (or of none), then its
// nested classes; null when a part is not a class read so far.
SourceSymbol* SourceParser::FindCppClassOfScope(const std::string& scope) const {
    OwnedText space = CurrentNamespace();
    if (space && space->empty()) {
        space.reset();
    }
    SourceSymbol* found = nullptr;
    size_t at = 0;
    while (at <= scope.size()) {
        const size_t end = std::min(scope.find("::", at), scope.size());
        const std::string part = scope.substr(at, end - at);
        if (found != nullptr) {
            found = found->FindChild(language_, part);
        } else if (space) {
            found = Find(language_, part, space);
        } else {
            // Find without a qualifier answers the first of any; a class of no
            // namespace is wanted.
            for (found = Find(language_, part, std::nullopt);
                 found != nullptr && found->qualifier && !found->qualifier->empty();
                 found = found->sameName.get()) {
            }
        }
        if (found == nullptr || found->kind != kNodeClass) {
            return nullptr;
        }
        at = end + 2;
    }
    return found;
}

// [::] name [<arguments>] { :: name [<arguments>] }
// The last name; scope gets the names before it joined by "::", bare, for
// looking classes up; arguments (when given) the argument list written
// after the last name, and scopeArguments (when given) that of each name of
// the scope, "" where it has none.
std::string SourceParser::ParseCppScopedName(std::string& scope, std::string* arguments,
                                             std::vector<std::string>* scopeArguments) {
    std::string last;
    scope.clear();
    if (scopeArguments != nullptr) {
        scopeArguments->clear();
    }
    if (token_ == kTokScope) {
        GetToken();
    }
    while (IsNameToken(token_)) {
        if (!last.empty()) {
            scope += scope.empty() ? last : "::" + last;
        }
        last = tokenText_;
        GetToken();
        TypeText list;
        if (token_ == kTokLess && SkipGenericArguments(list, true) == 0) {
            return std::string();
        }
        if (token_ != kTokScope) {
            if (arguments != nullptr) {
                *arguments = list.Text();
            }
            break;
        }
        if (scopeArguments != nullptr) {
            scopeArguments->push_back(list.Text());
        }
        GetToken();
        if (token_ == kTokTemplate) {
            GetToken();
        }
    }
    return last;
}

// [[...]], alignas(...), __attribute__((...)), __declspec(...) and macro
// words with their argument lists, wherever a declaration may begin. True
// when anything was passed over.
bool SourceParser::SkipCppAttributes() {
    bool skipped = false;
    for (;;) {
        if (token_ == kTokLBracket) {
            TypeText discarded;
            SkipBalanced(discarded, true, false);
        } else if (token_ == kTokIdentifier &&
                   (IsAttributeWord(tokenText_) || IsMacroWord(tokenText_))) {
            GetToken();
            if (token_ == kTokLParen) {
                TypeText discarded;
                SkipBalanced(discarded, true, false);
            }
        } else {
            return skipped;
        }
        skipped = true;
    }
}

// requires constraint { (&& | ||) constraint }, a constraint being a
// parenthesised expression, a requires expression or a concept's name with
// its arguments. Nothing happens without "requires".
void SourceParser::SkipCppRequires() {
    if (token_ != kTokIdentifier || tokenText_ != "requires") {
        return;
    }
    GetToken();
    for (;;) {
        if (token_ == kTokNot) {
            GetToken();
        }
        TypeText discarded;
        if (token_ == kTokLParen) {
            SkipBalanced(discarded, true, false);
        } else if (token_ == kTokIdentifier && tokenText_ == "requires") {
            GetToken();
            if (token_ == kTokLParen) {
                SkipBalanced(discarded, true, false);
            }
            if (token_ == kTokLBrace) {
                SkipBalanced(discarded, true, false);
            }
        } else {
            std::string scope;
            if (ParseCppScopedName(scope, nullptr).empty()) {
                return;
            }
        }
        if (token_ != kTokAndAnd && token_ != kTokOrOr) {
            return;
        }
        GetToken();
    }
}

// A declaration that records nothing (friend, static_assert, using): up to
// and including its ";", or its braced body; never past a closing brace
// that is not its own.
void SourceParser::SkipCppStatement() {
    while (token_ != kTokEnd && token_ != kTokRBrace) {
        if (token_ == kTokSemicolon) {
            GetToken();
            return;
        }
        if (token_ == kTokLBrace) {
            SkipBody(nullptr, false);
            if (token_ == kTokSemicolon) {
                GetToken();
            }
            return;
        }
        if (token_ == kTokLParen || token_ == kTokLBracket) {
            TypeText discarded;
            if (SkipBalanced(discarded, true, false) == 0) {
                return;
            }
            continue;
        }
        GetToken();
    }
}

// "template <kind name, ...>" of parameters read by ParseCppTemplateParams,
// a plain type parameter written "typename", with the defaults only when
// asked for.
static std::string CppTemplateHeadText(const std::vector<std::unique_ptr<SourceSymbol>>& params,
                                       bool withDefaults = false) {
    std::string head = "template <";
    for (size_t i = 0; i < params.size(); ++i) {
        const SourceSymbol& param = *params[i];
        head += i == 0 ? "" : ", ";
        head += param.text1 ? *param.text1 : std::string("typename");
        if (!param.name.empty()) {
            head += " " + param.name;
        }
        if (withDefaults && param.text2) {
            head += " = " + *param.text2;
        }
    }
    return head + ">";
}

// A function of a namespace: read as a class's member is, then kept as a
// method node qualified by the namespace, with its template head (and the
// head's defaults) before its return type. Nothing is kept for a variable,
// for a definition of something declared in another scope (Scope::name),
// for a declaration without a return type (a macro call, a deduction
// guide), or for a function read before with the same template parameter
// kinds and parameter types (its definition after its declaration).
void SourceParser::ParseCppNamespaceFunction(OwnedText comment, const SymbolList* params) {
    SourceSymbol holder{std::string(), std::nullopt};
    int access = 0;
    const std::string head = params != nullptr ? CppTemplateHeadText(*params, true) : std::string();
    std::string key = *CurrentNamespace();
    if (params != nullptr) {
        for (const std::unique_ptr<SourceSymbol>& param : *params) {
            key += '\0';
            key += param->text1 ? *param->text1 : std::string("typename");
        }
    }
    key += '\1';
    ParseCppMember(&holder, access, std::move(comment), head);
    if (cppValueArgument_) {
        return; // a variable with its constructor's arguments: Item item(1, 2);
    }
    std::unique_ptr<SourceSymbol> next;
    for (std::unique_ptr<SourceSymbol> node = std::move(holder.firstChild); node != nullptr;
         node = std::move(next)) {
        next = std::move(node->next);
        // The return type after the head begins with a word: "* f()" was
        // left by a declaration the reader took apart ("class X* f();").
        const std::string returns = node->text1 ? *node->text1 : std::string();
        const size_t first = head.empty() ? 0 : head.size() + 1;
        if (node->kind != kNodeMethod || returns.size() <= first || returns.ends_with("::") ||
            !(std::isalnum(static_cast<unsigned char>(returns[first])) != 0 ||
              returns[first] == '_' || returns[first] == ':')) {
            continue;
        }
        std::string nodeKey = key + node->name;
        for (const SourceSymbol* p = node->firstChild.get(); p != nullptr; p = p->next.get()) {
            if (p->kind == kNodeParameter) {
                nodeKey += '\0';
                nodeKey += p->text1 ? *p->text1 : std::string();
            }
        }
        if (!cppFunctionKeys_.insert(std::move(nodeKey)).second) {
            continue;
        }
        node->qualifier = CurrentNamespace();
        cppFunctions_.push_back(std::move(node));
    }
}

// < parameter , ... >   A parameter is "class" or "typename" with an
// optional name, a template template parameter, or a type and an optional
// name; each may have a default after "=". Unnamed parameters are legal and
// record nothing, unless kept (with an empty name) for a head written again.
// A parameter's kind is its text1: empty for a plain type parameter, the
// type of a value, "template <...> class" of a template template parameter,
// each with "..." for a pack; its default is its text2.
int SourceParser::ParseCppTemplateParams(SymbolList& params, bool keepUnnamed) {
    if (token_ != kTokLess) {
        return 1;
    }
    GetToken();
    for (;;) {
        if (token_ == kTokGreater) {
            GetToken();
            return 1;
        }
        if (token_ == kTokSemicolon || token_ == kTokEnd) {
            return 1;
        }
        bool typeParameter = false;
        std::string templateKind; // of a template template parameter
        if (token_ == kTokTemplate) {
            GetToken();
            SymbolList inner;
            if (ParseCppTemplateParams(inner, true) == 0) {
                return 0;
            }
            typeParameter = true;
            templateKind = CppTemplateHeadText(inner) + " class";
            if (token_ == kTokClass || (token_ == kTokIdentifier && tokenText_ == "typename")) {
                GetToken();
            }
        } else if (token_ == kTokClass || (token_ == kTokIdentifier && tokenText_ == "typename")) {
            typeParameter = true;
            GetToken();
        }
        // A parameter pack keeps its "..." with its kind: "typename..." or
        // "size_t...".
        bool pack = false;
        if (token_ == kTokEllipsis) {
            pack = true;
            GetToken();
        }
        // The parameter's tokens up to its "," or the list's ">" outside
        // brackets; the last name before "=" names it.
        TypeText type;
        TypeText byDefault;
        std::string name;
        auto flush = [&] {
            if (!name.empty()) {
                type.AppendToken(kTokIdentifier, name);
                name.clear();
            }
        };
        bool inDefault = false;
        bool listEnded = false;
        int depth = 0;
        int parens = 0; // inside parentheses "<" and ">" compare
        // A "<" after ")" or a number compares ("sizeof(T) < 8"): no name
        // before it opens an argument list.
        int previous = 0;
        auto next = [&] {
            previous = token_;
            GetToken();
        };
        while (token_ != kTokSemicolon && token_ != kTokEnd && token_ != kTokLBrace) {
            const int t = token_;
            if (parens > 0) {
                parens += (t == kTokLParen || t == kTokLBracket) ? 1 : 0;
                parens -= (t == kTokRParen || t == kTokRBracket) ? 1 : 0;
                if (!inDefault) {
                    flush();
                    type.AppendToken(t, tokenText_);
                } else {
                    byDefault.AppendToken(t, tokenText_);
                }
                next();
                continue;
            }
            if (t == kTokLParen || t == kTokLBracket) {
                ++parens;
                if (!inDefault) {
                    flush();
                    type.AppendToken(t, tokenText_);
                } else {
                    byDefault.AppendToken(t, tokenText_);
                }
                next();
                continue;
            }
            if (typeParameter && !inDefault && (t == kTokScope || t == kTokLess)) {
                typeParameter = false; // typename A::b N: a value of a named type
                type.AppendToken(kTokIdentifier, "typename");
            }
            if (depth == 0 && (t == kTokComma || t == kTokGreater)) {
                break;
            }
            if (t == kTokShiftRight && depth <= 1) {
                // ">>" closing the default's last list and this one, or this
                // one and the list around it.
                listEnded = depth == 1;
                if (listEnded) {
                    if (inDefault) {
                        byDefault.AppendToken(kTokGreater, ">");
                    }
                    next();
                }
                break;
            }
            if (t == kTokLess && (previous == kTokRParen || previous == kTokNumber)) {
                // compared within the argument: no list opens
            } else if (t == kTokLess) {
                ++depth;
            } else if (t == kTokGreater || t == kTokRParen || t == kTokRBracket) {
                if (depth == 0) {
                    break;
                }
                --depth;
            } else if (t == kTokShiftRight) {
                depth -= 2;
            }
            if (inDefault) {
                byDefault.AppendToken(t, tokenText_);
            } else if (depth == 0 && t == kTokAssign) {
                inDefault = true;
            } else if (!inDefault && !typeParameter) {
                if (depth == 0 && t == kTokIdentifier) {
                    flush();
                    name = tokenText_;
                } else {
                    flush();
                    type.AppendToken(t, tokenText_);
                }
            } else if (!inDefault && t == kTokIdentifier) {
                if (!name.empty()) {
                    break; // a second name: the list is malformed
                }
                name = tokenText_;
            } else if (!inDefault && t == kTokEllipsis && depth == 0) {
                pack = true;
                next();
                continue;
            }
            next();
        }
        if ((!name.empty() || keepUnnamed) && params.size() < kMaxTemplateParams) {
            auto param = std::make_unique<SourceSymbol>(name, std::nullopt);
            param->kind = kNodeParameter;
            if (!templateKind.empty()) {
                param->text1 = pack ? templateKind + "..." : templateKind;
            } else if (!typeParameter && !type.IsEmpty()) {
                param->text1 = pack ? type.Text() + "..." : type.ToHeapString();
            } else if (pack) {
                param->text1 = "typename...";
            }
            if (!byDefault.IsEmpty() && !byDefault.WasCut()) {
                param->text2 = byDefault.Text();
            }
            params.push_back(std::move(param));
        }
        if (listEnded) {
            return 1;
        }
        if (token_ == kTokGreater || token_ == kTokShiftRight) {
            GetToken();
            return 1;
        }
        if (token_ != kTokComma) {
            return ReportParseError(nullptr, "> or , expected");
        }
        GetToken();
    }
}

// [: bases] { members } ;
int SourceParser::ParseCppClassBody(SourceSymbol* node, int defaultAccess, SourceSymbol* enclosing,
                                    bool& opened) {
    node->text2 = filePath_;
    if (token_ == kTokColon && ParseCppBaseList(node, enclosing) == 0) {
        return 0;
    }
    if (token_ != kTokLBrace) {
        return 0;
    }
    if (!EnterNestedBody(node)) {
        return 0;
    }
    struct Leave {
        SourceParser* parser;
        ~Leave() { parser->LeaveNestedBody(); }
    } leave{this};
    opened = true;
    GetToken();
    int access = defaultAccess;
    while (token_ != kTokRBrace && token_ != kTokEnd) {
        if (ParseCppMember(node, access) == 0 && token_ != kTokRBrace && token_ != kTokEnd) {
            // A member that could not be read is passed over up to its ";"
            // (or the class's closing brace), so that one construct beyond
            // this parser neither loses the members after it nor has them
            // read as top-level declarations.
            TypeText discarded;
            SkipBalanced(discarded, false, false);
            if (token_ == kTokSemicolon) {
                GetToken();
            }
        }
    }
    if (token_ != kTokRBrace) {
        return 0;
    }
    GetToken();
    if (token_ != kTokSemicolon) {
        return 0; // "} name;" is not taken
    }
    GetToken();
    return 1;
}

// A class template that the run only declared (or only named as a base) is
// the primary of a specialisation defined beside it: it gets its master,
// so that the specialisation has a primary to specialise.
void SourceParser::MakeCppPrimaryKnown(const std::string& name, const OwnedText& qualifier) {
    for (SourceSymbol* s = Find(language_, name, std::nullopt); s != nullptr;
         s = s->sameName.get()) {
        if (s->kind == kNodeClass && s->qualifier == qualifier && s->HasGenericParameters()) {
            s->forwardOnly = false;
            s->baseOnly = false;
        }
    }
}

// A base named inside an instance of a class template, such as
// Outer<A, B>::type, is no class of its own: it refers to that template,
// with the rest of the written name ("<A,B>::type") as its arguments, so
// that it can be written again as it was. Nothing changes when no name of
// the scope carries arguments.
static void TakeCppInstanceScope(std::string& name, std::string& scope, std::string& arguments,
                                 const std::vector<std::string>& scopeArguments) {
    const auto instance = std::find_if(scopeArguments.begin(), scopeArguments.end(),
                                       [](const std::string& list) { return !list.empty(); });
    if (instance == scopeArguments.end()) {
        return;
    }
    std::vector<std::string> parts;
    for (size_t at = 0; at <= scope.size();) {
        const size_t end = std::min(scope.find("::", at), scope.size());
        parts.push_back(scope.substr(at, end - at));
        at = end + 2;
    }
    const size_t index = static_cast<size_t>(instance - scopeArguments.begin());
    if (parts.size() != scopeArguments.size() || index >= parts.size()) {
        return;
    }
    std::string rest = scopeArguments[index];
    for (size_t i = index + 1; i < parts.size(); ++i) {
        rest += "::" + parts[i] + scopeArguments[i];
    }
    rest += "::" + name + arguments;
    std::string outer;
    for (size_t i = 0; i < index; ++i) {
        outer += outer.empty() ? parts[i] : "::" + parts[i];
    }
    name = parts[index];
    scope = std::move(outer);
    arguments = std::move(rest);
}

// Whether name is a template parameter of the class node or of a class
// template being read around it.
bool SourceParser::IsCppClassParameter(const SourceSymbol* node, const std::string& name) const {
    if (name.empty()) {
        return false;
    }
    if (std::find(cppClassParams_.begin(), cppClassParams_.end(), name) != cppClassParams_.end()) {
        return true;
    }
    for (const SourceSymbol* c = node->firstChild.get(); c != nullptr; c = c->next.get()) {
        if (c->kind == kNodeParameter && c->name == name) {
            return true;
        }
    }
    return false;
}

// : [access] [virtual] [Scope::]name [<...>] [...] , ...
// A base written without its scope is looked for beside the derived class
// (a class nested in the same class), then in the namespace and the
// namespaces around it; one written with a scope is taken in that scope,
// read from the namespace first. A base found nowhere is made a class node
// under the namespace, so that it gets its master, marked as declared
// elsewhere until a definition of the run is read.
int SourceParser::ParseCppBaseList(SourceSymbol* node, SourceSymbol* enclosing) {
    GetToken();
    for (;;) {
        int flags = 0;
        while (IsAccessWord(token_) || token_ == kTokVirtual) {
            flags |= ModifierBitOf(token_);
            GetToken();
        }
        SkipCppAttributes();
        std::string scope;
        std::string arguments;
        std::vector<std::string> scopeArguments;
        std::string name = ParseCppScopedName(scope, &arguments, &scopeArguments);
        if (name.empty()) {
            return ReportParseError(node, "bad base class list");
        }
        TakeCppInstanceScope(name, scope, arguments, scopeArguments);
        if (token_ == kTokEllipsis) {
            // A pack expansion: one base per element, written so again.
            GetToken();
            if (!arguments.empty()) {
                arguments += "...";
            }
        }
        // A base that is a template parameter of the class (or a type
        // within one: Alloc::template rebind<T>) is whatever type the
        // class is instantiated with: no class of its own is made for it.
        const std::string first = scope.empty() ? name : scope.substr(0, scope.find("::"));
        if (!IsCppClassParameter(node, first)) {
            const SourceSymbol* sibling = nullptr;
            if (enclosing != nullptr && scope.empty()) {
                sibling = enclosing->FindChild(language_, name);
                if (sibling != nullptr && sibling->kind != kNodeClass) {
                    sibling = nullptr;
                }
            }
            OwnedText qualifier;
            bool unresolved = false;
            if (sibling != nullptr) {
                qualifier = sibling->qualifier;
            } else {
                qualifier = ResolveCppScope(name, scope, &unresolved);
                SourceSymbol* base = FindOrInsertDeclaration(name, qualifier);
                if (base->kind == 0 || (base->kind == kNodeClass && base->forwardOnly)) {
                    base->kind = kNodeClass;
                    base->baseOnly = true;
                }
                base->forwardOnly = false;
            }
            // The arguments of a template base go with it (text1), so that the
            // class can be written deriving from that instance again.
            SourceSymbol* link =
                node->AddChild(language_, name, qualifier, kNodeBaseClass, flags,
                               arguments.empty() ? OwnedText() : OwnedText(std::move(arguments)),
                               std::nullopt, std::nullopt);
            if (unresolved && !scope.empty()) {
                // Written with a scope no class of the files read so far is in
                // (internal::Base from namespace testing): the run looks again
                // once it has read them all.
                link->referencedFrom = CurrentNamespace().value_or(std::string());
                link->nestedPath = true;
            }
        }
        if (token_ == kTokComma) {
            GetToken();
            continue;
        }
        if (token_ == kTokLBrace) {
            return 1;
        }
        return ReportParseError(node, "{ expected");
    }
}

// The qualifier of a class referred to as scope::name from the current
// namespace: the innermost of the namespace and those around it in which
// such a class is known, else the namespace itself (scope as written when
// the name carries one).
OwnedText SourceParser::ResolveCppScope(const std::string& name, const std::string& scope,
                                        bool* unresolved) {
    std::string space = CurrentNamespace() ? *CurrentNamespace() : std::string();
    for (;;) {
        std::string candidate =
            space.empty() ? scope : (scope.empty() ? space : space + "::" + scope);
        OwnedText qualifier = candidate.empty() ? OwnedText() : OwnedText(candidate);
        for (SourceSymbol* s = Find(language_, name, std::nullopt); s != nullptr;
             s = s->sameName.get()) {
            // A class only named as a base before, under a scope as
            // written, is no answer for a scoped name: it may be meant
            // relative to the namespace, which a later file declares.
            if (s->kind == kNodeClass && s->qualifier == qualifier &&
                (scope.empty() || !s->baseOnly)) {
                return qualifier;
            }
        }
        if (space.empty()) {
            break;
        }
        const size_t cut = space.rfind("::");
        space = cut == std::string::npos ? std::string() : space.substr(0, cut);
    }
    if (unresolved != nullptr) {
        *unresolved = true;
    }
    if (!scope.empty()) {
        return scope;
    }
    return CurrentNamespace();
}

// using Name = type;  becomes a typedef of the class; any other using
// declaration (using Base::f;) records nothing.
int SourceParser::ParseCppUsing(SourceSymbol* cls, OwnedText comment, int flags) {
    GetToken();
    if (token_ == kTokIdentifier) {
        std::string name = tokenText_;
        GetToken();
        SkipCppAttributes();
        if (token_ == kTokAssign) {
            GetToken();
            TypeText definition;
            if (SkipBalanced(definition, false, false) == 0) {
                return 0;
            }
            cls->AddChild(language_, name, std::nullopt, kNodeTypedef, flags,
                          definition.ToHeapString(), std::nullopt, std::move(comment));
        }
    }
    SkipCppStatement();
    return token_ != kTokRBrace && token_ != kTokEnd ? 1 : 0;
}

// One member: access labels, then a nested declaration, an enumeration, a
// typedef, a union, an alias, an attribute or a method. 0 ends the class
// body.
int SourceParser::ParseCppMember(SourceSymbol* cls, int& access, OwnedText comment,
                                 std::string functionTemplate) {
    for (;;) {
        if (IsAccessWord(token_)) {
            access = ModifierBitOf(token_);
            GetToken();
            if (token_ == kTokIdentifier && (tokenText_ == "slots" || tokenText_ == "Q_SLOTS")) {
                GetToken(); // public slots:
            }
            if (token_ != kTokColon) {
                ReportParseError(cls, ": expected");
                return SkipCppMemberRest();
            }
            GetToken();
        } else if (token_ == kTokIdentifier &&
                   (tokenText_ == "signals" || tokenText_ == "Q_SIGNALS")) {
            GetToken();
            if (token_ == kTokColon) {
                access = kModPublic; // signals are public members
                GetToken();
            }
        } else if (token_ == kTokLBracket ||
                   (token_ == kTokIdentifier && IsAttributeWord(tokenText_)) ||
                   (token_ == kTokIdentifier && IsMacroWord(tokenText_) &&
                    tokenText_ != cls->name)) {
            SkipCppAttributes();
        } else {
            break;
        }
    }
    if (token_ == kTokRBrace || token_ == kTokEnd) {
        return 0;
    }
    int flags = access;
    if (token_ == kTokException) {
        return ParseCppDeclaration(cls, access);
    }
    if (!comment) {
        comment = TakeComment();
    }
    cppMemberTemplate_ = std::move(functionTemplate);
    if (token_ == kTokTemplate) {
        // A member template: its parameters are the class's only when it
        // is a nested class; a member function template keeps them as the
        // head of its return type, so that it can be declared again.
        GetToken();
        SymbolList params;
        if (ParseCppTemplateParams(params, true) == 0) {
            return 0;
        }
        SkipCppRequires();
        SkipCppAttributes();
        if (token_ == kTokClass || token_ == kTokStruct) {
            return ParseCppClass(cls, access, std::move(comment), params);
        }
        cppMemberTemplate_ = CppTemplateHeadText(params);
    }
    TypeText type;
    std::string pendingName; // a member's name read with its class's
    if (token_ == kTokClass || token_ == kTokStruct) {
        SymbolList none;
        OwnedText kept = comment;
        const int result =
            ParseCppClass(cls, access, std::move(comment), none, &type, &pendingName);
        if (result != 2) {
            return result;
        }
        comment = std::move(kept);
    }
    if (token_ == kTokFriend || (token_ == kTokIdentifier && tokenText_ == "static_assert")) {
        SkipCppStatement();
        return token_ != kTokRBrace && token_ != kTokEnd ? 1 : 0;
    }
    if (token_ == kTokUsing) {
        return ParseCppUsing(cls, std::move(comment), flags);
    }
    if (token_ == kTokEnum) {
        OwnedText kept = comment;
        if (ParseEnum(cls, std::move(comment), flags, &type) != 2) {
            return 1;
        }
        comment = std::move(kept);
    }
    if (token_ == kTokTypedef) {
        ParseTypedef(cls, std::move(comment), flags);
        return 1;
    }
    if (token_ == kTokUnion) {
        // union [name] { ... } [declarators] ;   A named union that declares
        // no member is kept as a typedef of an unnamed union of its members
        // ("union {double d;int i;}"), so that the members typed with it
        // can be written again.
        GetToken();
        if (token_ == kTokIdentifier) {
            std::string name = tokenText_;
            GetToken();
            if (token_ == kTokLBrace) {
                TypeText body;
                body.AppendToken(kTokUnion, "union");
                if (SkipBalanced(body, true, false) == 0) {
                    return 0;
                }
                if (token_ == kTokSemicolon) {
                    cls->AddChild(language_, name, std::nullopt, kNodeTypedef, flags,
                                  body.ToHeapString(), std::nullopt, std::move(comment));
                }
            }
        }
        TypeText discarded;
        if (SkipBalanced(discarded, false, false) == 0) {
            return 0;
        }
        if (token_ == kTokSemicolon) {
            GetToken();
        }
        return token_ != kTokRBrace && token_ != kTokEnd ? 1 : 0;
    }
    while (!pendingName.empty() ||
           (token_ != kTokSemicolon && token_ != kTokRBrace && token_ != kTokEnd)) {
        const int t = pendingName.empty() ? token_ : kTokIdentifier;
        // "typename" before a dependent type is part of the type: a member
        // written again without it does not compile.
        if (t == kTokIdentifier && tokenText_ == "typename" && OnlyQualifiers(type.Text())) {
            type.AppendToken(t, tokenText_);
            GetToken();
            continue;
        }
        if (t == kTokIdentifier && pendingName.empty() && IsAttributeWord(tokenText_)) {
            // An attribute between the words of a declaration:
            // static __attribute__((visibility("default"))) void f();
            SkipCppAttributes();
            continue;
        }
        if (IsSpecifierWord(t, tokenText_)) {
            const bool conditional = tokenText_ == "explicit";
            GetToken();
            if (conditional && token_ == kTokLParen) {
                TypeText discarded;
                SkipBalanced(discarded, true, false);
            } else if (conditional) {
                flags |= kModExplicit;
            }
            continue;
        }
        if (t == kTokIdentifier && tokenText_ == "decltype") {
            type.AppendToken(t, tokenText_);
            GetToken();
            if (token_ == kTokLParen && SkipBalanced(type, true, false) == 0) {
                return 0;
            }
            continue;
        }
        if (t == kTokIdentifier || (t == kTokException && !type.IsEmpty())) {
            const bool pending = !pendingName.empty();
            std::string name = pending ? std::move(pendingName) : tokenText_;
            const int line = lineCounter_;
            if (!pending) {
                GetToken();
            }
            pendingName.clear();
            if (token_ == kTokLess && type.IsEmpty() && cls->name.starts_with(name)) {
                // A constructor written with the class's arguments: Name<void>(...)
                TypeText list;
                if (SkipGenericArguments(list, true) == 0) {
                    return 0;
                }
                if (token_ != kTokLParen) {
                    type.AppendToken(kTokIdentifier, name + list.Text());
                    continue;
                }
            }
            if (token_ == kTokLParen) {
                if (!type.IsEmpty() && type.Text().back() == '~') {
                    // What stands before "~" is the scope of a destructor
                    // defined outside its class (Scope::~Name).
                    type.SetLength(type.Length() - 1);
                    name = std::string("~").append(name);
                }
                return ParseCppMethod(cls, std::move(name), std::move(comment), type, flags);
            }
            // A brace after a typed name initialises it: int count{0};
            if (token_ == kTokComma || token_ == kTokAssign || token_ == kTokSemicolon ||
                ((token_ == kTokLBracket || token_ == kTokLBrace) && !type.IsEmpty())) {
                return ParseCppAttribute(cls, name, comment, type, flags, line);
            }
            if (token_ == kTokColon && !type.IsEmpty()) {
                // A bit field: its width is not part of the type.
                while (token_ != kTokComma && token_ != kTokAssign && token_ != kTokSemicolon &&
                       token_ != kTokLBrace && token_ != kTokRBrace && token_ != kTokEnd) {
                    GetToken();
                }
                return ParseCppAttribute(cls, name, comment, type, flags, line);
            }
            if (IsMacroWord(name) && name != cls->name) {
                continue; // an attribute macro inside the declaration
            }
            type.AppendToken(kTokIdentifier, name);
            continue;
        }
        if (t == kTokOperator) {
            std::string name = ParseCppOperatorName();
            if (token_ == kTokLParen) {
                return ParseCppMethod(cls, std::move(name), std::move(comment), type, flags);
            }
            type.AppendToken(kTokIdentifier, name);
            continue;
        }
        if (t == kTokConst) {
            // A const stays where it stands: before a "*" or "&" it
            // qualifies what is pointed at, and a return type keeps it; an
            // attribute takes the one of the member itself as its mode
            // (SplitMemberConst).
            type.AppendToken(t, tokenText_);
            GetToken();
            continue;
        }
        if (t == kTokStatic || t == kTokVirtual) {
            flags |= ModifierBitOf(t);
            GetToken();
            continue;
        }
        if (t == kTokLParen && !type.IsEmpty()) {
            // A pointer to a function: type (*name)(parameters).
            GetToken();
            TypeText declarator;
            declarator.AppendToken(kTokLParen, "(");
            // Class::* of a pointer to a member function stays in the type.
            while (token_ == kTokStar || token_ == kTokAmp || token_ == kTokAndAnd ||
                   token_ == kTokScope ||
                   (token_ == kTokIdentifier && declarator.Text().back() != '*' &&
                    declarator.Text().back() != '&')) {
                declarator.AppendToken(token_, tokenText_);
                GetToken();
            }
            if (declarator.Length() < 2 || token_ != kTokIdentifier) {
                return ReportParseError(nullptr, "bad function type");
            }
            std::string name = tokenText_;
            const int line = lineCounter_;
            GetToken();
            if (token_ != kTokRParen) {
                return ReportParseError(nullptr, "bad function type");
            }
            GetToken();
            declarator.AppendToken(kTokRParen, ")");
            type.AppendToken(kTokIdentifier, declarator.Text());
            if (token_ == kTokLParen && SkipBalanced(type, true, false) == 0) {
                return 0;
            }
            return ParseCppAttribute(cls, name, comment, type, flags, line);
        }
        if (t == kTokLParen) {
            if (ParseTypeName(type) == 0) {
                return 0;
            }
            continue;
        }
        if (t == kTokLess) {
            if (SkipGenericArguments(type, true) == 0) {
                return 0;
            }
            continue;
        }
        if (t == kTokLBrace) {
            // A block after a declaration the reader could not take apart:
            // passed over whole, so that its closing brace ends no scope.
            return SkipBody(nullptr, false) != 0 && token_ != kTokRBrace && token_ != kTokEnd ? 1
                                                                                              : 0;
        }
        type.AppendToken(t, tokenText_);
        GetToken();
    }
    if (token_ == kTokSemicolon) {
        GetToken();
    }
    return token_ != kTokRBrace && token_ != kTokEnd ? 1 : 0;
}

// operator followed by its symbol or type: operator==, operator(),
// operator[], operator const char*, operator std::string, operator new[].
std::string SourceParser::ParseCppOperatorName() {
    std::string name = "operator";
    GetToken();
    if (token_ == kTokLParen || token_ == kTokLBracket) {
        const int close = token_ == kTokLParen ? kTokRParen : kTokRBracket;
        GetToken();
        if (token_ == close) {
            name += close == kTokRParen ? "()" : "[]";
            GetToken();
        }
        return name;
    }
    if (token_ == kTokSemicolon || token_ == kTokRBrace || token_ == kTokEnd) {
        return name;
    }
    auto appendWord = [&] {
        name.push_back(' ');
        name += tokenText_;
        GetToken();
    };
    // A conversion to a globally qualified type: operator ::ns::Matcher<T>.
    const bool global = token_ == kTokScope;
    if (global) {
        GetToken();
        if (!IsWordToken(token_)) {
            return name + "::";
        }
    }
    if (!IsWordToken(token_)) {
        name += TokenText(token_, tokenText_);
        const bool lessEqual = token_ == kTokLessEqual;
        GetToken();
        if (lessEqual && token_ == kTokGreater) {
            name += ">"; // operator<=>
            GetToken();
        }
        return name;
    }
    // A conversion to a template's type: operator Action<F>, operator ns::Matcher<T>.
    auto appendArguments = [&] {
        if (token_ == kTokLess) {
            TypeText list;
            SkipGenericArguments(list, true);
            name += list.Text();
        }
    };
    bool typeWord = IsTypeKeyword(token_) || token_ == kTokConst;
    if (global) {
        name += " ::";
        name += tokenText_;
        GetToken();
    } else {
        appendWord();
    }
    appendArguments();
    for (;;) {
        if (token_ == kTokConst || (typeWord && IsTypeKeyword(token_))) {
            typeWord = true;
            appendWord();
        } else if (token_ == kTokScope) {
            name += "::";
            GetToken();
            if (IsWordToken(token_)) {
                name += tokenText_;
                GetToken();
                appendArguments();
            }
        } else if (typeWord && token_ == kTokIdentifier) {
            typeWord = false;
            appendWord();
        } else {
            break;
        }
    }
    while (token_ == kTokStar || token_ == kTokAmp || token_ == kTokAndAnd) {
        name += TokenText(token_, tokenText_);
        GetToken();
    }
    if (token_ == kTokLBracket) {
        GetToken();
        if (token_ == kTokRBracket) {
            name += "[]";
            GetToken();
        }
    }
    return name;
}

// The text with each word that is a macro of the run standing for a name
// (written like a macro: GTEST_SAVER_) replaced by that name, so that a
// member's type names the class and not a macro no header defines.
std::string SourceParser::ExpandCppNameMacros(std::string text) const {
    if (objectMacros_.empty()) {
        return text;
    }
    auto isWordChar = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
    };
    for (size_t at = 0; at < text.size();) {
        if (!isWordChar(text[at])) {
            ++at;
            continue;
        }
        size_t end = at;
        while (end < text.size() && isWordChar(text[end])) {
            ++end;
        }
        const std::string_view word(text.data() + at, end - at);
        const std::string* found = IsMacroWord(word) ? NameMacroText(word) : nullptr;
        if (found == nullptr) {
            at = end;
            continue;
        }
        text.replace(at, end - at, *found);
        at += found->size();
    }
    return text;
}

// The rest of a member that could not be read: up to and including its ";",
// never past the "}" that closes the class, so that the class and the
// namespace around it end where they end. 0 when the class ends here.
int SourceParser::SkipCppMemberRest() {
    TypeText discarded;
    SkipBalanced(discarded, false, false);
    if (token_ == kTokSemicolon) {
        GetToken();
    }
    return token_ != kTokRBrace && token_ != kTokEnd ? 1 : 0;
}

// Declarators after the first name:  name [dims] [= init] , [*|&] name ... ;
// The comment goes to every declarator; a comment that begins on the line of
// the first name (a trailing comment) replaces the last one's.
int SourceParser::ParseCppAttribute(SourceSymbol* scope, const std::string& name,
                                    const OwnedText& comment, TypeText& type, int flags, int line) {
    if (token_ != kTokComma && token_ != kTokAssign && token_ != kTokLBracket &&
        token_ != kTokLBrace && token_ != kTokSemicolon) {
        ReportParseError(scope, ", or = or ; expected");
        return SkipCppMemberRest();
    }
    std::string declarator = name;
    SourceSymbol* last = nullptr;
    for (;;) {
        const size_t mark = type.Length();
        while (token_ == kTokLBracket) {
            if (SkipBalanced(type, true, false) == 0) {
                return 0;
            }
        }
        auto [memberType, memberConst] = SplitMemberConst(type.ToHeapString());
        last = scope->AddChild(language_, declarator, std::nullopt, kNodeAttribute,
                               flags | (memberConst ? int(kModConst) : 0), memberType, std::nullopt,
                               comment);
        if (token_ == kTokLBrace && language_ == kLangCpp) {
            // A default member initialiser in braces keeps them: int n{0}.
            TypeText initializer(TypeText::kMaxValueLength);
            if (SkipBalanced(initializer, true, false) == 0) {
                return 0;
            }
            if (!initializer.IsEmpty()) {
                last->text2 = initializer.Text();
            }
        }
        if (token_ != kTokComma) {
            break;
        }
        type.SetLength(mark);
        GetToken();
        while (token_ == kTokStar || token_ == kTokAmp) {
            type.AppendToken(token_, tokenText_);
            GetToken();
        }
        if (token_ != kTokIdentifier) {
            ReportParseError(scope, "; expected");
            return SkipCppMemberRest();
        }
        declarator = tokenText_;
        GetToken();
    }
    if (token_ == kTokAssign) {
        // A member of C++ keeps its initial value: a static one declared
        // "auto" cannot be declared again without it, and another's is the
        // default its constructors give it.
        const bool keep = language_ == kLangCpp;
        if (keep) {
            GetToken();
        }
        TypeText initializer;
        if (SkipBalanced(initializer, false, false) == 0) {
            return 0;
        }
        if (keep && !initializer.IsEmpty()) {
            last->text2 = initializer.ToHeapString();
        }
    }
    if (token_ != kTokSemicolon) {
        ReportParseError(scope, "; expected");
        return SkipCppMemberRest();
    }
    GetToken();
    if (commentSeen_ && commentLine_ == line && !comment_.empty()) {
        last->comment = TakeComment();
    }
    return 1;
}

// name ( parameters ) [const] [: initialisers] [throw (...)] [= 0] (; | body)
// A name followed by anything else was a macro call standing in the class
// body: its node is dropped, with a parenthesised group and ";" after it.
int SourceParser::ParseCppMethod(SourceSymbol* cls, std::string name, OwnedText comment,
                                 const TypeText& type, int flags) {
    // Built apart and added once it is known to be a method.
    auto method = std::make_unique<SourceSymbol>(std::move(name), std::nullopt);
    method->kind = kNodeMethod;
    method->flags = flags;
    method->text1 = type.ToHeapString();
    if (!cppMemberTemplate_.empty()) {
        const std::string& returns = *method->text1;
        method->text1 = returns.empty() ? cppMemberTemplate_ : cppMemberTemplate_ + " " + returns;
        cppMemberTemplate_.clear();
    }
    method->comment = std::move(comment);
    cppValueArgument_ = false;
    if (token_ != kTokLParen) {
        return ReportParseError(method.get(), "( expected");
    }
    GetToken();
    while (token_ != kTokRParen && token_ != kTokRBrace && token_ != kTokSemicolon &&
           token_ != kTokEnd) {
        if (SkipCppAttributes()) {
            continue;
        }
        // "typename" stays with a dependent type (typename T::type).
        TypeText paramType;
        if (token_ == kTokIdentifier && tokenText_ == "typename") {
            paramType.AppendToken(token_, tokenText_);
            GetToken();
        }
        if (!StartsCppType(token_)) {
            cppValueArgument_ = cppValueArgument_ || token_ == kTokNumber || token_ == kTokString ||
                                token_ == kTokCharacter;
            GetToken();
            continue;
        }
        if (ParseTypeName(paramType) == 0) {
            return 0;
        }
        if (token_ != kTokIdentifier && token_ != kTokComma && token_ != kTokRParen &&
            token_ != kTokAssign) {
            return ReportParseError(method.get(), "identifier or , or ) expected");
        }
        std::string paramName;
        if (token_ == kTokIdentifier) {
            paramName = tokenText_;
            GetToken();
            while (token_ == kTokLBracket) {
                if (SkipBalanced(paramType, true, false) == 0) {
                    return 0;
                }
            }
        }
        SourceSymbol* param =
            method->AddChild(language_, paramName, std::nullopt, kNodeParameter, 0,
                             paramType.ToHeapString(), std::nullopt, std::nullopt);
        if (token_ == kTokAssign) {
            GetToken();
            TypeText value;
            if (SkipCppValue(value) == 0) {
                return 0;
            }
            param->text2 = value.Text();
        }
        if (token_ == kTokComma) {
            GetToken();
        }
    }
    if (token_ != kTokRParen) {
        return ReportParseError(method.get(), ") expected");
    }
    GetToken();
    for (;;) {
        if (token_ == kTokConst) {
            method->flags |= kModConst;
            GetToken();
        } else if (IsTrailingSpecifier(token_, tokenText_)) {
            const bool condition = tokenText_ == "noexcept";
            if (token_ == kTokIdentifier && tokenText_ == "override") {
                method->flags |= kModOverride;
            } else if (token_ == kTokIdentifier && tokenText_ == "final") {
                method->flags |= kModFinal;
            }
            GetToken();
            if (condition && token_ == kTokLParen) {
                TypeText discarded;
                if (SkipBalanced(discarded, true, false) == 0) {
                    return 0;
                }
            }
        } else if (token_ == kTokIdentifier && tokenText_ == "requires") {
            SkipCppRequires();
        } else if (token_ == kTokLBracket ||
                   (token_ == kTokIdentifier &&
                    (IsAttributeWord(tokenText_) || IsMacroWord(tokenText_)))) {
            SkipCppAttributes();
        } else if (token_ == kTokArrow) {
            SkipCppTrailingReturn(method.get());
        } else if (token_ == kTokColon) {
            SkipCppInitializers();
        } else if (token_ == kTokThrow) {
            if (ParseRaisesClause(method.get()) == 0) {
                return 0;
            }
        } else if (token_ == kTokAssign) {
            GetToken(); // = 0, = default, = delete
            if (token_ == kTokNumber && tokenText_ == "0") {
                method->flags |= kModAbstract; // pure virtual
            }
            if (token_ != kTokSemicolon && token_ != kTokEnd) {
                GetToken();
            }
        } else {
            break;
        }
    }
    if (token_ == kTokSemicolon) {
        cls->AppendChild(std::move(method));
        GetToken();
        return 1;
    }
    if (token_ == kTokLBrace) {
        SourceSymbol* added = cls->AppendChild(std::move(method));
        return SkipBody(added, false);
    }
    if (token_ == kTokLParen) {
        TypeText discarded;
        if (SkipBalanced(discarded, true, false) == 0) {
            return 0;
        }
        if (token_ == kTokSemicolon) {
            GetToken();
        }
    }
    return 1;
}

// -> type   up to the body, ";" or "="; a method declared "auto" takes it as
// its return type.
void SourceParser::SkipCppTrailingReturn(SourceSymbol* method) {
    GetToken();
    TypeText type;
    while (token_ != kTokSemicolon && token_ != kTokLBrace && token_ != kTokAssign &&
           token_ != kTokRBrace && token_ != kTokEnd) {
        if (token_ == kTokLParen) {
            if (SkipBalanced(type, true, false) == 0) {
                return;
            }
            continue;
        }
        type.AppendToken(token_, tokenText_);
        GetToken();
    }
    if (method->text1 && *method->text1 == "auto" && !type.IsEmpty()) {
        method->text1 = type.ToHeapString();
    }
}

// : member(args), base{args} ...   up to the body or ";". A brace right after
// a name or a template argument list initialises a member; any other opens
// the body.
void SourceParser::SkipCppInitializers() {
    int previous = token_;
    GetToken();
    while (token_ != kTokSemicolon && token_ != kTokEnd) {
        if (token_ == kTokLBrace && previous != kTokIdentifier && previous != kTokGreater) {
            return;
        }
        if (token_ == kTokLParen || token_ == kTokLBrace) {
            TypeText discarded;
            if (SkipBalanced(discarded, true, false) == 0) {
                return;
            }
            previous = kTokRParen;
            continue;
        }
        if (token_ == kTokRBrace) {
            return;
        }
        previous = token_;
        GetToken();
    }
}

} // namespace qm
