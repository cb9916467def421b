// Place groups and swimlanes: the embedded member group, the title, drawing
// with the name band and the "(no group members)" note, hit tests with the
// lane edges, fitting to the content, membership changes, the lane chain and
// the placeGroup and swimlane records.
#include "drawables/PlaceGroup.h"
#include "drawables/DrawableIdIndex.h"

#include "drawables/Junction.h"
#include "drawables/Model.h"
#include "drawables/NotationTool.h"
#include "drawables/Primitives.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/SymbolDrawing.h"
#include "drawables/Tag.h"
#include "drawables/TextDrawing.h"
#include "drawables/ZoomScaling.h"
#include "kernel/Kernel.h"
#include "kernel/Predefined.h"
#include "model/GuidMap.h"
#include "model/Master.h"
#include "model/ModelDocument.h"
#include "platform/Format.h"
#include "platform/UserSettings.h"

#include <algorithm>
#include <cstdlib>

namespace qm {

using kest::Cell;
using kest::nil;

namespace {

// Nested place groups deeper than this are not searched.
constexpr int kMaxDepth = 64;

const std::string& MasterName(const Master* master) {
    static const std::string none;
    return master != nullptr ? master->name : none;
}

int MaxNumberIn(const DrawableList& members, int depth) {
    int best = 0;
    for (const auto& member : members) {
        if (const auto* floater = dynamic_cast<const Floater*>(member.get()))
            best = std::max(best, floater->GetNumber());
        else if (const PlaceGroup* group = AsPlaceGroup(static_cast<const Drawable*>(member.get()));
                 group && depth < kMaxDepth)
            best = std::max(best, MaxNumberIn(group->MemberGroup().Members(), depth + 1));
    }
    return best;
}

} // namespace

PlaceGroup* AsPlaceGroup(Drawable* drawable) {
    return drawable != nullptr && drawable->IsPlaceGroup() ? dynamic_cast<PlaceGroup*>(drawable)
                                                           : nullptr;
}

const PlaceGroup* AsPlaceGroup(const Drawable* drawable) {
    return drawable != nullptr && drawable->IsPlaceGroup()
               ? dynamic_cast<const PlaceGroup*>(drawable)
               : nullptr;
}

PlaceGroup::PlaceGroup(GuidMap* map) : Place(map), members_(map) {
    kindCode = TkPlaceGroup;
    style = DsGroup;
    placeFlags = PfGroupFrame | PfGroupFits;
    members_.SetParent(this);
}

PlaceGroup::~PlaceGroup() = default;

// ---- the drawable operations ----

void PlaceGroup::Detach(GuidScope* scope) {
    members_.Detach(scope);
    Place::Detach(scope);
}

void PlaceGroup::MarkFiltered(int value, int mask, Drawable* filter) {
    if ((mask & (0x2 | 0x4 | 0x8)) != 0)
        members_.MarkFiltered(value, mask, filter);
    Place::MarkFiltered(value, mask, filter);
}

void PlaceGroup::ResolveRefs(ModelDocument* document, GuidScope* scope, DrawableModel* model) {
    Place::ResolveRefs(document, scope, model);
    members_.ResolveRefs(document, scope, model);
    members_.SetParent(this);
}

void PlaceGroup::AddMasterReference() {
    for (const auto& member : *members_.GetMemberList()) {
        if (auto* place = member->IsPlace() ? dynamic_cast<Place*>(member.get()) : nullptr)
            place->AddMasterReference();
    }
    Place::AddMasterReference();
}

std::unique_ptr<Master> PlaceGroup::ReleaseMaster(MasterCollection& masters, bool removeUnused) {
    for (const auto& member : *members_.GetMemberList()) {
        if (auto* place = member->IsPlace() ? dynamic_cast<Place*>(member.get()) : nullptr) {
            std::unique_ptr<Master> kept = place->ReleaseMaster(masters, false);
            (void)kept;
        }
    }
    return Place::ReleaseMaster(masters, removeUnused);
}

void PlaceGroup::GetAnchorRect(CRect& rect, int corner, bool) const {
    GetContentRect(rect, 1);
    switch (corner) {
    case 0:
        rect.right = bounds.right;
        rect.bottom = bounds.bottom;
        break;
    case 1:
        rect.left = bounds.left;
        rect.bottom = bounds.bottom;
        break;
    case 2:
        rect.left = bounds.left;
        rect.top = bounds.top;
        break;
    case 3:
        rect.right = bounds.right;
        rect.top = bounds.top;
        break;
    default:
        break;
    }
}

void PlaceGroup::Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
                      const CRect* toFrame, int flag) {
    const Looks resolved = Effective(imposed);
    const bool mapped = fromFrame != nullptr && toFrame != nullptr;
    CRect area = bounds;
    if (mapped)
        MapRectBetweenRects(bounds, area, *fromFrame, *toFrame, false);
    if (OptionSet(HighlightGroups))
        dc.FillSolidRect(ScaleByZoom(area, zoom), GetSysColor(COLOR_BTNFACE));

    bool drawnByTool = false;
    if (NotationTool* tool = ToolOf(master)) {
        const CRect frame = tool->SampleFrame();
        for (const auto& d : tool->Drawing()) {
            if (d->kindCode != TkText)
                d->Draw(dc, &resolved, zoom, &frame, &area, flag);
        }
        drawnByTool = true;
    }

    const DrawableList& members = members_.Members();
    const Looks* nameLooks = nullptr;
    for (const auto& member : members) {
        const auto* text = dynamic_cast<const TextPrimitive*>(member.get());
        if (text != nullptr && (text->textFlags & 0x1) != 0) {
            nameLooks = &member->looks;
            continue;
        }
        member->Draw(dc, &member->looks, zoom, fromFrame, toFrame, flag);
    }

    Looks plain = resolved;
    plain.fillColor = 17;
    const bool lane = IsSwimlane();
    if (members.empty()) {
        const int32_t inset = std::max<int32_t>(1, TruncToInt32(zoom));
        CRect box = area;
        box.DeflateRect(inset, inset);
        DrawLooksText(dc, plain, plain, MasterName(master) + "\n(no group members)", box, zoom);
    } else if ((placeFlags & PfGroupNoName) == 0) {
        Looks named = nameLooks != nullptr ? *nameLooks : resolved;
        if (drawnByTool || lane)
            named.fillColor = 17;
        if (lane) {
            CRect band = labelRect;
            band.DeflateRect(3, 3);
            const int32_t width = zoom >= 1.0 ? TruncToInt32(zoom) : 1;
            const LogPen oldPen = dc.SelectPen(PS_SOLID, width, ColorFromCode(resolved.lineColor));
            const LogBrush oldBrush = dc.SelectSolidBrush(GetSysColor(COLOR_BTNFACE));
            dc.Rectangle(ScaleByZoom(band, zoom));
            dc.SelectPen(oldPen);
            dc.SelectBrush(oldBrush);
        }
        if (master != nullptr && ToolOf(master) != nullptr)
            DrawName(*master, dc, *this, labelRect, named, zoom);
        else if (master != nullptr)
            DrawLooksText(dc, named, named, master->name, labelRect, zoom);
    }
    if ((placeFlags & PfGroupFrame) != 0 && !drawnByTool) {
        const Looks own = looks;
        looks = plain;
        Drawable::Draw(dc, nullptr, zoom, fromFrame, toFrame, flag);
        looks = own;
    }
    DrawJunctions(dc, &resolved, zoom);
    CRect marker;
    GetSubmodelMarkerRect(marker);
    DrawSubmodelMarker(dc, marker, master != nullptr && master->submodel != nullptr, zoom);
}

void PlaceGroup::PrepareDrawing() {
    const DrawableList& members = members_.Members();
    for (const auto& member : members)
        member->PrepareDrawing();
    if (!members.empty() && (placeFlags & PfGroupNoName) == 0 && master != nullptr &&
        ToolOf(master) != nullptr)
        nameRect = labelRect;
    PrepareJunctionGlyphs(*this);
}

int PlaceGroup::SetSelected(bool on) {
    members_.SetSelected(on);
    return Place::SetSelected(on);
}

void PlaceGroup::InvertKnobs(DeviceContext& dc, double zoom) {
    if (!IsSwimlane()) {
        Place::InvertKnobs(dc, zoom);
        return;
    }
    CRect band = labelRect;
    band.InflateRect(2, 2);
    dc.InvertRect(ScaleByZoom(band, zoom));
}

void PlaceGroup::UpdateRepaintRect() {
    members_.UpdateRepaintRect();
    Place::UpdateRepaintRect();
    const auto* lane = dynamic_cast<const Swimlane*>(this);
    if (lane == nullptr || lane->LaneModel() == nullptr)
        return;
    const CRect& page = lane->LaneModel()->pageMatrix;
    bounds.top = page.top;
    bounds.bottom = page.bottom;
    if (bounds.Width() < kMinLaneWidth) {
        const int32_t grow = (kMinLaneWidth - bounds.Width()) / 2;
        bounds.left = ClampCoordinate(int64_t(bounds.left) - grow);
        bounds.right = ClampCoordinate(int64_t(bounds.left) + kMinLaneWidth);
    }
    // The member group of a lane is the lane: its repaint area follows the
    // bounds set here, not the ones it held before (a lane narrowed step by
    // step would otherwise keep the widest area it ever had).
    members_.bounds = bounds;
    members_.repaintRect = bounds;
    members_.repaintRect.InflateRect(kRepaintMargin, kRepaintMargin);
    Drawable::UpdateRepaintRect();
}

Drawable* PlaceGroup::HitTest(int x, int y, int& part, int& knob, int hitFlags) {
    members_.labelRect = labelRect;
    Drawable* hit = members_.HitTest(x, y, part, knob, hitFlags);
    if (IsSwimlane() && y >= bounds.top && y <= bounds.bottom) {
        if (std::llabs(int64_t(x) - bounds.left) < 3) {
            part = HpSwimlaneEdge;
            knob = 0;
            return this;
        }
        if (std::llabs(int64_t(x) - bounds.right) < 3) {
            part = HpSwimlaneEdge;
            knob = 1;
            return this;
        }
    }
    if (hit == &members_) {
        const CPoint point(x, y);
        CRect marker;
        GetSubmodelMarkerRect(marker);
        if (OptionSet(ShowHyperLinks) && (part == HpBody || part == HpLabel)) {
            if (part == HpLabel && (hitFlags & 0xC) == 0 && HasAttachment())
                part = HpAttachment;
            else if (master != nullptr && master->submodel != nullptr && marker.PtInRect(point))
                part = HpSubmodelMarker;
        }
        return this;
    }
    for (const auto& junction : junctions_) {
        int junctionPart = HpNone, junctionKnob = 0;
        if (Drawable* j = junction->HitTest(x, y, junctionPart, junctionKnob, hitFlags)) {
            part = junctionPart;
            knob = junctionKnob;
            return j;
        }
    }
    return hit;
}

void PlaceGroup::MoveBy(int dx, int dy, CRect& dirty) {
    members_.MoveBy(dx, dy, dirty);
    Place::MoveBy(dx, dy, dirty);
}

void PlaceGroup::SetBounds(const CRect& rect, int flag) {
    Place::SetBounds(rect, flag);
    const uint32_t had = members_.flags & MoOutlineOnly;
    members_.flags |= MoOutlineOnly;
    members_.SetBounds(bounds, flag);
    members_.flags = (members_.flags & ~MoOutlineOnly) | had;
    UpdateRepaintRect();
    LayoutLabel();
}

int PlaceGroup::FlipOrRotate(int mode, const CRect& about, CRect& dirty) {
    const int changed = members_.FlipOrRotate(mode, about, dirty);
    UpdateRepaintRect();
    dirty.UnionRect(dirty, repaintRect);
    return changed;
}

void PlaceGroup::SaveBounds() {
    members_.SaveBounds();
    Place::SaveBounds();
}

std::string* PlaceGroup::GetEditableText(CRect& rect) {
    std::string* text = Place::GetEditableText(rect);
    rect = labelRect;
    return text;
}

void PlaceGroup::CollectIfConnected(Master* shown, DrawableRefList* inheritances,
                                    DrawableRefList* realizations, DrawableRefList* compositions,
                                    DrawableRefList* others) {
    for (const auto& member : members_.Members()) {
        if (member->IsLink())
            member->CollectIfConnected(shown, inheritances, realizations, compositions, others);
    }
}

void PlaceGroup::CollectMarkedMembers(DrawableRefList& found) {
    members_.CollectMarkedMembers(found);
}

void PlaceGroup::TakeMarkedMembers(DrawableList& taken) {
    members_.TakeMarkedMembers(taken);
}

int PlaceGroup::FindReplaceText(ModelDocument* document, const std::string& word,
                                const std::string& replacement, int options) {
    return Place::FindReplaceText(document, word, replacement, options) +
           members_.FindReplaceText(document, word, replacement, options);
}

void PlaceGroup::LayoutLabel() {
    if (!IsSwimlane()) {
        for (const auto& member : members_.Members()) {
            const auto* text = dynamic_cast<const TextPrimitive*>(member.get());
            if (text != nullptr && text->kindCode == TkText && (text->textFlags & 0x1) != 0 &&
                (text->textFlags & 0x4) == 0) {
                labelRect = member->bounds;
                hasTitle = 1;
                return;
            }
        }
    }
    hasTitle = 0;
    labelRect.SetRect(bounds.left, bounds.top, bounds.right,
                      ClampCoordinate(int64_t(bounds.top) + kGroupTitleHeight));
    labelRect.DeflateRect(3, 3);
}

void PlaceGroup::ComputeAutoSize(DeviceContext*, CRect& rect) {
    rect = bounds;
}

// ---- the operations PlaceGroup adds ----

void PlaceGroup::Fill(DrawableList& list, Master* shown, const CRect* laneRect) {
    members_.AddMembers(list);
    Setup(TkPlaceGroup, members_.bounds, shown, true);
    placeFlags |= PfGroupFrame;
    if (laneRect != nullptr) {
        placeFlags |= PfSwimlane;
        bounds = ClampRect(*laneRect);
    } else {
        bounds.InflateRect(4, 4);
        bounds = ClampRect(bounds);
    }
    members_.bounds = bounds;
    members_.SetParent(this);
    UpdateRepaintRect();
    LayoutLabel();
}

void PlaceGroup::DrawDropHighlight(DeviceContext& dc, double zoom) {
    if (dropState == 0)
        return;
    const int32_t width = zoom >= 1.0 ? TruncToInt32(4 * TruncToInt32(zoom)) : 4;
    const COLORREF color = dropState == 1 ? RGB(0, 0, 255) : RGB(255, 0, 0);
    const int oldRop = dc.SetROP2(R2_NOTXORPEN);
    const LogPen oldPen = dc.SelectPen(PS_SOLID, width, color);
    const LogBrush oldBrush = dc.SelectSolidBrush(RGB(255, 255, 255));
    dc.Rectangle(ScaleByZoom(bounds, zoom));
    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
    dc.SetROP2(oldRop);
}

void PlaceGroup::GetContentRect(CRect& rect, int flag) const {
    if (members_.Members().empty()) {
        const CPoint c = bounds.CenterPoint();
        rect.SetRect(c.x - 10, c.y - 10, c.x + 10, c.y + 10);
    } else {
        members_.MembersBounds(rect, (flag & 1) != 0);
        if (!MasterName(master).empty() && hasTitle == 0)
            rect.top = ClampCoordinate(int64_t(rect.top) - labelRect.Height());
    }
    rect.InflateRect(4, 4);
    rect = ClampRect(rect);
}

PlaceGroup* PlaceGroup::GroupAt(int x, int y, const Drawable* excluded) {
    if (!bounds.PtInRect(CPoint(x, y)))
        return nullptr;
    for (const auto& member : members_.Members()) {
        if (member.get() == excluded)
            continue;
        if (PlaceGroup* nested = AsPlaceGroup(member.get())) {
            if (PlaceGroup* inner = nested->GroupAt(x, y, excluded))
                return inner;
        }
        int part = 0, knob = 0;
        if (member->HitTest(x, y, part, knob, 0) != nullptr)
            return this;
    }
    int part = 0, knob = 0;
    return HitTest(x, y, part, knob, 0) != nullptr ? this : nullptr;
}

bool PlaceGroup::ContainsMember(const Drawable* drawable, bool recurse, bool viaContainer,
                                PlaceGroup** container) const {
    if (members_.HasMember(drawable))
        return true;
    if (recurse) {
        for (const auto& member : members_.Members()) {
            const PlaceGroup* nested = AsPlaceGroup(member.get());
            if (nested != nullptr && nested->ContainsMember(drawable, true, false, nullptr))
                return true;
        }
    }
    if (!viaContainer || Parent() == nullptr)
        return false;
    PlaceGroup* outer = AsPlaceGroup(Parent()->Parent());
    if (outer != nullptr && outer->ContainsMember(drawable, false, false, nullptr)) {
        if (container != nullptr)
            *container = outer;
        return true;
    }
    return false;
}

void PlaceGroup::FitTo(const CRect& rect, CRect& dirty) {
    if ((placeFlags & PfGroupFits) == 0 || IsSwimlane())
        return;
    dirty.UnionRect(rect, bounds);
    CRect fitted;
    GetContentRect(fitted, 0);
    if (Parent() != nullptr) {
        if (PlaceGroup* outer = AsPlaceGroup(Parent()->Parent())) {
            CRect limit = outer->bounds;
            limit.DeflateRect(4, 4);
            fitted.IntersectRect(fitted, limit);
        }
    }
    SetBounds(fitted);
    dirty.UnionRect(dirty, repaintRect);
}

void PlaceGroup::AddMember(DrawableModel* model, Drawable* drawable, CRect& rect, CRect& dirty) {
    if (model != nullptr && drawable != this)
        members_.AdoptFromModel(model, drawable);
    FitTo(rect, dirty);
    GetContentRect(rect, 0);
}

void PlaceGroup::ReleaseMember(DrawableModel* model, Drawable* drawable, CRect& rect,
                               CRect& dirty) {
    std::unique_ptr<Drawable> taken = members_.RemoveMember(drawable);
    if (taken != nullptr) {
        if (model != nullptr)
            model->AddDrawable(std::move(taken));
        else
            members_.AddMember(std::move(taken)); // nowhere else to keep it
    }
    FitTo(rect, dirty);
    GetContentRect(rect, 0);
}

PlaceGroup* PlaceGroup::FindDropTarget(const Drawable* drawable) {
    if (drawable == nullptr || !bounds.PtInRect(drawable->bounds.TopLeft()))
        return nullptr;
    for (const auto& member : members_.Members()) {
        PlaceGroup* nested = AsPlaceGroup(member.get());
        if (nested != nullptr && nested != drawable) {
            if (PlaceGroup* inner = nested->FindDropTarget(drawable))
                return inner;
        }
    }
    return this;
}

void PlaceGroup::CopySymbol(const PrimitiveGroup& symbol, Master* shown) {
    members_.AssignFrom(nullptr, symbol);
    Setup(TkPlaceGroup, members_.bounds, shown, true);
    style = DsGroup;
    members_.SetParent(this);
    LayoutLabel();
}

CPoint PlaceGroup::AnchorPoint(int x, int y) const {
    CRect frame = bounds;
    frame.NormalizeRect();
    const int32_t side = x < frame.CenterPoint().x ? frame.left : frame.right;
    return CPoint(side, std::clamp<int32_t>(y, frame.top, frame.bottom));
}

int PlaceGroup::MaxFloaterNumber() const {
    return MaxNumberIn(members_.Members(), 0);
}

void PlaceGroup::CollectLinks(DrawableRefList& links) const {
    for (const auto& member : members_.Members()) {
        if (member->IsLink())
            links.push_back(member.get());
        else if (const PlaceGroup* nested = AsPlaceGroup(member.get()))
            nested->CollectLinks(links);
    }
}

void PlaceGroup::CollectMasterNames(std::vector<std::string>& names) const {
    for (const auto& member : members_.Members()) {
        if (const PlaceGroup* nested = AsPlaceGroup(member.get())) {
            nested->CollectMasterNames(names);
        } else if (member->IsPlace()) {
            auto* node = dynamic_cast<NodeDrawable*>(member.get());
            const Master* shown = node != nullptr ? node->GetMaster() : nullptr;
            if (shown != nullptr && !shown->name.empty())
                names.push_back(shown->name);
        }
    }
}

// ---- the record ----

void PlaceGroup::CheckPlaceKind() const {
    if (kind != DkPlace)
        RecordFormatError("placeGroup", Format("kind %d expected, got %d", DkPlace, kind));
    if (kindCode != TkPlaceGroup)
        RecordFormatError("placeGroup", Format("kind code %d does not suit the record", kindCode));
    if ((style & (DsGroup | DsScenarioPlace)) != DsGroup)
        RecordFormatError("placeGroup", Format("style %d does not suit the record", style));
}

Cell* PlaceGroup::WriteGroup(GuidScope* scope) {
    Cell* own = kest::mklist(kest::sym::placeGroup, members_.Persist(scope, nil), nullptr);
    return kest::nconc(own, WritePlace(scope));
}

Cell* PlaceGroup::ReadGroup(GuidScope* scope, Cell* list) {
    ExpectHead(list, kest::sym::placeGroup);
    RecordReader r(kest::cdr(list), "placeGroup");
    Cell* groupRecord = r.Take("member group");
    if (!kest::ispair(groupRecord))
        r.Fail("member group", "a group record");
    Cell* after = nil;
    try {
        if (!members_.Members().empty())
            RecordFormatError("placeGroup", "the group is read once");
        members_.Persist(scope, groupRecord);
        Cell* rest = r.Rest();
        if (rest == nil || !kest::ispair(rest))
            r.Fail("place", "a place record");
        after = ReadPlace(scope, rest);
    } catch (...) {
        // The member group and what it read leave the map with it.
        members_.Detach(scope);
        throw;
    }
    members_.SetParent(this);
    if (labelRect.IsRectEmpty())
        LayoutLabel();
    return after;
}

Cell* PlaceGroup::Persist(GuidScope* scope, Cell* list) {
    if (list == nil)
        return WriteGroup(scope);
    Cell* after = ReadGroup(scope, list);
    // Only a swimlane record makes a lane.
    placeFlags &= ~uint32_t(PfSwimlane);
    return after;
}

// ======================= swimlanes =======================

Swimlane::Swimlane(GuidMap* map) : PlaceGroup(map) {
    placeFlags |= PfSwimlane;
}

Swimlane::~Swimlane() {
    SetPreviousLane(nullptr);
    SetNextLane(nullptr);
    for (Swimlane* lane : namedBy_) {
        if (lane->previous_ == this)
            lane->previous_ = nullptr;
        if (lane->next_ == this)
            lane->next_ = nullptr;
    }
}

void Swimlane::Forget(Swimlane* lane) {
    // Still named through the other link: keep the entry.
    if (lane->previous_ == this || lane->next_ == this)
        return;
    namedBy_.erase(std::remove(namedBy_.begin(), namedBy_.end(), lane), namedBy_.end());
}

void Swimlane::SetPreviousLane(Swimlane* lane) {
    if (lane == this)
        lane = nullptr;
    Swimlane* old = previous_;
    previous_ = lane;
    if (old != nullptr && old != lane)
        old->Forget(this);
    if (lane != nullptr &&
        std::find(lane->namedBy_.begin(), lane->namedBy_.end(), this) == lane->namedBy_.end())
        lane->namedBy_.push_back(this);
}

void Swimlane::SetNextLane(Swimlane* lane) {
    if (lane == this)
        lane = nullptr;
    Swimlane* old = next_;
    next_ = lane;
    if (old != nullptr && old != lane)
        old->Forget(this);
    if (lane != nullptr &&
        std::find(lane->namedBy_.begin(), lane->namedBy_.end(), this) == lane->namedBy_.end())
        lane->namedBy_.push_back(this);
}

void Swimlane::Unlink(bool clear) {
    if (previous_ != nullptr)
        previous_->SetNextLane(next_);
    if (next_ != nullptr)
        next_->SetPreviousLane(previous_);
    if (clear) {
        SetPreviousLane(nullptr);
        SetNextLane(nullptr);
    }
}

void Swimlane::Relink() {
    if (previous_ != nullptr)
        previous_->SetNextLane(this);
    if (next_ != nullptr)
        next_->SetPreviousLane(this);
}

void Swimlane::GetDragLimits(CRect& rect) const {
    rect.SetRectEmpty();
    CRect content;
    if (previous_ != nullptr) {
        previous_->GetContentRect(content, 1);
        rect.left = content.right;
    }
    if (next_ != nullptr) {
        next_->GetContentRect(content, 1);
        rect.right = content.left;
    }
}

void Swimlane::GetSubmodelMarkerRect(CRect& rect) const {
    rect.SetRect(bounds.right - 8, bounds.top, bounds.right, bounds.top + 8);
}

void Swimlane::GetAnchorRect(CRect& rect, int corner, bool centred) const {
    PlaceGroup::GetAnchorRect(rect, corner, centred);
    if (model_ == nullptr)
        return;
    rect.top = std::max(rect.top, model_->pageMatrix.top);
    rect.bottom = std::min(rect.bottom, model_->pageMatrix.bottom);
}

void Swimlane::ResolveRefs(ModelDocument* document, GuidScope* scope, DrawableModel* model) {
    PlaceGroup::ResolveRefs(document, scope, model);
    auto lane = [&](ObjectRef& ref) -> Swimlane* {
        const ObjectRef pending = ref;
        ref = ObjectRef();
        if (pending.IsObject())
            return dynamic_cast<Swimlane*>(pending.Object());
        if (pending.IsNil())
            return nullptr;
        if (model != nullptr && pending.IsText())
            return dynamic_cast<Swimlane*>(FindObjectIn(*model, scope, pending.Text()));
        return dynamic_cast<Swimlane*>(pending.ResolveIn(scope));
    };
    if (!previousRef_.IsNil() || previousRef_.IsObject())
        SetPreviousLane(lane(previousRef_));
    if (!nextRef_.IsNil() || nextRef_.IsObject())
        SetNextLane(lane(nextRef_));
    if (modelRef_.IsNil() && !modelRef_.IsObject())
        return;
    const ObjectRef pending = modelRef_;
    modelRef_ = ObjectRef();
    ModelObject* found = nullptr;
    if (pending.IsObject()) {
        found = pending.Object();
    } else {
        auto* own = dynamic_cast<Model*>(model);
        if (own != nullptr && pending.IsText() && own->guid == pending.Text())
            found = own;
        else if (document != nullptr && pending.IsText())
            found = document->FindTopLevelModel(pending.Text());
        if (found == nullptr)
            found = pending.ResolveIn(scope);
    }
    // A lane whose model is not found keeps its own top and bottom.
    model_ = dynamic_cast<Model*>(found);
}

Cell* Swimlane::Persist(GuidScope* scope, Cell* list) {
    if (list == nil) {
        auto id = [](const Swimlane* lane, const ObjectRef& ref) -> const char* {
            if (lane != nullptr)
                return IdOf(lane);
            return ref.IsText() ? ref.Text() : "";
        };
        const char* modelId = model_ != nullptr    ? IdOf(model_)
                              : modelRef_.IsText() ? modelRef_.Text()
                                                   : "";
        Cell* own = kest::mklist(kest::sym::swimlane, kest::mkstr(id(previous_, previousRef_)),
                                 kest::mkstr(id(next_, nextRef_)), kest::mkstr(modelId), nullptr);
        return kest::nconc(own, WriteGroup(scope));
    }
    ExpectHead(list, kest::sym::swimlane);
    RecordReader r(kest::cdr(list), "swimlane");
    const GuidMap* map = scope != nullptr ? scope->current : nullptr;
    ObjectRef refs[3];
    static const char* const kFields[3] = {"previous lane", "next lane", "model"};
    for (int i = 0; i < 3; ++i) {
        Cell* cell = r.Peek();
        if (cell == nullptr || (cell->type != kest::TString && cell != nil))
            r.Fail(kFields[i], "id text");
        refs[i] = r.Ref(map, kFields[i]);
    }
    Cell* rest = r.Rest();
    if (rest == nil || !kest::ispair(rest))
        r.Fail("placeGroup", "a place group record");
    Cell* after = ReadGroup(scope, rest);
    placeFlags |= PfSwimlane;
    SetPreviousLane(nullptr);
    SetNextLane(nullptr);
    model_ = nullptr;
    previousRef_ = refs[0];
    nextRef_ = refs[1];
    modelRef_ = refs[2];
    return after;
}

} // namespace qm
