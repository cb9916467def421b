// Path helpers: splitting and joining paths, file names and extensions.
// Paths are built with '/'; every helper that takes a path also accepts '\'
// as a separator, because stored files may hold paths written on Windows.
#pragma once

#include <string>

namespace qm {

// True for '/' and '\'.
constexpr bool IsPathSeparator(char c) {
    return c == '/' || c == '\\';
}

// folder and name with exactly one separator between them: a trailing
// separator of folder and a leading one of name are not both kept, and '/' is
// inserted when neither has one. An empty folder gives name, an empty name folder.
std::string JoinPath(const std::string& folder, const std::string& name);

// True when text holds '/' or '\'.
bool HasPathSeparator(const std::string& text);

// The part after the last separator; the whole path when there is none.
std::string FileNameOfPath(const std::string& path);

// The part before the last separator found at position 1 or later (the
// separator dropped); "" when there is none, so "/x" and "x" give "".
std::string DirectoryOfPath(const std::string& path);

// Drops the text from the last '.' on, unless that '.' is at position 0 or is
// followed somewhere by a separator or a blank (then name comes back unchanged).
std::string RemoveExtension(const std::string& name);

// For names of 5 to 255 characters whose fourth-last character is '.': the
// file name part from its first '.' on is lower-cased, and while the name is
// longer than 8 characters and ends with its last four characters twice, the
// last four are dropped ("UML.NOT.NOT" gives "UML.not"). Folders stay as they
// are. Other names come back unchanged.
std::string TrimRepeatedExtension(const std::string& name);

// The file name's part after its last '.' ("" when there is none), with
// double quotes removed, in lower case.
std::string ExtensionOfPath(const std::string& path);

struct SplitPathResult {
    std::string lastFolderName; // the folder's own name, without separators
    std::string fileName;       // after the last separator
    std::string folder;         // up to and including the last separator
};

// Splits path at its last separator after the first character. Paths of up
// to 3 characters, and paths with no such separator, give three empty parts.
SplitPathResult SplitPath(const std::string& path);

} // namespace qm
