// The run context of the script built-ins.
#include "scripting/RunContext.h"

#include "document/CCASEDoc.h"
#include "scripting/DiagramImageSeam.h"
#include "scripting/References.h"

#include <vector>

namespace qm {

ScriptRunContext& RunContext() {
    static ScriptRunContext context;
    return context;
}

ScriptExplorer* Install(ScriptExplorer* explorer) {
    ScriptExplorer* previous = RunContext().explorer;
    RunContext().explorer = explorer;
    return previous;
}

namespace {

std::vector<std::unique_ptr<CCASEDoc>>& MadeProjects() {
    static std::vector<std::unique_ptr<CCASEDoc>> projects;
    return projects;
}

ScriptProgress*& Progress() {
    static ScriptProgress* progress = nullptr;
    return progress;
}

DiagramImageWriter*& ImageWriter() {
    static DiagramImageWriter* writer = nullptr;
    return writer;
}

} // namespace

CCASEDoc* AdoptMadeProject(std::unique_ptr<CCASEDoc> project) {
    MadeProjects().push_back(std::move(project));
    return MadeProjects().back().get();
}

void ReleaseMadeProjects() {
    // Taken out first: closing a project must not see the list it is in.
    std::vector<std::unique_ptr<CCASEDoc>> projects = std::move(MadeProjects());
    MadeProjects().clear();
    for (const auto& project : projects) {
        References().Forget(project.get());
        project->OnCloseDocument();
    }
}

ScriptProgress* InstalledScriptProgress() {
    return Progress();
}

ScriptProgress* Install(ScriptProgress* progress) {
    ScriptProgress* previous = Progress();
    Progress() = progress;
    return previous;
}

DiagramImageWriter* InstalledDiagramImageWriter() {
    return ImageWriter();
}

DiagramImageWriter* Install(DiagramImageWriter* writer) {
    DiagramImageWriter* previous = ImageWriter();
    ImageWriter() = writer;
    return previous;
}

namespace {
uint64_t& Serial() {
    static uint64_t serial = 0;
    return serial;
}
} // namespace

uint64_t RunSerial() {
    return Serial();
}

ScopedRunContext::ScopedRunContext(const ScriptRunContext& context) : previous_(RunContext()) {
    RunContext() = context;
    ++Serial();
}

ScopedRunContext::~ScopedRunContext() {
    ReleaseMadeProjects();
    RunContext() = previous_;
    ++Serial();
}

} // namespace qm
