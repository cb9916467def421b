// The primitive group: membership, bounds, hit testing of the smallest
// member, mark forwarding, resizing and turning, members by id in records,
// and drawing many members into an image.
#include "drawables/PrimitiveGroup.h"
#include "drawables/DrawingSettings.h"
#include "platform/PainterDC.h"
#include "platform/RecordingDC.h"
#include "platform/Switches.h"
#include "tests/drawables/DrawableFixture.h"

#include <QImage>

namespace qm::test {
namespace {

BoxPrimitive* NewBox(CRect bounds, int code = TkRectangle) {
    auto* box = new BoxPrimitive();
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
    Owned<PrimitiveGroup> group(new PrimitiveGroup());
    EXPECT_EQ(group->kindCode, TkPrimitiveGroup);
    EXPECT_EQ(group->kind, DkPrimitive);
    EXPECT_TRUE(group->IsGroup());

    // Only drawables whose own bit is set are taken.
    Owned<PrimitiveGroup> selectedGroup(new PrimitiveGroup());
    auto* inner = NewBox(CRect(100, 100, 110, 110));
    selectedGroup->AddMember(inner);
    selectedGroup->SetSelected(true);
    Owned<BoxPrimitive> a(NewBox(CRect(0, 0, 10, 10)));
    Owned<BoxPrimitive> b(NewBox(CRect(20, 0, 30, 10)));
    a->SetSelected(true);
    group->bounds = CRect(-50, -50, 50, 50);
    DrawableList candidates{a.get(), b.get(), inner};
    group->AddMembers(candidates);
    ASSERT_EQ(group->Members().size(), 1u);
    EXPECT_EQ(group->Members().front(), a.get());
    EXPECT_EQ(a->Parent(), group.get());
    EXPECT_EQ(group->bounds, CRect(0, 0, 10, 10));
    EXPECT_TRUE(group->RemoveMember(a.get()));
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_FALSE(group->RemoveMember(a.get()));
}

TEST_F(GroupTest, EmptyGroupKeepsBoundsAndMembersBoundsIsASquare) {
    Owned<PrimitiveGroup> group(new PrimitiveGroup());
    group->SetBounds(CRect(0, 0, 40, 20));
    EXPECT_EQ(group->bounds, CRect(0, 0, 40, 20));
    CRect r;
    group->MembersBounds(r, false);
    EXPECT_EQ(r, CRect(15, 5, 25, 15));
}

TEST_F(GroupTest, AdoptReleaseAndOwningLists) {
    FakeModel model;
    auto* box = NewBox(CRect(0, 0, 10, 10));
    model.list.push_back(box);
    auto* group = new PrimitiveGroup();
    model.list.push_back(group);
    EXPECT_EQ(box->GetOwningList(&model), &model.list);
    EXPECT_EQ(group->AdoptFromModel(&model, box), box);
    EXPECT_EQ(model.list.size(), 1u);
    EXPECT_EQ(box->GetOwningList(&model), group->GetMemberList());
    EXPECT_EQ(group->AdoptFromModel(&model, box), nullptr);
    group->SelectMembers(&model);
    EXPECT_TRUE(box->IsSelected());
    group->ReleaseMemberTo(model.list, box);
    EXPECT_EQ(model.list.back(), box);
    EXPECT_TRUE(group->Members().empty());
}

TEST_F(GroupTest, HitTestNearEdgeOnMemberAndInPlaceGroup) {
    auto make = [] {
        auto* group = new PrimitiveGroup();
        group->AddMember(NewBox(CRect(0, 0, 100, 100)));
        group->AddMember(NewBox(CRect(40, 40, 60, 60)));
        group->UpdateRepaintRect();
        return group;
    };
    int part = 0, knob = 0;
    // Alone: the group is the hit, also 3 units inside its edge on a member.
    Owned<PrimitiveGroup> alone(make());
    EXPECT_EQ(alone->HitTest(50, 50, part, knob, 0), alone.get());
    EXPECT_EQ(alone->HitTest(3, 50, part, knob, 0x8), alone.get());
    // Flags bit 0x8 asks for the member: the smaller of two overlapping.
    Drawable* small = alone->Members().back();
    EXPECT_EQ(alone->HitTest(50, 50, part, knob, 0x8), small);
    EXPECT_EQ(part, HpBody);

    // In a place group without flag 0x20 the smallest member wins.
    FakePlaceGroup lane(0), loose(0x20);
    Owned<PrimitiveGroup> inLane(make());
    inLane->SetParent(&lane);
    EXPECT_EQ(inLane->HitTest(50, 50, part, knob, 0), inLane->Members().back());
    EXPECT_EQ(inLane->HitTest(20, 20, part, knob, 0), inLane->Members().front());
    EXPECT_EQ(inLane->HitTest(2, 50, part, knob, 0), inLane.get());
    Owned<PrimitiveGroup> inLoose(make());
    inLoose->SetParent(&loose);
    EXPECT_EQ(inLoose->HitTest(50, 50, part, knob, 0), inLoose.get());
}

TEST_F(GroupTest, ResizeScalesMembersUnlessOutlineOnly) {
    Owned<PrimitiveGroup> group(new PrimitiveGroup());
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
    Owned<PrimitiveGroup> group(new PrimitiveGroup());
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
    Owned<PrimitiveGroup> group(new PrimitiveGroup());
    auto* box = NewBox(CRect(0, 0, 10, 10));
    auto* inner = new PrimitiveGroup();
    auto* innerBox = NewBox(CRect(0, 0, 5, 5));
    inner->AddMember(innerBox);
    auto* toMarked = new FakeLink(&marked, &unmarked);
    auto* loose = new FakeLink(&unmarked, &unmarked);
    for (Drawable* d : {static_cast<Drawable*>(box), static_cast<Drawable*>(inner),
                        static_cast<Drawable*>(toMarked), static_cast<Drawable*>(loose)})
        group->AddMember(d);

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

    DrawableList collected;
    group->Mark(0, 0x3, 0);
    innerBox->Mark(1, 0x1, 0);
    box->Mark(1, 0x1, 0);
    group->CollectMarkedMembers(&collected, true);
    EXPECT_EQ(collected, (DrawableList{box, innerBox}));
    EXPECT_EQ(group->Members().size(), 3u);
    EXPECT_TRUE(inner->Members().empty());
    delete box;
    delete innerBox;
}

TEST_F(GroupTest, MembersByIdInRecords) {
    auto* group = new PrimitiveGroup(&project);
    auto* a = NewBox(CRect(0, 0, 10, 10));
    auto* b = NewBox(CRect(10, 0, 20, 10));
    project.Add(a);
    project.Add(b);
    group->AddMember(a);
    group->AddMember(b);
    group->UpdateRepaintRect();
    // An id as the printer writes it (ids may hold quotes).
    auto quoted = [](const Drawable* d) { return print(kest::mkstr(d->guid.Text())); };

    Switches().membersById = true;
    const std::string written = print(group->Persist(&scope, kest::nil));
    EXPECT_EQ(written.rfind("(group (" + quoted(a) + " " + quoted(b) + ") 33 ", 0), 0u) << written;
    // Reading takes the drawables found by id (the journal holds them meanwhile).
    group->RemoveMember(a);
    group->RemoveMember(b);
    group->Detach(&scope, true);
    Drawable* back = CreatePrimitiveFromRecord(read(written), &scope);
    ASSERT_NE(back, nullptr);
    auto* readGroup = dynamic_cast<PrimitiveGroup*>(back);
    ASSERT_EQ(readGroup->Members().size(), 2u);
    EXPECT_EQ(a->Parent(), readGroup);
    readGroup->ResolveRefs(nullptr, &scope, false);
    EXPECT_EQ(print(readGroup->Persist(&scope, kest::nil)), written);

    // An unknown id raises the map's error; a repeated one is refused and
    // gives its drawables back.
    readGroup->RemoveMember(a);
    readGroup->RemoveMember(b);
    EXPECT_EQ(
        failure([&] {
            CreatePrimitiveFromRecord(
                read("(group (\"nope\") 33 \"x\" (0 0 1 1) (0 0 0 0) (0 0 0 0) 4 1 nil \"\")"),
                &scope);
        }),
        "GUID map lookup failed");
    const std::string twice = "(group (" + quoted(a) + " " + quoted(a) +
                              ") 33 \"y\" (0 0 1 1) (0 0 0 0) (0 0 0 0) 4 1 nil \"\")";
    EXPECT_NE(failure([&] { CreatePrimitiveFromRecord(read(twice), &scope); }), "");
    EXPECT_EQ(a->Parent(), nullptr);
    // A drawable another group holds is not taken.
    Owned<PrimitiveGroup> holder(new PrimitiveGroup());
    holder->AddMember(a);
    const std::string held =
        "(group (" + quoted(a) + ") 33 \"z\" (0 0 1 1) (0 0 0 0) (0 0 0 0) 4 1 nil \"\")";
    EXPECT_NE(failure([&] { CreatePrimitiveFromRecord(read(held), &scope); }).find("another group"),
              std::string::npos);
    EXPECT_EQ(a->Parent(), holder.get());
    holder->RemoveMember(a);
    Switches().membersById = false;
    readGroup->Detach(&scope, true);
    a->Detach(&scope, true);
    b->Detach(&scope, true);
}

TEST_F(GroupTest, ReadMembersGetTheGroupAsParent) {
    Drawable* d = CreatePrimitiveFromRecord(
        read(
            "(group ((box 29 \"m\" (0 0 5 5) (0 0 0 0) (0 0 0 0) 4 0 nil \"\")) 33 \"g\" (0 0 5 5) "
            "(0 0 0 0) (0 0 0 0) 4 1 nil \"\")"),
        &scope);
    ASSERT_NE(d, nullptr);
    d->ResolveRefs(nullptr, &scope, false);
    auto* group = dynamic_cast<PrimitiveGroup*>(d);
    EXPECT_EQ(group->Members().front()->Parent(), group);
    EXPECT_EQ(project.Lookup("m"), group->Members().front());
    group->Detach(&scope, true);
    EXPECT_EQ(project.Lookup("m"), nullptr);
    EXPECT_EQ(project.Lookup("g"), nullptr);
}

TEST_F(GroupTest, FindReplaceSumsMembers) {
    RecordingJournal journal;
    Owned<PrimitiveGroup> group(new PrimitiveGroup());
    for (const char* s : {"a b", "b a a"}) {
        auto* text = new TextPrimitive();
        text->text = s;
        group->AddMember(text);
    }
    EXPECT_EQ(group->FindReplaceText(nullptr, "a", "c", 0), 3);
}

// 1,000 small squares in a 40 x 25 grid, each 8 x 8 with a 2 unit gap, the
// odd ones red and the even ones blue; the group's looks all inherit.
PrimitiveGroup* ManySquares() {
    auto* group = new PrimitiveGroup();
    group->looks.Init(true, nullptr); // members keep their colours
    for (int i = 0; i < 1000; ++i) {
        const int x = (i % 40) * 10, y = (i / 40) * 10;
        auto* box = NewBox(CRect(x, y, x + 8, y + 8));
        box->looks.fillColor = (i % 2) != 0 ? 9 : 12; // red, blue
        box->looks.lineColor = 17;
        group->AddMember(box);
    }
    group->UpdateRepaintRect();
    return group;
}

TEST_F(GroupTest, DrawsAThousandMembersAtTwoZooms) {
    Owned<PrimitiveGroup> group(ManySquares());
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
    FixedDrawingSettings settings(0, 0x4);
    ScopedDrawingSettings scoped(&settings);
    Owned<PrimitiveGroup> group(new PrimitiveGroup());
    group->SetBounds(CRect(0, 0, 20, 20));
    RecordingDC dc;
    group->Draw(dc, nullptr, 0.5, nullptr, nullptr, 0);
    ASSERT_FALSE(dc.calls.empty());
    EXPECT_EQ(dc.calls[0].rfind("FillRect 0 0 10 10 brush=0/0xe0e0e0", 0), 0u) << dc.calls[0];
}

} // namespace
} // namespace qm::test
