// The root of every model object that has an identity (masters, member
// records, models, diagram types, drawables): a flag word, an object id and
// the virtual operations through which the document, the undo journal, the
// clipboard, the merge and the property sheets treat all of them alike. Also
// the small kind predicates shared by the explorer, templates and factory.
#pragma once

#include "model/Guid.h"

#include <cstdint>

namespace kest {
struct Cell;
}

namespace qm {

class CCASEDoc;
class GuidScope;

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

class ModelObject {
  public:
    // Flags 0 and a new id. Registration in a map is the subclass's business.
    ModelObject() = default;
    // Flags 0 and the given id, without using the generator (placeholders,
    // scratch objects).
    explicit ModelObject(Guid::FromText id) : guid(id) {}
    // Does not unregister the object: callers Detach first.
    virtual ~ModelObject() = default;

    ModelObject(const ModelObject&) = delete;
    ModelObject& operator=(const ModelObject&) = delete;

    // Removes the object from the scope's current map (when there is one),
    // sets MoDetached and, with deleteObject, deletes it: the object must then
    // have been made with new and is gone when this returns.
    virtual void Detach(GuidScope* scope, bool deleteObject);
    // The object whose properties a sheet shows, with its PropertyTargetKind
    // through kind (may be null). The root: null and PtNone.
    virtual ModelObject* GetPropertyTarget(int* kind);
    // Copies this object into target (same class) or, with null, into a new
    // object; the copy has its own new id. The root: null.
    virtual ModelObject* Clone(ModelObject* target);
    // Copies other's contents (not its id, flags or registration). The root: nothing.
    virtual void Assign(const ModelObject* other);
    // The undo journal's property exchange. Without a list: a new list saying
    // field by field how other differs from this (nil for an equal field, else
    // (this-value other-value)). With a list: applies it, taking the second
    // value of each entry when redo is set, else the first. The root: null.
    virtual kest::Cell* Props(GuidScope* scope, ModelObject* other, kest::Cell* list, bool redo);
    // With mask bit 0x1, sets MoMarked when value is non-zero, else clears it.
    // Other mask bits and extra belong to overrides.
    virtual void Mark(int value, int mask, int extra);
    // After a read: turns the references held as id texts into objects. The root: nothing.
    virtual void ResolveRefs(CCASEDoc* document, GuidScope* scope, bool byDocument);

    // Sets MoDetached without touching any map (temporaries, copies).
    void SetDetached() { flags |= MoDetached; }
    bool IsMarked() const { return (flags & MoMarked) != 0; }
    bool IsDetached() const { return (flags & MoDetached) != 0; }
    const Guid& Id() const { return guid; }

    uint32_t flags = 0;
    Guid guid;
};

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
