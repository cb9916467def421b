// Line, text and box primitives: records, the old-version line colour rule,
// refused records, drawing on a recording device context, hit tests, flip
// and rotate, copies, property exchange and find and replace.
#include "drawables/Primitives.h"
#include "drawables/DrawableFactory.h"
#include "drawables/IconStripSource.h"
#include "drawables/PrimitiveGroup.h"
#include "platform/PainterDC.h"
#include "platform/RecordingDC.h"
#include "platform/TextHelpers.h"
#include "tests/drawables/DrawableFixture.h"

#include <fstream>
#include <sstream>

namespace qm::test {
namespace {

class PrimitivesTest : public DrawableTest {
  protected:
    // Reads a record through the drawable factory; the test keeps it.
    Drawable* Make(const std::string& text) {
        std::unique_ptr<Drawable> d = CreateDrawableFromRecord(read(text), &scope);
        made.push_back(std::move(d));
        return made.back().get();
    }
    std::vector<std::unique_ptr<Drawable>> made;
};

std::vector<std::string> FixtureLines(const char* name) {
    std::ifstream in(std::string(QM_FIXTURES) + "/drawables/" + name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

TEST_F(PrimitivesTest, EveryRecordRoundTripsByteIdentically) {
    const auto lines = FixtureLines("primitives.lst");
    ASSERT_GE(lines.size(), 10u);
    for (const std::string& line : lines) {
        Drawable* d = Make(line);
        ASSERT_NE(d, nullptr) << line;
        const std::string first = print(d->Persist(&scope, kest::nil));
        EXPECT_EQ(first, line);
        GuidMap again;
        GuidScope scope2(&again, &templ);
        std::unique_ptr<Drawable> back = CreateDrawableFromRecord(read(first), &scope2);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(print(back->Persist(&scope2, kest::nil)), first);
    }
}

TEST_F(PrimitivesTest, OldFilesTurnNoLineColourIntoInherit) {
    const char* rect =
        "(box 29 \"r\" (0 0 4 4) (0 0 0 0) (0 0 0 0) 4 0 (nil 1 -12 0 17 4 15 0) \"\")";
    const char* text =
        "(text \"t\" 1 28 \"t\" (0 0 4 4) (0 0 0 0) (0 0 0 0) 4 0 (nil 1 -12 0 17 4 15 0) \"\")";
    struct Case {
        double version;
        const char* record;
        bool inTemplate;
        uint32_t lineColor;
    } cases[] = {
        {4.0, rect, false, 18}, {4.0, text, false, 17}, {4.0, rect, true, 17},
        {5.0, rect, false, 17}, {8.0, rect, false, 17},
    };
    for (const Case& c : cases) {
        GuidScope in(&project, &templ, c.inTemplate);
        in.fileVersion = c.version;
        std::unique_ptr<Drawable> d = CreateDrawableFromRecord(read(c.record), &in);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->looks.lineColor, c.lineColor) << c.version << " " << c.record;
        DiscardDrawable(std::move(d), &in);
    }
}

TEST_F(PrimitivesTest, BoxWithoutTrailingIconKeepsIcon) {
    auto box = std::make_unique<BoxPrimitive>();
    box->icon = 5;
    box->Persist(&scope, read("(box 49 \"i\" (0 0 16 15) (0 0 0 0) (0 0 0 0) 4 0 nil \"\")"));
    EXPECT_EQ(box->icon, 5);
    box->Persist(&scope, read("(box 49 \"i\" (0 0 16 15) (0 0 0 0) (0 0 0 0) 4 0 nil \"\" 9)"));
    EXPECT_EQ(box->icon, 9);
    project.Remove(box.get());
}

TEST_F(PrimitivesTest, BadRecordsAreRefused) {
    std::string many = "(line (";
    for (int i = 0; i < 65; ++i)
        many += std::to_string(i) + " 0 ";
    many += ") 0 27 \"l\" (0 0 1 1) (0 0 0 0) (0 0 0 0) 4 0 nil \"\")";
    const std::string base = " (0 0 1 1) (0 0 0 0) (0 0 0 0) 4 0 nil \"\")";
    struct Case {
        std::string record;
        const char* expect; // part of the message
    } cases[] = {
        {"(box 29 \"b\" (0 0 1 1) (0 0 0 0) (0 0 0 0) 4 0 nil)", "parent"},
        {"(box 29 \"b\" (0 0 1 1) (0 0 0 0))", "label rectangle"},
        {"(box 29)", "id"},
        {"(box)", "kind code"},
        {"(box \"29\" \"b\"" + base, "kind code"},
        {"(box 29 (1) " + base, "id"},
        {"(box 29 \"b\" (0 0 1) (0 0 0 0) (0 0 0 0) 4 0 nil \"\")", "bounds"},
        {"(box 29 \"b\" (0 0 1 1) (0 0 0 0) (0 0 0 0) 4 0 7 \"\")", "looks"},
        {"(box 29 \"b\" (0 0 1 1) (0 0 0 0) (0 0 0 0) 4 0 nil (1))", "parent"},
        {"(box 26 \"b\"" + base, "kind code 26"},
        {"(box 29 \"b\" (0 0 1 1) (0 0 0 0) (0 0 0 0) 1 0 nil \"\")", "kind 4 expected"},
        {"(box 29 \"b\" (0 0 1 1) (0 0 0 0) (0 0 0 0) 4 1 nil \"\")", "style"},
        {"(box 29 \"b\" (0 0 1 1) (0 0 0 0) (0 0 0 0) 4 0 nil \"\" -1)", "icon"},
        {"(box 29 \"b\" (0 0 2000000000 1) (0 0 0 0) (0 0 0 0) 4 0 nil \"\")", "range"},
        {many, "at most 64 vertices"},
        {"(line (0 0 1) 0 26 \"l\"" + base, "even number"},
        {"(line (0 0 1 1) \"x\" 26 \"l\"" + base, "curved"},
        {"(line (0 0 1 1) 0 29 \"l\"" + base, "kind code 29"},
        {"(text 5 1 28 \"t\"" + base, "text"},
        {"(text \"a\" 1 29 \"t\"" + base, "kind code 29"},
        {"(group (5) 33 \"g\" (0 0 1 1) (0 0 0 0) (0 0 0 0) 4 1 nil \"\")", "member record"},
        {"(group () 33 \"g\" (0 0 1 1) (0 0 0 0) (0 0 0 0) 4 0 nil \"\")", "style"},
        {"(group () 29 \"g\" (0 0 1 1) (0 0 0 0) (0 0 0 0) 4 1 nil \"\")", "kind code 29"},
    };
    for (const Case& c : cases) {
        const std::string message = failure([&] { Make(c.record); });
        EXPECT_NE(message.find(c.expect), std::string::npos)
            << c.record << "\n  reported: " << message;
    }
    // A wrong head reaches a class reader only when called directly.
    auto line = std::make_unique<LinePrimitive>();
    EXPECT_EQ(failure([&] {
                  line->Persist(&scope, read("(box 1 2)"));
              }).rfind("Operation failed: line sym expected.", 0),
              0u);
    // Nothing that failed stays registered.
    ModelObject* found = nullptr;
    EXPECT_FALSE(project.Lookup("b", found, false));
    EXPECT_FALSE(project.Lookup("g", found, false));
}

TEST_F(PrimitivesTest, GroupsNestedTooDeeplyAreRefused) {
    std::string record;
    const int depth = 70;
    for (int i = 0; i < depth; ++i)
        record += "(group (";
    for (int i = 0; i < depth; ++i)
        record += ") 33 \"g" + std::to_string(i) + "\" (0 0 1 1) (0 0 0 0) (0 0 0 0) 4 1 nil \"\")";
    EXPECT_NE(failure([&] { Make(record); }).find("nested too deeply"), std::string::npos);
}

TEST_F(PrimitivesTest, CurvedPolylineDrawsBezierOnlyFor4Plus3k) {
    for (int count : {4, 6, 7, 10}) {
        auto line = std::make_unique<LinePrimitive>();
        std::vector<CPoint> pts;
        for (int i = 0; i < count; ++i)
            pts.emplace_back(10 * i, (i % 2) * 10);
        line->SetPoints(TkPolyline, count, pts.data());
        line->curved = 1;
        RecordingDC dc;
        line->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
        const bool bezier = (count - 4) % 3 == 0;
        ASSERT_EQ(dc.CallsNamed("PolyBezier").size(), bezier ? 1u : 0u) << count;
        ASSERT_EQ(dc.CallsNamed("Polyline").size(), bezier ? 0u : 1u) << count;
        const std::string call = dc.CallsNamed(bezier ? "PolyBezier" : "Polyline")[0];
        EXPECT_EQ(std::count(call.begin(), call.end(), ','), count) << call;
    }
}

TEST_F(PrimitivesTest, LineKindsDrawTheirShapes) {
    auto line = std::make_unique<LinePrimitive>();
    const CPoint pts[] = {{0, 0}, {20, 0}, {10, 10}};
    line->SetPoints(TkPolygon, 3, pts);
    line->looks.lineColor = 17;
    RecordingDC dc;
    line->Draw(dc, nullptr, 2.0, nullptr, nullptr, 0);
    ASSERT_EQ(dc.CallsNamed("Polygon").size(), 1u);
    EXPECT_EQ(dc.CallsNamed("Polygon")[0], "Polygon 3 0,0 40,0 20,20");
    EXPECT_EQ(dc.CallsNamed("SelectPen")[0].rfind("SelectPen 5", 0), 0u); // no pen for "none"
    // A vertical line's bounds are one unit wide.
    const CPoint vertical[] = {{5, 0}, {5, 30}};
    line->SetPoints(TkLine, 2, vertical);
    EXPECT_EQ(line->bounds, CRect(5, 0, 6, 30));
    // Sixty-five vertices are refused; sixty-four fit.
    std::vector<CPoint> many(65, CPoint(1, 1));
    EXPECT_FALSE(line->SetPoints(TkPolyline, 65, many.data()));
    EXPECT_TRUE(line->SetPoints(TkPolyline, 64, many.data()));
    EXPECT_FALSE(line->InsertVertex(0, 2, 2));
}

TEST_F(PrimitivesTest, BoxKindsAndIcons) {
    struct Case {
        int code;
        const char* call;
    } cases[] = {{TkRectangle, "Rectangle 0 0 20 10"},
                 {TkRoundRectangle, "RoundRect 0 0 20 10 4 2"},
                 {TkEllipse, "Ellipse 0 0 20 10"}};
    for (const Case& c : cases) {
        auto box = std::make_unique<BoxPrimitive>();
        box->SetFrame(c.code, CRect(0, 0, 40, 20));
        RecordingDC dc;
        box->Draw(dc, nullptr, 0.5, nullptr, nullptr, 0);
        const std::string name(c.call, std::string(c.call).find(' '));
        ASSERT_EQ(dc.CallsNamed(name).size(), 1u);
        EXPECT_EQ(dc.CallsNamed(name)[0], c.call);
    }

    // An icon instance draws nothing below zoom 0.2, and nothing without a strip.
    struct Strip : IconStripSource {
        CBitmap* IconStrip() override { return &bitmap; }
        CBitmap bitmap;
    } strip;
    strip.bitmap.CreateBitmap(16 * 4, 15);
    ScopedInstall<IconStripSource> installed(&strip);
    auto icon = std::make_unique<BoxPrimitive>();
    icon->SetFrame(TkIcon, CRect(0, 0, 16, 15));
    icon->SetIcon(2);
    {
        RecordingDC rec;
        icon->Draw(rec, nullptr, 0.19, nullptr, nullptr, 0);
        EXPECT_TRUE(rec.calls.empty());
        icon->Draw(rec, nullptr, 1.0, nullptr, nullptr, 0);
        EXPECT_FALSE(rec.calls.empty());
        // An icon number past the strip reads nothing from it.
        icon->SetIcon(4);
        rec.Clear();
        icon->Draw(rec, nullptr, 1.0, nullptr, nullptr, 0);
        EXPECT_TRUE(rec.CallsNamed("BitBlt").empty());
    }
}

TEST_F(PrimitivesTest, TextDrawsDottedFrameAndText) {
    auto text = std::make_unique<TextPrimitive>();
    text->SetFrame(TkText, CRect(0, 0, 100, 30));
    text->text = "Hi";
    RecordingDC dc;
    text->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    EXPECT_EQ(dc.CallsNamed("SelectPen")[0], "SelectPen 2 1 0x000000");
    EXPECT_EQ(dc.CallsNamed("Rectangle")[0], "Rectangle 0 0 100 30");
    EXPECT_EQ(dc.CallsNamed("DrawText").size(), 1u);
}

TEST_F(PrimitivesTest, HitTests) {
    auto text = std::make_unique<TextPrimitive>();
    text->SetFrame(TkText, CRect(0, 0, 40, 20));
    int part = 0, knob = 0;
    EXPECT_EQ(text->HitTest(5, 5, part, knob, 0), text.get());
    EXPECT_EQ(part, HpLabel);
    text->textFlags = 0;
    text->HitTest(5, 5, part, knob, 0);
    EXPECT_EQ(part, HpBody);

    auto box = std::make_unique<BoxPrimitive>();
    box->SetFrame(TkRectangle, CRect(0, 0, 40, 20));
    box->labelRect = CRect(0, 0, 40, 20);
    box->HitTest(5, 5, part, knob, 0);
    EXPECT_EQ(part, HpBody);

    auto line = std::make_unique<LinePrimitive>();
    const CPoint pts[] = {{0, 0}, {40, 0}, {40, 40}};
    line->SetPoints(TkPolygon, 3, pts);
    struct Case {
        int x, y, part;
    } cases[] = {{40, 0, HpKnob},
                 {20, 3, HpBody},
                 {20, 20, HpBody} /* closing edge */,
                 {10, 30, HpNone},
                 {30, 10, HpNone}};
    for (const Case& c : cases) {
        part = -1;
        line->HitTest(c.x, c.y, part, knob, 0);
        EXPECT_EQ(part, c.part) << c.x << "," << c.y;
    }
    line->kindCode = TkPolyline;
    line->HitTest(20, 20, part, knob, 0);
    EXPECT_EQ(part, HpNone);
}

TEST_F(PrimitivesTest, FlipAndRotate) {
    auto box = std::make_unique<BoxPrimitive>();
    box->SetFrame(TkRectangle, CRect(0, 0, 40, 20));
    CRect dirty;
    EXPECT_EQ(box->FlipOrRotate(2, CRect(0, 0, 40, 20), dirty), 1);
    EXPECT_EQ(box->bounds, CRect(10, -10, 30, 30));
    EXPECT_EQ(dirty, CRect(-5, -15, 45, 35));
    EXPECT_EQ(box->FlipOrRotate(0, CRect(0, 0, 40, 20), dirty), 0);

    auto icon = std::make_unique<BoxPrimitive>();
    icon->SetFrame(TkIcon, CRect(0, 0, 16, 15));
    dirty = CRect(1, 2, 3, 4);
    EXPECT_EQ(icon->FlipOrRotate(2, icon->bounds, dirty), 0);
    EXPECT_EQ(dirty, CRect(1, 2, 3, 4));

    auto line = std::make_unique<LinePrimitive>();
    const CPoint pts[] = {{0, 0}, {30, 10}, {5, 40}};
    line->SetPoints(TkPolyline, 3, pts);
    const std::vector<CPoint> original = line->vertices;
    for (int mode : {0, 1}) {
        const CRect about = line->bounds;
        line->FlipOrRotate(mode, about, dirty);
        EXPECT_NE(line->vertices, original);
        line->FlipOrRotate(mode, about, dirty);
        EXPECT_EQ(line->vertices, original) << mode;
    }
    const CRect about(0, 0, 40, 40);
    line->FlipOrRotate(2, about, dirty);
    EXPECT_EQ(line->vertices[1], CPoint(10, 10));
    line->FlipOrRotate(3, about, dirty);
    EXPECT_EQ(line->vertices, original);
}

TEST_F(PrimitivesTest, CopiesKeepTextFlagsAndIcon) {
    auto text = std::make_unique<TextPrimitive>();
    text->SetFrame(TkText, CRect(0, 0, 40, 20));
    text->text = "Name";
    text->textFlags = 5;
    auto icon = std::make_unique<BoxPrimitive>();
    icon->SetFrame(TkIcon, CRect(0, 0, 16, 15));
    icon->SetIcon(3);

    std::unique_ptr<Drawable> textCopy(ClonePrimitive(nullptr, nullptr, *text));
    auto* t = dynamic_cast<TextPrimitive*>(textCopy.get());
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->text, "Name");
    EXPECT_EQ(t->textFlags, 5);
    EXPECT_EQ(t->bounds, text->bounds);
    EXPECT_NE(t->guid, text->guid);
    std::unique_ptr<Drawable> iconCopy(ClonePrimitive(nullptr, nullptr, *icon));
    EXPECT_EQ(dynamic_cast<BoxPrimitive*>(iconCopy.get())->icon, 3);

    auto other = std::make_unique<Drawable>();
    other->kindCode = TkPlaceGroup;
    EXPECT_EQ(ClonePrimitive(nullptr, nullptr, *other), nullptr);

    // A copied group keeps its members' texts.
    auto group = std::make_unique<PrimitiveGroup>();
    group->AddMember(ClonePrimitive(nullptr, nullptr, *text));
    std::unique_ptr<Drawable> groupCopy(ClonePrimitive(nullptr, nullptr, *group));
    auto* g = dynamic_cast<PrimitiveGroup*>(groupCopy.get());
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(g->Members().size(), 1u);
    EXPECT_EQ(dynamic_cast<TextPrimitive*>(g->FindTextMember())->text, "Name");
    EXPECT_EQ(g->FindTextMember()->Parent(), g);

    // Clone and Assign copy kind code, flags and text.
    std::unique_ptr<ModelObject> clone = text->Clone();
    EXPECT_EQ(dynamic_cast<TextPrimitive*>(clone.get())->text, "Name");

    // With a document the copy is entered in the model's map: the
    // template's for a tool model, else the project's.
    FakeDocument document(&project, &templ);
    FakeModel model;
    std::unique_ptr<Drawable> inProject = ClonePrimitive(&document, &model, *text);
    EXPECT_EQ(project.Lookup(inProject->guid.Text()), inProject.get());
    struct ToolModel : FakeModel {
        bool IsToolModel() const override { return true; }
    } tool;
    std::unique_ptr<Drawable> inTemplate = ClonePrimitive(&document, &tool, *text);
    EXPECT_EQ(templ.Lookup(inTemplate->guid.Text()), inTemplate.get());
    EXPECT_EQ(project.Lookup(inTemplate->guid.Text()), nullptr);
}

TEST_F(PrimitivesTest, TextPropertyExchange) {
    auto a = std::make_unique<TextPrimitive>();
    auto b = std::make_unique<TextPrimitive>();
    a->text = "old";
    b->text = "new";
    b->textFlags = 4;
    kest::Cell* changes = a->Props(&scope, b.get(), kest::nil, false);
    EXPECT_EQ(print(changes), "(nil (1 4) (\"old\" \"new\"))");
    a->Props(&scope, nullptr, changes, true);
    EXPECT_EQ(a->text, "new");
    EXPECT_EQ(a->textFlags, 4);
    a->Props(&scope, nullptr, changes, false);
    EXPECT_EQ(a->text, "old");
    EXPECT_EQ(a->textFlags, 1);
    EXPECT_NE(failure([&] { a->Props(&scope, nullptr, read("(nil (1 \"x\") nil)"), true); }), "");
}

TEST_F(PrimitivesTest, FindAndReplaceHandsTheOldStateToTheJournal) {
    RecordingJournal journal;
    auto text = std::make_unique<TextPrimitive>();
    text->text = "one two one";
    EXPECT_EQ(text->FindReplaceText(nullptr, "one", "three", RF_MATCH_CASE), 2);
    EXPECT_TRUE(journal.changed.empty());
    EXPECT_EQ(text->FindReplaceText(nullptr, "one", "three", RF_MATCH_CASE | RF_REPLACE), 2);
    EXPECT_EQ(text->text, "three two three");
    ASSERT_EQ(journal.changed.size(), 1u);
    EXPECT_EQ(journal.changed[0], text.get());
    EXPECT_EQ(dynamic_cast<TextPrimitive*>(journal.previousCopies[0].get())->text, "one two one");
    EXPECT_EQ(text->FindReplaceText(nullptr, "zzz", "y", RF_REPLACE), 0);
    EXPECT_EQ(journal.changed.size(), 1u);
}

TEST_F(PrimitivesTest, DrawOnSegmentLaysLinesAlongTheSegment) {
    auto arrow = std::make_unique<LinePrimitive>();
    const CPoint pts[] = {{0, 0}, {10, 5}, {0, 10}};
    arrow->SetPoints(TkPolyline, 3, pts);
    const CRect frame(0, 0, 10, 10);
    RecordingDC dc;
    arrow->DrawOnSegment(dc, 1, &frame, &frame, 0, 0, 100, 0, nullptr, 1.0, 0);
    ASSERT_EQ(dc.CallsNamed("Polyline").size(), 1u);
    // The tip (frame's right) lands on the segment's end.
    EXPECT_NE(dc.CallsNamed("Polyline")[0].find(" 99,0"), std::string::npos)
        << dc.CallsNamed("Polyline")[0];

    auto box = std::make_unique<BoxPrimitive>();
    box->SetFrame(TkEllipse, CRect(0, 0, 10, 10));
    dc.Clear();
    box->DrawOnSegment(dc, 2, &frame, &frame, 0, 0, 100, 0, nullptr, 1.0, 0);
    EXPECT_EQ(dc.CallsNamed("Ellipse").at(0), "Ellipse 45 -5 55 5");
}

} // namespace
} // namespace qm::test
