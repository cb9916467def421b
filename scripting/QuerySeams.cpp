// The window seams of the query built-ins.
#include "scripting/QuerySeams.h"

namespace qm {

namespace {
MasterListerSelection* installedLister = nullptr;
}

MasterListerSelection* Install(MasterListerSelection* lister) {
    MasterListerSelection* previous = installedLister;
    installedLister = lister;
    return previous;
}

MasterListerSelection* InstalledMasterLister() {
    return installedLister;
}

} // namespace qm
