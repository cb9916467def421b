// Right-angled routing. A route is classified into one of twelve cases by
// where the target lies around the source rectangle: within its horizontal
// span (a vertical first leg), within its vertical span (a horizontal first
// leg), or in one of the four corner regions, where the first leg leaves
// through the edge that the source point is nearer to. Each case is either
// straight (two points) or has one corner (three points). The routes never
// look at other nodes: they are the editor's first draft, which the user
// shapes further by dragging vertices.
#include "drawables/OrthogonalRouting.h"

#include <cstdint>
#include <cstdlib>

namespace qm {

namespace {

// Two coordinates closer than this count as aligned.
constexpr int64_t kAligned = 4;

int64_t Diff(int32_t a, int32_t b) {
    return int64_t(a) - int64_t(b);
}

bool Aligned(int32_t a, int32_t b) {
    return std::llabs(Diff(a, b)) < kAligned;
}

int Classify(const CRect& r, CPoint s, CPoint t, bool preferHorizontal) {
    if (r.left <= t.x && t.x <= r.right) {
        if (t.y < r.top)
            return Aligned(t.x, s.x) ? 0 : s.x <= t.x ? 6 : 4;
        return Aligned(t.x, s.x) ? 1 : s.x <= t.x ? 10 : 8;
    }
    if (r.top <= t.y && t.y <= r.bottom) {
        if (t.x < r.left)
            return Aligned(t.y, s.y) ? 2 : s.y <= t.y ? 9 : 5;
        return Aligned(t.y, s.y) ? 3 : s.y <= t.y ? 11 : 7;
    }
    const bool single = preferHorizontal && r.IsRectEmpty();
    if (t.x < r.left && t.y < r.top) {
        const int base = Diff(s.x, r.left) < Diff(s.y, r.top) || single ? 5 : 4;
        if (base == 5 && Diff(s.x, t.x) < kAligned)
            return 2;
        if (Diff(s.y, t.y) < kAligned)
            return 0;
        return base;
    }
    if (t.x < r.left)
        return Diff(s.x, r.left) < Diff(r.bottom, s.y) || single ? 9 : 8;
    if (t.y < r.top)
        return Diff(r.right, s.x) < Diff(s.y, r.top) || single ? 7 : 6;
    return Diff(r.right, s.x) < Diff(r.bottom, s.y) || single ? 11 : 10;
}

} // namespace

int RouteOrthogonal(const CRect& r, CPoint s, CPoint t, CPoint out[3], bool preferHorizontal) {
    const int route = Classify(r, s, t, preferHorizontal);
    const bool verticalFirst =
        route == 0 || route == 1 || route == 4 || route == 6 || route == 8 || route == 10;
    if (verticalFirst) {
        out[0] = CPoint(s.x, t.y < r.top ? r.top : r.bottom);
        out[1] = CPoint(s.x, t.y);
    } else {
        out[0] = CPoint(t.x < r.left ? r.left : r.right, s.y);
        out[1] = CPoint(t.x, s.y);
    }
    if (route <= 3)
        return 2;
    out[2] = t;
    return 3;
}

int ExtendOrthogonalPath(int i, CPoint t, CPoint* path, int count) {
    if (count + 1 >= kOrthogonalPathRoom || i < 0 || i >= count)
        return count;
    const CPoint s = path[i];
    const CRect single(s.x, s.y, s.x, s.y);
    const bool arrivingVertical = i >= 1 && path[i].x == path[i - 1].x;
    return i + RouteOrthogonal(single, s, t, path + i, arrivingVertical);
}

int EndOrthogonalPathAtRect(const CRect& r, int i, CPoint s, CPoint* path, int count) {
    if (count + 1 >= kOrthogonalPathRoom + 1 || count < 1 || i < 0 || i >= count)
        return count;
    CPoint routed[3];
    const int k = RouteOrthogonal(r, s, path[i], routed, true);
    int j = count - 1;
    if (k == 3) {
        path[j] = routed[1];
        j = count;
    }
    path[j] = routed[0];
    return j + 1;
}

} // namespace qm
