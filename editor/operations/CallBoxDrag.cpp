// Call-box drags on the life line of a scenario place: stretching a box at
// its top or bottom ("Resize Call-box"; 12 clear of the head and the life
// line's end, 2 clear of its neighbours, at least 20 high), moving it with
// the messages that start or end on it, merging it into a neighbour it is
// dropped onto ("Drag Call-box"), or deleting it with those messages when it
// is dropped off the life line ("Delete Call-box").
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/CustomModel.h"
#include "drawables/Model.h"
#include "drawables/ScenarioPlace.h"
#include "drawables/ShapeGeometry.h"
#include "editor/operations/CursorIds.h"
#include "editor/operations/DragOperations.h"
#include "editor/operations/OperationSupport.h"

#include <cstdlib>
#include <vector>

namespace qm {

namespace {

constexpr int kCursorResize = CurCallBoxEdge;
constexpr int kCursorMove = CurCallBox;
constexpr int kCursorDelete = CurWillDelete;

class DragCallBox : public OperationBase {
  public:
    DragCallBox(OperationContext& context, Drawable* place, int part)
        : OperationBase(DM_DRAG_CALL_BOX), place_(HandleOf(context, place)), part_(part) {}

    void Begin(OperationContext& context, const PointerEvent& event) override {
        auto* place = place_.As<ScenarioPlace>();
        if (place == nullptr || context.model->kind != MkSequence)
            return;
        before_ = place->callBoxes.boxes;
        if (context.model->Selection().size() > 1)
            SelectAlone(context, place);
        index_ = place->CallBoxAt(event.rawPoint, 0);
        place->callBoxes.currentIndex = index_;
        if (index_ < 0)
            return;
        start_ = place->GetCallBox(index_);
        total_ = CPoint();
        // The box is found under the mouse itself, but it follows the snapped
        // points from the snapped press on, so that the first move does not
        // jump by the distance to the grid.
        press_ = event.rawPoint;
        last_ = event.point;
        BeginRepaint(place->repaintRect);
        begun_ = true;
    }

    void Track(OperationContext& context, const PointerEvent& event) override {
        auto* place = place_.As<ScenarioPlace>();
        if (!begun_ || place == nullptr)
            return;
        context.Callbacks().AutoScroll(event.point);
        CRect dirty;
        if ((part_ & HpCallBox) == 0) {
            context.Callbacks().SetCursor(kCursorResize);
            Resize(*place, event.point, dirty);
        } else {
            const CRect page = context.model->pageMatrix;
            const CRect limit(page.left, place->bounds.bottom + kCallBoxGap, page.right,
                              place->lifeLinePoint.y - kCallBoxGap);
            CRect box = place->GetCurrentCallBox();
            box.OffsetRect(event.point - last_);
            CRect moved;
            const CSize offset = MoveRectInside(limit, box, moved);
            CPoint point = event.point + offset;
            if (!moved.IsRectEmpty() && point != last_) {
                const CSize d = point - last_;
                place->MoveCurrentCallBox(d.cx, d.cy, dirty);
                total_ += d;
                last_ = point;
                context.model->NoteChanged();
            }
            context.Callbacks().SetCursor(OnLifeline(*place, event.point) ? kCursorMove
                                                                          : kCursorDelete);
        }
        dirty.UnionRect(dirty, place->repaintRect);
        Repaint(context, dirty);
    }

    bool End(OperationContext& context, const PointerEvent& event, bool) override {
        SetMode(DM_NONE);
        auto* place = place_.As<ScenarioPlace>();
        if (!begun_ || place == nullptr)
            return false;
        begun_ = false;
        EndRepaint(context, place->repaintRect);
        if (event.rawPoint == press_ && total_ == CPoint() && !resized_)
            return false;
        auto* sequence = dynamic_cast<SequenceModel*>(context.model);
        if (sequence == nullptr)
            return false;
        UndoJournal& journal = JournalOf(context);
        CRect dirty = place->repaintRect;
        if ((part_ & HpCallBox) == 0) {
            JournalChange change(journal, ChangeKind::ResizeCallBox);
            journal.SetOffset(total_);
            journal.SaveDragContext(before_, place->callBoxes.boxes, place->lifeLinePoint);
            change.Record("Resize Call-box", sequence, place);
            Repaint(context, dirty);
            return false;
        }
        const CRect dropped = place->GetCurrentCallBox();
        const int dy = dropped.top - start_.top;
        DrawableRefList messages;
        sequence->CollectCallBoxMessages(*place, start_, messages);
        if (!OnLifeline(*place, event.point)) {
            JournalChange change(journal, ChangeKind::DeleteCallBox);
            journal.SetOffset(total_);
            // The box leaves from where the drag found it, so that undo
            // brings it back there.
            place->callBoxes.boxes[size_t(index_)] = start_;
            place->RemoveCallBox(index_);
            DrawableList taken = sequence->TakeWithAttachments(context.document, messages, &dirty);
            for (auto& drawable : taken) {
                journal.AddChangedObject(drawable.get(), nullptr);
                journal.HoldRemovedObject(std::move(drawable));
            }
            journal.SaveDragContext(before_, place->callBoxes.boxes, place->lifeLinePoint);
            change.Record("Delete Call-box", sequence, place);
        } else {
            JournalChange change(journal, ChangeKind::DragCallBox);
            journal.SetOffset(total_);
            if (!place->MergeCallBox(dropped, index_)) {
                CRect kept = start_;
                kept.OffsetRect(0, dy);
                place->callBoxes.boxes[size_t(index_)] = kept;
            }
            sequence->MoveMessages(messages, dy, nullptr);
            for (Drawable* drawable : messages)
                journal.AddChangedObject(drawable, nullptr);
            journal.SaveDragContext(before_, place->callBoxes.boxes, place->lifeLinePoint);
            change.Record("Drag Call-box", sequence, place);
        }
        place->UpdateRepaintRect();
        context.model->NoteChanged();
        dirty.UnionRect(dirty, place->repaintRect);
        Repaint(context, dirty);
        return false;
    }

    void Cancel(OperationContext& context) override {
        if (auto* place = place_.As<ScenarioPlace>(); begun_ && place != nullptr) {
            place->callBoxes.boxes = before_;
            place->UpdateRepaintRect();
            context.model->NoteChanged();
            Repaint(context, place->repaintRect);
        }
        begun_ = false;
        SetMode(DM_NONE);
    }

  private:
    // The strip 8 either side of the life line, from the head to its end.
    static bool OnLifeline(const ScenarioPlace& place, CPoint point) {
        return std::abs(point.x - place.lifeLinePoint.x) <= kLifelineStrip &&
               point.y >= place.bounds.bottom && point.y <= place.lifeLinePoint.y;
    }

    void Resize(ScenarioPlace& place, CPoint point, CRect& dirty) {
        const int count = int(place.callBoxes.boxes.size());
        CRect& box = place.callBoxes.boxes[size_t(index_)];
        CRect limit(box.left, 0, box.right, 0);
        limit.top = index_ == 0 ? place.bounds.bottom + kCallBoxGap
                                : place.GetCallBox(index_ - 1).bottom + kCallBoxSpacing;
        limit.bottom = index_ == count - 1 ? place.lifeLinePoint.y - kCallBoxGap
                                           : place.GetCallBox(index_ + 1).top - kCallBoxSpacing;
        int corner;
        CRect keep = box;
        if ((part_ & HpCallBoxTop) != 0) {
            corner = point.x > box.left ? 1 : 0;
            keep.top = box.bottom - kCallBoxMinHeight;
        } else {
            corner = point.x <= box.left ? 3 : 2;
            keep.bottom = box.top + kCallBoxMinHeight;
        }
        const CRect old = box;
        CRect rect = box;
        CSize applied;
        DragRectCorner(applied, rect, corner, limit, 0, point.y - last_.y, nullptr, keep, false);
        if (rect.Height() < kCallBoxMinHeight)
            return;
        box = rect;
        last_ += CSize(0, applied.cy);
        resized_ = resized_ || !(old == box);
        dirty.UnionRect(old, box);
        place.UpdateRepaintRect();
    }

    ObjectHandle place_;
    int part_;
    int index_ = -1;
    std::vector<CRect> before_;
    CRect start_;
    CPoint total_;
    bool begun_ = false;
    bool resized_ = false;
};

} // namespace

std::unique_ptr<EditOperation> MakeDragCallBox(OperationContext& context, Drawable* pressed,
                                               int part) {
    if (dynamic_cast<ScenarioPlace*>(pressed) == nullptr)
        return nullptr;
    return std::make_unique<DragCallBox>(context, pressed, part);
}

} // namespace qm
