// Label text shared by links, junctions and message floaters: the rectangle
// a label needs around its text, and text drawn into a rectangle with word
// wrapping and explicit alignment.
#pragma once

#include "drawables/Looks.h"
#include "platform/DeviceContext.h"

#include <string_view>

namespace qm {

// The rectangle a label needs: the extent of the first text (with a second
// text, the wider width and the summed heights) plus a tenth, plus 2, centred
// on around; at least 8 by 8 when it would be below 4 by 4. Measured in the
// looks' font at zoom 1 (the default looks when null); the device context's
// font is restored.
void FitTextRect(DeviceContext& dc, std::string_view first, const std::string_view* second,
                 const Looks* looks, const CRect& around, CRect& result);

// Draws the text into the box, breaking lines at blanks and tabs where the
// next word would not fit, at CR LF always, and inside a word wider than the
// box; only whole lines that fit in the box's height are drawn. Alignment 0
// left, 1 centred, 2 right. The device context's text alignment is restored.
void DrawWrappedText(DeviceContext& dc, std::string_view text, CRect box, uint8_t alignment);

} // namespace qm
