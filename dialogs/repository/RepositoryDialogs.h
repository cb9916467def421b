// The three modal dialogs the repository browser runs before a request: Check
// In (comment and what follows the check-in), Check Out (target folder and
// options) and New Folder (name and comment). Each keeps its choices in the
// run's repository dialog values, which the browser reads after OK and which
// the next use of a dialog starts from.
#pragma once

#include <QDialog>

#include <cstdint>
#include <string>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace qm {

class FileDialogs;

// The choices the dialogs remember for the whole run (never saved).
struct RepositoryDialogValues {
    std::string checkInComment;
    int32_t mergeResult = 1;
    int32_t checkOutResult = 0;
    int32_t openResult = 0;
    std::string checkOutFolder;
    int32_t checkOutReadOnly = 0;
    int32_t openCheckedOut = 1;
    std::string newFolderName;
    std::string newFolderComment;
    int32_t newFolderCounter = 0;
};

// The run's values; tests reset them with RepositoryValues() = {}.
RepositoryDialogValues& RepositoryValues();

class CCheckInDialog : public QDialog {
  public:
    // itemPath: the version the project came from ("A\P\0001"), or a new
    // project's folder path and name ending in '\' ("A\P\").
    CCheckInDialog(const std::string& itemPath, bool modified, QWidget* parent = nullptr);

    // OK: asks first about an unmodified version (No keeps the dialog open),
    // then stores the choices and ends with OK. The close box does the same.
    void OnOK();

    QLineEdit* projectEdit = nullptr;
    QLineEdit* versionEdit = nullptr;
    QLineEdit* checkIntoEdit = nullptr;
    QPlainTextEdit* commentEdit = nullptr;
    QCheckBox* mergeBox = nullptr;
    QCheckBox* checkOutBox = nullptr;
    QCheckBox* openBox = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // "Open Result" is offered only while "Check Out Result" is checked.
    void ApplyOpenResultRule();

    std::string projectName_;
    std::string versionName_;
    std::string checkInto_;
    bool modified_;
};

class CCheckOutDialog : public QDialog {
  public:
    // dialogs (may be null: the folder picker then does nothing) chooses the
    // target folder.
    CCheckOutDialog(const std::string& projectPath, const std::string& versionName,
                    FileDialogs* dialogs, QWidget* parent = nullptr);

    // OK (and the close box): stores the folder and options, ends with OK.
    void OnOK();
    // "Into Folder:": a file dialog used as a folder picker.
    void OnIntoFolder();

    QLineEdit* projectEdit = nullptr;
    QLineEdit* versionEdit = nullptr;
    QLineEdit* folderEdit = nullptr;
    QPushButton* folderButton = nullptr;
    QCheckBox* readOnlyBox = nullptr;
    QCheckBox* openBox = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    FileDialogs* dialogs_;
};

class CNewFolderDialog : public QDialog {
  public:
    // Proposes "Untitled-<n>", n counting the dialogs made in the run.
    explicit CNewFolderDialog(QWidget* parent = nullptr);

    void OnOK();

    QLineEdit* nameEdit = nullptr;
    QLineEdit* commentEdit = nullptr;
};

} // namespace qm
