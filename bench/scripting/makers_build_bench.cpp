// A script that builds a project: 10,000 classes with five attributes each,
// placed 1,000 to a model in ten models, each place linked to the one before
// it in its model. Goal: under 2 s for the whole script (reading it
// included). Beside it, in the same run, the same project read from its
// saved text by the project reader: what building that model costs without
// the script and the makers. Each script run starts from a new project and
// ends as a run does: the heap restored to its mark, the reference table
// reset.
#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "drawables/NotationTemplate.h"
#include "drawables/ToolModel.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "model/MasterCollection.h"
#include "platform/Log.h"
#include "platform/Prompt.h"
#include "scripting/References.h"
#include "scripting/RunContext.h"
#include "scripting/VxBuiltins.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace qm {
namespace {

constexpr int kClasses = 10000;
constexpr int kModels = 10;
constexpr int kAttributes = 5;

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
        NotationTemplate* notation = templates.AcquireTemplate("<Internal>");
        for (const char* name : {"association", "Association", "link", "dependency"}) {
            ToolModel* tool = notation->FindToolByName(name, false);
            if (tool != nullptr && tool->IsLinkTool()) {
                linkTool = tool->name;
                break;
            }
        }
        script = BuildScript();
    }
    std::unique_ptr<CCASEDoc> NewProject() {
        context.newProjectArmed = true;
        context.commandLineTemplate = "<Internal>";
        auto project = std::make_unique<CCASEDoc>(context, true);
        if (!project->OnNewDocument())
            std::abort();
        return project;
    }
    std::string BuildScript() const {
        std::string text;
        const int perModel = kClasses / kModels;
        for (int k = 0; k < kModels; ++k)
            text += "(setq m" + std::to_string(k) + " (VxMakeModel p (name \"Model " +
                    std::to_string(k) + "\") (type class)))\n";
        for (int i = 0; i < kClasses; ++i) {
            const std::string n = std::to_string(i);
            const std::string model = "m" + std::to_string(i / perModel);
            text += "(setq c (VxMakeMaster p (name Class" + n + ") (tool class)))\n";
            for (int a = 0; a < kAttributes; ++a)
                text += "(VxMakeAttribute c (name attr" + std::to_string(a) +
                        ") (type int) (access private))\n";
            const int x = (i % 40) * 150, y = (i % perModel) / 40 * 100;
            text += "(setq cur (VxMakePlace " + model + " (master c) (rect " + std::to_string(x) +
                    " " + std::to_string(y) + " " + std::to_string(x + 100) + " " +
                    std::to_string(y + 60) + ")))\n";
            if (i % perModel != 0)
                text += "(VxMakeLink " + model + " (tool \"" + linkTool +
                        "\") (source prev) (target cur))\n";
            text += "(setq prev cur)\n";
        }
        return text + "t\n";
    }
    NullLogSink quiet;
    HeadlessPrompts prompts;
    Profile settings;
    TemplateCache templates;
    DocumentContext context;
    std::string linkTool = "association";
    std::string script;
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

// Runs the build script on project; false when it failed.
bool RunBuild(CCASEDoc& project) {
    ScriptRunContext run;
    run.project = &project;
    ScopedRunContext scoped(run);
    kest::savemark();
    kest::Symbol* p = kest::intern("p");
    p->kind() = kest::KVariable;
    p->value() = References().MakeRef(&project, RefProject);
    kest::LocalChannel channel(Env().script, kest::ChanRead);
    kest::Cell* result = kest::capeval(kest::nil, kest::nil, EvalAll, kest::mkchan(channel.get()));
    kest::closeallchans();
    kest::purgesymbols();
    kest::restoremark();
    References().Reset();
    return result != kest::nil;
}

void BM_ScriptBuild(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<CCASEDoc> project = Env().NewProject();
        state.ResumeTiming();
        if (!RunBuild(*project) || project->Masters().Count() != size_t(kClasses)) {
            state.SkipWithError("the build script failed");
            break;
        }
        state.PauseTiming();
        project.reset();
        state.ResumeTiming();
    }
    state.counters["classes"] = kClasses;
}

void BM_ReadSameProject(benchmark::State& state) {
    std::unique_ptr<CCASEDoc> built = Env().NewProject();
    if (!RunBuild(*built)) {
        state.SkipWithError("the build script failed");
        return;
    }
    const std::string text = built->StoreText();
    built.reset();
    for (auto _ : state) {
        auto project = std::make_unique<CCASEDoc>(Env().context, true);
        project->LoadText(text);
        state.PauseTiming();
        project.reset();
        state.ResumeTiming();
    }
    state.counters["classes"] = kClasses;
}

BENCHMARK(BM_ScriptBuild)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadSameProject)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace qm

BENCHMARK_MAIN();
