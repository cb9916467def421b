// Fuzz target of the notation template file and of model records. The first
// byte picks the mode. Template (even): the rest is read as a *.not file;
// what reads is written, read into a fresh template and written again, and
// both texts must agree. Models (odd): the rest is read expression by
// expression, each list as a model record (a toolModel record as a tool);
// what reads is written, read into a fresh map and written again, and both
// texts must agree. Read-time evaluation is off: the input must not run code.
#include "drawables/FontFaceTable.h"
#include "drawables/Model.h"
#include "drawables/TemplateFile.h"
#include "drawables/ToolModel.h"
#include "fuzz/FuzzKernel.h"
#include "fuzz/drawables/DrawableFuzz.h"
#include "kernel/Kernel.h"
#include "model/GuidMap.h"
#include "platform/Errors.h"
#include "platform/RecordingDC.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace kest;
using qm::GuidMap;
using qm::GuidScope;
using qm::Model;
using qm::ToolModel;

void FuzzTemplate(const std::string& text) {
    qm::NotationTemplate notation;
    if (!fuzzsupport::Survive([&] { qm::ReadTemplateText(notation, text); }))
        return;
    std::string first;
    // A template without a strip cannot be written.
    if (!fuzzsupport::Survive([&] { first = qm::WriteTemplateText(notation); }))
        return;
    // Reals print with six decimals: a zoom read from the input may come
    // back slightly changed once, so the texts are compared from the second
    // writing on.
    qm::NotationTemplate once;
    qm::ReadTemplateText(once, first);
    const std::string second = qm::WriteTemplateText(once);
    qm::NotationTemplate again;
    qm::ReadTemplateText(again, second);
    fuzzsupport::RequireSameText(second, qm::WriteTemplateText(again));
    // The look-ups and drawings run over whatever was read.
    qm::RecordingDC dc;
    for (int i = 0; i < again.ToolCount(); ++i) {
        ToolModel& tool = *again.ToolAt(i);
        tool.DrawIcon(dc, 0.5);
        qm::CRect frame;
        tool.MapNameFrame(qm::CRect(0, 0, 100, 60), frame);
        again.ToolPaletteIndex(tool.id, true);
        again.LinkToolIndex(tool.id, false);
        again.PlaceToolIndex(tool.id, true);
        std::vector<ToolModel*> variants;
        again.GetToolVariants(tool.id, tool.IsLinkTool(), variants);
        dc.Clear();
    }
    bool enlarge = false;
    again.FindFreeIconSlot(nullptr, enlarge);
    again.FindFreeToolId(nullptr);
}

using Models = std::vector<std::unique_ptr<Model>>;

// One record per input list: a tool for a toolModel record, else a model.
// A record that fails to read leaves the map again.
void ReadOne(Cell* list, GuidScope& scope, Models& models) {
    if (!ispair(list))
        return;
    std::unique_ptr<Model> model;
    if (car(list) == sym::toolModel)
        model = std::make_unique<ToolModel>(nullptr);
    else
        model = std::make_unique<Model>(nullptr);
    try {
        if (auto* tool = dynamic_cast<ToolModel*>(model.get()))
            tool->PersistTool(&scope, list);
        else
            model->Persist(nullptr, &scope, list);
    } catch (...) {
        model->Detach(&scope);
        throw;
    }
    models.push_back(std::move(model));
}

std::string WriteAll(const Models& models, GuidScope& scope) {
    std::string text;
    for (const auto& model : models) {
        auto* tool = dynamic_cast<ToolModel*>(model.get());
        Cell* record =
            tool != nullptr ? tool->PersistTool(&scope, nil) : model->Persist(nullptr, &scope, nil);
        text += prettystring(record);
        text += "\n";
    }
    return text;
}

void ResolveAll(const Models& models, GuidScope& scope) {
    for (const auto& model : models)
        model->ResolveRefs(nullptr, &scope, false);
}

void FuzzModels(const uint8_t* data, size_t size, bool toolMaps) {
    GuidMap project, templ;
    GuidScope scope(&project, &templ, toolMaps);
    savemark();
    std::string first;
    Models models;
    fuzzsupport::ForEachExpression(data, size, [&](Cell* list) { ReadOne(list, scope, models); });
    fuzzsupport::Survive([&] {
        ResolveAll(models, scope);
        first = WriteAll(models, scope);
        for (const auto& model : models) {
            qm::CRect bounds;
            model->GetBounds(bounds);
            int part = 0, index = 0;
            model->HitTest(qm::TkPointer, bounds.left + 1, bounds.top + 1, part, index, 0x8,
                           nullptr);
            model->GetQualifiedName(nullptr);
            model->PageRectNear(model->Drawables().empty() ? nullptr
                                                           : model->Drawables().front().get(),
                                5, 5, bounds);
        }
    });
    models.clear();
    restoremark();
    if (first.empty())
        return;

    // The written text is one record after another: read back as a list.
    // Reals print with six decimals, so the texts are compared from the
    // second writing on.
    auto rewrite = [toolMaps](Cell* records) {
        GuidMap project2, templ2;
        GuidScope again(&project2, &templ2, toolMaps);
        Models copy;
        for (Cell* at = records; ispair(at); at = cdr(at))
            ReadOne(car(at), again, copy);
        ResolveAll(copy, again);
        return "(" + WriteAll(copy, again) + ")";
    };
    savemark();
    std::string second;
    {
        kest::LocalChannel in("(" + first + ")", kest::ChanRead);
        second = rewrite(kest::readexpr(in.get()));
    }
    fuzzsupport::CheckRoundTrip(second, rewrite);
    restoremark();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t mode = 0;
    if (!fuzzsupport::BeginDrawableInput(data, size, mode))
        return 0;
    if ((mode & 1) == 0)
        FuzzTemplate(std::string(reinterpret_cast<const char*>(data), size));
    else
        FuzzModels(data, size, (mode & 2) != 0);
    return 0;
}
