// The diagram view's command rows: ids, menus and labels as the menus show them.
#include "editor/ViewCommands.h"

namespace qm {

namespace {

constexpr CommandEntry kViewCommands[] = {
    {ID_EDIT_CUT, "Edit", "Cu&t\tCtrl+X"},
    {ID_EDIT_COPY, "Edit", "&Copy\tCtrl+C"},
    {ID_EDIT_SHALLOW_COPY, "Edit", "Shallo&w Copy\tCtrl+W"},
    {ID_EDIT_PASTE, "Edit", "&Paste\tCtrl+V"},
    {ID_EDIT_DELETE, "Edit", "&Delete\tDel"},
    {ID_EDIT_PROPERTIES, "Edit", "Pr&operties...\tCtrl+I"},
    {ID_ARRANGE_BRING_TO_FRONT, "Arrange", "&Bring To Front"},
    {ID_ARRANGE_SEND_TO_BACK, "Arrange", "&Send To Back"},
    {ID_ARRANGE_FLIP_HORIZONTAL, "Arrange", "Flip &Horizontal"},
    {ID_ARRANGE_FLIP_VERTICAL, "Arrange", "Flip &Vertical"},
    {ID_ARRANGE_ROTATE_RIGHT, "Arrange", "Rotate &Right"},
    {ID_ARRANGE_ROTATE_LEFT, "Arrange", "Rotate &Left"},
    {ID_ARRANGE_GROUP_AS_PRIMITIVE, "Arrange", "Group  As Pri&mitive\tCtrl+G"},
    {ID_ARRANGE_GROUP_AS_PLACE, "Arrange", "Group As &Place\tCtrl+H"},
    {ID_ARRANGE_UNGROUP, "Arrange", "&Ungroup\tCtrl+U"},
    {ID_ARRANGE_REPOSITION, "Arrange", "R&eposition...\tCtrl+J"},
    {ID_ARRANGE_AUTO_SIZE, "Arrange", "Auto Siz&e\tCtrl+E"},
};

constexpr CommandEntry kFrameCommands[] = {
    {ID_EDIT_SELECT_ALL, "Edit", "Select &All\tCtrl+A"},
    {ID_EDIT_SELECT_EXPLODES, "Edit", "Select E&xplodes"},
    {ID_VIEW_NORMAL_SIZE, "View", "&Normal Size\tCtrl+="},
    {ID_VIEW_ZOOM_IN, "View", "Zoom &In\tCtrl+["},
    {ID_VIEW_ZOOM_OUT, "View", "Zoom &Out\tCtrl+]"},
    {ID_VIEW_PAN_TO_SELECTED, "View", "&Pan to Selected\tCtrl+?"},
    {ID_VIEW_REFRESH, "View", "&Refresh"},
};

constexpr CommandEntry kContextMenu[] = {
    {ID_POPUP_NEW_MODEL, "", "New Model..."},
    {0, "", ""},
    {ID_POPUP_CUT, "", "Cut"},
    {ID_POPUP_COPY, "", "Copy"},
    {ID_POPUP_SHALLOW_COPY, "", "Shallow Copy"},
    {ID_POPUP_PASTE, "", "Paste"},
    {ID_POPUP_DELETE, "", "Delete"},
    {0, "", ""},
    {ID_POPUP_PROPERTIES, "", "Properties..."},
    {ID_POPUP_CALL, "", "Call..."},
    {0, "", ""},
    {ID_POPUP_EXPLODE, "", "Explode..."},
    {ID_POPUP_SUBMODEL, "", "Submodel"},
    {ID_POPUP_IMPLODE, "", "Implode"},
    {ID_POPUP_BREAK_EXPLODE_LINK, "", "Break Explode Link"},
};

} // namespace

std::span<const CommandEntry> ViewCommandTable() {
    return kViewCommands;
}

std::span<const CommandEntry> ViewFrameCommandTable() {
    return kFrameCommands;
}

std::span<const CommandEntry> ViewContextMenuTable() {
    return kContextMenu;
}

} // namespace qm
