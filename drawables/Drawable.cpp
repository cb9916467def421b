// The drawable base: construction, the default virtual operations, the kind
// tests, the kind-code table with its script names and the base run of every
// drawable's record.
#include "drawables/Drawable.h"
#include "drawables/DrawableIdIndex.h"

#include "drawables/ShapeGeometry.h"
#include "drawables/ZoomScaling.h"
#include "kernel/Kernel.h"
#include "model/GuidMap.h"
#include "model/Master.h"
#include "platform/Format.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace qm {

using kest::Cell;
using kest::nil;

namespace {

// The script names of the fixed kinds; the link and place tools are numbered.
struct KindName {
    int kind;
    const char* name;
};
constexpr KindName kKindNames[] = {
    {TkTag, "tag"},
    {TkLine, "line"},
    {TkPolyline, "polyline"},
    {TkText, "textBox"},
    {TkRectangle, "rectangle"},
    {TkRoundRectangle, "roundRectangle"},
    {TkEllipse, "ellipse"},
    {TkPolygon, "polygon"},
    {TkPrimitiveGroup, "primitiveGroup"},
    {TkPlaceGroup, "placeGroup"},
    {TkMessage, "message"},
    {TkSwimlane, "swimlane"},
    {TkJunction, "junction"},
    {TkIcon, "icon"},
};

// Parent chains are short; a longer walk means a cycle that a bad record made.
constexpr int kMaxNesting = 10000;

// A number of the form "link%d" or "place%d" within its range, or -1.
int NumberedKind(std::string_view name, std::string_view prefix, int first, int count) {
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix)
        return -1;
    std::string_view digits = name.substr(prefix.size());
    if (digits.size() > 2 || digits[0] == '0')
        return -1;
    int n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n >= 1 && n <= count ? first + n - 1 : -1;
}

} // namespace

std::string ToolKindScriptName(int kind) {
    if (kind >= TkFirstLink && kind <= TkLastLink)
        return Format("link%d", kind + 1);
    if (kind >= TkFirstPlace && kind <= TkLastPlace)
        return Format("place%d", kind - 9);
    for (const KindName& entry : kKindNames) {
        if (entry.kind == kind)
            return entry.name;
    }
    return {};
}

int ToolKindFromScriptName(std::string_view name) {
    if (int k = NumberedKind(name, "link", TkFirstLink, 10); k >= 0)
        return k;
    if (int k = NumberedKind(name, "place", TkFirstPlace, 14); k >= 0)
        return k;
    for (const KindName& entry : kKindNames) {
        if (name == entry.name)
            return entry.kind;
    }
    return -1;
}

bool IsIconToolId(int id) {
    return id >= 500 && id <= 523;
}

bool IsJunctionToolId(int id) {
    return id >= 400 && id <= 405;
}

bool IsLibraryToolId(int id) {
    return id >= 11010 && id <= 12000;
}

bool IsNil(const char* text) {
    return text == nullptr || text[0] == '\0';
}

int32_t ClampCoordinate(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, -kMaxCoordinate, kMaxCoordinate));
}

CRect ClampRect(const CRect& r) {
    return CRect(ClampCoordinate(r.left), ClampCoordinate(r.top), ClampCoordinate(r.right),
                 ClampCoordinate(r.bottom));
}

bool RectInRange(const CRect& r) {
    auto ok = [](int32_t v) { return v >= -kMaxCoordinate && v <= kMaxCoordinate; };
    return ok(r.left) && ok(r.top) && ok(r.right) && ok(r.bottom);
}

void OffsetRectClamped(CRect& r, int64_t dx, int64_t dy) {
    r.SetRect(ClampCoordinate(r.left + dx), ClampCoordinate(r.top + dy),
              ClampCoordinate(r.right + dx), ClampCoordinate(r.bottom + dy));
}

// ---- construction ----

Drawable::Drawable(GuidMap* map) {
    if (map != nullptr)
        map->AddNew(this);
    flags |= MoDrawable;
    savedBounds.left = 0;
    savedBounds.top = 0;
    labelRect.SetRectEmpty();
    SetLooks(0, kLineKindSolid1, 15, 0, 1, 1, -12, 0);
}

Drawable::~Drawable() = default;

void Drawable::SetLooks(uint32_t lineColor, int lineKind, uint32_t fillColor, uint32_t textColor,
                        int /*face*/, int alignment, int height, int styleBits) {
    looks.lineColor = lineColor;
    looks.lineKind = static_cast<uint8_t>(lineKind);
    looks.fillColor = fillColor;
    looks.textColor = textColor;
    looks.face = 1;
    looks.alignment = static_cast<uint8_t>(alignment);
    looks.height = static_cast<int16_t>(height);
    looks.style = static_cast<uint8_t>(styleBits);
}

// ---- parent, selection and kind tests ----

void Drawable::SetParent(Drawable* group) {
    parent = group;
    parentRef = ObjectRef();
}

bool Drawable::IsSelected(bool inherited) const {
    if ((flags & MoSelected) != 0)
        return true;
    if (!inherited)
        return false;
    int steps = 0;
    for (const Drawable* p = parent; p != nullptr && steps < kMaxNesting; p = p->parent, ++steps) {
        if ((p->flags & MoSelected) != 0)
            return true;
    }
    return false;
}

bool Drawable::IsCurrentJunction() const {
    if (!IsJunction())
        return false;
    auto* node = const_cast<NodeDrawable*>(dynamic_cast<const NodeDrawable*>(this));
    if (node == nullptr)
        return false;
    Drawable* place = node->GetPlace();
    return place != nullptr && place->IsSelected() && place->GetCurrentJunction() == this;
}

int Drawable::SetSelected(bool on) {
    if (((flags & MoSelected) != 0) == on)
        return 0;
    flags ^= MoSelected;
    return 1;
}

// ---- references and marks ----

void Drawable::ResolveRefs(ModelDocument* document, GuidScope* scope, bool /*byDocument*/) {
    ResolveRefs(document, scope, static_cast<DrawableModel*>(nullptr));
}

void Drawable::ResolveRefs(ModelDocument*, GuidScope* scope, DrawableModel* model) {
    // Nothing pending: a parent bound directly (by a group, or in code) stays.
    if (!parentRef.IsText() && !parentRef.IsNumber() && !parentRef.IsObject())
        return;
    Drawable* found = nullptr;
    if (parentRef.IsNil()) {
        found = nullptr;
    } else if (model != nullptr && parentRef.IsText()) {
        found = FindObjectIn(*model, scope, parentRef.Text());
    } else {
        found = dynamic_cast<Drawable*>(parentRef.ResolveIn(scope));
    }
    // A parent that is the drawable itself or one of its members would make
    // the containment a cycle: such a record gets no parent.
    int steps = 0;
    for (Drawable* p = found; p != nullptr; p = p->parent) {
        if (p == this || ++steps > kMaxNesting) {
            found = nullptr;
            break;
        }
    }
    SetParent(found);
}

void Drawable::Detach(GuidScope* scope) {
    GuidMap* map = scope != nullptr ? scope->current : nullptr;
    ModelObject* held = nullptr;
    if (map != nullptr && readNumber_ >= 0 && map->Numbers().Lookup(readNumber_, held) &&
        held == this)
        map->Numbers().ClearValue(readNumber_);
    if (!readAs_.empty() && scope != nullptr)
        scope->ForgetReadAs(readAs_.c_str(), this);
    ModelObject::Detach(scope);
}

void Drawable::Mark(int value, int mask, int /*extra*/) {
    MarkFiltered(value, mask, nullptr);
}

void Drawable::MarkFiltered(int value, int mask, Drawable*) {
    ModelObject::Mark(value, mask, 0);
}

// ---- copying and comparing ----

std::unique_ptr<Drawable> Drawable::MergeCopy(ModelDocument*) {
    return nullptr;
}

void Drawable::AssignFrom(ModelDocument*, const Drawable& other) {
    kindCode = other.kindCode;
    bounds = other.bounds;
    repaintRect = other.repaintRect;
    labelRect = other.labelRect;
    kind = other.kind;
    style = other.style;
    looks = other.looks;
}

bool Drawable::MergeTwo(ModelDocument*, Drawable*) {
    return false;
}

bool Drawable::MergeThree(ModelDocument*, Drawable*, Drawable*) {
    return false;
}

// ---- geometry ----

void Drawable::GetAnchorRect(CRect& rect, int corner, bool centred) const {
    const bool labelled = kind == DkLink || kind == DkTag || kind == DkJunction;
    const CRect& source = labelled ? labelRect : bounds;
    int32_t size = labelled ? 8 : kindCode == TkText ? 2 : 10;
    if (centred) {
        CPoint c = source.CenterPoint();
        rect.SetRect(c.x - size / 2, c.y - size / 2, c.x + size / 2, c.y + size / 2);
        return;
    }
    switch (corner) {
    case 0:
        rect.SetRect(source.right - size, source.bottom - size, source.right, source.bottom);
        return;
    case 1:
        rect.SetRect(source.left, source.bottom - size, source.left + size, source.bottom);
        return;
    case 2:
        rect.SetRect(source.left, source.top, source.left + size, source.top + size);
        return;
    case 3:
        rect.SetRect(source.right - size, source.top, source.right, source.top + size);
        return;
    default:
        rect = source;
        return;
    }
}

int Drawable::GetKnobRects(CRect* rects) const {
    rects[0].SetRect(bounds.left - 5, bounds.top - 5, bounds.left, bounds.top);
    rects[1].SetRect(bounds.right, bounds.top - 5, bounds.right + 5, bounds.top);
    rects[2].SetRect(bounds.right, bounds.bottom, bounds.right + 5, bounds.bottom + 5);
    rects[3].SetRect(bounds.left - 5, bounds.bottom, bounds.left, bounds.bottom + 5);
    return 4;
}

void Drawable::UpdateRepaintRect() {
    repaintRect = bounds;
    repaintRect.InflateRect(kRepaintMargin, kRepaintMargin);
}

Drawable* Drawable::HitTest(int x, int y, int& part, int& knob, int) {
    const CPoint point(x, y);
    part = HpNone;
    if (!repaintRect.PtInRect(point))
        return nullptr;
    if (!bounds.PtInRect(point)) {
        std::array<CRect, kKnobRoom> knobs;
        const int count = GetKnobRects(knobs.data());
        for (int i = 0; i < count; ++i) {
            if (knobs[i].PtInRect(point)) {
                part = HpKnob;
                knob = i;
                return this;
            }
        }
        return nullptr;
    }
    part = labelRect.PtInRect(point) ? HpLabel : HpBody;
    return this;
}

void Drawable::PrepareDrawing() {}

void Drawable::GetBounds(CRect& rect) const {
    rect = bounds;
}

void Drawable::MoveBy(int dx, int dy, CRect& dirty) {
    dirty.UnionRect(dirty, repaintRect);
    OffsetRectClamped(bounds, dx, dy);
    OffsetRectClamped(repaintRect, dx, dy);
    OffsetRectClamped(labelRect, dx, dy);
    dirty.UnionRect(dirty, repaintRect);
}

void Drawable::SetBounds(const CRect& rect, int) {
    bounds = ClampRect(rect);
    repaintRect = bounds;
    repaintRect.InflateRect(kRepaintMargin, kRepaintMargin);
    UpdateRepaintRect();
}

int Drawable::FlipOrRotate(int, const CRect&, CRect& dirty) {
    dirty.SetRectEmpty();
    return 0;
}

void Drawable::SaveBounds() {
    savedBounds = bounds;
}

std::string* Drawable::GetEditableText(CRect&) {
    return nullptr;
}

void Drawable::GetVertices(std::vector<CPoint>& points) const {
    points.clear();
}

// ---- drawing ----

Looks Drawable::Effective(const Looks* imposed) const {
    if (imposed == nullptr)
        return looks;
    Looks result;
    looks.Resolve(result, *imposed);
    return result;
}

Drawable::SavedTools Drawable::SelectTools(DeviceContext& dc, const Looks& effective, int penStyle,
                                           int32_t width, bool penFromLineColor) {
    SavedTools saved;
    const COLORREF color = ColorFromCode(effective.lineColor);
    saved.pen = dc.SelectPen(penFromLineColor ? penStyle : PS_NULL, width, color);
    if (effective.fillColor == 17)
        saved.brush = dc.SelectNullBrush();
    else
        saved.brush = dc.SelectSolidBrush(ColorFromCode(effective.fillColor));
    return saved;
}

void Drawable::RestoreTools(DeviceContext& dc, const SavedTools& saved) {
    dc.SelectPen(saved.pen);
    dc.SelectBrush(saved.brush);
}

void Drawable::Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
                    const CRect* toFrame, int) {
    const Looks effective = Effective(imposed);
    const double product = LineKindPenWidth(effective.lineKind) * zoom;
    const int32_t width = product >= 1.0 ? TruncToInt32(product) : 1;
    SavedTools saved = SelectTools(
        dc, effective, static_cast<int>(LineKindPenStyle(effective.lineKind)), width, true);
    CRect rect = bounds;
    if (fromFrame != nullptr && toFrame != nullptr)
        MapRectBetweenRects(bounds, rect, *fromFrame, *toFrame, false);
    ScaleByZoom(rect, rect, zoom);
    dc.Rectangle(rect);
    RestoreTools(dc, saved);
}

void Drawable::DrawOnSegment(DeviceContext&, int, const CRect*, const CRect*, int, int, int, int,
                             const Looks*, double, int) {}

bool Drawable::HasAttachment() const {
    return false;
}

void Drawable::OpenAttachment() {}

void Drawable::InvertKnobs(DeviceContext& dc, double zoom) {
    std::array<CRect, kKnobRoom> knobs;
    const int count = GetKnobRects(knobs.data());
    ScaleRectsByZoom(count, knobs.data(), knobs.data(), zoom);
    for (int i = 0; i < count; ++i)
        dc.InvertRect(knobs[i]);
    const bool labelled = IsLink() || IsFloater() || IsJunction();
    if (labelled && !labelRect.IsRectEmpty())
        dc.InvertRect(ScaleByZoom(labelRect, zoom));
}

// ---- lists ----

void Drawable::CollectIfConnected(Master*, DrawableRefList*, DrawableRefList*, DrawableRefList*,
                                  DrawableRefList*) {}

void Drawable::CollectMarkedMembers(DrawableRefList&) {}

void Drawable::TakeMarkedMembers(DrawableList&) {}

DrawableList* Drawable::GetOwningList(DrawableList* modelList) {
    if (parent != nullptr) {
        if (DrawableList* members = parent->GetMemberList())
            return members;
    }
    return modelList;
}

DrawableList* Drawable::GetMemberList() {
    return nullptr;
}

const DrawableList* Drawable::MemberList() const {
    return nullptr;
}

DrawableList Drawable::SetMembersAside() {
    DrawableList aside;
    if (DrawableList* members = GetMemberList())
        aside.splice(aside.begin(), *members);
    return aside;
}

void Drawable::RestoreMembers(DrawableList& aside) {
    if (DrawableList* members = GetMemberList())
        members->splice(members->begin(), aside);
}

uint32_t Drawable::GetPlaceFlags() const {
    return 0;
}

bool Drawable::GetLinkEnds(NodeDrawable*& source, NodeDrawable*& target) const {
    source = nullptr;
    target = nullptr;
    return false;
}

Drawable* Drawable::GetCurrentJunction() const {
    return nullptr;
}

int Drawable::FindReplaceText(ModelDocument*, const std::string&, const std::string&, int) {
    return 0;
}

// ---- the base run ----

Cell* Drawable::WriteBase() {
    Cell* parentCell = nullptr;
    if (parent != nullptr)
        parentCell = kest::mkstr(IdOf(parent));
    else if (parentRef.IsNumber())
        parentCell = kest::mkint(parentRef.Number());
    else if (parentRef.IsText())
        parentCell = kest::mkstr(parentRef.Text());
    else
        parentCell = kest::mkstr("");
    CRect saved = SavedRepaintRect();
    return kest::mklist(kest::mkint(kindCode), kest::mkstr(guid.Text()), rectlist(bounds, nil),
                        rectlist(saved, nil), rectlist(labelRect, nil), kest::mkint(kind),
                        kest::mkint(style), looks.Persist(nil), parentCell, nullptr);
}

// The base run: kind code, id, bounds, repaint and label rectangles, kind
// byte, style byte, looks (nil keeps them) and parent id. Everything is read
// and checked before anything is stored, so a refused record leaves the
// drawable as it was and unregistered.
void Drawable::ReadBase(GuidScope* scope, RecordReader& r) {
    GuidMap* map = scope != nullptr ? scope->current : nullptr;
    const int32_t code = r.Int("kind code");
    Cell* idCell = r.Peek();
    if (idCell == nullptr || (idCell->type != kest::TString && idCell->type != kest::TInteger))
        r.Fail("id", "id text");
    bool isText = false;
    ObjectRef id = ResolveObjectRef(map, r.Take("id"), nullptr, &isText, r.Record());
    CRect b, rp, lb;
    r.Rect(b, "bounds");
    r.Rect(rp, "repaint rectangle");
    r.Rect(lb, "label rectangle");
    if (!RectInRange(b) || !RectInRange(rp) || !RectInRange(lb))
        r.Fail("rectangles", "coordinates within the diagram range");
    const int32_t kindValue = r.Int("kind");
    const int32_t styleValue = r.Int("style");
    Looks read = looks;
    Cell* looksCell = r.Take("looks");
    if (looksCell != nil) {
        if (!kest::ispair(looksCell))
            r.Fail("looks", "looks list");
        read.Persist(looksCell);
    }
    // Older files had no inherited line colour: "none" on anything but a
    // text meant "as the group draws it".
    if (scope != nullptr && scope->fileVersion < 5.0 && read.lineColor == 17 && code != TkText &&
        scope->current == scope->project)
        read.lineColor = 18;
    Cell* parentCell = r.Peek();
    if (parentCell == nullptr || (parentCell->type != kest::TString &&
                                  parentCell->type != kest::TInteger && parentCell != nil))
        r.Fail("parent", "id text");
    ObjectRef parentId = ResolveObjectRef(map, r.Take("parent"), nullptr, nullptr, r.Record());

    kindCode = code;
    bounds = b;
    repaintRect = rp;
    labelRect = lb;
    kind = static_cast<uint8_t>(kindValue & 0xFF);
    style = static_cast<uint8_t>(styleValue & 0xFF);
    looks = read;
    parent = nullptr;
    parentRef = parentId;
    if (map == nullptr)
        return;
    if (id.IsNil()) {
        map->AddNew(this);
        return;
    }
    if (id.IsNumber()) {
        map->RegisterRead(id.Number(), nullptr, false, this, guid);
        readNumber_ = id.Number();
        return;
    }
    guid.SetText(id.Text());
    // While a paste is read, a taken id gives the drawable a new one and the
    // read map remembers the old. At other times the read map is not used:
    // it would keep pointers to drawables long gone when the next paste
    // consults it. A taken id still gets a new one.
    if (scope->readMap != nullptr) {
        map->RegisterRead(0, id.Text(), true, this, guid, scope->readMap);
        if (!(guid == id.Text()))
            readAs_ = id.Text();
        return;
    }
    if (map->Lookup(id.Text()) != nullptr)
        guid.Generate();
    map->Register(0, guid.Text(), true, this);
}

void Drawable::CheckReadKind(const char* record, std::initializer_list<int> kindCodes) const {
    bool known = false;
    for (int code : kindCodes)
        known = known || code == kindCode;
    if (!known)
        RecordFormatError(record, Format("kind code %d does not suit the record", kindCode));
    if (kind != DkPrimitive)
        RecordFormatError(record, Format("kind %d expected, got %d", DkPrimitive, kind));
    const bool group = kindCode == TkPrimitiveGroup;
    if (((style & DsGroup) != 0) != group || (style & DsScenarioPlace) != 0)
        RecordFormatError(record, Format("style %d does not suit the record", style));
}

Cell* Drawable::Persist(GuidScope* scope, Cell* list) {
    if (list == nil)
        return WriteBase();
    RecordReader r(list, "drawable");
    ReadBase(scope, r);
    return r.Rest();
}

// ---- drawable lists ----

DrawableList::iterator FindIn(DrawableList& list, const Drawable* drawable) {
    return std::find_if(list.begin(), list.end(), [drawable](const std::unique_ptr<Drawable>& d) {
        return d.get() == drawable;
    });
}

DrawableList::const_iterator FindIn(const DrawableList& list, const Drawable* drawable) {
    return std::find_if(list.begin(), list.end(), [drawable](const std::unique_ptr<Drawable>& d) {
        return d.get() == drawable;
    });
}

std::unique_ptr<Drawable> TakeFrom(DrawableList& list, const Drawable* drawable) {
    auto at = FindIn(list, drawable);
    if (at == list.end())
        return nullptr;
    std::unique_ptr<Drawable> taken = std::move(*at);
    list.erase(at);
    return taken;
}

// ---- nodes ----

bool NodeDrawable::BoundaryPoint(int x1, int y1, int x2, int y2, CPoint& point) {
    return BoundaryPointOfRect(x1, y1, x2, y2, bounds, point);
}

} // namespace qm
