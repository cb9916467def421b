// Files and folders: existence, size, copy, move, delete, listing a folder by
// pattern, the read-only test, the backup copy and the safe whole-file write.
// Failures return false (or nothing) with errno set, so that the failure check
// can show the system's text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

bool FileExists(const std::string& path); // a file or folder of that name exists
bool IsDirectory(const std::string& path);

// The size in bytes of a regular file, or nothing when it cannot be read.
std::optional<uint64_t> FileSize(const std::string& path);

// Copies a regular file. The copy is written beside the target and renamed
// over it, so an existing target is either kept or wholly replaced. Without
// overwrite an existing target makes it fail.
bool CopyFile(const std::string& from, const std::string& to, bool overwrite = true);

// Moves a file, replacing the target; across file systems by copy and delete.
bool MoveFile(const std::string& from, const std::string& to);

// Deletes a file (not a folder). A missing file is a failure.
bool DeleteFile(const std::string& path);

// Creates a folder and its missing parents; true when it exists afterwards.
bool MakeDirectories(const std::string& path);

// The names (without folder) of the regular files in folder whose names match
// the shell pattern ("*.vxs"), in the order the folder lists them.
// Empty when the folder cannot be read.
std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern);

// True when the file's status can be read and it cannot be written: it has no
// write permission bit, or the current user may not write it. False for a
// missing file.
bool IsReadOnlyFile(const std::string& path);

// Copies the file at path to path + ".bak", replacing an older backup. Does
// nothing (and returns false) when the file does not exist.
bool MakeBackupCopy(const std::string& path);

// Reads a whole file of at most maxBytes bytes; nothing when it cannot be
// read or is larger.
std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t maxBytes);

// Writes bytes to a temporary file beside path and renames it over path only
// when the whole write succeeded, so a failure never leaves a partial file.
// The folder must exist. mode is the new file's permission bits.
bool WriteFileReplacing(const std::string& path, std::string_view bytes, unsigned mode = 0644);
// The same without waiting for the data to reach the disk: for a run that
// writes many files and then syncs once with SyncFileSystemOf.
bool WriteFileReplacingUnsynced(const std::string& path, std::string_view bytes,
                                unsigned mode = 0644);
// Flushes every written file of the file system holding path (a file or a
// folder) to the disk; false when path cannot be opened or the flush fails.
bool SyncFileSystemOf(const std::string& path);

} // namespace qm
