// Object references: how a model object travels through a script. A
// reference cell (type 16) carries its ReferenceKind in the flag byte; its
// first word is not the object but a slot number of the reference table, and
// the cell's stamp is the table's epoch when the cell was made.
//
// Design: a script may keep a reference after its object is gone (VxDelete,
// a project closed while a script still holds cells). The table never hands
// out a pointer it cannot vouch for: a slot is invalidated when its object is
// forgotten (the code that deletes objects and the owner that closes a
// project call Forget), a slot of an object that belongs to a project dies
// with the project's slot, and an object entered with its id map is checked
// against that map on every resolution through the object's handle (a
// detached or deleted object is no longer found under its id, a map that is
// gone resolves nothing, and ids are never reused), so the stored pointer is
// compared but never followed until the map has confirmed it. Slots are
// never reused within an epoch, so two references compare equal exactly when
// they name the same object; Reset starts a new epoch after a run's cells
// have been released, and cells of an older epoch resolve to nothing.
#pragma once

#include "model/Guid.h"
#include "model/ObjectHandle.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace kest {
struct Cell;
}

namespace qm {

class GuidMap;

// The class of the object a reference names.
enum ReferenceKind : uint8_t {
    RefModel = 0,
    RefMaster = 1,
    RefPlace = 2, // place, scenario place, place group, swimlane
    RefLink = 3,
    RefPrimitive = 4, // primitives and any other drawable
    RefTag = 5,       // tag or message floater
    RefAttribute = 6,
    RefType = 7,
    RefMethod = 8,
    RefException = 9,
    RefProject = 10,
    RefJunction = 11,
};

// The reference kind of a drawable reached through a list, from its kind
// byte (DrawableKind): place 2, link 3, tag 5, junction 11, everything else
// (primitives, user-interface controls) 4.
ReferenceKind DrawableRefKind(int drawableKind);

class ReferenceTable {
  public:
    // A reference cell for object, or nil for a null object. project is the
    // project the object belongs to (null for a project itself and for objects
    // outside any project); map and id, when given, are the id map the object
    // is registered in and its id there, checked on every resolution. The same
    // live object always gets the same slot. registered says that the caller
    // has just found object in map under id, which spares looking it up again.
    kest::Cell* MakeRef(void* object, ReferenceKind kind, const void* project = nullptr,
                        const GuidMap* map = nullptr, const Guid* id = nullptr,
                        bool registered = false);

    // The object a reference cell names, or null when the cell is not a
    // reference of this table's epoch or its object is gone.
    void* Resolve(const kest::Cell* cell) const;
    // True when the cell is a reference (type 16) whose object is gone.
    bool IsStale(const kest::Cell* cell) const;
    // True when object has a slot whose owner is alive and that was found
    // registered in map under its id since the map last changed: it is
    // still there, and map need not be asked again.
    bool Confirmed(const void* object, const GuidMap* map) const;

    // The object will be deleted or has left the script's reach: every
    // reference to it resolves to nothing from now on. For a project, so do
    // the references to every object entered with it as their project.
    void Forget(const void* object);
    // Starts a new epoch: every earlier reference resolves to nothing. Called
    // by the runner after the run's cells have been released.
    void Reset();

    // Number of live slots (for tests).
    size_t LiveCount() const { return index_.size(); }

  private:
    struct Slot {
        void* object = nullptr; // null once forgotten
        // The object's id in its map; empty for an object entered without one.
        ObjectHandle handle;
        uint32_t project = 0; // slot number + 1 of the owning project, 0 for none
        // The change count of the handle's map (GuidMap::TextChanges) when
        // the object was last found there under its id; 0 for never. A map
        // that has not changed since need not be asked again: a script
        // resolves the same objects many times and the map never changes
        // while a generator reads the model.
        mutable uint64_t verified = 0;
    };
    const Slot* SlotOf(const kest::Cell* cell) const;
    bool Alive(const Slot& slot) const;
    // Alive, less the check of the object's id map.
    bool OwnerAlive(const Slot& slot) const;

    std::vector<Slot> slots_;
    std::unordered_map<const void*, uint32_t> index_; // live object -> slot number
    uint32_t epoch_ = 1;
};

class ModelObject;

// A reference to a model object (every kind but the project): the table
// holds the object as a ModelObject pointer, checked against map under the
// object's own id when a map is given (registered: as in MakeRef).
kest::Cell* MakeObjectRef(ModelObject* object, ReferenceKind kind, const void* project = nullptr,
                          const GuidMap* map = nullptr, bool registered = false);
// The model object of a reference made by MakeObjectRef, or null.
ModelObject* ResolveObject(const kest::Cell* cell);

// The one table of this process (the kernel is one interpreter per process).
ReferenceTable& References();

} // namespace qm
