// Icon editing: painting a tool's 16 x 15 icon in the template's strip with
// the mouse, one icon pixel shown as 11 x 11 units. Each stroke paints one
// shape of the current tool (line, free-hand poly-line, rectangle, round
// rectangle, ellipse, icon box) with the current looks: the pen of its line
// kind (dashes, width) in the colour of its line colour code, the fill in
// the colour of its fill code (17 hollow), or both in code 16 with Ctrl
// held. The shape is drawn as a device context draws it and each pixel it
// covers takes the strip's colour-table entry of its colour (the nearest
// entry when the table lacks it). Painting never leaves the tool's column,
// and each stroke records one "Icon Edit".
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/Looks.h"
#include "drawables/NotationTemplate.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/ToolModel.h"
#include "editor/EditorHost.h"
#include "editor/operations/CursorIds.h"
#include "editor/operations/EditOperation.h"
#include "editor/operations/OperationSupport.h"
#include "platform/Colors.h"
#include "platform/PainterDC.h"

#include <algorithm>
#include <cstdlib>

namespace qm {

namespace {

constexpr int kCursorPaint = CurCrossHair;
constexpr int kCursorFreeHand = CurFreeHand;
constexpr int kCursorCtrl = CurWillDelete;
constexpr uint32_t kCtrlColour = kColorCodeSystem;

// The strip's colour-table entry of colour: the first entry of exactly that
// colour, else the nearest one (the least sum of squared differences).
uint8_t TableIndexOf(const ToolBitmap& strip, COLORREF colour) {
    int best = 0;
    int64_t bestDistance = -1;
    for (int i = 0; i < ToolBitmap::kColours; ++i) {
        const COLORREF entry = strip.Colour(i);
        int64_t distance = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            const int64_t d = int64_t((entry >> shift) & 0xFF) - int64_t((colour >> shift) & 0xFF);
            distance += d * d;
        }
        if (distance == 0)
            return uint8_t(i);
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return uint8_t(best);
}

// The pen and brush of one stroke.
struct StrokeLooks {
    int penStyle = PS_SOLID;
    int16_t penWidth = 1;
    COLORREF pen = 0;
    bool hollow = false;
    COLORREF fill = 0;
};

// Paints one shape into the tool's cell of the strip. The shape is drawn
// twice, over white and over black: the pixels that come out alike are the
// ones it covers, and they take the table entry of their colour.
class IconPainter {
  public:
    IconPainter(ToolBitmap& strip, const CRect& cell) : strip_(strip), cell_(cell) {}

    void Pixel(int32_t x, int32_t y, COLORREF colour) {
        if (cell_.PtInRect(CPoint(x, y)))
            strip_.SetPixel(x, y, TableIndexOf(strip_, colour));
    }

    template <class Draw> void Stroke(const StrokeLooks& looks, Draw draw) {
        ImageDC overWhite(cell_.Width(), cell_.Height());
        ImageDC overBlack(cell_.Width(), cell_.Height());
        overBlack.FillRect(CRect(0, 0, cell_.Width(), cell_.Height()), LogBrush{BS_SOLID, 0});
        for (DeviceContext* dc :
             {static_cast<DeviceContext*>(&overWhite), static_cast<DeviceContext*>(&overBlack)}) {
            dc->SetViewportOrg(CPoint(-cell_.left, -cell_.top));
            // The gaps of a dashed pen stay unpainted.
            dc->SetBkMode(TRANSPARENT);
            dc->SelectPen(looks.penStyle, looks.penWidth, looks.pen);
            if (looks.hollow)
                dc->SelectNullBrush();
            else
                dc->SelectSolidBrush(looks.fill);
            draw(*dc);
        }
        for (int32_t y = 0; y < cell_.Height(); ++y) {
            for (int32_t x = 0; x < cell_.Width(); ++x) {
                const COLORREF colour = overWhite.GetPixel(x, y);
                if (colour != CLR_INVALID && colour == overBlack.GetPixel(x, y))
                    Pixel(cell_.left + x, cell_.top + y, colour);
            }
        }
    }

  private:
    ToolBitmap& strip_;
    CRect cell_;
};

class EditIcon : public OperationBase {
  public:
    EditIcon() : OperationBase(DM_NONE) {}

    void Begin(OperationContext& context, const PointerEvent& event) override {
        ToolModel* tool = Tool(context);
        if (tool == nullptr || Painting(context) == TkPointer)
            return;
        if (!context.document->SaveIconForEdit(*tool))
            return;
        SetMode(DM_CREATE);
        press_ = last_ = IconPoint(context, *tool, event.clientPoint);
        Paint(context, *tool);
        begun_ = true;
    }

    void Track(OperationContext& context, const PointerEvent& event) override {
        ToolModel* tool = Tool(context);
        if (tool == nullptr)
            return;
        SetCursor(context);
        if (!begun_ || Mode() != DM_CREATE)
            return;
        const CPoint point = IconPoint(context, *tool, event.clientPoint);
        if (point == last_)
            return;
        if (Painting(context) == 27)
            press_ = last_;
        else
            context.document->RestoreIconFromBackup(*tool);
        last_ = point;
        Paint(context, *tool);
    }

    bool End(OperationContext& context, const PointerEvent&, bool) override {
        SetMode(DM_NONE);
        ToolModel* tool = Tool(context);
        if (!begun_ || tool == nullptr)
            return false;
        begun_ = false;
        tool->iconChanged = true;
        Repaint(context, tool->pageMatrix);
        UndoJournal& journal = JournalOf(context);
        JournalChange change(journal, ChangeKind::IconEdit);
        change.Record("Icon Edit", tool, nullptr);
        return false;
    }

    void Cancel(OperationContext& context) override {
        if (ToolModel* tool = Tool(context); begun_ && tool != nullptr)
            context.document->RestoreIconFromBackup(*tool);
        begun_ = false;
        SetMode(DM_NONE);
    }

  private:
    static ToolModel* Tool(OperationContext& context) {
        auto* tool = dynamic_cast<ToolModel*>(context.model);
        return tool != nullptr && tool->iconEditing ? tool : nullptr;
    }
    static int Painting(const OperationContext& context) {
        return context.host != nullptr ? context.host->CurrentTool() : TkPointer;
    }
    static CRect Cell(const ToolModel& tool) {
        const int32_t x = tool.iconSlot * kIconWidth;
        return CRect(x, 0, x + kIconWidth, kIconHeight);
    }
    // The icon pixel under a client point, clamped into the tool's cell.
    static CPoint IconPoint(const OperationContext& context, const ToolModel& tool, CPoint client) {
        const double scale = (context.zoom > 0 ? 1.0 / context.zoom : 1.0) / kIconCellSize;
        const CRect cell = Cell(tool);
        const int32_t x = static_cast<int32_t>((client.x + context.scrollOrigin.x) * scale);
        const int32_t y = static_cast<int32_t>((client.y + context.scrollOrigin.y) * scale);
        return CPoint(std::clamp(cell.left + x, cell.left, cell.right - 1),
                      std::clamp(y, cell.top, cell.bottom - 1));
    }

    void SetCursor(OperationContext& context) const {
        const int tool = Painting(context);
        if (tool == TkPointer) {
            context.Callbacks().SetCursor(CurArrow);
            return;
        }
        context.Callbacks().SetCursor(context.Ctrl() ? kCursorCtrl
                                      : tool == 27   ? kCursorFreeHand
                                                     : kCursorPaint);
    }

    void Paint(OperationContext& context, ToolModel& tool) {
        ToolBitmap* strip = context.document->IconStripOf(tool);
        if (strip == nullptr)
            return;
        const Looks looks = context.host != nullptr ? context.host->CurrentLooks() : Looks();
        uint32_t penCode = looks.lineColor;
        uint32_t fillCode = looks.fillColor;
        if (context.Ctrl())
            penCode = fillCode = kCtrlColour;
        StrokeLooks stroke;
        stroke.penStyle = int(LineKindPenStyle(looks.lineKind));
        stroke.penWidth = LineKindPenWidth(looks.lineKind);
        stroke.pen = ColorFromCode(penCode);
        stroke.hollow = fillCode == kColorCodeNone;
        stroke.fill = ColorFromCode(fillCode);
        IconPainter painter(*strip, Cell(tool));
        const CPoint start = press_;
        CPoint end = last_;
        const CRect box(start, end);
        switch (Painting(context)) {
        case 26:
            if (end.x < start.x)
                --end.x;
            if (end.y < start.y)
                --end.y;
            painter.Stroke(stroke, [&](DeviceContext& dc) {
                dc.MoveTo(start.x, start.y);
                dc.LineTo(end.x, end.y);
            });
            break;
        case 27:
            if (start == end) {
                painter.Pixel(start.x, start.y, stroke.pen);
                break;
            }
            painter.Stroke(stroke, [&](DeviceContext& dc) {
                dc.MoveTo(start.x, start.y);
                dc.LineTo(end.x, end.y);
            });
            break;
        case 29:
        case 49:
            painter.Stroke(stroke, [&](DeviceContext& dc) { dc.Rectangle(box); });
            break;
        case 30:
            painter.Stroke(stroke, [&](DeviceContext& dc) {
                const CSize corner = RoundRectCornerSize(box);
                dc.RoundRect(box, CPoint(corner.cx, corner.cy));
            });
            break;
        case 31:
            painter.Stroke(stroke, [&](DeviceContext& dc) { dc.Ellipse(box); });
            break;
        default:
            break;
        }
        tool.NoteChanged();
        Repaint(context, tool.pageMatrix);
    }

    bool begun_ = false;
};

} // namespace

std::unique_ptr<EditOperation> MakeIconEditOperation(OperationContext& context) {
    auto* tool = dynamic_cast<ToolModel*>(context.model);
    if (context.document == nullptr || tool == nullptr || !tool->iconEditing)
        return nullptr;
    return std::make_unique<EditIcon>();
}

} // namespace qm
