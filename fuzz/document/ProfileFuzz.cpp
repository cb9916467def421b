// Fuzzes the user settings load: the input, split in two, becomes the user's
// and the machine's settings file. Loading never fails, and what a save writes
// loads back to the same settings.
#include "document/Profile.h"
#include "platform/Files.h"
#include "platform/PathHelpers.h"
#include "platform/Registry.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

bool SameSettings(const qm::Profile& a, const qm::Profile& b) {
    return a.Options == b.Options && a.Settings == b.Settings && a.Language == b.Language &&
           a.SnapSize == b.SnapSize && a.AutosavePeriod == b.AutosavePeriod &&
           a.MaxImageWidth == b.MaxImageWidth && a.MaxImageHeight == b.MaxImageHeight &&
           a.HelpFolder == b.HelpFolder && a.NotationFolder == b.NotationFolder &&
           a.DefaultNotation == b.DefaultNotation && a.ScriptFolder == b.ScriptFolder &&
           a.DefaultLibrary == b.DefaultLibrary && a.DefaultRefProj == b.DefaultRefProj &&
           a.RepCacheFile == b.RepCacheFile && a.DefaultProject == b.DefaultProject &&
           a.PageSetup.PrintOptions == b.PageSetup.PrintOptions &&
           a.PageSetup.PaperWidth == b.PageSetup.PaperWidth &&
           a.PageSetup.PaperHeight == b.PageSetup.PaperHeight &&
           a.WinPos.ToFields() == b.WinPos.ToFields() && a.Histories == b.Histories;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static std::string folder = "/tmp/qm-fuzz-profile-XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr)
        std::abort();
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    });
    ::setenv("XDG_CONFIG_HOME", (folder + "/user").c_str(), 1);
    qm::SetMachineConfigRoot(folder + "/machine");
    qm::MakeDirectories(qm::DirectoryOfPath(qm::UserRegistryFile()));
    qm::MakeDirectories(qm::DirectoryOfPath(qm::MachineRegistryFile()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const size_t split = size == 0 ? 0 : data[0] % (size + 1);
    qm::WriteFileReplacing(qm::UserRegistryFile(), bytes.substr(0, split));
    qm::WriteFileReplacing(qm::MachineRegistryFile(), bytes.substr(split));

    qm::Profile loaded;
    loaded.RegisteredProgram = nullptr;
    loaded.SetDefaults();
    loaded.ExchangeWithRegistry(true);
    qm::Profile reloaded;
    reloaded.RegisteredProgram = nullptr;
    reloaded.SetDefaults();
    if (!SameSettings(loaded, reloaded))
        std::abort();
    return 0;
}
