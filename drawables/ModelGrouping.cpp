// Grouping and ungrouping of the selection: Group As Primitive makes a
// primitive group of selected primitives, Group As Place a place group with
// a master of its own (a swimlane is a place group made for a lane). Each
// is one journal entry; refusals say why in a message box, or beep.
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/ModelEditing.h"
#include "drawables/Place.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/ZoomScaling.h"
#include "model/ChangeJournal.h"
#include "model/GuidMap.h"
#include "model/ModelDocument.h"
#include "platform/Errors.h"
#include "platform/Prompt.h"

#include <vector>

namespace qm {

namespace {

// The refusal shown when the selection cannot be grouped, or "".
std::string GroupRefusal(const Model& model, bool asPlace) {
    if (model.kind == MkSequence && asPlace)
        return "Grouping of drawables in a sequence diagram is not allowed.";
    for (const Drawable* drawable : model.selection) {
        if (drawable->IsSwimlane())
            return "Grouping of swimlanes is not allowed.";
        if (drawable->Parent() != nullptr)
            return "Grouping of drawables that are already in another group is not allowed.";
    }
    if (!asPlace) {
        for (const Drawable* drawable : model.selection) {
            if (drawable->IsPlace())
                return "Group As Primitive requires all the selected drawables to be "
                       "primitives.\nConsider using Group As Place instead.";
        }
    }
    return {};
}

} // namespace

Drawable* Model::Group(ModelDocument* document, ModelDocument* idDocument, CRect& repaint,
                       bool asPlace, const CRect* laneRect, Drawable* previousLane, int shift,
                       Drawable* nextLane, ChangeKind kind, const char* changeName) {
    const bool lane = laneRect != nullptr;
    asPlace = asPlace || lane;
    if (const std::string refusal = GroupRefusal(*this, asPlace); !refusal.empty()) {
        MessageBox(refusal, PromptIcon::Exclamation);
        return nullptr;
    }
    if (lane) {
        DeselectAll(nullptr, false);
        SelectInRect(nullptr, *laneRect);
    }
    NumberByPosition(drawables, 1);
    GetSelectionBounds(repaint);

    if (!asPlace) {
        for (const Drawable* drawable : selection) {
            if (!drawable->IsPrimitive()) {
                MessageBeep();
                return nullptr;
            }
        }
    } else {
        // A place group holds the links between its places and the message
        // floaters on those links, and nothing that reaches outside it.
        for (const auto& owned : drawables) {
            Link* link = AsLink(owned.get());
            if (link == nullptr)
                continue;
            Drawable* source = link->GetSourcePlace();
            Drawable* target = link->GetTargetPlace();
            const bool inside = source != nullptr && target != nullptr && source->IsSelected() &&
                                target->IsSelected();
            if (link->IsSelected() != inside)
                Select(link, inside, nullptr, false);
        }
        for (const auto& owned : drawables) {
            Drawable* floater = owned.get();
            if (!floater->IsFloater())
                continue;
            Drawable* on = AttachedTo(floater);
            const bool wanted = on != nullptr && on->IsSelected();
            if (floater->IsSelected() != wanted)
                Select(floater, wanted, nullptr, false);
        }
    }
    if (selection.empty() && !lane) {
        MessageBeep();
        return nullptr;
    }

    ModelDocument* ids = idDocument != nullptr ? idDocument : document;
    GuidMap* map = ids == nullptr  ? nullptr
                   : IsToolModel() ? ids->TemplateMap()
                                   : ids->ProjectMap();
    std::unique_ptr<Drawable> made =
        MakeGroup(document, map, asPlace, laneRect, previousLane, nextLane);
    if (made == nullptr) {
        MessageBeep();
        return nullptr;
    }
    Drawable* group = made.get();
    // The group took the selected drawables out of the list; what is left
    // of the selection names its members.
    DeselectAll(nullptr, false);
    if (asPlace)
        drawables.push_front(std::move(made));
    else
        drawables.push_back(std::move(made));
    Select(group, true, nullptr, false);
    repaint.UnionRect(repaint, group->repaintRect);
    repaint = ScaledRepaint(repaint, zoom);

    if (kind != ChangeKind::ProjectSaved) {
        Journal().BeginChange(document, kind);
        auto* place = asPlace ? dynamic_cast<Place*>(group) : nullptr;
        Journal().AddChangedObject(document, place != nullptr ? place->master : nullptr, nullptr);
        Journal().AddChangedObject(document, group, nullptr);
        Journal().SetOffset(document, CPoint(shift, 0));
        Journal().RecordChange(document, kind, changeName, this, group);
    }
    return group;
}

std::unique_ptr<Drawable> Model::MakeGroup(ModelDocument*, GuidMap* map, bool asPlace, const CRect*,
                                           Drawable*, Drawable*) {
    if (asPlace)
        return nullptr;
    auto group = std::make_unique<PrimitiveGroup>(map);
    group->AddMembers(drawables);
    group->looks.Init(true, nullptr);
    return group;
}

void Model::Ungroup(ModelDocument* document, CRect& repaint, ChangeKind kind) {
    if (selection.size() != 1 || selection.front()->Parent() != nullptr) {
        MessageBeep();
        return;
    }
    Drawable* group = selection.front();
    auto* groupPlace = group->IsPlaceGroup() ? dynamic_cast<Place*>(group) : nullptr;
    if (groupPlace != nullptr && groupPlace->master != nullptr &&
        groupPlace->master->submodel != nullptr)
        throw CKestException("Ungrouping of a group that has a sumbodel is not allowed.");
    auto* container = dynamic_cast<PrimitiveGroup*>(ContainerOf(group));
    MarkAll(0);
    Journal().BeginChange(document, kind);
    repaint.SetRectEmpty();

    // What ends on the group itself cannot outlive it.
    DrawableList hanging;
    if (groupPlace != nullptr) {
        for (auto it = drawables.begin(); it != drawables.end();) {
            Drawable* d = it->get();
            Link* link = AsLink(d);
            const bool ends = link != nullptr ? (link->GetSourcePlace() == group ||
                                                 link->GetTargetPlace() == group)
                                              : AttachedTo(d) == group;
            if (!ends) {
                ++it;
                continue;
            }
            repaint.UnionRect(repaint, d->repaintRect);
            selection.remove(d);
            hanging.push_back(std::move(*it));
            it = drawables.erase(it);
        }
    }

    if (container != nullptr) {
        Select(group, false, nullptr, false);
        std::unique_ptr<Drawable> owned = TakeFrom(drawables, group);
        std::vector<Drawable*> members;
        for (const auto& member : container->Members())
            members.push_back(member.get());
        for (Drawable* member : members) {
            std::unique_ptr<Drawable> out = container->RemoveMember(member);
            if (out == nullptr)
                continue;
            out->Mark(1, 1, 0);
            drawables.push_back(std::move(out));
        }
        if (groupPlace != nullptr && groupPlace->master != nullptr &&
            groupPlace->master->refCount > 0)
            --groupPlace->master->refCount;
        repaint.UnionRect(repaint, group->repaintRect);
        Journal().HoldRemovedObject(document, std::move(owned));
    }
    for (auto& d : hanging)
        Journal().HoldRemovedObject(document, std::move(d));

    DeselectAll(nullptr, false);
    for (const auto& d : drawables) {
        if (d->IsMarked()) {
            d->Mark(0, 1, 0);
            Select(d.get(), true, nullptr, false);
        }
    }
    repaint = ScaledRepaint(repaint, zoom);
    Journal().RecordChange(document, kind, "Ungroup", this, nullptr);
}

} // namespace qm
