// The project window's model commands: new models, explosion into submodels
// and back, breaking an explode link, moving models in the explorer's order,
// fitting the page matrix to the drawing and message renumbering. Each records one journal entry;
// the panes follow through the document's events.
#pragma once

#include "editor/CommandTarget.h"
#include "model/CommandIds.h"
#include "shell/frames/CommandTable.h"

#include <span>

namespace qm {

class CChildFrame;
class CCASEDoc;
class Master;
class Model;
class Place;
class ToolModel;

class ModelCommands : public CommandTarget {
  public:
    explicit ModelCommands(CChildFrame& frame);

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;
    static std::span<const CommandRow<ModelCommands>> CommandTable();

    // Makes sure master has a submodel, asking the model type dialog for a
    // new one or an existing model to link; true when the submodel is there
    // and should be shown (false after linking an existing model, which
    // leaves the view where it is).
    bool ExplodeToMaster(Master& master);

    // ---- the template commands (TemplateCommands.cpp) ----
    // Adds a user tool to the project's template: a stereotype of base when
    // given (of base's own base when base is a stereotype), a link tool when
    // link is set, else a place tool. Recorded as "New Tool Model" or "New
    // Stereotype Model"; the explorer lists and selects it. Null without a template.
    ToolModel* CreateToolModel(ToolModel* base, bool link);

  private:
    CCASEDoc& Document();
    Model* CurrentModel();
    // The single selected drawable of the current model when it is a place.
    Place* SelectedPlace();
    // The submodel of the selected place's master, or null.
    Model* SelectedSubmodel();
    void RepaintView();

    void OnNewModel(int id);
    void OnExplode(int id);
    void OnSubmodel(int id);
    void OnImplode(int id);
    void OnBreakExplode(int id);
    void OnMoveModel(int id);
    void OnBestPageMatrix(int id);
    void OnUpdateBestPageMatrix(int id, CommandState& state);
    void OnRenumberMessages(int id);
    void OnUpdateExplode(int id, CommandState& state);
    void OnUpdateSubmodel(int id, CommandState& state);
    void OnUpdateImplode(int id, CommandState& state);
    void OnUpdateMoveModel(int id, CommandState& state);
    void OnUpdateRenumber(int id, CommandState& state);
    void OnNewToolModel(int id);
    void OnNewStereotypeModel(int id);
    void OnSaveTemplate(int id);
    void OnSwitchTemplate(int id);
    void OnUpdateNewToolModel(int id, CommandState& state);
    void OnUpdateNewStereotypeModel(int id, CommandState& state);
    // The tool of the explorer's selected item, or null.
    ToolModel* SelectedExplorerTool();
    // True when the explorer's selection is the folder.
    bool ExplorerFolderSelected(int folder);

    friend struct ModelCommandRows;

    CChildFrame& frame_;
};

} // namespace qm
