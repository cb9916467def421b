// Link edge drags (a bend inserted past 4 units and dragged as a knob) and
// junction drags along the border of their place or away from it.
#include "drawables/Junction.h"
#include "drawables/Tag.h"
#include "tests/editor/OpFixture.h"

namespace qm {
namespace {

using test::OperationTest;

class OpEdgeTest : public OperationTest {
  protected:
    void Press(Drawable* drawable, DragMode mode, const std::vector<CPoint>& points) {
        model->DeselectAll(nullptr, false);
        model->Select(drawable, true, nullptr, false);
        host.SetCurrentTool(24);
        Drag(mode, drawable, -1, drawable->IsJunction() ? HpJunctionGlyph : HpBody, points);
    }
};

TEST_F(OpEdgeTest, ASmallMoveKeepsTheLinkStraightAndALargerOneBendsItOnce) {
    auto* link = Find<Link>("l-inherit-001");
    const std::vector<CPoint> path = link->Vertices();
    const CPoint mid((path[0].x + path[1].x) / 2, (path[0].y + path[1].y) / 2);
    context.snapOn = false;
    const std::string before = Saved();
    Press(link, DM_DRAG_DRAWABLES, {mid, CPoint(mid.x + 1, mid.y - 1)});
    EXPECT_EQ(link->VertexCount(), 2);
    EXPECT_TRUE(journal().Records().empty());

    Press(link, DM_DRAG_DRAWABLES,
          {mid, CPoint(mid.x + 1, mid.y - 1), CPoint(mid.x + 60, mid.y - 60)});
    ASSERT_EQ(link->VertexCount(), 3);
    EXPECT_EQ(link->Vertices()[1], CPoint(mid.x + 60, mid.y - 60));
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Drag Knob"});
    ASSERT_TRUE(Undo());
    EXPECT_EQ(link->Vertices(), path);
    EXPECT_TRUE(test::SameText(Saved(), before));
}

// True when every segment of the path runs across or down.
bool Orthogonal(const std::vector<CPoint>& path) {
    for (size_t i = 1; i < path.size(); ++i) {
        if (path[i].x != path[i - 1].x && path[i].y != path[i - 1].y)
            return false;
    }
    return true;
}

// The end segment of a stepped link dragged past the side of its source
// keeps a stub on the place rather than leaving it.
TEST_F(OpEdgeTest, AnEndSegmentDraggedPastItsPlaceKeepsAStubOnIt) {
    model->ChangeLinksLooks(doc.get(), MfStepLink, true);
    journal().Reset();
    auto* link = Find<Link>("l-inherit-001");
    auto* circle = Find<Place>("p-circle-0001");
    ASSERT_EQ(link->GetSource(), circle);
    ASSERT_NE(link->options & LoStepped, 0);
    const std::vector<CPoint> path = link->Vertices();
    ASSERT_GE(path.size(), 3u);
    ASSERT_TRUE(Orthogonal(path));
    const std::string before = Saved();
    context.snapOn = false;
    // Across the first segment, well past the circle's side it leaves by.
    const bool across = path[0].y == path[1].y;
    const CPoint on((path[0].x + path[1].x) / 2, (path[0].y + path[1].y) / 2);
    const CPoint past =
        across ? CPoint(on.x, circle->bounds.bottom + 80) : CPoint(circle->bounds.right + 80, on.y);
    Press(link, DM_DRAG_DRAWABLES, {on, CPoint((on.x + past.x) / 2, (on.y + past.y) / 2), past});
    const std::vector<CPoint>& now = link->Vertices();
    EXPECT_GT(now.size(), path.size());
    EXPECT_TRUE(Orthogonal(now));
    CRect border = circle->bounds;
    border.InflateRect(1, 1);
    EXPECT_TRUE(border.PtInRect(now.front())) << now.front().x << "," << now.front().y;
    EXPECT_EQ(link->GetSource(), circle);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Drag Link Edge"});
    ASSERT_TRUE(Undo());
    EXPECT_EQ(link->Vertices(), path);
    EXPECT_TRUE(test::SameText(Saved(), before));
}

TEST_F(OpEdgeTest, AJunctionSlidesAlongItsBorderOrGoesWhenDroppedAway) {
    auto* junction = Find<Junction>("j-shape-00001");
    ASSERT_NE(junction, nullptr);
    const CPoint at = junction->bounds.CenterPoint();
    const std::string before = Saved();
    context.snapOn = false;
    Press(junction, DM_DRAG_JUNCTION, {at, CPoint(at.x, at.y + 5), CPoint(at.x, at.y + 15)});
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Drag Junction"});
    EXPECT_NE(junction->point, CPoint(0, 30));
    ASSERT_TRUE(Undo());
    EXPECT_EQ(junction->point, CPoint(0, 30));

    Press(junction, DM_DRAG_JUNCTION, {at, CPoint(at.x, at.y + 5), CPoint(600, 600)});
    auto* shape = Find<Place>("p-shape-00001");
    EXPECT_TRUE(shape->Junctions().empty());
    ASSERT_FALSE(journal().Records().empty());
    EXPECT_EQ(journal().Records().back().description, "Delete Junction");
    ASSERT_TRUE(Undo());
    EXPECT_EQ(shape->Junctions().size(), 1u);
    EXPECT_TRUE(test::SameText(Saved(), before));
}

// A junction dropped away from its place takes its links and the tags on
// it; undo brings back all of them as they were (the links unbent, the
// label where the project had it, though laying it out would move it) and
// redo takes them again.
TEST_F(OpEdgeTest, AJunctionDroppedAwayTakesItsTagsAndUndoesExactly) {
    struct Case {
        const char* junction;
        const char* tag; // a tag on the junction, or null
    };
    for (const Case c : {Case{"j-inner-00001", "t-inner-0001"}, Case{"j-user-00001", nullptr}}) {
        SCOPED_TRACE(c.junction);
        doc = Load(ReadWholeFile(QM_FIXTURES "/document/every_drawable.pro", 1 << 20).value_or(""));
        context.document = doc.get();
        UseModel("Everything");
        auto* junction = Find<Junction>(c.junction);
        ASSERT_NE(junction, nullptr);
        const std::string before = Saved();
        const CPoint at = junction->bounds.CenterPoint();
        Press(junction, DM_DRAG_JUNCTION, {at, CPoint(at.x, at.y + 5), CPoint(600, 700)});
        ASSERT_EQ(Descriptions(), std::vector<std::string>{"Delete Junction"});
        if (c.tag != nullptr) {
            EXPECT_EQ(Find<Tag>(c.tag), nullptr);
        }
        const std::string after = Saved();
        EXPECT_TRUE(UndoRedoUndo(before, after));
    }
}

// A tag or a link that a drag took into a place group still ends on a
// junction of a place outside it: dropping that junction away takes them
// from the group too, or they would point at the freed junction at the
// next nudge or undo. Undo puts them back into the group as they were.
TEST_F(OpEdgeTest, AJunctionDroppedAwayTakesWhatEndsOnItFromInsideAGroup) {
    for (const char* inGroup : {"t-junc-00001", "l-to-junc-001"}) {
        SCOPED_TRACE(inGroup);
        UseEveryDrawable();
        ASSERT_TRUE(PutIntoGroup("pg-000000001", {inGroup}));
        auto* junction = Find<Junction>("j-shape-00001");
        ASSERT_NE(junction, nullptr);
        const std::string before = Saved();
        const CPoint at = junction->bounds.CenterPoint();
        Press(junction, DM_DRAG_JUNCTION, {at, CPoint(at.x, at.y + 5), CPoint(600, 700)});
        ASSERT_EQ(Descriptions(), std::vector<std::string>{"Delete Junction"});
        EXPECT_EQ(Find<Drawable>(inGroup), nullptr) << "it went with the junction";
        const std::string after = Saved();
        EXPECT_TRUE(UndoRedoUndo(before, after));
    }
}

} // namespace
} // namespace qm
