// Path helpers.
#include "platform/PathHelpers.h"

#include <algorithm>
#include <cctype>

namespace qm {

namespace {

// Longest text the directory split looks at, the size of the shared text buffer.
constexpr size_t kSharedTextLimit = 131072;

// Position of the last separator at or after position from, or npos.
size_t LastSeparator(const std::string& path, size_t from = 0) {
    for (size_t i = path.size(); i > from; --i) {
        if (IsPathSeparator(path[i - 1]))
            return i - 1;
    }
    return std::string::npos;
}

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Offset of the file name part: just after the last separator, or 0.
size_t FileNameStart(const std::string& path) {
    size_t sep = LastSeparator(path);
    return sep == std::string::npos ? 0 : sep + 1;
}

} // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    if (name.empty())
        return folder;
    const bool folderEnds = IsPathSeparator(folder.back());
    const bool nameStarts = IsPathSeparator(name.front());
    if (folderEnds && nameStarts)
        return folder + name.substr(1);
    if (folderEnds || nameStarts)
        return folder + name;
    return folder + '/' + name;
}

bool HasPathSeparator(const std::string& text) {
    return std::any_of(text.begin(), text.end(), IsPathSeparator);
}

std::string FileNameOfPath(const std::string& path) {
    return path.substr(FileNameStart(path));
}

std::string DirectoryOfPath(const std::string& path) {
    const std::string considered = path.substr(0, kSharedTextLimit);
    size_t sep = LastSeparator(considered, 1);
    if (sep == std::string::npos)
        return {};
    return considered.substr(0, sep);
}

std::string RemoveExtension(const std::string& name) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return name;
    if (name.find_first_of("\\/ ", dot) != std::string::npos)
        return name;
    return name.substr(0, dot);
}

std::string TrimRepeatedExtension(const std::string& name) {
    if (name.size() < 5 || name.size() > 255 || name[name.size() - 4] != '.')
        return name;
    std::string result = name;
    // Only the file name is lower-cased: folder names are case-sensitive here.
    size_t firstDot = result.find('.', FileNameStart(result));
    if (firstDot != std::string::npos)
        std::transform(result.begin() + static_cast<std::ptrdiff_t>(firstDot), result.end(),
                       result.begin() + static_cast<std::ptrdiff_t>(firstDot), Lower);
    while (result.size() > 8 &&
           result.compare(result.size() - 8, 4, result, result.size() - 4, 4) == 0)
        result.resize(result.size() - 4);
    return result;
}

std::string ExtensionOfPath(const std::string& path) {
    const size_t start = FileNameStart(path);
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < start)
        return {};
    std::string extension;
    for (size_t i = dot + 1; i < path.size(); ++i) {
        if (path[i] != '"')
            extension += Lower(path[i]);
    }
    return extension;
}

SplitPathResult SplitPath(const std::string& path) {
    SplitPathResult parts;
    if (path.size() <= 3)
        return parts;
    // A separator in the first position does not split: neither does none.
    size_t sep = LastSeparator(path, 1);
    if (sep == std::string::npos)
        return parts;
    parts.fileName = path.substr(sep + 1);
    parts.folder = path.substr(0, sep + 1);
    size_t before = LastSeparator(path.substr(0, sep));
    size_t nameStart = before == std::string::npos ? 0 : before + 1;
    parts.lastFolderName = path.substr(nameStart, sep - nameStart);
    return parts;
}

} // namespace qm
