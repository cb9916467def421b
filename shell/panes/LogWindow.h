// The log window: one modeless window with a monospace text box that collects
// everything the log sink is given (scripts, generation, reverse engineering,
// the kernel's log channel); View/Log Window shows and hides it.
#pragma once

#include "platform/Log.h"

#include <QDialog>

#include <functional>

class QPlainTextEdit;

namespace qm {

// Where the window goes over a main frame whose client area (in screen
// coordinates) is client: the full width, at the bottom, a fifth of the
// height held to 100..200 pixels.
QRect LogWindowGeometry(const QRect& client);

class LogWindow : public QDialog, public LogSink {
  public:
    // neverShow: the run ends by itself (the command line's exit), so the
    // window stays hidden whatever is asked.
    explicit LogWindow(bool neverShow);

    // Places the window over the bottom of the main frame's client area.
    void PlaceOver(const QRect& frameClient);
    // Where the main frame's client area lies (screen coordinates); the
    // window is placed over it when it is first shown, whoever shows it.
    void SetFrameClient(std::function<QRect()> frameClient) {
        frameClient_ = std::move(frameClient);
    }
    // Places the window once, unless it was placed already.
    void EnsurePlaced();
    QPlainTextEdit* Edit() const { return edit_; }
    std::string Text() const;

    // ---- LogSink ----
    void Append(std::string_view text) override;
    void Show(bool visible) override;
    void Clear() override;

  private:
    QPlainTextEdit* edit_ = nullptr;
    bool neverShow_ = false;
    bool placed_ = false;
    std::function<QRect()> frameClient_;
};

} // namespace qm
