// A drawable as its class, asked of its kind first: the kind (place, link,
// junction) and tool code (message, place group) a drawable keeps answer
// most questions without a cast, so the paths that ask on every mouse move
// cast only a drawable of the right kind, and only to make sure of it
// (AsPlaceGroup is PlaceGroup.h's).
#pragma once

#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/PlaceGroup.h"
#include "drawables/Tag.h"

namespace qm {

// The drawable as a link, or null.
inline Link* AsLink(Drawable* drawable) {
    return drawable != nullptr && drawable->IsLink() ? dynamic_cast<Link*>(drawable) : nullptr;
}

// The drawable as a place (a place group, swimlane or scenario place too), or null.
inline Place* AsPlace(Drawable* drawable) {
    return drawable != nullptr && drawable->IsPlace() ? dynamic_cast<Place*>(drawable) : nullptr;
}
inline const Place* AsPlace(const Drawable* drawable) {
    return drawable != nullptr && drawable->IsPlace() ? dynamic_cast<const Place*>(drawable)
                                                      : nullptr;
}

// The drawable as a junction, or null.
inline Junction* AsJunction(Drawable* drawable) {
    return drawable != nullptr && drawable->IsJunction() ? dynamic_cast<Junction*>(drawable)
                                                         : nullptr;
}
inline const Junction* AsJunction(const Drawable* drawable) {
    return drawable != nullptr && drawable->IsJunction() ? dynamic_cast<const Junction*>(drawable)
                                                         : nullptr;
}

// The drawable as a message floater, or null.
inline Floater* AsFloater(Drawable* drawable) {
    return drawable != nullptr && drawable->IsFloater() ? dynamic_cast<Floater*>(drawable)
                                                        : nullptr;
}

} // namespace qm
