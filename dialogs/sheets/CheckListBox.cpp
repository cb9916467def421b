// TCheckListBox and its row drawing.
#include "dialogs/sheets/CheckListBox.h"

#include "dialogs/sheets/MemberClipboard.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QTextOption>

#include <algorithm>

namespace qm {

namespace {

struct PopupEntry {
    const char* label;
    int command;
};
constexpr PopupEntry kPopup[] = {
    {"Cu&t", cmd::MemberCut},
    {"&Copy", cmd::MemberCopy},
    {"Copy &All", cmd::MemberCopyAll},
    {"&Paste", cmd::MemberPaste},
};

} // namespace

void CheckListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    if (!index.isValid())
        return;
    auto* list = dynamic_cast<const TCheckListBox*>(option.widget);
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const QPalette& palette = option.palette;
    QColor background =
        selected ? palette.color(QPalette::Highlight) : palette.color(QPalette::Base);
    QColor text =
        list != nullptr ? list->RowTextColor(index.row(), selected) : palette.color(QPalette::Text);
    painter->save();
    painter->fillRect(option.rect, background);
    QStyle* style = option.widget != nullptr ? option.widget->style() : QApplication::style();
    QRect textRect = option.rect;
    if (index.data(Qt::CheckStateRole).isValid()) {
        QStyleOptionViewItem check = opt;
        check.rect =
            style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, option.widget);
        check.state = check.state & ~QStyle::State_HasFocus;
        check.state |= opt.checkState == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
        style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &check, painter, option.widget);
        textRect.setLeft(check.rect.right() + 4);
    }
    painter->setPen(text);
    QTextOption textOption(Qt::AlignLeft | Qt::AlignVCenter);
    textOption.setTabStopDistance(TCheckListBox::TabStop);
    textOption.setWrapMode(QTextOption::NoWrap);
    painter->drawText(QRectF(textRect), index.data(Qt::DisplayRole).toString(), textOption);
    if ((option.state & QStyle::State_HasFocus) != 0) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = option.rect;
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
    }
    painter->restore();
}

TCheckListBox::TCheckListBox(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new CheckListDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
}

void TCheckListBox::InsertRow(int row, const QString& text, bool checked, bool enabled) {
    auto* item = new QListWidgetItem(text);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    // A disabled row is still selected by a click, but its check box stays.
    if (enabled)
        flags |= Qt::ItemIsUserCheckable;
    item->setFlags(flags);
    item->setData(Qt::CheckStateRole, checked ? Qt::Checked : Qt::Unchecked);
    item->setData(EnabledRole, enabled);
    insertItem(std::clamp(row, 0, count()), item);
}

bool TCheckListBox::IsRowEnabled(const QListWidgetItem* item) {
    QVariant enabled = item->data(EnabledRole);
    return !enabled.isValid() || enabled.toBool();
}

bool TCheckListBox::IsChecked(int row) const {
    const QListWidgetItem* it = item(row);
    return it != nullptr && it->data(Qt::CheckStateRole).toInt() == Qt::Checked;
}

void TCheckListBox::SetChecked(int row, bool checked) {
    if (QListWidgetItem* it = item(row))
        it->setData(Qt::CheckStateRole, checked ? Qt::Checked : Qt::Unchecked);
}

QColor TCheckListBox::RowTextColor(int row, bool selected) const {
    if (firstItemRed_ && row == 0)
        return QColor(255, 0, 0);
    const QListWidgetItem* it = item(row);
    if (selected)
        return palette().color(QPalette::HighlightedText);
    if (!isEnabled() || it == nullptr || !IsRowEnabled(it))
        return QColor(128, 128, 128);
    return palette().color(QPalette::Text);
}

QMenu* TCheckListBox::MakePopup() {
    if (!popupEnabled_)
        return nullptr;
    auto* menu = new QMenu(this);
    for (const PopupEntry& entry : kPopup) {
        QAction* action = menu->addAction(QString::fromLatin1(entry.label));
        const int command = entry.command;
        action->setEnabled(owner_ != nullptr && owner_->CanDoCommand(command));
        connect(action, &QAction::triggered, this, [this, command] {
            if (owner_ != nullptr)
                owner_->DoCommand(command);
        });
    }
    return menu;
}

void TCheckListBox::contextMenuEvent(QContextMenuEvent* event) {
    if (!popupEnabled_)
        return;
    if (QListWidgetItem* it = itemAt(event->pos())) {
        setCurrentItem(it);
        if (owner_ != nullptr)
            owner_->CommitAndLoad();
    }
    QMenu* menu = MakePopup();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

} // namespace qm
