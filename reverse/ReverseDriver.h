// The one road from a list of source files to new or updated masters: the
// reverse-engineering dialog and the batch runner call ReverseEngineerFiles.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kest {
struct Cell;
}

namespace qm {

class ReverseProject;

// One option of a run: its name and its value ("false" in any letter case
// clears the option, any other value sets it).
struct NameValuePair {
    std::string name;
    std::string value;
};

// Applies the options to the project profile, parses every file with one
// parser of the language (the paths of fileList, or, without it, the string
// cells of the list fileCells), logs the progress, records the files in the
// Reversed folder, builds the masters of the target model (the model named
// targetModelName, else the current one) and lays the model out. Failures
// inside parsing are logged and do not stop the run. Returns the number of
// files that gave error lines (a file that cannot be opened is one).
size_t ReverseEngineerFiles(ReverseProject& project, std::string_view languageName,
                            const std::string& targetModelName,
                            const std::vector<std::string>* fileList, kest::Cell* fileCells,
                            const std::vector<NameValuePair>* options);

} // namespace qm
