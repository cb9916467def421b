// CCtrlSheet: a control's texts and list rows, applied as one journaled step.
#include "dialogs/sheets/CtrlSheet.h"

#include "dialogs/model/DialogServices.h"
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/Model.h"
#include "drawables/UiControl.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

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

} // namespace

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
    tabs->addTab(general, QStringLiteral("General"));
    listPage_ = new QWidget(tabs);
    auto* listLayout = new QVBoxLayout(listPage_);
    items = new QPlainTextEdit(listPage_);
    items->setAccessibleName(QStringLiteral("Items"));
    listLayout->addWidget(items);
    // Added here so that the tab widget owns and hides it; Load removes it
    // for a control without rows.
    tabs->addTab(listPage_, QStringLiteral("List"));

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

void CCtrlSheet::Load() {
    UiControlPlace* control = Target();
    name->setText(Q(control->name));
    caption->setText(Q(control->caption));
    defaultText->setText(Q(control->defaultText));
    picture->setText(Q(control->picture));
    auto* edit = dynamic_cast<UiEditControl*>(control);
    const int listIndex = tabs->indexOf(listPage_);
    if (edit != nullptr && listIndex < 0)
        tabs->addTab(listPage_, QStringLiteral("List"));
    else if (edit == nullptr && listIndex >= 0)
        tabs->removeTab(listIndex);
    QStringList rows;
    if (edit != nullptr)
        for (const std::string& row : edit->items)
            rows << Q(row);
    items->setPlainText(rows.join(QLatin1Char('\n')));
    setWindowTitle(QLatin1Char('"') + name->text() + QStringLiteral("\" Properties"));
    name->setFocus();
}

void CCtrlSheet::Apply() {
    UiControlPlace* control = Target();
    if (control == nullptr || document_ == nullptr)
        return;
    auto* edit = dynamic_cast<UiEditControl*>(control);
    std::vector<std::string> rows;
    if (edit != nullptr && !items->toPlainText().isEmpty())
        for (const QString& row : items->toPlainText().split(QLatin1Char('\n')))
            rows.push_back(S(row));
    const bool same = control->name == S(name->text()) && control->caption == S(caption->text()) &&
                      control->defaultText == S(defaultText->text()) &&
                      control->picture == S(picture->text()) &&
                      (edit == nullptr || edit->items == rows);
    if (same)
        return;
    std::unique_ptr<ModelObject> previous = control->Clone();
    previous->SetDetached();
    UndoJournal& journal = document_->GetJournal();
    journal.BeginChange(ChangeKind::PropertyChanges);
    control->name = S(name->text());
    control->caption = S(caption->text());
    control->defaultText = S(defaultText->text());
    control->picture = S(picture->text());
    if (edit != nullptr)
        edit->items = rows;
    control->UpdateRepaintRect();
    journal.AddChangedObject(control, std::move(previous));
    Model* model = ModelHolding(*document_, control);
    journal.RecordChange(ChangeKind::PropertyChanges, "Property Changes",
                         model != nullptr ? model : document_->CurrentModel(), control);
    document_->SetModifiedFlag(true);
}

} // namespace qm
