// Tags: attaching, the anchor on the attached drawable, the callout drawing,
// hit tests, text search and the tag record.
#include "drawables/Tag.h"
#include "drawables/DrawableIdIndex.h"

#include "drawables/Place.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/TextDrawing.h"
#include "drawables/ZoomScaling.h"
#include "kernel/Kernel.h"
#include "kernel/Predefined.h"
#include "model/ChangeJournal.h"
#include "model/GuidMap.h"
#include "platform/Errors.h"
#include "platform/Format.h"
#include "platform/TextHelpers.h"

#include <algorithm>
#include <array>

namespace qm {

using kest::Cell;
using kest::nil;

namespace {

// The distance within which a click on the pointer hits the tag.
constexpr int kPointerTolerance = 4;

} // namespace

Tag::Tag(GuidMap* map) : Drawable(map) {
    kindCode = TkTag;
    kind = DkTag;
}

void Tag::Attach(int code, const CRect& rect, Drawable* drawable) {
    kindCode = code;
    bounds = ClampRect(rect);
    attached_ = drawable;
    attachedRef_ = ObjectRef();
    ComputeAnchor();
    LayoutLabel();
    UpdateRepaintRect();
}

void Tag::SetAttached(Drawable* drawable) {
    attached_ = drawable;
    attachedRef_ = ObjectRef();
    ComputeAnchor();
    LayoutLabel();
    UpdateRepaintRect();
}

void Tag::ComputeAnchor() {
    const CRect reference =
        attached_ != nullptr && attached_->IsPlace() ? attached_->bounds : labelRect;
    const CPoint from = reference.CenterPoint();
    const CPoint to = bounds.CenterPoint();
    CPoint crossing = from;
    BoundaryPointOfRect(from.x, from.y, to.x, to.y, reference, crossing);
    anchor = crossing;
}

void Tag::LayoutLabel() {
    labelRect = bounds;
    labelRect.DeflateRect(3, 3);
}

bool Tag::Relayout(DeviceContext&, double zoom, CRect& dirty) {
    if (bounds.IsRectEmpty())
        return false;
    dirty = repaintRect;
    SetBounds(bounds);
    dirty.UnionRect(dirty, repaintRect);
    ScaleByZoom(dirty, dirty, zoom);
    LayoutLabel();
    UpdateRepaintRect();
    return true;
}

Drawable* Tag::BindAttached(GuidScope* scope, DrawableModel* model) {
    const ObjectRef pending = attachedRef_;
    attachedRef_ = ObjectRef();
    if (pending.IsObject())
        return dynamic_cast<Drawable*>(pending.Object());
    if (pending.IsNil())
        return nullptr;
    // A tag may point at a junction, which the model's own search does not see.
    if (model != nullptr && pending.IsText())
        return FindDrawableOrJunctionIn(*model, scope, pending.Text());
    const GuidMap* map = scope != nullptr ? scope->current : nullptr;
    if (map == nullptr)
        throw CKestException("GUID map lookup failed");
    ModelObject* found = nullptr;
    if (pending.IsText())
        map->Lookup(pending.Text(), found, true);
    else
        map->Lookup(pending.Number(), found, true);
    return dynamic_cast<Drawable*>(found);
}

void Tag::ResolveRefs(ModelDocument* document, GuidScope* scope, DrawableModel* model) {
    Drawable::ResolveRefs(document, scope, model);
    if (!attachedRef_.IsText() && !attachedRef_.IsNumber() && !attachedRef_.IsObject())
        return;
    Drawable* found = BindAttached(scope, model);
    attached_ = found == this ? nullptr : found;
}

void Tag::Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
               const CRect* toFrame, int) {
    const Looks effective = Effective(imposed);
    const int32_t width = std::max<int32_t>(1, TruncToInt32(zoom));
    const LogPen oldPen = dc.SelectPen(effective.lineColor == 17 ? PS_NULL : PS_SOLID, width,
                                       ColorFromCode(effective.lineColor));
    const LogBrush oldBrush = effective.fillColor == 17
                                  ? dc.SelectNullBrush()
                                  : dc.SelectSolidBrush(ColorFromCode(effective.fillColor));
    std::array<CPoint, 7> points;
    CalloutPolygon(anchor.x, anchor.y, bounds, points.data());
    CRect label = labelRect;
    if (fromFrame != nullptr && toFrame != nullptr) {
        MapPointsBetweenRects(7, points.data(), points.data(), *fromFrame, *toFrame, false);
        MapRectBetweenRects(labelRect, label, *fromFrame, *toFrame, false);
    }
    ScalePointsByZoom(7, points.data(), points.data(), zoom);
    dc.Polygon(points.data(), 7);
    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
    if (!text.empty())
        DrawLooksText(dc, looks, imposed != nullptr ? *imposed : looks, text, label, zoom);
}

int Tag::GetKnobRects(CRect* rects) const {
    Drawable::GetKnobRects(rects);
    rects[4].SetRect(anchor.x - 2, anchor.y - 2, anchor.x + 2, anchor.y + 2);
    return 5;
}

void Tag::UpdateRepaintRect() {
    repaintRect = bounds;
    ExtendRectToPoint(repaintRect, anchor.x, anchor.y);
    repaintRect.InflateRect(kRepaintMargin, kRepaintMargin);
}

bool Tag::HitKnobOrLabel(int x, int y, int& part, int& knob) {
    const CPoint point(x, y);
    part = HpNone;
    if (!repaintRect.PtInRect(point))
        return false;
    std::array<CRect, kKnobRoom> knobs;
    const int count = GetKnobRects(knobs.data());
    for (int i = 0; i < count; ++i) {
        if (knobs[size_t(i)].PtInRect(point)) {
            part = HpKnob;
            knob = i;
            return true;
        }
    }
    if (labelRect.PtInRect(point)) {
        part = HpLabel;
        return true;
    }
    return false;
}

Drawable* Tag::HitTest(int x, int y, int& part, int& knob, int) {
    if (HitKnobOrLabel(x, y, part, knob))
        return this;
    if (!repaintRect.PtInRect(CPoint(x, y)))
        return nullptr;
    const CPoint point(x, y);
    const CPoint centre = bounds.CenterPoint();
    if (bounds.PtInRect(point) ||
        HitTestSegment(x, y, centre.x, centre.y, anchor.x, anchor.y, kPointerTolerance)) {
        part = HpBody;
        return this;
    }
    return nullptr;
}

void Tag::MoveBy(int dx, int dy, CRect& dirty) {
    Drawable::MoveBy(dx, dy, dirty);
    UpdateRepaintRect();
}

std::string* Tag::GetEditableText(CRect& rect) {
    rect = labelRect;
    return &text;
}

std::unique_ptr<ModelObject> Tag::Clone() const {
    return CloneOf(*this);
}

void Tag::Assign(const ModelObject* other) {
    const Tag* o = AssignSource(this, other);
    if (o == nullptr)
        return;
    kindCode = o->kindCode;
    text = o->text;
    tagFlags = o->tagFlags;
}

Cell* Tag::Props(GuidScope*, ModelObject* other, Cell* list, bool redo) {
    if (list == nullptr) {
        const auto* that = dynamic_cast<const Tag*>(other);
        if (that == nullptr)
            return nil;
        Cell* textPair =
            text == that->text
                ? nil
                : kest::mklist(kest::mkstr(text.c_str()), kest::mkstr(that->text.c_str()), nullptr);
        Cell* flagsPair =
            tagFlags == that->tagFlags
                ? nil
                : kest::mklist(kest::mkint(tagFlags), kest::mkint(that->tagFlags), nullptr);
        return kest::mklist(textPair, flagsPair, nullptr);
    }
    // Everything is checked before anything changes.
    static constexpr kest::CellType kTypes[2] = {kest::TString, kest::TInteger};
    RecordReader r(list, "tag properties");
    Cell* chosen[2] = {};
    ChoosePropertyValues(r, "tag properties", kTypes, std::size(kTypes), redo, chosen);
    if (chosen[0] != nullptr)
        text = chosen[0]->a.str;
    if (chosen[1] != nullptr)
        tagFlags = uint8_t(chosen[1]->a.ival);
    return r.Rest();
}

int Tag::FindReplaceText(ModelDocument* document, const std::string& word,
                         const std::string& replacement, int options) {
    // The copy from before carries the id, so the journal's record names the
    // tag and its undo puts the text back through Props.
    std::unique_ptr<Tag> previous;
    if ((options & RF_REPLACE) != 0 && kindCode == TkTag) {
        previous = CloneOf(*this);
        previous->guid = guid;
        previous->SetDetached();
    }
    const int count = ReplaceInText(text, word, options, replacement);
    if (previous != nullptr && count > 0)
        Journal().AddChangedObject(document, this, std::move(previous));
    return count;
}

// ---- the record ----

Cell* Tag::WriteTag(GuidScope*) {
    const char* id = attached_ != nullptr    ? IdOf(attached_)
                     : attachedRef_.IsText() ? attachedRef_.Text()
                                             : "";
    CPoint at = anchor;
    Cell* own = kest::mklist(kest::sym::tag, kest::mkstr(id), pointlist(at, nil),
                             kest::mkstr(text.c_str()), nullptr);
    return kest::nconc(own, WriteBase());
}

Cell* Tag::ReadTag(GuidScope* scope, Cell* list, std::initializer_list<int> kindCodes) {
    ExpectHead(list, kest::sym::tag);
    RecordReader r(kest::cdr(list), "tag");
    const GuidMap* map = scope != nullptr ? scope->current : nullptr;
    Cell* idCell = r.Peek();
    if (idCell == nullptr ||
        (idCell->type != kest::TString && idCell->type != kest::TInteger && idCell != nil))
        r.Fail("attached", "id text");
    const ObjectRef readAttached = r.Ref(map, "attached");
    CPoint readAnchor;
    r.Point(readAnchor, "anchor");
    if (!RectInRange(CRect(readAnchor.x, readAnchor.y, readAnchor.x, readAnchor.y)))
        r.Fail("anchor", "coordinates within the diagram range");
    std::string readText = r.String("text");
    ReadBase(scope, r);
    const bool known = std::find(kindCodes.begin(), kindCodes.end(), kindCode) != kindCodes.end();
    if (!known)
        RecordFormatError("tag", Format("kind code %d does not suit the record", kindCode));
    if (kind != DkTag)
        RecordFormatError("tag", Format("kind %d expected, got %d", DkTag, kind));
    if ((style & (DsGroup | DsScenarioPlace)) != 0)
        RecordFormatError("tag", Format("style %d does not suit the record", style));
    attached_ = nullptr;
    attachedRef_ = readAttached;
    anchor = readAnchor;
    text = std::move(readText);
    return r.Rest();
}

Cell* Tag::Persist(GuidScope* scope, Cell* list) {
    if (list == nil)
        return WriteTag(scope);
    return ReadTag(scope, list, {TkTag});
}

} // namespace qm
