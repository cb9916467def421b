// Icon editing: painting a tool's 16 x 15 icon in the template's strip with
// the mouse, one icon pixel shown as 11 x 11 units. Each stroke paints one
// shape of the current tool (line, free-hand poly-line, rectangle, round
// rectangle, ellipse, icon box) in the current looks' colour codes, which
// are the strip's palette indices (16 with Ctrl held; fill 17 is hollow),
// never outside the tool's column, and records one "Icon Edit".
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/NotationTemplate.h"
#include "drawables/ToolModel.h"
#include "editor/EditorHost.h"
#include "editor/operations/EditOperation.h"
#include "editor/operations/OperationSupport.h"

#include <algorithm>
#include <cstdlib>

namespace qm {

namespace {

constexpr int kCursorPaint = 135;
constexpr int kCursorFreeHand = 144;
constexpr int kCursorCtrl = 145;
constexpr uint32_t kCtrlColour = 16;
constexpr uint32_t kHollow = 17;

// Paints into one icon cell of the strip; pixels outside the cell are left.
class IconPainter {
  public:
    IconPainter(ToolBitmap& strip, const CRect& cell) : strip_(strip), cell_(cell) {}

    void Pixel(int32_t x, int32_t y, uint32_t colour) {
        if (cell_.PtInRect(CPoint(x, y)) && colour < uint32_t(ToolBitmap::kColours))
            strip_.SetPixel(x, y, uint8_t(colour));
    }
    // The pixels from a to b, b itself left out as a pen stroke leaves it.
    void Line(CPoint a, CPoint b, uint32_t colour) {
        const int32_t dx = std::abs(b.x - a.x);
        const int32_t dy = -std::abs(b.y - a.y);
        const int32_t sx = a.x < b.x ? 1 : -1;
        const int32_t sy = a.y < b.y ? 1 : -1;
        int32_t error = dx + dy;
        CPoint p = a;
        for (int guard = 0; p != b && guard < 64; ++guard) {
            Pixel(p.x, p.y, colour);
            const int32_t twice = 2 * error;
            if (twice >= dy) {
                error += dy;
                p.x += sx;
            }
            if (twice <= dx) {
                error += dx;
                p.y += sy;
            }
        }
    }
    // A filled shape whose outline is the pen: inside says which pixels of
    // the normalised box belong to it.
    template <class Inside> void Shape(CRect box, uint32_t pen, uint32_t fill, Inside inside) {
        box.NormalizeRect();
        for (int32_t y = box.top; y < box.bottom; ++y) {
            for (int32_t x = box.left; x < box.right; ++x) {
                if (!inside(box, x, y))
                    continue;
                const bool edge = !inside(box, x - 1, y) || !inside(box, x + 1, y) ||
                                  !inside(box, x, y - 1) || !inside(box, x, y + 1);
                if (edge)
                    Pixel(x, y, pen);
                else if (fill != kHollow)
                    Pixel(x, y, fill);
            }
        }
    }

  private:
    ToolBitmap& strip_;
    CRect cell_;
};

bool InBox(const CRect& box, int32_t x, int32_t y) {
    return box.PtInRect(CPoint(x, y));
}

bool InEllipse(const CRect& box, int32_t x, int32_t y) {
    if (!InBox(box, x, y))
        return false;
    const double rx = box.Width() / 2.0;
    const double ry = box.Height() / 2.0;
    const double nx = (x + 0.5 - box.left - rx) / rx;
    const double ny = (y + 0.5 - box.top - ry) / ry;
    return nx * nx + ny * ny <= 1.0;
}

bool InRoundRect(const CRect& box, int32_t x, int32_t y) {
    if (!InBox(box, x, y))
        return false;
    // Corners of a fifth of the width and height.
    const int32_t cx = std::max(1, box.Width() / 5);
    const int32_t cy = std::max(1, box.Height() / 5);
    const bool left = x < box.left + cx / 2;
    const bool right = x >= box.right - cx / 2;
    const bool top = y < box.top + cy / 2;
    const bool bottom = y >= box.bottom - cy / 2;
    return !((left || right) && (top || bottom));
}

class EditIcon : public OperationBase {
  public:
    EditIcon() : OperationBase(DM_NONE) {}

    void Begin(OperationContext& context, const PointerEvent& event) override {
        ToolModel* tool = Tool(context);
        if (tool == nullptr || Painting(context) == kPointerTool)
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
        journal.BeginChange(ChangeKind::IconEdit);
        journal.RecordChange(ChangeKind::IconEdit, "Icon Edit", tool, nullptr);
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
        return context.host != nullptr ? context.host->CurrentTool() : kPointerTool;
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
        if (tool == kPointerTool) {
            context.Callbacks().SetCursor(0);
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
        uint32_t pen = looks.lineColor;
        uint32_t fill = looks.fillColor;
        if (context.Ctrl())
            pen = fill = kCtrlColour;
        IconPainter painter(*strip, Cell(tool));
        CPoint start = press_;
        CPoint end = last_;
        const CRect box(start, end);
        switch (Painting(context)) {
        case 26:
            if (end.x < start.x)
                --end.x;
            if (end.y < start.y)
                --end.y;
            painter.Line(start, end, pen);
            break;
        case 27:
            if (start == end)
                painter.Pixel(start.x, start.y, pen);
            else
                painter.Line(start, end, pen);
            break;
        case 29:
        case 49:
            painter.Shape(box, pen, fill, InBox);
            break;
        case 30:
            painter.Shape(box, pen, fill, InRoundRect);
            break;
        case 31:
            painter.Shape(box, pen, fill, InEllipse);
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
