// File transfer in packets. The sender reads one packet's worth of the file
// into the message buffer at a time; the receiver writes each packet as it
// arrives, so a file is never held in memory whole. The receiver writes into
// a temporary file and renames it over the target only at the end.
#include "repository/FileTransferEndpoint.h"

#include "kernel/Init.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Format.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

// Reads up to count bytes, retrying on interruption; -1 on failure.
ssize_t ReadSome(int fd, char* buffer, size_t count) {
    size_t got = 0;
    while (got < count) {
        const ssize_t n = ::read(fd, buffer + got, count - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

bool WriteAll(int fd, const char* bytes, size_t count) {
    while (count > 0) {
        const ssize_t n = ::write(fd, bytes, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

// The name after the last separator of either kind.
std::string LastName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A file being received: a temporary file beside the target.
class IncomingFile {
  public:
    explicit IncomingFile(const std::string& target) : target_(target) {
        std::string pattern = target + ".partXXXXXX";
        fd_ = ::mkstemp(pattern.data());
        if (fd_ >= 0) {
            temp_ = pattern;
            ::fchmod(fd_, 0644);
        }
    }
    ~IncomingFile() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!temp_.empty())
            ::unlink(temp_.c_str());
    }
    IncomingFile(const IncomingFile&) = delete;
    IncomingFile& operator=(const IncomingFile&) = delete;

    bool IsOpen() const { return fd_ >= 0 && ok_; }
    // Packets are gathered into larger writes.
    void Write(const char* bytes, size_t count) {
        if (!IsOpen())
            return;
        if (pending_.size() + count > kWriteBlock)
            Flush();
        pending_.append(bytes, count);
    }
    // Closes the file and puts it in the target's place; false on failure.
    bool Commit() {
        if (fd_ < 0)
            return false;
        Flush();
        const bool written = ok_ && ::fsync(fd_) == 0;
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        if (!written || !closed || ::rename(temp_.c_str(), target_.c_str()) != 0)
            return false;
        temp_.clear();
        return true;
    }

  private:
    static constexpr size_t kWriteBlock = 64 * 1024;

    void Flush() {
        if (ok_ && !pending_.empty() && !WriteAll(fd_, pending_.data(), pending_.size()))
            ok_ = false;
        pending_.clear();
    }

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool ok_ = true;
    std::string pending_;
};

// Restores the trace level when a transfer ends, however it ends.
class TraceLevelPause {
  public:
    explicit TraceLevelPause(MessageEndpoint& endpoint)
        : endpoint_(endpoint), saved_(endpoint.TraceLevel()) {
        endpoint_.SetTraceLevel(0);
    }
    ~TraceLevelPause() { endpoint_.SetTraceLevel(saved_); }
    TraceLevelPause(const TraceLevelPause&) = delete;
    TraceLevelPause& operator=(const TraceLevelPause&) = delete;

  private:
    MessageEndpoint& endpoint_;
    int32_t saved_;
};

} // namespace

bool CreateListingFile(const std::string& path) {
    const std::string header =
        Format("(Vaultkeep \"%s\" repository)\n", kest::versions().server.c_str());
    return WriteFileReplacing(path, header);
}

FileTransferEndpoint::FileTransferEndpoint(EndpointRole role)
    : MessageEndpoint(role), buffer_(new char[kMessageBufferSize]()) {}

bool FileTransferEndpoint::SendText(const std::string& text) {
    return SendMessage(text.c_str(), text.size() + 1);
}

bool FileTransferEndpoint::SendOk() {
    CheckRole(EndpointRole::Server);
    return SendText("_OK_");
}

bool FileTransferEndpoint::SendFile(const std::string& path) {
    if (TraceLevel() == 2)
        Trace(GetTraceSink(), Format("Sending file: <%s>\r\n", path.c_str()).c_str());
    TraceLevelPause pause(*this);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && Role() == EndpointRole::Server && !FileExists(path) &&
        LastName(path) == "Properties.rep" && CreateListingFile(path))
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const bool missing = Role() == EndpointRole::Server && !FileExists(path);
        SendText(Format(
            "%s %s %s", "ERR_", missing ? kFileNotFound : kCantReadFile,
            Format(missing ? "File '%s' doesn't exist" : "Can't read from file '%s'", path.c_str())
                .c_str()));
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        SendText(Format("ERR_ %s Can't read from file '%s'", kCantReadFile, path.c_str()));
        return false;
    }
    char* buffer = GetBuffer();
    uint64_t remaining = static_cast<uint64_t>(info.st_size);
    bool sent = true;
    // An empty file still goes as one (empty) LAST packet, so the receiver
    // is never left waiting for a packet that does not come.
    do {
        const bool last = remaining + 5 < kMaxMessagePayload;
        const size_t chunk = last ? static_cast<size_t>(remaining) : kPacketData;
        std::memcpy(buffer, last ? "LAST " : "MORE ", 5);
        const ssize_t got = ReadSome(fd, buffer + 5, chunk);
        if (got < 0 || static_cast<size_t>(got) != chunk) {
            // The file shrank or failed under us: end the transfer with an
            // error rather than a truncated file.
            SendText(Format("ERR_ %s Can't read from file '%s'", kCantReadFile, path.c_str()));
            sent = false;
            break;
        }
        if (!SendMessage(buffer, 5 + chunk)) {
            sent = false;
            break;
        }
        remaining -= chunk;
    } while (remaining > 0);
    ::close(fd);
    return sent;
}

void FileTransferEndpoint::ReceiveFile(const std::string& path) {
    if (TraceLevel() == 2)
        Trace(GetTraceSink(), Format("Receiving file: <%s>\r\n", path.c_str()).c_str());
    TraceLevelPause pause(*this);
    IncomingFile file(path);
    const bool opened = file.IsOpen();
    char* buffer = GetBuffer();
    std::string message;
    int32_t code = 0;
    bool failed = false;
    for (;;) {
        uint16_t command = 0;
        uint32_t length = 0;
        if (!ReceiveMessage(command, buffer, kMessageBufferSize, length)) {
            // A connection that failed or closed ends the transfer: never
            // take the previous packet for a new one.
            message = Format("Received bad packet for file %s", path.c_str());
            code = ReplyCode(kBadPacket);
            failed = true;
            break;
        }
        const std::string_view packet(buffer, length);
        std::string tag;
        size_t position = 0;
        NextReplyToken(packet, tag, position);
        if (tag == "MORE" || tag == "LAST") {
            file.Write(buffer + position, length - position);
            if (tag == "LAST")
                break;
            continue;
        }
        failed = true;
        if (tag == "ERR_") {
            code = ReplyErrorText(packet.substr(position), message);
            break;
        }
        message = Format("Received bad packet for file %s", path.c_str());
        code = ReplyCode(kBadPacket);
        break;
    }
    if (!opened || (!failed && !file.Commit())) {
        message = Format("Can't write to file %s", path.c_str());
        code = ReplyCode(kCantWriteFile);
        failed = true;
    }
    if (failed)
        throw CKestException(message, code);
}

} // namespace qm
