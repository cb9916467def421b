// The application's repository session: the one client of the repository
// server for the whole run, with the server's host and port from the user
// settings, the login on first use, the keep-alive of the main frame's timer
// and the logout at exit; the browser window it opens; and the File menu's
// Repository Browse and Check In commands. While a request waits for the
// server, the event loop goes on: first without user input, then, once the
// wait has lasted, with the progress dialog shown application-modal and its
// Cancel button, so that the user can stop the request but start no other
// command in the middle of it.
#pragma once

#include "dialogs/print/ProgressDialog.h"
#include "dialogs/repository/RepositoryDialog.h"
#include "repository/RepositorySeams.h"
#include "repository/RepositorySession.h"

#include <QElapsedTimer>

#include <memory>
#include <string>

class QEventLoop;

namespace qm {

class CCASEApp;

class AppRepositorySession : public RepositoryHost, public RepositoryBrowserHost {
  public:
    // How often the main frame keeps the login alive.
    static constexpr int kKeepAlivePeriodMs = 600000;
    // How long a request without a progress dialog of its own waits before
    // the dialog shows (with Cancel), and how often the event loop runs
    // while data flows without a wait.
    static constexpr int kWaitDialogDelayMs = 400;
    static constexpr int kPumpPeriodMs = 15;

    explicit AppRepositorySession(CCASEApp& app);
    ~AppRepositorySession() override;
    AppRepositorySession(const AppRepositorySession&) = delete;
    AppRepositorySession& operator=(const AppRepositorySession&) = delete;

    // Logs in unless the session is logged in: the user's name and the
    // computer's name as the client. A failure (a server that cannot be
    // reached, or does not answer within the time-out) is shown; false then.
    bool EnsureLogin();
    bool LoggedIn() const;
    // The main frame's timer: keeps a login alive; nothing when logged out.
    void KeepAlive();

    // File, Repository, Browse: logs in on first use, then opens (making it
    // on first use) and shows the browser.
    void OnRepositoryBrowse();
    // File, Check In: checks the project file in, as the browser does from
    // the main frame. Nothing (a beep) for a project never saved.
    void OnRepositoryCheckIn(const std::string& projectFile);

    RepositorySession& Session() { return session_; }
    // The browser, once it has been opened.
    CRepositoryDialog* Browser() { return browser_.get(); }

    // ---- RepositoryHost ----
    std::string ServerHost() const override;
    std::string ServerPort() const override;
    std::string CacheFile() const override;
    void SetServerText(const std::string& text) override { serverText_ = text; }
    void CloseProjectWindows(const std::string& path, bool discard) override;
    void ShowRepositoryBrowser() override;
    void ShowPath(const std::string& itemPath) override;
    void StartProgress(int steps) override;
    void SetProgress(const std::string& text, int step) override;
    void HideProgress() override;

    // ---- RepositoryBrowserHost ----
    bool OpenProject(const std::string& path) override;
    void CloseProjectWindows(const std::string& path) override { CloseProjectWindows(path, true); }
    void ProjectCheckedIn(const std::string& path, const std::string& itemPath) override;
    void OpenFile(const std::string& path) override;
    FileDialogs* Dialogs() override;
    void ReportCommandError(std::exception_ptr error) override;

    void BeginRequest() override;
    void EndRequest() override;
    bool WaitForServer(int fd, bool forWriting, int timeoutMs) override;

    // The free text of the last successful login.
    const std::string& ServerText() const { return serverText_; }
    // The progress dialog of the requests, once one was shown.
    ProgressDialog* Progress() const { return progress_.get(); }

  private:
    // Makes the browser on first use; false without a login.
    bool OpenBrowser();
    // Makes the progress dialog on first use.
    ProgressDialog& ProgressWindow();

    CCASEApp& app_;
    RepositorySession session_;
    std::unique_ptr<CRepositoryDialog> browser_;
    std::unique_ptr<ProgressDialog> progress_;
    std::string serverText_;
    bool inRequest_ = false;
    bool cancelled_ = false;
    bool waitDialogShown_ = false; // shown by the wait, hidden when the request ends
    QElapsedTimer sinceBegin_;
    QElapsedTimer sincePump_;
    QEventLoop* waitLoop_ = nullptr; // the loop of the running wait, ended by Cancel
};

// The client name of the login: the user's name, '@' and the computer's name.
std::string RepositoryClientName();

} // namespace qm
