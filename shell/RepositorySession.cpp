// The application's repository session: settings, login on first use,
// keep-alive, the progress dialog of the requests and the event loop while
// they wait, the browser window and what the session and the browser ask of
// the application.
#include "shell/RepositorySession.h"

#include "document/CCASEDoc.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/PathHelpers.h"
#include "platform/Prompt.h"
#include "shell/CCASEApp.h"

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>

#include <poll.h>
#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <vector>

namespace qm {

std::string RepositoryClientName() {
    std::string user;
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_name != nullptr)
        user = entry->pw_name;
    if (user.empty())
        user = "user";
    char host[HOST_NAME_MAX + 1] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || host[0] == '\0')
        return user + "@localhost";
    return user + "@" + host;
}

AppRepositorySession::AppRepositorySession(CCASEApp& app) : app_(app), session_(*this) {}

AppRepositorySession::~AppRepositorySession() {
    if (app_.repositorySession == &session_)
        app_.repositorySession = nullptr;
}

bool AppRepositorySession::LoggedIn() const {
    return session_.SessionId() != 0;
}

bool AppRepositorySession::EnsureLogin() {
    if (LoggedIn())
        return true;
    Environment* environment = app_.Env();
    const std::string version = environment != nullptr ? environment->programVersion : "8.0";
    const std::string build = environment != nullptr ? environment->buildNumber : "840";
    std::string client = RepositoryClientName();
    // The server knows the user by the client name; the credential field
    // carries the user's name again, which holds no white space.
    const std::string credential = client.substr(0, client.find('@'));
    try {
        session_.Login(version, build, client, credential);
    } catch (const CKestException& e) {
        MessageBox(e.Message(), PromptIcon::Exclamation);
        return false;
    } catch (const CIgnoreException&) {
        return false;
    }
    // The application logs out at exit only what has logged in.
    app_.repositorySession = &session_;
    return LoggedIn();
}

void AppRepositorySession::KeepAlive() {
    if (LoggedIn())
        session_.Alive();
}

bool AppRepositorySession::OpenBrowser() {
    if (browser_ != nullptr)
        return true;
    if (!EnsureLogin())
        return false;
    browser_ = std::make_unique<CRepositoryDialog>(session_, *this);
    return true;
}

void AppRepositorySession::OnRepositoryBrowse() {
    if (OpenBrowser())
        browser_->Show(true);
}

void AppRepositorySession::OnRepositoryCheckIn(const std::string& projectFile) {
    if (projectFile.empty()) {
        MessageBeep();
        return;
    }
    if (OpenBrowser())
        browser_->CheckIn(projectFile, true);
}

// ---- RepositoryHost ----

std::string AppRepositorySession::ServerHost() const {
    Environment* environment = app_.Env();
    return environment != nullptr ? environment->Settings().RepHost : std::string();
}

std::string AppRepositorySession::ServerPort() const {
    Environment* environment = app_.Env();
    return environment != nullptr ? environment->Settings().RepPort : std::string();
}

std::string AppRepositorySession::CacheFile() const {
    Environment* environment = app_.Env();
    const std::string file = environment != nullptr ? environment->Settings().RepCacheFile : "";
    // The cache folder may not be there yet on a fresh account; a listing
    // that cannot be written is reported by the request itself.
    const std::string folder = DirectoryOfPath(file);
    if (!folder.empty())
        MakeDirectories(folder);
    return file;
}

void AppRepositorySession::CloseProjectWindows(const std::string& path, bool discard) {
    Environment* environment = app_.Env();
    if (environment == nullptr)
        return;
    std::vector<CCASEDoc*> matching;
    for (const auto& document : environment->Documents().Documents())
        if (document->GetPathName() == path)
            matching.push_back(document.get());
    for (CCASEDoc* document : matching) {
        if (discard)
            document->SetModifiedFlag(false);
        environment->Documents().CloseDocument(document);
    }
}

void AppRepositorySession::ShowRepositoryBrowser() {
    OnRepositoryBrowse();
}

void AppRepositorySession::ShowPath(const std::string& itemPath) {
    if (OpenBrowser())
        browser_->ShowPath(itemPath, true);
}

ProgressDialog& AppRepositorySession::ProgressWindow() {
    if (progress_ == nullptr) {
        progress_ = std::make_unique<ProgressDialog>();
        progress_->setWindowTitle("Vaultkeep");
        // While it shows, no other window takes input: a command started in
        // the middle of a request would find the session and the browser
        // half-way through it.
        progress_->setWindowModality(Qt::ApplicationModal);
        progress_->SetCancel([this] {
            cancelled_ = true;
            if (progress_ != nullptr)
                progress_->CancelButton()->setEnabled(false);
            if (waitLoop_ != nullptr)
                waitLoop_->quit();
        });
    }
    return *progress_;
}

void AppRepositorySession::StartProgress(int steps) {
    ProgressDialog& progress = ProgressWindow();
    progress.CancelButton()->setEnabled(true);
    progress.Start(steps);
    // Shown again, it would keep its old place below the windows made since
    // (the browser), where nobody can reach its Cancel.
    progress.raise();
    progress.activateWindow();
}

void AppRepositorySession::SetProgress(const std::string& text, int step) {
    if (progress_ != nullptr)
        progress_->SetProgress(text, step);
}

void AppRepositorySession::HideProgress() {
    if (progress_ != nullptr)
        progress_->Hide();
}

void AppRepositorySession::BeginRequest() {
    inRequest_ = true;
    cancelled_ = false;
    waitDialogShown_ = false;
    sinceBegin_.start();
    sincePump_.invalidate();
}

void AppRepositorySession::EndRequest() {
    inRequest_ = false;
    if (waitDialogShown_)
        HideProgress();
    waitDialogShown_ = false;
}

bool AppRepositorySession::WaitForServer(int fd, bool forWriting, int timeoutMs) {
    if (cancelled_)
        return false;
    if (!inRequest_ || QCoreApplication::instance() == nullptr)
        return RepositoryHost::WaitForServer(fd, forWriting, timeoutMs);
    // Bytes flowing without a pause: the loop ran a moment ago, go on.
    if (sincePump_.isValid() && sincePump_.elapsed() < kPumpPeriodMs) {
        pollfd entry{fd, static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
        if (::poll(&entry, 1, 0) > 0)
            return true;
    }
    bool modal = progress_ != nullptr && progress_->isVisible();
    int limit = timeoutMs;
    if (!modal) {
        const qint64 untilDialog = kWaitDialogDelayMs - sinceBegin_.elapsed();
        if (untilDialog <= 0) {
            StartProgress(0);
            SetProgress("Waiting for Vaultkeep...", 0);
            waitDialogShown_ = true;
            modal = true;
        } else if (limit < 0 || limit > untilDialog) {
            limit = static_cast<int>(untilDialog);
        }
    }
    // The loop runs until the connection may be ready, the time is up or
    // the user cancels. Before the modal dialog shows, user input waits for
    // the request's end (it is not lost); once it shows, Qt keeps input from
    // the other windows.
    QEventLoop loop;
    QSocketNotifier notifier(fd, forWriting ? QSocketNotifier::Write : QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (limit >= 0)
        timer.start(limit);
    waitLoop_ = &loop;
    loop.exec(modal ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    waitLoop_ = nullptr;
    sincePump_.start();
    return !cancelled_;
}

// ---- RepositoryBrowserHost ----

bool AppRepositorySession::OpenProject(const std::string& path) {
    return app_.OpenDocumentFile(path) != nullptr;
}

void AppRepositorySession::ProjectCheckedIn(const std::string& path, const std::string& itemPath) {
    Environment* environment = app_.Env();
    if (environment == nullptr)
        return;
    for (const auto& document : environment->Documents().Documents())
        if (document->GetPathName() == path)
            document->SetRepositoryStamp(itemPath, 0);
}

void AppRepositorySession::OpenFile(const std::string& path) {
    if (Environment* environment = app_.Env())
        environment->OpenFile(path, false);
}

FileDialogs* AppRepositorySession::Dialogs() {
    Environment* environment = app_.Env();
    return environment != nullptr ? environment->Context().dialogs : nullptr;
}

void AppRepositorySession::ReportCommandError(std::exception_ptr error) {
    app_.ProcessWndProcException(error);
}

} // namespace qm
