// The undo journal's call-box records: resizing, dragging and deleting a
// call box on the life line of a scenario place in a sequence diagram, and
// the call boxes of a message's end places, which the records of a created
// or reshaped message keep before and after the change.
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "document/UndoJournalRecords.h"
#include "drawables/CustomModel.h"
#include "drawables/Drawable.h"
#include "drawables/Link.h"
#include "drawables/ScenarioPlace.h"
#include "kernel/Kernel.h"
#include "platform/Errors.h"

#include <algorithm>

namespace qm {

using kest::Cell;
using kest::nil;

namespace journal {

namespace {

// The boxes of a life line that has none: written apart from nil, which
// stands for a part the record does not keep.
Cell* NoBoxes() {
    return kest::intern("none");
}

Cell* BoxesCell(const std::optional<std::vector<CRect>>& boxes) {
    if (!boxes)
        return nil;
    if (boxes->empty())
        return NoBoxes();
    Cell* out = nil;
    for (auto it = boxes->rbegin(); it != boxes->rend(); ++it)
        out = kest::mkcons(RectCell(*it), out);
    return out;
}

std::optional<std::vector<CRect>> ReadBoxes(Cell* cell) {
    if (cell == nil)
        return std::nullopt;
    std::vector<CRect> boxes;
    if (cell == NoBoxes())
        return boxes;
    for (Cell* rest = cell; rest != nil;)
        boxes.push_back(ReadRect(Next(rest)));
    return boxes;
}

CPoint ReadPointInRange(Cell* cell) {
    const CPoint point = ReadPoint(cell);
    if (!RectInRange(CRect(point, point)))
        throw CKestException(kDamaged);
    return point;
}

ScenarioPlace* ScenarioPlaceOf(Drawable* end) {
    return dynamic_cast<ScenarioPlace*>(end);
}

} // namespace

Cell* ContextForm(const ChangeContext& context) {
    return kest::mklist(BoxesCell(context.source), PointCell(context.sourcePoint),
                        BoxesCell(context.target), PointCell(context.targetPoint), nullptr);
}

ChangeContext ReadContext(Cell* cell) {
    ChangeContext context;
    if (cell == nil)
        return context;
    context.source = ReadBoxes(Next(cell));
    context.sourcePoint = ReadPointInRange(Next(cell));
    context.target = ReadBoxes(Next(cell));
    context.targetPoint = ReadPointInRange(Next(cell));
    if (cell != nil)
        throw CKestException(kDamaged);
    return context;
}

void RestoreCallBoxes(ScenarioPlace& place, const std::vector<CRect>& boxes, CPoint lifeLine) {
    place.callBoxes.boxes = boxes;
    if (!place.callBoxes.IsValid(place.callBoxes.currentIndex))
        place.callBoxes.currentIndex = -1;
    place.lifeLinePoint = lifeLine;
    place.UpdateRepaintRect();
}

void RestoreLinkEnds(Link& link, const ChangeContext& context) {
    if (ScenarioPlace* source = ScenarioPlaceOf(link.GetSourcePlace()); source && context.source)
        RestoreCallBoxes(*source, *context.source, context.sourcePoint);
    if (ScenarioPlace* target = ScenarioPlaceOf(link.GetTargetPlace()); target && context.target)
        RestoreCallBoxes(*target, *context.target, context.targetPoint);
}

} // namespace journal

using namespace journal;

// ---- the change context ----

void UndoJournal::SaveLinkEnds(ModelObject* link, int mask, bool redoSide) {
    auto* message = dynamic_cast<Link*>(link);
    if (message == nullptr)
        return;
    ChangeContext& context = redoSide ? pending_.redoContext : pending_.undoContext;
    if (ScenarioPlace* source = ScenarioPlaceOf(message->GetSourcePlace());
        source != nullptr && (mask & 0x1) != 0) {
        context.source = source->callBoxes.boxes;
        context.sourcePoint = source->lifeLinePoint;
    }
    if (ScenarioPlace* target = ScenarioPlaceOf(message->GetTargetPlace());
        target != nullptr && (mask & 0x2) != 0) {
        context.target = target->callBoxes.boxes;
        context.targetPoint = target->lifeLinePoint;
    }
}

void UndoJournal::SaveLifeLine(ModelObject* object, bool redoSide) {
    auto* place = dynamic_cast<ScenarioPlace*>(object);
    if (place == nullptr)
        return;
    ChangeContext& context = redoSide ? pending_.redoContext : pending_.undoContext;
    context.source = place->callBoxes.boxes;
    context.sourcePoint = place->lifeLinePoint;
}

void UndoJournal::SaveDragContext(const std::vector<CRect>& before, const std::vector<CRect>& after,
                                  CPoint lifeLine) {
    pending_.undoContext.source = before;
    pending_.undoContext.target = after;
    pending_.undoContext.sourcePoint = lifeLine;
    pending_.undoContext.targetPoint = lifeLine;
}

// ---- the records ----

Cell* UndoJournal::BuildCallBoxForm(const FormArgs& args) {
    const ChangeKind kind = args.kind;
    auto* place = dynamic_cast<ScenarioPlace*>(args.current);
    if (place == nullptr)
        throw CKestException("Call-box change recorded without its scenario place");
    if (!pending_.undoContext.source || !pending_.undoContext.target)
        throw CKestException("Call-box change recorded without its call boxes");
    Cell* form = kest::mklist(args.head, args.id, PointCell(pending_.offset),
                              Str(place->Id().Text()), ContextForm(pending_.undoContext), nullptr);
    if (kind == ChangeKind::ResizeCallBox)
        return form;
    // The messages of the box; a delete took along what hung on them, which
    // the change holds.
    std::vector<Drawable*> drawables;
    if (kind == ChangeKind::DeleteCallBox) {
        drawables = RemovedDrawables(nullptr);
    } else {
        drawables = ChangedDrawables();
    }
    std::vector<ModelObject*> objects(drawables.begin(), drawables.end());
    Cell* tail = kest::mklist(IdList("drawable", objects), nullptr);
    if (kind == ChangeKind::DeleteCallBox) {
        tail = kest::nconc(
            tail,
            kest::mklist(FullDrawables(drawables),
                         kest::mklist(kest::intern("positions"),
                                      IntList(DrawablePositions(args.model, drawables)), nullptr),
                         nullptr));
    }
    return kest::nconc(form, tail);
}

void UndoJournal::ReplayCallBoxes(ChangeKind kind, Model* model, Cell* fields, bool redo) {
    const CPoint offset = ReadPointInRange(Next(fields));
    auto* place = dynamic_cast<ScenarioPlace*>(LookupDrawable(Next(fields)));
    if (place == nullptr)
        throw CKestException(kDamaged);
    const ChangeContext context = ReadContext(Next(fields));
    // The boxes before the change are kept in the source part, those after
    // it in the target part.
    const std::optional<std::vector<CRect>>& boxes = redo ? context.target : context.source;
    const CPoint lifeLine = redo ? context.targetPoint : context.sourcePoint;
    if (!boxes)
        throw CKestException(kDamaged);

    if (kind == ChangeKind::ResizeCallBox) {
        RestoreCallBoxes(*place, *boxes, lifeLine);
        toSelect_.push_back(place);
        modelToShow_ = model;
        return;
    }
    ObjectsHeader header;
    header.drawables = ReadIdList(Next(fields), "drawable");
    if (kind == ChangeKind::DragCallBox) {
        auto* sequence = dynamic_cast<SequenceModel*>(model);
        if (sequence == nullptr)
            throw CKestException(kDamaged);
        DrawableRefList messages;
        for (const std::string& messageId : header.drawables)
            messages.push_back(LookupDrawable(Str(messageId.c_str())));
        RestoreCallBoxes(*place, *boxes, lifeLine);
        sequence->MoveMessages(messages, redo ? offset.y : -offset.y, nullptr);
        toSelect_.push_back(place);
        modelToShow_ = model;
        return;
    }
    // A deleted box: its messages come back on undo and go again on redo;
    // either is complete before the boxes change.
    Cell* full = Next(fields);
    if (!kest::islist(full))
        throw CKestException(kDamaged);
    if (Cell* positions = NextPositions(fields); positions != nil)
        header.drawablePositions = ReadInts(Next(positions));
    header.drawablePositions.resize(header.drawables.size(), -1);
    if (redo)
        RemoveObjects(kind, model, header);
    else
        RecreateObjects(kind, model, header, nil, nil, full);
    RestoreCallBoxes(*place, *boxes, lifeLine);
    if (redo)
        toSelect_.push_back(place);
    modelToShow_ = model;
}

} // namespace qm
