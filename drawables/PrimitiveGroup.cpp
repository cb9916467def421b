// The primitive group: membership, drawing of members under the group's
// looks, hit testing of the smallest member hit, mark forwarding, geometry
// passed on to the members, and the record with its member list.
#include "drawables/PrimitiveGroup.h"

#include "drawables/DrawableFactory.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/ZoomScaling.h"
#include "kernel/Kernel.h"
#include "model/GuidMap.h"
#include "model/Master.h"
#include "platform/UserSettings.h"

#include <algorithm>
#include <cstdlib>

namespace qm {

using kest::Cell;
using kest::nil;

namespace {

// Groups read inside groups deeper than this are refused, so that drawing,
// writing and destroying them cannot exhaust the stack.
constexpr int kMaxGroupNesting = 64;
int readNesting = 0;

struct NestingGuard {
    NestingGuard() { ++readNesting; }
    ~NestingGuard() { --readNesting; }
};

// The place group the drawable lies in (following parents), or null.
Drawable* EnclosingPlaceGroup(const Drawable* drawable) {
    int steps = 0;
    for (Drawable* p = drawable->Parent(); p != nullptr && steps < 10000;
         p = p->Parent(), ++steps) {
        if (p->IsPlaceGroup())
            return p;
    }
    return nullptr;
}

} // namespace

PrimitiveGroup::PrimitiveGroup(GuidMap* map) : BoxPrimitive(map) {
    kindCode = TkPrimitiveGroup;
    kind = DkPrimitive;
    style |= DsGroup;
}

PrimitiveGroup::~PrimitiveGroup() = default;

// ---- membership ----

void PrimitiveGroup::AddMembers(DrawableList& list) {
    bounds.SetRectEmpty();
    for (auto it = list.begin(); it != list.end();) {
        Drawable* drawable = it->get();
        if (drawable == nullptr || drawable == this || !drawable->IsSelected(false)) {
            ++it;
            continue;
        }
        AddMember(std::move(*it));
        it = list.erase(it);
    }
    UpdateRepaintRect();
}

Drawable* PrimitiveGroup::FindTextMember() const {
    for (const auto& member : members_) {
        if (member->kindCode == TkText)
            return member.get();
    }
    return nullptr;
}

void PrimitiveGroup::SelectMembers(DrawableModel* model) {
    if (model == nullptr)
        return;
    for (const auto& member : members_)
        model->Select(member.get(), 1, 0, 0);
}

bool PrimitiveGroup::HasMember(const Drawable* drawable) const {
    return FindIn(members_, drawable) != members_.end();
}

Drawable* PrimitiveGroup::AddMember(std::unique_ptr<Drawable> drawable) {
    if (drawable == nullptr)
        return nullptr;
    drawable->SetParent(this);
    members_.push_back(std::move(drawable));
    return members_.back().get();
}

std::unique_ptr<Drawable> PrimitiveGroup::RemoveMember(Drawable* drawable) {
    std::unique_ptr<Drawable> taken = TakeFrom(members_, drawable);
    if (taken != nullptr)
        taken->SetParent(nullptr);
    return taken;
}

Drawable* PrimitiveGroup::AdoptFromModel(DrawableModel* model, Drawable* drawable) {
    if (model == nullptr || drawable == this)
        return nullptr;
    return AddMember(model->TakeDrawable(drawable));
}

void PrimitiveGroup::ReleaseMemberTo(DrawableList& list, Drawable* drawable) {
    if (std::unique_ptr<Drawable> taken = RemoveMember(drawable))
        list.push_back(std::move(taken));
}

void PrimitiveGroup::MembersBounds(CRect& rect, bool skipLinks) const {
    rect.SetRectEmpty();
    for (const auto& member : members_) {
        if (skipLinks && member->IsLink())
            continue;
        rect.UnionRect(rect, member->bounds);
    }
    if (!rect.IsRectEmpty())
        return;
    const CPoint c = bounds.CenterPoint();
    rect.SetRect(c.x - 5, c.y - 5, c.x + 5, c.y + 5);
}

// ---- the operations of Drawable ----

void PrimitiveGroup::Detach(GuidScope* scope) {
    for (const auto& member : members_)
        member->Detach(scope);
    Drawable::Detach(scope);
}

void PrimitiveGroup::MarkFiltered(int value, int mask, Drawable* filter) {
    if ((mask & (0x2 | 0x4 | 0x8)) != 0) {
        for (const auto& owned : members_) {
            Drawable* member = owned.get();
            if ((mask & 0x4) == 0) {
                if ((mask & 0x8) != 0 && member->IsPlace()) {
                    auto* node = dynamic_cast<NodeDrawable*>(member);
                    if (Master* master = node != nullptr ? node->GetMaster() : nullptr)
                        master->Mark(value, 0x1, 0);
                }
                member->MarkFiltered(value, mask, filter);
                continue;
            }
            if (member->IsLink()) {
                NodeDrawable* source = nullptr;
                NodeDrawable* target = nullptr;
                member->GetLinkEnds(source, target);
                Drawable* sourcePlace = source != nullptr ? source->GetPlace() : nullptr;
                Drawable* targetPlace = target != nullptr ? target->GetPlace() : nullptr;
                const bool sourceMarked = sourcePlace != nullptr && sourcePlace->IsMarked();
                const bool targetMarked = targetPlace != nullptr && targetPlace->IsMarked();
                const bool endIsFilter =
                    filter != nullptr && (source == filter || target == filter);
                if (value != 0) {
                    if (sourceMarked || targetMarked || endIsFilter)
                        member->Mark(value, 0x1, 0);
                } else if (!(sourceMarked && targetMarked && (filter == nullptr || endIsFilter))) {
                    member->Mark(value, 0x1, 0);
                }
                continue;
            }
            // A tag keeps its mark: it follows neither value nor its place here.
            if (member->IsTag())
                continue;
            if (member->IsGroup() || member->GetMemberList() != nullptr)
                member->MarkFiltered(value, mask, filter);
        }
    }
    if ((mask & 0x1) != 0)
        ModelObject::Mark(value, 0x1, 0);
}

// The members are bound before the group's own parent, so that the cycle
// check of the group's parent sees them: a record naming one of its own
// members as parent gets no parent.
void PrimitiveGroup::ResolveRefs(ModelDocument* document, GuidScope* scope, DrawableModel* model) {
    if (scope == nullptr || !scope->membersById) {
        for (const auto& member : members_)
            member->ResolveRefs(document, scope, model);
    }
    // The group holds its members whatever their records named as parent.
    for (const auto& member : members_)
        member->SetParent(this);
    Drawable::ResolveRefs(document, scope, model);
}

void PrimitiveGroup::AssignFrom(ModelDocument* document, const Drawable& other) {
    if (&other == this)
        return;
    BoxPrimitive::AssignFrom(document, other);
    const auto* group = dynamic_cast<const PrimitiveGroup*>(&other);
    if (group == nullptr)
        return;
    for (const auto& member : group->members_)
        AddMember(ClonePrimitive(document, nullptr, *member));
}

void PrimitiveGroup::Draw(DeviceContext& dc, const Looks* imposed, double zoom,
                          const CRect* fromFrame, const CRect* toFrame, int flag) {
    const Looks effective = Effective(imposed);
    if (OptionSet(HighlightGroups))
        dc.FillSolidRect(ScaleByZoom(bounds, zoom), RGB(224, 224, 224));
    if (IsOutlineOnly()) {
        Looks outline = effective;
        outline.lineKind = 0;
        outline.lineColor = 0;
        outline.fillColor = 17;
        Drawable::Draw(dc, &outline, zoom, fromFrame, toFrame, flag);
        return;
    }
    for (const auto& member : members_)
        member->Draw(dc, &effective, zoom, fromFrame, toFrame, flag);
}

void PrimitiveGroup::PrepareDrawing() {
    if (IsOutlineOnly())
        return;
    for (const auto& member : members_)
        member->PrepareDrawing();
}

void PrimitiveGroup::UpdateRepaintRect() {
    if (!IsOutlineOnly()) {
        for (const auto& member : members_)
            bounds.UnionRect(bounds, member->bounds);
    }
    repaintRect = bounds;
    repaintRect.InflateRect(kRepaintMargin, kRepaintMargin);
}

Drawable* PrimitiveGroup::HitTest(int x, int y, int& part, int& knob, int flags) {
    const int64_t dx =
        std::min(std::llabs(int64_t{x} - bounds.left), std::llabs(int64_t{x} - bounds.right));
    const int64_t dy =
        std::min(std::llabs(int64_t{y} - bounds.top), std::llabs(int64_t{y} - bounds.bottom));
    // Near an edge the group's knobs and outline belong to the group.
    if (std::min(dx, dy) < 4)
        return Drawable::HitTest(x, y, part, knob, flags);
    Drawable* own = Drawable::HitTest(x, y, part, knob, flags);
    if (own == nullptr || part == HpLabel)
        return own;
    Drawable* placeGroup = EnclosingPlaceGroup(this);
    const bool whole = placeGroup == nullptr || (placeGroup->GetPlaceFlags() & 0x20) != 0;
    if (whole && (flags & 0x8) == 0)
        return own;
    Drawable* best = nullptr;
    int bestPart = 0, bestKnob = 0;
    int64_t limit = 1000000;
    for (const auto& member : members_) {
        int memberPart = 0, memberKnob = 0;
        Drawable* hit = member->HitTest(x, y, memberPart, memberKnob, flags);
        if (hit == nullptr)
            continue;
        const int64_t area = int64_t{hit->bounds.Width()} * hit->bounds.Height();
        if (area < limit) {
            limit = area;
            best = hit;
            bestPart = memberPart;
            bestKnob = memberKnob;
        }
    }
    if (best == nullptr)
        return own;
    part = bestPart;
    knob = bestKnob;
    return best;
}

void PrimitiveGroup::MoveBy(int dx, int dy, CRect& dirty) {
    for (const auto& member : members_)
        member->MoveBy(dx, dy, dirty);
    Drawable::MoveBy(dx, dy, dirty);
}

void PrimitiveGroup::SetBounds(const CRect& rect, int flag) {
    if (!IsOutlineOnly()) {
        for (const auto& member : members_) {
            CRect mapped;
            MapRectBetweenRects(member->bounds, mapped, bounds, rect, false);
            member->SetBounds(mapped, flag);
        }
    }
    Drawable::SetBounds(rect, flag);
}

int PrimitiveGroup::FlipOrRotate(int mode, const CRect& about, CRect& dirty) {
    dirty = bounds;
    int changed = 0;
    for (const auto& member : members_) {
        CRect memberDirty;
        if (member->FlipOrRotate(mode, about, memberDirty) != 0)
            changed = 1;
        dirty.UnionRect(dirty, memberDirty);
    }
    UpdateRepaintRect();
    dirty.UnionRect(dirty, repaintRect);
    return changed;
}

void PrimitiveGroup::SaveBounds() {
    for (const auto& member : members_)
        member->SaveBounds();
    Drawable::SaveBounds();
}

void PrimitiveGroup::CollectMarkedMembers(DrawableRefList& found) {
    for (const auto& member : members_) {
        if (member->IsMarked())
            found.push_back(member.get());
        else
            member->CollectMarkedMembers(found);
    }
}

void PrimitiveGroup::TakeMarkedMembers(DrawableList& taken) {
    for (auto it = members_.begin(); it != members_.end();) {
        if (!(*it)->IsMarked()) {
            (*it)->TakeMarkedMembers(taken);
            ++it;
            continue;
        }
        taken.push_back(std::move(*it));
        it = members_.erase(it);
    }
}

int PrimitiveGroup::FindReplaceText(ModelDocument* document, const std::string& word,
                                    const std::string& replacement, int options) {
    int count = 0;
    for (const auto& member : members_)
        count += member->FindReplaceText(document, word, replacement, options);
    return count;
}

// ---- the record ----

Cell* PrimitiveGroup::PersistMembers(GuidScope* scope, Cell* list, bool reading) {
    const bool byId = scope != nullptr && scope->membersById;
    if (!reading) {
        Cell* out = nil;
        for (auto it = members_.rbegin(); it != members_.rend(); ++it) {
            Cell* entry = byId ? IdCell(it->get()) : (*it)->Persist(scope, nil);
            out = kest::mkcons(entry, out);
        }
        return out;
    }
    CheckedLength(list, "group", "members");
    if (readNesting >= kMaxGroupNesting)
        RecordFormatError("group", "groups nested too deeply");
    NestingGuard guard;
    for (Cell* at = list; at != nil; at = kest::cdr(at)) {
        Cell* entry = kest::car(at);
        if (byId) {
            AddMember(TakeMemberById(scope, entry));
            continue;
        }
        if (!kest::ispair(entry))
            RecordFormatError("group", "member record expected");
        AddMember(CreateDrawableFromRecord(entry, scope));
    }
    return nil;
}

// A member named by id: a drawable that the scope's held objects hold (the
// undo journal keeps a change's drawables there meanwhile), held once, and
// neither the group nor one of its containers.
std::unique_ptr<Drawable> PrimitiveGroup::TakeMemberById(GuidScope* scope, Cell* entry) {
    if (entry->type != kest::TString)
        RecordFormatError("group", "member id text expected");
    if (scope->current == nullptr)
        RecordFormatError("group", "no id map for member ids");
    ModelObject* object = nullptr;
    scope->Lookup(entry->a.str, object, true);
    auto* member = dynamic_cast<Drawable*>(object);
    if (member == nullptr || member == this || HasMember(member))
        RecordFormatError("group", "member id names no free drawable");
    int steps = 0;
    for (const Drawable* p = Parent(); p != nullptr && steps < 10000; p = p->Parent(), ++steps) {
        if (p == member)
            RecordFormatError("group", "a group cannot hold its container");
    }
    // A drawable is held by one group at a time.
    if (Drawable* holder = member->Parent()) {
        DrawableList* list = holder->GetMemberList();
        if (list != nullptr && FindIn(*list, member) != list->end())
            RecordFormatError("group", "member id names a drawable of another group");
    }
    std::unique_ptr<Drawable> taken = TakeHeldAs(scope->held, member);
    if (taken == nullptr)
        RecordFormatError("group", "member id names no free drawable");
    return taken;
}

Cell* PrimitiveGroup::Persist(GuidScope* scope, Cell* list) {
    if (list == nil) {
        Cell* own = kest::mklist(kest::sym::group, PersistMembers(scope, nil, false), nullptr);
        return kest::nconc(own, WriteBase());
    }
    ExpectHead(list, kest::sym::group);
    RecordReader r(kest::cdr(list), "group");
    try {
        PersistMembers(scope, r.List("members"), true);
        ReadBase(scope, r);
        CheckReadKind("group", {TkPrimitiveGroup});
    } catch (...) {
        // Members found by id belong to whoever held them: a refused record
        // gives them back instead of taking them down with the group.
        if (scope != nullptr && scope->membersById && scope->held != nullptr) {
            for (auto& member : members_) {
                member->SetParent(nullptr);
                scope->held->push_back(std::move(member));
            }
            members_.clear();
        }
        throw;
    }
    return r.Rest();
}

} // namespace qm
