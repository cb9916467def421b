// CObjPage1 "General": the first page of the object sheet and the only one
// every target has. One layout serves the six target kinds; the page shows,
// hides and relabels its controls by kind, loads them from the working copy
// and stores them back. The Kind combo changes the working copy's tool at
// once, which may add or remove the member pages.
#pragma once

#include "dialogs/sheets/ObjSheet.h"

#include <cstdint>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace qm {

class CObjPage1 : public SheetPage {
  public:
    explicit CObjPage1(CObjSheet& sheet);

    void LoadPage() override;
    void StorePage() override;
    // Refills the Kind combo for the sheet's kind.
    void FillKindCombo();
    // The Name combo shows the target's current name (after an in-place rename).
    void UpdateNameFromTarget();
    // The place's flag word when the target was loaded, and the writing of
    // the place's instance name and flags from the controls at apply.
    uint32_t PlaceFlagsAtLoad() const { return placeFlagsAtLoad_; }
    void StorePlace(Place& place);
    // The caption the sheet shows for the Name text (masters through a
    // place: "anonymous"/"instance of" forms).
    QString Caption() const;
    // The parameter button's mode: 2 "Pars...", 3 "Args...".
    int ParameterMode() const { return parameterMode_; }

    // The controls, for the sheet's tests and accessibility.
    QComboBox* name;
    QComboBox* kind;
    QComboBox* semantics;
    QComboBox* nameSpace;
    QComboBox* type;
    QCheckBox* graphical;
    QComboBox* graphicalList;
    QComboBox* stereotype;
    QPushButton* linkToButton;
    QComboBox* linkTo;
    QCheckBox* url;
    QListWidget* bases;
    QLineEdit* sourceCard;
    QLineEdit* targetCard;
    QLineEdit* sourceRole;
    QLineEdit* targetRole;
    QLineEdit* fileName;
    QPlainTextEdit* comment;
    QCheckBox* genCode;
    QCheckBox* check1145;
    QCheckBox* check1144;
    QCheckBox* interfaceBox;
    QCheckBox* abstractBox;
    QCheckBox* finalBox;
    QCheckBox* check1121;
    QRadioButton* access[4];
    QPushButton* parameters;
    QPushButton* okButton;

  private:
    void Layout();
    void ApplyCaption();
    void OnKindChanged(int index);
    void OnGraphicalChanged();
    int AccessFromRadios() const;
    void SetAccessRadios(int access);
    void ShowStereotype(bool shown);
    void FillGraphicalList();
    void EditParameters();
    void BrowseLinkTo();

    QLabel* nameLabel_;
    QLabel* kindLabel_;
    QLabel* label1182_;
    QLabel* stereotypeLabel_;
    QLabel* label1049_;
    QLabel* rolesLabel_;
    QLabel* arrows_[2];
    QLabel* fileNameLabel_;
    QLabel* commentLabel_;
    QGroupBox* modes_;
    QGroupBox* accessGroup_;
    bool loading_ = false;
    bool noStereotype_ = true;
    int parameterMode_ = 3;
    uint32_t placeFlagsAtLoad_ = 0;
};

} // namespace qm
