// The device context's state keeping and the text layout of DrawText, shared
// by every implementation so that measuring and drawing always agree.
#include "platform/DeviceContext.h"

#include <algorithm>
#include <utility>

namespace qm {

DeviceContext::DeviceContext() = default;
DeviceContext::~DeviceContext() = default;

LogPen DeviceContext::SelectPen(const LogPen& pen) {
    return std::exchange(state_.pen, pen);
}

LogBrush DeviceContext::SelectBrush(const LogBrush& brush) {
    return std::exchange(state_.brush, brush);
}

LogFont DeviceContext::SelectFont(const LogFont& font) {
    return std::exchange(state_.font, font);
}

int DeviceContext::SetROP2(int mode) {
    return std::exchange(state_.rop2, mode);
}

COLORREF DeviceContext::SetTextColor(COLORREF color) {
    return std::exchange(state_.textColor, color);
}

COLORREF DeviceContext::SetBkColor(COLORREF color) {
    return std::exchange(state_.bkColor, color);
}

int DeviceContext::SetBkMode(int mode) {
    return std::exchange(state_.bkMode, mode);
}

uint32_t DeviceContext::SetTextAlign(uint32_t align) {
    return std::exchange(state_.textAlign, align);
}

CPoint DeviceContext::SetViewportOrg(CPoint origin) {
    return std::exchange(state_.viewportOrg, origin);
}

CPoint DeviceContext::SetWindowOrg(CPoint origin) {
    return std::exchange(state_.windowOrg, origin);
}

void DeviceContext::IntersectClipRect(const CRect& rect) {
    CRect device = rect;
    device.NormalizeRect();
    device.OffsetRect(DeviceOffset());
    if (state_.clipped) {
        CRect common;
        common.IntersectRect(state_.clip, device);
        device = common;
    }
    state_.clipped = true;
    state_.clip = device;
}

void DeviceContext::SelectClipRect(const CRect* rect) {
    state_.clipped = false;
    if (rect != nullptr)
        IntersectClipRect(*rect);
}

bool DeviceContext::GetClipBox(CRect* rect) const {
    if (!state_.clipped)
        return false;
    if (rect != nullptr) {
        *rect = state_.clip;
        CSize offset = DeviceOffset();
        rect->OffsetRect(-offset.cx, -offset.cy);
    }
    return true;
}

void DeviceContext::SaveDC() {
    saved_.push_back(state_);
}

void DeviceContext::RestoreDC() {
    if (saved_.empty())
        return;
    state_ = saved_.back();
    saved_.pop_back();
}

CPoint DeviceContext::MoveTo(int32_t x, int32_t y) {
    return std::exchange(state_.position, CPoint(x, y));
}

namespace {

// Drops prefix characters: "&x" shows x, "&&" shows one "&".
std::string StripPrefixes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        else if (text[i] == '&')
            continue;
        out.push_back(text[i]);
    }
    return out;
}

// Replaces tabs by blanks up to the next multiple of eight characters.
std::string ExpandTabs(std::string_view text) {
    std::string out;
    size_t column = 0;
    for (char c : text) {
        if (c == '\n' || c == '\r') {
            column = 0;
            out.push_back(c);
        } else if (c == '\t') {
            do {
                out.push_back(' ');
            } while (++column % 8 != 0);
        } else {
            out.push_back(c);
            ++column;
        }
    }
    return out;
}

// Cuts the text into paragraphs at CR LF, CR and LF.
std::vector<std::string_view> Paragraphs(std::string_view text) {
    std::vector<std::string_view> out;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        out.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    out.push_back(text.substr(start));
    return out;
}

} // namespace

int32_t DeviceContext::LayoutText(std::string_view text, const CRect& rect, uint32_t format,
                                  std::vector<TextLine>& lines, CRect& bounds) {
    lines.clear();
    std::string prepared((format & DT_NOPREFIX) ? std::string(text) : StripPrefixes(text));
    if (format & DT_EXPANDTABS)
        prepared = ExpandTabs(prepared);
    if (format & DT_SINGLELINE)
        std::erase_if(prepared, [](char c) { return c == '\r' || c == '\n'; });

    const int32_t width = rect.Width();
    const bool wrap = (format & DT_WORDBREAK) && !(format & DT_SINGLELINE);
    auto add = [&](std::string_view line) {
        lines.push_back(TextLine{std::string(line), 0, 0, GetTextExtent(line).cx});
    };
    for (std::string_view paragraph : Paragraphs(prepared)) {
        if (!wrap) {
            add(paragraph);
            continue;
        }
        // Most labels fit on one line: measure once.
        const int32_t whole = GetTextExtent(paragraph).cx;
        if (whole <= width) {
            lines.push_back(TextLine{std::string(paragraph), 0, 0, whole});
            continue;
        }
        // Greedy word wrap at blanks; a word wider than the rectangle stands
        // alone on its line and is not broken.
        size_t start = 0;
        while (true) {
            size_t end = start;
            size_t scan = start;
            while (scan < paragraph.size()) {
                size_t wordEnd = paragraph.find(' ', scan);
                if (wordEnd == std::string_view::npos)
                    wordEnd = paragraph.size();
                if (end > start &&
                    GetTextExtent(paragraph.substr(start, wordEnd - start)).cx > width)
                    break;
                end = wordEnd;
                scan = wordEnd;
                while (scan < paragraph.size() && paragraph[scan] == ' ')
                    ++scan;
            }
            add(paragraph.substr(start, end - start));
            start = end;
            while (start < paragraph.size() && paragraph[start] == ' ')
                ++start;
            if (start >= paragraph.size())
                break;
        }
    }
    if (prepared.empty())
        lines.clear();

    const int32_t lineHeight = TextLineHeight();
    const int32_t height = lineHeight * int32_t(lines.size());
    int32_t top = rect.top;
    if (format & DT_SINGLELINE) {
        if (format & DT_BOTTOM)
            top = rect.bottom - height;
        else if (format & DT_VCENTER)
            top = rect.top + (rect.Height() - height) / 2;
    }
    int32_t widest = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        TextLine& line = lines[i];
        widest = std::max(widest, line.width);
        line.y = top + int32_t(i) * lineHeight;
        if (format & DT_CENTER)
            line.x = rect.left + (width - line.width) / 2;
        else if (format & DT_RIGHT)
            line.x = rect.right - line.width;
        else
            line.x = rect.left;
    }
    bounds = CRect(rect.left, rect.top, rect.left + widest, rect.top + height);
    return height;
}

} // namespace qm
