// The shared pop-up menu of the project window's panes.
#include "shell/panes/PaneCommands.h"

#include "document/CCASEDoc.h"

#include <QMenu>

#include <filesystem>

namespace qm {

QMenu* BuildPopupMenu(QWidget* parent, CommandTarget& target) {
    static const CommandEntry kPopup[] = {
        {IdPopupNewModel, "", "New Model..."},
        {0, "", nullptr},
        {IdPopupCut, "", "Cut"},
        {IdPopupCopy, "", "Copy"},
        {IdPopupShallowCopy, "", "Shallow Copy"},
        {IdPopupPaste, "", "Paste"},
        {IdPopupDelete, "", "Delete"},
        {0, "", nullptr},
        {IdPopupExplode, "", "Explode..."},
        {IdPopupSubmodel, "", "Submodel"},
        {IdPopupImplode, "", "Implode"},
        {IdPopupBreakExplode, "", "Break Explode Link"},
        {IdPopupCall, "", "Call..."},
        {0, "", nullptr},
        {IdPopupProperties, "", "Properties..."},
    };
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const CommandEntry& entry : kPopup) {
        if (entry.label == nullptr) {
            menu->addSeparator();
            continue;
        }
        CommandState state;
        // A command the target does not take is greyed.
        if (!target.OnUpdateCommand(entry.id, state))
            state.enabled = false;
        QAction* action = menu->addAction(QString::fromUtf8(entry.label));
        action->setEnabled(state.enabled);
        const int id = entry.id;
        QObject::connect(action, &QAction::triggered, [&target, id] { target.OnCommand(id); });
    }
    return menu;
}

bool ClipboardFileExists() {
    std::error_code error;
    try {
        return std::filesystem::exists(CCASEDoc::ClipboardFile(), error);
    } catch (const std::exception&) {
        return false;
    }
}

bool PasteClipboardFile(CCASEDoc& document) {
    try {
        document.PasteFromClipboardFile(false, nullptr, CPoint());
    } catch (const std::exception& error) {
        CCASEDoc::ReportSaveLoadException(error);
        return false;
    }
    return true;
}

} // namespace qm
