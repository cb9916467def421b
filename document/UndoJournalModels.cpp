// The undo journal's records of models: a new model (or a new model from an
// explode, its record written whole), a new tool model, a master's link to
// an existing submodel made or broken, and a model moved up or down the
// project's list.
#include "document/CCASEDoc.h"
#include "document/DocumentRecords.h"
#include "document/UndoJournal.h"
#include "document/UndoJournalRecords.h"
#include "drawables/Model.h"
#include "drawables/ToolModel.h"
#include "kernel/Kernel.h"
#include "model/Master.h"
#include "platform/Errors.h"

#include <cstdint>
#include <utility>

namespace qm {

using kest::Cell;
using kest::nil;

using namespace journal;

// ---- new models ----

Cell* UndoJournal::BuildNewModelForm(const FormArgs& args) {
    Model* model = args.model;
    // The new model's own record; the head names the model itself.
    if (model == nullptr)
        return nil;
    GuidScope modelScope(document_.ProjectMap(), document_.TemplateMap(), model->IsToolModel());
    return kest::mklist(args.head, args.id, WriteModelRecord(&document_, *model, &modelScope),
                        nullptr);
}

void UndoJournal::ReplayNewModel(ChangeKind /*kind*/, Cell* form, bool redo) {
    Cell* fields = kest::cdr(form);
    const char* id = NextString(fields);
    Cell* record = Next(fields);
    if (!HasHead(record, kest::sym::customModel))
        throw CKestException("model sym expected");
    if (!redo) {
        // Undo takes the new model out again.
        Target target;
        CheckTarget(form, target);
        std::unique_ptr<Model> owned = document_.TakeModel(target.model);
        if (owned == nullptr)
            throw CKestException("Can't undo/redo (model inaccessible)");
        held_.push_back(std::move(owned));
        DestroyHeld();
        return;
    }
    if (document_.FindTopLevelModel(id) != nullptr)
        throw CKestException(kDamaged);
    Cell* recordFields = kest::cdr(record);
    Next(recordFields);
    const int32_t modelKind = NextInt(recordFields);
    std::unique_ptr<Model> made =
        CreateModelOfKind(document_.ProjectMap(), document_.Template(), modelKind);
    if (made == nullptr)
        throw CKestException(kDamaged);
    GuidScope modelScope(document_.ProjectMap(), document_.TemplateMap(), made->IsToolModel());
    try {
        ReadModelRecord(&document_, *made, &modelScope, record);
        made->ResolveRefs(&document_, &modelScope, false);
    } catch (...) {
        CountModelUses(*made, true);
        DestroyObject(std::move(made));
        throw;
    }
    Model* raw = made.get();
    // An exploded submodel comes back under its master.
    if (raw->parentMaster != nullptr && raw->parentMaster->submodel == nullptr)
        raw->parentMaster->submodel = raw;
    document_.InsertModelAt(document_.ModelCount(), std::move(made));
    document_.SetCurrentModel(raw);
    modelToShow_ = raw;
}

Cell* UndoJournal::BuildNewToolForm(const FormArgs& args) {
    Model* model = args.model;
    // The new tool model names itself in the head.
    return model != nullptr && model->IsToolModel() ? kest::mklist(args.head, args.id, nullptr)
                                                    : nil;
}

void UndoJournal::ReplayNewTool(ChangeKind /*kind*/, Model* model, Cell* fields, bool redo) {
    // Undo hides the new tool, redo shows it again.
    auto* tool = dynamic_cast<ToolModel*>(model);
    if (tool == nullptr || fields != nil)
        throw CKestException(kDamaged);
    if (redo)
        tool->modelFlags &= ~uint32_t(MfToolHidden);
    else
        tool->modelFlags |= MfToolHidden;
    modelToShow_ = model;
}

// ---- a master's submodel ----

Cell* UndoJournal::BuildSubmodelLinkForm(const FormArgs& args) {
    ModelObject* current = args.current;
    // The master exploded (or no longer exploded) and its submodel: the
    // master's own, else the one the change names.
    std::vector<ModelObject*> masters;
    for (ModelObject* object : pending_.changed) {
        if (dynamic_cast<Master*>(object) != nullptr)
            masters.push_back(object);
    }
    if (masters.empty())
        return nil;
    auto* master = static_cast<Master*>(masters.front());
    ModelObject* submodel = master->submodel != nullptr ? master->submodel : current;
    if (dynamic_cast<Model*>(submodel) == nullptr)
        return nil;
    return kest::mklist(args.head, args.id, Str(submodel->Id().Text()), IdList("master", masters),
                        nullptr);
}

void UndoJournal::ReplaySubmodelLink(ChangeKind kind, Model* model, Cell* fields, bool redo) {
    const char* submodelId = NextString(fields);
    auto* submodel = dynamic_cast<Model*>(document_.FindTopLevelModel(submodelId));
    std::vector<Master*> masters;
    for (const std::string& masterId : ReadIdList(Next(fields), "master")) {
        ModelObject* object = nullptr;
        GuidScope projectScope(document_.ProjectMap(), document_.TemplateMap());
        projectScope.Lookup(masterId.c_str(), object, true);
        auto* master = dynamic_cast<Master*>(object);
        if (master == nullptr)
            throw CKestException(kDamaged);
        masters.push_back(master);
    }
    if (submodel == nullptr || masters.empty())
        throw CKestException("Can't undo/redo (model inaccessible)");
    // Redo of an explode and undo of a break link the master to the
    // submodel; the other two take the link away.
    const bool link = (kind == ChangeKind::ExplodeToExisting) == redo;
    Master* master = masters.front();
    if (link) {
        master->submodel = submodel;
        if (submodel->parentMaster == nullptr)
            submodel->parentMaster = master;
    } else {
        if (master->submodel == submodel) {
            master->submodel = nullptr;
            master->submodelRef = ObjectRef();
        }
        if (submodel->parentMaster == master) {
            submodel->parentMaster = nullptr;
            submodel->parentMasterRef = ObjectRef();
        }
    }
    // Linking to an existing model took it from the master it had, noted
    // second: undo gives it back to that master, redo takes it away again.
    if (kind == ChangeKind::ExplodeToExisting && masters.size() > 1) {
        Master* previous = masters[1];
        if (redo) {
            if (previous->submodel == submodel) {
                previous->submodel = nullptr;
                previous->submodelRef = ObjectRef();
            }
            submodel->parentMaster = master;
        } else {
            previous->submodel = submodel;
            submodel->parentMaster = previous;
        }
    }
    modelToShow_ = model;
}

// ---- the order of models ----

Cell* UndoJournal::BuildModelStepForm(const FormArgs& args) {
    return kest::mklist(args.head, args.id,
                        kest::mkint(args.kind == ChangeKind::MoveModelUp ? 1 : 0), nullptr);
}

void UndoJournal::ReplayModelStep(ChangeKind /*kind*/, Model* model, Cell* fields, bool redo) {
    Cell* up = Next(fields);
    if (!IsInteger(up) || (up->a.ival != 0 && up->a.ival != 1))
        throw CKestException(kDamaged);
    // Undo moves the model the other way.
    MoveModelOneStep(model, (up->a.ival == 1) == redo);
    modelToShow_ = model;
}

void UndoJournal::MoveModelOneStep(Model* model, bool up) {
    const size_t index = document_.GetModelIndex(model);
    if (up) {
        if (index > 0)
            document_.MoveModel(model, document_.GetModelAt(index - 1), true);
        return;
    }
    if (index + 1 < document_.ModelCount())
        document_.MoveModel(model, document_.GetModelAt(index + 2), false);
}

} // namespace qm
