// The text drawing that all drawables use: one run of text in a box with the
// looks resolved, and a text drawn line by line with per-line style codes.
#pragma once

#include "drawables/Looks.h"
#include "platform/DeviceContext.h"

#include <string_view>

namespace qm {

// Draws one run of text in the box (model units, scaled by the zoom) with own
// resolved under imposed. Draws nothing for an empty text, at a zoom of 0.25
// or less, or while the overview-drawing switch is on. A hyperlink style
// draws underlined in colour 12; a fill of 18 (inherit) paints the text on
// opaque white. The device context's font, colours and mode are restored.
// With singleLine the text is one line, cut at the box's sides rather than
// wrapped, and drawn from the left when it is wider than the box.
void DrawLooksText(DeviceContext& dc, const Looks& own, const Looks& imposed, std::string_view text,
                   CRect box, double zoom, bool singleLine = false);

// The longest line DrawMultiLineText draws; longer lines are cut.
constexpr size_t kMultiLineBufferSize = 1024;

// Draws the text line by line (cut at LF, a CR before it dropped, an empty
// last line not drawn; a line wider than its box cut at the box's side) in
// boxes lineHeight high from (left, top), stopping
// before a line whose box ends more than 1 below bottom. The character of
// codes at a line's index changes imposed for that line: "I" italic, "U"
// underline, "C" both, "D" the direct colour (85, 85, 255). The scan stops at
// a zero character, at the end of text, or after maxLength + 1 characters.
void DrawMultiLineText(DeviceContext& dc, const Looks& own, Looks& imposed, std::string_view codes,
                       std::string_view text, int maxLength, int lineHeight, int left, int top,
                       int right, int bottom, double zoom);

} // namespace qm
