// The project built-ins over a real project document.
#include "ScriptingFixture.h"
#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "drawables/Model.h"
#include "model/Master.h"
#include "platform/Files.h"
#include "platform/ScopedInstall.h"
#include "scripting/DiagramImageSeam.h"
#include "scripting/RunContext.h"
#include "scripting/ScriptRunners.h"

#include <filesystem>
#include <memory>
#include <vector>

namespace qm::test {
namespace {

class ProjectBuiltinsTest : public ScriptingTest {
  protected:
    ProjectBuiltinsTest() : runtime("XDG_RUNTIME_DIR", scratch.Path().c_str()) {
        settings.Language = "C++";
        context.profile = &settings;
        context.templates = &templates;
    }
    ScopedEnvironment runtime;
    Profile settings;
    TemplateCache templates;
    DocumentContext context;
};

TEST_F(ProjectBuiltinsTest, VxSaveProjectSavesAndAnswersNilWhenTheSaveFails) {
    CCASEDoc project(context, true);
    Bind("p", References().MakeRef(&project, RefProject));
    Bind("where", kest::mkstr((scratch / "saved.pro").c_str()));
    Bind("nowhere", kest::mkstr((scratch / "no/such/folder/x.pro").c_str()));
    EXPECT_EQ(Value("(VxSaveProject p where)"), "t");
    EXPECT_TRUE(FileExists(scratch / "saved.pro"));
    EXPECT_EQ(Value("(VxSaveProject p nowhere)"), "nil");
    EXPECT_NE(log.Text().find("project file"), std::string::npos) << log.Text();
    EXPECT_FALSE(FileExists(scratch / "no/such/folder/x.pro"));

    // A reference of another kind is refused before it is used.
    Bind("m", References().MakeRef(&settings, RefModel));
    const struct {
        const char* script;
        const char* expected;
    } cases[] = {
        {"(VxSaveProject p)", "error: VxSaveProject: incorrect number of arguments"},
        {"(VxSaveProject nil where)", "error: VxSaveProject: project reference expected: nil"},
        {"(VxSaveProject p 12)", "error: VxSaveProject: string expected: 12"},
        {"(VxSaveProject m where)", "error: VxSaveProject: project reference expected: <ref:2>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(c.script), c.expected) << c.script;
    // A closed project can no longer be saved through an old reference.
    References().Forget(&project);
    EXPECT_NE(Value("(VxSaveProject p where)").find("no longer exists"), std::string::npos);
}

// Writes a small stand-in file for each image, or fails with a text.
class FakeImageWriter : public DiagramImageWriter {
  public:
    void WriteDiagramImage(Model& model, bool selectionOnly, const std::string& path,
                           const std::string& format) override {
        calls.push_back(model.name + (selectionOnly ? " selected " : " all ") + format);
        if (!failure.empty())
            throw CKestException(failure);
        EXPECT_TRUE(WriteFileReplacing(path + "." + format, "image"));
    }
    std::vector<std::string> calls;
    std::string failure;
};

TEST_F(ProjectBuiltinsTest, VxCreateImageWritesTheModelsImageInTheFolderAsGiven) {
    CCASEDoc project(context, true);
    auto owned = std::make_unique<Model>();
    owned->name = "Shop";
    Model* model = owned.get();
    project.AddModel(std::move(owned));
    const std::string docs = scratch / "docs";
    MakeDirectories(docs);
    // A relative folder is taken in the working folder, like the pages a
    // script writes; the documentation target stored in the project is not
    // where the pages go and plays no part.
    *GenerationSettings(project, TaskDocGen).targetFolder = scratch / "elsewhere";
    struct WorkingFolder {
        std::filesystem::path saved = std::filesystem::current_path();
        explicit WorkingFolder(const std::string& folder) { std::filesystem::current_path(folder); }
        ~WorkingFolder() { std::filesystem::current_path(saved); }
    } working(docs);
    ScriptRunContext run;
    run.project = &project;
    ScopedRunContext scopedRun(run);
    FakeImageWriter writer;
    ScopedInstall<DiagramImageWriter> installed(&writer);
    Bind("m", References().MakeRef(model, RefModel));
    Master master;
    Bind("master", References().MakeRef(&master, RefMaster));

    EXPECT_EQ(Value("(VxCreateImage m nil \"png\" \"img\")"), "\"img/Shop.png\"");
    EXPECT_TRUE(FileExists(docs + "/img/Shop.png"));
    EXPECT_EQ(Value("(VxCreateImage m t 'jpg (quote img))"), "\"img/Shop.jpg\"");
    const std::string absolute = scratch / "abs";
    Bind("abs", kest::mkstr(absolute.c_str()));
    EXPECT_EQ(Value("(VxCreateImage m nil \"bmp\" abs)"), "\"" + absolute + "/Shop.bmp\"");
    EXPECT_TRUE(FileExists(absolute + "/Shop.bmp"));
    EXPECT_EQ(writer.calls,
              (std::vector<std::string>{"Shop all png", "Shop selected jpg", "Shop all bmp"}));

    // A model's name never leads the image out of its folder.
    for (const auto& [name, file] : {std::pair<const char*, const char*>{"../up", ".._up"},
                                     {"a\\b/c", "a_b_c"},
                                     {"..", "_.."}}) {
        model->name = name;
        EXPECT_EQ(Value("(VxCreateImage m nil \"png\" \"img\")"),
                  std::string("\"img/") + file + ".png\"")
            << name;
        EXPECT_TRUE(FileExists(docs + "/img/" + file + ".png")) << name;
    }
    model->name = "Shop";
    EXPECT_FALSE(FileExists(docs + "/up.png"));

    // A master's reference makes no image; a folder that cannot be made,
    // or an export that fails, answers nil (the failure in the log).
    writer.calls.clear();
    EXPECT_EQ(Value("(VxCreateImage master nil \"png\" \"img2\")"), "nil");
    ASSERT_TRUE(WriteFileReplacing(docs + "/plain", "x"));
    EXPECT_EQ(Value("(VxCreateImage m nil \"png\" \"plain/sub\")"), "nil");
    EXPECT_EQ(log.Text(), "Can't make image folder: plain/sub\r\n");
    EXPECT_TRUE(writer.calls.empty());
    writer.failure = "Can't write image file";
    EXPECT_EQ(Value("(VxCreateImage m nil \"png\" \"img\")"), "nil");
    EXPECT_EQ(log.Text(), "Can't write image file\r\n");

    const struct {
        const char* script;
        const char* expected;
    } cases[] = {
        {"(VxCreateImage m nil \"png\")", "error: VxCreateImage: incorrect number of arguments"},
        {"(VxCreateImage \"m\" nil \"png\" \"img\")",
         "error: VxCreateImage: object reference expected: \"m\""},
        {"(VxCreateImage m nil 1 \"img\")", "error: VxCreateImage: string expected: 1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(c.script), c.expected) << c.script;
}

TEST_F(ProjectBuiltinsTest, VxMakeProjectMakesAWindowlessProjectThatCanBeSaved) {
    CCASEDoc project(context, true);
    ScriptRunContext run;
    run.project = &project;
    auto scopedRun = std::make_unique<ScopedRunContext>(run);
    Bind("where", kest::mkstr((scratch / "made.pro").c_str()));
    EXPECT_EQ(Value("(TestRefKind (setq p (VxMakeProject \"<Internal>\")))"), "10");
    EXPECT_EQ(Value("(VxSaveProject p where)"), "t");
    const std::string saved = ReadWholeFile(scratch / "made.pro", 1 << 20).value_or("");
    EXPECT_NE(saved.find("<Internal>"), std::string::npos) << saved.substr(0, 400);

    const struct {
        const char* script;
        const char* expected;
    } cases[] = {
        {"(VxMakeProject \"NoSuchNotation.not\")",
         "error: VxMakeProject: no such notation template: \"NoSuchNotation.not\""},
        {"(VxMakeProject)", "error: VxMakeProject: incorrect number of arguments"},
        {"(VxMakeProject 3)", "error: VxMakeProject: string expected: 3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(c.script), c.expected) << c.script;

    // The run's end releases what it made; old references find nothing.
    scopedRun.reset();
    EXPECT_NE(Value("(VxSaveProject p where)").find("no longer exists"), std::string::npos);
    EXPECT_EQ(Value("(VxMakeProject \"<Internal>\")"), "error: VxMakeProject: no project open");
}

// Every built-in that takes a path reads it as the kernel's file built-ins
// do: "\" (as pathconc joins) and "/" both separate folders, so a script
// that names its files with pathconc writes them in the folder it names, not
// a file with a backslash in its name in the working folder.
TEST_F(ProjectBuiltinsTest, PathsJoinedWithPathconcLeadIntoTheirFolders) {
    const std::string target = scratch / "target";
    MakeDirectories(target + "/img");
    MakeDirectories(scratch / "work");
    struct WorkingFolder {
        std::filesystem::path saved = std::filesystem::current_path();
        explicit WorkingFolder(const std::string& folder) { std::filesystem::current_path(folder); }
        ~WorkingFolder() { std::filesystem::current_path(saved); }
    } working(scratch / "work");
    CCASEDoc project(context, true);
    auto owned = std::make_unique<Model>();
    owned->name = "Shop";
    Model* model = owned.get();
    project.AddModel(std::move(owned));
    ScriptRunContext run;
    run.project = &project;
    ScopedRunContext scopedRun(run);
    FakeImageWriter writer;
    ScopedInstall<DiagramImageWriter> installed(&writer);
    Bind("p", References().MakeRef(&project, RefProject));
    Bind("m", References().MakeRef(model, RefModel));
    Bind("target", kest::mkstr(target.c_str()));
    ASSERT_TRUE(WriteFileReplacing(target + "/old.h", "a\n// BEGIN\nmine\n// END\nb\n"));
    ASSERT_TRUE(WriteFileReplacing(target + "/new.h", "A\n// BEGIN\n// END\nB\n"));
    ASSERT_TRUE(WriteFileReplacing(
        target + "/t.not",
        ReadWholeFile(std::string(QM_FIXTURES) + "/../../resources/Notations/UML2.1.not", 1 << 22)
            .value_or("")));

    struct Case {
        const char* script;
        std::string value;
        std::string written; // the file the call made, under the target folder
    };
    const Case cases[] = {
        {"(VxSaveProject p (pathconc target \"made.pro\"))", "t", "made.pro"},
        {"(VxSaveProject p (pathconc target \"img\" \"deeper.pro\"))", "t", "img/deeper.pro"},
        {"(VxCreateImage m nil \"png\" (pathconc target \"img\"))",
         "\"" + target + "/img/Shop.png\"", "img/Shop.png"},
        {"(VxMergeFiles (pathconc target \"old.h\") (pathconc target \"new.h\") "
         "(pathconc target \"merged.h\") \"BEGIN\" \"END\")",
         "t", "merged.h"},
        {"(VxSaveProject (VxMakeProject (pathconc target \"t.not\")) (pathconc target \"t.pro\"))",
         "t", "t.pro"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Value(c.script), c.value) << c.script << "\n" << log.Text();
        EXPECT_TRUE(FileExists(target + "/" + c.written)) << c.script;
    }
    EXPECT_NE(ReadWholeFile(target + "/merged.h", 1 << 20).value_or("").find("mine"),
              std::string::npos);
    EXPECT_NE(ReadWholeFile(target + "/t.pro", 1 << 20).value_or("").find("t.not"),
              std::string::npos);
    // Nothing lands in the working folder under a name with a backslash.
    EXPECT_TRUE(std::filesystem::is_empty(scratch / "work"));

    // A save that fails answers nil and says why in the log; no file is made.
    EXPECT_EQ(Value("(VxSaveProject p (pathconc target \"no\" \"such\" \"x.pro\"))"), "nil");
    EXPECT_NE(log.Text().find("project file"), std::string::npos) << log.Text();
    EXPECT_NE(log.Text().find(target + "/no/such/x.pro"), std::string::npos) << log.Text();
    EXPECT_FALSE(FileExists(target + "/no/such/x.pro"));
}

} // namespace
} // namespace qm::test
