// The window of one open project: the splitters with the diagram view on the
// right and the explorer above the side pane on the left, the editing state
// the panes share (current tool, tool edit mode), and the first link of the
// command chain with its command table.
#pragma once

#include "dialogs/find/FindEngine.h"
#include "document/DocumentContext.h"
#include "drawables/Drawable.h"
#include "editor/CommandTarget.h"
#include "model/ObjectHandle.h"
#include "shell/FrameEditorHost.h"
#include "shell/ProjectWindow.h"
#include "shell/commands/PrintCommands.h"
#include "shell/commands/ReverseCommands.h"
#include "shell/commands/ScriptCommands.h"
#include "shell/frames/CommandTable.h"

#include <QMdiSubWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <span>

class QSplitter;

namespace qm {

class CCASEApp;
class CCASEDoc;
class CMainFrame;
class CFindSheet;
class LibraryCommands;
class LibraryMenu;
class LooksCommands;
class Model;
class ModelCommands;
class TContent;
class TExplorer;
class TExtra;

class CChildFrame : public QMdiSubWindow,
                    public DocumentFrame,
                    public CommandTarget,
                    public ProjectWindow,
                    public FindHost {
  public:
    // The width of the left column and the height of the explorer at first.
    static constexpr int kLeftPaneSize = 150;
    static constexpr int kMinimumPaneSize = 20;

    CChildFrame(CCASEApp& app, CCASEDoc& document, CMainFrame& mainFrame);
    ~CChildFrame() override;

    // ---- panes ----
    QWidget* GetContent() const { return content_; }
    QWidget* GetExplorerPane() const { return explorer_; }
    QWidget* GetExtraPane() const { return extra_; }
    // The panes by their classes (null once the panes are dropped).
    TContent* View() const { return view_; }
    void AnimateZoomIn() override;
    TExplorer* Explorer() const { return explorerPane_; }
    TExtra* Extra() const { return extraPane_; }
    QSplitter* MainSplitter() const { return mainSplitter_; }
    QSplitter* SubSplitter() const { return subSplitter_; }
    // The pane that had the focus last (the diagram view at first).
    QWidget* ActivePane() const;
    CCASEDoc& Document() override { return document_; }
    CMainFrame& Main() const { return mainFrame_; }
    // The kind of the current model, or -1 when there is none.
    int GetCurrentModelKind() const;

    // ---- editing state ----
    int CurrentTool() const { return currentTool_; }
    void SetCurrentTool(int tool);
    int ToolEditMode() const { return toolEditMode_; }
    void SetToolEditMode(int mode);
    // The update rule of the link and place tool buttons (tool 0..23) and of
    // the extra-tool buttons (kExtraLinkButton, kExtraPlaceButton).
    static constexpr int kExtraLinkButton = 98;
    static constexpr int kExtraPlaceButton = 99;
    void UpdateToolButton(CommandState& state, int tool);
    // Hands the template's tool images to the custom tool bar.
    void LoadToolBarBitmaps();
    // Shows the model's zoom (1.0 for none) in the main frame's zoom box.
    void UpdateZoomCombo(const Model* model);
    // Sets the view's zoom when factor lies in 0.2..4.0; true when it did.
    bool SetZoom(double factor);
    // True while the diagram view is placing a new drawable (auto-save
    // waits); the diagram view answers it.
    bool CreationInProgress() const { return creationInProgress_ ? creationInProgress_() : false; }
    std::function<bool()> creationInProgress_;

    // ---- the sheets: each has one door ----
    void ShowFindSheet(bool findOnly);
    void ShowProperties(const ObjectHandle& object, int pageKind, bool activate);
    // Shows the undo list under the screen point: the steps to undo, or to redo.
    void ShowUndoList(QPoint screenPoint, bool undo);
    // Pops up the application's library menu at the screen point.
    void PopupLibraryMenu(QPoint screenPoint);
    // The application's library menu (the main frame's).
    LibraryMenu* Library() const;

    // ---- CommandTarget ----
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;
    static std::span<const CommandRow<CChildFrame>> CommandTable();
    // The link of the chain after the active pane: the diagram view's
    // Properties and Select All for a pane that passed.
    CommandTarget& PaneDefaults();
    // The command families asked after the frame's own table.
    ModelCommands& ModelCommandFamily() { return *modelCommands_; }
    LooksCommands& LooksCommandFamily() { return *looksCommands_; }
    // The looks new drawables take (the looks commands set them).
    const Looks& CurrentLooks() const;
    // The menu rows of the content pane's own commands (its Edit and Arrange
    // rows), placed at the pane slots of the frame's menus.
    static std::vector<CommandEntry> ContentPaneCommands();

    // ---- DocumentFrame ----
    FrameLayout CurrentLayout() const override;
    void ShowModelAt(int32_t index) override;
    void ApplyLayout(const FrameLayout& layout, bool maximize) override;
    void BeginProgress(int range) override;
    void SetProgress(int position) override;
    void EndProgress(const std::string& text) override;
    void ClearLog() override;
    void SetTemplateLabel(const std::string& name) override;
    void ShowFirstModel() override { ShowModelAt(0); }
    void UpdateLibraryPane(bool fill) override;

    // ---- ProjectWindow ----
    bool ShowModel(Model* model) override;
    EditorHost& Host() override { return host_; }
    CCASEDoc* ReferenceProject() const override;
    void NewModel() override;
    void Implode() override;
    bool ExplodeMaster(Master& master) override;
    void OpenFile(const std::string& path) override;
    void ShowFileText(const std::string& path) override;
    void CopyModelPicture(Model& model) override;
    CRect VisibleArea() const override;
    void ScrollViewTo(CPoint point) override;
    void RepaintView(bool scrollSizes) override;
    bool DropMaster(Master& master, const QPoint& screenPoint) override;
    bool CanDropAt(const QPoint& screenPoint) const override;

    // ---- FindHost ----
    void ShowDrawable(Model& model, Drawable* drawable) override;
    void ShowModelProperties(Model& model) override;
    void InvalidateRect(Model& model, const CRect& area) override;
    void ApplyAndHidePropertySheet() override;

    // ---- showing a model: the one door of ShowModelAt, ShowModel and ShowDrawable ----
    struct ShowOptions {
        // Sets the document's current model and refits the view, with no
        // question asked and the zoom box left as it is (a project read, a
        // script or a reverse run); otherwise the model goes through the
        // view, which may refuse it, and the title and zoom box follow.
        bool refit = false;
        // Makes the selection that drawable alone (nothing for null) and
        // brings it into sight; the model is shown only when it is not yet.
        bool reveal = false;
        Drawable* drawable = nullptr;
    };
    // Shows model as options ask; false when the view refused it or there
    // is no view to show it through.
    bool Show(Model* model, const ShowOptions& options);

    void UpdateTitle();
    // After the project changed under the view (read, a model made or
    // removed, another template): the first model when none is shown, the
    // scroll area sized to the model, and the title. A repaint alone is
    // RepaintView.
    void RefitView();
    // Takes size, no larger than the room to the area's bottom-right corner.
    void FitInto(QSize size);
    // Set by the main frame before it removes the window itself.
    bool closingByApp = false;
    // Deletes the panes at once (the document is closing) and marks the
    // frame as removed by the main frame.
    void DropPanes();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    // The explorer's tree built again from the document (its folders, the
    // template's items, the files and the models), and the view refitted.
    void RefillProjectTree();
    // The three panes; each is made by one function, so that the full panes
    // replace these in one place.
    QWidget* CreateContentPane();
    QWidget* CreateExplorerPane();
    QWidget* CreateExtraPane();

    Model* CurrentModel() const;
    bool IconEditing() const;
    // Keeps the title's " - model" true (a rename, an undo or redo and a
    // change of the current model each set it again) and the custom bar's
    // pictures true to the template's icons. Made with the panes and
    // dropped with them.
    class DocumentFollower;
    std::unique_ptr<DocumentFollower> documentFollower_;
    // The application's find sheet lets go of this window.
    void ForgetSheets();

    // Handlers and update rules of the command table.
    void OnToolCommand(int id);
    void OnUpdateTool(int id, CommandState& state);
    void OnUpdateToolButton(int id, CommandState& state);
    void OnToolEditMode(int id);
    void OnUpdateToolEditMode(int id, CommandState& state);
    void OnExtraTools(int id);
    void OnEditUndo(int id);
    void OnUpdateEditUndo(int id, CommandState& state);
    void OnUpdateEditRedo(int id, CommandState& state);
    void OnEditFind(int id);
    void OnEditProperties(int id);
    void OnEditSelectAll(int id);
    void OnUpdateEditSelectAll(int id, CommandState& state);
    void OnZoom(int id);
    void OnUpdateHasModel(int id, CommandState& state);
    void OnPanToSelected(int id);
    void OnUpdatePanToSelected(int id, CommandState& state);
    Master* SingleListerMaster() const;
    void OnViewOption(int id);
    void OnUpdateViewOption(int id, CommandState& state);
    void OnRefresh(int id);
    void OnClearComboHistories(int id);
    void OnDefaultProject(int id);
    void OnUpdateSetDefault(int id, CommandState& state);
    void OnUpdateResetDefault(int id, CommandState& state);

    friend struct ChildFrameTable;
    friend struct ChildFramePaneDefaults;
    class DefaultPane;

    CCASEApp& app_;
    CCASEDoc& document_;
    CMainFrame& mainFrame_;
    FrameEditorHost host_;
    ScriptCommands scriptCommands_{*this};
    PrintCommands printCommands_{*this};
    ReverseCommands reverseCommands_{*this};
    QSplitter* mainSplitter_ = nullptr;
    QSplitter* subSplitter_ = nullptr;
    QWidget* content_ = nullptr;
    QWidget* explorer_ = nullptr;
    QWidget* extra_ = nullptr;
    TContent* view_ = nullptr;
    TExplorer* explorerPane_ = nullptr;
    TExtra* extraPane_ = nullptr;
    int currentTool_ = TkPointer;
    int toolEditMode_ = 2;
    // The model shown before tool editing began; Model Edit returns to it.
    ObjectHandle previousModel_;
    bool firstShow_ = true;
    bool closing_ = false;
    // Set once the panes are gone (the document is closing).
    bool panesDropped_ = false;
    // The find sheet this window last showed, and whether its host is this
    // window.
    QPointer<CFindSheet> findSheet_;
    bool findSheetHost_ = false;
    QSize lastSize_;
    std::unique_ptr<ModelCommands> modelCommands_;
    std::unique_ptr<LooksCommands> looksCommands_;
    std::unique_ptr<LibraryCommands> libraryCommands_;
    std::unique_ptr<DefaultPane> paneDefaults_;
};

} // namespace qm
