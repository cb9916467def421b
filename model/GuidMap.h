// The id maps: GuidTree (a hash table from integer or text keys to objects),
// GuidMap (an integer tree for the numeric ids of old files and template tool
// numbers, and a text tree for ids), and GuidScope, the record context every
// persist operation takes: which map is current, the version of the file
// being read, the members-by-id switch and the read map of a paste while one
// is read.
//
// The trees keep look-up and insertion constant on average whatever the key
// order (ids read from old files are sequential numbers, generated ids share
// their host digits): a script that makes a reference for every object of a
// large project looks each one up several times. Nodes are never freed one
// by one: removing an object clears its node's value, and RemoveAll drops
// every node.
#pragma once

#include "model/Guid.h"

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace qm {

class ModelObject;

class GuidTree {
  public:
    enum KeyMode : int { IntegerKeys = 0, TextKeys = 1 };

    // A key: an integer in integer mode, a text in text mode. Texts are
    // compared and stored as their first 15 characters.
    struct Node {
        union {
            char text[16];
            int32_t number;
        } key;
        ModelObject* value;
    };

    explicit GuidTree(KeyMode mode) : mode_(mode) {}
    ~GuidTree() { RemoveAll(); }
    GuidTree(const GuidTree&) = delete;
    GuidTree& operator=(const GuidTree&) = delete;

    KeyMode Mode() const { return mode_; }

    // The node of the key; when absent null, or with insert a new node with a
    // null value placed where the search ended. A key of the wrong kind for
    // the tree's mode finds nothing and inserts nothing.
    Node* FindNode(const char* text, bool insert);
    Node* FindNode(int32_t number, bool insert);
    // Stores value under the key, inserting the key when absent.
    void SetAt(const char* text, ModelObject* value);
    void SetAt(int32_t number, ModelObject* value);
    // False for an empty tree or an absent key (out set to null); otherwise out
    // gets the node's value and the answer is whether it is non-null.
    bool Lookup(const char* text, ModelObject*& out) const;
    bool Lookup(int32_t number, ModelObject*& out) const;
    // The value slot of the key, inserted with a null value when absent.
    ModelObject*& operator[](const char* text);
    ModelObject*& operator[](int32_t number);
    // Text mode: the interned copy of the text (inserted when absent), stable
    // until RemoveAll. Integer mode: null.
    const char* GetNode(const char* text);
    // Sets the key's value to null; the node stays. Nothing for an absent key.
    void ClearValue(const char* text);
    void ClearValue(int32_t number);
    // Releases every node block; the tree is empty afterwards.
    void RemoveAll();
    // Counts the operations that may have changed the value of a key that
    // already had one (setting or clearing a value, handing out a writable
    // node or value slot, emptying the tree); never 0. While it stays the
    // same, every key keeps the value it had, so a holder that has seen an
    // object under its key need not look it up again.
    uint64_t Changes() const { return changes_; }

    bool IsEmpty() const { return numbers_.empty() && texts_.empty(); }
    // Number of nodes (for tests).
    size_t NodeCount() const { return numbers_.size() + texts_.size(); }

    // A text key as the tree stores it: its first 15 characters, the rest of
    // the 16 bytes zero, so that equal keys have equal bytes.
    struct TextKey {
        explicit TextKey(const char* text);
        bool operator==(const TextKey& other) const;
        char chars[16] = {};
    };
    struct TextKeyHash {
        size_t operator()(const TextKey& key) const;
    };

  private:
    // FindNode without counting a change: the callers that only read the
    // node's key (GetNode) or count the change themselves.
    Node* NodeOf(const char* text, bool insert);
    Node* NodeOf(int32_t number, bool insert);

    KeyMode mode_;
    uint64_t changes_ = 1;
    // Nodes stay where they are until RemoveAll (an unordered map never moves
    // its elements, not even when it grows), so pointers to them and to their
    // interned texts stay valid.
    std::unordered_map<int32_t, Node> numbers_;
    std::unordered_map<TextKey, Node, TextKeyHash> texts_;
};

// An integer id of old files (0..9998) or an id text: every key outside that
// range is taken as a text.
constexpr int32_t MaxNumericId = 9998;

class GuidMap {
  public:
    // Every map holds a slot of the process's map table while it lives; the
    // slot's epoch changes when the map goes, so that a handle naming the
    // map by slot and epoch never reaches a map that is gone.
    GuidMap();
    ~GuidMap();
    GuidMap(const GuidMap&) = delete;
    GuidMap& operator=(const GuidMap&) = delete;

    uint32_t Slot() const { return slot_; }
    uint32_t Epoch() const { return epoch_; }
    // The live map of that slot and epoch, or null when it is gone.
    static const GuidMap* Live(uint32_t slot, uint32_t epoch);

    // Enters the object in the text tree under its own id.
    void Add(ModelObject* object);
    // As Add, for an object whose id was just made and that nothing names
    // yet: while the id is held by another object, the object takes a new id.
    void AddNew(ModelObject* object);
    // Enters the object in the text tree under text.
    void SetAt(const char* text, ModelObject* object);
    // Clears the text tree's value for the object's id.
    void Remove(const ModelObject* object);
    // isText clear: the object under the integer key in the integer tree and
    // under its own id in the text tree. isText set: under text only.
    void Register(int32_t number, const char* text, bool isText, ModelObject* object);
    // As Register, except that when isText is set and the text already holds
    // an object, the object is first entered in readMap (when given: a
    // paste's read map) under the old text, gets a new id in its id field and
    // is registered under that.
    void RegisterRead(int32_t number, const char* text, bool isText, ModelObject* object,
                      Guid& idField, GuidTree* readMap = nullptr);
    // The object stored under the key (inserted with none when absent); null when none.
    ModelObject* At(const char* text);
    ModelObject* At(int32_t number);
    // The interned copy of the text in the text tree.
    const char* Find(const char* text);
    // The map's own copy of an id text, entered in the text tree when absent:
    // a pointer that stays valid as long as the map, which copied objects hold
    // in place of their references until these are resolved. Null for null.
    const char* InternGuid(const char* text);
    // The object of a key: an integer key in the integer tree, a text in the
    // text tree. Only a non-null value counts. out is null when not found;
    // then with mustFind it throws CKestException("GUID map lookup failed").
    bool Lookup(int32_t number, ModelObject*& out, bool mustFind) const;
    bool Lookup(const char* text, ModelObject*& out, bool mustFind) const;
    // The object under text, or null.
    ModelObject* Lookup(const char* text) const;

    // The text tree's change count (GuidTree::Changes): while it stays the
    // same, Lookup of an id text answers as it did.
    uint64_t TextChanges() const { return texts_.Changes(); }

    GuidTree& Numbers() { return numbers_; }
    GuidTree& Texts() { return texts_; }

  private:
    GuidTree numbers_{GuidTree::IntegerKeys};
    GuidTree texts_{GuidTree::TextKeys};
    uint32_t slot_ = 0;
    uint32_t epoch_ = 0;
};

// The program's own file version: records read outside a file count as this.
constexpr double kCurrentFileVersion = 8.0;

class DrawableIdIndex;

// Objects that a change took out of their document and that something else
// (the undo journal) holds meanwhile; reading members by id takes them from here.
using HeldObjects = std::list<std::unique_ptr<ModelObject>>;

// The record context: passed to every operation that reads or writes a
// record. It says which of a project's and a template's map is current and
// carries what the record being read or written depends on.
class GuidScope {
  public:
    // The current map is the template's for a tool model (isToolModel), else the project's.
    GuidScope(GuidMap* project, GuidMap* templateMap, bool isToolModel = false)
        : project(project),
          templateMap(templateMap),
          current(isToolModel ? templateMap : project) {}
    GuidScope(GuidMap* project, GuidMap* templateMap, GuidMap* current)
        : project(project), templateMap(templateMap), current(current) {}

    // Makes the template's map current for a tool model, the project's otherwise.
    void Select(bool isToolModel) { current = isToolModel ? templateMap : project; }

    // The object of an id text: in the paste's read map while there is one,
    // then in the current map. As GuidMap::Lookup otherwise (no current map
    // finds nothing).
    bool Lookup(const char* text, ModelObject*& out, bool mustFind) const;
    ModelObject* Lookup(const char* text) const;
    // The read map's object of the text, taking it out of the read map when it
    // is object; nothing without a read map.
    void ForgetReadAs(const char* text, const ModelObject* object) const;

    GuidMap* project;
    GuidMap* templateMap;
    GuidMap* current;
    // The version of the file whose records are read.
    double fileVersion = kCurrentFileVersion;
    // Groups write and read their members as id texts (the undo journal's
    // copies of a change's drawables) and do not resolve their references.
    bool membersById = false;
    // A paste's read map while the masters clipboard file is read (owned by
    // the paste; null otherwise): objects whose ids were taken get new ids,
    // and their old ids resolve to them through it.
    GuidTree* readMap = nullptr;
    // The objects members read by id may be taken from (null: none).
    HeldObjects* held = nullptr;
    // While a model's drawable records are bound: the index of that model's
    // drawables by id (owned by the read; null otherwise).
    DrawableIdIndex* drawableIndex = nullptr;
    // While a project file's diagrams are read: the ids that link ends name
    // and the project does not hold (null: a read of anything else). Such an
    // end stays unconnected and keeps its id, which the next save writes
    // back as it was read.
    std::vector<std::string>* unresolved = nullptr;
};

// Takes object out of held and returns it; null when held does not hold it.
std::unique_ptr<ModelObject> TakeHeld(HeldObjects* held, const ModelObject* object);
// As TakeHeld, handing the object back as the class the caller knows it to be.
template <class T> std::unique_ptr<T> TakeHeldAs(HeldObjects* held, T* object) {
    return std::unique_ptr<T>(static_cast<T*>(TakeHeld(held, object).release()));
}

// True when both lists have the same count and every element of a is in b.
bool SamePointerLists(const std::vector<ModelObject*>& a, const std::vector<ModelObject*>& b);
// Appends to result a copy of the id of every object of a, then of every
// object of b whose id is not yet in result.
void MergeGuidLists(const std::vector<ModelObject*>& a, const std::vector<ModelObject*>& b,
                    std::vector<Guid>& result);

} // namespace qm
