// The user settings: first-run values, the user and machine fallback rules,
// histories, viewers, number parsing and bad settings files.
#include "document/Profile.h"
#include "platform/Files.h"
#include "platform/PathHelpers.h"
#include "platform/Registry.h"
#include "platform/UserFolders.h"
#include "tests/support/ScratchFolder.h"

#include <climits>
#include <filesystem>
#include <gtest/gtest.h>

namespace qm {
namespace {

// Points the user's store and the machine's store at fresh folders.
struct ProfileTest : ::testing::Test {
    ScratchFolder dir;
    ScopedEnvironment config{"XDG_CONFIG_HOME", (dir / "user").c_str()};
    ScopedEnvironment cache{"XDG_CACHE_HOME", (dir / "cache").c_str()};
    ProfileTest() { SetMachineConfigRoot(dir / "machine"); }
    ~ProfileTest() override { SetMachineConfigRoot(""); }

    static Registry UserStore() { return Registry(UserRegistryFile(), true); }
    static Registry MachineStore() { return Registry(MachineRegistryFile(), true); }
    static std::string UserValue(const char* key, const char* name) {
        return Registry(RegistryRoot::CurrentUser).GetValue(key, name).value_or("<missing>");
    }
};

TEST_F(ProfileTest, FirstRunWritesExactlyTheDefaults) {
    Profile profile;
    EXPECT_EQ(profile.SetDefaults(), 1);
    profile.ExchangeWithRegistry(true);

    const std::string start = std::filesystem::current_path().string();
    struct Expected {
        const char* name;
        std::string value;
    } expected[] = {
        {"Options", "275187"},
        {"Settings", "0"},
        {"Language", "C++"},
        {"SnapSize", "4"},
        {"AutosavePeriod", "5"},
        {"MaxImageWidth", "1000"},
        {"MaxImageHeight", "1000"},
        {"HelpFolder", start + "/Help"},
        {"NotationFolder", start + "/Notations"},
        {"DefaultNotation", "UML2.1.not"},
        {"ScriptFolder", start + "/Scripts"},
        {"DefaultLibrary", start + "/Libraries/Default.pro"},
        {"DefaultRefProj", ""},
        {"RepCacheFile", dir / "cache/quillmark/TmpProperties.rep"},
        {"RepHost", ""},
        {"RepPort", ""},
        {"DefaultProject", ""},
        {"PrintDefs", "201 8271 11688"},
        {"WinPos", "44 0 1 -1 -1 -4 -4 38 33 926 628"},
    };
    for (const Expected& e : expected)
        EXPECT_EQ(UserValue(kProfileKey, e.name), e.value) << e.name;

    Registry stored(RegistryRoot::CurrentUser);
    auto history = stored.Values(kHistoryKey);
    ASSERT_EQ(history.size(), 160u);
    EXPECT_EQ(history[0].first, "Name_0");
    EXPECT_EQ(history[159].first, "Type_9");
    for (auto& [name, value] : history)
        EXPECT_EQ(value, "<reserved>") << name;

    auto viewers = stored.Values(kViewersKey);
    const char* order[] = {"TXT",  "H",   "CPP", "CS",   "VXS", "IDL",
                           "JAVA", "PHP", "HTM", "HTML", "RTF"};
    ASSERT_EQ(viewers.size(), std::size(order));
    for (size_t i = 0; i < viewers.size(); ++i) {
        EXPECT_EQ(viewers[i].first, order[i]);
        EXPECT_EQ(viewers[i].second, "xdg-open");
    }
    EXPECT_EQ(profile.WinPos.normalPosition, CRect(38, 33, 926, 628));
    EXPECT_FALSE(profile.SettingsFound);
}

// The repository's cache file was once stored beside the program by default;
// that stored default moves to the cache folder, a path of the user's own
// choosing stays.
TEST_F(ProfileTest, TheRepositoryCacheLeavesTheProgramFolder) {
    const std::string start = std::filesystem::current_path().string();
    const struct {
        std::string stored;
        std::string read;
    } cases[] = {
        {start + "/TmpProperties.rep", dir / "cache/quillmark/TmpProperties.rep"},
        {dir / "mine/listing.rep", dir / "mine/listing.rep"},
        {start + "/Other.rep", start + "/Other.rep"},
    };
    for (const auto& c : cases) {
        Registry user(RegistryRoot::CurrentUser);
        user.SetValue(kProfileKey, "Options", "275187");
        user.SetValue(kProfileKey, "RepCacheFile", c.stored);
        user.Flush();
        Profile profile;
        profile.SetDefaults();
        EXPECT_EQ(profile.RepCacheFile, c.read) << c.stored;
    }
}

TEST_F(ProfileTest, UserOptionsPresentMachineNotRead) {
    Registry user = UserStore();
    user.SetValue(kProfileKey, "Options", "1");
    ASSERT_TRUE(user.Flush());
    Registry machine = MachineStore();
    machine.SetValue(kProfileKey, "SnapSize", "16");
    machine.SetValue(kProfileKey, "Language", "Java");
    machine.SetValue(kViewersKey, "TXT", "/usr/bin/machine-viewer");
    ASSERT_TRUE(machine.Flush());

    Profile profile;
    profile.SetDefaults();
    EXPECT_TRUE(profile.SettingsFound);
    EXPECT_EQ(profile.Options, 1u);
    EXPECT_EQ(profile.SnapSize, 4);
    EXPECT_EQ(profile.Language, "C++");
    std::string txt = "txt";
    ASSERT_NE(profile.FindViewer(txt), nullptr);
    EXPECT_EQ(profile.FindViewer(txt)->application, "xdg-open");
}

TEST_F(ProfileTest, UserWithoutOptionsTakesNonEmptyMachineValues) {
    Registry user = UserStore();
    user.SetValue(kProfileKey, "SnapSize", "8");
    user.SetValue(kProfileKey, "Language", "C#");
    user.SetValue(kProfileKey, "AutosavePeriod", "15");
    user.SetValue(kProfileKey, "PrintDefs", "1 2 3");
    user.SetValue(kViewersKey, "H", "/usr/bin/user-editor");
    ASSERT_TRUE(user.Flush());
    Registry machine = MachineStore();
    machine.SetValue(kProfileKey, "SnapSize", "16"); // overrides the user's
    machine.SetValue(kProfileKey, "Language", "");   // empty: the user's stays
    machine.SetValue(kProfileKey, "Options", "3");
    ASSERT_TRUE(machine.Flush());

    Profile profile;
    profile.SetDefaults();
    EXPECT_FALSE(profile.SettingsFound);
    EXPECT_EQ(profile.SnapSize, 16);
    EXPECT_EQ(profile.Language, "C#");
    EXPECT_EQ(profile.AutosavePeriod, 15);
    EXPECT_EQ(profile.Options, 3u);
    // The machine has no print set-up or viewers: the user's stand.
    EXPECT_EQ(profile.PageSetup.PrintOptions, 1u);
    EXPECT_EQ(profile.PageSetup.PaperHeight, 3);
    ASSERT_EQ(profile.Viewers.size(), 1u);
    EXPECT_EQ(profile.Viewers[0].application, "/usr/bin/user-editor");
}

TEST_F(ProfileTest, MachineFillsInForAUserWithNothing) {
    Registry machine = MachineStore();
    machine.SetValue(kProfileKey, "DefaultNotation", "Corporate.not");
    machine.SetValue(kProfileKey, "PrintDefs", "255 8500 11000");
    machine.SetValue(kViewersKey, "JAVA", "/opt/ide/bin/ide");
    machine.SetValue(kHistoryKey, "Name_0", "FromMachine"); // histories are the user's only
    ASSERT_TRUE(machine.Flush());

    Profile profile;
    profile.SetDefaults();
    EXPECT_EQ(profile.DefaultNotation, "Corporate.not");
    EXPECT_EQ(profile.Options, kDefaultOptions);
    EXPECT_EQ(profile.PageSetup.PrintOptions, 255u);
    EXPECT_EQ(profile.PageSetup.PaperWidth, 8500);
    ASSERT_EQ(profile.Viewers.size(), 1u);
    EXPECT_EQ(profile.Viewers[0].extension, "JAVA");
    EXPECT_EQ(profile.Histories[HL_NAME][0], "<reserved>");
    // Saving never writes the machine's store.
    profile.DefaultNotation = "Mine.not";
    profile.ExchangeWithRegistry(true);
    EXPECT_EQ(Registry(RegistryRoot::LocalMachine).GetValue(kProfileKey, "DefaultNotation"),
              "Corporate.not");
    EXPECT_EQ(UserValue(kProfileKey, "DefaultNotation"), "Mine.not");
}

TEST_F(ProfileTest, HistoryListRoundTrip) {
    Profile profile;
    profile.SetDefaults();
    profile.Histories[HL_FIND] = {"alpha", "beta", "gamma"};
    profile.Histories[HL_NAME].clear();
    profile.ExchangeWithRegistry(true);
    EXPECT_EQ(UserValue(kHistoryKey, "Find_2"), "gamma");
    for (int slot = 3; slot < 10; ++slot)
        EXPECT_EQ(UserValue(kHistoryKey, ("Find_" + std::to_string(slot)).c_str()), "");
    EXPECT_EQ(UserValue(kHistoryKey, "Name_0"), "");

    Profile reread;
    reread.SetDefaults();
    std::vector<std::string> expected(10, "<reserved>");
    expected[0] = "alpha";
    expected[1] = "beta";
    expected[2] = "gamma";
    EXPECT_EQ(reread.Histories[HL_FIND], expected);
    EXPECT_EQ(reread.Histories[HL_NAME], std::vector<std::string>(10, "<reserved>"));
    reread.ClearHistory();
    EXPECT_TRUE(reread.Histories[HL_FIND].empty());
}

TEST_F(ProfileTest, ViewersWithOnlyEmptyDataGiveNoViewers) {
    Registry user = UserStore();
    user.SetValue(kProfileKey, "Options", "1");
    user.SetValue(kViewersKey, "TXT", "");
    user.SetValue(kViewersKey, "H", "");
    ASSERT_TRUE(user.Flush());
    Profile profile;
    profile.SetDefaults();
    EXPECT_TRUE(profile.Viewers.empty());
}

TEST_F(ProfileTest, SavedViewersReplaceTheOldOnes) {
    Registry user = UserStore();
    user.SetValue(kViewersKey, "OLD", "/bin/old");
    ASSERT_TRUE(user.Flush());
    Profile profile;
    profile.SetDefaults();
    profile.Viewers = {{"PY", "/usr/bin/idle"}, {"H", "/usr/bin/vi"}};
    profile.ExchangeWithRegistry(true);
    auto stored = Registry(RegistryRoot::CurrentUser).Values(kViewersKey);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0], (std::pair<std::string, std::string>("PY", "/usr/bin/idle")));
    EXPECT_EQ(stored[1], (std::pair<std::string, std::string>("H", "/usr/bin/vi")));
}

TEST(ProfileViewers, DefaultViewerRules) {
    struct Case {
        const char* name;
        std::function<std::string(const std::string&)> registered;
        std::vector<std::pair<std::string, std::string>> viewers;
    } cases[] = {
        {"nothing registered", [](const std::string&) { return std::string(); }, {}},
        {"only text files",
         [](const std::string& e) { return e == ".txt" ? std::string("/bin/ed") : std::string(); },
         {{"TXT", "/bin/ed"},
          {"H", "/bin/ed"},
          {"CPP", "/bin/ed"},
          {"CS", "/bin/ed"},
          {"VXS", "/bin/ed"},
          {"IDL", "/bin/ed"},
          {"JAVA", "/bin/ed"},
          {"PHP", "/bin/ed"}}},
        {"everything registered",
         [](const std::string& e) { return "/bin/open" + e; },
         {{"TXT", "/bin/open.txt"},
          {"H", "/bin/open.h"},
          {"CPP", "/bin/open.cpp"},
          {"CS", "/bin/open.cs"},
          {"VXS", "/bin/open.txt"},
          {"IDL", "/bin/open.idl"},
          {"JAVA", "/bin/open.java"},
          {"PHP", "/bin/open.php"},
          {"HTM", "/bin/open.htm"},
          {"HTML", "/bin/open.html"},
          {"RTF", "/bin/open.rtf"}}},
    };
    for (const Case& c : cases) {
        Profile profile;
        profile.RegisteredProgram = c.registered;
        profile.SetDefaultViewers();
        std::vector<std::pair<std::string, std::string>> got;
        for (const ViewerEntry& v : profile.Viewers)
            got.emplace_back(v.extension, v.application);
        EXPECT_EQ(got, c.viewers) << c.name;
    }
}

TEST(ProfileViewers, FindAndSetViewer) {
    Profile profile;
    profile.RegisteredProgram = [](const std::string& e) {
        return e == ".doc" ? std::string("/bin/office") : std::string();
    };
    std::string ext = "java";
    EXPECT_EQ(profile.FindViewer(ext), nullptr);
    EXPECT_EQ(ext, "JAVA"); // the caller's string is upper-cased
    EXPECT_EQ(profile.SetViewer("java", "", false), nullptr);
    ViewerEntry* java = profile.SetViewer("java", "/bin/ide", false);
    ASSERT_NE(java, nullptr);
    EXPECT_EQ(java->extension, "JAVA");
    profile.SetViewer("Java", "/bin/other", true);
    ASSERT_EQ(profile.Viewers.size(), 1u);
    EXPECT_EQ(profile.Viewers[0].application, "/bin/other");
    // Unless the given program is kept, the registered one wins.
    EXPECT_EQ(profile.SetViewer("doc", "/bin/mine", false)->application, "/bin/office");
    EXPECT_EQ(profile.SetViewer("doc", "/bin/mine", true)->application, "/bin/mine");
}

TEST(ProfileHistory, ComboExchangeAndAdd) {
    std::vector<std::string> list = {"a", "<reserved>", "<reserved>"};
    std::vector<std::string> items = {"stale"};
    ExchangeComboHistory(items, list, true);
    EXPECT_EQ(items, list);
    std::vector<std::string> many(14, "x");
    ExchangeComboHistory(many, list, false);
    EXPECT_EQ(list.size(), 10u);
    std::vector<std::string> few = {"p", "q"};
    ExchangeComboHistory(few, list, false);
    EXPECT_EQ(list, few);

    struct Case {
        std::vector<std::string> items;
        const char* text;
        std::vector<std::string> after;
    } cases[] = {
        {{"a", "<reserved>", "<reserved>"}, "b", {"a", "b", "<reserved>"}},
        {{"a", "b"}, "b", {"a", "b"}},           // already there: unchanged
        {{"a", "b", "c"}, "d", {"d", "b", "c"}}, // full: item 0 replaced
        {{"a"}, "", {"a"}},
        {{}, "a", {"a"}},
    };
    for (Case& c : cases) {
        AddComboTextToHistory(c.items, c.text);
        EXPECT_EQ(c.items, c.after) << c.text;
    }
}

TEST(ProfileNumbers, AtoiSemantics) {
    struct Case {
        const char* text;
        int32_t value;
    } cases[] = {
        {"12", 12},
        {"  -5", -5},
        {"+7", 7},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"0x10", 0},
        {"2147483647", INT32_MAX},
        {"2147483648", INT32_MAX},
        {"99999999999999999999", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-99999999999999999999", INT32_MIN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AtoiValue(c.text), c.value) << c.text;
}

TEST_F(ProfileTest, PrintDefsAndPlacementRoundTrip) {
    Profile profile;
    profile.SetDefaults();
    profile.WinPos.FromFields({44, 2, 3, -1, -1, -8, -8, 10, 20, 1290, 1000});
    profile.PageSetup.PrintOptions = 201;
    profile.PageSetup.PaperWidth = 8271;
    profile.PageSetup.PaperHeight = 11688;
    profile.ExchangeWithRegistry(true);
    EXPECT_EQ(UserValue(kProfileKey, "PrintDefs"), "201 8271 11688");
    EXPECT_EQ(UserValue(kProfileKey, "WinPos"), "44 2 3 -1 -1 -8 -8 10 20 1290 1000");
    Profile reread;
    reread.SetDefaults();
    EXPECT_EQ(reread.PageSetup.PrintOptions, 201u);
    EXPECT_EQ(reread.PageSetup.PaperWidth, 8271);
    EXPECT_EQ(reread.PageSetup.PaperHeight, 11688);
    EXPECT_EQ(reread.WinPos.normalPosition, CRect(10, 20, 1290, 1000));
    EXPECT_EQ(reread.WinPos.showCmd, 3);

    std::vector<uint8_t> block;
    EXPECT_FALSE(reread.PageSetup.GetDevMode(block));
    const uint8_t bytes[200] = {1, 2, 3};
    reread.PageSetup.SetDevMode(bytes, sizeof bytes);
    ASSERT_TRUE(reread.PageSetup.GetDevMode(block));
    EXPECT_EQ(block.size(), 148u);
    EXPECT_EQ(block[2], 3);
}

// Margins ride after the three numbers older settings hold: a value without
// them loads as before, and one whose margins are cut short or negative
// keeps none rather than a half-read set.
TEST_F(ProfileTest, PrintDefsCarryTheMarginsAfterTheThreeNumbers) {
    Profile profile;
    profile.SetDefaults();
    EXPECT_FALSE(profile.PageSetup.Margins.has_value());
    profile.PageSetup.Margins = std::array<int32_t, 4>{300, 400, 500, 600};
    profile.ExchangeWithRegistry(true);
    EXPECT_EQ(UserValue(kProfileKey, "PrintDefs"), "201 8271 11688 300 400 500 600");
    Profile reread;
    reread.SetDefaults();
    ASSERT_TRUE(reread.PageSetup.Margins.has_value());
    EXPECT_EQ(*reread.PageSetup.Margins, (std::array<int32_t, 4>{300, 400, 500, 600}));
    EXPECT_EQ(reread.PageSetup.PaperHeight, 11688);

    struct Case {
        const char* stored;
        bool margins;
        int32_t height;
    };
    const Case cases[] = {
        {"201 8500 11000", false, 11000},     // an older program's value
        {"201 8500 11000 250", false, 11000}, // cut short inside the margins
        {"201 8500 11000 1 2 -3 4", false, 11000},
        {"201 8500 11000 0 0 0 0", true, 11000},
    };
    for (const Case& c : cases) {
        Registry user = UserStore();
        user.SetValue(kProfileKey, "Options", "1");
        user.SetValue(kProfileKey, "PrintDefs", c.stored);
        ASSERT_TRUE(user.Flush());
        Profile loaded;
        loaded.SetDefaults();
        EXPECT_EQ(loaded.PageSetup.Margins.has_value(), c.margins) << c.stored;
        EXPECT_EQ(loaded.PageSetup.PaperHeight, c.height) << c.stored;
    }
}

// Files that are cut short, binary garbage or hold absurd numbers never make
// the load fail; what makes no sense leaves the defaults.
TEST_F(ProfileTest, BadSettingsFilesNeverCrash) {
    std::string garbage;
    for (int i = 0; i < 8192; ++i)
        garbage += static_cast<char>((i * 2654435761u) >> 13);
    const std::string header = "[Software\\Brindlex\\Quillmark8\\Profile]\n";
    const std::string files[] = {
        garbage,
        header + "Options=27",       // cut short after a value
        header + "PrintDefs=201 82", // cut short inside a value
        header + "WinPos=44 0 1 -1",
        header + "SnapSize=99999999999999999999\nAutosavePeriod=-99999999999\n"
                 "MaxImageWidth=junk\nPrintDefs=-1 -2147483648 99999999999\n"
                 "WinPos=a b c d e f g h i j k\nOptions=\n",
        "[Software\\Brindlex\\Quillmark8\\History]\nName_0=" + std::string(300000, 'n') + "\n",
    };
    for (const std::string& bytes : files) {
        ASSERT_TRUE(MakeDirectories(DirectoryOfPath(UserRegistryFile())));
        ASSERT_TRUE(WriteFileReplacing(UserRegistryFile(), bytes));
        Profile profile;
        profile.SetDefaults();
        profile.ExchangeWithRegistry(true);
        Profile again;
        again.SetDefaults();
    }

    ASSERT_TRUE(WriteFileReplacing(UserRegistryFile(), files[2]));
    Profile cut;
    cut.SetDefaults();
    EXPECT_EQ(cut.PageSetup.PrintOptions, 201u);
    EXPECT_EQ(cut.PageSetup.PaperWidth, 82);
    EXPECT_EQ(cut.PageSetup.PaperHeight, 11688);

    ASSERT_TRUE(WriteFileReplacing(UserRegistryFile(), files[3]));
    Profile partial;
    partial.SetDefaults();
    // The fields read are set; the rest stay as they were (zero before the load).
    EXPECT_EQ(partial.WinPos.length, 44);
    EXPECT_EQ(partial.WinPos.minPosition, CPoint(-1, 0));
    EXPECT_EQ(partial.WinPos.normalPosition, CRect());

    ASSERT_TRUE(WriteFileReplacing(UserRegistryFile(), files[4]));
    Profile absurd;
    absurd.SetDefaults();
    EXPECT_EQ(absurd.SnapSize, INT32_MAX);
    EXPECT_EQ(absurd.AutosavePeriod, INT32_MIN);
    EXPECT_EQ(absurd.MaxImageWidth, 0);
    EXPECT_EQ(absurd.PageSetup.PaperWidth, INT32_MIN);
    EXPECT_EQ(absurd.PageSetup.PaperHeight, INT32_MAX);
    EXPECT_EQ(absurd.WinPos.length, 0); // nothing parsed: the fields stay as they were
    EXPECT_EQ(absurd.Options, kDefaultOptions);

    ASSERT_TRUE(WriteFileReplacing(UserRegistryFile(), files[0]));
    Profile defaults;
    defaults.SetDefaults();
    EXPECT_EQ(defaults.Options, kDefaultOptions);
    EXPECT_EQ(defaults.SnapSize, 4);
}

TEST_F(ProfileTest, UnwritableStoreIsIgnored) {
    // The config folder is a file: nothing can be written, nothing fails.
    ASSERT_TRUE(WriteFileReplacing(dir / "user", "not a folder"));
    Profile profile;
    profile.SetDefaults();
    profile.ExchangeWithRegistry(true);
    EXPECT_EQ(profile.Options, kDefaultOptions);
}

} // namespace
} // namespace qm
