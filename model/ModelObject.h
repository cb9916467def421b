// The root of every model object that has an identity (masters, member
// records, models, diagram types, drawables): a flag word, an object id and
// the virtual operations through which the document, the undo journal, the
// clipboard, the merge and the property sheets treat all of them alike. Also
// the small kind predicates shared by the explorer, templates and factory.
#pragma once

#include "model/Guid.h"

#include <cstdint>
#include <memory>

namespace kest {
struct Cell;
}

namespace qm {

class GuidScope;
class ModelDocument;

// Bits of ModelObject::flags.
enum ModelObjectFlag : uint32_t {
    MoSelected = 0x1,
    MoMarked = 0x2,
    MoDragged = 0x8,
    MoMaster = 0x10,
    MoModel = 0x20,
    MoToolMissing = 0x80, // a master whose tool was not in the template
    MoDetached = 0x100,   // no longer registered in an id map
};

// What a property sheet shows for a chosen object.
enum PropertyTargetKind : int {
    PtNone = 0,
    PtModel = 1,
    PtDiagramType = 2,
    PtMaster = 3,
    PtLink = 4,
    PtTextPrimitive = 5,
    PtMessageFloater = 6,
    PtControlPlace = 7,
};

// Who owns a model object: exactly one owner at a time. The masters
// collection owns its masters, a master its member records, a model its
// drawables, a group its members, a template its tools, the undo journal the
// objects a change took out. Ownership moves as std::unique_ptr; raw pointers
// are links that own nothing. Nothing deletes itself: an owner Detaches an
// object (out of the id maps) and then frees it or hands it on.
class ModelObject {
  public:
    // Flags 0 and a new id. Registration in a map is the subclass's business.
    ModelObject() = default;
    // Flags 0 and the given id, without using the generator (placeholders,
    // scratch objects).
    explicit ModelObject(Guid::FromText id) : guid(id) {}
    // Does not unregister the object: owners Detach first.
    virtual ~ModelObject() = default;

    ModelObject(const ModelObject&) = delete;
    ModelObject& operator=(const ModelObject&) = delete;

    // Removes the object (and what it owns) from the scope's current map
    // (when there is one) and sets MoDetached. The object stays with its owner.
    virtual void Detach(GuidScope* scope);
    // The object whose properties a sheet shows, with its PropertyTargetKind
    // through kind (may be null). The root: null and PtNone.
    virtual ModelObject* GetPropertyTarget(int* kind);
    // A new object of the same class with this one's contents (Assign) and
    // its own new id, registered nowhere. The root: null. Classes write it as
    // CloneOf(*this).
    virtual std::unique_ptr<ModelObject> Clone() const;
    // Copies other's contents (not its id, flags or registration); nothing
    // when other is of another class or is this object. The root: nothing.
    // Classes take their source through AssignSource.
    virtual void Assign(const ModelObject* other);
    // The undo journal's property exchange. Without a list (null, or nil): a
    // new list saying field by field how other differs from this (nil for an
    // equal field, else (this-value other-value)). With a list: applies it, the
    // second value of each entry when redo is set, else the first. Root: null.
    virtual kest::Cell* Props(GuidScope* scope, ModelObject* other, kest::Cell* list, bool redo);
    // With mask bit 0x1, sets MoMarked when value is non-zero, else clears it.
    // Other mask bits and extra belong to overrides.
    virtual void Mark(int value, int mask, int extra);
    // After a read: turns the references held as id texts into objects. The root: nothing.
    virtual void ResolveRefs(ModelDocument* document, GuidScope* scope, bool byDocument);

    // Sets MoDetached without touching any map (temporaries, copies).
    void SetDetached() { flags |= MoDetached; }
    bool IsMarked() const { return (flags & MoMarked) != 0; }
    bool IsDetached() const { return (flags & MoDetached) != 0; }
    const Guid& Id() const { return guid; }

    uint32_t flags = 0;
    Guid guid;
};

// The copy pattern of every model class T: a new T (with a new id) given
// the contents of object through T::Assign.
template <class T> std::unique_ptr<T> CloneOf(const T& object) {
    auto copy = std::make_unique<T>();
    copy->Assign(&object);
    return copy;
}

// The source of T::Assign: other as a T, or null when it is another class or
// the object itself (then Assign does nothing).
template <class T> const T* AssignSource(const T* self, const ModelObject* other) {
    const auto* source = dynamic_cast<const T*>(other);
    return source == self ? nullptr : source;
}

// Detaches object from the scope's current map and frees it (nothing for null).
void Discard(std::unique_ptr<ModelObject> object, GuidScope* scope);

// The id text of an object, or "" for none (record writers write it as a string).
const char* IdOf(const ModelObject* object);

// Kind predicates on plain integers.
// Model kinds 0 (default) and 11 to 17 are diagram kinds; the tool model (1) is not.
bool IsDiagramKind(int kind);
// One of the 24 built-in tools of a notation template.
bool IsBuiltinTool(int index);
// A tool the user added to a template (kind 100 and up).
bool IsUserToolKind(int kind);
// Models of non-diagram kinds are shown under the explorer's root: never true.
bool HasOwnFolder(int kind);

} // namespace qm
