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
#include "scripting/RunContext.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace qm {

namespace {

bool EqualNoCase(const std::string& a, const char* b) {
    const std::string_view other(b);
    return a.size() == other.size() &&
           std::equal(a.begin(), a.end(), other.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Option bit of the settings: show the log window while scripts run.
constexpr uint32_t kShowLogForScripts = 0x10;

// The run from its mark to its clean-up: savemark, literal nil, the run
// context with a new log channel; on every way out the log channel is
// cleared and the channels, symbols and cells of the run are released.
class KernelRun {
  public:
    KernelRun(CCASEDoc& document, ScriptExplorer* explorer) {
        kest::savemark();
        kest::Symbol* literal = kest::intern("literal");
        literal->value() = kest::nil;
        context_.project = &document;
        context_.explorer = explorer;
    }
    ~KernelRun() {
        // What the script printed on standard output without ending its
        // line is written out, so that a batch run shows all of it.
        kest::flushpending(kest::stdchans.out);
        kest::flushpending(kest::stdchans.err);
        RunContext().log = nullptr;
        kest::closeallchans();
        kest::purgesymbols();
        kest::restoremark();
    }
    KernelRun(const KernelRun&) = delete;
    KernelRun& operator=(const KernelRun&) = delete;

    // Sets the run context and shows and clears the log window.
    void Begin(bool debug) {
        context_.debug = debug;
        context_.log = kest::mkbufchan(128, kest::ChanWrite, nullptr, true);
        scoped_.emplace(context_);
        if (debug)
            kest::resetbufchan(context_.log);
        const Profile* settings = context_.project->Context().profile;
        if (debug || (settings != nullptr && (settings->Options & kShowLogForScripts) != 0))
            Log().Show(true);
        Log().Clear();
    }

    // Loads the script's definitions and evaluates form with errors caught.
    kest::Cell* Run(const std::string& scriptPath, kest::Cell* form) {
        kest::Cell* name = kest::mkstr(scriptPath.c_str(), scriptPath.size());
        kest::loadfile(kest::intern("load"), name, context_.debug);
        return kest::capeval(form, kest::nil);
    }

  private:
    ScriptRunContext context_;
    std::optional<ScopedRunContext> scoped_;
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

std::string ScriptProjectName(const CCASEDoc& document) {
    std::string name = FileNameOfPath(document.GetPathName());
    if (name.empty())
        return "Untitled";
    const size_t point = name.find('.', 1);
    if (point != std::string::npos)
        name.resize(point);
    return name;
}

void WriteGeneratedOutput(int task, const std::string& scriptPath, const std::string& targetFolder,
                          const std::string& extraFolder, const ScriptOptionList& options,
                          CCASEDoc& project, ScriptExplorer* explorer, bool batch) {
    if (!IsDirectory(targetFolder)) {
        if (MessageBox("Target Folder does not exist.\nDo you want it to be created?",
                       PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes)
            return;
        std::error_code ec;
        if (!std::filesystem::create_directory(targetFolder, ec) || ec) {
            MessageBox("Failed to create folder.", PromptIcon::Exclamation);
            return;
        }
    }
    try {
        KernelRun run(project, explorer);
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
        kest::Cell* result = run.Run(scriptPath, form);
        (void)batch;
        (void)task;
        (void)result;
        // Offering the generated document comes with the explorer's folders.
    } catch (const CException&) {
        kest::resetstacks();
    }
}

void RunReverseScript(kest::Cell* files, const std::string& scriptPath,
                      const ScriptOptionList& options, const std::string& modelName,
                      CCASEDoc& document, ScriptExplorer* explorer) {
    try {
        KernelRun run(document, explorer);
        BindScriptOptions(options);
        if (!modelName.empty()) {
            if (Model* model = document.FindModelByName(modelName))
                document.SetCurrentModel(model);
        }
        run.Begin(DebugRequested());
        kest::Cell* form =
            kest::mklist(kest::intern("KestReverse"), Str(ScriptProjectName(document)),
                         kest::mklist(kest::KernelSyms.quote, files, nullptr), nullptr);
        run.Run(scriptPath, form);
    } catch (const CException&) {
        kest::resetstacks();
    }
}

void RunTaskScript(const std::string& scriptPath, CCASEDoc& document, ScriptExplorer* explorer,
                   bool debug) {
    try {
        KernelRun run(document, explorer);
        run.Begin(debug);
        run.Run(scriptPath, kest::mklist(kest::intern("KestTask"), nullptr));
    } catch (const CException&) {
        kest::resetstacks();
    }
}

} // namespace qm
