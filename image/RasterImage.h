// RasterImage: the one in-memory picture of the image coders. A rectangle of
// 1, 2, 4, 8 or 24-bit pixels with an optional colour map, stored bottom-up
// with rows padded to 4 bytes, exactly as a bottom-up Windows DIB lays them out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm {

class RasterImage {
  public:
    RasterImage() = default;
    virtual ~RasterImage() = default;
    RasterImage(const RasterImage&) = default;
    RasterImage& operator=(const RasterImage&) = default;
    RasterImage(RasterImage&&) noexcept = default;
    RasterImage& operator=(RasterImage&&) noexcept = default;

    // Discards the current picture and builds a zeroed one: colorCount entries
    // of colour map (blue, green, red; pass 0 for 24 bits, which has none) and
    // height rows of width pixels. Throws EInvalidBitCount for a bit count
    // other than 1, 2, 4, 8 or 24, leaving the image empty. A picture whose
    // row or whole size cannot be represented throws std::bad_alloc, as an
    // allocation that fails does; the image is then empty as well.
    void SetSize(uint32_t colorCount, uint32_t bitCount, uint32_t width, uint32_t height);

    uint32_t GetWidth() const { return width_; }
    uint32_t GetHeight() const { return height_; }
    uint32_t GetBitCount() const { return bitCount_; }
    uint32_t GetColorCount() const { return colorCount_; }
    // Bytes per stored row: the pixels' bytes rounded up to a multiple of 4.
    uint32_t GetRowWidth() const { return rowWidth_; }

    // The first byte of logical row r (0 is the top row, which lies last in
    // the buffer). The caller keeps r below the height: there is no check.
    uint8_t* GetRow(uint32_t r);
    const uint8_t* GetRow(uint32_t r) const;

    // The whole pixel buffer, bottom row first (row width x height bytes).
    const uint8_t* GetPixelData() const { return pixels_.data(); }

    // The 3-byte colour-map entry (blue, green, red) at index. Throws
    // ESubscriptOutOfRange when the index is not below the colour count.
    uint8_t* GetColorMapEntry(uint32_t index);
    const uint8_t* GetColorMapEntry(uint32_t index) const;

    // The colour of the pixel at (row, column). Throws ESubscriptOutOfRange
    // for a position outside the picture or a pixel whose index is past the
    // colour map, and EInvalidBitCount for an empty image.
    void GetRGB(uint32_t row, uint32_t column, uint8_t& red, uint8_t& green, uint8_t& blue) const;

  private:
    void Reset();

    uint32_t rowWidth_ = 0;
    uint32_t bitCount_ = 0;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    std::vector<uint8_t> pixels_;
    uint32_t colorCount_ = 0;
    std::vector<uint8_t> colorMap_;
};

} // namespace qm
