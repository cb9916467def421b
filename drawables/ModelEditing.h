// Small helpers shared by the model's editing operations (selection,
// grouping, arrangement, layout): the drawable a tag or message floater is
// attached to, and a repaint rectangle in zoomed view units (the drawable as
// its class is in DrawableKinds.h).
#pragma once

#include "drawables/Drawable.h"
#include "drawables/DrawableKinds.h"
#include "drawables/ZoomScaling.h"

namespace qm {

// The drawable a tag or message floater is attached to (a floater's is its
// link); null for anything else.
Drawable* AttachedTo(const Drawable* drawable);

// The rectangle in zoomed view units (an empty one stays empty).
inline CRect ScaledRepaint(const CRect& rect, double zoom) {
    return rect.IsRectEmpty() ? rect : ScaleByZoom(rect, zoom);
}

} // namespace qm
