// The document's operations on which masters and models a project holds:
// new, removed and deleted masters, renaming a place's master, new and
// removed models, and the masters reached from one over class links.
#include "document/CCASEDoc.h"

#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/NotationTool.h"
#include "drawables/Place.h"
#include "platform/Format.h"
#include "platform/Prompt.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace qm {

namespace {

// Tool semantics codes.
constexpr int kSemanticsClass = 1;
constexpr int kSemanticsRealization = 2;

int SemanticsOf(MasterTool* tool) {
    auto* notation = dynamic_cast<NotationTool*>(tool);
    return notation != nullptr ? notation->Semantics() : 0;
}

// Calls visit for every link of list, inside place and primitive groups too.
template <class Visit> void ForEachLink(const DrawableList& list, Visit& visit, int depth = 0) {
    for (const std::unique_ptr<Drawable>& drawable : list) {
        if (drawable->IsLink())
            visit(static_cast<Link*>(drawable.get()));
        Drawable* container = ContainerOf(drawable.get());
        const DrawableList* members = container != nullptr ? container->MemberList() : nullptr;
        if (members != nullptr && depth < 64)
            ForEachLink(*members, visit, depth + 1);
    }
}

} // namespace

// ---- masters ----

Master* CCASEDoc::NewMaster(int kind, const std::string& name, const std::string& nameSpace) {
    MasterTool* tool = template_ != nullptr ? TemplateTool(&template_->guidMap, kind) : nullptr;
    Master* master = masters_.FindOrCreate(&idMap_, kind, tool, name, nameSpace, nullptr);
    events_.NoteMaster(master);
    return master;
}

Master* CCASEDoc::AddMaster(std::unique_ptr<Master> master) {
    return masters_.Add(std::move(master));
}

Master* CCASEDoc::InsertMasterAt(size_t index, std::unique_ptr<Master> master) {
    return masters_.InsertAt(index, std::move(master));
}

void CCASEDoc::RemoveMaster(Master* master, Model* parent, bool flag) {
    std::unique_ptr<Master> removed = masters_.Remove(master, true);
    if (!removed)
        return;
    auto* submodel = dynamic_cast<Model*>(master->submodel);
    if (submodel != nullptr && parent != nullptr && submodel->parentModel == parent) {
        if (currentModel_ == submodel)
            currentModel_ = models_.empty() || models_.front().get() == submodel
                                ? (models_.size() > 1 ? models_[1].get() : nullptr)
                                : models_.front().get();
        // The submodel's link back to the master is kept through the removal.
        ModelObject* link = master->submodel;
        RemoveModel(submodel, flag);
        master->submodel = link;
    }
    Journal().AddChangedObject(this, master, nullptr);
    removedMasters_.push_back(std::move(removed));
}

int CCASEDoc::DeleteMasters(ChangeKind kind, bool noJournal) {
    std::optional<JournalChange> change;
    if (!noJournal)
        change.emplace(this, kind);
    std::vector<Master*> marked;
    for (const std::unique_ptr<Master>& master : masters_.Masters()) {
        if (master->IsMarked())
            marked.push_back(master.get());
    }
    int deleted = 0;
    for (Master* master : marked) {
        if (master->refCount != 0)
            continue;
        RemoveMaster(master, nullptr, false);
        ++deleted;
    }
    if (deleted < static_cast<int>(marked.size()))
        MessageBox("Only masters with a reference count of zero are deleted!",
                   PromptIcon::Exclamation);
    // Nothing deleted records nothing: there is no change to undo.
    if (change && deleted > 0)
        change->Record(kind == ChangeKind::Delete ? "Delete Masters" : "Cut Masters", nullptr,
                       nullptr);
    if (deleted > 0)
        modified_ = true;
    return deleted;
}

Master* CCASEDoc::RenamePlaceMaster(Place* place, const std::string& text,
                                    const std::string& nameSpace, bool keepWhole) {
    Master* old = place->master;
    if (old == nullptr)
        return nullptr;
    if (old->name == text && old->nameSpace == nameSpace)
        return old;
    std::string name = text;
    if (SemanticsOf(old->tool) == kSemanticsClass && !keepWhole) {
        // "instance : Class" names the instance and binds the class; a colon
        // that ends the text or starts "::" is part of a qualified name.
        size_t colon = text.find(':');
        bool split =
            colon != std::string::npos && colon + 1 < text.size() && text[colon + 1] != ':';
        if (split) {
            std::string instance = text.substr(0, colon);
            while (!instance.empty() && (instance.back() == ' ' || instance.back() == '\t'))
                instance.pop_back();
            size_t begin = text.find_first_not_of(" \t", colon + 1);
            name = begin == std::string::npos ? std::string() : text.substr(begin);
            place->label = instance;
            place->placeFlags |= PfInstanceLabel;
        } else {
            place->label.clear();
            place->placeFlags &= ~static_cast<uint32_t>(PfInstanceLabel);
        }
    }
    int kind = old->Kind();
    Master* result = nullptr;
    if (Master* found = masters_.FindMaster(kind, name, nameSpace)) {
        if (found != old) {
            if (old->refCount > 0)
                --old->refCount;
            ++found->refCount;
        }
        result = found;
    } else if (old->refCount > 1) {
        --old->refCount;
        result = NewMaster(kind, name, old->nameSpace);
    } else {
        masters_.Rename(old, name);
        result = old;
    }
    if (result != old)
        events_.NoteMaster(old);
    return result;
}

std::vector<Master*> CCASEDoc::CollectNestedMasters(Master* master) {
    std::vector<Master*> found;
    if (master == nullptr)
        return found;
    masters_.MarkAll(0);
    // The list holds the starting master at its tail until the end.
    std::vector<Master*> list{master};
    auto inList = [&](const Master* m) {
        return std::find(list.begin(), list.end(), m) != list.end();
    };
    bool added = true;
    while (added) {
        added = false;
        auto visit = [&](Link* link) {
            NotationTool* tool = link->Tool();
            if (tool == nullptr)
                return;
            Master* source = link->GetSourceMaster();
            Master* target = link->GetTargetMaster();
            if (source == nullptr || target == nullptr)
                return;
            int semantics = tool->Semantics();
            bool counts =
                semantics == kSemanticsClass || (semantics == kSemanticsRealization &&
                                                 (target->masterFlags & MasterInterface) != 0);
            if (!counts || !inList(source) || target->IsMarked() ||
                SemanticsOf(target->tool) != kSemanticsClass)
                return;
            target->Mark(1, 1, 0);
            list.insert(list.begin(), target);
            added = true;
        };
        for (const std::unique_ptr<Model>& model : models_)
            ForEachLink(model->Drawables(), visit);
    }
    list.pop_back();
    return list;
}

// ---- models ----

std::string CCASEDoc::NewModelName() const {
    static const char prefix[] = "Untitled";
    long highest = 0;
    for (const std::unique_ptr<Model>& model : models_) {
        const std::string& name = model->name;
        if (name.compare(0, sizeof prefix - 1, prefix) != 0)
            continue;
        long number = std::strtol(name.c_str() + sizeof prefix - 1, nullptr, 10);
        highest = std::max(highest, number);
    }
    return Format("%s %ld", prefix, highest + 1);
}

Model* CCASEDoc::NewModel(int kind, Model* parent) {
    std::unique_ptr<Model> model = CreateModelOfKind(&idMap_, template_, kind);
    if (!model)
        return nullptr;
    model->Init(CSize(pageWidth_, pageHeight_), NewModelName());
    model->parentModel = parent;
    Model* result = model.get();
    AddModel(std::move(model));
    modified_ = true;
    return result;
}

ModelObject* CCASEDoc::NewSubmodel(int kind, Master* master, ModelObject* parent) {
    auto* parentModel = dynamic_cast<Model*>(parent);
    if (master == nullptr || (parent != nullptr && parentModel == nullptr))
        return nullptr;
    Model* made = NewModel(kind, parentModel);
    if (made == nullptr)
        return nullptr;
    made->name = master->name;
    made->parentMaster = master;
    master->submodel = made;
    return made;
}

Model* CCASEDoc::MakeDefaultModel() {
    if (!models_.empty())
        return nullptr;
    std::unique_ptr<Model> model = CreateModelOfKind(&idMap_, template_, MkDefault);
    if (!model)
        return nullptr;
    model->Init(CSize(pageWidth_, pageHeight_), "Untitled");
    Model* result = model.get();
    AddModel(std::move(model));
    return result;
}

bool CCASEDoc::RemoveModel(Model* model, bool flag) {
    auto take = [&](Model* m) -> bool {
        auto at = std::find_if(models_.begin(), models_.end(),
                               [&](const std::unique_ptr<Model>& p) { return p.get() == m; });
        if (at == models_.end())
            return false;
        std::unique_ptr<Model> owned = std::move(*at);
        models_.erase(at);
        if (currentModel_ == m)
            currentModel_ = nullptr;
        owned->flags |= ModelRemoved;
        removedModels_.push_back(std::move(owned));
        return true;
    };
    if (!HasModel(model))
        return false;
    if (!flag) {
        // The submodels below the model (those whose parent chain reaches it)
        // go first, each once.
        bool again = true;
        while (again) {
            again = false;
            for (const std::unique_ptr<Model>& m : models_) {
                const Model* up = m->parentModel;
                for (int depth = 0; up != nullptr && up != model && depth < 256; ++depth)
                    up = up->parentModel;
                if (up == model && m.get() != model) {
                    Model* sub = m.get();
                    take(sub);
                    Journal().AddChangedObject(this, sub, nullptr);
                    again = true;
                    break;
                }
            }
        }
    }
    take(model);
    if (flag)
        Journal().AddChangedObject(this, model, nullptr);
    modified_ = true;
    return true;
}

namespace {

template <class T>
std::unique_ptr<T> TakeOut(std::vector<std::unique_ptr<T>>& list, const T* object) {
    auto at = std::find_if(list.begin(), list.end(),
                           [&](const std::unique_ptr<T>& p) { return p.get() == object; });
    if (at == list.end())
        return nullptr;
    std::unique_ptr<T> taken = std::move(*at);
    list.erase(at);
    return taken;
}

} // namespace

std::unique_ptr<Master> CCASEDoc::TakeRemovedMaster(const Master* master) {
    return TakeOut(removedMasters_, master);
}

std::unique_ptr<Model> CCASEDoc::TakeRemovedModel(const Model* model) {
    return TakeOut(removedModels_, model);
}

std::unique_ptr<Model> CCASEDoc::TakeModel(const Model* model) {
    std::unique_ptr<Model> taken = TakeOut(models_, model);
    if (taken != nullptr && currentModel_ == model)
        currentModel_ = nullptr;
    return taken;
}

void CCASEDoc::InsertModelAt(size_t index, std::unique_ptr<Model> model) {
    index = std::min(index, models_.size());
    models_.insert(models_.begin() + static_cast<std::ptrdiff_t>(index), std::move(model));
}

} // namespace qm
