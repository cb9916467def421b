// Definition, binding and loading built-ins: void, quote, kwote, def, fun,
// arg, let, set, setq, ss, load and exec.
#include "kernel/builtins/Builtins.h"

#include "kernel/Channel.h"
#include "kernel/Reader.h"
#include "kernel/State.h"
#include "kernel/Symbol.h"
#include "platform/Log.h"

#include <cerrno>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace kest {

Cell* bi_void(Symbol* self) {
    Cell* args = formargs();
    if (ispair(args) && cdr(args) != nil)
        scripterror(self, ErrWrongCount);
    return ispair(args) ? evaluate(car(args)) : nil;
}

Cell* bi_quote(Symbol* self) {
    Cell* args = formargs();
    if (!ispair(args) || cdr(args) != nil)
        scripterror(self, ErrWrongCount);
    return car(args);
}

Cell* bi_kwote(Symbol* self) {
    needcount(self, 1, 1);
    return mklist(KernelSyms.quote, argument(0), nullptr);
}

Cell* bi_def(Symbol* self) {
    Cell* args = formargs();
    Symbol* name = needvariable(self, ispair(args) ? car(args) : nil);
    name->type = KFunction;
    name->a.car = second(args);
    return name;
}

Cell* bi_fun(Symbol* self) {
    Cell* args = formargs();
    if (!ispair(args) || !ispair(cdr(args)))
        scripterror(self, ErrWrongCount);
    Cell* x = second(args);
    Cell* definition = issymbol(x) && x != nil ? cdr(args) : mkcons(KernelSyms.lam, cdr(args));
    return mklist(KernelSyms.def, car(args), definition, nullptr);
}

Cell* bi_arg(Symbol* self) {
    needcount(self, 1, 1);
    const int32_t i = needint(self, argument(0));
    if (stacks.vlamframe < 0)
        scripterror(self, "outside a vlam scope");
    const int first = static_cast<int>(stacks.args[stacks.vlamframe].index);
    if (i < 1 || i > stacks.vlamframe - first)
        scripterror(self, "argument outside range", argument(0));
    return stacks.args[first + i - 1].cell;
}

Cell* bi_let(Symbol* self) {
    Cell* args = formargs();
    Cell* bindings = ispair(args) ? car(args) : args;
    if (!islist(bindings))
        scripterror(self, "bad variable list", bindings);
    Cell* variables = nil;
    Cell* inits = nil;
    for (Cell* p = bindings; ispair(p); p = cdr(p)) {
        Cell* b = car(p);
        Cell* variable = b;
        Cell* init = nil;
        if (ispair(b)) {
            variable = car(b);
            if (cdr(b) != nil && (!ispair(cdr(b)) || cdr(cdr(b)) != nil))
                scripterror(self, "bad variable form", b);
            init = second(b);
        }
        if (!issymbol(variable))
            scripterror(self, "bad variable form", b);
        variables = mkcons(variable, variables);
        inits = mkcons(init, inits);
    }
    Cell* lambda = mkcons(KernelSyms.lam, mkcons(nreverse(variables), cdr(args)));
    return mkcons(lambda, nreverse(inits));
}

Cell* bi_set(Symbol* self) {
    needcount(self, 2, 2);
    Symbol* s = needvariable(self, argument(0));
    s->type = KVariable;
    s->a.car = argument(1);
    return argument(1);
}

Cell* bi_setq(Symbol* self) {
    Cell* args = formargs();
    if (!ispair(args))
        scripterror(self, ErrWrongCount);
    Cell* value = nil;
    for (Cell* p = args; ispair(p); p = cdr(cdr(p))) {
        Symbol* s = needvariable(self, car(p));
        if (!ispair(cdr(p)))
            scripterror(self, ErrWrongCount);
        s->type = KVariable;
        value = evaluate(second(p));
        s->a.car = value;
    }
    return value;
}

Cell* bi_ss(Symbol* self) {
    needcount(self, 0, 1);
    const int n = argcount() == 1 ? needint(self, argument(0)) : EvalStackSize + 1;
    return stackdump(n);
}

void loadfile(Symbol* self, Cell* name, bool echo) {
    const char* path = needtext(self, name);
    Channel* ch = openfilechan(path, ChanRead, true);
    if (ch == nullptr)
        scripterror(self, "can't open file", name);
    for (Cell* x = readexpr(ch); x != KernelSyms.eof; x = readexpr(ch)) {
        Cell* value = evaluate(x);
        if (echo && issymbol(value)) {
            qm::Log().Append(std::string("Loaded: ") + static_cast<Symbol*>(value)->name);
            qm::Log().Append("\r\n");
        }
    }
    closechan(ch);
}

Cell* bi_load(Symbol* self) {
    needcount(self, 1, 2);
    const bool echo = argcount() == 2 && argument(1) != nil;
    Cell* what = argument(0);
    if (ispair(what)) {
        for (Cell* p = what; ispair(p); p = cdr(p))
            loadfile(self, car(p), echo);
    } else {
        loadfile(self, what, echo);
    }
    return KernelSyms.t;
}

void reapchildren() {
    std::erase_if(unwaited, [](pid_t pid) {
        int status = 0;
        pid_t got = 0;
        do
            got = waitpid(pid, &status, WNOHANG);
        while (got < 0 && errno == EINTR);
        // Reaped now, or no longer a child of ours (reaped elsewhere).
        return got != 0;
    });
}

Cell* bi_exec(Symbol* self) {
    reapchildren();
    needcount(self, 2, 128);
    const std::string mode = needtext(self, argument(0));
    const std::string program = needtext(self, argument(1));
    std::vector<std::string> texts;
    for (int i = 2; i < argcount(); ++i)
        texts.emplace_back(needtext(self, argument(i)));
    std::vector<char*> argv;
    for (std::string& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    // The program may read what the script has written.
    flushfiles();
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return mkint(-1);
    if (mode == "async") {
        unwaited.push_back(pid);
        return mkint(static_cast<int32_t>(pid));
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return mkint(-1);
    return mkint(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

} // namespace kest
