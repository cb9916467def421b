// What places and links ask of the notation tool that draws them: the tool's
// sample drawing (a list of primitives), its frames, its line and semantics,
// and the mapping of its name frame into a place. A template's tool model
// implements it; the helpers below derive the text frames and the name
// rectangle of a place from the drawing, so an implementation supplies only
// its fields.
#pragma once

#include "drawables/Drawable.h"

#include <cstdint>

namespace qm {

class TextPrimitive;

class NotationTool {
  public:
    virtual ~NotationTool() = default;

    // The tool's number: its kind code for what it makes and its key in the
    // template's map.
    virtual int ToolNumber() const = 0;
    virtual bool IsLinkTool() const = 0;
    virtual bool IsPlaceTool() const = 0;
    // The semantics code (1 class or inheritance, 2 package or realization,
    // 4 composition, 7 control flow, ...).
    virtual int Semantics() const = 0;
    // The tool model's flag word: 0x1 its masters and links generate code,
    // 0x100 the banded name frame.
    virtual uint32_t ToolFlagWord() const = 0;
    // The sample drawing, in drawing order.
    virtual const DrawableList& Drawing() const = 0;
    // The frame of the sample drawing: what a place of the tool maps onto.
    virtual CRect SampleFrame() const = 0;
    // A link tool's frame that stands for the line itself: the drawing left
    // of it decorates the source end, right of it the target end, inside it
    // the middle. The sample frame unless a tool says otherwise.
    virtual CRect LinkFrame() const { return SampleFrame(); }
    // The whole area of a link tool's drawing, decorations included.
    virtual CRect DrawingExtent() const = 0;
    // The frame of the sample at scale 1: a link tool's end-symbol box is a
    // quarter of its width by its height.
    virtual CRect LabelFrame() const = 0;
    // A link tool's own line kind and line colour code.
    virtual int LineKind() const = 0;
    virtual uint32_t LineColour() const = 0;
    // Where a place of the given bounds shows the text of the frame (the
    // sample frame scaled onto the bounds); the bounds when frame is null.
    virtual void MapTextFrame(const TextPrimitive* frame, const CRect& bounds, CRect& out) const;

    // The first text primitive of the drawing whose text flags hold the bit
    // (0x1 the name frame, 0x2 the second text frame, 0x4 the compartments).
    TextPrimitive* FindText(int32_t flagBit) const;
    TextPrimitive* FindNameText() const { return FindText(0x1); }
    TextPrimitive* FindSecondText() const { return FindText(0x2); }
    TextPrimitive* FindCompartmentText() const { return FindText(0x4); }
    void MapNameFrame(const CRect& bounds, CRect& out) const {
        MapTextFrame(FindNameText(), bounds, out);
    }
    void MapSecondFrame(const CRect& bounds, CRect& out) const {
        MapTextFrame(FindSecondText(), bounds, out);
    }
    // The place bounds whose name frame is nameRect: the inverse of
    // MapNameFrame's scaling (the name frame's share of the sample frame
    // kept). nameRect itself without a name frame.
    void ComputeNameRect(const CRect& nameRect, CRect& placeRect) const;
};

// The notation tool behind a master's tool (null when it has none).
class Master;
NotationTool* ToolOf(const Master* master);

} // namespace qm
