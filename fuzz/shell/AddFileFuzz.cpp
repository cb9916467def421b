// Fuzzes the add-file reader of batch runs: any bytes give a list of file
// names and (name value) options, none of them empty or ending in blanks, or
// end with one command-line error.
#include "fuzz/FuzzKernel.h"
#include "shell/CommandLine.h"

#include "platform/Files.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {
std::string path;
qm::HeadlessPrompts* prompts = nullptr;

bool Clean(kest::Cell* text) {
    return text->type == kest::TString && text->a.str != nullptr && text->a.str[0] != '\0';
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static std::string folder = "/tmp/qm-fuzz-addfile-XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr)
        std::abort();
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    });
    path = folder + "/add.txt";
    prompts = &fuzzsupport::StartQuietKernel(4096, false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!qm::WriteFileReplacing(path, std::string(reinterpret_cast<const char*>(data), size)))
        std::abort();
    prompts->asked.clear();
    kest::savemark();
    try {
        kest::Cell* list = qm::ReadAddFile(path);
        for (kest::Cell* rest = list; rest != kest::nil; rest = kest::cdr(rest)) {
            kest::Cell* item = kest::car(rest);
            if (kest::ispair(item)) {
                if (!Clean(kest::car(item)) || kest::listlength(item) != 2)
                    std::abort();
            } else if (!Clean(item)) {
                std::abort();
            } else {
                const std::string text = item->a.str;
                const char last = text.back();
                if (last == ' ' || last == '\t' || last == '\r' || text[0] == ';')
                    std::abort();
            }
        }
    } catch (const qm::CommandLineExit&) {
        if (prompts->asked.size() != 1)
            std::abort();
    }
    kest::restoremark();
    return 0;
}
