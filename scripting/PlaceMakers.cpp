// The place and junction makers: VxMakePlace and VxMakeJunction.
#include "document/CCASEDoc.h"
#include "drawables/CustomModel.h"
#include "drawables/Junction.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "kernel/Symbol.h"
#include "model/Master.h"
#include "scripting/Converters.h"
#include "scripting/MakerClauses.h"
#include "scripting/RunContext.h"
#include "scripting/VxBuiltins.h"
#include "scripting/VxFrame.h"

#include <memory>

namespace qm {

using namespace kest;

namespace {

// The id map of the project that owns model (the run's project when the
// model knows none).
GuidMap* ProjectMapOf(Model* model) {
    if (auto* custom = dynamic_cast<CustomModel*>(model))
        if (custom->Document() != nullptr)
            return custom->Document()->ProjectMap();
    CCASEDoc* project = RunContext().project;
    return project != nullptr ? &project->IdMap() : nullptr;
}

Model* ModelTarget(MakerForm& form) {
    return static_cast<Model*>(
        static_cast<ModelObject*>(form.Target(RefModel, kModelReferenceExpected)));
}

} // namespace

Cell* VxMakePlace(Symbol* self) {
    MakerForm form(self);
    Model* model = ModelTarget(form);
    GuidMap* map = ProjectMapOf(model);
    auto place = std::make_unique<Place>(map);
    while (form.Next()) {
        // Until the place has its master every clause is the master clause.
        if (place->master == nullptr) {
            auto* master = static_cast<Master*>(static_cast<ModelObject*>(
                form.EvalRef(form.First(), RefMaster, -1, kMasterReferenceExpected)));
            place->master = master;
            ++master->refCount;
            place->kindCode = master->tool != nullptr ? master->tool->ToolId() : 34;
            continue;
        }
        if (form.Is("master")) {
            auto* master = static_cast<Master*>(static_cast<ModelObject*>(
                form.EvalRef(form.First(), RefMaster, -1, kMasterReferenceExpected)));
            --place->master->refCount;
            place->master = master;
            ++master->refCount;
            place->kindCode = master->tool != nullptr ? master->tool->ToolId() : 34;
        } else if (form.Is("instance")) {
            place->label = form.Text();
        } else if (form.Is("rect")) {
            place->bounds = form.Rect();
        } else if (form.Is("flags")) {
            place->placeFlags = ObjectFlagsFromList(self, RefPlace, form.Values());
        } else if (form.Is("looks")) {
            form.ReadLooks(place->looks, true);
        } else if (form.Is("endPt")) {
            place->lifeLinePoint = form.Point();
        } else if (form.Is("members")) {
            form.Fail("members specified for non-group place", nil);
        } else if (form.Is("leftLane") || form.Is("rightLane")) {
            form.Fail("leftLane/rightLane should be used in swimlanes only", form.Values());
        } else {
            form.BadTag();
        }
    }
    place->UpdateRepaintRect();
    place->LayoutLabel();
    Place* made = place.get();
    model->drawables.push_back(std::move(place));
    MarkRunProjectModified();
    return MakeObjectRef(made, RefPlace, RunContext().project, map);
}

Cell* VxMakeJunction(Symbol* self) {
    MakerForm form(self);
    Model* model = ModelTarget(form);
    GuidMap* map = ProjectMapOf(model);
    Place* pivot = nullptr;
    std::string text;
    CPoint tip;
    int kind = 400;
    while (form.Next()) {
        if (form.Is("text"))
            text = form.Text();
        else if (form.Is("pivot"))
            pivot = static_cast<Place*>(static_cast<ModelObject*>(
                form.EvalRef(form.First(), RefPlace, -1, "pivot requires place reference")));
        else if (form.Is("tip"))
            tip = form.Point();
        else if (form.Is("junction"))
            kind = form.Int();
        else
            form.BadTag();
    }
    if (pivot == nullptr)
        form.Fail("No pivot specified for junction", nil);
    // Only the junction tools make junctions; another code would leave the
    // pivot with a junction it cannot draw.
    if (kind < 400 || kind > 405)
        form.Fail("invalid junction kind", mkint(kind));
    Junction* junction =
        pivot->AddJunction(map, pivot->bounds.left + tip.x, pivot->bounds.top + tip.y, kind);
    junction->text = text;
    junction->LayoutLabel();
    junction->UpdateRepaintRect();
    pivot->UpdateRepaintRect();
    MarkRunProjectModified();
    return MakeObjectRef(junction, RefJunction, RunContext().project, map);
}

} // namespace qm
