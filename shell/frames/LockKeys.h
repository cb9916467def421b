// The keyboard's lock keys as the window system reports them, for the
// status bar's CAP, NUM and SCRL indicators.
#pragma once

namespace qm {

struct LockKeys {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// Fills keys from the window system's keyboard indicators; false when the
// window system cannot tell (no X11 display), keys unchanged.
bool QueryLockKeys(LockKeys& keys);

} // namespace qm
