// A seeded monkey over the operations: random presses, moves, releases and
// cancels with random tools and drags over the fixture that holds every
// drawable kind, with undo and redo between them. Afterwards the project
// saves, reads back and saves again to the same text, and undoing every
// recorded step gives back the saved text it started from; between gestures
// the journal checks that each new record undoes and redoes to the same
// text. QM_MONKEY_STEPS
// and QM_MONKEY_SEED lengthen and vary the run by hand; the journal's
// question past a megabyte is answered No, so a long run undoes to its start.
#include "drawables/Junction.h"
#include "drawables/PlaceGroup.h"
#include "drawables/ScenarioPlace.h"
#include "tests/editor/OpFixture.h"

#include <random>

namespace qm {
namespace {

using test::OperationTest;

class OpMonkeyTest : public OperationTest {
  protected:
    OpMonkeyTest() {
        doc = Load(ReadWholeFile(QM_FIXTURES "/document/every_drawable.pro", 1 << 20).value_or(""));
        context.document = doc.get();
        UseModel("Everything");
    }
};

// New lanes before, between and after the lanes there, and one that widens
// the page: those between move the lanes behind them (the fixture's lane,
// shorter than its page, keeps its height) with the links and message
// floaters of their members. Undo gives back the saved text exactly, redo
// the text the creation left.
TEST_F(OpMonkeyTest, SwimlaneCreationUndoesAndRedoesToTheSavedText) {
    const std::string start = Saved();
    for (const int x : {10, 100, 790, 1900}) {
        SCOPED_TRACE(x);
        const std::string before = Saved();
        const size_t records = journal().Records().size();
        host.SetCurrentTool(TkSwimlane);
        Click(CPoint(x, 100));
        ASSERT_EQ(journal().Records().size(), records + 1);
        // Redone, so that the next lane is made beside this one.
        ASSERT_TRUE(UndoRedoUndo(before, Saved(), {.undoAgain = false}));
    }
    while (journal().CanUndo())
        ASSERT_TRUE(Undo());
    EXPECT_TRUE(test::SameText(Saved(), start));
}

// A tag on a junction goes with the place that holds the junction (or the
// group that holds that place), also from inside a place group a drag took
// it into: left behind it would point at a junction that is gone. Undo
// brings back all of it as it was.
TEST_F(OpMonkeyTest, DeletingAPlaceTakesTheTagsOnItsJunctions) {
    struct Case {
        const char* deleted;
        const char* tag;
        bool tagInGroup;
    };
    for (const Case& c :
         {Case{"p-shape-00001", "t-junc-00001", false}, Case{"pg-000000001", "t-inner-0001", false},
          Case{"p-shape-00001", "t-junc-00001", true}}) {
        SCOPED_TRACE(c.deleted);
        doc = Load(ReadWholeFile(QM_FIXTURES "/document/every_drawable.pro", 1 << 20).value_or(""));
        context.document = doc.get();
        UseModel("Everything");
        if (c.tagInGroup) {
            auto* group = AsPlaceGroup(Find("pg-000000001"));
            ASSERT_NE(group, nullptr);
            CRect area;
            CRect dirty;
            group->GetContentRect(area, 0);
            group->AddMember(model, Find(c.tag), area, dirty);
            ASSERT_EQ(Find(c.tag)->Parent(), &group->MemberGroup());
        }
        const std::string before = Saved();
        model->DeselectAll(nullptr, false);
        model->Select(Find(c.deleted), true, nullptr, false);
        CRect repaint;
        model->DeleteDrawables(doc.get(), &repaint, ChangeKind::Delete, false);
        EXPECT_EQ(Find(c.tag), nullptr) << "the tag went with its junction's place";
        Saved(); // walks every drawable left
        ASSERT_TRUE(Undo());
        EXPECT_TRUE(test::SameText(Saved(), before));
    }
}

// A delete that moves what it leaves (a lane whose neighbours close the gap
// with their members' links, tags and message floaters; a link other links
// end on) gives every follower back its own geometry on undo, not one
// recomputed from the places: undo gives back the saved text, redo the text
// the delete left.
TEST_F(OpMonkeyTest, UndoOfADeleteGivesBackTheGeometryOfWhatFollowed) {
    struct Case {
        const char* name;
        bool laneFirst; // a new lane at the left edge, deleted again
        const char* deleted;
        bool placesInLane; // the floater's link's places in the fixture's lane
        ChangeKind kind = ChangeKind::Delete;
    };
    for (const Case& c : {Case{"a lane before the lane of the linked places", true, nullptr, true},
                          Case{"the same lane cut", true, nullptr, true, ChangeKind::Cut},
                          Case{"a lane before the linked places", true, nullptr, false},
                          Case{"the lane of the linked places", false, "lane-0000001", true},
                          Case{"a place whose links others follow", false, "p-shape-00001", false},
                          Case{"a link a link ends on", false, "l-inherit-001", false}}) {
        SCOPED_TRACE(c.name);
        UseEveryDrawable();
        if (c.placesInLane) {
            ASSERT_TRUE(PutIntoGroup("lane-0000001", {"p-circle-0001", "p-shape-00001"}));
        }
        Drawable* deleted = c.deleted != nullptr ? Find(c.deleted) : nullptr;
        if (c.laneFirst) {
            CRect repaint;
            deleted = model->CreateSwimlane(doc.get(), nullptr, 10, repaint);
        }
        ASSERT_NE(deleted, nullptr);
        const std::string before = Saved();
        model->DeselectAll(nullptr, false);
        model->Select(deleted, true, nullptr, false);
        CRect repaint;
        model->DeleteDrawables(doc.get(), &repaint, c.kind, false);
        ASSERT_EQ(journal().Records().back().kind, int32_t(c.kind));
        EXPECT_TRUE(UndoRedoUndo(before, Saved()));
    }
}

// Undoing a new lane that holds a place no record put there is refused and
// changes nothing: the lane would take the place with it and leave the
// tags on it pointing at nothing.
TEST_F(OpMonkeyTest, UndoOfALaneThatHoldsAnUnrecordedPlaceIsRefused) {
    host.SetCurrentTool(TkSwimlane);
    Click(CPoint(1900, 100));
    ASSERT_EQ(Descriptions(), std::vector<std::string>{"Create Swimlane"});
    PlaceGroup* lane = nullptr;
    for (const auto& drawable : model->Drawables()) {
        if (drawable->IsSwimlane() && drawable.get() != Find("lane-0000001"))
            lane = AsPlaceGroup(drawable.get());
    }
    ASSERT_NE(lane, nullptr);
    CRect area;
    CRect dirty;
    lane->GetContentRect(area, 0);
    lane->AddMember(model, Find("p-shape-00001"), area, dirty);
    const std::string before = Saved();
    EXPECT_FALSE(Undo());
    EXPECT_NE(Find("t-place-0001"), nullptr);
    EXPECT_TRUE(test::SameText(Saved(), before));
}

TEST_F(OpMonkeyTest, RandomGesturesLeaveAProjectThatSavesAndUndoesToItsStart) {
    test::JournalKeepingPrompts keeping;
    ScopedPromptService scopedKeeping(&keeping);
    const long steps = test::EnvironmentCount("QM_MONKEY_STEPS", 400);
    std::mt19937 random(uint32_t(test::EnvironmentCount("QM_MONKEY_SEED", 20261210)));
    auto pick = [&](int n) { return static_cast<int>(random() % uint32_t(n)); };
    const std::string start = Saved();
    const int tools[] = {24, 24, 24, 10, 11, 0, 1, 25, 26, 27, 29, 31, 46, 47, 401, 503};
    const DragMode drags[] = {DM_DRAG_DRAWABLES, DM_DRAG_KNOB, DM_RUBBER_BAND, DM_DRAG_JUNCTION,
                              DM_DRAG_CALL_BOX};
    // Between gestures the journal undoes and redoes each new record and
    // compares the text.
    journal().SetRecordCheck([this] { return Saved(); });
    int checkFailures = 0;
    for (long step = 0; step < steps; ++step) {
        if (op == nullptr) {
            const std::string failure = journal().CheckNewRecords();
            if (!failure.empty() && ++checkFailures <= 3)
                ADD_FAILURE() << "before step " << step << ": " << failure;
        }
        const CPoint p(pick(1100) - 50, pick(900) - 50);
        const int action = pick(10);
        if (action == 0) {
            if (op != nullptr) {
                op->Cancel(context);
                op.reset();
            }
            continue;
        }
        if (action == 1 && op == nullptr) {
            journal().Replay(1, pick(2) == 0);
            continue;
        }
        context.flags = pick(4) == 0 ? MK_SHIFT : pick(4) == 0 ? MK_CONTROL : 0;
        if (op != nullptr) {
            if (action < 6)
                Move(p);
            else
                Release(p);
            continue;
        }
        const int tool = tools[pick(int(std::size(tools)))];
        host.SetCurrentTool(tool);
        if (tool != 24) {
            Press(p);
            continue;
        }
        // A pointer press: a drag of what lies there.
        PointerEvent at = At(p);
        if (at.hit != nullptr && !at.hit->IsSelected()) {
            model->DeselectAll(nullptr, false);
            model->Select(at.hit, true, nullptr, false);
        }
        const DragMode mode =
            at.hit == nullptr ? DM_RUBBER_BAND : drags[pick(int(std::size(drags)))];
        op = MakeDragOperation(context, mode, at.hit, at.knob < 0 ? pick(5) : at.knob, at.part);
        excluded = at.hit;
        if (op != nullptr)
            op->Begin(context, at);
    }
    if (op != nullptr) {
        op->Cancel(context);
        op.reset();
    }
    EXPECT_EQ(journal().CheckNewRecords(), "");
    journal().SetRecordCheck(nullptr);

    const std::string saved = Saved();
    auto again = Load(saved);
    ASSERT_NE(again, nullptr);
    again->SetModifiedFlag(false);
    EXPECT_EQ(again->StoreText(), saved);

    while (journal().CanUndo()) {
        const JournalRecord& record = journal().Records()[size_t(journal().Position() - 1)];
        ASSERT_TRUE(journal().Replay(1, false))
            << record.description << ": " << (keeping.asked.empty() ? "" : keeping.asked.back());
    }
    EXPECT_TRUE(test::SameText(Saved(), start));
}

} // namespace
} // namespace qm
