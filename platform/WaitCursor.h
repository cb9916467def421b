// The wait cursor for the length of a scope: what long-running commands
// (generation, reverse engineering, image export) show while they work.
#pragma once

#include <QGuiApplication>

namespace qm {

class WaitCursor {
  public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace qm
