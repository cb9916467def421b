// Starting programs with posix_spawn.
#include "platform/Process.h"

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace qm {

namespace {

int WaitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

} // namespace

int SpawnProcess(const std::vector<std::string>& argv, SpawnMode mode) {
    if (argv.empty() || argv[0].empty()) {
        errno = EINVAL;
        return -1;
    }
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    pid_t pid = 0;
    int error = ::posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ);
    if (error != 0) {
        errno = error;
        return -1;
    }
    if (mode == SpawnMode::Wait)
        return WaitFor(pid);
    // A child that nobody waits for stays a zombie; a small thread reaps it.
    std::thread([pid] { WaitFor(pid); }).detach();
    return static_cast<int>(pid);
}

namespace {
FileOpener* installedOpener = nullptr;
}

FileOpener* Install(FileOpener* opener) {
    FileOpener* previous = installedOpener;
    installedOpener = opener;
    return previous;
}

void OpenAttachedFile(const std::string& path, bool web) {
    if (installedOpener != nullptr)
        installedOpener->OpenFile(path, web);
    else
        OpenWithDesktop(path);
}

bool OpenWithDesktop(const std::string& target) {
    return SpawnProcess({DesktopOpener(), target}, SpawnMode::NoWait) > 0;
}

ShellOpenCommand FindShellOpenCommand(const std::string& extension) {
    if (extension.empty() || extension == ".")
        return {};
    return {DesktopOpener(), ""};
}

} // namespace qm
