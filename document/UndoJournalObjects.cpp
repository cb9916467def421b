// The undo journal's records of objects removed and re-created: create,
// delete, cut and paste write the objects whole and undo and redo re-create
// them from the file; and the freeing of the objects a change handed over.
//
// Every handler reads and resolves all that its record names before it
// changes anything, so a record that does not read or whose objects are gone
// fails with a message and leaves the project as it was.
#include "document/CCASEDoc.h"
#include "document/DocumentRecords.h"
#include "document/UndoJournal.h"
#include "document/UndoJournalRecords.h"
#include "drawables/DrawableFactory.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/PlaceGroup.h"
#include "drawables/ScenarioPlace.h"
#include "kernel/Kernel.h"
#include "model/Master.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace qm {

using kest::Cell;
using kest::nil;

namespace {

// Create and paste add objects: undo removes them, redo brings them back,
// and their places count their masters' uses when read.
bool AddsObjects(ChangeKind kind) {
    return kind == ChangeKind::Create || kind == ChangeKind::Paste;
}

} // namespace

using namespace journal;

// ---- objects handed over and freed ----

void UndoJournal::DestroyObject(std::unique_ptr<ModelObject> object) {
    if (object == nullptr)
        return;
    GuidScope scope(document_.ProjectMap(), document_.TemplateMap());
    if (auto* drawable = dynamic_cast<Drawable*>(object.get())) {
        object.release();
        if (auto* lane = dynamic_cast<Swimlane*>(drawable); lane != nullptr && lane->IsSwimlane())
            lane->Unlink(true);
        DiscardDrawable(std::unique_ptr<Drawable>(drawable), &scope);
        return;
    }
    if (auto* model = dynamic_cast<Model*>(object.get())) {
        // A master that still shows the model as its submodel forgets it.
        if (model->parentMaster != nullptr && model->parentMaster->submodel == model)
            model->parentMaster->submodel = nullptr;
        scope.Select(model->IsToolModel());
    }
    GuidMap* map = scope.current;
    if (map != nullptr && map->Lookup(object->Id().Text()) == object.get())
        object->Detach(&scope);
    else
        object->SetDetached();
}

void UndoJournal::DestroyHeld() {
    // Drawables first, then masters (a master clears the back link of its
    // submodel), then models.
    HeldObjects held = std::move(held_);
    held_.clear();
    for (int pass = 0; pass < 3; ++pass) {
        for (auto it = held.begin(); it != held.end();) {
            ModelObject* object = it->get();
            const bool now = pass == 0   ? dynamic_cast<Drawable*>(object) != nullptr
                             : pass == 1 ? dynamic_cast<Master*>(object) != nullptr
                                         : true;
            if (!now) {
                ++it;
                continue;
            }
            DestroyObject(std::move(*it));
            it = held.erase(it);
        }
    }
}

Drawable* UndoJournal::LookupDrawable(Cell* id) {
    if (!IsString(id))
        throw CKestException(kDamaged);
    ModelObject* object = nullptr;
    scope_.Lookup(id->a.str, object, true);
    auto* drawable = dynamic_cast<Drawable*>(object);
    if (drawable == nullptr)
        throw CKestException(kDamaged);
    return drawable;
}

std::vector<Drawable*> UndoJournal::ChangedDrawables() const {
    std::vector<Drawable*> drawables;
    for (ModelObject* object : pending_.changed) {
        if (auto* drawable = dynamic_cast<Drawable*>(object))
            drawables.push_back(drawable);
    }
    return drawables;
}

std::vector<int32_t> UndoJournal::DrawablePositions(Model* model,
                                                    const std::vector<Drawable*>& drawables) const {
    std::unordered_set<const ModelObject*> heldSet;
    for (const auto& object : held_)
        heldSet.insert(object.get());
    std::vector<int32_t> positions;
    std::unordered_map<const DrawableList*, ListPositions> lists;
    for (Drawable* drawable : drawables) {
        // A removed drawable keeps its place in its list as its position
        // before; a pasted one is where it is.
        if (heldSet.count(drawable) != 0) {
            positions.push_back(drawable->positionBefore);
        } else {
            const DrawableList* list = OwningList(drawable, model);
            positions.push_back(lists.try_emplace(list, list).first->second.IndexOf(drawable));
        }
    }
    return positions;
}

std::vector<Drawable*> UndoJournal::RemovedDrawables(const Drawable* except) const {
    std::vector<Drawable*> drawables;
    std::unordered_set<const Drawable*> listed{except};
    auto add = [&](ModelObject* object) {
        auto* drawable = dynamic_cast<Drawable*>(object);
        if (drawable != nullptr && listed.insert(drawable).second)
            drawables.push_back(drawable);
    };
    for (ModelObject* object : pending_.changed)
        add(object);
    for (const auto& object : held_)
        add(object.get());
    return drawables;
}

Cell* UndoJournal::FullDrawables(const std::vector<Drawable*>& drawables) {
    Cell* full = nil;
    for (auto it = drawables.rbegin(); it != drawables.rend(); ++it)
        full = kest::mkcons((*it)->Persist(&scope_, nil), full);
    return full;
}

// ---- create, delete, cut and paste ----

Cell* UndoJournal::BuildObjectsForm(const FormArgs& args) {
    const ChangeKind kind = args.kind;
    Model* model = args.model;
    Cell* id = args.id;
    std::vector<Master*> masters;
    std::vector<Model*> models;
    std::vector<Drawable*> drawables;
    auto sort = [&](ModelObject* object) {
        if (auto* master = dynamic_cast<Master*>(object))
            masters.push_back(master);
        else if (auto* m = dynamic_cast<Model*>(object))
            models.push_back(m);
        else if (auto* drawable = dynamic_cast<Drawable*>(object))
            drawables.push_back(drawable);
    };
    for (ModelObject* object : pending_.changed)
        sort(object);
    for (const auto& object : held_)
        sort(object.get());
    // A removed master's exploded submodel that went with it is written
    // (and freed) with the other models, so that undo brings both back.
    if (kind == ChangeKind::Delete || kind == ChangeKind::Cut) {
        for (Master* master : masters) {
            auto* submodel = dynamic_cast<Model*>(master->submodel);
            if (submodel != nullptr && (submodel->flags & CCASEDoc::ModelRemoved) != 0 &&
                std::find(models.begin(), models.end(), submodel) == models.end())
                models.push_back(submodel);
        }
    }
    if (kind == ChangeKind::Paste && model != nullptr &&
        std::find(models.begin(), models.end(), model) == models.end()) {
        // The pasted drawables are the model's selection.
        for (Drawable* drawable : model->Selection()) {
            if (drawable->Parent() == nullptr)
                drawables.push_back(drawable);
        }
    }
    // A change whose model goes with it (a pasted or removed model) names none.
    if (model != nullptr && std::find(models.begin(), models.end(), model) != models.end())
        id = Str("");

    std::vector<int32_t> masterPositions;
    for (Master* master : masters) {
        int32_t position = -1;
        const auto& list = document_.Masters().Masters();
        for (size_t i = 0; i < list.size(); ++i) {
            if (list[i].get() == master)
                position = int32_t(i);
        }
        if (position < 0) {
            auto at = std::find(pending_.masterOrder.begin(), pending_.masterOrder.end(), master);
            if (at != pending_.masterOrder.end())
                position = int32_t(at - pending_.masterOrder.begin());
        }
        masterPositions.push_back(position);
    }
    std::vector<int32_t> modelPositions;
    for (Model* m : models) {
        int32_t position = -1;
        if (document_.HasModel(m)) {
            position = int32_t(document_.GetModelIndex(m));
        } else {
            auto at = std::find(pending_.modelOrder.begin(), pending_.modelOrder.end(), m);
            if (at != pending_.modelOrder.end())
                position = int32_t(at - pending_.modelOrder.begin());
        }
        modelPositions.push_back(position);
    }
    const std::vector<int32_t> drawablePositions = DrawablePositions(model, drawables);

    Cell* fullMasters = nil;
    GuidScope projectScope(document_.ProjectMap(), document_.TemplateMap());
    for (auto it = masters.rbegin(); it != masters.rend(); ++it)
        fullMasters = kest::mkcons((*it)->Persist(&projectScope, nullptr), fullMasters);
    Cell* fullModels = nil;
    for (auto it = models.rbegin(); it != models.rend(); ++it) {
        GuidScope modelScope(document_.ProjectMap(), document_.TemplateMap(), (*it)->IsToolModel());
        fullModels = kest::mkcons(WriteModelRecord(&document_, **it, &modelScope), fullModels);
    }
    Cell* fullDrawables = FullDrawables(drawables);

    std::vector<ModelObject*> modelObjects(models.begin(), models.end());
    std::vector<ModelObject*> masterObjects(masters.begin(), masters.end());
    std::vector<ModelObject*> drawableObjects(drawables.begin(), drawables.end());
    Cell* header =
        kest::mklist(args.head, id, IdList("model", modelObjects), IdList("master", masterObjects),
                     IdList("drawable", drawableObjects),
                     kest::mklist(kest::intern("positions"), IntList(modelPositions),
                                  IntList(masterPositions), IntList(drawablePositions), nullptr),
                     nullptr);

    // What a delete or cut removed is in the record now: the document hands
    // over the masters and models it kept, and they go with the drawables.
    if (kind == ChangeKind::Delete || kind == ChangeKind::Cut) {
        for (Master* master : masters) {
            if (std::unique_ptr<Master> owned = document_.TakeRemovedMaster(master))
                held_.push_back(std::move(owned));
        }
        for (Model* m : models) {
            if (std::unique_ptr<Model> owned = document_.TakeRemovedModel(m))
                held_.push_back(std::move(owned));
        }
    }
    // A message created in a sequence diagram keeps the call boxes of its
    // end places before and after it.
    Cell* ends = nil;
    if (kind == ChangeKind::Create && model != nullptr && model->kind == MkSequence &&
        drawables.size() == 1 && drawables.front()->IsLink())
        ends = kest::mklist(ContextForm(pending_.undoContext), ContextForm(pending_.redoContext),
                            nullptr);
    return kest::mklist(header, fullMasters, fullModels, fullDrawables, ends, nullptr);
}

void UndoJournal::ReplayObjects(ChangeKind kind, Cell* form, bool redo) {
    Cell* header = Next(form);
    Cell* masters = Next(form);
    Cell* models = Next(form);
    Cell* drawables = Next(form);
    if (!kest::islist(masters) || !kest::islist(models) || !kest::islist(drawables))
        throw CKestException(kDamaged);
    Cell* fields = kest::cdr(header);
    Cell* id = Next(fields);
    if (!IsString(id))
        throw CKestException(kDamaged);
    Model* model = nullptr;
    if (id->a.str[0] != '\0') {
        Target target;
        fields = CheckTarget(header, target);
        model = target.model;
    }
    ObjectsHeader parsed;
    parsed.models = ReadIdList(Next(fields), "model");
    parsed.masters = ReadIdList(Next(fields), "master");
    parsed.drawables = ReadIdList(Next(fields), "drawable");
    if (Cell* positions = NextPositions(fields); positions != nil) {
        parsed.modelPositions = ReadInts(Next(positions));
        parsed.masterPositions = ReadInts(Next(positions));
        parsed.drawablePositions = ReadInts(Next(positions));
    }
    parsed.modelPositions.resize(parsed.models.size(), -1);
    parsed.masterPositions.resize(parsed.masters.size(), -1);
    parsed.drawablePositions.resize(parsed.drawables.size(), -1);
    // Drawables, named or written whole, need the model they belong to.
    if ((!parsed.drawables.empty() || drawables != nil) && model == nullptr)
        throw CKestException("Can't undo/redo (model inaccessible)");
    // A delete or cut keeps, as its last element, the geometry of what
    // followed it; older records have none and replay as before.
    const std::optional<Followers> followers =
        model != nullptr ? TakeFollowers(form, model, redo) : std::nullopt;
    const FollowerShapes untouched =
        followers.has_value() ? CaptureFollowers(*model) : FollowerShapes();
    // The call boxes of a created message's end places, before and after.
    ChangeContext before;
    ChangeContext after;
    if (kest::ispair(form)) {
        Cell* ends = Next(form);
        if (ends != nil) {
            before = ReadContext(Next(ends));
            after = ReadContext(Next(ends));
            if (ends != nil || parsed.drawables.size() != 1)
                throw CKestException(kDamaged);
        }
    }
    // Undo of a delete or cut and redo of a paste bring the objects back;
    // the others remove them again.
    const bool recreate = AddsObjects(kind) ? redo : !redo;
    Link* message = nullptr;
    if (recreate) {
        RecreateObjects(kind, model, parsed, masters, models, drawables);
        if (parsed.drawables.size() == 1)
            message = dynamic_cast<Link*>(LookupDrawable(Str(parsed.drawables.front().c_str())));
        if (message != nullptr)
            RestoreLinkEnds(*message, after);
    } else {
        if (parsed.drawables.size() == 1)
            message = dynamic_cast<Link*>(LookupDrawable(Str(parsed.drawables.front().c_str())));
        // The message's end places stay when it goes.
        Drawable* source = message != nullptr ? message->GetSourcePlace() : nullptr;
        Drawable* target = message != nullptr ? message->GetTargetPlace() : nullptr;
        RemoveObjects(kind, model, parsed);
        if (message != nullptr) {
            if (auto* place = dynamic_cast<ScenarioPlace*>(source); place && before.source)
                RestoreCallBoxes(*place, *before.source, before.sourcePoint);
            if (auto* place = dynamic_cast<ScenarioPlace*>(target); place && before.target)
                RestoreCallBoxes(*place, *before.target, before.targetPoint);
        }
    }
    if (followers.has_value())
        ApplyFollowers(model, *followers, untouched);
}

void UndoJournal::RemoveObjects(ChangeKind kind, Model* model, const ObjectsHeader& header) {
    // Everything is found before anything goes.
    std::vector<Drawable*> drawables;
    for (const std::string& id : header.drawables)
        drawables.push_back(LookupDrawable(Str(id.c_str())));
    std::vector<Master*> masters;
    for (const std::string& id : header.masters) {
        Master* master = document_.Masters().FindByGuid(id.c_str());
        if (master == nullptr)
            throw CKestException("GUID map lookup failed");
        masters.push_back(master);
    }
    std::vector<Model*> models;
    for (const std::string& id : header.models) {
        auto* m = dynamic_cast<Model*>(document_.FindTopLevelModel(id.c_str()));
        if (m == nullptr)
            throw CKestException("GUID map lookup failed");
        models.push_back(m);
    }

    if (model != nullptr && !drawables.empty()) {
        // Members of groups leave their groups; the top-level drawables go
        // through the model's delete, which takes what hangs on them along.
        model->DeselectAll(nullptr, false);
        for (Drawable* drawable : drawables) {
            if (drawable->Parent() == nullptr)
                continue;
            std::unique_ptr<Drawable> out = model->TakeFromOwner(drawable);
            if (out == nullptr)
                continue;
            CountPlaceUses(out.get(), true, 0);
            held_.push_back(std::move(out));
        }
        bool any = false;
        ListPositions top(&model->Drawables());
        for (Drawable* drawable : drawables) {
            if (drawable->Parent() == nullptr && top.Holds(drawable)) {
                model->Select(drawable, true, nullptr, false);
                any = true;
            }
        }
        if (any) {
            DrawableList taken = model->DeleteDrawables(&document_, nullptr, kind, true);
            for (auto& drawable : taken) {
                // A lane leaves the chain and the lanes behind it close the gap.
                if (auto* lane = dynamic_cast<Swimlane*>(drawable.get());
                    lane != nullptr && lane->IsSwimlane()) {
                    Swimlane* next = lane->NextLane();
                    lane->Unlink(false);
                    if (next != nullptr) {
                        CRect shifted;
                        model->ShiftSwimlanes(&document_, next, 1 - lane->bounds.Width(), shifted);
                    }
                }
                held_.push_back(std::move(drawable));
            }
        }
    }
    // A paste counted the uses of its models' places; a delete did not.
    for (Model* m : models) {
        std::unique_ptr<Model> owned = document_.TakeModel(m);
        if (owned == nullptr)
            continue;
        if (AddsObjects(kind))
            CountModelUses(*owned, true);
        held_.push_back(std::move(owned));
    }
    for (Master* master : masters) {
        std::unique_ptr<Master> owned = document_.Masters().Remove(master, false);
        if (owned != nullptr)
            held_.push_back(std::move(owned));
    }
    DestroyHeld();
    modelToShow_ = model;
}

void UndoJournal::RecreateObjects(ChangeKind kind, Model* model, const ObjectsHeader& header,
                                  Cell* masters, Cell* models, Cell* drawables) {
    GuidScope projectScope(document_.ProjectMap(), document_.TemplateMap());
    std::vector<std::unique_ptr<Master>> newMasters;
    std::vector<int16_t> recordedUses;
    std::vector<std::unique_ptr<Model>> newModels;
    DrawableList newDrawables;
    auto discard = [&] {
        for (auto& drawable : newDrawables) {
            CountPlaceUses(drawable.get(), true, 0);
            DiscardDrawable(std::move(drawable), &scope_);
        }
        newDrawables.clear();
        for (auto& m : newModels) {
            CountModelUses(*m, true);
            DestroyObject(std::move(m));
        }
        for (auto& master : newMasters)
            DestroyObject(std::move(master));
    };
    try {
        for (Cell* rest = masters; rest != nil;) {
            Cell* record = Next(rest);
            if (!kest::ispair(record) || kest::car(record) != kest::intern("master"))
                throw CKestException("master sym expected");
            auto master = std::make_unique<Master>(nullptr);
            Master* reading = master.get();
            newMasters.push_back(std::move(master));
            reading->Persist(&projectScope, record);
            // The reader leaves the count to the places; the record's is
            // the count after the change.
            Cell* count = kest::cdr(kest::cdr(record));
            recordedUses.push_back(
                kest::ispair(count) && IsInteger(kest::car(count))
                    ? int16_t(std::clamp<int32_t>(kest::car(count)->a.ival, 0, INT16_MAX))
                    : int16_t(0));
            if (AddsObjects(kind))
                reading->refCount = 0;
        }
        for (Cell* rest = models; rest != nil;) {
            Cell* record = Next(rest);
            if (!HasHead(record, kest::sym::customModel))
                throw CKestException("model sym expected");
            Cell* fields = kest::cdr(record);
            Next(fields);
            const int32_t modelKind = NextInt(fields);
            std::unique_ptr<Model> m =
                CreateModelOfKind(document_.ProjectMap(), document_.Template(), modelKind);
            if (m == nullptr)
                throw CKestException(kDamaged);
            Model* reading = m.get();
            newModels.push_back(std::move(m));
            ReadModelRecord(&document_, *reading, &projectScope, record);
        }
        if (drawables != nil) {
            GuidScope drawableScope(document_.ProjectMap(), document_.TemplateMap(),
                                    model->IsToolModel());
            PersistDrawables(&document_, newDrawables, &drawableScope, nullptr, nullptr, drawables,
                             nullptr, false);
        }
    } catch (...) {
        discard();
        throw;
    }
    // The objects read are those the record names, in its order: what the
    // handler looks up afterwards is there.
    auto same = [](const auto& objects, const std::vector<std::string>& ids) {
        if (objects.size() != ids.size())
            return false;
        size_t i = 0;
        for (const auto& object : objects) {
            if (ids[i++] != object->Id().Text())
                return false;
        }
        return true;
    };
    if (!same(newMasters, header.masters) || !same(newModels, header.models) ||
        !same(newDrawables, header.drawables)) {
        discard();
        throw CKestException(kDamaged);
    }

    // In ascending order of their places, each goes back where it was.
    auto order = [](const std::vector<int32_t>& positions) {
        std::vector<size_t> indices(positions.size());
        for (size_t i = 0; i < indices.size(); ++i)
            indices[i] = i;
        std::stable_sort(indices.begin(), indices.end(), [&](size_t a, size_t b) {
            return uint32_t(positions[a]) < uint32_t(positions[b]);
        });
        return indices;
    };
    // The masters a create or paste made count their uses as they did
    // after it, whatever reading the places counted.
    if (AddsObjects(kind)) {
        for (size_t i = 0; i < newMasters.size(); ++i)
            newMasters[i]->refCount = recordedUses[i];
    }
    std::vector<Master*> masterList;
    for (size_t i : order(header.masterPositions)) {
        const int32_t position = header.masterPositions[i];
        masterList.push_back(newMasters[i].get());
        document_.InsertMasterAt(position < 0 ? document_.Masters().Count() : size_t(position),
                                 std::move(newMasters[i]));
    }
    std::vector<Model*> modelList;
    for (size_t i : order(header.modelPositions)) {
        const int32_t position = header.modelPositions[i];
        Model* m = newModels[i].get();
        modelList.push_back(m);
        // A delete left the uses of a removed model's places counted.
        if (!AddsObjects(kind))
            CountModelUses(*m, true);
        document_.InsertModelAt(position < 0 ? document_.ModelCount() : size_t(position),
                                std::move(newModels[i]));
    }
    for (Master* master : masterList)
        master->ResolveRefs(&document_, &projectScope, false);
    for (Model* m : modelList) {
        GuidScope modelScope(document_.ProjectMap(), document_.TemplateMap(), m->IsToolModel());
        m->ResolveRefs(&document_, &modelScope, false);
    }
    // A master's submodel that stayed in the project when the master went
    // lost its link back; it points to the master again.
    for (Master* master : masterList) {
        auto* submodel = dynamic_cast<Model*>(master->submodel);
        if (submodel != nullptr && submodel->parentMaster == nullptr)
            submodel->parentMaster = master;
    }
    // Each goes back into its own list: its group's members or the model's.
    // (a group names the list: null for the model's).
    std::vector<Drawable*> lists;
    std::vector<std::vector<std::unique_ptr<Drawable>>> byList;
    std::vector<std::vector<int32_t>> positionsByList;
    size_t n = 0;
    for (auto& drawable : newDrawables) {
        toSelect_.push_back(drawable.get());
        Drawable* group = drawable->Parent();
        if (group != nullptr && group->MemberList() == nullptr)
            group = nullptr;
        size_t slot = std::find(lists.begin(), lists.end(), group) - lists.begin();
        if (slot == lists.size()) {
            lists.push_back(group);
            byList.emplace_back();
            positionsByList.emplace_back();
        }
        byList[slot].push_back(std::move(drawable));
        positionsByList[slot].push_back(header.drawablePositions[n++]);
    }
    newDrawables.clear();
    for (size_t slot = 0; slot < lists.size(); ++slot)
        model->InsertDrawables(byList[slot], positionsByList[slot], lists[slot]);
    // A lane comes back into its chain: the lanes behind it make room again.
    // Last removed first: each lane's record holds it where the removals
    // before it had shifted it, so the lanes come back in the reverse order
    // and each one's return shifts those already back behind it.
    for (auto it = toSelect_.rbegin(); it != toSelect_.rend(); ++it) {
        auto* lane = dynamic_cast<Swimlane*>(*it);
        if (lane == nullptr || !lane->IsSwimlane())
            continue;
        lane->SetLaneModel(model);
        if (Swimlane* next = lane->NextLane()) {
            CRect shifted;
            model->ShiftSwimlanes(&document_, next, lane->bounds.Width() - 1, shifted);
        }
        lane->Relink();
    }
    modelToShow_ = model != nullptr ? model : (modelList.empty() ? nullptr : modelList.front());
}

} // namespace qm
