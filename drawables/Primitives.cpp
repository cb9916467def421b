// Line, text and box primitives: drawing (also laid along a link segment),
// hit tests, flip and rotate, the text's property exchange and find and
// replace, the records and the copy by kind code.
#include "drawables/Primitives.h"

#include "drawables/IconStripSource.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/TextDrawing.h"
#include "drawables/ZoomScaling.h"
#include "kernel/Kernel.h"
#include "model/ChangeJournal.h"
#include "model/GuidMap.h"
#include "model/ModelDocument.h"
#include "platform/Format.h"
#include "platform/PainterDC.h"
#include "platform/TextHelpers.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <memory>

namespace qm {

using kest::Cell;
using kest::nil;

namespace {

constexpr int32_t kSegmentTolerance = 4;

int32_t Clamp32(int64_t v) {
    return ClampCoordinate(v);
}

// The pen width of a primitive: the line kind's width factor truncated, at least 1.
int32_t PrimitivePenWidth(double zoom, int lineKind) {
    const double factor = LineWidthFactor(zoom, lineKind);
    return factor >= 1.0 ? TruncToInt32(factor) : 1;
}

} // namespace

// ======================= LinePrimitive =======================

LinePrimitive::LinePrimitive(GuidMap* map) : Drawable(map) {
    kind = DkPrimitive;
    kindCode = TkLine;
}

bool LinePrimitive::SetPoints(int code, int count, const CPoint* points) {
    if (count < 0 || count > kMaxVertices || (count > 0 && points == nullptr))
        return false;
    kindCode = code;
    vertices.clear();
    for (int i = 0; i < count; ++i)
        vertices.emplace_back(ClampCoordinate(points[i].x), ClampCoordinate(points[i].y));
    UpdateRepaintRect();
    return true;
}

bool LinePrimitive::InsertVertex(int index, int x, int y) {
    if (GetVertexCount() >= kMaxVertices)
        return false;
    index = std::clamp(index, 0, GetVertexCount());
    vertices.insert(vertices.begin() + index, CPoint(ClampCoordinate(x), ClampCoordinate(y)));
    return true;
}

bool LinePrimitive::RemoveVertex(int index) {
    if (index < 0 || index >= GetVertexCount())
        return false;
    vertices.erase(vertices.begin() + index);
    return true;
}

void LinePrimitive::AssignFrom(ModelDocument* document, const Drawable& other) {
    Drawable::AssignFrom(document, other);
    if (const auto* line = dynamic_cast<const LinePrimitive*>(&other)) {
        std::vector<CPoint> copy = line->vertices;
        SetPoints(other.kindCode, static_cast<int>(std::min<size_t>(copy.size(), kMaxVertices)),
                  copy.data());
    }
}

void LinePrimitive::DrawPoints(DeviceContext& dc, const Looks& effective, double zoom,
                               CPoint* points, int count) {
    const bool pen = effective.lineColor != 17;
    SavedTools saved =
        SelectTools(dc, effective, static_cast<int>(LineKindPenStyle(effective.lineKind)),
                    PrimitivePenWidth(zoom, effective.lineKind), pen);
    ScalePointsByZoom(count, points, points, zoom);
    switch (kindCode) {
    case TkLine:
        dc.Polyline(points, count);
        break;
    case TkPolyline:
        if (curved != 0 && count >= 4 && (count - 4) % 3 == 0)
            dc.PolyBezier(points, count);
        else
            dc.Polyline(points, count);
        break;
    case TkPolygon:
        dc.Polygon(points, count);
        break;
    default:
        break;
    }
    RestoreTools(dc, saved);
}

void LinePrimitive::Draw(DeviceContext& dc, const Looks* imposed, double zoom,
                         const CRect* fromFrame, const CRect* toFrame, int) {
    std::array<CPoint, kMaxVertices> points;
    const int count = std::min(GetVertexCount(), kMaxVertices);
    std::copy_n(vertices.begin(), count, points.begin());
    if (fromFrame != nullptr && toFrame != nullptr)
        MapPointsBetweenRects(count, points.data(), points.data(), *fromFrame, *toFrame, false);
    DrawPoints(dc, Effective(imposed), zoom, points.data(), count);
}

void LinePrimitive::DrawOnSegment(DeviceContext& dc, int anchor, const CRect* fromFrame,
                                  const CRect* toFrame, int x1, int y1, int x2, int y2,
                                  const Looks* imposed, double zoom, int) {
    std::array<CPoint, kMaxVertices> points;
    const int count = std::min(GetVertexCount(), kMaxVertices);
    std::copy_n(vertices.begin(), count, points.begin());
    if (fromFrame != nullptr && toFrame != nullptr)
        MapPointsBetweenRects(count, points.data(), points.data(), *fromFrame, *toFrame, false);
    const CRect frame = toFrame != nullptr ? *toFrame : bounds;
    switch (anchor) {
    case 0:
        MapPointsOntoSegment(anchor, count, points.data(), frame, x2, y2, x1, y1, 1.0);
        break;
    case 1:
        MapPointsOntoSegment(anchor, count, points.data(), frame, x1, y1, x2, y2, 1.0);
        break;
    default: {
        const CPoint centre = frame.CenterPoint();
        MapPointsOntoSegment(anchor, count, points.data(), frame, x1, y1, centre.x, centre.y, 1.0);
        break;
    }
    }
    DrawPoints(dc, Effective(imposed), zoom, points.data(), count);
}

int LinePrimitive::GetKnobRects(CRect* rects) const {
    const int count = std::min(GetVertexCount(), kMaxVertices);
    for (int i = 0; i < count; ++i) {
        const CPoint& v = vertices[i];
        rects[i].SetRect(v.x - 2, v.y - 2, v.x + 3, v.y + 3);
    }
    return count;
}

void LinePrimitive::UpdateRepaintRect() {
    BoundsOfPoints(GetVertexCount(), vertices.data(), bounds);
    repaintRect = bounds;
    repaintRect.InflateRect(kRepaintMargin, kRepaintMargin);
}

Drawable* LinePrimitive::HitTest(int x, int y, int& part, int& knob, int) {
    const CPoint point(x, y);
    part = HpNone;
    if (!repaintRect.PtInRect(point))
        return nullptr;
    std::array<CRect, kKnobRoom> knobs;
    const int count = GetKnobRects(knobs.data());
    for (int i = 0; i < count; ++i) {
        if (knobs[i].PtInRect(point)) {
            part = HpKnob;
            knob = i;
            return this;
        }
    }
    for (int i = 0; i + 1 < count; ++i) {
        const CPoint& a = vertices[i];
        const CPoint& b = vertices[i + 1];
        if (HitTestSegment(x, y, a.x, a.y, b.x, b.y, kSegmentTolerance)) {
            part = HpBody;
            return this;
        }
    }
    if (kindCode == TkPolygon && count >= 2) {
        const CPoint& a = vertices[count - 1];
        const CPoint& b = vertices[0];
        if (HitTestSegment(x, y, a.x, a.y, b.x, b.y, kSegmentTolerance)) {
            part = HpBody;
            return this;
        }
    }
    return nullptr;
}

void LinePrimitive::MoveBy(int dx, int dy, CRect& dirty) {
    Drawable::MoveBy(dx, dy, dirty);
    for (CPoint& v : vertices)
        v = CPoint(ClampCoordinate(int64_t{v.x} + dx), ClampCoordinate(int64_t{v.y} + dy));
}

void LinePrimitive::SetBounds(const CRect& rect, int flag) {
    MapPointsBetweenRects(GetVertexCount(), vertices.data(), vertices.data(), bounds, rect, false);
    for (CPoint& v : vertices)
        v = CPoint(ClampCoordinate(v.x), ClampCoordinate(v.y));
    Drawable::SetBounds(rect, flag);
}

int LinePrimitive::FlipOrRotate(int mode, const CRect& about, CRect& dirty) {
    dirty = repaintRect;
    const int64_t cx = (int64_t{about.left} + about.right) / 2;
    const int64_t cy = (int64_t{about.top} + about.bottom) / 2;
    for (CPoint& v : vertices) {
        const int64_t x = v.x, y = v.y;
        switch (mode) {
        case 0:
            v.x = Clamp32(2 * cx - x);
            break;
        case 1:
            v.y = Clamp32(2 * cy - y);
            break;
        case 2:
            v = CPoint(Clamp32(cx - cy + y), Clamp32(cy + cx - x));
            break;
        case 3:
            v = CPoint(Clamp32(cx + cy - y), Clamp32(cy - cx + x));
            break;
        default:
            break;
        }
    }
    UpdateRepaintRect();
    dirty.UnionRect(dirty, repaintRect);
    return 1;
}

void LinePrimitive::GetVertices(std::vector<CPoint>& points) const {
    points = vertices;
}

Cell* LinePrimitive::Persist(GuidScope* scope, Cell* list) {
    if (list == nil) {
        Cell* own = kest::mklist(kest::sym::line, pointarraylist(vertices, nil),
                                 kest::mkint(curved), nullptr);
        return kest::nconc(own, WriteBase());
    }
    ExpectHead(list, kest::sym::line);
    RecordReader r(kest::cdr(list), "line");
    Cell* points = r.List("vertices");
    if (CheckedLength(points, "line", "vertices") > 2 * kMaxVertices)
        r.Fail("vertices", Format("at most %d vertices", kMaxVertices).c_str());
    std::vector<CPoint> read;
    pointarraylist(read, points);
    for (const CPoint& v : read) {
        if (std::abs(int64_t{v.x}) > kMaxCoordinate || std::abs(int64_t{v.y}) > kMaxCoordinate)
            r.Fail("vertices", "coordinates within the diagram range");
    }
    const int32_t curvedFlag = r.Int("curved");
    ReadBase(scope, r);
    CheckReadKind("line", {TkLine, TkPolyline, TkPolygon});
    vertices = std::move(read);
    curved = curvedFlag;
    return r.Rest();
}

// ======================= TextPrimitive =======================

TextPrimitive::TextPrimitive(GuidMap* map) : Drawable(map) {
    kind = DkPrimitive;
    kindCode = TkText;
}

void TextPrimitive::SetFrame(int code, const CRect& rect) {
    kindCode = code;
    bounds = ClampRect(rect);
    UpdateRepaintRect();
}

ModelObject* TextPrimitive::GetPropertyTarget(int* kindOut) {
    if (kindOut != nullptr)
        *kindOut = PtTextPrimitive;
    return this;
}

std::unique_ptr<ModelObject> TextPrimitive::Clone() const {
    return CloneOf(*this);
}

void TextPrimitive::Assign(const ModelObject* other) {
    const auto* source = AssignSource(this, other);
    if (source == nullptr)
        return;
    kindCode = source->kindCode;
    textFlags = source->textFlags;
    text = source->text;
}

// The change list is (kind-code flags text), each entry nil when equal, else
// (this-value other-value).
Cell* TextPrimitive::Props(GuidScope*, ModelObject* other, Cell* list, bool redo) {
    if (list == nil || list == nullptr) {
        const auto* source = dynamic_cast<const TextPrimitive*>(other);
        if (source == nullptr)
            return nil;
        auto intPair = [](int32_t a, int32_t b) -> Cell* {
            return a == b ? nil : kest::mklist(kest::mkint(a), kest::mkint(b), nullptr);
        };
        Cell* textEntry = text == source->text
                              ? static_cast<Cell*>(nil)
                              : kest::mklist(kest::mkstr(text.c_str()),
                                             kest::mkstr(source->text.c_str()), nullptr);
        return kest::mklist(intPair(kindCode, source->kindCode),
                            intPair(textFlags, source->textFlags), textEntry, nullptr);
    }
    RecordReader r(list, "text properties");
    auto pick = [&](const char* field) -> Cell* {
        Cell* entry = r.List(field);
        if (entry == nil)
            return nullptr;
        RecordReader pair(entry, "text properties");
        Cell* first = pair.Take(field);
        Cell* second = pair.Take(field);
        return redo ? second : first;
    };
    if (Cell* v = pick("kind code")) {
        if (v->type != kest::TInteger)
            RecordFormatError("text properties", "integer expected for kind code");
        kindCode = v->a.ival;
    }
    if (Cell* v = pick("text flags")) {
        if (v->type != kest::TInteger)
            RecordFormatError("text properties", "integer expected for text flags");
        textFlags = v->a.ival;
    }
    if (Cell* v = pick("text")) {
        if (v->type != kest::TString)
            RecordFormatError("text properties", "string expected for text");
        text = v->a.str;
    }
    return nil;
}

void TextPrimitive::AssignFrom(ModelDocument* document, const Drawable& other) {
    Drawable::AssignFrom(document, other);
    SetFrame(other.kindCode, other.bounds);
    // A copy keeps its text: a copied group must not come out blank.
    if (const auto* source = dynamic_cast<const TextPrimitive*>(&other)) {
        text = source->text;
        textFlags = source->textFlags;
    }
}

void TextPrimitive::Draw(DeviceContext& dc, const Looks* imposed, double zoom,
                         const CRect* fromFrame, const CRect* toFrame, int) {
    const Looks effective = Effective(imposed);
    SavedTools saved = SelectTools(dc, effective, PS_DOT, 1, effective.lineColor != 17);
    CRect rect = bounds;
    if (fromFrame != nullptr && toFrame != nullptr)
        MapRectBetweenRects(bounds, rect, *fromFrame, *toFrame, false);
    dc.Rectangle(ScaleByZoom(rect, zoom));
    RestoreTools(dc, saved);
    rect.DeflateRect(1, 1);
    DrawLooksText(dc, effective, effective, text, rect, zoom);
}

void TextPrimitive::DrawOnSegment(DeviceContext& dc, int anchor, const CRect* fromFrame,
                                  const CRect* toFrame, int x1, int y1, int x2, int y2,
                                  const Looks* imposed, double zoom, int flag) {
    CRect rect = bounds;
    if (fromFrame != nullptr && toFrame != nullptr)
        MapRectBetweenRects(bounds, rect, *fromFrame, *toFrame, false);
    PlaceRectOnSegment(anchor, x1, y1, x2, y2, rect, true);
    const CRect own = bounds;
    Draw(dc, imposed, zoom, &own, &rect, flag);
}

Drawable* TextPrimitive::HitTest(int x, int y, int& part, int& knob, int flags) {
    labelRect = bounds;
    Drawable* hit = Drawable::HitTest(x, y, part, knob, flags);
    if (hit != nullptr && part == HpLabel && (textFlags & kLabel) == 0)
        part = HpBody;
    return hit;
}

int TextPrimitive::FlipOrRotate(int mode, const CRect& about, CRect& dirty) {
    return BoxPrimitive::TurnFrameOf(*this, mode, about, dirty);
}

std::string* TextPrimitive::GetEditableText(CRect& rect) {
    rect = labelRect;
    return &text;
}

Cell* TextPrimitive::Persist(GuidScope* scope, Cell* list) {
    if (list == nil) {
        Cell* own = kest::mklist(kest::sym::text, kest::mkstr(text.c_str()), kest::mkint(textFlags),
                                 nullptr);
        return kest::nconc(own, WriteBase());
    }
    ExpectHead(list, kest::sym::text);
    RecordReader r(kest::cdr(list), "text");
    std::string readText = r.String("text");
    const int32_t readFlags = r.Int("text flags");
    ReadBase(scope, r);
    CheckReadKind("text", {TkText});
    text = std::move(readText);
    textFlags = readFlags;
    return r.Rest();
}

int TextPrimitive::FindReplaceText(ModelDocument* document, const std::string& word,
                                   const std::string& replacement, int options) {
    std::string changed = text;
    const int count = ReplaceInText(changed, word, options, replacement);
    if ((options & RF_REPLACE) == 0 || changed == text)
        return count;
    auto previous = std::make_unique<TextPrimitive>();
    previous->AssignFrom(document, *this);
    previous->guid = guid;
    previous->SetDetached();
    text = std::move(changed);
    Journal().AddChangedObject(document, this, std::move(previous));
    return count;
}

// ======================= BoxPrimitive =======================

BoxPrimitive::BoxPrimitive(GuidMap* map) : Drawable(map) {
    kind = DkPrimitive;
    kindCode = TkRectangle;
}

void BoxPrimitive::SetFrame(int code, const CRect& rect) {
    kindCode = code;
    bounds = ClampRect(rect);
    icon = 0;
    UpdateRepaintRect();
}

void BoxPrimitive::AssignFrom(ModelDocument* document, const Drawable& other) {
    Drawable::AssignFrom(document, other);
    SetFrame(other.kindCode, other.bounds);
    // A copied icon instance keeps its icon.
    if (const auto* source = dynamic_cast<const BoxPrimitive*>(&other))
        icon = source->icon;
}

void BoxPrimitive::Draw(DeviceContext& dc, const Looks* imposed, double zoom,
                        const CRect* fromFrame, const CRect* toFrame, int) {
    const Looks effective = Effective(imposed);
    const bool framed = fromFrame != nullptr && toFrame != nullptr;
    CRect rect = bounds;
    if (framed) {
        MapRectBetweenRects(bounds, rect, *fromFrame, *toFrame, false);
        rect.IntersectRect(rect, *toFrame);
    }
    const CRect scaled = ScaleByZoom(rect, zoom);
    if (kindCode == TkIcon) {
        if (zoom < 0.2)
            return;
        CRect box(scaled.left, scaled.top, scaled.left + TruncToInt32(kIconWidth * zoom + 0.5),
                  scaled.top + TruncToInt32(kIconHeight * zoom + 0.5));
        if (framed) {
            CRect inside = *toFrame;
            inside.DeflateRect(1, 1);
            CRect moved;
            MoveRectInside(ScaleByZoom(inside, zoom), box, moved);
            box = moved;
        }
        if (effective.fillColor != 17)
            dc.FillSolidRect(scaled, ColorFromCode(effective.fillColor));
        CBitmap* strip = ApplicationIconStrip();
        // An icon number beyond the strip draws nothing rather than reading past it.
        if (strip == nullptr || icon < 0 ||
            int64_t{icon} * kIconWidth + kIconWidth > int64_t{strip->Width()})
            return;
        DrawBitmapZoomed(*strip, icon * kIconWidth, 0, dc, box.left, box.top, kIconWidth,
                         kIconHeight, zoom, SRCAND);
        return;
    }
    SavedTools saved =
        SelectTools(dc, effective, static_cast<int>(LineKindPenStyle(effective.lineKind)),
                    PrimitivePenWidth(zoom, effective.lineKind), effective.lineColor != 17);
    switch (kindCode) {
    case TkRectangle:
        dc.Rectangle(scaled);
        break;
    case TkRoundRectangle: {
        const CSize corner = RoundRectCornerSize(scaled);
        dc.RoundRect(scaled, CPoint(corner.cx, corner.cy));
        break;
    }
    case TkEllipse:
        dc.Ellipse(scaled);
        break;
    default:
        break;
    }
    RestoreTools(dc, saved);
}

void BoxPrimitive::DrawOnSegment(DeviceContext& dc, int anchor, const CRect* fromFrame,
                                 const CRect* toFrame, int x1, int y1, int x2, int y2,
                                 const Looks* imposed, double zoom, int flag) {
    CRect rect = bounds;
    if (fromFrame != nullptr && toFrame != nullptr)
        MapRectBetweenRects(bounds, rect, *fromFrame, *toFrame, false);
    PlaceRectOnSegment(anchor, x1, y1, x2, y2, rect, false);
    const CRect own = bounds;
    Draw(dc, imposed, zoom, &own, &rect, flag);
}

Drawable* BoxPrimitive::HitTest(int x, int y, int& part, int& knob, int flags) {
    Drawable* hit = Drawable::HitTest(x, y, part, knob, flags);
    if (hit != nullptr && part == HpLabel)
        part = HpBody;
    return hit;
}

int BoxPrimitive::TurnFrameOf(Drawable& drawable, int mode, const CRect& about, CRect& dirty) {
    if (drawable.kindCode == TkIcon)
        return 0;
    dirty = drawable.repaintRect;
    if (mode != 2 && mode != 3)
        return 0;
    const int64_t cx = (int64_t{about.left} + about.right) / 2;
    const int64_t cy = (int64_t{about.top} + about.bottom) / 2;
    const int64_t w = int64_t{drawable.bounds.right} - drawable.bounds.left;
    const int64_t h = int64_t{drawable.bounds.bottom} - drawable.bounds.top;
    drawable.bounds.SetRect(Clamp32(cx - h / 2), Clamp32(cy - w / 2), Clamp32(cx + h / 2),
                            Clamp32(cy + w / 2));
    drawable.UpdateRepaintRect();
    dirty.UnionRect(dirty, drawable.repaintRect);
    return 1;
}

int BoxPrimitive::FlipOrRotate(int mode, const CRect& about, CRect& dirty) {
    return TurnFrameOf(*this, mode, about, dirty);
}

void BoxPrimitive::GetVertices(std::vector<CPoint>& points) const {
    points = {CPoint(bounds.left, bounds.top), CPoint(bounds.right, bounds.top),
              CPoint(bounds.right, bounds.bottom), CPoint(bounds.left, bounds.bottom)};
}

Cell* BoxPrimitive::Persist(GuidScope* scope, Cell* list) {
    if (list == nil) {
        Cell* own = kest::mklist(kest::sym::box, nullptr);
        kest::nconc(own, WriteBase());
        return kest::nconc(own, kest::mklist(kest::mkint(icon), nullptr));
    }
    ExpectHead(list, kest::sym::box);
    RecordReader r(kest::cdr(list), "box");
    ReadBase(scope, r);
    CheckReadKind("box", {TkRectangle, TkRoundRectangle, TkEllipse, TkIcon});
    // Older records end after the base run: the icon stays as it was.
    if (r.NextIsInt()) {
        const int32_t number = r.Int("icon");
        if (number < 0)
            r.Fail("icon", "an icon number of 0 or more");
        icon = number;
    }
    return r.Rest();
}

// ======================= copies and the factory =======================

std::unique_ptr<Drawable> ClonePrimitive(ModelDocument* document, DrawableModel* model,
                                         const Drawable& primitive) {
    GuidMap* map = nullptr;
    if (document != nullptr)
        map = model != nullptr && model->IsToolModel() ? document->TemplateMap()
                                                       : document->ProjectMap();
    std::unique_ptr<Drawable> copy;
    switch (primitive.kindCode) {
    case TkLine:
    case TkPolyline:
    case TkPolygon:
        copy = std::make_unique<LinePrimitive>(map);
        break;
    case TkText:
        copy = std::make_unique<TextPrimitive>(map);
        break;
    case TkRectangle:
    case TkRoundRectangle:
    case TkEllipse:
    case TkIcon:
        copy = std::make_unique<BoxPrimitive>(map);
        break;
    case TkPrimitiveGroup:
        copy = std::make_unique<PrimitiveGroup>(map);
        break;
    default:
        return nullptr;
    }
    copy->AssignFrom(document, primitive);
    return copy;
}

} // namespace qm
