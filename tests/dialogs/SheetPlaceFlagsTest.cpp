// What a class place shows after its sheet is applied: the place's annotate
// and detailed flags (and so the drawn compartments) stay as they were from
// whichever page the sheet is applied (OK, a selection change, Find), and
// change only when the user changed their check boxes; members added in the
// sheet show in the box; texts set in the sheet get the room they need.
#include "dialogs/find/FindEngine.h"
#include "dialogs/sheets/GeneralPage.h"
#include "dialogs/sheets/MemberPages.h"
#include "document/UndoJournal.h"
#include "drawables/DiagramView.h"
#include "drawables/FontFaceTable.h"
#include "model/Master.h"
#include "platform/RecordingDC.h"
#include "tests/dialogs/SheetFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace qm {
namespace {

// The find sheet's host as the frame is: it applies and hides the object
// sheet before the search runs.
struct SheetClosingHost : FindHost {
    explicit SheetClosingHost(CObjSheet& sheet) : sheet(sheet) {}
    void ShowDrawable(Model&, Drawable*) override {}
    void ShowModelProperties(Model&) override {}
    void InvalidateRect(Model&, const CRect&) override {}
    void ApplyAndHidePropertySheet() override { sheet.HideAndApply(); }
    CObjSheet& sheet;
};

enum class Apply { Ok, SelectionChange, Find };

class SheetPlaceFlagsTest : public test::SheetTest {
  protected:
    SheetPlaceFlagsTest() {
        circle = circlePlace->master;
        // A member of each kind the box lists.
        auto attribute = std::make_unique<MasterAttribute>();
        attribute->name = "radius";
        attribute->type = "double";
        attribute->mode = ModeAnnotate;
        attribute->owner = circle;
        circle->attributes.push_back(std::move(attribute));
        for (const auto& method : circle->methods)
            method->mode |= ModeAnnotate;
    }

    // The page of the sheet in front, chosen as the user does: by its tab.
    SheetPage* Page(int index) {
        SheetPage* pages[] = {&sheet.General(), &sheet.MemberPage(MemberKind::Attribute),
                              &sheet.MemberPage(MemberKind::Method),
                              &sheet.MemberPage(MemberKind::Type),
                              &sheet.MemberPage(MemberKind::Exception)};
        return pages[index];
    }
    void Show(SheetPage* page) {
        auto* tabs = sheet.findChild<QTabWidget*>();
        ASSERT_NE(tabs, nullptr);
        tabs->setCurrentWidget(page);
        ASSERT_EQ(sheet.CurrentPage(), page);
    }
    QPushButton* OkOf(SheetPage* page) {
        if (page == &sheet.General())
            return sheet.General().okButton;
        return static_cast<CMemberPage*>(page)->okButton;
    }
    void ApplyBy(Apply way, SheetPage* page) {
        switch (way) {
        case Apply::Ok:
            test::Click(OkOf(page));
            break;
        case Apply::SelectionChange:
            // The frame shows the next selection's properties.
            sheet.SetTargetObject(doc.get(), Handle(shapePlace->master), PtMaster, true, true,
                                  Handle(shapePlace));
            break;
        case Apply::Find: {
            SheetClosingHost host(sheet);
            FindEngine engine(*doc);
            engine.FindInModels(FindMode::Next, "Circle", "", 0, host);
            break;
        }
        }
    }
    // Everything the place draws.
    std::vector<std::string> Drawing() {
        RecordingDC dc;
        circlePlace->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
        return dc.calls;
    }
    static bool Shows(const std::vector<std::string>& calls, const std::string& text) {
        for (const std::string& call : calls) {
            if (call.rfind("DrawText \"" + text + "\"", 0) == 0)
                return true;
        }
        return false;
    }

    Master* circle = nullptr;
};

const char* const kPageNames[] = {"General", "Attributes", "Methods", "Types", "Exceptions"};
const char* const kWayNames[] = {"OK", "selection change", "Find"};

TEST_F(SheetPlaceFlagsTest, ApplyingFromAnyPageKeepsWhatThePlaceShows) {
    for (uint32_t flags :
         {PfCompartments | PfDetails, uint32_t(PfDetails), uint32_t(PfCompartments)}) {
        for (int page = 0; page < 5; ++page) {
            for (Apply way : {Apply::Ok, Apply::SelectionChange, Apply::Find}) {
                SCOPED_TRACE(std::string(kPageNames[page]) + " by " + kWayNames[int(way)] +
                             ", flags " + std::to_string(flags));
                sheet.CloseSheet(false);
                circlePlace->placeFlags = flags;
                const std::vector<std::string> before = Drawing();
                OpenOn(Handle(circle), PtMaster, Handle(circlePlace));
                ASSERT_EQ(sheet.Pages().size(), 5u);
                Show(Page(page));
                ApplyBy(way, Page(page));
                EXPECT_EQ(circlePlace->placeFlags, flags);
                EXPECT_EQ(Drawing(), before);
            }
        }
    }
    // The member lines are what the flags choose.
    circlePlace->placeFlags = PfCompartments | PfDetails;
    EXPECT_TRUE(Shows(Drawing(), "-radius: double"));
    circlePlace->placeFlags = PfCompartments;
    EXPECT_TRUE(Shows(Drawing(), "-radius"));
    circlePlace->placeFlags = PfDetails;
    EXPECT_FALSE(Shows(Drawing(), "-radius: double"));
}

TEST_F(SheetPlaceFlagsTest, WhatTheUserTickedOnTheGeneralPageSurvivesEveryOtherPage) {
    struct Case {
        bool annotate, detailed;
        uint32_t flags;
    } cases[] = {
        {false, true, PfDetails},
        {true, false, PfCompartments},
        {false, false, 0},
    };
    for (const Case& c : cases) {
        for (int page = 0; page < 5; ++page) {
            for (Apply way : {Apply::Ok, Apply::SelectionChange, Apply::Find}) {
                SCOPED_TRACE(std::string(kPageNames[page]) + " by " + kWayNames[int(way)] +
                             ", expecting " + std::to_string(c.flags));
                sheet.CloseSheet(false);
                circlePlace->placeFlags = PfCompartments | PfDetails;
                OpenOn(Handle(circle), PtMaster, Handle(circlePlace));
                sheet.General().check1144->setChecked(c.annotate);
                sheet.General().check1145->setChecked(c.detailed);
                Show(Page(page));
                ApplyBy(way, Page(page));
                EXPECT_EQ(circlePlace->placeFlags, c.flags);
                EXPECT_EQ(Shows(Drawing(), "-radius: double"), c.annotate && c.detailed);
                EXPECT_EQ(Shows(Drawing(), "-radius"), c.annotate && !c.detailed);
            }
        }
    }
}

TEST_F(SheetPlaceFlagsTest, MembersAddedInTheSheetShowInTheBoxAfterOk) {
    circlePlace->placeFlags = PfCompartments | PfDetails;
    OpenOn(Handle(circle), PtMaster, Handle(circlePlace));
    CMemberPage& attributes = sheet.MemberPage(MemberKind::Attribute);
    Show(&attributes);
    ASSERT_TRUE(attributes.IsNewRow(attributes.CurrentRow()));
    test::Type(attributes.name->lineEdit(), QStringLiteral("centre"));
    test::Click(attributes.addButton);
    CMemberPage& methods = sheet.MemberPage(MemberKind::Method);
    Show(&methods);
    methods.list->setCurrentRow(methods.list->count() - 1);
    ASSERT_TRUE(methods.IsNewRow(methods.CurrentRow()));
    test::Type(methods.name->lineEdit(), QStringLiteral("area"));
    test::Click(methods.addButton);
    test::Click(methods.okButton);
    EXPECT_EQ(circlePlace->placeFlags, PfCompartments | PfDetails);
    const std::vector<std::string> drawn = Drawing();
    EXPECT_TRUE(Shows(drawn, "-centre")) << ::testing::PrintToString(drawn);
    EXPECT_TRUE(Shows(drawn, "+area()")) << ::testing::PrintToString(drawn);
}

// A link's texts set in the sheet take labels of their size, and a class
// renamed in the sheet grows to hold its name; one undo takes both back.
TEST_F(SheetPlaceFlagsTest, TextsSetInTheSheetGetTheRoomTheyNeed) {
    OpenOn(Handle(link), PtLink, {});
    sheet.General().name->setEditText(QStringLiteral("borrows"));
    sheet.General().sourceRole->setText(QStringLiteral("member"));
    sheet.General().sourceCard->setText(QStringLiteral("1"));
    sheet.General().targetRole->setText(QStringLiteral("loans"));
    sheet.General().targetCard->setText(QStringLiteral("0..*"));
    const CRect label = link->labelRect;
    test::Click(sheet.General().okButton);
    EXPECT_EQ(link->sourceEnd, "member%%1");
    EXPECT_EQ(link->targetEnd, "loans%%0..*");
    // Measured in the link's own font, which is the one its labels are drawn in.
    BorrowedDC borrowed(doc.get());
    CFont font;
    FontFaces().UpdateFont(font, link->looks, 1.0);
    borrowed.dc().SelectObject(font);
    for (const auto& [text, rect] :
         {std::pair{"borrows", link->labelRect}, std::pair{"member #1", link->sourceLabelRect},
          std::pair{"loans #0..*", link->targetLabelRect}}) {
        SCOPED_TRACE(text);
        EXPECT_GT(rect.Width(), borrowed.dc().GetTextExtent(text).cx);
    }
    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    // The label takes its old size back (placed on the path again).
    EXPECT_EQ(link->labelRect.Width(), label.Width());
    EXPECT_EQ(link->labelRect.Height(), label.Height());
    EXPECT_EQ(link->name, "is a");

    const CRect bounds = circlePlace->bounds;
    OpenOn(Handle(circle), PtMaster, Handle(circlePlace));
    sheet.General().name->setEditText(QStringLiteral("AReservationOfALibraryCopy"));
    test::Click(sheet.General().okButton);
    EXPECT_EQ(circlePlace->master->name, "AReservationOfALibraryCopy");
    EXPECT_GT(circlePlace->bounds.Width(), bounds.Width());
    EXPECT_EQ(circlePlace->bounds.CenterPoint(), bounds.CenterPoint());
    CRect grown;
    circlePlace->ComputeGrownToText(&borrowed.dc(), grown);
    EXPECT_EQ(grown, circlePlace->bounds) << "the name fits";
    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    EXPECT_EQ(circlePlace->bounds, bounds);
}

} // namespace
} // namespace qm
