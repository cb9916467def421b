// Files and folders over std::filesystem and POSIX.
#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace fs = std::filesystem;

namespace {

// Carries a std::filesystem error into errno for the failure check.
bool Failed(const std::error_code& ec) {
    errno = ec.value() != 0 ? ec.value() : EIO;
    return false;
}

// Closes a descriptor on every path out.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    // Closes now, reporting a failed close (a write error may show only here).
    bool Close() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Writes what fill produces into a fresh temporary file beside path, then
// renames it over path. fill gets the descriptor and returns success. With
// sync the data reach the disk before the rename; without, the caller syncs
// later (the rename still never exposes a partly written file to a reader).
template <typename Fill>
bool ReplaceFile(const std::string& path, unsigned mode, Fill fill, bool sync = true) {
    std::string temporary = path + ".XXXXXX";
    FileDescriptor fd(::mkstemp(temporary.data()));
    if (fd.get() < 0)
        return false;
    struct stat existing {};
    unsigned finalMode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : mode;
    bool ok =
        ::fchmod(fd.get(), finalMode) == 0 && fill(fd.get()) && (!sync || ::fsync(fd.get()) == 0);
    ok = fd.Close() && ok;
    if (ok && ::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    int saved = errno;
    ::unlink(temporary.c_str());
    errno = saved;
    return false;
}

} // namespace

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<uint64_t> FileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    if (!S_ISREG(st.st_mode)) {
        errno = EISDIR;
        return std::nullopt;
    }
    return static_cast<uint64_t>(st.st_size);
}

bool CopyFile(const std::string& from, const std::string& to, bool overwrite) {
    FileDescriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (source.get() < 0)
        return false;
    struct stat st {};
    if (::fstat(source.get(), &st) != 0)
        return false;
    if (!S_ISREG(st.st_mode)) {
        errno = EISDIR;
        return false;
    }
    if (!overwrite && FileExists(to)) {
        errno = EEXIST;
        return false;
    }
    return ReplaceFile(to, st.st_mode & 07777, [&](int target) {
        char buffer[65536];
        for (;;) {
            ssize_t n = ::read(source.get(), buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return false;
            if (n == 0)
                return true;
            if (!WriteAll(target, buffer, static_cast<size_t>(n)))
                return false;
        }
    });
}

bool MoveFile(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) == 0)
        return true;
    if (errno != EXDEV)
        return false;
    return CopyFile(from, to, true) && DeleteFile(from);
}

bool DeleteFile(const std::string& path) {
    if (IsDirectory(path)) {
        errno = EISDIR;
        return false;
    }
    return ::unlink(path.c_str()) == 0;
}

bool MakeDirectories(const std::string& path) {
    std::error_code ec;
    fs::create_directories(path, ec);
    if (IsDirectory(path))
        return true;
    return ec ? Failed(ec) : (errno = ENOTDIR, false);
}

std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError))
            continue;
        std::string name = it->path().filename().string();
        if (::fnmatch(pattern.c_str(), name.c_str(), FNM_PERIOD) == 0)
            names.push_back(std::move(name));
    }
    return names;
}

bool IsReadOnlyFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return true;
    return ::access(path.c_str(), W_OK) != 0;
}

bool MakeBackupCopy(const std::string& path) {
    if (!FileSize(path))
        return false;
    return CopyFile(path, path + ".bak", true);
}

std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t maxBytes) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return std::nullopt;
    // A regular file is read straight into a string of its size (one more
    // byte shows where it ends), so its bytes are neither copied through a
    // buffer nor moved as the string grows; a file that grows meanwhile, and
    // anything else, is read on in steps.
    std::string bytes;
    struct stat status {};
    if (::fstat(fd.get(), &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        if (static_cast<uint64_t>(status.st_size) > maxBytes) {
            errno = EFBIG;
            return std::nullopt;
        }
        bytes.resize(static_cast<size_t>(status.st_size) + 1);
    }
    size_t used = 0;
    for (;;) {
        if (used == bytes.size())
            bytes.resize(std::max<size_t>(2 * used, 65536));
        ssize_t n = ::read(fd.get(), bytes.data() + used, bytes.size() - used);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0) {
            bytes.resize(used);
            return bytes;
        }
        if (used + static_cast<uint64_t>(n) > maxBytes) {
            errno = EFBIG;
            return std::nullopt;
        }
        used += static_cast<size_t>(n);
    }
}

bool WriteFileReplacing(const std::string& path, std::string_view bytes, unsigned mode) {
    return ReplaceFile(path, mode,
                       [&](int fd) { return WriteAll(fd, bytes.data(), bytes.size()); });
}

bool WriteFileReplacingUnsynced(const std::string& path, std::string_view bytes, unsigned mode) {
    return ReplaceFile(
        path, mode, [&](int fd) { return WriteAll(fd, bytes.data(), bytes.size()); }, false);
}

bool SyncFileSystemOf(const std::string& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    return fd.get() >= 0 && ::syncfs(fd.get()) == 0;
}

} // namespace qm
