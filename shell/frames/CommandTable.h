// Command tables as data: each row names a command (or a range of ids), the
// menu it sits in, its label with mnemonic and shortcut, its handler and its
// update rule. The menus, tool bars and the walk of a command along the chain
// of targets are all built from such tables.
#pragma once

#include "editor/CommandTarget.h"

#include <functional>
#include <string>
#include <vector>

class QAction;
class QMenuBar;
class QMenu;

namespace qm {

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
