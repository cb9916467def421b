// The application's repository session: the server from the settings, the
// login on first use of Browse, the keep-alive, the logout at exit, the File
// menu's Check In, and a server that cannot be reached, does not answer or
// stalls half-way: the event loop runs while a request waits, the progress
// dialog's Cancel ends it, and the listing cache lives in the cache folder.
#include "shell/RepositorySession.h"

#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "drawables/TemplateFile.h"
#include "platform/Files.h"
#include "platform/PathHelpers.h"
#include "platform/Socket.h"
#include "platform/UserFolders.h"
#include "shell/CCASEApp.h"
#include "tests/repository/server/TestServer.h"
#include "tests/support/ModelFixture.h"
#include "tests/support/ScratchFolder.h"

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace qm {
namespace {

const std::string kUnableToContact =
    "Unable to contact Vaultkeep. Please ensure that:\n1. Vaultkeep is running.\n2. ";

using Clock = std::chrono::steady_clock;

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

    // Runs command from the event loop while a timer ticks every 20 ms; once
    // the progress dialog has shown for a while, clicks its Cancel button.
    // Tells how often the timer fired while the command ran, and when the
    // click was, and when the command returned.
    struct StalledRun {
        int ticksDuringCommand = 0;
        bool dialogWasModal = false;
        std::string dialogText;
        Clock::time_point clicked;
        Clock::time_point returned;
    };
    StalledRun RunAndCancel(const std::function<void()>& command) {
        StalledRun run;
        bool running = false;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            if (running)
                ++run.ticksDuringCommand;
        });
        ticker.start(20);
        QTimer canceller;
        QObject::connect(&canceller, &QTimer::timeout, [&] {
            ProgressDialog* progress = app.Repository().Progress();
            if (!running || progress == nullptr || !progress->isVisible() ||
                run.clicked != Clock::time_point{} || run.ticksDuringCommand < 25)
                return;
            run.dialogWasModal = progress->windowModality() == Qt::ApplicationModal &&
                                 QApplication::activeModalWidget() == progress;
            run.dialogText = progress->Text();
            QPushButton* cancel = progress->CancelButton();
            if (!cancel->isVisible())
                return;
            run.clicked = Clock::now();
            QTest::mouseClick(cancel, Qt::LeftButton);
        });
        canceller.start(50);
        EXPECT_TRUE(RunInEventLoop([&] {
            running = true;
            command();
            running = false;
            run.returned = Clock::now();
        }));
        return run;
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

// A server that takes the login and never answers: the window's event loop
// goes on (a timer fires again and again while the login waits), the
// progress dialog shows, blocking the other windows, and its Cancel ends the
// login within a second, quietly; the next Browse tries again.
TEST_F(AppSession, AStalledLoginKeepsTheLoopRunningAndCancelEndsIt) {
    ASSERT_TRUE(server.Running());
    AppRepositorySession& repository = app.Repository();
    ASSERT_EQ(repository.Session().TimeoutSeconds(), kDefaultRepositoryTimeout);
    server.Answer({testing::ServerAnswer::Silent, "", 0});
    const StalledRun run = RunAndCancel([&] { repository.OnRepositoryBrowse(); });
    ASSERT_NE(run.clicked, Clock::time_point{});
    EXPECT_LT(run.returned - run.clicked, std::chrono::seconds(1));
    EXPECT_GE(run.ticksDuringCommand, 25);
    EXPECT_TRUE(run.dialogWasModal);
    EXPECT_EQ(run.dialogText, "Processing Vaultkeep response...");
    EXPECT_TRUE(prompts.asked.empty()); // a cancel needs no message
    EXPECT_EQ(repository.Browser(), nullptr);
    EXPECT_FALSE(repository.LoggedIn());
    EXPECT_FALSE(repository.Progress()->isVisible());
    EXPECT_FALSE(repository.Session().IsConnected());

    repository.OnRepositoryBrowse();
    EXPECT_TRUE(repository.LoggedIn());
    EXPECT_EQ(Count("Login"), 2);
}

// A listing that stops half-way: the request has no progress of its own, so
// the waiting shows one with Cancel after a moment; the loop runs throughout,
// Cancel ends the request, the node stays unloaded and loads on the next try.
TEST_F(AppSession, AListingThatStopsHalfWayCanBeCancelled) {
    AppRepositorySession& repository = app.Repository();
    repository.OnRepositoryBrowse();
    ASSERT_NE(repository.Browser(), nullptr);
    repository.Session().CreateFolder("Team\\", "c");
    server.Answer({testing::ServerAnswer::StallMidFile, "", 0});
    CRepositoryDialog& browser = *repository.Browser();
    const StalledRun run = RunAndCancel([&] { browser.ShowPath("", true); });
    ASSERT_NE(run.clicked, Clock::time_point{});
    EXPECT_LT(run.returned - run.clicked, std::chrono::seconds(1));
    EXPECT_TRUE(run.dialogWasModal);
    EXPECT_EQ(run.dialogText, "Waiting for Vaultkeep...");
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_FALSE(repository.Progress()->isVisible());
    EXPECT_EQ(browser.RootNode()->childCount(), 0);

    browser.ShowPath("", true);
    ASSERT_EQ(browser.RootNode()->childCount(), 1);
    EXPECT_EQ(browser.RootNode()->child(0)->text(0).toStdString(), "Team");
    EXPECT_TRUE(prompts.asked.empty());
}

// What the user is told when the login fails: a server that answers with
// something that is not a Vaultkeep reply is not one that cannot be
// contacted.
TEST_F(AppSession, AReplyThatIsNoReplyIsToldApartFromNoContact) {
    const std::string notAReply = "The server at host 127.0.0.1, port " + server.PortText() +
                                  ", answered with something that is not a Vaultkeep reply.";
    const struct {
        testing::ServerAnswer answer;
        std::string shown;
    } cases[] = {
        {{testing::ServerAnswer::Raw, "HTTP/1.1 400 Bad Request\r\n\r\n", 0}, notAReply},
        {{testing::ServerAnswer::Canned, "Hello there", 0}, notAReply},
        {{testing::ServerAnswer::Drop, "", 0}, kUnableToContact},
    };
    AppRepositorySession& repository = app.Repository();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer.text);
        prompts.asked.clear();
        server.Answer(c.answer);
        repository.OnRepositoryBrowse();
        ASSERT_EQ(prompts.asked.size(), 1u);
        EXPECT_EQ(prompts.asked[0].rfind(c.shown, 0), 0u) << prompts.asked[0];
        EXPECT_FALSE(repository.LoggedIn());
    }
}

// The server may shorten the waits, but a login reply asking for 100 s gets
// the longest the client allows.
TEST_F(AppSession, ALoginCannotLengthenTheWaitsPastTheCap) {
    server.SetLoginReply("SID_ 7 15 100 F Slow server");
    AppRepositorySession& repository = app.Repository();
    repository.OnRepositoryBrowse();
    ASSERT_TRUE(repository.LoggedIn());
    EXPECT_EQ(repository.Session().TimeoutSeconds(), kMaxRepositoryTimeout);
    EXPECT_LT(kMaxRepositoryTimeout, 100);
}

// The listings are received into the user's cache folder, made when needed,
// and nothing is written beside the program.
TEST_F(AppSession, TheListingCacheLandsInTheUsersCacheFolder) {
    ScopedEnvironment cacheHome("XDG_CACHE_HOME", (scratch / "cache-home").c_str());
    ScopedEnvironment config("XDG_CONFIG_HOME", (scratch / "fresh-config").c_str());
    Profile defaults;
    defaults.SetDefaults();
    const std::string expected = scratch / "cache-home/quillmark/TmpProperties.rep";
    EXPECT_EQ(defaults.RepCacheFile, expected);
    app.Env()->Settings().RepCacheFile = defaults.RepCacheFile;

    AppRepositorySession& repository = app.Repository();
    repository.OnRepositoryBrowse();
    ASSERT_NE(repository.Browser(), nullptr);
    repository.Browser()->ShowPath("", true);
    EXPECT_TRUE(FileExists(expected));
    EXPECT_EQ(ReadWholeFile(expected, 1000).value_or("?"), "(Vaultkeep \"2.0\" repository)\n");
    EXPECT_FALSE(FileExists(JoinPath(ApplicationFolder(), "TmpProperties.rep")));
    EXPECT_TRUE(prompts.asked.empty());
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
