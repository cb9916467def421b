// The masters collection: the ordered array of a project's masters. Places
// bind to masters through it by kind, name and namespace, counting their
// references; the document persists it as the masters record, and pasting
// masters from the clipboard file merges them into it. The collection owns
// its masters: what it holds it frees, and a master taken out is handed to
// the caller. Look-ups by name go through an index of the masters by name,
// which the collection keeps in step with its own changes and which masters
// tell when their name changes (Master::NoteNameChange).
#pragma once

#include "model/Master.h"

#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kest {
struct Cell;
struct Channel;
} // namespace kest

namespace qm {

class GuidMap;
class GuidScope;

// The collection's look-up rule: the same kind and name, and the same
// namespace unless nameSpace is empty, which stands for any.
bool MasterMatches(const Master* master, int kind, const std::string& name,
                   const std::string& nameSpace);

// The masters in collection order. New masters go to the front (a made
// master) or the back (masters read from a file), so both ends must take a
// master in constant time: a vector's front insertion made building a large
// project quadratic.
using MasterSequence = std::deque<std::unique_ptr<Master>>;

class MasterCollection {
  public:
    MasterCollection() = default;
    // Frees the masters still held (without touching any id map: the maps
    // go with the document that owns them all).
    virtual ~MasterCollection();
    MasterCollection(const MasterCollection&) = delete;
    MasterCollection& operator=(const MasterCollection&) = delete;

    bool Contains(const Master* master) const;
    // The first master of that kind and name (case-sensitive); a non-empty
    // namespace must match too, an empty one matches any. Null when none.
    Master* FindMaster(int kind, const std::string& name, const std::string& nameSpace) const;
    // FindMaster with the first namespace, then, when that finds nothing and
    // the first is not empty, with the second.
    Master* FindMasterInScopes(int kind, const std::string& name, const std::string& first,
                               const std::string& second) const;
    Master* FindByGuid(const char* text) const;
    // An existing master gets one more reference; otherwise a new one is made,
    // registered in map, given tool, name and namespace and count 1, and put
    // at the front. created (may be null) tells which.
    Master* FindOrCreate(GuidMap* map, int kind, MasterTool* tool, const std::string& name,
                         const std::string& nameSpace, bool* created);
    // Takes the master at the front; returns it (null for null).
    Master* Add(std::unique_ptr<Master> master);
    // Takes the master at index (clamped to the array); returns it.
    Master* InsertAt(size_t index, std::unique_ptr<Master> master);
    // A master of the array loses one reference (when it has any). Without
    // lastReference it leaves the array and is handed back; with it, it
    // leaves (and is handed back) only when its count has reached 0, else it
    // stays and the answer is null. Null for a master not in the array. The
    // caller detaches the master handed back and frees it or passes it on.
    [[nodiscard]] std::unique_ptr<Master> Remove(Master* master, bool lastReference);
    void Rename(Master* master, const std::string& name);
    // Marks (value non-zero) or unmarks every master.
    void MarkAll(int value);
    // Re-binds every master that has a tool to the tool of the same number in
    // the template's map; a number the template lacks gets tool 10, flag 0x80
    // and a logged warning.
    void BindTools(GuidMap* templateMap);
    // Writing (list null): (masters master...) of every master, or with merge
    // only of the marked ones. Reading: the masters of the record are appended
    // in order; with merge a master that matches an existing one by kind, name
    // and namespace is not added: its id then resolves to the existing master
    // (also through the scope's read map during a paste). New masters get
    // reference count 0 and go to added (may be null; links, not owners). A
    // bad record adds nothing. Returns the new list, or nil after reading.
    virtual kest::Cell* Persist(GuidScope* scope, bool merge, std::vector<Master*>* added,
                                kest::Cell* list);
    // Reading the masters record (after its head) one element at a time; the
    // masters are appended as Persist appends them without merge, and a bad
    // record adds nothing.
    void ReadRecordElements(GuidScope* scope, RecordElements& elements);

    // Writes the masters record of every master as prettyprint writes what
    // Persist returns, from column 0: a master's cells are made, printed
    // and released one master at a time, so that a large project's record
    // is never held in cells whole.
    void WriteRecord(GuidScope* scope, kest::Channel* out);

    // The masters in order (the collection keeps them).
    const MasterSequence& Masters() const { return masters_; }
    Master* At(size_t index) const { return masters_[index].get(); }
    size_t Count() const { return masters_.size(); }
    // Raised whenever a master joins or leaves the collection, so that a
    // watcher of its order and members can tell that it stayed as it was.
    uint64_t ChangeCount() const { return changeCount_; }

  private:
    friend class Master;
    // Persist's reading, over the record's elements as next gives them.
    void ReadMasters(GuidScope* scope, bool merge, std::vector<Master*>* added,
                     RecordElements& elements);
    // A held master's name changed: the index is rebuilt on its next use.
    void NameChanged() { indexed_ = false; }
    // The master enters or leaves the collection (its holder link).
    void Hold(Master* master);
    static void Release(Master* master);
    // The index answer of FindMaster.
    Master* FindIndexed(int kind, const std::string& name, const std::string& nameSpace) const;
    void RebuildIndex() const;
    // Takes a master leaving the collection out of the index (or drops the
    // index when the master is not where its name says).
    void Unindex(const Master* master) const;

    MasterSequence masters_;
    uint64_t changeCount_ = 0;
    // The masters by name, each list in collection order; valid only while
    // indexed_ is set. A master whose name no longer matches its key (a
    // writer that did not tell) makes the look-up rebuild the index.
    mutable std::unordered_map<std::string, std::vector<Master*>> byName_;
    mutable bool indexed_ = false;
};

} // namespace qm
