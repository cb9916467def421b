// The Run Script dialog driven as a user drives it: the scripts of the
// task's folder and nothing else, the chosen script's options with their
// descriptions and editing, the Run button's rule, the import and export
// labels, the browse buttons, and the settings stored on Run and shown again.
#include "dialogs/script/ScriptTaskDialog.h"

#include "dialogs/model/DialogServices.h"
#include "dialogs/sheets/CheckListBox.h"
#include "drawables/Model.h"
#include "platform/Registry.h"
#include "tests/dialogs/FindDialogInput.h"
#include "tests/document/DocumentFixture.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <functional>
#include <gtest/gtest.h>

namespace qm {
namespace {

using test::Click;

constexpr const char* kScript = ";$Verbose\n"
                                ";? Log every file written.\n"
                                ";$Prefix=ab||c\n"
                                ";? The text before every name.\n"
                                ";$Ext=h|hpp|hh\n"
                                ";? The extension of the headers.\n"
                                "(def KestMain (lam (s n t f a b) t))\n";

std::vector<std::string> Items(const QComboBox& combo) {
    std::vector<std::string> items;
    for (int i = 0; i < combo.count(); ++i)
        items.push_back(combo.itemText(i).toStdString());
    return items;
}

std::vector<std::string> Rows(const QListWidget& list) {
    std::vector<std::string> rows;
    for (int i = 0; i < list.count(); ++i)
        rows.push_back(list.item(i)->text().toStdString());
    return rows;
}

// Answers a modal dialog through a function.
struct ScriptedAnswer : DialogAnswerer {
    std::function<void(QDialog&)> answer;
    void Answer(QDialog& dialog) override { answer(dialog); }
};

class ScriptTaskDialogTest : public test::DocumentTest {
  protected:
    ScriptTaskDialogTest() {
        settings.ScriptFolder = scratch / "Scripts";
        for (const char* folder : {"CodeGen", "DocGen", "Other", "Import", "Export"})
            MakeDirectories(scratch / (std::string("Scripts/") + folder));
        WriteFile("Scripts/CodeGen/Headers.vxs", kScript);
        WriteFile("Scripts/CodeGen/bodies.VXS", "(def KestMain nil)\n");
        WriteFile("Scripts/CodeGen/notes.txt", ";$NotAScript\n");
        WriteFile("Scripts/CodeGen/Headers.vxs.bak", kScript);
        MakeDirectories(scratch / "Scripts/CodeGen/folder.vxs");
        WriteFile("Scripts/DocGen/Pages.vxs", "(def KestMain nil)\n");
        doc = Load(ReadWholeFile(QM_FIXTURES "/dialogs/find.pro", 1 << 20).value_or(""));
        EXPECT_GT(doc->ModelCount(), 0u);
    }

    std::unique_ptr<CCASEDoc> doc;
};

TEST_F(ScriptTaskDialogTest, ListsTheTaskFolderScriptsAndShowsTheChosenScriptsOptions) {
    ScriptTaskDialog dialog(*doc, TaskCodeGen);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Generate Code");
    // Only the "*.vxs" files (of any letter case), by name; no folder.
    EXPECT_EQ(Items(*dialog.Scripts()), (std::vector<std::string>{"Headers.vxs", "bodies.VXS"}));
    EXPECT_EQ(dialog.Scripts()->currentText().toStdString(), "Headers.vxs");
    EXPECT_EQ(Rows(*dialog.OptionList()),
              (std::vector<std::string>{"Verbose", "Prefix=ab|c", "Ext=h"}));
    EXPECT_EQ(dialog.Description()->text().toStdString(), "Description: Log every file written.");
    EXPECT_FALSE(dialog.Value()->isEnabled());
    EXPECT_FALSE(dialog.SetOptionButton()->isEnabled());

    // A text option edits its value; a choice option shows its alternatives.
    dialog.OptionList()->setCurrentRow(1);
    EXPECT_TRUE(dialog.Value()->isEnabled());
    EXPECT_EQ(dialog.Value()->text().toStdString(), "ab|c");
    EXPECT_EQ(dialog.Description()->text().toStdString(),
              "Description: The text before every name.");
    dialog.OptionList()->setCurrentRow(2);
    EXPECT_FALSE(dialog.Choice()->isHidden());
    EXPECT_TRUE(dialog.Value()->isHidden());
    EXPECT_EQ(Items(*dialog.Choice()), (std::vector<std::string>{"h", "hpp", "hh"}));

    // Another script shows its own (no) options.
    dialog.Scripts()->setCurrentIndex(1);
    EXPECT_TRUE(Rows(*dialog.OptionList()).empty());
    EXPECT_EQ(dialog.Description()->text().toStdString(), "Description: ");

    // The documentation task lists its own folder.
    ScriptTaskDialog docs(*doc, TaskDocGen);
    EXPECT_EQ(docs.windowTitle().toStdString(), "Generate Documentation");
    EXPECT_EQ(Items(*docs.Scripts()), (std::vector<std::string>{"Pages.vxs"}));
}

TEST_F(ScriptTaskDialogTest, StoredScriptNameChoosesTheFirstScriptItBegins) {
    const struct {
        const char* stored;
        const char* chosen;
    } cases[] = {{"", "Headers.vxs"},
                 {"bodies.VXS", "bodies.VXS"},
                 {"BOD", "bodies.VXS"},
                 {"head", "Headers.vxs"},
                 {"gone.vxs", "Headers.vxs"}};
    for (const auto& c : cases) {
        doc->Profile().stringsA[TaskCodeGen] = c.stored;
        ScriptTaskDialog dialog(*doc, TaskCodeGen);
        EXPECT_EQ(dialog.Scripts()->currentText().toStdString(), c.chosen) << c.stored;
    }
}

TEST_F(ScriptTaskDialogTest, RunStoresTheSettingsAndTheOptionsShownNextTime) {
    const std::string target = scratch / "out";
    {
        ScriptTaskDialog dialog(*doc, TaskCodeGen);
        dialog.show();
        Click(dialog.ScopeButton(2));
        dialog.TargetFolder()->setText(QString::fromStdString(target));
        dialog.TargetFile()->setText("all.h");
        // A text edit is applied when another row is chosen.
        dialog.OptionList()->setCurrentRow(1);
        dialog.Value()->selectAll();
        test::TypeText(dialog.Value(), "x^ty");
        EXPECT_TRUE(dialog.SetOptionButton()->isEnabled());
        dialog.OptionList()->setCurrentRow(2);
        EXPECT_EQ(dialog.OptionList()->item(1)->text().toStdString(), "Prefix=x^ty");
        // A choice is applied by Set Option.
        dialog.Choice()->setCurrentIndex(1);
        emit dialog.Choice()->activated(1);
        Click(dialog.SetOptionButton());
        EXPECT_EQ(dialog.OptionList()->item(2)->text().toStdString(), "Ext=hpp");
        dialog.OptionList()->SetChecked(0, true);
        dialog.OptionList()->SetChecked(2, true);
        ASSERT_TRUE(dialog.RunButton()->isEnabled());
        Click(dialog.RunButton());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.ScriptPath(), scratch / "Scripts/CodeGen/Headers.vxs");
        // The runner takes the shared options as the dialog left them.
        const ScriptOptionList& options = dialog.Options();
        ASSERT_EQ(options.size(), 3u);
        EXPECT_EQ(options[0].checked, 1);
        EXPECT_EQ(options[1].value, "x^ty");
        EXPECT_EQ(options[1].checked, 0);
        EXPECT_EQ(options[2].choice, 1);
    }
    EXPECT_EQ(doc->Profile().flags & 7u, 4u);
    EXPECT_EQ(doc->Profile().stringsA[TaskCodeGen], "Headers.vxs");
    EXPECT_EQ(doc->Profile().stringsB[TaskCodeGen], target);
    EXPECT_EQ(doc->Profile().stringsC[TaskCodeGen], "all.h");
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(Registry(RegistryRoot::CurrentUser).GetValue(kGenOptionsKey, "$Prefix"),
              "1:0:0:x^ty");

    TaskScriptOptions().clear();
    ScriptTaskDialog again(*doc, TaskCodeGen);
    EXPECT_EQ(Rows(*again.OptionList()),
              (std::vector<std::string>{"Verbose", "Prefix=x^ty", "Ext=hpp"}));
    EXPECT_TRUE(again.OptionList()->IsChecked(0));
    EXPECT_FALSE(again.OptionList()->IsChecked(1));
    EXPECT_TRUE(again.OptionList()->IsChecked(2));
    EXPECT_TRUE(again.ScopeButton(2)->isChecked());
    EXPECT_EQ(again.TargetFolder()->text().toStdString(), target);
    EXPECT_EQ(again.TargetFile()->text().toStdString(), "all.h");
}

TEST_F(ScriptTaskDialogTest, CancelStoresNothingAndTheCloseBoxStoresWithoutRunning) {
    doc->SetModifiedFlag(false);
    {
        ScriptTaskDialog dialog(*doc, TaskCodeGen);
        dialog.show();
        dialog.TargetFile()->setText("cancelled.h");
        Click(dialog.CancelButton());
    }
    EXPECT_EQ(doc->Profile().stringsC[TaskCodeGen], "");
    EXPECT_FALSE(doc->IsModified());
    {
        ScriptTaskDialog dialog(*doc, TaskCodeGen);
        dialog.show();
        dialog.TargetFile()->setText("closed.h");
        dialog.close();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(doc->Profile().stringsC[TaskCodeGen], "closed.h");
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(ScriptTaskDialogTest, RunIsEnabledOnlyWhenTheTaskCanBeServed) {
    // Without a current model only the all-models scope can be served.
    doc->SetCurrentModel(nullptr);
    for (int scope = 0; scope < 3; ++scope) {
        ScriptTaskDialog dialog(*doc, TaskCodeGen);
        dialog.ScopeButton(scope)->click();
        EXPECT_EQ(dialog.RunButton()->isEnabled(), scope == 2) << scope;
    }
    Model* current = doc->GetModelAt(0);
    doc->SetCurrentModel(current);
    ASSERT_NE(current, nullptr);
    ASSERT_FALSE(current->Drawables().empty());
    // scope: 0 selected objects, 1 current model, 2 all models.
    const struct {
        int scope;
        bool selection;
        const char* folder;
        bool enabled;
    } cases[] = {
        {0, false, "/tmp", false}, {0, true, "/tmp", true}, {1, false, "/tmp", true},
        {2, false, "/tmp", true},  {2, false, "", false},
    };
    for (const auto& c : cases) {
        if (c.selection)
            current->SelectMany(nullptr, false, false, nullptr, false);
        else
            current->DeselectAll(nullptr, false);
        ScriptTaskDialog dialog(*doc, TaskCodeGen);
        dialog.show();
        dialog.TargetFolder()->setText(c.folder);
        dialog.ScopeButton(c.scope)->click();
        EXPECT_EQ(dialog.RunButton()->isEnabled(), c.enabled) << c.scope << " " << c.folder;
        EXPECT_EQ(dialog.RunButton()->isDefault(), c.enabled);
        EXPECT_EQ(dialog.CancelButton()->isDefault(), !c.enabled);
    }

    // No script to run, and a project without models, keep Run disabled.
    settings.ScriptFolder = scratch / "Empty";
    ScriptTaskDialog noScripts(*doc, TaskCodeGen);
    noScripts.ScopeButton(2)->click();
    EXPECT_FALSE(noScripts.RunButton()->isEnabled());
    settings.ScriptFolder = scratch / "Scripts";
    auto empty = NewDoc();
    ASSERT_EQ(empty->ModelCount(), 0u);
    for (int task = 0; task < 5; ++task) {
        ScriptTaskDialog dialog(*empty, task);
        dialog.ScopeButton(2)->click();
        EXPECT_FALSE(dialog.RunButton()->isEnabled()) << task;
    }
}

TEST_F(ScriptTaskDialogTest, ImportAndExportTakeAllModelsAndTheirOwnLabels) {
    WriteFile("Scripts/Import/FromList.vxs", "(def KestMain nil)\n");
    const struct {
        int task;
        const char* title;
        const char* folder;
        const char* file;
    } cases[] = {
        {TaskImport, "Import Project", "Import Folder:", "Import File:"},
        {TaskExport, "Export Project", "Export Folder:", "Export File:"},
        {TaskOther, "Run Script", "&Target Folder:", "T&arget File:"},
    };
    for (const auto& c : cases) {
        ScriptTaskDialog dialog(*doc, c.task);
        EXPECT_EQ(dialog.windowTitle().toStdString(), c.title);
        EXPECT_EQ(dialog.TargetFolderButton()->text().toStdString(), c.folder);
        EXPECT_EQ(dialog.TargetFileButton()->text().toStdString(), c.file);
        const bool importExport = c.task != TaskOther;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(dialog.ScopeButton(i)->isEnabled(), !importExport) << c.task;
        if (importExport) {
            EXPECT_TRUE(dialog.ScopeButton(2)->isChecked());
        }
    }
    // Running the import stores the all-models scope, which code generation shows.
    doc->Profile().flags = (doc->Profile().flags & ~7u) | 2u;
    {
        ScriptTaskDialog dialog(*doc, TaskImport);
        dialog.show();
        Click(dialog.RunButton());
    }
    EXPECT_EQ(doc->Profile().flags & 7u, 4u);
    ScriptTaskDialog code(*doc, TaskCodeGen);
    EXPECT_TRUE(code.ScopeButton(2)->isChecked());
    EXPECT_FALSE(code.ScopeButton(1)->isChecked());
}

TEST_F(ScriptTaskDialogTest, BrowseButtonsFillTheFolderAndTheFile) {
    MakeDirectories(scratch / "pick");
    WriteFile("pick/main.h", "");
    ScriptedAnswer answer;
    QString offered;
    answer.answer = [&](QDialog& dialog) {
        auto* files = dynamic_cast<QFileDialog*>(&dialog);
        ASSERT_NE(files, nullptr);
        offered = files->selectedFiles().isEmpty() ? QString() : files->selectedFiles().front();
        files->setDirectory(QString::fromStdString(scratch / "pick"));
        files->selectFile(offered.endsWith("Ignore this!") ? "Ignore this!" : "main.h");
        dialog.done(QDialog::Accepted);
    };
    ScopedDialogAnswerer scoped(&answer);
    ScriptTaskDialog dialog(*doc, TaskCodeGen);
    dialog.show();
    dialog.TargetFolder()->setText(QString::fromStdString(scratch.Path()));
    Click(dialog.TargetFolderButton());
    EXPECT_TRUE(offered.endsWith("Ignore this!")) << offered.toStdString();
    EXPECT_EQ(dialog.TargetFolder()->text().toStdString(), scratch / "pick");
    EXPECT_EQ(dialog.TargetFile()->text().toStdString(), "");
    dialog.TargetFolder()->setText(QString::fromStdString(scratch.Path()));
    Click(dialog.TargetFileButton());
    EXPECT_EQ(dialog.TargetFile()->text().toStdString(), "main.h");
    EXPECT_EQ(dialog.TargetFolder()->text().toStdString(), scratch / "pick");
}

TEST_F(ScriptTaskDialogTest, HelpOpensTheTasksTopic) {
    struct Help : DialogHelp {
        std::vector<std::string> topics;
        void ShowHelpTopic(const std::string& topic) override { topics.push_back(topic); }
    } help;
    ScopedDialogHelp scoped(&help);
    for (int task = 0; task < 5; ++task) {
        ScriptTaskDialog dialog(*doc, task);
        dialog.show();
        Click(dialog.HelpButton());
    }
    EXPECT_EQ(help.topics, (std::vector<std::string>{
                               "Chapter8.html#Tools:GenerateCode",
                               "Chapter8.html#Tools:GenerateDocumentation",
                               "Chapter8.html#Tools:RunOtherScript",
                               "Chapter8.html#Tools:RunOtherScript",
                               "Chapter8.html#Tools:RunOtherScript",
                           }));
}

} // namespace
} // namespace qm
