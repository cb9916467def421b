// Fuzz target: the BMP reader on arbitrary bytes. Every input must either read
// into an image or raise one of the image library's exceptions.
#include "image/BmpImageReader.h"
#include "image/ImageExceptions.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
