// The script, image and print commands of a project window: their table,
// update rules and handlers.
#include "shell/commands/ScriptCommands.h"

#include "dialogs/model/DialogServices.h"
#include "dialogs/script/ScriptTaskDialog.h"
#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"
#include "drawables/Model.h"
#include "image/DiagramImageExport.h"
#include "model/CommandIds.h"
#include "platform/Errors.h"
#include "platform/PathHelpers.h"
#include "platform/Prompt.h"
#include "platform/WaitCursor.h"
#include "scripting/ScriptRunners.h"
#include "shell/commands/ScriptRunProgress.h"
#include "shell/frames/CChildFrame.h"
#include "shell/frames/CMainFrame.h"
#include "shell/panes/Explorer.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

#include <array>

namespace qm {

namespace {

constexpr std::array<const char*, 3> kImageFilters = {"Bitmap File (*.bmp)", "JPEG File (*.jpg)",
                                                      "PNG File (*.png)"};
constexpr std::array<const char*, 3> kImageFormats = {"bmp", "jpg", "png"};

// The task commands in the order of the task kinds.
constexpr std::array<int, 5> kTaskCommands = {cmd::GenerateCode, cmd::GenerateDocumentation,
                                              cmd::RunOtherScript, cmd::ImportProject,
                                              cmd::ExportProject};

} // namespace

const char* const kDefineNewTaskText =
    "To define a new task:\n\n1. Write a KestScript which implements the task (see Chapter 7 "
    "for details).\n2. Place the script file in the folder: Quillmark\\Scripts\\Task\\.\n3. "
    "Restart Quillmark (so that it picks up the new task definition).";

int ScriptTaskOfCommand(int id) {
    for (size_t task = 0; task < kTaskCommands.size(); ++task)
        if (kTaskCommands[task] == id)
            return static_cast<int>(task);
    return -1;
}

ImageTarget ChooseImageTarget(const std::string& typed, int filterIndex) {
    ImageTarget target;
    const size_t filter =
        filterIndex >= 1 && filterIndex <= 3 ? static_cast<size_t>(filterIndex) : 1;
    target.format = kImageFormats[filter - 1];
    const std::string extension = ExtensionOfPath(FileNameOfPath(typed));
    for (const char* format : kImageFormats)
        if (extension == format)
            target.format = format;
    target.name = RemoveExtension(typed);
    return target;
}

std::span<const CommandRow<ScriptCommands>> ScriptCommands::CommandTable() {
    using S = ScriptCommands;
    static const CommandRow<S> rows[] = {
        {cmd::FileSaveImage, cmd::FileSaveImage, "&File#print", "Save &Image...", &S::OnSaveImage,
         &S::OnUpdateHasModel},
        {cmd::GenerateCode, cmd::GenerateCode, "&Tools#run", "Generate &Code...", &S::OnScriptTask,
         nullptr},
        {cmd::GenerateDocumentation, cmd::GenerateDocumentation, "&Tools#run",
         "Generate &Documentation...", &S::OnScriptTask, nullptr},
        {cmd::RunOtherScript, cmd::RunOtherScript, "&Tools#run", "Run Other &Script...",
         &S::OnScriptTask, nullptr},
        {cmd::ImportProject, cmd::ImportProject, "&Tools#run", "Import Project...",
         &S::OnScriptTask, nullptr},
        {cmd::ExportProject, cmd::ExportProject, "&Tools#run", "Export Project...",
         &S::OnScriptTask, nullptr},
        {cmd::FirstTask, cmd::LastTask, "", "", &S::OnRunTask, &S::OnUpdateRunTask},
        {cmd::RunInDebugMode, cmd::RunInDebugMode, "Tas&ks", "Run in &Debug Mode", &S::OnDebugMode,
         &S::OnUpdateDebugMode},
        {cmd::DefineNewTask, cmd::DefineNewTask, "Tas&ks", "Define New &Task...",
         &S::OnDefineNewTask, nullptr},
    };
    return rows;
}

bool ScriptCommands::OnCommand(int id) {
    return DispatchCommand(*this, CommandTable(), id);
}

bool ScriptCommands::OnUpdateCommand(int id, CommandState& state) {
    return UpdateCommand(*this, CommandTable(), id, state);
}

void ScriptCommands::OnUpdateHasModel(int, CommandState& state) {
    state.enabled = frame_.Document().CurrentModel() != nullptr;
}

void ScriptCommands::OnSaveImage(int) {
    Model* model = frame_.Document().CurrentModel();
    if (model == nullptr)
        return;
    QFileDialog dialog(&frame_, "Save Image");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({kImageFilters[0], kImageFilters[1], kImageFilters[2]});
    const QStringList chosen = RunFileDialog(dialog);
    if (chosen.isEmpty())
        return;
    const int filterIndex =
        static_cast<int>(QStringList{kImageFilters[0], kImageFilters[1], kImageFilters[2]}.indexOf(
            dialog.selectedNameFilter())) +
        1;
    const ImageTarget target =
        ChooseImageTarget(QDir::toNativeSeparators(chosen.front()).toStdString(), filterIndex);
    ImageLimits limits;
    if (const Profile* settings = frame_.Document().Context().profile) {
        limits.maxWidth = settings->MaxImageWidth;
        limits.maxHeight = settings->MaxImageHeight;
    }
    try {
        WaitCursor wait;
        ExportDiagramImage(model, !model->Selection().empty(), target.name, target.format, limits);
    } catch (const CKestException& failure) {
        MessageBox(failure.Message(), PromptIcon::Exclamation, PromptButtons::Ok);
    }
}

void ScriptCommands::OnScriptTask(int id) {
    const int task = ScriptTaskOfCommand(id);
    if (task < 0)
        return;
    ScriptTaskDialog dialog(frame_.Document(), task, &frame_);
    if (RunModal(dialog) != QDialog::Accepted)
        return;
    WaitCursor wait;
    ScriptRunProgress progress(frame_.Main());
    RunGenerationTask(task, dialog.ScriptPath(), dialog, frame_.Explorer());
}

void ScriptCommands::OnRunTask(int id) {
    const std::vector<std::string>& scripts = frame_.Main().TaskScripts();
    const size_t index = static_cast<size_t>(id - cmd::FirstTask);
    if (index >= scripts.size())
        return;
    // Taken first: the run repaints the window, and nothing may refill the
    // list under it.
    const std::string script = scripts[index];
    WaitCursor wait;
    ScriptRunProgress progress(frame_.Main());
    RunTaskScript(script, frame_.Document(), frame_.Explorer(), debugMode_);
}

void ScriptCommands::OnUpdateRunTask(int id, CommandState& state) {
    state.enabled = static_cast<size_t>(id - cmd::FirstTask) < frame_.Main().TaskScripts().size();
}

void ScriptCommands::OnDebugMode(int) {
    debugMode_ = !debugMode_;
}

void ScriptCommands::OnUpdateDebugMode(int, CommandState& state) {
    state.checked = debugMode_;
}

void ScriptCommands::OnDefineNewTask(int) {
    MessageBox(kDefineNewTaskText, PromptIcon::Information, PromptButtons::Ok);
}

} // namespace qm
