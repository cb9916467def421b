// Probe built-ins that drive the Vx calling frame from scripts in the tests:
// they read their arguments through the same readers the Vx built-ins use.
#include "ScriptingFixture.h"
#include "document/CCASEDoc.h"
#include "drawables/Model.h"
#include "model/Master.h"
#include "scripting/MakerClauses.h"
#include "scripting/RunContext.h"
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

// (TestCurrentModelFlags): the flags of the run's current model, nil
// without one.
Cell* TestCurrentModelFlags(Symbol*) {
    CCASEDoc* project = RunContext().project;
    Model* model = project != nullptr ? project->CurrentModel() : nullptr;
    return model != nullptr ? mkint(static_cast<int32_t>(model->modelFlags)) : nil;
}

// A maker-shaped special form whose target is any expression: each clause
// is read by the form its tag names and echoed as (tag value...).
Cell* TestClauses(Symbol* self) {
    MakerForm form(self);
    Cell* out = nil;
    Cell** tail = &out;
    auto add = [&tail](Cell* value) {
        *tail = mkcons(value, nil);
        tail = &(*tail)->b.cdr;
    };
    form.EvalTarget();
    while (form.Next()) {
        if (form.Is("text")) {
            add(mkstr(form.Text().c_str()));
        } else if (form.Is("int")) {
            add(mkint(form.Int()));
        } else if (form.Is("real")) {
            add(mkint(int32_t(form.Real() * 10)));
        } else if (form.Is("point")) {
            const CPoint p = form.Point();
            add(mklist(mkint(p.x), mkint(p.y), nullptr));
        } else if (form.Is("rect")) {
            const CRect r = form.Rect();
            add(mklist(mkint(r.left), mkint(r.top), mkint(r.right), mkint(r.bottom), nullptr));
        } else if (form.Is("points")) {
            add(mkint(int32_t(form.Points().size())));
        } else if (form.Is("looks")) {
            Looks looks;
            form.ReadLooks(looks, false);
            add(mklist(mkint(looks.style), mkint(looks.fillColor), mkint(looks.height), nullptr));
        } else {
            form.BadTag();
        }
    }
    return out;
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
    registerbuiltin("TestClauses", KSpecial, TestClauses);
    registerbuiltin("TestCurrentModelFlags", KBuiltin, TestCurrentModelFlags);
}

} // namespace qm::test
