// Link edge and junction drags. A press on a link's segment bends the link:
// past 4 units a vertex is inserted there and dragged as a knob ("Drag
// Knob"); a stepped link moves the whole segment and a message of a sequence
// diagram moves up and down its life lines ("Drag Link Edge"). A junction
// slides along the border of its place ("Drag Junction") or, dropped away
// from it, goes with its links ("Delete Junction").
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/CustomModel.h"
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "drawables/ScenarioPlace.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/Tag.h"
#include "editor/operations/CursorIds.h"
#include "editor/operations/DragOperations.h"
#include "editor/operations/OperationSupport.h"

#include <cstdlib>
#include <vector>

namespace qm {

namespace {

constexpr int kCursorEdge = CurKnob;
constexpr int kCursorOnJunction = CurCallBox;
constexpr int kCursorDelete = CurWillDelete;
// The grab offset before the first move took it.
constexpr int32_t kNoGrab = -1000;

CRect LimitOfLink(const Model& model, const Drawable& link) {
    for (Drawable* up = link.Parent(); up != nullptr; up = up->Parent()) {
        if (up->IsPlaceGroup())
            return up->bounds;
    }
    return model.pageMatrix;
}

CPoint ClampInto(const CRect& limit, CPoint p) {
    CPoint out = p;
    if (!limit.IsRectEmpty())
        ClampPointToRect(limit, p.x, p.y, out);
    return out;
}

class DragLinkEdge : public OperationBase {
  public:
    DragLinkEdge(OperationContext& context, Link* link)
        : OperationBase(DM_DRAG_DRAWABLES), link_(HandleOf(context, link)) {}

    void Begin(OperationContext& context, const PointerEvent& event) override {
        Link* link = link_.As<Link>();
        if (link == nullptr)
            return;
        Model& model = *context.model;
        limit_ = LimitOfLink(model, *link);
        const CPoint point = ClampInto(limit_, event.point);
        if (model.Selection().size() > 1)
            SelectAlone(context, link);
        // The snapped point may lie off the pressed segment: the mouse's own
        // point is looked up next.
        edge_ = link->HitSegment(point.x, point.y);
        if (edge_ < 0) {
            const CPoint raw = ClampInto(limit_, event.rawPoint);
            edge_ = link->HitSegment(raw.x, raw.y);
        }
        sequence_ = model.kind == MkSequence;
        press_ = last_ = point;
        if (sequence_) {
            SetMode(DM_DRAG_LINK);
        } else if (edge_ >= 0 && link->VertexCount() < kMaxLinkVertices) {
            SetMode(DM_BEND_LINK);
        } else {
            return;
        }
        begun_ = true;
        pressEvent_ = event;
        pressEvent_.point = point;
        stepped_ = (link->options & LoStepped) != 0;
        startVertices_ = link->Vertices();
        if (sequence_ || stepped_)
            StartRecord(context, *link);
        BeginRepaint(link->repaintRect);
    }

    void Track(OperationContext& context, const PointerEvent& event) override {
        Link* link = link_.As<Link>();
        if (!begun_ || link == nullptr)
            return;
        context.Callbacks().SetCursor(kCursorEdge);
        if (knob_ != nullptr) {
            knob_->Track(context, event);
            return;
        }
        const CPoint point = ClampInto(limit_, event.point);
        const CRect before = link->repaintRect;
        if (sequence_) {
            TrackMessage(context, *link, point);
        } else if (!stepped_) {
            const std::vector<CPoint>& v = link->Vertices();
            if (edge_ + 1 >= int(v.size()))
                return;
            const CPoint a = v[size_t(edge_)];
            const CPoint b = v[size_t(edge_ + 1)];
            if (HitTestSegment(point.x, point.y, a.x, a.y, b.x, b.y, kSegmentTolerance))
                return;
            // The knob drag takes the state before the bend, then drags
            // the new vertex.
            knob_ = MakeDragKnob(context, link, edge_ + 1);
            knob_->Begin(context, pressEvent_);
            link->InsertVertex(edge_ + 1, point);
            link->Reroute(3, false);
            link->UpdateRepaintRect();
            CRect dirty;
            context.model->RepositionLinkFloaters(1, link, edge_ + 1, dirty);
            knob_->Track(context, event);
        } else {
            TrackStepped(context, *link, point);
        }
        CRect area;
        area.UnionRect(before, link->repaintRect);
        Repaint(context, area);
        last_ = point;
    }

    bool End(OperationContext& context, const PointerEvent& event, bool) override {
        SetMode(DM_NONE);
        // The drag's change ends with this call however it is left: recorded
        // when the path changed, dropped otherwise.
        const std::unique_ptr<JournalChange> change = std::move(change_);
        Link* link = link_.As<Link>();
        if (!begun_ || link == nullptr)
            return false;
        if (knob_ != nullptr) {
            knob_->End(context, event, false);
            knob_.reset();
            return false;
        }
        CRect dirty;
        context.model->RepositionLinkFloaters(0, link, 0, dirty);
        EndRepaint(context, link->repaintRect);
        // Back at the press point the path may still have changed (a stub
        // added on an end node): that is recorded too.
        if (!recording_ || change == nullptr ||
            (ClampInto(limit_, event.point) == press_ && link->Vertices() == startVertices_))
            return false;
        change->Record("Drag Link Edge", context.model, link);
        CheckLinkShape(context, *link, false);
        return false;
    }

    void Cancel(OperationContext& context) override {
        const std::unique_ptr<JournalChange> change = std::move(change_);
        if (knob_ != nullptr) {
            knob_->Cancel(context);
            knob_.reset();
        }
        // A cancelled reshape is put back through its record, as the knob drag
        // does, so that the link comes back exactly; no redo replays it.
        Link* link = link_.As<Link>();
        if (begun_ && recording_ && link != nullptr &&
            (last_ != press_ || link->Vertices() != startVertices_)) {
            JournalOf(context).RevertChange(ChangeKind::Reshape, "Drag Link Edge", context.model,
                                            link);
        }
        SetMode(DM_NONE);
        begun_ = false;
        recording_ = false;
    }

  private:
    void StartRecord(OperationContext& context, Link& link) {
        UndoJournal& journal = JournalOf(context);
        change_ = std::make_unique<JournalChange>(journal, ChangeKind::Reshape);
        journal.SetFollowersBefore(UndoJournal::CaptureFollowers(*context.model));
        journal.AddChangedObject(&link, nullptr);
        link.SaveBounds();
        link.savedBounds = link.labelRect;
        link.savedVertexCount = uint8_t(link.VertexCount());
        journal.AddPoints(link.Vertices());
        journal.SetSavedFlags(uint32_t(link.options));
        if (sequence_)
            journal.SaveLinkEnds(&link, 3, false);
        recording_ = true;
    }

    void TrackMessage(OperationContext& context, Link& link, CPoint point) {
        std::vector<CPoint> v = link.Vertices();
        if (v.size() < 2)
            return;
        const bool loop = v.size() > 2;
        // The message stays where its lifelines can take it.
        const Drawable* sourcePlace = link.GetSourcePlace();
        if (auto* sequence = dynamic_cast<SequenceModel*>(context.model);
            sequence != nullptr && (sourcePlace == nullptr || !sourcePlace->IsGroup())) {
            CRect limits;
            sequence->MessageLimits(link, 3, limits, !loop ? 0 : edge_ == 0 ? 2 : 1);
            ClampPointToRect(limits, point.x, point.y, point);
        }
        if (!loop || edge_ == 0 || edge_ == 2) {
            const int at = edge_ < 0 ? 0 : std::min<int>(edge_, int(v.size()) - 1);
            const int32_t dy = point.y - v[size_t(at)].y;
            CRect dirty;
            link.MoveBy(0, dy, dirty);
        } else {
            const auto* source = dynamic_cast<ScenarioPlace*>(link.GetSourcePlace());
            const int32_t lifeline = source != nullptr ? source->lifeLinePoint.x : v[0].x;
            if (std::abs(point.x - lifeline) < kSelfLoopWidth)
                return;
            v[1].x = v[2].x = point.x;
            link.SetVertices(v);
            link.UpdateRepaintRect();
        }
        context.model->NoteChanged();
    }

    void TrackStepped(OperationContext& context, Link& link, CPoint point) {
        std::vector<CPoint> v = link.Vertices();
        if (point == last_ || edge_ < 0 || edge_ + 1 >= int(v.size()))
            return;
        const bool horizontal = v[size_t(edge_)].y == v[size_t(edge_ + 1)].y;
        const int inserted = ExtendStub(link, v, horizontal, point);
        if (horizontal)
            v[size_t(edge_)].y = v[size_t(edge_ + 1)].y = point.y;
        else
            v[size_t(edge_)].x = v[size_t(edge_ + 1)].x = point.x;
        link.SetVertices(v);
        link.Reroute(3, false);
        link.UpdateRepaintRect();
        CRect dirty;
        int16_t knob = int16_t(edge_);
        link.KeepStepped(dirty, &knob);
        edge_ = knob;
        if (inserted >= 0)
            context.model->RepositionLinkFloaters(1, &link, inserted, dirty);
        context.model->NoteChanged();
    }

    // An end segment of a stepped link dragged past the side of its end
    // node: the end vertex stays on that side of the node and a vertex
    // aligned with it is inserted next to it, so that the path keeps a stub
    // on the node rather than leaving it. Returns the inserted vertex's
    // index, -1 when nothing was extended.
    int ExtendStub(const Link& link, std::vector<CPoint>& v, bool horizontal, CPoint point) {
        const size_t last = v.size() - 1;
        const bool sourceEnd = edge_ == 0;
        if ((!sourceEnd && size_t(edge_) + 1 != last) || v.size() >= size_t(kMaxLinkVertices))
            return -1;
        const Drawable* node =
            sourceEnd ? static_cast<const Drawable*>(link.GetSource()) : link.GetTarget();
        if (node == nullptr)
            return -1;
        const CRect& side = node->bounds;
        const size_t end = sourceEnd ? 0 : last;
        CPoint& endVertex = v[end];
        if (horizontal && point.y < side.top)
            endVertex.y = side.top;
        else if (horizontal && point.y > side.bottom)
            endVertex.y = side.bottom;
        else if (!horizontal && point.x < side.left)
            endVertex.x = side.left;
        else if (!horizontal && point.x > side.right)
            endVertex.x = side.right;
        else
            return -1;
        const CPoint stub = endVertex;
        if (sourceEnd) {
            v.insert(v.begin() + 1, stub);
            ++edge_;
            return 1;
        }
        v.insert(v.begin() + std::ptrdiff_t(end), stub);
        return int(end);
    }

    ObjectHandle link_;
    // The path at the press.
    std::vector<CPoint> startVertices_;
    std::unique_ptr<EditOperation> knob_;
    // The reshape's journal change while the path is recorded, ended by End
    // or Cancel (or the drag's end of life), so that none is left open.
    std::unique_ptr<JournalChange> change_;
    PointerEvent pressEvent_;
    CRect limit_;
    int edge_ = -1;
    bool begun_ = false;
    bool sequence_ = false;
    bool stepped_ = false;
    bool recording_ = false;
};

class DragJunction : public OperationBase {
  public:
    DragJunction(OperationContext& context, Drawable* junction)
        : OperationBase(DM_DRAG_JUNCTION), junction_(HandleOf(context, junction)) {}

    void Begin(OperationContext& context, const PointerEvent& event) override {
        auto* junction = junction_.As<Junction>();
        Place* place = junction != nullptr ? dynamic_cast<Place*>(junction->GetPlace()) : nullptr;
        if (place == nullptr)
            return;
        Model& model = *context.model;
        if (model.Selection().size() > 1)
            model.DeselectAll(nullptr, false);
        place->currentJunction = junction;
        junction->savedBounds.left = junction->point.x;
        junction->savedBounds.top = junction->point.y;
        // The links the drag reshapes, as they are now: put back exactly
        // when the junction goes or the drag is abandoned, and kept by the
        // record of a move along the border.
        followers_ = UndoJournal::CaptureFollowers(model);
        label_ = junction->labelRect;
        area_ = junction->repaintRect;
        grab_ = CPoint(kNoGrab, 0);
        press_ = last_ = event.rawPoint;
        BeginRepaint(junction->repaintRect);
        model.MarkAll(0);
        place->Mark(1, 1, 0);
        onJunction_ = true;
        begun_ = true;
    }

    void Track(OperationContext& context, const PointerEvent& event) override {
        auto* junction = junction_.As<Junction>();
        if (!begun_ || junction == nullptr)
            return;
        auto* place = dynamic_cast<Place*>(junction->GetPlace());
        if (place == nullptr)
            return;
        CPoint point = event.point;
        if (grab_.x == kNoGrab) {
            junction->SideOffset(grab_, point.x, point.y);
            press_ -= CSize(grab_.x, grab_.y);
            last_ -= CSize(grab_.x, grab_.y);
        }
        point -= CSize(grab_.x, grab_.y);
        context.Callbacks().AutoScroll(event.point);
        CRect dirty = place->repaintRect;
        if (point != last_) {
            const CSize d = point - last_;
            place->MoveCurrentJunction(d.cx, d.cy, dirty);
            last_ = point;
        }
        junction->SnapToPivot(point.x, point.y, 1);
        place->UpdateRepaintRect();
        context.model->UpdateLinkGeometry(nullptr, dirty, false);
        context.model->NoteChanged();
        onJunction_ = junction->bounds.PtInRect(event.point);
        context.Callbacks().SetCursor(onJunction_ ? kCursorOnJunction : kCursorDelete);
        dirty.UnionRect(dirty, place->repaintRect);
        AccumulateRepaint(dirty);
        Repaint(context, dirty);
    }

    bool End(OperationContext& context, const PointerEvent& event, bool) override {
        SetMode(DM_NONE);
        auto* junction = junction_.As<Junction>();
        if (!begun_ || junction == nullptr)
            return false;
        begun_ = false;
        auto* place = dynamic_cast<Place*>(junction->GetPlace());
        const CPoint point = event.point - CSize(grab_.x == kNoGrab ? 0 : grab_.x, grab_.y);
        EndRepaint(context, CRect());
        if (place == nullptr || point == press_ || grab_.x == kNoGrab)
            return false;
        Model& model = *context.model;
        UndoJournal& journal = JournalOf(context);
        CRect dirty = place->repaintRect;
        if (!onJunction_) {
            JournalChange change(journal, ChangeKind::DeleteJunction);
            // The record keeps the junction and its links as they were
            // before the drag, so that undo puts them back there.
            PutBack(model, *junction);
            // Its links go with it, and the tags on it: a tag left behind
            // would point at the junction once it is freed.
            DrawableRefList links;
            DrawableRefList all;
            model.CollectLinks(all);
            for (Drawable* drawable : all) {
                auto* link = static_cast<Link*>(drawable);
                if (link->GetSource() == junction || link->GetTarget() == junction)
                    links.push_back(link);
            }
            std::vector<Drawable*> every;
            model.CollectAllDrawables(every);
            for (Drawable* drawable : every) {
                auto* tag = drawable->IsTag() ? dynamic_cast<Tag*>(drawable) : nullptr;
                if (tag != nullptr && tag->Attached() == junction)
                    links.push_back(tag);
            }
            DrawableList taken = model.TakeWithAttachments(context.document, links, &dirty);
            for (auto& drawable : taken) {
                journal.AddChangedObject(drawable.get(), nullptr);
                journal.HoldRemovedObject(std::move(drawable));
            }
            if (place->currentJunction == junction)
                place->currentJunction = nullptr;
            std::unique_ptr<Junction> removed = place->DetachJunction(junction);
            place->UpdateRepaintRect();
            journal.HoldRemovedObject(std::move(removed));
            change.Record("Delete Junction", &model, junction);
        } else {
            JournalChange change(journal, ChangeKind::DragJunction);
            journal.SetFollowersBefore(followers_);
            junction->SnapToPivot(point.x, point.y, 1);
            place->UpdateRepaintRect();
            change.Record("Drag Junction", &model, junction);
        }
        model.MarkAll(0);
        dirty.UnionRect(dirty, place->repaintRect);
        Repaint(context, dirty);
        return false;
    }

    void Cancel(OperationContext& context) override {
        // Back where the drag found it, with its links as they were.
        auto* junction = junction_.As<Junction>();
        if (begun_ && junction != nullptr && junction->GetPlace() != nullptr) {
            CRect dirty = junction->GetPlace()->repaintRect;
            PutBack(*context.model, *junction);
            dirty.UnionRect(dirty, junction->GetPlace()->repaintRect);
            EndRepaint(context, CRect());
            Repaint(context, dirty);
        }
        begun_ = false;
        SetMode(DM_NONE);
    }

  private:
    void PutBack(Model& model, Junction& junction) {
        // The label and the repaint rectangle as they were too: laying them
        // out anew may not give the rectangles a stored project holds.
        junction.SnapToPivot(junction.savedBounds.left, junction.savedBounds.top, 0);
        model.SetLabelRect(&junction, label_);
        model.SetRepaintRect(&junction, area_);
        junction.GetPlace()->UpdateRepaintRect();
        UndoJournal::RestoreFollowers(model, followers_);
        model.NoteChanged();
    }

    ObjectHandle junction_;
    FollowerShapes followers_;
    CRect label_;
    CRect area_;
    CPoint grab_;
    bool onJunction_ = true;
    bool begun_ = false;
};

} // namespace

std::unique_ptr<EditOperation> MakeDragLinkEdge(OperationContext& context, Link* pressed) {
    if (pressed == nullptr)
        return nullptr;
    return std::make_unique<DragLinkEdge>(context, pressed);
}

std::unique_ptr<EditOperation> MakeDragJunction(OperationContext& context, Drawable* pressed) {
    if (pressed == nullptr || !pressed->IsJunction())
        return nullptr;
    return std::make_unique<DragJunction>(context, pressed);
}

} // namespace qm
