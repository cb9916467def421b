// One master's change published to a document's windows in generated projects
// of 2,000, 20,000 and 100,000 classes (100 diagrams showing every class once,
// one and a half links per place). The change names the master it touched,
// so the events compare that master alone; beside it, the reference of the
// same change compared over the whole project, as a change that cannot say
// what it touched is. Goal: the named change's time does not grow with the
// project.
#include "bench/document/ProjectGenerator.h"
#include "document/CCASEDoc.h"
#include "document/DocumentEvents.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "model/Master.h"
#include "platform/Log.h"
#include "platform/Prompt.h"

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace qm {
namespace {

struct Environment {
    Environment() {
        SetLogSink(&quiet);
        SetPromptService(&prompts);
        kest::initkernel();
        SetGuidStoreMode(GuidNoStore);
        settings.Language = "C++";
        context.profile = &settings;
        context.templates = &templates;
    }
    // The project of that many classes, loaded once and kept.
    CCASEDoc& Project(int classes) {
        std::unique_ptr<CCASEDoc>& doc = projects[classes];
        if (doc == nullptr) {
            bench::ProjectShape shape;
            shape.classes = classes;
            shape.placesPerDiagram = classes / shape.diagrams;
            shape.linksPerDiagram = shape.placesPerDiagram * 3 / 2;
            doc = std::make_unique<CCASEDoc>(context, true);
            doc->LoadText(bench::GenerateProject(shape));
            doc->Events().Publish();
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

// The master in the middle of the collection changes its comment, and the
// change is published.
void PublishOneMaster(benchmark::State& state, ChangeReach reach) {
    CCASEDoc& doc = Env().Project(static_cast<int>(state.range(0)));
    Master* master = doc.Masters().At(doc.Masters().Count() / 2);
    for (auto _ : state) {
        master->comment += "x";
        doc.Events().NoteChanged(nullptr, nullptr, {master}, reach);
        doc.Events().Publish();
    }
    state.counters["masters"] = static_cast<double>(doc.Masters().Count());
}

void BM_PublishNamedMaster(benchmark::State& state) {
    PublishOneMaster(state, ChangeReach::Named);
}

// The reference: the same change compared over the whole project.
void BM_PublishWholeProject(benchmark::State& state) {
    PublishOneMaster(state, ChangeReach::Anywhere);
}

BENCHMARK(BM_PublishNamedMaster)->Arg(2000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PublishWholeProject)
    ->Arg(2000)
    ->Arg(20000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm

BENCHMARK_MAIN();
