// Geometry shared by every drawable and the editor: rectangle and point
// arithmetic, segment hit tests, corner drags, mappings between frames and
// onto link segments, and point arrays. Rectangles exclude their right and
// bottom edges. None keeps state between calls; the segment hit test reads
// the snap size of the user settings.
#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <list>
#include <vector>

namespace qm {

using CPointArray = std::vector<CPoint>;

// Rectangles and points.
void RectFromCorners(int32_t x1, int32_t y1, int32_t x2, int32_t y2, CRect& rect);
// The smallest rectangle holding the points, a zero width or height widened
// to 1. No points give an all-zero rectangle.
void BoundsOfPoints(int count, const CPoint* points, CRect& rect);
void ExtendRectToPoint(CRect& rect, int32_t x, int32_t y);
bool IsNearPoint(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t tolerance);
// clamped = (x, y) moved into [left, right - 1] x [top, bottom - 1];
// returns clamped - (x, y).
CSize ClampPointToRect(const CRect& rect, int32_t x, int32_t y, CPoint& clamped);
// The offset that brings rect inside bounding; moved is rect offset by it.
CSize MoveRectInside(const CRect& bounding, const CRect& rect, CRect& moved);
// When rect intersects the obstacle, moves it out across the obstacle's edge
// on which (x, y) lies; returns the offset, else (0, 0) and moved = rect.
CSize PushRectOutAcrossEdge(const CRect& obstacle, int32_t x, int32_t y, const CRect& rect,
                            CRect& moved);
// (width / 5, height / 5): the ellipse of a rounded rectangle's corners.
CSize RoundRectCornerSize(const CRect& rect);
// Where the segment crosses the rectangle's outline, by bisection. Both ends
// inside: the centre and false; both outside: false, point unchanged.
bool BoundaryPointOfRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const CRect& rect,
                         CPoint& point);
// a and b hold two points each. The crossing of a vertical and a horizontal
// segment and true; otherwise a's midpoint and false.
bool OrthogonalCrossing(const CPoint* a, const CPoint* b, CPoint& point);
void NearestPointOnSegment(int32_t px, int32_t py, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                           CPoint& point);
// The nearest point of the outline and its side: 1 left, 2 right, 3 top,
// 4 bottom. The fifth argument is not used.
int NearestOutlinePoint(int32_t px, int32_t py, CPoint& point, const CRect& rect, int,
                        bool outside);
// True when the point is within the tolerance (at least the snap size) of the segment.
bool HitTestSegment(int32_t px, int32_t py, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                    int32_t tolerance);
// Resizes rect by a corner (0 top-left, 1 top-right, 2 bottom-right,
// 3 bottom-left) by (dx, dy), keeping keep inside it and it inside limit,
// then uniting extra (may be null); delta is the change the caller applies.
void DragRectCorner(CSize& delta, CRect& rect, int corner, const CRect& limit, int32_t dx,
                    int32_t dy, const CRect* extra, const CRect& keep, bool symmetric);
void MapPointsBetweenRects(int count, const CPoint* in, CPoint* out, const CRect& from,
                           const CRect& to, bool shift);
void MapRectBetweenRects(const CRect& in, CRect& out, const CRect& from, const CRect& to,
                         bool shift);
// Lays points drawn in frame along the segment, ending at (x2, y2); anchor 0
// measures from the frame's left, 1 from its right, 2 from its centre.
void MapPointsOntoSegment(int anchor, int count, CPoint* points, const CRect& frame, int32_t x1,
                          int32_t y1, int32_t x2, int32_t y2, double scale);
// Centres rect near the start (anchor 0), end (1) or middle (2) of the segment.
void PlaceRectOnSegment(int anchor, int32_t x1, int32_t y1, int32_t x2, int32_t y2, CRect& rect,
                        bool whole);
void PlaceLabelNearSegment(int32_t x1, int32_t y1, int32_t x2, int32_t y2, CRect& label);
// The rectangle with a pointer to (x, y): tip, notch end, four corners, notch end.
void CalloutPolygon(int32_t x, int32_t y, const CRect& rect, CPoint points[7]);

// Point arrays and lists.
bool EqualPointArrays(const CPointArray& a, const CPointArray& b);
void CopyPointArray(CPointArray& dst, const CPointArray& src);
void AppendPointArray(CPointArray& dst, const CPointArray& src);
// dst emptied, then every element of src appended (the same objects).
template <class T> void CopyObList(std::list<T*>& dst, const std::list<T*>& src) {
    dst.assign(src.begin(), src.end());
}

} // namespace qm
