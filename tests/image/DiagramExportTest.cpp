// The diagram export: the frame and scale under the image limits, the DIB
// layout, JPEG and PNG files that Qt decodes, a user's own P.bmp left alone,
// failures that leave no file, and the conversions on their own.
#include "image/DiagramImageExport.h"

#include "drawables/CustomModel.h"
#include "drawables/FontFaceTable.h"
#include "drawables/Primitives.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "model/GuidMap.h"
#include "platform/Errors.h"
#include "platform/PainterDC.h"
#include "platform/ScopedInstall.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace qm {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

uint32_t U32(const std::string& bytes, size_t at) {
    return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
           uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
}

uint16_t U16(const std::string& bytes, size_t at) {
    return uint16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8);
}

TEST(ExportFrame, TheLimitsScaleTheDrawingAndTheMarginIsFour) {
    struct Case {
        CRect bounds;
        ImageLimits limits;
        double scale;
        CRect image;
    } cases[] = {
        {{0, 0, 100, 50}, {1000, 1000}, 1.0, {-4, -4, 104, 54}},
        {{10, 20, 2010, 520}, {1000, 1000}, 0.5, {1, 6, 1009, 264}},
        {{0, 0, 3000, 100}, {0, -5}, 1.0, {-4, -4, 3004, 104}}, // no limits
        {{0, 0, 100, 3000}, {1000, 1500}, 0.5, {-4, -4, 54, 1504}},
    };
    for (const Case& c : cases) {
        const ExportFrame frame = ComputeExportFrame(c.bounds, c.limits);
        EXPECT_DOUBLE_EQ(frame.scale, c.scale);
        EXPECT_EQ(frame.image, c.image) << frame.image.left << " " << frame.image.top << " "
                                        << frame.image.right << " " << frame.image.bottom;
    }
    // 100 x 50 is drawn at 1.0 into 108 x 58 pixels.
    const ExportFrame small = ComputeExportFrame(CRect(0, 0, 100, 50), {1000, 1000});
    EXPECT_EQ(small.image.Width(), 108);
    EXPECT_EQ(small.image.Height(), 58);
}

class DiagramExportTest : public ::testing::Test {
  protected:
    DiagramExportTest() : tableScope(&table) {
        kest::initkernel();
        SetGuidStoreMode(GuidNoStore);
        table.Init();
        auto box = std::make_unique<BoxPrimitive>(&project);
        box->SetFrame(TkRectangle, CRect(0, 0, 100, 50));
        box->looks.fillColor = 12; // blue
        model.AddDrawable(std::move(box));
        base = dir.filePath("diagram").toStdString();
    }
    ~DiagramExportTest() override { model.Detach(nullptr); }

    FontFaceTable table;
    ScopedInstall<FontFaceTable> tableScope;
    GuidMap project;
    CustomModel model{&project};
    QTemporaryDir dir;
    std::string base;
};

TEST_F(DiagramExportTest, BmpLeavesADibOfTheDrawingOnWhite) {
    ExportDiagramImage(&model, false, base, "bmp", {1000, 1000});
    const std::string bytes = ReadAll(base + ".bmp");
    ASSERT_GE(bytes.size(), 54u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(U32(bytes, 2), bytes.size());
    EXPECT_EQ(U32(bytes, 6), 0u);
    EXPECT_EQ(U32(bytes, 10), 54u) << "no colour table";
    EXPECT_EQ(U32(bytes, 14), 40u);
    EXPECT_EQ(U32(bytes, 18), 108u);
    EXPECT_EQ(U32(bytes, 22), 58u) << "positive: bottom-up";
    EXPECT_EQ(U16(bytes, 26), 1u);
    EXPECT_EQ(U16(bytes, 28), 24u) << "a 32-bit screen stores 24 bits";
    EXPECT_EQ(U32(bytes, 30), 0u);
    const uint32_t rowBytes = (108 * 3 + 3) & ~3u;
    EXPECT_EQ(U32(bytes, 34), rowBytes * 58);
    for (size_t at : {38u, 42u, 46u, 50u})
        EXPECT_EQ(U32(bytes, at), 0u);
    EXPECT_EQ(bytes.size(), 54u + rowBytes * 58);

    QImage image(QString::fromStdString(base + ".bmp"));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(1, 1), qRgb(255, 255, 255)) << "the margin is white";
    EXPECT_EQ(image.pixel(50, 30), qRgb(0, 0, 255)) << "inside the box";
    EXPECT_EQ(model.zoom, 1.0);
}

TEST_F(DiagramExportTest, JpegAndPngAreDecodableAndAUsersBmpIsUntouched) {
    std::ofstream(base + ".bmp") << "the user's own file";
    for (const char* format : {"jpg", "png"}) {
        ExportDiagramImage(&model, false, base, format, {1000, 1000});
        QImage image(QString::fromStdString(base + "." + format));
        ASSERT_FALSE(image.isNull()) << format;
        EXPECT_EQ(image.width(), 108);
        EXPECT_EQ(image.height(), 58);
        const QRgb inside = image.pixel(50, 30);
        EXPECT_LT(qRed(inside), 40) << format;
        EXPECT_GT(qBlue(inside), 200) << format;
    }
    EXPECT_EQ(ReadAll(base + ".bmp"), "the user's own file");
    // Nothing else is left beside the results.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir.path().toStdString())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 3);
}

// JPEG and PNG are encoded from the drawn picture without a DIB file between:
// the files are byte for byte those converted from the BMP export of the same
// drawing, at full size and scaled down.
TEST_F(DiagramExportTest, JpegAndPngAreTheBmpExportsPictureEncoded) {
    auto text = std::make_unique<TextPrimitive>(&project);
    text->SetFrame(TkText, CRect(10, 60, 300, 90));
    text->text = "Full-size export";
    model.AddDrawable(std::move(text));
    for (const ImageLimits limits : {ImageLimits{1000, 1000}, ImageLimits{150, 1000}}) {
        ExportDiagramImage(&model, false, base, "bmp", limits);
        const std::string dib = dir.filePath("converted.bmp").toStdString();
        fs::rename(base + ".bmp", dib);
        for (const char* format : {"jpg", "png"}) {
            ExportDiagramImage(&model, false, base, format, limits);
            const std::string converted = dir.filePath("converted.").toStdString() + format;
            ASSERT_EQ(std::string(format) == "jpg" ? ConvertBmpToJpeg(dib) : ConvertBmpToPng(dib),
                      0);
            const std::string direct = ReadAll(base + "." + format);
            EXPECT_FALSE(direct.empty());
            EXPECT_EQ(direct, ReadAll(converted)) << format << " at " << limits.maxWidth;
        }
    }
}

TEST_F(DiagramExportTest, AFolderThatCannotBeWrittenReportsAndLeavesNoFile) {
    // A "folder" that is a plain file cannot take files, whoever runs the test.
    const std::string notAFolder = dir.filePath("plain").toStdString();
    std::ofstream(notAFolder) << "x";
    for (const char* format : {"bmp", "jpg", "png"}) {
        try {
            ExportDiagramImage(&model, false, notAFolder + "/diagram", format, {1000, 1000});
            ADD_FAILURE() << format << " did not fail";
        } catch (const CKestException& e) {
            EXPECT_EQ(e.Message(), "Failed to open image file") << format;
        }
    }
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir.path().toStdString())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1) << "only the plain file";
}

TEST_F(DiagramExportTest, NullModelsAndOtherFormatsDoNothing) {
    EXPECT_NO_THROW(ExportDiagramImage(nullptr, false, base, "png", {1000, 1000}));
    EXPECT_NO_THROW(ExportDiagramImage(&model, false, base, "gif", {1000, 1000}));
    EXPECT_TRUE(fs::is_empty(dir.path().toStdString()));
}

TEST_F(DiagramExportTest, TheSelectionIsFramedByItsOwnBounds) {
    auto other = std::make_unique<BoxPrimitive>(&project);
    other->SetFrame(TkRectangle, CRect(500, 500, 540, 520));
    Drawable* chosen = model.AddDrawable(std::move(other));
    model.Select(chosen, 1, 0, 0);
    ExportDiagramImage(&model, true, base, "png", {1000, 1000});
    QImage image(QString::fromStdString(base + ".png"));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 48);
    EXPECT_EQ(image.height(), 28);
}

TEST_F(DiagramExportTest, SaveDibFileAndTheConversionsReportTheirFailures) {
    ImageDC dc(16, 8);
    // A 16-colour device: 4 bits with a 16-entry colour table.
    SaveDibFile(dc, 16, 8, 16, 4, base + ".bmp");
    const std::string bytes = ReadAll(base + ".bmp");
    EXPECT_EQ(U16(bytes, 28), 4u);
    EXPECT_EQ(U32(bytes, 10), 54u + 64u);
    EXPECT_FALSE(QImage(QString::fromStdString(base + ".bmp")).isNull());

    try {
        SaveDibFile(dc, 16, 8, 0, 12, base + "-odd.bmp");
        ADD_FAILURE();
    } catch (const CKestException& e) {
        EXPECT_EQ(e.Message().rfind("Unsupported color depth...", 0), 0u);
    }
    EXPECT_FALSE(fs::exists(base + "-odd.bmp"));

    EXPECT_EQ(ConvertBmpToPng(base + ".bmp"), 0);
    EXPECT_FALSE(QImage(QString::fromStdString(base + ".png")).isNull());
    EXPECT_EQ(ConvertBmpToJpeg(base + ".bmp"), 0);
    EXPECT_FALSE(QImage(QString::fromStdString(base + ".jpg")).isNull());

    // Not a bitmap: the conversion fails and leaves no output.
    std::ofstream(base + "-bad.bmp") << "not a bitmap";
    EXPECT_EQ(ConvertBmpToPng(base + "-bad.bmp"), 1);
    EXPECT_FALSE(fs::exists(base + "-bad.png"));
    EXPECT_EQ(ConvertBmpToJpeg(base + "-missing.bmp"), 1);
    EXPECT_FALSE(fs::exists(base + "-missing.jpg"));
}

TEST(WriteFileChecked, AShortWriteIsAFailure) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[0]);
    signal(SIGPIPE, SIG_IGN);
    const char data[] = "abc";
    EXPECT_FALSE(WriteFileChecked(fds[1], data, 3));
    close(fds[1]);
    EXPECT_FALSE(WriteFileChecked(-1, data, 3));
}

} // namespace
} // namespace qm
