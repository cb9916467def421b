// The TCP stream classes between two sockets of this process on the loopback
// address: the client and server roles, exact-length receives, the stream
// buffer's bulk transfers and the time-out of a receive.
#include "platform/Socket.h"
#include "tests/repository/server/TestServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <poll.h>

namespace qm {
namespace {

// A server-role socket listening on a port of this process's range.
std::unique_ptr<TcpSocket> OpenServer() {
    auto server = std::make_unique<TcpSocket>();
    testing::PickPorts(1, [&](uint16_t port) {
        server->SetPort(port);
        return server->Open();
    });
    return server;
}

std::unique_ptr<TcpSocket> ConnectClient(uint16_t port, int32_t timeout = 5) {
    auto client = std::make_unique<TcpSocket>();
    client->SetHostName("127.0.0.1");
    client->SetPort(port);
    client->SetTimeout(timeout);
    EXPECT_TRUE(client->Open());
    EXPECT_TRUE(client->Connect());
    return client;
}

TEST(TcpSocket, OpenNeedsAHostOrAPort) {
    TcpSocket socket;
    EXPECT_FALSE(socket.Open());
    EXPECT_FALSE(socket.IsConnected());
    EXPECT_EQ(socket.GetPort(), 0);
}

TEST(TcpSocket, RolesConnectAcceptAndExactReceives) {
    auto server = OpenServer();
    ASSERT_NE(server->GetPort(), 0);
    server->SetTimeout(5);
    // A server does not connect; a client does not accept.
    EXPECT_FALSE(server->Connect());
    auto client = ConnectClient(server->GetPort());
    EXPECT_FALSE(client->Accept());
    ASSERT_TRUE(server->Accept());
    EXPECT_TRUE(client->IsConnected());
    EXPECT_EQ(client->GetPort(), server->GetPort());

    char buffer[16] = {};
    EXPECT_TRUE(server->Receive(buffer, 0, false)); // nothing asked, nothing waited for
    ASSERT_TRUE(client->Send("hello world", 11));
    ASSERT_TRUE(server->Receive(buffer, 5, true));
    EXPECT_EQ(std::string(buffer, 5), "hello");
    ASSERT_TRUE(server->Receive(buffer, 11, false)); // the peek took nothing
    EXPECT_EQ(std::string(buffer, 11), "hello world");

    // The peer closes before the whole length arrived.
    ASSERT_TRUE(client->Send("abc", 3));
    client->CloseConnection();
    EXPECT_FALSE(client->IsConnected());
    EXPECT_FALSE(server->Receive(buffer, 4, false));

    // The client opens afresh after closing its connection.
    EXPECT_TRUE(client->Open());
    EXPECT_TRUE(client->Connect());
    EXPECT_TRUE(client->IsConnected());
}

TEST(TcpSocket, StreamBufferCarriesBlocksNotCharacters) {
    auto server = OpenServer();
    server->SetTimeout(5);
    auto client = ConnectClient(server->GetPort());
    ASSERT_TRUE(server->Accept());
    EXPECT_EQ(client->sputc('x'), std::char_traits<char>::eof());
    EXPECT_EQ(client->sputn("block", 5), 5);
    char buffer[8] = {};
    EXPECT_EQ(server->sgetn(buffer, 5), 5);
    EXPECT_EQ(std::string(buffer, 5), "block");
    EXPECT_EQ(server->sbumpc(), std::char_traits<char>::eof());
}

TEST(TcpSocket, ReceiveGivesUpAfterTheTimeout) {
    auto server = OpenServer();
    server->SetTimeout(5);
    auto client = ConnectClient(server->GetPort(), 1);
    ASSERT_TRUE(server->Accept());
    char buffer[4];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client->Receive(buffer, 4, false));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

// The waiter is asked while a receive waits, and before every read even
// when the bytes are there; returning false ends the wait long before the
// time-out, returning true leaves the time-out in force.
TEST(TcpSocket, AWaiterRunsWhileWaitingAndCanEndTheWait) {
    auto server = OpenServer();
    server->SetTimeout(5);
    auto client = ConnectClient(server->GetPort(), 30);
    ASSERT_TRUE(server->Accept());
    char byte = 0;
    int calls = 0;
    int longest = 0;
    // Waits 10 ms at a time, as a window's event loop would between events.
    auto wait = [&](int fd, bool forWriting, int timeoutMs) {
        EXPECT_FALSE(forWriting);
        longest = std::max(longest, timeoutMs);
        pollfd entry{fd, POLLIN, 0};
        ::poll(&entry, 1, std::min(timeoutMs, 10));
        return ++calls < 10;
    };
    client->SetWaiter(wait);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client->Receive(&byte, 1, false));
    EXPECT_EQ(calls, 10);
    EXPECT_GT(longest, 20000); // offered the rest of the 30 s time-out
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

    calls = -1000;
    ASSERT_TRUE(server->Send("x", 1));
    EXPECT_TRUE(client->Receive(&byte, 1, false));
    EXPECT_EQ(byte, 'x');
    EXPECT_GE(calls, -999);

    client->SetTimeout(1);
    calls = -1000;
    start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client->Receive(&byte, 1, false));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_GT(calls, -990);
}

TEST(TcpSocket, ConnectToAPortNobodyListensOnFails) {
    uint16_t port = 0;
    {
        auto server = OpenServer();
        port = server->GetPort();
    }
    TcpSocket client;
    client.SetHostName("127.0.0.1");
    client.SetPort(port);
    client.SetTimeout(2);
    ASSERT_TRUE(client.Open());
    EXPECT_FALSE(client.Connect());
    EXPECT_FALSE(client.IsConnected());
    char byte = 0;
    EXPECT_FALSE(client.Send(&byte, 1));
    bool hostFound = false;
    EXPECT_EQ(ConnectTcp("127.0.0.1", port, 2000, &hostFound), -1);
    EXPECT_TRUE(hostFound); // the address was there; nobody answered on it
}

} // namespace
} // namespace qm
