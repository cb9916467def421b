// The General page: captions of a master shown through a place, the store
// rules that keep or clear flag bits, and the Kind combo's tool switch.
#include "dialogs/sheets/GeneralPage.h"
#include "document/UndoJournal.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Primitives.h"
#include "drawables/Tag.h"
#include "tests/dialogs/SheetFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace qm {
namespace {

using SheetGeneralTest = test::SheetTest;

TEST_F(SheetGeneralTest, CaptionsOfAClassShownThroughAPlace) {
    OpenOn(Handle(circlePlace->master), PtMaster, Handle(circlePlace));
    CObjPage1& page = sheet.General();
    struct Case {
        const char* text;
        const char* caption;
    } cases[] = {
        {"c1 : Circle", "\"c1\" instance of \"Circle\" Properties"},
        {":Circle", "anonymous instance of \"Circle\" Properties"},
        {"Circle", "\"Circle\" Properties"},
        {"geo::Circle", "\"geo::Circle\" Properties"},
    };
    for (const Case& c : cases) {
        page.name->setEditText(QString::fromLatin1(c.text));
        EXPECT_EQ(sheet.windowTitle().toStdString(), c.caption);
    }
    // An instance name is stored into the place at apply, with its flag.
    page.name->setEditText(QStringLiteral("c1 : Circle"));
    sheet.CloseSheet(true);
    EXPECT_EQ(circlePlace->label, "c1");
    EXPECT_NE(circlePlace->placeFlags & PfInstanceLabel, 0u);
    EXPECT_EQ(circlePlace->master->name, "Circle");
    // The flag's old value is the one the sheet loaded, so undo clears it.
    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    EXPECT_EQ(circlePlace->placeFlags & PfInstanceLabel, 0u);
    ASSERT_TRUE(doc->GetJournal().Replay(1, true));
    OpenOn(Handle(circlePlace->master), PtMaster, Handle(circlePlace));
    EXPECT_EQ(sheet.General().name->currentText(), QStringLiteral("c1:Circle"));
    sheet.General().name->setEditText(QStringLiteral("Circle"));
    sheet.CloseSheet(true);
    EXPECT_EQ(circlePlace->placeFlags & PfInstanceLabel, 0u);
}

TEST_F(SheetGeneralTest, StoreRulesKeepAndClearTheRightBits) {
    model->modelFlags = 0x1 | 0x4 | 0x8 | 0x40 | 0x80;
    OpenOn(Handle(model), PtModel, {});
    sheet.General().genCode->setChecked(false);
    sheet.CloseSheet(true);
    EXPECT_EQ(model->modelFlags, 0x4u | 0x8u);

    auto* text = dynamic_cast<TextPrimitive*>(doc->IdMap().Lookup("text-1"));
    ASSERT_NE(text, nullptr);
    OpenOn(Handle(text), PtTextPrimitive, {});
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Properties"));
    sheet.General().kind->setCurrentText(QStringLiteral("For Parameters"));
    sheet.CloseSheet(true);
    EXPECT_EQ(text->textFlags & 0x6, 0x4);

    OpenOn(Handle(link), PtLink, {});
    EXPECT_EQ(sheet.General().sourceCard->text(), QStringLiteral("*"));
    EXPECT_EQ(sheet.General().sourceRole->text(), QStringLiteral("1"));
    sheet.General().sourceRole->clear();
    sheet.General().sourceCard->clear();
    sheet.CloseSheet(true);
    EXPECT_EQ(link->sourceEnd, "%%");
    EXPECT_EQ(link->targetEnd, "%%");
}

TEST_F(SheetGeneralTest, TheEmptyKindRemovesTheToolAndTheMemberPages) {
    OpenOn(Handle(circlePlace->master), PtMaster, Handle(circlePlace));
    ASSERT_EQ(sheet.Pages().size(), 5u);
    sheet.General().kind->setCurrentIndex(0);
    emit sheet.General().kind->activated(0);
    EXPECT_EQ(sheet.Pages().size(), 1u);
    EXPECT_FALSE(sheet.General().stereotype->isVisibleTo(&sheet.General()));
    sheet.General().kind->setCurrentIndex(1);
    emit sheet.General().kind->activated(1);
    EXPECT_EQ(sheet.Pages().size(), 5u);
    sheet.CloseSheet(false);
    EXPECT_NE(circlePlace->master->tool, nullptr);
}

} // namespace
} // namespace qm

namespace qm {
namespace {

TEST_F(SheetGeneralTest, ANameClashThroughAPlaceSwitchesThePlaceInOneUndoStep) {
    Master* circle = circlePlace->master;
    Master* square = doc->NewMaster(10, "Square", "geo");
    ASSERT_NE(square, nullptr);
    circlePlace->Relayout();
    const std::string before = Saved();
    OpenOn(Handle(circle), PtMaster, Handle(circlePlace));
    sheet.General().name->setEditText(QStringLiteral("Square"));
    sheet.General().comment->setPlainText(QStringLiteral("not assigned"));
    sheet.CloseSheet(true);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(circlePlace->master, square);
    EXPECT_EQ(circle->name, "Circle");
    EXPECT_EQ(square->comment, "");
    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    EXPECT_EQ(circlePlace->master->name, "Circle");
    EXPECT_EQ(Saved(), before);
}

} // namespace
} // namespace qm

namespace qm {
namespace {

TEST_F(SheetGeneralTest, NameHistoryComesFromAndGoesToTheProfile) {
    settings.Histories[HL_NAME] = {"Alpha"};
    OpenOn(Handle(circlePlace->master), PtMaster, Handle(circlePlace));
    QComboBox* name = sheet.General().name;
    ASSERT_GE(name->count(), 1);
    EXPECT_EQ(name->itemText(0), QStringLiteral("Alpha"));
    EXPECT_EQ(name->currentText(), QStringLiteral("Circle"));
    name->setEditText(QStringLiteral("Disc"));
    emit name->lineEdit()->editingFinished();
    sheet.CloseSheet(true);
    const std::vector<std::string>& history = settings.Histories[HL_NAME];
    EXPECT_NE(std::find(history.begin(), history.end(), "Disc"), history.end());
    EXPECT_LE(history.size(), kHistorySlots);
}

} // namespace
} // namespace qm

namespace qm {
namespace {

// A message's Reverse and URL boxes show its flags and store them back.
TEST_F(SheetGeneralTest, AMessageLoadsAndStoresReverseAndUrl) {
    auto* floater =
        dynamic_cast<Floater*>(model->AddDrawable(std::make_unique<Floater>(&doc->IdMap())));
    ASSERT_NE(floater, nullptr);
    floater->text = "1: call";
    struct Case {
        uint8_t flags;
        bool reverse, url;
    } cases[] = {{0x0, false, false}, {0x1, true, false}, {0x2, false, true}, {0x3, true, true}};
    for (const Case& c : cases) {
        floater->tagFlags = c.flags;
        OpenOn(Handle(floater), PtMessageFloater, {});
        CObjPage1& page = sheet.General();
        EXPECT_TRUE(page.check1121->isVisibleTo(&page));
        EXPECT_EQ(page.check1121->text(), QStringLiteral("&Reverse"));
        EXPECT_EQ(page.check1121->isChecked(), c.reverse) << int(c.flags);
        EXPECT_EQ(page.url->isChecked(), c.url) << int(c.flags);
        // Toggle both: the stored word is the complement of the loaded one.
        page.check1121->setChecked(!c.reverse);
        page.url->setChecked(!c.url);
        sheet.CloseSheet(true);
        EXPECT_EQ(floater->tagFlags, uint8_t(~c.flags & 0x3)) << int(c.flags);
    }
}

// Models and diagram types keep no access code: no empty Access box; masters
// and links show the four radios.
TEST_F(SheetGeneralTest, TheAccessBoxIsShownOnlyWithItsRadios) {
    CObjPage1& page = sheet.General();
    QWidget* group = page.access[0]->parentWidget();
    OpenOn(Handle(model), PtModel, {});
    EXPECT_FALSE(group->isVisibleTo(&page));
    DiagramType& type = doc->Template()->diagramTypes[0];
    OpenOn(ObjectHandle(&type, &doc->Template()->guidMap), PtDiagramType, {});
    EXPECT_FALSE(group->isVisibleTo(&page));
    OpenOn(Handle(link), PtLink, {});
    EXPECT_TRUE(group->isVisibleTo(&page));
    for (QRadioButton* radio : page.access)
        EXPECT_TRUE(radio->isVisibleTo(&page));
}

} // namespace
} // namespace qm
