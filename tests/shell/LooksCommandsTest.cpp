// The looks commands of a project window on the shapes fixture: the colour
// and line menus' items and swatches, a colour or line kind applied to the
// selection as one undoable "Looks Change", and the defaults for new
// drawables when nothing is selected.
#include "shell/commands/LooksCommands.h"
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "editor/TContent.h"
#include "platform/Colors.h"
#include "platform/Files.h"
#include "platform/UserFolders.h"
#include "shell/CCASEApp.h"
#include "shell/MainWindow.h"
#include "shell/frames/CChildFrame.h"
#include "shell/frames/CMainFrame.h"
#include "tests/support/ModelFixture.h"

#include <QAction>
#include <QGridLayout>
#include <QImage>
#include <QToolButton>

#include <gtest/gtest.h>

namespace qm {
namespace {

class LooksCommandsTest : public test::ModelTest {
  protected:
    LooksCommandsTest() {
        SetApplicationFolder(QM_SOURCE_DIR "/resources");
        const std::string project = scratch / "shapes.pro";
        EXPECT_TRUE(WriteFileReplacing(
            project, ReadWholeFile(QM_FIXTURES "/shell/shapes.pro", 1 << 20).value_or("")));
        app = std::make_unique<CCASEApp>(CreateMainWindow);
        EXPECT_TRUE(app->InitInstance({project}));
        main = dynamic_cast<CMainFrame*>(app->Frame());
    }
    ~LooksCommandsTest() override { SetApplicationFolder(""); }

    CCASEDoc& Document() { return *app->Env()->ActiveDocument(); }
    CChildFrame& Frame() { return *main->ActiveChild(); }
    LooksCommands& Looks() { return Frame().LooksCommandFamily(); }
    Place* FirstPlace() {
        for (const auto& drawable : Document().CurrentModel()->Drawables())
            if (auto* p = dynamic_cast<Place*>(drawable.get()))
                return p;
        return nullptr;
    }

    std::unique_ptr<CCASEApp> app;
    CMainFrame* main = nullptr;
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
}

TEST_F(LooksCommandsTest, AChosenColourChangesTheSelectionInOneUndoableLooksChange) {
    Place* place = FirstPlace();
    ASSERT_NE(place, nullptr);
    const uint32_t before = place->looks.fillColor;
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
    ASSERT_TRUE(Document().GetJournal().Replay(1, false));
    EXPECT_EQ(FirstPlace()->looks.fillColor, before);

    // A line kind likewise.
    place = FirstPlace();
    Frame().View()->DeselectAll();
    Frame().View()->SelectList({place});
    Looks().LineStyleMenu().actions()[7]->trigger();
    EXPECT_EQ(place->looks.lineKind, 7);
    EXPECT_EQ(Document().GetJournal().Records().back().description, "Looks Change");
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

} // namespace
} // namespace qm
