// What scripts cannot show of the evaluator and initialisation: the stacks'
// overflows as fatal errors (even inside caperr), the registry of built-ins,
// the purge after a run that redefined predefined names, vectors, the
// registration seam of the model-access built-ins, exec and exit.
#include "KernelFixture.h"

#include "kernel/builtins/Builtins.h"

#include <cstring>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace kest::test {
namespace {

class EvalTest : public KernelTest {
  protected:
    // Evaluates every expression of text; the last value.
    Cell* run(const std::string& text) {
        LocalChannel ch(text, ChanRead);
        Cell* last = nil;
        for (Cell* x = readexpr(ch.get()); x != KernelSyms.eof; x = readexpr(ch.get()))
            last = evaluate(x);
        return last;
    }

    // Evaluates text under caperr; the message of the fatal error that ends it.
    std::string fatalof(const std::string& text) {
        try {
            run("(caperr (progn-of " + text + "))");
        } catch (const qm::CKestException& e) {
            resetstacks();
            return e.Message();
        } catch (const qm::CIgnoreException&) {
            resetstacks();
            return prompts.asked.empty() ? "?" : prompts.asked.back();
        }
        return "";
    }
};

TEST_F(EvalTest, RunawayRecursionIsFatalEvenInsideCaperr) {
    run("(fun progn-of vlam (n) (arg n))");
    struct Case {
        const char* definition;
        const char* call;
        const char* message;
    } cases[] = {
        {"(fun deep () (car (cdr (deep))))", "(deep)", "evaluation stack overflow"},
        {"(fun wide (a b c d e f) (wide a b c d e f))", "(wide 1 2 3 4 5 6)",
         "variable stack overflow"},
        {"(fun many vlam (n) (many 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20))", "(many)",
         "argument stack overflow"},
        {"(fun nest () (catch (catch (catch (catch (nest))))))", "(nest)", "catch stack overflow"},
    };
    for (const Case& c : cases) {
        run(c.definition);
        std::string message = fatalof(c.call);
        EXPECT_NE(message.find(c.message), std::string::npos) << c.call << ": " << message;
        EXPECT_EQ(stacks.evaltop, -1);
        EXPECT_EQ(stacks.catchtop, -1);
    }
}

TEST_F(EvalTest, BindingsComeBackWhenAFatalErrorLeaves) {
    run("(setq x 'outer) (fun deep (x) (deep x))");
    try {
        run("(caperr (deep 'inner))");
        FAIL();
    } catch (const qm::CKestException&) {
        resetstacks();
    }
    EXPECT_EQ(printstring(run("x")), "outer");
    EXPECT_EQ(stacks.vartop, -1);
}

TEST_F(EvalTest, ErrorsOutsideCaperrAreFatal) {
    try {
        run("(car 5)");
        FAIL();
    } catch (const qm::CKestException& e) {
        EXPECT_EQ(e.Message(), "KestScript Error");
    }
    EXPECT_NE(log.Text().find("KestScript ERROR: car: list expected: 5\r\nStack Dump follows:"),
              std::string::npos);
}

TEST_F(EvalTest, EveryBuiltinIsRegisteredWithItsKind) {
    for (size_t i = 0; i < KernelBuiltinCount; ++i) {
        Symbol* s = findsym(KernelBuiltins[i].name);
        ASSERT_NE(s, nullptr) << KernelBuiltins[i].name;
        EXPECT_EQ(s->kind(), KernelBuiltins[i].kind) << s->name;
        EXPECT_EQ(s->handler, KernelBuiltins[i].handler) << s->name;
        EXPECT_EQ(s->flag, 1) << s->name;
    }
    for (const char* name : {"nil", "t", "eof", "inchan", "outchan", "errchan"})
        EXPECT_EQ(findsym(name)->kind(), KSystem) << name;
    for (const char* name : {"literal", "RezoMode"})
        EXPECT_EQ(findsym(name)->kind(), KVariable) << name;
    EXPECT_EQ(findsym("master"), sym::master);
    EXPECT_EQ(findsym("class"), sym::class_);
    EXPECT_EQ(sym::class_->kind(), KPlain);
    EXPECT_EQ(findsym("c..r"), nullptr);
    EXPECT_EQ(KernelSyms.cxr->kind(), KMarker);
}

TEST_F(EvalTest, PurgeRestoresPredefinedNames) {
    savemark();
    try {
        run("(set 'car 5) (def cdr (lam (x) x)) (fun master (x) x) (setq literal '(1 2))"
            "(setq eval 'gone) (fun mine (x) x)");
    } catch (const qm::CKestException&) {
        resetstacks();
    }
    EXPECT_EQ(sym::master->kind(), KFunction);
    closeallchans();
    purgesymbols();
    restoremark();
    EXPECT_EQ(printstring(run("(car '(1 2))")), "1");
    EXPECT_EQ(printstring(run("(cdr '(1 2))")), "(2)");
    EXPECT_EQ(printstring(run("(eval '(+ 1 2))")), "3");
    EXPECT_EQ(sym::master->kind(), KPlain);
    EXPECT_EQ(sym::master->value(), nil);
    EXPECT_EQ(KernelSyms.literal->value(), nil);
    EXPECT_EQ(findsym("mine"), nullptr);
}

TEST_F(EvalTest, Vectors) {
    Symbol* v = intern("v");
    v->kind() = KVariable;
    v->value() = mkvector(3);
    v->value()->b.elems[1] = sym::master;
    EXPECT_EQ(run("(v 1)"), sym::master);
    EXPECT_EQ(run("(v 0)"), nil);
    EXPECT_EQ(printstring(run("(caperr (v 3))")), "nil");
    EXPECT_NE(log.Text().find("eval: vector index out of range: 3"), std::string::npos);
    EXPECT_EQ(printstring(run("(caperr (v 'a))")), "nil");
    EXPECT_NE(log.Text().find("eval: bad vector index: a"), std::string::npos);
    EXPECT_EQ(printstring(run("(caperr (v 1 2))")), "nil");
    EXPECT_EQ(run("(call v 1)"), sym::master);
    EXPECT_EQ(printstring(run("(atom? v)")), "nil");
}

Cell* vxprobe(Symbol*) {
    return KernelSyms.t;
}

TEST_F(EvalTest, ModelAccessBuiltinsComeThroughTheirRegistrationStep) {
    EXPECT_EQ(findsym("VxProbe"), nullptr);
    setvxregistration([] { registerbuiltin("VxProbe", KBuiltin, vxprobe); });
    initkernel();
    setvxregistration(nullptr);
    ASSERT_NE(findsym("VxProbe"), nullptr);
    EXPECT_EQ(findsym("VxProbe")->kind(), KBuiltin);
    EXPECT_EQ(run("(VxProbe)"), KernelSyms.t);
    initkernel();
    EXPECT_EQ(findsym("VxProbe"), nullptr);
}

TEST_F(EvalTest, ExecRunsProgramsWithAnArgumentVector) {
    EXPECT_EQ(run("(exec \"wait\" \"/bin/sh\" \"sh\" \"-c\" \"exit 7\")")->a.ival, 7);
    Cell* pid = run("(exec \"async\" \"/bin/true\" \"true\")");
    ASSERT_EQ(pid->type, TInteger);
    EXPECT_GT(pid->a.ival, 0);
    int status = 0;
    waitpid(pid->a.ival, &status, 0);
}

// A child started without waiting is reaped once it has ended: by the next
// exec, or when the kernel is built afresh. Its process entry is gone then.
TEST_F(EvalTest, ExecReapsChildrenItDidNotWaitFor) {
    auto state = [](int pid) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text;
        std::getline(stat, text);
        size_t close = text.rfind(')');
        return close == std::string::npos || close + 2 >= text.size() ? '-' : text[close + 2];
    };
    auto ended = [&](int pid) {
        for (int i = 0; i < 500 && state(pid) != 'Z'; ++i)
            usleep(10000);
        return state(pid) == 'Z';
    };
    for (bool byinit : {false, true}) {
        Cell* pid = run("(exec \"async\" \"/bin/true\" \"true\")");
        ASSERT_EQ(pid->type, TInteger);
        const int child = pid->a.ival;
        ASSERT_TRUE(ended(child)) << "the child did not end as a zombie to reap";
        if (byinit)
            initkernel();
        else
            EXPECT_EQ(run("(exec \"wait\" \"/bin/true\" \"true\")")->a.ival, 0);
        EXPECT_EQ(state(child), '-') << "not reaped" << (byinit ? " by initkernel" : " by exec");
        int status = 0;
        EXPECT_EQ(waitpid(child, &status, WNOHANG), -1);
    }
}

TEST_F(EvalTest, ExitAsksFirst) {
    prompts.Script(qm::PromptAnswer::No);
    EXPECT_EQ(run("(exit 3)"), nil);
    ASSERT_FALSE(prompts.asked.empty());
    EXPECT_NE(prompts.asked.back().find(
                  "Currently-running script has issued an exit.\nDo You really want to exit "
                  "Quillmark?"),
              std::string::npos);
}

TEST_F(EvalTest, ReadTimeEvaluation) {
    EXPECT_EQ(printstring(read("#(+ 1 2)")), "3");
    EXPECT_EQ(printstring(read("`(a ,(+ 1 2) c)")), "(cons 'a (cons (+ 1 2) '(c)))");
    EXPECT_EQ(printstring(run("`(a ,(+ 1 2) @(list 4 5) c)")), "(a 3 4 5 c)");
    readtimeevaluation = false;
    EXPECT_EQ(printstring(read("#(+ 1 2)")), "(+ 1 2)");
}

// A new kernel starts with every switch the previous one may have had set
// at its default: no evaluation limit, read-time evaluation on, the whole
// block table usable.
TEST_F(EvalTest, InitKernelResetsItsSwitches) {
    readtimeevaluation = false;
    setevaluationlimit(3);
    setblocklimit(heapblocks() + 1);
    initkernel();
    EXPECT_TRUE(readtimeevaluation);
    EXPECT_FALSE(evaluationlimit.limited);
    EXPECT_EQ(printstring(read("#(+ 1 2)")), "3");
    EXPECT_EQ(printstring(run("(length (list 1 2 3 4 5 6 7 8 9))")), "9");
    for (int i = 0; i < 4000; ++i)
        mkstr(std::string(2000, 'x').c_str()); // far past the old block limit
}

} // namespace
} // namespace kest::test

namespace kest::test {
namespace {

TEST_F(EvalTest, DeeplyNestedListsAreRefusedNotOverflowed) {
    // A script can nest lists as deep as it likes; comparing, substituting
    // and printing them ends in an error, never in a machine-stack overflow.
    run("(fun nest (n) (prog ((x nil)) loop (cond ((= n 0) (return x)))"
        " (setq x (list x) n (-- n)) (go loop)))");
    for (const char* expression : {"(equal (nest 20000) (nest 20000))", "(subst 1 2 (nest 20000))",
                                   "(*subst 1 2 (nest 20000))", "(list (nest 20000))"}) {
        log.Clear();
        Cell* value = run(std::string("(caperr ") + expression + ")");
        if (std::strcmp(expression, "(list (nest 20000))") == 0) {
            ASSERT_NE(value, nil);
            EXPECT_THROW(printstring(car(value)), qm::CKestException);
            resetstacks();
            continue;
        }
        EXPECT_EQ(value, nil) << expression;
        EXPECT_NE(log.Text().find("list nested too deeply"), std::string::npos) << expression;
    }
    EXPECT_EQ(printstring(run("(equal (nest 5000) (nest 5000))")), "t");
    EXPECT_EQ(printstring(run("(length (subst 1 2 (nest 5000)))")), "1");
    std::string printed = printstring(run("(nest 5000)"));
    EXPECT_EQ(printed.size(), 5000u * 2 + 3);
}

} // namespace
} // namespace kest::test
