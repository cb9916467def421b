// The script runners: a generation script's KestMain (code, documentation,
// other output, import, export), a reverse-engineering script's KestReverse
// and a task script's KestTask, each run against an open project and
// leaving the kernel as it found it.
#pragma once

#include "scripting/ScriptOptions.h"

#include <string>
#include <vector>

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

// The generation settings a project keeps per task kind (the task dialog
// writes them): the script's file name, the target folder and the target
// file, which the runner passes as the extra folder. Null for a task outside
// 0 to 4.
struct TaskSettings {
    std::string* scriptName = nullptr;
    std::string* targetFolder = nullptr;
    std::string* targetFile = nullptr;
};
TaskSettings GenerationSettings(CCASEDoc& document, int task);

// The target folder a task starts from when none is stored: the project's
// folder, or for a project without a path the working directory's
// "Generated" folder when it exists, else the working directory.
std::string DefaultTargetFolder(const CCASEDoc& document);

// What the runners take of the script task dialog and the
// reverse-engineering dialog: the document they were opened for and the
// options of the chosen script.
class ScriptDialog {
  public:
    virtual ~ScriptDialog() = default;
    virtual CCASEDoc& Document() const = 0;
    virtual const ScriptOptionList& Options() const = 0;
};

// The option list of the script chosen in the task dialog: one for the whole
// program run, empty at start-up, shared by the dialog and the runner.
ScriptOptionList& TaskScriptOptions();

// The kind of a script folder name ("CodeGen", "DocGen", "Other", "Import",
// "Export", without regard to case), else -1.
int ScriptTaskKindOfFolder(const std::string& folder);

// The subfolder of folder called name in any letter case (the exact
// spelling first), for script folders copied from systems that ignore case;
// "" when there is none.
std::string FindSubfolderNoCase(const std::string& folder, const std::string& name);

// The names of the script files ("*.vxs", the extension in any letter case)
// of a folder, sorted by name so that lists are the same on every machine;
// empty for a missing folder.
std::vector<std::string> ListScriptFiles(const std::string& folder);

// The file of a script named on a command line or in stored settings: '\'
// and '/' both separate folders; an absolute name is the file itself, a
// relative one is taken in scriptFolder.
std::string ScriptFilePath(const std::string& scriptFolder, const std::string& name);

// The project name passed to scripts: the file name of the document's path
// up to its first "." (after the first character), or "Untitled".
std::string ScriptProjectName(const CCASEDoc& document);

// Runs the generation script the task dialog chose: WriteGeneratedOutput
// with the document's target folder and target file for the task, the
// dialog's options, and batch off.
void RunGenerationTask(int task, const std::string& scriptPath, const ScriptDialog& dialog,
                       ScriptExplorer* explorer);

// Runs the reverse-engineering script the dialog chose over the files
// (RunReverseScript in the document's current model).
void RunReverseTask(kest::Cell* files, const std::string& scriptPath, const ScriptDialog& dialog,
                    ScriptExplorer* explorer);

// Runs the generation script into targetFolder: asks to create a missing
// folder ("Target Folder does not exist.\nDo you want it to be created?"; in
// batch mode it is created without asking, and a failure to create it goes
// to the log as "Failed to create folder."),
// binds the options as variables, loads the script and evaluates
// (KestMain (quote scope) name target extra "" nil). With batch off a
// documentation run that succeeded offers to open the generated document
// (through openDocument, when given). Script errors go to the log; kernel
// and framework exceptions end the run; the kernel is restored on every path.
// True when the script ran to its end; false when the folder step or an
// error ended the run (what went wrong is in the log or was shown).
bool WriteGeneratedOutput(int task, const std::string& scriptPath, const std::string& targetFolder,
                          const std::string& extraFolder, const ScriptOptionList& options,
                          CCASEDoc& project, ScriptExplorer* explorer, bool batch);

// Runs (KestReverse projectName (quote files)) of the script, in the model
// named modelName when the document has one (else its current model). A
// target model drawing stepped links draws them straight while the script
// runs and gets its stepped links back afterwards (one undoable change),
// also when the script fails. True when the script ran to its end.
bool RunReverseScript(kest::Cell* files, const std::string& scriptPath,
                      const ScriptOptionList& options, const std::string& modelName,
                      CCASEDoc& document, ScriptExplorer* explorer);

// Runs (KestTask) of the script; the options are not bound. True when the
// script ran to its end.
bool RunTaskScript(const std::string& scriptPath, CCASEDoc& document,
                   ScriptExplorer* explorer = nullptr, bool debug = false);

} // namespace qm
