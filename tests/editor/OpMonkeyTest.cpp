// A seeded monkey over the operations: random presses, moves, releases and
// cancels with random tools and drags over the fixture that holds every
// drawable kind, with undo and redo between them. Afterwards the project
// saves, reads back and saves again to the same text, and undoing every
// recorded step gives back the saved text it started from. QM_MONKEY_STEPS
// lengthens the run by hand.
#include "drawables/Junction.h"
#include "drawables/ScenarioPlace.h"
#include "tests/editor/OpFixture.h"

#include <cstdlib>
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
        const std::string after = Saved();
        ASSERT_TRUE(Undo());
        EXPECT_TRUE(test::SameText(Saved(), before));
        ASSERT_TRUE(Redo());
        EXPECT_TRUE(test::SameText(Saved(), after));
    }
    while (journal().CanUndo())
        ASSERT_TRUE(Undo());
    EXPECT_TRUE(test::SameText(Saved(), start));
}

TEST_F(OpMonkeyTest, RandomGesturesLeaveAProjectThatSavesAndUndoesToItsStart) {
    const char* env = std::getenv("QM_MONKEY_STEPS");
    const int steps = env != nullptr ? std::atoi(env) : 400;
    std::mt19937 random(20261210);
    auto pick = [&](int n) { return static_cast<int>(random() % uint32_t(n)); };
    const std::string start = Saved();
    const int tools[] = {24, 24, 24, 10, 11, 0, 1, 25, 26, 27, 29, 31, 46, 47, 401, 503};
    const DragMode drags[] = {DM_DRAG_DRAWABLES, DM_DRAG_KNOB, DM_RUBBER_BAND, DM_DRAG_JUNCTION,
                              DM_DRAG_CALL_BOX};
    for (int step = 0; step < steps; ++step) {
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

    const std::string saved = Saved();
    auto again = Load(saved);
    ASSERT_NE(again, nullptr);
    again->SetModifiedFlag(false);
    EXPECT_EQ(again->StoreText(), saved);

    while (journal().CanUndo()) {
        const JournalRecord& record = journal().Records()[size_t(journal().Position() - 1)];
        ASSERT_TRUE(journal().Replay(1, false))
            << record.description << ": " << (prompts.asked.empty() ? "" : prompts.asked.back());
    }
    EXPECT_TRUE(test::SameText(Saved(), start));
}

} // namespace
} // namespace qm
