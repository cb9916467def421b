// Readying the process heap for a large batch of allocations.
//
// Reading a large project makes hundreds of thousands of small objects: the
// heap grows by a hundred megabytes and more, and every fresh 4 KB page of it
// costs the process a page fault. Where the C library's heap grows in one
// piece (glibc's main heap, grown by brk), a ScopedHeapGrowth grows it once,
// by about the bytes expected, and advises the system to back that stretch
// with huge pages, so that the objects land in a few large pages instead of
// tens of thousands of small ones. Nothing else changes: the memory is the
// heap's, allocated and freed as before. Where the heap is not grown that way
// (another allocator, a sanitizer's: it takes no step to set), or the system
// has no huge pages, it does nothing.
#pragma once

#include <cstddef>

namespace qm {

class ScopedHeapGrowth {
  public:
    // Below this many expected bytes the heap is left to grow as it does.
    static constexpr size_t kSmallest = size_t(8) << 20;

    explicit ScopedHeapGrowth(size_t expectedBytes);
    // Returns the heap's growth step to what it was; memory stays where it is.
    ~ScopedHeapGrowth();
    ScopedHeapGrowth(const ScopedHeapGrowth&) = delete;
    ScopedHeapGrowth& operator=(const ScopedHeapGrowth&) = delete;

    // The bytes of the heap advised for huge pages (0 when nothing was done).
    size_t Advised() const { return advised_; }

  private:
    bool padded_ = false;
    size_t advised_ = 0;
};

} // namespace qm
