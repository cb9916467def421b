// The parameters and others dialogs over the shared list pattern.
#include "dialogs/sheets/ParamsDialog.h"
#include "dialogs/model/DialogServices.h"

#include "dialogs/sheets/MemberRows.h"
#include "dialogs/sheets/SheetWidgets.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace qm {

// ---- the shared pattern ----

MemberListDialog::MemberListDialog(QWidget* parent)
    : QDialog(parent),
      list(new QListWidget(this)),
      name(EditableCombo(this, "Name:")),
      addButton(new QPushButton(QStringLiteral("&Add"), this)),
      deleteButton(new QPushButton(QStringLiteral("&Delete"), this)),
      upButton(new QPushButton(QStringLiteral("Move &Up"), this)),
      downButton(new QPushButton(QStringLiteral("Move Do&wn"), this)),
      okButton(new QPushButton(QStringLiteral("OK"), this)) {
    list->setAccessibleName(QStringLiteral("List"));
    connect(list, &QListWidget::currentRowChanged, this, [this] {
        if (!loading_)
            CommitAndLoad();
    });
    connect(name, &QComboBox::editTextChanged, this, [this] { Changed(); });
    connect(addButton, &QPushButton::clicked, this, [this] { Add(); });
    connect(deleteButton, &QPushButton::clicked, this, [this] { Delete(); });
    connect(upButton, &QPushButton::clicked, this, [this] { MoveUp(); });
    connect(downButton, &QPushButton::clicked, this, [this] { MoveDown(); });
    connect(okButton, &QPushButton::clicked, this, &MemberListDialog::accept);
    BindRows(list, name, addButton, deleteButton, upButton, downButton, okButton);
}

void MemberListDialog::FinishLayout(QWidget* controls, const char* helpAnchor) {
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    left->addWidget(controls);
    left->addWidget(list, 1);
    layout->addLayout(left, 1);
    auto* right = new QVBoxLayout;
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* help = new QPushButton(QStringLiteral("&Help"), this);
    for (QPushButton* button :
         {addButton, deleteButton, upButton, downButton, okButton, cancel, help})
        right->addWidget(button);
    right->addStretch();
    layout->addLayout(right);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [helpAnchor] { ShowDialogHelp(helpAnchor); });
}

int MemberListDialog::RunModal() {
    histories_.Load(profile_);
    Prepare();
    return qm::RunModal(*this);
}

void MemberListDialog::accept() {
    histories_.Store(profile_);
    if (!readOnly_ && AddEnabled())
        Add();
    QDialog::accept();
}

void MemberListDialog::Fill(int row) {
    loading_ = true;
    list->clear();
    for (int i = 0; i < EntryCount(); ++i)
        list->addItem(RowText(i));
    list->addItem(QString::fromLatin1(kNewRowText));
    current_ = std::clamp(row, 0, EntryCount());
    list->setCurrentRow(current_);
    loading_ = false;
    CommitAndLoad();
}

void MemberListDialog::AppendRow(int row) {
    AppendFromControls();
    list->item(row)->setText(RowText(row));
    list->insertItem(row + 1, QString::fromLatin1(kNewRowText));
}

void MemberListDialog::StoreRow(int row) {
    StoreControls(row);
    list->item(row)->setText(RowText(row));
}

bool MemberListDialog::LoadRow(int row) {
    LoadControls(row);
    EnableControls(!readOnly_);
    return false;
}

void MemberListDialog::SwapRows(int a, int b) {
    SwapEntries(a, b);
    list->item(a)->setText(RowText(a));
    list->item(b)->setText(RowText(b));
}

// ---- parameters ----

CParamsDialog::CParamsDialog(QWidget* parent) : MemberListDialog(parent) {
    setWindowTitle(QStringLiteral("Parameters"));
    auto* controls = new QWidget(this);
    auto* form = new QFormLayout(controls);
    type = EditableCombo(controls, "Type:");
    value = new QLineEdit(controls);
    value->setAccessibleName(QStringLiteral("Value:"));
    typeLabel_ = new QLabel(QStringLiteral("Type:"), controls);
    valueLabel_ = new QLabel(QStringLiteral("Value:"), controls);
    form->addRow(new QLabel(QStringLiteral("Name:"), controls), name);
    form->addRow(typeLabel_, type);
    form->addRow(valueLabel_, value);
    modeGroup = new QGroupBox(QStringLiteral("Mode"), controls);
    auto* modeBox = new QHBoxLayout(modeGroup);
    const char* labels[] = {"&In", "&Out", "In/Ou&t"};
    for (int i = 0; i < 3; ++i) {
        modes[i] = new QRadioButton(QString::fromLatin1(labels[i]), modeGroup);
        modeBox->addWidget(modes[i]);
        connect(modes[i], &QRadioButton::clicked, this, [this] { Changed(); });
    }
    form->addRow(modeGroup);
    connect(type, &QComboBox::editTextChanged, this, [this] { Changed(); });
    connect(value, &QLineEdit::textChanged, this, [this] { Changed(); });
    histories_.Bind(name, HL_PARAMETER);
    histories_.Bind(type, HL_PAR_TYPE);
    FinishLayout(controls, "Chapter8.html#ParamsDialog");
}

void CParamsDialog::SetMethod(MasterMethod* method) {
    parameters_ = method != nullptr ? &method->parameters : nullptr;
    method_ = method;
    displayMode_ = 1;
    setWindowTitle(
        method != nullptr
            ? QStringLiteral("Method \"%1\" Parameters").arg(QString::fromStdString(method->name))
            : QStringLiteral("Parameters"));
}

void CParamsDialog::SetType(MasterType* masterType) {
    parameters_ = masterType != nullptr ? &masterType->elements : nullptr;
    method_ = nullptr;
    displayMode_ = 1;
    setWindowTitle(
        QStringLiteral("Type \"%1\" Elements")
            .arg(masterType != nullptr ? QString::fromStdString(masterType->name) : QString()));
}

void CParamsDialog::SetException(MasterException* exception) {
    parameters_ = exception != nullptr ? &exception->members : nullptr;
    method_ = nullptr;
    displayMode_ = 1;
    setWindowTitle(
        QStringLiteral("Exception \"%1\" Members")
            .arg(exception != nullptr ? QString::fromStdString(exception->name) : QString()));
}

void CParamsDialog::SetClassParameters(ParameterList* parameterList, int displayMode) {
    parameters_ = parameterList;
    method_ = nullptr;
    displayMode_ = displayMode;
    setWindowTitle(displayMode == 2 ? QStringLiteral("Class Parameters")
                                    : QStringLiteral("Class Arguments"));
}

void CParamsDialog::Prepare() {
    modeGroup->setVisible(method_ != nullptr);
    typeLabel_->setVisible(displayMode_ != 3);
    type->setVisible(displayMode_ != 3);
    valueLabel_->setVisible(displayMode_ == 1);
    value->setVisible(displayMode_ == 1);
    Fill(EntryCount());
}

int CParamsDialog::EntryCount() const {
    return parameters_ != nullptr ? static_cast<int>(parameters_->size()) : 0;
}

QString CParamsDialog::RowText(int entry) const {
    return QString::fromStdString(FormatParameterRow(*(*parameters_)[size_t(entry)], displayMode_));
}

void CParamsDialog::Store(Parameter& parameter) const {
    parameter.name = name->currentText().toStdString();
    parameter.type = type->currentText().toStdString();
    parameter.value = value->text().toStdString();
    // The dialog edits the direction; what the reader marked the type as
    // stays.
    parameter.direction =
        RadioCode(modes, 3) | (parameter.direction & (ParamTypeKind | ParamTypeBound));
}

void CParamsDialog::AppendFromControls() {
    if (parameters_ == nullptr)
        return;
    auto parameter = std::make_unique<Parameter>();
    Store(*parameter);
    parameters_->push_back(std::move(parameter));
}

void CParamsDialog::StoreControls(int entry) {
    Store(*(*parameters_)[size_t(entry)]);
}

void CParamsDialog::LoadControls(int entry) {
    const Parameter* parameter =
        entry < EntryCount() ? (*parameters_)[size_t(entry)].get() : nullptr;
    name->setEditText(parameter != nullptr ? QString::fromStdString(parameter->name) : QString());
    type->setEditText(parameter != nullptr ? QString::fromStdString(parameter->type) : QString());
    value->setText(parameter != nullptr ? QString::fromStdString(parameter->value) : QString());
    const int direction =
        parameter != nullptr ? parameter->direction & ~(ParamTypeKind | ParamTypeBound) : DirIn;
    SetRadioCode(modes, 3, direction);
}

void CParamsDialog::RemoveEntry(int entry) {
    parameters_->erase(parameters_->begin() + entry);
}

void CParamsDialog::SwapEntries(int a, int b) {
    std::swap((*parameters_)[size_t(a)], (*parameters_)[size_t(b)]);
}

void CParamsDialog::EnableControls(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{name, type, value, modeGroup})
        control->setEnabled(enabled);
}

// ---- others ----

COthersDialog::COthersDialog(QWidget* parent) : MemberListDialog(parent) {
    setWindowTitle(QStringLiteral("Others"));
    auto* controls = new QWidget(this);
    auto* form = new QFormLayout(controls);
    form->addRow(new QLabel(QStringLiteral("&Name:"), controls), name);
    auto* kindGroup = new QGroupBox(QStringLiteral("Kind"), controls);
    auto* kindBox = new QHBoxLayout(kindGroup);
    exceptionRadio = new QRadioButton(QStringLiteral("E&xception"), kindGroup);
    contextRadio = new QRadioButton(QStringLiteral("&Context"), kindGroup);
    kindBox->addWidget(exceptionRadio);
    kindBox->addWidget(contextRadio);
    form->addRow(kindGroup);
    for (QRadioButton* radio : {exceptionRadio, contextRadio})
        connect(radio, &QRadioButton::clicked, this, [this] { Changed(); });
    histories_.Bind(name, HL_OTHER);
    FinishLayout(controls, "Chapter8.html#OthersDialog");
}

void COthersDialog::SetMethod(MasterMethod* method) {
    method_ = method;
    setWindowTitle(QStringLiteral("Method \"%1\" Exceptions/Contexts")
                       .arg(method != nullptr ? QString::fromStdString(method->name) : QString()));
}

void COthersDialog::Prepare() {
    Fill(0);
}

int COthersDialog::EntryCount() const {
    return method_ != nullptr ? static_cast<int>(method_->others.size()) : 0;
}

QString COthersDialog::RowText(int entry) const {
    return QString::fromStdString(FormatOtherRow(*method_->others[size_t(entry)]));
}

void COthersDialog::AppendFromControls() {
    if (method_ == nullptr)
        return;
    auto other = std::make_unique<MethodOther>();
    other->name = name->currentText().toStdString();
    other->kind = exceptionRadio->isChecked() ? 0 : 1;
    method_->others.push_back(std::move(other));
}

void COthersDialog::StoreControls(int entry) {
    MethodOther& other = *method_->others[size_t(entry)];
    other.name = name->currentText().toStdString();
    other.kind = exceptionRadio->isChecked() ? 0 : 1;
}

void COthersDialog::LoadControls(int entry) {
    const MethodOther* other =
        entry < EntryCount() ? method_->others[size_t(entry)].get() : nullptr;
    name->setEditText(other != nullptr ? QString::fromStdString(other->name) : QString());
    const bool exception = other == nullptr || other->kind == 0;
    exceptionRadio->setChecked(exception);
    contextRadio->setChecked(!exception);
}

void COthersDialog::RemoveEntry(int entry) {
    method_->others.erase(method_->others.begin() + entry);
}

void COthersDialog::SwapEntries(int a, int b) {
    std::swap(method_->others[size_t(a)], method_->others[size_t(b)]);
}

void COthersDialog::EnableControls(bool enabled) {
    name->setEnabled(enabled);
    exceptionRadio->setEnabled(enabled);
    contextRadio->setEnabled(enabled);
}

} // namespace qm
