// The desktop clipboard as the document uses it: a reference to a file (its
// path) under a MIME type of the program's own, so that a second running
// instance of the program finds what the first copied. Without a desktop (no
// graphical application object, as in batch runs and tools) there is no
// clipboard: putting does nothing and reading finds nothing.
#pragma once

#include <optional>
#include <string>

namespace qm {

// The MIME type under which the masters clipboard file is referred to.
inline constexpr const char* kMastersClipboardMime = "application/x-quillmark-masters";

// Replaces the desktop clipboard's contents with path under mimeType.
// Returns whether there was a clipboard to put it on.
bool PutFileReference(const std::string& mimeType, const std::string& path);

// The path the desktop clipboard holds under mimeType; nothing when it holds
// none, when the data is not a plain path (empty, too long, or holding a
// NUL), or when the path names no regular file of the current user (a link,
// a folder, another user's file): another program may put anything there.
std::optional<std::string> GetFileReference(const std::string& mimeType);

} // namespace qm
