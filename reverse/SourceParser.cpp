// SourceParser's life cycle: construction for a document and a language,
// keywords, opening and closing source input, the error report and the
// dispatch to the language parsers.
#include "reverse/SourceParser.h"

#include "platform/Log.h"
#include "reverse/ReverseDocument.h"
#include "reverse/SourceLanguage.h"

#include <climits>
#include <sys/stat.h>

namespace qm {

namespace {

// The longest path the system accepts for a source file.
constexpr size_t kMaxPathLength = PATH_MAX - 1;

bool CapturesBodies(int language) {
    return language == kLangJava || language == kLangOrvistal || language == kLangCSharp ||
           language == kLangPhp || language == kLangForte;
}

} // namespace

SourceParser::SourceParser(ReverseDocument* document, int language)
    : SourceSymbolTable(language, 64),
      language_(language),
      profileFlags_(document != nullptr ? &document->ProfileFlags() : &ownFlags_),
      readBuffer_(new unsigned char[kReadBufferSize]) {
    capture_.enabled = (*profileFlags_ & kRevKeepMethodCode) != 0 && CapturesBodies(language);
    LoadKeywords();
    const ReverseTemplate* tools = document != nullptr ? document->Template() : nullptr;
    if (tools != nullptr) {
        using K = ReverseToolKind;
        using S = ReverseToolSemantics;
        classTool_ = tools->FindToolBySemantics(K::Place, S::Class, classTool_);
        packageTool_ = tools->FindToolBySemantics(K::Place, S::Package, packageTool_);
        inheritanceTool_ = tools->FindToolBySemantics(K::Link, S::Inheritance, inheritanceTool_);
        // A template without a realization tool (the built-in one) draws an
        // implemented interface with its inheritance tool: a link of a tool
        // without that meaning would not read as a base at all.
        realizationTool_ = tools->FindToolBySemantics(K::Link, S::Realization, -1);
        if (realizationTool_ < 0) {
            realizationTool_ = inheritanceTool_;
        }
        compositionTool_ = tools->FindToolBySemantics(K::Link, S::Composition, compositionTool_);
        aggregationTool_ = tools->FindToolBySemantics(K::Link, S::Aggregation, aggregationTool_);
    }
}

SourceParser::~SourceParser() {
    CloseSourceFile();
}

void SourceParser::LoadKeywords() {
    for (const KeywordRow& row : KeywordTable) {
        AddKeyword(row.mask, row.text, row.token);
    }
}

void SourceParser::AddKeyword(int mask, std::string_view text, int token) {
    if (language_ <= 0 || (mask & language_) != language_) {
        return;
    }
    SourceSymbol* symbol = FindOrInsert(language_, text, std::nullopt);
    symbol->kind = kNodeKeyword;
    symbol->flags = token;
}

int SourceParser::ReportParseError(const SourceSymbol* symbol, std::string_view message) {
    std::string line = "*** ERROR in " + filePath_ + "(" + std::to_string(lineCounter_) + "): ";
    if (symbol != nullptr) {
        line += symbol->name;
        line += ": ";
    }
    line += message;
    line += "\r\n";
    Log().Append(line);
    ++errorCount_;
    return 0;
}

void SourceParser::ResetInput() {
    readPos_ = readEnd_ = nextCr_ = nullptr;
    inputEnded_ = false;
    c_ = '\n';
    token_ = kTokNone;
    lineLen_ = linePos_ = 0;
    tokenText_.clear();
    comment_.clear();
    commentSeen_ = false;
    lastSymbol_ = nullptr;
    commentLine_ = -1;
    tagMode_ = false;
    capture_.recording = false;
    capture_.text.clear();
}

bool SourceParser::OpenSourceFile(const std::string& path) {
    CloseSourceFile();
    if (path.size() > kMaxPathLength) {
        // Report under the rejected name, so the log says which file it was.
        filePath_ = path;
        lineCounter_ = 0;
        endTokens_ = 0;
        ReportParseError(nullptr, "file name too long");
        return false;
    }
    lineCounter_ = 0;
    endTokens_ = 0;
    filePath_ = path;
    file_ = std::fopen(path.c_str(), "rb");
    // Only regular files: a folder reads as nothing and a device may never end.
    struct stat status {};
    if (file_ != nullptr && (fstat(fileno(file_), &status) != 0 || !S_ISREG(status.st_mode))) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (file_ == nullptr) {
        ReportParseError(nullptr, "can't open file");
        return false;
    }
    open_ = true;
    ResetInput();
    return true;
}

void SourceParser::OpenSourceText(std::string name, std::string text) {
    CloseSourceFile();
    lineCounter_ = 0;
    endTokens_ = 0;
    filePath_ = std::move(name);
    memory_ = std::move(text);
    open_ = true;
    ResetInput();
    readPos_ = reinterpret_cast<const unsigned char*>(memory_.data());
    readEnd_ = readPos_ + memory_.size();
    FindNextCarriageReturn();
}

int SourceParser::CloseSourceFile() {
    int result = 0;
    if (file_ != nullptr) {
        result = std::fclose(file_);
        file_ = nullptr;
    }
    memory_.clear();
    memory_.shrink_to_fit();
    readPos_ = readEnd_ = nextCr_ = nullptr;
    inputEnded_ = true;
    open_ = false;
    lineLen_ = linePos_ = 0;
    c_ = -1; // until the next open, the tokenizer sees the end of input
    capture_.recording = false;
    return result;
}

void SourceParser::ParseSourceFile(const std::string& path) {
    try {
        switch (language_) {
        case kLangCpp:
            ParseCppFile(path);
            break;
        case kLangIdl:
            ParseIdlFile(path);
            break;
        case kLangJava:
            ParseJavaFile(path);
            break;
        case kLangOrvistal:
            ParseOrvistalFile(path);
            break;
        case kLangCSharp:
            ParseCSharpFile(path);
            break;
        case kLangPhp:
            ParsePhpFile(path);
            break;
        case kLangForte:
            ParseToolFile(path);
            break;
        default:
            break;
        }
    } catch (const SourceParseStopped&) {
        // Already logged by the tokenizer; the file is abandoned.
    }
    CloseSourceFile();
}

} // namespace qm
