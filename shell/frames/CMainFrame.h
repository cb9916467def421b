// The main window: the multi-document area, the menus built from the command
// tables, the three tool bars with the zoom box, the status bar with its
// progress control, the Tasks menu, the auto-save and keep-alive timers, the
// log window and undo list, and the routing of every command along the chain.
#pragma once

#include "document/DocumentManager.h"
#include "editor/CommandTarget.h"
#include "platform/Log.h"
#include "shell/CCASEApp.h"
#include "shell/frames/CommandTable.h"
#include "shell/frames/LockKeys.h"

#include <QMainWindow>
#include <QMdiSubWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class QLabel;
class QMdiArea;
class QProgressBar;
class QTimer;

namespace qm {

class CChildFrame;
class COptionSheet;
class LibraryMenu;
class LogWindow;
class PickerPalette;
class ToolPalette;
class TToolBar;
class UndoListDialog;
class ZoomComboBox;

// The task scripts of a folder ("*.vxs"), full paths by name.
std::vector<std::string> ListTaskScripts(const std::string& taskFolder);

// The main window on a first run: nine tenths of the room in each direction,
// centred in it.
QRect FirstRunGeometry(const QRect& room);

class CMainFrame : public QMainWindow, public MainFrame, public CommandTarget {
  public:
    // The repository keep-alive period.
    static constexpr int kKeepAliveMilliseconds = 600000;

    explicit CMainFrame(CCASEApp& app);
    ~CMainFrame() override;

    // ---- MainFrame ----
    void ShowFrame(bool restorePlacement) override;
    DocumentFrame* AttachDocument(CCASEDoc& document) override;
    void DetachDocument(CCASEDoc& document) override;
    bool CloseFrame() override;
    bool AskPageSetup(PageSetup& setup) override;
    // The page margins (thousandths of an inch: left, top, right, bottom)
    // an accepted page set-up chose, which printing keeps; null before one.
    // The settings keep them between runs.
    const std::array<int32_t, 4>* PageMargins() const;

    // ---- the chain ----
    // Runs a command along the chain: origin first when given (the pane whose
    // pop-up menu, click or key raised it), then child (null: the active
    // one), its active pane, the child's rows for a pane that passed (the
    // diagram view's Properties and Select All), then this frame with the
    // document's and the application's rows. False when nobody takes it.
    bool RouteCommand(int id) override { return RouteCommand(id, nullptr, nullptr); }
    bool RouteCommand(int id, CommandTarget* origin, CChildFrame* child);
    // The state of a command by the same walk (disabled when nobody takes it).
    CommandState RouteUpdate(int id, CommandTarget* origin = nullptr, CChildFrame* child = nullptr);
    const CommandRouting& Routing() const { return routing_; }
    // Brings the tool bars' buttons up to date (done on idle, too).
    void UpdateToolBars();
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;
    static std::span<const CommandRow<CMainFrame>> CommandTable();

    // ---- children ----
    CChildFrame* ActiveChild() const;
    // The window of document, or null.
    CChildFrame* ChildOf(const CCASEDoc* document) const;
    void AddChildFrame(CChildFrame* child);
    void RemoveChildFrame(CChildFrame* child);
    const std::vector<CChildFrame*>& ChildFrames() const { return childFrames_; }
    // Closes the windows of the project at path (no regard to case), first
    // marking it unmodified when discard is set.
    void CloseProjectWindows(const std::string& path, bool discard);
    // Stores whether child (null: the active one) is maximised in the settings.
    void StoreChildState(CChildFrame* child);

    // ---- bars ----
    TToolBar* MainToolBar() const { return mainToolBar_; }
    TToolBar* MiscToolBar() const { return miscToolBar_; }
    TToolBar* CustomToolBar() const { return customToolBar_; }
    // The workspace that holds the project windows.
    QMdiArea* Area() const { return area_; }
    ZoomComboBox* ZoomBox() const { return zoomBox_; }
    void ShowToolBar();
    void BeginProgress(int range);
    void SetProgressPos(int position);
    void EndProgress(const std::string& text);
    void SetStatusText(const std::string& text);
    // The CAP, NUM and SCRL panes follow the lock keys: a pane shows its text
    // while its key is on and is blank otherwise. Run when idle.
    void UpdateIndicators();
    QLabel* Indicator(size_t index) const { return indicators_.at(index); }
    // Where the lock keys' states come from (the window system; tests put
    // their own).
    std::function<bool(LockKeys&)> lockKeys = QueryLockKeys;
    QProgressBar* Progress() const { return progress_; }

    // ---- windows ----
    LogWindow* Log() const { return logWindow_.get(); }
    UndoListDialog* UndoList() const { return undoList_; }
    // The palettes that drop from the tool bars' buttons.
    ToolPalette* Tools() const { return toolPalette_; }
    PickerPalette* JunctionPicker() const { return junctionPicker_; }
    PickerPalette* IconPicker() const { return iconPicker_; }
    PickerPalette* ControlPicker() const { return controlPicker_; }
    // Opens the palette of a tool-bar button under the mouse (the junction
    // and icon buttons, the template's tool buttons) over the button's
    // rectangle; true when one opened or the button's palette is showing.
    bool PopupPaletteFor(int id, QRect screenRect);
    // Hides every palette.
    void HidePalettes();
    // The command of the button whose palette is showing; -1 when none.
    int PopupButton() const { return popupButton_; }
    // The tool-bar drop-down arrows: the undo and redo lists and the library
    // menu (the colour menus come with their own parts).
    void OnToolBarDropDown(int id, QPoint below);
    // The mouse left the showing palette's cells at a global point: another
    // button there opens its palette; away from the palette and its button
    // the palettes close.
    void OnPaletteMovedOutside(QPoint global);
    // The application's library menu; null before start-up made it.
    LibraryMenu* Library() const { return app_.SymbolLibrary(); }

    // ---- timers ----
    // The auto-save tick (timer 1).
    void OnAutoSaveTimer();
    // The keep-alive tick (timer 2): calls keepAlive while loggedIn says so.
    void OnKeepAliveTimer();
    // Starts the keep-alive timer (the repository session does, on login).
    void StartKeepAlive();
    std::function<bool()> repositoryLoggedIn;
    std::function<void()> keepAlive;
    QTimer* AutoSaveTimer() const { return autoSaveTimer_; }
    // The options sheet, made by the first Options command and kept.
    COptionSheet* OptionSheet() const { return optionSheet_; }

    // ---- tasks ----
    const std::vector<std::string>& TaskScripts() const { return taskScripts_; }
    // Re-reads the task folder into the Tasks menu.
    void FillTasksMenu();
    // The recent files above Exit in the File menu ("&1 path" to "&4 path"),
    // made again each time the menu opens.
    void FillRecentFiles();

    // The viewer rule for a file that no program opens: the settings' viewer
    // of its extension, else a question that leads to Tools/Options.
    void OpenWithViewer(const std::string& path);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    friend struct MainFrameTable;
    void BuildMenus();
    void InstallTemplateIconHooks();
    void BuildBars();
    // Command handlers and update rules of the table.
    void OnFileNew(int);
    void OnFileOpen(int);
    void OnFileSave(int);
    void OnFileSaveAs(int);
    void OnFileClose(int);
    void OnUpdateHasDocument(int, CommandState& state);
    void OnFilePrintSetup(int);
    void OnAppExit(int);
    void OnAppAbout(int);
    void OnHelpContents(int);
    void OnHelpIndex(int);
    void OnToolsOptions(int);
    void OnToggleBar(int id);
    void OnUpdateToggleBar(int id, CommandState& state);
    void OnViewLogWindow(int);
    void OnUpdateViewLogWindow(int, CommandState& state);
    void OnRepositoryBrowse(int);
    void OnRepositoryCheckIn(int);
    void OnUpdateRepository(int, CommandState& state);
    void OnTask(int id);
    void OnUpdateTask(int id, CommandState& state);
    LogWindow& EnsureLogWindow();
    // Asks the targets of the chain in turn until one answers true.
    bool WalkChain(CommandTarget* origin, CChildFrame* child,
                   const std::function<bool(CommandTarget&)>& ask);

    CCASEApp& app_;
    std::unique_ptr<class WindowFileDialogs> dialogs_;
    CommandRouting routing_;
    QMdiArea* area_ = nullptr;
    QPointer<QMdiSubWindow> lastActive_;
    std::vector<CChildFrame*> childFrames_;
    // Windows of closed documents waiting for their deferred deletion; any
    // still waiting go before this frame, which they refer to.
    std::vector<QPointer<CChildFrame>> detachedChildren_;
    TToolBar* mainToolBar_ = nullptr;
    TToolBar* miscToolBar_ = nullptr;
    TToolBar* customToolBar_ = nullptr;
    ZoomComboBox* zoomBox_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* messagePane_ = nullptr;
    static constexpr const char* kIndicatorTexts[] = {"CAP", "NUM", "SCRL"};
    std::array<QLabel*, 3> indicators_{};
    QTimer* autoSaveTimer_ = nullptr;
    QTimer* keepAliveTimer_ = nullptr;
    QTimer* idleTimer_ = nullptr;
    COptionSheet* optionSheet_ = nullptr;
    std::unique_ptr<LogWindow> logWindow_;
    std::unique_ptr<ScopedLogSink> logInstall_;
    UndoListDialog* undoList_ = nullptr;
    ToolPalette* toolPalette_ = nullptr;
    PickerPalette* junctionPicker_ = nullptr;
    PickerPalette* iconPicker_ = nullptr;
    PickerPalette* controlPicker_ = nullptr;
    int popupButton_ = -1;
    // The button whose palette just chose a tool, until the mouse leaves it.
    int restingButton_ = -1;
    QMenu* tasksMenu_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    std::vector<std::string> taskScripts_;
};

} // namespace qm
