// Reverse engineering the installed Qt 6 headers (QtCore, QtGui, QtWidgets):
// the plain tokenizer, the C++ parser alone, the parser with the masters
// built into a light stand-in project and into a real project document, and
// the real project's layout on its own, against Universal Ctags' tag scan of
// the same files (run as a separate process when it is installed). The goal:
// parsing and building the masters faster than the tag scan. Each reports
// bytes per second; the building benchmarks also the masters made.
#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "drawables/Drawable.h"
#include "drawables/FontFaceTable.h"
#include "drawables/Model.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "platform/Log.h"
#include "reverse/DocumentReverseProject.h"
#include "reverse/ReverseProject.h"
#include "reverse/SourceLanguage.h"
#include "reverse/SourceParser.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

using namespace qm;

struct Corpus {
    std::vector<std::string> files;
    int64_t bytes = 0;
    std::string listFile; // the paths, one a line, for ctags
};

const Corpus& QtHeaders() {
    static const Corpus corpus = [] {
        Corpus c;
        const std::string root = "/usr/include/x86_64-linux-gnu/qt6/";
        for (const char* module : {"QtCore", "QtGui", "QtWidgets"}) {
            std::error_code error;
            for (auto it = std::filesystem::recursive_directory_iterator(root + module, error);
                 !error && it != std::filesystem::recursive_directory_iterator();
                 it.increment(error)) {
                if (it->is_regular_file(error)) {
                    c.files.push_back(it->path().string());
                    c.bytes += static_cast<int64_t>(it->file_size(error));
                }
            }
        }
        std::sort(c.files.begin(), c.files.end());
        c.listFile = (std::filesystem::temp_directory_path() / "qm-reverse-bench-files.txt");
        std::ofstream list(c.listFile);
        for (const std::string& file : c.files) {
            list << file << '\n';
        }
        return c;
    }();
    return corpus;
}

// Places and links as plain drawables, masters found through a hash.
class BenchPlace : public NodeDrawable {
  public:
    explicit BenchPlace(Master* master) : master_(master) { kind = DkPlace; }
    Drawable* GetPlace() override { return this; }
    Master* GetMaster() override { return master_; }

  private:
    Master* master_;
};

class BenchLink : public Drawable {
  public:
    BenchLink(int tool, NodeDrawable* from, NodeDrawable* to) : from_(from), to_(to) {
        kind = DkLink;
        kindCode = tool;
    }
    bool GetLinkEnds(NodeDrawable*& source, NodeDrawable*& target) const override {
        source = from_;
        target = to_;
        return true;
    }

  private:
    NodeDrawable* from_;
    NodeDrawable* to_;
};

class BenchProject : public ReverseProject {
  public:
    BenchProject() { main_ = NewModel("Main", nullptr); }
    uint32_t& ProfileFlags() override { return flags_; }
    const ReverseTemplate* Template() const override { return nullptr; }
    uint32_t UserOptions() const override { return 0; }
    Model* CurrentModel() override { return main_; }
    Model* FindModelByName(const std::string&) override { return nullptr; }
    void ShowModel(Model*) override {}
    void ClearReversedFiles() override {}
    void AddReversedFile(const std::string&) override {}
    void ExpandReversedFiles() override {}
    void MarkDrawables(int) override {}
    void MarkModels(int) override {}
    void LayoutModel(Model*, int, int) override {}
    void ChangeLinksLooks(Model*, int, int) override {}

    Master* FindMaster(int tool, const std::string& name, const std::string& nameSpace) override {
        auto it = masters_.find(Key(tool, name, nameSpace));
        return it != masters_.end() ? it->second.get() : nullptr;
    }
    Master* FindMasterInScopes(int tool, const std::string& name, const std::string& first,
                               const std::string& second) override {
        if (Master* master = FindMaster(tool, name, first)) {
            return master;
        }
        return second.empty() ? nullptr : FindMaster(tool, name, second);
    }
    Model* FindOrCreatePackage(Model* model, const std::string& name, const std::string& nameSpace,
                               int tool, bool showAll) override {
        Master* package = FindMaster(tool, name, nameSpace);
        if (package == nullptr || model->FindPlaceOfMaster(package) == nullptr) {
            package = MasterOfPlace(AddMasterPlace(model, tool, name, nameSpace, showAll));
            package->masterFlags |= 1;
        }
        return EnsureSubmodel(package, model);
    }
    Drawable* AddMasterPlace(Model* model, int tool, const std::string& name,
                             const std::string& nameSpace, bool) override {
        std::unique_ptr<Master>& slot = masters_[Key(tool, name, nameSpace)];
        if (!slot) {
            slot = std::make_unique<Master>();
            slot->name = name;
            slot->nameSpace = nameSpace;
        }
        auto* place = new BenchPlace(slot.get());
        model->AddDrawable(std::unique_ptr<Drawable>(place));
        return place;
    }
    Drawable* FindPlaceByMasterName(Model* model, int tool, const std::string& name,
                                    const std::string& nameSpace) override {
        Master* master = FindMaster(tool, name, nameSpace);
        return master != nullptr ? model->FindPlaceOfMaster(master) : nullptr;
    }
    Model* EnsureSubmodel(Master* master, Model* parent) override {
        if (auto* submodel = dynamic_cast<Model*>(master->submodel)) {
            return submodel;
        }
        Model* submodel = NewModel(master->name, parent);
        master->submodel = submodel;
        return submodel;
    }
    Drawable* FindLink(Model* model, int tool, const std::string&, Drawable* source,
                       Drawable* target) override {
        return model->FindLink(tool, "", source, target);
    }
    Drawable* AddLink(Model* model, int tool, const std::string&, Drawable* source,
                      Drawable* target) override {
        auto* link = new BenchLink(tool, dynamic_cast<NodeDrawable*>(source),
                                   dynamic_cast<NodeDrawable*>(target));
        model->AddDrawable(std::unique_ptr<Drawable>(link));
        return link;
    }
    void SetLinkDetails(Drawable*, int, uint32_t, const std::string&, const std::string&) override {
    }
    void SetLinkType(Drawable*, const std::string&) override {}
    void DiscardMembers(Master::MemberRecords) override {}

    size_t MasterCount() const { return masters_.size(); }

  private:
    static std::string Key(int tool, const std::string& name, const std::string& nameSpace) {
        return std::to_string(tool) + '\x1f' + nameSpace + '\x1f' + name;
    }
    static Master* MasterOfPlace(Drawable* place) {
        return dynamic_cast<NodeDrawable*>(place)->GetMaster();
    }
    Model* NewModel(const std::string& name, Model* parent) {
        models_.push_back(std::make_unique<Model>());
        Model* model = models_.back().get();
        model->kind = MkClass;
        model->name = name;
        model->parentModel = parent;
        return model;
    }

    uint32_t flags_ = 178;
    Model* main_ = nullptr;
    std::unordered_map<std::string, std::unique_ptr<Master>> masters_;
    std::vector<std::unique_ptr<Model>> models_;
};

void BM_Tokenize(benchmark::State& state) {
    const Corpus& corpus = QtHeaders();
    NullLogSink log;
    ScopedLogSink scope(&log);
    for (auto _ : state) {
        SourceParser parser(nullptr, kLangCpp);
        uint64_t tokens = 0;
        for (const std::string& path : corpus.files) {
            if (!parser.OpenSourceFile(path)) {
                continue;
            }
            while (parser.GetToken() != kTokEnd) {
                ++tokens;
            }
            parser.CloseSourceFile();
        }
        benchmark::DoNotOptimize(tokens);
    }
    state.SetBytesProcessed(state.iterations() * corpus.bytes);
}

void BM_Parse(benchmark::State& state) {
    const Corpus& corpus = QtHeaders();
    NullLogSink log;
    ScopedLogSink scope(&log);
    for (auto _ : state) {
        SourceParser parser(nullptr, kLangCpp);
        for (const std::string& path : corpus.files) {
            parser.ParseSourceFile(path);
        }
        benchmark::DoNotOptimize(parser.First());
    }
    state.SetBytesProcessed(state.iterations() * corpus.bytes);
}

void BM_ParseAndBuildMasters(benchmark::State& state) {
    const Corpus& corpus = QtHeaders();
    NullLogSink log;
    ScopedLogSink scope(&log);
    size_t masters = 0;
    for (auto _ : state) {
        BenchProject project;
        SourceParser parser(&project, kLangCpp);
        for (const std::string& path : corpus.files) {
            parser.ParseSourceFile(path);
        }
        parser.BuildModelFromParse(&project, project.CurrentModel());
        masters = project.MasterCount();
    }
    state.SetBytesProcessed(state.iterations() * corpus.bytes);
    state.counters["masters"] = static_cast<double>(masters);
}

// A new headless project on the built-in template with one class diagram,
// its current model.
struct BenchDocument {
    BenchDocument() {
        context.profile = &settings;
        context.templates = &templates;
        context.newProjectArmed = true;
        context.commandLineTemplate = "<Internal>";
        document = std::make_unique<CCASEDoc>(context, true);
        document->OnNewDocument();
        Model* main = document->NewModel(MkClass, nullptr);
        main->name = "Main";
        document->SetCurrentModel(main);
    }
    // Parses every file of the corpus in one run and builds the masters.
    void Build(const Corpus& corpus) {
        DocumentReverseProject project(*document);
        SourceParser parser(&project, kLangCpp);
        for (const std::string& path : corpus.files) {
            parser.ParseSourceFile(path);
        }
        project.MarkDrawables(1);
        parser.BuildModelFromParse(&project, project.CurrentModel());
        project.MarkModels(0);
    }

    Profile settings;
    TemplateCache templates;
    DocumentContext context;
    std::unique_ptr<CCASEDoc> document;
};

void BM_ParseAndBuildIntoProject(benchmark::State& state) {
    const Corpus& corpus = QtHeaders();
    NullLogSink log;
    ScopedLogSink scope(&log);
    size_t masters = 0;
    for (auto _ : state) {
        BenchDocument bench;
        bench.Build(corpus);
        masters = bench.document->Masters().Masters().size();
        state.PauseTiming();
        bench.document.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * corpus.bytes);
    state.counters["masters"] = static_cast<double>(masters);
}

// The layout that ends a run, alone: the model and its package submodels.
void BM_LayoutProject(benchmark::State& state) {
    const Corpus& corpus = QtHeaders();
    NullLogSink log;
    ScopedLogSink scope(&log);
    size_t places = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto bench = std::make_unique<BenchDocument>();
        bench->Build(corpus);
        DocumentReverseProject project(*bench->document);
        places = project.CurrentModel()->Drawables().size();
        state.ResumeTiming();
        project.LayoutModel(project.CurrentModel(), 1, 1);
        state.PauseTiming();
        bench.reset();
        state.ResumeTiming();
    }
    state.counters["drawables"] = static_cast<double>(places);
}

// Universal Ctags over the same files, every file read as C++, tags written
// to a scratch file.
void BM_CtagsScan(benchmark::State& state) {
    const Corpus& corpus = QtHeaders();
    if (std::system("ctags --version >/dev/null 2>&1") != 0) {
        state.SkipWithError("Universal Ctags is not installed");
        return;
    }
    const std::string tags =
        (std::filesystem::temp_directory_path() / "qm-reverse-bench.tags").string();
    const std::string command =
        "ctags --language-force=C++ -f " + tags + " -L " + corpus.listFile + " >/dev/null 2>&1";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("ctags failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * corpus.bytes);
    std::error_code error;
    std::filesystem::remove(tags, error);
}

// Wall-clock time throughout, so that the tag scan, which runs in a child
// process, is measured alike.
BENCHMARK(BM_Tokenize)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->UseRealTime();
BENCHMARK(BM_Parse)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->UseRealTime();
BENCHMARK(BM_ParseAndBuildMasters)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5)
    ->Repetitions(5)
    ->UseRealTime();
BENCHMARK(BM_ParseAndBuildIntoProject)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->Repetitions(3)
    ->UseRealTime();
BENCHMARK(BM_LayoutProject)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime();
BENCHMARK(BM_CtagsScan)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    // The layout measures texts: a headless application with the font faces.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    FontFaceTable faces;
    faces.Init();
    Install(&faces);
    benchmark::Initialize(&argc, argv);
    // Ids as the running program makes them: no settings write per id; the
    // documents' settings and journal files in a scratch folder.
    SetGuidStoreMode(GuidNoStore);
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / "qm-reverse-bench-home";
    std::filesystem::create_directories(scratch);
    setenv("XDG_CONFIG_HOME", scratch.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", scratch.c_str(), 1);
    kest::initkernel();
    if (QtHeaders().files.empty()) {
        std::fprintf(stderr, "the Qt 6 headers are not installed\n");
        return 1;
    }
    std::printf("corpus: %zu files, %lld bytes\n", QtHeaders().files.size(),
                static_cast<long long>(QtHeaders().bytes));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
