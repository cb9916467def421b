// The member detail dialogs: CParamsDialog ("Parameters") edits a parameter
// list (a method's parameters, a type's elements, an exception's members, a
// master's class parameters or arguments), COthersDialog ("Others") a
// method's exceptions and contexts. Both edit the list they are handed in
// place, in the pattern of the member pages: a list ending in "<New>", the
// controls bound to the current row, a commit on every change of row.
#pragma once

#include "dialogs/sheets/NewRowList.h"
#include "dialogs/sheets/SheetWidgets.h"
#include "model/Members.h"

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace qm {

// What the two dialogs share: the list, the buttons and commit-and-load.
class MemberListDialog : public QDialog, public NewRowList {
  public:
    explicit MemberListDialog(QWidget* parent);

    // While set, nothing can be edited; the list can still be browsed.
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool IsReadOnly() const { return readOnly_; }
    // The user settings whose history lists the combo boxes keep (may be null).
    void SetHistoryProfile(Profile* profile) { profile_ = profile; }
    // Fills the list from the source and shows the first row to edit.
    virtual void Prepare() = 0;
    // Prepare, then the modal run: Accepted or Rejected.
    int RunModal();
    // OK: a pending named edit is added (unless read-only), then the dialog ends.
    void accept() override;

    QListWidget* list;
    QComboBox* name;
    QPushButton* addButton;
    QPushButton* deleteButton;
    QPushButton* upButton;
    QPushButton* downButton;
    QPushButton* okButton;

  protected:
    // The entries of the edited list.
    virtual int EntryCount() const = 0;
    virtual QString RowText(int entry) const = 0;
    virtual void AppendFromControls() = 0;
    virtual void StoreControls(int entry) = 0;
    // entry == EntryCount(): the defaults of "<New>".
    virtual void LoadControls(int entry) = 0;
    virtual void RemoveEntry(int entry) = 0;
    virtual void SwapEntries(int a, int b) = 0;
    virtual void EnableControls(bool enabled) = 0;

    // ---- NewRowList ----
    bool ReadOnly() const override { return readOnly_; }
    void AppendRow(int row) override;
    void StoreRow(int row) override;
    bool LoadRow(int row) override;
    void RemoveRow(int row) override { RemoveEntry(row); }
    void SwapRows(int a, int b) override;

    // Builds the list, the buttons and OK, Cancel, Help below the controls.
    void FinishLayout(QWidget* controls, const char* helpAnchor);
    // Fills the rows and "<New>", and makes row the current one.
    void Fill(int row);

    ComboHistories histories_;
    Profile* profile_ = nullptr;
    bool readOnly_ = false;
};

class CParamsDialog : public MemberListDialog {
  public:
    explicit CParamsDialog(QWidget* parent);

    // The list to edit: a method's parameters, a type's elements, an
    // exception's members (display mode 1), or a bare list with the display
    // mode given (2 hides the value, 3 shows the name only).
    void SetMethod(MasterMethod* method);
    void SetType(MasterType* type);
    void SetException(MasterException* exception);
    void SetClassParameters(ParameterList* list, int displayMode);
    void Prepare() override;
    int DisplayMode() const { return displayMode_; }

    QComboBox* type;
    QLineEdit* value;
    QGroupBox* modeGroup;
    QRadioButton* modes[3];

  protected:
    int EntryCount() const override;
    QString RowText(int entry) const override;
    void AppendFromControls() override;
    void StoreControls(int entry) override;
    void LoadControls(int entry) override;
    void RemoveEntry(int entry) override;
    void SwapEntries(int a, int b) override;
    void EnableControls(bool enabled) override;

  private:
    void Store(Parameter& parameter) const;

    ParameterList* parameters_ = nullptr;
    MasterMethod* method_ = nullptr;
    int displayMode_ = 1;
    QLabel* typeLabel_;
    QLabel* valueLabel_;
};

class COthersDialog : public MemberListDialog {
  public:
    explicit COthersDialog(QWidget* parent);

    void SetMethod(MasterMethod* method);
    void Prepare() override;

    QRadioButton* exceptionRadio;
    QRadioButton* contextRadio;

  protected:
    int EntryCount() const override;
    QString RowText(int entry) const override;
    void AppendFromControls() override;
    void StoreControls(int entry) override;
    void LoadControls(int entry) override;
    void RemoveEntry(int entry) override;
    void SwapEntries(int a, int b) override;
    void EnableControls(bool enabled) override;

  private:
    MasterMethod* method_ = nullptr;
};

} // namespace qm
