// The real source trees the reverse benchmarks read: a sorted list of files
// below a folder and their total size, and the folders themselves (the
// installed Qt 6 headers, and the JDK sources named by QM_JAVA_SOURCES or
// unpacked by the build).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace qm::bench {

struct Corpus {
    std::vector<std::string> files;
    int64_t bytes = 0;
};

// Adds the regular files below root (recursively) whose extension is the one
// given, or all of them when it is empty; keeps the list sorted.
inline void AddFilesBelow(Corpus& c, const std::string& root, const std::string& extension) {
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_regular_file(error) &&
            (extension.empty() || it->path().extension() == extension)) {
            c.files.push_back(it->path().string());
            c.bytes += static_cast<int64_t>(it->file_size(error));
        }
    }
    std::sort(c.files.begin(), c.files.end());
}

inline Corpus FilesBelow(const std::string& root, const std::string& extension) {
    Corpus c;
    AddFilesBelow(c, root, extension);
    return c;
}

inline const char* kQtHeaders = "/usr/include/x86_64-linux-gnu/qt6";

// The folder that holds java/util, java/time and java/net: QM_JAVA_SOURCES,
// else the one the build unpacked; empty when there is none.
inline std::string JavaSourcesRoot() {
    if (const char* root = std::getenv("QM_JAVA_SOURCES")) {
        return root;
    }
#ifdef QM_JAVA_SOURCES_DEFAULT
    return QM_JAVA_SOURCES_DEFAULT;
#else
    return {};
#endif
}

} // namespace qm::bench
