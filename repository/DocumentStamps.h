// The project-file stamps as the document reads and rewrites them: what the
// session uses unless it is given other stamps (tests give fakes).
#pragma once

#include "repository/RepositorySeams.h"

namespace qm {

class DocumentProjectStamps : public ProjectStamps {
  public:
    double ReadProjectFileVersion(const std::string& path) override;
    void UpdateCheckedInProjectFile(const std::string& path, const std::string& itemPath,
                                    int flag) override;
};

// The one instance the session uses by default.
ProjectStamps& DocumentStamps();

} // namespace qm
