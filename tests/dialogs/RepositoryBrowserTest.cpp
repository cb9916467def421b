// The repository browser against the loopback test server: the tree and the
// nine columns of the list, the buttons by the user's rights, Delete with
// its question, Check In (modified, unmodified and new), Check Out read-only
// with opening, Make Stable with the path shown, History and New Folder.
// The modal dialogs the browser runs are answered by a timer that finds them.
#include "dialogs/repository/RepositoryDialog.h"
#include "dialogs/repository/RepositoryDialogs.h"
#include "document/DocumentContext.h"
#include "document/ProjectFile.h"
#include "kernel/Kernel.h"
#include "platform/Files.h"
#include "platform/PathHelpers.h"
#include "platform/Prompt.h"
#include "platform/TempFolder.h"
#include "repository/RepositoryItem.h"
#include "repository/RepositorySession.h"
#include "tests/repository/RepositoryTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeWidget>

#include "tests/dialogs/ShownTexts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sys/stat.h>

namespace qm {
namespace {

// Answers the next modal dialog of type T, once it runs: fill is called with
// it (and decides how it ends). Gives up after two seconds of waiting.
template <typename T> void AnswerNextDialog(std::function<void(T&)> fill) {
    auto tries = std::make_shared<int>(0);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [fill, tries, poll] {
        if (auto* dialog = dynamic_cast<T*>(QApplication::activeModalWidget())) {
            fill(*dialog);
            *poll = nullptr; // breaks the cycle
            return;
        }
        if (++*tries < 200)
            QTimer::singleShot(10, [poll] {
                if (*poll)
                    (*poll)();
            });
    };
    QTimer::singleShot(0, [poll] {
        if (*poll)
            (*poll)();
    });
}

// What the application does for the browser, recorded; the session's own
// requests to show a path go to the browser, as in the application.
class Hosts : public testing::FakeHost, public RepositoryBrowserHost {
  public:
    bool OpenProject(const std::string& path) override {
        opened.push_back(path);
        return openSucceeds;
    }
    void CloseProjectWindows(const std::string& path) override { closed.push_back(path); }
    void ProjectCheckedIn(const std::string& path, const std::string& itemPath) override {
        stamped.push_back(path + "|" + itemPath);
    }
    void OpenFile(const std::string& path) override { viewed.push_back(path); }
    FileDialogs* Dialogs() override { return &files; }
    void ReportCommandError(std::exception_ptr) override { ++commandErrors; }
    void ShowPath(const std::string& itemPath) override {
        FakeHost::ShowPath(itemPath);
        if (browser != nullptr)
            browser->ShowPath(itemPath, true);
    }

    struct Files : FileDialogs {
        std::optional<std::string> AskOpenFile(const FileDialogRequest& request) override {
            requests.push_back(request);
            return answer;
        }
        std::optional<std::string> AskSaveFile(const FileDialogRequest& request) override {
            requests.push_back(request);
            return answer;
        }
        std::optional<std::string> ChooseTemplate(const std::string&, const std::string&) override {
            return std::nullopt;
        }
        std::optional<std::string> answer;
        std::vector<FileDialogRequest> requests;
    } files;

    CRepositoryDialog* browser = nullptr;
    bool openSucceeds = true;
    std::vector<std::string> opened;
    std::vector<std::string> stamped;
    std::vector<std::string> viewed;
    int commandErrors = 0;
};

std::string ProjectText(const std::string& stamp, int changed) {
    return "(Quillmark \"8.0\" project)\n(repository \"" + stamp + "\" " + std::to_string(changed) +
           ")\n(notation \"<Internal>\")\n";
}

class RepositoryBrowser : public ::testing::Test {
  protected:
    RepositoryBrowser() : installed_(&prompts) {
        if (!kest::kernelready())
            kest::initkernel();
        RepositoryValues() = {};
        RepositoryItem::ResetOldFormatSeen();
        hosts.port = server.PortText();
        hosts.cacheFile = work / "cache.rep";
    }
    ~RepositoryBrowser() override { RepositoryValues() = {}; }

    // Logs in with the rights given and opens the browser.
    void Open(uint32_t rights = 15) {
        hosts.browser = nullptr;
        browser.reset();
        server.SetLoginReply("SID_ 7 " + std::to_string(rights) + " 20 F Test server");
        std::string client = "tester@loopback";
        ASSERT_EQ(session.Login("8.0", "840", client, "secret"), 1);
        browser = std::make_unique<CRepositoryDialog>(session, hosts);
        hosts.browser = browser.get();
        browser->Show(true);
    }

    // A folder "Team" holding the project "Shop" with three versions; the
    // second is marked stable.
    void Populate() {
        session.CreateFolder("Team\\", "Our models");
        const std::string file = work / "seed.pro";
        ASSERT_TRUE(WriteFileReplacing(file, ProjectText("", 0)));
        const char* comments[] = {"first", "second", "third"};
        std::string version;
        for (const char* comment : comments) {
            ASSERT_TRUE(session.CheckIn(version.empty() ? "Team\\Shop\\" : version, comment, file,
                                        false, version));
            versions.push_back(version);
        }
        session.Baseline(versions[1], true);
        hosts.shownPaths.clear();
    }

    QTreeWidgetItem* Node(QTreeWidgetItem* parent, const std::string& name) {
        for (int i = 0; i < parent->childCount(); ++i)
            if (parent->child(i)->text(0).toStdString() == name)
                return parent->child(i);
        return nullptr;
    }
    // Selects the tree node of a path of names from the root.
    QTreeWidgetItem* Select(std::initializer_list<const char*> names) {
        QTreeWidgetItem* node = browser->RootNode();
        browser->Tree()->setCurrentItem(node);
        for (const char* name : names) {
            node->setExpanded(true);
            node = Node(node, name);
            if (node == nullptr)
                return nullptr;
            browser->Tree()->setCurrentItem(node);
        }
        return node;
    }
    QTreeWidgetItem* Row(const std::string& name) {
        for (int i = 0; i < browser->List()->topLevelItemCount(); ++i)
            if (browser->List()->topLevelItem(i)->text(0).toStdString() == name)
                return browser->List()->topLevelItem(i);
        return nullptr;
    }
    void SelectRow(const std::string& name) {
        QTreeWidgetItem* row = Row(name);
        ASSERT_NE(row, nullptr) << name;
        browser->List()->setCurrentItem(row);
        row->setSelected(true);
    }
    int Count(const std::string& word) {
        int count = 0;
        for (const std::string& request : server.Requests())
            if (request.rfind(word, 0) == 0)
                ++count;
        return count;
    }
    bool Enabled(RepositoryButton id) { return browser->Button(id)->isEnabled(); }

    HeadlessPrompts prompts;
    ScopedPromptService installed_;
    testing::TestServer server;
    ScratchFolder work;
    Hosts hosts;
    testing::FakeStamps stamps;
    RepositorySession session{hosts, stamps};
    std::unique_ptr<CRepositoryDialog> browser;
    std::vector<std::string> versions;
};

TEST_F(RepositoryBrowser, ListsFoldersProjectsAndVersionsInNineColumns) {
    ASSERT_TRUE(server.Running());
    Open();
    Populate();
    EXPECT_EQ(browser->windowTitle().toStdString(), "Repository (tester@loopback, Rights=OICD)");

    Select({});
    ASSERT_NE(Row("Team"), nullptr);
    EXPECT_EQ(Row("Team")->text(8).toStdString(), "Our models");
    ASSERT_NE(Node(browser->RootNode(), "Team"), nullptr);
    Select({"Team"});
    ASSERT_NE(Row("Shop"), nullptr);
    ASSERT_NE(Select({"Team", "Shop"}), nullptr);

    CRepListCtrl* list = browser->List();
    ASSERT_EQ(list->columnCount(), 9);
    const char* headers[] = {"Name",   "Stable", "Base", "Current", "Revised",
                             "Merged", "Who",    "When", "Comment"};
    for (int column = 0; column < 9; ++column)
        EXPECT_EQ(list->headerItem()->text(column).toStdString(), headers[column]);
    ASSERT_EQ(list->topLevelItemCount(), 3);
    const QRegularExpression when("^\\d{2} [A-Z][a-z]{2} \\d{4}, \\d{2}:\\d{2}:\\d{2}$");
    struct Expected {
        const char* name;
        const char* stable;
        const char* base;
        const char* current;
        const char* comment;
    } expected[] = {
        // The test server keeps the whole rest of a check-in request as
        // the version's comment: the merge flag and the comment.
        {"000001", "", "", "000001", "0 first"},
        {"000002", "Y", "000001", "000002", "0 second"},
        {"000003", "", "000002", "000003", "0 third"},
    };
    for (int i = 0; i < 3; ++i) {
        QTreeWidgetItem* row = list->topLevelItem(i);
        const Expected& e = expected[i];
        EXPECT_EQ(row->text(0).toStdString(), e.name);
        EXPECT_EQ(row->text(1).toStdString(), e.stable);
        EXPECT_EQ(row->text(2).toStdString(), e.base);
        EXPECT_EQ(row->text(3).toStdString(), e.current);
        EXPECT_EQ(row->text(4).toStdString(), "");
        EXPECT_EQ(row->text(5).toStdString(), "");
        EXPECT_EQ(row->text(6).toStdString(), "tester");
        EXPECT_TRUE(when.match(row->text(7)).hasMatch()) << row->text(7).toStdString();
        EXPECT_EQ(row->text(8).toStdString(), e.comment);
        ASSERT_NE(CRepListCtrl::ItemOf(row), nullptr);
        EXPECT_EQ(CRepListCtrl::ItemOf(row)->kind, kItemVersion);
    }
    // A project's versions are rows only, never tree nodes.
    EXPECT_EQ(Select({"Team", "Shop"})->childCount(), 0);
    EXPECT_TRUE(prompts.asked.empty());

    // The rows are drawn: the stable version's row is in bold. The same text
    // "000001" is the first row's Current cell and the stable row's Base
    // cell, so the bold one covers more pixels.
    list->clearSelection();
    list->resize(700, 200);
    const QImage image = list->viewport()->grab().toImage();
    ASSERT_FALSE(image.isNull());
    auto ink = [&](int row, int column) {
        const QRect rowRect = list->visualItemRect(list->topLevelItem(row));
        const QRect cell(list->header()->sectionViewportPosition(column), rowRect.top(),
                         list->header()->sectionSize(column), rowRect.height());
        const QRgb back = image.pixel(cell.right() - 1, cell.center().y());
        int count = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                count += image.pixel(x, y) != back ? 1 : 0;
        return count;
    };
    const int plain = ink(0, 3);
    const int bold = ink(1, 2);
    EXPECT_GT(plain, 0);
    EXPECT_GT(bold, plain);
}

TEST_F(RepositoryBrowser, SortingByAColumnReordersTheRows) {
    Open();
    Populate();
    Select({"Team", "Shop"});
    CRepListCtrl* list = browser->List();
    browser->List()->header()->sectionClicked(8); // Comment: first, second, third
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(0)->text(8).toStdString(), "0 first");
    EXPECT_EQ(list->topLevelItem(1)->text(8).toStdString(), "0 second");
    EXPECT_EQ(list->topLevelItem(2)->text(8).toStdString(), "0 third");
    browser->List()->header()->sectionClicked(1); // Stable: "" before "Y"
    EXPECT_EQ(list->topLevelItem(2)->text(1).toStdString(), "Y");
}

TEST_F(RepositoryBrowser, ButtonsFollowTheRightsAndTheSelection) {
    struct Case {
        uint32_t rights;
        bool newFolder, del, checkIn, checkOut, makeStable, history;
    } cases[] = {
        // With the project node selected and a version row selected.
        {0, false, false, false, false, false, false},
        {1, false, false, false, true, false, true}, // read only: no Check In, New Folder, Delete
        {2, false, false, true, false, true, false},
        {15, false, true, true, true, true, true},
    };
    Open();
    Populate();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rights);
        Open(c.rights);
        Select({"Team", "Shop"});
        SelectRow("000002");
        EXPECT_EQ(Enabled(kButtonNewFolder), c.newFolder);
        EXPECT_EQ(Enabled(kButtonDelete), c.del);
        EXPECT_EQ(Enabled(kButtonCheckIn), c.checkIn);
        EXPECT_EQ(Enabled(kButtonCheckOut), c.checkOut);
        EXPECT_EQ(Enabled(kButtonMakeStable), c.makeStable);
        EXPECT_EQ(Enabled(kButtonHistory), c.history);
        // A folder node: New Folder by right 4, Delete by right 8.
        Select({"Team"});
        EXPECT_EQ(Enabled(kButtonNewFolder), (c.rights & 4) != 0);
        EXPECT_EQ(Enabled(kButtonDelete), (c.rights & 8) != 0);
        EXPECT_FALSE(Enabled(kButtonHistory));
        // The root alone cannot be deleted.
        Select({});
        browser->List()->clearSelection();
        EXPECT_FALSE(Enabled(kButtonDelete));
    }
}

TEST_F(RepositoryBrowser, DeleteAsksAndSendsOnlyOnYes) {
    Open();
    Populate();
    Select({"Team", "Shop"});
    SelectRow("000001");
    prompts.Script(PromptAnswer::No);
    browser->OnDelete();
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0], "Are you sure that you want to delete version '000001'?\nBeware "
                                "that you cannot undo this operation!");
    EXPECT_EQ(Count("DeleteItem"), 0);

    // The Delete key in the list asks the same.
    prompts.Script(PromptAnswer::No);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(browser->List(), &press);
    ASSERT_EQ(prompts.asked.size(), 2u);
    EXPECT_EQ(prompts.asked[1], prompts.asked[0]);
    EXPECT_EQ(Count("DeleteItem"), 0);

    prompts.Script(PromptAnswer::Yes);
    browser->OnDelete();
    EXPECT_EQ(Count("DeleteItem"), 1);
    EXPECT_EQ(server.Requests().back().rfind("GetProps", 0), 0u); // reloaded
    EXPECT_EQ(Row("000001"), nullptr);
    EXPECT_NE(Row("000002"), nullptr);

    // A project node: the question names everything inside it; the parent
    // folder is selected afterwards and no longer shows the project.
    browser->List()->clearSelection();
    prompts.Script(PromptAnswer::Yes);
    browser->OnDelete();
    EXPECT_EQ(prompts.asked.back(),
              "Are you sure that you want to delete project 'Shop' (and everything inside "
              "it)?\nBeware that you cannot undo this operation!");
    bool sent = false;
    for (const std::string& request : server.Requests())
        sent = sent || request == "DeleteItem [Team\\Shop\\] project";
    EXPECT_TRUE(sent);
    ASSERT_NE(browser->Tree()->currentItem(), nullptr);
    EXPECT_EQ(browser->Tree()->currentItem()->text(0).toStdString(), "Team");
    EXPECT_EQ(Row("Shop"), nullptr);
}

TEST_F(RepositoryBrowser, CheckInOfAModifiedProjectSendsFileAndCommentAndStampsIt) {
    Open();
    Populate();
    Select({"Team", "Shop"});
    const std::string mine = work / "Shop.pro";
    ASSERT_TRUE(WriteFileReplacing(mine, ProjectText("Team\\Shop\\000003", 1)));
    AnswerNextDialog<CCheckInDialog>([](CCheckInDialog& dialog) {
        EXPECT_EQ(dialog.projectEdit->text().toStdString(), "Shop");
        EXPECT_EQ(dialog.versionEdit->text().toStdString(), "000003 + modifications");
        EXPECT_EQ(dialog.checkIntoEdit->text().toStdString(), "Root\\Team\\Shop\\");
        dialog.commentEdit->setPlainText("Fixed the shop");
        // No check-out afterwards (however the box is changed: by a click,
        // or by assistive technology toggling it): nothing to open then.
        dialog.checkOutBox->setChecked(false);
        EXPECT_FALSE(dialog.openBox->isEnabled());
        EXPECT_FALSE(dialog.openBox->isChecked());
        dialog.checkOutBox->click();
        EXPECT_TRUE(dialog.openBox->isEnabled());
        dialog.checkOutBox->click();
        EXPECT_FALSE(dialog.openBox->isEnabled());
        dialog.OnOK();
    });
    browser->CheckIn(mine, false);
    EXPECT_TRUE(prompts.asked.empty()) << prompts.asked.front();
    bool sent = false;
    for (const std::string& request : server.Requests())
        sent = sent || request == "CheckIn [Team\\Shop\\000003] 1 Fixed the shop";
    EXPECT_TRUE(sent);
    EXPECT_EQ(ReadWholeFile(server.LatestVersionFile("Team\\Shop\\"), 1 << 20).value_or("?"),
              ProjectText("Team\\Shop\\000003", 1));
    std::string stamp;
    int32_t changed = -1;
    ReadProjectRepositoryStamp(mine, stamp, changed);
    EXPECT_EQ(stamp, "Team\\Shop\\000004");
    EXPECT_EQ(changed, 0);
    ASSERT_EQ(hosts.stamped.size(), 1u);
    EXPECT_EQ(hosts.stamped[0], mine + "|Team\\Shop\\000004");
    // The new version is shown, its row selected.
    EXPECT_EQ(hosts.shownPaths.back(), "Team\\Shop\\000004\\");
    ASSERT_FALSE(browser->List()->selectedItems().isEmpty());
    EXPECT_EQ(browser->List()->selectedItems().front()->text(0).toStdString(), "000004");
    EXPECT_TRUE(hosts.opened.empty());
}

TEST_F(RepositoryBrowser, CheckInOfAnUnmodifiedProjectAsksFirst) {
    Open();
    Populate();
    const std::string mine = work / "Shop.pro";
    ASSERT_TRUE(WriteFileReplacing(mine, ProjectText("Team\\Shop\\000003", 0)));
    const std::string question = "You're checking-in an unmodified version!\nThis will create "
                                 "redundant versions in the repository\nDo you want to continue "
                                 "anyway (NOT recommended)?";
    // No keeps the dialog open; the test then cancels it: nothing is sent.
    bool stayedOpen = false;
    AnswerNextDialog<CCheckInDialog>([&](CCheckInDialog& dialog) {
        EXPECT_EQ(dialog.versionEdit->text().toStdString(), "000003 (unmodified)");
        prompts.Script(PromptAnswer::No);
        dialog.OnOK();
        stayedOpen = dialog.isVisible() && dialog.result() != QDialog::Accepted;
        dialog.reject();
    });
    browser->CheckIn(mine, false);
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0], question);
    EXPECT_EQ(Count("CheckIn"), 3); // only the seeds

    // Yes goes on; the close box acts as OK, question included.
    AnswerNextDialog<CCheckInDialog>([&](CCheckInDialog& dialog) {
        dialog.checkOutBox->click();
        prompts.Script(PromptAnswer::Yes);
        dialog.close();
    });
    browser->CheckIn(mine, false);
    EXPECT_EQ(prompts.asked.size(), 2u);
    EXPECT_EQ(Count("CheckIn"), 4);
}

TEST_F(RepositoryBrowser, NewProjectsGoIntoTheSelectedFolderOrTheBrowserFirst) {
    Open();
    Populate();
    const std::string fresh = work / "Garden.pro";
    ASSERT_TRUE(WriteFileReplacing(fresh, ProjectText("", 0)));
    // From the main frame: only the way to the browser.
    browser->hide();
    browser->CheckIn(fresh, true);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0], "This project does not exist in the repository yet.\nPlease "
                                "navigate to where you want it to be created and press the Check "
                                "In button.");
    EXPECT_TRUE(browser->isVisible());
    EXPECT_EQ(Count("CheckIn"), 3);

    // From the browser, with a project selected: into the project's folder.
    Select({"Team", "Shop"});
    AnswerNextDialog<CCheckInDialog>([](CCheckInDialog& dialog) {
        EXPECT_EQ(dialog.versionEdit->text().toStdString(), "New Project");
        EXPECT_FALSE(dialog.mergeBox->isEnabled());
        EXPECT_EQ(dialog.checkIntoEdit->text().toStdString(), "Root\\Team\\Garden\\");
        dialog.checkOutBox->click();
        dialog.OnOK();
    });
    browser->CheckIn(fresh, false);
    EXPECT_EQ(prompts.asked.size(), 1u); // no unmodified-version question
    EXPECT_EQ(server.LatestVersionFile("Team\\Garden\\").empty(), false);
    // The new project's node (unknown to the loaded folder before) is found
    // and selected, with its first version's row.
    ASSERT_NE(browser->Tree()->currentItem(), nullptr);
    EXPECT_EQ(browser->Tree()->currentItem()->text(0).toStdString(), "Garden");
    EXPECT_EQ(hosts.shownPaths.back(), "Team\\Garden\\000004\\");
    ASSERT_FALSE(browser->List()->selectedItems().isEmpty());
    EXPECT_EQ(browser->List()->selectedItems().front()->text(0).toStdString(), "000004");
}

TEST_F(RepositoryBrowser, CheckInWithCheckOutResultReplacesTheFileAndOpensIt) {
    Open();
    Populate();
    Select({"Team", "Shop"});
    const std::string mine = work / "Shop.pro";
    ASSERT_TRUE(WriteFileReplacing(mine, ProjectText("Team\\Shop\\000003", 1)));
    AnswerNextDialog<CCheckInDialog>([](CCheckInDialog& dialog) { dialog.OnOK(); });
    prompts.Script(PromptAnswer::Yes); // overwrite the checked-in file
    browser->CheckIn(mine, false);
    // Closed before the check-out overwrites the file (and again by the
    // check-out itself, which finds the file there).
    ASSERT_FALSE(hosts.closed.empty());
    for (const std::string& closed : hosts.closed)
        EXPECT_EQ(closed, mine);
    EXPECT_EQ(server.Requests().back().rfind("CheckOut [Team\\Shop\\] 000004", 0), 0u);
    std::string stamp;
    int32_t changed = -1;
    ReadProjectRepositoryStamp(mine, stamp, changed);
    EXPECT_EQ(stamp, "Team\\Shop\\000004");
    EXPECT_EQ(changed, 0);
    ASSERT_EQ(hosts.opened.size(), 1u);
    EXPECT_EQ(hosts.opened[0], mine);
    EXPECT_FALSE(browser->isVisible());
}

TEST_F(RepositoryBrowser, CheckOutReadOnlyWritesAReadOnlyFileAndOpensIt) {
    Open();
    Populate();
    Select({"Team", "Shop"});
    SelectRow("000002");
    const std::string into = work / "elsewhere";
    ASSERT_TRUE(MakeDirectories(into));
    AnswerNextDialog<CCheckOutDialog>([&](CCheckOutDialog& dialog) {
        EXPECT_EQ(dialog.projectEdit->text().toStdString(), "Team\\Shop\\");
        EXPECT_EQ(dialog.versionEdit->text().toStdString(), "000002");
        EXPECT_FALSE(dialog.readOnlyBox->isChecked());
        EXPECT_TRUE(dialog.openBox->isChecked());
        dialog.folderEdit->setText(QString::fromStdString(into));
        dialog.readOnlyBox->setChecked(true);
        dialog.OnOK();
    });
    browser->OnCheckOut();
    const std::string local = into + "/Shop.pro";
    EXPECT_TRUE(server.Requests().back() == "CheckOut [Team\\Shop\\] 000002");
    EXPECT_EQ(ReadWholeFile(local, 1 << 20).value_or("?"), ProjectText("", 0));
    struct stat info {};
    ASSERT_EQ(::stat(local.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0222, 0u);
    ASSERT_EQ(hosts.opened.size(), 1u);
    EXPECT_EQ(hosts.opened[0], local);
    EXPECT_FALSE(browser->isVisible());
    EXPECT_EQ(RepositoryValues().checkOutFolder, into);
    EXPECT_EQ(RepositoryValues().checkOutReadOnly, 1);

    // Not opened when the open option is off; the next dialog starts from
    // the remembered folder and options.
    browser->Show(true);
    SelectRow("000003");
    hosts.opened.clear();
    AnswerNextDialog<CCheckOutDialog>([&](CCheckOutDialog& dialog) {
        EXPECT_EQ(dialog.folderEdit->text().toStdString(), into);
        EXPECT_TRUE(dialog.readOnlyBox->isChecked());
        dialog.openBox->setChecked(false);
        dialog.OnOK();
    });
    prompts.Script(PromptAnswer::Yes); // overwrite
    browser->OnCheckOut();
    EXPECT_TRUE(hosts.opened.empty());
    EXPECT_TRUE(browser->isVisible());
}

TEST_F(RepositoryBrowser, ServerNamedProjectsStayInTheChosenFolder) {
    Open();
    session.CreateFolder("Team\\", "");
    const std::string seed = work / "seed.pro";
    ASSERT_TRUE(WriteFileReplacing(seed, ProjectText("", 0)));
    std::string version;
    ASSERT_TRUE(session.CheckIn("Team\\..\\", "", seed, false, version));
    Select({"Team"});
    ASSERT_NE(Row(".."), nullptr);
    SelectRow("..");
    const std::string into = work / "in/deeper";
    ASSERT_TRUE(MakeDirectories(into));
    AnswerNextDialog<CCheckOutDialog>([&](CCheckOutDialog& dialog) {
        dialog.folderEdit->setText(QString::fromStdString(into));
        dialog.OnOK();
    });
    browser->OnCheckOut();
    EXPECT_FALSE(FileExists(work / "in/.pro"));
    ASSERT_EQ(hosts.opened.size(), 1u);
    EXPECT_EQ(DirectoryOfPath(hosts.opened[0]), into);
    EXPECT_TRUE(FileExists(hosts.opened[0]));
}

TEST_F(RepositoryBrowser, MakeStableShowsTheVersionReloaded) {
    Open();
    Populate();
    Select({"Team", "Shop"});
    SelectRow("000003");
    browser->OnMakeStable();
    EXPECT_EQ(server.Requests().back().rfind("GetProps", 0), 0u);
    ASSERT_NE(Row("000003"), nullptr);
    EXPECT_EQ(Row("000003")->text(1).toStdString(), "Y");
    ASSERT_FALSE(browser->List()->selectedItems().isEmpty());
    EXPECT_EQ(browser->List()->selectedItems().front()->text(0).toStdString(), "000003");
}

TEST_F(RepositoryBrowser, HistoryWritesEveryVersionAndOpensTheReport) {
    Open();
    Populate();
    Select({"Team", "Shop"});
    std::string expected = "History for project 'Team\\Shop\\'\n\n";
    for (int i = 0; i < 3; ++i) {
        QTreeWidgetItem* row = browser->List()->topLevelItem(i);
        expected += "Version " + row->text(0).toStdString() + ", created by tester, on " +
                    row->text(7).toStdString() + (i == 1 ? " (STABLE)" : "") + "\n";
        expected += "Comment: " + row->text(8).toStdString() + "\n\n";
    }
    browser->OnHistory();
    ASSERT_EQ(hosts.viewed.size(), 1u);
    EXPECT_EQ(hosts.viewed[0], PrivateTempFolder() + "/History.txt");
    EXPECT_EQ(ReadWholeFile(hosts.viewed[0], 1 << 20).value_or("?"), expected);
    EXPECT_TRUE(prompts.asked.empty());

    // Only a project has a history.
    Select({"Team"});
    browser->OnHistory();
    EXPECT_EQ(prompts.beeps, 1);
    EXPECT_EQ(hosts.viewed.size(), 1u);
}

TEST_F(RepositoryBrowser, NewFolderProposesUntitledNamesAndCreatesTheFolder) {
    Open();
    Populate();
    Select({"Team"});
    AnswerNextDialog<CNewFolderDialog>([](CNewFolderDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle().toStdString(), "New Folder");
        EXPECT_EQ(dialog.nameEdit->text().toStdString(), "Untitled-1");
        dialog.reject();
    });
    browser->OnNewFolder();
    EXPECT_EQ(Count("CreateFolder"), 1);
    AnswerNextDialog<CNewFolderDialog>([](CNewFolderDialog& dialog) {
        EXPECT_EQ(dialog.nameEdit->text().toStdString(), "Untitled-2");
        // A name with a bracket would cut the request's path: refused.
        dialog.nameEdit->setText("Bad]name");
        dialog.OnOK();
        EXPECT_TRUE(dialog.isVisible());
        dialog.nameEdit->setText("Drafts");
        dialog.commentEdit->setText("work in progress");
        dialog.OnOK();
    });
    browser->OnNewFolder();
    EXPECT_EQ(server.Requests()[server.Requests().size() - 2],
              "CreateFolder [Team\\Drafts] work in progress");
    EXPECT_EQ(prompts.beeps, 1);
    QTreeWidgetItem* team = Node(browser->RootNode(), "Team");
    ASSERT_NE(team, nullptr);
    EXPECT_TRUE(team->isExpanded());
    EXPECT_NE(Node(team, "Drafts"), nullptr);
    EXPECT_NE(Row("Drafts"), nullptr);
    EXPECT_EQ(hosts.commandErrors, 0);
}

TEST_F(RepositoryBrowser, CollapsingAFolderAsksTheServerAgainOnTheNextOpening) {
    Open();
    Populate();
    QTreeWidgetItem* team = Select({"Team"});
    ASSERT_NE(team, nullptr);
    Select({"Team", "Shop"});
    const int before = Count("GetProps");
    browser->RootNode()->setExpanded(false);
    browser->RootNode()->setExpanded(true);
    EXPECT_EQ(Count("GetProps"), before + 1);
    // The rows shown before the reload are gone with their items: the list
    // shows nothing stale (Shop's node went with the reload).
    for (int i = 0; i < browser->List()->topLevelItemCount(); ++i)
        EXPECT_NE(CRepListCtrl::ItemOf(browser->List()->topLevelItem(i)), nullptr);
    browser->RootNode()->setExpanded(true);
    EXPECT_EQ(Count("GetProps"), before + 1);
}

TEST(RepositoryItemPaths, SplitIgnoresOneTrailingSeparator) {
    struct Case {
        const char* path;
        const char* folder;
        const char* name;
    } cases[] = {
        {"A\\P\\0001\\", "A\\P\\", "0001"},
        {"A\\P\\0001", "A\\P\\", "0001"},
        {"A\\", "", "A"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        std::string folder;
        std::string name;
        SplitItemPath(c.path, folder, name);
        EXPECT_EQ(folder, c.folder) << c.path;
        EXPECT_EQ(name, c.name) << c.path;
    }
}

TEST(RepositoryIcons, TheShippedStripHoldsFourPictures) {
    QPixmap strip(QM_FIXTURES "/../../resources/Icons/RepositoryItems.png");
    ASSERT_FALSE(strip.isNull());
    EXPECT_EQ(strip.width(), 64);
    EXPECT_EQ(strip.height(), 16);
}

} // namespace
} // namespace qm

namespace qm {
namespace {

TEST(RepositoryCheckOutDialog, FirstUseProposesTheWorkingFolderAndTheCloseBoxKeepsTheChoices) {
    RepositoryValues() = {};
    {
        CCheckOutDialog dialog("Team\\Shop\\", "", nullptr);
        EXPECT_EQ(dialog.versionEdit->text().toStdString(), "Latest");
        EXPECT_EQ(dialog.folderEdit->text().toStdString(),
                  std::filesystem::current_path().string().substr(0, 256));
        EXPECT_TRUE(dialog.openBox->isChecked());
        dialog.show();
        dialog.folderEdit->setText("/somewhere/else");
        dialog.readOnlyBox->setChecked(true);
        dialog.close();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(RepositoryValues().checkOutFolder, "/somewhere/else");
    EXPECT_EQ(RepositoryValues().checkOutReadOnly, 1);
    RepositoryValues() = {};
}

} // namespace
} // namespace qm

namespace qm {
namespace {

TEST_F(RepositoryBrowser, EveryLabelKeepsItsAccessKey) {
    Open();
    test::ExpectShown(*browser, {"&New Folder", "Make &Stable", "&Delete", "Check &In...",
                                 "Check &Out...", "&History"});
    CCheckInDialog checkIn("Team\\Shop", true);
    test::ExpectShown(checkIn,
                      {"&Merge Result", "&Check Out Result", "&Open Result in Quillmark", "&Help"});
    CCheckOutDialog checkOut("Team\\Shop", "000002", nullptr);
    test::ExpectShown(checkOut, {"&Into Folder:", "Check Out as &Read Only",
                                 "&Open Checked Out Project", "&Help"});
    CNewFolderDialog newFolder;
    test::ExpectShown(newFolder, {"&Help"});
}

} // namespace
} // namespace qm
