// The id index of a model's drawables and junctions used while records are
// bound, and the look-ups that prefer it to a walk over the model.
#include "drawables/DrawableIdIndex.h"

#include "drawables/Drawable.h"
#include "drawables/Junction.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "model/GuidMap.h"

namespace qm {

namespace {

// Pre-order, as the walks do: a drawable before its members, so that the
// first entry kept for an id is the one the walk meets first.
void AddObjects(const DrawableList& list, std::unordered_map<std::string_view, Drawable*>& into) {
    for (const auto& drawable : list) {
        into.emplace(drawable->guid.Text(), drawable.get());
        if (!drawable->IsGroup())
            continue;
        if (DrawableList* members = drawable->GetMemberList())
            AddObjects(*members, into);
    }
}

void AddJunctions(const DrawableList& list, std::unordered_map<std::string_view, Drawable*>& into) {
    for (const auto& drawable : list) {
        if (auto* place = dynamic_cast<Place*>(drawable.get())) {
            for (const auto& junction : place->Junctions())
                into.emplace(junction->guid.Text(), junction.get());
        }
        if (DrawableList* members = drawable->GetMemberList())
            AddJunctions(*members, into);
    }
}

Drawable* Find(const std::unordered_map<std::string_view, Drawable*>& map, const char* id) {
    auto it = map.find(std::string_view(id));
    return it != map.end() ? it->second : nullptr;
}

DrawableIdIndex* IndexFor(DrawableModel& model, const GuidScope* scope) {
    if (scope == nullptr || scope->drawableIndex == nullptr ||
        scope->drawableIndex->Model() != &model)
        return nullptr;
    return scope->drawableIndex;
}

} // namespace

void DrawableIdIndex::Build() {
    if (built_)
        return;
    const DrawableList& list = model_->Drawables();
    AddObjects(list, objects_);
    AddJunctions(list, junctions_);
    built_ = true;
}

Drawable* DrawableIdIndex::FindObject(const char* id) {
    if (id == nullptr)
        return nullptr;
    Build();
    return Find(objects_, id);
}

Drawable* DrawableIdIndex::FindObjectOrJunction(const char* id) {
    if (id == nullptr)
        return nullptr;
    Build();
    if (Drawable* found = Find(objects_, id))
        return found;
    return Find(junctions_, id);
}

Drawable* FindObjectIn(DrawableModel& model, const GuidScope* scope, const char* id) {
    if (DrawableIdIndex* index = IndexFor(model, scope))
        return index->FindObject(id);
    return model.FindObjectById(id);
}

Drawable* FindDrawableOrJunctionIn(DrawableModel& model, const GuidScope* scope, const char* id) {
    if (DrawableIdIndex* index = IndexFor(model, scope))
        return index->FindObjectOrJunction(id);
    return FindDrawableOrJunction(model, id);
}

} // namespace qm
