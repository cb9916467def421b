// A class diagram of 2,000 places and 2,000 links made with the built-in
// template's Class and Association tools. Drawn through the model whole into
// a 4000 x 3000 image (goal under 16 ms) and as a 1600 x 1000 viewport of it
// (goal under 4 ms); 10,000 random points hit-tested through the model
// (goal under 5 microseconds each). Beside each, the reference: the same
// outlines, lines and names drawn directly on QPainter, the viewport's
// drawing that paints every drawable, and the hit test that asks every
// drawable in turn instead of the spatial index.
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
#include "platform/PainterDC.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace qm {
namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kColumns = 50;
constexpr int kRows = 40;
constexpr int kPoints = 10000;

struct Diagram {
    NotationTemplate notation;
    GuidMap project;
    std::vector<std::unique_ptr<Master>> masters;
    Model model;
    const DrawableList& drawables = model.Drawables(); // places first, then links; drawn head first
    std::vector<CPoint> points;

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
                Place* place = owned.get();
                const int x = 10 + column * 80, y = 10 + row * 75;
                place->Setup(10, CRect(x, y, x + 60, y + 40), master.get(), false);
                place->AddMasterReference();
                places.push_back(place);
                model.AddDrawable(std::move(owned));
                masters.push_back(std::move(master));
            }
        }
        for (size_t i = 0; i < places.size(); ++i) {
            const size_t next = (i % kColumns) + 1 < kColumns ? i + 1 : i + kColumns;
            auto link = std::make_unique<Link>(&project);
            link->Connect(3, association, places[i], places[next % places.size()], 0);
            link->name = i % 3 == 0 ? "uses" : "";
            model.AddDrawable(std::move(link));
        }
        uint32_t seed = 2024;
        for (int i = 0; i < kPoints; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const int x = int((seed >> 8) % uint32_t(kWidth));
            seed = seed * 1664525u + 1013904223u;
            const int y = int((seed >> 8) % uint32_t(kHeight));
            points.emplace_back(x, y);
        }
    }
    ~Diagram() {
        GuidScope scope(&project, &notation.guidMap);
        for (const auto& d : model.Drawables())
            d->Detach(&scope);
    }
};

Diagram& TheDiagram() {
    static Diagram diagram;
    return diagram;
}

void DrawDiagram(benchmark::State& state) {
    Diagram& diagram = TheDiagram();
    CBitmap bitmap;
    bitmap.CreateBitmap(kWidth, kHeight);
    for (auto _ : state) {
        PainterDC dc(bitmap);
        diagram.model.Draw(dc, false);
    }
    benchmark::DoNotOptimize(bitmap.Image()->constBits());
    state.SetItemsProcessed(state.iterations() * int64_t(diagram.model.Drawables().size()));
}

constexpr int kViewWidth = 1600;
constexpr int kViewHeight = 1000;

// The viewport's top-left corner in the drawing: the middle of it.
CPoint ViewCorner() {
    return CPoint((kWidth - kViewWidth) / 2, (kHeight - kViewHeight) / 2);
}

// A 1600 x 1000 window onto the middle of the drawing, clipped to it as a
// window's paint is: through the model, or (the reference) with every
// drawable painted and clipped.
void DrawOneViewport(benchmark::State& state, bool everyDrawable) {
    Diagram& diagram = TheDiagram();
    CBitmap bitmap;
    bitmap.CreateBitmap(kViewWidth, kViewHeight);
    const CPoint corner = ViewCorner();
    for (auto _ : state) {
        PainterDC dc(bitmap);
        dc.SetViewportOrg(CPoint(-corner.x, -corner.y));
        dc.IntersectClipRect(
            CRect(corner.x, corner.y, corner.x + kViewWidth, corner.y + kViewHeight));
        if (!everyDrawable) {
            diagram.model.Draw(dc, false);
            continue;
        }
        for (const auto& d : diagram.drawables)
            d->Draw(dc, &d->looks, 1.0, nullptr, nullptr, 0);
    }
    benchmark::DoNotOptimize(bitmap.Image()->constBits());
}

void DrawViewport(benchmark::State& state) {
    DrawOneViewport(state, false);
}

void DrawViewportEveryDrawable(benchmark::State& state) {
    DrawOneViewport(state, true);
}

// The reference: each place's outline and name, each link's line, on QPainter.
void DrawDirect(benchmark::State& state) {
    Diagram& diagram = TheDiagram();
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QFont font("Arial");
    font.setPixelSize(12);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.setFont(font);
        for (const auto& d : diagram.model.Drawables()) {
            if (auto* place = dynamic_cast<Place*>(d.get())) {
                const CRect& b = place->bounds;
                painter.drawRect(b.left, b.top, b.Width() - 1, b.Height() - 1);
                painter.drawText(QRect(b.left, b.top, b.Width(), 16), Qt::AlignHCenter,
                                 QString::fromStdString(place->master->name));
            } else if (auto* link = dynamic_cast<Link*>(d.get())) {
                const CPoint a = link->Vertices().front(), z = link->Vertices().back();
                painter.drawLine(a.x, a.y, z.x, z.y);
            }
        }
    }
    benchmark::DoNotOptimize(image.constBits());
    state.SetItemsProcessed(state.iterations() * int64_t(diagram.model.Drawables().size()));
}

// The model's hit test with the arrow tool and no flags, as a click asks it.
void HitTestDiagram(benchmark::State& state) {
    Diagram& diagram = TheDiagram();
    size_t next = 0;
    int hits = 0;
    for (auto _ : state) {
        const CPoint p = diagram.points[next];
        next = (next + 1) % diagram.points.size();
        int part = 0, index = 0;
        if (diagram.model.HitTest(0, p.x, p.y, part, index, 0, nullptr) != nullptr)
            ++hits;
    }
    benchmark::DoNotOptimize(hits);
    state.counters["hit share"] = double(hits) / double(state.iterations());
}

// The reference: the same hit test asking every drawable in turn.
void HitTestEveryDrawable(benchmark::State& state) {
    Diagram& diagram = TheDiagram();
    size_t next = 0;
    int hits = 0;
    for (auto _ : state) {
        const CPoint p = diagram.points[next];
        next = (next + 1) % diagram.points.size();
        int part = 0, index = 0;
        if (diagram.model.HitTestEveryDrawable(0, p.x, p.y, part, index, 0, nullptr) != nullptr)
            ++hits;
    }
    benchmark::DoNotOptimize(hits);
    state.counters["hit share"] = double(hits) / double(state.iterations());
}

// The reference: a plain scan of the repaint rectangles, from the top.
void ScanRectangles(benchmark::State& state) {
    Diagram& diagram = TheDiagram();
    std::vector<CRect> rects;
    for (auto it = diagram.model.Drawables().rbegin(); it != diagram.model.Drawables().rend(); ++it)
        rects.push_back((*it)->repaintRect);
    size_t next = 0;
    int hits = 0;
    for (auto _ : state) {
        const CPoint p = diagram.points[next];
        next = (next + 1) % diagram.points.size();
        for (const CRect& r : rects) {
            if (r.PtInRect(p)) {
                ++hits;
                break;
            }
        }
    }
    benchmark::DoNotOptimize(hits);
}

BENCHMARK(DrawDiagram)->Unit(benchmark::kMillisecond);
BENCHMARK(DrawDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(DrawViewport)->Unit(benchmark::kMillisecond);
BENCHMARK(DrawViewportEveryDrawable)->Unit(benchmark::kMillisecond);
BENCHMARK(HitTestDiagram)->Unit(benchmark::kMicrosecond);
BENCHMARK(HitTestEveryDrawable)->Unit(benchmark::kMicrosecond);
BENCHMARK(ScanRectangles)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace qm

int main(int argc, char** argv) {
    return qm::bench::RunDrawingBenchmarks(argc, argv);
}
