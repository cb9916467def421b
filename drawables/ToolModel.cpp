// The tool model: its frames, icon editing, the mapping of its text frames
// onto places, its drawing, its record, and the built-in palette with the
// sample drawing of each of the 24 built-in tools.
#include "drawables/ToolModel.h"

#include "drawables/NotationTemplate.h"
#include "drawables/Primitives.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/ZoomScaling.h"
#include "kernel/Kernel.h"
#include "model/GuidMap.h"
#include "platform/Errors.h"
#include "platform/Format.h"
#include "platform/PainterDC.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace qm {

using kest::Cell;
using kest::mkcons;
using kest::mkint;
using kest::nil;

namespace {

// The names of the semantics codes: place tools first, then link tools.
const char* const kPlaceSemantics[12] = {
    "Unspecified", "Class", "Package", "", "", "", "", "", "", "", "", ""};
const char* const kLinkSemantics[12] = {
    "Unspecified", "Inheritance",  "Realization", "Instantiation", "Composition", "Aggregation",
    "Association", "Control-Flow", "Data-Flow",   "Transition",    "Dependency",  "Attachment"};

double FrameFactor(int32_t length, int32_t sampleLength) {
    return double(length) / (sampleLength == 0 ? 1 : sampleLength);
}

} // namespace

std::string SemanticsName(bool isPlaceTool, int code) {
    if (code < 0 || code >= 12)
        return {};
    return isPlaceTool ? kPlaceSemantics[code] : kLinkSemantics[code];
}

// ======================= set-up =======================

ToolModel::ToolModel(GuidMap* templateMap) : Model(templateMap) {
    kind = MkTool;
}

void ToolModel::SetTool(int16_t toolId, ToolBitmap* strip, int32_t type, int16_t toolScale) {
    toolType = type;
    id = toolId;
    SetScale(toolScale, true);
    iconCanvas = CRect(0, 0, kIconWidth * kIconCellSize, kIconHeight * kIconCellSize);
    iconStrip = strip;
}

void ToolModel::SetScale(int16_t toolScale, bool withPrintFrame) {
    scale = toolScale;
    const int32_t s = toolScale;
    if (IsLinkTool()) {
        pageMatrix = CRect(0, 0, kLinkSampleWidth * s, kLinkSampleHeight * s);
        sampleFrame = CRect(20 * s, 0, 60 * s, kLinkSampleHeight * s);
        if (withPrintFrame)
            printFrame = CRect(0, 0, kLinkSampleWidth, kLinkSampleHeight);
    } else {
        sampleFrame = CRect(0, 0, kPlaceSampleWidth * s, kPlaceSampleHeight * s);
        pageMatrix = sampleFrame;
        if (withPrintFrame)
            printFrame = CRect(0, 0, kPlaceSampleWidth, kPlaceSampleHeight);
    }
    SetPageMatrix(pageMatrix);
}

int ToolModel::SetIconEditing(bool on) {
    if (on == iconEditing)
        return 0;
    iconEditing = on;
    if (on)
        SetPageMatrix(iconCanvas);
    else
        SetScale(scale, false);
    return 1;
}

Drawable* ToolModel::Group(ModelDocument* document, ModelDocument* idDocument, CRect& repaint,
                           bool asPlace, const CRect* laneRect, Drawable* previousLane, int shift,
                           Drawable* nextLane, ChangeKind kind, const char* name) {
    if (asPlace)
        return nullptr;
    return Model::Group(document, idDocument, repaint, asPlace, laneRect, previousLane, shift,
                        nextLane, kind, name);
}

// ======================= copies =======================

void ToolModel::CopyToolFields(const ToolModel& other) {
    toolType = other.toolType;
    semantics = other.semantics;
    baseId = other.baseId;
    reserved = other.reserved;
    iconSlot = other.iconSlot;
}

std::unique_ptr<ToolModel> ToolModel::CloneTool() const {
    return CloneOf(*this);
}

std::unique_ptr<ModelObject> ToolModel::Clone() const {
    return CloneTool();
}

void ToolModel::Assign(const ModelObject* other) {
    Model::Assign(other);
    if (const auto* tool = AssignSource(this, other))
        CopyToolFields(*tool);
}

// ======================= text frames =======================

TextPrimitive* ToolModel::FindTextWithFlag(int32_t flag) const {
    for (const auto& drawable : Drawables()) {
        if (drawable->kindCode != TkText)
            continue;
        auto* text = dynamic_cast<TextPrimitive*>(drawable.get());
        if (text != nullptr && (text->textFlags & flag) != 0)
            return text;
    }
    return nullptr;
}

TextPrimitive* ToolModel::FindNameText() const {
    return FindTextWithFlag(TextPrimitive::kLabel);
}

TextPrimitive* ToolModel::FindSecondText() const {
    return FindTextWithFlag(TextPrimitive::kThirdFrame);
}

TextPrimitive* ToolModel::FindCompartmentText() const {
    return FindTextWithFlag(TextPrimitive::kCompartments);
}

void ToolModel::MapNameFrame(const CRect& placeBounds, CRect& out) const {
    const TextPrimitive* text = FindNameText();
    if (text == nullptr) {
        out = placeBounds;
        return;
    }
    MapTextFrame(*text, placeBounds, out);
}

void ToolModel::MapSecondFrame(const CRect& placeBounds, CRect& out) const {
    const TextPrimitive* text = FindSecondText();
    if (text == nullptr) {
        out = placeBounds;
        return;
    }
    MapTextFrame(*text, placeBounds, out);
}

void ToolModel::MapTextFrame(const TextPrimitive& text, const CRect& b, CRect& out) const {
    const CRect& sf = sampleFrame;
    const CRect& frame = text.bounds;
    const double sx = FrameFactor(b.Width(), sf.Width());
    const double sy = FrameFactor(b.Height(), sf.Height());

    if (semantics == SemClass) {
        // Class places keep the margins of the sample, shrunk with a smaller
        // place but never grown with a larger one.
        auto margin = [](int32_t m, double factor) {
            return factor <= 1.0 ? TruncToInt32(m * factor) : m;
        };
        const int32_t left = margin(frame.left - sf.left, sx);
        const int32_t top = margin(frame.top - sf.top, sy);
        const int32_t right = margin(sf.right - frame.right, sx);
        const int32_t bottom = margin(sf.bottom - frame.bottom, sy);
        out = CRect(b.left + left, b.top + top, b.right - right, b.bottom - bottom);
        return;
    }

    if ((modelFlags & MfBandedName) != 0) {
        // The band: from the top of the sample down to the lowest bottom edge
        // of a drawable lying above the sample's middle.
        const int32_t middle = sf.top + sf.Height() / 2;
        int32_t bandBottom = sf.top;
        for (const auto& drawable : Drawables()) {
            if (drawable->bounds.bottom < middle)
                bandBottom = std::max(bandBottom, drawable->bounds.bottom);
        }
        const CRect sampleBand(sf.left, sf.top, sf.right, bandBottom);
        const CRect sampleRest(sf.left, bandBottom, sf.right, sf.bottom);
        const int32_t bandHeight =
            TruncToInt32(double(sampleBand.Height()) * 50.0 / (sf.Height() == 0 ? 1 : sf.Height()));
        if (bandHeight < b.Height() / 2) {
            const CRect placeBand(b.left, b.top, b.right, b.top + bandHeight);
            const CRect placeRest(b.left, placeBand.bottom - 1, b.right, b.bottom);
            if (frame.bottom <= bandBottom) {
                MapRectBetweenRects(frame, out, sampleBand, placeBand, false);
                return;
            }
            MapRectBetweenRects(frame, out, sampleRest, placeRest, false);
            if (out.top < placeBand.bottom)
                out.top = placeBand.bottom;
            return;
        }
        MapRectBetweenRects(frame, out, sf, b, false);
        return;
    }

    ScaleRectByZoomXY(frame, out, sx, sy);
    const CPoint scaledOrigin(TruncToInt32(sf.left * sx), TruncToInt32(sf.top * sy));
    OffsetRectClamped(out, int64_t(b.left) - scaledOrigin.x, int64_t(b.top) - scaledOrigin.y);
}

void ToolModel::ComputeNameRect(DeviceContext& dc, const std::string& placeName,
                                const CRect& placeBounds, CRect& out) const {
    if (semantics != SemPackage || !IsPlaceTool()) {
        MapNameFrame(placeBounds, out);
        return;
    }
    MapSecondFrame(placeBounds, out);
    CRect measured(out.left, out.top, out.right, out.top);
    const int32_t height = placeName.empty()
                               ? 0
                               : dc.DrawText(placeName, measured,
                                             DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_CENTER);
    out.bottom = out.top + (height > 0 ? height : 50);
}

void ToolModel::Print(qm::PrintPages& pages, DeviceContext& dc, const std::string& templateName,
                      int options, ToolPrintCursor& cursor, int32_t x, int32_t pageWidth,
                      int32_t pageHeight) const {
    const int32_t line = std::max<int32_t>(1, dc.GetTextMetrics().height);
    const int32_t descriptionLines =
        comment.empty() ? 0 : 1 + int32_t(std::count(comment.begin(), comment.end(), '\n'));
    const int32_t sampleHeight = printFrame.Height() + 5;
    const int32_t entry = line + sampleHeight + descriptionLines * line;
    if (cursor.pages == 0 || cursor.y + entry > pageHeight) {
        if (cursor.pages > 0)
            ReportOperationFailure(pages.EndPage(), "can't end page");
        ReportOperationFailure(pages.StartPage(), "can't start page");
        ++cursor.pages;
        cursor.y = 0;
        if ((options & kPrintFooter) != 0) {
            CRect footer(0, pageHeight, pageWidth, pageHeight + 25);
            dc.DrawText(Format("Notation Template <%s>    ~~~    Page <%d>", templateName.c_str(),
                               cursor.pages),
                        footer, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
    }
    dc.TextOut(x + 20, cursor.y, name);
    cursor.y += line;
    const CRect target(x + 60, cursor.y, x + 60 + printFrame.Width(),
                       cursor.y + printFrame.Height());
    if (IsLinkTool())
        DrawLinkIcon(dc, target, 1.0);
    // The sample is mapped from the tool's page onto the print frame.
    for (const auto& drawable : Drawables())
        drawable->Draw(dc, nullptr, 1.0, &pageMatrix, &target, 0);
    cursor.y += sampleHeight;
    if (descriptionLines > 0) {
        CRect text(x + 60, cursor.y, pageWidth, cursor.y + descriptionLines * line);
        dc.DrawText(comment, text, DT_NOPREFIX);
        cursor.y += descriptionLines * line;
    }
}

// ======================= drawing =======================

void ToolModel::DrawLinkIcon(DeviceContext& dc, const CRect& rect, double atZoom) const {
    const int32_t width = std::max<int32_t>(1, TruncToInt32(LineKindPenWidth(lineKind) * atZoom));
    const LogPen old =
        dc.SelectPen(int(LineKindPenStyle(lineKind)), width, ColorFromCode(uint32_t(lineColour)));
    const int32_t y = rect.top + rect.Height() / 2;
    dc.MoveTo(rect.left, y);
    dc.LineTo(rect.right, y);
    dc.SelectPen(old);
}

int ToolModel::DrawIcon(DeviceContext& dc, double atZoom) const {
    if (iconEditing) {
        if (iconStrip == nullptr || iconStrip->IsEmpty())
            return 1;
        // Only the tool's own icon is turned into an image, however wide the strip.
        CBitmap icon;
        iconStrip->IconToBitmap(iconSlot, icon);
        if (!icon.IsEmpty())
            DrawBitmapZoomed(icon, 0, 0, dc, 0, 0, kIconWidth, kIconHeight, atZoom * kIconCellSize,
                             SRCCOPY);
        // The grid in the inactive caption colour.
        const LogPen old = dc.SelectPen(PS_SOLID, 1, GetSysColor(COLOR_INACTIVECAPTION));
        for (int k = 0; k <= kIconWidth; ++k) {
            const int32_t x = TruncToInt32(kIconCellSize * k * atZoom);
            dc.MoveTo(x, 0);
            dc.LineTo(x, zoomedPageMatrix.Height());
        }
        for (int k = 0; k <= kIconHeight; ++k) {
            const int32_t y = TruncToInt32(kIconCellSize * k * atZoom);
            dc.MoveTo(0, y);
            dc.LineTo(zoomedPageMatrix.Width(), y);
        }
        dc.SelectPen(old);
        return 1;
    }
    const LogPen oldPen = dc.SelectPen(PS_DASH, 1, RGB(255, 0, 0));
    const LogBrush oldBrush = dc.SelectSolidBrush(RGB(255, 255, 255));
    dc.Rectangle(zoomedPageMatrix);
    dc.SelectBrush(oldBrush);
    if (IsLinkTool()) {
        const CRect zs = ScaleByZoom(sampleFrame, atZoom);
        dc.MoveTo(zs.left, zoomedPageMatrix.top);
        dc.LineTo(zs.left, zoomedPageMatrix.bottom);
        dc.MoveTo(zs.right, zoomedPageMatrix.top);
        dc.LineTo(zs.right, zoomedPageMatrix.bottom);
        dc.SelectPen(oldPen);
        DrawLinkIcon(dc, zoomedPageMatrix, 1.0);
        return 0;
    }
    dc.SelectPen(oldPen);
    return 0;
}

// ======================= records =======================

Cell* ToolModel::PersistTool(GuidScope* scope, Cell* list) {
    if (list == nullptr || list == nil) {
        Cell* fields[] = {
            kest::sym::toolModel,
            rectlist(sampleFrame, nil),
            mkint(toolType),
            mkint(id),
            mkint(scale),
            mkint(semantics),
            mkint(baseId),
            mkint(reserved),
            mkint(iconSlot),
            rectlist(printFrame, nil),
            rectlist(iconCanvas, nil),
            mkint(lineColour),
            mkint(lineKind),
        };
        Cell* out = Model::Persist(nullptr, scope, nil);
        for (size_t i = std::size(fields); i > 0; --i)
            out = mkcons(fields[i - 1], out);
        return out;
    }

    ExpectHead(list, kest::sym::toolModel);
    RecordReader r(kest::cdr(list), "toolModel");
    CRect readSample, readPrint, readCanvas;
    r.Rect(readSample, "sample frame");
    const int32_t readType = r.Int("tool type");
    const int32_t readId = r.Int("id");
    const int32_t readScale = r.Int("scale");
    int32_t readSemantics = 0, readBase = -1, readSlot = readId;
    // The older form has no semantics, base id, reserved and icon slot.
    if (r.NextIsInt()) {
        readSemantics = r.Int("semantics");
        readBase = r.Int("base id");
        r.Int("reserved");
        readSlot = r.Int("icon slot");
    }
    r.Rect(readPrint, "print frame");
    r.Rect(readCanvas, "icon canvas");
    const int32_t readColour = r.Int("line colour");
    const int32_t readLineKind = r.Int("line kind");
    auto fitsShort = [](int32_t v) { return v >= INT16_MIN && v <= INT16_MAX; };
    if (!fitsShort(readId) || readId < 0)
        r.Fail("id", "a tool id from 0 to 32767");
    if (readScale < 0 || readScale > 1000)
        r.Fail("scale", "a scale from 0 to 1000");
    if (!fitsShort(readBase) || !fitsShort(readSlot))
        r.Fail("base id", "16-bit numbers for the base id and icon slot");
    if (!RectInRange(readSample) || !RectInRange(readPrint) || !RectInRange(readCanvas))
        r.Fail("frames", "coordinates within the diagram range");

    toolType = readType;
    id = int16_t(readId);
    scale = int16_t(readScale);
    semantics = uint8_t(readSemantics & 0xFF);
    baseId = int16_t(readBase);
    reserved = 0;
    iconSlot = int16_t(readSlot);
    sampleFrame = readSample;
    printFrame = readPrint;
    iconCanvas = readCanvas;
    lineColour = readColour;
    lineKind = uint8_t(readLineKind & 0xFF);
    Model::Persist(nullptr, scope, r.Rest());
    // Registered under its number once the whole record has read, so that a
    // record that fails leaves no number behind.
    if (scope != nullptr && scope->current != nullptr)
        scope->current->Register(id, nullptr, false, this);
    kind = MkTool;
    if ((modelFlags & MfClassTool) != 0) {
        modelFlags &= ~uint32_t(MfClassTool);
        semantics = SemClass;
    }
    SetScale(scale, false);
    return nil;
}

void ToolModel::Detach(GuidScope* scope) {
    GuidMap* map = scope != nullptr ? scope->current : nullptr;
    ModelObject* held = nullptr;
    if (map != nullptr && map->Numbers().Lookup(int32_t(id), held) && held == this)
        map->Numbers().ClearValue(int32_t(id));
    Model::Detach(scope);
}

void ToolModel::ResolveRefs(ModelDocument*, GuidScope* scope, bool) {
    parentMaster = nullptr;
    parentMasterRef = ObjectRef();
    parentModel = nullptr;
    if (parentModelRef.IsNil())
        return;
    ModelObject* found = parentModelRef.ResolveIn(scope);
    auto* model = dynamic_cast<Model*>(found);
    for (Model* up = model; up != nullptr; up = up->parentModel) {
        if (up == this) {
            model = nullptr;
            break;
        }
    }
    parentModel = model;
}

// ======================= the built-in palette =======================

namespace {

// One primitive of a sample drawing. Points are in the frame of a place
// tool (280 x 200 at scale 4) or of a link tool's page (320 x 120, the
// sample frame its middle half from x = 80 to 240, the line at y = 60).
struct SamplePart {
    int code;      // TkPolyline, TkText, TkRectangle, TkRoundRectangle, TkEllipse, TkPolygon
    uint32_t fill; // fill colour code
    int lineKind;  // of the primitive's looks
    int32_t textFlags;
    std::vector<CPoint> points; // two corners for boxes and texts
};

struct BuiltinTool {
    const char* name;
    int type;
    int semantics;
    bool generatesCode;
    std::vector<SamplePart> parts;
};

// Fills the drawing computes from the tool: a shade of grey, darker for the
// second of two similar tools, so that "as" pairs stay told apart.
constexpr uint32_t kShadeLight = 7; // light grey
constexpr uint32_t kShadeDark = 8;  // grey
constexpr uint32_t kShadeText = 15; // white behind a text
constexpr uint32_t kNoFill = 17;

SamplePart Poly(uint32_t fill, std::vector<CPoint> points, int lineKind = 4) {
    return {TkPolygon, fill, lineKind, 0, std::move(points)};
}
SamplePart Lines(uint32_t fill, std::vector<CPoint> points) {
    return {TkPolyline, fill, 4, 0, std::move(points)};
}
SamplePart Box(int code, uint32_t fill, CRect rect) {
    return {code, fill, 4, 0, {rect.TopLeft(), rect.BottomRight()}};
}
SamplePart Text(uint32_t fill, int32_t flags, CRect rect) {
    return {TkText, fill, 4, flags, {rect.TopLeft(), rect.BottomRight()}};
}

// An arrow head pointing right with its tip at (x, 60).
std::vector<CPoint> HeadRight(int32_t x) {
    return {{x, 60}, {x - 40, 30}, {x - 40, 90}};
}
std::vector<CPoint> HeadLeft(int32_t x) {
    return {{x, 60}, {x + 40, 30}, {x + 40, 90}};
}

const std::vector<BuiltinTool>& BuiltinTools() {
    static const std::vector<BuiltinTool> tools = [] {
        std::vector<BuiltinTool> t;
        // Link tools: heads at the right end (x = 240) of the sample frame.
        t.push_back({"Inheritance", ToolTypeLink, 1, true, {Poly(0, HeadRight(240))}});
        t.push_back({"Has", ToolTypeLink, 4, true, {Box(TkEllipse, 0, CRect(208, 44, 240, 76))}});
        t.push_back(
            {"Uses", ToolTypeLink, 0, false, {Box(TkEllipse, 15, CRect(208, 44, 240, 76))}});
        t.push_back({"Association", ToolTypeLink, 6, false, {}});
        t.push_back({"Control Flow/Transition",
                     ToolTypeLink,
                     0,
                     true,
                     {Lines(15, {{200, 30}, {240, 60}, {200, 90}})}});
        t.push_back({"Data Flow", ToolTypeLink, 8, false, {Poly(15, HeadRight(240))}});
        t.push_back({"Message",
                     ToolTypeLink,
                     0,
                     false,
                     {Poly(0, {{180, 60}, {150, 42}, {150, 78}}), Poly(0, HeadRight(240))}});
        t.push_back(
            {"Duplex", ToolTypeLink, 0, true, {Poly(0, HeadLeft(80)), Poly(0, HeadRight(240))}});
        t.push_back({"Binding", ToolTypeLink, 0, false, {Poly(0, HeadRight(240))}});
        t.push_back({"Dependency",
                     ToolTypeLink,
                     10,
                     false,
                     {Box(TkEllipse, 15, CRect(80, 46, 108, 74)), Poly(0, HeadRight(240))}});
        // Place tools in the 280 x 200 frame.
        // Class: the box with its two compartment lines, traced as one outline.
        // Each compartment line is drawn across and back along itself, so the
        // trace walks the whole left side (every compartment keeps its left
        // border) and the fill, which only the sides bound, covers the box.
        t.push_back({"Class",
                     ToolTypePlace,
                     1,
                     true,
                     {Poly(15,
                           {{0, 0},
                            {279, 0},
                            {279, 199},
                            {0, 199},
                            {0, 130},
                            {279, 130},
                            {0, 130},
                            {0, 60},
                            {279, 60},
                            {0, 60}},
                           1)}});
        // Object: a box with a band for the name.
        t.push_back(
            {"Object",
             ToolTypePlace,
             1,
             false,
             {Poly(
                 15,
                 {{0, 0}, {279, 0}, {279, 199}, {0, 199}, {0, 50}, {279, 50}, {279, 0}, {0, 0}})}});
        // Category: a folder body.
        t.push_back(
            {"Category", ToolTypePlace, 0, true, {Box(TkRectangle, 15, CRect(0, 30, 280, 200))}});
        t.push_back(
            {"State", ToolTypePlace, 0, true, {Box(TkRoundRectangle, 15, CRect(0, 0, 280, 200))}});
        // Program: a sheet with its shadow.
        t.push_back({"Program",
                     ToolTypePlace,
                     0,
                     false,
                     {Box(TkRectangle, 8, CRect(20, 20, 280, 200)),
                      Box(TkRectangle, 15, CRect(0, 0, 260, 180))}});
        // Module declaration and body: a module box with two plugs on its left and
        // a round mark, shaded light for the declaration and dark for the body.
        for (auto [name, shade] :
             {std::pair{"Module Spec", kShadeLight}, std::pair{"Module Body", kShadeDark}}) {
            t.push_back({name,
                         ToolTypePlace,
                         0,
                         false,
                         {Box(TkRectangle, shade, CRect(40, 0, 280, 200)),
                          Box(TkEllipse, 15, CRect(210, 14, 262, 66)),
                          Box(TkRectangle, 15, CRect(0, 40, 80, 80)),
                          Box(TkRectangle, 15, CRect(0, 120, 80, 160))}});
        }
        // Subsystem: a rounded box over a dark one.
        t.push_back({"Subsystem",
                     ToolTypePlace,
                     0,
                     false,
                     {Box(TkRoundRectangle, 0, CRect(20, 20, 280, 200)),
                      Box(TkRoundRectangle, 15, CRect(0, 0, 260, 180))}});
        // Device and processor: a three-dimensional box, its top and side shaded.
        for (auto [name, shade] :
             {std::pair{"Device", kShadeLight}, std::pair{"Processor", kShadeDark}}) {
            t.push_back({name,
                         ToolTypePlace,
                         0,
                         true,
                         {Poly(shade, {{0, 40}, {40, 0}, {279, 0}, {239, 40}}),
                          Poly(shade, {{239, 40}, {279, 0}, {279, 159}, {239, 199}}),
                          Box(TkRectangle, 15, CRect(0, 40, 240, 200))}});
        }
        // Output: a box pointing right; input: a box notched on the left.
        t.push_back({"Output",
                     ToolTypePlace,
                     0,
                     true,
                     {Poly(15, {{0, 0}, {200, 0}, {279, 100}, {200, 199}, {0, 199}})}});
        t.push_back({"Input",
                     ToolTypePlace,
                     0,
                     true,
                     {Poly(15, {{0, 0}, {279, 0}, {279, 199}, {0, 199}, {80, 100}})}});
        t.push_back({"Interaction Point",
                     ToolTypePlace,
                     0,
                     true,
                     {Box(TkEllipse, 15, CRect(0, 0, 280, 200))}});
        // Decision: a diamond with its name frame and a frame for the condition.
        t.push_back({"Decision",
                     ToolTypePlace,
                     0,
                     false,
                     {Poly(15, {{140, 0}, {279, 100}, {140, 199}, {0, 100}}),
                      Text(kShadeText, TextPrimitive::kLabel, CRect(70, 60, 210, 140)),
                      Text(kNoFill, TextPrimitive::kThirdFrame, CRect(150, 150, 280, 200))}});
        return t;
    }();
    return tools;
}

} // namespace

void BuildDefaultToolPalette(ToolModel& tool, NotationTemplate& notation, int toolId) {
    if (toolId < 0 || toolId >= kBuiltinToolCount)
        return;
    const BuiltinTool& builtin = BuiltinTools()[size_t(toolId)];
    tool.name = builtin.name;
    tool.iconSlot = int16_t(toolId);
    tool.semantics = uint8_t(builtin.semantics);
    if (!builtin.generatesCode)
        tool.modelFlags &= ~uint32_t(MfGenCode);
    if (toolId == 8)
        tool.lineKind = 0;
    GuidMap* map = &notation.guidMap;
    for (const SamplePart& part : builtin.parts) {
        std::unique_ptr<Drawable> drawable;
        switch (part.code) {
        case TkPolyline:
        case TkPolygon: {
            auto line = std::make_unique<LinePrimitive>(map);
            line->SetPoints(part.code, int(part.points.size()), part.points.data());
            drawable = std::move(line);
            break;
        }
        case TkText: {
            auto text = std::make_unique<TextPrimitive>(map);
            text->SetFrame(TkText, CRect(part.points[0], part.points[1]));
            text->textFlags = part.textFlags;
            drawable = std::move(text);
            break;
        }
        default: {
            auto box = std::make_unique<BoxPrimitive>(map);
            box->SetFrame(part.code, CRect(part.points[0], part.points[1]));
            drawable = std::move(box);
            break;
        }
        }
        drawable->SetLooks(0, part.lineKind, part.fill, 0, 1, 1, -12, 0);
        tool.AddDrawable(std::move(drawable));
    }
}

} // namespace qm
