// The find-and-replace sheet: a modeless window of two pages, "Search
// Criteria" (the search and replacement texts with their histories, the
// three options and the five search buttons) and "Match List" (the lines of
// the last run; a double-click goes to the match). The application makes
// one, hides it on Close and retargets it to a document on each use; the
// search itself is the FindEngine's.
#pragma once

#include "dialogs/find/FindEngine.h"

#include <QDialog>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace qm {

class CCASEDoc;
class CFindSheet;
class Profile;

// "Search Criteria".
class CFindPage1 : public QWidget {
  public:
    explicit CFindPage1(CFindSheet& sheet);

    QComboBox* FindCombo() const { return find_; }
    QComboBox* ReplaceCombo() const { return replace_; }
    QCheckBox* NameOnly() const { return nameOnly_; }
    QCheckBox* MatchCase() const { return matchCase_; }
    QCheckBox* WholeWords() const { return wholeWords_; }
    // The buttons of the modes (FindMode order), and Close.
    QPushButton* ModeButton(FindMode mode) const { return modes_[static_cast<int>(mode)]; }
    QPushButton* CloseButton() const { return close_; }

    // The options the check boxes give (FoNameOnly, FoMatchCase, FoWholeWords).
    int Options() const;
    // Shows or hides the replacing controls and sets the sheet's caption.
    void Reload(bool findOnly);
    // The search buttons are enabled exactly when the search text is not
    // empty; Find Next is then the default button, else Close.
    void UpdateButtons();
    // The history of a combo (0 search, 1 replacement) in its stored form,
    // and its change (the items the combo shows follow).
    std::vector<std::string>& History(int combo) { return histories_[combo]; }
    void ShowHistory(int combo);
    // Keeps both combos' texts in their histories (leaving a combo does the
    // same for its own; a click on a button may come before that).
    void RememberTexts();

  private:
    void AddEditTextToHistory(int combo);

    CFindSheet& sheet_;
    QLabel* replaceLabel_;
    QComboBox* find_;
    QComboBox* replace_;
    QCheckBox* nameOnly_;
    QCheckBox* matchCase_;
    QCheckBox* wholeWords_;
    QPushButton* modes_[5] = {};
    QPushButton* close_;
    QPushButton* help_;
    std::vector<std::string> histories_[2];
};

// "Match List".
class CFindPage2 : public QWidget {
  public:
    explicit CFindPage2(CFindSheet& sheet);
    QListWidget* List() const { return list_; }
    // Shows the lines of the match list.
    void Refill(const FindMatchList& matches);

  private:
    QListWidget* list_;
};

class CFindSheet : public QDialog {
  public:
    explicit CFindSheet(QWidget* parent = nullptr);
    ~CFindSheet() override;

    // Retargets the sheet: a new document empties the match list. The first
    // use loads the histories from the document's user settings. With
    // listerMaster (the master selected in the focused master lister of the
    // document's frame) its name becomes the search text and Search Name
    // Only is checked; otherwise the search text is emptied.
    void SetDocument(CCASEDoc& document, const std::string& listerMaster = "");
    // The document is going away (its frame closes): the match list is
    // emptied and the sheet forgets it.
    void ForgetDocument(CCASEDoc& document);
    // Find (true: the replacing controls hidden, caption "Find") or Replace.
    void SetFindOnly(bool findOnly);
    bool FindOnly() const { return findOnly_; }
    // What the runs ask of the frame (null: nothing is shown). Not owned.
    void SetHost(FindHost* host) { host_ = host; }
    // Loads (true) or stores (false) the two histories from or into the
    // profile's "Find" and "Replace" lists (a store keeps the first ten).
    void ExchangeHistory(Profile& profile, bool load);

    // A click on a mode's button: one run of the engine.
    void Run(FindMode mode);
    // Goes to the match of the list's line (a double-click).
    void GoToMatch(int row);
    void ClearMatchList();
    // Close on either page or the close box: stores the histories, hides
    // the sheet and puts the search position back to the first model.
    void CloseSheet();

    CFindPage1& Page1() const { return *page1_; }
    CFindPage2& Page2() const { return *page2_; }
    QTabWidget* Tabs() const { return tabs_; }
    FindEngine* Engine() const { return engine_.get(); }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    CCASEDoc* document_ = nullptr;
    std::unique_ptr<FindEngine> engine_;
    NullFindHost nullHost_;
    FindHost* host_ = nullptr;
    bool findOnly_ = true;
    bool historiesLoaded_ = false;
    QTabWidget* tabs_;
    CFindPage1* page1_;
    CFindPage2* page2_;
};

} // namespace qm
