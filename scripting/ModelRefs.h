// Making references to the objects of the run's project, shared by the query
// built-ins and the property lists, and the property lists themselves.
#pragma once

#include "kernel/Cell.h"
#include "scripting/References.h"

namespace qm {

class ModelObject;
class Drawable;
struct Looks;

// A reference of the given kind to object (nil for null). An object entered
// in the current project's id map (or its template's) is checked against
// that map on every resolution, and dies with the project's reference.
kest::Cell* RefTo(ModelObject* object, ReferenceKind kind);
// A reference to a drawable, its kind from its kind byte.
kest::Cell* DrawableRef(Drawable* drawable);

// The property list of the object a reference names; self names the calling
// built-in in error reports.
kest::Cell* PropertyList(kest::Symbol* self, kest::Cell* reference);
// The looks list of a drawable's looks record.
kest::Cell* LooksList(const Looks& looks);
// Fills looks from a looks clause list, starting from base (null: the
// defaults). Errors are reported under self.
void ReadLooksSpec(kest::Symbol* self, kest::Cell* clauses, Looks& looks, const Looks* base);

} // namespace qm
