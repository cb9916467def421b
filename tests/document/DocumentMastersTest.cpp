// Which masters and models a project holds: new model names and models,
// removing models with their submodels, deleting unused masters, renaming a
// place's master and the masters reached over class links.
#include "document/CCASEDoc.h"
#include "drawables/CustomModel.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "drawables/ToolModel.h"
#include "model/ChangeJournal.h"
#include "tests/document/DocumentFixture.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::DocumentTest;

std::string EveryRecord() {
    return ReadWholeFile(QM_FIXTURES "/document/every_record.pro", 1 << 20).value_or("");
}

struct RecordingJournal : ChangeJournal {
    void BeginChange(ModelDocument*, ChangeKind kind) override { begun.push_back(kind); }
    void AddChangedObject(ModelDocument*, ModelObject* object,
                          std::unique_ptr<ModelObject>) override {
        changed.push_back(object);
    }
    void RecordChange(ModelDocument*, ChangeKind kind, const char* name, ModelObject* model,
                      ModelObject*) override {
        entries.push_back({kind, name, model});
    }
    struct Entry {
        ChangeKind kind;
        std::string name;
        ModelObject* model;
    };
    std::vector<ChangeKind> begun;
    std::vector<ModelObject*> changed;
    std::vector<Entry> entries;
};

Place* PlaceOf(CCASEDoc& doc, const char* id) {
    Model* classes = doc.FindModelByName("Classes");
    return classes != nullptr ? dynamic_cast<Place*>(FindObjectById(classes->Drawables(), id))
                              : nullptr;
}

TEST_F(DocumentTest, NewModelNamesFollowTheHighestUntitledNumber) {
    auto doc = Load(EveryRecord());
    EXPECT_EQ(doc->NewModelName(), "Untitled 1");
    for (const char* name : {"Untitled 1", "Untitled 7", "Untitled", "Untitledness"}) {
        Model* model = doc->NewModel(MkClass, nullptr);
        ASSERT_NE(model, nullptr);
        model->name = name;
    }
    EXPECT_EQ(doc->NewModelName(), "Untitled 8");

    Model* parent = doc->FindModelByName("Classes");
    Model* child = doc->NewModel(MkUseCase, parent);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->name, "Untitled 8");
    EXPECT_EQ(child->kind, MkUseCase);
    EXPECT_EQ(child->parentModel, parent);
    EXPECT_EQ(doc->GetModelAt(doc->ModelCount() - 1), child);
    EXPECT_EQ(doc->NewModel(99, nullptr), nullptr);
}

TEST_F(DocumentTest, FindOrCreateClassPlaceGivesTheMasterAClassDiagramWhenItHasNone) {
    const struct {
        const char* name;
        const char* toolOf; // the master whose tool is asked for
        bool newPlace;
        bool newModel;
    } cases[] = {
        {"Shape", "m-shape-000001", false, false}, // its submodel already exists
        {"Circle", "m-circle-00001", false, true}, // a place without a submodel
        {"Widget", "m-circle-00001", true, true},  // neither place nor master yet
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = Load(EveryRecord());
        auto* classes = dynamic_cast<CustomModel*>(doc->FindModelByName("Classes"));
        ASSERT_NE(classes, nullptr);
        const int tool = doc->Masters().FindByGuid(c.toolOf)->ToolNumber();
        const size_t drawables = classes->Drawables().size();
        const size_t models = doc->ModelCount();
        Model* sub = classes->FindOrCreateClassPlace(doc.get(), tool, c.name, "");
        ASSERT_NE(sub, nullptr);
        EXPECT_EQ(classes->Drawables().size(), drawables + (c.newPlace ? 1 : 0));
        EXPECT_EQ(doc->ModelCount(), models + (c.newModel ? 1 : 0));
        EXPECT_EQ(sub->name, c.name);
        EXPECT_EQ(sub->kind, MkClass);
        ASSERT_NE(sub->parentMaster, nullptr);
        EXPECT_EQ(sub->parentMaster->submodel, sub);
        if (c.newModel) {
            EXPECT_EQ(sub->parentModel, classes);
            EXPECT_EQ(sub->modelFlags, classes->modelFlags);
        }
        // Asked again, the same submodel answers.
        EXPECT_EQ(classes->FindOrCreateClassPlace(doc.get(), tool, c.name, ""), sub);
        EXPECT_EQ(doc->ModelCount(), models + (c.newModel ? 1 : 0));
    }
}

TEST_F(DocumentTest, RemovingAModelTakesItsSubmodelsUnlessFlagged) {
    auto doc = Load(EveryRecord());
    Model* classes = doc->FindModelByName("Classes");
    Model* sub = doc->FindModelByName("Shape");
    ASSERT_EQ(sub->parentModel, classes);
    Model* grandchild = doc->NewModel(MkClass, sub);
    size_t before = doc->ModelCount();
    RecordingJournal journal;
    ScopedInstall<ChangeJournal> installed(&journal);

    EXPECT_TRUE(doc->RemoveModel(classes, false));
    EXPECT_EQ(doc->ModelCount(), before - 3);
    EXPECT_FALSE(doc->HasModel(sub) || doc->HasModel(grandchild) || doc->HasModel(classes));
    for (Model* m : {classes, sub, grandchild})
        EXPECT_NE(m->flags & 0x200u, 0u);
    // The submodels go to the change, each once; the model itself only with the flag.
    EXPECT_EQ(journal.changed.size(), 2u);
    EXPECT_FALSE(doc->RemoveModel(classes, false));

    Model* states = doc->FindModelByName("States");
    journal.changed.clear();
    EXPECT_TRUE(doc->RemoveModel(states, true));
    EXPECT_EQ(journal.changed, std::vector<ModelObject*>{states});
    // What is taken out is kept (for the journal) until the document goes.
    EXPECT_EQ(doc->RemovedModels().size(), 4u);
}

TEST_F(DocumentTest, OnlyUnusedMarkedMastersAreDeleted) {
    auto doc = Load(EveryRecord());
    Master* shape = doc->Masters().FindByGuid("m-shape-000001");
    Master* loose = doc->Masters().FindByGuid("m-loose-000001");
    Master* state = doc->Masters().FindByGuid("m-state-000001");
    ASSERT_TRUE(shape && loose && state);
    ASSERT_GT(shape->refCount, 0);
    loose->refCount = 0;
    state->refCount = 0;
    for (Master* m : {shape, loose, state})
        m->Mark(1, 1, 0);
    size_t count = doc->Masters().Count();
    RecordingJournal journal;
    ScopedInstall<ChangeJournal> installed(&journal);

    EXPECT_EQ(doc->DeleteMasters(ChangeKind::Delete, false), 2);
    EXPECT_EQ(doc->Masters().Count(), count - 2);
    EXPECT_TRUE(doc->HasMaster(shape));
    EXPECT_FALSE(doc->HasMaster(loose) || doc->HasMaster(state));
    EXPECT_EQ(prompts.asked,
              std::vector<std::string>{"Only masters with a reference count of zero are deleted!"});
    ASSERT_EQ(journal.entries.size(), 1u);
    EXPECT_EQ(journal.entries[0].kind, ChangeKind::Delete);
    EXPECT_EQ(journal.entries[0].name, "Delete Masters");
    EXPECT_EQ(journal.changed.size(), 2u);

    // Nothing deletable: the message again, and nothing recorded.
    EXPECT_EQ(doc->DeleteMasters(ChangeKind::Cut, false), 0);
    EXPECT_EQ(journal.entries.size(), 1u);
    // The project saves without the deleted masters and loads again.
    std::string text = doc->StoreText();
    EXPECT_EQ(text.find("m-loose-000001"), std::string::npos);
    EXPECT_NO_THROW(Load(text));
}

TEST_F(DocumentTest, RenamingAPlaceMaster) {
    auto doc = Load(EveryRecord());
    Place* shapePlace = PlaceOf(*doc, "p-shape-00001");
    Place* circlePlace = PlaceOf(*doc, "p-circle-0001");
    ASSERT_TRUE(shapePlace && circlePlace);
    Master* shape = shapePlace->master;
    Master* circle = circlePlace->master;

    // The same name and namespace: the master itself.
    EXPECT_EQ(doc->RenamePlaceMaster(shapePlace, "Shape", "geo", false), shape);

    // A shared master gives a new one; the old count drops by one.
    shape->refCount = 2;
    Master* made = doc->RenamePlaceMaster(shapePlace, "Polygon", "", true);
    ASSERT_NE(made, shape);
    EXPECT_EQ(shape->refCount, 1);
    EXPECT_EQ(made->name, "Polygon");
    EXPECT_EQ(made->nameSpace, "geo");
    EXPECT_EQ(made->refCount, 1);
    EXPECT_TRUE(doc->HasMaster(made));

    // The sole user renames in place; the namespace stays.
    size_t count = doc->Masters().Count();
    EXPECT_EQ(doc->RenamePlaceMaster(circlePlace, "Ring", "other", true), circle);
    EXPECT_EQ(circle->name, "Ring");
    EXPECT_EQ(circle->nameSpace, "geo");
    EXPECT_EQ(doc->Masters().Count(), count);

    // An existing master of the kind and name is taken, the counts move.
    shapePlace->master = made;
    EXPECT_EQ(doc->RenamePlaceMaster(shapePlace, "Shape", "geo", true), shape);
    EXPECT_EQ(made->refCount, 0);
    EXPECT_EQ(shape->refCount, 2);
}

TEST_F(DocumentTest, ClassPlaceTextsNameTheInstanceAndTheClass) {
    struct Case {
        const char* text;
        const char* label;
        const char* master;
        bool instance;
    };
    const Case cases[] = {
        {"a : Foo", "a", "Foo", true}, {"a:Foo", "a", "Foo", true},   {"A::B", "", "A::B", false},
        {"x:", "", "x:", false},       {"Plain", "", "Plain", false}, {" : Bar", "", "Bar", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto doc = Load(EveryRecord());
        Place* place = PlaceOf(*doc, "p-circle-0001");
        ASSERT_NE(place, nullptr);
        place->label = "old";
        Master* master = doc->RenamePlaceMaster(place, c.text, "geo", false);
        ASSERT_NE(master, nullptr);
        EXPECT_EQ(master->name, c.master);
        EXPECT_EQ(place->label, c.label);
        EXPECT_EQ((place->placeFlags & PfInstanceLabel) != 0, c.instance);
    }
    // keep-whole takes the text as it is.
    auto doc = Load(EveryRecord());
    Place* place = PlaceOf(*doc, "p-circle-0001");
    EXPECT_EQ(doc->RenamePlaceMaster(place, "a : Foo", "geo", true)->name, "a : Foo");
    EXPECT_EQ(place->placeFlags & PfInstanceLabel, 0u);
}

TEST_F(DocumentTest, NestedMastersFollowClassLinks) {
    auto doc = Load(EveryRecord());
    Master* shape = doc->Masters().FindByGuid("m-shape-000001");
    Master* circle = doc->Masters().FindByGuid("m-circle-00001");
    // Only a target whose tool has class semantics is followed.
    ToolModel* shapeTool = doc->FindTool(shape->ToolNumber());
    ASSERT_NE(shapeTool, nullptr);
    int semantics = shapeTool->semantics;
    shapeTool->semantics = SemUnspecified;
    EXPECT_TRUE(doc->CollectNestedMasters(circle).empty());
    shapeTool->semantics = SemClass;
    // Circle inherits from Shape: Shape is reached from Circle, nothing from Shape.
    EXPECT_EQ(doc->CollectNestedMasters(circle), std::vector<Master*>{shape});
    EXPECT_TRUE(doc->CollectNestedMasters(shape).empty());
    EXPECT_TRUE(doc->CollectNestedMasters(nullptr).empty());
    shapeTool->semantics = semantics;
}

} // namespace
} // namespace qm
