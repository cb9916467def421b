// The built-in functions: the one registration table and the helpers through
// which every built-in finds, counts and checks its arguments and reports its
// errors. One source file per family registers nothing itself; table.cpp
// lists every handler with its name and calling kind.
#pragma once

#include "kernel/Cell.h"

#include <cstddef>

namespace kest {

struct BuiltinEntry {
    const char* name;
    uint8_t kind; // KBuiltin, KBuiltinN, KSpecial or KMacro
    Handler handler;
};

extern const BuiltinEntry KernelBuiltins[];
extern const size_t KernelBuiltinCount;

} // namespace kest
