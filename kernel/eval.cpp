// The evaluator.
#include "kernel/Eval.h"

#include "kernel/Errors.h"
#include "kernel/Init.h"
#include "kernel/Symbol.h"
#include "platform/Errors.h"

namespace kest {

namespace {

// A saved context of catchtag: its tag and the indexes a throw restores.
struct CatchFrame {
    Cell* tag;
    int evaltop;
    int vartop;
    int argtop;
    int vlamframe;
};

CatchFrame catchframes[CatchStackSize];

// What throwto raises: the index of the catch frame that takes the throw.
// The tag and value travel in the throw record.
struct ThrowSignal {
    int frame;
};

bool ismarker(const Cell* c) {
    return c->type == KMarker;
}

bool catches(Cell* frametag, Cell* thrown) {
    if (frametag == nil && !ismarker(thrown))
        return true;
    if (thrown == nil && !ispair(frametag) && !ismarker(frametag))
        return true;
    if (thrown == frametag)
        return true;
    return ispair(frametag) && tagmember(thrown, frametag);
}

void unwindto(const CatchFrame& frame) {
    while (stacks.vartop > frame.vartop) {
        BindingEntry& entry = stacks.vars[stacks.vartop--];
        entry.symbol->type = entry.kind;
        entry.symbol->a.car = entry.value;
    }
    stacks.evaltop = frame.evaltop;
    stacks.argtop = frame.argtop;
    stacks.vlamframe = frame.vlamframe;
}

// Restores the error flags when capeval is left, also by an exception.
struct ErrorFlagsGuard {
    ErrorFlags saved = errorflags;
    ~ErrorFlagsGuard() { errorflags = saved; }
};

void pusheval(Cell* form) {
    if (stacks.evaltop + 1 >= EvalStackSize)
        fatal("evaluation stack overflow");
    stacks.eval[++stacks.evaltop] = form;
}

} // namespace

void resetstacks() {
    stacks.evaltop = -1;
    stacks.vartop = -1;
    stacks.argtop = -1;
    stacks.vlamframe = -1;
    stacks.catchtop = -1;
    errorflags = ErrorFlags{};
}

void pusharg(Cell* value) {
    if (stacks.argtop + 1 >= ArgStackSize)
        fatal("argument stack overflow");
    stacks.args[++stacks.argtop].cell = value;
}

void pushindex(int first) {
    if (stacks.argtop + 1 >= ArgStackSize)
        fatal("argument stack overflow");
    stacks.args[++stacks.argtop].index = first;
}

Cell* evaluate(Cell* x) {
    if (issymbol(x)) {
        uint8_t kind = x->type;
        if (kind == KSystem || kind == KVariable || kind == KMarker)
            return x->a.car;
        pusheval(x);
        scripterror(KernelSyms.eval, "unbound symbol", x);
    }
    if (!ispair(x))
        return x;
    pusheval(x);
    if (car(x) != KernelSyms.quote)
        scripterror(KernelSyms.eval, "undefined function", car(x));
    Cell* value = car(cdr(x));
    --stacks.evaltop;
    return value;
}

Cell* catchtag(Cell* body, Cell* tag, CatchRoutine routine, Cell* argument) {
    qm::ReportOperationFailure(stacks.catchtop + 1 < CatchStackSize, "catch stack overflow", true);
    const int frame = ++stacks.catchtop;
    catchframes[frame] = {tag, stacks.evaltop, stacks.vartop, stacks.argtop, stacks.vlamframe};
    try {
        Cell* value = routine != nullptr ? routine(argument) : evaluate(body);
        stacks.catchtop = frame - 1;
        return value;
    } catch (const ThrowSignal& signal) {
        unwindto(catchframes[frame]);
        stacks.catchtop = frame - 1;
        if (signal.frame != frame)
            throw;
        return cdr(KernelSyms.throwrecord);
    } catch (...) {
        // Fatal errors and failures leave the kernel: give every symbol
        // bound inside back its value on the way out.
        unwindto(catchframes[frame]);
        stacks.catchtop = frame - 1;
        throw;
    }
}

void throwto(Cell* value, Cell* tag) {
    KernelSyms.throwrecord->a.car = tag;
    KernelSyms.throwrecord->b.cdr = value;
    for (int i = stacks.catchtop; i >= 0; --i)
        if (catches(catchframes[i].tag, tag))
            throw ThrowSignal{i};
    if (tag == KernelSyms.errortag)
        fatal("KestScript Error");
    scripterror(KernelSyms.catch_, "no catch for this tag", tag);
}

Cell* capeval(Cell* form, Cell* quietForm, CatchRoutine routine, Cell* argument) {
    // The quiet form is evaluated before errors are captured, so that an
    // error in it goes to the caller's handler.
    Cell* quiet = evaluate(quietForm);
    ErrorFlagsGuard guard;
    errorflags.capturing = true;
    errorflags.report = quiet == nil;
    errorflags.occurred = false;
    Cell* value = catchtag(form, KernelSyms.errortag, routine, argument);
    return errorflags.occurred ? nil : mkcons(value, nil);
}

} // namespace kest
