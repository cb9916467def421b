// The child frame's side of the editor's host, over Qt's status bar and menus.
#include "shell/FrameEditorHost.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>

namespace qm {

FrameEditorHost::FrameEditorHost(QMainWindow& mainWindow) : mainWindow_(mainWindow) {
    looks_.Init(false, nullptr);
}

void FrameEditorHost::ShowProperties(CCASEDoc&, const ObjectHandle&, int, const ObjectHandle&,
                                     bool) {}

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
