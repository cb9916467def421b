// ObjectHandle: what a window, a sheet or a script keeps in place of a
// pointer to a model object. It names the object by its id and the id map it
// is registered in (by the map's slot and epoch), and finds the object again
// on every use, so that an object undo took away resolves to nothing and one
// undo re-created resolves to the new object under the same id.
#pragma once

#include "model/Guid.h"

#include <cstdint>

namespace qm {

class GuidMap;
class ModelObject;

class ObjectHandle {
  public:
    // The empty handle: resolves to nothing.
    ObjectHandle() = default;
    // The object as registered in map under its own id; empty for a null
    // object or map.
    ObjectHandle(const ModelObject* object, const GuidMap* map);
    // Whatever map holds under id from now on; empty for a null map.
    ObjectHandle(const GuidMap* map, const Guid& id);

    // The object registered under the id now, or null (empty handle, the map
    // is gone, or nothing is registered under the id).
    ModelObject* Get() const;
    template <class T> T* As() const { return dynamic_cast<T*>(Get()); }

    bool IsEmpty() const { return slot_ == 0; }
    const Guid& Id() const { return id_; }
    // The map, or null once it is gone.
    const GuidMap* Map() const;

    // Equal when they name the same id in the same map.
    friend bool operator==(const ObjectHandle& a, const ObjectHandle& b) {
        return a.slot_ == b.slot_ && a.epoch_ == b.epoch_ && a.id_ == b.id_;
    }

  private:
    uint32_t slot_ = 0;
    uint32_t epoch_ = 0;
    Guid id_{Guid::FromText{""}};
};

} // namespace qm
