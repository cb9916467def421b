// A class diagram of 200 places and 300 links (built-in Class and
// Association tools), held in memory, exported to PNG and to JPEG through
// the diagram export at the default image limits (1000 x 1000). Beside
// each, the reference: the same drawing saved by Qt's own PNG and JPEG
// writers. The peak resident memory of the process is reported with each.
// Goal: the PNG export under 100 ms and under 50 MB.
//
// Full size: the class diagram of bench/RandomClassDiagram.h (200, 400 and
// 800 classes with 1.5 associations each) laid out by the automatic layout
// and exported without image limits (3,188 x 1,308 pixels at 200 classes,
// 6,628 x 2,508 at 800) to PNG and JPEG. The reference is Graphviz laying
// out and drawing the same graph as SVG (`dot -Tsvg`, a whole process, as a
// user would run it). Both are wall times. Goal: the full-size PNG export
// under `dot -Tsvg` of the same graph.
#include "bench/DrawingBenchMain.h"
#include "bench/RandomClassDiagram.h"
#include "drawables/CustomModel.h"
#include "drawables/FontFaceTable.h"
#include "drawables/Link.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/TemplateFile.h"
#include "drawables/ToolModel.h"
#include "image/DiagramImageExport.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "platform/Log.h"
#include "platform/PainterDC.h"
#include "platform/Process.h"

#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qm {
namespace {

constexpr int kColumns = 20;
constexpr int kRows = 10;
constexpr int kLinks = 300;

struct Diagram {
    NotationTemplate notation;
    GuidMap project;
    std::vector<std::unique_ptr<Master>> masters;
    CustomModel model{&project};
    QTemporaryDir dir;

    Diagram() {
        CreateTemplate(notation, kInternalTemplateName);
        ToolModel* classTool = notation.GetTool(10);
        ToolModel* association = notation.GetTool(3);
        std::vector<Place*> places;
        for (int row = 0; row < kRows; ++row) {
            for (int column = 0; column < kColumns; ++column) {
                auto master = std::make_unique<Master>();
                master->SetToolAndName(classTool, "Class" + std::to_string(places.size()), "");
                auto owned = std::make_unique<Place>(&project);
                const int x = 20 + column * 170, y = 20 + row * 130;
                owned->Setup(10, CRect(x, y, x + 120, y + 70), master.get(), true);
                owned->AddMasterReference();
                places.push_back(static_cast<Place*>(model.AddDrawable(std::move(owned))));
                masters.push_back(std::move(master));
            }
        }
        // Every place to its right neighbour, then downwards, until 300.
        int made = 0;
        for (int i = 0; i < kColumns * kRows && made < kLinks; ++i) {
            if ((i + 1) % kColumns != 0) {
                auto link = std::make_unique<Link>(&project);
                link->Connect(3, association, places[size_t(i)], places[size_t(i) + 1], 0);
                link->name = "uses";
                model.AddDrawable(std::move(link));
                ++made;
            }
        }
        for (int i = 0; i + kColumns < kColumns * kRows && made < kLinks; ++i, ++made) {
            auto link = std::make_unique<Link>(&project);
            link->Connect(3, association, places[size_t(i)], places[size_t(i + kColumns)], 0);
            model.AddDrawable(std::move(link));
        }
    }
    ~Diagram() { model.Detach(nullptr); }
};

Diagram& TheDiagram() {
    static Diagram diagram;
    return diagram;
}

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void Export(benchmark::State& state, const char* format) {
    Diagram& diagram = TheDiagram();
    const std::string path = diagram.dir.filePath("diagram").toStdString();
    for (auto _ : state)
        ExportDiagramImage(&diagram.model, false, path, format, ImageLimits{});
    QImage result(QString::fromStdString(path + "." + format));
    state.counters["width"] = result.width();
    state.counters["height"] = result.height();
    state.counters["peak MB"] = PeakMegabytes();
}

void ExportPng(benchmark::State& state) {
    Export(state, "png");
}

void ExportJpeg(benchmark::State& state) {
    Export(state, "jpg");
}

// The reference: the same picture drawn the same way, saved by Qt's writers.
void QtSave(benchmark::State& state, const char* format) {
    Diagram& diagram = TheDiagram();
    CRect bounds;
    diagram.model.GetBounds(bounds);
    const ExportFrame frame = ComputeExportFrame(bounds, ImageLimits{});
    const std::string path = diagram.dir.filePath("reference").toStdString() + "." + format;
    for (auto _ : state) {
        ImageDC dc(frame.image.Width(), frame.image.Height());
        dc.SetViewportOrg(CPoint(-frame.image.left, -frame.image.top));
        const double saved = diagram.model.zoom;
        diagram.model.zoom = frame.scale;
        diagram.model.Draw(dc, false);
        diagram.model.zoom = saved;
        dc.GetImage().save(QString::fromStdString(path), format);
    }
    state.counters["peak MB"] = PeakMegabytes();
}

void QtSavePng(benchmark::State& state) {
    QtSave(state, "png");
}

void QtSaveJpeg(benchmark::State& state) {
    QtSave(state, "jpg");
}

// The laid-out diagrams of each size, made once, with the same graph in
// Graphviz's language beside them.
struct LaidOut {
    std::unique_ptr<bench::RandomClassDiagram> diagram;
    std::string dotFile;
};

LaidOut& LaidOutDiagram(int classes) {
    // The template outlives the diagrams that use it (statics end in the
    // reverse order of their making).
    bench::BuiltInTemplate();
    static std::map<int, LaidOut> made;
    static QTemporaryDir dir;
    LaidOut& entry = made[classes];
    if (entry.diagram != nullptr)
        return entry;
    entry.diagram = std::make_unique<bench::RandomClassDiagram>(classes);
    LayoutModel(nullptr, &entry.diagram->model, true, true);
    entry.dotFile = dir.filePath(QString("classes-%1.dot").arg(classes)).toStdString();
    std::ofstream dot(entry.dotFile);
    dot << "digraph classes {\n  node [shape=box];\n";
    for (int i = 0; i < classes; ++i)
        dot << "  Class" << i << ";\n";
    for (const auto& [from, to] : entry.diagram->links)
        dot << "  Class" << from << " -> Class" << to << ";\n";
    dot << "}\n";
    return entry;
}

void ExportFullSize(benchmark::State& state, const char* format) {
    LaidOut& laidOut = LaidOutDiagram(int(state.range(0)));
    const std::string path = TheDiagram().dir.filePath("full").toStdString();
    for (auto _ : state)
        ExportDiagramImage(&laidOut.diagram->model, false, path, format, ImageLimits{0, 0});
    QImage result(QString::fromStdString(path + "." + format));
    state.counters["width"] = result.width();
    state.counters["height"] = result.height();
    state.counters["peak MB"] = PeakMegabytes();
}

void ExportFullSizePng(benchmark::State& state) {
    ExportFullSize(state, "png");
}

void ExportFullSizeJpeg(benchmark::State& state) {
    ExportFullSize(state, "jpg");
}

// The reference: `dot -Tsvg` on the same graph, as a process of its own.
void DotSvg(benchmark::State& state) {
    LaidOut& laidOut = LaidOutDiagram(int(state.range(0)));
    const std::string output = laidOut.dotFile + ".svg";
    for (auto _ : state) {
        if (SpawnProcess({"dot", "-Tsvg", laidOut.dotFile, "-o", output}, SpawnMode::Wait) != 0) {
            state.SkipWithError("dot -Tsvg failed (is graphviz installed?)");
            break;
        }
    }
}

BENCHMARK(ExportPng)->Unit(benchmark::kMillisecond);
BENCHMARK(QtSavePng)->Unit(benchmark::kMillisecond);
BENCHMARK(ExportJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(QtSaveJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(ExportFullSizePng)
    ->Arg(200)
    ->Arg(400)
    ->Arg(800)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ExportFullSizeJpeg)
    ->Arg(200)
    ->Arg(400)
    ->Arg(800)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(DotSvg)->Arg(200)->Arg(400)->Arg(800)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm

int main(int argc, char** argv) {
    return qm::bench::RunDrawingBenchmarks(argc, argv);
}
