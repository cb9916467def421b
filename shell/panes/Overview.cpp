// The drawing locater and the drawing size matrix. Both show the document's
// current model and reach the diagram view only through the project window.
#include "shell/panes/Overview.h"

#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/DrawingSwitches.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/ToolModel.h"
#include "drawables/ZoomScaling.h"
#include "platform/Colors.h"
#include "platform/PainterDC.h"
#include "shell/ProjectWindow.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace qm {

namespace {

// The fixed colours of the panes: the inactive caption behind the page,
// the window colour of the page.
const QColor kInactiveCaption(191, 205, 219);
const QColor kWindow(255, 255, 255);
constexpr int kKnobSize = 5;
constexpr CRect kResizeBounds(0, 0, 512, 512);
constexpr int kMinToolSize = 10;

QRect ToQRect(const CRect& rect) {
    return QRect(rect.left, rect.top, rect.Width(), rect.Height());
}

CPoint PointOf(const QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    return CPoint(p.x(), p.y());
}

} // namespace

// ---- TGuide ----

TGuide::TGuide(ProjectWindow& window, QWidget* parent)
    : QWidget(parent), window_(window), document_(window.Document()) {
    setAccessibleName("Drawing Locater");
    setMouseTracking(true);
    document_.Events().AddObserver(this);
}

TGuide::~TGuide() {
    document_.Events().RemoveObserver(this);
}

ToolModel* TGuide::CurrentTool() const {
    return dynamic_cast<ToolModel*>(document_.CurrentModel());
}

void TGuide::Refresh(bool repaint) {
    Model* model = document_.CurrentModel();
    if (model != nullptr) {
        const CSize page = model->GetPageSize(true);
        if (ToolModel* tool = CurrentTool()) {
            scale_ = 0.25;
            const CPoint corner = tool->printFrame.BottomRight();
            knob_ = CRect(corner.x, corner.y, corner.x + kKnobSize, corner.y + kKnobSize);
        } else {
            // The whole page fits with a margin of 5 %; a zero size counts as 1.
            const double sx = width() * 0.95 / std::max(page.cx, 1);
            const double sy = height() * 0.95 / std::max(page.cy, 1);
            scale_ = std::min(sx, sy);
        }
    }
    TrackVisibleArea(true);
    if (repaint)
        update();
}

CRect TGuide::ScaledPage() const {
    Model* model = document_.CurrentModel();
    return model != nullptr ? ScaleByZoom(model->pageMatrix, scale_) : CRect();
}

void TGuide::TrackVisibleArea(bool onlyIfChanged) {
    Model* model = document_.CurrentModel();
    if (model == nullptr || !IsDiagramKind(model->kind) || CurrentTool() != nullptr)
        return;
    CRect frame;
    MapRectBetweenRects(window_.VisibleArea(), frame, model->zoomedPageMatrix, ScaledPage(), false);
    if (onlyIfChanged && frame == viewFrame_)
        return;
    // Both the old and the new frame are repainted.
    update(ToQRect(viewFrame_).adjusted(-1, -1, 1, 1));
    viewFrame_ = frame;
    update(ToQRect(viewFrame_).adjusted(-1, -1, 1, 1));
}

void TGuide::DrawEditedIcon(QPainter& painter, const ToolModel& tool) const {
    const ToolBitmap* strip = document_.IconStripOf(tool);
    if (strip == nullptr || tool.iconSlot < 0 || tool.iconSlot >= strip->SlotCount())
        return;
    QImage icon(kIconWidth, kIconHeight, QImage::Format_RGB32);
    for (int y = 0; y < kIconHeight; ++y)
        for (int x = 0; x < kIconWidth; ++x) {
            const COLORREF colour =
                strip->Colour(strip->PixelAt(tool.iconSlot * kIconWidth + x, y));
            icon.setPixel(x, y, qRgb(GetRValue(colour), GetGValue(colour), GetBValue(colour)));
        }
    painter.drawImage(1, 1, icon);
}

CRect TGuide::RubberBand() const {
    ToolModel* tool = CurrentTool();
    if (!resizing_ || dragFrame_.IsRectEmpty() || tool == nullptr)
        return CRect();
    return ResizedToolRect(dragFrame_, dragLast_ - dragStart_);
}

void TGuide::paintEvent(QPaintEvent*) {
    Model* model = document_.CurrentModel();
    QPainter screen(this);
    if (model == nullptr) {
        screen.fillRect(rect(), kInactiveCaption);
        return;
    }
    ToolModel* tool = CurrentTool();
    // While its icon is edited a tool shows the icon itself, pixel for pixel.
    if (tool != nullptr && tool->iconEditing) {
        screen.fillRect(rect(), kWindow);
        DrawEditedIcon(screen, *tool);
        return;
    }
    // The miniature is drawn into a back buffer the size of the pane.
    QImage image(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(tool != nullptr ? kWindow : kInactiveCaption);
    {
        PainterDC dc(&image);
        ScopedDrawingSwitch overview(DrawingSwitch::OverviewDrawing);
        CRect page = tool != nullptr ? tool->printFrame : ScaledPage();
        page.InflateRect(2, 2, 2, 2);
        dc.Painter().fillRect(ToQRect(page), kWindow);
        if (tool != nullptr) {
            // The tool's drawing at actual size in its rectangle, one pixel
            // in; a link tool's line under it.
            CRect moved = tool->printFrame;
            moved.OffsetRect(1, 1);
            if (tool->IsLinkTool()) {
                CRect sample = moved;
                sample.OffsetRect(tool->pageMatrix.left, tool->pageMatrix.top);
                tool->DrawLinkIcon(dc, sample, 1.0);
            }
            for (const auto& drawable : model->Drawables())
                drawable->Draw(dc, &drawable->looks, 1.0, &tool->pageMatrix, &moved, 0);
        } else {
            CRect clip(0, 0, width(), height());
            for (const auto& drawable : model->Drawables()) {
                CRect bounds;
                ScaleByZoom(drawable->repaintRect, bounds, scale_);
                CRect meets;
                if (!meets.IntersectRect(bounds, clip))
                    continue;
                drawable->Draw(dc, &drawable->looks, scale_, nullptr, nullptr, 0);
            }
        }
    }
    screen.drawImage(0, 0, image);
    if (tool != nullptr) {
        const CRect band = RubberBand();
        if (band.IsRectEmpty()) {
            screen.fillRect(ToQRect(knob_), Qt::black);
            return;
        }
        // The knob hides while the band shows where the drag would leave
        // the tool's corner.
        screen.setPen(QPen(Qt::black, 1, Qt::DotLine));
        screen.setBrush(Qt::NoBrush);
        screen.drawRect(ToQRect(band).adjusted(0, 0, -1, -1));
        return;
    }
    screen.setPen(QPen(QColor(255, 0, 0), 1));
    screen.setBrush(Qt::NoBrush);
    screen.drawRect(ToQRect(viewFrame_).adjusted(0, 0, -1, -1));
}

void TGuide::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Refresh(false);
}

void TGuide::PanTo(CPoint point) {
    Model* model = document_.CurrentModel();
    if (model == nullptr)
        return;
    CRect frame = viewFrame_;
    const CPoint centre = frame.CenterPoint();
    frame.OffsetRect(point.x - centre.x, point.y - centre.y);
    CRect moved;
    MoveRectInside(ScaledPage(), frame, moved);
    CRect target;
    MapRectBetweenRects(moved, target, ScaledPage(), model->zoomedPageMatrix, false);
    window_.ScrollViewTo(target.TopLeft());
    TrackVisibleArea(true);
}

CRect TGuide::ResizedToolRect(const CRect& rect, CSize offset) {
    CRect result = rect;
    result.right =
        std::clamp(rect.right + offset.cx, rect.left + kMinToolSize, kResizeBounds.right);
    result.bottom =
        std::clamp(rect.bottom + offset.cy, rect.top + kMinToolSize, kResizeBounds.bottom);
    return result;
}

void TGuide::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    resizing_ = false;
    dragFrame_ = CRect();
    const CPoint point = PointOf(event);
    Model* model = document_.CurrentModel();
    if (CurrentTool() != nullptr) {
        if (knob_.PtInRect(point)) {
            resizing_ = true;
            dragStart_ = dragLast_ = point;
        }
    } else if (model != nullptr && IsDiagramKind(model->kind)) {
        panning_ = true;
        // A click alone already centres the view there.
        PanTo(point);
    }
}

void TGuide::mouseMoveEvent(QMouseEvent* event) {
    const CPoint point = PointOf(event);
    if (panning_) {
        setCursor(Qt::ClosedHandCursor);
        PanTo(point);
        return;
    }
    if (resizing_) {
        if (point == dragLast_)
            return;
        // The first movement begins the resize from the tool's rectangle.
        if (ToolModel* tool = CurrentTool(); tool != nullptr && dragFrame_.IsRectEmpty())
            dragFrame_ = tool->printFrame;
        dragLast_ = point;
        update();
        return;
    }
    setCursor(CurrentTool() != nullptr && knob_.PtInRect(point) ? Qt::SizeFDiagCursor
                                                                : Qt::ArrowCursor);
}

void TGuide::mouseReleaseEvent(QMouseEvent* event) {
    panning_ = false;
    unsetCursor();
    if (!resizing_)
        return;
    resizing_ = false;
    dragFrame_ = CRect();
    dragLast_ = PointOf(event);
    update();
    ToolModel* tool = CurrentTool();
    // A release where the drag began records nothing.
    if (tool == nullptr || dragLast_ == dragStart_)
        return;
    UndoJournal& journal = document_.GetJournal();
    JournalChange change(journal, ChangeKind::ResizeTool);
    journal.SetToolSize(CPoint(tool->printFrame.Width(), tool->printFrame.Height()), false);
    tool->printFrame = ResizedToolRect(tool->printFrame, dragLast_ - dragStart_);
    journal.SetToolSize(CPoint(tool->printFrame.Width(), tool->printFrame.Height()), true);
    change.Record("Resize Tool", tool, nullptr);
    Refresh(true);
}

void TGuide::DrawablesChanged(Model& model, const CRect&) {
    if (&model == document_.CurrentModel())
        update();
}

void TGuide::ToolChanged(Model& tool) {
    if (&tool == document_.CurrentModel())
        Refresh(true);
}

void TGuide::CurrentModelChanged(Model*) {
    viewFrame_ = CRect();
    Refresh(true);
}

// ---- TPager ----

TPager::TPager(ProjectWindow& window, QWidget* parent)
    : QWidget(parent), window_(window), document_(window.Document()) {
    setAccessibleName("Drawing Size (Matrix)");
    document_.Events().AddObserver(this);
}

TPager::~TPager() {
    document_.Events().RemoveObserver(this);
}

Model* TPager::CurrentDiagram() const {
    Model* model = document_.CurrentModel();
    return model != nullptr && IsDiagramKind(model->kind) ? model : nullptr;
}

CSize TPager::CellSize() const {
    return CSize(std::max(document_.PageWidth() / 32, 1), std::max(document_.PageHeight() / 32, 1));
}

void TPager::Refresh(bool repaint) {
    if (repaint)
        update();
}

void TPager::CurrentModelChanged(Model*) {
    update();
}

void TPager::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Model* model = document_.CurrentModel();
    if (model == nullptr)
        return;
    if (!IsDiagramKind(model->kind)) {
        painter.fillRect(rect(), kInactiveCaption);
        return;
    }
    painter.fillRect(rect(), kWindow);
    const CSize cell = CellSize();
    const int pageW = std::max(document_.PageWidth(), 1);
    const int pageH = std::max(document_.PageHeight(), 1);
    const CSize matrix = model->GetPageSize(true);
    // While a drag is tracked the proposal is shown; otherwise the
    // model's matrix in whole pages.
    if (!tracking_) {
        columns_ = std::max(1, (matrix.cx + pageW - 1) / pageW);
        rows_ = std::max(1, (matrix.cy + pageH - 1) / pageH);
    }
    painter.setPen(QPen(kInactiveCaption, 1));
    for (int x = 0; x < width(); x += cell.cx)
        painter.drawLine(x, 0, x, height());
    for (int y = 0; y < height(); y += cell.cy)
        painter.drawLine(0, y, width(), y);
    for (int c = 0; c < columns_; ++c)
        for (int r = 0; r < rows_; ++r)
            painter.fillRect(c * cell.cx + 1, r * cell.cy + 1, cell.cx - 1, cell.cy - 1, Qt::black);
    // A matrix that is not a whole number of pages shows its true extent.
    if (matrix.cx % pageW != 0 || matrix.cy % pageH != 0) {
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(QBrush(Qt::black, Qt::DiagCrossPattern));
        painter.drawRect(QRect(0, 0, matrix.cx / 32, matrix.cy / 32));
    }
}

void TPager::Propose(CPoint point) {
    const CSize cell = CellSize();
    // A cell counts from its second pixel on.
    const int columns = std::max(1, (point.x + cell.cx - 2) / cell.cx);
    const int rows = std::max(1, (point.y + cell.cy - 2) / cell.cy);
    tracking_ = true;
    if (columns != columns_ || rows != rows_) {
        columns_ = columns;
        rows_ = rows;
        update();
    }
}

void TPager::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && CurrentDiagram() != nullptr)
        Propose(PointOf(event));
}

void TPager::mouseMoveEvent(QMouseEvent* event) {
    if (tracking_ && CurrentDiagram() != nullptr)
        Propose(PointOf(event));
}

void TPager::mouseReleaseEvent(QMouseEvent*) {
    if (!tracking_)
        return;
    ChangePageCount(0, 0);
    tracking_ = false;
}

void TPager::ChangePageCount(int deltaColumns, int deltaRows) {
    columns_ += deltaColumns;
    rows_ += deltaRows;
    Model* model = CurrentDiagram();
    if (!tracking_ || model == nullptr)
        return;
    const CRect matrix(0, 0, columns_ * document_.PageWidth(), rows_ * document_.PageHeight());
    if (matrix == model->pageMatrix)
        return;
    // The size of the drawing is no journaled change: only the document
    // is marked modified.
    model->SetPageMatrix(matrix);
    model->StretchSwimlanes();
    window_.RepaintView(true);
    document_.SetModifiedFlag(true);
    update();
}

} // namespace qm
