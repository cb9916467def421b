// The small images of the project explorer (whose model-kind images the
// model dialogs show too) and the side pane's tabs, read from the PNGs under
// the application folder's "Icons/panes". A missing file gives an empty
// icon: the panes work without their images.
#pragma once

#include <QIcon>

namespace qm {

// The explorer's image list: 0 a folder, 1 a selected folder, 2 to 9 the
// model kinds (see ImageIndexOfModelKind), 10 a link tool, 11 a place tool,
// 12 a link stereotype, 13 a place stereotype, 14 a file.
enum PaneImageIndex : int {
    PiFolder = 0,
    PiFolderOpen = 1,
    PiLinkTool = 10,
    PiPlaceTool = 11,
    PiLinkStereotype = 12,
    PiPlaceStereotype = 13,
    PiFile = 14,
    PiCount = 15,
};

// The explorer image of that index; empty for an index out of range.
const QIcon& PaneImage(int index);
// The image of side-pane tab 0 to 4; empty for an index out of range.
const QIcon& TabImage(int index);

} // namespace qm
