// Automatic layout of a class diagram as reverse engineering leaves it: N
// classes of the built-in template stacked at the origin and 1.5 N
// associations between pseudo-random pairs, laid out with natural sizes
// (LayoutModel with resize, and without it for the packing alone). Measured
// for 200 to 20,000 classes. Beside it,
// the reference: the same rectangles put in plain rows, the least a layout
// must do. Goals: under 0.5 s for 200 classes, under 2 s for 20,000.
#include "bench/DrawingBenchMain.h"
#include "bench/RandomClassDiagram.h"
#include "drawables/FontFaceTable.h"
#include "drawables/Model.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "platform/Log.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace qm {
namespace {

// Lays out diagrams of state.range(0) classes, with natural sizes when
// `resize`, else at the places' own sizes (the packing alone).
void Layout(benchmark::State& state, bool resize) {
    const int classes = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto diagram = std::make_unique<bench::RandomClassDiagram>(classes);
        state.ResumeTiming();
        LayoutModel(nullptr, &diagram->model, resize, true);
        state.PauseTiming();
        diagram.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * classes);
}

void LayoutClasses(benchmark::State& state) {
    Layout(state, true);
}

void LayoutClassesAtTheirSizes(benchmark::State& state) {
    Layout(state, false);
}

// The reference: the same rectangles put side by side in rows of a square page.
void PlaceInRows(benchmark::State& state) {
    const int classes = int(state.range(0));
    std::vector<CRect> rects(size_t(classes), CRect(0, 0, 120, 80));
    for (auto _ : state) {
        int x = 20, y = 20;
        for (CRect& r : rects) {
            r = CRect(x, y, x + 120, y + 80);
            x += 140;
            if (x > 3000) {
                x = 20;
                y += 100;
            }
        }
        benchmark::DoNotOptimize(rects.data());
    }
    state.SetItemsProcessed(state.iterations() * classes);
}

BENCHMARK(LayoutClasses)
    ->Arg(200)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(LayoutClassesAtTheirSizes)
    ->Arg(2000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PlaceInRows)->Arg(200)->Arg(20000)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace qm

int main(int argc, char** argv) {
    return qm::bench::RunDrawingBenchmarks(argc, argv);
}
