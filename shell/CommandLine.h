// The command line: the file to open and the options of a start, and the
// checks of a batch run. Every problem with the command line is reported in
// one message ("Command Line Error: ...") and ends the process with exit
// code 1.
#pragma once

#include "reverse/ReverseDriver.h"

#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace kest {
struct Cell;
}

namespace qm {

class Profile;

// Thrown by CommandLineError after the message has been shown: the process
// ends with the exit code it carries. Not a CException, so no guard of the
// framework's exceptions catches it.
class CommandLineExit : public std::exception {
  public:
    explicit CommandLineExit(int code) : code_(code) {}
    int Code() const { return code_; }
    const char* what() const noexcept override { return "command line exit"; }

  private:
    int code_;
};

// Shows "Command Line Error: <message><separator><detail>.\nQuillmark will
// exit!" with an exclamation icon and ends the run with exit code 1.
[[noreturn]] void CommandLineError(const std::string& message, const std::string& separator,
                                   const std::string& detail);

enum class CommandLineFileKind { Project, Template, Script, PlainFile };

// Ends with a command-line error when path does not exist or (except for a
// plain file) does not have the kind's extension ("pro", "not", "vxs").
void CheckCommandLineFile(const std::string& path, CommandLineFileKind kind);

// The template file that the value of "new" names: an absolute path as it
// is, as "script" takes one, any other name in the notation folder.
std::string CommandLineTemplatePath(const std::string& notationFolder, const std::string& value);

// What the start-up does with the file of the command line when not in batch.
enum class ShellCommand { FileNew, FileOpen, FilePrint };

// The scopes a batch script accepts.
inline constexpr const char* kScopeNames[] = {"Select Objects", "Current Model", "All Models"};
// The languages of reverse engineering.
inline constexpr const char* kReverseLanguages[] = {"C++", "C#",  "Java",      "Orvistal",
                                                    "IDL", "PHP", "Forte TOOL"};

class BatchCommandLineInfo {
  public:
    // settings gives the default notation and the notation and script folders.
    explicit BatchCommandLineInfo(const Profile& settings);

    // One item of the command line. An option comes without its leading
    // '-' or '/' and with isFlag true.
    void ParseParam(std::string_view text, bool isFlag, bool isLast);
    // Splits argv (without the program name) into items, as the framework
    // does: '-' always starts an option, '/' only where the item cannot be a
    // path, then calls ParseParam for each and Finish.
    void ParseCommandLine(const std::vector<std::string>& arguments);
    // Decides the shell command (not batch) or checks the project (batch).
    void Finish();

    // The framework's fields.
    std::string shellFileName;
    ShellCommand shellCommand = ShellCommand::FileNew;

    std::string fileName;
    std::string newTemplate;
    std::string saveAs;
    std::string revLanguage;
    std::string revModel;
    bool save = false;
    bool exitWhenDone = false;
    bool batch = false;
    std::string script;
    std::string scope;
    std::string folder;
    std::string file;
    std::string addFile;
    std::vector<NameValuePair> scriptOptions;
    bool print = false;

  private:
    const Profile& settings_;
};

// Whether a command-line item is an option, and its text without the
// leading '-' or '/'. '/' introduces an option only when the item is not an
// existing file and no further '/' comes before its first '='.
bool IsOptionItem(std::string_view item);

// Reads the list of files of an add file: one file name per line, ";" lines
// as comments and ";$name=value" lines as file options (a list of name and
// value). Trailing blanks are stripped and empty lines skipped. Problems end
// with a command-line error. The list is made on the kernel's heap.
kest::Cell* ReadAddFile(const std::string& path);

} // namespace qm
