// The drawable base: hit tests, knobs and anchors per kind, selection, moves,
// parent binding, the kind-code table and the base run of the record.
#include "drawables/Drawable.h"
#include "drawables/DrawableFactory.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/Primitives.h"
#include "platform/RecordingDC.h"
#include "tests/drawables/DrawableFixture.h"

namespace qm::test {
namespace {

// A bare drawable of a given kind byte and kind code.
std::unique_ptr<Drawable> Bare(uint8_t kind, int code, CRect bounds) {
    auto d = std::make_unique<Drawable>();
    d->kind = kind;
    d->kindCode = code;
    d->SetBounds(bounds);
    return d;
}

using BaseTest = DrawableTest;

TEST_F(BaseTest, ConstructionSetsFlagLooksAndRegistration) {
    auto d = std::make_unique<Drawable>(&project);
    EXPECT_EQ(d->flags, MoDrawable);
    EXPECT_EQ(project.Lookup(d->guid.Text()), d.get());
    EXPECT_EQ(d->looks.lineKind, 4);
    EXPECT_EQ(d->looks.fillColor, 15u);
    EXPECT_EQ(d->looks.height, -12);
    EXPECT_TRUE(d->labelRect.IsRectEmpty());
    project.Remove(d.get());
}

TEST_F(BaseTest, HitTestTable) {
    // Bounds (10, 10, 30, 20), a label in the top part.
    auto d = Bare(DkPlace, 10, CRect(10, 10, 30, 20));
    d->labelRect = CRect(10, 10, 30, 14);
    struct Case {
        int x, y;
        int part, knob;
        bool hit;
    } cases[] = {
        {15, 12, HpLabel, 0, true}, // in the label
        {15, 16, HpBody, 0, true},  // in the body
        {10, 10, HpLabel, 0, true}, // left and top edges are inside
        {29, 19, HpBody, 0, true},  // last point inside
        {30, 15, HpNone, 0, false}, // right edge: outside the bounds, on no knob
        {20, 20, HpNone, 0, false}, // bottom edge likewise
        {30, 20, HpKnob, 2, true},  // bottom-right corner: on knob 2
        {7, 7, HpKnob, 0, true},    // top-left knob
        {32, 7, HpKnob, 1, true},   // top-right knob
        {7, 22, HpKnob, 3, true},   // bottom-left knob
        {20, 7, HpNone, 0, false},  // the repaint margin alone misses
        {34, 15, HpNone, 0, false}, // margin beside the bounds
        {35, 15, HpNone, 0, false}, // outside the repaint rectangle
        {4, 4, HpNone, 0, false},
    };
    for (const Case& c : cases) {
        int part = -1, knob = -1;
        Drawable* hit = d->HitTest(c.x, c.y, part, knob, 0);
        EXPECT_EQ(hit != nullptr, c.hit) << c.x << "," << c.y;
        EXPECT_EQ(part, c.part) << c.x << "," << c.y;
        if (c.part == HpKnob) {
            EXPECT_EQ(knob, c.knob) << c.x << "," << c.y;
        }
    }
}

TEST_F(BaseTest, EmptyLabelMakesEveryInsideHitTheBody) {
    auto d = Bare(DkPlace, 10, CRect(0, 0, 10, 10));
    int part = 0, knob = 0;
    EXPECT_EQ(d->HitTest(0, 0, part, knob, 0), d.get());
    EXPECT_EQ(part, HpBody);
}

TEST_F(BaseTest, AnchorSizesPerKind) {
    struct Case {
        uint8_t kind;
        int code;
        int32_t size;
        bool fromLabel;
    } cases[] = {
        {DkPlace, 10, 10, false},        {DkPrimitive, TkRectangle, 10, false},
        {DkPrimitive, TkText, 2, false}, {DkLink, 0, 8, true},
        {DkTag, TkTag, 8, true},         {DkJunction, TkJunction, 8, true},
    };
    for (const Case& c : cases) {
        auto d = Bare(c.kind, c.code, CRect(0, 0, 100, 50));
        d->labelRect = CRect(200, 200, 240, 220);
        const CRect& s = c.fromLabel ? d->labelRect : d->bounds;
        CRect r;
        d->GetAnchorRect(r, 0, false);
        EXPECT_EQ(r, CRect(s.right - c.size, s.bottom - c.size, s.right, s.bottom));
        d->GetAnchorRect(r, 1, false);
        EXPECT_EQ(r, CRect(s.left, s.bottom - c.size, s.left + c.size, s.bottom));
        d->GetAnchorRect(r, 2, false);
        EXPECT_EQ(r, CRect(s.left, s.top, s.left + c.size, s.top + c.size));
        d->GetAnchorRect(r, 3, false);
        EXPECT_EQ(r, CRect(s.right - c.size, s.top, s.right, s.top + c.size));
        d->GetAnchorRect(r, 7, false);
        EXPECT_EQ(r, s);
        d->GetAnchorRect(r, 0, true);
        const CPoint m = s.CenterPoint();
        EXPECT_EQ(r, CRect(m.x - c.size / 2, m.y - c.size / 2, m.x + c.size / 2, m.y + c.size / 2));
    }
}

TEST_F(BaseTest, KnobsPerKind) {
    auto box = Bare(DkPrimitive, TkRectangle, CRect(10, 10, 30, 20));
    CRect knobs[kKnobRoom];
    ASSERT_EQ(box->GetKnobRects(knobs), 4);
    EXPECT_EQ(knobs[0], CRect(5, 5, 10, 10));
    EXPECT_EQ(knobs[1], CRect(30, 5, 35, 10));
    EXPECT_EQ(knobs[2], CRect(30, 20, 35, 25));
    EXPECT_EQ(knobs[3], CRect(5, 20, 10, 25));

    auto line = std::make_unique<LinePrimitive>();
    const CPoint pts[] = {{0, 0}, {10, 5}, {20, 0}};
    line->SetPoints(TkPolyline, 3, pts);
    ASSERT_EQ(line->GetKnobRects(knobs), 3);
    EXPECT_EQ(knobs[1], CRect(8, 3, 13, 8));
}

TEST_F(BaseTest, InvertKnobsTwiceRestores) {
    auto d = Bare(DkPlace, 10, CRect(10, 10, 30, 20));
    RecordingDC dc;
    d->InvertKnobs(dc, 2.0);
    ASSERT_EQ(dc.CallsNamed("InvertRect").size(), 4u);
    EXPECT_EQ(dc.calls[0], "InvertRect 10 10 20 20");
    auto link = Bare(DkLink, 1, CRect(0, 0, 10, 10));
    link->labelRect = CRect(0, 0, 4, 4);
    dc.Clear();
    link->InvertKnobs(dc, 1.0);
    EXPECT_EQ(dc.calls.back(), "InvertRect 0 0 4 4");
}

TEST_F(BaseTest, SelectionAndInheritedSelection) {
    auto group = std::make_unique<PrimitiveGroup>();
    Drawable* member = group->AddMember(std::make_unique<BoxPrimitive>());
    EXPECT_EQ(member->SetSelected(false), 0);
    EXPECT_EQ(group->SetSelected(true), 1);
    EXPECT_EQ(group->SetSelected(true), 0);
    EXPECT_FALSE(member->IsSelected());
    EXPECT_TRUE(member->IsSelected(true));
    EXPECT_EQ(member->GetOwningList(nullptr), group->GetMemberList());
}

TEST_F(BaseTest, MoveByUnitesOldNewAndPreviousDirty) {
    auto d = Bare(DkPlace, 10, CRect(0, 0, 10, 10));
    CRect dirty(100, 100, 110, 110);
    d->MoveBy(20, 0, dirty);
    EXPECT_EQ(d->bounds, CRect(20, 0, 30, 10));
    EXPECT_EQ(dirty, CRect(-5, -5, 110, 110));
}

TEST_F(BaseTest, BaseDrawScalesBoundsAndUsesLooks) {
    auto d = Bare(DkPlace, 10, CRect(10, 10, 30, 20));
    d->looks.fillColor = 17;
    RecordingDC dc;
    d->Draw(dc, nullptr, 0.5, nullptr, nullptr, 0);
    EXPECT_EQ(dc.CallsNamed("Rectangle").at(0), "Rectangle 5 5 15 10");
    EXPECT_EQ(dc.calls[1].rfind("SelectBrush brush=1", 0), 0u); // hollow
}

TEST_F(BaseTest, ScriptNames) {
    struct Case {
        int kind;
        const char* name;
    } cases[] = {{0, "link1"},
                 {9, "link10"},
                 {10, "place1"},
                 {23, "place14"},
                 {25, "tag"},
                 {28, "textBox"},
                 {30, "roundRectangle"},
                 {33, "primitiveGroup"},
                 {46, "message"},
                 {49, "icon"},
                 {24, ""},
                 {45, ""}};
    for (const Case& c : cases) {
        EXPECT_EQ(ToolKindScriptName(c.kind), c.name) << c.kind;
        if (c.name[0] != '\0') {
            EXPECT_EQ(ToolKindFromScriptName(c.name), c.kind) << c.name;
        }
    }
    EXPECT_EQ(ToolKindFromScriptName("link11"), -1);
    EXPECT_EQ(ToolKindFromScriptName("place0"), -1);
    EXPECT_EQ(ToolKindFromScriptName("place01"), -1);
    EXPECT_TRUE(IsIconToolId(523));
    EXPECT_FALSE(IsIconToolId(524));
    EXPECT_TRUE(IsJunctionToolId(400));
    EXPECT_TRUE(IsLibraryToolId(12000));
    EXPECT_FALSE(IsLibraryToolId(11009));
}

TEST_F(BaseTest, ParentBindingThroughMapOrModel) {
    auto group = std::make_unique<PrimitiveGroup>(&project);
    auto box = std::make_unique<BoxPrimitive>();
    // The id as the printer writes it (ids may hold quotes).
    const std::string record = "(box 29 \"b1\" (0 0 10 10) (-5 -5 15 15) (0 0 0 0) 4 0 nil " +
                               print(kest::mkstr(group->guid.Text())) + ")";
    box->Persist(&scope, read(record));
    EXPECT_EQ(box->Parent(), nullptr);
    EXPECT_TRUE(box->PendingParent().IsText());
    box->ResolveRefs(nullptr, &scope, false);
    EXPECT_EQ(box->Parent(), group.get());

    // Unknown ids and the empty id give no parent, never an error.
    box->Persist(&scope,
                 read("(box 29 \"b1\" (0 0 10 10) (0 0 0 0) (0 0 0 0) 4 0 nil \"nobody\")"));
    box->ResolveRefs(nullptr, &scope, false);
    EXPECT_EQ(box->Parent(), nullptr);
    box->Persist(&scope, read("(box 29 \"b1\" (0 0 10 10) (0 0 0 0) (0 0 0 0) 4 0 nil \"\")"));
    box->ResolveRefs(nullptr, &scope, false);
    EXPECT_EQ(box->Parent(), nullptr);

    // Through a model: the model's search decides.
    FakeModel model;
    auto* other = model.Add(std::make_unique<PrimitiveGroup>());
    other->guid.SetText("grp");
    box->Persist(&scope, read("(box 29 \"b1\" (0 0 10 10) (0 0 0 0) (0 0 0 0) 4 0 nil \"grp\")"));
    box->ResolveRefs(nullptr, &scope, &model);
    EXPECT_EQ(box->Parent(), other);
    project.Remove(box.get());
    project.Remove(group.get());
}

TEST_F(BaseTest, ParentNamingItselfGivesNone) {
    auto box = std::make_unique<BoxPrimitive>();
    box->Persist(&scope,
                 read("(box 29 \"self\" (0 0 10 10) (0 0 0 0) (0 0 0 0) 4 0 nil \"self\")"));
    box->ResolveRefs(nullptr, &scope, false);
    EXPECT_EQ(box->Parent(), nullptr);
    EXPECT_FALSE(box->IsSelected(true));
    project.Remove(box.get());
}

} // namespace
} // namespace qm::test

namespace qm::test {
namespace {

using IdEntryTest = DrawableTest;

// Refused or removed drawables must leave no entry behind that a later
// look-up could follow: the numeric id of old files, and the paste's read
// map entry of a drawable whose id was taken.
TEST_F(IdEntryTest, DetachedDrawablesLeaveNoStaleEntries) {
    std::unique_ptr<Drawable> old = CreateDrawableFromRecord(
        read("(box 29 17 (0 0 4 4) (0 0 0 0) (0 0 0 0) 4 0 nil \"\")"), &scope);
    ASSERT_NE(old, nullptr);
    ModelObject* found = nullptr;
    EXPECT_TRUE(project.Lookup(17, found, false));
    DiscardDrawable(std::move(old), &scope);
    EXPECT_FALSE(project.Lookup(17, found, false));

    auto holder = std::make_unique<BoxPrimitive>(&project);
    holder->guid.SetText("taken");
    project.Add(holder.get());
    GuidTree readMap(GuidTree::TextKeys);
    scope.readMap = &readMap;
    // The kind code does not suit a box: refused after its id was given anew.
    EXPECT_NE(failure([&] {
                  CreateDrawableFromRecord(
                      read("(box 26 \"taken\" (0 0 4 4) (0 0 0 0) (0 0 0 0) 4 0 nil \"\")"),
                      &scope);
              }),
              "");
    EXPECT_FALSE(project.Lookup("taken", found, false) && found != holder.get());
    EXPECT_FALSE(readMap.Lookup("taken", found));
    scope.readMap = nullptr;
    project.Remove(holder.get());
}

} // namespace
} // namespace qm::test
