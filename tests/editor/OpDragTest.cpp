// Moving the selection and the rubber band: the links that follow, the
// limit rectangle, carrying places into and out of swimlanes, and the one
// "Drag Drawables" entry whose undo gives back the saved text.
#include "drawables/PlaceGroup.h"
#include "tests/editor/OpFixture.h"

#include <algorithm>

namespace qm {
namespace {

using test::OperationTest;

class OpDragTest : public OperationTest {
  protected:
    void SelectOnly(Drawable* drawable) {
        model->DeselectAll(nullptr, false);
        model->Select(drawable, true, nullptr, false);
    }
    // Drags the selection by the pressed drawable from `from` through `to`.
    void Move(Drawable* pressed, CPoint from, CPoint to) {
        host.SetCurrentTool(24);
        Drag(DM_DRAG_DRAWABLES, pressed, -1, HpBody,
             {from, CPoint(from.x + 10, from.y), CPoint((from.x + to.x) / 2, (from.y + to.y) / 2),
              to});
    }
    static int32_t IndexIn(const DrawableList& list, const Drawable* drawable) {
        int32_t i = 0;
        for (const auto& d : list) {
            if (d.get() == drawable)
                return i;
            ++i;
        }
        return -1;
    }
};

TEST_F(OpDragTest, PlaceCarriesItsLinkEndAndUndoPutsBothBack) {
    auto* circle = Find<Place>("p-circle-0001");
    auto* link = Find<Link>("l-inherit-001");
    const std::string before = Saved();
    const CRect bounds = circle->bounds;
    const std::vector<CPoint> path = link->Vertices();
    SelectOnly(circle);
    Move(circle, CPoint(350, 230), CPoint(450, 280));
    EXPECT_EQ(circle->bounds,
              CRect(bounds.left + 100, bounds.top + 50, bounds.right + 100, bounds.bottom + 50));
    EXPECT_NE(link->Vertices(), path) << "the link's end follows the place";
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Drag Drawables"});
    ASSERT_TRUE(Undo());
    EXPECT_EQ(circle->bounds, bounds);
    EXPECT_EQ(link->Vertices(), path);
    EXPECT_TRUE(test::SameText(Saved(), before));
}

TEST_F(OpDragTest, TheSelectionStopsAtThePageEdge) {
    auto* circle = Find<Place>("p-circle-0001");
    SelectOnly(circle);
    Move(circle, CPoint(350, 230), CPoint(-400, 230));
    EXPECT_EQ(circle->bounds.left, model->pageMatrix.left);
    EXPECT_EQ(circle->bounds.top, 200);
    Move(circle, CPoint(350, 230), CPoint(5000, 5000));
    EXPECT_EQ(circle->bounds.right, model->pageMatrix.right);
    EXPECT_EQ(circle->bounds.bottom, model->pageMatrix.bottom);
}

TEST_F(OpDragTest, AReleaseAtThePressPointRecordsNothing) {
    auto* circle = Find<Place>("p-circle-0001");
    const std::string before = Saved();
    SelectOnly(circle);
    // Away and back: the drag began, yet ends where it started.
    Move(circle, CPoint(350, 230), CPoint(350, 230));
    host.SetCurrentTool(24);
    Drag(DM_DRAG_DRAWABLES, circle, -1, HpBody,
         {CPoint(350, 230), CPoint(420, 260), CPoint(350, 230)});
    EXPECT_TRUE(journal().Records().empty());
    EXPECT_TRUE(test::SameText(Saved(), before));
}

TEST_F(OpDragTest, ASwimlaneIsRefusedWithTheModelsMessage) {
    UseModel("Interaction");
    CRect repaint;
    Drawable* lane = model->CreateSwimlane(doc.get(), doc.get(), 10, repaint);
    ASSERT_NE(lane, nullptr);
    journal().Reset();
    SelectOnly(lane);
    const CRect bounds = lane->bounds;
    Move(lane, lane->bounds.CenterPoint(), CPoint(500, 300));
    EXPECT_EQ(lane->bounds, bounds);
    ASSERT_FALSE(prompts.asked.empty());
    EXPECT_NE(prompts.asked.back().find("Can't drag swimlane."), std::string::npos);
    EXPECT_TRUE(model->Selection().empty());
    EXPECT_TRUE(journal().Records().empty());
}

TEST_F(OpDragTest, IntoASwimlaneAndOutAgainUndoneToTheListAndIndexItLeft) {
    UseModel("Interaction");
    auto* diagram = dynamic_cast<CustomModel*>(model);
    CRect repaint;
    auto* lane = AsPlaceGroup(model->CreateSwimlane(doc.get(), doc.get(), 10, repaint));
    ASSERT_NE(lane, nullptr);
    Drawable* first =
        diagram->CreatePlaceOfTool(doc.get(), 10, "First", "", CRect(400, 100, 470, 150));
    Drawable* place =
        diagram->CreatePlaceOfTool(doc.get(), 10, "Mover", "", CRect(400, 300, 470, 350));
    diagram->CreatePlaceOfTool(doc.get(), 10, "Last", "", CRect(600, 300, 670, 350));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(place, nullptr);
    journal().Reset();
    const std::string before = Saved();
    const int32_t index = IndexIn(model->Drawables(), place);
    ASSERT_GE(index, 0);

    SelectOnly(place);
    const CPoint into = lane->bounds.CenterPoint();
    Move(place, CPoint(435, 325), into);
    ASSERT_NE(lane->MemberList(), nullptr);
    EXPECT_GE(IndexIn(*lane->MemberList(), place), 0) << "the place joined the lane's members";
    EXPECT_EQ(IndexIn(model->Drawables(), place), -1);
    EXPECT_TRUE(lane->bounds.PtInRect(place->bounds.CenterPoint()));
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Drag Drawables"});

    ASSERT_TRUE(Undo());
    EXPECT_EQ(IndexIn(model->Drawables(), place), index);
    EXPECT_EQ(IndexIn(*lane->MemberList(), place), -1);
    EXPECT_TRUE(test::SameText(Saved(), before));

    // Redo, then out again.
    ASSERT_TRUE(Redo());
    SelectOnly(place);
    Move(place, place->bounds.CenterPoint(), CPoint(700, 500));
    EXPECT_GE(IndexIn(model->Drawables(), place), 0);
    EXPECT_EQ(IndexIn(*lane->MemberList(), place), -1);
}

// A tag dropped into a lane joins it and lands inside it, where it was
// dropped; its leader still runs out to the place it notes. (The tag's extent
// along the leader is wider than the lane and once pushed it off the page.)
TEST_F(OpDragTest, ATagDroppedIntoALaneLandsInsideIt) {
    doc = Load(ReadWholeFile(QM_FIXTURES "/document/every_drawable.pro", 1 << 20).value_or(""));
    context.document = doc.get();
    UseModel("Everything");
    Drawable* tag = Find("t-place-0001");
    auto* lane = Find<PlaceGroup>("lane-0000001");
    ASSERT_NE(tag, nullptr);
    ASSERT_NE(lane, nullptr);
    const std::string before = Saved();
    const CPoint drop(850, 250);
    SelectOnly(tag);
    Move(tag, tag->bounds.CenterPoint(), drop);
    ASSERT_NE(lane->MemberList(), nullptr);
    EXPECT_GE(IndexIn(*lane->MemberList(), tag), 0);
    EXPECT_TRUE(lane->bounds.PtInRect(tag->bounds.TopLeft()));
    EXPECT_TRUE(lane->bounds.PtInRect(tag->bounds.BottomRight()));
    EXPECT_EQ(tag->bounds.CenterPoint(), drop);
    EXPECT_TRUE(model->pageMatrix.PtInRect(tag->bounds.BottomRight()));
    ASSERT_TRUE(Undo());
    EXPECT_TRUE(test::SameText(Saved(), before));
}

// Links ending on links and on junctions, message floaters and tags follow a
// moved place by recomputing; undo and redo give back exactly what each one
// was, not a recomputation from the places' positions.
TEST_F(OpDragTest, UndoAndRedoOfAMoveGiveBackEveryFollowerExactly) {
    struct Case {
        const char* pressed;
        CPoint by;
    };
    const Case cases[] = {
        {"p-shape-00001", CPoint(130, 70)},
        {"p-circle-0001", CPoint(-90, 120)},
        {"s-user-000001", CPoint(-400, 260)},
        {"p-inner-00001", CPoint(40, -30)},
    };
    for (const Case& c : cases) {
        UseEveryDrawable();
        auto* pressed = Find<Drawable>(c.pressed);
        ASSERT_NE(pressed, nullptr) << c.pressed;
        const std::string before = Saved();
        SelectOnly(pressed);
        const CPoint from = pressed->bounds.CenterPoint();
        Move(pressed, from, CPoint(from.x + c.by.x, from.y + c.by.y));
        ASSERT_EQ(Descriptions(), std::vector<std::string>{"Drag Drawables"}) << c.pressed;
        const std::string after = Saved();
        ASSERT_NE(after, before) << c.pressed;
        EXPECT_TRUE(UndoRedoUndo(before, after)) << c.pressed;
    }
}

// A drawable dropped into a group (a plain place group and a swimlane) joins
// its members; undo gives back the text before the drag and redo the very
// text the drag left, the group's title and bounds and the links' shapes
// included, not a fresh layout of the group.
TEST_F(OpDragTest, DropIntoAGroupRedoesToTheTextTheDragLeft) {
    struct Case {
        const char* pressed;
        const char* group;
    };
    // A linked place; a titled text, which a layout of the group would make
    // the group's title; a place into the fixture's lane, shorter than its
    // page, which a layout would stretch to the page's height.
    const Case cases[] = {
        {"p-circle-0001", "pg-000000001"},
        {"text-1", "pg-000000001"},
        {"p-shape-00001", "lane-0000001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pressed) + " into " + c.group);
        UseEveryDrawable();
        auto* pressed = Find<Drawable>(c.pressed);
        auto* group = AsPlaceGroup(Find<Drawable>(c.group));
        ASSERT_NE(pressed, nullptr);
        ASSERT_NE(group, nullptr);
        const std::string before = Saved();
        SelectOnly(pressed);
        const CPoint from = pressed->bounds.CenterPoint();
        CPoint into = group->bounds.CenterPoint();
        into.y = group->bounds.bottom - 8;
        Move(pressed, from, into);
        ASSERT_EQ(Descriptions(), std::vector<std::string>{"Drag Drawables"});
        ASSERT_NE(group->MemberList(), nullptr);
        ASSERT_EQ(pressed->Parent(), &group->MemberGroup()) << "the place joined the group";
        const std::string after = Saved();
        EXPECT_TRUE(UndoRedoUndo(before, after));
    }
}

// A selection that spans lists (a place of the model, a place inside a
// group) moves the list of the first selected one; its record names only
// what moved, so undo and redo replay it to the texts before and after.
TEST_F(OpDragTest, ASelectionAcrossListsMovesAndUndoesTheFirstList) {
    UseEveryDrawable();
    auto* shape = Find<Drawable>("p-shape-00001");
    auto* inner = Find<Drawable>("p-inner-00001");
    ASSERT_NE(inner->Parent(), nullptr);
    const CRect innerBounds = inner->bounds;
    const std::string before = Saved();
    SelectOnly(shape);
    model->Select(inner, true, nullptr, false);
    Move(shape, shape->bounds.CenterPoint(), CPoint(200, 130));
    EXPECT_EQ(inner->bounds, innerBounds) << "the group's member stays";
    ASSERT_EQ(Descriptions(), std::vector<std::string>{"Drag Drawables"});
    const std::string after = Saved();
    ASSERT_NE(after, before);
    EXPECT_TRUE(UndoRedoUndo(before, after));
}

// A tag (a drawable no group takes) dragged across an empty lane it never
// belonged to, and dropped on the page or in another lane, stays where it
// was: undo moves it back without putting it into the lane the drag began
// over, so the lane stays empty and its own undo can take it away.
TEST_F(OpDragTest, UndoOfADragThatBeganOverAnEmptyLaneLeavesTheLaneEmpty) {
    for (const char* dropInto : {"", "lane-0000001"}) {
        SCOPED_TRACE(dropInto);
        UseEveryDrawable();
        CRect repaint;
        auto* empty = AsPlaceGroup(model->CreateSwimlane(doc.get(), doc.get(), 1900, repaint));
        ASSERT_NE(empty, nullptr);
        journal().Reset();
        auto* tag = Find<Drawable>("t-place-0001");
        ASSERT_EQ(tag->Parent(), nullptr);
        const std::string before = Saved();
        SelectOnly(tag);
        const CPoint from = tag->bounds.CenterPoint();
        const CPoint over = empty->bounds.CenterPoint();
        const CPoint to = dropInto[0] == '\0' ? CPoint(from.x + 40, from.y + 60)
                                              : Find<Drawable>(dropInto)->bounds.CenterPoint();
        host.SetCurrentTool(24);
        Drag(DM_DRAG_DRAWABLES, tag, -1, HpBody, {from, over, to});
        ASSERT_EQ(Descriptions(), std::vector<std::string>{"Drag Drawables"});
        ASSERT_EQ(tag->Parent(), nullptr);
        const std::string after = Saved();
        ASSERT_NE(after, before);
        EXPECT_TRUE(UndoRedoUndo(
            before, after, {.afterUndo = [&] {
                EXPECT_EQ(tag->Parent(), nullptr) << "the tag stays out of the lane";
                EXPECT_TRUE(empty->MemberList() == nullptr || empty->MemberList()->empty());
            }}));
    }
}

// A release away from the press with no move between moves nothing but
// still records a "Drag Drawables". Its undo and redo leave every link and
// tag as the drag left them: the fixture's tags are anchored where the
// layout would not put them, so a recomputation would show.
TEST_F(OpDragTest, AReleaseWithoutAMoveUndoesToTheSameText) {
    for (const char* pressedId : {"p-circle-0001", "p-shape-00001", "t-link-00001"}) {
        SCOPED_TRACE(pressedId);
        UseEveryDrawable();
        auto* pressed = Find<Drawable>(pressedId);
        ASSERT_NE(pressed, nullptr);
        const std::string before = Saved();
        SelectOnly(pressed);
        host.SetCurrentTool(24);
        const CPoint from = pressed->bounds.CenterPoint();
        op = MakeDragOperation(context, DM_DRAG_DRAWABLES, pressed, -1, HpBody);
        ASSERT_NE(op, nullptr);
        excluded = pressed;
        op->Begin(context, At(from, pressed));
        op->End(context, At(CPoint(from.x + 40, from.y + 30), pressed), false);
        op.reset();
        excluded = nullptr;
        ASSERT_EQ(Descriptions(), std::vector<std::string>{"Drag Drawables"});
        EXPECT_TRUE(test::SameText(Saved(), before));
        EXPECT_TRUE(UndoRedoUndo(before, before));
    }
}

TEST_F(OpDragTest, RubberBandReplacesOrTogglesTheSelection) {
    auto* circle = Find<Place>("p-circle-0001");
    auto* shape = Find<Place>("p-shape-00001");
    SelectOnly(shape);
    host.SetCurrentTool(24);
    Drag(DM_RUBBER_BAND, nullptr, -1, 0, {CPoint(280, 180), CPoint(350, 240), CPoint(420, 280)});
    EXPECT_TRUE(circle->IsSelected());
    EXPECT_FALSE(shape->IsSelected()) << "without Shift the band replaces the selection";

    context.flags = MK_SHIFT;
    Drag(DM_RUBBER_BAND, nullptr, -1, 0, {CPoint(280, 180), CPoint(420, 280)});
    EXPECT_FALSE(circle->IsSelected()) << "with Shift it toggles";

    context.flags = 0;
    model->Select(shape, true, nullptr, false);
    Drag(DM_RUBBER_BAND, nullptr, -1, 0, {CPoint(900, 900), CPoint(900, 900)});
    EXPECT_TRUE(model->Selection().empty()) << "a band of no size only clears";
    EXPECT_TRUE(journal().Records().empty());
}

} // namespace
} // namespace qm
