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
    const TextPrimitive* nameFrame = nullptr;
    const TextPrimitive* compartmentFrame = nullptr;
    for (const auto& d : tool->Drawing()) {
        if (d->kindCode == TkText) {
            if (auto* text = dynamic_cast<TextPrimitive*>(d.get())) {
                if (nameFrame == nullptr && (text->textFlags & TextPrimitive::kLabel) != 0)
                    nameFrame = text;
                if (compartmentFrame == nullptr &&
                    (text->textFlags & TextPrimitive::kCompartments) != 0)
                    compartmentFrame = text;
            }
            continue;
        }
        d->Draw(dc, &looks, zoom, &sample, &target, flag);
    }

    CRect nameRect;
    tool->MapTextFrame(nameFrame, target, nameRect);
    if ((master.flags & MoToolMissing) != 0) {
        Looks warning = looks;
        warning.height = int16_t(warning.height - 1);
        warning.style = kStyleBold;
        warning.textColor = 9;
        place.nameRect = nameRect;
        DrawLooksText(dc, warning, warning, kNotInTemplate, nameRect, zoom);
    } else if (!master.stereotype.empty()) {
        // A tool's name frame holds the two lines in its halves. Without one
        // the name frame is the whole place, whose halves would put the name
        // down among the compartments: the stereotype takes the first line
        // and the name the second, where the compartments below expect them.
        const int32_t split =
            nameFrame != nullptr
                ? nameRect.top + nameRect.Height() / 2
                : int32_t(std::min<int64_t>(int64_t(nameRect.top) + LineHeightOf(dc, looks),
                                            nameRect.bottom));
        const CRect stereoRect(nameRect.left, nameRect.top, nameRect.right, split);
        const CRect lower(nameRect.left, split, nameRect.right, nameRect.bottom);
        DrawLooksText(dc, looks, looks, Guillemets(master.stereotype), stereoRect, zoom);
        DrawName(master, dc, place, lower, looks, zoom);
        place.nameRect = nameRect;
    } else {
        DrawName(master, dc, place, nameRect, looks, zoom);
    }

    CRect listRect;
    if (compartmentFrame != nullptr)
        tool->MapTextFrame(compartmentFrame, target, listRect);
    const bool listsMembers = (place.placeFlags & PfCompartments) != 0;
    if (!listsMembers && master.submodel == nullptr) {
        CRect marker;
        place.GetSubmodelMarkerRect(marker);
        DrawSubmodelMarker(dc, marker, false, zoom);
        return;
    }
    const int32_t lineHeight = LineHeightOf(dc, looks);
    if (compartmentFrame == nullptr) {
        // A tool without a compartment frame lists below the name (and the
        // stereotype's line), as the auto size measures the symbol.
        const int32_t nameLines = master.stereotype.empty() ? 1 : 2;
        listRect = CRect(target.left,
                         ClampCoordinate(int64_t(nameRect.top) + int64_t(nameLines) * lineHeight +
                                         lineHeight / 2),
                         target.right, target.bottom);
    }
    if (listsMembers) {
        std::string text, codes;
        CompartmentLayout layout;
        place.LayoutCompartments(text, &codes, kPlaceTextRoom, place.placeFlags, nullptr, looks,
                                 layout);
        const std::string attributes = text.substr(0, size_t(layout.attributeChars));
        const std::string methods = text.substr(size_t(layout.attributeChars));
        Looks imposed = looks;
        int32_t top = listRect.top + 2;
        DrawMultiLineText(dc, looks, imposed, codes, attributes, int(attributes.size()), lineHeight,
                          listRect.left + 2, top, listRect.right - 2, listRect.bottom, zoom);
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
