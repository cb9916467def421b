// A project whose one diagram is a dialog mock-up holding every kind of
// form-design control (a window with a tab control, a group box, buttons,
// radio buttons, a check box, edit fields, a combo box, a multi-line edit and
// a list box): saved, opened and saved again, it keeps every byte.
#include "drawables/UiControl.h"
#include "platform/TextHelpers.h"
#include "tests/document/DocumentFixture.h"

#include <gtest/gtest.h>

namespace qm::test {
namespace {

TEST_F(DocumentTest, EveryControlKindKeepsEveryByteThroughSaveAndOpen) {
    const std::string text =
        ReadWholeFile(QM_FIXTURES "/document/every_control.pro", 1 << 20).value_or("");
    ASSERT_FALSE(text.empty());
    auto first = Load(text);
    const std::string written = first->StoreText();
    EXPECT_EQ(written, text);
    for (const char* head :
         {"(uiWindow ", "(uiTabControl ", "(uiGroupBox ", "(uiListBox ", "(uiLabel ", "(uiEdit ",
          "(uiComboBox ", "(uiButton ", "(uiRadioButton ", "(uiCheckBox ", "(uiMultiLineEdit "})
        EXPECT_NE(written.find(head), std::string::npos) << head;

    const std::string path = scratch / "dialog.pro";
    ASSERT_TRUE(first->OnSaveDocument(path));
    auto reopened = NewDoc();
    ASSERT_TRUE(reopened->OnOpenDocument(path));
    EXPECT_EQ(reopened->StoreText(), written);
}

} // namespace
} // namespace qm::test
