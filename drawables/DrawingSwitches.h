// The process-wide switches that drawing reads: each is set for the length of
// one operation of a higher layer (the model's drawing, printing, the drawing
// locater's miniature, the metafile copy of the selection) through a scoped
// setter, so that an operation that throws never leaves one set.
#pragma once

#include <cstdint>

namespace qm {

enum class DrawingSwitch {
    // A document is printing: dashed lines get width factor 1, link end
    // labels widen by one unit on each side.
    Printing,
    // The drawing locater draws its miniature: texts are not drawn.
    OverviewDrawing,
    // The selection is drawn into a metafile for the clipboard: texts use
    // explicit alignment, link end labels stay unadjusted.
    MetafileOutput,
};

bool SwitchOn(DrawingSwitch which);
// Bit 0x40 of the flag word of the model being drawn, while it draws.
uint32_t DrawingFlag();

// Sets a switch for the lifetime of this object, then restores its previous state.
class ScopedDrawingSwitch {
  public:
    explicit ScopedDrawingSwitch(DrawingSwitch which, bool on = true);
    ~ScopedDrawingSwitch();
    ScopedDrawingSwitch(const ScopedDrawingSwitch&) = delete;
    ScopedDrawingSwitch& operator=(const ScopedDrawingSwitch&) = delete;

  private:
    DrawingSwitch which_;
    bool previous_;
};

// Sets the drawing flag for the lifetime of this object, then restores the previous one.
class ScopedDrawingFlag {
  public:
    explicit ScopedDrawingFlag(uint32_t flag);
    ~ScopedDrawingFlag();
    ScopedDrawingFlag(const ScopedDrawingFlag&) = delete;
    ScopedDrawingFlag& operator=(const ScopedDrawingFlag&) = delete;

  private:
    uint32_t previous_;
};

} // namespace qm
