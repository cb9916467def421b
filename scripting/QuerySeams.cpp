// The window seams of the query built-ins.
#include "scripting/QuerySeams.h"

namespace qm {

namespace {

// Without a window no master is selected.
class NoLister : public MasterListerSelection {
  public:
    std::vector<Master*> SelectedMasters(CCASEDoc*) override { return {}; }
};

NoLister noLister;
MasterListerSelection* installedLister = &noLister;

} // namespace

MasterListerSelection* Install(MasterListerSelection* lister) {
    MasterListerSelection* previous = installedLister;
    installedLister = lister != nullptr ? lister : &noLister;
    return previous == &noLister ? nullptr : previous;
}

MasterListerSelection& MasterLister() {
    return *installedLister;
}

} // namespace qm
