// The PNG writer: Qt decodes every file pixel for pixel like the source
// (every depth, grey and palette, narrow and wide, every level, filters on
// and off); the chunk layout, the text fields, the colour-type choice and the
// filter choice are read back from the file; a failing stream is reported.
#include "image/PngImageWriter.h"
#include "image/ImageExceptions.h"

#include <QImage>

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace qm {
namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Be32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

struct Chunk {
    std::string type;
    Bytes data;
};

// Splits a file into its chunks, checking the signature and every CRC.
std::vector<Chunk> Chunks(const std::string& file) {
    const Bytes b(file.begin(), file.end());
    static const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    EXPECT_TRUE(b.size() >= 8 && std::equal(kSignature, kSignature + 8, b.begin()));
    std::vector<Chunk> chunks;
    for (size_t at = 8; at + 12 <= b.size();) {
        const uint32_t length = Be32(&b[at]);
        Chunk c{std::string(b.begin() + at + 4, b.begin() + at + 8),
                Bytes(b.begin() + at + 8, b.begin() + at + 8 + length)};
        const uint32_t crc = crc32(0, &b[at + 4], length + 4);
        EXPECT_EQ(Be32(&b[at + 8 + length]), crc) << c.type;
        chunks.push_back(std::move(c));
        at += 12 + length;
    }
    return chunks;
}

// The inflated pixel data: each row's filter byte and filtered bytes.
Bytes Inflated(const std::vector<Chunk>& chunks, size_t expected) {
    Bytes stream;
    for (const Chunk& c : chunks) {
        if (c.type == "IDAT") {
            stream.insert(stream.end(), c.data.begin(), c.data.end());
        }
    }
    Bytes out(expected + 1);
    uLongf length = static_cast<uLongf>(out.size());
    EXPECT_EQ(uncompress(out.data(), &length, stream.data(), static_cast<uLong>(stream.size())),
              Z_OK);
    out.resize(length);
    return out;
}

std::string Write(PngImageWriter& writer, const RasterImage& image) {
    std::ostringstream out;
    writer.WriteImage(out, image);
    return out.str();
}

// A picture with runs, edges and noise, so every filter has something to do.
void Fill(RasterImage& image, uint32_t seed) {
    std::mt19937 random(seed);
    for (uint32_t r = 0; r < image.GetHeight(); ++r) {
        uint8_t* row = image.GetRow(r);
        const uint32_t bytes = image.GetBitCount() == 24
                                   ? image.GetWidth() * 3
                                   : (image.GetWidth() * image.GetBitCount() + 7) / 8;
        for (uint32_t i = 0; i < bytes; ++i) {
            switch ((r / 7 + i / 50) % 4) {
            case 0:
                row[i] = 0xFF;
                break;
            case 1:
                row[i] = static_cast<uint8_t>(i * 3 + r);
                break;
            case 2:
                row[i] = static_cast<uint8_t>(random());
                break;
            default:
                row[i] = static_cast<uint8_t>(r * 5);
            }
        }
        // Keep the bits past the last pixel zero, as SetSize leaves them.
        const uint32_t usedBits = image.GetWidth() * image.GetBitCount() % 8;
        if (image.GetBitCount() < 8 && usedBits != 0) {
            row[bytes - 1] &= static_cast<uint8_t>(0xFF << (8 - usedBits));
        }
    }
}

void ExpectDecodesLikeTheSource(const std::string& file, const RasterImage& image) {
    QImage decoded;
    ASSERT_TRUE(decoded.loadFromData(reinterpret_cast<const uchar*>(file.data()),
                                     static_cast<int>(file.size()), "PNG"));
    ASSERT_EQ(decoded.width(), static_cast<int>(image.GetWidth()));
    ASSERT_EQ(decoded.height(), static_cast<int>(image.GetHeight()));
    decoded = decoded.convertToFormat(QImage::Format_RGB32);
    for (uint32_t y = 0; y < image.GetHeight(); ++y) {
        for (uint32_t x = 0; x < image.GetWidth(); ++x) {
            uint8_t r, g, b;
            image.GetRGB(y, x, r, g, b);
            ASSERT_EQ(decoded.pixel(static_cast<int>(x), static_cast<int>(y)), qRgb(r, g, b))
                << "at " << x << "," << y;
        }
    }
}

enum class Map { Grey, Palette };

void SetMap(RasterImage& image, Map map) {
    const uint32_t bits = image.GetBitCount();
    for (uint32_t i = 0; i < image.GetColorCount(); ++i) {
        uint8_t* e = image.GetColorMapEntry(i);
        if (map == Map::Grey) {
            const uint8_t level = static_cast<uint8_t>(i * (255 / ((1u << bits) - 1)));
            e[0] = e[1] = e[2] = level;
        } else {
            e[0] = static_cast<uint8_t>(i * 7);
            e[1] = static_cast<uint8_t>(255 - i);
            e[2] = static_cast<uint8_t>(i * 13 + 1);
        }
    }
}

TEST(PngImageWriterTest, QtDecodesEveryDepthPixelForPixel) {
    struct Shape {
        uint32_t width, height;
    };
    // Narrow, odd, over 512 bytes a row, and over 32 KiB of data.
    const Shape shapes[] = {{1, 1}, {3, 5}, {17, 9}, {700, 6}, {260, 160}};
    for (uint32_t bits : {1u, 2u, 4u, 8u, 24u}) {
        for (Map map : {Map::Grey, Map::Palette}) {
            if (bits == 24 && map == Map::Palette) {
                continue;
            }
            for (const Shape& shape : shapes) {
                for (int level = 0; level <= 3; ++level) {
                    for (bool filters : {false, true}) {
                        RasterImage image;
                        image.SetSize(bits == 24 ? 0 : 1u << bits, bits, shape.width, shape.height);
                        SetMap(image, map);
                        Fill(image, bits * 31 + shape.width);
                        PngImageWriter writer;
                        writer.SetCompressionLevel(level);
                        writer.SetUseFilters(filters);
                        SCOPED_TRACE(testing::Message()
                                     << bits << " bits, " << (map == Map::Grey ? "grey" : "palette")
                                     << ", " << shape.width << "x" << shape.height << ", level "
                                     << level << (filters ? ", filters" : ""));
                        ExpectDecodesLikeTheSource(Write(writer, image), image);
                    }
                }
            }
        }
    }
}

TEST(PngImageWriterTest, DefaultFileLayout) {
    RasterImage image;
    image.SetSize(0, 24, 400, 300);
    Fill(image, 5);
    PngImageWriter writer;
    EXPECT_EQ(writer.GetCompressionLevel(), 2);
    EXPECT_FALSE(writer.GetUseFilters());
    const std::vector<Chunk> chunks = Chunks(Write(writer, image));

    ASSERT_GE(chunks.size(), 4u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[0].data, (Bytes{0, 0, 1, 144, 0, 0, 1, 44, 8, 2, 0, 0, 0}));
    EXPECT_EQ(chunks[1].type, "tEXt");
    const std::string software = "Software";
    Bytes text(software.begin(), software.end());
    text.push_back(0);
    const std::string value = "Generated by Quillmark";
    text.insert(text.end(), value.begin(), value.end());
    EXPECT_EQ(chunks[1].data, text);
    EXPECT_EQ(chunks.back().type, "IEND");
    EXPECT_TRUE(chunks.back().data.empty());
    // IDAT chunks: all 8192 bytes but the last, which is not empty.
    size_t idats = 0;
    for (size_t i = 2; i + 1 < chunks.size(); ++i) {
        ASSERT_EQ(chunks[i].type, "IDAT");
        ++idats;
        if (i + 2 < chunks.size()) {
            EXPECT_EQ(chunks[i].data.size(), 8192u);
        } else {
            EXPECT_GT(chunks[i].data.size(), 0u);
        }
    }
    EXPECT_GT(idats, 1u);
    // Every row is filtered with None.
    const Bytes raw = Inflated(chunks, 300 * 1201);
    ASSERT_EQ(raw.size(), 300u * 1201);
    for (size_t r = 0; r < 300; ++r) {
        EXPECT_EQ(raw[r * 1201], 0) << r;
    }
}

TEST(PngImageWriterTest, IendCrc) {
    RasterImage image;
    image.SetSize(2, 1, 1, 1);
    PngImageWriter writer;
    const std::string file = Write(writer, image);
    ASSERT_GE(file.size(), 12u);
    EXPECT_EQ(file.substr(file.size() - 12), std::string("\0\0\0\0IEND\xAE\x42\x60\x82", 12));
}

TEST(PngImageWriterTest, ColourTypeFollowsTheColourMap) {
    struct Case {
        const char* name;
        uint32_t bits, colors;
        std::function<void(RasterImage&)> map;
        uint8_t colorType;
        size_t paletteBytes;
    };
    const Case cases[] = {
        {"grey ramp", 8, 256, [](RasterImage& i) { SetMap(i, Map::Grey); }, 0, 0},
        {"one coloured entry", 8, 256,
         [](RasterImage& i) {
             SetMap(i, Map::Grey);
             i.GetColorMapEntry(7)[0] = 1;
         },
         3, 768},
        {"empty map", 8, 0, [](RasterImage&) {}, 0, 0},
        // Grey, but entry 0 is white: written as grey levels it would invert.
        {"inverted greys", 1, 2,
         [](RasterImage& i) {
             uint8_t* e = i.GetColorMapEntry(0);
             e[0] = e[1] = e[2] = 255;
         },
         3, 6},
        {"more entries than the depth holds", 4, 40,
         [](RasterImage& i) { SetMap(i, Map::Palette); }, 3, 48},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RasterImage image;
        image.SetSize(c.colors, c.bits, 9, 4);
        c.map(image);
        Fill(image, 1);
        PngImageWriter writer;
        const std::string file = Write(writer, image);
        const std::vector<Chunk> chunks = Chunks(file);
        EXPECT_EQ(chunks[0].data[8], c.bits);
        EXPECT_EQ(chunks[0].data[9], c.colorType);
        size_t palette = 0;
        for (const Chunk& chunk : chunks) {
            if (chunk.type == "PLTE") {
                palette = chunk.data.size();
            }
        }
        EXPECT_EQ(palette, c.paletteBytes);
        if (c.colors > 0 && c.colors <= (1u << c.bits)) {
            ExpectDecodesLikeTheSource(file, image);
        }
    }
}

TEST(PngImageWriterTest, FilterChoice) {
    // A ramp that rises by 2 along a row and by 3 down the rows: Sub leaves
    // one run of 2s after the first byte, Up a run of 3s over the whole row.
    RasterImage image;
    image.SetSize(256, 8, 64, 3);
    SetMap(image, Map::Grey);
    for (uint32_t r = 0; r < 3; ++r) {
        for (uint32_t x = 0; x < 64; ++x) {
            image.GetRow(r)[x] = static_cast<uint8_t>(x * 2 + r * 3);
        }
    }
    PngImageWriter writer;
    writer.SetUseFilters(true);
    EXPECT_TRUE(writer.GetUseFilters());
    Bytes raw = Inflated(Chunks(Write(writer, image)), 3 * 65);
    EXPECT_EQ(raw[0], 1); // row 0 chooses between None and Sub only
    EXPECT_EQ(raw[65], 2);
    EXPECT_EQ(raw[130], 2);

    // Rows of the same bytes everywhere: Up scores like None, so None wins.
    for (uint32_t r = 0; r < 3; ++r) {
        std::fill_n(image.GetRow(r), 64, 9);
    }
    raw = Inflated(Chunks(Write(writer, image)), 3 * 65);
    EXPECT_EQ(raw[0], 0);
    EXPECT_EQ(raw[65], 0);

    // A row shorter than 5 bytes has no run to score: None.
    image.SetSize(256, 8, 4, 3);
    for (uint32_t r = 0; r < 3; ++r) {
        for (uint32_t x = 0; x < 4; ++x) {
            image.GetRow(r)[x] = static_cast<uint8_t>(x * 40 + r);
        }
    }
    raw = Inflated(Chunks(Write(writer, image)), 3 * 5);
    EXPECT_EQ(raw[0], 0);
    EXPECT_EQ(raw[5], 0);
    EXPECT_EQ(raw[10], 0);

    // Filters off again: None only.
    writer.SetUseFilters(false);
    EXPECT_FALSE(writer.GetUseFilters());
}

std::string ErrorText(const std::function<void()>& f) {
    try {
        f();
    } catch (const EGraphicsException& e) {
        return e.what();
    }
    return "no exception";
}

TEST(PngImageWriterTest, TextFieldsAndLevels) {
    RasterImage image;
    image.SetSize(0, 24, 2, 2);
    PngImageWriter writer;
    writer.Title = "Class diagram";
    writer.Comment = "two";
    std::vector<Chunk> chunks = Chunks(Write(writer, image));
    std::vector<std::string> keywords;
    for (const Chunk& c : chunks) {
        if (c.type == "tEXt") {
            keywords.emplace_back(reinterpret_cast<const char*>(c.data.data()));
        }
    }
    EXPECT_EQ(keywords, (std::vector<std::string>{"Title", "Software", "Comment"}));

    // The largest value that fits one chunk, and one byte more.
    writer.Comment = std::string(8192 - 8, 'x');
    EXPECT_EQ(ErrorText([&] { Write(writer, image); }), "no exception");
    writer.Comment += 'x';
    EXPECT_EQ(ErrorText([&] { Write(writer, image); }), "tEXt Value Too Long");

    // A copy keeps the settings and the texts.
    writer.Comment = "copied";
    writer.SetCompressionLevel(3);
    writer.SetUseFilters(true);
    PngImageWriter copy(writer);
    EXPECT_EQ(copy.GetCompressionLevel(), 3);
    EXPECT_TRUE(copy.GetUseFilters());
    EXPECT_EQ(copy.Comment, "copied");
    EXPECT_EQ(copy.Software, "Generated by Quillmark");

    for (int level : {-1, 4}) {
        EXPECT_EQ(ErrorText([&] { writer.SetCompressionLevel(level); }),
                  "Invalid Compression Level");
        EXPECT_EQ(writer.GetCompressionLevel(), 3);
    }
    // zlib header byte per level.
    for (int level = 0; level <= 3; ++level) {
        writer.SetCompressionLevel(level);
        chunks = Chunks(Write(writer, image));
        for (const Chunk& c : chunks) {
            if (c.type == "IDAT") {
                static const uint8_t kFlags[4] = {0x01, 0x5E, 0x9C, 0xDA};
                EXPECT_EQ(c.data[0], 0x78);
                EXPECT_EQ(c.data[1], kFlags[level]);
                break;
            }
        }
    }
}

TEST(PngImageWriterTest, ImagesPngCannotHold) {
    PngImageWriter writer;
    RasterImage empty;
    EXPECT_EQ(ErrorText([&] { Write(writer, empty); }), "Invalid bit count");
    RasterImage noRows;
    noRows.SetSize(0, 24, 5, 0);
    EXPECT_EQ(ErrorText([&] { Write(writer, noRows); }), "Invalid Image Size");
}

// A stream buffer that accepts limit bytes and then refuses.
class FullDisk : public std::streambuf {
  public:
    explicit FullDisk(size_t limit) : limit_(limit) {}

  protected:
    int_type overflow(int_type c) override {
        if (written_ >= limit_) {
            return traits_type::eof();
        }
        ++written_;
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char*, std::streamsize n) override {
        const auto room = static_cast<std::streamsize>(limit_ - written_);
        const std::streamsize taken = std::min(n, room);
        written_ += static_cast<size_t>(taken);
        return taken;
    }

  private:
    size_t limit_;
    size_t written_ = 0;
};

TEST(PngImageWriterTest, AFailingStreamIsReported) {
    RasterImage image;
    image.SetSize(0, 24, 300, 200);
    Fill(image, 9);
    PngImageWriter writer;
    const size_t size = Write(writer, image).size();
    for (size_t limit : {size_t{0}, size_t{20}, size_t{100}, size / 2, size - 1}) {
        FullDisk disk(limit);
        std::ostream out(&disk);
        SCOPED_TRACE(limit);
        EXPECT_EQ(ErrorText([&] { writer.WriteImage(out, image); }), "Error writing PNG output");
    }
    FullDisk roomy(size);
    std::ostream out(&roomy);
    EXPECT_NO_THROW(writer.WriteImage(out, image));
}

TEST(PngImageWriterTest, ProgressIsReportedPerRow) {
    RasterImage image;
    image.SetSize(0, 24, 3, 4);
    PngImageWriter writer;
    static std::vector<uint32_t> seen;
    seen.clear();
    writer.SetProgressFunction(
        [](ImageCoder*, uint32_t, uint32_t, uint32_t, uint32_t percent, bool* abort) {
            seen.push_back(percent);
            *abort = true; // the PNG writer goes on regardless
        },
        0);
    EXPECT_NO_THROW(Write(writer, image));
    EXPECT_EQ(seen, (std::vector<uint32_t>{0, 0, 25, 50, 75, 100}));
}

} // namespace
} // namespace qm
