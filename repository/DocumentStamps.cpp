// The session's project-file stamps, handed to the document's project file
// operations.
#include "repository/DocumentStamps.h"

#include "document/ProjectFile.h"

namespace qm {

double DocumentProjectStamps::ReadProjectFileVersion(const std::string& path) {
    return qm::ReadProjectFileVersion(path);
}

void DocumentProjectStamps::UpdateCheckedInProjectFile(const std::string& path,
                                                       const std::string& itemPath, int flag) {
    qm::UpdateCheckedInProjectFile(path, itemPath, flag);
}

ProjectStamps& DocumentStamps() {
    static DocumentProjectStamps stamps;
    return stamps;
}

} // namespace qm
