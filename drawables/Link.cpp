// Links: connection, the three regimes of rerouting the ends (boundary
// points, message ends on life lines, stepped ends kept in place), the end
// labels and the name, path shaping (middle bends, self loops, stepped
// paths), property exchange, text search, tool binding and the link record.
#include "drawables/Link.h"
#include "drawables/DrawableIdIndex.h"

#include "drawables/FontFaceTable.h"
#include "drawables/Junction.h"
#include "drawables/NotationTool.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/ZoomScaling.h"
#include "kernel/Kernel.h"
#include "model/ChangeJournal.h"
#include "model/GuidMap.h"
#include "model/Master.h"
#include "platform/Errors.h"
#include "platform/Format.h"
#include "platform/Log.h"
#include "platform/Process.h"
#include "platform/TextHelpers.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace qm {

using kest::Cell;
using kest::nil;

namespace {

// The link tool that stands in for one missing from the template.
constexpr int kStandInLinkTool = 9;

// The first four characters of an id as a little-endian 32-bit integer.
int32_t IdNumber(const Guid& id) {
    const char* text = id.Text();
    uint8_t bytes[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < 4 && text[i] != '\0'; ++i)
        bytes[i] = uint8_t(text[i]);
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | bytes[i];
    return int32_t(v);
}

CPoint Centre(const CRect& r) {
    return CPoint(int32_t((int64_t(r.left) + r.right) / 2),
                  int32_t((int64_t(r.top) + r.bottom) / 2));
}

// The label rectangle of a new link of the tool: the tool's label frame
// less a quarter on each side, then less half its width on the right.
CRect InitialLabelRect(const NotationTool* tool) {
    if (tool == nullptr)
        return CRect();
    CRect frame = tool->LabelFrame();
    frame.DeflateRect(frame.Width() / 4, frame.Height() / 4);
    frame.right -= (2 * frame.Width()) / 4;
    return frame;
}

CPoint LifeLineOf(NodeDrawable* node) {
    auto* place = node != nullptr ? dynamic_cast<Place*>(node->GetPlace()) : nullptr;
    return place != nullptr ? place->lifeLinePoint : CPoint();
}

// The x at which a message end meets node in a sequence diagram: beside
// the life line of the node's place, d away; a place group has no life line
// and takes the message on its side facing towardX (its anchor point).
int32_t MessageEndX(NodeDrawable* node, int32_t d, int32_t towardX, const CPoint& end) {
    if (auto* group = dynamic_cast<PlaceGroup*>(node->GetPlace()))
        return group->AnchorPoint(towardX, end.y).x;
    return ClampCoordinate(int64_t(LifeLineOf(node).x) + d);
}

} // namespace

Link::Link(GuidMap* map) : Drawable(map) {
    kind = DkLink;
    sourceLabelRect.SetRectEmpty();
    targetLabelRect.SetRectEmpty();
}

// ---- ends and accessors ----

void Link::SetSource(NodeDrawable* node) {
    source_ = node;
    sourceRef_ = ObjectRef();
}

void Link::SetTarget(Drawable* node) {
    target_ = node;
    targetRef_ = ObjectRef();
}

bool Link::TargetIsLink() const {
    return target_ != nullptr && target_->IsLink();
}

Drawable* Link::GetSourcePlace() const {
    return source_ != nullptr ? source_->GetPlace() : nullptr;
}

Drawable* Link::GetTargetPlace() const {
    auto* node = dynamic_cast<NodeDrawable*>(target_);
    return node != nullptr ? node->GetPlace() : nullptr;
}

Master* Link::GetSourceMaster() const {
    return source_ != nullptr ? source_->GetMaster() : nullptr;
}

Master* Link::GetTargetMaster() const {
    auto* node = dynamic_cast<NodeDrawable*>(target_);
    return node != nullptr ? node->GetMaster() : nullptr;
}

bool Link::GetLinkEnds(NodeDrawable*& source, NodeDrawable*& target) const {
    source = source_;
    target = dynamic_cast<NodeDrawable*>(target_);
    return true;
}

void Link::GetVertices(std::vector<CPoint>& points) const {
    points = vertices_;
}

bool Link::SetVertices(const std::vector<CPoint>& points) {
    if (points.size() < 2 || points.size() > size_t(kMaxLinkVertices))
        return false;
    vertices_ = points;
    nameSegment = uint8_t((vertices_.size() - 1) / 2);
    return true;
}

void Link::SetTool(NotationTool* tool) {
    tool_ = tool;
    if (tool_ != nullptr) {
        toolNumber_ = tool_->ToolNumber();
        LayoutName();
    }
}

bool Link::CanPopupCall() const {
    return tool_ != nullptr && tool_->Semantics() == 7;
}

void Link::PopupCallMenu(ModelDocument* document, MenuWindow* window, int x, int y) {
    if (!CanPopupCall())
        return;
    if (Master* master = GetTargetMaster())
        master->PickOperation(document, window, x, y, -1);
}

// ---- connecting ----

void Link::Connect(int code, NotationTool* tool, NodeDrawable* source, Drawable* target,
                   int linkStyle) {
    tool_ = tool;
    toolNumber_ = tool != nullptr ? tool->ToolNumber() : 0;
    kindCode = code;
    SetSource(source);
    SetTarget(target);
    options = ((tool == nullptr || (tool->ToolFlagWord() & 0x1) != 0) ? LoGenCode : 0) | linkStyle;
    vertices_.assign(2, CPoint());
    labelRect = InitialLabelRect(tool);
    nameRect = labelRect;
    savedSourceBounds = source != nullptr ? source->bounds : CRect();
    savedTargetBounds = target != nullptr ? target->bounds : CRect();
    nameSegment = 0;
    Reroute(0x3, false);
    UpdateRepaintRect();
}

// ---- rerouting ----

void Link::Reroute(int ends, bool fromScratch) {
    const int n = VertexCount();
    if (n < 2)
        return;
    const int last = n - 1;
    const bool doSource = (ends & 0x1) != 0 && source_ != nullptr;
    const bool doTarget = (ends & 0x2) != 0 && target_ != nullptr && !TargetIsLink();
    const CPoint cs = source_ != nullptr ? Centre(source_->bounds) : CPoint();
    const CPoint ct = target_ != nullptr ? Centre(target_->bounds) : CPoint();
    auto* targetNode = dynamic_cast<NodeDrawable*>(target_);
    std::vector<CPoint>& v = vertices_;

    if ((options & LoStepped) == 0 && (options & LoMessageEnds) == 0) {
        const CPoint a = n < 3 ? ct : v[1];
        const CPoint b = n < 3 ? cs : v[size_t(last) - 1];
        CPoint p;
        if (doSource && source_->BoundaryPoint(cs.x, cs.y, a.x, a.y, p))
            v[0] = p;
        if (doTarget && targetNode != nullptr && targetNode->BoundaryPoint(ct.x, ct.y, b.x, b.y, p))
            v[size_t(last)] = p;
    } else if ((options & LoStepped) == 0) {
        const int32_t d = v[1].x > v[0].x ? 4 : -4;
        if (doSource)
            v[0].x = MessageEndX(source_, d, v[1].x, v[0]);
        if (doTarget && targetNode != nullptr) {
            v[size_t(last)].x =
                MessageEndX(targetNode, n < 3 ? -d : d, v[size_t(last) - 1].x, v[size_t(last)]);
            if (n == 2)
                v[size_t(last)].y = v[0].y;
        }
    } else {
        auto keep = [&](NodeDrawable* node, const CRect& saved, size_t end, size_t neighbour,
                        const CPoint& centre, const CPoint& aim) {
            if (!fromScratch) {
                if (node->bounds == saved)
                    return;
                CPoint mapped;
                MapPointsBetweenRects(1, &v[end], &mapped, saved, node->bounds, false);
                ClampPointToRect(node->bounds, mapped.x, mapped.y, v[end]);
                return;
            }
            const bool vertical = v[end].x == v[neighbour].x;
            CPoint p;
            if (node->BoundaryPoint(centre.x, centre.y, aim.x, aim.y, p))
                v[end] = p;
            if (n <= 2)
                return;
            if (end == 0) {
                if (vertical)
                    v[1].x = v[0].x;
                else
                    v[1].y = v[0].y;
            } else if (vertical) {
                v[end].x = v[neighbour].x;
            } else {
                v[end].y = v[neighbour].y;
            }
        };
        if (doSource)
            keep(source_, savedSourceBounds, 0, 1, cs, n < 3 ? ct : v[1]);
        if (doTarget && targetNode != nullptr)
            keep(targetNode, savedTargetBounds, size_t(last), size_t(last) - 1, ct,
                 n < 3 ? cs : v[size_t(last) - 1]);
    }
    if (doSource)
        savedSourceBounds = source_->bounds;
    if (doTarget)
        savedTargetBounds = target_->bounds;
    LayoutEndLabels();
}

// ---- labels ----

void Link::PlaceEndLabel(int side, CRect& rect) const {
    const int n = VertexCount();
    if (n < 2)
        return;
    const CPoint& end = side == 0 ? vertices_[0] : vertices_[size_t(n) - 1];
    const CPoint& next = side == 0 ? vertices_[1] : vertices_[size_t(n) - 2];
    PlaceLabelNearSegment(end.x, end.y, next.x, next.y, rect);
    if (const Drawable* node = side == 0 ? static_cast<const Drawable*>(source_) : target_) {
        CRect moved;
        PushRectOutAcrossEdge(node->bounds, end.x, end.y, rect, moved);
        rect = moved;
    }
    rect = ClampRect(rect);
}

void Link::LayoutEndLabels() {
    PlaceEndLabel(0, sourceLabelRect);
    PlaceEndLabel(1, targetLabelRect);
}

CSize EndLabelSize(DeviceContext& dc, const Looks& looks, const std::string& shown) {
    if (shown.empty())
        return CSize(0, 0);
    CFont font;
    FontFaces().UpdateFont(font, looks, 1.0);
    const LogFont previous = dc.SelectObject(font);
    const CSize extent = dc.GetTextExtent(shown);
    dc.SelectFont(previous);
    // A tenth and two units to spare on each side: the drawing narrows the
    // box by a unit on each side and breaks a line at a word that does not
    // fit with room to spare.
    return CSize(extent.cx + extent.cx / 10 + 4, extent.cy + extent.cy / 10 + 2);
}

void Link::MeasureEndLabels(DeviceContext& dc) {
    // The box holds the text as it is shown ("role #card"), which is wider
    // than the stored "role%%card"; an end that shows nothing takes no room.
    const CSize s = EndLabelSize(dc, looks, DoublePercentToDisplay(sourceEnd));
    const CSize t = EndLabelSize(dc, looks, DoublePercentToDisplay(targetEnd));
    sourceLabelRect.SetRect(0, 0, s.cx, s.cy);
    targetLabelRect.SetRect(0, 0, t.cx, t.cy);
    Reroute(0x3, false);
    UpdateRepaintRect();
}

void Link::MeasureLabels(DeviceContext& dc) {
    if ((flags & MoToolMissing) == 0) {
        CRect fitted;
        FitLabel(&dc, fitted);
        // The label never gets smaller than the one a new link of the tool
        // has: the middle decoration is drawn into it.
        const CRect least = InitialLabelRect(tool_);
        const int32_t w = std::max(fitted.Width(), least.Width());
        const int32_t h = std::max(fitted.Height(), least.Height());
        const CPoint c = Centre(labelRect);
        labelRect = ClampRect(CRect(c.x - w / 2, c.y - h / 2, c.x - w / 2 + w, c.y - h / 2 + h));
        LayoutName();
    }
    MeasureEndLabels(dc);
}

void Link::LayoutName() {
    const int n = VertexCount();
    if (n < 2)
        return;
    nameSegment = uint8_t((n - 1) / 2);
    const CPoint& a = vertices_[nameSegment];
    const CPoint& b = vertices_[size_t(nameSegment) + 1];
    // Halves rounded down, not towards zero: the label's place then
    // depends only on the segment and the label's size, never on where the
    // label stood before, so a move and its undo give back the same label
    // on either side of the origin.
    const auto half = [](int64_t sum) { return sum >= 0 ? sum / 2 : (sum - 1) / 2; };
    const int64_t midX = half(int64_t(a.x) + b.x), midY = half(int64_t(a.y) + b.y);
    const int64_t centreX = half(int64_t(labelRect.left) + labelRect.right);
    const int64_t centreY = half(int64_t(labelRect.top) + labelRect.bottom);
    OffsetRectClamped(labelRect, midX - centreX, midY - centreY);
    if (tool_ != nullptr)
        tool_->MapNameFrame(labelRect, nameRect);
    else
        nameRect = labelRect;
}

void Link::SetLabelRect(const CRect& rect) {
    labelRect = ClampRect(rect);
    UpdateRepaintRect();
}

// ---- the path ----

bool Link::InsertVertex(int index, CPoint p) {
    if (VertexCount() >= kMaxLinkVertices)
        return false;
    index = std::clamp(index, 0, VertexCount());
    vertices_.insert(vertices_.begin() + index, p);
    nameSegment = uint8_t((VertexCount() - 1) / 2);
    return true;
}

bool Link::RemoveVertex(int index) {
    if (index < 0 || index >= VertexCount() || VertexCount() <= 2)
        return false;
    vertices_.erase(vertices_.begin() + index);
    nameSegment = uint8_t((VertexCount() - 1) / 2);
    return true;
}

void Link::AddMidBend() {
    if (VertexCount() != 2)
        return;
    const CPoint a = vertices_[0], b = vertices_[1];
    const int64_t k = int64_t(IdNumber(guid) % 10) - 5;
    int64_t offset = k * (std::llabs(int64_t(a.x) - b.x) + std::llabs(int64_t(a.y) - b.y)) / 10;
    offset = std::clamp<int64_t>(offset, 40, 100);
    InsertVertex(1, CPoint(ClampCoordinate((int64_t(a.x) + b.x) / 2 + offset),
                           ClampCoordinate((int64_t(a.y) + b.y) / 2 + offset)));
    Reroute(0x3, true);
}

void Link::MakeSelfLoop() {
    if (source_ == nullptr || static_cast<Drawable*>(source_) != target_ || VertexCount() >= 3)
        return;
    const CRect r = source_->bounds;
    if (r.Width() <= 0 || r.Height() <= 0)
        return;
    const CPoint c = Centre(r);
    const int32_t v = IdNumber(guid);
    const int32_t a = v % r.Width();
    const int32_t b = v % r.Height();
    CRect outer = r;
    outer.InflateRect(50, 50);
    outer = ClampRect(outer);
    CPoint first, second;
    if (a % 2 == 0) {
        const int32_t y = b % 2 == 0 ? outer.top : outer.bottom;
        first = CPoint(ClampCoordinate(int64_t(c.x) - a / 2), y);
        second = CPoint(ClampCoordinate(int64_t(c.x) - a / 2 + 50), y);
    } else {
        const int32_t x = b % 2 == 0 ? outer.left : outer.right;
        first = CPoint(x, ClampCoordinate(int64_t(c.y) - b / 2));
        second = CPoint(x, ClampCoordinate(int64_t(c.y) - b / 2 + 50));
    }
    InsertVertex(1, first);
    InsertVertex(2, second);
    Reroute(0x3, true);
}

int Link::MakeStepped() {
    for (int i = 0; i + 1 < VertexCount(); ++i) {
        std::vector<CPoint>& v = vertices_;
        const int n = VertexCount();
        const size_t k = size_t(i);
        if (v[k].x == v[k + 1].x || v[k].y == v[k + 1].y)
            continue;
        const int64_t dx = std::llabs(int64_t(v[k].x) - v[k + 1].x);
        const int64_t dy = std::llabs(int64_t(v[k].y) - v[k + 1].y);
        if (n == 2) {
            InsertVertex(i + 1, dx < dy ? CPoint(v[k].x, v[k + 1].y) : CPoint(v[k + 1].x, v[k].y));
        } else if (i == 0) {
            if (v[2].x == v[1].x)
                v[1].y = v[0].y;
            else if (v[2].y == v[1].y)
                v[1].x = v[0].x;
            else if (dy < dx)
                v[1].y = v[0].y;
            else
                v[1].x = v[0].x;
        } else if (v[k].x == v[k - 1].x) {
            v[k].y = v[k + 1].y;
        } else if (v[k].y == v[k - 1].y) {
            v[k].x = v[k + 1].x;
        } else if (dy < dx) {
            v[k].y = v[k + 1].y;
        } else {
            v[k].x = v[k + 1].x;
        }
    }
    return 1;
}

int Link::KeepStepped(CRect& dirty, int16_t* knob) {
    if ((options & LoStepped) == 0 || VertexCount() <= 2)
        return 0;
    // The caller's rectangle gathers what a move already dirtied: the old and
    // new paths are united into it, never written over it.
    dirty.UnionRect(dirty, repaintRect);
    bool changed = false;
    std::vector<CPoint>& v = vertices_;
    auto remove = [&](int index) {
        if (!RemoveVertex(index))
            return false;
        if (knob != nullptr && index < *knob)
            --*knob;
        changed = true;
        return true;
    };
    for (int i = 0; i < VertexCount() - 2;) {
        const size_t k = size_t(i);
        const bool shareX = v[k].x == v[k + 1].x && v[k + 1].x == v[k + 2].x;
        const bool shareY = v[k].y == v[k + 1].y && v[k + 1].y == v[k + 2].y;
        if ((shareX || shareY) && remove(i + 1))
            continue;
        ++i;
    }
    // An end segment that runs inside its node is cut back to the node's border.
    auto trimEnd = [&](NodeDrawable* node, size_t end, size_t next) {
        CRect box;
        RectFromCorners(v[end].x, v[end].y, v[next].x, v[next].y, box);
        box.InflateRect(1, 1);
        CRect overlap;
        if (!overlap.IntersectRect(box, node->bounds) ||
            (overlap.Width() <= 2 && overlap.Height() <= 2))
            return;
        const bool vertical = v[end].x == v[next].x;
        CPoint c;
        ClampPointToRect(node->bounds, v[end].x, v[end].y, c);
        const CPoint q = vertical ? CPoint(c.x, v[next].y) : CPoint(v[next].x, c.y);
        CPoint p;
        if (!node->BoundaryPoint(c.x, c.y, q.x, q.y, p))
            return;
        v[end] = p;
        if (vertical)
            v[next].x = p.x;
        else
            v[next].y = p.y;
        changed = true;
    };
    if (source_ != nullptr) {
        trimEnd(source_, 0, 1);
        CRect inside = source_->bounds;
        inside.InflateRect(1, 1);
        bool removed = false;
        for (int i = 1; i < VertexCount() - 1;) {
            const size_t k = size_t(i);
            const bool lastInside = i >= VertexCount() - 2 && inside.PtInRect(v[k + 1]);
            if (inside.PtInRect(v[k]) && !lastInside && remove(i - 1)) {
                removed = true;
                continue;
            }
            ++i;
        }
        CPoint p;
        if (removed && source_->BoundaryPoint(v[0].x, v[0].y, v[1].x, v[1].y, p))
            v[0] = p;
    }
    auto* targetNode = dynamic_cast<NodeDrawable*>(target_);
    if (targetNode != nullptr) {
        const size_t last = size_t(VertexCount()) - 1;
        trimEnd(targetNode, last, last - 1);
        CRect inside = targetNode->bounds;
        inside.InflateRect(1, 1);
        bool removed = false;
        for (int i = VertexCount() - 2; i >= 1; --i) {
            if (i + 1 < VertexCount() && inside.PtInRect(v[size_t(i)]) && remove(i + 1))
                removed = true;
        }
        const size_t end = size_t(VertexCount()) - 1;
        CPoint p;
        if (removed && targetNode->BoundaryPoint(v[end].x, v[end].y, v[end - 1].x, v[end - 1].y, p))
            v[end] = p;
    }
    if (!changed)
        return 0;
    UpdateRepaintRect();
    dirty.UnionRect(dirty, repaintRect);
    return 1;
}

// ---- the drawable operations ----

ModelObject* Link::GetPropertyTarget(int* targetKind) {
    if (targetKind != nullptr)
        *targetKind = PtLink;
    return this;
}

std::unique_ptr<ModelObject> Link::Clone() const {
    return CloneOf(*this);
}

void Link::Assign(const ModelObject* other) {
    const Link* o = AssignSource(this, other);
    if (o == nullptr)
        return;
    kindCode = o->kindCode;
    access = o->access;
    name = o->name;
    stereotype = o->stereotype;
    sourceEnd = o->sourceEnd;
    targetEnd = o->targetEnd;
    comment = o->comment;
    file = o->file;
    type = o->type;
    options = o->options;
    tool_ = o->tool_;
    toolNumber_ = o->toolNumber_;
}

bool Link::HasAttachment() const {
    return !file.empty();
}

void Link::OpenAttachment() {
    if (HasAttachment())
        OpenAttachedFile(file, (options & LoWebPage) != 0);
}

void Link::MoveBy(int dx, int dy, CRect& dirty) {
    Drawable::MoveBy(dx, dy, dirty);
    for (CPoint& p : vertices_)
        p = CPoint(ClampCoordinate(int64_t(p.x) + dx), ClampCoordinate(int64_t(p.y) + dy));
    for (CRect* r :
         {&nameRect, &sourceLabelRect, &targetLabelRect, &savedSourceBounds, &savedTargetBounds})
        OffsetRectClamped(*r, dx, dy);
}

std::string* Link::GetEditableText(CRect& rect) {
    rect = nameRect;
    return &name;
}

void Link::CollectIfConnected(Master* master, DrawableRefList* inheritances,
                              DrawableRefList* realizations, DrawableRefList* compositions,
                              DrawableRefList* others) {
    if (master == nullptr || GetSourceMaster() != master)
        return;
    const int semantics = tool_ != nullptr ? tool_->Semantics() : 0;
    const bool distinct = GetTargetMaster() != GetSourceMaster();
    DrawableRefList* into = others;
    switch (semantics) {
    case 1:
        into = distinct ? inheritances : nullptr;
        break;
    case 2:
        into = distinct ? realizations : nullptr;
        break;
    case 4:
        into = (options & LoPlainComposition) != 0 ? others : compositions;
        break;
    default:
        break;
    }
    if (into != nullptr)
        into->push_back(this);
}

void Link::ResolveRefs(ModelDocument* document, GuidScope* scope, DrawableModel* model) {
    Drawable::ResolveRefs(document, scope, model);
    const GuidMap* map = scope != nullptr ? scope->current : nullptr;
    auto lookup = [&](const ObjectRef& pending) -> Drawable* {
        if (pending.IsObject())
            return dynamic_cast<Drawable*>(pending.Object());
        if (pending.IsNil())
            return nullptr;
        if (model != nullptr && pending.IsText())
            return FindDrawableOrJunctionIn(*model, scope, pending.Text());
        ModelObject* found = nullptr;
        if (map == nullptr)
            throw CKestException("GUID map lookup failed");
        if (pending.IsText())
            map->Lookup(pending.Text(), found, true);
        else
            map->Lookup(pending.Number(), found, true);
        return dynamic_cast<Drawable*>(found);
    };
    auto bind = [&](ObjectRef& ref) -> Drawable* {
        const ObjectRef pending = ref;
        ref = ObjectRef();
        Drawable* found = lookup(pending);
        // An end read from a project file that names nothing the project
        // holds keeps its id: it is reported, and saved again as it was.
        if (found == nullptr && scope != nullptr && scope->unresolved != nullptr &&
            !pending.IsNil() && (pending.IsText() || pending.IsNumber())) {
            ref = pending;
            scope->unresolved->push_back(pending.IsText() ? std::string(pending.Text())
                                                          : std::to_string(pending.Number()));
        }
        return found;
    };
    if (sourceRef_.IsText() || sourceRef_.IsNumber() || sourceRef_.IsObject()) {
        Drawable* found = bind(sourceRef_);
        if (found != nullptr && dynamic_cast<NodeDrawable*>(found) == nullptr)
            throw CKestException("bad link record: the source is not a place or junction");
        source_ = dynamic_cast<NodeDrawable*>(found);
    }
    if (targetRef_.IsText() || targetRef_.IsNumber() || targetRef_.IsObject()) {
        Drawable* found = bind(targetRef_);
        if (found == this || (found != nullptr && !found->IsNode() && !found->IsLink()))
            throw CKestException("bad link record: the target is not a node or another link");
        target_ = found;
    }
}

// ---- property exchange and search ----

Cell* Link::Props(GuidScope* scope, ModelObject* other, Cell* list, bool redo) {
    auto* o = dynamic_cast<Link*>(other);
    auto ints = [](int32_t a, int32_t b) {
        return a == b ? nil : kest::mklist(kest::mkint(a), kest::mkint(b), nullptr);
    };
    auto texts = [](const std::string& a, const std::string& b) {
        return a == b ? nil : kest::mklist(kest::mkstr(a.c_str()), kest::mkstr(b.c_str()), nullptr);
    };
    if (list == nullptr || list == nil) {
        if (o == nullptr)
            return nil;
        const int32_t myTool = tool_ != nullptr ? tool_->ToolNumber() : -1;
        const int32_t theirTool = o->tool_ != nullptr ? o->tool_->ToolNumber() : -1;
        Cell* head =
            kest::mklist(ints(kindCode, o->kindCode), ints(access, o->access), texts(name, o->name),
                         texts(stereotype, o->stereotype), texts(sourceEnd, o->sourceEnd),
                         texts(targetEnd, o->targetEnd), nullptr);
        Cell* tail = kest::mklist(ints(options, o->options), texts(comment, o->comment),
                                  texts(file, o->file), texts(type, o->type),
                                  ints(myTool, theirTool), nullptr);
        return kest::nconc(head, tail);
    }
    RecordReader r(list, "link properties");
    auto chosen = [&](const char* field, uint8_t cellType) -> Cell* {
        Cell* entry = r.Take(field);
        if (entry == nil)
            return nullptr;
        RecordReader pair(entry, "link properties");
        Cell* first = pair.Take(field);
        Cell* second = pair.Take(field);
        Cell* value = redo ? second : first;
        return value->type == cellType ? value : nullptr;
    };
    auto setInt = [&](const char* field, int32_t& into) {
        if (Cell* c = chosen(field, kest::TInteger))
            into = c->a.ival;
    };
    auto setText = [&](const char* field, std::string& into) {
        if (Cell* c = chosen(field, kest::TString))
            into = c->a.str;
    };
    setInt("kind code", kindCode);
    setInt("access", access);
    setText("name", name);
    setText("stereotype", stereotype);
    setText("source end", sourceEnd);
    setText("target end", targetEnd);
    setInt("options", options);
    setText("comment", comment);
    setText("file", file);
    setText("type", type);
    if (Cell* c = chosen("tool", kest::TInteger)) {
        NotationTool* tool = nullptr;
        if (c->a.ival >= 0 && scope != nullptr && scope->templateMap != nullptr) {
            ModelObject* found = nullptr;
            scope->templateMap->Lookup(c->a.ival, found, false);
            tool = dynamic_cast<NotationTool*>(found);
        }
        tool_ = tool;
        toolNumber_ = tool != nullptr ? tool->ToolNumber() : 0;
    }
    return r.Rest();
}

int Link::FindReplaceText(ModelDocument* document, const std::string& word,
                          const std::string& replacement, int findOptions) {
    std::unique_ptr<Link> previous;
    if ((findOptions & RF_REPLACE) != 0) {
        previous = CloneOf(*this);
        previous->guid = guid;
        previous->SetDetached();
    }
    int count = ReplaceInText(name, word, findOptions, replacement);
    if ((findOptions & 0x1) == 0) {
        for (std::string* text : {&stereotype, &sourceEnd, &targetEnd, &comment, &file, &type})
            count += ReplaceInText(*text, word, findOptions, replacement);
    }
    if (previous != nullptr && count > 0)
        Journal().AddChangedObject(document, this, std::move(previous));
    return count;
}

// ---- tool binding ----

void Link::BindTool(GuidMap* templateMap, int toolNumber) {
    toolNumber_ = toolNumber;
    if (tool_ != nullptr && tool_->IsLinkTool())
        return;
    ModelObject* standIn = nullptr;
    if (templateMap != nullptr)
        templateMap->Lookup(kStandInLinkTool, standIn, false);
    tool_ = dynamic_cast<NotationTool*>(standIn);
    flags |= MoToolMissing;
    Log().Show(true);
    Log().Append(Format("Warning: link tool not in template (Tool=%d, Link=%s)\r\n", toolNumber,
                        name.c_str()));
}

// ---- the record ----

Cell* Link::Persist(GuidScope* scope, Cell* list) {
    if (list != nil)
        return ReadLink(scope, list);
    auto ref = [](const Drawable* bound, const ObjectRef& pending) {
        if (bound != nullptr)
            return kest::mkstr(IdOf(bound));
        if (pending.IsNumber())
            return kest::mkint(pending.Number());
        return kest::mkstr(pending.IsText() ? pending.Text() : "");
    };
    std::vector<CPoint> points = vertices_;
    // A link whose tool was missing keeps the number it was read with, so
    // that saving with another template does not lose the link's kind.
    const int32_t toolNumber = (flags & MoToolMissing) != 0 ? toolNumber_
                               : tool_ != nullptr           ? tool_->ToolNumber()
                                                            : 0;
    Cell* head =
        kest::mklist(kest::sym::link, ref(source_, sourceRef_), ref(target_, targetRef_),
                     pointarraylist(points, nil), kest::mkint(access), kest::mkstr(name.c_str()),
                     kest::mkstr(stereotype.c_str()), kest::mkstr(sourceEnd.c_str()),
                     kest::mkstr(targetEnd.c_str()), kest::mkstr(comment.c_str()), nullptr);
    Cell* middle = kest::mklist(kest::mkstr(file.c_str()), kest::mkstr(type.c_str()),
                                kest::mkint(options), kest::mkint(nameSegment),
                                rectlist(nameRect, nil), rectlist(sourceLabelRect, nil),
                                rectlist(targetLabelRect, nil), kest::mkint(toolNumber), nullptr);
    return kest::nconc(kest::nconc(head, middle), WriteBase());
}

Cell* Link::ReadLink(GuidScope* scope, Cell* list) {
    ExpectHead(list, kest::sym::link);
    RecordReader r(kest::cdr(list), "link");
    const GuidMap* map = scope != nullptr ? scope->current : nullptr;
    auto idField = [&](const char* field) {
        Cell* c = r.Peek();
        if (c == nullptr || (c->type != kest::TString && c->type != kest::TInteger && c != nil))
            r.Fail(field, "id text");
        return r.Ref(map, field);
    };
    const ObjectRef readSource = idField("source");
    const ObjectRef readTarget = idField("target");
    Cell* pointCells = r.List("vertices");
    const int32_t integers = CheckedLength(pointCells, "link", "vertices");
    if (integers > 2 * kMaxLinkVertices)
        r.Fail("vertices", "at most 64 vertices");
    if (integers < 4)
        r.Fail("vertices", "at least 2 vertices");
    std::vector<CPoint> points;
    pointarraylist(points, pointCells);
    for (const CPoint& p : points) {
        if (!RectInRange(CRect(p.x, p.y, p.x, p.y)))
            r.Fail("vertices", "coordinates within the diagram range");
    }
    const int32_t readAccess = r.Int("access");
    std::string texts[7];
    texts[0] = r.String("name");
    texts[1] = r.String("stereotype");
    texts[2] = r.String("source end text");
    texts[3] = r.String("target end text");
    texts[4] = r.String("comment");
    // The attached file and the type came later: older records lack them.
    if (r.NextIsString())
        texts[5] = r.String("attached file");
    if (r.NextIsString())
        texts[6] = r.String("type");
    const int32_t readOptions = r.Int("options");
    const int32_t readSegment = r.Int("name segment");
    CRect readName, readSourceLabel, readTargetLabel;
    r.Rect(readName, "name rectangle");
    r.Rect(readSourceLabel, "source end-label rectangle");
    r.Rect(readTargetLabel, "target end-label rectangle");
    if (!RectInRange(readName) || !RectInRange(readSourceLabel) || !RectInRange(readTargetLabel))
        r.Fail("rectangles", "coordinates within the diagram range");
    const int32_t readTool = r.Int("tool number");
    ReadBase(scope, r);
    if (kind != DkLink)
        RecordFormatError("link", Format("kind %d expected, got %d", DkLink, kind));
    if ((style & (DsGroup | DsScenarioPlace)) != 0)
        RecordFormatError("link", Format("style %d does not suit the record", style));

    source_ = nullptr;
    target_ = nullptr;
    sourceRef_ = readSource;
    targetRef_ = readTarget;
    vertices_ = std::move(points);
    access = readAccess;
    name = std::move(texts[0]);
    stereotype = std::move(texts[1]);
    sourceEnd = std::move(texts[2]);
    targetEnd = std::move(texts[3]);
    comment = std::move(texts[4]);
    file = std::move(texts[5]);
    type = std::move(texts[6]);
    options = readOptions;
    nameSegment = uint8_t(readSegment & 0xFF);
    nameRect = readName;
    sourceLabelRect = readSourceLabel;
    targetLabelRect = readTargetLabel;
    GuidMap* tools = scope != nullptr
                         ? (scope->templateMap != nullptr ? scope->templateMap : scope->current)
                         : nullptr;
    ModelObject* found = nullptr;
    if (tools != nullptr)
        tools->Lookup(readTool, found, false);
    tool_ = dynamic_cast<NotationTool*>(found);
    flags &= ~uint32_t(MoToolMissing);
    BindTool(tools, readTool);
    if ((flags & MoToolMissing) != 0)
        FitLabel(nullptr, labelRect);
    readRepaint_ = repaintRect;
    CoverRepaintRect();
    coveredRepaint_ = repaintRect;
    keepsReadRepaint_ = true;
    return r.Rest();
}

} // namespace qm
