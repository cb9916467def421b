// The list editor of the member pages and the member detail dialogs: a list
// of entries ending in a "<New>" row, the controls bound to the current row
// and committed on every change of row (a named edit of "<New>" becomes a
// new entry), and Add, Delete, Move Up and Move Down. Rows before the first
// own row (a master's inherited members) and every row of a read-only list
// can be looked at but not changed. The owner keeps the entries and the
// controls; this keeps the rows and the current one in step with them.
#pragma once

class QComboBox;
class QListWidget;
class QPushButton;

namespace qm {

// The text of the last row.
inline constexpr const char* kNewRowText = "<New>";

class NewRowList {
  public:
    virtual ~NewRowList() = default;

    // Stores a pending edit of the current row and loads the selected one.
    void CommitAndLoad();
    void Add();
    void Delete();
    void MoveUp();
    void MoveDown();
    void UpdateButtons();
    int CurrentRow() const { return current_; }
    bool IsNewRow(int row) const;
    // A named edit waits: of "<New>", or of a row that may be changed.
    bool AddEnabled() const;

  protected:
    // The list, the name that a new entry needs and the buttons (not owned).
    void BindRows(QListWidget* rows, QComboBox* name, QPushButton* add, QPushButton* remove,
                  QPushButton* up, QPushButton* down, QPushButton* ok);
    // Whether row may be changed (moved, deleted, stored).
    bool Editable(int row) const { return !ReadOnly() && row >= FirstOwnRow(); }
    // The current row's controls changed: it now has an edit to store.
    void Changed();

    // ---- what the owner of the entries does ----
    // Rows before it show entries that cannot be changed here.
    virtual int FirstOwnRow() const { return 0; }
    virtual bool ReadOnly() const { return false; }
    // Whether there are entries to edit now.
    virtual bool Ready() const;
    // A new entry from the controls, shown at row in place of "<New>",
    // which moves down one row.
    virtual void AppendRow(int row) = 0;
    // The controls into the entry of row, and its text.
    virtual void StoreRow(int row) = 0;
    // The entry of row (the defaults of "<New>") into the controls, which
    // are enabled as the row allows; whether the loaded row counts as
    // changed already.
    virtual bool LoadRow(int row) = 0;
    // Takes the entry of row out (its row is taken out here).
    virtual void RemoveRow(int row) = 0;
    // Swaps the entries of rows a and b, and their texts.
    virtual void SwapRows(int a, int b) = 0;
    // The owner's own buttons follow the state of the current row.
    virtual void UpdateExtraButtons(bool /*add*/, bool /*isNew*/, bool /*own*/) {}

    int current_ = 0;
    bool addPending_ = false;
    bool changed_ = false;
    bool loading_ = false;

  private:
    QListWidget* rows_ = nullptr;
    QComboBox* name_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* up_ = nullptr;
    QPushButton* down_ = nullptr;
    QPushButton* ok_ = nullptr;
};

} // namespace qm
