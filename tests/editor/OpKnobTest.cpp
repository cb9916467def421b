// Knob drags: place corners about the centre or from the opposite corner,
// swimlane borders with their neighbour, link vertices removed on the line
// between their neighbours, link ends that fail to reconnect, and the one
// entry each records.
#include "drawables/CustomModel.h"
#include "drawables/PlaceGroup.h"
#include "drawables/ScenarioPlace.h"
#include "drawables/Tag.h"
#include "tests/editor/OpFixture.h"

namespace qm {
namespace {

using test::OperationTest;

class OpKnobTest : public OperationTest {
  protected:
    void DragKnob(Drawable* drawable, int knob, CPoint from, CPoint to) {
        model->DeselectAll(nullptr, false);
        model->Select(drawable, true, nullptr, false);
        host.SetCurrentTool(24);
        Drag(DM_DRAG_KNOB, drawable, knob, HpKnob, {from, to});
    }

    // In the sequence diagram, a new life line "Server" right of the
    // fixture's and a level message from User to it at height 100, its ends
    // on the life lines as the creation tool puts them; null on failure.
    Link* UserCallsServer() {
        UseModel("Sequence");
        context.snapOn = false;
        auto* sequence = dynamic_cast<SequenceModel*>(model);
        auto* user = Find<ScenarioPlace>("s-user-000001");
        auto* server = dynamic_cast<ScenarioPlace*>(
            sequence->CreatePlaceOfTool(doc.get(), 10, "Server", "", CRect(300, 0, 400, 50)));
        Link* call =
            server != nullptr ? sequence->CreateLink(doc.get(), 3, "", user, server) : nullptr;
        if (call == nullptr || !call->SetVertices({CPoint(54, 100), CPoint(346, 100)}))
            return nullptr;
        call->options |= LoMessageEnds;
        call->LayoutEndLabels();
        call->UpdateRepaintRect();
        return call;
    }
};

TEST_F(OpKnobTest, CornerKeepsTheCentreWithoutCtrlAndTheOppositeCornerWithIt) {
    auto* circle = Find<Place>("p-circle-0001");
    const std::string before = Saved();
    DragKnob(circle, 2, CPoint(400, 260), CPoint(420, 270));
    EXPECT_EQ(circle->bounds, CRect(280, 190, 420, 270));
    EXPECT_EQ(circle->bounds.CenterPoint(), CPoint(350, 230));
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Drag Knob"});
    ASSERT_TRUE(Undo());
    EXPECT_TRUE(test::SameText(Saved(), before));

    context.flags = MK_CONTROL;
    DragKnob(circle, 2, CPoint(400, 260), CPoint(420, 270));
    EXPECT_EQ(circle->bounds, CRect(300, 200, 420, 270));
}

TEST_F(OpKnobTest, APlaceNeverShrinksBelowItsMinimum) {
    auto* circle = Find<Place>("p-circle-0001");
    context.flags = MK_CONTROL;
    DragKnob(circle, 2, CPoint(400, 260), CPoint(100, 100));
    EXPECT_GT(circle->bounds.Width(), 0);
    EXPECT_GT(circle->bounds.Height(), 0);
    EXPECT_EQ(circle->bounds.TopLeft(), CPoint(300, 200));
}

TEST_F(OpKnobTest, AClickOnAKnobRecordsNothing) {
    auto* circle = Find<Place>("p-circle-0001");
    DragKnob(circle, 2, CPoint(400, 260), CPoint(400, 260));
    EXPECT_TRUE(journal().Records().empty());
}

// However a knob drag is left (cancelled after a move, ended where it began,
// or dropped without an end, as when the view goes), the journal keeps the
// steps it had and holds no change begun by the drag.
TEST_F(OpKnobTest, AKnobDragLeftAnyWayLeavesTheJournalAsBefore) {
    enum class Exit { CancelAfterMove, EndWithoutMove, DroppedAfterMove };
    for (const Exit exit : {Exit::CancelAfterMove, Exit::EndWithoutMove, Exit::DroppedAfterMove}) {
        SCOPED_TRACE(int(exit));
        auto* circle = Find<Place>("p-circle-0001");
        DragKnob(circle, 2, CPoint(400, 260), CPoint(420, 280));
        const std::vector<std::string> steps = Descriptions();
        ASSERT_FALSE(steps.empty());
        const std::string before = Saved();
        const CPoint corner = circle->bounds.BottomRight();
        op = MakeDragOperation(context, DM_DRAG_KNOB, circle, 2, HpKnob);
        ASSERT_NE(op, nullptr);
        op->Begin(context, At(corner, circle));
        ASSERT_TRUE(journal().HasChangedObjects());
        if (exit == Exit::EndWithoutMove) {
            op->End(context, At(corner, circle), false);
        } else {
            op->Track(context, At(corner + CSize(30, 30), circle));
            if (exit == Exit::CancelAfterMove)
                op->Cancel(context);
        }
        op.reset();
        EXPECT_FALSE(journal().HasChangedObjects());
        EXPECT_EQ(Descriptions(), steps);
        if (exit != Exit::DroppedAfterMove) {
            EXPECT_TRUE(test::SameText(Saved(), before));
        }
        ASSERT_TRUE(Undo());
        journal().Reset();
    }
}

// A place's repaint rectangle holds its junctions' labels: widening a
// junction's label (a knob drag on it) widens the place's repaint with it,
// and undo narrows it again, so a later reshape of the place and the undo
// of both give back the place's repaint from before.
TEST_F(OpKnobTest, AJunctionLabelDragTakesItsPlacesRepaintAlongAndBack) {
    UseEveryDrawable();
    const std::string start = Saved();
    auto* place = Find<Drawable>("s-user-000001");
    auto* junction = Find<Drawable>("j-user-00001");
    ASSERT_NE(place, nullptr);
    ASSERT_NE(junction, nullptr);
    const CRect placeRepaint = place->repaintRect;
    const CRect label = junction->labelRect;
    host.SetCurrentTool(24);
    Drag(DM_DRAG_KNOB, junction, 0, HpKnob,
         {label.BottomRight(), label.BottomRight() + CSize(20, 10),
          label.BottomRight() + CSize(40, 10)});
    ASSERT_EQ(Descriptions().size(), 1u);
    ASSERT_GT(junction->labelRect.right, label.right);
    CRect both;
    both.UnionRect(place->repaintRect, junction->repaintRect);
    EXPECT_EQ(place->repaintRect, both) << "the place's repaint holds the junction's";
    const std::string widened = Saved();

    // The place's corner knob outwards, which lays out its repaint afresh.
    DragKnob(place, 2, place->bounds.BottomRight(), place->bounds.BottomRight() + CSize(10, 0));
    ASSERT_EQ(Descriptions().size(), 2u);
    ASSERT_TRUE(Undo());
    EXPECT_TRUE(test::SameText(Saved(), widened));
    ASSERT_TRUE(Undo());
    EXPECT_EQ(place->repaintRect, placeRepaint);
    EXPECT_TRUE(test::SameText(Saved(), start));
    ASSERT_TRUE(Redo());
    EXPECT_TRUE(test::SameText(Saved(), widened));
}

// A knob drag of a junction, ended or cancelled, leaves no mark on the
// junction: a later delete of something unrelated keeps the tag on it, and
// its undo gives back the text before the delete.
TEST_F(OpKnobTest, AJunctionKnobDragLeavesItsTagToLaterDeletes) {
    for (const bool cancelled : {true, false}) {
        SCOPED_TRACE(cancelled ? "cancelled" : "ended");
        UseEveryDrawable();
        auto* junction = Find<Drawable>("j-shape-00001");
        host.SetCurrentTool(24);
        const PointerEvent press = At(CPoint(-15, 25));
        ASSERT_EQ(press.hit, junction);
        op = MakeDragOperation(context, DM_DRAG_KNOB, junction, 0, press.part);
        ASSERT_NE(op, nullptr);
        excluded = junction;
        op->Begin(context, press);
        op->Track(context, At(CPoint(-25, 45), junction));
        if (cancelled)
            op->Cancel(context);
        else
            op->End(context, At(CPoint(-25, 45), junction), false);
        op.reset();
        excluded = nullptr;

        const std::string before = Saved();
        model->DeselectAll(nullptr, false);
        model->Select(Find("line-1"), true, nullptr, false);
        CRect repaint;
        model->DeleteDrawables(doc.get(), &repaint, ChangeKind::Delete, false);
        EXPECT_EQ(Find("line-1"), nullptr);
        EXPECT_NE(Find("t-junc-00001"), nullptr) << "the junction's tag stays";
        ASSERT_TRUE(Undo());
        EXPECT_TRUE(test::SameText(Saved(), before));
    }
}

// A lane's border dragged only up and down moves no knob and records
// nothing; the tag inside the lane, anchored where the layout would not put
// it, and the lane beside the border (shorter than the page) stay as they
// were, whether the drag ends or is cancelled.
TEST_F(OpKnobTest, ABorderDragThatMovesNothingLeavesTheLanesTagsAlone) {
    for (const bool cancelled : {true, false}) {
        SCOPED_TRACE(cancelled ? "cancelled" : "ended");
        UseEveryDrawable();
        CRect repaint;
        auto* lane = AsPlaceGroup(model->CreateSwimlane(doc.get(), doc.get(), 1900, repaint));
        ASSERT_NE(lane, nullptr);
        // The tag goes into the lane as a drag takes it there.
        Drawable* tag = Find("t-inner-0001");
        model->DeselectAll(nullptr, false);
        model->Select(tag, true, nullptr, false);
        host.SetCurrentTool(24);
        const CPoint from = tag->bounds.CenterPoint();
        const CPoint into(lane->bounds.CenterPoint().x, from.y);
        Drag(DM_DRAG_DRAWABLES, tag, -1, HpBody, {from, CPoint(from.x + 10, from.y), into});
        ASSERT_EQ(tag->Parent(), &lane->MemberGroup());
        journal().Reset();
        // An anchor as a file may hold it, not where the layout puts it.
        auto* callout = dynamic_cast<Tag*>(tag);
        ASSERT_NE(callout, nullptr);
        callout->anchor.Offset(7, 3);
        const std::string before = Saved();
        model->DeselectAll(nullptr, false);
        model->Select(lane, true, nullptr, false);
        host.SetCurrentTool(24);
        excluded = lane;
        op = MakeDragOperation(context, DM_DRAG_KNOB, lane, 1, HpKnob);
        ASSERT_NE(op, nullptr);
        const int border = lane->bounds.right;
        op->Begin(context, At(CPoint(border, 300), lane));
        op->Track(context, At(CPoint(border, 340), lane));
        if (cancelled)
            op->Cancel(context);
        else
            op->End(context, At(CPoint(border, 340), lane), false);
        op.reset();
        excluded = nullptr;
        EXPECT_TRUE(journal().Records().empty());
        EXPECT_TRUE(test::SameText(Saved(), before));
    }
}

TEST_F(OpKnobTest, SwimlaneBorderMovesTheNeighbourLane) {
    UseModel("Interaction");
    CRect repaint;
    auto* first = dynamic_cast<Swimlane*>(model->CreateSwimlane(doc.get(), doc.get(), 10, repaint));
    auto* second =
        dynamic_cast<Swimlane*>(model->CreateSwimlane(doc.get(), doc.get(), 600, repaint));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(second->PreviousLane(), first);
    journal().Reset();
    const std::string before = Saved();
    const CPoint border(second->bounds.left, 300);
    DragKnob(second, 0, border, CPoint(border.x + 40, 300));
    EXPECT_EQ(second->bounds.left, border.x + 40);
    EXPECT_EQ(first->bounds.right, second->bounds.left + 1);
    ASSERT_FALSE(journal().Records().empty());
    EXPECT_EQ(journal().Records().back().description, "Drag Swimlane Border");
    ASSERT_TRUE(Undo());
    EXPECT_TRUE(test::SameText(Saved(), before));
}

TEST_F(OpKnobTest, AVertexDroppedOnTheLineBetweenItsNeighboursIsRemoved) {
    auto* link = Find<Link>("l-inherit-001");
    std::vector<CPoint> path = link->Vertices();
    ASSERT_EQ(path.size(), 2u);
    const CPoint mid((path[0].x + path[1].x) / 2, (path[0].y + path[1].y) / 2);
    ASSERT_TRUE(link->SetVertices({path[0], CPoint(mid.x + 60, mid.y - 60), path[1]}));
    link->UpdateRepaintRect();
    journal().Reset();
    context.snapOn = false;
    DragKnob(link, 1, CPoint(mid.x + 60, mid.y - 60), mid);
    EXPECT_EQ(link->VertexCount(), 2);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Drag Knob"});
}

TEST_F(OpKnobTest, ALinkEndDroppedOnBlankSpaceIsUndoneWithABeep) {
    auto* link = Find<Link>("l-inherit-001");
    const std::vector<CPoint> path = link->Vertices();
    const NodeDrawable* source = link->GetSource();
    const std::string before = Saved();
    DragKnob(link, 0, path[0], CPoint(900, 900));
    EXPECT_EQ(link->Vertices(), path);
    EXPECT_EQ(link->GetSource(), source);
    EXPECT_GE(prompts.beeps, 1);
    EXPECT_TRUE(test::SameText(Saved(), before));
}

TEST_F(OpKnobTest, AnEndMovedToAnotherNodeIsUndoneAndRedoneWithItsNodes) {
    auto* link = Find<Link>("l-inherit-001");
    auto* diagram = dynamic_cast<CustomModel*>(model);
    Drawable* other =
        diagram->CreatePlaceOfTool(doc.get(), 10, "Other", "", CRect(600, 100, 700, 160));
    ASSERT_NE(other, nullptr);
    journal().Reset();
    const std::string before = Saved();
    const NodeDrawable* source = link->GetSource();
    const Drawable* target = link->GetTarget();
    DragKnob(link, 0, link->Vertices().front(), CPoint(650, 130));
    EXPECT_EQ(link->GetSource(), other);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Drag Knob"});
    ASSERT_TRUE(Undo());
    EXPECT_EQ(link->GetSource(), source);
    EXPECT_EQ(link->GetTarget(), target);
    EXPECT_TRUE(test::SameText(Saved(), before));
    ASSERT_TRUE(Redo());
    EXPECT_EQ(link->GetSource(), other);
}

// The lifeline knob of a life line with boxes 62..162 and 194..220 ending
// at 450: it stops at the last box and at the page's bottom (the mouse kept
// inside the page), and undo gives the line back its end.
TEST_F(OpKnobTest, TheLifelineKnobStopsAtTheLastCallBoxAndUndoes) {
    UseModel("Sequence");
    context.snapOn = false;
    auto* user = Find<ScenarioPlace>("s-user-000001");
    ASSERT_NE(user, nullptr);
    const std::string before = Saved();
    const int knob = 4;
    struct Case {
        int32_t to;
        int32_t end;
    } cases[] = {{480, 480}, {100, 220}, {5000, model->pageMatrix.bottom - 1}};
    for (const Case& c : cases) {
        DragKnob(user, knob, user->lifeLinePoint, CPoint(user->lifeLinePoint.x + 30, c.to));
        EXPECT_EQ(user->lifeLinePoint, CPoint(50, c.end)) << c.to;
    }
    EXPECT_EQ(Descriptions(), (std::vector<std::string>(3, "Drag Knob")));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(Undo());
    EXPECT_EQ(user->lifeLinePoint, CPoint(50, 450));
    EXPECT_TRUE(test::SameText(Saved(), before));
}

// A message's end dragged onto another life line: the message stays level,
// the end lands on the new life line's box, and undo and redo swap the end
// nodes and call boxes together.
TEST_F(OpKnobTest, AMessageEndMovesToAnotherLifelineLevelAndUndoes) {
    Link* call = UserCallsServer();
    ASSERT_NE(call, nullptr);
    auto* server = static_cast<ScenarioPlace*>(call->GetTargetPlace());
    auto* store =
        dynamic_cast<ScenarioPlace*>(dynamic_cast<SequenceModel*>(model)->CreatePlaceOfTool(
            doc.get(), 10, "Store", "", CRect(600, 0, 700, 50)));
    ASSERT_NE(store, nullptr);
    journal().Reset();
    const std::string before = Saved();
    const std::vector<CRect> storeBoxes = store->callBoxes.boxes;

    DragKnob(call, 1, CPoint(346, 100), CPoint(650, 130));
    EXPECT_EQ(call->GetTarget(), store);
    ASSERT_EQ(call->VertexCount(), 2);
    EXPECT_EQ(call->Vertices()[0].y, call->Vertices()[1].y) << "level";
    EXPECT_LE(std::abs(call->Vertices()[1].x - store->lifeLinePoint.x), 4);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Drag Knob"});
    const std::string after = Saved();

    EXPECT_TRUE(UndoRedoUndo(before, after,
                             {.afterUndo =
                                  [&] {
                                      EXPECT_EQ(call->GetTarget(), server);
                                      EXPECT_EQ(store->callBoxes.boxes, storeBoxes);
                                  },
                              .afterRedo = [&] { EXPECT_EQ(call->GetTarget(), store); }}));
}

// A level message's knob moves the message up and down only as far as
// the other end's life line goes.
TEST_F(OpKnobTest, AMessageKnobKeepsTheOtherEndOnItsLifeline) {
    Link* call = UserCallsServer();
    ASSERT_NE(call, nullptr);
    auto* user = Find<ScenarioPlace>("s-user-000001");
    auto* server = static_cast<ScenarioPlace*>(call->GetTargetPlace());
    server->lifeLinePoint.y = 700;
    server->UpdateRepaintRect();
    DragKnob(call, 1, CPoint(346, 100), CPoint(350, 650));
    EXPECT_EQ(call->GetTarget(), server);
    ASSERT_EQ(call->VertexCount(), 2);
    EXPECT_EQ(call->Vertices()[0].y, user->lifeLinePoint.y - 8);
    EXPECT_EQ(call->Vertices()[1].y, user->lifeLinePoint.y - 8);
}

TEST_F(OpKnobTest, AnIconBoxHasNoKnobDrag) {
    UseModel("Use cases");
    EXPECT_EQ(MakeDragOperation(context, DM_DRAG_KNOB, Find("icon-1"), 2, HpKnob), nullptr);
}

} // namespace
} // namespace qm
