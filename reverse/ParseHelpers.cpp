// The parse helpers the language parsers share: the bounded type text, the
// comment normaliser, bracket, generic-argument, body and declaration
// skipping with method-body capture, enumerations, typedefs, raises clauses,
// type names and qualified names. Each works on the current token and leaves
// the token after what it read as the current one.
#include "reverse/SourceParser.h"

#include "reverse/ReverseDocument.h"
#include "reverse/SourceLanguage.h"

#include <algorithm>
#include <array>

namespace qm {

namespace {

// The bytes of a UTF-8 sequence are parts of letters: the tokenizer keeps
// non-ASCII letters in identifiers whole.
bool IsLetter(int c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0x80;
}
bool IsDigit(int c) {
    return c >= '0' && c <= '9';
}
bool IsWordChar(int c) {
    return IsLetter(c) || IsDigit(c) || c == '_';
}

bool IsOpenBracket(int token) {
    return token == kTokLBrace || token == kTokLParen || token == kTokLBracket;
}

bool IsCloseBracket(int token) {
    return token == kTokRBrace || token == kTokRParen || token == kTokRBracket;
}

constexpr int kTokUsing = KeywordToken("using");
constexpr int kTokEnum = KeywordToken("enum");
constexpr int kTokRaises = KeywordToken("raises");
constexpr int kTokThrow = KeywordToken("throw");
constexpr int kTokContext = KeywordToken("context");
constexpr int kTokConst = KeywordToken("const");
constexpr int kTokClass = KeywordToken("class");
constexpr int kTokStruct = KeywordToken("struct");
constexpr int kTokUnion = KeywordToken("union");
constexpr int kTokRegister = KeywordToken("register");
constexpr int kTokFinal = KeywordToken("final");
constexpr int kTokHas = KeywordToken("has");
constexpr int kTokWhere = KeywordToken("where");
constexpr int kTokEndWord = KeywordToken("end");
constexpr int kTokMethod = KeywordToken("method");
constexpr int kTokEvent = KeywordToken("event");
constexpr int kTokFile = KeywordToken("file");

// Removes the last whole-word occurrence of name from text: the name a
// typedef declares, not the same word earlier in its type
// (typedef ns::Name Name).
std::string RemoveWord(const std::string& text, const std::string& name) {
    if (name.empty()) {
        return text;
    }
    for (size_t i = text.rfind(name); i != std::string::npos;
         i = i == 0 ? std::string::npos : text.rfind(name, i - 1)) {
        const bool startsWord = i == 0 || !IsWordChar(static_cast<unsigned char>(text[i - 1]));
        const size_t end = i + name.size();
        if (startsWord &&
            (end == text.size() || !IsWordChar(static_cast<unsigned char>(text[end])))) {
            return text.substr(0, i) + text.substr(end);
        }
    }
    return text;
}

} // namespace

// ---- TypeText ----

void TypeText::AppendToken(int token, std::string_view tokenText) {
    std::string_view piece = TokenText(token, tokenText);
    if (piece.empty()) {
        return;
    }
    auto endsWord = [](int c) { return IsWordChar(c) || c == '*' || c == '&'; };
    auto startsWord = [](int c) { return IsLetter(c) || c == '_'; };
    bool blank = !text_.empty() && endsWord(static_cast<unsigned char>(text_.back())) &&
                 startsWord(static_cast<unsigned char>(piece.front()));
    if (text_.size() + (blank ? 1 : 0) + piece.size() > maxLength_) {
        cut_ = true;
        return;
    }
    if (blank) {
        text_.push_back(' ');
    }
    text_.append(piece);
}

std::string TypeText::ToHeapString() const {
    if (!text_.empty() && (text_[0] == '(' || (text_[0] == '[' && text_.size() > 64))) {
        return text_[0] == '(' ? "(...)" : "[...]";
    }
    return text_;
}

void TypeText::SetLength(size_t length) {
    if (length < text_.size()) {
        text_.resize(length);
        cut_ = false;
    }
}

bool MatchingBrackets(int open, int close) {
    return (open == kTokLBrace && close == kTokRBrace) ||
           (open == kTokLParen && close == kTokRParen) ||
           (open == kTokLBracket && close == kTokRBracket);
}

// ---- Method bodies ----

std::string SourceCapture::ExtractBody(int language) const {
    bool forte = language == kLangForte;
    size_t cut = text.rfind(forte ? ';' : '}');
    std::string_view body(text);
    std::string indent;
    if (cut != std::string::npos) {
        body = body.substr(0, cut + 1);
        size_t start = cut;
        while (start > 0 && cut - start < 511 &&
               (text[start - 1] == ' ' || text[start - 1] == '\t')) {
            --start;
        }
        indent = text.substr(start, cut - start);
    }
    size_t first = body.find_first_not_of(" \t\r\n");
    std::string_view rest =
        first == std::string_view::npos ? std::string_view() : body.substr(first);
    bool opened = false;
    if (forte) {
        static constexpr std::string_view kBegin = "begin";
        opened = rest.size() >= kBegin.size();
        for (size_t i = 0; opened && i < kBegin.size(); ++i) {
            int c = static_cast<unsigned char>(rest[i]);
            opened = (c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c) == kBegin[i];
        }
    } else {
        opened = !rest.empty() && rest.front() == '{';
    }
    std::string out;
    out.reserve(body.size() + body.size() / 8 + indent.size() + 8);
    if (!opened) {
        out += indent;
        out += forte ? "begin" : "{";
        out += "\r\n";
    }
    // A capture without its closing brace is closed, so that the body is
    // never a lone opening.
    const bool close = !forte && !opened && cut == std::string::npos;
    // Every line feed ends its line with a carriage return and a line feed;
    // a carriage return already before it is dropped, any other is kept.
    for (size_t i = 0; i < body.size();) {
        size_t feed = body.find('\n', i);
        if (feed == std::string_view::npos) {
            out.append(body.substr(i));
            break;
        }
        size_t end = feed > i && body[feed - 1] == '\r' ? feed - 1 : feed;
        out.append(body.substr(i, end - i));
        out += "\r\n";
        i = feed + 1;
    }
    if (close) {
        out += "\r\n}";
    }
    return out;
}

// ---- Comments ----

OwnedText SourceParser::TakeComment() {
    std::string out;
    out.reserve(comment_.size());
    bool lineStart = true;
    const size_t n = comment_.size();
    const char* text = comment_.data();
    size_t i = 0;
    while (i < n) {
        char c = text[i];
        if (c == ' ' || c == '\t') {
            while (i < n && (text[i] == ' ' || text[i] == '\t')) {
                ++i;
            }
            if (!lineStart) {
                out.push_back(' ');
            }
            continue;
        }
        if (lineStart && c == '*') {
            ++i;
            if (i < n && text[i] == ' ') {
                ++i;
            }
            if (i < n && text[i] == '\r') {
                ++i;
                if (i < n && text[i] == '\n') {
                    ++i;
                }
            }
            continue;
        }
        if (c == '\r' || c == '\n') {
            out.push_back(c);
            lineStart = true;
            ++i;
            continue;
        }
        // Up to the next blank or line end the text is taken as it is.
        size_t end = i + 1;
        while (end < n && text[end] != ' ' && text[end] != '\t' && text[end] != '\r' &&
               text[end] != '\n') {
            ++end;
        }
        out.append(text + i, end - i);
        lineStart = false;
        i = end;
    }
    if (!out.empty() && out.back() == '\n') {
        out.pop_back();
        if (!out.empty() && out.back() == '\r') {
            out.pop_back();
        }
    }
    comment_.clear();
    if (out.empty()) {
        return std::nullopt;
    }
    return out;
}

// ---- Skipping ----

// using ... ;   (repeated)
int SourceParser::SkipUsingDirectives() {
    while (token_ == kTokUsing) {
        do {
            GetToken();
        } while (token_ != kTokSemicolon && token_ != kTokEnd);
        if (token_ == kTokEnd) {
            return 0;
        }
        GetToken();
    }
    return 1;
}

// Brackets up to the first ";" (or "," with stopAtComma) outside them, or to
// a closing bracket that opens nothing here, or after the bracket that closes
// the first one (stopAfterClose).
int SourceParser::SkipBalanced(TypeText& typeText, bool stopAfterClose, bool stopAtComma) {
    bool savedTagMode = tagMode_;
    tagMode_ = false;
    std::array<int, kMaxBlockDepth> stack{};
    int depth = 0;
    int result = 1;
    for (;;) {
        int token = token_;
        if (token == kTokEnd) {
            result = 0;
            break;
        }
        if (IsOpenBracket(token)) {
            if (depth == kMaxBlockDepth) {
                result = ReportParseError(nullptr, "block stack overflow");
                break;
            }
            stack[static_cast<size_t>(depth++)] = token;
        } else if (IsCloseBracket(token)) {
            if (depth == 0) {
                break;
            }
            if (!MatchingBrackets(stack[static_cast<size_t>(depth - 1)], token)) {
                result = ReportParseError(nullptr, "mismatching bracket");
                break;
            }
            --depth;
            if (stopAfterClose && depth == 0) {
                typeText.AppendToken(token, tokenText_);
                GetToken();
                break;
            }
        } else if (depth == 0 && (token == kTokSemicolon || (stopAtComma && token == kTokComma))) {
            break;
        }
        typeText.AppendToken(token, tokenText_);
        GetToken();
    }
    tagMode_ = savedTagMode;
    return result;
}

// A C++ value (a default argument, an enumerator's value) up to the "," or
// ";" that ends it, or a closing bracket that opens nothing here. Outside
// parentheses a "<" opens a template argument list, whose commas belong to
// the value.
int SourceParser::SkipCppValue(TypeText& typeText) {
    int brackets = 0;
    int angles = 0;
    for (;;) {
        const int t = token_;
        if (t == kTokEnd) {
            return 0;
        }
        if (brackets == 0 && angles == 0 && (t == kTokComma || t == kTokSemicolon)) {
            return 1;
        }
        if (IsOpenBracket(t)) {
            ++brackets;
        } else if (IsCloseBracket(t)) {
            if (brackets == 0) {
                return 1;
            }
            --brackets;
        } else if (brackets == 0 && t == kTokLess) {
            ++angles;
        } else if (brackets == 0 && angles > 0 && (t == kTokGreater || t == kTokShiftRight)) {
            angles = std::max(0, angles - (t == kTokGreater ? 1 : 2));
        }
        typeText.AppendToken(t, tokenText_);
        GetToken();
    }
}

// < ... >   with nested lists; ">>" closes two.
int SourceParser::SkipGenericArguments(TypeText& typeText, bool append) {
    int count = 0;
    for (;;) {
        int token = token_;
        if (token == kTokSemicolon || token == kTokEnd) {
            break;
        }
        if (token == kTokLParen) {
            if (count == 0) {
                break;
            }
            // A function type or an expression in the list: void(int).
            TypeText discarded;
            if (SkipBalanced(append ? typeText : discarded, true, false) == 0) {
                return 0;
            }
            continue;
        }
        if (token == kTokLess) {
            ++count;
        } else if (token == kTokGreater) {
            --count;
        } else if (token == kTokShiftRight) {
            count -= 2;
        }
        if (append) {
            typeText.AppendToken(token, tokenText_);
        }
        GetToken();
        if (count < 1) {
            break;
        }
    }
    if (count != 0) {
        return ReportParseError(nullptr, "imbalanced generic type parameter list");
    }
    return 1;
}

// { ... }   up to the brace that closes the first one.
int SourceParser::SkipBracedBody() {
    int depth = 0;
    for (;;) {
        if (token_ == kTokEnd) {
            return 0;
        }
        if (token_ == kTokLBrace) {
            if (depth == kMaxBlockDepth) {
                return ReportParseError(nullptr, "block stack overflow");
            }
            ++depth;
        } else if (token_ == kTokRBrace) {
            if (depth == 0) {
                return ReportParseError(nullptr, "mismatching } or end");
            }
            if (--depth == 0) {
                return 1;
            }
        }
        GetToken();
    }
}

// begin ... end method   (or end event)
int SourceParser::SkipForteBody(bool endsWithEvent) {
    int closer = endsWithEvent ? kTokEvent : kTokMethod;
    for (;;) {
        GetToken();
        while (token_ == kTokEndWord) {
            GetToken();
            if (token_ == closer) {
                return 1;
            }
        }
        if (token_ == kTokEnd) {
            return 0;
        }
    }
}

int SourceParser::FinishBody(SourceSymbol* methodNode) {
    if (methodNode != nullptr && capture_.enabled && (ProfileFlags() & kRevKeepMethodCode) != 0) {
        methodNode->text2 = capture_.ExtractBody(language_);
    }
    capture_.text.clear();
    ClearComment();
    GetToken();
    return 1;
}

int SourceParser::SkipBody(SourceSymbol* methodNode, bool endsWithEvent) {
    capture_.text.clear();
    capture_.recording = capture_.enabled && methodNode != nullptr;
    // The character after the "{" was read before the recording began: keep
    // it ("{}", "{return x;}" on one line), unless it ends the line, which
    // the line end written after the opening brace stands for.
    if (capture_.recording && c_ >= 0 && c_ != '\n' && c_ != '\r') {
        capture_.text.push_back(static_cast<char>(c_));
    }
    int result = language_ == kLangForte ? SkipForteBody(endsWithEvent) : SkipBracedBody();
    capture_.recording = false;
    if (result == 0) {
        capture_.text.clear();
        return 0;
    }
    return FinishBody(methodNode);
}

// ... ;   or   ... { ... } [;]
int SourceParser::SkipDeclaration() {
    for (;;) {
        if (token_ == kTokEnd) {
            return 0;
        }
        if (token_ == kTokSemicolon) {
            GetToken();
            return 1;
        }
        if (token_ == kTokLBrace) {
            if (SkipBody(nullptr, false) == 0) {
                return 0;
            }
            if (token_ == kTokSemicolon) {
                GetToken();
            }
            return 1;
        }
        GetToken();
    }
}

// ---- Declarations ----

// enum [class | struct] [name] [: base] { entry [= value] , ... } [;]
// An opaque declaration (enum E : int;) records nothing. The entries of an
// unnamed enumeration are constants of the parent: attributes of type int.
// C++ attributes and macro words after an entry are passed over.
int SourceParser::ParseEnum(SourceSymbol* parent, OwnedText comment, int flags,
                            TypeText* elaborated) {
    const bool cpp = language_ == kLangCpp;
    GetToken();
    // A scoped enumeration of C++ and its underlying type are kept as the
    // node's text ("class : std::uint8_t"), so that it is written back so.
    std::string head;
    if (cpp && (token_ == kTokClass || token_ == kTokStruct)) {
        head = token_ == kTokClass ? "class" : "struct";
        GetToken();
    }
    if (cpp) {
        SkipCppAttributes();
    }
    std::string name;
    if (token_ == kTokIdentifier) {
        name = tokenText_;
    }
    TypeText base;
    bool inBase = false;
    if (cpp && elaborated != nullptr && !name.empty()) {
        GetToken();
        if (token_ != kTokLBrace && token_ != kTokColon && token_ != kTokSemicolon) {
            elaborated->AppendToken(kTokIdentifier, "enum");
            elaborated->AppendToken(kTokIdentifier, name);
            return 2;
        }
    }
    while (token_ != kTokLBrace) {
        if (cpp && token_ == kTokSemicolon && !name.empty()) {
            GetToken();
            return 1;
        }
        if (token_ == kTokSemicolon || token_ == kTokEnd) {
            ReportParseError(nullptr, name.empty() ? "{ expected" : name + ": { expected");
            SkipDeclaration();
            return 0;
        }
        if (cpp && token_ == kTokColon) {
            inBase = true;
        } else if (inBase) {
            base.AppendToken(token_, tokenText_);
        }
        GetToken();
    }
    if (!base.IsEmpty()) {
        head += (head.empty() ? ": " : " : ") + base.Text();
    }
    SourceSymbol* node = nullptr;
    if (parent != nullptr && !name.empty()) {
        node = parent->AddChild(language_, name, std::nullopt, kNodeEnumeration, flags,
                                head.empty() ? OwnedText() : OwnedText(head), std::nullopt,
                                std::move(comment));
    }
    GetToken();
    while (token_ != kTokRBrace) {
        while (language_ == kLangCSharp && token_ == kTokLBracket) {
            TypeText attributes;
            if (SkipBalanced(attributes, true, false) == 0) {
                return 0;
            }
        }
        if (token_ != kTokIdentifier) {
            ReportParseError(node, ", or } expected");
            SkipDeclaration();
            return 0;
        }
        const std::string entryName = tokenText_;
        GetToken();
        if (cpp && token_ == kTokIdentifier) {
            SkipCppAttributes(); // MovableType Q_DECL_DEPRECATED_X("...") = ...
        }
        if (cpp && token_ == kTokIdentifier &&
            std::ranges::all_of(entryName,
                                [](char c) {
                                    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                                           c == '_';
                                }) &&
            entryName.find('_') != std::string::npos) {
            continue; // a macro that stands for entries: INSTRUCTION_CONTEXTS IC_max
        }
        if (cpp && token_ == kTokLParen) {
            // A macro call that stands for entries: QT_FOR_EACH_TYPE(F)
            TypeText discarded;
            SkipBalanced(discarded, true, false);
            if (token_ == kTokComma) {
                GetToken();
            }
            continue;
        }
        SourceSymbol* entry = nullptr;
        if (node != nullptr) {
            entry = node->AddChild(language_, entryName, std::nullopt, kNodeParameter, 0,
                                   std::nullopt, std::nullopt, std::nullopt);
        } else if (parent != nullptr) {
            entry = parent->AddChild(language_, entryName, std::nullopt, kNodeAttribute,
                                     flags | kModStatic | kModConst, std::string("int"),
                                     std::nullopt, std::nullopt);
        }
        if (cpp) {
            SkipCppAttributes();
        }
        if (token_ == kTokAssign) {
            GetToken();
            TypeText value;
            if ((cpp ? SkipCppValue(value) : SkipBalanced(value, false, true)) == 0) {
                return 0;
            }
            if (entry != nullptr) {
                entry->text2 = value.Text();
            }
        }
        if (token_ == kTokComma) {
            GetToken();
        } else if (token_ != kTokRBrace) {
            ReportParseError(node, ", or } expected");
            SkipDeclaration();
            return 0;
        }
    }
    // The comments of the entries have no record to go to; left pending,
    // they would become the comment of the declaration after the enumeration.
    TakeComment();
    GetToken();
    if (token_ == kTokSemicolon) {
        GetToken();
    }
    return 1;
}

// typedef definition name ;
// A braced body in the definition is taken whole, so its semicolons do not
// end the typedef.
int SourceParser::ParseTypedef(SourceSymbol* parent, OwnedText comment, int flags) {
    TypeText definition;
    std::string name;
    // The name of a pointer to a function is the one in its declarator,
    // "(*name)", and that of a function type the word before its
    // parameters, "void Func(T)"; neither is the last word of the
    // parameters.
    std::string declarator;
    std::string function;
    std::string outer; // the last word outside brackets
    // A name alone in brackets, "(Name)": the declarator when parameters or
    // an array's bounds follow ("double (Func)(int)"), not when the group
    // is a function's parameters ("void Func(T);").
    std::string bracketed;
    int braces = 0;
    int parens = 0;
    int angles = 0;
    int previous = 0;
    int beforePrevious = 0;
    GetToken();
    while (token_ != kTokEnd && (token_ != kTokSemicolon || braces > 0)) {
        if (!bracketed.empty() && declarator.empty() &&
            (token_ == kTokLParen || token_ == kTokLBracket)) {
            declarator = bracketed;
        }
        bracketed.clear();
        if (token_ == kTokLess) {
            ++angles;
        } else if (token_ == kTokGreater) {
            angles = std::max(angles - 1, 0);
        } else if (token_ == kTokShiftRight) {
            angles = std::max(angles - 2, 0);
        }
        if (token_ == kTokLBrace) {
            ++braces;
        } else if (token_ == kTokRBrace && braces > 0) {
            --braces;
        } else if (token_ == kTokLParen) {
            if (parens == 0 && angles == 0 && braces == 0 && previous == kTokIdentifier &&
                function.empty() && outer != "decltype" && outer != "__typeof__" &&
                outer != "typeof" && outer != "sizeof" && outer != "alignof") {
                function = outer;
            }
            ++parens;
        } else if (token_ == kTokRParen && parens > 0) {
            --parens;
            if (previous == kTokIdentifier &&
                (beforePrevious == kTokStar ||
                 ((beforePrevious == kTokAmp || beforePrevious == kTokAndAnd) &&
                  function.empty())) &&
                declarator.empty()) {
                declarator = name;
            } else if (previous == kTokIdentifier && beforePrevious == kTokLParen && parens == 0 &&
                       angles == 0 && braces == 0) {
                bracketed = name;
            }
        } else if (token_ == kTokIdentifier && braces == 0) {
            name = tokenText_;
            if (parens == 0 && angles == 0) {
                outer = tokenText_;
            }
        }
        beforePrevious = previous;
        previous = token_;
        definition.AppendToken(token_, tokenText_);
        GetToken();
    }
    if (!declarator.empty()) {
        name = declarator;
    } else if (!function.empty()) {
        name = function;
    }
    if (parent != nullptr && !name.empty()) {
        parent->AddChild(language_, name, std::nullopt, kNodeTypedef, flags,
                         RemoveWord(definition.Text(), name), std::nullopt, std::move(comment));
    }
    if (token_ == kTokSemicolon) {
        GetToken();
        return 1;
    }
    return 0;
}

// raises ( name , ... )   throw ( name , ... )   context ( "text" , ... )
int SourceParser::ParseRaisesClause(SourceSymbol* node) {
    int kind = 0;
    if (token_ == kTokRaises || token_ == kTokThrow) {
        kind = kNodeException;
    } else if (token_ == kTokContext) {
        kind = kNodeContext;
    } else {
        return 0;
    }
    GetToken();
    if (token_ != kTokLParen) {
        return ReportParseError(node, "( expected");
    }
    GetToken();
    bool entryDue = false; // after a comma
    for (;;) {
        if (token_ == kTokRParen && !entryDue) {
            GetToken();
            return 1;
        }
        if (token_ == kTokRBrace || token_ == kTokSemicolon || token_ == kTokEnd) {
            return ReportParseError(node, ") expected");
        }
        std::string entry;
        if (kind == kNodeException) {
            while (token_ == kTokIdentifier) {
                entry += tokenText_;
                GetToken();
                if (token_ != kTokScope) {
                    break;
                }
                entry += "::";
                GetToken();
            }
            if (entry.empty()) {
                return ReportParseError(node, "exception name expected");
            }
        } else {
            if (token_ != kTokString) {
                return ReportParseError(node, "context string expected");
            }
            entry = tokenText_;
            GetToken();
        }
        if (node != nullptr) {
            node->AddChild(language_, entry, std::nullopt, kind, 0, std::nullopt, std::nullopt,
                           std::nullopt);
        }
        entryDue = token_ == kTokComma;
        if (entryDue) {
            GetToken();
        } else if (token_ != kTokRParen) {
            return ReportParseError(node, ") expected");
        }
    }
}

// The type part of a declaration, up to the declared name or a "," ")" ";"
// "=" (Forte TOOL: up to ";" "," "=" ")" has where).
int SourceParser::ParseTypeName(TypeText& typeText) {
    const int lang = language_;
    const bool cpp = lang == kLangCpp;
    const bool idl = lang == kLangIdl;
    const bool java = lang == kLangJava;
    const bool orv = lang == kLangOrvistal;
    const bool csharp = lang == kLangCSharp;
    int lastTaken = -1;
    auto take = [&] {
        typeText.AppendToken(token_, tokenText_);
        lastTaken = token_;
        GetToken();
    };

    if (lang == kLangForte) {
        while (token_ != kTokSemicolon && token_ != kTokComma && token_ != kTokAssign &&
               token_ != kTokRParen && token_ != kTokHas && token_ != kTokWhere &&
               token_ != kTokEnd) {
            take();
        }
        return 1;
    }

    for (;;) {
        int t = token_;
        bool leading = ((cpp || idl) &&
                        (t == kTokConst || t == kTokStruct || t == kTokUnion || t == kTokEnum)) ||
                       ((cpp || idl) && t == kTokScope) || (cpp && t == kTokRegister) ||
                       (java && (t == kTokDot || t == kTokFinal)) ||
                       (orv && (t == kTokBackslash || t == kTokFinal));
        if (!leading) {
            break;
        }
        take();
    }

    if (token_ == kTokIdentifier || IsTypeKeyword(token_)) {
        take();
        while (cpp) {
            if (token_ == kTokStar || token_ == kTokAmp) {
                take();
            } else if (token_ == kTokScope) {
                take();
                if (token_ == kTokIdentifier) {
                    take();
                }
            } else {
                break;
            }
        }
    } else if ((cpp || csharp) && token_ == kTokEllipsis) {
        take();
    }

    // A function type, a pointer to a function or a reference to an array:
    // a parenthesised group and the parameter list or array bounds after it.
    if (cpp && token_ == kTokLParen) {
        for (int group = 0; group < 2; ++group) {
            if (group == 1 && token_ != kTokLParen && token_ != kTokLBracket) {
                break;
            }
            int depth = 0;
            do {
                if (token_ == kTokEnd || token_ == kTokSemicolon) {
                    return ReportParseError(nullptr, "bad function type");
                }
                if (token_ == kTokLParen || token_ == kTokLBracket) {
                    ++depth;
                } else if (token_ == kTokRParen || token_ == kTokRBracket) {
                    --depth;
                }
                take();
            } while (depth > 0);
            while (group == 1 && token_ == kTokLBracket) {
                depth = 0;
                do {
                    if (token_ == kTokEnd || token_ == kTokSemicolon) {
                        return ReportParseError(nullptr, "bad function type");
                    }
                    depth += token_ == kTokLBracket ? 1 : token_ == kTokRBracket ? -1 : 0;
                    take();
                } while (depth > 0);
            }
        }
    }

    if ((cpp || idl || java || orv || csharp) && token_ == kTokLess) {
        SkipGenericArguments(typeText, true);
        lastTaken = kTokGreater;
    }

    // IDL names types by scope as C++ does (CORBA::Object).
    const int separator = (cpp || idl)       ? kTokScope
                          : (java || csharp) ? kTokDot
                          : orv              ? kTokBackslash
                                             : -1;
    for (;;) {
        int t = token_;
        if (t == kTokComma || t == kTokRParen || t == kTokSemicolon || t == kTokAssign ||
            t == kTokEnd) {
            break;
        }
        if (t == kTokIdentifier && (separator < 0 || lastTaken != separator)) {
            break;
        }
        if ((java || orv || csharp) && t == kTokLess) {
            SkipGenericArguments(typeText, true);
            lastTaken = kTokGreater;
            continue;
        }
        take();
    }

    if (java || csharp) {
        while (token_ == kTokLBracket) {
            while (token_ != kTokRBracket && token_ != kTokEnd && token_ != kTokSemicolon) {
                take();
            }
            if (token_ != kTokRBracket) {
                break;
            }
            take();
        }
        if (csharp && token_ == kTokQuestion) {
            take();
        }
    }
    return 1;
}

// name { separator name }
OwnedText SourceParser::ParseQualifiedName() {
    const int separator = (language_ == kLangCpp || language_ == kLangIdl) ? kTokScope
                          : language_ == kLangOrvistal                     ? kTokBackslash
                                                                           : kTokDot;
    const std::string_view spelling = separator == kTokScope       ? "::"
                                      : separator == kTokBackslash ? "\\"
                                                                   : ".";
    nameBuffer_.clear();
    OwnedText last;
    bool endsWithSeparator = false;
    while (token_ == kTokIdentifier || (language_ == kLangForte && token_ == kTokFile)) {
        nameBuffer_ += tokenText_;
        last = tokenText_;
        endsWithSeparator = false;
        GetToken();
        if (token_ != separator) {
            break;
        }
        nameBuffer_ += spelling;
        endsWithSeparator = true;
        GetToken();
    }
    if (!last || endsWithSeparator) {
        return std::nullopt;
    }
    return last;
}

// ---- Top-level declarations ----

// The table's Find stops a qualified search at the first entry of a name
// that has no qualifier, and an unqualified search takes the first entry of
// the name whatever its qualifier. A declaration must find its own symbol in
// any file order, so the whole sameName chain is searched for an exact match
// here (keywords never match), and a missing one is linked into the chain
// (or the bucket) as new.
SourceSymbol* SourceParser::FindOrInsertDeclaration(std::string_view name,
                                                    const OwnedText& qualifier) {
    SourceSymbol* head = Find(language_, name, std::nullopt);
    if (head == nullptr) {
        return FindOrInsert(language_, name, qualifier);
    }
    for (SourceSymbol* e = head; e != nullptr; e = e->sameName.get()) {
        if (e->kind != kNodeKeyword && e->qualifier.has_value() == qualifier.has_value() &&
            (!qualifier || CompareNames(language_, *e->qualifier, *qualifier) == 0)) {
            return e;
        }
    }
    auto symbol = std::make_unique<SourceSymbol>(std::string(name), qualifier);
    symbol->sameName = std::move(head->sameName);
    head->sameName = std::move(symbol);
    return head->sameName.get();
}

// ---- Nesting ----

// A parser that reads nested bodies by recursion calls this before each body
// and LeaveNestedBody after it: past the depth a block may have, the body is
// reported ("block stack overflow") and not read.
bool SourceParser::EnterNestedBody(const SourceSymbol* node) {
    if (nestingDepth_ >= kMaxBlockDepth) {
        ReportParseError(node, "block stack overflow");
        return false;
    }
    ++nestingDepth_;
    return true;
}

} // namespace qm
