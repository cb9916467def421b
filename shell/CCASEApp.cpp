#include "shell/CCASEApp.h"

#include "document/CCASEDoc.h"
#include "document/ModelLibrary.h"
#include "drawables/Model.h"
#include "kernel/Kernel.h"
#include "platform/Errors.h"
#include "platform/Format.h"
#include "platform/Log.h"
#include "platform/PagedDevice.h"
#include "platform/PathHelpers.h"
#include "platform/Prompt.h"
#include "platform/TextHelpers.h"
#include "repository/RepositorySession.h"
#include "reverse/DocumentReverseProject.h"
#include "reverse/ReverseDriver.h"
#include "scripting/ScriptOptions.h"
#include "scripting/ScriptRunners.h"
#include "shell/RepositorySession.h"
#include "shell/bars/LibraryMenu.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <new>

namespace qm {

namespace {
CCASEApp* theApp = nullptr;

// The message of a framework exception, at most 255 characters.
std::string ExceptionMessage(const CException& error) {
    char buffer[256];
    error.GetErrorMessage(buffer, sizeof buffer);
    return buffer;
}
} // namespace

std::string StartupFailureText(std::exception_ptr error) {
    std::string message = "unknown error";
    try {
        std::rethrow_exception(error);
    } catch (const CException& e) {
        message = ExceptionMessage(e);
    } catch (const std::string& text) {
        message = text;
    } catch (const char* text) {
        message = text != nullptr ? text : "";
    } catch (...) {
    }
    return "Failed to initialize Quillmark: " + message + "\nApplication will abort!";
}

CCASEApp::CCASEApp(FrameFactory makeFrame) : makeFrame_(std::move(makeFrame)) {
    theApp = this;
}

CCASEApp::~CCASEApp() {
    // The repository browser shows items of the session: both go first.
    repository_.reset();
    // The library's and the other documents (closed with the environment)
    // go before their windows.
    modelLibrary_.reset();
    libraryMenu_.reset();
    environment_.reset();
    mainFrame_.reset();
    if (theApp == this)
        theApp = nullptr;
}

CCASEApp* CCASEApp::Current() {
    return theApp;
}

bool CCASEApp::InitInstance(const std::vector<std::string>& arguments) {
    try {
        StartUp(arguments);
    } catch (const CommandLineExit& exit) {
        exitCode_ = exit.Code();
        return false;
    } catch (...) {
        MessageBox(StartupFailureText(std::current_exception()), PromptIcon::Stop);
        exitCode_ = 1;
        return false;
    }
    return !finished_;
}

void CCASEApp::StartUp(const std::vector<std::string>& arguments) {
    // The environment: the kernel, the settings, the fonts.
    environment_ = std::make_unique<Environment>();

    // The command line.
    commandLine_ = std::make_unique<BatchCommandLineInfo>(environment_->Settings());
    commandLine_->ParseCommandLine(arguments);
    // A batch run reads the user's settings but writes none of them.
    if (commandLine_->batch)
        environment_->Documents().storeRecentFiles = false;

    // The main window, and the child window of every document made from now on.
    if (makeFrame_) {
        mainFrame_ = makeFrame_(*this);
        if (mainFrame_ == nullptr) {
            finished_ = true;
            exitCode_ = 1;
            return;
        }
        environment_->Documents().attachWindow = [this](CCASEDoc& document) {
            return mainFrame_->AttachDocument(document);
        };
        environment_->Documents().detachWindow = [this](CCASEDoc& document) {
            mainFrame_->DetachDocument(document);
        };
    }
    const std::string extension = ExtensionOfPath(commandLine_->fileName);
    if (mainFrame_ != nullptr && !commandLine_->exitWhenDone)
        mainFrame_->ShowFrame(environment_->Settings().WinPos.length != 0);

    // The model library, with the reference project of the settings read
    // into it; the open documents' library lists follow it.
    modelLibrary_ = std::make_unique<ModelLibrary>(environment_->Context());
    modelLibrary_->updateLibraryPanes = [this](bool fill) {
        for (const auto& document : environment_->Documents().Documents())
            document->UpdateLibraryPane(fill);
    };
    const std::string& referenceProject = environment_->Settings().DefaultRefProj;
    // A reference project that cannot be read is shown and left out: the
    // application still starts, so that the setting can be changed.
    if (!referenceProject.empty())
        RunCommand([&] { modelLibrary_->OpenDocumentFile(referenceProject); });
    // The library menu, with the symbols of the settings' library; its
    // entries run along the main window's chain.
    if (mainFrame_ != nullptr) {
        libraryMenu_ = std::make_unique<LibraryMenu>(environment_->Context(),
                                                     environment_->Settings().DefaultLibrary);
        libraryMenu_->onCommand = [this](int id) { mainFrame_->RouteCommand(id); };
    }

    if (commandLine_->batch) {
        if (RunBatch(*commandLine_, *this)) {
            finished_ = true;
            exitCode_ = 0;
        }
        return;
    }

    // The opening rules.
    const bool templateNamed = extension == "not";
    bool fileNamed = false;
    if (templateNamed) {
        environment_->newProjectTemplate = commandLine_->fileName;
    } else {
        fileNamed = !commandLine_->shellFileName.empty();
        if (fileNamed) {
            CCASEDoc* document = OpenDocumentFile(commandLine_->shellFileName);
            // A project that cannot be read has shown its error; the
            // application stays open as after File/Open of the same file.
            // Only printing it (which ends the run) fails the start.
            if (document == nullptr) {
                if (commandLine_->shellCommand == ShellCommand::FilePrint) {
                    finished_ = true;
                    exitCode_ = 1;
                }
                return;
            }
            // The print shell command prints the project and ends the run.
            if (commandLine_->shellCommand == ShellCommand::FilePrint) {
                finished_ = true;
                exitCode_ = 1;
                RunCommand([&] {
                    PrintDocument(*document);
                    exitCode_ = 0;
                });
                return;
            }
        } else {
            OnFileNew(); // not yet armed: arms File New only
        }
    }
    const std::string& defaultProject = environment_->Settings().DefaultProject;
    if (!templateNamed && !fileNamed && !defaultProject.empty() &&
        OpenDocumentFile(defaultProject) != nullptr)
        return;
    if (fileNamed)
        return;
    if (templateNamed)
        environment_->fileNewArmed = 1;
    environment_->startupProject = fileNamed ? 0 : 1;
    OnFileNew();
    // Only the start-up's own new project takes the default template without
    // asking; every later File New shows the template choice.
    environment_->startupProject = 0;
}

int CCASEApp::ExitInstance() {
    if (environment_ != nullptr && !(commandLine_ != nullptr && commandLine_->batch))
        environment_->Settings().ExchangeWithRegistry(true);
    // A logout the server does not answer is shown; the exit goes on.
    RunCommand([this] { LogoutRepository(); });
    return exitCode_;
}

void CCASEApp::EndBatchRunNow(int code) {
    if (environment_ != nullptr) {
        for (const std::unique_ptr<CCASEDoc>& document : environment_->Documents().Documents())
            document->OnCloseDocument();
    }
    if (modelLibrary_ != nullptr && modelLibrary_->Document() != nullptr)
        modelLibrary_->Document()->OnCloseDocument();
    try {
        kest::flushstdchans();
    } catch (...) {
        // A standard channel that cannot be written changes nothing now.
    }
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(code);
}

AppRepositorySession& CCASEApp::Repository() {
    if (repository_ == nullptr)
        repository_ = std::make_unique<AppRepositorySession>(*this);
    return *repository_;
}

void CCASEApp::LogoutRepository() {
    if (repositorySession != nullptr && repositorySession->SessionId() != 0)
        repositorySession->Logout();
}

CCASEDoc* CCASEApp::OpenDocumentFile(const std::string& path) {
    return environment_->OpenDocumentFile(path);
}

CCASEDoc* CCASEApp::OnFileNew() {
    return environment_->OnFileNew();
}

void CCASEApp::OnFilePrintSetup() {
    if (mainFrame_ == nullptr)
        return;
    Profile& settings = environment_->Settings();
    PageSetup setup = settings.PageSetup;
    if (!mainFrame_->AskPageSetup(setup))
        return;
    // The paper size is applied (and compared) against the settings' own.
    const int32_t width = setup.PaperWidth;
    const int32_t height = setup.PaperHeight;
    setup.PaperWidth = settings.PageSetup.PaperWidth;
    setup.PaperHeight = settings.PageSetup.PaperHeight;
    settings.PageSetup = setup;
    environment_->ApplyPageSize(width, height, false);
}

std::string PrintFilePath(const CCASEDoc& document) {
    const std::string& path = document.GetPathName();
    if (path.empty())
        return "Untitled.pdf";
    return RemoveExtension(path) + ".pdf";
}

int CCASEApp::PrintDocument(CCASEDoc& document) {
    // A project shown in no window prints the model a window would show first.
    if (document.CurrentModel() == nullptr && document.ModelCount() > 0)
        document.SetCurrentModel(document.GetModelAt(0));
    const std::string path = PrintFilePath(document);
    // The PDF's pages are the paper of the printer set-up.
    const PageSetup& setup = environment_->Settings().PageSetup;
    PdfPagedDevice device(path, 300, setup.PaperWidth, setup.PaperHeight);
    ReportOperationFailure(device.IsOpen(), "bad dc handle");
    const int pages = document.Print(&device, setup.PrintOptions, 100);
    device.Finish();
    Log().Append(Format("Printed %d page(s) to %s\n", pages, path.c_str()));
    return pages;
}

void CCASEApp::OnHelpContents() {
    environment_->ShowHelpTopic("Contents.html");
}

void CCASEApp::OnHelpIndex() {
    environment_->ShowHelpTopic("Index.html");
}

PromptAnswer CCASEApp::ProcessWndProcException(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        const PromptAnswer answer = Prompts().Ask(
            "Quillmark is out of memory!\nPlease select RETRY, save your work, and quit.",
            PromptIcon::Exclamation, PromptButtons::AbortRetryIgnore, PromptAnswer::Retry);
        if (answer == PromptAnswer::Abort)
            throw CommandLineExit(1);
        return answer;
    } catch (const CKestException& e) {
        kest::resetstacks();
        return ShowCommandFailure(e.Message());
    } catch (const CIgnoreException&) {
        kest::resetstacks();
        return PromptAnswer::Ok;
    } catch (const std::exception& e) {
        return ShowCommandFailure(e.what());
    } catch (...) {
        return PromptAnswer::Ok;
    }
}

// ---- the batch run ----

namespace {

// Sets a script option from the command line: TRUE and FALSE switch it on
// and off; a choice option takes one of its alternatives (any other value is
// refused before the script runs, since the script could not honour it); a
// text option takes the value.
void SetBatchScriptOption(ScriptOptionList& options, const NameValuePair& pair) {
    std::string name = pair.name;
    ScriptOption* option = FindScriptOption(options, name);
    if (option == nullptr)
        CommandLineError("Invalid script option name", ": ", pair.name);
    if (EqualNoCase(pair.value, "true")) {
        option->checked = 1;
        return;
    }
    if (EqualNoCase(pair.value, "false")) {
        option->checked = 0;
        return;
    }
    option->checked = 1;
    if (option->kind != OptionChoice) {
        option->value = pair.value;
        return;
    }
    for (int index = 0;; ++index) {
        const std::string alternative = option->GetChoice(index);
        if (alternative.empty())
            break;
        if (EqualNoCase(alternative, pair.value)) {
            option->choice = static_cast<int16_t>(index);
            return;
        }
    }
    CommandLineError("Invalid script option value", ": ", pair.name + "=" + pair.value);
}

// A reverse-engineering run builds into the model named on the command line,
// else into the current one (the first model when no window chose one); a
// name the project does not have, or a project without models, would build
// nothing and is refused.
void CheckReverseTarget(CCASEDoc& document, const std::string& modelName) {
    if (!modelName.empty()) {
        if (document.FindModelByName(modelName) == nullptr)
            CommandLineError("No model of this name in the project", ": ", modelName);
        return;
    }
    if (document.CurrentModel() == nullptr && document.ModelCount() > 0)
        document.SetCurrentModel(document.GetModelAt(0));
    if (document.CurrentModel() == nullptr)
        CommandLineError("The project has no model to reverse-engineer into", "", "");
}

// A generation task runs for the scope the project stores unless -scope
// names another. Selected objects and the current model need a diagram shown
// in a window, which a batch run does not have: the script would find
// nothing to write and the run would look like success, so it does not start.
void CheckGenerationScope(CCASEDoc& document, int task) {
    if (task < 0 || task > 2)
        return;
    const uint32_t flags = document.Profile().flags;
    Model* current = document.CurrentModel();
    const char* scope = nullptr;
    if ((flags & 1u) != 0) {
        if (current == nullptr || current->Selection().empty())
            scope = "Select Objects";
    } else if ((flags & 2u) != 0 && current == nullptr) {
        scope = "Current Model";
    }
    if (scope != nullptr)
        CommandLineError("Scope not available in a batch run (use -scope=\"All Models\")", ": ",
                         scope);
}

// Every source file of the add list opens for reading; one that does not
// would be left out of the run, so the run does not start.
void CheckSourcesReadable(kest::Cell* files) {
    for (kest::Cell* item = files; kest::ispair(item); item = kest::cdr(item)) {
        kest::Cell* file = kest::car(item);
        if (file == nullptr || file->type != kest::TString)
            continue;
        const std::string path(file->a.str != nullptr ? file->a.str : "");
        if (!std::ifstream(path, std::ios::binary))
            CommandLineError("can't open file", ": ", path);
    }
}

bool RunBatchSteps(BatchCommandLineInfo& commandLine, CCASEApp& app) {
    Environment& environment = *app.Env();
    const Profile& settings = environment.Settings();
    if (!commandLine.fileName.empty()) {
        if (app.OpenDocumentFile(commandLine.fileName) == nullptr)
            CommandLineError("can't open project", ": ", commandLine.fileName);
    } else if (!commandLine.newTemplate.empty()) {
        environment.newProjectTemplate =
            CommandLineTemplatePath(settings.NotationFolder, commandLine.newTemplate);
        environment.fileNewArmed = 1;
        environment.startupProject = 1;
        app.OnFileNew();
    }
    CCASEDoc* document = environment.ActiveDocument();
    size_t reverseErrorFiles = 0;
    // Without a project every later step would work on nothing.
    if (document == nullptr)
        CommandLineError("no project is open", "", "");

    if (!commandLine.script.empty()) {
        const std::string script = ScriptFilePath(settings.ScriptFolder, commandLine.script);
        // The kind is the folder the script is in.
        const std::string kind = FileNameOfPath(DirectoryOfPath(script));
        ScriptOptionList options;
        ReadScriptOptions(script, options);
        PersistScriptOptions(kGenOptionsKey, options, false);
        for (const NameValuePair& pair : commandLine.scriptOptions)
            SetBatchScriptOption(options, pair);
        if (!commandLine.scope.empty()) {
            uint32_t& flags = document->Profile().flags;
            flags &= ~7u;
            flags |= EqualNoCase(commandLine.scope, "Select Objects")  ? 1u
                     : EqualNoCase(commandLine.scope, "Current Model") ? 2u
                                                                       : 4u;
        }
        bool ran = true;
        if (EqualNoCase(kind, "RevEng")) {
            if (commandLine.addFile.empty())
                CommandLineError("Need -add=addFiles.txt", "", "");
            CheckReverseTarget(*document, commandLine.revModel);
            ran = RunReverseScript(ReadAddFile(commandLine.addFile), script, options,
                                   commandLine.revModel, *document, nullptr);
        } else if (EqualNoCase(kind, "Task")) {
            ran = RunTaskScript(script, *document);
        } else {
            const int task = ScriptTaskKindOfFolder(kind);
            CheckGenerationScope(*document, task);
            // Without -folder the run writes where the task dialog would: the
            // project's target folder for the task, else the default one.
            std::string folder = commandLine.folder;
            if (folder.empty()) {
                const TaskSettings stored = GenerationSettings(*document, task);
                folder = stored.targetFolder != nullptr && !stored.targetFolder->empty()
                             ? *stored.targetFolder
                             : DefaultTargetFolder(*document);
            }
            ran = WriteGeneratedOutput(task, script, folder, commandLine.file, options, *document,
                                       nullptr, true);
        }
        // The script's error is in the log, which went to standard error; the
        // run ends there with a failure, before anything is saved, so that a
        // build server sees it and the project file stays as it was.
        if (!ran)
            throw CommandLineExit(1);
    } else if (!commandLine.revLanguage.empty()) {
        if (commandLine.addFile.empty())
            CommandLineError("Need -add=addFiles.txt", "", "");
        kest::Cell* files = ReadAddFile(commandLine.addFile);
        CheckReverseTarget(*document, commandLine.revModel);
        CheckSourcesReadable(files);
        DocumentReverseProject project(*document);
        reverseErrorFiles =
            ReverseEngineerFiles(project, commandLine.revLanguage, commandLine.revModel, nullptr,
                                 files, &commandLine.scriptOptions);
    }

    if (commandLine.print)
        app.PrintDocument(*document);

    if (commandLine.save) {
        if (!commandLine.saveAs.empty())
            document->SaveToFile(commandLine.saveAs);
        else if (!document->OnFileSave())
            CommandLineError("can't save project", ": ", document->GetPathName());
    }
    // What the sources gave is saved; the run still fails, so that a build
    // server sees the error lines the log wrote to standard error.
    if (reverseErrorFiles > 0) {
        std::fprintf(stderr, "Reverse engineering: %zu file%s with errors\n", reverseErrorFiles,
                     reverseErrorFiles == 1 ? "" : "s");
        app.LogoutRepository();
        throw CommandLineExit(1);
    }
    if (commandLine.exitWhenDone) {
        app.LogoutRepository();
        return true;
    }
    return false;
}

} // namespace

bool RunBatch(BatchCommandLineInfo& commandLine, CCASEApp& app) {
    try {
        return RunBatchSteps(commandLine, app);
    } catch (const CommandLineExit&) {
        throw;
    } catch (const CException& e) {
        CommandLineError(ExceptionMessage(e), "", "");
    } catch (...) {
        CommandLineError("Quillmark Batch run failed", "", "");
    }
}

} // namespace qm
