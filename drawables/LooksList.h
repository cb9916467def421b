// The list form of a looks record, in which project, template and clipboard
// files store looks: eight elements, face name (nil for face 1), alignment,
// height, style, line colour, line kind, fill colour and text colour.
#pragma once

#include "drawables/Looks.h"

namespace kest {
struct Cell;
}

namespace qm {

// With list nil, builds and returns the list form of looks. Otherwise fills
// looks from the list's first eight elements and returns the rest of the
// list. Filling takes 8-bit fields from an integer's low byte, the height
// from its low 16 bits and the three colours whole; a face name the font face
// table lacks is added to it. A list that is too short or holds an element of
// the wrong type raises the failure check "bad looks list" and leaves looks
// as they were. Building raises "bad font index" for a face not in the table.
kest::Cell* lookslist(Looks& looks, kest::Cell* list);

} // namespace qm
