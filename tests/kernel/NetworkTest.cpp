// The network built-ins between kest processes on the loopback address: a
// server process (its server call never returns) and clients, the kest
// driver's or this test's own socket. Every wait is bounded and every child
// is killed and reaped when its test ends.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string readfile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A kest process with its standard output and error in files.
class Kest {
  public:
    Kest(const std::vector<std::string>& args, const fs::path& out, const fs::path& err) {
        std::vector<std::string> all{KEST_TOOL};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        if (posix_spawn(&pid_, all[0].c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Kest() { Kill(); }
    Kest(const Kest&) = delete;
    Kest& operator=(const Kest&) = delete;

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }

    // The exit status once the process has ended within the limit; -1 when it
    // had to be killed.
    int Wait(std::chrono::milliseconds limit) {
        const auto end = Clock::now() + limit;
        while (pid_ > 0) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            if (Clock::now() > end)
                break;
            std::this_thread::sleep_for(10ms);
        }
        Kill();
        return -1;
    }

    bool Running() {
        int status = 0;
        return pid_ > 0 && waitpid(pid_, &status, WNOHANG) == 0;
    }

    void Kill() {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

  private:
    pid_t pid_ = -1;
};

// A port nothing listens on at the moment. Test processes run side by side,
// so each starts its search from its own process id, below the range the
// system hands out for port 0: two tests never pick the same port.
uint16_t freeport() {
    const int start = 10000 + static_cast<int>(getpid() % 20000);
    for (int candidate = start; candidate < start + 2000; ++candidate) {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(candidate));
        const bool free = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(fd);
        if (free)
            return static_cast<uint16_t>(candidate);
    }
    return 0;
}

// The local addresses ("0100007F" for 127.0.0.1) of the sockets listening on
// the port, from the kernel's table: looking does not connect, and the
// server accepts only one connection.
std::vector<std::string> listeners(uint16_t port) {
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::vector<std::string> found;
    char wanted[8];
    std::snprintf(wanted, sizeof wanted, ":%04X", port);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (state == "0A" && local.size() > 5 && local.substr(local.size() - 5) == wanted)
            found.push_back(local.substr(0, local.size() - 5));
    }
    return found;
}

bool waitlistening(uint16_t port) {
    const auto end = Clock::now() + 10s;
    while (Clock::now() < end) {
        if (!listeners(port).empty())
            return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

bool waitfor(const fs::path& file, const std::string& text) {
    const auto end = Clock::now() + 10s;
    while (Clock::now() < end) {
        if (readfile(file).find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

// Processor time used by a process so far, in clock ticks.
long cputicks(pid_t pid) {
    std::string stat = readfile("/proc/" + std::to_string(pid) + "/stat");
    size_t at = stat.rfind(')');
    if (at == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(at + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::atol(field.c_str());
        if (i == 15)
            stime = std::atol(field.c_str());
    }
    return utime + stime;
}

class NetworkTest : public ::testing::Test {
  protected:
    NetworkTest() {
        std::string pattern = (fs::temp_directory_path() / "kestnetXXXXXX").string();
        folder = mkdtemp(pattern.data()) != nullptr ? fs::path(pattern) : fs::path();
        port = std::to_string(freeport());
    }
    ~NetworkTest() override {
        std::error_code ignored;
        if (!folder.empty())
            fs::remove_all(folder, ignored);
    }

    // Starts the server process and waits until it listens.
    std::unique_ptr<Kest> startserver() {
        auto server =
            std::make_unique<Kest>(std::vector<std::string>{"-e", "(server \"" + port + "\")"},
                                   folder / "server.out", folder / "server.err");
        EXPECT_TRUE(server->Started());
        EXPECT_TRUE(waitlistening(static_cast<uint16_t>(std::stoi(port))))
            << readfile(folder / "server.err");
        return server;
    }

    // Runs a client script to its end; its printed values, one per line.
    std::vector<std::string> runclient(const std::string& script, const std::string& name) {
        const fs::path file = folder / (name + ".kest");
        std::ofstream(file, std::ios::binary) << script;
        Kest client({file.string()}, folder / (name + ".out"), folder / (name + ".err"));
        EXPECT_EQ(client.Wait(20s), 0) << readfile(folder / (name + ".err"));
        std::vector<std::string> lines;
        std::istringstream out(readfile(folder / (name + ".out")));
        for (std::string line; std::getline(out, line);)
            lines.push_back(line);
        return lines;
    }

    fs::path folder;
    std::string port;
};

TEST_F(NetworkTest, ServerAnswersOneClientAndLogsErrors) {
    ASSERT_FALSE(folder.empty());
    auto server = startserver();
    // It evaluates whatever arrives, so it listens on the loopback address only.
    EXPECT_EQ(listeners(static_cast<uint16_t>(std::stoi(port))),
              std::vector<std::string>{"0100007F"});

    const auto lines = runclient("(setq c (client \"127.0.0.1\" \"" + port +
                                     "\"))\n"
                                     "(send '(+ 1 2) c)\n"
                                     "(send '(car 5) c)\n"
                                     "(send '(def sq (lam (x) (* x x))) c)\n"
                                     "(send '(sq 12) c)\n"
                                     "(send \"a^nb\" c)\n"
                                     "(send '(quote {1 2}) c)\n"
                                     "(send 1 'x)\n"
                                     "(send \"\" c)\n",
                                 "client");
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0].rfind("<dialog:", 0), 0u);
    EXPECT_EQ(lines[1], "3");
    EXPECT_EQ(lines[2], "nil");
    EXPECT_EQ(lines[3], "sq");
    EXPECT_EQ(lines[4], "144");
    EXPECT_EQ(lines[5], "\"a^nb\"");
    EXPECT_EQ(lines[6], "{1 2}");
    EXPECT_EQ(lines[7], "\"\"");
    EXPECT_NE(readfile(folder / "client.err").find("send: dialog expected: x"), std::string::npos);
    EXPECT_NE(readfile(folder / "server.err").find("car: list expected: 5"), std::string::npos);

    // The client has gone: the server's receive fails instead of spinning,
    // and a second client is not served.
    EXPECT_TRUE(waitfor(folder / "server.err", "slaveserver read failed"));
    runclient("(client \"127.0.0.1\" \"" + port + "\")\n", "second");
    EXPECT_NE(readfile(folder / "second.err").find("can't connect to service/host"),
              std::string::npos);

    // The thread that called server never returns, and waits without using
    // the processor.
    ASSERT_TRUE(server->Running());
    const long before = cputicks(server->Pid());
    std::this_thread::sleep_for(1s);
    const long used = cputicks(server->Pid()) - before;
    EXPECT_LT(used, sysconf(_SC_CLK_TCK) / 4);
    EXPECT_EQ(readfile(folder / "server.out"), "");
}

// A raw connection that sends bytes as it likes and reads reply lines.
class RawClient {
  public:
    explicit RawClient(uint16_t port) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawClient() { Close(); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool Connected() const { return connected_; }
    void Send(const std::string& text) {
        ASSERT_EQ(send(fd_, text.data(), text.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(text.size()));
    }
    // The next reply line without its line end; "<timeout>" or "<closed>".
    std::string Reply() {
        const auto end = Clock::now() + 10s;
        for (;;) {
            size_t lf = held_.find('\n');
            if (lf != std::string::npos) {
                std::string line = held_.substr(0, lf);
                held_.erase(0, lf + 1);
                return line;
            }
            pollfd p{fd_, POLLIN, 0};
            if (Clock::now() > end || poll(&p, 1, 100) < 0)
                return "<timeout>";
            if ((p.revents & (POLLIN | POLLHUP)) == 0)
                continue;
            char buffer[2048];
            ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
            if (got <= 0)
                return "<closed>";
            held_.append(buffer, static_cast<size_t>(got));
        }
    }
    void FinishSending() { shutdown(fd_, SHUT_WR); }
    void Close() {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
    }

  private:
    int fd_ = -1;
    bool connected_ = false;
    std::string held_;
};

TEST_F(NetworkTest, MessagesAreFramedByTheirLineEnds) {
    ASSERT_FALSE(folder.empty());
    auto server = startserver();
    RawClient raw(static_cast<uint16_t>(std::stoi(port)));
    ASSERT_TRUE(raw.Connected());

    // A message split over two sends, then two messages in one.
    raw.Send("(+ 1");
    std::this_thread::sleep_for(100ms);
    raw.Send(" 2)\n");
    EXPECT_EQ(raw.Reply(), "3");
    raw.Send("(+ 1 1)\n(* 2 2)\n");
    EXPECT_EQ(raw.Reply(), "2");
    EXPECT_EQ(raw.Reply(), "4");

    // An unfinished expression and an over-long message are errors answered
    // with nil; the exchange goes on in step.
    raw.Send("(1 2\n");
    EXPECT_EQ(raw.Reply(), "nil");
    raw.Send(std::string(3000, 'a') + "\n(+ 3 3)\n");
    EXPECT_EQ(raw.Reply(), "nil");
    EXPECT_EQ(raw.Reply(), "6");
    EXPECT_NE(readfile(folder / "server.err").find("message too long"), std::string::npos);

    // A reply that would not fit in a message is refused the same way.
    raw.Send("(subststr \"xxxxxxxxxx\" \"x\" \"" + std::string(150, 'y') + "\")\n");
    EXPECT_EQ(raw.Reply(), "nil");
    raw.Send("(strlen \"abc\")\n");
    EXPECT_EQ(raw.Reply(), "3");

    // A last message without a line end is still answered; then the server
    // ends the connection.
    raw.Send("(+ 20 22)");
    raw.FinishSending();
    EXPECT_EQ(raw.Reply(), "42");
    EXPECT_EQ(raw.Reply(), "<closed>");
    EXPECT_TRUE(waitfor(folder / "server.err", "slaveserver read failed"));
}

TEST_F(NetworkTest, ClientRequestsTooLongAreRefusedBeforeSending) {
    ASSERT_FALSE(folder.empty());
    auto server = startserver();
    const auto lines = runclient("(setq c (client \"localhost\" \"" + port +
                                     "\"))\n"
                                     "(setq k \"0123456789012345678901234567890123456789\")\n"
                                     "(setq k (strconc k k k k k k k k k k k k k k k k k k k k k k "
                                     "k k k k k k k))\n"
                                     "(send k c)\n"
                                     "(send '(- 5 2) c)\n",
                                 "long");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3], "3");
    EXPECT_NE(readfile(folder / "long.err").find("send: message too long"), std::string::npos);
}

} // namespace
