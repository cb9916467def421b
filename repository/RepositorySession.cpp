// The repository session's requests. Each one runs start to end on the
// calling thread: connect, send, read the reply (and transfer a file), then
// close the connection and hide the progress dialog through guards, so that
// an error leaves nothing behind but itself. The socket waits in the host,
// which keeps the application's windows alive and lets the user cancel; a
// cancel fails the wait at once and the request ends with CIgnoreException.
// Replies are parsed from the received bytes with bounds; every text taken
// from a reply is a copy.
#include "repository/RepositorySession.h"

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/Prompt.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/stat.h>

namespace qm {

namespace {

const char kUnexpectedReply[] = "Unexpected or no server response";

// Shows the progress dialog for a request and hides it at the end.
class ProgressGuard {
  public:
    ProgressGuard(RepositoryHost& host, int steps) : host_(host) { host_.StartProgress(steps); }
    ~ProgressGuard() { host_.HideProgress(); }
    ProgressGuard(const ProgressGuard&) = delete;
    ProgressGuard& operator=(const ProgressGuard&) = delete;
    void Step(const char* text, int step) { host_.SetProgress(text, step); }

  private:
    RepositoryHost& host_;
};

// A decimal number of a reply token: a sign and digits, clamped to 32 bits;
// anything else gives 0.
long long TokenNumber(const std::string& token) {
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(token.c_str(), &end, 10);
    if (end == token.c_str())
        return 0;
    if (value > UINT32_MAX)
        return UINT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return value;
}

// The port of the settings: a decimal number; 0 (no port) for anything else.
int PortNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    long value = 0;
    size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        value = value * 10 + (text[i] - '0');
        if (value > 65536)
            return 0;
    }
    return digits > 0 ? static_cast<int>(value) : 0;
}

std::string UnableToContact(const RepositoryHost& host) {
    return "Unable to contact Vaultkeep. Please ensure that:\n1. Vaultkeep is running.\n2. " +
           Format("The Vaultkeep host (%s) and port (%s) in the options are correct.",
                  host.ServerHost().c_str(), host.ServerPort().c_str());
}

// Something answered the login, but not as Vaultkeep does: most likely
// another service at that host and port.
std::string NotAReply(const RepositoryHost& host) {
    return Format("The server at host %s, port %s, answered with something that is not a "
                  "Vaultkeep reply.\nPlease ensure that the Vaultkeep host and port in the "
                  "options are correct.",
                  host.ServerHost().c_str(), host.ServerPort().c_str());
}

} // namespace

// A request's time on the connection: refuses a second request while one
// runs (a timer of the window may fire while a request waits), clears an
// old cancel, tells the host, and closes the connection when the request
// ends, however it ends.
class RepositorySession::RequestScope {
  public:
    explicit RequestScope(RepositorySession& session) : session_(session) {
        if (session_.busy_)
            throw CKestException("Another Vaultkeep request is still running", 0);
        session_.busy_ = true;
        session_.cancelled_ = false;
        session_.host_.BeginRequest();
    }
    ~RequestScope() {
        session_.Disconnect();
        session_.busy_ = false;
        session_.host_.EndRequest();
    }
    RequestScope(const RequestScope&) = delete;
    RequestScope& operator=(const RequestScope&) = delete;

  private:
    RepositorySession& session_;
};

std::string FormatRights(uint32_t rights) {
    return Format("%c%c%c%c", (rights & kRightCheckOut) ? 'O' : '_',
                  (rights & kRightCheckIn) ? 'I' : '_', (rights & kRightNewFolder) ? 'C' : '_',
                  (rights & kRightDelete) ? 'D' : '_');
}

RepositorySession::RepositorySession(RepositoryHost& host, ProjectStamps& stamps)
    : FileTransferEndpoint(EndpointRole::Client), host_(host), stamps_(stamps) {
    SetWaiter([this](int fd, bool forWriting, int timeoutMs) {
        return WaitForServer(fd, forWriting, timeoutMs);
    });
}

bool RepositoryHost::WaitForServer(int fd, bool forWriting, int timeoutMs) {
    pollfd entry{fd, static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
    ::poll(&entry, 1, timeoutMs);
    return true;
}

bool RepositorySession::WaitForServer(int fd, bool forWriting, int timeoutMs) {
    if (!cancelled_ && !host_.WaitForServer(fd, forWriting, timeoutMs))
        cancelled_ = true;
    return !cancelled_;
}

void RepositorySession::ThrowIfCancelled() const {
    if (cancelled_)
        throw CIgnoreException();
}

void RepositorySession::ReceiveFile(const std::string& path) {
    try {
        FileTransferEndpoint::ReceiveFile(path);
    } catch (const CKestException&) {
        ThrowIfCancelled();
        throw;
    }
}

bool RepositorySession::ConnectTo(int offset) {
    const int port = PortNumber(host_.ServerPort());
    // No port at all stays no port; the data port after 65535 is refused.
    return MessageEndpoint::Connect(host_.ServerHost(), port == 0 ? 0 : port + offset, timeout_);
}

bool RepositorySession::ConnectControl() {
    return ConnectTo(0);
}

bool RepositorySession::ConnectData() {
    return ConnectTo(1);
}

void RepositorySession::SendRequest(const std::string& text) {
    if (text.size() + 1 > kMaxMessagePayload)
        throw CKestException(Format("Repository request too long (%zu bytes, at most %zu)",
                                    text.size() + 1, kMaxMessagePayload),
                             0);
    char* buffer = GetBuffer();
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    SendMessage(buffer, text.size() + 1);
}

std::string_view RepositorySession::ReceiveReply(bool* answered) {
    uint16_t command = 0;
    uint32_t length = 0;
    char* buffer = GetBuffer();
    // The first byte is waited for on its own (and left where it is), so that
    // a server that never answers is told apart from one that answers with
    // something that is no frame.
    char first = 0;
    const bool arrived = Receive(&first, 1, true);
    if (answered != nullptr)
        *answered = arrived;
    if (!arrived || !ReceiveMessage(command, buffer, kMessageBufferSize, length)) {
        ThrowIfCancelled();
        return {};
    }
    return std::string_view(buffer, length);
}

size_t RepositorySession::CheckReply(std::string_view reply) {
    std::string token;
    size_t position = 0;
    NextReplyToken(reply, token, position);
    if (token == "_OK_")
        return position;
    if (token == "ERR_") {
        std::string message;
        const int32_t code = ReplyErrorText(reply.substr(position), message);
        throw CKestException(message, code);
    }
    throw CKestException(kUnexpectedReply, 0);
}

int RepositorySession::Login(const std::string& programVersion, const std::string& buildNumber,
                             std::string& clientName, const std::string& credential) {
    for (char& c : clientName)
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
            c = '_';
    ProgressGuard progress(host_, 2);
    progress.Step("Logging into Vaultkeep...", 1);
    RequestScope request(*this);
    // Every frame received sets the session id from its header, garbage
    // included: a login that fails leaves the session logged out.
    struct LoggedOutUnlessDone {
        RepositorySession& session;
        bool done = false;
        ~LoggedOutUnlessDone() {
            if (!done)
                session.SetSessionId(0);
        }
    } outcome{*this};
    ConnectControl();
    SendRequest(Format("%s %s %s %s %s", "Login", programVersion.c_str(), buildNumber.c_str(),
                       clientName.c_str(), credential.c_str()));
    progress.Step("Processing Vaultkeep response...", 2);
    bool answered = false;
    const std::string_view reply = ReceiveReply(&answered);
    std::string token;
    size_t position = 0;
    NextReplyToken(reply, token, position);
    if (token == "ERR_") {
        std::string message;
        const int32_t code = ReplyErrorText(reply.substr(position), message);
        throw CKestException(message, code);
    }
    if (token != "SID_")
        throw CKestException(answered ? NotAReply(host_) : UnableToContact(host_), 0);
    SetUserName(clientName);
    NextReplyToken(reply, token, position);
    SetSessionId(static_cast<uint32_t>(TokenNumber(token)));
    NextReplyToken(reply, token, position);
    SetRights(static_cast<uint32_t>(TokenNumber(token)));
    NextReplyToken(reply, token, position);
    // The server may shorten the waits, or lengthen them only so far: a
    // long time-out is a long wait for every message that does not come.
    timeout_ = static_cast<int32_t>(
        std::clamp<long long>(TokenNumber(token), kMinRepositoryTimeout, kMaxRepositoryTimeout));
    NextReplyToken(reply, token, position);
    const int mode = token.empty() ? 0 : token[0] == 'F' ? 1 : token[0] == 'S' ? -1 : 0;
    std::string text(reply.substr(std::min(position, reply.size())));
    text = text.substr(0, text.find('\0'));
    host_.SetServerText(text);
    outcome.done = true;
    return mode;
}

void RepositorySession::Logout() {
    RequestScope request(*this);
    ConnectControl();
    SendRequest("Logout");
    CheckReply(ReceiveReply());
    SetSessionId(0);
}

void RepositorySession::Alive() {
    if (busy_)
        return; // the running request keeps the login alive as well
    try {
        RequestScope request(*this);
        ConnectControl();
        SendRequest("Alive");
        CheckReply(ReceiveReply());
    } catch (const CKestException&) {
        // Keeping the login alive is best effort: the outcome is dropped.
    } catch (const CIgnoreException&) {
        // Cancelled by the user.
    }
}

void RepositorySession::GetProps(const std::string& itemPath, const std::string& localFile) {
    RequestScope request(*this);
    ConnectData();
    SendRequest(Format("%s [%s]", "GetProps", itemPath.c_str()));
    ReceiveFile(localFile);
}

void RepositorySession::CreateFolder(const std::string& folderPath, const std::string& comment) {
    RequestScope request(*this);
    ConnectData();
    SendRequest(Format("%s [%s] %s", "CreateFolder", folderPath.c_str(), comment.c_str()));
    CheckReply(ReceiveReply());
}

void RepositorySession::DeleteItem(const std::string& itemPath, const std::string& kindWord) {
    RequestScope request(*this);
    ConnectData();
    SendRequest(Format("%s [%s] %s", "DeleteItem", itemPath.c_str(), kindWord.c_str()));
    CheckReply(ReceiveReply());
}

bool RepositorySession::CheckOut(const std::string& projectPath, const std::string& versionName,
                                 const std::string& localFile, bool readOnly) {
    if (FileExists(localFile)) {
        if (MessageBox(Format("File '%s' already exists; overwrite it?", localFile.c_str()),
                       PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes)
            return false;
        host_.CloseProjectWindows(localFile, true);
    }
    ProgressGuard progress(host_, 3);
    progress.Step("Requesting Vaultkeep to check out file...", 1);
    RequestScope request(*this);
    ConnectData();
    SendRequest(Format("%s [%s] %s", "CheckOut", projectPath.c_str(), versionName.c_str()));
    progress.Step("Receiving file...", 2);
    ReceiveFile(localFile);
    progress.Step("Check out completed...", 3);
    if (readOnly) {
        struct stat info {};
        if (::stat(localFile.c_str(), &info) == 0)
            ::chmod(localFile.c_str(), info.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH));
    }
    return true;
}

bool RepositorySession::CheckIn(const std::string& itemPath, const std::string& comment,
                                const std::string& localFile, bool mergeFlag,
                                std::string& resultPath) {
    if (stamps_.ReadProjectFileVersion(localFile) < 5.0)
        throw CKestException("This is a pre-5.0 project.\nPlease convert it first by saving it, "
                             "and then try again.",
                             0);
    bool askReset = false;
    {
        ProgressGuard progress(host_, 5);
        progress.Step("Requesting Vaultkeep to check in file...", 1);
        RequestScope request(*this);
        ConnectData();
        const std::string cut = comment.substr(0, kMaxCheckInComment);
        SendRequest(
            Format("%s [%s] %d %s", "CheckIn", itemPath.c_str(), mergeFlag ? 1 : 0, cut.c_str()));
        progress.Step("Waiting for Vaultkeep to validate check-in...", 2);
        const std::string_view reply = ReceiveReply();
        std::string token;
        size_t position = 0;
        NextReplyToken(reply, token, position);
        if (token == "ERR_" && ReplyCode(reply.substr(position)) == ReplyCode(kNoBaseVersion)) {
            askReset = true;
        } else {
            CheckReply(reply);
            progress.Step("Sending file...", 3);
            SendFile(localFile);
            progress.Step("Getting check-in confirmation...", 4);
            const std::string_view confirmation = ReceiveReply();
            position = CheckReply(confirmation);
            progress.Step("Check in completed...", 5);
            NextBracketedToken(confirmation, resultPath, position);
        }
    }
    if (!askReset) {
        host_.ShowPath(resultPath);
        return true;
    }
    // The connection is closed before the user is asked.
    if (MessageBox("There is no base version for this project in the repository.\nDo you want "
                   "to reset this project's version and check it in as a new project?",
                   PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes)
        return false;
    stamps_.UpdateCheckedInProjectFile(localFile, "", 0);
    host_.ShowRepositoryBrowser();
    throw CKestException("Project version cleared.\nPlease navigate to where you want the project "
                         "to be created in the Repository, and press the Check In button.",
                         kProjectVersionCleared);
}

void RepositorySession::Baseline(const std::string& versionPath, bool stable) {
    std::string shown;
    {
        ProgressGuard progress(host_, 2);
        progress.Step("Requesting Vaultkeep to baseline file...", 1);
        RequestScope request(*this);
        ConnectData();
        SendRequest(Format("%s %s [%s]", "Baseline", stable ? "Y" : "N", versionPath.c_str()));
        progress.Step("Waiting for Vaultkeep to validate baseline...", 2);
        const std::string_view reply = ReceiveReply();
        size_t position = CheckReply(reply);
        progress.Step("Baseline completed...", 3);
        NextBracketedToken(reply, shown, position);
    }
    host_.ShowPath(shown);
}

} // namespace qm
