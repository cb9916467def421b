// The BMP reader: files of every depth written by Qt read back pixel for
// pixel; hand-made uncompressed, RLE8 and RLE4 files decode as described; and
// every malformed file raises its exception instead of reading past its data.
#include "image/BmpImageReader.h"
#include "image/ImageExceptions.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace qm {
namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A bitmap file put together field by field, so that each test can spoil one.
struct BmpFile {
    uint32_t headerSize = 40;
    int32_t width = 4;
    int32_t height = 2;
    uint32_t bits = 8;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    int tableEntries = -1;    // -1: 2^bits entries (none for 24 bits)
    int64_t pixelOffset = -1; // -1: right after the table
    Bytes pixels;

    Bytes Build() const {
        const int entries = tableEntries >= 0 ? tableEntries : (bits > 8 ? 0 : 1 << bits);
        const uint32_t entrySize = headerSize == 12 ? 3 : 4;
        const uint32_t offset = pixelOffset >= 0 ? static_cast<uint32_t>(pixelOffset)
                                                 : 14 + headerSize + entries * entrySize;
        Bytes b{'B', 'M'};
        Put32(b, 0);
        Put32(b, 0);
        Put32(b, offset);
        Put32(b, headerSize);
        if (headerSize == 12) {
            Put16(b, static_cast<uint32_t>(width));
            Put16(b, static_cast<uint32_t>(height));
            Put16(b, 1);
            Put16(b, bits);
        } else {
            Put32(b, static_cast<uint32_t>(width));
            Put32(b, static_cast<uint32_t>(height));
            Put16(b, 1);
            Put16(b, bits);
            Put32(b, compression);
            Put32(b, 0);
            Put32(b, 0);
            Put32(b, 0);
            Put32(b, colorsUsed);
            Put32(b, 0);
            b.resize(14 + headerSize, 0);
        }
        // Entry i is (blue i, green i + 1, red i + 2).
        for (int i = 0; i < entries; ++i) {
            b.push_back(static_cast<uint8_t>(i));
            b.push_back(static_cast<uint8_t>(i + 1));
            b.push_back(static_cast<uint8_t>(i + 2));
            if (entrySize == 4) {
                b.push_back(0);
            }
        }
        // An offset far past the data is left for the reader to find short.
        while (b.size() < offset && offset - b.size() < 4096) {
            b.push_back(0);
        }
        b.insert(b.end(), pixels.begin(), pixels.end());
        return b;
    }
};

void Read(const Bytes& bytes, RasterImage& image) {
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    BmpImageReader reader;
    reader.ReadImage(in, image);
}

// The colour-map index (or, for 24 bits, 0xBBGGRR) of a pixel, read back
// through the image's own accessors.
uint32_t Pixel(const RasterImage& image, uint32_t row, uint32_t column) {
    const uint8_t* p = image.GetRow(row);
    switch (image.GetBitCount()) {
    case 1:
        return (p[column / 8] >> (7 - column % 8)) & 1;
    case 4:
        return column % 2 ? p[column / 2] & 15 : p[column / 2] >> 4;
    case 8:
        return p[column];
    default:
        return uint32_t{p[3 * column]} << 16 | p[3 * column + 1] << 8 | p[3 * column + 2];
    }
}

std::vector<std::vector<uint32_t>> Pixels(const RasterImage& image) {
    std::vector<std::vector<uint32_t>> rows(image.GetHeight());
    for (uint32_t r = 0; r < image.GetHeight(); ++r) {
        for (uint32_t x = 0; x < image.GetWidth(); ++x) {
            rows[r].push_back(Pixel(image, r, x));
        }
    }
    return rows;
}

QImage MakeQtImage(QImage::Format format, int width, int height) {
    QImage image(width, height, format);
    if (format == QImage::Format_Mono || format == QImage::Format_Indexed8) {
        const int colors = format == QImage::Format_Mono ? 2 : 256;
        QList<QRgb> table;
        for (int i = 0; i < colors; ++i) {
            table.push_back(qRgb((i * 37) & 255, (i * 91 + 5) & 255, 255 - i));
        }
        image.setColorTable(table);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                image.setPixel(x, y, static_cast<uint>((x * 7 + y * 13 + x * y) % colors));
            }
        }
        return image;
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb((x * 5) & 255, (y * 3) & 255, (x * y) & 255));
        }
    }
    return image;
}

TEST(BmpImageReaderTest, QtBitmapsOfEveryDepthReadBackPixelForPixel) {
    const QImage::Format formats[] = {QImage::Format_Mono, QImage::Format_Indexed8,
                                      QImage::Format_RGB32};
    const int sizes[][2] = {{1, 1}, {3, 2}, {13, 7}, {64, 5}, {333, 17}};
    for (QImage::Format format : formats) {
        for (const auto& size : sizes) {
            const QImage source = MakeQtImage(format, size[0], size[1]);
            QByteArray data;
            QBuffer buffer(&data);
            buffer.open(QIODevice::WriteOnly);
            ASSERT_TRUE(source.save(&buffer, "BMP"));
            SCOPED_TRACE(testing::Message()
                         << "format " << format << ", " << size[0] << "x" << size[1]);
            RasterImage image;
            Read(Bytes(data.begin(), data.end()), image);
            ASSERT_EQ(image.GetWidth(), static_cast<uint32_t>(size[0]));
            ASSERT_EQ(image.GetHeight(), static_cast<uint32_t>(size[1]));
            for (int y = 0; y < size[1]; ++y) {
                for (int x = 0; x < size[0]; ++x) {
                    uint8_t r, g, b;
                    image.GetRGB(static_cast<uint32_t>(y), static_cast<uint32_t>(x), r, g, b);
                    ASSERT_EQ(qRgb(r, g, b), source.pixel(x, y) | 0xFF000000u)
                        << "at " << x << "," << y;
                }
            }
        }
    }
}

TEST(BmpImageReaderTest, UncompressedLayouts) {
    // 24 bits, 2 x 2, bottom-up: 6 row bytes and 2 of padding; the first file
    // row is the bottom image row.
    BmpFile rgb;
    rgb.bits = 24;
    rgb.width = 2;
    rgb.height = 2;
    rgb.pixels = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    RasterImage image;
    Read(rgb.Build(), image);
    EXPECT_EQ(Pixels(image), (std::vector<std::vector<uint32_t>>{{0x07'08'09, 0x0A'0B'0C},
                                                                 {0x01'02'03, 0x04'05'06}}));

    // Top-down: the first file row is the top row.
    rgb.height = -2;
    Read(rgb.Build(), image);
    EXPECT_EQ(Pixels(image), (std::vector<std::vector<uint32_t>>{{0x01'02'03, 0x04'05'06},
                                                                 {0x07'08'09, 0x0A'0B'0C}}));

    // 4 bits with a core header: 3-byte colour-table entries, and a larger info
    // header whose extra bytes are skipped.
    for (uint32_t headerSize : {12u, 40u, 108u, 124u}) {
        BmpFile nibbles;
        nibbles.headerSize = headerSize;
        nibbles.bits = 4;
        nibbles.width = 3;
        nibbles.height = 1;
        nibbles.pixels = {0x1F, 0xA0, 0, 0};
        Read(nibbles.Build(), image);
        SCOPED_TRACE(headerSize);
        EXPECT_EQ(Pixels(image), (std::vector<std::vector<uint32_t>>{{1, 15, 10}}));
        const uint8_t* entry = image.GetColorMapEntry(15);
        EXPECT_EQ(entry[0], 15);
        EXPECT_EQ(entry[1], 16);
        EXPECT_EQ(entry[2], 17);
    }

    // A colours-used field of 3 still reads all 16 entries.
    BmpFile used;
    used.bits = 4;
    used.width = 1;
    used.height = 1;
    used.colorsUsed = 3;
    used.pixels = {0xF0, 0, 0, 0};
    Read(used.Build(), image);
    EXPECT_EQ(image.GetColorCount(), 16u);
    EXPECT_EQ(image.GetColorMapEntry(15)[2], 17);
}

TEST(BmpImageReaderTest, RunLengthData) {
    struct Case {
        const char* name;
        uint32_t bits;
        int32_t width, height;
        Bytes data;
        std::vector<std::vector<uint32_t>> expected;
    };
    const Case cases[] = {
        {"rle8 run on the bottom row", 8, 4, 2, {3, 7, 0, 0, 0, 1}, {{0, 0, 0, 0}, {7, 7, 7, 0}}},
        {"rle8 end of line, absolute run with padding",
         8,
         4,
         2,
         {1, 5, 0, 0, 0, 3, 9, 8, 7, 0, 0, 1},
         {{9, 8, 7, 0}, {5, 0, 0, 0}}},
        {"rle8 delta",
         8,
         4,
         3,
         {0, 2, 2, 1, 2, 6, 0, 1},
         {{0, 0, 0, 0}, {0, 0, 6, 6}, {0, 0, 0, 0}}},
        {"rle4 run alternates nibbles", 4, 5, 1, {5, 0x12, 0, 1}, {{1, 2, 1, 2, 1}}},
        // An absolute run of 5 pixels fills 3 data bytes and 1 of padding;
        // one of 3 pixels fills 2 data bytes, already a 16-bit boundary.
        {"rle4 absolute 5",
         4,
         6,
         1,
         {0, 5, 0xAB, 0xCD, 0xE0, 0xEE, 1, 0x30, 0, 1},
         {{10, 11, 12, 13, 14, 3}}},
        {"rle4 absolute 3", 4, 4, 1, {0, 3, 0xAB, 0xC0, 1, 0x10, 0, 1}, {{10, 11, 12, 1}}},
        // An absolute run of 4 pixels: 2 data bytes and none.
        {"rle4 absolute 4", 4, 5, 1, {0, 4, 0xAB, 0xCD, 1, 0x70, 0, 1}, {{10, 11, 12, 13, 7}}},
    };
    for (const Case& c : cases) {
        BmpFile file;
        file.bits = c.bits;
        file.compression = c.bits == 8 ? 1 : 2;
        file.width = c.width;
        file.height = c.height;
        file.pixels = c.data;
        RasterImage image;
        SCOPED_TRACE(c.name);
        Read(file.Build(), image);
        EXPECT_EQ(Pixels(image), c.expected);
    }
}

template <typename E> void ExpectThrows(const char* name, const Bytes& bytes) {
    RasterImage image;
    SCOPED_TRACE(name);
    EXPECT_THROW(Read(bytes, image), E);
}

TEST(BmpImageReaderTest, MalformedFilesRaiseTheirExceptions) {
    auto with = [](std::function<void(BmpFile&)> change) {
        BmpFile file;
        file.pixels = Bytes(8, 1);
        change(file);
        return file.Build();
    };
    auto rle = [](Bytes data, uint32_t bits = 8) {
        BmpFile file;
        file.bits = bits;
        file.compression = bits == 8 ? 1 : 2;
        file.pixels = std::move(data);
        return file.Build();
    };
    Bytes whole = with([](BmpFile&) {});

    ExpectThrows<EBmpFileReadError>("empty", Bytes{});
    ExpectThrows<EBmpFileReadError>("13 bytes", Bytes(whole.begin(), whole.begin() + 13));
    ExpectThrows<EBmpNotABmpFile>("not BM", [&] {
        Bytes b = whole;
        b[1] = 'A';
        return b;
    }());
    for (size_t cut : {16, 30, 54, 100, 54 + 1024, 54 + 1024 + 5}) {
        ExpectThrows<EBmpFileReadError>("cut short", Bytes(whole.begin(), whole.begin() + cut));
    }
    BmpFile shortRgb;
    shortRgb.bits = 24;
    shortRgb.pixels = Bytes(12 + 11, 1);
    ExpectThrows<EBmpFileReadError>("short 24-bit row", shortRgb.Build());

    ExpectThrows<EBmpCorruptFile>("header size 39", with([](BmpFile& f) { f.headerSize = 39; }));
    ExpectThrows<EBmpCorruptFile>("zero width", with([](BmpFile& f) { f.width = 0; }));
    ExpectThrows<EBmpCorruptFile>("negative width", with([](BmpFile& f) { f.width = -4; }));
    ExpectThrows<EBmpCorruptFile>("zero height", with([](BmpFile& f) { f.height = 0; }));
    ExpectThrows<EBmpCorruptFile>("pixel offset inside the table", with([](BmpFile& f) {
                                      f.bits = 4;
                                      f.pixelOffset = 14 + 40 + 15 * 4;
                                  }));
    ExpectThrows<EBmpFileReadError>("pixel offset past the end",
                                    with([](BmpFile& f) { f.pixelOffset = 0xFFFFFFF0; }));

    ExpectThrows<EBmpNotSupported>("16 bits", with([](BmpFile& f) { f.bits = 16; }));
    ExpectThrows<EBmpNotSupported>("32 bits", with([](BmpFile& f) { f.bits = 32; }));
    ExpectThrows<EBmpNotSupported>("2 bits", with([](BmpFile& f) { f.bits = 2; }));
    ExpectThrows<EBmpNotSupported>("8 bits with RLE4", with([](BmpFile& f) { f.compression = 2; }));
    ExpectThrows<EBmpNotSupported>("bitfields", with([](BmpFile& f) { f.compression = 3; }));
    ExpectThrows<EBmpNotSupported>("huge", with([](BmpFile& f) {
                                       f.width = 0x7FFFFFFF;
                                       f.height = 0x7FFFFFFF;
                                   }));
    ExpectThrows<EBmpNotSupported>("row overflowing 32 bits", with([](BmpFile& f) {
                                       f.bits = 24;
                                       f.width = 0x7FFFFFFF;
                                       f.height = 1;
                                   }));
    ExpectThrows<EBmpNotSupported>("most negative height",
                                   with([](BmpFile& f) { f.height = INT32_MIN; }));

    ExpectThrows<EBmpCorruptFile>("rle without end of bitmap", rle({3, 7, 0, 0}));
    ExpectThrows<EBmpCorruptFile>("rle odd byte at the end", rle({3, 7, 0}));
    ExpectThrows<EBmpCorruptFile>("rle run past the width", rle({5, 7, 0, 1}));
    ExpectThrows<EBmpCorruptFile>("rle absolute run past the width", rle({0, 5, 1, 2, 3, 4, 5, 0}));
    ExpectThrows<EBmpCorruptFile>("rle absolute run cut short", rle({0, 4, 1, 2}));
    ExpectThrows<EBmpCorruptFile>("rle delta above the top", rle({0, 2, 0, 2, 1, 1, 0, 1}));
    ExpectThrows<EBmpCorruptFile>("rle delta past the width", rle({0, 2, 4, 0, 1, 1, 0, 1}));
    ExpectThrows<EBmpCorruptFile>("rle too many lines", rle({0, 0, 0, 0, 1, 1, 0, 1}));
    ExpectThrows<EBmpCorruptFile>("rle4 run past the width", rle({5, 0x11, 0, 1}, 4));
    ExpectThrows<EBmpCorruptFile>("rle top-down", [] {
        BmpFile file;
        file.compression = 1;
        file.height = -2;
        file.pixels = {0, 1};
        return file.Build();
    }());
}

TEST(BmpImageReaderTest, ProgressAndAbort) {
    BmpFile file;
    file.height = 4;
    file.pixels = Bytes(16, 0);
    const Bytes bytes = file.Build();

    static std::vector<uint32_t> seen;
    seen.clear();
    BmpImageReader reader;
    reader.SetProgressFunction(
        [](ImageCoder*, uint32_t, uint32_t pass, uint32_t passes, uint32_t percent, bool*) {
            EXPECT_EQ(pass, 1u);
            EXPECT_EQ(passes, 1u);
            seen.push_back(percent);
        },
        0);
    RasterImage image;
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    reader.ReadImage(in, image);
    EXPECT_EQ(seen, (std::vector<uint32_t>{0, 0, 25, 50, 75, 100}));

    reader.SetProgressFunction([](ImageCoder*, uint32_t, uint32_t, uint32_t, uint32_t percent,
                                  bool* abort) { *abort = percent >= 50; },
                               0);
    std::istringstream again(std::string(bytes.begin(), bytes.end()));
    EXPECT_THROW(reader.ReadImage(again, image), EGraphicsAbort);
}

} // namespace
} // namespace qm
