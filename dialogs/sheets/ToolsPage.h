// CObjPage5 "Tools": the page of a diagram type that chooses which of the
// template's 24 built-in tools the palettes offer in diagrams of that type.
// Moving tools between "Available" and "Selected" writes the working copy's
// tool mask at once (bit k for the built-in tool with id k).
#pragma once

#include "dialogs/sheets/ObjSheet.h"

class QListWidget;
class QPushButton;

namespace qm {

class CObjPage5 : public SheetPage {
  public:
    explicit CObjPage5(CObjSheet& sheet);

    void LoadPage() override;
    // Nothing to store: the moves wrote the mask.
    void StorePage() override {}
    // Moves the selected rows of one list to the other (toSelected: from
    // "Available" to "Selected"), setting or clearing their mask bits.
    void Move(bool toSelected);
    void MoveAll(bool toSelected);
    void UpdateButtons();

    QListWidget* available;
    QListWidget* selected;
    QPushButton* addButton;
    QPushButton* removeButton;
    QPushButton* addAllButton;
    QPushButton* removeAllButton;
};

} // namespace qm
