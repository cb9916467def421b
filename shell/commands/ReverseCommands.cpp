// The reverse-engineering commands of a project window: their table, update
// rules and handlers.
#include "shell/commands/ReverseCommands.h"

#include "dialogs/model/DialogServices.h"
#include "dialogs/reverse/ReverseEngineerDialog.h"
#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/ModelLibrary.h"
#include "drawables/Model.h"
#include "model/ModelObject.h"
#include "platform/Prompt.h"
#include "shell/CCASEApp.h"
#include "shell/frames/CChildFrame.h"
#include "shell/panes/Explorer.h"
#include "shell/panes/SidePane.h"

namespace qm {

std::span<const CommandRow<ReverseCommands>> ReverseCommands::CommandTable() {
    using R = ReverseCommands;
    static const CommandRow<R> rows[] = {
        {kSeparatorRow, 0, "&Tools#run", "", nullptr, nullptr},
        {cmd::ReverseEngineer, cmd::ReverseEngineer, "&Tools#run", "&Reverse Engineer...",
         &R::OnReverseEngineer, &R::OnUpdateReverseEngineer},
        {cmd::RedoLastReverse, cmd::RedoLastReverse, "&Tools#run", "Redo &Last Reverse Engineer...",
         &R::OnReverseEngineer, &R::OnUpdateRedoLastReverse},
        {cmd::OpenFileSeparately, cmd::OpenFileSeparately, "&File#open", "Open &File Separately",
         &R::OnOpenFileSeparately, &R::OnUpdateOpenFileSeparately},
        {cmd::LoadReferenceProject, cmd::LoadReferenceProject, "&File#open",
         "&Load Reference Project...", &R::OnLoadReferenceProject, nullptr},
    };
    return rows;
}

bool ReverseCommands::OnCommand(int id) {
    return DispatchCommand(*this, CommandTable(), id);
}

bool ReverseCommands::OnUpdateCommand(int id, CommandState& state) {
    return UpdateCommand(*this, CommandTable(), id, state);
}

void ReverseCommands::OnUpdateReverseEngineer(int, CommandState& state) {
    state.enabled = IsDiagramKind(frame_.GetCurrentModelKind());
}

void ReverseCommands::OnUpdateRedoLastReverse(int id, CommandState& state) {
    OnUpdateReverseEngineer(id, state);
    const TExplorer* explorer = frame_.Explorer();
    state.enabled = state.enabled && explorer != nullptr && explorer->FolderHasItems(EfReversed);
}

void ReverseCommands::OnUpdateOpenFileSeparately(int, CommandState& state) {
    const TExplorer* explorer = frame_.Explorer();
    state.enabled = explorer != nullptr && explorer->currentItem() != nullptr &&
                    TExplorer::KindOfItem(explorer->currentItem()) == TExplorer::ItemFile;
}

void ReverseCommands::OnReverseEngineer(int id) {
    CCASEDoc& document = frame_.Document();
    const int kind = frame_.GetCurrentModelKind();
    if (kind != MkClass && kind != MkDefault) {
        MessageBeep();
        MessageBox(kWrongModelMessage, PromptIcon::Exclamation);
        return;
    }
    const bool redo = id == cmd::RedoLastReverse;
    if (redo)
        document.Profile().language = document.Language();
    ReverseEngineerDialog dialog(document, redo, frame_.Explorer(), &frame_);
    if (RunModal(dialog) == QDialog::Accepted)
        frame_.RepaintView(true);
}

void ReverseCommands::OnOpenFileSeparately(int) {
    if (TExplorer* explorer = frame_.Explorer())
        explorer->OpenItem(explorer->currentItem());
}

void ReverseCommands::OnLoadReferenceProject(int) {
    CCASEApp* app = CCASEApp::Current();
    FileDialogs* dialogs = frame_.Document().Context().dialogs;
    if (app == nullptr || app->Library() == nullptr || dialogs == nullptr)
        return;
    const std::optional<std::string> path =
        dialogs->AskOpenFile({"pro", "", "Reference Project (*.pro) | *.pro ||"});
    if (!path)
        return;
    if (app->Library()->OpenDocumentFile(*path) == 0)
        return;
    if (TExtra* extra = frame_.Extra())
        extra->SelectTab(TabReference);
}

} // namespace qm
