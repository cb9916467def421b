// Reverse engineering into a real project document: package places and
// submodels, masters and their places, inheritance and attribute links, a
// repeated run, the Reversed files, the layout, the link style, the window's
// calls, and a project that saves and loads with what a run made.
#include "reverse/DocumentReverseProject.h"

#include "DocumentProjectFixture.h"
#include "drawables/CustomModel.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/ToolModel.h"
#include "model/Members.h"
#include "reverse/ReverseDriver.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qm {
namespace {

// The window of a shown document, recording what a run asks of it and
// when its project tree is rebuilt.
struct RecordingFrame : DocumentFrame, DocumentObserver {
    FrameLayout CurrentLayout() const override { return {}; }
    void ShowModelAt(int32_t index) override { calls.push_back("show " + std::to_string(index)); }
    void ApplyLayout(const FrameLayout&, bool) override {}
    void BeginProgress(int) override {}
    void SetProgress(int) override {}
    void EndProgress(const std::string&) override {}
    void ClearLog() override {}
    void ProjectTreeChanged() override { calls.push_back("tree"); }
    void SetTemplateLabel(const std::string&) override {}
    void ShowFirstModel() override {}
    void UpdateLibraryPane(bool) override {}
    std::vector<std::string> calls;
};

class DocumentReverseProjectTest : public test::DocumentProjectTest {
  protected:
    void Run(CCASEDoc& doc, const std::vector<std::string>& files,
             const std::vector<NameValuePair>& options = {}, const std::string& model = "") {
        DocumentReverseProject project(doc);
        ReverseEngineerFiles(project, "C++", model, &files, nullptr, &options);
    }

    static std::vector<Place*> Places(const Model* model) {
        std::vector<Place*> places;
        for (const auto& drawable : model->Drawables()) {
            if (auto* place = dynamic_cast<Place*>(drawable.get())) {
                places.push_back(place);
            }
        }
        return places;
    }
    static std::vector<Link*> Links(const Model* model) {
        std::vector<Link*> links;
        for (const auto& drawable : model->Drawables()) {
            if (auto* link = dynamic_cast<Link*>(drawable.get())) {
                links.push_back(link);
            }
        }
        return links;
    }
    static Place* PlaceNamed(const Model* model, const std::string& name) {
        for (Place* place : Places(model)) {
            if (place->master != nullptr && place->master->name == name) {
                return place;
            }
        }
        return nullptr;
    }
    // Three runs over the files: the later two add no master and no drawable,
    // and every master is counted once per place.
    void RunTwiceAddsNothing(const std::vector<std::string>& files);
    static int SemanticsOf(const Link* link) {
        return link->Tool() != nullptr ? link->Tool()->Semantics() : -1;
    }
};

TEST_F(DocumentReverseProjectTest, QualifiedClassesFromTwoFilesGoIntoPackageSubmodelsOnce) {
    const std::vector<std::string> files = {
        WriteFile("a.h", "namespace p.q {\nclass A : public B { };\n}\n"),
        WriteFile("b.h", "namespace p.q { class B { }; }")};
    auto doc = NewProject();
    Model* main = doc->CurrentModel();
    for (int run = 0; run < 2; ++run) {
        log.Clear();
        Run(*doc, files);
        EXPECT_EQ(log.Text(), "Reverse engineering...\r\n" + files[0] + " (4 lines)\r\n" +
                                  files[1] +
                                  " (1 lines)\r\nTotal of 5 lines.\r\n"
                                  "Reverse Engineering Completed.\r\n");
        EXPECT_EQ(doc->Folders().revFiles, files);

        ASSERT_EQ(Places(main).size(), 1u) << run;
        Master* p = Places(main)[0]->master;
        EXPECT_EQ(p->name, "p");
        ASSERT_NE(p->tool, nullptr);
        EXPECT_EQ(p->Kind(), doc->Template()->FindToolBySemantics(false, SemPackage, 12));
        EXPECT_EQ(p->masterFlags & MasterGenCode, MasterGenCode);
        auto* pModel = dynamic_cast<CustomModel*>(p->submodel);
        ASSERT_NE(pModel, nullptr);
        EXPECT_TRUE(doc->HasModel(pModel));
        EXPECT_EQ(pModel->name, "p");
        EXPECT_EQ(pModel->kind, MkClass);
        EXPECT_EQ(pModel->parentMaster, p);
        EXPECT_EQ(pModel->parentModel, main);

        ASSERT_EQ(Places(pModel).size(), 1u) << run;
        Master* q = Places(pModel)[0]->master;
        EXPECT_EQ(q->name, "q");
        EXPECT_EQ(q->nameSpace, "p");
        auto* qModel = dynamic_cast<Model*>(q->submodel);
        ASSERT_NE(qModel, nullptr);
        EXPECT_EQ(qModel->GetQualifiedName(main), "p.q");

        ASSERT_EQ(Places(qModel).size(), 2u) << run;
        Place* a = PlaceNamed(qModel, "A");
        Place* b = PlaceNamed(qModel, "B");
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(a->master->nameSpace, "p.q");
        const std::vector<Link*> links = Links(qModel);
        ASSERT_EQ(links.size(), 1u) << run;
        EXPECT_EQ(SemanticsOf(links[0]), 1); // inheritance
        EXPECT_EQ(links[0]->GetSource(), a);
        EXPECT_EQ(links[0]->GetTarget(), b);
        // One master per package and class, each counted once per place.
        EXPECT_EQ(doc->Masters().Masters().size(), 4u) << run;
        for (const auto& master : doc->Masters().Masters()) {
            EXPECT_EQ(master->refCount, 1) << master->name;
        }
        // The new project's own model, Main and the two package submodels.
        EXPECT_EQ(doc->ModelCount(), 4u) << run;
    }
    // Laid out: the two classes do not lie on each other.
    Model* qModel = doc->FindModelByName("q");
    ASSERT_NE(qModel, nullptr);
    CRect overlap;
    EXPECT_FALSE(
        overlap.IntersectRect(PlaceNamed(qModel, "A")->bounds, PlaceNamed(qModel, "B")->bounds));

    // The project saves and loads with its packages, masters and link.
    auto loaded = Load(doc->StoreText());
    Model* loadedQ = loaded->FindModelByName("q");
    ASSERT_NE(loadedQ, nullptr);
    EXPECT_EQ(Places(loadedQ).size(), 2u);
    ASSERT_EQ(Links(loadedQ).size(), 1u);
    EXPECT_EQ(Links(loadedQ)[0]->GetSourceMaster()->name, "A");
    EXPECT_EQ(Links(loadedQ)[0]->GetTargetMaster()->name, "B");
    EXPECT_EQ(loaded->Folders().revFiles, files);
}

// Java on the built-in template, which has no realization tool: an
// implemented interface is drawn with the inheritance tool, so it still reads
// as a base. Under the relationships-as-links option only instance fields
// become links; a static field (a shared instance, an enumeration's
// constant) keeps its modifiers and value as an attribute. An enumeration's
// master says what it is.
TEST_F(DocumentReverseProjectTest, JavaBasesStaticsAndEnumerationsOnTheBuiltInTemplate) {
    const std::vector<std::string> files = {
        WriteFile("T.java", "package p;\n"
                            "interface Shape { }\n"
                            "public final class T implements Shape {\n"
                            "  public static final T ZERO = new T(null);\n"
                            "  private final Shape other;\n"
                            "  T(Shape s) { other = s; }\n"
                            "}\n"
                            "enum Unit { DAYS(1), WEEKS(7); Unit(int d) { } }\n")};
    auto doc = NewProject();
    DocumentReverseProject project(*doc);
    ReverseEngineerFiles(project, "Java", "", &files, nullptr, nullptr);
    Model* p = doc->FindModelByName("p");
    ASSERT_NE(p, nullptr);
    Place* t = PlaceNamed(p, "T");
    Place* shape = PlaceNamed(p, "Shape");
    Place* unit = PlaceNamed(p, "Unit");
    ASSERT_NE(t, nullptr);
    ASSERT_NE(shape, nullptr);
    ASSERT_NE(unit, nullptr);
    std::vector<std::pair<std::string, int>> links;
    for (const Link* link : Links(p)) {
        if (link->GetSource() == t && link->GetTarget() == shape) {
            links.emplace_back(link->name, SemanticsOf(link));
        }
    }
    EXPECT_EQ(links, (std::vector<std::pair<std::string, int>>{{"", 1}, {"other", 4}}));
    ASSERT_EQ(t->master->attributes.size(), 1u);
    EXPECT_EQ(t->master->attributes[0]->name, "ZERO");
    EXPECT_EQ(t->master->attributes[0]->value, "new T(null)");
    EXPECT_EQ(unit->master->stereotype, "enum");
    EXPECT_EQ(t->master->stereotype, "");
    ASSERT_EQ(unit->master->attributes.size(), 2u);
    EXPECT_EQ(unit->master->attributes[1]->name, "WEEKS");
    EXPECT_EQ(unit->master->attributes[1]->value, "(7)");
}

TEST_F(DocumentReverseProjectTest, ClassTypedAttributesBecomeLinksOnlyWhenAsked) {
    const std::vector<std::string> files = {
        WriteFile("c.h", "class B { };\nclass C { B items[10]; B* ptr; B val; int n; };\n")};
    {
        auto doc = NewProject();
        Run(*doc, files, {{"ShowRelationshipsGraphically", "true"}});
        EXPECT_NE(doc->Profile().flags & kRevRelationshipsAsLinks, 0u);
        Model* main = doc->CurrentModel();
        Place* c = PlaceNamed(main, "C");
        Place* b = PlaceNamed(main, "B");
        ASSERT_NE(c, nullptr);
        ASSERT_NE(b, nullptr);
        ASSERT_EQ(c->master->attributes.size(), 1u);
        EXPECT_EQ(c->master->attributes[0]->name, "n");
        // The template's tools by meaning, else the reverse engineer's defaults.
        const int aggregation = doc->Template()->FindToolBySemantics(true, 5, 3);
        const int composition = doc->Template()->FindToolBySemantics(true, 4, 1);
        struct Expected {
            const char* name;
            int tool;
            bool plain; // the aggregation's flag bit
            const char* sourceEnd;
            const char* targetEnd;
        };
        const Expected expected[] = {
            {"items", aggregation, true, "1", "n"},
            {"ptr", aggregation, true, "%%", "%%"},
            {"val", composition, false, "%%", "%%"},
        };
        const std::vector<Link*> links = Links(main);
        ASSERT_EQ(links.size(), std::size(expected));
        for (size_t i = 0; i < links.size(); ++i) {
            const Expected& e = expected[i];
            EXPECT_EQ(links[i]->name, e.name);
            EXPECT_EQ(links[i]->kindCode, e.tool) << e.name;
            EXPECT_EQ((links[i]->options & LoPlainComposition) != 0, e.plain) << e.name;
            EXPECT_EQ(links[i]->sourceEnd, e.sourceEnd) << e.name;
            EXPECT_EQ(links[i]->targetEnd, e.targetEnd) << e.name;
            EXPECT_EQ(links[i]->access, AccessPrivate) << e.name;
            EXPECT_EQ(links[i]->GetSource(), c) << e.name;
            EXPECT_EQ(links[i]->GetTarget(), b) << e.name;
        }
        // A second run draws no link twice and keeps one place per class.
        Run(*doc, files);
        EXPECT_EQ(Links(main).size(), std::size(expected));
        EXPECT_EQ(Places(main).size(), 2u);
        // The end labels are written with the project.
        auto loaded = Load(doc->StoreText());
        const std::vector<Link*> read = Links(loaded->FindModelByName("Main"));
        ASSERT_EQ(read.size(), std::size(expected));
        EXPECT_EQ(read[0]->sourceEnd, "1");
        EXPECT_EQ(read[0]->targetEnd, "n");
    }
    {
        auto doc = NewProject();
        Run(*doc, files, {{"ShowRelationshipsGraphically", "false"}});
        Model* main = doc->CurrentModel();
        EXPECT_TRUE(Links(main).empty());
        Place* c = PlaceNamed(main, "C");
        ASSERT_NE(c, nullptr);
        std::vector<std::string> attributes;
        for (const auto& attribute : c->master->attributes) {
            attributes.push_back(attribute->name + ":" + attribute->type + "[" +
                                 attribute->cardinality + "]");
        }
        EXPECT_EQ(attributes,
                  (std::vector<std::string>{"items:B[10]", "ptr:B*[]", "val:B[]", "n:int[]"}));
    }
}

TEST_F(DocumentReverseProjectTest, ClassesNamedWithoutTheirNamespacesArePlacedOnceOverRuns) {
    struct Case {
        const char* what;
        const char* source;
    };
    const Case cases[] = {
        // V's base A is named without A's namespace: the document finds A's
        // master by name, and a second run must find its place too.
        {"base in a namespace",
         "namespace p.q { class A { }; }\n"
         "template <class T> class V : public A { class N : public V { }; };\n"},
        // Two classes B, one global and one in n: a later master of the same
        // name must not stand in for the global one on the next run.
        {"same name in two namespaces", "class B { };\nclass A : public B { };\n"
                                        "namespace n { class B { }; class C : public B { }; }\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunTwiceAddsNothing({WriteFile("v.h", c.source)});
    }
}

void DocumentReverseProjectTest::RunTwiceAddsNothing(const std::vector<std::string>& files) {
    auto doc = NewProject();
    auto drawables = [&] {
        size_t count = 0;
        for (size_t i = 0; i < doc->ModelCount(); ++i) {
            count += doc->GetModelAt(i)->Drawables().size();
        }
        return count;
    };
    Run(*doc, files);
    const size_t masters = doc->Masters().Masters().size();
    const size_t first = drawables();
    for (int run = 0; run < 2; ++run) {
        Run(*doc, files);
        EXPECT_EQ(doc->Masters().Masters().size(), masters) << run;
        EXPECT_EQ(drawables(), first) << run;
    }
    for (const auto& master : doc->Masters().Masters()) {
        size_t places = 0;
        for (size_t i = 0; i < doc->ModelCount(); ++i) {
            for (Place* place : Places(doc->GetModelAt(i))) {
                places += place->master == master.get();
            }
        }
        EXPECT_EQ(static_cast<size_t>(master->refCount), places) << master->name;
    }
}

TEST_F(DocumentReverseProjectTest, ARepeatedRunReplacesTheMembersAndReleasesTheirIds) {
    const std::string path = WriteFile("m.h", "class M { int old; void gone(); };");
    auto doc = NewProject();
    Run(*doc, {path});
    Master* m = PlaceNamed(doc->CurrentModel(), "M")->master;
    ASSERT_EQ(m->attributes.size(), 1u);
    ASSERT_EQ(m->methods.size(), 1u);
    // Members that something refers to by id (the journal, a paste) are in
    // the project's map.
    std::vector<std::string> oldIds;
    for (ModelObject* member :
         std::initializer_list<ModelObject*>{m->attributes[0].get(), m->methods[0].get()}) {
        oldIds.push_back(member->guid.Text());
        doc->IdMap().Register(0, member->guid.Text(), true, member);
        ASSERT_EQ(doc->IdMap().Lookup(member->guid.Text()), member);
    }

    ASSERT_TRUE(WriteFileReplacing(path, "class M { int fresh; };"));
    Run(*doc, {path});
    ASSERT_EQ(m->attributes.size(), 1u);
    EXPECT_EQ(m->attributes[0]->name, "fresh");
    EXPECT_TRUE(m->methods.empty());
    for (const std::string& id : oldIds) {
        EXPECT_EQ(doc->IdMap().Lookup(id.c_str()), nullptr) << id;
    }
    const std::string saved = doc->StoreText();
    EXPECT_EQ(saved.find("\"old\""), std::string::npos);
    EXPECT_EQ(saved.find("\"gone\""), std::string::npos);
    EXPECT_NE(saved.find("\"fresh\""), std::string::npos);
    Load(saved);
}

TEST_F(DocumentReverseProjectTest, TheNamedModelIsShownAndTheStepStyleComesBack) {
    const std::vector<std::string> files = {
        WriteFile("s.h", "class Base { };\nclass Derived : public Base { };\n")};
    RecordingFrame frame;
    auto doc = NewProject(false);
    doc->SetFrame(&frame);
    doc->Events().AddObserver(&frame);
    Model* other = doc->NewModel(MkClass, nullptr);
    other->name = "Target";
    other->modelFlags |= MfStepLink;
    Run(*doc, files, {{"ShowAllAttributesAndMethods", "true"}}, "Target");
    EXPECT_EQ(doc->CurrentModel(), other);
    EXPECT_TRUE(Places(doc->FindModelByName("Main")).empty());
    ASSERT_EQ(Places(other).size(), 2u);
    for (Place* place : Places(other)) {
        EXPECT_NE(place->placeFlags & PfCompartments, 0u) << place->master->name;
    }
    // Links are drawn plain during the run and take the step style after it.
    EXPECT_NE(other->modelFlags & MfStepLink, 0u);
    ASSERT_EQ(Links(other).size(), 1u);
    EXPECT_NE(Links(other)[0]->options & LoStepped, 0);
    // Target is the third model: after the new project's own and Main.
    EXPECT_EQ(frame.calls, (std::vector<std::string>{"show 2", "tree"}));
    doc->Events().RemoveObserver(&frame);
    doc->SetFrame(nullptr);
}

TEST_F(DocumentReverseProjectTest, IdlModulesBecomePackagesWithTheirInterfaces) {
    const std::vector<std::string> files = {
        WriteFile("m.idl", "module M {\n"
                           "  interface J { };\n"
                           "  interface I : J {\n"
                           "    readonly attribute long x;\n"
                           "    void f(in long a, out string b) raises (E);\n"
                           "  };\n"
                           "};\n")};
    auto doc = NewProject();
    for (int run = 0; run < 2; ++run) {
        DocumentReverseProject project(*doc);
        const std::vector<NameValuePair> options;
        ReverseEngineerFiles(project, "IDL", "", &files, nullptr, &options);
        Model* main = doc->CurrentModel();
        ASSERT_EQ(Places(main).size(), 1u) << run;
        Master* module = Places(main)[0]->master;
        EXPECT_EQ(module->name, "M");
        auto* moduleModel = dynamic_cast<Model*>(module->submodel);
        ASSERT_NE(moduleModel, nullptr);
        ASSERT_EQ(Places(moduleModel).size(), 2u) << run;
        Place* i = PlaceNamed(moduleModel, "I");
        Place* j = PlaceNamed(moduleModel, "J");
        ASSERT_NE(i, nullptr);
        ASSERT_NE(j, nullptr);
        EXPECT_NE(i->master->masterFlags & MasterInterface, 0);
        ASSERT_EQ(i->master->attributes.size(), 1u);
        EXPECT_EQ(i->master->attributes[0]->name, "x");
        ASSERT_EQ(i->master->methods.size(), 1u);
        const MasterMethod& f = *i->master->methods[0];
        EXPECT_EQ(f.name, "f");
        ASSERT_EQ(f.parameters.size(), 2u);
        ASSERT_EQ(f.others.size(), 1u);
        EXPECT_EQ(f.others[0]->name, "E");
        const std::vector<Link*> links = Links(moduleModel);
        ASSERT_EQ(links.size(), 1u) << run;
        EXPECT_EQ(links[0]->GetSource(), i);
        EXPECT_EQ(links[0]->GetTarget(), j);
    }
}

TEST_F(DocumentReverseProjectTest, ModelsThatHoldNoPlacesAreLeftAlone) {
    // Without a current model, or into a tool model, nothing is made.
    auto doc = NewProject();
    doc->SetCurrentModel(nullptr);
    const std::vector<std::string> files = {WriteFile("n.h", "class N { };")};
    Run(*doc, files);
    EXPECT_TRUE(doc->Masters().Masters().empty());
    EXPECT_EQ(doc->Folders().revFiles, files);

    DocumentReverseProject project(*doc);
    Model plain;
    EXPECT_EQ(project.AddMasterPlace(&plain, 10, "X", "", false), nullptr);
    EXPECT_EQ(project.FindOrCreatePackage(&plain, "p", "", 12, false), nullptr);
    EXPECT_EQ(project.AddLink(&plain, 0, "", nullptr, nullptr), nullptr);
    EXPECT_EQ(project.EnsureSubmodel(nullptr, &plain), nullptr);
    EXPECT_TRUE(doc->Masters().Masters().empty());
}

} // namespace
} // namespace qm
