// The reverse-engineering commands of a project window on the shapes
// fixture: their update rules and menu rows, the refusal for a model of the
// wrong kind, a run through the dialog that steps the status bar's progress
// and fills the Reversed folder, its redo, Open File Separately and Load
// Reference Project.
#include "shell/commands/ReverseCommands.h"

#include "dialogs/model/DialogServices.h"
#include "dialogs/reverse/ReverseEngineerDialog.h"
#include "document/CCASEDoc.h"
#include "document/ModelLibrary.h"
#include "document/Profile.h"
#include "document/UndoJournal.h"
#include "drawables/Model.h"
#include "platform/Files.h"
#include "platform/Prompt.h"
#include "shell/CCASEApp.h"
#include "shell/Environment.h"
#include "shell/frames/CChildFrame.h"
#include "shell/frames/CMainFrame.h"
#include "shell/panes/Explorer.h"
#include "shell/panes/SidePane.h"
#include "tests/document/DocumentFixture.h"
#include "tests/shell/WindowedAppFixture.h"

#include <QComboBox>
#include <QMenuBar>
#include <QProgressBar>
#include <QTabBar>
#include <QTreeWidget>

#include <functional>
#include <gtest/gtest.h>

namespace qm {
namespace {

// Answers the Reverse Engineer dialog through a function, or cancels it.
class ReverseAnswer : public DialogAnswerer {
  public:
    std::function<void(ReverseEngineerDialog&)> answer;
    int shown = 0;
    void Answer(QDialog& dialog) override {
        ++shown;
        auto* reverse = dynamic_cast<ReverseEngineerDialog*>(&dialog);
        if (reverse == nullptr || !answer) {
            dialog.reject();
            return;
        }
        answer(*reverse);
    }
};

class ReverseCommandsTest : public test::ProjectWindowTest {
  protected:
    CChildFrame& Frame() { return *frame->ActiveChild(); }
    bool Enabled(int id) {
        CommandState state;
        EXPECT_TRUE(Frame().OnUpdateCommand(id, state)) << id;
        return state.enabled;
    }
    // Source files of classes C0, C1, ... in a folder of the scratch folder.
    std::vector<std::string> Sources(int count) {
        const std::string folder = scratch / "src";
        MakeDirectories(folder);
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i) {
            paths.push_back(folder + "/C" + std::to_string(i) + ".h");
            EXPECT_TRUE(
                WriteFileReplacing(paths.back(), "class C" + std::to_string(i) + " { int n; };\n"));
        }
        return paths;
    }

    ReverseAnswer answer;
    ScopedDialogAnswerer answering{&answer};
};

TEST_F(ReverseCommandsTest, MenuRowsAndUpdateRules) {
    std::vector<std::string> labels;
    for (QAction* menu : frame->menuBar()->actions())
        if (menu->menu() != nullptr)
            for (QAction* item : menu->menu()->actions())
                labels.push_back(menu->text().toStdString() + "/" + item->text().toStdString());
    for (const char* label :
         {"&Tools/&Reverse Engineer...", "&Tools/Redo &Last Reverse Engineer...",
          "&File/Open &File Separately", "&File/&Load Reference Project..."})
        EXPECT_NE(std::find(labels.begin(), labels.end(), label), labels.end()) << label;

    // A diagram of any kind admits the command (it checks the kind itself);
    // redo needs a file in the Reversed folder; a tool model admits neither.
    // The project opened lists its generated and reversed files, and the
    // explorer shows them as soon as the window opens.
    ASSERT_NE(Document().CurrentModel(), nullptr);
    EXPECT_TRUE(Enabled(cmd::ReverseEngineer));
    TExplorer* explorer = Frame().Explorer();
    const std::vector<std::pair<int, int>> listed{
        {EfCode, 2}, {EfDocuments, 1}, {EfOtherGenerated, 2}, {EfReversed, 1}};
    for (const auto& [folder, count] : listed)
        EXPECT_EQ(explorer->Folder(folder)->childCount(), count) << folder;
    EXPECT_EQ(explorer->Folder(EfReversed)->child(0)->text(0).toStdString(), "src/Shape.java");
    EXPECT_TRUE(Enabled(cmd::RedoLastReverse));
    qDeleteAll(explorer->Folder(EfReversed)->takeChildren());
    Document().Folders().revFiles.clear();
    EXPECT_FALSE(Enabled(cmd::RedoLastReverse));
    EXPECT_TRUE(Enabled(cmd::LoadReferenceProject));
    Model* states = Document().NewModel(MkState, nullptr);
    Frame().ShowModel(states);
    EXPECT_TRUE(Enabled(cmd::ReverseEngineer));
    Document().SetCurrentModel(nullptr);
    EXPECT_FALSE(Enabled(cmd::ReverseEngineer));

    // Open File Separately follows the explorer's selection.
    explorer->setCurrentItem(explorer->Folder(EfReversed));
    EXPECT_FALSE(Enabled(cmd::OpenFileSeparately));
    explorer->AddFileItem(EfReversed, "/src/a.h");
    explorer->setCurrentItem(explorer->Folder(EfReversed)->child(0));
    EXPECT_TRUE(Enabled(cmd::OpenFileSeparately));
}

TEST_F(ReverseCommandsTest, AModelOfAnotherKindIsRefusedWithoutTheDialog) {
    Model* states = Document().NewModel(MkState, nullptr);
    Frame().ShowModel(states);
    auto* prompts = dynamic_cast<HeadlessPrompts*>(&Prompts());
    ASSERT_NE(prompts, nullptr);
    const int beeps = prompts->beeps;
    prompts->asked.clear();
    EXPECT_TRUE(Frame().OnCommand(cmd::ReverseEngineer));
    EXPECT_EQ(answer.shown, 0);
    EXPECT_EQ(prompts->beeps, beeps + 1);
    EXPECT_EQ(prompts->asked, std::vector<std::string>{ReverseCommands::kWrongModelMessage});
}

TEST_F(ReverseCommandsTest, ARunStepsTheProgressFillsReversedAndRedoStartsFromIt) {
    const std::vector<std::string> files = Sources(120);
    Model* model = Document().NewModel(MkClass, nullptr);
    Frame().ShowModel(model);
    std::vector<int> steps;
    QObject::connect(frame->Progress(), &QProgressBar::valueChanged,
                     [&](int value) { steps.push_back(value); });
    answer.answer = [&](ReverseEngineerDialog& dialog) {
        dialog.Languages()->setCurrentText("C++");
        dialog.AddSourceFiles(files);
        dialog.OnReverse();
    };
    EXPECT_TRUE(Frame().OnCommand(cmd::ReverseEngineer));
    EXPECT_EQ(answer.shown, 1);
    EXPECT_EQ(model->Drawables().size(), files.size());
    EXPECT_FALSE(Document().GetJournal().CanUndo());
    // Every file stepped the control, which is hidden again at the end.
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), static_cast<int>(files.size()));
    EXPECT_GE(steps.size(), files.size());
    EXPECT_EQ(frame->Progress()->maximum(), static_cast<int>(files.size()));
    EXPECT_TRUE(frame->Progress()->isHidden());
    // The explorer's Reversed folder lists the files, and redo is offered.
    EXPECT_EQ(Frame().Explorer()->Folder(EfReversed)->childCount(), static_cast<int>(files.size()));
    EXPECT_TRUE(Enabled(cmd::RedoLastReverse));

    std::vector<std::string> offered;
    answer.answer = [&](ReverseEngineerDialog& dialog) {
        offered = dialog.SourceFiles();
        dialog.reject();
    };
    EXPECT_TRUE(Frame().OnCommand(cmd::RedoLastReverse));
    EXPECT_EQ(offered, files);
}

TEST_F(ReverseCommandsTest, OpenFileSeparatelyStartsTheFilesViewer) {
    std::vector<std::vector<std::string>> started;
    app->Env()->startProgram = [&](const std::vector<std::string>& arguments) {
        started.push_back(arguments);
    };
    const std::string viewer = scratch / "viewer";
    ASSERT_TRUE(WriteFileReplacing(viewer, "#!/bin/sh\n"));
    app->Env()->Settings().SetViewer("h", viewer, true);
    TExplorer* explorer = Frame().Explorer();
    explorer->AddFileItem(EfReversed, "/src/a.h");
    explorer->setCurrentItem(explorer->Folder(EfReversed)->child(0));
    EXPECT_TRUE(Frame().OnCommand(cmd::OpenFileSeparately));
    EXPECT_EQ(started, (std::vector<std::vector<std::string>>{{viewer, "/src/a.h"}}));
}

TEST_F(ReverseCommandsTest, LoadReferenceProjectOpensItOnceAndShowsItsTab) {
    const std::string reference = scratch / "reference.pro";
    ASSERT_TRUE(WriteFileReplacing(reference, ReadWholeFile(project, 1 << 20).value_or("")));
    test::ScriptedDialogs dialogs;
    FileDialogs* before = app->Env()->Context().dialogs;
    app->Env()->Context().dialogs = &dialogs;

    // Cancelled: nothing opens.
    EXPECT_TRUE(Frame().OnCommand(cmd::LoadReferenceProject));
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].filter, "Reference Project (*.pro) | *.pro ||");
    EXPECT_EQ(dialogs.requests[0].defaultExtension, "pro");
    EXPECT_FALSE(app->Library()->IsLoaded());

    dialogs.open = {reference};
    EXPECT_TRUE(Frame().OnCommand(cmd::LoadReferenceProject));
    ASSERT_TRUE(app->Library()->IsLoaded());
    const CCASEDoc* loaded = app->Library()->Document();
    EXPECT_EQ(Frame().Extra()->SelectedTab(), TabReference);

    // The same project again changes nothing, not even the tab.
    Frame().Extra()->SelectTab(TabLister);
    dialogs.open = {reference};
    EXPECT_TRUE(Frame().OnCommand(cmd::LoadReferenceProject));
    EXPECT_EQ(app->Library()->Document(), loaded);
    EXPECT_EQ(Frame().Extra()->SelectedTab(), TabLister);
    app->Env()->Context().dialogs = before;
}

} // namespace
} // namespace qm
