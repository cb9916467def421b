// Place groups and swimlanes: the note of an empty group, the content
// rectangle, a lane's height and least width, its edge hits, the chain of
// lanes, and the records.
#include "drawables/PlaceGroup.h"
#include "drawables/CustomModel.h"
#include "drawables/DrawableFactory.h"
#include "drawables/Primitives.h"
#include "platform/RecordingDC.h"
#include "tests/drawables/DrawableFixture.h"

namespace qm::test {
namespace {

class PlaceGroupTest : public DrawableTest {
  protected:
    PlaceGroupTest() { master.name = "Billing"; }
    ~PlaceGroupTest() override { model.Detach(&scope); }

    template <class T> T* NewGroup(const CRect& rect) {
        auto group = std::make_unique<T>(&project);
        group->master = &master;
        group->SetBounds(rect);
        return static_cast<T*>(model.AddDrawable(std::move(group)));
    }

    Master master;
    CustomModel model{&project};
};

TEST_F(PlaceGroupTest, AnEmptyGroupDrawsItsNameAndANoteAndHasASmallContent) {
    PlaceGroup* group = NewGroup<PlaceGroup>(CRect(100, 100, 300, 200));
    RecordingDC dc;
    group->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    const auto texts = dc.CallsNamed("DrawText");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("\"Billing\n(no group members)\""), std::string::npos) << texts[0];
    // The frame: the bounds as a hollow rectangle.
    EXPECT_EQ(dc.CallsNamed("Rectangle").size(), 1u);

    CRect content;
    group->GetContentRect(content, 0);
    EXPECT_EQ(content, CRect(186, 136, 214, 164)) << "28 x 28 about the centre";
    EXPECT_EQ(group->labelRect, CRect(103, 103, 297, 119)) << "the name band, 22 high, deflated";
}

TEST_F(PlaceGroupTest, MembersAreTakenFromTheListAndMovedWithTheGroup) {
    DrawableList list;
    auto box = std::make_unique<BoxPrimitive>(&project);
    box->SetFrame(TkRectangle, CRect(10, 40, 60, 80));
    box->SetSelected(true);
    Drawable* member = box.get();
    list.push_back(std::move(box));
    auto group = std::make_unique<PlaceGroup>(&project);
    group->Fill(list, &master, nullptr);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(group->bounds, CRect(6, 36, 64, 84));
    EXPECT_EQ(member->Parent(), &group->MemberGroup());
    EXPECT_EQ(ContainerOf(group.get()), &group->MemberGroup());
    CRect dirty;
    group->MoveBy(5, 5, dirty);
    EXPECT_EQ(member->bounds, CRect(15, 45, 65, 85));
    RecordingDC dc;
    group->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    for (const std::string& call : dc.CallsNamed("DrawText"))
        EXPECT_EQ(call.find("no group members"), std::string::npos);
    model.AddDrawable(std::move(group));
}

TEST_F(PlaceGroupTest, ALibrarySymbolIsCopiedWithItsMembers) {
    PrimitiveGroup symbol;
    auto box = std::make_unique<BoxPrimitive>();
    box->SetFrame(TkEllipse, CRect(0, 0, 40, 30));
    symbol.AddMember(std::move(box));
    symbol.UpdateRepaintRect();
    PlaceGroup* group = NewGroup<PlaceGroup>(CRect());
    group->CopySymbol(symbol, &master);
    ASSERT_EQ(group->MemberGroup().Members().size(), 1u);
    EXPECT_NE(group->MemberGroup().Members().front().get(), symbol.Members().front().get());
    EXPECT_EQ(group->bounds, CRect(0, 0, 40, 30));
    EXPECT_EQ(group->kindCode, TkPlaceGroup);
    EXPECT_TRUE(group->IsGroup());
    EXPECT_EQ(group->MemberGroup().Members().front()->Parent(), &group->MemberGroup());
}

TEST_F(PlaceGroupTest, ALaneSpansThePageIsAtLeast32WideAndHitsAtItsEdges) {
    model.SetPageMatrix(CRect(0, 0, 1000, 800));
    Swimlane* lane = NewGroup<Swimlane>(CRect(100, 50, 110, 300));
    lane->SetLaneModel(&model);
    lane->UpdateRepaintRect();
    EXPECT_EQ(lane->bounds.top, 0);
    EXPECT_EQ(lane->bounds.bottom, 800);
    EXPECT_EQ(lane->bounds.Width(), 32);
    EXPECT_EQ(lane->bounds.left, 89) << "widened on both sides";
    EXPECT_TRUE(lane->IsSwimlane());

    struct Case {
        int x;
        int part;
        int knob;
    } cases[] = {
        {89, HpSwimlaneEdge, 0},  {91, HpSwimlaneEdge, 0},  {87, HpSwimlaneEdge, 0},
        {121, HpSwimlaneEdge, 1}, {119, HpSwimlaneEdge, 1}, {123, HpSwimlaneEdge, 1},
    };
    for (const Case& c : cases) {
        int part = 0, knob = -1;
        EXPECT_EQ(lane->HitTest(c.x, 400, part, knob, 0), lane) << c.x;
        EXPECT_EQ(part, c.part) << c.x;
        EXPECT_EQ(knob, c.knob) << c.x;
    }
    int part = 0, knob = -1;
    lane->HitTest(105, 400, part, knob, 0);
    EXPECT_NE(part, HpSwimlaneEdge);
}

TEST_F(PlaceGroupTest, TheChainOfLanesStaysConsistentWhenALaneLeavesOrIsFreed) {
    Swimlane* a = NewGroup<Swimlane>(CRect(0, 0, 100, 100));
    Swimlane* b = NewGroup<Swimlane>(CRect(100, 0, 200, 100));
    Swimlane* c = NewGroup<Swimlane>(CRect(200, 0, 300, 100));
    a->SetNextLane(b);
    b->SetPreviousLane(a);
    b->SetNextLane(c);
    c->SetPreviousLane(b);
    b->Unlink(true);
    EXPECT_EQ(a->NextLane(), c);
    EXPECT_EQ(c->PreviousLane(), a);
    EXPECT_EQ(b->PreviousLane(), nullptr);
    EXPECT_EQ(b->NextLane(), nullptr);

    // A lane freed while another still names it leaves no dangling neighbour.
    c->SetNextLane(b);
    std::unique_ptr<Drawable> taken = model.RemoveDrawable(b, false);
    DiscardDrawable(std::move(taken), &scope);
    EXPECT_EQ(c->NextLane(), nullptr);
}

TEST_F(PlaceGroupTest, RecordsRoundTripWithMembersAndLaneReferences) {
    model.SetPageMatrix(CRect(0, 0, 600, 400));
    PlaceGroup* group = NewGroup<PlaceGroup>(CRect(10, 10, 200, 150));
    auto text = std::make_unique<TextPrimitive>(&project);
    text->SetFrame(TkText, CRect(20, 20, 120, 40));
    text->text = "Title";
    text->textFlags = TextPrimitive::kLabel;
    group->MemberGroup().AddMember(std::move(text));
    group->LayoutLabel();
    EXPECT_EQ(group->hasTitle, 1);
    EXPECT_EQ(group->labelRect, CRect(20, 20, 120, 40));
    group->master = nullptr;
    Swimlane* left = NewGroup<Swimlane>(CRect(300, 0, 400, 400));
    Swimlane* right = NewGroup<Swimlane>(CRect(400, 0, 500, 400));
    left->master = right->master = nullptr;
    left->SetNextLane(right);
    right->SetPreviousLane(left);
    left->SetLaneModel(&model);
    right->SetLaneModel(&model);

    const std::string written = pretty(model.Persist(nullptr, &scope, kest::nil));
    GuidMap again;
    GuidScope other{&again, &templ, &again};
    CustomModel copy;
    copy.Persist(nullptr, &other, read(written));
    ASSERT_EQ(copy.Drawables().size(), 3u);
    auto* lane = dynamic_cast<Swimlane*>(std::next(copy.Drawables().begin())->get());
    ASSERT_NE(lane, nullptr);
    EXPECT_EQ(lane->LaneModel(), &copy);
    EXPECT_NE(lane->NextLane(), nullptr);
    EXPECT_EQ(lane->NextLane()->PreviousLane(), lane);
    EXPECT_EQ(pretty(copy.Persist(nullptr, &other, kest::nil)), written);
    copy.Detach(&other);

    EXPECT_NE(failure([&] {
                  CreateDrawableFromRecord(read("(placeGroup (box) place)"), &scope);
              }).find("group sym expected"),
              std::string::npos);
    EXPECT_THROW(CreateDrawableFromRecord(read("(swimlane 1 \"\" \"\")"), &scope), CKestException);
}

} // namespace
} // namespace qm::test
