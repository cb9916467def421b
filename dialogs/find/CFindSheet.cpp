// The find-and-replace sheet and its two pages.
#include "dialogs/find/CFindSheet.h"

#include "dialogs/model/DialogServices.h"
#include "dialogs/sheets/SheetWidgets.h"
#include "document/CCASEDoc.h"
#include "document/Profile.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qm {

namespace {

constexpr int kSearchCombo = 0;
constexpr int kReplaceCombo = 1;

QComboBox* NewHistoryCombo(QWidget* parent, const char* name) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    // The edit field inside is what is typed into: it carries the name (the
    // label beside the box names the box).
    combo->lineEdit()->setAccessibleName(name);
    combo->setMinimumContentsLength(30);
    return combo;
}

} // namespace

// ---- page 1 ----

CFindPage1::CFindPage1(CFindSheet& sheet) : QWidget(&sheet), sheet_(sheet) {
    auto* layout = new QHBoxLayout(this);
    auto* fields = new QGridLayout;
    auto* findLabel = new QLabel("Find:", this);
    fields->addWidget(findLabel, 0, 0);
    find_ = NewHistoryCombo(this, "Find:");
    findLabel->setBuddy(find_);
    fields->addWidget(find_, 0, 1);
    replaceLabel_ = new QLabel("Replace:", this);
    fields->addWidget(replaceLabel_, 1, 0);
    replace_ = NewHistoryCombo(this, "Replace:");
    replaceLabel_->setBuddy(replace_);
    fields->addWidget(replace_, 1, 1);
    nameOnly_ = new QCheckBox("&Search Name Only", this);
    matchCase_ = new QCheckBox("Match &Case", this);
    wholeWords_ = new QCheckBox("Match &Whole Words only", this);
    fields->addWidget(nameOnly_, 2, 1);
    fields->addWidget(matchCase_, 3, 1);
    fields->addWidget(wholeWords_, 4, 1);
    fields->setRowStretch(5, 1);
    layout->addLayout(fields, 1);

    auto* buttons = new QVBoxLayout;
    const char* labels[5] = {"Find &Next", "Find &Previous", "Find &All", "Re&place",
                             "Replace A&ll"};
    for (int i = 0; i < 5; ++i) {
        modes_[i] = new QPushButton(labels[i], this);
        buttons->addWidget(modes_[i]);
        const auto mode = static_cast<FindMode>(i);
        connect(modes_[i], &QPushButton::clicked, this, [this, mode] { sheet_.Run(mode); });
    }
    close_ = new QPushButton("Close", this);
    help_ = new QPushButton("&Help", this);
    buttons->addWidget(close_);
    buttons->addWidget(help_);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(close_, &QPushButton::clicked, this, [this] { sheet_.CloseSheet(); });
    connect(help_, &QPushButton::clicked, this, [this] {
        ShowDialogHelp(sheet_.FindOnly() ? "Chapter8.html#Edit:Find"
                                         : "Chapter8.html#Edit:Replace");
    });
    connect(find_, &QComboBox::editTextChanged, this, [this] { UpdateButtons(); });
    connect(find_, &QComboBox::currentIndexChanged, this, [this] { UpdateButtons(); });
    // Leaving a combo keeps its text in the history.
    connect(find_->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { AddEditTextToHistory(kSearchCombo); });
    connect(replace_->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { AddEditTextToHistory(kReplaceCombo); });
    UpdateButtons();
}

int CFindPage1::Options() const {
    return (nameOnly_->isChecked() ? FoNameOnly : 0) | (matchCase_->isChecked() ? FoMatchCase : 0) |
           (wholeWords_->isChecked() ? FoWholeWords : 0);
}

void CFindPage1::Reload(bool findOnly) {
    for (QWidget* widget :
         std::initializer_list<QWidget*>{replaceLabel_, replace_, ModeButton(FindMode::Replace),
                                         ModeButton(FindMode::ReplaceAll)})
        widget->setVisible(!findOnly);
    sheet_.setWindowTitle(findOnly ? "Find" : "Replace");
    UpdateButtons();
}

void CFindPage1::UpdateButtons() {
    const bool any = !find_->currentText().isEmpty();
    for (QPushButton* button : modes_)
        button->setEnabled(any);
    modes_[0]->setDefault(any);
    close_->setDefault(!any);
}

void CFindPage1::ShowHistory(int combo) {
    ShowHistoryItems(combo == kSearchCombo ? *find_ : *replace_, histories_[combo]);
}

void CFindPage1::AddEditTextToHistory(int combo) {
    QComboBox* box = combo == kSearchCombo ? find_ : replace_;
    const size_t before = histories_[combo].size();
    AddComboTextToHistory(histories_[combo], box->currentText().toStdString());
    if (histories_[combo].size() != before || box->findText(box->currentText()) < 0)
        ShowHistory(combo);
}

void CFindPage1::RememberTexts() {
    AddEditTextToHistory(kSearchCombo);
    AddEditTextToHistory(kReplaceCombo);
}

// ---- page 2 ----

CFindPage2::CFindPage2(CFindSheet& sheet) : QWidget(&sheet) {
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setAccessibleName("Matches");
    layout->addWidget(list_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* close = new QPushButton("Close", this);
    auto* help = new QPushButton("&Help", this);
    buttons->addWidget(close);
    buttons->addWidget(help);
    layout->addLayout(buttons);
    connect(close, &QPushButton::clicked, this, [&sheet] { sheet.CloseSheet(); });
    connect(help, &QPushButton::clicked, this,
            [] { ShowDialogHelp("Chapter8.html#Edit:Replace"); });
    connect(list_, &QListWidget::itemDoubleClicked, this,
            [this, &sheet](QListWidgetItem* item) { sheet.GoToMatch(list_->row(item)); });
}

void CFindPage2::Refill(const FindMatchList& matches) {
    list_->clear();
    for (const FindMatch& match : matches.Matches())
        list_->addItem(QString::fromStdString(match.line));
}

// ---- the sheet ----

CFindSheet::CFindSheet(QWidget* parent) : QDialog(parent) {
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    page1_ = new CFindPage1(*this);
    page2_ = new CFindPage2(*this);
    tabs_->addTab(page1_, "Search Criteria");
    tabs_->addTab(page2_, "Match List");
    layout->addWidget(tabs_);
    SetFindOnly(true);
}

CFindSheet::~CFindSheet() = default;

void CFindSheet::SetDocument(CCASEDoc& document, const std::string& listerMaster) {
    if (document_ != &document || engine_ == nullptr) {
        engine_ = std::make_unique<FindEngine>(document);
        page2_->Refill(engine_->MatchList());
    }
    document_ = &document;
    if (!historiesLoaded_ && document.Context().profile != nullptr) {
        ExchangeHistory(*document.Context().profile, true);
        historiesLoaded_ = true;
    }
    QComboBox* find = page1_->FindCombo();
    if (!listerMaster.empty()) {
        find->setEditText(QString::fromStdString(listerMaster));
        page1_->NameOnly()->setChecked(true);
    } else {
        find->setEditText("");
    }
    page1_->UpdateButtons();
}

void CFindSheet::ForgetDocument(CCASEDoc& document) {
    if (document_ != &document)
        return;
    engine_.reset();
    document_ = nullptr;
    page2_->List()->clear();
}

void CFindSheet::SetFindOnly(bool findOnly) {
    findOnly_ = findOnly;
    page1_->Reload(findOnly);
    tabs_->setCurrentWidget(page1_);
}

void CFindSheet::ExchangeHistory(Profile& profile, bool load) {
    for (int combo : {kSearchCombo, kReplaceCombo}) {
        std::vector<std::string>& list =
            profile.Histories[combo == kSearchCombo ? HL_FIND : HL_REPLACE];
        std::vector<std::string>& items = page1_->History(combo);
        ExchangeComboHistory(items, list, load);
        if (load)
            page1_->ShowHistory(combo);
    }
}

void CFindSheet::Run(FindMode mode) {
    if (engine_ == nullptr)
        return;
    FindHost& host = host_ != nullptr ? *host_ : nullHost_;
    page1_->RememberTexts();
    const std::string word = page1_->FindCombo()->currentText().toStdString();
    const std::string replacement = page1_->ReplaceCombo()->currentText().toStdString();
    const FindResult result =
        engine_->FindInModels(mode, word, replacement, page1_->Options(), host);
    page2_->Refill(engine_->MatchList());
    if (result.showMatchList)
        tabs_->setCurrentWidget(page2_);
}

void CFindSheet::GoToMatch(int row) {
    if (engine_ == nullptr || row < 0)
        return;
    FindHost& host = host_ != nullptr ? *host_ : nullHost_;
    engine_->MatchList().GoToMatch(*document_, static_cast<size_t>(row), host);
}

void CFindSheet::ClearMatchList() {
    if (engine_ != nullptr)
        engine_->MatchList().ClearMatchList();
    page2_->List()->clear();
}

void CFindSheet::CloseSheet() {
    if (document_ != nullptr && document_->Context().profile != nullptr)
        ExchangeHistory(*document_->Context().profile, false);
    hide();
    if (engine_ != nullptr)
        engine_->ResetPosition();
}

void CFindSheet::closeEvent(QCloseEvent* event) {
    event->ignore();
    CloseSheet();
}

void CFindSheet::reject() {
    CloseSheet();
}

} // namespace qm
