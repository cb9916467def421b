// The shared pop-up menu of the project window's panes.
#include "shell/panes/PaneCommands.h"

#include "document/CCASEDoc.h"
#include "editor/EditorHost.h"

#include <QMenu>

namespace qm {

struct PaneCommandRows {
    using Row = CommandRow<PaneCommandTarget>;
    using P = PaneCommandTarget;
    static constexpr Row rows[] = {
        {cmd::EditCut, cmd::EditCut, nullptr, nullptr, &P::OnCutOrCopy, &P::OnUpdateCutOrCopy},
        {cmd::EditCopy, cmd::EditCopy, nullptr, nullptr, &P::OnCutOrCopy, &P::OnUpdateCutOrCopy},
        {cmd::EditShallowCopy, cmd::EditShallowCopy, nullptr, nullptr, &P::OnCutOrCopy,
         &P::OnUpdateCutOrCopy},
        {cmd::EditPaste, cmd::EditPaste, nullptr, nullptr, &P::OnPaste, &P::OnUpdatePaste},
        {cmd::EditDelete, cmd::EditDelete, nullptr, nullptr, &P::OnDelete, &P::OnUpdateDelete},
        {cmd::EditProperties, cmd::EditProperties, nullptr, nullptr, &P::OnProperties, nullptr},
        {cmd::EditSelectAll, cmd::EditSelectAll, nullptr, nullptr, &P::OnSelectAll,
         &P::OnUpdateSelectAll},
        {cmd::SelectExplodes, cmd::SelectExplodes, nullptr, nullptr, &P::OnSelectAll,
         &P::OnUpdateSelectAll},
        // The pop-up menu.
        {cmd::PopupNewModel, cmd::PopupNewModel, "", "New Model...", &P::OnNewModel,
         &P::OnUpdateNewModel},
        {kSeparatorRow, 0, "", nullptr, nullptr, nullptr},
        {cmd::PopupCut, cmd::PopupCut, "", "Cut", &P::OnCutOrCopy, &P::OnUpdateCutOrCopy},
        {cmd::PopupCopy, cmd::PopupCopy, "", "Copy", &P::OnCutOrCopy, &P::OnUpdateCutOrCopy},
        {cmd::PopupShallowCopy, cmd::PopupShallowCopy, "", "Shallow Copy", &P::OnCutOrCopy,
         &P::OnUpdateCutOrCopy},
        {cmd::PopupPaste, cmd::PopupPaste, "", "Paste", &P::OnPaste, &P::OnUpdatePaste},
        {cmd::PopupDelete, cmd::PopupDelete, "", "Delete", &P::OnDelete, &P::OnUpdateDelete},
        {kSeparatorRow, 0, "", nullptr, nullptr, nullptr},
        {cmd::PopupExplode, cmd::PopupExplode, "", "Explode...", &P::OnExplode,
         &P::OnUpdateExplode},
        {cmd::PopupSubmodel, cmd::PopupSubmodel, "", "Submodel", &P::OnSubmodel,
         &P::OnUpdateSubmodel},
        {cmd::PopupImplode, cmd::PopupImplode, "", "Implode", &P::OnImplode, &P::OnUpdateImplode},
        {cmd::PopupBreakExplode, cmd::PopupBreakExplode, "", "Break Explode Link",
         &P::OnBreakExplode, &P::OnUpdateSubmodel},
        {cmd::PopupCall, cmd::PopupCall, "", "Call...", nullptr, &P::Disabled},
        {kSeparatorRow, 0, "", nullptr, nullptr, nullptr},
        {cmd::PopupProperties, cmd::PopupProperties, "", "Properties...", &P::OnProperties,
         nullptr},
    };
};

std::span<const CommandRow<PaneCommandTarget>> PaneCommandTarget::CommandTable() {
    return PaneCommandRows::rows;
}

bool PaneCommandTarget::OnCommand(int id) {
    if (IsSelectAll(id) && !TakesSelectAll())
        return false;
    return DispatchCommand(*this, CommandTable(), id);
}

bool PaneCommandTarget::OnUpdateCommand(int id, CommandState& state) {
    if (IsSelectAll(id) && !TakesSelectAll())
        return false;
    return UpdateCommand(*this, CommandTable(), id, state);
}

void PaneCommandTarget::Disabled(int, CommandState& state) {
    state.enabled = false;
}

QMenu* PaneCommandTarget::BuildPopupMenu(QWidget* parent, EditorHost& host) {
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const CommandRow<PaneCommandTarget>& row : CommandTable()) {
        if (row.menuPath == nullptr || row.menuPath[0] != '\0')
            continue;
        if (row.first == kSeparatorRow) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(row.label));
        const int id = row.first;
        action->setEnabled(host.RouteUpdate(id, *this).enabled);
        QObject::connect(action, &QAction::triggered,
                         [&host, this, id] { host.RouteCommand(id, *this); });
    }
    return menu;
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
