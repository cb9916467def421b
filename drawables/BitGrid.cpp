// The occupancy grid. Cell (row, column) covers model x from column x cell
// size to (column + 1) x cell size, and y likewise from the row; bit
// (column mod 64) of word (column / 64) of the row's words is its bit.
// Sizes are worked out in 64 bits so that large rectangles cannot overflow.
//
// The first-fit search walks the rows from the top. A row whose longest free
// run is shorter than the block is passed at once, and so is every start row
// whose block would cover it; for the remaining start rows the rows of the
// block are or-ed together and the first free run long enough is taken from
// the word bits. That is the block the plain cell-by-cell scan finds (the
// leftmost of the topmost rows), in time that follows the rows and the runs
// rather than the cells.
#include "drawables/BitGrid.h"

#include "drawables/Drawable.h"
#include "platform/Errors.h"

#include <algorithm>
#include <bit>

namespace qm {

namespace {

// Grids larger than this many bytes are refused (the layout never asks for one).
constexpr int64_t kMaxGridBytes = int64_t{1} << 28;
// What a row costs besides its cells: its word vector and its longest run.
constexpr int64_t kRowOverhead = 32;

// The first column in [column, end) whose bit is `bit`, else end.
int64_t NextWithBit(const uint64_t* words, int64_t column, int64_t end, bool bit) {
    if (column >= end)
        return end;
    const uint64_t flip = bit ? 0 : ~uint64_t{0};
    int64_t index = column >> 6;
    uint64_t word = (words[index] ^ flip) & (~uint64_t{0} << (column & 63));
    while (word == 0) {
        ++index;
        if (index * 64 >= end)
            return end;
        word = words[index] ^ flip;
    }
    return std::min<int64_t>(end, index * 64 + std::countr_zero(word));
}

} // namespace

BitGrid::BitGrid(int32_t rows, int32_t columns, int32_t cellSize) {
    if (cellSize <= 0)
        throw CKestException("bit grid: cell size must be 1 or more");
    if (rows < 0 || columns < 0)
        throw CKestException("bit grid: negative size");
    const int64_t wordsPerRow = (int64_t{columns} + 63) / 64;
    if ((wordsPerRow * 8 + kRowOverhead) * rows > kMaxGridBytes)
        throw CKestException("bit grid: too large");
    rows_ = rows;
    columns_ = columns;
    wordsPerRow_ = static_cast<int32_t>(wordsPerRow);
    cellSize_ = cellSize;
    cells_.resize(static_cast<size_t>(rows));
    longestRun_.assign(static_cast<size_t>(rows), std::max(0, columns - 2));
}

BitGrid::~BitGrid() = default;

void BitGrid::Clear() {
    // A row keeps its storage for the next use but counts as clear again.
    for (auto& row : cells_)
        row.clear();
    std::fill(longestRun_.begin(), longestRun_.end(), std::max(0, columns_ - 2));
}

void BitGrid::Set(int32_t row, int32_t column) {
    if (row < 0 || row >= rows_ || column < 0 || column >= columns_)
        return;
    auto& words = cells_[static_cast<size_t>(row)];
    if (words.empty())
        words.assign(static_cast<size_t>(wordsPerRow_), 0);
    words[static_cast<size_t>(column) / 64] |= uint64_t{1} << (column % 64);
    longestRun_[static_cast<size_t>(row)] = -1;
}

bool BitGrid::Test(int32_t row, int32_t column) const {
    if (row < 0 || row >= rows_ || column < 0 || column >= columns_)
        return true;
    const auto& words = cells_[static_cast<size_t>(row)];
    return !words.empty() && (words[static_cast<size_t>(column) / 64] >> (column % 64) & 1u) != 0;
}

void BitGrid::MarkRect(const CRect& rect) {
    const int64_t c = cellSize_;
    int64_t firstColumn = rect.left / c, lastColumn = (int64_t{rect.right} + c - 1) / c;
    int64_t firstRow = rect.top / c, lastRow = (int64_t{rect.bottom} + c - 1) / c;
    firstColumn = std::max<int64_t>(firstColumn, 0);
    lastColumn = std::min<int64_t>(lastColumn, int64_t{columns_} - 1);
    firstRow = std::max<int64_t>(firstRow, 0);
    lastRow = std::min<int64_t>(lastRow, int64_t{rows_} - 1);
    if (firstColumn > lastColumn)
        return;
    for (int64_t row = firstRow; row <= lastRow; ++row) {
        // The first cell makes the row's words; the rest are whole-word masks.
        Set(static_cast<int32_t>(row), static_cast<int32_t>(firstColumn));
        auto& words = cells_[static_cast<size_t>(row)];
        for (int64_t column = firstColumn; column <= lastColumn;) {
            const int64_t index = column >> 6;
            const int64_t stop = std::min<int64_t>(lastColumn, index * 64 + 63);
            const int64_t count = stop - column + 1;
            const uint64_t mask = (count == 64 ? ~uint64_t{0} : ((uint64_t{1} << count) - 1))
                                  << (column & 63);
            words[static_cast<size_t>(index)] |= mask;
            column = stop + 1;
        }
    }
}

void BitGrid::MarkDrawable(const Drawable& drawable) {
    if (drawable.IsPlace() || drawable.IsTag())
        MarkRect(drawable.bounds);
}

int32_t BitGrid::LongestRun(int32_t row) const {
    int32_t& known = longestRun_[static_cast<size_t>(row)];
    if (known >= 0)
        return known;
    const uint64_t* words = cells_[static_cast<size_t>(row)].data();
    const int64_t end = int64_t{columns_} - 1;
    int64_t longest = 0;
    for (int64_t column = 1; column < end;) {
        const int64_t free = NextWithBit(words, column, end, false);
        if (free >= end)
            break;
        const int64_t taken = NextWithBit(words, free, end, true);
        longest = std::max(longest, taken - free);
        column = taken;
    }
    known = static_cast<int32_t>(longest);
    return known;
}

int64_t BitGrid::FirstFreeColumn(int32_t row, int64_t height, int64_t width) const {
    scratch_.assign(static_cast<size_t>(wordsPerRow_), 0);
    for (int64_t r = row; r < row + height; ++r) {
        const auto& words = cells_[static_cast<size_t>(r)];
        if (words.empty())
            continue;
        for (size_t i = 0; i < scratch_.size(); ++i)
            scratch_[i] |= words[i];
    }
    const uint64_t* words = scratch_.data();
    const int64_t end = int64_t{columns_} - 1;
    for (int64_t column = 1; column < end;) {
        const int64_t free = NextWithBit(words, column, end, false);
        if (free >= end)
            return -1;
        const int64_t taken = NextWithBit(words, free, end, true);
        if (taken - free >= width)
            return free;
        column = taken;
    }
    return -1;
}

bool BitGrid::FindFreeArea(int32_t width, int32_t height, CPoint& position) const {
    const int64_t c = cellSize_;
    const int64_t w = (int64_t{width} + c - 1) / c;
    const int64_t cells = (int64_t{height} + c - 1) / c;
    // Even a block of no height needs one row.
    const int64_t h = std::max<int64_t>(cells, 1);
    // Row 0 and column 0 stay a margin, and a block must end before the
    // last column.
    if (1 + w >= columns_)
        return false;
    if (w <= 0) {
        if (1 + h > rows_)
            return false;
        position = CPoint(static_cast<int32_t>(c), static_cast<int32_t>(c));
        return true;
    }
    if (cells <= 0) {
        // A block of no height is settled by the first row alone, as the
        // layout has always placed it: at column 1 when its cells there are
        // free, else just after the first taken one.
        if (rows_ <= 1)
            return false;
        const auto& words = cells_[1];
        const int64_t taken = words.empty() ? 1 + w : NextWithBit(words.data(), 1, 1 + w, true);
        const int64_t column = taken < 1 + w ? taken + 1 : 1;
        position = CPoint(static_cast<int32_t>(column * c), static_cast<int32_t>(c));
        return true;
    }
    int64_t fitting = 0; // rows just above and including r with a run of w
    for (int64_t r = 1; r < rows_; ++r) {
        fitting = LongestRun(static_cast<int32_t>(r)) >= w ? fitting + 1 : 0;
        if (fitting < h)
            continue;
        const int64_t row = r - h + 1;
        const int64_t column = FirstFreeColumn(static_cast<int32_t>(row), h, w);
        if (column >= 0) {
            position = CPoint(static_cast<int32_t>(column * c), static_cast<int32_t>(row * c));
            return true;
        }
    }
    return false;
}

CSize BitGrid::PlaceDrawable(Drawable& drawable) {
    if (!drawable.IsPlace())
        return CSize(0, 0);
    int64_t width = int64_t{drawable.bounds.Width()} * 2;
    int64_t height = int64_t{drawable.bounds.Height()} * 2;
    CPoint position;
    bool found = false;
    while (width > cellSize_) {
        if (FindFreeArea(static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX)),
                         static_cast<int32_t>(std::clamp<int64_t>(height, INT32_MIN, INT32_MAX)),
                         position)) {
            found = true;
            break;
        }
        width /= 2;
        height /= 2;
    }
    if (!found)
        return CSize(0, 0);
    const CSize offset(position.x - drawable.bounds.left, position.y - drawable.bounds.top);
    CRect dirty;
    drawable.MoveBy(offset.cx, offset.cy, dirty);
    MarkRect(drawable.bounds);
    return offset;
}

} // namespace qm
