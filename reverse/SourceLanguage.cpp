// Look-ups in the language table.
#include "reverse/SourceLanguage.h"

namespace qm {

std::string_view LanguageName(int code) {
    for (const LanguageRow& row : LanguageTable) {
        if (row.code == code) {
            return row.name;
        }
    }
    return {};
}

int LanguageIndexByName(std::string_view name) {
    for (size_t i = 0; i < LanguageTable.size(); ++i) {
        if (LanguageTable[i].name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int LanguageCodeByName(std::string_view name) {
    int index = LanguageIndexByName(name);
    return index < 0 ? -1 : LanguageTable[static_cast<size_t>(index)].code;
}

} // namespace qm
