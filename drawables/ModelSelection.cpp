// The model's selection, the marking pass that compound edits use to find
// what goes with what, delete and cut of the selection with what hangs on
// it (one journal entry), copy to the masters clipboard file, and the model
// step of Find and Replace.
#include "drawables/DiagramView.h"
#include "drawables/DrawableFactory.h"
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/ModelEditing.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "drawables/Tag.h"
#include "drawables/ZoomScaling.h"
#include "model/ChangeJournal.h"
#include "model/Members.h"
#include "model/ModelDocument.h"
#include "platform/TextHelpers.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

namespace qm {

namespace {

// Group nesting is never deeper than this; deeper chains count as broken.
constexpr int kMaxDepth = 1000;

// Marked itself or inside a marked group.
bool MarkedDeep(const Drawable* drawable) {
    int steps = 0;
    for (const Drawable* d = drawable; d != nullptr && ++steps < kMaxDepth; d = d->Parent()) {
        if (d->IsMarked())
            return true;
    }
    return false;
}

// Every place in drawable (itself, the members of a group) takes its use
// off its master; an unused master leaves the document when asked. The
// place keeps its master, so that undo can put it back.
void ReleasePlaceMasters(ModelDocument* document, Drawable* drawable, bool removeMasters,
                         int depth) {
    if (DrawableList* members = drawable->GetMemberList();
        members != nullptr && depth < kMaxDepth) {
        for (const auto& member : *members)
            ReleasePlaceMasters(document, member.get(), removeMasters, depth + 1);
    }
    if (!drawable->IsPlace())
        return;
    auto* node = dynamic_cast<NodeDrawable*>(drawable);
    Master* master = node != nullptr ? node->GetMaster() : nullptr;
    if (master == nullptr)
        return;
    if (master->refCount > 0)
        --master->refCount;
    if (removeMasters && master->refCount == 0 && document != nullptr)
        document->RemoveMaster(master);
}

// Numbers the drawables of list, and of the groups in it, by their place in
// their own list (their position before, as the order operations keep it).
void NumberTree(DrawableList& list, int depth) {
    int32_t position = 0;
    for (const auto& drawable : list) {
        drawable->positionBefore = position++;
        if (DrawableList* members = drawable->GetMemberList();
            members != nullptr && depth < kMaxDepth)
            NumberTree(*members, depth + 1);
    }
}

void ClearJunctionMarks(const DrawableList& list, int depth) {
    for (const auto& drawable : list) {
        if (const auto* place =
                drawable->IsPlace() ? dynamic_cast<const Place*>(drawable.get()) : nullptr) {
            for (const auto& junction : place->Junctions())
                junction->Mark(0, 1, 0);
        }
        if (const DrawableList* members = std::as_const(*drawable).MemberList();
            members != nullptr && depth < kMaxDepth)
            ClearJunctionMarks(*members, depth + 1);
    }
}

} // namespace

Drawable* AttachedTo(const Drawable* drawable) {
    const auto* tag =
        drawable != nullptr && drawable->IsTag() ? dynamic_cast<const Tag*>(drawable) : nullptr;
    return tag != nullptr ? tag->Attached() : nullptr;
}

// ======================= selection =======================

bool Model::Select(Drawable* drawable, bool select, DeviceContext* dc, bool repaint) {
    NoteChanged();
    if (drawable == nullptr || drawable->IsJunction())
        return false;
    if (drawable->SetSelected(select) == 0)
        return false;
    if (select)
        SelectionAppend(drawable);
    else
        SelectionRemove(drawable);
    if (repaint && dc != nullptr)
        drawable->InvertKnobs(*dc, zoom);
    return true;
}

void Model::DeselectAll(DeviceContext* dc, bool repaint) {
    NoteChanged();
    for (Drawable* drawable : selection_) {
        drawable->SetSelected(false);
        if (repaint && dc != nullptr)
            drawable->InvertKnobs(*dc, zoom);
        if (auto* place = dynamic_cast<Place*>(drawable))
            place->currentJunction = nullptr;
    }
    SelectionClear();
}

void Model::SelectMany(DeviceContext* dc, bool repaint, bool explodesOnly, const CRect* rect,
                       bool toggle) {
    NoteChanged();
    auto explodes = [](Drawable* d) {
        auto* place = d->IsPlace() ? dynamic_cast<Place*>(d) : nullptr;
        return place != nullptr && place->master != nullptr && place->master->submodel != nullptr;
    };
    for (const auto& owned : drawables_) {
        Drawable* d = owned.get();
        if (rect == nullptr) {
            if (explodesOnly && !explodes(d)) {
                if (d->IsSelected())
                    Select(d, false, dc, repaint);
                continue;
            }
            if (!d->IsSelected())
                Select(d, true, dc, repaint);
            continue;
        }
        CRect own = d->repaintRect;
        own.DeflateRect(kRepaintMargin, kRepaintMargin);
        CRect meet;
        if (!meet.IntersectRect(own, *rect))
            continue;
        if (toggle && d->IsSelected())
            Select(d, false, dc, repaint);
        else if (!d->IsSelected())
            Select(d, true, dc, repaint);
    }
}

void Model::SelectInRect(DeviceContext* dc, const CRect& rect) {
    NoteChanged();
    for (const auto& owned : drawables_) {
        Drawable* d = owned.get();
        CRect own = d->repaintRect;
        own.DeflateRect(kRepaintMargin, kRepaintMargin);
        if (own.left >= rect.left && own.top >= rect.top && own.right <= rect.right &&
            own.bottom <= rect.bottom)
            Select(d, true, dc, true);
    }
}

bool Model::SelectionHasStyle(uint8_t mask) const {
    for (const Drawable* d : selection_) {
        if ((d->style & mask) != 0)
            return true;
    }
    return false;
}

bool Model::SelectionHasSwimlane() const {
    for (const Drawable* d : selection_) {
        if (d->IsSwimlane())
            return true;
    }
    return false;
}

void Model::SetSelectionDragFlag(bool on) {
    NoteChanged();
    for (Drawable* d : selection_) {
        if (on)
            d->flags |= MoDragged;
        else
            d->flags &= ~uint32_t(MoDragged);
    }
}

// ======================= marking =======================

void Model::MarkAll(int value) {
    for (const auto& drawable : drawables_)
        drawable->Mark(value, 3, 0);
    // Junctions lie in no list (their places hold them), so the walk above
    // never reaches them. A mark left on one (a knob drag of a junction's
    // label marks it) would outlive every clearing: each later update would
    // take its tags for moved, and each delete would take them along.
    if (value == 0)
        ClearJunctionMarks(drawables_, 0);
}

void Model::MarkWithPlaces(const DrawableRefList& list, int value, bool shallow) {
    if (IsMarked() == (value != 0))
        return;
    // Marked meanwhile, so that the places' submodels leading back here
    // leave this model alone.
    Mark(value, 1, 0);
    for (Drawable* d : list) {
        if (d->IsPlace())
            d->Mark(value, shallow ? 24 : 8, 0);
    }
    Mark(value != 0 ? 0 : 1, 1, 0);
}

void Model::CollectMarked(DrawableRefList& found) {
    for (const auto& drawable : drawables_) {
        if (drawable->IsMarked())
            found.push_back(drawable.get());
        else if (drawable->IsGroup())
            drawable->CollectMarkedMembers(found);
    }
}

void Model::CollectMarked(DrawableList& taken) {
    NoteChanged();
    for (auto it = drawables_.begin(); it != drawables_.end();) {
        Drawable* d = it->get();
        if (d->IsMarked()) {
            SelectionRemove(d);
            taken.push_back(std::move(*it));
            it = drawables_.erase(it);
            continue;
        }
        if (d->IsGroup())
            d->TakeMarkedMembers(taken);
        ++it;
    }
}

// ======================= removal =======================

DrawableList Model::RemoveDrawables(const DrawableRefList& list, CRect* repaint) {
    NoteChanged();
    DrawableList taken;
    CRect area;
    area.SetRectEmpty();
    for (Drawable* d : list) {
        std::unique_ptr<Drawable> out = RemoveDrawable(d, true);
        if (out == nullptr)
            continue;
        area.UnionRect(area, d->repaintRect);
        taken.push_back(std::move(out));
    }
    if (repaint != nullptr)
        repaint->UnionRect(*repaint, ScaledRepaint(area, zoom));
    return taken;
}

void Model::TakeDrawables(ModelDocument* document, DrawableList& list, CRect* repaint,
                          bool noJournal, bool removeMasters) {
    NoteChanged();
    CRect area;
    area.SetRectEmpty();
    CRect lanes;
    lanes.SetRectEmpty();
    for (const auto& drawable : list) {
        area.UnionRect(area, drawable->repaintRect);
        ReleasePlaceMasters(document, drawable.get(), removeMasters, 0);
        if (noJournal || !drawable->IsSwimlane())
            continue;
        // A deleted lane leaves the chain and its right neighbours close the gap.
        if (auto* lane = dynamic_cast<Swimlane*>(drawable.get())) {
            Swimlane* next = lane->NextLane();
            lane->Unlink(false);
            if (next != nullptr) {
                CRect shifted;
                ShiftSwimlanes(document, next, 1 - lane->bounds.Width(), shifted);
                lanes.UnionRect(lanes, shifted);
            }
        }
    }
    if (repaint != nullptr) {
        *repaint = ScaledRepaint(area, zoom);
        repaint->UnionRect(*repaint, lanes);
    }
    if (noJournal)
        return;
    for (auto& drawable : list)
        Journal().HoldRemovedObject(document, std::move(drawable));
    list.clear();
}

DrawableList Model::TakeWithAttachments(ModelDocument* document, const DrawableRefList& list,
                                        CRect* repaint) {
    NoteChanged();
    DeselectAll(nullptr, false);
    // Members of place groups too: a tag or link a drag took into a group
    // may end on a junction outside it, and left there it would point at
    // that junction once it is freed.
    for (Drawable* drawable : list) {
        if (drawable != nullptr)
            Select(drawable, true, nullptr, false);
    }
    if (selection_.empty())
        return {};
    return DeleteDrawables(document, repaint, ChangeKind::Delete, true);
}

DrawableList Model::DeleteDrawables(ModelDocument* document, CRect* repaint, ChangeKind kind,
                                    bool noJournal) {
    NoteChanged();
    // Deleting a single link that ends on another link used to go
    // unrecorded, which made it impossible to undo; it is journaled like
    // every other delete.
    MarkAll(0);
    for (Drawable* d : selection_)
        d->Mark(1, 3, 0);
    DeselectAll(nullptr, false);

    // What hangs on a marked drawable goes with it: links ending on it (or
    // on a place inside it, or on a link that goes), tags and floaters
    // attached to it, wherever they lie (a drag takes tags and links into
    // place groups). Repeated until nothing more is added, since a link may
    // end on a link that is added late.
    for (bool added = true; added;) {
        added = false;
        std::vector<Drawable*> all;
        CollectAllDrawables(all);
        for (Drawable* d : all) {
            if (MarkedDeep(d))
                continue;
            if (Link* link = AsLink(d)) {
                Drawable* target = link->GetTarget();
                if (MarkedDeep(link->GetSourcePlace()) || MarkedDeep(link->GetTargetPlace()) ||
                    (target != nullptr && target->IsLink() && target->IsMarked())) {
                    d->Mark(1, 1, 0);
                    added = true;
                }
                continue;
            }
            if (Drawable* attached = AttachedTo(d)) {
                // A junction is held by its place, not by a parent: a tag
                // on it goes with the place.
                auto* node =
                    attached->IsJunction() ? dynamic_cast<NodeDrawable*>(attached) : nullptr;
                if (MarkedDeep(attached) || (node != nullptr && MarkedDeep(node->GetPlace()))) {
                    d->Mark(1, 1, 0);
                    added = true;
                }
            }
        }
    }
    for (const auto& owned : drawables_) {
        if (!owned->IsMarked() && owned->IsGroup() && !owned->IsLink() && !owned->IsTag())
            owned->Mark(1, 4, 0);
    }

    // Each drawable keeps its place in its list, so that undo puts it back there.
    NumberTree(drawables_, 0);
    DrawableList taken;
    CollectMarked(taken);
    std::optional<JournalChange> change;
    if (!noJournal) {
        change.emplace(document, kind);
        // The links, tags and floaters that stay may move with what goes
        // (lanes close the gap): the record keeps their geometry, so that
        // undo puts them back exactly instead of recomputing them.
        Journal().SaveFollowers(document, this);
    }
    TakeDrawables(document, taken, repaint, noJournal, false);
    if (change)
        change->Record(kind == ChangeKind::Delete ? "Delete Drawables" : "Cut Drawables", this,
                       nullptr);
    return taken;
}

// ======================= copy and search =======================

void Model::CopySelection(ModelDocument* document, bool shallow) {
    const int mask = shallow ? 17 : 1;
    MarkAll(0);
    for (Drawable* d : selection_) {
        if (Link* link = AsLink(d)) {
            Drawable* source = link->GetSourcePlace();
            Drawable* target = link->GetTargetPlace();
            if (source == nullptr || target == nullptr || !source->IsSelected(true) ||
                !target->IsSelected(true))
                continue;
        } else if (d->IsTag()) {
            Drawable* attached = AttachedTo(d);
            if (attached == nullptr || !attached->IsSelected(true))
                continue;
        }
        d->Mark(1, mask, 0);
    }
    DrawableRefList collected;
    CollectMarked(collected);
    if (document != nullptr) {
        document->MarkMasters(false);
        document->MarkModels(false);
    }
    DrawableRefList places;
    for (Drawable* d : collected) {
        if (d->IsPlace())
            places.push_back(d);
    }
    MarkWithPlaces(places, 1, shallow);
    if (document != nullptr)
        document->CopyToClipboardFile(
            this, std::vector<ModelObject*>(collected.begin(), collected.end()));
}

void Model::CollectLinks(DrawableRefList& found) {
    auto collect = [&found](auto& self, DrawableList& list, int depth) -> void {
        for (const auto& drawable : list) {
            if (drawable->IsLink())
                found.push_back(drawable.get());
            else if (drawable->IsPlaceGroup() && depth < kMaxDepth) {
                if (DrawableList* members = drawable->GetMemberList())
                    self(self, *members, depth + 1);
            }
        }
    };
    collect(collect, drawables_, 0);
}

void Model::CollectSourceFileNames(std::vector<std::string>& names) const {
    auto collect = [&names](auto& self, const DrawableList& list, int depth) -> void {
        for (const auto& drawable : list) {
            if (drawable->IsPlaceGroup() && depth < kMaxDepth) {
                if (DrawableList* members = drawable->GetMemberList())
                    self(self, *members, depth + 1);
                continue;
            }
            auto* place =
                drawable->IsPlace() ? dynamic_cast<const Place*>(drawable.get()) : nullptr;
            if (place == nullptr || place->master == nullptr || place->master->file.empty())
                continue;
            if (std::find(names.begin(), names.end(), place->master->file) == names.end())
                names.push_back(place->master->file);
        }
    };
    collect(collect, drawables_, 0);
}

void Model::DetachAllDrawables(GuidScope* scope) {
    NoteChanged();
    DeselectAll(nullptr, false);
    for (auto& drawable : drawables_)
        DiscardDrawable(std::move(drawable), scope);
    drawables_.clear();
}

int Model::FindReplaceStep(ModelDocument* document, bool notify, const std::string& word,
                           const std::string& replacement, int options, Drawable*& current,
                           ModelObject*& found, int& count, bool& modelDone, bool& finished) {
    NoteChanged();
    const bool replace = (options & RF_REPLACE) != 0;
    const bool namesOnly = (options & 0x1) != 0;
    const int flags = options & (RF_MATCH_CASE | RF_WHOLE_WORD | RF_REPLACE);
    // The drawables take the names-only bit too: a place passes it to its
    // master, a link keeps to its name.
    const int drawableFlags = flags | (options & ReplaceNamesOnly);
    if (!modelDone) {
        current = nullptr;
        std::unique_ptr<Model> previous = replace ? CloneModel() : nullptr;
        const std::string oldName = name;
        int hits = ReplaceInText(name, word, flags, replacement);
        if (!namesOnly)
            hits += ReplaceInText(comment, word, flags, replacement);
        count += hits;
        modelDone = true;
        finished = false;
        found = hits > 0 ? this : nullptr;
        if (replace) {
            if (notify && name != oldName)
                ViewOf(document).NotifyChange(document, VcRenamed, this);
            if (hits > 0)
                Journal().AddChangedObject(document, this, std::move(previous));
        }
        return hits;
    }
    if (finished)
        return 0;
    auto it = drawables_.begin();
    if (current != nullptr) {
        it = FindIn(drawables_, current);
        if (it == drawables_.end()) {
            // The drawable went meanwhile: the search starts over.
            it = drawables_.begin();
        } else {
            if (replace) {
                const int replaced =
                    current->FindReplaceText(document, word, replacement, drawableFlags);
                count += replaced;
                if (replaced > 0 && notify) {
                    const int code = current->IsPlace()  ? VcPlace
                                     : current->IsLink() ? VcLink
                                                         : VcOther;
                    ViewOf(document).NotifyChange(document, code, current);
                }
            }
            ++it;
        }
    }
    const int searchFlags = drawableFlags & ~RF_REPLACE;
    for (; it != drawables_.end(); ++it) {
        const int hits = (*it)->FindReplaceText(document, word, replacement, searchFlags);
        if (hits > 0) {
            current = it->get();
            found = current;
            return hits;
        }
    }
    current = nullptr;
    found = nullptr;
    finished = true;
    return 0;
}

} // namespace qm
