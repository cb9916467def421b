// Menus built from command tables, and the label helpers.
#include "shell/frames/CommandTable.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include <map>

namespace qm {

std::string PlainLabel(const std::string& label) {
    std::string plain;
    for (size_t i = 0; i < label.size() && label[i] != '\t'; ++i) {
        if (label[i] == '&') {
            // "&&" stands for one ampersand.
            if (i + 1 < label.size() && label[i + 1] == '&')
                plain += label[++i];
            continue;
        }
        plain += label[i];
    }
    return plain;
}

std::string ShortcutOfLabel(const std::string& label) {
    const size_t tab = label.find('\t');
    return tab == std::string::npos ? std::string() : label.substr(tab + 1);
}

namespace {

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t slash = path.find('/', start);
        const size_t end = slash == std::string::npos ? path.size() : slash;
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return parts;
}

// A row's menu path without its slot name, and the slot name ("" for none).
std::pair<std::string, std::string> SplitSlot(const std::string& path) {
    const size_t mark = path.find('#');
    if (mark == std::string::npos)
        return {path, std::string()};
    return {path.substr(0, mark), path.substr(mark + 1)};
}

// The plain path of a menu ("&File/&Repository" gives "File/Repository").
std::string PlainPath(const std::string& path) {
    std::string plain;
    for (const std::string& part : SplitPath(SplitSlot(path).first))
        plain += (plain.empty() ? "" : "/") + PlainLabel(part);
    return plain;
}

// The menu bar's menus by the plain path ("File/Repository").
class MenuTree {
  public:
    MenuTree(QMenuBar& bar, const CommandRouting& routing) : bar_(bar), routing_(routing) {}

    QMenu& Menu(const std::string& path) {
        const std::vector<std::string> parts = SplitPath(SplitSlot(path).first);
        std::string key;
        QMenu* parent = nullptr;
        for (const std::string& part : parts) {
            key += (key.empty() ? "" : "/") + PlainLabel(part);
            auto found = menus_.find(key);
            if (found == menus_.end()) {
                QMenu* menu = parent == nullptr ? bar_.addMenu(QString::fromStdString(part))
                                                : parent->addMenu(QString::fromStdString(part));
                menu->setObjectName(QString::fromStdString(key));
                if (parent == nullptr) {
                    const CommandRouting routing = routing_;
                    QObject::connect(menu, &QMenu::aboutToShow,
                                     [menu, routing] { UpdateMenuItems(*menu, routing); });
                }
                found = menus_.emplace(key, menu).first;
            }
            parent = found->second;
        }
        return *parent;
    }

  private:
    QMenuBar& bar_;
    const CommandRouting& routing_;
    std::map<std::string, QMenu*> menus_;
};

void AddItem(QMenu& menu, const CommandEntry& entry, const CommandRouting& routing) {
    if (entry.id == kSeparatorRow) {
        // No separator opens a menu or follows another.
        const QList<QAction*> actions = menu.actions();
        if (!actions.isEmpty() && !actions.back()->isSeparator())
            menu.addSeparator();
        return;
    }
    const std::string label = entry.label;
    const size_t tab = label.find('\t');
    QAction* action = menu.addAction(QString::fromStdString(label.substr(0, tab)));
    action->setData(entry.id);
    const std::string keys = ShortcutOfLabel(label);
    if (!keys.empty())
        action->setShortcut(QKeySequence(QString::fromStdString(keys)));
    const int id = entry.id;
    const auto run = routing.run;
    QObject::connect(action, &QAction::triggered, [run, id] { run(id); });
}

} // namespace

void BuildMenuBar(QMenuBar& bar, const std::vector<std::string>& topMenus,
                  const std::vector<std::vector<CommandEntry>>& tables,
                  const std::vector<CommandEntry>& paneRows, const CommandRouting& routing) {
    MenuTree tree(bar, routing);
    auto hasRows = [&](const std::string& top) {
        const std::string plain = PlainLabel(top);
        auto inMenu = [&](const CommandEntry& entry) {
            const std::vector<std::string> parts = SplitPath(SplitSlot(entry.menuPath).first);
            return !parts.empty() && PlainLabel(parts.front()) == plain;
        };
        for (const auto& table : tables)
            for (const CommandEntry& entry : table)
                if (inMenu(entry))
                    return true;
        for (const CommandEntry& entry : paneRows)
            if (inMenu(entry))
                return true;
        return false;
    };
    for (const std::string& top : topMenus)
        if (hasRows(top))
            tree.Menu(top);
    std::map<std::string, bool> paneRowsPlaced;
    auto placePaneRows = [&](const std::string& path) {
        const std::string plain = PlainPath(path);
        paneRowsPlaced[plain] = true;
        for (const CommandEntry& entry : paneRows)
            if (PlainPath(entry.menuPath) == plain)
                AddItem(tree.Menu(entry.menuPath), entry, routing);
    };
    // The marks of named places, by plain menu path and name.
    std::map<std::pair<std::string, std::string>, bool> marks;
    for (const auto& table : tables)
        for (const CommandEntry& entry : table)
            if (entry.id == kMenuSlotRow)
                marks[{PlainPath(entry.menuPath), entry.label}] = true;
    auto placeSlotRows = [&](const CommandEntry& mark) {
        const std::string plain = PlainPath(mark.menuPath);
        for (const auto& table : tables)
            for (const CommandEntry& entry : table) {
                const auto [path, slot] = SplitSlot(entry.menuPath);
                if (entry.id != kMenuSlotRow && entry.id != kPaneSlotRow && slot == mark.label &&
                    PlainPath(path) == plain)
                    AddItem(tree.Menu(path), entry, routing);
            }
    };
    for (const auto& table : tables)
        for (const CommandEntry& entry : table) {
            if (entry.id == kPaneSlotRow) {
                placePaneRows(entry.menuPath);
                continue;
            }
            if (entry.id == kMenuSlotRow) {
                placeSlotRows(entry);
                continue;
            }
            const auto [path, slot] = SplitSlot(entry.menuPath);
            if (!slot.empty() && marks.count({PlainPath(path), slot}) != 0)
                continue;
            AddItem(tree.Menu(path), entry, routing);
        }
    for (const CommandEntry& entry : paneRows)
        if (!paneRowsPlaced[PlainPath(entry.menuPath)])
            AddItem(tree.Menu(entry.menuPath), entry, routing);
    // Nor ends one.
    for (QMenu* menu : bar.findChildren<QMenu*>())
        while (!menu->actions().isEmpty() && menu->actions().back()->isSeparator())
            menu->removeAction(menu->actions().back());
}

void UpdateMenuItems(QMenu& menu, const CommandRouting& routing) {
    for (QAction* action : menu.actions()) {
        if (QMenu* sub = action->menu()) {
            UpdateMenuItems(*sub, routing);
            continue;
        }
        if (!action->isSeparator())
            UpdateCommandItem(*action, routing);
    }
}

void UpdateCommandItem(QAction& action, const CommandRouting& routing) {
    if (!action.data().isValid())
        return;
    CommandState state;
    state.enabled = false;
    routing.update(action.data().toInt(), state);
    action.setEnabled(state.enabled);
    action.setCheckable(state.checked || action.isCheckable());
    action.setChecked(state.checked);
}

} // namespace qm
