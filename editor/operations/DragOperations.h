// The drags of the pointer tool: moving the selection (carrying drawables
// into and out of place groups), the rubber band, knob drags, link edge and
// junction drags, call-box drags; and the check that undoes a link reshape
// that left the link collapsed into one of its end places.
#pragma once

#include "editor/operations/EditOperation.h"

#include <memory>

namespace qm {

class Drawable;
class Link;

// Reshape limits and gaps.
constexpr int kSwimlaneOverlap = 1;
constexpr int kSelfLoopWidth = 24;
constexpr int kCollapsedLinkMargin = 5;
constexpr int kSegmentTolerance = 4;
constexpr int kCallBoxGap = 12;
constexpr int kCallBoxSpacing = 2;
constexpr int kCallBoxMinHeight = 20;
constexpr int kLifelineStrip = 8;

// The drags, each of the pressed drawable (kept by handle).
std::unique_ptr<EditOperation> MakeDragDrawablesFor(OperationContext& context, Drawable* pressed);
std::unique_ptr<EditOperation> MakeRubberBand();
std::unique_ptr<EditOperation> MakeDragKnob(OperationContext& context, Drawable* pressed, int knob);
std::unique_ptr<EditOperation> MakeDragLinkEdge(OperationContext& context, Link* pressed);
std::unique_ptr<EditOperation> MakeDragJunction(OperationContext& context, Drawable* pressed);
std::unique_ptr<EditOperation> MakeDragCallBox(OperationContext& context, Drawable* pressed,
                                               int part);

// Undoes the change just recorded for link, with a beep, when the reconnect
// of one of its ends failed or the link lies inside one of its end places
// (less than 5 units of its path's bounds outside the end's bounds). True
// when it undid the change.
bool CheckLinkShape(OperationContext& context, Link& link, bool reconnectFailed);

} // namespace qm
