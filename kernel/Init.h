// Kernel initialisation: the heap, the symbol table, the standard channels,
// the system variables, the private markers, the predefined symbols and the
// registration of every built-in from one table. Also the seams through which
// the layers above reach the kernel: the program's version strings and the
// registration step of the model-access (Vx) built-ins.
#pragma once

#include "kernel/Cell.h"
#include "kernel/Predefined.h"

#include <string>

namespace kest {

// Builds the kernel afresh: earlier cells are abandoned, and the switches
// callers set (evaluation limit, read-time evaluation, block limit) are back
// at their defaults. Called once at start-up (and again by the script
// server's thread).
void initkernel();
// True once initkernel has run.
bool kernelready();

// The symbols and private values the kernel itself refers to.
struct KernelSymbols {
    Symbol* t = nullptr;
    Symbol* eof = nullptr;
    Symbol* inchan = nullptr;
    Symbol* outchan = nullptr;
    Symbol* errchan = nullptr;
    Symbol* literal = nullptr;
    Symbol* RezoMode = nullptr;
    Symbol* Quillmark = nullptr;
    Symbol* Vaultkeep = nullptr;
    Symbol* lam = nullptr;
    Symbol* vlam = nullptr;
    Symbol* ulam = nullptr;
    Symbol* mlam = nullptr;
    // Built-in names the reader, the printer and the evaluator use.
    Symbol* quote = nullptr;
    Symbol* cons = nullptr;
    Symbol* conc = nullptr;
    Symbol* eval = nullptr;
    Symbol* read = nullptr;
    Symbol* catch_ = nullptr;
    Symbol* def = nullptr;
    Symbol* go = nullptr;
    Symbol* void_ = nullptr;
    // The six private markers (kind 8, outside the table).
    Symbol* errortag = nullptr;  // capeval's internal error tag
    Symbol* cxr = nullptr;       // "c..r", the form of the accessors' errors
    Symbol* returntag = nullptr; // prog's return tag
    Symbol* gotag = nullptr;     // go's tag
    Symbol* voidmark = nullptr;  // the result of a macro that expanded to an atom
    Symbol* unbound = nullptr;   // a marker no script can name
    // (nil . nil): the tag and value being thrown.
    Cell* throwrecord = nullptr;
    // The label of the last go.
    Cell* golabel = nullptr;
    // A string cell whose text the runners and the reader set.
    Cell* sharedstring = nullptr;
};
extern KernelSymbols KernelSyms; // defined with the rest of the kernel state (state.cpp)

// The version strings the file header writes and checks: the program's
// ("8.0") and the repository server's ("2.0"). The environment may set them.
struct KernelVersions {
    std::string program = "8.0";
    std::string server = "2.0";
};
KernelVersions& versions();

// Registers a built-in: definesym(name, kind, 1, nil, handler) with kind 4 to 7.
Symbol* registerbuiltin(const char* name, uint8_t kind, Handler handler);

// The registration step of the 51 model-access built-ins, which the scripting
// layer installs before initkernel runs; it calls registerbuiltin for each.
// Until one is installed those built-ins are absent.
using VxRegistration = void (*)();
void setvxregistration(VxRegistration step);

} // namespace kest
