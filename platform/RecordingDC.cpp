// The recording device context.
#include "platform/RecordingDC.h"

#include "platform/Format.h"

#include <cstdlib>

namespace qm {

namespace {

std::string Points(const CPoint* points, int count) {
    std::string out = Format(" %d", count);
    for (int i = 0; points != nullptr && i < count; ++i)
        out += Format(" %d,%d", points[i].x, points[i].y);
    return out;
}

std::string Rect(const CRect& r) {
    return Format(" %d %d %d %d", r.left, r.top, r.right, r.bottom);
}

std::string Brush(const LogBrush& b) {
    return Format(" brush=%d/0x%06x/%d", b.style, unsigned(b.color), b.hatch);
}

// Counts code points, so that a character is one unit whatever its encoding.
int32_t CodePoints(std::string_view text) {
    int32_t n = 0;
    for (char c : text)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

} // namespace

std::vector<std::string> RecordingDC::CallsNamed(std::string_view name) const {
    std::vector<std::string> out;
    for (const std::string& call : calls)
        if (call.compare(0, call.find(' '), name) == 0)
            out.push_back(call);
    return out;
}

void RecordingDC::Record(std::string line) {
    calls.push_back(std::move(line));
}

std::string RecordingDC::TextState() const {
    const LogFont& f = state_.font;
    std::string style;
    if (f.italic)
        style += 'i';
    if (f.underline)
        style += 'u';
    if (f.strikeOut)
        style += 's';
    return Format(" font=%s/%d/%d/%s color=0x%06x bk=%s", f.faceName.c_str(), f.height, f.weight,
                  style.c_str(), unsigned(state_.textColor),
                  state_.bkMode == OPAQUE ? Format("0x%06x", unsigned(state_.bkColor)).c_str()
                                          : "transparent");
}

int32_t RecordingDC::CharWidth() const {
    if (charWidth_ > 0)
        return charWidth_;
    const int32_t h = std::abs(state_.font.height);
    return h == 0 ? 8 : std::max(1, h / 2);
}

int32_t RecordingDC::LineHeight() const {
    if (lineHeight_ > 0)
        return lineHeight_;
    const int32_t h = std::abs(state_.font.height);
    return h == 0 ? 16 : h;
}

LogPen RecordingDC::SelectPen(const LogPen& pen) {
    Record(Format("SelectPen %d %d 0x%06x", pen.style, pen.width, unsigned(pen.color)));
    return DeviceContext::SelectPen(pen);
}

LogBrush RecordingDC::SelectBrush(const LogBrush& brush) {
    Record("SelectBrush" + Brush(brush));
    return DeviceContext::SelectBrush(brush);
}

LogFont RecordingDC::SelectFont(const LogFont& font) {
    Record(Format("SelectFont %s %d %d", font.faceName.c_str(), font.height, font.weight));
    return DeviceContext::SelectFont(font);
}

int RecordingDC::SetROP2(int mode) {
    Record(Format("SetROP2 %d", mode));
    return DeviceContext::SetROP2(mode);
}

COLORREF RecordingDC::SetTextColor(COLORREF color) {
    Record(Format("SetTextColor 0x%06x", unsigned(color)));
    return DeviceContext::SetTextColor(color);
}

COLORREF RecordingDC::SetBkColor(COLORREF color) {
    Record(Format("SetBkColor 0x%06x", unsigned(color)));
    return DeviceContext::SetBkColor(color);
}

int RecordingDC::SetBkMode(int mode) {
    Record(Format("SetBkMode %d", mode));
    return DeviceContext::SetBkMode(mode);
}

uint32_t RecordingDC::SetTextAlign(uint32_t align) {
    Record(Format("SetTextAlign %u", align));
    return DeviceContext::SetTextAlign(align);
}

CPoint RecordingDC::SetViewportOrg(CPoint origin) {
    Record(Format("SetViewportOrg %d %d", origin.x, origin.y));
    return DeviceContext::SetViewportOrg(origin);
}

CPoint RecordingDC::SetWindowOrg(CPoint origin) {
    Record(Format("SetWindowOrg %d %d", origin.x, origin.y));
    return DeviceContext::SetWindowOrg(origin);
}

void RecordingDC::IntersectClipRect(const CRect& rect) {
    Record("IntersectClipRect" + Rect(rect));
    DeviceContext::IntersectClipRect(rect);
}

void RecordingDC::SelectClipRect(const CRect* rect) {
    Record(rect != nullptr ? "SelectClipRect" + Rect(*rect) : "SelectClipRect none");
    DeviceContext::SelectClipRect(rect);
}

CPoint RecordingDC::MoveTo(int32_t x, int32_t y) {
    Record(Format("MoveTo %d %d", x, y));
    return DeviceContext::MoveTo(x, y);
}

bool RecordingDC::LineTo(int32_t x, int32_t y) {
    Record(Format("LineTo %d %d", x, y));
    state_.position = CPoint(x, y);
    return true;
}

bool RecordingDC::Polyline(const CPoint* points, int count) {
    Record("Polyline" + Points(points, count));
    return points != nullptr && count >= 2;
}

bool RecordingDC::PolyBezier(const CPoint* points, int count) {
    Record("PolyBezier" + Points(points, count));
    return points != nullptr && count >= 4 && (count - 1) % 3 == 0;
}

bool RecordingDC::Polygon(const CPoint* points, int count) {
    Record("Polygon" + Points(points, count));
    return points != nullptr && count >= 2;
}

bool RecordingDC::Rectangle(const CRect& rect) {
    Record("Rectangle" + Rect(rect));
    return true;
}

bool RecordingDC::RoundRect(const CRect& rect, CPoint corner) {
    Record("RoundRect" + Rect(rect) + Format(" %d %d", corner.x, corner.y));
    return true;
}

bool RecordingDC::Ellipse(const CRect& rect) {
    Record("Ellipse" + Rect(rect));
    return true;
}

bool RecordingDC::Arc(const CRect& rect, CPoint start, CPoint end) {
    Record("Arc" + Rect(rect) + Format(" %d %d %d %d", start.x, start.y, end.x, end.y));
    return true;
}

void RecordingDC::FillRect(const CRect& rect, const LogBrush& brush) {
    Record("FillRect" + Rect(rect) + Brush(brush));
}

void RecordingDC::FrameRect(const CRect& rect, const LogBrush& brush) {
    Record("FrameRect" + Rect(rect) + Brush(brush));
}

void RecordingDC::InvertRect(const CRect& rect) {
    Record("InvertRect" + Rect(rect));
}

bool RecordingDC::BitBlt(int32_t x, int32_t y, int32_t w, int32_t h, DeviceContext&, int32_t sx,
                         int32_t sy, uint32_t rop) {
    Record(Format("BitBlt %d %d %d %d %d %d 0x%08x", x, y, w, h, sx, sy, rop));
    return true;
}

bool RecordingDC::StretchBlt(int32_t x, int32_t y, int32_t w, int32_t h, DeviceContext&, int32_t sx,
                             int32_t sy, int32_t sw, int32_t sh, uint32_t rop) {
    Record(Format("StretchBlt %d %d %d %d %d %d %d %d 0x%08x", x, y, w, h, sx, sy, sw, sh, rop));
    return true;
}

bool RecordingDC::TextOut(int32_t x, int32_t y, std::string_view text) {
    Record(Format("TextOut %d %d \"%.*s\"", x, y, int(text.size()), text.data()) + TextState());
    return true;
}

int32_t RecordingDC::DrawText(std::string_view text, CRect& rect, uint32_t format) {
    Record(Format("DrawText \"%.*s\"", int(text.size()), text.data()) + Rect(rect) +
           Format(" 0x%x", format) + TextState());
    std::vector<TextLine> lines;
    CRect bounds;
    const int32_t height = LayoutText(text, rect, format, lines, bounds);
    if (format & DT_CALCRECT) {
        rect.right = bounds.right;
        rect.bottom = bounds.bottom;
    }
    return height;
}

CSize RecordingDC::GetTextExtent(std::string_view text) {
    if (text.empty())
        return CSize(0, 0);
    return CSize(CodePoints(text) * CharWidth(), LineHeight());
}

TextMetrics RecordingDC::GetTextMetrics() {
    TextMetrics m;
    m.height = LineHeight();
    m.ascent = m.height * 4 / 5;
    m.descent = m.height - m.ascent;
    m.aveCharWidth = CharWidth();
    m.maxCharWidth = CharWidth();
    return m;
}

} // namespace qm
