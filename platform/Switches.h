// Program-wide switches that drawing and persistence consult. Each is set and
// cleared by one operation of a higher layer (the model's drawing, printing,
// the undo journal, the drawing locater, the metafile copy) and only read below.
#pragma once

#include <cstdint>

namespace qm {

struct ProgramSwitches {
    // Bit 0x40 of the flag word of the model being drawn, while it draws.
    uint32_t drawingFlag = 0;
    // A document is printing: dashed lines get width factor 1, link end
    // labels widen by one unit on each side.
    bool printing = false;
    // The undo journal writes or reads drawables: groups keep members as ids.
    bool membersById = false;
    // The drawing locater draws its miniature: texts are not drawn.
    bool overviewDrawing = false;
    // The selection is drawn into a metafile for the clipboard: texts use
    // explicit alignment, link end labels stay unadjusted.
    bool metafileOutput = false;
};

// The one set of switches of this process.
ProgramSwitches& Switches();

} // namespace qm
