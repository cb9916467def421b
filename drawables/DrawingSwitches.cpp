// The drawing switches and their scoped setters.
#include "drawables/DrawingSwitches.h"

#include <utility>

namespace qm {

namespace {

bool printing = false;
bool overviewDrawing = false;
bool metafileOutput = false;
uint32_t drawingFlag = 0;

bool& Slot(DrawingSwitch which) {
    switch (which) {
    case DrawingSwitch::Printing:
        return printing;
    case DrawingSwitch::OverviewDrawing:
        return overviewDrawing;
    case DrawingSwitch::MetafileOutput:
        return metafileOutput;
    }
    return printing;
}

} // namespace

bool SwitchOn(DrawingSwitch which) {
    return Slot(which);
}

uint32_t DrawingFlag() {
    return drawingFlag;
}

ScopedDrawingSwitch::ScopedDrawingSwitch(DrawingSwitch which, bool on)
    : which_(which), previous_(std::exchange(Slot(which), on)) {}

ScopedDrawingSwitch::~ScopedDrawingSwitch() {
    Slot(which_) = previous_;
}

ScopedDrawingFlag::ScopedDrawingFlag(uint32_t flag) : previous_(std::exchange(drawingFlag, flag)) {}

ScopedDrawingFlag::~ScopedDrawingFlag() {
    drawingFlag = previous_;
}

} // namespace qm
