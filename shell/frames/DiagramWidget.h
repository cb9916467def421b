// The diagram pane that a project window shows until the full diagram view
// takes its place: the document's current model (else its first) drawn by
// the model's own drawing code, following the document's events.
#pragma once

#include "document/CCASEDoc.h"
#include "editor/EditorHost.h"

#include <QWidget>

namespace qm {

class Model;

class DiagramWidget : public QWidget, public DocumentObserver {
  public:
    DiagramWidget(CCASEDoc& document, EditorHost& host, QWidget* parent = nullptr);
    ~DiagramWidget() override;

    // The model shown: the current one, else the first, else null.
    Model* Shown() const;
    // Sizes the widget to the shown model's bounds at its zoom and repaints.
    void UpdateSize();
    EditorHost& Host() { return host_; }

    // ---- DocumentObserver ----
    void ModelsChanged(ModelsChange, const std::vector<Model*>&) override { UpdateSize(); }
    void CurrentModelChanged(Model*) override { UpdateSize(); }
    void DrawablesChanged(Model& model, const CRect& area) override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    CCASEDoc& document_;
    EditorHost& host_;
};

} // namespace qm
