// The device context over QPainter: draws into a QImage (views draw into a
// back buffer), a QPrinter page or a QSvgGenerator (where a metafile was
// written), keeping the original platform's pixel conventions. Antialiasing
// is off, so lines, outlines and fills cover whole pixels, and the exclusive
// raster operations (R2_NOTXORPEN, InvertRect) are exactly self-inverse on
// images. Also CBitmap, an off-screen image, and ImageDC, a memory device
// context that owns one.
#pragma once

#include "platform/DeviceContext.h"

#include <memory>

class QFont;
class QImage;
class QPaintDevice;
class QPainter;

namespace qm {

// An off-screen image of 32-bit opaque pixels.
class CBitmap {
  public:
    CBitmap();
    ~CBitmap();
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    // Makes a width x height image filled with white; false for a size below
    // 1 or above 32767 on either side (the bitmap is then empty).
    bool CreateBitmap(int32_t width, int32_t height);
    bool IsEmpty() const;
    int32_t Width() const;
    int32_t Height() const;
    // The pixel at (x, y), or CLR_INVALID outside the bitmap.
    COLORREF GetPixel(int32_t x, int32_t y) const;
    QImage* Image() { return image_.get(); }
    const QImage* Image() const { return image_.get(); }

  private:
    std::unique_ptr<QImage> image_;
};

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

class PainterDC : public DeviceContext {
  public:
    // Begins painting on the device, which must outlive this object; painting
    // ends when it is destroyed. Images should be QImage::Format_RGB32, the
    // format the mix modes are exact on. A device that cannot be painted on gives an
    // inactive context whose drawing operations do nothing and fail.
    explicit PainterDC(QPaintDevice* device);
    explicit PainterDC(CBitmap& bitmap);
    ~PainterDC() override;

    bool IsActive() const;
    // The image behind this context, or null (printer, SVG).
    QImage* Image() const { return image_; }
    // The pixel at device coordinates (x, y) of the image, or CLR_INVALID.
    COLORREF GetPixel(int32_t x, int32_t y) const;
    QPainter& Painter() { return *painter_; }

    void IntersectClipRect(const CRect& rect) override;
    void SelectClipRect(const CRect* rect) override;
    void RestoreDC() override;

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

    PainterDC* AsPainterDC() override { return this; }

  protected:
    int32_t TextLineHeight() override;
    // Paints on an image that this context owns and frees after painting ends.
    explicit PainterDC(std::unique_ptr<QImage> owned);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::unique_ptr<QPainter> painter_;
    QImage* image_ = nullptr;
};

// A memory device context with its own white image of the given size (each
// side clamped to 1..32767).
class ImageDC : public PainterDC {
  public:
    ImageDC(int32_t width, int32_t height);
    ~ImageDC() override;
    const QImage& GetImage() const { return *Image(); }
};

// Maps the face names stored in files ("MS Sans Serif", "Arial", "Courier")
// to installed faces. Done once, by the first PainterDC; callable earlier.
void InstallFontSubstitutions();

// The bytes the process-wide cache of drawn texts holds (it stays below a
// fixed bound).
size_t TextPictureCacheBytes();

// The QFont a logical font stands for, for code that draws with Qt directly.
QFont FontFromLogFont(const LogFont& font);

} // namespace qm
