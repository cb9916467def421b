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
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

using kest::Cell;

ReadTimeEvaluationOff::ReadTimeEvaluationOff() : saved_(kest::readtimeevaluation) {
    kest::readtimeevaluation = false;
}

ReadTimeEvaluationOff::~ReadTimeEvaluationOff() {
    kest::readtimeevaluation = saved_;
}

HeapMark::HeapMark() {
    kest::savemark();
}

HeapMark::~HeapMark() {
    kest::restoremark();
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

ReplacingFile::ReplacingFile(const std::string& path, const char* what)
    : path_(path), temporary_(path + ".XXXXXX"), what_(what) {
    fd_ = ::mkstemp(temporary_.data());
    if (fd_ < 0) {
        temporary_.clear();
        Fail();
    }
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
