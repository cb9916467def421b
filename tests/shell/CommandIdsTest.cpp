// The command vocabulary: every named id or run of ids stands alone, and
// every row of the menus, tool bars and pop-up menus names a known command.
#include "model/CommandIds.h"
#include "editor/TContent.h"
#include "shell/bars/TToolBar.h"
#include "shell/commands/LibraryCommands.h"
#include "shell/commands/LooksCommands.h"
#include "shell/commands/ModelCommands.h"
#include "shell/commands/PrintCommands.h"
#include "shell/commands/ReverseCommands.h"
#include "shell/commands/ScriptCommands.h"
#include "shell/frames/CChildFrame.h"
#include "shell/frames/CMainFrame.h"
#include "shell/panes/PaneCommands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm {
namespace {

// A row's command as the test reads it: where it comes from and its ids.
struct NamedRow {
    std::string where;
    int first;
    int last;
};

template <class Owner>
void AddRows(std::vector<NamedRow>& rows, const std::string& table,
             std::span<const CommandRow<Owner>> source) {
    for (const CommandRow<Owner>& row : source)
        if (row.first > 0)
            rows.push_back(
                {table + " " + (row.label != nullptr ? row.label : ""), row.first, row.last});
}

std::vector<NamedRow> EveryRow() {
    std::vector<NamedRow> rows;
    AddRows(rows, "main frame", CMainFrame::CommandTable());
    AddRows(rows, "child frame", CChildFrame::CommandTable());
    AddRows(rows, "model commands", ModelCommands::CommandTable());
    AddRows(rows, "looks commands", LooksCommands::CommandTable());
    AddRows(rows, "script commands", ScriptCommands::CommandTable());
    AddRows(rows, "print commands", PrintCommands::CommandTable());
    AddRows(rows, "reverse commands", ReverseCommands::CommandTable());
    AddRows(rows, "library commands", LibraryCommands::CommandTable());
    AddRows(rows, "diagram view", TContent::CommandTable());
    AddRows(rows, "panes", PaneCommandTarget::CommandTable());
    for (const auto& bar : {MainToolBarButtons(), MiscToolBarButtons(), CustomToolBarButtons()})
        for (const ToolBarButton& button : bar)
            if (button.id != 0)
                rows.push_back({std::string("tool bar ") + button.name, button.id, button.id});
    return rows;
}

TEST(CommandIdsTest, EveryNamedCommandHasItsOwnNumbers) {
    const auto known = cmd::KnownCommands();
    ASSERT_FALSE(known.empty());
    for (size_t i = 0; i < known.size(); ++i) {
        EXPECT_LE(known[i].first, known[i].last) << known[i].name;
        EXPECT_GT(known[i].first, 0) << known[i].name;
        for (size_t j = i + 1; j < known.size(); ++j)
            EXPECT_TRUE(known[i].last < known[j].first || known[j].last < known[i].first)
                << known[i].name << " and " << known[j].name << " share a number";
    }
}

TEST(CommandIdsTest, KnownCommandsAreTheNamedOnesAndTheirRuns) {
    struct Case {
        int id;
        bool known;
    };
    const Case cases[] = {
        {cmd::EditProperties, true},
        {cmd::PopupBreakExplode, true},
        {cmd::FirstTask + 5, true},
        {cmd::LastLibrarySymbol, true},
        {cmd::FirstColor + 10, true},
        {cmd::MemberCopyAll, true},
        {cmd::LastPlaceTool + 1, false},
        {0, false},
        {-1, false},
        {cmd::FirstCallOperation - 1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cmd::IsKnownCommand(c.id), c.known) << c.id;
}

TEST(CommandIdsTest, EveryMenuBarAndPopupRowNamesAKnownCommand) {
    for (const NamedRow& row : EveryRow()) {
        // Every id of a row's run is a named command or lies in a named run.
        int unknown = 0;
        for (int id = row.first; id <= row.last; ++id)
            if (!cmd::IsKnownCommand(id))
                unknown = id;
        EXPECT_EQ(unknown, 0) << row.where << " (" << row.first << ".." << row.last << ")";
    }
}

} // namespace
} // namespace qm
