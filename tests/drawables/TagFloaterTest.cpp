// Tags and message floaters: message numbers, the callout's notch near a
// corner, the anchor on a place or on the tag's own label, the arrow beside
// its segment, hopping between segments, and both records.
#include "drawables/DrawableFactory.h"
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/Place.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/Tag.h"
#include "platform/RecordingDC.h"
#include "platform/TextHelpers.h"
#include "tests/drawables/DrawableFixture.h"
#include "tests/drawables/FakeTool.h"

namespace qm::test {
namespace {

TEST(FloaterNumbers, LeadingNumbersAreReadAndReplaced) {
    struct {
        const char* text;
        int number;
    } reads[] = {{"12. call", 12}, {"3.1 call", 3}, {"call", 0}, {"", 0}, {".5 call", 0}};
    for (const auto& c : reads) {
        Floater f;
        f.text = c.text;
        EXPECT_EQ(f.GetNumber(), c.number) << c.text;
    }
    for (const char* text : {"3. call", "call", "3.1 call", "3.call"}) {
        Floater f;
        f.text = text;
        f.SetNumber(5);
        EXPECT_EQ(f.text, "5. call") << text;
    }
    EXPECT_EQ(MessageNumberOf("99999999999999 x"), INT32_MAX);
}

class FloaterPropsTest : public DrawableTest {};

TEST_F(FloaterPropsTest, PropertiesAreExchangedAndSearchedInEveryText) {
    Floater mine, theirs;
    mine.text = "1. call";
    theirs.text = "2. call";
    theirs.attachment = "notes.txt";
    theirs.tagFlags = FfReversed;
    kest::Cell* list = mine.Props(&scope, &theirs, nullptr, false);
    EXPECT_EQ(print(list), "(nil (\"1. call\" \"2. call\") nil (\"\" \"notes.txt\") (0 1))");
    // Applying answers what follows the floater's own entries, as links and
    // junctions do: nothing here.
    EXPECT_EQ(mine.Props(&scope, nullptr, list, true), kest::nil);
    EXPECT_EQ(mine.text, "2. call");
    EXPECT_EQ(mine.attachment, "notes.txt");
    EXPECT_EQ(mine.tagFlags, FfReversed);
    EXPECT_TRUE(mine.HasAttachment());
    EXPECT_THROW(mine.Props(&scope, nullptr, read("(nil (1 2))"), true), CKestException);
    EXPECT_EQ(mine.text, "2. call") << "a bad list changes nothing";

    RecordingJournal journal;
    mine.secondText = "call back";
    EXPECT_EQ(mine.FindReplaceText(nullptr, "call", "ring", RF_REPLACE), 2);
    EXPECT_EQ(mine.text, "2. ring");
    EXPECT_EQ(mine.secondText, "ring back");
    ASSERT_EQ(journal.changed.size(), 1u);
    EXPECT_EQ(static_cast<Floater*>(journal.previousCopies[0].get())->text, "2. call");
    Tag tag;
    tag.text = "see call";
    EXPECT_EQ(tag.FindReplaceText(nullptr, "call", "", 0), 1);
    EXPECT_EQ(tag.text, "see call") << "counting only";
}

class TagTest : public DrawableTest {
  protected:
    TagTest() {
        tool.RegisterIn(templ);
        linkTool.RegisterIn(templ);
        master.SetToolAndName(&tool, "Shape", "");
        project.Add(&master);
    }
    ~TagTest() override {
        for (auto it = model.list.rbegin(); it != model.list.rend(); ++it)
            DiscardDrawable(std::move(*it), &scope);
    }
    Place* NewPlace(const CRect& rect) {
        auto place = std::make_unique<Place>(&project);
        place->Setup(TkFirstPlace, rect, &master, false);
        return model.Add(std::move(place));
    }
    std::string Write(Drawable* d) { return print(d->Persist(&scope, kest::nil)); }
    Drawable* Make(const std::string& text) {
        std::unique_ptr<Drawable> d = CreateDrawableFromRecord(read(text), &scope);
        return d != nullptr ? model.Add(std::move(d)) : nullptr;
    }

    FakeTool tool{10, false};
    FakeTool linkTool{3, true};
    Master master;
    FakeModel model;
};

TEST_F(TagTest, TheAnchorLiesOnAnAttachedPlaceOrOnTheTagsOwnLabel) {
    Place* place = NewPlace(CRect(0, 0, 100, 60));
    auto* tag = model.Add(std::make_unique<Tag>(&project));
    tag->Attach(TkTag, CRect(200, 10, 260, 50), place);
    // The place's right side (its last column), level with the centres.
    EXPECT_EQ(tag->anchor, CPoint(99, 30));
    EXPECT_EQ(tag->labelRect, CRect(203, 13, 257, 47));
    EXPECT_EQ(tag->repaintRect, CRect(94, 5, 265, 55));
    CRect knobs[kKnobRoom];
    ASSERT_EQ(tag->GetKnobRects(knobs), 5);
    EXPECT_EQ(knobs[4], CRect(97, 28, 101, 32));
    int part = 0, knob = 0;
    EXPECT_EQ(tag->HitTest(150, 30, part, knob, 0), tag) << "on the pointer";
    EXPECT_EQ(part, HpBody);
    EXPECT_EQ(tag->HitTest(230, 30, part, knob, 0), tag);
    EXPECT_EQ(part, HpLabel);
    EXPECT_EQ(tag->HitTest(150, 50, part, knob, 0), nullptr);

    // Attached to a drawable that is not a place: the tag's own label.
    auto* other = model.Add(std::make_unique<Tag>(&project));
    other->Attach(TkTag, CRect(0, 0, 60, 40), nullptr);
    tag->SetAttached(other);
    EXPECT_EQ(tag->anchor, tag->labelRect.CenterPoint()) << "both centres are the label's";
}

TEST_F(TagTest, TheNotchKeepsItsEightUnitsInsideTheSideNearACorner) {
    const CRect rect(100, 100, 200, 160);
    struct Case {
        CPoint anchor;
        CPoint first, last; // points 1 and 6
    } cases[] = {
        {{150, 300}, {146, 160}, {154, 160}}, // below the middle: centred on the crossing
        {{300, 214}, {200, 160}, {200, 152}}, // right, next to the bottom corner
        {{0, 46}, {100, 100}, {100, 108}},    // left, next to the top corner
        {{342, 10}, {200, 100}, {192, 100}},  // above, next to the right corner
    };
    for (const Case& c : cases) {
        CPoint points[7];
        CalloutPolygon(c.anchor.x, c.anchor.y, rect, points);
        EXPECT_EQ(points[0], c.anchor);
        EXPECT_EQ(points[1], c.first) << c.anchor.x << "," << c.anchor.y;
        EXPECT_EQ(points[6], c.last) << c.anchor.x << "," << c.anchor.y;
        const int gap = std::abs(points[1].x - points[6].x) + std::abs(points[1].y - points[6].y);
        EXPECT_EQ(gap, 8);
    }
    // Drawn as one filled seven-point polygon, no outline or fill for colour 17.
    Tag tag;
    tag.bounds = rect;
    tag.anchor = CPoint(150, 300);
    tag.looks.lineColor = 17;
    tag.looks.fillColor = 17;
    RecordingDC dc;
    tag.Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    ASSERT_EQ(dc.CallsNamed("Polygon").size(), 1u);
    EXPECT_EQ(dc.CallsNamed("SelectPen")[0].rfind("SelectPen 5", 0), 0u);
    EXPECT_EQ(dc.CallsNamed("SelectBrush")[0].rfind("SelectBrush brush=1/", 0), 0u);
}

TEST_F(TagTest, TagRecordsBindTheirDrawableOrReadUnattached) {
    Place* place = NewPlace(CRect(0, 0, 100, 60));
    auto* tag = model.Add(std::make_unique<Tag>(&project));
    tag->Attach(TkTag, CRect(200, 10, 260, 50), place);
    tag->text = "a note";
    const std::string written = Write(tag);
    EXPECT_EQ(written.rfind("(tag \"", 0), 0u) << written;
    EXPECT_NE(written.find("\" (99 30) \"a note\" 25 "), std::string::npos) << written;

    GuidMap again;
    again.Add(&master);
    again.Add(place);
    GuidScope other{&again, &templ, &again};
    std::unique_ptr<Drawable> copy = CreateDrawableFromRecord(read(written), &other);
    auto* read = dynamic_cast<Tag*>(copy.get());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Attached(), nullptr);
    read->ResolveRefs(nullptr, &other, static_cast<DrawableModel*>(nullptr));
    EXPECT_EQ(read->Attached(), place);
    EXPECT_EQ(print(read->Persist(&other, kest::nil)), written);
    DiscardDrawable(std::move(copy), &other);
    again.Remove(place);

    // A nil attached id reads as an unattached tag; a wrong head or kind is refused.
    Drawable* loose = Make("(tag nil (0 0) \"x\" 25 \"T0000000000001\" (0 0 10 10) (0 0 10 10) "
                           "(3 3 7 7) 3 0 nil \"\")");
    ASSERT_NE(loose, nullptr);
    loose->ResolveRefs(nullptr, &scope, static_cast<DrawableModel*>(nullptr));
    EXPECT_EQ(static_cast<Tag*>(loose)->Attached(), nullptr);
    EXPECT_THROW(Make("(tag nil (0 0) \"x\" 25 \"T0000000000002\" (0 0 10 10) (0 0 10 10) "
                      "(3 3 7 7) 4 0 nil \"\")"),
                 CKestException);
    EXPECT_EQ(project.Lookup("T0000000000002"), nullptr);
}

// A tag pointing at a junction, read where the model's own search binds it
// (a paste): the junction lives in its place's list, not the model's, and
// must still be found.
TEST_F(TagTest, TagsOnJunctionsBindThroughTheirModel) {
    Place* place = NewPlace(CRect(0, 0, 100, 60));
    Junction* port = place->AddJunction(&project, 0, 30, 401);
    ASSERT_NE(port, nullptr);
    auto* tag = model.Add(std::make_unique<Tag>(&project));
    tag->Attach(TkTag, CRect(-120, 100, -40, 140), port);
    const std::string written = Write(tag);
    ASSERT_EQ(tag->Attached(), port);

    GuidMap other;
    GuidScope again(&other, &templ, &other);
    std::unique_ptr<Drawable> copy = CreateDrawableFromRecord(read(written), &again);
    auto* back = dynamic_cast<Tag*>(copy.get());
    ASSERT_NE(back, nullptr);
    back->ResolveRefs(nullptr, &again, &model);
    EXPECT_EQ(back->Attached(), port);
    EXPECT_EQ(print(back->Persist(&again, kest::nil)), written);
    DiscardDrawable(std::move(copy), &again);
}

class FloaterTest : public TagTest {
  protected:
    FloaterTest() {
        source = NewPlace(CRect(0, 0, 100, 60));
        target = NewPlace(CRect(300, 0, 400, 60));
        auto owned = std::make_unique<Link>(&project);
        owned->Connect(3, &linkTool, source, target, 0);
        owned->SetVertices({CPoint(100, 30), CPoint(300, 30), CPoint(300, 200)});
        link = model.Add(std::move(owned));
    }
    Floater* NewFloater(int segment, CPoint at) {
        auto floater = std::make_unique<Floater>(&project);
        floater->AttachToSegment(TkMessage, CRect(at.x, at.y, at.x + 15, at.y + 20), link, segment);
        return model.Add(std::move(floater));
    }

    Place* source;
    Place* target;
    Link* link;
};

TEST_F(FloaterTest, TheArrowLiesBesideItsSegmentPointingAlongIt) {
    Floater* f = NewFloater(0, CPoint(150, 10));
    // 10 above the horizontal segment: an arrow 16 long, left to right.
    EXPECT_EQ(f->arrowTail, CPoint(149, 20));
    EXPECT_EQ(f->arrowHead, CPoint(165, 20));
    EXPECT_EQ(f->segmentStart, CPoint(100, 30));
    EXPECT_EQ(f->segmentEnd, CPoint(300, 30));
    // The label sits 4 beyond the arrow, away from the segment.
    EXPECT_EQ(f->labelRect.bottom, 20 - 4);

    // A point on the segment itself still puts the arrow 4 off it.
    f->MoveNearSegment(200, 30, false);
    EXPECT_EQ(std::abs(f->ArrowCentre().y - 30), 4);

    // On the vertical segment the arrow points down.
    Floater* down = NewFloater(1, CPoint(320, 100));
    EXPECT_EQ(down->arrowTail.x, down->arrowHead.x);
    EXPECT_LT(down->arrowTail.y, down->arrowHead.y);
    EXPECT_EQ(down->arrowHead.y - down->arrowTail.y, 16);

    int part = 0, knob = 0;
    const CPoint c = f->ArrowCentre();
    EXPECT_EQ(f->HitTest(c.x, c.y, part, knob, 0), f);
    EXPECT_EQ(part, HpBody);
}

TEST_F(FloaterTest, SegmentsOutsideWhatTheReaderTakesAreNeverStored) {
    struct Case {
        int index;
        int stored;
    } cases[] = {{-3, 0}, {0, 0}, {1, 1}, {63, 63}, {64, 63}, {1000, 63}};
    for (const Case& c : cases) {
        Floater* f = NewFloater(c.index, CPoint(150, 10));
        EXPECT_EQ(f->segment, c.stored) << c.index;
        GuidMap again;
        GuidScope other{&again, &templ, &again};
        std::unique_ptr<Drawable> back = CreateDrawableFromRecord(read(Write(f)), &other);
        ASSERT_NE(back, nullptr) << c.index;
        EXPECT_EQ(static_cast<Floater*>(back.get())->segment, c.stored);
        DiscardDrawable(std::move(back), &other);
    }
}

TEST_F(FloaterTest, ReanchoringKeepsTheArrowWhereItIsAndFacesTheMovedSegment) {
    Floater* f = NewFloater(0, CPoint(150, 10));
    const CPoint centre = f->ArrowCentre();
    ASSERT_LT(centre.y, 30);
    struct Case {
        int segmentY;    // the first segment, moved to this height
        bool labelAbove; // the label lies beyond the arrow, away from it
    } cases[] = {{80, true}, {-30, false}, {30, true}};
    for (const Case& c : cases) {
        link->SetVertices({CPoint(100, c.segmentY), CPoint(300, c.segmentY), CPoint(300, 200)});
        f->Reanchor();
        EXPECT_EQ(f->ArrowCentre(), centre) << c.segmentY;
        EXPECT_EQ(f->segmentStart, CPoint(100, c.segmentY));
        EXPECT_EQ(f->labelRect.bottom <= centre.y, c.labelAbove) << c.segmentY;
    }
}

TEST_F(FloaterTest, DraggedFloatersHopToTheNearestSegment) {
    Floater* f = NewFloater(0, CPoint(150, 10));
    f->flags |= MoDragged;
    CRect dirty;
    f->MoveBy(170, 120, dirty); // near the vertical segment now
    EXPECT_EQ(f->segment, 1);
    EXPECT_FALSE(dirty.IsRectEmpty());
    f->flags &= ~MoDragged;
    f->MoveBy(0, 0, dirty);
    EXPECT_EQ(f->segmentStart, CPoint(300, 30));
    EXPECT_EQ(f->segmentEnd, CPoint(300, 200));
}

TEST_F(FloaterTest, FloaterRecordsRoundTripAndOlderOnesLackTheAttachment) {
    Floater* f = NewFloater(0, CPoint(150, 10));
    f->text = "1. draw()";
    f->secondText = "second";
    f->tagFlags = FfReversed;
    const std::string written = Write(f);
    EXPECT_EQ(written.rfind("(floater \"second\" \"\" 1 0 (149 20) (165 20)", 0), 0u) << written;
    EXPECT_NE(written.find(" (300 30) tag \""), std::string::npos) << written;
    EXPECT_NE(written.find("\" (0 0) \"1. draw()\" 46 "), std::string::npos) << written;

    GuidMap again;
    again.Add(link);
    GuidScope other{&again, &templ, &again};
    std::unique_ptr<Drawable> copy = CreateDrawableFromRecord(read(written), &other);
    ASSERT_NE(copy, nullptr);
    copy->ResolveRefs(nullptr, &other, static_cast<DrawableModel*>(nullptr));
    auto* readBack = static_cast<Floater*>(copy.get());
    EXPECT_EQ(readBack->GetLink(), link);
    EXPECT_EQ(print(copy->Persist(&other, kest::nil)), written);
    DiscardDrawable(std::move(copy), &other);
    again.Remove(link);

    // The older form without the attachment text.
    std::string older = written;
    older.replace(older.find("\"second\" \"\" "), 12, "\"second\" ");
    auto* old = static_cast<Floater*>(Make(older));
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->attachment, "");
    EXPECT_EQ(old->secondText, "second");
    // A floater record must end in a tag record of a message.
    EXPECT_THROW(Make("(floater \"\" \"\" 0 0 (0 0) (0 0) (0 0) (0 0) (0 0))"), CKestException);
    EXPECT_THROW(Make("(floater \"\" \"\" 0 99 (0 0) (0 0) (0 0) (0 0) (0 0) (tag nil (0 0) \"\" "
                      "46 \"F0000000000009\" (0 0 1 1) (0 0 1 1) (0 0 1 1) 3 0 nil \"\"))"),
                 CKestException);
}

} // namespace
} // namespace qm::test
