// The cell heap, the makers, the list primitives and the mark.
#include "KernelFixture.h"
#include "kernel/State.h"

#include <utility>
#include <vector>

namespace kest::test {
namespace {

class HeapTest : public KernelTest {};

TEST_F(HeapTest, SmallIntegersAreSharedCells) {
    struct Case {
        int32_t n;
        bool shared;
    } cases[] = {{-129, false}, {-128, true}, {0, true}, {127, true}, {128, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(mkint(c.n) == mkint(c.n), c.shared) << c.n;
        EXPECT_EQ(mkint(c.n)->a.ival, c.n);
        EXPECT_EQ(cdr(mkint(c.n)), nil) << c.n;
    }
}

TEST_F(HeapTest, BlockBoundaries) {
    // A request larger than a block gets a block of its own, and the next
    // request starts a new block again.
    size_t before = heapblocks();
    heapalloc(8193);
    EXPECT_EQ(heapblocks(), before + 1);
    EXPECT_EQ(heapused(), 8200u); // rounded up to the cell alignment
    heapalloc(8);
    EXPECT_EQ(heapblocks(), before + 2);
    EXPECT_EQ(heapused(), 8u);
    // The request that would bring the use to exactly 8192 starts a new block.
    heapalloc(8192 - 8 - 8);
    EXPECT_EQ(heapblocks(), before + 2);
    EXPECT_EQ(heapused(), 8192u - 8);
    heapalloc(8);
    EXPECT_EQ(heapblocks(), before + 3);
    EXPECT_EQ(heapused(), 8u);
    // Odd sizes round up, so cells stay aligned.
    heapalloc(3);
    EXPECT_EQ(heapused(), 16u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(newcell()) % alignof(Cell), 0u);
}

TEST_F(HeapTest, ExhaustionIsFatal) {
    setblocklimit(heapblocks() + 2);
    try {
        for (int i = 0; i < 10000; ++i)
            mkcons(nil, nil);
        FAIL() << "no failure";
    } catch (const qm::CKestException& e) {
        EXPECT_EQ(e.Message(), "KestScript cell memory exhausted");
    }
    EXPECT_NE(log.Text().find("FATAL ERROR: KestScript cell memory exhausted"), std::string::npos);
}

TEST_F(HeapTest, TheHeapGrowsUpToItsByteLimit) {
    // Restores the default limit however the test ends.
    struct Restore {
        ~Restore() { setheaplimit(0); }
    } restore;
    EXPECT_GE(heaplimit(), size_t{1} << 30);
    // Blocks are taken as needed until the next would pass the limit; a
    // request larger than what is left fails too, however large.
    struct Case {
        size_t request;
    } cases[] = {{sizeof(Cell)}, {3 * BlockSize}, {size_t{1} << 31}};
    for (const Case& c : cases) {
        const size_t limit = heapbytes() + 4 * BlockSize;
        setheaplimit(limit);
        try {
            for (int i = 0; i < 100000; ++i)
                heapalloc(c.request);
            FAIL() << "no failure for " << c.request;
        } catch (const qm::CKestException& e) {
            EXPECT_EQ(e.Message(), "KestScript cell memory exhausted") << c.request;
        }
        EXPECT_LE(heapbytes(), limit) << c.request;
        setheaplimit(0);
        EXPECT_EQ(heaplimit(), DefaultHeapLimit);
        heapalloc(c.request > 3 * BlockSize ? BlockSize : c.request); // room again
    }
}

TEST_F(HeapTest, Binary) {
    std::vector<uint8_t> bytes(300);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i);
    Cell* b = mkbinary(300, bytes.data());
    ASSERT_EQ(listlength(b), 3);
    EXPECT_EQ(car(b)->a.ival, 300);
    EXPECT_EQ(car(cdr(b))->type, TChunk);
    EXPECT_EQ(car(cdr(b))->a.chunk[255], 255);
    EXPECT_EQ(car(cdr(cdr(b)))->a.chunk[43], 43);
    Cell* empty = mkbinary(0, nullptr);
    EXPECT_EQ(listlength(empty), 1);
    EXPECT_EQ(car(empty)->a.ival, 0);
}

template <size_t... I> Cell* mklistof(Cell* const* cells, std::index_sequence<I...>) {
    return mklist(cells[I]..., nullptr);
}

TEST_F(HeapTest, MklistLimit) {
    std::vector<Cell*> cells(512, mkint(1));
    EXPECT_EQ(listlength(mklistof(cells.data(), std::make_index_sequence<511>{})), 511);
    EXPECT_THROW(mklistof(cells.data(), std::make_index_sequence<512>{}), qm::CIgnoreException);
    ASSERT_FALSE(prompts.asked.empty());
    EXPECT_NE(prompts.asked.back().find("mklist: list too long!"), std::string::npos);
}

TEST_F(HeapTest, ListPrimitives) {
    Cell* abc = read("(a b c)");
    EXPECT_EQ(listlength(abc), 3);
    EXPECT_EQ(listlength(nil), 0);
    EXPECT_EQ(nconc(nil, abc), abc);
    EXPECT_EQ(lastcons(abc), cdr(cdr(abc)));
    EXPECT_EQ(lastcons(nil), nil);
    EXPECT_EQ(printstring(nreverse(read("(1 2 3)"))), "(3 2 1)");
    EXPECT_EQ(nreverse(nil), nil);
    EXPECT_EQ(printstring(nconc(read("(1)"), read("(2 3)"))), "(1 2 3)");
    EXPECT_TRUE(tagmember(car(abc), abc));
    EXPECT_FALSE(tagmember(mkint(1000), read("(1000)")));
    EXPECT_TRUE(memberequal(mkint(1000), read("(1000)")));
}

TEST_F(HeapTest, EqualcellsAndNormset) {
    struct Case {
        const char* x;
        const char* y;
        bool equal;
    } cases[] = {
        {"(a (b \"s\" 1.5) 300)", "(a (b \"s\" 1.5) 300)", true},
        {"(a b)", "(a b c)", false},
        {"(a b c)", "(a b)", false},
        {"{a}", "{a b}", true},
        {"{a b}", "{a}", false},
        {"(1)", "{1}", false},
        {"\"x\"", "\"y\"", false},
        {"1", "1.0", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(equalcells(read(c.x), read(c.y)), c.equal) << c.x << " " << c.y;
    Cell* dotted1 = mkcons(mkint(1), mkint(500));
    Cell* dotted2 = mkcons(mkint(1), mkint(500));
    EXPECT_TRUE(equalcells(dotted1, dotted2));
    EXPECT_FALSE(equalcells(dotted1, read("(1)")));
    Cell* set = mkset(sym::master, mkset(sym::model, mkset(sym::master, nil)));
    EXPECT_EQ(printstring(normset(set)), "{model master}");
}

TEST_F(HeapTest, MarksRestoreBlocksSymbolsAndChannels) {
    restoremark(); // no mark: nothing happens
    size_t blocks = heapblocks();
    size_t used = heapused();
    savemark();
    for (int i = 0; i < 2000; ++i)
        mkcons(nil, nil);
    Symbol* fresh = intern("madeAfterTheMark");
    Channel* ch = mkbufchan(100, ChanWrite, nullptr, true);
    EXPECT_EQ(fresh->flag, 0);
    EXPECT_EQ(openchancount(), 1);
    (void)ch;
    EXPECT_GT(heapblocks(), blocks);
    restoremark();
    EXPECT_EQ(heapblocks(), blocks);
    EXPECT_EQ(heapused(), used);
    EXPECT_EQ(findsym("madeAfterTheMark"), nullptr);
    EXPECT_EQ(openchancount(), 0);
    EXPECT_NE(findsym("master"), nullptr);
    restoremark(); // the mark is gone: nothing happens
    EXPECT_EQ(heapblocks(), blocks);
}

// The peak is the most the blocks took since it was reset: a run's cells
// released by the mark leave it where the run took it.
TEST_F(HeapTest, ThePeakKeepsTheMostARunTook) {
    resetheappeak();
    const size_t before = heapbytes();
    EXPECT_EQ(heappeak(), before);
    savemark();
    for (int i = 0; i < 2000; ++i)
        mkcons(nil, nil);
    const size_t during = heapbytes();
    EXPECT_GT(during, before);
    restoremark();
    EXPECT_EQ(heapbytes(), before);
    EXPECT_EQ(heappeak(), during);
    resetheappeak();
    EXPECT_EQ(heappeak(), before);
}

// Blocks are cut from slabs; when a run's blocks are released, the slabs
// beyond the bound of kept blocks go back whole, and later runs of the same
// size take no more slabs than the first did.
TEST_F(HeapTest, ReleasedSlabsGoBackAndLaterRunsReuseThem) {
    constexpr size_t kBlocks = 6000;
    constexpr size_t kSlabBlocks = SlabBytes / BlockSize;
    size_t firstRunSlabs = 0;
    for (int run = 0; run < 3; ++run) {
        savemark();
        for (size_t i = 0; i < kBlocks; ++i) {
            auto* block = static_cast<char*>(heapalloc(BlockSize - 16));
            block[0] = 1;
            block[BlockSize - 17] = 2;
        }
        const size_t slabs = heaptable.slabs.size();
        EXPECT_GE(slabs * kSlabBlocks, kBlocks);
        if (run == 0)
            firstRunSlabs = slabs;
        EXPECT_LE(slabs, firstRunSlabs) << "run " << run;
        restoremark();
        EXPECT_LT(heaptable.slabs.size(), slabs) << "run " << run;
        EXPECT_LE(heaptable.spare.size(), 4096 + kSlabBlocks) << "run " << run;
    }
}

TEST_F(HeapTest, MarksDoNotNest) {
    savemark();
    mkstr("outer");
    size_t blocksAtInner = heapblocks();
    size_t usedAtInner = heapused();
    savemark(); // replaces the first mark
    for (int i = 0; i < 1000; ++i)
        mkcons(nil, nil);
    restoremark();
    EXPECT_EQ(heapblocks(), blocksAtInner);
    EXPECT_EQ(heapused(), usedAtInner);
    restoremark(); // the outer mark was replaced: nothing happens
    EXPECT_EQ(heapused(), usedAtInner);
}

} // namespace
} // namespace kest::test
