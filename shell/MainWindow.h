// The least main window behind start-up: a multi-document area with the File
// and Help menus, and one child window per open document that shows the
// document's current diagram, drawn by the model's own drawing code.
#pragma once

#include "shell/CCASEApp.h"

#include <memory>

namespace qm {

// Makes the main window of the application (Qt widgets).
std::unique_ptr<MainFrame> CreateMainWindow(CCASEApp& app);

// Installs the prompt service that shows message boxes, for the windowed
// application. Returns the service (owned by the caller).
std::unique_ptr<PromptService> CreateWindowPrompts();

} // namespace qm
