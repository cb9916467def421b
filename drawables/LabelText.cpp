// Label fitting and word-wrapped label drawing. The wrapping measures words
// with the device context as it goes (accepted width plus the next word,
// blank included, must stay below the box width), so it works the same on
// screen, printer and recording contexts; a word that alone is too wide is
// cut at the longest prefix that fits, at least one character.
#include "drawables/LabelText.h"

#include "drawables/FontFaceTable.h"

#include <algorithm>

namespace qm {

void FitTextRect(DeviceContext& dc, std::string_view first, const std::string_view* second,
                 const Looks* looks, const CRect& around, CRect& result) {
    const Looks plain;
    CFont& font = FontFaces().FirstWorkFont();
    FontFaces().UpdateFont(font, looks != nullptr ? *looks : plain, 1.0);
    const LogFont previous = dc.SelectObject(font);
    CSize extent = dc.GetTextExtent(first);
    if (second != nullptr) {
        const CSize more = dc.GetTextExtent(*second);
        extent = CSize(std::max(extent.cx, more.cx), extent.cy + more.cy);
    }
    dc.SelectFont(previous);
    const int32_t w = extent.cx + extent.cx / 10;
    const int32_t h = extent.cy + extent.cy / 10;
    result = around;
    result.InflateRect((w - around.Width()) / 2 + 1, (h - around.Height()) / 2 + 1);
    if (result.Width() < 4 && result.Height() < 4)
        result.InflateRect(4 - result.Width() / 2, 4 - result.Height() / 2);
}

namespace {

// The end of the character (UTF-8 sequence) that starts at pos.
size_t CharEnd(std::string_view text, size_t pos) {
    ++pos;
    while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80)
        ++pos;
    return std::min(pos, text.size());
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

struct LineEnd {
    size_t end;  // the line is [start, end)
    size_t next; // where the next line starts
};

// Gathers one line from start: a hard break at CR LF, a soft break after
// the last accepted word, else a cut word.
LineEnd GatherLine(DeviceContext& dc, std::string_view text, size_t start, int32_t width) {
    const size_t n = text.size();
    size_t lastBreak = start;
    int32_t accepted = 0;
    for (size_t i = start;; ++i) {
        if (i + 1 < n && text[i] == '\r' && text[i + 1] == '\n')
            return {i, i + 2};
        const bool atEnd = i >= n;
        if (!atEnd && !IsBlank(text[i]))
            continue;
        const int32_t word = dc.GetTextExtent(text.substr(lastBreak, i - lastBreak)).cx;
        if (int64_t(accepted) + word < width) {
            accepted += word;
            lastBreak = i;
            if (atEnd)
                return {n, n};
            continue;
        }
        size_t end = lastBreak;
        if (lastBreak == start) {
            // One word wider than the line: the longest prefix below the
            // width, at least one character.
            end = CharEnd(text, start);
            for (size_t probe = end; probe < i;) {
                probe = CharEnd(text, probe);
                if (dc.GetTextExtent(text.substr(start, probe - start)).cx >= width)
                    break;
                end = probe;
            }
        }
        size_t next = end;
        while (next < n && IsBlank(text[next]))
            ++next;
        return {end, next};
    }
}

} // namespace

void DrawWrappedText(DeviceContext& dc, std::string_view text, CRect box, uint8_t alignment) {
    const int32_t width = box.Width();
    const int32_t height = box.Height();
    const int32_t lineHeight =
        dc.GetTextExtent(text.substr(0, text.empty() ? 0 : CharEnd(text, 0))).cy;
    if (lineHeight <= 0)
        return;
    const uint32_t previousAlign = dc.SetTextAlign(TA_LEFT | TA_TOP);
    size_t pos = 0;
    for (int64_t lines = 0; pos < text.size(); ++lines) {
        const LineEnd line = GatherLine(dc, text, pos, width);
        if ((lines + 1) * lineHeight > height)
            break;
        const std::string_view shown = text.substr(pos, line.end - pos);
        const int32_t lineWidth = dc.GetTextExtent(shown).cx;
        int64_t x = box.left;
        if (alignment & DT_CENTER)
            x += (int64_t(width) - lineWidth) / 2;
        else if (alignment & DT_RIGHT)
            x += int64_t(width) - lineWidth;
        if (!shown.empty())
            dc.TextOut(int32_t(x), int32_t(box.top + lines * lineHeight), shown);
        pos = line.next;
    }
    dc.SetTextAlign(previousAlign);
}

} // namespace qm
