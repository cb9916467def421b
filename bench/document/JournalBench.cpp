// Recording and replaying undo journal records in a diagram of 2,000 places
// (each linked to its neighbours): one record per iteration, and one undo
// and one redo per iteration, beside the reference of writing the same
// record's bytes to a file and reading them back (the floor of the journal's
// file work). Goal: each record and each undo under 1 ms.
#include "bench/document/ProjectGenerator.h"
#include "document/CCASEDoc.h"
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
#include <memory>
#include <string>
#include <unistd.h>

namespace qm {
namespace {

struct Environment {
    Environment() {
        // A temporary folder of this run's own, so that no other process of
        // the user picks or deletes the journal files measured here.
        static char folder[] = "/tmp/quillmark-journal-bench-XXXXXX";
        if (::mkdtemp(folder) != nullptr)
            ::setenv("XDG_RUNTIME_DIR", folder, 1);
        SetLogSink(&quiet);
        SetPromptService(&prompts);
        kest::initkernel();
        SetGuidStoreMode(GuidNoStore);
        settings.Language = "C++";
        context.profile = &settings;
        context.templates = &templates;
        builtIn = templates.AcquireTemplate("<Internal>");
        bench::ProjectShape shape;
        shape.classes = 2000;
        shape.diagrams = 1;
        shape.placesPerDiagram = 2000;
        shape.linksPerDiagram = 3000;
        project = bench::GenerateProject(shape);
    }
    NullLogSink quiet;
    HeadlessPrompts prompts;
    Profile settings;
    TemplateCache templates;
    DocumentContext context;
    NotationTemplate* builtIn = nullptr;
    std::string project;
    DocumentJournals journals;
};

Environment& Env() {
    static Environment env;
    return env;
}

// The loaded project with the journal seam installed, and a place of its diagram.
struct Project {
    Project() : doc(Env().context, true) {
        doc.LoadText(Env().project);
        model = doc.GetModelAt(0);
        for (const auto& drawable : model->drawables) {
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
    ScopedInstall<ChangeJournal> installed{&Env().journals};
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

BENCHMARK(BM_RecordChange)->Iterations(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UndoRedo)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FileFloor)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace qm

BENCHMARK_MAIN();
