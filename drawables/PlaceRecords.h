// The records of places, scenario places and links: the drawable each head
// (place, scenPlace, link) stands for, made and read from its record.
#pragma once

#include "drawables/Drawable.h"

namespace qm {

// Makes the drawable the record's head names (place, scenPlace or link) and
// has it read the record; null for another head. A record that fails to
// read is discarded and the error passed on.
Drawable* CreatePlaceOrLinkFromRecord(kest::Cell* record, GuidScope* scope);

} // namespace qm
