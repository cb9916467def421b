// What the model's editing operations ask of the diagram view that shows a
// document: a device context to measure text with, repaints, change notices
// and the page count of the page matrix pane. The document owns the list of
// its views (DiagramViews) and answers it through ModelDocument::Views(); a
// document without one, or without a view attached, is answered as having
// no window (no device context, nothing to repaint).
#pragma once

#include <memory>
#include <utility>
#include <vector>

namespace qm {

class DeviceContext;
class ModelDocument;
class ModelObject;

// The codes of DiagramView::NotifyChange.
enum ViewChange : int {
    VcRenamed = 1, // a tool or the model was renamed
    VcPlace = 3,
    VcLink = 4,
    VcOther = 5,
    VcMessage = 6,
    VcJunction = 8,
};

class DiagramView {
  public:
    virtual ~DiagramView() = default;
    // A device context of the document's diagram pane, lent until
    // ReleaseDC; null when the document has no view.
    virtual DeviceContext* BorrowDC(ModelDocument* /*document*/) { return nullptr; }
    virtual void ReleaseDC(ModelDocument* /*document*/, DeviceContext* /*dc*/) {}
    // Repaints the whole diagram pane.
    virtual void InvalidateView(ModelDocument* /*document*/) {}
    // Tells the explorer, the lister and the view that object changed.
    virtual void NotifyChange(ModelDocument* /*document*/, int /*code*/, ModelObject* /*object*/) {}
    // Ends the renumber-messages mode of the document's view, which records
    // the renumbering done in it.
    virtual void EndRenumberMessages(ModelDocument* /*document*/) {}
    // The page matrix pane's column count, and its change by delta.
    virtual int PageColumns(ModelDocument* /*document*/) { return 0; }
    virtual void ChangePageCount(ModelDocument* /*document*/, int /*delta*/) {}
};

// The views of one document, owned by the document: each view of it attaches
// itself while it lives. A notice or repaint goes to every attached view, a
// device context is lent by the first and given back to the one that lent it.
class DiagramViews : public DiagramView {
  public:
    // Attaches a view (not owned) until Detach; a view attaches once.
    void Attach(DiagramView* view);
    void Detach(DiagramView* view);
    bool Empty() const { return views_.empty(); }

    DeviceContext* BorrowDC(ModelDocument* document) override;
    void ReleaseDC(ModelDocument* document, DeviceContext* dc) override;
    void InvalidateView(ModelDocument* document) override;
    void NotifyChange(ModelDocument* document, int code, ModelObject* object) override;
    void EndRenumberMessages(ModelDocument* document) override;
    int PageColumns(ModelDocument* document) override;
    void ChangePageCount(ModelDocument* document, int delta) override;

  private:
    std::vector<DiagramView*> views_;
    // Each lent device context with the view that lent it.
    std::vector<std::pair<DeviceContext*, DiagramView*>> lent_;
};

// The views of the document: its own list, or one that has no window for a
// null document or one that keeps no list.
DiagramView& ViewOf(ModelDocument* document);

// Borrows the view's device context for a scope; falls back on an
// offscreen one for documents without a view, so that text is always
// measured the same way.
class BorrowedDC {
  public:
    explicit BorrowedDC(ModelDocument* document);
    ~BorrowedDC();
    BorrowedDC(const BorrowedDC&) = delete;
    BorrowedDC& operator=(const BorrowedDC&) = delete;
    DeviceContext& dc() { return *dc_; }

  private:
    ModelDocument* document_;
    DeviceContext* dc_ = nullptr;
    DeviceContext* lent_ = nullptr;
    struct Own;
    std::unique_ptr<Own> own_;
};

} // namespace qm
