// Grouping and ungrouping of the selection: Group As Primitive makes a
// primitive group of selected primitives, Group As Place a place group with
// a master of its own (a swimlane is a place group made for a lane). Each
// is one journal entry; refusals say why in a message box, or beep.
#include "drawables/DiagramView.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/ModelEditing.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/ZoomScaling.h"
#include "model/ChangeJournal.h"
#include "model/GuidMap.h"
#include "model/ModelDocument.h"
#include "platform/Errors.h"
#include "platform/Prompt.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace qm {

namespace {

// The refusal shown when the selection cannot be grouped, or "".
std::string GroupRefusal(const Model& model, bool asPlace) {
    if (model.kind == MkSequence && asPlace)
        return "Grouping of drawables in a sequence diagram is not allowed.";
    for (const Drawable* drawable : model.Selection()) {
        if (drawable->IsSwimlane())
            return "Grouping of swimlanes is not allowed.";
        if (drawable->Parent() != nullptr)
            return "Grouping of drawables that are already in another group is not allowed.";
    }
    if (!asPlace) {
        for (const Drawable* drawable : model.Selection()) {
            if (drawable->IsPlace())
                return "Group As Primitive requires all the selected drawables to be "
                       "primitives.\nConsider using Group As Place instead.";
        }
    }
    return {};
}

} // namespace

Drawable* Model::Group(ModelDocument* document, ModelDocument* idDocument, CRect& repaint,
                       bool asPlace, const CRect* laneRect, Drawable* previousLane, int shift,
                       Drawable* nextLane, ChangeKind kind, const char* changeName) {
    NoteChanged();
    const bool lane = laneRect != nullptr;
    asPlace = asPlace || lane;
    if (const std::string refusal = GroupRefusal(*this, asPlace); !refusal.empty()) {
        MessageBox(refusal, PromptIcon::Exclamation);
        return nullptr;
    }
    if (lane) {
        DeselectAll(nullptr, false);
        SelectInRect(nullptr, *laneRect);
    }
    NumberByPosition(drawables_, 1);
    GetSelectionBounds(repaint);

    if (!asPlace) {
        for (const Drawable* drawable : selection_) {
            if (!drawable->IsPrimitive()) {
                MessageBeep();
                return nullptr;
            }
        }
    } else {
        // A place group holds the links between its places and the message
        // floaters on those links, and nothing that reaches outside it.
        for (const auto& owned : drawables_) {
            Link* link = AsLink(owned.get());
            if (link == nullptr)
                continue;
            Drawable* source = link->GetSourcePlace();
            Drawable* target = link->GetTargetPlace();
            const bool inside = source != nullptr && target != nullptr && source->IsSelected() &&
                                target->IsSelected();
            if (link->IsSelected() != inside)
                Select(link, inside, nullptr, false);
        }
        for (const auto& owned : drawables_) {
            Drawable* floater = owned.get();
            if (!floater->IsFloater())
                continue;
            Drawable* on = AttachedTo(floater);
            const bool wanted = on != nullptr && on->IsSelected();
            if (floater->IsSelected() != wanted)
                Select(floater, wanted, nullptr, false);
        }
    }
    if (selection_.empty() && !lane) {
        MessageBeep();
        return nullptr;
    }

    ModelDocument* ids = idDocument != nullptr ? idDocument : document;
    GuidMap* map = ids == nullptr  ? nullptr
                   : IsToolModel() ? ids->TemplateMap()
                                   : ids->ProjectMap();
    // The change begins before the group takes its master, so that the
    // journal knows whether the master was there before. A new swimlane's
    // change began before the lanes behind it moved.
    if (kind != ChangeKind::ProjectSaved && kind != ChangeKind::CreateSwimlane)
        Journal().BeginChange(document, kind);
    std::unique_ptr<Drawable> made =
        MakeGroup(document, map, asPlace, laneRect, previousLane, nextLane);
    if (made == nullptr) {
        MessageBeep();
        return nullptr;
    }
    Drawable* group = made.get();
    // The group took the selected drawables out of the list; what is left
    // of the selection names its members.
    DeselectAll(nullptr, false);
    if (asPlace)
        drawables_.push_front(std::move(made));
    else
        drawables_.push_back(std::move(made));
    Select(group, true, nullptr, false);
    repaint.UnionRect(repaint, group->repaintRect);
    repaint = ScaledRepaint(repaint, zoom);

    if (kind != ChangeKind::ProjectSaved) {
        auto* place = asPlace ? dynamic_cast<Place*>(group) : nullptr;
        Journal().AddChangedObject(document, place != nullptr ? place->master : nullptr, nullptr);
        Journal().AddChangedObject(document, group, nullptr);
        Journal().SetOffset(document, CPoint(shift, 0));
        Journal().RecordChange(document, kind, changeName, this, group);
    }
    return group;
}

std::unique_ptr<Drawable> Model::MakeGroup(ModelDocument* document, GuidMap* map, bool asPlace,
                                           const CRect* laneRect, Drawable* previousLane,
                                           Drawable* nextLane) {
    if (!asPlace) {
        auto group = std::make_unique<PrimitiveGroup>(map);
        group->AddMembers(drawables_);
        group->looks.Init(true, nullptr);
        return group;
    }
    std::unique_ptr<PlaceGroup> group;
    Swimlane* lane = nullptr;
    if (laneRect != nullptr) {
        auto made = std::make_unique<Swimlane>(map);
        lane = made.get();
        lane->SetLaneModel(this);
        group = std::move(made);
    } else {
        group = std::make_unique<PlaceGroup>(map);
    }
    // The document counts the group's use of the master as it hands the
    // master out: one group is one use, as a reread file counts it.
    Master* master = document != nullptr ? document->NewMaster(TkPlaceGroup, "?", "") : nullptr;
    group->Fill(drawables_, master, laneRect);
    group->looks.Init(true, nullptr);
    group->MemberGroup().looks = group->looks;
    group->SetBounds(group->bounds, lane != nullptr ? 1 : 0);
    if (lane != nullptr) {
        auto* previous = dynamic_cast<Swimlane*>(previousLane);
        auto* next = dynamic_cast<Swimlane*>(nextLane);
        lane->SetPreviousLane(previous);
        lane->SetNextLane(next);
        if (previous != nullptr)
            previous->SetNextLane(lane);
        if (next != nullptr)
            next->SetPreviousLane(lane);
    }
    return group;
}

void Model::Ungroup(ModelDocument* document, CRect& repaint, ChangeKind kind) {
    NoteChanged();
    if (selection_.size() != 1 || selection_.front()->Parent() != nullptr) {
        MessageBeep();
        return;
    }
    Drawable* group = selection_.front();
    auto* groupPlace = group->IsPlaceGroup() ? dynamic_cast<Place*>(group) : nullptr;
    if (groupPlace != nullptr && groupPlace->master != nullptr &&
        groupPlace->master->submodel != nullptr)
        throw CKestException("Ungrouping of a group that has a sumbodel is not allowed.");
    auto* container = dynamic_cast<PrimitiveGroup*>(ContainerOf(group));
    MarkAll(0);
    // The group and what hangs on it keep their places, for undo.
    NumberByPosition(drawables_, 1);
    JournalChange change(document, kind);
    repaint.SetRectEmpty();

    // What ends on the group itself cannot outlive it.
    DrawableList hanging;
    if (groupPlace != nullptr) {
        for (auto it = drawables_.begin(); it != drawables_.end();) {
            Drawable* d = it->get();
            Link* link = AsLink(d);
            const bool ends = link != nullptr ? (link->GetSourcePlace() == group ||
                                                 link->GetTargetPlace() == group)
                                              : AttachedTo(d) == group;
            if (!ends) {
                ++it;
                continue;
            }
            repaint.UnionRect(repaint, d->repaintRect);
            SelectionRemove(d);
            hanging.push_back(std::move(*it));
            it = drawables_.erase(it);
        }
    }

    if (container != nullptr) {
        Select(group, false, nullptr, false);
        std::unique_ptr<Drawable> owned = TakeFrom(drawables_, group);
        std::vector<Drawable*> members;
        for (const auto& member : container->Members())
            members.push_back(member.get());
        for (Drawable* member : members) {
            std::unique_ptr<Drawable> out = container->RemoveMember(member);
            if (out == nullptr)
                continue;
            out->Mark(1, 1, 0);
            drawables_.push_back(std::move(out));
        }
        if (groupPlace != nullptr && groupPlace->master != nullptr &&
            groupPlace->master->refCount > 0)
            --groupPlace->master->refCount;
        repaint.UnionRect(repaint, group->repaintRect);
        Journal().HoldRemovedObject(document, std::move(owned));
    }
    for (auto& d : hanging)
        Journal().HoldRemovedObject(document, std::move(d));

    DeselectAll(nullptr, false);
    for (const auto& d : drawables_) {
        if (d->IsMarked()) {
            d->Mark(0, 1, 0);
            Select(d.get(), true, nullptr, false);
        }
    }
    repaint = ScaledRepaint(repaint, zoom);
    change.Record("Ungroup", this, nullptr);
}

// ======================= swimlanes =======================

namespace {

// A lane chain never holds more lanes than this; a longer walk is a cycle.
constexpr int kMaxLanes = 100000;

// The width of a new lane, and the least width of one made beside another.
constexpr int32_t kLaneWidth = 128;

Swimlane* AsLane(Drawable* drawable) {
    return drawable != nullptr && drawable->IsSwimlane() ? dynamic_cast<Swimlane*>(drawable)
                                                         : nullptr;
}

} // namespace

void Model::FindLaneNeighbours(const CRect& rect, Drawable*& previous, Drawable*& next) const {
    previous = nullptr;
    next = nullptr;
    for (const auto& owned : drawables_) {
        Swimlane* lane = AsLane(owned.get());
        if (lane == nullptr)
            continue;
        CRect meet;
        if (meet.IntersectRect(lane->bounds, rect)) {
            if (rect.CenterPoint().x >= lane->bounds.CenterPoint().x) {
                previous = lane;
                next = lane->NextLane();
            } else {
                next = lane;
                previous = lane->PreviousLane();
            }
            return;
        }
        if (lane->PreviousLane() == nullptr && lane->bounds.left >= rect.right) {
            next = lane;
            previous = nullptr;
        }
        if (lane->NextLane() == nullptr && lane->bounds.right <= rect.left) {
            previous = lane;
            next = nullptr;
        }
    }
}

Drawable* Model::CreateSwimlane(ModelDocument* document, ModelDocument* idDocument, int x,
                                CRect& repaint) {
    NoteChanged();
    DeselectAll(nullptr, false);
    repaint.SetRectEmpty();
    pageBeforeLane = pageMatrix;
    CRect lane(ClampCoordinate(int64_t{x} - kLaneWidth / 2), pageMatrix.top,
               ClampCoordinate(int64_t{x} + kLaneWidth / 2), pageMatrix.bottom);
    lane.left = std::max(lane.left, pageMatrix.left);
    lane.right = std::min(lane.right, pageMatrix.right);
    Drawable* previousDrawable = nullptr;
    Drawable* nextDrawable = nullptr;
    FindLaneNeighbours(lane, previousDrawable, nextDrawable);
    // The lanes behind the new one move, and with them the links and
    // message floaters of their members: the record keeps where those stood
    // rather than recomputing them on undo.
    Journal().BeginChange(document, ChangeKind::CreateSwimlane);
    Journal().SaveFollowers(document, this);
    Swimlane* previous = AsLane(previousDrawable);
    Swimlane* next = AsLane(nextDrawable);
    int shift = 0;
    CRect shifted;
    shifted.SetRectEmpty();
    if (previous == nullptr && next == nullptr) {
        lane.left = 0;
    } else if (previous == nullptr) {
        if (next->bounds.left < kLaneWidth) {
            shift = kLaneWidth - next->bounds.left;
            ShiftSwimlanes(document, next, shift, shifted);
        }
        lane.right = ClampCoordinate(int64_t{next->bounds.left} + 1);
        // A press over the first lane's left half puts the new lane before
        // it: the lane is as wide as a new lane, never turned inside out.
        lane.left =
            std::max(pageMatrix.left,
                     std::min(lane.left, ClampCoordinate(int64_t{lane.right} - kLaneWidth)));
    } else if (next == nullptr) {
        lane.left = ClampCoordinate(int64_t{previous->bounds.right} - 1);
        if (lane.Width() < kLaneWidth)
            lane.right = ClampCoordinate(int64_t{lane.left} + kLaneWidth);
        ExtendPageCount(document, lane.right);
    } else {
        shift = kLaneWidth;
        ShiftSwimlanes(document, next, shift, shifted);
        lane.left = ClampCoordinate(int64_t{previous->bounds.right} - 1);
        lane.right = ClampCoordinate(int64_t{next->bounds.left} + 1);
    }
    CRect area;
    Drawable* made = Group(document, idDocument, area, true, &lane, previous, shift, next,
                           ChangeKind::CreateSwimlane, "Create Swimlane");
    repaint.UnionRect(shifted, area);
    return made;
}

void Model::ShiftSwimlanes(ModelDocument* document, Drawable* first, int dx, CRect& repaint) {
    NoteChanged();
    MarkAll(0);
    CRect area;
    area.SetRectEmpty();
    int64_t right = INT32_MIN;
    bool moved = false;
    int count = 0;
    for (Swimlane* lane = AsLane(first); lane != nullptr && ++count < kMaxLanes;
         lane = lane->NextLane()) {
        lane->Mark(1, 3, 0);
        lane->MoveBy(dx, 0, area);
        right = std::max<int64_t>(right, lane->bounds.right);
        moved = true;
    }
    if (moved) {
        ExtendPageCount(document, ClampCoordinate(right));
        UpdateLinkGeometry(nullptr, area, false);
    }
    repaint = area.IsRectEmpty() ? area : ScaleByZoom(area, zoom);
}

void Model::ExtendPageCount(ModelDocument* document, int x) {
    NoteChanged();
    if (pageMatrix.right >= x)
        return;
    const int64_t pageWidth =
        document != nullptr && document->PageWidth() > 0 ? document->PageWidth() : 1;
    const int64_t columns = (int64_t{x} + pageWidth - 1) / pageWidth;
    CRect page = pageMatrix;
    page.right = ClampCoordinate(columns * pageWidth);
    SetPageMatrix(page);
    const int shown = ViewOf(document).PageColumns(document);
    ViewOf(document).ChangePageCount(document, int(columns) - shown);
}

void Model::StretchSwimlanes() {
    NoteChanged();
    for (const auto& owned : drawables_) {
        if (!owned->IsSwimlane())
            continue;
        CRect r = owned->bounds;
        r.bottom = pageMatrix.bottom;
        owned->SetBounds(r, 1);
    }
}

Drawable* Model::FindSwimlane(bool first) const {
    for (const auto& owned : drawables_) {
        Swimlane* lane = AsLane(owned.get());
        if (lane == nullptr)
            continue;
        if (first ? lane->PreviousLane() == nullptr : lane->NextLane() == nullptr)
            return lane;
    }
    return nullptr;
}

void Model::PackSwimlanes() {
    NoteChanged();
    Swimlane* previous = AsLane(FindSwimlane(true));
    int count = 0;
    CRect dirty;
    for (Swimlane* lane = previous != nullptr ? previous->NextLane() : nullptr;
         lane != nullptr && ++count < kMaxLanes; lane = lane->NextLane()) {
        const int64_t wanted = int64_t{previous->bounds.right} - 1;
        if (lane->bounds.left != wanted)
            lane->MoveBy(ClampCoordinate(wanted - lane->bounds.left), 0, dirty);
        previous = lane;
    }
}

void Model::SwapSwimlanes(Drawable* one, Drawable* other, CRect& repaint) {
    NoteChanged();
    Swimlane* a = AsLane(one);
    Swimlane* b = AsLane(other);
    repaint.SetRectEmpty();
    if (a == nullptr || b == nullptr || a == b)
        return;
    Swimlane* left = a->NextLane() == b ? a : b->NextLane() == a ? b : nullptr;
    if (left == nullptr)
        return; // not neighbours
    Swimlane* right = left->NextLane();
    const int leftWidth = left->bounds.Width();
    const int rightWidth = right->bounds.Width();
    DeselectAll(nullptr, false);
    Select(left, true, nullptr, false);
    repaint.UnionRect(repaint, MoveDrawables(nullptr, rightWidth - 1, 0, false));
    DeselectAll(nullptr, false);
    Select(right, true, nullptr, false);
    repaint.UnionRect(repaint, MoveDrawables(nullptr, -(leftWidth - 1), 0, false));
    DeselectAll(nullptr, false);

    Swimlane* outerLeft = left->PreviousLane();
    Swimlane* outerRight = right->NextLane();
    left->SetNextLane(outerRight);
    if (outerRight != nullptr)
        outerRight->SetPreviousLane(left);
    right->SetPreviousLane(outerLeft);
    if (outerLeft != nullptr)
        outerLeft->SetNextLane(right);
    right->SetNextLane(left);
    left->SetPreviousLane(right);
}

} // namespace qm
