// CCtrlSheet: the property sheet of a form-design control. Its General page
// edits the control's name, caption, default text and picture; its List page
// the rows of an edit-family control (a combo box's entries, a multi-line
// edit's lines). OK applies the edits as one "Property Changes" step.
#pragma once

#include "model/ObjectHandle.h"

#include <QDialog>

class QLineEdit;
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

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Load();
    void Apply();

    CCASEDoc* document_ = nullptr;
    ObjectHandle target_;
    QWidget* listPage_;
};

} // namespace qm
