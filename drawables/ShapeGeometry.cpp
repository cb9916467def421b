// Rectangle, point and segment geometry. Products that could leave 32 bits
// with coordinates from files are computed in 64 bits; doubles are
// truncated with TruncToInt32, so that no conversion is out of range.
#include "drawables/ShapeGeometry.h"

#include "drawables/ZoomScaling.h"
#include "platform/UserSettings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace qm {

namespace {

int32_t Clamp32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

int64_t Abs64(int64_t v) {
    return v < 0 ? -v : v;
}

} // namespace

void RectFromCorners(int32_t x1, int32_t y1, int32_t x2, int32_t y2, CRect& rect) {
    rect = CRect(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
}

void BoundsOfPoints(int count, const CPoint* points, CRect& rect) {
    if (count < 1 || points == nullptr) {
        rect = CRect();
        return;
    }
    rect = CRect(points[0].x, points[0].y, points[0].x, points[0].y);
    for (int i = 1; i < count; ++i)
        ExtendRectToPoint(rect, points[i].x, points[i].y);
    if (rect.right == rect.left)
        rect.right = Clamp32(int64_t(rect.right) + 1);
    if (rect.bottom == rect.top)
        rect.bottom = Clamp32(int64_t(rect.bottom) + 1);
}

void ExtendRectToPoint(CRect& rect, int32_t x, int32_t y) {
    rect.left = std::min(rect.left, x);
    rect.right = std::max(rect.right, x);
    rect.top = std::min(rect.top, y);
    rect.bottom = std::max(rect.bottom, y);
}

bool IsNearPoint(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t tolerance) {
    return Abs64(int64_t(x1) - x2) < tolerance && Abs64(int64_t(y1) - y2) < tolerance;
}

CSize ClampPointToRect(const CRect& rect, int32_t x, int32_t y, CPoint& clamped) {
    int64_t cx = std::max<int64_t>(std::min<int64_t>(x, int64_t(rect.right) - 1), rect.left);
    int64_t cy = std::max<int64_t>(std::min<int64_t>(y, int64_t(rect.bottom) - 1), rect.top);
    clamped = CPoint(Clamp32(cx), Clamp32(cy));
    return CSize(Clamp32(cx - x), Clamp32(cy - y));
}

CSize MoveRectInside(const CRect& bounding, const CRect& rect, CRect& moved) {
    CSize offset;
    if (rect.left < bounding.left)
        offset.cx = bounding.left - rect.left;
    else if (rect.right > bounding.right)
        offset.cx = bounding.right - rect.right;
    if (rect.top < bounding.top)
        offset.cy = bounding.top - rect.top;
    else if (rect.bottom > bounding.bottom)
        offset.cy = bounding.bottom - rect.bottom;
    moved = rect;
    moved.OffsetRect(offset);
    return offset;
}

CSize PushRectOutAcrossEdge(const CRect& obstacle, int32_t x, int32_t y, const CRect& rect,
                            CRect& moved) {
    moved = rect;
    CRect inter;
    if (!inter.IntersectRect(rect, obstacle))
        return CSize();
    CSize offset;
    if (Abs64(int64_t(y) - obstacle.bottom) < 2)
        offset.cy = obstacle.bottom - inter.top;
    else if (Abs64(int64_t(y) - obstacle.top) < 2)
        offset.cy = obstacle.top - inter.bottom;
    else if (Abs64(int64_t(x) - obstacle.right) < 2)
        offset.cx = obstacle.right - inter.left;
    else if (Abs64(int64_t(x) - obstacle.left) < 2)
        offset.cx = obstacle.left - inter.right;
    moved.OffsetRect(offset);
    return offset;
}

CSize RoundRectCornerSize(const CRect& rect) {
    return CSize(rect.Width() / 5, rect.Height() / 5);
}

namespace {

// trunc((a + b) + 0.5) / 2 with integer division, as the bisection steps.
int32_t BisectCoordinate(int32_t a, int32_t b) {
    const int64_t sum = int64_t(a) + b;
    const int64_t rounded = int64_t(std::trunc(double(sum) + 0.5));
    return Clamp32(rounded / 2);
}

} // namespace

bool BoundaryPointOfRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const CRect& rect,
                         CPoint& point) {
    const CPoint p1(x1, y1), p2(x2, y2);
    const bool in1 = rect.PtInRect(p1);
    const bool in2 = rect.PtInRect(p2);
    if (in1 && in2) {
        point = rect.CenterPoint();
        return false;
    }
    if (!in1 && !in2)
        return false;
    CPoint inside = in1 ? p1 : p2;
    CPoint outside = in1 ? p2 : p1;
    point = outside;
    // Each step halves the distance, so 64 steps end any 32-bit bisection.
    for (int step = 0; step < 64; ++step) {
        const CPoint previous = point;
        const CPoint middle(BisectCoordinate(inside.x, outside.x),
                            BisectCoordinate(inside.y, outside.y));
        if (rect.PtInRect(middle))
            inside = middle;
        else
            outside = middle;
        point = middle;
        if (point == previous)
            break;
    }
    return true;
}

bool OrthogonalCrossing(const CPoint* a, const CPoint* b, CPoint& point) {
    if (a[0].x == a[1].x && b[0].y == b[1].y) {
        point = CPoint(a[0].x, b[0].y);
        return true;
    }
    if (a[0].y == a[1].y && b[0].x == b[1].x) {
        point = CPoint(b[0].x, a[0].y);
        return true;
    }
    point =
        CPoint(Clamp32((int64_t(a[0].x) + a[1].x) / 2), Clamp32((int64_t(a[0].y) + a[1].y) / 2));
    return false;
}

void NearestPointOnSegment(int32_t px, int32_t py, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                           CPoint& point) {
    double ax = x1, ay = y1, bx = x2, by = y2;
    auto distance2 = [&](double x, double y) { return (x - px) * (x - px) + (y - py) * (y - py); };
    // Halving a 32-bit span reaches 0.5 within 34 steps.
    for (int step = 0; step < 80 && (std::abs(ax - bx) > 0.5 || std::abs(ay - by) > 0.5); ++step) {
        const double mx = (ax + bx) / 2, my = (ay + by) / 2;
        if (distance2(ax, ay) >= distance2(bx, by)) {
            ax = mx;
            ay = my;
        } else {
            bx = mx;
            by = my;
        }
    }
    point =
        CPoint(TruncToInt32(std::round((ax + bx) / 2)), TruncToInt32(std::round((ay + by) / 2)));
}

int NearestOutlinePoint(int32_t px, int32_t py, CPoint& point, const CRect& rect, int,
                        bool outside) {
    const int64_t dl = Abs64(int64_t(px) - rect.left);
    const int64_t dr = Abs64(int64_t(px) - rect.right);
    const int64_t dt = Abs64(int64_t(py) - rect.top);
    const int64_t db = Abs64(int64_t(py) - rect.bottom);
    const int64_t m = std::min({dl, dr, dt, db});
    const int32_t cx = std::clamp(px, rect.left, std::max(rect.left, rect.right));
    const int32_t cy = std::clamp(py, rect.top, std::max(rect.top, rect.bottom));
    if (!outside) {
        if ((m == dt || m == db) && m != dl && m != dr) {
            point = CPoint(cx, m == dt ? rect.top : rect.bottom);
            return m == dt ? 3 : 4;
        }
        point = CPoint(m == dl ? rect.left : rect.right, cy);
        return m == dl ? 1 : 2;
    }
    if (px < rect.left || px > rect.right) {
        const bool left = px < rect.left;
        const int64_t ds = left ? dl : dr;
        const int sideSide = left ? 1 : 2;
        point = CPoint(left ? rect.left : rect.right, cy);
        if (py < rect.top)
            return ds > dt ? sideSide : 3;
        if (py > rect.bottom)
            return ds > db ? sideSide : 4;
        return sideSide;
    }
    if (py > rect.bottom || (m == db && m != dt)) {
        point = CPoint(px, rect.bottom);
        return 4;
    }
    if (py < rect.top || m == dt) {
        point = CPoint(px, rect.top);
        return 3;
    }
    point = CPoint(m == dl ? rect.left : rect.right, py);
    return m == dl ? 1 : 2;
}

bool HitTestSegment(int32_t px, int32_t py, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                    int32_t tolerance) {
    const int64_t t = std::max(tolerance, Settings().SnapSize());
    if (px < std::min(x1, x2) - t || px > std::max(x1, x2) + t || py < std::min(y1, y2) - t ||
        py > std::max(y1, y2) + t)
        return false;
    int64_t dx = Abs64(int64_t(x1) - x2);
    int64_t dy = Abs64(int64_t(y1) - y2);
    if (dx == 0)
        dx = 1;
    if (dy == 0)
        dy = 1;
    const int64_t a = Abs64(Abs64(int64_t(py) - y2) * dx - dy * Abs64(int64_t(px) - x2)) / dy;
    const int64_t b = Abs64(Abs64(int64_t(px) - x1) * dy - dx * Abs64(int64_t(py) - y1)) / dx;
    return std::min(a, b) <= t;
}

void DragRectCorner(CSize& delta, CRect& rect, int corner, const CRect& limit, int32_t dx,
                    int32_t dy, const CRect* extra, const CRect& keep, bool symmetric) {
    const CRect start = rect;
    int32_t sx = 1, sy = 1;
    const int32_t divisor = symmetric ? 2 : 1;
    if (corner == 1) {
        dx = -dx;
        sx = -1;
    } else if (corner == 2) {
        dx = -dx;
        dy = -dy;
        sx = sy = -1;
    } else if (corner == 3) {
        dy = -dy;
        sy = -1;
    }
    if (symmetric) {
        rect.DeflateRect(dx, dy);
    } else if (corner == 0) {
        rect.left += dx;
        rect.top += dy;
    } else if (corner == 1) {
        rect.right -= dx;
        rect.top += dy;
    } else if (corner == 2) {
        rect.right -= dx;
        rect.bottom -= dy;
    } else if (corner == 3) {
        rect.left += dx;
        rect.bottom -= dy;
    }
    CRect kept;
    kept.IntersectRect(rect, keep);
    if (kept.Width() < keep.Width()) {
        rect.left = keep.left;
        rect.right = keep.right;
        dx = (start.Width() - rect.Width()) / divisor;
    }
    if (kept.Height() < keep.Height()) {
        rect.top = keep.top;
        rect.bottom = keep.bottom;
        dy = (start.Height() - rect.Height()) / divisor;
    }
    CRect limited;
    limited.IntersectRect(rect, limit);
    if (!(limited == rect)) {
        rect = limited;
        dx = (start.Width() - rect.Width()) / divisor;
        dy = (start.Height() - rect.Height()) / divisor;
    }
    const int32_t width = rect.Width(), height = rect.Height();
    if (extra != nullptr)
        rect.UnionRect(CRect(rect), *extra);
    delta = CSize(dx * sx + rect.Width() - width, dy * sy + rect.Height() - height);
}

void MapPointsBetweenRects(int count, const CPoint* in, CPoint* out, const CRect& from,
                           const CRect& to, bool shift) {
    const double sx = double(to.Width()) / (from.Width() == 0 ? 1 : from.Width());
    const double sy = double(to.Height()) / (from.Height() == 0 ? 1 : from.Height());
    const int64_t shiftX = shift ? int64_t(to.left) - from.left : 0;
    const int64_t shiftY = shift ? int64_t(to.top) - from.top : 0;
    for (int i = 0; i < count; ++i) {
        const int32_t x = TruncToInt32((double(in[i].x) - from.left) * sx + to.left);
        const int32_t y = TruncToInt32((double(in[i].y) - from.top) * sy + to.top);
        out[i] = CPoint(Clamp32(x + shiftX), Clamp32(y + shiftY));
    }
}

void MapRectBetweenRects(const CRect& in, CRect& out, const CRect& from, const CRect& to,
                         bool shift) {
    CPoint corners[2] = {in.TopLeft(), in.BottomRight()};
    MapPointsBetweenRects(2, corners, corners, from, to, shift);
    out = CRect(corners[0], corners[1]);
}

void MapPointsOntoSegment(int anchor, int count, CPoint* points, const CRect& frame, int32_t x1,
                          int32_t y1, int32_t x2, int32_t y2, double scale) {
    const double dx = double(x2) - x1, dy = double(y2) - y1;
    double length = std::sqrt(dx * dx + dy * dy);
    if (length == 0)
        length = 0.001;
    const double cy = (double(frame.top) + frame.bottom) / 2;
    for (int i = 0; i < count; ++i) {
        double d;
        if (anchor == 0)
            d = double(points[i].x) - frame.left;
        else if (anchor == 1)
            d = double(frame.right) - points[i].x;
        else
            d = TruncToInt32((double(frame.left) + frame.right) / 2) - double(points[i].x);
        if (d == 0)
            d = 1;
        const double e = cy - points[i].y;
        const double t = d * scale / length;
        const double bx = x2 - t * dx, by = y2 - t * dy;
        points[i] = CPoint(TruncToInt32(bx + t * dy * e / d + 0.5),
                           TruncToInt32(by - t * dx * e / d + 0.5));
    }
}

void PlaceRectOnSegment(int anchor, int32_t x1, int32_t y1, int32_t x2, int32_t y2, CRect& rect,
                        bool whole) {
    const double dx = double(x2) - x1, dy = double(y2) - y1;
    const double length = std::max(std::sqrt(dx * dx + dy * dy), 0.0001);
    const double diagonal = std::hypot(double(rect.Width()), double(rect.Height()));
    const double k = whole ? diagonal / length : diagonal / (2.5 * length);
    const int64_t ox = TruncToInt32(dx * k), oy = TruncToInt32(dy * k);
    int64_t cx, cy;
    if (anchor == 0) {
        cx = x1 + ox;
        cy = y1 + oy;
    } else if (anchor == 1) {
        cx = x2 - ox;
        cy = y2 - oy;
    } else {
        cx = (int64_t(x1) + x2) / 2;
        cy = (int64_t(y1) + y2) / 2;
    }
    const CPoint centre = rect.CenterPoint();
    rect.OffsetRect(Clamp32(cx - centre.x), Clamp32(cy - centre.y));
}

void PlaceLabelNearSegment(int32_t x1, int32_t y1, int32_t x2, int32_t y2, CRect& label) {
    CRect span;
    RectFromCorners(x1, y1, x2, y2, span);
    const int32_t w = label.Width(), h = label.Height();
    int32_t left, top;
    if (span.Width() <= span.Height()) {
        top = y1 < y2 ? y1 + 8 : y1 - 8 - h;
        left = x1 <= x2 ? span.left - w - 4 : span.right + 4;
    } else {
        left = x1 < x2 ? x1 + 8 : x1 - 8 - w;
        top = y1 <= y2 ? span.top - h - 4 : span.bottom + 4;
    }
    label = CRect(left, top, left + w, top + h);
}

void CalloutPolygon(int32_t x, int32_t y, const CRect& rect, CPoint points[7]) {
    const CPoint centre = rect.CenterPoint();
    CPoint c = centre;
    BoundaryPointOfRect(centre.x, centre.y, x, y, rect, c);
    // A notch 8 wide centred on c, shifted to lie within [lo, hi].
    auto notch = [](int32_t mid, int32_t lo, int32_t hi, int32_t& a, int32_t& b) {
        a = mid - 4;
        b = mid + 4;
        if (b > hi) {
            a -= b - hi;
            b = hi;
        }
        if (a < lo) {
            b = std::min(hi, b + (lo - a));
            a = lo;
        }
    };
    const CPoint tl = rect.TopLeft(), br = rect.BottomRight();
    const CPoint tr(rect.right, rect.top), bl(rect.left, rect.bottom);
    int32_t a, b;
    points[0] = CPoint(x, y);
    // The side within 2 units of c, tested left, right, top, bottom: near a
    // corner the vertical sides take the notch.
    if (std::abs(c.x - rect.left) < 2) {
        notch(c.y, rect.top, rect.bottom, a, b);
        const CPoint rest[6] = {{rect.left, a}, tl, tr, br, bl, {rect.left, b}};
        std::copy(rest, rest + 6, points + 1);
    } else if (std::abs(c.x - rect.right) < 2) {
        notch(c.y, rect.top, rect.bottom, a, b);
        const CPoint rest[6] = {{rect.right, b}, br, bl, tl, tr, {rect.right, a}};
        std::copy(rest, rest + 6, points + 1);
    } else if (std::abs(c.y - rect.top) < 2) {
        notch(c.x, rect.left, rect.right, a, b);
        const CPoint rest[6] = {{b, rect.top}, tr, br, bl, tl, {a, rect.top}};
        std::copy(rest, rest + 6, points + 1);
    } else {
        notch(c.x, rect.left, rect.right, a, b);
        const CPoint rest[6] = {{a, rect.bottom}, bl, tl, tr, br, {b, rect.bottom}};
        std::copy(rest, rest + 6, points + 1);
    }
}

bool EqualPointArrays(const CPointArray& a, const CPointArray& b) {
    return a == b;
}

void CopyPointArray(CPointArray& dst, const CPointArray& src) {
    dst = src;
}

void AppendPointArray(CPointArray& dst, const CPointArray& src) {
    if (&dst == &src) {
        const CPointArray copy = src;
        dst.insert(dst.end(), copy.begin(), copy.end());
        return;
    }
    dst.insert(dst.end(), src.begin(), src.end());
}

} // namespace qm
