// The masters collection: look-ups, reference counts and the masters record.
#include "model/MasterCollection.h"

#include "kernel/Cell.h"
#include "kernel/Mark.h"
#include "kernel/Predefined.h"
#include "kernel/Printer.h"
#include "model/GuidMap.h"
#include "model/ListRecords.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <memory>

namespace qm {

using kest::Cell;
using kest::nil;

bool MasterMatches(const Master* master, int kind, const std::string& name,
                   const std::string& nameSpace) {
    return master->Kind() == kind && master->name == name &&
           (nameSpace.empty() || master->nameSpace == nameSpace);
}

namespace {

Master* FindIn(const MasterSequence& list, int kind, const std::string& name,
               const std::string& nameSpace) {
    for (const auto& master : list) {
        if (MasterMatches(master.get(), kind, name, nameSpace))
            return master.get();
    }
    return nullptr;
}

template <class List> auto Position(List& list, const Master* master) {
    return std::find_if(list.begin(), list.end(),
                        [master](const std::unique_ptr<Master>& m) { return m.get() == master; });
}

// The id text of a master record's id field, or "" when it has none.
std::string RecordIdText(Cell* record) {
    Cell* rest = kest::cdr(record);
    if (!kest::ispair(rest) || kest::car(rest)->type != kest::TString)
        return std::string();
    return kest::car(rest)->a.str;
}

// Releases a master that was read but is not kept: out of the project map
// and the read map, its members detached and freed, itself freed.
void DiscardRead(GuidScope* scope, std::unique_ptr<Master> master, const std::string& recordId) {
    if (scope != nullptr && scope->project != nullptr)
        scope->project->Remove(master.get());
    if (scope != nullptr && !recordId.empty())
        scope->ForgetReadAs(recordId.c_str(), master.get());
    master->submodel = nullptr;
    master->Detach(nullptr);
}

} // namespace

MasterCollection::~MasterCollection() {
    for (const auto& master : masters_)
        Release(master.get());
}

void MasterCollection::Hold(Master* master) {
    master->holder_.collection = this;
}

void MasterCollection::Release(Master* master) {
    master->holder_.collection = nullptr;
}

void MasterCollection::RebuildIndex() const {
    byName_.clear();
    byName_.reserve(masters_.size());
    for (const auto& master : masters_)
        byName_[master->name].push_back(master.get());
    indexed_ = true;
}

void MasterCollection::Unindex(const Master* master) const {
    auto bucket = byName_.find(master->name);
    if (bucket == byName_.end()) {
        indexed_ = false;
        return;
    }
    std::vector<Master*>& list = bucket->second;
    auto entry = std::find(list.begin(), list.end(), master);
    if (entry == list.end()) {
        indexed_ = false;
        return;
    }
    list.erase(entry);
    if (list.empty())
        byName_.erase(bucket);
}

Master* MasterCollection::FindIndexed(int kind, const std::string& name,
                                      const std::string& nameSpace) const {
    if (!indexed_)
        RebuildIndex();
    auto bucket = byName_.find(name);
    if (bucket == byName_.end())
        return nullptr;
    for (Master* master : bucket->second) {
        if (master->name != name) {
            // Renamed behind the index's back: rebuild it and ask again.
            RebuildIndex();
            return FindIn(masters_, kind, name, nameSpace);
        }
        if (MasterMatches(master, kind, name, nameSpace))
            return master;
    }
    return nullptr;
}

bool MasterCollection::Contains(const Master* master) const {
    return Position(masters_, master) != masters_.end();
}

Master* MasterCollection::FindMaster(int kind, const std::string& name,
                                     const std::string& nameSpace) const {
    Master* found = FindIndexed(kind, name, nameSpace);
    // Checked builds compare the index with a plain scan, so that a writer
    // of a master's name that does not tell the collection shows at once.
    assert(found == FindIn(masters_, kind, name, nameSpace) &&
           "a held master's name changed without Master::NoteNameChange");
    return found;
}

Master* MasterCollection::FindMasterInScopes(int kind, const std::string& name,
                                             const std::string& first,
                                             const std::string& second) const {
    Master* found = FindMaster(kind, name, first);
    if (found == nullptr && !first.empty())
        found = FindMaster(kind, name, second);
    return found;
}

Master* MasterCollection::FindByGuid(const char* text) const {
    for (const auto& master : masters_) {
        if (master->guid == text)
            return master.get();
    }
    return nullptr;
}

Master* MasterCollection::FindOrCreate(GuidMap* map, int kind, MasterTool* tool,
                                       const std::string& name, const std::string& nameSpace,
                                       bool* created) {
    if (Master* found = FindMaster(kind, name, nameSpace)) {
        if (found->refCount < INT16_MAX)
            ++found->refCount;
        if (created != nullptr)
            *created = false;
        return found;
    }
    auto master = std::make_unique<Master>(map);
    master->SetToolAndName(tool, name, nameSpace);
    master->refCount = 1;
    if (created != nullptr)
        *created = true;
    return Add(std::move(master));
}

Master* MasterCollection::Add(std::unique_ptr<Master> master) {
    return InsertAt(0, std::move(master));
}

Master* MasterCollection::InsertAt(size_t index, std::unique_ptr<Master> master) {
    if (master == nullptr)
        return nullptr;
    index = std::min(index, masters_.size());
    Master* held = master.get();
    Hold(held);
    if (indexed_) {
        // A bucket keeps collection order: the front and the back are easy;
        // anywhere else the index is rebuilt when next used.
        std::vector<Master*>& bucket = byName_[held->name];
        if (index == 0)
            bucket.insert(bucket.begin(), held);
        else if (index == masters_.size())
            bucket.push_back(held);
        else
            indexed_ = false;
    }
    masters_.insert(masters_.begin() + static_cast<std::ptrdiff_t>(index), std::move(master));
    ++changeCount_;
    return held;
}

std::unique_ptr<Master> MasterCollection::Remove(Master* master, bool lastReference) {
    auto at = Position(masters_, master);
    if (at == masters_.end())
        return nullptr;
    if (master->refCount > 0)
        --master->refCount;
    if (lastReference && master->refCount != 0)
        return nullptr;
    std::unique_ptr<Master> taken = std::move(*at);
    masters_.erase(at);
    ++changeCount_;
    Release(master);
    if (indexed_)
        Unindex(master);
    return taken;
}

void MasterCollection::Rename(Master* master, const std::string& name) {
    master->name = name;
    master->NoteNameChange();
}

void MasterCollection::MarkAll(int value) {
    for (const auto& master : masters_)
        master->Mark(value, 0x1, 0);
}

void MasterCollection::BindTools(GuidMap* templateMap) {
    for (const auto& master : masters_) {
        if (master->tool == nullptr)
            continue;
        int number = master->tool->ToolId();
        master->tool = TemplateTool(templateMap, number);
        master->ReportToolNotInTemplate(templateMap, number);
    }
}

void MasterCollection::WriteRecord(GuidScope* scope, kest::Channel* out) {
    // Three master records never fit on one line (each is longer than half
    // of it), so the record breaks after every master, as the streaming
    // writer assumes; fewer are printed whole.
    if (masters_.size() < 3) {
        kest::prettyprint(Persist(scope, false, nullptr, nullptr), out, 0, 0);
        return;
    }
    kest::PrettyListWriter writer(kest::sym::masters, masters_.size(), out, 0, 0);
    for (const auto& master : masters_) {
        const kest::HeapMark outer = kest::pushmark();
        try {
            writer.Element(master->Persist(scope, nullptr));
        } catch (...) {
            kest::popmark(outer);
            throw;
        }
        kest::popmark(outer);
    }
    writer.End();
}

Cell* MasterCollection::Persist(GuidScope* scope, bool merge, std::vector<Master*>* added,
                                Cell* list) {
    if (list == nullptr) {
        Cell* out = nil;
        for (auto it = masters_.rbegin(); it != masters_.rend(); ++it) {
            if (!merge || (*it)->IsMarked())
                out = kest::mkcons((*it)->Persist(scope, nullptr), out);
        }
        return kest::mkcons(kest::sym::masters, out);
    }

    ExpectHead(list, kest::sym::masters);
    CheckedLength(list, "masters", "masters");
    ListElements elements(kest::cdr(list));
    ReadMasters(scope, merge, added, elements);
    return nil;
}

void MasterCollection::ReadRecordElements(GuidScope* scope, RecordElements& elements) {
    ReadMasters(scope, false, nullptr, elements);
}

void MasterCollection::ReadMasters(GuidScope* scope, bool merge, std::vector<Master*>* added,
                                   RecordElements& elements) {
    GuidMap* project = scope != nullptr ? scope->project : nullptr;
    // The masters read are kept aside until the whole record has been read,
    // so that a bad record adds nothing.
    struct Read {
        std::unique_ptr<Master> master;
        std::string recordId;
    };
    std::vector<Read> read;
    auto findRead = [&](const Master& m) -> Master* {
        for (const Read& r : read) {
            if (r.master->Kind() == m.Kind() && r.master->name == m.name &&
                (m.nameSpace.empty() || r.master->nameSpace == m.nameSpace))
                return r.master.get();
        }
        return nullptr;
    };
    try {
        while (Cell* element = elements.Next()) {
            auto master = std::make_unique<Master>(Master::ForReading{});
            master->Persist(scope, element);
            std::string recordId = RecordIdText(element);
            elements.Release();
            if (!merge) {
                read.push_back({std::move(master), recordId});
                continue;
            }
            Master* existing = FindMaster(master->Kind(), master->name, master->nameSpace);
            if (existing == nullptr)
                existing = findRead(*master);
            if (existing == nullptr) {
                master->refCount = 0;
                read.push_back({std::move(master), recordId});
                continue;
            }
            // The pasted id resolves to the master that is already there: for
            // a paste through its read map only, which ends with the paste.
            // Entered in the project's map, the alias would outlive the
            // master when an undo takes that master away, and a later paste
            // of the same id would bind its places to the freed master.
            DiscardRead(scope, std::move(master), recordId);
            if (!recordId.empty()) {
                if (scope != nullptr && scope->readMap != nullptr)
                    scope->readMap->SetAt(recordId.c_str(), existing);
                else if (project != nullptr)
                    project->SetAt(recordId.c_str(), existing);
            }
        }
    } catch (...) {
        for (Read& r : read)
            DiscardRead(scope, std::move(r.master), r.recordId);
        throw;
    }
    for (Read& r : read) {
        if (merge && added != nullptr)
            added->push_back(r.master.get());
        InsertAt(masters_.size(), std::move(r.master));
    }
}

} // namespace qm
