// What the drawables ask of the application's resources: the icon strip
// that icon instances draw from. The application installs its strip source at
// start-up; tests install fakes. Until then there is no strip.
#pragma once

#include "platform/ScopedInstall.h"

namespace qm {

class CBitmap;

class IconStripSource {
  public:
    virtual ~IconStripSource() = default;
    // The icon strip (16 x 15 pixel icons side by side), or null.
    virtual CBitmap* IconStrip() = 0;
};

// The installed strip, or null when no source is installed.
CBitmap* ApplicationIconStrip();
// Installs a source (not owned) and returns the one replaced; null removes it.
IconStripSource* Install(IconStripSource* source);

} // namespace qm
