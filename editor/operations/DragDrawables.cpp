// Moving the selection with the mouse and the rubber band. The move keeps
// the selection inside its limit rectangle (the page, or the group that
// holds it), highlights the place group under the mouse as drop target and,
// at the release, carries the selection and the links that follow it from
// the group it left into the group it entered, as one "Drag Drawables".
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/PlaceGroup.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/ZoomScaling.h"
#include "editor/operations/DragOperations.h"
#include "editor/operations/OperationSupport.h"
#include "platform/Prompt.h"

#include <vector>

namespace qm {

namespace {

// The place flag of a group that neither gives nor takes members by dragging.
constexpr uint32_t kKeepsMembers = 0x20;

// A rectangle the model answered scaled by the zoom, back in model units.
CRect Unzoomed(const CRect& rect, double zoom) {
    if (rect.IsRectEmpty() || zoom <= 0)
        return rect;
    CRect out;
    ScaleByZoom(rect, out, 1.0 / zoom);
    out.InflateRect(1, 1);
    return out;
}

// What a group that took the selection pulls inside its bounds: the
// selection's extent, but a tag by its own box. A tag's extent runs along its
// leader out to what it notes, which stays outside; pulling that inside a
// narrow lane pushed the tag far past the lane, off the page.
CRect PulledBounds(const Model& model) {
    CRect rect;
    for (const Drawable* drawable : model.Selection()) {
        if (drawable->IsTag()) {
            rect.UnionRect(rect, drawable->bounds);
            continue;
        }
        CRect extent = drawable->repaintRect;
        extent.DeflateRect(kRepaintMargin, kRepaintMargin);
        rect.UnionRect(rect, extent);
    }
    return rect;
}

bool EndSelected(const Drawable* end) {
    return end != nullptr && end->IsSelected(true);
}

class DragDrawables : public OperationBase {
  public:
    DragDrawables(OperationContext& context, Drawable* pressed)
        : OperationBase(DM_DRAG_DRAWABLES), pressed_(HandleOf(context, pressed)) {}

    void Begin(OperationContext& context, const PointerEvent& event) override {
        Model& model = *context.model;
        const Drawable* pressed = pressed_.As<Drawable>();
        messageDrag_ = pressed != nullptr && pressed->kindCode == TkMessage;
        limit_.SetRectEmpty();
        model.SetSelectionDragFlag(messageDrag_);
        CRect bounds;
        model.GetSelectionBounds(bounds);
        BeginRepaint(bounds);
        total_ = CPoint();
        followers_ = UndoJournal::CaptureFollowers(model);
        source_ = {};
        press_ = last_ = event.point;
        begun_ = true;
    }

    void Track(OperationContext& context, const PointerEvent& event) override {
        if (!begun_ || refused_)
            return;
        Model& model = *context.model;
        context.Callbacks().AutoScroll(event.point);
        CRect allowed;
        std::string message;
        const bool canDrag = model.CanDrag(allowed, message);
        if (canDrag && !messageDrag_)
            UpdateDropTarget(context, 1, event.point);
        if (limit_.IsRectEmpty()) {
            if (!canDrag) {
                Refuse(context, message);
                return;
            }
            limit_ = allowed;
            source_ = highlighted_;
            if (PlaceGroup* source = source_.As<PlaceGroup>())
                source->GetContentRect(sourceArea_, 0);
        }
        model.GetSelectionBounds(dragRect_);
        dragRect_.OffsetRect(event.point - last_);
        last_ = ApplyDragOffset(context, event.point);
    }

    bool End(OperationContext& context, const PointerEvent& event, bool) override {
        SetMode(DM_NONE);
        if (!begun_ || refused_)
            return false;
        Model& model = *context.model;
        EndRepaint(context, CRect());
        PlaceGroup* target = highlighted_.As<PlaceGroup>();
        if (!messageDrag_)
            UpdateDropTarget(context, 2, event.point);
        model.SetSelectionDragFlag(false);
        if (event.point == press_)
            return false;
        PlaceGroup* source = source_.As<PlaceGroup>();
        UndoJournal& journal = JournalOf(context);
        JournalChange change(journal, ChangeKind::MoveDrawables);
        journal.SetFollowersBefore(std::move(followers_));
        journal.SetSwimlanes(source, source != nullptr ? source->bounds : CRect(), target,
                             target != nullptr ? target->bounds : CRect());
        if (!messageDrag_)
            TransferBetweenGroups(context, source, target, event.point);
        for (Drawable* drawable : SelectionInFirstList(model))
            journal.AddChangedObject(drawable, nullptr);
        journal.SetOffset(total_);
        change.Record("Drag Drawables", &model, nullptr);
        return false;
    }

    void Cancel(OperationContext& context) override {
        // Back to where the drag began: nothing moved is left moved.
        if (begun_ && !refused_ && total_ != CPoint()) {
            const CRect area = context.model->MoveDrawables(FirstContainer(context), -total_.x,
                                                            -total_.y, messageDrag_);
            UndoJournal::RestoreFollowers(*context.model, followers_);
            Repaint(context, Unzoomed(area, context.zoom));
        }
        ClearHighlight(context);
        if (begun_)
            context.model->SetSelectionDragFlag(false);
        refused_ = true;
        SetMode(DM_NONE);
    }

    void DrawFeedback(DeviceContext& dc, const OperationContext& context) const override {
        if (PlaceGroup* group = highlighted_.As<PlaceGroup>())
            group->DrawDropHighlight(dc, context.zoom);
    }
    CRect FeedbackBounds() const override {
        PlaceGroup* group = highlighted_.As<PlaceGroup>();
        return group != nullptr ? group->repaintRect : CRect();
    }
    ObjectHandle HighlightedGroup() const override { return highlighted_; }

  private:
    static Drawable* FirstContainer(OperationContext& context) {
        const auto& selection = context.model->Selection();
        return selection.empty() ? nullptr : selection.front()->Parent();
    }

    void Refuse(OperationContext& context, const std::string& message) {
        ClearHighlight(context);
        context.model->DeselectAll(nullptr, false);
        context.model->SetSelectionDragFlag(false);
        context.Callbacks().SelectionChanged();
        if (!message.empty())
            MessageBox(message, PromptIcon::Exclamation);
        refused_ = true;
        SetMode(DM_NONE);
        accumulating_ = false;
    }

    CPoint ApplyDragOffset(OperationContext& context, CPoint point) {
        CRect moved;
        const CSize offset = MoveRectInside(limit_, dragRect_, moved);
        dragRect_ = moved;
        point += offset;
        if (!dragRect_.IsRectEmpty() && !limit_.IsRectEmpty() && point != last_) {
            const CSize d = point - last_;
            const CRect area =
                context.model->MoveDrawables(FirstContainer(context), d.cx, d.cy, messageDrag_);
            total_ += d;
            Repaint(context, Unzoomed(area, context.zoom));
        }
        return point;
    }

    void ClearHighlight(OperationContext& context) {
        if (PlaceGroup* group = highlighted_.As<PlaceGroup>()) {
            group->dropState = 0;
            Repaint(context, group->repaintRect);
        }
        highlighted_ = {};
    }

    void UpdateDropTarget(OperationContext& context, int phase, CPoint point) {
        Drawable* found = context.model->FindGroupAt(point.x, point.y, pressed_.As<Drawable>());
        PlaceGroup* group = AsPlaceGroup(found);
        if (group != nullptr && group->IsSelected())
            return;
        if (group == highlighted_.As<PlaceGroup>() && phase != 2)
            return;
        ClearHighlight(context);
        if (group != nullptr && phase != 2) {
            group->dropState = (group->placeFlags & kKeepsMembers) != 0 ? 2 : 1;
            highlighted_ = HandleOf(context, group);
            Repaint(context, group->repaintRect);
        }
    }

    // Which of the two groups (exactly one given) a link follows into or
    // out of: both ends selected, or one selected and the other held by it.
    static PlaceGroup* LinkGroupFor(PlaceGroup* group, Link& link) {
        NodeDrawable* source = nullptr;
        NodeDrawable* target = nullptr;
        if (group == nullptr || !link.GetLinkEnds(source, target))
            return nullptr;
        const bool a = EndSelected(source);
        const bool b = EndSelected(target);
        if (a && b)
            return group;
        if (a == b)
            return nullptr;
        Drawable* other = a ? static_cast<Drawable*>(target) : static_cast<Drawable*>(source);
        if (other == nullptr)
            return nullptr;
        if (group->ContainsMember(other, true, false, nullptr))
            return group;
        if (other->IsJunction() && dynamic_cast<NodeDrawable*>(other)->GetPlace() == group)
            return group;
        return nullptr;
    }

    void TransferBetweenGroups(OperationContext& context, PlaceGroup* source, PlaceGroup* target,
                               CPoint point) {
        Model& model = *context.model;
        Drawable* pressed = pressed_.As<Drawable>();
        if (source != nullptr &&
            (pressed == nullptr || pressed->Parent() != &source->MemberGroup()))
            return;
        CRect dirty;
        CRect targetArea;
        if (source != nullptr)
            source->SaveBounds();
        if (target != nullptr) {
            target->SaveBounds();
            target->GetContentRect(targetArea, 0);
        }
        bool refit = false;
        if (source != nullptr && source == target) {
            source->FitTo(sourceArea_, dirty);
            limit_ = source->bounds;
            refit = true;
        } else {
            if (source != nullptr)
                dirty.UnionRect(dirty, source->repaintRect);
            if (target != nullptr)
                dirty.UnionRect(dirty, target->repaintRect);
            std::vector<Drawable*> candidates;
            for (Drawable* drawable : model.Selection()) {
                if (!drawable->IsLink())
                    candidates.push_back(drawable);
            }
            DrawableRefList links;
            model.CollectLinks(links);
            candidates.insert(candidates.end(), links.begin(), links.end());
            auto follows = [&](Drawable* drawable, PlaceGroup* group) {
                if (!drawable->IsLink())
                    return drawable->IsSelected();
                return LinkGroupFor(group, *static_cast<Link*>(drawable)) == group;
            };
            if (source != nullptr) {
                if ((source->placeFlags & kKeepsMembers) != 0)
                    return;
                for (Drawable* drawable : candidates) {
                    if (drawable->Parent() == &source->MemberGroup() && follows(drawable, source))
                        source->ReleaseMember(&model, drawable, sourceArea_, dirty);
                }
            }
            if (target != nullptr) {
                if ((target->placeFlags & kKeepsMembers) != 0)
                    return;
                for (Drawable* drawable : candidates) {
                    if (drawable->Parent() == nullptr && drawable != target &&
                        follows(drawable, target))
                        target->AddMember(&model, drawable, targetArea, dirty);
                }
                limit_ = target->bounds;
                refit = true;
            }
        }
        model.UpdateLinkGeometry(nullptr, dirty, false);
        Repaint(context, dirty);
        if (refit) {
            dragRect_ = PulledBounds(model);
            last_ = ApplyDragOffset(context, point);
        }
    }

    ObjectHandle pressed_;
    ObjectHandle highlighted_;
    ObjectHandle source_;
    CRect limit_;
    CRect dragRect_;
    CRect sourceArea_;
    CPoint total_;
    // The links, tags and floaters as they stood at the press.
    FollowerShapes followers_;
    bool messageDrag_ = false;
    bool begun_ = false;
    bool refused_ = false;
};

class RubberBand : public OperationBase {
  public:
    RubberBand() : OperationBase(DM_RUBBER_BAND) {}

    void Begin(OperationContext&, const PointerEvent& event) override {
        press_ = last_ = event.point;
        BeginRepaint(CRect());
        begun_ = true;
    }
    void Track(OperationContext& context, const PointerEvent& event) override {
        const CRect before = Band();
        last_ = event.point;
        CRect area;
        area.UnionRect(before, Band());
        area.InflateRect(1, 1);
        Repaint(context, area);
    }
    bool End(OperationContext& context, const PointerEvent&, bool) override {
        SetMode(DM_NONE);
        Model& model = *context.model;
        EndRepaint(context, CRect());
        if (!context.Shift())
            model.DeselectAll(nullptr, false);
        if (begun_ && last_ != press_) {
            const CRect band = Band();
            model.SelectMany(nullptr, false, false, &band, context.Shift());
        }
        context.Callbacks().SelectionChanged();
        Repaint(context, Band());
        return false;
    }
    void Cancel(OperationContext& context) override {
        Repaint(context, Band());
        SetMode(DM_NONE);
    }
    void DrawFeedback(DeviceContext& dc, const OperationContext& context) const override {
        if (begun_)
            DrawXorRect(dc, Band(), context.zoom);
    }
    CRect FeedbackBounds() const override { return begun_ ? Band() : CRect(); }

  private:
    CRect Band() const {
        CRect band;
        RectFromCorners(press_.x, press_.y, last_.x, last_.y, band);
        return band;
    }
    bool begun_ = false;
};

} // namespace

std::unique_ptr<EditOperation> MakeDragDrawablesFor(OperationContext& context, Drawable* pressed) {
    return std::make_unique<DragDrawables>(context, pressed);
}

std::unique_ptr<EditOperation> MakeRubberBand() {
    return std::make_unique<RubberBand>();
}

} // namespace qm
