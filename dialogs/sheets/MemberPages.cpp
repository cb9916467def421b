// The member pages: the shared list pattern and the four pages' controls.
#include "dialogs/sheets/MemberPages.h"
#include "dialogs/model/DialogServices.h"

#include "dialogs/sheets/MemberClipboard.h"
#include "dialogs/sheets/MethodCodeWindow.h"
#include "dialogs/sheets/ParamsDialog.h"
#include "dialogs/sheets/SheetWidgets.h"
#include "platform/Prompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <utility>

namespace qm {

namespace {

QLineEdit* Edit(QWidget* parent, const char* accessible) {
    auto* edit = new QLineEdit(parent);
    edit->setAccessibleName(QString::fromLatin1(accessible));
    return edit;
}

// Calls f with the master's list of the kind.
template <class F> decltype(auto) OnList(Master& master, MemberKind kind, F&& f) {
    switch (kind) {
    case MemberKind::Attribute:
        return f(master.attributes);
    case MemberKind::Method:
        return f(master.methods);
    case MemberKind::Type:
        return f(master.types);
    case MemberKind::Exception:
        return f(master.exceptions);
    }
    return f(master.attributes);
}

template <class List> using RecordOf = typename List::value_type::element_type;

struct ModeBox {
    const char* label;
    int bit;
};
constexpr ModeBox kAttributeModes[8] = {
    {"&Static", ModeStatic},       {"&Constant", ModeConst}, {"&Get/Set", ModeGetSet},
    {"A&nnotate", ModeAnnotate},   {"&Final", ModeFinal},    {"&Volatile", ModeVolatile},
    {"&Transient", ModeTransient}, {"&MACRO", ModeMacro},
};
constexpr ModeBox kMethodModes[8] = {
    {"&Static", ModeStatic},        {"Cons&tant", ModeConst},    {"&Virtual", ModeVirtual},
    {"A&nnotate", ModeAnnotate},    {"A&bstract", ModeAbstract}, {"&Final", ModeFinal},
    {"S&ynch'd", ModeSynchronized}, {"Na&tive", ModeNative},
};
constexpr int kAnnotateBox = 3;

// The record's own annotate bit (exceptions have none).
bool Annotated(const ModelObject* record) {
    if (const auto* attribute = dynamic_cast<const MasterAttribute*>(record))
        return (attribute->mode & ModeAnnotate) != 0;
    if (const auto* method = dynamic_cast<const MasterMethod*>(record))
        return (method->mode & ModeAnnotate) != 0;
    if (const auto* type = dynamic_cast<const MasterType*>(record))
        return (type->mode & ModeAnnotate) != 0;
    return false;
}

QGroupBox* ModesGroup(QWidget* parent, const ModeBox (&table)[8], QCheckBox* (&boxes)[8]) {
    auto* group = new QGroupBox(QStringLiteral("Modes"), parent);
    auto* grid = new QGridLayout(group);
    for (int i = 0; i < 8; ++i) {
        boxes[i] = new QCheckBox(QString::fromLatin1(table[i].label), group);
        grid->addWidget(boxes[i], i / 4, i % 4);
    }
    return group;
}

int ModesOf(const ModeBox (&table)[8], QCheckBox* const (&boxes)[8]) {
    int mode = 0;
    for (int i = 0; i < 8; ++i) {
        if (boxes[i]->isChecked())
            mode |= table[i].bit;
    }
    return mode;
}

void SetModes(const ModeBox (&table)[8], QCheckBox* const (&boxes)[8], int mode) {
    for (int i = 0; i < 8; ++i)
        boxes[i]->setChecked((mode & table[i].bit) != 0);
}

// Runs dialog on a detached copy of record (set hands the copy to the
// dialog); on OK, unless read-only, the copy's edits go back into record.
template <class Record, class Dialog>
bool RunOnCopy(Record& record, Dialog& dialog, void (Dialog::*set)(Record*), bool readOnly) {
    Record temporary(Guid::FromText{""});
    temporary.CopyFrom(record);
    temporary.SetDetached();
    (dialog.*set)(&temporary);
    dialog.SetReadOnly(readOnly);
    if (dialog.RunModal() != QDialog::Accepted || readOnly)
        return false;
    record.CopyFrom(temporary);
    return true;
}

} // namespace

// ---- the shared frame ----

CMemberPage::CMemberPage(CObjSheet& sheet, MemberKind kind, const QString& title)
    : SheetPage(sheet, title),
      list(new TCheckListBox(this)),
      name(EditableCombo(this, "Name:")),
      comment(new QPlainTextEdit(this)),
      addButton(new QPushButton(QStringLiteral("&Add"), this)),
      deleteButton(new QPushButton(QStringLiteral("&Delete"), this)),
      upButton(new QPushButton(QStringLiteral("Move &Up"), this)),
      downButton(new QPushButton(QStringLiteral("Move Do&wn"), this)),
      okButton(new QPushButton(QStringLiteral("OK"), this)),
      kind_(kind) {
    list->SetOwner(this);
    list->setAccessibleName(title);
    comment->setAccessibleName(QStringLiteral("Comment:"));
    comment->setMaximumHeight(70);
    connect(list, &QListWidget::currentRowChanged, this, [this] {
        if (!loading_)
            CommitAndLoad();
    });
    connect(list, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        // The check mark of the current row is its Annotate box.
        if (loading_ || list->row(item) != current_ || !AnnotateShown())
            return;
        SetAnnotate(list->IsChecked(current_));
        Changed();
    });
    connect(name, &QComboBox::editTextChanged, this, [this] { Changed(); });
    connect(comment, &QPlainTextEdit::textChanged, this, [this] { Changed(); });
    connect(addButton, &QPushButton::clicked, this, [this] { Add(); });
    connect(deleteButton, &QPushButton::clicked, this, [this] { Delete(); });
    connect(upButton, &QPushButton::clicked, this, [this] { MoveUp(); });
    connect(downButton, &QPushButton::clicked, this, [this] { MoveDown(); });
    connect(okButton, &QPushButton::clicked, this, [this] { sheet_.CloseSheet(true); });
    BindRows(list, name, addButton, deleteButton, upButton, downButton, okButton);
}

void CMemberPage::FinishLayout(QWidget* controls, const std::vector<QPushButton*>& extraButtons,
                               const char* helpTopic) {
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    left->addWidget(list, 1);
    left->addWidget(controls);
    layout->addLayout(left, 1);
    auto* right = new QVBoxLayout;
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* help = new QPushButton(QStringLiteral("&Help"), this);
    for (QPushButton* button : {addButton, deleteButton, upButton, downButton})
        right->addWidget(button);
    for (QPushButton* button : extraButtons)
        right->addWidget(button);
    right->addStretch();
    for (QPushButton* button : {okButton, cancel, help})
        right->addWidget(button);
    layout->addLayout(right);
    connect(cancel, &QPushButton::clicked, this, [this] { sheet_.CloseSheet(false); });
    connect(help, &QPushButton::clicked, this, [helpTopic] { ShowDialogHelp(helpTopic); });
}

QGroupBox* CMemberPage::MakeAccessGroup(QWidget* parent) {
    auto* group = new QGroupBox(QStringLiteral("Access"), parent);
    auto* box = new QHBoxLayout(group);
    const char* labels[] = {"P&rivate", "&Protected", "Pu&blic"};
    for (int i = 0; i < 3; ++i) {
        access[i] = new QRadioButton(QString::fromLatin1(labels[i]), group);
        box->addWidget(access[i]);
        connect(access[i], &QRadioButton::clicked, this, [this] { Changed(); });
    }
    return group;
}

int CMemberPage::AccessFromRadios() const {
    return RadioCode(access, 3);
}

void CMemberPage::SetAccessRadios(int value) {
    SetRadioCode(access, 3, value);
}

Master* CMemberPage::Copy() const {
    return sheet_.Kind() == PtMaster ? dynamic_cast<Master*>(sheet_.WorkingCopy()) : nullptr;
}

int CMemberPage::OwnCount() const {
    Master* copy = Copy();
    if (copy == nullptr)
        return 0;
    return OnList(*copy, kind_, [](auto& records) { return static_cast<int>(records.size()); });
}

ModelObject* CMemberPage::OwnAt(int index) const {
    Master* copy = Copy();
    if (copy == nullptr || index < 0 || index >= OwnCount())
        return nullptr;
    return OnList(*copy, kind_,
                  [index](auto& records) -> ModelObject* { return records[size_t(index)].get(); });
}

ModelObject* CMemberPage::RecordAt(int row) const {
    if (row < 0 || row >= list->count() - 1)
        return nullptr;
    if (row < inherited_)
        return inheritedRows_[size_t(row)].record;
    return OwnAt(row - inherited_);
}

ModelObject* CMemberPage::AppendNewRecord() {
    Master* copy = Copy();
    return OnList(*copy, kind_, [copy](auto& records) -> ModelObject* {
        auto record = std::make_unique<RecordOf<std::decay_t<decltype(records)>>>();
        record->owner = copy;
        records.push_back(std::move(record));
        return records.back().get();
    });
}

void CMemberPage::RemoveOwn(int index) {
    OnList(*Copy(), kind_, [index](auto& records) { records.erase(records.begin() + index); });
}

void CMemberPage::SwapOwn(int a, int b) {
    OnList(*Copy(), kind_,
           [a, b](auto& records) { std::swap(records[size_t(a)], records[size_t(b)]); });
}

void CMemberPage::InsertRowFor(int row, ModelObject* record) {
    if (record == nullptr) {
        list->InsertRow(row, QString::fromLatin1(kNewRowText), kind_ != MemberKind::Exception,
                        true);
        if (kind_ == MemberKind::Exception)
            list->item(row)->setData(Qt::CheckStateRole, QVariant());
        return;
    }
    MemberRow memberRow = RowOfRecord(kind_, record);
    list->InsertRow(row, Q(memberRow.text), memberRow.checked, true);
    if (kind_ == MemberKind::Exception)
        list->item(row)->setData(Qt::CheckStateRole, QVariant());
}

void CMemberPage::RewriteRow(int row) {
    ModelObject* record = RecordAt(row);
    if (record == nullptr)
        return;
    const bool saved = loading_;
    loading_ = true;
    MemberRow memberRow = RowOfRecord(kind_, record);
    list->item(row)->setText(Q(memberRow.text));
    if (kind_ != MemberKind::Exception)
        list->SetChecked(row, memberRow.checked);
    loading_ = saved;
}

void CMemberPage::LoadPage() {
    loading_ = true;
    list->clear();
    inheritedRows_.clear();
    inherited_ = 0;
    Master* copy = Copy();
    if (copy == nullptr) {
        loading_ = false;
        return;
    }
    histories_.Load(sheet_.HistoryProfile());
    std::vector<MemberRow> rows = MemberRows(kind_, sheet_.BaseMasters(), *copy, inherited_);
    for (size_t i = 0; i < rows.size(); ++i) {
        const MemberRow& row = rows[i];
        list->InsertRow(int(i), Q(row.text), row.checked, row.enabled);
        if (kind_ == MemberKind::Exception)
            list->item(int(i))->setData(Qt::CheckStateRole, QVariant());
        if (int(i) < inherited_)
            inheritedRows_.push_back(row);
    }
    InsertRowFor(list->count(), nullptr);
    current_ = list->count() - 1;
    list->setCurrentRow(current_);
    changed_ = false;
    addPending_ = false;
    loading_ = false;
    CommitAndLoad();
}

void CMemberPage::StorePage() {
    histories_.Store(sheet_.HistoryProfile());
    if (Copy() != nullptr && AddEnabled())
        Add();
}

void CMemberPage::SelectItem(int index) {
    if (index < 0 || index >= list->count())
        return;
    list->setCurrentRow(index);
}

bool CMemberPage::Ready() const {
    return Copy() != nullptr && list->count() > 0;
}

void CMemberPage::AppendRow(int row) {
    ModelObject* record = AppendNewRecord();
    StoreControls(*record);
    delete list->takeItem(row);
    InsertRowFor(row, record);
    InsertRowFor(row + 1, nullptr);
}

void CMemberPage::StoreRow(int row) {
    if (ModelObject* record = RecordAt(row)) {
        StoreControls(*record);
        RewriteRow(row);
    }
}

bool CMemberPage::LoadRow(int row) {
    ModelObject* record = RecordAt(row);
    LoadControls(record);
    EnableControls(record == nullptr || row >= inherited_);
    if (kind_ == MemberKind::Exception)
        return false;
    // The check mark is the row's Annotate box: a mark unlike the record's
    // bit is an edit of its own.
    const bool check = list->IsChecked(row);
    SetAnnotate(check);
    return record == nullptr ? check : check != Annotated(record);
}

void CMemberPage::SwapRows(int a, int b) {
    SwapOwn(a - inherited_, b - inherited_);
    RewriteRow(a);
    RewriteRow(b);
}

ModelObject* CMemberPage::PrepareSubDialog() {
    if (changed_ && !name->currentText().isEmpty()) {
        Add();
        if (IsNewRow(current_) && current_ > 0) {
            --current_;
            loading_ = true;
            list->setCurrentRow(current_);
            loading_ = false;
            CommitAndLoad();
        }
    }
    return RecordAt(current_);
}

bool CMemberPage::CanDoCommand(int command) {
    const bool isNew = IsNewRow(current_);
    const bool own = current_ >= inherited_;
    switch (command) {
    case cmd::MemberCut:
    case cmd::MemberCopy:
        return Copy() != nullptr && !isNew && own;
    case cmd::MemberCopyAll:
        return Copy() != nullptr && inherited_ < list->count() - 1;
    case cmd::MemberPaste: {
        std::error_code error;
        return Copy() != nullptr && std::filesystem::exists(MemberClipboardPath(), error);
    }
    default:
        return false;
    }
}

void CMemberPage::DoCommand(int command) {
    if (!CanDoCommand(command))
        return;
    Master container;
    container.SetDetached();
    Master* copy = Copy();
    try {
        if (command == cmd::MemberCut || command == cmd::MemberCopy) {
            ModelObject* record = RecordAt(current_);
            OnList(container, kind_, [record](auto& records) {
                using Record = RecordOf<std::decay_t<decltype(records)>>;
                auto duplicate = std::make_unique<Record>(Guid::FromText{""});
                duplicate->CopyFrom(*static_cast<Record*>(record));
                records.push_back(std::move(duplicate));
            });
        } else if (command == cmd::MemberCopyAll) {
            OnList(container, kind_, [copy, this](auto& records) {
                OnList(*copy, kind_, [&records](auto& own) {
                    if constexpr (std::is_same_v<std::decay_t<decltype(records)>,
                                                 std::decay_t<decltype(own)>>)
                        CopyList(records, own);
                });
            });
        }
        ExchangeMemberClipboard(MemberClipboardPath(), container, kind_, command);
    } catch (...) {
        // The failure check has shown its message; nothing was pasted.
        return;
    }
    if (command == cmd::MemberCut) {
        Delete();
        return;
    }
    if (command != cmd::MemberPaste)
        return;
    // Pasted records get ids of their own: the file's ids may be in use.
    int added = 0;
    OnList(container, kind_, [&](auto& records) {
        using Record = RecordOf<std::decay_t<decltype(records)>>;
        OnList(*copy, kind_, [&](auto& own) {
            if constexpr (std::is_same_v<std::decay_t<decltype(records)>,
                                         std::decay_t<decltype(own)>>) {
                for (auto& record : records) {
                    auto fresh = std::make_unique<Record>();
                    fresh->Assign(record.get());
                    fresh->owner = copy;
                    own.push_back(std::move(fresh));
                    ++added;
                }
            }
        });
        records.clear();
    });
    if (added == 0)
        return;
    loading_ = true;
    const int newRow = list->count() - 1;
    for (int i = 0; i < added; ++i)
        InsertRowFor(newRow + i, OwnAt(OwnCount() - added + i));
    current_ = newRow + added - 1;
    list->setCurrentRow(current_);
    loading_ = false;
    changed_ = false;
    CommitAndLoad();
}

// ---- Attributes ----

CObjPage2::CObjPage2(CObjSheet& sheet)
    : CMemberPage(sheet, MemberKind::Attribute, QStringLiteral("Attributes")) {
    auto* controls = new QWidget(this);
    auto* form = new QFormLayout(controls);
    type = EditableCombo(controls, "Type:");
    card = Edit(controls, "x");
    container = EditableCombo(controls, "Container:");
    value = Edit(controls, "Value:");
    form->addRow(QStringLiteral("Name:"), name);
    auto* typeLine = new QHBoxLayout;
    typeLine->addWidget(type, 1);
    typeLine->addWidget(new QLabel(QStringLiteral("x"), controls));
    typeLine->addWidget(card);
    form->addRow(QStringLiteral("Type:"), typeLine);
    form->addRow(QStringLiteral("Container:"), container);
    form->addRow(QStringLiteral("Value:"), value);
    form->addRow(QStringLiteral("Comment:"), comment);
    form->addRow(MakeAccessGroup(controls));
    form->addRow(ModesGroup(controls, kAttributeModes, modes));
    for (QCheckBox* box : modes)
        connect(box, &QCheckBox::clicked, this, [this] { Changed(); });
    connect(modes[kAnnotateBox], &QCheckBox::clicked, this,
            [this](bool on) { list->SetChecked(current_, on); });
    connect(modes[7], &QCheckBox::clicked, this, [this] { EnableControls(editable_); });
    for (QComboBox* combo : {type, container})
        connect(combo, &QComboBox::editTextChanged, this, [this] { Changed(); });
    for (QLineEdit* edit : {card, value})
        connect(edit, &QLineEdit::textChanged, this, [this] { Changed(); });
    histories_.Bind(name, HL_ATTRIBUTE);
    histories_.Bind(type, HL_ATTR_TYPE);
    histories_.Bind(container, HL_CONTAINER);
    FinishLayout(controls, {}, "Chapter8.html#MasterAttributes");
}

void CObjPage2::StoreControls(ModelObject& record) {
    auto& attribute = static_cast<MasterAttribute&>(record);
    attribute.name = S(name->currentText());
    attribute.type = S(type->currentText());
    attribute.cardinality = S(card->text());
    attribute.container = S(container->currentText());
    attribute.value = S(value->text());
    attribute.comment = S(comment->toPlainText());
    attribute.access = AccessFromRadios();
    attribute.mode = ModesOf(kAttributeModes, modes);
}

void CObjPage2::LoadControls(const ModelObject* record) {
    const auto* attribute = static_cast<const MasterAttribute*>(record);
    name->setEditText(attribute ? Q(attribute->name) : QString());
    type->setEditText(attribute ? Q(attribute->type) : QString());
    card->setText(attribute ? Q(attribute->cardinality) : QString());
    container->setEditText(attribute ? Q(attribute->container) : QString());
    value->setText(attribute ? Q(attribute->value) : QString());
    comment->setPlainText(attribute ? Q(attribute->comment) : QString());
    SetAccessRadios(attribute ? attribute->access : AccessPrivate);
    SetModes(kAttributeModes, modes, attribute ? attribute->mode : 0);
}

void CObjPage2::EnableControls(bool editable) {
    editable_ = editable;
    const bool macro = modes[7]->isChecked();
    for (QWidget* control :
         std::initializer_list<QWidget*>{name, value, comment, modes[3], modes[7]})
        control->setEnabled(editable);
    for (QWidget* control : std::initializer_list<QWidget*>{
             type, card, container, access[0], access[1], access[2], modes[0], modes[1], modes[2],
             modes[4], modes[5], modes[6]})
        control->setEnabled(editable && !macro);
}

void CObjPage2::SetAnnotate(bool on) {
    modes[kAnnotateBox]->setChecked(on);
}

bool CObjPage2::Annotate() const {
    return modes[kAnnotateBox]->isChecked();
}

// ---- Methods ----

CObjPage3::CObjPage3(CObjSheet& sheet)
    : CMemberPage(sheet, MemberKind::Method, QStringLiteral("Methods")) {
    auto* controls = new QWidget(this);
    auto* form = new QFormLayout(controls);
    returns = EditableCombo(controls, "Returns:");
    form->addRow(QStringLiteral("Name:"), name);
    form->addRow(QStringLiteral("Returns:"), returns);
    form->addRow(QStringLiteral("Comment:"), comment);
    form->addRow(MakeAccessGroup(controls));
    form->addRow(ModesGroup(controls, kMethodModes, modes));
    for (QCheckBox* box : modes)
        connect(box, &QCheckBox::clicked, this, [this] { Changed(); });
    connect(modes[kAnnotateBox], &QCheckBox::clicked, this,
            [this](bool on) { list->SetChecked(current_, on); });
    connect(returns, &QComboBox::editTextChanged, this, [this] { Changed(); });
    parsButton = new QPushButton(QStringLiteral("&Pars..."), this);
    othersButton = new QPushButton(QStringLiteral("&Others..."), this);
    codeButton = new QPushButton(QStringLiteral("&Code"), this);
    connect(parsButton, &QPushButton::clicked, this, &CObjPage3::EditParameters);
    connect(othersButton, &QPushButton::clicked, this, &CObjPage3::EditOthers);
    connect(codeButton, &QPushButton::clicked, this, &CObjPage3::EditCode);
    connect(list, &QListWidget::itemDoubleClicked, this, [this] {
        CommitAndLoad();
        if (parsButton->isEnabled())
            EditCode();
    });
    histories_.Bind(name, HL_METHOD);
    histories_.Bind(returns, HL_RETURN_TYPE);
    FinishLayout(controls, {parsButton, othersButton, codeButton}, "Chapter8.html#MasterMethods");
}

void CObjPage3::StoreControls(ModelObject& record) {
    auto& method = static_cast<MasterMethod&>(record);
    method.name = S(name->currentText());
    method.returnType = S(returns->currentText());
    method.comment = S(comment->toPlainText());
    method.access = AccessFromRadios();
    method.mode = ModesOf(kMethodModes, modes);
}

void CObjPage3::LoadControls(const ModelObject* record) {
    const auto* method = static_cast<const MasterMethod*>(record);
    name->setEditText(method ? Q(method->name) : QString());
    returns->setEditText(method ? Q(method->returnType) : QString());
    comment->setPlainText(method ? Q(method->comment) : QString());
    SetAccessRadios(method ? method->access : AccessPublic);
    SetModes(kMethodModes, modes, method ? method->mode : 0);
}

void CObjPage3::EnableControls(bool editable) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{name, returns, comment, access[0], access[1], access[2]})
        control->setEnabled(editable);
    for (QCheckBox* box : modes)
        box->setEnabled(editable);
}

void CObjPage3::UpdateExtraButtons(bool add, bool isNew, bool /*own*/) {
    for (QPushButton* button : {parsButton, othersButton, codeButton})
        button->setEnabled(add || !isNew);
}

void CObjPage3::SetAnnotate(bool on) {
    modes[kAnnotateBox]->setChecked(on);
}

bool CObjPage3::Annotate() const {
    return modes[kAnnotateBox]->isChecked();
}

void CObjPage3::EditParameters() {
    auto* method = static_cast<MasterMethod*>(PrepareSubDialog());
    if (method == nullptr)
        return;
    if (RunOnCopy(*method, sheet_.ParamsDialogOf(), &CParamsDialog::SetMethod,
                  current_ < InheritedCount()))
        RewriteRow(current_);
}

void CObjPage3::EditOthers() {
    auto* method = static_cast<MasterMethod*>(PrepareSubDialog());
    if (method == nullptr)
        return;
    if (RunOnCopy(*method, sheet_.OthersDialogOf(), &COthersDialog::SetMethod,
                  current_ < InheritedCount()))
        RewriteRow(current_);
}

void CObjPage3::EditCode() {
    auto* method = static_cast<MasterMethod*>(PrepareSubDialog());
    if (method == nullptr) {
        MessageBeep();
        return;
    }
    sheet_.CodeWindow().EditMethodCode(Copy(), method);
}

// ---- Exceptions ----

CObjPage4::CObjPage4(CObjSheet& sheet)
    : CMemberPage(sheet, MemberKind::Exception, QStringLiteral("Exceptions")) {
    auto* controls = new QWidget(this);
    auto* form = new QFormLayout(controls);
    form->addRow(QStringLiteral("Name:"), name);
    form->addRow(QStringLiteral("Comment:"), comment);
    membersButton = new QPushButton(QStringLiteral("&Members..."), this);
    connect(membersButton, &QPushButton::clicked, this, &CObjPage4::EditMembers);
    connect(list, &QListWidget::itemDoubleClicked, this, [this] {
        CommitAndLoad();
        if (membersButton->isEnabled())
            EditMembers();
    });
    histories_.Bind(name, HL_EXCEPTION);
    FinishLayout(controls, {membersButton}, "Chapter8.html#MasterExceptions");
}

void CObjPage4::StoreControls(ModelObject& record) {
    auto& exception = static_cast<MasterException&>(record);
    exception.name = S(name->currentText());
    exception.comment = S(comment->toPlainText());
}

void CObjPage4::LoadControls(const ModelObject* record) {
    const auto* exception = static_cast<const MasterException*>(record);
    name->setEditText(exception ? Q(exception->name) : QString());
    comment->setPlainText(exception ? Q(exception->comment) : QString());
}

void CObjPage4::EnableControls(bool editable) {
    name->setEnabled(editable);
    comment->setEnabled(editable);
}

void CObjPage4::UpdateExtraButtons(bool add, bool isNew, bool own) {
    membersButton->setEnabled(add || (own && !isNew));
}

void CObjPage4::EditMembers() {
    if (current_ < InheritedCount()) {
        MessageBeep();
        return;
    }
    auto* exception = static_cast<MasterException*>(PrepareSubDialog());
    if (exception == nullptr)
        return;
    if (RunOnCopy(*exception, sheet_.ParamsDialogOf(), &CParamsDialog::SetException, false))
        RewriteRow(current_);
}

// ---- Types ----

CObjPage6::CObjPage6(CObjSheet& sheet)
    : CMemberPage(sheet, MemberKind::Type, QStringLiteral("Types")) {
    auto* controls = new QWidget(this);
    auto* form = new QFormLayout(controls);
    definition = Edit(controls, "Definition:");
    form->addRow(QStringLiteral("Name:"), name);
    form->addRow(QStringLiteral("Definition:"), definition);
    form->addRow(QStringLiteral("Comment:"), comment);
    form->addRow(MakeAccessGroup(controls));
    auto* kindGroup = new QGroupBox(QStringLiteral("Kind"), controls);
    auto* kindBox = new QHBoxLayout(kindGroup);
    const char* labels[] = {"&Simple", "&Enum", "Str&ucture"};
    for (int i = 0; i < 3; ++i) {
        kinds[i] = new QRadioButton(QString::fromLatin1(labels[i]), kindGroup);
        kindBox->addWidget(kinds[i]);
        connect(kinds[i], &QRadioButton::clicked, this, [this] {
            Changed();
            EnableControls(editable_);
        });
    }
    form->addRow(kindGroup);
    auto* modeGroup = new QGroupBox(QStringLiteral("Mode"), controls);
    auto* modeBox = new QHBoxLayout(modeGroup);
    annotate = new QCheckBox(QStringLiteral("A&nnotate"), modeGroup);
    modeBox->addWidget(annotate);
    form->addRow(modeGroup);
    connect(annotate, &QCheckBox::clicked, this, [this](bool on) {
        list->SetChecked(current_, on);
        Changed();
    });
    connect(definition, &QLineEdit::textChanged, this, [this] { Changed(); });
    elementsButton = new QPushButton(QStringLiteral("&Elements..."), this);
    connect(elementsButton, &QPushButton::clicked, this, &CObjPage6::EditElements);
    connect(list, &QListWidget::itemDoubleClicked, this, [this] {
        CommitAndLoad();
        if (elementsButton->isEnabled())
            EditElements();
    });
    histories_.Bind(name, HL_TYPE);
    FinishLayout(controls, {elementsButton}, "Chapter8.html#MasterTypes");
}

int CObjPage6::KindOfRow() const {
    if (const auto* type = static_cast<const MasterType*>(RecordAt(current_)))
        return type->kind;
    return kinds[0]->isChecked() ? TypeSimple : kinds[1]->isChecked() ? TypeEnum : TypeStruct;
}

void CObjPage6::StoreControls(ModelObject& record) {
    auto& type = static_cast<MasterType&>(record);
    type.name = S(name->currentText());
    type.definition = S(definition->text());
    type.comment = S(comment->toPlainText());
    type.access = AccessFromRadios();
    type.kind = RadioCode(kinds, 3);
    type.mode = annotate->isChecked() ? ModeAnnotate : 0;
}

void CObjPage6::LoadControls(const ModelObject* record) {
    const auto* type = static_cast<const MasterType*>(record);
    name->setEditText(type ? Q(type->name) : QString());
    definition->setText(type ? Q(type->definition) : QString());
    comment->setPlainText(type ? Q(type->comment) : QString());
    SetAccessRadios(type ? type->access : AccessPublic);
    const int kind = type ? type->kind : TypeSimple;
    SetRadioCode(kinds, 3, kind);
}

void CObjPage6::EnableControls(bool editable) {
    editable_ = editable;
    for (QWidget* control :
         std::initializer_list<QWidget*>{name, comment, access[0], access[1], access[2], kinds[0],
                                         kinds[1], kinds[2], annotate})
        control->setEnabled(editable);
    definition->setEnabled(editable && KindOfRow() == TypeSimple);
}

void CObjPage6::UpdateExtraButtons(bool /*add*/, bool /*isNew*/, bool /*own*/) {
    elementsButton->setEnabled(editable_ && KindOfRow() != TypeSimple &&
                               !name->currentText().isEmpty());
}

void CObjPage6::SetAnnotate(bool on) {
    annotate->setChecked(on);
}

bool CObjPage6::Annotate() const {
    return annotate->isChecked();
}

void CObjPage6::EditElements() {
    auto* type = static_cast<MasterType*>(PrepareSubDialog());
    if (type == nullptr)
        return;
    if (RunOnCopy(*type, sheet_.ParamsDialogOf(), &CParamsDialog::SetType,
                  current_ < InheritedCount()))
        RewriteRow(current_);
}

} // namespace qm
