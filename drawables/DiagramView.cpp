// The installed diagram view and the borrowed device context.
#include "drawables/DiagramView.h"

#include "platform/PainterDC.h"

#include <memory>

namespace qm {

namespace {

DiagramView defaultView;
DiagramView* installed = &defaultView;

} // namespace

DiagramView& View() {
    return *installed;
}

DiagramView* Install(DiagramView* view) {
    DiagramView* previous = installed == &defaultView ? nullptr : installed;
    installed = view != nullptr ? view : &defaultView;
    return previous;
}

struct BorrowedDC::Own {
    ImageDC image{1, 1};
};

BorrowedDC::BorrowedDC(ModelDocument* document) : document_(document) {
    lent_ = View().BorrowDC(document);
    if (lent_ != nullptr) {
        dc_ = lent_;
        return;
    }
    own_ = std::make_unique<Own>();
    dc_ = &own_->image;
}

BorrowedDC::~BorrowedDC() {
    if (lent_ != nullptr)
        View().ReleaseDC(document_, lent_);
}

} // namespace qm
