// The Tools/Options command of the main frame: the sheet is made once and
// shown again, and what it applies reaches the open windows at once (the
// next nudge moves by the new snap size, the auto-save timer its new period).
#include "dialogs/options/OptionSheet.h"
#include "document/CCASEDoc.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "editor/TContent.h"
#include "model/CommandIds.h"
#include "platform/Files.h"
#include "platform/UserFolders.h"
#include "shell/MainWindow.h"
#include "shell/frames/CChildFrame.h"
#include "shell/frames/CMainFrame.h"
#include "tests/dialogs/FindDialogInput.h"
#include "tests/shell/WindowedAppFixture.h"

#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace qm {
namespace {

using OptionsCommand = test::ProjectWindowTest;

TEST_F(OptionsCommand, AppliedSnapSizeMovesTheNextNudge) {
    ASSERT_NE(frame, nullptr);
    Profile& settings = app->Env()->Settings();
    settings.Options |= SnapToGrid;

    ASSERT_TRUE(frame->OnCommand(cmd::ToolsOptions));
    COptionSheet* sheet = frame->OptionSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->windowTitle(), "Options");
    sheet->General().SnapSize()->setValue(8);
    sheet->General().AutosavePeriod()->setValue(3);
    test::Click(sheet->OkButton());
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(settings.SnapSize, 8);
    EXPECT_EQ(frame->AutoSaveTimer()->interval(), 3 * 60000);

    TContent* view = frame->ActiveChild()->View();
    Place* place = nullptr;
    for (const auto& drawable : app->Env()->ActiveDocument()->CurrentModel()->Drawables())
        if (auto* p = dynamic_cast<Place*>(drawable.get()); p != nullptr && place == nullptr)
            place = p;
    ASSERT_NE(place, nullptr);
    view->SelectList({place});
    const CRect before = place->bounds;
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_EQ(place->bounds.left, before.left + 8);

    // The same sheet comes back on the next command.
    ASSERT_TRUE(frame->OnCommand(cmd::ToolsOptions));
    EXPECT_EQ(frame->OptionSheet(), sheet);
    EXPECT_EQ(sheet->General().SnapSize()->value(), 8);
    test::Click(sheet->CancelButton());
}

} // namespace
} // namespace qm
