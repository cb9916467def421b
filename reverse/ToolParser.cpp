#include "reverse/LanguageParsers.h"

namespace qm {

int ParseToolInput(SourceParser& p) {
    while (p.GetToken() != kTokEnd) {
    }
    return 1;
}

int SourceParser::ParseToolFile(const std::string& path) {
    if (!OpenSourceFile(path)) {
        return 0;
    }
    ParseToolInput(*this);
    return CloseSourceFile() == 0 ? 1 : 0;
}

} // namespace qm
