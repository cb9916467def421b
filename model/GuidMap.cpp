// The id maps and the record context.
#include "model/GuidMap.h"

#include "model/ModelObject.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace qm {

GuidTree::TextKey::TextKey(const char* text) {
    size_t n = text != nullptr ? ::strnlen(text, Guid::Length) : 0;
    if (n > 0)
        std::memcpy(chars, text, n);
}

bool GuidTree::TextKey::operator==(const TextKey& other) const {
    return std::memcmp(chars, other.chars, sizeof chars) == 0;
}

// Both halves of the key, multiplied and folded: generated ids differ in
// their first nine characters and share the last six, so every byte counts.
size_t GuidTree::TextKeyHash::operator()(const TextKey& key) const {
    uint64_t low = 0;
    uint64_t high = 0;
    std::memcpy(&low, key.chars, 8);
    std::memcpy(&high, key.chars + 8, 8);
    uint64_t h =
        low * 0x9E3779B97F4A7C15ull ^ (high + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return static_cast<size_t>(h);
}

GuidTree::Node* GuidTree::FindNode(const char* text, bool insert) {
    ++changes_;
    return NodeOf(text, insert);
}

GuidTree::Node* GuidTree::FindNode(int32_t number, bool insert) {
    ++changes_;
    return NodeOf(number, insert);
}

GuidTree::Node* GuidTree::NodeOf(const char* text, bool insert) {
    if (mode_ != TextKeys)
        return nullptr;
    TextKey key(text);
    auto at = texts_.find(key);
    if (at != texts_.end())
        return &at->second;
    if (!insert)
        return nullptr;
    Node node{};
    std::memcpy(node.key.text, key.chars, sizeof node.key.text);
    return &texts_.emplace(key, node).first->second;
}

GuidTree::Node* GuidTree::NodeOf(int32_t number, bool insert) {
    if (mode_ != IntegerKeys)
        return nullptr;
    auto at = numbers_.find(number);
    if (at != numbers_.end())
        return &at->second;
    if (!insert)
        return nullptr;
    Node node{};
    node.key.number = number;
    return &numbers_.emplace(number, node).first->second;
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
    if (mode_ != TextKeys)
        return false;
    auto at = texts_.find(TextKey(text));
    if (at == texts_.end())
        return false;
    out = at->second.value;
    return out != nullptr;
}

bool GuidTree::Lookup(int32_t number, ModelObject*& out) const {
    out = nullptr;
    if (mode_ != IntegerKeys)
        return false;
    auto at = numbers_.find(number);
    if (at == numbers_.end())
        return false;
    out = at->second.value;
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
    // A new node has no value: no key's value changes.
    Node* node = NodeOf(text, true);
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
    ++changes_;
    numbers_.clear();
    texts_.clear();
}

namespace {

// The map table: slot numbers start at 1 (0 names no map); a freed slot is
// reused with the next epoch.
struct MapSlot {
    GuidMap* map = nullptr;
    uint32_t epoch = 0;
};

// Never freed, so that a map destroyed at the process's end still finds them.
std::vector<MapSlot>& MapTable() {
    static auto* table = new std::vector<MapSlot>;
    return *table;
}

std::vector<uint32_t>& FreeSlots() {
    static auto* free = new std::vector<uint32_t>;
    return *free;
}

} // namespace

GuidMap::GuidMap() {
    std::vector<MapSlot>& table = MapTable();
    std::vector<uint32_t>& free = FreeSlots();
    if (free.empty()) {
        table.push_back({});
        slot_ = static_cast<uint32_t>(table.size());
    } else {
        slot_ = free.back();
        free.pop_back();
    }
    MapSlot& entry = table[slot_ - 1];
    entry.map = this;
    epoch_ = ++entry.epoch;
}

GuidMap::~GuidMap() {
    MapSlot& entry = MapTable()[slot_ - 1];
    entry.map = nullptr;
    ++entry.epoch;
    FreeSlots().push_back(slot_);
}

const GuidMap* GuidMap::Live(uint32_t slot, uint32_t epoch) {
    const std::vector<MapSlot>& table = MapTable();
    if (slot == 0 || slot > table.size())
        return nullptr;
    const MapSlot& entry = table[slot - 1];
    return entry.epoch == epoch ? entry.map : nullptr;
}

void GuidMap::Add(ModelObject* object) {
    texts_.SetAt(object->guid.Text(), object);
}

void GuidMap::AddNew(ModelObject* object) {
    // An id is a sequence number, the time to the second and the host. A run
    // that keeps no sequence between runs (a batch run) starts it again, so
    // within the second an earlier run made a project's ids, a new object can
    // be given one of them; entered as it is, it would hide that object.
    // Every new id takes the next sequence number, so the loop ends.
    ModelObject* held = nullptr;
    for (int32_t tries = 0; tries <= GuidSequenceLimit; ++tries) {
        if (!texts_.Lookup(object->guid.Text(), held) || held == nullptr || held == object)
            break;
        object->guid.Generate();
    }
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
                           Guid& idField, GuidTree* readMap) {
    ModelObject* taken = nullptr;
    if (isText && texts_.Lookup(text, taken)) {
        // The old id resolves to the renamed object only while a paste is
        // read; outside one a read map would keep a stale pointer.
        if (readMap != nullptr)
            readMap->SetAt(text, object);
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

const char* GuidMap::InternGuid(const char* text) {
    return text != nullptr ? texts_.GetNode(text) : nullptr;
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

bool GuidScope::Lookup(const char* text, ModelObject*& out, bool mustFind) const {
    if (readMap != nullptr && readMap->Lookup(text, out))
        return true;
    if (current != nullptr)
        return current->Lookup(text, out, mustFind);
    out = nullptr;
    if (mustFind)
        throw CKestException("GUID map lookup failed");
    return false;
}

ModelObject* GuidScope::Lookup(const char* text) const {
    ModelObject* out = nullptr;
    Lookup(text, out, false);
    return out;
}

void GuidScope::ForgetReadAs(const char* text, const ModelObject* object) const {
    ModelObject* held = nullptr;
    if (readMap != nullptr && readMap->Lookup(text, held) && held == object)
        readMap->ClearValue(text);
}

std::unique_ptr<ModelObject> TakeHeld(HeldObjects* held, const ModelObject* object) {
    if (held == nullptr || object == nullptr)
        return nullptr;
    for (auto it = held->begin(); it != held->end(); ++it) {
        if (it->get() == object) {
            std::unique_ptr<ModelObject> taken = std::move(*it);
            held->erase(it);
            return taken;
        }
    }
    return nullptr;
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
