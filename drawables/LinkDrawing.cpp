// Link drawing and hit testing. The path is drawn with one pen (a polyline,
// or one Bezier curve for a curved link); the tool's sample drawing gives
// the decorations: primitives left of its sample frame form the source-end
// symbol, those right of it the target-end symbol and those inside it the
// middle decoration, each laid along the link. Then the name with its
// stereotype and access sign, and the end texts when the settings show
// them. Everything works in fixed arrays of 64 points and 65 knobs.
#include "drawables/DrawingSwitches.h"
#include "drawables/FontFaceTable.h"
#include "drawables/LabelText.h"
#include "drawables/Link.h"
#include "drawables/NotationTool.h"
#include "drawables/Primitives.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/TextDrawing.h"
#include "drawables/ZoomScaling.h"
#include "model/Members.h"
#include "platform/TextHelpers.h"
#include "platform/UserSettings.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace qm {

namespace {

constexpr int32_t kSegmentTolerance = 4;

std::string Guillemets(const std::string& text) {
    return "\xC2\xAB" + text + "\xC2\xBB";
}

uint32_t OptionWord() {
    return Settings().OptionWord();
}

// Whether the tool gives a link a label knob: it has a name frame or a
// middle decoration (a primitive inside its link frame).
bool ToolHasLabelKnob(const NotationTool* tool) {
    if (tool == nullptr)
        return false;
    const CRect frame = tool->LinkFrame();
    for (const auto& d : tool->Drawing()) {
        if (d->kindCode == TkText) {
            auto* text = dynamic_cast<TextPrimitive*>(d.get());
            if (text != nullptr && (text->textFlags & TextPrimitive::kLabel) != 0)
                return true;
            continue;
        }
        if (frame.left <= d->bounds.left && d->bounds.right <= frame.right)
            return true;
    }
    return false;
}

// Draws a label's text into box (model units) at zoom without ever cutting
// it: where the font at this zoom makes the text wider or taller than the
// box (a label measured at another zoom or with another font, or stored
// that way by an older version), the box grows about its centre to hold it.
void DrawLabelText(DeviceContext& dc, const Looks& own, const Looks& imposed,
                   const std::string& text, CRect box, double zoom) {
    if (text.empty() || zoom <= 0.0)
        return;
    Looks resolved;
    own.Resolve(resolved, imposed);
    CFont font;
    FontFaces().UpdateFont(font, resolved, zoom);
    const LogFont previous = dc.SelectObject(font);
    int64_t width = 0, height = 0;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find("\r\n", start), text.size());
        const CSize extent = dc.GetTextExtent(std::string_view(text).substr(start, end - start));
        width = std::max<int64_t>(width, extent.cx);
        height += extent.cy;
        start = end + 2;
    }
    dc.SelectFont(previous);
    // Two units to spare: the scaled box is truncated to whole pixels.
    const int64_t needWidth = int64_t(std::ceil(double(width) / zoom)) + 2;
    const int64_t needHeight = int64_t(std::ceil(double(height) / zoom)) + 2;
    if (box.Width() < needWidth)
        box.InflateRect(int32_t((needWidth - box.Width() + 1) / 2), 0);
    if (box.Height() < needHeight)
        box.InflateRect(0, int32_t((needHeight - box.Height() + 1) / 2));
    DrawLooksText(dc, own, imposed, text, ClampRect(box), zoom);
}

} // namespace

void Link::PrepareDrawing() {
    if (std::min(VertexCount(), kMaxLinkVertices) >= 2)
        hasLabelKnob = ToolHasLabelKnob(tool_) ? 1 : 0;
}

void Link::Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
                const CRect* toFrame, int flag) {
    const int n = std::min(VertexCount(), kMaxLinkVertices);
    if (n < 2)
        return;
    Looks resolved = Effective(imposed);
    if (resolved.lineKind == kLineKindInherit)
        resolved.lineKind = uint8_t(tool_ != nullptr ? tool_->LineKind() : kLineKindSolid1);
    if (resolved.lineColor == kColorCodeInherit)
        resolved.lineColor = tool_ != nullptr ? tool_->LineColour() : 0;
    const double w = LineWidthFactor(zoom, resolved.lineKind);
    const int32_t width = w >= 1.0 ? TruncToInt32(w) : 1;
    const int penStyle =
        resolved.lineColor == kColorCodeNone ? PS_NULL : int(LineKindPenStyle(resolved.lineKind));
    const LogPen oldPen = dc.SelectPen(penStyle, width, ColorFromCode(resolved.lineColor));

    const bool applyOffset = flag != 0;
    CSize offset;
    if (fromFrame != nullptr && toFrame != nullptr)
        offset = toFrame->TopLeft() - fromFrame->TopLeft();
    std::array<CPoint, kMaxLinkVertices> points;
    std::copy_n(vertices_.begin(), n, points.begin());
    std::array<CPoint, kMaxLinkVertices> model = points;
    if (applyOffset) {
        for (int i = 0; i < n; ++i) {
            model[size_t(i)] = CPoint(ClampCoordinate(int64_t(model[size_t(i)].x) + offset.cx),
                                      ClampCoordinate(int64_t(model[size_t(i)].y) + offset.cy));
        }
    }
    ScalePointsByZoom(n, model.data(), points.data(), zoom);
    if ((options & LoCurved) != 0 && n >= 3) {
        const CPoint curve[4] = {points[0], points[1], points[size_t(n) - 2],
                                 points[size_t(n) - 1]};
        dc.PolyBezier(curve, 4);
    } else {
        dc.Polyline(points.data(), n);
    }

    // The decorations are outlines of their own: those of a dashed or dotted
    // link are drawn solid (a hollow triangle or an open arrow reads whole),
    // those of a wider link as wide as its line.
    Looks decoration = resolved;
    if (decoration.lineKind < kLineKindSolid1)
        decoration.lineKind = kLineKindSolid1;
    const Drawable* nameText = nullptr;
    DrawMiddleDecoration(dc, decoration, zoom, fromFrame, toFrame, applyOffset, model.data(), n,
                         nameText);
    DrawEndDecoration(dc, 0, decoration, zoom, fromFrame, toFrame, applyOffset, model.data(), n);
    DrawEndDecoration(dc, 1, decoration, zoom, fromFrame, toFrame, applyOffset, model.data(), n);

    const Looks nameLooks = nameText != nullptr ? nameText->looks : resolved;
    auto shifted = [&](CRect r) {
        if (applyOffset)
            OffsetRectClamped(r, offset.cx, offset.cy);
        return r;
    };
    if ((flags & MoToolMissing) != 0) {
        Looks warning = resolved;
        warning.height = int16_t(warning.height - 1);
        warning.style = kStyleBold;
        warning.textColor = 9;
        DrawLooksText(dc, warning, warning, "Not in Template!", shifted(labelRect), zoom);
    } else if (nameRect.IsRectEmpty()) {
        if (!stereotype.empty())
            DrawLabelText(dc, nameLooks, resolved, Guillemets(stereotype), shifted(labelRect),
                          zoom);
    } else {
        if ((flags & 0x4) != 0) {
            const LogBrush frame{BS_SOLID, GetSysColor(COLOR_BTNSHADOW)};
            dc.FrameRect(ScaleByZoom(shifted(labelRect), zoom), frame);
        }
        if (!name.empty() || !stereotype.empty()) {
            std::string text;
            if (!stereotype.empty())
                text = Guillemets(stereotype) + "\r\n";
            if ((OptionWord() & ShowLinkAccess) != 0)
                text += AccessSign(access);
            text += name;
            Looks own = resolved;
            if ((OptionWord() & ShowHyperLinks) != 0 && !file.empty())
                own.style |= kStyleHyperlink;
            CRect box = shifted(nameRect);
            box.DeflateRect(1, 1);
            DrawLabelText(dc, own, own, text, box, zoom);
        }
    }
    if ((OptionWord() & ShowLinkCardinalities) != 0) {
        const int32_t d = SwitchOn(DrawingSwitch::MetafileOutput) ? 0
                          : SwitchOn(DrawingSwitch::Printing)     ? -1
                                                                  : 1;
        Looks endLooks;
        nameLooks.Resolve(endLooks, looks);
        for (int side = 0; side < 2; ++side) {
            const std::string& endText = side == 0 ? sourceEnd : targetEnd;
            if (endText.empty())
                continue;
            const std::string shown = DoublePercentToDisplay(endText);
            CRect box = side == 0 ? sourceLabelRect : targetLabelRect;
            if (box.IsRectEmpty() && !shown.empty()) {
                // A label never measured (a file of an older version): it
                // shows where a measured one would be.
                const CSize size = EndLabelSize(dc, looks, shown);
                box.SetRect(0, 0, size.cx, size.cy);
                PlaceEndLabel(side, box);
            }
            box.DeflateRect(d, 0);
            DrawLabelText(dc, endLooks, endLooks, shown, shifted(box), zoom);
        }
    }
    dc.SelectPen(oldPen);
}

void Link::DrawMiddleDecoration(DeviceContext& dc, const Looks& resolved, double zoom,
                                const CRect* fromFrame, const CRect* toFrame, bool applyOffset,
                                const CPoint* points, int n, const Drawable*& nameText) {
    hasLabelKnob = ToolHasLabelKnob(tool_) ? 1 : 0;
    nameText = nullptr;
    if (tool_ == nullptr)
        return;
    const CRect frame = tool_->LinkFrame();
    const int s = std::min<int>(nameSegment, n - 2);
    const CPoint from = points[s];
    // The label moves with the path when the drawing is offset.
    CRect label = labelRect;
    if (applyOffset && fromFrame != nullptr && toFrame != nullptr) {
        const CSize offset = toFrame->TopLeft() - fromFrame->TopLeft();
        OffsetRectClamped(label, offset.cx, offset.cy);
    }
    const CPoint centre = label.CenterPoint();
    for (const auto& d : tool_->Drawing()) {
        if (d->kindCode == TkText) {
            auto* text = dynamic_cast<TextPrimitive*>(d.get());
            if (text != nullptr && (text->textFlags & TextPrimitive::kLabel) != 0 &&
                nameText == nullptr) {
                nameText = d.get();
            }
            continue;
        }
        if (frame.left <= d->bounds.left && d->bounds.right <= frame.right) {
            d->DrawOnSegment(dc, 2, &frame, &label, from.x, from.y, centre.x, centre.y, &resolved,
                             zoom, 0);
        }
    }
}

void Link::DrawEndDecoration(DeviceContext& dc, int side, const Looks& resolved, double zoom,
                             const CRect*, const CRect*, bool, const CPoint* points, int n) {
    if (tool_ == nullptr)
        return;
    const CRect frame = tool_->LinkFrame();
    const CRect extent = tool_->DrawingExtent();
    const CRect labelFrame = tool_->LabelFrame();
    const int32_t w4 = labelFrame.Width() / 4, h = labelFrame.Height();
    CPoint end, next;
    CRect part, box;
    if (side == 0) {
        end = points[0];
        next = n >= 3 && points[1] == points[0] ? points[2] : points[1];
        part = CRect(extent.left, extent.top, frame.left, extent.bottom);
        box = CRect(end.x, end.y - h / 2, end.x + w4, end.y + h / 2);
    } else {
        end = points[n - 1];
        next = n >= 3 && points[n - 1] == points[n - 2] ? points[n - 3] : points[n - 2];
        part = CRect(frame.right, extent.top, extent.right, extent.bottom);
        box = CRect(end.x - w4, end.y - h / 2, end.x, end.y + h / 2);
    }
    for (const auto& d : tool_->Drawing()) {
        if (d->kindCode == TkText)
            continue;
        const bool belongs =
            side == 0 ? d->bounds.right <= frame.left : d->bounds.left >= frame.right;
        if (!belongs)
            continue;
        if (side == 0)
            d->DrawOnSegment(dc, 0, &part, &box, end.x, end.y, next.x, next.y, &resolved, zoom, 0);
        else
            d->DrawOnSegment(dc, 1, &part, &box, next.x, next.y, end.x, end.y, &resolved, zoom, 0);
    }
}

void Link::EndDecorationBoxes(CRect& sourceBox, CRect& targetBox) const {
    const size_t n = vertices_.size();
    sourceBox.SetRect(0, 0, 20, 30);
    targetBox.SetRect(0, 0, 20, 30);
    const CPoint& a = vertices_[0];
    const CPoint& b = vertices_[1];
    PlaceRectOnSegment(0, a.x, a.y, b.x, b.y, sourceBox, true);
    const CPoint& y = vertices_[n - 2];
    const CPoint& z = vertices_[n - 1];
    PlaceRectOnSegment(1, y.x, y.y, z.x, z.y, targetBox, true);
}

void Link::UpdateRepaintRect() {
    const int n = VertexCount();
    if (n < 2) {
        Drawable::UpdateRepaintRect();
        return;
    }
    CRect sourceBox, targetBox;
    EndDecorationBoxes(sourceBox, targetBox);
    BoundsOfPoints(n, vertices_.data(), bounds);
    LayoutName();
    bounds.UnionRect(bounds, labelRect);
    repaintRect = bounds;
    for (const CRect* r : {&sourceBox, &targetBox, &sourceLabelRect, &targetLabelRect})
        repaintRect.UnionRect(repaintRect, *r);
    repaintRect.InflateRect(kRepaintMargin, kRepaintMargin);
    repaintRect = ClampRect(repaintRect);
}

void Link::CoverRepaintRect() {
    const int n = VertexCount();
    if (n < 2)
        return;
    CRect sourceBox, targetBox;
    EndDecorationBoxes(sourceBox, targetBox);
    CRect cover;
    BoundsOfPoints(n, vertices_.data(), cover);
    for (const CRect* r :
         {&labelRect, &nameRect, &sourceBox, &targetBox, &sourceLabelRect, &targetLabelRect}) {
        CRect part = *r;
        part.NormalizeRect();
        cover.UnionRect(cover, part);
    }
    cover.InflateRect(kRepaintMargin, kRepaintMargin);
    repaintRect = ClampRect(cover);
}

CRect Link::SavedRepaintRect() const {
    return keepsReadRepaint_ && repaintRect == coveredRepaint_ ? readRepaint_ : repaintRect;
}

int Link::GetKnobRects(CRect* rects) const {
    const int n = std::min(VertexCount(), kMaxLinkVertices);
    for (int i = 0; i < n; ++i) {
        const CPoint& v = vertices_[size_t(i)];
        rects[i].SetRect(v.x - 2, v.y - 2, v.x + 3, v.y + 3);
    }
    if (hasLabelKnob == 0 || labelRect.IsRectEmpty())
        return n;
    rects[n].SetRect(labelRect.right, labelRect.bottom, labelRect.right + 5, labelRect.bottom + 5);
    return n + 1;
}

Drawable* Link::HitTest(int x, int y, int& part, int& knob, int hitFlags) {
    const CPoint p(x, y);
    part = HpNone;
    if (!repaintRect.PtInRect(p))
        return nullptr;
    std::array<CRect, kKnobRoom> knobs;
    const int count = GetKnobRects(knobs.data());
    for (int i = 0; i < count; ++i) {
        if (knobs[size_t(i)].PtInRect(p)) {
            part = HpKnob;
            knob = i;
            return this;
        }
    }
    if (nameRect.PtInRect(p)) {
        part = HpLabel;
        if ((OptionWord() & ShowHyperLinks) != 0 && (hitFlags & 0xC) == 0 && HasAttachment())
            part = HpAttachment;
        return this;
    }
    if (HitSegment(x, y) >= 0) {
        part = HpBody;
        return this;
    }
    return nullptr;
}

int Link::HitSegment(int x, int y) const {
    for (int i = 0; i + 1 < VertexCount(); ++i) {
        const CPoint& a = vertices_[size_t(i)];
        const CPoint& b = vertices_[size_t(i) + 1];
        if (HitTestSegment(x, y, a.x, a.y, b.x, b.y, kSegmentTolerance))
            return i;
    }
    return -1;
}

bool Link::IsOnPath(int x, int y) const {
    if (!repaintRect.PtInRect(CPoint(x, y)))
        return false;
    for (int i = 0; i + 1 < VertexCount(); ++i) {
        const CPoint& a = vertices_[size_t(i)];
        const CPoint& b = vertices_[size_t(i) + 1];
        if (HitTestSegment(x, y, a.x, a.y, b.x, b.y, 8))
            return true;
    }
    return false;
}

int Link::NearestSegment(int x, int y) const {
    int64_t best = 1000000;
    int found = 0;
    for (int i = 0; i + 1 < VertexCount(); ++i) {
        const CPoint& a = vertices_[size_t(i)];
        const CPoint& b = vertices_[size_t(i) + 1];
        CPoint q;
        NearestPointOnSegment(x, y, a.x, a.y, b.x, b.y, q);
        const int64_t dx = int64_t(q.x) - x, dy = int64_t(q.y) - y;
        const int64_t d = dx * dx + dy * dy;
        if (d < best) {
            best = d;
            found = i;
        }
    }
    return found;
}

void Link::FitLabel(DeviceContext* dc, CRect& rect) {
    if ((flags & MoToolMissing) != 0 || dc == nullptr) {
        const CPoint c = labelRect.CenterPoint();
        labelRect = ClampRect(CRect(c.x - 35, c.y - 16, c.x + 35, c.y + 16));
        rect = labelRect;
        return;
    }
    std::string first;
    if ((OptionWord() & ShowLinkAccess) != 0)
        first += AccessSign(access);
    first += name;
    if (stereotype.empty()) {
        FitTextRect(*dc, first, nullptr, &looks, labelRect, rect);
        return;
    }
    const std::string second = Guillemets(stereotype);
    const std::string_view secondView = second;
    FitTextRect(*dc, first, &secondView, &looks, labelRect, rect);
}

} // namespace qm
