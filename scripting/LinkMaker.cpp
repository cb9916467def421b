// The link maker: VxMakeLink.
#include "document/CCASEDoc.h"
#include "drawables/CustomModel.h"
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/ToolModel.h"
#include "kernel/Symbol.h"
#include "scripting/Converters.h"
#include "scripting/MakerClauses.h"
#include "scripting/RunContext.h"
#include "scripting/VxBuiltins.h"
#include "scripting/VxFrame.h"

#include <memory>

namespace qm {

using namespace kest;

namespace {

// The node of a source or target clause; it must be a drawable of the
// link's own model, since a deleted node takes only the links of its own
// model with it.
NodeDrawable* EndNode(const MakerForm& form, const Model* model) {
    Cell* cell = nil;
    auto* object = static_cast<ModelObject*>(
        form.EvalRef(form.First(), RefPlace, RefJunction,
                     "source/target requires place or junction reference", &cell));
    auto* node = static_cast<NodeDrawable*>(static_cast<Drawable*>(object));
    if (!ModelHolds(model, node))
        form.Fail("drawable not in the model yet", cell);
    return node;
}

// A cardinality is written as a text or as a plain number: (card 1 n).
std::string CardText(const MakerForm& form, Cell* value) {
    if (value->type == TInteger)
        return std::to_string(value->a.ival);
    return form.TextOf(value);
}

CPoint Centre(const CRect& r) {
    return CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

} // namespace

Cell* VxMakeLink(Symbol* self) {
    MakerForm form(self);
    Model* model = MakerModelTarget(form);
    GuidMap* map = MakerProjectMap(model);
    CCASEDoc* project = RunContext().project;
    DraftDrawable<Link> link(std::make_unique<Link>(map), map);
    link->labelRect.SetRectEmpty();
    ToolModel* tool = nullptr;
    NodeDrawable* source = nullptr;
    NodeDrawable* target = nullptr;
    std::vector<CPoint> points;
    while (form.Next()) {
        if (form.Is("name")) {
            link->name = form.Text();
        } else if (form.Is("tool")) {
            NotationTemplate* notation = project != nullptr ? project->Template() : nullptr;
            tool = notation != nullptr ? notation->FindToolByName(form.Text(), false) : nullptr;
            if (tool == nullptr || !tool->IsLinkTool())
                form.Fail("unknown link tool name", form.First());
            link->SetTool(tool);
            link->kindCode = tool->ToolNumber();
            link->looks.Init(true, nullptr);
        } else if (form.Is("access")) {
            link->access = MemberAccessFromSymbol(self, form.First());
        } else if (form.Is("stereotype")) {
            link->stereotype = form.Text();
        } else if (form.Is("role")) {
            Cell* second =
                ispair(form.Values()) && ispair(cdr(form.Values())) ? car(cdr(form.Values())) : nil;
            link->sourceEnd = form.Text() + link->sourceEnd;
            link->targetEnd = form.TextOf(second) + link->targetEnd;
        } else if (form.Is("card")) {
            Cell* second =
                ispair(form.Values()) && ispair(cdr(form.Values())) ? car(cdr(form.Values())) : nil;
            link->sourceEnd += CardText(form, form.First());
            link->targetEnd += CardText(form, second);
        } else if (form.Is("comment")) {
            link->comment = form.Text();
        } else if (form.Is("link")) {
            link->file = form.Text();
        } else if (form.Is("type")) {
            link->type = form.Text();
        } else if (form.Is("flags")) {
            link->options = int32_t(ObjectFlagsFromList(self, RefLink, form.Values()));
        } else if (form.Is("looks")) {
            form.ReadLooks(link->looks, true);
        } else if (form.Is("source")) {
            source = EndNode(form, model);
        } else if (form.Is("target")) {
            target = EndNode(form, model);
        } else if (form.Is("points")) {
            points = form.Points();
        } else if (form.Is("rect")) {
            link->labelRect = form.Rect();
        } else {
            form.BadTag();
        }
    }
    // A link needs both ends and its tool: report what is missing rather
    // than build a link with a null end.
    if (source == nullptr)
        form.Fail("No source specified for link", nil);
    if (target == nullptr)
        form.Fail("No target specified for link", nil);
    if (tool == nullptr)
        form.Fail("No tool specified for link", nil);
    link->SetSource(source);
    link->SetTarget(target);
    if (points.size() < 2)
        points = {Centre(source->bounds), Centre(target->bounds)};
    if (!link->SetVertices(points))
        form.Fail("too many points", nil);
    if (link->labelRect.IsRectEmpty()) {
        CRect frame = tool->LabelFrame();
        link->labelRect = frame;
    }
    link->nameRect = link->labelRect;
    link->Reroute(0x3, true);
    link->LayoutEndLabels();
    link->UpdateRepaintRect();
    return AdoptIntoModel(model, link.Release(), RefLink, map);
}

} // namespace qm
