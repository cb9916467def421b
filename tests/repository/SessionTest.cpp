// The repository session against the test server (and against nothing, or a
// server that never answers): login replies, the texts the requests send,
// the error replies and the questions of a check-in and a check-out.
#include "document/ProjectFile.h"
#include "kernel/Kernel.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Prompt.h"
#include "repository/RepositorySession.h"
#include "tests/repository/RepositoryTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <utility>

namespace qm {
namespace {

const std::string kUnableToContact =
    "Unable to contact Vaultkeep. Please ensure that:\n1. Vaultkeep is running.\n2. ";
const std::string kNotAReply = "The server at host 127.0.0.1, port ";

class SessionTest : public ::testing::Test {
  protected:
    SessionTest() : prompts_(&prompts) {
        host.port = server.PortText();
        host.cacheFile = folder / "cache.rep";
    }

    // The error a request raises, or none.
    template <typename Request> std::optional<CKestException> ErrorOf(Request request) {
        try {
            request();
        } catch (const CKestException& e) {
            return e;
        }
        return std::nullopt;
    }

    testing::TestServer server;
    ScratchFolder folder;
    HeadlessPrompts prompts;
    testing::FakeHost host;
    testing::FakeStamps stamps;
    RepositorySession session{host, stamps};

  private:
    ScopedPromptService prompts_;
};

TEST_F(SessionTest, LoginReplies) {
    ASSERT_TRUE(server.Running());
    struct Case {
        const char* reply;
        int mode;
        uint32_t id;
        const char* rights;
        int32_t timeout;
        const char* serverText;
    };
    const Case cases[] = {
        {"SID_ 7 15 3 F any text", 1, 7, "OICD", 5, "any text"},
        {"SID_ 8 0 500 S Vaultkeep 2", -1, 8, "____", kMaxRepositoryTimeout, "Vaultkeep 2"},
        {"SID_ 9 5 20 Q", 0, 9, "O_C_", 20, ""},
        {"SID_ 10 10 100 Full", 1, 10, "_I_D", kMaxRepositoryTimeout, ""},
        {"SID_ 11 1 25 F", 1, 11, "O___", 25, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        server.SetLoginReply(c.reply);
        std::string name = "a b@h";
        EXPECT_EQ(session.Login("8.0", "840", name, "secret"), c.mode);
        EXPECT_EQ(session.SessionId(), c.id);
        EXPECT_EQ(FormatRights(session.Rights()), c.rights);
        EXPECT_EQ(session.TimeoutSeconds(), c.timeout);
        EXPECT_EQ(host.serverText, c.serverText);
        EXPECT_EQ(name, "a_b@h");
        EXPECT_EQ(session.UserName(), "a_b@h");
        EXPECT_FALSE(host.progressVisible);
    }
    EXPECT_EQ(server.Requests().back(), "Login 8.0 840 a_b@h secret");
}

TEST_F(SessionTest, LoginFailures) {
    struct Case {
        testing::ServerAnswer answer;
        int32_t code;
        std::string message; // a prefix of the message
    };
    const Case cases[] = {
        {{testing::ServerAnswer::Canned, "ERR_ INVU Invalid user"},
         ReplyCode("INVU"),
         "Invalid user"},
        // Something answered, but not as Vaultkeep does: a frame with another
        // text, a frame too long to be one, another protocol, half a header.
        {{testing::ServerAnswer::Canned, "Welcome"}, 0, kNotAReply},
        {{testing::ServerAnswer::Raw, testing::HeaderBytes(1, 0, 100000)}, 0, kNotAReply},
        {{testing::ServerAnswer::Raw, "HTTP/1.1 400 Bad Request\r\n\r\n"}, 0, kNotAReply},
        {{testing::ServerAnswer::Raw, std::string("\x00\x01", 2)}, 0, kNotAReply},
        // Nothing answered at all.
        {{testing::ServerAnswer::Drop, ""}, 0, kUnableToContact},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer.text);
        server.Answer(c.answer);
        std::string name = "me@here";
        auto error = ErrorOf([&] { session.Login("8.0", "840", name, "x"); });
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->GetCode(), c.code);
        EXPECT_EQ(error->Message().substr(0, c.message.size()), c.message);
        const bool notAReply =
            error->Message().find("answered with something that is not a Vaultkeep reply") !=
            std::string::npos;
        EXPECT_EQ(notAReply, c.message == kNotAReply);
        EXPECT_EQ(session.SessionId(), 0u); // not even the id of a garbage header
        EXPECT_FALSE(host.progressVisible);
        EXPECT_FALSE(session.IsConnected());
    }
}

TEST_F(SessionTest, NothingListeningOrASilentServerCannotBeContacted) {
    uint16_t closedPort = 0;
    {
        testing::TestServer gone;
        closedPort = gone.ControlPort();
    }
    host.port = std::to_string(closedPort);
    std::string name = "me@here";
    auto error = ErrorOf([&] { session.Login("8.0", "840", name, "x"); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->Message().substr(0, kUnableToContact.size()), kUnableToContact);
    EXPECT_NE(error->Message().find("host (127.0.0.1) and port (" + host.port + ")"),
              std::string::npos);

    // A server that accepts and never answers gives the same error once the
    // time-out has passed, instead of holding the program for ever.
    host.port = server.PortText();
    server.Answer({testing::ServerAnswer::Silent, ""});
    session.SetTimeoutSeconds(1);
    const auto start = std::chrono::steady_clock::now();
    error = ErrorOf([&] { session.Login("8.0", "840", name, "x"); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->Message().substr(0, kUnableToContact.size()), kUnableToContact);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
}

// A host that counts the waits of each request, waits at most 20 ms at a
// time, and cancels the request once it has waited for cancelAfter.
class CancellingHost : public testing::FakeHost {
  public:
    void BeginRequest() override {
        ++begun;
        start = std::chrono::steady_clock::now();
        cancelled = {};
    }
    void EndRequest() override { ++ended; }
    bool WaitForServer(int fd, bool forWriting, int timeoutMs) override {
        ++waits;
        if (onWait)
            onWait();
        if (cancelled == std::chrono::steady_clock::time_point{} &&
            std::chrono::steady_clock::now() - start >= cancelAfter)
            cancelled = std::chrono::steady_clock::now();
        if (cancelled != std::chrono::steady_clock::time_point{})
            return false;
        return FakeHost::WaitForServer(fd, forWriting,
                                       timeoutMs < 0 ? 20 : std::min(timeoutMs, 20));
    }

    std::chrono::milliseconds cancelAfter{200};
    std::function<void()> onWait;
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point cancelled;
    int begun = 0;
    int ended = 0;
    int waits = 0;
};

// A server that stops answering, before the reply or half-way through a
// file, holds a request only until the user cancels it: the request ends at
// once, quietly, with its connection closed and the files as they were.
TEST_F(SessionTest, ACancelledWaitEndsTheRequestAtOnce) {
    CancellingHost waiting;
    waiting.port = server.PortText();
    RepositorySession patient(waiting, stamps);
    patient.SetTimeoutSeconds(kMaxRepositoryTimeout);
    const std::string local = folder / "local.pro";
    const std::string cache = folder / "cache.rep";
    ASSERT_TRUE(WriteFileReplacing(local, "mine"));
    ASSERT_TRUE(WriteFileReplacing(cache, "listed before"));
    prompts.Script(PromptAnswer::Yes); // the check-out's overwrite question

    struct Case {
        const char* name;
        testing::ServerAnswer::Kind answer;
        std::function<void()> request;
        bool raises;
    };
    std::string client = "me@here";
    const Case cases[] = {
        {"Login", testing::ServerAnswer::Silent, [&] { patient.Login("8.0", "840", client, "x"); },
         true},
        {"GetProps", testing::ServerAnswer::StallMidFile, [&] { patient.GetProps("A\\", cache); },
         true},
        {"CheckOut", testing::ServerAnswer::StallMidFile,
         [&] { patient.CheckOut("A\\P\\", "", local, false); }, true},
        {"CreateFolder", testing::ServerAnswer::Silent,
         [&] { patient.CreateFolder("A\\B\\", "c"); }, true},
        {"Logout", testing::ServerAnswer::Silent, [&] { patient.Logout(); }, true},
        {"Alive", testing::ServerAnswer::Silent, [&] { patient.Alive(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.Answer({c.answer, ""});
        const int waitsBefore = waiting.waits;
        bool ignored = false;
        try {
            c.request();
        } catch (const CIgnoreException&) {
            ignored = true;
        }
        const auto ended = std::chrono::steady_clock::now();
        EXPECT_EQ(ignored, c.raises);
        ASSERT_NE(waiting.cancelled, std::chrono::steady_clock::time_point{});
        EXPECT_LT(ended - waiting.cancelled, std::chrono::seconds(1));
        EXPECT_GT(waiting.waits - waitsBefore, 2); // the host waited, again and again
        EXPECT_EQ(waiting.begun, waiting.ended);
        EXPECT_FALSE(patient.IsConnected());
        EXPECT_FALSE(patient.Busy());
        EXPECT_FALSE(waiting.progressVisible);
    }
    EXPECT_EQ(ReadWholeFile(local, 100).value_or("?"), "mine");
    EXPECT_EQ(ReadWholeFile(cache, 100).value_or("?"), "listed before");
    EXPECT_EQ(patient.SessionId(), 0u);

    // The next request is not cancelled by the last one's cancel.
    waiting.cancelAfter = std::chrono::hours(1);
    patient.CreateFolder("A\\", "c");
    EXPECT_EQ(server.Requests().back(), "CreateFolder [A\\] c");
}

// While one request waits (and the window's timers run), another request of
// the same session is refused, and the keep-alive sends nothing.
TEST_F(SessionTest, OneRequestAtATime) {
    CancellingHost waiting;
    waiting.port = server.PortText();
    waiting.cancelAfter = std::chrono::hours(1);
    RepositorySession own(waiting, stamps);
    std::optional<CKestException> nested;
    bool first = true;
    waiting.onWait = [&] {
        if (!std::exchange(first, false))
            return;
        own.Alive();
        nested = ErrorOf([&] { own.DeleteItem("A\\", "folder"); });
    };
    own.CreateFolder("A\\", "outer");
    ASSERT_TRUE(nested.has_value());
    EXPECT_EQ(nested->Message(), "Another Vaultkeep request is still running");
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"CreateFolder [A\\] outer"});
    EXPECT_EQ(waiting.begun, 1);
    EXPECT_FALSE(own.Busy());
}

TEST_F(SessionTest, CommonReplyCheckAndLogout) {
    // Logout with an error reply raises it and keeps the id of its header.
    server.Answer({testing::ServerAnswer::Header, "ERR_ NLIN Not logged in", 12});
    auto error = ErrorOf([&] { session.Logout(); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->GetCode(), ReplyCode("NLIN"));
    EXPECT_EQ(error->Message(), "Not logged in");
    EXPECT_EQ(session.SessionId(), 12u);
    session.Logout();
    EXPECT_EQ(session.SessionId(), 0u);
    EXPECT_EQ(server.Requests().back(), "Logout");

    server.Answer({testing::ServerAnswer::Canned, "HUH what"});
    error = ErrorOf([&] { session.CreateFolder("A\\", "note"); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->Message(), "Unexpected or no server response");
    EXPECT_EQ(error->GetCode(), 0);
    EXPECT_EQ(server.Requests().back(), "CreateFolder [A\\] note");
}

TEST_F(SessionTest, AliveNeverRaises) {
    server.Answer({testing::ServerAnswer::Canned, "ERR_ NLIN Not logged in"});
    EXPECT_NO_THROW(session.Alive());
    EXPECT_EQ(server.Requests().back(), "Alive");
    host.port = "1"; // nothing listens there
    EXPECT_NO_THROW(session.Alive());
}

TEST_F(SessionTest, RequestsThatCannotBeSentAreRefused) {
    // A request longer than one message is refused before anything is sent.
    auto error = ErrorOf([&] { session.CreateFolder("A\\", std::string(5000, 'c')); });
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->Message().find("too long"), std::string::npos);
    EXPECT_TRUE(server.Requests().empty());
    // The data port after 65535 does not exist: the request gets no reply.
    host.port = "65535";
    error = ErrorOf([&] { session.DeleteItem("A\\", "folder"); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->Message(), "Unexpected or no server response");
}

TEST_F(SessionTest, CheckInCutsTheCommentAndRefusesOldProjects) {
    const std::string project = folder / "p.pro";
    ASSERT_TRUE(WriteFileReplacing(project, "(Quillmark \"8.0\" project)\n"));
    session.CreateFolder("F\\", "folder");
    std::string result;
    EXPECT_TRUE(session.CheckIn("F\\P\\", std::string(5000, 'c'), project, false, result));
    EXPECT_EQ(server.Requests().back(), "CheckIn [F\\P\\] 0 " + std::string(4064, 'c'));
    EXPECT_EQ(result, "F\\P\\000001\\");
    EXPECT_EQ(host.shownPaths.back(), result);
    EXPECT_FALSE(host.progressVisible);

    stamps.version = 4.9;
    const size_t sent = server.Requests().size();
    auto error = ErrorOf([&] { session.CheckIn(result, "c", project, true, result); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->Message(), "This is a pre-5.0 project.\nPlease convert it first by saving "
                                "it, and then try again.");
    EXPECT_EQ(server.Requests().size(), sent);
}

TEST_F(SessionTest, CheckInWithoutABaseVersion) {
    const std::string project = folder / "p.pro";
    ASSERT_TRUE(WriteFileReplacing(project, "(Quillmark \"8.0\" project)\n"));
    std::string result;
    // Answered No: nothing happens and the result is false.
    prompts.Script(PromptAnswer::No);
    EXPECT_FALSE(session.CheckIn("Gone\\P\\000003\\", "c", project, false, result));
    EXPECT_TRUE(stamps.updates.empty());
    EXPECT_EQ(host.browserShown, 0);
    // Answered Yes: the stamp is cleared and the browser shown.
    prompts.Script(PromptAnswer::Yes);
    auto error =
        ErrorOf([&] { session.CheckIn("Gone\\P\\000003\\", "c", project, false, result); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->GetCode(), 48);
    EXPECT_EQ(error->Message(), "Project version cleared.\nPlease navigate to where you want the "
                                "project to be created in the Repository, and press the Check "
                                "In button.");
    EXPECT_EQ(stamps.updates, std::vector<std::string>{project + "||0"});
    EXPECT_EQ(host.browserShown, 1);
    EXPECT_EQ(prompts.asked.size(), 2u);
    EXPECT_FALSE(session.IsConnected());
}

// The session's own stamps are the document's: the project file's header
// gives its version, and a reset clears the stamp in the file itself.
TEST_F(SessionTest, CheckInWithTheDocumentsStamps) {
    if (!kest::kernelready())
        kest::initkernel();
    RepositorySession own(host);
    std::string result;
    const std::string old = folder / "old.pro";
    ASSERT_TRUE(WriteFileReplacing(old, "(Quillmark \"4.0\" project)\n"));
    auto error = ErrorOf([&] { own.CheckIn("F\\P\\", "c", old, false, result); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->Message().rfind("This is a pre-5.0 project.", 0), 0u);
    error = ErrorOf([&] { own.CheckIn("F\\P\\", "c", folder / "missing.pro", false, result); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->Message(), "Can't open project file");
    EXPECT_TRUE(server.Requests().empty());

    const std::string stamped = folder / "stamped.pro";
    ASSERT_TRUE(WriteFileReplacing(stamped, "(Quillmark \"8.0\" project)\n"
                                            "(repository \"Gone\\P\\000003\\\" 1)\n"
                                            "(notation \"Default\")\n"));
    prompts.Script(PromptAnswer::Yes);
    error = ErrorOf([&] { own.CheckIn("Gone\\P\\000003\\", "c", stamped, false, result); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->GetCode(), kProjectVersionCleared);
    std::string version = "?";
    int32_t changed = -1;
    ReadProjectRepositoryStamp(stamped, version, changed);
    EXPECT_EQ(version, "");
    EXPECT_EQ(changed, 0);
}

TEST_F(SessionTest, CheckOutQuestionsAndFailures) {
    const std::string local = folder / "local.pro";
    ASSERT_TRUE(WriteFileReplacing(local, "mine"));
    prompts.Script(PromptAnswer::No);
    EXPECT_FALSE(session.CheckOut("F\\P\\", "", local, false));
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(prompts.asked.back(), "File '" + local + "' already exists; overwrite it?");
    EXPECT_TRUE(host.closed.empty());

    // The server drops the connection in the middle of the file: an error, the
    // local file as it was.
    server.Answer({testing::ServerAnswer::DropMidFile, ""});
    prompts.Script(PromptAnswer::Yes);
    auto error = ErrorOf([&] { session.CheckOut("F\\P\\", "", local, false); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->GetCode(), ReplyCode("RFFL"));
    EXPECT_EQ(host.closed, std::vector<std::string>{local});
    EXPECT_EQ(ReadWholeFile(local, 100).value_or("?"), "mine");
    EXPECT_FALSE(host.progressVisible);
    EXPECT_EQ(server.Requests().back(), "CheckOut [F\\P\\] ");
}

TEST_F(SessionTest, BaselineAndDeleteSendTheirWords) {
    server.Answer({testing::ServerAnswer::Canned, "_OK_ [A\\P\\000001\\]"});
    session.Baseline("A\\P\\000001\\", true);
    EXPECT_EQ(server.Requests().back(), "Baseline Y [A\\P\\000001\\]");
    EXPECT_EQ(host.shownPaths.back(), "A\\P\\000001\\");
    server.Answer({testing::ServerAnswer::Canned, "_OK_"});
    session.DeleteItem("A\\P\\", "project");
    EXPECT_EQ(server.Requests().back(), "DeleteItem [A\\P\\] project");
}

} // namespace
} // namespace qm
