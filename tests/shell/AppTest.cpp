// Start-up without windows: the opening rules of the command line and the
// default project, the shared templates, the failure texts of start-up and
// of commands, and batch runs that make, open and save projects.
#include "shell/CCASEApp.h"

#include "document/CCASEDoc.h"
#include "document/ModelLibrary.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/TemplateFile.h"
#include "drawables/ToolModel.h"
#include "drawables/ZoomScaling.h"
#include "platform/Files.h"
#include "platform/RecordingDC.h"
#include "platform/Registry.h"
#include "platform/UserFolders.h"
#include "platform/UserSettings.h"
#include "repository/RepositorySession.h"
#include "tests/support/ModelFixture.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

class App : public test::ModelTest {
  protected:
    App() {
        SetApplicationFolder(scratch.Path());
        MakeDirectories(scratch / "Notations");
        MakeDirectories(scratch / "other");
        NotationTemplate builtIn;
        CreateTemplate(builtIn, kInternalTemplateName);
        const std::string text = WriteTemplateText(builtIn);
        EXPECT_TRUE(WriteFileReplacing(scratch / "Notations/UML2.1.not", text));
        EXPECT_TRUE(WriteFileReplacing(scratch / "other/UML2.1.not", text));
        EXPECT_TRUE(WriteFileReplacing(scratch / "Notations/Uml2.1.not", text));
    }
    ~App() override { SetApplicationFolder(""); }

    // Starts an application with the arguments; true when it goes on running.
    bool Start(CCASEApp& app, const std::vector<std::string>& arguments) {
        prompts.asked.clear();
        return app.InitInstance(arguments);
    }
    // Makes a project file with one model through a batch run.
    std::string MakeProject(const std::string& name) {
        CCASEApp app;
        EXPECT_FALSE(
            Start(app, {"-batch", "-exit", "-new=<Internal>", "-save=" + (scratch / name)}));
        EXPECT_EQ(app.ExitCode(), 0);
        return scratch / name;
    }
    static std::string Text(const std::string& path) {
        return ReadWholeFile(path, 1 << 24).value_or("<missing>");
    }
};

TEST_F(App, OpeningRulesMakeAtMostOneProject) {
    const std::string project = MakeProject("p.pro");
    {
        CCASEApp app; // the default template of the settings
        EXPECT_FALSE(Start(app, {"-batch", "-exit", "-new", "-save=" + (scratch / "d.pro")}));
        EXPECT_NE(Text(scratch / "d.pro").find("(notation \"UML2.1.not\")"), std::string::npos);
    }
    {
        // A template outside the notation folder, named by its absolute path.
        CCASEApp app;
        ASSERT_TRUE(
            WriteFileReplacing(scratch / "other/Mine.not", Text(scratch / "other/UML2.1.not")));
        EXPECT_FALSE(Start(app, {"-batch", "-exit", "-new=" + (scratch / "other/Mine.not"),
                                 "-save=" + (scratch / "m.pro")}));
        EXPECT_EQ(app.ExitCode(), 0) << (prompts.asked.empty() ? "" : prompts.asked.back());
        EXPECT_NE(Text(scratch / "m.pro").find("(notation \"Mine.not\")"), std::string::npos);
    }
    {
        CCASEApp app; // nothing named, no default project
        ASSERT_TRUE(Start(app, {}));
        EXPECT_EQ(app.Env()->Documents().Documents().size(), 1u);
        // The start-up's project took the default template; a later File New
        // asks for one.
        EXPECT_EQ(app.Env()->startupProject, 0);
        struct Chooser : FileDialogs {
            std::optional<std::string> AskOpenFile(const FileDialogRequest&) override {
                return std::nullopt;
            }
            std::optional<std::string> AskSaveFile(const FileDialogRequest&) override {
                return std::nullopt;
            }
            std::optional<std::string> ChooseTemplate(const std::string&,
                                                      const std::string&) override {
                ++asked;
                return std::nullopt;
            }
            int asked = 0;
        } chooser;
        app.Env()->Context().dialogs = &chooser;
        EXPECT_EQ(app.OnFileNew(), nullptr); // cancelled
        EXPECT_EQ(chooser.asked, 1);
        EXPECT_EQ(app.Env()->Documents().Documents().size(), 1u);
        app.Env()->Context().dialogs = nullptr;
    }
    {
        // A project that cannot be read shows its error; the application
        // stays open.
        ASSERT_TRUE(WriteFileReplacing(scratch / "broken.pro", "(Quillmark \"8.0\" project) (("));
        CCASEApp app;
        EXPECT_TRUE(Start(app, {scratch / "broken.pro"}));
        EXPECT_EQ(app.ExitCode(), 0);
        EXPECT_FALSE(prompts.asked.empty());
        EXPECT_TRUE(app.Env()->Documents().Documents().empty());
    }
    {
        CCASEApp app;
        ASSERT_TRUE(Start(app, {project}));
        ASSERT_EQ(app.Env()->Documents().Documents().size(), 1u);
        EXPECT_EQ(app.Env()->ActiveDocument()->GetPathName(), project);
        EXPECT_EQ(app.Env()->startupProject, 0);
    }
    {
        CCASEApp app; // a template named: one new project that uses it, no file opened
        ASSERT_TRUE(Start(app, {scratch / "other/UML2.1.not"}));
        ASSERT_EQ(app.Env()->Documents().Documents().size(), 1u);
        CCASEDoc* document = app.Env()->ActiveDocument();
        EXPECT_TRUE(document->GetPathName().empty());
        ASSERT_NE(document->Template(), nullptr);
        EXPECT_EQ(document->Template()->path, scratch / "other/UML2.1.not");
    }
    {
        // A default project that opens: no new project besides it.
        CCASEApp app;
        ASSERT_TRUE(Start(app, {"-batch", "-new=<Internal>"})); // batch without exit goes on
        app.Env()->Settings().DefaultProject = project;
        app.Env()->Settings().ExchangeWithRegistry(true);
    }
    {
        CCASEApp app;
        ASSERT_TRUE(Start(app, {}));
        ASSERT_EQ(app.Env()->Documents().Documents().size(), 1u);
        EXPECT_EQ(app.Env()->ActiveDocument()->GetPathName(), project);
        // After start-up every File New makes a document (here with the
        // template named, as the template dialog is not at hand).
        app.Env()->newProjectTemplate = scratch / "Notations/UML2.1.not";
        EXPECT_NE(app.OnFileNew(), nullptr);
        EXPECT_EQ(app.Env()->Documents().Documents().size(), 2u);
    }
}

TEST_F(App, TemplatesSharedByFileNameAndReleasedByTheLastUser) {
    CCASEApp app;
    ASSERT_TRUE(Start(app, {scratch / "other/UML2.1.not"}));
    Environment& environment = *app.Env();
    const size_t loaded = environment.Templates().Templates().size();
    NotationTemplate* first = environment.AcquireTemplate(scratch / "Notations/UML2.1.not");
    NotationTemplate* second = environment.AcquireTemplate(scratch / "other/UML2.1.not");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first->GetRefCount(), 3); // the document's and these two
    NotationTemplate* other = environment.AcquireTemplate(scratch / "Notations/Uml2.1.not");
    EXPECT_NE(other, first); // letter case counts
    environment.ReleaseTemplate(other);
    EXPECT_EQ(environment.Templates().Templates().size(), loaded);
    environment.ReleaseTemplate(nullptr);
    environment.ReleaseTemplate(first);
    environment.ReleaseTemplate(second);
    EXPECT_EQ(first->GetRefCount(), 1);
}

TEST_F(App, StartupAndCommandFailuresShowTheirTexts) {
    CCASEApp failing(
        [](CCASEApp&) -> std::unique_ptr<MainFrame> { throw CKestException("no frame today"); });
    EXPECT_FALSE(Start(failing, {}));
    EXPECT_EQ(failing.ExitCode(), 1);
    ASSERT_FALSE(prompts.asked.empty());
    EXPECT_EQ(prompts.asked.back(),
              "Failed to initialize Quillmark: no frame today\nApplication will abort!");

    const struct {
        std::exception_ptr error;
        std::string text;
    } cases[] = {
        {std::make_exception_ptr(CIgnoreException()),
         "Failed to initialize Quillmark: \nApplication will abort!"},
        {std::make_exception_ptr(std::string("a text")),
         "Failed to initialize Quillmark: a text\nApplication will abort!"},
        {std::make_exception_ptr(42),
         "Failed to initialize Quillmark: unknown error\nApplication will abort!"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StartupFailureText(c.error), c.text);

    CCASEApp app;
    ASSERT_TRUE(Start(app, {}));
    prompts.asked.clear();
    app.RunCommand([] { throw CKestException("bad thing"); });
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked.back(), "Command failed due to an error:\nbad thing");
    app.RunCommand([] { throw CKestException(std::string(600, 'm')); });
    EXPECT_EQ(prompts.asked.back().size(), 511u); // the whole text is held in 512 characters
    prompts.asked.clear();
    app.RunCommand([] { throw CIgnoreException(); }); // already shown: nothing more
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(App, BatchMakesOpensAndSavesProjects) {
    const std::string made = MakeProject("made.pro");
    const std::string text = Text(made);
    EXPECT_EQ(text.rfind("(Quillmark \"8.0\" project)", 0), 0u) << text.substr(0, 80);
    EXPECT_NE(text.find("(notation \"<Internal>\")"), std::string::npos) << text.substr(0, 400);

    {
        CCASEApp app; // open and save under another name
        EXPECT_FALSE(Start(app, {made, "-batch", "-exit", "-save=" + (scratch / "copy.pro")}));
        EXPECT_EQ(app.ExitCode(), 0);
        EXPECT_EQ(Text(scratch / "copy.pro"), text);
    }
    const struct {
        std::vector<std::string> items;
        std::string message;
    } failures[] = {
        {{made, "-batch", "-exit", "-revLang=Java"}, "Need -add=addFiles.txt"},
        {{scratch / "Notations/UML2.1.not", "-batch"},
         "file is not a Quillmark project: " + (scratch / "Notations/UML2.1.not")},
    };
    // A template that cannot be read: its failure shown, then the run ends
    // with an empty command-line error, nothing saved.
    ASSERT_TRUE(WriteFileReplacing(scratch / "Notations/Bad.not", "garbage ("));
    {
        CCASEApp app;
        EXPECT_FALSE(
            Start(app, {"-batch", "-exit", "-new=Bad.not", "-save=" + (scratch / "bad.pro")}));
        EXPECT_EQ(app.ExitCode(), 1);
        EXPECT_EQ(prompts.asked.back(), "Command Line Error: .\nQuillmark will exit!");
        EXPECT_FALSE(FileExists(scratch / "bad.pro"));
    }
    for (const auto& c : failures) {
        CCASEApp app;
        EXPECT_FALSE(Start(app, c.items));
        EXPECT_EQ(app.ExitCode(), 1);
        ASSERT_FALSE(prompts.asked.empty());
        EXPECT_EQ(prompts.asked.back(),
                  "Command Line Error: " + c.message + ".\nQuillmark will exit!");
    }
}

} // namespace
} // namespace qm

namespace qm {
namespace {

TEST_F(App, FilesAndPageSize) {
    CCASEApp app;
    ASSERT_TRUE(Start(app, {}));
    Environment& environment = *app.Env();
    std::vector<std::vector<std::string>> started;
    environment.startProgram = [&](const std::vector<std::string>& argv) {
        started.push_back(argv);
    };
    // A file name with blanks and quotes reaches the program as one argument.
    environment.OpenFile(scratch / "my \"notes\"; rm -rf x.zzz", false);
    ASSERT_EQ(started.size(), 1u);
    ASSERT_GE(started[0].size(), 2u);
    EXPECT_EQ(started[0].back(), scratch / "my \"notes\"; rm -rf x.zzz");
    environment.Settings().HelpFolder = scratch / "Help";
    app.OnHelpContents();
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[1].back(), scratch / "Help/Contents.html");
    // A project opens as a document.
    const std::string project = MakeProject("opened.pro");
    environment.OpenFile(project, false);
    EXPECT_EQ(started.size(), 2u);
    EXPECT_EQ(environment.ActiveDocument()->GetPathName(), project);

    // Page size: equal sizes change nothing, another size marks every document.
    CCASEDoc* document = environment.ActiveDocument();
    document->SetModifiedFlag(false);
    const int32_t width = environment.Settings().PageSetup.PaperWidth;
    const int32_t height = environment.Settings().PageSetup.PaperHeight;
    environment.ApplyPageSize(width, height, false);
    EXPECT_FALSE(document->IsModified());
    environment.ApplyPageSize(8500, 11000, true);
    EXPECT_TRUE(document->IsModified());
    EXPECT_EQ(environment.Settings().PageSetup.PaperHeight, 11000);
}

TEST_F(App, ModifiedTemplatesAreAskedInOrderAndOutOfMemoryOffersRetry) {
    CCASEApp app;
    ASSERT_TRUE(Start(app, {}));
    Environment& environment = *app.Env();
    NotationTemplate* first = environment.AcquireTemplate(scratch / "other/UML2.1.not");
    NotationTemplate* second = environment.AcquireTemplate(scratch / "Notations/Uml2.1.not");
    first->modified = true;
    second->modified = true;
    // Each is asked about by its name (its file's), not by its path.
    prompts.asked.clear();
    prompts.Script(PromptAnswer::Cancel); // Cancel on the first still asks the second
    prompts.Script(PromptAnswer::No);
    environment.SaveModifiedTemplates();
    ASSERT_EQ(prompts.asked.size(), 2u);
    EXPECT_EQ(prompts.asked[0], "Save changes to template UML2.1.not?");
    EXPECT_EQ(prompts.asked[1], "Save changes to template Uml2.1.not?");
    first->modified = second->modified = false;
    environment.ReleaseTemplate(first);
    environment.ReleaseTemplate(second);

    prompts.asked.clear();
    prompts.Script(PromptAnswer::Retry);
    app.RunCommand([] { throw std::bad_alloc(); });
    EXPECT_EQ(prompts.asked.back(),
              "Quillmark is out of memory!\nPlease select RETRY, save your work, and quit.");
    prompts.Script(PromptAnswer::Abort);
    EXPECT_THROW(app.RunCommand([] { throw std::bad_alloc(); }), CommandLineExit);
}

// The options every layer reads come from the user's loaded settings, and a
// change made while running (Tools/Options) reaches the readers at once.
TEST_F(App, ReadersSeeTheUsersSettings) {
    {
        CCASEApp app; // the user's own settings, stored by an earlier run
        ASSERT_TRUE(Start(app, {}));
        Profile& settings = app.Env()->Settings();
        EXPECT_EQ(Settings().OptionWord(), kDefaultOptions);
        settings.Options = kDefaultOptions & ~uint32_t{ShowHyperLinks};
        settings.SnapSize = 25;
        settings.Settings = kSettingsMaximizeChildFrames;
        EXPECT_EQ(app.ExitInstance(), 0);
    }
    EXPECT_EQ(Settings().OptionWord(), 0u); // nothing installed outside a run

    CCASEApp app;
    ASSERT_TRUE(Start(app, {}));
    Profile& settings = app.Env()->Settings();
    ASSERT_EQ(settings.Options, kDefaultOptions & ~uint32_t{ShowHyperLinks});
    EXPECT_EQ(Settings().OptionWord(), settings.Options);
    EXPECT_EQ(Settings().SettingWord(), kSettingsMaximizeChildFrames);
    // The snap size widens a segment's hit tolerance.
    EXPECT_TRUE(HitTestSegment(60, 40, 0, 0, 100, 100, 2));
    settings.SnapSize = 0;
    EXPECT_FALSE(HitTestSegment(60, 40, 0, 0, 100, 100, 2));
    // The submodel marker is drawn only while hyperlinks are shown.
    for (const bool shown : {false, true}) {
        settings.Options = shown ? settings.Options | ShowHyperLinks
                                 : settings.Options & ~uint32_t{ShowHyperLinks};
        EXPECT_EQ(OptionSet(ShowHyperLinks), shown);
        RecordingDC dc;
        DrawSubmodelMarker(dc, CRect(10, 10, 20, 20), true, 1.0);
        EXPECT_EQ(dc.CallsNamed("Rectangle").size(), shown ? 1u : 0u);
    }
}

// A batch run reads the user's settings but never writes them back: neither
// the settings at its end nor the recent files of the projects it opens.
TEST_F(App, BatchLeavesTheUsersSettingsAlone) {
    const std::string project = MakeProject("p.pro");
    {
        CCASEApp app;
        ASSERT_TRUE(Start(app, {}));
        app.Env()->Settings().AutosavePeriod = 7;
        EXPECT_EQ(app.ExitInstance(), 0);
    }
    const std::string stored = Text(UserRegistryFile());
    ASSERT_NE(stored.find("7"), std::string::npos);
    const struct {
        std::vector<std::string> items;
        bool exits;
    } runs[] = {
        {{"-batch", "-new=<Internal>", "-exit"}, true},
        {{"-batch", "-new=<Internal>"}, false},
        {{project, "-batch", "-save", "-exit"}, true},
        {{project, "-batch"}, false},
    };
    for (const auto& run : runs) {
        CCASEApp app;
        EXPECT_EQ(Start(app, run.items), !run.exits);
        EXPECT_EQ(app.Env()->Settings().AutosavePeriod, 7);
        app.Env()->Settings().AutosavePeriod = 9;
        EXPECT_EQ(app.ExitInstance(), 0);
    }
    EXPECT_EQ(Text(UserRegistryFile()), stored);
}

// The exit logs out of the repository only while the session is logged in;
// a server that does not answer is reported and the exit goes on.
class NowhereHost : public RepositoryHost {
  public:
    std::string ServerHost() const override { return "127.0.0.1"; }
    std::string ServerPort() const override { return std::to_string(port); }
    std::string CacheFile() const override { return ""; }
    void SetServerText(const std::string&) override {}
    void CloseProjectWindows(const std::string&, bool) override {}
    void ShowRepositoryBrowser() override {}
    void ShowPath(const std::string&) override {}
    void StartProgress(int) override {}
    void SetProgress(const std::string&, int) override {}
    void HideProgress() override {}
    int port = 1; // nothing listens there
};

class CountingApp : public CCASEApp {
  public:
    void LogoutRepository() override {
        ++logouts;
        CCASEApp::LogoutRepository();
    }
    int logouts = 0;
};

TEST_F(App, ExitLogsOutOfTheRepository) {
    NowhereHost host;
    RepositorySession session(host);
    session.SetTimeoutSeconds(2);
    for (const bool loggedIn : {false, true}) {
        SCOPED_TRACE(loggedIn);
        CountingApp app;
        ASSERT_TRUE(Start(app, {}));
        app.repositorySession = &session;
        session.SetSessionId(loggedIn ? 17 : 0);
        prompts.asked.clear();
        EXPECT_EQ(app.ExitInstance(), 0);
        EXPECT_EQ(app.logouts, 1);
        // Logged out, nothing is sent and nothing is said; logged in, the
        // unanswered logout is shown as a failed command.
        ASSERT_EQ(prompts.asked.size(), loggedIn ? 1u : 0u);
        if (loggedIn) {
            EXPECT_EQ(prompts.asked[0].rfind("Command failed due to an error:\n", 0), 0u)
                << prompts.asked[0];
        }
    }
    // A batch run that exits logs out too.
    CountingApp app;
    EXPECT_FALSE(Start(app, {"-batch", "-exit", "-new=<Internal>"}));
    EXPECT_EQ(app.ExitCode(), 0);
    EXPECT_EQ(app.logouts, 1);
}

// The reference project of the settings is read into the model library at
// start-up, as a hidden document besides the open ones; none named, none read.
TEST_F(App, StartupReadsTheReferenceProjectIntoTheLibrary) {
    const std::string reference = MakeProject("reference.pro");
    {
        CCASEApp app;
        ASSERT_TRUE(Start(app, {}));
        ASSERT_NE(app.Library(), nullptr);
        EXPECT_FALSE(app.Library()->IsLoaded());
        app.Env()->Settings().DefaultRefProj = reference;
        app.ExitInstance();
    }
    {
        CCASEApp app;
        ASSERT_TRUE(Start(app, {}));
        ASSERT_TRUE(app.Library()->IsLoaded());
        ASSERT_NE(app.Library()->Document(), nullptr);
        EXPECT_TRUE(app.Library()->Document()->IsHidden());
        EXPECT_EQ(app.Env()->Documents().Documents().size(), 1u); // the new project only
    }
    // A reference project that cannot be read is shown, and the application
    // starts without a library.
    ASSERT_TRUE(WriteFileReplacing(reference, "(Quillmark \"8.0\" project)\n(garbage"));
    CCASEApp app;
    ASSERT_TRUE(Start(app, {}));
    EXPECT_FALSE(app.Library()->IsLoaded());
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].rfind("Command failed due to an error:\n", 0), 0u)
        << prompts.asked[0];
    EXPECT_EQ(app.Env()->Documents().Documents().size(), 1u);
}

// Batch scripts: the kind from the folder, the options from the command line
// (a value "true" in any case switches a flag on without changing its text),
// the scope, and the project's name and folders passed to the entry function.
TEST_F(App, BatchRunsScriptsWithTheirOptions) {
    const std::string project = MakeProject("a.b.pro");
    MakeDirectories(scratch / "Scripts/CodeGen");
    MakeDirectories(scratch / "Scripts/Task");
    ASSERT_TRUE(WriteFileReplacing(scratch / "Scripts/CodeGen/Write.vxs",
                                   ";$Verbose=quiet\n"
                                   ";? Say more\n"
                                   ";$Comment=none\n"
                                   "(def KestMain (lam (scope name target extra e n)\n"
                                   "  (setq c (open extra \"w\"))\n"
                                   "  (print scope name target $Verbose $Comment e n c)\n"
                                   "  (close c)))\n"));
    ASSERT_TRUE(WriteFileReplacing(scratch / "Scripts/Task/Touch.vxs", "(def KestTask (lam ()\n"
                                                                       "  (setq c (open \"" +
                                                                           (scratch / "task.txt") +
                                                                           "\" \"w\"))\n"
                                                                           "  (print 'done c)\n"
                                                                           "  (close c)))\n"));
    const std::string out = scratch / "gen/out.txt";
    {
        CCASEApp app;
        EXPECT_FALSE(Start(app, {project, "-batch", "-script=CodeGen/Write.vxs",
                                 "-scope=all models", "-folder=" + (scratch / "gen"),
                                 "-file=" + out, "-Verbose=TRUE", "-Comment=said", "-exit"}));
        EXPECT_EQ(app.ExitCode(), 0);
    }
    const std::string written = Text(out);
    for (const char* part : {"allModels", "\"a\"", "\"quiet\"", "\"said\"", "\"\"nil"})
        EXPECT_NE(written.find(part), std::string::npos) << part << " in " << written;
    {
        CCASEApp app;
        EXPECT_FALSE(Start(app, {project, "-batch", "-script=Task/Touch.vxs", "-exit"}));
        EXPECT_EQ(app.ExitCode(), 0);
        EXPECT_NE(Text(scratch / "task.txt").find("done"), std::string::npos);
    }
    {
        CCASEApp app;
        EXPECT_FALSE(Start(app, {project, "-batch", "-script=CodeGen/Write.vxs", "-nosuch=1"}));
        EXPECT_EQ(app.ExitCode(), 1);
        EXPECT_EQ(prompts.asked.back(),
                  "Command Line Error: Invalid script option name: nosuch.\nQuillmark will exit!");
    }
}

// A generation script in batch runs for the scope the project stores unless
// -scope names one; selected objects and the current model need a diagram in
// a window, so such a run fails before it starts, writes nothing and saves
// nothing, where it used to write nothing and report success.
TEST_F(App, BatchGenerationRefusesAScopeWithNothingToWorkOn) {
    const std::string project = MakeProject("scoped.pro");
    const std::string saved = Text(project);
    MakeDirectories(scratch / "Scripts/CodeGen");
    ASSERT_TRUE(WriteFileReplacing(scratch / "Scripts/CodeGen/Scope.vxs",
                                   "(def KestMain (lam (scope name target extra e n)\n"
                                   "  (setq c (open extra \"w\"))\n"
                                   "  (print scope c)\n"
                                   "  (close c)))\n"));
    const std::string out = scratch / "gen/scope.txt";
    const struct {
        const char* scope; // "" for none: the project's stored scope
        const char* refused;
    } cases[] = {
        {"", "Current Model"},
        {"-scope=Current Model", "Current Model"},
        {"-scope=select objects", "Select Objects"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scope);
        std::vector<std::string> args = {project,
                                         "-batch",
                                         "-script=CodeGen/Scope.vxs",
                                         "-folder=" + (scratch / "gen"),
                                         "-file=" + out,
                                         "-save",
                                         "-exit"};
        if (*c.scope != 0)
            args.push_back(c.scope);
        CCASEApp app;
        EXPECT_FALSE(Start(app, args));
        EXPECT_EQ(app.ExitCode(), 1);
        EXPECT_EQ(prompts.asked.back(), std::string("Command Line Error: Scope not available in a "
                                                    "batch run (use -scope=\"All Models\"): ") +
                                            c.refused + ".\nQuillmark will exit!");
        EXPECT_EQ(Text(out), "<missing>");
        EXPECT_EQ(Text(project), saved);
    }
    CCASEApp app;
    EXPECT_FALSE(
        Start(app, {project, "-batch", "-script=CodeGen/Scope.vxs", "-folder=" + (scratch / "gen"),
                    "-file=" + out, "-scope=All Models", "-exit"}));
    EXPECT_EQ(app.ExitCode(), 0);
    EXPECT_EQ(Text(out), "allModels\n");
}

// A documentation script exports a diagram through the environment's image
// writer.
TEST_F(App, BatchDocumentationScriptsExportDiagramImages) {
    const std::string project = scratch / "shop.pro";
    ASSERT_TRUE(CopyFile(std::string(QM_FIXTURES) + "/scripting/KestScript.pro", project));
    MakeDirectories(scratch / "Scripts/DocGen");
    ASSERT_TRUE(WriteFileReplacing(scratch / "Scripts/DocGen/Pictures.vxs",
                                   "(def KestMain (lam (scope name target extra e n)\n"
                                   "  (setq c (open extra \"w\"))\n"
                                   "  (princ (VxCreateImage (car (VxList 'model)) nil \"png\" "
                                   "(concat target \"/img\")) c)\n"
                                   "  (close c)))\n"));
    const std::string out = scratch / "docs/written.txt";
    CCASEApp app;
    EXPECT_FALSE(Start(app, {project, "-batch", "-script=DocGen/Pictures.vxs", "-scope=All Models",
                             "-folder=" + (scratch / "docs"), "-file=" + out, "-exit"}));
    EXPECT_EQ(app.ExitCode(), 0);
    const std::string image = scratch / "docs/img/Default.png";
    EXPECT_EQ(Text(out), image + "\n") << log.Text();
    EXPECT_EQ(Text(image).substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

// The shipped default notation template is the built-in one written out:
// the same tools and diagram types (ids are made anew at every writing).
// QM_UPDATE_SHIPPED_TEMPLATE=1 rewrites it after the built-in one changed.
// The shipped notation draws UML's own notation (its tools and icons are its
// own), yet keeps every tool of the built-in template under the same id, of
// the same type and in the same icon slot, and the same diagram types, so
// that a project made with either opens with the other.
TEST_F(App, ShippedDefaultTemplateKeepsTheBuiltInToolsAndDiagramTypes) {
    const std::string shipped = std::string(QM_SOURCE_DIR) + "/resources/Notations/UML2.1.not";
    NotationTemplate builtIn;
    CreateTemplate(builtIn, kInternalTemplateName);
    NotationTemplate read;
    ASSERT_EQ(CreateTemplate(read, shipped), 1);
    ASSERT_GE(read.tools.size(), builtIn.tools.size());
    for (const auto& tool : builtIn.tools) {
        const ToolModel* own = read.GetTool(tool->id);
        ASSERT_NE(own, nullptr) << tool->name;
        EXPECT_EQ(own->toolType, tool->toolType) << tool->name;
        EXPECT_EQ(own->iconSlot, tool->iconSlot) << tool->name;
    }
    for (size_t i = builtIn.tools.size(); i < read.tools.size(); ++i)
        EXPECT_GE(read.tools[i]->id, 100) << read.tools[i]->name;
    for (size_t i = 0; i < read.diagramTypes.size(); ++i) {
        EXPECT_EQ(read.diagramTypes[i].name, builtIn.diagramTypes[i].name);
        EXPECT_EQ(read.diagramTypes[i].kind, builtIn.diagramTypes[i].kind);
    }
    EXPECT_GE(read.toolBitmap.Width(), builtIn.toolBitmap.Width());
    EXPECT_EQ(read.toolBitmap.Height(), builtIn.toolBitmap.Height());
}

} // namespace
} // namespace qm
