// The socket layer: TCP over the system's POSIX sockets, the one place where
// the program opens, binds, connects and reads sockets. The free functions
// work on plain descriptors with a time-out (a negative one waits for ever);
// SocketStreamBuf and TcpSocket are the stream classes of the repository
// client built on them, for either role: a client that connects to a host and
// port, or a server that binds a port, listens and accepts one connection.
// Every call blocks the calling thread at most for the time-out given; a
// waiter lets the caller's thread do other work while it waits, and end the
// wait early.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <streambuf>
#include <string>

namespace qm {

// Waits for a connection in the caller's own way while a call works on the
// network: given the descriptor, whether the call waits to write (else to
// read) and the longest wait in milliseconds (-1: no limit), it returns true
// once the descriptor may be ready, the time has passed or it wants to be
// asked again, and false to give the call up (it then fails as on a
// time-out). A user-interface thread runs its event loop in it. It is asked
// before every read and write, also when the bytes are there already, so
// that it keeps running while a steady stream of data flows; it must not
// return at once again and again while nothing is ready.
using SocketWaiter = std::function<bool(int fd, bool forWriting, int timeoutMs)>;

// ---- descriptors ----

// Closes a descriptor (if valid), retrying on interruption.
void CloseSocket(int fd);

// Connects a new stream socket to host (a name, a dotted IPv4 or an IPv6
// address) and port, trying each address the host has. Returns the connected
// descriptor, or -1 when no address could be reached within timeoutMs.
// hostFound (may be null) tells whether the host had an address at all. The
// name look-up itself does not go through the waiter.
int ConnectTcp(const std::string& host, uint16_t port, int timeoutMs, bool* hostFound = nullptr,
               const SocketWaiter* waiter = nullptr);

// A listening stream socket bound to address (a numeric IPv4 or IPv6 address;
// null or empty: the IPv4 loopback address) and port (0: the system picks
// one). boundPort (may be null) receives the port actually bound. Returns -1
// on failure, with errno set.
int ListenTcp(const char* address, uint16_t port, int backlog, uint16_t* boundPort);

// Accepts one connection from a listening socket; -1 when none arrived within
// timeoutMs or the socket failed.
int AcceptTcp(int listener, int timeoutMs, const SocketWaiter* waiter = nullptr);

// Sends every byte; false when the connection failed or the time ran out.
bool SendAll(int fd, const void* bytes, size_t count, int timeoutMs,
             const SocketWaiter* waiter = nullptr);

// Receives exactly count bytes (peek: without taking them off the
// connection); false when the peer closed first, the connection failed or
// the time ran out.
bool ReceiveAll(int fd, void* buffer, size_t count, bool peek, int timeoutMs,
                const SocketWaiter* waiter = nullptr);

// Receives what has arrived, at most count bytes, waiting up to timeoutMs for
// the first; 0 when the peer closed, the connection failed or nothing came.
size_t ReceiveSome(int fd, void* buffer, size_t count, int timeoutMs);

// ---- stream classes ----

// An unbuffered stream buffer whose bulk reads and writes (sgetn, sputn) go
// to the transport operations of a derived class; single characters fail.
class SocketStreamBuf : public std::streambuf {
  public:
    SocketStreamBuf() { setbuf(nullptr, 0); }
    ~SocketStreamBuf() override = default;

    virtual bool Open() = 0;
    virtual void Close() = 0;
    virtual bool Connect() = 0;
    virtual bool Accept() = 0;
    virtual void CloseConnection() = 0;
    virtual bool IsConnected() const = 0;
    virtual bool SetTimeout(int32_t seconds) = 0;
    virtual bool Receive(void* buffer, int length, bool peek) = 0;
    virtual bool Send(const void* buffer, int length) = 0;

  protected:
    std::streamsize xsputn(const char* bytes, std::streamsize count) override;
    std::streamsize xsgetn(char* buffer, std::streamsize count) override;
    int_type overflow(int_type) override { return traits_type::eof(); }
    int_type underflow() override { return traits_type::eof(); }
};

// A TCP connection in the client role (a host name is set) or the server role
// (no host name). The owner sets the host name and the port asked for, then
// calls Open; a client then Connects, a server Accepts. Failures are false
// results, never exceptions or messages.
class TcpSocket : public SocketStreamBuf {
  public:
    TcpSocket() = default;
    ~TcpSocket() override;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Resets and creates the socket. A server binds the port asked for on
    // the loopback address and listens, so that clients are queued from now
    // on. Fails with no host name and no port.
    bool Open() override;
    // Closes the connection and the socket; the port in use becomes 0.
    void Close() override;
    // Client role: connects to the host and the port asked for.
    bool Connect() override;
    // Server role: accepts one connection (waiting at most the time-out).
    bool Accept() override;
    // Closes the connection; for a client that is the socket itself.
    void CloseConnection() override;
    bool IsConnected() const override;
    // The time-out of every later connect, accept, send and receive; 0 or
    // less waits for ever. Returns true.
    bool SetTimeout(int32_t seconds) override;
    // Reads exactly length bytes (length below 1 succeeds at once).
    bool Receive(void* buffer, int length, bool peek) override;
    // Sends all length bytes (length below 1 succeeds at once).
    bool Send(const void* buffer, int length) override;
    // The waiter of every later connect, accept, send and receive (empty:
    // the socket waits by itself).
    void SetWaiter(SocketWaiter waiter) { waiter_ = std::move(waiter); }

    void SetHostName(const char* text) { hostName_ = text != nullptr ? text : ""; }
    const std::string& HostName() const { return hostName_; }
    void SetPort(uint16_t port) { portAsked_ = port; }
    // The port in use: bound by a server, connected to by a client; 0 for none.
    uint16_t GetPort() const { return portInUse_; }
    int32_t Timeout() const { return timeoutSeconds_; }

  private:
    bool IsServer() const { return hostName_.empty(); }
    int TimeoutMs() const;
    const SocketWaiter* Waiter() const { return waiter_ ? &waiter_ : nullptr; }

    int socket_ = -1;
    int connection_ = -1;
    bool started_ = false;
    uint16_t portAsked_ = 0;
    uint16_t portInUse_ = 0;
    std::string hostName_;
    int32_t timeoutSeconds_ = 0;
    SocketWaiter waiter_;
};

} // namespace qm
