// Recording and replaying undo journal records in a diagram of 2,000 places
// (each linked to its neighbours): one record per iteration, and one undo
// and one redo per iteration, beside the reference of writing the same
// record's bytes to a file and reading them back (the floor of the journal's
// file work); 10,000 recorded moves of one place and their undo; one delete
// of 1,000 selected places with their links and its undo. Goals: each record
// and each undo under 1 ms, the big delete's undo under 100 ms.
//
// Then one master's change published to the document's windows in generated
// projects of 2,000, 20,000 and 100,000 classes (100 diagrams showing every
// class once): the change names the master, so the events compare that
// master alone; beside it, the reference of the same change compared over
// the whole project, as a change that cannot say what it touched is. Goal:
// the named change's time does not grow with the project.
#include "bench/document/ProjectBenchEnvironment.h"
#include "bench/document/ProjectGenerator.h"
#include "document/CCASEDoc.h"
#include "document/DocumentEvents.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "document/UndoJournal.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "model/Master.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Prompt.h"
#include "platform/TempFolder.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

namespace qm {
namespace {

char journalFolder[] = "/tmp/quillmark-journal-bench-XXXXXX";

struct Environment : bench::ProjectBenchEnvironment {
    Environment()
        : ProjectBenchEnvironment(journalFolder),
          project(bench::GenerateProject(bench::ShapeOf(2000, 1, 2000, 3000))) {}
    std::string project;
};

Environment& Env() {
    static Environment env;
    return env;
}

// The loaded project, recording into its own journal, and a place of its diagram.
struct Project {
    Project() : doc(Env().context, true) {
        doc.LoadText(Env().project);
        model = doc.GetModelAt(0);
        for (const auto& drawable : model->Drawables()) {
            place = dynamic_cast<Place*>(drawable.get());
            if (place != nullptr && place->master != nullptr && !place->master->attributes.empty())
                break;
        }
    }
    ~Project() { DeleteFile(doc.GetJournal().FileName()); }
    // Toggles the first attribute's mark, recorded as the annotation pane does.
    void Toggle() {
        MasterAttribute* attribute = place->master->attributes[0].get();
        Journal().BeginChange(&doc, ChangeKind::Annotation);
        place->master->SetMemberAnnotation(
            &doc, model, place, (attribute->mode & ModeAnnotate) == 0, attribute, nullptr, nullptr);
    }
    // Selects every second place of the diagram (1,000 of 2,000).
    void SelectHalf() {
        model->DeselectAll(nullptr, false);
        bool take = true;
        for (const auto& drawable : model->Drawables()) {
            if (!drawable->IsPlace())
                continue;
            if (take)
                model->Select(drawable.get(), true, nullptr, false);
            take = !take;
        }
    }
    CCASEDoc doc;
    Model* model = nullptr;
    Place* place = nullptr;
};

void BM_RecordChange(benchmark::State& state) {
    Project project;
    for (auto _ : state)
        project.Toggle();
    state.counters["records"] = static_cast<double>(project.doc.GetJournal().Records().size());
}

// One undo and one redo of the last of 10,000 records.
void BM_UndoRedo(benchmark::State& state) {
    Project project;
    for (int i = 0; i < 10000; ++i)
        project.Toggle();
    UndoJournal& journal = project.doc.GetJournal();
    for (auto _ : state) {
        journal.Replay(1, false);
        journal.Replay(1, true);
    }
}

// The reference: the same record's bytes written at the end of a file and
// read back.
void BM_FileFloor(benchmark::State& state) {
    Project project;
    project.Toggle();
    UndoJournal& journal = project.doc.GetJournal();
    const std::string bytes = ReadWholeFile(journal.FileName(), 1 << 20).value_or("");
    const std::string path = journal.FileName() + ".floor";
    std::string back(bytes.size(), '\0');
    for (auto _ : state) {
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0600);
        benchmark::DoNotOptimize(::pwrite(fd, bytes.data(), bytes.size(), 0));
        ::close(fd);
        fd = ::open(path.c_str(), O_RDONLY);
        benchmark::DoNotOptimize(::pread(fd, back.data(), back.size(), 0));
        ::close(fd);
    }
    DeleteFile(path);
}

// A drag of one place by one unit, recorded as the diagram view does.
void Move(Project& project, int dx) {
    Model& model = *project.model;
    model.DeselectAll(nullptr, false);
    model.Select(project.place, true, nullptr, false);
    Journal().BeginChange(&project.doc, ChangeKind::MoveDrawables);
    model.MoveDrawables(nullptr, dx, 0, false);
    Journal().AddChangedObject(&project.doc, project.place, nullptr);
    Journal().SetOffset(&project.doc, CPoint(dx, 0));
    Journal().RecordChange(&project.doc, ChangeKind::MoveDrawables, "Drag Drawables", &model,
                           nullptr);
}

// 10,000 moves of one drawable, each recorded.
void BM_RecordMove(benchmark::State& state) {
    Project project;
    int dx = 1;
    for (auto _ : state) {
        Move(project, dx);
        dx = -dx;
    }
    state.counters["records"] = static_cast<double>(project.doc.GetJournal().Records().size());
}

// Undo of each of 10,000 recorded moves, the last first.
void BM_UndoMove(benchmark::State& state) {
    Project project;
    for (int i = 0; i < 10000; ++i)
        Move(project, i % 2 == 0 ? 1 : -1);
    UndoJournal& journal = project.doc.GetJournal();
    for (auto _ : state) {
        if (!journal.Replay(1, false))
            state.SkipWithError("undo failed");
    }
}

// One delete of 1,000 selected places with their links, recorded (timed),
// then undone (untimed).
void BM_BigDelete(benchmark::State& state) {
    Project project;
    UndoJournal& journal = project.doc.GetJournal();
    for (auto _ : state) {
        state.PauseTiming();
        project.SelectHalf();
        state.ResumeTiming();
        (void)project.model->DeleteDrawables(&project.doc, nullptr, ChangeKind::Delete, false);
        state.PauseTiming();
        if (!journal.Replay(1, false))
            state.SkipWithError("undo failed");
        state.ResumeTiming();
    }
}

// The undo of that delete (timed): 1,000 places and their links re-created
// from the record.
void BM_BigDeleteUndo(benchmark::State& state) {
    Project project;
    UndoJournal& journal = project.doc.GetJournal();
    for (auto _ : state) {
        state.PauseTiming();
        project.SelectHalf();
        (void)project.model->DeleteDrawables(&project.doc, nullptr, ChangeKind::Delete, false);
        state.ResumeTiming();
        if (!journal.Replay(1, false))
            state.SkipWithError("undo failed");
    }
}

// The project of that many classes in 100 diagrams, loaded once and kept,
// its events sent.
CCASEDoc& Generated(int classes) {
    static std::map<int, std::unique_ptr<CCASEDoc>> projects;
    std::unique_ptr<CCASEDoc>& doc = projects[classes];
    if (doc == nullptr) {
        bench::ProjectShape shape;
        shape.classes = classes;
        shape.placesPerDiagram = classes / shape.diagrams;
        shape.linksPerDiagram = shape.placesPerDiagram * 3 / 2;
        doc = std::make_unique<CCASEDoc>(Env().context, true);
        doc->LoadText(bench::GenerateProject(shape));
        doc->Events().Publish();
    }
    return *doc;
}

// The master in the middle of the collection changes its comment, and the
// change is published.
void PublishOneMaster(benchmark::State& state, ChangeReach reach) {
    CCASEDoc& doc = Generated(static_cast<int>(state.range(0)));
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

BENCHMARK(BM_RecordChange)->Iterations(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecordMove)->Iterations(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UndoMove)->Iterations(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BigDelete)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BigDeleteUndo)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoRedo)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FileFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PublishNamedMaster)->Arg(2000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PublishWholeProject)
    ->Arg(2000)
    ->Arg(20000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm

BENCHMARK_MAIN();
