// The print command of a project window: the print dialog over the
// platform's printers (or a PDF file), the job on the chosen device with a
// progress dialog while it runs, and the choice kept in the page set-up.
#pragma once

#include "editor/CommandTarget.h"
#include "model/CommandIds.h"
#include "shell/frames/CommandTable.h"

#include <span>

namespace qm {

class CChildFrame;

class PrintCommands : public CommandTarget {
  public:
    explicit PrintCommands(CChildFrame& frame) : frame_(frame) {}

    static std::span<const CommandRow<PrintCommands>> CommandTable();
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

    void OnFilePrint(int id);

  private:
    CChildFrame& frame_;
};

} // namespace qm
