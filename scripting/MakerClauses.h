// The shared reading of the maker built-ins: (maker target clause ...). The
// kernel hands a maker its argument list unevaluated; the target is evaluated
// once, and each clause is a list (tag value ...) whose tag is compared by
// identity with the maker's tag symbols and whose values are taken as
// written, except where the maker evaluates a reference. Every error goes
// through scripterror under the maker's own symbol and never returns.
//
// Numeric clause values are checked: a value that is not an integer is
// "integer number expected" with that value (never read as if it were one),
// and a clause too short for its rectangle or point is "bad clause" with the
// clause.
#pragma once

#include "drawables/Looks.h"
#include "kernel/Cell.h"
#include "platform/Geometry.h"
#include "scripting/References.h"

#include <memory>
#include <string>
#include <vector>

namespace qm {

class Drawable;
class GuidMap;
class Model;
class PrimitiveGroup;

inline constexpr const char* kBadClause = "bad clause";
inline constexpr const char* kBadTag = "bad tag";
inline constexpr const char* kInvalidLooks = "invalid looks specification";

class MakerForm {
  public:
    // Reads the special form's argument list ("list expected" when it is not
    // a list); errors name self.
    explicit MakerForm(kest::Symbol* self);

    // Evaluates the target and returns its live object when it is a reference
    // of kind; anything else is message with the evaluated value.
    void* Target(ReferenceKind kind, const char* message);
    // Evaluates the target without checking it.
    kest::Cell* EvalTarget();
    // The evaluated target cell (after Target).
    kest::Cell* TargetCell() const { return target_; }

    // Takes the next element as it is, not as a clause (nil when none is left).
    kest::Cell* TakeElement();
    // Moves to the next clause; false after the last. An element that is not
    // a list is "bad clause".
    bool Next();
    // The tag symbol of the current clause (nil for an empty clause).
    kest::Cell* Tag() const { return tag_; }
    // True when the tag is the symbol of that name (identity).
    bool Is(const char* name) const;
    // The values after the tag.
    kest::Cell* Values() const { return values_; }
    // The first value (nil for none).
    kest::Cell* First() const;
    kest::Cell* Clause() const { return clause_; }

    // A string's characters or a symbol's name ("string expected"); a missing
    // value reads as the text nil.
    std::string Text() const { return TextOf(First()); }
    std::string TextOf(kest::Cell* value) const;
    // The first value as an integer.
    int32_t Int() const;
    // The first value as a number, integer or real ("real number expected").
    double Real() const;
    // (tag x y) and (tag left top right bottom).
    CPoint Point() const;
    CRect Rect() const;
    // (tag x1 y1 x2 y2 ...): one point per pair; an odd count is "bad clause".
    std::vector<CPoint> Points() const;
    // Evaluates value and returns its live object when it is a reference of
    // one of the kinds (kindB < 0: only kindA); anything else is message.
    void* EvalRef(kest::Cell* value, int kindA, int kindB, const char* message,
                  kest::Cell** cell = nullptr) const;
    // The looks clause: looks reset (with or without the inherit flag), then
    // each sub-clause sets its field.
    void ReadLooks(Looks& looks, bool inherit) const;

    [[noreturn]] void Fail(const char* message, kest::Cell* value = nullptr) const;
    [[noreturn]] void BadTag() const { Fail(kBadTag, tag_); }

    kest::Symbol* Self() const { return self_; }

  private:
    int32_t IntAt(kest::Cell* list, int index) const;

    kest::Symbol* self_;
    kest::Cell* rest_;
    kest::Cell* target_ = nullptr;
    kest::Cell* clause_ = nullptr;
    kest::Cell* tag_ = nullptr;
    kest::Cell* values_ = nullptr;
};

// Marks the project of the current run modified (makers record no journal
// entry).
void MarkRunProjectModified();

// The looks sub-clauses over a list of them, into looks (already reset by
// the caller): each of font, justify, fontSize, fontStyle, lineStyle,
// outlineColor, fillColor and textColor sets its field, a sub-clause with
// another head is skipped, one that is not a list is "invalid looks
// specification". fontStyle replaces the four font bits and keeps the
// others (the inherit bit among them).
void ReadLooksClauses(kest::Symbol* self, kest::Cell* clauses, Looks& looks);

// The id map of the project that owns model (the run's project's when the
// model knows none).
GuidMap* MakerProjectMap(Model* model);
// The model a drawable maker's target names ("model reference expected").
Model* MakerModelTarget(MakerForm& form);

// Every drawable of a drawable's tree: itself, the members of its groups
// (depth first) and a place's junctions.
void CollectDrawableTree(Drawable* drawable, std::vector<Drawable*>& out);
// The drawables of the tree will be freed: references to them resolve to
// nothing from now on, and map (when given) no longer holds them.
void ForgetDrawableTree(Drawable* drawable, GuidMap* map);

// True when the model holds the drawable: in its own list, inside one of
// its groups, or as a junction of one of its places. A drawable of another
// model would leave the new drawable pointing into a model that can delete
// what it points at without knowing of it.
bool ModelHolds(const Model* model, const Drawable* drawable);

// A drawable that leaves the project for good (a maker's drawable that is
// not going into its model, the drawables of a deleted model): the places of
// its tree give back their masters' uses, then ForgetDrawableTree.
void DropDrawableTree(Drawable* drawable, GuidMap* map);

// The end of every drawable maker: the finished drawable goes to the end of
// the model's list, the run's project is marked modified, and the answer is
// the script's reference of that kind to the drawable (map: its project's id map).
kest::Cell* AdoptIntoModel(Model* model, std::unique_ptr<Drawable> drawable, ReferenceKind kind,
                           GuidMap* map);

// The members clauses of the group makers: moves the drawable from the
// model's own list (and out of its selection) to the end of group; false
// when the model's list does not hold it.
bool AdoptIntoGroup(Model* model, PrimitiveGroup& group, Drawable* drawable);

// A drawable a maker is building. When the maker fails before handing it to
// its model, the drawable is freed together with whatever its members
// clause had moved into it, and none of them stays reachable through a
// reference or the id map.
template <class T> class DraftDrawable {
  public:
    DraftDrawable(std::unique_ptr<T> drawable, GuidMap* map)
        : drawable_(std::move(drawable)), map_(map) {}
    ~DraftDrawable() {
        if (drawable_ != nullptr)
            DropDrawableTree(drawable_.get(), map_);
    }
    DraftDrawable(const DraftDrawable&) = delete;
    DraftDrawable& operator=(const DraftDrawable&) = delete;
    T* operator->() const { return drawable_.get(); }
    T* get() const { return drawable_.get(); }
    std::unique_ptr<T> Release() { return std::move(drawable_); }

  private:
    std::unique_ptr<T> drawable_;
    GuidMap* map_;
};

} // namespace qm
