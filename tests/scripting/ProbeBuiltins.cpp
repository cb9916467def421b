// Probe built-ins that drive the Vx calling frame from scripts in the tests:
// they read their arguments through the same readers the Vx built-ins use.
#include "ScriptingFixture.h"
#include "drawables/Model.h"
#include "model/Master.h"
#include "scripting/VxFrame.h"

namespace qm::test {

namespace {

using namespace kest;

// (TestMasterName master): the master's name.
Cell* TestMasterName(Symbol* self) {
    VxFrame frame(self, 1, 1);
    Master* master = frame.MasterArg(0);
    return mkstr(master->name.c_str());
}

// (TestModelName model): the model's name.
Cell* TestModelName(Symbol* self) {
    VxFrame frame(self, 1, 1);
    return mkstr(frame.ModelArg(0)->name.c_str());
}

// (TestGroupSize group): the number of the group's members.
Cell* TestGroupSize(Symbol* self) {
    VxFrame frame(self, 1, 1);
    return mkint(static_cast<int32_t>(frame.GroupMembersArg(0)->size()));
}

// (TestDrawableKind drawable): the drawable's kind byte.
Cell* TestDrawableKind(Symbol* self) {
    VxFrame frame(self, 1, 1);
    return mkint(frame.DrawableArg(0)->kind);
}

// (TestRefKind ref): the reference kind of a live reference.
Cell* TestRefKind(Symbol* self) {
    VxFrame frame(self, 1, 1);
    return mkint(frame.Ref(0)->flag);
}

// (TestArgs a [b [c]]): the three arguments as a list, missing ones nil;
// b must be a text and c an integer when given.
Cell* TestArgs(Symbol* self) {
    VxFrame frame(self, 1, 3);
    Cell* b = frame.Arg(1);
    if (frame.Count() > 1)
        frame.Text(1);
    if (frame.Count() > 2)
        frame.Int(2);
    return mklist(frame.Arg(0), b, frame.Arg(2), nullptr);
}

// (TestModelFailure): fails as model code does, with an exception.
Cell* TestModelFailure(Symbol*) {
    throw CKestException("model failure");
}

} // namespace

void RegisterProbeBuiltins() {
    registerbuiltin("TestMasterName", KBuiltin, TestMasterName);
    registerbuiltin("TestRefKind", KBuiltin, TestRefKind);
    registerbuiltin("TestModelName", KBuiltin, TestModelName);
    registerbuiltin("TestGroupSize", KBuiltin, TestGroupSize);
    registerbuiltin("TestDrawableKind", KBuiltin, TestDrawableKind);
    registerbuiltin("TestArgs", KBuiltinN, TestArgs);
    registerbuiltin("TestModelFailure", KBuiltin, TestModelFailure);
}

} // namespace qm::test
