// The tag and message makers: VxMakeTag and VxMakeMessage, one maker with
// two modes. A tag is a note attached to a place; a message is the numbered
// label that rides on a segment of a link.
#include "document/CCASEDoc.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "drawables/Tag.h"
#include "kernel/Symbol.h"
#include "scripting/Converters.h"
#include "scripting/MakerClauses.h"
#include "scripting/RunContext.h"
#include "scripting/VxBuiltins.h"
#include "scripting/VxFrame.h"

#include <memory>
#include <optional>

namespace qm {

using namespace kest;

namespace {

// Errors of both modes are reported under VxMakeTag.
Cell* MakeTag(bool message) {
    MakerForm form(intern("VxMakeTag"));
    Symbol* self = form.Self();
    Model* model = MakerModelTarget(form);
    GuidMap* map = MakerProjectMap(model);
    std::unique_ptr<Tag> created;
    Floater* floater = nullptr;
    if (message) {
        auto made = std::make_unique<Floater>(map);
        floater = made.get();
        created = std::move(made);
    } else {
        created = std::make_unique<Tag>(map);
    }
    DraftDrawable<Tag> tag(std::move(created), map);
    // Where the message is to sit: the point of the segment nearest to it.
    CPoint anchor(100, 100);
    Drawable* pivot = nullptr;
    Cell* pivotCell = nil;
    std::optional<CPoint> tip;
    while (form.Next()) {
        if (form.Is("text")) {
            tag->text = form.Text();
        } else if (form.Is("pivot")) {
            if (message)
                pivot = static_cast<Link*>(static_cast<ModelObject*>(form.EvalRef(
                    form.First(), RefLink, -1, "message requires link reference", &pivotCell)));
            else
                pivot = static_cast<Place*>(static_cast<ModelObject*>(form.EvalRef(
                    form.First(), RefPlace, -1, "pivot requires place reference", &pivotCell)));
        } else if (form.Is("tip") && !message) {
            tip = form.Point();
        } else if (form.Is("comment") && message) {
            floater->secondText = form.Text();
        } else if (form.Is("link") && message) {
            floater->attachment = form.Text();
        } else if (form.Is("flags") && message) {
            tag->tagFlags = uint8_t(ObjectFlagsFromList(self, RefTag, form.Values()) & 0xFF);
        } else if (form.Is("looks")) {
            form.ReadLooks(tag->looks, false);
        } else if (form.Is("points") && message) {
            const CRect ends = form.Rect();
            floater->arrowTail = ends.TopLeft();
            floater->arrowHead = ends.BottomRight();
            anchor = CPoint(int32_t((int64_t(ends.left) + ends.right) / 2),
                            int32_t((int64_t(ends.top) + ends.bottom) / 2));
        } else if (form.Is("rect")) {
            tag->bounds = form.Rect();
        } else {
            form.BadTag();
        }
    }
    if (pivot == nullptr)
        form.Fail("No pivot specified for tag/message", nil);
    if (!ModelHolds(model, pivot))
        form.Fail("drawable not in the model yet", pivotCell);
    if (message) {
        auto* link = static_cast<Link*>(pivot);
        floater->SetAttached(link);
        // The middle segment of the link.
        floater->segment = int16_t((link->VertexCount() - 1) / 2);
        floater->RememberSegment();
        floater->MoveNearSegment(anchor.x, anchor.y, false);
    } else {
        tag->SetAttached(pivot);
        // A tip clause places the pointer's end itself.
        if (tip.has_value())
            tag->anchor = *tip;
    }
    tag->LayoutLabel();
    tag->UpdateRepaintRect();
    return AdoptIntoModel(model, tag.Release(), RefTag, map);
}

} // namespace

Cell* VxMakeTag(Symbol*) {
    return MakeTag(false);
}

Cell* VxMakeMessage(Symbol*) {
    return MakeTag(true);
}

} // namespace qm
