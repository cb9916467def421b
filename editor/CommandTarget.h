// CommandTarget: one link of the chain a menu, tool-bar or context-menu
// command travels along: the child frame, then the active pane, then the
// document and the application. A target that takes a command answers true;
// the first that does ends the walk. The same walk asks for a command's
// state (enabled, checked, radio mark) before a menu opens.
#pragma once

namespace qm {

// The state an update rule gives a command's menu item or button.
struct CommandState {
    bool enabled = true;
    bool checked = false;
    // Checked shown as a radio mark (one of a set).
    bool radio = false;
};

// One row of a command table: the command id, the menu it sits in (a path
// such as "Edit" or "Arrange"; empty for commands only a context menu or a
// tool bar carries), its label with the mnemonic '&' and its shortcut text
// after a tab, as the menus show it.
struct CommandEntry {
    int id;
    const char* menuPath;
    const char* label;
};

class CommandTarget {
  public:
    virtual ~CommandTarget() = default;
    // Carries out command id; false when this target does not take it.
    virtual bool OnCommand(int id) = 0;
    // Fills state for command id; false when this target does not take it.
    virtual bool OnUpdateCommand(int id, CommandState& state) = 0;
};

} // namespace qm
