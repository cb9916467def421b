// The options sheet and its three pages: loading the controls from the
// settings copy, storing them back into it, and writing the copy into the
// user settings when the sheet is confirmed.
#include "dialogs/options/OptionSheet.h"

#include "dialogs/model/DialogServices.h"
#include "dialogs/model/ModelDialogs.h"
#include "platform/PathHelpers.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>
#include <utility>

namespace qm {

const std::array<OptionRow, 19> kOptionRows = {{
    {"Snap to Grid", SnapToGrid, false},
    {"Auto Save the Active Project", AutoSave, false},
    {"Backup Projects Before Saving", BackupBeforeSave, false},
    {"Show Grid Lines", ShowGridLines, false},
    {"Show Page Breaks", ShowPageBreaks, false},
    {"Show Namespace (prepend it to Name)", ShowNamespace, false},
    {"Show Parameterized Class Arguments", HideClassArguments, true},
    {"Show Link Cardinalities", ShowLinkCardinalities, false},
    {"Show Link Access (as prefix to link label)", ShowLinkAccess, false},
    {"Show Hyper Links", ShowHyperLinks, false},
    {"Show Properties upon Creating a Single Place", ShowPropertiesOnCreate, false},
    {"Show Log Window Automatically", ShowLogWindow, false},
    {"Allow Auto Reisze of Links/Places to Fit Text", AutoResizeToText, false},
    {"Annotate Places by Default", AnnotatePlaces, false},
    {"Annotation to be justified the same as the place", JustifyAnnotationAsPlace, false},
    {"Nag when Cutting/Copying/Deleting Models", ConfirmModelDelete, false},
    {"Offer to Add Method to Target Class", OfferAddMethod, false},
    {"Highlight Groups by Shading their Background", HighlightGroups, false},
    {"Draw Places as Shadowed where Appropriate", ShadowPlaces, false},
}};

namespace {

constexpr const char* kHelpTopic = "Chapter8.html#Tools:Options";

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// A file-open dialog in folder with the given filter and initial name; the
// chosen path, or "" when cancelled.
std::string AskOpenPath(QWidget* parent, const std::string& folder, const QString& filter,
                        const QString& initialName) {
    QFileDialog dialog(parent, "Open", Q(folder), filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.selectFile(initialName);
    const QStringList chosen = RunFileDialog(dialog);
    if (chosen.isEmpty())
        return {};
    return QDir::toNativeSeparators(chosen.front()).toStdString();
}

// An image limit typed into an edit: kept only when it is 1 to 9999.
void StoreLimit(const QLineEdit* edit, int32_t& value) {
    const int32_t typed = AtoiValue(edit->text().toStdString());
    if (typed >= 1 && typed <= 9999)
        value = typed;
}

} // namespace

// ---- General ----

COptionPage1::COptionPage1(COptionSheet& sheet)
    : sheet_(sheet),
      options_(new QListWidget(this)),
      snap_(new QSpinBox(this)),
      autosave_(new QSpinBox(this)),
      width_(new QLineEdit(this)),
      height_(new QLineEdit(this)) {
    for (const OptionRow& row : kOptionRows) {
        auto* item = new QListWidgetItem(row.text, options_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    snap_->setRange(2, 16);
    autosave_->setRange(1, 60);
    snap_->setAccessibleName("Grid Snap Size:");
    autosave_->setAccessibleName("Auto Save Interval:");
    width_->setAccessibleName("Max Image Width:");
    height_->setAccessibleName("Max Image Height:");

    auto* numbers = new QGridLayout;
    numbers->addWidget(new QLabel("Grid Snap Size:", this), 0, 0);
    numbers->addWidget(snap_, 0, 1);
    numbers->addWidget(new QLabel("Auto Save Interval:", this), 1, 0);
    numbers->addWidget(autosave_, 1, 1);
    numbers->addWidget(new QLabel("Minutes", this), 1, 2);
    numbers->addWidget(new QLabel("Max Image Width:", this), 2, 0);
    numbers->addWidget(width_, 2, 1);
    numbers->addWidget(new QLabel("Max Image Height:", this), 3, 0);
    numbers->addWidget(height_, 3, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(options_);
    layout->addLayout(numbers);
}

void COptionPage1::Load() {
    const OptionSettings& copy = sheet_.Copy();
    snap_->setValue(copy.snapSize);
    autosave_->setValue(copy.autosavePeriod);
    width_->setText(QString::number(copy.maxImageWidth));
    height_->setText(QString::number(copy.maxImageHeight));
    for (size_t row = 0; row < kOptionRows.size(); ++row) {
        const bool set = (copy.options & kOptionRows[row].bit) != 0;
        const bool checked = kOptionRows[row].inverted ? !set : set;
        options_->item(static_cast<int>(row))->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
}

void COptionPage1::Store() {
    OptionSettings& copy = sheet_.Copy();
    copy.snapSize = snap_->value();
    copy.autosavePeriod = autosave_->value();
    StoreLimit(width_, copy.maxImageWidth);
    StoreLimit(height_, copy.maxImageHeight);
    // Rebuilt from zero: bits the page does not show are not kept.
    uint32_t options = 0;
    for (size_t row = 0; row < kOptionRows.size(); ++row) {
        const bool checked = options_->item(static_cast<int>(row))->checkState() == Qt::Checked;
        if (checked != kOptionRows[row].inverted)
            options |= kOptionRows[row].bit;
    }
    copy.options = options;
}

// ---- Locations ----

COptionPage2::COptionPage2(COptionSheet& sheet) : sheet_(sheet) {
    static constexpr std::array<const char*, FieldCount> kButtons = {
        "&Notation Folder:", "&Default Notation:",  "&Script Folder:",
        "D&efault Library:", "Default &Ref. Proj:", "Repos. &Cache:"};
    auto* layout = new QGridLayout(this);
    for (int field = 0; field < FieldCount; ++field) {
        buttons_[field] = new QPushButton(kButtons[field], this);
        edits_[field] = new QLineEdit(this);
        edits_[field]->setAccessibleName(
            QString::fromLatin1(kButtons[field]).remove(QLatin1Char('&')));
        layout->addWidget(buttons_[field], field, 0);
        layout->addWidget(edits_[field], field, 1);
        QObject::connect(buttons_[field], &QPushButton::clicked,
                         [this, field] { Browse(static_cast<Field>(field)); });
    }
    layout->setRowStretch(FieldCount, 1);
}

std::string& COptionPage2::Slot(Field field) {
    OptionSettings& copy = sheet_.Copy();
    switch (field) {
    case NotationFolder:
        return copy.notationFolder;
    case DefaultNotation:
        return copy.defaultNotation;
    case ScriptFolder:
        return copy.scriptFolder;
    case DefaultLibrary:
        return copy.defaultLibrary;
    case RefProject:
        return copy.defaultRefProj;
    case RepCache:
    case FieldCount:
        break;
    }
    return copy.repCacheFile;
}

void COptionPage2::Load() {
    for (int field = 0; field < FieldCount; ++field)
        edits_[field]->setText(Q(Slot(static_cast<Field>(field))));
}

void COptionPage2::Store() {
    for (int field = 0; field < FieldCount; ++field)
        Slot(static_cast<Field>(field)) = edits_[field]->text().toStdString();
}

void COptionPage2::Browse(Field field) {
    QLineEdit* edit = edits_[field];
    const std::string text = edit->text().toStdString();
    switch (field) {
    case NotationFolder:
    case ScriptFolder: {
        // A folder is chosen by picking any file in it.
        const std::string chosen = AskOpenPath(this, text, "All Files (*)", "Ignore this!");
        if (!chosen.empty())
            edit->setText(Q(DirectoryOfPath(chosen)));
        return;
    }
    case DefaultNotation: {
        CTemplateDialog dialog(edits_[NotationFolder]->text().toStdString(), text, this);
        if (RunModal(dialog) == QDialog::Accepted)
            edit->setText(Q(FileNameOfPath(CTemplateDialog::GetChosenTemplate())));
        return;
    }
    case DefaultLibrary:
    case RefProject:
    case RepCache: {
        const QString filter = field == DefaultLibrary ? "Library Project File (*.pro)"
                               : field == RefProject   ? "Reference Project File (*.pro)"
                                                       : "Repository Cache Files (*.rep)";
        const QString initial = field == RepCache ? "*.rep" : "*.pro";
        std::string chosen = AskOpenPath(this, DirectoryOfPath(text), filter, initial);
        if (chosen.empty())
            return;
        if (field == RepCache)
            chosen = TrimRepeatedExtension(chosen);
        edit->setText(Q(chosen));
        return;
    }
    case FieldCount:
        return;
    }
}

// ---- Viewers ----

COptionPage3::COptionPage3(COptionSheet& sheet)
    : sheet_(sheet),
      list_(new QListWidget(this)),
      extension_(new QLineEdit(this)),
      application_(new QLineEdit(this)),
      add_(new QPushButton("&Add", this)),
      delete_(new QPushButton("&Delete", this)),
      up_(new QPushButton("Move &Up", this)),
      down_(new QPushButton("Move Do&wn", this)),
      viewer_(new QPushButton("&Viewer:", this)) {
    extension_->setAccessibleName("Extension:");
    application_->setAccessibleName("Viewer:");
    auto* edits = new QGridLayout;
    edits->addWidget(new QLabel("Extension:", this), 0, 0);
    edits->addWidget(extension_, 0, 1);
    edits->addWidget(viewer_, 1, 0);
    edits->addWidget(application_, 1, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {add_, delete_, up_, down_})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(edits);
    layout->addLayout(buttons);

    QObject::connect(list_, &QListWidget::currentRowChanged, [this](int row) { OnSelect(row); });
    for (QLineEdit* edit : {extension_, application_})
        QObject::connect(edit, &QLineEdit::textEdited, [this] {
            dirty_ = true;
            UpdateButtons();
        });
    QObject::connect(add_, &QPushButton::clicked, [this] { ApplyPending(); });
    QObject::connect(delete_, &QPushButton::clicked, [this] { OnDelete(); });
    QObject::connect(up_, &QPushButton::clicked, [this] { Move(-1); });
    QObject::connect(down_, &QPushButton::clicked, [this] { Move(1); });
    QObject::connect(viewer_, &QPushButton::clicked, [this] { OnBrowse(); });
}

QString COptionPage3::RowText(const ViewerEntry& viewer) {
    return Q(viewer.extension) + "\t=> " + Q(viewer.application);
}

void COptionPage3::Fill(int select) {
    filling_ = true;
    list_->clear();
    for (const ViewerEntry& viewer : sheet_.Copy().viewers)
        list_->addItem(RowText(viewer));
    list_->addItem("<New>");
    filling_ = false;
    current_ = -1;
    list_->setCurrentRow(std::clamp(select, 0, list_->count() - 1));
}

void COptionPage3::Load() {
    dirty_ = false;
    Fill(0);
}

void COptionPage3::OnSelect(int row) {
    if (filling_)
        return;
    if (add_->isEnabled())
        ApplyPending();
    current_ = row;
    const auto& viewers = sheet_.Copy().viewers;
    const bool isViewer = row >= 0 && static_cast<size_t>(row) < viewers.size();
    extension_->setText(isViewer ? Q(viewers[static_cast<size_t>(row)].extension) : QString());
    application_->setText(isViewer ? Q(viewers[static_cast<size_t>(row)].application) : QString());
    dirty_ = false;
    UpdateButtons();
}

void COptionPage3::ApplyPending() {
    if (!dirty_)
        return;
    dirty_ = false;
    auto& viewers = sheet_.Copy().viewers;
    std::string extension = extension_->text().toStdString();
    const std::string application = application_->text().toStdString();
    if (extension.empty() || application.empty()) {
        UpdateButtons();
        return;
    }
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (current_ < 0 || static_cast<size_t>(current_) >= viewers.size()) {
        viewers.push_back({extension, application});
        current_ = static_cast<int>(viewers.size()) - 1;
    } else {
        viewers[static_cast<size_t>(current_)] = {extension, application};
    }
    const int keep = current_;
    Fill(keep);
}

void COptionPage3::OnDelete() {
    auto& viewers = sheet_.Copy().viewers;
    if (current_ < 0 || static_cast<size_t>(current_) >= viewers.size())
        return;
    const size_t row = static_cast<size_t>(current_);
    viewers.erase(viewers.begin() + static_cast<std::ptrdiff_t>(row));
    dirty_ = false;
    // The last viewer gone, the selection moves up to the one before it.
    const int select =
        row == viewers.size() && row > 0 ? static_cast<int>(row) - 1 : static_cast<int>(row);
    Fill(select);
}

void COptionPage3::Move(int delta) {
    auto& viewers = sheet_.Copy().viewers;
    const int other = current_ + delta;
    if (current_ < 0 || other < 0 || static_cast<size_t>(current_) >= viewers.size() ||
        static_cast<size_t>(other) >= viewers.size())
        return;
    ApplyPending();
    std::swap(viewers[static_cast<size_t>(current_)], viewers[static_cast<size_t>(other)]);
    Fill(other);
}

void COptionPage3::OnBrowse() {
    // Programs here carry no extension of their own, so every file is offered.
    const std::string chosen = AskOpenPath(
        this, DirectoryOfPath(application_->text().toStdString()), "Applications (*)", "");
    if (chosen.empty())
        return;
    application_->setText(Q(chosen));
    dirty_ = true;
    UpdateButtons();
}

void COptionPage3::UpdateButtons() {
    const int viewers = static_cast<int>(sheet_.Copy().viewers.size());
    const bool isViewer = current_ >= 0 && current_ < viewers;
    add_->setEnabled(dirty_ && !extension_->text().isEmpty() && !application_->text().isEmpty());
    delete_->setEnabled(isViewer);
    up_->setEnabled(isViewer && current_ > 0);
    down_->setEnabled(isViewer && current_ + 1 < viewers);
    add_->setDefault(add_->isEnabled() && !add_->hasFocus());
    if (sheet_.OkButton() != nullptr)
        sheet_.OkButton()->setDefault(!add_->isDefault());
}

// ---- the sheet ----

COptionSheet::COptionSheet(Profile& profile, OptionSheetHooks hooks, QWidget* parent, int firstPage)
    : QDialog(parent),
      profile_(profile),
      hooks_(std::move(hooks)),
      tabs_(new QTabWidget(this)),
      general_(new COptionPage1(*this)),
      locations_(new COptionPage2(*this)),
      viewers_(new COptionPage3(*this)),
      ok_(new QPushButton("OK", this)),
      cancel_(new QPushButton("Cancel", this)) {
    setWindowTitle("Options");
    setModal(false);
    tabs_->addTab(general_, "General");
    tabs_->addTab(locations_, "Locations");
    tabs_->addTab(viewers_, "Viewers");
    tabs_->setCurrentIndex(std::clamp(firstPage, 0, 2));
    auto* help = new QPushButton("&Help", this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    buttons->addWidget(help);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addLayout(buttons);
    ok_->setDefault(true);
    QObject::connect(ok_, &QPushButton::clicked, [this] { Close(true); });
    QObject::connect(cancel_, &QPushButton::clicked, [this] { Close(false); });
    QObject::connect(help, &QPushButton::clicked, [] { ShowDialogHelp(kHelpTopic); });
}

void COptionSheet::CopyFromProfile() {
    copy_.options = profile_.Options;
    copy_.snapSize = profile_.SnapSize;
    copy_.autosavePeriod = profile_.AutosavePeriod;
    copy_.maxImageWidth = profile_.MaxImageWidth;
    copy_.maxImageHeight = profile_.MaxImageHeight;
    copy_.notationFolder = profile_.NotationFolder;
    copy_.defaultNotation = profile_.DefaultNotation;
    copy_.scriptFolder = profile_.ScriptFolder;
    copy_.defaultLibrary = profile_.DefaultLibrary;
    copy_.defaultRefProj = profile_.DefaultRefProj;
    copy_.repCacheFile = profile_.RepCacheFile;
    copy_.viewers = profile_.Viewers;
}

void COptionSheet::LoadPages() {
    general_->Load();
    locations_->Load();
    viewers_->Load();
}

void COptionSheet::Close(bool apply) {
    if (apply) {
        general_->Store();
        locations_->Store();
        viewers_->Store();
        profile_.Options = copy_.options;
        profile_.SnapSize = copy_.snapSize;
        profile_.AutosavePeriod = copy_.autosavePeriod;
        profile_.MaxImageWidth = copy_.maxImageWidth;
        profile_.MaxImageHeight = copy_.maxImageHeight;
        profile_.NotationFolder = copy_.notationFolder;
        profile_.DefaultNotation = copy_.defaultNotation;
        profile_.ScriptFolder = copy_.scriptFolder;
        if (copy_.defaultLibrary != profile_.DefaultLibrary && hooks_.reloadLibraryMenu)
            hooks_.reloadLibraryMenu(copy_.defaultLibrary);
        profile_.DefaultLibrary = copy_.defaultLibrary;
        if (copy_.defaultRefProj != profile_.DefaultRefProj && hooks_.openReferenceProject)
            hooks_.openReferenceProject(copy_.defaultRefProj);
        profile_.DefaultRefProj = copy_.defaultRefProj;
        profile_.RepCacheFile = copy_.repCacheFile;
        profile_.Viewers = copy_.viewers;
    } else {
        // What was cancelled must not come back the next time the sheet is
        // shown, nor be applied by a later OK.
        CopyFromProfile();
    }
    hide();
    if (apply && hooks_.applied)
        hooks_.applied();
}

void COptionSheet::showEvent(QShowEvent* event) {
    LoadPages();
    QDialog::showEvent(event);
}

void COptionSheet::closeEvent(QCloseEvent* event) {
    Close(true);
    event->accept();
}

} // namespace qm
