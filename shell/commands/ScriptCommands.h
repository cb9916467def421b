// The script, image and print commands of a project window, asked right
// after the child frame's own table: for now "Save Image..." (the current
// diagram written as a BMP, JPEG or PNG file through the image export).
#pragma once

#include "editor/CommandTarget.h"
#include "shell/frames/CommandTable.h"

#include <span>
#include <string>

namespace qm {

class CChildFrame;

namespace cmd {
inline constexpr int FileSaveImage = 33071;
} // namespace cmd

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

  private:
    CChildFrame& frame_;
};

} // namespace qm
