// The "<New>"-row list editor shared by the member pages and dialogs.
#include "dialogs/sheets/NewRowList.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

namespace qm {

void NewRowList::BindRows(QListWidget* rows, QComboBox* name, QPushButton* add, QPushButton* remove,
                          QPushButton* up, QPushButton* down, QPushButton* ok) {
    rows_ = rows;
    name_ = name;
    add_ = add;
    remove_ = remove;
    up_ = up;
    down_ = down;
    ok_ = ok;
}

bool NewRowList::IsNewRow(int row) const {
    return row == rows_->count() - 1;
}

bool NewRowList::Ready() const {
    return rows_->count() > 0;
}

bool NewRowList::AddEnabled() const {
    return changed_ && !name_->currentText().isEmpty() && !ReadOnly() &&
           (IsNewRow(current_) || current_ >= FirstOwnRow());
}

void NewRowList::Changed() {
    if (loading_)
        return;
    changed_ = true;
    UpdateButtons();
}

void NewRowList::CommitAndLoad() {
    if (!Ready())
        return;
    int selection = rows_->currentRow();
    if (selection < 0)
        selection = rows_->count() - 1;
    loading_ = true;
    if (selection != current_ || addPending_) {
        if (AddEnabled()) {
            if (IsNewRow(current_)) {
                AppendRow(current_);
                ++current_;
            } else {
                StoreRow(current_);
            }
        }
        changed_ = false;
        if (!addPending_)
            current_ = selection;
    }
    rows_->setCurrentRow(current_);
    changed_ = LoadRow(current_);
    loading_ = false;
    addPending_ = false;
    UpdateButtons();
}

void NewRowList::Add() {
    addPending_ = true;
    CommitAndLoad();
    name_->setFocus();
}

void NewRowList::Delete() {
    if (IsNewRow(current_) || !Editable(current_))
        return;
    loading_ = true;
    RemoveRow(current_);
    delete rows_->takeItem(current_);
    if (current_ >= rows_->count() - 1)
        current_ = std::max(0, current_ - 1);
    rows_->setCurrentRow(current_);
    loading_ = false;
    changed_ = false;
    CommitAndLoad();
}

void NewRowList::MoveUp() {
    if (IsNewRow(current_) || !Editable(current_ - 1))
        return;
    loading_ = true;
    SwapRows(current_ - 1, current_);
    --current_;
    rows_->setCurrentRow(current_);
    loading_ = false;
    changed_ = false;
    CommitAndLoad();
}

void NewRowList::MoveDown() {
    if (IsNewRow(current_) || !Editable(current_) || current_ + 2 >= rows_->count())
        return;
    loading_ = true;
    SwapRows(current_, current_ + 1);
    ++current_;
    rows_->setCurrentRow(current_);
    loading_ = false;
    changed_ = false;
    CommitAndLoad();
}

void NewRowList::UpdateButtons() {
    const bool isNew = IsNewRow(current_);
    const bool own = Editable(current_);
    const bool add = AddEnabled();
    add_->setEnabled(add);
    remove_->setEnabled(!isNew && own);
    up_->setEnabled(!isNew && Editable(current_ - 1));
    down_->setEnabled(!isNew && own && current_ + 2 < rows_->count());
    UpdateExtraButtons(add, isNew, own);
    add_->setDefault(add);
    ok_->setDefault(!add);
}

} // namespace qm
