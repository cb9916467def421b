// The occupancy grid: marking, out-of-grid cells, first-fit search and the
// placing of places.
#include "drawables/BitGrid.h"
#include "drawables/Drawable.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qm {
namespace {

struct Piece : Drawable {
    Piece(uint8_t k, CRect r) {
        kind = k;
        SetBounds(r);
    }
};

TEST(BitGridTest, CellsOutsideTheGridAreTaken) {
    BitGrid grid(10, 12, 10);
    EXPECT_TRUE(grid.Test(-1, 0));
    EXPECT_TRUE(grid.Test(10, 0));
    EXPECT_TRUE(grid.Test(0, 12));
    EXPECT_TRUE(grid.Test(0, -1));
    EXPECT_FALSE(grid.Test(9, 11));
    grid.Set(9, 11);
    grid.Set(10, 11); // ignored
    EXPECT_TRUE(grid.Test(9, 11));
    grid.Clear();
    EXPECT_FALSE(grid.Test(9, 11));
}

TEST(BitGridTest, MarkRectTakesTheCellsBeyondBoundaryEdges) {
    BitGrid grid(10, 10, 10);
    grid.MarkRect(CRect(0, 0, 10, 10));
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(grid.Test(r, c), r < 2 && c < 2) << r << "," << c;
    }
    BitGrid negative(10, 10, 10);
    negative.MarkRect(CRect(-25, -25, 5, 5));
    EXPECT_TRUE(negative.Test(0, 0));
    EXPECT_TRUE(negative.Test(1, 1));
    EXPECT_FALSE(negative.Test(2, 2));
    // Huge rectangles clip to the grid without overflow.
    negative.MarkRect(CRect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
    EXPECT_TRUE(negative.Test(9, 9));
}

TEST(BitGridTest, FindFreeArea) {
    BitGrid grid(10, 10, 10);
    CPoint at;
    ASSERT_TRUE(grid.FindFreeArea(20, 20, at));
    EXPECT_EQ(at, CPoint(10, 10));
    // A block needs column + width < columns: 9 columns never fit in 10.
    EXPECT_FALSE(grid.FindFreeArea(90, 10, at));
    EXPECT_TRUE(grid.FindFreeArea(80, 10, at));
    // A taken cell pushes the candidate past it, and then down.
    grid.Set(1, 2);
    ASSERT_TRUE(grid.FindFreeArea(20, 20, at));
    EXPECT_EQ(at, CPoint(30, 10));
    for (int c = 0; c < 10; ++c)
        grid.Set(2, c);
    ASSERT_TRUE(grid.FindFreeArea(20, 20, at));
    EXPECT_EQ(at, CPoint(10, 30));
    EXPECT_FALSE(grid.FindFreeArea(20, 80, at));
}

TEST(BitGridTest, PlaceDrawableHalvesTheWantedArea) {
    // 40 x 30 on 8 x 8 cells of 10: 80 x 60 needs 8 columns (9 >= 8 fails... grid 8
    // wide), 40 x 30 fits.
    BitGrid grid(8, 8, 10);
    Piece place(DkPlace, CRect(200, 200, 240, 230));
    const CSize moved = grid.PlaceDrawable(place);
    EXPECT_EQ(moved, CSize(-190, -190));
    EXPECT_EQ(place.bounds, CRect(10, 10, 50, 40));
    EXPECT_TRUE(grid.Test(1, 1));
    EXPECT_TRUE(grid.Test(4, 5));

    // No room at all: nothing moves once the width is down to the cell size.
    BitGrid full(4, 4, 10);
    full.MarkRect(CRect(0, 0, 40, 40));
    Piece stuck(DkPlace, CRect(0, 0, 40, 30));
    EXPECT_EQ(full.PlaceDrawable(stuck), CSize(0, 0));
    EXPECT_EQ(stuck.bounds, CRect(0, 0, 40, 30));

    // Links stay where they are.
    Piece link(DkLink, CRect(0, 0, 10, 10));
    EXPECT_EQ(grid.PlaceDrawable(link), CSize(0, 0));
}

TEST(BitGridTest, MarkDrawableOnlyForPlacesAndTags) {
    BitGrid grid(5, 5, 10);
    grid.MarkDrawable(Piece(DkLink, CRect(10, 10, 15, 15)));
    EXPECT_FALSE(grid.Test(1, 1));
    grid.MarkDrawable(Piece(DkTag, CRect(10, 10, 15, 15)));
    EXPECT_TRUE(grid.Test(1, 1));
}

TEST(BitGridTest, BadSizesAreRefused) {
    EXPECT_THROW(BitGrid(10, 10, 0), CKestException);
    EXPECT_THROW(BitGrid(10, 10, -5), CKestException);
    EXPECT_THROW(BitGrid(-1, 10, 10), CKestException);
    EXPECT_THROW(BitGrid(INT32_MAX, INT32_MAX, 10), CKestException);
    BitGrid empty(0, 0, 10);
    CPoint at;
    EXPECT_FALSE(empty.FindFreeArea(1, 1, at));
}

// The plain first-fit scan, cell by cell over Test: the block the search
// must find, the leftmost free one of the topmost row that has one.
bool PlainFindFreeArea(const BitGrid& grid, int32_t width, int32_t height, CPoint& position) {
    const int64_t c = grid.CellSize();
    const int64_t w = (int64_t{width} + c - 1) / c;
    const int64_t h = (int64_t{height} + c - 1) / c;
    int64_t column = 1, row = 1, r = row;
    for (;;) {
        if (r >= grid.Rows())
            return false;
        if (column + w >= grid.Columns()) {
            column = 1;
            row = r + 1;
            r = row;
            continue;
        }
        bool free = true;
        for (int64_t k = 0; k < w; ++k) {
            if (grid.Test(int32_t(r), int32_t(column + k))) {
                column += k + 1;
                r = row;
                free = false;
                break;
            }
        }
        if (free)
            ++r;
        if (r - row >= h) {
            position = CPoint(int32_t(column * c), int32_t(row * c));
            return true;
        }
    }
}

// Random grids (widths across word boundaries, sparse to nearly full) and
// random blocks, including empty, negative and oversized ones; every block
// found is marked, as packing does, so later searches see the grid change.
TEST(BitGridTest, FindFreeAreaFindsWhatThePlainScanFinds) {
    uint32_t seed = 99;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return int32_t((seed >> 8) % n);
    };
    for (int trial = 0; trial < 300; ++trial) {
        const int32_t cell = 1 + next(12);
        BitGrid grid(next(40), next(200), cell);
        const int32_t density = next(100);
        for (int32_t r = 0; r < grid.Rows(); ++r) {
            for (int32_t k = 0; k < grid.Columns(); ++k) {
                if (next(100) < density / 3)
                    grid.Set(r, k);
            }
        }
        for (int n = next(6); n > 0; --n) {
            const int32_t x = next(200 * cell), y = next(40 * cell);
            grid.MarkRect(CRect(x, y, x + next(40 * cell), y + next(10 * cell)));
        }
        if (next(8) == 0)
            grid.Clear();
        for (int query = 0; query < 30; ++query) {
            const int32_t width = next(80 * cell) - 5 * cell;
            const int32_t height = next(12 * cell) - 2 * cell;
            CPoint expected(-1, -1), found(-1, -1);
            const bool plain = PlainFindFreeArea(grid, width, height, expected);
            ASSERT_EQ(grid.FindFreeArea(width, height, found), plain)
                << "trial " << trial << " block " << width << "x" << height;
            if (!plain)
                continue;
            ASSERT_EQ(found, expected) << "trial " << trial << " block " << width << "x" << height;
            grid.MarkRect(CRect(found.x, found.y, found.x + std::max(width, 1),
                                found.y + std::max(height, 1)));
        }
    }
}

} // namespace
} // namespace qm
