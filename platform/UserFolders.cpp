// The user's base folders.
#include "platform/UserFolders.h"

#include <filesystem>

#include "platform/PathHelpers.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace qm {

std::string AbsoluteFolderFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/')
        return {};
    return value;
}

std::string HomeFolder() {
    std::string home = AbsoluteFolderFromEnvironment("HOME");
    if (!home.empty())
        return home;
    const passwd* entry = ::getpwuid(::getuid());
    return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}

namespace {
std::string BaseFolder(const char* variable, const char* belowHome) {
    std::string folder = AbsoluteFolderFromEnvironment(variable);
    return !folder.empty() ? folder : JoinPath(HomeFolder(), belowHome);
}
} // namespace

std::string ConfigHome() {
    return BaseFolder("XDG_CONFIG_HOME", ".config");
}

std::string DataHome() {
    return BaseFolder("XDG_DATA_HOME", ".local/share");
}

std::string CacheHome() {
    return BaseFolder("XDG_CACHE_HOME", ".cache");
}

std::string ApplicationCacheFolder() {
    return JoinPath(CacheHome(), "quillmark");
}

namespace {
std::string& InstalledFolder() {
    static std::string folder;
    return folder;
}
} // namespace

std::string ApplicationFolder() {
    if (!InstalledFolder().empty())
        return InstalledFolder();
    std::error_code ec;
    const std::string current = std::filesystem::current_path(ec).string();
    return ec ? std::string() : current;
}

void SetApplicationFolder(const std::string& folder) {
    InstalledFolder() = folder;
}

} // namespace qm
