// The shared notation templates.
#include "document/TemplateCache.h"

#include "document/ProjectFile.h"
#include "drawables/NotationTemplate.h"
#include "drawables/TemplateFile.h"
#include "platform/PathHelpers.h"

#include <algorithm>

namespace qm {

TemplateCache::TemplateCache() = default;
TemplateCache::~TemplateCache() = default;

NotationTemplate* TemplateCache::AcquireTemplate(const std::string& path) {
    const std::string fileName = FileNameOfPath(path);
    for (const std::unique_ptr<NotationTemplate>& loaded : templates_) {
        if (FileNameOfPath(loaded->path) == fileName || loaded->path == path) {
            loaded->AddRef();
            return loaded.get();
        }
    }
    auto built = std::make_unique<NotationTemplate>();
    // A template file is data: reading it never runs code it holds.
    ReadTimeEvaluationOff noEvaluation;
    if (CreateTemplate(*built, path) == 0)
        return nullptr;
    built->AddRef();
    templates_.push_back(std::move(built));
    return templates_.back().get();
}

void TemplateCache::ReleaseTemplate(NotationTemplate* notation) {
    if (notation == nullptr)
        return;
    if (notation->Release() > 0)
        return;
    auto it = std::find_if(
        templates_.begin(), templates_.end(),
        [&](const std::unique_ptr<NotationTemplate>& t) { return t.get() == notation; });
    if (it != templates_.end())
        templates_.erase(it);
}

} // namespace qm
