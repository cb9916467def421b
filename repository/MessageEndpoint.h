// The framed messages of a Vaultkeep connection: an 8-byte header (command,
// sender id, payload length, all big-endian) and a payload of at most 4088
// bytes. One class serves both ends: a client sends requests, a server
// listens, accepts one connection at a time and answers them. The reply text
// helpers split received text payloads into tokens.
#pragma once

#include "platform/Socket.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

inline constexpr size_t kMessageBufferSize = 4096; // header and payload
inline constexpr size_t kMessageHeaderSize = 8;
inline constexpr size_t kMaxMessagePayload = kMessageBufferSize - kMessageHeaderSize;

// The command codes of the header.
enum MessageCommand : uint16_t {
    kCommandRequest = 0,    // every message a client sends
    kCommandReply = 1,      // every message a server sends
    kCommandDisconnect = 2, // a client says goodbye
    kCommandShutdown = 3,   // a controlling peer ends the server
    kCommandAbort = 4,      // a controlling peer aborts the server
};

enum class EndpointRole : int32_t { Server = 0, Client = 1 };

// What ServeCommands ends with.
enum ServeOutcome : int {
    kServeShutdown = 0, // a shutdown command arrived
    kServeAborted = 1,  // an abort command arrived
    kServeIdle = 2,     // no connection arrived within the time-out
};

// ---- reply text helpers ----
// Each reads text up to its end or its first NUL, whichever comes first.

// Copies the characters from position up to the next NUL, white-space
// character or the end into token; when it stopped at a white-space character,
// position moves past exactly that one character.
void NextReplyToken(std::string_view text, std::string& token, size_t& position);

// Skips to the next '[' (token empty and position at the end when there is
// none), copies everything up to the next ']' (or the end) into token, moves
// past the ']' and past one white-space character if one follows.
void NextBracketedToken(std::string_view text, std::string& token, size_t& position);

// The 32-bit value of a four-letter error code, its first character in the
// lowest byte ("NOPV" is 0x56504F4E). Missing characters count as 0.
int32_t ReplyCode(std::string_view code);

// Given the text at an error code (after "ERR_" and its blank), copies the
// text that starts five characters later into message (at most
// kMessageBufferSize bytes) and returns the code's value.
int32_t ReplyErrorText(std::string_view text, std::string& message);

class MessageEndpoint : public TcpSocket {
  public:
    explicit MessageEndpoint(EndpointRole role) : role_(role) {}
    ~MessageEndpoint() override = default;

    using TcpSocket::Connect;
    // Client role: opens a socket and connects it to host and port with the
    // time-out in seconds. A port outside 1..65535 is refused without a
    // connection. A failure shows later as failed sends and receives; the
    // result tells whether the connection was made.
    virtual bool Connect(const std::string& host, int port, int32_t timeout);
    // Client role: closes the connection and the socket. Returns true.
    virtual bool Disconnect();
    // Server role: binds and listens on port (1..65535) on the loopback
    // address.
    virtual bool Listen(int port, int32_t timeout);
    // Server role: closes the socket; ServeCommands then returns
    // kServeShutdown (Abort: kServeAborted). The calling thread goes on.
    virtual void Shutdown();
    virtual void Abort();
    // Server role: accepts connections and hands each request to
    // HandleRequest until a shutdown or abort command arrives or no
    // connection arrives within the time-out.
    virtual int ServeCommands();
    virtual void SetTraceSink(void* sink) { traceSink_ = sink; }
    virtual void* GetTraceSink() const { return traceSink_; }
    // Raises CKestException "Confused client/server role" on a mismatch.
    virtual void CheckRole(EndpointRole role) const;
    // Sends one message (a request from a client, a reply from a server). A
    // payload over 4088 bytes is replaced by "MESSAGE_BUF_SIZE too small
    // (=4096)" in the send buffer; the caller's bytes are never touched.
    virtual bool SendMessage(const void* payload, size_t length);
    // Receives one message into buffer (capacity bytes) and stores a NUL
    // behind its payload. The header's sender id becomes the session id. A
    // length that would not fit in the buffer (or exceeds 4088) is refused
    // and the connection dropped; a payload that does not arrive fails.
    virtual bool ReceiveMessage(uint16_t& command, char* buffer, size_t capacity, uint32_t& length);
    // Client role: sends the disconnect command and closes the connection.
    virtual bool NotifyDisconnect();
    // Server role: answers one request; the base replies "VOID".
    virtual void HandleRequest(uint16_t command, char* payload, uint32_t length);
    // Receives trace lines; the base ignores them.
    virtual void Trace(void* sink, const char* text);

    // Packs a header with the session id and the payload into out
    // (kMessageBufferSize bytes); returns the number of bytes to send.
    size_t PackMessage(char* out, uint16_t command, const void* payload, size_t length) const;
    // Reads the command and length out of a header; its sender id becomes the
    // session id.
    void UnpackHeader(const char* in, uint16_t& command, uint32_t& length);

    EndpointRole Role() const { return role_; }
    const std::string& UserName() const { return userName_; }
    void SetUserName(const std::string& name) { userName_ = name; }
    uint32_t SessionId() const { return sessionId_; }
    void SetSessionId(uint32_t id) { sessionId_ = id; }
    uint32_t Rights() const { return rights_; }
    void SetRights(uint32_t rights) { rights_ = rights; }
    int32_t TraceLevel() const { return traceLevel_; }
    void SetTraceLevel(int32_t level) { traceLevel_ = level; }

  protected:
    // Sends a message with any command code.
    bool SendCommand(uint16_t command, const void* payload, size_t length);

  private:
    EndpointRole role_;
    std::string userName_;
    uint32_t sessionId_ = 0;
    uint32_t rights_ = 0;
    void* traceSink_ = nullptr;
    int32_t traceLevel_ = 1;
    int stopOutcome_ = -1; // set by Shutdown and Abort
};

} // namespace qm
