// Find All over a project of 20,000 classes (each with five attributes and
// five methods) shown in 100 class diagrams of 200 places: a word that a few
// classes hold, a whole word one class holds, and a word every class holds
// (as many hits as one run takes), beside the reference of counting the same
// word in every master's texts directly. Goal: a Find All under 100 ms.
#include "bench/document/ProjectBenchEnvironment.h"
#include "dialogs/find/FindEngine.h"
#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "model/Master.h"
#include "platform/Log.h"
#include "platform/Prompt.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace qm {
namespace {

char findFolder[] = "/tmp/quillmark-find-bench-XXXXXX";

struct Environment : bench::ProjectBenchEnvironment {
    Environment() : ProjectBenchEnvironment(findFolder) {
        doc = std::make_unique<CCASEDoc>(context, true);
        doc->LoadText(bench::GenerateProject(bench::ShapeOf(20000, 100, 200, 300)));
    }
    std::unique_ptr<CCASEDoc> doc;
};

Environment& Env() {
    static Environment env;
    return env;
}

void FindAll(benchmark::State& state, const std::string& word, int options) {
    FindEngine engine(*Env().doc);
    NullFindHost host;
    size_t lines = 0;
    for (auto _ : state) {
        engine.FindInModels(FindMode::All, word, "", options, host);
        lines = engine.MatchList().Matches().size();
        benchmark::DoNotOptimize(lines);
    }
    state.counters["lines"] = static_cast<double>(lines);
}

// "Class1234" is in Class1234 and Class12340 to Class12349.
void BM_FindAllFewClasses(benchmark::State& state) {
    FindAll(state, "Class1234", 0);
}

void BM_FindAllWholeWordOneClass(benchmark::State& state) {
    FindAll(state, "Class1234", FoWholeWords);
}

// Every class has a "method3": the run ends at its pass limit.
void BM_FindAllEveryClass(benchmark::State& state) {
    FindAll(state, "method3", 0);
}

// The reference: the word counted in every master's texts, nothing else.
void BM_CountInMastersOnly(benchmark::State& state) {
    int hits = 0;
    for (auto _ : state) {
        hits = 0;
        for (const auto& master : Env().doc->Masters().Masters())
            hits += master->ReplaceText(nullptr, "Class1234", "", 0);
        benchmark::DoNotOptimize(hits);
    }
    state.counters["hits"] = hits;
}

BENCHMARK(BM_FindAllFewClasses)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindAllWholeWordOneClass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindAllEveryClass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountInMastersOnly)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm

BENCHMARK_MAIN();
