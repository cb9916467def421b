// Automatic layout of a model: places without positions (as reverse
// engineering and scripts make them) are arranged so that connected places
// stand together, the best-connected place of each group sits in its middle
// and groups do not overlap.
//
// Design: the unmarked places fall into connected components (through
// unmarked links). Each component is packed on its own occupancy grid of
// 20-unit cells, first fit from the top-left, each place asking for twice
// its size and settling for less when the grid is full; a component of three
// or more places is packed a second time around its hub, which first moves
// to the middle. The packed component is then moved as a block into the
// first free area of the model's grid, which holds the marked drawables
// (they never move) and the components placed before. Links are rerouted,
// parallel links get a bend and self links a loop.
//
// The links at each place are gathered once for the flood, and the
// drawables of each component once for its packing, so that the work grows
// with the drawables and the grid's rows rather than with their products.
//
// Limits: first-fit packing is greedy (no crossing reduction).
#include "drawables/BitGrid.h"
#include "drawables/DiagramView.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/ModelEditing.h"
#include "drawables/Place.h"
#include "drawables/Tag.h"
#include "model/ModelDocument.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace qm {

namespace {

constexpr int32_t kCellSize = 20;
// A component needs this many places before its hub is centred.
constexpr size_t kHubMinimum = 3;

// The two scratch integers of a layout, kept in the saved bounds.
int32_t& LinkCount(Drawable* drawable) {
    return drawable->savedBounds.left;
}
int32_t& ComponentOf(Drawable* drawable) {
    return drawable->savedBounds.top;
}

// The model's drawables and, for each place, its unmarked links in list order.
struct LinkIndex {
    std::unordered_set<const Drawable*> present;
    std::unordered_map<const Drawable*, std::vector<Link*>> linksAt;

    explicit LinkIndex(const DrawableList& drawables) {
        for (const auto& drawable : drawables) {
            present.insert(drawable.get());
            Link* link = AsLink(drawable.get());
            if (link == nullptr || link->IsMarked())
                continue;
            Drawable* source = link->GetSourcePlace();
            Drawable* target = link->GetTargetPlace();
            if (source != nullptr)
                linksAt[source].push_back(link);
            if (target != nullptr && target != source)
                linksAt[target].push_back(link);
        }
    }
};

// Gives the component number of `place` to every unmarked link and place of
// the model that it reaches through unmarked links.
void Flood(const LinkIndex& index, Drawable* place) {
    const int32_t number = ComponentOf(place);
    // Depth first over the links, with a stack of its own rather than the
    // call stack, so that long chains of places cannot exhaust it.
    std::vector<Drawable*> pending{place};
    while (!pending.empty()) {
        Drawable* at = pending.back();
        pending.pop_back();
        const auto links = index.linksAt.find(at);
        if (links == index.linksAt.end())
            continue;
        for (Link* link : links->second) {
            if (ComponentOf(link) != 0)
                continue;
            Drawable* source = link->GetSourcePlace();
            Drawable* target = link->GetTargetPlace();
            ComponentOf(link) = number;
            Drawable* other = source == at ? target : source;
            if (other != nullptr && other->IsPlace() && !other->IsMarked() &&
                ComponentOf(other) == 0 && index.present.count(other) != 0) {
                ComponentOf(other) = number;
                pending.push_back(other);
            }
        }
    }
}

// The place of the component with the most links inside it (the first in
// `members` on a tie); null when none has a link. `members` holds every
// drawable of the component in list order.
Drawable* Hub(const std::vector<Drawable*>& members, int component) {
    for (Drawable* d : members) {
        if (ComponentOf(d) == component)
            LinkCount(d) = 0;
    }
    for (Drawable* d : members) {
        Link* link = AsLink(d);
        if (link == nullptr || ComponentOf(link) != component)
            continue;
        for (Drawable* end : {link->GetSourcePlace(), link->GetTargetPlace()}) {
            if (end != nullptr && ComponentOf(end) == component)
                ++LinkCount(end);
        }
    }
    Drawable* hub = nullptr;
    int32_t best = 0;
    for (Drawable* d : members) {
        if (d->IsPlace() && ComponentOf(d) == component && LinkCount(d) > best) {
            best = LinkCount(d);
            hub = d;
        }
    }
    return hub;
}

// For each component number from 1 to `components`, its unmarked drawables
// and every link that ends at one of its places, in list order.
std::vector<std::vector<Drawable*>> ComponentMembers(const DrawableList& drawables,
                                                     int components) {
    std::vector<std::vector<Drawable*>> members(static_cast<size_t>(components) + 1);
    auto add = [&](Drawable* d, int32_t component) {
        if (component < 1 || component > components)
            return;
        auto& list = members[static_cast<size_t>(component)];
        if (list.empty() || list.back() != d)
            list.push_back(d);
    };
    for (const auto& drawable : drawables) {
        Drawable* d = drawable.get();
        Link* link = AsLink(d);
        if (link == nullptr) {
            if (!d->IsMarked())
                add(d, ComponentOf(d));
            continue;
        }
        int32_t seen[3] = {link->IsMarked() ? 0 : ComponentOf(link), 0, 0};
        Drawable* source = link->GetSourcePlace();
        Drawable* target = link->GetTargetPlace();
        seen[1] = source != nullptr ? ComponentOf(source) : 0;
        seen[2] = target != nullptr ? ComponentOf(target) : 0;
        for (int i = 0; i < 3; ++i) {
            if (std::find(seen, seen + i, seen[i]) == seen + i)
                add(d, seen[i]);
        }
    }
    return members;
}

} // namespace

int Model::NumberComponents() {
    for (const auto& drawable : drawables_)
        ComponentOf(drawable.get()) = 0;
    const LinkIndex index(drawables_);
    int count = 0;
    for (const auto& drawable : drawables_) {
        Drawable* d = drawable.get();
        if (!d->IsPlace() || d->IsMarked() || ComponentOf(d) != 0)
            continue;
        ComponentOf(d) = ++count;
        Flood(index, d);
    }
    // A tag or floater goes with the component of what it is attached to
    // (a floater's link), so it moves with it.
    for (const auto& drawable : drawables_) {
        Drawable* d = drawable.get();
        Drawable* on = d->IsTag() && !d->IsMarked() ? AttachedTo(d) : nullptr;
        if (on != nullptr && !on->IsMarked() && index.present.count(on) != 0)
            ComponentOf(d) = ComponentOf(on);
    }
    return count;
}

void Model::FloodComponent(Drawable* place) {
    if (place == nullptr)
        return;
    Flood(LinkIndex(drawables_), place);
}

Drawable* Model::FindHubPlace(int component) {
    std::vector<Drawable*> all;
    all.reserve(drawables_.size());
    for (const auto& drawable : drawables_)
        all.push_back(drawable.get());
    return Hub(all, component);
}

void Model::LayoutComponent(DeviceContext& dc, BitGrid& grid, int component,
                            const std::vector<Drawable*>& members) {
    NoteChanged();
    BitGrid packing(grid.Rows(), grid.Columns(), grid.CellSize());
    std::vector<Drawable*> places;
    std::map<Drawable*, CPoint> startedAt;
    for (Drawable* d : members) {
        if (d->IsPlace() && !d->IsMarked() && ComponentOf(d) == component) {
            places.push_back(d);
            startedAt[d] = d->bounds.TopLeft();
        }
    }
    // The links from a place to itself, which move along with it.
    std::unordered_map<const Drawable*, std::vector<Link*>> selfLinks;
    for (Drawable* d : members) {
        Link* link = AsLink(d);
        Drawable* source = link != nullptr ? link->GetSourcePlace() : nullptr;
        if (source != nullptr && link->GetTargetPlace() == source)
            selfLinks[source].push_back(link);
    }
    CRect area;
    area.SetRectEmpty();
    Drawable* hub = nullptr;
    CRect dirty;
    auto moveSelfLinks = [&](Drawable* place, int dx, int dy) {
        const auto links = selfLinks.find(place);
        if ((dx == 0 && dy == 0) || links == selfLinks.end())
            return;
        for (Link* link : links->second)
            link->MoveBy(dx, dy, dirty);
    };
    auto move = [&](Drawable* place, int dx, int dy) {
        if (dx == 0 && dy == 0)
            return;
        place->MoveBy(dx, dy, dirty);
        moveSelfLinks(place, dx, dy);
    };
    auto pack = [&] {
        for (Drawable* place : places) {
            if (place == hub)
                continue;
            move(place, place->bounds.left < 0 ? -place->bounds.left : 0,
                 place->bounds.top < 0 ? -place->bounds.top : 0);
            const CSize offset = packing.PlaceDrawable(*place);
            moveSelfLinks(place, offset.cx, offset.cy);
            area.UnionRect(area, place->bounds);
        }
    };
    pack();
    if (places.size() >= kHubMinimum && (hub = Hub(members, component)) != nullptr) {
        packing.Clear();
        const CPoint middle = area.CenterPoint();
        const CPoint centre = hub->bounds.CenterPoint();
        move(hub, middle.x - centre.x, middle.y - centre.y);
        area = hub->bounds;
        packing.MarkRect(hub->bounds);
        pack();
    }

    // The packed component moves as one block into free room of the model's
    // grid: its top-left corner onto the corner found, so that it covers
    // exactly the free cells. When the grid has no room it goes below the
    // whole drawing.
    CPoint corner;
    if (!grid.FindFreeArea(area.Width(), area.Height(), corner)) {
        CRect drawing;
        GetBounds(drawing);
        corner = CPoint(kCellSize, ClampCoordinate(int64_t{drawing.bottom} + kCellSize));
    }
    const int32_t dx = ClampCoordinate(int64_t{corner.x} - area.left);
    const int32_t dy = ClampCoordinate(int64_t{corner.y} - area.top);
    for (Drawable* d : members) {
        if (d->IsMarked() || ComponentOf(d) != component)
            continue;
        // A tag keeps its place beside the place it is attached to, which
        // was also moved while the component was packed.
        Drawable* on = d->IsTag() && !d->IsFloater() ? AttachedTo(d) : nullptr;
        if (auto start = on != nullptr ? startedAt.find(on) : startedAt.end();
            start != startedAt.end()) {
            const CPoint now = on->bounds.TopLeft();
            d->MoveBy(ClampCoordinate(int64_t{now.x} + dx - start->second.x),
                      ClampCoordinate(int64_t{now.y} + dy - start->second.y), dirty);
            continue;
        }
        if (dx != 0 || dy != 0)
            d->MoveBy(dx, dy, dirty);
    }
    OffsetRectClamped(area, dx, dy);
    grid.MarkRect(area);

    // The links that end in the component take their new ends; those of the
    // component get a loop (to the same place) or a bend (beside another
    // straight link between the same two nodes).
    std::map<std::pair<Drawable*, Drawable*>, std::vector<Link*>> between;
    for (Drawable* d : members) {
        Link* link = AsLink(d);
        if (link == nullptr || link->IsMarked() || ComponentOf(link) != component)
            continue;
        Drawable* a = link->GetSource();
        Drawable* b = link->GetTarget();
        between[std::minmax(a, b)].push_back(link);
    }
    for (Drawable* d : members) {
        Link* link = AsLink(d);
        if (link == nullptr)
            continue;
        const bool own = !link->IsMarked() && ComponentOf(link) == component;
        Drawable* source = link->GetSourcePlace();
        Drawable* target = link->GetTargetPlace();
        const bool touched = (source != nullptr && ComponentOf(source) == component) ||
                             (target != nullptr && ComponentOf(target) == component);
        if (!own && !touched)
            continue;
        link->MeasureEndLabels(dc);
        link->LayoutName();
        link->Reroute(0x3, false);
        if (own) {
            if (source != nullptr && source == target &&
                static_cast<Drawable*>(link->GetSource()) == link->GetTarget()) {
                link->MakeSelfLoop();
            } else {
                const auto& twins =
                    between[std::minmax<Drawable*>(link->GetSource(), link->GetTarget())];
                const bool straightTwin =
                    std::any_of(twins.begin(), twins.end(), [link](const Link* other) {
                        return other != link && other->VertexCount() == 2;
                    });
                if (straightTwin)
                    link->AddMidBend();
            }
        }
        link->UpdateRepaintRect();
    }
    // Tags point at their places again; floaters sit on their rerouted links.
    for (Drawable* d : members) {
        auto* tag = d->IsTag() ? dynamic_cast<Tag*>(d) : nullptr;
        if (tag == nullptr || tag->IsMarked() || ComponentOf(tag) != component)
            continue;
        if (auto* floater = dynamic_cast<Floater*>(tag)) {
            floater->Reanchor();
            floater->RememberSegment();
        } else {
            tag->ComputeAnchor();
        }
        tag->UpdateRepaintRect();
    }
}

void LayoutModel(ModelDocument* document, Model* model, bool resize, bool recurse) {
    if (model == nullptr || model->IsMarked())
        return;
    model->NoteChanged();
    BorrowedDC borrowed(document);
    DeviceContext& dc = borrowed.dc();
    const int components = model->NumberComponents();

    int64_t totalArea = 0;
    int32_t widest = 0;
    int32_t tallest = 0;
    if (resize) {
        // The unmarked places take their natural sizes first, their links
        // following once for all of them.
        std::vector<std::pair<Drawable*, CRect>> sizes;
        for (const auto& drawable : model->Drawables()) {
            Drawable* d = drawable.get();
            auto* place = d->IsPlace() && !d->IsMarked() ? dynamic_cast<Place*>(d) : nullptr;
            if (place == nullptr)
                continue;
            CRect natural;
            place->ComputeAutoSize(&dc, natural);
            sizes.emplace_back(d, natural);
        }
        CRect repaint;
        model->SetDrawablesBounds(sizes, repaint);
    }
    for (const auto& drawable : model->Drawables()) {
        Drawable* d = drawable.get();
        if (d->IsPlace() || d->IsTag()) {
            const int64_t w = std::max(0, d->bounds.Width());
            const int64_t h = std::max(0, d->bounds.Height());
            totalArea += w * h;
            widest = std::max<int32_t>(widest, int32_t(w));
            tallest = std::max<int32_t>(tallest, int32_t(h));
        }
    }
    const int32_t side = ClampCoordinate(int64_t(std::sqrt(4.0 * double(totalArea))));
    const int32_t width =
        std::max({ClampCoordinate(2 * int64_t{widest}), side, model->pageMatrix.Width()});
    const int32_t height =
        std::max({ClampCoordinate(2 * int64_t{tallest}), side, model->pageMatrix.Height()});
    model->SetPageMatrix(CRect(0, 0, width, height));

    BitGrid grid((height + kCellSize - 1) / kCellSize, (width + kCellSize - 1) / kCellSize,
                 kCellSize);
    for (const auto& drawable : model->Drawables()) {
        if (drawable->IsMarked())
            grid.MarkDrawable(*drawable);
    }
    const auto members = ComponentMembers(model->Drawables(), components);
    for (int component = 1; component <= components; ++component)
        model->LayoutComponent(dc, grid, component, members[static_cast<size_t>(component)]);

    model->BestPageMatrix(document != nullptr ? document->PageWidth() : 0,
                          document != nullptr ? document->PageHeight() : 0);
    // Laid out once per run, however often the model is reached.
    model->Mark(1, 1, 0);
    if (recurse) {
        std::vector<Model*> submodels;
        for (const auto& drawable : model->Drawables()) {
            auto* place = drawable->IsPlace() ? dynamic_cast<Place*>(drawable.get()) : nullptr;
            Master* master = place != nullptr ? place->master : nullptr;
            auto* submodel = master != nullptr ? dynamic_cast<Model*>(master->submodel) : nullptr;
            if (submodel != nullptr && submodel->kind == MkClass)
                submodels.push_back(submodel);
        }
        for (Model* submodel : submodels)
            LayoutModel(document, submodel, resize, recurse);
    }
    CRect drawing;
    model->GetBounds(drawing);
    CRect page = model->pageMatrix;
    page.UnionRect(page, drawing);
    page.left = 0;
    page.top = 0;
    model->pageMatrix = page;
    model->SetZoom(model->zoom);
    ViewOf(document).InvalidateView(document);
    if (document != nullptr)
        document->SetModifiedFlag(true);
}

} // namespace qm
