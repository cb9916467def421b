// RasterImage: sizing and padding, bottom-up row addressing, colour look-up
// and the exception texts of the image library.
#include "image/RasterImage.h"
#include "image/ImageCoder.h"
#include "image/ImageExceptions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

namespace qm {
namespace {

TEST(RasterImageTest, SetSizePadsRowsAndZeroesEverything) {
    struct Case {
        uint32_t colors, bits, width, height, rowWidth;
    };
    const Case cases[] = {
        {2, 1, 9, 3, 4},   {2, 1, 32, 1, 4},  {2, 1, 33, 1, 8},  {4, 2, 5, 2, 4},
        {16, 4, 9, 2, 8},  {256, 8, 5, 2, 8}, {0, 24, 5, 2, 16}, {0, 24, 4, 1, 12},
        {256, 8, 0, 0, 0}, {16, 4, 1, 1, 4},
    };
    for (const Case& c : cases) {
        RasterImage image;
        image.SetSize(c.colors, c.bits, c.width, c.height);
        SCOPED_TRACE(testing::Message() << c.bits << " bits, width " << c.width);
        EXPECT_EQ(image.GetRowWidth(), c.rowWidth);
        EXPECT_EQ(image.GetBitCount(), c.bits);
        EXPECT_EQ(image.GetWidth(), c.width);
        EXPECT_EQ(image.GetHeight(), c.height);
        EXPECT_EQ(image.GetColorCount(), c.colors);
        for (uint32_t r = 0; r < c.height; ++r) {
            for (uint32_t i = 0; i < c.rowWidth; ++i) {
                ASSERT_EQ(image.GetRow(r)[i], 0);
            }
        }
        for (uint32_t i = 0; i < c.colors; ++i) {
            const uint8_t* e = image.GetColorMapEntry(i);
            ASSERT_EQ(e[0] | e[1] | e[2], 0);
        }
    }
}

TEST(RasterImageTest, TwentyFourBitsHasNoColourMap) {
    RasterImage image;
    image.SetSize(0, 24, 5, 2);
    EXPECT_THROW(image.GetColorMapEntry(0), ESubscriptOutOfRange);
}

TEST(RasterImageTest, InvalidBitCountLeavesTheImageEmpty) {
    RasterImage image;
    image.SetSize(2, 1, 8, 8);
    for (uint32_t bits : {0u, 3u, 16u, 32u}) {
        EXPECT_THROW(image.SetSize(0, bits, 10, 10), EInvalidBitCount);
        EXPECT_EQ(image.GetWidth(), 0u);
        EXPECT_EQ(image.GetHeight(), 0u);
        EXPECT_EQ(image.GetBitCount(), 0u);
        EXPECT_EQ(image.GetColorCount(), 0u);
    }
    uint8_t r, g, b;
    EXPECT_THROW(image.GetRGB(0, 0, r, g, b), ESubscriptOutOfRange);
}

TEST(RasterImageTest, ARowTooWideForThirtyTwoBitsIsRefused) {
    RasterImage image;
    EXPECT_THROW(image.SetSize(0, 24, 0xFFFFFFFFu, 1), std::bad_alloc);
    EXPECT_EQ(image.GetWidth(), 0u);
}

TEST(RasterImageTest, RowsAreStoredBottomUp) {
    RasterImage image;
    image.SetSize(256, 8, 4, 3);
    EXPECT_EQ(image.GetRow(0), image.GetPixelData() + 2 * 4);
    EXPECT_EQ(image.GetRow(2), image.GetPixelData());
}

TEST(RasterImageTest, GetRGBUnpacksEveryDepth) {
    // Colour-map entry i is (blue i, green 2i, red 3i).
    auto fillMap = [](RasterImage& image) {
        for (uint32_t i = 0; i < image.GetColorCount(); ++i) {
            uint8_t* e = image.GetColorMapEntry(i);
            e[0] = static_cast<uint8_t>(i);
            e[1] = static_cast<uint8_t>(2 * i);
            e[2] = static_cast<uint8_t>(3 * i);
        }
    };
    struct Case {
        uint32_t bits;
        uint8_t firstByte;
        uint32_t column;
        uint32_t index;
    };
    const Case cases[] = {
        {1, 0x40, 1, 1}, {1, 0x40, 0, 0}, {1, 0x01, 7, 1},  {2, 0x1B, 0, 0},  {2, 0x1B, 1, 1},
        {2, 0x1B, 2, 2}, {2, 0x1B, 3, 3}, {4, 0xAB, 0, 10}, {4, 0xAB, 1, 11}, {8, 0xC8, 0, 200},
    };
    for (const Case& c : cases) {
        RasterImage image;
        image.SetSize(1u << c.bits, c.bits, 8, 2);
        fillMap(image);
        image.GetRow(1)[0] = c.firstByte;
        uint8_t r, g, b;
        image.GetRGB(1, c.column, r, g, b);
        SCOPED_TRACE(testing::Message() << c.bits << " bits, column " << c.column);
        EXPECT_EQ(b, static_cast<uint8_t>(c.index));
        EXPECT_EQ(g, static_cast<uint8_t>(2 * c.index));
        EXPECT_EQ(r, static_cast<uint8_t>(3 * c.index));
    }

    RasterImage rgb;
    rgb.SetSize(0, 24, 2, 1);
    const uint8_t pixels[] = {1, 2, 3, 4, 5, 6};
    std::memcpy(rgb.GetRow(0), pixels, sizeof pixels);
    uint8_t r, g, b;
    rgb.GetRGB(0, 1, r, g, b);
    EXPECT_EQ(r, 6);
    EXPECT_EQ(g, 5);
    EXPECT_EQ(b, 4);
}

TEST(RasterImageTest, GetRGBChecksThePositionAndTheColourMap) {
    RasterImage image;
    image.SetSize(256, 8, 4, 2);
    uint8_t r, g, b;
    EXPECT_THROW(image.GetRGB(0, 4, r, g, b), ESubscriptOutOfRange);
    EXPECT_THROW(image.GetRGB(2, 0, r, g, b), ESubscriptOutOfRange);
    EXPECT_NO_THROW(image.GetRGB(1, 3, r, g, b));

    // A colour map shorter than the depth can index is never read past.
    RasterImage shortMap;
    shortMap.SetSize(2, 8, 1, 1);
    shortMap.GetRow(0)[0] = 5;
    EXPECT_THROW(shortMap.GetRGB(0, 0, r, g, b), ESubscriptOutOfRange);
}

TEST(RasterImageTest, ExceptionTexts) {
    struct Case {
        std::string what;
        const char* text;
    };
    const Case cases[] = {
        {EInvalidBitCount().what(), "Invalid bit count"},
        {ESubscriptOutOfRange().what(), "Subscript out of range"},
        {EGraphicsAbort().what(), "Abort"},
        {EBmpFileReadError().what(), "Error reading BMP input file"},
        {EBmpNotABmpFile().what(), "Not a Windows Bitmap stream"},
        {EBmpCorruptFile().what(), "Corrupt Windows Bitmap stream"},
        {EBmpNotSupported().what(), "Unsupported Bitmap Format"},
        {EJpegValueOutOfRange().what(), "Value out of range"},
        {EJpegIndexOutOfRange().what(), "Index out of range"},
        {EJpegAbort().what(), "JPEG Aborted"},
        {EPngError("tEXt Value Too Long").what(), "tEXt Value Too Long"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.what, c.text);
    }
    // The JPEG errors share their own base, and all derive from logic_error.
    EXPECT_THROW(throw EJpegBadOutputParameter("bad"), EJpegError);
    EXPECT_THROW(throw EJpegValueOutOfRange(), EJpegError);
    EXPECT_THROW(throw EJpegFatal("fatal"), std::logic_error);
    EXPECT_THROW(throw EBmpCorruptFile(), EGraphicsException);
}

class CountingEncoder : public ImageEncoder {
  public:
    void WriteImage(std::ostream&, const RasterImage&) override {
        aborted = CallProgressFunction(2, 3, 50);
    }
    bool aborted = false;
};

TEST(ImageCoderTest, ProgressCallbackSeesItsArgumentsAndMaySetAbort) {
    CountingEncoder encoder;
    RasterImage image;
    std::ostringstream out;
    encoder.WriteImage(out, image);
    EXPECT_FALSE(encoder.aborted);

    static uint32_t seen[4];
    encoder.SetProgressFunction(
        [](ImageCoder*, uint32_t user, uint32_t pass, uint32_t passes, uint32_t percent,
           bool* abort) {
            seen[0] = user;
            seen[1] = pass;
            seen[2] = passes;
            seen[3] = percent;
            EXPECT_FALSE(*abort);
            *abort = true;
        },
        77);
    encoder.WriteImage(out, image);
    EXPECT_TRUE(encoder.aborted);
    EXPECT_EQ(seen[0], 77u);
    EXPECT_EQ(seen[1], 2u);
    EXPECT_EQ(seen[2], 3u);
    EXPECT_EQ(seen[3], 50u);
}

} // namespace
} // namespace qm
