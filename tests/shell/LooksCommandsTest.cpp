// The looks commands of a project window on the shapes fixture: the colour
// and line menus' items and swatches, a colour, line kind or font applied to
// the selection as one "Looks Change" that undo takes back to the saved
// text, the defaults for new drawables when nothing is selected, the tool
// bar's drop-down arrows and annotation.
#include "shell/commands/LooksCommands.h"
#include "dialogs/font/TFontDialog.h"
#include "dialogs/model/DialogServices.h"
#include "dialogs/model/ModelDialogs.h"
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/FontFaceTable.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/ToolModel.h"
#include "editor/TContent.h"
#include "platform/Colors.h"
#include "platform/Files.h"
#include "platform/UserFolders.h"
#include "shell/CCASEApp.h"
#include "shell/MainWindow.h"
#include "shell/bars/TToolBar.h"
#include "shell/frames/CChildFrame.h"
#include "shell/frames/CMainFrame.h"
#include "tests/shell/CommandChecks.h"
#include "tests/shell/WindowedAppFixture.h"

#include <QAction>
#include <QComboBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QImage>
#include <QMenu>
#include <QRadioButton>
#include <QToolButton>
#include <QWidgetAction>

#include <gtest/gtest.h>

namespace qm {
namespace {

// Answers the font dialog: Right, the colour code and bold; or cancels.
class ChooseFont : public DialogAnswerer {
  public:
    ChooseFont(uint32_t color, bool ok) : color_(color), ok_(ok) {}
    void Answer(QDialog& dialog) override {
        auto* font = dynamic_cast<TFontDialog*>(&dialog);
        if (font != nullptr)
            shown = font->Record();
        if (font == nullptr || !ok_) {
            dialog.reject();
            return;
        }
        font->AlignButton(2)->click();
        font->ColorList()->setCurrentIndex(font->ColorList()->findData(color_));
        QFont chosen = font->FontChooser()->currentFont();
        chosen.setStyleName("Bold");
        font->FontChooser()->setCurrentFont(chosen);
        dialog.accept();
    }
    FontRecord shown;

  private:
    uint32_t color_;
    bool ok_;
};

// Answers the annotation dialog with Show All for the attributes.
class ShowAttributes : public DialogAnswerer {
  public:
    void Answer(QDialog& dialog) override {
        ++asked;
        auto* annotation = dynamic_cast<CAnnotationDialog*>(&dialog);
        if (annotation == nullptr) {
            dialog.reject();
            return;
        }
        allPlaces = annotation->windowTitle() == "Annotate All Places";
        annotation->Radio(0, AnnotationChoice::ShowAll)->setChecked(true);
        dialog.accept();
    }
    int asked = 0;
    bool allPlaces = false;
};

class LooksCommandsTest : public test::WindowedAppTest {
  protected:
    LooksCommandsTest() { Start(); }
    ~LooksCommandsTest() override { FontFaces().SetDefaultFontRecord(defaultFont); }

    CChildFrame& Frame() { return *frame->ActiveChild(); }
    LooksCommands& Looks() { return Frame().LooksCommandFamily(); }
    Place* FirstPlace() {
        for (const auto& drawable : Document().CurrentModel()->Drawables())
            if (auto* p = dynamic_cast<Place*>(drawable.get()))
                return p;
        return nullptr;
    }

    void SelectOnly(Drawable* drawable) { test::SelectOnly(Frame(), drawable); }
    bool Enabled(int id) { return test::CommandEnabled(Frame(), id); }
    const std::vector<JournalRecord>& Records() { return Document().GetJournal().Records(); }
    void ExpectUndoRestores(const std::string& saved) {
        test::ExpectUndoRestores(Document(), saved);
    }

    const FontRecord defaultFont = FontFaces().DefaultFontRecord();
};

TEST_F(LooksCommandsTest, ColourMenuHolds36SwatchesInFourColumnsOfNine) {
    TColorMenu& menu = Looks().FillMenu();
    ASSERT_EQ(menu.Items().size(), 36u);
    auto* grid = dynamic_cast<QGridLayout*>(menu.Grid()->layout());
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->columnCount(), 4);
    EXPECT_EQ(grid->rowCount(), 9);
    for (int i = 0; i < 36; ++i) {
        QAction* item = menu.Items()[static_cast<size_t>(i)];
        EXPECT_EQ(item->data().toInt(), 32804 + i);
        auto* button = dynamic_cast<QToolButton*>(grid->itemAtPosition(i % 9, i / 9)->widget());
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->defaultAction(), item);
        EXPECT_FALSE(button->accessibleName().isEmpty());
        // The swatch's middle pixel is the code's colour (words for none,
        // auto and more; the hatched system colour has lines across).
        if (i == 16 || i == 17 || i == 18 || i == 35)
            continue;
        const QImage image = item->icon().pixmap(23, 16).toImage();
        const COLORREF c = ColorFromCode(static_cast<uint32_t>(i));
        EXPECT_EQ(image.pixelColor(11, 8), QColor(GetRValue(c), GetGValue(c), GetBValue(c))) << i;
    }
    EXPECT_EQ(menu.Items()[0]->text().toStdString(), "Black");
    EXPECT_EQ(menu.Items()[15]->text().toStdString(), "White");
    EXPECT_EQ(menu.Items()[18]->text().toStdString(), "Auto");
    EXPECT_EQ(TColorMenu::IndexOfCommand(40000), 0u);

    const QList<QAction*> lines = Looks().LineStyleMenu().actions();
    ASSERT_EQ(lines.size(), 12);
    EXPECT_EQ(lines.front()->text().toStdString(), "Dash");
    EXPECT_EQ(lines.back()->text().toStdString(), "Solid 8");
    EXPECT_EQ(lines.back()->data().toInt(), 32960);
    EXPECT_EQ(TLineMenu::IndexOfCommand(1), 0);

    // Each row shows its 50 x 14 picture unscaled, so that the dashed kinds
    // can be told apart on screen.
    std::vector<QImage> shown;
    for (QAction* line : lines) {
        auto* row = qobject_cast<QWidgetAction*>(line);
        ASSERT_NE(row, nullptr) << line->text().toStdString();
        auto* button = qobject_cast<QToolButton*>(row->defaultWidget());
        ASSERT_NE(button, nullptr) << line->text().toStdString();
        EXPECT_EQ(button->iconSize(), QSize(50, 14));
        EXPECT_GE(button->sizeHint().width(), 50);
        EXPECT_GE(button->sizeHint().height(), 14);
        EXPECT_EQ(button->icon().actualSize(QSize(50, 14)), QSize(50, 14));
        shown.push_back(button->icon().pixmap(QSize(50, 14)).toImage());
    }
    for (size_t a = 0; a < 4; ++a)
        for (size_t b = a + 1; b < 4; ++b)
            EXPECT_NE(shown[a], shown[b]) << a << " " << b;
}

TEST_F(LooksCommandsTest, AChosenColourChangesTheSelectionInOneUndoableLooksChange) {
    Place* place = FirstPlace();
    ASSERT_NE(place, nullptr);
    const uint32_t before = place->looks.fillColor;
    const std::string saved = test::SavedTextBaseline(Document());
    Frame().View()->DeselectAll();
    Frame().View()->SelectList({place});
    Looks().PopupFillColorMenu(QPoint(10, 10));
    Looks().FillMenu().close();
    const size_t records = Document().GetJournal().Records().size();
    // Choosing Red from the menu's own button routes back through the frame.
    Looks().FillMenu().Items()[9]->trigger();
    EXPECT_EQ(place->looks.fillColor, 9u);
    ASSERT_EQ(Document().GetJournal().Records().size(), records + 1);
    EXPECT_EQ(Document().GetJournal().Records().back().description, "Looks Change");
    ExpectUndoRestores(saved);
    EXPECT_EQ(FirstPlace()->looks.fillColor, before);

    // A line kind likewise.
    place = FirstPlace();
    Frame().View()->DeselectAll();
    Frame().View()->SelectList({place});
    Looks().LineStyleMenu().actions()[7]->trigger();
    EXPECT_EQ(place->looks.lineKind, 7);
    EXPECT_EQ(Document().GetJournal().Records().back().description, "Looks Change");
    ExpectUndoRestores(saved);
}

TEST_F(LooksCommandsTest, WithNothingSelectedTheValuesBecomeTheNewDrawablesLooks) {
    Frame().View()->DeselectAll();
    const size_t records = Document().GetJournal().Records().size();
    Looks().PopupLineColorMenu(QPoint(10, 10));
    Looks().LineColorMenu().close();
    Frame().OnCommand(cmd::FirstColor + 12);
    Frame().OnCommand(cmd::FirstLineKind + 6);
    EXPECT_EQ(Document().GetJournal().Records().size(), records);
    EXPECT_EQ(Frame().Host().CurrentLooks().lineColor, 12u);
    EXPECT_EQ(Frame().Host().CurrentLooks().lineKind, 6);
}

TEST_F(LooksCommandsTest, TheToolBarArrowsPopTheirMenusAtTheButtonAndChoiceChangesTheSelection) {
    Place* place = FirstPlace();
    ASSERT_NE(place, nullptr);
    SelectOnly(place);
    const std::string saved = test::SavedTextBaseline(Document());
    frame->show();
    const struct {
        int button;
        QMenu* menu;
        QAction* item;
    } cases[] = {
        {cmd::FillColorButton, &Looks().FillMenu(), Looks().FillMenu().Items()[12]},
        {cmd::OutlineColorButton, &Looks().LineColorMenu(), Looks().LineColorMenu().Items()[13]},
        {cmd::OutlinePatternButton, &Looks().LineStyleMenu(), Looks().LineStyleMenu().actions()[8]},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        QAction* action = frame->MiscToolBar()->ActionOf(c.button);
        ASSERT_NE(action, nullptr);
        auto* button = dynamic_cast<QToolButton*>(frame->MiscToolBar()->widgetForAction(action));
        ASSERT_NE(button, nullptr);
        ASSERT_NE(button->menu(), nullptr) << "the button has a drop-down arrow";
        // What the arrow does when pressed: the button's menu is about to
        // show, and the frame's menu pops up below the button instead.
        emit button->menu()->aboutToShow();
        EXPECT_TRUE(c.menu->isVisible());
        const QPoint below = button->mapToGlobal(QPoint(0, button->height() + 1));
        // Below the button: the menu spans the button's left edge (a menu
        // near the screen's edge is moved to fit).
        const QRect shown = c.menu->geometry();
        EXPECT_TRUE(shown.left() <= below.x() && below.x() <= shown.right());
        const size_t records = Records().size();
        c.menu->close();
        c.item->trigger();
        ASSERT_EQ(Records().size(), records + 1);
        EXPECT_EQ(Records().back().description, "Looks Change");
    }
    EXPECT_EQ(place->looks.fillColor, 12u);
    EXPECT_EQ(place->looks.lineColor, 13u);
    EXPECT_EQ(place->looks.lineKind, 8);
    // Another button's arrow is not the looks' business.
    EXPECT_FALSE(Looks().PopupForButton(cmd::ApplyTemplate, QPoint()));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(Document().GetJournal().Replay(1, false));
    EXPECT_EQ(Document().StoreText(), saved);
}

TEST_F(LooksCommandsTest, TheFontCommandChangesTheSelectionsTextLooksInOneLooksChange) {
    Place* place = FirstPlace();
    ASSERT_NE(place, nullptr);
    SelectOnly(place);
    const qm::Looks before = place->looks;
    const std::string saved = test::SavedTextBaseline(Document());
    const size_t records = Records().size();

    // A cancelled dialog changes nothing.
    ChooseFont cancel(9, false);
    {
        ScopedDialogAnswerer scoped(&cancel);
        EXPECT_TRUE(Frame().OnCommand(cmd::LooksFont));
    }
    EXPECT_EQ(Records().size(), records);

    // The dialog opens with the selected drawable's font; the tool bar's
    // Text Font button runs the same command.
    ChooseFont red(9, true);
    ScopedDialogAnswerer scoped(&red);
    EXPECT_TRUE(Frame().OnCommand(cmd::TextFontButton));
    EXPECT_EQ(red.shown.alignment, before.alignment);
    EXPECT_EQ(red.shown.logFont.height, before.height);
    ASSERT_EQ(Records().size(), records + 1);
    EXPECT_EQ(Records().back().description, "Looks Change");
    EXPECT_EQ(place->looks.textColor, 9u);
    EXPECT_EQ(place->looks.alignment, 2);
    EXPECT_NE(place->looks.style & kStyleBold, 0);
    // Only the text fields are in the mask.
    EXPECT_EQ(place->looks.fillColor, before.fillColor);
    EXPECT_EQ(place->looks.lineColor, before.lineColor);
    EXPECT_EQ(place->looks.lineKind, before.lineKind);
    ExpectUndoRestores(saved);
}

TEST_F(LooksCommandsTest, AFontChosenWithNothingSelectedIsTheFontOfNewDrawables) {
    Frame().View()->DeselectAll();
    const size_t records = Records().size();
    ChooseFont blue(12, true);
    ScopedDialogAnswerer scoped(&blue);
    EXPECT_TRUE(Frame().OnCommand(cmd::LooksFont));
    EXPECT_EQ(Records().size(), records);
    EXPECT_EQ(blue.shown.logFont, defaultFont.logFont) << "opened with the default font";
    EXPECT_EQ(FontFaces().DefaultFontRecord().textColor, 12u);
    EXPECT_EQ(FontFaces().DefaultFontRecord().alignment, 2u);
    const qm::Looks& made = Frame().Host().CurrentLooks();
    EXPECT_EQ(made.textColor, 12u);
    EXPECT_EQ(made.alignment, 2);
    EXPECT_NE(made.style & kStyleBold, 0);

    // The next font dialog starts from the new default.
    ChooseFont again(12, false);
    ScopedDialogAnswerer second(&again);
    EXPECT_TRUE(Frame().OnCommand(cmd::LooksFont));
    EXPECT_EQ(again.shown.textColor, 12u);
}

TEST_F(LooksCommandsTest, AnnotationAsksForTheSelectionOrAllPlacesAndIsJournaled) {
    EXPECT_TRUE(Enabled(cmd::Annotation));
    Place* place = FirstPlace();
    ASSERT_NE(place, nullptr);
    ShowAttributes show;
    {
        ScopedDialogAnswerer scoped(&show);
        for (const bool allPlaces : {false, true}) {
            SCOPED_TRACE(allPlaces ? "all places" : "the selection");
            if (allPlaces)
                Frame().View()->DeselectAll();
            else
                SelectOnly(place);
            const std::string saved = test::SavedTextBaseline(Document());
            const auto start = static_cast<size_t>(Document().GetJournal().Position());
            EXPECT_TRUE(Frame().OnCommand(cmd::Annotation));
            EXPECT_EQ(show.allPlaces, allPlaces);
            const std::string after = test::SavedTextBaseline(Document());
            EXPECT_NE(after, saved) << "the fixture's places show more members";

            // One group: the entry naming the drawables, then an
            // "Annotation" for each place that changed.
            const auto end = static_cast<size_t>(Document().GetJournal().Position());
            ASSERT_GE(end, start + 2);
            EXPECT_EQ(Records()[start].description, "Annotation (multiple)");
            EXPECT_NE(Records()[start].flags & UndoJournal::GroupContinues, 0);
            for (size_t i = start + 1; i < end; ++i)
                EXPECT_EQ(Records()[i].description, "Annotation") << i;
            EXPECT_EQ(Records()[end - 1].flags & UndoJournal::GroupContinues, 0);

            ExpectUndoRestores(saved);
            ASSERT_TRUE(Document().GetJournal().Replay(1, true));
            EXPECT_EQ(Document().StoreText(), after);
            ExpectUndoRestores(saved);
        }
    }

    // Not on a tool model.
    ToolModel* tool = Document().Template()->ToolAt(0);
    ASSERT_NE(tool, nullptr);
    Frame().ShowModel(tool);
    EXPECT_FALSE(Enabled(cmd::Annotation));
    EXPECT_TRUE(Frame().OnCommand(cmd::Annotation));
    EXPECT_EQ(show.asked, 2) << "no dialog for a tool model";
}

} // namespace
} // namespace qm
