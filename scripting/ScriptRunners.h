// The script runners: a generation script's KestMain (code, documentation,
// other output, import, export), a reverse-engineering script's KestReverse
// and a task script's KestTask, each run against an open project and
// leaving the kernel as it found it.
#pragma once

#include "scripting/ScriptOptions.h"

#include <string>

namespace kest {
struct Cell;
}

namespace qm {

class CCASEDoc;
class ScriptExplorer;

// The task kinds of generation scripts; -1 for a folder of no known kind.
enum ScriptTaskKind : int {
    TaskCodeGen = 0,
    TaskDocGen = 1,
    TaskOther = 2,
    TaskImport = 3,
    TaskExport = 4,
};

// The kind of a script folder name ("CodeGen", "DocGen", "Other", "Import",
// "Export", without regard to case), else -1.
int ScriptTaskKindOfFolder(const std::string& folder);

// The project name passed to scripts: the file name of the document's path
// up to its first "." (after the first character), or "Untitled".
std::string ScriptProjectName(const CCASEDoc& document);

// Runs the generation script into targetFolder: asks to create a missing
// folder ("Target Folder does not exist.\nDo you want it to be created?"),
// binds the options as variables, loads the script and evaluates
// (KestMain (quote scope) name target extra "" nil). With batch off a
// documentation run that succeeded offers to open the generated document
// (through openDocument, when given). Script errors go to the log; kernel
// and framework exceptions end the run; the kernel is restored on every path.
void WriteGeneratedOutput(int task, const std::string& scriptPath, const std::string& targetFolder,
                          const std::string& extraFolder, const ScriptOptionList& options,
                          CCASEDoc& project, ScriptExplorer* explorer, bool batch);

// Runs (KestReverse projectName (quote files)) of the script, in the model
// named modelName when the document has one (else its current model).
void RunReverseScript(kest::Cell* files, const std::string& scriptPath,
                      const ScriptOptionList& options, const std::string& modelName,
                      CCASEDoc& document, ScriptExplorer* explorer);

// Runs (KestTask) of the script; the options are not bound.
void RunTaskScript(const std::string& scriptPath, CCASEDoc& document,
                   ScriptExplorer* explorer = nullptr, bool debug = false);

} // namespace qm
