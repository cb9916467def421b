// What the model asks of the editor's shared operations menu (the operation
// picker of link and message labels). The editor installs its menu at
// start-up; tests install fakes. Until then the menu ignores every call.
#pragma once

#include "platform/ScopedInstall.h"

#include <string>

namespace qm {

class MenuWindow;

class OperationMenu {
  public:
    virtual ~OperationMenu() = default;
    // Empties the menu.
    virtual void Clear() {}
    // Appends an item with its command id.
    virtual void Append(int /*id*/, const std::string& /*text*/) {}
    // Shows the menu at x, y for the window (with the arrow cursor) until a
    // command is chosen.
    virtual void Track(MenuWindow* /*window*/, int /*x*/, int /*y*/) {}
};

// The installed menu (one that ignores every call until another is installed).
OperationMenu& OperationsMenu();
// Installs a menu (not owned) and returns the one replaced; null restores the default.
OperationMenu* Install(OperationMenu* menu);

} // namespace qm
