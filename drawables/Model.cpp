// The model: its data, the factory by diagram kind, the look-ups inside it,
// its record and the drawable records it holds.
#include "drawables/Model.h"

#include "drawables/CustomModel.h"
#include "drawables/DrawableFactory.h"
#include "drawables/DrawableIdIndex.h"
#include "drawables/HitIndex.h"
#include "drawables/Link.h"
#include "drawables/NotationTemplate.h"
#include "drawables/PlaceGroup.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/Primitives.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/Tag.h"
#include "drawables/ZoomScaling.h"
#include "kernel/Kernel.h"
#include "model/GuidMap.h"
#include "model/MasterCollection.h"
#include "model/ModelDocument.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cmath>
#include <iterator>
#include <optional>
#include <set>

namespace qm {

using kest::Cell;
using kest::mkcons;
using kest::mkint;
using kest::mkstr;
using kest::nil;

namespace {

// Containment never runs deeper than this; deeper chains are treated as
// broken (records cannot make cycles, see Drawable::ResolveRefs).
constexpr int kMaxWalk = 100000;

// The place group that embeds the container holding drawable: its parent is
// the container, and the container's parent the place group. Null at the top.
Drawable* OuterPlaceGroup(const Drawable* drawable) {
    if (drawable == nullptr || drawable->Parent() == nullptr)
        return nullptr;
    Drawable* group = drawable->Parent()->Parent();
    return group != nullptr && group->IsPlaceGroup() ? group : nullptr;
}

// True when group holds drawable, at any depth.
bool HoldsDeep(const Drawable* group, const Drawable* drawable) {
    int steps = 0;
    for (Drawable* g = OuterPlaceGroup(drawable); g != nullptr && ++steps < kMaxWalk;
         g = OuterPlaceGroup(g)) {
        if (g == group)
            return true;
    }
    return false;
}

// The place of a link's end node: a place itself, a junction's pivot place.
Drawable* PlaceOfNode(NodeDrawable* node) {
    return node != nullptr ? node->GetPlace() : nullptr;
}

// The innermost place group at (x, y) inside group (group itself when no
// member place group holds the point), or null when group does not.
Drawable* GroupAtPoint(Drawable* group, const CPoint& point, const Drawable* excluded, int depth) {
    if (group == excluded || !group->bounds.PtInRect(point))
        return nullptr;
    if (DrawableList* members = group->GetMemberList(); members != nullptr && depth < 1000) {
        for (const auto& member : *members) {
            if (!member->IsPlaceGroup())
                continue;
            if (Drawable* inner = GroupAtPoint(member.get(), point, excluded, depth + 1))
                return inner;
        }
    }
    return group;
}

// True when (x, y) lies within tolerance of the outline of rect.
bool NearOutline(const CRect& rect, int x, int y, int tolerance) {
    CRect outer = rect;
    outer.InflateRect(tolerance, tolerance);
    CRect inner = rect;
    inner.DeflateRect(tolerance, tolerance);
    const CPoint point(x, y);
    return outer.PtInRect(point) && (inner.IsRectEmpty() || !inner.PtInRect(point));
}

// True when the drawable's path (its vertices in order) passes within
// tolerance of (x, y).
bool PathPasses(const Drawable* drawable, int x, int y, int tolerance) {
    std::vector<CPoint> points;
    drawable->GetVertices(points);
    for (size_t i = 1; i < points.size(); ++i) {
        if (HitTestSegment(x, y, points[i - 1].x, points[i - 1].y, points[i].x, points[i].y,
                           tolerance))
            return true;
    }
    return false;
}

// The border test of the junction tools: a place whose outline is near the point.
constexpr int kJunctionBorderTolerance = 4;
constexpr int kMessagePathTolerance = 8;

Cell* Str(const std::string& text) {
    return mkstr(text.c_str());
}

// A real field (integers read as reals too); a format error otherwise.
double RealField(RecordReader& r, const char* field) {
    Cell* cell = r.Take(field);
    if (cell->type == kest::TReal)
        return cell->a.rval;
    if (cell->type == kest::TInteger)
        return cell->a.ival;
    r.Fail(field, "real");
}

// A real cell holds 32 bits, so a zoom such as 0.9 comes back as
// 0.89999998 and every length scaled by it (the zoomed page 1000 wide reads
// 899) falls one short. The zoom read back is the decimal the 32-bit value
// stands for, the shortest that gives the same float, which is the factor
// the view set for every step it offers.
double DecimalOfFloat(double value) {
    const auto single = float(value);
    if (!std::isfinite(single) || double(single) != value)
        return value;
    char text[32];
    const auto written = std::to_chars(std::begin(text), std::end(text), single);
    if (written.ec != std::errc())
        return value;
    double decimal = value;
    const auto parsed = std::from_chars(std::begin(text), written.ptr, decimal);
    return parsed.ec == std::errc() && float(decimal) == single ? decimal : value;
}

// The id text of a reference, or "" for none.
const char* RefText(const ObjectRef& ref, const ModelObject* bound) {
    if (bound != nullptr)
        return IdOf(bound);
    return ref.IsText() ? ref.Text() : "";
}

} // namespace

// ======================= life =======================

Model::Model(GuidMap* map) {
    flags |= MoModel;
    if (map != nullptr)
        map->AddNew(this);
}

Model::~Model() = default;

void Model::DetachDrawables(GuidScope* scope) {
    for (const auto& drawable : drawables_) {
        GuidMap* map = scope != nullptr ? scope->current : nullptr;
        if (map != nullptr && map->Lookup(drawable->guid.Text()) == drawable.get())
            drawable->Detach(scope);
        else
            drawable->SetDetached();
    }
}

void Model::Init(CSize size, const std::string& modelName) {
    name = modelName;
    pageMatrix = CRect(0, 0, size.cx, size.cy);
    zoomedPageMatrix = pageMatrix;
}

void Model::Detach(GuidScope* scope) {
    DetachDrawables(scope);
    // The master this model explodes no longer shows it as its submodel.
    if (parentMaster != nullptr && parentMaster->submodel == this) {
        parentMaster->submodel = nullptr;
        parentMaster->submodelRef = ObjectRef();
    }
    ModelObject::Detach(scope);
}

ModelObject* Model::GetPropertyTarget(int* kindOut) {
    if (kindOut != nullptr)
        *kindOut = PtModel;
    return this;
}

void Model::CopyModelFields(const Model& other) {
    setting = other.setting;
    kind = other.kind;
    name = other.name;
    modelFlags = other.modelFlags;
    comment = other.comment;
}

std::unique_ptr<Model> Model::CloneModel() const {
    return CloneOf(*this);
}

std::unique_ptr<ModelObject> Model::Clone() const {
    return CloneModel();
}

void Model::Assign(const ModelObject* other) {
    if (const auto* model = AssignSource(this, other))
        CopyModelFields(*model);
}

Cell* Model::Props(GuidScope*, ModelObject* other, Cell* list, bool redo) {
    if (list == nullptr) {
        const auto* that = dynamic_cast<const Model*>(other);
        if (that == nullptr)
            return nil;
        auto pair = [](bool equal, Cell* mine, Cell* theirs) -> Cell* {
            return equal ? nil : kest::mklist(mine, theirs, nullptr);
        };
        Cell* entries[] = {
            pair(setting == that->setting, mkint(setting), mkint(that->setting)),
            pair(kind == that->kind, mkint(kind), mkint(that->kind)),
            pair(name == that->name, Str(name), Str(that->name)),
            pair(modelFlags == that->modelFlags, mkint(int32_t(modelFlags)),
                 mkint(int32_t(that->modelFlags))),
            pair(comment == that->comment, Str(comment), Str(that->comment)),
        };
        Cell* out = nil;
        for (size_t i = std::size(entries); i > 0; --i)
            out = mkcons(entries[i - 1], out);
        return out;
    }
    // Everything is checked before anything changes.
    static constexpr kest::CellType kTypes[5] = {kest::TInteger, kest::TInteger, kest::TString,
                                                 kest::TInteger, kest::TString};
    RecordReader r(list, "model properties");
    Cell* chosen[5] = {};
    ChoosePropertyValues(r, "model properties", kTypes, std::size(kTypes), redo, chosen);
    if (chosen[0] != nullptr)
        setting = chosen[0]->a.ival;
    if (chosen[1] != nullptr)
        kind = chosen[1]->a.ival;
    if (chosen[2] != nullptr)
        name = chosen[2]->a.str;
    if (chosen[3] != nullptr)
        modelFlags = uint32_t(chosen[3]->a.ival);
    if (chosen[4] != nullptr)
        comment = chosen[4]->a.str;
    return list;
}

// ======================= the factory =======================

std::unique_ptr<Model> CreateModelOfKind(GuidMap* map, const NotationTemplate* notation,
                                         int modelKind) {
    if (!IsDiagramKind(modelKind))
        return nullptr;
    std::unique_ptr<Model> model;
    if (modelKind == MkSequence)
        model = std::make_unique<SequenceModel>(map);
    else
        model = std::make_unique<CustomModel>(map);
    model->kind = modelKind;
    if (notation != nullptr) {
        if (const DiagramType* type = notation->diagramTypes.FindByKind(modelKind)) {
            model->setting = type->newModelSetting;
            model->modelFlags = uint32_t(type->newModelFlags);
        }
    }
    return model;
}

// ======================= look-ups =======================

std::string Model::GetQualifiedName(const Model* stop) const {
    if (stop == this)
        return {};
    std::string result = name;
    std::set<const Model*> seen{this};
    for (const Model* up = parentModel; up != nullptr && up != stop; up = up->parentModel) {
        if (!seen.insert(up).second)
            break;
        result = up->name + "." + result;
    }
    return result;
}

Drawable* FindObjectById(const DrawableList& list, const char* id) {
    if (id == nullptr)
        return nullptr;
    for (const auto& drawable : list) {
        if (drawable->guid == id)
            return drawable.get();
        if (!drawable->IsGroup())
            continue;
        if (DrawableList* members = drawable->GetMemberList()) {
            if (Drawable* found = FindObjectById(*members, id))
                return found;
        }
    }
    return nullptr;
}

Drawable* ContainerOf(Drawable* drawable) {
    if (drawable == nullptr)
        return nullptr;
    // A place group holds its members in its embedded group; a primitive
    // group holds them itself.
    if (auto* group = dynamic_cast<PlaceGroup*>(drawable))
        return &group->MemberGroup();
    return drawable->kindCode == TkPrimitiveGroup ? drawable : nullptr;
}

Drawable* Model::FindObjectById(const char* id) {
    return qm::FindObjectById(drawables_, id);
}

void Model::Select(Drawable* drawable, int on, int, int) {
    NoteChanged();
    if (drawable == nullptr)
        return;
    drawable->SetSelected(on != 0);
    if (on != 0)
        SelectionAppend(drawable);
    else
        SelectionRemove(drawable);
}

void Model::SelectionAppend(Drawable* drawable) {
    SelectionRemove(drawable);
    selectionAt_[drawable] = selection_.insert(selection_.end(), drawable);
}

void Model::SelectionRemove(const Drawable* drawable) {
    const auto at = selectionAt_.find(drawable);
    if (at == selectionAt_.end())
        return;
    selection_.erase(at->second);
    selectionAt_.erase(at);
}

void Model::SelectionClear() {
    selection_.clear();
    selectionAt_.clear();
}

void Model::GetBounds(CRect& rect) const {
    rect.SetRectEmpty();
    for (const auto& drawable : drawables_)
        rect.UnionRect(rect, drawable->repaintRect);
    if (!rect.IsRectEmpty())
        rect.DeflateRect(kRepaintMargin, kRepaintMargin);
}

void Model::GetSelectionBounds(CRect& rect) const {
    rect.SetRectEmpty();
    for (const Drawable* drawable : selection_)
        rect.UnionRect(rect, drawable->repaintRect);
    if (!rect.IsRectEmpty())
        rect.DeflateRect(kRepaintMargin, kRepaintMargin);
}

void Model::PageRectNear(const Drawable* drawable, int x, int y, CRect& rect) const {
    rect = pageMatrix;
    if (drawable == nullptr)
        return;
    const CRect& b = drawable->bounds;
    if (x < b.left)
        rect.right = b.left;
    else if (x > b.right)
        rect.left = b.right;
    else if (y < b.top)
        rect.bottom = b.top;
    else if (y > b.bottom)
        rect.top = b.bottom;
    else
        rect = b;
    if (rect.IsRectEmpty())
        rect = pageMatrix;
}

Drawable* Model::LinkContainer(const Drawable* link) const {
    if (link == nullptr)
        return nullptr;
    NodeDrawable* sourceNode = nullptr;
    NodeDrawable* targetNode = nullptr;
    if (!link->GetLinkEnds(sourceNode, targetNode))
        return nullptr;
    Drawable* source = PlaceOfNode(sourceNode);
    Drawable* target = PlaceOfNode(targetNode);
    if (source == nullptr || target == nullptr || source == target)
        return nullptr;
    if (sourceNode->IsJunction() && source->IsPlaceGroup() && HoldsDeep(source, target))
        return source;
    if (targetNode->IsJunction() && target->IsPlaceGroup() && HoldsDeep(target, source))
        return target;
    if (source->Parent() == nullptr || target->Parent() == nullptr)
        return nullptr;
    int outer = 0;
    for (Drawable* g = OuterPlaceGroup(source); g != nullptr && ++outer < kMaxWalk;
         g = OuterPlaceGroup(g)) {
        int inner = 0;
        for (Drawable* h = OuterPlaceGroup(target); h != nullptr && ++inner < kMaxWalk;
             h = OuterPlaceGroup(h)) {
            if (h == g)
                return g;
        }
    }
    return nullptr;
}

Drawable* Model::FindGroupOf(const Drawable* drawable) const {
    Drawable* innermost = OuterPlaceGroup(drawable);
    if (innermost == nullptr)
        return nullptr;
    for (const auto& top : drawables_) {
        if (top.get() == drawable || !top->IsPlaceGroup())
            continue;
        if (top.get() == innermost || HoldsDeep(top.get(), innermost))
            return innermost;
    }
    return nullptr;
}

Drawable* Model::FindGroupAt(int x, int y, const Drawable* excluded) const {
    const CPoint point(x, y);
    for (const auto& top : drawables_) {
        if (top.get() == excluded || !top->IsPlaceGroup())
            continue;
        if (Drawable* found = GroupAtPoint(top.get(), point, excluded, 0))
            return found;
    }
    return nullptr;
}

Drawable* Model::FindPlaceOfMaster(const Master* master) const {
    for (const auto& drawable : drawables_) {
        auto* node = dynamic_cast<NodeDrawable*>(drawable.get());
        if (node != nullptr && drawable->IsPlace() && node->GetMaster() == master)
            return drawable.get();
    }
    return nullptr;
}

Drawable* Model::FindPlaceByMasterName(ModelDocument*, int masterKind,
                                       const std::string& masterName,
                                       const std::string& nameSpace) const {
    for (const auto& drawable : drawables_) {
        auto* node = dynamic_cast<NodeDrawable*>(drawable.get());
        if (node == nullptr || !drawable->IsPlace())
            continue;
        const Master* master = node->GetMaster();
        if (master != nullptr && MasterMatches(master, masterKind, masterName, nameSpace))
            return drawable.get();
    }
    return nullptr;
}

Drawable* Model::FindLink(int toolKind, const std::string& name, const Drawable* source,
                          const Drawable* target) const {
    for (const auto& drawable : drawables_) {
        NodeDrawable* from = nullptr;
        NodeDrawable* to = nullptr;
        if (!drawable->IsLink() || drawable->kindCode != toolKind ||
            !drawable->GetLinkEnds(from, to) || from != source || to != target)
            continue;
        const auto* link = dynamic_cast<const Link*>(drawable.get());
        if ((link != nullptr ? link->name : std::string()) == name)
            return drawable.get();
    }
    return nullptr;
}

Drawable* Model::CreatePlace(ModelDocument*, Master*, const CRect&) {
    return nullptr;
}

void Model::RebindTools(NotationTemplate*) {
    NoteChanged();
}

namespace {

// The hit test over the drawables_ that next() hands out in list order (null
// at the end): the first that answers, or with flag 0x8 the last; the
// message tool takes the first link whose path passes near, and the
// junction tools a place whose outline is near.
template <class Next>
Drawable* HitTestInOrder(Next next, bool many, int toolKind, int x, int y, int& part, int& index,
                         int flags, const Drawable* excluded) {
    const bool junctionTool = IsJunctionToolId(toolKind);
    Drawable* hit = nullptr;
    part = HpNone;
    index = 0;
    auto borderHit = [&](Drawable* d) {
        return junctionTool && d->IsPlace() &&
               NearOutline(d->bounds, x, y, kJunctionBorderTolerance);
    };
    while (Drawable* drawable = next()) {
        if (drawable == excluded)
            continue;
        if (toolKind == TkMessage && drawable->IsLink() &&
            PathPasses(drawable, x, y, kMessagePathTolerance)) {
            part = HpBody;
            index = 0;
            return drawable;
        }
        if (borderHit(drawable)) {
            part = 0x800;
            return drawable;
        }
        int ownPart = HpNone;
        int ownIndex = 0;
        Drawable* found = drawable->HitTest(x, y, ownPart, ownIndex, flags);
        if (found == nullptr)
            continue;
        if (borderHit(found)) {
            part = 0x800;
            return found;
        }
        part = (!many || ownPart == HpSubmodelMarker) ? ownPart : HpBody;
        index = ownIndex;
        hit = found;
        if ((flags & 0x8) == 0)
            return hit;
    }
    return hit;
}

} // namespace

Drawable* Model::HitTest(int toolKind, int x, int y, int& part, int& index, int flags,
                         const Drawable* excluded) {
    if (hitIndex_ == nullptr)
        hitIndex_ = std::make_unique<HitIndex>();
    if (!hitIndex_->IsCurrent(drawables_.size(), changeCount_))
        hitIndex_->Build(drawables_, changeCount_);
    std::vector<Drawable*> candidates;
    hitIndex_->ForEachAt(CPoint(x, y), [&](Drawable* d) {
        candidates.push_back(d);
        return true;
    });
    size_t at = 0;
    auto next = [&]() { return at < candidates.size() ? candidates[at++] : nullptr; };
    return HitTestInOrder(next, selection_.size() > 1, toolKind, x, y, part, index, flags,
                          excluded);
}

Drawable* Model::HitTestEveryDrawable(int toolKind, int x, int y, int& part, int& index, int flags,
                                      const Drawable* excluded) {
    auto it = drawables_.begin();
    auto next = [&]() { return it != drawables_.end() ? (it++)->get() : nullptr; };
    return HitTestInOrder(next, selection_.size() > 1, toolKind, x, y, part, index, flags,
                          excluded);
}

// ======================= editing the lists =======================

Drawable* Model::AddDrawable(std::unique_ptr<Drawable> drawable) {
    if (drawable == nullptr)
        return nullptr;
    NoteChanged();
    drawables_.push_back(std::move(drawable));
    return drawables_.back().get();
}

Drawable* Model::InsertDrawable(int32_t index, std::unique_ptr<Drawable> drawable) {
    if (drawable == nullptr)
        return nullptr;
    if (index < 0 || size_t(index) >= drawables_.size())
        return AddDrawable(std::move(drawable));
    NoteChanged();
    return drawables_.insert(std::next(drawables_.begin(), index), std::move(drawable))->get();
}

void Model::InsertDrawables(std::vector<std::unique_ptr<Drawable>>& drawables,
                            const std::vector<int32_t>& positions, Drawable* group) {
    DrawableList* list = group != nullptr ? group->GetMemberList() : &drawables_;
    if (list == nullptr)
        return;
    NoteChanged();
    // One walk along the list: the drawables go in by ascending position.
    std::vector<size_t> indices(drawables.size());
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = i;
    std::stable_sort(indices.begin(), indices.end(), [&](size_t a, size_t b) {
        return uint32_t(positions[a]) < uint32_t(positions[b]);
    });
    auto at = list->begin();
    int64_t index = 0;
    for (size_t i : indices) {
        if (drawables[i] == nullptr)
            continue;
        if (positions[i] < 0) {
            list->push_back(std::move(drawables[i]));
            continue;
        }
        while (index < positions[i] && at != list->end()) {
            ++at;
            ++index;
        }
        list->insert(at, std::move(drawables[i]));
        ++index;
    }
}

std::unique_ptr<Drawable> Model::TakeDrawable(const Drawable* drawable) {
    std::unique_ptr<Drawable> taken = TakeFrom(drawables_, drawable);
    if (taken != nullptr)
        NoteChanged();
    return taken;
}

std::unique_ptr<Drawable> Model::TakeFromOwner(Drawable* drawable) {
    if (drawable == nullptr)
        return nullptr;
    Drawable* parent = drawable->Parent();
    DrawableList* list = parent != nullptr ? parent->GetMemberList() : &drawables_;
    std::unique_ptr<Drawable> taken = list != nullptr ? TakeFrom(*list, drawable) : nullptr;
    if (taken != nullptr)
        NoteChanged();
    return taken;
}

int32_t Model::IndexOf(const Drawable* drawable) const {
    const DrawableList* list = &drawables_;
    if (drawable != nullptr && drawable->Parent() != nullptr)
        list = drawable->Parent()->MemberList();
    if (list == nullptr)
        return -1;
    int32_t index = 0;
    for (const auto& owned : *list) {
        if (owned.get() == drawable)
            return index;
        ++index;
    }
    return -1;
}

DrawableList Model::SetDrawablesAside() {
    DrawableList aside;
    aside.splice(aside.begin(), drawables_);
    SelectionClear();
    NoteChanged();
    return aside;
}

void Model::RestoreDrawables(DrawableList& aside) {
    drawables_.splice(drawables_.begin(), aside);
    NoteChanged();
}

void Model::ForgetSelected(const Drawable* drawable) {
    SelectionRemove(drawable);
    NoteChanged();
}

void Model::SetDrawableLooks(Drawable* drawable, const Looks& looks) {
    drawable->looks = looks;
    NoteChanged();
}

void Model::SetLabelRect(Drawable* drawable, const CRect& rect) {
    drawable->labelRect = rect;
    NoteChanged();
}

void Model::SetRepaintRect(Drawable* drawable, const CRect& rect) {
    drawable->repaintRect = rect;
    NoteChanged();
}

std::unique_ptr<Drawable> Model::RemoveDrawable(Drawable* drawable, bool releaseMaster) {
    std::unique_ptr<Drawable> taken = TakeFrom(drawables_, drawable);
    if (taken == nullptr)
        return nullptr;
    NoteChanged();
    SelectionRemove(drawable);
    if (releaseMaster && drawable->IsPlace()) {
        if (auto* node = dynamic_cast<NodeDrawable*>(drawable)) {
            if (Master* master = node->GetMaster(); master != nullptr && master->refCount > 0)
                --master->refCount;
        }
    }
    return taken;
}

void Model::SetPageMatrix(const CRect& rect) {
    NoteChanged();
    pageMatrix = rect;
    ScaleByZoom(pageMatrix, zoomedPageMatrix, zoom);
}

void Model::SetZoomFactor(double factor) {
    NoteChanged();
    zoom = std::isfinite(factor) && factor > 1e-6 ? factor : 1.0;
    inverseZoom = 1.0 / zoom;
    ScaleByZoom(pageMatrix, zoomedPageMatrix, zoom);
}

// ======================= records =======================

namespace {
// The fields of a model record before its drawables, id to zoomed page matrix.
constexpr size_t kModelFieldCount = 13;
} // namespace

Cell* Model::PersistFields(Cell* drawables) {
    Cell* fields[] = {
        IdCell(this),
        mkint(kind),
        mkint(setting),
        Str(name),
        mkstr(""),
        Str(comment),
        mkint(int32_t(modelFlags)),
        mkstr(RefText(parentMasterRef, parentMaster)),
        mkstr(RefText(parentModelRef, parentModel)),
        kest::mkreal(float(zoom)),
        kest::mkreal(float(inverseZoom)),
        rectlist(pageMatrix, nil),
        rectlist(zoomedPageMatrix, nil),
    };
    static_assert(std::size(fields) == kModelFieldCount);
    Cell* out = drawables;
    for (size_t i = std::size(fields); i > 0; --i)
        out = mkcons(fields[i - 1], out);
    return out;
}

Cell* Model::Persist(ModelDocument* document, GuidScope* scope, Cell* list) {
    if (list == nullptr || list == nil)
        return PersistFields(
            PersistDrawables(document, drawables_, scope, this, nullptr, nil, nullptr, false));
    Cell* records = ReadFields(scope, list);
    PersistDrawables(document, drawables_, scope, this, nullptr, records, nullptr, false);
    return nil;
}

void Model::ReadElements(ModelDocument* document, GuidScope* scope, RecordElements& elements) {
    // The fields are held in cells until they are read; the drawable records
    // come one at a time after them.
    Cell* fields = nil;
    Cell* tail = nil;
    for (size_t i = 0; i < kModelFieldCount; ++i) {
        Cell* element = elements.Next();
        if (element == nullptr)
            break;
        Cell* pair = mkcons(element, nil);
        if (fields == nil)
            fields = pair;
        else
            tail->b.cdr = pair;
        tail = pair;
    }
    [[maybe_unused]] Cell* rest = ReadFields(scope, fields);
    assert(rest == nil && "the model's fields are read to the last");
    ReadDrawables(document, drawables_, scope, this, elements);
}

Cell* Model::ReadFields(GuidScope* scope, Cell* list) {
    NoteChanged();
    GuidMap* current = scope != nullptr ? scope->current : nullptr;
    GuidMap* project = scope != nullptr ? scope->project : nullptr;
    RecordReader r(list, "model");
    Cell* idCell = r.Peek();
    if (idCell == nullptr || (idCell->type != kest::TString && idCell->type != kest::TInteger))
        r.Fail("id", "id text");
    ObjectRef id = r.Ref(current, "id");
    const int32_t readKind = r.Int("kind");
    const int32_t readSetting = r.Int("setting");
    std::string readName = r.String("name");
    r.String("reserved");
    std::string readComment = r.String("comment");
    const int32_t readFlags = r.Int("flags");
    auto reference = [&](GuidMap* map, const char* field) {
        Cell* cell = r.Peek();
        if (cell == nullptr || (cell->type != kest::TString && cell != nil))
            r.Fail(field, "id text");
        return r.Ref(map, field);
    };
    ObjectRef masterRef = reference(project, "parent master");
    ObjectRef modelRef = reference(current, "parent model");
    const double readZoom = DecimalOfFloat(RealField(r, "zoom"));
    RealField(r, "inverse zoom");
    if (!std::isfinite(readZoom) || readZoom <= 0.0 || readZoom > 1.0e6)
        r.Fail("zoom", "a positive zoom factor");
    CRect page, zoomed;
    r.Rect(page, "page matrix");
    r.Rect(zoomed, "zoomed page matrix");
    if (!RectInRange(page))
        r.Fail("page matrix", "coordinates within the diagram range");
    Cell* records = r.Rest();
    CheckedLength(records, "model", "drawables");

    kind = readKind;
    setting = readSetting;
    name = std::move(readName);
    comment = std::move(readComment);
    modelFlags = uint32_t(readFlags);
    parentMaster = nullptr;
    parentModel = nullptr;
    parentMasterRef = masterRef;
    parentModelRef = modelRef;
    pageMatrix = page;
    SetZoomFactor(readZoom);
    (void)zoomed; // always recomputed from the page matrix and the zoom
    if (current != nullptr && !id.IsNil()) {
        if (current->Lookup(guid.Text()) == this)
            current->Remove(this);
        if (id.IsText()) {
            guid.SetText(id.Text());
            current->RegisterRead(0, id.Text(), true, this, guid, scope->readMap);
        } else {
            RegisterRecordId(*current, id, this);
        }
    } else if (id.IsText() && !id.IsNil()) {
        guid.SetText(id.Text());
    }
    return records;
}

void Model::ResolveRefs(ModelDocument* document, GuidScope* scope, bool byDocument) {
    GuidMap* project = scope != nullptr ? scope->project : nullptr;

    parentMaster = nullptr;
    if (!parentMasterRef.IsNil()) {
        ModelObject* found = nullptr;
        if (byDocument && parentMasterRef.IsText()) {
            // Pasted from another project: the document's own master of that
            // id, whatever the paste renamed.
            if (project != nullptr)
                project->Texts().Lookup(parentMasterRef.Text(), found);
            parentMaster = dynamic_cast<Master*>(found);
        } else {
            // Masters live in the project's map (a paste's read map first).
            std::optional<GuidScope> masters;
            if (scope != nullptr) {
                masters.emplace(*scope);
                masters->current = project;
            }
            auto* master =
                dynamic_cast<Master*>(parentMasterRef.ResolveIn(masters ? &*masters : nullptr));
            if (master != nullptr && (master->submodel == nullptr || master->submodel == this)) {
                parentMaster = master;
                master->submodel = this;
            }
        }
    }

    parentModel = nullptr;
    if (!parentModelRef.IsNil()) {
        ModelObject* found = nullptr;
        if (byDocument && parentModelRef.IsText())
            found =
                document != nullptr ? document->FindTopLevelModel(parentModelRef.Text()) : nullptr;
        else
            found = parentModelRef.ResolveIn(scope);
        // A parent chain that comes back to this model would make the model
        // tree a cycle: such a parent is dropped.
        auto* model = dynamic_cast<Model*>(found);
        int steps = 0;
        for (Model* up = model; up != nullptr; up = up->parentModel) {
            if (up == this || ++steps > kMaxWalk) {
                model = nullptr;
                break;
            }
        }
        parentModel = model;
    }
}

Cell* PersistDrawables(ModelDocument* document, DrawableList& list, GuidScope* scope,
                       DrawableModel* model, DrawableRefList* second, Cell* records, CRect* repaint,
                       bool primitivesOnly) {
    if (records == nullptr || records == nil) {
        Cell* out = nil;
        for (auto it = list.rbegin(); it != list.rend(); ++it)
            out = mkcons((*it)->Persist(scope, nil), out);
        return out;
    }
    CheckedLength(records, "drawables", "records");
    ListElements elements(records);
    ReadDrawables(document, list, scope, model, elements, second, repaint, primitivesOnly);
    return records;
}

void ReadDrawables(ModelDocument* document, DrawableList& list, GuidScope* scope,
                   DrawableModel* model, RecordElements& records, DrawableRefList* second,
                   CRect* repaint, bool primitivesOnly) {
    if (repaint != nullptr)
        repaint->SetRectEmpty();
    const bool wasEmpty = list.empty();
    auto last = wasEmpty ? list.end() : std::prev(list.end());
    while (Cell* record = records.Next()) {
        std::unique_ptr<Drawable> drawable = CreateDrawableFromRecord(record, scope);
        records.Release();
        if (drawable == nullptr)
            continue;
        if (primitivesOnly && !drawable->IsPrimitive()) {
            DiscardDrawable(std::move(drawable), scope);
            continue;
        }
        if (second != nullptr)
            second->push_back(drawable.get());
        list.push_back(std::move(drawable));
    }
    auto first = wasEmpty ? list.begin() : std::next(last);
    {
        // References by id text are looked up in the model: one index of its
        // drawables serves every record of the list instead of a walk each.
        // The scope's index before this read (an enclosing read's) is put
        // back however the binding ends.
        std::optional<DrawableIdIndex> index;
        struct Restore {
            GuidScope* scope;
            DrawableIdIndex* before;
            ~Restore() {
                if (scope != nullptr)
                    scope->drawableIndex = before;
            }
        } restore{nullptr, nullptr};
        if (scope != nullptr && dynamic_cast<Model*>(model) != nullptr) {
            index.emplace(*model);
            restore = {scope, scope->drawableIndex};
            scope->drawableIndex = &*index;
        }
        for (auto it = first; it != list.end(); ++it) {
            (*it)->ResolveRefs(document, scope, model);
            if (repaint != nullptr)
                repaint->UnionRect(*repaint, (*it)->repaintRect);
        }
    }
    RememberLinkGeometry(list, first);
}

void RememberLinkGeometry(const DrawableList& list, DrawableList::const_iterator first) {
    // Links keep the bounds of their end nodes; message floaters the ends of
    // their segment.
    for (auto it = first; it != list.end(); ++it) {
        if (auto* floater = dynamic_cast<Floater*>(it->get())) {
            floater->RememberSegment();
            continue;
        }
        auto* link = dynamic_cast<Link*>(it->get());
        if (link == nullptr)
            continue;
        if (link->GetSource() != nullptr)
            link->savedSourceBounds = link->GetSource()->bounds;
        if (link->GetTarget() != nullptr)
            link->savedTargetBounds = link->GetTarget()->bounds;
    }
}

} // namespace qm
