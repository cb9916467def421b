// Fuzz target of what a repository server sends: the first byte picks a
// request of the session, the rest is the byte stream the server answers
// with (frames, replies, packets or anything else), handed out in receives
// of the sizes asked. Every request must end with a result or an error,
// never a crash, an overrun or a hang; files received go to a scratch folder.
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Prompt.h"
#include "platform/TempFolder.h"
#include "repository/RepositorySession.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace qm;

class QuietHost : public RepositoryHost {
  public:
    std::string ServerHost() const override { return "127.0.0.1"; }
    std::string ServerPort() const override { return "7000"; }
    std::string CacheFile() const override { return cache; }
    void SetServerText(const std::string&) override {}
    void CloseProjectWindows(const std::string&, bool) override {}
    void ShowRepositoryBrowser() override {}
    void ShowPath(const std::string&) override {}
    void StartProgress(int) override {}
    void SetProgress(const std::string&, int) override {}
    void HideProgress() override {}
    std::string cache;
};

class FixedStamps : public ProjectStamps {
  public:
    double ReadProjectFileVersion(const std::string&) override { return 8.0; }
    void UpdateCheckedInProjectFile(const std::string&, const std::string&, int) override {}
};

// A session whose transport is the fuzz input: every receive takes the next
// bytes of the input, every send is dropped; a connection is always made.
class ScriptedSession : public RepositorySession {
  public:
    ScriptedSession(RepositoryHost& host, ProjectStamps& stamps)
        : RepositorySession(host, stamps) {}
    void Feed(const uint8_t* data, size_t size) {
        data_ = data;
        size_ = size;
        position_ = 0;
    }
    using RepositorySession::Connect;
    bool Open() override { return true; }
    void Close() override { connected_ = false; }
    bool Connect() override { return connected_ = true; }
    bool Accept() override { return false; }
    void CloseConnection() override { connected_ = false; }
    bool IsConnected() const override { return connected_; }
    bool SetTimeout(int32_t) override { return true; }
    bool Receive(void* buffer, int length, bool peek) override {
        if (!connected_ || length < 0 || static_cast<size_t>(length) > size_ - position_)
            return false;
        std::memcpy(buffer, data_ + position_, static_cast<size_t>(length));
        if (!peek)
            position_ += static_cast<size_t>(length);
        return true;
    }
    bool Send(const void*, int) override { return connected_; }

  private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t position_ = 0;
    bool connected_ = false;
};

struct Setup {
    Setup() {
        SetLogSink(&log);
        SetPromptService(&prompts);
        folder = PrivateTempFolder() + "/reply-fuzz-" + std::to_string(::getpid());
        ::mkdir(folder.c_str(), 0700);
        host.cache = folder + "/cache.rep";
        project = folder + "/project.pro";
        if (FILE* f = std::fopen(project.c_str(), "wb")) {
            std::fputs("(Quillmark \"8.0\" project)\n", f);
            std::fclose(f);
        }
    }
    ~Setup() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    NullLogSink log;
    HeadlessPrompts prompts;
    QuietHost host;
    FixedStamps stamps;
    std::string folder;
    std::string project;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup setup;
    setup.prompts.asked.clear();
    if (size == 0)
        return 0;
    ScriptedSession session(setup.host, setup.stamps);
    session.Feed(data + 1, size - 1);
    const std::string local = setup.folder + "/received.pro";
    std::string text;
    try {
        switch (data[0] % 10) {
        case 0: {
            std::string name = "fuzz user";
            session.Login("8.0", "840", name, "x");
            break;
        }
        case 1:
            session.Logout();
            break;
        case 2:
            session.Alive();
            break;
        case 3:
            session.GetProps("A\\", setup.host.cache);
            break;
        case 4:
            ::unlink(local.c_str());
            session.CheckOut("A\\P\\", "", local, false);
            break;
        case 5:
            session.CheckIn("A\\P\\", "comment", setup.project, false, text);
            break;
        case 6:
            session.Baseline("A\\P\\000001\\", true);
            break;
        case 7:
            session.CreateFolder("A\\", "comment");
            break;
        case 8:
            session.DeleteItem("A\\", "folder");
            break;
        case 9: {
            uint16_t command = 0;
            uint32_t length = 0;
            session.MessageEndpoint::Connect("127.0.0.1", 7000, 1);
            while (
                session.ReceiveMessage(command, session.GetBuffer(), kMessageBufferSize, length)) {
                std::string token;
                size_t position = 0;
                const std::string_view reply(session.GetBuffer(), length);
                NextReplyToken(reply, token, position);
                NextBracketedToken(reply, token, position);
                ReplyErrorText(reply.substr(std::min<size_t>(position, length)), token);
            }
            break;
        }
        }
    } catch (const CKestException&) {
    } catch (const CIgnoreException&) {
    }
    return 0;
}
