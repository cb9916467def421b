// The script task dialog: its layout, the script list and option rows, the
// Run button's rule, the browse buttons and the storing of the settings.
#include "dialogs/script/ScriptTaskDialog.h"

#include "dialogs/model/DialogServices.h"
#include "dialogs/sheets/CheckListBox.h"
#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"
#include "drawables/Model.h"
#include "platform/Format.h"
#include "platform/PathHelpers.h"
#include "platform/TextHelpers.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace qm {

namespace {

constexpr const char* kTaskFolders[] = {"CodeGen", "DocGen", "Other", "Import", "Export"};
constexpr const char* kTitles[] = {"Generate Code", "Generate Documentation", "Run Script",
                                   "Import Project", "Export Project"};
// The scope bits of the project's generation settings, in the order of the
// radio buttons.
constexpr uint32_t kScopeBits[] = {0x1, 0x2, 0x4};
constexpr uint32_t kScopeMask = 0x7;

bool ValidTask(int task) {
    return task >= TaskCodeGen && task <= TaskExport;
}

bool ImportOrExport(int task) {
    return task == TaskImport || task == TaskExport;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

const char* ScriptTaskDialog::TitleOfTask(int task) {
    return ValidTask(task) ? kTitles[task] : "Run Script";
}

const char* ScriptTaskDialog::HelpTopicOfTask(int task) {
    if (task == TaskCodeGen)
        return "Chapter8.html#Tools:GenerateCode";
    if (task == TaskDocGen)
        return "Chapter8.html#Tools:GenerateDocumentation";
    return "Chapter8.html#Tools:RunOtherScript";
}

std::string ScriptTaskDialog::GetScriptFolder(const CCASEDoc& document, int task) {
    const Profile* settings = const_cast<CCASEDoc&>(document).Context().profile;
    if (!ValidTask(task) || settings == nullptr)
        return "";
    const std::string found = FindSubfolderNoCase(settings->ScriptFolder, kTaskFolders[task]);
    return found.empty() ? JoinPath(settings->ScriptFolder, kTaskFolders[task]) : found;
}

std::string ScriptTaskDialog::ScriptPath() const {
    const TaskSettings settings = GenerationSettings(document_, task_);
    const std::string name = settings.scriptName != nullptr ? *settings.scriptName : "";
    return JoinPath(GetScriptFolder(document_, task_), name);
}

const ScriptOptionList& ScriptTaskDialog::Options() const {
    return TaskScriptOptions();
}

ScriptTaskDialog::ScriptTaskDialog(CCASEDoc& document, int task, QWidget* parent)
    : QDialog(parent), document_(document), task_(ValidTask(task) ? task : TaskOther) {
    setWindowTitle(TitleOfTask(task_));
    auto* layout = new QVBoxLayout(this);

    auto* scriptRow = new QHBoxLayout;
    auto* scriptLabel = new QLabel("Script to Run:", this);
    scripts_ = new QComboBox(this);
    scripts_->setAccessibleName("Script to Run:");
    scriptLabel->setBuddy(scripts_);
    scripts_->setMinimumWidth(260);
    scriptRow->addWidget(scriptLabel);
    scriptRow->addWidget(scripts_, 1);
    layout->addLayout(scriptRow);

    auto* scopeBox = new QGroupBox("Scope", this);
    auto* scopeLayout = new QHBoxLayout(scopeBox);
    const char* scopeLabels[] = {"Selected &Objects", "Current &Model", "&All Models"};
    auto* scopeGroup = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        scope_[i] = new QRadioButton(scopeLabels[i], scopeBox);
        scopeGroup->addButton(scope_[i], i);
        scopeLayout->addWidget(scope_[i]);
    }
    layout->addWidget(scopeBox);

    auto* targets = new QGridLayout;
    const bool import = task_ == TaskImport;
    folderButton_ = new QPushButton(
        ImportOrExport(task_) ? (import ? "Import Folder:" : "Export Folder:") : "&Target Folder:",
        this);
    targetFolder_ = new QLineEdit(this);
    targetFolder_->setAccessibleName(folderButton_->text().remove('&'));
    fileButton_ = new QPushButton(
        ImportOrExport(task_) ? (import ? "Import File:" : "Export File:") : "T&arget File:", this);
    targetFile_ = new QLineEdit(this);
    targetFile_->setAccessibleName(fileButton_->text().remove('&'));
    targets->addWidget(folderButton_, 0, 0);
    targets->addWidget(targetFolder_, 0, 1);
    targets->addWidget(fileButton_, 1, 0);
    targets->addWidget(targetFile_, 1, 1);
    layout->addLayout(targets);

    auto* optionsLabel = new QLabel("Generation Options:", this);
    optionList_ = new TCheckListBox(this);
    optionList_->EnablePopup(false);
    optionList_->setAccessibleName("Generation Options:");
    optionsLabel->setBuddy(optionList_);
    layout->addWidget(optionsLabel);
    layout->addWidget(optionList_, 1);

    auto* valueRow = new QHBoxLayout;
    auto* valueLabel = new QLabel("Value:", this);
    value_ = new QLineEdit(this);
    value_->setAccessibleName("Value:");
    valueLabel->setBuddy(value_);
    choice_ = new QComboBox(this);
    choice_->setAccessibleName("Value:");
    choice_->hide();
    setOption_ = new QPushButton("&Set Option", this);
    setOption_->setEnabled(false);
    valueRow->addWidget(valueLabel);
    valueRow->addWidget(value_, 1);
    valueRow->addWidget(choice_, 1);
    valueRow->addWidget(setOption_);
    layout->addLayout(valueRow);

    description_ = new QLabel("Description:", this);
    description_->setWordWrap(true);
    layout->addWidget(description_);

    auto* buttons = new QHBoxLayout;
    run_ = new QPushButton("&Run", this);
    cancel_ = new QPushButton("Cancel", this);
    help_ = new QPushButton("&Help", this);
    buttons->addStretch(1);
    buttons->addWidget(run_);
    buttons->addWidget(cancel_);
    buttons->addWidget(help_);
    layout->addLayout(buttons);

    connect(run_, &QPushButton::clicked, this, &ScriptTaskDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &ScriptTaskDialog::reject);
    connect(help_, &QPushButton::clicked, this, [this] { ShowDialogHelp(HelpTopicOfTask(task_)); });
    connect(scripts_, &QComboBox::currentIndexChanged, this, [this] {
        LoadOptions();
        UpdateRunButton();
    });
    connect(scopeGroup, &QButtonGroup::idClicked, this, [this] { UpdateRunButton(); });
    connect(targetFolder_, &QLineEdit::textChanged, this, [this] { UpdateRunButton(); });
    connect(folderButton_, &QPushButton::clicked, this, &ScriptTaskDialog::BrowseFolder);
    connect(fileButton_, &QPushButton::clicked, this, &ScriptTaskDialog::BrowseFile);
    connect(optionList_, &QListWidget::currentRowChanged, this, &ScriptTaskDialog::ShowRow);
    auto startEdit = [this] {
        setOption_->setEnabled(true);
        editRow_ = optionList_->currentRow();
    };
    connect(value_, &QLineEdit::textEdited, this, startEdit);
    connect(choice_, &QComboBox::activated, this, startEdit);
    connect(setOption_, &QPushButton::clicked, this, &ScriptTaskDialog::OnSetOption);

    // The controls take the stored settings.
    const TaskSettings settings = GenerationSettings(document_, task_);
    FillScripts();
    if (settings.targetFolder->empty())
        *settings.targetFolder = DefaultTargetFolder(document_);
    targetFolder_->setText(Q(*settings.targetFolder));
    targetFile_->setText(Q(*settings.targetFile));
    if (ImportOrExport(task_)) {
        scope_[2]->setChecked(true);
        for (QRadioButton* button : scope_)
            button->setEnabled(false);
    } else {
        const uint32_t bits = document_.Profile().flags;
        for (int i = 0; i < 3; ++i)
            scope_[i]->setChecked((bits & kScopeBits[i]) != 0);
    }
    UpdateRunButton();
}

void ScriptTaskDialog::FillScripts() {
    const TaskSettings settings = GenerationSettings(document_, task_);
    QSignalBlocker quiet(scripts_);
    for (const std::string& name : ListScriptFiles(GetScriptFolder(document_, task_)))
        scripts_->addItem(Q(name));
    // The first script, or the first whose name begins with the stored one.
    int chosen = scripts_->count() > 0 ? 0 : -1;
    const std::string stored = settings.scriptName != nullptr ? *settings.scriptName : "";
    for (int i = 0; i < scripts_->count() && !stored.empty(); ++i)
        if (StartsWithNoCase(scripts_->itemText(i).toStdString(), stored)) {
            chosen = i;
            break;
        }
    scripts_->setCurrentIndex(chosen);
    LoadOptions();
}

void ScriptTaskDialog::LoadOptions() {
    ScriptOptionList& options = TaskScriptOptions();
    {
        QSignalBlocker quiet(optionList_);
        optionList_->clear();
    }
    editRow_ = -1;
    setOption_->setEnabled(false);
    if (scripts_->currentIndex() < 0) {
        options.clear();
        ShowRow(-1);
        return;
    }
    const std::string path =
        JoinPath(GetScriptFolder(document_, task_), scripts_->currentText().toStdString());
    ReadScriptOptions(path, options);
    PersistScriptOptions(kGenOptionsKey, options, false);
    {
        QSignalBlocker quiet(optionList_);
        for (const ScriptOption& option : options)
            optionList_->InsertRow(optionList_->count(), Q(option.Format()), option.checked != 0,
                                   true);
    }
    if (optionList_->count() > 0)
        optionList_->setCurrentRow(0);
    else
        ShowRow(-1);
}

void ScriptTaskDialog::ShowRow(int row) {
    ApplyPendingEdit();
    ScriptOptionList& options = TaskScriptOptions();
    const bool valid = row >= 0 && static_cast<size_t>(row) < options.size();
    const ScriptOption* option = valid ? &options[static_cast<size_t>(row)] : nullptr;
    const int kind = option != nullptr ? option->kind : OptionFlag;
    value_->setVisible(kind != OptionChoice);
    choice_->setVisible(kind == OptionChoice);
    value_->setEnabled(kind == OptionText);
    value_->setText(kind == OptionText ? Q(option->GetText(false)) : QString());
    {
        QSignalBlocker quiet(choice_);
        choice_->clear();
        if (kind == OptionChoice) {
            // The alternatives up to the first empty one.
            for (int i = 0;; ++i) {
                const std::string alternative = option->GetChoice(i);
                if (alternative.empty())
                    break;
                choice_->addItem(Q(alternative));
            }
            choice_->setCurrentIndex(option->choice < choice_->count() ? option->choice : -1);
        }
        choice_->setEnabled(kind == OptionChoice);
    }
    setOption_->setEnabled(false);
    editRow_ = -1;
    description_->setText(
        Q(Format("Description: %s", option != nullptr ? option->description.c_str() : "")));
}

void ScriptTaskDialog::ApplyPendingEdit() {
    if (setOption_->isEnabled())
        OnSetOption();
}

void ScriptTaskDialog::OnSetOption() {
    ScriptOptionList& options = TaskScriptOptions();
    const int row = editRow_;
    setOption_->setEnabled(false);
    editRow_ = -1;
    if (row < 0 || static_cast<size_t>(row) >= options.size())
        return;
    ScriptOption& option = options[static_cast<size_t>(row)];
    if (option.kind == OptionText)
        option.value = value_->text().toStdString();
    else if (option.kind == OptionChoice)
        option.choice = static_cast<int16_t>(std::max(0, choice_->currentIndex()));
    if (QListWidgetItem* item = optionList_->item(row)) {
        QSignalBlocker quiet(optionList_);
        item->setText(Q(option.Format()));
    }
}

bool ScriptTaskDialog::CanRun() const {
    if (scripts_->currentText().isEmpty() || targetFolder_->text().isEmpty() ||
        document_.ModelCount() == 0)
        return false;
    if (ImportOrExport(task_))
        return true;
    const Model* current = document_.CurrentModel();
    if (scope_[1]->isChecked())
        return current != nullptr;
    if (scope_[0]->isChecked())
        return current != nullptr && !current->Selection().empty();
    return scope_[2]->isChecked();
}

void ScriptTaskDialog::UpdateRunButton() {
    const bool enabled = CanRun();
    run_->setEnabled(enabled);
    run_->setDefault(enabled);
    cancel_->setDefault(!enabled);
}

void ScriptTaskDialog::BrowseFolder() {
    QFileDialog dialog(this, folderButton_->text().remove('&'));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(targetFolder_->text());
    // Only the folder counts: the name field tells the user so.
    dialog.selectFile("Ignore this!");
    const QStringList chosen = RunFileDialog(dialog);
    if (chosen.isEmpty())
        return;
    targetFolder_->setText(Q(DirectoryOfPath(QDir::cleanPath(chosen.front()).toStdString())));
}

void ScriptTaskDialog::BrowseFile() {
    QFileDialog dialog(this, fileButton_->text().remove('&'));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter("All Files (*)");
    dialog.setDirectory(targetFolder_->text());
    dialog.selectFile("*.*");
    const QStringList chosen = RunFileDialog(dialog);
    if (chosen.isEmpty())
        return;
    const std::string path = QDir::cleanPath(chosen.front()).toStdString();
    targetFile_->setText(Q(FileNameOfPath(path)));
    targetFolder_->setText(Q(DirectoryOfPath(path)));
}

void ScriptTaskDialog::Store() {
    ApplyPendingEdit();
    uint32_t& flags = document_.Profile().flags;
    uint32_t scope = 0;
    for (int i = 0; i < 3; ++i)
        if (scope_[i]->isChecked())
            scope |= kScopeBits[i];
    flags = (flags & ~kScopeMask) | scope;
    const TaskSettings settings = GenerationSettings(document_, task_);
    *settings.scriptName = scripts_->currentText().toStdString();
    *settings.targetFolder = targetFolder_->text().toStdString();
    *settings.targetFile = targetFile_->text().toStdString();
    ScriptOptionList& options = TaskScriptOptions();
    for (size_t row = 0; row < options.size(); ++row)
        options[row].checked = optionList_->IsChecked(static_cast<int>(row)) ? 1 : 0;
    PersistScriptOptions(kGenOptionsKey, options, true);
    document_.SetModifiedFlag(true);
}

void ScriptTaskDialog::accept() {
    if (!CanRun())
        return;
    Store();
    QDialog::accept();
}

void ScriptTaskDialog::closeEvent(QCloseEvent* event) {
    Store();
    QDialog::closeEvent(event);
}

void ScriptTaskDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    UpdateRunButton();
}

} // namespace qm
