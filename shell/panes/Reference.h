// TReference: the reference project's masters in a report list; a master
// dragged from it into the diagram is copied into the project (with its id)
// when the project lacks it, then placed.
#pragma once

#include "shell/panes/Lister.h"

namespace qm {

class TReference : public MasterList {
  public:
    TReference(ProjectWindow& window, QWidget* parent = nullptr);

    // Shows the masters of the reference project (null: none, the list
    // empties).
    void Fill(CCASEDoc* reference);
    CCASEDoc* ReferenceProject() const { return reference_; }
    // Places master (a master of the reference project) at a screen point:
    // the project's own master of that kind, name and namespace, else a
    // copy of it under the same id. Returns the project's master placed, or
    // null when nothing was dropped.
    Master* DropReferenceMaster(Master& master, const QPoint& screenPoint);

  protected:
    const GuidMap* MapOfMasters() const override;
    void DropAt(Master& master, const QPoint& screenPoint) override;

  private:
    CCASEDoc* reference_ = nullptr;
};

} // namespace qm
