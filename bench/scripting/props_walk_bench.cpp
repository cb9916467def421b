// A generation script's walk over a project of 2,000 to 20,000 classes (five
// attributes and five methods each): every master listed with VxList, its
// property list built with VxProps, its attributes listed with VxList and
// their count summed. Goal: under 1 s at 20,000 classes. Beside it, in the
// same run, the same walk done in C++ over the masters collection (no script,
// no references, no property lists): what the model itself costs. Each run
// ends as a script run does: the heap restored to its mark and the
// reference table reset.
#include "bench/document/ProjectGenerator.h"
#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "model/Master.h"
#include "platform/Log.h"
#include "platform/Prompt.h"
#include "scripting/References.h"
#include "scripting/RunContext.h"
#include "scripting/VxBuiltins.h"

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

namespace qm {
namespace {

const char* const kWalk = "(setq total 0)"
                          "(def visit (lam (m) (VxProps m)"
                          "  (setq total (+ total (length (VxList 'attribute m))))))"
                          "(mapcar 'visit (VxList 'master))"
                          "total";

struct Environment {
    Environment() {
        SetLogSink(&quiet);
        SetPromptService(&prompts);
        InstallVxBuiltins();
        kest::initkernel();
        SetGuidStoreMode(GuidNoStore);
        settings.Language = "C++";
        context.profile = &settings;
        context.templates = &templates;
    }
    CCASEDoc& Project(int classes) {
        std::unique_ptr<CCASEDoc>& doc = projects[classes];
        if (!doc) {
            bench::ProjectShape shape;
            shape.classes = classes;
            doc = std::make_unique<CCASEDoc>(context, true);
            doc->LoadText(bench::GenerateProject(shape));
        }
        return *doc;
    }
    NullLogSink quiet;
    HeadlessPrompts prompts;
    Profile settings;
    TemplateCache templates;
    DocumentContext context;
    std::map<int, std::unique_ptr<CCASEDoc>> projects;
};

Environment& Env() {
    static Environment env;
    return env;
}

kest::Cell* EvalAll(kest::Cell* chancell) {
    kest::Cell* last = kest::nil;
    for (;;) {
        kest::Cell* x = kest::readexpr(chancell->a.chan);
        if (x == kest::KernelSyms.eof)
            return last;
        last = kest::evaluate(x);
    }
}

void BM_ScriptWalk(benchmark::State& state) {
    const int classes = static_cast<int>(state.range(0));
    CCASEDoc& project = Env().Project(classes);
    ScriptRunContext run;
    run.project = &project;
    ScopedRunContext scoped(run);
    int32_t total = 0;
    for (auto _ : state) {
        kest::savemark();
        kest::LocalChannel channel(kWalk, kest::ChanRead);
        kest::Cell* result =
            kest::capeval(kest::nil, kest::nil, EvalAll, kest::mkchan(channel.get()));
        if (result == kest::nil || kest::car(result)->type != kest::TInteger) {
            state.SkipWithError("the walk failed");
            break;
        }
        total = kest::car(result)->a.ival;
        kest::closeallchans();
        kest::purgesymbols();
        kest::restoremark();
        References().Reset();
    }
    if (total != classes * bench::ProjectShape{}.attributesPerClass)
        state.SkipWithError("wrong attribute count");
    state.counters["masters"] = classes;
}

void BM_NativeWalk(benchmark::State& state) {
    const int classes = static_cast<int>(state.range(0));
    CCASEDoc& project = Env().Project(classes);
    for (auto _ : state) {
        size_t total = 0;
        for (size_t i = 0; i < project.Masters().Count(); ++i)
            total += project.Masters().At(i)->attributes.size();
        benchmark::DoNotOptimize(total);
    }
}

BENCHMARK(BM_ScriptWalk)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NativeWalk)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm

BENCHMARK_MAIN();
