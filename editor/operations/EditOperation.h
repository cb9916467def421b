// The phase protocol of the diagram editor's creation and drag operations.
// The view turns mouse events into calls of one operation object: Begin at
// the button press (phase 0), Track at each move (phase 1), End at the
// release (phase 2, or phase 3 while a link or poly-line is built point by
// point), Cancel when the drag is abandoned. No Qt here: operations run and
// are tested headless over the model and the document.
#pragma once

#include "model/ObjectHandle.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <memory>

namespace qm {

class CCASEDoc;
class DeviceContext;
class Drawable;
class EditorHost;
class Model;

// The view's interaction mode (16-bit in the view's state).
enum DragMode : int16_t {
    DM_NONE = 0,
    DM_CREATE = 1,         // a creation started by this press
    DM_CREATE_POINTS = 2,  // a link or poly-line built point by point; survives button-up
    DM_DRAG_DRAWABLES = 3, // moving the selection
    DM_DRAG_KNOB = 4,      // a knob or swimlane border of the pressed drawable
    DM_BEND_LINK = 5,      // a point on an edge of a link
    DM_RUBBER_BAND = 6,    // rubber-band selection
    DM_DRAG_LINK = 7,      // a message link of a sequence model
    DM_DRAG_CALL_BOX = 8,  // moving or resizing a call box
    DM_DRAG_JUNCTION = 9,  // a junction
};

// What is being created while the mode is DM_CREATE or DM_CREATE_POINTS.
enum CreationKind : int16_t {
    CK_NONE = 0,
    CK_LINK = 2,
    CK_TAG = 3,
    CK_PRIMITIVE = 4,
};

// The phases.
enum OperationPhase : int {
    PhaseBegin = 0,
    PhaseTrack = 1,
    PhaseEnd = 2,
    PhaseEndPoint = 3, // release while building point by point
};

// Modifier bits of the mouse flags.
constexpr uint32_t MK_SHIFT = 0x4;
constexpr uint32_t MK_CONTROL = 0x8;

// The part code of a place's edge, reported by hit tests only for a
// junction tool.
constexpr int HpPlaceEdge = 0x800;

// What an operation asks of the view it runs in. Every call has a default
// that does nothing, so tests give only what they watch.
class OperationView {
  public:
    virtual ~OperationView() = default;
    // Scrolls towards target (device units: the scroll position plus the
    // overshoot) and returns the offset applied.
    virtual CSize AutoScroll(CPoint /*target*/) { return {}; }
    // Repaints a model area (the view inflates it by the repaint margin and
    // scales it by the zoom).
    virtual void InvalidateModelRect(const CRect& /*rect*/) {}
    // Shows the cursor of an application cursor resource (0: the arrow).
    virtual void SetCursor(int /*resource*/) {}
    // The selection changed: the view tells the panes that follow it.
    virtual void SelectionChanged() {}
    // The view's Call command on the selection (a new message's menu).
    virtual void PopupCall() {}
    // Opens the property sheet of the selection.
    virtual void ShowSelectionProperties() {}
};

// What an operation runs in. The view fills one and keeps it for the life of
// the operation, updating flags and the scroll position before each call.
// Nothing here outlives the view; an operation keeps ObjectHandles, never
// the pointers of a call.
struct OperationContext {
    CCASEDoc* document = nullptr;
    Model* model = nullptr; // the view's current model
    // The frame above the view: the current tool (a one-shot creation sets
    // it back to the pointer), the looks new drawables take, the call menu.
    EditorHost* host = nullptr;
    // The view (null: a view that does nothing, see Callbacks()).
    OperationView* view = nullptr;
    double zoom = 1.0;
    // The grid: points are rounded to snapSize when snapping is on.
    bool snapOn = true;
    int snapSize = 8;
    // The scroll position (device units) and where the client area's origin
    // lies on the screen: a model point p shows at
    // clientOnScreen + p * zoom - scrollOrigin (the call menu pops up there).
    CPoint scrollOrigin;
    CPoint clientOnScreen;
    // The mouse flags (MK_SHIFT, MK_CONTROL) of the current call.
    uint32_t flags = 0;

    bool Shift() const { return (flags & MK_SHIFT) != 0; }
    bool Ctrl() const { return (flags & MK_CONTROL) != 0; }
    // The point rounded to the grid when snapping is on ((c + s/2) / s * s,
    // truncating; a size of 0 counts as 1).
    CPoint Snap(CPoint p) const;
    // The screen point where model point p shows.
    CPoint ToScreen(CPoint p) const;
    // The view, or one that does nothing.
    OperationView& Callbacks() const;
};

// One call's mouse data. hit is the drawable under the mouse (hit-tested
// with the current tool, the pressed drawable excluded while a drag runs),
// valid only during the call.
struct PointerEvent {
    CPoint point;       // model point, snapped
    CPoint rawPoint;    // model point before snapping
    CPoint clientPoint; // the point in the view's client area (icon editing)
    Drawable* hit = nullptr;
    int part = 0; // HitPart bits of hit
    int knob = -1;
    CSize autoScroll; // how far outside the client area ((0, 0) at press and release)
};

// The feedback the view paints over the model on its back buffer while an
// operation runs: outlines, rubber bands, the highlighted drop target.
class EditOperation {
  public:
    virtual ~EditOperation() = default;

    // The mode the view is in while this operation runs; it may change after
    // Begin (a link edge drag becomes DM_BEND_LINK or DM_DRAG_LINK; a link or
    // poly-line creation DM_CREATE_POINTS).
    DragMode Mode() const { return mode_; }

    // Phase 0 at the press (for drags: at the first move away from it).
    virtual void Begin(OperationContext& context, const PointerEvent& event) = 0;
    // Phase 1 at each move.
    virtual void Track(OperationContext& context, const PointerEvent& event) = 0;
    // Phase 2 at the release, or phase 3 (pointByPoint) while building point
    // by point. May be called without Begin (a release at the press point).
    // Answers true when the operation goes on (the view keeps it and stays in
    // DM_CREATE_POINTS); false when it is over.
    virtual bool End(OperationContext& context, const PointerEvent& event, bool pointByPoint) = 0;
    // Abandons the operation: the model is left as before Begin and nothing
    // is recorded.
    virtual void Cancel(OperationContext& context) = 0;

    // Draws the feedback on dc, in device units at context.zoom with the
    // scroll origin already applied by the view (so model point p is drawn
    // at p * zoom). Draws nothing by default.
    virtual void DrawFeedback(DeviceContext& dc, const OperationContext& context) const;
    // The model area the feedback covers now (empty: none). The view
    // repaints the union of the old and new areas after each call; changes
    // of the model come to it through the document's events.
    virtual CRect FeedbackBounds() const { return {}; }
    // The group drawn as drop target, or an empty handle.
    virtual ObjectHandle HighlightedGroup() const { return {}; }

  protected:
    explicit EditOperation(DragMode mode) : mode_(mode) {}
    void SetMode(DragMode mode) { mode_ = mode; }

  private:
    DragMode mode_;
};

// The operation a press with a creation tool starts, or null when the tool
// does nothing at that point (see the view's press table). One-shot
// creations (place, message, swimlane, icon instance, junction, library
// symbol) complete in Begin and End at once; the view still calls End.
std::unique_ptr<EditOperation> MakeToolOperation(OperationContext& context, int tool,
                                                 const PointerEvent& press);
// The operation of a pointer-tool drag in mode (DM_DRAG_DRAWABLES to
// DM_DRAG_JUNCTION) of pressed, with the knob or border index for
// DM_DRAG_KNOB and the pressed part for call boxes and junctions.
std::unique_ptr<EditOperation> MakeDragOperation(OperationContext& context, DragMode mode,
                                                 Drawable* pressed, int knob, int part);
// The icon editor of a tool model in icon-editing mode: every press, move
// and release goes to it.
std::unique_ptr<EditOperation> MakeIconEditOperation(OperationContext& context);

} // namespace qm
