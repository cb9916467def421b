// The commands the project window's panes take (the Edit menu's and the
// shared pop-up menu of the project tree and the master lister), and the
// pop-up menu built from them for a command target.
#pragma once

#include "editor/CommandTarget.h"

class QMenu;
class QWidget;

namespace qm {

// The command ids the panes take: the Edit menu's and the shared pop-up
// menu's.
enum ExplorerCommand : int {
    IdEditCopy = 57634,
    IdEditCut = 57635,
    IdEditPaste = 57637,
    IdEditShallowCopy = 33115,
    IdEditDelete = 33000,
    IdPopupNewModel = 32963,
    IdPopupCut = 32964,
    IdPopupCopy = 32965,
    IdPopupPaste = 32966,
    IdPopupDelete = 32967,
    IdPopupProperties = 32969,
    IdPopupShallowCopy = 33116,
    IdPopupImplode = 33018,
    IdPopupExplode = 33017,
    IdPopupSubmodel = 33020,
    IdPopupBreakExplode = 33067,
    IdPopupCall = 33039,
    IdEditProperties = 33004,
    IdEditSelectAll = 57642,
    IdEditSelectExplodes = 33009,
};

// The shared pop-up menu ("New Model...", "Cut", "Copy", "Shallow Copy",
// "Paste", "Delete", "Explode...", "Submodel", "Implode", "Break Explode
// Link", "Call...", "Properties..."), each item enabled by target's update
// rule and carried out by its command. The menu deletes itself on close.
QMenu* BuildPopupMenu(QWidget* parent, CommandTarget& target);

class CCASEDoc;

// Whether the masters clipboard file exists (what enables Paste).
bool ClipboardFileExists();
// Reads the masters clipboard file into document; a failure is shown and
// gives false.
bool PasteClipboardFile(CCASEDoc& document);

} // namespace qm
