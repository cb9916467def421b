// What the repository session needs of the layers above it: the application's
// settings, progress dialog, windows and browser (RepositoryHost), and the
// document's reading and rewriting of a project file's check-in stamp
// (ProjectStamps). The application passes its implementations to the
// session; tests pass fakes.
#pragma once

#include <string>

namespace qm {

class RepositoryHost {
  public:
    virtual ~RepositoryHost() = default;

    // The server's host (a name or an address) and port (decimal text), and
    // the local file into which listings are received.
    virtual std::string ServerHost() const = 0;
    virtual std::string ServerPort() const = 0;
    virtual std::string CacheFile() const = 0;

    // Keeps the free text of a successful login reply.
    virtual void SetServerText(const std::string& text) = 0;
    // Closes every window showing the project file at path (discarding its
    // changes when asked), before a check-out overwrites the file.
    virtual void CloseProjectWindows(const std::string& path, bool discard) = 0;
    // Shows the repository browser (a check-in that needs a new place).
    virtual void ShowRepositoryBrowser() = 0;
    // Shows an item path in the browser, its folder reloaded.
    virtual void ShowPath(const std::string& itemPath) = 0;

    // The progress dialog.
    virtual void StartProgress(int steps) = 0;
    virtual void SetProgress(const std::string& text, int step) = 0;
    virtual void HideProgress() = 0;

    // A request talks to the server between BeginRequest and EndRequest
    // (the progress dialog, when the request has one, is shown before and
    // hidden after). Whenever it waits for the connection (fd, to write or
    // to read), it calls WaitForServer with the longest wait in milliseconds
    // (-1: no limit): the application runs its event loop there until the
    // connection may be ready or the time has passed, and returns false once
    // the user has cancelled the request. The default waits with poll.
    virtual void BeginRequest() {}
    virtual void EndRequest() {}
    virtual bool WaitForServer(int fd, bool forWriting, int timeoutMs);
};

class ProjectStamps {
  public:
    virtual ~ProjectStamps() = default;
    // The version number of a project file's leading project form; raises
    // CKestException "Can't open project file" when it cannot be opened.
    virtual double ReadProjectFileVersion(const std::string& path) = 0;
    // Rewrites a project file with a new repository stamp (an empty item path
    // and flag 0 clear it); raises CKestException on failure.
    virtual void UpdateCheckedInProjectFile(const std::string& path, const std::string& itemPath,
                                            int flag) = 0;
};

} // namespace qm
