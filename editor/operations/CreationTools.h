// The creation tools: places, links, tags, primitives, message floaters,
// icon instances, junctions and swimlanes made with the palette's tools, and
// the services that build on them (dropping a master, the submodel of an
// exploded master, taking a new drawable into the place group it lies in).
#pragma once

#include "editor/operations/EditOperation.h"

#include <memory>

namespace qm {

class Drawable;
class Master;
class Model;

// The sizes and limits of the creation tools.
constexpr int kTagWidth = 70;
constexpr int kTagHeight = 50;
constexpr int kIconInstanceWidth = 16;
constexpr int kIconInstanceHeight = 15;
constexpr int kPrimitiveMoveThreshold = 4;
constexpr int kCreationVertexCap = 64;
constexpr int kSelfMessageLoop = 24;

// The operation of a press with tool at the press point (null: the tool does
// nothing there). The conditions of each tool are checked here.
std::unique_ptr<EditOperation> MakeCreationOperation(OperationContext& context, int tool,
                                                     const PointerEvent& press);

// Takes a drawable just added to model into the place group it lies in (a
// link into the group that must hold it, a message floater into its link's,
// anything else into the innermost group under it); repaints the group.
void AdoptIntoGroup(OperationContext& context, Drawable* drawable);

// Drops master at a point of the view's client area: a place of its tool
// centred there ("Create Place"); a master without a tool copies its first
// place of the project (not into a sequence diagram: a beep). Nothing
// without a master or a current model.
void DropMaster(OperationContext& context, Master* master, CPoint clientPoint);

// Creates the submodel of master, of diagram kind, under parent: page size
// of the document, named as the master; added to the document. Records
// nothing (the callers do). Null when the master makes none.
Model* CreateExplodeModel(OperationContext& context, int kind, Master* master, Model* parent);

} // namespace qm
