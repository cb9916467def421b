// The context of a script run that the Vx built-ins read: the project the
// run is for, the explorer pane of its window, the run's log channel and the
// debug flag. The runners set it for the duration of a run (and tests for a
// test); outside a run every field is empty.
#pragma once

#include "document/FolderLists.h"
#include "platform/ScopedInstall.h"

#include <cstdint>
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

// What a run reports while it goes, so that the window around it can show
// progress and repaint: the runners begin and end it, the built-ins report
// each file added to the explorer's lists and each log line. With none
// installed nothing is reported.
class ScriptProgress {
  public:
    virtual ~ScriptProgress() = default;
    // A run starts; range: the masters of its project (a generation over all
    // models writes about one file for each).
    virtual void Begin(int range) = 0;
    // The script added a written file to the explorer's lists.
    virtual void Advance() = 0;
    // The script wrote to its log.
    virtual void Pulse() = 0;
    // The run has ended, on every path out.
    virtual void End() = 0;
};

// Installs the progress of script runs (null: none) and returns the one it
// replaces; the installed one, or null.
ScriptProgress* Install(ScriptProgress* progress);
ScriptProgress* InstalledScriptProgress();

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
// A number that changes whenever a run context is set (a run begins or
// ends), for what a built-in keeps for the length of one run only.
uint64_t RunSerial();

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
