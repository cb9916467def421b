// The Check In, Check Out and New Folder dialogs of the repository browser,
// and the run's remembered values they start from and store into.
#include "dialogs/repository/RepositoryDialogs.h"

#include "document/DocumentContext.h"
#include "platform/Format.h"
#include "platform/PathHelpers.h"
#include "platform/Prompt.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

namespace qm {

RepositoryDialogValues& RepositoryValues() {
    static RepositoryDialogValues values;
    return values;
}

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QLineEdit* AddField(QGridLayout* grid, int row, const char* label, QWidget* owner, bool readOnly) {
    auto* edit = new QLineEdit(owner);
    edit->setReadOnly(readOnly);
    auto* caption = new QLabel(label, owner);
    caption->setBuddy(edit);
    edit->setAccessibleName(QString(label).remove(':'));
    grid->addWidget(caption, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

// OK, Cancel and a Help button that does nothing, in a row at the bottom.
QHBoxLayout* AddButtonRow(QDialog* dialog, QVBoxLayout* layout, const std::function<void()>& ok) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* okButton = new QPushButton("OK", dialog);
    okButton->setDefault(true);
    auto* cancelButton = new QPushButton("Cancel", dialog);
    auto* helpButton = new QPushButton("&Help", dialog);
    row->addWidget(okButton);
    row->addWidget(cancelButton);
    row->addWidget(helpButton);
    QObject::connect(okButton, &QPushButton::clicked, dialog, ok);
    QObject::connect(cancelButton, &QPushButton::clicked, dialog, &QDialog::reject);
    layout->addLayout(row);
    return row;
}

// The working folder, cut to 256 characters.
std::string WorkingFolder() {
    std::error_code error;
    std::string folder = std::filesystem::current_path(error).string();
    if (error)
        return {};
    return folder.substr(0, 256);
}

} // namespace

// ---- Check In ----

CCheckInDialog::CCheckInDialog(const std::string& itemPath, bool modified, QWidget* parent)
    : QDialog(parent), modified_(modified) {
    const SplitPathResult parts = SplitPath(itemPath);
    projectName_ = parts.lastFolderName;
    versionName_ = parts.fileName;
    checkInto_ = "Root\\" + parts.folder;

    setWindowTitle("Check In");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    projectEdit = AddField(grid, 0, "Project:", this, true);
    versionEdit = AddField(grid, 1, "Version:", this, true);
    checkIntoEdit = AddField(grid, 2, "Check Into:", this, true);
    layout->addLayout(grid);
    auto* commentLabel = new QLabel("Comment (for documenting your changes):", this);
    commentEdit = new QPlainTextEdit(this);
    commentEdit->setAccessibleName("Comment");
    commentLabel->setBuddy(commentEdit);
    layout->addWidget(commentLabel);
    layout->addWidget(commentEdit);
    mergeBox = new QCheckBox("&Merge Result", this);
    checkOutBox = new QCheckBox("&Check Out Result", this);
    openBox = new QCheckBox("&Open Result in Quillmark", this);
    layout->addWidget(mergeBox);
    layout->addWidget(checkOutBox);
    layout->addWidget(openBox);
    AddButtonRow(this, layout, [this] { OnOK(); });

    projectEdit->setText(Text(projectName_));
    if (versionName_.empty()) {
        versionEdit->setText("New Project");
        mergeBox->setEnabled(false);
    } else {
        versionEdit->setText(
            Text(versionName_ + (modified_ ? " + modifications" : " (unmodified)")));
    }
    mergeBox->setChecked(true);
    checkOutBox->setChecked(true);
    openBox->setChecked(true);
    checkIntoEdit->setText(Text(checkInto_));
    ApplyOpenResultRule();
    connect(checkOutBox, &QCheckBox::toggled, this, [this] { ApplyOpenResultRule(); });
}

void CCheckInDialog::ApplyOpenResultRule() {
    if (checkOutBox->isChecked()) {
        openBox->setEnabled(true);
        return;
    }
    openBox->setChecked(false);
    openBox->setEnabled(false);
}

void CCheckInDialog::OnOK() {
    if (!modified_ && !versionName_.empty() &&
        MessageBox("You're checking-in an unmodified version!\nThis will create redundant "
                   "versions in the repository\nDo you want to continue anyway (NOT "
                   "recommended)?",
                   PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes)
        return;
    RepositoryDialogValues& values = RepositoryValues();
    values.checkOutResult = checkOutBox->isChecked() ? 1 : 0;
    values.openResult = openBox->isChecked() ? 1 : 0;
    values.mergeResult = mergeBox->isChecked() ? 1 : 0;
    values.checkInComment = commentEdit->toPlainText().toStdString();
    accept();
}

void CCheckInDialog::closeEvent(QCloseEvent* event) {
    // The close box confirms, as OK does; the dialog stays when OK keeps it.
    event->ignore();
    OnOK();
}

// ---- Check Out ----

CCheckOutDialog::CCheckOutDialog(const std::string& projectPath, const std::string& versionName,
                                 FileDialogs* dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs) {
    setWindowTitle("Check Out");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    projectEdit = AddField(grid, 0, "Project:", this, true);
    versionEdit = AddField(grid, 1, "Version:", this, true);
    folderButton = new QPushButton("&Into Folder:", this);
    folderEdit = new QLineEdit(this);
    folderEdit->setAccessibleName("Folder");
    grid->addWidget(folderButton, 2, 0);
    grid->addWidget(folderEdit, 2, 1);
    layout->addLayout(grid);
    readOnlyBox = new QCheckBox("Check Out as &Read Only", this);
    openBox = new QCheckBox("&Open Checked Out Project", this);
    layout->addWidget(readOnlyBox);
    layout->addWidget(openBox);
    AddButtonRow(this, layout, [this] { OnOK(); });
    connect(folderButton, &QPushButton::clicked, this, [this] { OnIntoFolder(); });

    RepositoryDialogValues& values = RepositoryValues();
    projectEdit->setText(Text(projectPath));
    versionEdit->setText(versionName.empty() ? QString("Latest") : Text(versionName));
    readOnlyBox->setChecked(values.checkOutReadOnly != 0);
    openBox->setChecked(values.openCheckedOut != 0);
    if (values.checkOutFolder.empty())
        values.checkOutFolder = WorkingFolder();
    folderEdit->setText(Text(values.checkOutFolder));
}

void CCheckOutDialog::OnIntoFolder() {
    if (dialogs_ == nullptr)
        return;
    // Only the folder of the chosen name is used: the file dialog serves as a
    // folder picker, starting in the folder the edit shows.
    FileDialogRequest request;
    request.initialName = JoinPath(folderEdit->text().toStdString(), "Ignore this!");
    const std::optional<std::string> chosen = dialogs_->AskSaveFile(request);
    if (chosen)
        folderEdit->setText(Text(DirectoryOfPath(*chosen)));
}

void CCheckOutDialog::OnOK() {
    RepositoryDialogValues& values = RepositoryValues();
    values.checkOutReadOnly = readOnlyBox->isChecked() ? 1 : 0;
    values.openCheckedOut = openBox->isChecked() ? 1 : 0;
    values.checkOutFolder = folderEdit->text().toStdString();
    accept();
}

void CCheckOutDialog::closeEvent(QCloseEvent* event) {
    // The close box checks out as OK does, with what the dialog shows.
    event->ignore();
    OnOK();
}

// ---- New Folder ----

CNewFolderDialog::CNewFolderDialog(QWidget* parent) : QDialog(parent) {
    RepositoryDialogValues& values = RepositoryValues();
    ++values.newFolderCounter;
    values.newFolderName = Format("Untitled-%d", values.newFolderCounter);

    setWindowTitle("New Folder");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    nameEdit = AddField(grid, 0, "Folder Name:", this, false);
    commentEdit = AddField(grid, 1, "Comment:", this, false);
    layout->addLayout(grid);
    AddButtonRow(this, layout, [this] { OnOK(); });
    nameEdit->setText(Text(values.newFolderName));
}

void CNewFolderDialog::OnOK() {
    // A folder name is one element of a bracketed repository path: an empty
    // one, or one with a separator or bracket, would name another item.
    const std::string name = nameEdit->text().toStdString();
    if (name.empty() || name.find_first_of("\\[]") != std::string::npos) {
        MessageBeep();
        return;
    }
    RepositoryDialogValues& values = RepositoryValues();
    values.newFolderName = name;
    values.newFolderComment = commentEdit->text().toStdString();
    accept();
}

} // namespace qm
