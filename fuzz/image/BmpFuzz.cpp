// Fuzz target: the BMP reader on arbitrary bytes. Every input must either read
// into an image or raise one of the image library's exceptions.
#include "image/BmpImageReader.h"
#include "image/ImageExceptions.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

namespace {

// The declared pixel count of an info-header file, or 0. Pictures of many
// megapixels are legal and refused only above the reader's limit, but
// allocating them for every such input would slow the search a hundredfold.
uint64_t DeclaredPixels(const uint8_t* data, size_t size) {
    if (size < 26) {
        return 0;
    }
    auto le32 = [data](size_t at) {
        return static_cast<int32_t>(uint32_t{data[at]} | uint32_t{data[at + 1]} << 8 |
                                    uint32_t{data[at + 2]} << 16 | uint32_t{data[at + 3]} << 24);
    };
    if (le32(14) < 40) {
        return 0;
    }
    const int64_t width = le32(18);
    const int64_t height = le32(22);
    return static_cast<uint64_t>(width < 0 ? -width : width) *
           static_cast<uint64_t>(height < 0 ? -height : height);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (DeclaredPixels(data, size) > (uint64_t{1} << 22)) {
        return 0;
    }
    std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
    qm::RasterImage image;
    qm::BmpImageReader reader;
    try {
        reader.ReadImage(input, image);
    } catch (const qm::EGraphicsException&) {
        return 0;
    }
    // Touch every pixel of what was read, so that a wrong size shows.
    uint8_t r, g, b;
    for (uint32_t y = 0; y < image.GetHeight(); y += 7) {
        for (uint32_t x = 0; x < image.GetWidth(); x += 7) {
            image.GetRGB(y, x, r, g, b);
        }
    }
    return 0;
}
