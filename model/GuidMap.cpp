// The id maps and the global read map.
#include "model/GuidMap.h"

#include "model/ModelObject.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cstring>

namespace qm {
namespace {

GuidTree readMap{GuidTree::TextKeys};
bool readMapActive = false;

// A text key as the tree stores it: at most 15 characters, terminated.
struct TextKey {
    explicit TextKey(const char* text) {
        size_t n = text != nullptr ? ::strnlen(text, Guid::Length) : 0;
        if (n > 0)
            std::memcpy(chars, text, n);
        chars[n] = '\0';
    }
    char chars[16] = {};
};

} // namespace

GuidTree::Node* GuidTree::NewNode() {
    if (current_ == nullptr || current_->used == BlockNodes) {
        auto block = std::make_unique<Block>();
        Block* raw = block.get();
        if (current_ == nullptr)
            first_ = std::move(block);
        else
            current_->next = std::move(block);
        current_ = raw;
    }
    Node* node = &current_->nodes[current_->used++];
    std::memset(node, 0, sizeof *node);
    return node;
}

// The search of both modes: key points to a TextKey's characters or an int32_t.
GuidTree::Node* GuidTree::Search(const void* key, bool insert) {
    Node* parent = nullptr;
    int last = 0;
    for (Node* at = root_; at != nullptr;) {
        int order;
        if (mode_ == TextKeys) {
            order = std::strcmp(static_cast<const char*>(key), at->key.text);
        } else {
            int64_t d = static_cast<int64_t>(*static_cast<const int32_t*>(key)) - at->key.number;
            order = d < 0 ? -1 : (d > 0 ? 1 : 0);
        }
        if (order == 0)
            return at;
        parent = at;
        last = order;
        at = order < 0 ? at->left : at->right;
    }
    if (!insert)
        return nullptr;
    Node* node = Insert(key);
    if (parent == nullptr)
        root_ = node;
    else if (last < 0)
        parent->left = node;
    else
        parent->right = node;
    return node;
}

GuidTree::Node* GuidTree::Insert(const void* key) {
    Node* node = NewNode();
    if (mode_ == TextKeys)
        std::memcpy(node->key.text, key, std::strlen(static_cast<const char*>(key)) + 1);
    else
        node->key.number = *static_cast<const int32_t*>(key);
    return node;
}

GuidTree::Node* GuidTree::FindNode(const char* text, bool insert) {
    if (mode_ != TextKeys)
        return nullptr;
    TextKey key(text);
    return Search(key.chars, insert);
}

GuidTree::Node* GuidTree::FindNode(int32_t number, bool insert) {
    if (mode_ != IntegerKeys)
        return nullptr;
    return Search(&number, insert);
}

void GuidTree::SetAt(const char* text, ModelObject* value) {
    if (Node* node = FindNode(text, true))
        node->value = value;
}

void GuidTree::SetAt(int32_t number, ModelObject* value) {
    if (Node* node = FindNode(number, true))
        node->value = value;
}

bool GuidTree::Lookup(const char* text, ModelObject*& out) const {
    out = nullptr;
    if (root_ == nullptr || mode_ != TextKeys)
        return false;
    TextKey key(text);
    Node* node = const_cast<GuidTree*>(this)->Search(key.chars, false);
    if (node == nullptr)
        return false;
    out = node->value;
    return out != nullptr;
}

bool GuidTree::Lookup(int32_t number, ModelObject*& out) const {
    out = nullptr;
    if (root_ == nullptr || mode_ != IntegerKeys)
        return false;
    Node* node = const_cast<GuidTree*>(this)->Search(&number, false);
    if (node == nullptr)
        return false;
    out = node->value;
    return out != nullptr;
}

ModelObject*& GuidTree::operator[](const char* text) {
    static ModelObject* none;
    Node* node = FindNode(text, true);
    if (node == nullptr) {
        none = nullptr;
        return none;
    }
    return node->value;
}

ModelObject*& GuidTree::operator[](int32_t number) {
    static ModelObject* none;
    Node* node = FindNode(number, true);
    if (node == nullptr) {
        none = nullptr;
        return none;
    }
    return node->value;
}

const char* GuidTree::GetNode(const char* text) {
    Node* node = FindNode(text, true);
    return node != nullptr ? node->key.text : nullptr;
}

void GuidTree::ClearValue(const char* text) {
    if (Node* node = FindNode(text, false))
        node->value = nullptr;
}

void GuidTree::ClearValue(int32_t number) {
    if (Node* node = FindNode(number, false))
        node->value = nullptr;
}

void GuidTree::RemoveAll() {
    // Unchain iteratively: a long chain of blocks must not recurse.
    std::unique_ptr<Block> block = std::move(first_);
    while (block != nullptr)
        block = std::move(block->next);
    root_ = nullptr;
    current_ = nullptr;
}

size_t GuidTree::NodeCount() const {
    size_t count = 0;
    for (const Block* block = first_.get(); block != nullptr; block = block->next.get())
        count += static_cast<size_t>(block->used);
    return count;
}

void GuidMap::Add(ModelObject* object) {
    texts_.SetAt(object->guid.Text(), object);
}

void GuidMap::SetAt(const char* text, ModelObject* object) {
    texts_.SetAt(text, object);
}

void GuidMap::Remove(const ModelObject* object) {
    // Only the object's own entry is cleared: another object may have been
    // registered under the same text since (a pasted copy that kept its id).
    ModelObject* held = nullptr;
    if (texts_.Lookup(object->guid.Text(), held) && held == object)
        texts_.ClearValue(object->guid.Text());
}

void GuidMap::Register(int32_t number, const char* text, bool isText, ModelObject* object) {
    if (isText) {
        texts_.SetAt(text, object);
        return;
    }
    numbers_.SetAt(number, object);
    texts_.SetAt(object->guid.Text(), object);
}

void GuidMap::RegisterRead(int32_t number, const char* text, bool isText, ModelObject* object,
                           Guid& idField) {
    ModelObject* taken = nullptr;
    if (isText && texts_.Lookup(text, taken)) {
        // The old id resolves to the renamed object only while a paste is
        // read; outside one the global map would keep a stale pointer.
        if (readMapActive)
            readMap.SetAt(text, object);
        idField.Generate();
        texts_.SetAt(idField.Text(), object);
        return;
    }
    Register(number, text, isText, object);
}

ModelObject* GuidMap::At(const char* text) {
    return texts_[text];
}

ModelObject* GuidMap::At(int32_t number) {
    return numbers_[number];
}

const char* GuidMap::Find(const char* text) {
    return texts_.GetNode(text);
}

bool GuidMap::Lookup(int32_t number, ModelObject*& out, bool mustFind) const {
    if (numbers_.Lookup(number, out))
        return true;
    out = nullptr;
    if (mustFind)
        throw CKestException("GUID map lookup failed");
    return false;
}

bool GuidMap::Lookup(const char* text, ModelObject*& out, bool mustFind) const {
    if (readMapActive && readMap.Lookup(text, out))
        return true;
    if (texts_.Lookup(text, out))
        return true;
    out = nullptr;
    if (mustFind)
        throw CKestException("GUID map lookup failed");
    return false;
}

ModelObject* GuidMap::Lookup(const char* text) const {
    ModelObject* out = nullptr;
    Lookup(text, out, false);
    return out;
}

GuidTree& GlobalReadMap() {
    return readMap;
}

bool GlobalReadMapActive() {
    return readMapActive;
}

void SetGlobalReadMapActive(bool active) {
    readMapActive = active;
    if (!active)
        readMap.RemoveAll();
}

bool SamePointerLists(const std::vector<ModelObject*>& a, const std::vector<ModelObject*>& b) {
    if (a.size() != b.size())
        return false;
    return std::all_of(a.begin(), a.end(),
                       [&](ModelObject* x) { return std::find(b.begin(), b.end(), x) != b.end(); });
}

void MergeGuidLists(const std::vector<ModelObject*>& a, const std::vector<ModelObject*>& b,
                    std::vector<Guid>& result) {
    for (ModelObject* object : a)
        result.push_back(object->guid);
    for (ModelObject* object : b) {
        bool present = std::any_of(result.begin(), result.end(),
                                   [&](const Guid& id) { return id == object->guid; });
        if (!present)
            result.push_back(object->guid);
    }
}

} // namespace qm
