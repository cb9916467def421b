// The place and junction makers: VxMakePlace and VxMakeJunction.
#include "document/CCASEDoc.h"
#include "drawables/CustomModel.h"
#include "drawables/Junction.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "kernel/Eval.h"
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

// The bits a flags clause can name on a place (annotate, detailed).
constexpr uint32_t kScriptPlaceFlags = 0x3;

void SetPlaceMaster(Place& place, Master* master, bool lane) {
    if (place.master != nullptr)
        --place.master->refCount;
    place.master = master;
    ++master->refCount;
    // A lane stays a place group whatever tool its master has: with another
    // kind code it would no longer be drawn, hit or read back as a lane.
    if (!lane)
        place.kindCode = master->tool != nullptr ? master->tool->ToolId() : 34;
}

// A swimlane of the maker's model: a place reference to a lane.
Swimlane* LaneOf(const MakerForm& form) {
    static const char* const kMessage = "swimlane reference expected after leftLane/rightLane";
    Cell* value = kest::evaluate(form.First());
    auto* object = value->type == TRef && value->flag == RefPlace ? ResolveObject(value) : nullptr;
    auto* lane = dynamic_cast<Swimlane*>(object);
    if (lane == nullptr || !lane->IsSwimlane())
        form.Fail(kMessage, form.Values());
    return lane;
}

// VxMakePlace and VxMakeSwimlane: one maker with two modes. Errors of both
// are reported under VxMakePlace.
Cell* MakePlace(bool lane) {
    MakerForm form(intern("VxMakePlace"));
    Symbol* self = form.Self();
    Model* model = MakerModelTarget(form);
    GuidMap* map = MakerProjectMap(model);
    std::unique_ptr<Place> created;
    Swimlane* swimlane = nullptr;
    if (lane) {
        auto made = std::make_unique<Swimlane>(map);
        swimlane = made.get();
        swimlane->SetLaneModel(model);
        created = std::move(made);
    } else {
        created = std::make_unique<Place>(map);
    }
    DraftDrawable<Place> place(std::move(created), map);
    while (form.Next()) {
        // Until the place has its master every clause is the master clause.
        if (place->master == nullptr || form.Is("master")) {
            auto* master = static_cast<Master*>(static_cast<ModelObject*>(
                form.EvalRef(form.First(), RefMaster, -1, kMasterReferenceExpected)));
            SetPlaceMaster(*place.get(), master, lane);
        } else if (form.Is("instance")) {
            place->label = form.Text();
        } else if (form.Is("rect")) {
            place->bounds = form.Rect();
        } else if (form.Is("flags")) {
            const uint32_t flags = ObjectFlagsFromList(self, RefPlace, form.Values());
            // A lane keeps the bits that make it a lane (and a group); a
            // script names only annotate and detailed.
            place->placeFlags =
                lane ? (place->placeFlags & ~kScriptPlaceFlags) | (flags & kScriptPlaceFlags)
                     : flags;
        } else if (form.Is("looks")) {
            form.ReadLooks(place->looks, true);
        } else if (form.Is("endPt")) {
            place->lifeLinePoint = form.Point();
        } else if (form.Is("members")) {
            if (!lane)
                form.Fail("members specified for non-group place", nil);
            for (Cell* list = form.Values(); ispair(list); list = cdr(list)) {
                Cell* value = kest::evaluate(car(list));
                const bool drawable =
                    value->type == TRef && (value->flag == RefPlace || value->flag == RefLink ||
                                            value->flag == RefTag || value->flag == RefPrimitive);
                auto* member = drawable ? dynamic_cast<Drawable*>(ResolveObject(value)) : nullptr;
                if (member == nullptr)
                    form.Fail("non-drawable member reference for a place group", car(list));
                if (member == swimlane || !AdoptIntoGroup(model, swimlane->MemberGroup(), member))
                    form.Fail("drawable not in the model yet", value);
            }
        } else if (form.Is("leftLane") || form.Is("rightLane")) {
            if (!lane)
                form.Fail("leftLane/rightLane should be used in swimlanes only", form.Values());
            Swimlane* neighbour = LaneOf(form);
            if (neighbour == swimlane)
                form.Fail("swimlane reference expected after leftLane/rightLane", form.Values());
            if (form.Is("leftLane"))
                swimlane->SetPreviousLane(neighbour);
            else
                swimlane->SetNextLane(neighbour);
        } else {
            form.BadTag();
        }
    }
    // A place with a label text shows an instance of its master, as a
    // place read back with that label does.
    if (!place->label.empty())
        place->placeFlags |= PfInstanceLabel;
    place->UpdateRepaintRect();
    place->LayoutLabel();
    return AdoptIntoModel(model, place.Release(), RefPlace, map);
}

} // namespace

Cell* VxMakePlace(Symbol*) {
    return MakePlace(false);
}

Cell* VxMakeSwimlane(Symbol*) {
    return MakePlace(true);
}

Cell* VxMakeJunction(Symbol* self) {
    MakerForm form(self);
    Model* model = MakerModelTarget(form);
    GuidMap* map = MakerProjectMap(model);
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
