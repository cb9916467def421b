#include "reverse/LanguageParsers.h"

namespace qm {

int ParseOrvistalInput(SourceParser& p) {
    while (p.GetToken() != kTokEnd) {
    }
    return 1;
}

int SourceParser::ParseOrvistalFile(const std::string& path) {
    if (!OpenSourceFile(path)) {
        return 0;
    }
    ParseOrvistalInput(*this);
    return CloseSourceFile() == 0 ? 1 : 0;
}

} // namespace qm
