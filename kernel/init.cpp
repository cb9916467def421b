// Kernel initialisation and the registration of the built-ins.
#include "kernel/Init.h"

#include "kernel/Channel.h"
#include "kernel/Eval.h"
#include "kernel/Reader.h"
#include "kernel/State.h"
#include "kernel/Symbol.h"
#include "kernel/builtins/Builtins.h"
#include "platform/Errors.h"

#include <cstdlib>
#include <cstring>

namespace kest {

namespace {

// The registration step of the model-access built-ins, installed from above.
VxRegistration vxregistration = nullptr;

// At exit, what the standard channels still hold is written out.
void flushatexit() {
    if (kernelinitialized)
        flushstdchans();
}

Symbol* predefine(const char* name) {
    return definesym(name, KPlain, 1, nil);
}

// A built-in name the kernel refers to; made as a kept plain symbol when the
// table does not register it.
Symbol* kernelname(const char* name) {
    Symbol* s = findsym(name);
    return s != nullptr ? s : predefine(name);
}

} // namespace

KernelVersions& versions() {
    static KernelVersions v;
    return v;
}

void setvxregistration(VxRegistration step) {
    vxregistration = step;
}

bool kernelready() {
    return kernelinitialized;
}

Symbol* registerbuiltin(const char* name, uint8_t kind, Handler handler) {
    return definesym(name, kind, 1, nil, handler);
}

void initkernel() {
    reapchildren();
    if (kernelinitialized) {
        // The listed channels of the kernel being replaced own their files.
        try {
            closeallchans();
        } catch (const qm::CKestException&) {
            // A file that fails to close is abandoned with the old kernel.
        }
    }
    kernelinitialized = false;
    // The switches a caller may have set for the kernel being replaced, and
    // the scratch a run abandoned by an error may have left behind.
    setevaluationlimit(0);
    readtimeevaluation = true;
    setblocklimit(0);
    errorreporting = false;
    progtail = -1;
    pendingreturn = nullptr;
    streamedbracket = 0;
    readdepth = 0;
    KernelSyms = KernelSymbols{};
    nil = nullptr;
    initheap();
    initsymtab();
    initchans();
    resetstacks();

    // nil is made while there is no nil yet: mend every cell made so far.
    nil = definesym("nil", KSystem, 1, nullptr);
    nil->a.car = nil;
    nil->b.cdr = nil;
    for (int i = -128; i <= 127; ++i)
        mkint(i)->b.cdr = nil;
    stdchans.incell->b.cdr = nil;
    stdchans.outcell->b.cdr = nil;
    stdchans.errcell->b.cdr = nil;
    KernelSyms.t = definesym("t", KSystem, 1, nil);
    KernelSyms.t->a.car = KernelSyms.t;
    KernelSyms.eof = definesym("eof", KSystem, 1, nil);
    KernelSyms.eof->a.car = KernelSyms.eof;

    KernelSyms.inchan = definesym("inchan", KSystem, 1, stdchans.incell);
    KernelSyms.outchan = definesym("outchan", KSystem, 1, stdchans.outcell);
    KernelSyms.errchan = definesym("errchan", KSystem, 1, stdchans.errcell);

    KernelSyms.throwrecord = mkcons(nil, nil);
    commamarker = mkmarker(",");
    atmarker = mkmarker("@");
    KernelSyms.errortag = mkmarker("error-tag");
    KernelSyms.cxr = mkmarker("c..r");
    cxrmarker = KernelSyms.cxr;
    KernelSyms.returntag = mkmarker("return-tag");
    KernelSyms.gotag = mkmarker("go-tag");
    KernelSyms.voidmark = mkmarker("void");
    KernelSyms.unbound = mkmarker("unbound");
    KernelSyms.golabel = nil;
    KernelSyms.sharedstring = mkstr("");

#define KEST_MAKE_SYMBOL(id, name)                                                                 \
    sym::id = predefine(name);                                                                     \
    if (std::strcmp(name, "const") == 0)                                                           \
        KernelSyms.literal = definesym("literal", KVariable, 1, nil);
    KEST_PREDEFINED_SYMBOLS(KEST_MAKE_SYMBOL)
#undef KEST_MAKE_SYMBOL
    KernelSyms.Quillmark = sym::Quillmark;
    KernelSyms.Vaultkeep = sym::Vaultkeep;
    KernelSyms.lam = sym::lam;
    KernelSyms.vlam = sym::vlam;
    KernelSyms.ulam = sym::ulam;
    KernelSyms.mlam = sym::mlam;

    if (vxregistration != nullptr)
        vxregistration();
    KernelSyms.RezoMode = definesym("RezoMode", KVariable, 1, nil);
    for (size_t i = 0; i < KernelBuiltinCount; ++i)
        registerbuiltin(KernelBuiltins[i].name, KernelBuiltins[i].kind, KernelBuiltins[i].handler);

    KernelSyms.quote = kernelname("quote");
    KernelSyms.cons = kernelname("cons");
    KernelSyms.conc = kernelname("conc");
    KernelSyms.eval = kernelname("eval");
    KernelSyms.read = kernelname("read");
    KernelSyms.catch_ = kernelname("catch");
    KernelSyms.def = kernelname("def");
    KernelSyms.go = kernelname("go");
    KernelSyms.void_ = kernelname("void");

    // POSIX sockets need no library start-up.
    snapshotsymbols();
    static const bool flushesAtExit = std::atexit(flushatexit) == 0;
    (void)flushesAtExit;
    kernelinitialized = true;
}

} // namespace kest
