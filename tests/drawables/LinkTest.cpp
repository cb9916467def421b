// Links: construction and connection, the link record with its older form
// and refused forms, the three reroute regimes, middle bends, self loops,
// stepped paths, tool binding, drawing with the tool's decorations, knobs
// and hit tests.
#include "drawables/Link.h"
#include "drawables/DrawableFactory.h"
#include "drawables/Junction.h"
#include "drawables/Place.h"
#include "platform/Format.h"
#include "platform/RecordingDC.h"
#include "platform/UserSettings.h"
#include "tests/drawables/DrawableFixture.h"
#include "tests/drawables/FakeTool.h"

namespace qm::test {
namespace {

class LinkTest : public DrawableTest {
  protected:
    LinkTest() {
        linkTool.RegisterIn(templ);
        standIn.RegisterIn(templ);
        master.SetToolAndName(&placeTool, "Shape", "");
        a = NewPlace(CRect(0, 0, 100, 60));
        b = NewPlace(CRect(300, 200, 400, 260));
    }
    ~LinkTest() override {
        for (auto it = made.rbegin(); it != made.rend(); ++it)
            DiscardDrawable(std::move(*it), &scope);
    }
    template <class T> T* Keep(std::unique_ptr<T> d) {
        T* held = d.get();
        made.push_back(std::move(d));
        return held;
    }
    Place* NewPlace(const CRect& r) {
        Place* p = Keep(std::make_unique<Place>(&project));
        p->Setup(TkFirstPlace, r, &master, false);
        return p;
    }
    Link* NewLink(NodeDrawable* from, Drawable* to, int style = 0) {
        Link* l = Keep(std::make_unique<Link>(&project));
        l->Connect(0, &linkTool, from, to, style);
        return l;
    }
    Link* Make(const std::string& text) {
        std::unique_ptr<Drawable> d = CreateDrawableFromRecord(read(text), &scope);
        return d != nullptr ? static_cast<Link*>(Keep(std::move(d))) : nullptr;
    }
    std::string Write(Drawable* d) { return print(d->Persist(&scope, kest::nil)); }

    FakeTool placeTool{10, false};
    FakeTool linkTool{0, true};
    FakeTool standIn{9, true};
    Master master;
    Place* a;
    Place* b;
    std::vector<std::unique_ptr<Drawable>> made;
};

const char* const kLinkBase = "0 \"L0000000000001\" (0 0 10 10) (0 0 10 10) (0 0 10 10) 2 0 "
                              "(nil 1 -12 0 0 4 15 0) \"\"";

std::string LinkRecord(const std::string& vertices, const std::string& texts, int tool = 0) {
    return "(link \"\" \"\" " + vertices + " 3 \"n\" \"s\" \"r%%1\" \"%%\" \"c\" " + texts +
           " (0 0 0 0) (0 0 0 0) (0 0 0 0) " + std::to_string(tool) + " " + kLinkBase + ")";
}

TEST_F(LinkTest, ANewLinkAndItsConnection) {
    Link fresh;
    EXPECT_EQ(fresh.sourceEnd, "%%");
    EXPECT_EQ(fresh.targetEnd, "%%");
    EXPECT_EQ(fresh.access, 3);
    EXPECT_EQ(fresh.options, LoGenCode);
    EXPECT_EQ(fresh.kind, DkLink);
    fresh.SetDetached();

    Link* l = NewLink(a, b);
    ASSERT_EQ(l->VertexCount(), 2);
    // Both ends on the borders, on the line between the centres.
    auto onOutline = [](const CRect& r, CPoint p) {
        return std::abs(p.x - r.left) <= 1 || std::abs(p.x - r.right) <= 1 ||
               std::abs(p.y - r.top) <= 1 || std::abs(p.y - r.bottom) <= 1;
    };
    EXPECT_TRUE(onOutline(a->bounds, l->Vertices()[0]));
    EXPECT_TRUE(onOutline(b->bounds, l->Vertices()[1]));
    EXPECT_EQ(l->savedSourceBounds, a->bounds);
    EXPECT_EQ(l->savedTargetBounds, b->bounds);
    // The label: the label frame deflated by a quarter, then narrowed.
    EXPECT_EQ(l->labelRect.Width(), 20);
    EXPECT_EQ(l->labelRect.Height(), 16);
}

// The name label goes to the middle of its segment whatever its place
// before, on either side of the origin: a nudge and its undo leave the
// label where a fresh layout puts it.
TEST_F(LinkTest, TheNameLabelGoesToTheMiddleWhereverItStood) {
    struct Case {
        const char* what;
        CRect from, to; // the places
    };
    const Case cases[] = {
        {"positive", CRect(0, 0, 100, 60), CRect(300, 200, 400, 260)},
        {"middle at the origin", CRect(-101, -61, -1, -1), CRect(0, 0, 100, 60)},
        {"negative", CRect(-401, -261, -301, -201), CRect(-101, -61, -1, -1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Link* l = NewLink(NewPlace(c.from), NewPlace(c.to));
        CRect first;
        for (const CPoint at : {CPoint(-37, -23), CPoint(-11, -8), CPoint(0, 0), CPoint(-10, -7),
                                CPoint(55, 40), CPoint(-200, -150)}) {
            // An odd width and height, so a half rounds.
            l->labelRect = CRect(at.x, at.y, at.x + 21, at.y + 15);
            l->LayoutName();
            if (first.IsRectEmpty())
                first = l->labelRect;
            EXPECT_EQ(l->labelRect, first) << at.x << "," << at.y;
        }
        EXPECT_EQ(first.Width(), 21);
        EXPECT_EQ(first.Height(), 15);
    }
}

TEST_F(LinkTest, RecordRoundTripsAndReadsTheOlderForm) {
    const std::string record = LinkRecord("(0 0 50 0 50 40)", "\"f\" \"t\" 5 1");
    Link* l = Make(record);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(Write(l), record);
    EXPECT_EQ(l->Tool(), &linkTool);

    // Without the attached file and the type: both empty, the options from
    // the next integer.
    Link* old = Make(LinkRecord("(0 0 50 0)", "7 0"));
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->file, "");
    EXPECT_EQ(old->type, "");
    EXPECT_EQ(old->options, 7);
    EXPECT_NE(Write(old).find("\"c\" \"\" \"\" 7 0 "), std::string::npos);
}

// A record's repaint rectangle may be a placeholder: once read, the link's
// covers what it draws, while the name stays where it was read and the
// record is written as it was read until the link changes.
TEST_F(LinkTest, AReadLinkCoversWhatItDrawsAndWritesItsRecordAsRead) {
    const std::string record =
        "(link \"\" \"\" (400 300 600 300 600 500) 3 \"n\" \"s\" \"r%%1\" \"%%\" \"c\" "
        "\"\" \"\" 1 1 (560 390 610 410) (380 280 410 296) (590 500 620 516) 0 "
        "0 \"L0000000000001\" (0 0 10 10) (0 0 10 10) (550 380 620 420) 2 0 "
        "(nil 1 -12 0 0 4 15 0) \"\")";
    Link* l = Make(record);
    ASSERT_NE(l, nullptr);
    const CRect cover = l->repaintRect;
    for (const CPoint& v : l->Vertices())
        EXPECT_TRUE(cover.PtInRect(v)) << v.x << "," << v.y;
    for (const CRect& r : {l->labelRect, l->nameRect, l->sourceLabelRect, l->targetLabelRect}) {
        CRect both;
        both.UnionRect(cover, r);
        EXPECT_EQ(both, cover);
    }
    // The end decorations reach one box diagonal along each end segment.
    EXPECT_LE(cover.left, 400 - 5);
    EXPECT_GE(cover.bottom, 500 + 5);
    EXPECT_FALSE(cover.PtInRect(CPoint(5, 5)));
    // Nothing that is drawn or saved moved.
    EXPECT_EQ(l->labelRect, CRect(550, 380, 620, 420));
    EXPECT_EQ(l->nameRect, CRect(560, 390, 610, 410));
    EXPECT_EQ(l->bounds, CRect(0, 0, 10, 10));
    EXPECT_EQ(Write(l), record);

    // Moved, the record holds the live rectangle; moved back, the record
    // is the one read again.
    CRect dirty;
    l->MoveBy(30, 20, dirty);
    const std::string moved = Write(l);
    EXPECT_NE(moved.find(Format("(%d %d %d %d)", cover.left + 30, cover.top + 20, cover.right + 30,
                                cover.bottom + 20)),
              std::string::npos)
        << moved;
    l->MoveBy(-30, -20, dirty);
    EXPECT_EQ(Write(l), record);
}

TEST_F(LinkTest, BadRecordsAreRefused) {
    std::string many = "(";
    for (int i = 0; i < 65; ++i)
        many += std::to_string(i) + " 0 ";
    many += ")";
    const std::string cases[] = {
        LinkRecord(many, "\"\" \"\" 1 0"),      LinkRecord("(0 0)", "\"\" \"\" 1 0"),
        LinkRecord("(0 0 1)", "\"\" \"\" 1 0"), LinkRecord("(0 0 5 5)", "\"\" \"\" x 0"),
        LinkRecord("(0 0 5 5)", "\"\" \"\" 1"), "(link)",
    };
    for (const std::string& text : cases) {
        EXPECT_THROW(Make(text), CKestException) << text;
        EXPECT_EQ(project.Lookup("L0000000000001"), nullptr) << text;
    }
    // 64 vertices are fine.
    std::string full = "(";
    for (int i = 0; i < 64; ++i)
        full += std::to_string(i) + " 0 ";
    full += ")";
    ASSERT_NE(Make(LinkRecord(full, "\"\" \"\" 1 0")), nullptr);
}

TEST_F(LinkTest, AnUnknownToolIsReportedAndDrawnAsNotInTemplate) {
    Link* l = Make(LinkRecord("(0 0 100 0)", "\"\" \"\" 1 0", 42));
    ASSERT_NE(l, nullptr);
    EXPECT_NE(l->flags & MoToolMissing, 0u);
    EXPECT_EQ(l->Tool(), &standIn);
    EXPECT_NE(log.Text().find("Warning: link tool not in template (Tool=42, Link=n)\r\n"),
              std::string::npos)
        << log.Text();
    EXPECT_EQ(l->labelRect.Width(), 70);
    EXPECT_EQ(l->labelRect.Height(), 32);
    RecordingDC dc;
    l->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    bool warned = false;
    for (const std::string& call : dc.CallsNamed("DrawText"))
        warned = warned || call.find("Not in Template!") != std::string::npos;
    EXPECT_TRUE(warned);
    // Saving keeps the link's own tool number.
    EXPECT_NE(Write(l).find(" 42 0 \"L"), std::string::npos);
}

TEST_F(LinkTest, SelfLoopsAndMiddleBends) {
    Link* loop = NewLink(a, a);
    loop->guid.SetText("AAAA0000000000A");
    loop->MakeSelfLoop();
    ASSERT_EQ(loop->VertexCount(), 4);
    CRect outer = a->bounds;
    outer.InflateRect(50, 50);
    for (int i : {1, 2}) {
        const CPoint v = loop->Vertices()[size_t(i)];
        EXPECT_TRUE(v.x == outer.left || v.x == outer.right || v.y == outer.top ||
                    v.y == outer.bottom)
            << v.x << "," << v.y;
    }
    loop->MakeSelfLoop(); // 3 or more vertices: nothing
    EXPECT_EQ(loop->VertexCount(), 4);

    struct Case {
        const char* id;
        int offset; // with a 1000-unit link
    } cases[] = {{"ZZZZ", 40}, {"AAAA", 40}, {"9AAA", 100}, {"3AAA", 40}, {"8AAA", 100}};
    for (const Case& c : cases) {
        Link* l = NewLink(a, b);
        l->guid.SetText((std::string(c.id) + "00000000000").c_str());
        l->SetVertices({CPoint(0, 0), CPoint(1000, 0)});
        l->SetSource(nullptr);
        l->SetTarget(nullptr);
        l->AddMidBend();
        ASSERT_EQ(l->VertexCount(), 3) << c.id;
        EXPECT_EQ(l->Vertices()[1], CPoint(500 + c.offset, c.offset)) << c.id;
        l->AddMidBend();
        EXPECT_EQ(l->VertexCount(), 3);
    }
}

TEST_F(LinkTest, SteppedPaths) {
    Link* l = NewLink(a, b, LoStepped);
    // Connecting a stepped link leaves the ends where they were.
    EXPECT_EQ(l->Vertices()[0], CPoint());
    CRect dirty(1, 2, 3, 4);
    int16_t knob = 1;
    EXPECT_EQ(l->KeepStepped(dirty, &knob), 0);
    EXPECT_EQ(dirty, CRect(1, 2, 3, 4));

    l->SetVertices({CPoint(100, 30), CPoint(300, 230)});
    EXPECT_EQ(l->MakeStepped(), 1);
    ASSERT_EQ(l->VertexCount(), 3);
    EXPECT_EQ(l->Vertices()[1], CPoint(300, 30));

    // A node that did not move leaves the end alone; a moved one keeps the
    // end at its relative place.
    l->Reroute(0x3, false);
    EXPECT_EQ(l->Vertices()[0], CPoint(100, 30));
    CRect moved;
    a->MoveBy(0, 100, moved);
    l->Reroute(0x1, false);
    EXPECT_EQ(l->Vertices()[0], CPoint(99, 130));
    EXPECT_EQ(l->savedSourceBounds, a->bounds);

    // Collinear vertices go.
    l->SetVertices({CPoint(100, 30), CPoint(200, 30), CPoint(300, 30), CPoint(300, 200)});
    knob = 3;
    EXPECT_EQ(l->KeepStepped(dirty, &knob), 1);
    EXPECT_EQ(l->VertexCount(), 3);
    EXPECT_EQ(knob, 2);
}

TEST_F(LinkTest, ReroutingRegimes) {
    // A target that is a link keeps its end and saved bounds.
    Link* first = NewLink(a, b);
    Link* onLink = NewLink(a, first);
    onLink->SetVertices({CPoint(10, 10), CPoint(777, 555)});
    const CRect saved = onLink->savedTargetBounds;
    onLink->Reroute(0x3, true);
    EXPECT_EQ(onLink->Vertices()[1], CPoint(777, 555));
    EXPECT_EQ(onLink->savedTargetBounds, saved);

    // Message ends sit beside the life lines.
    a->lifeLinePoint = CPoint(50, 400);
    b->lifeLinePoint = CPoint(350, 400);
    Link* message = NewLink(a, b, LoMessageEnds);
    message->SetVertices({CPoint(0, 120), CPoint(500, 300)});
    message->Reroute(0x3, false);
    EXPECT_EQ(message->Vertices()[0], CPoint(54, 120));
    EXPECT_EQ(message->Vertices()[1], CPoint(346, 120));
}

TEST_F(LinkTest, DrawingDecoratesTheTargetEndAndCurves) {
    Link* l = NewLink(a, b);
    l->SetVertices({CPoint(100, 100), CPoint(300, 100)});
    l->UpdateRepaintRect();
    RecordingDC dc;
    l->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    EXPECT_EQ(dc.CallsNamed("Polyline").front(), "Polyline 2 100,100 300,100");
    // The arrowhead (right of the tool's sample frame) ends at the target.
    const auto polygons = dc.CallsNamed("Polygon");
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_TRUE(polygons[0].find(" 300,100") != std::string::npos ||
                polygons[0].find(" 299,100") != std::string::npos)
        << polygons[0];
    EXPECT_EQ(polygons[0].find("100,100"), std::string::npos) << polygons[0];

    l->options |= LoCurved;
    dc.Clear();
    l->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    EXPECT_FALSE(dc.CallsNamed("Polyline").empty()); // two vertices: straight
    l->SetVertices({CPoint(0, 0), CPoint(10, 0), CPoint(20, 5), CPoint(30, 0), CPoint(40, 0)});
    dc.Clear();
    l->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    ASSERT_EQ(dc.CallsNamed("PolyBezier").size(), 1u);
    EXPECT_EQ(dc.CallsNamed("PolyBezier")[0], "PolyBezier 4 0,0 10,0 30,0 40,0");
}

TEST_F(LinkTest, KnobsAndHitTests) {
    Link* l = NewLink(a, b);
    l->SetVertices({CPoint(100, 100), CPoint(300, 100), CPoint(300, 200)});
    l->name = "owns";
    l->UpdateRepaintRect();
    CRect knobs[kKnobRoom];
    const int count = l->GetKnobRects(knobs);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(knobs[1], CRect(298, 98, 303, 103));
    struct Case {
        int x, y, part;
    } cases[] = {
        {300, 100, HpKnob},
        {200, 103, HpBody},
        {302, 185, HpBody},
        {200, 120, HpNone},
    };
    for (const Case& c : cases) {
        int part = -1, knob = -1;
        Drawable* hit = l->HitTest(c.x, c.y, part, knob, 0);
        EXPECT_EQ(part, c.part) << c.x << "," << c.y;
        EXPECT_EQ(hit, c.part == HpNone ? nullptr : l);
    }
    const CPoint inName = l->nameRect.CenterPoint();
    int part = -1, knob = -1;
    l->HitTest(inName.x, inName.y, part, knob, 0);
    EXPECT_EQ(part, HpLabel);
    EXPECT_EQ(l->HitSegment(300, 185), 1);
    EXPECT_EQ(l->NearestSegment(290, 190), 1);
    EXPECT_TRUE(l->IsOnPath(200, 107));
}

} // namespace
} // namespace qm::test

namespace qm::test {
namespace {

TEST_F(LinkTest, PropertyExchangeFindAndReplaceAndCollecting) {
    Link* mine = NewLink(a, b);
    Link* other = NewLink(a, b);
    other->name = "holds";
    other->options = LoGenCode | LoCurved;
    other->SetTool(&standIn);
    kest::Cell* diff = mine->Props(&scope, other, kest::nil, false);
    EXPECT_EQ(print(diff), "(nil nil (\"\" \"holds\") nil nil nil (1 5) nil nil nil (0 9))");
    mine->Props(&scope, nullptr, diff, true);
    EXPECT_EQ(mine->name, "holds");
    EXPECT_EQ(mine->options, LoGenCode | LoCurved);
    EXPECT_EQ(mine->Tool(), &standIn);
    mine->Props(&scope, nullptr, diff, false);
    EXPECT_EQ(mine->name, "");
    EXPECT_EQ(mine->Tool(), &linkTool);

    RecordingJournal journal;
    mine->name = "order";
    mine->comment = "order lines";
    EXPECT_EQ(mine->FindReplaceText(nullptr, "order", "item", 0x1), 1);
    EXPECT_EQ(mine->FindReplaceText(nullptr, "order", "item", 0), 2);
    EXPECT_TRUE(journal.changed.empty());
    EXPECT_EQ(mine->FindReplaceText(nullptr, "order", "item", 0x8), 2);
    EXPECT_EQ(mine->name, "item");
    EXPECT_EQ(mine->comment, "item lines");
    ASSERT_EQ(journal.changed.size(), 1u);
    EXPECT_EQ(static_cast<Link*>(journal.previousCopies[0].get())->name, "order");

    // The link tool's semantics decide the list; an inheritance between
    // places of one master is not collected.
    DrawableRefList inheritances, realizations, compositions, others;
    mine->CollectIfConnected(&master, &inheritances, &realizations, &compositions, &others);
    EXPECT_TRUE(inheritances.empty());
    Master second;
    second.SetToolAndName(&placeTool, "Circle", "");
    Place* c = NewPlace(CRect(0, 400, 100, 460));
    c->master = &second;
    Link* up = NewLink(a, c);
    up->CollectIfConnected(&master, &inheritances, &realizations, &compositions, &others);
    EXPECT_EQ(inheritances.size(), 1u);
    up->CollectIfConnected(&second, &inheritances, &realizations, &compositions, &others);
    EXPECT_EQ(inheritances.size(), 1u);
    c->master = &master;
}

} // namespace
} // namespace qm::test

namespace qm::test {
namespace {

TEST_F(LinkTest, EndTextsAreMeasuredAndDrawnOnlyWhenTheSettingsAskForThem) {
    Link* l = NewLink(a, b);
    l->sourceEnd = "role%%1";
    RecordingDC dc;
    dc.SetFixedMetrics(6, 12);
    l->MeasureEndLabels(dc);
    // The label holds the text as shown, "role #1", with a tenth and two
    // units on each side to spare; "%%" shows nothing and takes no room.
    EXPECT_EQ(l->sourceLabelRect.Width(), 7 * 6 + 4 + 4);
    EXPECT_EQ(l->sourceLabelRect.Height(), 12 + 1 + 2);
    EXPECT_TRUE(l->targetLabelRect.IsRectEmpty());
    auto endTexts = [&] {
        dc.Clear();
        l->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
        std::vector<std::string> texts;
        for (const std::string& call : dc.CallsNamed("DrawText"))
            texts.push_back(call.substr(0, call.find("\" ") + 1));
        return texts;
    };
    EXPECT_TRUE(endTexts().empty());
    FixedUserSettings settings(ShowLinkCardinalities);
    ScopedInstall<const UserSettings> installed(&settings);
    // "%%" shows nothing; the other end shows the role, a blank, "#" and the cardinality.
    EXPECT_EQ(endTexts(), std::vector<std::string>{"DrawText \"role #1\""});
}

} // namespace
} // namespace qm::test

namespace qm::test {
namespace {

TEST_F(LinkTest, LinksBindToJunctionsThroughTheirModel) {
    Junction* port = a->AddJunction(&project, 100, 30, 401);
    Link* l = NewLink(port, b);
    const std::string record = Write(l);
    FakeModel model;
    Place* held = model.Add(std::make_unique<Place>());
    held->guid.SetText(a->guid.Text());
    GuidMap other;
    GuidScope again(&other, &templ);
    std::unique_ptr<Drawable> back = CreateDrawableFromRecord(read(record), &again);
    ASSERT_NE(back, nullptr);
    // The model's own search does not see the junction: the link finds it
    // among its place's junctions.
    auto* copy = static_cast<Link*>(back.get());
    copy->ResolveRefs(nullptr, &again, &model);
    EXPECT_EQ(copy->GetSource(), nullptr); // the model holds a place without that junction
    held->AttachJunction(std::make_unique<Junction>());
    held->Junctions().back()->guid.SetText(port->guid.Text());
    std::unique_ptr<Drawable> second = CreateDrawableFromRecord(read(record), &again);
    static_cast<Link*>(second.get())->ResolveRefs(nullptr, &again, &model);
    EXPECT_EQ(static_cast<Link*>(second.get())->GetSource(), held->Junctions().back().get());
    DiscardDrawable(std::move(back), &again);
    DiscardDrawable(std::move(second), &again);
}

} // namespace
} // namespace qm::test

namespace qm::test {
namespace {

TEST_F(LinkTest, NameStereotypeAndAttachmentEdgeCases) {
    Link* l = NewLink(a, b);
    l->SetVertices({CPoint(100, 100), CPoint(100, 100), CPoint(300, 100)});
    l->UpdateRepaintRect();
    l->stereotype = "uses";
    l->name = "hidden";
    // With an empty name rectangle only the stereotype shows, not the name.
    l->nameRect.SetRectEmpty();
    RecordingDC dc;
    l->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    std::vector<std::string> texts;
    for (const std::string& call : dc.CallsNamed("DrawText"))
        texts.push_back(call.substr(0, call.find("\" ") + 1));
    EXPECT_EQ(texts, std::vector<std::string>{"DrawText \"\xC2\xABuses\xC2\xBB\""});

    // A click on the name of a link with an attached file: the hyperlink
    // only with the setting and without Shift or Control.
    l->UpdateRepaintRect();
    l->file = "notes.txt";
    const CPoint in = l->nameRect.CenterPoint();
    FixedUserSettings settings(ShowHyperLinks);
    struct Case {
        bool option;
        int flags;
        int part;
    } cases[] = {
        {false, 0, HpLabel}, {true, 0, HpAttachment}, {true, 0x4, HpLabel}, {true, 0x8, HpLabel}};
    for (const Case& c : cases) {
        ScopedInstall<const UserSettings> installed(c.option ? &settings : nullptr);
        int part = -1, knob = -1;
        l->HitTest(in.x, in.y, part, knob, c.flags);
        EXPECT_EQ(part, c.part) << c.option << " " << c.flags;
    }
}

} // namespace
} // namespace qm::test
