// The frame's property request for a form-design control shows the control
// sheet, not the object sheet's empty "No Properties" page.
#include "dialogs/sheets/CtrlSheet.h"
#include "dialogs/sheets/ObjSheet.h"
#include "document/CCASEDoc.h"
#include "drawables/UiControl.h"
#include "shell/FrameEditorHost.h"
#include "tests/document/DocumentFixture.h"

#include <QLineEdit>
#include <QMainWindow>

#include <gtest/gtest.h>

namespace qm {
namespace {

using ControlSheetHook = test::DocumentTest;

TEST_F(ControlSheetHook, AControlsPropertiesOpenTheControlSheet) {
    auto doc = Load(ReadWholeFile(QM_FIXTURES "/document/every_control.pro", 1 << 20).value_or(""));
    doc->SetCurrentModel(doc->GetModelAt(0));
    auto* edit = dynamic_cast<UiControlPlace*>(doc->IdMap().Lookup("ui-0006"));
    ASSERT_NE(edit, nullptr);
    QMainWindow main;
    FrameEditorHost host(main, nullptr);
    host.ShowProperties(*doc, ObjectHandle(edit, &doc->IdMap()), PtControlPlace, {}, true);
    auto* sheet =
        dynamic_cast<CCtrlSheet*>(main.findChild<QDialog*>(QStringLiteral("controlSheet")));
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->Target(), edit);
    EXPECT_EQ(sheet->name->text(), QStringLiteral("nameEdit"));
    auto* objects = main.findChild<QDialog*>(QStringLiteral("objectSheet"));
    EXPECT_TRUE(objects == nullptr || !objects->isVisible());
    sheet->CloseSheet(false);
}

} // namespace
} // namespace qm
