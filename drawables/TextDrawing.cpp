// Looks text drawing.
#include "drawables/TextDrawing.h"

#include "drawables/DrawingSwitches.h"
#include "drawables/FontFaceTable.h"
#include "drawables/LabelText.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/ZoomScaling.h"

#include <algorithm>

namespace qm {

void DrawLooksText(DeviceContext& dc, const Looks& own, const Looks& imposed, std::string_view text,
                   CRect box, double zoom, bool singleLine) {
    if (text.empty() || zoom <= 0.25 || SwitchOn(DrawingSwitch::OverviewDrawing))
        return;
    Looks looks;
    own.Resolve(looks, imposed);
    if (looks.style & kStyleHyperlink) {
        looks.textColor = 12;
        looks.style = kStyleUnderline;
    }
    CFont& font = FontFaces().FirstWorkFont();
    FontFaces().UpdateFont(font, looks, zoom);
    const LogFont previousFont = dc.SelectObject(font);
    const COLORREF previousText = dc.SetTextColor(ColorFromCode(looks.textColor));
    const COLORREF previousBk = dc.GetBkColor();
    int previousMode;
    if (looks.fillColor == kColorCodeInherit) {
        dc.SetBkColor(RGB(255, 255, 255));
        previousMode = dc.SetBkMode(OPAQUE);
    } else {
        previousMode = dc.SetBkMode(TRANSPARENT);
    }
    ScaleByZoom(box, box, zoom);
    if (singleLine) {
        const bool fits = dc.GetTextExtent(text).cx <= box.Width();
        dc.DrawText(text, box,
                    DT_SINGLELINE | DT_NOPREFIX |
                        (fits ? uint32_t(looks.alignment) : uint32_t(DT_LEFT)));
    } else if (SwitchOn(DrawingSwitch::MetafileOutput))
        DrawWrappedText(dc, text, box, looks.alignment);
    else
        dc.DrawText(text, box, DT_WORDBREAK | DT_NOPREFIX | looks.alignment);
    dc.SetBkMode(previousMode);
    if (looks.fillColor == kColorCodeInherit)
        dc.SetBkColor(previousBk);
    dc.SetTextColor(previousText);
    dc.SelectFont(previousFont);
}

void DrawMultiLineText(DeviceContext& dc, const Looks& own, Looks& imposed, std::string_view codes,
                       std::string_view text, int maxLength, int lineHeight, int left, int top,
                       int right, int bottom, double zoom) {
    // The scan ends at a zero character, the end of the view, or after
    // maxLength + 1 characters.
    size_t limit = text.size();
    if (maxLength >= 0)
        limit = std::min(limit, size_t(maxLength) + 1);
    text = text.substr(0, std::min(limit, text.find('\0')));
    if (text.empty())
        return;
    const int64_t height = lineHeight;
    size_t start = 0;
    for (int64_t i = 0; start < text.size(); ++i) {
        size_t end = text.find('\n', start);
        const bool last = end == std::string_view::npos;
        if (last)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!last && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        start = last ? text.size() : end + 1;
        if (last && line.empty())
            break;
        line = line.substr(0, kMultiLineBufferSize - 1);
        const int64_t boxTop = top + i * height, boxBottom = top + (i + 1) * height;
        if (boxBottom > int64_t(bottom) + 1)
            break;
        const Looks saved = imposed;
        if (size_t(i) < codes.size()) {
            switch (codes[size_t(i)]) {
            case 'I':
                imposed.style |= kStyleItalic;
                break;
            case 'U':
                imposed.style |= kStyleUnderline;
                break;
            case 'C':
                imposed.style |= kStyleItalic | kStyleUnderline;
                break;
            case 'D':
                imposed.textColor = RGB(85, 85, 255);
                break;
            default:
                break;
            }
        }
        DrawLooksText(dc, own, imposed, line,
                      CRect(left, int32_t(boxTop), right, int32_t(boxBottom)), zoom, true);
        imposed = saved;
    }
}

} // namespace qm
