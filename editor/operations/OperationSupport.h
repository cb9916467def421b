// What the operations share: the base that keeps the press and last points
// and the repaint accumulator, and small helpers over the document's journal,
// the current tool and the selection.
#pragma once

#include "editor/operations/EditOperation.h"
#include "model/ChangeJournal.h"

#include <string>
#include <vector>

namespace qm {

class Drawable;
class Model;
class UndoJournal;

// The selected drawables a move of the selection moves: those in the list
// of the first selected one (the model's own, or a group's members). A move
// of a selection that spans lists moves only that list's, and its record
// names only those, so that its replay finds them all in one list.
std::vector<Drawable*> SelectionInFirstList(const Model& model);

// The margin the repaint accumulator adds on each side.
constexpr int kOperationRepaintMargin = 5;

class OperationBase : public EditOperation {
  protected:
    using EditOperation::EditOperation;

    static UndoJournal& JournalOf(OperationContext& context);
    // A handle of drawable in the document's map (empty for null).
    static ObjectHandle HandleOf(OperationContext& context, const Drawable* drawable);
    // Makes the pointer the current tool unless Shift keeps the tool.
    static void ReturnToPointer(OperationContext& context);
    // Selects drawable alone and tells the view.
    static void SelectAlone(OperationContext& context, Drawable* drawable);
    static void Repaint(OperationContext& context, const CRect& rect);
    // Takes an unfinished drawable out of the model and frees it, leaving
    // the document's id map first, so that no id names freed memory.
    static void Discard(OperationContext& context, Drawable* drawable);
    // The drawable under the event's point when self (the drawable being
    // built or moved, which lies under the mouse) is left out.
    static Drawable* HitBeneath(OperationContext& context, const PointerEvent& event,
                                const Drawable* self, int* part = nullptr);

    // The repaint accumulator: Begin copies the rectangle, Accumulate unites
    // into it, End unites the rectangle when the mouse moved, inflates by the
    // margin and repaints.
    void BeginRepaint(const CRect& rect);
    void AccumulateRepaint(const CRect& rect);
    void EndRepaint(OperationContext& context, const CRect& rect);

    CPoint press_;
    CPoint last_;
    CRect repaint_;
    bool accumulating_ = false;
};

} // namespace qm
