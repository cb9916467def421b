// The reference project pane: a master list over the reference project,
// whose drop copies a missing master into the project before placing it.
#include "shell/panes/Reference.h"

#include "document/CCASEDoc.h"
#include "model/Master.h"
#include "shell/ProjectWindow.h"

namespace qm {

TReference::TReference(ProjectWindow& window, QWidget* parent)
    : MasterList(window, {0, 1, 2, 5}, {"Reference", "Kind", "Namespace", "ID"}, {70, 50, 80, 60},
                 parent) {
    setAccessibleName("Reference Project");
}

const GuidMap* TReference::MapOfMasters() const {
    return reference_ != nullptr ? &reference_->IdMap() : nullptr;
}

void TReference::Fill(CCASEDoc* reference) {
    Clear();
    reference_ = reference;
    if (reference == nullptr)
        return;
    QList<QTreeWidgetItem*> rows;
    const auto& masters = reference->Masters().Masters();
    for (auto it = masters.rbegin(); it != masters.rend(); ++it)
        if (MasterRow* row = NewRow(**it))
            rows.push_back(row);
    addTopLevelItems(rows);
}

Master* TReference::DropReferenceMaster(Master& master, const QPoint& screenPoint) {
    if (!window_.CanDropAt(screenPoint))
        return nullptr;
    CCASEDoc& project = window_.Document();
    Master* target = project.FindMaster(master.Kind(), master.name, master.nameSpace);
    if (target == nullptr) {
        // The copy keeps the master's id, unless the project already holds
        // another object under it: registering the copy there would take
        // the id from that object, so the copy gets an id of its own.
        const bool idTaken = project.IdMap().Lookup(master.guid.Text()) != nullptr;
        std::unique_ptr<Master> copy =
            master.CopyInto(idTaken ? nullptr : &project.IdMap(), project.TemplateMap());
        if (idTaken) {
            copy->guid.Generate();
            project.IdMap().Add(copy.get());
        }
        // The copy is placed alone: its submodel stays in the reference project.
        copy->submodel = nullptr;
        copy->submodelRef = ObjectRef();
        target = project.AddMaster(std::move(copy));
    }
    window_.DropMaster(*target, screenPoint);
    project.Events().Publish();
    return target;
}

void TReference::DropAt(Master& master, const QPoint& screenPoint) {
    DropReferenceMaster(master, screenPoint);
}

} // namespace qm
