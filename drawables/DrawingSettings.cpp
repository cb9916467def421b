// The installed drawing settings.
#include "drawables/DrawingSettings.h"

namespace qm {

namespace {

const DrawingSettings* installed = nullptr;

const DrawingSettings& Defaults() {
    static const FixedDrawingSettings defaults;
    return defaults;
}

} // namespace

const DrawingSettings& CurrentDrawingSettings() {
    return installed != nullptr ? *installed : Defaults();
}

void SetDrawingSettings(const DrawingSettings* settings) {
    installed = settings;
}

ScopedDrawingSettings::ScopedDrawingSettings(const DrawingSettings* settings)
    : previous_(installed) {
    installed = settings;
}

ScopedDrawingSettings::~ScopedDrawingSettings() {
    installed = previous_;
}

} // namespace qm
