// The fixed colour tables and ColorFromCode.
#include "platform/Colors.h"

#include <iterator>

namespace qm {

const COLORREF kDefaultPalette[kDefaultPaletteSize] = {
    RGB(0x00, 0x00, 0x00), // black
    RGB(0x80, 0x00, 0x00), // dark red
    RGB(0x00, 0x80, 0x00), // dark green
    RGB(0x80, 0x80, 0x00), // dark yellow
    RGB(0x00, 0x00, 0x80), // dark blue
    RGB(0x80, 0x00, 0x80), // dark magenta
    RGB(0x00, 0x80, 0x80), // dark cyan
    RGB(0xC0, 0xC0, 0xC0), // light grey
    RGB(0xC0, 0xDC, 0xC0), // money green
    RGB(0xA6, 0xCA, 0xF0), // sky blue
    RGB(0xFF, 0xFB, 0xF0), // cream
    RGB(0xA0, 0xA0, 0xA4), // medium grey
    RGB(0x80, 0x80, 0x80), // grey
    RGB(0xFF, 0x00, 0x00), // red
    RGB(0x00, 0xFF, 0x00), // green
    RGB(0xFF, 0xFF, 0x00), // yellow
    RGB(0x00, 0x00, 0xFF), // blue
    RGB(0xFF, 0x00, 0xFF), // magenta
    RGB(0x00, 0xFF, 0xFF), // cyan
    RGB(0xFF, 0xFF, 0xFF), // white
};

namespace {

// The classic desktop scheme, so that drawings never depend on the desktop.
const COLORREF kSysColors[kSysColorCount] = {
    RGB(0xFF, 0xFF, 0xFF), // window
    RGB(0x00, 0x00, 0x00), // window text
    RGB(0x00, 0x00, 0x00), // window frame
    RGB(0xC0, 0xC0, 0xC0), // 3-D face, button face
    RGB(0x80, 0x80, 0x80), // button shadow
    RGB(0x00, 0x00, 0x80), // highlight
    RGB(0xFF, 0xFF, 0xFF), // highlight text
    RGB(0x80, 0x80, 0x80), // grey text
    RGB(0xC0, 0xC0, 0xC0), // menu
    RGB(0x00, 0x00, 0x00), // menu text
    RGB(0xE0, 0xE0, 0xE0), // scroll bar track
    RGB(0x00, 0x00, 0x80), // active caption
    RGB(0x00, 0x00, 0x00), // button text
    RGB(0xFF, 0xFF, 0xFF), // 3-D highlight
    RGB(0x40, 0x40, 0x40), // 3-D dark shadow
    RGB(0xDF, 0xDF, 0xDF), // 3-D light
    RGB(0x80, 0x80, 0x80), // inactive caption
};

// The caption bar height of the scheme.
constexpr int kCaptionHeight = 18;

// The default palette entry of each colour code 0 to 17. Code 16 ("System")
// is the entry nearest the 3-D face colour, which the fixed scheme makes
// light grey; code 17 ("None") is never painted and gives white.
const uint8_t kPaletteEntryOfCode[18] = {0,  1,  2,  3,  4,  5,  6,  12, 11,
                                         13, 14, 15, 16, 17, 18, 19, 7,  19};

// Codes 19 to 34: the colour menu's light colours.
const COLORREF kFixedColors[16] = {
    RGB(0x80, 0xFF, 0x80), RGB(0xFF, 0xFF, 0x80), RGB(0x80, 0x80, 0xFF), RGB(0xFF, 0x80, 0xFF),
    RGB(0x80, 0xFF, 0xFF), RGB(0xFF, 0xE0, 0xE0), RGB(0xE0, 0xFF, 0xE0), RGB(0xE0, 0xE0, 0xE0),
    RGB(0xFF, 0xC0, 0xC0), RGB(0xC0, 0xFF, 0xC0), RGB(0xFF, 0xFF, 0xC0), RGB(0xC0, 0xC0, 0xFF),
    RGB(0xFF, 0xC0, 0xFF), RGB(0xC0, 0xFF, 0xFF), RGB(0xE0, 0xE0, 0xFF), RGB(0xFF, 0xE0, 0xFF),
};

} // namespace

COLORREF GetSysColor(int index) {
    if (index < 0 || index >= kSysColorCount)
        return kSysColors[COLOR_WINDOWTEXT];
    return kSysColors[index];
}

int GetSystemMetrics(int index) {
    return index == SM_CYCAPTION ? kCaptionHeight : 0;
}

COLORREF ColorFromCode(uint32_t code) {
    if (code < 18)
        return kDefaultPalette[kPaletteEntryOfCode[code]];
    if (code >= 19 && code <= 34)
        return kFixedColors[code - 19];
    if (code == kColorCodeMore)
        return GetSysColor(COLOR_WINDOWTEXT);
    return code;
}

const char* ColorCodeName(uint32_t code) {
    static constexpr const char* kNames[] = {
        "Black",     "Dark Red", "Dark Green", "Light Brown", "Dark Blue", "Purple",
        "Dark Cyan", "Gray",     "Light Gray", "Red",         "Green",     "Yellow",
        "Blue",      "Magenta",  "Cyan",       "White",       "System"};
    return code < std::size(kNames) ? kNames[code] : nullptr;
}

} // namespace qm
