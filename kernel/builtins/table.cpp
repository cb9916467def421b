// The registration table of the kernel's own built-ins, in registration order.
#include "kernel/builtins/Builtins.h"

namespace kest {

const BuiltinEntry KernelBuiltins[] = {
    {"quote", KSpecial, nullptr},
};

const size_t KernelBuiltinCount = sizeof KernelBuiltins / sizeof KernelBuiltins[0];

} // namespace kest
