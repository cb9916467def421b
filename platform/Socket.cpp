// The socket layer over POSIX sockets. Every wait goes through poll with the
// time left of the call's own deadline, so a peer that trickles bytes cannot
// stretch one call beyond its time-out. Writes use MSG_NOSIGNAL, so a peer
// that closed gives a failed send, never SIGPIPE.
#include "platform/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace qm {

namespace {

using Clock = std::chrono::steady_clock;

// A point in time after which a call gives up; none for a negative time-out.
class Deadline {
  public:
    explicit Deadline(int timeoutMs)
        : forever_(timeoutMs < 0), end_(Clock::now() + std::chrono::milliseconds(timeoutMs)) {}
    // Milliseconds left for poll: -1 for ever, 0 once passed.
    int Left() const {
        if (forever_)
            return -1;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end_ - Clock::now()).count();
        if (left <= 0)
            return 0;
        return left > INT_MAX ? INT_MAX : static_cast<int>(left);
    }
    bool Passed() const { return !forever_ && Clock::now() >= end_; }

  private:
    bool forever_;
    Clock::time_point end_;
};

// Waits until fd is ready for events; false on time-out, failure or when the
// waiter gives the wait up. A waiter is asked before every check, so it also
// runs while a steady stream of data never lets a wait last.
bool WaitReady(int fd, short events, const Deadline& deadline, const SocketWaiter* waiter) {
    for (;;) {
        if (waiter != nullptr && !(*waiter)(fd, events == POLLOUT, deadline.Left()))
            return false;
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, waiter != nullptr ? 0 : deadline.Left());
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
        if (deadline.Passed() || (ready == 0 && waiter == nullptr))
            return false;
    }
}

bool SetNonBlocking(int fd, bool on) {
    const int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0)
        return false;
    return ::fcntl(fd, F_SETFL, on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK) == 0;
}

// Connects fd to one address, waiting at most until the deadline.
bool ConnectAddress(int fd, const sockaddr* address, socklen_t length, const Deadline& deadline,
                    const SocketWaiter* waiter) {
    if (!SetNonBlocking(fd, true))
        return false;
    int result = ::connect(fd, address, length);
    if (result != 0 && (errno == EINPROGRESS || errno == EINTR)) {
        if (!WaitReady(fd, POLLOUT, deadline, waiter))
            return false;
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0)
            return false;
        result = 0;
    }
    return result == 0 && SetNonBlocking(fd, false);
}

} // namespace

void CloseSocket(int fd) {
    if (fd >= 0)
        ::close(fd);
}

int ConnectTcp(const std::string& host, uint16_t port, int timeoutMs, bool* hostFound,
               const SocketWaiter* waiter) {
    if (hostFound != nullptr)
        *hostFound = false;
    if (host.empty() || port == 0)
        return -1;
    const Deadline deadline(timeoutMs);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || found == nullptr)
        return -1;
    if (hostFound != nullptr)
        *hostFound = true;
    int connected = -1;
    for (const addrinfo* a = found; a != nullptr && connected < 0; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            continue;
        if (ConnectAddress(fd, a->ai_addr, a->ai_addrlen, deadline, waiter))
            connected = fd;
        else
            CloseSocket(fd);
        if (deadline.Passed())
            break;
    }
    ::freeaddrinfo(found);
    return connected;
}

int ListenTcp(const char* address, uint16_t port, int backlog, uint16_t* boundPort) {
    sockaddr_storage local{};
    socklen_t length = 0;
    const char* text = address != nullptr && *address != '\0' ? address : "127.0.0.1";
    auto* v4 = reinterpret_cast<sockaddr_in*>(&local);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&local);
    if (::inet_pton(AF_INET, text, &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        length = sizeof *v4;
    } else if (::inet_pton(AF_INET6, text, &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        length = sizeof *v6;
    } else {
        errno = EINVAL;
        return -1;
    }
    const int fd = ::socket(local.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_storage bound{};
    socklen_t boundLength = sizeof bound;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), length) != 0 ||
        ::listen(fd, backlog) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &boundLength) != 0) {
        const int saved = errno;
        CloseSocket(fd);
        errno = saved;
        return -1;
    }
    if (boundPort != nullptr)
        *boundPort = ntohs(bound.ss_family == AF_INET
                               ? reinterpret_cast<const sockaddr_in*>(&bound)->sin_port
                               : reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port);
    return fd;
}

int AcceptTcp(int listener, int timeoutMs, const SocketWaiter* waiter) {
    if (listener < 0)
        return -1;
    const Deadline deadline(timeoutMs);
    for (;;) {
        if (!WaitReady(listener, POLLIN, deadline, waiter))
            return -1;
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0)
            return fd;
        // The peer may have gone between poll and accept: wait for the next.
        if (errno != EINTR && errno != EAGAIN && errno != ECONNABORTED)
            return -1;
    }
}

bool SendAll(int fd, const void* bytes, size_t count, int timeoutMs, const SocketWaiter* waiter) {
    if (fd < 0)
        return false;
    const Deadline deadline(timeoutMs);
    const char* next = static_cast<const char*>(bytes);
    while (count > 0) {
        if (!WaitReady(fd, POLLOUT, deadline, waiter))
            return false;
        const ssize_t put = ::send(fd, next, count, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (put < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (put <= 0)
            return false;
        next += put;
        count -= static_cast<size_t>(put);
    }
    return true;
}

bool ReceiveAll(int fd, void* buffer, size_t count, bool peek, int timeoutMs,
                const SocketWaiter* waiter) {
    if (fd < 0)
        return false;
    const Deadline deadline(timeoutMs);
    char* next = static_cast<char*>(buffer);
    size_t got = 0;
    while (got < count) {
        if (!WaitReady(fd, POLLIN, deadline, waiter))
            return false;
        // A peek always reads from the start: it waits until the whole length
        // is there rather than taking part of it.
        const ssize_t n = peek ? ::recv(fd, next, count, MSG_PEEK | MSG_DONTWAIT)
                               : ::recv(fd, next + got, count - got, MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (n <= 0)
            return false;
        if (!peek) {
            got += static_cast<size_t>(n);
            continue;
        }
        if (static_cast<size_t>(n) == count)
            return true;
        if (deadline.Passed())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

size_t ReceiveSome(int fd, void* buffer, size_t count, int timeoutMs) {
    if (fd < 0 || count == 0)
        return 0;
    const Deadline deadline(timeoutMs);
    for (;;) {
        if (!WaitReady(fd, POLLIN, deadline, nullptr))
            return 0;
        const ssize_t n = ::recv(fd, buffer, count, MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        return n > 0 ? static_cast<size_t>(n) : 0;
    }
}

// ---- SocketStreamBuf ----

std::streamsize SocketStreamBuf::xsputn(const char* bytes, std::streamsize count) {
    if (bytes == nullptr || count <= 0 || count > INT_MAX || !IsConnected())
        return 0;
    return Send(bytes, static_cast<int>(count)) ? count : 0;
}

std::streamsize SocketStreamBuf::xsgetn(char* buffer, std::streamsize count) {
    if (buffer == nullptr || count <= 0 || count > INT_MAX || !IsConnected())
        return 0;
    return Receive(buffer, static_cast<int>(count), false) ? count : 0;
}

// ---- TcpSocket ----

TcpSocket::~TcpSocket() {
    Close();
}

int TcpSocket::TimeoutMs() const {
    if (timeoutSeconds_ <= 0)
        return -1;
    return timeoutSeconds_ > INT_MAX / 1000 ? INT_MAX : timeoutSeconds_ * 1000;
}

bool TcpSocket::Open() {
    portInUse_ = 0;
    CloseConnection();
    if (socket_ >= 0 || started_)
        Close();
    if (hostName_.empty() && portAsked_ == 0)
        return false;
    started_ = true;
    if (!IsServer()) {
        // The client's socket is made by Connect, once the address and with
        // it the address family is known.
        return true;
    }
    socket_ = ListenTcp(nullptr, portAsked_, 1, &portInUse_);
    if (socket_ < 0) {
        Close();
        return false;
    }
    return true;
}

void TcpSocket::Close() {
    CloseConnection();
    portInUse_ = 0;
    CloseSocket(socket_);
    socket_ = -1;
    started_ = false;
}

bool TcpSocket::Connect() {
    if (IsServer() || portAsked_ == 0 || !started_)
        return false;
    CloseConnection();
    CloseSocket(socket_);
    socket_ = ConnectTcp(hostName_, portAsked_, TimeoutMs(), nullptr, Waiter());
    if (socket_ < 0)
        return false;
    connection_ = socket_;
    portInUse_ = portAsked_;
    return true;
}

bool TcpSocket::Accept() {
    if (!IsServer() || portInUse_ == 0 || !started_ || socket_ < 0)
        return false;
    CloseConnection();
    connection_ = AcceptTcp(socket_, TimeoutMs(), Waiter());
    return connection_ >= 0;
}

void TcpSocket::CloseConnection() {
    if (!started_ || connection_ < 0)
        return;
    CloseSocket(connection_);
    if (connection_ == socket_)
        socket_ = -1;
    connection_ = -1;
}

bool TcpSocket::IsConnected() const {
    return started_ && connection_ >= 0;
}

bool TcpSocket::SetTimeout(int32_t seconds) {
    timeoutSeconds_ = seconds;
    return true;
}

bool TcpSocket::Receive(void* buffer, int length, bool peek) {
    if (!IsConnected())
        return false;
    if (length < 1)
        return true;
    return ReceiveAll(connection_, buffer, static_cast<size_t>(length), peek, TimeoutMs(),
                      Waiter());
}

bool TcpSocket::Send(const void* buffer, int length) {
    if (!IsConnected())
        return false;
    if (length < 1)
        return true;
    return SendAll(connection_, buffer, static_cast<size_t>(length), TimeoutMs(), Waiter());
}

} // namespace qm
