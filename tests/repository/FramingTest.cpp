// Message framing against a raw peer: what goes on the wire for a payload at
// and over the limit and for a session id over 16 bits, what a receiver makes
// of headers and lengths it must not trust, the reply text helpers, and the
// server role's serving loop.
#include "platform/Errors.h"
#include "repository/MessageEndpoint.h"
#include "tests/repository/RepositoryTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <mutex>

namespace qm {
namespace {

using testing::Frame;
using testing::RawPeer;

TEST(MessageFraming, PayloadLimitAndSenderId) {
    std::vector<Frame> frames(3);
    std::string full(kMaxMessagePayload, 'a');
    full[0] = ' ';
    full[100] = '\0';
    {
        RawPeer peer([&](int fd) {
            for (Frame& frame : frames)
                testing::ReadFrame(fd, frame);
        });
        MessageEndpoint client(EndpointRole::Client);
        ASSERT_TRUE(client.Connect("127.0.0.1", peer.Port(), 5));
        EXPECT_TRUE(client.SendMessage(full.data(), full.size()));
        std::string over(kMaxMessagePayload + 1, 'b');
        const std::string original = over;
        EXPECT_TRUE(client.SendMessage(over.data(), over.size()));
        EXPECT_EQ(over, original); // the caller's bytes are never overwritten
        client.SetSessionId(70000);
        EXPECT_TRUE(client.SendMessage("x", 2));
    } // the peer has read all three frames

    EXPECT_EQ(frames[0].command, kCommandRequest);
    EXPECT_EQ(frames[0].payload, full);
    EXPECT_EQ(frames[1].payload, "MESSAGE_BUF_SIZE too small (=4096)");
    EXPECT_EQ(frames[1].length, 34u);
    EXPECT_EQ(frames[2].sender, 4464); // 70000 in 16 bits
}

TEST(MessageFraming, EveryReplyHeaderSetsTheSessionIdAlsoToZero) {
    RawPeer peer([](int fd) {
        testing::WriteBytes(fd, testing::TextReply("one", 9) + testing::TextReply("two", 0));
    });
    MessageEndpoint client(EndpointRole::Client);
    client.SetSessionId(5);
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.Port(), 5));
    char buffer[kMessageBufferSize];
    uint16_t command = 0;
    uint32_t length = 0;
    ASSERT_TRUE(client.ReceiveMessage(command, buffer, sizeof buffer, length));
    EXPECT_EQ(command, kCommandReply);
    EXPECT_STREQ(buffer, "one");
    EXPECT_EQ(client.SessionId(), 9u);
    ASSERT_TRUE(client.ReceiveMessage(command, buffer, sizeof buffer, length));
    EXPECT_EQ(client.SessionId(), 0u);
}

// What a receiver does with the bytes a peer sends, into a buffer of 4096
// bytes followed by guard bytes that must stay untouched.
TEST(MessageFraming, ReceiveTrustsNoAnnouncedLength) {
    struct Case {
        const char* name;
        std::string bytes;
        bool received;
        uint32_t length;
    };
    const std::string big(200, 'z');
    const Case cases[] = {
        {"length 100000", testing::HeaderBytes(1, 0, 100000) + big, false, 0},
        {"length 4089", testing::HeaderBytes(1, 0, 4089) + big, false, 0},
        {"payload cut short", testing::HeaderBytes(1, 0, 100) + "ten bytes.", false, 0},
        {"header cut short", std::string("\0\1\0", 3), false, 0},
        {"length 0", testing::HeaderBytes(1, 3, 0), true, 0},
        {"length 4088", testing::FrameBytes(1, 3, std::string(4088, 'q')), true, 4088},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RawPeer peer([&](int fd) { testing::WriteBytes(fd, c.bytes); });
        MessageEndpoint client(EndpointRole::Client);
        ASSERT_TRUE(client.Connect("127.0.0.1", peer.Port(), 2));
        std::vector<char> buffer(kMessageBufferSize + 64, '#');
        uint16_t command = 0;
        uint32_t length = 0;
        EXPECT_EQ(client.ReceiveMessage(command, buffer.data(), kMessageBufferSize, length),
                  c.received);
        EXPECT_EQ(length, c.length);
        if (c.received && c.length == 0) {
            EXPECT_EQ(buffer[0], '#'); // untouched
        }
        if (c.length > 0) {
            EXPECT_EQ(buffer[c.length], '\0');
        }
        for (size_t i = kMessageBufferSize; i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], '#');
        if (std::string(c.name).rfind("length", 0) == 0 && !c.received) {
            EXPECT_FALSE(client.IsConnected()); // a frame too long drops the connection
        }
    }
}

TEST(MessageFraming, ReplyTextHelpers) {
    struct TokenCase {
        std::string text;
        size_t start;
        std::string token;
        size_t next;
    };
    const TokenCase tokens[] = {
        {"SID_ 7 15", 0, "SID_", 5}, {"SID_ 7 15", 5, "7", 7},
        {"SID_ 7 15", 7, "15", 9},   {"a\tb", 0, "a", 2},
        {"a  b", 0, "a", 2}, // exactly one white-space character is passed
        {"a  b", 2, "", 3},          {std::string("ab\0cd", 5), 0, "ab", 2},
        {"abc", 9, "", 9},
    };
    for (const TokenCase& c : tokens) {
        std::string token = "old";
        size_t position = c.start;
        NextReplyToken(c.text, token, position);
        EXPECT_EQ(token, c.token) << c.text;
        EXPECT_EQ(position, c.next) << c.text;
    }
    const TokenCase brackets[] = {
        {"_OK_ [A\\B\\] more", 0, "A\\B\\", 12},
        {"_OK_ [A]B\\]", 0, "A", 8}, // a ']' in the path cuts it there
        {"_OK_ [open", 0, "open", 10},
        {"_OK_ none", 0, "", 9},
    };
    for (const TokenCase& c : brackets) {
        std::string token = "old";
        size_t position = c.start;
        NextBracketedToken(c.text, token, position);
        EXPECT_EQ(token, c.token) << c.text;
        EXPECT_EQ(position, c.next) << c.text;
    }
    std::string message;
    EXPECT_EQ(ReplyErrorText("NOPV No project version", message), 0x56504F4E);
    EXPECT_EQ(message, "No project version");
    EXPECT_EQ(ReplyErrorText("NO", message), 0x4F4E);
    EXPECT_EQ(message, "");
    EXPECT_EQ(ReplyCode("NOBV"), 0x56424F4E);
}

// A server endpoint on its own thread, recording its trace lines.
class TracingServer : public MessageEndpoint {
  public:
    TracingServer() : MessageEndpoint(EndpointRole::Server) {}
    void Trace(void*, const char* text) override {
        std::lock_guard<std::mutex> lock(mutex);
        lines.push_back(text);
    }
    std::mutex mutex;
    std::vector<std::string> lines;
};

class CommandClient : public MessageEndpoint {
  public:
    CommandClient() : MessageEndpoint(EndpointRole::Client) {}
    using MessageEndpoint::SendCommand;
};

TEST(MessageFraming, ServerAnswersUntilShutdownWithoutEndingItsThread) {
    TracingServer server;
    const uint16_t port = testing::PickPorts(1, [&](uint16_t p) { return server.Listen(p, 5); });
    ASSERT_NE(port, 0);
    auto serving = std::async(std::launch::async, [&] { return server.ServeCommands(); });

    char buffer[kMessageBufferSize];
    uint16_t command = 0;
    uint32_t length = 0;
    CommandClient first;
    ASSERT_TRUE(first.Connect("127.0.0.1", port, 5));
    ASSERT_TRUE(first.SendMessage("request", 8));
    ASSERT_TRUE(first.ReceiveMessage(command, buffer, sizeof buffer, length));
    EXPECT_EQ(command, kCommandReply);
    EXPECT_STREQ(buffer, "VOID");
    EXPECT_TRUE(first.NotifyDisconnect());
    EXPECT_FALSE(first.IsConnected());

    CommandClient second;
    ASSERT_TRUE(second.Connect("127.0.0.1", port, 5));
    ASSERT_TRUE(second.SendCommand(kCommandReply, nullptr, 0));
    ASSERT_TRUE(second.ReceiveMessage(command, buffer, sizeof buffer, length));
    EXPECT_EQ(length, 0u);
    ASSERT_TRUE(second.SendCommand(kCommandShutdown, nullptr, 0));
    ASSERT_EQ(serving.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(serving.get(), kServeShutdown);
    EXPECT_EQ(server.lines,
              (std::vector<std::string>{"Server notified that a client has disconnected.\r\n",
                                        "Unexpected server command.\r\n",
                                        "Server asked to shutdown.\r\n"}));
}

TEST(MessageFraming, RolesAndPortsAreChecked) {
    MessageEndpoint client(EndpointRole::Client);
    EXPECT_THROW(client.Listen(20000, 1), CKestException);
    MessageEndpoint server(EndpointRole::Server);
    try {
        server.Connect("127.0.0.1", 20000, 1);
        ADD_FAILURE() << "a server connected";
    } catch (const CKestException& e) {
        EXPECT_EQ(e.Message(), "Confused client/server role");
    }
    // The port after 65535 is refused, not wrapped round to 0.
    EXPECT_FALSE(client.Connect("127.0.0.1", 65536, 1));
    EXPECT_FALSE(client.IsConnected());
}

} // namespace
} // namespace qm
