// Places and junctions: the place record with its older forms and its
// junctions, refused records, set-up, hit parts, resizing, the master's
// use count, junction glyphs, snapping and labels, and the text layout and
// auto size of the symbol.
#include "drawables/Place.h"
#include "drawables/DrawableFactory.h"
#include "drawables/Junction.h"
#include "drawables/Primitives.h"
#include "drawables/SymbolDrawing.h"
#include "model/MasterCollection.h"
#include "platform/RecordingDC.h"
#include "platform/UserSettings.h"
#include "tests/drawables/DrawableFixture.h"
#include "tests/drawables/FakeTool.h"

#include <set>

namespace qm::test {
namespace {

class PlaceTest : public DrawableTest {
  protected:
    PlaceTest() {
        classTool.RegisterIn(templ);
        master.SetToolAndName(&classTool, "Customer", "");
        master.guid.SetText("M0000000000001");
        project.Add(&master);
    }
    ~PlaceTest() override {
        for (auto& d : made)
            DiscardDrawable(std::move(d), &scope);
        project.Remove(&master);
    }
    Drawable* Make(const std::string& text) {
        std::unique_ptr<Drawable> d = CreateDrawableFromRecord(read(text), &scope);
        Drawable* held = d.get();
        if (d != nullptr)
            made.push_back(std::move(d));
        return held;
    }
    Place* NewPlace(const CRect& r, bool compartments = false) {
        auto owned = std::make_unique<Place>(&project);
        Place* p = owned.get();
        made.push_back(std::move(owned));
        p->Setup(TkFirstPlace, r, &master, compartments);
        p->AddMasterReference();
        return p;
    }
    std::string Write(Drawable* d) { return print(d->Persist(&scope, kest::nil)); }

    FakeTool classTool{10, false};
    Master master;
    std::vector<std::unique_ptr<Drawable>> made;
};

const char* const kBase =
    "10 \"P0000000000001\" (0 0 100 60) (-5 -5 105 65) (3 3 97 57) 1 0 (nil 1 -12 0 0 4 15 0) \"\"";

std::string PlaceRecord(const std::string& middle) {
    return "(place \"M0000000000001\" " + middle + " " + kBase + ")";
}

TEST_F(PlaceTest, RecordReadsOlderFormsAndWritesTheFlagList) {
    struct Case {
        const char* middle;
        uint32_t flags;
        const char* label;
        const char* written; // the elements after the master id, up to the junctions
    } cases[] = {
        {"t t \"\"", 3, "", "(3) \"\""},
        {"t nil \"\"", 1, "", "(1) \"\""},
        {"nil t", 2, "", "(2) \"\""},
        {"(4) \"?\"", 4, "", "(4) \"?\""},
        {"(2) \"?\"", 6, "", "(6) \"?\""},
        {"(2) \"a\"", 6, "a", "(6) \"a\""},
        {"(2) \"\" (junctions)", 2, "", "(2) \"\""},
    };
    for (const Case& c : cases) {
        auto* p = static_cast<Place*>(Make(PlaceRecord(c.middle)));
        ASSERT_NE(p, nullptr) << c.middle;
        EXPECT_EQ(p->placeFlags, c.flags) << c.middle;
        EXPECT_EQ(p->label, c.label) << c.middle;
        const std::string written = Write(p);
        EXPECT_NE(written.find(std::string("\"M0000000000001\" ") + c.written + " (junctions)"),
                  std::string::npos)
            << written;
        DiscardDrawable(std::move(made.back()), &scope);
        made.pop_back();
    }
}

TEST_F(PlaceTest, BadRecordsAreRefusedAndLeaveNothingRegistered) {
    const std::string junction =
        "(0 \"J0000000000001\" \"P0000000000001\" (0 30) 1 (-8 22 8 38) (0 0 0 0) (0 0 0 0) \"\")";
    const std::string cases[] = {
        "(place)",
        "(place \"M0000000000001\" (x) \"\" " + std::string(kBase) + ")",
        "(place \"M0000000000001\" (2) \"\" (junctions (0 \"J\")) " + std::string(kBase) + ")",
        "(place \"M0000000000001\" (2) \"\" (junctions " + junction.substr(0, junction.size() - 4) +
            ")) " + std::string(kBase) + ")",
        "(place \"M0000000000001\" (2) \"\" (junctions (0 \"J0000000000001\" \"P\" (0 30) 9 (0 0 0 "
        "0) (0 0 0 0) (0 0 0 0) \"\")) " +
            std::string(kBase) + ")",
        // A place record that says it is a link.
        "(place \"\" (2) \"\" 10 \"P0000000000001\" (0 0 1 1) (0 0 1 1) (0 0 1 1) 2 0 nil \"\")",
        "(place (1) (2) \"\" " + std::string(kBase) + ")",
    };
    for (const std::string& text : cases) {
        EXPECT_THROW(Make(text), CKestException) << text;
        EXPECT_EQ(project.Lookup("P0000000000001"), nullptr) << text;
        EXPECT_EQ(project.Lookup("J0000000000001"), nullptr) << text;
    }
}

TEST_F(PlaceTest, JunctionsRoundTripAndBindToTheirPlace) {
    const std::string record = PlaceRecord(
        "(2) \"\" (junctions (1 \"J0000000000001\" \"P0000000000001\" (0 30) 1 (-32 22 0 38) "
        "(-42 17 5 65) (-19 40 -4 60) \"port\"))");
    auto* p = static_cast<Place*>(Make(record));
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->Junctions().size(), 1u);
    Junction* j = p->Junctions()[0].get();
    EXPECT_EQ(j->Pivot(), p);
    EXPECT_EQ(project.Lookup("J0000000000001"), j);
    EXPECT_EQ(j->GetMaster(), nullptr); // the master binds in ResolveRefs
    p->ResolveRefs(nullptr, &scope, static_cast<DrawableModel*>(nullptr));
    EXPECT_EQ(j->GetMaster(), &master);
    EXPECT_EQ(master.refCount, 1);
    EXPECT_EQ(Write(p), record);
}

TEST_F(PlaceTest, PastingAPlaceWithJunctionsIntoItsOwnModelGivesNewIds) {
    Place* original = NewPlace(CRect(0, 0, 100, 60));
    original->AddJunction(&project, 0, 20, 400);
    original->AddJunction(&project, 100, 40, 401);
    const std::string record = Write(original);

    GuidTree readMap(GuidTree::TextKeys);
    scope.readMap = &readMap;
    auto* copy = static_cast<Place*>(Make(record));
    scope.readMap = nullptr;
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->Junctions().size(), 2u);
    std::set<std::string> ids;
    for (Place* p : {original, copy}) {
        for (const auto& j : p->Junctions()) {
            ids.insert(j->guid.Text());
            EXPECT_EQ(project.Lookup(j->guid.Text()), j.get());
        }
    }
    EXPECT_EQ(ids.size(), 4u);
    EXPECT_NE(std::string(copy->guid.Text()), original->guid.Text());
}

TEST_F(PlaceTest, AJunctionIdTakenOutsideAPasteIsAFormatError) {
    const std::string first = PlaceRecord(
        "(2) \"\" (junctions (1 \"J0000000000001\" \"P0000000000001\" (0 30) 1 (-32 22 0 38) "
        "(-42 17 5 65) (-19 40 -4 60) \"port\"))");
    ASSERT_NE(Make(first), nullptr);
    Drawable* holder = static_cast<Drawable*>(project.Lookup("J0000000000001"));
    // Another place whose junction names the same id.
    std::string second = first;
    for (size_t at; (at = second.find("P0000000000001")) != std::string::npos;)
        second.replace(at, 14, "P0000000000002");

    const std::string got = failure([&] { Make(second); });
    EXPECT_NE(got.find("id"), std::string::npos) << got;
    EXPECT_EQ(project.Lookup("P0000000000002"), nullptr);
    EXPECT_EQ(project.Lookup("J0000000000001"), holder);

    // A paste gives the copy's junction a new id instead.
    GuidTree readMap(GuidTree::TextKeys);
    scope.readMap = &readMap;
    auto* pasted = static_cast<Place*>(Make(second));
    scope.readMap = nullptr;
    ASSERT_NE(pasted, nullptr);
    ASSERT_EQ(pasted->Junctions().size(), 1u);
    EXPECT_NE(std::string(pasted->Junctions()[0]->guid.Text()), "J0000000000001");
    EXPECT_EQ(project.Lookup("J0000000000001"), holder);
}

TEST_F(PlaceTest, WithoutAMasterNothingIsDrawnAndTheIdIsEmpty) {
    auto owned = std::make_unique<Place>(&project);
    Place* p = owned.get();
    made.push_back(std::move(owned));
    p->Setup(TkFirstPlace, CRect(0, 0, 80, 40), nullptr, false);
    RecordingDC dc;
    p->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    EXPECT_TRUE(dc.calls.empty());
    EXPECT_FALSE(p->HasAttachment());
    EXPECT_EQ(Write(p).rfind("(place \"\" (2) \"\" (junctions) ", 0), 0u);
    EXPECT_EQ(p->labelRect, CRect(3, 3, 77, 37));
}

TEST_F(PlaceTest, HitPartsOfTheParameterBoxAndJunctions) {
    Place* p = NewPlace(CRect(0, 0, 140, 100));
    EXPECT_EQ(p->LayoutParameterBox(nullptr, p->looks), 10);
    // The compartment frame of the tool lies in the upper left: the box
    // overlaps the top-left corner. No parameters: 10 high, 22 wide.
    EXPECT_EQ(p->parameterBox, CRect(-11, -6, 11, 4));
    int part = -1, knob = -1;
    EXPECT_EQ(p->HitTest(-9, -5, part, knob, 0), p);
    EXPECT_EQ(part, HpBody);

    Junction* first = p->AddJunction(&project, 140, 50, 400);
    Junction* second = p->AddJunction(&project, 140, 52, 404);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(p->AddJunction(&project, 0, 0, 406), nullptr);
    EXPECT_EQ(p->HitTest(141, 51, part, knob, 0), first);
    EXPECT_EQ(part, HpJunctionGlyph);
    EXPECT_EQ(p->JunctionAt(141, 51, false), first);
}

TEST_F(PlaceTest, OnlyALinkToTextMakesTheNameAHyperlink) {
    // The label and name rectangles span the place, as a class tool without
    // a name frame leaves them; the master names the file its code goes to.
    Place* p = NewPlace(CRect(0, 0, 100, 60));
    p->labelRect = p->nameRect = CRect(3, 3, 97, 57);
    master.file = "customer.h";
    FixedUserSettings settings(ShowHyperLinks);
    ScopedInstall<const UserSettings> installed(&settings);
    struct Case {
        const char* link;
        int flags;
        int part;
    } cases[] = {{"", 0, HpLabel},
                 {"notes.html", 0, HpAttachment},
                 {"notes.html", 0x4, HpLabel},
                 {"notes.html", 0x8, HpLabel}};
    for (const Case& c : cases) {
        master.link = c.link;
        int part = -1, knob = -1;
        EXPECT_EQ(p->HitTest(50, 30, part, knob, c.flags), p);
        EXPECT_EQ(part, c.part) << c.link << " " << c.flags;
        EXPECT_EQ(p->HasAttachment(), *c.link != 0);
    }
    master.link.clear();
    master.file.clear();
}

TEST_F(PlaceTest, ResizingKeepsJunctionsOnTheBorderAndMovingTakesThemAlong) {
    Place* p = NewPlace(CRect(0, 0, 100, 60));
    Junction* j = p->AddJunction(&project, 100, 30, 400);
    ASSERT_EQ(j->side, JsRight);
    p->SetBounds(CRect(0, 0, 200, 120));
    EXPECT_EQ(j->point, CPoint(200, 60));
    EXPECT_EQ(j->side, JsRight);
    CRect dirty;
    p->MoveBy(10, 5, dirty);
    EXPECT_EQ(j->point, CPoint(210, 65));
    EXPECT_EQ(j->bounds, CRect(202, 57, 218, 73));
    EXPECT_TRUE(p->repaintRect.left <= j->repaintRect.left &&
                p->repaintRect.right >= j->repaintRect.right);
}

TEST_F(PlaceTest, JunctionSnappingGlyphsAndLabels) {
    Place* p = NewPlace(CRect(0, 0, 100, 60));
    // A point at a corner goes to the left or right side.
    Junction* corner = p->AddJunction(&project, 0, 0, 400);
    EXPECT_EQ(corner->side, JsLeft);
    Junction* other = p->AddJunction(&project, 100, 60, 400);
    EXPECT_EQ(other->side, JsRight);
    // A new junction gets a 15 x 20 label beside its glyph.
    EXPECT_EQ(corner->labelRect, CRect(-19, 10, -4, 30));

    struct Case {
        int kind, side;
        CRect glyph;
    } cases[] = {
        {JkBox, JsTop, {42, -8, 58, 8}},
        {JkLollipop, JsLeft, {-32, 22, 0, 38}},
        {JkLollipop, JsBottom, {42, 60, 58, 92}},
        {JkSocket, JsRight, {100, 22, 124, 38}},
        {JkBarredBox, JsLeft, {-6, 12, 6, 48}},
        {JkBarredBox, JsTop, {32, -6, 68, 6}},
        {JkCrossedCircle, JsBottom, {42, 52, 58, 68}},
    };
    for (const Case& c : cases) {
        const CPoint at = c.side == JsLeft    ? CPoint(0, 30)
                          : c.side == JsRight ? CPoint(100, 30)
                          : c.side == JsTop   ? CPoint(50, 0)
                                              : CPoint(50, 60);
        Junction* j = p->AddJunction(&project, at.x, at.y, 400 + c.kind);
        EXPECT_EQ(j->side, c.side) << c.kind;
        EXPECT_EQ(j->bounds, c.glyph) << c.kind << " " << c.side;
    }
    // A lollipop on the left takes link ends on its outer 17 x 16 box only.
    Junction* lollipop = p->AddJunction(&project, 0, 30, 401);
    CPoint hit;
    ASSERT_TRUE(lollipop->BoundaryPoint(-100, 30, -24, 30, hit));
    EXPECT_EQ(hit.y, 30);
    EXPECT_GE(hit.x, -32);
    EXPECT_LE(hit.x, -32 + 17);
    lollipop->kindCode = 9;
    EXPECT_FALSE(lollipop->BoundaryPoint(-100, 30, -24, 30, hit));

    // Drawing a socket on the right writes its stick and its half circle.
    RecordingDC dc;
    Junction* socket = p->AddJunction(&project, 100, 30, 402);
    socket->DrawJunction(&dc, 1.0);
    EXPECT_EQ(dc.CallsNamed("Polyline").size(), 1u);
    EXPECT_EQ(dc.CallsNamed("LineTo").size(), 1u);
}

TEST_F(PlaceTest, ReleasingTheMasterCountsItsUses) {
    MasterCollection masters;
    Master* shown = masters.Add(std::make_unique<Master>());
    Place* a = NewPlace(CRect(0, 0, 10, 10));
    Place* b = NewPlace(CRect(20, 0, 30, 10));
    for (Place* p : {a, b}) {
        p->master = shown;
        p->AddMasterReference();
    }
    EXPECT_EQ(shown->refCount, 2);
    EXPECT_EQ(a->ReleaseMaster(masters, true), nullptr);
    EXPECT_EQ(shown->refCount, 1);
    EXPECT_EQ(b->ReleaseMaster(masters, true).get(), shown);
    EXPECT_EQ(masters.Count(), 0u);
    EXPECT_EQ(b->master, nullptr);
}

// ---- text layout and auto size ----

class PlaceTextTest : public PlaceTest {
  protected:
    void AddAttribute(const std::string& name, const std::string& type) {
        auto a = std::make_unique<MasterAttribute>();
        a->name = name;
        a->type = type;
        a->access = AccessPrivate;
        a->mode = ModeAnnotate;
        a->owner = &master;
        master.attributes.push_back(std::move(a));
    }
    void AddMethod(const std::string& name, int mode) {
        auto m = std::make_unique<MasterMethod>();
        m->name = name;
        m->access = AccessPublic;
        m->mode = ModeAnnotate | mode;
        m->returnType = "int";
        m->owner = &master;
        master.methods.push_back(std::move(m));
    }
};

TEST_F(PlaceTextTest, CompartmentLinesStylesAndWidths) {
    AddAttribute("name", "string");
    AddMethod("area", 0);
    AddMethod("draw", ModeVirtual | ModeStatic);
    Place* p = NewPlace(CRect(0, 0, 140, 100), true);
    RecordingDC dc;
    dc.SetFixedMetrics(7, 14);
    std::string text, codes;
    CompartmentLayout out;
    const int32_t width =
        p->LayoutCompartments(text, &codes, kPlaceTextRoom, p->placeFlags, &dc, p->looks, out);
    EXPECT_EQ(text, "-name: string\r\n+area(): int\r\n+draw(): int\r\n");
    EXPECT_EQ(codes, "  C");
    EXPECT_EQ(out.attributeLines, 1);
    EXPECT_EQ(out.methodLines, 2);
    EXPECT_EQ(out.attributeChars, 15);
    EXPECT_EQ(width, 13 * 7 + 10);
    EXPECT_EQ(out.nameHeight, 14);

    // Without compartments: the name width + 10; a stereotype doubles the name height.
    master.stereotype = "persistent entity";
    text.clear();
    EXPECT_EQ(p->LayoutCompartments(text, nullptr, kPlaceTextRoom, PfDetails, &dc, p->looks, out),
              19 * 7 + 10);
    EXPECT_EQ(out.nameHeight, 28);
    EXPECT_TRUE(text.empty());
}

TEST_F(PlaceTextTest, LongMembersStayWithinTheWidthAndTheRoom) {
    for (int i = 0; i < 50; ++i)
        AddAttribute(std::string(3000, char('a' + i % 26)), "T");
    Place* p = NewPlace(CRect(0, 0, 140, 100), true);
    RecordingDC dc;
    std::string text;
    CompartmentLayout out;
    EXPECT_EQ(
        p->LayoutCompartments(text, nullptr, kPlaceTextRoom, p->placeFlags, &dc, p->looks, out),
        kMaxCompartmentWidth);
    // Lines are whole: the first that does not fit ends the section.
    EXPECT_LT(text.size(), kPlaceTextRoom);
    EXPECT_EQ(out.attributeLines, int32_t(kPlaceTextRoom / 3006));
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST_F(PlaceTextTest, AutoSize) {
    // A place whose master's tool is missing: 70 x 50 about its centre.
    Place* p = NewPlace(CRect(100, 100, 300, 180));
    master.flags |= MoToolMissing;
    CRect r;
    p->ComputeAutoSize(nullptr, r);
    EXPECT_EQ(r, CRect(165, 115, 235, 165));
    EXPECT_EQ(p->bounds, r);
    EXPECT_EQ(p->labelRect, CRect(167, 117, 233, 163));
    master.flags &= ~uint32_t(MoToolMissing);

    // Otherwise the place keeps its centre and is at least half the sample.
    RecordingDC dc;
    dc.SetFixedMetrics(7, 14);
    Place* q = NewPlace(CRect(0, 0, 40, 40));
    q->ComputeAutoSize(&dc, r);
    EXPECT_EQ(r.CenterPoint(), CPoint(20, 20));
    EXPECT_GE(r.Width(), 140);
    EXPECT_GE(r.Height(), 100);
}

TEST_F(PlaceTextTest, TheSymbolDrawsTheToolDrawingNameAndCompartments) {
    AddAttribute("balance", "int");
    Place* p = NewPlace(CRect(0, 0, 140, 100), true);
    RecordingDC dc;
    p->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    EXPECT_EQ(dc.CallsNamed("Rectangle").size(), 1u);
    bool name = false, member = false;
    for (const std::string& call : dc.CallsNamed("DrawText")) {
        name = name || call.find("\"Customer\"") != std::string::npos;
        member = member || call.find("-balance: int") != std::string::npos;
    }
    EXPECT_TRUE(name);
    EXPECT_TRUE(member);
    EXPECT_FALSE(p->nameRect.IsRectEmpty());

    // A master whose tool is missing shows "Not in Template!" instead of its name.
    master.flags |= MoToolMissing;
    dc.Clear();
    p->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    bool warning = false;
    for (const std::string& call : dc.CallsNamed("DrawText")) {
        warning = warning || call.find("Not in Template!") != std::string::npos;
        EXPECT_EQ(call.find("\"Customer\""), std::string::npos);
    }
    EXPECT_TRUE(warning);
}

} // namespace
} // namespace qm::test

namespace qm::test {
namespace {

TEST_F(PlaceTextTest, AnnotationShowsMembersOnceAndIsJournaled) {
    AddAttribute("id", "int");
    master.attributes.back()->mode = 0;
    AddMethod("run", 0);
    master.methods.back()->mode = 0;
    Place* p = NewPlace(CRect(0, 0, 140, 100));
    RecordingJournal journal;
    // Unannotated members (0x2 attributes, 0x8 methods) of the accesses the
    // filter names (0x40 private attributes, 0x100 public methods) toggle.
    const int filter = 0x2 | 0x8 | 0x40 | 0x100;
    EXPECT_TRUE(p->Annotate(nullptr, filter));
    EXPECT_NE(p->placeFlags & PfCompartments, 0u);
    EXPECT_NE(master.attributes[0]->mode & ModeAnnotate, 0);
    EXPECT_NE(master.methods[0]->mode & ModeAnnotate, 0);
    EXPECT_TRUE(master.IsMarked());
    EXPECT_EQ(journal.changed.size(), 3u);
    // A second place of the same master in the same pass leaves the master alone.
    Place* q = NewPlace(CRect(200, 0, 340, 100), true);
    EXPECT_FALSE(q->Annotate(nullptr, filter));
}

} // namespace
} // namespace qm::test
