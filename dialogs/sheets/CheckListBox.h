// TCheckListBox: the list with a check box per row that the member pages use:
// rows drawn with their tabs expanded at a 12-pixel stop, disabled rows grey
// (still selectable, so that a page can show them read-only), an optional red
// first row, and a right-button pop-up with Cut, Copy, Copy All and Paste
// handed to the page that owns the list.
#pragma once

#include <QListWidget>
#include <QStyledItemDelegate>

class QMenu;

namespace qm {

// What the list asks of the page that owns it.
class CheckListOwner {
  public:
    virtual ~CheckListOwner() = default;
    virtual bool CanDoCommand(int command) = 0;
    virtual void DoCommand(int command) = 0;
    // The right button selected a row: the page stores a pending edit and
    // shows that row.
    virtual void CommitAndLoad() = 0;
};

// Draws the rows of a TCheckListBox.
class CheckListDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

class TCheckListBox : public QListWidget {
  public:
    // The item role that holds whether a row is enabled (a bool; absent: yes).
    static constexpr int EnabledRole = Qt::UserRole + 1;
    static constexpr int TabStop = 12;

    explicit TCheckListBox(QWidget* parent = nullptr);

    void SetOwner(CheckListOwner* owner) { owner_ = owner; }
    void EnablePopup(bool flag) { popupEnabled_ = flag; }
    void SetFirstItemRed(bool flag) {
        firstItemRed_ = flag;
        viewport()->update();
    }
    bool FirstItemRed() const { return firstItemRed_; }

    // Rows: text, check mark, enabled state; inserted at row (clamped).
    void InsertRow(int row, const QString& text, bool checked, bool enabled);
    static bool IsRowEnabled(const QListWidgetItem* item);
    bool IsChecked(int row) const;
    void SetChecked(int row, bool checked);

    // The pop-up menu with its four commands enabled as the owner allows;
    // null while the pop-up is disabled. The caller owns the menu.
    QMenu* MakePopup();
    // The text colour a row is drawn with (selected or not).
    QColor RowTextColor(int row, bool selected) const;

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    CheckListOwner* owner_ = nullptr;
    bool popupEnabled_ = true;
    bool firstItemRed_ = false;
};

} // namespace qm
