// The cursor the diagram view shows over the model while no operation runs:
// what a press of the current tool would do there, decided from the
// drawable and part under the mouse. No Qt here: the view asks it at every
// move and the rules are tested headless.
#pragma once

#include <cstdint>

namespace qm {

class Drawable;
class NotationTemplate;

// What the view knows of the point besides the drawable and part.
struct CursorQuestion {
    int tool = 0;       // the current tool
    uint32_t flags = 0; // MK_SHIFT, MK_CONTROL
    // The model renumbers its messages (the pointer picks messages).
    bool renumbering = false;
    // The model has a parent and the point lies in the view: Ctrl over
    // nothing goes up to the parent.
    bool canImplode = false;
    const NotationTemplate* notation = nullptr;
};

// The cursor (a ViewCursor) over drawable's part, or over nothing (null).
int CursorFor(const CursorQuestion& question, const Drawable* drawable, int part);

} // namespace qm
