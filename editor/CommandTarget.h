// CommandTarget: one link of the chain a menu, tool-bar or context-menu
// command travels along: the child frame, then the active pane, then the
// document and the application. A target that takes a command answers true;
// the first that does ends the walk. The same walk asks for a command's
// state (enabled, checked, radio mark) before a menu opens.
#pragma once

#include <span>
#include <vector>

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

// The id of a row that stands for a separator in its menu.
inline constexpr int kSeparatorRow = 0;
// The id of a row that marks where the active pane's rows of the same menu
// go; a menu without such a mark gets them at its end.
inline constexpr int kPaneSlotRow = -1;
// The id of a row that marks a named place in its menu (the row's label is
// the name) where rows of other tables go: a row whose menu path ends in
// "#name" ("&File#print") sits at the mark of that name in that menu, or at
// the menu's end when no table has the mark.
inline constexpr int kMenuSlotRow = -2;

// One row of an owner's table: the frames', the command families', the
// diagram view's and the project panes' alike. last is first for a single
// command; a range (user tools, task scripts) calls the handler with the id.
// A null handler takes the command and does nothing; a null update rule means
// always enabled. A row with a menu but neither handler nor rule only places
// its command in that menu: the owner does not take it, and the walk goes on
// to the next target. A menu path of "" marks a row of the owner's pop-up
// menu (in order, separators included); a null one a command with no menu
// item of the owner's.
template <class Owner> struct CommandRow {
    int first;
    int last;
    const char* menuPath;
    const char* label;
    void (Owner::*handler)(int id);
    void (Owner::*update)(int id, CommandState& state);

    bool Holds(int id) const { return first > 0 && id >= first && id <= last; }
    bool PlacesOnly() const {
        return handler == nullptr && update == nullptr && menuPath != nullptr &&
               menuPath[0] != '\0';
    }
};

// The row of the table that takes id, or null.
template <class Owner>
const CommandRow<Owner>* FindCommandRow(std::span<const CommandRow<Owner>> rows, int id) {
    for (const CommandRow<Owner>& row : rows)
        if (row.Holds(id) && !row.PlacesOnly())
            return &row;
    return nullptr;
}

// Runs the row of the table that takes id; false when none does.
template <class Owner>
bool DispatchCommand(Owner& owner, std::span<const CommandRow<Owner>> rows, int id) {
    const CommandRow<Owner>* row = FindCommandRow(rows, id);
    if (row == nullptr)
        return false;
    if (row->handler != nullptr)
        (owner.*row->handler)(id);
    return true;
}

// Fills state by the rule of the row that takes id; false when none does.
template <class Owner>
bool UpdateCommand(Owner& owner, std::span<const CommandRow<Owner>> rows, int id,
                   CommandState& state) {
    const CommandRow<Owner>* row = FindCommandRow(rows, id);
    if (row == nullptr)
        return false;
    state = CommandState{};
    if (row->update != nullptr)
        (owner.*row->update)(id, state);
    return true;
}

// The menu rows of a table (separators and pane slots included), in order.
template <class Owner>
std::vector<CommandEntry> MenuEntries(std::span<const CommandRow<Owner>> rows) {
    std::vector<CommandEntry> entries;
    for (const CommandRow<Owner>& row : rows)
        if (row.menuPath != nullptr && row.menuPath[0] != '\0')
            entries.push_back(CommandEntry{row.first, row.menuPath, row.label});
    return entries;
}

} // namespace qm
