// The main window: bars, menus, routing, timers, tasks and the viewer rule.
#include "shell/frames/CMainFrame.h"

#include "dialogs/model/DialogServices.h"
#include "dialogs/options/OptionSheet.h"
#include "document/CCASEDoc.h"
#include "document/ModelLibrary.h"
#include "document/Profile.h"
#include "editor/TContent.h"
#include "model/CommandIds.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/PathHelpers.h"
#include "platform/Prompt.h"
#include "platform/UserSettings.h"
#include "scripting/ScriptRunners.h"
#include "shell/RepositorySession.h"
#include "shell/bars/LibraryMenu.h"
#include "shell/bars/Palettes.h"
#include "shell/bars/TToolBar.h"
#include "shell/bars/ZoomComboBox.h"
#include "shell/commands/LooksCommands.h"
#include "shell/commands/ModelCommands.h"
#include "shell/commands/ReverseCommands.h"
#include "shell/frames/AboutDialog.h"
#include "shell/frames/CChildFrame.h"
#include "shell/frames/LockKeys.h"
#include "shell/frames/UndoListDialog.h"
#include "shell/frames/WindowFileDialogs.h"
#include "shell/panes/Explorer.h"
#include "shell/panes/LogWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPageSize>
#include <QPrinter>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace qm {

namespace {

// The show states of a stored window placement.
constexpr int32_t kShowNormal = 1;
constexpr int32_t kShowMaximized = 3;

using Row = CommandRow<CMainFrame>;
using F = CMainFrame;

bool SameTextNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

// The main frame's own rows, the document's (Close, Save, Save As) and the
// application's, in menu order.
struct MainFrameTable {
    static constexpr Row rows[] = {
        {cmd::FileNew, cmd::FileNew, "&File", "&New\tCtrl+N", &F::OnFileNew, nullptr},
        {cmd::FileOpen, cmd::FileOpen, "&File", "&Open...\tCtrl+O", &F::OnFileOpen, nullptr},
        {cmd::FileClose, cmd::FileClose, "&File", "&Close", &F::OnFileClose,
         &F::OnUpdateHasDocument},
        {cmd::FileSave, cmd::FileSave, "&File", "&Save\tCtrl+S", &F::OnFileSave,
         &F::OnUpdateHasDocument},
        {cmd::FileSaveAs, cmd::FileSaveAs, "&File", "Save &As...", &F::OnFileSaveAs,
         &F::OnUpdateHasDocument},
        // The template's commands, from the project window's families.
        {kMenuSlotRow, 0, "&File", "save", nullptr, nullptr},
        {kSeparatorRow, 0, "&File", "", nullptr, nullptr},
        // Opening files beside the project, from the project window's families.
        {kMenuSlotRow, 0, "&File", "open", nullptr, nullptr},
        {kSeparatorRow, 0, "&File", "", nullptr, nullptr},
        {cmd::RepositoryBrowse, cmd::RepositoryBrowse, "&File/&Repository", "&Browse...",
         &F::OnRepositoryBrowse, &F::OnUpdateRepository},
        {cmd::RepositoryCheckIn, cmd::RepositoryCheckIn, "&File/&Repository", "&Check In",
         &F::OnRepositoryCheckIn, &F::OnUpdateRepository},
        {kSeparatorRow, 0, "&File", "", nullptr, nullptr},
        // Saving and printing a diagram, from the project window's families.
        {kMenuSlotRow, 0, "&File", "print", nullptr, nullptr},
        {cmd::FilePrintSetup, cmd::FilePrintSetup, "&File", "P&rint Setup...", &F::OnFilePrintSetup,
         nullptr},
        {kSeparatorRow, 0, "&File", "", nullptr, nullptr},
        {cmd::AppExit, cmd::AppExit, "&File", "E&xit", &F::OnAppExit, nullptr},
        {kSeparatorRow, 0, "&View", "", nullptr, nullptr},
        {cmd::ViewMiscToolBar, cmd::ViewMiscToolBar, "&View", "&Miscellaneous Toolbar",
         &F::OnToggleBar, &F::OnUpdateToggleBar},
        {cmd::ViewCustomToolBar, cmd::ViewCustomToolBar, "&View", "&Custom Toolbar",
         &F::OnToggleBar, &F::OnUpdateToggleBar},
        {cmd::ViewLogWindow, cmd::ViewLogWindow, "&View", "Log &Window", &F::OnViewLogWindow,
         &F::OnUpdateViewLogWindow},
        {cmd::ToolsOptions, cmd::ToolsOptions, "&Tools", "&Options...", &F::OnToolsOptions,
         nullptr},
        {cmd::FirstTask, cmd::LastTask, "", "", &F::OnTask, &F::OnUpdateTask},
        {cmd::HelpContents, cmd::HelpContents, "&Help", "&Contents...", &F::OnHelpContents,
         nullptr},
        {cmd::HelpIndex, cmd::HelpIndex, "&Help", "&Index...", &F::OnHelpIndex, nullptr},
        {kSeparatorRow, 0, "&Help", "", nullptr, nullptr},
        {cmd::AppAbout, cmd::AppAbout, "&Help", "&About Quillmark...", &F::OnAppAbout, nullptr},
    };
};

std::span<const CommandRow<CMainFrame>> CMainFrame::CommandTable() {
    return MainFrameTable::rows;
}

std::vector<std::string> ListTaskScripts(const std::string& scriptFolder) {
    std::vector<std::string> scripts;
    const std::string taskFolder = FindSubfolderNoCase(scriptFolder, "task");
    for (const std::string& name : ListScriptFiles(taskFolder))
        scripts.push_back(JoinPath(taskFolder, name));
    return scripts;
}

CMainFrame::CMainFrame(CCASEApp& app)
    : app_(app), dialogs_(std::make_unique<WindowFileDialogs>(this)) {
    setWindowTitle("Quillmark");
    app_.Env()->Context().dialogs = dialogs_.get();
    app_.Env()->openWithViewer = [this](const std::string& path) { OpenWithViewer(path); };
    InstallTemplateIconHooks();
    routing_.run = [this](int id) { RouteCommand(id); };
    routing_.update = [this](int id, CommandState& state) { state = RouteUpdate(id); };

    area_ = new QMdiArea(this);
    area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(area_);
    resize(1100, 800);

    const bool exitWhenDone = app_.CommandLine() != nullptr && app_.CommandLine()->exitWhenDone;
    if (!exitWhenDone) {
        auto* splash = new AboutDialog(*app_.Env(), true, this);
        splash->show();
    }
    BuildMenus();
    BuildBars();

    statusBar()->setObjectName("Status Bar");
    messagePane_ = new QLabel("Ready", this);
    statusBar()->addWidget(messagePane_, 1);
    for (QLabel*& indicator : indicators_) {
        const char* pane = kIndicatorTexts[&indicator - indicators_.data()];
        indicator = new QLabel(pane, this);
        indicator->setAccessibleName(pane);
        // As wide as its text when lit, so that the bar does not shift.
        indicator->setMinimumWidth(indicator->sizeHint().width());
        statusBar()->addPermanentWidget(indicator);
    }
    UpdateIndicators();
    progress_ = new QProgressBar(statusBar());
    progress_->setAccessibleName("Progress");
    progress_->hide();
    statusBar()->addWidget(progress_);

    undoList_ = new UndoListDialog(this);
    toolPalette_ = new ToolPalette(this);
    junctionPicker_ = new PickerPalette(this);
    iconPicker_ = new PickerPalette(this);
    controlPicker_ = new PickerPalette(this);
    for (PaletteWindow* palette : std::initializer_list<PaletteWindow*>{
             toolPalette_, junctionPicker_, iconPicker_, controlPicker_}) {
        palette->chosen = [this](int tool) {
            // The mouse is still on the button: its palette opens again only
            // once the mouse has been elsewhere.
            restingButton_ = popupButton_;
            if (CChildFrame* child = ActiveChild())
                child->SetCurrentTool(tool);
        };
        palette->statusText = [this](const std::string& text) { SetStatusText(text); };
        palette->movedOutside = [this](QPoint global) { OnPaletteMovedOutside(global); };
    }
    for (TToolBar* bar : {miscToolBar_, customToolBar_}) {
        bar->hovered = [this](int id, QRect rect) {
            if (id != restingButton_)
                PopupPaletteFor(id, rect);
        };
        bar->left = [this](int id) {
            if (id == restingButton_)
                restingButton_ = -1;
        };
    }
    logWindow_ = std::make_unique<LogWindow>(exitWhenDone);
    // Shown by View/Log Window or by a script, it lies over the bottom of
    // this frame's client area.
    logWindow_->SetFrameClient([this] {
        const QWidget* client = centralWidget();
        return client != nullptr ? QRect(client->mapToGlobal(QPoint(0, 0)), client->size())
                                 : geometry();
    });
    logInstall_ = std::make_unique<ScopedLogSink>(logWindow_.get());

    autoSaveTimer_ = new QTimer(this);
    QObject::connect(autoSaveTimer_, &QTimer::timeout, [this] { OnAutoSaveTimer(); });
    const int minutes = std::max(1, app_.Env()->Settings().AutosavePeriod);
    autoSaveTimer_->start(minutes * 60000);
    // The repository session logs in on first use; the keep-alive ticks
    // all along and pings only while it is logged in.
    repositoryLoggedIn = [this] { return app_.Repository().LoggedIn(); };
    keepAlive = [this] { app_.Repository().KeepAlive(); };
    keepAliveTimer_ = new QTimer(this);
    QObject::connect(keepAliveTimer_, &QTimer::timeout, [this] { OnKeepAliveTimer(); });
    StartKeepAlive();
    // Tool-bar buttons follow the state when the application is idle.
    idleTimer_ = new QTimer(this);
    QObject::connect(idleTimer_, &QTimer::timeout, [this] {
        UpdateToolBars();
        UpdateIndicators();
    });
    idleTimer_->start(300);

    QObject::connect(area_, &QMdiArea::subWindowActivated, [this](QMdiSubWindow* window) {
        // Windows removed while the environment ends activate nothing.
        if (app_.Env() == nullptr)
            return;
        auto* child = dynamic_cast<CChildFrame*>(window);
        // The window left behind stores whether it was maximised.
        if (auto* previous = dynamic_cast<CChildFrame*>(lastActive_.data());
            previous != nullptr && previous != child && !previous->closingByApp)
            StoreChildState(previous);
        lastActive_ = window;
        undoList_->SetDocument(child != nullptr ? &child->Document() : nullptr);
        if (child == nullptr)
            return;
        app_.Env()->SetActiveDocument(&child->Document());
        child->LoadToolBarBitmaps();
        ShowToolBar();
        child->UpdateZoomCombo(child->Document().CurrentModel());
    });
}

CMainFrame::~CMainFrame() {
    for (const QPointer<CChildFrame>& waiting : detachedChildren_)
        delete waiting.data();
    // Windows still open go with this frame; they need not unregister.
    for (CChildFrame* child : childFrames_)
        child->closingByApp = true;
    if (Environment* environment = app_.Env()) {
        if (environment->Context().dialogs == dialogs_.get())
            environment->Context().dialogs = nullptr;
        environment->openWithViewer = nullptr;
        environment->copyToolBarIcon = nullptr;
        environment->stopIconEditing = nullptr;
        environment->iconStripChanged = nullptr;
    }
    logInstall_.reset();
}

void CMainFrame::InstallTemplateIconHooks() {
    Environment* environment = app_.Env();
    // A new tool takes its first icon from the strip the custom bar shows
    // (the active project's template).
    environment->copyToolBarIcon = [this](int index, ToolBitmap& strip, int slot) {
        if (customToolBar_ == nullptr || customToolBar_->ToolStrip().IsEmpty() || index < 0 ||
            index >= customToolBar_->ToolStrip().SlotCount() || slot < 0 ||
            slot >= strip.SlotCount())
            return false;
        strip.CopyIcon(customToolBar_->ToolStrip(), index, slot);
        return true;
    };
    auto frameOf = [this](ModelDocument* document) -> CChildFrame* {
        for (CChildFrame* child : childFrames_)
            if (static_cast<ModelDocument*>(&child->Document()) == document)
                return child;
        return nullptr;
    };
    environment->stopIconEditing = [frameOf](ModelDocument* document) {
        if (CChildFrame* child = frameOf(document); child != nullptr && child->View() != nullptr)
            child->View()->SetIconEditing(false);
    };
    // Every window of a project with that template shows the new strip.
    environment->iconStripChanged = [this](NotationTemplate& notation, ModelDocument*) {
        for (CChildFrame* child : childFrames_)
            if (child->Document().Template() == &notation)
                child->LoadToolBarBitmaps();
    };
}

void CMainFrame::BuildMenus() {
    // Rows of the families that name a place of the File menu take it in
    // this order: Print before Save Image.
    std::vector<std::vector<CommandEntry>> tables{MenuEntries(CChildFrame::CommandTable()),
                                                  MenuEntries(CommandTable())};
    tables.push_back(MenuEntries(PrintCommands::CommandTable()));
    tables.push_back(MenuEntries(ScriptCommands::CommandTable()));
    tables.push_back(MenuEntries(ModelCommands::CommandTable()));
    tables.push_back(MenuEntries(LooksCommands::CommandTable()));
    tables.push_back(MenuEntries(ReverseCommands::CommandTable()));
    BuildMenuBar(
        *menuBar(),
        {"&File", "&Edit", "&Arrange", "&View", "&Model", "&Looks", "&Tools", "Tas&ks", "&Help"},
        tables, CChildFrame::ContentPaneCommands(), routing_);
    // The Tasks menu: the task scripts of the task folder, then the rows of
    // the tables ("Run in Debug Mode", "Define New Task...").
    for (QAction* action : menuBar()->actions())
        if (action->menu() != nullptr && PlainLabel(action->text().toStdString()) == "Tasks")
            tasksMenu_ = action->menu();
    if (tasksMenu_ == nullptr) {
        tasksMenu_ = new QMenu("Tas&ks", menuBar());
        menuBar()->addMenu(tasksMenu_);
    }
    tasksMenu_->setObjectName("Tasks");
    FillTasksMenu();
    for (QAction* action : menuBar()->actions())
        if (action->menu() != nullptr && PlainLabel(action->text().toStdString()) == "File")
            fileMenu_ = action->menu();
    if (fileMenu_ != nullptr) {
        QObject::connect(fileMenu_, &QMenu::aboutToShow, fileMenu_, [this] { FillRecentFiles(); });
        FillRecentFiles();
    }
}

void CMainFrame::FillRecentFiles() {
    QAction* exit = nullptr;
    for (QAction* action : fileMenu_->actions()) {
        const int id = action->data().toInt();
        if ((id >= cmd::FirstRecentFile && id <= cmd::LastRecentFile) ||
            action->property("recentFiles").toBool())
            delete action;
        else if (id == cmd::AppExit)
            exit = action;
    }
    const std::vector<std::string>& recent = app_.Env()->Documents().RecentFiles();
    if (exit == nullptr || recent.empty())
        return;
    for (size_t i = 0; i < recent.size(); ++i) {
        const int id = cmd::FirstRecentFile + static_cast<int>(i);
        if (id > cmd::LastRecentFile)
            break;
        const std::string path = recent[i];
        auto* action = new QAction(
            QString("&%1 %2").arg(i + 1).arg(QString::fromStdString(path).replace("&", "&&")),
            fileMenu_);
        action->setData(id);
        QObject::connect(action, &QAction::triggered,
                         [this, path] { app_.RunCommand([&] { app_.OpenDocumentFile(path); }); });
        fileMenu_->insertAction(exit, action);
    }
    QAction* separator = fileMenu_->insertSeparator(exit);
    separator->setProperty("recentFiles", true);
}

void CMainFrame::FillTasksMenu() {
    for (QAction* action : tasksMenu_->actions()) {
        const int id = action->data().toInt();
        if (id >= cmd::FirstTask && id <= cmd::LastTask)
            delete action;
    }
    QAction* ownRows = tasksMenu_->actions().isEmpty() ? nullptr : tasksMenu_->actions().front();
    taskScripts_ = ListTaskScripts(app_.Env()->Settings().ScriptFolder);
    for (size_t i = 0; i < taskScripts_.size(); ++i) {
        const int id = cmd::FirstTask + static_cast<int>(i);
        if (id > cmd::LastTask)
            break;
        std::string name = FileNameOfPath(taskScripts_[i]);
        name.resize(name.size() - 4);
        auto* action = new QAction(QString::fromStdString(name), tasksMenu_);
        action->setData(id);
        QObject::connect(action, &QAction::triggered, [this, id] { RouteCommand(id); });
        tasksMenu_->insertAction(ownRows, action);
    }
}

void CMainFrame::BuildBars() {
    auto dropDown = [this](int id, QPoint below) { OnToolBarDropDown(id, below); };
    mainToolBar_ = new TToolBar(TToolBar::Main, "Main Toolbar", this);
    zoomBox_ = new ZoomComboBox(mainToolBar_);
    zoomBox_->setMinimumWidth(55);
    zoomBox_->applyToView = [this](double factor) {
        CChildFrame* child = ActiveChild();
        return child != nullptr && child->SetZoom(factor);
    };
    zoomBox_->fitToPagePercent = [this] {
        CChildFrame* child = ActiveChild();
        if (child == nullptr || child->Document().CurrentModel() == nullptr)
            return 100;
        const CRect& page = child->Document().CurrentModel()->pageMatrix;
        const QSize view = child->GetContent()->size();
        return FitToPagePercent(view.width(), view.height(), page.Width(), page.Height());
    };
    zoomBox_->focusView = [this] {
        if (CChildFrame* child = ActiveChild())
            child->GetContent()->setFocus();
    };
    mainToolBar_->AddButtons(MainToolBarButtons(), routing_, dropDown, zoomBox_);
    miscToolBar_ = new TToolBar(TToolBar::Miscellaneous, "Miscellaneous Toolbar", this);
    miscToolBar_->AddButtons(MiscToolBarButtons(), routing_, dropDown);
    customToolBar_ = new TToolBar(TToolBar::Custom, "Custom Toolbar", this);
    customToolBar_->AddButtons(CustomToolBarButtons(), routing_, dropDown);
    // One bar a row, so that every button is in view without the overflow arrow.
    for (TToolBar* bar : {mainToolBar_, miscToolBar_, customToolBar_}) {
        if (bar != mainToolBar_)
            addToolBarBreak(Qt::TopToolBarArea);
        addToolBar(Qt::TopToolBarArea, bar);
    }
    UpdateToolBars();
}

// ---- MainFrame ----

QRect FirstRunGeometry(const QRect& room) {
    const QSize size(room.width() * 9 / 10, room.height() * 9 / 10);
    return QRect(room.topLeft() +
                     QPoint((room.width() - size.width()) / 2, (room.height() - size.height()) / 2),
                 size);
}

void CMainFrame::ShowFrame(bool restorePlacement) {
    const WindowPlacement& placement = app_.Env()->Settings().WinPos;
    if (!restorePlacement || placement.IsFirstRunDefault()) {
        // No size of the user's yet: most of the screen, centred; closing
        // the window stores the size for the next run.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect room = screen->availableGeometry();
            setGeometry(FirstRunGeometry(room));
        }
        show();
        return;
    }
    const CRect& r = placement.normalPosition;
    if (r.right > r.left && r.bottom > r.top)
        setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top);
    if (placement.showCmd == kShowMaximized) {
        showMaximized();
        return;
    }
    show();
}

DocumentFrame* CMainFrame::AttachDocument(CCASEDoc& document) {
    auto* child = new CChildFrame(app_, document, *this);
    area_->addSubWindow(child);
    // Each new window a step below and right of the one before it, so that
    // every title bar stays in view.
    const int step = 24 * static_cast<int>((childFrames_.size() - 1) % 10);
    child->move(step, step);
    child->FitInto(child->size());
    child->show();
    area_->setActiveSubWindow(child);
    undoList_->SetDocument(&document);
    return child;
}

void CMainFrame::DetachDocument(CCASEDoc& document) {
    CChildFrame* child = ChildOf(&document);
    if (child == nullptr)
        return;
    if (undoList_->Document() == &document) {
        undoList_->hide();
        undoList_->SetDocument(nullptr);
    }
    RemoveChildFrame(child);
    child->DropPanes();
    area_->removeSubWindow(child);
    std::erase_if(detachedChildren_, [](const auto& waiting) { return waiting.isNull(); });
    detachedChildren_.emplace_back(child);
    child->deleteLater();
}

bool CMainFrame::CloseFrame() {
    Environment& environment = *app_.Env();
    environment.SaveModifiedTemplates();
    WindowPlacement& placement = environment.Settings().WinPos;
    const QRect normal = normalGeometry();
    placement.length = 44;
    placement.showCmd = isMaximized() ? kShowMaximized : kShowNormal;
    placement.normalPosition = CRect(normal.left(), normal.top(), normal.left() + normal.width(),
                                     normal.top() + normal.height());
    StoreChildState(nullptr);
    return environment.Documents().CloseAll();
}

bool CMainFrame::AskPageSetup(PageSetup& setup) {
    QPrinter printer;
    printer.setPageSize(
        QPageSize(QSizeF(setup.PaperWidth / 1000.0, setup.PaperHeight / 1000.0), QPageSize::Inch));
    if (setup.PaperWidth > setup.PaperHeight)
        printer.setPageOrientation(QPageLayout::Landscape);
    if (const auto& m = setup.Margins)
        printer.setPageMargins(
            QMarginsF((*m)[0] / 1000.0, (*m)[1] / 1000.0, (*m)[2] / 1000.0, (*m)[3] / 1000.0),
            QPageLayout::Inch);
    QPageSetupDialog dialog(&printer, this);
    if (RunModal(dialog) != QDialog::Accepted)
        return false;
    const QPageLayout layout = printer.pageLayout();
    const QRectF paper = layout.fullRect(QPageLayout::Inch);
    setup.PaperWidth = static_cast<int32_t>(std::lround(paper.width() * 1000.0));
    setup.PaperHeight = static_cast<int32_t>(std::lround(paper.height() * 1000.0));
    const QMarginsF margins = layout.margins(QPageLayout::Inch);
    setup.Margins =
        std::array<int32_t, 4>{static_cast<int32_t>(std::lround(margins.left() * 1000.0)),
                               static_cast<int32_t>(std::lround(margins.top() * 1000.0)),
                               static_cast<int32_t>(std::lround(margins.right() * 1000.0)),
                               static_cast<int32_t>(std::lround(margins.bottom() * 1000.0))};
    return true;
}

const std::array<int32_t, 4>* CMainFrame::PageMargins() const {
    const auto& margins = app_.Env()->Settings().PageSetup.Margins;
    return margins ? &*margins : nullptr;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    bool mayClose = true;
    app_.RunCommand([&] { mayClose = CloseFrame(); });
    if (mayClose) {
        logWindow_->hide();
        undoList_->hide();
        event->accept();
    } else {
        event->ignore();
    }
}

// ---- the chain ----

bool CMainFrame::WalkChain(CommandTarget* origin, CChildFrame* child,
                           const std::function<bool(CommandTarget&)>& ask) {
    if (origin != nullptr && ask(*origin))
        return true;
    if (child == nullptr)
        child = ActiveChild();
    if (child != nullptr) {
        if (ask(*child))
            return true;
        if (auto* pane = dynamic_cast<CommandTarget*>(child->ActivePane());
            pane != nullptr && pane != origin && ask(*pane))
            return true;
        if (ask(child->PaneDefaults()))
            return true;
    }
    return ask(*this);
}

bool CMainFrame::RouteCommand(int id, CommandTarget* origin, CChildFrame* child) {
    bool taken = false;
    app_.RunCommand([&] {
        taken =
            WalkChain(origin, child, [id](CommandTarget& target) { return target.OnCommand(id); });
    });
    UpdateToolBars();
    return taken;
}

CommandState CMainFrame::RouteUpdate(int id, CommandTarget* origin, CChildFrame* child) {
    CommandState state;
    if (WalkChain(origin, child, [id, &state](CommandTarget& target) {
            return target.OnUpdateCommand(id, state);
        }))
        return state;
    state = CommandState{};
    state.enabled = false;
    return state;
}

void CMainFrame::UpdateToolBars() {
    for (TToolBar* bar : {mainToolBar_, miscToolBar_, customToolBar_})
        if (bar != nullptr)
            bar->UpdateButtons(routing_);
}

bool CMainFrame::OnCommand(int id) {
    return DispatchCommand(*this, CommandTable(), id);
}

bool CMainFrame::OnUpdateCommand(int id, CommandState& state) {
    return UpdateCommand(*this, CommandTable(), id, state);
}

// ---- children ----

CChildFrame* CMainFrame::ActiveChild() const {
    if (auto* child = dynamic_cast<CChildFrame*>(area_->activeSubWindow()))
        return child;
    // Without a window system's activation (offscreen runs) the active
    // document's window stands for the active one.
    if (app_.Env() == nullptr)
        return nullptr;
    if (CCASEDoc* document = app_.Env()->ActiveDocument()) {
        if (CChildFrame* child = ChildOf(document))
            return child;
    }
    return nullptr;
}

CChildFrame* CMainFrame::ChildOf(const CCASEDoc* document) const {
    for (CChildFrame* child : childFrames_)
        if (&child->Document() == document)
            return child;
    return nullptr;
}

void CMainFrame::AddChildFrame(CChildFrame* child) {
    childFrames_.push_back(child);
}

void CMainFrame::RemoveChildFrame(CChildFrame* child) {
    childFrames_.erase(std::remove(childFrames_.begin(), childFrames_.end(), child),
                       childFrames_.end());
}

void CMainFrame::CloseProjectWindows(const std::string& path, bool discard) {
    std::vector<CCASEDoc*> closing;
    for (CChildFrame* child : childFrames_)
        if (SameTextNoCase(child->Document().GetPathName(), path))
            closing.push_back(&child->Document());
    for (CCASEDoc* document : closing) {
        if (discard)
            document->SetModifiedFlag(false);
        app_.Env()->Documents().CloseDocument(document);
    }
}

void CMainFrame::StoreChildState(CChildFrame* child) {
    if (child == nullptr)
        child = ActiveChild();
    if (child == nullptr)
        return;
    uint32_t& settings = app_.Env()->Settings().Settings;
    if (child->isMaximized())
        settings |= kSettingsMaximizeChildFrames;
    else
        settings &= ~kSettingsMaximizeChildFrames;
}

// ---- bars ----

void CMainFrame::ShowToolBar() {
    customToolBar_->show();
}

void CMainFrame::BeginProgress(int range) {
    progress_->setRange(0, std::max(0, range));
    progress_->setValue(0);
    progress_->show();
}

void CMainFrame::SetProgressPos(int position) {
    progress_->setValue(position);
}

void CMainFrame::EndProgress(const std::string& text) {
    progress_->hide();
    SetStatusText(text);
}

void CMainFrame::UpdateIndicators() {
    LockKeys keys;
    if (lockKeys)
        lockKeys(keys);
    const bool lit[] = {keys.caps, keys.num, keys.scroll};
    for (size_t i = 0; i < indicators_.size(); ++i) {
        // Lit: the pane's text; out: a blank pane, as the keyboard's light.
        const QString text = lit[i] ? kIndicatorTexts[i] : "";
        if (indicators_[i]->text() != text) {
            indicators_[i]->setText(text);
            indicators_[i]->setAccessibleDescription(lit[i] ? "On" : "Off");
        }
    }
}

void CMainFrame::SetStatusText(const std::string& text) {
    messagePane_->setText(QString::fromStdString(text));
}

bool CMainFrame::PopupPaletteFor(int id, QRect screenRect) {
    // Back on the button whose palette is showing: nothing changes.
    if (id == popupButton_ && (toolPalette_->isVisible() || junctionPicker_->isVisible() ||
                               iconPicker_->isVisible() || controlPicker_->isVisible()))
        return true;
    CChildFrame* child = ActiveChild();
    if (child == nullptr || !RouteUpdate(id).enabled)
        return false;
    PaletteWindow* palette = nullptr;
    if (id == cmd::JunctionTool || id == cmd::IconTool) {
        PickerPalette* picker = id == cmd::JunctionTool ? junctionPicker_ : iconPicker_;
        HidePalettes();
        picker->Open(id == cmd::JunctionTool ? TkJunction : TkIcon);
        palette = picker;
    } else if (id == cmd::ControlTools) {
        HidePalettes();
        controlPicker_->Open(kControlPicker);
        palette = controlPicker_;
    } else if (const NotationTemplate* notation = child->Document().Template()) {
        const bool extra = id == cmd::ExtraLinkTools || id == cmd::ExtraPlaceTools;
        const bool tool = id >= cmd::FirstLinkTool && id <= cmd::LastPlaceTool;
        if (!extra && !tool)
            return false;
        const bool links = extra ? id == cmd::ExtraLinkTools : id - cmd::FirstLinkTool < 10;
        HidePalettes();
        toolPalette_->Open(*notation, extra ? -1 : id - cmd::FirstLinkTool, links);
        palette = toolPalette_;
    }
    if (palette == nullptr || palette->size().isEmpty())
        return false;
    // Over the button: its first cell, the button's own tool, lies where the
    // button's picture is, so a click on the button chooses that tool.
    palette->ShowOver(screenRect);
    popupButton_ = id;
    return true;
}

void CMainFrame::HidePalettes() {
    popupButton_ = -1;
    for (QWidget* palette : std::initializer_list<QWidget*>{toolPalette_, junctionPicker_,
                                                            iconPicker_, controlPicker_})
        palette->hide();
}

void CMainFrame::OnPaletteMovedOutside(QPoint global) {
    for (TToolBar* bar : {miscToolBar_, customToolBar_}) {
        QRect rect;
        const int id = bar->isVisible() ? bar->ButtonAt(global, rect) : 0;
        if (id == 0 || id == popupButton_)
            continue;
        if (!PopupPaletteFor(id, rect))
            HidePalettes();
        return;
    }
    for (PaletteWindow* palette : std::initializer_list<PaletteWindow*>{
             toolPalette_, junctionPicker_, iconPicker_, controlPicker_})
        if (palette->isVisible() && !palette->KeepsOpenAt(global))
            HidePalettes();
}

void CMainFrame::OnToolBarDropDown(int id, QPoint below) {
    CChildFrame* child = ActiveChild();
    if (child == nullptr)
        return;
    if (id == cmd::UndoButton || id == cmd::RedoButton)
        child->ShowUndoList(below, id == cmd::UndoButton);
    else if (id == cmd::LibraryDropDown)
        child->PopupLibraryMenu(below);
    else
        child->LooksCommandFamily().PopupForButton(id, below);
}

// ---- timers ----

void CMainFrame::OnAutoSaveTimer() {
    Profile& settings = app_.Env()->Settings();
    if ((settings.Options & AutoSave) == 0)
        return;
    CChildFrame* child = ActiveChild();
    if (child == nullptr)
        return;
    CCASEDoc& document = child->Document();
    if (document.IsModified() && !child->CreationInProgress()) {
        app_.RunCommand([&] {
            if (!document.GetPathName().empty()) {
                document.AutoSave();
            } else if (document.AskBeforeAutoSave()) {
                document.SetAskBeforeAutoSave(false);
                if (MessageBox("You haven't saved this project yet. Would you like to?\n(This "
                               "prompt is generated by Auto-Save; see Tools:Options)",
                               PromptIcon::Question, PromptButtons::YesNo) == PromptAnswer::Yes)
                    document.AutoSave();
            }
        });
    }
    // A changed period takes effect from here on; a period below one minute
    // would make the timer tick without pause.
    autoSaveTimer_->start(std::max(1, settings.AutosavePeriod) * 60000);
}

void CMainFrame::OnKeepAliveTimer() {
    if (repositoryLoggedIn && repositoryLoggedIn() && keepAlive)
        app_.RunCommand([this] { keepAlive(); });
}

void CMainFrame::StartKeepAlive() {
    keepAliveTimer_->start(kKeepAliveMilliseconds);
}

// ---- viewer ----

void CMainFrame::OpenWithViewer(const std::string& path) {
    Environment& environment = *app_.Env();
    const std::string extension = ExtensionOfPath(path);
    std::string key = extension;
    const ViewerEntry* viewer = environment.Settings().FindViewer(key);
    std::string question;
    if (viewer == nullptr || viewer->application.empty()) {
        question = Format("No viewer has been specified for '.%s' files!\nWould you like to use "
                          "Tools:Options to specify one?",
                          extension.c_str());
    } else if (!FileExists(viewer->application)) {
        question = Format("Application '%s' doesn't exist!\nWould you like to use Tools:Options "
                          "to nominate another viewer?",
                          viewer->application.c_str());
    } else {
        environment.startProgram({viewer->application, path});
        return;
    }
    if (MessageBox(question, PromptIcon::Question, PromptButtons::YesNo) == PromptAnswer::Yes)
        OnToolsOptions(cmd::ToolsOptions);
}

// ---- handlers ----

void CMainFrame::OnFileNew(int) {
    app_.OnFileNew();
}

void CMainFrame::OnFileOpen(int) {
    FileDialogs* dialogs = app_.Env()->Context().dialogs;
    if (dialogs == nullptr)
        return;
    const std::optional<std::string> path =
        dialogs->AskOpenFile({"pro", "*.pro", "Project Files (*.pro) | *.pro ||"});
    if (path)
        app_.OpenDocumentFile(*path);
}

void CMainFrame::OnFileSave(int) {
    if (CCASEDoc* document = app_.Env()->ActiveDocument())
        app_.Env()->Documents().SaveDocument(*document);
}

void CMainFrame::OnFileSaveAs(int) {
    if (CCASEDoc* document = app_.Env()->ActiveDocument())
        app_.Env()->Documents().SaveDocumentAs(*document);
}

void CMainFrame::OnFileClose(int) {
    if (CCASEDoc* document = app_.Env()->ActiveDocument())
        app_.Env()->Documents().CloseDocument(document);
}

void CMainFrame::OnUpdateHasDocument(int, CommandState& state) {
    state.enabled = app_.Env()->ActiveDocument() != nullptr;
}

void CMainFrame::OnFilePrintSetup(int) {
    app_.OnFilePrintSetup();
}

void CMainFrame::OnAppExit(int) {
    close();
}

void CMainFrame::OnAppAbout(int) {
    AboutDialog about(*app_.Env(), false, this);
    RunModal(about);
}

void CMainFrame::OnHelpContents(int) {
    app_.OnHelpContents();
}

void CMainFrame::OnHelpIndex(int) {
    app_.OnHelpIndex();
}

void CMainFrame::OnToolsOptions(int) {
    if (optionSheet_ == nullptr) {
        OptionSheetHooks hooks;
        hooks.reloadLibraryMenu = [this](const std::string& path) {
            if (LibraryMenu* library = Library())
                app_.RunCommand([&] { library->Load(path); });
        };
        hooks.openReferenceProject = [this](const std::string& path) {
            if (ModelLibrary* library = app_.Library(); library != nullptr && !path.empty())
                app_.RunCommand([&] { library->OpenDocumentFile(path); });
        };
        hooks.applied = [this] {
            // A new period restarts the auto-save count; the windows redraw
            // with the new grid, snap and view options.
            autoSaveTimer_->start(std::max(1, app_.Env()->Settings().AutosavePeriod) * 60000);
            for (CChildFrame* child : childFrames_) {
                child->update();
                for (QWidget* widget : child->findChildren<QWidget*>())
                    widget->update();
            }
        };
        optionSheet_ = new COptionSheet(app_.Env()->Settings(), std::move(hooks), this);
        optionSheet_->CopyFromProfile();
    }
    optionSheet_->show();
    optionSheet_->raise();
    optionSheet_->activateWindow();
}

void CMainFrame::OnToggleBar(int id) {
    TToolBar* bar = id == cmd::ViewMiscToolBar ? miscToolBar_ : customToolBar_;
    bar->setVisible(!bar->isVisible());
}

void CMainFrame::OnUpdateToggleBar(int id, CommandState& state) {
    const TToolBar* bar = id == cmd::ViewMiscToolBar ? miscToolBar_ : customToolBar_;
    state.checked = !bar->isHidden();
}

LogWindow& CMainFrame::EnsureLogWindow() {
    logWindow_->EnsurePlaced();
    return *logWindow_;
}

void CMainFrame::OnViewLogWindow(int) {
    LogWindow& window = EnsureLogWindow();
    window.Show(!window.isVisible());
}

void CMainFrame::OnUpdateViewLogWindow(int, CommandState& state) {
    state.checked = logWindow_->isVisible();
}

void CMainFrame::OnRepositoryBrowse(int) {
    app_.Repository().OnRepositoryBrowse();
}

void CMainFrame::OnRepositoryCheckIn(int) {
    CCASEDoc* document = app_.Env()->ActiveDocument();
    if (document == nullptr)
        return;
    if (document->GetPathName().empty()) {
        if (MessageBox("Before checking-in an untitled project, you must save it first.\nDo you "
                       "want to save this project now?",
                       PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes)
            return;
        app_.Env()->Documents().SaveDocumentAs(*document);
        if (document->GetPathName().empty())
            return;
    } else if (document->IsModified() &&
               MessageBox("Do you want to save your changes to this project before checking-in "
                          "(recommended)?\n(If you don't save and also do a check-out, you'll "
                          "lose your changes).",
                          PromptIcon::Question, PromptButtons::YesNo) == PromptAnswer::Yes) {
        app_.Env()->Documents().SaveDocument(*document);
    }
    app_.Repository().OnRepositoryCheckIn(document->GetPathName());
}

void CMainFrame::OnUpdateRepository(int, CommandState& state) {
    // The session logs in on first use, so a configured server enables the
    // commands before the first login.
    state.enabled =
        (repositoryLoggedIn && repositoryLoggedIn()) || !app_.Env()->Settings().RepHost.empty();
}

void CMainFrame::OnTask(int id) {
    const size_t index = static_cast<size_t>(id - cmd::FirstTask);
    CCASEDoc* document = app_.Env()->ActiveDocument();
    if (index >= taskScripts_.size() || document == nullptr)
        return;
    // The script's tree commands fill the explorer of the project's window.
    CChildFrame* child = ActiveChild();
    ScriptExplorer* explorer =
        child != nullptr && &child->Document() == document ? child->Explorer() : nullptr;
    RunTaskScript(taskScripts_[index], *document, explorer);
}

void CMainFrame::OnUpdateTask(int id, CommandState& state) {
    state.enabled = static_cast<size_t>(id - cmd::FirstTask) < taskScripts_.size() &&
                    app_.Env()->ActiveDocument() != nullptr;
}

} // namespace qm
