// The model commands of a project window: their table, handlers and update
// rules.
#include "shell/commands/ModelCommands.h"

#include "dialogs/model/DialogServices.h"
#include "dialogs/model/ModelTypeDialog.h"
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/CustomModel.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "drawables/ToolModel.h"
#include "editor/TContent.h"
#include "editor/operations/CreationTools.h"
#include "editor/operations/EditOperation.h"
#include "model/ChangeJournal.h"
#include "model/CommandIds.h"
#include "model/Master.h"
#include "platform/Prompt.h"
#include "shell/frames/CChildFrame.h"
#include "shell/panes/Explorer.h"
#include "shell/panes/Overview.h"
#include "shell/panes/SidePane.h"

namespace qm {

namespace {

using Row = CommandRow<ModelCommands>;
using M = ModelCommands;

} // namespace

struct ModelCommandRows {
    static constexpr Row rows[] = {
        {cmd::ModelNew, cmd::ModelNew, "&Model", "&New Model...", &M::OnNewModel, nullptr},
        {kSeparatorRow, 0, "&Model", "", nullptr, nullptr},
        {cmd::ModelExplode, cmd::ModelExplode, "&Model", "&Explode...\tCtrl+{", &M::OnExplode,
         &M::OnUpdateExplode},
        {cmd::ModelSubmodel, cmd::ModelSubmodel, "&Model", "Sub&model\tCtrl++", &M::OnSubmodel,
         &M::OnUpdateSubmodel},
        {cmd::ModelImplode, cmd::ModelImplode, "&Model", "&Implode\tCtrl+}", &M::OnImplode,
         &M::OnUpdateImplode},
        {cmd::ModelBreakExplode, cmd::ModelBreakExplode, "&Model", "Break Explode &Link",
         &M::OnBreakExplode, &M::OnUpdateSubmodel},
        {kSeparatorRow, 0, "&Model", "", nullptr, nullptr},
        {cmd::ModelMoveUp, cmd::ModelMoveUp, "&Model", "Move &Up\tCtrl+:", &M::OnMoveModel,
         &M::OnUpdateMoveModel},
        {cmd::ModelMoveDown, cmd::ModelMoveDown, "&Model", "Move &Down\tCtrl+;", &M::OnMoveModel,
         &M::OnUpdateMoveModel},
        {cmd::BestPageMatrix, cmd::BestPageMatrix, "&Model", "&Best Page Matrix\tCtrl+B",
         &M::OnBestPageMatrix, &M::OnUpdateBestPageMatrix},
        {kSeparatorRow, 0, "&Model", "", nullptr, nullptr},
        {cmd::RenumberMessages, cmd::RenumberMessages, "&Model", "Re&number Messages",
         &M::OnRenumberMessages, &M::OnUpdateRenumber},
        // The template commands: new tools in the Model menu, saving and
        // switching the template in the File menu.
        {kSeparatorRow, 0, "&Model", "", nullptr, nullptr},
        {cmd::NewToolModel, cmd::NewToolModel, "&Model", "New &Tool Model", &M::OnNewToolModel,
         &M::OnUpdateNewToolModel},
        {cmd::NewStereotypeModel, cmd::NewStereotypeModel, "&Model", "New &Stereotype Model",
         &M::OnNewStereotypeModel, &M::OnUpdateNewStereotypeModel},
        {cmd::SaveTemplate, cmd::SaveTemplate, "&File#save", "Save &Template...",
         &M::OnSaveTemplate, nullptr},
        {cmd::SwitchTemplate, cmd::SwitchTemplate, "&File#save", "Switch to Te&mplate...",
         &M::OnSwitchTemplate, nullptr},
        // The diagram view's context menu asks for the same handlers.
        {cmd::PopupNewModel, cmd::PopupNewModel, nullptr, nullptr, &M::OnNewModel, nullptr},
        {cmd::PopupExplode, cmd::PopupExplode, nullptr, nullptr, &M::OnExplode,
         &M::OnUpdateExplode},
        {cmd::PopupSubmodel, cmd::PopupSubmodel, nullptr, nullptr, &M::OnSubmodel,
         &M::OnUpdateSubmodel},
        {cmd::PopupImplode, cmd::PopupImplode, nullptr, nullptr, &M::OnImplode,
         &M::OnUpdateImplode},
        {cmd::PopupBreakExplode, cmd::PopupBreakExplode, nullptr, nullptr, &M::OnBreakExplode,
         &M::OnUpdateSubmodel},
    };
};

ModelCommands::ModelCommands(CChildFrame& frame) : frame_(frame) {}

std::span<const CommandRow<ModelCommands>> ModelCommands::CommandTable() {
    return ModelCommandRows::rows;
}

bool ModelCommands::OnCommand(int id) {
    return DispatchCommand(*this, CommandTable(), id);
}

bool ModelCommands::OnUpdateCommand(int id, CommandState& state) {
    return UpdateCommand(*this, CommandTable(), id, state);
}

CCASEDoc& ModelCommands::Document() {
    return frame_.Document();
}

Model* ModelCommands::CurrentModel() {
    return Document().CurrentModel();
}

Place* ModelCommands::SelectedPlace() {
    Model* model = CurrentModel();
    if (model == nullptr || model->Selection().size() != 1)
        return nullptr;
    return dynamic_cast<Place*>(*model->Selection().begin());
}

Model* ModelCommands::SelectedSubmodel() {
    Place* place = SelectedPlace();
    if (place == nullptr || place->master == nullptr)
        return nullptr;
    return dynamic_cast<Model*>(place->master->submodel);
}

void ModelCommands::RepaintView() {
    frame_.RepaintView(false);
}

// ---- new model ----

void ModelCommands::OnNewModel(int) {
    CCASEDoc& document = Document();
    CModelTypeDialog dialog(document, CModelTypeDialog::kListDiagramTypes, false, nullptr, &frame_);
    if (RunModal(dialog) != QDialog::Accepted)
        return;
    const int kind = CModelTypeDialog::GetNewModelKind();
    if (kind < 0)
        return;
    auto* parent = dynamic_cast<Model*>(CModelTypeDialog::GetParentModel().Get());
    Model* made = document.NewModel(kind, parent);
    if (made == nullptr)
        return;
    UndoJournal& journal = document.GetJournal();
    JournalChange change(journal, ChangeKind::NewModel);
    change.Record("New Model", made, nullptr);
    if (TExplorer* explorer = frame_.Explorer())
        explorer->SelectObjectItem(made);
}

// ---- explode and implode ----

bool ModelCommands::ExplodeToMaster(Master& master) {
    if (master.submodel != nullptr)
        return true;
    CCASEDoc& document = Document();
    Model* current = CurrentModel();
    CModelTypeDialog dialog(document, CModelTypeDialog::kListDiagramTypes, true, current, &frame_);
    if (RunModal(dialog) != QDialog::Accepted)
        return false;
    UndoJournal& journal = document.GetJournal();
    if (auto* existing = dynamic_cast<Model*>(CModelTypeDialog::GetExistingModel().Get())) {
        auto* oldMaster = dynamic_cast<Master*>(existing->parentMaster);
        if (oldMaster != nullptr &&
            MessageBox("This model already has a parent master.\nContinuing will break that "
                       "link, and link the submodel to the new master.\nDo you wish to continue?",
                       PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes)
            return false;
        JournalChange change(journal, ChangeKind::ExplodeToExisting);
        journal.AddChangedObject(&master, nullptr);
        if (oldMaster != nullptr) {
            // Noted before its link is cleared, so that undo gives the model
            // back to it.
            journal.AddChangedObject(oldMaster, nullptr);
            oldMaster->submodel = nullptr;
        }
        master.submodel = existing;
        existing->parentMaster = &master;
        change.Record("Explode to Existing", current, nullptr);
        frame_.RefitView();
        return false;
    }
    const int kind = CModelTypeDialog::GetNewModelKind();
    if (kind < 0)
        return false;
    OperationContext context;
    context.document = &document;
    context.model = current;
    Model* made = CreateExplodeModel(context, kind, &master, current);
    if (made == nullptr)
        return false;
    JournalChange change(journal, ChangeKind::Explode);
    change.Record("Explode", made, nullptr);
    return true;
}

void ModelCommands::OnExplode(int) {
    Place* place = SelectedPlace();
    if (place == nullptr || place->master == nullptr)
        return;
    if (ExplodeToMaster(*place->master))
        OnSubmodel(cmd::ModelSubmodel);
    else
        RepaintView();
}

void ModelCommands::OnSubmodel(int) {
    Model* submodel = SelectedSubmodel();
    if (submodel == nullptr)
        return;
    if (frame_.View() != nullptr)
        frame_.View()->AnimateZoom(SelectedPlace(), nullptr);
    if (submodel != CurrentModel())
        frame_.ShowModel(submodel);
    else
        RepaintView();
}

void ModelCommands::OnImplode(int) {
    Model* current = CurrentModel();
    if (current == nullptr || current->parentModel == nullptr)
        return;
    auto* parent = dynamic_cast<Model*>(current->parentModel);
    if (parent == nullptr || !Document().HasModel(parent))
        return;
    // The animation finds the place that stands for the submodel's master in
    // the parent model.
    Drawable* standing =
        frame_.View() != nullptr ? frame_.View()->AnimateZoom(nullptr, current) : nullptr;
    frame_.ShowModel(parent);
    if (standing != nullptr && frame_.View() != nullptr) {
        frame_.View()->DeselectAll();
        frame_.View()->SelectList({standing});
    }
}

void ModelCommands::OnBreakExplode(int) {
    Place* place = SelectedPlace();
    Model* submodel = SelectedSubmodel();
    if (place == nullptr || submodel == nullptr)
        return;
    Master* master = place->master;
    UndoJournal& journal = Document().GetJournal();
    JournalChange change(journal, ChangeKind::BreakExplode);
    journal.AddChangedObject(master, nullptr);
    change.Record("Break Explode", CurrentModel(), nullptr);
    master->submodel = nullptr;
    submodel->parentMaster = nullptr;
    frame_.RefitView();
}

void ModelCommands::OnUpdateExplode(int, CommandState& state) {
    state.enabled = SelectedPlace() != nullptr;
}

void ModelCommands::OnUpdateSubmodel(int, CommandState& state) {
    state.enabled = SelectedSubmodel() != nullptr;
}

void ModelCommands::OnUpdateImplode(int, CommandState& state) {
    Model* current = CurrentModel();
    state.enabled = current != nullptr && dynamic_cast<ToolModel*>(current) == nullptr &&
                    current->parentModel != nullptr;
}

// ---- order and messages ----

void ModelCommands::OnMoveModel(int id) {
    if (TExplorer* explorer = frame_.Explorer())
        explorer->MoveModelUpDown(CurrentModel(), id == cmd::ModelMoveUp, false);
}

void ModelCommands::OnUpdateMoveModel(int, CommandState& state) {
    // Offered for any current diagram; at the end of its siblings the
    // explorer refuses the move with a beep.
    Model* current = CurrentModel();
    state.enabled = current != nullptr && IsDiagramKind(current->kind);
}

void ModelCommands::OnBestPageMatrix(int) {
    Model* model = CurrentModel();
    if (model == nullptr)
        return;
    CCASEDoc& document = Document();
    const CRect before = model->pageMatrix;
    model->BestPageMatrix(document.PageWidth(), document.PageHeight());
    // Fitting the pages to the drawing changes no drawable and leaves the
    // project's modified state as it was.
    if (model->pageMatrix != before)
        frame_.RepaintView(true);
    if (TExtra* extra = frame_.Extra()) {
        if (model->pageMatrix != before && extra->Matrix() != nullptr)
            extra->Matrix()->Refresh(true);
        extra->SelectTab(TabMatrix);
    }
}

void ModelCommands::OnUpdateBestPageMatrix(int, CommandState& state) {
    state.enabled = CurrentModel() != nullptr;
}

void ModelCommands::OnRenumberMessages(int) {
    auto* model = dynamic_cast<CustomModel*>(CurrentModel());
    if (model == nullptr || (model->kind != 0 && model->kind != 17))
        return;
    if (frame_.View() != nullptr)
        frame_.View()->ToggleRenumberMessages();
    else
        model->ToggleRenumberMessages();
    RepaintView();
}

void ModelCommands::OnUpdateRenumber(int, CommandState& state) {
    auto* model = dynamic_cast<CustomModel*>(CurrentModel());
    state.enabled =
        model != nullptr && (model->kind == MkDefault || model->kind == MkCollaboration);
    state.checked = state.enabled && model->IsRenumbering();
    state.radio = true;
}

} // namespace qm
