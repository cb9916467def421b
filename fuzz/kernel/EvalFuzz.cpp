// Fuzz target of the evaluator: any bytes read as KestScript expressions
// (read-time evaluation included) and each evaluated under caperr, as a
// script run would. No crash, no sanitizer report; script errors and fatal
// errors are the expected outcomes. Built-ins that reach outside the process
// (exec, exit, load, the file and network built-ins, and the readers, which
// would wait on standard input) are taken away, and so are the destructive list
// built-ins, whose cyclic lists make every later walk loop for ever, as they
// do in the language. An evaluation limit stops endless loops.
#include "fuzz/FuzzKernel.h"
#include "kernel/Kernel.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Prompt.h"

#include <cstdint>
#include <string>

namespace {

using namespace kest;

Cell* evalall(Cell* chancell) {
    Channel* ch = chancell->a.chan;
    for (int i = 0; i < 1000; ++i) {
        Cell* x = readexpr(ch);
        if (x == KernelSyms.eof)
            break;
        capeval(x, nil);
    }
    return nil;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qm::HeadlessPrompts& prompts = fuzzsupport::StartQuietKernel(4096, true);
    static bool ready = [] {
        for (const char* name :
             {"exec",    "exit",   "load", "rplaca", "rplacd",    "*conc",    "*reverse",
              "*remove", "*subst", "ss",   "mkdir",  "open",      "copyfile", "client",
              "send",    "server", "read", "readln", "readfirst", "readnext"})
            findsym(name)->kind() = KPlain;
        snapshotsymbols();
        return true;
    }();
    (void)ready;
    prompts.asked.clear();
    savemark();
    setevaluationlimit(200000);
    LocalChannel channel(std::string(reinterpret_cast<const char*>(data), size), ChanRead);
    try {
        capeval(nil, nil, evalall, mkchan(channel.get()));
    } catch (const qm::CKestException&) {
        resetstacks();
    } catch (const qm::CIgnoreException&) {
        resetstacks();
    }
    setevaluationlimit(0);
    closeallchans();
    purgesymbols();
    restoremark();
    return 0;
}
