// The hit test's grid index. Extents are widened beyond the widest tolerance
// any hit test uses (the message tool's 8 around a path), so that a drawable
// left out of a cell could not have answered there; the index only narrows
// the walk, and the drawables it names are asked in list order as before.
#include "drawables/HitIndex.h"

#include "drawables/Junction.h"
#include "drawables/Place.h"
#include "drawables/ScenarioPlace.h"

#include <algorithm>

namespace qm {

namespace {

// Wider than every tolerance of the hit tests.
constexpr int32_t kExtentSlack = 10;
// A drawable covering more cells than this is asked for every point.
constexpr int64_t kMostCellsPerDrawable = 1024;
// The grid never holds more cells than this; cells grow for larger areas.
constexpr int64_t kMostCells = int64_t(1) << 18;
constexpr int kMaxDepth = 1000;

void Unite(CRect& extent, const CRect& rect, int32_t slack) {
    if (rect.IsRectEmpty() && rect.TopLeft() == CPoint())
        return;
    CRect widened = rect;
    widened.NormalizeRect();
    widened = ClampRect(CRect(ClampCoordinate(int64_t(widened.left) - slack),
                              ClampCoordinate(int64_t(widened.top) - slack),
                              ClampCoordinate(int64_t(widened.right) + slack + 1),
                              ClampCoordinate(int64_t(widened.bottom) + slack + 1)));
    if (extent.IsRectEmpty()) {
        extent = widened;
        return;
    }
    extent.UnionRect(extent, widened);
}

void AddExtent(const Drawable& drawable, CRect& extent, int depth) {
    Unite(extent, drawable.repaintRect, kExtentSlack);
    Unite(extent, drawable.bounds, kExtentSlack);
    Unite(extent, drawable.labelRect, kExtentSlack);
    std::vector<CPoint> points;
    drawable.GetVertices(points);
    for (const CPoint& p : points)
        Unite(extent, CRect(p.x, p.y, p.x, p.y), kExtentSlack);
    if (const auto* place = dynamic_cast<const Place*>(&drawable)) {
        Unite(extent, place->nameRect, kExtentSlack);
        Unite(extent, place->parameterBox, kExtentSlack);
        for (const auto& junction : place->Junctions())
            AddExtent(*junction, extent, depth + 1);
        if (dynamic_cast<const ScenarioPlace*>(place) != nullptr) {
            const CPoint& end = place->lifeLinePoint;
            Unite(extent, CRect(end.x, place->bounds.bottom, end.x, end.y), kExtentSlack);
        }
    }
    if (depth >= kMaxDepth)
        return;
    // Members are asked through their group; the list is only read here.
    if (const DrawableList* members = const_cast<Drawable&>(drawable).GetMemberList()) {
        for (const auto& member : *members)
            AddExtent(*member, extent, depth + 1);
    }
}

} // namespace

CRect HitExtent(const Drawable& drawable) {
    CRect extent;
    extent.SetRectEmpty();
    AddExtent(drawable, extent, 0);
    return extent;
}

void HitIndex::Clear() {
    built_ = false;
    order_.clear();
    extents_.clear();
    large_.clear();
    cells_.clear();
    columns_ = rows_ = 0;
}

void HitIndex::Build(const DrawableList& list, uint64_t changeCount) {
    Clear();
    area_.SetRectEmpty();
    for (const auto& drawable : list) {
        order_.push_back(drawable.get());
        extents_.push_back(HitExtent(*drawable));
        const CRect& e = extents_.back();
        if (e.IsRectEmpty())
            continue;
        if (area_.IsRectEmpty())
            area_ = e;
        else
            area_.UnionRect(area_, e);
    }
    built_ = true;
    changeCount_ = changeCount;
    if (area_.IsRectEmpty())
        return;
    const int64_t width = int64_t(area_.right) - area_.left;
    const int64_t height = int64_t(area_.bottom) - area_.top;
    cellSize_ = 64;
    while (((width + cellSize_ - 1) / cellSize_) * ((height + cellSize_ - 1) / cellSize_) >
           kMostCells)
        cellSize_ *= 2;
    columns_ = (width + cellSize_ - 1) / cellSize_;
    rows_ = (height + cellSize_ - 1) / cellSize_;
    cells_.assign(size_t(columns_ * rows_), {});
    for (uint32_t i = 0; i < uint32_t(order_.size()); ++i) {
        const CRect& e = extents_[i];
        if (e.IsRectEmpty())
            continue;
        const int64_t c0 = (int64_t(e.left) - area_.left) / cellSize_;
        const int64_t r0 = (int64_t(e.top) - area_.top) / cellSize_;
        const int64_t c1 = std::min(columns_ - 1, (int64_t(e.right) - 1 - area_.left) / cellSize_);
        const int64_t r1 = std::min(rows_ - 1, (int64_t(e.bottom) - 1 - area_.top) / cellSize_);
        if ((c1 - c0 + 1) * (r1 - r0 + 1) > kMostCellsPerDrawable) {
            large_.push_back(i);
            continue;
        }
        for (int64_t r = r0; r <= r1; ++r) {
            for (int64_t c = c0; c <= c1; ++c)
                cells_[size_t(r * columns_ + c)].push_back(i);
        }
    }
}

const std::vector<uint32_t>* HitIndex::CellAt(const CPoint& point) const {
    if (cells_.empty() || !area_.PtInRect(point))
        return nullptr;
    const int64_t c = (int64_t(point.x) - area_.left) / cellSize_;
    const int64_t r = (int64_t(point.y) - area_.top) / cellSize_;
    return &cells_[size_t(r * columns_ + c)];
}

} // namespace qm
