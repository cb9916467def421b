// Fuzz target of the repository's listing file, which the server writes: any
// bytes, read as a listing into an item's children with read-time evaluation
// off. Each entry is checked; a bad one ends the read with the failure check.
#include "fuzz/FuzzKernel.h"
#include "platform/Errors.h"
#include "platform/TempFolder.h"
#include "repository/RepositoryItem.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qm::HeadlessPrompts& prompts = fuzzsupport::StartQuietKernel(8192, false);
    // The file every input is written to, removed when the process ends.
    static const struct Scratch {
        Scratch()
            : path(qm::PrivateTempFolder() + "/listing-fuzz-" + std::to_string(::getpid()) +
                   ".rep") {}
        ~Scratch() { ::unlink(path.c_str()); }
        std::string path;
    } scratch;
    const std::string& path = scratch.path;
    prompts.asked.clear();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
        std::abort();
    qm::RepositoryItem item;
    try {
        item.ReadListing(path, false);
        for (const auto& child : item.children) {
            child->FormatTime();
            child->MergedField();
            child->RevisedField();
        }
    } catch (const qm::CKestException&) {
        kest::resetstacks();
    } catch (const qm::CIgnoreException&) {
        kest::resetstacks();
    }
    if (kest::readtimeevaluation)
        std::abort(); // the reader's switch must come back as it was
    kest::closeallchans();
    kest::purgesymbols();
    return 0;
}
