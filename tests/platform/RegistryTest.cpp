// The registry over INI files: round trips, case-insensitive names, the
// read-only machine store, merging on flush and bad files.
#include "platform/Registry.h"
#include "platform/Files.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

const std::string kProfile = "Software\\Brindlex\\Quillmark8\\Profile";

TEST(Registry, UserAndMachineFiles) {
    ScratchFolder dir;
    {
        ScopedEnvironment config("XDG_CONFIG_HOME", dir.Path().c_str());
        EXPECT_EQ(UserRegistryFile(), dir / "Brindlex/Quillmark8.ini");
    }
    {
        ScopedEnvironment config("XDG_CONFIG_HOME", nullptr);
        ScopedEnvironment home("HOME", "/home/someone");
        EXPECT_EQ(UserRegistryFile(), "/home/someone/.config/Brindlex/Quillmark8.ini");
    }
    EXPECT_EQ(MachineRegistryFile(), "/etc/xdg/Brindlex/Quillmark8.ini");
    SetMachineConfigRoot(dir.Path());
    EXPECT_EQ(MachineRegistryFile(), dir / "Brindlex/Quillmark8.ini");
    SetMachineConfigRoot("");
    EXPECT_EQ(MachineRegistryFile(), "/etc/xdg/Brindlex/Quillmark8.ini");
}

TEST(Registry, RoundTripKeepsEveryByte) {
    ScratchFolder dir;
    const std::string file = dir / "sub/store.ini";
    const std::string awkward[] = {
        "plain",
        "",
        " leading and trailing ",
        "a=b=c",
        "%41 is not A",
        "line\nbreak\r",
        "[not a key]",
        "; not a comment",
        "C:\\Program Files\\x.exe",
        "\xC3\xA9t\xC3\xA9",
        std::string("nul\0byte", 8),
    };
    {
        Registry registry(file, true);
        int i = 0;
        for (const std::string& value : awkward)
            registry.SetValue(kProfile, "v" + std::to_string(i++), value);
        registry.SetValue("Key [odd]=", "name=with;#", "x");
        ASSERT_TRUE(registry.Flush());
    }
    Registry reread(file, false);
    int i = 0;
    for (const std::string& value : awkward)
        EXPECT_EQ(reread.GetValue(kProfile, "v" + std::to_string(i++)), value) << i;
    EXPECT_EQ(reread.GetValue("Key [odd]=", "name=with;#"), "x");
}

TEST(Registry, NamesIgnoreCaseAndKeepOrder) {
    ScratchFolder dir;
    Registry registry(dir / "r.ini", true);
    registry.SetValue(kProfile, "Options", "1");
    registry.SetValue(kProfile, "SnapSize", "4");
    registry.SetValue("software\\brindlex\\quillmark8\\PROFILE", "OPTIONS", "2");
    EXPECT_EQ(registry.GetValue(kProfile, "options"), "2");
    auto values = registry.Values(kProfile);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0], (std::pair<std::string, std::string>("Options", "2")));
    EXPECT_EQ(values[1].first, "SnapSize");
    EXPECT_TRUE(registry.DeleteValue(kProfile, "OPTIONS"));
    EXPECT_FALSE(registry.DeleteValue(kProfile, "Options"));
    EXPECT_FALSE(registry.GetValue(kProfile, "Options"));
    EXPECT_FALSE(registry.HasKey("Software\\Other"));
    registry.CreateKey("Software\\Other");
    EXPECT_TRUE(registry.HasKey("software\\other"));
    EXPECT_TRUE(registry.Values("Software\\Other").empty());
}

TEST(Registry, MachineStoreIsReadOnly) {
    ScratchFolder dir;
    SetMachineConfigRoot(dir.Path());
    {
        Registry writer(MachineRegistryFile(), true);
        writer.SetValue(kProfile, "Options", "7");
        ASSERT_TRUE(writer.Flush());
    }
    Registry machine(RegistryRoot::LocalMachine);
    EXPECT_FALSE(machine.IsWritable());
    EXPECT_EQ(machine.GetValue(kProfile, "Options"), "7");
    machine.SetValue(kProfile, "Options", "8");
    EXPECT_FALSE(machine.Flush());
    EXPECT_EQ(Registry(RegistryRoot::LocalMachine).GetValue(kProfile, "Options"), "7");
    SetMachineConfigRoot("");
}

TEST(Registry, FlushMergesWithChangesMadeMeanwhile) {
    ScratchFolder dir;
    const std::string file = dir / "r.ini";
    Registry first(file, true);
    Registry second(file, true);
    first.SetValue(kProfile, "Options", "1");
    ASSERT_TRUE(first.Flush());
    second.SetValue("Software\\Brindlex\\Quillmark8", "GuidSeq", "42");
    ASSERT_TRUE(second.Flush());
    Registry reread(file, false);
    EXPECT_EQ(reread.GetValue(kProfile, "Options"), "1");
    EXPECT_EQ(reread.GetValue("Software\\Brindlex\\Quillmark8", "GuidSeq"), "42");
    EXPECT_EQ(second.GetValue(kProfile, "Options"), "1"); // flush brings the store up to date
}

TEST(Registry, BadFilesReadAsWhatMakesSense) {
    ScratchFolder dir;
    const std::string file = dir / "r.ini";
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 7919 + 13) & 0xFF);
    const std::string files[] = {
        garbage,
        "[Software\\Brindlex\\Quillmark8\\Profile]\nOptions=12",           // no final line end
        "[Software\\Brindlex\\Quillmark8\\Profile\nOptions=12\n",          // broken header
        "Options=12\n[Software\\Brindlex\\Quillmark8\\Profile]\n%zz=%4\n", // value before any key
        "\r\n\r\n[]\n=\n==\n[" + std::string(100000, 'k') + "]\nname=" + std::string(100000, 'v'),
    };
    for (const std::string& bytes : files) {
        ASSERT_TRUE(WriteFileReplacing(file, bytes));
        Registry registry(file, true);
        registry.SetValue(kProfile, "Written", "yes");
        EXPECT_TRUE(registry.Flush());
        EXPECT_EQ(Registry(file, false).GetValue(kProfile, "Written"), "yes");
    }
    ASSERT_TRUE(WriteFileReplacing(file, files[1]));
    EXPECT_EQ(Registry(file, false).GetValue(kProfile, "Options"), "12");
    ASSERT_TRUE(WriteFileReplacing(file, files[2]));
    EXPECT_FALSE(Registry(file, false).GetValue(kProfile, "Options"));
    ASSERT_TRUE(WriteFileReplacing(file, files[3]));
    EXPECT_EQ(Registry(file, false).GetValue(kProfile, "%zz"), "%4");
}

TEST(Registry, RegStringValueLimitsWhatItReads) {
    ScratchFolder dir;
    Registry registry(dir / "r.ini", true);
    std::string buffer = std::string(kRegistryValueLimit + 10, 'x');
    EXPECT_TRUE(RegStringValue(registry, kProfile, "Big", buffer, true));
    buffer = "stale";
    EXPECT_TRUE(RegStringValue(registry, kProfile, "Big", buffer, false));
    EXPECT_EQ(buffer.size(), kRegistryValueLimit);
    buffer = "stale";
    EXPECT_FALSE(RegStringValue(registry, kProfile, "Missing", buffer, false));
    EXPECT_EQ(buffer, "");
}

} // namespace
} // namespace qm
