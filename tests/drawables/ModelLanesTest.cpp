// Place groups and swimlanes made, taken apart, shifted, swapped and packed,
// and what hangs on deleted places (tags, message floaters).
#include "drawables/PlaceGroup.h"
#include "drawables/Tag.h"
#include "platform/UserSettings.h"
#include "tests/drawables/EditingFixture.h"

namespace qm::test {
namespace {

class ModelLanesTest : public EditingTest {
  protected:
    Swimlane* Lane(int x) {
        CRect repaint;
        return dynamic_cast<Swimlane*>(model.CreateSwimlane(&document, nullptr, x, repaint));
    }
};

TEST_F(ModelLanesTest, DeletingAPlaceTakesItsTagsAndTheFloatersOnItsLinks) {
    Place* a = NewPlace(CRect(0, 0, 100, 60));
    Place* b = NewPlace(CRect(300, 0, 400, 60));
    Link* ab = NewLink(a, b);
    auto tag = std::make_unique<Tag>(&project);
    tag->Attach(TkTag, CRect(0, 100, 80, 140), a);
    Drawable* note = model.AddDrawable(std::move(tag));
    auto floater = std::make_unique<Floater>(&project);
    floater->AttachToSegment(TkMessage, CRect(150, 40, 250, 60), ab, 0);
    Drawable* message = model.AddDrawable(std::move(floater));
    auto other = std::make_unique<Tag>(&project);
    other->Attach(TkTag, CRect(300, 100, 380, 140), b);
    Drawable* kept = model.AddDrawable(std::move(other));
    model.Select(a, true, nullptr, false);

    model.DeleteDrawables(&document, nullptr, ChangeKind::Delete, false);

    for (Drawable* gone : {static_cast<Drawable*>(a), static_cast<Drawable*>(ab), note, message})
        EXPECT_FALSE(Holds(gone));
    EXPECT_TRUE(Holds(kept));
    ASSERT_EQ(journal.entries.size(), 1u);
    EXPECT_EQ(journal.entries[0].text.rfind(";; Delete Drawables:", 0), 0u);
    EXPECT_EQ(journal.changed.size(), 4u);
}

// A lane whose border moves (a drag, or its undo and redo) gives its member
// group the repaint area of the lane's bounds now, whatever its members
// reach past them: the area is saved with the lane, and an undo and redo of
// the drag, which set the bounds at once, must give back the same text.
TEST_F(ModelLanesTest, ALaneNarrowedAgainRepaintsOnlyItsBounds) {
    Swimlane* lane = Lane(200);
    ASSERT_NE(lane, nullptr);
    const CRect start = lane->bounds;
    CRect dirty;
    // A member reaching out of the lane's bottom.
    Place* member =
        NewPlace(CRect(start.left + 20, start.bottom - 30, start.left + 120, start.bottom + 40));
    CRect area;
    lane->GetContentRect(area, 0);
    lane->AddMember(&model, member, area, dirty);
    ASSERT_EQ(member->Parent(), &lane->MemberGroup());
    CRect wide = start;
    wide.right += 300;
    model.SetDrawableBounds(lane, wide, dirty);
    model.SetDrawableBounds(lane, start, dirty);
    CRect expected = lane->bounds;
    expected.InflateRect(kRepaintMargin, kRepaintMargin);
    EXPECT_EQ(lane->repaintRect, expected);
    EXPECT_EQ(lane->MemberGroup().bounds, lane->bounds);
    EXPECT_EQ(lane->MemberGroup().repaintRect, expected);
}

TEST_F(ModelLanesTest, LanesAreCreatedIntoTheChainAndPushTheirRightNeighbours) {
    Swimlane* first = Lane(200);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->bounds.left, 0);
    EXPECT_EQ(first->bounds.right, 264);
    EXPECT_EQ(first->bounds.bottom, model.pageMatrix.bottom);
    ASSERT_EQ(journal.entries.size(), 1u);
    EXPECT_EQ(journal.entries[0].name, "Create Swimlane");

    Swimlane* second = Lane(500);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->bounds.left, 263);
    EXPECT_GE(second->bounds.Width(), 128);
    EXPECT_EQ(first->NextLane(), second);
    EXPECT_EQ(second->PreviousLane(), first);
    const CRect secondBefore = second->bounds;

    Swimlane* middle = Lane(300);
    ASSERT_NE(middle, nullptr);
    EXPECT_EQ(second->bounds.left, secondBefore.left + 128);
    EXPECT_EQ(middle->bounds.left, first->bounds.right - 1);
    EXPECT_EQ(middle->bounds.right, second->bounds.left + 1);
    EXPECT_EQ(first->NextLane(), middle);
    EXPECT_EQ(middle->NextLane(), second);
    EXPECT_EQ(model.FindSwimlane(true), first);
    EXPECT_EQ(model.FindSwimlane(false), second);

    // Deleting the middle lane closes its gap.
    model.DeselectAll(nullptr, false);
    model.Select(middle, true, nullptr, false);
    const int width = middle->bounds.Width();
    const int before = second->bounds.left;
    model.DeleteDrawables(&document, nullptr, ChangeKind::Delete, false);
    EXPECT_EQ(second->bounds.left, before - (width - 1));
    EXPECT_EQ(first->NextLane(), second);
}

// A lane made by a press over the first lane's left half goes before it:
// the first lane moves right to make room, and the new lane ends on its
// border, as wide as a new lane, wherever in that half the press was.
TEST_F(ModelLanesTest, ALaneMadeOverTheFirstLanesLeftHalfGoesBeforeIt) {
    for (const int x : {20, 100, 211, 280}) {
        SCOPED_TRACE(x);
        model.DeselectAll(nullptr, false);
        for (const auto& drawable : model.Drawables())
            model.Select(drawable.get(), true, nullptr, false);
        model.DeleteDrawables(&document, nullptr, ChangeKind::Delete, false);
        Swimlane* first = Lane(500);
        ASSERT_NE(first, nullptr);
        ASSERT_EQ(first->bounds.left, 0);
        ASSERT_LT(x, first->bounds.CenterPoint().x);
        Swimlane* made = Lane(x);
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->NextLane(), first);
        EXPECT_EQ(made->bounds.right, first->bounds.left + 1);
        EXPECT_GE(made->bounds.left, model.pageMatrix.left);
        EXPECT_GE(made->bounds.Width(), 93) << "at least what the press leaves";
        EXPECT_LE(made->bounds.Width(), 129) << "a new lane and the border it shares";
    }
}

TEST_F(ModelLanesTest, SwappingAndPackingKeepSharedBorders) {
    Swimlane* left = Lane(200);
    Swimlane* right = Lane(500);
    CRect dirty;
    CRect repaint;
    model.SwapSwimlanes(left, right, repaint);
    EXPECT_EQ(right->bounds.left, 0);
    EXPECT_EQ(left->bounds.left, right->bounds.right - 1);
    EXPECT_EQ(right->NextLane(), left);
    EXPECT_EQ(left->PreviousLane(), right);
    EXPECT_EQ(left->NextLane(), nullptr);
    EXPECT_EQ(model.FindSwimlane(true), right);

    const int wanted = left->bounds.left;
    left->MoveBy(10, 0, dirty);
    model.PackSwimlanes();
    EXPECT_EQ(left->bounds.left, wanted);
}

TEST_F(ModelLanesTest, LanesAreNotDraggedNorGrouped) {
    Swimlane* lane = Lane(200);
    model.DeselectAll(nullptr, false);
    model.Select(lane, true, nullptr, false);
    CRect limit;
    std::string message;
    EXPECT_FALSE(model.CanDrag(limit, message));
    EXPECT_EQ(message,
              "Can't drag swimlane.\nUse left & right arrow keys to swap with adjacent lanes.");
    prompts.asked.clear();
    CRect repaint;
    EXPECT_EQ(model.Group(&document, nullptr, repaint, true, nullptr, nullptr, 0, nullptr,
                          ChangeKind::GroupAsPlace, "Group as Place"),
              nullptr);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0], "Grouping of swimlanes is not allowed.");
}

TEST_F(ModelLanesTest, GroupAsPlaceLeavesOutLinksToUnselectedPlacesAndUngroupRemovesItsOwn) {
    Place* a = NewPlace(CRect(0, 0, 100, 60));
    Place* b = NewPlace(CRect(300, 0, 400, 60));
    Place* outside = NewPlace(CRect(0, 300, 100, 360));
    Link* inside = NewLink(a, b);
    Link* out = NewLink(a, outside);
    model.Select(a, true, nullptr, false);
    model.Select(b, true, nullptr, false);
    model.Select(out, true, nullptr, false);

    CRect repaint;
    Drawable* group = model.Group(&document, nullptr, repaint, true, nullptr, nullptr, 0, nullptr,
                                  ChangeKind::GroupAsPlace, "Group as Place");
    ASSERT_NE(group, nullptr);
    EXPECT_TRUE(group->IsPlaceGroup());
    EXPECT_EQ(model.Drawables().front().get(), group); // at the back
    EXPECT_TRUE(Holds(out));
    EXPECT_FALSE(Holds(inside));
    EXPECT_FALSE(Holds(a));
    EXPECT_EQ(journal.entries.back().name, "Group as Place");

    Link* onGroup = NewLink(outside, static_cast<NodeDrawable*>(group));
    model.DeselectAll(nullptr, false);
    model.Select(group, true, nullptr, false);
    model.Ungroup(&document, repaint, ChangeKind::UngroupPlace);
    EXPECT_TRUE(Holds(a));
    EXPECT_TRUE(Holds(inside));
    EXPECT_FALSE(Holds(onGroup));
    EXPECT_FALSE(Holds(group));
    EXPECT_EQ(journal.entries.back().name, "Ungroup");
    EXPECT_EQ(journal.changed.front(), group);
}

TEST_F(ModelLanesTest, TheSubmodelMarkerIsHitWhereItIsDrawn) {
    FixedUserSettings settings(ShowHyperLinks);
    ScopedInstall<const UserSettings> installed(&settings);
    Model sub;
    Place* place = NewPlace(CRect(0, 0, 100, 60));
    NewPlace(CRect(200, 0, 300, 60));
    model.Select(model.Drawables().back().get(), true, nullptr, false);
    CRect repaint;
    auto* group =
        dynamic_cast<Place*>(model.Group(&document, nullptr, repaint, true, nullptr, nullptr, 0,
                                         nullptr, ChangeKind::GroupAsPlace, "Group as Place"));
    Swimlane* lane = Lane(600);
    ASSERT_NE(group, nullptr);
    ASSERT_NE(lane, nullptr);
    model.DeselectAll(nullptr, false);
    lane->master = place->master;
    place->master->submodel = &sub;
    group->master->submodel = &sub;
    struct Case {
        const char* what;
        Place* place;
        bool top; // the corner probed: top-right, else bottom-right
        bool marker;
    } cases[] = {
        {"place, bottom right", place, false, true}, {"place, top right", place, true, false},
        {"group, bottom right", group, false, true}, {"group, top right", group, true, false},
        {"lane, top right", lane, true, true},       {"lane, bottom right", lane, false, false},
    };
    for (const Case& c : cases) {
        CRect drawn;
        c.place->GetSubmodelMarkerRect(drawn);
        const CRect& b = c.place->bounds;
        EXPECT_EQ(drawn.top, c.top == c.marker ? b.top : b.bottom - 8) << c.what;
        const CPoint probe(b.right - 5, c.top ? b.top + 2 : b.bottom - 2);
        int part = HpNone, knob = 0;
        Drawable* hit = c.place->HitTest(probe.x, probe.y, part, knob, 0);
        EXPECT_EQ(hit, c.place) << c.what;
        EXPECT_EQ(part == HpSubmodelMarker, c.marker) << c.what << ": part " << part;
    }
    lane->master = nullptr;
    place->master->submodel = nullptr;
    group->master->submodel = nullptr;
}

TEST_F(ModelLanesTest, UngroupingAGroupWithASubmodelIsRefused) {
    Place* a = NewPlace(CRect(0, 0, 100, 60));
    model.Select(a, true, nullptr, false);
    CRect repaint;
    auto* group =
        dynamic_cast<Place*>(model.Group(&document, nullptr, repaint, true, nullptr, nullptr, 0,
                                         nullptr, ChangeKind::GroupAsPlace, "Group as Place"));
    ASSERT_NE(group, nullptr);
    ASSERT_NE(group->master, nullptr);
    Model sub;
    group->master->submodel = &sub;
    EXPECT_EQ(failure([&] { model.Ungroup(&document, repaint, ChangeKind::UngroupPlace); }),
              "Ungrouping of a group that has a sumbodel is not allowed.");
    EXPECT_TRUE(Holds(group));
    group->master->submodel = nullptr;
}

} // namespace
} // namespace qm::test
