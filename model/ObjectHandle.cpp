// Object handles: an id and a map named by slot and epoch, resolved on use.
#include "model/ObjectHandle.h"

#include "model/GuidMap.h"
#include "model/ModelObject.h"

namespace qm {

ObjectHandle::ObjectHandle(const ModelObject* object, const GuidMap* map)
    : ObjectHandle(object != nullptr ? map : nullptr,
                   object != nullptr ? object->Id() : Guid(Guid::FromText{""})) {}

ObjectHandle::ObjectHandle(const GuidMap* map, const Guid& id) {
    if (map == nullptr)
        return;
    slot_ = map->Slot();
    epoch_ = map->Epoch();
    id_ = id;
}

const GuidMap* ObjectHandle::Map() const {
    return IsEmpty() ? nullptr : GuidMap::Live(slot_, epoch_);
}

ModelObject* ObjectHandle::Get() const {
    const GuidMap* map = Map();
    if (map == nullptr || id_.IsEmpty())
        return nullptr;
    return map->Lookup(id_.Text());
}

} // namespace qm
