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
#include "tests/drawables/LinkLabelDiagram.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qm {
namespace {

class LinkLabelExportTest : public ::testing::Test, public test::LinkLabelDiagram {
  protected:
    LinkLabelExportTest() : tableScope(&table), settingsScope(&settings) {
        table.Init();
        CreateTemplate(notation, kInternalTemplateName);
        BuildDiagram(notation, project, model);
        MeasureLabels();
    }
    ~LinkLabelExportTest() override { model.Detach(nullptr); }

    QImage Export(const ImageLimits& limits, bool texts) {
        return WithTexts(texts, [&] {
            const std::string base = dir.filePath(texts ? "with" : "without").toStdString();
            ExportDiagramImage(&model, false, base, "png", limits);
            return QImage(QString::fromStdString(base + ".png"));
        });
    }

    FontFaceTable table;
    ScopedInstall<FontFaceTable> tableScope;
    FixedUserSettings settings{kDefaultOptions | ShowLinkCardinalities};
    ScopedInstall<const UserSettings> settingsScope;
    NotationTemplate notation;
    GuidMap project;
    CustomModel model{&project};
    QTemporaryDir dir;
};

TEST_F(LinkLabelExportTest, EveryLabelIsWholeAndInsideItsRectangleInThePng) {
    CRect bounds;
    model.GetBounds(bounds);
    const std::vector<Label> labels = Labels();
    const ImageLimits full{0, 0};
    const ImageLimits half{bounds.Width() / 2, 0};
    for (const ImageLimits& limits : {full, half}) {
        const ExportFrame frame = ComputeExportFrame(bounds, limits);
        SCOPED_TRACE(frame.scale);
        const QImage with = Export(limits, true);
        const QImage without = Export(limits, false);
        ASSERT_FALSE(with.isNull());
        ASSERT_EQ(with.size(), without.size());
        const Ink ink =
            InkOf(with, without, frame.scale, CPoint(frame.image.left, frame.image.top));
        EXPECT_EQ(ink.stray, 0);
        for (size_t i = 0; i < labels.size(); ++i) {
            SCOPED_TRACE(labels[i].text);
            EXPECT_GE(ink.spans[i], TextWidth(labels[i].text, frame.scale) * 8 / 10);
        }
    }
}

} // namespace
} // namespace qm
