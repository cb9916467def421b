// TExplorer: the project tree in the upper left pane of a project window:
// the project's models in their hierarchy, the notation template's diagram
// types and tools, and the generated, reverse-engineered and script files.
// It follows the document's events and keeps object handles, never pointers.
#pragma once

#include "document/DocumentEvents.h"
#include "editor/CommandTarget.h"
#include "model/ObjectHandle.h"
#include "scripting/RunContext.h"
#include "shell/panes/PaneCommands.h"

#include <QTreeWidget>

#include <array>
#include <string>
#include <unordered_map>
#include <vector>

namespace qm {

class CCASEDoc;
class Model;
class ModelObject;
class ProjectWindow;
class ToolModel;

// The folders of the tree; the index doubles as the kind of model the
// folder holds (kinds 0 and 11 to 17 all lead to "Models").
enum ExplorerFolder : int {
    EfModels = 0,
    EfTemplate = 1,
    EfDiagrams = 2,
    EfLinks = 3,
    EfPlaces = 4,
    EfCode = 5,
    EfDocuments = 6,
    EfOtherGenerated = 7,
    EfCodeGen = 8,
    EfDocGen = 9,
    EfOtherScripts = 10,
    EfReversed = 18,
    EfImport = 19,
    EfExport = 20,
    EfRevEng = 21,
    EfTask = 22,
    EfFolderCount = 23,
};

class TExplorer : public QTreeWidget,
                  public DocumentObserver,
                  public PaneCommandTarget,
                  public ScriptExplorer {
  public:
    // What an item holds.
    enum ItemKind : int { ItemFolder = 0, ItemFile = 1, ItemDiagramType = 2, ItemObject = 3 };

    TExplorer(ProjectWindow& window, QWidget* parent = nullptr);
    ~TExplorer() override;

    // Builds the folders and fills the script folders.
    void FillProjectTree();
    // Fills "Diagrams", "Links" and "Places" from the template; with refill
    // their children go first.
    void FillTemplateItems(bool refill);
    // Inserts the project's models (a project without models gets its
    // default model first, on the first fill). Returns the model count.
    size_t FillModelItems(bool first);
    QTreeWidgetItem* AddToolItem(ToolModel& tool);
    // Labels the template folder (the document names its template).
    void SetTemplateLabel(const std::string& name);
    // The item of a model or a tool model; null when none.
    QTreeWidgetItem* FindToolItem(const ModelObject* object) const;
    QTreeWidgetItem* InsertModelItem(QTreeWidgetItem* parent, QTreeWidgetItem* after, Model& model,
                                     bool select);
    void RemoveModelItem(const Model& model);
    // Moves a model before its previous (up) or after its next sibling.
    // Beeps and records nothing when there is no neighbour that way.
    void MoveModelUpDown(Model* model, bool up, bool noJournal);
    // Cut or copy of the selected model to the masters clipboard file.
    void CutOrCopyModel(bool cut, bool shallow);
    void PasteModel();
    // Removes a model (with its submodels) or hides a tool; confirm asks
    // first when the settings say so.
    void DeleteModel(ModelObject* object, int journalKind, bool confirm, bool noJournal);

    ModelObject* GetSelectedModel() const;
    ModelObject* ModelOfItem(const QTreeWidgetItem* item) const;
    bool IsDiagramTypeSelected() const;
    QTreeWidgetItem* FolderItemOfKind(int kind) const;
    QTreeWidgetItem* Folder(int index) const { return folders_[size_t(index)]; }
    QTreeWidgetItem* Root() const { return root_; }
    QTreeWidgetItem* SelectObjectItem(const ModelObject* object);
    void CollectSubmodels(const Model& model, std::vector<Model*>& list) const;
    bool FolderHasItems(int folder) const;
    bool GetFileItemText(const QTreeWidgetItem* item, std::string& text) const;
    void ExpandModelItem(const Model& model, bool expand);
    void OpenItem(QTreeWidgetItem* item);
    void ShowSelectionProperties(bool activate);
    static ItemKind KindOfItem(const QTreeWidgetItem* item);

    // ---- ScriptExplorer ----
    void DeleteFolderChildren(int folder) override;
    void AddFileItem(int folder, const std::string& path) override;
    void ExpandFolder(int folder, bool expand) override;
    void OpenFirstGeneratedDocument() override;

    // The context menu as it would show for the current item (built, not
    // shown), so that a test can read it.
    QMenu* BuildContextMenu();

    // ---- DocumentObserver ----
    void ModelsChanged(ModelsChange change, const std::vector<Model*>& models) override;
    void ObjectsRemoved(const std::vector<Guid>& ids) override;
    void CurrentModelChanged(Model* model) override;

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

    // ---- the shared pane commands ----
    void OnCutOrCopy(int id) override;
    void OnUpdateCutOrCopy(int id, CommandState& state) override;
    void OnPaste(int id) override;
    void OnUpdatePaste(int id, CommandState& state) override;
    void OnDelete(int id) override;
    void OnUpdateDelete(int id, CommandState& state) override;
    void OnProperties(int id) override;
    void OnNewModel(int id) override;
    void OnUpdateNewModel(int id, CommandState& state) override;
    void OnImplode(int id) override;
    void OnUpdateImplode(int id, CommandState& state) override;

  private:
    QTreeWidgetItem* NewFolder(QTreeWidgetItem* parent, const char* label);
    // Makes the tree's model items follow the document's model list:
    // items of models gone are removed, new models get items under their
    // parents, and siblings follow the list's order.
    void SyncModelItems();
    QTreeWidgetItem* ItemForModel(Model& model, int depth);
    void FillScriptFolder(int folder, const char* name);
    void FillFileFolder(int folder);
    void OnSelectionChanged();
    bool HasDiagramModelSelected() const;

    ProjectWindow& window_;
    CCASEDoc& document_;
    QTreeWidgetItem* root_ = nullptr;
    std::array<QTreeWidgetItem*, EfFolderCount> folders_{};
    // The item of each model, by its id text.
    std::unordered_map<std::string, QTreeWidgetItem*> modelItems_;
    bool filled_ = false;
    bool syncing_ = false;
};

} // namespace qm
