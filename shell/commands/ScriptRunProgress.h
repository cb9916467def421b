// How a script run shows in the main window: the status bar's progress
// control steps with each file the script writes, the window repaints while
// the script runs, and the frame's menus and tool bars are disabled (and
// auto-save paused) until the run ends.
#pragma once

#include "platform/ScopedInstall.h"
#include "scripting/RunContext.h"

#include <QElapsedTimer>

namespace qm {

class CMainFrame;

class ScriptRunProgress : public ScriptProgress {
  public:
    // The shortest time between two repaints while a script runs.
    static constexpr int kRepaintMilliseconds = 40;

    // Installs itself for the runs made while it lives.
    explicit ScriptRunProgress(CMainFrame& frame);
    ~ScriptRunProgress() override;
    ScriptRunProgress(const ScriptRunProgress&) = delete;
    ScriptRunProgress& operator=(const ScriptRunProgress&) = delete;

    void Begin(int range) override;
    void Advance() override;
    void Pulse() override;
    void End() override;

  private:
    // Lets the window repaint (and timers run), without user input, so that
    // no command starts in the middle of the script; at most every
    // kRepaintMilliseconds unless now is set.
    void Repaint(bool now);

    CMainFrame& frame_;
    ScopedInstall<ScriptProgress> installed_{this};
    QElapsedTimer sinceRepaint_;
    int range_ = 0;
    int position_ = 0;
    bool autoSaveWasActive_ = false;
};

} // namespace qm
