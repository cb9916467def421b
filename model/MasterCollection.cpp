// The masters collection: look-ups, reference counts and the masters record.
#include "model/MasterCollection.h"

#include "kernel/Cell.h"
#include "kernel/Predefined.h"
#include "model/GuidMap.h"
#include "model/ListRecords.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace qm {

using kest::Cell;
using kest::nil;

namespace {

bool Matches(const Master* master, int kind, const std::string& name,
             const std::string& nameSpace) {
    return master->Kind() == kind && master->name == name &&
           (nameSpace.empty() || master->nameSpace == nameSpace);
}

Master* FindIn(const std::vector<std::unique_ptr<Master>>& list, int kind, const std::string& name,
               const std::string& nameSpace) {
    for (const auto& master : list) {
        if (Matches(master.get(), kind, name, nameSpace))
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

bool MasterCollection::Contains(const Master* master) const {
    return Position(masters_, master) != masters_.end();
}

Master* MasterCollection::FindMaster(int kind, const std::string& name,
                                     const std::string& nameSpace) const {
    return FindIn(masters_, kind, name, nameSpace);
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
    masters_.insert(masters_.begin() + static_cast<std::ptrdiff_t>(index), std::move(master));
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
    return taken;
}

void MasterCollection::Rename(Master* master, const std::string& name) {
    master->name = name;
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
        for (Cell* at = kest::cdr(list); at != nil; at = kest::cdr(at)) {
            auto master = std::make_unique<Master>(Master::ForReading{});
            master->Persist(scope, kest::car(at));
            std::string recordId = RecordIdText(kest::car(at));
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
            // The pasted id resolves to the master that is already there.
            DiscardRead(scope, std::move(master), recordId);
            if (!recordId.empty()) {
                if (project != nullptr)
                    project->SetAt(recordId.c_str(), existing);
                if (scope != nullptr && scope->readMap != nullptr)
                    scope->readMap->SetAt(recordId.c_str(), existing);
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
        masters_.push_back(std::move(r.master));
    }
    return nil;
}

} // namespace qm
