// RasterImage: sizing, row addressing and pixel colours.
#include "image/RasterImage.h"

#include "image/ImageExceptions.h"

#include <cassert>
#include <limits>
#include <new>

namespace qm {

void RasterImage::Reset() {
    rowWidth_ = 0;
    bitCount_ = 0;
    width_ = 0;
    height_ = 0;
    colorCount_ = 0;
    std::vector<uint8_t>().swap(pixels_);
    std::vector<uint8_t>().swap(colorMap_);
}

void RasterImage::SetSize(uint32_t colorCount, uint32_t bitCount, uint32_t width, uint32_t height) {
    Reset();
    if (bitCount != 1 && bitCount != 2 && bitCount != 4 && bitCount != 8 && bitCount != 24) {
        throw EInvalidBitCount();
    }
    // Computed in 64 bits: a width near 2^32 must not wrap to a small row.
    const uint64_t rowBytes =
        bitCount == 24 ? uint64_t{3} * width : (uint64_t{bitCount} * width + 7) / 8;
    const uint64_t rowWidth = (rowBytes + 3) & ~uint64_t{3};
    if (rowWidth > std::numeric_limits<uint32_t>::max() ||
        (height != 0 && rowWidth > std::numeric_limits<size_t>::max() / height)) {
        throw std::bad_alloc();
    }
    const uint32_t mapEntries = bitCount == 24 ? 0 : colorCount;
    std::vector<uint8_t> map(size_t{mapEntries} * 3, 0);
    std::vector<uint8_t> pixels(static_cast<size_t>(rowWidth) * height, 0);

    bitCount_ = bitCount;
    colorCount_ = mapEntries;
    width_ = width;
    height_ = height;
    rowWidth_ = static_cast<uint32_t>(rowWidth);
    pixels_ = std::move(pixels);
    colorMap_ = std::move(map);
}

uint8_t* RasterImage::GetRow(uint32_t r) {
    assert(r < height_);
    return pixels_.data() + size_t{height_ - 1 - r} * rowWidth_;
}

const uint8_t* RasterImage::GetRow(uint32_t r) const {
    assert(r < height_);
    return pixels_.data() + size_t{height_ - 1 - r} * rowWidth_;
}

uint8_t* RasterImage::GetColorMapEntry(uint32_t index) {
    if (index >= colorCount_) {
        throw ESubscriptOutOfRange();
    }
    return colorMap_.data() + size_t{index} * 3;
}

const uint8_t* RasterImage::GetColorMapEntry(uint32_t index) const {
    if (index >= colorCount_) {
        throw ESubscriptOutOfRange();
    }
    return colorMap_.data() + size_t{index} * 3;
}

void RasterImage::GetRGB(uint32_t row, uint32_t column, uint8_t& red, uint8_t& green,
                         uint8_t& blue) const {
    if (row >= height_ || column >= width_) {
        throw ESubscriptOutOfRange();
    }
    const uint8_t* p = GetRow(row);
    uint32_t index = 0;
    switch (bitCount_) {
    case 1:
        index = (p[column / 8] >> (7 - column % 8)) & 1;
        break;
    case 2:
        index = (p[column / 4] >> ((3 - column % 4) * 2)) & 3;
        break;
    case 4:
        index = column % 2 != 0 ? p[column / 2] & 0x0F : p[column / 2] >> 4;
        break;
    case 8:
        index = p[column];
        break;
    case 24:
        red = p[3 * size_t{column} + 2];
        green = p[3 * size_t{column} + 1];
        blue = p[3 * size_t{column}];
        return;
    default:
        throw EInvalidBitCount();
    }
    // An index past a short colour map is refused rather than read past it.
    const uint8_t* entry = GetColorMapEntry(index);
    red = entry[2];
    green = entry[1];
    blue = entry[0];
}

} // namespace qm
