// The project explorer on the shapes fixture: its folders, the models in
// their hierarchy following the document (scripts, undo), delete with its
// question and undo, moving models, the context menu.
#include "shell/panes/Explorer.h"

#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "kernel/Init.h"
#include "platform/UserSettings.h"
#include "scripting/ScriptRunners.h"
#include "scripting/VxBuiltins.h"
#include "tests/shell/PaneFixture.h"

#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

namespace qm::test {
namespace {

std::vector<std::string> ChildTexts(const QTreeWidgetItem* item) {
    std::vector<std::string> texts;
    for (int i = 0; i < item->childCount(); ++i)
        texts.push_back(item->child(i)->text(0).toStdString());
    return texts;
}

// The models under an item as "name(children...)", depth first.
std::string Tree(const QTreeWidgetItem* item) {
    std::string text;
    for (int i = 0; i < item->childCount(); ++i) {
        const QTreeWidgetItem* child = item->child(i);
        text += (i ? " " : "") + child->text(0).toStdString();
        if (child->childCount() > 0)
            text += "(" + Tree(child) + ")";
    }
    return text;
}

class ExplorerTest : public PaneTest {
  protected:
    ExplorerTest() {
        explorer = std::make_unique<TExplorer>(*window);
        explorer->FillProjectTree();
        explorer->FillModelItems(true);
    }
    std::string Models() const { return Tree(explorer->Folder(EfModels)); }
    void Select(const std::string& name) {
        explorer->setCurrentItem(explorer->FindToolItem(ModelNamed(name)));
    }

    std::unique_ptr<TExplorer> explorer;
};

TEST_F(ExplorerTest, FoldersAndModelsInTheirOrder) {
    QTreeWidgetItem* root = explorer->Root();
    EXPECT_EQ(root->text(0).toStdString(), "Project");
    const std::vector<std::string> top = ChildTexts(root);
    ASSERT_EQ(top.size(), 5u);
    EXPECT_EQ(top[0], "Models");
    EXPECT_EQ(top[2], "Generated");
    EXPECT_EQ(top[3], "Reversed");
    EXPECT_EQ(top[4], "Scripts");
    EXPECT_EQ(ChildTexts(root->child(1)),
              (std::vector<std::string>{"Diagrams", "Links", "Places"}));
    EXPECT_EQ(ChildTexts(root->child(2)), (std::vector<std::string>{"Code", "Documents", "Other"}));
    EXPECT_EQ(ChildTexts(root->child(4)),
              (std::vector<std::string>{"CodeGen", "DocGen", "Other", "Import", "Export", "RevEng",
                                        "Task"}));
    // Every model kind leads to "Models"; any other kind to the root.
    for (int kind : {0, 11, 14, 17})
        EXPECT_EQ(explorer->FolderItemOfKind(kind), explorer->Folder(EfModels)) << kind;
    EXPECT_EQ(explorer->FolderItemOfKind(1), root);
    // The submodel sits below its parent model; the generated files are
    // listed sorted, the template's diagram types and tools filled.
    EXPECT_EQ(Models(), "Classes(Shape)");
    EXPECT_EQ(ChildTexts(explorer->Folder(EfCode)),
              (std::vector<std::string>{"gen/Circle.java", "gen/Shape.java"}));
    EXPECT_EQ(explorer->Folder(EfDiagrams)->childCount(), 8);
    EXPECT_GT(explorer->Folder(EfPlaces)->childCount(), 0);
}

TEST_F(ExplorerTest, ProjectWithoutModelsGetsItsDefaultModelOnTheFirstFill) {
    auto empty = NewDoc();
    empty->LoadText(FixtureText().substr(0, FixtureText().find("(customModel")));
    ASSERT_EQ(empty->ModelCount(), 0u);
    FakeProjectWindow emptyWindow(*empty);
    TExplorer tree(emptyWindow);
    tree.FillProjectTree();
    EXPECT_EQ(tree.FillModelItems(true), 1u);
    EXPECT_EQ(empty->GetModelAt(0)->name, "Untitled");
    EXPECT_EQ(empty->GetModelAt(0)->kind, 0);
    EXPECT_EQ(Tree(tree.Folder(EfModels)), "Untitled");
}

TEST_F(ExplorerTest, ModelMadeByAScriptAppearsUnderItsParent) {
    InstallVxBuiltins();
    kest::initkernel();
    const std::string script = WriteFile(
        "make.vxs", "(def KestTask (lam () (VxMakeModel (VxProject) (name \"Detail\") (type class)"
                    " (parentModel (VxFind 'model \"Shape\")))))\n");
    ASSERT_TRUE(RunTaskScript(script, *doc, explorer.get()));
    EXPECT_EQ(Models(), "Classes(Shape(Detail))");
    // A rename reaches the item, and a model the script removes goes.
    ModelNamed("Detail")->name = "Details";
    doc->Events().NoteChanged(nullptr, nullptr, {});
    doc->Events().Publish();
    EXPECT_EQ(Models(), "Classes(Shape(Details))");
}

TEST_F(ExplorerTest, DeleteAsksRemovesAndUndoBringsTheModelsBack) {
    settings.Options |= ConfirmModelDelete;
    Select("Classes");
    prompts.Script(PromptAnswer::No);
    explorer->OnCommand(cmd::EditDelete);
    EXPECT_EQ(prompts.asked.back(), "Are you sure you want to delete model 'Classes'?");
    EXPECT_EQ(Models(), "Classes(Shape)");
    EXPECT_TRUE(Journal().Records().empty());

    prompts.Script(PromptAnswer::Yes);
    explorer->OnCommand(cmd::EditDelete);
    EXPECT_EQ(doc->ModelCount(), 0u);
    EXPECT_EQ(Models(), "");
    ASSERT_EQ(Journal().Records().size(), 1u);
    EXPECT_EQ(Journal().Records()[0].description, "Delete Model");

    ASSERT_TRUE(Journal().Replay(1, false));
    EXPECT_EQ(Models(), "Classes(Shape)");
    EXPECT_EQ(doc->GetModelAt(0)->name, "Classes");
    // The items name the models undo re-created.
    EXPECT_EQ(explorer->ModelOfItem(explorer->FindToolItem(ModelNamed("Shape"))),
              ModelNamed("Shape"));
}

// The Delete key keeps the command's rule: a built-in tool stays, asked
// nothing; a diagram goes as the command takes it.
TEST_F(ExplorerTest, TheDeleteKeyKeepsTheCommandsRule) {
    settings.Options |= ConfirmModelDelete;
    QTreeWidgetItem* links = explorer->Folder(EfLinks);
    ASSERT_GT(links->childCount(), 0);
    QTreeWidgetItem* tool = links->child(0);
    const std::string name = tool->text(0).toStdString();
    explorer->setCurrentItem(tool);
    CommandState state;
    ASSERT_TRUE(explorer->OnUpdateCommand(cmd::EditDelete, state));
    ASSERT_FALSE(state.enabled);
    const size_t asked = prompts.asked.size();
    prompts.Script(PromptAnswer::Yes);
    QTest::keyClick(explorer.get(), Qt::Key_Delete);
    EXPECT_EQ(prompts.asked.size(), asked);
    ASSERT_GT(links->childCount(), 0);
    EXPECT_EQ(links->child(0)->text(0).toStdString(), name);
    EXPECT_TRUE(Journal().Records().empty());

    Select("Classes");
    QTest::keyClick(explorer.get(), Qt::Key_Delete);
    EXPECT_EQ(doc->ModelCount(), 0u);
    ASSERT_EQ(Journal().Records().size(), 1u);
}

TEST_F(ExplorerTest, DeleteWithoutConfirmationAsksNothingAndShowsTheParent) {
    settings.Options &= ~uint32_t(ConfirmModelDelete);
    Select("Shape");
    explorer->OnCommand(cmd::PopupDelete);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(Models(), "Classes");
    ASSERT_FALSE(window->shown.empty());
    EXPECT_EQ(window->shown.back(), ModelNamed("Classes"));
}

TEST_F(ExplorerTest, MovingModelsAmongTheirSiblings) {
    Model* later = doc->NewModel(12, nullptr);
    later->name = "Later";
    doc->Events().Publish();
    ASSERT_EQ(Models(), "Classes(Shape) Later");

    // The first model cannot move up: a beep, and nothing recorded.
    explorer->MoveModelUpDown(ModelNamed("Classes"), true, false);
    EXPECT_EQ(prompts.beeps, 1);
    EXPECT_EQ(Models(), "Classes(Shape) Later");
    EXPECT_TRUE(Journal().Records().empty());

    explorer->MoveModelUpDown(ModelNamed("Classes"), false, false);
    EXPECT_EQ(Models(), "Later Classes(Shape)");
    EXPECT_LT(doc->GetModelIndex(later), doc->GetModelIndex(ModelNamed("Classes")));
    ASSERT_EQ(Journal().Records().size(), 1u);
    EXPECT_EQ(Journal().Records()[0].description, "Move Model Down");

    ASSERT_TRUE(Journal().Replay(1, false));
    EXPECT_EQ(Models(), "Classes(Shape) Later");
}

TEST_F(ExplorerTest, ContextMenuLabelsAndTheirStates) {
    auto enabled = [&](const std::string& label) {
        QMenu* menu = explorer->BuildContextMenu();
        bool on = false;
        bool found = false;
        for (QAction* action : menu->actions())
            if (action->text().toStdString() == label) {
                on = action->isEnabled();
                found = true;
            }
        delete menu;
        EXPECT_TRUE(found) << label;
        return on;
    };
    // A folder: only the commands that need no model.
    explorer->setCurrentItem(explorer->Folder(EfModels));
    EXPECT_TRUE(enabled("New Model..."));
    EXPECT_TRUE(enabled("Properties..."));
    EXPECT_FALSE(enabled("Delete"));
    EXPECT_FALSE(enabled("Cut"));
    for (const char* label : {"Explode...", "Submodel", "Break Explode Link", "Call..."})
        EXPECT_FALSE(enabled(label)) << label;
    Select("Classes");
    for (const char* label : {"Cut", "Copy", "Shallow Copy", "Delete"})
        EXPECT_TRUE(enabled(label)) << label;
    // Implode needs a current model with a parent.
    doc->SetCurrentModel(ModelNamed("Shape"));
    EXPECT_TRUE(enabled("Implode"));
    doc->SetCurrentModel(ModelNamed("Classes"));
    EXPECT_FALSE(enabled("Implode"));
}

TEST_F(ExplorerTest, SelectingShowsTheModelAndARefusalSelectsTheCurrentOneAgain) {
    Select("Shape");
    EXPECT_EQ(doc->CurrentModel(), ModelNamed("Shape"));
    window->refuse = true;
    Select("Classes");
    EXPECT_EQ(explorer->GetSelectedModel(), ModelNamed("Shape"));
    // A file item opens its file.
    window->refuse = false;
    explorer->OpenItem(explorer->Folder(EfCode)->child(0));
    EXPECT_EQ(window->opened, (std::vector<std::string>{"gen/Circle.java"}));
}

TEST_F(ExplorerTest, ScriptBuiltinsFillTheFileFolders) {
    explorer->DeleteFolderChildren(EfDocuments);
    explorer->AddFileItem(EfDocuments, "doc/b.html");
    explorer->AddFileItem(EfDocuments, "doc/a.html");
    EXPECT_EQ(ChildTexts(explorer->Folder(EfDocuments)),
              (std::vector<std::string>{"doc/a.html", "doc/b.html"}));
    // The document keeps what the project file stores.
    EXPECT_EQ(doc->Folders().docFiles.size(), 2u);
    explorer->OpenFirstGeneratedDocument();
    EXPECT_EQ(window->opened.back(), "doc/a.html");
}

} // namespace
} // namespace qm::test
