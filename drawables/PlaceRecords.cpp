// The factory entries of the place, scenario place and link records.
#include "drawables/PlaceRecords.h"

#include "drawables/Link.h"
#include "drawables/Primitives.h"
#include "drawables/ScenarioPlace.h"
#include "kernel/Kernel.h"

#include <memory>

namespace qm {

Drawable* CreatePlaceOrLinkFromRecord(kest::Cell* record, GuidScope* scope) {
    if (record == nullptr || !kest::ispair(record) || !kest::issymbol(kest::car(record)))
        return nullptr;
    kest::Cell* head = kest::car(record);
    Drawable* drawable = nullptr;
    if (head == kest::sym::place)
        drawable = new Place();
    else if (head == kest::sym::scenPlace)
        drawable = new ScenarioPlace();
    else if (head == kest::sym::link)
        drawable = new Link();
    else
        return nullptr;
    try {
        drawable->Persist(scope, record);
    } catch (...) {
        DiscardDrawable(drawable, scope);
        throw;
    }
    return drawable;
}

} // namespace qm
