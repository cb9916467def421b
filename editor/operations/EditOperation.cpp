// The context helpers of the operation protocol and the factories that turn
// a press into the operation the view then drives.
#include "editor/operations/EditOperation.h"

#include "drawables/Link.h"
#include "editor/operations/CreationTools.h"
#include "editor/operations/DragOperations.h"
#include "platform/DeviceContext.h"

namespace qm {

namespace {

// The view of an operation run without one.
OperationView& NullView() {
    static OperationView view;
    return view;
}

int32_t SnapCoordinate(int32_t c, int32_t s) {
    return static_cast<int32_t>((static_cast<int64_t>(c) + s / 2) / s * s);
}

} // namespace

CPoint OperationContext::Snap(CPoint p) const {
    if (!snapOn) {
        return p;
    }
    const int32_t s = snapSize <= 0 ? 1 : snapSize;
    return {SnapCoordinate(p.x, s), SnapCoordinate(p.y, s)};
}

CPoint OperationContext::ToScreen(CPoint p) const {
    return {clientOnScreen.x + static_cast<int32_t>(p.x * zoom) - scrollOrigin.x,
            clientOnScreen.y + static_cast<int32_t>(p.y * zoom) - scrollOrigin.y};
}

OperationView& OperationContext::Callbacks() const {
    return view ? *view : NullView();
}

void EditOperation::DrawFeedback(DeviceContext&, const OperationContext&) const {}

std::unique_ptr<EditOperation> MakeToolOperation(OperationContext& context, int tool,
                                                 const PointerEvent& press) {
    if (context.document == nullptr || context.model == nullptr)
        return nullptr;
    return MakeCreationOperation(context, tool, press);
}

std::unique_ptr<EditOperation> MakeDragOperation(OperationContext& context, DragMode mode,
                                                 Drawable* pressed, int knob, int part) {
    if (context.document == nullptr || context.model == nullptr)
        return nullptr;
    switch (mode) {
    case DM_DRAG_DRAWABLES:
        // A press on a link bends it rather than moving the selection.
        if (auto* link = dynamic_cast<Link*>(pressed))
            return MakeDragLinkEdge(context, link);
        return MakeDragDrawablesFor(context, pressed);
    case DM_BEND_LINK:
    case DM_DRAG_LINK:
        return MakeDragLinkEdge(context, dynamic_cast<Link*>(pressed));
    case DM_DRAG_JUNCTION:
        return MakeDragJunction(context, pressed);
    case DM_RUBBER_BAND:
        return MakeRubberBand();
    case DM_DRAG_KNOB:
        return MakeDragKnob(context, pressed, knob);
    case DM_NONE:
    case DM_CREATE:
    case DM_CREATE_POINTS:
    case DM_DRAG_CALL_BOX:
        return MakeDragCallBox(context, pressed, part);
    }
    return nullptr;
}

} // namespace qm
