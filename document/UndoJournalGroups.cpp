// The undo journal's records of grouping and ungrouping: a group as
// primitive or as place, a new swimlane, and the ungroups. The group is
// written whole with its members named by id, and re-created around them.
//
// Every handler reads and resolves all that its record names before it
// changes anything, so a record that does not read or whose objects are gone
// fails with a message and leaves the project as it was.
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "document/UndoJournalRecords.h"
#include "drawables/DrawableFactory.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "drawables/PrimitiveGroup.h"
#include "kernel/Kernel.h"
#include "model/Master.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

namespace qm {

using kest::Cell;
using kest::nil;

using namespace journal;

namespace {

// The ungroups replay the other way round.
bool IsUngroup(ChangeKind kind) {
    return kind == ChangeKind::UngroupPrimitive || kind == ChangeKind::UngroupPlace;
}

PrimitiveGroup* MembersOf(Drawable* group) {
    return dynamic_cast<PrimitiveGroup*>(ContainerOf(group));
}

Master* GroupMaster(Drawable* group) {
    auto* place = group != nullptr && group->IsPlace() ? dynamic_cast<Place*>(group) : nullptr;
    return place != nullptr ? place->master : nullptr;
}

} // namespace

Cell* UndoJournal::BuildGroupForm(const FormArgs& args) {
    Model* model = args.model;
    ModelObject* current = args.current;
    if (model == nullptr)
        return nil;
    const bool ungroup = IsUngroup(args.kind);
    Drawable* group = nullptr;
    std::vector<Drawable*> hanging;
    if (ungroup) {
        for (const auto& object : held_) {
            auto* drawable = dynamic_cast<Drawable*>(object.get());
            if (drawable == nullptr)
                continue;
            if (group == nullptr && drawable->IsGroup() && MembersOf(drawable) != nullptr)
                group = drawable;
            else
                hanging.push_back(drawable);
        }
    } else {
        group = dynamic_cast<Drawable*>(current);
        for (ModelObject* object : pending_.changed) {
            auto* drawable = dynamic_cast<Drawable*>(object);
            if (group == nullptr && drawable != nullptr && drawable->IsGroup())
                group = drawable;
        }
    }
    PrimitiveGroup* container = group != nullptr ? MembersOf(group) : nullptr;
    if (container == nullptr)
        return nil;

    // The members, with their places in the model's list when ungrouped.
    std::vector<Drawable*> members;
    std::vector<int32_t> memberPositions;
    int32_t groupPosition;
    if (ungroup) {
        for (Drawable* drawable : model->Selection()) {
            if (drawable->Parent() == nullptr) {
                members.push_back(drawable);
                memberPositions.push_back(IndexIn(model->Drawables(), drawable));
            }
        }
        groupPosition = group->positionBefore;
    } else {
        for (const auto& member : container->Members()) {
            members.push_back(member.get());
            memberPositions.push_back(member->positionBefore);
        }
        groupPosition = IndexIn(model->Drawables(), group);
    }

    // The group's record names its members by id. An ungrouped group holds
    // them again while it is written.
    if (ungroup) {
        for (Drawable* member : members)
            container->AddMember(model->TakeDrawable(member));
    }
    Cell* groupRecord = nil;
    scope_.membersById = true;
    try {
        groupRecord = group->Persist(&scope_, nil);
    } catch (...) {
        scope_.membersById = false;
        throw;
    }
    scope_.membersById = false;
    if (ungroup) {
        std::vector<std::unique_ptr<Drawable>> back;
        for (Drawable* member : members)
            back.push_back(container->RemoveMember(member));
        model->InsertDrawables(back, memberPositions);
    }

    Cell* lanes = nil;
    if (auto* lane = dynamic_cast<Swimlane*>(group); lane != nullptr && lane->IsSwimlane()) {
        lanes = kest::mklist(
            Str(lane->PreviousLane() != nullptr ? lane->PreviousLane()->Id().Text() : ""),
            kest::mkint(pending_.offset.x),
            Str(lane->NextLane() != nullptr ? lane->NextLane()->Id().Text() : ""), nullptr);
        // A new lane that widened the page keeps the page before and after.
        if (args.kind == ChangeKind::CreateSwimlane &&
            !(model->pageBeforeLane == model->pageMatrix))
            kest::nconc(lanes, kest::mklist(RectCell(model->pageBeforeLane),
                                            RectCell(model->pageMatrix), nullptr));
    }
    Cell* masters = nil;
    // A group as place that took a master the project had already (an
    // unused "?") leaves it there when it is undone.
    int32_t foundMaster = 0;
    if (Master* master = GroupMaster(group)) {
        GuidScope projectScope(document_.ProjectMap(), document_.TemplateMap());
        masters = kest::mklist(master->Persist(&projectScope, nullptr), nullptr);
        if (!ungroup && std::find(pending_.masterOrder.begin(), pending_.masterOrder.end(),
                                  master) != pending_.masterOrder.end())
            foundMaster = 1;
    }
    Cell* fullDrawables = nil;
    std::vector<int32_t> hangingPositions;
    for (auto it = hanging.rbegin(); it != hanging.rend(); ++it)
        fullDrawables = kest::mkcons((*it)->Persist(&scope_, nil), fullDrawables);
    for (Drawable* drawable : hanging)
        hangingPositions.push_back(drawable->positionBefore);
    fullDrawables = kest::mkcons(groupRecord, fullDrawables);
    std::vector<ModelObject*> memberObjects(members.begin(), members.end());
    std::vector<ModelObject*> hangingObjects(hanging.begin(), hanging.end());
    return kest::mklist(args.head, args.id, Str(group->Id().Text()), lanes, masters,
                        IdList("drawable", memberObjects), fullDrawables,
                        kest::mklist(kest::intern("positions"), kest::mkint(groupPosition),
                                     IntList(memberPositions), IdList("drawable", hangingObjects),
                                     IntList(hangingPositions), kest::mkint(foundMaster), nullptr),
                        nullptr);
}

void UndoJournal::ReplayGroup(ChangeKind kind, Model* model, Cell* fields, bool redo) {
    // An ungroup's undo groups again.
    const bool group = IsUngroup(kind) ? !redo : redo;
    const char* groupId = NextString(fields);
    Cell* lanes = Next(fields);
    Cell* masters = Next(fields);
    const std::vector<std::string> memberIds = ReadIdList(Next(fields), "drawable");
    Cell* fullDrawables = Next(fields);
    Cell* positions = Next(fields);
    if (!kest::ispair(fullDrawables) || !kest::ispair(positions) ||
        kest::car(positions) != kest::intern("positions"))
        throw CKestException(kDamaged);
    positions = kest::cdr(positions);
    const int32_t groupPosition = NextInt(positions);
    std::vector<int32_t> memberPositions = ReadInts(Next(positions));
    const std::vector<std::string> hangingIds = ReadIdList(Next(positions), "drawable");
    std::vector<int32_t> hangingPositions = ReadInts(Next(positions));
    const bool foundMaster = positions != nil && NextInt(positions) != 0;
    memberPositions.resize(memberIds.size(), -1);
    hangingPositions.resize(hangingIds.size(), -1);
    std::string previousLane;
    std::string nextLane;
    int32_t shift = 0;
    const bool swimlane = lanes != nil;
    if (swimlane) {
        previousLane = NextString(lanes);
        shift = NextInt(lanes);
        nextLane = NextString(lanes);
    }
    std::optional<std::pair<CRect, CRect>> pages;
    if (lanes != nil) {
        const CRect before = ReadRect(Next(lanes));
        const CRect after = ReadRect(Next(lanes));
        if (lanes != nil)
            throw CKestException(kDamaged);
        pages.emplace(before, after);
    }
    auto lookupLane = [&](const std::string& laneId) -> Swimlane* {
        if (laneId.empty())
            return nullptr;
        auto* lane = dynamic_cast<Swimlane*>(LookupDrawable(Str(laneId.c_str())));
        if (lane == nullptr)
            throw CKestException(kDamaged);
        return lane;
    };
    Swimlane* previous = lookupLane(previousLane);
    Swimlane* next = lookupLane(nextLane);
    CRect repaint;
    std::vector<Drawable*> members;
    for (const std::string& memberId : memberIds)
        members.push_back(LookupDrawable(Str(memberId.c_str())));
    model->DeselectAll(nullptr, false);

    if (!group) {
        // Ungroup: the members go back to the model's list, the group and
        // what hangs on it go.
        Drawable* made = LookupDrawable(Str(groupId));
        PrimitiveGroup* container = MembersOf(made);
        if (container == nullptr || made->Parent() != nullptr ||
            FindIn(model->Drawables(), made) == model->Drawables().end())
            throw CKestException(kDamaged);
        for (Drawable* member : members) {
            if (member->Parent() != container)
                throw CKestException(kDamaged);
        }
        // The group holds what the record names and nothing else: another
        // member would go with the group, and what hangs on it elsewhere (a
        // tag, a link) would be left pointing at nothing.
        const DrawableList* held = std::as_const(*container).MemberList();
        if (held == nullptr || held->size() != members.size())
            throw CKestException(kDamaged);
        std::vector<Drawable*> hanging;
        for (const std::string& hangingId : hangingIds) {
            Drawable* drawable = LookupDrawable(Str(hangingId.c_str()));
            if (FindIn(model->Drawables(), drawable) == model->Drawables().end())
                throw CKestException(kDamaged);
            hanging.push_back(drawable);
        }
        for (Drawable* drawable : hanging)
            held_.push_back(model->TakeDrawable(drawable));
        std::unique_ptr<Drawable> owned = model->TakeDrawable(made);
        std::vector<std::unique_ptr<Drawable>> back;
        for (Drawable* member : members)
            back.push_back(container->RemoveMember(member));
        model->InsertDrawables(back, memberPositions);
        if (Master* master = GroupMaster(made)) {
            // The group's use of its master goes with it.
            if (master->refCount > 0)
                --master->refCount;
            // A group's own master goes with it; one an ungroup left behind stays.
            if (!IsUngroup(kind) && !foundMaster && master->refCount == 0) {
                if (std::unique_ptr<Master> removed = document_.Masters().Remove(master, false))
                    held_.push_back(std::move(removed));
            }
        }
        held_.push_front(std::move(owned));
        DestroyHeld();
        // The lanes behind a new lane go back once it is gone.
        if (swimlane && shift != 0 && next != nullptr)
            model->ShiftSwimlanes(&document_, next, -shift, repaint);
        if (pages.has_value())
            model->SetPageMatrix(group ? pages->second : pages->first);
        toSelect_ = members;
        modelToShow_ = model;
        return;
    }

    // Group: the members leave the model's list for the group re-created
    // from its record.
    for (Drawable* member : members) {
        if (member->Parent() != nullptr ||
            FindIn(model->Drawables(), member) == model->Drawables().end())
            throw CKestException(kDamaged);
    }
    Master* created = nullptr;
    GuidScope projectScope(document_.ProjectMap(), document_.TemplateMap());
    if (masters != nil) {
        Cell* record = Next(masters);
        if (document_.Masters().FindByGuid(MasterRecordId(record)) == nullptr) {
            auto master = std::make_unique<Master>(nullptr);
            try {
                master->Persist(&projectScope, record);
            } catch (...) {
                DestroyObject(std::move(master));
                throw;
            }
            // The group's place counts its uses when it is read (below).
            master->refCount = 0;
            created = document_.InsertMasterAt(0, std::move(master));
        }
    }
    std::vector<int32_t> oldPositions;
    HeldObjects held;
    for (Drawable* member : members) {
        oldPositions.push_back(IndexIn(model->Drawables(), member));
        held.push_back(model->TakeDrawable(member));
    }
    GuidScope scope(document_.ProjectMap(), document_.TemplateMap(), model->IsToolModel());
    scope.membersById = true;
    scope.held = &held;
    std::unique_ptr<Drawable> made;
    DrawableList hanging;
    try {
        made = CreateDrawableFromRecord(kest::car(fullDrawables), &scope);
        if (made == nullptr || MembersOf(made.get()) == nullptr)
            throw CKestException(kDamaged);
        scope.membersById = false;
        scope.held = nullptr;
        made->ResolveRefs(&document_, &scope, model);
    } catch (...) {
        scope.membersById = false;
        scope.held = nullptr;
        // The members go back where they were.
        if (made != nullptr) {
            if (PrimitiveGroup* container = MembersOf(made.get())) {
                for (Drawable* member : members) {
                    if (std::unique_ptr<Drawable> out = container->RemoveMember(member))
                        held.push_back(std::move(out));
                }
            }
            if (Master* master = GroupMaster(made.get()); master != nullptr && master->refCount > 0)
                --master->refCount;
            DiscardDrawable(std::move(made), &scope);
        }
        std::vector<std::unique_ptr<Drawable>> back;
        for (Drawable* member : members) {
            std::unique_ptr<Drawable> out;
            for (auto it = held.begin(); it != held.end(); ++it) {
                if (it->get() == member) {
                    out.reset(static_cast<Drawable*>(it->release()));
                    held.erase(it);
                    break;
                }
            }
            back.push_back(std::move(out));
        }
        model->InsertDrawables(back, oldPositions);
        if (created != nullptr) {
            if (std::unique_ptr<Master> removed = document_.Masters().Remove(created, false))
                DestroyObject(std::move(removed));
        }
        throw;
    }
    // Reading the group counted its use of its master.
    Drawable* raw = made.get();
    if (auto* lane = dynamic_cast<Swimlane*>(raw); lane != nullptr && swimlane) {
        if (shift != 0 && next != nullptr)
            model->ShiftSwimlanes(&document_, next, shift, repaint);
        lane->SetLaneModel(model);
        lane->SetPreviousLane(previous);
        lane->SetNextLane(next);
        lane->Relink();
    }
    // What hung on an ungrouped group comes back from its records; when
    // they do not read, the group goes again and the members go back.
    if (kest::cdr(fullDrawables) != nil) {
        GuidScope drawableScope(document_.ProjectMap(), document_.TemplateMap(),
                                model->IsToolModel());
        try {
            PersistDrawables(&document_, hanging, &drawableScope, nullptr, nullptr,
                             kest::cdr(fullDrawables), nullptr, false);
        } catch (...) {
            for (auto& drawable : hanging) {
                CountPlaceUses(drawable.get(), true, 0);
                DiscardDrawable(std::move(drawable), &drawableScope);
            }
            PrimitiveGroup* container = MembersOf(raw);
            std::vector<std::unique_ptr<Drawable>> back;
            for (Drawable* member : members)
                back.push_back(container->RemoveMember(member));
            model->InsertDrawables(back, oldPositions);
            if (Master* master = GroupMaster(raw); master != nullptr && master->refCount > 0)
                --master->refCount;
            if (auto* lane = dynamic_cast<Swimlane*>(raw); lane != nullptr && swimlane) {
                lane->Unlink(true);
                if (shift != 0 && next != nullptr)
                    model->ShiftSwimlanes(&document_, next, -shift, repaint);
            }
            DiscardDrawable(std::move(made), &drawableScope);
            if (created != nullptr) {
                if (std::unique_ptr<Master> removed = document_.Masters().Remove(created, false))
                    DestroyObject(std::move(removed));
            }
            throw;
        }
    }
    std::vector<std::unique_ptr<Drawable>> one;
    one.push_back(std::move(made));
    model->InsertDrawables(one, {groupPosition});
    std::vector<std::unique_ptr<Drawable>> read;
    for (auto& drawable : hanging)
        read.push_back(std::move(drawable));
    hangingPositions.resize(read.size(), -1);
    model->InsertDrawables(read, hangingPositions);
    if (pages.has_value())
        model->SetPageMatrix(group ? pages->second : pages->first);
    toSelect_.push_back(raw);
    modelToShow_ = model;
}

} // namespace qm
