// The member pages of the object sheet: Attributes (CObjPage2), Methods
// (CObjPage3), Exceptions (CObjPage4) and Types (CObjPage6). One frame for
// all four: a check list of the base masters' members (read-only), the
// master's own members and a "<New>" row; controls bound to the current row
// and committed on every change of row; Add, Delete, Move Up, Move Down;
// the pop-up Cut, Copy, Copy All and Paste through the member clipboard;
// and per page the buttons that open the detail dialogs or the code window.
// The pages write only into the sheet's working copy.
#pragma once

#include "dialogs/sheets/CheckListBox.h"
#include "dialogs/sheets/NewRowList.h"
#include "dialogs/sheets/ObjSheet.h"

#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace qm {

class CMemberPage : public SheetPage, public CheckListOwner, public NewRowList {
  public:
    CMemberPage(CObjSheet& sheet, MemberKind kind, const QString& title);

    MemberKind Kind() const { return kind_; }
    void LoadPage() override;
    // Stores a pending named edit into the working copy.
    void StorePage() override;
    // Selects a row and shows it.
    void SelectItem(int index);

    // ---- CheckListOwner ----
    bool CanDoCommand(int command) override;
    void DoCommand(int command) override;
    void CommitAndLoad() override { NewRowList::CommitAndLoad(); }

    int InheritedCount() const { return inherited_; }
    // The record of a row (null for "<New>").
    ModelObject* RecordAt(int row) const;

    TCheckListBox* list;
    QComboBox* name;
    QPlainTextEdit* comment;
    QRadioButton* access[3] = {};
    QPushButton* addButton;
    QPushButton* deleteButton;
    QPushButton* upButton;
    QPushButton* downButton;
    QPushButton* okButton;

  protected:
    // What differs per page.
    virtual void StoreControls(ModelObject& record) = 0;
    // record null: the defaults of "<New>".
    virtual void LoadControls(const ModelObject* record) = 0;
    virtual void EnableControls(bool editable) = 0;
    virtual bool AnnotateShown() const { return false; }
    virtual void SetAnnotate(bool /*on*/) {}
    virtual bool Annotate() const { return false; }

    // Builds the page around the controls area.
    // Lays the list, the controls and the buttons out; Help opens helpTopic
    // (a string literal: it is kept for the page's life).
    void FinishLayout(QWidget* controls, const std::vector<QPushButton*>& extraButtons,
                      const char* helpTopic);
    QGroupBox* MakeAccessGroup(QWidget* parent);
    int AccessFromRadios() const;
    void SetAccessRadios(int value);
    // Commits a named edit and runs the detail dialog or the code window on
    // the current row: Add first when the page is changed, then the step
    // back to the member just added.
    ModelObject* PrepareSubDialog();
    void RewriteRow(int row);
    Master* Copy() const;

    // ---- NewRowList ----
    int FirstOwnRow() const override { return inherited_; }
    bool Ready() const override;
    void AppendRow(int row) override;
    void StoreRow(int row) override;
    bool LoadRow(int row) override;
    void RemoveRow(int row) override { RemoveOwn(row - inherited_); }
    void SwapRows(int a, int b) override;

  private:
    // The working copy's list of the page's kind.
    int OwnCount() const;
    ModelObject* OwnAt(int index) const;
    ModelObject* AppendNewRecord();
    void RemoveOwn(int index);
    void SwapOwn(int a, int b);
    void InsertRowFor(int row, ModelObject* record);

    MemberKind kind_;
    int inherited_ = 0;
    std::vector<MemberRow> inheritedRows_;
};

class CObjPage2 : public CMemberPage {
  public:
    explicit CObjPage2(CObjSheet& sheet);
    QComboBox* type;
    QLineEdit* card;
    QComboBox* container;
    QLineEdit* value;
    QCheckBox* modes[8];

  protected:
    void StoreControls(ModelObject& record) override;
    void LoadControls(const ModelObject* record) override;
    void EnableControls(bool editable) override;
    void UpdateExtraButtons(bool, bool, bool) override {}
    bool AnnotateShown() const override { return true; }
    void SetAnnotate(bool on) override;
    bool Annotate() const override;

  private:
    bool editable_ = true;
};

class CObjPage3 : public CMemberPage {
  public:
    explicit CObjPage3(CObjSheet& sheet);
    QComboBox* returns;
    QCheckBox* modes[8];
    QPushButton* parsButton;
    QPushButton* othersButton;
    QPushButton* codeButton;

    void EditParameters();
    void EditOthers();
    void EditCode();

  protected:
    void StoreControls(ModelObject& record) override;
    void LoadControls(const ModelObject* record) override;
    void EnableControls(bool editable) override;
    void UpdateExtraButtons(bool add, bool isNew, bool own) override;
    bool AnnotateShown() const override { return true; }
    void SetAnnotate(bool on) override;
    bool Annotate() const override;
};

class CObjPage4 : public CMemberPage {
  public:
    explicit CObjPage4(CObjSheet& sheet);
    QPushButton* membersButton;
    void EditMembers();

  protected:
    void StoreControls(ModelObject& record) override;
    void LoadControls(const ModelObject* record) override;
    void EnableControls(bool editable) override;
    void UpdateExtraButtons(bool add, bool isNew, bool own) override;
};

class CObjPage6 : public CMemberPage {
  public:
    explicit CObjPage6(CObjSheet& sheet);
    QLineEdit* definition;
    QRadioButton* kinds[3];
    QCheckBox* annotate;
    QPushButton* elementsButton;
    void EditElements();

  protected:
    void StoreControls(ModelObject& record) override;
    void LoadControls(const ModelObject* record) override;
    void EnableControls(bool editable) override;
    void UpdateExtraButtons(bool add, bool isNew, bool own) override;
    bool AnnotateShown() const override { return true; }
    void SetAnnotate(bool on) override;
    bool Annotate() const override;

  private:
    int KindOfRow() const;
    bool editable_ = true;
};

} // namespace qm
