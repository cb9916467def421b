// The small tables of the drawing code.
#pragma once

#include <cstdint>

namespace qm {

// The explorer's image of a model kind; 0 for a kind without its own.
int ImageIndexOfModelKind(int kind);
// The menu command of a tool kind; -1 for a kind without one.
int32_t CommandIdOfToolKind(int kind);
// The link style (0 straight, 2 or 4) that a model's flag word selects.
int LinkStyleFromModelFlags(uint32_t modelFlags);

} // namespace qm
