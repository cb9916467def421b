// Starting programs: with an argument vector through posix_spawn, never
// through a shell command line, and opening files or addresses with the
// desktop's opener (xdg-open).
#pragma once

#include "platform/ScopedInstall.h"

#include <string>
#include <vector>

namespace qm {

enum class SpawnMode { Wait, NoWait };

// Starts argv[0] (looked up on PATH when it holds no '/') with the arguments
// argv[1...]; the child inherits the environment and the standard streams.
// Wait: returns the program's exit code once it ends (128 + the signal number
// when a signal ended it). NoWait: returns the process id at once; the child
// is reaped when it ends. Returns -1 with errno set when it cannot be started
// (an empty argv, a program that is not found).
int SpawnProcess(const std::vector<std::string>& argv, SpawnMode mode);

// The desktop's opener, the program this platform uses where a file type's
// registered "open" program is asked for.
inline const char* DesktopOpener() {
    return "xdg-open";
}

// Opens a file or an address (a help page with its anchor) with the desktop's
// opener, without waiting. False with errno set when the opener cannot be started.
bool OpenWithDesktop(const std::string& target);

// Where an attached file or address goes: the application installs its
// environment's file opening (viewers of the settings, projects opened as
// projects); without one the desktop's opener is used.
class FileOpener {
  public:
    virtual ~FileOpener() = default;
    // web: open as a page, whatever the file's extension says.
    virtual void OpenFile(const std::string& path, bool web) = 0;
};
FileOpener* Install(FileOpener* opener);
using ScopedFileOpener = ScopedInstall<FileOpener>;

// Opens the attachment of a drawable through the installed opener.
void OpenAttachedFile(const std::string& path, bool web);

struct ShellOpenCommand {
    std::string program;   // "" when nothing opens the type
    std::string arguments; // arguments of the program's own, before the file
};

// The program that opens files of the extension ("txt" or ".txt"): on this
// platform the desktop's opener serves every type. An empty extension gives none.
ShellOpenCommand FindShellOpenCommand(const std::string& extension);

} // namespace qm
