// The main window's side of a script run: progress, repaints and the
// commands switched off while the script runs.
#include "shell/commands/ScriptRunProgress.h"

#include "shell/frames/CMainFrame.h"

#include <QApplication>
#include <QMenuBar>
#include <QProgressBar>
#include <QTimer>
#include <QToolBar>

namespace qm {

namespace {

// Enables or disables the frame's menus and tool bars.
void EnableCommands(CMainFrame& frame, bool enable) {
    frame.menuBar()->setEnabled(enable);
    for (QToolBar* bar : frame.findChildren<QToolBar*>())
        bar->setEnabled(enable);
}

} // namespace

ScriptRunProgress::ScriptRunProgress(CMainFrame& frame) : frame_(frame) {
    EnableCommands(frame_, false);
    // An auto-save in the middle of a script would store half its changes.
    if (QTimer* timer = frame_.AutoSaveTimer()) {
        autoSaveWasActive_ = timer->isActive();
        timer->stop();
    }
}

ScriptRunProgress::~ScriptRunProgress() {
    if (QTimer* timer = frame_.AutoSaveTimer(); timer != nullptr && autoSaveWasActive_)
        timer->start();
    EnableCommands(frame_, true);
}

void ScriptRunProgress::Begin(int range) {
    range_ = std::max(0, range);
    position_ = 0;
    frame_.BeginProgress(range_);
    Repaint(true);
}

void ScriptRunProgress::Advance() {
    // More files than masters: the control stays full.
    if (position_ < range_)
        frame_.SetProgressPos(++position_);
    Repaint(false);
}

void ScriptRunProgress::Pulse() {
    Repaint(false);
}

void ScriptRunProgress::End() {
    frame_.EndProgress("");
}

void ScriptRunProgress::Repaint(bool now) {
    if (!now && sinceRepaint_.isValid() && sinceRepaint_.elapsed() < kRepaintMilliseconds)
        return;
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    sinceRepaint_.start();
}

} // namespace qm
