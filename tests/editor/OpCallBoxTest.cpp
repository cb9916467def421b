// Call-box drags on the fixture's life line (boxes 62..162 and 194..220,
// the line ending at 450): stretching within the gaps and the minimum
// height, merging into a neighbour, deleting, and undo of each.
#include "drawables/ScenarioPlace.h"
#include "tests/editor/OpFixture.h"

namespace qm {
namespace {

using test::OperationTest;

class OpCallBoxTest : public OperationTest {
  protected:
    OpCallBoxTest() {
        UseModel("Sequence");
        user = Find<ScenarioPlace>("s-user-000001");
        context.snapOn = false;
    }
    void DragBox(int part, const std::vector<CPoint>& points) {
        host.SetCurrentTool(24);
        Drag(DM_DRAG_CALL_BOX, user, -1, part, points);
    }
    const std::vector<CRect>& Boxes() const { return user->callBoxes.boxes; }

    ScenarioPlace* user = nullptr;
};

TEST_F(OpCallBoxTest, StretchingStopsAtTheGapsAndTheMinimumHeight) {
    ASSERT_NE(user, nullptr);
    ASSERT_EQ(Boxes().size(), 2u);
    const std::string before = Saved();
    DragBox(HpCallBoxBottom, {CPoint(50, 162), CPoint(50, 170), CPoint(50, 300)});
    EXPECT_EQ(Boxes()[0].bottom, 194 - 2) << "2 above the next box";
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Resize Call-box"});
    ASSERT_TRUE(Undo());
    EXPECT_EQ(Saved(), before);

    DragBox(HpCallBoxBottom, {CPoint(50, 220), CPoint(50, 230), CPoint(50, 700)});
    EXPECT_EQ(Boxes()[1].bottom, 450 - 12) << "12 above the life line's end";
    DragBox(HpCallBoxTop, {CPoint(50, 62), CPoint(50, 40), CPoint(50, 0)});
    EXPECT_EQ(Boxes()[0].top, 50 + 12) << "12 below the head";
    DragBox(HpCallBoxBottom, {CPoint(50, 162), CPoint(50, 100), CPoint(50, 20)});
    EXPECT_EQ(Boxes()[0].Height(), 20) << "never lower than 20";
}

TEST_F(OpCallBoxTest, ABoxDroppedOntoItsNeighbourMerges) {
    const std::string before = Saved();
    DragBox(HpCallBox, {CPoint(50, 200), CPoint(50, 190), CPoint(50, 150)});
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].top, 62);
    EXPECT_GE(Boxes()[0].bottom, 162);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Drag Call-box"});
    ASSERT_TRUE(Undo());
    EXPECT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Saved(), before);
}

TEST_F(OpCallBoxTest, ABoxMovedSidewaysKeepsItsXAndOnlyItsVerticalMoveStays) {
    DragBox(HpCallBox, {CPoint(50, 207), CPoint(52, 230), CPoint(54, 300)});
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1].left, 46);
    EXPECT_EQ(Boxes()[1].top, 194 + 93);
}

TEST_F(OpCallBoxTest, DeletingEveryBoxLeavesNoneAndUndoBringsThemBack) {
    const std::string before = Saved();
    DragBox(HpCallBox, {CPoint(50, 207), CPoint(100, 207), CPoint(300, 207)});
    DragBox(HpCallBox, {CPoint(50, 100), CPoint(100, 100), CPoint(300, 100)});
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"Delete Call-box", "Delete Call-box"}));
    ASSERT_TRUE(Undo());
    ASSERT_TRUE(Undo());
    EXPECT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Saved(), before);
}

// With snapping on, a box moves by the distance between the snapped points:
// pressed off the grid, its first move does not jump by the distance to it.
TEST_F(OpCallBoxTest, TheFirstMoveWithSnappingGoesFromTheSnappedPress) {
    context.snapOn = true;
    context.snapSize = 8;
    ASSERT_EQ(Boxes().size(), 2u);
    const int32_t top = Boxes()[1].top;
    DragBox(HpCallBox, {CPoint(50, 205), CPoint(50, 213)});
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1].top, top + 8);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Drag Call-box"});
}

TEST_F(OpCallBoxTest, AReleaseAtThePressPointRecordsNothing) {
    DragBox(HpCallBox, {CPoint(50, 100), CPoint(50, 100)});
    EXPECT_TRUE(journal().Records().empty());
}

} // namespace
} // namespace qm
