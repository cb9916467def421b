// A named association with roles and multiplicities in an exported PNG: at
// full and at half scale its name and both end texts are drawn whole, each
// inside its label rectangle. The texts' pixels are found by exporting the
// same diagram once more without them.
#include "drawables/CustomModel.h"
#include "drawables/FontFaceTable.h"
#include "drawables/Link.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/TemplateFile.h"
#include "drawables/ToolModel.h"
#include "drawables/ZoomScaling.h"
#include "image/DiagramImageExport.h"
#include "model/GuidMap.h"
#include "model/Master.h"
#include "platform/PainterDC.h"
#include "platform/ScopedInstall.h"
#include "platform/UserSettings.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qm {
namespace {

class LinkLabelExportTest : public ::testing::Test {
  protected:
    LinkLabelExportTest() : tableScope(&table), settingsScope(&settings) {
        table.Init();
        CreateTemplate(notation, kInternalTemplateName);
        ToolModel* classTool = notation.GetTool(10);
        ToolModel* association = notation.GetTool(3);
        member.SetToolAndName(classTool, "Member", "");
        loan.SetToolAndName(classTool, "Loan", "");
        Place* from = AddPlace(&member, CRect(40, 100, 160, 160));
        Place* to = AddPlace(&loan, CRect(440, 100, 560, 160));
        auto owned = std::make_unique<Link>(&project);
        link = owned.get();
        link->Connect(3, association, from, to, 0);
        model.AddDrawable(std::move(owned));
        link->name = "borrows";
        link->sourceEnd = "member%%1";
        link->targetEnd = "loans%%0..*";
        CBitmap bitmap;
        bitmap.CreateBitmap(8, 8);
        PainterDC measure(bitmap);
        link->MeasureLabels(measure);
    }
    ~LinkLabelExportTest() override { model.Detach(nullptr); }

    Place* AddPlace(Master* master, const CRect& r) {
        auto owned = std::make_unique<Place>(&project);
        Place* p = owned.get();
        p->Setup(10, r, master, true);
        p->AddMasterReference();
        model.AddDrawable(std::move(owned));
        return p;
    }
    QImage Export(const ImageLimits& limits, bool texts) {
        const std::string name = link->name, source = link->sourceEnd, target = link->targetEnd;
        if (!texts) {
            link->name.clear();
            link->sourceEnd = link->targetEnd = "%%";
        }
        const std::string base = dir.filePath(texts ? "with" : "without").toStdString();
        ExportDiagramImage(&model, false, base, "png", limits);
        link->name = name;
        link->sourceEnd = source;
        link->targetEnd = target;
        return QImage(QString::fromStdString(base + ".png"));
    }
    int32_t TextWidth(const std::string& text, double zoom) {
        CBitmap bitmap;
        bitmap.CreateBitmap(8, 8);
        PainterDC dc(bitmap);
        CFont font;
        FontFaces().UpdateFont(font, link->looks, zoom);
        dc.SelectObject(font);
        return dc.GetTextExtent(text).cx;
    }

    FontFaceTable table;
    ScopedInstall<FontFaceTable> tableScope;
    FixedUserSettings settings{kDefaultOptions | ShowLinkCardinalities};
    ScopedInstall<const UserSettings> settingsScope;
    NotationTemplate notation;
    GuidMap project;
    CustomModel model{&project};
    Master member, loan;
    Link* link = nullptr;
    QTemporaryDir dir;
};

TEST_F(LinkLabelExportTest, EveryLabelIsWholeAndInsideItsRectangleInThePng) {
    CRect bounds;
    model.GetBounds(bounds);
    struct Label {
        std::string text;
        CRect rect;
    };
    const std::vector<Label> labels = {{"borrows", link->labelRect},
                                       {"member #1", link->sourceLabelRect},
                                       {"loans #0..*", link->targetLabelRect}};
    const ImageLimits full{0, 0};
    const ImageLimits half{bounds.Width() / 2, 0};
    for (const ImageLimits& limits : {full, half}) {
        const ExportFrame frame = ComputeExportFrame(bounds, limits);
        SCOPED_TRACE(frame.scale);
        const QImage with = Export(limits, true);
        const QImage without = Export(limits, false);
        ASSERT_FALSE(with.isNull());
        ASSERT_EQ(with.size(), without.size());
        std::vector<int> left(labels.size(), 1 << 30), right(labels.size(), -1);
        int stray = 0;
        for (int y = 0; y < with.height(); ++y) {
            for (int x = 0; x < with.width(); ++x) {
                if (with.pixel(x, y) == without.pixel(x, y))
                    continue;
                bool inside = false;
                for (size_t i = 0; i < labels.size(); ++i) {
                    CRect r = ScaleByZoom(labels[i].rect, frame.scale);
                    r.OffsetRect(-frame.image.left, -frame.image.top);
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
            EXPECT_GE(right[i] - left[i] + 1, TextWidth(labels[i].text, frame.scale) * 8 / 10);
        }
    }
}

} // namespace
} // namespace qm
