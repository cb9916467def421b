// The member clipboard through the member pages: Copy and Paste between
// masters (also from a second process of the same user), and files that
// are not member lists of the page's kind.
#include "dialogs/sheets/MemberClipboard.h"
#include "dialogs/sheets/MemberPages.h"
#include "document/UndoJournal.h"
#include "tests/dialogs/SheetFixture.h"

#include <QListWidget>

#include <cstdlib>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qm {
namespace {

const char* const kChildPath = "QM_SHEET_CLIPBOARD_CHILD";

class SheetClipboardTest : public test::SheetTest {
  protected:
    SheetClipboardTest() {
        // Shape becomes a class with its two methods; Square an empty class.
        shape = shapePlace->master;
        shape->tool = doc->FindTool(10);
        square = doc->NewMaster(10, "Square", "geo");
    }
    CMemberPage& OpenMethods(Master* master) {
        OpenOn(Handle(master), PtMaster, {});
        CMemberPage& page = sheet.MemberPage(MemberKind::Method);
        sheet.ActivatePage(&page);
        page.LoadPage();
        return page;
    }
    Master* shape = nullptr;
    Master* square = nullptr;
};

// Checks that square now holds equal copies of shape's methods under new ids.
void ExpectPastedCopies(const Master& shape, const Master& square) {
    ASSERT_EQ(square.methods.size(), shape.methods.size());
    for (size_t i = 0; i < shape.methods.size(); ++i) {
        EXPECT_TRUE(square.methods[i]->IsEqual(*shape.methods[i])) << i;
        EXPECT_EQ(square.methods[i]->code, shape.methods[i]->code);
        EXPECT_NE(square.methods[i]->Id().Text(), shape.methods[i]->Id().Text());
        EXPECT_EQ(square.methods[i]->owner, &square);
    }
}

TEST_F(SheetClipboardTest, CopyAllAndPasteGiveEqualMethodsWithNewIds) {
    ASSERT_EQ(shape->methods.size(), 2u);
    CMemberPage& from = OpenMethods(shape);
    EXPECT_FALSE(from.CanDoCommand(cmd::MemberPaste) &&
                 !std::filesystem::exists(MemberClipboardPath()));
    ASSERT_TRUE(from.CanDoCommand(cmd::MemberCopyAll));
    from.DoCommand(cmd::MemberCopyAll);
    EXPECT_TRUE(prompts.asked.empty());

    CMemberPage& to = OpenMethods(square);
    ASSERT_TRUE(to.CanDoCommand(cmd::MemberPaste));
    EXPECT_FALSE(to.CanDoCommand(cmd::MemberCopyAll));
    to.DoCommand(cmd::MemberPaste);
    ASSERT_EQ(to.list->count(), 3);
    EXPECT_EQ(to.list->item(2)->text(), QStringLiteral("<New>"));
    // The last pasted row is the current one.
    EXPECT_EQ(to.CurrentRow(), 1);
    EXPECT_TRUE(
        to.list->item(0)->text().startsWith(QStringLiteral("+\tSquare::Draw (dc: Canvas&")));
    sheet.CloseSheet(true);
    ExpectPastedCopies(*shape, *square);
    // One undo takes the paste back.
    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    EXPECT_TRUE(square->methods.empty());
}

TEST_F(SheetClipboardTest, CopyOfOneRowAndCutOfTheLast) {
    CMemberPage& from = OpenMethods(shape);
    from.list->setCurrentRow(1);
    ASSERT_TRUE(from.CanDoCommand(cmd::MemberCut));
    from.DoCommand(cmd::MemberCut);
    // Cut on the last own member selects the row above it.
    EXPECT_EQ(from.CurrentRow(), 0);
    EXPECT_EQ(from.list->count(), 2);
    CMemberPage& to = OpenMethods(square);
    to.DoCommand(cmd::MemberPaste);
    sheet.CloseSheet(true);
    ASSERT_EQ(square->methods.size(), 1u);
    EXPECT_EQ(square->methods[0]->name, "Area");
    ASSERT_EQ(shape->methods.size(), 1u);
}

// The other process: writes shape's methods to the clipboard file the first
// process named. Runs only when started by the test below.
TEST_F(SheetClipboardTest, ChildWritesMethods) {
    const char* path = std::getenv(kChildPath);
    if (path == nullptr)
        GTEST_SKIP() << "run by PasteFromASecondProcess";
    Master container;
    container.SetDetached();
    CopyList(container.methods, shape->methods);
    ExchangeMemberClipboard(path, container, MemberKind::Method, cmd::MemberCopyAll);
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(SheetClipboardTest, PasteFromASecondProcess) {
    const std::string path = MemberClipboardPath();
    std::filesystem::remove(path);
    const std::string variable = std::string(kChildPath) + "=" + path;
    std::vector<char*> environment;
    for (char** e = environ; *e != nullptr; ++e)
        environment.push_back(*e);
    environment.push_back(const_cast<char*>(variable.c_str()));
    environment.push_back(nullptr);
    std::string filter = "--gtest_filter=SheetClipboardTest.ChildWritesMethods";
    char exe[] = "/proc/self/exe";
    char* argv[] = {exe, filter.data(), nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, exe, nullptr, nullptr, argv, environment.data()), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(std::filesystem::exists(path));

    CMemberPage& to = OpenMethods(square);
    to.DoCommand(cmd::MemberPaste);
    sheet.CloseSheet(true);
    ExpectPastedCopies(*shape, *square);
}

TEST_F(SheetClipboardTest, MalformedFilesPasteNothing) {
    const std::string path = MemberClipboardPath();
    // An attribute list on the Methods page, a bad header, a broken record.
    CMemberPage& attributes = sheet.MemberPage(MemberKind::Attribute);
    OpenOn(Handle(shape), PtMaster, {});
    attributes.LoadPage();
    attributes.DoCommand(cmd::MemberCopyAll);
    const std::string attributeFile = test::DocumentTest::FileText(path);
    struct Case {
        const char* name;
        std::string text;
        const char* message;
    } cases[] = {
        {"attributes", attributeFile, "Data on the clipboard is not of this type!"},
        {"no header", "(method (\"f\" \"void\" \"\" 3 0 nil nil \"m-1\" \"\"))\n",
         "bad file header"},
        {"broken record",
         "(Quillmark \"8.0\" clipboard)\n(method (\"f\" 12 \"\" 3 0 nil nil \"m-1\" \"\"))\n",
         "Can't perform clipboard operation:\n"},
        {"not a list", "(Quillmark \"8.0\" clipboard)\n(method . 5)\n",
         "Can't perform clipboard operation:\n"},
        {"unfinished", "(Quillmark \"8.0\" clipboard)\n(method (\"f\" \"void\"", ""},
        {"newer version", "(Quillmark \"99.0\" clipboard)\n(method)\n", "version 99.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteFileReplacing(path, c.text));
        prompts.asked.clear();
        CMemberPage& page = OpenMethods(square);
        page.DoCommand(cmd::MemberPaste);
        EXPECT_EQ(page.list->count(), 1);
        ASSERT_FALSE(prompts.asked.empty());
        EXPECT_NE(prompts.asked.back().find(c.message), std::string::npos) << prompts.asked.back();
        EXPECT_LE(prompts.asked.back().size(), 128u);
        sheet.CloseSheet(true);
        EXPECT_TRUE(square->methods.empty());
    }
}

} // namespace
} // namespace qm
