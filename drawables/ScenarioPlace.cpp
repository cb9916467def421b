// Scenario places: the call-box insertion rules, the life line's geometry,
// drawing and hit parts, and the scenPlace record.
#include "drawables/ScenarioPlace.h"

#include "drawables/ShapeGeometry.h"
#include "drawables/SymbolDrawing.h"
#include "drawables/ZoomScaling.h"
#include "kernel/Kernel.h"
#include "model/Master.h"
#include "platform/Format.h"
#include "platform/UserSettings.h"

#include <algorithm>
#include <array>

namespace qm {

using kest::Cell;
using kest::nil;

namespace {

constexpr int32_t kLifeLineLength = 400;
// The most call boxes a record may hold: far more than any life line shows.
constexpr size_t kMaxCallBoxes = 100000;

} // namespace

// ---- call boxes ----

int32_t CallBoxArray::Insert(const CRect& lifeLine, int index, int32_t y) {
    index = std::clamp(index, 0, Count());
    boxes.insert(boxes.begin() + index, CRect());
    const int32_t x = lifeLine.left;
    CRect box(x - 4, ClampCoordinate(int64_t(lifeLine.top) + 12), x + 4,
              ClampCoordinate(int64_t(lifeLine.bottom) - 12));
    int32_t end = lifeLine.bottom;
    if (Count() > 1) {
        if (index > 0)
            box.top = ClampCoordinate(int64_t(boxes[size_t(index) - 1].bottom) + 2);
        if (index == Count() - 1) {
            bool changed = false;
            if (int64_t(box.bottom) - box.top < 20) {
                box.bottom = ClampCoordinate(int64_t(box.top) + 20);
                changed = true;
            }
            if (int64_t(box.bottom) < int64_t(y) + 20) {
                box.bottom = ClampCoordinate(int64_t(y) + 20);
                changed = true;
            }
            if (changed)
                end = ClampCoordinate(int64_t(box.bottom) + 12);
        } else {
            box.bottom = ClampCoordinate(int64_t(boxes[size_t(index) + 1].top) - 2);
        }
    }
    CRect candidate = box;
    if (int64_t(y) > int64_t(candidate.top) + 6)
        candidate.top = ClampCoordinate(int64_t(y) - 6);
    if (int64_t(candidate.bottom) - candidate.top > 100)
        candidate.bottom = ClampCoordinate(int64_t(candidate.top) + 100);
    boxes[size_t(index)] = int64_t(candidate.bottom) - candidate.top >= 20 ? candidate : box;
    return end;
}

void CallBoxArray::RemoveAt(int index) {
    if (IsValid(index))
        boxes.erase(boxes.begin() + index);
}

void CallBoxArray::OffsetAll(int32_t dx, int32_t dy) {
    for (CRect& box : boxes)
        OffsetRectClamped(box, dx, dy);
}

void CallBoxArray::RemoveAll() {
    boxes.clear();
    currentIndex = -1;
}

// ---- the scenario place ----

ScenarioPlace::ScenarioPlace(GuidMap* map) : Place(map) {
    style |= DsScenarioPlace;
}

CRect ScenarioPlace::LifeLineRect() const {
    return CRect(lifeLinePoint.x, bounds.bottom, lifeLinePoint.x, lifeLinePoint.y);
}

void ScenarioPlace::Setup(int code, const CRect& rect, Master* shown, bool) {
    Place::Setup(code, rect, shown, false);
    lifeLinePoint = CPoint(int32_t((int64_t(bounds.left) + bounds.right) / 2),
                           ClampCoordinate(int64_t(bounds.bottom) + kLifeLineLength));
    callBoxes.RemoveAll();
    callBoxes.Insert(LifeLineRect(), 0, 0);
    UpdateRepaintRect();
}

void ScenarioPlace::Draw(DeviceContext& dc, const Looks* imposed, double zoom,
                         const CRect* fromFrame, const CRect* toFrame, int flag) {
    if (master == nullptr)
        return;
    const Looks effective = Effective(imposed);
    DrawSymbol(*master, dc, *this, effective, zoom, fromFrame, toFrame, flag);
    const COLORREF color = ColorFromCode(effective.lineColor);
    CPoint line[2];
    ScalePointByZoom(lifeLinePoint.x, bounds.bottom, line[0], zoom);
    ScalePointByZoom(lifeLinePoint.x, lifeLinePoint.y, line[1], zoom);
    LogPen previous = dc.SelectPen(int(LineKindPenStyle(1)), 1, color);
    dc.Polyline(line, 2);
    dc.SelectPen(PS_SOLID, zoom < 1.0 ? 1 : TruncToInt32(zoom), color);
    for (const CRect& box : callBoxes.boxes)
        dc.Rectangle(ScaleByZoom(box, zoom));
    dc.SelectPen(previous);
    DrawJunctions(dc, &effective, zoom);
}

int ScenarioPlace::GetKnobRects(CRect* rects) const {
    Drawable::GetKnobRects(rects);
    rects[4].SetRect(lifeLinePoint.x - 3, lifeLinePoint.y - 3, lifeLinePoint.x + 3,
                     lifeLinePoint.y + 3);
    return 5;
}

void ScenarioPlace::UpdateRepaintRect() {
    Place::UpdateRepaintRect();
    repaintRect.bottom = ClampCoordinate(int64_t(lifeLinePoint.y) + kRepaintMargin);
}

Drawable* ScenarioPlace::HitTest(int x, int y, int& part, int& knob, int hitFlags) {
    const CPoint p(x, y);
    part = HpNone;
    if (repaintRect.PtInRect(p)) {
        if (bounds.PtInRect(p)) {
            const bool options = (Settings().OptionWord() & ShowHyperLinks) != 0;
            CRect marker;
            GetSubmodelMarkerRect(marker);
            if (options && master != nullptr && master->submodel != nullptr && marker.PtInRect(p)) {
                part = HpSubmodelMarker;
            } else if (!nameRect.PtInRect(p)) {
                part = HpBody;
            } else {
                part = HpLabel;
                if (options && (hitFlags & 0xC) == 0 && HasAttachment())
                    part = HpAttachment;
            }
            return this;
        }
        std::array<CRect, kKnobRoom> knobs;
        const int count = GetKnobRects(knobs.data());
        for (int i = 0; i < count; ++i) {
            if (knobs[size_t(i)].PtInRect(p)) {
                part = HpKnob;
                knob = i;
                return this;
            }
        }
    }
    if (Drawable* hit = Place::HitTest(x, y, part, knob, hitFlags))
        return hit;
    const int64_t lx = lifeLinePoint.x;
    if (x >= lx - 4 && x <= lx + 4 && y >= bounds.bottom && y <= lifeLinePoint.y) {
        part = HpLifeLine;
        for (const CRect& box : callBoxes.boxes) {
            if (std::llabs(int64_t(y) - box.top) <= 2) {
                part = HpCallBoxTop;
                break;
            }
            if (std::llabs(int64_t(y) - box.bottom) <= 2) {
                part = HpCallBoxBottom;
                break;
            }
            if (box.PtInRect(p)) {
                part = HpCallBox;
                break;
            }
        }
        return this;
    }
    part = HpNone;
    return nullptr;
}

void ScenarioPlace::MoveBy(int dx, int dy, CRect& dirty) {
    dirty.UnionRect(dirty, repaintRect);
    OffsetRectClamped(bounds, dx, dy);
    OffsetRectClamped(repaintRect, dx, dy);
    OffsetRectClamped(labelRect, dx, dy);
    if (!nameRect.IsRectEmpty())
        OffsetRectClamped(nameRect, dx, dy);
    callBoxes.OffsetAll(dx, dy);
    lifeLinePoint = CPoint(ClampCoordinate(int64_t(lifeLinePoint.x) + dx),
                           ClampCoordinate(int64_t(lifeLinePoint.y) + dy));
    dirty.UnionRect(dirty, repaintRect);
}

void ScenarioPlace::SetBounds(const CRect& rect, int) {
    const CRect old = bounds;
    bounds = ClampRect(rect);
    const int64_t dx =
        (int64_t(bounds.left) + bounds.right) / 2 - (int64_t(old.left) + old.right) / 2;
    const int64_t dy = int64_t(bounds.bottom) - old.bottom;
    lifeLinePoint =
        CPoint(ClampCoordinate(lifeLinePoint.x + dx), ClampCoordinate(lifeLinePoint.y + dy));
    UpdateRepaintRect();
    LayoutLabel();
}

void ScenarioPlace::ClampToLifeLine(CPoint& point, int, int y) const {
    int64_t at = std::max<int64_t>(y, int64_t(bounds.bottom) + 8);
    at = std::min<int64_t>(at, int64_t(lifeLinePoint.y) - 8);
    point = CPoint(lifeLinePoint.x, ClampCoordinate(at));
}

void ScenarioPlace::GetLifeLineBounds(CRect& rect) const {
    rect = bounds;
    rect.bottom = lifeLinePoint.y;
}

bool ScenarioPlace::HitsLifeLine(int x, int y) const {
    const int64_t lx = lifeLinePoint.x;
    return x >= lx - 8 && x <= lx + 8 && y >= bounds.bottom && y <= lifeLinePoint.y;
}

int ScenarioPlace::FindCallBoxAt(int x, int y) const {
    for (int i = 0; i < callBoxes.Count(); ++i) {
        CRect box = callBoxes.boxes[size_t(i)];
        box.InflateRect(2, 2);
        if (box.PtInRect(CPoint(x, y)))
            return i;
    }
    return -1;
}

int ScenarioPlace::CallBoxInsertIndex(int, int y) const {
    int index = 0;
    while (index < callBoxes.Count() && callBoxes.boxes[size_t(index)].top <= y)
        ++index;
    return index;
}

void ScenarioPlace::MoveCurrentCallBox(int dx, int dy, CRect& dirty) {
    if (!callBoxes.IsValid(callBoxes.currentIndex))
        return;
    CRect& box = callBoxes.boxes[size_t(callBoxes.currentIndex)];
    dirty = box;
    OffsetRectClamped(box, dx, dy);
    dirty.UnionRect(dirty, box);
}

int ScenarioPlace::AddCallBoxAt(int x, int y) {
    const int found = FindCallBoxAt(x, y);
    if (found >= 0)
        return found;
    const int index = CallBoxInsertIndex(x, y);
    lifeLinePoint.y = callBoxes.Insert(LifeLineRect(), index, y);
    UpdateRepaintRect();
    return index;
}

void ScenarioPlace::RemoveCallBox(int index) {
    callBoxes.RemoveAt(index);
}

namespace {

// Merges box index into the neighbour that box overlaps, the box before
// first: the neighbour grows to hold joined, and box index goes.
bool MergeIntoNeighbour(CallBoxArray& boxes, const CRect& box, const CRect& joined, int index) {
    if (!boxes.IsValid(index))
        return false;
    CRect common;
    int neighbour = -1;
    if (index > 0 && common.IntersectRect(boxes.boxes[size_t(index) - 1], box))
        neighbour = index - 1;
    else if (index + 1 < boxes.Count() && common.IntersectRect(boxes.boxes[size_t(index) + 1], box))
        neighbour = index + 1;
    if (neighbour < 0)
        return false;
    CRect& chosen = boxes.boxes[size_t(neighbour)];
    chosen.UnionRect(chosen, joined);
    boxes.RemoveAt(index);
    return true;
}

} // namespace

bool ScenarioPlace::MergeCallBox(int index) {
    if (!callBoxes.IsValid(index))
        return false;
    const CRect box = callBoxes.boxes[size_t(index)];
    return MergeIntoNeighbour(callBoxes, box, box, index);
}

bool ScenarioPlace::MergeCallBox(const CRect& rect, int index) {
    CRect onLine = rect;
    onLine.left = ClampCoordinate(int64_t(lifeLinePoint.x) - 1);
    onLine.right = ClampCoordinate(int64_t(lifeLinePoint.x) + 1);
    return MergeIntoNeighbour(callBoxes, rect, onLine, index);
}

int ScenarioPlace::CallBoxAt(CPoint point, int tolerance) const {
    const int64_t dy = 2 + int64_t(std::max(tolerance, 0));
    for (int i = 0; i < callBoxes.Count(); ++i) {
        const CRect& box = callBoxes.boxes[size_t(i)];
        if (point.x >= int64_t(box.left) - 4 && point.x < int64_t(box.right) + 4 &&
            point.y >= int64_t(box.top) - dy && point.y < int64_t(box.bottom) + dy)
            return i;
    }
    return -1;
}

CRect ScenarioPlace::GetCallBox(int index) const {
    return callBoxes.IsValid(index) ? callBoxes.boxes[size_t(index)] : CRect();
}

void ScenarioPlace::CheckPlaceKind() const {
    if (kind != DkPlace)
        RecordFormatError("scenPlace", Format("kind %d expected, got %d", DkPlace, kind));
    if ((style & (DsGroup | DsScenarioPlace)) != DsScenarioPlace)
        RecordFormatError("scenPlace", Format("style %d does not suit the record", style));
}

Cell* ScenarioPlace::Persist(GuidScope* scope, Cell* list) {
    if (list == nil) {
        Cell* boxes = nil;
        for (auto it = callBoxes.boxes.rbegin(); it != callBoxes.boxes.rend(); ++it) {
            CRect box = *it;
            boxes = kest::mkcons(rectlist(box, nil), boxes);
        }
        CPoint end = lifeLinePoint;
        Cell* own = kest::mklist(kest::sym::scenPlace, pointlist(end, nil), boxes, nullptr);
        return kest::nconc(own, WritePlace(scope));
    }
    ExpectHead(list, kest::sym::scenPlace);
    RecordReader r(kest::cdr(list), "scenPlace");
    CPoint end;
    r.Point(end, "life-line point");
    const CRect endRect(end.x, end.y, end.x, end.y);
    if (!RectInRange(endRect))
        r.Fail("life-line point", "coordinates within the diagram range");
    std::vector<CRect> boxes = callBoxes.boxes;
    if (r.NextIsList()) {
        Cell* boxList = r.List("call boxes");
        for (Cell* at = boxList; at != nil; at = kest::cdr(at)) {
            if (boxes.size() >= kMaxCallBoxes)
                r.Fail("call boxes", "at most 100000 call boxes");
            RecordReader one(at, "scenPlace");
            CRect box;
            one.Rect(box, "call box");
            if (!RectInRange(box))
                r.Fail("call boxes", "coordinates within the diagram range");
            boxes.push_back(box);
        }
    }
    Cell* rest = r.Rest();
    if (rest == nil || !kest::ispair(rest))
        r.Fail("place", "a place record");
    Cell* after = ReadPlace(scope, rest);
    lifeLinePoint = end;
    callBoxes.boxes = std::move(boxes);
    return after;
}

} // namespace qm
