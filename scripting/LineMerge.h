// The line merge of generated files: the lines of an existing file are
// matched with those of a newly generated one, and the generated file is
// written with the existing file's user regions (the lines between a begin
// and an end marker line) put back where they belong.
//
// Approach: lines are compared with spaces, tabs and line ends ignored,
// through a hash computed once per line. Matching repeats passes until one
// matches nothing: each pass finds, for every free line of the existing
// file, the longest run of equal free lines in the generated file, keeps the
// longest runs first and matches those whose lines are all still free. The
// matched and unmatched runs become hunks; each unmatched hunk of the
// existing file that lies in (or is) a marked region is copied into the
// generated file's hunk list after the counterpart of its neighbour. The
// search tries, for every line of the existing file, every free start of the
// generated file whose line has the same hash (found through an index by
// hash), so a pass costs about lines x repeats of a line; inputs are limited
// to 999,999 bytes each.
#pragma once

#include <cstdint>
#include <list>
#include <stdexcept>
#include <string>
#include <vector>

namespace qm {

// A failure of the merge, carrying its message ("Can't read file x", "File
// too big", ...).
class MergeFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The largest file the merge reads is one byte less than this.
constexpr uint64_t kMergeFileLimit = 1000000;

// Bits of MergeLine::flags.
enum MergeLineFlag : uint32_t {
    MlHashValid = 0x1,
    MlNoMatch = 0x2,
    MlBeginMarker = 0x4,
    MlEndMarker = 0x8,
};

struct MergeLine {
    uint32_t flags = 0;
    std::string text; // as read, with its line end
    uint32_t hash = 0;
    int matched = -1; // index of the matched line in the other file
    int number = 0;   // 1-based
};

// A file's lines, read on first use.
class MergeFile {
  public:
    explicit MergeFile(std::string path) : path_(std::move(path)) {}

    // Reads and splits the file, marks the marker lines and drops trailing
    // blank lines. Throws MergeFailure.
    void Read(const std::string& beginMarker, const std::string& endMarker);

    const std::string& Path() const { return path_; }
    // Whether Read has read the file, and the bytes it found.
    bool HasRead() const { return read_; }
    const std::string& Content() const { return content_; }
    std::vector<MergeLine>& Lines() { return lines_; }
    const std::vector<MergeLine>& Lines() const { return lines_; }

  private:
    std::string path_;
    std::string content_;
    bool read_ = false;
    std::vector<MergeLine> lines_;
};

// A run of consecutive lines [first, last] of one file.
struct MergeHunk {
    const MergeFile* file = nullptr;
    int first = 0;
    int last = 0;
    MergeHunk* peer = nullptr; // the counterpart in the other file, if any
    int Length() const { return last - first + 1; }
};
using MergeHunkList = std::list<MergeHunk>;

class MergeContext {
  public:
    // Records the paths; reads nothing yet.
    MergeContext(std::string existingPath, std::string generatedPath);
    // The hunks point into the context's own files.
    MergeContext(const MergeContext&) = delete;
    MergeContext& operator=(const MergeContext&) = delete;

    // Reads both files, matches their lines, builds both hunk lists and moves
    // the existing file's user regions into the generated file's list.
    // Throws MergeFailure.
    void MakeMerged(const std::string& beginMarker, const std::string& endMarker);
    // Writes the merged lines to path through a temporary file beside it,
    // renamed over path only when the whole write succeeded, so a failure
    // never leaves a half-written file; a file that holds the merged text
    // already is left as it is. Throws MergeFailure ("Can't create file %s").
    void WriteMerged(const std::string& path) const;
    // The merged text (what WriteMerged writes): the lines of the output
    // hunks as read, a line end added after a last line that lacked one when
    // another line follows it.
    std::string MergedText() const;

  private:
    bool MatchPass();
    void BuildHunks();
    void MoveRegions();

    MergeFile existing_;
    MergeFile generated_;
    MergeHunkList existingHunks_;
    MergeHunkList output_;
};

// How many files WriteMerged has written over (in this process): a run that
// compares it before and after knows whether it replaced a file that may
// hold lines written by hand.
uint64_t MergedFilesWritten();

// Merges: MakeMerged then WriteMerged. Throws MergeFailure.
void MergeFiles(const std::string& existingPath, const std::string& generatedPath,
                const std::string& outputPath, const std::string& beginMarker,
                const std::string& endMarker);

} // namespace qm
