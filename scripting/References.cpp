// The reference table: slots for the objects scripts hold, invalidated when
// their objects are forgotten, checked against their id maps on resolution.
#include "scripting/References.h"

#include "drawables/Drawable.h"
#include "kernel/Cell.h"
#include "model/GuidMap.h"
#include "model/ModelObject.h"

namespace qm {

ReferenceKind DrawableRefKind(int drawableKind) {
    switch (drawableKind) {
    case DkPlace:
        return RefPlace;
    case DkLink:
        return RefLink;
    case DkTag:
        return RefTag;
    case DkJunction:
        return RefJunction;
    default:
        return RefPrimitive;
    }
}

kest::Cell* ReferenceTable::MakeRef(void* object, ReferenceKind kind, const void* project,
                                    const GuidMap* map, const Guid* id, bool registered) {
    if (object == nullptr)
        return kest::nil;
    uint32_t projectSlot = 0;
    if (project != nullptr && project != object) {
        auto found = index_.find(project);
        if (found != index_.end() && !Alive(slots_[found->second])) {
            index_.erase(found);
            found = index_.end();
        }
        if (found == index_.end()) {
            slots_.push_back(Slot{const_cast<void*>(project), ObjectHandle(), 0});
            found = index_.emplace(project, static_cast<uint32_t>(slots_.size() - 1)).first;
        }
        projectSlot = found->second + 1;
    }
    auto found = index_.find(object);
    // A slot whose object died (its project closed, or it left its id map)
    // belongs to an earlier object at the same address. An object the caller
    // has just found in the map its slot names is still registered there.
    if (found != index_.end()) {
        const Slot& slot = slots_[found->second];
        const bool confirmed =
            registered && map != nullptr && id != nullptr && slot.handle == ObjectHandle(map, *id);
        if (!(confirmed ? OwnerAlive(slot) : Alive(slot))) {
            index_.erase(found);
            found = index_.end();
        } else if (confirmed) {
            slot.verified = map->TextChanges();
        }
    }
    if (found == index_.end()) {
        Slot slot;
        slot.object = object;
        if (map != nullptr)
            slot.handle = ObjectHandle(map, id != nullptr ? *id : Guid(Guid::FromText{""}));
        slot.project = projectSlot;
        if (registered && map != nullptr && id != nullptr)
            slot.verified = map->TextChanges();
        slots_.push_back(slot);
        found = index_.emplace(object, static_cast<uint32_t>(slots_.size() - 1)).first;
    }
    const uintptr_t number = found->second + 1;
    kest::Cell* cell = kest::mkref(reinterpret_cast<void*>(number), kind);
    cell->stamp = epoch_;
    return cell;
}

const ReferenceTable::Slot* ReferenceTable::SlotOf(const kest::Cell* cell) const {
    if (cell == nullptr || cell->type != kest::TRef || cell->stamp != epoch_)
        return nullptr;
    const uintptr_t number = reinterpret_cast<uintptr_t>(cell->a.ref);
    if (number == 0 || number > slots_.size())
        return nullptr;
    return &slots_[number - 1];
}

bool ReferenceTable::OwnerAlive(const Slot& slot) const {
    if (slot.object == nullptr)
        return false;
    return slot.project == 0 || slots_[slot.project - 1].object != nullptr;
}

bool ReferenceTable::Alive(const Slot& slot) const {
    if (!OwnerAlive(slot))
        return false;
    if (slot.handle.IsEmpty())
        return true;
    // The object must still be the one registered under its id: asked of the
    // map only when it has changed since the object was last found there.
    const GuidMap* map = slot.handle.Map();
    if (map == nullptr)
        return false;
    const uint64_t changes = map->TextChanges();
    if (slot.verified == changes)
        return true;
    if (slot.handle.Get() != slot.object)
        return false;
    slot.verified = changes;
    return true;
}

bool ReferenceTable::Confirmed(const void* object, const GuidMap* map) const {
    if (object == nullptr || map == nullptr)
        return false;
    const auto found = index_.find(object);
    if (found == index_.end())
        return false;
    const Slot& slot = slots_[found->second];
    return slot.verified == map->TextChanges() && slot.handle.Map() == map && OwnerAlive(slot);
}

void* ReferenceTable::Resolve(const kest::Cell* cell) const {
    const Slot* slot = SlotOf(cell);
    return slot != nullptr && Alive(*slot) ? slot->object : nullptr;
}

bool ReferenceTable::IsStale(const kest::Cell* cell) const {
    return cell != nullptr && cell->type == kest::TRef && Resolve(cell) == nullptr;
}

void ReferenceTable::Forget(const void* object) {
    auto found = index_.find(object);
    if (found == index_.end())
        return;
    slots_[found->second].object = nullptr;
    index_.erase(found);
}

void ReferenceTable::Reset() {
    slots_.clear();
    index_.clear();
    ++epoch_;
    if (epoch_ == 0)
        epoch_ = 1;
}

kest::Cell* MakeObjectRef(ModelObject* object, ReferenceKind kind, const void* project,
                          const GuidMap* map, bool registered) {
    if (object == nullptr)
        return kest::nil;
    return References().MakeRef(object, kind, project, map, &object->Id(), registered);
}

ModelObject* ResolveObject(const kest::Cell* cell) {
    return static_cast<ModelObject*>(References().Resolve(cell));
}

ReferenceTable& References() {
    static ReferenceTable table;
    return table;
}

} // namespace qm
