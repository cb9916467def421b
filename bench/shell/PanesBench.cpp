// The project explorer and the master lister over a generated project of
// 20,000 classes in 100 diagrams: filling each (goal: under 200 ms), beside
// the reference of a plain tree widget filled with as many text rows; then
// one master's change sent through the document's events, with the number
// of lister rows it redrew (goal: one) and its time.
//
// usage: bench_panes [classes]
#include "bench/document/ProjectGenerator.h"
#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "editor/EditorHost.h"
#include "kernel/Init.h"
#include "model/Master.h"
#include "platform/Log.h"
#include "platform/Prompt.h"
#include "shell/ProjectWindow.h"
#include "shell/panes/Explorer.h"
#include "shell/panes/Lister.h"

#include <QApplication>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;

// The least time of a few runs, in milliseconds.
double BestOf(int runs, const std::function<void()>& run) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const Clock::time_point start = Clock::now();
        run();
        best =
            std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

class BenchWindow : public qm::ProjectWindow {
  public:
    explicit BenchWindow(qm::CCASEDoc& document) : document_(document) {}
    qm::CCASEDoc& Document() override { return document_; }
    bool ShowModel(qm::Model*) override { return true; }
    qm::EditorHost& Host() override { return host_; }
    qm::CCASEDoc* ReferenceProject() const override { return nullptr; }
    void NewModel() override {}
    void Implode() override {}
    bool ExplodeMaster(qm::Master&) override { return false; }
    void OpenFile(const std::string&) override {}
    qm::CRect VisibleArea() const override { return {}; }
    void ScrollViewTo(qm::CPoint) override {}
    void RepaintView(bool) override {}
    bool DropMaster(qm::Master&, const QPoint&) override { return false; }
    bool CanDropAt(const QPoint&) const override { return false; }

  private:
    qm::CCASEDoc& document_;
    qm::NullEditorHost host_;
};

} // namespace

int main(int argc, char** argv) {
    const int classes = argc > 1 ? std::atoi(argv[1]) : 20000;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("qm-bench-panes-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "run");
    std::filesystem::permissions(folder / "run", std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", (folder / "run").c_str(), 1);
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    QApplication app(argc, argv);

    qm::NullLogSink log;
    qm::ScopedLogSink installLog(&log);
    qm::HeadlessPrompts prompts;
    qm::ScopedPromptService installPrompts(&prompts);
    kest::initkernel();
    qm::Profile settings;
    settings.Language = "C++";
    qm::TemplateCache templates;
    qm::DocumentContext context;
    context.profile = &settings;
    context.templates = &templates;

    qm::bench::ProjectShape shape;
    shape.classes = classes;
    shape.placesPerDiagram = classes / shape.diagrams;
    shape.linksPerDiagram = shape.placesPerDiagram * 3 / 2;
    qm::CCASEDoc document(context, true);
    document.LoadText(qm::bench::GenerateProject(shape));
    BenchWindow window(document);
    std::printf("panes over a project of %zu masters and %zu models\n", document.Masters().Count(),
                document.ModelCount());

    qm::TExplorer explorer(window);
    const double tree = BestOf(5, [&] {
        explorer.FillProjectTree();
        explorer.FillModelItems(true);
    });
    qm::TLister lister(window);
    const double list = BestOf(5, [&] { lister.Fill(); });
    QTreeWidget plain;
    plain.setColumnCount(6);
    const double reference = BestOf(5, [&] {
        plain.clear();
        QList<QTreeWidgetItem*> rows;
        for (const auto& master : document.Masters().Masters())
            rows.push_back(new QTreeWidgetItem(QStringList(QString::fromStdString(master->name))));
        plain.addTopLevelItems(rows);
    });

    // One master changes: its row alone is asked to redraw.
    int redrawn = 0;
    QObject::connect(lister.model(), &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& from, const QModelIndex& to) {
                         redrawn += to.row() - from.row() + 1;
                     });
    qm::Master* master = document.Masters().Masters()[size_t(classes / 2)].get();
    const double event = BestOf(5, [&] {
        master->comment += "x";
        document.Events().NoteChanged(nullptr, nullptr, {master}, qm::ChangeReach::Named);
        document.Events().Publish();
    });

    std::printf("  %-44s %10.1f ms\n", "explorer: folders, template and models", tree);
    std::printf("  %-44s %10.1f ms\n", "master lister: one row per master", list);
    std::printf("  %-44s %10.1f ms\n", "reference: plain tree widget, as many rows", reference);
    std::printf("  %-44s %10.2f ms, %d row(s) redrawn per change\n", "one master changed (event)",
                event, redrawn / 5);
    std::filesystem::remove_all(folder);
    return 0;
}
