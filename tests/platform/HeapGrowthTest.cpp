// Readying the heap for a large read.
#include "platform/HeapGrowth.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

namespace qm {
namespace {

TEST(HeapGrowthTest, SmallReadsLeaveTheHeapAlone) {
    char* before = static_cast<char*>(sbrk(0));
    ScopedHeapGrowth heap(ScopedHeapGrowth::kSmallest - 1);
    EXPECT_EQ(heap.Advised(), 0u);
    EXPECT_EQ(static_cast<char*>(sbrk(0)), before);
}

// Where the heap grows by brk, the stretch grown at once takes the small
// allocations that follow, and they hold what is written to them; elsewhere
// nothing changes and allocation goes on as before.
TEST(HeapGrowthTest, TheGrownStretchTakesTheAllocationsThatFollow) {
    constexpr size_t kExpected = size_t(64) << 20;
    const auto before = reinterpret_cast<uintptr_t>(sbrk(0));
    std::vector<char*> blocks;
    {
        ScopedHeapGrowth heap(kExpected);
        const auto after = reinterpret_cast<uintptr_t>(sbrk(0));
        for (int i = 0; i < 20000; ++i) {
            auto* block = static_cast<char*>(std::malloc(200));
            ASSERT_NE(block, nullptr);
            std::memset(block, i & 0x7f, 200);
            blocks.push_back(block);
        }
        if (heap.Advised() != 0) {
            EXPECT_GE(after - before, kExpected);
            EXPECT_LE(heap.Advised(), after - before);
            int inside = 0;
            for (char* block : blocks)
                inside += reinterpret_cast<uintptr_t>(block) >= before &&
                          reinterpret_cast<uintptr_t>(block) < after;
            // A few may come from free memory the heap held before.
            EXPECT_GT(inside, 19000);
        }
    }
    for (size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(blocks[i][0], static_cast<char>(i & 0x7f));
        EXPECT_EQ(blocks[i][199], static_cast<char>(i & 0x7f));
        std::free(blocks[i]);
    }
}

} // namespace
} // namespace qm
