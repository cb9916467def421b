// A named association with roles and multiplicities, drawn with the shipped
// notation: its name and both end texts are measured to their texts and drawn
// whole, each inside its label rectangle, at every zoom, on a recording
// device, in pixels as the view and the image export draw them, and in a
// printed PDF read back as text.
#include "drawables/DrawingSwitches.h"
#include "drawables/FontFaceTable.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/ModelPrinting.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/TemplateFile.h"
#include "drawables/ToolModel.h"
#include "drawables/ZoomScaling.h"
#include "platform/PagedDevice.h"
#include "platform/PainterDC.h"
#include "platform/RecordingDC.h"
#include "platform/UserSettings.h"
#include "tests/drawables/DrawableFixture.h"
#include "tests/drawables/LinkLabelDiagram.h"

#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sstream>

namespace qm::test {
namespace {

const double kZooms[] = {0.5, 1.0, 2.0};

class LinkLabelTest : public DrawableTest, public LinkLabelDiagram {
  protected:
    LinkLabelTest() : settingsScope(&settings) {
        CreateTemplate(notation, QM_NOTATIONS_DIR "/UML2.1.not");
        model = CreateModelOfKind(&project, &notation, 11);
        BuildDiagram(notation, project, *model);
    }
    ~LinkLabelTest() override { model->Detach(&scope); }

    // What the link's texts leave on an image: the drawing with the texts
    // compared with the same drawing without them.
    QImage Render(double zoom, bool texts) {
        return WithTexts(texts, [&] {
            CBitmap bitmap;
            bitmap.CreateBitmap(int32_t(640 * zoom), int32_t(260 * zoom));
            {
                PainterDC dc(bitmap);
                dc.FillSolidRect(CRect(0, 0, int32_t(640 * zoom), int32_t(260 * zoom)),
                                 RGB(255, 255, 255));
                model->SetZoom(zoom);
                model->Draw(dc, false);
                model->SetZoom(1.0);
            }
            return bitmap.Image()->copy();
        });
    }

    FixedUserSettings settings{kDefaultOptions | ShowLinkCardinalities};
    ScopedInstall<const UserSettings> settingsScope;
    NotationTemplate notation;
    std::unique_ptr<Model> model;
};

TEST_F(LinkLabelTest, TheRecordedDrawingShowsEveryLabelWholeInsideItsRectangle) {
    RecordingDC dc;
    // The old label box of the tool is 20 units wide, too small for any of
    // the texts; measuring gives each label its text's room.
    EXPECT_EQ(link->labelRect.Width(), 20);
    link->MeasureLabels(dc);
    for (const Label& label : Labels()) {
        SCOPED_TRACE(label.text);
        // The recording context measures 6 units a character at 12 high.
        EXPECT_GE(label.rect.Width(), int32_t(label.text.size()) * 6 + 2);
        EXPECT_GE(label.rect.Height(), 12);
    }
    for (double zoom : kZooms) {
        SCOPED_TRACE(zoom);
        dc.Clear();
        link->Draw(dc, nullptr, zoom, nullptr, nullptr, 0);
        std::vector<std::string> drawn;
        for (const std::string& call : dc.CallsNamed("DrawText")) {
            const size_t close = call.rfind("\" ");
            const std::string text = call.substr(10, close - 10);
            drawn.push_back(text);
            std::istringstream in(call.substr(close + 2));
            CRect box;
            in >> box.left >> box.top >> box.right >> box.bottom;
            // The character width of the font the call drew with.
            const size_t at = call.find("font=");
            const int height = std::abs(std::atoi(call.c_str() + call.find('/', at) + 1));
            for (const Label& label : Labels()) {
                if (label.text != text)
                    continue;
                const CRect scaled = ScaleByZoom(label.rect, zoom);
                EXPECT_TRUE(box.left >= scaled.left && box.right <= scaled.right &&
                            box.top >= scaled.top && box.bottom <= scaled.bottom)
                    << text << " in " << box.left << " " << box.top << " " << box.right << " "
                    << box.bottom << " label " << scaled.left << " " << scaled.top << " "
                    << scaled.right << " " << scaled.bottom;
                EXPECT_LT(int32_t(text.size()) * (height / 2), box.Width()) << text;
            }
        }
        std::sort(drawn.begin(), drawn.end());
        EXPECT_EQ(drawn, (std::vector<std::string>{"borrows", "loans #0..*", "member #1"}));
    }
    // With the option off the end texts are not drawn.
    settings.SetOptionWord(kDefaultOptions & ~uint32_t(ShowLinkCardinalities));
    dc.Clear();
    link->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    EXPECT_EQ(dc.CallsNamed("DrawText").size(), 1u);
}

TEST_F(LinkLabelTest, OnScreenEveryLabelIsWholeAndInsideItsRectangleAtEveryZoom) {
    MeasureLabels();
    for (double zoom : kZooms) {
        SCOPED_TRACE(zoom);
        const QImage with = Render(zoom, true);
        const QImage without = Render(zoom, false);
        if (const char* dump = std::getenv("QM_DUMP_LINK_LABELS"))
            with.save(
                QString::fromStdString(std::string(dump) + "-" + std::to_string(zoom) + ".png"));
        // Every pixel the texts change lies in one of the label rectangles;
        // each text's ink spans nearly its whole measured width (a text cut
        // to a few characters spans far less).
        const std::vector<Label> labels = Labels();
        const Ink ink = InkOf(with, without, zoom, CPoint(0, 0));
        EXPECT_EQ(ink.stray, 0);
        for (size_t i = 0; i < labels.size(); ++i) {
            SCOPED_TRACE(labels[i].text);
            const int32_t expected = TextWidth(labels[i].text, zoom);
            EXPECT_GE(ink.spans[i], expected * 8 / 10);
            EXPECT_LE(expected, ScaleByZoom(labels[i].rect, zoom).Width());
        }
    }
}

TEST_F(LinkLabelTest, APrintedPdfHoldsEveryLabelWhole) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is needed to read the PDF";
    MeasureLabels();
    QTemporaryDir dir;
    for (double zoom : kZooms) {
        SCOPED_TRACE(zoom);
        const std::string path = dir.filePath("labels.pdf").toStdString();
        model->BestPageMatrix(2000, 2000);
        {
            PdfPagedDevice device(path);
            ASSERT_TRUE(device.IsOpen());
            int page = 1;
            ScopedDrawingSwitch printing(DrawingSwitch::Printing);
            model->PrintPages(PrintJob{"Library", nullptr}, device, 0, page, 2000, 2000, zoom);
        }
        QProcess process;
        process.start("pdftotext", {QString::fromStdString(path), "-"});
        ASSERT_TRUE(process.waitForFinished(30000));
        const std::string text = process.readAllStandardOutput().toStdString();
        for (const char* label : {"borrows", "member #1", "loans #0..*"})
            EXPECT_NE(text.find(label), std::string::npos) << label << " in\n" << text;
    }
}

} // namespace
} // namespace qm::test
