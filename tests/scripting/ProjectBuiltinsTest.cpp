// The project built-ins over a real project document.
#include "ScriptingFixture.h"
#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "platform/Files.h"

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

} // namespace
} // namespace qm::test
