// Custom and sequence models: creation of places, links and floaters by
// tool, re-binding to a template, marking a node's drawables, message
// numbering with its renumbering mode, lifelines and call boxes, and the
// customModel record.
#include "drawables/CustomModel.h"

#include "drawables/DrawingTables.h"
#include "drawables/Link.h"
#include "drawables/ModelEditing.h"
#include "drawables/NotationTemplate.h"
#include "drawables/NotationTool.h"
#include "drawables/PlaceGroup.h"
#include "drawables/ScenarioPlace.h"
#include "drawables/Tag.h"
#include "drawables/ZoomScaling.h"
#include "kernel/Kernel.h"
#include "kernel/Predefined.h"
#include "model/ChangeJournal.h"
#include "model/GuidMap.h"
#include "model/Master.h"
#include "model/ModelDocument.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <unordered_set>

namespace qm {

using kest::Cell;
using kest::nil;

namespace {

// The semantics of a control-flow link tool.
constexpr int kControlFlow = 7;
// A self-message loop keeps more than 23 units right of its source lifeline.
constexpr int kNarrowestLoop = 24;
// The rectangle a new place starts from.
const CRect kNewPlaceRect(30, 30, 100, 80);

GuidMap* MapOf(ModelDocument* document) {
    return document != nullptr ? document->ProjectMap() : nullptr;
}

Drawable* PlaceOfEnd(Drawable* end) {
    auto* node = dynamic_cast<NodeDrawable*>(end);
    return node != nullptr ? node->GetPlace() : nullptr;
}

} // namespace

// ======================= custom models =======================

CustomModel::CustomModel(GuidMap* map, ModelDocument* document, CSize pageSize)
    : Model(map), document_(document) {
    kind = MkDefault;
    if (pageSize.cx > 0 && pageSize.cy > 0)
        BestPageMatrix(pageSize.cx, pageSize.cy);
}

std::unique_ptr<Place> CustomModel::NewPlace() {
    return std::make_unique<Place>(MapOf(document_));
}

Drawable* CustomModel::CreatePlace(ModelDocument* document, Master* master, const CRect& rect) {
    if (document != nullptr)
        document_ = document;
    std::unique_ptr<Place> place = NewPlace();
    NotationTool* tool = ToolOf(master);
    TextPrimitive* nameText = tool != nullptr ? tool->FindNameText() : nullptr;
    place->looks.InitFromTool(true, nameText != nullptr ? &nameText->looks : nullptr);
    const int code =
        master != nullptr && master->ToolNumber() >= 0 ? master->ToolNumber() : int(TkFirstPlace);
    place->Setup(code, rect.IsRectEmpty() ? kNewPlaceRect : rect, master, true);
    place->AddMasterReference();
    return AddDrawable(std::move(place));
}

Drawable* CustomModel::CreatePlaceOfTool(ModelDocument* document, int toolId,
                                         const std::string& placeName, const std::string& nameSpace,
                                         const CRect& rect, bool annotate) {
    if (document == nullptr)
        return nullptr;
    Master* master = document->NewMaster(toolId, placeName, nameSpace);
    if (master == nullptr)
        return nullptr;
    Drawable* made = CreatePlace(document, master, rect);
    if (auto* place = dynamic_cast<Place*>(made); place != nullptr && !annotate)
        place->placeFlags &= ~uint32_t(PfCompartments);
    // The document counted a use when it handed the master out and the new
    // place counted its own: one place is one use, as a reread file counts.
    if (made != nullptr && master->refCount > 1)
        --master->refCount;
    return made;
}

Link* CustomModel::CreateLink(ModelDocument* document, int toolId, const std::string& text,
                              NodeDrawable* source, Drawable* target) {
    if (source == nullptr || target == nullptr)
        return nullptr;
    GuidMap* templateMap = document != nullptr ? document->TemplateMap() : nullptr;
    auto* tool = dynamic_cast<NotationTool*>(TemplateTool(templateMap, toolId));
    if (tool != nullptr && !tool->IsLinkTool())
        tool = nullptr;
    auto link = std::make_unique<Link>(MapOf(document));
    link->Connect(toolId, tool, source, target, LinkStyleFromModelFlags(modelFlags));
    if (tool == nullptr)
        link->BindTool(templateMap, toolId);
    link->name = text;
    link->LayoutName();
    link->UpdateRepaintRect();
    return static_cast<Link*>(AddDrawable(std::move(link)));
}

Floater* CustomModel::CreateFloater(const std::string& text, Link* link, const CPoint& point) {
    if (link == nullptr)
        return nullptr;
    auto floater = std::make_unique<Floater>(MapOf(document_));
    const int index = link->NearestSegment(point.x, point.y);
    floater->AttachToSegment(TkMessage, CRect(point.x, point.y, point.x + 15, point.y + 20), link,
                             index);
    floater->text = text;
    floater->MoveNearSegment(point.x, point.y, false);
    return static_cast<Floater*>(AddDrawable(std::move(floater)));
}

void CustomModel::RebindTools(NotationTemplate* notation) {
    // A place's tool is its master's, which the document's masters re-bind
    // to the template before the models do; a place keeps its layout. A link
    // takes the template's tool of its kind when that is another tool, so a
    // project that is loaded and saved again is written as it was read.
    GuidMap* map = notation != nullptr ? &notation->guidMap : nullptr;
    for (const auto& drawable : Drawables()) {
        if (!drawable->IsLink())
            continue;
        auto* link = static_cast<Link*>(drawable.get());
        auto* tool = dynamic_cast<NotationTool*>(TemplateTool(map, link->kindCode));
        if (tool != nullptr && !tool->IsLinkTool())
            tool = nullptr;
        if (tool != link->Tool())
            link->SetTool(tool);
        link->BindTool(map, link->kindCode);
    }
}

Cell* CustomModel::Persist(ModelDocument* document, GuidScope* scope, Cell* list) {
    if (list == nullptr || list == nil)
        return kest::mkcons(kest::sym::customModel, Model::Persist(document, scope, nil));
    ExpectHead(list, kest::sym::customModel);
    if (document != nullptr)
        document_ = document;
    return Model::Persist(document, scope, kest::cdr(list));
}

void CustomModel::ReadElements(ModelDocument* document, GuidScope* scope,
                               RecordElements& elements) {
    if (document != nullptr)
        document_ = document;
    Model::ReadElements(document, scope, elements);
}

// ---- marking and upkeep ----

void CustomModel::MarkNodeDrawables(Drawable* node, DrawableRefList& list) {
    for (const auto& drawable : Drawables())
        drawable->Mark(0, 0x1, 0);
    for (const auto& owned : Drawables()) {
        Drawable* drawable = owned.get();
        if (drawable->IsLink() && !drawable->IsMarked()) {
            NodeDrawable* source = nullptr;
            NodeDrawable* target = nullptr;
            drawable->GetLinkEnds(source, target);
            if (node != nullptr && (source == node || target == node))
                drawable->Mark(1, 0x1, 0);
        } else if (drawable->IsTag()) {
            const Drawable* attached = static_cast<Tag*>(drawable)->Attached();
            if (attached != nullptr && attached->IsMarked())
                drawable->Mark(1, 0x1, 0);
        } else if (drawable->IsGroup()) {
            drawable->MarkFiltered(1, 0x4, node);
        }
    }
    for (const auto& drawable : Drawables()) {
        if (drawable->IsMarked())
            list.push_back(drawable.get());
        else
            drawable->CollectMarkedMembers(list);
    }
}

void CustomModel::UpdatePlaces() {
    for (const auto& drawable : Drawables()) {
        if (auto* place = dynamic_cast<Place*>(drawable.get()))
            place->Relayout();
    }
}

Model* CustomModel::FindOrCreateClassPlace(ModelDocument* document, int toolId,
                                           const std::string& placeName,
                                           const std::string& nameSpace) {
    Master* found = nullptr;
    for (const auto& drawable : Drawables()) {
        auto* place = dynamic_cast<Place*>(drawable.get());
        if (place != nullptr && place->master != nullptr && place->master->ToolNumber() == toolId &&
            place->master->name == placeName) {
            found = place->master;
            break;
        }
    }
    if (found == nullptr) {
        auto* place =
            dynamic_cast<Place*>(CreatePlaceOfTool(document, toolId, placeName, nameSpace, {}));
        if (place == nullptr || place->master == nullptr)
            return nullptr;
        found = place->master;
        found->masterFlags |= 0x1;
    }
    if (found->submodel == nullptr && document != nullptr) {
        // A class without a diagram of its own gets a class diagram under
        // this model, with this model's flags (its link style among them).
        if (auto* made = dynamic_cast<Model*>(document->NewSubmodel(MkClass, found, this)))
            made->modelFlags = modelFlags;
    }
    return dynamic_cast<Model*>(found->submodel);
}

void CustomModel::AnnotateSelection(ModelDocument* document, int filter, CRect& rect) {
    DrawableRefList chosen(Selection().begin(), Selection().end());
    if (chosen.empty()) {
        for (const auto& drawable : Drawables())
            chosen.push_back(drawable.get());
    }
    // One group: the entry naming the drawables, then one "Annotation" per
    // place that changed, each holding the toggles that undo reverses.
    JournalGroup group(document);
    {
        JournalChange change(document, ChangeKind::AnnotationMultiple);
        for (Drawable* drawable : chosen)
            Journal().AddChangedObject(document, drawable, nullptr);
        change.Record(ChangeKindDescription(ChangeKind::AnnotationMultiple), this, nullptr);
    }
    // A master shared by several places has its members toggled once; the
    // marks say which masters this pass has already done.
    const auto clearMarks = [&chosen] {
        for (Drawable* drawable : chosen)
            if (auto* place = dynamic_cast<Place*>(drawable); place != nullptr && place->master)
                place->master->Mark(0, 1, 0);
    };
    clearMarks();
    for (Drawable* drawable : chosen) {
        auto* place = dynamic_cast<Place*>(drawable);
        if (place != nullptr && place->Annotate(document, filter))
            rect.UnionRect(rect, ScaleByZoom(place->repaintRect, zoom));
    }
    clearMarks();
}

// ---- message numbers ----

int CustomModel::GetMaxMessageNumber() const {
    int best = 0;
    for (const auto& drawable : Drawables()) {
        if (const auto* floater = dynamic_cast<const Floater*>(drawable.get()))
            best = std::max(best, floater->GetNumber());
        else if (const auto* group = dynamic_cast<const PlaceGroup*>(drawable.get()))
            best = std::max(best, group->MaxFloaterNumber());
    }
    return best;
}

void CustomModel::ToggleRenumberMessages() {
    modelFlags ^= MfRenumber;
    currentMessage_ = nullptr;
    if (IsRenumbering()) {
        Journal().BeginChange(document_, ChangeKind::RenumberMessages);
        return;
    }
    if (Journal().HasChangedObjects(document_))
        Journal().RecordChange(document_, ChangeKind::RenumberMessages,
                               ChangeKindDescription(ChangeKind::RenumberMessages), this, nullptr);
}

void CustomModel::SetCurrentMessage(Floater* floater, bool keepNumber, CRect& rect) {
    rect.SetRectEmpty();
    if (floater == nullptr)
        return;
    if (!keepNumber) {
        const int wanted = (currentMessage_ != nullptr ? currentMessage_->GetNumber() : 0) + 1;
        if (floater->GetNumber() != wanted)
            RenumberMessage(floater, wanted, rect);
    }
    currentMessage_ = floater;
}

bool CustomModel::PickMessage(Floater* floater, bool keepNumber, CRect& rect) {
    if (floater == nullptr)
        return false;
    std::unique_ptr<ModelObject> previous = floater->Clone();
    previous->guid = floater->guid;
    previous->SetDetached();
    const std::string before = floater->text;
    SetCurrentMessage(floater, keepNumber, rect);
    if (floater->text == before)
        return false;
    Journal().AddChangedObject(document_, floater, std::move(previous));
    return true;
}

void CustomModel::RenumberMessage(Floater* floater, int number, CRect& rect) {
    if (floater == nullptr)
        return;
    // The label is measured anew, so that a number with more digits widens
    // it; the area it covered before is repainted too.
    rect.UnionRect(rect, ScaleByZoom(floater->repaintRect, zoom));
    floater->SetNumber(number);
    floater->MeasureLabel(document_, zoom);
    rect.UnionRect(rect, ScaleByZoom(floater->repaintRect, zoom));
}

// ======================= sequence models =======================

SequenceModel::SequenceModel(GuidMap* map, ModelDocument* document, CSize pageSize)
    : CustomModel(map, document, pageSize) {
    kind = MkSequence;
}

std::unique_ptr<Place> SequenceModel::NewPlace() {
    return std::make_unique<ScenarioPlace>(MapOf(Document()));
}

Drawable* SequenceModel::CreatePlace(ModelDocument* document, Master* master, const CRect& rect) {
    Drawable* place = CustomModel::CreatePlace(document, master, rect);
    if (place != nullptr)
        place->UpdateRepaintRect();
    return place;
}

Link* SequenceModel::CreateLink(ModelDocument* document, int toolId, const std::string& text,
                                NodeDrawable* source, Drawable* target) {
    Link* link = CustomModel::CreateLink(document, toolId, text, source, target);
    if (link != nullptr) {
        // The journal keeps the end places' call boxes before and after the
        // message fits into them, so that undoing the message takes back the
        // boxes it added.
        Journal().SaveLinkEnds(document, link, 0x3, false);
        CRect dirty;
        FitCallBoxes(*link, 0x3, dirty);
        Journal().SaveLinkEnds(document, link, 0x3, true);
    }
    return link;
}

void SequenceModel::ExtendLifeline(ScenarioPlace& place, int dy, CRect& rect) {
    rect = place.repaintRect;
    const int64_t top = int64_t(place.bounds.top) + 8;
    const int64_t bottom = std::max<int64_t>(top, pageMatrix.bottom);
    place.lifeLinePoint.y =
        ClampCoordinate(std::clamp<int64_t>(int64_t(place.lifeLinePoint.y) + dy, top, bottom));
    place.UpdateRepaintRect();
    rect.UnionRect(rect, place.repaintRect);
}

CSize SequenceModel::DragLifeline(ScenarioPlace& place, CSize offset, CRect& rect) {
    rect = place.repaintRect;
    int64_t top = int64_t(place.bounds.top) + 8;
    if (place.callBoxes.Count() > 0)
        top = std::max<int64_t>(top, place.callBoxes.boxes.back().bottom);
    const int64_t bottom = std::max<int64_t>(top, pageMatrix.bottom);
    const int32_t before = place.lifeLinePoint.y;
    place.lifeLinePoint.y =
        ClampCoordinate(std::clamp<int64_t>(int64_t(before) + offset.cy, top, bottom));
    place.UpdateRepaintRect();
    rect.UnionRect(rect, place.repaintRect);
    NoteChanged();
    return CSize(0, int32_t(int64_t(place.lifeLinePoint.y) - before));
}

void SequenceModel::MessageLimits(const Link& link, int ends, CRect& rect, int mode) const {
    rect = pageMatrix;
    // The heights a message end can take on each chosen lifeline.
    std::optional<std::pair<int32_t, int32_t>> first;
    int64_t top = rect.top;
    int64_t bottom = rect.bottom;
    auto cut = [&](Drawable* end) {
        auto* place = dynamic_cast<ScenarioPlace*>(PlaceOfEnd(end));
        if (place == nullptr)
            return;
        CPoint high;
        CPoint low;
        place->ClampToLifeLine(high, 0, std::numeric_limits<int>::min());
        place->ClampToLifeLine(low, 0, std::numeric_limits<int>::max());
        // The rectangle's bottom lies just below the lowest height allowed.
        const int64_t below = int64_t(low.y) + 1;
        if (!first.has_value())
            first.emplace(high.y, ClampCoordinate(below));
        top = std::max<int64_t>(top, high.y);
        bottom = std::min<int64_t>(bottom, below);
    };
    if ((ends & 0x1) != 0)
        cut(link.GetSource());
    if ((ends & 0x2) != 0)
        cut(link.GetTarget());
    if (top >= bottom && first.has_value()) {
        top = first->first;
        bottom = first->second;
    }
    rect.top = ClampCoordinate(top);
    rect.bottom = ClampCoordinate(std::max(top, bottom));
    if (mode == 0)
        return;
    // A self-message loop stays clear of its source lifeline.
    if (auto* source = dynamic_cast<ScenarioPlace*>(PlaceOfEnd(link.GetSource()))) {
        const int64_t left = int64_t(source->lifeLinePoint.x) + kNarrowestLoop;
        rect.left = ClampCoordinate(std::max<int64_t>(rect.left, left));
        rect.right = std::max(rect.left, rect.right);
    }
}

void SequenceModel::AttachMessageEnd(Link& link, int end, CRect& rect) {
    if (link.VertexCount() < 2 || (end != 1 && end != 2))
        return;
    auto* place = dynamic_cast<ScenarioPlace*>(
        PlaceOfEnd(end == 1 ? link.GetSource() : static_cast<Drawable*>(link.GetTarget())));
    if (place == nullptr)
        return;
    rect.UnionRect(rect, link.repaintRect);
    std::vector<CPoint> vertices = link.Vertices();
    const size_t at = end == 1 ? 0 : vertices.size() - 1;
    CPoint onLine;
    place->ClampToLifeLine(onLine, vertices[at].x, vertices[at].y);
    vertices[at] = onLine;
    if (vertices.size() == 2)
        vertices[1 - at].y = onLine.y;
    const uint8_t nameSegment = link.nameSegment;
    link.SetVertices(vertices);
    link.nameSegment = nameSegment;
    link.Reroute(end, false);
    link.UpdateRepaintRect();
    FitCallBoxes(link, end, rect);
    rect.UnionRect(rect, link.repaintRect);
    NoteChanged();
}

void SequenceModel::FitCallBoxes(Link& link, int ends, CRect& rect) {
    if (link.Tool() == nullptr || link.Tool()->Semantics() != kControlFlow ||
        link.VertexCount() < 2)
        return;
    const std::vector<CPoint>& points = link.Vertices();
    auto fit = [&](Drawable* end, const CPoint& at) {
        auto* place = dynamic_cast<ScenarioPlace*>(PlaceOfEnd(end));
        if (place == nullptr)
            return;
        rect.UnionRect(rect, place->repaintRect);
        const int x = place->lifeLinePoint.x;
        if (place->FindCallBoxAt(x, at.y) < 0) {
            CPoint onLine;
            place->ClampToLifeLine(onLine, x, at.y);
            place->AddCallBoxAt(onLine.x, onLine.y);
        }
        rect.UnionRect(rect, place->repaintRect);
    };
    if ((ends & 0x1) != 0)
        fit(link.GetSource(), points.front());
    if ((ends & 0x2) != 0)
        fit(link.GetTarget(), points.back());
}

int SequenceModel::CompareLifelines(const Link& link) const {
    auto* source = dynamic_cast<ScenarioPlace*>(PlaceOfEnd(link.GetSource()));
    auto* target = dynamic_cast<ScenarioPlace*>(PlaceOfEnd(link.GetTarget()));
    if (source == nullptr || target == nullptr)
        return 0;
    const int64_t d = int64_t(source->lifeLinePoint.x) - target->lifeLinePoint.x;
    return d < 0 ? -1 : d > 0 ? 1 : 0;
}

void SequenceModel::MarkLinksAtPlace(const Drawable& place) {
    for (const auto& drawable : Drawables()) {
        auto* link = dynamic_cast<Link*>(drawable.get());
        if (link == nullptr || link->VertexCount() < 2)
            continue;
        // A link's end lies on the place's outline, which may be just past
        // its right or bottom edge.
        CRect area = place.bounds;
        area.InflateRect(1, 1);
        if (area.PtInRect(link->Vertices().front()) || area.PtInRect(link->Vertices().back()))
            link->Mark(1, 0x1, 0);
    }
}

void SequenceModel::ShiftAll(int dy, CRect& rect) {
    for (const auto& drawable : Drawables())
        drawable->MoveBy(0, dy, rect);
}

void SequenceModel::CollectCallBoxMessages(const ScenarioPlace& place, const CRect& rect,
                                           DrawableRefList& out) const {
    CRect area = rect;
    area.left = ClampCoordinate(int64_t(area.left) - 2);
    area.right = ClampCoordinate(int64_t(area.right) + 2);
    for (const auto& drawable : Drawables()) {
        auto* link = dynamic_cast<Link*>(drawable.get());
        if (link == nullptr || link->VertexCount() < 1)
            continue;
        if ((link->GetSourcePlace() == &place && area.PtInRect(link->Vertices().front())) ||
            (link->GetTargetPlace() == &place && area.PtInRect(link->Vertices().back())))
            out.push_back(link);
    }
}

void SequenceModel::MoveMessages(const DrawableRefList& messages, int dy, CRect* repaint) {
    const std::unordered_set<const Drawable*> moved(messages.begin(), messages.end());
    CRect area;
    area.SetRectEmpty();
    auto move = [&](Drawable* drawable) {
        area.UnionRect(area, drawable->repaintRect);
        CRect dirty;
        drawable->MoveBy(0, dy, dirty);
        drawable->UpdateRepaintRect();
        area.UnionRect(area, drawable->repaintRect);
    };
    for (Drawable* message : messages)
        move(message);
    // The floaters after their messages: a moved floater remembers the
    // segment it sits on, which must be where the message now lies.
    for (const auto& drawable : Drawables()) {
        if (drawable->IsFloater() && moved.count(AttachedTo(drawable.get())) != 0)
            move(drawable.get());
    }
    if (repaint != nullptr)
        repaint->UnionRect(*repaint, ScaledRepaint(area, zoom));
}

int SequenceModel::AppendCallBoxes(const std::vector<Drawable*>& pasted, CRect& rect) {
    const std::unordered_set<const Drawable*> isPasted(pasted.begin(), pasted.end());
    std::optional<int32_t> lastBottom;
    for (const auto& drawable : Drawables()) {
        auto* place = dynamic_cast<const ScenarioPlace*>(drawable.get());
        if (place == nullptr || isPasted.count(place) != 0)
            continue;
        for (const CRect& box : place->callBoxes.boxes)
            lastBottom = std::max(lastBottom.value_or(box.bottom), box.bottom);
    }
    std::optional<int32_t> firstTop;
    for (const Drawable* drawable : pasted) {
        if (auto* place = dynamic_cast<const ScenarioPlace*>(drawable))
            for (const CRect& box : place->callBoxes.boxes)
                firstTop = std::min(firstTop.value_or(box.top), box.top);
    }
    if (!lastBottom || !firstTop)
        return 0;
    // The gap a new box keeps below its neighbour.
    const int64_t wanted = int64_t(*lastBottom) + 12 - *firstTop;
    if (wanted <= 0)
        return 0;
    const int dy = int(std::min<int64_t>(wanted, kMaxCoordinate));
    for (Drawable* drawable : pasted) {
        if (auto* place = dynamic_cast<ScenarioPlace*>(drawable)) {
            if (place->callBoxes.Count() == 0)
                continue;
            rect.UnionRect(rect, place->repaintRect);
            place->callBoxes.OffsetAll(0, dy);
            int32_t end = place->lifeLinePoint.y;
            for (const CRect& box : place->callBoxes.boxes)
                end = std::max(end, box.bottom);
            place->lifeLinePoint.y = end;
            place->UpdateRepaintRect();
            rect.UnionRect(rect, place->repaintRect);
        } else if (drawable->IsLink()) {
            drawable->MoveBy(0, dy, rect);
        }
    }
    // Floaters after the messages: a moved floater remembers the segment it
    // sits on, which must be where the message now lies.
    for (Drawable* drawable : pasted) {
        if (drawable->IsFloater())
            drawable->MoveBy(0, dy, rect);
    }
    return dy;
}

} // namespace qm
