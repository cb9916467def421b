// The views of a document and the borrowed device context.
#include "drawables/DiagramView.h"

#include "model/ModelDocument.h"
#include "platform/PainterDC.h"

#include <algorithm>
#include <memory>

namespace qm {

namespace {

// Answers every call as a document without a window does; it keeps no state.
DiagramView noWindow;

} // namespace

DiagramView& ViewOf(ModelDocument* document) {
    DiagramView* views = document != nullptr ? document->Views() : nullptr;
    return views != nullptr ? *views : noWindow;
}

void DiagramViews::Attach(DiagramView* view) {
    if (view != nullptr && std::find(views_.begin(), views_.end(), view) == views_.end())
        views_.push_back(view);
}

void DiagramViews::Detach(DiagramView* view) {
    std::erase(views_, view);
    // A view that goes hands back what it lent; the borrower falls back on
    // nothing, so only the bookkeeping is dropped.
    std::erase_if(lent_, [view](const auto& entry) { return entry.second == view; });
}

DeviceContext* DiagramViews::BorrowDC(ModelDocument* document) {
    if (views_.empty())
        return nullptr;
    DeviceContext* dc = views_.front()->BorrowDC(document);
    if (dc != nullptr)
        lent_.emplace_back(dc, views_.front());
    return dc;
}

void DiagramViews::ReleaseDC(ModelDocument* document, DeviceContext* dc) {
    const auto entry = std::find_if(lent_.begin(), lent_.end(),
                                    [dc](const auto& lent) { return lent.first == dc; });
    if (entry == lent_.end())
        return;
    DiagramView* lender = entry->second;
    lent_.erase(entry);
    lender->ReleaseDC(document, dc);
}

void DiagramViews::InvalidateView(ModelDocument* document) {
    for (DiagramView* view : std::vector(views_))
        view->InvalidateView(document);
}

void DiagramViews::NotifyChange(ModelDocument* document, int code, ModelObject* object) {
    for (DiagramView* view : std::vector(views_))
        view->NotifyChange(document, code, object);
}

void DiagramViews::EndRenumberMessages(ModelDocument* document) {
    for (DiagramView* view : std::vector(views_))
        view->EndRenumberMessages(document);
}

int DiagramViews::PageColumns(ModelDocument* document) {
    return views_.empty() ? 0 : views_.front()->PageColumns(document);
}

void DiagramViews::ChangePageCount(ModelDocument* document, int delta) {
    for (DiagramView* view : std::vector(views_))
        view->ChangePageCount(document, delta);
}

struct BorrowedDC::Own {
    ImageDC image{1, 1};
};

BorrowedDC::BorrowedDC(ModelDocument* document) : document_(document) {
    lent_ = ViewOf(document).BorrowDC(document);
    if (lent_ != nullptr) {
        dc_ = lent_;
        return;
    }
    own_ = std::make_unique<Own>();
    dc_ = &own_->image;
}

BorrowedDC::~BorrowedDC() {
    if (lent_ != nullptr)
        ViewOf(document_).ReleaseDC(document_, lent_);
}

} // namespace qm
