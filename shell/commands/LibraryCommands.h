// The library commands of a project window: the switch between placing a
// library symbol as a primitive or as a place, loading another library
// project into the application's library menu, and the rule of the tool
// bar's library button.
#pragma once

#include "editor/CommandTarget.h"
#include "shell/frames/CommandTable.h"

#include <span>

namespace qm {

class CChildFrame;
class LibraryMenu;

class LibraryCommands : public CommandTarget {
  public:
    explicit LibraryCommands(CChildFrame& frame) : frame_(frame) {}

    static std::span<const CommandRow<LibraryCommands>> CommandTable();
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

  private:
    void OnMode(int id);
    void OnLoadLibrary(int id);
    void OnUpdateLibraryButton(int id, CommandState& state);
    // The application's library menu; null without a main window.
    LibraryMenu* Menu();

    CChildFrame& frame_;
};

} // namespace qm
