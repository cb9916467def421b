#include "scripting/ScriptRunners.h"

#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "drawables/Model.h"
#include "kernel/Kernel.h"
#include "kernel/builtins/Builtins.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/PathHelpers.h"
#include "platform/Prompt.h"
#include "platform/TextHelpers.h"
#include "scripting/LineMerge.h"
#include "scripting/References.h"
#include "scripting/RunContext.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

namespace qm {

namespace {

// Option bit of the settings: show the log window while scripts run.
constexpr uint32_t kShowLogForScripts = 0x10;

// The run from its mark to its clean-up: savemark, literal nil, the run
// context with a new log channel; on every way out the log channel is
// cleared and the channels, symbols and cells of the run are released.
// What the run changed in the project goes to its observers once, when the
// run has ended.
class KernelRun {
  public:
    KernelRun(CCASEDoc& document, ScriptExplorer* explorer) : events_(document.Events()) {
        kest::savemark();
        kest::Symbol* literal = kest::intern("literal");
        literal->value() = kest::nil;
        context_.project = &document;
        context_.explorer = explorer;
    }
    ~KernelRun() {
        if (progress_ != nullptr)
            progress_->End();
        // What the script printed on standard output without ending its
        // line is written out, so that a batch run shows all of it.
        kest::flushpending(kest::stdchans.out);
        kest::flushpending(kest::stdchans.err);
        RunContext().log = nullptr;
        kest::closeallchans();
        kest::purgesymbols();
        kest::restoremark();
        // The script's literal setting does not carry over to what runs next.
        kest::intern("literal")->value() = kest::nil;
        // No cell of the run is left: its references start over.
        References().Reset();
    }
    KernelRun(const KernelRun&) = delete;
    KernelRun& operator=(const KernelRun&) = delete;

    // The run's target folder, before Begin.
    void SetTargetFolder(const std::string& folder) { context_.targetFolder = folder; }

    // Sets the run context and shows and clears the log window.
    void Begin(bool debug) {
        context_.debug = debug;
        context_.log = kest::mkbufchan(128, kest::ChanWrite, nullptr, true);
        scoped_.emplace(context_);
        if (debug)
            kest::resetbufchan(context_.log);
        const Profile* settings = context_.project->Context().profile;
        // The run's cells may take what the settings allow.
        const int32_t megabytes = settings != nullptr ? settings->ScriptMemory : 0;
        kest::setheaplimit(megabytes > 0 ? static_cast<size_t>(megabytes) << 20 : 0);
        if (debug || (settings != nullptr && (settings->Options & kShowLogForScripts) != 0))
            Log().Show(true);
        Log().Clear();
        progress_ = InstalledScriptProgress();
        if (progress_ != nullptr)
            progress_->Begin(static_cast<int>(context_.project->Masters().Masters().size()));
    }

    // Loads the script's definitions and evaluates form with errors caught.
    // True when the form ran to its end; a script error in it (reported in
    // the log with its stack) gives false.
    bool Run(const std::string& scriptPath, kest::Cell* form) {
        kest::Cell* name = kest::mkstr(scriptPath.c_str(), scriptPath.size());
        kest::loadfile(kest::intern("load"), name, context_.debug);
        return kest::capeval(form, kest::nil) != kest::nil;
    }

  private:
    DocumentEvents::Batch events_;
    ScriptRunContext context_;
    std::optional<ScopedRunContext> scoped_;
    ScriptProgress* progress_ = nullptr; // the progress begun, ended with the run
};

// The script's flag option AllowDebugging, bound as $AllowDebugging.
bool DebugRequested() {
    kest::Symbol* flag = kest::findsym("$AllowDebugging");
    return flag != nullptr && flag->kind() == kest::KVariable && flag->value() != kest::nil;
}

kest::Cell* Str(const std::string& text) {
    return kest::mkstr(text.c_str(), text.size());
}

} // namespace

int ScriptTaskKindOfFolder(const std::string& folder) {
    static const char* const kinds[] = {"CodeGen", "DocGen", "Other", "Import", "Export"};
    for (int i = 0; i < 5; ++i)
        if (EqualNoCase(folder, kinds[i]))
            return i;
    return -1;
}

std::string FindSubfolderNoCase(const std::string& folder, const std::string& name) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (folder.empty())
        return "";
    const std::string exact = JoinPath(folder, name);
    if (fs::is_directory(exact, error))
        return exact;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.is_directory(error) && EqualNoCase(entry.path().filename().string(), name))
            return entry.path().string();
    return "";
}

std::vector<std::string> ListScriptFiles(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code error;
    if (folder.empty())
        return names;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file(error) && name.size() > 4 &&
            EqualNoCase(name.substr(name.size() - 4), ".vxs"))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ScriptFilePath(const std::string& scriptFolder, const std::string& name) {
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (!path.empty() && path.front() == '/')
        return path;
    return JoinPath(scriptFolder, path);
}

std::string ScriptProjectName(const CCASEDoc& document) {
    std::string name = FileNameOfPath(document.GetPathName());
    if (name.empty())
        return "Untitled";
    const size_t point = name.find('.', 1);
    if (point != std::string::npos)
        name.resize(point);
    return name;
}

TaskSettings GenerationSettings(CCASEDoc& document, int task) {
    if (task < 0 || task >= ProjectProfile::kStringCount)
        return {};
    ProjectProfile& profile = document.Profile();
    return {&profile.stringsA[task], &profile.stringsB[task], &profile.stringsC[task]};
}

std::string DefaultTargetFolder(const CCASEDoc& document) {
    if (!document.GetPathName().empty())
        return DirectoryOfPath(document.GetPathName());
    std::error_code ec;
    const std::string current = std::filesystem::current_path(ec).string();
    const std::string generated = JoinPath(current, "Generated");
    return IsDirectory(generated) ? generated : current;
}

ScriptOptionList& TaskScriptOptions() {
    static ScriptOptionList options;
    return options;
}

void RunGenerationTask(int task, const std::string& scriptPath, const ScriptDialog& dialog,
                       ScriptExplorer* explorer) {
    CCASEDoc& document = dialog.Document();
    const TaskSettings settings = GenerationSettings(document, task);
    const std::string target = settings.targetFolder != nullptr ? *settings.targetFolder : "";
    const std::string extra = settings.targetFile != nullptr ? *settings.targetFile : "";
    WriteGeneratedOutput(task, scriptPath, target, extra, dialog.Options(), document, explorer,
                         false);
}

void RunReverseTask(kest::Cell* files, const std::string& scriptPath, const ScriptDialog& dialog,
                    ScriptExplorer* explorer) {
    RunReverseScript(files, scriptPath, dialog.Options(), "", dialog.Document(), explorer);
}

namespace {

// The target folder as the user gave it, taken once in the working folder,
// so that the pages a script writes there and the images it exports beside
// them end up in the same place whatever the built-ins resolve against.
std::string ResolvedTargetFolder(const std::string& folder) {
    if (folder.empty())
        return folder;
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
    return ec ? folder : absolute.string();
}

// Checks the target folder and creates a missing one (one level): asked
// first, except in batch mode where nobody would answer. False when the run
// is not to go on.
bool PrepareTargetFolder(const std::string& folder, bool batch) {
    if (IsDirectory(folder))
        return true;
    if (!batch && MessageBox("Target Folder does not exist.\nDo you want it to be created?",
                             PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes)
        return false;
    std::error_code ec;
    if (!folder.empty() && std::filesystem::create_directory(folder, ec) && !ec)
        return true;
    const std::string reason = ec ? ": " + ec.message() : std::string();
    if (batch)
        Log().Append("Failed to create folder.\r\n" + folder + reason + "\r\n");
    else
        MessageBox("Failed to create folder.\n" + folder + reason, PromptIcon::Exclamation);
    return false;
}

} // namespace

bool WriteGeneratedOutput(int task, const std::string& scriptPath, const std::string& givenFolder,
                          const std::string& extraFolder, const ScriptOptionList& options,
                          CCASEDoc& project, ScriptExplorer* explorer, bool batch) {
    const std::string targetFolder = ResolvedTargetFolder(givenFolder);
    if (!PrepareTargetFolder(targetFolder, batch))
        return false;
    bool completed = false;
    const uint64_t mergedBefore = MergedFilesWritten();
    // Only a file that a merge wrote over may hold lines written by hand
    // that exist nowhere else; every other file the run writes is made again
    // by running it again. The file system is flushed once, at the end, when
    // the run wrote over such files: the flush waits for whatever any program
    // has left to write to that file system, which is not worth waiting for
    // otherwise.
    const auto flushMerged = [&] {
        return MergedFilesWritten() == mergedBefore ||
               SyncFileSystemOf(targetFolder.empty() ? "." : targetFolder);
    };
    try {
        KernelRun run(project, explorer);
        run.SetTargetFolder(targetFolder);
        BindScriptOptions(options);
        run.Begin(DebugRequested());
        const uint32_t scope = project.Profile().flags;
        const char* scopeName = (scope & 1) != 0   ? "selObjects"
                                : (scope & 2) != 0 ? "currModel"
                                                   : "allModels";
        kest::Cell* form =
            kest::mklist(kest::intern("KestMain"),
                         kest::mklist(kest::KernelSyms.quote, kest::intern(scopeName), nullptr),
                         Str(ScriptProjectName(project)), Str(targetFolder), Str(extraFolder),
                         Str(""), static_cast<kest::Cell*>(kest::nil), nullptr);
        completed = run.Run(scriptPath, form);
        // Only a documentation run that ended well offers what it wrote.
        if (!batch && task == TaskDocGen && completed &&
            MessageBox("Open Generated Document?", PromptIcon::Question, PromptButtons::YesNo) ==
                PromptAnswer::Yes &&
            explorer != nullptr)
            explorer->OpenFirstGeneratedDocument();
    } catch (const std::exception&) {
        kest::resetstacks();
        flushMerged();
        return false;
    }
    if (!flushMerged()) {
        Log().Append("Can't flush the files written to " + targetFolder + ": " +
                     std::strerror(errno) + "\r\n");
        return false;
    }
    return completed;
}

namespace {

// The target model's stepped links: drawn straight while the script runs
// (cleared at construction), stepped again afterwards through the journaled
// change of the links' looks, on every way out of the run.
class SteppedLinksPause {
  public:
    SteppedLinksPause(CCASEDoc& document, Model* model) : document_(document) {
        if (model == nullptr || (model->modelFlags & MfStepLink) == 0)
            return;
        model->modelFlags &= ~MfStepLink;
        model_ = model;
    }
    ~SteppedLinksPause() {
        if (model_ == nullptr || !document_.HasModel(model_))
            return;
        try {
            model_->ChangeLinksLooks(&document_, model_->modelFlags | MfStepLink, false);
        } catch (const std::exception&) {
            // The looks are restored as far as they went; nothing more to undo.
            model_->modelFlags |= MfStepLink;
        }
    }
    SteppedLinksPause(const SteppedLinksPause&) = delete;
    SteppedLinksPause& operator=(const SteppedLinksPause&) = delete;

  private:
    CCASEDoc& document_;
    Model* model_ = nullptr;
};

} // namespace

bool RunReverseScript(kest::Cell* files, const std::string& scriptPath,
                      const ScriptOptionList& options, const std::string& modelName,
                      CCASEDoc& document, ScriptExplorer* explorer) {
    std::optional<SteppedLinksPause> links;
    bool completed = false;
    try {
        KernelRun run(document, explorer);
        BindScriptOptions(options);
        const bool debug = DebugRequested();
        Model* target = document.CurrentModel();
        if (!modelName.empty()) {
            if (Model* named = document.FindModelByName(modelName)) {
                target = named;
                document.SetCurrentModel(named);
                if (document.Frame() != nullptr)
                    document.Frame()->ShowModelAt(document.CurrentModelIndex());
            }
        }
        links.emplace(document, target);
        run.Begin(debug);
        kest::Cell* form =
            kest::mklist(kest::intern("KestReverse"), Str(ScriptProjectName(document)),
                         kest::mklist(kest::KernelSyms.quote, files, nullptr), nullptr);
        completed = run.Run(scriptPath, form);
    } catch (const std::exception&) {
        kest::resetstacks();
        return false;
    }
    return completed;
}

bool RunTaskScript(const std::string& scriptPath, CCASEDoc& document, ScriptExplorer* explorer,
                   bool debug) {
    bool completed = false;
    try {
        KernelRun run(document, explorer);
        run.Begin(debug);
        completed = run.Run(scriptPath, kest::mklist(kest::intern("KestTask"), nullptr));
    } catch (const std::exception&) {
        kest::resetstacks();
        return false;
    }
    return completed;
}

} // namespace qm
