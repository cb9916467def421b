// The built-in functions: the one registration table and the helpers through
// which every built-in counts and checks its arguments and reports its
// errors. Each family's source file defines handlers only; table.cpp lists
// every handler with its name and calling kind.
#pragma once

#include "kernel/Cell.h"
#include "kernel/Errors.h"
#include "kernel/Eval.h"
#include "kernel/Init.h"

#include <cstddef>

namespace kest {

struct BuiltinEntry {
    const char* name;
    uint8_t kind; // KBuiltin, KBuiltinN, KSpecial or KMacro
    Handler handler;
};

extern const BuiltinEntry KernelBuiltins[];
extern const size_t KernelBuiltinCount;

// ---- argument checks: each reports its error-table message through
// ---- scripterror with the built-in's symbol and the offending value.

// The argument count lies in [min, max] ("incorrect number of arguments").
inline void needcount(Symbol* self, int min, int max) {
    int n = argcount();
    if (n < min || n > max)
        scripterror(self, ErrWrongCount);
}
// A list: a pair or nil ("list expected").
inline Cell* needlist(Symbol* self, Cell* v) {
    if (!islist(v))
        scripterror(self, ErrListExpected, v);
    return v;
}
// A pair ("non-nil list expected").
inline Cell* needpair(Symbol* self, Cell* v) {
    if (!ispair(v))
        scripterror(self, ErrNonNilList, v);
    return v;
}
inline int32_t needint(Symbol* self, Cell* v) {
    if (v->type != TInteger)
        scripterror(self, ErrIntExpected, v);
    return v->a.ival;
}
inline float needreal(Symbol* self, Cell* v) {
    if (v->type != TReal)
        scripterror(self, ErrRealExpected, v);
    return v->a.rval;
}
inline Cell* neednumber(Symbol* self, Cell* v) {
    if (!isnumber(v))
        scripterror(self, ErrNumberExpected, v);
    return v;
}
// A string's text, or a symbol's name where a name is wanted ("string expected").
inline const char* needtext(Symbol* self, Cell* v) {
    if (v->type == TString)
        return v->a.str;
    if (issymbol(v))
        return static_cast<Symbol*>(v)->name;
    scripterror(self, ErrStringExpected, v);
}
// A symbol that is not a system variable ("non-constant symbol expected").
inline Symbol* needvariable(Symbol* self, Cell* v) {
    if (!issymbol(v) || v->type == KSystem || v->type == KMarker)
        scripterror(self, ErrNonConstant, v);
    return static_cast<Symbol*>(v);
}

// The longest text the text built-ins assemble (strconc, pathconc, concat,
// subststr) and the longest line readln keeps; past it they report
// "string buffer overflow" (readln drops the rest of the line).
inline constexpr size_t TextBufferSize = 131072;

inline Cell* truth(bool value) {
    return value ? KernelSyms.t : nil;
}
inline Cell* second(Cell* list) {
    return car(cdr(list));
}

// A variable of a binding form: a symbol that is neither a system variable
// nor a marker.
inline bool isbindable(Cell* v) {
    return issymbol(v) && v->type != KSystem && v->type != KMarker;
}

// A go or return form in tail position of a prog body element (the element
// itself, or the last form of the chosen clause of a cond that is the
// element) jumps without a throw: this performs the jump and returns the
// marker its prog recognises, or returns null when form is no such jump or
// elementDepth is not the evaluation depth of the current prog body element.
Cell* tailjump(Cell* form, int elementDepth);
// The evaluation depth of the prog body element being evaluated, -1 outside a
// prog body: tailjump does nothing for any other depth.
extern int progtail; // defined with the rest of the kernel state (state.cpp)

// Reaps, without waiting, the children that exec started without waiting
// for and that have ended since, so that none is left a zombie. Called by
// every exec and when the kernel is built afresh (or shut down).
void reapchildren();

// Reads and evaluates every expression of a script file (a string or a
// symbol naming it), reporting "can't open file" for load. With echo set,
// each symbol value is logged as "Loaded: <name>".
void loadfile(Symbol* self, Cell* name, bool echo);

} // namespace kest
