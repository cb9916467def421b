// The zoom and geometry helpers, as tables of cases.
#include "drawables/DrawingSwitches.h"
#include "drawables/DrawingTables.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/ZoomScaling.h"
#include "platform/Format.h"
#include "platform/PainterDC.h"
#include "platform/RecordingDC.h"
#include "platform/UserSettings.h"

#include <QImage>
#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

namespace qm {
namespace {

TEST(Zoom, ScaleLengthByZoom) {
    struct Case {
        int32_t length;
        double zoom;
        int32_t expected;
    } cases[] = {
        {1, 0.5, 1},    // 0 becomes 1
        {-12, 0.5, -6}, // font heights stay negative
        {-12, 0.05, 1}, // a truncated zero becomes 1, even for negative lengths
        {7, 0.5, 3},    // truncated
        {-7, 0.5, -3},  // towards zero
        {0, 1.0, 1},    //
        {3, 4.0, 12},   //
        {std::numeric_limits<int32_t>::max(), 4.0, std::numeric_limits<int32_t>::max()},
        {std::numeric_limits<int32_t>::min(), 4.0, std::numeric_limits<int32_t>::min()},
    };
    for (const Case& c : cases) {
        int32_t result = 0;
        ScaleLengthByZoom(c.length, result, c.zoom);
        EXPECT_EQ(result, c.expected) << c.length << " x " << c.zoom;
    }
}

TEST(Zoom, ScaleRectsPointsAndSizes) {
    struct Case {
        CRect in;
        double zoom;
        CRect expected;
    } cases[] = {
        {{3, 3, 7, 7}, 0.5, {1, 1, 3, 3}},
        {{-3, -3, 7, 7}, 0.5, {-1, -1, 3, 3}},
        {{10, 20, 30, 40}, 1.0, {10, 20, 30, 40}},
        {{10, 20, 30, 40}, 0.26, {2, 5, 7, 10}},
    };
    for (const Case& c : cases) {
        CRect r = c.in;
        ScaleByZoom(r, r, c.zoom); // in and out the same rectangle
        EXPECT_EQ(r, c.expected);
    }
    CSize size;
    ScaleSizeByZoom(1, 5, size, 0.5);
    EXPECT_EQ(size, CSize(0, 2));
    ScaleSizeByZoomMin1(1, 5, size, 0.5);
    EXPECT_EQ(size, CSize(1, 2));
    CRect xy;
    ScaleRectByZoomXY(CRect(10, 10, 20, 20), xy, 2.0, 0.5);
    EXPECT_EQ(xy, CRect(20, 5, 40, 10));
    const CPoint in[] = {{10, 20}, {-5, 3}};
    CPoint out[2];
    TransformPoints(2, in, out, 100, 200, 0.5, 2.0);
    EXPECT_EQ(out[0], CPoint(105, 240));
    EXPECT_EQ(out[1], CPoint(98, 206));
}

TEST(Zoom, LineWidthFactor) {
    EXPECT_DOUBLE_EQ(LineWidthFactor(2.0, 6), 6.0); // solid 3
    EXPECT_DOUBLE_EQ(LineWidthFactor(2.0, 1), 2.0); // dotted
    EXPECT_DOUBLE_EQ(LineWidthFactor(2.0, 200), 2.0);
    {
        ScopedDrawingSwitch printing(DrawingSwitch::Printing);
        EXPECT_DOUBLE_EQ(LineWidthFactor(2.0, 1), 1.0);
        EXPECT_DOUBLE_EQ(LineWidthFactor(2.0, 6), 6.0);
    }
    EXPECT_DOUBLE_EQ(LineWidthFactor(2.0, 1), 2.0);
    // A scope left by an exception restores the switch too.
    try {
        ScopedDrawingSwitch printing(DrawingSwitch::Printing);
        throw std::runtime_error("print failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(SwitchOn(DrawingSwitch::Printing));
}

TEST(Geometry, BoundsOfPoints) {
    struct Case {
        std::vector<CPoint> points;
        CRect expected;
    } cases[] = {
        {{{5, 5}}, {5, 5, 6, 6}},
        {{{1, 2}, {4, 2}}, {1, 2, 4, 3}},
        {{{3, 1}, {0, 5}, {2, 2}}, {0, 1, 3, 5}},
        {{}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        CRect r(9, 9, 9, 9);
        BoundsOfPoints(int(c.points.size()), c.points.data(), r);
        EXPECT_EQ(r, c.expected);
    }
}

TEST(Geometry, ClampMoveAndPush) {
    struct Clamp {
        CRect rect;
        CPoint p, clamped;
        CSize offset;
    } clamps[] = {
        {{0, 0, 10, 10}, {10, 10}, {9, 9}, {-1, -1}},
        {{0, 0, 10, 10}, {-5, 3}, {0, 3}, {5, 0}},
        {{0, 0, 10, 10}, {4, 4}, {4, 4}, {0, 0}},
    };
    for (const Clamp& c : clamps) {
        CPoint clamped;
        EXPECT_EQ(ClampPointToRect(c.rect, c.p.x, c.p.y, clamped), c.offset);
        EXPECT_EQ(clamped, c.clamped);
    }

    CRect moved;
    EXPECT_EQ(MoveRectInside(CRect(0, 0, 100, 100), CRect(-10, 90, 10, 110), moved),
              CSize(10, -10));
    EXPECT_EQ(moved, CRect(0, 80, 20, 100));

    struct Push {
        CPoint p;
        CRect rect, moved;
        CSize offset;
    } pushes[] = {
        {{100, 50}, {90, 40, 120, 60}, {100, 40, 130, 60}, {10, 0}}, // right edge
        {{50, 99}, {40, 90, 60, 120}, {40, 100, 60, 130}, {0, 10}},  // bottom edge
        {{50, 1}, {40, -10, 60, 5}, {40, -15, 60, 0}, {0, -5}},      // top edge
        {{0, 50}, {-5, 40, 20, 60}, {-25, 40, 0, 60}, {-20, 0}},     // left edge
        {{50, 50}, {40, 40, 60, 60}, {40, 40, 60, 60}, {0, 0}},      // on no edge
        {{100, 50}, {200, 40, 220, 60}, {200, 40, 220, 60}, {0, 0}}, // apart
    };
    for (const Push& c : pushes) {
        EXPECT_EQ(PushRectOutAcrossEdge(CRect(0, 0, 100, 100), c.p.x, c.p.y, c.rect, moved),
                  c.offset);
        EXPECT_EQ(moved, c.moved);
    }
    EXPECT_EQ(RoundRectCornerSize(CRect(0, 0, 12, 9)), CSize(2, 1));
}

TEST(Geometry, HitTestSegment) {
    struct Case {
        CPoint p;
        CPoint a, b;
        int32_t tolerance;
        int32_t snap;
        bool hit;
    } cases[] = {
        {{13, 50}, {10, 0}, {10, 100}, 3, 0, true},    // vertical: dx counts as 1
        {{14, 50}, {10, 0}, {10, 100}, 3, 0, false},   // beyond the widened box
        {{50, 12}, {0, 10}, {100, 10}, 2, 0, true},    // horizontal
        {{50, 13}, {0, 10}, {100, 10}, 2, 0, false},   //
        {{50, 50}, {0, 0}, {100, 100}, 0, 0, true},    // on the diagonal
        {{60, 40}, {0, 0}, {100, 100}, 2, 0, false},   // 20 off the diagonal
        {{60, 40}, {0, 0}, {100, 100}, 2, 25, true},   // the snap size widens the tolerance
        {{60, 40}, {100, 100}, {0, 0}, 2, 0, false},   // either direction
        {{150, 150}, {0, 0}, {100, 100}, 5, 0, false}, // past the end
        {{40000, 40000}, {0, 0}, {60000, 60000}, 1, 0, true},
    };
    for (const Case& c : cases) {
        FixedUserSettings settings(0, c.snap);
        ScopedInstall<const UserSettings> scope(&settings);
        EXPECT_EQ(HitTestSegment(c.p.x, c.p.y, c.a.x, c.a.y, c.b.x, c.b.y, c.tolerance), c.hit)
            << c.p.x << "," << c.p.y;
    }
}

TEST(Geometry, BoundaryPointOfRect) {
    const CRect rect(0, 0, 100, 50);
    struct Case {
        CPoint a, b;
        bool result;
        CPoint expected;
    } cases[] = {
        {{50, 25}, {50, -30}, true, {50, 0}},
        {{50, 25}, {200, 25}, true, {99, 25}},
        {{50, 25}, {50, 90}, true, {50, 49}},
        {{-40, 25}, {50, 25}, true, {0, 25}},   // the inside end may come second
        {{10, 10}, {20, 20}, false, {50, 25}},  // both inside: the centre
        {{-10, -10}, {200, 80}, false, {7, 7}}, // both outside: unchanged
    };
    for (const Case& c : cases) {
        CPoint p(7, 7);
        EXPECT_EQ(BoundaryPointOfRect(c.a.x, c.a.y, c.b.x, c.b.y, rect, p), c.result);
        EXPECT_EQ(p, c.expected) << c.b.x << "," << c.b.y;
    }
}

TEST(Geometry, CrossingsAndNearestPoints) {
    CPoint p;
    const CPoint vertical[] = {{5, 0}, {5, 10}}, horizontal[] = {{0, 3}, {10, 3}};
    EXPECT_TRUE(OrthogonalCrossing(vertical, horizontal, p));
    EXPECT_EQ(p, CPoint(5, 3));
    EXPECT_TRUE(OrthogonalCrossing(horizontal, vertical, p));
    EXPECT_EQ(p, CPoint(5, 3));
    EXPECT_FALSE(OrthogonalCrossing(horizontal, horizontal, p));
    EXPECT_EQ(p, CPoint(5, 3));

    struct Nearest {
        CPoint p, expected;
    } nearest[] = {{{50, 10}, {50, 0}}, {{150, 0}, {100, 0}}, {{-20, -5}, {0, 0}}};
    for (const Nearest& c : nearest) {
        NearestPointOnSegment(c.p.x, c.p.y, 0, 0, 100, 0, p);
        EXPECT_EQ(p, c.expected);
    }

    const CRect rect(0, 0, 100, 50);
    struct Outline {
        CPoint p;
        bool outside;
        CPoint expected;
        int side;
    } outlines[] = {
        {{10, 25}, false, {0, 25}, 1},  {{50, 5}, false, {50, 0}, 3},
        {{50, 48}, false, {50, 50}, 4}, {{95, 25}, false, {100, 25}, 2},
        {{-10, 20}, true, {0, 20}, 1},  {{-10, -5}, true, {0, 0}, 1},
        {{-3, -10}, true, {0, 0}, 3},   {{120, 60}, true, {100, 50}, 2},
        {{50, 70}, true, {50, 50}, 4},  {{50, -5}, true, {50, 0}, 3},
        {{90, 25}, true, {100, 25}, 2}, {{5, 25}, true, {0, 25}, 1},
    };
    for (const Outline& c : outlines) {
        EXPECT_EQ(NearestOutlinePoint(c.p.x, c.p.y, p, rect, 0, c.outside), c.side)
            << c.p.x << "," << c.p.y << " " << c.outside;
        EXPECT_EQ(p, c.expected) << c.p.x << "," << c.p.y << " " << c.outside;
    }
}

TEST(Geometry, DragRectCorner) {
    const CRect wide(-1000, -1000, 1000, 1000);
    const CRect none;
    struct Case {
        const char* name;
        int corner;
        CPoint d;
        CRect limit, keep;
        const CRect* extra;
        bool symmetric;
        CRect rect;
        CSize delta;
    } cases[] = {
        {"grow bottom-right", 2, {10, 20}, wide, none, nullptr, false, {0, 0, 110, 120}, {10, 20}},
        {"limited", 2, {10, 20}, {0, 0, 105, 200}, none, nullptr, false, {0, 0, 105, 120}, {5, 20}},
        {"top-left", 0, {10, 5}, wide, none, nullptr, false, {10, 5, 100, 100}, {10, 5}},
        {"top-right", 1, {10, 5}, wide, none, nullptr, false, {0, 5, 110, 100}, {10, 5}},
        {"bottom-left", 3, {10, 5}, wide, none, nullptr, false, {10, 0, 100, 105}, {10, 5}},
        {"keep", 0, {80, 0}, wide, {10, 10, 90, 90}, nullptr, false, {10, 0, 90, 100}, {20, 0}},
        {"symmetric", 0, {10, 10}, wide, none, nullptr, true, {10, 10, 90, 90}, {10, 10}},
    };
    for (const Case& c : cases) {
        CRect r(0, 0, 100, 100);
        CSize delta;
        DragRectCorner(delta, r, c.corner, c.limit, c.d.x, c.d.y, c.extra, c.keep, c.symmetric);
        EXPECT_EQ(r, c.rect) << c.name;
        EXPECT_EQ(delta, c.delta) << c.name;
    }
    const CRect unite(0, 0, 5, 5);
    CRect r(0, 0, 100, 100);
    CSize delta;
    DragRectCorner(delta, r, 0, wide, 10, 10, &unite, none, false);
    EXPECT_EQ(r, CRect(0, 0, 100, 100));
    EXPECT_EQ(delta, CSize(20, 20));
}

TEST(Geometry, MappingsBetweenFramesAndOntoSegments) {
    struct Case {
        CRect from, to;
        bool shift;
        CPoint in, out;
    } cases[] = {
        {{10, 0, 10, 10}, {0, 0, 50, 20}, false, {11, 5}, {50, 10}}, // zero width counts as 1
        {{0, 0, 10, 10}, {100, 100, 120, 120}, false, {5, 5}, {110, 110}},
        {{0, 0, 10, 10}, {100, 100, 120, 120}, true, {5, 5}, {210, 210}},
        {{0, 0, 3, 3}, {0, 0, 10, 10}, false, {1, 2}, {3, 6}},
    };
    for (const Case& c : cases) {
        CPoint out;
        MapPointsBetweenRects(1, &c.in, &out, c.from, c.to, c.shift);
        EXPECT_EQ(out, c.out);
    }
    CRect mapped;
    MapRectBetweenRects(CRect(0, 0, 5, 5), mapped, CRect(0, 0, 10, 10), CRect(0, 0, 20, 40), false);
    EXPECT_EQ(mapped, CRect(0, 0, 10, 20));

    CPoint points[] = {{10, 5}, {0, 5}, {10, 0}};
    MapPointsOntoSegment(0, 3, points, CRect(0, 0, 10, 10), 0, 0, 100, 0, 1.0);
    EXPECT_EQ(points[0], CPoint(90, 0));
    EXPECT_EQ(points[1], CPoint(99, 0)); // d of 0 counts as 1
    EXPECT_EQ(points[2], CPoint(90, -4));

    struct Place {
        int anchor;
        bool whole;
        CRect expected;
    } places[] = {
        {0, true, {35, -20, 65, 20}},  {1, true, {35, -20, 65, 20}},  {0, false, {5, -20, 35, 20}},
        {1, false, {65, -20, 95, 20}}, {2, false, {35, -20, 65, 20}},
    };
    for (const Place& c : places) {
        CRect r(0, 0, 30, 40); // diagonal 50
        PlaceRectOnSegment(c.anchor, 0, 0, 100, 0, r, c.whole);
        EXPECT_EQ(r, c.expected) << c.anchor << c.whole;
    }

    struct Label {
        CPoint a, b;
        CRect expected;
    } labels[] = {
        {{0, 0}, {0, 100}, {-24, 8, -4, 18}},
        {{0, 100}, {0, 0}, {-24, 82, -4, 92}},
        {{0, 0}, {100, 0}, {8, -14, 28, -4}},
        {{100, 50}, {0, 50}, {72, 36, 92, 46}},
    };
    for (const Label& c : labels) {
        CRect label(500, 500, 520, 510);
        PlaceLabelNearSegment(c.a.x, c.a.y, c.b.x, c.b.y, label);
        EXPECT_EQ(label, c.expected);
    }
}

TEST(Geometry, CalloutPolygon) {
    const CRect r(0, 0, 100, 50);
    const CPoint tl(0, 0), tr(100, 0), br(100, 50), bl(0, 50);
    struct Case {
        const char* side;
        CPoint tip;
        std::vector<CPoint> expected;
    } cases[] = {
        {"top", {50, -30}, {{50, -30}, {54, 0}, tr, br, bl, tl, {46, 0}}},
        {"left", {-40, 25}, {{-40, 25}, {0, 21}, tl, tr, br, bl, {0, 29}}},
        {"right", {200, 25}, {{200, 25}, {100, 29}, br, bl, tl, tr, {100, 21}}},
        {"bottom", {50, 90}, {{50, 90}, {46, 50}, bl, tl, tr, br, {54, 50}}},
        // Near a corner the notch shifts to lie wholly on its side.
        {"corner", {-10, -8}, {{-10, -8}, {0, 0}, tl, tr, br, bl, {0, 8}}},
        // Through a corner, the sides are tried left, right, top, bottom.
        {"top-left", {-50, -25}, {{-50, -25}, {0, 0}, tl, tr, br, bl, {0, 8}}},
        {"top-right", {150, -25}, {{150, -25}, {100, 8}, br, bl, tl, tr, {100, 0}}},
        {"bottom-right", {150, 75}, {{150, 75}, {100, 50}, br, bl, tl, tr, {100, 42}}},
        {"bottom-left", {-50, 75}, {{-50, 75}, {0, 42}, tl, tr, br, bl, {0, 50}}},
        {"near top-right", {199, -49}, {{199, -49}, {100, 8}, br, bl, tl, tr, {100, 0}}},
    };
    for (const Case& c : cases) {
        CPoint points[7];
        CalloutPolygon(c.tip.x, c.tip.y, r, points);
        EXPECT_EQ(std::vector<CPoint>(points, points + 7), c.expected) << c.side;
    }
}

TEST(Geometry, PointArraysAndTables) {
    CPointArray a{{1, 2}, {3, 4}}, b;
    EXPECT_FALSE(EqualPointArrays(a, b));
    CopyPointArray(b, a);
    EXPECT_TRUE(EqualPointArrays(a, b));
    AppendPointArray(b, b);
    EXPECT_EQ(b.size(), 4u);
    EXPECT_EQ(b[3], CPoint(3, 4));
    int x = 1, y = 2;
    std::list<int*> src{&x, &y}, dst{&y};
    CopyObList(dst, src);
    EXPECT_EQ(dst, src);
    EXPECT_TRUE(IsNearPoint(0, 0, 2, -2, 3));
    EXPECT_FALSE(IsNearPoint(0, 0, 3, 0, 3));

    const std::pair<int, int32_t> commands[] = {
        {0, 2000}, {23, 2023},  {24, 32791}, {28, 32864}, {30, 32973}, {32, 32875}, {33, -1},
        {45, -1},  {46, 32860}, {47, 33089}, {100, 3000}, {500, 3400}, {-1, -1}};
    for (auto [kind, command] : commands)
        EXPECT_EQ(CommandIdOfToolKind(kind), command) << kind;
    const std::pair<int, int> images[] = {{0, 2},  {1, 0},  {11, 3}, {12, 4}, {13, 5},
                                          {14, 7}, {15, 8}, {16, 9}, {17, 6}, {18, 0}};
    for (auto [kind, image] : images)
        EXPECT_EQ(ImageIndexOfModelKind(kind), image) << kind;
    EXPECT_EQ(LinkStyleFromModelFlags(0xC), 4);
    EXPECT_EQ(LinkStyleFromModelFlags(0x4), 2);
    EXPECT_EQ(LinkStyleFromModelFlags(0x3), 0);
}

TEST(ZoomDrawing, XorRectRestoresThePicture) {
    ImageDC dc(50, 50);
    dc.FillSolidRect(CRect(10, 10, 30, 30), RGB(200, 30, 60));
    const QImage before = dc.GetImage().copy();
    DrawXorRect(dc, CRect(10, 10, 80, 80), 0.5);
    EXPECT_NE(dc.GetImage(), before);
    EXPECT_EQ(dc.GetPixel(5, 5), RGB(100, 100, 100));
    EXPECT_EQ(dc.GetPixel(39, 39), RGB(100, 100, 100));
    EXPECT_EQ(dc.GetROP2(), R2_COPYPEN);
    DrawXorRect(dc, CRect(10, 10, 80, 80), 0.5);
    EXPECT_EQ(dc.GetImage(), before);
}

TEST(ZoomDrawing, BlitZoomedStretchesUnlessExactlyOne) {
    RecordingDC source, target;
    target.SetViewportOrg(CPoint(5, 6));
    source.SetWindowOrg(CPoint(1, 2));
    target.Clear();
    EXPECT_TRUE(BlitZoomed(source, 1, 2, target, 10, 20, 30, 40, 1.0, SRCCOPY));
    EXPECT_EQ(target.CallsNamed("BitBlt").size(), 1u);
    EXPECT_TRUE(BlitZoomed(source, 1, 2, target, 10, 20, 30, 40, 0.9999999, SRCAND));
    ASSERT_EQ(target.CallsNamed("StretchBlt").size(), 1u);
    EXPECT_EQ(target.CallsNamed("StretchBlt")[0],
              Format("StretchBlt 10 20 29 39 1 2 30 40 0x%08x", unsigned(SRCAND)));
    EXPECT_EQ(target.GetViewportOrg(), CPoint(5, 6));
    EXPECT_EQ(source.GetWindowOrg(), CPoint(1, 2));

    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateBitmap(4, 4));
    {
        PainterDC paint(bitmap);
        paint.FillSolidRect(CRect(0, 0, 2, 2), RGB(255, 0, 0));
    }
    ImageDC image(20, 20);
    image.SetViewportOrg(CPoint(3, 3)); // ignored for the copy
    EXPECT_TRUE(DrawBitmapZoomed(bitmap, 0, 0, image, 0, 0, 4, 4, 2.0, SRCCOPY));
    EXPECT_EQ(image.GetPixel(3, 3), RGB(255, 0, 0));
    EXPECT_EQ(image.GetPixel(4, 4), RGB(255, 255, 255));
    EXPECT_EQ(image.GetViewportOrg(), CPoint(3, 3));

    CBitmap other;
    ASSERT_TRUE(other.CreateBitmap(8, 8));
    EXPECT_TRUE(CopyBitmapRect(bitmap, 0, 0, other, 4, 4, 2, 2));
    EXPECT_EQ(other.GetPixel(5, 5), RGB(255, 0, 0));
    EXPECT_EQ(other.GetPixel(6, 6), RGB(255, 255, 255));
    EXPECT_TRUE(CopyBitmapRect(other, 4, 4, other, 0, 0, 2, 2)); // within one bitmap
    EXPECT_EQ(other.GetPixel(1, 1), RGB(255, 0, 0));
    EXPECT_FALSE(CBitmap().CreateBitmap(0, 5));
}

TEST(ZoomDrawing, AnimateZoomRectOutlinesElevenFramesWithPauses) {
    for (bool reverse : {false, true}) {
        RecordingDC dc;
        std::vector<int> pauses;
        AnimateZoomRect(dc, CRect(0, 0, 10, 10), CRect(0, 0, 100, 100), CRect(0, 0, 1000, 1000),
                        reverse, [&](int ms) { pauses.push_back(ms); });
        const auto frames = dc.CallsNamed("FrameRect");
        ASSERT_EQ(frames.size(), 11u);
        EXPECT_EQ(pauses, std::vector<int>(10, 10));
        const std::string brush = " brush=0/0x000000/0";
        EXPECT_EQ(frames[reverse ? 10 : 0], "FrameRect 0 0 100 100" + brush);
        EXPECT_EQ(frames[reverse ? 9 : 1], "FrameRect 0 0 70 70" + brush);
        EXPECT_EQ(frames[reverse ? 0 : 10], "FrameRect 0 0 12 12" + brush);
    }
    RecordingDC clipped;
    AnimateZoomRect(clipped, CRect(0, 0, 10, 10), CRect(0, 0, 100, 100), CRect(0, 0, 50, 50), false,
                    [](int) {});
    EXPECT_EQ(clipped.CallsNamed("FrameRect")[0], "FrameRect 0 0 50 50 brush=0/0x000000/0");
}

TEST(ZoomDrawing, SubmodelMarkerNeedsTheOptionAndASubmodel) {
    for (uint32_t options : {0u, uint32_t{ShowHyperLinks}}) {
        FixedUserSettings settings(options);
        ScopedInstall<const UserSettings> scope(&settings);
        for (bool submodel : {false, true}) {
            RecordingDC dc;
            DrawSubmodelMarker(dc, CRect(10, 10, 20, 20), submodel, 2.5);
            const bool drawn = submodel && options != 0;
            ASSERT_EQ(dc.CallsNamed("Rectangle").size(), drawn ? 1u : 0u);
            if (!drawn)
                continue;
            EXPECT_EQ(dc.calls[0], "SelectPen 0 2 0x0000ff");
            EXPECT_EQ(dc.calls[1], "SelectBrush brush=0/0x00ffff/0");
            EXPECT_EQ(dc.calls[2], "Rectangle 25 25 50 50");
            EXPECT_EQ(dc.GetPen(), LogPen());
        }
    }
}

} // namespace
} // namespace qm
