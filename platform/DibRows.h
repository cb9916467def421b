// Reading the pixels of an image-backed device context as the rows of a
// bottom-up device-independent bitmap (the platform's GetDIBits).
#pragma once

#include "platform/Colors.h"
#include "platform/DeviceContext.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm {

// Fills out with height rows of width pixels read from device pixels (0, 0)
// onwards, the bottom row first, each row rowBytes long (padding zeroed).
// 24 bits: blue, green, red per pixel. 1, 4 or 8 bits: the index of the
// nearest colour of palette, packed from the high bits. False (nothing
// written) when the context has no image, a size is out of range, the bit
// count is none of these, or out is too small.
bool ReadDibRows(DeviceContext& dc, int32_t width, int32_t height, int bitCount,
                 const std::vector<COLORREF>& palette, uint8_t* out, size_t outSize,
                 size_t rowBytes);

} // namespace qm
