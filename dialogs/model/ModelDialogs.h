// Four small modal dialogs that ask one question about models: the class a
// new method goes to, how compartments are annotated, which notation
// template to use, how the selected drawables are repositioned. Each keeps
// its answer in a static that the caller reads after OK; constructing one
// clears it, so Cancel leaves it cleared. Show them with RunModal.
#pragma once

#include "dialogs/model/ModelDialogWords.h"
#include "model/ObjectHandle.h"

#include <QDialog>

#include <cstdint>
#include <string>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace qm {

// "Add Method to Class?": the candidate classes by name; Add (or a
// double-click) chooses the selected one.
class CAddMethodDialog : public QDialog {
  public:
    // candidates: the masters offered (those no longer there are left
    // out); method: the name the caption shows.
    CAddMethodDialog(const std::vector<ObjectHandle>& candidates, const std::string& method,
                     QWidget* parent = nullptr);
    // The class chosen by the last dialog; empty until Add.
    static ObjectHandle GetChosenClass() { return chosen_; }

    QListWidget* List() const { return list_; }
    QPushButton* AddButton() const { return add_; }
    QPushButton* CancelButton() const { return cancel_; }
    // Add: with a selection, its class becomes the answer and the dialog
    // ends with OK; without one nothing happens.
    void accept() override;

  private:
    void UpdateButtons();

    static ObjectHandle chosen_;
    std::vector<ObjectHandle> candidates_;
    QListWidget* list_;
    QPushButton* add_;
    QPushButton* cancel_;
};

// "Annotate All Places" / "Annotate Selected Places": hide, show or leave
// the attributes and the methods, each by access.
class CAnnotationDialog : public QDialog {
  public:
    CAnnotationDialog(bool allPlaces, QWidget* parent = nullptr);
    // The annotation word of the last dialog's OK (AnnotationWord); 0 otherwise.
    static uint32_t GetAnnotationWord() { return word_; }

    // The controls of a group (0 attributes, 1 methods): the radio buttons
    // Hide All, Show All, Leave As Is, and the lists beside the first two.
    QRadioButton* Radio(int group, AnnotationChoice choice) const;
    QComboBox* HideList(int group) const { return hideLists_[group]; }
    QComboBox* ShowList(int group) const { return showLists_[group]; }
    // The choices the controls show now.
    AnnotationGroup Choices(int group) const;
    void accept() override;

  private:
    static uint32_t word_;
    QRadioButton* radios_[2][3] = {};
    QComboBox* hideLists_[2] = {};
    QComboBox* showLists_[2] = {};
};

// "Choose a Template": "<Internal>" and the "*.not" files of the notation
// folder; OK (or a double-click) answers the folder joined with the entry.
class CTemplateDialog : public QDialog {
  public:
    CTemplateDialog(const std::string& folder, const std::string& defaultNotation,
                    QWidget* parent = nullptr);
    // The path chosen by the last dialog; empty until OK.
    static const std::string& GetChosenTemplate() { return chosen_; }

    QListWidget* List() const { return list_; }
    QPushButton* OkButton() const { return ok_; }
    void accept() override;

  private:
    void UpdateButtons();

    static std::string chosen_;
    std::string folder_;
    QListWidget* list_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

// "Reposition": the horizontal and vertical alignment or spacing and the
// same-width and same-height choices.
class CReposDialog : public QDialog {
  public:
    explicit CReposDialog(QWidget* parent = nullptr);
    // The reposition word of the last dialog's OK (RepositionWord); 0 otherwise.
    static uint32_t GetRepositionWord() { return word_; }

    // The radio buttons of each group, in the order of the choices.
    QRadioButton* Horizontal(HorizontalChoice choice) const;
    QRadioButton* Vertical(VerticalChoice choice) const;
    QCheckBox* SameWidth() const { return sameWidth_; }
    QCheckBox* SameHeight() const { return sameHeight_; }
    void accept() override;

  private:
    static uint32_t word_;
    QRadioButton* horizontal_[5] = {};
    QRadioButton* vertical_[5] = {};
    QCheckBox* sameWidth_;
    QCheckBox* sameHeight_;
};

// OK, Cancel and "Help" below a dialog; Help opens topic.
QDialogButtonBox* AddDialogButtons(QDialog& dialog, const char* okText, const std::string& topic,
                                   QPushButton** ok, QPushButton** cancel);

} // namespace qm
