// The script runners over a real project: the entry function's call, the
// target folder question, the clean-up after every run, the offer of the
// generated document, the debug flag and the stepped links of a
// reverse-engineering run.
#include "scripting/ScriptRunners.h"
#include "ScriptingFixture.h"
#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "drawables/Model.h"
#include "model/Master.h"
#include "platform/Files.h"
#include "scripting/RunContext.h"

#include <memory>
#include <set>
#include <vector>

namespace qm::test {
namespace {

// The log window as a run sees it: its text, whether it is shown, and how
// often it was cleared.
class LogWindow : public LogSink {
  public:
    void Append(std::string_view text) override { text_ += text; }
    void Show(bool visible) override { shown = visible; }
    void Clear() override {
        text_.clear();
        ++clears;
    }
    const std::string& Text() const { return text_; }
    bool shown = false;
    int clears = 0;

  private:
    std::string text_;
};

class RecordingExplorer : public ScriptExplorer {
  public:
    void DeleteFolderChildren(int) override {}
    void AddFileItem(int, const std::string&) override {}
    void ExpandFolder(int, bool) override {}
    void OpenFirstGeneratedDocument() override { ++opened; }
    int opened = 0;
};

class TaskDialog : public ScriptDialog {
  public:
    TaskDialog(CCASEDoc& document, ScriptOptionList options)
        : document_(document), options_(std::move(options)) {}
    CCASEDoc& Document() const override { return document_; }
    const ScriptOptionList& Options() const override { return options_; }

  private:
    CCASEDoc& document_;
    ScriptOptionList options_;
};

// KestMain and KestReverse that log their arguments between bars.
constexpr const char* kEchoScript =
    "(def KestMain (lam (scope name target extra e n)\n"
    "  (VxWriteLog scope \"|\" name \"|\" target \"|\" extra \"|\" e \"|\" n)\n"
    "  t))\n"
    "(def KestReverse (lam (name files) (VxWriteLog name \"|\" files) t))\n";

class ScriptRunnersTest : public ScriptingTest {
  protected:
    ScriptRunnersTest() : runtime("XDG_RUNTIME_DIR", scratch.Path().c_str()) {
        settings.Language = "C++";
        context.profile = &settings;
        context.templates = &templates;
        project = std::make_unique<CCASEDoc>(context, true);
        target = scratch / "out";
        MakeDirectories(target);
    }

    std::string Script(const std::string& name, const std::string& text) {
        const std::string path = scratch / name;
        EXPECT_TRUE(WriteFileReplacing(path, text));
        return path;
    }
    void Generate(int task, const std::string& script, bool batch = false,
                  const ScriptOptionList& options = {}, const std::string& folder = "") {
        WriteGeneratedOutput(task, script, folder.empty() ? target : folder, "extra", options,
                             *project, &explorer, batch);
    }

    ScopedEnvironment runtime;
    Profile settings;
    TemplateCache templates;
    DocumentContext context;
    std::unique_ptr<CCASEDoc> project;
    std::string target;
    LogWindow window;
    ScopedLogSink scopedWindow{&window};
    RecordingExplorer explorer;
};

TEST_F(ScriptRunnersTest, KestMainTakesTheScopeTheProjectNameAndTheFolders) {
    const std::string script = Script("echo.vxs", kEchoScript);
    const struct {
        const char* path;
        uint32_t scopeBits;
        const char* expected; // before "|<target>|extra||nil"
    } cases[] = {
        {"/p/x.pro", 4, "allModels|x"},  {"/p/a.b.pro", 4, "allModels|a"},
        {"", 4, "allModels|Untitled"},   {"/p/.hidden.pro", 2, "currModel|.hidden"},
        {"/p/x.pro", 3, "selObjects|x"}, {"/p/x.pro", 0, "allModels|x"},
    };
    for (const auto& c : cases) {
        project->SetPathName(c.path);
        project->Profile().flags = (project->Profile().flags & ~7u) | c.scopeBits;
        Generate(TaskCodeGen, script);
        EXPECT_EQ(window.Text(), std::string(c.expected) + "|" + target + "|extra||nil")
            << c.path << " " << c.scopeBits;
    }
}

TEST_F(ScriptRunnersTest, EveryRunLeavesTheKernelAsItFoundIt) {
    const std::string written = scratch / "left-open.txt";
    const std::string script = Script("leaky.vxs", "(def helper (lam () 1))\n"
                                                   "(def KestMain (lam (s n tg e x y)\n"
                                                   "  (setq literal t)\n"
                                                   "  (setq stray (open \"" +
                                                       written +
                                                       "\" \"w\"))\n"
                                                       "  (princ \"kept\" stray)\n"
                                                       "  (car 'a 'b)))\n");
    const size_t livesBefore = References().LiveCount();
    Generate(TaskCodeGen, script);
    // The script error reached the log and the run went on to its end.
    EXPECT_NE(window.Text().find("car: incorrect number of arguments"), std::string::npos)
        << window.Text();
    EXPECT_EQ(kest::findsym("helper"), nullptr);
    EXPECT_EQ(kest::findsym("stray"), nullptr);
    window.Clear();
    EXPECT_FALSE(Run("(KestMain 1 2 3 4 5 6)").ok);
    EXPECT_NE(window.Text().find("undefined function"), std::string::npos) << window.Text();
    EXPECT_EQ(kest::intern("literal")->value(), kest::nil);
    EXPECT_EQ(ReadWholeFile(written, 100).value_or("").rfind("kept", 0), 0u);
    EXPECT_EQ(References().LiveCount(), livesBefore);
    EXPECT_EQ(RunContext().log, nullptr);

    // A missing entry function and a missing script file end as cleanly.
    RunTaskScript(Script("empty.vxs", "(def helper (lam () 2))\n"), *project);
    EXPECT_NE(window.Text().find("undefined function"), std::string::npos) << window.Text();
    EXPECT_EQ(kest::findsym("helper"), nullptr);
    RunTaskScript(scratch / "no-such-script.vxs", *project);
    EXPECT_EQ(kest::findsym("helper"), nullptr);
    EXPECT_EQ(kest::intern("literal")->value(), kest::nil);

    // Model code failing with an exception ends the run the same way.
    Generate(TaskCodeGen, Script("fails.vxs", "(def helper (lam () 3))\n"
                                              "(def KestMain (lam (s n tg e x y) "
                                              "(TestModelFailure)))\n"));
    EXPECT_EQ(kest::findsym("helper"), nullptr);
    EXPECT_EQ(Value("(+ 1 2)"), "3");
}

TEST_F(ScriptRunnersTest, AMissingTargetFolderIsAskedForOrInBatchModeCreated) {
    const std::string script = Script("echo.vxs", kEchoScript);
    const std::string blocker = scratch / "a-file";
    ASSERT_TRUE(WriteFileReplacing(blocker, "x"));
    const std::string question = "Target Folder does not exist.\nDo you want it to be created?";
    const struct {
        const char* name;
        bool batch;
        PromptAnswer answer;
        bool underAFile; // the folder cannot be made
        std::vector<std::string> asked;
        bool created;
        bool ran;
        bool loggedFailure;
    } cases[] = {
        {"yes", false, PromptAnswer::Yes, false, {question}, true, true, false},
        {"no", false, PromptAnswer::No, false, {question}, false, false, false},
        {"yes-fails",
         false,
         PromptAnswer::Yes,
         true,
         {question, "Failed to create folder.\nFOLDER: Not a directory"},
         false,
         false,
         false},
        {"batch", true, PromptAnswer::No, false, {}, true, true, false},
        {"batch-fails", true, PromptAnswer::No, true, {}, false, false, true},
    };
    for (const auto& c : cases) {
        const std::string folder = c.underAFile ? blocker + "/" + c.name : scratch / c.name;
        prompts.asked.clear();
        prompts.scripted = {c.answer};
        window.Clear();
        log.Clear();
        Generate(TaskCodeGen, script, c.batch, {}, folder);
        // The failure names the folder and the reason.
        std::vector<std::string> asked = c.asked;
        for (std::string& text : asked)
            if (const size_t at = text.find("FOLDER"); at != std::string::npos)
                text.replace(at, 6, folder);
        EXPECT_EQ(prompts.asked, asked) << c.name;
        EXPECT_EQ(IsDirectory(folder), c.created) << c.name;
        EXPECT_EQ(window.Text().find("allModels") != std::string::npos ||
                      window.Text().find("currModel") != std::string::npos,
                  c.ran)
            << c.name;
        EXPECT_EQ(window.Text().find("Failed to create folder.\r\n" + folder + ": ") !=
                      std::string::npos,
                  c.loggedFailure)
            << c.name << ": " << window.Text();
    }
}

TEST_F(ScriptRunnersTest, OnlyASuccessfulDocumentationRunOffersTheDocument) {
    const std::string good = Script("good.vxs", "(def KestMain (lam (s n tg e x y) 'done))\n");
    const std::string bad = Script("bad.vxs", "(def KestMain (lam (s n tg e x y) (car 'a 'b)))\n");
    const std::string nilResult = Script("nil.vxs", "(def KestMain (lam (s n tg e x y) nil))\n");
    const std::string offer = "Open Generated Document?";
    const struct {
        const char* name;
        int task;
        std::string script;
        bool batch;
        PromptAnswer answer;
        bool asked;
        int opened;
    } cases[] = {
        {"doc yes", TaskDocGen, good, false, PromptAnswer::Yes, true, 1},
        {"doc no", TaskDocGen, good, false, PromptAnswer::No, true, 0},
        // The entry function's nil value is a result: the run went well.
        {"doc nil result", TaskDocGen, nilResult, false, PromptAnswer::Yes, true, 1},
        {"doc failed", TaskDocGen, bad, false, PromptAnswer::Yes, false, 0},
        {"doc batch", TaskDocGen, good, true, PromptAnswer::Yes, false, 0},
        {"code", TaskCodeGen, good, false, PromptAnswer::Yes, false, 0},
        {"other", TaskOther, good, false, PromptAnswer::Yes, false, 0},
    };
    for (const auto& c : cases) {
        prompts.asked.clear();
        prompts.scripted = {c.answer};
        explorer.opened = 0;
        Generate(c.task, c.script, c.batch);
        const std::vector<std::string> expected =
            c.asked ? std::vector<std::string>{offer} : std::vector<std::string>{};
        EXPECT_EQ(prompts.asked, expected) << c.name;
        EXPECT_EQ(explorer.opened, c.opened) << c.name;
    }
}

TEST_F(ScriptRunnersTest, TheDebugFlagComesFromTheScriptsAllowDebuggingOption) {
    const std::string script = Script("debug.vxs", "(def KestMain (lam (s n tg e x y)\n"
                                                   "  (VxWriteLog \"before\") (VxClearLog)\n"
                                                   "  (VxWriteLog \" after\")))\n");
    const struct {
        const char* name;
        ScriptOptionList options;
        uint32_t settingsOptions;
        bool shown;
        const char* text;
    } cases[] = {
        {"debugging",
         {ScriptOption("AllowDebugging", true)},
         0,
         true,
         "Loaded: KestMain\r\nbefore after"},
        {"left off", {ScriptOption("AllowDebugging", false)}, 0, false, " after"},
        {"no option", {}, 0, false, " after"},
        {"log setting", {}, 0x10, true, " after"},
    };
    for (const auto& c : cases) {
        settings.Options = c.settingsOptions;
        window.shown = false;
        Generate(TaskCodeGen, script, false, c.options);
        EXPECT_EQ(window.shown, c.shown) << c.name;
        EXPECT_EQ(window.Text(), c.text) << c.name;
        EXPECT_FALSE(RunContext().debug) << c.name;
    }
}

TEST_F(ScriptRunnersTest, TheTaskAndReverseDialogsHandTheirDocumentAndOptions) {
    const std::string script = Script("echo.vxs", "(def KestMain (lam (s n tg e x y)\n"
                                                  "  (VxWriteLog tg \"|\" e \"|\" $Lang)))\n"
                                                  "(def KestReverse (lam (n files)\n"
                                                  "  (VxWriteLog n \"|\" files \"|\" $Lang)))\n");
    ScriptOption language("Lang", "C++|Java");
    language.kind = OptionChoice;
    language.checked = 1;
    language.choice = 1;
    TaskDialog dialog(*project, {language});
    project->SetPathName("/p/shop.pro");
    const std::string docs = scratch / "docs";
    MakeDirectories(docs);
    *GenerationSettings(*project, TaskDocGen).targetFolder = docs;
    *GenerationSettings(*project, TaskDocGen).targetFile = "index.html";
    *GenerationSettings(*project, TaskCodeGen).targetFolder = target;
    prompts.scripted = {PromptAnswer::No};
    RunGenerationTask(TaskDocGen, script, dialog, &explorer);
    // (The headless prompt service logs the offer of the document after it.)
    EXPECT_EQ(window.Text().rfind(docs + "|index.html|Java", 0), 0u) << window.Text();
    RunGenerationTask(TaskCodeGen, script, dialog, &explorer);
    EXPECT_EQ(window.Text(), target + "||Java");

    kest::Cell* files = kest::mklist(kest::mkstr("a.h"), kest::mkstr("b.h"), nullptr);
    RunReverseTask(files, script, dialog, &explorer);
    EXPECT_EQ(window.Text(), "shop|(a.h b.h)|Java");

    // The settings of the five tasks are three sets of five texts.
    EXPECT_EQ(GenerationSettings(*project, TaskExport).scriptName,
              &project->Profile().stringsA[TaskExport]);
    EXPECT_EQ(GenerationSettings(*project, -1).targetFolder, nullptr);
    EXPECT_EQ(GenerationSettings(*project, 5).targetFolder, nullptr);
}

TEST(ScriptFilePathTest, AbsoluteNamesStandAndBothSeparatorsWork) {
    struct Case {
        const char* name;
        const char* path;
    };
    const Case cases[] = {
        {"CodeGen/Cpp.vxs", "/opt/q/Scripts/CodeGen/Cpp.vxs"},
        {"CodeGen\\Cpp.vxs", "/opt/q/Scripts/CodeGen/Cpp.vxs"},
        {"/home/u/Mine.vxs", "/home/u/Mine.vxs"},
        {"\\home\\u\\Mine.vxs", "/home/u/Mine.vxs"},
        {"Cpp.vxs", "/opt/q/Scripts/Cpp.vxs"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScriptFilePath("/opt/q/Scripts", c.name), c.path) << c.name;
}

TEST_F(ScriptRunnersTest, EachRunnerAnswersWhetherItsEntryRanToItsEnd) {
    // Each entry writes a line and then, in the failing scripts, meets an
    // error at run time: the runner that reported success before must say
    // the run failed, and the error with its stack is in the log.
    const std::string entries = "(def KestMain (lam (s n d x e m) (VxWriteLog \"begun\") BODY))\n"
                                "(def KestTask (lam () (VxWriteLog \"begun\") BODY))\n"
                                "(def KestReverse (lam (n f) (VxWriteLog \"begun\") BODY))\n";
    struct Case {
        const char* body;
        bool completes;
    };
    const Case cases[] = {{"t", true}, {"nil", true}, {"(car 5)", false}, {"(throw 'x 1)", false}};
    for (const Case& c : cases) {
        std::string text = entries;
        for (size_t at; (at = text.find("BODY")) != std::string::npos;)
            text.replace(at, 4, c.body);
        const std::string script = Script("entries.vxs", text);
        const bool ran[] = {
            WriteGeneratedOutput(TaskCodeGen, script, target, "", {}, *project, nullptr, true),
            RunTaskScript(script, *project),
            RunReverseScript(kest::nil, script, {}, "", *project, nullptr),
        };
        for (size_t i = 0; i < std::size(ran); ++i)
            EXPECT_EQ(ran[i], c.completes) << c.body << " in runner " << i;
        EXPECT_NE(window.Text().find("begun"), std::string::npos) << c.body;
        if (!c.completes) {
            EXPECT_NE(window.Text().find("KestScript ERROR: "), std::string::npos) << c.body;
            EXPECT_NE(window.Text().find("Stack Dump follows:\r\n[01] "), std::string::npos)
                << window.Text();
        }
    }
}

TEST_F(ScriptRunnersTest, SteppedLinksAreRestoredAfterAReverseRunAlsoWhenItFails) {
    auto model = std::make_unique<Model>();
    model->name = "Classes";
    model->modelFlags |= MfStepLink;
    Model* classes = model.get();
    project->AddModel(std::move(model));
    auto other = std::make_unique<Model>();
    other->name = "Other";
    Model* second = other.get();
    project->AddModel(std::move(other));
    project->SetCurrentModel(second);

    const std::string good = Script("rev.vxs", "(def KestReverse (lam (n files)\n"
                                               "  (VxWriteLog (TestCurrentModelFlags))))\n");
    const std::string failing = Script("revfail.vxs", "(def KestReverse (lam (n files)\n"
                                                      "  (VxWriteLog (TestCurrentModelFlags))\n"
                                                      "  (TestModelFailure)))\n");
    const std::string scriptError =
        Script("reverr.vxs", "(def KestReverse (lam (n files) (car 'a 'b)))\n");
    const std::string during = std::to_string(classes->modelFlags & ~MfStepLink);
    for (const std::string& script : {good, failing, scriptError}) {
        project->SetCurrentModel(second);
        RunReverseScript(kest::nil, script, {}, "Classes", *project, nullptr);
        EXPECT_EQ(project->CurrentModel(), classes) << script;
        EXPECT_NE(classes->modelFlags & MfStepLink, 0u) << script;
        if (script != scriptError) {
            EXPECT_EQ(window.Text(), during) << script;
        }
    }
    // A missing script file is a failure before the script runs.
    RunReverseScript(kest::nil, scratch / "missing.vxs", {}, "Classes", *project, nullptr);
    EXPECT_NE(classes->modelFlags & MfStepLink, 0u);

    // A model drawing straight links is left as it is.
    second->modelFlags &= ~MfStepLink;
    project->SetCurrentModel(second);
    RunReverseScript(kest::nil, good, {}, "", *project, nullptr);
    EXPECT_EQ(second->modelFlags & MfStepLink, 0u);
    EXPECT_EQ(window.Text(), std::to_string(second->modelFlags));
}

// Counts the masters events of a document.
struct MastersObserver : DocumentObserver {
    void MastersChanged(const std::vector<Master*>& masters) override {
        ++events;
        last = masters;
    }
    int events = 0;
    std::vector<Master*> last;
};

TEST_F(ScriptRunnersTest, ARunThatMadeAMasterIsHeardOnceWhenItEnds) {
    project->LoadText("(Quillmark \"8.0\" project)\n(repository \"\" 0)\n"
                      "(notation \"<Internal>\")\n(genProfile 178 \"C++\" nil \"\" 0 nil nil)\n"
                      "(codeFiles)\n(docFiles)\n(masters)\n");
    MastersObserver observer;
    project->Events().AddObserver(&observer);
    const std::string script =
        Script("make.vxs", "(def KestTask (lam ()\n"
                           "  (VxMakeMaster (VxProject) (name Made) (tool class))\n"
                           "  (VxMakeMaster (VxProject) (name Other) (tool class))))\n");
    EXPECT_TRUE(RunTaskScript(script, *project));
    project->Events().RemoveObserver(&observer);
    EXPECT_EQ(observer.events, 1) << window.Text();
    ASSERT_EQ(observer.last.size(), 2u);
    std::set<std::string> names{observer.last[0]->name, observer.last[1]->name};
    EXPECT_EQ(names, (std::set<std::string>{"Made", "Other"}));
}

// A project with no models, for the runs below.
constexpr const char* kEmptyProject =
    "(Quillmark \"8.0\" project)\n(repository \"\" 0)\n"
    "(notation \"<Internal>\")\n(genProfile 178 \"C++\" nil \"\" 0 nil nil)\n"
    "(codeFiles)\n(docFiles)\n(masters)\n";

TEST_F(ScriptRunnersTest, ARunGivesBackItsCellsAlsoWhenItSavedAProject) {
    // Saving writes the project under a heap mark of its own; the cells the
    // run made before it go with the run all the same, so that a long
    // session of runs does not fill the heap.
    project->LoadText(kEmptyProject);
    const std::string saved = scratch / "saved.pro";
    const size_t before = kest::heapbytes();
    for (int run = 0; run < 3; ++run) {
        const std::string script =
            Script("junk.vxs", "(def KestTask (lam ()\n"
                               "  (setq junk nil)\n"
                               "  (do 200000 (setq junk (cons \"cell\" junk)))\n"
                               "  (VxMakeMaster (VxProject) (name Made" +
                                   std::to_string(run) +
                                   ") (tool class))\n"
                                   "  (VxSaveProject (VxProject) \"" +
                                   saved + "\")))\n");
        EXPECT_TRUE(RunTaskScript(script, *project)) << window.Text();
        EXPECT_EQ(kest::heapbytes(), before) << "run " << run;
    }
    EXPECT_FALSE(kest::markactive());
    EXPECT_NE(ReadWholeFile(saved, 1 << 20).value_or("").find("\"Made2\""), std::string::npos);
}

TEST_F(ScriptRunnersTest, ExhaustedCellMemoryEndsTheRunAndTheNextRunWorks) {
    project->LoadText(kEmptyProject);
    settings.ScriptMemory = 4; // megabytes
    const std::string greedy =
        Script("greedy.vxs", "(def KestTask (lam ()\n"
                             "  (setq junk nil)\n"
                             "  (do 100000000 (setq junk (cons \"cell\" junk)))\n"
                             "  (VxWriteLog \"never\")))\n");
    const size_t before = kest::heapbytes();
    for (int round = 0; round < 2; ++round) {
        const std::string modest =
            Script("modest.vxs", "(def KestTask (lam ()\n  (VxMakeMaster (VxProject) (name After" +
                                     std::to_string(round) +
                                     ") (tool class))\n  (VxWriteLog \"done\") t))\n");
        EXPECT_FALSE(RunTaskScript(greedy, *project));
        EXPECT_NE(window.Text().find("KestScript cell memory exhausted"), std::string::npos)
            << window.Text();
        EXPECT_EQ(window.Text().find("never"), std::string::npos);
        EXPECT_TRUE(window.shown);
        EXPECT_EQ(kest::heapbytes(), before);
        EXPECT_FALSE(kest::markactive());

        EXPECT_TRUE(RunTaskScript(modest, *project)) << window.Text();
        EXPECT_EQ(window.Text(), "done");
    }
    EXPECT_EQ(project->Masters().Masters().size(), 2u); // one per modest run
}

// What a run reported to the window around it.
struct RecordingProgress : ScriptProgress {
    void Begin(int range) override { events.push_back("begin " + std::to_string(range)); }
    void Advance() override { events.push_back("advance"); }
    void Pulse() override { events.push_back("pulse"); }
    void End() override { events.push_back("end"); }
    std::vector<std::string> events;
};

TEST_F(ScriptRunnersTest, RunsReportTheirFilesAndLogLinesAndEndOnEveryPath) {
    for (const char* name : {"One", "Two"}) {
        auto master = std::make_unique<Master>();
        master->name = name;
        project->Masters().Add(std::move(master));
    }
    const struct {
        const char* body;
        std::vector<std::string> events;
    } cases[] = {
        {"(VxAddTree 'codeModel \"a.h\" nil) (VxWriteLog \"x\") (VxAddTree 'codeModel \"b.h\" t)",
         {"begin 2", "advance", "pulse", "advance", "end"}},
        {"(VxAddTree 'codeModel \"a.h\" nil) (car 5)", {"begin 2", "advance", "end"}},
        {"t", {"begin 2", "end"}},
    };
    for (const auto& c : cases) {
        const std::string script =
            Script("progress.vxs", std::string("(def KestMain (lam (s n d x e m) ") + c.body +
                                       "))\n" + "(def KestTask (lam () " + c.body + "))\n");
        for (int runner = 0; runner < 2; ++runner) {
            RecordingProgress progress;
            ScopedInstall<ScriptProgress> installed(&progress);
            if (runner == 0)
                Generate(TaskCodeGen, script);
            else
                RunTaskScript(script, *project, &explorer);
            EXPECT_EQ(progress.events, c.events) << c.body << " in runner " << runner;
        }
    }
    // Without a target folder the run ends before it begins: nothing to report.
    RecordingProgress progress;
    ScopedInstall<ScriptProgress> installed(&progress);
    Generate(TaskCodeGen, Script("none.vxs", "(def KestMain nil)\n"), true, {}, "/proc/no/such");
    EXPECT_TRUE(progress.events.empty());
}

} // namespace
} // namespace qm::test
