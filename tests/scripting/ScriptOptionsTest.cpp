// The script option block: reading, texts and choices, the registry form,
// the binding to script variables and file-dialog filters.
#include "scripting/ScriptOptions.h"
#include "ScriptingFixture.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "tests/support/ScratchFolder.h"

namespace qm::test {
namespace {

ScriptOptionList Parse(const std::string& block) {
    ScriptOptionList list;
    ParseScriptOptions(block, list);
    return list;
}

TEST(ScriptOptionBlockTest, LinesDeclareOptionsUntilTheFirstCodeLine) {
    const struct {
        const char* block;
        const char* expected; // kind:name=value[description] per option
    } cases[] = {
        {";$Flag\n", "0:Flag=[]"},
        {";$Lang=C++|Java\n", "2:Lang=C++|Java[]"},
        {";$Sep=a||b\n", "1:Sep=a||b[]"},
        {";$Sep=a||b|c\n", "2:Sep=a||b|c[]"},
        {";$Sep=|||\n", "2:Sep=|||[]"},
        {";$ Name With Blanks = \t value \n", "1:Name With Blanks =value []"},
        // A description before any option is ignored; of two after one option
        // the second is its description.
        {";? lost\n;$A\n;? first\n;?second\n", "0:A=[second]"},
        // Blank lines and other comments are skipped; code ends the block.
        {"\r\n  \t;$A=1\r\n; comment\n\n;$B\n(def x)\n;$C\n", "1:A=1[] 0:B=[]"},
        {"(code first)\n;$A\n", ""},
        {"", ""},
        {";$", "0:=[]"},
        {";$X=", "1:X=[]"},
        {";", ""},
    };
    for (const auto& c : cases) {
        std::string got;
        for (const ScriptOption& o : Parse(c.block)) {
            if (!got.empty())
                got += ' ';
            got +=
                std::to_string(o.kind) + ":" + o.name + "=" + o.value + "[" + o.description + "]";
        }
        EXPECT_EQ(got, c.expected) << c.block;
    }
}

TEST(ScriptOptionBlockTest, NamesValuesAndTheBlockAreBounded) {
    const ScriptOptionList longOne =
        Parse(";$" + std::string(300, 'n') + "=" + std::string(2000, 'v') + "\n;$Next\n");
    ASSERT_EQ(longOne.size(), 2u);
    EXPECT_EQ(longOne[0].name.size(), kOptionNameLimit);
    EXPECT_EQ(longOne[0].value.size(), kOptionValueLimit);
    EXPECT_EQ(longOne[1].name, "Next");

    // Only the first 131072 bytes are examined.
    std::string block;
    while (block.size() < kOptionBlockLimit - 10)
        block += ";\n";
    block += ";$Inside\n;$Outside\n";
    ScriptOptionList list = Parse(block);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "Inside");
}

TEST(ScriptOptionBlockTest, ReadingAFileAndAFileThatCannotBeRead) {
    ScratchFolder folder;
    HeadlessPrompts prompts;
    ScopedPromptService scoped(&prompts);
    ASSERT_TRUE(WriteFileReplacing(folder / "gen.vxs", ";$Lang=C++|Java\n;? Language\n(def f)\n"));
    ScriptOptionList list{ScriptOption("stale", true)};
    ReadScriptOptions(folder / "gen.vxs", list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "Lang");
    EXPECT_EQ(list[0].description, "Language");
    EXPECT_TRUE(prompts.asked.empty());

    ReadScriptOptions(folder / "missing.vxs", list);
    EXPECT_TRUE(list.empty());
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_NE(prompts.asked[0].find("Cannot read from script file"), std::string::npos);

    // A folder opens but cannot be read: the error's own text is shown.
    ReadScriptOptions(folder.Path(), list);
    EXPECT_TRUE(list.empty());
    ASSERT_EQ(prompts.asked.size(), 2u);
    EXPECT_NE(prompts.asked[1].find("Error while reading script options: Is a directory"),
              std::string::npos)
        << prompts.asked[1];
}

TEST(ScriptOptionTest, TextsAndChoicesShowEachBarPairAsOneBar) {
    ScriptOption text("Sep", "a||b^tc");
    EXPECT_EQ(text.GetText(false), "a|b^tc");
    EXPECT_EQ(text.GetText(true), "a|b\tc");
    EXPECT_EQ(text.GetText(true, 3), "a|");
    EXPECT_EQ(text.Format(), "Sep=a|b^tc");
    EXPECT_EQ(ScriptOption("E", "x^").GetText(true), "x^");
    EXPECT_EQ(ScriptOption("E", "^n^r^b^f^q").GetText(true), "\n\r\b\fq");

    ScriptOption choice;
    choice.kind = OptionChoice;
    choice.name = "Lang";
    choice.value = "C++|Java||Script|";
    const struct {
        int index;
        const char* expected;
    } cases[] = {{0, "C++"}, {1, "Java|Script"}, {2, ""}, {3, ""}, {-1, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(choice.GetChoice(c.index), c.expected) << c.index;
    choice.choice = 1;
    EXPECT_EQ(choice.Format(), "Lang=Java|Script");
    EXPECT_EQ(ScriptOption("Flag", true).Format(), "Flag");
}

TEST(ScriptOptionTest, FindingAnOptionIgnoresWhiteSpaceAndCase) {
    ScriptOptionList list = Parse(";$Target Folder=x\n;$Debug\n");
    std::string name = " target\tfolder ";
    ScriptOption* found = FindScriptOption(list, name);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->name, "Target Folder");
    EXPECT_EQ(name, "targetfolder");
    std::string missing = "Nope";
    EXPECT_EQ(FindScriptOption(list, missing), nullptr);
    EXPECT_EQ(StripWhitespace(" a b\tc\r\n"), "abc");
}

TEST(ScriptOptionTest, FileFilters) {
    const struct {
        const char* name;
        const char* extensions;
        bool patternOnly;
        const char* expected;
    } cases[] = {
        {"N", "a b", false, "N Files (.a;.b)|*.a;*.b||"},
        {"N", "a b", true, "*.a;*.b"},
        {"C++", "cpp;h, hpp", false, "C++ Files (.cpp;.h;.hpp)|*.cpp;*.h;*.hpp||"},
        {"Java", ".java", true, "*.java"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MakeFileFilter(c.name, c.extensions, c.patternOnly), c.expected) << c.extensions;
    EXPECT_EQ(MakeFileFilter("L", std::string(70, 'x'), true), "*." + std::string(64, 'x'));
}

class OptionSettingsTest : public ScriptingTest {
  protected:
    ScratchFolder folder;
    ScopedEnvironment config{"XDG_CONFIG_HOME", folder.Path().c_str()};
};

TEST_F(OptionSettingsTest, OptionsAreRememberedUnderGenOptions) {
    ScriptOptionList list = Parse(";$My Flag\n;$Lang=C++|Java\n;$Out=gen\n");
    list[0].checked = 1;
    list[1].choice = 1;
    list[1].checked = 1;
    list[2].value = "src||x";
    list[2].section = "Java ";
    ASSERT_TRUE(PersistScriptOptions(kGenOptionsKey, list, true));

    Registry stored(RegistryRoot::CurrentUser);
    EXPECT_EQ(stored.GetValue(kGenOptionsKey, "$MyFlag"), "0:0:1:");
    EXPECT_EQ(stored.GetValue(kGenOptionsKey, "$Lang"), "2:1:1:C++|Java");
    EXPECT_EQ(stored.GetValue(kGenOptionsKey, "$JavaOut"), "1:0:0:src||x");

    ScriptOptionList again = Parse(";$My Flag\n;$Lang=C++|Java\n;$Out=gen\n");
    again[2].section = "Java";
    ASSERT_TRUE(PersistScriptOptions(kGenOptionsKey, again, false));
    EXPECT_EQ(again[0].checked, 1);
    EXPECT_EQ(again[1].choice, 1);
    EXPECT_EQ(again[1].checked, 1);
    EXPECT_EQ(again[2].value, "src||x");
}

TEST_F(OptionSettingsTest, StoredValuesThatNoLongerFitAreIgnored) {
    Registry store(RegistryRoot::CurrentUser);
    store.SetValue(kGenOptionsKey, "$Lang", "2:1:1:C++|Java");
    store.SetValue(kGenOptionsKey, "$Out", "2:1:1:other"); // another kind
    store.SetValue(kGenOptionsKey, "$Neg", "2:-4:0:a|b");  // a negative choice
    store.SetValue(kGenOptionsKey, "$Bad", "1:garbage");   // too few fields
    store.SetValue(kGenOptionsKey, "$Empty", "");
    ASSERT_TRUE(store.Flush());

    // The alternatives were edited since: the file's choice stays, the
    // stored checked state is taken.
    ScriptOptionList list = Parse(";$Lang=C++|Java|C#\n;$Out=gen\n;$Neg=a|b\n;$Bad=x\n;$Empty\n");
    PersistScriptOptions(kGenOptionsKey, list, false);
    EXPECT_EQ(list[0].choice, 0);
    EXPECT_EQ(list[0].checked, 1);
    EXPECT_EQ(list[1].value, "gen");
    EXPECT_EQ(list[1].checked, 0);
    EXPECT_EQ(list[2].choice, 0);
    EXPECT_EQ(list[3].value, "x");
    EXPECT_EQ(list[4].checked, 0);
}

TEST_F(OptionSettingsTest, OptionsBecomeScriptVariables) {
    ScriptOptionList list =
        Parse(";$Flag On\n;$Flag Off\n;$Text=a^tb||c\n;$Off Text=x\n;$Lang=C++|Java\n;$Odd=a|\n");
    list[0].checked = 1;
    list[2].checked = 1;
    list[4].checked = 1;
    list[4].choice = 1;
    list[5].checked = 1;
    list[5].choice = 1; // the empty alternative: the whole value is bound
    BindScriptOptions(list);
    const struct {
        const char* variable;
        const char* expected;
    } cases[] = {
        {"$FlagOn", "t"},    {"$FlagOff", "nil"},   {"$Text", "\"a^tb|c\""},
        {"$OffText", "nil"}, {"$Lang", "\"Java\""}, {"$Odd", "\"a|\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(c.variable), c.expected) << c.variable;
    // Run-time variables: gone after the run's purge.
    kest::purgesymbols();
    EXPECT_EQ(kest::findsym("$FlagOn"), nullptr);
}

} // namespace
} // namespace qm::test
