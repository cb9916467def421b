// Arrangement: drawing order and its undo, flips and rotations, Reposition,
// moves that drag links along, drag refusals, bounds changes, reshapes and
// the model's link style.
#include "drawables/PrimitiveGroup.h"
#include "drawables/Tag.h"
#include "platform/PainterDC.h"
#include "tests/drawables/EditingFixture.h"

#include <functional>

namespace qm::test {
namespace {

using ModelArrangementTest = EditingTest;

TEST_F(ModelArrangementTest, RepositionAlignsAndResizesByTheAverages) {
    struct Case {
        int mode;
        std::vector<CRect> expected;
    };
    const Case cases[] = {
        {RmAlignLeft, {{40, 0, 90, 50}, {40, 100, 90, 150}, {40, 200, 90, 250}}},
        {RmAlignRight, {{40, 0, 90, 50}, {40, 100, 90, 150}, {40, 200, 90, 250}}},
        {RmAlignCentre, {{40, 0, 90, 50}, {40, 100, 90, 150}, {40, 200, 90, 250}}},
        {RmAlignTop, {{0, 100, 50, 150}, {30, 100, 80, 150}, {90, 100, 140, 150}}},
        {RmSameWidth | RmAlignLeft, {{40, 0, 90, 50}, {40, 100, 90, 150}, {40, 200, 90, 250}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        std::vector<Drawable*> boxes = {NewBox(CRect(0, 0, 50, 50)),
                                        NewBox(CRect(30, 100, 80, 150)),
                                        NewBox(CRect(90, 200, 140, 250))};
        for (Drawable* box : boxes)
            model.Select(box, true, nullptr, false);
        journal.entries.clear();
        CRect repaint;
        model.Reposition(&document, c.mode, repaint);
        for (size_t i = 0; i < boxes.size(); ++i)
            EXPECT_EQ(boxes[i]->bounds, c.expected[i]) << i;
        ASSERT_EQ(journal.entries.size(), 1u);
        EXPECT_EQ(journal.entries[0].kind, static_cast<int>(ChangeKind::AutoSize));
        EXPECT_EQ(journal.entries[0].name, "Reposition");
        EXPECT_EQ(boxes[2]->savedBounds, CRect(90, 200, 140, 250)); // what undo puts back
        model.DeselectAll(nullptr, false);
        for (Drawable* box : boxes)
            DiscardDrawable(model.RemoveDrawable(box, false), &scope);
    }
}

TEST_F(ModelArrangementTest, SameWidthGrowsEachToTheAverageAboutItsCentre) {
    Drawable* narrow = NewBox(CRect(0, 0, 20, 10));
    Drawable* wide = NewBox(CRect(100, 0, 160, 10));
    model.Select(narrow, true, nullptr, false);
    model.Select(wide, true, nullptr, false);
    CRect repaint;
    model.Reposition(&document, RmSameWidth, repaint);
    EXPECT_EQ(narrow->bounds, CRect(-10, 0, 30, 10));
    EXPECT_EQ(wide->bounds, CRect(110, 0, 150, 10));
}

TEST_F(ModelArrangementTest, SpaceEvenlyKeepsTheOuterTwoInPlace) {
    Drawable* left = NewBox(CRect(0, 0, 50, 50));
    Drawable* far = NewBox(CRect(300, 10, 350, 60));
    Drawable* middle = NewBox(CRect(60, 20, 110, 70));
    for (Drawable* box : {left, far, middle})
        model.Select(box, true, nullptr, false);
    CRect repaint;
    model.Reposition(&document, RmSpaceAcross, repaint);
    EXPECT_EQ(left->bounds, CRect(0, 0, 50, 50));
    EXPECT_EQ(far->bounds, CRect(300, 10, 350, 60));
    EXPECT_EQ(middle->bounds, CRect(150, 20, 200, 70)); // gaps of 100 each side
}

TEST_F(ModelArrangementTest, SpaceEvenlyLeavesEqualGapsBetweenBoxesOfDifferentSizes) {
    // Sizes whose sums do not divide by the count: the gap comes from the
    // sum itself, so every gap is the same.
    struct Case {
        bool across;
        std::vector<int> sizes;
        int gap;
    } cases[] = {
        {true, {31, 50, 20}, 100},
        {true, {17, 40, 23, 61}, 35},
        {true, {11, 90, 13, 47, 29, 64, 5}, 12},
        {false, {31, 50, 20}, 7},
        {false, {17, 40, 23, 61}, 60},
        {false, {11, 90, 13, 47, 29, 64, 5}, 41},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.across ? "across " : "down ") << c.sizes.size());
        const int n = int(c.sizes.size());
        int span = c.gap * (n - 1);
        for (int size : c.sizes)
            span += size;
        // The first at 0, the last ending at the span; the others bunched
        // in the middle, overlapping, their centres in their order.
        std::vector<Drawable*> boxes;
        for (int i = 0; i < n; ++i) {
            const int size = c.sizes[size_t(i)];
            const int at = i == 0 ? 0 : i == n - 1 ? span - size : span / 3 + 3 * i - size / 2;
            const int side = 10 + i; // across the spacing direction
            boxes.push_back(NewBox(c.across ? CRect(at, 5 * i, at + size, 5 * i + side)
                                            : CRect(5 * i, at, 5 * i + side, at + size)));
            model.Select(boxes.back(), true, nullptr, false);
        }
        CRect repaint;
        model.Reposition(&document, c.across ? RmSpaceAcross : RmSpaceDown, repaint);
        for (int i = 1; i < n; ++i) {
            const CRect& before = boxes[size_t(i - 1)]->bounds;
            const CRect& own = boxes[size_t(i)]->bounds;
            EXPECT_EQ(c.across ? own.left - before.right : own.top - before.bottom, c.gap) << i;
        }
        model.DeselectAll(nullptr, false);
        for (Drawable* box : boxes)
            DiscardDrawable(model.RemoveDrawable(box, false), &scope);
    }
}

TEST_F(ModelArrangementTest, RepositionOfOneDrawableChangesAndRecordsNothing) {
    Drawable* box = NewBox(CRect(10, 10, 50, 50));
    Place* a = NewPlace(CRect(100, 0, 200, 60));
    Place* b = NewPlace(CRect(300, 0, 400, 60));
    Link* link = NewLink(a, b);
    model.Select(box, true, nullptr, false);
    model.Select(link, true, nullptr, false); // links take no part
    CRect repaint;
    model.Reposition(&document, RmAlignLeft | RmSameWidth, repaint);
    EXPECT_EQ(box->bounds, CRect(10, 10, 50, 50));
    EXPECT_TRUE(journal.entries.empty());
}

TEST_F(ModelArrangementTest, FlipOrRotateTurnsOnlyPrimitivesAndBeepsWhenNothingTurned) {
    Place* a = NewPlace(CRect(0, 0, 100, 60));
    model.Select(a, true, nullptr, false);
    CRect repaint;
    model.FlipOrRotate(&document, repaint, 2, ChangeKind::RotateLeft, "Rotate Left");
    EXPECT_EQ(prompts.beeps, 1);
    EXPECT_TRUE(journal.entries.empty());
    EXPECT_EQ(a->bounds, CRect(0, 0, 100, 60));

    Drawable* box = NewBox(CRect(0, 0, 100, 40));
    model.Select(box, true, nullptr, false);
    model.FlipOrRotate(&document, repaint, 2, ChangeKind::RotateLeft, "Rotate Left");
    EXPECT_EQ(prompts.beeps, 1);
    ASSERT_EQ(journal.entries.size(), 1u);
    EXPECT_EQ(journal.entries[0].name, "Rotate Left");
    EXPECT_EQ(journal.operation, 2);
    EXPECT_EQ(box->bounds.Width(), 40);
    EXPECT_EQ(box->bounds.Height(), 100);
    EXPECT_EQ(journal.changed, (std::vector<ModelObject*>{box}));
}

TEST_F(ModelArrangementTest, OrderChangesFollowTheSelectionAndUndoRestoresPositions) {
    Drawable* d0 = NewBox(CRect(0, 0, 10, 10));
    Drawable* d1 = NewBox(CRect(0, 0, 10, 10));
    Drawable* d2 = NewBox(CRect(0, 0, 10, 10));
    Drawable* d3 = NewBox(CRect(0, 0, 10, 10));
    auto order = [&] {
        std::vector<Drawable*> out;
        for (const auto& d : model.Drawables())
            out.push_back(d.get());
        return out;
    };
    model.Select(d2, true, nullptr, false);
    model.Select(d0, true, nullptr, false);
    CRect repaint;
    model.ChangeOrder(&document, repaint, ChangeKind::BringToFront, "Bring to Front");
    EXPECT_EQ(order(), (std::vector<Drawable*>{d1, d3, d2, d0}));

    model.ChangeOrder(&document, repaint, ChangeKind::SendToBack, "Send to Back");
    EXPECT_EQ(order(), (std::vector<Drawable*>{d0, d2, d1, d3})); // the last selected first
    ASSERT_EQ(journal.entries.size(), 2u);
    EXPECT_EQ(journal.entries[1].name, "Send to Back");

    DrawableRefList moved(model.Selection().begin(), model.Selection().end());
    model.RestoreOrder(moved, 1); // undo
    EXPECT_EQ(order(), (std::vector<Drawable*>{d1, d3, d2, d0}));
    model.RestoreOrder(moved, 2); // redo
    EXPECT_EQ(order(), (std::vector<Drawable*>{d0, d2, d1, d3}));
}

TEST_F(ModelArrangementTest, OrderChangeAcrossParentsBeepsAndChangesNothing) {
    Drawable* loose = NewBox(CRect(0, 0, 10, 10));
    auto group = std::make_unique<PrimitiveGroup>(&project);
    auto member = std::make_unique<BoxPrimitive>(&project);
    member->SetFrame(TkRectangle, CRect(20, 20, 30, 30));
    member->SetSelected(true);
    Drawable* inner = member.get();
    DrawableList pending;
    pending.push_back(std::move(member));
    group->AddMembers(pending);
    inner->SetSelected(false);
    model.AddDrawable(std::move(group));
    model.Select(inner, true, nullptr, false);
    model.Select(loose, true, nullptr, false);
    CRect repaint;
    model.ChangeOrder(&document, repaint, ChangeKind::BringToFront, "Bring to Front");
    EXPECT_EQ(prompts.beeps, 1);
    EXPECT_TRUE(journal.entries.empty());
    EXPECT_EQ(model.Drawables().front().get(), loose);
}

TEST_F(ModelArrangementTest, MovingPlacesDragsLinksBetweenThemAndReroutesOthers) {
    Place* a = NewPlace(CRect(0, 0, 100, 60));
    Place* b = NewPlace(CRect(300, 0, 400, 60));
    Place* c = NewPlace(CRect(0, 300, 100, 360));
    Link* between = NewLink(a, b);
    Link* toOther = NewLink(a, c);
    std::vector<CPoint> path = between->Vertices();
    model.Select(a, true, nullptr, false);
    model.Select(b, true, nullptr, false);

    const CRect repaint = model.MoveDrawables(nullptr, 50, 20, false);

    EXPECT_EQ(a->bounds, CRect(50, 20, 150, 80));
    EXPECT_EQ(b->bounds, CRect(350, 20, 450, 80));
    for (CPoint& p : path)
        p = CPoint(p.x + 50, p.y + 20);
    EXPECT_EQ(between->Vertices(), path);
    CRect moved = a->bounds;
    moved.InflateRect(1, 1);
    EXPECT_TRUE(moved.PtInRect(toOther->Vertices().front()));
    CRect far = c->bounds;
    far.InflateRect(1, 1);
    EXPECT_TRUE(far.PtInRect(toOther->Vertices().back()));
    EXPECT_FALSE(repaint.IsRectEmpty());
}

TEST_F(ModelArrangementTest, CanDragRefusesMixedGroupsAndImmovables) {
    auto makeGroup = [&](const CRect& r) {
        auto group = std::make_unique<PrimitiveGroup>(&project);
        auto member = std::make_unique<BoxPrimitive>(&project);
        member->SetFrame(TkRectangle, r);
        member->SetSelected(true);
        Drawable* inner = member.get();
        DrawableList pending;
        pending.push_back(std::move(member));
        group->AddMembers(pending);
        inner->SetSelected(false);
        model.AddDrawable(std::move(group));
        return inner;
    };
    Drawable* first = makeGroup(CRect(0, 0, 50, 50));
    Drawable* second = makeGroup(CRect(100, 0, 150, 50));

    CRect limit;
    std::string message;
    model.Select(first, true, nullptr, false);
    EXPECT_TRUE(model.CanDrag(limit, message));
    EXPECT_EQ(limit, first->Parent()->bounds);

    model.Select(second, true, nullptr, false);
    EXPECT_FALSE(model.CanDrag(limit, message));
    EXPECT_EQ(message, "All selected members must be in the same group!\nCan't Drag");

    model.DeselectAll(nullptr, false);
    Drawable* pinned = NewBox(CRect(200, 200, 220, 220));
    pinned->style |= DsImmovable;
    model.Select(pinned, true, nullptr, false);
    EXPECT_FALSE(model.CanDrag(limit, message));
    EXPECT_EQ(message, "");

    model.DeselectAll(nullptr, false);
    Drawable* free = NewBox(CRect(300, 200, 320, 220));
    model.Select(free, true, nullptr, false);
    EXPECT_TRUE(model.CanDrag(limit, message));
    EXPECT_EQ(limit, model.pageMatrix);
}

TEST_F(ModelArrangementTest, SetDrawableBoundsReroutesTheLinksOfThePlace) {
    Place* a = NewPlace(CRect(0, 0, 100, 60));
    Place* b = NewPlace(CRect(300, 0, 400, 60));
    Link* link = NewLink(a, b);
    CRect repaint;
    repaint.SetRectEmpty();
    EXPECT_TRUE(model.SetDrawableBounds(b, CRect(300, 200, 400, 260), repaint));
    CRect reach = b->bounds;
    reach.InflateRect(1, 1);
    EXPECT_TRUE(reach.PtInRect(link->Vertices().back()));
    EXPECT_FALSE(b->IsMarked());
    EXPECT_FALSE(repaint.IsRectEmpty());
}

TEST_F(ModelArrangementTest, ReshapeAnswersFalseForTheSameLabel) {
    Drawable* box = NewBox(CRect(0, 0, 100, 40));
    box->labelRect = CRect(10, 10, 50, 20);
    CRect repaint;
    EXPECT_FALSE(model.ReshapeDrawable(box, CRect(10, 10, 50, 20), repaint));
    EXPECT_TRUE(model.ReshapeDrawableC(box, CRect(20, 10, 60, 20), repaint));
    EXPECT_EQ(box->labelRect, CRect(20, 10, 60, 20));
    EXPECT_EQ(repaint, CRect(5, 5, 65, 25)); // old and new united, grown by 5
}

TEST_F(ModelArrangementTest, SteppedLinkStyleIsOneEntryAndTheSameStyleAgainNothing) {
    Place* a = NewPlace(CRect(0, 0, 100, 60));
    Place* b = NewPlace(CRect(300, 200, 400, 260));
    Link* link = NewLink(a, b);
    model.modelFlags &= ~uint32_t(MfStepLink | MfCurveLink);
    const uint32_t before = model.modelFlags;

    model.ChangeLinksLooks(&document, MfStepLink, false);

    EXPECT_NE(link->options & LoStepped, 0);
    const std::vector<CPoint>& v = link->Vertices();
    for (size_t i = 1; i < v.size(); ++i)
        EXPECT_TRUE(v[i].x == v[i - 1].x || v[i].y == v[i - 1].y) << i;
    ASSERT_EQ(journal.entries.size(), 1u);
    EXPECT_EQ(journal.entries[0].kind, static_cast<int>(ChangeKind::LinksLooksChange));
    EXPECT_EQ(journal.entries[0].name, "Links Looks Change");
    EXPECT_EQ(journal.savedFlags, before);
    EXPECT_EQ(journal.points.size(), 2u); // the path before the change

    model.ChangeLinksLooks(&document, MfStepLink, false);
    EXPECT_EQ(journal.entries.size(), 1u);
}

TEST_F(ModelArrangementTest, ChangeSelectionLooksTakesTheMaskedFieldsOnly) {
    Drawable* box = NewBox(CRect(0, 0, 100, 40));
    box->looks.lineColor = 1;
    box->looks.fillColor = 2;
    model.Select(box, true, nullptr, false);
    Looks mask = Looks::EmptyMask();
    mask.fillColor = 1;
    Looks wanted = box->looks;
    wanted.fillColor = 7;
    wanted.lineColor = 9;
    CRect repaint;
    repaint.SetRectEmpty();
    model.ChangeSelectionLooks(mask, wanted, repaint, nullptr, false);
    EXPECT_EQ(box->looks.fillColor, 7u);
    EXPECT_EQ(box->looks.lineColor, 1u);
    EXPECT_EQ(box->oldLooks.fillColor, 2u);
    EXPECT_EQ(box->newLooks.fillColor, 7u);
}

} // namespace
} // namespace qm::test

namespace qm::test {
namespace {

TEST_F(ModelArrangementTest, AutoSizeGivesSelectedPlacesTheirNaturalSizeInOneEntry) {
    Place* a = NewPlace(CRect(0, 0, 400, 300), "A");
    Drawable* box = NewBox(CRect(500, 0, 600, 100));
    model.Select(a, true, nullptr, false);
    model.Select(box, true, nullptr, false);
    CRect natural;
    {
        ImageDC dc(1, 1);
        a->ComputeAutoSize(&dc, natural);
    }
    ASSERT_NE(natural, CRect(0, 0, 400, 300));
    CRect repaint;
    model.AutoSize(&document, repaint);
    EXPECT_EQ(a->bounds, natural);
    EXPECT_EQ(a->savedBounds, CRect(0, 0, 400, 300));
    EXPECT_EQ(box->bounds, CRect(500, 0, 600, 100));
    ASSERT_EQ(journal.entries.size(), 1u);
    EXPECT_EQ(journal.entries[0].name, "Auto Size");
    EXPECT_EQ(journal.changed, (std::vector<ModelObject*>{a}));
}

} // namespace
} // namespace qm::test

namespace qm::test {
namespace {

TEST_F(ModelArrangementTest, InASequenceDiagramPlacesDragOnlyAsFarAsTheirMessagesAllow) {
    model.kind = MkSequence;
    Place* a = NewPlace(CRect(0, 0, 100, 60));
    Place* b = NewPlace(CRect(300, 0, 400, 60));
    a->lifeLinePoint = CPoint(50, 500);
    b->lifeLinePoint = CPoint(350, 500);
    Link* message = NewLink(a, b);
    ASSERT_TRUE(message->SetVertices({CPoint(50, 200), CPoint(350, 200)}));
    model.Select(a, true, nullptr, false);

    CRect limit;
    std::string text;
    EXPECT_TRUE(model.CanDrag(limit, text));
    // Up by the room below the message (500 - 200), down by the room above
    // it (200 - 60), across the whole page, 8 in at top and bottom.
    EXPECT_EQ(limit, CRect(0, 0, 1000, 192));
}

} // namespace
} // namespace qm::test

namespace qm::test {
namespace {

TEST_F(ModelArrangementTest, AFloaterRidesAlongWithTheLinkBetweenMovedPlaces) {
    Place* a = NewPlace(CRect(0, 0, 100, 60));
    Place* b = NewPlace(CRect(300, 0, 400, 60));
    Link* link = NewLink(a, b);
    auto owned = std::make_unique<Floater>(&project);
    owned->AttachToSegment(TkMessage, CRect(150, 40, 250, 60), link, 0);
    Floater* floater = static_cast<Floater*>(model.AddDrawable(std::move(owned)));
    const CRect before = floater->bounds;
    model.Select(a, true, nullptr, false);
    model.Select(b, true, nullptr, false);

    model.MoveDrawables(nullptr, 40, 30, false);

    EXPECT_EQ(floater->bounds,
              CRect(before.left + 40, before.top + 30, before.right + 40, before.bottom + 30));
    EXPECT_EQ(floater->segmentStart, link->Vertices()[0]);
}

// Every write of the list, the selection, a group's members, geometry and
// looks raises the change count that caches compare with; reads leave it.
TEST_F(ModelArrangementTest, WritesRaiseTheChangeCountAndReadsLeaveIt) {
    Drawable* a = NewBox(CRect(0, 0, 50, 50));
    Drawable* b = NewBox(CRect(100, 0, 150, 50));
    auto* group =
        static_cast<PrimitiveGroup*>(model.AddDrawable(std::make_unique<PrimitiveGroup>()));
    std::unique_ptr<Drawable> held;
    struct Case {
        const char* name;
        std::function<void()> step;
        bool writes;
    };
    const Case cases[] = {
        {"view and look-ups",
         [&] {
             CRect bounds;
             model.GetBounds(bounds);
             int part = 0, index = 0;
             model.HitTest(TkPointer, 10, 10, part, index, 0, nullptr);
             EXPECT_EQ(model.Drawables().size(), 3u);
             EXPECT_EQ(model.IndexOf(b), 1);
         },
         false},
        {"select", [&] { model.Select(a, true, nullptr, false); }, true},
        {"move", [&] { model.MoveDrawables(nullptr, 5, 0, false); }, true},
        {"looks", [&] { model.SetDrawableLooks(a, a->looks); }, true},
        {"label rectangle", [&] { model.SetLabelRect(a, CRect(1, 1, 2, 2)); }, true},
        {"bounds",
         [&] {
             CRect repaint;
             model.SetDrawableBounds(b, CRect(100, 0, 160, 60), repaint);
         },
         true},
        {"deselect", [&] { model.DeselectAll(nullptr, false); }, true},
        {"take", [&] { held = model.TakeDrawable(b); }, true},
        {"insert at", [&] { model.InsertDrawable(0, std::move(held)); }, true},
        {"into a group", [&] { group->AdoptFromModel(&model, a); }, true},
        {"out of a group", [&] { held = model.TakeFromOwner(a); }, true},
        {"back at positions",
         [&] {
             std::vector<std::unique_ptr<Drawable>> back;
             back.push_back(std::move(held));
             model.InsertDrawables(back, {0}, group);
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const uint64_t before = model.ChangeCount();
        c.step();
        if (c.writes)
            EXPECT_GT(model.ChangeCount(), before);
        else
            EXPECT_EQ(model.ChangeCount(), before);
    }
    // The drawables are where the steps left them: b at the head of the
    // list, a back among the group's members.
    EXPECT_EQ(model.Drawables().front().get(), b);
    EXPECT_EQ(model.IndexOf(a), 0);
    EXPECT_EQ(a->Parent(), group);
}

} // namespace
} // namespace qm::test
