// The Reverse Engineer dialog: its controls, the language and option
// handling, the source list and its buttons, the stored state and the run.
#include "dialogs/reverse/ReverseEngineerDialog.h"

#include "dialogs/model/DialogServices.h"
#include "document/CCASEDoc.h"
#include "document/FolderLists.h"
#include "document/Profile.h"
#include "document/UndoJournal.h"
#include "drawables/Model.h"
#include "kernel/Cell.h"
#include "platform/Files.h"
#include "platform/PathHelpers.h"
#include "platform/Prompt.h"
#include "platform/WaitCursor.h"
#include "reverse/DocumentReverseProject.h"
#include "reverse/ReverseDriver.h"
#include "reverse/SourceLanguage.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <filesystem>

namespace qm {

namespace {

constexpr const char* kFileExtensions = "File Extensions";
constexpr const char* kHelpTopic = "Chapter8.html#Tools:ReverseEngineer";
constexpr const char* kWarning =
    "Warning: Reverse Engineering is not undoable; it will reset the undo/redo buffer.";

// The options whose check states become the profile's reverse-engineering bits.
struct OptionBit {
    const char* name;
    uint32_t bit;
};
constexpr std::array<OptionBit, 4> kOptionBits = {{
    {"Show All Attributes And Methods", kRevShowAllMembers},
    {"Show Relationships Graphically", kRevRelationshipsAsLinks},
    {"Record File Names In Classes", kRevRecordFileNames},
    {"Keep Method Code", kRevKeepMethodCode},
}};

// The languages whose parsers can keep method bodies.
bool KeepsMethodCode(int code) {
    return code == kLangCSharp || code == kLangJava || code == kLangOrvistal || code == kLangPhp ||
           code == kLangForte;
}

ScriptOptionList MakeDefaultList(const LanguageRow& row) {
    const std::string section(row.name);
    ScriptOptionList list;
    const auto add = [&](ScriptOption option) {
        option.section = section;
        list.push_back(std::move(option));
    };
    add(ScriptOption("Show All Attributes And Methods", true));
    add(ScriptOption("Show Relationships Graphically", true));
    if (KeepsMethodCode(row.code))
        add(ScriptOption("Keep Method Code", true));
    add(ScriptOption("Record File Names In Classes", false));
    add(ScriptOption(kFileExtensions, std::string(row.extensions)));
    return list;
}

// The folder Add Files opened in last, for the rest of the program run.
QString& LastAddFolder() {
    static QString folder;
    return folder;
}

void WalkFolder(const std::filesystem::path& folder, const std::string& extensions,
                std::vector<std::string>& files) {
    std::error_code error;
    std::vector<std::filesystem::directory_entry> entries;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error))
        entries.push_back(*it);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.path().filename() < b.path().filename();
    });
    for (const auto& entry : entries) {
        if (entry.is_directory(error) && !entry.is_symlink(error)) {
            WalkFolder(entry.path(), extensions, files);
            continue;
        }
        const std::string path = entry.path().string();
        const std::string extension = ExtensionOfPath(path);
        if (!extension.empty() && extensions.find(extension) != std::string::npos &&
            !entry.is_directory(error))
            files.push_back(path);
    }
}

} // namespace

const ScriptOptionList& DefaultReverseOptions(int row) {
    static const std::array<ScriptOptionList, LanguageTable.size()> lists = [] {
        std::array<ScriptOptionList, LanguageTable.size()> made;
        for (size_t i = 0; i < LanguageTable.size(); ++i)
            made[i] = MakeDefaultList(LanguageTable[i]);
        return made;
    }();
    static const ScriptOptionList none;
    if (row < 0 || static_cast<size_t>(row) >= lists.size())
        return none;
    return lists[static_cast<size_t>(row)];
}

std::vector<std::string> CollectSourceFiles(const std::string& folder,
                                            const std::string& extensions) {
    std::vector<std::string> files;
    if (!folder.empty())
        WalkFolder(folder, extensions, files);
    return files;
}

ReverseEngineerDialog::ReverseEngineerDialog(CCASEDoc& document, bool redoLast,
                                             ScriptExplorer* explorer, QWidget* parent)
    : QDialog(parent), document_(document), redoLast_(redoLast), explorer_(explorer) {
    setWindowTitle("Reverse Engineer (not undoable!)");
    setObjectName("Reverse Engineer");
    BuildControls();
    if (redoLast_)
        AddSourceFiles(document_.Folders().revFiles);
    FillLanguages();
    std::string start = document_.Profile().language;
    const Profile* settings = document_.Context().profile;
    if (!redoLast_ && document_.GetPathName().empty() && settings != nullptr)
        start = settings->Language;
    {
        const QSignalBlocker block(languages_);
        languages_->setCurrentIndex(languages_->findText(QString::fromStdString(start)));
    }
    OnLanguageChanged();
    UpdateButtons();
}

ReverseEngineerDialog::~ReverseEngineerDialog() {
    SaveState();
}

void ReverseEngineerDialog::BuildControls() {
    auto* layout = new QGridLayout(this);
    const auto labelled = [this](const char* text, QWidget* control) {
        auto* label = new QLabel(text, this);
        label->setBuddy(control);
        control->setAccessibleName(QString(text).remove('&').remove(':'));
        return label;
    };
    const auto button = [this](const char* text) {
        auto* made = new QPushButton(text, this);
        made->setAutoDefault(false);
        return made;
    };

    languages_ = new QComboBox(this);
    layout->addWidget(labelled("&Language:", languages_), 0, 0);
    layout->addWidget(languages_, 0, 1);

    sources_ = new QListWidget(this);
    sources_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    sources_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sources_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sources_->setMinimumWidth(360);
    sources_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    sources_->setResizeMode(QListView::Fixed);
    layout->addWidget(labelled("&Source Files:", sources_), 1, 0, 1, 2);
    layout->addWidget(sources_, 2, 0, 1, 2);

    auto* fileButtons = new QVBoxLayout;
    addFiles_ = button("&Add Files...");
    recursiveAdd_ = button("Re&cursive Add...");
    autoSelect_ = button("A&uto Select");
    dropFiles_ = button("&Drop Files");
    for (QPushButton* each : {addFiles_, recursiveAdd_, autoSelect_, dropFiles_})
        fileButtons->addWidget(each);
    fileButtons->addStretch();
    layout->addLayout(fileButtons, 2, 2);

    optionLines_ = new QListWidget(this);
    layout->addWidget(labelled("&Options", optionLines_), 3, 0, 1, 2);
    layout->addWidget(optionLines_, 4, 0, 1, 2);
    description_ = new QLabel("Description: ", this);
    description_->setWordWrap(true);
    layout->addWidget(description_, 5, 0, 1, 3);

    auto* valueRow = new QHBoxLayout;
    valueEdit_ = new QLineEdit(this);
    valueEdit_->setMaxLength(static_cast<int>(kOptionTextSize - 1));
    valueChoice_ = new QComboBox(this);
    valueChoice_->hide();
    valueRow->addWidget(labelled("&Value:", valueEdit_));
    valueRow->addWidget(valueEdit_, 1);
    valueRow->addWidget(valueChoice_, 1);
    valueChoice_->setAccessibleName("Value");
    set_ = button("&Set");
    valueRow->addWidget(set_);
    layout->addLayout(valueRow, 6, 0, 1, 3);

    auto* warning = new QLabel(kWarning, this);
    warning->setWordWrap(true);
    layout->addWidget(warning, 7, 0, 1, 3);

    auto* buttons = new QHBoxLayout;
    reverse_ = button("&Reverse");
    cancel_ = button("Cancel");
    help_ = button("&Help");
    help_->setObjectName("Help");
    buttons->addStretch();
    for (QPushButton* each : {reverse_, cancel_, help_})
        buttons->addWidget(each);
    layout->addLayout(buttons, 8, 0, 1, 3);

    QObject::connect(languages_, &QComboBox::currentIndexChanged, this,
                     [this] { OnLanguageChanged(); });
    QObject::connect(optionLines_, &QListWidget::currentRowChanged, this,
                     [this] { OnOptionSelected(); });
    QObject::connect(valueEdit_, &QLineEdit::textEdited, this, [this] { OnValueEdited(); });
    QObject::connect(valueChoice_, &QComboBox::activated, this, [this] { OnValueEdited(); });
    QObject::connect(set_, &QPushButton::clicked, this, [this] { OnSet(); });
    QObject::connect(addFiles_, &QPushButton::clicked, this, [this] { OnAddFiles(); });
    QObject::connect(recursiveAdd_, &QPushButton::clicked, this, [this] { OnRecursiveAdd(); });
    QObject::connect(autoSelect_, &QPushButton::clicked, this, [this] { OnAutoSelect(); });
    QObject::connect(dropFiles_, &QPushButton::clicked, this, [this] { OnDropFiles(); });
    QObject::connect(sources_, &QListWidget::itemSelectionChanged, this,
                     [this] { UpdateButtons(); });
    QObject::connect(reverse_, &QPushButton::clicked, this, [this] { OnReverse(); });
    QObject::connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
    QObject::connect(help_, &QPushButton::clicked, this, [this] { OnHelp(); });
}

void ReverseEngineerDialog::FillLanguages() {
    const QSignalBlocker block(languages_);
    for (const LanguageRow& row : LanguageTable)
        languages_->addItem(QString::fromUtf8(row.name.data(), static_cast<int>(row.name.size())));
    const Profile* settings = document_.Context().profile;
    if (settings == nullptr || settings->ScriptFolder.empty())
        return;
    QDir folder(QString::fromStdString(JoinPath(settings->ScriptFolder, "RevEng")));
    for (const QString& name : folder.entryList({"*.vxs"}, QDir::Files, QDir::Name))
        languages_->addItem(name);
}

std::string ReverseEngineerDialog::ScriptPath(const std::string& name) const {
    const Profile* settings = document_.Context().profile;
    const std::string folder = settings != nullptr ? settings->ScriptFolder : std::string();
    return JoinPath(JoinPath(folder, "RevEng"), name);
}

void ReverseEngineerDialog::OnLanguageChanged() {
    if (languageChosen_)
        SaveState();
    LoadOptions(languages_->currentText().toStdString());
    languageChosen_ = true;
}

void ReverseEngineerDialog::LoadOptions(const std::string& name) {
    if (name.empty())
        return;
    if (ExtensionOfPath(name) != "vxs") {
        options_ = DefaultReverseOptions(LanguageIndexByName(name));
        builtIn_ = true;
    } else {
        ReadScriptOptions(ScriptPath(name), options_);
        builtIn_ = false;
    }
    PersistScriptOptions(kRevOptionsKey, options_, false);
    FillOptionLines();
}

void ReverseEngineerDialog::FillOptionLines() {
    const QSignalBlocker block(optionLines_);
    optionLines_->clear();
    extensionOption_ = -1;
    editIndex_ = -1;
    for (size_t i = 0; i < options_.size(); ++i) {
        const ScriptOption& option = options_[i];
        auto* line = new QListWidgetItem(QString::fromStdString(option.Format()), optionLines_);
        line->setFlags(line->flags() | Qt::ItemIsUserCheckable);
        line->setCheckState(option.checked != 0 ? Qt::Checked : Qt::Unchecked);
        line->setData(Qt::UserRole, static_cast<int>(i));
        if (option.name == kFileExtensions)
            extensionOption_ = static_cast<int>(i);
    }
    set_->setEnabled(false);
    if (optionLines_->count() > 0) {
        optionLines_->setCurrentRow(0);
        OnOptionSelected();
    }
}

void ReverseEngineerDialog::OnOptionSelected() {
    if (set_->isEnabled())
        OnSet();
    const int row = optionLines_->currentRow();
    if (row < 0 || static_cast<size_t>(row) >= options_.size())
        return;
    const ScriptOption& option = options_[static_cast<size_t>(row)];
    switch (option.kind) {
    case OptionText:
        valueEdit_->show();
        valueChoice_->hide();
        valueEdit_->setEnabled(true);
        valueEdit_->setText(QString::fromStdString(option.GetText(false)));
        break;
    case OptionChoice: {
        valueEdit_->hide();
        valueChoice_->show();
        const QSignalBlocker block(valueChoice_);
        valueChoice_->clear();
        for (int index = 0;; ++index) {
            const std::string alternative = option.GetChoice(index);
            if (alternative.empty())
                break;
            valueChoice_->addItem(QString::fromStdString(alternative));
        }
        valueChoice_->setCurrentIndex(option.choice);
        break;
    }
    default:
        valueEdit_->show();
        valueChoice_->hide();
        valueEdit_->setEnabled(false);
        valueEdit_->clear();
        break;
    }
    set_->setEnabled(false);
    description_->setText(QString::fromStdString("Description: " + option.description));
}

void ReverseEngineerDialog::OnValueEdited() {
    set_->setEnabled(true);
    editIndex_ = optionLines_->currentRow();
}

void ReverseEngineerDialog::OnSet() {
    set_->setEnabled(false);
    if (editIndex_ < 0 || static_cast<size_t>(editIndex_) >= options_.size())
        return;
    ScriptOption& option = options_[static_cast<size_t>(editIndex_)];
    if (option.kind == OptionText)
        option.value = valueEdit_->text().toStdString();
    else if (option.kind == OptionChoice)
        option.choice = static_cast<int16_t>(std::max(0, valueChoice_->currentIndex()));
    if (QListWidgetItem* line = optionLines_->item(editIndex_))
        line->setText(QString::fromStdString(option.Format()));
}

std::string ReverseEngineerDialog::Extensions() const {
    if (extensionOption_ < 0 || static_cast<size_t>(extensionOption_) >= options_.size())
        return std::string();
    return options_[static_cast<size_t>(extensionOption_)].GetText(false);
}

void ReverseEngineerDialog::OnAddFiles() {
    const std::string language = languages_->currentText().toStdString();
    const std::string pattern = MakeFileFilter(language, Extensions(), true);
    QString filter = QString::fromStdString(language + " Files (" + pattern + ")");
    filter.replace(';', ' ');
    QFileDialog dialog(this, "Add Files", LastAddFolder(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    const QStringList chosen = RunFileDialog(dialog);
    if (chosen.isEmpty())
        return;
    std::vector<std::string> paths;
    for (const QString& path : chosen)
        paths.push_back(QDir::toNativeSeparators(path).toStdString());
    LastAddFolder() = QString::fromStdString(DirectoryOfPath(paths.front()));
    AddSourceFiles(paths);
}

void ReverseEngineerDialog::OnRecursiveAdd() {
    QFileDialog dialog(this, "Recursive Add", LastAddFolder());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectFile("Ignore this!");
    const QStringList files = RunFileDialog(dialog);
    if (files.isEmpty())
        return;
    const std::string chosen = QDir::toNativeSeparators(files.front()).toStdString();
    // The name only picks the folder; a folder itself chosen is walked as it is.
    const std::string folder = IsDirectory(chosen) ? chosen : DirectoryOfPath(chosen);
    WaitCursor wait;
    AddSourceFiles(CollectSourceFiles(folder, Extensions()));
}

void ReverseEngineerDialog::OnAutoSelect() {
    Model* model = document_.CurrentModel();
    if (model == nullptr)
        return;
    sources_->clear();
    std::vector<std::string> names;
    model->CollectSourceFileNames(names);
    AddSourceFiles(names);
    if (sources_->count() == 0)
        MessageBox(kNoFilesMessage, PromptIcon::Exclamation, PromptButtons::Ok);
}

void ReverseEngineerDialog::OnDropFiles() {
    for (QListWidgetItem* item : sources_->selectedItems())
        delete item;
    UpdateButtons();
}

void ReverseEngineerDialog::AddSourceFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        sources_->addItem(QString::fromStdString(path));
    UpdateButtons();
}

std::vector<std::string> ReverseEngineerDialog::SourceFiles() const {
    std::vector<std::string> files;
    for (int i = 0; i < sources_->count(); ++i)
        files.push_back(sources_->item(i)->text().toStdString());
    return files;
}

void ReverseEngineerDialog::UpdateButtons() {
    const bool any = sources_->count() > 0;
    reverse_->setEnabled(any);
    dropFiles_->setEnabled(!sources_->selectedItems().isEmpty());
    reverse_->setDefault(any);
    cancel_->setDefault(!any);
}

void ReverseEngineerDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    UpdateButtons();
}

void ReverseEngineerDialog::SaveState() {
    const std::string language = languages_->currentText().toStdString();
    document_.Profile().language = language;
    if (Profile* settings = document_.Context().profile)
        settings->Language = language;
    for (int row = 0; row < optionLines_->count(); ++row) {
        const QListWidgetItem* line = optionLines_->item(row);
        const int index = line->data(Qt::UserRole).toInt();
        if (index >= 0 && static_cast<size_t>(index) < options_.size())
            options_[static_cast<size_t>(index)].checked = line->checkState() == Qt::Checked;
    }
    PersistScriptOptions(kRevOptionsKey, options_, true);
    if (builtIn_) {
        uint32_t& flags = document_.Profile().flags;
        for (const OptionBit& bit : kOptionBits) {
            flags &= ~bit.bit;
            std::string name = bit.name;
            if (const ScriptOption* option = FindScriptOption(options_, name))
                if (option->checked != 0)
                    flags |= bit.bit;
        }
    }
    document_.SetModifiedFlag(true);
}

void ReverseEngineerDialog::OnReverse() {
    const Model* model = document_.CurrentModel();
    if (model == nullptr || (model->kind != MkClass && model->kind != MkDefault)) {
        SaveState();
        accept();
        return;
    }
    document_.GetJournal().Reset();
    SaveState();
    accept();

    const std::vector<std::string> files = SourceFiles();
    const std::string language = document_.Profile().language;
    WaitCursor wait;
    if (builtIn_) {
        DocumentReverseProject project(document_);
        ReverseEngineerFiles(project, language, "", &files, nullptr, nullptr);
    } else {
        kest::Cell* list = kest::nil;
        for (const std::string& file : files)
            list = kest::mkcons(kest::mkstr(file.c_str(), file.size()), list);
        RunReverseTask(kest::nreverse(list), ScriptPath(language), *this, explorer_);
    }
    document_.SetLanguage(language);
}

void ReverseEngineerDialog::OnHelp() {
    ShowDialogHelp(kHelpTopic);
}

} // namespace qm
