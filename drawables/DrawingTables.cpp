// The small tables of the drawing code: model kinds to explorer images,
// tool kinds to menu commands, model flags to link styles.
#include "drawables/DrawingTables.h"

#include <limits>

namespace qm {

int ImageIndexOfModelKind(int kind) {
    switch (kind) {
    case 0:
        return 2;
    case 11:
        return 3;
    case 12:
        return 4;
    case 13:
        return 5;
    case 14:
        return 7;
    case 15:
        return 8;
    case 16:
        return 9;
    case 17:
        return 6;
    default:
        return 0;
    }
}

int32_t CommandIdOfToolKind(int kind) {
    // Tool kinds 24 to 32 and their menu commands.
    static const int32_t kFixedTools[] = {32791, 32859, 32866, 32867, 32864,
                                          32870, 32973, 32874, 32875};
    if (kind >= 0 && kind <= 23)
        return 2000 + kind;
    if (kind >= 24 && kind <= 32)
        return kFixedTools[kind - 24];
    if (kind == 46)
        return 32860;
    if (kind == 47)
        return 33089;
    if (kind >= 100 && kind <= std::numeric_limits<int32_t>::max() - 2900)
        return kind + 2900;
    return -1;
}

int LinkStyleFromModelFlags(uint32_t modelFlags) {
    if (modelFlags & 0x8)
        return 4;
    if (modelFlags & 0x4)
        return 2;
    return 0;
}

} // namespace qm
