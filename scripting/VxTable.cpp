// The table of the Vx built-ins, in the order the kernel registers them, and
// their registration. A name whose handler is not built yet stays out of the
// symbol table, so a script calling it gets "undefined function".
#include "scripting/VxBuiltins.h"

#include "kernel/Init.h"

namespace qm {

namespace {

using kest::KBuiltin;
using kest::KBuiltinN;
using kest::KSpecial;

const VxEntry kVxBuiltins[] = {
    {"VxList", KBuiltinN, VxList},
    {"VxFind", KBuiltinN, VxFind},
    {"VxProps", KBuiltin, VxProps},
    {"VxSortRefs", KBuiltin, VxSortRefs},
    {"VxLooks", KBuiltin, VxLooks},
    {"VxMarked", KBuiltin, VxMarked},
    {"VxMark", KBuiltin, VxMark},
    {"VxUnmark", KBuiltin, VxUnmark},
    {"VxMarkAll", KBuiltin, VxMarkAll},
    {"VxUnmarkAll", KBuiltin, VxUnmarkAll},
    {"VxWriteLog", KBuiltinN, VxWriteLog},
    {"VxShowLog", KBuiltin, VxShowLog},
    {"VxClearLog", KBuiltin, VxClearLog},
    {"VxTry", KSpecial, VxTry},
    {"VxScope", KSpecial, VxScope},
    {"VxClearTree", KBuiltin, VxClearTree},
    {"VxAddTree", KBuiltin, VxAddTree},
    {"VxAssociations", KBuiltin, VxAssociations},
    {"VxMakeName", KBuiltin, VxMakeName},
    {"VxMakeComment", KBuiltinN, VxMakeComment},
    {"VxIndentText", KBuiltin, VxIndentText},
    {"VxDate", KBuiltin, VxDate},
    {"VxDateParts", KBuiltin, VxDateParts},
    {"VxProject", KBuiltin, VxProject},
    {"VxProjectFile", KBuiltin, VxProjectFile},
    {"VxCreateImage", KBuiltin, VxCreateImage},
    {"VxMergeFiles", KBuiltin, VxMergeFiles},
    {"VxNewGuid", KBuiltin, VxNewGuid},
    {"VxMakeProject", KBuiltin, VxMakeProject},
    {"VxSaveProject", KBuiltin, VxSaveProject},
    {"VxMakeModel", KSpecial, VxMakeModel},
    {"VxSelectModel", KBuiltin, VxSelectModel},
    {"VxCalcModel", KBuiltin, VxCalcModel},
    {"VxLayoutModel", KBuiltin, VxLayoutModel},
    {"VxMakeMaster", KSpecial, VxMakeMaster},
    {"VxClearMaster", KBuiltin, VxClearMaster},
    {"VxMakeAttribute", KSpecial, VxMakeAttribute},
    {"VxMakeType", KSpecial, VxMakeType},
    {"VxMakeMethod", KSpecial, VxMakeMethod},
    {"VxMakeException", KSpecial, VxMakeException},
    {"VxMakePlace", KSpecial, VxMakePlace},
    {"VxMakeLink", KSpecial, VxMakeLink},
    {"VxMakeJunction", KSpecial, VxMakeJunction},
    {"VxMakeTag", KSpecial, VxMakeTag},
    {"VxMakeMessage", KSpecial, VxMakeMessage},
    {"VxMakeLine", KSpecial, VxMakeLine},
    {"VxMakeText", KSpecial, VxMakeText},
    {"VxMakeBox", KSpecial, VxMakeBox},
    {"VxMakePrimGroup", KSpecial, VxMakePrimGroup},
    {"VxMakeSwimlane", KSpecial, VxMakeSwimlane},
    {"VxDelete", KBuiltinN, VxDelete},
};

} // namespace

std::span<const VxEntry> VxBuiltinTable() {
    return kVxBuiltins;
}

void RegisterVxBuiltins() {
    for (const VxEntry& entry : kVxBuiltins)
        if (entry.handler != nullptr)
            kest::registerbuiltin(entry.name, entry.kind, entry.handler);
}

void InstallVxBuiltins() {
    kest::setvxregistration(RegisterVxBuiltins);
}

} // namespace qm
