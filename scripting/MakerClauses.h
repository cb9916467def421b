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

#include <string>
#include <vector>

namespace qm {

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

// ReadLooksSpec's sub-clauses over a list of them, into looks (already reset
// by the caller).
void ReadLooksClauses(kest::Symbol* self, kest::Cell* clauses, Looks& looks);

} // namespace qm
