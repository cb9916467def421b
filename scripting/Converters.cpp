// The converters between model codes and script symbols, each one table.
#include "scripting/Converters.h"

#include "drawables/ToolModel.h"
#include "kernel/Errors.h"
#include "kernel/Predefined.h"
#include "kernel/Symbol.h"
#include "model/Master.h"
#include "platform/Format.h"

#include <span>

namespace qm {

using namespace kest;

namespace {

struct Entry {
    int code;
    // The kernel's global holding the symbol; null for the names the kernel
    // does not predefine, which are interned on use ("reverse" is the name
    // of a kernel built-in, so it must never be defined here).
    Symbol* const* symbol;
    const char* name;
};

Symbol* SymbolOf(const Entry& entry) {
    return entry.symbol != nullptr ? *entry.symbol : intern(entry.name);
}

#define E(code, id)                                                                                \
    Entry {                                                                                        \
        code, &sym::id, #id                                                                        \
    }
#define X(code, name)                                                                              \
    Entry {                                                                                        \
        code, nullptr, name                                                                        \
    }

const Entry kAccess[] = {E(1, private_), E(2, protected_), E(3, public_), E(4, package)};
const Entry kTypeKind[] = {E(1, simple), E(2, enum_), E(3, struct_)};
const Entry kExceptionKind[] = {E(0, exception), E(1, context)};
const Entry kJustification[] = {E(0, left), E(1, center), E(2, right)};
const Entry kSide[] = {E(1, left), E(2, right), E(3, top), E(4, bottom)};
const Entry kModelKind[] = {E(0, default_),        E(11, class_),       E(12, usecase),
                            E(13, sequence),       E(14, state),        E(15, activity),
                            E(16, implementation), E(17, collaboration)};
const Entry kMemberMode[] = {E(0x1, static_),        E(0x2, const_),       E(0x4, getset),
                             E(0x8, virtual_),       E(0x10, annotate),    E(0x80, abstract),
                             E(0x100, final),        E(0x200, volatile_),  E(0x400, transient),
                             E(0x800, synchronized), E(0x1000, native),    E(0x2000, macro),
                             X(0x4000, "explicit"),  X(0x8000, "override")};
const Entry kDirection[] = {E(0x1, in), E(0x2, out)};
const Entry kFontStyle[] = {E(0x1, bold), E(0x2, italic), E(0x4, underline), E(0x8, strikeout)};

const Entry kModelFlags[] = {E(0x1, genCode), E(0x4, stepLink), E(0x8, curveLink)};
const Entry kMasterFlags[] = {E(0x1, genCode), E(0x2, interface), E(0x4, abstract), E(0x8, final),
                              E(0x10, urlLink)};
const Entry kPlaceFlags[] = {E(0x1, annotate), E(0x2, detailed)};
const Entry kLinkFlags[] = {E(0x1, genCode), E(0x2, stepLink), E(0x4, curveLink), E(0x10, urlLink)};
const Entry kTagFlags[] = {X(0x1, "reverse"), E(0x2, urlLink)};

const Entry kToolKinds[] = {E(25, tag),        E(26, line),      E(27, polyline),
                            X(28, "textBox"),  E(29, rectangle), E(30, roundRectangle),
                            E(31, ellipse),    E(32, polygon),   X(33, "primitiveGroup"),
                            E(34, placeGroup), X(46, "message"), E(47, swimlane),
                            E(48, junction),   E(49, icon)};

#undef E
#undef X

Cell* ToSymbol(std::span<const Entry> table, int code) {
    for (const Entry& entry : table)
        if (entry.code == code)
            return SymbolOf(entry);
    return nil;
}

// The entry whose symbol is value, or null.
const Entry* FindSymbol(std::span<const Entry> table, Cell* value) {
    for (const Entry& entry : table)
        if (value == SymbolOf(entry))
            return &entry;
    return nullptr;
}

int FromSymbol(std::span<const Entry> table, Symbol* self, Cell* value, const char* message) {
    const Entry* entry = FindSymbol(table, value);
    if (entry == nullptr)
        scripterror(self, message, value);
    return entry->code;
}

Cell* BitsToList(std::span<const Entry> table, uint32_t bits, Cell* head) {
    Cell* list = nil;
    for (const Entry& entry : table)
        if ((bits & static_cast<uint32_t>(entry.code)) != 0)
            list = mkcons(SymbolOf(entry), list);
    return head != nullptr ? mkcons(head, list) : list;
}

uint32_t BitsFromList(std::span<const Entry> table, Symbol* self, Cell* list, const char* message) {
    uint32_t bits = 0;
    for (Cell* p = list; ispair(p); p = cdr(p))
        bits |= static_cast<uint32_t>(FromSymbol(table, self, car(p), message));
    return bits;
}

std::span<const Entry> FlagTable(ReferenceKind kind) {
    switch (kind) {
    case RefModel:
        return kModelFlags;
    case RefMaster:
        return kMasterFlags;
    case RefPlace:
        return kPlaceFlags;
    case RefLink:
        return kLinkFlags;
    case RefTag:
        return kTagFlags;
    case RefPrimitive:
    case RefAttribute:
    case RefType:
    case RefMethod:
    case RefException:
    case RefProject:
    case RefJunction:
        return {};
    }
    return {};
}

} // namespace

Cell* MemberAccessToSymbol(int access) {
    return ToSymbol(kAccess, access);
}
int MemberAccessFromSymbol(Symbol* self, Cell* value) {
    return FromSymbol(kAccess, self, value, "invalid access");
}
Cell* TypeKindToSymbol(int kind) {
    return ToSymbol(kTypeKind, kind);
}
int TypeKindFromSymbol(Symbol* self, Cell* value) {
    return FromSymbol(kTypeKind, self, value, "invalid kind");
}
Cell* ExceptionKindToSymbol(int kind) {
    return ToSymbol(kExceptionKind, kind);
}
Cell* JustificationToSymbol(int justification) {
    return ToSymbol(kJustification, justification);
}
int JustificationFromSymbol(Symbol* self, Cell* value) {
    return FromSymbol(kJustification, self, value, "invalid justification");
}
Cell* SideToSymbol(int side) {
    return ToSymbol(kSide, side);
}
Cell* ModelKindToSymbol(int kind) {
    return ToSymbol(kModelKind, kind);
}
int ModelKindFromSymbol(Cell* value) {
    const Entry* entry = FindSymbol(kModelKind, value);
    return entry != nullptr ? entry->code : 0;
}

Cell* MemberModeToList(int mode) {
    return BitsToList(kMemberMode, static_cast<uint32_t>(mode), sym::mode);
}
int MemberModeFromList(Symbol* self, Cell* list) {
    return static_cast<int>(BitsFromList(kMemberMode, self, list, "invalid mode"));
}
Cell* ParamDirectionToList(int direction) {
    return BitsToList(kDirection, static_cast<uint32_t>(direction), nullptr);
}
int ParamDirectionFromList(Symbol* self, Cell* list) {
    return static_cast<int>(BitsFromList(kDirection, self, list, "invalid direction"));
}
Cell* FontStyleToList(int style) {
    return BitsToList(kFontStyle, static_cast<uint32_t>(style), nullptr);
}
int FontStyleFromList(Symbol* self, Cell* list) {
    return static_cast<int>(BitsFromList(kFontStyle, self, list, "invalid font style"));
}

Cell* ObjectFlagsToList(ReferenceKind kind, uint32_t flags, bool extraCondition) {
    if (kind == RefMaster && !extraCondition)
        flags &= ~static_cast<uint32_t>(MasterGenCode);
    return BitsToList(FlagTable(kind), flags, sym::flags);
}

uint32_t ObjectFlagsFromList(Symbol* self, ReferenceKind kind, Cell* list) {
    if (kind == RefPrimitive || kind > RefTag)
        return 0;
    return BitsFromList(FlagTable(kind), self, list, "invalid flag");
}

Cell* DefaultDrawableName(int toolModelKind, int toolId, int toolKind) {
    if (toolModelKind == LinkToolModel)
        return intern(Format("link%d", toolId + 1).c_str());
    if (toolModelKind == PlaceToolModel)
        return intern(Format("place%d", toolId - 9).c_str());
    return ToSymbol(kToolKinds, toolKind);
}

Cell* DefaultDrawableName(const MasterTool* tool, int toolKind) {
    if (tool == nullptr)
        return DefaultDrawableName(NoToolModel, 0, toolKind);
    if (tool->IsPlaceTool())
        return DefaultDrawableName(PlaceToolModel, tool->ToolId(), toolKind);
    if (const auto* model = dynamic_cast<const ToolModel*>(tool);
        model != nullptr && model->toolType != ToolTypeLink)
        return DefaultDrawableName(NoToolModel, 0, toolKind);
    return DefaultDrawableName(LinkToolModel, tool->ToolId(), toolKind);
}

} // namespace qm
