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

} // namespace
} // namespace qm
