// The primitive group: membership, bounds, hit testing of the smallest
// member, mark forwarding, resizing and turning, members by id in records,
// and drawing many members into an image.
#include "drawables/PrimitiveGroup.h"
#include "drawables/DrawableFactory.h"
#include "platform/PainterDC.h"
#include "platform/RecordingDC.h"
#include "platform/UserSettings.h"
#include "tests/drawables/DrawableFixture.h"

#include <QImage>

namespace qm::test {
namespace {

std::unique_ptr<BoxPrimitive> NewBox(CRect bounds, int code = TkRectangle) {
    auto box = std::make_unique<BoxPrimitive>();
    box->SetFrame(code, bounds);
    return box;
}

// A place group: a node of kind code 34 with place flags.
class FakePlaceGroup : public NodeDrawable {
  public:
    explicit FakePlaceGroup(uint32_t placeFlags) : placeFlags_(placeFlags) {
        kind = DkPlace;
        kindCode = TkPlaceGroup;
        style = DsGroup;
    }
    uint32_t GetPlaceFlags() const override { return placeFlags_; }
    Drawable* GetPlace() override { return this; }
    Master* GetMaster() override { return nullptr; }

  private:
    uint32_t placeFlags_;
};

class FakePlace : public NodeDrawable {
  public:
    FakePlace() { kind = DkPlace; }
    Drawable* GetPlace() override { return this; }
    Master* GetMaster() override { return nullptr; }
};

class FakeLink : public Drawable {
  public:
    FakeLink(NodeDrawable* source, NodeDrawable* target) : source_(source), target_(target) {
        kind = DkLink;
    }
    bool GetLinkEnds(NodeDrawable*& source, NodeDrawable*& target) const override {
        source = source_;
        target = target_;
        return true;
    }

  private:
    NodeDrawable* source_;
    NodeDrawable* target_;
};

using GroupTest = DrawableTest;

TEST_F(GroupTest, ConstructionAndAddMembers) {
    auto group = std::make_unique<PrimitiveGroup>();
    EXPECT_EQ(group->kindCode, TkPrimitiveGroup);
    EXPECT_EQ(group->kind, DkPrimitive);
    EXPECT_TRUE(group->IsGroup());

    // Only drawables whose own bit is set are taken; they move from the list
    // to the group.
    DrawableList candidates;
    auto selectedGroup = std::make_unique<PrimitiveGroup>();
    selectedGroup->SetSelected(true);
    Drawable* a = candidates.emplace_back(NewBox(CRect(0, 0, 10, 10))).get();
    Drawable* b = candidates.emplace_back(NewBox(CRect(20, 0, 30, 10))).get();
    // Selected only through the group it names as parent.
    Drawable* inner = candidates.emplace_back(NewBox(CRect(100, 100, 110, 110))).get();
    inner->SetParent(selectedGroup.get());
    EXPECT_TRUE(inner->IsSelected(true));
    a->SetSelected(true);
    group->bounds = CRect(-50, -50, 50, 50);
    group->AddMembers(candidates);
    ASSERT_EQ(group->Members().size(), 1u);
    EXPECT_EQ(group->Members().front().get(), a);
    EXPECT_EQ(a->Parent(), group.get());
    EXPECT_EQ(group->bounds, CRect(0, 0, 10, 10));
    EXPECT_EQ(candidates.size(), 2u);
    EXPECT_EQ(candidates.front().get(), b);
    EXPECT_EQ(candidates.back().get(), inner);
    std::unique_ptr<Drawable> taken = group->RemoveMember(a);
    EXPECT_EQ(taken.get(), a);
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(group->RemoveMember(a), nullptr);
}

TEST_F(GroupTest, EmptyGroupKeepsBoundsAndMembersBoundsIsASquare) {
    auto group = std::make_unique<PrimitiveGroup>();
    group->SetBounds(CRect(0, 0, 40, 20));
    EXPECT_EQ(group->bounds, CRect(0, 0, 40, 20));
    CRect r;
    group->MembersBounds(r, false);
    EXPECT_EQ(r, CRect(15, 5, 25, 15));
}

TEST_F(GroupTest, AdoptReleaseAndOwningLists) {
    FakeModel model;
    auto* box = model.Add(NewBox(CRect(0, 0, 10, 10)));
    auto* group = model.Add(std::make_unique<PrimitiveGroup>());
    EXPECT_EQ(box->GetOwningList(&model.list), &model.list);
    EXPECT_EQ(group->AdoptFromModel(&model, box), box);
    EXPECT_EQ(model.list.size(), 1u);
    EXPECT_EQ(box->GetOwningList(&model.list), group->GetMemberList());
    EXPECT_EQ(group->AdoptFromModel(&model, box), nullptr);
    group->SelectMembers(&model);
    EXPECT_TRUE(box->IsSelected());
    group->ReleaseMemberTo(model.list, box);
    EXPECT_EQ(model.list.back().get(), box);
    EXPECT_EQ(box->Parent(), nullptr);
    EXPECT_TRUE(group->Members().empty());
}

TEST_F(GroupTest, HitTestNearEdgeOnMemberAndInPlaceGroup) {
    auto make = [] {
        auto group = std::make_unique<PrimitiveGroup>();
        group->AddMember(NewBox(CRect(0, 0, 100, 100)));
        group->AddMember(NewBox(CRect(40, 40, 60, 60)));
        group->UpdateRepaintRect();
        return group;
    };
    int part = 0, knob = 0;
    // Alone: the group is the hit, also 3 units inside its edge on a member.
    std::unique_ptr<PrimitiveGroup> alone = make();
    EXPECT_EQ(alone->HitTest(50, 50, part, knob, 0), alone.get());
    EXPECT_EQ(alone->HitTest(3, 50, part, knob, 0x8), alone.get());
    // Flags bit 0x8 asks for the member: the smaller of two overlapping.
    Drawable* small = alone->Members().back().get();
    EXPECT_EQ(alone->HitTest(50, 50, part, knob, 0x8), small);
    EXPECT_EQ(part, HpBody);

    // In a place group without flag 0x20 the smallest member wins.
    FakePlaceGroup lane(0), loose(0x20);
    std::unique_ptr<PrimitiveGroup> inLane = make();
    inLane->SetParent(&lane);
    EXPECT_EQ(inLane->HitTest(50, 50, part, knob, 0), inLane->Members().back().get());
    EXPECT_EQ(inLane->HitTest(20, 20, part, knob, 0), inLane->Members().front().get());
    EXPECT_EQ(inLane->HitTest(2, 50, part, knob, 0), inLane.get());
    std::unique_ptr<PrimitiveGroup> inLoose = make();
    inLoose->SetParent(&loose);
    EXPECT_EQ(inLoose->HitTest(50, 50, part, knob, 0), inLoose.get());
}

TEST_F(GroupTest, ResizeScalesMembersUnlessOutlineOnly) {
    auto group = std::make_unique<PrimitiveGroup>();
    group->AddMember(NewBox(CRect(0, 0, 10, 10)));
    group->AddMember(NewBox(CRect(10, 10, 20, 20)));
    group->UpdateRepaintRect();
    EXPECT_EQ(group->bounds, CRect(0, 0, 20, 20));
    group->SetBounds(CRect(0, 0, 40, 60));
    EXPECT_EQ(group->Members().front()->bounds, CRect(0, 0, 20, 30));
    EXPECT_EQ(group->Members().back()->bounds, CRect(20, 30, 40, 60));
    EXPECT_EQ(group->bounds, CRect(0, 0, 40, 60));

    group->flags |= MoOutlineOnly;
    group->SetBounds(CRect(0, 0, 10, 10));
    EXPECT_EQ(group->bounds, CRect(0, 0, 10, 10));
    EXPECT_EQ(group->Members().back()->bounds, CRect(20, 30, 40, 60));
    RecordingDC dc;
    group->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    ASSERT_EQ(dc.CallsNamed("Rectangle").size(), 1u);
    EXPECT_EQ(dc.CallsNamed("Rectangle")[0], "Rectangle 0 0 10 10");
    EXPECT_EQ(dc.CallsNamed("SelectPen")[0], "SelectPen 1 1 0x000000"); // dashed, black
    EXPECT_EQ(dc.CallsNamed("SelectBrush")[0].rfind("SelectBrush brush=1", 0), 0u);
}

TEST_F(GroupTest, MoveFlipAndSave) {
    auto group = std::make_unique<PrimitiveGroup>();
    group->AddMember(NewBox(CRect(0, 0, 40, 20)));
    group->UpdateRepaintRect();
    CRect dirty;
    group->MoveBy(10, 5, dirty);
    EXPECT_EQ(group->Members().front()->bounds, CRect(10, 5, 50, 25));
    EXPECT_EQ(group->bounds, CRect(10, 5, 50, 25));
    EXPECT_EQ(group->FlipOrRotate(0, group->bounds, dirty), 0);
    EXPECT_EQ(group->FlipOrRotate(2, group->bounds, dirty), 1);
    EXPECT_EQ(group->Members().front()->bounds, CRect(20, -5, 40, 35));
    EXPECT_EQ(group->bounds, CRect(10, -5, 50, 35)); // a group never shrinks by itself
    group->SaveBounds();
    EXPECT_EQ(group->Members().front()->savedBounds, CRect(20, -5, 40, 35));
}

TEST_F(GroupTest, MarksReachMembersAndLinksFollowTheirPlaces) {
    FakePlace marked, unmarked;
    marked.Mark(1, 0x1, 0);
    auto group = std::make_unique<PrimitiveGroup>();
    Drawable* box = group->AddMember(NewBox(CRect(0, 0, 10, 10)));
    auto* inner =
        static_cast<PrimitiveGroup*>(group->AddMember(std::make_unique<PrimitiveGroup>()));
    Drawable* innerBox = inner->AddMember(NewBox(CRect(0, 0, 5, 5)));
    Drawable* toMarked = group->AddMember(std::make_unique<FakeLink>(&marked, &unmarked));
    Drawable* loose = group->AddMember(std::make_unique<FakeLink>(&unmarked, &unmarked));

    // Mask 0x2 passes the mark on; bit 0x1 marks each drawable reached.
    group->Mark(1, 0x2, 0);
    EXPECT_FALSE(box->IsMarked());
    EXPECT_FALSE(group->IsMarked());
    group->Mark(1, 0x2 | 0x1, 0);
    EXPECT_TRUE(box->IsMarked());
    EXPECT_TRUE(innerBox->IsMarked());
    EXPECT_TRUE(group->IsMarked());

    group->Mark(0, 0x1 | 0x2, 0);
    EXPECT_FALSE(innerBox->IsMarked());
    group->Mark(1, 0x4, 0);
    EXPECT_TRUE(toMarked->IsMarked());
    EXPECT_FALSE(loose->IsMarked());
    group->MarkFiltered(1, 0x4, &unmarked);
    EXPECT_TRUE(loose->IsMarked());
    group->Mark(0, 0x4, 0);
    EXPECT_FALSE(toMarked->IsMarked()); // only one end marked: unmarked

    group->Mark(0, 0x3, 0);
    innerBox->Mark(1, 0x1, 0);
    box->Mark(1, 0x1, 0);
    DrawableRefList found;
    group->CollectMarkedMembers(found);
    EXPECT_EQ(found, (DrawableRefList{box, innerBox}));
    EXPECT_EQ(group->Members().size(), 4u);
    DrawableList taken;
    group->TakeMarkedMembers(taken);
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken.front().get(), box);
    EXPECT_EQ(taken.back().get(), innerBox);
    EXPECT_EQ(group->Members().size(), 3u);
    EXPECT_TRUE(inner->Members().empty());
}

TEST_F(GroupTest, MembersByIdInRecords) {
    auto group = std::make_unique<PrimitiveGroup>(&project);
    Drawable* a = group->AddMember(NewBox(CRect(0, 0, 10, 10)));
    Drawable* b = group->AddMember(NewBox(CRect(10, 0, 20, 10)));
    project.Add(a);
    project.Add(b);
    group->UpdateRepaintRect();
    // An id as the printer writes it (ids may hold quotes).
    auto quoted = [](const Drawable* d) { return print(kest::mkstr(d->guid.Text())); };

    // The journal's copies: members as ids, taken from what the journal holds.
    HeldObjects held;
    scope.membersById = true;
    scope.held = &held;
    const std::string written = print(group->Persist(&scope, kest::nil));
    EXPECT_EQ(written.rfind("(group (" + quoted(a) + " " + quoted(b) + ") 33 ", 0), 0u) << written;
    held.push_back(group->RemoveMember(a));
    held.push_back(group->RemoveMember(b));
    DiscardDrawable(std::move(group), &scope);
    std::unique_ptr<Drawable> back = CreateDrawableFromRecord(read(written), &scope);
    ASSERT_NE(back, nullptr);
    auto* readGroup = dynamic_cast<PrimitiveGroup*>(back.get());
    ASSERT_EQ(readGroup->Members().size(), 2u);
    EXPECT_TRUE(held.empty());
    EXPECT_EQ(a->Parent(), readGroup);
    readGroup->ResolveRefs(nullptr, &scope, false);
    EXPECT_EQ(print(readGroup->Persist(&scope, kest::nil)), written);

    // An unknown id raises the map's error; a repeated one is refused and
    // gives the drawables taken back to the held objects.
    held.push_back(readGroup->RemoveMember(a));
    held.push_back(readGroup->RemoveMember(b));
    EXPECT_EQ(
        failure([&] {
            CreateDrawableFromRecord(
                read("(group (\"nope\") 33 \"x\" (0 0 1 1) (0 0 0 0) (0 0 0 0) 4 1 nil \"\")"),
                &scope);
        }),
        "GUID map lookup failed");
    const std::string twice = "(group (" + quoted(a) + " " + quoted(a) +
                              ") 33 \"y\" (0 0 1 1) (0 0 0 0) (0 0 0 0) 4 1 nil \"\")";
    EXPECT_NE(failure([&] { CreateDrawableFromRecord(read(twice), &scope); }), "");
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(held.size(), 2u);
    // A drawable another group holds is not taken, nor one nothing holds for the change.
    auto holder = std::make_unique<PrimitiveGroup>();
    holder->AddMember(TakeHeldAs(&held, a));
    const std::string ofHolder =
        "(group (" + quoted(a) + ") 33 \"z\" (0 0 1 1) (0 0 0 0) (0 0 0 0) 4 1 nil \"\")";
    EXPECT_NE(
        failure([&] { CreateDrawableFromRecord(read(ofHolder), &scope); }).find("another group"),
        std::string::npos);
    EXPECT_EQ(a->Parent(), holder.get());
    FakeModel model;
    model.Add(holder->RemoveMember(a));
    EXPECT_NE(
        failure([&] { CreateDrawableFromRecord(read(ofHolder), &scope); }).find("no free drawable"),
        std::string::npos);
    EXPECT_EQ(model.list.size(), 1u);
    scope.membersById = false;
    scope.held = nullptr;
}

TEST_F(GroupTest, ReadMembersGetTheGroupAsParent) {
    std::unique_ptr<Drawable> d = CreateDrawableFromRecord(
        read(
            "(group ((box 29 \"m\" (0 0 5 5) (0 0 0 0) (0 0 0 0) 4 0 nil \"\")) 33 \"g\" (0 0 5 5) "
            "(0 0 0 0) (0 0 0 0) 4 1 nil \"\")"),
        &scope);
    ASSERT_NE(d, nullptr);
    d->ResolveRefs(nullptr, &scope, false);
    auto* group = dynamic_cast<PrimitiveGroup*>(d.get());
    EXPECT_EQ(group->Members().front()->Parent(), group);
    EXPECT_EQ(project.Lookup("m"), group->Members().front().get());
    DiscardDrawable(std::move(d), &scope);
    EXPECT_EQ(project.Lookup("m"), nullptr);
    EXPECT_EQ(project.Lookup("g"), nullptr);
}

TEST_F(GroupTest, FindReplaceSumsMembers) {
    RecordingJournal journal;
    auto group = std::make_unique<PrimitiveGroup>();
    for (const char* s : {"a b", "b a a"}) {
        auto text = std::make_unique<TextPrimitive>();
        text->text = s;
        group->AddMember(std::move(text));
    }
    EXPECT_EQ(group->FindReplaceText(nullptr, "a", "c", 0), 3);
}

// 1,000 small squares in a 40 x 25 grid, each 8 x 8 with a 2 unit gap, the
// odd ones red and the even ones blue; the group's looks all inherit.
std::unique_ptr<PrimitiveGroup> ManySquares() {
    auto group = std::make_unique<PrimitiveGroup>();
    group->looks.Init(true, nullptr); // members keep their colours
    for (int i = 0; i < 1000; ++i) {
        const int x = (i % 40) * 10, y = (i / 40) * 10;
        auto box = NewBox(CRect(x, y, x + 8, y + 8));
        box->looks.fillColor = (i % 2) != 0 ? 9 : 12; // red, blue
        box->looks.lineColor = 17;
        group->AddMember(std::move(box));
    }
    group->UpdateRepaintRect();
    return group;
}

TEST_F(GroupTest, DrawsAThousandMembersAtTwoZooms) {
    std::unique_ptr<PrimitiveGroup> group = ManySquares();
    const COLORREF red = ColorFromCode(9), blue = ColorFromCode(12);
    auto probe = [](const QImage& image, int x, int y) {
        const QRgb p = image.pixel(x, y);
        return RGB(qRed(p), qGreen(p), qBlue(p));
    };
    struct Case {
        double zoom;
        int x, y;
        bool painted;
        bool isRed;
    } cases[] = {
        {1.0, 4, 4, true, false},    // square 0
        {1.0, 14, 4, true, true},    // square 1
        {1.0, 394, 244, true, true}, // square 999
        {1.0, 9, 4, false, false},   // the gap
        {1.0, 405, 4, false, false}, // past the grid
        {0.5, 2, 2, true, false},    // square 0 at half size
        {0.5, 7, 2, true, true},     // square 1
        {0.5, 197, 122, true, true}, // square 999
        {0.5, 210, 2, false, false},
    };
    for (double zoom : {1.0, 0.5}) {
        QImage image(420, 270, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            PainterDC dc(&image);
            group->Draw(dc, nullptr, zoom, nullptr, nullptr, 0);
        }
        for (const Case& c : cases) {
            if (c.zoom != zoom)
                continue;
            const COLORREF got = probe(image, c.x, c.y);
            const COLORREF want = !c.painted ? RGB(255, 255, 255) : c.isRed ? red : blue;
            EXPECT_EQ(got, want) << "zoom " << zoom << " at " << c.x << "," << c.y;
        }
    }
}

TEST_F(GroupTest, GreyFillOptionPaintsTheBoundsFirst) {
    FixedUserSettings settings(HighlightGroups);
    ScopedInstall<const UserSettings> scoped(&settings);
    auto group = std::make_unique<PrimitiveGroup>();
    group->SetBounds(CRect(0, 0, 20, 20));
    RecordingDC dc;
    group->Draw(dc, nullptr, 0.5, nullptr, nullptr, 0);
    ASSERT_FALSE(dc.calls.empty());
    EXPECT_EQ(dc.calls[0].rfind("FillRect 0 0 10 10 brush=0/0xe0e0e0", 0), 0u) << dc.calls[0];
}

} // namespace
} // namespace qm::test
