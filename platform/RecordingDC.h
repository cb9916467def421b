// A device context that draws nothing and writes every call down, one line
// per call with its arguments, so that tests can check what was drawn without
// reading pixels. Text is measured with a fixed-pitch font of its own: every
// character (code point) is charWidth wide and every line lineHeight high,
// both derived from the selected font unless set.
#pragma once

#include "platform/DeviceContext.h"

#include <string>
#include <vector>

namespace qm {

class RecordingDC : public DeviceContext {
  public:
    // Every call, in order, e.g. "Rectangle 1 1 3 3" or
    // "DrawText \"ab\" 0 0 100 20 0x811". Text calls end with the drawing
    // state: " font=Arial/-12/400/ius color=0x0000ff bk=transparent".
    std::vector<std::string> calls;

    // Fixes the text measures; 0 derives them from the selected font again
    // (character width |height| / 2, line height |height|, 16 for height 0).
    void SetFixedMetrics(int32_t charWidth, int32_t lineHeight) {
        charWidth_ = charWidth;
        lineHeight_ = lineHeight;
    }

    // The calls whose names (first words) equal name.
    std::vector<std::string> CallsNamed(std::string_view name) const;
    void Clear() { calls.clear(); }

    using DeviceContext::SelectPen;
    LogPen SelectPen(const LogPen& pen) override;
    LogBrush SelectBrush(const LogBrush& brush) override;
    LogFont SelectFont(const LogFont& font) override;
    int SetROP2(int mode) override;
    COLORREF SetTextColor(COLORREF color) override;
    COLORREF SetBkColor(COLORREF color) override;
    int SetBkMode(int mode) override;
    uint32_t SetTextAlign(uint32_t align) override;
    CPoint SetViewportOrg(CPoint origin) override;
    CPoint SetWindowOrg(CPoint origin) override;
    void IntersectClipRect(const CRect& rect) override;
    void SelectClipRect(const CRect* rect) override;

    CPoint MoveTo(int32_t x, int32_t y) override;
    bool LineTo(int32_t x, int32_t y) override;
    bool Polyline(const CPoint* points, int count) override;
    bool PolyBezier(const CPoint* points, int count) override;
    bool Polygon(const CPoint* points, int count) override;
    bool Rectangle(const CRect& rect) override;
    bool RoundRect(const CRect& rect, CPoint corner) override;
    bool Ellipse(const CRect& rect) override;
    bool Arc(const CRect& rect, CPoint start, CPoint end) override;
    void FillRect(const CRect& rect, const LogBrush& brush) override;
    void FrameRect(const CRect& rect, const LogBrush& brush) override;
    void InvertRect(const CRect& rect) override;
    bool BitBlt(int32_t x, int32_t y, int32_t w, int32_t h, DeviceContext& source, int32_t sx,
                int32_t sy, uint32_t rop) override;
    bool StretchBlt(int32_t x, int32_t y, int32_t w, int32_t h, DeviceContext& source, int32_t sx,
                    int32_t sy, int32_t sw, int32_t sh, uint32_t rop) override;
    bool TextOut(int32_t x, int32_t y, std::string_view text) override;
    int32_t DrawText(std::string_view text, CRect& rect, uint32_t format) override;
    CSize GetTextExtent(std::string_view text) override;
    TextMetrics GetTextMetrics() override;

  private:
    void Record(std::string line);
    std::string TextState() const;
    int32_t CharWidth() const;
    int32_t LineHeight() const;

    int32_t charWidth_ = 0;
    int32_t lineHeight_ = 0;
};

} // namespace qm
