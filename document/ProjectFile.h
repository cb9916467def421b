// The project file as a whole: reading and writing its list-syntax text
// safely (read-time evaluation off, the kernel heap marked, whole-file
// replacement on save), the check-in stamp operations that the repository
// client uses on files that are not open, and the name of a new document's
// undo journal file.
#pragma once

#include "kernel/Cell.h"
#include "kernel/Channel.h"
#include "kernel/Mark.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace qm {

// The largest project, template or library file read, in bytes.
inline constexpr uint64_t kMaxProjectFileBytes = uint64_t{1} << 30;

// Turns the reader's read-time evaluation (#forms, back-quote unquotes) off
// for its lifetime: reading a stored file never runs code it holds.
class ReadTimeEvaluationOff {
  public:
    ReadTimeEvaluationOff();
    ~ReadTimeEvaluationOff();
    ReadTimeEvaluationOff(const ReadTimeEvaluationOff&) = delete;
    ReadTimeEvaluationOff& operator=(const ReadTimeEvaluationOff&) = delete;

  private:
    bool saved_;
};

// Marks the kernel heap for its lifetime and returns it to the mark at the
// end, also when an exception passes. A mark that was active before (a
// script run's) is active again afterwards, so that the run still gives back
// its own cells when it ends. Renew releases what was allocated since and
// marks again.
class HeapMark {
  public:
    HeapMark();
    ~HeapMark();
    HeapMark(const HeapMark&) = delete;
    HeapMark& operator=(const HeapMark&) = delete;
    // Releases the cells made since the mark and marks again, unless the
    // channel's look-ahead token still holds a value made since (then the
    // cells are kept until the next chance).
    void Renew(kest::Channel* reading);

  private:
    kest::HeapMark outer_;
};

// The text of a file, or CKestException(message) when it cannot be read.
std::string ReadFileText(const std::string& path, const char* message);

// A project file read as the reader asks for it, in blocks, instead of whole
// into memory first. Open failures are CKestException("<message>: <path>\n<system
// text>"), also for a file larger than kMaxProjectFileBytes; a file that
// fails or grows past that size while it is read throws from Read, so a
// failed read never looks like the end of the file.
class ProjectFileInput : public kest::FileObject {
  public:
    ProjectFileInput(const std::string& path, const char* message);
    ~ProjectFileInput() override;
    ProjectFileInput(const ProjectFileInput&) = delete;
    ProjectFileInput& operator=(const ProjectFileInput&) = delete;

    // The file's size when opened (0 for what is not a regular file).
    uint64_t Size() const { return size_; }
    size_t Read(char* buffer, size_t n) override;
    void Write(const char*, size_t) override {}
    void Close() override {}

  private:
    static constexpr size_t kBlock = 65536;

    // Reads the next block; a failure throws.
    void Fill();
    [[noreturn]] void Fail(int error);

    std::string path_;
    const char* message_;
    int fd_ = -1;
    uint64_t size_ = 0;
    uint64_t taken_ = 0; // bytes read from the file so far
    std::unique_ptr<char[]> block_;
    size_t position_ = 0; // next byte of the block to hand out
    size_t count_ = 0;    // bytes in the block
};

// A file written in place of another: the text goes to a temporary file
// beside path (path + "." + six letters or digits), which Commit flushes to
// the disk and renames over path. Until then (and when anything fails) path
// keeps its previous contents; a temporary file that is not committed is
// removed. The writer holds a lock on its temporary file while it lives, and
// a commit removes the stale temporary files of earlier writers of path
// (RemoveStaleTemporaries). Failures are CKestException("<what>: <path>:
// <system text>").
// Removes what earlier writers of path left behind when they were killed or
// ended by a limit before they could clean up: the files named path + "." +
// six letters or digits (the temporary names ReplacingFile makes) that are
// regular files of this user, that no writer holds locked (a save in
// progress holds its lock to the end) and that nothing has written to for a
// minute (a writer that takes no lock). Returns how many went.
int RemoveStaleTemporaries(const std::string& path);

class ReplacingFile {
  public:
    ReplacingFile(const std::string& path, const char* what);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    void Write(std::string_view text);
    void Commit();

  private:
    [[noreturn]] void Fail();

    std::string path_;
    std::string temporary_;
    const char* what_;
    int fd_ = -1;
    bool committed_ = false;
};

// Opens the project file (CKestException "Can't open project file"), checks
// its header (kind project) and returns the header's version number.
double ReadProjectFileVersion(const std::string& path);

// Opens the project file and reads its check-in stamp: the version text and
// changed flag of the repository record after the header, or "" and 0 when
// the file has none.
void ReadProjectRepositoryStamp(const std::string& path, std::string& version, int32_t& changed);

// Rewrites the project file with the check-in stamp (repository version
// changed) in place of the one it holds, or before its notation record when
// it holds none; every other record is copied as it is, and the text ends with
// a newline. The new text replaces the file whole (see ReplacingFile); a
// failure there is CKestException "Can't update checked-in file version".
void UpdateCheckedInProjectFile(const std::string& path, const std::string& version,
                                int32_t changed);

// The undo journal file of a new document: "<n>_Quillmark.jnl" in the private
// temporary folder, n one more than the largest leading number of the
// "*.jnl" files there (names without leading digits count 0). When the
// temporary folder cannot be used, the current folder is searched and the
// name has no folder. The working folder is never changed. The file is
// created (empty) as the name is chosen, so that a name is handed out once
// only; a name already taken moves on to the next number.
std::string NextJournalFileName();

} // namespace qm
