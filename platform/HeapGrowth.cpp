#include "platform/HeapGrowth.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#define QM_HEAP_GROWS_BY_BRK 1
#endif

namespace qm {

#if defined(QM_HEAP_GROWS_BY_BRK)

namespace {

constexpr uintptr_t kHugePage = uintptr_t(2) << 20;
// The C library's own growth step, documented as its default.
constexpr int kDefaultTopPad = 128 * 1024;
// Requests of this size come from the heap, not from a mapping of their own.
constexpr size_t kProbe = 96 * 1024;
constexpr int kMaxProbes = 64;

char* Break() {
    return static_cast<char*>(sbrk(0));
}

} // namespace

ScopedHeapGrowth::ScopedHeapGrowth(size_t expectedBytes) {
    if (expectedBytes < kSmallest)
        return;
    // The step is an int; a stretch of a gigabyte is plenty for any file read.
    const size_t pad = std::min<size_t>(expectedBytes, size_t(1) << 30);
    if (mallopt(M_TOP_PAD, static_cast<int>(pad)) == 0)
        return;
    padded_ = true;
    char* const before = Break();
    if (before == reinterpret_cast<char*>(-1))
        return;
    // The first request that the free top of the heap cannot hold grows the
    // heap by the step just set: a few blocks are taken until the break
    // moves, and given back, leaving the grown stretch free and untouched
    // but for the blocks' headers.
    void* taken[kMaxProbes];
    int count = 0;
    char* after = before;
    while (count < kMaxProbes && after == before) {
        void* block = std::malloc(kProbe);
        if (block == nullptr)
            break;
        taken[count++] = block;
        after = Break();
    }
    while (count > 0)
        std::free(taken[--count]);
    after = Break();
    if (after <= before)
        return;
    const uintptr_t start =
        (reinterpret_cast<uintptr_t>(before) + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = reinterpret_cast<uintptr_t>(after) & ~(kHugePage - 1);
    if (end <= start)
        return;
    if (madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE) == 0)
        advised_ = end - start;
}

ScopedHeapGrowth::~ScopedHeapGrowth() {
    if (padded_)
        mallopt(M_TOP_PAD, kDefaultTopPad);
}

#else

ScopedHeapGrowth::ScopedHeapGrowth(size_t) {}
ScopedHeapGrowth::~ScopedHeapGrowth() = default;

#endif

} // namespace qm
