// The private per-user temporary folder. The undo journals, the masters
// clipboard file and the check-in copy have fixed names, so they live in a
// folder that only the current user can enter: $XDG_RUNTIME_DIR/quillmark,
// else $TMPDIR/quillmark-<uid> (/tmp when TMPDIR is not set).
#pragma once

#include <string>

namespace qm {

// The folder's path without a trailing separator, created with mode 0700 when
// missing. An existing folder must be a real folder (not a link) owned by the
// current user; its mode is narrowed to 0700 when it is wider. Returns "" with
// errno set when no candidate is safe to use.
std::string PrivateTempFolder();

} // namespace qm
