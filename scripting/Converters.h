// The two-way converters between the model's codes and bit sets and the
// symbols scripts use. A to-symbol converter gives nil for a code outside its
// table; a from-symbol converter reports its message under the calling
// built-in's symbol with the offending value. Bit sets become lists of
// symbols, built by pushing each set bit's symbol on the front in table
// order, so a list comes out in the reverse of the table's order; the
// from-list converters accept the symbols in any order.
#pragma once

#include "kernel/Cell.h"
#include "scripting/References.h"

#include <cstdint>

namespace qm {

class MasterTool;

// MemberAccess: 1 private, 2 protected, 3 public, 4 package ("invalid access").
kest::Cell* MemberAccessToSymbol(int access);
int MemberAccessFromSymbol(kest::Symbol* self, kest::Cell* value);
// TypeKind: 1 simple, 2 enum, 3 struct ("invalid kind").
kest::Cell* TypeKindToSymbol(int kind);
int TypeKindFromSymbol(kest::Symbol* self, kest::Cell* value);
// ExceptionKind: 0 exception, 1 context.
kest::Cell* ExceptionKindToSymbol(int kind);
// Justification: 0 left, 1 center, 2 right ("invalid justification").
kest::Cell* JustificationToSymbol(int justification);
int JustificationFromSymbol(kest::Symbol* self, kest::Cell* value);
// Side: 1 left, 2 right, 3 top, 4 bottom.
kest::Cell* SideToSymbol(int side);
// Model kinds: 0 default, 11 class, 12 usecase, 13 sequence, 14 state,
// 15 activity, 16 implementation, 17 collaboration. Any other symbol (or
// value) is the default kind 0, without an error.
kest::Cell* ModelKindToSymbol(int kind);
int ModelKindFromSymbol(kest::Cell* value);

// MemberMode bits as (mode sym ...) ("invalid mode").
kest::Cell* MemberModeToList(int mode);
int MemberModeFromList(kest::Symbol* self, kest::Cell* list);
// ParamDirection bits as a bare list (out in); the caller adds the head
// ("invalid direction").
kest::Cell* ParamDirectionToList(int direction);
int ParamDirectionFromList(kest::Symbol* self, kest::Cell* list);
// FontStyle bits (bold, italic, underline, strikeout) as a bare list
// ("invalid font style").
kest::Cell* FontStyleToList(int style);
int FontStyleFromList(kest::Symbol* self, kest::Cell* list);

// The object flags of a reference kind as (flags sym ...). For a master the
// genCode bit is written only when extraCondition holds (the master has no
// notation tool, or its tool model's flag word has bit 0x1). urlLink is the
// link-to-is-a-URL bit: 0x10 of masters and links, 0x2 of tags. Kinds
// without flags give (flags).
kest::Cell* ObjectFlagsToList(ReferenceKind kind, uint32_t flags, bool extraCondition);
// The flag bits named by a list ("invalid flag"). The list is walked while
// its cells are pairs; for primitives (kind 4) and kinds above 5 every
// element is skipped unchecked.
uint32_t ObjectFlagsFromList(kest::Symbol* self, ReferenceKind kind, kest::Cell* list);

// Tool kinds of a notation tool model.
enum ToolModelKind : int { NoToolModel = 0, PlaceToolModel = 1, LinkToolModel = 2 };

// The symbol by which scripts name the tool of a master or drawable. With a
// tool model: a link tool gives link<id + 1>, a place tool place<id - 9>.
// Otherwise toolKind decides: 25 tag, 26 line, 27 polyline, 28 textBox,
// 29 rectangle, 30 roundRectangle, 31 ellipse, 32 polygon, 33 primitiveGroup,
// 34 placeGroup, 46 message, 47 swimlane, 48 junction, 49 icon, else nil.
kest::Cell* DefaultDrawableName(int toolModelKind, int toolId, int toolKind);
// The same for the tool of a master or drawable (null for none); a tool
// model that is neither a place nor a link tool leaves it to toolKind.
kest::Cell* DefaultDrawableName(const MasterTool* tool, int toolKind);

} // namespace qm
