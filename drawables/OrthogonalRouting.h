// Right-angled link routing while the user creates a link point by point:
// the horizontal and vertical legs from a node (or a single point) to a
// point, the legs appended to a path for each click, and the legs that close
// the path at the target node's border. All three work on a plain array of
// points with room for kOrthogonalPathRoom points.
#pragma once

#include "platform/Geometry.h"

namespace qm {

// The room of a path, and the most vertices a link takes from it.
constexpr int kOrthogonalPathRoom = 64;

// Routes from the rectangle r (a node, or the single point (p, p)) towards t,
// leaving r from s (a point in r). Writes out[0] (where the path leaves r),
// out[1] and, for a route with a corner, out[2] = t; returns 2 or 3. A
// straight route drops t's aligned coordinate: it ends at (s.x, t.y) or
// (t.x, s.y). preferHorizontal starts a single point's route into a corner
// region horizontally (the leg arriving at it was vertical).
int RouteOrthogonal(const CRect& r, CPoint s, CPoint t, CPoint out[3], bool preferHorizontal);

// Routes from path[i] to t, writing from index i on; returns i plus the
// points written. The path is not extended (count is returned) when it holds
// 63 points or more, or when i is not one of its points.
int ExtendOrthogonalPath(int i, CPoint t, CPoint* path, int count);

// Closes the path at the target rectangle r, routing from s (a point inside
// r) out to path[i]: a straight approach replaces the last point with the
// border point, one with a corner replaces it with the corner and appends
// the border point. Returns the new count; count unchanged when the path is
// full (64 points), empty, or i is not one of its points.
int EndOrthogonalPathAtRect(const CRect& r, int i, CPoint s, CPoint* path, int count);

} // namespace qm
