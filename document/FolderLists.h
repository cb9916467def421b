// The file folders of a project: the generated code, generated documents,
// other files and reverse-engineered files that the project file lists in its
// codeFiles, docFiles, otherFiles and revFiles records. The document holds
// them; the project explorer shows them.
#pragma once

#include <string>
#include <vector>

namespace kest {
struct Cell;
struct Symbol;
} // namespace kest

namespace qm {

// The explorer folders that hold files.
enum FileFolder : int {
    FolderCode = 5,
    FolderDocs = 6,
    FolderOther = 7,
    FolderReversed = 18,
};

// The record head of a file folder: codeFiles, docFiles, otherFiles, revFiles;
// nil for any other folder index.
kest::Symbol* FolderSymbol(int folder);

// Converts one file folder to or from its record.
// Writing (list null): (FolderSymbol(folder) [language] file...), the
// language only for the reverse-engineered files; null items give the head
// (and language) alone. Returns the list.
// Reading: the head must be FolderSymbol(folder), else the fatal failure check
// with an empty operation text; for the reverse-engineered files the element
// after the head (the language) is skipped; each further element, a string,
// is appended to items (when given). An element that is not a string is a
// format error (CKestException) and appends nothing. Returns nil.
kest::Cell* FolderItemsScriptor(std::vector<std::string>* items, int folder, kest::Cell* list,
                                const std::string& language);

// The four file lists of a project, in the order of the project file.
struct FolderLists {
    std::vector<std::string> codeFiles;
    std::vector<std::string> docFiles;
    std::vector<std::string> otherFiles;
    std::vector<std::string> revFiles;

    // The list of a folder index; null for a folder that holds no files.
    std::vector<std::string>* Of(int folder);
    bool operator==(const FolderLists&) const = default;
};

} // namespace qm
