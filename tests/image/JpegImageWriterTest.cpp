// The JPEG encoder end to end: every file is decoded by Qt's JPEG reader and
// compared with the source picture; the marker layout, scan table, checks of
// the output stream, size limits and progress reports are checked on the
// bytes written.
#include "image/JpegImageWriter.h"
#include "image/ImageExceptions.h"
#include "image/RasterImage.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace qm {
namespace {

std::string Encode(JpegImageWriter& writer, const RasterImage& image) {
    std::ostringstream out(std::ios::binary);
    writer.WriteImage(out, image);
    return out.str();
}

std::string Encode(const RasterImage& image) {
    JpegImageWriter writer;
    return Encode(writer, image);
}

QImage Decode(const std::string& bytes) {
    QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    QImageReader reader(&buffer, "jpeg");
    QImage image = reader.read();
    EXPECT_FALSE(image.isNull()) << reader.errorString().toStdString();
    return image.convertToFormat(QImage::Format_RGB888);
}

// Peak signal-to-noise ratio over the three colour channels, and the largest
// difference of one channel.
struct Comparison {
    double psnr = 0;
    int maxError = 0;
};

Comparison Compare(const RasterImage& source, const QImage& decoded) {
    Comparison result;
    EXPECT_EQ(decoded.width(), static_cast<int>(source.GetWidth()));
    EXPECT_EQ(decoded.height(), static_cast<int>(source.GetHeight()));
    if (decoded.width() != static_cast<int>(source.GetWidth()) ||
        decoded.height() != static_cast<int>(source.GetHeight())) {
        return result;
    }
    double squares = 0;
    for (uint32_t y = 0; y < source.GetHeight(); ++y) {
        const uchar* line = decoded.constScanLine(static_cast<int>(y));
        for (uint32_t x = 0; x < source.GetWidth(); ++x) {
            uint8_t rgb[3];
            source.GetRGB(y, x, rgb[0], rgb[1], rgb[2]);
            for (int c = 0; c < 3; ++c) {
                const int d = line[3 * x + c] - rgb[c];
                squares += d * d;
                result.maxError = std::max(result.maxError, std::abs(d));
            }
        }
    }
    const double mse = squares / (3.0 * source.GetWidth() * source.GetHeight());
    result.psnr = mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
    return result;
}

// A smooth photo-like picture with some texture.
RasterImage MakePhoto(uint32_t width, uint32_t height, uint32_t seed = 1) {
    RasterImage image;
    image.SetSize(0, 24, width, height);
    std::mt19937 random(seed);
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = image.GetRow(y);
        for (uint32_t x = 0; x < width; ++x) {
            const double r = 128 + 100 * std::sin(x * 0.05) * std::cos(y * 0.03);
            const double g = 128 + 90 * std::cos((x + y) * 0.02);
            const double b = 64 + 0.5 * x + 0.3 * y;
            const int noise = static_cast<int>(random() % 9) - 4;
            row[3 * x + 2] = static_cast<uint8_t>(std::clamp(static_cast<int>(r) + noise, 0, 255));
            row[3 * x + 1] = static_cast<uint8_t>(std::clamp(static_cast<int>(g) + noise, 0, 255));
            row[3 * x] = static_cast<uint8_t>(std::clamp(static_cast<int>(b) % 256, 0, 255));
        }
    }
    return image;
}

// A palette picture of the given depth: colour bands and a diagonal line.
RasterImage MakePalette(uint32_t bits, uint32_t width, uint32_t height) {
    RasterImage image;
    const uint32_t colors = 1u << bits;
    image.SetSize(colors, bits, width, height);
    for (uint32_t i = 0; i < colors; ++i) {
        uint8_t* entry = image.GetColorMapEntry(i);
        entry[0] = static_cast<uint8_t>(255 - i * 255 / (colors - 1));
        entry[1] = static_cast<uint8_t>((i * 97) % 256);
        entry[2] = static_cast<uint8_t>(i * 255 / (colors - 1));
    }
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = image.GetRow(y);
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t index = (x == y ? colors - 1 : (x / 6 + y / 10) % colors);
            const uint32_t bit = x * bits;
            row[bit / 8] |= static_cast<uint8_t>(index << (8 - bits - bit % 8));
        }
    }
    return image;
}

RasterImage MakeSolid(uint32_t width, uint32_t height, uint8_t r, uint8_t g, uint8_t b) {
    RasterImage image;
    image.SetSize(0, 24, width, height);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            image.GetRow(y)[3 * x] = b;
            image.GetRow(y)[3 * x + 1] = g;
            image.GetRow(y)[3 * x + 2] = r;
        }
    }
    return image;
}

// ---- decoded pictures ----

TEST(JpegImageWriterTest, DecodesCloseToTheSource) {
    struct Case {
        const char* name;
        RasterImage image;
        double minPsnr;
    };
    const Case cases[] = {
        {"photo 64 x 48", MakePhoto(64, 48), 36},
        {"photo of odd size", MakePhoto(37, 23, 2), 36},
        {"one wide row", MakePhoto(301, 1, 3), 34},
        {"one tall column", MakePhoto(1, 70, 4), 34},
        {"9 x 9", MakePhoto(9, 9, 5), 34},
        {"1 bit", MakePalette(1, 50, 30), 26},
        {"2 bits", MakePalette(2, 43, 21), 26},
        {"4 bits", MakePalette(4, 70, 33), 26},
        {"8 bits", MakePalette(8, 130, 17), 26},
        {"white pixel", MakeSolid(1, 1, 255, 255, 255), 45},
        {"grey 17 x 5", MakeSolid(17, 5, 77, 77, 77), 45},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Comparison result = Compare(c.image, Decode(Encode(c.image)));
        EXPECT_GE(result.psnr, c.minPsnr);
    }
}

TEST(JpegImageWriterTest, FlatPicturesComeBackAlmostExactly) {
    // A flat picture is one DC value per block; with edge replication the
    // blocks past the right and bottom edges stay flat as well, so nothing
    // but the colour conversion's rounding remains.
    for (const auto& [width, height] : {std::pair{1u, 1u}, {9u, 9u}, {20u, 3u}}) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        const RasterImage image = MakeSolid(width, height, 200, 30, 90);
        EXPECT_LE(Compare(image, Decode(Encode(image))).maxError, 3);
    }
}

// ---- file layout ----

struct Segment {
    uint8_t marker;
    std::string body; // without the length bytes
};

// Splits a file into its marker segments; the entropy-coded data after each
// SOS goes into a segment of marker 0.
std::vector<Segment> Segments(const std::string& file) {
    std::vector<Segment> segments;
    size_t i = 0;
    while (i + 1 < file.size()) {
        EXPECT_EQ(static_cast<uint8_t>(file[i]), 0xFF) << "at " << i;
        const uint8_t marker = static_cast<uint8_t>(file[i + 1]);
        i += 2;
        if (marker == 0xD8 || marker == 0xD9) {
            segments.push_back({marker, {}});
            continue;
        }
        const size_t length =
            (static_cast<uint8_t>(file[i]) << 8) | static_cast<uint8_t>(file[i + 1]);
        segments.push_back({marker, file.substr(i + 2, length - 2)});
        i += length;
        if (marker == 0xDA) {
            size_t end = i;
            while (end + 1 < file.size() &&
                   !(static_cast<uint8_t>(file[end]) == 0xFF && file[end + 1] != 0)) {
                end += static_cast<uint8_t>(file[end]) == 0xFF ? 2 : 1;
            }
            segments.push_back({0, file.substr(i, end - i)});
            i = end;
        }
    }
    return segments;
}

std::string MarkerList(const std::vector<Segment>& segments) {
    std::string text;
    for (const Segment& s : segments) {
        char buffer[8];
        snprintf(buffer, sizeof buffer, "%02X ", s.marker);
        text += buffer;
    }
    return text;
}

TEST(JpegImageWriterTest, DefaultLayout) {
    const RasterImage image = MakePhoto(20, 10);
    const std::string file = Encode(image);
    const std::vector<Segment> segments = Segments(file);
    EXPECT_EQ(MarkerList(segments), "D8 E0 FE C0 DB C4 DA 00 D9 ");
    ASSERT_EQ(segments.size(), 9u);
    EXPECT_EQ(segments[1].body, std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14));
    // The comment: length 25, the text and a zero byte.
    EXPECT_EQ(file.substr(20, 4), std::string("\xFF\xFE\x00\x19", 4));
    EXPECT_EQ(segments[2].body, std::string("Generated by Quillmark\0", 23));
    EXPECT_EQ(segments[3].body,
              std::string("\x08\x00\x0A\x00\x14\x03\x01\x11\x00\x02\x11\x01\x03\x11\x01", 15));
    // DQT: both tables at quality 75, in zigzag order.
    const std::string& dqt = segments[4].body;
    ASSERT_EQ(dqt.size(), 130u);
    EXPECT_EQ(dqt[0], 0);
    EXPECT_EQ(dqt[65], 1);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(static_cast<uint8_t>(dqt[1 + i]),
                  std::max(1, kJpegLuminanceBase[kJpegZigzag[i]] / 8));
        EXPECT_EQ(static_cast<uint8_t>(dqt[66 + i]),
                  std::max(1, kJpegChrominanceBase[kJpegZigzag[i]] / 8));
    }
    // One DHT holding four tables in the order DC 0, AC 0, DC 1, AC 1.
    const std::string& dht = segments[5].body;
    std::vector<uint8_t> ids;
    for (size_t p = 0; p < dht.size();) {
        ids.push_back(static_cast<uint8_t>(dht[p]));
        size_t codes = 0;
        for (int k = 1; k <= 16; ++k) {
            codes += static_cast<uint8_t>(dht[p + k]);
        }
        p += 17 + codes;
        EXPECT_LE(p, dht.size());
    }
    EXPECT_EQ(ids, (std::vector<uint8_t>{0x00, 0x10, 0x01, 0x11}));
    EXPECT_EQ(segments[6].body, std::string("\x03\x01\x00\x02\x11\x03\x11\x00\x3F\x00", 10));
}

TEST(JpegImageWriterTest, OneScanPerComponent) {
    const RasterImage image = MakePhoto(33, 17);
    JpegImageWriter writer;
    writer.SetScan(0, 2, 63, 0);
    writer.SetScan(1, 4, 63, 0);
    writer.SetScan(2, 8, 63, 0);
    const std::string file = Encode(writer, image);
    EXPECT_EQ(writer.GetScanCount(), 3u);
    const std::vector<Segment> segments = Segments(file);
    EXPECT_EQ(MarkerList(segments), "D8 E0 FE C0 DB C4 DA 00 C4 DA 00 C4 DA 00 D9 ");
    const std::string sos[] = {std::string("\x01\x01\x00\x00\x3F\x00", 6),
                               std::string("\x01\x02\x11\x00\x3F\x00", 6),
                               std::string("\x01\x03\x11\x00\x3F\x00", 6)};
    const uint8_t firstTable[] = {0x00, 0x01, 0x01};
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(segments[5 + 3 * s + 1].body, sos[s]);
        const std::string& dht = segments[5 + 3 * s].body;
        EXPECT_EQ(static_cast<uint8_t>(dht[0]), firstTable[s]);
    }
    EXPECT_GE(Compare(image, Decode(file)).psnr, 36);
    // Cb and Cr share a table, rebuilt from each scan's own counts.
    EXPECT_NE(segments[8].body, segments[11].body);
}

TEST(JpegImageWriterTest, ScanTables) {
    struct Case {
        uint32_t masks[3];
        const char* markers; // nullptr: the scans are refused
        const char* error;
    };
    const Case cases[] = {
        {{6, 8, 0}, "D8 E0 FE C0 DB C4 DA 00 C4 DA 00 D9 ", nullptr},
        {{8, 6, 0}, "D8 E0 FE C0 DB C4 DA 00 C4 DA 00 D9 ", nullptr},
        {{0, 14, 0}, "D8 E0 FE C0 DB C4 DA 00 D9 ", nullptr},
        {{2, 0, 12}, "D8 E0 FE C0 DB C4 DA 00 C4 DA 00 D9 ", nullptr},
        {{2, 4, 0}, nullptr, "Not all components specified in scans"},
        {{6, 4, 8}, nullptr, "Component in more than one scan"},
        {{14, 1, 0}, nullptr, "Not all components specified in scans"},
        {{0, 0, 0}, nullptr, "Not all components specified in scans"},
    };
    const RasterImage image = MakePhoto(24, 16);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.masks[0] << " " << c.masks[1] << " " << c.masks[2]);
        JpegImageWriter writer;
        for (uint32_t s = 0; s < 3; ++s) {
            writer.SetScan(s, c.masks[s], 63, 0);
        }
        if (c.markers != nullptr) {
            const std::string file = Encode(writer, image);
            EXPECT_EQ(MarkerList(Segments(file)), c.markers);
            EXPECT_GE(Compare(image, Decode(file)).psnr, 36);
            continue;
        }
        std::ostringstream out;
        try {
            writer.WriteImage(out, image);
            FAIL();
        } catch (const EJpegError& e) {
            EXPECT_STREQ(e.what(), c.error);
        }
        EXPECT_TRUE(out.str().empty());
    }
    JpegImageWriter writer;
    try {
        writer.SetScan(256, 14, 63, 0);
        FAIL();
    } catch (const EJpegError& e) {
        EXPECT_STREQ(e.what(), "Scan Index Out of Range");
    }
    writer.SetScan(255, 14, 63, 0); // the last entry exists and is never used
}

// Entropy-coded data never holds 0xFF followed by anything but a zero byte:
// a noisy picture produces plenty of 0xFF bytes to stuff.
TEST(JpegImageWriterTest, ByteStuffing) {
    RasterImage image;
    image.SetSize(0, 24, 96, 64);
    std::mt19937 random(11);
    for (uint32_t y = 0; y < 64; ++y) {
        for (uint32_t x = 0; x < 3 * 96; ++x) {
            image.GetRow(y)[x] = static_cast<uint8_t>(random());
        }
    }
    const std::string file = Encode(image);
    const std::vector<Segment> segments = Segments(file);
    ASSERT_EQ(MarkerList(segments), "D8 E0 FE C0 DB C4 DA 00 D9 ");
    const std::string& data = segments[7].body;
    size_t stuffed = 0;
    for (size_t i = 0; i < data.size(); ++i) {
        if (static_cast<uint8_t>(data[i]) == 0xFF) {
            ASSERT_LT(i + 1, data.size());
            EXPECT_EQ(data[i + 1], 0);
            ++stuffed;
            ++i;
        }
    }
    EXPECT_GT(stuffed, 0u);
    // Noise is hard to code, but still decodes to the source.
    EXPECT_GE(Compare(image, Decode(file)).psnr, 25);
}

// Right of and below the picture, samples repeat the last column and row:
// a picture codes to the same data as the picture padded to whole blocks by
// repeating its last column and row. Only the frame's size differs.
TEST(JpegImageWriterTest, EdgeReplication) {
    for (const auto& [width, height] : {std::pair{9u, 9u}, {1u, 1u}, {13u, 4u}, {16u, 17u}}) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        const RasterImage image = MakePhoto(width, height, width + height);
        const uint32_t paddedWidth = (width + 7) / 8 * 8;
        const uint32_t paddedHeight = (height + 7) / 8 * 8;
        RasterImage padded;
        padded.SetSize(0, 24, paddedWidth, paddedHeight);
        for (uint32_t y = 0; y < paddedHeight; ++y) {
            for (uint32_t x = 0; x < paddedWidth; ++x) {
                const uint8_t* from =
                    image.GetRow(std::min(y, height - 1)) + 3 * std::min(x, width - 1);
                std::copy(from, from + 3, padded.GetRow(y) + 3 * x);
            }
        }
        std::vector<Segment> a = Segments(Encode(image));
        std::vector<Segment> b = Segments(Encode(padded));
        ASSERT_EQ(MarkerList(a), MarkerList(b));
        ASSERT_EQ(a[3].marker, 0xC0);
        EXPECT_NE(width == paddedWidth && height == paddedHeight, a[3].body != b[3].body);
        a[3].body = b[3].body = "";
        for (size_t i = 0; i < a.size(); ++i) {
            EXPECT_EQ(a[i].body, b[i].body) << "segment " << i;
        }
    }
}

// ---- bad pictures and streams ----

TEST(JpegImageWriterTest, RefusesPicturesAFrameCannotHold) {
    RasterImage empty;
    RasterImage wide;
    wide.SetSize(0, 24, 65536, 1);
    RasterImage tall;
    tall.SetSize(2, 1, 1, 65536);
    for (const RasterImage* image : {&empty, &wide, &tall}) {
        std::ostringstream out;
        JpegImageWriter writer;
        try {
            writer.WriteImage(out, *image);
            FAIL();
        } catch (const EJpegBadOutputParameter& e) {
            EXPECT_STREQ(e.what(), "Image dimensions out of range");
        }
        EXPECT_TRUE(out.str().empty());
    }
    // The largest size a frame states is accepted (Qt's reader stops short of
    // it, so only the frame header is checked).
    RasterImage widest;
    widest.SetSize(0, 24, 65535, 1);
    const std::vector<Segment> segments = Segments(Encode(widest));
    ASSERT_EQ(MarkerList(segments), "D8 E0 FE C0 DB C4 DA 00 D9 ");
    EXPECT_EQ(segments[3].body.substr(1, 4), std::string("\x00\x01\xFF\xFF", 4));
}

TEST(JpegImageWriterTest, IndexPastTheColourMapIsRefused) {
    RasterImage image;
    image.SetSize(4, 8, 8, 8);
    image.GetRow(3)[5] = 9;
    std::ostringstream out;
    JpegImageWriter writer;
    EXPECT_THROW(writer.WriteImage(out, image), ESubscriptOutOfRange);
    image.GetRow(3)[5] = 3;
    std::ostringstream again;
    writer.WriteImage(again, image);
    EXPECT_FALSE(Decode(again.str()).isNull());
}

// A stream buffer that accepts a number of bytes and then fails.
class LimitedBuffer : public std::streambuf {
  public:
    explicit LimitedBuffer(size_t limit) : limit_(limit) {}
    std::string written;

  protected:
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        const size_t room = limit_ - written.size();
        const size_t take = std::min(room, static_cast<size_t>(n));
        written.append(s, take);
        return static_cast<std::streamsize>(take);
    }
    int_type overflow(int_type c) override {
        if (written.size() >= limit_ || traits_type::eq_int_type(c, traits_type::eof())) {
            return traits_type::eof();
        }
        written.push_back(static_cast<char>(c));
        return c;
    }

  private:
    size_t limit_;
};

TEST(JpegImageWriterTest, FailedWritesThrow) {
    const RasterImage image = MakePhoto(800, 600);
    const std::string whole = Encode(image);
    ASSERT_GT(whole.size(), 70000u);
    JpegImageWriter writer;
    for (const size_t limit : {size_t{0}, size_t{100}, size_t{65536}, whole.size() - 1}) {
        SCOPED_TRACE(limit);
        LimitedBuffer buffer(limit);
        std::ostream out(&buffer);
        try {
            writer.WriteImage(out, image);
            FAIL();
        } catch (const EJpegError& e) {
            EXPECT_STREQ(e.what(), "Error writing JPEG output stream");
        }
        // What went out is the start of the file.
        EXPECT_EQ(buffer.written, whole.substr(0, buffer.written.size()));
    }
    // A stream whose last piece fails only when it is flushed.
    struct FailingFlush : std::stringbuf {
        int sync() override { return -1; }
    } failingFlush;
    std::ostream flushed(&failingFlush);
    EXPECT_THROW(writer.WriteImage(flushed, image), EJpegError);
    EXPECT_EQ(failingFlush.str(), whole);
    // A full disk.
    if (std::filesystem::exists("/dev/full")) {
        std::ofstream full("/dev/full", std::ios::binary);
        ASSERT_TRUE(full.is_open());
        EXPECT_THROW(writer.WriteImage(full, image), EJpegError);
        std::ofstream fullSmall("/dev/full", std::ios::binary);
        EXPECT_THROW(writer.WriteImage(fullSmall, MakeSolid(2, 2, 1, 2, 3)), EJpegError);
    }
    std::ostringstream bad;
    bad.setstate(std::ios::failbit);
    EXPECT_THROW(writer.WriteImage(bad, image), EJpegError);
    // The writer stays usable.
    EXPECT_EQ(Encode(writer, image), whole);
}

// ---- progress ----

struct ProgressLog {
    std::vector<std::tuple<uint32_t, uint32_t, uint32_t>> calls; // pass, passes, percent
    size_t abortAt = SIZE_MAX;
};
ProgressLog* g_progress = nullptr;

void RecordProgress(ImageCoder*, uint32_t userData, uint32_t pass, uint32_t passes,
                    uint32_t percent, bool* abort) {
    EXPECT_EQ(userData, 77u);
    EXPECT_FALSE(*abort);
    g_progress->calls.emplace_back(pass, passes, percent);
    if (g_progress->calls.size() == g_progress->abortAt) {
        *abort = true;
    }
}

TEST(JpegImageWriterTest, ProgressAndAbort) {
    const RasterImage image = MakePhoto(40, 24);
    ProgressLog log;
    g_progress = &log;
    JpegImageWriter writer;
    writer.SetScan(0, 2, 63, 0);
    writer.SetScan(1, 12, 63, 0);
    writer.SetProgressFunction(RecordProgress, 77);
    const std::string whole = Encode(writer, image);
    // Passes 1 to 3 convert the components (3 block rows each), passes 4 and 5
    // code the two scans; every report names 5 passes.
    ASSERT_FALSE(log.calls.empty());
    // A scan's pass reports its statistics walk from 0 to 50 and then 100,
    // its coding walk from 50 to 100.
    const std::vector<std::tuple<uint32_t, uint32_t, uint32_t>> expected = {
        {1, 5, 33}, {1, 5, 66}, {1, 5, 99},  {2, 5, 33},  {2, 5, 66}, {2, 5, 99},  {3, 5, 33},
        {3, 5, 66}, {3, 5, 99}, {4, 5, 16},  {4, 5, 33},  {4, 5, 49}, {4, 5, 100}, {4, 5, 66},
        {4, 5, 83}, {4, 5, 99}, {4, 5, 100}, {5, 5, 16},  {5, 5, 33}, {5, 5, 49},  {5, 5, 100},
        {5, 5, 66}, {5, 5, 83}, {5, 5, 99},  {5, 5, 100},
    };
    EXPECT_EQ(log.calls, expected);

    // Aborting in the first scan's coding walk: the stream keeps the bytes
    // written so far, a prefix of the whole file.
    ProgressLog aborting;
    aborting.abortAt = 9 + 5;
    g_progress = &aborting;
    std::ostringstream out;
    try {
        writer.WriteImage(out, image);
        FAIL();
    } catch (const EJpegAbort& e) {
        EXPECT_STREQ(e.what(), "JPEG Aborted");
    }
    EXPECT_NE(out.str().find("\xFF\xDA"), std::string::npos);
    EXPECT_EQ(out.str(), whole.substr(0, out.str().size()));
    g_progress = nullptr;
    writer.SetProgressFunction(nullptr, 0);
    EXPECT_EQ(Encode(writer, image), whole);
}

} // namespace
} // namespace qm
