// The query built-ins and property lists where a script alone cannot set the
// stage: selections, deleted objects and closed projects, the window seams,
// runs without a project, and the looks clause reader.
#include "ScriptingFixture.h"
#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"
#include "document/ProjectFile.h"
#include "document/TemplateCache.h"
#include "drawables/FontFaceTable.h"
#include "drawables/Looks.h"
#include "drawables/Model.h"
#include "kernel/Symbol.h"
#include "model/Master.h"
#include "model/Members.h"
#include "scripting/ModelRefs.h"
#include "scripting/QuerySeams.h"
#include "scripting/RunContext.h"

#include <memory>

namespace qm::test {
namespace {

class QueryBuiltinsTest : public ScriptingTest {
  protected:
    QueryBuiltinsTest() : runtime("XDG_RUNTIME_DIR", scratch.Path().c_str()) {
        settings.Language = "C++";
        context.profile = &settings;
        context.templates = &templates;
        project = std::make_unique<CCASEDoc>(context, true);
        project->LoadText(ReadFileText(QM_FIXTURES "/scripting/KestScript.pro", "fixture"));
        ScriptRunContext run;
        run.project = project.get();
        scoped = std::make_unique<ScopedRunContext>(run);
        classes = project->FindModelByName("Classes");
    }
    ~QueryBuiltinsTest() override {
        scoped.reset();
        References().Reset();
    }

    ScopedEnvironment runtime;
    Profile settings;
    TemplateCache templates;
    DocumentContext context;
    std::unique_ptr<CCASEDoc> project;
    std::unique_ptr<ScopedRunContext> scoped;
    Model* classes = nullptr;
};

TEST_F(QueryBuiltinsTest, SelectedDrawablesOnlyWithAFilter) {
    ASSERT_NE(classes, nullptr);
    Drawable* links[2] = {};
    int found = 0;
    for (const auto& d : classes->Drawables())
        if (d->IsLink() && found < 2)
            links[found++] = d.get();
    ASSERT_EQ(found, 2);
    Drawable* firstPlace = nullptr;
    for (const auto& d : classes->Drawables())
        if (d->IsPlace() && firstPlace == nullptr)
            firstPlace = d.get();
    classes->Select(links[1], 1, 1, 0);
    classes->Select(firstPlace, 1, 1, 0);
    const char* names = "(def names (lam (refs) (mapcar 'name refs)))"
                        "(def name (lam (x) (cadr (assoc 'name (VxProps x)))))"
                        "(setq m (VxFind 'model \"Classes\"))";
    ASSERT_TRUE(Run(names).ok);
    EXPECT_EQ(Value("(names (VxList 'link m t))"), "(\"uses\")");
    EXPECT_EQ(Value("(names (VxList 'link m))"), "(\"is a\" \"uses\")");
    EXPECT_EQ(Value("(length (VxList 'place m 1))"), "1");
    EXPECT_EQ(Value("(length (VxList 'drawable m t))"), "2");
    EXPECT_EQ(Value("(VxList 'primitive m t)"), "nil");
}

TEST_F(QueryBuiltinsTest, AReferenceNeverOutlivesItsObject) {
    ASSERT_TRUE(Run("(setq gone (car (VxList 'master)))"
                    "(setq m (VxFind 'model \"Classes\"))")
                    .ok);
    // The master deleted while the script holds it (the deleting code
    // forgets it first).
    References().Forget(project->Masters().At(0));
    const struct {
        const char* script;
        const char* expected;
    } afterDelete[] = {
        {"(VxProps gone)", "error: VxProps: referenced object no longer exists: <ref:2>"},
        {"(VxMark gone)", "error: VxMark: referenced object no longer exists: <ref:2>"},
        {"(VxList 'attribute gone)", "error: VxList: referenced object no longer exists: <ref:2>"},
        {"(VxAssociations gone)",
         "error: VxAssociations: referenced object no longer exists: <ref:2>"},
    };
    for (const auto& c : afterDelete)
        EXPECT_EQ(Value(c.script), c.expected) << c.script;
    // A closed project takes every reference into it along.
    References().Forget(project.get());
    EXPECT_NE(Value("(VxProps m)").find("no longer exists"), std::string::npos);
    EXPECT_NE(Value("(VxList 'drawable m)").find("no longer exists"), std::string::npos);
}

// Property lists share the properties that say nothing of one object alone
// only while the heap keeps the cells:
// lists made after a mark gave them back are whole, however the freed
// memory was used meanwhile.
TEST_F(QueryBuiltinsTest, SharedPropertiesNeverOutliveTheirCells) {
    const std::string members = "(mapcar 'VxProps (conc (VxList 'attribute (car (VxList "
                                "'master))) (VxList 'method (car (VxList 'master)))))";
    const std::string master = "(VxProps (car (VxList 'master)))";
    kest::savemark();
    const std::string membersBefore = Value(members);
    const std::string masterBefore = Value(master);
    // Within one heap: one list for (tool place1).
    EXPECT_EQ(Value("(eq (assoc 'tool " + master + ") (assoc 'tool " + master + "))"), "t");
    kest::restoremark();
    for (int i = 0; i < 20000; ++i)
        kest::mkstr("the freed cells used for something else");
    kest::savemark();
    EXPECT_EQ(Value(members), membersBefore);
    EXPECT_EQ(Value(master), masterBefore);
    kest::restoremark();
}

TEST_F(QueryBuiltinsTest, WithoutAProjectTheQueriesSaySo) {
    ScopedRunContext none(ScriptRunContext{});
    const struct {
        const char* script;
        const char* expected;
    } cases[] = {
        {"(VxProject)", "nil"},
        {"(VxProjectFile)", "nil"},
        {"(VxList 'model)", "error: VxList: no current project"},
        {"(VxList 'master)", "error: VxList: no current project"},
        {"(VxFind 'master \"A\" nil)", "error: VxFind: no current project"},
        {"(VxMarkAll 'master)", "error: VxMarkAll: no current project"},
        // An unknown scope is refused before the project is asked for.
        {"(VxUnmarkAll 'link)", "error: VxUnmarkAll: invalid argument: link"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(c.script), c.expected) << c.script;
}

// Sorting moves a reference only past neighbours of its own named kind:
// equal names keep their order, and a reference of another kind (or any
// other cell) stays where it is and parts the list into runs sorted apart.
TEST_F(QueryBuiltinsTest, SortRefsKeepsEqualNamesAndBarriersInPlace) {
    Master* shape = project->Masters().At(0);
    ASSERT_NE(shape, nullptr);
    for (const char* name : {"b", "a", "b", "a", "c"}) {
        auto attribute = std::make_unique<MasterAttribute>();
        attribute->name = name;
        shape->attributes.push_back(std::move(attribute));
    }
    ASSERT_TRUE(Run("(setq as (VxList 'attribute (car (VxList 'master))))"
                    "(def pos (lam (x l n) (cond ((null? l) 'none)"
                    "                           ((eq x (car l)) n)"
                    "                           (t (pos x (cdr l) (+ n 1))))))"
                    "(def at (lam (n) (nthelem as n)))"
                    "(def where (lam (l) (mapcar '(lam (x) (pos x as 0)) l)))")
                    .ok);
    // The positions are those of the list as; the five made here come last.
    const size_t first = std::stoul(Value("(length as)")) - 5;
    const auto nth = [&](size_t i) { return std::to_string(first + i); };
    const auto item = [&](size_t i) { return "(at " + std::to_string(first + i + 1) + ")"; };
    const struct {
        std::string list;
        std::string expected;
    } cases[] = {
        // b1 a1 b2 a2 c: a1 a2 b1 b2 c.
        {"(list " + item(0) + item(1) + item(2) + item(3) + item(4) + ")",
         "(" + nth(1) + " " + nth(3) + " " + nth(0) + " " + nth(2) + " " + nth(4) + ")"},
        // A master between them: b1 a1 | master | b2 a2, each side on its own.
        {"(list " + item(0) + item(1) + " (car (VxList 'master)) " + item(2) + item(3) + ")",
         "(" + nth(1) + " " + nth(0) + " none " + nth(3) + " " + nth(2) + ")"},
        // A string parts the run as well, and stays where it was.
        {"(list " + item(4) + item(0) + " \"x\" " + item(3) + item(1) + ")",
         "(" + nth(0) + " " + nth(4) + " none " + nth(3) + " " + nth(1) + ")"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value("(where (VxSortRefs " + c.list + "))"), c.expected) << c.list;
}

TEST_F(QueryBuiltinsTest, ProjectFileOfAProjectNeverSaved) {
    EXPECT_EQ(Value("(VxProjectFile)"), "((path \"\") (title \"\") (date 0))");
    const std::string saved = scratch / "saved.pro";
    project->SaveToFile(saved);
    project->SetPathName(saved);
    EXPECT_EQ(Value("(cadr (assoc 'path (VxProjectFile)))"), "\"" + saved + "\"");
    EXPECT_EQ(Value("(> (cadr (assoc 'date (VxProjectFile))) 0)"), "t");
}

class FakeLister : public MasterListerSelection {
  public:
    std::vector<Master*> SelectedMasters(CCASEDoc* of) override {
        asked = of;
        return selected;
    }
    std::vector<Master*> selected;
    CCASEDoc* asked = nullptr;
};

TEST_F(QueryBuiltinsTest, MastersSelectedInTheListerInItsOrder) {
    FakeLister lister;
    lister.selected = {project->Masters().At(2), project->Masters().At(0)};
    ScopedInstall<MasterListerSelection> installed(&lister);
    ASSERT_TRUE(Run("(def name (lam (x) (cadr (assoc 'name (VxProps x)))))").ok);
    EXPECT_EQ(Value("(mapcar 'name (VxList 'master t))"), "(\"User\" \"Shape\")");
    EXPECT_EQ(lister.asked, project.get());
    lister.selected.clear();
    EXPECT_EQ(Value("(VxList 'master 'selected)"), "nil");
    EXPECT_EQ(Value("(length (VxList 'master))"), "5");
}

TEST_F(QueryBuiltinsTest, LooksClauses) {
    Looks base;
    base.Init(false, nullptr);
    base.height = -20;
    base.style = 0x8;
    kest::Symbol* self = kest::intern("VxMakeBox");
    struct Case {
        const char* clauses;
        int height;
        int style;
        int alignment;
        uint32_t fill;
    } cases[] = {
        // The base looks stand where no clause speaks.
        {"()", -20, 0x8, 1, 15},
        // (fontStyle) sets no style bits; other heads are ignored.
        {"((fontStyle) (shadow 3))", -20, 0, 1, 15},
        {"((fontStyle bold underline) (fontSize 9) (justify right) (fillColor 7))", 9, 0x5, 2, 7},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Run(std::string("(setq clauses '") + c.clauses + ")").ok);
        Looks looks;
        ReadLooksSpec(self, kest::intern("clauses")->value(), looks, &base);
        EXPECT_EQ(looks.height, c.height) << c.clauses;
        EXPECT_EQ(looks.style, c.style) << c.clauses;
        EXPECT_EQ(looks.alignment, c.alignment) << c.clauses;
        EXPECT_EQ(looks.fillColor, c.fill) << c.clauses;
    }
    // A new face is added to the table.
    ASSERT_TRUE(Run("(setq clauses '((font \"Quill Sans\")))").ok);
    Looks looks;
    ReadLooksSpec(self, kest::intern("clauses")->value(), looks, nullptr);
    EXPECT_EQ(FontFaces().FaceName(looks.face), "Quill Sans");
}

// The looks reader's errors reach the script as errors of the maker.
kest::Cell* ProbeLooks(kest::Symbol* self) {
    Looks looks;
    ReadLooksSpec(self, kest::argument(0), looks, nullptr);
    return kest::mkint(looks.height);
}

TEST_F(QueryBuiltinsTest, LooksClauseErrors) {
    kest::registerbuiltin("TestLooks", kest::KBuiltin, ProbeLooks);
    const struct {
        const char* script;
        const char* expected;
    } cases[] = {
        {"(TestLooks '((fontSize 8)))", "8"},
        {"(TestLooks '(fontSize 8))", "error: TestLooks: invalid looks specification: fontSize"},
        {"(TestLooks '((fontSize \"8\")))", "error: TestLooks: integer number expected: \"8\""},
        {"(TestLooks '((font 3)))", "error: TestLooks: string expected: 3"},
        {"(TestLooks '((justify middle)))", "error: TestLooks: invalid justification: middle"},
        {"(TestLooks '((fontStyle bold heavy)))", "error: TestLooks: invalid font style: heavy"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(c.script), c.expected) << c.script;
}

} // namespace
} // namespace qm::test
