// Integer geometry value types: points, sizes and rectangles with the
// conventions of the original platform. A rectangle holds its left and top
// edges and excludes its right and bottom edges; "empty" means no area.
#pragma once

#include <algorithm>
#include <cstdint>

namespace qm {

struct CSize {
    int32_t cx = 0;
    int32_t cy = 0;

    constexpr CSize() = default;
    constexpr CSize(int32_t w, int32_t h) : cx(w), cy(h) {}
    friend constexpr bool operator==(const CSize&, const CSize&) = default;
};

struct CPoint {
    int32_t x = 0;
    int32_t y = 0;

    constexpr CPoint() = default;
    constexpr CPoint(int32_t px, int32_t py) : x(px), y(py) {}

    constexpr void Offset(int32_t dx, int32_t dy) {
        x += dx;
        y += dy;
    }
    constexpr CPoint operator+(CSize s) const { return {x + s.cx, y + s.cy}; }
    constexpr CPoint operator-(CSize s) const { return {x - s.cx, y - s.cy}; }
    constexpr CSize operator-(CPoint p) const { return {x - p.x, y - p.y}; }
    constexpr CPoint& operator+=(CSize s) {
        Offset(s.cx, s.cy);
        return *this;
    }
    constexpr CPoint& operator-=(CSize s) {
        Offset(-s.cx, -s.cy);
        return *this;
    }
    friend constexpr bool operator==(const CPoint&, const CPoint&) = default;
};

struct CRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    constexpr CRect() = default;
    constexpr CRect(int32_t l, int32_t t, int32_t r, int32_t b)
        : left(l), top(t), right(r), bottom(b) {}
    constexpr CRect(CPoint topLeft, CPoint bottomRight)
        : left(topLeft.x), top(topLeft.y), right(bottomRight.x), bottom(bottomRight.y) {}
    constexpr CRect(CPoint topLeft, CSize size)
        : left(topLeft.x),
          top(topLeft.y),
          right(topLeft.x + size.cx),
          bottom(topLeft.y + size.cy) {}

    constexpr int32_t Width() const { return right - left; }
    constexpr int32_t Height() const { return bottom - top; }
    constexpr CSize Size() const { return {Width(), Height()}; }
    constexpr CPoint TopLeft() const { return {left, top}; }
    constexpr CPoint BottomRight() const { return {right, bottom}; }
    constexpr CPoint CenterPoint() const { return {(left + right) / 2, (top + bottom) / 2}; }

    // No area: width or height zero or negative.
    constexpr bool IsRectEmpty() const { return right <= left || bottom <= top; }
    // All four coordinates zero.
    constexpr bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    // Inside means left <= x < right and top <= y < bottom.
    constexpr bool PtInRect(CPoint p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }

    constexpr void SetRect(int32_t l, int32_t t, int32_t r, int32_t b) {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    constexpr void SetRectEmpty() { SetRect(0, 0, 0, 0); }
    // Swaps edges so that left <= right and top <= bottom.
    constexpr void NormalizeRect() {
        if (left > right)
            std::swap(left, right);
        if (top > bottom)
            std::swap(top, bottom);
    }
    constexpr void InflateRect(int32_t dx, int32_t dy) { InflateRect(dx, dy, dx, dy); }
    constexpr void InflateRect(int32_t l, int32_t t, int32_t r, int32_t b) {
        left -= l;
        top -= t;
        right += r;
        bottom += b;
    }
    constexpr void DeflateRect(int32_t dx, int32_t dy) { InflateRect(-dx, -dy); }
    constexpr void OffsetRect(int32_t dx, int32_t dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    constexpr void OffsetRect(CPoint p) { OffsetRect(p.x, p.y); }
    constexpr void OffsetRect(CSize s) { OffsetRect(s.cx, s.cy); }

    // The smallest rectangle holding both; an empty operand is ignored.
    // Returns false (and an all-zero rectangle) when both are empty.
    constexpr bool UnionRect(const CRect& a, const CRect& b) {
        if (a.IsRectEmpty() && b.IsRectEmpty()) {
            SetRectEmpty();
            return false;
        }
        if (a.IsRectEmpty()) {
            *this = b;
            return true;
        }
        if (b.IsRectEmpty()) {
            *this = a;
            return true;
        }
        SetRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom));
        return true;
    }
    // The common part; false (and an all-zero rectangle) when there is none.
    constexpr bool IntersectRect(const CRect& a, const CRect& b) {
        CRect r(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom));
        if (r.IsRectEmpty()) {
            SetRectEmpty();
            return false;
        }
        *this = r;
        return true;
    }

    friend constexpr bool operator==(const CRect&, const CRect&) = default;
};

} // namespace qm
