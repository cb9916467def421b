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

#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sstream>

namespace qm::test {
namespace {

const double kZooms[] = {0.5, 1.0, 2.0};

class LinkLabelTest : public DrawableTest {
  protected:
    LinkLabelTest() : settingsScope(&settings) {
        CreateTemplate(notation, QM_NOTATIONS_DIR "/UML2.1.not");
        ToolModel* classTool = notation.GetTool(10);
        ToolModel* association = notation.GetTool(3);
        model = CreateModelOfKind(&project, &notation, 11);
        member.SetToolAndName(classTool, "Member", "");
        loan.SetToolAndName(classTool, "Loan", "");
        Place* from = AddPlace(&member, CRect(40, 100, 160, 160));
        Place* to = AddPlace(&loan, CRect(440, 100, 560, 160));
        auto owned = std::make_unique<Link>(&project);
        link = owned.get();
        link->Connect(3, association, from, to, 0);
        model->AddDrawable(std::move(owned));
        link->name = "borrows";
        link->sourceEnd = "member%%1";
        link->targetEnd = "loans%%0..*";
    }
    ~LinkLabelTest() override { model->Detach(&scope); }

    Place* AddPlace(Master* master, const CRect& r) {
        auto owned = std::make_unique<Place>(&project);
        Place* p = owned.get();
        p->Setup(10, r, master, true);
        p->AddMasterReference();
        model->AddDrawable(std::move(owned));
        return p;
    }
    // The three labels and their texts as drawn.
    struct Label {
        std::string text;
        CRect rect;
    };
    std::vector<Label> Labels() const {
        return {{"borrows", link->labelRect},
                {"member #1", link->sourceLabelRect},
                {"loans #0..*", link->targetLabelRect}};
    }
    // What the link's texts leave on an image: the drawing with the texts
    // compared with the same drawing without them.
    QImage Render(double zoom, bool texts) {
        const std::string name = link->name, source = link->sourceEnd, target = link->targetEnd;
        if (!texts) {
            link->name.clear();
            link->sourceEnd = link->targetEnd = "%%";
        }
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
        link->name = name;
        link->sourceEnd = source;
        link->targetEnd = target;
        return bitmap.Image()->copy();
    }
    // The width of text in the label font at zoom on a painter's context.
    int32_t TextWidth(const std::string& text, double zoom) {
        CBitmap bitmap;
        bitmap.CreateBitmap(8, 8);
        PainterDC dc(bitmap);
        CFont font;
        FontFaces().UpdateFont(font, link->looks, zoom);
        dc.SelectObject(font);
        return dc.GetTextExtent(text).cx;
    }

    FixedUserSettings settings{kDefaultOptions | ShowLinkCardinalities};
    ScopedInstall<const UserSettings> settingsScope;
    NotationTemplate notation;
    std::unique_ptr<Model> model;
    Master member, loan;
    Link* link = nullptr;
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
    {
        CBitmap bitmap;
        bitmap.CreateBitmap(8, 8);
        PainterDC measure(bitmap);
        link->MeasureLabels(measure);
    }
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
        std::vector<int> left(labels.size(), 1 << 30), right(labels.size(), -1);
        int stray = 0;
        for (int y = 0; y < with.height(); ++y) {
            for (int x = 0; x < with.width(); ++x) {
                if (with.pixel(x, y) == without.pixel(x, y))
                    continue;
                bool inside = false;
                for (size_t i = 0; i < labels.size(); ++i) {
                    CRect r = ScaleByZoom(labels[i].rect, zoom);
                    r.InflateRect(1, 1);
                    if (r.PtInRect(CPoint(x, y))) {
                        inside = true;
                        left[i] = std::min(left[i], x);
                        right[i] = std::max(right[i], x);
                    }
                }
                stray += inside ? 0 : 1;
            }
        }
        EXPECT_EQ(stray, 0);
        for (size_t i = 0; i < labels.size(); ++i) {
            SCOPED_TRACE(labels[i].text);
            const int32_t expected = TextWidth(labels[i].text, zoom);
            EXPECT_GE(right[i] - left[i] + 1, expected * 8 / 10);
            EXPECT_LE(expected, ScaleByZoom(labels[i].rect, zoom).Width());
        }
    }
}

TEST_F(LinkLabelTest, APrintedPdfHoldsEveryLabelWhole) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is needed to read the PDF";
    {
        CBitmap bitmap;
        bitmap.CreateBitmap(8, 8);
        PainterDC measure(bitmap);
        link->MeasureLabels(measure);
    }
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
