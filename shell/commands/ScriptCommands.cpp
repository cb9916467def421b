// The script, image and print commands of a project window: their table,
// update rules and handlers.
#include "shell/commands/ScriptCommands.h"

#include "dialogs/model/DialogServices.h"
#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"
#include "drawables/Model.h"
#include "image/DiagramImageExport.h"
#include "platform/Errors.h"
#include "platform/PathHelpers.h"
#include "platform/Prompt.h"
#include "shell/frames/CChildFrame.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

#include <array>

namespace qm {

namespace {

constexpr std::array<const char*, 3> kImageFilters = {"Bitmap File (*.bmp)", "JPEG File (*.jpg)",
                                                      "PNG File (*.png)"};
constexpr std::array<const char*, 3> kImageFormats = {"bmp", "jpg", "png"};

// Shows the wait cursor while alive.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

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
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({kImageFilters[0], kImageFilters[1], kImageFilters[2]});
    if (RunModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const int filterIndex =
        static_cast<int>(QStringList{kImageFilters[0], kImageFilters[1], kImageFilters[2]}.indexOf(
            dialog.selectedNameFilter())) +
        1;
    const ImageTarget target = ChooseImageTarget(
        QDir::toNativeSeparators(dialog.selectedFiles().front()).toStdString(), filterIndex);
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

} // namespace qm
