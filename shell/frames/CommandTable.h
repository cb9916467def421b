// Command tables as data: each row names a command (or a range of ids), the
// menu it sits in, its label with mnemonic and shortcut, its handler and its
// update rule. The menus, tool bars and the walk of a command along the chain
// of targets are all built from such tables.
#pragma once

#include "editor/CommandTarget.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

class QAction;
class QMenuBar;
class QMenu;

namespace qm {

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

// One row of an owner's table. last is first for a single command; a range
// (user tools, task scripts) calls the handler with the id. A null handler
// takes the command and does nothing; a null update rule means always enabled.
template <class Owner> struct CommandRow {
    int first;
    int last;
    const char* menuPath;
    const char* label;
    void (Owner::*handler)(int id);
    void (Owner::*update)(int id, CommandState& state);
};

// Runs the row of the table that holds id; false when none does.
template <class Owner>
bool DispatchCommand(Owner& owner, std::span<const CommandRow<Owner>> rows, int id) {
    for (const CommandRow<Owner>& row : rows) {
        if (row.first <= 0 || id < row.first || id > row.last)
            continue;
        if (row.handler != nullptr)
            (owner.*row.handler)(id);
        return true;
    }
    return false;
}

// Fills state by the row's rule; false when no row holds id.
template <class Owner>
bool UpdateCommand(Owner& owner, std::span<const CommandRow<Owner>> rows, int id,
                   CommandState& state) {
    for (const CommandRow<Owner>& row : rows) {
        if (row.first <= 0 || id < row.first || id > row.last)
            continue;
        state = CommandState{};
        if (row.update != nullptr)
            (owner.*row.update)(id, state);
        return true;
    }
    return false;
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

// A label without its mnemonic marks and without the shortcut after the tab:
// "&Undo\tCtrl+Z" gives "Undo".
std::string PlainLabel(const std::string& label);
// The shortcut text after the tab, or "".
std::string ShortcutOfLabel(const std::string& label);

// What a built menu item calls: the walk along the chain for a command, and
// for its state when the menu opens.
struct CommandRouting {
    std::function<void(int id)> run;
    std::function<void(int id, CommandState& state)> update;
};

// Fills the menu bar from the tables: top-level menus in the order of
// topMenus (names with their mnemonics, "&File"), then any other menu in the
// order first met; inside a menu the rows in table order, tables in the order
// given; paneRows go at the pane slot of their menu, rows naming a slot at
// the mark of that slot. Items carry their id as
// data, their label (the text before the tab) and their shortcut; a menu
// brings its items up to date through routing.update before it opens.
void BuildMenuBar(QMenuBar& bar, const std::vector<std::string>& topMenus,
                  const std::vector<std::vector<CommandEntry>>& tables,
                  const std::vector<CommandEntry>& paneRows, const CommandRouting& routing);

// Brings a menu item or button that carries its command id as data up to date.
void UpdateCommandItem(QAction& action, const CommandRouting& routing);
// Brings the items of menu (and of its sub-menus) up to date.
void UpdateMenuItems(QMenu& menu, const CommandRouting& routing);

} // namespace qm
