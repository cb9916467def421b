// The evaluator's kernel-wide stacks and flags. They are process-wide and
// unlocked: one thread uses the kernel at a time. Indexes start at -1 (empty).
#pragma once

#include "kernel/Cell.h"

#include <cstdint>

namespace kest {

inline constexpr int EvalStackSize = 1024;
inline constexpr int VarStackSize = 512;
inline constexpr int ArgStackSize = 1024;
inline constexpr int CatchStackSize = 512;

// One saved binding of shallow binding: the symbol's kind and value before.
struct BindingEntry {
    Symbol* symbol;
    uint8_t kind;
    Cell* value;
};

// A slot of the argument stack: an argument cell, or (in a frame's top slot)
// the index of the frame's first argument.
union ArgSlot {
    Cell* cell;
    intptr_t index;
};

struct KernelStacks {
    Cell* eval[EvalStackSize];
    int evaltop = -1;
    BindingEntry vars[VarStackSize];
    int vartop = -1;
    ArgSlot args[ArgStackSize];
    int argtop = -1;
    int vlamframe = -1; // the argument-stack top of the innermost vlam call
    int catchtop = -1;
};

extern KernelStacks stacks;

// Error flags of capeval and scripterror.
struct ErrorFlags {
    bool report = true;     // errors are written to the log
    bool capturing = false; // inside capeval
    bool occurred = false;  // set by every script error
};

extern ErrorFlags errorflags;

} // namespace kest
