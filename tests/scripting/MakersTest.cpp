// The maker built-ins over a real project document.
#include "ScriptingFixture.h"
#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "document/UndoJournal.h"
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/Primitives.h"
#include "drawables/Tag.h"
#include "drawables/ToolModel.h"
#include "model/Master.h"
#include "model/MasterCollection.h"
#include "platform/ScopedInstall.h"
#include "scripting/RunContext.h"

#include <functional>
#include <initializer_list>
#include <iterator>
#include <map>
#include <memory>
#include <vector>

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
    // Binds toolName to the name of a link tool of the project's notation
    // and returns the tool; none is a failure, and null.
    ToolModel* BindLinkTool() {
        NotationTemplate* notation = project->Template();
        ToolModel* tool = nullptr;
        for (const char* name : {"association", "Association", "link", "dependency"})
            if ((tool = notation->FindToolByName(name, false)) != nullptr && tool->IsLinkTool())
                break;
        if (tool == nullptr) {
            ADD_FAILURE() << "the notation has no link tool";
            return nullptr;
        }
        Bind("toolName", kest::mkstr(tool->name.c_str()));
        return tool;
    }
    Model* LastModel() { return project->GetModelAt(project->ModelCount() - 1); }
    // A script and the value it must give (an error's text for one refused).
    struct Expected {
        const char* script;
        const char* value;
    };
    // Runs each script in turn, expecting its value.
    void ExpectValues(std::initializer_list<Expected> cases) {
        for (const Expected& c : cases)
            EXPECT_EQ(Value(c.script), c.value) << c.script;
    }
    // Records a plain change, so that the undo history is not empty.
    void RecordSomething(Model* model) {
        project->GetJournal().BeginChange(ChangeKind::Replace);
        project->GetJournal().RecordChange(ChangeKind::Replace, "Something", model, nullptr);
        ASSERT_FALSE(project->GetJournal().Records().empty());
    }

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

    ExpectValues({
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
    });
    EXPECT_EQ(MasterCount(), count + 1);
}

// A C++ template parameter's kind and a Java parameter's bound reach the
// property list as elements of their own; a type without either mark (typed
// by hand) shows in neither.
TEST_F(MakersTest, ParameterKindsAndBoundsAreListedApart) {
    ASSERT_EQ(Value("(TestRefKind (setq k (VxMakeMaster p (name K) (tool class) (args T N)"
                    " (kinds (N \"std::size_t\" \"4\") (Ts \"typename...\")))))"),
              "1");
    Master* k = project->Masters().At(0);
    ASSERT_EQ(k->parameters.size(), 3u);
    EXPECT_EQ(k->parameters[0]->direction, 0);
    EXPECT_EQ(k->parameters[1]->direction, ParamTypeKind);
    EXPECT_EQ(k->parameters[2]->name, "Ts");
    EXPECT_EQ(Value("(assoc 'args (VxProps k))"), "(args \"T\" \"N\" \"Ts\")");
    EXPECT_EQ(Value("(assoc 'kinds (VxProps k))"),
              "(kinds (\"T\" \"\" \"\") (\"N\" \"std::size_t\" \"4\") "
              "(\"Ts\" \"typename...\" \"\"))");
    EXPECT_EQ(Value("(assoc 'bounds (VxProps k))"), "nil");

    k->parameters[0]->type = "class"; // typed by hand: no mark
    k->parameters[2]->direction = 0;
    EXPECT_EQ(Value("(TestRefKind (VxMakeMaster p k (bounds (N Number))))"), "1");
    EXPECT_EQ(k->parameters[1]->direction, ParamTypeBound);
    EXPECT_EQ(k->parameters[1]->value, "");
    EXPECT_EQ(Value("(assoc 'bounds (VxProps k))"),
              "(bounds (\"T\" \"\") (\"N\" \"Number\") (\"Ts\" \"\"))");
    EXPECT_EQ(Value("(assoc 'kinds (VxProps k))"), "nil");
    EXPECT_EQ(Value("(VxMakeMaster p k (kinds N))"),
              "error: VxMakeMaster: Invalid master (K) parameter: N");
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

    ExpectValues({
        {"(VxMakeType m (elems (name RED)))", "error: VxMakeType: list expected: name"},
        {"(VxMakeType m (elems ((value 1))))", "error: VxMakeType: string expected: 1"},
        {"(VxMakeType m (elems ((dir in))))", "error: VxMakeType: bad tag: dir"},
        {"(VxMakeMethod m (others (X other)))",
         "error: VxMakeMethod: exception of context expected: other"},
        {"(VxMakeMethod m (others X))", "error: VxMakeMethod: list expected: X"},
        {"(VxMakeAttribute p (name x))",
         "error: VxMakeAttribute: master reference expected: <ref:1>"},
        {"(VxMakeException m (kind x))", "error: VxMakeException: bad tag: kind"},
    });
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

    ExpectValues({
        {"(VxMakeModel c)", "error: VxMakeModel: project reference expected: <ref:5>"},
        {"(VxMakeModel p (parentMaster m))",
         "error: VxMakeModel: master reference expected: <ref:6>"},
        {"(VxMakeModel p (zoom big))", "error: VxMakeModel: real number expected: big"},
        {"(VxMakeModel p (size 1))", "error: VxMakeModel: bad tag: size"},
        {"(VxSelectModel m)", "t"},
        {"(VxCalcModel m)", "t"},
        {"(VxCalcModel c)", "error: VxCalcModel: model reference expected: <ref:5>"},
        {"(VxSelectModel)", "error: VxSelectModel: incorrect number of arguments"},
    });
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
    ASSERT_EQ(m->Drawables().size(), 1u);
    auto* place = dynamic_cast<Place*>(m->Drawables().back().get());
    ASSERT_NE(place, nullptr);
    EXPECT_EQ(place->master, c);
    EXPECT_EQ(c->refCount, 1);
    EXPECT_EQ(place->kindCode, c->tool->ToolId());
    EXPECT_EQ(place->bounds, CRect(10, 20, 90, 60));
    EXPECT_EQ(place->label, "i1");
    // annotate, and the instance label that its label text makes it.
    EXPECT_EQ(place->placeFlags, 0x1u | PfInstanceLabel);
    EXPECT_EQ(place->looks.fillColor, 3u);
    EXPECT_NE(place->looks.style & kStyleInherit, 0);

    EXPECT_EQ(Value("(TestRefKind (VxMakeJunction m (pivot pl) (tip 0 10) (text J)))"), "11");
    EXPECT_EQ(m->Drawables().size(), 1u); // the junction belongs to its pivot

    ExpectValues({
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
    });
    // Failed makers add nothing to the model.
    EXPECT_EQ(m->Drawables().size(), 1u);
    EXPECT_EQ(Value("(TestRefKind (VxMakePlace m))"), "2");
    EXPECT_EQ(m->Drawables().size(), 2u);
}

TEST_F(MakersTest, PrimitiveMakers) {
    Value("(setq m (VxMakeModel p (name M)))");
    Model* m = project->GetModelAt(project->ModelCount() - 1);
    EXPECT_EQ(Value("(TestRefKind (VxMakeBox m (tool icon) (rect 10 10 200 200) (icon 3)))"), "4");
    auto* box = dynamic_cast<BoxPrimitive*>(m->Drawables().back().get());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->kindCode, 49);
    EXPECT_EQ(box->bounds, CRect(10, 10, 26, 25));
    EXPECT_EQ(box->icon, 3);
    EXPECT_EQ(Value("(TestRefKind (VxMakeLine m (tool polygon) (points 5 50 40 10 60 30)))"), "4");
    auto* line = dynamic_cast<LinePrimitive*>(m->Drawables().back().get());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->kindCode, 32);
    EXPECT_EQ(line->vertices.size(), 3u);
    EXPECT_EQ(line->bounds, CRect(5, 10, 60, 50));
    EXPECT_EQ(Value("(TestRefKind (VxMakeText m (text Hello editable) (rect 0 0 50 20)"
                    " (looks (fontStyle bold))))"),
              "4");
    auto* text = dynamic_cast<TextPrimitive*>(m->Drawables().back().get());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text, "Hello");
    EXPECT_EQ(text->textFlags, 1);
    EXPECT_EQ(text->looks.style & kStyleInherit, 0);
    const size_t count = m->Drawables().size();

    ExpectValues({
        {"(VxMakeText m (text Hello bold))", "error: VxMakeText: invalid text property: bold"},
        {"(VxMakeText m (text Hello 1))", "error: VxMakeText: invalid text property: 1"},
        {"(VxMakeBox m (tool circle))", "error: VxMakeBox: invalid box tool: circle"},
        {"(VxMakeBox m (icon \"3\"))", "error: VxMakeBox: integer number expected: \"3\""},
        {"(VxMakeLine m (tool \"line\"))", "error: VxMakeLine: invalid line tool: \"line\""},
        {"(VxMakeLine m (points 1 2 3))", "error: VxMakeLine: bad clause: (points 1 2 3)"},
        {"(VxMakeLine m (rect 1 2 3 4))", "error: VxMakeLine: bad tag: rect"},
    });
    EXPECT_EQ(m->Drawables().size(), count);
}

TEST_F(MakersTest, VxMakeLinkJoinsTwoNodes) {
    Value("(setq c (VxMakeMaster p (name C) (tool class)))");
    Value("(setq m (VxMakeModel p (name M)))");
    Value("(setq a (VxMakePlace m (master c) (rect 0 0 100 50)))");
    Value("(setq b (VxMakePlace m (master c) (rect 200 100 301 151)))");
    Model* m = LastModel();
    ToolModel* tool = BindLinkTool();
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(Value("(TestRefKind (eval (list 'VxMakeLink 'm (list 'tool toolName) '(source a)"
                    " '(target b) '(role a b) '(card 1 n))))"),
              "3");
    auto* link = dynamic_cast<Link*>(m->Drawables().back().get());
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->sourceEnd, "a%%1");
    EXPECT_EQ(link->targetEnd, "b%%n");
    // Without points the link runs between the two centres, its ends then
    // moved out to the borders; without rect it takes the tool's label.
    ASSERT_EQ(link->VertexCount(), 2);
    CRect aBounds(0, 0, 100, 50), bBounds(200, 100, 301, 151);
    aBounds.InflateRect(1, 1);
    bBounds.InflateRect(1, 1);
    EXPECT_TRUE(aBounds.PtInRect(link->Vertices()[0])) << link->Vertices()[0].x;
    EXPECT_TRUE(bBounds.PtInRect(link->Vertices()[1])) << link->Vertices()[1].x;
    // The tool's label, laid out about the middle of the link.
    EXPECT_EQ(link->labelRect.Width(), tool->LabelFrame().Width());
    EXPECT_EQ(link->labelRect.Height(), tool->LabelFrame().Height());
    EXPECT_FALSE(link->labelRect.IsRectEmpty());
    EXPECT_EQ(link->nameRect, link->labelRect);
    Value("(eval (list 'VxMakeLink 'm (list 'tool toolName) '(source a) '(target b)))");
    auto* plain = dynamic_cast<Link*>(m->Drawables().back().get());
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->sourceEnd, "%%");
    EXPECT_EQ(plain->targetEnd, "%%");
    const size_t count = m->Drawables().size();
    ExpectValues({
        {"(VxMakeLink m (target b))", "error: VxMakeLink: No source specified for link: nil"},
        {"(VxMakeLink m (source a))", "error: VxMakeLink: No target specified for link: nil"},
        {"(VxMakeLink m (source a) (target b))",
         "error: VxMakeLink: No tool specified for link: nil"},
        {"(VxMakeLink m (source c))",
         "error: VxMakeLink: source/target requires place or junction reference: <ref:2>"},
        {"(VxMakeLink m (tool nosuch))", "error: VxMakeLink: unknown link tool name: nosuch"},
    });
    EXPECT_EQ(m->Drawables().size(), count);
}

TEST_F(MakersTest, VxMakeSwimlaneTakesItsMembersOutOfTheModel) {
    Value("(setq c (VxMakeMaster p (name C) (tool class)))");
    Value("(setq m (VxMakeModel p (name M)))");
    Value("(setq p1 (VxMakePlace m (master c) (rect 10 10 50 50)))");
    Value("(setq p2 (VxMakePlace m (master c) (rect 10 100 50 150)))");
    Value("(setq bx (VxMakeBox m (rect 0 0 5 5)))");
    Model* m = LastModel();
    Place* first = dynamic_cast<Place*>(m->Drawables().front().get());
    m->Select(first, true, nullptr, false);
    ASSERT_EQ(m->Drawables().size(), 3u);
    EXPECT_EQ(Value("(TestRefKind (setq l1 (VxMakeSwimlane m (master c) (rect 0 0 200 400)"
                    " (members p1 p2) (flags annotate))))"),
              "2");
    ASSERT_EQ(m->Drawables().size(), 2u);
    auto* lane = dynamic_cast<Swimlane*>(m->Drawables().back().get());
    ASSERT_NE(lane, nullptr);
    EXPECT_TRUE(lane->IsSwimlane());
    EXPECT_EQ(lane->master, project->Masters().At(0));
    EXPECT_EQ(lane->MemberGroup().Members().size(), 2u);
    EXPECT_TRUE(lane->MemberGroup().HasMember(first));
    EXPECT_EQ(first->Parent(), &lane->MemberGroup());
    // A member leaves the model's selection with its list.
    EXPECT_TRUE(m->Selection().empty());
    // The flags clause keeps what makes the lane a lane.
    EXPECT_EQ(lane->placeFlags & 0x1, 0x1u);

    EXPECT_EQ(Value("(TestRefKind (VxMakeSwimlane m (master c) (rect 200 0 400 400)"
                    " (leftLane l1)))"),
              "2");
    auto* right = dynamic_cast<Swimlane*>(m->Drawables().back().get());
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(right->PreviousLane(), lane);

    const size_t count = m->Drawables().size();
    ExpectValues({
        // Errors of the lane maker go under VxMakePlace.
        {"(VxMakeSwimlane m (rect 0 0 1 1))", "error: VxMakePlace: master reference expected: 0"},
        {"(VxMakeSwimlane m (master c) (members c))",
         "error: VxMakePlace: non-drawable member reference for a place group: c"},
        {"(VxMakeSwimlane m (master c) (members p1))",
         "error: VxMakePlace: drawable not in the model yet: <ref:4>"},
        {"(VxMakeSwimlane m (master c) (rightLane bx))",
         "error: VxMakePlace: swimlane reference expected after leftLane/rightLane: (bx)"},
        {"(VxMakeSwimlane m (master c) (leftLane p1))",
         "error: VxMakePlace: swimlane reference expected after leftLane/rightLane: (p1)"},
        {"(VxMakeSwimlane m (master c) (shade 1))", "error: VxMakePlace: bad tag: shade"},
    });
    EXPECT_EQ(m->Drawables().size(), count);

    // A lane that fails after taking members drops them with itself: they
    // are out of the model and no reference reaches them any more.
    EXPECT_EQ(Value("(VxMakeSwimlane m (master c) (members bx) (nosuch))"),
              "error: VxMakePlace: bad tag: nosuch");
    EXPECT_EQ(m->Drawables().size(), count - 1);
    EXPECT_EQ(Value("(VxProps bx)"), "error: VxProps: referenced object no longer exists: <ref:6>");
    // The failed lanes gave their master's uses back: two places and two lanes.
    EXPECT_EQ(project->Masters().At(0)->refCount, 4);
}

TEST_F(MakersTest, TagAndMessageMakers) {
    BindLinkTool();
    Value("(setq c (VxMakeMaster p (name C) (tool class)))");
    Value("(setq m (VxMakeModel p (name M)))");
    Value("(setq a (VxMakePlace m (master c) (rect 0 0 100 50)))");
    Value("(setq b (VxMakePlace m (master c) (rect 400 0 500 50)))");
    Value("(setq two (eval (list 'VxMakeLink 'm (list 'tool toolName) '(source a) '(target b))))");
    Value("(setq five (eval (list 'VxMakeLink 'm (list 'tool toolName) '(source a) '(target b)"
          " '(points 50 25 100 200 250 200 400 200 450 25))))");
    Model* m = LastModel();

    project->SetModifiedFlag(false);
    EXPECT_EQ(Value("(TestRefKind (VxMakeTag m (pivot a) (rect 150 100 250 140) (text Note)"
                    " (looks (fillColor 4))))"),
              "5");
    EXPECT_TRUE(project->IsModified());
    auto* tag = dynamic_cast<Tag*>(m->Drawables().back().get());
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->kindCode, TkTag);
    EXPECT_EQ(tag->Attached(), m->Drawables().front().get());
    EXPECT_EQ(tag->text, "Note");
    EXPECT_EQ(tag->looks.fillColor, 4u);
    EXPECT_EQ(tag->looks.style & kStyleInherit, 0);
    EXPECT_EQ(tag->labelRect, CRect(153, 103, 247, 137));

    // A message goes on the middle segment of its link, near (100, 100)
    // without a points clause.
    const struct {
        const char* script;
        int segment;
    } messages[] = {
        {"(VxMakeMessage m (pivot two) (text \"1. go()\") (comment cm) (flags reverse))", 0},
        {"(VxMakeMessage m (pivot five) (text \"2. run()\"))", 2},
        {"(VxMakeMessage m (pivot five) (points 300 190 320 210))", 2},
    };
    for (const auto& c : messages) {
        EXPECT_EQ(Value(std::string("(TestRefKind ") + c.script + ")"), "5") << c.script;
        auto* floater = dynamic_cast<Floater*>(m->Drawables().back().get());
        ASSERT_NE(floater, nullptr) << c.script;
        EXPECT_EQ(floater->kindCode, TkMessage);
        EXPECT_EQ(floater->segment, c.segment) << c.script;
        EXPECT_NE(floater->GetLink(), nullptr);
    }
    auto* first = dynamic_cast<Floater*>(
        std::next(m->Drawables().begin(), long(m->Drawables().size()) - 3)->get());
    EXPECT_EQ(first->secondText, "cm");
    EXPECT_EQ(first->tagFlags, 0x1);
    // Makers record nothing in the undo journal.
    EXPECT_TRUE(project->GetJournal().Records().empty());

    Value("(setq other (VxMakeModel p (name Other)))");
    const size_t count = m->Drawables().size();
    ExpectValues({
        {"(VxMakeTag m (text x))", "error: VxMakeTag: No pivot specified for tag/message: nil"},
        {"(VxMakeMessage m (text x))", "error: VxMakeTag: No pivot specified for tag/message: nil"},
        {"(VxMakeTag m (pivot two))", "error: VxMakeTag: pivot requires place reference: <ref:6>"},
        {"(VxMakeMessage m (pivot a))",
         "error: VxMakeTag: message requires link reference: <ref:4>"},
        {"(VxMakeMessage m (tip 1 1))", "error: VxMakeTag: bad tag: tip"},
        {"(VxMakeTag m (comment x))", "error: VxMakeTag: bad tag: comment"},
        {"(VxMakeTag m (points 1 2 3 4))", "error: VxMakeTag: bad tag: points"},
        {"(VxMakeMessage m (points 1 2 3))", "error: VxMakeTag: bad clause: (points 1 2 3)"},
        {"(VxMakeTag c (pivot a))", "error: VxMakeTag: model reference expected: <ref:2>"},
        // The pivot must be a drawable of the target model.
        {"(VxMakeTag other (pivot a))", "error: VxMakeTag: drawable not in the model yet: <ref:4>"},
    });
    EXPECT_EQ(m->Drawables().size(), count);
}

TEST_F(MakersTest, VxMakePrimGroupAdoptsPrimitivesOfItsModel) {
    Value("(setq m (VxMakeModel p (name M)))");
    Value("(setq other (VxMakeModel p (name Other)))");
    Value("(setq b1 (VxMakeBox m (rect 0 0 10 10)))");
    Value("(setq t1 (VxMakeText m (text Hi) (rect 20 0 60 10)))");
    Value("(setq far (VxMakeBox other (rect 0 0 10 10)))");
    Value("(setq c (VxMakeMaster p (name C) (tool class)))");
    Value("(setq pl (VxMakePlace m (master c)))");
    Model* m = project->GetModelAt(project->ModelCount() - 2);
    ASSERT_EQ(m->Drawables().size(), 3u);
    EXPECT_EQ(Value("(TestRefKind (setq g (VxMakePrimGroup m (rect 0 0 60 10) (members b1 t1))))"),
              "4");
    ASSERT_EQ(m->Drawables().size(), 2u);
    auto* group = dynamic_cast<PrimitiveGroup*>(m->Drawables().back().get());
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->Members().size(), 2u);
    EXPECT_EQ(group->Members().front()->Parent(), group);
    EXPECT_EQ(group->bounds, CRect(0, 0, 60, 10));

    ExpectValues({
        {"(VxMakePrimGroup m (members pl))",
         "error: VxMakePrimGroup: non-primitive member reference for a primitive group: <ref:8>"},
        {"(VxMakePrimGroup m (members b1))",
         "error: VxMakePrimGroup: drawable not in the model yet: <ref:4>"},
        {"(VxMakePrimGroup m (members far))",
         "error: VxMakePrimGroup: drawable not in the model yet: <ref:6>"},
        {"(VxMakePrimGroup m (members 5))",
         "error: VxMakePrimGroup: non-primitive member reference for a primitive group: 5"},
        {"(VxMakePrimGroup m (tool line))", "error: VxMakePrimGroup: bad tag: tool"},
    });
    EXPECT_EQ(m->Drawables().size(), 2u);
    // A group inside a group.
    EXPECT_EQ(Value("(TestRefKind (VxMakePrimGroup m (members g)))"), "4");
    EXPECT_EQ(m->Drawables().size(), 2u);
}

TEST_F(MakersTest, VxLayoutModelTakesThreeArguments) {
    Value("(setq c (VxMakeMaster p (name C) (tool class)))");
    Value("(setq m (VxMakeModel p (name M)))");
    Value("(VxMakePlace m (master c) (rect 500 500 580 540))");
    Value("(VxMakePlace m (master c) (rect 500 500 580 540))");
    Model* m = LastModel();
    project->SetModifiedFlag(false);
    ExpectValues({
        {"(VxLayoutModel m t)", "error: VxLayoutModel: incorrect number of arguments"},
        {"(VxLayoutModel c nil nil)", "error: VxLayoutModel: model reference expected: <ref:2>"},
        {"(VxLayoutModel m nil nil)", "t"},
        {"(VxLayoutModel m t t)", "t"},
    });
    // The two places no longer lie on each other.
    CRect overlap;
    EXPECT_FALSE(
        overlap.IntersectRect(m->Drawables().front()->bounds, m->Drawables().back()->bounds));
    EXPECT_TRUE(project->GetJournal().Records().empty());
}

TEST_F(MakersTest, VxDeleteRemovesWhatNothingElseNeedsAndResetsTheHistory) {
    BindLinkTool();
    Value("(setq c (VxMakeMaster p (name C) (tool class)))");
    Value("(setq u (VxMakeMaster p (name U) (tool class)))");
    Value("(setq at (VxMakeAttribute c (name x)))");
    Value("(setq m (VxMakeModel p (name M)))");
    Value("(setq a (VxMakePlace m (master c) (rect 0 0 100 50)))");
    Value("(setq b (VxMakePlace m (master c) (rect 300 0 400 50)))");
    Value("(setq d (VxMakePlace m (master c) (rect 300 300 400 350)))");
    Value("(setq j (VxMakeJunction m (pivot d) (tip 0 10)))");
    Value("(setq ab (eval (list 'VxMakeLink 'm (list 'tool toolName) '(source a) '(target b))))");
    Value("(setq tg (VxMakeTag m (pivot a) (rect 0 100 50 150)))");
    Value("(setq bx (VxMakeBox m (rect 0 400 10 410)))");
    Value("(setq inner (VxMakeBox m (rect 0 500 10 510)))");
    Value("(setq g (VxMakePrimGroup m (members inner)))");
    Model* m = LastModel();
    Master* c = project->Masters().At(1);
    ASSERT_EQ(c->name, "C");
    ASSERT_EQ(m->Drawables().size(), 7u);
    UndoJournal& history = project->GetJournal();

    // Nothing is deleted: nil, and the history stays.
    RecordSomething(m);
    const struct {
        const char* script;
        const char* expected;
    } refused[] = {
        {"(VxDelete c)", "nil"},     // a place still shows it
        {"(VxDelete inner)", "nil"}, // held in a group, not in the model's list
        {"(VxDelete j)", "nil"},     // a junction
        {"(VxDelete at)", "nil"},    // a member record alone
        {"(VxDelete c at at)", "error: VxDelete: incorrect number of arguments"},
        {"(VxDelete 5)", "error: VxDelete: object reference expected: 5"},
        {"(VxDelete c 5)", "error: VxDelete: object reference expected: 5"},
        {"(VxDelete c u)", "nil"},  // a master is no member record
        {"(VxDelete u at)", "nil"}, // not a member of that master
    };
    for (const auto& c : refused)
        EXPECT_EQ(Value(c.script), c.expected) << c.script;
    EXPECT_FALSE(history.Records().empty());
    EXPECT_EQ(m->Drawables().size(), 7u);
    EXPECT_EQ(project->Masters().Count(), 2u);
    EXPECT_EQ(c->attributes.size(), 1u);

    // A drawable goes with what hangs on it, the user's other selected
    // drawables stay selected, and the history is emptied.
    Drawable* box = std::next(m->Drawables().begin(), 5)->get();
    Drawable* place = std::next(m->Drawables().begin(), 2)->get();
    m->Select(box, true, nullptr, false);
    m->Select(place, true, nullptr, false);
    EXPECT_EQ(Value("(VxDelete a)"), "t");
    EXPECT_TRUE(history.Records().empty());
    ASSERT_EQ(m->Drawables().size(), 4u); // b, d, the box and the group
    EXPECT_EQ(m->Selection().size(), 2u);
    EXPECT_TRUE(box->IsSelected(false));
    EXPECT_EQ(c->refCount, 2);
    // The deleted place, its link and its tag are out of the script's reach.
    for (const char* name : {"a", "ab", "tg"})
        EXPECT_EQ(Value(std::string("(TestRefKind (VxProps ") + name + "))"),
                  std::string("error: VxProps: referenced object no longer exists: ") +
                      kest::printstring(kest::intern(name)->value()))
            << name;

    // A member record is taken out of its master.
    RecordSomething(m);
    EXPECT_EQ(Value("(VxDelete c at)"), "t");
    EXPECT_TRUE(c->attributes.empty());
    EXPECT_TRUE(history.Records().empty());
    EXPECT_EQ(Value("(VxProps at)"), "error: VxProps: referenced object no longer exists: <ref:4>");

    // An unused master, then a model with its submodel.
    EXPECT_EQ(Value("(VxDelete u)"), "t");
    EXPECT_EQ(project->Masters().Count(), 1u);
    Value("(setq sub (VxMakeModel p (name Sub) (parentMaster c) (parentModel m)))");
    const size_t models = project->ModelCount();
    EXPECT_EQ(Value("(VxDelete m)"), "t");
    EXPECT_EQ(project->ModelCount(), models - 2);
    EXPECT_EQ(c->submodel, nullptr);
    // The deleted model's places no longer use their master, which can go.
    EXPECT_EQ(c->refCount, 0);
    EXPECT_EQ(Value("(VxDelete c)"), "t");
    EXPECT_EQ(Value("(VxDelete m)"),
              "error: VxDelete: referenced object no longer exists: <ref:5>");
    EXPECT_EQ(Value("(VxDelete p)"), "nil");
}

// Every object of a project, each under a label naming its place in the
// project (masters, their members, models and the trees of their drawables),
// so that two projects can be compared object by object.
std::vector<std::pair<std::string, kest::Cell*>> ObjectsOf(CCASEDoc& project) {
    std::vector<std::pair<std::string, kest::Cell*>> objects;
    auto add = [&](std::string label, ModelObject* object, ReferenceKind kind) {
        objects.emplace_back(std::move(label), MakeObjectRef(object, kind, &project));
    };
    for (size_t i = 0; i < project.Masters().Count(); ++i) {
        Master* master = project.Masters().At(i);
        const std::string label = "M" + std::to_string(i);
        add(label, master, RefMaster);
        for (size_t k = 0; k < master->attributes.size(); ++k)
            add(label + "a" + std::to_string(k), master->attributes[k].get(), RefAttribute);
        for (size_t k = 0; k < master->types.size(); ++k)
            add(label + "t" + std::to_string(k), master->types[k].get(), RefType);
        for (size_t k = 0; k < master->methods.size(); ++k)
            add(label + "m" + std::to_string(k), master->methods[k].get(), RefMethod);
        for (size_t k = 0; k < master->exceptions.size(); ++k)
            add(label + "e" + std::to_string(k), master->exceptions[k].get(), RefException);
    }
    std::function<void(const std::string&, Drawable*)> drawable = [&](const std::string& label,
                                                                      Drawable* d) {
        add(label, d, DrawableRefKind(d->kind));
        if (auto* place = dynamic_cast<Place*>(d))
            for (size_t k = 0; k < place->Junctions().size(); ++k)
                add(label + "j" + std::to_string(k), place->Junctions()[k].get(), RefJunction);
        if (const DrawableList* members = d->MemberList()) {
            size_t k = 0;
            for (const auto& member : *members)
                drawable(label + "." + std::to_string(k++), member.get());
        }
    };
    for (size_t i = 0; i < project.ModelCount(); ++i) {
        Model* model = project.GetModelAt(i);
        const std::string label = "D" + std::to_string(i);
        add(label, model, RefModel);
        size_t k = 0;
        for (const auto& d : model->Drawables())
            drawable(label + "." + std::to_string(k++), d.get());
    }
    return objects;
}

// The VxProps text of every object of the project, references written as
// the labels of their objects.
std::vector<std::string> PropsOf(CCASEDoc& project,
                                 std::function<std::string(const std::string&)> value) {
    const auto objects = ObjectsOf(project);
    std::map<std::string, std::string> labels;
    for (const auto& [label, ref] : objects)
        labels[kest::printstring(ref)] = label;
    std::vector<std::string> props;
    for (const auto& [label, ref] : objects) {
        kest::Symbol* s = kest::intern("obj");
        s->kind() = kest::KVariable;
        s->value() = ref;
        const std::string text = value("(VxProps obj)");
        std::string out = label + ": ";
        size_t from = 0;
        for (size_t at = text.find("<ref:"); at != std::string::npos;
             at = text.find("<ref:", from)) {
            const size_t end = text.find('>', at);
            if (end == std::string::npos)
                break;
            out += text.substr(from, at - from);
            auto found = labels.find(text.substr(at, end + 1 - at));
            out += found != labels.end() ? found->second : "<?>";
            from = end + 1;
        }
        props.push_back(out + text.substr(from));
    }
    return props;
}

TEST_F(MakersTest, AProjectBuiltByScriptReadsBackWithTheSameProperties) {
    BindLinkTool();
    const std::string path = scratch / "Built.pro";
    Bind("path", kest::mkstr(path.c_str()));
    std::string script = "(setq m1 (VxMakeModel p (name One) (type class) (rect 0 0 2000 2000)))"
                         "(setq m2 (VxMakeModel p (name Two) (type activity)))";
    for (int i = 0; i < 10; ++i) {
        const std::string n = std::to_string(i);
        const std::string model = i < 5 ? "m1" : "m2";
        script += "(setq c" + n + " (VxMakeMaster p (name K" + n +
                  ") (tool class) (stereotype st) (comment \"the class " + n + "\")))";
        script += "(VxMakeAttribute c" + n + " (name a" + n +
                  ") (type int) (value \"0\") (access private) (mode static))";
        script += "(VxMakeMethod c" + n + " (name run" + n +
                  ") (returns void) (pars ((name x) (type int) (dir in))))";
        script +=
            "(VxMakeType c" + n + " (name E" + n + ") (kind enum) (elems ((name A)) ((name B))))";
        script += "(setq p" + n + " (VxMakePlace " + model + " (master c" + n + ") (rect " +
                  std::to_string(i * 150) + " 40 " + std::to_string(i * 150 + 100) +
                  " 100) (instance i" + n + ") (looks (fillColor 5))))";
    }
    script += "(VxMakeException c0 (name Oops) (members ((name code) (type int))))";
    script += "(setq l1 (eval (list 'VxMakeLink 'm1 (list 'tool toolName) '(source p0) '(target p1)"
              " '(role from to) '(card 1 n) '(name uses))))";
    script += "(eval (list 'VxMakeLink 'm1 (list 'tool toolName) '(source p1) '(target p2)"
              " '(points 200 70 300 200 450 200 500 70)))";
    script += "(setq j (VxMakeJunction m1 (pivot p3) (tip 0 20)))";
    script += "(VxMakeTag m1 (pivot p0) (rect 0 200 100 260) (text \"a note\"))";
    script += "(VxMakeMessage m1 (pivot l1) (text \"1. go()\"))";
    script += "(VxMakeSwimlane m2 (master c9) (rect 0 0 400 800) (members p5 p6))";
    script += "(VxMakeLine m2 (tool polyline) (points 10 10 50 50 90 10))";
    script += "(setq bx (VxMakeBox m2 (tool ellipse) (rect 500 500 600 560)))";
    script += "(setq tx (VxMakeText m2 (text Title editable) (rect 500 600 600 620)))";
    script += "(VxMakePrimGroup m2 (members bx tx))";
    script += "(VxMakeBox m2 (tool icon) (rect 700 700 800 800) (icon 2))";
    script += "(VxSaveProject p path)";
    ASSERT_EQ(Value(script), "t");

    const std::vector<std::string> built =
        PropsOf(*project, [this](const std::string& text) { return Value(text); });
    ASSERT_GT(built.size(), 40u);

    auto reopened = std::make_unique<CCASEDoc>(context, true);
    ASSERT_TRUE(reopened->OnOpenDocument(path));
    ScriptRunContext run;
    run.project = reopened.get();
    ScopedRunContext scoped(run);
    const std::vector<std::string> read =
        PropsOf(*reopened, [this](const std::string& text) { return Value(text); });
    ASSERT_EQ(read.size(), built.size());
    for (size_t i = 0; i < built.size(); ++i)
        EXPECT_EQ(read[i], built[i]);
}

} // namespace
} // namespace qm::test
