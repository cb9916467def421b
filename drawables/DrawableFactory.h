// The drawable factory: one table from a record's head symbol to the
// drawable class that reads it. A new drawable class registers with one line
// in that table (DrawableFactory.cpp).
#pragma once

#include "drawables/Drawable.h"

#include <memory>

namespace qm {

// Makes the drawable that the record's head names and has it read the
// record. Null (nothing read) for a record that is not a list headed by a
// known symbol. A record that fails to read is discarded (the drawable and
// what it read detached and freed) and the error passed on.
std::unique_ptr<Drawable> CreateDrawableFromRecord(kest::Cell* record, GuidScope* scope);

// True when the factory knows the head symbol.
bool IsDrawableHead(kest::Cell* head);

// Detaches a drawable from the scope's map (when it is registered there
// under its id) and frees it; nothing for null.
void DiscardDrawable(std::unique_ptr<Drawable> drawable, GuidScope* scope);

} // namespace qm
