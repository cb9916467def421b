// The lists drawables live in and a model as its drawables see it. A
// DrawableList owns its drawables (a model's list, a group's members);
// DrawableRefList only names drawables that live elsewhere.
#pragma once

#include <list>
#include <memory>

namespace qm {

class Drawable;

using DrawableList = std::list<std::unique_ptr<Drawable>>;
using DrawableRefList = std::list<Drawable*>;

// The position of drawable in list, or list.end().
DrawableList::iterator FindIn(DrawableList& list, const Drawable* drawable);
DrawableList::const_iterator FindIn(const DrawableList& list, const Drawable* drawable);
// Takes drawable out of list and returns it; null when list does not hold it.
std::unique_ptr<Drawable> TakeFrom(DrawableList& list, const Drawable* drawable);

// A model as its drawables see it: the list that owns its top-level
// drawables (read through the view, written through the two operations so
// that the model knows it changed), the search by id and the selection.
class DrawableModel {
  public:
    virtual ~DrawableModel() = default;
    // The model's own drawable list, head first in drawing order.
    virtual const DrawableList& Drawables() const = 0;
    // Appends to the list (the model owns it from now on); returns it, or
    // null for null.
    virtual Drawable* AddDrawable(std::unique_ptr<Drawable> drawable) = 0;
    // Takes the drawable out of the list; null when the list does not hold it.
    [[nodiscard]] virtual std::unique_ptr<Drawable> TakeDrawable(const Drawable* drawable) = 0;
    // The drawable of that id in the model, searched depth first through
    // containers; null when there is none.
    virtual Drawable* FindObjectById(const char* id) = 0;
    // Selects (on 1) or deselects a drawable of the model.
    virtual void Select(Drawable* drawable, int on, int extend, int notify) = 0;
    // True for a tool model: its objects live in the template's id map.
    virtual bool IsToolModel() const = 0;
};

} // namespace qm
