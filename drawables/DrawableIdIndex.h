// The drawables and junctions of a model by id, for binding the references
// of records just read: built on the first look-up from the model's list, it
// answers each id in constant time with the drawable a walk over the list
// would have found first.
#pragma once

#include "drawables/DrawableModel.h"

#include <string_view>
#include <unordered_map>

namespace qm {

class GuidScope;

class DrawableIdIndex {
  public:
    explicit DrawableIdIndex(DrawableModel& model) : model_(&model) {}
    DrawableIdIndex(const DrawableIdIndex&) = delete;
    DrawableIdIndex& operator=(const DrawableIdIndex&) = delete;

    DrawableModel* Model() const { return model_; }
    // As FindObjectById over the model's list: the first drawable of that id,
    // groups searched inside, depth first.
    Drawable* FindObject(const char* id);
    // As FindDrawableOrJunction: such a drawable, else the first junction of
    // that id on a place of the model or of a member list.
    Drawable* FindObjectOrJunction(const char* id);

  private:
    void Build();

    DrawableModel* model_;
    bool built_ = false;
    // The ids are views of the drawables' own id texts: the index lives only
    // while the records of one list are bound, and binding renames nothing.
    std::unordered_map<std::string_view, Drawable*> objects_;
    std::unordered_map<std::string_view, Drawable*> junctions_;
};

// The drawable of model whose id is id, through the index scope carries for
// that model when there is one, else by a walk over the model.
Drawable* FindObjectIn(DrawableModel& model, const GuidScope* scope, const char* id);
// As FindDrawableOrJunction, through the scope's index as above.
Drawable* FindDrawableOrJunctionIn(DrawableModel& model, const GuidScope* scope, const char* id);

} // namespace qm
