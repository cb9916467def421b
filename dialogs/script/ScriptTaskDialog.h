// ScriptTaskDialog ("Run Script"): the modal dialog that starts one of the
// five script tasks. It lists the scripts of the task's folder, shows the
// chosen script's options in a check list where they are switched and
// edited, takes the scope and the target folder and file, and stores all of
// it in the project's generation settings and the registry on Run.
#pragma once

#include "scripting/ScriptRunners.h"

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qm {

class TCheckListBox;

class ScriptTaskDialog : public QDialog, public ScriptDialog {
  public:
    // The dialog for task (0 to 4) of document, filled from its settings.
    ScriptTaskDialog(CCASEDoc& document, int task, QWidget* parent = nullptr);

    // ---- ScriptDialog ----
    CCASEDoc& Document() const override { return document_; }
    // The shared option list of the selected script.
    const ScriptOptionList& Options() const override;

    int Task() const { return task_; }
    // The task's script folder: the settings' script folder and "CodeGen",
    // "DocGen", "Other", "Import" or "Export" (spelt in any letter case); ""
    // without settings.
    static std::string GetScriptFolder(const CCASEDoc& document, int task);
    // The script the stored settings name for the task, in its folder.
    std::string ScriptPath() const;
    // The dialog's title for a task.
    static const char* TitleOfTask(int task);
    // The help topic of a task.
    static const char* HelpTopicOfTask(int task);

    // The controls, for the tests and the answerers.
    QComboBox* Scripts() const { return scripts_; }
    QRadioButton* ScopeButton(int index) const { return scope_[index]; }
    QPushButton* TargetFolderButton() const { return folderButton_; }
    QPushButton* TargetFileButton() const { return fileButton_; }
    QLineEdit* TargetFolder() const { return targetFolder_; }
    QLineEdit* TargetFile() const { return targetFile_; }
    TCheckListBox* OptionList() const { return optionList_; }
    QLineEdit* Value() const { return value_; }
    QComboBox* Choice() const { return choice_; }
    QPushButton* SetOptionButton() const { return setOption_; }
    QLabel* Description() const { return description_; }
    QPushButton* RunButton() const { return run_; }
    QPushButton* CancelButton() const { return cancel_; }
    QPushButton* HelpButton() const { return help_; }

    // Run: stores the settings and ends the dialog with OK.
    void accept() override;
    // Whether Run may be pressed now.
    bool CanRun() const;
    // Set Option: the edited value or choice into the row being edited.
    void OnSetOption();

  protected:
    // The close box stores like Run, without starting the task.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void FillScripts();
    void LoadOptions();
    void ShowRow(int row);
    void ApplyPendingEdit();
    void UpdateRunButton();
    void BrowseFolder();
    void BrowseFile();
    void Store();

    CCASEDoc& document_;
    int task_;
    int editRow_ = -1; // the check-list row whose option is being edited
    QComboBox* scripts_;
    QRadioButton* scope_[3];
    QPushButton* folderButton_;
    QLineEdit* targetFolder_;
    QPushButton* fileButton_;
    QLineEdit* targetFile_;
    TCheckListBox* optionList_;
    QLineEdit* value_;
    QComboBox* choice_;
    QPushButton* setOption_;
    QLabel* description_;
    QPushButton* run_;
    QPushButton* cancel_;
    QPushButton* help_;
};

} // namespace qm
