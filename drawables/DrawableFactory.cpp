// The drawable factory's table and the discarding of drawables that failed to read.
#include "drawables/DrawableFactory.h"

#include "drawables/Link.h"
#include "drawables/PlaceGroup.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/Primitives.h"
#include "drawables/ScenarioPlace.h"
#include "drawables/Tag.h"
#include "drawables/UiControl.h"
#include "kernel/Kernel.h"
#include "kernel/Predefined.h"
#include "model/GuidMap.h"

namespace qm {

namespace {

template <class T> std::unique_ptr<Drawable> Make() {
    return std::make_unique<T>();
}

struct Maker {
    kest::Symbol* const* head; // the predefined symbol, set when the kernel starts
    std::unique_ptr<Drawable> (*make)();
};

// One line per drawable record.
const Maker kMakers[] = {
    {&kest::sym::line, Make<LinePrimitive>}, {&kest::sym::text, Make<TextPrimitive>},
    {&kest::sym::box, Make<BoxPrimitive>},   {&kest::sym::group, Make<PrimitiveGroup>},
    {&kest::sym::place, Make<Place>},        {&kest::sym::scenPlace, Make<ScenarioPlace>},
    {&kest::sym::link, Make<Link>},          {&kest::sym::tag, Make<Tag>},
    {&kest::sym::floater, Make<Floater>},    {&kest::sym::placeGroup, Make<PlaceGroup>},
    {&kest::sym::swimlane, Make<Swimlane>},
};

const Maker* FindMaker(kest::Cell* head) {
    for (const Maker& maker : kMakers) {
        if (static_cast<kest::Cell*>(*maker.head) == head)
            return &maker;
    }
    return nullptr;
}

// The controls' heads are no predefined symbols: they are found by name.
std::unique_ptr<Drawable> MakeFor(kest::Cell* head) {
    if (const Maker* maker = FindMaker(head))
        return maker->make();
    return MakeUiControlForHead(static_cast<kest::Symbol*>(head)->name);
}

} // namespace

bool IsDrawableHead(kest::Cell* head) {
    return head != nullptr && kest::issymbol(head) &&
           (FindMaker(head) != nullptr || IsUiControlHead(static_cast<kest::Symbol*>(head)->name));
}

void DiscardDrawable(std::unique_ptr<Drawable> drawable, GuidScope* scope) {
    if (drawable == nullptr)
        return;
    GuidMap* map = scope != nullptr ? scope->current : nullptr;
    if (map != nullptr && map->Lookup(drawable->guid.Text()) == drawable.get()) {
        drawable->Detach(scope);
        return;
    }
    // Not registered under its id (its record failed before the base run was
    // stored): its members may be, so they go one by one, and the map entry
    // under its id, which may be another object's, stays untouched.
    if (DrawableList* members = drawable->GetMemberList()) {
        DrawableList taken;
        taken.swap(*members);
        for (auto& member : taken)
            DiscardDrawable(std::move(member), scope);
    }
    drawable->SetDetached();
}

std::unique_ptr<Drawable> CreateDrawableFromRecord(kest::Cell* record, GuidScope* scope) {
    if (record == nullptr || !kest::ispair(record) || !kest::issymbol(kest::car(record)))
        return nullptr;
    std::unique_ptr<Drawable> drawable = MakeFor(kest::car(record));
    if (drawable == nullptr)
        return nullptr;
    try {
        drawable->Persist(scope, record);
    } catch (...) {
        DiscardDrawable(std::move(drawable), scope);
        throw;
    }
    return drawable;
}

} // namespace qm
