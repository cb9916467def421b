// The clipboard forms the diagram view writes besides the masters clipboard
// file: the MIME types, and the private layout of a tool icon (16 x 15 pixels
// of one colour index each, rows top to bottom, then 256 colour entries of
// blue, green, red and a reserved byte).
#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

class QClipboard;

namespace qm {

// The desktop clipboard, or null when the program runs without a GUI
// application (command-line runs).
QClipboard* DesktopClipboard();

inline constexpr const char* kSvgMime = "image/svg+xml";
inline constexpr const char* kIconMime = "application/x-quillmark-icon";

// The icon layout of image (converted to 8-bit indexed colours, cropped or
// padded to width x height): width x height + 1024 bytes.
QByteArray IconToClipboardBytes(const QImage& image, int width = 16, int height = 15);
// The icon held by bytes, or nothing when they are not exactly width x
// height + 1024 bytes long.
std::optional<QImage> IconFromClipboardBytes(const QByteArray& bytes, int width = 16,
                                             int height = 15);

} // namespace qm
