// The drawing of a master's symbol inside a place: the tool's sample
// drawing mapped into the place, its shadow, the name with stereotype and
// instance label, the compartments with the shown members, the names of the
// masters of an exploded submodel, the tool's icon and the submodel marker.
#pragma once

#include "drawables/Looks.h"
#include "platform/DeviceContext.h"

#include <cstddef>
#include <vector>

namespace qm {

class Master;
class Place;

// Draws the master's label (FormatName) in the place's name rectangle,
// underlined for an instance and as a hyperlink when the settings show them
// and the master has a link; nothing for a master whose tool is missing.
// The drawn rectangle becomes the place's name rectangle.
void DrawName(const Master& master, DeviceContext& dc, Place& place, const CRect& rect,
              const Looks& looks, double zoom);

// The place's name rectangle as drawing the master's symbol sets it: the
// tool's name frame mapped onto the place's bounds. False, with the name
// rectangle left alone, when the master has no tool.
bool PrepareSymbol(const Master& master, Place& place);

// Lays the place's junction glyphs out where drawing them puts them.
void PrepareJunctionGlyphs(Place& place);

// Draws the symbol of the master in the place (frames, when both are given,
// map the place from the first into the second).
void DrawSymbol(const Master& master, DeviceContext& dc, Place& place, const Looks& looks,
                double zoom, const CRect* fromFrame, const CRect* toFrame, int flag);

// With the "draw places shadowed" option: the tool's first rectangle, rounded
// rectangle, ellipse or polygon that frames the place is drawn once more, 4
// units right and down, in the shadow looks. Nothing when none matches.
void DrawShadow(const Master& master, DeviceContext& dc, double zoom, const CRect& placeRect,
                const CRect& target, int flag);

// The distinct masters shown by the places of the master's submodel whose
// tools are the built-in tools 10, 11 or 12, at most capacity of them, those
// of tool 12 first and then by name.
std::vector<const Master*> CollectSubmodelMasters(const Master& master, size_t capacity);

} // namespace qm
