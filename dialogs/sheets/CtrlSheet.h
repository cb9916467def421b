// CCtrlSheet: the property sheet of a form-design control. Its General page
// edits the control's name, caption, default text and picture, its flag
// bits, its three numbers and its five options; its List page the rows of an
// edit-family control (a combo box's entries, a multi-line edit's lines);
// its Pages page a tab control's pages. OK applies the edits as one
// "Property Changes" step.
#pragma once

#include "model/ObjectHandle.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <vector>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace qm {

class CCASEDoc;
class UiControlPlace;

class CCtrlSheet : public QDialog {
  public:
    explicit CCtrlSheet(QWidget* parent = nullptr);

    // Moves the sheet to the control target of document (applying the edits
    // of the control shown before); an empty or stale handle leaves the
    // sheet without a control, hidden.
    void SetTarget(CCASEDoc* document, const ObjectHandle& target);
    // Applies (true) or drops the edits, leaves the control and hides.
    void CloseSheet(bool apply);
    // The control shown, or null.
    UiControlPlace* Target() const;

    QTabWidget* tabs;
    QLineEdit* name;
    QLineEdit* caption;
    QLineEdit* defaultText;
    QLineEdit* picture;
    QPlainTextEdit* items;
    QPushButton* okButton;
    // The control flag bits the sheet offers, one box each (kFlagBits).
    std::vector<QCheckBox*> flagBoxes;
    std::array<QSpinBox*, 3> numberBoxes{};
    std::array<QCheckBox*, 5> optionBoxes{};
    // A tab control's pages: one editable row per page, in tab order.
    QListWidget* pages;
    QPushButton* addPage;
    QPushButton* deletePage;

    // The bits of the control flags the General page shows and their labels.
    struct FlagBit {
        uint32_t bit;
        const char* label;
    };
    static const std::vector<FlagBit>& FlagBits();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Load();
    void Apply();
    // Shows or hides a page of the tab widget.
    void ShowPage(QWidget* page, const QString& title, bool shown);
    // Deletes the selected page row, asking first when the page holds controls.
    void OnDeletePage();

    CCASEDoc* document_ = nullptr;
    ObjectHandle target_;
    QWidget* listPage_;
    QWidget* pagesPage_;
    // For each row of pages: the index of the tab page it stands for, or -1
    // for a page added here.
    std::vector<int> pageOrigins_;
};

} // namespace qm
