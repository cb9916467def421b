// The client of a Vaultkeep repository server: login, keep-alive, logout and
// the repository requests. Every request opens a fresh connection (the
// control port for the session's own requests, the port after it for the
// repository's), sends one text request, reads the reply (transferring a file
// where the request needs one) and closes the connection again, also when an
// error passes. Failures are CKestException with the server's four-letter code
// (0 for the client's own errors); a request the user cancelled ends with
// CIgnoreException. While a request waits for the server, it waits in the
// host's WaitForServer (the application's windows stay alive and offer
// Cancel); one request runs at a time.
#pragma once

#include "repository/DocumentStamps.h"
#include "repository/FileTransferEndpoint.h"
#include "repository/RepositorySeams.h"

#include <cstdint>
#include <string>

namespace qm {

// The rights bits of the login reply.
enum RepositoryRight : uint32_t {
    kRightCheckOut = 1, // check out and history
    kRightCheckIn = 2,  // check in and make stable
    kRightNewFolder = 4,
    kRightDelete = 8,
};

// The rights as four letters: 'O', 'I', 'C', 'D' for the bits 1, 2, 4, 8, each
// '_' when its bit is clear.
std::string FormatRights(uint32_t rights);

// The error codes the client reacts to, and the code of a cleared project.
inline constexpr const char* kNoBaseVersion = "NOBV";
inline constexpr int32_t kProjectVersionCleared = 48;

// The time-out of every connect, send and receive, in seconds: the default,
// and the range a login reply may set. The longest is kept short because a
// wait is per message: a server that is busy for longer sends nothing, and
// the user waits that long for each stalled message.
inline constexpr int32_t kDefaultRepositoryTimeout = 20;
inline constexpr int32_t kMinRepositoryTimeout = 5;
inline constexpr int32_t kMaxRepositoryTimeout = 30;
inline constexpr size_t kMaxCheckInComment = 4064;

class RepositorySession : public FileTransferEndpoint {
  public:
    // host and stamps must outlive the session; the stamps are the
    // document's own unless others are given.
    explicit RepositorySession(RepositoryHost& host, ProjectStamps& stamps = DocumentStamps());
    ~RepositorySession() override = default;

    // Logs in; returns 1 for mode letter 'F', -1 for 'S', 0 for any other.
    // Blanks, tabs and line ends in clientName become '_' (in the caller's
    // text). Sets the user name, session id, rights and time-out (kept in
    // kMinRepositoryTimeout..kMaxRepositoryTimeout). No answer at all gives
    // "Unable to contact Vaultkeep..."; an answer that is no login reply
    // (another protocol, a broken frame) says so in a message of its own.
    int Login(const std::string& programVersion, const std::string& buildNumber,
              std::string& clientName, const std::string& credential) override;
    // Logs out; the session id becomes 0 on success.
    void Logout() override;
    // Keeps the login alive; never raises (nothing is sent while another
    // request runs).
    void Alive() override;
    // Receives the listing of the item into localFile.
    void GetProps(const std::string& itemPath, const std::string& localFile) override;
    // Checks a project (version) out into localFile; false when the user
    // declined to overwrite an existing file.
    bool CheckOut(const std::string& projectPath, const std::string& versionName,
                  const std::string& localFile, bool readOnly) override;
    // Checks localFile in under itemPath; resultPath receives the new
    // version's path. False when the server has no base version and the user
    // declined to reset the project.
    bool CheckIn(const std::string& itemPath, const std::string& comment,
                 const std::string& localFile, bool mergeFlag, std::string& resultPath) override;
    // Marks a version stable (or not).
    void Baseline(const std::string& versionPath, bool stable) override;
    virtual void CreateFolder(const std::string& folderPath, const std::string& comment);
    virtual void DeleteItem(const std::string& itemPath, const std::string& kindWord);

    // Connects to the control port, or to the data port (the one after it).
    bool ConnectControl();
    bool ConnectData();

    // Receives a file as the base does; a receive the user cancelled ends
    // with CIgnoreException instead of the transfer's error.
    void ReceiveFile(const std::string& path) override;

    int32_t TimeoutSeconds() const { return timeout_; }
    void SetTimeoutSeconds(int32_t seconds) { timeout_ = seconds; }
    RepositoryHost& Host() { return host_; }
    // True while a request talks to the server.
    bool Busy() const { return busy_; }

  private:
    // One request's time on the connection: see the .cpp.
    class RequestScope;

    // The socket's waiter: waits in the host, and remembers a cancel for the
    // rest of the request.
    bool WaitForServer(int fd, bool forWriting, int timeoutMs);
    // Raises CIgnoreException when the user cancelled the running request.
    void ThrowIfCancelled() const;
    bool ConnectTo(int offset);
    // Formats the request into the message buffer and sends it with its NUL;
    // raises an error when it would not fit in one message.
    void SendRequest(const std::string& text);
    // The reply's text, empty when none arrived; answered (may be null)
    // tells whether any byte came at all, a broken frame included.
    std::string_view ReceiveReply(bool* answered = nullptr);
    // The common reply check: returns the position after "_OK_" or raises the
    // server's error, or "Unexpected or no server response".
    size_t CheckReply(std::string_view reply);

    RepositoryHost& host_;
    ProjectStamps& stamps_;
    int32_t timeout_ = kDefaultRepositoryTimeout;
    bool busy_ = false;
    bool cancelled_ = false;
};

} // namespace qm
