// Control built-ins: eval, call, apply, catch, throw, caperr, error,
// toplevel, reset, exit, prog, go, return and do.
#include "kernel/builtins/Builtins.h"

#include "kernel/State.h"
#include "kernel/Symbol.h"
#include "platform/Prompt.h"

#include <cstdlib>

namespace kest {

Cell* bi_go(Symbol* self);
Cell* bi_return(Symbol* self);

namespace {

// The rest of a prog body from position: its lists evaluated in order, its
// atoms (labels) skipped. Returns the go tag after a go made without a
// throw, the return tag after such a return, else nil.
Cell* runbody(Cell* position) {
    struct TailGuard {
        int saved = progtail;
        ~TailGuard() { progtail = saved; }
    } guard;
    for (Cell* p = position; ispair(p); p = cdr(p)) {
        Cell* element = car(p);
        if (!ispair(element))
            continue;
        const int depth = stacks.evaltop + 1;
        progtail = depth;
        if (Cell* jump = tailjump(element, depth))
            return jump;
        Cell* value = evaluate(element);
        if (value == KernelSyms.gotag || value == KernelSyms.returntag)
            return value;
    }
    return nil;
}

// A prog body under the go tag: a go restarts it after its label.
Cell* runprog(Cell* body) {
    Cell* position = body;
    for (;;) {
        Cell* result = catchtag(nullptr, KernelSyms.gotag, runbody, position);
        if (result == KernelSyms.returntag)
            return pendingreturn;
        if (result != KernelSyms.gotag)
            return nil;
        Cell* p = body;
        while (ispair(p) && car(p) != KernelSyms.golabel)
            p = cdr(p);
        if (!ispair(p))
            scripterror(KernelSyms.go, "no such label", KernelSyms.golabel);
        position = cdr(p);
    }
}

bool isbuiltin(Cell* head, Handler handler) {
    return issymbol(head) && (head->type == KSpecial || head->type == KBuiltinN) &&
           static_cast<Symbol*>(head)->handler == handler;
}

} // namespace

Cell* tailjump(Cell* form, int elementDepth) {
    if (elementDepth != progtail)
        return nullptr;
    if (!ispair(form))
        return nullptr;
    Cell* head = car(form);
    Cell* args = cdr(form);
    if (isbuiltin(head, bi_go) && ispair(args)) {
        countstep();
        KernelSyms.golabel = car(args);
        return KernelSyms.gotag;
    }
    if (isbuiltin(head, bi_return) && (args == nil || (ispair(args) && cdr(args) == nil))) {
        countstep();
        pendingreturn = args == nil ? nil : evaluate(car(args));
        return KernelSyms.returntag;
    }
    return nullptr;
}

namespace {

// One or two forms: a pair whose cdr's cdr is nil.
bool oneortwo(Cell* args) {
    return ispair(args) && islist(cdr(args)) && cdr(cdr(args)) == nil;
}

} // namespace

Cell* bi_eval(Symbol* self) {
    needcount(self, 1, 1);
    return evaluate(argument(0));
}

Cell* bi_call(Symbol* self) {
    needcount(self, 1, ArgStackSize);
    Cell* function = argument(0);
    ArgSlot& top = stacks.args[stacks.argtop];
    ++top.index;
    Cell* value = applyfn(function, nil, true);
    --stacks.args[stacks.argtop].index;
    return value;
}

Cell* bi_apply(Symbol* self) {
    needcount(self, 2, 2);
    Cell* function = argument(0);
    Cell* list = needlist(self, argument(1));
    const int first = stacks.argtop + 1;
    for (Cell* p = list; ispair(p); p = cdr(p))
        pusharg(car(p));
    pushindex(first);
    Cell* value = applyfn(function, nil, true);
    stacks.argtop = first - 1;
    return value;
}

Cell* bi_catch(Symbol* self) {
    Cell* args = formargs();
    if (!oneortwo(args))
        scripterror(self, ErrWrongCount);
    Cell* tag = evaluate(second(args));
    return catchtag(car(args), tag);
}

Cell* bi_throw(Symbol* self) {
    needcount(self, 1, 2);
    throwto(argument(0), argcount() == 2 ? argument(1) : nil);
}

Cell* bi_caperr(Symbol* self) {
    Cell* args = formargs();
    if (!oneortwo(args))
        scripterror(self, ErrWrongCount);
    return capeval(car(args), second(args));
}

Cell* bi_error(Symbol* self) {
    needcount(self, 2, 3);
    const char* message = needtext(self, argument(1));
    scripterror(argument(0), message, argcount() == 3 ? argument(2) : nullptr);
}

Cell* bi_toplevel(Symbol*) {
    return nil;
}

Cell* bi_reset(Symbol*) {
    return nil;
}

Cell* bi_exit(Symbol* self) {
    needcount(self, 0, 1);
    const int status = argcount() == 1 ? needint(self, argument(0)) : 0;
    qm::PromptAnswer answer = qm::MessageBox(
        "Currently-running script has issued an exit.\nDo You really want to exit Quillmark?",
        qm::PromptIcon::Question, qm::PromptButtons::YesNo);
    if (answer == qm::PromptAnswer::Yes)
        std::exit(status);
    return nil;
}

Cell* bi_prog(Symbol* self) {
    Cell* args = formargs();
    if (args == nil)
        scripterror(self, "bad variable list");
    Cell* variables = car(args);
    if (!islist(variables))
        scripterror(self, "bad variable list", variables);
    int bound = 0;
    for (Cell* p = variables; ispair(p); p = cdr(p)) {
        Cell* v = car(p);
        if (isbindable(v)) {
            bindsymbol(static_cast<Symbol*>(v));
            ++bound;
            v->a.car = nil;
            continue;
        }
        if (!ispair(v))
            scripterror(self, ErrBadVariable, v);
        if (!isbindable(car(v)))
            scripterror(self, ErrBadVariable, car(v));
        Symbol* s = static_cast<Symbol*>(car(v));
        bindsymbol(s);
        ++bound;
        s->a.car = evaluate(second(v));
    }
    Cell* value = catchtag(nullptr, KernelSyms.returntag, runprog, cdr(args));
    unbindsymbols(bound);
    return value;
}

Cell* bi_go(Symbol* self) {
    Cell* args = formargs();
    if (!ispair(args))
        scripterror(self, "label required");
    KernelSyms.golabel = car(args);
    throwto(KernelSyms.gotag, KernelSyms.gotag);
}

Cell* bi_return(Symbol* self) {
    needcount(self, 0, 1);
    throwto(argcount() == 1 ? argument(0) : nil, KernelSyms.returntag);
}

Cell* bi_do(Symbol* self) {
    Cell* args = formargs();
    if (!ispair(args) || !ispair(cdr(args)))
        scripterror(self, ErrWrongCount);
    const int32_t n = needint(self, evaluate(car(args)));
    Cell* value = nil;
    for (int32_t i = 0; i < n; ++i)
        value = progn(cdr(args));
    return value;
}

} // namespace kest
