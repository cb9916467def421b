// The control base and the simple controls: the control counter, set-up and
// copying, the 3-D frame, tab face and scroll bar drawing in the fixed system
// colours, caption layout, default sizes, each simple class's drawing, and
// the factory that makes a control by its kind code.
#include "drawables/UiControl.h"

#include "drawables/FontFaceTable.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/ZoomScaling.h"
#include "model/GuidMap.h"
#include "model/ListRecords.h"
#include "model/ModelDocument.h"
#include "platform/Format.h"

#include <algorithm>

namespace qm {

namespace {

int32_t controlCounter = 1000;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// The four pens of a frame arrangement, w wide.
struct FramePens {
    LogPen outerTopLeft, innerTopLeft, outerBottomRight, innerBottomRight;
    FramePens(const FrameColors& c, int32_t w)
        : outerTopLeft{PS_SOLID, w, GetSysColor(c.outerTopLeft)},
          innerTopLeft{PS_SOLID, w, GetSysColor(c.innerTopLeft)},
          outerBottomRight{PS_SOLID, w, GetSysColor(c.outerBottomRight)},
          innerBottomRight{PS_SOLID, w, GetSysColor(c.innerBottomRight)} {}
};

// The fill of a frame: r deflated by 2w, with w added to right and bottom.
CRect FrameFill(const CRect& r, int32_t w) {
    return CRect(r.left + 2 * w, r.top + 2 * w, r.right - w, r.bottom - w);
}

// Half-extents of a new control, and whether they come from its default size.
struct KindExtent {
    int kind;
    int32_t dx, dy; // fixed half-extents, or the additions to the halved size
    bool fromSize;
};
constexpr KindExtent kKindExtents[] = {
    {TkUiLabel, 32, 8, false},         {TkUiEdit, 20, 0, true},
    {TkUiComboBox, 20, 0, true},       {TkUiButton, 32, 10, false},
    {TkUiRadioButton, 32, 8, false},   {TkUiCheckBox, 32, 8, false},
    {TkUiMultiLineEdit, 20, 10, true}, {TkUiListBox, 25, 15, true},
    {TkUiGroupBox, 50, 20, false},     {TkUiTabControl, 50, 20, false},
};

} // namespace

int32_t ControlCounter() {
    return controlCounter;
}

void SetControlCounter(int32_t value) {
    controlCounter = value;
}

// ---- drawing helpers ----

int32_t ControlPenWidth(double zoom) {
    return zoom >= 1.0 ? TruncToInt32(zoom) : 1;
}

int32_t ScaleUnitByZoom(int32_t n, double zoom) {
    const double product = n * zoom;
    return product >= 1.0 ? TruncToInt32(product) : 1;
}

void Draw3DFrame(DeviceContext& dc, const CRect& r, int32_t w, const FrameColors& colors,
                 const COLORREF* fill) {
    const FramePens pens(colors, w);
    if (fill != nullptr)
        dc.FillSolidRect(FrameFill(r, w), *fill);
    const LogPen old = dc.SelectPen(pens.outerTopLeft);
    dc.MoveTo(r.left, r.bottom - w);
    dc.LineTo(r.left, r.top);
    dc.LineTo(r.right, r.top);
    dc.SelectPen(pens.outerBottomRight);
    dc.LineTo(r.right, r.bottom);
    dc.LineTo(r.left, r.bottom);
    dc.SelectPen(pens.innerTopLeft);
    dc.MoveTo(r.left + w, r.bottom - w);
    dc.LineTo(r.left + w, r.top + w);
    dc.LineTo(r.right - w, r.top + w);
    dc.SelectPen(pens.innerBottomRight);
    dc.LineTo(r.right - w, r.bottom - w);
    dc.LineTo(r.left + w, r.bottom - w);
    dc.SelectPen(old);
}

void DrawTabFace(DeviceContext& dc, CRect tab, const std::string& text, int32_t w, COLORREF fill,
                 bool inFront) {
    if (!inFront) {
        tab.top += 2 * w;
        tab.bottom -= w;
    }
    const FramePens pens(kFrameRaisedLit, w);
    const CRect inside = FrameFill(tab, w);
    dc.FillSolidRect(inside, fill);
    const LogPen old = dc.SelectPen(pens.outerTopLeft);
    dc.MoveTo(tab.left, tab.bottom - w);
    dc.LineTo(tab.left, tab.top);
    dc.LineTo(tab.right, tab.top);
    dc.SelectPen(pens.outerBottomRight);
    dc.LineTo(tab.right, tab.bottom);
    dc.SelectPen(pens.innerTopLeft);
    dc.LineTo(tab.left, tab.bottom);
    dc.MoveTo(tab.left + w, tab.bottom - w);
    dc.LineTo(tab.left + w, tab.top + w);
    dc.LineTo(tab.right - w, tab.top + w);
    dc.SelectPen(pens.innerBottomRight);
    dc.LineTo(tab.right - w, tab.bottom - w);
    dc.SelectPen(pens.innerTopLeft);
    dc.LineTo(tab.left + w, tab.bottom - w);
    dc.SelectPen(old);
    CRect box = inside;
    dc.DrawText(text, box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void DrawScrollButton(DeviceContext& dc, int flags, const CRect& rect, double zoom,
                      const CRect* fromFrame, const CRect* toFrame) {
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    const COLORREF oldBk = dc.SetBkColor(face);
    const int32_t w = ControlPenWidth(zoom);
    const int32_t l = rect.left, t = rect.top;
    CPoint arrow[3];
    bool hasArrow = true;
    if ((flags & (0x4 | 0x8)) != 0) {
        const int32_t d = (flags & 0x4) != 0 ? 5 : 0;
        arrow[0] = {l + 2, t + 5 + d};
        arrow[1] = {l + 12, t + 5 + d};
        arrow[2] = {l + 7, t + 10 - d};
    } else if ((flags & (0x10 | 0x20)) != 0) {
        const int32_t d = (flags & 0x10) != 0 ? 5 : 0;
        arrow[0] = {l + 5 + d, t + 2};
        arrow[1] = {l + 5 + d, t + 12};
        arrow[2] = {l + 10 - d, t + 7};
    } else {
        hasArrow = false;
    }
    CRect device = rect;
    if (fromFrame != nullptr && toFrame != nullptr) {
        MapRectBetweenRects(rect, device, *fromFrame, *toFrame, false);
        MapPointsBetweenRects(3, arrow, arrow, *fromFrame, *toFrame, false);
    }
    ScaleByZoom(device, device, zoom);
    ScalePointsByZoom(3, arrow, arrow, zoom);
    if ((flags & 0x2) != 0) {
        Draw3DFrame(dc, device, w, kFrameRaised, &face);
    } else {
        CRect track = device;
        track.right += w;
        track.bottom += w;
        dc.FillSolidRect(track, GetSysColor(COLOR_SCROLLBAR));
    }
    if (hasArrow) {
        const COLORREF color = (flags & 0x1) != 0 ? kBlack : GetSysColor(COLOR_3DSHADOW);
        const LogPen oldPen = dc.SelectPen(PS_SOLID, 1, color);
        const LogBrush oldBrush = dc.SelectSolidBrush(color);
        dc.Polygon(arrow, 3);
        dc.SelectBrush(oldBrush);
        dc.SelectPen(oldPen);
    }
    dc.SetBkColor(oldBk);
}

void DrawVScrollBar(DeviceContext& dc, int32_t l, int32_t t, int32_t r, int32_t b, double zoom,
                    const CRect* fromFrame, const CRect* toFrame) {
    const int32_t width = r - l;
    DrawScrollButton(dc, 0, CRect(l, t + width, r, b - width), zoom, fromFrame, toFrame);
    DrawScrollButton(dc, 0x6, CRect(l, t, r, t + width), zoom, fromFrame, toFrame);
    DrawScrollButton(dc, 0xA, CRect(l, b - width, r, b), zoom, fromFrame, toFrame);
}

void DrawHScrollBar(DeviceContext& dc, int32_t l, int32_t t, int32_t r, int32_t b, double zoom,
                    const CRect* fromFrame, const CRect* toFrame) {
    const int32_t height = b - t;
    DrawScrollButton(dc, 0, CRect(l + height, t, r - height, b), zoom, fromFrame, toFrame);
    DrawScrollButton(dc, 0x12, CRect(l, t, l + height, b), zoom, fromFrame, toFrame);
    DrawScrollButton(dc, 0x22, CRect(r - height, t, r, b), zoom, fromFrame, toFrame);
}

CRect CheckSquare(const CRect& bounds, int32_t size) {
    const int32_t spare = bounds.Height() - size;
    const int32_t top = bounds.top + spare / 2 + (spare % 2 != 0 ? 1 : 0);
    return CRect(bounds.left, top, bounds.left + size, top + size);
}

// ---- the control base ----

UiControlPlace::UiControlPlace(GuidMap* map) : Drawable(map) {
    kind = DkUiControl;
    looks.face = 0;
    looks.alignment = 0;
}

UiControlPlace::~UiControlPlace() = default;

ModelObject* UiControlPlace::GetPropertyTarget(int* kindOut) {
    if (kindOut != nullptr)
        *kindOut = PtControlPlace;
    return this;
}

namespace {

// An edit's rows as one text, one row a line; "" for other controls.
std::string RowsText(const UiControlPlace& control) {
    const auto* edit = dynamic_cast<const UiEditControl*>(&control);
    std::string text;
    if (edit == nullptr)
        return text;
    for (size_t i = 0; i < edit->items.size(); ++i)
        text += (i == 0 ? "" : "\n") + edit->items[i];
    return text;
}

void SetRowsText(UiControlPlace& control, const std::string& text) {
    auto* edit = dynamic_cast<UiEditControl*>(&control);
    if (edit == nullptr)
        return;
    edit->items.clear();
    if (text.empty())
        return;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        edit->items.push_back(text.substr(start, end - start));
    edit->items.push_back(text.substr(start));
}

// The sheet's numbers as one text: the control flags, the three numeric
// and the five flag properties, blank-separated.
std::string NumbersText(const UiControlPlace& control) {
    std::string text = std::to_string(control.controlFlags);
    for (uint16_t n : control.numbers)
        text += ' ' + std::to_string(n);
    for (uint8_t f : control.flagProperties)
        text += ' ' + std::to_string(f);
    return text;
}

// Reads NumbersText back; false (and nothing changed) unless it holds nine
// numbers in their ranges.
bool SetNumbersText(UiControlPlace& control, const std::string& text) {
    std::array<unsigned long long, 9> values{};
    size_t at = 0;
    for (unsigned long long& value : values) {
        while (at < text.size() && text[at] == ' ')
            ++at;
        const size_t start = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 12)
            ++at;
        if (at == start)
            return false;
        value = std::stoull(text.substr(start, at - start));
    }
    if (at != text.size() || values[0] > UINT32_MAX)
        return false;
    for (size_t i = 1; i < 4; ++i)
        if (values[i] > UINT16_MAX)
            return false;
    for (size_t i = 4; i < 9; ++i)
        if (values[i] > UINT8_MAX)
            return false;
    control.controlFlags = uint32_t(values[0]);
    for (size_t i = 0; i < 3; ++i)
        control.numbers[i] = uint16_t(values[1 + i]);
    for (size_t i = 0; i < 5; ++i)
        control.flagProperties[i] = uint8_t(values[4 + i]);
    return true;
}

// A tab control's page captions, each ended by a newline; "" for others.
std::string PagesText(const UiControlPlace& control) {
    const auto* tabs = dynamic_cast<const UiTabControl*>(&control);
    std::string text;
    if (tabs != nullptr)
        for (int i = 0; i < tabs->PageCount(); ++i)
            text += tabs->Page(i)->caption + '\n';
    return text;
}

void SetPagesText(UiControlPlace& control, const std::string& text) {
    auto* tabs = dynamic_cast<UiTabControl*>(&control);
    if (tabs == nullptr)
        return;
    std::vector<std::string> captions;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        captions.push_back(text.substr(start, end - start));
    tabs->SetPageCaptions(captions);
}

} // namespace

kest::Cell* UiControlPlace::Props(GuidScope*, ModelObject* other, kest::Cell* list, bool redo) {
    constexpr size_t kCount = 7;
    if (list == nullptr) {
        const auto* that = dynamic_cast<const UiControlPlace*>(other);
        if (that == nullptr)
            return kest::nil;
        const std::string mine[kCount] = {name,
                                          caption,
                                          defaultText,
                                          picture,
                                          RowsText(*this),
                                          NumbersText(*this),
                                          PagesText(*this)};
        const std::string theirs[kCount] = {that->name,      that->caption,   that->defaultText,
                                            that->picture,   RowsText(*that), NumbersText(*that),
                                            PagesText(*that)};
        kest::Cell* out = kest::nil;
        for (size_t i = kCount; i > 0; --i) {
            kest::Cell* entry = mine[i - 1] == theirs[i - 1]
                                    ? kest::nil
                                    : kest::mklist(kest::mkstr(mine[i - 1].c_str()),
                                                   kest::mkstr(theirs[i - 1].c_str()), nullptr);
            out = kest::mkcons(entry, out);
        }
        return out;
    }
    static constexpr kest::CellType kTypes[kCount] = {kest::TString, kest::TString, kest::TString,
                                                      kest::TString, kest::TString, kest::TString,
                                                      kest::TString};
    RecordReader r(list, "control properties");
    kest::Cell* chosen[kCount] = {};
    ChoosePropertyValues(r, "control properties", kTypes, std::size(kTypes), redo, chosen);
    // The numbers are checked before anything changes.
    if (chosen[5] != nullptr) {
        UiControlPlace trial;
        if (!SetNumbersText(trial, chosen[5]->a.str))
            RecordFormatError("control properties", "control numbers expected");
    }
    std::string* fields[4] = {&name, &caption, &defaultText, &picture};
    for (size_t i = 0; i < 4; ++i)
        if (chosen[i] != nullptr)
            *fields[i] = chosen[i]->a.str;
    if (chosen[4] != nullptr)
        SetRowsText(*this, chosen[4]->a.str);
    if (chosen[5] != nullptr)
        SetNumbersText(*this, chosen[5]->a.str);
    if (chosen[6] != nullptr)
        SetPagesText(*this, chosen[6]->a.str);
    return kest::nil;
}

std::unique_ptr<ModelObject> UiControlPlace::Clone() const {
    return CloneOf(*this);
}

void UiControlPlace::Assign(const ModelObject* other) {
    const auto* source = dynamic_cast<const UiControlPlace*>(other);
    if (source == nullptr || source == this || typeid(*source) != typeid(*this))
        return;
    CopyControl(*source);
}

void UiControlPlace::CopyControl(const UiControlPlace& other) {
    Drawable::AssignFrom(nullptr, other);
    controlFlags = other.controlFlags;
    name = other.name;
    caption = other.caption;
    defaultText = other.defaultText;
    picture = other.picture;
    numbers = other.numbers;
    std::copy_n(other.flagProperties.begin(), 4, flagProperties.begin());
    captionSize_ = other.captionSize_;
}

void UiControlPlace::MakeDefaultName(int code, const CRect& rect) {
    kindCode = code;
    bounds = ClampRect(rect);
    kind = DkUiControl;
    looks.face = 0;
    looks.alignment = 0;
    controlFlags = kControlDefaultFlags;
    controlNumber = ++controlCounter;
    name = Format("ctrl%d", controlNumber);
    caption = "Untitled";
    numbers = {0, 32, 16};
    flagProperties = {};
    UpdateRepaintRect();
}

bool UiControlPlace::IsContainer() const {
    return dynamic_cast<const UiGroupBoxControl*>(this) != nullptr;
}

int UiControlPlace::AddMember(std::unique_ptr<Drawable>&) {
    return 0;
}

void UiControlPlace::GetDefaultSize(CSize& size, CRect& content) {
    size = CSize(10, 10);
    content.SetRectEmpty();
}

CRect UiControlPlace::CaptionRect() const {
    return CRect(bounds.left, bounds.top, bounds.left + captionSize_.cx + 6,
                 bounds.top + captionSize_.cy + 4);
}

void UiControlPlace::LayoutCaption(DeviceContext& dc, double zoom, CRect& body) {
    if (!ShowsCaption())
        return;
    // Measured in the drawing's font, kept in model units.
    const CSize extent = dc.GetTextExtent(caption);
    const double scale = zoom > 0 ? zoom : 1.0;
    captionSize_ = CSize(TruncToInt32(extent.cx / scale), TruncToInt32(extent.cy / scale));
    const CRect label = CaptionRect();
    if ((controlFlags & kControlCaptionAbove) != 0)
        body.top = std::min(label.bottom, body.bottom);
    else
        body.left = std::min(label.right + 2, body.right);
}

void UiControlPlace::DrawCaption(DeviceContext& dc, double zoom, const CRect* fromFrame,
                                 const CRect* toFrame) {
    const CRect label = ShowsCaption() ? CaptionRect()
                                       : CRect(bounds.left + 1, bounds.top + 1, bounds.right - 1,
                                               bounds.bottom - 1);
    DrawTextCentred(dc, caption, ToDevice(label, zoom, fromFrame, toFrame),
                    DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX);
}

void UiControlPlace::ResetLabelRect() {
    if (ShowsCaption()) {
        labelRect = CaptionRect();
        return;
    }
    labelRect = bounds;
    labelRect.DeflateRect(1, 1);
}

void UiControlPlace::UpdateRepaintRect() {
    Drawable::UpdateRepaintRect();
    ResetLabelRect();
}

void UiControlPlace::SaveBounds() {
    savedBounds = labelRect;
}

std::string* UiControlPlace::GetEditableText(CRect& rect) {
    rect = labelRect;
    return &caption;
}

void UiControlPlace::Draw(DeviceContext& dc, const Looks* imposed, double zoom,
                          const CRect* fromFrame, const CRect* toFrame, int flag) {
    Drawable::Draw(dc, imposed, zoom, fromFrame, toFrame, flag);
}

CRect UiControlPlace::ToDevice(const CRect& rect, double zoom, const CRect* fromFrame,
                               const CRect* toFrame) {
    CRect out = rect;
    if (fromFrame != nullptr && toFrame != nullptr)
        MapRectBetweenRects(rect, out, *fromFrame, *toFrame, false);
    ScaleByZoom(out, out, zoom);
    return out;
}

UiControlPlace::TextSetup UiControlPlace::BeginText(DeviceContext& dc, const Looks* imposed,
                                                    double zoom, COLORREF textColor,
                                                    COLORREF background) const {
    const Looks effective = Effective(imposed);
    CFont& font = FontFaces().FirstWorkFont();
    FontFaces().UpdateFont(font, effective, zoom);
    TextSetup saved;
    saved.font = dc.SelectObject(font);
    saved.text = dc.SetTextColor(textColor);
    saved.background = dc.SetBkColor(background);
    saved.mode = dc.SetBkMode(TRANSPARENT);
    return saved;
}

void UiControlPlace::EndText(DeviceContext& dc, const TextSetup& saved) {
    dc.SetBkMode(saved.mode);
    dc.SetBkColor(saved.background);
    dc.SetTextColor(saved.text);
    dc.SelectFont(saved.font);
}

void UiControlPlace::DrawTextCentred(DeviceContext& dc, const std::string& text, CRect box,
                                     uint32_t format) {
    if (text.empty() || box.IsRectEmpty())
        return;
    const int32_t height = dc.GetTextExtent(text).cy;
    if (box.Height() > height)
        box.DeflateRect(0, (box.Height() - height) / 2);
    dc.DrawText(text, box, format | DT_NOPREFIX);
}

// ---- label ----

UiLabelControl::UiLabelControl(GuidMap* map) : UiControlPlace(map) {}

std::unique_ptr<ModelObject> UiLabelControl::Clone() const {
    return CloneOf(*this);
}

void UiLabelControl::GetDefaultSize(CSize& size, CRect& content) {
    size = CSize(20, 14);
    content.SetRectEmpty();
}

void UiLabelControl::Draw(DeviceContext& dc, const Looks* imposed, double zoom,
                          const CRect* fromFrame, const CRect* toFrame, int) {
    const TextSetup saved =
        BeginText(dc, imposed, zoom, GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_3DFACE));
    static constexpr uint32_t kAlign[] = {DT_LEFT, DT_CENTER, DT_RIGHT};
    const uint32_t align = looks.alignment < 3 ? kAlign[looks.alignment] : DT_LEFT;
    DrawTextCentred(dc, caption, ToDevice(bounds, zoom, fromFrame, toFrame), align | DT_SINGLELINE);
    EndText(dc, saved);
}

// ---- edit field family ----

UiEditControl::UiEditControl(GuidMap* map) : UiControlPlace(map) {
    controlFlags |= kControlCaption;
    labelRect.SetRect(bounds.left, bounds.top, bounds.left, bounds.top);
}

std::unique_ptr<ModelObject> UiEditControl::Clone() const {
    return CloneOf(*this);
}

void UiEditControl::CopyControl(const UiControlPlace& other) {
    UiControlPlace::CopyControl(other);
    if (const auto* edit = dynamic_cast<const UiEditControl*>(&other))
        items = edit->items;
}

void UiEditControl::GetDefaultSize(CSize& size, CRect& content) {
    size = CSize(20, 20);
    content.SetRectEmpty();
    if (!ShowsCaption())
        return;
    const bool empty = labelRect.IsRectEmpty();
    if ((controlFlags & kControlCaptionAbove) != 0)
        size.cy += empty ? 10 : labelRect.Height();
    else
        size.cx += empty ? 32 : labelRect.Width();
}

CRect UiEditControl::DrawField(DeviceContext& dc, const Looks* imposed, double zoom,
                               const CRect* fromFrame, const CRect* toFrame) {
    const TextSetup saved = BeginText(dc, imposed, zoom, kBlack, GetSysColor(COLOR_3DFACE));
    CRect field = bounds;
    LayoutCaption(dc, zoom, field);
    const int32_t w = ControlPenWidth(zoom);
    const COLORREF white = kWhite;
    Draw3DFrame(dc, ToDevice(field, zoom, fromFrame, toFrame), w, kFrameSunken, &white);
    DrawCaption(dc, zoom, fromFrame, toFrame);
    EndText(dc, saved);
    return field;
}

CRect UiEditControl::InnerField() const {
    CRect field = bounds;
    if (ShowsCaption() && (controlFlags & kControlCaptionAbove) != 0)
        field.top = std::min(CaptionRect().bottom, field.bottom);
    field.DeflateRect(2, 2);
    return field;
}

void UiEditControl::Draw(DeviceContext& dc, const Looks* imposed, double zoom,
                         const CRect* fromFrame, const CRect* toFrame, int) {
    DrawField(dc, imposed, zoom, fromFrame, toFrame);
}

UiComboBoxControl::UiComboBoxControl(GuidMap* map) : UiEditControl(map) {}

std::unique_ptr<ModelObject> UiComboBoxControl::Clone() const {
    return CloneOf(*this);
}

void UiComboBoxControl::GetDefaultSize(CSize& size, CRect& content) {
    UiEditControl::GetDefaultSize(size, content);
    size.cx += 15;
}

void UiComboBoxControl::Draw(DeviceContext& dc, const Looks* imposed, double zoom,
                             const CRect* fromFrame, const CRect* toFrame, int) {
    DrawField(dc, imposed, zoom, fromFrame, toFrame);
    const CRect inner = InnerField();
    DrawScrollButton(dc, 0xB, CRect(inner.right - 15, inner.top, inner.right, inner.bottom), zoom,
                     fromFrame, toFrame);
}

UiMultiLineEditControl::UiMultiLineEditControl(GuidMap* map) : UiEditControl(map) {
    controlFlags |= kControlCaptionAbove;
}

std::unique_ptr<ModelObject> UiMultiLineEditControl::Clone() const {
    return CloneOf(*this);
}

void UiMultiLineEditControl::GetDefaultSize(CSize& size, CRect& content) {
    UiEditControl::GetDefaultSize(size, content);
    size.cx += 15;
    size.cy += 15;
}

void UiMultiLineEditControl::Draw(DeviceContext& dc, const Looks* imposed, double zoom,
                                  const CRect* fromFrame, const CRect* toFrame, int) {
    DrawField(dc, imposed, zoom, fromFrame, toFrame);
    const CRect inner = InnerField();
    DrawVScrollBar(dc, inner.right - 15, inner.top, inner.right, inner.bottom, zoom, fromFrame,
                   toFrame);
}

// ---- button, radio button, check box ----

UiButtonControl::UiButtonControl(GuidMap* map) : UiControlPlace(map) {}

std::unique_ptr<ModelObject> UiButtonControl::Clone() const {
    return CloneOf(*this);
}

void UiButtonControl::GetDefaultSize(CSize& size, CRect& content) {
    size = CSize(20, 14);
    content.SetRectEmpty();
}

void UiButtonControl::Draw(DeviceContext& dc, const Looks* imposed, double zoom,
                           const CRect* fromFrame, const CRect* toFrame, int) {
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    const TextSetup saved = BeginText(dc, imposed, zoom, kBlack, face);
    const CRect device = ToDevice(bounds, zoom, fromFrame, toFrame);
    Draw3DFrame(dc, device, ControlPenWidth(zoom), kFrameRaised, &face);
    DrawTextCentred(dc, caption, device, DT_CENTER | DT_SINGLELINE);
    EndText(dc, saved);
}

UiRadioButtonControl::UiRadioButtonControl(GuidMap* map) : UiControlPlace(map) {}

std::unique_ptr<ModelObject> UiRadioButtonControl::Clone() const {
    return CloneOf(*this);
}

void UiRadioButtonControl::GetDefaultSize(CSize& size, CRect& content) {
    size = CSize(20, 14);
    content.SetRectEmpty();
}

void UiRadioButtonControl::Draw(DeviceContext& dc, const Looks* imposed, double zoom,
                                const CRect* fromFrame, const CRect* toFrame, int) {
    const TextSetup saved = BeginText(dc, imposed, zoom, kBlack, GetSysColor(COLOR_3DFACE));
    const int32_t w = ControlPenWidth(zoom);
    const CRect square = ToDevice(CheckSquare(bounds, 13), zoom, fromFrame, toFrame);
    const CRect inner(square.left + w, square.top + w, square.right, square.bottom);
    // The well: a white disc inside the light ring.
    const LogPen oldPen = dc.SelectPen(PS_SOLID, w, GetSysColor(COLOR_3DLIGHT));
    const LogBrush oldBrush = dc.SelectSolidBrush(kWhite);
    dc.Ellipse(inner);
    dc.SelectNullBrush();
    // Upper-left halves from the top-right to the bottom-left corner, lower-right halves back.
    auto halves = [&](const CRect& r, int upper, int lower) {
        const CPoint topRight(r.right, r.top), bottomLeft(r.left, r.bottom);
        dc.SelectPen(PS_SOLID, w, GetSysColor(upper));
        dc.Arc(r, topRight, bottomLeft);
        dc.SelectPen(PS_SOLID, w, GetSysColor(lower));
        dc.Arc(r, bottomLeft, topRight);
    };
    halves(square, COLOR_3DSHADOW, COLOR_3DHILIGHT);
    CRect ring = square;
    ring.DeflateRect(w, w);
    halves(ring, COLOR_3DDKSHADOW, COLOR_3DLIGHT);
    dc.SelectBrush(oldBrush);
    dc.SelectPen(oldPen);
    CRect text = bounds;
    text.left = std::min(text.left + 16, text.right);
    DrawTextCentred(dc, caption, ToDevice(text, zoom, fromFrame, toFrame), DT_LEFT | DT_SINGLELINE);
    EndText(dc, saved);
}

UiCheckBoxControl::UiCheckBoxControl(GuidMap* map) : UiControlPlace(map) {}

std::unique_ptr<ModelObject> UiCheckBoxControl::Clone() const {
    return CloneOf(*this);
}

void UiCheckBoxControl::GetDefaultSize(CSize& size, CRect& content) {
    size = CSize(20, 14);
    content.SetRectEmpty();
}

void UiCheckBoxControl::Draw(DeviceContext& dc, const Looks* imposed, double zoom,
                             const CRect* fromFrame, const CRect* toFrame, int) {
    const TextSetup saved = BeginText(dc, imposed, zoom, kBlack, GetSysColor(COLOR_3DFACE));
    const COLORREF white = kWhite;
    Draw3DFrame(dc, ToDevice(CheckSquare(bounds, 12), zoom, fromFrame, toFrame),
                ControlPenWidth(zoom), kFrameSunken, &white);
    CRect text = bounds;
    text.left = std::min(text.left + 15, text.right);
    DrawTextCentred(dc, caption, ToDevice(text, zoom, fromFrame, toFrame), DT_LEFT | DT_SINGLELINE);
    EndText(dc, saved);
}

// ---- the factory ----

std::unique_ptr<UiControlPlace> MakeUiControl(int kindCode, GuidMap* map) {
    switch (kindCode) {
    case TkUiLabel:
        return std::make_unique<UiLabelControl>(map);
    case TkUiEdit:
        return std::make_unique<UiEditControl>(map);
    case TkUiComboBox:
        return std::make_unique<UiComboBoxControl>(map);
    case TkUiButton:
        return std::make_unique<UiButtonControl>(map);
    case TkUiRadioButton:
        return std::make_unique<UiRadioButtonControl>(map);
    case TkUiCheckBox:
        return std::make_unique<UiCheckBoxControl>(map);
    case TkUiMultiLineEdit:
        return std::make_unique<UiMultiLineEditControl>(map);
    case TkUiListBox:
        return std::make_unique<UiListBoxControl>(map);
    case TkUiGroupBox:
        return std::make_unique<UiGroupBoxControl>(map);
    case TkUiTabControl:
        return std::make_unique<UiTabControl>(map);
    default:
        return nullptr;
    }
}

namespace {

// A new control of the kind centred on (x, y), set up; null for a bad kind.
std::unique_ptr<UiControlPlace> NewControl(ModelDocument* document, int kindCode, int x, int y) {
    const KindExtent* extent = nullptr;
    for (const KindExtent& e : kKindExtents) {
        if (e.kind == kindCode)
            extent = &e;
    }
    GuidMap* map = document != nullptr ? document->ProjectMap() : nullptr;
    std::unique_ptr<UiControlPlace> control = MakeUiControl(kindCode, map);
    if (control == nullptr || extent == nullptr)
        return nullptr;
    int32_t dx = extent->dx, dy = extent->dy;
    if (extent->fromSize) {
        CSize size;
        CRect content;
        control->GetDefaultSize(size, content);
        dx += size.cx / 2;
        dy += size.cy / 2;
    }
    CRect rect(x, y, x, y);
    rect.InflateRect(dx, dy);
    control->MakeDefaultName(kindCode, rect);
    return control;
}

// The steps after a control has its place: the pages of a tab control and the name.
void FinishControl(ModelDocument* document, UiControlPlace& control, const std::string& name) {
    if (auto* tabs = dynamic_cast<UiTabControl*>(&control)) {
        tabs->AddTab(document, 0, "Untitled");
        tabs->AddTab(document, 1, "Untitled");
    }
    control.name = name;
}

} // namespace

std::unique_ptr<UiControlPlace> CreateUiControl(ModelDocument* document, int kindCode,
                                                const std::string& name, int x, int y) {
    std::unique_ptr<UiControlPlace> control = NewControl(document, kindCode, x, y);
    if (control != nullptr)
        FinishControl(document, *control, name);
    return control;
}

UiControlPlace* CreateUiControl(ModelDocument* document, UiControlPlace& container, int kindCode,
                                const std::string& name, int x, int y) {
    if (!container.IsContainer())
        return nullptr;
    std::unique_ptr<UiControlPlace> control = NewControl(document, kindCode, x, y);
    if (control == nullptr)
        return nullptr;
    UiControlPlace* made = control.get();
    std::unique_ptr<Drawable> member = std::move(control);
    container.AddMember(member);
    FinishControl(document, *made, name);
    return made;
}

} // namespace qm
