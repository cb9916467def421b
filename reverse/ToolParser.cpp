// The Forte TOOL parser: a project export with begin/end statements around
// class and interface definitions (inherits and implements lists, then "has"
// members: attributes, constants, properties, methods and events with their
// parameters) and the method implementations written after them, which are
// attached to the methods the classes declare. Names compare without regard
// to letter case.
#include "reverse/LanguageParsers.h"

#include "reverse/SourceLanguage.h"

namespace qm {

namespace {

constexpr int kAttribute = KeywordToken("attribute");
constexpr int kBegin = KeywordToken("begin");
constexpr int kClass = KeywordToken("class");
constexpr int kConstant = KeywordToken("constant");
constexpr int kCopy = KeywordToken("copy");
constexpr int kEndWord = KeywordToken("end");
constexpr int kEvent = KeywordToken("event");
constexpr int kFile = KeywordToken("file");
constexpr int kFrom = KeywordToken("from");
constexpr int kHandler = KeywordToken("handler");
constexpr int kHas = KeywordToken("has");
constexpr int kInherits = KeywordToken("inherits");
constexpr int kInput = KeywordToken("input");
constexpr int kInterface = KeywordToken("interface");
constexpr int kIs = KeywordToken("is");
constexpr int kMapped = KeywordToken("mapped");
constexpr int kMethod = KeywordToken("method");
constexpr int kOutput = KeywordToken("output");
constexpr int kPrivate = KeywordToken("private");
constexpr int kProperty = KeywordToken("property");
constexpr int kPublic = KeywordToken("public");
constexpr int kVirtual = KeywordToken("virtual");
constexpr int kWhere = KeywordToken("where");

class ToolParser {
  public:
    explicit ToolParser(SourceParser& parser) : p_(parser), lang_(parser.Language()) {}

    int ParseFile();

  private:
    bool IsWord(std::string_view word) const;
    void SkipPastSemicolon();
    void ParseBegin();
    int ParseClass();
    int ParseBaseList(SourceSymbol* node, bool isInterface);
    void ParseMember(SourceSymbol* node);
    void ParseMethod(SourceSymbol* node, const std::string& name, int flags, OwnedText comment);
    void ParseImplementation();
    void SkipImplementationBody(SourceSymbol* method, bool isEvent);

    SourceParser& p_;
    int lang_;
};

bool ToolParser::IsWord(std::string_view word) const {
    return p_.Token() == kTokIdentifier &&
           SourceSymbolTable::CompareNames(kLangForte, p_.CurrentText(), word) == 0;
}

void ToolParser::SkipPastSemicolon() {
    while (p_.Token() != kTokSemicolon && p_.Token() != kTokEnd) {
        p_.GetToken();
    }
    if (p_.Token() == kTokSemicolon) {
        p_.GetToken();
    }
}

int ToolParser::ParseFile() {
    p_.SetCurrentNamespace(std::nullopt);
    p_.GetToken();
    while (p_.Token() != kTokEnd) {
        int t = p_.Token();
        if (t == kBegin) {
            ParseBegin();
        } else if (t == kEndWord) {
            SkipPastSemicolon();
            p_.SetCurrentNamespace(std::nullopt);
        } else if (t == kClass || t == kInterface) {
            ParseClass();
        } else if (t == kMethod || t == kEvent) {
            ParseImplementation();
        } else {
            p_.GetToken();
        }
    }
    return 1;
}

// begin [TOOL|C|DCE|OBB] Project ;     begin class ... ;
void ToolParser::ParseBegin() {
    p_.GetToken();
    if (p_.Token() == kClass) {
        SkipPastSemicolon();
        return;
    }
    if (IsWord("tool") || IsWord("c") || IsWord("dce") || IsWord("obb")) {
        p_.GetToken();
    }
    if (p_.Token() == kTokIdentifier) {
        TypeText name;
        while (p_.Token() != kTokSemicolon && p_.Token() != kTokEnd) {
            name.AppendToken(p_.Token(), p_.CurrentText());
            p_.GetToken();
        }
        p_.SetCurrentNamespace(name.Text());
    }
    if (p_.Token() == kTokSemicolon) {
        p_.GetToken();
    }
}

// class Name [is mapped] [inherits ...] { has member | implements ... } end [class] ;
int ToolParser::ParseClass() {
    const bool isInterface = p_.Token() == kInterface;
    OwnedText comment = p_.TakeComment();
    p_.GetToken();
    OwnedText name = p_.ParseQualifiedName();
    if (!name) {
        p_.ReportParseError(nullptr, "identifier expected after interface/class");
        if (p_.Token() != kTokEnd) {
            p_.GetToken();
        }
        return 0;
    }
    SourceSymbol* node = p_.FindOrInsert(lang_, *name, p_.CurrentNamespace());
    node->kind = isInterface ? kNodeInterface : kNodeClass;
    node->flags = isInterface ? kModPublic | kModAbstract : kModPublic;
    if (comment) {
        node->comment = std::move(comment);
    }
    node->text2 = p_.FilePath();

    if (p_.Token() == kIs) {
        p_.GetToken();
        if (p_.Token() == kMapped) {
            p_.GetToken();
        }
    }
    if (p_.Token() == kInherits && ParseBaseList(node, isInterface) == 0) {
        return 0;
    }
    while (p_.Token() == kHas || IsWord("implements")) {
        if (p_.Token() == kHas) {
            p_.GetToken();
            ParseMember(node);
        } else if (ParseBaseList(node, isInterface) == 0) {
            return 0;
        }
    }
    if (p_.Token() != kEndWord) {
        return 0;
    }
    p_.GetToken();
    if (p_.Token() == kClass || p_.Token() == kInterface) {
        p_.GetToken();
    }
    if (p_.Token() != kTokSemicolon) {
        return p_.ReportParseError(node, "; expected after end class");
    }
    p_.GetToken();
    return 1;
}

// inherits [from] A , ...   implements I , ... ;
int ToolParser::ParseBaseList(SourceSymbol* node, bool isInterface) {
    bool inherited = false;
    for (;;) {
        bool implements = false;
        if (p_.Token() == kInherits) {
            if (inherited && !isInterface) {
                p_.ReportParseError(node, "a class can only extend a single class");
            }
            inherited = true;
            p_.GetToken();
            if (p_.Token() == kFrom) {
                p_.GetToken();
            }
        } else if (IsWord("implements")) {
            if (isInterface) {
                p_.ReportParseError(node, "an interface cannot implement anything");
            }
            implements = true;
            p_.GetToken();
        } else {
            return 1;
        }
        for (;;) {
            OwnedText name = p_.ParseQualifiedName();
            if (!name) {
                return p_.ReportParseError(node, "bad extends/implements list");
            }
            const int kind = implements || isInterface ? kNodeInterface : kNodeClass;
            SourceSymbol* base = nullptr;
            for (SourceSymbol* s = p_.Find(lang_, *name, std::nullopt); s != nullptr;
                 s = s->sameName.get()) {
                if (s->kind == kind) {
                    base = s;
                    break;
                }
            }
            if (base == nullptr) {
                base = p_.FindOrInsert(lang_, *name, p_.CurrentNamespace());
                if (base->kind == 0) {
                    base->kind = kind;
                }
            }
            node->AddChild(lang_, base->name, base->qualifier,
                           implements ? kNodeImplements : kNodeBaseClass, 0, std::nullopt,
                           std::nullopt, std::nullopt);
            if (p_.Token() != kTokComma) {
                break;
            }
            p_.GetToken();
        }
        if (implements) {
            if (p_.Token() != kTokSemicolon) {
                return p_.ReportParseError(node, "; expected");
            }
            p_.GetToken();
        }
    }
}

// One member after "has"; it ends at its ";" (consumed) or before "end".
void ToolParser::ParseMember(SourceSymbol* node) {
    int flags = 0;
    if (p_.Token() == kPrivate || p_.Token() == kPublic) {
        flags = p_.Token() == kPrivate ? kModPrivate : kModPublic;
        p_.GetToken();
    }
    OwnedText comment = p_.TakeComment();
    int t = p_.Token();
    if (t == kConstant) {
        p_.GetToken();
        if (p_.Token() != kTokIdentifier) {
            p_.ReportParseError(node, "Identifier expected after 'constant'");
        } else {
            std::string name = p_.CurrentText();
            p_.GetToken();
            if (p_.Token() != kTokAssign) {
                p_.ReportParseError(node, "= expected");
            } else {
                p_.GetToken();
                TypeText value;
                while (p_.Token() != kTokComma && p_.Token() != kTokSemicolon &&
                       p_.Token() != kTokEnd) {
                    value.AppendToken(p_.Token(), p_.CurrentText());
                    p_.GetToken();
                }
                node->AddChild(lang_, name, std::nullopt, kNodeAttribute, flags | kModConst,
                               std::nullopt, value.Text(), std::move(comment));
            }
        }
    } else if (t == kMethod || t == kEvent) {
        p_.GetToken();
        if (t == kEvent && p_.Token() == kHandler) {
            p_.GetToken();
        }
        if (p_.Token() != kTokIdentifier && p_.Token() != kTokString) {
            p_.ReportParseError(node, "Method name expected");
        } else {
            std::string name = p_.CurrentText();
            p_.GetToken();
            ParseMethod(node, name, flags, std::move(comment));
        }
    } else if (t == kProperty) {
        p_.GetToken();
        while (p_.Token() == kTokIdentifier) {
            std::string name = p_.CurrentText();
            p_.GetToken();
            if (p_.Token() != kTokAssign) {
                p_.ReportParseError(node, "= expected");
                break;
            }
            p_.GetToken();
            TypeText value;
            while (p_.Token() != kTokSemicolon && p_.Token() != kTokEnd) {
                value.AppendToken(p_.Token(), p_.CurrentText());
                p_.GetToken();
            }
            node->AddChild(lang_, name, std::nullopt, kNodeAttribute, flags, std::nullopt,
                           value.Text(), std::move(comment));
            comment.reset();
            if (p_.Token() != kTokSemicolon) {
                p_.ReportParseError(node, "; expected");
                return;
            }
            p_.GetToken();
        }
        return;
    } else if (t != kFile) {
        if (p_.Token() == kVirtual) {
            flags |= kModVirtual;
            p_.GetToken();
        }
        if (p_.Token() == kAttribute) {
            p_.GetToken();
        }
        if (p_.Token() != kTokIdentifier) {
            p_.ReportParseError(node, "Attribute name expected");
        } else {
            std::string name = p_.CurrentText();
            p_.GetToken();
            if (p_.Token() != kTokColon) {
                p_.ReportParseError(node, ": expected after attribute");
            } else {
                p_.GetToken();
                TypeText type;
                p_.ParseTypeName(type);
                node->AddChild(lang_, name, std::nullopt, kNodeAttribute, flags,
                               type.ToHeapString(), std::nullopt, std::move(comment));
            }
        }
    }
    while (p_.Token() != kTokSemicolon && p_.Token() != kTokEnd && p_.Token() != kEndWord) {
        p_.GetToken();
    }
    if (p_.Token() == kTokSemicolon) {
        p_.GetToken();
    }
}

// A declared method or event from the token after its name.
void ToolParser::ParseMethod(SourceSymbol* node, const std::string& name, int flags,
                             OwnedText comment) {
    SourceSymbol* method = node->AddChild(lang_, name, std::nullopt, kNodeMethod, flags,
                                          std::nullopt, std::nullopt, std::move(comment));
    if (p_.Token() == kTokLParen) {
        p_.GetToken();
        while (p_.Token() != kTokRParen && p_.Token() != kTokRBrace &&
               p_.Token() != kTokSemicolon && p_.Token() != kTokEnd) {
            int direction = 0;
            if (p_.Token() == kCopy) {
                p_.GetToken();
            }
            if (p_.Token() == kInput) {
                direction = kModIn;
                p_.GetToken();
                if (p_.Token() == kOutput) {
                    direction = kModInOut;
                    p_.GetToken();
                }
            } else if (p_.Token() == kOutput) {
                direction = kModOut;
                p_.GetToken();
            }
            if (IsWord("reference")) {
                p_.GetToken();
            }
            if (p_.Token() != kTokIdentifier && p_.Token() != kTokString) {
                int t = p_.Token();
                if (t != kTokColon && t != kWhere && t != kHas && t != kTokSemicolon) {
                    p_.ReportParseError(method, "unexpected symbol");
                }
                break;
            }
            SourceSymbol* parameter =
                method->AddChild(lang_, p_.CurrentText(), std::nullopt, kNodeParameter, direction,
                                 std::nullopt, std::nullopt, std::nullopt);
            p_.GetToken();
            if (p_.Token() != kTokColon) {
                p_.ReportParseError(method, ": expected after method parameter");
                break;
            }
            p_.GetToken();
            TypeText type;
            while (p_.Token() != kTokComma && p_.Token() != kTokAssign &&
                   p_.Token() != kTokRParen && p_.Token() != kTokSemicolon &&
                   p_.Token() != kTokEnd) {
                type.AppendToken(p_.Token(), p_.CurrentText());
                p_.GetToken();
            }
            parameter->text1 = type.ToHeapString();
            if (p_.Token() == kTokAssign) {
                p_.GetToken();
                TypeText value;
                while (p_.Token() != kTokComma && p_.Token() != kTokRParen &&
                       p_.Token() != kTokSemicolon && p_.Token() != kTokEnd) {
                    value.AppendToken(p_.Token(), p_.CurrentText());
                    p_.GetToken();
                }
                parameter->text2 = value.Text();
            }
            if (p_.Token() == kTokComma) {
                p_.GetToken();
            }
        }
        if (p_.Token() == kTokRParen) {
            p_.GetToken();
        }
    }
    if (p_.Token() == kTokColon) {
        p_.GetToken();
        if (p_.Token() == kCopy) {
            p_.GetToken();
        }
        TypeText type;
        while (p_.Token() != kTokSemicolon && p_.Token() != kWhere && p_.Token() != kHas &&
               p_.Token() != kTokEnd) {
            type.AppendToken(p_.Token(), p_.CurrentText());
            p_.GetToken();
        }
        method->text1 = type.ToHeapString();
    }
    if (p_.Token() == kTokLBrace) {
        p_.SkipBody(method, false);
    }
}

// method Class.Name [(...)] ... begin ... end method ;   (or event ... end event)
void ToolParser::ParseImplementation() {
    const bool isEvent = p_.Token() == kEvent;
    p_.GetToken();
    if (isEvent && p_.Token() == kHandler) {
        p_.GetToken();
    }
    if (p_.Token() != kTokIdentifier) {
        p_.ReportParseError(nullptr, "class identifier expected after 'method'");
        return;
    }
    SourceSymbol* owner = p_.Find(lang_, p_.CurrentText(), p_.CurrentNamespace());
    p_.GetToken();
    std::string name;
    bool named = false;
    if (owner != nullptr && owner->kind == kNodeClass && p_.Token() == kTokDot) {
        p_.GetToken();
        if (p_.Token() == kTokIdentifier || p_.Token() == kTokString) {
            name = p_.CurrentText();
            named = true;
            p_.GetToken();
        }
    }
    SourceSymbol* method = nullptr;
    if (!named) {
        p_.ReportParseError(nullptr, "method name expected for class " +
                                         p_.CurrentNamespace().value_or("") + "." +
                                         std::string(TokenText(p_.Token(), p_.CurrentText())));
    } else {
        method = owner->FindChild(lang_, name);
        if (method == nullptr || method->kind != kNodeMethod) {
            p_.ReportParseError(nullptr, "method '" + name + "' not declared in the class");
            method = nullptr;
        }
    }
    SkipImplementationBody(method, isEvent);
}

// ... begin ... end method ; [has property name = value ; ...]
void ToolParser::SkipImplementationBody(SourceSymbol* method, bool isEvent) {
    while (p_.Token() != kBegin && p_.Token() != kTokEnd) {
        p_.GetToken();
    }
    if (p_.Token() == kTokEnd || p_.SkipBody(method, isEvent) == 0) {
        return;
    }
    SkipPastSemicolon();
    if (p_.Token() == kHas) {
        p_.GetToken();
        if (p_.Token() == kProperty) {
            p_.GetToken();
            while (p_.Token() == kTokIdentifier) {
                SkipPastSemicolon();
            }
        }
    }
}

} // namespace

int ParseToolInput(SourceParser& parser) {
    ToolParser tool(parser);
    return tool.ParseFile();
}

int SourceParser::ParseToolFile(const std::string& path) {
    if (!OpenSourceFile(path)) {
        return 0;
    }
    ParseToolInput(*this);
    return CloseSourceFile() == 0 ? 1 : 0;
}

} // namespace qm
