// The Reverse Engineer dialog driven as a user drives it: the option lists
// of the languages and scripts, Recursive Add by the language's extensions,
// Auto Select with and without recorded files, the state kept on every close,
// redo-last, and Reverse building classes without a way back in the journal.
#include "dialogs/reverse/ReverseEngineerDialog.h"

#include "dialogs/model/DialogServices.h"
#include "document/FolderLists.h"
#include "document/UndoJournal.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "kernel/Init.h"
#include "model/Master.h"
#include "platform/PathHelpers.h"
#include "platform/Prompt.h"
#include "reverse/ReverseDocument.h"
#include "scripting/VxBuiltins.h"
#include "tests/dialogs/FindDialogInput.h"
#include "tests/document/DocumentFixture.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <filesystem>
#include <gtest/gtest.h>

namespace qm {
namespace {

using test::Click;

std::vector<std::string> Lines(const QListWidget& list) {
    std::vector<std::string> lines;
    for (int i = 0; i < list.count(); ++i)
        lines.push_back(list.item(i)->text().toStdString());
    return lines;
}

// Answers the file dialogs the source buttons open: with paths, or cancelled.
class FileAnswer : public DialogAnswerer {
  public:
    QStringList paths;
    int shown = 0;
    QString title;
    QStringList filters;
    void Answer(QDialog& dialog) override {
        ++shown;
        auto* files = dynamic_cast<QFileDialog*>(&dialog);
        ASSERT_NE(files, nullptr);
        title = files->windowTitle();
        filters = files->nameFilters();
        if (paths.isEmpty()) {
            dialog.done(QDialog::Rejected);
            return;
        }
        files->selectFile(paths.size() == 1 ? paths.front() : "\"" + paths.join("\" \"") + "\"");
        dialog.done(QDialog::Accepted);
    }
};

class ReverseDialogTest : public test::DocumentTest {
  protected:
    ReverseDialogTest() {
        settings.ScriptFolder = scratch / "Scripts";
        MakeDirectories(settings.ScriptFolder + "/RevEng");
        context.newProjectArmed = true;
        context.commandLineTemplate = "<Internal>";
        document = NewDoc();
        EXPECT_TRUE(document->OnNewDocument());
        Model* main = document->NewModel(MkClass, nullptr);
        main->name = "Main";
        document->SetCurrentModel(main);
        document->SetModifiedFlag(false);
    }

    std::unique_ptr<ReverseEngineerDialog> Open(bool redoLast = false) {
        auto dialog = std::make_unique<ReverseEngineerDialog>(*document, redoLast);
        dialog->show();
        return dialog;
    }

    void Choose(ReverseEngineerDialog& dialog, const char* language) {
        const int index = dialog.Languages()->findText(language);
        ASSERT_GE(index, 0) << language;
        dialog.Languages()->setCurrentIndex(index);
    }

    // Makes the files of a source tree in the scratch folder; returns its root.
    std::string Tree(const std::vector<std::string>& files) {
        const std::string root = scratch / "src";
        for (const std::string& file : files) {
            MakeDirectories(DirectoryOfPath(root + "/" + file));
            WriteFile("src/" + file, "class " + FileNameOfPath(RemoveExtension(file)) + " { };\n");
        }
        return root;
    }

    std::unique_ptr<CCASEDoc> document;
    FileAnswer files;
    ScopedDialogAnswerer answering{&files};
};

TEST_F(ReverseDialogTest, EachLanguageOffersItsOptionsAndScriptsFollowTheLanguages) {
    WriteFile("Scripts/RevEng/cobol.vxs", ";$Copybooks=cpy cbl\n;? Where the copybooks are\n"
                                          ";$Flat\n;$Dialect=ANSI|IBM\n"
                                          "(def KestReverse (lam (n f) nil))\n");
    WriteFile("Scripts/RevEng/notes.txt", "not a script");
    auto dialog = Open();
    std::vector<std::string> languages;
    for (int i = 0; i < dialog->Languages()->count(); ++i)
        languages.push_back(dialog->Languages()->itemText(i).toStdString());
    EXPECT_EQ(languages, (std::vector<std::string>{"C++", "C#", "Java", "Orvistal", "IDL", "PHP",
                                                   "Forte TOOL", "cobol.vxs"}));
    EXPECT_EQ(dialog->Languages()->currentText(), "C++");
    EXPECT_EQ(Lines(*dialog->OptionLines()),
              (std::vector<std::string>{
                  "Show All Attributes And Methods", "Show Relationships Graphically",
                  "Record File Names In Classes", "File Extensions=h hpp inl c cc cpp"}));
    const struct {
        const char* language;
        size_t lines;
        bool keepsCode;
    } cases[] = {{"C#", 5, true},   {"Java", 5, true}, {"Orvistal", 5, true},
                 {"IDL", 4, false}, {"PHP", 5, true},  {"Forte TOOL", 5, true},
                 {"C++", 4, false}};
    for (const auto& c : cases) {
        Choose(*dialog, c.language);
        const std::vector<std::string> lines = Lines(*dialog->OptionLines());
        EXPECT_EQ(lines.size(), c.lines) << c.language;
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "Keep Method Code"), c.keepsCode ? 1 : 0)
            << c.language;
        EXPECT_TRUE(dialog->IsBuiltIn());
    }

    Choose(*dialog, "cobol.vxs");
    EXPECT_FALSE(dialog->IsBuiltIn());
    EXPECT_EQ(Lines(*dialog->OptionLines()),
              (std::vector<std::string>{"Copybooks=cpy cbl", "Flat", "Dialect=ANSI"}));
    // The first line is selected: its value and description show.
    EXPECT_EQ(dialog->ValueEdit()->text(), "cpy cbl");
    EXPECT_TRUE(dialog->ValueEdit()->isEnabled());
    EXPECT_EQ(dialog->Description()->text(), "Description: Where the copybooks are");
    dialog->OptionLines()->setCurrentRow(1);
    EXPECT_FALSE(dialog->ValueEdit()->isEnabled());
    EXPECT_EQ(dialog->ValueEdit()->text(), "");
    EXPECT_EQ(dialog->Description()->text(), "Description: ");
    // A choice shows its alternatives in place of the edit; Set takes the one chosen.
    dialog->OptionLines()->setCurrentRow(2);
    EXPECT_TRUE(dialog->ValueEdit()->isHidden());
    EXPECT_FALSE(dialog->ValueChoice()->isHidden());
    ASSERT_EQ(dialog->ValueChoice()->count(), 2);
    EXPECT_EQ(dialog->ValueChoice()->itemText(1), "IBM");
    EXPECT_FALSE(dialog->SetButton()->isEnabled());
    dialog->ValueChoice()->setCurrentIndex(1);
    emit dialog->ValueChoice()->activated(1);
    Click(dialog->SetButton());
    EXPECT_EQ(dialog->OptionLines()->item(2)->text(), "Dialect=IBM");
    EXPECT_FALSE(dialog->SetButton()->isEnabled());
    // A pending edit is applied when another line is selected.
    dialog->OptionLines()->setCurrentRow(0);
    dialog->ValueEdit()->setText("cpy");
    emit dialog->ValueEdit()->textEdited("cpy");
    dialog->OptionLines()->setCurrentRow(1);
    EXPECT_EQ(dialog->OptionLines()->item(0)->text(), "Copybooks=cpy");
    EXPECT_EQ(dialog->Options().front().value, "cpy");

    struct Help : DialogHelp {
        void ShowHelpTopic(const std::string& topic) override { topics.push_back(topic); }
        std::vector<std::string> topics;
    } help;
    ScopedDialogHelp helping(&help);
    Click(dialog->findChild<QPushButton*>("Help"));
    EXPECT_EQ(help.topics, std::vector<std::string>{"Chapter8.html#Tools:ReverseEngineer"});
}

TEST_F(ReverseDialogTest, RecursiveAddTakesTheLanguagesExtensionsOnly) {
    // "p" occurs inside "hpp", so z.p is taken; names are matched by their
    // extension in any letter case; folders are walked in name order.
    const std::string root =
        Tree({"x.h", "y.cc", "z.p", "notes.txt", "Makefile", "b/deep/W.HPP", "b/k.java", "a.cpp"});
    auto dialog = Open();
    EXPECT_FALSE(dialog->ReverseButton()->isEnabled());
    files.paths = {QString::fromStdString(root + "/Ignore this!")};
    Click(dialog->RecursiveAddButton());
    EXPECT_EQ(files.title, "Recursive Add");
    EXPECT_EQ(dialog->SourceFiles(),
              (std::vector<std::string>{root + "/a.cpp", root + "/b/deep/W.HPP", root + "/x.h",
                                        root + "/y.cc", root + "/z.p"}));
    EXPECT_TRUE(dialog->ReverseButton()->isEnabled());
    EXPECT_TRUE(dialog->ReverseButton()->isDefault());

    // Java takes only the .java file, added after what is there.
    Choose(*dialog, "Java");
    Click(dialog->RecursiveAddButton());
    EXPECT_EQ(dialog->SourceFiles().size(), 6u);
    EXPECT_EQ(dialog->SourceFiles().back(), root + "/b/k.java");

    // An edited extension list is what the walk uses.
    dialog->OptionLines()->setCurrentRow(4);
    ASSERT_EQ(dialog->OptionLines()->currentItem()->text(), "File Extensions=java");
    dialog->ValueEdit()->setText("txt");
    emit dialog->ValueEdit()->textEdited("txt");
    EXPECT_TRUE(dialog->SetButton()->isEnabled());
    Click(dialog->SetButton());
    EXPECT_EQ(dialog->OptionLines()->item(4)->text(), "File Extensions=txt");
    Click(dialog->RecursiveAddButton());
    EXPECT_EQ(dialog->SourceFiles().back(), root + "/notes.txt");

    // A link back up the tree is not walked, so the walk ends and takes
    // each file once.
    std::filesystem::create_directory_symlink(root, root + "/b/loop");
    EXPECT_EQ(CollectSourceFiles(root, "h cc"),
              (std::vector<std::string>{root + "/x.h", root + "/y.cc"}));
    EXPECT_TRUE(CollectSourceFiles(root + "/missing", "h").empty());

    // A cancelled folder choice adds nothing.
    files.paths.clear();
    Click(dialog->RecursiveAddButton());
    EXPECT_EQ(dialog->SourceFiles().size(), 7u);
}

TEST_F(ReverseDialogTest, AddAndDropFiles) {
    const std::string root = Tree({"a.h", "b.h", "c.h"});
    auto dialog = Open();
    files.paths = {QString::fromStdString(root + "/a.h"), QString::fromStdString(root + "/c.h")};
    Click(dialog->AddFilesButton());
    EXPECT_EQ(files.filters, QStringList{"C++ Files (*.h *.hpp *.inl *.c *.cc *.cpp)"});
    EXPECT_EQ(dialog->SourceFiles(), (std::vector<std::string>{root + "/a.h", root + "/c.h"}));

    EXPECT_FALSE(dialog->DropFilesButton()->isEnabled());
    dialog->Sources()->item(0)->setSelected(true);
    EXPECT_TRUE(dialog->DropFilesButton()->isEnabled());
    Click(dialog->DropFilesButton());
    EXPECT_EQ(dialog->SourceFiles(), std::vector<std::string>{root + "/c.h"});
    dialog->Sources()->item(0)->setSelected(true);
    Click(dialog->DropFilesButton());
    EXPECT_FALSE(dialog->ReverseButton()->isEnabled());
    EXPECT_TRUE(dialog->CancelButton()->isDefault());
}

TEST_F(ReverseDialogTest, AutoSelectFindsRecordedFilesOrExplainsWhyNot) {
    const std::string root = Tree({"shop/Cart.h", "shop/Item.h"});
    {
        auto dialog = Open();
        Click(dialog->AutoSelectButton());
        ASSERT_EQ(prompts.asked.size(), 1u);
        EXPECT_EQ(prompts.asked.front(), ReverseEngineerDialog::kNoFilesMessage);
        EXPECT_TRUE(dialog->SourceFiles().empty());
        EXPECT_FALSE(dialog->ReverseButton()->isEnabled());

        // A run that records the file names in its classes.
        files.paths = {QString::fromStdString(root + "/Ignore this!")};
        Click(dialog->RecursiveAddButton());
        dialog->OptionLines()->item(2)->setCheckState(Qt::Checked);
        ASSERT_EQ(dialog->OptionLines()->item(2)->text(), "Record File Names In Classes");
        Click(dialog->ReverseButton());
    }
    prompts.asked.clear();
    auto again = Open();
    Click(again->AutoSelectButton());
    EXPECT_TRUE(prompts.asked.empty());
    std::vector<std::string> found = again->SourceFiles();
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{root + "/shop/Cart.h", root + "/shop/Item.h"}));
}

TEST_F(ReverseDialogTest, ReverseBuildsClassesAndLeavesNothingToUndo) {
    const std::string root = Tree({"Shape.h", "Circle.h"});
    WriteFile("src/Circle.h", "#include \"Shape.h\"\nclass Circle : public Shape { int r; };\n");
    // Something undoable before the run: the run resets the journal.
    Model* main = document->CurrentModel();
    document->NewModel(MkClass, nullptr)->name = "Other";
    document->SetCurrentModel(main);
    auto dialog = Open();
    files.paths = {QString::fromStdString(root + "/Ignore this!")};
    Click(dialog->RecursiveAddButton());
    Click(dialog->ReverseButton());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog->isVisible());

    std::vector<std::string> placed;
    for (const auto& drawable : main->Drawables())
        if (auto* place = dynamic_cast<Place*>(drawable.get()))
            if (const Master* master = place->GetMaster())
                placed.push_back(master->name);
    std::sort(placed.begin(), placed.end());
    EXPECT_EQ(placed, (std::vector<std::string>{"Circle", "Shape"}));
    EXPECT_FALSE(document->GetJournal().CanUndo());
    EXPECT_FALSE(document->GetJournal().CanRedo());
    EXPECT_EQ(document->Folders().revFiles,
              (std::vector<std::string>{root + "/Circle.h", root + "/Shape.h"}));
    EXPECT_EQ(document->Language(), "C++");

    // Redo-last starts with the files of that run.
    auto redo = Open(true);
    EXPECT_EQ(redo->SourceFiles(), document->Folders().revFiles);
    EXPECT_TRUE(redo->ReverseButton()->isEnabled());
}

TEST_F(ReverseDialogTest, AScriptRunsOverTheListWithItsOptions) {
    WriteFile("Scripts/RevEng/echo.vxs",
              ";$Prefix=cls_\n"
              "(def KestReverse (lam (n files)\n"
              "  (VxWriteLog \"files \" files \" prefix \" $Prefix)))\n");
    const std::string root = Tree({"a.cbl", "b.cbl"});
    // The kernel with the model's built-ins, as the application starts it.
    kest::setvxregistration(RegisterVxBuiltins);
    kest::initkernel();
    kest::setvxregistration(nullptr);
    auto dialog = Open();
    Choose(*dialog, "echo.vxs");
    dialog->OptionLines()->item(0)->setCheckState(Qt::Checked);
    dialog->AddSourceFiles({root + "/b.cbl", root + "/a.cbl"});
    log.Clear();
    Click(dialog->ReverseButton());
    EXPECT_NE(log.Text().find("files (" + root + "/b.cbl " + root + "/a.cbl) prefix cls_"),
              std::string::npos)
        << log.Text();
    EXPECT_EQ(document->Language(), "echo.vxs");
    EXPECT_FALSE(document->GetJournal().CanUndo());
}

TEST_F(ReverseDialogTest, AModelOfAnotherKindGetsNothing) {
    const std::string root = Tree({"A.h"});
    Model* states = document->NewModel(MkState, nullptr);
    document->SetCurrentModel(states);
    auto dialog = Open();
    dialog->AddSourceFiles({root + "/A.h"});
    Click(dialog->ReverseButton());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(states->Drawables().empty());
    EXPECT_TRUE(document->Folders().revFiles.empty());
}

TEST_F(ReverseDialogTest, EveryCloseKeepsLanguageOptionsAndProfileBits) {
    document->Profile().flags |= kRevShowAllMembers | kRevRelationshipsAsLinks;
    {
        auto dialog = Open();
        Choose(*dialog, "Java");
        ASSERT_EQ(dialog->OptionLines()->item(1)->text(), "Show Relationships Graphically");
        dialog->OptionLines()->item(1)->setCheckState(Qt::Unchecked);
        ASSERT_EQ(dialog->OptionLines()->item(2)->text(), "Keep Method Code");
        dialog->OptionLines()->item(2)->setCheckState(Qt::Unchecked);
        Click(dialog->CancelButton());
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
    }
    const uint32_t flags = document->Profile().flags;
    EXPECT_NE(flags & kRevShowAllMembers, 0u);
    EXPECT_EQ(flags & kRevRelationshipsAsLinks, 0u);
    EXPECT_EQ(flags & kRevKeepMethodCode, 0u);
    EXPECT_EQ(flags & kRevRecordFileNames, 0u);
    EXPECT_EQ(document->Profile().language, "Java");
    EXPECT_EQ(settings.Language, "Java");
    EXPECT_TRUE(document->IsModified());

    // The next dialog starts with Java and its stored check marks; C++ kept
    // its own.
    auto again = Open();
    EXPECT_EQ(again->Languages()->currentText(), "Java");
    EXPECT_EQ(again->OptionLines()->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(again->OptionLines()->item(1)->checkState(), Qt::Unchecked);
    EXPECT_EQ(again->OptionLines()->item(2)->checkState(), Qt::Unchecked);
    Choose(*again, "C++");
    EXPECT_EQ(again->OptionLines()->item(1)->checkState(), Qt::Checked);
}

TEST_F(ReverseDialogTest, ANeverSavedProjectStartsWithTheUsersLastLanguage) {
    document->Profile().language = "PHP";
    settings.Language = "C#";
    EXPECT_EQ(Open()->Languages()->currentText(), "C#");
    document->SetPathName(scratch / "saved.pro");
    document->Profile().language = "PHP";
    EXPECT_EQ(Open()->Languages()->currentText(), "PHP");
}

} // namespace
} // namespace qm
