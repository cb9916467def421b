// The private per-user temporary folder.
#include "platform/TempFolder.h"

#include "platform/Format.h"
#include "platform/PathHelpers.h"
#include "platform/UserFolders.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

// An absolute folder named by the environment variable, or "".

// Makes sure path is a private folder of the current user.
bool EnsurePrivateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    // Opened without following a link, so the checks and the chmod apply to
    // the folder itself, not to whatever a link planted there points at.
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid())) {
        errno = EPERM;
        ok = false;
    }
    if (ok && (st.st_mode & 077) != 0)
        ok = ::fchmod(fd, 0700) == 0;
    ::close(fd);
    return ok;
}

} // namespace

std::string PrivateTempFolder() {
    std::string candidates[2];
    std::string runtime = AbsoluteFolderFromEnvironment("XDG_RUNTIME_DIR");
    if (!runtime.empty())
        candidates[0] = JoinPath(runtime, "quillmark");
    std::string temporary = AbsoluteFolderFromEnvironment("TMPDIR");
    if (temporary.empty())
        temporary = "/tmp";
    candidates[1] = JoinPath(temporary, Format("quillmark-%u", static_cast<unsigned>(::getuid())));

    int lastError = ENOENT;
    for (const std::string& candidate : candidates) {
        if (candidate.empty())
            continue;
        if (EnsurePrivateFolder(candidate))
            return candidate;
        lastError = errno;
    }
    errno = lastError;
    return {};
}

} // namespace qm
