// The library commands: their table, handlers and the button's rule.
#include "shell/commands/LibraryCommands.h"

#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"
#include "drawables/Model.h"
#include "shell/bars/LibraryMenu.h"
#include "shell/frames/CChildFrame.h"

namespace qm {

std::span<const CommandRow<LibraryCommands>> LibraryCommands::CommandTable() {
    using L = LibraryCommands;
    // The entries live in the library menu itself, not in the menu bar.
    static const CommandRow<L> rows[] = {
        {cmd::LibraryUseAsPrimitive, cmd::LibraryUseAsPlace, nullptr, nullptr, &L::OnMode, nullptr},
        {cmd::LibraryLoad, cmd::LibraryLoad, nullptr, nullptr, &L::OnLoadLibrary, nullptr},
        // The button only opens the menu from its arrow.
        {cmd::LibraryDropDown, cmd::LibraryDropDown, nullptr, nullptr, nullptr,
         &L::OnUpdateLibraryButton},
    };
    return rows;
}

bool LibraryCommands::OnCommand(int id) {
    return DispatchCommand(*this, CommandTable(), id);
}

bool LibraryCommands::OnUpdateCommand(int id, CommandState& state) {
    return UpdateCommand(*this, CommandTable(), id, state);
}

LibraryMenu* LibraryCommands::Menu() {
    return frame_.Library();
}

void LibraryCommands::OnMode(int id) {
    if (LibraryMenu* menu = Menu())
        menu->SetMode(id == cmd::LibraryUseAsPrimitive ? 0 : 1);
}

void LibraryCommands::OnLoadLibrary(int) {
    DocumentContext& context = frame_.Document().Context();
    LibraryMenu* menu = Menu();
    if (context.dialogs == nullptr || menu == nullptr)
        return;
    FileDialogRequest request;
    request.defaultExtension = "pro";
    request.initialName = "*.pro";
    request.filter = "Library Project Files (*.pro) | *.pro ||";
    const std::optional<std::string> path = context.dialogs->AskOpenFile(request);
    if (!path)
        return;
    context.profile->DefaultLibrary = *path;
    menu->Load(*path);
}

void LibraryCommands::OnUpdateLibraryButton(int, CommandState& state) {
    const Model* model = frame_.Document().CurrentModel();
    state.enabled = model == nullptr || model->kind != MkTool;
}

} // namespace qm
