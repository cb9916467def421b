// A master's symbol inside a place. The tool's sample drawing is mapped from
// its sample frame onto the place; its text primitives are not drawn but
// give the frames of the name, the second text and the compartments. Over
// the drawing come the name (with stereotype and instance label), the
// compartment lines, the names of the masters of an exploded submodel, the
// tool's icon and the submodel marker.
#include "drawables/SymbolDrawing.h"

#include "drawables/FontFaceTable.h"
#include "drawables/Junction.h"
#include "drawables/NotationTool.h"
#include "drawables/Place.h"
#include "drawables/Primitives.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/TextDrawing.h"
#include "drawables/ZoomScaling.h"
#include "model/Master.h"
#include "platform/UserSettings.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>

namespace qm {

namespace {

const char* const kNotInTemplate = "Not in Template!";

std::string Guillemets(const std::string& text) {
    return "\xC2\xAB" + text + "\xC2\xBB";
}

// The place's rectangle in the frame the drawing goes to.
CRect TargetRect(const Place& place, const CRect* fromFrame, const CRect* toFrame) {
    CRect target = place.bounds;
    if (fromFrame != nullptr && toFrame != nullptr)
        MapRectBetweenRects(place.bounds, target, *fromFrame, *toFrame, false);
    return target;
}

bool IsFramingShape(int kindCode) {
    return kindCode >= TkRectangle && kindCode <= TkPolygon;
}

bool Near(int32_t a, int32_t b) {
    return std::llabs(int64_t(a) - int64_t(b)) < 2;
}

// The height of one line in the looks' font at zoom 1 (16 without metrics).
int32_t LineHeightOf(DeviceContext& dc, const Looks& looks) {
    CFont font;
    FontFaces().UpdateFont(font, looks, 1.0);
    const LogFont previous = dc.SelectObject(font);
    const int32_t h = dc.GetTextExtent("X").cy;
    dc.SelectFont(previous);
    return h > 0 ? h : 16;
}

// The first text primitive of the tool's drawing with the text flag, or null.
const TextPrimitive* TextFrameWithFlag(const NotationTool& tool, int32_t flag) {
    for (const auto& d : tool.Drawing()) {
        if (d->kindCode != TkText)
            continue;
        if (auto* text = dynamic_cast<TextPrimitive*>(d.get()); text && (text->textFlags & flag))
            return text;
    }
    return nullptr;
}

// The lines of a tool's drawing that divide its box into compartments, and
// where a place puts them.
struct Dividers {
    bool active = false; // the place's compartments follow the lines
    bool moved = false;  // the lines lie elsewhere than the plain mapping puts them
    int32_t sampleY[2] = {0, 0};
    int32_t y[2] = {0, 0};
};

// The heights of the horizontal lines of the tool's line primitives that
// cross (nearly) the whole sample frame inside it, ascending, once each.
std::vector<int32_t> DividerLines(const NotationTool& tool) {
    const CRect sample = tool.SampleFrame();
    std::vector<int32_t> ys;
    std::vector<CPoint> v;
    for (const auto& d : tool.Drawing()) {
        const auto* line = dynamic_cast<const LinePrimitive*>(d.get());
        if (line == nullptr)
            continue;
        line->GetVertices(v);
        for (size_t i = 1; i < v.size(); ++i) {
            const CPoint a = v[i - 1], b = v[i];
            if (a.y == b.y && a.y > sample.top + 1 && a.y < sample.bottom - 2 &&
                std::llabs(int64_t(a.x) - b.x) * 10 >= int64_t(sample.Width()) * 9)
                ys.push_back(a.y);
        }
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    return ys;
}

// The room a section of lines takes: its lines and 2 above and below.
constexpr int32_t kSectionPad = 2;

// Where the place's compartment lines go. Where the tool's proportions give
// each compartment room for its text they stay; otherwise the name takes its
// lines, the attributes theirs, and the methods the rest of the box.
Dividers LayOutDividers(const NotationTool& tool, const CRect& target, int32_t nameLines,
                        const CompartmentLayout& layout, int32_t lineHeight) {
    const std::vector<int32_t> lines = DividerLines(tool);
    Dividers out;
    if (lines.size() < 2)
        return out;
    out.active = true;
    out.sampleY[0] = lines[0];
    out.sampleY[1] = lines[1];
    CPoint fixed[2] = {CPoint(0, lines[0]), CPoint(0, lines[1])};
    MapPointsBetweenRects(2, fixed, fixed, tool.SampleFrame(), target, false);
    const int64_t pad = 2 * kSectionPad;
    const int64_t nameNeed = int64_t(nameLines) * lineHeight + pad;
    const int64_t attributeNeed =
        std::max<int64_t>(int64_t(layout.attributeLines) * lineHeight, lineHeight / 2) + pad;
    const int64_t methodNeed = int64_t(layout.methodLines) * lineHeight + pad;
    if (fixed[0].y - int64_t(target.top) >= nameNeed &&
        int64_t(fixed[1].y) - fixed[0].y >= attributeNeed &&
        int64_t(target.bottom) - fixed[1].y >= methodNeed) {
        out.y[0] = fixed[0].y;
        out.y[1] = fixed[1].y;
        return out;
    }
    out.y[0] = int32_t(std::min<int64_t>(target.bottom, target.top + nameNeed));
    out.y[1] = int32_t(std::min<int64_t>(target.bottom, out.y[0] + attributeNeed));
    out.moved = out.y[0] != fixed[0].y || out.y[1] != fixed[1].y;
    return out;
}

// Draws a line primitive of the tool's drawing mapped onto the place with
// its compartment lines moved where the dividers put them: each band of the
// sample between two lines is stretched onto the band between the moved
// lines.
void DrawWithDividers(const LinePrimitive& line, DeviceContext& dc, const Looks& looks, double zoom,
                      const CRect& sample, const CRect& target, const Dividers& dividers,
                      int flag) {
    std::vector<CPoint> v;
    line.GetVertices(v);
    std::vector<CPoint> mapped(v.size());
    MapPointsBetweenRects(int(v.size()), v.data(), mapped.data(), sample, target, false);
    const int64_t from[4] = {sample.top, dividers.sampleY[0], dividers.sampleY[1], sample.bottom};
    const int64_t to[4] = {target.top, dividers.y[0], dividers.y[1], target.bottom};
    for (size_t i = 0; i < v.size(); ++i) {
        const int64_t y = v[i].y;
        const int band = y <= from[1] ? 0 : y <= from[2] ? 1 : 2;
        const int64_t span = std::max<int64_t>(1, from[band + 1] - from[band]);
        mapped[i].y =
            ClampCoordinate(to[band] + (y - from[band]) * (to[band + 1] - to[band]) / span);
    }
    LinePrimitive moved;
    moved.looks = line.looks;
    moved.curved = line.curved;
    if (!moved.SetPoints(line.kindCode, int(mapped.size()), mapped.data()))
        return;
    moved.Draw(dc, &looks, zoom, nullptr, nullptr, flag);
}

// Narrows the device context's clip to a rectangle of the drawing (scaled by
// the zoom) while it lives.
class ScopedClip {
  public:
    ScopedClip(DeviceContext& dc, const CRect& rect, double zoom) : dc_(dc) {
        dc_.SaveDC();
        dc_.IntersectClipRect(ScaleByZoom(rect, zoom));
    }
    ~ScopedClip() { dc_.RestoreDC(); }
    ScopedClip(const ScopedClip&) = delete;
    ScopedClip& operator=(const ScopedClip&) = delete;

  private:
    DeviceContext& dc_;
};

// One section of member lines inside its compartment: the lines that fit
// between the compartment's lines, inset from its sides, clipped to it.
void DrawSection(DeviceContext& dc, const Looks& looks, Looks& imposed, std::string_view codes,
                 const std::string& lines, int32_t lineHeight, const CRect& compartment,
                 double zoom) {
    if (lines.empty() || compartment.IsRectEmpty())
        return;
    const ScopedClip clip(dc, compartment, zoom);
    // The text stops kSectionPad above the next line; DrawMultiLineText lets
    // a line's box reach one unit below the bottom it is given.
    DrawMultiLineText(dc, looks, imposed, codes, lines, int(lines.size()), lineHeight,
                      compartment.left + kSectionPad, compartment.top + kSectionPad,
                      compartment.right - kSectionPad, compartment.bottom - kSectionPad - 1, zoom);
}

} // namespace

void DrawName(const Master& master, DeviceContext& dc, Place& place, const CRect& rect,
              const Looks& looks, double zoom) {
    const bool instance = (place.style & DsScenarioPlace) != 0;
    Looks nameLooks = looks;
    if (instance)
        nameLooks.style |= kStyleUnderline;
    if ((Settings().OptionWord() & ShowHyperLinks) != 0 && !master.link.empty())
        nameLooks.style |= kStyleHyperlink;
    place.nameRect = rect;
    if ((master.flags & MoToolMissing) != 0)
        return;
    DrawLooksText(dc, nameLooks, nameLooks, master.FormatName(place.label, instance), rect, zoom);
}

void DrawShadow(const Master& master, DeviceContext& dc, double zoom, const CRect& placeRect,
                const CRect& target, int flag) {
    if ((Settings().OptionWord() & ShadowPlaces) == 0)
        return;
    NotationTool* tool = ToolOf(&master);
    if (tool == nullptr)
        return;
    const CRect sample = tool->SampleFrame();
    for (const auto& d : tool->Drawing()) {
        if (!IsFramingShape(d->kindCode))
            continue;
        CRect mapped;
        MapRectBetweenRects(d->bounds, mapped, sample, placeRect, false);
        const int matching = Near(mapped.left, placeRect.left) + Near(mapped.top, placeRect.top) +
                             Near(mapped.right, placeRect.right) +
                             Near(mapped.bottom, placeRect.bottom);
        if (matching < 3 || int64_t(mapped.Width()) * 2 <= placeRect.Width() ||
            int64_t(mapped.Height()) * 2 <= placeRect.Height())
            continue;
        Looks shadow = d->looks;
        shadow.lineColor = kColorCodeNone;
        shadow.fillColor = 8;
        CRect offsetTarget = target;
        offsetTarget.OffsetRect(4, 4);
        d->Draw(dc, &shadow, zoom, &sample, &offsetTarget, flag);
        return;
    }
}

std::vector<const Master*> CollectSubmodelMasters(const Master& master, size_t capacity) {
    std::vector<const Master*> found;
    auto* submodel = dynamic_cast<DrawableModel*>(master.submodel);
    if (submodel == nullptr)
        return found;
    std::set<const Master*> seen;
    for (const auto& d : submodel->Drawables()) {
        if (found.size() >= capacity)
            break;
        if (!d->IsPlace())
            continue;
        const Master* shown = static_cast<NodeDrawable*>(d.get())->GetMaster();
        if (shown == nullptr || (d->kindCode < 10 || d->kindCode > 12))
            continue;
        if (seen.insert(shown).second)
            found.push_back(shown);
    }
    std::stable_sort(found.begin(), found.end(), [](const Master* a, const Master* b) {
        const bool a12 = a->ToolNumber() == 12, b12 = b->ToolNumber() == 12;
        if (a12 != b12)
            return a12;
        return a->name < b->name;
    });
    return found;
}

bool PrepareSymbol(const Master& master, Place& place) {
    NotationTool* tool = ToolOf(&master);
    if (tool == nullptr)
        return false;
    tool->MapTextFrame(TextFrameWithFlag(*tool, TextPrimitive::kLabel), place.bounds,
                       place.nameRect);
    return true;
}

void PrepareJunctionGlyphs(Place& place) {
    for (const auto& junction : place.Junctions()) {
        const CPoint p(ClampCoordinate(junction->point.x), ClampCoordinate(junction->point.y));
        Junction::GlyphBounds(junction->kindCode, junction->side, p, junction->bounds);
    }
}

void DrawSymbol(const Master& master, DeviceContext& dc, Place& place, const Looks& looks,
                double zoom, const CRect* fromFrame, const CRect* toFrame, int flag) {
    const CRect target = TargetRect(place, fromFrame, toFrame);
    NotationTool* tool = ToolOf(&master);
    if (tool == nullptr) {
        Looks unfilled = looks;
        unfilled.fillColor = kColorCodeNone;
        place.Drawable::Draw(dc, &unfilled, zoom, fromFrame, toFrame, flag);
        CRect box = target;
        const int32_t grow = std::max(1, TruncToInt32(zoom));
        box.InflateRect(grow, grow);
        DrawLooksText(dc, looks, looks, master.name + "\n(invalid kind)", box, zoom);
        return;
    }
    const CRect sample = tool->SampleFrame();
    DrawShadow(master, dc, zoom, target, target, flag);
    const TextPrimitive* nameFrame = TextFrameWithFlag(*tool, TextPrimitive::kLabel);
    const TextPrimitive* compartmentFrame = TextFrameWithFlag(*tool, TextPrimitive::kCompartments);
    const bool listsMembers = (place.placeFlags & PfCompartments) != 0;
    // The line height is measured only for what is laid out by lines.
    const bool byLines = listsMembers || master.submodel != nullptr ||
                         (!master.stereotype.empty() && nameFrame == nullptr);
    const int32_t lineHeight = byLines ? LineHeightOf(dc, looks) : 16;
    std::string text, codes;
    CompartmentLayout layout;
    if (listsMembers)
        place.LayoutCompartments(text, &codes, kPlaceTextRoom, place.placeFlags, nullptr, looks,
                                 layout);
    const int32_t nameLines = master.stereotype.empty() ? 1 : 2;
    // A tool without a compartment frame whose drawing divides the box by
    // lines has its compartments laid out by the text they hold.
    const Dividers dividers = listsMembers && compartmentFrame == nullptr
                                  ? LayOutDividers(*tool, target, nameLines, layout, lineHeight)
                                  : Dividers{};
    for (const auto& d : tool->Drawing()) {
        if (d->kindCode == TkText)
            continue;
        const auto* line = dynamic_cast<const LinePrimitive*>(d.get());
        if (dividers.moved && line != nullptr)
            DrawWithDividers(*line, dc, looks, zoom, sample, target, dividers, flag);
        else
            d->Draw(dc, &looks, zoom, &sample, &target, flag);
    }

    CRect nameRect;
    tool->MapTextFrame(nameFrame, target, nameRect);
    // With dividers the name keeps to the first compartment; the name
    // rectangle that hit tests read stays the tool's.
    CRect nameText = nameRect;
    if (dividers.active)
        nameText.bottom = std::min(nameText.bottom, dividers.y[0]);
    // Without a name frame the name stands in the whole place: it keeps off
    // the outline, which its opaque background would otherwise erase.
    if (nameFrame == nullptr)
        nameText.DeflateRect(1, 1);
    if ((master.flags & MoToolMissing) != 0) {
        Looks warning = looks;
        warning.height = int16_t(warning.height - 1);
        warning.style = kStyleBold;
        warning.textColor = 9;
        place.nameRect = nameRect;
        DrawLooksText(dc, warning, warning, kNotInTemplate, nameText, zoom);
    } else if (!master.stereotype.empty()) {
        // A tool's name frame holds the two lines in its halves. Without one
        // the name frame is the whole place, whose halves would put the name
        // down among the compartments: the stereotype takes the first line
        // and the name the second, where the compartments below expect them.
        const int32_t split =
            nameFrame != nullptr
                ? nameRect.top + nameRect.Height() / 2
                : int32_t(std::min<int64_t>(int64_t(nameRect.top) + lineHeight, nameText.bottom));
        const CRect stereoRect(nameRect.left, nameRect.top, nameRect.right, split);
        const CRect lower(nameRect.left, split, nameRect.right, nameText.bottom);
        DrawLooksText(dc, looks, looks, Guillemets(master.stereotype), stereoRect, zoom);
        DrawName(master, dc, place, lower, looks, zoom);
        place.nameRect = nameRect;
    } else {
        DrawName(master, dc, place, nameText, looks, zoom);
        place.nameRect = nameRect;
    }

    CRect listRect;
    if (compartmentFrame != nullptr)
        tool->MapTextFrame(compartmentFrame, target, listRect);
    if (!listsMembers && master.submodel == nullptr) {
        CRect marker;
        place.GetSubmodelMarkerRect(marker);
        DrawSubmodelMarker(dc, marker, false, zoom);
        return;
    }
    if (compartmentFrame == nullptr) {
        // A tool without a compartment frame lists below the name (and the
        // stereotype's line), as the auto size measures the symbol.
        listRect = CRect(target.left,
                         ClampCoordinate(int64_t(nameRect.top) + int64_t(nameLines) * lineHeight +
                                         lineHeight / 2),
                         target.right, target.bottom);
    }
    if (listsMembers) {
        const std::string attributes = text.substr(0, size_t(layout.attributeChars));
        const std::string methods = text.substr(size_t(layout.attributeChars));
        Looks imposed = looks;
        if (dividers.active) {
            // Each section in its compartment, cut at the first line that
            // would reach the compartment's line.
            const CRect first(target.left, dividers.y[0], target.right, dividers.y[1]);
            const CRect second(target.left, dividers.y[1], target.right, target.bottom);
            DrawSection(dc, looks, imposed, codes, attributes, lineHeight, first, zoom);
            DrawSection(dc, looks, imposed, codes.substr(size_t(layout.attributeLines)), methods,
                        lineHeight, second, zoom);
        } else {
            const ScopedClip clip(dc, listRect, zoom);
            int32_t top = listRect.top + 2;
            DrawMultiLineText(dc, looks, imposed, codes, attributes, int(attributes.size()),
                              lineHeight, listRect.left + 2, top, listRect.right - 2,
                              listRect.bottom, zoom);
            top += layout.attributeLines * lineHeight + 4;
            if (layout.methodLines > 0 && top < listRect.bottom) {
                if (layout.attributeLines > 0) {
                    // The line between the attribute and the method section.
                    const LogPen pen = dc.SelectPen(PS_SOLID, 1, ColorFromCode(looks.lineColor));
                    CPoint divider[2] = {CPoint(listRect.left, top - 2),
                                         CPoint(listRect.right, top - 2)};
                    ScalePointsByZoom(2, divider, divider, zoom);
                    dc.Polyline(divider, 2);
                    dc.SelectPen(pen);
                }
                DrawMultiLineText(dc, looks, imposed, codes.substr(size_t(layout.attributeLines)),
                                  methods, int(methods.size()), lineHeight, listRect.left + 2, top,
                                  listRect.right - 2, listRect.bottom, zoom);
            }
        }
    } else if (master.submodel != nullptr) {
        // An exploded master lists the masters its submodel shows.
        const std::vector<const Master*> shown = CollectSubmodelMasters(master, 256);
        std::string names;
        for (const Master* m : shown)
            names += m->name + "\r\n";
        const CRect box = listRect;
        Looks imposed = looks;
        imposed.style |= kStyleItalic;
        DrawMultiLineText(dc, looks, imposed, "", names, int(names.size()), lineHeight, box.left,
                          box.top, box.right, box.bottom, zoom);
    }
    CRect marker;
    place.GetSubmodelMarkerRect(marker);
    DrawSubmodelMarker(dc, marker, master.submodel != nullptr, zoom);
}

} // namespace qm
