// Message floaters: numbering, the position in the frame of the link
// segment they ride on, the arrow beside the segment and the label beyond it,
// hopping between segments while dragged, drawing, hit tests, the property
// exchange and the floater record.
//
// The position is kept as (distance along the segment from its first
// vertex, signed distance from it), so the floater keeps its place relative
// to the segment whatever the link does; WorldPosition turns it back by
// rotating about the segment's first vertex. All results are truncated, as
// every coordinate of a diagram is an integer.
#include "drawables/Tag.h"

#include "drawables/DiagramView.h"
#include "drawables/FontFaceTable.h"
#include "drawables/Link.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/TextDrawing.h"
#include "drawables/ZoomScaling.h"
#include "kernel/Kernel.h"
#include "kernel/Predefined.h"
#include "model/ChangeJournal.h"
#include "model/Master.h"
#include "platform/Format.h"
#include "platform/Process.h"
#include "platform/TextHelpers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <iterator>

namespace qm {

using kest::Cell;
using kest::mkint;
using kest::mkstr;
using kest::nil;

namespace {

constexpr int kArrowTolerance = 4;
// Half the arrow's length along the segment's dominant axis.
constexpr int kHalfArrow = 8;
// The gap between the arrow and its label, and the least distance of the
// arrow's centre from the segment.
constexpr int kGap = 4;

double Length(int64_t dx, int64_t dy) {
    return std::sqrt(double(dx) * double(dx) + double(dy) * double(dy));
}

int32_t Clamp(int64_t v) {
    return ClampCoordinate(v);
}

// 1 when m lies on the upper-left side of c.
int SideOfPoint(const CPoint& m, const CPoint& c) {
    return ((m.x < c.x && m.y <= c.y) || (c.x <= m.x && m.y < c.y)) ? 1 : 0;
}

// The filled head of an arrow that ends at to, coming from from: a triangle
// 8 x zoom long and 6 x zoom wide, its tip at to.
std::array<CPoint, 3> ArrowHeadPoints(const CPoint& from, const CPoint& to, double zoom) {
    const double length = std::trunc(8.0 * zoom);
    const double width = std::trunc(6.0 * zoom);
    const double dx = double(to.x) - from.x;
    const double dy = double(to.y) - from.y;
    const double d = std::sqrt(dx * dx + dy * dy);
    const double ux = d > 0 ? dx / d : 1.0;
    const double uy = d > 0 ? dy / d : 0.0;
    auto round = [](double v) { return TruncToInt32(std::floor(v + 0.5)); };
    const double bx = to.x - ux * length;
    const double by = to.y - uy * length;
    return {CPoint(to.x, to.y), CPoint(round(bx - uy * width / 2), round(by + ux * width / 2)),
            CPoint(round(bx + uy * width / 2), round(by - ux * width / 2))};
}

bool PointInRange(const CPoint& p) {
    return RectInRange(CRect(p.x, p.y, p.x, p.y));
}

} // namespace

// ---- numbers ----

int MessageNumberOf(const std::string& text) {
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return 0;
    // atoi of the leading digits, kept within int.
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = std::min<int64_t>(value * 10 + (c - '0'), INT32_MAX);
    }
    return int(value);
}

std::string RenumberedText(const std::string& text, int number) {
    const std::string rest = text.substr(LeadingNumberOf(text).size());
    if (!rest.empty() && rest[0] == ' ')
        return Format("%d.%s", number, rest.c_str());
    return Format("%d. %s", number, rest.c_str());
}

// ---- life and placing ----

Floater::Floater(GuidMap* map) : Tag(map) {
    kindCode = TkMessage;
}

Link* Floater::GetLink() const {
    return dynamic_cast<Link*>(attached_);
}

bool Floater::SegmentEnds(CPoint& p, CPoint& q) const {
    const Link* link = GetLink();
    if (link == nullptr || segment < 0 || segment + 1 >= link->VertexCount())
        return false;
    p = link->Vertices()[size_t(segment)];
    q = link->Vertices()[size_t(segment) + 1];
    return true;
}

std::string Floater::PopupCallMenu(ModelDocument* document, MenuWindow* window, int x, int y) {
    const Link* link = GetLink();
    if (link == nullptr)
        return {};
    Master* master =
        (tagFlags & FfReversed) != 0 ? link->GetSourceMaster() : link->GetTargetMaster();
    return master != nullptr ? master->PickOperation(document, window, x, y, -1) : std::string();
}

CPoint Floater::ArrowCentre() const {
    return CPoint(Clamp((int64_t(arrowTail.x) + arrowHead.x) / 2),
                  Clamp((int64_t(arrowTail.y) + arrowHead.y) / 2));
}

void Floater::RememberSegment() {
    CPoint p, q;
    if (!SegmentEnds(p, q))
        return;
    segmentStart = p;
    segmentEnd = q;
}

void Floater::AttachToSegment(int code, const CRect& rect, Link* link, int index) {
    Tag::Attach(code, rect, link);
    // A floater has no pointer: its anchor stays at the origin, as its record reads.
    anchor = CPoint();
    tagFlags = 0;
    // The reader takes segments 0..63 only: a floater is never given one
    // that would make its file unreadable.
    segment = int16_t(std::clamp(index, 0, kMaxLinkVertices - 1));
    RememberSegment();
    const CPoint centre = ClampRect(rect).CenterPoint();
    CPoint p, q;
    if (SegmentEnds(p, q)) {
        CPoint nearest;
        NearestPointOnSegment(centre.x, centre.y, p.x, p.y, q.x, q.y, nearest);
        SetLocalPosition(centre, nearest);
    }
    LayoutBesideSegment();
}

void Floater::MoveNearSegment(int x, int y, bool relayout) {
    CPoint p, q;
    if (!SegmentEnds(p, q))
        return;
    CPoint nearest;
    NearestPointOnSegment(x, y, p.x, p.y, q.x, q.y, nearest);
    SetLocalPosition(CPoint(x, y), nearest);
    if (relayout)
        LayoutLabel();
    else
        LayoutBesideSegment();
    UpdateRepaintRect();
}

void Floater::SetLocalPosition(const CPoint& m, const CPoint& c) {
    CPoint p, q;
    if (!SegmentEnds(p, q))
        return;
    const int32_t len = TruncToInt32(Length(int64_t(p.x) - q.x, int64_t(p.y) - q.y));
    frameOrigin = p;
    frameAxis = CPoint(Clamp(int64_t(p.x) + len), p.y);
    int side = SideOfPoint(m, c);
    if (q.x < p.x)
        side = 1 - side;
    int32_t a = TruncToInt32(Length(int64_t(p.x) - c.x, int64_t(p.y) - c.y));
    const int32_t b =
        std::max<int32_t>(kGap, TruncToInt32(Length(int64_t(m.x) - c.x, int64_t(m.y) - c.y)));
    auto squared = [](const CPoint& u, const CPoint& v) {
        const double dx = double(u.x) - v.x, dy = double(u.y) - v.y;
        return dx * dx + dy * dy;
    };
    if (squared(q, p) < squared(q, m))
        a = -a;
    localPosition =
        CPoint(Clamp(int64_t(frameOrigin.x) + a), Clamp(int64_t(frameOrigin.y) + (side ? -b : b)));
}

CPoint Floater::WorldPosition() const {
    CPoint p, q;
    if (!SegmentEnds(p, q))
        return localPosition;
    const double len = Length(int64_t(q.x) - p.x, int64_t(q.y) - p.y);
    const double cosine = len > 0 ? (double(q.x) - p.x) / len : 1.0;
    const double sine = len > 0 ? (double(q.y) - p.y) / len : 0.0;
    const double dx = double(localPosition.x) - frameOrigin.x;
    const double dy = double(localPosition.y) - frameOrigin.y;
    // About the segment's first vertex as it is now, so that the floater
    // follows a link that moved since the position was taken.
    return CPoint(TruncToInt32(p.x + dx * cosine - dy * sine),
                  TruncToInt32(p.y + dx * sine + dy * cosine));
}

void Floater::LayoutBesideSegment() {
    CPoint p, q;
    if (SegmentEnds(p, q)) {
        const CPoint a = WorldPosition();
        const int64_t x1 = p.x, y1 = p.y, x2 = q.x, y2 = q.y;
        if (std::llabs(x2 - x1) < std::llabs(y2 - y1)) {
            const int64_t divisor = y2 - y1 != 0 ? y2 - y1 : 1;
            const int64_t k = TruncToInt32(8.0 * double(x2 - x1) / double(divisor));
            arrowTail = CPoint(Clamp(a.x + k), Clamp(int64_t(a.y) + kHalfArrow));
            arrowHead = CPoint(Clamp(a.x - k), Clamp(int64_t(a.y) - kHalfArrow));
            if (y1 < y2)
                std::swap(arrowTail, arrowHead);
        } else {
            const int64_t divisor = x2 - x1 != 0 ? x2 - x1 : 1;
            const int64_t k = TruncToInt32(8.0 * double(y2 - y1) / double(divisor));
            arrowTail = CPoint(Clamp(int64_t(a.x) - kHalfArrow), Clamp(a.y - k));
            arrowHead = CPoint(Clamp(int64_t(a.x) + kHalfArrow), Clamp(a.y + k));
            if (x2 < x1)
                std::swap(arrowTail, arrowHead);
        }
    }
    LayoutLabel();
    UpdateRepaintRect();
}

void Floater::LayoutLabel() {
    if (labelRect.IsRectEmpty()) {
        labelRect.SetRect(0, 0, 15, 20);
        return;
    }
    const int64_t w = labelRect.Width(), h = labelRect.Height();
    const CPoint c = ArrowCentre();
    CPoint n = c;
    CPoint p, q;
    if (SegmentEnds(p, q))
        NearestPointOnSegment(c.x, c.y, p.x, p.y, q.x, q.y, n);
    const int64_t left = n.x < c.x ? int64_t(c.x) + kGap : int64_t(c.x) - kGap - w;
    const int64_t top = n.y < c.y ? int64_t(c.y) + kGap : int64_t(c.y) - kGap - h;
    labelRect = ClampRect(CRect(Clamp(left), Clamp(top), Clamp(left + w), Clamp(top + h)));
}

void Floater::Reanchor() {
    // The floater stays where its arrow is and takes its position anew from
    // the moved segment: the nearest point and the side the arrow lies on.
    CPoint p, q;
    if (SegmentEnds(p, q)) {
        const CPoint centre = ArrowCentre();
        CPoint nearest;
        NearestPointOnSegment(centre.x, centre.y, p.x, p.y, q.x, q.y, nearest);
        SetLocalPosition(centre, nearest);
    }
    LayoutBesideSegment();
    RememberSegment();
}

void Floater::SetAttached(Drawable* drawable) {
    // Only a link carries messages.
    attached_ = dynamic_cast<Link*>(drawable);
    attachedRef_ = ObjectRef();
    UpdateRepaintRect();
}

void Floater::SetLabelRect(const CRect& rect) {
    labelRect = ClampRect(rect);
    UpdateRepaintRect();
}

void Floater::WrapText(DeviceContext& dc, double zoom) {
    if (text.empty())
        return;
    // Measured at the zoom, then brought back to model units.
    const double scale = zoom > 0.0 ? zoom : 1.0;
    CFont& font = FontFaces().FirstWorkFont();
    FontFaces().UpdateFont(font, looks, scale);
    const LogFont old = dc.SelectObject(font);
    CRect measured(0, 0, TruncToInt32(400 * scale), 0);
    dc.DrawText(text, measured, DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK);
    dc.SelectFont(old);
    const int32_t w = std::max<int32_t>(15, TruncToInt32(measured.Width() / scale) + 2);
    const int32_t h = std::max<int32_t>(20, TruncToInt32(measured.Height() / scale) + 2);
    labelRect.right = Clamp(int64_t(labelRect.left) + w);
    labelRect.bottom = Clamp(int64_t(labelRect.top) + h);
    LayoutLabel();
    UpdateRepaintRect();
}

void Floater::MeasureLabel(ModelDocument* document, double zoom) {
    BorrowedDC borrowed(document);
    WrapText(borrowed.dc(), zoom);
}

// ---- the drawable operations ----

ModelObject* Floater::GetPropertyTarget(int* targetKind) {
    if (targetKind != nullptr)
        *targetKind = PtMessageFloater;
    return this;
}

std::unique_ptr<ModelObject> Floater::Clone() const {
    return CloneOf(*this);
}

void Floater::Assign(const ModelObject* other) {
    const Floater* o = AssignSource(this, other);
    if (o == nullptr)
        return;
    kindCode = o->kindCode;
    text = o->text;
    secondText = o->secondText;
    attachment = o->attachment;
    tagFlags = o->tagFlags;
}

Cell* Floater::Props(GuidScope*, ModelObject* other, Cell* list, bool redo) {
    if (list == nullptr) {
        const auto* that = dynamic_cast<const Floater*>(other);
        if (that == nullptr)
            return nil;
        auto pair = [](bool equal, Cell* mine, Cell* theirs) -> Cell* {
            return equal ? nil : kest::mklist(mine, theirs, nullptr);
        };
        Cell* entries[] = {
            pair(kindCode == that->kindCode, mkint(kindCode), mkint(that->kindCode)),
            pair(text == that->text, mkstr(text.c_str()), mkstr(that->text.c_str())),
            pair(secondText == that->secondText, mkstr(secondText.c_str()),
                 mkstr(that->secondText.c_str())),
            pair(attachment == that->attachment, mkstr(attachment.c_str()),
                 mkstr(that->attachment.c_str())),
            pair(tagFlags == that->tagFlags, mkint(tagFlags), mkint(that->tagFlags)),
        };
        Cell* out = nil;
        for (size_t i = std::size(entries); i > 0; --i)
            out = kest::mkcons(entries[i - 1], out);
        return out;
    }
    // Everything is checked before anything changes.
    static constexpr kest::CellType kTypes[5] = {kest::TInteger, kest::TString, kest::TString,
                                                 kest::TString, kest::TInteger};
    RecordReader r(list, "floater properties");
    Cell* chosen[5] = {};
    ChoosePropertyValues(r, "floater properties", kTypes, std::size(kTypes), redo, chosen);
    if (chosen[0] != nullptr)
        kindCode = chosen[0]->a.ival;
    if (chosen[1] != nullptr)
        text = chosen[1]->a.str;
    if (chosen[2] != nullptr)
        secondText = chosen[2]->a.str;
    if (chosen[3] != nullptr)
        attachment = chosen[3]->a.str;
    if (chosen[4] != nullptr)
        tagFlags = uint8_t(chosen[4]->a.ival);
    return r.Rest();
}

void Floater::ResolveRefs(ModelDocument* document, GuidScope* scope, DrawableModel* model) {
    Tag::ResolveRefs(document, scope, model);
    // A message rides on a link; anything else named in the record is dropped.
    if (attached_ != nullptr && !attached_->IsLink())
        attached_ = nullptr;
}

void Floater::Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
                   const CRect* toFrame, int) {
    const Looks effective = Effective(imposed);
    const double product = LineKindPenWidth(effective.lineKind) * zoom;
    const int32_t width = product >= 1.0 ? TruncToInt32(product) : 1;
    const COLORREF color = ColorFromCode(effective.lineColor);
    const int style =
        effective.lineColor == 17 ? PS_NULL : int(LineKindPenStyle(effective.lineKind));
    const LogPen oldPen = dc.SelectPen(style, width, color);
    const LogBrush oldBrush =
        effective.lineColor == 17 ? dc.SelectNullBrush() : dc.SelectSolidBrush(color);
    CPoint ends[2] = {arrowTail, arrowHead};
    CRect label = labelRect;
    if (fromFrame != nullptr && toFrame != nullptr) {
        MapPointsBetweenRects(2, ends, ends, *fromFrame, *toFrame, false);
        MapRectBetweenRects(labelRect, label, *fromFrame, *toFrame, false);
    }
    ScalePointsByZoom(2, ends, ends, zoom);
    dc.MoveTo(ends[0].x, ends[0].y);
    dc.LineTo(ends[1].x, ends[1].y);
    const bool reversed = (tagFlags & FfReversed) != 0;
    const std::array<CPoint, 3> head = reversed ? ArrowHeadPoints(ends[1], ends[0], zoom)
                                                : ArrowHeadPoints(ends[0], ends[1], zoom);
    dc.Polygon(head.data(), 3);
    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
    if (!text.empty())
        DrawLooksText(dc, looks, imposed != nullptr ? *imposed : looks, text, label, zoom);
}

void Floater::OpenAttachment() {
    if (HasAttachment())
        OpenAttachedFile(attachment, (tagFlags & FfAttachmentOpen) != 0);
}

int Floater::GetKnobRects(CRect* rects) const {
    rects[0].SetRect(arrowTail.x - 2, arrowTail.y - 2, arrowTail.x + 3, arrowTail.y + 3);
    rects[1].SetRect(arrowHead.x - 2, arrowHead.y - 2, arrowHead.x + 3, arrowHead.y + 3);
    rects[2].SetRect(labelRect.right, labelRect.bottom, labelRect.right + 5, labelRect.bottom + 5);
    return 3;
}

void Floater::UpdateRepaintRect() {
    RectFromCorners(arrowTail.x, arrowTail.y, arrowHead.x, arrowHead.y, bounds);
    bounds.InflateRect(1, 1);
    bounds = ClampRect(bounds);
    const CPoint& pointed = (tagFlags & FfReversed) != 0 ? arrowTail : arrowHead;
    CRect end(pointed.x, pointed.y, pointed.x, pointed.y);
    end.InflateRect(4, 3);
    repaintRect = bounds;
    repaintRect.UnionRect(repaintRect, end);
    repaintRect.UnionRect(repaintRect, labelRect);
    repaintRect.InflateRect(kRepaintMargin, kRepaintMargin);
    repaintRect = ClampRect(repaintRect);
}

Drawable* Floater::HitTest(int x, int y, int& part, int& knob, int) {
    if (HitKnobOrLabel(x, y, part, knob))
        return this;
    if (!repaintRect.PtInRect(CPoint(x, y)))
        return nullptr;
    if (HitTestSegment(x, y, arrowTail.x, arrowTail.y, arrowHead.x, arrowHead.y, kArrowTolerance)) {
        part = HpBody;
        return this;
    }
    return nullptr;
}

void Floater::MoveBy(int dx, int dy, CRect& dirty) {
    Drawable::MoveBy(dx, dy, dirty);
    for (CPoint* p : {&arrowTail, &arrowHead})
        *p = CPoint(Clamp(int64_t(p->x) + dx), Clamp(int64_t(p->y) + dy));
    if ((flags & MoDragged) == 0) {
        RememberSegment();
    } else if (Link* link = GetLink()) {
        const CPoint centre = ArrowCentre();
        const int nearest = link->NearestSegment(centre.x, centre.y);
        dirty.UnionRect(dirty, repaintRect);
        if (nearest != segment)
            segment = int16_t(nearest);
        MoveNearSegment(centre.x, centre.y, true);
        dirty.UnionRect(dirty, repaintRect);
    }
    UpdateRepaintRect();
}

int Floater::FindReplaceText(ModelDocument* document, const std::string& word,
                             const std::string& replacement, int options) {
    std::unique_ptr<Floater> previous;
    if ((options & RF_REPLACE) != 0) {
        previous = CloneOf(*this);
        previous->guid = guid;
        previous->SetDetached();
    }
    int count = 0;
    for (std::string* field : {&text, &secondText, &attachment})
        count += ReplaceInText(*field, word, options, replacement);
    if (previous != nullptr && count > 0)
        Journal().AddChangedObject(document, this, std::move(previous));
    return count;
}

// ---- the record ----

Cell* Floater::Persist(GuidScope* scope, Cell* list) {
    if (list == nil) {
        CPoint points[5] = {arrowTail, arrowHead, localPosition, frameOrigin, frameAxis};
        Cell* own =
            kest::mklist(kest::sym::floater, mkstr(secondText.c_str()), mkstr(attachment.c_str()),
                         mkint(tagFlags), mkint(segment), pointlist(points[0], nil),
                         pointlist(points[1], nil), pointlist(points[2], nil),
                         pointlist(points[3], nil), pointlist(points[4], nil), nullptr);
        return kest::nconc(own, WriteTag(scope));
    }
    ExpectHead(list, kest::sym::floater);
    RecordReader r(kest::cdr(list), "floater");
    std::string second = r.String("second text");
    // Older records have no attachment.
    std::string file = r.NextIsString() ? r.String("attachment") : std::string();
    const int32_t readFlags = r.Int("flags");
    if (readFlags < 0 || readFlags > 0xFF)
        r.Fail("flags", "a flag byte");
    const int32_t readSegment = r.Int("segment");
    if (readSegment < 0 || readSegment >= kMaxLinkVertices)
        r.Fail("segment", "a segment index of a link");
    CPoint points[5];
    static const char* const kNames[5] = {"arrow tail", "arrow head", "local position",
                                          "frame origin", "frame axis"};
    for (int i = 0; i < 5; ++i) {
        r.Point(points[i], kNames[i]);
        if (!PointInRange(points[i]))
            r.Fail(kNames[i], "coordinates within the diagram range");
    }
    Cell* rest = r.Rest();
    if (rest == nil || !kest::ispair(rest))
        r.Fail("tag", "a tag record");
    Cell* after = ReadTag(scope, rest, {TkMessage});
    secondText = std::move(second);
    attachment = std::move(file);
    tagFlags = uint8_t(readFlags);
    segment = int16_t(readSegment);
    arrowTail = points[0];
    arrowHead = points[1];
    localPosition = points[2];
    frameOrigin = points[3];
    frameAxis = points[4];
    anchor = CPoint();
    return after;
}

} // namespace qm
