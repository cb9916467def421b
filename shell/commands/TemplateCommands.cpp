// The template commands of a project window: new tool and stereotype
// models, saving the project's template under a name, and switching the
// project to another template.
#include "dialogs/model/DialogServices.h"
#include "dialogs/model/ModelDialogs.h"
#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "document/UndoJournal.h"
#include "drawables/Looks.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/ToolModel.h"
#include "editor/TContent.h"
#include "model/ChangeJournal.h"
#include "platform/Errors.h"
#include "platform/Prompt.h"
#include "shell/commands/ModelCommands.h"
#include "shell/frames/CChildFrame.h"
#include "shell/panes/Explorer.h"

#include <QTreeWidgetItem>

namespace qm {

namespace {

// A new tool's page, before the tool's own frames replace it.
const CSize kNewToolPage(32, 32);

} // namespace

ToolModel* ModelCommands::SelectedExplorerTool() {
    TExplorer* explorer = frame_.Explorer();
    QTreeWidgetItem* item = explorer != nullptr ? explorer->currentItem() : nullptr;
    if (item == nullptr || TExplorer::KindOfItem(item) != TExplorer::ItemObject)
        return nullptr;
    return dynamic_cast<ToolModel*>(explorer->ModelOfItem(item));
}

bool ModelCommands::ExplorerFolderSelected(int folder) {
    TExplorer* explorer = frame_.Explorer();
    return explorer != nullptr && explorer->currentItem() != nullptr &&
           explorer->currentItem() == explorer->Folder(folder);
}

ToolModel* ModelCommands::CreateToolModel(ToolModel* base, bool link) {
    CCASEDoc& document = Document();
    NotationTemplate* notation = document.Template();
    if (notation == nullptr)
        return nullptr;
    auto made = std::make_unique<ToolModel>(&notation->guidMap);
    if (TContent* view = frame_.View(); view != nullptr && view->SetIconEditing(false))
        frame_.SetToolEditMode(0);
    made->Init(kNewToolPage, "Untitled");
    // A stereotype always refers to a tool that is no stereotype itself.
    if (base != nullptr)
        made->baseId = base->IsVariant() ? base->baseId : int16_t(base->id);
    const int32_t type = link ? ToolTypeLink : ToolTypePlace;
    made->SetTool(0, &notation->toolBitmap, type, kToolScale);
    bool needEnlarge = false;
    ToolModel* tool = notation->AddTool(std::move(made), needEnlarge);
    notation->EnlargeBitmap(&document, base != nullptr ? 2 : 1, needEnlarge ? -1 : tool->iconSlot);
    tool->SetTool(tool->id, &notation->toolBitmap, type, kToolScale);
    tool->lineKind = kLineKindSolid1;
    notation->modified = true;
    if (TExplorer* explorer = frame_.Explorer()) {
        explorer->AddToolItem(*tool);
        explorer->SelectObjectItem(tool);
    }
    UndoJournal& journal = document.GetJournal();
    JournalChange change(journal, ChangeKind::NewToolModel);
    change.Record(base != nullptr ? "New Stereotype Model" : "New Tool Model", tool, nullptr);
    return tool;
}

void ModelCommands::OnNewToolModel(int) {
    NotationTemplate* notation = Document().Template();
    bool link = false;
    if (ExplorerFolderSelected(EfLinks))
        link = true;
    else if (ExplorerFolderSelected(EfPlaces))
        link = false;
    else if (ToolModel* selected = SelectedExplorerTool())
        link = selected->IsLinkTool();
    else
        link = notation != nullptr && notation->IsLinkTool(frame_.CurrentTool());
    CreateToolModel(nullptr, link);
}

void ModelCommands::OnUpdateNewToolModel(int, CommandState& state) {
    NotationTemplate* notation = Document().Template();
    state.enabled = ExplorerFolderSelected(EfLinks) || ExplorerFolderSelected(EfPlaces) ||
                    SelectedExplorerTool() != nullptr ||
                    (notation != nullptr && notation->IsLinkOrPlaceTool(frame_.CurrentTool()));
}

void ModelCommands::OnNewStereotypeModel(int) {
    NotationTemplate* notation = Document().Template();
    if (notation == nullptr)
        return;
    ToolModel* base = SelectedExplorerTool();
    if (base == nullptr)
        base = notation->GetTool(frame_.CurrentTool());
    if (base == nullptr)
        return;
    CreateToolModel(base, base->IsLinkTool());
}

void ModelCommands::OnUpdateNewStereotypeModel(int, CommandState& state) {
    NotationTemplate* notation = Document().Template();
    state.enabled = SelectedExplorerTool() != nullptr ||
                    (notation != nullptr && notation->IsLinkOrPlaceTool(frame_.CurrentTool()));
}

void ModelCommands::OnSaveTemplate(int) {
    CCASEDoc& document = Document();
    NotationTemplate* notation = document.Template();
    if (notation == nullptr)
        return;
    // The title names the template file, which may have changed.
    if (notation->SaveTemplateAs(&document) != 0)
        document.SetTitle(document.GetTitle());
}

void ModelCommands::OnSwitchTemplate(int) {
    CCASEDoc& document = Document();
    DocumentContext& context = document.Context();
    CTemplateDialog dialog(context.profile->NotationFolder, context.profile->DefaultNotation,
                           &frame_);
    if (RunModal(dialog) != QDialog::Accepted)
        return;
    TemplateList& templates = *context.templates;
    NotationTemplate* chosen = templates.AcquireTemplate(CTemplateDialog::GetChosenTemplate());
    if (chosen == nullptr)
        throw CKestException("Can't create a template");
    if (chosen == document.Template()) {
        templates.ReleaseTemplate(chosen);
        return;
    }
    if (MessageBox("Switching template will cause the undo/redo history to be cleared.\nDo you "
                   "want to proceed?",
                   PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes) {
        templates.ReleaseTemplate(chosen);
        return;
    }
    document.GetJournal().Reset();
    // A tool model of the old template leaves the view: the first model
    // takes its place, or none when the project has no models.
    if (Model* current = CurrentModel(); current != nullptr && current->kind == MkTool)
        frame_.ShowModel(document.ModelCount() > 0 ? document.GetModelAt(0) : nullptr);
    // The old template stays alive until the masters and models are bound
    // to the new one, so that nothing points into a freed template meanwhile.
    NotationTemplate* old = document.Template();
    if (old != nullptr)
        old->AddRef();
    document.SetTemplate(chosen);
    if (TExplorer* explorer = frame_.Explorer())
        explorer->FillTemplateItems(true);
    document.SetTitle(document.GetTitle());
    document.BindTemplate();
    document.SetModifiedFlag(true);
    if (old != nullptr)
        templates.ReleaseTemplate(old);
    frame_.RefitView();
    frame_.LoadToolBarBitmaps();
}

} // namespace qm
