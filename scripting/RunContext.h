// The context of a script run that the Vx built-ins read: the project the
// run is for, the explorer pane of its window, the run's log channel and the
// debug flag. The runners set it for the duration of a run (and tests for a
// test); outside a run every field is empty.
#pragma once

#include "document/FolderLists.h"
#include "platform/ScopedInstall.h"

#include <memory>
#include <string>

namespace kest {
struct Channel;
}

namespace qm {

class CCASEDoc;

// What the built-ins need of the explorer pane; the shell's explorer
// implements it.
class ScriptExplorer {
  public:
    virtual ~ScriptExplorer() = default;
    // Removes every item under the folder (a FileFolder).
    virtual void DeleteFolderChildren(int folder) = 0;
    // Adds a file item, sorted, under the folder.
    virtual void AddFileItem(int folder, const std::string& fileName) = 0;
    // Expands (or collapses) the folder and its ancestors.
    virtual void ExpandFolder(int folder, bool expand) = 0;
    // Opens the first file of the generated documents folder, when there is one.
    virtual void OpenFirstGeneratedDocument() {}
};

struct ScriptRunContext {
    CCASEDoc* project = nullptr;
    ScriptExplorer* explorer = nullptr; // null: the tree built-ins do nothing
    kest::Channel* log = nullptr;
    bool debug = false;
    // The absolute target folder of a generation run (empty in other runs):
    // the folder the script writes into and the one that relative image
    // folders are taken in.
    std::string targetFolder;
};

// The context of the current run.
ScriptRunContext& RunContext();

// Installs the explorer of the current run (null: none) and returns the one
// it replaces; ScopedInstall<ScriptExplorer> installs one for a scope.
ScriptExplorer* Install(ScriptExplorer* explorer);

// Takes a project a script made (VxMakeProject) for the rest of the run and
// returns it; the projects a run made are released when its run context
// ends (they have no window and no cell outlives the run).
CCASEDoc* AdoptMadeProject(std::unique_ptr<CCASEDoc> project);
// Releases the projects made so far; references to them resolve to nothing.
void ReleaseMadeProjects();

// Sets the run context for its lifetime and restores the previous one, on
// every path out; the projects made under it are released.
class ScopedRunContext {
  public:
    explicit ScopedRunContext(const ScriptRunContext& context);
    ~ScopedRunContext();
    ScopedRunContext(const ScopedRunContext&) = delete;
    ScopedRunContext& operator=(const ScopedRunContext&) = delete;

  private:
    ScriptRunContext previous_;
};

} // namespace qm
