// The lock keys through the X keyboard extension's named indicators.
#include "shell/frames/LockKeys.h"

#include <QGuiApplication>

#ifdef QM_HAVE_X11
#include <X11/XKBlib.h>
#endif

namespace qm {

bool QueryLockKeys(LockKeys& keys) {
#ifdef QM_HAVE_X11
    auto* x11 =
        qApp != nullptr ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 != nullptr ? x11->display() : nullptr;
    if (display == nullptr)
        return false;
    // Named indicators, so that a keyboard map that numbers its lights
    // otherwise still reads right.
    auto lit = [display](const char* name, bool& on) {
        const Atom atom = XInternAtom(display, name, True);
        Bool state = False;
        if (atom == None || !XkbGetNamedIndicator(display, atom, nullptr, &state, nullptr, nullptr))
            return false;
        on = state != False;
        return true;
    };
    LockKeys read;
    if (!lit("Caps Lock", read.caps) || !lit("Num Lock", read.num))
        return false;
    lit("Scroll Lock", read.scroll);
    keys = read;
    return true;
#else
    (void)keys;
    return false;
#endif
}

} // namespace qm
