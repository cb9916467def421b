// Copy and paste through the masters clipboard file, and the three-way merge
// of projects, beside the loading of the same projects (the floor both pay:
// a paste reads what a copy wrote, a merge reads three versions' records).
//
// Copy and paste: one diagram of 1,000 places with 1,500 links, every master
// marked; the copy writes the clipboard file, the paste reads it into a new
// diagram of another project. Merge: a project of 5,000 classes (five
// attributes and methods each) in 100 diagrams of 50 places and 75 links;
// mine and theirs each change 5% of the classes and places, on different
// objects. Goal: each under one second.
#include "bench/document/ProjectBenchEnvironment.h"
#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "drawables/Model.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "platform/Log.h"
#include "platform/Prompt.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace qm {
namespace {

// The clipboard file goes to the private temporary folder under it.
char mergeFolder[] = "/tmp/quillmark-merge-bench-XXXXXX";

struct Environment : bench::ProjectBenchEnvironment {
    Environment()
        : ProjectBenchEnvironment(mergeFolder),
          copyProject(bench::GenerateProject(bench::ShapeOf(1000, 1, 1000, 1500))),
          mergeProject(bench::GenerateProject(bench::ShapeOf(5000, 100, 50, 75))) {}
    std::unique_ptr<CCASEDoc> Load(const std::string& text) {
        auto doc = std::make_unique<CCASEDoc>(context, true);
        doc->LoadText(text);
        return doc;
    }
    std::string copyProject;
    std::string mergeProject;
};

Environment& Env() {
    static Environment env;
    return env;
}

std::vector<Drawable*> Everything(Model& model) {
    std::vector<Drawable*> all;
    for (const auto& drawable : model.Drawables())
        all.push_back(drawable.get());
    return all;
}

void BM_CopyAndPaste1000Places(benchmark::State& state) {
    auto from = Env().Load(Env().copyProject);
    from->MarkMasters(true);
    Model* diagram = from->GetModelAt(0);
    const std::vector<Drawable*> selection = Everything(*diagram);
    size_t pasted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto to = Env().Load("(Quillmark \"8.0\" project)\n(notation \"<Internal>\")\n"
                             "(genProfile 178 \"C++\" nil \"\" 0 nil nil)\n(codeFiles)\n"
                             "(docFiles)\n(masters)\n");
        Model* target = to->NewModel(MkClass, nullptr);
        state.ResumeTiming();
        from->CopyToClipboardFile(diagram, selection);
        to->PasteFromClipboardFile(true, target, {});
        pasted = target->Drawables().size();
        state.PauseTiming();
        to.reset();
        state.ResumeTiming();
    }
    state.counters["pasted"] = static_cast<double>(pasted);
}

// The floor: loading the project that is copied.
void BM_LoadCopySource(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(Env().Load(Env().copyProject)->ModelCount());
}

// Changes every twentieth class (one attribute's type) and every twentieth
// place (moved), starting at first, so that two versions change other objects.
void ChangeFivePercent(CCASEDoc& doc, size_t first) {
    MasterCollection& masters = doc.Masters();
    for (size_t i = first; i < masters.Count(); i += 20) {
        Master* master = masters.At(i);
        if (!master->attributes.empty())
            master->attributes.front()->type += "_changed";
    }
    size_t n = 0;
    for (size_t m = 0; m < doc.ModelCount(); ++m) {
        for (const auto& drawable : doc.GetModelAt(m)->Drawables()) {
            if (drawable->IsPlace() && n++ % 20 == first) {
                CRect dirty;
                drawable->MoveBy(7, 7, dirty);
            }
        }
    }
}

void BM_MergeThree5000Classes(benchmark::State& state) {
    auto base = Env().Load(Env().mergeProject);
    auto mine = Env().Load(Env().mergeProject);
    auto theirs = Env().Load(Env().mergeProject);
    ChangeFivePercent(*mine, 3);
    ChangeFivePercent(*theirs, 11);
    size_t masters = 0;
    for (auto _ : state) {
        auto result = std::make_unique<CCASEDoc>(Env().context, true);
        result->MergeProjects(*base, *mine, *theirs, "merged");
        masters = result->Masters().Count();
        state.PauseTiming();
        result.reset();
        state.ResumeTiming();
    }
    state.counters["masters"] = static_cast<double>(masters);
}

// The floor: loading one of the three versions.
void BM_LoadMergeVersion(benchmark::State& state) {
    for (auto _ : state) {
        auto doc = Env().Load(Env().mergeProject);
        benchmark::DoNotOptimize(doc->ModelCount());
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
}

BENCHMARK(BM_LoadCopySource)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyAndPaste1000Places)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadMergeVersion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeThree5000Classes)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm

BENCHMARK_MAIN();
