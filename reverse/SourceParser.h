// SourceParser: the context of one reverse-engineering run. It is the run's
// symbol table (with the keywords of its language), the tokenizer over the
// open source file, the comment collector, the recorder of method bodies and
// the helpers the language parsers share (type texts, bracket and body
// skipping, enumerations, typedefs, raises clauses, qualified names).
//
// Design: the tokenizer reads the file through its own buffer, a line at a
// time and whatever the line's length, into a line buffer (as UTF-8; a line
// that is not valid UTF-8 is read as Latin-1), and scans characters with one
// character of look-ahead. Every text it builds is bounded: token texts at
// 1024 bytes, the comment text at 65535, type texts at 16 KiB. A parser that keeps asking for
// tokens after the end of the input is stopped by SourceParseStopped after 513 end tokens; the file
// is abandoned with a logged error and the run goes on.
#pragma once

#include "reverse/SourceSymbol.h"
#include "reverse/SourceTokens.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qm {

class Master;
class Model;
class ReverseDocument;
class ReverseProject;

// A bounded text built from token texts: at most 16 KiB, which holds the
// longest template types written by hand or by a library's macros (a type
// cut short is no type a compiler reads).
class TypeText {
  public:
    static constexpr size_t kMaxLength = 16 * 1024;
    // The bound of an initial value.
    static constexpr size_t kMaxValueLength = 1 << 20;

    TypeText() = default;
    // A text of another bound: an initial value is code written back out
    // again, so it is kept whole (a cut would leave code that no compiler
    // reads).
    explicit TypeText(size_t maxLength) : maxLength_(maxLength) {}

    void Clear() { text_.clear(); }
    bool IsEmpty() const { return text_.empty(); }
    // Appends the token's text (TokenText); a piece that would make the text
    // longer than its bound (kMaxLength unless given) is dropped. A blank
    // separates two words.
    void AppendToken(int token, std::string_view tokenText);
    // "(" texts and "[" texts over 64 characters become "(...)" or "[...]".
    std::string ToHeapString() const;
    size_t Length() const { return text_.size(); }
    // Cuts the text back to an earlier length; a larger value changes nothing.
    void SetLength(size_t length);
    const std::string& Text() const { return text_; }
    // True once a piece has been dropped for the bound.
    bool WasCut() const { return cut_; }

  private:
    std::string text_;
    size_t maxLength_ = kMaxLength;
    bool cut_ = false;
};

// True for the pairs { }, ( ) and [ ].
bool MatchingBrackets(int open, int close);

// An attribute's type text as type and array bounds: int[10] is int and 10,
// int[2][3] is int[2] and 3, int[] stays whole with no bounds; C# keeps the
// whole text.
void SplitArrayType(int language, const std::string& text, std::string& type, std::string& bounds);

// The recorder of method bodies: while recording, every character the line
// reader delivers is appended.
struct SourceCapture {
    bool enabled = false;
    bool recording = false;
    std::string text;

    // The recorded body cut after its last "}" (Forte TOOL ";"), opened with
    // the brace (or "begin") at the closing brace's indentation when it does
    // not start with one, with every line end written as CR LF.
    std::string ExtractBody(int language) const;
};

// Thrown by the tokenizer when a parser keeps reading past the end of its
// input; ParseSourceFile catches it and abandons the file.
class SourceParseStopped : public std::exception {
  public:
    const char* what() const noexcept override { return "source parse stopped"; }
};

class SourceParser : public SourceSymbolTable {
  public:
    static constexpr size_t kMaxTokenLength = 1024;
    static constexpr size_t kMaxCommentLength = 65535;
    static constexpr int kMaxEndTokens = 513;
    static constexpr int kMaxBlockDepth = 128;
    static constexpr size_t kReadBufferSize = 64 * 1024;

    // A parser for one language code; the document (may be null in tests)
    // gives the option bits and the template's tool ids. Loads the keywords.
    SourceParser(ReverseDocument* document, int language);
    ~SourceParser() override;

    // Opens a source file for the tokenizer. Reports "file name too long" or
    // "can't open file" and returns false on failure.
    bool OpenSourceFile(const std::string& path);
    // Opens text held in memory under a name used in error reports.
    void OpenSourceText(std::string name, std::string text);
    // Closes the open input; 0 on success (also when none was open).
    int CloseSourceFile();
    // Parses one file with the parser of the language (no other code does
    // anything) and closes it; a file stopped by the tokenizer is abandoned.
    void ParseSourceFile(const std::string& path);
    // Logs "*** ERROR in <file>(<line>): [<symbol>: ]<message>\r\n"; returns 0.
    int ReportParseError(const SourceSymbol* symbol, std::string_view message);

    void LoadKeywords();
    void AddKeyword(int mask, std::string_view text, int token);

    // Tokenizer. GetToken reads the next token into Token() and CurrentText();
    // once the end token has been returned 513 times for one input it logs
    // the error and throws SourceParseStopped.
    int GetToken();
    int NextTok();
    int ReadChar();
    void SkipBlanks();
    void SetTagMode(bool on);

    int Token() const { return token_; }
    const std::string& CurrentText() const { return tokenText_; }
    SourceSymbol* LastSymbol() const { return lastSymbol_; }
    int LineCount() const { return lineCounter_; }
    // Before a run reads its files: GatherDefines reads each file's #define
    // lines, DefineGatheredMacros then takes the macros they define (where
    // the branches around them are read) as defined for every file, so
    // that a file's conditionals do not depend on which files came before.
    // A file's "#include" of a file outside the run is followed too (found
    // beside the file or in a folder above it), so that macros a library
    // takes from the headers it includes are known.
    void GatherDefines(const std::string& path);
    void DefineGatheredMacros();
    // The number of error lines reported since the parser was made.
    size_t ErrorCount() const { return errorCount_; }
    const std::string& FilePath() const { return filePath_; }
    int Language() const { return language_; }
    bool TagMode() const { return tagMode_; }

    // The collected comment text; TakeComment normalises and empties it.
    const std::string& CommentBuffer() const { return comment_; }
    bool CommentSeen() const { return commentSeen_; }
    int CommentLine() const { return commentLine_; }
    void ClearComment();
    OwnedText TakeComment();

    // Shared parse helpers, working on the current token. Each returns
    // non-zero to go on and 0 after an error or at the end of the input.
    int SkipUsingDirectives();
    // With elaborated (C++ members), an enumeration named in a member's
    // declaration ("enum Kind kind() const;") declares nothing: "enum Kind"
    // goes into elaborated and the result is 2.
    int ParseEnum(SourceSymbol* parent, OwnedText comment, int flags,
                  TypeText* elaborated = nullptr);
    int ParseTypedef(SourceSymbol* parent, OwnedText comment, int flags);
    int ParseRaisesClause(SourceSymbol* node);
    int ParseTypeName(TypeText& typeText);
    int SkipBalanced(TypeText& typeText, bool stopAfterClose, bool stopAtComma);
    int SkipGenericArguments(TypeText& typeText, bool append);
    int SkipCppValue(TypeText& typeText);
    int SkipBody(SourceSymbol* methodNode, bool endsWithEvent);
    int SkipDeclaration();
    // The last identifier of a qualified name, or none when the name ends
    // with a separator or none was read. QualifiedName() holds the whole name.
    OwnedText ParseQualifiedName();
    const std::string& QualifiedName() const { return nameBuffer_; }

    // The parsers of the languages, by code, one file each (CppParser.cpp,
    // IdlParser.cpp, ...; the Java, C#, PHP, Orvistal and Forte TOOL scanners
    // over open input are declared in LanguageParsers.h). Each returns 1 when
    // the file was read to its end, else 0.
    int ParseCppFile(const std::string& path);
    int ParseIdlFile(const std::string& path);
    int ParseJavaFile(const std::string& path);
    int ParseOrvistalFile(const std::string& path);
    int ParseCSharpFile(const std::string& path);
    int ParsePhpFile(const std::string& path);
    int ParseToolFile(const std::string& path);

    // The C++ and IDL declaration scanners over input already opened with
    // OpenSourceFile or OpenSourceText, to the end of that input.
    void ParseCppInput();
    void ParseIdlInput();
    // The { ... }; member list of an exception (IDL, and C++ exception
    // declarations); the current token is the one after the name.
    int ParseIdlExceptionBody(SourceSymbol* node);

    // The top-level symbol of exactly this name and qualifier (none matching
    // none), searched along the whole sameName chain; inserted when missing.
    SourceSymbol* FindOrInsertDeclaration(std::string_view name, const OwnedText& qualifier);
    SourceSymbol* FindCppClassOfScope(const std::string& scope) const;

    // The package or namespace qualifier of top-level declarations.
    const OwnedText& CurrentNamespace() const { return currentNamespace_; }
    void SetCurrentNamespace(OwnedText qualifier) { currentNamespace_ = std::move(qualifier); }

    // Turns the parse tree into masters, places and links of model (a
    // diagram model): every master first, then the links between them.
    void BuildModelFromParse(ReverseProject* project, Model* model);
    // Java: each base written with the names of the types around it
    // ("Sink.ChainedDouble") becomes a reference to the nested type it
    // names, looked for from the declaring type outwards, then among the
    // run's top-level types (its own package first). A name the run does not
    // declare becomes a type known only as a base, under its whole written
    // name, so that it is written back as written. Runs once all files are read.
    void ResolveNestedBases();
    // C++: each base written with a scope that named no class known when it
    // was read ("internal::Base" in namespace testing) is looked for again
    // from the namespace it was written in outwards, once all files are
    // read; a class known only as that base under the scope as written is
    // dropped when no base refers to it any more.
    void ResolveScopedCppBases();
    // The model into which a declaration with that dotted qualifier goes:
    // the submodel of its last package, found or made inside model.
    Model* ResolvePackagePath(ReverseProject* project, Model* model, const std::string& prefix,
                              const OwnedText& qualifier);
    // The first pass for one node: a package, class or interface.
    // It takes the method nodes' code and comments into the records it makes.
    void BuildMasterFromNode(ReverseProject* project, Model* model, SourceSymbol* node);
    std::string KindWithoutMacro(const std::string& kind) const;
    // The second pass for one node: its inheritance, realization and
    // attribute links.
    void LinkMastersFromNode(ReverseProject* project, Model* model, const SourceSymbol* node,
                             const std::string& linkName);
    // The master of the class an attribute holds, when relationships are
    // shown as links and there is one; isArray and byValue describe the type.
    Master* ResolveAttributeClass(ReverseProject* project, Model* model, const SourceSymbol* node,
                                  bool& isArray, bool& byValue);
    // True when no child is a method.
    static bool IsPlainRecord(const SourceSymbol* node);
    Model* TargetModel() const { return targetModel_; }

    uint32_t ProfileFlags() const { return *profileFlags_; }
    SourceCapture& Capture() { return capture_; }

    int ClassTool() const { return classTool_; }
    int PackageTool() const { return packageTool_; }
    int InheritanceTool() const { return inheritanceTool_; }
    int RealizationTool() const { return realizationTool_; }
    int CompositionTool() const { return compositionTool_; }
    int AggregationTool() const { return aggregationTool_; }

  private:
    // Raw input.
    bool Refill();
    void FindNextCarriageReturn();
    bool FillLine();
    int ReadCharSlow();
    void ResetInput();

    // Tokenizer pieces.
    int EndOfInput();
    void AppendTokenChar(int c);
    void AppendComment(std::string piece);
    void LineComment();
    void BlockComment();
    void PreprocessorLine();
    // With toNextBranch, stops after a #else or #elif of the conditional
    // being read (whose branch is then read) as well as after its #endif.
    void SkipConditionalBranches(bool toNextBranch = false);
    // The macros a #define of the run has defined (and no #undef removed).
    std::set<std::string, std::less<>> definedMacros_;
    // The #define lines of the run's files with the conditions around them
    // (text, whether it must hold), until DefineGatheredMacros; the names
    // it found defined, which no #undef removes.
    using GatheredConditions = std::vector<std::pair<std::string, bool>>;
    // The #define lines of one run of a file's lines between two directives
    // that open or close a branch share one list of conditions.
    struct GatheredDefine {
        std::string name;
        std::string definition; // the text after the name, lines joined
        std::shared_ptr<const GatheredConditions> conditions;
    };
    static constexpr size_t kMaxGatheredDefines = 1 << 20;
    std::vector<GatheredDefine> gathered_;
    void GatherDefinesOf(const std::string& path, const GatheredConditions& outer);
    // The files whose #define lines were gathered, and the files they
    // include with the conditions around each #include.
    std::set<std::string, std::less<>> gatheredFiles_;
    std::vector<std::pair<std::string, std::shared_ptr<const GatheredConditions>>>
        gatheredIncludes_;
    size_t gatheredText_ = 0;
    std::set<std::string, std::less<>> runDefines_;
    // The texts of the run's object-like macros that stand for a template
    // parameter's kind ("template <typename T> class": a parameter declared
    // through one keeps the text as its kind) or for a type's name
    // ("#define SAVER_ ::lib::Saver"), by name, blanks folded. Few and
    // short, so a hostile file cannot grow the table.
    std::map<std::string, std::string, std::less<>> objectMacros_;
    // The text of the macro word when it stands for a kind, or for a name;
    // null when it does not or is no macro of the run.
    const std::string* KindMacroText(std::string_view word) const;
    const std::string* NameMacroText(std::string_view word) const;
    std::string ExpandCppNameMacros(std::string text) const;
    // The macros of the run, object-like and function-like, that the C++
    // reader expands where it meets them (CppMacros.cpp): those the run's
    // files define where the branches around the #define are read, and
    // those of the file being read as its #define lines come.
    struct CppMacro {
        bool functionLike = false;
        bool variadic = false;
        std::vector<std::string> params;
        std::string body; // comments out, blanks folded
    };
    // Looked up for every word the C++ reader reads, so hashed.
    struct MacroNameHash {
        using is_transparent = void;
        size_t operator()(std::string_view name) const {
            return std::hash<std::string_view>{}(name);
        }
    };
    std::unordered_map<std::string, CppMacro, MacroNameHash, std::equal_to<>> cppMacros_;
    // A bit for each macro name, by its first and last bytes and its length:
    // a word whose bit is clear names no macro and is not looked up (most
    // words of a source are no macro). A name taken out leaves its bit set.
    static constexpr size_t kMacroBits = size_t(1) << 16;
    static size_t MacroBit(std::string_view name) {
        const auto first = static_cast<unsigned char>(name.front());
        const auto last = static_cast<unsigned char>(name.back());
        const uint32_t mixed = (first * 0x9E3779B1u) ^ (last * 0x85EBCA77u) ^
                               (static_cast<uint32_t>(name.size()) * 0xC2B2AE3Du);
        return (mixed >> 16) & (kMacroBits - 1);
    }
    std::vector<uint64_t> cppMacroBits_ = std::vector<uint64_t>(kMacroBits / 64);
    bool MayBeCppMacro(std::string_view name) const {
        const size_t bit = MacroBit(name);
        return (cppMacroBits_[bit / 64] >> (bit % 64) & 1) != 0;
    }
    void DefineCppMacro(const std::string& name, std::string_view definition);
    // An expansion being read in the line buffer: the macro is not expanded
    // again before its end (so a macro naming itself stops).
    struct CppExpansion {
        std::string name;
        size_t end;
    };
    std::vector<CppExpansion> cppExpansions_;
    size_t lineExpansions_ = 0;
    // Replaces the macro word at line_[start, end) (and the arguments of a
    // function-like macro) by its expansion; false when the word is no macro
    // of the run, is being expanded, or the line would grow past its bound.
    bool ExpandCppMacro(size_t start, size_t end);
    bool JoinNextLine();
    std::function<const std::string*(std::string_view)> MacroBodies() const;
    bool RestOfLineIsBlank() const;
    size_t ConsumeRun(unsigned char classes);
    std::string_view ConsumeRestOfLine();
    int StringLiteral(int quote, bool continues);
    int Identifier(int prefix);
    int Number();
    int LessThan();
    int OrvistalTag();
    int OrvistalEscape();
    void ReadTagName();
    bool PhpOpenTag();

    // Nested class, module and interface bodies being read; deeper nesting
    // than a block may have is reported and not read, so that the parsers'
    // recursion stays bounded whatever the input.
    int nestingDepth_ = 0;
    bool EnterNestedBody(const SourceSymbol* node);
    void LeaveNestedBody() { --nestingDepth_; }

    // C++ parser (CppParser.cpp).
    using SymbolList = std::vector<std::unique_ptr<SourceSymbol>>;
    void ParseCppScope(bool braced);
    void ParseCppNamespace(bool inlineNamespace);
    void ParseCppNamespaceAlias();
    void ParseCppAliasTemplate(OwnedText comment, SymbolList& params);
    void AddNamespaceType(ReverseProject* project, const SourceSymbol* node);
    void ParseCppNamespaceFunction(OwnedText comment, const SymbolList* params);
    void AddNamespaceFunctions(ReverseProject* project, Model* model);
    int ParseCppDeclaration(SourceSymbol* enclosing, int access);
    // With elaborated (a member of a class being read), a class named in a
    // member's declaration ("struct node *next;") declares no class: its
    // words go into elaborated, the member's name into declarator when it
    // was read with them ("struct node n;"), and the result is 2.
    int SkipCppMemberRest();
    int ParseCppClass(SourceSymbol* enclosing, int access, OwnedText comment, SymbolList& params,
                      TypeText* elaborated = nullptr, std::string* declarator = nullptr);
    void AddCppClassParameters(SourceSymbol* node, SymbolList& params);
    int ParseCppTemplateParams(SymbolList& params, bool keepUnnamed = false);
    int ParseCppClassBody(SourceSymbol* node, int defaultAccess, SourceSymbol* enclosing,
                          bool& opened);
    int ParseCppBaseList(SourceSymbol* node, SourceSymbol* enclosing);
    // A namespace-level declaration passes the comment and the template
    // head it read before the declaration began.
    int ParseCppMember(SourceSymbol* cls, int& access, OwnedText comment = std::nullopt,
                       std::string functionTemplate = std::string());
    int ParseCppAttribute(SourceSymbol* scope, const std::string& name, const OwnedText& comment,
                          TypeText& type, int flags, int line);
    int ParseCppMethod(SourceSymbol* cls, std::string name, OwnedText comment, const TypeText& type,
                       int flags);
    int ParseCppUsing(SourceSymbol* cls, OwnedText comment, int flags);
    // With unresolved, set when no class of that name is known in any of
    // the namespaces tried (the answer is then the scope as written).
    OwnedText ResolveCppScope(const std::string& name, const std::string& scope,
                              bool* unresolved = nullptr);
    void MakeCppPrimaryKnown(const std::string& name, const OwnedText& qualifier);
    void ParseCppNamespaceEnum(OwnedText comment);
    std::string ParseCppOperatorName();
    std::string ParseCppScopedName(std::string& scope, std::string* arguments,
                                   std::vector<std::string>* scopeArguments = nullptr);
    bool SkipCppAttributes();
    bool IsCppClassParameter(const SourceSymbol* node, const std::string& name) const;
    void SkipCppRequires();
    void SkipCppStatement();
    void SkipCppTrailingReturn(SourceSymbol* method);
    void SkipCppInitializers();
    // "template <...>" of a member function template being read, put before
    // its return type; empty for any other member.
    std::string cppMemberTemplate_;
    // The template parameters of the class templates being read, innermost
    // last: a base named by one of them is a type argument, not a class.
    std::vector<std::string> cppClassParams_;
    // The functions declared in namespaces, in the order read, each a method
    // node qualified by its namespace; a definition of a function declared
    // before is not added again (keys of name, template kinds and parameter
    // types).
    SymbolList cppFunctions_;
    // Set when the parameter list of the method read last held a literal: it
    // was a variable's initializer.
    bool cppValueArgument_ = false;
    std::set<std::string, std::less<>> cppFunctionKeys_;

    // IDL parser (IdlParser.cpp).
    int ParseIdlDefinition(SourceSymbol* enclosing);
    int ParseIdlInterface(SourceSymbol* node, SourceSymbol* enclosing);
    int ParseIdlBaseList(SourceSymbol* node, SourceSymbol* enclosing);
    int ParseIdlMember(SourceSymbol* scope, bool inException);
    int ParseIdlOperation(SourceSymbol* scope, const std::string& name, OwnedText comment,
                          const TypeText& type, int flags);

    int SkipForteBody(bool endsWithEvent);
    int SkipBracedBody();
    int FinishBody(SourceSymbol* methodNode);

    int language_;
    uint32_t ownFlags_ = 0;
    uint32_t* profileFlags_;

    // Input.
    std::FILE* file_ = nullptr;
    bool open_ = false;
    std::string memory_;
    std::unique_ptr<unsigned char[]> readBuffer_;
    const unsigned char* readPos_ = nullptr;
    const unsigned char* readEnd_ = nullptr;
    const unsigned char* nextCr_ = nullptr; // the next carriage return, or readEnd_
    bool inputEnded_ = false;
    std::string filePath_;

    // Tokenizer state.
    int c_ = '\n';
    int token_ = kTokNone;
    std::vector<unsigned char> line_;
    size_t lineLen_ = 0;
    size_t linePos_ = 0;
    int lineCounter_ = 0;
    int endTokens_ = 0;
    std::string tokenText_;
    SourceSymbol* lastSymbol_ = nullptr;
    std::string comment_;
    bool commentSeen_ = false;
    int commentLine_ = -1;
    bool tagMode_ = false;

    std::string nameBuffer_;
    size_t errorCount_ = 0;
    OwnedText currentNamespace_;
    SourceCapture capture_;

    Model* targetModel_ = nullptr;

    int classTool_ = 10;
    int packageTool_ = 12;
    int inheritanceTool_ = 0;
    int realizationTool_ = 7;
    int compositionTool_ = 1;
    int aggregationTool_ = 3;
};

inline int SourceParser::ReadChar() {
    if (linePos_ < lineLen_) {
        c_ = line_[linePos_++];
        if (capture_.recording) {
            capture_.text.push_back(static_cast<char>(c_));
        }
        return c_;
    }
    return ReadCharSlow();
}

} // namespace qm
