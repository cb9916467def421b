// Fuzzes the line merge over a pair of files with markers. The input holds
// the two marker lengths, the markers, the split point and the two files.
// The merge either fails with one of its messages or writes only lines of
// the two files (a last line given its line end), and two identical files
// merge into the generated file without its trailing blank lines.
#include "platform/Files.h"
#include "scripting/LineMerge.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string folder;

// The lines of a text as the merge splits it: each with its line end, a last
// line without one keeping its text.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

std::string WithoutTrailingBlankLines(const std::string& text) {
    std::vector<std::string> lines = SplitLines(text);
    while (!lines.empty() && lines.back().find_first_not_of(" \t\r\n") == std::string::npos)
        lines.pop_back();
    std::string result;
    for (const std::string& line : lines)
        result += line;
    return result;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A memory-backed folder where there is one: every input writes two files.
    folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/qm-fuzz-merge-XXXXXX"
                                             : "/tmp/qm-fuzz-merge-XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr)
        std::abort();
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    size_t at = 3;
    const size_t beginLength = std::min<size_t>(data[0] % 8, size - at);
    const std::string begin = bytes.substr(at, beginLength);
    at += beginLength;
    const size_t endLength = std::min<size_t>(data[1] % 8, size - at);
    const std::string end = bytes.substr(at, endLength);
    at += endLength;
    const std::string rest = bytes.substr(at);
    const size_t split = rest.empty() ? 0 : data[2] * rest.size() / 256;
    // Byte 2 odd: the two files are the same text.
    const bool same = (data[2] & 1) != 0;
    const std::string existing = same ? rest : rest.substr(0, split);
    const std::string generated = same ? rest : rest.substr(split);

    const std::string a = folder + "/a";
    const std::string b = folder + "/b";
    const std::string out = folder + "/out";
    if (!qm::WriteFileReplacing(a, existing) || !qm::WriteFileReplacing(b, generated))
        std::abort();
    std::string merged;
    try {
        qm::MergeContext context(a, b);
        context.MakeMerged(begin, end);
        merged = context.MergedText();
    } catch (const qm::MergeFailure& e) {
        // The one failure the inputs can cause.
        if (std::string(e.what()) != "KestMakeMerged: impossible case")
            std::abort();
        return 0;
    }
    std::set<std::string> inputs;
    for (const std::string& line : SplitLines(existing))
        inputs.insert(line);
    for (const std::string& line : SplitLines(generated))
        inputs.insert(line);
    for (const std::string& line : SplitLines(merged)) {
        if (inputs.count(line) != 0)
            continue;
        if (!line.empty() && line.back() == '\n' && inputs.count(line.substr(0, line.size() - 1)))
            continue;
        std::abort();
    }
    if (same && merged != WithoutTrailingBlankLines(generated))
        std::abort();
    return 0;
}
