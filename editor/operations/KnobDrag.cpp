// Knob drags: reshaping one drawable by one of its knobs (the corners of
// places, tags and primitives, symmetric about the centre unless Ctrl is
// held; swimlane borders with the
// neighbouring lane; link vertices, ends and label; tags; primitives; the
// junction label), recorded as one "Drag Knob" or "Drag Swimlane Border".
// After a link reshape the shape check undoes a link that failed to
// reconnect or collapsed into one of its end places.
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/CustomModel.h"
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/PlaceGroup.h"
#include "drawables/Primitives.h"
#include "drawables/ScenarioPlace.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/Tag.h"
#include "editor/operations/CursorIds.h"
#include "editor/operations/DragOperations.h"
#include "editor/operations/OperationSupport.h"
#include "platform/Prompt.h"
#include "platform/UserSettings.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

namespace qm {

namespace {

// Drawable flag 0x4: the drawable's label, members or body is being reshaped.
constexpr uint32_t kReshaping = 0x4;
constexpr int kCursorKnob = CurKnob;
constexpr int kCursorBorder = CurLaneBorder;

CRect LimitOf(const Model& model, const Drawable& drawable) {
    for (Drawable* up = drawable.Parent(); up != nullptr; up = up->Parent()) {
        if (up->IsPlaceGroup() || up->IsGroup())
            return up->bounds;
    }
    return model.pageMatrix;
}

CPoint Clamped(const CRect& limit, CPoint p) {
    if (limit.IsRectEmpty())
        return p;
    CPoint out;
    ClampPointToRect(limit, p.x, p.y, out);
    return out;
}

class DragKnob : public OperationBase {
  public:
    DragKnob(OperationContext& context, Drawable* pressed, int knob)
        : OperationBase(DM_DRAG_KNOB), pressed_(HandleOf(context, pressed)), knob_(knob) {}

    void Begin(OperationContext& context, const PointerEvent& event) override {
        Drawable* drawable = Pressed();
        if (drawable == nullptr)
            return;
        Model& model = *context.model;
        limit_ = LimitOf(model, *drawable);
        const CPoint point = Clamped(limit_, event.point);
        begun_ = true;
        changed_ = false;
        reconnectFailed_ = false;
        UndoJournal& journal = JournalOf(context);
        change_ = std::make_unique<JournalChange>(journal, ChangeKind::Reshape);
        followers_ = UndoJournal::CaptureFollowers(model);
        journal.SetFollowersBefore(followers_);
        journal.AddChangedObject(drawable, nullptr);
        drawable->SaveBounds();
        model.MarkAll(0);
        drawable->Mark(1, 3, 0);
        if (auto* link = dynamic_cast<Link*>(drawable)) {
            journal.AddPoints(link->Vertices());
            link->savedVertexCount = uint8_t(link->VertexCount());
            link->savedBounds = link->labelRect;
            journal.SetSavedFlags(uint32_t(link->options));
            nameSegment_ = link->nameSegment;
            if (knob_ == link->VertexCount())
                SetReshaping(context, *drawable, true);
        } else if (auto* line = dynamic_cast<LinePrimitive*>(drawable)) {
            journal.AddPoints(line->vertices);
        } else if (drawable->IsFloater() && knob_ == 2) {
            SetReshaping(context, *drawable, true);
            drawable->savedBounds = drawable->labelRect;
        } else if (drawable->IsJunction()) {
            SetReshaping(context, *drawable, true);
            drawable->savedBounds = drawable->labelRect;
        } else if (drawable->kindCode == TkPrimitiveGroup) {
            SetReshaping(context, *drawable, true);
        } else if (DragsLifeLine(model, *drawable)) {
            journal.SaveLifeLine(drawable, false);
        }
        press_ = last_ = point;
        dragRect_ = drawable->bounds;
        BeginRepaint(drawable->repaintRect);
    }

    void Track(OperationContext& context, const PointerEvent& event) override {
        Drawable* drawable = Pressed();
        if (!begun_ || drawable == nullptr)
            return;
        Model& model = *context.model;
        const CPoint point = Clamped(limit_, event.point);
        context.Callbacks().SetCursor(drawable->IsSwimlane() ? kCursorBorder : kCursorKnob);
        context.Callbacks().AutoScroll(event.point);
        if (point == last_)
            return;
        const bool symmetric = !context.Ctrl() && !drawable->IsPlaceGroup();
        CRect keep;
        drawable->GetAnchorRect(keep, knob_, symmetric);
        const CRect before = drawable->repaintRect;
        const CSize d = point - last_;
        CSize applied = d;
        CRect dirty;
        bool moved = true;
        if (auto* link = dynamic_cast<Link*>(drawable)) {
            moved = TrackLink(context, *link, point, keep, applied, dirty);
        } else if (drawable->IsPlace()) {
            TrackPlace(context, *drawable, d, keep, symmetric, applied, dirty);
        } else if (auto* tag = dynamic_cast<Tag*>(drawable)) {
            TrackTag(context, *tag, point, keep, symmetric, applied, dirty);
        } else if (auto* line = dynamic_cast<LinePrimitive*>(drawable)) {
            moved = TrackLine(*line, point);
        } else if (drawable->IsJunction()) {
            dragRect_ = drawable->labelRect;
            DragRectCorner(applied, dragRect_, 2, limit_, d.cx, d.cy, nullptr, keep, false);
            model.ReshapeDrawableC(drawable, dragRect_, dirty);
        } else if (drawable->IsPrimitive()) {
            dragRect_ = drawable->bounds;
            DragRectCorner(applied, dragRect_, knob_, limit_, d.cx, d.cy, nullptr, keep, symmetric);
            drawable->SetBounds(dragRect_);
            drawable->UpdateRepaintRect();
            model.NoteChanged();
        }
        last_ += applied;
        AccumulateRepaint(drawable->repaintRect);
        if (moved && (applied != CSize() || !(before == drawable->repaintRect))) {
            CRect area;
            area.UnionRect(before, drawable->repaintRect);
            area.UnionRect(area, dirty);
            Repaint(context, area);
            changed_ = true;
        }
    }

    bool End(OperationContext& context, const PointerEvent& event, bool) override {
        SetMode(DM_NONE);
        // The drag's change ends with this call however it is left: recorded
        // when the drag changed something, dropped otherwise.
        const std::unique_ptr<JournalChange> change = std::move(change_);
        Drawable* drawable = Pressed();
        if (!begun_ || drawable == nullptr)
            return false;
        Model& model = *context.model;
        const CPoint point = Clamped(limit_, event.point);
        bool recorded = false;
        if (changed_ && change != nullptr) {
            UndoJournal& journal = JournalOf(context);
            if (auto* link = dynamic_cast<Link*>(drawable)) {
                EndLink(context, *link, point, event);
            } else if (auto* tag = dynamic_cast<Tag*>(drawable);
                       tag != nullptr && !tag->IsFloater()) {
                EndTag(context, *tag, event);
            } else if (drawable->IsGroup() && drawable->IsPlace()) {
                CRect dirty;
                drawable->flags &= ~kReshaping;
                model.SetDrawableBounds(drawable, dragRect_, dirty);
                model.UpdateLinkGeometry(nullptr, dirty, false);
                Repaint(context, dirty);
            } else if (drawable->kindCode == TkPrimitiveGroup) {
                drawable->flags &= ~kReshaping;
                drawable->SetBounds(dragRect_);
                drawable->UpdateRepaintRect();
            } else if (DragsLifeLine(model, *drawable)) {
                journal.SaveLifeLine(drawable, true);
            }
            const char* literal = drawable->IsSwimlane() ? "Drag Swimlane Border" : "Drag Knob";
            // The reshape record keeps one drawable's rectangles: the lane
            // that followed the border gets its own record, and the two
            // replay as one group.
            Drawable* neighbour = neighbour_.As<Drawable>();
            std::optional<JournalGroup> group;
            if (neighbour != nullptr)
                group.emplace(journal);
            change->Record(literal, &model, drawable);
            if (neighbour != nullptr) {
                JournalChange change(journal, ChangeKind::Reshape);
                journal.AddChangedObject(neighbour, nullptr);
                change.Record(literal, &model, neighbour);
            }
            recorded = true;
        }
        if ((drawable->flags & kReshaping) != 0)
            SetReshaping(context, *drawable, false);
        // Nothing recorded, nothing left changed: a track that moved no knob
        // (a lane's border dragged up or down) still laid out the links and
        // tags of what it marked.
        if (!recorded)
            UndoJournal::RestoreFollowers(model, followers_);
        model.MarkAll(0);
        EndRepaint(context, drawable->repaintRect);
        changed_ = false;
        if (recorded) {
            if (auto* link = dynamic_cast<Link*>(drawable))
                CheckLinkShape(context, *link, reconnectFailed_);
        }
        return false;
    }

    void Cancel(OperationContext& context) override {
        const std::unique_ptr<JournalChange> change = std::move(change_);
        Drawable* drawable = Pressed();
        if (drawable != nullptr && (drawable->flags & kReshaping) != 0)
            SetReshaping(context, *drawable, false);
        // A cancelled reshape is put back through its record, so that every
        // kind of drawable comes back through the one record that knows its
        // shape; the record is then forgotten, so no redo replays it.
        if (begun_ && changed_ && drawable != nullptr) {
            JournalOf(context).RevertChange(ChangeKind::Reshape, "Drag Knob", context.model,
                                            drawable);
        } else if (begun_) {
            UndoJournal::RestoreFollowers(*context.model, followers_);
        }
        begun_ = false;
        SetMode(DM_NONE);
    }

  private:
    Drawable* Pressed() const { return pressed_.As<Drawable>(); }

    // The knob below a scenario place's corners drags its life line.
    bool DragsLifeLine(const Model& model, const Drawable& drawable) const {
        return model.kind == MkSequence && drawable.IsPlace() && !drawable.IsGroup() && knob_ > 3 &&
               dynamic_cast<const ScenarioPlace*>(&drawable) != nullptr;
    }

    void SetReshaping(OperationContext& context, Drawable& drawable, bool on) {
        if (on)
            drawable.flags |= kReshaping;
        else
            drawable.flags &= ~kReshaping;
        Repaint(context, drawable.repaintRect);
    }

    void TrackPlace(OperationContext& context, Drawable& place, CSize d, const CRect& keep,
                    bool symmetric, CSize& applied, CRect& dirty) {
        Model& model = *context.model;
        dragRect_ = place.bounds;
        if (DragsLifeLine(model, place)) {
            auto* sequence = dynamic_cast<SequenceModel*>(&model);
            auto* scenario = dynamic_cast<ScenarioPlace*>(&place);
            if (sequence != nullptr && scenario != nullptr)
                applied = sequence->DragLifeline(*scenario, d, dirty);
            return;
        }
        CRect limit = limit_;
        int corner = knob_;
        auto* lane = dynamic_cast<Swimlane*>(&place);
        if (lane != nullptr) {
            CRect between;
            lane->GetDragLimits(between);
            if (lane->PreviousLane() != nullptr)
                limit.left = std::max(limit.left, between.left);
            if (lane->NextLane() != nullptr && between.right > limit.left)
                limit.right = std::min(limit.right, between.right);
            corner = knob_ == 0 ? 0 : 1;
            d.cy = 0;
        }
        DragRectCorner(applied, dragRect_, corner, limit, d.cx, d.cy, nullptr, keep, symmetric);
        model.SetDrawableBounds(&place, dragRect_, dirty);
        if (lane != nullptr)
            FollowNeighbour(context, *lane, dirty);
        model.UpdateLinkGeometry(place.Parent(), dirty, false);
    }

    // The lane beside the dragged border keeps touching it, 1 unit over.
    void FollowNeighbour(OperationContext& context, Swimlane& lane, CRect& dirty) {
        Swimlane* other = knob_ == 0 ? lane.PreviousLane() : lane.NextLane();
        if (other == nullptr)
            return;
        CRect rect = other->bounds;
        if (knob_ == 0)
            rect.right = lane.bounds.left + kSwimlaneOverlap;
        else
            rect.left = lane.bounds.right - kSwimlaneOverlap;
        if (neighbour_.Get() == nullptr) {
            other->SaveBounds();
            neighbour_ = HandleOf(context, other);
        }
        other->Mark(1, 3, 0);
        CRect more;
        context.model->SetDrawableBounds(other, rect, more);
        dirty.UnionRect(dirty, more);
    }

    bool TrackLink(OperationContext& context, Link& link, CPoint point, const CRect& keep,
                   CSize& applied, CRect& dirty) {
        Model& model = *context.model;
        const int n = link.VertexCount() - 1;
        if (knob_ == n + 1) {
            dragRect_ = link.labelRect;
            DragRectCorner(applied, dragRect_, 2, limit_, point.x - last_.x, point.y - last_.y,
                           nullptr, keep, true);
            if (model.ReshapeDrawable(&link, dragRect_, dirty))
                dirty.InflateRect(dirty.Width() / 2, dirty.Height() / 2);
            return true;
        }
        if (knob_ < 0 || knob_ > n)
            return false;
        std::vector<CPoint> vertices = link.Vertices();
        if (auto* sequence = Messages(model, link)) {
            if (!TrackMessage(*sequence, link, vertices, point))
                return false;
        } else {
            vertices[size_t(knob_)] = point;
        }
        applied = point - last_;
        link.SetVertices(vertices);
        link.Reroute(knob_ == 0 ? 2 : knob_ == n ? 1 : 3, false);
        if ((link.options & LoStepped) != 0) {
            // Made orthogonal first, then tidied; the knob follows the vertex
            // it drags, and stays the last one when it was.
            const int count = link.VertexCount();
            const bool last = knob_ == count - 1;
            link.MakeStepped();
            int16_t knob = int16_t(knob_);
            link.KeepStepped(dirty, &knob);
            knob_ = knob;
            if (link.VertexCount() != count) {
                if (last && link.VertexCount() > count)
                    knob_ = link.VertexCount() - 1;
                knob_ = std::min<int>(knob_, link.VertexCount() - 1);
            }
        }
        link.UpdateRepaintRect();
        model.RepositionLinkFloaters(0, &link, 0, dirty);
        model.NoteChanged();
        return true;
    }

    // The sequence model of a message whose source place is no group: its
    // knobs follow the lifelines; null for any other link.
    static SequenceModel* Messages(Model& model, const Link& link) {
        const Drawable* source = link.GetSourcePlace();
        if (model.kind != MkSequence || source == nullptr || source->IsGroup() ||
            link.VertexCount() < 2)
            return nullptr;
        return dynamic_cast<SequenceModel*>(&model);
    }

    // A message's knob: a level message moves up and down with its dragged
    // end following the mouse across; a self-message loop reshapes by its
    // inner knobs only, clear of its lifeline. point becomes the point kept
    // inside the message's limits; false when the knob does not move.
    bool TrackMessage(SequenceModel& sequence, const Link& link, std::vector<CPoint>& vertices,
                      CPoint& point) {
        const size_t n = vertices.size() - 1;
        const auto knob = size_t(knob_);
        if (n > 1) {
            if (knob == 0 || knob == n)
                return false;
            auto* source = dynamic_cast<const ScenarioPlace*>(link.GetSourcePlace());
            if (source != nullptr &&
                std::abs(int64_t(point.x) - source->lifeLinePoint.x) < kSelfLoopWidth)
                return false;
        }
        CRect limits;
        sequence.MessageLimits(link, knob == 0 ? 2 : 1, limits, n == 1 ? 0 : 1);
        ClampPointToRect(limits, point.x, point.y, point);
        if (n == 1) {
            const int32_t dy = point.y - vertices[0].y;
            vertices[0].y += dy;
            vertices[1].y += dy;
            vertices[knob] = point;
            return true;
        }
        if (n != 3) {
            vertices[knob] = point;
            return true;
        }
        if (knob == 1)
            vertices[0].y = vertices[1].y = point.y;
        else
            vertices[3].y = vertices[2].y = point.y;
        vertices[1].x = vertices[2].x = point.x;
        return true;
    }

    void TrackTag(OperationContext& context, Tag& tag, CPoint point, const CRect& keep,
                  bool symmetric, CSize& applied, CRect& dirty) {
        Model& model = *context.model;
        const CSize d = point - last_;
        if (tag.IsFloater()) {
            if (knob_ != 2)
                return;
            dragRect_ = tag.labelRect;
            DragRectCorner(applied, dragRect_, 2, limit_, d.cx, d.cy, nullptr, keep, true);
            if (model.ReshapeDrawableB(&tag, dragRect_, dirty))
                dirty.InflateRect(dirty.Width() / 2, dirty.Height() / 2);
            return;
        }
        if (knob_ <= 3) {
            dragRect_ = tag.bounds;
            DragRectCorner(applied, dragRect_, knob_, limit_, d.cx, d.cy, nullptr, keep, symmetric);
            tag.SetBounds(dragRect_);
            tag.ComputeAnchor();
            tag.LayoutLabel();
        } else {
            tag.anchor = point;
        }
        tag.UpdateRepaintRect();
        model.NoteChanged();
    }

    bool TrackLine(LinePrimitive& line, CPoint point) {
        std::vector<CPoint> points = line.vertices;
        const int count = int(points.size());
        if (knob_ < 0 || knob_ >= count)
            return false;
        const int neighbour = knob_ == count - 1 ? knob_ - 1 : knob_ + 1;
        if (neighbour >= 0 && neighbour < count && points[size_t(neighbour)] == point)
            return false;
        points[size_t(knob_)] = point;
        line.SetPoints(line.kindCode, count, points.data());
        return true;
    }

    void EndLink(OperationContext& context, Link& link, CPoint point, const PointerEvent& event) {
        Model& model = *context.model;
        const int n = link.VertexCount() - 1;
        bool reshaped = false;
        NodeDrawable* sourceBefore = link.GetSource();
        Drawable* targetBefore = link.GetTarget();
        if (knob_ == 0 || knob_ == n) {
            auto* node = dynamic_cast<NodeDrawable*>(HitBeneath(context, event, &link));
            if (node != nullptr && node->IsNode()) {
                if (knob_ == 0) {
                    link.SetSource(node);
                    link.savedSourceBounds = node->bounds;
                } else {
                    link.SetTarget(node);
                    link.savedTargetBounds = node->bounds;
                }
                reshaped = true;
            } else {
                reconnectFailed_ = true;
            }
        } else if (knob_ > 0 && knob_ < n) {
            const std::vector<CPoint>& v = link.Vertices();
            const CPoint a = v[size_t(knob_ - 1)];
            const CPoint b = v[size_t(knob_ + 1)];
            if (HitTestSegment(point.x, point.y, a.x, a.y, b.x, b.y,
                               std::max<int>(Settings().SnapSize(), 1))) {
                link.RemoveVertex(knob_);
                CRect dirty;
                model.RepositionLinkFloaters(2, &link, knob_, dirty);
            }
            reshaped = true;
        }
        if (link.GetSource() != sourceBefore || link.GetTarget() != targetBefore)
            JournalOf(context).SetLinkEnds(sourceBefore, targetBefore, link.GetSource(),
                                           link.GetTarget());
        // A message end goes back onto the lifeline it was dropped on; the
        // journal keeps the call boxes that may grow to hold it.
        if (auto* sequence = Messages(model, link);
            sequence != nullptr && (knob_ == 0 || knob_ == n)) {
            UndoJournal& journal = JournalOf(context);
            CRect dirty;
            journal.SaveLinkEnds(&link, 3, false);
            sequence->AttachMessageEnd(link, knob_ == 0 ? 1 : 2, dirty);
            journal.SaveLinkEnds(&link, 3, true);
            Repaint(context, dirty);
        }
        if (!reshaped) {
            link.nameSegment = nameSegment_;
        } else {
            if ((link.options & LoStepped) != 0) {
                CRect dirty;
                link.MakeStepped();
                link.KeepStepped(dirty, nullptr);
            }
            link.Reroute(3, false);
            link.UpdateRepaintRect();
        }
        if ((link.flags & kReshaping) != 0)
            SetReshaping(context, link, false);
        model.NoteChanged();
    }

    void EndTag(OperationContext& context, Tag& tag, const PointerEvent& event) {
        if (knob_ <= 3) {
            tag.ComputeAnchor();
            tag.LayoutLabel();
        } else {
            Drawable* onto = HitBeneath(context, event, &tag);
            tag.SetAttached(onto != nullptr ? onto : tag.Attached());
            tag.ComputeAnchor();
        }
        tag.UpdateRepaintRect();
        context.model->NoteChanged();
    }

    ObjectHandle pressed_;
    ObjectHandle neighbour_;
    int knob_;
    CRect limit_;
    CRect dragRect_;
    uint8_t nameSegment_ = 0;
    // The links, tags, floaters and place groups as they stood at the press.
    FollowerShapes followers_;
    // The reshape's journal change, begun with the drag and ended by End or
    // Cancel (or the drag's end of life), so that none is left open.
    std::unique_ptr<JournalChange> change_;
    bool begun_ = false;
    bool changed_ = false;
    bool reconnectFailed_ = false;
};

} // namespace

std::unique_ptr<EditOperation> MakeDragKnob(OperationContext& context, Drawable* pressed,
                                            int knob) {
    if (pressed == nullptr || pressed->kindCode == TkIcon)
        return nullptr;
    return std::make_unique<DragKnob>(context, pressed, knob);
}

bool CheckLinkShape(OperationContext& context, Link& link, bool reconnectFailed) {
    bool rejected = reconnectFailed;
    const std::vector<CPoint>& v = link.Vertices();
    if (!rejected && !v.empty()) {
        CRect path;
        BoundsOfPoints(int(v.size()), v.data(), path);
        for (const Drawable* end : {static_cast<const Drawable*>(link.GetSource()),
                                    static_cast<const Drawable*>(link.GetTarget())}) {
            if (end == nullptr)
                continue;
            CRect inside;
            inside.IntersectRect(path, end->bounds);
            if (path.Width() - inside.Width() < kCollapsedLinkMargin &&
                path.Height() - inside.Height() < kCollapsedLinkMargin)
                rejected = true;
        }
    }
    if (!rejected)
        return false;
    MessageBeep();
    context.document->GetJournal().Replay(1, false);
    return true;
}

} // namespace qm
