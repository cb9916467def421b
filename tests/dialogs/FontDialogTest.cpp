// The font dialog: the alignment button and colour item a record opens
// with, a record that comes back unchanged when only OK is pressed (even
// with a face the chooser substitutes or a colour the list does not name),
// and the choices the user makes read back into the record.
#include "dialogs/font/TFontDialog.h"

#include <QComboBox>
#include <QFontDialog>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace qm {
namespace {

FontRecord Record(const char* face, int32_t height, int32_t weight, uint32_t alignment,
                  uint32_t color) {
    FontRecord record;
    record.logFont.faceName = face;
    record.logFont.height = height;
    record.logFont.weight = weight;
    record.alignment = alignment;
    record.textColor = color;
    return record;
}

TEST(FontDialogTest, OpensWithTheRecordsAlignmentAndColourAndOkAloneKeepsItExactly) {
    const struct {
        const char* face;
        int32_t height;
        int32_t weight;
        uint32_t alignment;
        uint32_t color;
        int checked;   // the alignment button checked
        uint32_t back; // the alignment after OK
    } cases[] = {
        {"Arial", -12, 400, 0, 0, 0, 0},
        {"Arial", -12, 700, 1, 4, 1, 1},
        {"MS Sans Serif", -13, 400, 2, 15, 2, 2},
        // Words the buttons cannot show read as the nearest button.
        {"Courier", -17, 400, 0xFFFFFFFF, 9, 0, 0},
        {"Arial", -12, 400, 7, 0, 2, 2},
        // Inherit, a light fixed colour and a colour value are offered as
        // they are, not replaced by the list's first colour.
        {"Arial", -12, 400, 1, 18, 1, 1},
        {"Arial", -12, 400, 1, 25, 1, 1},
        {"No Such Face", -9, 400, 1, 0x00123456, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.face) + " " + std::to_string(c.color));
        const FontRecord record = Record(c.face, c.height, c.weight, c.alignment, c.color);
        TFontDialog dialog(record);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(dialog.AlignButton(i)->isChecked(), i == c.checked) << i;
        EXPECT_EQ(dialog.ColorList()->currentData().toUInt(), c.color);
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.Record().logFont, record.logFont);
        EXPECT_EQ(dialog.Record().alignment, c.back);
        EXPECT_EQ(dialog.Record().textColor, c.color);
    }
}

TEST(FontDialogTest, TheUsersChoicesComeBackInTheRecord) {
    TFontDialog dialog(Record("Arial", -12, 400, 0, 0));
    // The colour list names the sixteen plain colours, each with its code.
    ASSERT_EQ(dialog.ColorList()->count(), 16);
    EXPECT_EQ(dialog.ColorList()->itemText(9).toStdString(), "Red");
    EXPECT_EQ(dialog.ColorList()->itemData(9).toUInt(), 9u);

    QFont chosen = dialog.FontChooser()->currentFont();
    chosen.setPointSize(12);
    chosen.setStyleName("Bold Italic");
    dialog.FontChooser()->setCurrentFont(chosen);
    dialog.ColorList()->setCurrentIndex(9);
    dialog.AlignButton(2)->click();
    dialog.accept();

    const FontRecord& record = dialog.Record();
    EXPECT_EQ(record.logFont.height, -16) << "12 points at 96 units to the inch";
    EXPECT_GT(record.logFont.weight, 400);
    EXPECT_EQ(record.logFont.italic, 1);
    EXPECT_EQ(record.logFont.underline, 0);
    EXPECT_EQ(record.alignment, 2u);
    EXPECT_EQ(record.textColor, 9u);

    // Looks made from the record carry the same choices.
    Looks looks;
    looks.FromFont(record);
    EXPECT_EQ(looks.height, -16);
    EXPECT_EQ(looks.style & (kStyleBold | kStyleItalic), kStyleBold | kStyleItalic);
    EXPECT_EQ(looks.alignment, 2);
    EXPECT_EQ(looks.textColor, 9u);
}

TEST(FontDialogTest, CancelLeavesTheRecordAsShown) {
    const FontRecord record = Record("Arial", -12, 400, 1, 3);
    TFontDialog dialog(record);
    dialog.AlignButton(0)->click();
    dialog.ColorList()->setCurrentIndex(5);
    dialog.reject();
    EXPECT_EQ(dialog.Record().alignment, 1u);
    EXPECT_EQ(dialog.Record().textColor, 3u);
}

} // namespace
} // namespace qm
