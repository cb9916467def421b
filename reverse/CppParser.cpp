// The C++ parser: a declaration scanner, not a compiler front end. It
// recognises the shapes of namespaces, classes and structs with their bases,
// attributes, methods, parameters, template parameters, nested types,
// enumerations and typedefs, and records them in the symbol table; every
// other token (function bodies, global functions and variables, expressions)
// is passed over one at a time, so that it never produces a node.
#include "reverse/SourceLanguage.h"
#include "reverse/SourceParser.h"

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

// At most this many template parameters are recorded for one class.
constexpr size_t kMaxTemplateParams = 16;

bool IsAccessWord(int token) {
    return token == kTokPrivate || token == kTokProtected || token == kTokPublic;
}

bool IsWordToken(int token) {
    return token == kTokIdentifier || (token >= 0 && token < kFirstNonKeywordToken);
}

// Tokens with which a parameter's type can begin.
bool StartsCppType(int token) {
    return token == kTokIdentifier || IsTypeKeyword(token) || token == kTokConst ||
           token == kTokStruct || token == kTokUnion || token == kTokEnum || token == kTokScope ||
           token == kTokRegister || token == kTokEllipsis;
}

// Words that modern C++ writes after a method's parameter list and that
// belong to the method: they must not make it read as a macro call.
bool IsTrailingSpecifier(int token, std::string_view text) {
    if (token == kTokVolatile || token == kTokAmp || token == kTokAndAnd) {
        return true;
    }
    return token == kTokIdentifier && (text == "noexcept" || text == "override" || text == "final");
}

} // namespace

int SourceParser::ParseCppFile(const std::string& path) {
    if (!OpenSourceFile(path)) {
        return 0;
    }
    ParseCppInput();
    return CloseSourceFile() == 0 ? 1 : 0;
}

// File level: using declarations, namespaces and declarations.
void SourceParser::ParseCppInput() {
    GetToken();
    while (token_ != kTokEnd) {
        if (token_ == kTokUsing) {
            SkipUsingDirectives();
        } else if (token_ == kTokNamespace) {
            ParseCppNamespace();
        } else {
            ParseCppDeclaration(nullptr, 0);
        }
    }
}

// namespace [name] { declarations }
// Namespaces do not nest: a namespace inside one is passed over token by
// token, and the declarations in it take the outer qualifier.
void SourceParser::ParseCppNamespace() {
    GetToken();
    OwnedText qualifier;
    if (token_ == kTokIdentifier) {
        TypeText name;
        // A ";" ends the name too, so that an alias never swallows what follows.
        while (token_ != kTokLBrace && token_ != kTokSemicolon && token_ != kTokEnd) {
            name.AppendToken(token_, tokenText_);
            GetToken();
        }
        qualifier = name.Text();
    }
    if (token_ != kTokLBrace) {
        ReportParseError(nullptr, "{ expected for namespace");
        return;
    }
    GetToken();
    SetCurrentNamespace(std::move(qualifier));
    while (token_ != kTokRBrace && token_ != kTokEnd) {
        if (token_ == kTokUsing) {
            SkipUsingDirectives();
        } else {
            ParseCppDeclaration(nullptr, 0);
        }
    }
    if (token_ == kTokRBrace) {
        GetToken();
    } else {
        ReportParseError(nullptr, "} expected for namespace");
    }
    SetCurrentNamespace(std::nullopt);
}

// [template <...>] (class | struct) [words] name (; | body)
// [template <...>] exception name (; | body)
// At file level anything else is one token passed over.
int SourceParser::ParseCppDeclaration(SourceSymbol* enclosing, int access) {
    OwnedText comment = TakeComment();
    SymbolList params;
    if (token_ == kTokTemplate) {
        GetToken();
        if (ParseCppTemplateParams(params) == 0) {
            return 0;
        }
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
    if (token_ != kTokClass && token_ != kTokStruct) {
        // In a class body the closing brace belongs to the class.
        if (enclosing == nullptr || (token_ != kTokRBrace && token_ != kTokEnd)) {
            GetToken();
        }
        return 1;
    }
    const bool isStruct = token_ == kTokStruct;
    const int defaultAccess = static_cast<int>(isStruct ? kModPublic : kModPrivate);
    GetToken();
    if (token_ != kTokIdentifier) {
        return 0;
    }
    // A macro word between the keyword and the name is passed over.
    std::string name;
    while (token_ == kTokIdentifier) {
        name = tokenText_;
        GetToken();
    }
    const int flags = isStruct ? static_cast<int>(kModStruct) : 0;
    SourceSymbol* node = nullptr;
    if (enclosing != nullptr) {
        node = enclosing->AddChild(language_, name, std::nullopt, kNodeClass, flags | access,
                                   std::nullopt, std::nullopt, std::move(comment));
    } else {
        node = FindOrInsertDeclaration(name, CurrentNamespace());
        node->kind = kNodeClass;
        node->flags |= flags;
        if (comment) {
            node->comment = std::move(comment);
        }
    }
    if (token_ == kTokSemicolon) {
        GetToken();
        return 1;
    }
    bool opened = false;
    int result = ParseCppClassBody(node, defaultAccess, enclosing, opened);
    if (opened) {
        // After the members; a class read twice keeps one parameter of a name.
        for (std::unique_ptr<SourceSymbol>& param : params) {
            SourceSymbol* existing = node->FindChild(language_, param->name);
            if (existing == nullptr || existing->kind != kNodeParameter) {
                node->AppendChild(std::move(param));
            }
        }
    }
    return result;
}

// < (class name [= default] | type name [= default]) , ... >
int SourceParser::ParseCppTemplateParams(SymbolList& params) {
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
        std::unique_ptr<SourceSymbol> param;
        if (token_ == kTokClass) {
            GetToken();
            if (token_ != kTokIdentifier) {
                return ReportParseError(nullptr, "template parameter expected");
            }
            param = std::make_unique<SourceSymbol>(tokenText_, std::nullopt);
        } else {
            TypeText type;
            if (ParseTypeName(type) == 0) {
                return 0;
            }
            if (token_ != kTokIdentifier) {
                return ReportParseError(nullptr, "template parameter expected");
            }
            param = std::make_unique<SourceSymbol>(tokenText_, std::nullopt);
            param->text1 = type.ToHeapString();
        }
        param->kind = kNodeParameter;
        GetToken();
        bool listEnded = false;
        if (token_ == kTokAssign) {
            // The default, up to a "," or ">" outside its own brackets.
            GetToken();
            int depth = 0;
            while (token_ != kTokSemicolon && token_ != kTokEnd && token_ != kTokLBrace) {
                if (token_ == kTokLess || token_ == kTokLParen || token_ == kTokLBracket) {
                    ++depth;
                } else if (token_ == kTokRParen || token_ == kTokRBracket) {
                    --depth;
                } else if (token_ == kTokComma && depth <= 0) {
                    break;
                } else if (token_ == kTokGreater || token_ == kTokShiftRight) {
                    depth -= token_ == kTokGreater ? 1 : 2;
                    if (depth < 0) {
                        // ">>" closing the default's last list and this one.
                        listEnded = token_ == kTokShiftRight && depth == -1;
                        if (listEnded) {
                            GetToken();
                        }
                        break;
                    }
                }
                GetToken();
            }
        }
        if (params.size() < kMaxTemplateParams) {
            params.push_back(std::move(param));
        }
        if (listEnded) {
            return 1;
        }
        if (token_ == kTokGreater) {
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

// : [access] [virtual] name [<...>] , ...
int SourceParser::ParseCppBaseList(SourceSymbol* node, SourceSymbol* enclosing) {
    GetToken();
    for (;;) {
        int flags = 0;
        while (IsAccessWord(token_) || token_ == kTokVirtual) {
            flags |= ModifierBitOf(token_);
            GetToken();
        }
        if (token_ == kTokScope) {
            GetToken(); // a name from the global namespace
        }
        OwnedText name = ParseQualifiedName();
        if (!name) {
            return ReportParseError(node, "bad base class list");
        }
        if (enclosing != nullptr) {
            enclosing->AddChild(language_, *name, std::nullopt, kNodeClass, 0, std::nullopt,
                                std::nullopt, std::nullopt);
        } else {
            SourceSymbol* base = FindOrInsertDeclaration(*name, CurrentNamespace());
            if (base->kind == 0) {
                base->kind = kNodeClass;
            }
        }
        node->AddChild(language_, *name, CurrentNamespace(), kNodeBaseClass, flags, std::nullopt,
                       std::nullopt, std::nullopt);
        if (token_ == kTokLess) {
            TypeText discarded;
            if (SkipGenericArguments(discarded, false) == 0) {
                return 0;
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

// One member: access labels, then a nested declaration, an enumeration, a
// typedef, a union, an attribute or a method. 0 ends the class body.
int SourceParser::ParseCppMember(SourceSymbol* cls, int& access) {
    while (IsAccessWord(token_)) {
        access = ModifierBitOf(token_);
        GetToken();
        if (token_ != kTokColon) {
            ReportParseError(cls, ": expected");
            return SkipDeclaration();
        }
        GetToken();
    }
    if (token_ == kTokRBrace || token_ == kTokEnd) {
        return 0;
    }
    int flags = access;
    if (token_ == kTokTemplate || token_ == kTokClass || token_ == kTokStruct ||
        token_ == kTokException) {
        return ParseCppDeclaration(cls, access);
    }
    OwnedText comment = TakeComment();
    if (token_ == kTokEnum) {
        ParseEnum(cls, std::move(comment), flags);
        return 1;
    }
    if (token_ == kTokTypedef) {
        ParseTypedef(cls, std::move(comment), flags);
        return 1;
    }
    if (token_ == kTokUnion) {
        // union [name] { ... } [declarators] ;
        TypeText discarded;
        if (SkipBalanced(discarded, false, false) == 0) {
            return 0;
        }
        if (token_ == kTokSemicolon) {
            GetToken();
        }
        return token_ != kTokRBrace && token_ != kTokEnd ? 1 : 0;
    }
    TypeText type;
    while (token_ != kTokSemicolon && token_ != kTokRBrace && token_ != kTokEnd) {
        const int t = token_;
        if (t == kTokIdentifier) {
            std::string name = tokenText_;
            const int line = lineCounter_;
            GetToken();
            if (token_ == kTokLParen) {
                if (!type.IsEmpty() && type.Text().back() == '~') {
                    type.Clear();
                    name = std::string("~").append(name);
                }
                return ParseCppMethod(cls, std::move(name), std::move(comment), type, flags);
            }
            // A brace after a typed name initialises it: int count{0};
            if (token_ == kTokComma || token_ == kTokAssign || token_ == kTokSemicolon ||
                ((token_ == kTokLBracket || token_ == kTokLBrace) && !type.IsEmpty())) {
                return ParseCppAttribute(cls, name, comment, type, flags, line);
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
        if (t == kTokConst || t == kTokStatic || t == kTokVirtual) {
            flags |= ModifierBitOf(t);
            GetToken();
            continue;
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
    if (!IsWordToken(token_)) {
        name += TokenText(token_, tokenText_);
        GetToken();
        return name;
    }
    bool typeWord = IsTypeKeyword(token_) || token_ == kTokConst;
    appendWord();
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

// Declarators after the first name:  name [dims] [= init] , [*|&] name ... ;
// The comment goes to every declarator; a comment that begins on the line of
// the first name (a trailing comment) replaces the last one's.
int SourceParser::ParseCppAttribute(SourceSymbol* scope, const std::string& name,
                                    const OwnedText& comment, TypeText& type, int flags, int line) {
    if (token_ != kTokComma && token_ != kTokAssign && token_ != kTokLBracket &&
        token_ != kTokLBrace && token_ != kTokSemicolon) {
        ReportParseError(scope, ", or = or ; expected");
        return SkipDeclaration();
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
        last = scope->AddChild(language_, declarator, std::nullopt, kNodeAttribute, flags,
                               type.ToHeapString(), std::nullopt, comment);
        if (token_ == kTokLBrace && language_ == kLangCpp) {
            TypeText initializer;
            if (SkipBalanced(initializer, true, false) == 0) {
                return 0;
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
            return SkipDeclaration();
        }
        declarator = tokenText_;
        GetToken();
    }
    if (token_ == kTokAssign) {
        TypeText initializer;
        if (SkipBalanced(initializer, false, false) == 0) {
            return 0;
        }
    }
    if (token_ != kTokSemicolon) {
        ReportParseError(scope, "; expected");
        return SkipDeclaration();
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
    method->comment = std::move(comment);
    if (token_ != kTokLParen) {
        return ReportParseError(method.get(), "( expected");
    }
    GetToken();
    while (token_ != kTokRParen && token_ != kTokRBrace && token_ != kTokSemicolon &&
           token_ != kTokEnd) {
        if (!StartsCppType(token_)) {
            GetToken();
            continue;
        }
        TypeText paramType;
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
            if (SkipBalanced(value, false, true) == 0) {
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
            GetToken();
            if (condition && token_ == kTokLParen) {
                TypeText discarded;
                if (SkipBalanced(discarded, true, false) == 0) {
                    return 0;
                }
            }
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
