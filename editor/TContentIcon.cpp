// The diagram view's edit commands while a tool's icon is being edited:
// Delete, Cut, Copy and Paste act on the tool's 16 x 15 cell of the icon
// strip instead of on drawables, each change kept as one journal entry.
#include "editor/TContent.h"

#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/NotationTemplate.h"
#include "drawables/ToolModel.h"
#include "editor/EditorHost.h"
#include "editor/ViewClipboard.h"

#include <QClipboard>
#include <QMimeData>

#include <limits>

namespace qm {

namespace {

// The fill code that leaves a painted rectangle hollow.
constexpr uint32_t kHollowFill = 17;

// The index of the strip's colour nearest to rgb (an exact match first).
uint8_t NearestColour(const ToolBitmap& strip, QRgb rgb) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < ToolBitmap::kColours; ++i) {
        const COLORREF colour = strip.Colour(i);
        const int dr = int(GetRValue(colour)) - qRed(rgb);
        const int dg = int(GetGValue(colour)) - qGreen(rgb);
        const int db = int(GetBValue(colour)) - qBlue(rgb);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
            if (distance == 0)
                break;
        }
    }
    return uint8_t(best);
}

} // namespace

ToolModel* TContent::IconEditedTool(ToolBitmap** strip) const {
    auto* tool = dynamic_cast<ToolModel*>(CurrentModel());
    if (tool == nullptr || !tool->iconEditing)
        return nullptr;
    ToolBitmap* cells = document_.IconStripOf(*tool);
    if (cells == nullptr || tool->iconSlot < 0 || tool->iconSlot >= cells->SlotCount())
        return nullptr;
    if (strip != nullptr)
        *strip = cells;
    return tool;
}

void TContent::RecordIconChange(ToolModel& tool, const char* name) {
    tool.iconChanged = true;
    tool.NoteChanged();
    UndoJournal& journal = document_.GetJournal();
    JournalChange change(journal, ChangeKind::IconEdit);
    change.Record(name, &tool, nullptr);
    viewport()->update();
}

CRect TContent::ClearIconCell(bool cut) {
    ToolBitmap* strip = nullptr;
    ToolModel* tool = IconEditedTool(&strip);
    if (tool == nullptr || !document_.SaveIconForEdit(*tool))
        return {};
    // The cell is painted over as the rectangle tool paints: an outline in
    // the pen colour around the fill colour (left alone when hollow).
    const Looks& looks = host_.CurrentLooks();
    const int32_t left = tool->iconSlot * kIconWidth;
    for (int32_t y = 0; y < kIconHeight; ++y)
        for (int32_t x = 0; x < kIconWidth; ++x) {
            const bool edge = x == 0 || y == 0 || x == kIconWidth - 1 || y == kIconHeight - 1;
            const uint32_t colour = edge ? looks.lineColor : looks.fillColor;
            if (!edge && colour == kHollowFill)
                continue;
            if (colour < uint32_t(ToolBitmap::kColours))
                strip->SetPixel(left + x, y, uint8_t(colour));
        }
    RecordIconChange(*tool, cut ? "Icon Cut" : "Icon Delete");
    return tool->pageMatrix;
}

void TContent::CopyIcon(bool cut) {
    ToolBitmap* strip = nullptr;
    ToolModel* tool = IconEditedTool(&strip);
    if (tool == nullptr)
        return;
    QImage image(kIconWidth, kIconHeight, QImage::Format_Indexed8);
    QVector<QRgb> table(ToolBitmap::kColours);
    for (int i = 0; i < ToolBitmap::kColours; ++i) {
        const COLORREF colour = strip->Colour(i);
        table[i] = qRgb(GetRValue(colour), GetGValue(colour), GetBValue(colour));
    }
    image.setColorTable(table);
    const int32_t left = tool->iconSlot * kIconWidth;
    for (int32_t y = 0; y < kIconHeight; ++y)
        for (int32_t x = 0; x < kIconWidth; ++x)
            image.setPixel(x, y, strip->PixelAt(left + x, y));
    if (QClipboard* clipboard = DesktopClipboard(); clipboard != nullptr) {
        auto* data = new QMimeData;
        data->setData(kIconMime, IconToClipboardBytes(image));
        data->setImageData(image.convertToFormat(QImage::Format_RGB32));
        clipboard->setMimeData(data);
    }
    if (cut)
        InvalidateLogicalRect(ClearIconCell(true));
}

bool TContent::PasteIcon() {
    ToolBitmap* strip = nullptr;
    ToolModel* tool = IconEditedTool(&strip);
    QClipboard* clipboard = DesktopClipboard();
    if (tool == nullptr || clipboard == nullptr)
        return false;
    const QMimeData* data = clipboard->mimeData();
    if (data == nullptr || !data->hasFormat(kIconMime))
        return false;
    // The layout's length is checked before any pixel is read.
    const std::optional<QImage> icon = IconFromClipboardBytes(data->data(kIconMime));
    if (!icon || !document_.SaveIconForEdit(*tool))
        return false;
    const int32_t left = tool->iconSlot * kIconWidth;
    for (int32_t y = 0; y < kIconHeight; ++y)
        for (int32_t x = 0; x < kIconWidth; ++x)
            strip->SetPixel(left + x, y, NearestColour(*strip, icon->pixel(x, y)));
    RecordIconChange(*tool, "Icon Paste");
    return true;
}

} // namespace qm
