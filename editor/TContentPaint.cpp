// The diagram view's painting: the background with the page matrix, grid and
// page breaks, a tool model's page or magnified icon, the model, the
// selection knobs and the running operation's feedback, drawn into a back
// buffer shared by every view and copied to the window; and the cursors.
#include "editor/TContent.h"

#include "document/CCASEDoc.h"
#include "drawables/Model.h"
#include "drawables/ToolModel.h"
#include "platform/Colors.h"
#include "platform/PainterDC.h"
#include "platform/UserSettings.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>

#include <map>

namespace qm {

namespace {

constexpr COLORREF kGridColor = 0xDCDCDC;
constexpr COLORREF kPageBreakColor = 0x0000FF;

// The back buffer every view paints through. It grows to the largest area
// painted and is reused, so a paint allocates nothing.
QImage& BackBuffer() {
    static QImage buffer;
    return buffer;
}

} // namespace

QSize TContent::BackBufferSize() {
    return BackBuffer().size();
}

void TContent::paintEvent(QPaintEvent* event) {
    const QRect area = event->rect().intersected(viewport()->rect());
    if (area.isEmpty())
        return;
    lastPainted_ = area;
    QImage& buffer = BackBuffer();
    if (buffer.width() < area.width() || buffer.height() < area.height()) {
        const QSize size(std::max(buffer.width(), area.width()),
                         std::max(buffer.height(), area.height()));
        buffer = QImage(size, QImage::Format_RGB32);
    }
    Model* model = CurrentModel();
    const CPoint scroll = ScrollPosition();
    // View coordinates of the area to paint.
    const CRect clip(scroll.x + area.left(), scroll.y + area.top(), scroll.x + area.right() + 1,
                     scroll.y + area.bottom() + 1);
    {
        PainterDC dc(&buffer);
        if (!dc.IsActive())
            return;
        dc.SetViewportOrg(CPoint(-clip.left, -clip.top));
        dc.IntersectClipRect(clip);
        DrawBackground(dc, clip, model);
        // A tool model draws its own part first: in icon editing the
        // magnified icon with its grid and nothing else, in design its page
        // frame and sample marks under its drawables.
        auto* tool =
            model != nullptr && model->kind == MkTool ? dynamic_cast<ToolModel*>(model) : nullptr;
        const bool iconEditor = tool != nullptr && tool->DrawIcon(dc, model->zoom) != 0;
        if (model != nullptr && !iconEditor) {
            model->Draw(dc, false);
            if (!knobsInverted_)
                DrawKnobs(dc, *model);
        }
        if (model != nullptr && operation_)
            operation_->DrawFeedback(dc, context_);
    }
    QPainter painter(viewport());
    painter.drawImage(area.topLeft(), buffer, QRect(QPoint(0, 0), area.size()));
    // A running zoom animation outlines its frames over the picture, none
    // erased until it ends.
    if (!zoomFrames_.empty()) {
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::NoBrush);
        for (const CRect& frame : zoomFrames_)
            if (!frame.IsRectEmpty())
                painter.drawRect(frame.left, frame.top, frame.Width() - 1, frame.Height() - 1);
    }
    if (scrollSizesPending_ && model != nullptr && !model->Drawables().empty()) {
        scrollSizesPending_ = false;
        UpdateScrollSizes(false);
    }
}

void TContent::DrawBackground(DeviceContext& dc, const CRect& clip, Model* model) const {
    const LogBrush outside{BS_SOLID, GetSysColor(COLOR_INACTIVECAPTION)};
    if (model == nullptr) {
        dc.FillRect(clip, outside);
        return;
    }
    const double zoom = model->zoom;
    const CRect page = model->zoomedPageMatrix;
    dc.FillRect(clip, outside);
    CRect inside;
    inside.IntersectRect(page, clip);
    if (!inside.IsRectEmpty())
        dc.FillRect(inside, LogBrush{BS_SOLID, GetSysColor(COLOR_WINDOW)});
    // Lines are drawn only over the part of the page matrix being painted.
    const int32_t l = std::max(page.left, clip.left);
    const int32_t t = std::max(page.top, clip.top);
    const int32_t r = std::min(page.right, clip.right);
    const int32_t b = std::min(page.bottom, clip.bottom);
    if (l >= r || t >= b)
        return;
    auto lines = [&](int32_t stepX, int32_t stepY, COLORREF color) {
        const LogPen old = dc.SelectPen(PS_SOLID, 1, color);
        if (stepX > 0)
            for (int32_t x = l / stepX * stepX; x < r; x += stepX) {
                if (x == 0 || x < l)
                    continue;
                dc.MoveTo(x, page.top > t ? page.top : t);
                dc.LineTo(x, b);
            }
        if (stepY > 0)
            for (int32_t y = t / stepY * stepY; y < b; y += stepY) {
                if (y == 0 || y < t)
                    continue;
                dc.MoveTo(l, y);
                dc.LineTo(r, y);
            }
        dc.SelectPen(old);
    };
    const uint32_t options = Settings().OptionWord();
    if ((options & ShowGridLines) != 0) {
        const auto g = static_cast<int32_t>(Settings().SnapSize() * zoom * 16.0);
        lines(g, g, kGridColor);
    }
    if ((options & ShowPageBreaks) != 0) {
        const auto pw = static_cast<int32_t>(document_.PageWidth() * zoom);
        const auto ph = static_cast<int32_t>(document_.PageHeight() * zoom);
        lines(pw, ph, kPageBreakColor);
    }
}

void TContent::DrawKnobs(DeviceContext& dc, Model& model) const {
    for (Drawable* drawable : model.Selection())
        drawable->InvertKnobs(dc, model.zoom);
}

namespace {

// The hot spots of the cursor pictures (":/cursors/<number>.xpm"); a cursor
// not listed takes its hot spot at the top-left corner, as the arrows do.
struct HotSpot {
    int id;
    int x;
    int y;
};

constexpr HotSpot kHotSpots[] = {
    {CurMove, 7, 7},      {CurPrimitiveGroupMove, 7, 7}, {CurKnob, 7, 7},    {CurCrossHair, 7, 7},
    {CurTagPlace, 7, 7},  {CurLaneBorder, 7, 7},         {CurCallBox, 7, 7}, {CurCallBoxEdge, 7, 7},
    {CurSubmodel, 5, 0},  {CurAttachment, 7, 7},         {CurImplode, 5, 0}, {CurLinkTarget, 7, 7},
    {CurFreeHand, 0, 15}, {CurWillDelete, 7, 7},
};

// The cursors' pictures are 16 x 16, shown twice that size so that they
// stand out as the system's own cursors do.
QCursor BuildCursor(int cursor) {
    const QImage image(QString(":/cursors/%1.xpm").arg(cursor));
    if (image.isNull())
        return QCursor(Qt::ArrowCursor);
    HotSpot hot{cursor, 0, 0};
    for (const HotSpot& spot : kHotSpots)
        if (spot.id == cursor)
            hot = spot;
    return QCursor(QPixmap::fromImage(image.scaled(image.size() * 2)), hot.x * 2, hot.y * 2);
}

} // namespace

QCursor ViewCursorShape(int cursor) {
    if (cursor == CurArrow)
        return QCursor(Qt::ArrowCursor);
    if (cursor == CurIBeam)
        return QCursor(Qt::IBeamCursor);
    static std::map<int, QCursor> made;
    auto found = made.find(cursor);
    if (found == made.end())
        found = made.emplace(cursor, BuildCursor(cursor)).first;
    return found->second;
}

} // namespace qm
