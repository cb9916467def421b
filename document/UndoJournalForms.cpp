// The undo journal's record forms and replay handlers of the editing
// operations on drawables, masters and models: delete, cut and paste (the
// objects written whole and re-created from the file), grouping and
// ungrouping, the drawing order, flips and rotations, Reposition and Auto
// Size, and link styles.
//
// Every handler reads and resolves all that its record names before it
// changes anything, so a record that does not read or whose objects are gone
// fails with a message and leaves the project as it was.
#include "document/CCASEDoc.h"
#include "document/DocumentRecords.h"
#include "document/UndoJournal.h"
#include "document/UndoJournalRecords.h"
#include "drawables/DrawableFactory.h"
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/Primitives.h"
#include "drawables/ScenarioPlace.h"
#include "drawables/ToolModel.h"
#include "kernel/Kernel.h"
#include "model/Master.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace qm {

using kest::Cell;
using kest::nil;

namespace {

using namespace journal;

// Nesting of groups the journal follows; deeper is taken for a damaged record.
constexpr int kMaxDepth = 1000;

bool IsLineKind(int code) {
    return code == TkLine || code == TkPolyline || code == TkPolygon;
}

// A drawable whose geometry is its vertices (mode 2 entries): a link or a
// line, poly-line or polygon primitive.
bool HasVertices(const Drawable* drawable) {
    return drawable->IsLink() || IsLineKind(drawable->kindCode);
}

std::vector<CPoint> VerticesOf(const Drawable* drawable) {
    std::vector<CPoint> points;
    drawable->GetVertices(points);
    return points;
}

bool SetVerticesOf(Drawable* drawable, const std::vector<CPoint>& points) {
    if (auto* link = dynamic_cast<Link*>(drawable))
        return link->SetVertices(points);
    if (auto* line = dynamic_cast<LinePrimitive*>(drawable))
        return line->SetPoints(line->kindCode, int(points.size()), points.data());
    return false;
}

// The list a drawable lives in: its group's members, else the model's.
DrawableList* OwningList(Drawable* drawable, Model* model) {
    if (Drawable* parent = drawable->Parent())
        return parent->GetMemberList();
    return model != nullptr ? &model->drawables : nullptr;
}

int32_t IndexIn(const DrawableList& list, const Drawable* drawable) {
    int32_t index = 0;
    for (const auto& owned : list) {
        if (owned.get() == drawable)
            return index;
        ++index;
    }
    return -1;
}

// Every place in drawable (itself, the members of its groups) gives its use
// of its master back (release) or takes one more.
void CountPlaceUses(Drawable* drawable, bool release, int depth) {
    if (DrawableList* members = drawable->GetMemberList();
        members != nullptr && depth < kMaxDepth) {
        for (const auto& member : *members)
            CountPlaceUses(member.get(), release, depth + 1);
    }
    auto* place = drawable->IsPlace() ? dynamic_cast<Place*>(drawable) : nullptr;
    if (place == nullptr || place->master == nullptr)
        return;
    if (!release)
        place->Place::AddMasterReference();
    else if (place->master->refCount > 0)
        --place->master->refCount;
}

void CountModelUses(Model& model, bool release) {
    for (const auto& drawable : model.drawables)
        CountPlaceUses(drawable.get(), release, 0);
}

// Puts drawables into list at their positions (-1: at the end), in
// ascending order of them, so that each lands where it stood: one walk
// along the list.
void InsertAtPositions(DrawableList& list, std::vector<std::unique_ptr<Drawable>>& drawables,
                       const std::vector<int32_t>& positions) {
    std::vector<size_t> indices(drawables.size());
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = i;
    std::stable_sort(indices.begin(), indices.end(), [&](size_t a, size_t b) {
        return uint32_t(positions[a]) < uint32_t(positions[b]);
    });
    auto at = list.begin();
    int64_t index = 0;
    for (size_t i : indices) {
        if (drawables[i] == nullptr)
            continue;
        if (positions[i] < 0) {
            list.push_back(std::move(drawables[i]));
            continue;
        }
        while (index < positions[i] && at != list.end()) {
            ++at;
            ++index;
        }
        list.insert(at, std::move(drawables[i]));
        ++index;
    }
}

// Create and paste add objects: undo removes them, redo brings them back,
// and their places count their masters' uses when read.
bool AddsObjects(ChangeKind kind) {
    return kind == ChangeKind::Create || kind == ChangeKind::Paste;
}

// The kinds whose handlers swap the direction: paste, ungroup.
bool IsUngroup(ChangeKind kind) {
    return kind == ChangeKind::UngroupPrimitive || kind == ChangeKind::UngroupPlace;
}

} // namespace

// ---- objects handed over and freed ----

void UndoJournal::DestroyObject(std::unique_ptr<ModelObject> object) {
    if (object == nullptr)
        return;
    GuidScope scope(document_.ProjectMap(), document_.TemplateMap());
    if (auto* drawable = dynamic_cast<Drawable*>(object.get())) {
        object.release();
        if (auto* lane = dynamic_cast<Swimlane*>(drawable); lane != nullptr && lane->IsSwimlane())
            lane->Unlink(true);
        DiscardDrawable(std::unique_ptr<Drawable>(drawable), &scope);
        return;
    }
    if (auto* model = dynamic_cast<Model*>(object.get())) {
        // A master that still shows the model as its submodel forgets it.
        if (model->parentMaster != nullptr && model->parentMaster->submodel == model)
            model->parentMaster->submodel = nullptr;
        scope.Select(model->IsToolModel());
    }
    GuidMap* map = scope.current;
    if (map != nullptr && map->Lookup(object->Id().Text()) == object.get())
        object->Detach(&scope);
    else
        object->SetDetached();
}

void UndoJournal::DestroyHeld() {
    // Drawables first, then masters (a master clears the back link of its
    // submodel), then models.
    HeldObjects held = std::move(held_);
    held_.clear();
    for (int pass = 0; pass < 3; ++pass) {
        for (auto it = held.begin(); it != held.end();) {
            ModelObject* object = it->get();
            const bool now = pass == 0   ? dynamic_cast<Drawable*>(object) != nullptr
                             : pass == 1 ? dynamic_cast<Master*>(object) != nullptr
                                         : true;
            if (!now) {
                ++it;
                continue;
            }
            DestroyObject(std::move(*it));
            it = held.erase(it);
        }
    }
}

Drawable* UndoJournal::LookupDrawable(Cell* id) {
    if (!IsString(id))
        throw CKestException(kDamaged);
    ModelObject* object = nullptr;
    scope_.Lookup(id->a.str, object, true);
    auto* drawable = dynamic_cast<Drawable*>(object);
    if (drawable == nullptr)
        throw CKestException(kDamaged);
    return drawable;
}

// ---- building the forms ----

Cell* UndoJournal::BuildMoreForm(ChangeKind kind, Model* model, Cell* head, Cell* id,
                                 ModelObject* current) {
    std::vector<Drawable*> drawables;
    for (ModelObject* object : changed_) {
        if (auto* drawable = dynamic_cast<Drawable*>(object))
            drawables.push_back(drawable);
    }
    switch (kind) {
    case ChangeKind::Create:
    case ChangeKind::Delete:
    case ChangeKind::Cut:
    case ChangeKind::Paste:
        return BuildObjectsForm(kind, model, head, id);
    case ChangeKind::TextEdit: {
        // The object and its edited text before (from the copy taken when
        // the edit began) and after.
        auto* drawable = dynamic_cast<Drawable*>(current);
        if (drawable == nullptr && !drawables.empty())
            drawable = drawables.front();
        auto* before = previous_.empty() ? nullptr : dynamic_cast<Drawable*>(previous_[0].get());
        if (drawable == nullptr || before == nullptr)
            return nil;
        CRect rect;
        const std::string* oldText = before->GetEditableText(rect);
        const std::string* newText = drawable->GetEditableText(rect);
        if (oldText == nullptr || newText == nullptr)
            return nil;
        return kest::mklist(head, id, Str(drawable->Id().Text()), Str(oldText->c_str()),
                            Str(newText->c_str()), nullptr);
    }
    case ChangeKind::SwapSwimlanes: {
        std::vector<ModelObject*> lanes(drawables.begin(), drawables.end());
        return kest::mklist(head, id, IdList("drawable", lanes), nullptr);
    }
    case ChangeKind::PlaceMasterSwitch: {
        // The place, its text before and after, and the masters it left
        // and took.
        auto* place = dynamic_cast<Place*>(current);
        if (place == nullptr && !drawables.empty())
            place = dynamic_cast<Place*>(drawables.front());
        if (place == nullptr)
            return nil;
        std::vector<ModelObject*> masters;
        for (ModelObject* object : changed_) {
            if (dynamic_cast<Master*>(object) != nullptr)
                masters.push_back(object);
        }
        return kest::mklist(head, id, Str(place->Id().Text()), Str(oldText_.c_str()),
                            Str(newText_.c_str()), IdList("master", masters), nullptr);
    }
    case ChangeKind::NewToolModel:
        // The new tool model names itself in the head.
        return model != nullptr && model->IsToolModel() ? kest::mklist(head, id, nullptr) : nil;
    case ChangeKind::ExplodeToExisting:
    case ChangeKind::BreakExplode: {
        // The master exploded (or no longer exploded) and its submodel: the
        // master's own, else the one the change names.
        std::vector<ModelObject*> masters;
        for (ModelObject* object : changed_) {
            if (dynamic_cast<Master*>(object) != nullptr)
                masters.push_back(object);
        }
        if (masters.empty())
            return nil;
        auto* master = static_cast<Master*>(masters.front());
        ModelObject* submodel = master->submodel != nullptr ? master->submodel : current;
        if (dynamic_cast<Model*>(submodel) == nullptr)
            return nil;
        return kest::mklist(head, id, Str(submodel->Id().Text()), IdList("master", masters),
                            nullptr);
    }
    case ChangeKind::Explode:
    case ChangeKind::NewModel: {
        // The new model's own record; the head names the model itself.
        if (model == nullptr)
            return nil;
        GuidScope modelScope(document_.ProjectMap(), document_.TemplateMap(), model->IsToolModel());
        return kest::mklist(head, id, WriteModelRecord(&document_, *model, &modelScope), nullptr);
    }
    case ChangeKind::AutoSizeDrawable: {
        // The rectangle auto-size changed, before and after: the label
        // rectangle of a link, floater or junction, the bounds of a place.
        if (drawables.empty() || previous_.empty())
            return nil;
        Drawable* drawable = drawables.front();
        const auto* before = dynamic_cast<const Drawable*>(previous_.front().get());
        if (before == nullptr)
            return nil;
        const bool label = drawable->IsLink() || drawable->IsFloater() || drawable->IsJunction();
        return kest::mklist(head, id, RectCell(label ? before->labelRect : before->bounds),
                            RectCell(label ? drawable->labelRect : drawable->bounds),
                            Str(drawable->Id().Text()), nullptr);
    }
    case ChangeKind::LooksChange: {
        // Mode 3: each drawable's looks before and after.
        Cell* entries = nil;
        for (auto it = drawables.rbegin(); it != drawables.rend(); ++it) {
            entries = kest::mkcons(Str((*it)->Id().Text()),
                                   kest::mkcons((*it)->oldLooks.Persist(nil),
                                                kest::mkcons((*it)->looks.Persist(nil), entries)));
        }
        return kest::mklist(head, id, kest::mkcons(kest::intern("drawable"), entries), nullptr);
    }
    case ChangeKind::MoveDrawables:
        return BuildMoveForm(model, head, id, drawables);
    case ChangeKind::BringToFront:
    case ChangeKind::SendToBack: {
        // Each drawable with its place in its list before and after.
        Cell* entries = nil;
        for (auto it = drawables.rbegin(); it != drawables.rend(); ++it) {
            entries = kest::mkcons(
                Str((*it)->Id().Text()),
                kest::mkcons(kest::mkint((*it)->savedBounds.left),
                             kest::mkcons(kest::mkint((*it)->savedBounds.top), entries)));
        }
        return kest::mklist(head, id, kest::mkcons(kest::intern("drawable"), entries), nullptr);
    }
    case ChangeKind::FlipHorizontal:
    case ChangeKind::FlipVertical:
    case ChangeKind::RotateLeft:
    case ChangeKind::RotateRight: {
        std::vector<ModelObject*> objects(drawables.begin(), drawables.end());
        return kest::mklist(head, id, kest::mkint(turnCode_), IdList("drawable", objects), nullptr);
    }
    case ChangeKind::AutoSize:
    case ChangeKind::LinksLooksChange: {
        // Mode 2: the geometry before and after; the vertices before come
        // in order from the points the operation handed over.
        size_t taken = 0;
        Cell* entries = nil;
        for (Drawable* drawable : drawables) {
            Cell* before;
            Cell* after;
            if (HasVertices(drawable)) {
                const std::vector<CPoint> now = VerticesOf(drawable);
                size_t count = now.size();
                if (auto* link = dynamic_cast<Link*>(drawable))
                    count = link->savedVertexCount;
                count = std::min(count, oldVertices_.size() - taken);
                before = PointsCell(
                    std::vector<CPoint>(oldVertices_.begin() + std::ptrdiff_t(taken),
                                        oldVertices_.begin() + std::ptrdiff_t(taken + count)));
                taken += count;
                after = PointsCell(now);
            } else {
                before = RectCell(drawable->savedBounds);
                after = RectCell(drawable->bounds);
            }
            entries = kest::mkcons(kest::mklist(Str(drawable->Id().Text()), before, after, nullptr),
                                   entries);
        }
        entries = kest::mkcons(kest::intern("drawable"), kest::nreverse(entries));
        if (kind == ChangeKind::AutoSize)
            return kest::mklist(head, id, entries, nullptr);
        constexpr uint32_t kStyleBits = MfStepLink | MfCurveLink;
        const uint32_t now = model != nullptr ? model->modelFlags : 0;
        return kest::mklist(head, id, kest::mkint(int32_t(savedFlags_ & kStyleBits)),
                            kest::mkint(int32_t(now & kStyleBits)), entries, nullptr);
    }
    case ChangeKind::Reshape:
    case ChangeKind::Reshape4:
        return BuildReshapeForm(model, head, id, drawables);
    case ChangeKind::DragJunction:
    case ChangeKind::AddJunction:
    case ChangeKind::DeleteJunction:
        return BuildJunctionForm(kind, head, id, current, drawables);
    case ChangeKind::ResizeCallBox:
    case ChangeKind::DragCallBox:
    case ChangeKind::DeleteCallBox:
        return BuildCallBoxForm(kind, model, head, id, current);
    case ChangeKind::GroupAsPrimitive:
    case ChangeKind::GroupAsPlace:
    case ChangeKind::CreateSwimlane:
    case ChangeKind::UngroupPrimitive:
    case ChangeKind::UngroupPlace:
        return BuildGroupForm(kind, model, head, id, current);
    case ChangeKind::ResizeTool:
    case ChangeKind::IconEdit:
        return BuildToolForm(kind, model, head);
    default:
        return nil;
    }
}

std::vector<int32_t> UndoJournal::DrawablePositions(Model* model,
                                                    const std::vector<Drawable*>& drawables) const {
    std::unordered_set<const ModelObject*> heldSet;
    for (const auto& object : held_)
        heldSet.insert(object.get());
    std::vector<int32_t> positions;
    for (Drawable* drawable : drawables) {
        // A removed drawable keeps its place in its list in the first word of
        // its saved bounds; a pasted one is where it is.
        if (heldSet.count(drawable) != 0) {
            positions.push_back(drawable->savedBounds.left);
        } else {
            DrawableList* list = OwningList(drawable, model);
            positions.push_back(list != nullptr ? IndexIn(*list, drawable) : -1);
        }
    }
    return positions;
}

std::vector<Drawable*> UndoJournal::RemovedDrawables(const Drawable* except) const {
    std::vector<Drawable*> drawables;
    std::unordered_set<const Drawable*> listed{except};
    auto add = [&](ModelObject* object) {
        auto* drawable = dynamic_cast<Drawable*>(object);
        if (drawable != nullptr && listed.insert(drawable).second)
            drawables.push_back(drawable);
    };
    for (ModelObject* object : changed_)
        add(object);
    for (const auto& object : held_)
        add(object.get());
    return drawables;
}

Cell* UndoJournal::FullDrawables(const std::vector<Drawable*>& drawables) {
    Cell* full = nil;
    for (auto it = drawables.rbegin(); it != drawables.rend(); ++it)
        full = kest::mkcons((*it)->Persist(&scope_, nil), full);
    return full;
}

Cell* UndoJournal::BuildObjectsForm(ChangeKind kind, Model* model, Cell* head, Cell* id) {
    std::vector<Master*> masters;
    std::vector<Model*> models;
    std::vector<Drawable*> drawables;
    auto sort = [&](ModelObject* object) {
        if (auto* master = dynamic_cast<Master*>(object))
            masters.push_back(master);
        else if (auto* m = dynamic_cast<Model*>(object))
            models.push_back(m);
        else if (auto* drawable = dynamic_cast<Drawable*>(object))
            drawables.push_back(drawable);
    };
    for (ModelObject* object : changed_)
        sort(object);
    for (const auto& object : held_)
        sort(object.get());
    // A removed master's exploded submodel that went with it is written
    // (and freed) with the other models, so that undo brings both back.
    if (kind == ChangeKind::Delete || kind == ChangeKind::Cut) {
        for (Master* master : masters) {
            auto* submodel = dynamic_cast<Model*>(master->submodel);
            if (submodel != nullptr && (submodel->flags & CCASEDoc::ModelRemoved) != 0 &&
                std::find(models.begin(), models.end(), submodel) == models.end())
                models.push_back(submodel);
        }
    }
    if (kind == ChangeKind::Paste && model != nullptr &&
        std::find(models.begin(), models.end(), model) == models.end()) {
        // The pasted drawables are the model's selection.
        for (Drawable* drawable : model->selection) {
            if (drawable->Parent() == nullptr)
                drawables.push_back(drawable);
        }
    }
    // A change whose model goes with it (a pasted or removed model) names none.
    if (model != nullptr && std::find(models.begin(), models.end(), model) != models.end())
        id = Str("");

    std::vector<int32_t> masterPositions;
    for (Master* master : masters) {
        int32_t position = -1;
        const auto& list = document_.Masters().Masters();
        for (size_t i = 0; i < list.size(); ++i) {
            if (list[i].get() == master)
                position = int32_t(i);
        }
        if (position < 0) {
            auto at = std::find(masterOrder_.begin(), masterOrder_.end(), master);
            if (at != masterOrder_.end())
                position = int32_t(at - masterOrder_.begin());
        }
        masterPositions.push_back(position);
    }
    std::vector<int32_t> modelPositions;
    for (Model* m : models) {
        int32_t position = -1;
        if (document_.HasModel(m)) {
            position = int32_t(document_.GetModelIndex(m));
        } else {
            auto at = std::find(modelOrder_.begin(), modelOrder_.end(), m);
            if (at != modelOrder_.end())
                position = int32_t(at - modelOrder_.begin());
        }
        modelPositions.push_back(position);
    }
    const std::vector<int32_t> drawablePositions = DrawablePositions(model, drawables);

    Cell* fullMasters = nil;
    GuidScope projectScope(document_.ProjectMap(), document_.TemplateMap());
    for (auto it = masters.rbegin(); it != masters.rend(); ++it)
        fullMasters = kest::mkcons((*it)->Persist(&projectScope, nullptr), fullMasters);
    Cell* fullModels = nil;
    for (auto it = models.rbegin(); it != models.rend(); ++it) {
        GuidScope modelScope(document_.ProjectMap(), document_.TemplateMap(), (*it)->IsToolModel());
        fullModels = kest::mkcons(WriteModelRecord(&document_, **it, &modelScope), fullModels);
    }
    Cell* fullDrawables = FullDrawables(drawables);

    std::vector<ModelObject*> modelObjects(models.begin(), models.end());
    std::vector<ModelObject*> masterObjects(masters.begin(), masters.end());
    std::vector<ModelObject*> drawableObjects(drawables.begin(), drawables.end());
    Cell* header =
        kest::mklist(head, id, IdList("model", modelObjects), IdList("master", masterObjects),
                     IdList("drawable", drawableObjects),
                     kest::mklist(kest::intern("positions"), IntList(modelPositions),
                                  IntList(masterPositions), IntList(drawablePositions), nullptr),
                     nullptr);

    // What a delete or cut removed is in the record now: the document hands
    // over the masters and models it kept, and they go with the drawables.
    if (kind == ChangeKind::Delete || kind == ChangeKind::Cut) {
        for (Master* master : masters) {
            if (std::unique_ptr<Master> owned = document_.TakeRemovedMaster(master))
                held_.push_back(std::move(owned));
        }
        for (Model* m : models) {
            if (std::unique_ptr<Model> owned = document_.TakeRemovedModel(m))
                held_.push_back(std::move(owned));
        }
    }
    // A message created in a sequence diagram keeps the call boxes of its
    // end places before and after it.
    Cell* ends = nil;
    if (kind == ChangeKind::Create && model != nullptr && model->kind == MkSequence &&
        drawables.size() == 1 && drawables.front()->IsLink())
        ends = kest::mklist(ContextForm(undoContext_), ContextForm(redoContext_), nullptr);
    return kest::mklist(header, fullMasters, fullModels, fullDrawables, ends, nullptr);
}

// ---- replaying ----

void UndoJournal::ReplayMore(ChangeKind kind, Cell* form, bool redo) {
    switch (kind) {
    case ChangeKind::Create:
    case ChangeKind::Delete:
    case ChangeKind::Cut:
    case ChangeKind::Paste:
        ReplayObjects(kind, form, redo);
        return;
    case ChangeKind::Explode:
    case ChangeKind::NewModel:
        ReplayNewModel(form, redo);
        return;
    case ChangeKind::ResizeTool:
    case ChangeKind::IconEdit:
        ReplayTool(kind, form, redo);
        return;
    default:
        break;
    }
    Target target;
    Cell* fields = CheckTarget(form, target);
    Model* model = target.model;
    switch (kind) {
    case ChangeKind::MoveDrawables:
        ReplayMove(model, fields, redo);
        return;
    case ChangeKind::BringToFront:
    case ChangeKind::SendToBack: {
        Cell* entries = Next(fields);
        if (!kest::ispair(entries) || kest::car(entries) != kest::intern("drawable"))
            throw CKestException("drawable sym expected");
        entries = kest::cdr(entries);
        struct Entry {
            Drawable* drawable;
            int32_t before;
            int32_t after;
        };
        std::vector<Entry> read;
        while (entries != nil) {
            Drawable* drawable = LookupDrawable(Next(entries));
            const int32_t before = NextInt(entries);
            const int32_t after = NextInt(entries);
            read.push_back({drawable, before, after});
        }
        DrawableRefList list;
        for (const Entry& entry : read) {
            entry.drawable->savedBounds.left = entry.before;
            entry.drawable->savedBounds.top = entry.after;
            list.push_back(entry.drawable);
        }
        model->RestoreOrder(list, redo ? 2 : 1);
        toSelect_.assign(list.begin(), list.end());
        modelToShow_ = model;
        return;
    }
    case ChangeKind::TextEdit: {
        Drawable* drawable = LookupDrawable(Next(fields));
        const char* before = NextString(fields);
        const char* after = NextString(fields);
        CRect rect;
        std::string* text = drawable->GetEditableText(rect);
        if (text == nullptr)
            throw CKestException(kDamaged);
        *text = redo ? after : before;
        if (auto* link = dynamic_cast<Link*>(drawable))
            link->LayoutName();
        drawable->UpdateRepaintRect();
        toSelect_.push_back(drawable);
        modelToShow_ = model;
        return;
    }
    case ChangeKind::SwapSwimlanes: {
        std::vector<Drawable*> lanes;
        for (const std::string& laneId : ReadIdList(Next(fields), "drawable"))
            lanes.push_back(LookupDrawable(Str(laneId.c_str())));
        if (lanes.size() != 2 || !lanes[0]->IsSwimlane() || !lanes[1]->IsSwimlane())
            throw CKestException(kDamaged);
        // A swap is its own inverse.
        CRect repaint;
        model->SwapSwimlanes(lanes[0], lanes[1], repaint);
        toSelect_.push_back(lanes[0]);
        modelToShow_ = model;
        return;
    }
    case ChangeKind::AutoSizeDrawable: {
        const CRect before = ReadRect(Next(fields));
        const CRect after = ReadRect(Next(fields));
        Drawable* drawable = LookupDrawable(Next(fields));
        const CRect& rect = redo ? after : before;
        if (auto* link = dynamic_cast<Link*>(drawable)) {
            link->SetLabelRect(rect);
        } else if (drawable->IsFloater() || drawable->IsJunction()) {
            drawable->labelRect = rect;
        } else {
            CRect repaint;
            model->SetDrawableBounds(drawable, rect, repaint);
        }
        drawable->UpdateRepaintRect();
        toSelect_.push_back(drawable);
        modelToShow_ = model;
        return;
    }
    case ChangeKind::LooksChange: {
        Cell* entries = Next(fields);
        if (!kest::ispair(entries) || kest::car(entries) != kest::intern("drawable"))
            throw CKestException("drawable sym expected");
        entries = kest::cdr(entries);
        std::vector<std::pair<Drawable*, Looks>> read;
        while (entries != nil) {
            Drawable* drawable = LookupDrawable(Next(entries));
            Cell* before = Next(entries);
            Cell* after = Next(entries);
            Cell* value = redo ? after : before;
            if (!kest::ispair(value))
                throw CKestException(kDamaged);
            Looks looks = drawable->looks;
            looks.Persist(value);
            read.emplace_back(drawable, looks);
        }
        for (auto& [drawable, looks] : read) {
            drawable->looks = looks;
            drawable->UpdateRepaintRect();
            toSelect_.push_back(drawable);
        }
        modelToShow_ = model;
        return;
    }
    case ChangeKind::FlipHorizontal:
    case ChangeKind::FlipVertical:
    case ChangeKind::RotateLeft:
    case ChangeKind::RotateRight: {
        int32_t code = NextInt(fields);
        if (code < 0 || code > 3)
            throw CKestException(kDamaged);
        std::vector<Drawable*> drawables;
        for (const std::string& id : ReadIdList(Next(fields), "drawable"))
            drawables.push_back(LookupDrawable(Str(id.c_str())));
        // Undo turns the other way; a flip is its own inverse.
        if (!redo && code >= 2)
            code = code == 2 ? 3 : 2;
        for (Drawable* drawable : drawables) {
            CRect dirty;
            const CRect about = drawable->bounds;
            drawable->FlipOrRotate(code, about, dirty);
        }
        toSelect_ = drawables;
        modelToShow_ = model;
        return;
    }
    case ChangeKind::AutoSize:
    case ChangeKind::LinksLooksChange:
        ReplayGeometry(kind, model, fields, redo);
        return;
    case ChangeKind::Reshape:
    case ChangeKind::Reshape4:
        ReplayReshape(model, fields, redo);
        return;
    case ChangeKind::PlaceMasterSwitch: {
        auto* place = dynamic_cast<Place*>(LookupDrawable(Next(fields)));
        const char* before = NextString(fields);
        const char* after = NextString(fields);
        for (const std::string& masterId : ReadIdList(Next(fields), "master")) {
            ModelObject* object = nullptr;
            GuidScope projectScope(document_.ProjectMap(), document_.TemplateMap());
            projectScope.Lookup(masterId.c_str(), object, true);
            if (dynamic_cast<Master*>(object) == nullptr)
                throw CKestException(kDamaged);
        }
        if (place == nullptr || place->master == nullptr)
            throw CKestException(kDamaged);
        // The rename runs again with the other text: it finds the master of
        // that name (or renames the place's own), counting the uses.
        Master* master = document_.RenamePlaceMaster(place, redo ? after : before,
                                                     place->master->nameSpace, false);
        if (master == nullptr)
            throw CKestException(kDamaged);
        place->master = master;
        place->Relayout();
        place->UpdateRepaintRect();
        toSelect_.push_back(place);
        modelToShow_ = model;
        return;
    }
    case ChangeKind::NewToolModel: {
        // Undo hides the new tool, redo shows it again.
        auto* tool = dynamic_cast<ToolModel*>(model);
        if (tool == nullptr || fields != nil)
            throw CKestException(kDamaged);
        if (redo)
            tool->modelFlags &= ~uint32_t(MfToolHidden);
        else
            tool->modelFlags |= MfToolHidden;
        modelToShow_ = model;
        return;
    }
    case ChangeKind::ExplodeToExisting:
    case ChangeKind::BreakExplode: {
        const char* submodelId = NextString(fields);
        auto* submodel = dynamic_cast<Model*>(document_.FindTopLevelModel(submodelId));
        std::vector<Master*> masters;
        for (const std::string& masterId : ReadIdList(Next(fields), "master")) {
            ModelObject* object = nullptr;
            GuidScope projectScope(document_.ProjectMap(), document_.TemplateMap());
            projectScope.Lookup(masterId.c_str(), object, true);
            auto* master = dynamic_cast<Master*>(object);
            if (master == nullptr)
                throw CKestException(kDamaged);
            masters.push_back(master);
        }
        if (submodel == nullptr || masters.empty())
            throw CKestException("Can't undo/redo (model inaccessible)");
        // Redo of an explode and undo of a break link the master to the
        // submodel; the other two take the link away.
        const bool link = (kind == ChangeKind::ExplodeToExisting) == redo;
        Master* master = masters.front();
        if (link) {
            master->submodel = submodel;
            if (submodel->parentMaster == nullptr)
                submodel->parentMaster = master;
        } else {
            if (master->submodel == submodel) {
                master->submodel = nullptr;
                master->submodelRef = ObjectRef();
            }
            if (submodel->parentMaster == master) {
                submodel->parentMaster = nullptr;
                submodel->parentMasterRef = ObjectRef();
            }
        }
        modelToShow_ = model;
        return;
    }
    case ChangeKind::DragJunction:
    case ChangeKind::AddJunction:
    case ChangeKind::DeleteJunction:
        ReplayJunction(kind, model, fields, redo);
        return;
    case ChangeKind::ResizeCallBox:
    case ChangeKind::DragCallBox:
    case ChangeKind::DeleteCallBox:
        ReplayCallBoxes(kind, model, fields, redo);
        return;
    case ChangeKind::GroupAsPrimitive:
    case ChangeKind::GroupAsPlace:
    case ChangeKind::CreateSwimlane:
        ReplayGroup(kind, model, fields, redo);
        return;
    case ChangeKind::UngroupPrimitive:
    case ChangeKind::UngroupPlace:
        ReplayGroup(kind, model, fields, !redo);
        return;
    default:
        return;
    }
}

void UndoJournal::ReplayGeometry(ChangeKind kind, Model* model, Cell* fields, bool redo) {
    int32_t style = 0;
    if (kind == ChangeKind::LinksLooksChange) {
        const int32_t before = NextInt(fields);
        const int32_t after = NextInt(fields);
        style = redo ? after : before;
        if ((style & ~int32_t(MfStepLink | MfCurveLink)) != 0)
            throw CKestException(kDamaged);
    }
    Cell* entries = Next(fields);
    if (!kest::ispair(entries) || kest::car(entries) != kest::intern("drawable"))
        throw CKestException("drawable sym expected");
    struct Entry {
        Drawable* drawable;
        CRect rect;
        std::vector<CPoint> points;
    };
    std::vector<Entry> read;
    for (Cell* rest = kest::cdr(entries); rest != nil;) {
        Cell* entry = Next(rest);
        Drawable* drawable = LookupDrawable(Next(entry));
        Cell* before = Next(entry);
        Cell* after = Next(entry);
        Cell* value = redo ? after : before;
        Entry e{drawable, CRect(), {}};
        if (HasVertices(drawable))
            e.points = ReadPoints(value);
        else
            e.rect = ReadRect(value);
        read.push_back(std::move(e));
    }
    if (kind == ChangeKind::LinksLooksChange) {
        model->modelFlags =
            (model->modelFlags & ~uint32_t(MfStepLink | MfCurveLink)) | uint32_t(style);
    }
    model->MarkAll(0);
    for (Entry& entry : read) {
        Drawable* drawable = entry.drawable;
        if (HasVertices(drawable)) {
            if (auto* link = dynamic_cast<Link*>(drawable);
                link != nullptr && kind == ChangeKind::LinksLooksChange) {
                link->options &= ~(LoStepped | LoCurved);
                if ((style & int32_t(MfStepLink)) != 0)
                    link->options |= LoStepped;
                if ((style & int32_t(MfCurveLink)) != 0)
                    link->options |= LoCurved;
            }
            if (!entry.points.empty())
                SetVerticesOf(drawable, entry.points);
            // A link's end texts and name follow its path.
            if (auto* link = dynamic_cast<Link*>(drawable)) {
                link->LayoutEndLabels();
                link->LayoutName();
            }
            drawable->UpdateRepaintRect();
        } else {
            // A drawable that only moved moves back, taking its label along;
            // one that changed size gets its rectangle.
            const CRect& now = drawable->bounds;
            if (now.Width() == entry.rect.Width() && now.Height() == entry.rect.Height()) {
                CRect dirty;
                drawable->MoveBy(entry.rect.left - now.left, entry.rect.top - now.top, dirty);
            } else {
                drawable->SetBounds(entry.rect, drawable->IsSwimlane() ? 1 : 0);
            }
            drawable->Mark(1, 1, 0);
        }
        toSelect_.push_back(drawable);
    }
    if (kind == ChangeKind::AutoSize) {
        CRect repaint;
        model->UpdateLinkGeometry(nullptr, repaint, false);
    }
    model->MarkAll(0);
    modelToShow_ = model;
}

// ---- moves ----

namespace {

// The list a move leaves or enters: the group's members, else the model's.
DrawableList* ListOf(PlaceGroup* group, Model* model) {
    if (group != nullptr)
        return group->GetMemberList();
    return model != nullptr ? &model->drawables : nullptr;
}

// True when drawable lies in model: in its list or, through its groups,
// in a drawable of that list.
bool LiesIn(Model* model, Drawable* drawable) {
    Drawable* top = drawable;
    for (int depth = 0; top->Parent() != nullptr; ++depth) {
        if (depth > kMaxDepth)
            return false;
        top = top->Parent();
    }
    return FindIn(model->drawables, top) != model->drawables.end();
}

// True when drawable is one of those or lies inside one of them.
bool InsideAny(Drawable* drawable, const std::unordered_set<const Drawable*>& those) {
    for (int depth = 0; drawable != nullptr && depth <= kMaxDepth; ++depth) {
        if (those.count(drawable) != 0)
            return true;
        drawable = drawable->Parent();
    }
    return false;
}

} // namespace

void UndoJournal::SetSwimlanes(ModelObject* left, const CRect& leftRect, ModelObject* entered,
                               const CRect& enteredRect) {
    PlaceGroup* from = AsPlaceGroup(dynamic_cast<Drawable*>(left));
    PlaceGroup* to = AsPlaceGroup(dynamic_cast<Drawable*>(entered));
    oldSwimlane_ = from;
    newSwimlane_ = to;
    oldRect_ = from != nullptr ? leftRect : CRect();
    newRect_ = to != nullptr ? enteredRect : CRect();
    // The list the drawables leave, as it stands before they go: undo puts
    // each back where it stood.
    leftOrder_.clear();
    if (from == to)
        return;
    DrawableList* list =
        ListOf(from, from != nullptr ? nullptr : document_.FindModelOfDrawable(to));
    if (list == nullptr)
        return;
    for (const auto& drawable : *list)
        leftOrder_.push_back(drawable.get());
}

Cell* UndoJournal::BuildMoveForm(Model* model, Cell* head, Cell* id,
                                 const std::vector<Drawable*>& drawables) {
    // The offset, the swimlane left and the one entered (each with the
    // rectangle saved for it and its bounds now; none: the model itself),
    // and the drawables moved.
    auto lane = [](Drawable* group, const CRect& saved) {
        if (group == nullptr)
            return kest::mklist(Str(""), nil, nil, nullptr);
        return kest::mklist(Str(group->Id().Text()), RectCell(saved), RectCell(group->bounds),
                            nullptr);
    };
    std::vector<ModelObject*> objects(drawables.begin(), drawables.end());
    Cell* form = kest::mklist(head, id,
                              kest::mklist(kest::mkint(offset_.x), kest::mkint(offset_.y), nullptr),
                              lane(oldSwimlane_, oldRect_), lane(newSwimlane_, newRect_),
                              IdList("drawable", objects), nullptr);
    if (oldSwimlane_ == newSwimlane_ || leftOrder_.empty())
        return form;
    // What changed lists: each drawable of the list entered that stood in
    // the list left, in its order now, with the place it left there. Links
    // the drag carried along are among them.
    DrawableList* entered = ListOf(static_cast<PlaceGroup*>(newSwimlane_), model);
    if (entered == nullptr)
        return form;
    std::unordered_map<const Drawable*, int32_t> stood;
    for (size_t i = 0; i < leftOrder_.size(); ++i)
        stood.emplace(leftOrder_[i], int32_t(i));
    std::vector<std::pair<Drawable*, int32_t>> moved;
    for (const auto& drawable : *entered) {
        auto at = stood.find(drawable.get());
        if (at != stood.end())
            moved.emplace_back(drawable.get(), at->second);
    }
    Cell* entries = nil;
    for (auto it = moved.rbegin(); it != moved.rend(); ++it)
        entries = kest::mkcons(Str(it->first->Id().Text()),
                               kest::mkcons(kest::mkint(it->second), entries));
    kest::nconc(form, kest::mklist(kest::mkcons(kest::intern("transferred"), entries), nullptr));
    return form;
}

void UndoJournal::ReplayMove(Model* model, Cell* fields, bool redo) {
    Cell* offset = Next(fields);
    const int32_t dx = NextInt(offset);
    const int32_t dy = NextInt(offset);
    if (offset != nil || dx < -kMaxCoordinate || dx > kMaxCoordinate || dy < -kMaxCoordinate ||
        dy > kMaxCoordinate)
        throw CKestException(kDamaged);
    // A swimlane: its id, the rectangle saved for it and its bounds after
    // the move. An id that names nothing counts as none (the model).
    struct Lane {
        PlaceGroup* group = nullptr;
        bool sized = false;
        CRect saved;
        CRect after;
    };
    auto readLane = [&](Cell* cell) {
        Lane lane;
        const char* laneId = NextString(cell);
        Cell* saved = Next(cell);
        Cell* after = Next(cell);
        if (cell != nil)
            throw CKestException(kDamaged);
        if (laneId[0] == '\0')
            return lane;
        ModelObject* object = nullptr;
        scope_.Lookup(laneId, object, false);
        if (object == nullptr)
            return lane;
        lane.group = AsPlaceGroup(dynamic_cast<Drawable*>(object));
        if (lane.group == nullptr || !LiesIn(model, lane.group))
            throw CKestException(kDamaged);
        if (saved != nil || after != nil) {
            lane.saved = ReadRect(saved);
            lane.after = ReadRect(after);
            lane.sized = true;
        }
        return lane;
    };
    const Lane left = readLane(Next(fields));
    const Lane entered = readLane(Next(fields));
    std::vector<Drawable*> drawables;
    for (const std::string& drawableId : ReadIdList(Next(fields), "drawable"))
        drawables.push_back(LookupDrawable(Str(drawableId.c_str())));
    // What changed lists, with the place each left; a record without that
    // list names the drawables moved.
    std::vector<std::pair<Drawable*, int32_t>> transferred;
    if (fields != nil) {
        Cell* entries = Next(fields);
        if (!kest::ispair(entries) || kest::car(entries) != kest::intern("transferred"))
            throw CKestException(kDamaged);
        for (entries = kest::cdr(entries); entries != nil;) {
            Drawable* drawable = LookupDrawable(Next(entries));
            transferred.emplace_back(drawable, NextInt(entries));
        }
    } else if (left.group != entered.group) {
        for (Drawable* drawable : drawables)
            transferred.emplace_back(drawable, -1);
    }
    // Undo takes them back to the list left, each to its place there; redo
    // appends them to the list entered, as the drag did.
    PlaceGroup* to = redo ? entered.group : left.group;
    DrawableList* toList = ListOf(to, model);
    std::unordered_set<const Drawable*> taken;
    for (auto& [drawable, position] : transferred) {
        DrawableList* now = OwningList(drawable, model);
        if (!taken.insert(drawable).second || !LiesIn(model, drawable) || now == nullptr ||
            FindIn(*now, drawable) == now->end())
            throw CKestException(kDamaged);
        if (redo)
            position = -1;
    }
    // A group never goes into itself or into one of its members.
    if (to != nullptr && InsideAny(to, taken))
        throw CKestException(kDamaged);

    if (!drawables.empty()) {
        // The drawables of one list move together, through the model.
        Drawable* container = drawables.front()->Parent();
        model->DeselectAll(nullptr, false);
        for (Drawable* drawable : drawables) {
            if (drawable->Parent() != container)
                throw CKestException(kDamaged);
        }
        for (Drawable* drawable : drawables)
            model->Select(drawable, true, nullptr, false);
        model->MoveDrawables(container, redo ? dx : -dx, redo ? dy : -dy, false);
        model->MarkAll(0);
    }
    if (!transferred.empty()) {
        std::vector<std::unique_ptr<Drawable>> moving;
        std::vector<int32_t> positions;
        for (auto& [drawable, position] : transferred) {
            moving.push_back(TakeFrom(*OwningList(drawable, model), drawable));
            positions.push_back(position);
        }
        Drawable* parent = to != nullptr ? &to->MemberGroup() : nullptr;
        for (auto& drawable : moving)
            drawable->SetParent(parent);
        InsertAtPositions(*toList, moving, positions);
    }
    for (const Lane* lane : {&left, &entered}) {
        if (lane->group == nullptr || !lane->sized)
            continue;
        lane->group->SetBounds(redo ? lane->after : lane->saved, lane->group->IsSwimlane() ? 1 : 0);
        lane->group->UpdateRepaintRect();
    }
    if (!transferred.empty()) {
        CRect repaint;
        model->UpdateLinkGeometry(nullptr, repaint, false);
    }
    toSelect_ = drawables;
    modelToShow_ = model;
}

// ---- reshaping ----

namespace {

constexpr int32_t kLinkStyleBits = LoStepped | LoCurved;

// A reshape changes the label rectangle of a link, floater or junction and
// the bounds of anything else.
bool ReshapesLabel(const Drawable* drawable) {
    return drawable->IsLink() || drawable->IsFloater() || drawable->IsJunction();
}

// (junctions id (x y) ...): where each junction of a place is; nil for a
// drawable that is not a place.
Cell* JunctionsForm(Drawable* drawable) {
    auto* place = dynamic_cast<Place*>(drawable);
    if (place == nullptr)
        return nil;
    Cell* entries = nil;
    const auto& junctions = place->Junctions();
    for (auto it = junctions.rbegin(); it != junctions.rend(); ++it) {
        entries = kest::mkcons(Str((*it)->Id().Text()),
                               kest::mkcons(kest::mklist(kest::mkint((*it)->point.x),
                                                         kest::mkint((*it)->point.y), nullptr),
                                            entries));
    }
    return kest::mkcons(kest::intern("junctions"), entries);
}

} // namespace

Cell* UndoJournal::BuildReshapeForm(Model* model, Cell* head, Cell* id,
                                    const std::vector<Drawable*>& drawables) {
    if (drawables.empty())
        return nil;
    Drawable* first = drawables.front();
    // The rectangle before is the one the drag saved; the one after is the
    // rectangle the reshape changed.
    const CRect oldRect = first->savedBounds;
    const CRect newRect = ReshapesLabel(first) ? first->labelRect : first->bounds;
    int32_t oldStyle = 0;
    int32_t newStyle = 0;
    std::vector<CPoint> before;
    std::vector<CPoint> after;
    if (HasVertices(first)) {
        after = VerticesOf(first);
        size_t count = after.size();
        if (auto* link = dynamic_cast<Link*>(first)) {
            count = link->savedVertexCount;
            newStyle = link->options & kLinkStyleBits;
            oldStyle = int32_t(savedFlags_) & kLinkStyleBits;
        }
        count = std::min(count, oldVertices_.size());
        before.assign(oldVertices_.begin(), oldVertices_.begin() + std::ptrdiff_t(count));
    }
    std::vector<ModelObject*> objects(drawables.begin(), drawables.end());
    Cell* form =
        kest::mklist(head, id, kest::mkint(oldStyle), kest::mkint(newStyle), PointCell(offset_),
                     PointCell(offset_), PointsCell(before), PointsCell(after), RectCell(oldRect),
                     RectCell(newRect), IdList("drawable", objects), IdList("drawable", {}),
                     JunctionsForm(first), nullptr);
    // A message of a sequence diagram keeps the call boxes of its end
    // places before and after.
    if (model != nullptr && model->kind == MkSequence && first->IsLink())
        kest::nconc(form,
                    kest::mklist(ContextForm(undoContext_), ContextForm(redoContext_), nullptr));
    return form;
}

void UndoJournal::ReplayReshape(Model* model, Cell* fields, bool redo) {
    const int32_t oldStyle = NextInt(fields);
    const int32_t newStyle = NextInt(fields);
    if ((oldStyle & ~kLinkStyleBits) != 0 || (newStyle & ~kLinkStyleBits) != 0)
        throw CKestException(kDamaged);
    ReadPoint(Next(fields));
    ReadPoint(Next(fields));
    const std::vector<CPoint> oldVertices = ReadPoints(Next(fields));
    const std::vector<CPoint> newVertices = ReadPoints(Next(fields));
    const CRect oldRect = ReadRect(Next(fields));
    const CRect newRect = ReadRect(Next(fields));
    std::vector<Drawable*> drawables;
    for (const std::string& drawableId : ReadIdList(Next(fields), "drawable"))
        drawables.push_back(LookupDrawable(Str(drawableId.c_str())));
    for (const std::string& drawableId : ReadIdList(Next(fields), "drawable"))
        LookupDrawable(Str(drawableId.c_str()));
    if (drawables.empty())
        throw CKestException(kDamaged);
    Drawable* first = drawables.front();
    // The junctions as they were after the reshape.
    std::vector<std::pair<Junction*, CPoint>> junctions;
    Cell* junctionsForm = Next(fields);
    if (junctionsForm != nil) {
        if (!kest::ispair(junctionsForm) || kest::car(junctionsForm) != kest::intern("junctions"))
            throw CKestException("junctions sym expected");
        auto* place = dynamic_cast<Place*>(first);
        for (Cell* rest = kest::cdr(junctionsForm); rest != nil;) {
            auto* junction = dynamic_cast<Junction*>(LookupDrawable(Next(rest)));
            const CPoint at = ReadPoint(Next(rest));
            if (junction == nullptr || place == nullptr || !place->HasJunction(junction))
                throw CKestException(kDamaged);
            junctions.emplace_back(junction, at);
        }
    }
    ChangeContext before;
    ChangeContext after;
    if (kest::ispair(fields)) {
        before = ReadContext(Next(fields));
        after = ReadContext(Next(fields));
        if (fields != nil || !first->IsLink())
            throw CKestException(kDamaged);
    }
    const std::vector<CPoint>& vertices = redo ? newVertices : oldVertices;
    if (HasVertices(first) && !vertices.empty() &&
        (vertices.size() < 2 || vertices.size() > size_t(kMaxVertices)))
        throw CKestException(kDamaged);

    const CRect& rect = redo ? newRect : oldRect;
    CRect repaint;
    if (auto* link = dynamic_cast<Link*>(first)) {
        link->options = (link->options & ~kLinkStyleBits) | (redo ? newStyle : oldStyle);
        if (!vertices.empty())
            link->SetVertices(vertices);
        link->SetLabelRect(rect);
        link->LayoutEndLabels();
        link->UpdateRepaintRect();
        RestoreLinkEnds(*link, redo ? after : before);
    } else if (HasVertices(first)) {
        if (!vertices.empty())
            SetVerticesOf(first, vertices);
        first->UpdateRepaintRect();
    } else if (first->IsFloater() || first->IsJunction()) {
        first->labelRect = rect;
        first->UpdateRepaintRect();
    } else {
        first->SaveBounds();
        model->SetDrawableBounds(first, rect, repaint);
        if (redo) {
            for (auto& [junction, at] : junctions)
                junction->MoveJunction(at.x - junction->point.x, at.y - junction->point.y);
        }
    }
    toSelect_.push_back(first);
    modelToShow_ = model;
}

// ---- junctions ----

Cell* UndoJournal::BuildJunctionForm(ChangeKind kind, Cell* head, Cell* id, ModelObject* current,
                                     const std::vector<Drawable*>& drawables) {
    auto* junction = dynamic_cast<Junction*>(current);
    if (junction == nullptr && !drawables.empty())
        junction = dynamic_cast<Junction*>(drawables.front());
    if (junction == nullptr)
        return nil;
    // The position before a drag or a delete is kept in the first two words
    // of the saved bounds.
    Cell* before = kest::mklist(kest::mkint(junction->savedBounds.left),
                                kest::mkint(junction->savedBounds.top), nullptr);
    switch (kind) {
    case ChangeKind::DragJunction:
        return kest::mklist(head, id, Str(junction->Id().Text()), before,
                            PointCell(junction->point), nullptr);
    case ChangeKind::AddJunction: {
        Place* pivot = junction->Pivot();
        if (pivot == nullptr)
            return nil;
        return kest::mklist(head, id, Str(pivot->Id().Text()), junction->Persist(&scope_, nil),
                            nullptr);
    }
    default: {
        // A deleted junction is written whole, and so are the links that
        // went with it and what hung on them.
        if (junction->Pivot() == nullptr)
            return nil;
        const std::vector<Drawable*> links = RemovedDrawables(junction);
        std::vector<ModelObject*> objects(links.begin(), links.end());
        return kest::mklist(head, id, before, junction->Persist(&scope_, nil),
                            IdList("drawable", objects), FullDrawables(links),
                            kest::mklist(kest::intern("positions"),
                                         IntList(DrawablePositions(nullptr, links)), nullptr),
                            nullptr);
    }
    }
}

void UndoJournal::ReplayJunction(ChangeKind kind, Model* model, Cell* fields, bool redo) {
    if (kind == ChangeKind::DragJunction) {
        auto* junction = dynamic_cast<Junction*>(LookupDrawable(Next(fields)));
        const CPoint before = ReadPoint(Next(fields));
        const CPoint after = ReadPoint(Next(fields));
        if (junction == nullptr || !RectInRange(CRect(before, before)) ||
            !RectInRange(CRect(after, after)))
            throw CKestException(kDamaged);
        const CPoint& to = redo ? after : before;
        junction->MoveJunction(to.x - junction->point.x, to.y - junction->point.y);
        toSelect_.push_back(junction);
        modelToShow_ = model;
        return;
    }
    // An added junction goes on undo and comes back on redo; a deleted one
    // the other way round.
    Place* place = nullptr;
    if (kind == ChangeKind::AddJunction) {
        place = dynamic_cast<Place*>(LookupDrawable(Next(fields)));
    } else {
        ReadPoint(Next(fields));
    }
    Cell* record = Next(fields);
    if (!kest::ispair(record) || !kest::ispair(kest::cdr(record)) ||
        !IsString(kest::car(kest::cdr(record))))
        throw CKestException(kDamaged);
    Cell* pivotCell = kest::cdr(kest::cdr(record));
    // The links that went with a deleted junction, whole.
    ObjectsHeader links;
    Cell* fullLinks = nil;
    if (kind == ChangeKind::DeleteJunction) {
        links.drawables = ReadIdList(Next(fields), "drawable");
        fullLinks = Next(fields);
        if (!kest::islist(fullLinks))
            throw CKestException(kDamaged);
        if (Cell* positions = NextPositions(fields); positions != nil)
            links.drawablePositions = ReadInts(Next(positions));
        links.drawablePositions.resize(links.drawables.size(), -1);
        if (!kest::ispair(pivotCell))
            throw CKestException(kDamaged);
        place = dynamic_cast<Place*>(LookupDrawable(kest::car(pivotCell)));
    }
    if (place == nullptr)
        throw CKestException(kDamaged);
    const bool add = kind == ChangeKind::AddJunction ? redo : !redo;
    if (!add) {
        auto* junction = dynamic_cast<Junction*>(LookupDrawable(kest::car(kest::cdr(record))));
        if (junction == nullptr || !place->HasJunction(junction))
            throw CKestException(kDamaged);
        // Its links go first: they are all found before anything goes.
        if (!links.drawables.empty())
            RemoveObjects(kind, model, links);
        std::unique_ptr<Junction> taken = place->DetachJunction(junction);
        place->UpdateRepaintRect();
        DestroyObject(std::move(taken));
        toSelect_.push_back(place);
        modelToShow_ = model;
        return;
    }
    auto junction = std::make_unique<Junction>();
    try {
        if (junction->Persist(&scope_, record) != nil)
            throw CKestException(kDamaged);
    } catch (...) {
        junction->Detach(&scope_);
        throw;
    }
    Junction* made = junction.get();
    const CRect repaint = place->repaintRect;
    place->AttachJunction(std::move(junction));
    // Its links come back once it is there to end on.
    if (!links.drawables.empty()) {
        try {
            RecreateObjects(kind, model, links, nil, nil, fullLinks);
        } catch (...) {
            DestroyObject(place->DetachJunction(made));
            place->repaintRect = repaint;
            throw;
        }
    }
    place->UpdateRepaintRect();
    toSelect_.push_back(made);
    modelToShow_ = model;
}

void UndoJournal::ReplayObjects(ChangeKind kind, Cell* form, bool redo) {
    Cell* header = Next(form);
    Cell* masters = Next(form);
    Cell* models = Next(form);
    Cell* drawables = Next(form);
    if (!kest::islist(masters) || !kest::islist(models) || !kest::islist(drawables))
        throw CKestException(kDamaged);
    Cell* fields = kest::cdr(header);
    Cell* id = Next(fields);
    if (!IsString(id))
        throw CKestException(kDamaged);
    Model* model = nullptr;
    if (id->a.str[0] != '\0') {
        Target target;
        fields = CheckTarget(header, target);
        model = target.model;
    }
    ObjectsHeader parsed;
    parsed.models = ReadIdList(Next(fields), "model");
    parsed.masters = ReadIdList(Next(fields), "master");
    parsed.drawables = ReadIdList(Next(fields), "drawable");
    if (Cell* positions = NextPositions(fields); positions != nil) {
        parsed.modelPositions = ReadInts(Next(positions));
        parsed.masterPositions = ReadInts(Next(positions));
        parsed.drawablePositions = ReadInts(Next(positions));
    }
    parsed.modelPositions.resize(parsed.models.size(), -1);
    parsed.masterPositions.resize(parsed.masters.size(), -1);
    parsed.drawablePositions.resize(parsed.drawables.size(), -1);
    // Drawables, named or written whole, need the model they belong to.
    if ((!parsed.drawables.empty() || drawables != nil) && model == nullptr)
        throw CKestException("Can't undo/redo (model inaccessible)");
    // The call boxes of a created message's end places, before and after.
    ChangeContext before;
    ChangeContext after;
    if (kest::ispair(form)) {
        Cell* ends = Next(form);
        if (ends != nil) {
            before = ReadContext(Next(ends));
            after = ReadContext(Next(ends));
            if (ends != nil || parsed.drawables.size() != 1)
                throw CKestException(kDamaged);
        }
    }
    // Undo of a delete or cut and redo of a paste bring the objects back;
    // the others remove them again.
    const bool recreate = AddsObjects(kind) ? redo : !redo;
    Link* message = nullptr;
    if (recreate) {
        RecreateObjects(kind, model, parsed, masters, models, drawables);
        if (parsed.drawables.size() == 1)
            message = dynamic_cast<Link*>(LookupDrawable(Str(parsed.drawables.front().c_str())));
    } else {
        if (parsed.drawables.size() == 1)
            message = dynamic_cast<Link*>(LookupDrawable(Str(parsed.drawables.front().c_str())));
        // The message's end places stay when it goes.
        Drawable* source = message != nullptr ? message->GetSourcePlace() : nullptr;
        Drawable* target = message != nullptr ? message->GetTargetPlace() : nullptr;
        RemoveObjects(kind, model, parsed);
        if (message != nullptr) {
            if (auto* place = dynamic_cast<ScenarioPlace*>(source); place && before.source)
                RestoreCallBoxes(*place, *before.source, before.sourcePoint);
            if (auto* place = dynamic_cast<ScenarioPlace*>(target); place && before.target)
                RestoreCallBoxes(*place, *before.target, before.targetPoint);
        }
        return;
    }
    if (message != nullptr)
        RestoreLinkEnds(*message, after);
}

void UndoJournal::RemoveObjects(ChangeKind kind, Model* model, const ObjectsHeader& header) {
    // Everything is found before anything goes.
    std::vector<Drawable*> drawables;
    for (const std::string& id : header.drawables)
        drawables.push_back(LookupDrawable(Str(id.c_str())));
    std::vector<Master*> masters;
    for (const std::string& id : header.masters) {
        Master* master = document_.Masters().FindByGuid(id.c_str());
        if (master == nullptr)
            throw CKestException("GUID map lookup failed");
        masters.push_back(master);
    }
    std::vector<Model*> models;
    for (const std::string& id : header.models) {
        auto* m = dynamic_cast<Model*>(document_.FindTopLevelModel(id.c_str()));
        if (m == nullptr)
            throw CKestException("GUID map lookup failed");
        models.push_back(m);
    }

    if (model != nullptr && !drawables.empty()) {
        // Members of groups leave their groups; the top-level drawables go
        // through the model's delete, which takes what hangs on them along.
        model->DeselectAll(nullptr, false);
        for (Drawable* drawable : drawables) {
            if (drawable->Parent() == nullptr)
                continue;
            DrawableList* list = drawable->Parent()->GetMemberList();
            std::unique_ptr<Drawable> out = list != nullptr ? TakeFrom(*list, drawable) : nullptr;
            if (out == nullptr)
                continue;
            CountPlaceUses(out.get(), true, 0);
            held_.push_back(std::move(out));
        }
        bool any = false;
        for (Drawable* drawable : drawables) {
            if (drawable->Parent() == nullptr &&
                FindIn(model->drawables, drawable) != model->drawables.end()) {
                model->Select(drawable, true, nullptr, false);
                any = true;
            }
        }
        if (any) {
            DrawableList taken = model->DeleteDrawables(&document_, nullptr, kind, true);
            for (auto& drawable : taken) {
                // A lane leaves the chain and the lanes behind it close the gap.
                if (auto* lane = dynamic_cast<Swimlane*>(drawable.get());
                    lane != nullptr && lane->IsSwimlane()) {
                    Swimlane* next = lane->NextLane();
                    lane->Unlink(false);
                    if (next != nullptr) {
                        CRect shifted;
                        model->ShiftSwimlanes(&document_, next, 1 - lane->bounds.Width(), shifted);
                    }
                }
                held_.push_back(std::move(drawable));
            }
        }
    }
    // A paste counted the uses of its models' places; a delete did not.
    for (Model* m : models) {
        std::unique_ptr<Model> owned = document_.TakeModel(m);
        if (owned == nullptr)
            continue;
        if (AddsObjects(kind))
            CountModelUses(*owned, true);
        held_.push_back(std::move(owned));
    }
    for (Master* master : masters) {
        std::unique_ptr<Master> owned = document_.Masters().Remove(master, false);
        if (owned != nullptr)
            held_.push_back(std::move(owned));
    }
    DestroyHeld();
    modelToShow_ = model;
}

void UndoJournal::RecreateObjects(ChangeKind kind, Model* model, const ObjectsHeader& header,
                                  Cell* masters, Cell* models, Cell* drawables) {
    GuidScope projectScope(document_.ProjectMap(), document_.TemplateMap());
    std::vector<std::unique_ptr<Master>> newMasters;
    std::vector<int16_t> recordedUses;
    std::vector<std::unique_ptr<Model>> newModels;
    DrawableList newDrawables;
    auto discard = [&] {
        for (auto& drawable : newDrawables) {
            CountPlaceUses(drawable.get(), true, 0);
            DiscardDrawable(std::move(drawable), &scope_);
        }
        newDrawables.clear();
        for (auto& m : newModels) {
            CountModelUses(*m, true);
            DestroyObject(std::move(m));
        }
        for (auto& master : newMasters)
            DestroyObject(std::move(master));
    };
    try {
        for (Cell* rest = masters; rest != nil;) {
            Cell* record = Next(rest);
            if (!kest::ispair(record) || kest::car(record) != kest::intern("master"))
                throw CKestException("master sym expected");
            auto master = std::make_unique<Master>(nullptr);
            Master* reading = master.get();
            newMasters.push_back(std::move(master));
            reading->Persist(&projectScope, record);
            // The reader leaves the count to the places; the record's is
            // the count after the change.
            Cell* count = kest::cdr(kest::cdr(record));
            recordedUses.push_back(
                kest::ispair(count) && IsInteger(kest::car(count))
                    ? int16_t(std::clamp<int32_t>(kest::car(count)->a.ival, 0, INT16_MAX))
                    : int16_t(0));
            if (AddsObjects(kind))
                reading->refCount = 0;
        }
        for (Cell* rest = models; rest != nil;) {
            Cell* record = Next(rest);
            if (!HasHead(record, kest::sym::customModel))
                throw CKestException("model sym expected");
            Cell* fields = kest::cdr(record);
            Next(fields);
            const int32_t modelKind = NextInt(fields);
            std::unique_ptr<Model> m =
                CreateModelOfKind(document_.ProjectMap(), document_.Template(), modelKind);
            if (m == nullptr)
                throw CKestException(kDamaged);
            Model* reading = m.get();
            newModels.push_back(std::move(m));
            ReadModelRecord(&document_, *reading, &projectScope, record);
        }
        if (drawables != nil) {
            GuidScope drawableScope(document_.ProjectMap(), document_.TemplateMap(),
                                    model->IsToolModel());
            PersistDrawables(&document_, newDrawables, &drawableScope, nullptr, nullptr, drawables,
                             nullptr, false);
        }
    } catch (...) {
        discard();
        throw;
    }
    // The objects read are those the record names, in its order: what the
    // handler looks up afterwards is there.
    auto same = [](const auto& objects, const std::vector<std::string>& ids) {
        if (objects.size() != ids.size())
            return false;
        size_t i = 0;
        for (const auto& object : objects) {
            if (ids[i++] != object->Id().Text())
                return false;
        }
        return true;
    };
    if (!same(newMasters, header.masters) || !same(newModels, header.models) ||
        !same(newDrawables, header.drawables)) {
        discard();
        throw CKestException(kDamaged);
    }

    // In ascending order of their places, each goes back where it was.
    auto order = [](const std::vector<int32_t>& positions) {
        std::vector<size_t> indices(positions.size());
        for (size_t i = 0; i < indices.size(); ++i)
            indices[i] = i;
        std::stable_sort(indices.begin(), indices.end(), [&](size_t a, size_t b) {
            return uint32_t(positions[a]) < uint32_t(positions[b]);
        });
        return indices;
    };
    // The masters a create or paste made count their uses as they did
    // after it, whatever reading the places counted.
    if (AddsObjects(kind)) {
        for (size_t i = 0; i < newMasters.size(); ++i)
            newMasters[i]->refCount = recordedUses[i];
    }
    std::vector<Master*> masterList;
    for (size_t i : order(header.masterPositions)) {
        const int32_t position = header.masterPositions[i];
        masterList.push_back(newMasters[i].get());
        document_.InsertMasterAt(position < 0 ? document_.Masters().Count() : size_t(position),
                                 std::move(newMasters[i]));
    }
    std::vector<Model*> modelList;
    for (size_t i : order(header.modelPositions)) {
        const int32_t position = header.modelPositions[i];
        Model* m = newModels[i].get();
        modelList.push_back(m);
        // A delete left the uses of a removed model's places counted.
        if (!AddsObjects(kind))
            CountModelUses(*m, true);
        document_.InsertModelAt(position < 0 ? document_.ModelCount() : size_t(position),
                                std::move(newModels[i]));
    }
    for (Master* master : masterList)
        master->ResolveRefs(&document_, &projectScope, false);
    for (Model* m : modelList) {
        GuidScope modelScope(document_.ProjectMap(), document_.TemplateMap(), m->IsToolModel());
        m->ResolveRefs(&document_, &modelScope, false);
    }
    // A master's submodel that stayed in the project when the master went
    // lost its link back; it points to the master again.
    for (Master* master : masterList) {
        auto* submodel = dynamic_cast<Model*>(master->submodel);
        if (submodel != nullptr && submodel->parentMaster == nullptr)
            submodel->parentMaster = master;
    }
    // Each goes back into its own list: its group's members or the model's.
    std::vector<DrawableList*> lists;
    std::vector<std::vector<std::unique_ptr<Drawable>>> byList;
    std::vector<std::vector<int32_t>> positionsByList;
    size_t n = 0;
    for (auto& drawable : newDrawables) {
        toSelect_.push_back(drawable.get());
        DrawableList* list = OwningList(drawable.get(), model);
        if (list == nullptr)
            list = &model->drawables;
        size_t slot = std::find(lists.begin(), lists.end(), list) - lists.begin();
        if (slot == lists.size()) {
            lists.push_back(list);
            byList.emplace_back();
            positionsByList.emplace_back();
        }
        byList[slot].push_back(std::move(drawable));
        positionsByList[slot].push_back(header.drawablePositions[n++]);
    }
    newDrawables.clear();
    for (size_t slot = 0; slot < lists.size(); ++slot)
        InsertAtPositions(*lists[slot], byList[slot], positionsByList[slot]);
    // A lane comes back into its chain: the lanes behind it make room again.
    for (Drawable* drawable : toSelect_) {
        auto* lane = dynamic_cast<Swimlane*>(drawable);
        if (lane == nullptr || !lane->IsSwimlane())
            continue;
        lane->SetLaneModel(model);
        if (Swimlane* next = lane->NextLane()) {
            CRect shifted;
            model->ShiftSwimlanes(&document_, next, lane->bounds.Width() - 1, shifted);
        }
        lane->Relink();
    }
    modelToShow_ = model != nullptr ? model : (modelList.empty() ? nullptr : modelList.front());
}

void UndoJournal::ReplayNewModel(Cell* form, bool redo) {
    Cell* fields = kest::cdr(form);
    const char* id = NextString(fields);
    Cell* record = Next(fields);
    if (!HasHead(record, kest::sym::customModel))
        throw CKestException("model sym expected");
    if (!redo) {
        // Undo takes the new model out again.
        Target target;
        CheckTarget(form, target);
        std::unique_ptr<Model> owned = document_.TakeModel(target.model);
        if (owned == nullptr)
            throw CKestException("Can't undo/redo (model inaccessible)");
        held_.push_back(std::move(owned));
        DestroyHeld();
        return;
    }
    if (document_.FindTopLevelModel(id) != nullptr)
        throw CKestException(kDamaged);
    Cell* recordFields = kest::cdr(record);
    Next(recordFields);
    const int32_t modelKind = NextInt(recordFields);
    std::unique_ptr<Model> made =
        CreateModelOfKind(document_.ProjectMap(), document_.Template(), modelKind);
    if (made == nullptr)
        throw CKestException(kDamaged);
    GuidScope modelScope(document_.ProjectMap(), document_.TemplateMap(), made->IsToolModel());
    try {
        ReadModelRecord(&document_, *made, &modelScope, record);
        made->ResolveRefs(&document_, &modelScope, false);
    } catch (...) {
        CountModelUses(*made, true);
        DestroyObject(std::move(made));
        throw;
    }
    Model* raw = made.get();
    // An exploded submodel comes back under its master.
    if (raw->parentMaster != nullptr && raw->parentMaster->submodel == nullptr)
        raw->parentMaster->submodel = raw;
    document_.InsertModelAt(document_.ModelCount(), std::move(made));
    document_.SetCurrentModel(raw);
    modelToShow_ = raw;
}

// ---- grouping ----

namespace {

PrimitiveGroup* MembersOf(Drawable* group) {
    return dynamic_cast<PrimitiveGroup*>(ContainerOf(group));
}

Master* GroupMaster(Drawable* group) {
    auto* place = group != nullptr && group->IsPlace() ? dynamic_cast<Place*>(group) : nullptr;
    return place != nullptr ? place->master : nullptr;
}

} // namespace

Cell* UndoJournal::BuildGroupForm(ChangeKind kind, Model* model, Cell* head, Cell* id,
                                  ModelObject* current) {
    if (model == nullptr)
        return nil;
    const bool ungroup = IsUngroup(kind);
    Drawable* group = nullptr;
    std::vector<Drawable*> hanging;
    if (ungroup) {
        for (const auto& object : held_) {
            auto* drawable = dynamic_cast<Drawable*>(object.get());
            if (drawable == nullptr)
                continue;
            if (group == nullptr && drawable->IsGroup() && MembersOf(drawable) != nullptr)
                group = drawable;
            else
                hanging.push_back(drawable);
        }
    } else {
        group = dynamic_cast<Drawable*>(current);
        for (ModelObject* object : changed_) {
            auto* drawable = dynamic_cast<Drawable*>(object);
            if (group == nullptr && drawable != nullptr && drawable->IsGroup())
                group = drawable;
        }
    }
    PrimitiveGroup* container = group != nullptr ? MembersOf(group) : nullptr;
    if (container == nullptr)
        return nil;

    // The members, with their places in the model's list when ungrouped.
    std::vector<Drawable*> members;
    std::vector<int32_t> memberPositions;
    int32_t groupPosition;
    if (ungroup) {
        for (Drawable* drawable : model->selection) {
            if (drawable->Parent() == nullptr) {
                members.push_back(drawable);
                memberPositions.push_back(IndexIn(model->drawables, drawable));
            }
        }
        groupPosition = group->savedBounds.left;
    } else {
        for (const auto& member : container->Members()) {
            members.push_back(member.get());
            memberPositions.push_back(member->savedBounds.left);
        }
        groupPosition = IndexIn(model->drawables, group);
    }

    // The group's record names its members by id. An ungrouped group holds
    // them again while it is written.
    if (ungroup) {
        for (Drawable* member : members)
            container->AddMember(TakeFrom(model->drawables, member));
    }
    Cell* groupRecord = nil;
    scope_.membersById = true;
    try {
        groupRecord = group->Persist(&scope_, nil);
    } catch (...) {
        scope_.membersById = false;
        throw;
    }
    scope_.membersById = false;
    if (ungroup) {
        std::vector<std::unique_ptr<Drawable>> back;
        for (Drawable* member : members)
            back.push_back(container->RemoveMember(member));
        InsertAtPositions(model->drawables, back, memberPositions);
    }

    Cell* lanes = nil;
    if (auto* lane = dynamic_cast<Swimlane*>(group); lane != nullptr && lane->IsSwimlane()) {
        lanes = kest::mklist(
            Str(lane->PreviousLane() != nullptr ? lane->PreviousLane()->Id().Text() : ""),
            kest::mkint(offset_.x),
            Str(lane->NextLane() != nullptr ? lane->NextLane()->Id().Text() : ""), nullptr);
    }
    Cell* masters = nil;
    // A group as place that took a master the project had already (an
    // unused "?") leaves it there when it is undone.
    int32_t foundMaster = 0;
    if (Master* master = GroupMaster(group)) {
        GuidScope projectScope(document_.ProjectMap(), document_.TemplateMap());
        masters = kest::mklist(master->Persist(&projectScope, nullptr), nullptr);
        if (!ungroup &&
            std::find(masterOrder_.begin(), masterOrder_.end(), master) != masterOrder_.end())
            foundMaster = 1;
    }
    Cell* fullDrawables = nil;
    std::vector<int32_t> hangingPositions;
    for (auto it = hanging.rbegin(); it != hanging.rend(); ++it)
        fullDrawables = kest::mkcons((*it)->Persist(&scope_, nil), fullDrawables);
    for (Drawable* drawable : hanging)
        hangingPositions.push_back(drawable->savedBounds.left);
    fullDrawables = kest::mkcons(groupRecord, fullDrawables);
    std::vector<ModelObject*> memberObjects(members.begin(), members.end());
    std::vector<ModelObject*> hangingObjects(hanging.begin(), hanging.end());
    return kest::mklist(head, id, Str(group->Id().Text()), lanes, masters,
                        IdList("drawable", memberObjects), fullDrawables,
                        kest::mklist(kest::intern("positions"), kest::mkint(groupPosition),
                                     IntList(memberPositions), IdList("drawable", hangingObjects),
                                     IntList(hangingPositions), kest::mkint(foundMaster), nullptr),
                        nullptr);
}

void UndoJournal::ReplayGroup(ChangeKind kind, Model* model, Cell* fields, bool group) {
    const char* groupId = NextString(fields);
    Cell* lanes = Next(fields);
    Cell* masters = Next(fields);
    const std::vector<std::string> memberIds = ReadIdList(Next(fields), "drawable");
    Cell* fullDrawables = Next(fields);
    Cell* positions = Next(fields);
    if (!kest::ispair(fullDrawables) || !kest::ispair(positions) ||
        kest::car(positions) != kest::intern("positions"))
        throw CKestException(kDamaged);
    positions = kest::cdr(positions);
    const int32_t groupPosition = NextInt(positions);
    std::vector<int32_t> memberPositions = ReadInts(Next(positions));
    const std::vector<std::string> hangingIds = ReadIdList(Next(positions), "drawable");
    std::vector<int32_t> hangingPositions = ReadInts(Next(positions));
    const bool foundMaster = positions != nil && NextInt(positions) != 0;
    memberPositions.resize(memberIds.size(), -1);
    hangingPositions.resize(hangingIds.size(), -1);
    std::string previousLane;
    std::string nextLane;
    int32_t shift = 0;
    const bool swimlane = lanes != nil;
    if (swimlane) {
        previousLane = NextString(lanes);
        shift = NextInt(lanes);
        nextLane = NextString(lanes);
    }
    auto lookupLane = [&](const std::string& laneId) -> Swimlane* {
        if (laneId.empty())
            return nullptr;
        auto* lane = dynamic_cast<Swimlane*>(LookupDrawable(Str(laneId.c_str())));
        if (lane == nullptr)
            throw CKestException(kDamaged);
        return lane;
    };
    Swimlane* previous = lookupLane(previousLane);
    Swimlane* next = lookupLane(nextLane);
    CRect repaint;
    std::vector<Drawable*> members;
    for (const std::string& memberId : memberIds)
        members.push_back(LookupDrawable(Str(memberId.c_str())));
    model->DeselectAll(nullptr, false);

    if (!group) {
        // Ungroup: the members go back to the model's list, the group and
        // what hangs on it go.
        Drawable* made = LookupDrawable(Str(groupId));
        PrimitiveGroup* container = MembersOf(made);
        if (container == nullptr || made->Parent() != nullptr ||
            FindIn(model->drawables, made) == model->drawables.end())
            throw CKestException(kDamaged);
        for (Drawable* member : members) {
            if (member->Parent() != container)
                throw CKestException(kDamaged);
        }
        std::vector<Drawable*> hanging;
        for (const std::string& hangingId : hangingIds) {
            Drawable* drawable = LookupDrawable(Str(hangingId.c_str()));
            if (FindIn(model->drawables, drawable) == model->drawables.end())
                throw CKestException(kDamaged);
            hanging.push_back(drawable);
        }
        for (Drawable* drawable : hanging)
            held_.push_back(TakeFrom(model->drawables, drawable));
        std::unique_ptr<Drawable> owned = TakeFrom(model->drawables, made);
        std::vector<std::unique_ptr<Drawable>> back;
        for (Drawable* member : members)
            back.push_back(container->RemoveMember(member));
        InsertAtPositions(model->drawables, back, memberPositions);
        if (Master* master = GroupMaster(made)) {
            // The group's use of its master goes with it.
            if (master->refCount > 0)
                --master->refCount;
            // A group's own master goes with it; one an ungroup left behind stays.
            if (!IsUngroup(kind) && !foundMaster && master->refCount == 0) {
                if (std::unique_ptr<Master> removed = document_.Masters().Remove(master, false))
                    held_.push_back(std::move(removed));
            }
        }
        held_.push_front(std::move(owned));
        DestroyHeld();
        // The lanes behind a new lane go back once it is gone.
        if (swimlane && shift != 0 && next != nullptr)
            model->ShiftSwimlanes(&document_, next, -shift, repaint);
        toSelect_ = members;
        modelToShow_ = model;
        return;
    }

    // Group: the members leave the model's list for the group re-created
    // from its record.
    for (Drawable* member : members) {
        if (member->Parent() != nullptr ||
            FindIn(model->drawables, member) == model->drawables.end())
            throw CKestException(kDamaged);
    }
    Master* created = nullptr;
    GuidScope projectScope(document_.ProjectMap(), document_.TemplateMap());
    if (masters != nil) {
        Cell* record = Next(masters);
        if (!kest::ispair(record) || kest::car(record) != kest::intern("master"))
            throw CKestException("master sym expected");
        Cell* idCell = kest::ispair(kest::cdr(record)) ? kest::car(kest::cdr(record)) : nil;
        if (!IsString(idCell))
            throw CKestException(kDamaged);
        if (document_.Masters().FindByGuid(idCell->a.str) == nullptr) {
            auto master = std::make_unique<Master>(nullptr);
            try {
                master->Persist(&projectScope, record);
            } catch (...) {
                DestroyObject(std::move(master));
                throw;
            }
            // The group's place counts its uses when it is read (below).
            master->refCount = 0;
            created = document_.InsertMasterAt(0, std::move(master));
        }
    }
    std::vector<int32_t> oldPositions;
    HeldObjects held;
    for (Drawable* member : members) {
        oldPositions.push_back(IndexIn(model->drawables, member));
        held.push_back(TakeFrom(model->drawables, member));
    }
    GuidScope scope(document_.ProjectMap(), document_.TemplateMap(), model->IsToolModel());
    scope.membersById = true;
    scope.held = &held;
    std::unique_ptr<Drawable> made;
    DrawableList hanging;
    try {
        made = CreateDrawableFromRecord(kest::car(fullDrawables), &scope);
        if (made == nullptr || MembersOf(made.get()) == nullptr)
            throw CKestException(kDamaged);
        scope.membersById = false;
        scope.held = nullptr;
        made->ResolveRefs(&document_, &scope, model);
    } catch (...) {
        scope.membersById = false;
        scope.held = nullptr;
        // The members go back where they were.
        if (made != nullptr) {
            if (PrimitiveGroup* container = MembersOf(made.get())) {
                for (Drawable* member : members) {
                    if (std::unique_ptr<Drawable> out = container->RemoveMember(member))
                        held.push_back(std::move(out));
                }
            }
            if (Master* master = GroupMaster(made.get()); master != nullptr && master->refCount > 0)
                --master->refCount;
            DiscardDrawable(std::move(made), &scope);
        }
        std::vector<std::unique_ptr<Drawable>> back;
        for (Drawable* member : members) {
            std::unique_ptr<Drawable> out;
            for (auto it = held.begin(); it != held.end(); ++it) {
                if (it->get() == member) {
                    out.reset(static_cast<Drawable*>(it->release()));
                    held.erase(it);
                    break;
                }
            }
            back.push_back(std::move(out));
        }
        InsertAtPositions(model->drawables, back, oldPositions);
        if (created != nullptr) {
            if (std::unique_ptr<Master> removed = document_.Masters().Remove(created, false))
                DestroyObject(std::move(removed));
        }
        throw;
    }
    // Reading the group counted its use of its master.
    Drawable* raw = made.get();
    if (auto* lane = dynamic_cast<Swimlane*>(raw); lane != nullptr && swimlane) {
        if (shift != 0 && next != nullptr)
            model->ShiftSwimlanes(&document_, next, shift, repaint);
        lane->SetLaneModel(model);
        lane->SetPreviousLane(previous);
        lane->SetNextLane(next);
        lane->Relink();
    }
    // What hung on an ungrouped group comes back from its records; when
    // they do not read, the group goes again and the members go back.
    if (kest::cdr(fullDrawables) != nil) {
        GuidScope drawableScope(document_.ProjectMap(), document_.TemplateMap(),
                                model->IsToolModel());
        try {
            PersistDrawables(&document_, hanging, &drawableScope, nullptr, nullptr,
                             kest::cdr(fullDrawables), nullptr, false);
        } catch (...) {
            for (auto& drawable : hanging) {
                CountPlaceUses(drawable.get(), true, 0);
                DiscardDrawable(std::move(drawable), &drawableScope);
            }
            PrimitiveGroup* container = MembersOf(raw);
            std::vector<std::unique_ptr<Drawable>> back;
            for (Drawable* member : members)
                back.push_back(container->RemoveMember(member));
            InsertAtPositions(model->drawables, back, oldPositions);
            if (Master* master = GroupMaster(raw); master != nullptr && master->refCount > 0)
                --master->refCount;
            if (auto* lane = dynamic_cast<Swimlane*>(raw); lane != nullptr && swimlane) {
                lane->Unlink(true);
                if (shift != 0 && next != nullptr)
                    model->ShiftSwimlanes(&document_, next, -shift, repaint);
            }
            DiscardDrawable(std::move(made), &drawableScope);
            if (created != nullptr) {
                if (std::unique_ptr<Master> removed = document_.Masters().Remove(created, false))
                    DestroyObject(std::move(removed));
            }
            throw;
        }
    }
    std::vector<std::unique_ptr<Drawable>> one;
    one.push_back(std::move(made));
    InsertAtPositions(model->drawables, one, {groupPosition});
    std::vector<std::unique_ptr<Drawable>> read;
    for (auto& drawable : hanging)
        read.push_back(std::move(drawable));
    hangingPositions.resize(read.size(), -1);
    InsertAtPositions(model->drawables, read, hangingPositions);
    toSelect_.push_back(raw);
    modelToShow_ = model;
}

} // namespace qm
