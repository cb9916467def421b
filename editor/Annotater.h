// TAnnotater: the side pane's "Class Annotation" check list. It lists the
// place selected in the diagram with the members of its master (attributes,
// types, methods; those of the masters it inherits from greyed) and a check
// for whether each is shown; a toggle is one undoable "Annotation" change.
#pragma once

#include "document/DocumentEvents.h"
#include "model/ObjectHandle.h"

#include <QListWidget>

#include <vector>

namespace qm {

class CCASEDoc;
class EditorHost;
class Master;
class Place;

class TAnnotater : public QListWidget, public DocumentObserver {
  public:
    TAnnotater(CCASEDoc& document, EditorHost& host, QWidget* parent = nullptr);
    ~TAnnotater() override;

    // Empties the list; with a place, lists it and its master's members.
    void Refill(Place* place);
    // Refills from the current model's selection: exactly one place, else
    // the list stays empty.
    void RefillFromSelection();
    Place* ShownPlace() const;
    int AttributeCount() const { return attributeCount_; }
    int TypeCount() const { return typeCount_; }
    // Sets the check of row (0: the place's own flag) as a click would.
    void SetChecked(int row, bool on);
    // Checks or unchecks rows (0: the place's own flag; members of the
    // master itself, inherited ones are left) as one undoable step.
    void ApplyChecks(const std::vector<int>& rows, bool on);

    // ---- DocumentObserver ----
    void SelectionChanged(Model& model) override;
    void MastersChanged(const std::vector<Master*>& masters) override;
    void ObjectsRemoved(const std::vector<Guid>& ids) override;

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    // Which group a member row belongs to: 0 attributes, 1 types, 2 methods.
    int GroupOf(int row) const;
    void OnItemChanged(QListWidgetItem* item);
    ModelObject* MemberOf(int row) const;
    // The checks follow the place and the members after a change; rows
    // that no longer resolve make the list be filled again.
    void UpdateChecks();
    Master* OwnerOf(const ModelObject* member) const;

    CCASEDoc& document_;
    EditorHost& host_;
    ObjectHandle place_;
    std::vector<ObjectHandle> masters_;
    int attributeCount_ = 0;
    int typeCount_ = 0;
    bool filling_ = false;
};

} // namespace qm
