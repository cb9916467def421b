// The device context: the drawing interface of the original platform's GDI,
// with its conventions. Coordinates are integers in device pixels, shifted by
// the window and viewport origins. A rectangle excludes its right and bottom
// edges; outlines use the selected pen and interiors the selected brush.
// DeviceContext keeps the selected objects and settings and declares the
// drawing operations; PainterDC (PainterDC.h) draws them with QPainter and
// RecordingDC (RecordingDC.h) writes them down for tests.
#pragma once

#include "platform/Colors.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// Pen styles (the values stored in line-kind tables).
enum : int {
    PS_SOLID = 0,
    PS_DASH = 1,
    PS_DOT = 2,
    PS_DASHDOT = 3,
    PS_DASHDOTDOT = 4,
    PS_NULL = 5,
    PS_INSIDEFRAME = 6,
};

// Brush styles and hatches.
enum : int { BS_SOLID = 0, BS_NULL = 1, BS_HATCHED = 2 };
enum : int {
    HS_HORIZONTAL = 0,
    HS_VERTICAL = 1,
    HS_FDIAGONAL = 2,
    HS_BDIAGONAL = 3,
    HS_CROSS = 4,
    HS_DIAGCROSS = 5,
};

// Mix modes of pens and brushes (SetROP2).
enum : int {
    R2_BLACK = 1,
    R2_NOTCOPYPEN = 4,
    R2_NOT = 6,
    R2_XORPEN = 7,
    R2_MASKPEN = 9,
    R2_NOTXORPEN = 10,
    R2_NOP = 11,
    R2_MERGEPEN = 15,
    R2_COPYPEN = 13,
    R2_WHITE = 16,
};

// Raster operations of BitBlt and StretchBlt.
enum : uint32_t {
    SRCCOPY = 0x00CC0020,
    SRCPAINT = 0x00EE0086,
    SRCAND = 0x008800C6,
    SRCINVERT = 0x00660046,
    NOTSRCCOPY = 0x00330008,
    DSTINVERT = 0x00550009,
    BLACKNESS = 0x00000042,
    WHITENESS = 0x00FF0062,
};

// Background modes.
enum : int { TRANSPARENT = 1, OPAQUE = 2 };

// Text alignment of TextOut (SetTextAlign).
enum : uint32_t {
    TA_LEFT = 0,
    TA_TOP = 0,
    TA_UPDATECP = 1,
    TA_RIGHT = 2,
    TA_CENTER = 6,
    TA_BOTTOM = 8,
    TA_BASELINE = 24,
};

// DrawText formats.
enum : uint32_t {
    DT_LEFT = 0x0,
    DT_TOP = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_EXPANDTABS = 0x40,
    DT_NOCLIP = 0x100,
    DT_CALCRECT = 0x400,
    DT_NOPREFIX = 0x800,
};

// Font weights.
enum : int32_t { FW_DONTCARE = 0, FW_NORMAL = 400, FW_BOLD = 700 };

struct LogPen {
    int style = PS_SOLID;
    int32_t width = 1; // 0 and 1 both draw one pixel wide
    COLORREF color = RGB(0, 0, 0);
    friend bool operator==(const LogPen&, const LogPen&) = default;
};

struct LogBrush {
    int style = BS_SOLID;
    COLORREF color = RGB(255, 255, 255);
    int hatch = HS_HORIZONTAL;
    friend bool operator==(const LogBrush&, const LogBrush&) = default;
};

// A logical font. A negative height is a character height (the em size in
// pixels), a positive one a cell height, zero a default size.
struct LogFont {
    int32_t height = 0;
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = FW_NORMAL;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    std::string faceName;
    friend bool operator==(const LogFont&, const LogFont&) = default;
};

// A font object: a logical font that can be created, read back and deleted.
class CFont {
  public:
    bool CreateFontIndirect(const LogFont& font) {
        log_ = font;
        created_ = true;
        return true;
    }
    void DeleteObject() {
        log_ = LogFont();
        created_ = false;
    }
    // Fills font with the logical font; false (and nothing filled) when deleted.
    bool GetLogFont(LogFont* font) const {
        if (!created_ || font == nullptr)
            return false;
        *font = log_;
        return true;
    }
    bool IsCreated() const { return created_; }
    const LogFont& Log() const { return log_; }

  private:
    LogFont log_;
    bool created_ = false;
};

struct TextMetrics {
    int32_t height = 0; // ascent + descent
    int32_t ascent = 0;
    int32_t descent = 0;
    int32_t internalLeading = 0;
    int32_t externalLeading = 0;
    int32_t aveCharWidth = 0;
    int32_t maxCharWidth = 0;
};

// Everything a DeviceContext keeps between calls.
struct DcState {
    LogPen pen;
    LogBrush brush;
    LogFont font;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    int rop2 = R2_COPYPEN;
    uint32_t textAlign = TA_LEFT | TA_TOP;
    CPoint position;
    CPoint viewportOrg;
    CPoint windowOrg;
    bool clipped = false;
    CRect clip; // in device pixels, when clipped
};

class PainterDC;

class DeviceContext {
  public:
    DeviceContext();
    virtual ~DeviceContext();
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    // Selected objects; each returns the one selected before.
    virtual LogPen SelectPen(const LogPen& pen);
    virtual LogBrush SelectBrush(const LogBrush& brush);
    virtual LogFont SelectFont(const LogFont& font);
    LogFont SelectObject(const CFont& font) { return SelectFont(font.Log()); }
    LogPen SelectPen(int style, int32_t width, COLORREF color) {
        return SelectPen(LogPen{style, width, color});
    }
    LogBrush SelectSolidBrush(COLORREF color) { return SelectBrush(LogBrush{BS_SOLID, color}); }
    LogBrush SelectNullBrush() { return SelectBrush(LogBrush{BS_NULL, 0}); }

    // Settings; each returns the previous value.
    virtual int SetROP2(int mode);
    virtual COLORREF SetTextColor(COLORREF color);
    virtual COLORREF SetBkColor(COLORREF color);
    virtual int SetBkMode(int mode);
    virtual uint32_t SetTextAlign(uint32_t align);
    virtual CPoint SetViewportOrg(CPoint origin);
    virtual CPoint SetWindowOrg(CPoint origin);

    const DcState& State() const { return state_; }
    const LogPen& GetPen() const { return state_.pen; }
    const LogBrush& GetBrush() const { return state_.brush; }
    const LogFont& GetFont() const { return state_.font; }
    COLORREF GetTextColor() const { return state_.textColor; }
    COLORREF GetBkColor() const { return state_.bkColor; }
    int GetBkMode() const { return state_.bkMode; }
    int GetROP2() const { return state_.rop2; }
    uint32_t GetTextAlign() const { return state_.textAlign; }
    CPoint GetViewportOrg() const { return state_.viewportOrg; }
    CPoint GetWindowOrg() const { return state_.windowOrg; }
    CPoint GetCurrentPosition() const { return state_.position; }

    // Clipping, in logical coordinates converted at the time of the call.
    // IntersectClipRect narrows the clip; SelectClipRect(nullptr) removes it.
    virtual void IntersectClipRect(const CRect& rect);
    virtual void SelectClipRect(const CRect* rect);
    // The clip rectangle in logical coordinates, or false when not clipped.
    bool GetClipBox(CRect* rect) const;

    // Saves everything above; RestoreDC brings back the last saved state.
    virtual void SaveDC();
    virtual void RestoreDC();

    // Lines and shapes. A line excludes its last point; Rectangle, Ellipse and
    // RoundRect take bounding rectangles that exclude right and bottom edges.
    virtual CPoint MoveTo(int32_t x, int32_t y);
    virtual bool LineTo(int32_t x, int32_t y) = 0;
    virtual bool Polyline(const CPoint* points, int count) = 0;
    // Cubic Bézier segments: count must be 3k + 1, else nothing is drawn.
    virtual bool PolyBezier(const CPoint* points, int count) = 0;
    virtual bool Polygon(const CPoint* points, int count) = 0;
    virtual bool Rectangle(const CRect& rect) = 0;
    // corner: the width and height of the corners' ellipse.
    virtual bool RoundRect(const CRect& rect, CPoint corner) = 0;
    virtual bool Ellipse(const CRect& rect) = 0;
    // The arc of the ellipse counter-clockwise from the ray through start to
    // the ray through end; start == end gives the whole ellipse.
    virtual bool Arc(const CRect& rect, CPoint start, CPoint end) = 0;

    // Fills the rectangle with the brush, without the pen.
    virtual void FillRect(const CRect& rect, const LogBrush& brush) = 0;
    void FillSolidRect(const CRect& rect, COLORREF color) {
        FillRect(rect, LogBrush{BS_SOLID, color});
    }
    // A one-pixel border just inside the rectangle, painted with the brush.
    virtual void FrameRect(const CRect& rect, const LogBrush& brush) = 0;
    // Inverts every pixel of the rectangle; twice restores it exactly.
    virtual void InvertRect(const CRect& rect) = 0;

    // Copies pixels of an image-backed source; false when the source has none.
    virtual bool BitBlt(int32_t x, int32_t y, int32_t w, int32_t h, DeviceContext& source,
                        int32_t sx, int32_t sy, uint32_t rop) = 0;
    virtual bool StretchBlt(int32_t x, int32_t y, int32_t w, int32_t h, DeviceContext& source,
                            int32_t sx, int32_t sy, int32_t sw, int32_t sh, uint32_t rop) = 0;

    // Text in the selected font, text colour and background mode. TextOut
    // places the text by the text alignment. DrawText lays the text out in the
    // rectangle by format (alignment, word break, single line, no prefix,
    // calculate only, no clip) and returns the height of the text; with
    // DT_CALCRECT it sets the rectangle's right and bottom instead of drawing.
    virtual bool TextOut(int32_t x, int32_t y, std::string_view text) = 0;
    virtual int32_t DrawText(std::string_view text, CRect& rect, uint32_t format) = 0;
    // Width and height of the text in the selected font; (0, 0) when empty.
    virtual CSize GetTextExtent(std::string_view text) = 0;
    virtual TextMetrics GetTextMetrics() = 0;

    // The painter DC behind this one, or null (used by BitBlt for its source).
    virtual PainterDC* AsPainterDC() { return nullptr; }

  protected:
    // The offset from logical to device coordinates.
    CSize DeviceOffset() const {
        return {state_.viewportOrg.x - state_.windowOrg.x,
                state_.viewportOrg.y - state_.windowOrg.y};
    }

    // One laid-out line of DrawText: its bytes and its place.
    struct TextLine {
        std::string text;
        int32_t x = 0;
        int32_t y = 0;
        int32_t width = 0;
    };
    // The height of one line of text in the selected font.
    virtual int32_t TextLineHeight() { return GetTextMetrics().height; }
    // Lays the text out as DrawText does, measuring with GetTextExtent.
    // Fills lines (positions in logical coordinates) and returns the text height;
    // bounds gets the rectangle the text covers, for DT_CALCRECT.
    int32_t LayoutText(std::string_view text, const CRect& rect, uint32_t format,
                       std::vector<TextLine>& lines, CRect& bounds);

    DcState state_;

  private:
    std::vector<DcState> saved_;
};

} // namespace qm
