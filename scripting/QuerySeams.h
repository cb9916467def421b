// What the query built-ins need of the window a project is shown in: the
// masters selected in the window's master lister. The shell implements it;
// without it (batch mode, tests) nothing is selected.
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

// The installed lister (one that selects nothing until another is installed).
MasterListerSelection& MasterLister();
// Installs a lister (not owned) and returns the one replaced; null restores the default.
MasterListerSelection* Install(MasterListerSelection* lister);

} // namespace qm
