// The notation templates loaded by the application, shared between the
// documents that use them: acquired by name (loaded on first use), released
// by each user, deleted when the last one lets go.
#pragma once

#include "document/DocumentContext.h"

#include <memory>
#include <string>
#include <vector>

namespace qm {

class TemplateCache : public TemplateList {
  public:
    TemplateCache();
    ~TemplateCache() override;

    // The loaded template whose name has the same file-name part as path, or
    // is path itself (both compared exactly), with one more reference.
    // Otherwise a new template built from path (a file, or the built-in
    // template for "<Internal>"); null when building answers failure. Errors
    // reading the file are thrown, and nothing is kept.
    NotationTemplate* AcquireTemplate(const std::string& path) override;
    void ReleaseTemplate(NotationTemplate* notation) override;

    const std::vector<std::unique_ptr<NotationTemplate>>& Templates() const { return templates_; }

  private:
    std::vector<std::unique_ptr<NotationTemplate>> templates_;
};

} // namespace qm
