// The QPainter device context on offscreen images: pixel geometry probed
// pixel by pixel, the exactly self-inverse mix modes, state keeping, text
// layout, and the other targets (SVG, PDF printer).
#include "platform/PainterDC.h"
#include "platform/RecordingDC.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <QPrinter>
#include <QSvgGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

namespace qm {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

// The set of pixels of the image that are not white, as "x,y" in row order.
std::vector<CPoint> Painted(const ImageDC& dc) {
    std::vector<CPoint> out;
    const QImage& image = dc.GetImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (dc.GetPixel(x, y) != kWhite)
                out.emplace_back(x, y);
    return out;
}

// The pixels a one-pixel outline of the rectangle covers: its left and top
// edges and the column and row just inside its right and bottom edges.
std::vector<CPoint> OutlinePixels(const CRect& r) {
    std::vector<CPoint> out;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (x == r.left || x == r.right - 1 || y == r.top || y == r.bottom - 1)
                out.emplace_back(x, y);
    return out;
}

// A picture with something in every pixel, so that exact restoration shows.
void PaintNoise(ImageDC& dc) {
    QImage* image = dc.Image();
    for (int y = 0; y < image->height(); ++y)
        for (int x = 0; x < image->width(); ++x)
            image->setPixel(
                x, y, qRgb((x * 37 + y * 11) & 0xFF, (x * 5 + y * 71) & 0xFF, (x * y + 3) & 0xFF));
}

TEST(PainterDC, OnePixelRectangleOutlineCoversGdiPixels) {
    struct Case {
        CRect rect;
    } cases[] = {{{2, 3, 9, 8}}, {{0, 0, 2, 2}}, {{4, 4, 5, 9}}, {{1, 6, 12, 7}}};
    for (const Case& c : cases) {
        ImageDC dc(16, 16);
        dc.SelectPen(PS_SOLID, 1, kBlack);
        dc.SelectNullBrush();
        dc.Rectangle(c.rect);
        EXPECT_EQ(Painted(dc), OutlinePixels(c.rect))
            << c.rect.left << "," << c.rect.top << "," << c.rect.right << "," << c.rect.bottom;
    }
}

TEST(PainterDC, RectangleInteriorIsTheBrushAndNullPenFillsOneShort) {
    ImageDC dc(16, 16);
    dc.SelectPen(PS_SOLID, 1, kBlack);
    dc.SelectSolidBrush(kRed);
    dc.Rectangle(CRect(2, 2, 8, 8));
    EXPECT_EQ(dc.GetPixel(2, 2), kBlack);
    EXPECT_EQ(dc.GetPixel(7, 7), kBlack);
    EXPECT_EQ(dc.GetPixel(3, 3), kRed);
    EXPECT_EQ(dc.GetPixel(6, 6), kRed);
    EXPECT_EQ(dc.GetPixel(8, 8), kWhite);

    ImageDC bare(16, 16);
    bare.SelectPen(PS_NULL, 1, kBlack);
    bare.SelectSolidBrush(kRed);
    bare.Rectangle(CRect(2, 2, 8, 8));
    EXPECT_EQ(bare.GetPixel(2, 2), kRed);
    EXPECT_EQ(bare.GetPixel(6, 6), kRed);
    EXPECT_EQ(bare.GetPixel(7, 7), kWhite);
}

TEST(PainterDC, FillFrameAndLinesExcludeRightAndBottom) {
    ImageDC dc(20, 20);
    dc.FillSolidRect(CRect(1, 1, 4, 3), kRed);
    EXPECT_EQ(dc.GetPixel(1, 1), kRed);
    EXPECT_EQ(dc.GetPixel(3, 2), kRed);
    EXPECT_EQ(dc.GetPixel(4, 2), kWhite);
    EXPECT_EQ(dc.GetPixel(3, 3), kWhite);

    ImageDC frame(20, 20);
    frame.FrameRect(CRect(5, 5, 10, 9), LogBrush{BS_SOLID, kBlack});
    EXPECT_EQ(Painted(frame), OutlinePixels(CRect(5, 5, 10, 9)));

    ImageDC lines(20, 20);
    lines.SelectPen(PS_SOLID, 1, kBlack);
    lines.MoveTo(2, 5);
    lines.LineTo(10, 5);
    lines.LineTo(10, 12);
    EXPECT_EQ(lines.GetPixel(2, 5), kBlack);
    EXPECT_EQ(lines.GetPixel(9, 5), kBlack);
    EXPECT_EQ(lines.GetPixel(10, 11), kBlack);
    EXPECT_EQ(lines.GetPixel(10, 12), kWhite); // the last point stays out
    EXPECT_EQ(lines.GetCurrentPosition(), CPoint(10, 12));
}

TEST(PainterDC, NotXorPenAndInvertRectAreExactlySelfInverse) {
    ImageDC dc(40, 30);
    PaintNoise(dc);
    const QImage before = dc.GetImage().copy();

    dc.SetROP2(R2_NOTXORPEN);
    dc.SelectPen(PS_SOLID, 1, RGB(100, 100, 100));
    dc.SelectSolidBrush(kWhite);
    auto drawAll = [&] {
        dc.Rectangle(CRect(3, 4, 30, 20));
        dc.Rectangle(CRect(5, 5, 6, 6));
        const CPoint zigzag[] = {{1, 1}, {20, 25}, {35, 2}, {1, 1}};
        dc.Polyline(zigzag, 4);
        dc.InvertRect(CRect(10, 10, 39, 29));
    };
    drawAll();
    EXPECT_NE(dc.GetImage(), before);
    EXPECT_NE(dc.GetPixel(3, 4), CLR_INVALID);
    drawAll();
    EXPECT_EQ(dc.GetImage(), before);
    EXPECT_EQ(std::memcmp(dc.GetImage().constBits(), before.constBits(), before.sizeInBytes()), 0);
}

TEST(PainterDC, NotXorPenChangesOutlineByTheComplementOfThePen) {
    ImageDC dc(10, 10);
    dc.SetROP2(R2_NOTXORPEN);
    dc.SelectPen(PS_SOLID, 1, RGB(100, 100, 100));
    dc.SelectSolidBrush(kWhite);
    dc.Rectangle(CRect(1, 1, 8, 8));
    EXPECT_EQ(dc.GetPixel(1, 1), RGB(100, 100, 100)); // not (pen xor white)
    EXPECT_EQ(dc.GetPixel(4, 4), kWhite);             // a white brush changes nothing
}

TEST(PainterDC, OriginsAndClipping) {
    ImageDC dc(20, 20);
    dc.SetViewportOrg(CPoint(5, 5));
    dc.SetWindowOrg(CPoint(1, 0));
    dc.FillSolidRect(CRect(1, 0, 2, 1), kRed);
    EXPECT_EQ(dc.GetPixel(5, 5), kRed);

    ImageDC clipped(20, 20);
    clipped.IntersectClipRect(CRect(0, 0, 5, 5));
    clipped.FillSolidRect(CRect(0, 0, 10, 10), kRed);
    EXPECT_EQ(clipped.GetPixel(4, 4), kRed);
    EXPECT_EQ(clipped.GetPixel(5, 4), kWhite);
    CRect box;
    ASSERT_TRUE(clipped.GetClipBox(&box));
    EXPECT_EQ(box, CRect(0, 0, 5, 5));
    clipped.SelectClipRect(nullptr);
    clipped.FillSolidRect(CRect(0, 0, 10, 10), kBlack);
    EXPECT_EQ(clipped.GetPixel(9, 9), kBlack);
}

TEST(PainterDC, SaveAndRestoreBringBackSettings) {
    ImageDC dc(10, 10);
    dc.SaveDC();
    dc.SetTextColor(kRed);
    dc.SetROP2(R2_NOTXORPEN);
    dc.IntersectClipRect(CRect(0, 0, 1, 1));
    dc.RestoreDC();
    EXPECT_EQ(dc.GetTextColor(), kBlack);
    EXPECT_EQ(dc.GetROP2(), R2_COPYPEN);
    EXPECT_FALSE(dc.GetClipBox(nullptr));
    dc.FillSolidRect(CRect(0, 0, 10, 10), kRed);
    EXPECT_EQ(dc.GetPixel(9, 9), kRed);
}

TEST(PainterDC, ShapesStayInsideTheirBoundingRectangle) {
    struct Case {
        const char* name;
        std::function<void(DeviceContext&)> draw;
        CRect bounds;
    } cases[] = {
        {"ellipse", [](DeviceContext& dc) { dc.Ellipse(CRect(2, 3, 18, 13)); }, {2, 3, 18, 13}},
        {"round rect",
         [](DeviceContext& dc) { dc.RoundRect(CRect(1, 1, 15, 12), CPoint(4, 4)); },
         {1, 1, 15, 12}},
        {"arc",
         [](DeviceContext& dc) { dc.Arc(CRect(0, 0, 19, 19), CPoint(19, 9), CPoint(0, 9)); },
         {0, 0, 19, 10}},
        {"polygon",
         [](DeviceContext& dc) {
             const CPoint p[] = {{2, 2}, {12, 2}, {7, 10}};
             dc.Polygon(p, 3);
         },
         {2, 2, 13, 11}},
        {"bezier",
         [](DeviceContext& dc) {
             const CPoint p[] = {{1, 10}, {5, 1}, {10, 1}, {15, 10}};
             dc.PolyBezier(p, 4);
         },
         {1, 1, 16, 11}},
    };
    for (const Case& c : cases) {
        ImageDC dc(24, 24);
        dc.SelectPen(PS_SOLID, 1, kBlack);
        dc.SelectSolidBrush(kRed);
        c.draw(dc);
        const std::vector<CPoint> painted = Painted(dc);
        EXPECT_FALSE(painted.empty()) << c.name;
        for (CPoint p : painted)
            EXPECT_TRUE(c.bounds.PtInRect(p)) << c.name << " " << p.x << "," << p.y;
    }
}

TEST(PainterDC, ExtremeCoordinatesDrawWithoutOverflow) {
    constexpr int32_t lo = std::numeric_limits<int32_t>::min();
    constexpr int32_t hi = std::numeric_limits<int32_t>::max();
    const CRect huge(lo, lo, hi, hi);
    ImageDC dc(20, 20);
    dc.SelectPen(PS_DASH, 1, kBlack);
    dc.SelectSolidBrush(kRed);
    dc.Rectangle(huge);
    dc.Ellipse(huge);
    dc.RoundRect(huge, CPoint(hi, lo));
    dc.FrameRect(huge, LogBrush{BS_SOLID, kBlack});
    dc.FillRect(huge, LogBrush{BS_HATCHED, kBlack, HS_DIAGCROSS});
    dc.InvertRect(huge);
    CRect text = huge;
    dc.DrawText("far", text, DT_WORDBREAK);
    EXPECT_NE(dc.GetPixel(10, 10), CLR_INVALID);
}

TEST(PainterDC, PolyBezierNeedsThreeKPlusOnePoints) {
    ImageDC dc(10, 10);
    const CPoint p[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}};
    EXPECT_FALSE(dc.PolyBezier(p, 5));
    EXPECT_FALSE(dc.PolyBezier(p, 1));
    EXPECT_TRUE(dc.PolyBezier(p, 4));
}

TEST(PainterDC, DashedPenLeavesGapsAndOpaqueModeFillsThem) {
    for (int mode : {TRANSPARENT, OPAQUE}) {
        ImageDC dc(60, 4);
        dc.FillSolidRect(CRect(0, 0, 60, 4), RGB(0, 0, 255));
        dc.SetBkMode(mode);
        dc.SetBkColor(kRed);
        dc.SelectPen(PS_DASH, 1, kBlack);
        dc.MoveTo(0, 1);
        dc.LineTo(60, 1);
        int black = 0, gap = 0;
        for (int x = 0; x < 60; ++x) {
            COLORREF p = dc.GetPixel(x, 1);
            black += p == kBlack;
            gap += p == (mode == OPAQUE ? kRed : RGB(0, 0, 255));
        }
        EXPECT_GT(black, 0);
        EXPECT_GT(gap, 0) << mode;
        EXPECT_EQ(black + gap, 60) << mode;
    }
}

// Qt's own drawing of a polygon as the context draws it: in opaque mode a
// dashed outline's gaps first in the background colour, then the interior
// and the outline.
void ReferencePolygon(QImage& image, const std::vector<CPoint>& shape, CPoint at, int penStyle,
                      int rop, QColor pen, QColor fill, QColor background) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (rop == R2_NOTXORPEN)
        painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    QPolygon polygon;
    for (const CPoint& p : shape)
        polygon << QPoint(p.x + at.x, p.y + at.y);
    auto thin = [](QColor color) {
        QPen q(color);
        q.setWidth(0);
        q.setCosmetic(true);
        q.setCapStyle(Qt::FlatCap);
        q.setJoinStyle(Qt::MiterJoin);
        return q;
    };
    if (penStyle == PS_DASH) {
        painter.setPen(thin(background));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolygon(polygon, Qt::OddEvenFill);
    }
    QPen outline = thin(pen);
    if (penStyle == PS_DASH)
        outline.setDashPattern({18, 6});
    painter.setPen(penStyle == PS_NULL ? QPen(Qt::NoPen) : outline);
    painter.setBrush(fill);
    painter.drawPolygon(polygon, Qt::OddEvenFill);
}

// Filled polygons drawn over a noisy picture, twice each in places where
// nothing clips them (a shape drawn again comes from the context's cached
// picture of it) and once across the edge, with the pens and mixes in turn
// on one context: every pixel must be what Qt's own drawing gives, so that a
// cached picture is never one of another pen or shape.
TEST(PainterDC, PolygonsMatchQtPixelForPixel) {
    const std::vector<std::vector<CPoint>> shapes = {
        {{0, 0},
         {59, 0},
         {59, 39},
         {0, 39},
         {0, 26},
         {59, 26},
         {0, 26},
         {0, 12},
         {59, 12},
         {0, 12}},
        {{0, 0}, {0, 30}, {15, 30}, {15, 10}, {40, 10}, {40, 0}},
        {{10, 0},
         {20, 0},
         {20, 40},
         {10, 40},
         {10, 15},
         {0, 15},
         {0, 25},
         {48, 25},
         {48, 15},
         {10, 15}},
        {{4, 4}, {44, 9}, {20, 36}},
    };
    struct Case {
        int pen;
        int rop;
        COLORREF color;
    };
    const Case cases[] = {{PS_NULL, R2_COPYPEN, RGB(200, 20, 90)},
                          {PS_DASH, R2_COPYPEN, RGB(200, 20, 90)},
                          {PS_DASH, R2_COPYPEN, RGB(20, 200, 90)},
                          {PS_SOLID, R2_COPYPEN, RGB(20, 200, 90)},
                          {PS_SOLID, R2_NOTXORPEN, RGB(200, 20, 90)}};
    const QColor fill(30, 160, 220), background(250, 240, 10);
    for (size_t s = 0; s < shapes.size(); ++s) {
        ImageDC dc(150, 100);
        dc.IntersectClipRect(CRect(-10, -10, 160, 110)); // clipped, but nothing clipped off
        dc.SetBkColor(RGB(250, 240, 10));
        dc.SelectSolidBrush(RGB(30, 160, 220));
        for (const Case& c : cases) {
            PaintNoise(dc);
            QImage expected = dc.GetImage().copy();
            dc.SetROP2(c.rop);
            dc.SelectPen(c.pen, 1, c.color);
            const QColor pen(GetRValue(c.color), GetGValue(c.color), GetBValue(c.color));
            for (CPoint at : {CPoint(2, 3), CPoint(70, 50), CPoint(125, -5)}) {
                // Drawn through a viewport origin, which must not matter.
                const CPoint origin(at.x % 7, -(at.y % 5));
                dc.SetViewportOrg(origin);
                std::vector<CPoint> moved = shapes[s];
                for (CPoint& p : moved)
                    p = CPoint(p.x + at.x - origin.x, p.y + at.y - origin.y);
                dc.Polygon(moved.data(), int(moved.size()));
                ReferencePolygon(expected, shapes[s], at, c.pen, c.rop, pen, fill, background);
            }
            const QImage& got = dc.GetImage();
            int differing = 0;
            for (int y = 0; y < got.height(); ++y)
                for (int x = 0; x < got.width(); ++x)
                    differing += got.pixel(x, y) != expected.pixel(x, y);
            EXPECT_EQ(differing, 0) << "shape " << s << " pen " << c.pen << " rop " << c.rop;
        }
    }
}

TEST(PainterDC, HatchedBrushesAndWidePens) {
    for (int mode : {TRANSPARENT, OPAQUE}) {
        ImageDC dc(40, 40);
        dc.SetBkMode(mode);
        dc.SetBkColor(RGB(0, 0, 255));
        dc.FillRect(CRect(0, 0, 40, 40), LogBrush{BS_HATCHED, kBlack, HS_CROSS});
        int black = 0, other = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                const COLORREF p = dc.GetPixel(x, y);
                black += p == kBlack;
                other += p == (mode == OPAQUE ? RGB(0, 0, 255) : kWhite);
            }
        EXPECT_GT(black, 0);
        EXPECT_EQ(black + other, 1600) << mode;
    }
    ImageDC wide(40, 40);
    wide.SelectPen(PS_DASH, 5, kBlack); // wide pens are solid
    wide.MoveTo(5, 20);
    wide.LineTo(35, 20);
    for (int x = 8; x < 32; ++x) {
        EXPECT_EQ(wide.GetPixel(x, 18), kBlack) << x;
        EXPECT_EQ(wide.GetPixel(x, 22), kBlack) << x;
    }
    EXPECT_EQ(wide.GetPixel(20, 25), kWhite);
}

TEST(PainterDC, BlitsCopyAndStretchPixels) {
    ImageDC source(8, 8);
    source.FillSolidRect(CRect(0, 0, 2, 2), kRed);
    ImageDC target(20, 20);
    EXPECT_TRUE(target.BitBlt(5, 5, 4, 4, source, 0, 0, SRCCOPY));
    EXPECT_EQ(target.GetPixel(5, 5), kRed);
    EXPECT_EQ(target.GetPixel(6, 6), kRed);
    EXPECT_EQ(target.GetPixel(7, 7), kWhite);
    EXPECT_TRUE(target.StretchBlt(10, 10, 8, 8, source, 0, 0, 4, 4, SRCCOPY));
    EXPECT_EQ(target.GetPixel(13, 13), kRed);
    EXPECT_EQ(target.GetPixel(14, 14), kWhite);

    // Source-and with white keeps the target; source-invert twice restores it.
    ImageDC noise(8, 8);
    PaintNoise(noise);
    const QImage before = noise.GetImage().copy();
    ImageDC white(8, 8);
    EXPECT_TRUE(noise.BitBlt(0, 0, 8, 8, white, 0, 0, SRCAND));
    EXPECT_EQ(noise.GetImage(), before);
    EXPECT_TRUE(noise.BitBlt(0, 0, 8, 8, source, 0, 0, SRCINVERT));
    EXPECT_TRUE(noise.BitBlt(0, 0, 8, 8, source, 0, 0, SRCINVERT));
    EXPECT_EQ(noise.GetImage(), before);

    RecordingDC recorder;
    EXPECT_FALSE(target.BitBlt(0, 0, 2, 2, recorder, 0, 0, SRCCOPY));
}

TEST(PainterDC, TextUsesColourAndBackgroundMode) {
    LogFont font;
    font.faceName = "Arial";
    font.height = -14;
    for (int mode : {TRANSPARENT, OPAQUE}) {
        ImageDC dc(100, 30);
        dc.SelectFont(font);
        dc.SetTextColor(kRed);
        dc.SetBkColor(RGB(0, 0, 255));
        dc.SetBkMode(mode);
        dc.TextOut(2, 2, "Hello");
        int red = 0, blue = 0;
        for (CPoint p : Painted(dc)) {
            red += dc.GetPixel(p.x, p.y) == kRed;
            blue += dc.GetPixel(p.x, p.y) == RGB(0, 0, 255);
        }
        EXPECT_GT(red, 0);
        EXPECT_EQ(blue > 0, mode == OPAQUE);
        const CSize extent = dc.GetTextExtent("Hello");
        for (CPoint p : Painted(dc))
            EXPECT_TRUE(CRect(2, 2, 2 + extent.cx, 2 + extent.cy).PtInRect(p));
    }
}

TEST(PainterDC, TextMeasuresFollowTheFont) {
    ImageDC dc(10, 10);
    EXPECT_EQ(dc.GetTextExtent(""), CSize(0, 0));
    LogFont font;
    font.faceName = "MS Sans Serif";
    font.height = -12;
    dc.SelectFont(font);
    const CSize small = dc.GetTextExtent("Mm");
    const TextMetrics m = dc.GetTextMetrics();
    EXPECT_EQ(small.cy, m.height);
    EXPECT_EQ(m.ascent + m.descent, m.height);
    EXPECT_GE(m.height, 12);
    font.height = -24;
    dc.SelectFont(font);
    EXPECT_GT(dc.GetTextExtent("Mm").cx, small.cx);
    EXPECT_GT(dc.GetTextExtent("Mm").cy, small.cy);
    // A positive height is the cell height.
    font.height = 30;
    dc.SelectFont(font);
    EXPECT_NEAR(dc.GetTextMetrics().height, 30, 3);
}

TEST(DrawText, RecordingLayoutFollowsTheFormat) {
    RecordingDC dc;
    dc.SetFixedMetrics(10, 20);
    struct Case {
        const char* text;
        CRect rect;
        uint32_t format;
        int32_t height;
        CRect calc;
    } cases[] = {
        {"abc def", {0, 0, 100, 50}, DT_WORDBREAK | DT_CALCRECT, 20, {0, 0, 70, 20}},
        {"abc def", {0, 0, 50, 50}, DT_WORDBREAK | DT_CALCRECT, 40, {0, 0, 30, 40}},
        {"abcdefgh ij", {0, 0, 50, 50}, DT_WORDBREAK | DT_CALCRECT, 40, {0, 0, 80, 40}},
        {"a\r\nb\nc", {0, 0, 50, 50}, DT_CALCRECT, 60, {0, 0, 10, 60}},
        {"a\r\nb", {0, 0, 50, 50}, DT_SINGLELINE | DT_CALCRECT, 20, {0, 0, 20, 20}},
        {"&Save", {0, 0, 90, 50}, DT_CALCRECT, 20, {0, 0, 40, 20}},
        {"&Save", {0, 0, 90, 50}, DT_NOPREFIX | DT_CALCRECT, 20, {0, 0, 50, 20}},
        {"", {0, 0, 90, 50}, DT_CALCRECT, 0, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        CRect r = c.rect;
        EXPECT_EQ(dc.DrawText(c.text, r, c.format), c.height) << c.text;
        EXPECT_EQ(r, c.calc) << c.text;
    }
}

TEST(DrawText, AlignsAndClipsOnImages) {
    LogFont font;
    font.faceName = "Arial";
    font.height = -12;
    auto painted = [&](uint32_t format) {
        ImageDC dc(200, 40);
        dc.SelectFont(font);
        dc.SetBkMode(TRANSPARENT);
        CRect r(10, 5, 190, 35);
        dc.DrawText("W", r, format);
        return Painted(dc);
    };
    const auto left = painted(DT_LEFT);
    const auto centre = painted(DT_CENTER);
    const auto right = painted(DT_RIGHT);
    ASSERT_FALSE(left.empty());
    ASSERT_FALSE(centre.empty());
    ASSERT_FALSE(right.empty());
    auto minX = [](const std::vector<CPoint>& v) {
        int m = 1 << 30;
        for (CPoint p : v)
            m = std::min(m, p.x);
        return m;
    };
    EXPECT_LT(minX(left), 30);
    EXPECT_GT(minX(centre), 80);
    EXPECT_LT(minX(centre), 110);
    EXPECT_GT(minX(right), 160);

    ImageDC clipped(100, 40);
    font.height = -30;
    clipped.SelectFont(font);
    CRect tiny(0, 0, 100, 4);
    clipped.DrawText("Hello", tiny, DT_LEFT);
    for (CPoint p : Painted(clipped))
        EXPECT_LT(p.y, 4);
}

TEST(DrawText, MeasuresLinesOnImages) {
    ImageDC dc(10, 10);
    LogFont font;
    font.faceName = "Arial";
    font.height = -12;
    dc.SelectFont(font);
    const int32_t line = dc.GetTextMetrics().height;
    const CSize word = dc.GetTextExtent("Hello");
    CRect wide(5, 5, 1000, 100);
    EXPECT_EQ(dc.DrawText("Hello world", wide, DT_WORDBREAK | DT_CALCRECT), line);
    EXPECT_EQ(wide.bottom, 5 + line);
    CRect narrow(5, 5, 5 + word.cx + 2, 100);
    EXPECT_EQ(dc.DrawText("Hello world", narrow, DT_WORDBREAK | DT_CALCRECT), 2 * line);
    CRect two(0, 0, 1000, 100);
    EXPECT_EQ(dc.DrawText("a\r\nb", two, DT_CALCRECT), 2 * line);
    CRect single(0, 0, 1000, 100);
    EXPECT_EQ(dc.DrawText("a\r\nb", single, DT_SINGLELINE | DT_CALCRECT), line);
    CRect empty(0, 0, 10, 10);
    EXPECT_EQ(dc.DrawText("", empty, DT_CALCRECT), 0);
}

TEST(DrawText, OpaqueModePaintsTheBackgroundColour) {
    ImageDC dc(100, 30);
    dc.SetBkMode(OPAQUE);
    dc.SetBkColor(RGB(0, 0, 255));
    CRect r(0, 0, 100, 30);
    dc.DrawText("Hi", r, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
    int blue = 0;
    for (CPoint p : Painted(dc))
        blue += dc.GetPixel(p.x, p.y) == RGB(0, 0, 255);
    EXPECT_GT(blue, 0);
}

// Texts in several formats, fonts and colours drawn over a noisy picture,
// each twice in different places on one context (the second from the cache
// of drawn texts), one across the image's edge and one running out of its
// box: every pixel must be what Qt's own formatted drawing gives, and the
// height the same, so that no drawn text stands in for another.
TEST(DrawText, CachedTextsMatchQtPixelForPixel) {
    struct Case {
        const char* text;
        uint32_t format;
        int qtFlags;
        int32_t height;
        int32_t weight;
        uint8_t italic;
        int bkMode;
        COLORREF color;
    };
    const int single = Qt::TextSingleLine;
    const Case cases[] = {
        {"Class12", DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX,
         Qt::AlignHCenter | Qt::AlignVCenter | single, -12, 400, 0, OPAQUE, kBlack},
        {"Class12", DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX,
         Qt::AlignHCenter | Qt::AlignVCenter | single, -12, 400, 0, OPAQUE, kRed},
        {"Class13", DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX,
         Qt::AlignHCenter | Qt::AlignVCenter | single, -12, 400, 0, TRANSPARENT, kRed},
        {"Class13", DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX,
         Qt::AlignHCenter | Qt::AlignVCenter | single, -15, 700, 1, TRANSPARENT, kRed},
        {"uses &it", DT_RIGHT | DT_SINGLELINE | DT_BOTTOM,
         Qt::AlignRight | Qt::AlignBottom | single | Qt::TextShowMnemonic, -11, 400, 0, OPAQUE,
         kBlack},
        {"a name that wraps over lines", DT_WORDBREAK | DT_NOPREFIX,
         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, -12, 400, 1, OPAQUE, kBlack},
        {"much too long for the box", DT_SINGLELINE | DT_NOPREFIX,
         Qt::AlignLeft | Qt::AlignTop | single, -13, 400, 0, TRANSPARENT, kBlack},
    };
    ImageDC dc(160, 120);
    for (const Case& c : cases) {
        PaintNoise(dc);
        QImage expected = dc.GetImage().copy();
        LogFont font;
        font.faceName = "Arial";
        font.height = c.height;
        font.weight = c.weight;
        font.italic = c.italic;
        dc.SelectFont(font);
        dc.SetTextColor(c.color);
        dc.SetBkMode(c.bkMode);
        dc.SetBkColor(RGB(250, 240, 10));
        QPainter painter(&expected);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setFont(FontFromLogFont(font));
        painter.setPen(QColor(GetRValue(c.color), GetGValue(c.color), GetBValue(c.color)));
        painter.setBackground(QColor(250, 240, 10));
        painter.setBackgroundMode(c.bkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
        for (CPoint at : {CPoint(5, 4), CPoint(83, 61), CPoint(140, 100)}) {
            CRect box(at.x, at.y, at.x + 64, at.y + 40);
            QRect bounds;
            painter.drawText(QRect(at.x, at.y, 64, 40), c.qtFlags, QString::fromUtf8(c.text),
                             &bounds);
            EXPECT_EQ(dc.DrawText(c.text, box, c.format), bounds.height()) << c.text;
        }
        painter.end();
        const QImage& got = dc.GetImage();
        int differing = 0;
        for (int y = 0; y < got.height(); ++y)
            for (int x = 0; x < got.width(); ++x)
                differing += got.pixel(x, y) != expected.pixel(x, y);
        EXPECT_EQ(differing, 0) << c.text << " height " << c.height << " mode " << c.bkMode;
    }
}

// The cache of drawn texts keeps within its bound however many texts pass.
TEST(DrawText, TextCacheStaysBounded) {
    ImageDC dc(1100, 60);
    LogFont font;
    font.faceName = "Arial";
    font.height = -14;
    dc.SelectFont(font);
    const std::string filler(50, 'W');
    for (int i = 0; i < 600; ++i) {
        CRect box(10, 10, 1010, 50); // narrow enough to be kept
        dc.DrawText(std::to_string(i) + filler, box, DT_SINGLELINE | DT_NOPREFIX);
    }
    // Texts whose glyphs come out blended are drawn directly and kept empty,
    // so what is kept depends on the fonts installed; its bound does not.
    EXPECT_LE(TextPictureCacheBytes(), size_t(16) << 20);
}

TEST(PainterDC, DrawsIntoSvgAndPrinter) {
    QByteArray svg;
    QBuffer buffer(&svg);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(QSize(100, 100));
    {
        PainterDC dc(&generator);
        ASSERT_TRUE(dc.IsActive());
        dc.SelectPen(PS_SOLID, 1, kRed);
        dc.Rectangle(CRect(10, 10, 50, 50));
        dc.InvertRect(CRect(0, 0, 10, 10)); // no destination to read: ignored
        dc.TextOut(5, 60, "svg text");
    }
    EXPECT_TRUE(svg.contains("<svg"));
    EXPECT_TRUE(svg.contains("svg text"));

    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("page.pdf"));
    {
        PainterDC dc(&printer);
        ASSERT_TRUE(dc.IsActive());
        dc.Ellipse(CRect(100, 100, 900, 600));
    }
    EXPECT_GT(QFileInfo(dir.filePath("page.pdf")).size(), 0);

    PainterDC none(static_cast<QPaintDevice*>(nullptr));
    EXPECT_FALSE(none.IsActive());
    EXPECT_FALSE(none.Rectangle(CRect(0, 0, 5, 5)));
    EXPECT_EQ(none.GetTextExtent("x"), CSize(0, 0));
}

TEST(RecordingDC, WritesCallsAndTextState) {
    RecordingDC dc;
    dc.SelectPen(PS_DOT, 1, RGB(1, 2, 3));
    dc.Rectangle(CRect(1, 2, 3, 4));
    LogFont font;
    font.faceName = "Arial";
    font.height = -12;
    font.weight = FW_BOLD;
    font.underline = 1;
    dc.SelectFont(font);
    dc.SetTextColor(RGB(0, 0, 255));
    dc.SetBkMode(TRANSPARENT);
    dc.TextOut(5, 6, "hi");
    ASSERT_EQ(dc.CallsNamed("Rectangle").size(), 1u);
    EXPECT_EQ(dc.CallsNamed("Rectangle")[0], "Rectangle 1 2 3 4");
    EXPECT_EQ(dc.CallsNamed("SelectPen")[0], "SelectPen 2 1 0x030201");
    EXPECT_EQ(dc.CallsNamed("TextOut")[0],
              "TextOut 5 6 \"hi\" font=Arial/-12/700/u color=0xff0000 bk=transparent");
    EXPECT_EQ(dc.GetTextExtent("hi"), CSize(12, 12));
}

} // namespace
} // namespace qm
