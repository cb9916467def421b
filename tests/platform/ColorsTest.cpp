// The fixed colour tables and ColorFromCode.
#include "platform/Colors.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(Colors, DefaultPaletteInItsUsualOrder) {
    const COLORREF expected[kDefaultPaletteSize] = {
        0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000,
        0xC0C0C0, 0xC0DCC0, 0xF0CAA6, 0xF0FBFF, 0xA4A0A0, 0x808080, 0x0000FF,
        0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
    for (int i = 0; i < kDefaultPaletteSize; ++i)
        EXPECT_EQ(kDefaultPalette[i], expected[i]) << i;
    EXPECT_EQ(RGB(0xA6, 0xCA, 0xF0), 0xF0CAA6u); // red in the lowest byte
    EXPECT_EQ(GetRValue(0xF0CAA6), 0xA6);
    EXPECT_EQ(GetGValue(0xF0CAA6), 0xCA);
    EXPECT_EQ(GetBValue(0xF0CAA6), 0xF0);
}

TEST(Colors, ColorFromCode) {
    struct Case {
        uint32_t code;
        COLORREF expected;
    } cases[] = {
        {0, RGB(0, 0, 0)},
        {1, RGB(0x80, 0, 0)},
        {3, RGB(0x80, 0x80, 0)},
        {7, RGB(0x80, 0x80, 0x80)}, // "Gray" is entry 12
        {8, RGB(0xA0, 0xA0, 0xA4)}, // "Light Gray" is entry 11
        {9, RGB(0xFF, 0, 0)},
        {12, RGB(0, 0, 0xFF)},
        {14, RGB(0, 0xFF, 0xFF)},
        {15, RGB(0xFF, 0xFF, 0xFF)},
        {16, RGB(0xC0, 0xC0, 0xC0)}, // the entry nearest the 3-D face colour
        {17, RGB(0xFF, 0xFF, 0xFF)},
        {18, 18}, // inherit: unchanged
        {19, RGB(0x80, 0xFF, 0x80)},
        {26, RGB(0xE0, 0xE0, 0xE0)},
        {34, RGB(0xFF, 0xE0, 0xFF)},
        {35, RGB(0, 0, 0)}, // "More" names no colour
        {36, 36},
        {0x00123456, 0x00123456},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ColorFromCode(c.code), c.expected) << c.code;
}

TEST(Colors, SystemColours) {
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), RGB(0, 0, 0));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(GetSysColor(-1), RGB(0, 0, 0));
    EXPECT_EQ(GetSysColor(kSysColorCount), RGB(0, 0, 0));
}

} // namespace
} // namespace qm
