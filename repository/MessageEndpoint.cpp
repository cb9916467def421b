// Message framing over a TCP connection, and the serving loop of the server
// role. The receive never trusts the announced length: a frame longer than the
// receiving buffer is refused and its connection dropped, since the rest of
// the stream could no longer be read in step.
#include "repository/MessageEndpoint.h"

#include "platform/Errors.h"
#include "platform/Format.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace qm {

namespace {

bool IsBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// The text up to its first NUL.
std::string_view UpToNul(std::string_view text) {
    const size_t nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

void PutBig16(char* out, uint16_t value) {
    out[0] = static_cast<char>(value >> 8);
    out[1] = static_cast<char>(value & 0xFF);
}

void PutBig32(char* out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
}

uint32_t GetBig(const char* in, int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | static_cast<uint8_t>(in[i]);
    return value;
}

} // namespace

void NextReplyToken(std::string_view text, std::string& token, size_t& position) {
    text = UpToNul(text);
    token.clear();
    if (position >= text.size())
        return;
    size_t end = position;
    while (end < text.size() && !IsBlank(text[end]))
        ++end;
    token.assign(text.substr(position, end - position));
    position = end < text.size() ? end + 1 : end;
}

void NextBracketedToken(std::string_view text, std::string& token, size_t& position) {
    text = UpToNul(text);
    token.clear();
    const size_t open = position < text.size() ? text.find('[', position) : std::string_view::npos;
    if (open == std::string_view::npos) {
        position = std::max(position, text.size());
        return;
    }
    size_t close = text.find(']', open + 1);
    if (close == std::string_view::npos)
        close = text.size();
    token.assign(text.substr(open + 1, close - open - 1));
    position = close < text.size() ? close + 1 : close;
    if (position < text.size() && IsBlank(text[position]))
        ++position;
}

int32_t ReplyCode(std::string_view code) {
    code = UpToNul(code);
    uint32_t value = 0;
    for (size_t i = 0; i < 4 && i < code.size(); ++i)
        value |= static_cast<uint32_t>(static_cast<uint8_t>(code[i])) << (8 * i);
    return static_cast<int32_t>(value);
}

int32_t ReplyErrorText(std::string_view text, std::string& message) {
    text = UpToNul(text);
    message.clear();
    if (text.size() > 5)
        message.assign(text.substr(5, kMessageBufferSize));
    return ReplyCode(text);
}

bool MessageEndpoint::Connect(const std::string& host, int port, int32_t timeout) {
    CheckRole(EndpointRole::Client);
    SetTimeout(timeout);
    if (port < 1 || port > 65535) {
        // A port beyond the range (the data port after 65535) is refused
        // rather than wrapped round to another one.
        Close();
        return false;
    }
    SetPort(static_cast<uint16_t>(port));
    SetHostName(host.c_str());
    return Open() && Connect();
}

bool MessageEndpoint::Disconnect() {
    Close();
    return true;
}

bool MessageEndpoint::Listen(int port, int32_t timeout) {
    CheckRole(EndpointRole::Server);
    SetTimeout(timeout);
    if (port < 0 || port > 65535)
        return false;
    SetPort(static_cast<uint16_t>(port));
    SetHostName(nullptr);
    stopOutcome_ = -1;
    return Open();
}

void MessageEndpoint::Shutdown() {
    Close();
    stopOutcome_ = kServeShutdown;
}

void MessageEndpoint::Abort() {
    Close();
    stopOutcome_ = kServeAborted;
}

int MessageEndpoint::ServeCommands() {
    CheckRole(EndpointRole::Server);
    char payload[kMessageBufferSize];
    bool accept = true;
    stopOutcome_ = -1;
    for (;;) {
        if (stopOutcome_ >= 0)
            return stopOutcome_;
        if (accept) {
            if (!TcpSocket::Accept())
                return stopOutcome_ >= 0 ? stopOutcome_ : kServeIdle;
            accept = false;
        }
        uint16_t command = 0;
        uint32_t length = 0;
        if (!ReceiveMessage(command, payload, sizeof payload, length)) {
            accept = true;
            continue;
        }
        switch (command) {
        case kCommandRequest:
            HandleRequest(command, payload, length);
            break;
        case kCommandDisconnect:
            Trace(traceSink_, "Server notified that a client has disconnected.\r\n");
            accept = true;
            break;
        case kCommandShutdown:
            Trace(traceSink_, "Server asked to shutdown.\r\n");
            Shutdown();
            break;
        case kCommandAbort:
            Trace(traceSink_, "Server asked to abort.\r\n");
            Abort();
            break;
        default:
            Trace(traceSink_, "Unexpected server command.\r\n");
            SendMessage(nullptr, 0);
            break;
        }
    }
}

void MessageEndpoint::CheckRole(EndpointRole role) const {
    if (role != role_)
        throw CKestException("Confused client/server role", 0);
}

size_t MessageEndpoint::PackMessage(char* out, uint16_t command, const void* payload,
                                    size_t length) const {
    const char* bytes = static_cast<const char*>(payload);
    std::string replacement;
    if (length > kMaxMessagePayload) {
        replacement = Format("MESSAGE_BUF_SIZE too small (=%d)", int(kMessageBufferSize));
        bytes = replacement.data();
        length = replacement.size();
    }
    PutBig16(out, command);
    PutBig16(out + 2, static_cast<uint16_t>(sessionId_ & 0xFFFF));
    PutBig32(out + 4, static_cast<uint32_t>(length));
    if (bytes != nullptr && length > 0)
        std::memcpy(out + kMessageHeaderSize, bytes, length);
    return length + kMessageHeaderSize;
}

void MessageEndpoint::UnpackHeader(const char* in, uint16_t& command, uint32_t& length) {
    command = static_cast<uint16_t>(GetBig(in, 2));
    sessionId_ = GetBig(in + 2, 2);
    length = GetBig(in + 4, 4);
}

bool MessageEndpoint::SendCommand(uint16_t command, const void* payload, size_t length) {
    char packed[kMessageBufferSize];
    if (payload == nullptr)
        length = 0;
    const size_t size = PackMessage(packed, command, payload, length);
    return Send(packed, static_cast<int>(size));
}

bool MessageEndpoint::SendMessage(const void* payload, size_t length) {
    return SendCommand(role_ == EndpointRole::Client ? kCommandRequest : kCommandReply, payload,
                       length);
}

bool MessageEndpoint::ReceiveMessage(uint16_t& command, char* buffer, size_t capacity,
                                     uint32_t& length) {
    char header[kMessageHeaderSize];
    command = 0;
    length = 0;
    if (!Receive(header, sizeof header, false))
        return false;
    uint32_t announced = 0;
    UnpackHeader(header, command, announced);
    if (announced == 0)
        return true;
    if (buffer == nullptr || capacity == 0 || announced > capacity - 1 ||
        announced > kMaxMessagePayload) {
        CloseConnection();
        return false;
    }
    if (!Receive(buffer, static_cast<int>(announced), false))
        return false;
    buffer[announced] = '\0';
    length = announced;
    return true;
}

bool MessageEndpoint::NotifyDisconnect() {
    CheckRole(EndpointRole::Client);
    if (SendCommand(kCommandDisconnect, nullptr, 0)) {
        CloseConnection();
        return true;
    }
    std::fputs(Format("Client write failed (on port %d)\n", int(GetPort())).c_str(), stdout);
    return false;
}

void MessageEndpoint::HandleRequest(uint16_t, char*, uint32_t) {
    CheckRole(EndpointRole::Server);
    static const char kVoid[] = "VOID";
    SendMessage(kVoid, sizeof kVoid);
}

void MessageEndpoint::Trace(void*, const char*) {}

} // namespace qm
