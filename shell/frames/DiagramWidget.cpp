// The interim diagram pane: paints the shown model into its repaint area.
#include "shell/frames/DiagramWidget.h"

#include "drawables/Model.h"
#include "platform/PainterDC.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace qm {

DiagramWidget::DiagramWidget(CCASEDoc& document, EditorHost& host, QWidget* parent)
    : QWidget(parent), document_(document), host_(host) {
    document_.Events().AddObserver(this);
    UpdateSize();
}

DiagramWidget::~DiagramWidget() {
    document_.Events().RemoveObserver(this);
}

Model* DiagramWidget::Shown() const {
    if (Model* model = document_.CurrentModel())
        return model;
    return document_.ModelCount() > 0 ? document_.GetModelAt(0) : nullptr;
}

void DiagramWidget::UpdateSize() {
    CRect bounds;
    double zoom = 1.0;
    if (Model* model = Shown()) {
        model->GetBounds(bounds);
        zoom = model->zoom;
    }
    const int width = std::max<int>(800, static_cast<int>(bounds.right * zoom) + 40);
    const int height = std::max<int>(600, static_cast<int>(bounds.bottom * zoom) + 40);
    setMinimumSize(width, height);
    resize(width, height);
    update();
}

void DiagramWidget::DrawablesChanged(Model& model, const CRect& area) {
    if (&model != Shown())
        return;
    const double zoom = model.zoom;
    update(QRect(static_cast<int>(area.left * zoom) - 1, static_cast<int>(area.top * zoom) - 1,
                 static_cast<int>(area.Width() * zoom) + 3,
                 static_cast<int>(area.Height() * zoom) + 3));
}

void DiagramWidget::paintEvent(QPaintEvent* event) {
    const QRect area = event->rect();
    {
        QPainter background(this);
        background.fillRect(area, Qt::white);
    }
    Model* model = Shown();
    if (model == nullptr)
        return;
    PainterDC dc(this);
    if (!dc.IsActive())
        return;
    // Only what the area to repaint meets is painted.
    dc.IntersectClipRect(CRect(area.left(), area.top(), area.right() + 1, area.bottom() + 1));
    model->Draw(dc, false);
}

} // namespace qm
