// The model built-ins: VxMakeModel, VxSelectModel, VxCalcModel and
// VxLayoutModel.
#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "drawables/CustomModel.h"
#include "drawables/Model.h"
#include "kernel/Init.h"
#include "kernel/Symbol.h"
#include "model/Master.h"
#include "scripting/Converters.h"
#include "scripting/MakerClauses.h"
#include "scripting/RunContext.h"
#include "scripting/VxBuiltins.h"
#include "scripting/VxFrame.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace qm {

using namespace kest;

namespace {

// "Untitled <n>" with n one more than the highest number a model name of
// that form carries.
std::string NewModelName(const CCASEDoc& project) {
    static const char kBase[] = "Untitled ";
    long highest = 0;
    for (size_t i = 0; i < project.ModelCount(); ++i) {
        const std::string& name = project.GetModelAt(i)->name;
        if (name.compare(0, sizeof kBase - 1, kBase) != 0)
            continue;
        const char* digits = name.c_str() + sizeof kBase - 1;
        char* end = nullptr;
        const long n = std::strtol(digits, &end, 10);
        if (end != digits && *end == '\0' && n > highest && n < 1000000000)
            highest = n;
    }
    return kBase + std::to_string(highest + 1);
}

} // namespace

Cell* VxMakeModel(Symbol* self) {
    MakerForm form(self);
    auto* project = static_cast<CCASEDoc*>(form.Target(RefProject, kProjectReferenceExpected));
    // The model belongs to the project before its clauses are read.
    auto created = std::make_unique<CustomModel>(&project->IdMap(), project);
    Model* model = created.get();
    project->AddModel(std::move(created));
    while (form.Next()) {
        if (form.Is("name")) {
            model->name = form.Text();
        } else if (form.Is("type")) {
            model->kind = ModelKindFromSymbol(form.First());
        } else if (form.Is("access")) {
            // Checked like every access clause; a model keeps no access code.
            MemberAccessFromSymbol(self, form.First());
        } else if (form.Is("comment")) {
            model->comment = form.Text();
        } else if (form.Is("flags")) {
            model->modelFlags = ObjectFlagsFromList(self, RefModel, form.Values());
        } else if (form.Is("zoom")) {
            const double zoom = form.Real();
            if (zoom > 0) {
                model->zoom = zoom;
                model->inverseZoom = 1.0 / zoom;
            }
        } else if (form.Is("parentMaster")) {
            if (form.First() == nil)
                continue;
            auto* master = static_cast<Master*>(static_cast<ModelObject*>(
                form.EvalRef(form.First(), RefMaster, -1, kMasterReferenceExpected)));
            if (master != nullptr) {
                model->parentMaster = master;
                master->submodel = model;
            }
        } else if (form.Is("parentModel")) {
            if (form.First() == nil)
                continue;
            model->parentModel = static_cast<Model*>(static_cast<ModelObject*>(
                form.EvalRef(form.First(), RefModel, -1, kModelReferenceExpected)));
        } else if (form.Is("rect")) {
            model->pageMatrix = form.Rect();
            model->zoomedPageMatrix = model->pageMatrix;
        } else {
            form.BadTag();
        }
    }
    if (model->name.empty())
        model->name = NewModelName(*project);
    return MakeObjectRef(model, RefModel, project, &project->IdMap());
}

Cell* VxSelectModel(Symbol* self) {
    VxFrame frame(self, 1, 1);
    auto* model = static_cast<Model*>(
        static_cast<ModelObject*>(frame.RefOfKind(0, RefModel, kModelReferenceExpected)));
    CCASEDoc* project = RunContext().project;
    if (project != nullptr && project->CurrentModel() != model && project->Frame() != nullptr) {
        for (size_t i = 0; i < project->ModelCount(); ++i)
            if (project->GetModelAt(i) == model)
                project->Frame()->ShowModelAt(int32_t(i));
    }
    return KernelSyms.t;
}

Cell* VxCalcModel(Symbol* self) {
    VxFrame frame(self, 1, 1);
    frame.RefOfKind(0, RefModel, kModelReferenceExpected);
    return KernelSyms.t;
}

Cell* VxLayoutModel(Symbol* self) {
    VxFrame frame(self, 3, 3);
    auto* model = static_cast<Model*>(
        static_cast<ModelObject*>(frame.RefOfKind(0, RefModel, kModelReferenceExpected)));
    // The layout records no journal entry of its own and leaves the
    // modified flag alone.
    LayoutModel(RunContext().project, model, frame.Arg(1) != nil, frame.Arg(2) != nil);
    return KernelSyms.t;
}

} // namespace qm
