// Opening and saving generated projects of 2,000 to 20,000 classes (each with
// five attributes and five methods) and 100 diagrams showing every class once
// with one and a half links per place, beside a plain read of
// the same bytes by the kernel's reader (the floor any loader pays), and
// the same classes all in one diagram (goal: 20,000 under 1 s). The peak
// resident size of the process is reported with each run.
#include "bench/document/ProjectBenchEnvironment.h"
#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "document/ProjectFile.h"
#include "document/TemplateCache.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Prompt.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <utility>

namespace qm {
namespace {

struct Environment : bench::ProjectBenchEnvironment {
    Environment() {
        folder = std::filesystem::temp_directory_path() / "quillmark-project-bench";
        std::filesystem::create_directories(folder);
    }
    // The generated project of that many classes in that many diagrams,
    // written once.
    const std::string& ProjectFile(int classes, int diagrams = 100) {
        std::string& path = files[{classes, diagrams}];
        if (path.empty()) {
            path = (folder / ("project-" + std::to_string(classes) + "-" +
                              std::to_string(diagrams) + ".pro"))
                       .string();
            // Diagrams that show every class once, with one and a half links
            // per place: 20,000 places and 30,000 links at 20,000 classes.
            const int places = classes / diagrams;
            WriteFileReplacing(path, bench::GenerateProject(bench::ShapeOf(
                                         classes, diagrams, places, places * 3 / 2)));
        }
        return path;
    }
    std::filesystem::path folder;
    std::map<std::pair<int, int>, std::string> files;
};

Environment& Env() {
    static Environment env;
    return env;
}

void ReportPeak(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Opens the project at `path` once per iteration.
void OpenEach(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        auto doc = std::make_unique<CCASEDoc>(Env().context, true);
        doc->LoadText(ReadFileText(path, "Can't open project file"));
        benchmark::DoNotOptimize(doc->Masters().Count());
        // Closing is not opening: the document goes outside the timing.
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
    ReportPeak(state);
}

void BM_OpenProject(benchmark::State& state) {
    OpenEach(state, Env().ProjectFile(static_cast<int>(state.range(0))));
}

// The same classes all in one diagram (20,000 places and 30,000 links at
// 20,000 classes).
void BM_OpenProjectOneDiagram(benchmark::State& state) {
    OpenEach(state, Env().ProjectFile(static_cast<int>(state.range(0)), 1));
}

// Opening and closing, for the whole cost of a document's life.
void BM_OpenAndCloseProject(benchmark::State& state) {
    const std::string& path = Env().ProjectFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CCASEDoc doc(Env().context, true);
        doc.LoadText(ReadFileText(path, "Can't open project file"));
        benchmark::DoNotOptimize(doc.Masters().Count());
    }
    ReportPeak(state);
}

void BM_SaveProject(benchmark::State& state) {
    const std::string& path = Env().ProjectFile(static_cast<int>(state.range(0)));
    CCASEDoc doc(Env().context, true);
    doc.LoadText(ReadFileText(path, "Can't open project file"));
    const std::string target = path + ".saved";
    for (auto _ : state)
        doc.SaveToFile(target);
    ReportPeak(state);
}

// The reference: the same bytes read into cells and dropped.
void BM_ReadCellsOnly(benchmark::State& state) {
    const std::string& path = Env().ProjectFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        kest::LocalChannel in(ReadFileText(path, "Can't open project file"), kest::ChanRead);
        HeapMark mark;
        for (kest::Cell* c = kest::readexpr(in.get()); c != kest::KernelSyms.eof;
             c = kest::readexpr(in.get()))
            mark.Renew(in.get());
    }
    ReportPeak(state);
}

BENCHMARK(BM_ReadCellsOnly)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenProject)
    ->Arg(2000)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenProjectOneDiagram)
    ->Arg(2000)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndCloseProject)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveProject)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm

BENCHMARK_MAIN();
