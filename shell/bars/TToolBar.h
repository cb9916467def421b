// The main frame's three tool bars as data (command, name, image, drop-down)
// and TToolBar, the bar whose buttons follow the notation template: the
// miscellaneous bar (kind 0) and the custom bar (kind 1).
#pragma once

#include "shell/frames/CommandTable.h"

#include "drawables/NotationTemplate.h"

#include <QPixmap>
#include <QToolBar>

#include <functional>
#include <span>

namespace qm {

// One slot of a tool bar; id 0 is a separator, the zoom box's slot holds it.
struct ToolBarButton {
    int id;
    const char* name;
    int image;
    bool dropDown;
};

std::span<const ToolBarButton> MainToolBarButtons();
std::span<const ToolBarButton> MiscToolBarButtons();
std::span<const ToolBarButton> CustomToolBarButtons();

// A small picture for a button that has no image of its own: the first
// letters of its name on a framed square of the button's size (16 x 15).
QIcon ButtonGlyph(const std::string& name);

// Picture index (16 x 15) of a strip under the application folder's
// Icons/toolbar ("main", "misc", "custom", "junctions", "icons"); null when
// the strip is missing or too short.
QPixmap StripPicture(const char* strip, int index);

// The misc bar's pictures past its own 29: the junction picker's six
// (29 to 34) and the icon picker's 24 (35 to 58).
inline constexpr int kFirstJunctionImage = 29;
inline constexpr int kFirstIconImage = 35;
// The control tools button has no picture of the strip: past the icon
// picker's, it is drawn as a letter glyph of its name.
inline constexpr int kControlToolsImage = 59;

class TToolBar : public QToolBar {
  public:
    enum Kind { Main = -1, Miscellaneous = 0, Custom = 1 };

    TToolBar(Kind kind, const QString& title, QWidget* parent);

    Kind BarKind() const { return kind_; }
    // Adds the buttons; each runs its command through routing. A drop-down
    // button's arrow calls dropDown with the command and the arrow's
    // screen point below the button. slotWidget fills a slot without image.
    void AddButtons(std::span<const ToolBarButton> buttons, const CommandRouting& routing,
                    std::function<void(int id, QPoint below)> dropDown,
                    QWidget* slotWidget = nullptr);
    // The action of a command, or null.
    QAction* ActionOf(int id) const;
    // The command of the button at a global point and the button's rectangle
    // in screen coordinates; 0 when no button is there.
    int ButtonAt(QPoint global, QRect& screenRect) const;
    // Brings enabled and checked states up to date through routing.
    void UpdateButtons(const CommandRouting& routing);
    // Called when the mouse comes onto a button: its command and the
    // button's rectangle in screen coordinates.
    std::function<void(int id, QRect screenRect)> hovered;
    // Called when the mouse leaves a button.
    std::function<void(int id)> left;
    // Sets a button's tool tip and status text (the template's tool names);
    // the tip is also the button's accessible name.
    void SetButtonTexts(int id, const std::string& tip, const std::string& status);
    // Shows picture image of this bar on the button of command id (the misc
    // bar's junction and icon buttons show the picked tool this way).
    void SetButtonImage(int id, int image);
    // The picture a button of this bar shows, from the bar's strip under the
    // application folder's Icons/toolbar; a letter glyph of name when the
    // strip or the picture is missing.
    QIcon Image(int image, const std::string& name) const;
    // The custom bar's pictures from a notation template's icon strip
    // (picture k is the 16 x 15 slot at x = 16 k); every button's picture is
    // drawn again. An empty strip brings back the bar's own pictures. False
    // for the other bars.
    bool SetToolBitmap(const ToolBitmap& strip);
    // The strip the custom bar shows (empty until a template gave one).
    const ToolBitmap& ToolStrip() const { return toolBitmap_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Kind kind_;
    ToolBitmap toolBitmap_;
    QPixmap toolPictures_;
};

// A template's icon strip as a picture.
QPixmap StripPixmap(const ToolBitmap& strip);

} // namespace qm
