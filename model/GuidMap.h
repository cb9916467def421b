// The id maps: GuidTree (a binary search tree from integer or text keys to
// objects, its nodes taken from blocks of 128), GuidMap (an integer tree for
// the numeric ids of old files and template tool numbers, and a text tree for
// ids), GuidScope (which map is current), and the process-wide read map that
// gives pasted objects new ids while their old ids still resolve.
//
// The tree is not balanced: ids spread well because their first character is
// the fastest-changing digit of the sequence. Nodes are never freed one by one;
// removing an object clears its node's value, and RemoveAll drops every block.
#pragma once

#include "model/Guid.h"

#include <cstdint>
#include <memory>
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
        Node* left;
        Node* right;
    };
    static constexpr int BlockNodes = 128;

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

    bool IsEmpty() const { return root_ == nullptr; }
    // Number of nodes (for tests).
    size_t NodeCount() const;

  private:
    struct Block {
        Node nodes[BlockNodes];
        int used = 0;
        std::unique_ptr<Block> next;
    };

    Node* NewNode();
    Node* Search(const void* key, bool insert);
    Node* Insert(const void* key);

    KeyMode mode_;
    Node* root_ = nullptr;
    std::unique_ptr<Block> first_;
    Block* current_ = nullptr;
};

// An integer id of old files (0..9998) or an id text: every key outside that
// range is taken as a text.
constexpr int32_t MaxNumericId = 9998;

class GuidMap {
  public:
    GuidMap() = default;
    GuidMap(const GuidMap&) = delete;
    GuidMap& operator=(const GuidMap&) = delete;

    // Enters the object in the text tree under its own id.
    void Add(ModelObject* object);
    // Enters the object in the text tree under text.
    void SetAt(const char* text, ModelObject* object);
    // Clears the text tree's value for the object's id.
    void Remove(const ModelObject* object);
    // isText clear: the object under the integer key in the integer tree and
    // under its own id in the text tree. isText set: under text only.
    void Register(int32_t number, const char* text, bool isText, ModelObject* object);
    // As Register, except that when isText is set and the text already holds
    // an object, the object is first entered in the global read map under the
    // old text, gets a new id in its id field and is registered under that.
    void RegisterRead(int32_t number, const char* text, bool isText, ModelObject* object,
                      Guid& idField);
    // The object stored under the key (inserted with none when absent); null when none.
    ModelObject* At(const char* text);
    ModelObject* At(int32_t number);
    // The interned copy of the text in the text tree.
    const char* Find(const char* text);
    // The object of a key: an integer key in the integer tree only; a text in
    // the global read map while it is active, then in the text tree. Only a
    // non-null value counts. out is null when not found; then with mustFind
    // it throws CKestException("GUID map lookup failed").
    bool Lookup(int32_t number, ModelObject*& out, bool mustFind) const;
    bool Lookup(const char* text, ModelObject*& out, bool mustFind) const;
    // The object under text, or null.
    ModelObject* Lookup(const char* text) const;

    GuidTree& Numbers() { return numbers_; }
    GuidTree& Texts() { return texts_; }

  private:
    GuidTree numbers_{GuidTree::IntegerKeys};
    GuidTree texts_{GuidTree::TextKeys};
};

// Which of a project's and a template's map is current.
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

    GuidMap* project;
    GuidMap* templateMap;
    GuidMap* current;
};

// The process-wide read map: active only while the masters clipboard file is
// pasted; then objects whose ids were taken are found under their old ids.
GuidTree& GlobalReadMap();
bool GlobalReadMapActive();
// Activates or deactivates it; deactivating also empties it.
void SetGlobalReadMapActive(bool active);

// True when both lists have the same count and every element of a is in b.
bool SamePointerLists(const std::vector<ModelObject*>& a, const std::vector<ModelObject*>& b);
// Appends to result a copy of the id of every object of a, then of every
// object of b whose id is not yet in result.
void MergeGuidLists(const std::vector<ModelObject*>& a, const std::vector<ModelObject*>& b,
                    std::vector<Guid>& result);

} // namespace qm
