// Icon editing of a tool's icon in the template's strip: one pixel changes
// only that pixel and one "Icon Edit" undoes it; shapes stay inside the
// tool's column; Ctrl paints colour code 16; the pointer paints nothing.
// Colour codes reach the strip through the colour table.
#include "drawables/NotationTemplate.h"
#include "drawables/ToolModel.h"
#include "platform/Colors.h"
#include "tests/editor/OpFixture.h"

namespace qm {
namespace {

using test::OperationTest;

class OpIconTest : public OperationTest {
  protected:
    OpIconTest() {
        tool = doc->FindTool(10);
        tool->SetIconEditing(true);
        model = tool;
        context.model = tool;
        context.zoom = 1.0;
        journal().Reset();
    }
    ToolBitmap& Strip() { return *doc->IconStripOf(*tool); }
    // A stroke through icon pixels (client points at their cells' centres).
    void Paint(int paintTool, const std::vector<CPoint>& pixels) {
        host.SetCurrentTool(paintTool);
        op = MakeIconEditOperation(context);
        ASSERT_NE(op, nullptr);
        auto at = [&](CPoint p) {
            PointerEvent event;
            event.clientPoint = CPoint(p.x * kIconCellSize + 5, p.y * kIconCellSize + 5);
            return event;
        };
        op->Begin(context, at(pixels.front()));
        for (size_t i = 1; i < pixels.size(); ++i)
            op->Track(context, at(pixels[i]));
        op->End(context, at(pixels.back()), false);
        op.reset();
    }
    int32_t Column() const { return tool->iconSlot * kIconWidth; }
    // The colour of the strip's pixel (x, y).
    COLORREF ColourAt(int32_t x, int32_t y) { return Strip().Colour(Strip().PixelAt(x, y)); }

    // The table colour code 16 is painted in: the entry nearest its colour.
    COLORREF ColourOfCode16() {
        const COLORREF wanted = ColorFromCode(kColorCodeSystem);
        COLORREF best = Strip().Colour(0);
        auto distance = [](COLORREF a, COLORREF b) {
            int64_t sum = 0;
            for (int shift = 0; shift <= 16; shift += 8) {
                const int64_t d = int64_t((a >> shift) & 0xFF) - int64_t((b >> shift) & 0xFF);
                sum += d * d;
            }
            return sum;
        };
        for (int i = 0; i < ToolBitmap::kColours; ++i)
            if (distance(Strip().Colour(i), wanted) < distance(best, wanted))
                best = Strip().Colour(i);
        return best;
    }

    ToolModel* tool = nullptr;
};

TEST_F(OpIconTest, OnePixelChangesOnlyThatPixelAndUndoesWithOneEntry) {
    ASSERT_NE(tool, nullptr);
    Looks looks = host.CurrentLooks();
    const std::vector<uint8_t> before = Strip().Pixels();
    const uint8_t colour = uint8_t(looks.lineColor == 9 ? 10 : 9);
    // The looks' line colour code is the pen: set it through a fresh host.
    struct Host : NullEditorHost {
        const Looks& CurrentLooks() const override { return looks; }
        Looks looks;
    } painting;
    painting.looks.lineColor = colour;
    context.host = &painting;
    painting.SetCurrentTool(27);
    op = MakeIconEditOperation(context);
    PointerEvent event;
    event.clientPoint = CPoint(3 * kIconCellSize + 5, 4 * kIconCellSize + 5);
    op->Begin(context, event);
    op->End(context, event, false);
    std::vector<uint8_t> after = Strip().Pixels();
    const size_t at = size_t(4 * Strip().Width() + Column() + 3);
    EXPECT_EQ(ColourAt(Column() + 3, 4), ColorFromCode(colour));
    after[at] = before[at];
    EXPECT_EQ(after, before) << "only that pixel changed";
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Icon Edit"});
    ASSERT_TRUE(Undo());
    EXPECT_EQ(Strip().Pixels(), before);
}

TEST_F(OpIconTest, ShapesStayInTheToolsColumnAndCtrlPaintsColour16) {
    const std::vector<uint8_t> before = Strip().Pixels();
    context.flags = MK_CONTROL;
    Paint(29, {CPoint(0, 0), CPoint(40, 40)});
    for (int32_t y = 0; y < Strip().Height(); ++y) {
        for (int32_t x = 0; x < Strip().Width(); ++x) {
            const size_t i = size_t(y * Strip().Width() + x);
            if (x < Column() || x >= Column() + kIconWidth || y >= kIconHeight) {
                ASSERT_EQ(Strip().Pixels()[i], before[i]) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(ColourAt(Column(), 0), ColourOfCode16());
}

TEST_F(OpIconTest, RectangleMovedBackAndForthLeavesOnlyTheLast) {
    const uint8_t untouched = Strip().PixelAt(Column() + 11, 11);
    context.flags = MK_CONTROL;
    Paint(29, {CPoint(2, 2), CPoint(12, 12), CPoint(6, 6)});
    EXPECT_EQ(ColourAt(Column() + 2, 2), ColourOfCode16());
    EXPECT_EQ(Strip().PixelAt(Column() + 11, 11), untouched) << "the larger rectangle was wiped";
}

TEST_F(OpIconTest, ThePointerPaintsNothingAndRecordsNothing) {
    const std::vector<uint8_t> before = Strip().Pixels();
    Paint(24, {CPoint(2, 2), CPoint(8, 8)});
    EXPECT_EQ(Strip().Pixels(), before);
    EXPECT_TRUE(journal().Records().empty());
}

} // namespace
} // namespace qm
