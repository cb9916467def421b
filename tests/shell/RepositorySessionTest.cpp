// The application's repository session: the server from the settings, the
// login on first use of Browse, the keep-alive, the logout at exit, the File
// menu's Check In, and a server that cannot be reached or does not answer,
// shown as "Unable to contact" within the time-out while the event loop goes
// on.
#include "shell/RepositorySession.h"

#include "document/CCASEDoc.h"
#include "drawables/TemplateFile.h"
#include "platform/Files.h"
#include "platform/Socket.h"
#include "platform/UserFolders.h"
#include "shell/CCASEApp.h"
#include "tests/repository/TestServer.h"
#include "tests/support/ModelFixture.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>

namespace qm {
namespace {

const std::string kUnableToContact =
    "Unable to contact Vaultkeep. Please ensure that:\n1. Vaultkeep is running.\n2. ";

class AppSession : public test::ModelTest {
  protected:
    AppSession() {
        SetApplicationFolder(scratch.Path());
        MakeDirectories(scratch / "Notations");
        NotationTemplate builtIn;
        CreateTemplate(builtIn, kInternalTemplateName);
        EXPECT_TRUE(
            WriteFileReplacing(scratch / "Notations/UML2.1.not", WriteTemplateText(builtIn)));
        EXPECT_TRUE(app.InitInstance({}));
        prompts.asked.clear();
        Profile& settings = app.Env()->Settings();
        settings.RepHost = "127.0.0.1";
        settings.RepPort = server.PortText();
        settings.RepCacheFile = scratch / "cache.rep";
    }
    ~AppSession() override { SetApplicationFolder(""); }

    int Count(const std::string& word) {
        int count = 0;
        for (const std::string& request : server.Requests())
            count += request.rfind(word, 0) == 0 ? 1 : 0;
        return count;
    }

    // Runs command from the event loop, and a second timer beside it; true
    // when the loop went on to run the second timer after the command.
    bool RunInEventLoop(const std::function<void()>& command) {
        QEventLoop loop;
        bool afterwards = false;
        QTimer::singleShot(0, [&] {
            command();
            QTimer::singleShot(0, [&] {
                afterwards = true;
                loop.quit();
            });
        });
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
        guard.start(30000);
        loop.exec();
        return afterwards;
    }

    testing::TestServer server;
    CCASEApp app;
};

TEST_F(AppSession, BrowseLogsInOnFirstUseAndTheExitLogsOut) {
    ASSERT_TRUE(server.Running());
    AppRepositorySession& repository = app.Repository();
    repository.KeepAlive(); // not logged in: nothing is sent
    EXPECT_TRUE(server.Requests().empty());

    repository.OnRepositoryBrowse();
    ASSERT_NE(repository.Browser(), nullptr);
    EXPECT_TRUE(repository.Browser()->isVisible());
    ASSERT_EQ(Count("Login"), 1);
    const std::string login = server.Requests().front();
    EXPECT_EQ(login.rfind("Login 8.0 840 " + RepositoryClientName() + " ", 0), 0u) << login;
    EXPECT_EQ(
        login.find(' ', std::string("Login 8.0 840 ").size() + RepositoryClientName().size() + 1),
        std::string::npos); // the credential is one word
    EXPECT_EQ(repository.ServerText(), "Test server");
    EXPECT_EQ(repository.Browser()->windowTitle().toStdString(),
              "Repository (" + RepositoryClientName() + ", Rights=OICD)");
    EXPECT_EQ(app.repositorySession, &repository.Session());

    // Once logged in, the next Browse only shows the same window.
    repository.Browser()->hide();
    CRepositoryDialog* browser = repository.Browser();
    repository.OnRepositoryBrowse();
    EXPECT_EQ(repository.Browser(), browser);
    EXPECT_TRUE(browser->isVisible());
    EXPECT_EQ(Count("Login"), 1);

    repository.KeepAlive();
    EXPECT_EQ(Count("Alive"), 1);
    EXPECT_EQ(AppRepositorySession::kKeepAlivePeriodMs, 600000);

    app.ExitInstance();
    EXPECT_EQ(Count("Logout"), 1);
    EXPECT_FALSE(repository.LoggedIn());
    repository.KeepAlive();
    EXPECT_EQ(Count("Alive"), 1);
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(AppSession, WithNoServerListeningBrowseShowsTheContactErrorAndTheLoopGoesOn) {
    // A port that was bound and released again: nothing listens there.
    uint16_t port = 0;
    const int listener = ListenTcp(nullptr, 0, 1, &port);
    ASSERT_GE(listener, 0);
    CloseSocket(listener);
    app.Env()->Settings().RepPort = std::to_string(port);

    AppRepositorySession& repository = app.Repository();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(RunInEventLoop([&] { repository.OnRepositoryBrowse(); }));
    EXPECT_LT(std::chrono::steady_clock::now() - start,
              std::chrono::seconds(repository.Session().TimeoutSeconds() + 5));
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].rfind(kUnableToContact, 0), 0u) << prompts.asked[0];
    EXPECT_EQ(repository.Browser(), nullptr);
    EXPECT_FALSE(repository.LoggedIn());
    EXPECT_EQ(app.repositorySession, nullptr);
    app.LogoutRepository(); // nothing to log out

    // The next use tries again, and gets in once the server is there.
    app.Env()->Settings().RepPort = server.PortText();
    repository.OnRepositoryBrowse();
    EXPECT_NE(repository.Browser(), nullptr);
    EXPECT_TRUE(repository.LoggedIn());
}

TEST_F(AppSession, AServerThatNeverAnswersGivesTheContactErrorAfterTheTimeOut) {
    AppRepositorySession& repository = app.Repository();
    repository.Session().SetTimeoutSeconds(1);
    server.Answer({testing::ServerAnswer::Silent, "", 0});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(RunInEventLoop([&] { repository.OnRepositoryBrowse(); }));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].rfind(kUnableToContact, 0), 0u) << prompts.asked[0];
    EXPECT_EQ(repository.Browser(), nullptr);
}

TEST_F(AppSession, CheckInFromTheFileMenuOfANewProjectShowsTheWayToTheBrowser) {
    const std::string project = scratch / "Fresh.pro";
    ASSERT_TRUE(WriteFileReplacing(
        project, "(Quillmark \"8.0\" project)\n(repository \"\" 0)\n(notation \"<Internal>\")\n"));
    AppRepositorySession& repository = app.Repository();
    repository.OnRepositoryCheckIn("");
    EXPECT_EQ(prompts.beeps, 1);
    EXPECT_TRUE(server.Requests().empty());

    repository.OnRepositoryCheckIn(project);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].rfind("This project does not exist in the repository yet.", 0), 0u);
    ASSERT_NE(repository.Browser(), nullptr);
    EXPECT_TRUE(repository.Browser()->isVisible());
    EXPECT_EQ(Count("CheckIn"), 0);
}

TEST_F(AppSession, ACheckOutClosesTheOpenWindowsOfTheFileDiscardingTheirChanges) {
    const std::string project = scratch / "Open.pro";
    // A File New after start-up asks for a template unless one is named.
    app.Env()->newProjectTemplate = "<Internal>";
    CCASEDoc* document = app.Env()->OnFileNew();
    ASSERT_NE(document, nullptr);
    ASSERT_TRUE(document->OnSaveDocument(project));
    document->SetPathName(project);
    document->SetModifiedFlag(true);
    const size_t before = app.Env()->Documents().Documents().size();
    app.Repository().CloseProjectWindows(project, true);
    EXPECT_EQ(app.Env()->Documents().Documents().size(), before - 1);
    EXPECT_TRUE(prompts.asked.empty()); // no "Save changes" question

    // A checked-in project's open document takes the new stamp.
    CCASEDoc* reopened = app.OpenDocumentFile(project);
    ASSERT_NE(reopened, nullptr);
    app.Repository().ProjectCheckedIn(project, "Team\\Open\\000001");
    EXPECT_EQ(reopened->RepositoryVersion(), "Team\\Open\\000001");
    EXPECT_EQ(reopened->RepositoryChanged(), 0);
}

} // namespace
} // namespace qm
