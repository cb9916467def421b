// What the query built-ins need of the window a project is shown in: the
// masters selected in the window's master lister, and the diagram view of a
// document's child frame. The shell implements both; without them (batch
// mode, tests) nothing is selected and no frame exists.
#pragma once

#include "platform/ScopedInstall.h"

#include <vector>

namespace qm {

class CCASEDoc;
class Master;

// The master lister of a project's window.
class MasterListerSelection {
  public:
    virtual ~MasterListerSelection() = default;
    // The masters selected in the lister of the project's window, in the
    // lister's order; none when the project has no window.
    virtual std::vector<Master*> SelectedMasters(CCASEDoc* project) = 0;
};

// Installs the lister seam (null: none) and returns the one it replaces.
MasterListerSelection* Install(MasterListerSelection* lister);
MasterListerSelection* InstalledMasterLister();

// The diagram view of a frame (the shell's view class).
class TContent;

// A document's child frame: its main splitter holds the explorer in column 0
// and the diagram view in row 0, column 1.
class CChildFrame {
  public:
    virtual ~CChildFrame() = default;
    // The window in row 0, column 1 of the main splitter: the diagram view.
    // Nothing is checked; a frame whose splitter is not created yet has no
    // such pane and answers null.
    TContent* GetContent() const { return static_cast<TContent*>(SplitterPane(0, 1)); }

  protected:
    // The window of the main splitter's pane at row, column (null when the
    // splitter has none there).
    virtual void* SplitterPane(int row, int column) const = 0;
};

} // namespace qm
