// The IDL parser: modules, interfaces with their bases, attributes and
// operations, structs, exceptions, enumerations and typedefs, recorded in the
// symbol table. Constants, unions and definitions of other kinds are passed
// over. The exception body is shared with the C++ parser.
#include "reverse/SourceLanguage.h"
#include "reverse/SourceParser.h"

namespace qm {

namespace {

constexpr int kTokModule = KeywordToken("module");
constexpr int kTokInterface = KeywordToken("interface");
constexpr int kTokException = KeywordToken("exception");
constexpr int kTokStruct = KeywordToken("struct");
constexpr int kTokConst = KeywordToken("const");
constexpr int kTokTypedef = KeywordToken("typedef");
constexpr int kTokUnion = KeywordToken("union");
constexpr int kTokEnum = KeywordToken("enum");
constexpr int kTokReadonly = KeywordToken("readonly");
constexpr int kTokAttribute = KeywordToken("attribute");
constexpr int kTokOneway = KeywordToken("oneway");
constexpr int kTokIn = KeywordToken("in");
constexpr int kTokOut = KeywordToken("out");
constexpr int kTokInout = KeywordToken("inout");
constexpr int kTokRaises = KeywordToken("raises");
constexpr int kTokContext = KeywordToken("context");

int IdlKindOf(int token) {
    if (token == kTokModule) {
        return kNodePackage;
    }
    if (token == kTokInterface) {
        return kNodeInterface;
    }
    if (token == kTokStruct) {
        return kNodeOtherType;
    }
    return kNodeException;
}

// True after "} ;", which it consumes; a body that ends otherwise fails.
bool CloseBody(SourceParser& parser) {
    if (parser.Token() != kTokRBrace) {
        return false;
    }
    if (parser.GetToken() != kTokSemicolon) {
        return false;
    }
    parser.GetToken();
    return true;
}

} // namespace

int SourceParser::ParseIdlFile(const std::string& path) {
    if (!OpenSourceFile(path)) {
        return 0;
    }
    ParseIdlInput();
    return CloseSourceFile() == 0 ? 1 : 0;
}

void SourceParser::ParseIdlInput() {
    GetToken();
    while (token_ != kTokEnd) {
        ParseIdlDefinition(nullptr);
    }
}

// (module | interface | struct | exception) name (; | body)
// Constants, typedefs, unions and enumerations at this level are passed over
// up to their ";", and any other token on its own.
int SourceParser::ParseIdlDefinition(SourceSymbol* enclosing) {
    const int start = token_;
    if (start == kTokConst || start == kTokTypedef || start == kTokUnion || start == kTokEnum) {
        return SkipDeclaration();
    }
    if (start != kTokModule && start != kTokInterface && start != kTokStruct &&
        start != kTokException) {
        // In a body the closing brace belongs to the body.
        if (enclosing == nullptr || (token_ != kTokRBrace && token_ != kTokEnd)) {
            GetToken();
        }
        return 1;
    }
    OwnedText comment = TakeComment();
    GetToken();
    if (token_ != kTokIdentifier) {
        return 0;
    }
    const int kind = IdlKindOf(start);
    SourceSymbol* node = nullptr;
    if (enclosing == nullptr) {
        node = FindOrInsertDeclaration(tokenText_, CurrentNamespace());
        node->kind = kind;
        if (comment) {
            node->comment = std::move(comment);
        }
    } else if (kind == kNodePackage || kind == kNodeOtherType) {
        // A module opened again, or a struct declared again, is the same node.
        node = enclosing->FindChild(language_, tokenText_);
        if (node == nullptr || node->kind != kind) {
            node = enclosing->AddChild(language_, tokenText_, std::nullopt, kind, 0, std::nullopt,
                                       std::nullopt, std::move(comment));
        } else if (comment) {
            node->comment = std::move(comment);
        }
    } else {
        node = enclosing->AddChild(language_, tokenText_, std::nullopt, kind, 0, std::nullopt,
                                   std::nullopt, std::move(comment));
    }
    GetToken();
    if (token_ == kTokSemicolon) {
        GetToken();
        return 1;
    }
    if (!EnterNestedBody(node)) {
        return 0;
    }
    struct Leave {
        SourceParser* parser;
        ~Leave() { parser->LeaveNestedBody(); }
    } leave{this};
    switch (kind) {
    case kNodePackage:
        if (token_ != kTokLBrace) {
            return 0;
        }
        GetToken();
        while (token_ != kTokRBrace && token_ != kTokEnd) {
            ParseIdlDefinition(node);
        }
        return CloseBody(*this) ? 1 : 0;
    case kNodeInterface:
        return ParseIdlInterface(node, enclosing);
    case kNodeException:
        return ParseIdlExceptionBody(node);
    default:
        break;
    }
    // struct { type name ; ... } ;
    if (token_ != kTokLBrace) {
        return 0;
    }
    GetToken();
    while (token_ != kTokRBrace && token_ != kTokEnd) {
        OwnedText memberComment = TakeComment();
        TypeText type;
        if (ParseTypeName(type) == 0) {
            return 0;
        }
        if (token_ != kTokIdentifier) {
            ReportParseError(node, "; expected");
            if (SkipDeclaration() == 0) {
                return 0;
            }
            continue;
        }
        std::string name = tokenText_;
        const int line = lineCounter_;
        GetToken();
        if (ParseCppAttribute(node, name, memberComment, type, kModPublic, line) == 0) {
            return 0;
        }
    }
    return CloseBody(*this) ? 1 : 0;
}

// [: bases] { members } ;
int SourceParser::ParseIdlInterface(SourceSymbol* node, SourceSymbol* enclosing) {
    node->text2 = filePath_;
    if (token_ == kTokColon && ParseIdlBaseList(node, enclosing) == 0) {
        return 0;
    }
    if (token_ != kTokLBrace) {
        return 0;
    }
    GetToken();
    while (token_ != kTokRBrace && token_ != kTokEnd) {
        if (ParseIdlMember(node, false) == 0) {
            break;
        }
    }
    return CloseBody(*this) ? 1 : 0;
}

// : name [<...>] , ...   up to the body.
int SourceParser::ParseIdlBaseList(SourceSymbol* node, SourceSymbol* enclosing) {
    const char* badList = language_ == kLangCpp ? "bad base class list" : "bad base interface list";
    GetToken();
    for (;;) {
        if (token_ == kTokScope) {
            GetToken(); // a name from the outermost scope
        }
        OwnedText name = ParseQualifiedName();
        if (!name) {
            return ReportParseError(node, badList);
        }
        if (enclosing != nullptr) {
            enclosing->AddChild(language_, *name, std::nullopt, kNodeInterface, 0, std::nullopt,
                                std::nullopt, std::nullopt);
        } else {
            SourceSymbol* base = FindOrInsertDeclaration(*name, CurrentNamespace());
            if (base->kind == 0) {
                base->kind = kNodeInterface;
            }
        }
        node->AddChild(language_, *name, CurrentNamespace(), kNodeBaseClass, 0, std::nullopt,
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

// { members } ;   every member is an attribute declaration.
int SourceParser::ParseIdlExceptionBody(SourceSymbol* node) {
    if (token_ != kTokLBrace) {
        return 0;
    }
    GetToken();
    while (token_ != kTokRBrace && token_ != kTokEnd) {
        if (ParseIdlMember(node, true) == 0) {
            break;
        }
    }
    return CloseBody(*this) ? 1 : 0;
}

// One member of an interface or an exception: a nested definition, an
// enumeration, a typedef, a union, an attribute or an operation. A member
// that is neither ends at its ";" and records nothing. 0 ends the body.
int SourceParser::ParseIdlMember(SourceSymbol* scope, bool inException) {
    int flags = kModPublic;
    if (token_ == kTokInterface || token_ == kTokStruct || token_ == kTokException) {
        ParseIdlDefinition(scope);
        return token_ != kTokEnd ? 1 : 0;
    }
    OwnedText comment = TakeComment();
    if (token_ == kTokEnum) {
        ParseEnum(scope, std::move(comment), flags);
        return 1;
    }
    if (token_ == kTokTypedef) {
        ParseTypedef(scope, std::move(comment), flags);
        return 1;
    }
    if (token_ == kTokUnion) {
        TypeText discarded;
        if (SkipBalanced(discarded, false, false) == 0) {
            return 0;
        }
        if (token_ == kTokSemicolon) {
            GetToken();
        }
        return token_ != kTokRBrace && token_ != kTokEnd ? 1 : 0;
    }
    bool attribute = inException;
    for (;;) {
        if (token_ == kTokReadonly) {
            flags |= kModReadonly;
        } else if (token_ == kTokAttribute) {
            attribute = true;
        } else if (token_ == kTokOneway) {
            flags |= kModOneway;
        } else {
            break;
        }
        GetToken();
    }
    TypeText type;
    while (token_ != kTokSemicolon && token_ != kTokRBrace && token_ != kTokEnd) {
        if (token_ == kTokIdentifier) {
            std::string name = tokenText_;
            const int line = lineCounter_;
            GetToken();
            if (token_ == kTokLParen) {
                return ParseIdlOperation(scope, name, std::move(comment), type, flags);
            }
            if (attribute &&
                (token_ == kTokComma || token_ == kTokAssign || token_ == kTokSemicolon ||
                 (token_ == kTokLBracket && !type.IsEmpty()))) {
                return ParseCppAttribute(scope, name, comment, type, flags, line);
            }
            type.AppendToken(kTokIdentifier, name);
            continue;
        }
        type.AppendToken(token_, tokenText_);
        GetToken();
    }
    if (token_ == kTokSemicolon) {
        GetToken();
    }
    return token_ != kTokRBrace && token_ != kTokEnd ? 1 : 0;
}

// name ( [in|out|inout] type name , ... ) [raises (...)] [context (...)] ;
int SourceParser::ParseIdlOperation(SourceSymbol* scope, const std::string& name, OwnedText comment,
                                    const TypeText& type, int flags) {
    SourceSymbol* op = scope->AddChild(language_, name, std::nullopt, kNodeMethod, flags,
                                       type.ToHeapString(), std::nullopt, std::move(comment));
    if (token_ != kTokLParen) {
        return ReportParseError(op, "( expected");
    }
    GetToken();
    while (token_ != kTokRParen && token_ != kTokRBrace && token_ != kTokSemicolon &&
           token_ != kTokEnd) {
        int direction = 0;
        if (token_ == kTokIn || token_ == kTokOut || token_ == kTokInout) {
            direction = ModifierBitOf(token_);
            GetToken();
        }
        TypeText paramType;
        if (ParseTypeName(paramType) == 0) {
            return 0;
        }
        if (token_ != kTokIdentifier && token_ != kTokComma && token_ != kTokRParen &&
            token_ != kTokAssign) {
            return ReportParseError(op, "identifier or , or ) expected");
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
        op->AddChild(language_, paramName, std::nullopt, kNodeParameter, direction,
                     paramType.ToHeapString(), std::nullopt, std::nullopt);
        if (token_ == kTokAssign) {
            ReportParseError(op, "parameter initializer not allowed");
            GetToken();
            TypeText discarded;
            if (SkipBalanced(discarded, false, true) == 0) {
                return 0;
            }
        }
        if (token_ == kTokComma) {
            GetToken();
        }
    }
    if (token_ != kTokRParen) {
        return ReportParseError(op, ") expected");
    }
    GetToken();
    while (token_ == kTokRaises || token_ == kTokContext) {
        if (ParseRaisesClause(op) == 0) {
            return 0;
        }
    }
    if (token_ == kTokSemicolon) {
        GetToken();
        return 1;
    }
    if (token_ == kTokLBrace) {
        return SkipBody(op, false);
    }
    ReportParseError(op, "syntax error");
    return SkipDeclaration();
}

} // namespace qm
