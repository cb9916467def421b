// CCASEView: the nominal view the project's document template names beside
// the document and the child frame. The frame shows the diagram view in its
// place, so this one draws nothing; it exists so that a print job can be
// prepared through a view of the document.
#pragma once

#include <QWidget>

namespace qm {

class CCASEDoc;
class DeviceContext;

class CCASEView : public QWidget {
  public:
    explicit CCASEView(CCASEDoc& document, QWidget* parent = nullptr)
        : QWidget(parent), document_(document) {}
    CCASEDoc& GetDocument() { return document_; }
    // Draws nothing: the diagram is the diagram view's.
    void OnDraw(DeviceContext&) {}
    // Preparing and ending a print job need nothing of this view.
    bool OnPreparePrinting() { return true; }
    void OnBeginPrinting() {}
    void OnEndPrinting() {}

  private:
    CCASEDoc& document_;
};

} // namespace qm
