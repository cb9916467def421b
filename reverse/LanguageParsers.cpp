// The entries of the seven language parsers. Until each language's own
// declaration scanner is written, its entry reads the file's tokens to the
// end, so that a run opens every file, counts its lines and reports what the
// tokenizer finds, and records no declarations.
#include "reverse/SourceParser.h"

namespace qm {

namespace {

int ScanToEnd(SourceParser& parser, const std::string& path) {
    if (!parser.OpenSourceFile(path)) {
        return 0;
    }
    while (parser.GetToken() != kTokEnd) {
    }
    return parser.CloseSourceFile() == 0 ? 1 : 0;
}

} // namespace

int SourceParser::ParseCppFile(const std::string& path) {
    return ScanToEnd(*this, path);
}
int SourceParser::ParseIdlFile(const std::string& path) {
    return ScanToEnd(*this, path);
}
int SourceParser::ParseJavaFile(const std::string& path) {
    return ScanToEnd(*this, path);
}
int SourceParser::ParseOrvistalFile(const std::string& path) {
    return ScanToEnd(*this, path);
}
int SourceParser::ParseCSharpFile(const std::string& path) {
    return ScanToEnd(*this, path);
}
int SourceParser::ParsePhpFile(const std::string& path) {
    return ScanToEnd(*this, path);
}
int SourceParser::ParseToolFile(const std::string& path) {
    return ScanToEnd(*this, path);
}

} // namespace qm
