// The Forte TOOL parser's entry. Its declaration scanner is not written yet: the
// entry reads the file's tokens to the end, so that a run opens the file,
// counts its lines and reports what the tokenizer finds, and records no
// declarations.
#include "reverse/SourceParser.h"

namespace qm {

int SourceParser::ParseToolFile(const std::string& path) {
    return ScanSourceToEnd(path);
}

} // namespace qm
