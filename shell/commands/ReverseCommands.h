// The reverse-engineering commands of a project window, asked after the
// frame's other families: Reverse Engineer and its redo of the last run, Open
// File Separately for the explorer's file items, and Load Reference Project.
#pragma once

#include "editor/CommandTarget.h"
#include "model/CommandIds.h"
#include "shell/frames/CommandTable.h"

#include <span>

namespace qm {

class CChildFrame;

class ReverseCommands : public CommandTarget {
  public:
    static constexpr const char* kWrongModelMessage =
        "Reverse engineering requires the current model to be a Class or Default model.";

    explicit ReverseCommands(CChildFrame& frame) : frame_(frame) {}

    static std::span<const CommandRow<ReverseCommands>> CommandTable();
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

    // Opens the Reverse Engineer dialog for the current model (fresh, or with
    // the files of the last run for the redo command); refuses with a beep
    // and a message unless the model is a class or default diagram.
    void OnReverseEngineer(int id);
    void OnOpenFileSeparately(int id);
    // Opens a reference project chosen in the file dialog (nothing when that
    // project is already open) and shows it in the side pane's reference tab.
    void OnLoadReferenceProject(int id);

    void OnUpdateReverseEngineer(int id, CommandState& state);
    void OnUpdateRedoLastReverse(int id, CommandState& state);
    void OnUpdateOpenFileSeparately(int id, CommandState& state);

  private:
    CChildFrame& frame_;
};

} // namespace qm
