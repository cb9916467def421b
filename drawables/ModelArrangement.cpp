// The model's arrangement operations: drawing order, flips and rotations of
// primitives, Reposition (align, same size, space evenly), Auto Size, moves
// and drags, bounds and label changes, the link style of the whole model,
// and the upkeep that brings links, tags and message floaters back into
// shape after places moved.
#include "drawables/DiagramView.h"
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/ModelEditing.h"
#include "drawables/Place.h"
#include "drawables/ScenarioPlace.h"
#include "drawables/Tag.h"
#include "drawables/ZoomScaling.h"
#include "model/ChangeJournal.h"
#include "platform/Prompt.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <vector>

namespace qm {

namespace {

// The old (which 1) or new (which 2) position of an order change.
int32_t& Position(Drawable* drawable, int which) {
    return which == 1 ? drawable->positionBefore : drawable->positionAfter;
}

bool IsLineKind(int code) {
    return code == TkLine || code == TkPolyline || code == TkPolygon;
}

// Both end places of a link selected (a place inside a selected group counts).
bool BothEndsSelected(const Link& link) {
    const Drawable* source = link.GetSourcePlace();
    const Drawable* target = link.GetTargetPlace();
    return source != nullptr && target != nullptr && source->IsSelected(true) &&
           target->IsSelected(true);
}

// A tag placed again beside what it is attached to.
void ReanchorTag(Tag* tag, CRect& repaint) {
    repaint.UnionRect(repaint, tag->repaintRect);
    if (auto* floater = dynamic_cast<Floater*>(tag))
        floater->Reanchor();
    else
        tag->ComputeAnchor();
    tag->UpdateRepaintRect();
    repaint.UnionRect(repaint, tag->repaintRect);
}

// A link whose end places moved takes its new ends (and stays stepped).
void RerouteLink(Link* link, CRect& repaint) {
    repaint.UnionRect(repaint, link->repaintRect);
    link->Reroute(0x3, false);
    if ((link->options & LoStepped) != 0) {
        link->MakeStepped();
        link->KeepStepped(repaint, nullptr);
    }
    link->UpdateRepaintRect();
    repaint.UnionRect(repaint, link->repaintRect);
}

// A message floater follows the segment it sits on: along with it when both
// its ends moved alike, else placed on it again.
void FollowSegment(Floater* floater, CRect& repaint) {
    Link* link = floater->GetLink();
    if (link == nullptr || floater->segment < 0 || floater->segment + 1 >= link->VertexCount())
        return;
    const CPoint p = link->Vertices()[size_t(floater->segment)];
    const CPoint q = link->Vertices()[size_t(floater->segment) + 1];
    const CSize dp(p.x - floater->segmentStart.x, p.y - floater->segmentStart.y);
    const CSize dq(q.x - floater->segmentEnd.x, q.y - floater->segmentEnd.y);
    if (dp.cx == 0 && dp.cy == 0 && dq.cx == 0 && dq.cy == 0)
        return;
    if (dp == dq)
        floater->MoveBy(dp.cx, dp.cy, repaint);
    else
        floater->Reanchor();
    floater->RememberSegment();
    repaint.UnionRect(repaint, floater->repaintRect);
}

// Whether list walks go into the members of d: place groups hold places and
// links of their own.
bool WalksInto(const Drawable* d, int depth) {
    return d->IsGroup() && d->IsPlace() && depth < 1000;
}

void UpdateLinksIn(DrawableList& list, CRect& repaint, bool oneEndOnly, int depth) {
    for (const auto& drawable : list) {
        Drawable* d = drawable.get();
        if (auto* tag = d->IsTag() ? dynamic_cast<Tag*>(d) : nullptr) {
            const Drawable* on = tag->Attached();
            if (tag->IsMarked() || (on != nullptr && on->IsMarked()))
                ReanchorTag(tag, repaint);
            continue;
        }
        if (Link* link = AsLink(d)) {
            const Drawable* source = link->GetSourcePlace();
            const Drawable* target = link->GetTargetPlace();
            const int marked = (source != nullptr && source->IsMarked() ? 1 : 0) +
                               (target != nullptr && target->IsMarked() ? 1 : 0);
            if (oneEndOnly ? marked != 1 : marked == 0)
                continue;
            RerouteLink(link, repaint);
            continue;
        }
        if (WalksInto(d, depth)) {
            if (DrawableList* members = d->GetMemberList())
                UpdateLinksIn(*members, repaint, oneEndOnly, depth + 1);
        }
    }
    for (const auto& drawable : list) {
        if (auto* floater =
                drawable->IsFloater() ? dynamic_cast<Floater*>(drawable.get()) : nullptr)
            FollowSegment(floater, repaint);
    }
}

// What UpdateLinksIn would reach from one moved drawable, in the order it
// reaches them: the links ending at it (by their end places) and the tags
// attached to it; and the message floaters of each link.
struct LinkUpkeep {
    std::unordered_map<const Drawable*, std::vector<Drawable*>> atDrawable;
    std::unordered_map<const Link*, std::vector<Floater*>> floatersOf;

    void Collect(DrawableList& list, int depth) {
        for (const auto& drawable : list) {
            Drawable* d = drawable.get();
            if (auto* tag = d->IsTag() ? dynamic_cast<Tag*>(d) : nullptr) {
                if (tag->Attached() != nullptr)
                    atDrawable[tag->Attached()].push_back(tag);
                continue;
            }
            if (Link* link = AsLink(d)) {
                const Drawable* source = link->GetSourcePlace();
                const Drawable* target = link->GetTargetPlace();
                if (source != nullptr)
                    atDrawable[source].push_back(link);
                if (target != nullptr && target != source)
                    atDrawable[target].push_back(link);
                continue;
            }
            if (WalksInto(d, depth)) {
                if (DrawableList* members = d->GetMemberList())
                    Collect(*members, depth + 1);
            }
        }
        for (const auto& drawable : list) {
            auto* floater =
                drawable->IsFloater() ? dynamic_cast<Floater*>(drawable.get()) : nullptr;
            if (floater != nullptr && floater->GetLink() != nullptr)
                floatersOf[floater->GetLink()].push_back(floater);
        }
    }
};

} // namespace

// ======================= drawing order =======================

void Model::NumberByPosition(DrawableList& list, int which) {
    int32_t position = 0;
    for (const auto& drawable : list)
        Position(drawable.get(), which) = position++;
}

void Model::SortByPosition(DrawableRefList& list, int which) {
    // Stable: equal positions keep their order.
    std::vector<Drawable*> sorted(list.begin(), list.end());
    std::stable_sort(sorted.begin(), sorted.end(), [which](Drawable* a, Drawable* b) {
        return Position(a, which) < Position(b, which);
    });
    list.assign(sorted.begin(), sorted.end());
}

void Model::ChangeOrder(ModelDocument* document, CRect& repaint, ChangeKind kind,
                        const char* changeName) {
    NoteChanged();
    if (selection_.empty())
        return;
    Drawable* parent = selection_.front()->Parent();
    for (const Drawable* drawable : selection_) {
        if (drawable->Parent() != parent) {
            MessageBeep();
            return;
        }
    }
    DrawableList* owning = selection_.front()->GetOwningList(&drawables_);
    if (owning == nullptr)
        return;
    NumberByPosition(*owning, 1);
    repaint.SetRectEmpty();
    for (Drawable* drawable : selection_) {
        std::unique_ptr<Drawable> taken = TakeFrom(*owning, drawable);
        if (taken == nullptr)
            continue;
        if (kind == ChangeKind::BringToFront)
            owning->push_back(std::move(taken));
        else
            owning->push_front(std::move(taken));
        repaint.UnionRect(repaint, drawable->repaintRect);
    }
    repaint = ScaledRepaint(repaint, zoom);
    NumberByPosition(*owning, 2);
    JournalChange change(document, kind);
    for (Drawable* drawable : selection_)
        Journal().AddChangedObject(document, drawable, nullptr);
    change.Record(changeName, this, nullptr);
}

void Model::RestoreOrder(DrawableRefList& list, int which) {
    NoteChanged();
    SortByPosition(list, which);
    std::vector<std::pair<DrawableList*, std::unique_ptr<Drawable>>> taken;
    for (Drawable* drawable : list) {
        DrawableList* owning = drawable->GetOwningList(&drawables_);
        if (owning == nullptr)
            continue;
        if (std::unique_ptr<Drawable> out = TakeFrom(*owning, drawable))
            taken.emplace_back(owning, std::move(out));
    }
    for (auto& [owning, drawable] : taken) {
        const int32_t position = Position(drawable.get(), which);
        auto at = owning->begin();
        // After the element at position - 1: before the one now at position.
        for (int32_t i = 0; i < position && at != owning->end(); ++i)
            ++at;
        owning->insert(at, std::move(drawable));
    }
}

// ======================= flips, rotations, Reposition, Auto Size =======================

void Model::FlipOrRotate(ModelDocument* document, CRect& repaint, int operation, ChangeKind kind,
                         const char* changeName) {
    NoteChanged();
    repaint.SetRectEmpty();
    JournalChange change(document, kind);
    Journal().SetOperation(document, operation);
    bool changed = false;
    for (Drawable* drawable : selection_) {
        if (!drawable->IsPrimitive())
            continue;
        CRect area;
        const CRect about = drawable->bounds;
        if (drawable->FlipOrRotate(operation, about, area) != 0) {
            Journal().AddChangedObject(document, drawable, nullptr);
            changed = true;
        }
        repaint.UnionRect(repaint, area);
    }
    repaint = ScaledRepaint(repaint, zoom);
    // Nothing turned: the scope drops the change unrecorded.
    if (!changed) {
        MessageBeep();
        return;
    }
    change.Record(changeName, this, nullptr);
}

void Model::Reposition(ModelDocument* document, int mode, CRect& repaint) {
    NoteChanged();
    if (mode == 0)
        return;
    NumberByPosition(drawables_, 1);
    JournalChange change(document, ChangeKind::AutoSize);
    repaint.SetRectEmpty();
    CRect all;
    all.SetRectEmpty();
    int64_t width = 0, height = 0, left = 0, right = 0, top = 0, bottom = 0, centreX = 0,
            centreY = 0;
    std::vector<Drawable*> parts;
    for (Drawable* drawable : selection_) {
        drawable->SaveBounds();
        if (drawable->IsLink() || drawable->IsFloater())
            continue;
        Journal().AddChangedObject(document, drawable, nullptr);
        if (IsLineKind(drawable->kindCode)) {
            std::vector<CPoint> points;
            drawable->GetVertices(points);
            Journal().AddPoints(document, points);
        }
        const CRect& b = drawable->bounds;
        width += b.Width();
        height += b.Height();
        left += b.left;
        right += b.right;
        top += b.top;
        bottom += b.bottom;
        centreX += (int64_t{b.left} + b.right) / 2;
        centreY += (int64_t{b.top} + b.bottom) / 2;
        all.UnionRect(all, b);
        parts.push_back(drawable);
    }
    const int64_t n = int64_t(parts.size());
    if (n < 2)
        return;
    // Spacing works on the sums and the union as they were before any
    // drawable was resized or aligned.
    const int64_t sumWidth = width, sumHeight = height;
    width /= n;
    height /= n;
    left /= n;
    right /= n;
    top /= n;
    bottom /= n;
    centreX /= n;
    centreY /= n;
    MarkAll(0);

    for (Drawable* drawable : parts) {
        if ((mode & (RmSameWidth | RmSameHeight)) != 0) {
            CRect r = drawable->bounds;
            if ((mode & RmSameWidth) != 0)
                r.InflateRect(int32_t((width - r.Width()) / 2), 0);
            if ((mode & RmSameHeight) != 0)
                r.InflateRect(0, int32_t((height - r.Height()) / 2));
            drawable->Mark(1, 3, 0);
            if (drawable->IsPlace() && drawable->IsGroup()) {
                SetDrawableBounds(drawable, r, repaint);
                CRect links;
                UpdateLinkGeometry(drawable->Parent(), links, false);
                repaint.UnionRect(repaint, links);
            } else {
                repaint.UnionRect(repaint, drawable->repaintRect);
                drawable->SetBounds(r);
                repaint.UnionRect(repaint, drawable->repaintRect);
            }
        }
        const CRect& r = drawable->bounds;
        int64_t dx = 0, dy = 0;
        if ((mode & RmAlignLeft) != 0)
            dx = left - r.left;
        else if ((mode & RmAlignRight) != 0)
            dx = right - r.right;
        else if ((mode & RmAlignCentre) != 0)
            dx = centreX - (int64_t{r.left} + r.right) / 2;
        if ((mode & RmAlignTop) != 0)
            dy = top - r.top;
        else if ((mode & RmAlignBottom) != 0)
            dy = bottom - r.bottom;
        else if ((mode & RmAlignMiddle) != 0)
            dy = centreY - (int64_t{r.top} + r.bottom) / 2;
        if (dx != 0 || dy != 0) {
            drawable->MoveBy(ClampCoordinate(dx), ClampCoordinate(dy), repaint);
            drawable->Mark(1, 1, 0);
        }
    }

    // Space evenly: the outer two stay; the others follow each other at
    // equal gaps, in the order of their centres.
    auto space = [&](bool across) {
        std::vector<Drawable*> order = parts;
        std::stable_sort(order.begin(), order.end(), [across](Drawable* a, Drawable* b) {
            const CPoint ca = a->bounds.CenterPoint(), cb = b->bounds.CenterPoint();
            return across ? ca.x < cb.x : ca.y < cb.y;
        });
        const int64_t gap = across ? (int64_t{all.Width()} - sumWidth) / (n - 1)
                                   : (int64_t{all.Height()} - sumHeight) / (n - 1);
        for (size_t i = 1; i + 1 < order.size(); ++i) {
            const CRect& previous = order[i - 1]->bounds;
            const CRect& own = order[i]->bounds;
            const int64_t delta = across ? int64_t{previous.right} + gap - own.left
                                         : int64_t{previous.bottom} + gap - own.top;
            if (delta == 0)
                continue;
            order[i]->MoveBy(across ? ClampCoordinate(delta) : 0,
                             across ? 0 : ClampCoordinate(delta), repaint);
            order[i]->Mark(1, 1, 0);
        }
    };
    if ((mode & RmSpaceAcross) != 0)
        space(true);
    if ((mode & RmSpaceDown) != 0)
        space(false);

    UpdateLinkGeometry(nullptr, repaint, false);
    repaint = ScaledRepaint(repaint, zoom);
    change.Record("Reposition", this, nullptr);
}

void Model::AutoSize(ModelDocument* document, CRect& repaint) {
    NoteChanged();
    BorrowedDC borrowed(document);
    JournalChange change(document, ChangeKind::AutoSize);
    repaint.SetRectEmpty();
    for (Drawable* drawable : selection_) {
        drawable->SaveBounds();
        auto* place = drawable->IsPlace() ? dynamic_cast<Place*>(drawable) : nullptr;
        if (place == nullptr)
            continue;
        Journal().AddChangedObject(document, drawable, nullptr);
        CRect natural;
        place->ComputeAutoSize(&borrowed.dc(), natural);
        CRect area;
        SetDrawableBounds(drawable, natural, area);
        repaint.UnionRect(repaint, area);
    }
    CRect links;
    UpdateLinkGeometry(nullptr, links, false);
    repaint.UnionRect(repaint, ScaledRepaint(links, zoom));
    change.Record("Auto Size", this, nullptr);
}

// ======================= moves and drags =======================

CRect Model::MoveDrawables(Drawable* container, int dx, int dy, bool floatersOnly) {
    NoteChanged();
    DrawableList* members = container != nullptr ? container->GetMemberList() : nullptr;
    DrawableList& list = members != nullptr ? *members : drawables_;
    MarkAll(0);
    CRect repaint;
    repaint.SetRectEmpty();
    for (const auto& drawable : list) {
        Drawable* d = drawable.get();
        if (Link* link = AsLink(d)) {
            if (!floatersOnly && BothEndsSelected(*link))
                d->MoveBy(dx, dy, repaint);
            continue;
        }
        if (d->IsSelected() && d->IsFloater() == floatersOnly) {
            d->MoveBy(dx, dy, repaint);
            d->Mark(1, 3, 0);
        }
    }
    UpdateLinkGeometry(container, repaint, true);
    return ScaledRepaint(repaint, zoom);
}

bool Model::CanDrag(CRect& limit, std::string& message) {
    message.clear();
    Drawable* group = nullptr;
    bool allIn = true;
    for (const Drawable* drawable : selection_) {
        if (drawable->IsSwimlane()) {
            message = "Can't drag swimlane.\nUse left & right arrow keys to swap with adjacent "
                      "lanes.";
            return false;
        }
        if (drawable->IsImmovable())
            return false;
        if (group == nullptr && drawable->Parent() != nullptr)
            group = drawable->Parent();
        if (drawable->Parent() != group)
            allIn = false;
    }
    limit = pageMatrix;
    if (group != nullptr) {
        const Drawable* placeGroup = group->Parent();
        if (placeGroup == nullptr || !placeGroup->IsPlaceGroup() ||
            (placeGroup->GetPlaceFlags() & 0x20) != 0)
            limit = group->bounds;
    }

    if (kind == MkSequence) {
        // The selected places may move up and down only as far as the
        // messages that leave them allow: their vertical band.
        CRect places;
        places.SetRectEmpty();
        for (Drawable* drawable : selection_) {
            if (!drawable->IsPlace() || drawable->IsGroup())
                continue;
            CRect own = drawable->bounds;
            if (const auto* scenario = dynamic_cast<const ScenarioPlace*>(drawable))
                scenario->GetLifeLineBounds(own);
            places.UnionRect(places, own);
        }
        int64_t above = pageMatrix.Height();
        int64_t below = pageMatrix.Height();
        for (const auto& owned : drawables_) {
            Link* link = AsLink(owned.get());
            if (link == nullptr || link->VertexCount() < 1)
                continue;
            auto selectedPlace = [](Drawable* d) {
                return d != nullptr && d->IsPlace() && !d->IsGroup() && d->IsSelected();
            };
            Drawable* source = link->GetSourcePlace();
            Drawable* target = link->GetTargetPlace();
            if (selectedPlace(source) == selectedPlace(target))
                continue;
            Drawable* own = selectedPlace(source) ? source : target;
            const int64_t y = link->Vertices().front().y;
            const int64_t endY = own->IsPlace() ? static_cast<Place*>(own)->lifeLinePoint.y : 0;
            above = std::min(above, y - own->bounds.bottom);
            below = std::min(below, endY - y);
        }
        CRect band = places;
        band.top = ClampCoordinate(int64_t{band.top} - below + 8);
        band.bottom = ClampCoordinate(int64_t{band.bottom} + above - 8);
        band.left = 0;
        band.right = pageMatrix.right;
        CRect cut;
        cut.IntersectRect(limit, band);
        limit = cut;
    }

    if (group == nullptr || allIn)
        return true;
    message = "All selected members must be in the same group!\nCan't Drag";
    return false;
}

// ======================= bounds and labels =======================

bool Model::SetDrawableBounds(Drawable* drawable, const CRect& rect, CRect& repaint) {
    NoteChanged();
    repaint.UnionRect(repaint, drawable->repaintRect);
    drawable->SetBounds(rect, drawable->IsSwimlane() ? 1 : 0);
    repaint.UnionRect(repaint, drawable->repaintRect);
    if ((drawable->style & DsScenarioPlace) == 0) {
        const bool wasMarked = drawable->IsMarked();
        drawable->Mark(1, 1, 0);
        UpdateLinkGeometry(nullptr, repaint, false);
        drawable->Mark(wasMarked ? 1 : 0, 1, 0);
    }
    repaint = ScaledRepaint(repaint, zoom);
    return true;
}

void Model::SetDrawablesBounds(const std::vector<std::pair<Drawable*, CRect>>& sizes,
                               CRect& repaint) {
    NoteChanged();
    // As SetDrawableBounds one drawable after the other, without walking
    // every link each time: the links, tags and floaters a walk would find
    // for one drawable are gathered once, and each step updates only those
    // of the drawable it resized, in the walk's order. What the walk also
    // updates at every step, the links and tags of drawables marked before
    // (they stay where they are), is updated before the first step and after
    // the last.
    const bool anyMoved = std::any_of(sizes.begin(), sizes.end(), [](const auto& size) {
        return (size.first->style & DsScenarioPlace) == 0;
    });
    LinkUpkeep upkeep;
    if (anyMoved) {
        UpdateLinkGeometry(nullptr, repaint, false);
        upkeep.Collect(drawables_, 0);
    }
    std::vector<Link*> rerouted;
    for (const auto& [drawable, rect] : sizes) {
        repaint.UnionRect(repaint, drawable->repaintRect);
        drawable->SetBounds(rect, drawable->IsSwimlane() ? 1 : 0);
        repaint.UnionRect(repaint, drawable->repaintRect);
        if ((drawable->style & DsScenarioPlace) != 0)
            continue;
        const bool wasMarked = drawable->IsMarked();
        drawable->Mark(1, 1, 0);
        rerouted.clear();
        if (auto found = upkeep.atDrawable.find(drawable); found != upkeep.atDrawable.end()) {
            for (Drawable* d : found->second) {
                if (Link* link = AsLink(d)) {
                    RerouteLink(link, repaint);
                    rerouted.push_back(link);
                } else {
                    ReanchorTag(static_cast<Tag*>(d), repaint);
                }
            }
        }
        for (Link* link : rerouted) {
            if (auto floaters = upkeep.floatersOf.find(link); floaters != upkeep.floatersOf.end()) {
                for (Floater* floater : floaters->second)
                    FollowSegment(floater, repaint);
            }
        }
        drawable->Mark(wasMarked ? 1 : 0, 1, 0);
    }
    if (anyMoved)
        UpdateLinkGeometry(nullptr, repaint, false);
    repaint = ScaledRepaint(repaint, zoom);
}

namespace {

// The three reshapes differ in the label operations they call; the base
// drawable has one of each: its label rectangle and the re-layout a place
// or link does after it.
bool Reshape(Model& model, Drawable* drawable, const CRect& label, CRect& repaint, int which) {
    if (drawable == nullptr || drawable->labelRect == label)
        return false;
    repaint = drawable->labelRect;
    if (auto* link = AsLink(drawable)) {
        link->SetLabelRect(label);
        if (which != 0)
            link->LayoutName();
    } else {
        drawable->labelRect = ClampRect(label);
        if (which != 0) {
            if (auto* place = dynamic_cast<Place*>(drawable))
                place->Relayout();
        }
        drawable->UpdateRepaintRect();
        UpdatePivotRepaint(drawable);
    }
    repaint.UnionRect(repaint, label);
    if (which == 2)
        repaint.InflateRect(kRepaintMargin, kRepaintMargin);
    repaint = ScaledRepaint(repaint, model.zoom);
    return true;
}

} // namespace

bool Model::ReshapeDrawable(Drawable* drawable, const CRect& label, CRect& repaint) {
    NoteChanged();
    return Reshape(*this, drawable, label, repaint, 0);
}

bool Model::ReshapeDrawableB(Drawable* drawable, const CRect& label, CRect& repaint) {
    NoteChanged();
    return Reshape(*this, drawable, label, repaint, 1);
}

bool Model::ReshapeDrawableC(Drawable* drawable, const CRect& label, CRect& repaint) {
    NoteChanged();
    return Reshape(*this, drawable, label, repaint, 2);
}

// ======================= link upkeep =======================

void Model::UpdateLinkGeometry(Drawable* container, CRect& repaint, bool oneEndOnly) {
    NoteChanged();
    DrawableList* members = container != nullptr ? container->GetMemberList() : nullptr;
    UpdateLinksIn(members != nullptr ? *members : drawables_, repaint, oneEndOnly, 0);
}

void Model::MoveSelfLinks(Drawable* place, int dx, int dy) {
    NoteChanged();
    if (place == nullptr || (dx == 0 && dy == 0))
        return;
    CRect dirty;
    for (const auto& drawable : drawables_) {
        Link* link = AsLink(drawable.get());
        if (link != nullptr && link->GetSourcePlace() == place && link->GetTargetPlace() == place)
            link->MoveBy(dx, dy, dirty);
    }
}

void Model::RepositionLinkFloaters(int mode, Drawable* link, int index, CRect& repaint) {
    NoteChanged();
    repaint.SetRectEmpty();
    if (link == nullptr)
        return;
    auto replace = [&](DrawableList& list) {
        for (const auto& drawable : list) {
            auto* floater =
                drawable->IsFloater() ? dynamic_cast<Floater*>(drawable.get()) : nullptr;
            if (floater == nullptr || floater->GetLink() != link)
                continue;
            // A vertex removed before the floater's segment.
            if (mode == 2 && floater->segment == index && floater->segment > 0)
                --floater->segment;
            repaint.UnionRect(repaint, floater->repaintRect);
            floater->Reanchor();
            floater->RememberSegment();
            repaint.UnionRect(repaint, floater->repaintRect);
        }
    };
    replace(drawables_);
    if (link->Parent() != nullptr) {
        if (DrawableList* members = link->Parent()->GetMemberList())
            replace(*members);
    }
    repaint = ScaledRepaint(repaint, zoom);
}

// ======================= looks =======================

void Model::ChangeSelectionLooks(const Looks& mask, const Looks& looks, CRect& repaint,
                                 DeviceContext* dc, bool placesAndLinksOnly) {
    NoteChanged();
    for (Drawable* drawable : selection_) {
        if (placesAndLinksOnly && !drawable->IsPlace() && !drawable->IsLink())
            continue;
        Looks& own = drawable->looks;
        drawable->oldLooks = own;
        if (mask.face != 0)
            own.face = looks.face;
        if (mask.alignment != 0)
            own.alignment = looks.alignment;
        if (mask.height != 0)
            own.height = looks.height;
        if (mask.style != 0)
            own.style = looks.style;
        if (mask.lineKind != 0)
            own.lineKind = looks.lineKind;
        if (mask.lineColor != 0)
            own.lineColor = looks.lineColor;
        if (mask.fillColor != 0)
            own.fillColor = looks.fillColor;
        if (mask.textColor != 0)
            own.textColor = looks.textColor;
        if (Link* link = AsLink(drawable); link != nullptr && dc != nullptr)
            link->MeasureLabels(*dc);
        repaint.UnionRect(repaint, drawable->repaintRect);
        drawable->newLooks = own;
    }
}

void Model::ChangeLinksLooks(ModelDocument* document, uint32_t style, bool noJournal) {
    NoteChanged();
    constexpr uint32_t kStyleBits = MfStepLink | MfCurveLink;
    style &= kStyleBits;
    if ((modelFlags & kStyleBits) == style)
        return;
    std::optional<JournalChange> change;
    if (!noJournal) {
        change.emplace(document, ChangeKind::LinksLooksChange);
        Journal().SetSavedFlags(document, modelFlags);
    }
    modelFlags = (modelFlags & ~kStyleBits) | style;
    for (const auto& drawable : drawables_) {
        Link* link = AsLink(drawable.get());
        if (link == nullptr)
            continue;
        if (!noJournal) {
            Journal().AddChangedObject(document, link, nullptr);
            link->savedVertexCount = uint8_t(link->VertexCount());
            Journal().AddPoints(document, link->Vertices());
        }
        const bool wasStepped = (link->options & LoStepped) != 0;
        link->options &= ~(LoStepped | LoCurved);
        if ((modelFlags & MfStepLink) != 0)
            link->options |= LoStepped;
        if ((modelFlags & MfCurveLink) != 0)
            link->options |= LoCurved;
        const bool stepped = (link->options & LoStepped) != 0;
        if (stepped && !wasStepped) {
            CRect dirty;
            link->MakeStepped();
            link->KeepStepped(dirty, nullptr);
            link->Reroute(0x3, false);
            link->UpdateRepaintRect();
        } else if (!stepped && wasStepped) {
            link->Reroute(0x3, false);
            link->UpdateRepaintRect();
        }
    }
    MarkAll(0);
    CRect repaint;
    UpdateLinkGeometry(nullptr, repaint, false);
    if (change)
        change->Record("Links Looks Change", this, nullptr);
}

} // namespace qm
