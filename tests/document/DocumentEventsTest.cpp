// The document's events as a window hears them: once per change through the
// journal, undo and redo, held over a journal group; and object handles that
// follow a master through its delete and the delete's undo.
#include "document/DocumentEvents.h"
#include "document/UndoJournal.h"

#include "drawables/Model.h"
#include "model/Master.h"
#include "model/ObjectHandle.h"
#include "tests/document/DocumentFixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace qm {
namespace {

// Every event, in order, as text; the areas and ids beside.
struct RecordingObserver : DocumentObserver {
    void ModelsChanged(ModelsChange change, const std::vector<Model*>& models) override {
        static const char* const names[] = {"added", "removed", "renamed", "moved"};
        events.push_back(std::string("models ") + names[static_cast<int>(change)]);
        changedModels = models;
    }
    void MastersChanged(const std::vector<Master*>& masters) override {
        events.push_back("masters");
        changedMasters = masters;
    }
    void ProjectTreeChanged() override { events.push_back("tree"); }
    void DrawablesChanged(Model& model, const CRect& area) override {
        events.push_back("drawables " + model.name);
        areas.push_back(area);
    }
    void ObjectsRemoved(const std::vector<Guid>& ids) override {
        events.push_back("removed");
        removedIds = ids;
    }
    void SelectionChanged(Model&) override { events.push_back("selection"); }
    void CurrentModelChanged(Model*) override { events.push_back("current"); }
    void ModifiedChanged(bool) override { events.push_back("modified"); }
    void ReplayShows(Model&, const std::vector<Drawable*>&) override { events.push_back("shows"); }

    size_t Count(const std::string& kind) const {
        return static_cast<size_t>(std::count(events.begin(), events.end(), kind));
    }
    void Clear() {
        events.clear();
        areas.clear();
        removedIds.clear();
        changedModels.clear();
        changedMasters.clear();
    }

    std::vector<std::string> events;
    std::vector<CRect> areas;
    std::vector<Guid> removedIds;
    std::vector<Model*> changedModels;
    std::vector<Master*> changedMasters;
};

CRect United(const CRect& a, const CRect& b) {
    CRect united;
    united.UnionRect(a, b);
    return united;
}

class DocumentEventsTest : public test::DocumentTest {
  protected:
    DocumentEventsTest() {
        doc = Load(ReadWholeFile(QM_FIXTURES "/document/every_record.pro", 1 << 20).value_or(""));
        classes = doc->FindModelByName("Classes");
        text = dynamic_cast<Drawable*>(doc->IdMap().Lookup("text-1"));
        doc->Events().AddObserver(&observer);
    }
    ~DocumentEventsTest() override { doc->Events().RemoveObserver(&observer); }

    // Moves the text by offset as a drag does and records it.
    void MoveText(CPoint offset) {
        classes->DeselectAll(nullptr, false);
        classes->Select(text, true, nullptr, false);
        classes->MoveDrawables(text->Parent(), offset.x, offset.y, false);
        Journal().BeginChange(doc.get(), ChangeKind::MoveDrawables);
        Journal().AddChangedObject(doc.get(), text, nullptr);
        Journal().SetOffset(doc.get(), offset);
        Journal().RecordChange(doc.get(), ChangeKind::MoveDrawables, "Drag Drawables", classes,
                               nullptr);
    }

    std::unique_ptr<CCASEDoc> doc;
    Model* classes = nullptr;
    Drawable* text = nullptr;
    RecordingObserver observer;
};

TEST_F(DocumentEventsTest, AMoveItsUndoAndItsRedoEachRepaintTheOldAndNewPlace) {
    ASSERT_NE(classes, nullptr);
    ASSERT_NE(text, nullptr);
    const CRect before = text->repaintRect;
    const uint64_t changes = classes->ChangeCount();
    MoveText(CPoint(100, 50));
    const CRect after = text->repaintRect;
    ASSERT_NE(before, after);
    const CRect expected = United(before, after);
    EXPECT_EQ(observer.Count("drawables Classes"), 1u);
    ASSERT_EQ(observer.areas.size(), 1u);
    EXPECT_EQ(observer.areas[0], expected);
    EXPECT_GT(classes->ChangeCount(), changes);

    struct Step {
        const char* name;
        bool redo;
        CRect textAt;
    } steps[] = {{"undo", false, before}, {"redo", true, after}};
    for (const Step& step : steps) {
        observer.Clear();
        ASSERT_TRUE(doc->GetJournal().Replay(1, step.redo)) << step.name;
        EXPECT_EQ(text->repaintRect, step.textAt) << step.name;
        EXPECT_EQ(observer.Count("drawables Classes"), 1u) << step.name;
        ASSERT_EQ(observer.areas.size(), 1u) << step.name;
        EXPECT_EQ(observer.areas[0], expected) << step.name;
        EXPECT_EQ(observer.Count("shows"), 1u) << step.name;
        EXPECT_EQ(observer.Count("removed"), 0u) << step.name;
    }
}

TEST_F(DocumentEventsTest, ANewModelAndADeleteEachSendTheirOneEvent) {
    Model* made = doc->NewModel(MkClass, classes);
    ASSERT_NE(made, nullptr);
    Journal().BeginChange(doc.get(), ChangeKind::NewModel);
    Journal().RecordChange(doc.get(), ChangeKind::NewModel, "New Model", made, nullptr);
    EXPECT_EQ(observer.Count("models added"), 1u);
    EXPECT_EQ(observer.changedModels, std::vector<Model*>{made});
    EXPECT_EQ(observer.Count("removed"), 0u);

    observer.Clear();
    classes->DeselectAll(nullptr, false);
    classes->Select(text, true, nullptr, false);
    observer.Clear();
    classes->DeleteDrawables(doc.get(), nullptr, ChangeKind::Delete, false);
    EXPECT_EQ(observer.Count("removed"), 1u);
    ASSERT_EQ(observer.removedIds.size(), 1u);
    EXPECT_EQ(observer.removedIds[0], "text-1");
    EXPECT_EQ(observer.Count("drawables Classes"), 1u);
    EXPECT_EQ(observer.Count("models added"), 0u);
}

TEST_F(DocumentEventsTest, AGroupSendsNothingUntilItEndsThenOnce) {
    const CRect before = text->repaintRect;
    Journal().BeginGroup(doc.get());
    MoveText(CPoint(10, 0));
    MoveText(CPoint(0, 20));
    EXPECT_TRUE(observer.events.empty()) << testing::PrintToString(observer.events);
    Journal().EndGroup(doc.get());
    EXPECT_EQ(observer.Count("drawables Classes"), 1u);
    ASSERT_EQ(observer.areas.size(), 1u);
    EXPECT_EQ(observer.areas[0], United(before, text->repaintRect));
}

// Masters made one after another (a script run, a reverse-engineering run)
// are reported in the order they were made, although the collection puts
// each new one first: a list that puts every new row on top then shows the
// latest first, as it would had it been told of each at once. A master found
// again is reported changed; one made and gone before the events is not.
TEST_F(DocumentEventsTest, MastersMadeInARunAreReportedInTheOrderMade) {
    const int kind = doc->Masters().Masters().front()->Kind();
    Master* known = doc->Masters().Masters().back().get();
    std::vector<Master*> made;
    {
        DocumentEvents::Batch hold(doc->Events());
        made.push_back(doc->NewMaster(kind, "Alpha", ""));
        made.push_back(doc->NewMaster(kind, "Beta", ""));
        doc->Events().NoteMaster(known);
        Master* gone = doc->NewMaster(kind, "Gone", "");
        std::unique_ptr<Master> taken = doc->Masters().Remove(gone, false);
        ASSERT_NE(taken, nullptr);
        taken->SetDetached();
        ASSERT_EQ(doc->Masters().Masters().front().get(), made[1]);
        EXPECT_TRUE(observer.events.empty());
    }
    EXPECT_EQ(observer.Count("masters"), 1u);
    EXPECT_EQ(observer.changedMasters, (std::vector<Master*>{made[0], made[1], known}));
}

// The project tree's rebuild is not held: the window's layout, applied
// while a load still holds the other events, finds the tree whole.
TEST_F(DocumentEventsTest, TheProjectTreeHearsAtOnceAlsoWhileHeld) {
    DocumentEvents::Batch hold(doc->Events());
    doc->Events().NoteProjectTreeChanged();
    EXPECT_EQ(observer.events, std::vector<std::string>{"tree"});
}

TEST_F(DocumentEventsTest, AHandleFollowsAMasterThroughItsDeleteAndTheUndo) {
    Master* loose = doc->Masters().FindByGuid("m-loose-000001");
    ASSERT_NE(loose, nullptr);
    const ObjectHandle handle(loose, &doc->IdMap());
    EXPECT_EQ(handle.Get(), loose);

    doc->MarkMasters(false);
    loose->Mark(1, 1, 0);
    ASSERT_EQ(doc->DeleteMasters(ChangeKind::Delete, false), 1);
    EXPECT_EQ(handle.Get(), nullptr);
    EXPECT_EQ(observer.Count("removed"), 1u);

    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    Master* recreated = doc->Masters().FindByGuid("m-loose-000001");
    ASSERT_NE(recreated, nullptr);
    EXPECT_EQ(handle.As<Master>(), recreated);
    EXPECT_EQ(observer.Count("masters"), 1u);

    // A handle whose map is gone resolves to nothing, not to freed memory.
    ObjectHandle orphan;
    {
        auto other =
            Load(ReadWholeFile(QM_FIXTURES "/document/every_record.pro", 1 << 20).value_or(""));
        orphan = ObjectHandle(other->Masters().FindByGuid("m-loose-000001"), &other->IdMap());
        EXPECT_NE(orphan.Get(), nullptr);
    }
    EXPECT_EQ(orphan.Get(), nullptr);
    EXPECT_EQ(ObjectHandle().Get(), nullptr);
}

// Every event with what it carries, as text: enough to tell two runs apart.
struct DetailObserver : DocumentObserver {
    void ModelsChanged(ModelsChange change, const std::vector<Model*>& models) override {
        std::string line = "models " + std::to_string(static_cast<int>(change));
        for (const Model* model : models)
            line += " " + model->name;
        log.push_back(line);
    }
    void MastersChanged(const std::vector<Master*>& masters) override {
        std::string line = "masters";
        for (const Master* master : masters)
            line += " " + master->name;
        log.push_back(line);
    }
    void DrawablesChanged(Model& model, const CRect& area) override {
        log.push_back("drawables " + model.name + " " + std::to_string(area.left) + "," +
                      std::to_string(area.top) + "," + std::to_string(area.right) + "," +
                      std::to_string(area.bottom));
    }
    void ObjectsRemoved(const std::vector<Guid>& ids) override {
        std::string line = "removed";
        for (const Guid& id : ids)
            line += std::string(" ") + id.Text();
        log.push_back(line);
    }
    void SelectionChanged(Model& model) override { log.push_back("selection " + model.name); }
    void CurrentModelChanged(Model* model) override {
        log.push_back("current " + (model != nullptr ? model->name : std::string("-")));
    }
    void ModifiedChanged(bool modified) override {
        log.push_back(std::string("modified ") + (modified ? "1" : "0"));
    }
    std::vector<std::string> log;
};

// A change that names what it touched is compared over those objects (and
// what the counted lists show changed) only; a window must hear of it
// exactly what the whole comparison tells. Two copies of a project take the
// same edits in turn: one publishes each as named, the other compares the
// whole project.
TEST_F(DocumentEventsTest, ANamedChangeSendsWhatTheWholeComparisonSends) {
    struct Copy {
        std::unique_ptr<CCASEDoc> doc;
        DetailObserver observer;
        std::vector<std::unique_ptr<ModelObject>> kept;
    };
    Copy named;
    Copy whole;
    for (Copy* copy : {&named, &whole}) {
        copy->doc =
            Load(ReadWholeFile(QM_FIXTURES "/document/every_record.pro", 1 << 20).value_or(""));
        copy->doc->Events().Forget();
        copy->doc->Events().AddObserver(&copy->observer);
    }
    struct Edit {
        const char* name;
        // Makes the edit; the model and the objects the change names.
        std::function<void(Copy&, Model*& model, std::vector<ModelObject*>& changed)> make;
    };
    auto classesOf = [](Copy& copy) { return copy.doc->FindModelByName("Classes"); };
    auto textOf = [](Copy& copy) {
        return dynamic_cast<Drawable*>(copy.doc->IdMap().Lookup("text-1"));
    };
    auto looseOf = [](Copy& copy) { return copy.doc->Masters().FindByGuid("m-loose-000001"); };
    const Edit edits[] = {
        {"a master's comment",
         [&](Copy& copy, Model*&, std::vector<ModelObject*>& changed) {
             Master* master = looseOf(copy);
             master->comment += "x";
             changed.push_back(master);
         }},
        {"a drawable moved through its model",
         [&](Copy& copy, Model*& model, std::vector<ModelObject*>& changed) {
             model = classesOf(copy);
             Drawable* text = textOf(copy);
             CRect rect = text->bounds;
             rect.OffsetRect(40, 30);
             CRect area;
             model->SetDrawableBounds(text, rect, area);
             changed.push_back(text);
         }},
        {"a named drawable's rectangle written directly",
         [&](Copy& copy, Model*& model, std::vector<ModelObject*>& changed) {
             model = classesOf(copy);
             Drawable* text = textOf(copy);
             text->repaintRect.OffsetRect(0, 25);
             changed.push_back(text);
         }},
        {"a master renamed and a drawable named without its model",
         [&](Copy& copy, Model*&, std::vector<ModelObject*>& changed) {
             looseOf(copy)->name += "2";
             changed.push_back(textOf(copy));
             changed.push_back(looseOf(copy));
         }},
        {"a selection nobody named",
         [&](Copy& copy, Model*&, std::vector<ModelObject*>&) {
             classesOf(copy)->Select(textOf(copy), true, nullptr, false);
         }},
        {"a model renamed",
         [&](Copy& copy, Model*&, std::vector<ModelObject*>&) { classesOf(copy)->name += "+"; }},
        {"a master added",
         [&](Copy& copy, Model*&, std::vector<ModelObject*>&) {
             auto master = std::make_unique<Master>(&copy.doc->IdMap());
             master->name = "Added";
             copy.doc->Masters().InsertAt(copy.doc->Masters().Count(), std::move(master));
         }},
        {"a master taken out",
         [&](Copy& copy, Model*&, std::vector<ModelObject*>&) {
             copy.kept.push_back(copy.doc->Masters().Remove(looseOf(copy), false));
         }},
        {"a drawable taken out unnamed",
         [&](Copy& copy, Model*&, std::vector<ModelObject*>&) {
             Model* classes = copy.doc->FindModelByName("Classes+");
             copy.kept.push_back(classes->RemoveDrawable(textOf(copy), false));
         }},
        {"a new model", [&](Copy& copy, Model*&,
                            std::vector<ModelObject*>&) { copy.doc->NewModel(MkClass, nullptr); }},
        {"the modified flag and nothing named",
         [&](Copy& copy, Model*&, std::vector<ModelObject*>&) { copy.doc->SetModifiedFlag(true); }},
    };
    for (const Edit& edit : edits) {
        for (Copy* copy : {&named, &whole}) {
            copy->observer.log.clear();
            Model* model = nullptr;
            std::vector<ModelObject*> changed;
            edit.make(*copy, model, changed);
            copy->doc->Events().NoteChanged(model, nullptr, changed,
                                            copy == &named ? ChangeReach::Named
                                                           : ChangeReach::Anywhere);
            copy->doc->Events().Publish();
        }
        EXPECT_EQ(named.observer.log, whole.observer.log) << edit.name;
    }
    for (Copy* copy : {&named, &whole})
        copy->doc->Events().RemoveObserver(&copy->observer);
}

} // namespace
} // namespace qm
