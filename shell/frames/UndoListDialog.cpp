// The undo list: lines, group-completing selection and replay.
#include "shell/frames/UndoListDialog.h"

#include "document/CCASEDoc.h"
#include "model/ChangeJournal.h"
#include "platform/Format.h"

#include <QEvent>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace qm {

namespace {

// The record line i of the list shows.
int RecordOfLine(int32_t position, bool redo, int line) {
    return redo ? position + line : position - 1 - line;
}

int LineCount(const std::vector<JournalRecord>& records, int32_t position, bool redo) {
    const int32_t size = static_cast<int32_t>(records.size());
    position = std::clamp<int32_t>(position, 0, size);
    return redo ? size - position : position;
}

} // namespace

std::vector<std::string> UndoListLines(const std::vector<JournalRecord>& records, int32_t position,
                                       bool redo) {
    position = std::clamp<int32_t>(position, 0, static_cast<int32_t>(records.size()));
    std::vector<std::string> lines;
    const int count = LineCount(records, position, redo);
    for (int line = 0; line < count; ++line) {
        const int index = RecordOfLine(position, redo, line);
        const JournalRecord& record = records[static_cast<size_t>(index)];
        const char* form = "%d. %s";
        if ((record.flags & UndoJournal::GroupContinued) != 0)
            form = "%d. ...& %s";
        else if ((record.flags & UndoJournal::GroupContinues) != 0)
            form = "%d. %s...";
        lines.push_back(Format(form, index + 1, record.description.c_str()));
    }
    return lines;
}

UndoListSelection SelectUndoSteps(const std::vector<JournalRecord>& records, int32_t position,
                                  bool redo, int anchor) {
    position = std::clamp<int32_t>(position, 0, static_cast<int32_t>(records.size()));
    UndoListSelection result;
    const int count = LineCount(records, position, redo);
    result.selected.assign(static_cast<size_t>(count), false);
    if (count == 0)
        return result;
    anchor = std::clamp(anchor, 0, count - 1);
    auto record = [&](int line) -> const JournalRecord& {
        return records[static_cast<size_t>(RecordOfLine(position, redo, line))];
    };
    for (int line = 0; line <= anchor; ++line)
        result.selected[static_cast<size_t>(line)] =
            record(line).kind != static_cast<int32_t>(ChangeKind::ProjectSaved);
    // The rest of the anchor's group: in the redo list the records that
    // continue a group, in the undo list those continued by the next one.
    const uint16_t sameGroup = redo ? UndoJournal::GroupContinued : UndoJournal::GroupContinues;
    int line = anchor + 1;
    while (line < count && (record(line).flags & sameGroup) != 0) {
        result.selected[static_cast<size_t>(line)] = true;
        ++line;
    }
    result.count = line;
    return result;
}

std::string UndoButtonText(bool redo, int count) {
    return Format("%s %d action%s", redo ? "Redo" : "Undo", count, count > 1 ? "s" : "");
}

UndoListDialog::UndoListDialog(QWidget* owner) : QDialog(owner, Qt::Popup) {
    setWindowTitle("Undo List");
    list_ = new QListWidget(this);
    list_->setSelectionMode(QAbstractItemView::MultiSelection);
    list_->setAccessibleName("Steps");
    button_ = new QPushButton("&Undo", this);
    button_->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(list_);
    layout->addWidget(button_);
    resize(260, 200);
    QObject::connect(list_, &QListWidget::currentRowChanged, [this] { UpdateSelection(); });
    QObject::connect(list_, &QListWidget::itemSelectionChanged, [this] { UpdateSelection(); });
    QObject::connect(list_, &QListWidget::itemDoubleClicked, [this] { Replay(); });
    QObject::connect(button_, &QPushButton::clicked, [this] { Replay(); });
}

void UndoListDialog::Fill() {
    list_->setFocus();
    button_->setDefault(true);
    updating_ = true;
    list_->clear();
    if (document_ != nullptr) {
        UndoJournal& journal = document_->GetJournal();
        for (const std::string& line : UndoListLines(journal.Records(), journal.Position(), redo_))
            list_->addItem(QString::fromStdString(line));
    }
    if (list_->count() > 0)
        list_->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    updating_ = false;
    UpdateSelection();
}

void UndoListDialog::UpdateSelection() {
    if (updating_)
        return;
    updating_ = true;
    count_ = 0;
    if (document_ != nullptr) {
        UndoJournal& journal = document_->GetJournal();
        const UndoListSelection selection =
            SelectUndoSteps(journal.Records(), journal.Position(), redo_, list_->currentRow());
        for (int line = 0; line < list_->count(); ++line)
            list_->item(line)->setSelected(selection.selected[static_cast<size_t>(line)]);
        count_ = selection.count;
    }
    button_->setText(QString::fromStdString(UndoButtonText(redo_, count_)));
    updating_ = false;
}

void UndoListDialog::Replay() {
    // The steps the button names: a "(Project Saved)" line among them is not
    // highlighted but is still a step of the journal.
    const int steps = count_;
    hide();
    if (document_ != nullptr && steps > 0)
        document_->GetJournal().Replay(steps, redo_);
}

void UndoListDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (document_ != nullptr)
        Fill();
}

void UndoListDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible())
        hide();
}

} // namespace qm
