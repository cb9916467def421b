// The occupancy grid of the automatic layout: square cells laid over a model,
// one bit per cell, set where places and tags already stand, and a first-fit
// search for a free block of cells into which a place is moved. Rows take
// memory only once a cell in them is set, and each row keeps the length of
// its longest free run so that the search passes full rows at once.
#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <vector>

namespace qm {

class Drawable;

class BitGrid {
  public:
    // A cleared grid. A cell size of 0 or less, a negative row or column
    // count, or a grid too large to hold is refused with CKestException.
    BitGrid(int32_t rows, int32_t columns, int32_t cellSize);
    ~BitGrid();
    BitGrid(const BitGrid&) = delete;
    BitGrid& operator=(const BitGrid&) = delete;

    void Clear();
    // Sets the cell's bit; a cell outside the grid is ignored.
    void Set(int32_t row, int32_t column);
    // True when the cell is taken; every cell outside the grid counts as taken.
    bool Test(int32_t row, int32_t column) const;
    // Marks the cells the rectangle covers; an edge on a cell boundary also
    // takes the cell beyond it.
    void MarkRect(const CRect& rect);
    // Marks the bounds of places and tags; other drawables change nothing.
    void MarkDrawable(const Drawable& drawable);
    // The first free block for width x height (rows and column 0 kept as a
    // margin): true and its top-left corner in model units, else false.
    bool FindFreeArea(int32_t width, int32_t height, CPoint& position) const;
    // Moves a place into free room and marks it; the offset moved, (0, 0)
    // when it did not move or is not a place.
    CSize PlaceDrawable(Drawable& drawable);

    int32_t Rows() const { return rows_; }
    int32_t Columns() const { return columns_; }
    int32_t CellSize() const { return cellSize_; }

  private:
    // The longest run of free cells in the row between the margin columns.
    int32_t LongestRun(int32_t row) const;
    // The first column from 1 at which `width` free cells lie in every one
    // of `height` rows from `row` on, before the last column; -1 when none.
    int64_t FirstFreeColumn(int32_t row, int64_t height, int64_t width) const;

    // One word vector per row, empty while the row is clear.
    std::vector<std::vector<uint64_t>> cells_;
    // LongestRun per row, -1 while it has to be worked out again.
    mutable std::vector<int32_t> longestRun_;
    mutable std::vector<uint64_t> scratch_;
    int32_t rows_ = 0;
    int32_t columns_ = 0;
    int32_t wordsPerRow_ = 0;
    int32_t cellSize_ = 1;
};

} // namespace qm
