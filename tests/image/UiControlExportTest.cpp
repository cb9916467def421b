// A dialog mock-up of every form-design control kind (the project fixture's
// diagram) exported as PNG: the picture decodes, and where each control
// stands it is not blank; the window's caption bar, its face and a white
// field show in the fixed system colours.
#include "drawables/CustomModel.h"
#include "drawables/FontFaceTable.h"
#include "drawables/UiControl.h"
#include "image/DiagramImageExport.h"
#include "kernel/Kernel.h"
#include "kernel/Predefined.h"
#include "model/Guid.h"
#include "model/GuidMap.h"
#include "platform/Files.h"
#include "platform/ScopedInstall.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace qm {
namespace {

class UiControlExportTest : public ::testing::Test {
  protected:
    UiControlExportTest() : tableScope(&table) {
        kest::initkernel();
        SetGuidStoreMode(GuidNoStore);
        table.Init();
    }
    ~UiControlExportTest() override { model.Detach(&scope); }

    // Reads the fixture project's diagram into the model.
    void ReadDialog() {
        const std::string text =
            ReadWholeFile(QM_FIXTURES "/document/every_control.pro", 1 << 20).value_or("");
        ASSERT_FALSE(text.empty());
        kest::LocalChannel channel(text, kest::ChanRead);
        for (kest::Cell* value = kest::readexpr(channel.get()); kest::ispair(value);
             value = kest::readexpr(channel.get())) {
            if (kest::car(value) != kest::sym::customModel)
                continue;
            model.Persist(nullptr, &scope, value);
            model.ResolveRefs(nullptr, &scope, false);
        }
        ASSERT_EQ(model.Drawables().size(), 1u);
    }

    FontFaceTable table;
    ScopedInstall<FontFaceTable> tableScope;
    GuidMap project;
    GuidScope scope{&project, nullptr, &project};
    CustomModel model{nullptr};
    QTemporaryDir dir;
};

// The pixels of the rectangle (model units) that are not white.
int InkIn(const QImage& image, const CRect& rect, CPoint origin) {
    int ink = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            if (image.pixel(x - origin.x, y - origin.y) != qRgb(255, 255, 255))
                ++ink;
        }
    }
    return ink;
}

QRgb Pixel(const QImage& image, CPoint at, CPoint origin) {
    return image.pixel(at.x - origin.x, at.y - origin.y);
}

TEST_F(UiControlExportTest, EveryControlOfTheDialogShowsInThePng) {
    ReadDialog();
    const std::string base = dir.filePath("dialog").toStdString();
    ExportDiagramImage(&model, false, base, "png", {1000, 1000});
    const QImage image(QString::fromStdString(base + ".png"));
    ASSERT_FALSE(image.isNull());
    CRect drawn;
    model.GetBounds(drawn);
    const ExportFrame frame = ComputeExportFrame(drawn, {1000, 1000});
    ASSERT_EQ(frame.scale, 1.0);
    const CPoint origin = frame.image.TopLeft();
    ASSERT_EQ(image.width(), frame.image.Width());

    int controls = 0;
    std::function<void(const Drawable&)> check = [&](const Drawable& d) {
        ++controls;
        const auto* control = dynamic_cast<const UiControlPlace*>(&d);
        ASSERT_NE(control, nullptr);
        EXPECT_GT(InkIn(image, d.bounds, origin), d.bounds.Width()) << control->name;
        // A list box shows its members as header cells, not as themselves.
        if (dynamic_cast<const UiListBoxControl*>(&d) != nullptr)
            return;
        if (const auto* group = dynamic_cast<const UiGroupBoxControl*>(&d)) {
            for (const auto& member : group->Members())
                check(*member);
        }
    };
    auto* window = dynamic_cast<UiWindowControl*>(model.Drawables().front().get());
    ASSERT_NE(window, nullptr);
    check(*window);
    EXPECT_EQ(controls, 13);

    // The caption bar, the window's face and the white of a field.
    const CRect& w = window->bounds;
    EXPECT_EQ(Pixel(image, {w.left + 200, w.top + 4}, origin), qRgb(0, 0, 0x80));
    EXPECT_EQ(Pixel(image, {w.left + 10, w.bottom - 10}, origin), qRgb(0xC0, 0xC0, 0xC0));
    for (const auto& member : window->Members()) {
        if (const auto* list = dynamic_cast<const UiListBoxControl*>(member.get())) {
            const CPoint inside(list->bounds.left + 10, list->bounds.bottom - 10);
            EXPECT_EQ(Pixel(image, inside, origin), qRgb(255, 255, 255));
        }
    }
}

} // namespace
} // namespace qm
