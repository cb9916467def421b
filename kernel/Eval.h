// The evaluator: symbols looked up, built-ins of every calling kind and the
// four sorts of lambda applied, arguments passed on the fixed argument stack,
// variables bound by saving and restoring the symbols (shallow binding),
// catch and throw over catch frames, and protected evaluation.
#pragma once

#include "kernel/Cell.h"
#include "kernel/State.h"

namespace kest {

// The value of a form that is not a variable, a constant or a
// self-evaluating atom (evaluate takes those itself).
Cell* evalform(Cell* form);
// The value of a form.
inline Cell* evaluate(Cell* form) {
    const uint8_t type = form->type;
    if (type == KVariable || type == KSystem || type == KMarker)
        return form->a.car;
    if (type >= 10 && type < TList)
        return form;
    return evalform(form);
}
// Applies f to the arguments of form (argsOnStack false) or to a frame the
// caller has already pushed (true; the caller pops it).
Cell* applyfn(Cell* f, Cell* form, bool argsOnStack);

// The current frame of a kind-4 or kind-5 built-in.
inline int argfirst() {
    return static_cast<int>(stacks.args[stacks.argtop].index);
}
inline int argcount() {
    return stacks.argtop - argfirst();
}
inline Cell* argument(int i) {
    return stacks.args[argfirst() + i].cell;
}
// The unevaluated argument list of a kind-6 or kind-7 built-in.
inline Cell* formargs() {
    return stacks.args[stacks.argtop].cell;
}

// Argument-stack pushes; fatal("argument stack overflow") at 1024 slots.
[[noreturn]] void argoverflow();
inline void pusharg(Cell* value) {
    if (stacks.argtop + 1 >= ArgStackSize)
        argoverflow();
    stacks.args[++stacks.argtop].cell = value;
}
inline void pushindex(int first) {
    if (stacks.argtop + 1 >= ArgStackSize)
        argoverflow();
    stacks.args[++stacks.argtop].index = first;
}
// The current frame's arguments as a fresh list.
Cell* stackedargs();

// Binds each parameter (saving kind and value, making it kind 2);
// fatal("variable stack overflow") past 512 bindings.
void bindsymbol(Symbol* s);
void unbindsymbols(int count);

// Evaluates body (or calls routine with argument when routine is given) under
// a catch frame for tag; a matching throw's value becomes the result.
using CatchRoutine = Cell* (*)(Cell* argument);
Cell* catchtag(Cell* body, Cell* tag, CatchRoutine routine = nullptr, Cell* argument = nullptr);
// Throws value to tag; does not return.
[[noreturn]] void throwto(Cell* value, Cell* tag);
// Evaluation with script errors caught: nil after an error, else (value).
// quietForm evaluating to non-nil keeps errors out of the log.
Cell* capeval(Cell* form, Cell* quietForm, CatchRoutine routine = nullptr,
              Cell* argument = nullptr);

// Test and fuzz support: after n more evaluations of forms (0: no limit),
// evaluation ends with fatal("evaluation limit reached"), so that generated
// scripts cannot loop for ever.
void setevaluationlimit(uint64_t n);
// Counts one step against that limit (evaluate does; so do jumps made
// without evaluating anything).
struct EvaluationLimit {
    bool limited = false;
    uint64_t left = 0;
};
extern EvaluationLimit evaluationlimit; // defined with the rest of the kernel state (state.cpp)
[[noreturn]] void evaluationlimitreached();
inline void countstep() {
    if (evaluationlimit.limited && evaluationlimit.left-- == 0)
        evaluationlimitreached();
}

// Empties the four stacks and the catch stack and resets the error flags
// (after a fatal error has left the kernel).
void resetstacks();

// Evaluates the forms of body in order; the last value (nil for none).
Cell* progn(Cell* body);

} // namespace kest
