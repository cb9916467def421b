// The diagram view's whole-selection commands on one large class diagram, as
// a person gives them: Select All, an arrow key that nudges every drawable,
// Delete, and the Undo and Redo of that delete, at 2,000, 20,000 and 100,000
// drawables (half places, half links). Goal: each under 100 ms at 20,000.
// Beside them, the reference measured in the same run: one plain pass over
// the diagram's drawables that sets and clears a flag on each, the floor of
// any command that touches every drawable.
#include "bench/DrawingBenchMain.h"
#include "bench/document/ProjectGenerator.h"
#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "document/UndoJournal.h"
#include "drawables/FontFaceTable.h"
#include "drawables/Model.h"
#include "editor/EditorHost.h"
#include "editor/TContent.h"
#include "kernel/Kernel.h"
#include "model/CommandIds.h"
#include "model/Guid.h"
#include "platform/Files.h"
#include "platform/Log.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

namespace qm {
namespace {

struct Fixture {
    Profile settings;
    TemplateCache templates;
    DocumentContext context;
    std::unique_ptr<CCASEDoc> doc;
    NullEditorHost host;
    std::unique_ptr<TContent> view;
    Model* model = nullptr;

    explicit Fixture(int drawables) {
        context.profile = &settings;
        context.templates = &templates;
        doc = std::make_unique<CCASEDoc>(context, true);
        bench::ProjectShape shape;
        shape.classes = drawables / 2;
        shape.attributesPerClass = 2;
        shape.methodsPerClass = 2;
        shape.diagrams = 1;
        shape.placesPerDiagram = drawables / 2;
        shape.linksPerDiagram = drawables / 2;
        doc->LoadText(bench::GenerateProject(shape));
        model = doc->GetModelAt(0);
        doc->SetCurrentModel(model);
        view = std::make_unique<TContent>(*doc, host);
        view->resize(1600, 1000);
    }
    ~Fixture() {
        view.reset();
        DeleteFile(doc->GetJournal().FileName());
    }
    void Command(int id) { view->OnCommand(id); }
    void Nudge() {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
        QCoreApplication::sendEvent(view.get(), &press);
    }
    void Deselect() { model->DeselectAll(nullptr, false); }
};

Fixture& Shared(int drawables) {
    static std::map<int, std::unique_ptr<Fixture>> fixtures;
    auto& slot = fixtures[drawables];
    if (!slot) {
        fixtures.clear(); // one large diagram in memory at a time
        auto& fresh = fixtures[drawables];
        fresh = std::make_unique<Fixture>(drawables);
        return *fresh;
    }
    return *slot;
}

void BM_SelectAll(benchmark::State& state) {
    Fixture& f = Shared(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        f.Deselect();
        state.ResumeTiming();
        f.Command(cmd::EditSelectAll);
    }
    state.counters["selected"] = double(f.model->Selection().size());
}

void BM_NudgeAll(benchmark::State& state) {
    Fixture& f = Shared(int(state.range(0)));
    f.Command(cmd::EditSelectAll);
    for (auto _ : state)
        f.Nudge();
    f.Deselect();
}

void BM_DeleteAll(benchmark::State& state) {
    Fixture& f = Shared(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        f.Command(cmd::EditSelectAll);
        state.ResumeTiming();
        f.Command(cmd::EditDelete);
        state.PauseTiming();
        f.doc->GetJournal().Replay(1, false);
        f.Deselect();
        state.ResumeTiming();
    }
    state.counters["left"] = double(f.model->Drawables().size());
}

void BM_UndoDelete(benchmark::State& state) {
    Fixture& f = Shared(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        f.Command(cmd::EditSelectAll);
        f.Command(cmd::EditDelete);
        state.ResumeTiming();
        f.doc->GetJournal().Replay(1, false);
        state.PauseTiming();
        f.Deselect();
        state.ResumeTiming();
    }
    state.counters["restored"] = double(f.model->Drawables().size());
}

void BM_RedoDelete(benchmark::State& state) {
    Fixture& f = Shared(int(state.range(0)));
    f.Command(cmd::EditSelectAll);
    f.Command(cmd::EditDelete);
    f.doc->GetJournal().Replay(1, false);
    for (auto _ : state) {
        f.doc->GetJournal().Replay(1, true);
        state.PauseTiming();
        f.doc->GetJournal().Replay(1, false);
        state.ResumeTiming();
    }
    f.Deselect();
}

// The reference: one pass over the drawables touching a flag of each.
void BM_ReferenceFlagPass(benchmark::State& state) {
    Fixture& f = Shared(int(state.range(0)));
    for (auto _ : state) {
        for (const auto& drawable : f.model->Drawables())
            drawable->flags ^= 0x40000000u;
        benchmark::ClobberMemory();
    }
}

#define EDIT_SIZES ->Arg(2000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_ReferenceFlagPass) EDIT_SIZES;
BENCHMARK(BM_SelectAll) EDIT_SIZES;
BENCHMARK(BM_NudgeAll) EDIT_SIZES;
BENCHMARK(BM_DeleteAll) EDIT_SIZES->Iterations(3);
BENCHMARK(BM_UndoDelete) EDIT_SIZES->Iterations(3);
BENCHMARK(BM_RedoDelete) EDIT_SIZES->Iterations(3);

} // namespace
} // namespace qm

int main(int argc, char** argv) {
    return qm::bench::RunDrawingBenchmarks<QApplication>(argc, argv);
}
