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

[[noreturn]] void Differ(const std::string& first, const std::string& second) {
    std::fprintf(stderr, "written:\n%s\nread back and written:\n%s\n", first.c_str(),
                 second.c_str());
    std::abort();
}

void FuzzTemplate(const std::string& text) {
    qm::NotationTemplate notation;
    try {
        qm::ReadTemplateText(notation, text);
    } catch (const qm::CKestException&) {
        resetstacks();
        return;
    } catch (const qm::CIgnoreException&) {
        resetstacks();
        return;
    }
    std::string first;
    try {
        first = qm::WriteTemplateText(notation);
    } catch (const qm::CKestException&) {
        // A template without a strip cannot be written.
        resetstacks();
        return;
    }
    qm::NotationTemplate again;
    qm::ReadTemplateText(again, first);
    const std::string second = qm::WriteTemplateText(again);
    if (first != second)
        Differ(first, second);
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

// One record per input list: a tool for a toolModel record, else a model.
std::unique_ptr<Model> ReadOne(Cell* list, GuidScope& scope) {
    if (car(list) == sym::toolModel) {
        auto tool = std::make_unique<ToolModel>(nullptr);
        try {
            tool->PersistTool(&scope, list);
        } catch (...) {
            tool->Detach(&scope, false);
            throw;
        }
        return tool;
    }
    auto model = std::make_unique<Model>(nullptr);
    try {
        model->Persist(nullptr, &scope, list);
    } catch (...) {
        model->Detach(&scope, false);
        throw;
    }
    return model;
}

std::string WriteAll(std::vector<std::unique_ptr<Model>>& models, GuidScope& scope) {
    std::string text;
    for (auto& model : models) {
        auto* tool = dynamic_cast<ToolModel*>(model.get());
        Cell* record =
            tool != nullptr ? tool->PersistTool(&scope, nil) : model->Persist(nullptr, &scope, nil);
        text += prettystring(record);
        text += "\n";
    }
    return text;
}

void Release(std::vector<std::unique_ptr<Model>>& models, GuidScope& scope) {
    for (auto& model : models)
        model->Detach(&scope, false);
    models.clear();
}

std::vector<std::unique_ptr<Model>> ReadAll(const std::string& text, GuidScope& scope,
                                            size_t limit) {
    std::vector<std::unique_ptr<Model>> models;
    LocalChannel in(text, ChanRead);
    for (size_t i = 0; i <= limit; ++i) {
        Cell* list = readexpr(in.get());
        if (list == KernelSyms.eof)
            break;
        if (!ispair(list))
            continue;
        try {
            models.push_back(ReadOne(list, scope));
        } catch (const qm::CKestException&) {
            resetstacks();
        } catch (const qm::CIgnoreException&) {
            resetstacks();
        }
    }
    for (auto& model : models)
        model->ResolveRefs(nullptr, &scope, false);
    return models;
}

void FuzzModels(const std::string& text, bool toolMaps) {
    GuidMap project, templ;
    GuidScope scope(&project, &templ, toolMaps);
    savemark();
    std::string first;
    try {
        std::vector<std::unique_ptr<Model>> models = ReadAll(text, scope, text.size());
        first = WriteAll(models, scope);
        for (auto& model : models) {
            qm::CRect bounds;
            model->GetBounds(bounds);
            int part = 0, index = 0;
            model->HitTest(qm::TkPointer, bounds.left + 1, bounds.top + 1, part, index, 0x8,
                           nullptr);
            model->GetQualifiedName(nullptr);
            model->PageRectNear(model->drawables.empty() ? nullptr : model->drawables.front(), 5, 5,
                                bounds);
        }
        Release(models, scope);
    } catch (const qm::CKestException&) {
        resetstacks();
    } catch (const qm::CIgnoreException&) {
        resetstacks();
    }
    restoremark();
    if (first.empty())
        return;

    GuidMap project2, templ2;
    GuidScope again(&project2, &templ2, toolMaps);
    savemark();
    std::vector<std::unique_ptr<Model>> copy = ReadAll(first, again, first.size());
    const std::string second = WriteAll(copy, again);
    Release(copy, again);
    restoremark();
    if (first != second)
        Differ(first, second);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qm::FontFaceTable table;
    static bool ready = [] {
        qm::SetFontFaceTable(&table);
        qm::SetGuidStoreMode(qm::GuidNoStore);
        qm::SetHostAddressSource(fuzzsupport::LoopbackHost);
        return true;
    }();
    static qm::HeadlessPrompts& prompts = fuzzsupport::StartQuietKernel(8192, false);
    (void)ready;
    prompts.asked.clear();
    table.Init();
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    if ((mode & 1) == 0)
        FuzzTemplate(text);
    else
        FuzzModels(text, (mode & 2) != 0);
    return 0;
}
