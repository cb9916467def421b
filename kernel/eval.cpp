// The evaluator.
//
// Design: a recursive tree walk over the cells themselves. Every form being
// evaluated is pushed on the evaluation stack (for the stack dump), built-in
// arguments travel on the fixed argument stack, and variables are bound by
// saving a symbol's kind and value on the variable stack and restoring them
// (shallow binding: a variable reference is one load). Catch frames record
// the four stack indexes; a throw is a C++ exception aimed at the index of
// the frame that takes it, found before unwinding starts, so destructors run
// and every frame passed restores its bindings. Fatal errors (the stacks'
// limits, heap exhaustion) are qm::CKestException and pass every catch frame,
// capeval's included, restoring bindings on the way out.
#include "kernel/Eval.h"

#include "kernel/Errors.h"
#include "kernel/Init.h"
#include "kernel/Symbol.h"
#include "kernel/builtins/Builtins.h"
#include "platform/Errors.h"

namespace kest {

namespace {

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

[[noreturn]] void evaloverflow() {
    fatal("evaluation stack overflow");
}

inline void pusheval(Cell* form) {
    if (stacks.evaltop + 1 >= EvalStackSize)
        evaloverflow();
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

void evaluationlimitreached() {
    fatal("evaluation limit reached");
}

void setevaluationlimit(uint64_t n) {
    evaluationlimit.limited = n > 0;
    evaluationlimit.left = n;
}

void argoverflow() {
    fatal("argument stack overflow");
}

Cell* stackedargs() {
    Cell* list = nil;
    for (int i = argcount(); i-- > 0;)
        list = mkcons(argument(i), list);
    return list;
}

namespace {

[[noreturn]] void varoverflow() {
    fatal("variable stack overflow");
}

// The binding primitives, inline for the evaluator's own calls.
inline void bind(Symbol* s) {
    if (stacks.vartop + 1 >= VarStackSize)
        varoverflow();
    stacks.vars[++stacks.vartop] = {s, s->type, s->a.car};
    s->type = KVariable;
}

inline void unbind(int count) {
    for (; count > 0 && stacks.vartop >= 0; --count) {
        BindingEntry& entry = stacks.vars[stacks.vartop--];
        entry.symbol->type = entry.kind;
        entry.symbol->a.car = entry.value;
    }
}

inline Cell* body(Cell* forms) {
    Cell* value = nil;
    for (; ispair(forms); forms = cdr(forms))
        value = evaluate(car(forms));
    return value;
}

} // namespace

void bindsymbol(Symbol* s) {
    bind(s);
}

void unbindsymbols(int count) {
    unbind(count);
}

Cell* progn(Cell* forms) {
    return body(forms);
}

namespace {

// Evaluates the arguments of form and pushes them with the index slot;
// returns the index of the first argument.
inline int pushevaluated(Cell* form) {
    const int first = stacks.argtop + 1;
    for (Cell* p = cdr(form); ispair(p); p = cdr(p)) {
        Cell* value = evaluate(car(p));
        // The top is read again after the value: evaluating it used the stack.
        const int top = stacks.argtop + 1;
        if (top >= ArgStackSize)
            argoverflow();
        stacks.args[top].cell = value;
        stacks.argtop = top;
    }
    pushindex(first);
    return first;
}

void popframe() {
    stacks.argtop = argfirst() - 1;
}

// Counts a parameter list; every element must be a bindable symbol.
int paramcount(Cell* params) {
    int n = 0;
    for (Cell* p = params; ispair(p); p = cdr(p), ++n)
        if (!isbindable(car(p)))
            scripterror(KernelSyms.eval, ErrBadParams, car(p));
    return n;
}

// The single parameter of a vlam, ulam or mlam.
Symbol* oneparam(Cell* lambda) {
    Cell* params = car(cdr(lambda));
    if (!ispair(params) || cdr(params) != nil || !isbindable(car(params)))
        scripterror(car(lambda), ErrBadParams, params);
    return static_cast<Symbol*>(car(params));
}

inline Cell* applylam(Cell* lam, Cell* form, bool onstack) {
    Cell* params = car(cdr(lam));
    if (params != nil && !ispair(params))
        scripterror(KernelSyms.lam, ErrBadParams, params);
    const int n = paramcount(params);
    if (!onstack)
        pushevaluated(form);
    if (argcount() != n)
        scripterror(KernelSyms.lam, ErrWrongCount);
    for (Cell* p = params; ispair(p); p = cdr(p))
        bind(static_cast<Symbol*>(car(p)));
    const ArgSlot* arg = &stacks.args[argfirst()];
    for (Cell* p = params; ispair(p); p = cdr(p), ++arg)
        car(p)->a.car = arg->cell;
    Cell* value = body(cdr(cdr(lam)));
    unbind(n);
    if (!onstack)
        popframe();
    return value;
}

Cell* applyvlam(Cell* vlam, Cell* form, bool onstack) {
    Symbol* count = oneparam(vlam);
    if (!onstack)
        pushevaluated(form);
    const int savedframe = stacks.vlamframe;
    stacks.vlamframe = stacks.argtop;
    const int n = argcount();
    bindsymbol(count);
    count->a.car = mkint(n);
    Cell* value = progn(cdr(cdr(vlam)));
    unbindsymbols(1);
    stacks.vlamframe = savedframe;
    if (!onstack)
        popframe();
    return value;
}

Cell* applyulam(Cell* ulam, Cell* form, bool onstack) {
    Symbol* param = oneparam(ulam);
    Cell* args = onstack ? stackedargs() : cdr(form);
    pusharg(args);
    bindsymbol(param);
    param->a.car = args;
    Cell* value = progn(cdr(cdr(ulam)));
    unbindsymbols(1);
    --stacks.argtop;
    return value;
}

// A macro's expansion takes the place of its calling form: a pair lends the
// form its car and cdr, an atom makes the form (void atom).
Cell* rewrite(Cell* form, Cell* expansion) {
    if (ispair(expansion)) {
        form->a.car = car(expansion);
        form->b.cdr = cdr(expansion);
    } else {
        form->a.car = KernelSyms.void_;
        form->b.cdr = mkcons(expansion, nil);
    }
    return form;
}

Cell* vecref(Cell* vector, Cell* form, bool onstack) {
    Cell* index = nullptr;
    if (onstack) {
        if (argcount() != 1)
            scripterror(KernelSyms.eval, "bad vector index", stackedargs());
        index = argument(0);
    } else {
        Cell* args = cdr(form);
        if (!ispair(args) || cdr(args) != nil)
            scripterror(KernelSyms.eval, "bad vector index", args);
        index = evaluate(car(args));
    }
    if (index->type != TInteger)
        scripterror(KernelSyms.eval, "bad vector index", index);
    if (index->a.ival < 0 || index->a.ival >= vector->a.dim->a.ival)
        scripterror(KernelSyms.eval, "vector index out of range", index);
    return vector->b.elems[index->a.ival];
}

} // namespace

Cell* evalform(Cell* x) {
    if (issymbol(x)) {
        const uint8_t kind = x->type;
        if (kind == KSystem || kind == KVariable || kind == KMarker)
            return x->a.car;
        pusheval(x);
        scripterror(KernelSyms.eval, "unbound symbol", x);
    }
    if (!ispair(x))
        return x;
    countstep();
    pusheval(x);
    Cell* head = car(x);
    Cell* value = nullptr;
    // The common calls directly, the same way applyfn makes them: built-ins
    // with evaluated arguments, special forms (quote has its own way there)
    // and defined functions whose definition is a lam.
    switch (head->type) {
    case KBuiltin:
    case KBuiltinN: {
        Symbol* s = static_cast<Symbol*>(head);
        pushevaluated(x);
        value = s->handler(s);
        popframe();
        break;
    }
    case KSpecial:
        if (head != KernelSyms.quote) {
            Symbol* s = static_cast<Symbol*>(head);
            pusharg(cdr(x));
            value = s->handler(s);
            --stacks.argtop;
        } else {
            value = applyfn(head, x, false);
        }
        break;
    case KFunction:
        if (Cell* f = head->a.car;
            head != KernelSyms.quote && ispair(f) && car(f) == KernelSyms.lam)
            value = applylam(f, x, false);
        else
            value = applyfn(head, x, false);
        break;
    default:
        value = applyfn(head, x, false);
        break;
    }
    --stacks.evaltop;
    return value;
}

Cell* applyfn(Cell* f, Cell* form, bool onstack) {
    for (;;) {
        if (ispair(f)) {
            Cell* head = car(f);
            if (head == KernelSyms.lam)
                return applylam(f, form, onstack);
            if (head == KernelSyms.vlam)
                return applyvlam(f, form, onstack);
            if (head == KernelSyms.ulam)
                return applyulam(f, form, onstack);
            if (head == KernelSyms.mlam) {
                Cell* expansion = applyulam(f, form, onstack);
                return evaluate(onstack ? expansion : rewrite(form, expansion));
            }
            f = applyfn(head, f, false);
            continue;
        }
        if (f == KernelSyms.quote)
            return car(cdr(form));
        if (f->type == TVector)
            return vecref(f, form, onstack);
        if (!issymbol(f))
            break;
        Symbol* s = static_cast<Symbol*>(f);
        switch (s->type) {
        case KFunction:
            f = s->a.car;
            continue;
        case KBuiltin:
        case KBuiltinN: {
            if (!onstack)
                pushevaluated(form);
            Cell* value = s->handler(s);
            if (!onstack)
                popframe();
            return value;
        }
        case KSpecial:
        case KMacro: {
            const bool macro = s->type == KMacro;
            pusharg(onstack ? stackedargs() : cdr(form));
            Cell* value = s->handler(s);
            --stacks.argtop;
            if (!macro)
                return value;
            return evaluate(onstack ? value : rewrite(form, value));
        }
        case KVariable:
            if (s->a.car->type == TVector)
                return vecref(s->a.car, form, onstack);
            break;
        default:
            break;
        }
        break;
    }
    scripterror(KernelSyms.eval, "undefined function", f);
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
