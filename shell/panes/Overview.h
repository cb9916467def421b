// The side pane's two overview tabs of the current model: TGuide, the
// drawing locater (the model in miniature with the frame of what the diagram
// view shows, panned by dragging; a tool model's rectangle resized by its
// knob), and TPager, the drawing size matrix (the page matrix as a grid of
// cells, changed by dragging).
#pragma once

#include "document/DocumentEvents.h"
#include "platform/Geometry.h"

#include <QWidget>

namespace qm {

class CCASEDoc;
class ProjectWindow;
class ToolModel;

class TGuide : public QWidget, public DocumentObserver {
  public:
    explicit TGuide(ProjectWindow& window, QWidget* parent = nullptr);
    ~TGuide() override;

    // Recomputes the scale from the pane's size and the current model's
    // page; with repaint, repaints at once.
    void Refresh(bool repaint);
    // Follows the diagram view's visible area; with onlyIfChanged nothing
    // is redrawn while the frame stays where it was.
    void TrackVisibleArea(bool onlyIfChanged);

    double Scale() const { return scale_; }
    // The visible-area frame as last drawn (pane coordinates).
    const CRect& ViewFrame() const { return viewFrame_; }
    // The resize knob of a tool model (pane coordinates).
    const CRect& Knob() const { return knob_; }
    // The rubber band of a knob drag that has moved: the tool rectangle as
    // the drag would leave it; empty otherwise.
    CRect RubberBand() const;

    // ---- DocumentObserver ----
    void DrawablesChanged(Model& model, const CRect& area) override;
    void CurrentModelChanged(Model* model) override;
    void ToolChanged(Model& tool) override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    ToolModel* CurrentTool() const;
    // The current model's page scaled to the pane.
    CRect ScaledPage() const;
    // A tool model whose icon is edited: the icon at (1, 1), actual size.
    void DrawEditedIcon(QPainter& painter, const ToolModel& tool) const;
    void PanTo(CPoint point);
    // The tool rectangle with its bottom-right corner moved by offset,
    // within 0,0,512,512 and at least 10 x 10.
    static CRect ResizedToolRect(const CRect& rect, CSize offset);

    ProjectWindow& window_;
    CCASEDoc& document_;
    double scale_ = 0.25;
    CRect knob_;
    bool resizing_ = false;
    CPoint dragStart_;
    CPoint dragLast_;
    // The tool rectangle when the knob drag first moved; empty before.
    CRect dragFrame_;
    CRect viewFrame_;
    bool panning_ = false;
};

class TPager : public QWidget, public DocumentObserver {
  public:
    explicit TPager(ProjectWindow& window, QWidget* parent = nullptr);
    ~TPager() override;

    void Refresh(bool repaint);
    // Adds the deltas to the columns and rows shown and, while tracking,
    // gives the current model that page matrix. Not journaled.
    void ChangePageCount(int deltaColumns, int deltaRows);
    void SetTracking(bool tracking) { tracking_ = tracking; }
    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    // The cell size: the printer page in model units over 32 (at least 1).
    CSize CellSize() const;

    // ---- DocumentObserver ----
    void CurrentModelChanged(Model* model) override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    Model* CurrentDiagram() const;
    void Propose(CPoint point);

    ProjectWindow& window_;
    CCASEDoc& document_;
    int columns_ = 1;
    int rows_ = 1;
    bool tracking_ = false;
};

} // namespace qm
