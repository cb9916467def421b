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

#include <chrono>
#include <optional>

namespace qm {
namespace {

const std::string kUnableToContact =
    "Unable to contact Vaultkeep. Please ensure that:\n1. Vaultkeep is running.\n2. ";

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
        {"SID_ 8 0 500 S Vaultkeep 2", -1, 8, "____", 100, "Vaultkeep 2"},
        {"SID_ 9 5 20 Q", 0, 9, "O_C_", 20, ""},
        {"SID_ 10 10 50 Full", 1, 10, "_I_D", 50, ""},
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
        {{testing::ServerAnswer::Canned, "Welcome"}, 0, kUnableToContact},
        {{testing::ServerAnswer::Drop, ""}, 0, kUnableToContact},
        {{testing::ServerAnswer::Raw, testing::HeaderBytes(1, 0, 100000)}, 0, kUnableToContact},
    };
    for (const Case& c : cases) {
        server.Answer(c.answer);
        std::string name = "me@here";
        auto error = ErrorOf([&] { session.Login("8.0", "840", name, "x"); });
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->GetCode(), c.code);
        EXPECT_EQ(error->Message().substr(0, c.message.size()), c.message);
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
