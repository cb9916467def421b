// The project window's looks commands: fill and line colours, line kinds,
// fonts, the tool bar's colour buttons, Apply Template, the link styles and
// annotation. With a selection they change its looks in one "Looks Change";
// without one they set the looks that new drawables take, which this family
// holds.
#pragma once

#include "drawables/Looks.h"
#include "editor/CommandTarget.h"
#include "model/CommandIds.h"
#include "shell/commands/ColorMenus.h"
#include "shell/frames/CommandTable.h"

#include <QPoint>

#include <memory>
#include <span>

namespace qm {

class CChildFrame;
class Model;

class LooksCommands : public CommandTarget {
  public:
    explicit LooksCommands(CChildFrame& frame);
    ~LooksCommands() override;

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;
    static std::span<const CommandRow<LooksCommands>> CommandTable();

    // The looks new drawables take: the colour and line menus' defaults.
    const Looks& NewDrawableLooks() const { return defaults_; }

    // Pop the menus up at a screen point, showing the single selected
    // drawable's value or the default as current.
    void PopupFillColorMenu(QPoint screenPoint);
    void PopupLineColorMenu(QPoint screenPoint);
    void PopupLineStyleMenu(QPoint screenPoint);
    // The drop-down arrow of a tool bar colour or line button: pops its menu
    // up at the point; false for any other button.
    bool PopupForButton(int id, QPoint screenPoint);
    TColorMenu& FillMenu() { return *fillMenu_; }
    TColorMenu& LineColorMenu() { return *lineColorMenu_; }
    TLineMenu& LineStyleMenu() { return *lineMenu_; }

  private:
    Model* CurrentModel();
    bool HasSelection();
    // The single selected drawable's looks, or null.
    const Looks* SingleSelectionLooks();
    void ApplyLooks(const Looks& mask, const Looks& looks, bool placesAndLinksOnly = false);

    void OnPopup(int id);
    void OnColor(int id);
    void OnLineKind(int id);
    void OnToolBarButton(int id);
    void OnApplyTemplate(int id);
    void OnLinkStyle(int id);
    void OnUpdateApplyTemplate(int id, CommandState& state);
    void OnUpdateLinkStyle(int id, CommandState& state);
    void OnFont(int id);
    void OnAnnotation(int id);
    void OnUpdateAnnotation(int id, CommandState& state);

    friend struct LooksCommandRows;

    CChildFrame& frame_;
    std::unique_ptr<TColorMenu> fillMenu_;
    std::unique_ptr<TColorMenu> lineColorMenu_;
    std::unique_ptr<TLineMenu> lineMenu_;
    // 0: the fill colour menu popped up last, 1: the line colour menu.
    int colorMenuKind_ = 0;
    // The current values of the menus and the defaults for new drawables.
    uint32_t fillColor_ = 15;
    uint32_t lineColor_ = 0;
    int lineKind_ = kLineKindSolid1;
    Looks defaults_;
};

} // namespace qm
