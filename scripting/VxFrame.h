// The calling frame every Vx built-in shares: the argument count checked
// against the built-in's range, missing optional arguments read as nil, and
// readers that check each argument's type and reference kind in argument
// order, reporting the kernel's messages (or the built-in's own) through
// scripterror under the built-in's symbol. A built-in never pops the
// argument stack; the kernel restores it after the call.
#pragma once

#include "drawables/Drawable.h"
#include "kernel/Cell.h"
#include "kernel/Errors.h"
#include "scripting/References.h"

#include <cstdint>
#include <string>

namespace qm {

class Drawable;
class Master;
class Model;

// Messages of the Vx built-ins beside the kernel's own.
inline constexpr const char* kInvalidModelArgument = "invalid model argument";
inline constexpr const char* kInvalidGroupArgument = "invalid group argument";
inline constexpr const char* kInvalidMasterArgument = "invalid master argument";
inline constexpr const char* kModelReferenceExpected = "model reference expected";
inline constexpr const char* kMasterReferenceExpected = "master reference expected";
inline constexpr const char* kProjectReferenceExpected = "project reference expected";
inline constexpr const char* kDrawableExpected = "drawable expected";
// A reference whose object was deleted, or whose project was closed, since
// the script took it.
inline constexpr const char* kObjectGone = "referenced object no longer exists";

// The frame of an evaluated built-in (calling kinds 4 and 5).
class VxFrame {
  public:
    // Checks the count: "incorrect number of arguments" outside [min, max]
    // (max < 0: no upper bound).
    VxFrame(kest::Symbol* self, int min, int max);

    int Count() const { return count_; }
    // Argument i, or nil when the call has fewer arguments.
    kest::Cell* Arg(int i) const;

    // A string's text or a symbol's name ("string expected").
    const char* Text(int i) const;
    // A file or folder path as Text gives it, read as the kernel's file
    // built-ins read one: "\\" and "/" both separate folders (pathconc
    // joins with "\\"), so every backslash becomes "/".
    std::string Path(int i) const;
    // A list or nil ("list expected").
    kest::Cell* List(int i) const;
    // An integer ("integer number expected").
    int32_t Int(int i) const;
    // A reference cell ("object reference expected"); its object must still
    // exist (kObjectGone).
    kest::Cell* Ref(int i) const;
    // A reference of kind 1 to a live master ("invalid master argument").
    Master* MasterArg(int i) const;
    // A reference of kind 0 to a live model ("invalid model argument").
    Model* ModelArg(int i) const;
    // A reference of kind 4 or 2 to a live group: the group's member list
    // (a primitive group's own, a place group's embedded group's) ("invalid
    // group argument").
    const DrawableList* GroupMembersArg(int i) const;
    // A reference to a live drawable of any drawable kind (2, 3, 4, 5, 11)
    // ("drawable expected").
    Drawable* DrawableArg(int i) const;
    // The live object of a reference of the given kind, reporting message
    // when the argument is not a reference of that kind.
    void* RefOfKind(int i, ReferenceKind kind, const char* message) const;

    // Reports an error of this built-in; never returns.
    [[noreturn]] void Fail(const char* message, kest::Cell* value = nullptr) const;
    [[noreturn]] void Fail(kest::ErrorCode code, kest::Cell* value = nullptr) const;

    kest::Symbol* Self() const { return self_; }

  private:
    kest::Symbol* self_;
    int count_;
};

// The unevaluated argument list of a special form (calling kind 6).
kest::Cell* SpecialFormArgs();

} // namespace qm
