// The document's events: the comparison of the document with what its
// observers were last told, and the sending of the differences.
#include "document/DocumentEvents.h"

#include "document/CCASEDoc.h"
#include "drawables/Drawable.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/ToolModel.h"
#include "model/GuidMap.h"
#include "model/Master.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace qm {

namespace {

void Unite(CRect& area, const CRect& rect) {
    CRect united;
    united.UnionRect(area, rect);
    area = united;
}

// Kinds whose replay may change a master's fields or members.
bool ReplayTouchesMasters(ChangeKind kind) {
    switch (kind) {
    case ChangeKind::PropertyChanges:
    case ChangeKind::PlaceMasterSwitch:
    case ChangeKind::TextEdit:
    case ChangeKind::Replace:
    case ChangeKind::Annotation:
    case ChangeKind::AnnotationMultiple:
    case ChangeKind::Explode:
    case ChangeKind::ExplodeToExisting:
    case ChangeKind::BreakExplode:
    case ChangeKind::GroupAsPlace:
    case ChangeKind::UngroupPlace:
        return true;
    default:
        return false;
    }
}

} // namespace

void DocumentEvents::AddObserver(DocumentObserver* observer) {
    if (observer != nullptr &&
        std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void DocumentEvents::RemoveObserver(DocumentObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void DocumentEvents::BeginGroup() {
    groupHeld_ = true;
    wholeNext_ = true;
}

void DocumentEvents::EndGroup() {
    groupHeld_ = false;
    Publish();
}

void DocumentEvents::NoteChanged(ModelObject* model, ModelObject* current,
                                 const std::vector<ModelObject*>& changed, ChangeReach reach) {
    if (reach == ChangeReach::Named)
        namedNoted_ = true;
    else
        wholeNext_ = true;
    const auto* target = dynamic_cast<const Model*>(model);
    if (const auto* tool = dynamic_cast<const ToolModel*>(model))
        touchedTools_.push_back(tool->Id().Text());
    // The model a change names is compared even when none of its drawables
    // is named.
    if (target != nullptr)
        touched_[target->Id().Text()];
    auto note = [&](const ModelObject* object) {
        if (object == nullptr)
            return;
        if (const auto* master = dynamic_cast<const Master*>(object)) {
            touchedMasters_.push_back(master->Id().Text());
            return;
        }
        const auto* drawable = dynamic_cast<const Drawable*>(object);
        if (drawable == nullptr)
            return;
        const Model* in = target;
        if (in == nullptr)
            in = document_.FindModelOfDrawable(drawable);
        if (in != nullptr)
            touched_[in->Id().Text()].push_back(drawable->Id().Text());
    };
    note(current);
    for (const ModelObject* object : changed)
        note(object);
}

void DocumentEvents::NoteReplayed(ChangeKind kind, Model* toShow,
                                  const std::vector<Drawable*>& toSelect) {
    wholeNext_ = true;
    if (ReplayTouchesMasters(kind))
        mastersReplayed_ = true;
    if (toShow == nullptr)
        return;
    if (dynamic_cast<const ToolModel*>(toShow) != nullptr)
        touchedTools_.push_back(toShow->Id().Text());
    toShow_ = toShow->Id().Text();
    toSelect_.clear();
    auto& touched = touched_[*toShow_];
    for (const Drawable* drawable : toSelect) {
        if (drawable == nullptr)
            continue;
        toSelect_.push_back(drawable->Id().Text());
        touched.push_back(drawable->Id().Text());
    }
}

DocumentEvents::ModelState DocumentEvents::StateOf(Model& model) {
    ModelState state{&model, model.Id().Text(), model.name, model.ChangeCount(), {}};
    state.drawables.reserve(model.Drawables().size());
    for (const auto& drawable : model.Drawables())
        state.drawables.push_back(
            {drawable.get(), drawable->Id().Text(), drawable->repaintRect, drawable->IsSelected()});
    return state;
}

template <class Call> void DocumentEvents::Send(Call&& call) {
    const std::vector<DocumentObserver*> observers = observers_;
    for (DocumentObserver* observer : observers) {
        // An observer removed by an earlier one hears no more.
        if (std::find(observers_.begin(), observers_.end(), observer) != observers_.end())
            call(*observer);
    }
}

void DocumentEvents::NoteReplayComing() {
    Send([](DocumentObserver& o) { o.ReplayComing(); });
}

void DocumentEvents::NoteMaster(const Master* master) {
    if (master == nullptr)
        return;
    // Masters made or used by a run are listed in the order noted, which the
    // comparison of the whole collection keeps.
    notedMasters_.push_back(master->Id().Text());
    wholeNext_ = true;
}

void DocumentEvents::NoteProjectTreeChanged() {
    Send([](DocumentObserver& o) { o.ProjectTreeChanged(); });
}

void DocumentEvents::CompareDrawables(Model& model, const ModelState* before) {
    if (before == nullptr)
        return;
    std::unordered_map<const Drawable*, size_t> earlier;
    earlier.reserve(before->drawables.size());
    for (size_t i = 0; i < before->drawables.size(); ++i)
        earlier.emplace(before->drawables[i].drawable, i);
    std::vector<bool> kept(before->drawables.size(), false);
    CRect area;
    bool selection = false;
    size_t highest = 0;
    bool any = false;
    const auto& touchedList = touched_[model.Id().Text()];
    const std::unordered_set<std::string> touched(touchedList.begin(), touchedList.end());
    for (const auto& owned : model.Drawables()) {
        const Drawable* drawable = owned.get();
        const CRect& rect = drawable->repaintRect;
        const auto found = earlier.find(drawable);
        if (found == earlier.end() ||
            before->drawables[found->second].id != drawable->Id().Text()) {
            Unite(area, rect);
            selection = selection || drawable->IsSelected();
            any = true;
            continue;
        }
        const DrawableState& old = before->drawables[found->second];
        kept[found->second] = true;
        const bool reordered = any && found->second < highest;
        highest = std::max(highest, found->second);
        any = true;
        if (old.rect != rect || reordered) {
            Unite(area, old.rect);
            Unite(area, rect);
        }
        if (touched.count(old.id) != 0)
            Unite(area, rect);
        if (old.selected != drawable->IsSelected())
            selection = true;
    }
    for (size_t i = 0; i < kept.size(); ++i) {
        if (kept[i])
            continue;
        const DrawableState& old = before->drawables[i];
        Unite(area, old.rect);
        selection = selection || old.selected;
    }
    if (!area.IsRectEmpty()) {
        model.NoteChanged();
        Send([&](DocumentObserver& o) { o.DrawablesChanged(model, area); });
    }
    if (selection)
        Send([&](DocumentObserver& o) { o.SelectionChanged(model); });
}

bool DocumentEvents::Confined() const {
    return namedNoted_ && !wholeNext_;
}

bool DocumentEvents::ModelMayHaveChanged(const Model& model, const ModelState& before) const {
    return model.ChangeCount() != before.changeCount ||
           model.Drawables().size() != before.drawables.size() || touched_.count(before.id) != 0;
}

void DocumentEvents::CompareMasters(bool confined, std::vector<Master*>& changed,
                                    std::vector<Guid>& removedIds) const {
    const MasterCollection& collection = document_.Masters();
    if (confined && collection.ChangeCount() == mastersChangeCount_ &&
        collection.Count() == masters_.size()) {
        // The collection is as it was: the named masters alone changed, in
        // collection order.
        std::vector<size_t> positions;
        for (const std::string& id : touchedMasters_) {
            for (GuidMap* map : {document_.ProjectMap(), document_.TemplateMap()}) {
                auto* master =
                    map != nullptr ? dynamic_cast<Master*>(map->Lookup(id.c_str())) : nullptr;
                const auto at = master != nullptr ? masterAt_.find(master) : masterAt_.end();
                if (at != masterAt_.end() && masters_[at->second].id == id) {
                    positions.push_back(at->second);
                    break;
                }
            }
        }
        std::sort(positions.begin(), positions.end());
        positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
        for (size_t at : positions)
            changed.push_back(collection.At(at));
        return;
    }
    const std::unordered_set<std::string> touchedMasters(touchedMasters_.begin(),
                                                         touchedMasters_.end());
    // The masters noted made or used come first, in the order noted.
    std::unordered_set<std::string> reported;
    if (!notedMasters_.empty()) {
        std::unordered_map<std::string, Master*> listed;
        for (const auto& master : collection.Masters())
            listed.emplace(master->Id().Text(), master.get());
        for (const std::string& id : notedMasters_) {
            const auto found = listed.find(id);
            if (found != listed.end() && reported.insert(id).second)
                changed.push_back(found->second);
        }
    }
    for (const auto& master : collection.Masters()) {
        const auto known = masterAt_.find(master.get());
        const std::string id = master->Id().Text();
        const bool same = known != masterAt_.end() && masters_[known->second].id == id;
        if ((!same || touchedMasters.count(id) != 0 || mastersReplayed_) && reported.count(id) == 0)
            changed.push_back(master.get());
    }
    for (const MasterState& before : masters_)
        if (!Registered(before.id))
            removedIds.push_back(Guid(Guid::FromText{before.id.c_str()}));
}

void DocumentEvents::TakeMasters(bool whole) {
    const MasterCollection& collection = document_.Masters();
    if (!whole && collection.ChangeCount() == mastersChangeCount_ &&
        collection.Count() == masters_.size())
        return;
    masters_.clear();
    masterAt_.clear();
    masters_.reserve(collection.Count());
    masterAt_.reserve(collection.Count());
    for (const auto& master : collection.Masters()) {
        masterAt_.emplace(master.get(), masters_.size());
        masters_.push_back({master.get(), master->Id().Text()});
    }
    mastersChangeCount_ = collection.ChangeCount();
}

bool DocumentEvents::Registered(const std::string& id) const {
    for (GuidMap* map : {document_.ProjectMap(), document_.TemplateMap()})
        if (map != nullptr && map->Lookup(id.c_str()) != nullptr)
            return true;
    return false;
}

void DocumentEvents::Publish() {
    if (Held() || sending_)
        return;
    sending_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{sending_};

    bool confined = Confined();
    const size_t count = document_.ModelCount();
    // A confined change leaves the model list as it was (a renamed model
    // aside); a list that changed is compared whole.
    if (confined && count == models_.size()) {
        for (size_t i = 0; i < count && confined; ++i) {
            const Model* model = document_.GetModelAt(i);
            confined = models_[i].model == model && models_[i].id == model->Id().Text();
        }
    } else {
        confined = false;
    }

    // Which models' drawables are taken again and compared.
    std::vector<bool> compared(count, true);
    std::unordered_map<const Model*, size_t> earlierAt;
    earlierAt.reserve(models_.size());
    for (size_t i = 0; i < models_.size(); ++i)
        earlierAt.emplace(models_[i].model, i);
    auto findBefore = [&](const Model* model) -> const ModelState* {
        const auto at = earlierAt.find(model);
        if (at == earlierAt.end() || models_[at->second].id != model->Id().Text())
            return nullptr;
        return &models_[at->second];
    };

    std::vector<ModelState> now;
    now.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        Model& model = *document_.GetModelAt(i);
        if (confined && !ModelMayHaveChanged(model, models_[i])) {
            compared[i] = false;
            // Only the name may differ; the drawables are as they were.
            now.push_back({&model, models_[i].id, model.name, models_[i].changeCount, {}});
            now.back().drawables.swap(models_[i].drawables);
            continue;
        }
        now.push_back(StateOf(model));
    }

    std::vector<Model*> added;
    std::vector<Model*> renamed;
    std::vector<Model*> moved;
    std::vector<Model*> removedModels;
    std::vector<Guid> removedIds;
    size_t highest = 0;
    bool any = false;
    for (size_t i = 0; i < count; ++i) {
        Model* model = document_.GetModelAt(i);
        const ModelState* before = findBefore(model);
        if (before == nullptr) {
            added.push_back(model);
            continue;
        }
        const size_t at = static_cast<size_t>(before - models_.data());
        if (any && at < highest)
            moved.push_back(model);
        highest = std::max(highest, at);
        any = true;
        if (before->name != model->name)
            renamed.push_back(model);
    }
    if (!confined) {
        std::unordered_map<const Model*, const std::string*> listed;
        listed.reserve(now.size());
        for (const ModelState& state : now)
            listed.emplace(state.model, &state.id);
        for (const ModelState& before : models_) {
            const auto found = listed.find(before.model);
            if (found != listed.end() && *found->second == before.id)
                continue;
            // A model that left the list is still owned by the document (its
            // removed models) while its id is registered; otherwise it is gone.
            if (Registered(before.id)) {
                for (const auto& model : document_.RemovedModels())
                    if (model.get() == before.model)
                        removedModels.push_back(model.get());
            } else {
                removedIds.push_back(Guid(Guid::FromText{before.id.c_str()}));
            }
        }
    }

    std::vector<Master*> mastersChanged;
    CompareMasters(confined, mastersChanged, removedIds);

    // Top-level drawables that left their model and the project.
    for (size_t i = 0; i < count; ++i) {
        if (!compared[i])
            continue;
        const ModelState& state = now[i];
        const ModelState* earlier = findBefore(state.model);
        if (earlier == nullptr)
            continue;
        std::unordered_set<const Drawable*> listed;
        listed.reserve(state.drawables.size());
        for (const DrawableState& d : state.drawables)
            listed.insert(d.drawable);
        for (const DrawableState& old : earlier->drawables) {
            if (listed.count(old.drawable) == 0 && !Registered(old.id))
                removedIds.push_back(Guid(Guid::FromText{old.id.c_str()}));
        }
    }

    std::vector<ModelState> before = std::move(models_);
    models_ = std::move(now);
    TakeMasters(!confined);
    std::unordered_map<const Model*, size_t> beforeAt;
    beforeAt.reserve(before.size());
    for (size_t i = 0; i < before.size(); ++i)
        beforeAt[before[i].model] = i; // the last of a model listed twice

    if (!removedIds.empty())
        Send([&](DocumentObserver& o) { o.ObjectsRemoved(removedIds); });
    if (!removedModels.empty())
        Send([&](DocumentObserver& o) { o.ModelsChanged(ModelsChange::Removed, removedModels); });
    if (!added.empty())
        Send([&](DocumentObserver& o) { o.ModelsChanged(ModelsChange::Added, added); });
    if (!renamed.empty())
        Send([&](DocumentObserver& o) { o.ModelsChanged(ModelsChange::Renamed, renamed); });
    if (!moved.empty())
        Send([&](DocumentObserver& o) { o.ModelsChanged(ModelsChange::Moved, moved); });
    if (!mastersChanged.empty())
        Send([&](DocumentObserver& o) { o.MastersChanged(mastersChanged); });
    for (size_t i = 0; i < document_.ModelCount(); ++i) {
        if (i < compared.size() && !compared[i])
            continue;
        Model* model = document_.GetModelAt(i);
        const ModelState* earlier = nullptr;
        if (const auto at = beforeAt.find(model); at != beforeAt.end())
            if (before[at->second].id == model->Id().Text())
                earlier = &before[at->second];
        CompareDrawables(*model, earlier);
        // The comparison's own mark of the change is no change to look at.
        if (i < models_.size() && models_[i].model == model)
            models_[i].changeCount = model->ChangeCount();
    }
    touched_.clear();
    touchedMasters_.clear();
    notedMasters_.clear();
    mastersReplayed_ = false;
    wholeNext_ = false;
    namedNoted_ = false;
    std::vector<std::string> tools = std::move(touchedTools_);
    touchedTools_.clear();
    std::sort(tools.begin(), tools.end());
    tools.erase(std::unique(tools.begin(), tools.end()), tools.end());
    for (const std::string& id : tools)
        if (auto* tool = dynamic_cast<ToolModel*>(StillHeld(id)))
            Send([&](DocumentObserver& o) { o.ToolChanged(*tool); });

    Model* current = document_.CurrentModel();
    if (current != current_) {
        current_ = current;
        Send([&](DocumentObserver& o) { o.CurrentModelChanged(current); });
    }
    if (document_.IsModified() != modified_) {
        modified_ = document_.IsModified();
        Send([&](DocumentObserver& o) { o.ModifiedChanged(modified_); });
    }
    if (toShow_.has_value()) {
        const std::string shown = std::move(*toShow_);
        toShow_.reset();
        std::vector<Drawable*> select;
        for (const std::string& id : toSelect_)
            if (Drawable* drawable = DrawableOf(id))
                select.push_back(drawable);
        toSelect_.clear();
        if (Model* model = StillHeld(shown))
            Send([&](DocumentObserver& o) { o.ReplayShows(*model, select); });
    }
}

Model* DocumentEvents::StillHeld(const std::string& id) const {
    for (size_t i = 0; i < document_.ModelCount(); ++i)
        if (Model* model = document_.GetModelAt(i); model->Id().Text() == id)
            return model;
    if (const NotationTemplate* notation = document_.Template())
        for (int i = 0; i < notation->ToolCount(); ++i)
            if (Model* tool = notation->ToolAt(i); tool != nullptr && tool->Id().Text() == id)
                return tool;
    return nullptr;
}

Drawable* DocumentEvents::DrawableOf(const std::string& id) const {
    for (GuidMap* map : {document_.ProjectMap(), document_.TemplateMap()})
        if (map != nullptr)
            if (auto* drawable = dynamic_cast<Drawable*>(map->Lookup(id.c_str())))
                return drawable;
    return nullptr;
}

void DocumentEvents::NoteModified() {
    if (Held() || sending_ || document_.IsModified() == modified_)
        return;
    modified_ = document_.IsModified();
    Send([&](DocumentObserver& o) { o.ModifiedChanged(modified_); });
}

void DocumentEvents::NoteCurrentModel() {
    Model* current = document_.CurrentModel();
    if (Held() || sending_ || current == current_)
        return;
    current_ = current;
    Send([&](DocumentObserver& o) { o.CurrentModelChanged(current); });
}

void DocumentEvents::Forget() {
    models_.clear();
    for (size_t i = 0; i < document_.ModelCount(); ++i)
        models_.push_back(StateOf(*document_.GetModelAt(i)));
    TakeMasters(true);
    current_ = document_.CurrentModel();
    modified_ = document_.IsModified();
    touched_.clear();
    touchedMasters_.clear();
    notedMasters_.clear();
    touchedTools_.clear();
    mastersReplayed_ = false;
    wholeNext_ = false;
    namedNoted_ = false;
    toShow_.reset();
    toSelect_.clear();
}

} // namespace qm
