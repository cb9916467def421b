// The test server: two server-role endpoints, each serving its port on a
// thread of its own until the server is destroyed (a shutdown command ends
// each serving loop at once) or its lifetime has passed.
#include "tests/repository/server/TestServer.h"

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Format.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <unistd.h>

namespace qm::testing {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int32_t kServerTimeout = 2;  // seconds a server waits for a client or a message
constexpr auto kServerLifetime = 300s; // the longest a test server runs
constexpr auto kLongestSilence = 20s;  // the longest a silent answer holds a connection

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '^')
            out += '^';
        out += c;
    }
    return out + "\"";
}

// A client that tells a serving endpoint to shut down.
class Controller : public MessageEndpoint {
  public:
    Controller() : MessageEndpoint(EndpointRole::Client) {}
    void Stop(uint16_t port) {
        if (Connect("127.0.0.1", port, kServerTimeout))
            SendCommand(kCommandShutdown, nullptr, 0);
        Disconnect();
    }
};

} // namespace

uint16_t PickPorts(int count, const std::function<bool(uint16_t first)>& open) {
    // Each process starts from its own block of 50 ports in 10000..31999,
    // below the range the system hands out for port 0, and goes on from
    // where its last search ended. Blocks keep processes started one after
    // the other apart: with neighbouring starts, one process's server took
    // the port another had just closed to show that nothing listens there.
    constexpr int kLowest = 10000;
    constexpr int kHighest = 32000;
    constexpr int kBlock = 50;
    static int next =
        kLowest + static_cast<int>(::getpid() % ((kHighest - kLowest) / kBlock)) * kBlock;
    for (int tries = 0; tries < 2000; ++tries) {
        if (next + count > kHighest)
            next = kLowest;
        const int candidate = next;
        next += count;
        if (open(static_cast<uint16_t>(candidate)))
            return static_cast<uint16_t>(candidate);
    }
    return 0;
}

struct TestServer::Node {
    uint8_t kind = 1; // 1 folder, 2 project, 3 version
    std::string name;
    std::string props;
    std::string who = "tester";
    std::string comment;
    bool stable = false;
    std::string file;
    std::time_t time = 0;
    Node* parent = nullptr;
    std::vector<std::unique_ptr<Node>> children;

    Node* Child(const std::string& childName) {
        for (auto& child : children)
            if (child->name == childName)
                return child.get();
        return nullptr;
    }
    Node* Add(uint8_t childKind, const std::string& childName, const std::string& note) {
        auto node = std::make_unique<Node>();
        node->kind = childKind;
        node->name = childName;
        node->comment = note;
        node->parent = this;
        node->time = std::time(nullptr);
        children.push_back(std::move(node));
        return children.back().get();
    }
    std::string Path() const {
        return parent == nullptr ? std::string() : parent->Path() + name + "\\";
    }
};

class TestServer::Endpoint : public ServerEndpoint {
  public:
    Endpoint(TestServer& server, bool control) : server_(server), control_(control) {}

    void HandleRequest(uint16_t, char* payload, uint32_t length) override {
        server_.Handle(*this, control_, std::string(payload, ::strnlen(payload, length)));
    }
    bool Reply(const std::string& text) { return SendText(text); }
    bool ReplyWithHeader(const std::string& text, uint16_t id) {
        SetSessionId(id);
        return SendText(text);
    }

  private:
    TestServer& server_;
    bool control_;
};

TestServer::TestServer() : root_(std::make_unique<Node>()) {
    deadline_ = Clock::now() + kServerLifetime;
    controlPort_ = PickPorts(2, [this](uint16_t first) {
        auto control = std::make_unique<Endpoint>(*this, true);
        auto data = std::make_unique<Endpoint>(*this, false);
        if (!control->Listen(first, kServerTimeout) || !data->Listen(first + 1, kServerTimeout))
            return false;
        control_ = std::move(control);
        data_ = std::move(data);
        return true;
    });
    if (controlPort_ == 0)
        return;
    controlThread_ = std::thread([this] { Serve(*control_); });
    dataThread_ = std::thread([this] { Serve(*data_); });
}

TestServer::~TestServer() {
    stopping_ = true;
    if (controlPort_ != 0) {
        Controller().Stop(controlPort_);
        Controller().Stop(static_cast<uint16_t>(controlPort_ + 1));
    }
    if (controlThread_.joinable())
        controlThread_.join();
    if (dataThread_.joinable())
        dataThread_.join();
}

void TestServer::Serve(Endpoint& endpoint) {
    while (!stopping_ && Clock::now() < deadline_) {
        if (endpoint.ServeCommands() != kServeIdle)
            break;
    }
    endpoint.Close();
}

void TestServer::Answer(ServerAnswer answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back(std::move(answer));
}

void TestServer::SetLoginReply(const std::string& reply) {
    std::lock_guard<std::mutex> lock(mutex_);
    loginReply_ = reply;
}

std::vector<std::string> TestServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::string TestServer::LatestVersionFile(const std::string& projectPath) const {
    std::lock_guard<std::mutex> lock(mutex_);
    Node* node = root_.get();
    for (const std::string& part : SplitPath(projectPath))
        if (node != nullptr)
            node = node->Child(part);
    if (node == nullptr || node->children.empty())
        return {};
    return node->children.back()->file;
}

void TestServer::Handle(Endpoint& endpoint, bool control, const std::string& request) {
    ServerAnswer answer;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
        if (!answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        }
    }
    switch (answer.kind) {
    case ServerAnswer::Normal:
        HandleNormally(endpoint, control, request);
        return;
    case ServerAnswer::Canned:
        endpoint.Reply(answer.text);
        return;
    case ServerAnswer::Header:
        endpoint.ReplyWithHeader(answer.text, answer.sessionId);
        return;
    case ServerAnswer::Raw:
        endpoint.Send(answer.text.data(), static_cast<int>(answer.text.size()));
        endpoint.CloseConnection();
        return;
    case ServerAnswer::StallMidFile: {
        std::string packet = "MORE " + std::string(kPacketData, 'x');
        endpoint.SendMessage(packet.data(), packet.size());
        [[fallthrough]];
    }
    case ServerAnswer::Silent: {
        // Silent until the client closes its end (or sends more), so that a
        // client that gave up finds the port served again at once.
        const auto end = Clock::now() + kLongestSilence;
        endpoint.SetWaiter([this, end](int fd, bool, int) {
            pollfd entry{fd, POLLIN, 0};
            ::poll(&entry, 1, 10);
            return !stopping_ && Clock::now() < end;
        });
        endpoint.SetTimeout(0);
        char next = 0;
        endpoint.Receive(&next, 1, true);
        endpoint.SetWaiter(nullptr);
        endpoint.SetTimeout(kServerTimeout);
        endpoint.CloseConnection();
        return;
    }
    case ServerAnswer::Drop:
        endpoint.CloseConnection();
        return;
    case ServerAnswer::DropMidFile: {
        std::string packet = "MORE " + std::string(kPacketData, 'x');
        endpoint.SendMessage(packet.data(), packet.size());
        endpoint.CloseConnection();
        return;
    }
    }
}

void TestServer::HandleNormally(Endpoint& endpoint, bool control, const std::string& request) {
    std::string word;
    size_t position = 0;
    NextReplyToken(request, word, position);
    if (control) {
        if (word == "Login") {
            std::string reply;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                reply = loginReply_;
            }
            endpoint.SetSessionId(7);
            endpoint.Reply(reply);
        } else if (word == "Logout" || word == "Alive") {
            endpoint.Reply("_OK_");
        } else {
            endpoint.Reply("ERR_ UNCL Unknown request");
        }
        return;
    }
    std::string stableWord;
    if (word == "Baseline")
        NextReplyToken(request, stableWord, position);
    std::string path;
    NextBracketedToken(request, path, position);
    const std::string rest = position < request.size() ? request.substr(position) : "";
    std::vector<std::string> parts = SplitPath(path);

    std::unique_lock<std::mutex> lock(mutex_);
    Node* node = root_.get();
    for (const std::string& part : parts)
        if (node != nullptr)
            node = node->Child(part);

    if (word == "GetProps") {
        if (node == nullptr) {
            lock.unlock();
            endpoint.Reply("ERR_ FNFD No such item");
            return;
        }
        std::string text = "(Vaultkeep \"2.0\" repository)\n";
        for (const auto& child : node->children) {
            std::tm local{};
            localtime_r(&child->time, &local);
            text += Format("(%s %s %d (props %s %s (%d %d %d %d %d %d) %s))\n",
                           child->kind == 1   ? "folder"
                           : child->kind == 2 ? "project"
                                              : "version",
                           Quoted(child->name).c_str(), child->stable ? 2 : 0,
                           Quoted(child->props).c_str(), Quoted(child->who).c_str(),
                           local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                           local.tm_min, local.tm_sec, Quoted(child->comment).c_str());
        }
        const std::string listing = store_ / Format("listing-%p.rep", static_cast<void*>(node));
        lock.unlock();
        WriteFileReplacing(listing, text);
        endpoint.SendFile(listing);
        return;
    }
    if (word == "CreateFolder") {
        Node* parent = root_.get();
        for (size_t i = 0; i + 1 < parts.size() && parent != nullptr; ++i)
            parent = parent->Child(parts[i]);
        if (parts.empty() || node != nullptr || parent == nullptr || parent->kind != 1) {
            lock.unlock();
            endpoint.Reply("ERR_ CCFD Can't create folder");
            return;
        }
        parent->Add(1, parts.back(), rest);
        lock.unlock();
        endpoint.Reply("_OK_");
        return;
    }
    if (word == "DeleteItem") {
        if (node == nullptr || node == root_.get()) {
            lock.unlock();
            endpoint.Reply("ERR_ NDEX No such item");
            return;
        }
        auto& siblings = node->parent->children;
        for (auto it = siblings.begin(); it != siblings.end(); ++it)
            if (it->get() == node) {
                siblings.erase(it);
                break;
            }
        lock.unlock();
        endpoint.Reply("_OK_");
        return;
    }
    if (word == "CheckOut") {
        Node* version = nullptr;
        if (node != nullptr && node->kind == 2 && !node->children.empty())
            version = rest.empty() ? node->children.back().get() : node->Child(rest);
        if (node != nullptr && node->kind == 3)
            version = node;
        const std::string file = version != nullptr ? version->file : store_ / "missing";
        lock.unlock();
        endpoint.SendFile(file);
        return;
    }
    if (word == "CheckIn") {
        // The item is a version (its project gets a new one), a project, or
        // a new project's name under an existing folder.
        Node* project = nullptr;
        std::string newProject;
        Node* folder = nullptr;
        if (node != nullptr && node->kind == 3)
            project = node->parent;
        else if (node != nullptr && node->kind == 2)
            project = node;
        if (node == nullptr && !parts.empty()) {
            folder = root_.get();
            for (size_t i = 0; i + 1 < parts.size() && folder != nullptr; ++i)
                folder = folder->Child(parts[i]);
            if (folder != nullptr && folder->kind == 1)
                newProject = parts.back();
            else
                folder = nullptr;
        }
        if (project == nullptr && folder == nullptr) {
            lock.unlock();
            endpoint.Reply("ERR_ NOBV There is no base version");
            return;
        }
        const std::string file = store_ / Format("version-%d.pro", ++versionCounter_);
        const std::string name = Format("%06d", versionCounter_);
        lock.unlock();
        endpoint.SendOk();
        try {
            endpoint.ReceiveFile(file);
        } catch (const CKestException& e) {
            endpoint.Reply("ERR_ CCIN " + e.Message());
            return;
        }
        lock.lock();
        if (project == nullptr)
            project = folder->Add(2, newProject, "");
        std::string base = project->children.empty() ? "" : project->children.back()->name;
        Node* version = project->Add(3, name, rest);
        version->file = file;
        version->props = base + ":" + name + "::";
        const std::string versionPath = version->Path();
        lock.unlock();
        endpoint.Reply("_OK_ [" + versionPath + "]");
        return;
    }
    if (word == "Baseline") {
        if (node == nullptr || node->kind != 3) {
            lock.unlock();
            endpoint.Reply("ERR_ NDEX No such version");
            return;
        }
        node->stable = stableWord == "Y";
        const std::string versionPath = node->Path();
        lock.unlock();
        endpoint.Reply("_OK_ [" + versionPath + "]");
        return;
    }
    lock.unlock();
    endpoint.Reply("ERR_ UNCL Unknown request");
}

} // namespace qm::testing
