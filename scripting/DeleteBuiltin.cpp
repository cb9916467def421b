// VxDelete: takes a model, a master, a member record or a drawable out of
// the project the script runs for. A successful delete resets the project's
// undo journal: the makers record no journal entries, so the history could
// no longer be replayed over what the script has changed.
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/Model.h"
#include "kernel/Init.h"
#include "kernel/Symbol.h"
#include "model/Master.h"
#include "model/MasterCollection.h"
#include "model/Members.h"
#include "platform/Errors.h"
#include "scripting/MakerClauses.h"
#include "scripting/RunContext.h"
#include "scripting/VxBuiltins.h"
#include "scripting/VxFrame.h"

#include <algorithm>
#include <memory>
#include <unordered_set>
#include <vector>

namespace qm {

using namespace kest;

namespace {

// Every drawable a model holds, its groups' members and junctions included.
std::unordered_set<const Drawable*> DrawablesOf(Model* model) {
    std::vector<Drawable*> tree;
    for (const auto& drawable : model->Drawables())
        CollectDrawableTree(drawable.get(), tree);
    return {tree.begin(), tree.end()};
}

void ForgetObject(ModelObject* object) {
    References().Forget(object);
}

bool DeleteModel(CCASEDoc& project, Model* model) {
    if (!project.HasModel(model))
        return false;
    std::vector<Model*> before;
    for (size_t i = 0; i < project.ModelCount(); ++i)
        before.push_back(project.GetModelAt(i));
    if (model->parentMaster != nullptr && model->parentMaster->submodel == model)
        model->parentMaster->submodel = nullptr;
    project.RemoveModel(model, false);
    // The model went with its submodels. No master keeps exploding into a
    // model that is out of the project (it would be written as a link that
    // no longer reads back), and no reference reaches into them.
    for (Model* m : before) {
        if (project.HasModel(m))
            continue;
        for (const auto& master : project.Masters().Masters())
            if (master->submodel == m)
                master->submodel = nullptr;
        // With the history reset the model cannot come back: its places
        // no longer show their masters.
        for (const auto& drawable : m->Drawables())
            DropDrawableTree(drawable.get(), nullptr);
        ForgetObject(m);
    }
    return true;
}

bool DeleteMaster(CCASEDoc& project, Master* master) {
    // A master still shown by a place stays.
    if (!project.HasMaster(master) || master->refCount != 0)
        return false;
    project.RemoveMaster(master);
    // Its exploded submodel stays in the project, without a parent master
    // that is no longer there.
    for (size_t i = 0; i < project.ModelCount(); ++i)
        if (Model* m = project.GetModelAt(i); m->parentMaster == master)
            m->parentMaster = nullptr;
    ForgetObject(master);
    return true;
}

template <class Record> bool TakeRecord(std::vector<std::unique_ptr<Record>>& list, void* object) {
    auto at = std::find_if(list.begin(), list.end(), [object](const auto& r) {
        return static_cast<ModelObject*>(r.get()) == object;
    });
    if (at == list.end())
        return false;
    ForgetObject(at->get());
    list.erase(at);
    return true;
}

bool DeleteMember(Master* master, Cell* member) {
    ModelObject* object = ResolveObject(member);
    switch (member->flag) {
    case RefAttribute:
        return TakeRecord(master->attributes, object);
    case RefType:
        return TakeRecord(master->types, object);
    case RefMethod:
        return TakeRecord(master->methods, object);
    case RefException:
        return TakeRecord(master->exceptions, object);
    default:
        return false;
    }
}

// Deletes the drawable with what hangs on it. Only a drawable of a model's
// own list is deleted; one held in a group or lane is left alone. The
// user's selection in that model stays as it was, less what was deleted.
bool DeleteDrawable(CCASEDoc& project, Drawable* drawable) {
    Model* model = project.FindModelOfDrawable(drawable);
    if (model == nullptr || std::none_of(model->Drawables().begin(), model->Drawables().end(),
                                         [drawable](const auto& d) { return d.get() == drawable; }))
        return false;
    const std::vector<Drawable*> selected(model->Selection().begin(), model->Selection().end());
    const std::unordered_set<const Drawable*> before = DrawablesOf(model);
    model->DeselectAll(nullptr, false);
    model->Select(drawable, true, nullptr, false);
    // What the journal hands back is freed here; the journal frees the rest.
    DrawableList left = model->DeleteDrawables(&project, nullptr, ChangeKind::Delete, false);
    const std::unordered_set<const Drawable*> after = DrawablesOf(model);
    for (const Drawable* gone : before)
        if (!after.contains(gone)) {
            // Only the address is used: the drawable may be freed already.
            References().Forget(static_cast<const ModelObject*>(gone));
        }
    left.clear();
    for (Drawable* d : selected)
        if (after.contains(d))
            model->Select(d, true, nullptr, false);
    return true;
}

} // namespace

Cell* VxDelete(Symbol* self) {
    VxFrame frame(self, 1, 2);
    Cell* first = frame.Ref(0);
    Cell* second = frame.Count() > 1 ? frame.Ref(1) : nullptr;
    CCASEDoc* project = RunContext().project;
    if (project == nullptr)
        return nil;
    bool done = false;
    switch (first->flag) {
    case RefModel:
        done = DeleteModel(*project, dynamic_cast<Model*>(ResolveObject(first)));
        break;
    case RefMaster:
        if (auto* master = dynamic_cast<Master*>(ResolveObject(first)); master != nullptr)
            done =
                second == nullptr ? DeleteMaster(*project, master) : DeleteMember(master, second);
        break;
    case RefPlace:
    case RefLink:
    case RefTag:
    case RefPrimitive:
        if (auto* drawable = dynamic_cast<Drawable*>(ResolveObject(first)); drawable != nullptr)
            done = DeleteDrawable(*project, drawable);
        break;
    default:
        break;
    }
    if (!done)
        return nil;
    project->SetModifiedFlag(true);
    // Earlier changes can no longer be undone.
    try {
        project->GetJournal().Reset();
    } catch (const CKestException& e) {
        frame.Fail(e.Message().c_str());
    }
    return KernelSyms.t;
}

} // namespace qm
