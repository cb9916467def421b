// The commands the diagram view takes: their ids, and the rows of the Edit and
// Arrange menus (id, menu, label with its mnemonic and shortcut) that the
// frame builds its menus from. The context menu's own ids are listed here too,
// since the view answers them by the same rules.
#pragma once

#include "editor/CommandTarget.h"

#include <span>

namespace qm {

enum ViewCommand : int {
    // Edit menu.
    ID_EDIT_DELETE = 33000,
    ID_EDIT_COPY = 57634,
    ID_EDIT_SHALLOW_COPY = 33115,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_PROPERTIES = 33004,
    ID_EDIT_SELECT_ALL = 57642,
    ID_EDIT_SELECT_EXPLODES = 33009,
    // View commands the view carries out for the frame.
    ID_VIEW_NORMAL_SIZE = 33003,
    ID_VIEW_ZOOM_IN = 33001,
    ID_VIEW_ZOOM_OUT = 33002,
    ID_VIEW_ZOOM_IN_BAR = 32857,
    ID_VIEW_ZOOM_OUT_BAR = 32858,
    ID_VIEW_PAN_TO_SELECTED = 32979,
    ID_VIEW_REFRESH = 32842,
    // Arrange menu.
    ID_ARRANGE_BRING_TO_FRONT = 32876,
    ID_ARRANGE_SEND_TO_BACK = 32877,
    ID_ARRANGE_FLIP_HORIZONTAL = 32880,
    ID_ARRANGE_FLIP_VERTICAL = 32881,
    ID_ARRANGE_ROTATE_RIGHT = 32882,
    ID_ARRANGE_ROTATE_LEFT = 32999,
    ID_ARRANGE_GROUP_AS_PRIMITIVE = 32878,
    ID_ARRANGE_GROUP_AS_PLACE = 32980,
    ID_ARRANGE_UNGROUP = 32879,
    ID_ARRANGE_REPOSITION = 32884,
    ID_ARRANGE_AUTO_SIZE = 33129,
    // The context menu.
    ID_POPUP_NEW_MODEL = 32963,
    ID_POPUP_CUT = 32964,
    ID_POPUP_COPY = 32965,
    ID_POPUP_SHALLOW_COPY = 33116,
    ID_POPUP_DELETE = 32967,
    ID_POPUP_PASTE = 32966,
    ID_POPUP_PROPERTIES = 32969,
    ID_POPUP_CALL = 33039,
    ID_POPUP_EXPLODE = 33017,
    ID_POPUP_SUBMODEL = 33020,
    ID_POPUP_IMPLODE = 33018,
    ID_POPUP_BREAK_EXPLODE_LINK = 33067,
};

// The Edit and Arrange menu rows the view answers, in menu order.
std::span<const CommandEntry> ViewCommandTable();
// Rows of the Edit and View menus that the frame places but the view carries
// out (Select All, zoom, pan, refresh); the frame's own table may hold them.
std::span<const CommandEntry> ViewFrameCommandTable();
// The context menu's items, in order (a row with id 0 is a separator).
std::span<const CommandEntry> ViewContextMenuTable();

} // namespace qm
