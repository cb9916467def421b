// The application object: the start-up sequence, the batch run, the
// application's commands, the last-resort exception handler and the exit.
#pragma once

#include "platform/Prompt.h"
#include "shell/CommandLine.h"
#include "shell/Environment.h"

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class CCASEDoc;
class LibraryMenu;
class ModelLibrary;
class AppRepositorySession;
class PageSetup;
class RepositorySession;

// The main window as start-up and the batch run see it. The windowed
// application makes a real one; tests and runs without windows make none.
class MainFrame {
  public:
    virtual ~MainFrame() = default;
    // Shows the window (restoring the saved placement when there is one).
    virtual void ShowFrame(bool restorePlacement) = 0;
    // Gives a new or opened document its child window.
    virtual DocumentFrame* AttachDocument(CCASEDoc& document) = 0;
    virtual void DetachDocument(CCASEDoc& document) = 0;
    // The main frame's closing: asks about templates and documents; true
    // when the application may end.
    virtual bool CloseFrame() = 0;
    // The page set-up dialog, loaded with setup (thousandths of an inch);
    // true with setup changed on OK, false when cancelled.
    virtual bool AskPageSetup(PageSetup& setup) = 0;
    // Runs a command along the chain of the active window; false when
    // nobody takes it.
    virtual bool RouteCommand(int /*id*/) { return false; }
};

class CCASEApp {
  public:
    // A factory of the main window (null: the application runs without one).
    using FrameFactory = std::function<std::unique_ptr<MainFrame>(CCASEApp&)>;

    explicit CCASEApp(FrameFactory makeFrame = nullptr);
    ~CCASEApp();
    CCASEApp(const CCASEApp&) = delete;
    CCASEApp& operator=(const CCASEApp&) = delete;

    static CCASEApp* Current();

    // The start-up sequence. False when the application is to end at once,
    // with ExitCode() telling how (0 after a batch run that exits, 1 after
    // an error).
    bool InitInstance(const std::vector<std::string>& arguments);
    // Saves the settings and logs out of the repository; returns the exit code.
    int ExitInstance();
    int ExitCode() const { return exitCode_; }
    // Ends a batch run that is done (after ExitInstance) at once, with that
    // exit code: the open documents are closed, which removes their journal
    // files, and what the scripts' standard channels and the C library hold
    // back is written out. The project, the templates and the application
    // are not taken apart piece by piece: that is memory, and the system
    // takes it back faster than a large project gives it up.
    [[noreturn]] void EndBatchRunNow(int code);

    // Logs out of the repository when the session is logged in (has a
    // session id); otherwise does nothing.
    virtual void LogoutRepository();

    // The repository session, once one is made (by the repository's login).
    RepositorySession* repositorySession = nullptr;
    // The application's repository session and browser, made on first use.
    AppRepositorySession& Repository();

    CCASEDoc* OpenDocumentFile(const std::string& path);
    // File New with its arming.
    CCASEDoc* OnFileNew();
    // Print Setup: the page set-up dialog with the settings' printer set-up;
    // on OK it is stored back and the paper size applied to every document.
    void OnFilePrintSetup();
    // Prints the document with the settings' print options into a PDF file
    // beside it (PrintFilePath); returns the pages printed. Failures are thrown.
    int PrintDocument(CCASEDoc& document);
    // Help Contents and Help Index.
    void OnHelpContents();
    void OnHelpIndex();

    // The last-resort handler of a command that let an exception escape:
    // "Command failed due to an error:\n<message>" for a kernel error,
    // nothing for an error already shown, the out-of-memory question for a
    // failed allocation. Returns the box's answer.
    PromptAnswer ProcessWndProcException(std::exception_ptr error);
    // Runs a command under that handler.
    template <class F> void RunCommand(F&& command) {
        try {
            command();
        } catch (const CommandLineExit&) {
            throw;
        } catch (...) {
            ProcessWndProcException(std::current_exception());
        }
    }

    Environment* Env() { return environment_.get(); }
    BatchCommandLineInfo* CommandLine() { return commandLine_.get(); }
    MainFrame* Frame() { return mainFrame_.get(); }
    // The model library, made at start-up with the reference project of the
    // settings (when they name one) read into it.
    ModelLibrary* Library() { return modelLibrary_.get(); }
    // The library menu of symbols, made at start-up with the settings'
    // library when the application has a main window; null otherwise.
    LibraryMenu* SymbolLibrary() { return libraryMenu_.get(); }

  private:
    void StartUp(const std::vector<std::string>& arguments);

    FrameFactory makeFrame_;
    std::unique_ptr<Environment> environment_;
    std::unique_ptr<BatchCommandLineInfo> commandLine_;
    std::unique_ptr<MainFrame> mainFrame_;
    std::unique_ptr<ModelLibrary> modelLibrary_;
    std::unique_ptr<LibraryMenu> libraryMenu_;
    std::unique_ptr<AppRepositorySession> repository_;
    int exitCode_ = 0;
    bool finished_ = false;
};

// The batch run of the command line: open or make the project, run the
// script or reverse-engineer the files, save. True when the process is to
// end (the option exit), false when the application goes on running.
// Command-line problems end with CommandLineExit.
bool RunBatch(BatchCommandLineInfo& commandLine, CCASEApp& app);

// Where a project prints to: its path with the extension "pdf", or
// "Untitled.pdf" in the current folder for a project never saved.
std::string PrintFilePath(const CCASEDoc& document);

// The text of "Failed to initialize Quillmark: %s\nApplication will abort!".
std::string StartupFailureText(std::exception_ptr error);

} // namespace qm
