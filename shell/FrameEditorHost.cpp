// The child frame's side of the editor's host, over Qt's status bar and menus.
#include "shell/FrameEditorHost.h"

#include "dialogs/model/DialogServices.h"
#include "dialogs/model/ModelDialogs.h"
#include "dialogs/sheets/CtrlSheet.h"
#include "dialogs/sheets/ObjSheet.h"
#include "drawables/DiagramView.h"
#include "editor/TContent.h"
#include "shell/bars/LibraryMenu.h"
#include "shell/frames/CChildFrame.h"
#include "shell/frames/CMainFrame.h"
#include "shell/panes/Overview.h"
#include "shell/panes/SidePane.h"

#include <QAction>
#include <QDialog>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>

namespace qm {

FrameEditorHost::FrameEditorHost(QMainWindow& mainWindow, CChildFrame* frame)
    : mainWindow_(mainWindow), frame_(frame) {
    looks_.Init(false, nullptr);
}

CObjSheet& ObjectSheetOf(QMainWindow& mainWindow) {
    // One sheet per application: a child of the main window, made on first
    // use, centred over it, and hidden rather than destroyed.
    if (auto* sheet =
            dynamic_cast<CObjSheet*>(mainWindow.findChild<QDialog*>(QStringLiteral("objectSheet"))))
        return *sheet;
    auto* sheet = new CObjSheet(&mainWindow);
    sheet->setObjectName(QStringLiteral("objectSheet"));
    sheet->adjustSize();
    sheet->move(mainWindow.geometry().center() - sheet->rect().center());
    return *sheet;
}

// The one control sheet, made like the object sheet on first use.
CCtrlSheet& ControlSheetOf(QMainWindow& mainWindow) {
    if (auto* sheet = dynamic_cast<CCtrlSheet*>(
            mainWindow.findChild<QDialog*>(QStringLiteral("controlSheet"))))
        return *sheet;
    auto* sheet = new CCtrlSheet(&mainWindow);
    sheet->setObjectName(QStringLiteral("controlSheet"));
    sheet->adjustSize();
    sheet->move(mainWindow.geometry().center() - sheet->rect().center());
    return *sheet;
}

void FrameEditorHost::ShowProperties(CCASEDoc& document, const ObjectHandle& target, int kind,
                                     const ObjectHandle& place, bool activate) {
    if (kind == PtControlPlace) {
        // A form-design control has a sheet of its own.
        CCtrlSheet& controls = ControlSheetOf(mainWindow_);
        if (!activate && !controls.isVisible())
            return;
        ObjectSheetOf(mainWindow_).CloseSheet(true);
        controls.SetTarget(&document, target);
        if (controls.Target() == nullptr)
            return;
        controls.show();
        if (activate) {
            controls.raise();
            controls.activateWindow();
        }
        return;
    }
    if (auto* controls = dynamic_cast<CCtrlSheet*>(
            mainWindow_.findChild<QDialog*>(QStringLiteral("controlSheet"))))
        controls->CloseSheet(true);
    CObjSheet& sheet = ObjectSheetOf(mainWindow_);
    // Without activation the sheet only follows the selection while it is shown.
    if (!activate && !sheet.isVisible())
        return;
    sheet.SetTargetObject(&document, target, kind, true, true, place);
    if (sheet.WorkingCopy() == nullptr)
        return;
    sheet.show();
    if (activate) {
        sheet.raise();
        sheet.activateWindow();
    }
}

ObjectHandle FrameEditorHost::OfferToAddMethod(CCASEDoc&,
                                               const std::vector<ObjectHandle>& candidates,
                                               const std::string& method) {
    if (candidates.empty())
        return {};
    CAddMethodDialog dialog(candidates, method, &mainWindow_);
    if (RunModal(dialog) != QDialog::Accepted)
        return {};
    return CAddMethodDialog::GetChosenClass();
}

const Looks& FrameEditorHost::CurrentLooks() const {
    return frame_ != nullptr ? frame_->CurrentLooks() : looks_;
}

int FrameEditorHost::CurrentTool() const {
    return frame_ != nullptr ? frame_->CurrentTool() : tool_;
}

void FrameEditorHost::SetCurrentTool(int tool) {
    if (frame_ != nullptr)
        frame_->SetCurrentTool(tool);
    else
        tool_ = tool;
}

bool FrameEditorHost::RouteCommand(int id, CommandTarget& origin) {
    if (frame_ == nullptr)
        return EditorHost::RouteCommand(id, origin);
    return frame_->Main().RouteCommand(id, &origin, frame_);
}

CommandState FrameEditorHost::RouteUpdate(int id, CommandTarget& origin) {
    if (frame_ == nullptr)
        return EditorHost::RouteUpdate(id, origin);
    return frame_->Main().RouteUpdate(id, &origin, frame_);
}

void FrameEditorHost::SelectionShown(const ObjectHandle&) {
    // An open sheet follows the view's selection; a hidden one stays hidden.
    if (frame_ == nullptr || frame_->View() == nullptr)
        return;
    if (auto* sheet = mainWindow_.findChild<QDialog*>(QStringLiteral("objectSheet")))
        if (sheet->isVisible())
            frame_->View()->ShowSelectionProperties(false);
}

void FrameEditorHost::ZoomShown(double) {
    if (frame_ != nullptr && frame_->View() != nullptr)
        frame_->UpdateZoomCombo(frame_->View()->CurrentModel());
}

bool FrameEditorHost::AskRepositionOptions(int& options) {
    CReposDialog dialog(&mainWindow_);
    if (RunModal(dialog) != QDialog::Accepted)
        return false;
    options = static_cast<int>(CReposDialog::GetRepositionWord());
    return true;
}

void FrameEditorHost::HidePropertySheet() {
    if (auto* sheet = dynamic_cast<CObjSheet*>(
            mainWindow_.findChild<QDialog*>(QStringLiteral("objectSheet"))))
        sheet->HideAndApply();
}

void FrameEditorHost::LabelCommitted() {
    if (auto* sheet = dynamic_cast<CObjSheet*>(
            mainWindow_.findChild<QDialog*>(QStringLiteral("objectSheet")));
        sheet != nullptr && sheet->isVisible())
        sheet->UpdateNameField();
}

void FrameEditorHost::ShowMemberProperties(CCASEDoc& document, const ObjectHandle& master,
                                           int memberKind, int item) {
    ShowProperties(document, master, PtMaster, {}, true);
    CObjSheet& sheet = ObjectSheetOf(mainWindow_);
    if (sheet.WorkingCopy() != nullptr)
        sheet.ShowMemberPage(memberKind, item);
}

void FrameEditorHost::MasterShownChanged(Master& master) {
    if (frame_ == nullptr)
        return;
    if (auto* view = dynamic_cast<TContent*>(frame_->GetContent()))
        view->NotifyChange(VcPlace, &master, false);
}

void FrameEditorHost::SetStatusText(const std::string& text) {
    mainWindow_.statusBar()->showMessage(QString::fromStdString(text));
}

int FrameEditorHost::PopupMenu(const std::vector<std::string>& items, CPoint screenPoint) {
    if (items.empty())
        return -1;
    QMenu menu(&mainWindow_);
    std::vector<QAction*> actions;
    for (const std::string& item : items)
        actions.push_back(menu.addAction(QString::fromStdString(item)));
    QAction* chosen = menu.exec(QPoint(screenPoint.x, screenPoint.y));
    for (size_t i = 0; i < actions.size(); ++i)
        if (actions[i] == chosen)
            return static_cast<int>(i);
    return -1;
}

void FrameEditorHost::ToolEditingShown(bool iconEditing) {
    if (frame_ != nullptr)
        frame_->SetToolEditMode(iconEditing ? 1 : 0);
}

void FrameEditorHost::ViewScrolled(bool sizesChanged) {
    TExtra* extra = frame_ != nullptr ? frame_->Extra() : nullptr;
    if (extra == nullptr || !extra->isVisible())
        return;
    if (sizesChanged)
        extra->RefreshOverviewPane(true);
    else if (extra->SelectedTab() == TabLocater)
        extra->Locater()->TrackVisibleArea(true);
}

LibrarySymbol FrameEditorHost::LibrarySymbolForTool(int tool) {
    LibraryMenu* library = frame_ != nullptr ? frame_->Library() : nullptr;
    if (library == nullptr)
        return {};
    LibrarySymbol symbol;
    symbol.symbol = library->GetSymbolForCommand(tool);
    symbol.model = library->GetModelForCommand(tool);
    symbol.document = symbol.symbol != nullptr ? library->Document() : nullptr;
    symbol.asPlace = library->Mode() > 0;
    return symbol;
}

} // namespace qm
