// The windowed application's pieces that start-up asks for: the main window
// (CMainFrame), the message boxes, and the file-dialog filter conversion.
#pragma once

#include "shell/CCASEApp.h"

#include <memory>
#include <string>

namespace qm {

// Makes the main window of the application (Qt widgets).
std::unique_ptr<MainFrame> CreateMainWindow(CCASEApp& app);

// A file dialog's filter in the framework's form ("Project Files (*.pro) |
// *.pro ||": descriptions and patterns between bars) in Qt's form
// ("Project Files (*.pro)", entries separated by ";;"). A description
// that does not end in its patterns ("(*...)") gets them added.
std::string QtFileFilter(const std::string& filter);

// Installs the prompt service that shows message boxes, for the windowed
// application. Returns the service (owned by the caller).
std::unique_ptr<PromptService> CreateWindowPrompts();

} // namespace qm
