// The installed operations menu.
#include "model/OperationMenu.h"

namespace qm {

namespace {
OperationMenu defaultMenu;
OperationMenu* installed = &defaultMenu;
} // namespace

OperationMenu& OperationsMenu() {
    return *installed;
}

OperationMenu* Install(OperationMenu* menu) {
    OperationMenu* previous = installed == &defaultMenu ? nullptr : installed;
    installed = menu != nullptr ? menu : &defaultMenu;
    return previous;
}

} // namespace qm
