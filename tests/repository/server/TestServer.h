// A Vaultkeep server for the tests, on two threads of the test process: the
// control port and the data port after it, both on the loopback address, on
// ports taken from a range of this process's own. It keeps folders, projects
// and versions in memory and the versions' files in a scratch folder, and
// can be told to answer the next requests with canned, raw, silent or
// dropped replies. It stops when destroyed, at the latest after its
// lifetime, and every wait of its threads is bounded.
#pragma once

#include "repository/FileTransferEndpoint.h"
#include "tests/support/ScratchFolder.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qm::testing {

// Listening ports from this process's own range, below the range the system
// hands out for port 0 (parallel test processes once collided binding port
// 0): returns the first of count consecutive ports that open() accepts,
// trying at most 2000 candidates; 0 when none did. open(port) must keep the
// ports bound when it returns true, so no other process can take them.
uint16_t PickPorts(int count, const std::function<bool(uint16_t first)>& open);

// How the server answers one request.
struct ServerAnswer {
    enum Kind {
        Normal,       // as a server would
        Canned,       // replies with text (sent with its NUL)
        Raw,          // sends bytes as they are (no framing), then closes
        Silent,       // reads the request and never answers; holds the connection
        Drop,         // closes the connection without a reply
        DropMidFile,  // a file request: one MORE packet, then the connection closes
        StallMidFile, // a file request: one MORE packet, then silence as Silent
        Header,       // replies with text in a header whose sender id is sessionId
    };
    Kind kind = Normal;
    std::string text;
    uint16_t sessionId = 0;
};

// An endpoint in the server's role: it answers requests and makes none.
class ServerEndpoint : public FileTransferEndpoint {
  public:
    ServerEndpoint() : FileTransferEndpoint(EndpointRole::Server) {}
    int Login(const std::string&, const std::string&, std::string&, const std::string&) override {
        return 0;
    }
    void Logout() override {}
    void Alive() override {}
    void GetProps(const std::string&, const std::string&) override {}
    bool CheckOut(const std::string&, const std::string&, const std::string&, bool) override {
        return false;
    }
    bool CheckIn(const std::string&, const std::string&, const std::string&, bool,
                 std::string&) override {
        return false;
    }
    void Baseline(const std::string&, bool) override {}
};

class TestServer {
  public:
    TestServer();
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    bool Running() const { return controlPort_ != 0; }
    uint16_t ControlPort() const { return controlPort_; }
    std::string PortText() const { return std::to_string(controlPort_); }

    // The answer to the next request that arrives (on either port), in order.
    void Answer(ServerAnswer answer);
    // The reply to a login.
    void SetLoginReply(const std::string& reply);
    // Every request text received, in order.
    std::vector<std::string> Requests() const;
    // The file of the latest version of a project path ("A\P\"), or "".
    std::string LatestVersionFile(const std::string& projectPath) const;

    struct Node;

  private:
    class Endpoint;

    void Handle(Endpoint& endpoint, bool control, const std::string& request);
    void HandleNormally(Endpoint& endpoint, bool control, const std::string& request);
    void Serve(Endpoint& endpoint);

    ScratchFolder store_;
    std::unique_ptr<Endpoint> control_;
    std::unique_ptr<Endpoint> data_;
    uint16_t controlPort_ = 0;
    std::thread controlThread_;
    std::thread dataThread_;
    std::atomic<bool> stopping_{false};
    std::chrono::steady_clock::time_point deadline_;

    mutable std::mutex mutex_;
    std::deque<ServerAnswer> answers_;
    std::vector<std::string> requests_;
    std::string loginReply_ = "SID_ 7 15 20 F Test server";
    std::unique_ptr<Node> root_;
    int versionCounter_ = 0;
};

} // namespace qm::testing
