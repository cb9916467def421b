// The diagram view over a class diagram of 2,000 places in a 1600 x 1000
// window: the repaint after one place moved (goal under 2 ms, painting only
// the area the move changed) and a full repaint of the window (goal under
// 16 ms). Beside them, the reference: the model drawn straight into an image
// of the window's size, without the view's background, knobs and copy.
#include "bench/DrawingBenchMain.h"
#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "drawables/CustomModel.h"
#include "drawables/FontFaceTable.h"
#include "drawables/Model.h"
#include "editor/EditorHost.h"
#include "editor/TContent.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "platform/Log.h"
#include "platform/PainterDC.h"
#include "platform/UserSettings.h"

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace qm {
namespace {

constexpr int kColumns = 50;
constexpr int kRows = 40;

struct Fixture {
    Profile settings;
    TemplateCache templates;
    DocumentContext context;
    std::unique_ptr<CCASEDoc> doc;
    NullEditorHost host;
    std::unique_ptr<TContent> view;
    Model* model = nullptr;
    Drawable* moved = nullptr;

    Fixture() {
        context.profile = &settings;
        context.templates = &templates;
        doc = std::make_unique<CCASEDoc>(context, true);
        doc->OnNewDocument();
        model = doc->NewModel(MkClass, nullptr);
        auto* diagram = dynamic_cast<CustomModel*>(model);
        for (int row = 0; row < kRows; ++row)
            for (int column = 0; column < kColumns; ++column) {
                const int x = 10 + column * 80, y = 10 + row * 75;
                Drawable* place = diagram->CreatePlaceOfTool(
                    doc.get(), 10, "Class" + std::to_string(row * kColumns + column), "",
                    CRect(x, y, x + 60, y + 40));
                if (row == 5 && column == 5)
                    moved = place;
            }
        model->SetPageMatrix(CRect(0, 0, 4000, 3000));
        model->SetZoom(1.0);
        doc->SetCurrentModel(model);
        view = std::make_unique<TContent>(*doc, host);
        view->resize(1600 + view->frameWidth() * 2, 1000 + view->frameWidth() * 2);
        view->show();
        // Painting starts once the platform has exposed the window.
        for (int i = 0; i < 1000 && !(view->windowHandle() && view->windowHandle()->isExposed());
             ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        view->viewport()->repaint();
    }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

void BM_RepaintAfterOnePlaceMove(benchmark::State& state) {
    Fixture& f = Shared();
    int dx = 8;
    int64_t painted = 0;
    for (auto _ : state) {
        CRect area = f.moved->repaintRect;
        f.model->DeselectAll(nullptr, false);
        f.model->Select(f.moved, true, nullptr, false);
        f.model->MoveDrawables(nullptr, dx, 0, false);
        dx = -dx;
        area.UnionRect(area, f.moved->repaintRect);
        f.view->InvalidateModelRect(area);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        painted += int64_t(f.view->LastPainted().width()) * f.view->LastPainted().height();
    }
    state.counters["painted_pixels"] =
        benchmark::Counter(double(painted), benchmark::Counter::kAvgIterations);
}

void BM_FullRepaint(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state)
        f.view->viewport()->repaint();
    state.counters["painted_pixels"] =
        double(f.view->LastPainted().width()) * f.view->LastPainted().height();
}

// The reference: the model alone drawn into an image of the window's size,
// clipped to it as the view clips, with no background, knobs or copy.
void BM_ReferenceModelDrawOnly(benchmark::State& state) {
    Fixture& f = Shared();
    QImage image(1600, 1000, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        PainterDC dc(&image);
        dc.IntersectClipRect(CRect(0, 0, 1600, 1000));
        f.model->Draw(dc, false);
    }
}

BENCHMARK(BM_RepaintAfterOnePlaceMove)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceModelDrawOnly)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm

int main(int argc, char** argv) {
    return qm::bench::RunDrawingBenchmarks<QApplication>(argc, argv);
}
