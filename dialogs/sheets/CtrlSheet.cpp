// CCtrlSheet: a control's texts, flags, numbers, options, list rows and tab
// pages, applied as one journaled step.
#include "dialogs/sheets/CtrlSheet.h"

#include "dialogs/model/DialogServices.h"
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/Model.h"
#include "drawables/UiControl.h"

#include "platform/Prompt.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace qm {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string S(const QString& text) {
    return text.toStdString();
}

// The model that holds control (also inside containers), or null.
Model* ModelHolding(CCASEDoc& document, const Drawable* control) {
    for (size_t i = 0; i < document.ModelCount(); ++i) {
        Model* model = document.GetModelAt(i);
        std::vector<Drawable*> all;
        model->CollectAllDrawables(all);
        for (const Drawable* drawable : all)
            if (drawable == control)
                return model;
    }
    return nullptr;
}

// The three numeric properties (new controls start with 0, 32 and 16) and
// the five options, as the General page names them.
constexpr const char* kNumberLabels[3] = {"Help &Id:", "&Max. Length:", "Item &Height:"};
constexpr const char* kOptionLabels[5] = {"&Sorted", "Re&quired", "Read &Only", "Pass&word",
                                          "M&ultiple Selection"};

constexpr const char* kDeletePageQuestion =
    "This tab page has controls in it.\nDeleting it will cause all its controls to be deleted as "
    "well\nDo you want to proceed?";

} // namespace

const std::vector<CCtrlSheet::FlagBit>& CCtrlSheet::FlagBits() {
    // New controls start with Visible, Tab Stop and Border (flags 22).
    static const std::vector<FlagBit> bits = {
        {0x1, "Disa&bled"}, {0x2, "&Visible"},       {0x4, "&Tab Stop"},        {0x8, "&Group"},
        {0x10, "Bo&rder"},  {0x80, "Show Ca&ption"}, {0x100, "Caption &Above"},
    };
    return bits;
}

CCtrlSheet::CCtrlSheet(QWidget* parent) : QDialog(parent), tabs(new QTabWidget(this)) {
    setModal(false);
    auto* general = new QWidget(tabs);
    auto* form = new QFormLayout(general);
    name = new QLineEdit(general);
    caption = new QLineEdit(general);
    defaultText = new QLineEdit(general);
    picture = new QLineEdit(general);
    form->addRow(QStringLiteral("&Name:"), name);
    form->addRow(QStringLiteral("&Caption:"), caption);
    form->addRow(QStringLiteral("&Default Text:"), defaultText);
    form->addRow(QStringLiteral("&Picture:"), picture);
    auto* flagGroup = new QGroupBox(QStringLiteral("Flags"), general);
    auto* flagGrid = new QGridLayout(flagGroup);
    for (const FlagBit& bit : FlagBits()) {
        auto* box = new QCheckBox(QString::fromUtf8(bit.label), flagGroup);
        flagGrid->addWidget(box, int(flagBoxes.size()) / 2, int(flagBoxes.size()) % 2);
        flagBoxes.push_back(box);
    }
    form->addRow(flagGroup);
    for (size_t i = 0; i < numberBoxes.size(); ++i) {
        numberBoxes[i] = new QSpinBox(general);
        numberBoxes[i]->setRange(0, 65535);
        form->addRow(QString::fromUtf8(kNumberLabels[i]), numberBoxes[i]);
    }
    auto* optionGroup = new QGroupBox(QStringLiteral("Options"), general);
    auto* optionGrid = new QGridLayout(optionGroup);
    for (size_t i = 0; i < optionBoxes.size(); ++i) {
        optionBoxes[i] = new QCheckBox(QString::fromUtf8(kOptionLabels[i]), optionGroup);
        optionGrid->addWidget(optionBoxes[i], int(i) / 2, int(i) % 2);
    }
    form->addRow(optionGroup);
    tabs->addTab(general, QStringLiteral("General"));
    listPage_ = new QWidget(tabs);
    auto* listLayout = new QVBoxLayout(listPage_);
    items = new QPlainTextEdit(listPage_);
    items->setAccessibleName(QStringLiteral("Items"));
    listLayout->addWidget(items);
    // Added here so that the tab widget owns and hides it; Load removes it
    // for a control without rows.
    tabs->addTab(listPage_, QStringLiteral("List"));
    pagesPage_ = new QWidget(tabs);
    auto* pagesLayout = new QVBoxLayout(pagesPage_);
    pages = new QListWidget(pagesPage_);
    pages->setAccessibleName(QStringLiteral("Tab Pages"));
    pagesLayout->addWidget(pages);
    auto* pageButtons = new QHBoxLayout;
    addPage = new QPushButton(QStringLiteral("&Add Page"), pagesPage_);
    deletePage = new QPushButton(QStringLiteral("&Delete Page"), pagesPage_);
    pageButtons->addWidget(addPage);
    pageButtons->addWidget(deletePage);
    pageButtons->addStretch();
    pagesLayout->addLayout(pageButtons);
    tabs->addTab(pagesPage_, QStringLiteral("Pages"));
    connect(addPage, &QPushButton::clicked, this, [this] {
        auto* row = new QListWidgetItem(QStringLiteral("Untitled"), pages);
        row->setFlags(row->flags() | Qt::ItemIsEditable);
        pageOrigins_.push_back(-1);
        pages->setCurrentItem(row);
    });
    connect(deletePage, &QPushButton::clicked, this, [this] { OnDeletePage(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    auto* buttons = new QHBoxLayout;
    okButton = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* help = new QPushButton(QStringLiteral("&Help"), this);
    buttons->addStretch();
    for (QPushButton* button : {okButton, cancel, help})
        buttons->addWidget(button);
    layout->addLayout(buttons);
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, [this] { CloseSheet(true); });
    connect(cancel, &QPushButton::clicked, this, [this] { CloseSheet(false); });
    connect(help, &QPushButton::clicked, this,
            [] { ShowDialogHelp("Chapter8.html#Edit:Properties"); });
}

UiControlPlace* CCtrlSheet::Target() const {
    return target_.As<UiControlPlace>();
}

void CCtrlSheet::SetTarget(CCASEDoc* document, const ObjectHandle& target) {
    if (document == document_ && target == target_ && Target() != nullptr)
        return;
    if (Target() != nullptr)
        Apply();
    document_ = document;
    target_ = target;
    if (Target() == nullptr) {
        target_ = ObjectHandle();
        setWindowTitle(QStringLiteral("No Properties"));
        hide();
        return;
    }
    Load();
}

void CCtrlSheet::CloseSheet(bool apply) {
    if (apply && Target() != nullptr)
        Apply();
    target_ = ObjectHandle();
    hide();
}

void CCtrlSheet::closeEvent(QCloseEvent* event) {
    CloseSheet(true);
    QDialog::closeEvent(event);
}

void CCtrlSheet::ShowPage(QWidget* page, const QString& title, bool shown) {
    const int index = tabs->indexOf(page);
    if (shown && index < 0)
        tabs->addTab(page, title);
    else if (!shown && index >= 0)
        tabs->removeTab(index);
}

void CCtrlSheet::OnDeletePage() {
    const int row = pages->currentRow();
    if (row < 0 || size_t(row) >= pageOrigins_.size())
        return;
    auto* tabControl = dynamic_cast<UiTabControl*>(Target());
    const int origin = pageOrigins_[size_t(row)];
    const UiGroupBoxControl* page =
        tabControl != nullptr && origin >= 0 ? tabControl->Page(origin) : nullptr;
    if (page != nullptr && !page->Members().empty() &&
        MessageBox(kDeletePageQuestion, PromptIcon::Question, PromptButtons::YesNo) !=
            PromptAnswer::Yes)
        return;
    delete pages->takeItem(row);
    pageOrigins_.erase(pageOrigins_.begin() + row);
}

void CCtrlSheet::Load() {
    UiControlPlace* control = Target();
    name->setText(Q(control->name));
    caption->setText(Q(control->caption));
    defaultText->setText(Q(control->defaultText));
    picture->setText(Q(control->picture));
    for (size_t i = 0; i < flagBoxes.size(); ++i)
        flagBoxes[i]->setChecked((control->controlFlags & FlagBits()[i].bit) != 0);
    for (size_t i = 0; i < numberBoxes.size(); ++i)
        numberBoxes[i]->setValue(control->numbers[i]);
    for (size_t i = 0; i < optionBoxes.size(); ++i)
        optionBoxes[i]->setChecked(control->flagProperties[i] != 0);
    auto* edit = dynamic_cast<UiEditControl*>(control);
    auto* tabControl = dynamic_cast<UiTabControl*>(control);
    ShowPage(listPage_, QStringLiteral("List"), edit != nullptr);
    ShowPage(pagesPage_, QStringLiteral("Pages"), tabControl != nullptr);
    QStringList rows;
    if (edit != nullptr)
        for (const std::string& row : edit->items)
            rows << Q(row);
    items->setPlainText(rows.join(QLatin1Char('\n')));
    pages->clear();
    pageOrigins_.clear();
    if (tabControl != nullptr)
        for (int i = 0; i < tabControl->PageCount(); ++i) {
            auto* row = new QListWidgetItem(Q(tabControl->Page(i)->caption), pages);
            row->setFlags(row->flags() | Qt::ItemIsEditable);
            pageOrigins_.push_back(i);
        }
    setWindowTitle(QLatin1Char('"') + name->text() + QStringLiteral("\" Properties"));
    name->setFocus();
}

void CCtrlSheet::Apply() {
    UiControlPlace* control = Target();
    if (control == nullptr || document_ == nullptr)
        return;
    auto* edit = dynamic_cast<UiEditControl*>(control);
    auto* tabControl = dynamic_cast<UiTabControl*>(control);
    std::vector<std::string> rows;
    if (edit != nullptr && !items->toPlainText().isEmpty())
        for (const QString& row : items->toPlainText().split(QLatin1Char('\n')))
            rows.push_back(S(row));
    // Bits the page does not show stay as they are.
    uint32_t flags = control->controlFlags;
    for (size_t i = 0; i < flagBoxes.size(); ++i) {
        flags &= ~FlagBits()[i].bit;
        if (flagBoxes[i]->isChecked())
            flags |= FlagBits()[i].bit;
    }
    std::array<uint16_t, 3> numbers{};
    for (size_t i = 0; i < numbers.size(); ++i)
        numbers[i] = uint16_t(numberBoxes[i]->value());
    // An option keeps its stored value while its box still says the same.
    std::array<uint8_t, 5> options = control->flagProperties;
    for (size_t i = 0; i < options.size(); ++i)
        if (optionBoxes[i]->isChecked() != (options[i] != 0))
            options[i] = optionBoxes[i]->isChecked() ? 1 : 0;
    std::vector<std::string> captions;
    for (int i = 0; i < pages->count(); ++i) {
        // A caption is one line.
        std::string text = S(pages->item(i)->text());
        std::replace(text.begin(), text.end(), '\n', ' ');
        captions.push_back(text);
    }
    bool pagesSame = tabControl == nullptr;
    if (tabControl != nullptr) {
        pagesSame = pageOrigins_.size() == size_t(tabControl->PageCount());
        for (size_t i = 0; pagesSame && i < pageOrigins_.size(); ++i)
            pagesSame =
                pageOrigins_[i] == int(i) && tabControl->Page(int(i))->caption == captions[i];
    }
    const bool same = control->name == S(name->text()) && control->caption == S(caption->text()) &&
                      control->defaultText == S(defaultText->text()) &&
                      control->picture == S(picture->text()) && control->controlFlags == flags &&
                      control->numbers == numbers && control->flagProperties == options &&
                      (edit == nullptr || edit->items == rows) && pagesSame;
    if (same)
        return;
    std::unique_ptr<ModelObject> previous = control->Clone();
    previous->SetDetached();
    UndoJournal& journal = document_->GetJournal();
    JournalChange change(journal, ChangeKind::PropertyChanges);
    control->name = S(name->text());
    control->caption = S(caption->text());
    control->defaultText = S(defaultText->text());
    control->picture = S(picture->text());
    control->controlFlags = flags;
    control->numbers = numbers;
    control->flagProperties = options;
    if (edit != nullptr)
        edit->items = rows;
    if (tabControl != nullptr && !pagesSame) {
        // Deleted pages go with their controls, last first so that the
        // indexes of the others hold; the pages kept line up with their rows
        // and the new ones follow.
        for (int index = tabControl->PageCount() - 1; index >= 0; --index)
            if (std::find(pageOrigins_.begin(), pageOrigins_.end(), index) == pageOrigins_.end())
                tabControl->RemoveTab(index);
        tabControl->SetPageCaptions(captions);
        pageOrigins_.clear();
        for (size_t i = 0; i < captions.size(); ++i)
            pageOrigins_.push_back(int(i));
    }
    control->UpdateRepaintRect();
    journal.AddChangedObject(control, std::move(previous));
    Model* model = ModelHolding(*document_, control);
    change.Record("Property Changes", model != nullptr ? model : document_->CurrentModel(),
                  control);
    document_->SetModifiedFlag(true);
}

} // namespace qm
