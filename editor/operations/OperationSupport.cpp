// The shared base of the operations and its helpers.
#include "editor/operations/OperationSupport.h"

#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/Model.h"
#include "editor/EditorHost.h"
#include "model/GuidMap.h"

namespace qm {

UndoJournal& OperationBase::JournalOf(OperationContext& context) {
    return context.document->GetJournal();
}

ObjectHandle OperationBase::HandleOf(OperationContext& context, const Drawable* drawable) {
    if (drawable == nullptr || context.document == nullptr)
        return {};
    return ObjectHandle(drawable, &context.document->IdMap());
}

void OperationBase::ReturnToPointer(OperationContext& context) {
    if (!context.Shift() && context.host != nullptr)
        context.host->SetCurrentTool(TkPointer);
}

void OperationBase::SelectAlone(OperationContext& context, Drawable* drawable) {
    context.model->DeselectAll(nullptr, false);
    if (drawable != nullptr)
        context.model->Select(drawable, true, nullptr, false);
    context.Callbacks().SelectionChanged();
}

void OperationBase::Repaint(OperationContext& context, const CRect& rect) {
    if (!rect.IsRectEmpty())
        context.Callbacks().InvalidateModelRect(rect);
}

Drawable* OperationBase::HitBeneath(OperationContext& context, const PointerEvent& event,
                                    const Drawable* self, int* part) {
    if (part != nullptr)
        *part = event.part;
    if (event.hit == nullptr || self == nullptr || event.hit != self)
        return event.hit;
    const int tool = context.host != nullptr ? context.host->CurrentTool() : TkPointer;
    int hitPart = 0;
    int knob = -1;
    Drawable* hit = context.model->HitTest(tool, event.rawPoint.x, event.rawPoint.y, hitPart, knob,
                                           int(context.flags), self);
    if (part != nullptr)
        *part = hitPart;
    return hit;
}

void OperationBase::Discard(OperationContext& context, Drawable* drawable) {
    std::unique_ptr<Drawable> removed = context.model->RemoveDrawable(drawable, false);
    if (removed == nullptr)
        return;
    GuidScope scope(&context.document->IdMap(), context.document->TemplateMap(), false);
    if (context.document->IdMap().Lookup(removed->Id().Text()) == removed.get())
        removed->Detach(&scope);
    else
        removed->SetDetached();
}

void OperationBase::BeginRepaint(const CRect& rect) {
    accumulating_ = true;
    repaint_ = rect;
}

void OperationBase::AccumulateRepaint(const CRect& rect) {
    CRect united;
    united.UnionRect(repaint_, rect);
    repaint_ = united;
}

void OperationBase::EndRepaint(OperationContext& context, const CRect& rect) {
    accumulating_ = false;
    if (last_ == press_)
        return;
    AccumulateRepaint(rect);
    CRect area = repaint_;
    area.InflateRect(kOperationRepaintMargin, kOperationRepaintMargin);
    Repaint(context, area);
}

std::vector<Drawable*> SelectionInFirstList(const Model& model) {
    std::vector<Drawable*> out;
    const auto& selection = model.Selection();
    if (selection.empty())
        return out;
    const Drawable* list = selection.front()->Parent();
    for (Drawable* drawable : selection) {
        if (drawable->Parent() == list)
            out.push_back(drawable);
    }
    return out;
}

} // namespace qm
