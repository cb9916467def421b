// The project window: panes, editing state, command table and routing.
#include "shell/frames/CChildFrame.h"

#include "dialogs/find/CFindSheet.h"
#include "dialogs/sheets/ObjSheet.h"
#include "document/CCASEDoc.h"
#include "document/ModelLibrary.h"
#include "document/Profile.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/ToolModel.h"
#include "drawables/UiControl.h"
#include "editor/TContent.h"
#include "editor/ViewClipboard.h"
#include "model/CommandIds.h"
#include "platform/DesktopClipboard.h"
#include "platform/PathHelpers.h"
#include "platform/Prompt.h"
#include "platform/UserSettings.h"
#include "shell/CCASEApp.h"
#include "shell/bars/LibraryMenu.h"
#include "shell/bars/TToolBar.h"
#include "shell/bars/ZoomComboBox.h"
#include "shell/commands/LibraryCommands.h"
#include "shell/commands/LooksCommands.h"
#include "shell/commands/ModelCommands.h"
#include "shell/frames/CMainFrame.h"
#include "shell/frames/UndoListDialog.h"
#include "shell/panes/Explorer.h"
#include "shell/panes/Lister.h"
#include "shell/panes/LogWindow.h"
#include "shell/panes/Reference.h"
#include "shell/panes/SidePane.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMimeData>
#include <QScrollBar>
#include <QSplitter>

#include <cmath>

namespace qm {

namespace {

using Row = CommandRow<CChildFrame>;
using C = CChildFrame;

// The tool kind a tool command selects; the command itself for library symbols.
int ToolKindOf(int id) {
    if (id >= cmd::FirstLinkTool && id <= cmd::LastPlaceTool)
        return TkFirstLink + (id - cmd::FirstLinkTool);
    switch (id) {
    case cmd::PointerTool:
        return TkPointer;
    case cmd::TagTool:
        return TkTag;
    case cmd::LineTool:
        return TkLine;
    case cmd::PolylineTool:
        return TkPolyline;
    case cmd::TextTool:
        return TkText;
    case cmd::RectangleTool:
        return TkRectangle;
    case cmd::RoundRectangleTool:
        return TkRoundRectangle;
    case cmd::EllipseTool:
        return TkEllipse;
    case cmd::PolygonTool:
        return TkPolygon;
    case cmd::MessageTool:
        return TkMessage;
    case cmd::SwimlaneTool:
        return TkSwimlane;
    case cmd::JunctionTool:
        return TkJunction;
    case cmd::IconTool:
        return TkIcon;
    case cmd::ControlTools:
        return TkUiLabel;
    default:
        return id;
    }
}

// The option bit a view option command toggles.
uint32_t OptionOf(int id) {
    switch (id) {
    case cmd::ShowPageBreaks:
        return ShowPageBreaks;
    case cmd::ShowNamespaces:
        return ShowNamespace;
    case cmd::ShowCardinalities:
        return ShowLinkCardinalities;
    case cmd::HighlightGroups:
        return HighlightGroups;
    default:
        return ShowHyperLinks;
    }
}

} // namespace

// The frame's rows in menu order; rows without a menu are tool-bar commands.
struct ChildFrameTable {
    static constexpr Row rows[] = {
        {cmd::EditUndo, cmd::EditUndo, "&Edit", "&Undo\tCtrl+Z", &C::OnEditUndo,
         &C::OnUpdateEditUndo},
        {cmd::EditRedo, cmd::EditRedo, "&Edit", "&Redo\tCtrl+Y", &C::OnEditUndo,
         &C::OnUpdateEditRedo},
        {kSeparatorRow, 0, "&Edit", "", nullptr, nullptr},
        {kPaneSlotRow, 0, "&Edit", "", nullptr, nullptr},
        {kSeparatorRow, 0, "&Edit", "", nullptr, nullptr},
        {cmd::EditFind, cmd::EditFind, "&Edit", "&Find...\tCtrl+F", &C::OnEditFind, nullptr},
        {cmd::EditReplace, cmd::EditReplace, "&Edit", "R&eplace...\tCtrl+R", &C::OnEditFind,
         nullptr},
        {kSeparatorRow, 0, "&Edit", "", nullptr, nullptr},
        // The active pane takes these first; the rows after the pane below
        // carry them out when it passes.
        {cmd::EditProperties, cmd::EditProperties, "&Edit", "Pr&operties...\tCtrl+I", nullptr,
         nullptr},
        {cmd::EditSelectAll, cmd::EditSelectAll, "&Edit", "Select &All\tCtrl+A", nullptr, nullptr},
        {cmd::SelectExplodes, cmd::SelectExplodes, "&Edit", "Select E&xplodes", nullptr, nullptr},
        {kPaneSlotRow, 0, "&Arrange", "", nullptr, nullptr},
        {cmd::NormalSize, cmd::NormalSize, "&View", "&Normal Size\tCtrl+=", &C::OnZoom,
         &C::OnUpdateHasModel},
        {cmd::ZoomIn, cmd::ZoomIn, "&View", "Zoom &In\tCtrl+[", &C::OnZoom, &C::OnUpdateHasModel},
        {cmd::ZoomOut, cmd::ZoomOut, "&View", "Zoom &Out\tCtrl+]", &C::OnZoom,
         &C::OnUpdateHasModel},
        {cmd::PanToSelected, cmd::PanToSelected, "&View", "&Pan to Selected\tCtrl+?",
         &C::OnPanToSelected, &C::OnUpdatePanToSelected},
        {kSeparatorRow, 0, "&View", "", nullptr, nullptr},
        {cmd::ShowPageBreaks, cmd::ShowPageBreaks, "&View", "Show Page &Breaks", &C::OnViewOption,
         &C::OnUpdateViewOption},
        {cmd::ShowNamespaces, cmd::ShowNamespaces, "&View", "Show Namespac&es", &C::OnViewOption,
         &C::OnUpdateViewOption},
        {cmd::ShowCardinalities, cmd::ShowCardinalities, "&View", "Show Roles/Car&dinalities",
         &C::OnViewOption, &C::OnUpdateViewOption},
        {cmd::HighlightGroups, cmd::HighlightGroups, "&View", "&Highlight Groups", &C::OnViewOption,
         &C::OnUpdateViewOption},
        {cmd::ShowHyperLinks, cmd::ShowHyperLinks, "&View", "Show Hyper &Links", &C::OnViewOption,
         &C::OnUpdateViewOption},
        {kSeparatorRow, 0, "&View", "", nullptr, nullptr},
        {cmd::Refresh, cmd::Refresh, "&View", "&Refresh", &C::OnRefresh, nullptr},
        // The scripts and reverse engineering, from the frame's families.
        {kMenuSlotRow, 0, "&Tools", "run", nullptr, nullptr},
        {kSeparatorRow, 0, "&Tools", "", nullptr, nullptr},
        {cmd::ClearComboHistories, cmd::ClearComboHistories, "&Tools", "Clear Combo &Histories",
         &C::OnClearComboHistories, nullptr},
        {cmd::SetDefaultProject, cmd::SetDefaultProject, "&Tools", "Set This Project as D&efault",
         &C::OnDefaultProject, &C::OnUpdateSetDefault},
        {cmd::ResetDefaultProject, cmd::ResetDefaultProject, "&Tools",
         "&Reset (no Default Project)", &C::OnDefaultProject, &C::OnUpdateResetDefault},
        // Tool-bar commands.
        {cmd::UndoButton, cmd::UndoButton, "", "Undo", &C::OnEditUndo, &C::OnUpdateEditUndo},
        {cmd::RedoButton, cmd::RedoButton, "", "Redo", &C::OnEditUndo, &C::OnUpdateEditRedo},
        {cmd::ZoomInButton, cmd::ZoomInButton, "", "Zoom In", &C::OnZoom, &C::OnUpdateHasModel},
        {cmd::ZoomOutButton, cmd::ZoomOutButton, "", "Zoom Out", &C::OnZoom, &C::OnUpdateHasModel},
        {cmd::FirstLinkTool, cmd::LastPlaceTool, "", "Link 1 to Place 14", &C::OnToolCommand,
         &C::OnUpdateToolButton},
        {cmd::PointerTool, cmd::PointerTool, "", "Pointer Tool", &C::OnToolCommand,
         &C::OnUpdateTool},
        {cmd::TagTool, cmd::TagTool, "", "Tag for a Place", &C::OnToolCommand, &C::OnUpdateTool},
        {cmd::LineTool, cmd::LineTool, "", "Line Primitive", &C::OnToolCommand, &C::OnUpdateTool},
        {cmd::PolylineTool, cmd::PolylineTool, "", "Polyline Primitive", &C::OnToolCommand,
         &C::OnUpdateTool},
        {cmd::TextTool, cmd::TextTool, "", "Text Primitive", &C::OnToolCommand, &C::OnUpdateTool},
        {cmd::RectangleTool, cmd::RectangleTool, "", "Rectangle Primitive", &C::OnToolCommand,
         &C::OnUpdateTool},
        {cmd::RoundRectangleTool, cmd::RoundRectangleTool, "", "Round Rectangle Primitive",
         &C::OnToolCommand, &C::OnUpdateTool},
        {cmd::EllipseTool, cmd::EllipseTool, "", "Ellipse Primitive", &C::OnToolCommand,
         &C::OnUpdateTool},
        {cmd::PolygonTool, cmd::PolygonTool, "", "Polygon Primitive", &C::OnToolCommand,
         &C::OnUpdateTool},
        {cmd::MessageTool, cmd::MessageTool, "", "Message for a Link", &C::OnToolCommand,
         &C::OnUpdateTool},
        {cmd::SwimlaneTool, cmd::SwimlaneTool, "", "Create Swimlane", &C::OnToolCommand,
         &C::OnUpdateTool},
        {cmd::JunctionTool, cmd::JunctionTool, "", "Junction for a Place", &C::OnToolCommand,
         &C::OnUpdateTool},
        {cmd::IconTool, cmd::IconTool, "", "Icon Tool", &C::OnToolCommand, &C::OnUpdateTool},
        {cmd::ControlTools, cmd::ControlTools, "", "Control Tools", &C::OnToolCommand,
         &C::OnUpdateTool},
        {cmd::ToolDesignEdit, cmd::ModelEdit, "", "Tool Design Edit", &C::OnToolEditMode,
         &C::OnUpdateToolEditMode},
        {cmd::ExtraLinkTools, cmd::ExtraPlaceTools, "", "Extra Link Tools", &C::OnExtraTools,
         &C::OnUpdateToolButton},
        // User tools are made current by the tool palette; their commands
        // do nothing here.
        {cmd::FirstUserTool, cmd::LastUserTool, "", "", nullptr, nullptr},
        {cmd::FirstLibrarySymbol, cmd::LastLibrarySymbol, "", "", &C::OnToolCommand, nullptr},
    };
};

// The rows asked after the active pane: the diagram view answers Properties
// and Select All when another pane passes.
struct ChildFramePaneDefaults {
    static constexpr Row rows[] = {
        {cmd::EditProperties, cmd::EditProperties, nullptr, nullptr, &C::OnEditProperties, nullptr},
        {cmd::EditSelectAll, cmd::EditSelectAll, nullptr, nullptr, &C::OnEditSelectAll,
         &C::OnUpdateEditSelectAll},
        {cmd::SelectExplodes, cmd::SelectExplodes, nullptr, nullptr, &C::OnEditSelectAll,
         &C::OnUpdateEditSelectAll},
    };
};

std::span<const CommandRow<CChildFrame>> CChildFrame::CommandTable() {
    return ChildFrameTable::rows;
}

class CChildFrame::DefaultPane : public CommandTarget {
  public:
    explicit DefaultPane(CChildFrame& frame) : frame_(frame) {}
    bool OnCommand(int id) override {
        return DispatchCommand(frame_, std::span<const Row>(ChildFramePaneDefaults::rows), id);
    }
    bool OnUpdateCommand(int id, CommandState& state) override {
        return UpdateCommand(frame_, std::span<const Row>(ChildFramePaneDefaults::rows), id, state);
    }

  private:
    CChildFrame& frame_;
};

CommandTarget& CChildFrame::PaneDefaults() {
    return *paneDefaults_;
}

std::vector<CommandEntry> CChildFrame::ContentPaneCommands() {
    // The diagram view's own Edit and Arrange rows; a command the frame's
    // table already carries (Properties) keeps the frame's row, which asks
    // the active pane.
    std::vector<CommandEntry> entries;
    for (const CommandEntry& entry : TContent::MenuRows()) {
        bool frameRow = false;
        for (const auto& row : CommandTable())
            frameRow = frameRow || (entry.id >= row.first && entry.id <= row.last);
        if (!frameRow)
            entries.push_back(entry);
    }
    return entries;
}

CChildFrame::CChildFrame(CCASEApp& app, CCASEDoc& document, CMainFrame& mainFrame)
    : app_(app),
      document_(document),
      mainFrame_(mainFrame),
      host_(mainFrame, this),
      modelCommands_(std::make_unique<ModelCommands>(*this)),
      looksCommands_(std::make_unique<LooksCommands>(*this)),
      libraryCommands_(std::make_unique<LibraryCommands>(*this)),
      paneDefaults_(std::make_unique<DefaultPane>(*this)) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    mainSplitter_ = new QSplitter(Qt::Horizontal, this);
    mainSplitter_->setObjectName("main splitter");
    subSplitter_ = new QSplitter(Qt::Vertical, mainSplitter_);
    subSplitter_->setObjectName("sub splitter");
    explorer_ = CreateExplorerPane();
    extra_ = CreateExtraPane();
    subSplitter_->addWidget(explorer_);
    subSplitter_->addWidget(extra_);
    content_ = CreateContentPane();
    mainSplitter_->addWidget(subSplitter_);
    mainSplitter_->addWidget(content_);
    for (QWidget* pane : {explorer_, extra_, content_, static_cast<QWidget*>(subSplitter_)})
        pane->setMinimumSize(kMinimumPaneSize, kMinimumPaneSize);
    // The splitters themselves leave the left column and the explorer as
    // they are; the frame scales them in proportion (resizeEvent).
    mainSplitter_->setStretchFactor(0, 0);
    mainSplitter_->setStretchFactor(1, 1);
    subSplitter_->setStretchFactor(0, 0);
    subSplitter_->setStretchFactor(1, 1);
    mainSplitter_->setChildrenCollapsible(false);
    subSplitter_->setChildrenCollapsible(false);
    mainSplitter_->setSizes({kLeftPaneSize, 550});
    subSplitter_->setSizes({kLeftPaneSize, 210});
    setWidget(mainSplitter_);
    resize(700, 360);
    creationInProgress_ = [this] {
        return view_ != nullptr &&
               (view_->Mode() == DM_CREATE || view_->Mode() == DM_CREATE_POINTS);
    };
    mainFrame_.AddChildFrame(this);
    documentFollower_ = std::make_unique<DocumentFollower>(*this);
    UpdateTitle();
}

class CChildFrame::DocumentFollower : public DocumentObserver {
  public:
    explicit DocumentFollower(CChildFrame& frame) : frame_(frame) {
        frame_.document_.Events().AddObserver(this);
    }
    ~DocumentFollower() override { frame_.document_.Events().RemoveObserver(this); }
    DocumentFollower(const DocumentFollower&) = delete;
    DocumentFollower& operator=(const DocumentFollower&) = delete;
    void ModelsChanged(ModelsChange, const std::vector<Model*>&) override { frame_.UpdateTitle(); }
    void CurrentModelChanged(Model*) override { frame_.UpdateTitle(); }
    void ReplayShows(Model&, const std::vector<Drawable*>&) override { frame_.UpdateTitle(); }
    void ProjectTreeChanged() override { frame_.RefillProjectTree(); }
    // An icon painted, pasted or cut, or its undo: the custom bar of the
    // active window takes the template's strip again.
    void ToolChanged(Model&) override {
        if (frame_.mainFrame_.ActiveChild() == &frame_)
            frame_.LoadToolBarBitmaps();
    }

  private:
    CChildFrame& frame_;
};

CChildFrame::~CChildFrame() {
    documentFollower_.reset();
    // A frame whose panes were dropped has let go of the sheets already, and
    // its deferred deletion may come after the main frame is gone.
    if (!panesDropped_)
        ForgetSheets();
    if (!closingByApp)
        mainFrame_.RemoveChildFrame(this);
}

void CChildFrame::DropPanes() {
    closingByApp = true;
    ForgetSheets();
    documentFollower_.reset();
    panesDropped_ = true;
    // The panes observe the document, which is closing: they go now, the
    // frame itself once its events are done.
    QWidget* panes = widget();
    setWidget(nullptr);
    delete panes;
    mainSplitter_ = subSplitter_ = nullptr;
    content_ = explorer_ = extra_ = nullptr;
    view_ = nullptr;
    explorerPane_ = nullptr;
    extraPane_ = nullptr;
}

void CChildFrame::ForgetSheets() {
    // The application's find sheet serves one project window at a time; it
    // lets go of this one's document and frame. The frame keeps a guarded
    // pointer rather than searching the main window, which may be going
    // away itself.
    if (findSheet_ != nullptr) {
        findSheet_->ForgetDocument(document_);
        if (findSheetHost_)
            findSheet_->SetHost(nullptr);
    }
    findSheet_ = nullptr;
    findSheetHost_ = false;
}

QWidget* CChildFrame::CreateContentPane() {
    view_ = new TContent(document_, host_);
    view_->setAccessibleName("Diagram");
    return view_;
}

QWidget* CChildFrame::CreateExplorerPane() {
    explorerPane_ = new TExplorer(*this);
    explorerPane_->setAccessibleName("Explorer");
    return explorerPane_;
}

QWidget* CChildFrame::CreateExtraPane() {
    extraPane_ = new TExtra(*this);
    extraPane_->setAccessibleName("Side Pane");
    return extraPane_;
}

QWidget* CChildFrame::ActivePane() const {
    QWidget* focus = QApplication::focusWidget();
    if (content_ == nullptr)
        return nullptr;
    for (QWidget* pane : {explorer_, extra_, content_})
        if (focus != nullptr && (focus == pane || pane->isAncestorOf(focus)))
            return pane;
    return content_;
}

Model* CChildFrame::CurrentModel() const {
    return document_.CurrentModel();
}

int CChildFrame::GetCurrentModelKind() const {
    const Model* model = CurrentModel();
    return model == nullptr ? -1 : model->kind;
}

bool CChildFrame::IconEditing() const {
    const auto* tool = dynamic_cast<const ToolModel*>(CurrentModel());
    return tool != nullptr && tool->iconEditing;
}

// ---- editing state ----

void CChildFrame::SetCurrentTool(int tool) {
    if (tool != currentTool_) {
        // In a tool model, a template tool shows that tool's model instead.
        if (GetCurrentModelKind() == MkTool && document_.Template() != nullptr) {
            if (ToolModel* model = document_.FindTool(tool)) {
                document_.SetCurrentModel(model);
                mainFrame_.HidePalettes();
                return;
            }
        }
        // Leaving the pointer ends an in-place label edit, keeping its text.
        if (currentTool_ == TkPointer && view_ != nullptr && view_->IsEditingLabel())
            view_->EditLabel(nullptr);
        currentTool_ = tool;
    }
    mainFrame_.HidePalettes();
}

void CChildFrame::SetToolEditMode(int mode) {
    toolEditMode_ = mode;
    mainFrame_.UpdateToolBars();
}

namespace {

// The extra buttons' own picture, shown while no user tool matches.
constexpr int kExtraToolsImage = 27;

// A user tool (100 and up) of the family whose base, when it has one, is a
// user tool too: what the extra link or place tools button stands for.
bool IsExtraTool(const ToolModel* tool, bool links) {
    return tool != nullptr && tool->id >= 100 && tool->IsLinkTool() == links &&
           (!tool->IsVariant() || tool->baseId >= 100);
}

} // namespace

void CChildFrame::UpdateToolButton(CommandState& state, int tool) {
    Model* model = CurrentModel();
    const ToolModel* current = document_.FindTool(currentTool_);
    const auto* shown = dynamic_cast<const ToolModel*>(model);
    TToolBar* bar = mainFrame_.CustomToolBar();
    if (tool == kExtraLinkButton || tool == kExtraPlaceButton) {
        const bool links = tool == kExtraLinkButton;
        const ToolModel* match = IsExtraTool(current, links) ? current
                                 : IsExtraTool(shown, links) ? shown
                                                             : nullptr;
        state.enabled = model != nullptr;
        state.checked = match != nullptr;
        if (bar != nullptr)
            bar->SetButtonImage(links ? cmd::ExtraLinkTools : cmd::ExtraPlaceTools,
                                match != nullptr ? match->iconSlot : kExtraToolsImage);
        return;
    }
    // The button stands for its tool and every stereotype of it: the tool in
    // use, or else the tool model shown, when it is one of them.
    const auto isThisOrStereotype = [tool](const ToolModel* candidate) {
        return candidate != nullptr && (candidate->id == tool || candidate->baseId == tool);
    };
    const ToolModel* match = currentTool_ == tool          ? document_.FindTool(tool)
                             : isThisOrStereotype(current) ? current
                             : isThisOrStereotype(shown)   ? shown
                                                           : nullptr;
    const bool matches = currentTool_ == tool || match != nullptr;
    if (bar != nullptr) {
        const ToolModel* own = document_.FindTool(tool);
        const int image = match != nullptr ? match->iconSlot
                          : own != nullptr ? own->iconSlot
                                           : tool;
        bar->SetButtonImage(cmd::FirstLinkTool + tool, image);
    }
    if (model == nullptr) {
        state.enabled = false;
        return;
    }
    bool allowed = model->kind == MkTool;
    if (!allowed && document_.Template() != nullptr) {
        const DiagramType* type = document_.Template()->diagramTypes.FindByKind(model->kind);
        allowed = type == nullptr || type->IsToolAllowed(tool);
    }
    state.enabled = allowed;
    state.checked = matches;
}

void CChildFrame::LoadToolBarBitmaps() {
    TToolBar* bar = mainFrame_.CustomToolBar();
    if (bar == nullptr)
        return;
    // The template's icon strip gives the buttons their pictures: each tool
    // button shows its tool's icon slot, the others keep their own picture
    // (slots 24 to 27 of the strip belong to them).
    static const ToolBitmap noStrip;
    const NotationTemplate* notation = document_.Template();
    bar->SetToolBitmap(notation != nullptr ? notation->toolBitmap : noStrip);
    for (int number = 0; number <= cmd::LastPlaceTool - cmd::FirstLinkTool; ++number) {
        const int id = cmd::FirstLinkTool + number;
        const ToolModel* tool = document_.FindTool(number);
        if (tool == nullptr) {
            bar->SetButtonTexts(id, number < 10 ? "Link" : "Place", "");
            bar->SetButtonImage(id, number);
            continue;
        }
        bar->SetButtonTexts(id, tool->name, tool->name + ": " + tool->comment);
        bar->SetButtonImage(id, tool->iconSlot);
    }
}

void CChildFrame::UpdateZoomCombo(const Model* model) {
    if (ZoomComboBox* box = mainFrame_.ZoomBox())
        box->SetZoom(model != nullptr ? model->zoom : 1.0);
}

bool CChildFrame::SetZoom(double factor) {
    Model* model = CurrentModel();
    if (model == nullptr || factor < 0.2 - 1e-9 || factor > 4.0 + 1e-9)
        return false;
    if (view_ != nullptr)
        view_->SetZoom(factor);
    else
        model->SetZoomFactor(factor);
    UpdateZoomCombo(model);
    return true;
}

void CChildFrame::ShowFindSheet(bool findOnly) {
    auto* sheet = mainFrame_.findChild<CFindSheet*>(QStringLiteral("findSheet"));
    if (sheet == nullptr) {
        sheet = new CFindSheet(&mainFrame_);
        sheet->setObjectName(QStringLiteral("findSheet"));
    }
    // The master selected in this window's lister, when the lister has the
    // focus, becomes the search text.
    std::string listerMaster;
    if (extraPane_ != nullptr && ActivePane() == extraPane_)
        if (const Master* master = extraPane_->Lister()->GetFirstSelectedMaster())
            listerMaster = master->name;
    sheet->SetHost(this);
    findSheet_ = sheet;
    findSheetHost_ = true;
    sheet->SetDocument(document_, listerMaster);
    sheet->show();
    sheet->SetFindOnly(findOnly);
    sheet->raise();
    sheet->activateWindow();
}

void CChildFrame::ShowProperties(const ObjectHandle& object, int pageKind, bool activate) {
    host_.ShowProperties(document_, object, pageKind, ObjectHandle(), activate);
}

void CChildFrame::ShowUndoList(QPoint screenPoint, bool undo) {
    UndoListDialog* list = mainFrame_.UndoList();
    if (list == nullptr)
        return;
    list->hide();
    list->SetDocument(&document_);
    list->SetRedo(!undo);
    list->move(screenPoint);
    list->show();
}

LibraryMenu* CChildFrame::Library() const {
    return mainFrame_.Library();
}

void CChildFrame::PopupLibraryMenu(QPoint screenPoint) {
    if (LibraryMenu* library = Library())
        library->Menu().popup(screenPoint);
}

// ---- CommandTarget ----

bool CChildFrame::OnCommand(int id) {
    return DispatchCommand(*this, CommandTable(), id) || modelCommands_->OnCommand(id) ||
           looksCommands_->OnCommand(id) || scriptCommands_.OnCommand(id) ||
           printCommands_.OnCommand(id) || reverseCommands_.OnCommand(id) ||
           libraryCommands_->OnCommand(id);
}

bool CChildFrame::OnUpdateCommand(int id, CommandState& state) {
    return UpdateCommand(*this, CommandTable(), id, state) ||
           modelCommands_->OnUpdateCommand(id, state) ||
           looksCommands_->OnUpdateCommand(id, state) ||
           scriptCommands_.OnUpdateCommand(id, state) ||
           printCommands_.OnUpdateCommand(id, state) ||
           reverseCommands_.OnUpdateCommand(id, state) ||
           libraryCommands_->OnUpdateCommand(id, state);
}

const Looks& CChildFrame::CurrentLooks() const {
    return looksCommands_->NewDrawableLooks();
}

void CChildFrame::OnToolCommand(int id) {
    // The control tools button keeps the control tool in use; else it
    // takes the first, the label.
    if (id == cmd::ControlTools && currentTool_ >= TkUiLabel && currentTool_ <= TkUiTabControl)
        return;
    SetCurrentTool(ToolKindOf(id));
}

void CChildFrame::OnUpdateTool(int id, CommandState& state) {
    const int tool = ToolKindOf(id);
    const int kind = GetCurrentModelKind();
    const bool hasModel = kind != -1;
    state.checked = currentTool_ == tool;
    switch (id) {
    case cmd::PointerTool:
        state.enabled = true;
        return;
    case cmd::TagTool:
        state.enabled = hasModel && IsDiagramKind(kind);
        return;
    case cmd::MessageTool:
        state.enabled = kind == MkDefault || kind == MkCollaboration;
        return;
    case cmd::SwimlaneTool:
        state.enabled = IsDiagramKind(kind) && kind != MkSequence;
        return;
    case cmd::TextTool:
    case cmd::PolygonTool:
        state.enabled = hasModel;
        state.checked = currentTool_ == tool && !IconEditing();
        return;
    case cmd::ControlTools:
        // Controls are made in the containers of a diagram's form design.
        state.enabled = IsDiagramKind(kind);
        state.checked =
            state.enabled && currentTool_ >= TkUiLabel && currentTool_ <= TkUiTabControl;
        return;
    case cmd::JunctionTool:
    case cmd::IconTool: {
        state.enabled = hasModel && !IconEditing();
        const int first = id == cmd::JunctionTool ? 400 : 500;
        const int last = id == cmd::JunctionTool ? 405 : 523;
        state.checked = state.enabled && currentTool_ >= first && currentTool_ <= last;
        // The button shows the picked junction or icon while one is current.
        if (TToolBar* bar = mainFrame_.MiscToolBar()) {
            const bool junction = id == cmd::JunctionTool;
            const int own = junction ? 3 : 12;
            const int firstImage = junction ? kFirstJunctionImage : kFirstIconImage;
            bar->SetButtonImage(id, state.checked ? currentTool_ - first + firstImage : own);
        }
        return;
    }
    default:
        state.enabled = hasModel;
        return;
    }
}

void CChildFrame::OnUpdateToolButton(int id, CommandState& state) {
    if (id == cmd::ExtraLinkTools || id == cmd::ExtraPlaceTools) {
        UpdateToolButton(state, id == cmd::ExtraLinkTools ? kExtraLinkButton : kExtraPlaceButton);
        return;
    }
    UpdateToolButton(state, id - cmd::FirstLinkTool);
}

void CChildFrame::OnToolEditMode(int id) {
    if (view_ == nullptr)
        return;
    if (id == cmd::ModelEdit) {
        // Back to the model shown before the tool editing began; a tool model
        // there (or none) gives the project's first model.
        Model* previous = previousModel_.As<Model>();
        if (previous == nullptr || previous->kind == MkTool)
            previous = document_.ModelCount() > 0 ? document_.GetModelAt(0) : nullptr;
        if (previous != nullptr)
            Show(previous, {});
        return;
    }
    const bool icon = id == cmd::ToolIconEdit;
    Model* current = view_->CurrentModel();
    if (current == nullptr || current->kind != MkTool) {
        // Not on a tool model yet: the current tool's model, else the
        // template's first tool, is shown first.
        const NotationTemplate* notation = document_.Template();
        Model* tool = document_.FindTool(currentTool_);
        if (tool == nullptr && notation != nullptr && notation->ToolCount() > 0)
            tool = notation->ToolAt(0);
        if (tool == nullptr)
            return;
        GuidMap* map = current != nullptr && current->kind == MkTool ? document_.TemplateMap()
                                                                     : document_.ProjectMap();
        previousModel_ = ObjectHandle(current, map);
        if (!Show(tool, {}))
            return;
        if (view_->SetIconEditing(icon) || !icon)
            SetToolEditMode(icon ? 1 : 0);
    } else {
        const auto* tool = static_cast<const ToolModel*>(current);
        // Already in the asked state counts as done; a refused switch
        // leaves everything as it was.
        if (tool->iconEditing != icon && !view_->SetIconEditing(icon))
            return;
        SetToolEditMode(icon ? 1 : 0);
    }
    if (extraPane_ != nullptr) {
        extraPane_->RefreshOverviewPane(false);
        extraPane_->SelectTab(TabLocater);
    }
}

void CChildFrame::OnUpdateToolEditMode(int id, CommandState& state) {
    state.checked = toolEditMode_ == id - cmd::ToolDesignEdit;
}

void CChildFrame::OnExtraTools(int id) {
    const bool links = id == cmd::ExtraLinkTools;
    const std::string what = links ? "link tools" : "place tools";
    const std::string one = links ? "link" : "place";
    const std::string many = links ? "links" : "places";
    MessageBox("This menu holds extra " + what +
                   ", as defined by your template. It is currently empty.\nIf you create a new " +
                   one +
                   ", using the command \"Model:New Tool Model\", it will appear here.\n"
                   "Stereotypes defined for such " +
                   many + " also appear in this menu.",
               PromptIcon::None, PromptButtons::Ok);
}

void CChildFrame::OnEditUndo(int id) {
    const bool redo = id == cmd::EditRedo || id == cmd::RedoButton;
    document_.GetJournal().Replay(1, redo);
}

void CChildFrame::OnUpdateEditUndo(int, CommandState& state) {
    state.enabled = document_.GetJournal().CanUndo();
}

void CChildFrame::OnUpdateEditRedo(int, CommandState& state) {
    state.enabled = document_.GetJournal().CanRedo();
}

void CChildFrame::OnEditFind(int id) {
    ShowFindSheet(id == cmd::EditFind);
}

void CChildFrame::OnEditProperties(int) {
    if (view_ != nullptr)
        view_->ShowSelectionProperties(true);
}

void CChildFrame::OnEditSelectAll(int id) {
    if (view_ != nullptr && view_->OnCommand(id))
        return;
    Model* model = CurrentModel();
    if (model == nullptr)
        return;
    model->SelectMany(nullptr, false, id == cmd::SelectExplodes, nullptr, false);
    RepaintView(true);
}

void CChildFrame::OnUpdateEditSelectAll(int id, CommandState& state) {
    // The view's rule, which covers its text view and label editor without
    // a model.
    if (view_ != nullptr && view_->OnUpdateCommand(id, state))
        return;
    const Model* model = CurrentModel();
    state.enabled = model != nullptr && !model->Drawables().empty() && !IconEditing();
}

void CChildFrame::OnZoom(int id) {
    Model* model = CurrentModel();
    if (model == nullptr)
        return;
    double factor = 1.0;
    if (id == cmd::ZoomIn || id == cmd::ZoomInButton)
        factor = TContent::ZoomStep(model->zoom, 1);
    else if (id == cmd::ZoomOut || id == cmd::ZoomOutButton)
        factor = TContent::ZoomStep(model->zoom, -1);
    SetZoom(factor);
}

void CChildFrame::OnUpdateHasModel(int, CommandState& state) {
    state.enabled = CurrentModel() != nullptr;
}

// The one master selected in the lister, else null.
Master* CChildFrame::SingleListerMaster() const {
    if (extraPane_ == nullptr || extraPane_->Lister() == nullptr ||
        extraPane_->Lister()->GetSelectedCount() != 1)
        return nullptr;
    return extraPane_->Lister()->GetFirstSelectedMaster();
}

void CChildFrame::OnPanToSelected(int) {
    if (view_ == nullptr)
        return;
    // One master chosen in the lister: its first place in the model is
    // selected and brought into sight.
    Model* model = CurrentModel();
    if (Master* master = SingleListerMaster(); model != nullptr && master != nullptr) {
        Show(model, {.reveal = true, .drawable = model->FindPlaceOfMaster(master)});
        return;
    }
    view_->PanToSelection(true);
}

void CChildFrame::OnUpdatePanToSelected(int, CommandState& state) {
    const Model* model = CurrentModel();
    state.enabled =
        model != nullptr && (!model->Selection().empty() || SingleListerMaster() != nullptr);
}

void CChildFrame::OnViewOption(int id) {
    app_.Env()->Settings().Options ^= OptionOf(id);
    RepaintView(true);
}

void CChildFrame::OnUpdateViewOption(int id, CommandState& state) {
    state.checked = (app_.Env()->Settings().Options & OptionOf(id)) != 0;
}

void CChildFrame::OnRefresh(int) {
    RepaintView(true);
}

void CChildFrame::OnClearComboHistories(int) {
    Profile& settings = app_.Env()->Settings();
    for (auto& history : settings.Histories)
        history.clear();
    // Open sheets show the empty lists at once, so that their next store
    // does not write the old entries back.
    if (auto* sheet = mainFrame_.findChild<CObjSheet*>(QStringLiteral("objectSheet")))
        sheet->ExchangeHistory(true);
    if (auto* find = mainFrame_.findChild<CFindSheet*>(QStringLiteral("findSheet")))
        find->ExchangeHistory(settings, true);
}

void CChildFrame::OnDefaultProject(int id) {
    app_.Env()->Settings().DefaultProject =
        id == cmd::SetDefaultProject ? document_.GetPathName() : std::string();
}

void CChildFrame::OnUpdateSetDefault(int, CommandState& state) {
    state.enabled = !document_.GetPathName().empty();
}

void CChildFrame::OnUpdateResetDefault(int, CommandState& state) {
    state.enabled = !app_.Env()->Settings().DefaultProject.empty();
}

// ---- DocumentFrame ----

FrameLayout CChildFrame::CurrentLayout() const {
    FrameLayout layout;
    layout.frameWidth = width();
    layout.frameHeight = height();
    return layout;
}

void CChildFrame::ShowModelAt(int32_t index) {
    // A stored index beyond the project's models (an edited or older file)
    // shows the first model rather than none.
    const size_t count = document_.ModelCount();
    Model* model = nullptr;
    if (count > 0)
        model = document_.GetModelAt(
            index >= 0 && static_cast<size_t>(index) < count ? static_cast<size_t>(index) : 0);
    Show(model, {.refit = true});
}

bool CChildFrame::Show(Model* model, const ShowOptions& options) {
    if (options.refit) {
        if (model != nullptr)
            document_.SetCurrentModel(model);
        RefitView();
        return view_ != nullptr;
    }
    if (view_ == nullptr)
        return false;
    if (!options.reveal || view_->CurrentModel() != model) {
        const bool shown = view_->ShowModel(model);
        UpdateTitle();
        UpdateZoomCombo(view_->CurrentModel());
        if (!shown)
            return false;
    }
    if (options.reveal) {
        view_->DeselectAll();
        if (options.drawable != nullptr) {
            view_->SelectDrawable(options.drawable, TContent::SelectMode::Add);
            view_->PanToSelection(true);
        }
    }
    return true;
}

void CChildFrame::ApplyLayout(const FrameLayout& layout, bool maximize) {
    if (layout.frameWidth > 0 && layout.frameHeight > 0)
        FitInto(QSize(layout.frameWidth, layout.frameHeight));
    if (maximize)
        showMaximized();
}

void CChildFrame::BeginProgress(int range) {
    mainFrame_.BeginProgress(range);
}

void CChildFrame::SetProgress(int position) {
    mainFrame_.SetProgressPos(position);
}

void CChildFrame::EndProgress(const std::string& text) {
    mainFrame_.EndProgress(text);
}

void CChildFrame::ClearLog() {
    if (LogWindow* log = mainFrame_.Log())
        static_cast<LogSink*>(log)->Clear();
}

void CChildFrame::UpdateTitle() {
    std::string title = document_.GetTitle();
    if (title.empty())
        title =
            document_.GetPathName().empty() ? "Untitled" : FileNameOfPath(document_.GetPathName());
    if (view_ != nullptr)
        if (Model* model = view_->CurrentModel())
            title += " - " + model->name;
    setWindowTitle(QString::fromStdString(title));
}

void CChildFrame::RefitView() {
    if (view_ != nullptr) {
        // A project read without a current model shows its first.
        if (view_->CurrentModel() == nullptr && document_.ModelCount() > 0)
            view_->ShowModel(document_.GetModelAt(0));
        view_->UpdateScrollSizes(true);
    }
    UpdateTitle();
}

void CChildFrame::RefillProjectTree() {
    if (explorerPane_ != nullptr) {
        explorerPane_->FillProjectTree();
        explorerPane_->FillTemplateItems(true);
    }
    RefitView();
    if (explorerPane_ != nullptr)
        explorerPane_->FillModelItems(true);
}

void CChildFrame::SetTemplateLabel(const std::string& name) {
    if (explorerPane_ != nullptr)
        explorerPane_->SetTemplateLabel(name);
    // The frame is made before its project is read: the template's tool
    // names and icons reach the custom bar once the project names it.
    const CChildFrame* active = mainFrame_.ActiveChild();
    if (active == nullptr || active == this)
        LoadToolBarBitmaps();
}

void CChildFrame::UpdateLibraryPane(bool fill) {
    if (extraPane_ != nullptr) {
        ModelLibrary* library = app_.Library();
        extraPane_->Reference()->Fill(fill && library != nullptr ? library->Document() : nullptr);
    }
    UpdateTitle();
}

// ---- ProjectWindow ----

bool CChildFrame::ShowModel(Model* model) {
    return Show(model, {});
}

CCASEDoc* CChildFrame::ReferenceProject() const {
    ModelLibrary* library = app_.Library();
    return library != nullptr ? library->Document() : nullptr;
}

void CChildFrame::NewModel() {
    // The model commands take it when they are in the command chain.
    OnCommand(cmd::ModelNew);
}

void CChildFrame::Implode() {
    OnCommand(cmd::ModelImplode);
}

void CChildFrame::AnimateZoomIn() {
    if (view_ != nullptr)
        view_->AnimateZoom(nullptr, nullptr);
}

bool CChildFrame::ExplodeMaster(Master& master) {
    // A master with a submodel shows it; making a new one is the Explode
    // command's.
    if (auto* submodel = dynamic_cast<Model*>(master.submodel))
        return Show(submodel, {});
    if (!modelCommands_->ExplodeToMaster(master))
        return false;
    auto* made = dynamic_cast<Model*>(master.submodel);
    return made != nullptr && Show(made, {});
}

void CChildFrame::OpenFile(const std::string& path) {
    mainFrame_.OpenWithViewer(path);
}

void CChildFrame::ShowFileText(const std::string& path) {
    if (view_ != nullptr)
        view_->ShowFile(path);
}

void CChildFrame::CopyModelPicture(Model& model) {
    if (view_ == nullptr || view_->CurrentModel() != &model)
        return;
    QClipboard* clipboard = DesktopClipboard();
    if (clipboard == nullptr)
        return;
    auto* data = new QMimeData;
    data->setData(kSvgMime, view_->SelectionAsSvg(true));
    data->setImageData(view_->SelectionAsImage(true));
    // One set of forms replaces what the file's reference alone put there.
    const std::string path = CCASEDoc::ClipboardFile();
    data->setData(kMastersClipboardMime,
                  QByteArray(path.data(), static_cast<qsizetype>(path.size())));
    clipboard->setMimeData(data);
}

CRect CChildFrame::VisibleArea() const {
    if (view_ == nullptr || view_->CurrentModel() == nullptr)
        return {};
    const CPoint origin = view_->ScrollPosition();
    const QSize size = view_->viewport()->size();
    return CRect(origin.x, origin.y, origin.x + size.width(), origin.y + size.height());
}

void CChildFrame::ScrollViewTo(CPoint point) {
    if (view_ == nullptr)
        return;
    view_->horizontalScrollBar()->setValue(point.x);
    view_->verticalScrollBar()->setValue(point.y);
}

void CChildFrame::RepaintView(bool scrollSizes) {
    if (view_ == nullptr)
        return;
    if (scrollSizes)
        view_->UpdateScrollSizes(false);
    view_->viewport()->update();
}

bool CChildFrame::CanDropAt(const QPoint& screenPoint) const {
    if (view_ == nullptr || view_->CurrentModel() == nullptr)
        return false;
    return view_->viewport()->rect().contains(view_->viewport()->mapFromGlobal(screenPoint));
}

bool CChildFrame::DropMaster(Master& master, const QPoint& screenPoint) {
    if (!CanDropAt(screenPoint))
        return false;
    return view_->DropMasterAt(master, view_->viewport()->mapFromGlobal(screenPoint));
}

// ---- FindHost ----

void CChildFrame::ShowDrawable(Model& model, Drawable* drawable) {
    Show(&model, {.reveal = true, .drawable = drawable});
}

void CChildFrame::ShowModelProperties(Model& model) {
    Show(&model, {});
    host_.ShowProperties(document_, ObjectHandle(&model, &document_.IdMap()), 1, ObjectHandle(),
                         true);
}

void CChildFrame::InvalidateRect(Model& model, const CRect& area) {
    if (view_ != nullptr && view_->CurrentModel() == &model)
        view_->InvalidateLogicalRect(area);
}

void CChildFrame::ApplyAndHidePropertySheet() {
    host_.HidePropertySheet();
}

void CChildFrame::FitInto(QSize size) {
    if (QMdiArea* area = mdiArea()) {
        const QSize room = area->viewport()->size() - QSize(x(), y());
        if (room.width() > 200 && room.height() > 150)
            size = size.boundedTo(room);
    }
    resize(size);
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (closingByApp) {
        event->accept();
        return;
    }
    event->ignore();
    closing_ = true;
    // Closing the document removes this window through DetachDocument.
    CCASEApp& app = app_;
    CCASEDoc* document = &document_;
    app.RunCommand([&] { app.Env()->Documents().CloseDocument(document); });
}

void CChildFrame::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    if (isMinimized() || mainSplitter_ == nullptr)
        return;
    const QSize after = mainSplitter_->size();
    // The first size the panes get sets the left column and the explorer to
    // their starting size; later ones keep their share of the window.
    if (lastSize_.isEmpty() && after.width() > 0 && after.height() > 0) {
        const int width = after.width() - mainSplitter_->handleWidth();
        const int height = after.height() - subSplitter_->handleWidth();
        mainSplitter_->setSizes({kLeftPaneSize, std::max(kMinimumPaneSize, width - kLeftPaneSize)});
        subSplitter_->setSizes({kLeftPaneSize, std::max(kMinimumPaneSize, height - kLeftPaneSize)});
    } else if (lastSize_.width() >= 1 && lastSize_.height() >= 1 && after != lastSize_) {
        QList<int> columns = mainSplitter_->sizes();
        QList<int> rows = subSplitter_->sizes();
        if (columns.size() == 2 && rows.size() == 2) {
            const int left =
                std::max(kMinimumPaneSize, columns[0] * after.width() / lastSize_.width());
            const int top =
                std::max(kMinimumPaneSize, rows[0] * after.height() / lastSize_.height());
            const int width = after.width() - mainSplitter_->handleWidth();
            const int height = after.height() - subSplitter_->handleWidth();
            mainSplitter_->setSizes({left, std::max(kMinimumPaneSize, width - left)});
            subSplitter_->setSizes({top, std::max(kMinimumPaneSize, height - top)});
        }
    }
    lastSize_ = after;
}

void CChildFrame::showEvent(QShowEvent* event) {
    QMdiSubWindow::showEvent(event);
    if (!firstShow_)
        return;
    firstShow_ = false;
    LoadToolBarBitmaps();
    if ((app_.Env()->Settings().Settings & kSettingsMaximizeChildFrames) != 0)
        showMaximized();
}

} // namespace qm
