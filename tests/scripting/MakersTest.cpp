// The maker built-ins over a real project document.
#include "ScriptingFixture.h"
#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/Primitives.h"
#include "drawables/ToolModel.h"
#include "model/Master.h"
#include "model/MasterCollection.h"
#include "scripting/RunContext.h"

#include <memory>

namespace qm::test {
namespace {

class MakersTest : public ScriptingTest {
  protected:
    MakersTest() : runtime("XDG_RUNTIME_DIR", scratch.Path().c_str()) {
        settings.Language = "C++";
        context.profile = &settings;
        context.templates = &templates;
        project = std::make_unique<CCASEDoc>(context, true);
        context.newProjectArmed = true;
        context.commandLineTemplate = "<Internal>";
        project->OnNewDocument();
        ScriptRunContext run;
        run.project = project.get();
        runContext = std::make_unique<ScopedRunContext>(run);
        Bind("p", References().MakeRef(project.get(), RefProject));
    }
    ~MakersTest() override {
        runContext.reset();
        References().Reset();
    }
    size_t MasterCount() { return project->Masters().Count(); }

    ScopedEnvironment runtime;
    Profile settings;
    TemplateCache templates;
    DocumentContext context;
    std::unique_ptr<CCASEDoc> project;
    std::unique_ptr<ScopedRunContext> runContext;
};

TEST_F(MakersTest, VxMakeMasterMakesOnceAndUpdatesAnExistingMaster) {
    ASSERT_NE(project->Template(), nullptr);
    EXPECT_EQ(Value("(TestRefKind (setq m (VxMakeMaster p (name A) (tool class) (comment c))))"),
              "1");
    EXPECT_TRUE(project->IsModified());
    const size_t count = MasterCount();
    EXPECT_EQ(Value("(VxMakeMaster p (name A) (tool class))"),
              "error: VxMakeMaster: Master already defined: ((name A) (tool class))");
    EXPECT_EQ(MasterCount(), count);
    EXPECT_EQ(Value("(TestRefKind (setq n (VxMakeMaster p (name B) (tool Class))))"), "1");
    EXPECT_EQ(Value("(TestRefKind (VxMakeMaster p m (comment x)))"), "1");
    Master* b = project->Masters().At(0);
    Master* a = project->Masters().At(1);
    ASSERT_EQ(b->name, "B");
    EXPECT_EQ(a->comment, "x");
    EXPECT_EQ(a->name, "A");
    EXPECT_EQ(b->comment, "");

    // (pars (T class) (U)): two parameters, the second's type the text nil.
    EXPECT_EQ(Value("(TestRefKind (VxMakeMaster p n (pars (T class) (U)) (args V W)))"), "1");
    ASSERT_EQ(b->parameters.size(), 4u);
    EXPECT_EQ(b->parameters[0]->name, "T");
    EXPECT_EQ(b->parameters[0]->type, "class");
    EXPECT_EQ(b->parameters[1]->name, "U");
    EXPECT_EQ(b->parameters[1]->type, "nil");
    EXPECT_EQ(b->parameters[3]->name, "W");

    const struct {
        const char* script;
        const char* expected;
    } cases[] = {
        {"(VxMakeMaster p)", "error: VxMakeMaster: master reference expected: nil"},
        {"(VxMakeMaster p nil (name Q))", "error: VxMakeMaster: master reference expected: nil"},
        {"(VxMakeMaster 5 (name Q))", "error: VxMakeMaster: project reference expected: 5"},
        {"(VxMakeMaster p (name Q))", "error: VxMakeMaster: Invalid tool (-1) for master  Q: nil"},
        {"(VxMakeMaster p (name Q) (namespace N))",
         "error: VxMakeMaster: Invalid tool (-1) for master N.Q: nil"},
        {"(VxMakeMaster p (name Q) (tool nosuch))",
         "error: VxMakeMaster: unknown master tool name: nosuch"},
        {"(VxMakeMaster p n (pars T))", "error: VxMakeMaster: Invalid master (B) parameter: T"},
        {"(VxMakeMaster p n (args (T)))", "error: VxMakeMaster: Invalid master (B) argument: (T)"},
        {"(VxMakeMaster p (m) (comment x))", "error: VxMakeMaster: bad tag: m"},
        {"(VxMakeMaster p n (access secret))", "error: VxMakeMaster: invalid access: secret"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(c.script), c.expected) << c.script;
    EXPECT_EQ(MasterCount(), count + 1);
}

TEST_F(MakersTest, MemberMakersAppendRecordsReadFromTheirClauses) {
    ASSERT_EQ(Value("(TestRefKind (setq m (VxMakeMaster p (name A) (tool class))))"), "1");
    Master* a = project->Masters().At(0);
    EXPECT_EQ(
        Value(
            "(TestRefKind (VxMakeAttribute m (name x) (type int) (access private) (mode static)))"),
        "6");
    EXPECT_EQ(Value("(TestRefKind (VxMakeType m (name Color) (kind enum) (returns r) (def d)"
                    " (elems ((name RED) (value R)) ((name GREEN)))))"),
              "7");
    EXPECT_EQ(
        Value("(TestRefKind (VxMakeMethod m (name run) (pars ((name a) (type int) (dir in out)))"
              " (others (IOError exception) (Tx context))))"),
        "8");
    EXPECT_EQ(Value("(TestRefKind (VxMakeException m (name E) (members ((name code)))))"), "9");
    ASSERT_EQ(a->attributes.size(), 1u);
    EXPECT_EQ(a->attributes[0]->owner, a);
    EXPECT_EQ(a->attributes[0]->access, 1);
    EXPECT_EQ(a->attributes[0]->mode, 1);
    ASSERT_EQ(a->types.size(), 1u);
    EXPECT_EQ(a->types[0]->definition, "d");
    EXPECT_EQ(a->types[0]->kind, 2);
    ASSERT_EQ(a->types[0]->elements.size(), 2u);
    EXPECT_EQ(a->types[0]->elements[0]->value, "R");
    EXPECT_EQ(a->types[0]->elements[1]->value, "");
    ASSERT_EQ(a->methods.size(), 1u);
    EXPECT_EQ(a->methods[0]->parameters[0]->direction, 3);
    ASSERT_EQ(a->methods[0]->others.size(), 2u);
    EXPECT_EQ(a->methods[0]->others[1]->kind, 1);
    ASSERT_EQ(a->exceptions.size(), 1u);
    EXPECT_EQ(a->exceptions[0]->members[0]->name, "code");

    const struct {
        const char* script;
        const char* expected;
    } cases[] = {
        {"(VxMakeType m (elems (name RED)))", "error: VxMakeType: list expected: name"},
        {"(VxMakeType m (elems ((value 1))))", "error: VxMakeType: string expected: 1"},
        {"(VxMakeType m (elems ((dir in))))", "error: VxMakeType: bad tag: dir"},
        {"(VxMakeMethod m (others (X other)))",
         "error: VxMakeMethod: exception of context expected: other"},
        {"(VxMakeMethod m (others X))", "error: VxMakeMethod: list expected: X"},
        {"(VxMakeAttribute p (name x))",
         "error: VxMakeAttribute: master reference expected: <ref:1>"},
        {"(VxMakeException m (kind x))", "error: VxMakeException: bad tag: kind"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(c.script), c.expected) << c.script;
    // A failing call adds nothing.
    EXPECT_EQ(a->types.size(), 1u);
    EXPECT_EQ(a->methods.size(), 1u);

    // VxClearMaster empties the member lists and keeps name and tool.
    EXPECT_EQ(Value("(VxClearMaster m)"), "t");
    EXPECT_TRUE(a->attributes.empty() && a->methods.empty() && a->types.empty() &&
                a->exceptions.empty() && a->parameters.empty());
    EXPECT_EQ(a->name, "A");
    EXPECT_NE(a->tool, nullptr);
    EXPECT_EQ(Value("(VxClearMaster p)"),
              "error: VxClearMaster: master reference expected: <ref:1>");
}

TEST_F(MakersTest, VxMakeModelNamesAndEntersItsModel) {
    const size_t before = project->ModelCount();
    EXPECT_EQ(Value("(TestRefKind (VxMakeModel p))"), "0");
    ASSERT_EQ(project->ModelCount(), before + 1);
    Model* first = project->GetModelAt(before);
    EXPECT_EQ(first->name, "Untitled 1");
    Value("(VxMakeModel p (name \"Untitled 3\"))");
    Value("(VxMakeModel p)");
    EXPECT_EQ(project->GetModelAt(before + 2)->name, "Untitled 4");

    Value("(setq c (VxMakeMaster p (name C) (tool class)))");
    EXPECT_EQ(Value("(TestRefKind (setq m (VxMakeModel p (name M) (type class) (zoom 2.0)"
                    " (rect 0 0 800 600) (parentMaster c) (flags stepLink))))"),
              "0");
    Model* m = project->GetModelAt(before + 3);
    EXPECT_EQ(m->kind, 11);
    EXPECT_EQ(m->zoom, 2.0);
    EXPECT_EQ(m->pageMatrix, CRect(0, 0, 800, 600));
    EXPECT_EQ(m->zoomedPageMatrix, CRect(0, 0, 800, 600));
    EXPECT_EQ(m->parentMaster, project->Masters().At(0));
    EXPECT_EQ(project->Masters().At(0)->submodel, m);
    EXPECT_EQ(m->modelFlags, 0x4u);
    Value("(VxMakeModel p (name K) (type Class) (parentMaster nil) (parentModel m))");
    Model* k = project->GetModelAt(before + 4);
    EXPECT_EQ(k->kind, 0);
    EXPECT_EQ(k->parentMaster, nullptr);
    EXPECT_EQ(k->parentModel, m);

    const struct {
        const char* script;
        const char* expected;
    } cases[] = {
        {"(VxMakeModel c)", "error: VxMakeModel: project reference expected: <ref:5>"},
        {"(VxMakeModel p (parentMaster m))",
         "error: VxMakeModel: master reference expected: <ref:6>"},
        {"(VxMakeModel p (zoom big))", "error: VxMakeModel: real number expected: big"},
        {"(VxMakeModel p (size 1))", "error: VxMakeModel: bad tag: size"},
        {"(VxSelectModel m)", "t"},
        {"(VxCalcModel m)", "t"},
        {"(VxCalcModel c)", "error: VxCalcModel: model reference expected: <ref:5>"},
        {"(VxSelectModel)", "error: VxSelectModel: incorrect number of arguments"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(c.script), c.expected) << c.script;
    // A clause error leaves the model in the list, named by no clause.
    EXPECT_EQ(project->GetModelAt(project->ModelCount() - 1)->name, "");
}

TEST_F(MakersTest, PlaceAndJunctionMakers) {
    Value("(setq c (VxMakeMaster p (name C) (tool class)))");
    Value("(setq m (VxMakeModel p (name M)))");
    Master* c = project->Masters().At(0);
    Model* m = project->GetModelAt(project->ModelCount() - 1);
    project->SetModifiedFlag(false);
    EXPECT_EQ(Value("(TestRefKind (setq pl (VxMakePlace m (master c) (rect 10 20 90 60)"
                    " (instance i1) (flags annotate) (looks (fillColor 3)))))"),
              "2");
    EXPECT_TRUE(project->IsModified());
    ASSERT_EQ(m->drawables.size(), 1u);
    auto* place = dynamic_cast<Place*>(m->drawables.back().get());
    ASSERT_NE(place, nullptr);
    EXPECT_EQ(place->master, c);
    EXPECT_EQ(c->refCount, 1);
    EXPECT_EQ(place->kindCode, c->tool->ToolId());
    EXPECT_EQ(place->bounds, CRect(10, 20, 90, 60));
    EXPECT_EQ(place->label, "i1");
    EXPECT_EQ(place->placeFlags, 1u);
    EXPECT_EQ(place->looks.fillColor, 3u);
    EXPECT_NE(place->looks.style & kStyleInherit, 0);

    EXPECT_EQ(Value("(TestRefKind (VxMakeJunction m (pivot pl) (tip 0 10) (text J)))"), "11");
    EXPECT_EQ(m->drawables.size(), 1u); // the junction belongs to its pivot

    const struct {
        const char* script;
        const char* expected;
    } cases[] = {
        {"(VxMakePlace m (rect 0 0 80 40) (master c))",
         "error: VxMakePlace: master reference expected: 0"},
        {"(VxMakePlace c (master c))", "error: VxMakePlace: model reference expected: <ref:2>"},
        {"(VxMakePlace m (master c) (members pl))",
         "error: VxMakePlace: members specified for non-group place: nil"},
        {"(VxMakePlace m (master c) (leftLane pl))",
         "error: VxMakePlace: leftLane/rightLane should be used in swimlanes only: (pl)"},
        {"(VxMakePlace m (master c) (rect 1 2 3))", "error: VxMakePlace: bad clause: (rect 1 2 3)"},
        {"(VxMakeJunction m (text J) (tip 1 1))",
         "error: VxMakeJunction: No pivot specified for junction: nil"},
        {"(VxMakeJunction m (pivot c))",
         "error: VxMakeJunction: pivot requires place reference: <ref:2>"},
        {"(VxMakeJunction m (pivot pl) (junction 7))",
         "error: VxMakeJunction: invalid junction kind: 7"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(c.script), c.expected) << c.script;
    // Failed makers add nothing to the model.
    EXPECT_EQ(m->drawables.size(), 1u);
    EXPECT_EQ(Value("(TestRefKind (VxMakePlace m))"), "2");
    EXPECT_EQ(m->drawables.size(), 2u);
}

TEST_F(MakersTest, PrimitiveMakers) {
    Value("(setq m (VxMakeModel p (name M)))");
    Model* m = project->GetModelAt(project->ModelCount() - 1);
    EXPECT_EQ(Value("(TestRefKind (VxMakeBox m (tool icon) (rect 10 10 200 200) (icon 3)))"), "4");
    auto* box = dynamic_cast<BoxPrimitive*>(m->drawables.back().get());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->kindCode, 49);
    EXPECT_EQ(box->bounds, CRect(10, 10, 26, 25));
    EXPECT_EQ(box->icon, 3);
    EXPECT_EQ(Value("(TestRefKind (VxMakeLine m (tool polygon) (points 5 50 40 10 60 30)))"), "4");
    auto* line = dynamic_cast<LinePrimitive*>(m->drawables.back().get());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->kindCode, 32);
    EXPECT_EQ(line->vertices.size(), 3u);
    EXPECT_EQ(line->bounds, CRect(5, 10, 60, 50));
    EXPECT_EQ(Value("(TestRefKind (VxMakeText m (text Hello editable) (rect 0 0 50 20)"
                    " (looks (fontStyle bold))))"),
              "4");
    auto* text = dynamic_cast<TextPrimitive*>(m->drawables.back().get());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text, "Hello");
    EXPECT_EQ(text->textFlags, 1);
    EXPECT_EQ(text->looks.style & kStyleInherit, 0);
    const size_t count = m->drawables.size();

    const struct {
        const char* script;
        const char* expected;
    } cases[] = {
        {"(VxMakeText m (text Hello bold))", "error: VxMakeText: invalid text property: bold"},
        {"(VxMakeText m (text Hello 1))", "error: VxMakeText: invalid text property: 1"},
        {"(VxMakeBox m (tool circle))", "error: VxMakeBox: invalid box tool: circle"},
        {"(VxMakeBox m (icon \"3\"))", "error: VxMakeBox: integer number expected: \"3\""},
        {"(VxMakeLine m (tool \"line\"))", "error: VxMakeLine: invalid line tool: \"line\""},
        {"(VxMakeLine m (points 1 2 3))", "error: VxMakeLine: bad clause: (points 1 2 3)"},
        {"(VxMakeLine m (rect 1 2 3 4))", "error: VxMakeLine: bad tag: rect"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(c.script), c.expected) << c.script;
    EXPECT_EQ(m->drawables.size(), count);
}

TEST_F(MakersTest, VxMakeLinkJoinsTwoNodes) {
    Value("(setq c (VxMakeMaster p (name C) (tool class)))");
    Value("(setq m (VxMakeModel p (name M)))");
    Value("(setq a (VxMakePlace m (master c) (rect 0 0 100 50)))");
    Value("(setq b (VxMakePlace m (master c) (rect 200 100 301 151)))");
    Model* m = project->GetModelAt(project->ModelCount() - 1);
    NotationTemplate* notation = project->Template();
    ToolModel* tool = nullptr;
    for (const char* name : {"association", "Association", "link", "dependency"})
        if ((tool = notation->FindToolByName(name, false)) != nullptr && tool->IsLinkTool())
            break;
    ASSERT_NE(tool, nullptr);
    Bind("toolName", kest::mkstr(tool->name.c_str()));
    EXPECT_EQ(Value("(TestRefKind (eval (list 'VxMakeLink 'm (list 'tool toolName) '(source a)"
                    " '(target b) '(role a b) '(card 1 n))))"),
              "3");
    auto* link = dynamic_cast<Link*>(m->drawables.back().get());
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->sourceEnd, "a%%1");
    EXPECT_EQ(link->targetEnd, "b%%n");
    EXPECT_EQ(link->VertexCount(), 2);
    EXPECT_FALSE(link->labelRect.IsRectEmpty());
    EXPECT_EQ(link->nameRect, link->labelRect);
    Value("(eval (list 'VxMakeLink 'm (list 'tool toolName) '(source a) '(target b)))");
    auto* plain = dynamic_cast<Link*>(m->drawables.back().get());
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->sourceEnd, "%%");
    EXPECT_EQ(plain->targetEnd, "%%");
    const size_t count = m->drawables.size();
    const struct {
        const char* script;
        const char* expected;
    } cases[] = {
        {"(VxMakeLink m (target b))", "error: VxMakeLink: No source specified for link: nil"},
        {"(VxMakeLink m (source a))", "error: VxMakeLink: No target specified for link: nil"},
        {"(VxMakeLink m (source a) (target b))",
         "error: VxMakeLink: No tool specified for link: nil"},
        {"(VxMakeLink m (source c))",
         "error: VxMakeLink: source/target requires place or junction reference: <ref:2>"},
        {"(VxMakeLink m (tool nosuch))", "error: VxMakeLink: unknown link tool name: nosuch"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(c.script), c.expected) << c.script;
    EXPECT_EQ(m->drawables.size(), count);
}

} // namespace
} // namespace qm::test
