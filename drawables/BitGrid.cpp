// The occupancy grid. Cell (row, column) covers model x from column x cell
// size to (column + 1) x cell size, and y likewise from the row; bit
// (column mod 8) of byte (row x bytes per row + column / 8) is its bit.
// Sizes are worked out in 64 bits so that large rectangles cannot overflow.
#include "drawables/BitGrid.h"

#include "drawables/Drawable.h"
#include "platform/Errors.h"

#include <algorithm>

namespace qm {

namespace {

// Grids larger than this many bytes are refused (the layout never asks for one).
constexpr int64_t kMaxGridBytes = int64_t{1} << 28;

} // namespace

BitGrid::BitGrid(int32_t rows, int32_t columns, int32_t cellSize) {
    if (cellSize <= 0)
        throw CKestException("bit grid: cell size must be 1 or more");
    if (rows < 0 || columns < 0)
        throw CKestException("bit grid: negative size");
    const int64_t bytesPerRow = (int64_t{columns} + 7) / 8;
    if (bytesPerRow * rows > kMaxGridBytes)
        throw CKestException("bit grid: too large");
    rows_ = rows;
    columns_ = columns;
    bytesPerRow_ = static_cast<int32_t>(bytesPerRow);
    cellSize_ = cellSize;
    cells_.assign(static_cast<size_t>(bytesPerRow * rows), 0);
}

BitGrid::~BitGrid() {
    cells_.clear();
    rows_ = 0;
    columns_ = 0;
}

void BitGrid::Clear() {
    std::fill(cells_.begin(), cells_.end(), uint8_t{0});
}

void BitGrid::Set(int32_t row, int32_t column) {
    if (row < 0 || row >= rows_ || column < 0 || column >= columns_)
        return;
    cells_[static_cast<size_t>(row) * bytesPerRow_ + column / 8] |=
        static_cast<uint8_t>(1u << (column % 8));
}

bool BitGrid::Test(int32_t row, int32_t column) const {
    if (row < 0 || row >= rows_ || column < 0 || column >= columns_)
        return true;
    return (cells_[static_cast<size_t>(row) * bytesPerRow_ + column / 8] & (1u << (column % 8))) !=
           0;
}

void BitGrid::MarkRect(const CRect& rect) {
    const int64_t c = cellSize_;
    int64_t firstColumn = rect.left / c, lastColumn = (int64_t{rect.right} + c - 1) / c;
    int64_t firstRow = rect.top / c, lastRow = (int64_t{rect.bottom} + c - 1) / c;
    firstColumn = std::max<int64_t>(firstColumn, 0);
    lastColumn = std::min<int64_t>(lastColumn, int64_t{columns_} - 1);
    firstRow = std::max<int64_t>(firstRow, 0);
    lastRow = std::min<int64_t>(lastRow, int64_t{rows_} - 1);
    for (int64_t row = firstRow; row <= lastRow; ++row) {
        for (int64_t column = firstColumn; column <= lastColumn; ++column)
            Set(static_cast<int32_t>(row), static_cast<int32_t>(column));
    }
}

void BitGrid::MarkDrawable(const Drawable& drawable) {
    if (drawable.IsPlace() || drawable.IsTag())
        MarkRect(drawable.bounds);
}

bool BitGrid::FindFreeArea(int32_t width, int32_t height, CPoint& position) const {
    const int64_t c = cellSize_;
    const int64_t w = (int64_t{width} + c - 1) / c;
    const int64_t h = (int64_t{height} + c - 1) / c;
    int64_t column = 1, row = 1, r = row;
    for (;;) {
        if (r >= rows_)
            return false;
        // A block that does not fit before the last column tries the next
        // row; one wider than the grid then runs out of rows.
        if (column + w >= columns_) {
            column = 1;
            row = r + 1;
            r = row;
            continue;
        }
        bool free = true;
        for (int64_t k = 0; k < w; ++k) {
            if (Test(static_cast<int32_t>(r), static_cast<int32_t>(column + k))) {
                column += k + 1;
                r = row;
                free = false;
                break;
            }
        }
        if (free)
            ++r;
        if (r - row >= h) {
            position = CPoint(static_cast<int32_t>(column * c), static_cast<int32_t>(row * c));
            return true;
        }
    }
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
