// Network built-ins: client, send and server, and the evaluation server's
// thread.
//
// Design: a message is the readable printed form of one value followed by a
// line end, at most MessageLimit bytes with it. A receiver collects bytes
// until the line end, since one receive may deliver part of a message or the
// start of the next; the bytes after the line end are kept for the next
// message. The message is then read from the connection's buffer channel with
// the socket detached, so the reader sees the message's end as the end of
// input and never waits on the network. A longer message is consumed up to
// its line end and refused, so both sides stay in step; a peer that closes
// the connection ends the exchange with an error. The server listens on the
// loopback address only, because it evaluates whatever arrives.
#include "kernel/Channel.h"
#include "kernel/Printer.h"
#include "kernel/Reader.h"
#include "kernel/Symbol.h"
#include "kernel/builtins/Builtins.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Socket.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <cstring>
#include <netdb.h>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace kest {

namespace {

constexpr size_t MessageLimit = 1024;

class StreamSocket final : public ChannelSocket {
  public:
    explicit StreamSocket(int fd) : fd_(fd) {}

    size_t Receive(char* buffer, size_t n) override { return qm::ReceiveSome(fd_, buffer, n, -1); }
    void Send(const char* text, size_t n) override { SendAll(text, n); }

    // Sends every byte; false when the connection failed.
    bool SendAll(const char* text, size_t n) { return qm::SendAll(fd_, text, n, -1); }

    enum Outcome { Message, TooLong, Closed };

    // The next message, its line end included. A peer that closes after a
    // last message without a line end still delivers that message.
    Outcome ReceiveMessage(std::string& message) {
        bool dropping = false;
        for (;;) {
            if (const void* lf = std::memchr(held_, '\n', held_count_)) {
                const size_t n = static_cast<size_t>(static_cast<const char*>(lf) - held_) + 1;
                message.assign(held_, n);
                held_count_ -= n;
                std::memmove(held_, held_ + n, held_count_);
                return dropping ? TooLong : Message;
            }
            if (held_count_ == MessageLimit) {
                dropping = true;
                held_count_ = 0;
            }
            const size_t got = Receive(held_ + held_count_, MessageLimit - held_count_);
            if (got == 0) {
                if (held_count_ == 0 || dropping)
                    return Closed;
                message.assign(held_, held_count_);
                held_count_ = 0;
                return Message;
            }
            held_count_ += got;
        }
    }

  private:
    int fd_;
    char held_[MessageLimit];
    size_t held_count_ = 0;
};

// What a connection cell points to. It lives in the cell heap and is never
// destroyed: the connection stays open until the process ends.
struct ConnectionRecord {
    char* host;
    char* service;
    long reserved; // always 0
    Channel* channel;
    StreamSocket* socket;
};

// The message text of a value: its readable printed form on one line (the
// line break the printer puts before a binary chunk becomes a blank), or
// false when it does not fit in a message.
bool messagetext(Cell* value, std::string& text) {
    text = printstring(value, PmPrint);
    for (char& c : text)
        if (c == '\n')
            c = ' ';
    text += '\n';
    return text.size() <= MessageLimit;
}

// Reads one expression from a received message held in the channel.
Cell* readmessage(Channel* ch, const std::string& message) {
    resetbufchan(ch);
    std::memcpy(ch->buffer, message.data(), message.size());
    ch->count = static_cast<uint16_t>(message.size());
    ch->buffer[message.size()] = '\0';
    struct Detached {
        explicit Detached(Channel* c) : ch(c), socket(c->socket) { c->socket = nullptr; }
        ~Detached() { ch->socket = socket; }
        Channel* ch;
        ChannelSocket* socket;
    } detached(ch);
    return readexpr(ch);
}

// The port of a service: a name of the services database for "tcp", else
// the decimal number the text begins with, which must be a port number.
uint16_t serviceport(Symbol* self, const char* service) {
    if (const servent* entry = ::getservbyname(service, "tcp"))
        return ntohs(static_cast<uint16_t>(entry->s_port));
    const long port = std::atol(service);
    if (port <= 0 || port > 65535)
        scripterror(self, "can't get service entry");
    return static_cast<uint16_t>(port);
}

char* heapcopy(const char* text) {
    return heapstr(text, std::strlen(text));
}

// Current state of the server thread's one connection, for its capeval routines.
struct ServerState {
    Channel* channel = nullptr;
    std::string request;
    Symbol* form = nullptr;
};
ServerState serverstate;

Cell* evaluaterequest(Cell*) {
    return evaluate(readmessage(serverstate.channel, serverstate.request));
}

Cell* refusetoolong(Cell*) {
    scripterror(serverstate.form, "message too long");
}

Cell* capture(CatchRoutine routine) {
    Cell* result = capeval(nil, nil, routine, nil);
    return result == nil ? nil : car(result);
}

// The server thread: a kernel of its own, one accepted connection, and for
// every request the printed value of its evaluation (nil after an error,
// which goes to the log). A failed receive or send, a closed connection
// included, is the kernel's fatal error, which ends the thread and closes
// the connection.
void serve(int listener) {
    int fd = -1;
    try {
        initkernel();
        fd = qm::AcceptTcp(listener, -1);
        // Only one connection is ever served: later clients are refused
        // instead of waiting in the backlog for ever.
        qm::CloseSocket(listener);
        serverstate.form = findsym("server");
        if (fd < 0)
            scripterror(serverstate.form, "slaveserver accept failed");
        StreamSocket socket(fd);
        serverstate.channel = mkbufchan(MessageLimit, ChanReadWrite, &socket, false);
        for (;;) {
            switch (socket.ReceiveMessage(serverstate.request)) {
            case StreamSocket::Closed:
                scripterror(serverstate.form, "slaveserver read failed");
            case StreamSocket::TooLong:
                capture(refusetoolong);
                serverstate.request = "nil\n";
                break;
            case StreamSocket::Message:
                break;
            }
            Cell* value = capture(evaluaterequest);
            std::string reply;
            if (!messagetext(value, reply)) {
                capture(refusetoolong);
                reply = "nil\n";
            }
            if (!socket.SendAll(reply.data(), reply.size()))
                scripterror(serverstate.form, "slaveserver write failed");
        }
    } catch (const qm::CKestException&) {
        // fatal has written its report; the thread ends with its connection.
    } catch (const qm::CIgnoreException&) {
    } catch (const std::exception& e) {
        qm::Log().Append(std::string("FATAL ERROR: ") + e.what());
        qm::Log().Append("\r\n");
    }
    // The client learns that nobody serves it any longer.
    qm::CloseSocket(fd);
}

} // namespace

Cell* bi_client(Symbol* self) {
    needcount(self, 2, 2);
    const char* host = needtext(self, argument(0));
    const char* service = needtext(self, argument(1));
    const uint16_t port = serviceport(self, service);
    bool hostFound = false;
    const int fd = qm::ConnectTcp(host, port, -1, &hostFound);
    if (fd < 0)
        scripterror(self, hostFound ? "can't connect to service/host" : "can't get host entry");
    auto* record = static_cast<ConnectionRecord*>(heapalloc(sizeof(ConnectionRecord)));
    record->host = heapcopy(host);
    record->service = heapcopy(service);
    record->reserved = 0;
    record->socket = new (heapalloc(sizeof(StreamSocket))) StreamSocket(fd);
    record->channel = mkbufchan(MessageLimit, ChanReadWrite, record->socket, true);
    return mkdialog(record);
}

Cell* bi_send(Symbol* self) {
    needcount(self, 2, 2);
    Cell* connection = argument(1);
    if (connection->type != TDialog)
        scripterror(self, ErrDialogExpected, connection);
    auto* record = static_cast<ConnectionRecord*>(connection->a.conn);
    std::string text;
    if (!messagetext(argument(0), text))
        scripterror(self, "message too long");
    resetbufchan(record->channel);
    record->socket->SendAll(text.data(), text.size());
    std::string reply;
    switch (record->socket->ReceiveMessage(reply)) {
    case StreamSocket::Closed:
        scripterror(self, "connection closed", connection);
    case StreamSocket::TooLong:
        scripterror(self, "message too long");
    case StreamSocket::Message:
        break;
    }
    return readmessage(record->channel, reply);
}

// Never returns: the calling thread leaves the kernel to the server thread
// and sleeps until the process ends.
Cell* bi_server(Symbol* self) {
    needcount(self, 1, 1);
    const uint16_t port = serviceport(self, needtext(self, argument(0)));
    const int fd = qm::ListenTcp("127.0.0.1", port, 5, nullptr);
    if (fd < 0)
        scripterror(self, "can't bind to port");
    try {
        std::thread(serve, fd).detach();
    } catch (const std::system_error&) {
        qm::CloseSocket(fd);
        scripterror(self, "can't create thread");
    }
    for (;;)
        ::pause();
}

} // namespace kest
