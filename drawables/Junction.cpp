// Junctions: snapping onto the pivot's outline, the six glyphs on four
// sides, the label beside the glyph, the crossing of a link with the glyph,
// hit parts and the junction record.
#include "drawables/Junction.h"

#include "drawables/LabelText.h"
#include "drawables/Place.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/TextDrawing.h"
#include "drawables/ZoomScaling.h"
#include "kernel/Kernel.h"
#include "model/ChangeJournal.h"
#include "model/GuidMap.h"
#include "platform/Errors.h"
#include "platform/Format.h"
#include "platform/TextHelpers.h"

#include <cmath>

namespace qm {

using kest::Cell;
using kest::nil;

Junction::Junction(GuidMap* map) : NodeDrawable(map) {
    kind = DkJunction;
    kindCode = JkBox;
}

void Junction::SetPivot(Place* pivot) {
    pivot_ = pivot;
    pivotRef_ = ObjectRef();
}

void Junction::Attach(int junctionKind, Place* pivot, int x, int y) {
    kindCode = junctionKind;
    SetPivot(pivot);
    labelRect.SetRectEmpty();
    SnapToPivot(x, y, 0);
}

void Junction::SnapToPivot(int x, int y, int mode) {
    if (pivot_ == nullptr)
        return;
    side = NearestOutlinePoint(x, y, point, pivot_->bounds, 0, mode != 0);
    DrawJunction(nullptr, 1.0);
    LayoutLabel();
    UpdateRepaintRect();
}

bool Junction::IsSame(const Junction& a, const Junction& b) {
    return a.pivot_ == b.pivot_ && a.kindCode == b.kindCode && a.text == b.text;
}

// ---- glyph geometry ----

bool Junction::GlyphBounds(int junctionKind, int glyphSide, CPoint p, CRect& r) {
    const bool across = glyphSide == JsLeft || glyphSide == JsRight;
    const bool first = glyphSide == JsLeft || glyphSide == JsTop; // left or top: outwards is minus
    const int32_t px = p.x, py = p.y;
    switch (junctionKind) {
    case JkBox:
    case JkCircle:
    case JkCrossedCircle:
        r.SetRect(px - 8, py - 8, px + 8, py + 8);
        return true;
    case JkLollipop:
    case JkSocket: {
        const int32_t reach = junctionKind == JkLollipop ? 32 : 24;
        if (across)
            r = first ? CRect(px - reach, py - 8, px, py + 8)
                      : CRect(px, py - 8, px + reach, py + 8);
        else
            r = first ? CRect(px - 8, py - reach, px + 8, py)
                      : CRect(px - 8, py, px + 8, py + reach);
        return true;
    }
    case JkBarredBox:
        r = across ? CRect(px - 6, py - 18, px + 6, py + 18)
                   : CRect(px - 18, py - 6, px + 18, py + 6);
        return true;
    default:
        return false;
    }
}

void Junction::DrawJunction(DeviceContext* dc, double zoom) {
    const CPoint p(ClampCoordinate(point.x), ClampCoordinate(point.y));
    if (!GlyphBounds(kindCode, side, p, bounds))
        return;
    if (dc == nullptr) {
        LayoutLabel();
        return;
    }
    const int32_t penWidth = zoom < 1.0 ? 1 : TruncToInt32(zoom);
    const LogPen oldPen = dc->SelectPen(PS_SOLID, penWidth, RGB(0, 0, 0));
    const LogBrush oldBrush = dc->SelectSolidBrush(RGB(250, 252, 200));
    const CRect z = ScaleByZoom(bounds, zoom);
    const int32_t l = z.left, t = z.top, r = z.right, b = z.bottom;
    const int32_t s = ScaleLengthByZoom(8, zoom);
    const int32_t u = ScaleLengthByZoom(6, zoom);
    const int32_t d = TruncToInt32(std::sqrt(double((int64_t(s) * s) / 2)));
    auto line = [&](int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
        dc->MoveTo(x1, y1);
        dc->LineTo(x2, y2);
    };
    switch (kindCode) {
    case JkBox:
        dc->Rectangle(z);
        break;
    case JkLollipop:
        switch (side) {
        case JsLeft:
            line(r, t + s, r - 2 * s - 1, t + s);
            dc->Ellipse(CRect(l, t, l + 2 * s, b));
            break;
        case JsRight:
            line(l - 1, t + s, l + 2 * s, t + s);
            dc->Ellipse(CRect(r - 2 * s, t, r, b));
            break;
        case JsTop:
            line(l + s, t + 2 * s, l + s, b);
            dc->Ellipse(CRect(l, t, r, t + 2 * s));
            break;
        default:
            line(l + s, t, l + s, t + 2 * s);
            dc->Ellipse(CRect(l, b - 2 * s, r, b));
            break;
        }
        break;
    case JkSocket: {
        CPoint arc[5];
        switch (side) {
        case JsLeft:
            line(r, t + s, r - 2 * s, t + s);
            arc[0] = {l, t}, arc[1] = {l + d, t + s - d}, arc[2] = {l + s, t + s},
            arc[3] = {l + d, t + s + d}, arc[4] = {l, b};
            break;
        case JsRight:
            line(l - 1, t + s, l + 2 * s, t + s);
            arc[0] = {r, t}, arc[1] = {r - d, t + s - d}, arc[2] = {r - s, t + s},
            arc[3] = {r - d, t + s + d}, arc[4] = {r, b};
            break;
        case JsTop:
            line(l + s, t + s, l + s, b);
            arc[0] = {l, t}, arc[1] = {l + s - d, t + d}, arc[2] = {l + s, t + s},
            arc[3] = {r - s + d, t + d}, arc[4] = {r, t};
            break;
        default:
            line(l + s, t, l + s, t + 2 * s);
            arc[0] = {l, b}, arc[1] = {l + s - d, b - d}, arc[2] = {l + s, b - s},
            arc[3] = {l + s + d, b - d}, arc[4] = {r, b};
            break;
        }
        dc->Polyline(arc, 5);
        break;
    }
    case JkBarredBox:
        dc->Rectangle(z);
        if (side == JsLeft || side == JsRight) {
            line(l, t + 2 * u, r - 1, t + 2 * u);
            line(l, t + 4 * u, r - 1, t + 4 * u);
        } else {
            line(l + 2 * u, t, l + 2 * u, b - 1);
            line(l + 4 * u, t, l + 4 * u, b - 1);
        }
        break;
    case JkCircle:
        dc->Ellipse(z);
        break;
    default:
        dc->Ellipse(z);
        line(l + s - d, t + s - d, r - s + d, b - s + d);
        line(r - s + d, t + s - d, l + s - d, b - s + d);
        break;
    }
    if (!labelRect.IsRectEmpty()) {
        if ((flags & 0x4) != 0) {
            const LogBrush frame{BS_SOLID, GetSysColor(COLOR_BTNSHADOW)};
            dc->FrameRect(ScaleByZoom(labelRect, zoom), frame);
        }
        if (!text.empty()) {
            Looks plain = pivot_ != nullptr ? pivot_->looks : looks;
            plain.MakePlain();
            CRect box = labelRect;
            box.DeflateRect(1, 1);
            DrawLooksText(*dc, plain, plain, text, box, zoom);
        }
    }
    dc->SelectPen(oldPen);
    dc->SelectBrush(oldBrush);
}

void Junction::LayoutLabel() {
    if (labelRect.IsRectEmpty())
        labelRect.SetRect(0, 0, 15, 20);
    if (pivot_ == nullptr)
        return;
    const int32_t w = labelRect.Width(), h = labelRect.Height();
    const CRect& p = pivot_->bounds;
    CPoint at;
    switch (side) {
    case JsLeft:
        at = CPoint(p.left - w - 4, bounds.bottom + 2);
        break;
    case JsRight:
        at = CPoint(p.right + 4, bounds.bottom + 2);
        break;
    case JsTop:
        at = CPoint(bounds.right + 4, p.top - h - 4);
        break;
    case JsBottom:
        at = CPoint(bounds.right + 4, p.bottom + 4);
        break;
    default:
        return;
    }
    labelRect = ClampRect(CRect(at, CSize(w, h)));
}

void Junction::SetLabelRect(const CRect& rect) {
    labelRect = ClampRect(rect);
    UpdateRepaintRect();
}

void Junction::FitLabel(DeviceContext& dc, CRect& rect) {
    Looks plain = pivot_ != nullptr ? pivot_->looks : looks;
    plain.MakePlain();
    FitTextRect(dc, text, nullptr, &plain, labelRect, rect);
    UpdateRepaintRect();
}

void Junction::SideOffset(CPoint& offset, int x, int y) const {
    if (side == JsLeft || side == JsRight)
        offset = CPoint(0, y - point.y);
    else
        offset = CPoint(x - point.x, 0);
}

bool Junction::BoundaryPoint(int x1, int y1, int x2, int y2, CPoint& result) {
    CRect r = bounds;
    switch (kindCode) {
    case JkBox:
    case JkBarredBox:
    case JkCircle:
    case JkCrossedCircle:
        break;
    case JkLollipop:
    case JkSocket: {
        const int32_t w = bounds.Width(), h = bounds.Height();
        switch (side) {
        case JsLeft:
            r.SetRect(bounds.left, bounds.top, bounds.left + 1 + h, bounds.bottom);
            break;
        case JsRight:
            r.SetRect(bounds.right - h, bounds.top, bounds.right, bounds.bottom);
            break;
        case JsTop:
            r.SetRect(bounds.left, bounds.top, bounds.right, bounds.top + 1 + w);
            break;
        default:
            r.SetRect(bounds.left, bounds.bottom - w, bounds.right, bounds.bottom);
            break;
        }
        break;
    }
    default:
        return false;
    }
    return BoundaryPointOfRect(x1, y1, x2, y2, r, result);
}

// ---- the drawable operations ----

void Junction::MoveJunction(int dx, int dy) {
    point = CPoint(ClampCoordinate(int64_t(point.x) + dx), ClampCoordinate(int64_t(point.y) + dy));
    OffsetRectClamped(labelRect, dx, dy);
    OffsetRectClamped(bounds, dx, dy);
    OffsetRectClamped(repaintRect, dx, dy);
}

void Junction::MoveBy(int dx, int dy, CRect& dirty) {
    dirty.UnionRect(dirty, repaintRect);
    MoveJunction(dx, dy);
    dirty.UnionRect(dirty, repaintRect);
}

bool Junction::IsCurrent(bool inherited) const {
    return pivot_ != nullptr && pivot_->IsSelected(inherited) && pivot_->currentJunction == this;
}

int Junction::SetSelected(bool on) {
    if (pivot_ == nullptr)
        return Drawable::SetSelected(on);
    pivot_->currentJunction = on ? this : nullptr;
    return pivot_->SetSelected(on);
}

int Junction::GetKnobRects(CRect* rects) const {
    rects[0].SetRect(labelRect.right, labelRect.bottom, labelRect.right + 5, labelRect.bottom + 5);
    return 1;
}

void UpdatePivotRepaint(Drawable* drawable) {
    auto* junction =
        drawable != nullptr && drawable->IsJunction() ? dynamic_cast<Junction*>(drawable) : nullptr;
    if (junction != nullptr && junction->Pivot() != nullptr)
        junction->Pivot()->UpdateRepaintRect();
}

void Junction::UpdateRepaintRect() {
    repaintRect.UnionRect(bounds, labelRect);
    repaintRect.InflateRect(kRepaintMargin, kRepaintMargin);
}

Drawable* Junction::HitTest(int x, int y, int& part, int& knob, int) {
    const CPoint p(x, y);
    part = HpNone;
    if (!repaintRect.PtInRect(p))
        return nullptr;
    if (labelRect.PtInRect(p)) {
        part = HpLabel;
        return this;
    }
    CRect knobRect;
    GetKnobRects(&knobRect);
    if (knobRect.PtInRect(p)) {
        part = HpKnob;
        knob = 0;
        return this;
    }
    if (bounds.PtInRect(p)) {
        part = HpJunctionGlyph;
        return this;
    }
    return nullptr;
}

std::string* Junction::GetEditableText(CRect& rect) {
    rect = labelRect;
    return &text;
}

Drawable* Junction::GetPlace() {
    return pivot_;
}

Master* Junction::GetMaster() {
    return pivot_ != nullptr ? pivot_->GetMaster() : nullptr;
}

// ---- copies and property exchange ----

std::unique_ptr<ModelObject> Junction::Clone() const {
    return CloneOf(*this);
}

void Junction::Assign(const ModelObject* other) {
    const Junction* j = AssignSource(this, other);
    if (j == nullptr)
        return;
    kindCode = j->kindCode;
    side = j->side;
    text = j->text;
}

Cell* Junction::Props(GuidScope*, ModelObject* other, Cell* list, bool redo) {
    if (list == nullptr || list == nil) {
        const auto* o = dynamic_cast<const Junction*>(other);
        if (o == nullptr)
            return nil;
        auto pair = [](Cell* a, Cell* b) { return kest::mklist(a, b, nullptr); };
        Cell* kindCell =
            kindCode == o->kindCode ? nil : pair(kest::mkint(kindCode), kest::mkint(o->kindCode));
        Cell* sideCell = side == o->side ? nil : pair(kest::mkint(side), kest::mkint(o->side));
        Cell* textCell =
            text == o->text ? nil : pair(kest::mkstr(text.c_str()), kest::mkstr(o->text.c_str()));
        return kest::mklist(kindCell, sideCell, textCell, nullptr);
    }
    RecordReader r(list, "junction properties");
    auto chosen = [&](const char* field) -> Cell* {
        Cell* entry = r.Take(field);
        if (entry == nil)
            return nullptr;
        RecordReader pair(entry, "junction properties");
        Cell* first = pair.Take(field);
        Cell* second = pair.Take(field);
        return redo ? second : first;
    };
    if (Cell* c = chosen("kind"); c != nullptr && c->type == kest::TInteger)
        kindCode = c->a.ival;
    if (Cell* c = chosen("side"); c != nullptr && c->type == kest::TInteger)
        side = c->a.ival;
    if (Cell* c = chosen("text"); c != nullptr && c->type == kest::TString)
        text = c->a.str;
    return r.Rest();
}

int Junction::FindReplaceText(ModelDocument* document, const std::string& word,
                              const std::string& replacement, int options) {
    std::string changed = text;
    const int count = ReplaceInText(changed, word, options, replacement);
    if ((options & RF_REPLACE) == 0 || changed == text)
        return count;
    std::unique_ptr<Junction> previous = CloneOf(*this);
    previous->guid = guid;
    previous->SetDetached();
    text = std::move(changed);
    Journal().AddChangedObject(document, this, std::move(previous));
    return count;
}

void Junction::ResolveRefs(ModelDocument*, GuidScope* scope, DrawableModel*) {
    if (pivot_ != nullptr || !(pivotRef_.IsText() || pivotRef_.IsNumber()))
        return;
    if (pivotRef_.IsNil()) {
        SetPivot(nullptr);
        return;
    }
    ModelObject* found = nullptr;
    const GuidMap* map = scope != nullptr ? scope->current : nullptr;
    if (map == nullptr)
        throw CKestException("GUID map lookup failed");
    if (pivotRef_.IsText())
        map->Lookup(pivotRef_.Text(), found, true);
    else
        map->Lookup(pivotRef_.Number(), found, true);
    SetPivot(dynamic_cast<Place*>(found));
}

// ---- the record ----

Cell* Junction::Persist(GuidScope* scope, Cell* list) {
    if (list == nil) {
        Cell* pivotCell = pivot_ != nullptr      ? kest::mkstr(IdOf(pivot_))
                          : pivotRef_.IsText()   ? kest::mkstr(pivotRef_.Text())
                          : pivotRef_.IsNumber() ? kest::mkint(pivotRef_.Number())
                                                 : kest::mkstr("");
        return kest::mklist(kest::mkint(kindCode), kest::mkstr(guid.Text()), pivotCell,
                            pointlist(point, nil), kest::mkint(side), rectlist(bounds, nil),
                            rectlist(repaintRect, nil), rectlist(labelRect, nil),
                            kest::mkstr(text.c_str()), nullptr);
    }
    GuidMap* map = scope != nullptr ? scope->current : nullptr;
    RecordReader r(list, "junction");
    const int32_t readKind = r.Int("kind code");
    if (!r.NextIsString())
        r.Fail("id", "id text");
    Guid readId{Guid::FromText{""}};
    const ObjectRef id = r.Ref(map, "id", &readId);
    Cell* pivotCell = r.Peek();
    if (pivotCell == nullptr ||
        (pivotCell->type != kest::TString && pivotCell->type != kest::TInteger))
        r.Fail("pivot", "id text");
    const ObjectRef pivotId = r.Ref(map, "pivot");
    CPoint readPoint;
    r.Point(readPoint, "point");
    const int32_t readSide = r.Int("side");
    if (readSide < JsNone || readSide > JsBottom)
        r.Fail("side", "a side from 0 to 4");
    CRect b, rp, lb;
    r.Rect(b, "bounds");
    r.Rect(rp, "repaint rectangle");
    r.Rect(lb, "label rectangle");
    std::string readText = r.String("text");
    const CRect pointRect(readPoint.x, readPoint.y, readPoint.x, readPoint.y);
    if (!RectInRange(b) || !RectInRange(rp) || !RectInRange(lb) || !RectInRange(pointRect))
        r.Fail("rectangles", "coordinates within the diagram range");
    // Outside a paste an id is the junction's own: links name it, so one
    // that another object holds is a broken file, not a clash to mend.
    if (map != nullptr && !id.IsNil() && scope->readMap == nullptr) {
        ModelObject* holder = map->Lookup(id.Text());
        if (holder != nullptr && holder != this)
            r.Fail("id", "an id no other object holds");
    }

    kindCode = readKind;
    pivot_ = nullptr;
    pivotRef_ = pivotId;
    point = readPoint;
    side = readSide;
    bounds = b;
    repaintRect = rp;
    labelRect = lb;
    text = std::move(readText);
    if (map != nullptr && !id.IsNil()) {
        guid.SetText(id.Text());
        // A paste into the project the junction came from finds its id
        // taken: it gets a new one, and the read map finds it under the old.
        if (scope->readMap != nullptr) {
            map->RegisterRead(0, id.Text(), true, this, guid, scope->readMap);
            if (!(guid == id.Text()))
                readAs_ = id.Text();
        } else {
            map->Register(0, guid.Text(), true, this);
        }
    } else if (map != nullptr) {
        map->AddNew(this);
    }
    return r.Rest();
}

} // namespace qm
