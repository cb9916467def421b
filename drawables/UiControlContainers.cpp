// The container controls: the group box with its embedded member group and
// client area, the container hit test and member selection, the list box
// with its header cells, the tab control with its pages and tabs, and the
// window with its caption bar and close box.
#include "drawables/UiControl.h"

#include "drawables/ShapeGeometry.h"
#include "drawables/ZoomScaling.h"

#include <algorithm>

namespace qm {

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
// The strip above a group box's client area, where its caption stands.
constexpr int32_t kCaptionStrip = 15;
// The width of a list box's scroll bar and the height of its header.
constexpr int32_t kScrollWidth = 15;
constexpr int32_t kTabHeight = 20;

} // namespace

// ======================= group box =======================

UiGroupBoxControl::UiGroupBoxControl(GuidMap* map) : UiControlPlace(map), members_(map) {
    members_.SetParent(this);
}

UiGroupBoxControl::~UiGroupBoxControl() = default;

std::unique_ptr<ModelObject> UiGroupBoxControl::Clone() const {
    return CloneOf(*this);
}

void UiGroupBoxControl::Detach(GuidScope* scope) {
    members_.Detach(scope);
    UiControlPlace::Detach(scope);
}

void UiGroupBoxControl::MarkFiltered(int value, int mask, Drawable* filter) {
    if ((mask & (0x2 | 0x4 | 0x8)) != 0)
        members_.MarkFiltered(value, mask, filter);
    UiControlPlace::MarkFiltered(value, mask, filter);
}

// The members first, so that the cycle check of the control's own parent sees them.
void UiGroupBoxControl::ResolveRefs(ModelDocument* document, GuidScope* scope,
                                    DrawableModel* model) {
    members_.ResolveRefs(document, scope, model);
    members_.SetParent(this);
    UiControlPlace::ResolveRefs(document, scope, model);
}

int32_t UiGroupBoxControl::CaptionStrip() const {
    return kCaptionStrip;
}

void UiGroupBoxControl::UpdateRepaintRect() {
    UiControlPlace::UpdateRepaintRect();
    CRect client = bounds;
    client.top = ClampCoordinate(int64_t(client.top) + CaptionStrip());
    client.DeflateRect(4, 4);
    members_.bounds = client;
    members_.repaintRect = client;
    members_.repaintRect.InflateRect(kRepaintMargin, kRepaintMargin);
}

void UiGroupBoxControl::ResetLabelRect() {
    const int32_t right =
        std::min<int64_t>(bounds.right, int64_t(bounds.left) + 8 + captionSize_.cx + 4);
    labelRect.SetRect(bounds.left + 8, bounds.top, std::max(bounds.left + 8, right),
                      bounds.top + std::min(kCaptionStrip, std::max(0, bounds.Height())));
}

Drawable* UiGroupBoxControl::HitTest(int x, int y, int& part, int& knob, int flags) {
    const CPoint point(x, y);
    // Outside the bounds only the knobs count, as for every drawable.
    if (!bounds.PtInRect(point))
        return UiControlPlace::HitTest(x, y, part, knob, flags);
    part = HpNone;
    if (!repaintRect.PtInRect(point))
        return nullptr;
    if (labelRect.PtInRect(point)) {
        part = HpLabel;
        return this;
    }
    if (!ClientArea().PtInRect(point)) {
        part = kHitControlFrame;
        return this;
    }
    for (const auto& member : members_.Members()) {
        int memberPart = HpNone, memberKnob = 0;
        if (Drawable* hit = member->HitTest(x, y, memberPart, memberKnob, flags)) {
            part = memberPart;
            knob = memberKnob;
            return hit;
        }
    }
    part = HpBody;
    return this;
}

void UiGroupBoxControl::GetBounds(CRect& rect) const {
    rect = ClientArea();
}

void UiGroupBoxControl::MoveBy(int dx, int dy, CRect& dirty) {
    members_.MoveBy(dx, dy, dirty);
    UiControlPlace::MoveBy(dx, dy, dirty);
}

void UiGroupBoxControl::SetBounds(const CRect& rect, int flag) {
    UiControlPlace::SetBounds(rect, flag);
}

void UiGroupBoxControl::SaveBounds() {
    members_.SaveBounds();
    UiControlPlace::SaveBounds();
}

void UiGroupBoxControl::CollectMarkedMembers(DrawableRefList& found) {
    members_.CollectMarkedMembers(found);
}

void UiGroupBoxControl::TakeMarkedMembers(DrawableList& taken) {
    members_.TakeMarkedMembers(taken);
}

int UiGroupBoxControl::FindReplaceText(ModelDocument* document, const std::string& word,
                                       const std::string& replacement, int options) {
    return members_.FindReplaceText(document, word, replacement, options);
}

void UiGroupBoxControl::MakeDefaultName(int code, const CRect& rect) {
    UiControlPlace::MakeDefaultName(code, rect);
    UpdateRepaintRect();
}

int UiGroupBoxControl::AddMember(std::unique_ptr<Drawable>& member) {
    if (member == nullptr)
        return 0;
    Drawable* added = members_.AddMember(std::move(member));
    CRect moved;
    const CSize offset = MoveRectInside(ClientArea(), added->bounds, moved);
    if (offset.cx != 0 || offset.cy != 0) {
        CRect dirty;
        added->MoveBy(offset.cx, offset.cy, dirty);
    }
    return 1;
}

void UiGroupBoxControl::GetDefaultSize(CSize& size, CRect& content) {
    members_.MembersBounds(content, false);
    content.InflateRect(4, 4);
    size = CSize(18 + content.Width(), 33 + content.Height());
}

void UiGroupBoxControl::SelectMembersInRect(DrawableModel* model, int a, int b, const CRect* area,
                                            bool toggle) {
    if (model == nullptr)
        return;
    auto choose = [&](Drawable* drawable) {
        const bool on = !(toggle && drawable->IsSelected(false));
        model->Select(drawable, on ? 1 : 0, a, b);
    };
    bool anySelected = false;
    for (const auto& member : members_.Members()) {
        if (area == nullptr) {
            if (!member->IsSelected(false))
                model->Select(member.get(), 1, a, b);
        } else {
            CRect inner = member->repaintRect;
            inner.DeflateRect(kRepaintMargin, kRepaintMargin);
            CRect common;
            if (common.IntersectRect(inner, *area))
                choose(member.get());
        }
        anySelected = anySelected || member->IsSelected(false);
    }
    if (anySelected || area == nullptr)
        return;
    CRect common;
    const bool meets = area->IsRectEmpty() ? bounds.PtInRect(area->TopLeft())
                                           : common.IntersectRect(*area, bounds);
    if (meets)
        choose(this);
}

void UiGroupBoxControl::DrawMembers(DeviceContext& dc, const Looks* imposed, double zoom,
                                    const CRect* fromFrame, const CRect* toFrame, int flag) {
    Looks resolved = Effective(imposed);
    resolved.style |= kStyleInherit;
    for (const auto& member : members_.Members())
        member->Draw(dc, &resolved, zoom, fromFrame, toFrame, flag);
}

void UiGroupBoxControl::Draw(DeviceContext& dc, const Looks* imposed, double zoom,
                             const CRect* fromFrame, const CRect* toFrame, int flag) {
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    const TextSetup saved = BeginText(dc, imposed, zoom, kBlack, face);
    const CRect device = ToDevice(bounds, zoom, fromFrame, toFrame);
    const int32_t strip = ScaleLengthByZoom(kCaptionStrip, zoom);
    CRect frame = device;
    frame.top = std::min(frame.top + strip / 2, frame.bottom);
    Draw3DFrame(dc, frame, ControlPenWidth(zoom), kFrameEtched, &face);
    // The caption on the face colour, cutting the frame's top edge.
    const CSize extent = dc.GetTextExtent(caption);
    const double scale = zoom > 0 ? zoom : 1.0;
    captionSize_ = CSize(TruncToInt32(extent.cx / scale), TruncToInt32(extent.cy / scale));
    CRect text(device.left + ScaleUnitByZoom(8, zoom), device.top, device.right,
               device.top + strip);
    dc.SetBkMode(OPAQUE);
    DrawTextCentred(dc, caption, text, DT_LEFT | DT_SINGLELINE);
    EndText(dc, saved);
    DrawMembers(dc, imposed, zoom, fromFrame, toFrame, flag);
}

// ======================= list box =======================

UiListBoxControl::UiListBoxControl(GuidMap* map) : UiGroupBoxControl(map) {
    controlFlags |= kControlCaption | kControlCaptionAbove;
    labelRect.SetRect(bounds.left, bounds.top, bounds.left, bounds.top);
}

std::unique_ptr<ModelObject> UiListBoxControl::Clone() const {
    return CloneOf(*this);
}

void UiListBoxControl::GetDefaultSize(CSize& size, CRect& content) {
    UiGroupBoxControl::GetDefaultSize(size, content);
    size.cx += 15;
    size.cy += 15;
}

void UiListBoxControl::ResetLabelRect() {
    if (ShowsCaption()) {
        labelRect = CaptionRect();
        return;
    }
    labelRect.SetRect(bounds.left, bounds.top, bounds.left, bounds.top);
}

void UiListBoxControl::Draw(DeviceContext& dc, const Looks* imposed, double zoom,
                            const CRect* fromFrame, const CRect* toFrame, int) {
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    const COLORREF white = kWhite;
    const TextSetup saved = BeginText(dc, imposed, zoom, kBlack, face);
    const int32_t w = ControlPenWidth(zoom);
    CRect body = bounds;
    LayoutCaption(dc, zoom, body);
    Draw3DFrame(dc, ToDevice(body, zoom, fromFrame, toFrame), w, kFrameRaisedLit, &white);
    if (ShowsCaption())
        DrawCaption(dc, zoom, fromFrame, toFrame);
    DrawVScrollBar(dc, body.right - kScrollWidth, body.top, body.right, body.bottom, zoom,
                   fromFrame, toFrame);
    // The header: one cell per member, each showing that member's caption.
    const DrawableList& list = members_.Members();
    const int32_t cells = std::max<int32_t>(1, int32_t(std::min<size_t>(list.size(), 100000)));
    const int32_t stripLeft = body.left, stripRight = body.right - kScrollWidth;
    const int32_t cellWidth = (stripRight - stripLeft) / cells;
    auto member = list.begin();
    for (int32_t i = 0; i < cells; ++i) {
        const int32_t left = stripLeft + i * cellWidth;
        const CRect cell =
            ToDevice(CRect(left, body.top, left + cellWidth, body.top + kScrollWidth), zoom,
                     fromFrame, toFrame);
        Draw3DFrame(dc, cell, w, kFrameRaisedLit, &face);
        if (member == list.end())
            continue;
        if (const auto* control = dynamic_cast<const UiControlPlace*>(member->get())) {
            CRect text = cell;
            text.DeflateRect(0, w);
            text.left += 2 * w;
            DrawTextCentred(dc, control->caption, text, DT_LEFT | DT_SINGLELINE);
        }
        ++member;
    }
    EndText(dc, saved);
}

// ======================= tab control =======================

UiTabControl::UiTabControl(GuidMap* map) : UiGroupBoxControl(map) {}

UiTabControl::~UiTabControl() = default;

std::unique_ptr<ModelObject> UiTabControl::Clone() const {
    return CloneOf(*this);
}

void UiTabControl::CopyControl(const UiControlPlace& other) {
    UiGroupBoxControl::CopyControl(other);
    const auto* tabs = dynamic_cast<const UiTabControl*>(&other);
    if (tabs == nullptr)
        return;
    // Pages belong to one control: the copy gets pages of its own.
    pages_.clear();
    for (const auto& page : tabs->pages_) {
        auto copy = std::make_unique<UiGroupBoxControl>();
        copy->Assign(page.get());
        copy->controlNumber = page->controlNumber;
        pages_.push_back(std::move(copy));
    }
    currentPage_ = tabs->currentPage_;
}

void UiTabControl::Detach(GuidScope* scope) {
    for (const auto& page : pages_)
        page->Detach(scope);
    UiGroupBoxControl::Detach(scope);
}

void UiTabControl::UpdateRepaintRect() {
    UiGroupBoxControl::UpdateRepaintRect();
    LayoutTabs();
}

void UiTabControl::MoveBy(int dx, int dy, CRect& dirty) {
    UiGroupBoxControl::MoveBy(dx, dy, dirty);
    for (const auto& page : pages_) {
        CRect pageDirty;
        page->MoveBy(dx, dy, pageDirty);
    }
}

void UiTabControl::ResetLabelRect() {
    labelRect.SetRect(bounds.left, bounds.top, bounds.left, bounds.top);
}

void UiTabControl::GetDefaultSize(CSize& size, CRect& content) {
    UiGroupBoxControl::GetDefaultSize(size, content);
    size.cx += 15;
    size.cy += 15;
}

UiGroupBoxControl* UiTabControl::AddTab(ModelDocument*, int index, const std::string& text) {
    // Pages are parts of the control, written inside its record without ids
    // of their own, so they enter no id map.
    auto page = std::make_unique<UiGroupBoxControl>();
    page->kindCode = TkUiGroupBox;
    page->controlFlags = kControlDefaultFlags;
    page->numbers = {0, 32, 16};
    page->caption = text;
    page->bounds = bounds;
    UiGroupBoxControl* added = page.get();
    const size_t at = size_t(std::clamp<int64_t>(index, 0, int64_t(pages_.size())));
    pages_.insert(pages_.begin() + std::ptrdiff_t(at), std::move(page));
    LayoutTabs();
    return added;
}

std::unique_ptr<UiGroupBoxControl> UiTabControl::RemoveTab(int index) {
    if (index < 0 || index >= PageCount())
        return nullptr;
    std::unique_ptr<UiGroupBoxControl> page = std::move(pages_[size_t(index)]);
    pages_.erase(pages_.begin() + index);
    currentPage_ = std::clamp<int32_t>(currentPage_, 0, std::max(0, PageCount() - 1));
    LayoutTabs();
    return page;
}

void UiTabControl::SetPageCaptions(const std::vector<std::string>& captions) {
    while (size_t(PageCount()) > captions.size())
        RemoveTab(PageCount() - 1);
    for (size_t i = 0; i < captions.size(); ++i) {
        if (i < pages_.size())
            pages_[i]->caption = captions[i];
        else
            AddTab(nullptr, PageCount(), captions[i]);
    }
    LayoutTabs();
}

void UiTabControl::LayoutTabs() {
    const int64_t n = std::max<int64_t>(1, int64_t(pages_.size()));
    const int64_t width = (int64_t(bounds.Width()) - n + 1) / n;
    int64_t left = bounds.left;
    for (const auto& page : pages_) {
        page->bounds = bounds;
        page->UpdateRepaintRect();
        page->labelRect =
            ClampRect(CRect(ClampCoordinate(left), bounds.top, ClampCoordinate(left + width),
                            ClampCoordinate(int64_t(bounds.top) + kTabHeight)));
        left += width + 1;
    }
}

UiGroupBoxControl* UiTabControl::Page(int index) const {
    if (index < 0 || size_t(index) >= pages_.size())
        return nullptr;
    return pages_[size_t(index)].get();
}

void UiTabControl::SetCurrentPage(int index) {
    if (index >= 0 && size_t(index) < pages_.size())
        currentPage_ = index;
}

void UiTabControl::Draw(DeviceContext& dc, const Looks* imposed, double zoom,
                        const CRect* fromFrame, const CRect* toFrame, int /*flag*/) {
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    const TextSetup saved = BeginText(dc, imposed, zoom, kBlack, face);
    const int32_t w = ControlPenWidth(zoom);
    for (size_t i = 0; i < pages_.size(); ++i) {
        const UiGroupBoxControl& page = *pages_[i];
        const CRect area = ToDevice(page.bounds, zoom, fromFrame, toFrame);
        const CRect tab = ToDevice(page.labelRect, zoom, fromFrame, toFrame);
        const bool current = int32_t(i) == currentPage_;
        if (current) {
            const CRect body(area.left, std::min(tab.bottom, area.bottom), area.right, area.bottom);
            Draw3DFrame(dc, body, w, kFrameRaisedLit, &face);
        }
        DrawTabFace(dc, tab, page.caption, w, face, current);
    }
    EndText(dc, saved);
    // A tab control stands for its tabs and pages only: it draws neither its
    // caption nor what was put on it.
}

// ======================= window =======================

UiWindowControl::UiWindowControl(GuidMap* map) : UiGroupBoxControl(map) {
    kindCode = kUiWindowKindCode;
    style |= DsImmovable;
    looks.style |= kStyleBold;
    controlFlags = kControlDefaultFlags;
    caption = "Untitled";
    numbers = {0, 32, 16};
}

std::unique_ptr<ModelObject> UiWindowControl::Clone() const {
    return CloneOf(*this);
}

int32_t UiWindowControl::CaptionStrip() const {
    return GetSystemMetrics(SM_CYCAPTION);
}

void UiWindowControl::ResetLabelRect() {
    labelRect = bounds;
    labelRect.DeflateRect(2, 2);
    labelRect.bottom =
        std::min<int64_t>(labelRect.bottom, int64_t(labelRect.top) + CaptionStrip() - 1);
}

// The members' rectangle is measured from the window's top-left corner, so
// that the size does not depend on where the window stands.
void UiWindowControl::GetDefaultSize(CSize& size, CRect& content) {
    content.SetRectEmpty();
    if (members_.Members().empty()) {
        size = CSize(68, 18 + CaptionStrip());
        return;
    }
    CRect members;
    members_.MembersBounds(members, false);
    size = CSize(TruncToInt32(double(members.right) - bounds.left + 4),
                 TruncToInt32(double(members.bottom) - bounds.top + 4));
}

void UiWindowControl::Draw(DeviceContext& dc, const Looks* imposed, double zoom,
                           const CRect* fromFrame, const CRect* toFrame, int flag) {
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    const COLORREF title = GetSysColor(COLOR_ACTIVECAPTION);
    const TextSetup saved = BeginText(dc, imposed, zoom, kWhite, title);
    const int32_t w = ControlPenWidth(zoom);
    Draw3DFrame(dc, ToDevice(bounds, zoom, fromFrame, toFrame), w, kFrameRaised, &face);
    CRect barModel = bounds;
    barModel.DeflateRect(2, 2);
    barModel.bottom =
        std::min<int64_t>(barModel.bottom, int64_t(barModel.top) + CaptionStrip() - 1);
    const CRect bar = ToDevice(barModel, zoom, fromFrame, toFrame);
    dc.FillSolidRect(bar, title);
    const int32_t s2 = ScaleUnitByZoom(2, zoom), s3 = ScaleUnitByZoom(3, zoom);
    const int32_t s15 = ScaleUnitByZoom(15, zoom);
    CRect text = bar;
    text.DeflateRect(s3, s2);
    text.right -= s15;
    DrawTextCentred(dc, caption, text, DT_LEFT | DT_SINGLELINE);
    // The close box at the bar's right end.
    CRect box = bar;
    box.DeflateRect(s2, s2);
    box.right -= w;
    box.bottom -= w;
    box.left = box.right - s15;
    if (!box.IsRectEmpty() && box.left >= bar.left) {
        Draw3DFrame(dc, box, w, kFrameRaisedLit, &face);
        const LogPen old = dc.SelectPen(PS_SOLID, s2, GetSysColor(COLOR_BTNTEXT));
        dc.MoveTo(box.left + s3, box.top + s2);
        dc.LineTo(box.right - s3, box.bottom - s2);
        dc.MoveTo(box.right - s3, box.top + s2);
        dc.LineTo(box.left + s3, box.bottom - s2);
        dc.SelectPen(old);
    }
    EndText(dc, saved);
    DrawMembers(dc, imposed, zoom, fromFrame, toFrame, flag);
}

} // namespace qm
