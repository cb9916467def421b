// The undo journal's records of the drawables' order, looks and geometry:
// Bring to Front and Send to Back, Swap Swimlanes, flips and rotations, the
// looks of drawables, Auto Size of one drawable or of a selection, and the
// link style of a model.
//
// Every handler reads and resolves all that its record names before it
// changes anything, so a record that does not read or whose objects are gone
// fails with a message and leaves the project as it was.
#include "document/UndoJournal.h"
#include "document/UndoJournalRecords.h"
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "kernel/Kernel.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace qm {

using kest::Cell;
using kest::nil;

using namespace journal;

// ---- the drawing order ----

Cell* UndoJournal::BuildOrderForm(const FormArgs& args) {
    const std::vector<Drawable*> drawables = ChangedDrawables();
    // Each drawable with its place in its list before and after.
    Cell* entries = nil;
    for (auto it = drawables.rbegin(); it != drawables.rend(); ++it) {
        entries =
            kest::mkcons(Str((*it)->Id().Text()),
                         kest::mkcons(kest::mkint((*it)->positionBefore),
                                      kest::mkcons(kest::mkint((*it)->positionAfter), entries)));
    }
    return kest::mklist(args.head, args.id, kest::mkcons(kest::intern("drawable"), entries),
                        nullptr);
}

void UndoJournal::ReplayOrder(ChangeKind /*kind*/, Model* model, Cell* fields, bool redo) {
    Cell* entries = Next(fields);
    if (!kest::ispair(entries) || kest::car(entries) != kest::intern("drawable"))
        throw CKestException("drawable sym expected");
    entries = kest::cdr(entries);
    struct Entry {
        Drawable* drawable;
        int32_t before;
        int32_t after;
    };
    std::vector<Entry> read;
    while (entries != nil) {
        Drawable* drawable = LookupDrawable(Next(entries));
        const int32_t before = NextInt(entries);
        const int32_t after = NextInt(entries);
        read.push_back({drawable, before, after});
    }
    DrawableRefList list;
    for (const Entry& entry : read) {
        entry.drawable->positionBefore = entry.before;
        entry.drawable->positionAfter = entry.after;
        list.push_back(entry.drawable);
    }
    model->RestoreOrder(list, redo ? 2 : 1);
    toSelect_.assign(list.begin(), list.end());
    modelToShow_ = model;
}

// ---- swimlanes swapped ----

Cell* UndoJournal::BuildSwapForm(const FormArgs& args) {
    const std::vector<Drawable*> drawables = ChangedDrawables();
    std::vector<ModelObject*> lanes(drawables.begin(), drawables.end());
    return kest::mklist(args.head, args.id, IdList("drawable", lanes), nullptr);
}

void UndoJournal::ReplaySwap(ChangeKind /*kind*/, Model* model, Cell* fields, bool /*redo*/) {
    std::vector<Drawable*> lanes;
    for (const std::string& laneId : ReadIdList(Next(fields), "drawable"))
        lanes.push_back(LookupDrawable(Str(laneId.c_str())));
    if (lanes.size() != 2 || !lanes[0]->IsSwimlane() || !lanes[1]->IsSwimlane())
        throw CKestException(kDamaged);
    // A swap is its own inverse.
    CRect repaint;
    model->SwapSwimlanes(lanes[0], lanes[1], repaint);
    toSelect_.push_back(lanes[0]);
    modelToShow_ = model;
}

// ---- flips and rotations ----

Cell* UndoJournal::BuildTurnForm(const FormArgs& args) {
    const std::vector<Drawable*> drawables = ChangedDrawables();
    std::vector<ModelObject*> objects(drawables.begin(), drawables.end());
    return kest::mklist(args.head, args.id, kest::mkint(pending_.turnCode),
                        IdList("drawable", objects), nullptr);
}

void UndoJournal::ReplayTurn(ChangeKind /*kind*/, Model* model, Cell* fields, bool redo) {
    int32_t code = NextInt(fields);
    if (code < 0 || code > 3)
        throw CKestException(kDamaged);
    std::vector<Drawable*> drawables;
    for (const std::string& id : ReadIdList(Next(fields), "drawable"))
        drawables.push_back(LookupDrawable(Str(id.c_str())));
    // Undo turns the other way; a flip is its own inverse.
    if (!redo && code >= 2)
        code = code == 2 ? 3 : 2;
    for (Drawable* drawable : drawables) {
        CRect dirty;
        const CRect about = drawable->bounds;
        drawable->FlipOrRotate(code, about, dirty);
    }
    toSelect_ = drawables;
    modelToShow_ = model;
}

// ---- looks ----

Cell* UndoJournal::BuildLooksForm(const FormArgs& args) {
    const std::vector<Drawable*> drawables = ChangedDrawables();
    // Mode 3: each drawable's looks before and after.
    Cell* entries = nil;
    for (auto it = drawables.rbegin(); it != drawables.rend(); ++it) {
        entries = kest::mkcons(Str((*it)->Id().Text()),
                               kest::mkcons((*it)->oldLooks.Persist(nil),
                                            kest::mkcons((*it)->looks.Persist(nil), entries)));
    }
    return kest::mklist(args.head, args.id, kest::mkcons(kest::intern("drawable"), entries),
                        nullptr);
}

void UndoJournal::ReplayLooks(ChangeKind /*kind*/, Model* model, Cell* fields, bool redo) {
    Cell* entries = Next(fields);
    if (!kest::ispair(entries) || kest::car(entries) != kest::intern("drawable"))
        throw CKestException("drawable sym expected");
    entries = kest::cdr(entries);
    std::vector<std::pair<Drawable*, Looks>> read;
    while (entries != nil) {
        Drawable* drawable = LookupDrawable(Next(entries));
        Cell* before = Next(entries);
        Cell* after = Next(entries);
        Cell* value = redo ? after : before;
        if (!kest::ispair(value))
            throw CKestException(kDamaged);
        Looks looks = drawable->looks;
        looks.Persist(value);
        read.emplace_back(drawable, looks);
    }
    for (auto& [drawable, looks] : read) {
        model->SetDrawableLooks(drawable, looks);
        drawable->UpdateRepaintRect();
        toSelect_.push_back(drawable);
    }
    modelToShow_ = model;
}

// ---- geometry ----

Cell* UndoJournal::BuildAutoSizeDrawableForm(const FormArgs& args) {
    const std::vector<Drawable*> drawables = ChangedDrawables();
    // The rectangle auto-size changed, before and after: the label
    // rectangle of a link, floater or junction, the bounds of a place.
    if (drawables.empty() || pending_.previous.empty())
        return nil;
    Drawable* drawable = drawables.front();
    const auto* before = dynamic_cast<const Drawable*>(pending_.previous.front().get());
    if (before == nullptr)
        return nil;
    const bool label = drawable->IsLink() || drawable->IsFloater() || drawable->IsJunction();
    return kest::mklist(args.head, args.id, RectCell(label ? before->labelRect : before->bounds),
                        RectCell(label ? drawable->labelRect : drawable->bounds),
                        Str(drawable->Id().Text()), nullptr);
}

void UndoJournal::ReplayAutoSizeDrawable(ChangeKind /*kind*/, Model* model, Cell* fields,
                                         bool redo) {
    const CRect before = ReadRect(Next(fields));
    const CRect after = ReadRect(Next(fields));
    Drawable* drawable = LookupDrawable(Next(fields));
    const CRect& rect = redo ? after : before;
    if (auto* link = dynamic_cast<Link*>(drawable)) {
        link->SetLabelRect(rect);
    } else if (drawable->IsFloater() || drawable->IsJunction()) {
        model->SetLabelRect(drawable, rect);
    } else {
        CRect repaint;
        model->SetDrawableBounds(drawable, rect, repaint);
    }
    drawable->UpdateRepaintRect();
    UpdatePivotRepaint(drawable);
    toSelect_.push_back(drawable);
    modelToShow_ = model;
}

Cell* UndoJournal::BuildGeometryForm(const FormArgs& args) {
    const ChangeKind kind = args.kind;
    Model* model = args.model;
    const std::vector<Drawable*> drawables = ChangedDrawables();
    // Mode 2: the geometry before and after; the vertices before come
    // in order from the points the operation handed over.
    size_t taken = 0;
    Cell* entries = nil;
    for (Drawable* drawable : drawables) {
        Cell* before;
        Cell* after;
        if (HasVertices(drawable)) {
            const std::vector<CPoint> now = VerticesOf(drawable);
            size_t count = now.size();
            if (auto* link = dynamic_cast<Link*>(drawable))
                count = link->savedVertexCount;
            count = std::min(count, pending_.oldVertices.size() - taken);
            before = PointsCell(
                std::vector<CPoint>(pending_.oldVertices.begin() + std::ptrdiff_t(taken),
                                    pending_.oldVertices.begin() + std::ptrdiff_t(taken + count)));
            taken += count;
            after = PointsCell(now);
        } else {
            before = RectCell(drawable->savedBounds);
            after = RectCell(drawable->bounds);
        }
        entries =
            kest::mkcons(kest::mklist(Str(drawable->Id().Text()), before, after, nullptr), entries);
    }
    entries = kest::mkcons(kest::intern("drawable"), kest::nreverse(entries));
    if (kind == ChangeKind::AutoSize)
        return kest::mklist(args.head, args.id, entries, nullptr);
    constexpr uint32_t kStyleBits = MfStepLink | MfCurveLink;
    const uint32_t now = model != nullptr ? model->modelFlags : 0;
    return kest::mklist(args.head, args.id, kest::mkint(int32_t(pending_.savedFlags & kStyleBits)),
                        kest::mkint(int32_t(now & kStyleBits)), entries, nullptr);
}

void UndoJournal::ReplayGeometry(ChangeKind kind, Model* model, Cell* fields, bool redo) {
    int32_t style = 0;
    if (kind == ChangeKind::LinksLooksChange) {
        const int32_t before = NextInt(fields);
        const int32_t after = NextInt(fields);
        style = redo ? after : before;
        if ((style & ~int32_t(MfStepLink | MfCurveLink)) != 0)
            throw CKestException(kDamaged);
    }
    Cell* entries = Next(fields);
    if (!kest::ispair(entries) || kest::car(entries) != kest::intern("drawable"))
        throw CKestException("drawable sym expected");
    struct Entry {
        Drawable* drawable;
        CRect rect;
        std::vector<CPoint> points;
    };
    std::vector<Entry> read;
    for (Cell* rest = kest::cdr(entries); rest != nil;) {
        Cell* entry = Next(rest);
        Drawable* drawable = LookupDrawable(Next(entry));
        Cell* before = Next(entry);
        Cell* after = Next(entry);
        Cell* value = redo ? after : before;
        Entry e{drawable, CRect(), {}};
        if (HasVertices(drawable))
            e.points = ReadPoints(value);
        else
            e.rect = ReadRect(value);
        read.push_back(std::move(e));
    }
    if (kind == ChangeKind::LinksLooksChange) {
        model->modelFlags =
            (model->modelFlags & ~uint32_t(MfStepLink | MfCurveLink)) | uint32_t(style);
    }
    model->MarkAll(0);
    for (Entry& entry : read) {
        Drawable* drawable = entry.drawable;
        if (HasVertices(drawable)) {
            if (auto* link = dynamic_cast<Link*>(drawable);
                link != nullptr && kind == ChangeKind::LinksLooksChange) {
                link->options &= ~(LoStepped | LoCurved);
                if ((style & int32_t(MfStepLink)) != 0)
                    link->options |= LoStepped;
                if ((style & int32_t(MfCurveLink)) != 0)
                    link->options |= LoCurved;
            }
            if (!entry.points.empty())
                SetVerticesOf(drawable, entry.points);
            // A link's end texts and name follow its path.
            if (auto* link = dynamic_cast<Link*>(drawable)) {
                link->LayoutEndLabels();
                link->LayoutName();
            }
            drawable->UpdateRepaintRect();
        } else {
            // A drawable that only moved moves back, taking its label along;
            // one that changed size gets its rectangle.
            const CRect& now = drawable->bounds;
            if (now.Width() == entry.rect.Width() && now.Height() == entry.rect.Height()) {
                CRect dirty;
                drawable->MoveBy(entry.rect.left - now.left, entry.rect.top - now.top, dirty);
            } else {
                drawable->SetBounds(entry.rect, drawable->IsSwimlane() ? 1 : 0);
            }
            drawable->Mark(1, 1, 0);
        }
        toSelect_.push_back(drawable);
    }
    if (kind == ChangeKind::AutoSize) {
        CRect repaint;
        model->UpdateLinkGeometry(nullptr, repaint, false);
    }
    model->MarkAll(0);
    modelToShow_ = model;
}

} // namespace qm
