// The child frame's side of the editor's host, over Qt's status bar and menus.
#include "shell/FrameEditorHost.h"

#include "dialogs/sheets/ObjSheet.h"

#include <QAction>
#include <QDialog>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>

namespace qm {

FrameEditorHost::FrameEditorHost(QMainWindow& mainWindow) : mainWindow_(mainWindow) {
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

void FrameEditorHost::ShowProperties(CCASEDoc& document, const ObjectHandle& target, int kind,
                                     const ObjectHandle& place, bool activate) {
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

ObjectHandle FrameEditorHost::OfferToAddMethod(CCASEDoc&, const std::vector<ObjectHandle>&,
                                               const std::string&) {
    return {};
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

} // namespace qm
