// The view's journaled edits outside its mouse operations.
#include "editor/operations/ViewEdits.h"

#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/DiagramView.h"
#include "drawables/DrawableKinds.h"
#include "drawables/Junction.h"
#include "drawables/LabelText.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "drawables/Tag.h"
#include "drawables/ToolModel.h"
#include "drawables/ZoomScaling.h"
#include "editor/EditorHost.h"
#include "editor/operations/OperationSupport.h"
#include "model/Master.h"
#include "model/Members.h"
#include "platform/TextHelpers.h"
#include "platform/UserSettings.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace qm {

namespace {

// The rectangles automatic sizing changes, kept for the journal's undo.
std::unique_ptr<Drawable> SavedRects(const Drawable& drawable) {
    auto saved = std::make_unique<Drawable>();
    saved->bounds = drawable.bounds;
    saved->labelRect = drawable.labelRect;
    saved->SetDetached();
    return saved;
}

void RecordAutoSize(UndoJournal& journal, Model& model, Drawable& drawable,
                    std::unique_ptr<Drawable> saved, const char* name) {
    JournalChange change(journal, ChangeKind::AutoSizeDrawable);
    journal.AddChangedObject(&drawable, std::move(saved));
    change.Record(name, &model, &drawable);
}

// Gives place the rectangle natural, recorded as "Auto-size Place" when its
// bounds changed; repaint gains the model area changed.
void ResizePlaceRecorded(const OperationContext& context, Place& place, const CRect& natural,
                         CRect& repaint) {
    std::unique_ptr<Drawable> previous = SavedRects(place);
    CRect area;
    if (natural == place.bounds || !context.model->SetDrawableBounds(&place, natural, area))
        return;
    place.Relayout();
    place.UpdateRepaintRect();
    repaint.UnionRect(repaint, area);
    repaint.UnionRect(repaint, place.repaintRect);
    if (place.bounds == previous->bounds)
        return;
    RecordAutoSize(context.document->GetJournal(), *context.model, place, std::move(previous),
                   "Auto-size Place");
}

} // namespace

JournalCalls& ScopeJournal(CCASEDoc& document) {
    return document.GetJournal();
}

CRect NudgeSelection(const OperationContext& context, int dx, int dy) {
    Model& model = *context.model;
    Drawable* first = model.Selection().front();
    // The links and floaters the move reshapes, so that undo and redo put
    // back exactly this geometry rather than recompute it.
    FollowerShapes followers = UndoJournal::CaptureFollowers(model);
    const CRect moved = model.MoveDrawables(first->Parent(), dx, dy, first->IsFloater());
    if (dx == 0 && dy == 0)
        return moved;
    UndoJournal& journal = context.document->GetJournal();
    JournalChange change(journal, ChangeKind::MoveDrawables);
    journal.SetFollowersBefore(std::move(followers));
    journal.SetOffset(CPoint(dx, dy));
    for (Drawable* drawable : SelectionInFirstList(model))
        journal.AddChangedObject(drawable, nullptr);
    change.Record("Nudge Drawables", &model, nullptr);
    return moved;
}

CRect SwapLane(const OperationContext& context, Swimlane& lane, bool left) {
    Model& model = *context.model;
    Swimlane* other = left ? lane.PreviousLane() : lane.NextLane();
    if (other == nullptr)
        return {};
    OperationView& view = context.Callbacks();
    model.DeselectAll(nullptr, false);
    view.SelectionChanged();
    // The links and tags the exchange moves keep their exact geometry
    // through undo and redo, as a move's do.
    FollowerShapes followers = UndoJournal::CaptureFollowers(model);
    UndoJournal& journal = context.document->GetJournal();
    JournalChange change(journal, ChangeKind::SwapSwimlanes);
    journal.SetFollowersBefore(std::move(followers));
    CRect repaint;
    model.SwapSwimlanes(&lane, other, repaint);
    view.InvalidateModelRect(lane.repaintRect);
    view.InvalidateModelRect(other->repaintRect);
    model.Select(&lane, true, nullptr, false);
    view.SelectionChanged();
    journal.SetOffset(CPoint(left ? -context.snapSize : context.snapSize, 0));
    journal.AddChangedObject(&lane, nullptr);
    journal.AddChangedObject(other, nullptr);
    change.Record("Swap Swimlanes", &model, nullptr);
    return repaint;
}

void AutoSizeLabel(const OperationContext& context, Drawable& drawable, const char* name,
                   CRect& repaint) {
    if (!OptionSet(AutoResizeToText))
        return;
    Model& model = *context.model;
    std::unique_ptr<Drawable> saved = SavedRects(drawable);
    CRect fitted;
    {
        BorrowedDC borrowed(context.document);
        if (auto* link = AsLink(&drawable))
            link->FitLabel(&borrowed.dc(), fitted);
        else if (auto* junction = AsJunction(&drawable))
            junction->FitLabel(borrowed.dc(), fitted);
        else if (auto* floater = AsFloater(&drawable))
            FitTextRect(borrowed.dc(), floater->text, nullptr, &floater->looks, floater->labelRect,
                        fitted);
        else
            return;
    }
    // The fit widens the label it starts from by up to a unit on each side,
    // so fitting a fitted label again would creep: a label within that of
    // the size its text needs is left as it is.
    if (std::abs(fitted.Width() - drawable.labelRect.Width()) <= 2 &&
        std::abs(fitted.Height() - drawable.labelRect.Height()) <= 2)
        return;
    CRect area;
    if (model.ReshapeDrawable(&drawable, fitted, area)) {
        area.InflateRect(area.Width() / 2, area.Height() / 2);
        repaint.UnionRect(repaint, area);
    }
    if (drawable.IsJunction())
        if (Drawable* owner = drawable.Parent()) {
            owner->UpdateRepaintRect();
            repaint.UnionRect(repaint, ScaleByZoom(owner->repaintRect, model.zoom));
        }
    if (drawable.labelRect != saved->labelRect)
        RecordAutoSize(context.document->GetJournal(), model, drawable, std::move(saved), name);
}

void RelayoutPlaces(const OperationContext& context, Drawable* drawable, Master& master,
                    CRect& repaint, bool suppress) {
    if (drawable == nullptr)
        return;
    if (dynamic_cast<PlaceGroup*>(drawable) != nullptr) {
        if (const DrawableList* members = drawable->MemberList()) {
            std::vector<Drawable*> list;
            for (const auto& member : *members)
                list.push_back(member.get());
            for (Drawable* member : list)
                RelayoutPlaces(context, member, master, repaint, suppress);
        }
        return;
    }
    auto* place = AsPlace(drawable);
    if (place == nullptr || place->master != &master)
        return;
    repaint.UnionRect(repaint, place->repaintRect);
    place->Relayout();
    place->UpdateRepaintRect();
    repaint.UnionRect(repaint, place->repaintRect);
    if (suppress || !OptionSet(AutoResizeToText) || master.tool == nullptr ||
        (master.tool->ToolFlagWord() & 0x2) == 0)
        return;
    CRect natural;
    {
        BorrowedDC borrowed(context.document);
        place->ComputeAutoSize(&borrowed.dc(), natural);
    }
    ResizePlaceRecorded(context, *place, natural, repaint);
}

CRect GrowEditedPlace(const OperationContext& context, Drawable& edited) {
    auto* place = AsPlace(&edited);
    if (place == nullptr || place->master == nullptr)
        return {};
    CRect grown;
    {
        BorrowedDC borrowed(context.document);
        place->ComputeGrownToText(&borrowed.dc(), grown);
    }
    CRect repaint;
    ResizePlaceRecorded(context, *place, grown, repaint);
    return repaint;
}

void AddMethod(const OperationContext& context, Master& target, const std::string& name) {
    std::unique_ptr<ModelObject> previous = target.Clone();
    previous->SetDetached();
    UndoJournal& journal = context.document->GetJournal();
    JournalChange change(journal, ChangeKind::PropertyChanges);
    auto method = std::make_unique<MasterMethod>();
    method->name = name;
    method->access = 3;
    target.methods.push_back(std::move(method));
    journal.AddChangedObject(&target, std::move(previous));
    change.Record("Property Changes", context.model, &target);
}

bool IsCallLink(const Link* link) {
    const auto* tool = link != nullptr ? dynamic_cast<const ToolModel*>(link->Tool()) : nullptr;
    return tool != nullptr && tool->GetSemanticsName() == "Control-Flow";
}

bool OfferMissingMethod(const OperationContext& context, Link* link, const std::string& text,
                        Master* master) {
    if ((link != nullptr && !IsCallLink(link)) || !OptionSet(ProfileOption::OfferAddMethod) ||
        master == nullptr || context.host == nullptr)
        return false;
    const std::string name = NameBeforeParenthesis(text);
    if (name.empty() || name == "?")
        return false;
    CCASEDoc& document = *context.document;
    std::vector<Master*> classes = document.CollectNestedMasters(master);
    if (std::find(classes.begin(), classes.end(), master) == classes.end())
        classes.insert(classes.begin(), master);
    std::vector<ObjectHandle> candidates;
    for (Master* candidate : classes) {
        for (const auto& method : candidate->methods)
            if (method->name == name)
                return false;
        candidates.push_back(ObjectHandle(candidate, &document.IdMap()));
    }
    const ObjectHandle chosen = context.host->OfferToAddMethod(document, candidates, name);
    auto* target = chosen.As<Master>();
    if (target != nullptr && std::find(classes.begin(), classes.end(), target) != classes.end())
        AddMethod(context, *target, name);
    return true;
}

CRect ChangeSelectionLooks(const OperationContext& context, const Looks& mask, const Looks& looks,
                           bool placesAndLinksOnly) {
    Model& model = *context.model;
    UndoJournal& journal = context.document->GetJournal();
    JournalChange change(journal, ChangeKind::LooksChange);
    CRect repaint;
    model.ChangeSelectionLooks(mask, looks, repaint, nullptr, placesAndLinksOnly);
    const std::vector<Drawable*> selection(model.Selection().begin(), model.Selection().end());
    for (Drawable* drawable : selection) {
        journal.AddChangedObject(drawable, nullptr);
        context.Callbacks().InvalidateModelRect(drawable->repaintRect);
    }
    change.Record("Looks Change", &model, nullptr);
    return repaint;
}

void RecordTextEdit(CCASEDoc& document, Model& model, Drawable& drawable, std::string& text,
                    const std::string& newText) {
    UndoJournal& journal = document.GetJournal();
    JournalChange change(journal, ChangeKind::TextEdit);
    std::unique_ptr<ModelObject> before = drawable.Clone();
    before->SetDetached();
    journal.AddChangedObject(&drawable, std::move(before));
    text = newText;
    if (auto* link = AsLink(&drawable))
        link->LayoutName();
    drawable.UpdateRepaintRect();
    change.Record("Text Edit", &model, &drawable);
}

ModelObject* EndTextEdit(CCASEDoc& document, Model& model, Drawable& drawable, std::string& text,
                         const std::string& newText) {
    UndoJournal& journal = document.GetJournal();
    if (auto* place = AsPlace(&drawable)) {
        Master* old = place->master;
        const std::string oldText = text;
        JournalChange change(journal, ChangeKind::PlaceMasterSwitch);
        Master* master = document.RenamePlaceMaster(place, newText, old->nameSpace, false);
        if (master == nullptr)
            return nullptr;
        place->master = master;
        place->Relayout();
        place->UpdateRepaintRect();
        journal.SetTexts(oldText, newText);
        journal.AddChangedObject(old, nullptr);
        if (master != old)
            journal.AddChangedObject(master, nullptr);
        change.Record("Place Master Switch", &model, place);
        return master;
    }
    RecordTextEdit(document, model, drawable, text, newText);
    return &drawable;
}

} // namespace qm
