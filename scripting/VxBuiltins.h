// The model-access (Vx) built-ins: the one table of their names and calling
// kinds in the kernel's registration order, the handlers built so far, and
// the registration step the kernel runs while it initialises.
#pragma once

#include "kernel/Cell.h"

#include <cstdint>
#include <span>

namespace qm {

struct VxEntry {
    const char* name;
    uint8_t kind;          // kest::KBuiltin, KBuiltinN or KSpecial
    kest::Handler handler; // null for a built-in not provided yet
};

// All 51 Vx built-ins in registration order.
std::span<const VxEntry> VxBuiltinTable();

// Registers every Vx built-in that has a handler (the kernel's
// registration step).
void RegisterVxBuiltins();
// Installs RegisterVxBuiltins as the kernel's registration step; the next
// initkernel registers the Vx built-ins.
void InstallVxBuiltins();

// Log, control, explorer tree, text, time, merge and id built-ins.
kest::Cell* VxWriteLog(kest::Symbol* self);
kest::Cell* VxShowLog(kest::Symbol* self);
kest::Cell* VxClearLog(kest::Symbol* self);
kest::Cell* VxTry(kest::Symbol* self);
kest::Cell* VxScope(kest::Symbol* self);
kest::Cell* VxClearTree(kest::Symbol* self);
kest::Cell* VxAddTree(kest::Symbol* self);
kest::Cell* VxMakeName(kest::Symbol* self);
kest::Cell* VxMakeComment(kest::Symbol* self);
kest::Cell* VxIndentText(kest::Symbol* self);
kest::Cell* VxDate(kest::Symbol* self);
kest::Cell* VxDateParts(kest::Symbol* self);
kest::Cell* VxMergeFiles(kest::Symbol* self);
kest::Cell* VxNewGuid(kest::Symbol* self);
// Query built-ins.
kest::Cell* VxList(kest::Symbol* self);
kest::Cell* VxFind(kest::Symbol* self);
kest::Cell* VxSortRefs(kest::Symbol* self);
kest::Cell* VxAssociations(kest::Symbol* self);
kest::Cell* VxProject(kest::Symbol* self);
kest::Cell* VxProjectFile(kest::Symbol* self);
kest::Cell* VxMarked(kest::Symbol* self);
kest::Cell* VxMark(kest::Symbol* self);
kest::Cell* VxUnmark(kest::Symbol* self);
kest::Cell* VxMarkAll(kest::Symbol* self);
kest::Cell* VxUnmarkAll(kest::Symbol* self);
// Property lists.
kest::Cell* VxProps(kest::Symbol* self);
kest::Cell* VxLooks(kest::Symbol* self);
// Project built-ins.
kest::Cell* VxSaveProject(kest::Symbol* self);
kest::Cell* VxMakeProject(kest::Symbol* self);
// The diagram image of a model (through the installed DiagramImageWriter).
kest::Cell* VxCreateImage(kest::Symbol* self);
// Model built-ins.
kest::Cell* VxMakeModel(kest::Symbol* self);
kest::Cell* VxSelectModel(kest::Symbol* self);
kest::Cell* VxCalcModel(kest::Symbol* self);
kest::Cell* VxLayoutModel(kest::Symbol* self);
// Place, swimlane, junction, link, tag and message makers.
kest::Cell* VxMakePlace(kest::Symbol* self);
kest::Cell* VxMakeSwimlane(kest::Symbol* self);
kest::Cell* VxMakeJunction(kest::Symbol* self);
kest::Cell* VxMakeLink(kest::Symbol* self);
kest::Cell* VxMakeTag(kest::Symbol* self);
kest::Cell* VxMakeMessage(kest::Symbol* self);
// Primitive makers.
kest::Cell* VxMakeLine(kest::Symbol* self);
kest::Cell* VxMakeBox(kest::Symbol* self);
kest::Cell* VxMakeText(kest::Symbol* self);
kest::Cell* VxMakePrimGroup(kest::Symbol* self);
// Master and member makers.
kest::Cell* VxMakeMaster(kest::Symbol* self);
kest::Cell* VxClearMaster(kest::Symbol* self);
kest::Cell* VxMakeAttribute(kest::Symbol* self);
kest::Cell* VxMakeType(kest::Symbol* self);
kest::Cell* VxMakeMethod(kest::Symbol* self);
kest::Cell* VxMakeException(kest::Symbol* self);
// Deleting.
kest::Cell* VxDelete(kest::Symbol* self);

} // namespace qm
