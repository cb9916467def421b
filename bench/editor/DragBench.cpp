// Dragging a place that 50 links end on: each mouse move through the drag
// operation, with the repaint of the area it reports drawn into a window-sized
// back buffer, against the reference of moving the same place straight
// through the model with the same repaint.
#include "bench/DrawingBenchMain.h"
#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "drawables/CustomModel.h"
#include "drawables/Link.h"
#include "drawables/Place.h"
#include "editor/EditorHost.h"
#include "editor/operations/EditOperation.h"
#include "platform/PainterDC.h"
#include "platform/Prompt.h"

#include <memory>
#include <vector>

namespace qm {
namespace {

constexpr int kLinks = 50;

// The view's side: the areas an operation asks to repaint.
struct CollectingView : OperationView {
    void InvalidateModelRect(const CRect& rect) override { area.UnionRect(area, rect); }
    CRect area;
};

struct Scene {
    Scene() {
        SetPromptService(&prompts);
        settings.Language = "C++";
        context.profile = &settings;
        context.templates = &templates;
        doc = std::make_unique<CCASEDoc>(context, true);
        doc->OnNewDocument();
        model = doc->NewModel(MkClass, nullptr);
        doc->SetCurrentModel(model);
        auto* diagram = dynamic_cast<CustomModel*>(model);
        hub = dynamic_cast<Place*>(
            diagram->CreatePlaceOfTool(doc.get(), 10, "Hub", "", CRect(400, 300, 500, 360)));
        for (int i = 0; i < kLinks; ++i) {
            const int x = 40 + (i % 10) * 90;
            const int y = i < 25 ? 40 + (i / 10) * 70 : 500 + ((i - 25) / 10) * 70;
            auto* other = dynamic_cast<Place*>(diagram->CreatePlaceOfTool(
                doc.get(), 10, "P" + std::to_string(i), "", CRect(x, y, x + 70, y + 40)));
            diagram->CreateLink(doc.get(), 0, "", other, hub);
        }
        buffer.CreateBitmap(1200, 900);
        dc = std::make_unique<PainterDC>(buffer);
        opContext.document = doc.get();
        opContext.model = model;
        opContext.host = &host;
        opContext.view = &view;
        opContext.snapOn = false;
    }
    void Repaint(const CRect& area) {
        if (area.IsRectEmpty())
            return;
        dc->SelectClipRect(&area);
        dc->FillSolidRect(area, RGB(255, 255, 255));
        model->Draw(*dc, false);
        dc->SelectClipRect(nullptr);
    }

    HeadlessPrompts prompts;
    Profile settings;
    TemplateCache templates;
    DocumentContext context;
    std::unique_ptr<CCASEDoc> doc;
    Model* model = nullptr;
    Place* hub = nullptr;
    CBitmap buffer;
    std::unique_ptr<PainterDC> dc;
    NullEditorHost host;
    CollectingView view;
    OperationContext opContext;
};

// The point of move i: back and forth over 200 units, so the drag never ends.
CPoint PointAt(int64_t i) {
    const int step = static_cast<int>(i % 400);
    return CPoint(450 + (step < 200 ? step : 400 - step), 330);
}

void BM_DragOperationMove(benchmark::State& state) {
    Scene scene;
    scene.model->DeselectAll(nullptr, false);
    scene.model->Select(scene.hub, true, nullptr, false);
    auto op = MakeDragOperation(scene.opContext, DM_DRAG_DRAWABLES, scene.hub, -1, HpBody);
    PointerEvent event;
    event.point = event.rawPoint = CPoint(450, 330);
    event.hit = scene.hub;
    op->Begin(scene.opContext, event);
    int64_t i = 1;
    for (auto _ : state) {
        event.point = event.rawPoint = PointAt(i++);
        scene.view.area = CRect();
        op->Track(scene.opContext, event);
        scene.Repaint(scene.view.area);
    }
    state.SetLabel("50 links, move + repaint");
}

void BM_ReferenceModelMove(benchmark::State& state) {
    Scene scene;
    scene.model->DeselectAll(nullptr, false);
    scene.model->Select(scene.hub, true, nullptr, false);
    CPoint last(450, 330);
    int64_t i = 1;
    for (auto _ : state) {
        const CPoint p = PointAt(i++);
        const CRect area = scene.model->MoveDrawables(nullptr, p.x - last.x, p.y - last.y, false);
        last = p;
        scene.Repaint(area);
    }
    state.SetLabel("50 links, model move + repaint");
}

BENCHMARK(BM_DragOperationMove)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReferenceModelMove)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace qm

int main(int argc, char** argv) {
    return qm::bench::RunDrawingBenchmarks(argc, argv);
}
