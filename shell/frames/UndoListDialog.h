// The drop-down list of journal entries from which several steps are undone
// or redone at once: its lines, the selection that extends from the top to
// the clicked line and completes the clicked line's group, and the replay.
#pragma once

#include "document/UndoJournal.h"

#include <QDialog>

#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace qm {

class CCASEDoc;

// The lines of the list: undo lists position-1 down to 0, redo position up to
// the last record; each numbered by its record index + 1.
std::vector<std::string> UndoListLines(const std::vector<JournalRecord>& records, int32_t position,
                                       bool redo);

struct UndoListSelection {
    std::vector<bool> selected; // per line: highlighted
    int count = 0;              // the steps the button names and the replay runs
};
// The lines highlighted when line anchor is the focused one: every line up to
// it except "(Project Saved)" markers, then the rest of the anchor's group.
UndoListSelection SelectUndoSteps(const std::vector<JournalRecord>& records, int32_t position,
                                  bool redo, int anchor);
// "Undo 4 actions", "Redo 1 action".
std::string UndoButtonText(bool redo, int count);

class UndoListDialog : public QDialog {
  public:
    explicit UndoListDialog(QWidget* owner);

    // The project whose journal is listed (null: none) and which list.
    void SetDocument(CCASEDoc* document) { document_ = document; }
    CCASEDoc* Document() const { return document_; }
    void SetRedo(bool redo) { redo_ = redo; }
    bool Redo() const { return redo_; }

    QListWidget* List() const { return list_; }
    QPushButton* ActionButton() const { return button_; }
    // Fills the list from the journal (done when shown with a document).
    void Fill();
    // Replays the chosen steps and hides.
    void Replay();

  protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void UpdateSelection();

    CCASEDoc* document_ = nullptr;
    bool redo_ = false;
    int count_ = 0;
    bool updating_ = false;
    QListWidget* list_ = nullptr;
    QPushButton* button_ = nullptr;
};

} // namespace qm
