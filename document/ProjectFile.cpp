// Reading and writing project files as a whole, the check-in stamp and the
// journal file name.
#include "document/ProjectFile.h"

#include "document/Profile.h"
#include "kernel/Kernel.h"
#include "model/ListRecords.h"
#include "platform/Errors.h"
#include "platform/FileInRead.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/PathHelpers.h"
#include "platform/TempFolder.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qm {

using kest::Cell;

ReadTimeEvaluationOff::ReadTimeEvaluationOff() : saved_(kest::readtimeevaluation) {
    kest::readtimeevaluation = false;
}

ReadTimeEvaluationOff::~ReadTimeEvaluationOff() {
    kest::readtimeevaluation = saved_;
}

HeapMark::HeapMark() : outer_(kest::pushmark()) {}

HeapMark::~HeapMark() {
    kest::popmark(outer_);
}

void HeapMark::Renew(kest::Channel* reading) {
    switch (reading->token) {
    case kest::TokString:
    case kest::TokChunk:
    case kest::TokSymbol:
    case kest::TokInteger:
    case kest::TokReal:
        return;
    default:
        kest::restoremark();
        kest::savemark();
    }
}

std::string ReadFileText(const std::string& path, const char* message) {
    std::optional<std::string> text = ReadWholeFile(path, kMaxProjectFileBytes);
    if (!text)
        throw CKestException(message);
    return std::move(*text);
}

ProjectFileInput::ProjectFileInput(const std::string& path, const char* message)
    : path_(path), message_(message) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        Fail(errno);
    struct stat status {};
    if (::fstat(fd_, &status) == 0 && S_ISREG(status.st_mode))
        size_ = static_cast<uint64_t>(status.st_size);
    if (size_ > kMaxProjectFileBytes)
        Fail(EFBIG);
    // Left unfilled: every byte handed out was read into it first.
    block_.reset(new char[kBlock]);
    // What cannot be read at all (a folder) fails as the open does.
    Fill();
}

ProjectFileInput::~ProjectFileInput() {
    if (fd_ >= 0)
        ::close(fd_);
}

void ProjectFileInput::Fail(int error) {
    errno = error;
    throw CKestException(std::string(message_) + ": " + path_ + "\n" + LastErrorText());
}

void ProjectFileInput::Fill() {
    ssize_t got;
    do
        got = ::read(fd_, block_.get(), kBlock);
    while (got < 0 && errno == EINTR);
    if (got < 0)
        Fail(errno);
    taken_ += static_cast<uint64_t>(got);
    if (taken_ > kMaxProjectFileBytes)
        Fail(EFBIG);
    position_ = 0;
    count_ = static_cast<size_t>(got);
}

size_t ProjectFileInput::Read(char* buffer, size_t n) {
    if (position_ == count_)
        Fill();
    n = std::min(n, count_ - position_);
    std::memcpy(buffer, block_.get() + position_, n);
    position_ += n;
    return n;
}

namespace {

// A name that mkstemp makes of "<base>.XXXXXX": the base, the point and six
// letters or digits.
bool IsTemporaryName(std::string_view name, std::string_view base) {
    if (name.size() != base.size() + 7 || name.substr(0, base.size()) != base ||
        name[base.size()] != '.')
        return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(base.size()) + 1, name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

// How long a temporary file must have been left alone before it counts as
// stale, in seconds.
constexpr time_t kStaleSeconds = 60;

} // namespace

int RemoveStaleTemporaries(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (base.empty())
        return 0;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return 0;
    std::vector<std::string> candidates;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsTemporaryName(entry->d_name, base))
            candidates.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    const time_t now = ::time(nullptr);
    int removed = 0;
    for (const std::string& name : candidates) {
        const std::string candidate = folder == "/" ? "/" + name : folder + "/" + name;
        const int fd = ::open(candidate.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat held {};
        struct stat named {};
        // The lock is held through the unlink: a writer that takes it
        // meanwhile cannot be writing this file, and the name is checked to
        // still be the file that was locked.
        const bool stale =
            ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid() &&
            held.st_nlink == 1 && held.st_mtime <= now - kStaleSeconds &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(candidate.c_str(), &named) == 0 &&
            named.st_dev == held.st_dev && named.st_ino == held.st_ino;
        if (stale && ::unlink(candidate.c_str()) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}

ReplacingFile::ReplacingFile(const std::string& path, const char* what)
    : path_(path), temporary_(path + ".XXXXXX"), what_(what) {
    fd_ = ::mkstemp(temporary_.data());
    if (fd_ < 0) {
        temporary_.clear();
        Fail();
    }
    // Held until the file is closed: a later writer's clean-up leaves a
    // temporary file that a writer still holds alone.
    ::flock(fd_, LOCK_EX | LOCK_NB);
    struct stat existing {};
    unsigned mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
    if (::fchmod(fd_, mode) != 0)
        Fail();
}

ReplacingFile::~ReplacingFile() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!committed_ && !temporary_.empty())
        ::unlink(temporary_.c_str());
}

void ReplacingFile::Fail() {
    throw CKestException(Format("%s: %s: %s", what_, path_.c_str(), LastErrorText().c_str()));
}

void ReplacingFile::Write(std::string_view text) {
    while (!text.empty()) {
        ssize_t n = ::write(fd_, text.data(), text.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            Fail();
        text.remove_prefix(static_cast<size_t>(n));
    }
}

void ReplacingFile::Commit() {
    if (::fsync(fd_) != 0)
        Fail();
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 || ::rename(temporary_.c_str(), path_.c_str()) != 0)
        Fail();
    committed_ = true;
    RemoveStaleTemporaries(path_);
}

namespace {

constexpr const char* kCantOpen = "Can't open project file";

// The project file's text in a reading channel, its header checked.
struct OpenedProject {
    explicit OpenedProject(const std::string& path)
        : channel(ReadFileText(path, kCantOpen), kest::ChanRead), naming(path) {}
    kest::LocalChannel channel;
    ScopedFileInRead naming;
    ReadTimeEvaluationOff noEvaluation;

    // Reads and checks the header; returns it.
    Cell* Header(double* version) {
        return kest::fileheader(false, kest::sym::project, kest::readexpr(channel.get()), version);
    }
    Cell* Next() { return kest::readexpr(channel.get()); }
};

bool IsRepositoryRecord(Cell* record) {
    return kest::ispair(record) && kest::car(record) == kest::sym::repository;
}

} // namespace

double ReadProjectFileVersion(const std::string& path) {
    OpenedProject file(path);
    HeapMark mark;
    double version = 0;
    file.Header(&version);
    return version;
}

void ReadProjectRepositoryStamp(const std::string& path, std::string& version, int32_t& changed) {
    OpenedProject file(path);
    HeapMark mark;
    file.Header(nullptr);
    Cell* record = file.Next();
    version.clear();
    changed = 0;
    if (!IsRepositoryRecord(record))
        return;
    RecordReader reader(kest::cdr(record), "repository");
    std::string text = reader.String("version");
    changed = reader.Int("changed");
    version = std::move(text);
}

void UpdateCheckedInProjectFile(const std::string& path, const std::string& version,
                                int32_t changed) {
    OpenedProject file(path);
    kest::LocalChannel out;
    {
        HeapMark mark;
        kest::prettyprint(file.Header(nullptr), out.get(), 0, 0);
        Cell* record = file.Next();
        // Only a check-in stamp is replaced: a file without one keeps its
        // first record and gets the stamp before it.
        kest::prettyprint(kest::mklist(kest::sym::repository,
                                       kest::mkstr(version.c_str(), version.size()),
                                       kest::mkint(changed), nullptr),
                          out.get(), 0, 0);
        if (IsRepositoryRecord(record))
            record = file.Next();
        for (; record != kest::KernelSyms.eof; record = file.Next()) {
            kest::prettyprint(record, out.get(), 0, 0);
            mark.Renew(file.channel.get());
        }
        kest::chanprintf(0, out.get(), "\n", nullptr);
    }
    if (!WriteFileReplacing(path, out.Text()))
        throw CKestException("Can't update checked-in file version");
}

std::string NextJournalFileName() {
    std::string folder = PrivateTempFolder();
    int64_t largest = 0;
    for (const std::string& name : ListFiles(folder, "*.jnl"))
        largest = std::max<int64_t>(largest, AtoiValue(name));
    // The name is claimed by creating the file exclusively: another document
    // choosing at the same time finds it taken and moves on to the next
    // number, so no two documents ever write into one journal file.
    constexpr int kAttempts = 1000;
    std::string first;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string name =
            Format("%lld_Quillmark.jnl", static_cast<long long>(largest + 1 + attempt));
        std::string path = folder.empty() ? name : JoinPath(folder, name);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (first.empty())
            first = path;
        // A folder that cannot be written to gives the first name; the
        // journal reports the failure when it opens the file.
        if (errno != EEXIST)
            break;
    }
    return first;
}

} // namespace qm
