// Scenario places: the first call box and life line, the insertion rules of
// call boxes, moving and resizing, hit parts on boxes and the life line, and
// the scenPlace record.
#include "drawables/ScenarioPlace.h"
#include "drawables/DrawableFactory.h"
#include "platform/RecordingDC.h"
#include "tests/drawables/DrawableFixture.h"
#include "tests/drawables/FakeTool.h"

namespace qm::test {
namespace {

class ScenarioPlaceTest : public DrawableTest {
  protected:
    ScenarioPlaceTest() {
        master.SetToolAndName(&tool, "anObject", "");
        owned = std::make_unique<ScenarioPlace>(&project);
        place = owned.get();
        place->Setup(TkFirstPlace, CRect(100, 0, 200, 50), &master, true);
    }
    ~ScenarioPlaceTest() override { DiscardDrawable(std::move(owned), &scope); }

    FakeTool tool{10, false};
    Master master;
    std::unique_ptr<ScenarioPlace> owned;
    ScenarioPlace* place;
};

TEST_F(ScenarioPlaceTest, ANewOneHasOneCallBoxAndALifeLine400Long) {
    EXPECT_EQ(place->placeFlags, uint32_t(PfDetails));
    EXPECT_EQ(place->lifeLinePoint, CPoint(150, 450));
    ASSERT_EQ(place->callBoxes.Count(), 1);
    EXPECT_EQ(place->GetCallBox(0), CRect(146, 62, 154, 162));
    EXPECT_EQ(place->callBoxes.currentIndex, -1);
    EXPECT_EQ(place->repaintRect.bottom, 455);
    CRect knobs[kKnobRoom];
    EXPECT_EQ(place->GetKnobRects(knobs), 5);
    EXPECT_EQ(knobs[4], CRect(147, 447, 153, 453));
}

TEST_F(ScenarioPlaceTest, ClicksOnTheLifeLineAddOrSelectBoxes) {
    // Within 2 of the box: that box.
    EXPECT_EQ(place->AddCallBoxAt(150, 163), 0);
    EXPECT_EQ(place->callBoxes.Count(), 1);
    // More than 8 below the last box and less than 32 above the end: a box
    // from y - 6 to y + 20, and the end moves to y + 32.
    EXPECT_EQ(place->AddCallBoxAt(150, 430), 1);
    EXPECT_EQ(place->GetCallBox(1), CRect(146, 424, 154, 450));
    EXPECT_EQ(place->lifeLinePoint.y, 462);
    // Between two boxes: shaped to the click, at most 100 high, the end stays.
    EXPECT_EQ(place->CallBoxInsertIndex(150, 300), 1);
    EXPECT_EQ(place->AddCallBoxAt(150, 300), 1);
    EXPECT_EQ(place->GetCallBox(1), CRect(146, 294, 154, 394));
    EXPECT_EQ(place->callBoxes.Count(), 3);
    EXPECT_EQ(place->lifeLinePoint.y, 462);

    // A box that overlaps its predecessor merges with it.
    place->callBoxes.boxes[1].top = 150;
    EXPECT_TRUE(place->MergeCallBox(1));
    EXPECT_EQ(place->GetCallBox(0), CRect(146, 62, 154, 394));
    EXPECT_EQ(place->callBoxes.Count(), 2);
    EXPECT_FALSE(place->MergeCallBox(7));
    EXPECT_EQ(place->GetCallBox(9), CRect());
}

TEST_F(ScenarioPlaceTest, HitPartsOfBoxesAndTheLifeLine) {
    struct Case {
        int x, y, part;
    } cases[] = {
        {150, 60, HpCallBoxTop}, // 2 above the top edge
        {150, 62, HpCallBoxTop}, {150, 100, HpCallBox},  {154, 160, HpCallBoxBottom},
        {150, 300, HpLifeLine},  {153, 300, HpLifeLine}, {150, 5, HpLabel},
        {110, 45, HpBody},       {150, 451, HpKnob},
    };
    RecordingDC dc; // drawing lays the name rectangle out
    place->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    for (const Case& c : cases) {
        int part = -1, knob = -1;
        EXPECT_EQ(place->HitTest(c.x, c.y, part, knob, 0), place) << c.x << "," << c.y;
        EXPECT_EQ(part, c.part) << c.x << "," << c.y;
    }
    int part = -1, knob = -1;
    EXPECT_EQ(place->HitTest(160, 300, part, knob, 0), nullptr);
    EXPECT_EQ(part, HpNone);
    EXPECT_TRUE(place->HitsLifeLine(158, 300));
    CPoint on;
    place->ClampToLifeLine(on, 0, 10);
    EXPECT_EQ(on, CPoint(150, 58));
    place->ClampToLifeLine(on, 0, 900);
    EXPECT_EQ(on, CPoint(150, 442));
}

TEST_F(ScenarioPlaceTest, MovingTakesTheBoxesResizingLeavesThem) {
    CRect dirty;
    place->MoveBy(10, 20, dirty);
    EXPECT_EQ(place->GetCallBox(0), CRect(156, 82, 164, 182));
    EXPECT_EQ(place->lifeLinePoint, CPoint(160, 470));
    place->SetBounds(CRect(110, 20, 230, 90));
    EXPECT_EQ(place->GetCallBox(0), CRect(156, 82, 164, 182));
    EXPECT_EQ(place->lifeLinePoint, CPoint(170, 490));
}

TEST_F(ScenarioPlaceTest, RecordRoundTripsAndRefusesBadForms) {
    const std::string written = print(place->Persist(&scope, kest::nil));
    EXPECT_EQ(written.rfind("(scenPlace (150 450) ((146 62 154 162)) place \"", 0), 0u) << written;
    GuidMap other;
    GuidScope again(&other, &templ);
    std::unique_ptr<Drawable> back = CreateDrawableFromRecord(read(written), &again);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(print(back->Persist(&again, kest::nil)), written);
    DiscardDrawable(std::move(back), &again);

    const std::string tail = written.substr(written.find(" place "));
    const std::string bad[] = {
        "(scenPlace (150) ()" + tail,
        "(scenPlace (150 450) ((1 2 3))" + tail,
        "(scenPlace (150 450) ())",
        // A plain place's style in a scenario record.
        "(scenPlace (150 450) ()" + tail.substr(0, tail.rfind(" 1 4 ")) + " 1 0 " +
            tail.substr(tail.rfind(" 1 4 ") + 5),
    };
    for (const std::string& text : bad) {
        GuidMap fresh;
        GuidScope in(&fresh, &templ);
        EXPECT_THROW(CreateDrawableFromRecord(read(text), &in), CKestException) << text;
    }
}

TEST_F(ScenarioPlaceTest, DrawingShowsTheLifeLineAndBoxes) {
    RecordingDC dc;
    place->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    const auto polylines = dc.CallsNamed("Polyline");
    ASSERT_FALSE(polylines.empty());
    EXPECT_EQ(polylines[0].rfind("Polyline 2 150,50 150,450", 0), 0u) << polylines[0];
    bool box = false;
    for (const std::string& call : dc.CallsNamed("Rectangle"))
        box = box || call == "Rectangle 146 62 154 162";
    EXPECT_TRUE(box);
}

} // namespace
} // namespace qm::test
