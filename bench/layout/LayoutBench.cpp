// Automatic layout of a class diagram as reverse engineering leaves it: N
// classes of the built-in template stacked at the origin and 1.5 N
// associations between pseudo-random pairs, laid out with natural sizes
// (LayoutModel with resize, and without it for the packing alone). Measured
// for 200 to 20,000 classes. Beside it,
// the reference: the same rectangles put in plain rows, the least a layout
// must do. Goals: under 0.5 s for 200 classes, under 2 s for 20,000.
#include "bench/DrawingBenchMain.h"
#include "drawables/FontFaceTable.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/TemplateFile.h"
#include "drawables/ToolModel.h"
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

NotationTemplate& Template() {
    static NotationTemplate notation;
    static bool made = false;
    if (!made) {
        CreateTemplate(notation, kInternalTemplateName);
        made = true;
    }
    return notation;
}

struct Diagram {
    GuidMap project;
    std::vector<std::unique_ptr<Master>> masters;
    Model model{&project};

    explicit Diagram(int classes) {
        NotationTemplate& notation = Template();
        ToolModel* classTool = notation.GetTool(10);
        ToolModel* association = notation.GetTool(3);
        model.kind = MkClass;
        std::vector<Place*> places;
        for (int i = 0; i < classes; ++i) {
            auto master = std::make_unique<Master>();
            master->SetToolAndName(classTool, "Class" + std::to_string(i), "");
            auto place = std::make_unique<Place>(&project);
            place->Setup(10, CRect(0, 0, 60, 40), master.get(), false);
            place->AddMasterReference();
            places.push_back(static_cast<Place*>(model.AddDrawable(std::move(place))));
            masters.push_back(std::move(master));
        }
        uint32_t seed = 17;
        auto next = [&seed, classes] {
            seed = seed * 1664525u + 1013904223u;
            return size_t((seed >> 8) % uint32_t(classes));
        };
        for (int i = 0; i < classes * 3 / 2; ++i) {
            auto link = std::make_unique<Link>(&project);
            link->Connect(3, association, places[next()], places[next()], 0);
            model.AddDrawable(std::move(link));
        }
    }
    ~Diagram() {
        GuidScope scope(&project, &Template().guidMap);
        model.Detach(&scope);
    }
};

// Lays out diagrams of state.range(0) classes, with natural sizes when
// `resize`, else at the places' own sizes (the packing alone).
void Layout(benchmark::State& state, bool resize) {
    const int classes = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto diagram = std::make_unique<Diagram>(classes);
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
