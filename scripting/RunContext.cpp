// The run context of the script built-ins.
#include "scripting/RunContext.h"

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

ScopedRunContext::ScopedRunContext(const ScriptRunContext& context) : previous_(RunContext()) {
    RunContext() = context;
}

ScopedRunContext::~ScopedRunContext() {
    RunContext() = previous_;
}

} // namespace qm
