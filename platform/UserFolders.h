// The current user's base folders of the desktop's conventions: a folder named
// by an environment variable when it holds an absolute path, else one below the
// user's home folder.
#pragma once

#include <string>

namespace qm {

// The value of the environment variable when it is an absolute path, else "".
std::string AbsoluteFolderFromEnvironment(const char* name);

// The user's home folder: $HOME when absolute, else the password database's entry, else "".
std::string HomeFolder();

// $XDG_CONFIG_HOME, else ~/.config.
std::string ConfigHome();

// $XDG_DATA_HOME, else ~/.local/share.
std::string DataHome();

// $XDG_CACHE_HOME, else ~/.cache.
std::string CacheHome();

// The program's folder below the cache folder, for files it can make again
// (the repository's listings): CacheHome()/quillmark. Not created here.
std::string ApplicationCacheFolder();

// The folder the application is installed in, which holds its Scripts,
// Notations, Help and Libraries folders: the folder set at start-up, else
// the current folder (tests and tools that never set one).
std::string ApplicationFolder();
void SetApplicationFolder(const std::string& folder);

} // namespace qm
