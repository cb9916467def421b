// Colour values and the fixed colour tables: the 20-entry stock default
// palette, the system colours (and the one metric) the drawing code asks for,
// and the colour codes of looks and colour menus, turned into colour values
// by ColorFromCode.
// The tables are fixed so that pixels are the same on every machine.
#pragma once

#include <cstdint>

namespace qm {

// A colour value laid out 0x00BBGGRR, as stored in files.
using COLORREF = uint32_t;

constexpr COLORREF RGB(uint8_t r, uint8_t g, uint8_t b) {
    return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16);
}
constexpr uint8_t GetRValue(COLORREF c) {
    return uint8_t(c & 0xFF);
}
constexpr uint8_t GetGValue(COLORREF c) {
    return uint8_t((c >> 8) & 0xFF);
}
constexpr uint8_t GetBValue(COLORREF c) {
    return uint8_t((c >> 16) & 0xFF);
}

// The stock default palette, in its usual order.
constexpr int kDefaultPaletteSize = 20;
extern const COLORREF kDefaultPalette[kDefaultPaletteSize];

// The system colours the drawing code names.
enum SysColor : int {
    COLOR_WINDOW,
    COLOR_WINDOWTEXT,
    COLOR_WINDOWFRAME,
    COLOR_3DFACE, // also the button face
    COLOR_BTNSHADOW,
    COLOR_HIGHLIGHT,
    COLOR_HIGHLIGHTTEXT,
    COLOR_GRAYTEXT,
    COLOR_MENU,
    COLOR_MENUTEXT,
    COLOR_SCROLLBAR,     // a scroll bar's track
    COLOR_ACTIVECAPTION, // the caption bar of the active window
    COLOR_BTNTEXT,
    COLOR_3DHILIGHT, // the lit outer edge of a 3-D frame
    COLOR_3DDKSHADOW,
    COLOR_3DLIGHT,
    COLOR_INACTIVECAPTION,
};
constexpr int kSysColorCount = COLOR_INACTIVECAPTION + 1;
constexpr SysColor COLOR_BTNFACE = COLOR_3DFACE;
constexpr SysColor COLOR_3DSHADOW = COLOR_BTNSHADOW;

// A system colour; an unknown index gives the window-text colour.
COLORREF GetSysColor(int index);

// The metrics of the same fixed desktop scheme that drawings use.
enum SystemMetric : int {
    SM_CYCAPTION, // the height of a window's caption bar
};
// A metric of the scheme; an unknown index gives 0.
int GetSystemMetrics(int index);

// Colour codes of looks and colour menus.
constexpr uint32_t kColorCodeSystem = 16;  // the palette entry nearest the 3-D face
constexpr uint32_t kColorCodeNone = 17;    // no fill
constexpr uint32_t kColorCodeInherit = 18; // take the colour from elsewhere
constexpr uint32_t kColorCodeMore = 35;    // the menu's "More" item; names no colour
constexpr uint32_t kColorCodeCount = 36;   // codes from here up are colour values

// Turns a colour code into a colour value. Codes 0 to 16 give the default
// palette entry the colour menu assigns them (16: the entry nearest the 3-D
// face colour), 17 (none) white, 19 to 34 the menu's fixed light colours,
// 35 (more) the window-text colour; 18 and everything from 36 up are returned
// unchanged, being a colour value already (18 means inherit to looks).
COLORREF ColorFromCode(uint32_t code);

// The name of a named colour code ("Black" for 0 ... "White" for 15,
// "System" for 16); null for the other codes.
const char* ColorCodeName(uint32_t code);

} // namespace qm
