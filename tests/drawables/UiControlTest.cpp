// The form-design controls: creation by kind (sizes, names, flags), the
// containers' members, client areas and hit tests, the tab control's tabs and
// their drawing, pen widths at a zoom, and the records: every kind written,
// read and written again, damaged records refused without a trace.
#include "drawables/UiControl.h"
#include "drawables/DrawableFactory.h"
#include "kernel/Kernel.h"
#include "platform/RecordingDC.h"
#include "tests/drawables/DrawableFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

namespace qm::test {
namespace {

class UiControlTest : public DrawableTest {
  protected:
    UiControlTest() { SetControlCounter(1000); }

    std::unique_ptr<UiControlPlace> Make(int kind, int x = 100, int y = 100) {
        return CreateUiControl(&doc, kind, "c", x, y);
    }
    // Writes a drawable's record as text.
    std::string Write(Drawable& d, GuidScope& s) { return pretty(d.Persist(&s, kest::nil)); }

    FakeDocument doc{&project, &templ};
};

TEST_F(UiControlTest, EachKindIsMadeWithItsSizeNameAndFlags) {
    struct Case {
        int kind;
        const char* type;
        CSize rect;        // the new control's rectangle
        CSize defaultSize; // right after construction
    } cases[] = {
        {TkUiLabel, typeid(UiLabelControl).name(), {64, 16}, {20, 14}},
        {TkUiEdit, typeid(UiEditControl).name(), {92, 20}, {52, 20}},
        {TkUiComboBox, typeid(UiComboBoxControl).name(), {106, 20}, {67, 20}},
        {TkUiButton, typeid(UiButtonControl).name(), {64, 20}, {20, 14}},
        {TkUiRadioButton, typeid(UiRadioButtonControl).name(), {64, 16}, {20, 14}},
        {TkUiCheckBox, typeid(UiCheckBoxControl).name(), {64, 16}, {20, 14}},
        {TkUiMultiLineEdit, typeid(UiMultiLineEditControl).name(), {74, 64}, {35, 45}},
        {TkUiListBox, typeid(UiListBoxControl).name(), {100, 96}, {51, 66}},
        {TkUiGroupBox, typeid(UiGroupBoxControl).name(), {100, 40}, {36, 51}},
        {TkUiTabControl, typeid(UiTabControl).name(), {100, 40}, {51, 66}},
    };
    int number = 1001;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        auto fresh = MakeUiControl(c.kind, nullptr);
        CSize size;
        CRect content;
        fresh->GetDefaultSize(size, content);
        EXPECT_EQ(size, c.defaultSize);

        std::unique_ptr<UiControlPlace> control = CreateUiControl(&doc, c.kind, "given", 100, 100);
        ASSERT_NE(control, nullptr);
        EXPECT_STREQ(typeid(*control).name(), c.type);
        EXPECT_EQ(control->bounds.Size(), c.rect);
        EXPECT_EQ(control->bounds.CenterPoint(), CPoint(100, 100));
        EXPECT_EQ(control->controlNumber, number);
        EXPECT_EQ(control->name, "given");
        EXPECT_EQ(control->caption, "Untitled");
        EXPECT_EQ(control->controlFlags, 22u);
        EXPECT_EQ(control->kind, DkUiControl);
        EXPECT_EQ(control->kindCode, c.kind);
        EXPECT_EQ(project.Lookup(control->guid.Text()), control.get());
        ++number;
    }
    // The set-up names the control by its number; the factory renames it.
    UiButtonControl plain;
    plain.MakeDefaultName(TkUiButton, CRect(0, 0, 10, 10));
    EXPECT_EQ(plain.name, "ctrl1011");
    EXPECT_EQ(ControlCounter(), 1011);
    EXPECT_EQ(CreateUiControl(&doc, 34, "x", 0, 0), nullptr);
    EXPECT_EQ(CreateUiControl(&doc, 45, "x", 0, 0), nullptr);
    EXPECT_EQ(ControlCounter(), 1011) << "no number for a kind not made";

    EXPECT_EQ(Make(TkUiLabel)->bounds, CRect(68, 92, 132, 108));
    EXPECT_EQ(Make(TkUiGroupBox)->bounds, CRect(50, 80, 150, 120));
}

TEST_F(UiControlTest, ContainersTakeMembersInsideTheirClientArea) {
    auto box = Make(TkUiGroupBox);
    auto* group = static_cast<UiGroupBoxControl*>(box.get());
    EXPECT_EQ(group->ClientArea(), CRect(54, 99, 146, 116));
    CRect client;
    group->GetBounds(client);
    EXPECT_EQ(client, group->ClientArea());

    // Partly outside: moved in, and the container owns it.
    UiControlPlace* button = CreateUiControl(&doc, *box, TkUiButton, "ok", 150, 100);
    ASSERT_NE(button, nullptr);
    EXPECT_GE(button->bounds.left, client.left);
    EXPECT_LE(button->bounds.right, client.right);
    EXPECT_EQ(button->Parent(), &group->MemberGroup());
    EXPECT_EQ(group->Members().size(), 1u);

    // Resizing does not move or resize members; moving takes them along.
    const CRect before = button->bounds;
    box->SetBounds(CRect(0, 0, 400, 300));
    EXPECT_EQ(button->bounds, before);
    EXPECT_EQ(group->ClientArea(), CRect(4, 19, 396, 296));
    CRect dirty;
    box->MoveBy(10, 5, dirty);
    EXPECT_EQ(button->bounds,
              CRect(before.left + 10, before.top + 5, before.right + 10, before.bottom + 5));

    // Controls that are no containers refuse members.
    auto label = Make(TkUiLabel);
    std::unique_ptr<Drawable> member = Make(TkUiButton);
    EXPECT_EQ(label->AddMember(member), 0);
    EXPECT_NE(member, nullptr) << "a refused member stays with the caller";
    EXPECT_EQ(CreateUiControl(&doc, *label, TkUiButton, "x", 0, 0), nullptr);
}

TEST_F(UiControlTest, ClicksHitTheControlInsideAContainerAndTheContainerOnItsCaption) {
    UiWindowControl window(&project);
    window.SetBounds(CRect(0, 0, 300, 200));
    UiControlPlace* box = CreateUiControl(&doc, window, TkUiGroupBox, "box", 100, 100);
    ASSERT_NE(box, nullptr);
    box->SetBounds(CRect(20, 40, 220, 180));
    UiControlPlace* button = CreateUiControl(&doc, *box, TkUiButton, "ok", 100, 100);
    ASSERT_NE(button, nullptr);
    const CRect b = button->bounds;

    struct Case {
        CPoint at;
        Drawable* hit;
        int part;
    } cases[] = {
        {{50, 10}, &window, HpLabel},               // the caption bar
        {{b.left + 3, b.top + 3}, button, HpLabel}, // a button two deep
        {{30, 60}, box, HpBody},                    // the group's client area
        {{40, 44}, box, HpLabel},                   // the group's caption
        {{250, 100}, &window, HpBody},              // the window's client area
        {{1, 100}, &window, kHitControlFrame},      // the window's frame
        {{21, 170}, box, kHitControlFrame},         // the group's frame
        {{302, 202}, &window, HpKnob},              // a knob outside
        {{400, 400}, nullptr, HpNone},              // far away
    };
    for (const Case& c : cases) {
        int part = -1, knob = -1;
        Drawable* hit = window.HitTest(c.at.x, c.at.y, part, knob, 0);
        EXPECT_EQ(hit, c.hit) << c.at.x << "," << c.at.y;
        EXPECT_EQ(part, c.part) << c.at.x << "," << c.at.y;
    }
    window.Detach(&scope);
}

TEST_F(UiControlTest, TabControlLaysOutItsTabsAndDrawsTheCurrentInFront) {
    auto made = Make(TkUiTabControl);
    auto* tabs = static_cast<UiTabControl*>(made.get());
    ASSERT_EQ(tabs->PageCount(), 2);
    EXPECT_EQ(tabs->Page(0)->caption, "Untitled");
    EXPECT_EQ(tabs->Page(1)->caption, "Untitled");
    EXPECT_EQ(tabs->Page(0)->labelRect, CRect(50, 80, 99, 100)); // (100 - 2 + 1) / 2 wide
    EXPECT_EQ(tabs->Page(1)->labelRect, CRect(100, 80, 149, 100));

    tabs->Page(0)->caption = "General";
    tabs->Page(1)->caption = "Advanced";
    tabs->AddTab(&doc, 99, "More"); // past the end: appended
    ASSERT_EQ(tabs->PageCount(), 3);
    EXPECT_EQ(tabs->Page(2)->caption, "More");
    EXPECT_EQ(tabs->Page(2)->labelRect.left, 50 + 2 * 33);

    // Moving takes the pages along.
    CRect dirty;
    tabs->MoveBy(10, 0, dirty);
    EXPECT_EQ(tabs->Page(2)->labelRect.left, 60 + 2 * 33);
    EXPECT_EQ(tabs->Page(2)->bounds, tabs->bounds);

    // A control put on the tab control is held, but the tab control draws
    // only its tabs and the current page's body, never a member.
    UiControlPlace* member = CreateUiControl(&doc, *tabs, TkUiButton, "ok", 100, 100);
    ASSERT_NE(member, nullptr);
    member->caption = "Member";
    for (int current : {0, 2}) {
        tabs->SetCurrentPage(current);
        RecordingDC dc;
        tabs->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
        const std::vector<std::string> texts = dc.CallsNamed("DrawText");
        ASSERT_EQ(texts.size(), 3u) << "one face per tab and no member";
        for (int i = 0; i < 3; ++i) {
            const UiGroupBoxControl& page = *tabs->Page(i);
            // A face in front is filled from 2 below its top, one behind from 4.
            const int top = page.labelRect.top + (i == current ? 2 : 4);
            const std::string expected = "DrawText \"" + page.caption + "\" " +
                                         std::to_string(page.labelRect.left + 2) + " " +
                                         std::to_string(top);
            EXPECT_EQ(texts[size_t(i)].rfind(expected, 0), 0u) << texts[size_t(i)];
        }
    }
    // The copy has pages of its own.
    auto copy = tabs->Clone();
    auto* copied = dynamic_cast<UiTabControl*>(copy.get());
    ASSERT_NE(copied, nullptr);
    ASSERT_EQ(copied->PageCount(), 3);
    EXPECT_NE(copied->Page(0), tabs->Page(0));
    EXPECT_EQ(copied->Page(1)->caption, "Advanced");
    EXPECT_EQ(copied->CurrentPage(), 2);
    EXPECT_EQ(copied->controlNumber, 0);
}

TEST_F(UiControlTest, DrawingUsesScaledPensAndTheHeaderCellsOfAListBox) {
    auto list = Make(TkUiListBox);
    for (double zoom : {0.5, 1.0, 2.5}) {
        RecordingDC dc;
        list->Draw(dc, nullptr, zoom, nullptr, nullptr, 0);
        // The dark shadow edge of every frame.
        const std::string pen = "SelectPen 0 " + std::to_string(zoom < 1.0 ? 1 : int(zoom)) + " ";
        int frames = 0;
        for (const std::string& call : dc.CallsNamed("SelectPen")) {
            if (call.find("0x404040") == std::string::npos)
                continue;
            EXPECT_EQ(call.rfind(pen, 0), 0u) << call;
            ++frames;
        }
        EXPECT_GT(frames, 0);
    }
    // Without members one header cell spans the strip left of the scroll bar.
    RecordingDC dc;
    list->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    const CRect b = list->bounds;
    const std::string cellFill =
        "FillRect " + std::to_string(b.left + 2) + " " + std::to_string(b.top + 2) + " " +
        std::to_string(b.right - 15 - 1) + " " + std::to_string(b.top + 15 - 1);
    bool found = false;
    for (const std::string& call : dc.CallsNamed("FillRect"))
        found = found || call.rfind(cellFill, 0) == 0;
    EXPECT_TRUE(found) << cellFill;
}

// Every kind, with items, members and pages, nested in a window.
class UiRecordTest : public UiControlTest {
  protected:
    std::unique_ptr<UiWindowControl> Dialog() {
        auto window = std::make_unique<UiWindowControl>(&project);
        window->SetBounds(CRect(0, 0, 400, 300));
        window->caption = "Settings";
        for (int kind = TkUiLabel; kind <= TkUiTabControl; ++kind)
            CreateUiControl(&doc, *window, kind, "k" + std::to_string(kind), 60 + kind, 150);
        for (const auto& member : window->Members()) {
            if (auto* edit = dynamic_cast<UiEditControl*>(member.get()))
                edit->items = {"one", "two \"quoted\""};
            if (auto* tabs = dynamic_cast<UiTabControl*>(member.get()))
                tabs->SetCurrentPage(1);
            if (auto* box = dynamic_cast<UiListBoxControl*>(member.get()))
                CreateUiControl(&doc, *box, TkUiLabel, "column", 0, 0);
        }
        return window;
    }
};

TEST_F(UiRecordTest, EveryKindIsWrittenReadAndWrittenAlike) {
    auto window = Dialog();
    const std::string text = Write(*window, scope);
    for (const char* head :
         {"uiWindow", "uiLabel", "uiEdit", "uiComboBox", "uiButton", "uiRadioButton", "uiCheckBox",
          "uiMultiLineEdit", "uiListBox", "uiGroupBox", "uiTabControl"})
        EXPECT_NE(text.find(std::string("(") + head + " "), std::string::npos) << head;

    GuidMap again;
    GuidScope scope2(&again, &templ);
    std::unique_ptr<Drawable> read = CreateDrawableFromRecord(this->read(text), &scope2);
    ASSERT_NE(read, nullptr);
    read->ResolveRefs(nullptr, &scope2, static_cast<DrawableModel*>(nullptr));
    EXPECT_EQ(Write(*read, scope2), text);
    EXPECT_TRUE(read->IsEqual(*window));
    auto* copy = dynamic_cast<UiWindowControl*>(read.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Members().size(), 10u);
    auto member = copy->Members().begin();
    for (const auto& original : window->Members()) {
        EXPECT_EQ((*member)->Parent(), &copy->MemberGroup());
        // The pages are laid out on the bounds read.
        if (auto* tabs = dynamic_cast<UiTabControl*>(original.get())) {
            auto* readTabs = dynamic_cast<UiTabControl*>(member->get());
            ASSERT_NE(readTabs, nullptr);
            ASSERT_EQ(readTabs->PageCount(), tabs->PageCount());
            for (int i = 0; i < tabs->PageCount(); ++i) {
                EXPECT_EQ(readTabs->Page(i)->labelRect, tabs->Page(i)->labelRect);
                EXPECT_EQ(readTabs->Page(i)->bounds, tabs->bounds);
            }
        }
        ++member;
    }
    read->Detach(&scope2);
    window->Detach(&scope);
}

// Replaces the element at index (from the end when negative) of the record.
void SetElement(kest::Cell* record, int index, kest::Cell* value) {
    int length = 0;
    for (kest::Cell* at = record; at != kest::nil; at = kest::cdr(at))
        ++length;
    if (index < 0)
        index += length;
    kest::Cell* at = record;
    for (int i = 0; i < index; ++i)
        at = kest::cdr(at);
    at->a.car = value;
}

TEST_F(UiRecordTest, DamagedRecordsAreRefusedAndLeaveNothingBehind) {
    auto tabs = Make(TkUiTabControl);
    const std::string tabText = Write(*tabs, scope);
    auto edit = Make(TkUiEdit);
    const std::string editText = Write(*edit, scope);
    // Base run from the end: kind code -9, kind byte -4, style -3.
    struct Case {
        const char* what;
        const std::string* text;
        int index;
        kest::Cell* value;
        const char* message;
    } cases[] = {
        {"kind byte", &tabText, -4, kest::mkint(4), "kind 5 expected, got 4"},
        {"kind code", &tabText, -9, kest::mkint(TkUiGroupBox), "kind code 43 does not suit"},
        {"group style", &tabText, -3, kest::mkint(DsGroup), "style 1 does not suit"},
        {"negative page", &tabText, 1, kest::mkint(-1), "current page -1 outside the 2 pages"},
        {"page past the end", &tabText, 1, kest::mkint(2), "current page 2 outside the 2 pages"},
        {"pages no list", &tabText, 2, kest::mkint(-3), "pages"},
        {"page caption", &tabText, 2, kest::mklist(kest::mkint(1), nullptr), "page caption"},
        {"member group", &tabText, 3, kest::mkint(0), "member group"},
        {"numeric property", &tabText, 9,
         kest::mklist(kest::mkint(0), kest::mkint(70000), kest::mkint(1), nullptr),
         "integers from 0 to 65535"},
        {"flag count", &tabText, 10, kest::mklist(kest::mkint(0), nullptr), "5 integers"},
        {"item", &editText, 1, kest::mklist(kest::mkint(3), nullptr), "item string expected"},
        {"bounds", &editText, -7,
         kest::mklist(kest::mkint(0), kest::mkint(0), kest::mkint(0x7FFFFFFF), kest::mkint(5),
                      nullptr),
         "coordinates"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GuidMap fresh;
        GuidScope s(&fresh, &templ);
        kest::Cell* record = read(*c.text);
        SetElement(record, c.index, c.value);
        const std::string message = failure([&] { (void)CreateDrawableFromRecord(record, &s); });
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
        // No id of the record (the control's, its member group's) is left.
        for (const auto* control : {tabs.get(), edit.get()}) {
            EXPECT_EQ(fresh.Lookup(control->guid.Text()), nullptr);
            if (auto* group = dynamic_cast<const UiGroupBoxControl*>(control)) {
                EXPECT_EQ(fresh.Lookup(group->MemberGroup().guid.Text()), nullptr);
            }
        }
    }
    // A record of another class is the failure check's message.
    UiEditControl target;
    EXPECT_NE(failure([&] { target.Persist(&scope, read(tabText)); }).find("uiEdit sym expected"),
              std::string::npos);
}

} // namespace
} // namespace qm::test
