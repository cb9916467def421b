// The interpreter's process-wide state. The kernel is one interpreter per
// process: every object it keeps between calls is defined in state.cpp, and
// initkernel resets all of it. The objects the kernel's headers use in inline
// code (nil, the heap cursor, the small integers, the standard channels, the
// evaluation limit, KernelSyms and the predefined symbols, the reader's
// markers and switch) are declared beside that code; the rest is declared
// here: the evaluator's stacks and flags, then each part's own scratch. All
// of it is unlocked: one thread uses the kernel at a time. Stack indexes
// start at -1 (empty). The script server's connection state stays with the
// network built-ins (builtins/network.cpp).
#pragma once

#include "kernel/Cell.h"
#include "kernel/Mark.h"
#include "kernel/Reader.h"
#include "kernel/Symbol.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string_view>
#include <sys/types.h>
#include <unordered_map>
#include <vector>

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
// Set while a script error's report is being written.
extern bool errorreporting;

// ---- the evaluator (eval.cpp) ----
// A saved context of catchtag: its tag and the indexes a throw restores.
struct CatchFrame {
    Cell* tag;
    int evaltop;
    int vartop;
    int argtop;
    int vlamframe;
};
extern CatchFrame catchframes[CatchStackSize];

// ---- the heap (heap.cpp) ----
// Standard blocks are cut from slabs of this size, aligned to it.
inline constexpr size_t SlabBytes = size_t{2} << 20;
// Gives a slab back to the system.
void unmapslab(char* slab);

struct HeapTable {
    std::vector<char*> blocks;           // the block table: blocks[0..current]
    std::vector<char*> spare;            // released standard blocks kept for reuse
    std::vector<char*> slabs;            // where standard blocks are cut from
    char* slabnext = nullptr;            // the next block of the newest slab
    size_t slableft = 0;                 // blocks of the newest slab not yet cut
    size_t limit = SIZE_MAX;             // the most blocks (tests and fuzzing lower it)
    size_t bytes = 0;                    // the bytes of the blocks in the table
    size_t peak = 0;                     // the most bytes since resetheappeak
    size_t bytelimit = DefaultHeapLimit; // the most bytes: the settings' limit

    // The heap lives until the process ends; its blocks go with it.
    ~HeapTable();
};
extern HeapTable heaptable;
// The size of each block in the table.
extern std::vector<size_t> blocksizes;
// The stamp of the newest object: channels made after a mark close with it.
extern uint32_t stampcounter;
// Counts the times the heap gave cells back (heapreleases).
extern uint32_t releasecounter;

// The single mark (Mark.h): the stack indexes and heap position restoremark
// returns to.
extern HeapMark heapmark;

// ---- initialisation (init.cpp) ----
extern bool kernelinitialized;

// ---- channels (channels.cpp) ----
// The listed channels, newest first.
extern Channel* openchans;
// Frees the buffers of the listed channels without closing their files (the
// heap's end at the end of the process).
void droplistedbuffers();

// ---- the reader (reader.cpp) ----
extern char tokbuf[TokenBufferSize + 1];
extern size_t toklen;
extern char chunkbuf[513];
extern int32_t tokint;
extern float tokreal;
// The nesting of the expression being read.
extern int readdepth;

// The symbols of the short names read lately, by name: most names of a file
// recur, and a hit saves hashing and walking the bucket. Entries are
// forgotten whenever symbols may have left the table.
struct NameCacheEntry {
    uint64_t name = 0; // the bytes of the name, the first in the lowest byte
    size_t length = 0;
    Symbol* symbol = nullptr;
};
extern NameCacheEntry namecache[1024];
extern uint64_t namecachegeneration;

// ---- the symbol table (symbols.cpp) ----
extern Symbol* symbolbuckets[SymbolBuckets];
// Each bucket's symbols by name, in the chain's order, so that neither a
// look-up nor an insertion walks the chain: the byte sums of names that
// differ only in a few characters (Class1, Class2, ...) fall into few
// buckets, whose chains grow with every name a script interns.
extern std::map<std::string_view, Symbol*> symbolindex[SymbolBuckets];
// Every symbol of the table by name, hashed over the whole name: look-ups
// (every intern of a name the table holds) take no ordered search.
extern std::unordered_map<std::string_view, Symbol*> symbolnames;
// Counts the changes after which symbols may have left the table.
extern uint64_t symbolgeneration;
// What initkernel left in each kept symbol, restored by every purge.
struct SymbolSnapshot {
    Symbol* symbol;
    uint8_t kind;
    Cell* value;
    Handler handler;
};
extern std::vector<SymbolSnapshot> symbolsnapshot;

// ---- the built-ins (builtins/) ----
// The value of a return made without a throw.
extern Cell* pendingreturn;
// The children exec started without waiting for them, until they are reaped.
extern std::vector<pid_t> unwaited;
// The opening bracket of the list readfirst entered: TokOpen, TokOpenBracket
// or 0 for none.
extern int streamedbracket;
// The generated-symbol counter: never reset, it keeps counting across runs.
extern long gensymcounter;

} // namespace kest
