// The spatial index of a model's hit test: a grid of cells over the model's
// top-level drawables, each cell listing, in list order, the drawables whose
// hit extents (every point at which a drawable can answer a hit test) meet
// it. The model rebuilds it when its change count or its list's length
// differs from the one it was built at.
#pragma once

#include "drawables/Drawable.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <vector>

namespace qm {

// A rectangle holding every point at which the drawable (with its members,
// junctions, name and parameter boxes and path) can answer a hit test of any
// tool: the repaint rectangle, the bounds and the path widened by the widest
// tolerance of the tests.
CRect HitExtent(const Drawable& drawable);

class HitIndex {
  public:
    // True when the index was built from a list of this length at this count.
    bool IsCurrent(size_t listSize, uint64_t changeCount) const {
        return built_ && listSize == order_.size() && changeCount == changeCount_;
    }
    // Indexes the drawables of list in order.
    void Build(const DrawableList& list, uint64_t changeCount);
    // Forgets everything; the next use rebuilds.
    void Clear();

    // Calls visit(drawable) for every drawable whose hit extent holds point,
    // in list order, until visit answers false.
    template <class Visit> void ForEachAt(const CPoint& point, Visit visit) const {
        const std::vector<uint32_t>* cell = CellAt(point);
        const std::vector<uint32_t> none;
        const std::vector<uint32_t>& inCell = cell != nullptr ? *cell : none;
        size_t a = 0, b = 0;
        while (a < inCell.size() || b < large_.size()) {
            uint32_t next;
            if (b == large_.size() || (a < inCell.size() && inCell[a] < large_[b]))
                next = inCell[a++];
            else
                next = large_[b++];
            if (extents_[next].PtInRect(point) && !visit(order_[next]))
                return;
        }
    }

  private:
    const std::vector<uint32_t>* CellAt(const CPoint& point) const;

    bool built_ = false;
    uint64_t changeCount_ = 0;
    std::vector<Drawable*> order_;
    std::vector<CRect> extents_;
    // Drawables whose extents cover too many cells to enter each: asked
    // for every point.
    std::vector<uint32_t> large_;
    CRect area_;
    int64_t cellSize_ = 64;
    int64_t columns_ = 0, rows_ = 0;
    std::vector<std::vector<uint32_t>> cells_;
};

} // namespace qm
