// The BMP reader. The file is read strictly in order (the stream need not be
// seekable): file header, bitmap header, colour table, filler up to the
// pixel offset, then the rows. Nothing read from the file is trusted: sizes
// are checked before anything is allocated, every read is checked for
// shortness, and every run of RLE data is checked against the image before it
// is written.
#include "image/BmpImageReader.h"

#include "image/ImageExceptions.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace qm {
namespace {

constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionRle8 = 1;
constexpr uint32_t kCompressionRle4 = 2;

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t Le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Reads exactly count bytes or throws EBmpFileReadError.
void ReadExactly(std::istream& input, uint8_t* buffer, size_t count) {
    input.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(count));
    if (static_cast<size_t>(input.gcount()) != count) {
        throw EBmpFileReadError();
    }
}

// Discards exactly count bytes or throws EBmpFileReadError.
void SkipExactly(std::istream& input, uint64_t count) {
    while (count > 0) {
        const auto step = static_cast<std::streamsize>(std::min<uint64_t>(count, 1 << 20));
        input.ignore(step);
        if (input.gcount() != step) {
            throw EBmpFileReadError();
        }
        count -= static_cast<uint64_t>(step);
    }
}

// The bytes left in a seekable stream, or nothing when it cannot tell.
bool RemainingBytes(std::istream& input, uint64_t& remaining) {
    const std::streampos here = input.tellg();
    if (here == std::streampos(-1)) {
        return false;
    }
    input.seekg(0, std::ios::end);
    const std::streampos end = input.tellg();
    input.seekg(here);
    if (end == std::streampos(-1) || !input || end < here) {
        input.clear();
        input.seekg(here);
        return false;
    }
    remaining = static_cast<uint64_t>(end - here);
    return true;
}

} // namespace

void BmpImageReader::ReportProgress(uint32_t percent) {
    if (CallProgressFunction(1, 1, percent)) {
        throw EGraphicsAbort();
    }
}

void BmpImageReader::ReadImage(std::istream& input, RasterImage& image) {
    uint8_t fileHeader[14];
    input.read(reinterpret_cast<char*>(fileHeader), sizeof fileHeader);
    if (input.gcount() != static_cast<std::streamsize>(sizeof fileHeader)) {
        throw EBmpFileReadError();
    }
    uint64_t pos = sizeof fileHeader;
    if (Le16(fileHeader) != 0x4D42) {
        throw EBmpNotABmpFile();
    }
    const uint32_t pixelOffset = Le32(fileHeader + 10);

    uint8_t header[40];
    ReadExactly(input, header, 4);
    const uint32_t headerSize = Le32(header);
    int64_t width = 0;
    int64_t height = 0;
    uint32_t bits = 0;
    uint32_t compression = kCompressionNone;
    bool core = false;
    if (headerSize == 12) {
        ReadExactly(input, header + 4, 8);
        pos += 12;
        core = true;
        width = Le16(header + 4);
        height = Le16(header + 6);
        bits = Le16(header + 10);
    } else if (headerSize < 40) {
        throw EBmpCorruptFile();
    } else {
        ReadExactly(input, header + 4, 36);
        pos += 40;
        SkipExactly(input, headerSize - 40);
        pos += headerSize - 40;
        width = static_cast<int32_t>(Le32(header + 4));
        height = static_cast<int32_t>(Le32(header + 8));
        bits = Le16(header + 14);
        compression = Le32(header + 16);
    }

    uint32_t colors = 0;
    switch (bits) {
    case 1:
        colors = 2;
        break;
    case 4:
        colors = 16;
        break;
    case 8:
        colors = 256;
        break;
    case 24:
        colors = 0;
        break;
    default:
        throw EBmpNotSupported();
    }
    const bool allowed = compression == kCompressionNone ||
                         (bits == 8 && compression == kCompressionRle8) ||
                         (bits == 4 && compression == kCompressionRle4);
    if (!allowed) {
        throw EBmpNotSupported();
    }

    // A height below zero stores the rows top-down; run-length data is always
    // bottom-up, so a top-down RLE bitmap is not a valid file.
    const bool topDown = height < 0;
    const int64_t rows = std::abs(height);
    if (width <= 0 || rows == 0 || (topDown && compression != kCompressionNone)) {
        throw EBmpCorruptFile();
    }
    const uint64_t rowBytes =
        bits == 24 ? 3 * uint64_t(width) : (uint64_t{bits} * uint64_t(width) + 7) / 8;
    const uint64_t rowWidth = (rowBytes + 3) & ~uint64_t{3};
    if (rowWidth * uint64_t(rows) > kMaxPixelBytes) {
        throw EBmpNotSupported();
    }

    // The colour table and the filler lie before the pixels: both must end by
    // the pixel offset. Checked before anything is allocated.
    const uint64_t entrySize = core ? 3 : 4;
    const uint64_t tableEnd = pos + entrySize * colors;
    if (tableEnd > pixelOffset) {
        throw EBmpCorruptFile();
    }
    // An uncompressed bitmap needs all of its rows: a seekable stream that
    // cannot hold them is refused before the image is allocated.
    uint64_t remaining = 0;
    if (compression == kCompressionNone && RemainingBytes(input, remaining) &&
        remaining < (pixelOffset - pos) + rowWidth * uint64_t(rows - 1) + rowBytes) {
        throw EBmpFileReadError();
    }

    image.SetSize(colors, bits, static_cast<uint32_t>(width), static_cast<uint32_t>(rows));
    if (colors > 0) {
        std::vector<uint8_t> table(entrySize * colors);
        ReadExactly(input, table.data(), table.size());
        for (uint32_t i = 0; i < colors; ++i) {
            uint8_t* entry = image.GetColorMapEntry(i);
            std::copy_n(table.data() + i * entrySize, 3, entry);
        }
        pos = tableEnd;
    }
    SkipExactly(input, pixelOffset - pos);

    ReportProgress(0);
    switch (compression) {
    case kCompressionRle8:
        ReadRunLength(input, image, false);
        break;
    case kCompressionRle4:
        ReadRunLength(input, image, true);
        break;
    default:
        ReadUncompressed(input, image, topDown);
        break;
    }
    ReportProgress(100);
}

void BmpImageReader::ReadUncompressed(std::istream& input, RasterImage& image, bool topDown) {
    const uint32_t height = image.GetHeight();
    const uint32_t bits = image.GetBitCount();
    const uint64_t rowBytes =
        bits == 24 ? 3 * uint64_t{image.GetWidth()} : (uint64_t{bits} * image.GetWidth() + 7) / 8;
    const uint64_t padding = ((rowBytes + 3) & ~uint64_t{3}) - rowBytes;
    for (uint32_t i = 0; i < height; ++i) {
        ReportProgress(static_cast<uint32_t>(uint64_t{i} * 100 / height));
        const uint32_t target = topDown ? i : height - 1 - i;
        ReadExactly(input, image.GetRow(target), rowBytes);
        // Unchecked: a file that leaves out the last row's padding is whole.
        input.ignore(static_cast<std::streamsize>(padding));
    }
}

// Run-length data: pairs (count, value). A count above zero repeats value (a
// byte, or two alternating nibbles); a count of zero escapes: 0 end of line,
// 1 end of bitmap, 2 a delta (dx, dy), 3 to 255 an absolute run of that many
// pixels, padded to a 16-bit boundary. The first line is the bottom row. Any
// run outside the image, and data that ends before the end-of-bitmap escape,
// is corrupt.
void BmpImageReader::ReadRunLength(std::istream& input, RasterImage& image, bool fourBits) {
    const int64_t height = image.GetHeight();
    const int64_t width = image.GetWidth();
    int64_t row = height - 1;
    int64_t x = 0;

    auto readPair = [&input](uint8_t pair[2]) {
        input.read(reinterpret_cast<char*>(pair), 2);
        if (input.gcount() != 2) {
            throw EBmpCorruptFile();
        }
    };
    auto checkRun = [&](int64_t count) {
        if (row < 0 || row >= height || x + count > width) {
            throw EBmpCorruptFile();
        }
    };
    auto put = [&image, fourBits](int64_t r, int64_t column, uint8_t value) {
        uint8_t* p = image.GetRow(static_cast<uint32_t>(r));
        if (!fourBits) {
            p[column] = value;
        } else if (column % 2 == 0) {
            p[column / 2] = static_cast<uint8_t>(value << 4);
        } else {
            p[column / 2] |= value;
        }
    };

    for (;;) {
        const int64_t done = std::clamp<int64_t>(height - row - 1, 0, height);
        ReportProgress(static_cast<uint32_t>(done * 100 / height));
        uint8_t pair[2];
        readPair(pair);
        const uint8_t count = pair[0];
        const uint8_t value = pair[1];
        if (count > 0) {
            checkRun(count);
            for (int64_t i = 0; i < count; ++i) {
                const uint8_t pixel = !fourBits ? value : (i % 2 == 0 ? value >> 4 : value & 15);
                put(row, x++, pixel);
            }
            continue;
        }
        switch (value) {
        case 0:
            --row;
            x = 0;
            break;
        case 1:
            return;
        case 2: {
            uint8_t delta[2];
            readPair(delta);
            x += delta[0];
            row -= delta[1];
            break;
        }
        default: {
            checkRun(value);
            // The run's data, padded to an even number of bytes.
            const size_t dataBytes = fourBits ? (value + 1) / 2 : value;
            uint8_t data[256];
            const size_t readBytes = dataBytes + dataBytes % 2;
            input.read(reinterpret_cast<char*>(data), static_cast<std::streamsize>(readBytes));
            if (static_cast<size_t>(input.gcount()) != readBytes) {
                throw EBmpCorruptFile();
            }
            for (int64_t i = 0; i < value; ++i) {
                const uint8_t pixel =
                    !fourBits ? data[i] : (i % 2 == 0 ? data[i / 2] >> 4 : data[i / 2] & 15);
                put(row, x++, pixel);
            }
            break;
        }
        }
    }
}

} // namespace qm
