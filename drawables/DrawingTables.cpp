// The small tables of the drawing code: model kinds to explorer images,
// tool kinds to menu commands, model flags to link styles.
#include "drawables/DrawingTables.h"

#include "drawables/Drawable.h"
#include "model/CommandIds.h"

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
    // The fixed tools' commands, from the pointer to the polygon.
    static const int32_t kFixedTools[] = {
        cmd::PointerTool,        cmd::TagTool,     cmd::LineTool,
        cmd::PolylineTool,       cmd::TextTool,    cmd::RectangleTool,
        cmd::RoundRectangleTool, cmd::EllipseTool, cmd::PolygonTool};
    if (kind >= TkFirstLink && kind <= TkLastPlace)
        return cmd::FirstLinkTool + kind;
    if (kind >= TkPointer && kind <= TkPolygon)
        return kFixedTools[kind - TkPointer];
    if (kind == TkMessage)
        return cmd::MessageTool;
    if (kind == TkSwimlane)
        return cmd::SwimlaneTool;
    // User tools 100 and up are the user tool commands from 3000 on.
    constexpr int kUserToolOffset = int{cmd::FirstUserTool} - int{TkFirstUserTool};
    if (kind >= TkFirstUserTool && kind <= std::numeric_limits<int32_t>::max() - kUserToolOffset)
        return kind + kUserToolOffset;
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
