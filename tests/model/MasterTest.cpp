// Masters: the master record in its full and older forms, tools missing from
// the template, labels, the property exchange, text replacement, the
// operation picker and malformed records.
#include "Fakes.h"
#include "tests/support/ModelFixture.h"

#include "model/GuidMap.h"
#include "model/Master.h"

#include <fstream>
#include <sstream>

namespace qm::test {
namespace {

using kest::Cell;
using kest::nil;

std::string Fixture(const char* name) {
    std::ifstream in(std::string(QM_FIXTURES) + "/model/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class MasterTest : public ModelTest {
  protected:
    MasterTest() {
        templ.Register(10, nullptr, false, &standIn);
        templ.Register(12, nullptr, false, &classTool);
        templ.Register(3, nullptr, false, &linkTool);
    }

    // A master read from text with the test's maps.
    std::unique_ptr<Master> ReadMaster(const std::string& text) {
        auto master = std::make_unique<Master>(nullptr);
        master->Persist(&scope, read(text));
        return master;
    }
    // A master record of the current form with the given middle part.
    static std::string Record(const std::string& middle) {
        return "(master \"id-1\" 0 3 \"N\" \"\" \"\" \"\" " + middle + ")";
    }

    RecordingServices services;
    GuidMap project, templ;
    GuidScope scope{&project, &templ};
    FakeTool standIn{10}, classTool{12, true, true}, linkTool{3, false};
};

TEST_F(MasterTest, FullRecordReadsAndWritesTheSameText) {
    const std::string text = Fixture("master_full.txt");
    ASSERT_FALSE(text.empty());
    auto master = ReadMaster(text);
    EXPECT_TRUE(master->guid == "m-full-0000001");
    EXPECT_EQ(project.Lookup("m-full-0000001"), master.get());
    EXPECT_EQ(master->access, 2);
    EXPECT_EQ(master->nameSpace, "geo");
    EXPECT_EQ(master->link, "http://example.org/shape");
    EXPECT_EQ(master->comment, "Any shape\nof the drawing");
    EXPECT_EQ(master->masterFlags, 5);
    EXPECT_EQ(master->attributes.size(), 2u);
    EXPECT_EQ(master->methods.size(), 2u);
    EXPECT_EQ(master->exceptions.size(), 1u);
    EXPECT_EQ(master->parameters.size(), 2u);
    EXPECT_EQ(master->types.size(), 1u);
    EXPECT_EQ(master->tool, &classTool);
    EXPECT_EQ(master->methods[0]->owner, master.get());
    EXPECT_STREQ(master->submodelRef.Text(), "sub-model-0001");
    EXPECT_EQ(pretty(master->Persist(&scope, nullptr)), text);
    EXPECT_EQ(log.Text(), "");
}

TEST_F(MasterTest, OlderRecordForms) {
    // Without namespace and link: the flags follow the comment.
    auto noNamespace = ReadMaster("(master \"id-1\" 0 3 \"N\" \"s\" \"f\" \"c\" 7 () () 12 \"\")");
    EXPECT_EQ(noNamespace->nameSpace, "");
    EXPECT_EQ(noNamespace->link, "");
    EXPECT_EQ(noNamespace->masterFlags, 7);
    EXPECT_EQ(noNamespace->tool, &classTool);

    // Ending after the methods: the tool number follows directly.
    auto shortLists = ReadMaster(Record("\"ns\" \"\" 1 ((\"a\" \"\" \"\" \"\" \"\" \"\" 1 0)) "
                                        "((\"f\" \"\" \"\" 3 0 ())) 12 \"\""));
    EXPECT_TRUE(shortLists->exceptions.empty());
    EXPECT_TRUE(shortLists->parameters.empty());
    EXPECT_TRUE(shortLists->types.empty());
    EXPECT_EQ(shortLists->methods[0]->code, "");
    EXPECT_EQ(shortLists->attributes.size(), 1u);
    EXPECT_EQ(shortLists->nameSpace, "ns");

    // An old numeric id goes to the integer tree; the master keeps its own id.
    auto numeric = ReadMaster("(master 42 5 3 \"N\" \"\" \"\" \"\" 1 () () -1 \"\")");
    ModelObject* found = nullptr;
    EXPECT_TRUE(project.Lookup(42, found, false));
    EXPECT_EQ(found, numeric.get());
    EXPECT_EQ(project.Lookup(numeric->guid.Text()), numeric.get());
    // The count of a record is not kept: places count themselves again.
    EXPECT_EQ(numeric->refCount, 0);
    EXPECT_EQ(numeric->tool, nullptr);
    EXPECT_EQ(log.Text(), ""); // tool -1: no tool and no warning
}

// The imports of a reverse-engineered class: in the record after the link
// only when there are any, through the property exchange only when they
// differ, so records and exchanges without them keep their older form.
TEST_F(MasterTest, ImportsAreKeptOnlyWhereThereAreAny) {
    const std::string record = "(master \"id-1\" 0 3 \"N\" \"\" \"\" \"\" \"p\" \"\" "
                               "\"java.util.Map^nstatic a.B.*\" 1 nil nil nil nil nil 12 \"\")";
    auto master = ReadMaster(record);
    EXPECT_EQ(master->imports, "java.util.Map\nstatic a.B.*");
    EXPECT_EQ(master->masterFlags, 1);
    EXPECT_EQ(print(master->Persist(&scope, nullptr)), record);
    std::unique_ptr<Master> copy = CloneOf(*master);
    EXPECT_EQ(copy->imports, master->imports);

    std::unique_ptr<Master> without = CloneOf(*master);
    without->imports.clear();
    EXPECT_EQ(print(without->Persist(&scope, nullptr)).find("java.util"), std::string::npos);
    Cell* props = master->Props(&scope, without.get(), nullptr, false);
    EXPECT_EQ(kest::listlength(props), 15);
    EXPECT_EQ(kest::listlength(master->Props(&scope, copy.get(), nullptr, false)), 14);
    without->Props(&scope, nullptr, props, false);
    EXPECT_EQ(without->imports, master->imports);
    without->Props(&scope, nullptr, props, true);
    EXPECT_EQ(without->imports, "");
}

TEST_F(MasterTest, ToolsMissingFromTheTemplateAreStoodInFor) {
    for (int number : {99, 3}) { // absent, and a link tool
        log.Clear();
        auto master = ReadMaster(Record("\"\" \"\" 1 () () " + std::to_string(number) + " \"\""));
        EXPECT_EQ(master->tool, &standIn);
        EXPECT_TRUE(master->flags & MoToolMissing);
        EXPECT_EQ(log.Text(), "Warning: master tool not in template (Tool=" +
                                  std::to_string(number) + ", Master=N)\r\n");
    }
}

TEST_F(MasterTest, MalformedRecordsAreReportedNotRead) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"(masters \"id\")", "master sym expected"},
        {"master", "master sym expected"},
        {"()", "master sym expected"},
        {"(master)", "bad master record: ends before id"},
        {"(master 1.5 0 3)", "bad master record: id text expected"},
        {"(master \"id\" \"0\" 3)", "bad master record: integer expected for reference count"},
        {"(master \"id\" 0 3 \"N\" \"\" \"\")", "bad master record: ends before comment"},
        {"(master \"id\" 0 3 \"N\" \"\" \"\" \"\" 1 x)",
         "bad master record: list expected for attributes"},
        {"(master \"id\" 0 3 \"N\" \"\" \"\" \"\" 1 () ())",
         "bad master record: ends before tool number"},
        {"(master \"id\" 0 3 \"N\" \"\" \"\" \"\" 1 () () 12)",
         "bad master record: ends before submodel"},
        {"(master \"id\" 0 3 \"N\" \"\" \"\" \"\" 1 () () 12 7)",
         "bad master record: id text expected for submodel"},
        {"(master \"id\" 0 3 \"N\" \"\" \"\" \"\" 1 ((\"a\")) () 12 \"\")",
         "bad attribute record: ends before type"},
        {"(master \"id\" 0 3 \"N\" \"\" \"\" \"\" 1 () () (1) 12 \"\")",
         "bad exception record: list expected"},
    };
    for (const Case& c : cases) {
        std::string message = failure([&] { ReadMaster(c.text); });
        EXPECT_NE(message.find(c.message), std::string::npos) << c.text << " -> " << message;
        EXPECT_EQ(project.Lookup("id"), nullptr) << c.text;
    }
}

TEST_F(MasterTest, FormatName) {
    Master master(nullptr);
    master.name = "Shape";
    master.nameSpace = "geo";
    for (const char* p : {"T", "U"}) {
        auto parameter = std::make_unique<Parameter>();
        parameter->name = p;
        master.parameters.push_back(std::move(parameter));
    }
    FakeTool plain(11);
    master.tool = &plain;
    EXPECT_EQ(master.FormatName("", false), "Shape<T, U>");
    EXPECT_EQ(master.FormatName("s1", false), "s1:Shape<T, U>");
    EXPECT_EQ(master.FormatName("", true), ":Shape<T, U>");
    services.options = 0x4000;
    EXPECT_EQ(master.FormatName("", false), "geo.Shape<T, U>");
    services.options = 0x20000;
    EXPECT_EQ(master.FormatName("", false), "Shape");
    services.options = 0;
    master.tool = &classTool; // a symbol with compartments lists them there
    EXPECT_EQ(master.FormatName("", false), "Shape");
    master.tool = nullptr;
    master.parameters.clear();
    EXPECT_EQ(master.FormatName("", false), "Shape");
}

TEST_F(MasterTest, SetToolAndNameSetsTheCodeFlagFromTheTool) {
    Master master(&project);
    EXPECT_EQ(project.Lookup(master.guid.Text()), &master);
    EXPECT_TRUE(master.flags & MoMaster);
    FakeTool noCode(13, true, false, 0);
    master.SetToolAndName(&noCode, "A", "ns");
    EXPECT_EQ(master.masterFlags, 0);
    master.SetToolAndName(nullptr, "A", "ns");
    EXPECT_EQ(master.masterFlags, 1);
    master.SetToolAndName(&classTool, "A", "ns");
    EXPECT_EQ(master.masterFlags, 1);
    EXPECT_EQ(master.Kind(), 12);
    EXPECT_EQ(master.GetToolName(), "Tool12");
    int kind = 0;
    EXPECT_EQ(master.GetPropertyTarget(&kind), &master);
    EXPECT_EQ(kind, PtMaster);
}

TEST_F(MasterTest, CloneCopiesContentsButNotIdCountOrSubmodel) {
    auto master = ReadMaster(Fixture("master_full.txt"));
    master->refCount = 3;
    FakeSubmodel sub;
    master->submodel = &sub;
    std::unique_ptr<Master> copy = CloneOf(*master);
    EXPECT_FALSE(copy->guid == master->guid);
    EXPECT_EQ(copy->refCount, 0);
    EXPECT_EQ(copy->submodel, nullptr);
    EXPECT_EQ(copy->name, master->name);
    EXPECT_EQ(copy->tool, master->tool);
    EXPECT_TRUE(ListsEqual(copy->methods, master->methods));
    EXPECT_TRUE(copy->methods[0]->guid == master->methods[0]->guid);
    EXPECT_EQ(copy->methods[0]->owner, copy.get());
    EXPECT_EQ(project.Lookup(copy->guid.Text()), nullptr);
}

TEST_F(MasterTest, PropsDescribeDifferencesAndApplyThemBothWays) {
    auto before = ReadMaster(Fixture("master_full.txt"));
    std::unique_ptr<Master> after = CloneOf(*before);
    after->name = "Figure";
    after->tool = &standIn;
    after->methods.pop_back();
    Cell* props = before->Props(&scope, after.get(), nullptr, false);
    EXPECT_EQ(print(props).substr(0, 30), "(nil (\"Shape\" \"Figure\") nil ni");
    EXPECT_EQ(kest::listlength(props), 14);
    std::unique_ptr<Master> target = CloneOf(*before);
    target->Props(&scope, nullptr, props, true);
    EXPECT_EQ(target->name, "Figure");
    EXPECT_EQ(target->tool, &standIn);
    EXPECT_EQ(target->methods.size(), 1u);
    EXPECT_EQ(target->methods[0]->owner, target.get());
    target->Props(&scope, nullptr, props, false);
    EXPECT_EQ(target->name, "Shape");
    EXPECT_EQ(target->tool, &classTool);
    EXPECT_EQ(target->methods.size(), 2u);
    // A malformed exchange changes nothing.
    std::string message = failure([&] {
        target->Props(&scope, nullptr,
                      read("((1 2) (\"a\" 5) nil nil nil nil nil nil nil nil nil nil nil nil)"),
                      true);
    });
    EXPECT_EQ(message, "bad master properties record: string expected");
    EXPECT_EQ(target->name, "Shape");
    EXPECT_EQ(target->access, 2);
}

TEST_F(MasterTest, ReplaceTextRecordsAMasterOnce) {
    Master master(nullptr);
    master.name = "Foo";
    master.comment = "Foo and Foo";
    auto attribute = std::make_unique<MasterAttribute>();
    attribute->name = "foo";
    master.attributes.push_back(std::move(attribute));
    EXPECT_EQ(master.ReplaceText(nullptr, "Foo", "Bar", 0), 4);
    EXPECT_EQ(master.ReplaceText(nullptr, "Foo", "Bar", ReplaceNamesOnly), 1);
    EXPECT_EQ(master.ReplaceText(nullptr, "Foo", "Bar", ReplaceMatchCase), 3);
    EXPECT_EQ(master.name, "Foo");
    // Shown by two places: replaced and recorded once.
    EXPECT_EQ(master.ReplaceText(nullptr, "Foo", "Bar", ReplaceAndRecord | ReplaceMatchCase), 3);
    EXPECT_EQ(master.ReplaceText(nullptr, "Foo", "Bar", ReplaceAndRecord | ReplaceMatchCase), 0);
    EXPECT_EQ(master.name, "Bar");
    EXPECT_EQ(master.attributes[0]->name, "foo");
    ASSERT_EQ(services.changed.size(), 1u);
    EXPECT_EQ(services.changed[0], &master);
    auto* previous = dynamic_cast<Master*>(services.previousCopies[0].get());
    ASSERT_NE(previous, nullptr);
    EXPECT_EQ(previous->name, "Foo");
    EXPECT_TRUE(previous->IsDetached());
}

TEST_F(MasterTest, PickOperationWalksRelatedMastersThenItself) {
    auto makeMethod = [](Master& m, const char* name, std::vector<const char*> params) {
        auto method = std::make_unique<MasterMethod>();
        method->name = name;
        for (const char* p : params) {
            auto parameter = std::make_unique<Parameter>();
            parameter->name = p;
            method->parameters.push_back(std::move(parameter));
        }
        m.methods.push_back(std::move(method));
    };
    Master base(nullptr), self(nullptr);
    base.name = "Base";
    self.name = "Self";
    makeMethod(base, "Init", {});
    makeMethod(self, "Move", {"dx", "dy"});
    services.nested = {&base};
    MenuWindow* window = reinterpret_cast<MenuWindow*>(&base);

    EXPECT_EQ(self.PickOperation(services.Document(), window, 5, 6, 0), "");
    EXPECT_TRUE(services.menu.empty());
    EXPECT_EQ(self.PickOperation(services.Document(), window, 5, 6, -1), "");
    using Item = std::pair<int, std::string>;
    EXPECT_EQ(services.menu,
              (std::vector<Item>{
                  {12010, "<None>"}, {12011, "Base::Init()"}, {12012, "Self::Move(dx,dy)"}}));
    EXPECT_EQ(services.tracked, (std::vector<std::pair<int, int>>{{5, 6}}));
    EXPECT_EQ(self.PickOperation(services.Document(), nullptr, 0, 0, 1), "Init()");
    EXPECT_EQ(self.PickOperation(services.Document(), nullptr, 0, 0, 2), "Move(dx,dy)");
    EXPECT_EQ(self.PickOperation(services.Document(), nullptr, 0, 0, 3), "");

    // Without methods the menu holds only "<None>" and is not shown.
    Master empty(nullptr);
    services.nested.clear();
    services.tracked.clear();
    empty.PickOperation(services.Document(), window, 0, 0, -1);
    EXPECT_EQ(services.menu.size(), 1u);
    EXPECT_TRUE(services.tracked.empty());
}

TEST_F(MasterTest, SetMemberAnnotationRecordsOnlyChanges) {
    Master master(nullptr);
    MasterAttribute attribute;
    EXPECT_FALSE(
        master.SetMemberAnnotation(nullptr, nullptr, nullptr, false, &attribute, nullptr, nullptr));
    EXPECT_TRUE(services.recorded.empty());
    EXPECT_TRUE(
        master.SetMemberAnnotation(nullptr, nullptr, nullptr, true, &attribute, nullptr, nullptr));
    EXPECT_EQ(attribute.mode, ModeAnnotate);
    EXPECT_EQ(services.changed, (std::vector<ModelObject*>{&attribute}));
    EXPECT_EQ(services.recorded, (std::vector<std::pair<int, std::string>>{{39, "Annotation"}}));
}

TEST_F(MasterTest, SubmodelReferencesResolveAndDetachLetsGo) {
    FakeSubmodel sub;
    project.Add(&sub);
    auto master =
        ReadMaster(Record("\"\" \"\" 1 () () -1 \"" + kest::escapestr(sub.guid.Text()) + "\""));
    EXPECT_EQ(master->submodel, nullptr);
    master->ResolveRefs(nullptr, &scope, false);
    EXPECT_EQ(master->submodel, &sub);
    services.topLevel = {};
    master->ResolveRefs(services.Document(), &scope, true);
    EXPECT_EQ(master->submodel, nullptr);
    services.topLevel = {&sub};
    master->ResolveRefs(services.Document(), &scope, true);
    EXPECT_EQ(master->submodel, &sub);
    // Without a document nothing is found by the document.
    master->ResolveRefs(nullptr, &scope, true);
    EXPECT_EQ(master->submodel, nullptr);
    // An id that names something other than a model gives no submodel.
    sub.flags &= ~static_cast<uint32_t>(MoModel);
    master->ResolveRefs(nullptr, &scope, false);
    EXPECT_EQ(master->submodel, nullptr);
    sub.flags |= MoModel;
    master->ResolveRefs(nullptr, &scope, false);

    Guid id = master->guid;
    Discard(std::move(master), &scope);
    EXPECT_TRUE(sub.parentCleared);
    EXPECT_EQ(project.Lookup(id.Text()), nullptr);
}

TEST_F(MasterTest, TakenIdsAreRenamedWhilePastedDataIsRead) {
    Master existing(&project);
    const std::string record = "(master \"" + kest::escapestr(existing.guid.Text()) +
                               "\" 0 3 \"N\" \"\" \"\" \"\" 1 () () -1 \"\")";
    {
        GuidTree readMap(GuidTree::TextKeys);
        scope.readMap = &readMap;
        auto pasted = ReadMaster(record);
        scope.readMap = nullptr;
        EXPECT_FALSE(pasted->guid == existing.guid);
        // The old id resolves to the pasted master through the paste's read
        // map only; the project keeps the existing one under it.
        ModelObject* viaReadMap = nullptr;
        EXPECT_TRUE(readMap.Lookup(existing.guid.Text(), viaReadMap));
        EXPECT_EQ(viaReadMap, pasted.get());
        EXPECT_EQ(scope.Lookup(existing.guid.Text()), &existing); // scope no longer pasting
        EXPECT_EQ(project.Lookup(existing.guid.Text()), &existing);
        EXPECT_EQ(project.Lookup(pasted->guid.Text()), pasted.get());
    }
}

} // namespace
} // namespace qm::test
