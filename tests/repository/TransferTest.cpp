// File transfer against a raw peer: the packets a file of a given size goes
// as, and what the receiver makes of packets, error replies, bad messages and
// a connection that drops in the middle of a file.
#include "platform/Errors.h"
#include "platform/Files.h"
#include "repository/RepositorySession.h"
#include "tests/repository/RepositoryTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sys/stat.h>

namespace qm {
namespace {

using testing::Frame;
using testing::RawPeer;
using testing::ServerEndpoint;

std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

std::string Packet(const char* tag, const std::string& data) {
    return testing::FrameBytes(kCommandReply, 0, std::string(tag) + " " + data);
}

struct Endpoints {
    testing::FakeHost host;
    testing::FakeStamps stamps;
    RepositorySession session{host, stamps};
};

TEST(FileTransfer, PacketsOfAFile) {
    struct Case {
        size_t size;
        std::vector<std::pair<std::string, size_t>> packets; // tag and data bytes
    };
    const Case cases[] = {
        {4082, {{"LAST", 4082}}},
        {4083, {{"MORE", 4082}, {"LAST", 1}}},
        {8164, {{"MORE", 4082}, {"LAST", 4082}}},
        {0, {{"LAST", 0}}},
        {10000, {{"MORE", 4082}, {"MORE", 4082}, {"LAST", 1836}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        ScratchFolder folder;
        const std::string data = Pattern(c.size);
        ASSERT_TRUE(WriteFileReplacing(folder / "file.pro", data));
        std::vector<Frame> frames;
        {
            RawPeer peer([&](int fd) {
                Frame frame;
                while (testing::ReadFrame(fd, frame)) {
                    frames.push_back(frame);
                    if (frame.payload.rfind("MORE ", 0) != 0)
                        break;
                }
            });
            Endpoints ends;
            ASSERT_TRUE(ends.session.MessageEndpoint::Connect("127.0.0.1", peer.Port(), 5));
            EXPECT_TRUE(ends.session.SendFile(folder / "file.pro"));
        }
        ASSERT_EQ(frames.size(), c.packets.size());
        std::string received;
        for (size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(frames[i].command, kCommandRequest);
            EXPECT_EQ(frames[i].payload.substr(0, 5), c.packets[i].first + " ");
            EXPECT_EQ(frames[i].payload.size(), 5 + c.packets[i].second);
            received += frames[i].payload.substr(5);
        }
        EXPECT_EQ(received, data);
    }
}

TEST(FileTransfer, AFileThatCannotBeReadGoesAsAnErrorReply) {
    Frame frame;
    {
        RawPeer peer([&](int fd) { testing::ReadFrame(fd, frame); });
        Endpoints ends;
        ASSERT_TRUE(ends.session.MessageEndpoint::Connect("127.0.0.1", peer.Port(), 5));
        EXPECT_FALSE(ends.session.SendFile("/nonexistent/file.pro"));
    }
    EXPECT_EQ(frame.payload,
              std::string("ERR_ CRFF Can't read from file '/nonexistent/file.pro'") + '\0');
}

// What ReceiveFile makes of what a peer sends.
TEST(FileTransfer, ReceivingPacketsAndErrors) {
    const std::string more = Pattern(kPacketData);
    struct Case {
        const char* name;
        std::string bytes;
        std::optional<std::string> content; // the file received, or none for an error
        int32_t code;
        const char* message; // %s stands for the target's path
    };
    const Case cases[] = {
        {"leading blank kept", Packet("MORE", more) + Packet("LAST", "  two blanks"),
         more + "  two blanks", 0, ""},
        {"empty file", Packet("LAST", ""), std::string(), 0, ""},
        {"error reply", testing::TextReply("ERR_ NOPV No project version"), std::nullopt,
         0x56504F4E, "No project version"},
        {"bad packet", testing::TextReply("HELLO there"), std::nullopt, ReplyCode("RFFL"),
         "Received bad packet for file %s"},
        {"dropped mid-file", Packet("MORE", more), std::nullopt, ReplyCode("RFFL"),
         "Received bad packet for file %s"},
        {"tag glued to data", Packet("MOREX", more), std::nullopt, ReplyCode("RFFL"),
         "Received bad packet for file %s"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        const std::string target = folder / "target.pro";
        ASSERT_TRUE(WriteFileReplacing(target, "previous"));
        RawPeer peer([&](int fd) { testing::WriteBytes(fd, c.bytes); });
        Endpoints ends;
        ASSERT_TRUE(ends.session.MessageEndpoint::Connect("127.0.0.1", peer.Port(), 5));
        try {
            ends.session.ReceiveFile(target);
            ASSERT_TRUE(c.content.has_value()) << "no error";
            EXPECT_EQ(ReadWholeFile(target, 1 << 20).value_or("?"), *c.content);
        } catch (const CKestException& e) {
            ASSERT_FALSE(c.content.has_value()) << e.Message();
            EXPECT_EQ(e.GetCode(), c.code);
            std::string expected = c.message;
            if (const size_t at = expected.find("%s"); at != std::string::npos)
                expected.replace(at, 2, target);
            EXPECT_EQ(e.Message(), expected);
            // A failed transfer leaves the earlier file as it was.
            EXPECT_EQ(ReadWholeFile(target, 1 << 20).value_or("?"), "previous");
        }
        // Nothing but the target is left in the folder.
        EXPECT_EQ(ListFiles(folder.Path(), "*"), std::vector<std::string>{"target.pro"});
    }
}

TEST(FileTransfer, AFileThatCannotBeWrittenIsReadToTheEndThenRefused) {
    ScratchFolder folder;
    const std::string target = folder / "missing-folder/target.pro";
    RawPeer peer([&](int fd) {
        testing::WriteBytes(fd, Packet("MORE", Pattern(kPacketData)) + Packet("LAST", "end") +
                                    testing::TextReply("_OK_ after"));
    });
    Endpoints ends;
    ASSERT_TRUE(ends.session.MessageEndpoint::Connect("127.0.0.1", peer.Port(), 5));
    try {
        ends.session.ReceiveFile(target);
        ADD_FAILURE() << "no error";
    } catch (const CKestException& e) {
        EXPECT_EQ(e.GetCode(), ReplyCode("CWTF"));
        EXPECT_EQ(e.Message(), "Can't write to file " + target);
    }
    // The connection stayed in step: the next message is the one after the file.
    uint16_t command = 0;
    uint32_t length = 0;
    ASSERT_TRUE(
        ends.session.ReceiveMessage(command, ends.session.GetBuffer(), kMessageBufferSize, length));
    EXPECT_STREQ(ends.session.GetBuffer(), "_OK_ after");
}

TEST(FileTransfer, ReceivingOntoAReadOnlyFileLeavesItWritable) {
    ScratchFolder folder;
    const std::string target = folder / "target.pro";
    ASSERT_TRUE(WriteFileReplacing(target, "old", 0444));
    ASSERT_TRUE(IsReadOnlyFile(target) || ::geteuid() == 0);
    RawPeer peer([&](int fd) { testing::WriteBytes(fd, Packet("LAST", "new")); });
    Endpoints ends;
    ASSERT_TRUE(ends.session.MessageEndpoint::Connect("127.0.0.1", peer.Port(), 5));
    ends.session.ReceiveFile(target);
    EXPECT_EQ(ReadWholeFile(target, 100).value_or("?"), "new");
    EXPECT_FALSE(IsReadOnlyFile(target));
}

// A server-role endpoint that only sends files.
class FileServer : public ServerEndpoint {
  public:
    void Trace(void*, const char* text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

TEST(FileTransfer, AServerCreatesAMissingListingAndReportsOtherMissingFiles) {
    ScratchFolder folder;
    FileServer server;
    ASSERT_NE(testing::PickPorts(1, [&](uint16_t port) { return server.Listen(port, 5); }), 0);
    Endpoints ends;
    ASSERT_TRUE(ends.session.MessageEndpoint::Connect("127.0.0.1", server.GetPort(), 5));
    ASSERT_TRUE(server.Accept());

    server.SetTraceLevel(2);
    const std::string listing = folder / "Properties.rep";
    EXPECT_TRUE(server.SendFile(listing));
    ends.session.ReceiveFile(folder / "received.rep");
    EXPECT_EQ(ReadWholeFile(folder / "received.rep", 100).value_or("?"),
              "(Vaultkeep \"2.0\" repository)\n");
    EXPECT_EQ(server.lines, std::vector<std::string>{"Sending file: <" + listing + ">\r\n"});
    EXPECT_EQ(server.TraceLevel(), 2);

    const std::string missing = folder / "Other.pro";
    EXPECT_FALSE(server.SendFile(missing));
    try {
        ends.session.ReceiveFile(folder / "received.pro");
        ADD_FAILURE() << "no error";
    } catch (const CKestException& e) {
        EXPECT_EQ(e.GetCode(), ReplyCode("FNFD"));
        EXPECT_EQ(e.Message(), "File '" + missing + "' doesn't exist");
    }
    EXPECT_FALSE(FileExists(folder / "received.pro"));
}

} // namespace
} // namespace qm
