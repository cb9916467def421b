// Probe built-ins that drive the Vx calling frame from scripts in the tests:
// they read their arguments through the same readers the Vx built-ins use.
#include "ScriptingFixture.h"
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
    registerbuiltin("TestArgs", KBuiltinN, TestArgs);
    registerbuiltin("TestModelFailure", KBuiltin, TestModelFailure);
}

} // namespace qm::test
