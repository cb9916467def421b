// The interpreter's process-wide state, defined in one place: everything the
// kernel keeps between calls, grouped by the part that uses it. initkernel
// sets all of it afresh (the generated-symbol counter excepted, which keeps
// counting across runs).
#include "kernel/State.h"
#include "kernel/Channel.h"
#include "kernel/Eval.h"
#include "kernel/Init.h"
#include "kernel/Reader.h"
#include "kernel/Symbol.h"
#include "kernel/builtins/Builtins.h"

#include <algorithm>
#include <cstdlib>

namespace kest {

// ---- cells and the heap ----
Symbol* nil = nullptr;
HeapCursor heapcursor;
Cell* smallints = nullptr;
HeapTable heaptable;
std::vector<size_t> blocksizes;
uint32_t stampcounter = 0;
uint32_t releasecounter = 0;
HeapMark heapmark;

HeapTable::~HeapTable() {
    // The buffers of channels still open at the end of the process live
    // outside the blocks that hold their records.
    droplistedbuffers();
    // Standard blocks are parts of slabs; only the larger ones stand alone.
    const auto inslab = [this](const char* block) {
        return std::any_of(slabs.begin(), slabs.end(), [block](const char* slab) {
            return block >= slab && block < slab + SlabBytes;
        });
    };
    for (char* block : blocks)
        if (!inslab(block))
            std::free(block);
    for (char* slab : slabs)
        unmapslab(slab);
}

// ---- the evaluator ----
KernelStacks stacks;
ErrorFlags errorflags;
bool errorreporting = false;
CatchFrame catchframes[CatchStackSize];
EvaluationLimit evaluationlimit;

// ---- initialisation and the symbols the kernel refers to ----
bool kernelinitialized = false;
KernelSymbols KernelSyms;

namespace sym {
#define KEST_DEFINE_SYMBOL(id, name) Symbol* id = nullptr;
KEST_PREDEFINED_SYMBOLS(KEST_DEFINE_SYMBOL)
#undef KEST_DEFINE_SYMBOL
} // namespace sym

// ---- channels ----
StandardChannels stdchans;
Channel* openchans = nullptr;

// ---- the reader ----
bool readtimeevaluation = true;
Symbol* commamarker = nullptr;
Symbol* atmarker = nullptr;
char tokbuf[TokenBufferSize + 1];
size_t toklen = 0;
char chunkbuf[513];
int32_t tokint = 0;
float tokreal = 0.0f;
int readdepth = 0;
NameCacheEntry namecache[1024];
uint64_t namecachegeneration = ~uint64_t{0};

// ---- the symbol table ----
Symbol* cxrmarker = nullptr;
Symbol* symbolbuckets[SymbolBuckets];
std::map<std::string_view, Symbol*> symbolindex[SymbolBuckets];
std::unordered_map<std::string_view, Symbol*> symbolnames;
uint64_t symbolgeneration = 0;
std::vector<SymbolSnapshot> symbolsnapshot;

// ---- the built-ins ----
int progtail = -1;
Cell* pendingreturn = nullptr;
std::vector<pid_t> unwaited;
int streamedbracket = 0;
long gensymcounter = 0;

} // namespace kest
