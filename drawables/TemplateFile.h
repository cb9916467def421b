// The notation template file (*.not) and the built-in template. The file is
// list syntax: the header (kind notation), one diagrams list, one toolModel
// record per tool and one bitmap list holding the icon strip:
//   (bitmap width height planes bitsPerPixel parameter byteCount block...)
// where the bytes are width x height palette indexes, rows top to bottom,
// then the 1024-byte colour table. Each top-level list is read and turned
// into objects under its own heap mark.
#pragma once

#include "drawables/NotationTemplate.h"

#include <cstdint>
#include <string>

namespace kest {
struct Cell;
}

namespace qm {

// A strip at most this wide (27 icons) gains a slot when read, so that every
// strip read holds the reserved slots.
constexpr int32_t kNarrowStripWidth = 27 * kIconWidth;
// The built-in strip: the 27 icons, the reserved slot 27 and room for the
// first user icon (slot 28).
constexpr int32_t kBuiltinStripSlots = 29;

// Reads (write false) or writes (write true) the file at the template's path.
// Failures are exceptions: CKestException for a file that cannot be opened,
// the fatal failure check (CIgnoreException) for a malformed file.
void SerializeTemplateFile(NotationTemplate& notation, bool write);
// The same from and to text, for the file's readers and writers that hold it
// in memory (the fuzz target, the tests).
void ReadTemplateText(NotationTemplate& notation, const std::string& text);
std::string WriteTemplateText(NotationTemplate& notation);

// Given nil: the bitmap list of the strip ("Couldn't access icon bitmap for
// template" when it is empty). Given a bitmap list: checks it whole, then
// fills the strip (recreated at the list's size when create is set) and
// answers nil. A strip at most 27 icons wide read with create is widened to
// 28 slots.
kest::Cell* BitmapScriptor(NotationTemplate& notation, ToolBitmap& strip, kest::Cell* list,
                           bool create);

// One icon (a 16 x 15 strip of one slot) in the same bitmap form, with
// parameter in the form's parameter field; no template is touched. Writing
// throws "Couldn't access icon bitmap for template" for an icon of another
// size. Reading answers false, icon unchanged, for a list that is no bitmap
// list of exactly 16 x 15 pixels with every pixel present; otherwise icon
// becomes those pixels and takes the colour-table entries the list holds.
kest::Cell* WriteIconBitmap(const ToolBitmap& icon, int32_t parameter);
bool ReadIconBitmap(kest::Cell* list, ToolBitmap& icon);

// Builds the template for a name: the built-in one when the file-name part
// of name is "<Internal>", else the file read. Returns 1; failures throw.
int CreateTemplate(NotationTemplate& notation, const std::string& name);

// The device-independent bitmap header the strip converts through.
struct BitmapInfoHeader {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0; // negative: rows top-down
    uint16_t planes = 1;
    uint16_t bitCount = 8;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 1000;
    int32_t yPelsPerMeter = 1000;
    uint32_t clrUsed = 256;
    uint32_t clrImportant = 256;
};
void FillBitmapInfoHeader(BitmapInfoHeader& header, int32_t width, int32_t height,
                          uint32_t imageSize);
// Makes the colour-table entry the strip's top-left pixel uses the button
// face colour, so that icon backgrounds match the tool bar.
void ReplaceBackgroundColour(ToolBitmap& strip);

// The built-in icon strip: 27 icons of 16 x 15 pixels in the 16-colour
// palette (icon i for built-in tool i, 24..26 for further buttons), with the
// reserved slot and room for the first user icon.
void DrawBuiltinIconStrip(ToolBitmap& strip);

} // namespace qm
