// The find sheet driven with the keyboard and the mouse: the button state,
// the find-only form, a Find All that switches to the match list and a
// double-click that goes to a match, Replace All through the sheet, and the
// histories kept on Close.
#include "dialogs/find/CFindSheet.h"

#include "document/Profile.h"
#include "document/UndoJournal.h"
#include "drawables/Model.h"
#include "platform/Prompt.h"
#include "tests/dialogs/FindDialogInput.h"
#include "tests/document/DocumentFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

#include "tests/dialogs/ShownTexts.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

struct ShownHost : NullFindHost {
    void ShowDrawable(Model& model, Drawable* drawable) override {
        shown.push_back(model.name +
                        (drawable != nullptr ? std::string(":") + drawable->Id().Text() : ""));
    }
    std::vector<std::string> shown;
};

class FindSheetTest : public test::DocumentTest {
  public:
    FindSheetTest() : prompts(&headless) {
        doc = Load(ReadWholeFile(QM_FIXTURES "/dialogs/find.pro", 1 << 20).value_or(""));
        sheet.SetHost(&host);
        sheet.SetDocument(*doc);
        sheet.show();
    }
    void Type(QComboBox* combo, const char* text) {
        combo->lineEdit()->selectAll();
        test::TypeText(combo->lineEdit(), text);
    }
    void Click(FindMode mode) {
        QPushButton* button = sheet.Page1().ModeButton(mode);
        ASSERT_TRUE(button->isVisible());
        test::Click(button);
    }
    std::vector<std::string> ListRows() const {
        std::vector<std::string> rows;
        QListWidget* list = sheet.Page2().List();
        for (int i = 0; i < list->count(); ++i)
            rows.push_back(list->item(i)->text().toStdString());
        return rows;
    }

    HeadlessPrompts headless;
    ScopedPromptService prompts;
    std::unique_ptr<CCASEDoc> doc;
    ShownHost host;
    CFindSheet sheet;
};

TEST_F(FindSheetTest, AnEmptySearchTextLeavesOnlyClose) {
    CFindPage1& page = sheet.Page1();
    for (int mode = 0; mode < 5; ++mode)
        EXPECT_FALSE(page.ModeButton(static_cast<FindMode>(mode))->isEnabled()) << mode;
    EXPECT_TRUE(page.CloseButton()->isDefault());
    Type(page.FindCombo(), "Car");
    EXPECT_TRUE(page.ModeButton(FindMode::Next)->isEnabled());
    EXPECT_TRUE(page.ModeButton(FindMode::Next)->isDefault());
    EXPECT_FALSE(page.CloseButton()->isDefault());
}

TEST_F(FindSheetTest, FindOnlyHidesTheReplacingControls) {
    CFindPage1& page = sheet.Page1();
    EXPECT_EQ(sheet.windowTitle().toStdString(), "Find");
    EXPECT_FALSE(page.ReplaceCombo()->isVisible());
    EXPECT_FALSE(page.ModeButton(FindMode::ReplaceAll)->isVisible());
    sheet.SetFindOnly(false);
    EXPECT_EQ(sheet.windowTitle().toStdString(), "Replace");
    EXPECT_TRUE(page.ReplaceCombo()->isVisible());
    EXPECT_TRUE(page.ModeButton(FindMode::Replace)->isVisible());
}

TEST_F(FindSheetTest, FindAllShowsTheMatchListAndADoubleClickGoesToTheMatch) {
    Type(sheet.Page1().FindCombo(), "car");
    test::Click(sheet.Page1().WholeWords());
    Click(FindMode::All);
    EXPECT_EQ(sheet.Tabs()->currentWidget(), &sheet.Page2());
    EXPECT_EQ(ListRows(), (std::vector<std::string>{"Vehicles/Place Car: 1 hits",
                                                    "Vehicles/Place Wheel: 1 hits"}));
    QListWidget* list = sheet.Page2().List();
    test::DoubleClickAt(list->viewport(), list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(host.shown, std::vector<std::string>{"Vehicles:p-wheel-00001"});

    // Find Next stays on the criteria page and shows its hit.
    sheet.Tabs()->setCurrentIndex(0);
    Click(FindMode::Next);
    EXPECT_EQ(sheet.Tabs()->currentIndex(), 0);
    EXPECT_EQ(host.shown.back(), "Vehicles:p-car-0000001");
}

TEST_F(FindSheetTest, ReplaceAllThroughTheSheetAndTheHistoriesKeptOnClose) {
    sheet.SetFindOnly(false);
    Type(sheet.Page1().FindCombo(), "Wheel");
    Type(sheet.Page1().ReplaceCombo(), "Tyre");
    Click(FindMode::ReplaceAll);
    EXPECT_EQ(ListRows(), std::vector<std::string>{"Vehicles/Place Tyre: 1 hits"});
    ASSERT_EQ(doc->GetJournal().Records().size(), 1u);
    EXPECT_EQ(doc->GetJournal().Records()[0].description, "Replace All");

    // Nothing more to replace: the user is told.
    sheet.Tabs()->setCurrentIndex(0);
    Click(FindMode::ReplaceAll);
    EXPECT_EQ(headless.asked, std::vector<std::string>{"No further matching string found."});

    test::Click(sheet.Page1().CloseButton());
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(settings.Histories[HL_FIND].front(), "Wheel");
    EXPECT_EQ(settings.Histories[HL_REPLACE].front(), "Tyre");
    // The next sheet offers them.
    CFindSheet next;
    next.SetDocument(*doc);
    EXPECT_EQ(next.Page1().FindCombo()->itemText(0).toStdString(), "Wheel");
    EXPECT_EQ(next.Page1().ReplaceCombo()->itemText(0).toStdString(), "Tyre");
}

TEST_F(FindSheetTest, TheListerMasterBecomesANameSearch) {
    sheet.SetDocument(*doc, "Cart");
    EXPECT_EQ(sheet.Page1().FindCombo()->currentText().toStdString(), "Cart");
    EXPECT_TRUE(sheet.Page1().NameOnly()->isChecked());
    Click(FindMode::All);
    EXPECT_EQ(ListRows(), std::vector<std::string>{"Vehicles/Place Cart: 1 hits"});
    // Another document empties the list.
    auto other = NewDoc();
    sheet.SetDocument(*other);
    EXPECT_TRUE(ListRows().empty());
    EXPECT_EQ(sheet.Page1().FindCombo()->currentText().toStdString(), "");
}

} // namespace
} // namespace qm

namespace qm {
namespace {

TEST_F(FindSheetTest, EveryLabelKeepsItsAccessKey) {
    test::ExpectShown(sheet,
                      {"Find &Next", "Find &Previous", "Find &All", "Re&place", "Replace A&ll",
                       "&Search Name Only", "Match &Case", "Match &Whole Words only", "&Help"});
}

} // namespace
} // namespace qm
