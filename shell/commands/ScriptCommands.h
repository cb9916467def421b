// The script, image and print commands of a project window, asked right
// after the child frame's own table: the five script tasks through the Run
// Script dialog, the Tasks menu's task scripts with the debug switch and
// "Define New Task...", and "Save Image..." (the current diagram written as
// a BMP, JPEG or PNG file through the image export).
#pragma once

#include "editor/CommandTarget.h"
#include "model/CommandIds.h"
#include "shell/frames/CommandTable.h"

#include <span>
#include <string>

namespace qm {

class CChildFrame;

// The script task kind (0 to 4) a command starts; -1 for another command.
int ScriptTaskOfCommand(int id);

// The text of the information box of "Define New Task...".
extern const char* const kDefineNewTaskText;

// What a save dialog's answer means: the name without its image extension
// and the format ("bmp", "jpg" or "png"). filterIndex counts the dialog's
// filters from 1 (Bitmap, JPEG, PNG); a typed image extension overrides it.
struct ImageTarget {
    std::string name;
    std::string format;
};
ImageTarget ChooseImageTarget(const std::string& typed, int filterIndex);

class ScriptCommands : public CommandTarget {
  public:
    explicit ScriptCommands(CChildFrame& frame) : frame_(frame) {}

    static std::span<const CommandRow<ScriptCommands>> CommandTable();
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

    void OnSaveImage(int id);
    void OnUpdateHasModel(int id, CommandState& state);
    // The Run Script dialog for the command's task; on Run the chosen
    // script runs over the project, its progress in the status bar.
    void OnScriptTask(int id);
    // The task script of the Tasks menu entry, in debug mode while the
    // switch is on; an entry past the collected scripts does nothing.
    void OnRunTask(int id);
    void OnUpdateRunTask(int id, CommandState& state);
    void OnDebugMode(int id);
    void OnUpdateDebugMode(int id, CommandState& state);
    void OnDefineNewTask(int id);

    // The "Run in Debug Mode" switch of this window, read by its task runs.
    bool DebugMode() const { return debugMode_; }

  private:
    CChildFrame& frame_;
    bool debugMode_ = false;
};

} // namespace qm
