// Fuzzes the command-line parser: the input, split at NUL bytes, is the
// argument vector. Parsing either ends with a command-line error (after one
// message) or leaves fields that agree with the items given.
#include "document/Profile.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Prompt.h"
#include "shell/CommandLine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {
qm::HeadlessPrompts prompts;
qm::NullLogSink quiet;
qm::Profile settings;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static std::string folder = "/tmp/qm-fuzz-cmdline-XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr)
        std::abort();
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    });
    qm::SetLogSink(&quiet);
    qm::SetPromptService(&prompts);
    settings.NotationFolder = folder + "/Notations";
    settings.ScriptFolder = folder + "/Scripts";
    settings.DefaultNotation = "UML2.1.not";
    qm::MakeDirectories(settings.NotationFolder);
    qm::MakeDirectories(settings.ScriptFolder + "/CodeGen");
    qm::WriteFileReplacing(settings.NotationFolder + "/UML2.1.not", "x");
    qm::WriteFileReplacing(settings.ScriptFolder + "/CodeGen/Cpp.vxs", "x");
    qm::WriteFileReplacing(folder + "/a.pro", "x");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> items;
    std::string item;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            items.push_back(item);
            item.clear();
        } else {
            item += static_cast<char>(data[i]);
        }
    }
    if (!item.empty())
        items.push_back(item);

    prompts.asked.clear();
    qm::BatchCommandLineInfo info(settings);
    try {
        info.ParseCommandLine(items);
    } catch (const qm::CommandLineExit& exit) {
        if (exit.Code() != 1 || prompts.asked.size() != 1 ||
            prompts.asked[0].rfind("Command Line Error: ", 0) != 0)
            std::abort();
        return 0;
    }
    if (!prompts.asked.empty())
        std::abort();
    // A batch run that got through names an existing project or a new one.
    if (info.batch && info.fileName.empty() && info.newTemplate.empty())
        std::abort();
    size_t options = 0;
    for (const std::string& each : items)
        options += qm::IsOptionItem(each) ? 1 : 0;
    if (info.scriptOptions.size() > options)
        std::abort();
    return 0;
}
