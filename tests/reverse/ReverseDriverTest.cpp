// The reverse-engineering driver: options, the log of a run, the Reversed
// folder, the target model, the layout and the link style.
#include "FakeProject.h"

#include "reverse/ReverseDriver.h"
#include "tests/support/ModelFixture.h"

#include <gtest/gtest.h>

#include <fstream>

namespace qm {
namespace {

using test::FakeProject;

class ReverseDriverTest : public test::ModelTest {
  protected:
    std::string Write(const std::string& name, const std::string& text) {
        std::string path = scratch.Path() + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    FakeProject project{0};
};

TEST_F(ReverseDriverTest, ATwoFileRunLogsEachFileAndBuildsTheMasters) {
    const std::string a = Write("a.h", "class A : public B {\n  int x;\n};\n");
    const std::string b = Write("b.h", "class B { };");
    const std::vector<std::string> files = {a, b};
    ReverseEngineerFiles(project, "C++", "", &files, nullptr, nullptr);
    EXPECT_EQ(log.Text(), "Reverse engineering...\r\n" + a + " (4 lines)\r\n" + b +
                              " (1 lines)\r\n"
                              "Total of 5 lines.\r\n"
                              "Reverse Engineering Completed.\r\n");
    EXPECT_EQ(project.reversed, files);
    EXPECT_EQ(project.calls, (std::vector<std::string>{"expand", "mark drawables 1",
                                                       "mark models 0", "layout Main 1 1"}));
    EXPECT_EQ(project.PlacedMasters(project.current).size(), 2u);
    EXPECT_EQ(project.Links(project.current).size(), 1u);
}

TEST_F(ReverseDriverTest, AnEmptyFileListStillLaysTheModelOut) {
    const std::vector<std::string> files;
    ReverseEngineerFiles(project, "C++", "", &files, nullptr, nullptr);
    EXPECT_EQ(log.Text(), "Reverse engineering...\r\n"
                          "Total of 0 lines.\r\n"
                          "Reverse Engineering Completed.\r\n");
    EXPECT_EQ(project.calls.back(), "layout Main 1 1");
    log.Clear();
    ReverseEngineerFiles(project, "C++", "", nullptr, nullptr, nullptr);
    EXPECT_NE(log.Text().find("No file list!\r\n"), std::string::npos);
    EXPECT_EQ(project.calls.back(), "layout Main 1 1");
}

TEST_F(ReverseDriverTest, LineCountsFailuresAndLongPaths) {
    struct Case {
        std::string language;
        std::string path;
        const char* logged;
        size_t filesWithErrors = 0;
    };
    const std::string deep = scratch.Path() + "/" + std::string(140, 'd');
    std::filesystem::create_directories(deep);
    const Case cases[] = {
        {"C++", Write("lf.h", "class A;\n"), " (2 lines)"},
        {"C++", Write("nolf.h", "class A;"), " (1 lines)"},
        {"C++", Write("empty.h", ""), " (1 lines)"},
        {"IDL", Write("crlf.idl", "interface I;\r\n\r\n"), " (3 lines)"},
        {"C++", scratch.Path() + "/missing.h", " (1 lines)", 1},
        {"C++", Write("bad.h", "namespace n\n"), " (2 lines)", 1},
        {"Cobol", Write("three.h", "a\nb\nc\n"), " (1 lines)"},
        // A path longer than 128 characters is parsed like any other.
        {"C++",
         [&] {
             std::string path = deep + "/long.h";
             std::ofstream(path) << "class Long { };\n";
             return path;
         }(),
         " (2 lines)"},
    };
    for (const Case& c : cases) {
        log.Clear();
        const std::vector<std::string> files = {c.path};
        EXPECT_EQ(ReverseEngineerFiles(project, c.language, "", &files, nullptr, nullptr),
                  c.filesWithErrors)
            << c.path;
        EXPECT_NE(log.Text().find(c.path + c.logged + "\r\n"), std::string::npos) << c.path << "\n"
                                                                                  << log.Text();
    }
    EXPECT_NE(project.FindMaster(10, "Long", ""), nullptr);
    log.Clear();
    const std::vector<std::string> missing = {scratch.Path() + "/missing.h"};
    ReverseEngineerFiles(project, "C++", "", &missing, nullptr, nullptr);
    EXPECT_NE(log.Text().find("*** ERROR in " + missing[0] + "(0): can't open file\r\n"),
              std::string::npos)
        << log.Text();
    // A language that is not in the table opens nothing.
    log.Clear();
    ReverseEngineerFiles(project, "Cobol", "", &missing, nullptr, nullptr);
    EXPECT_EQ(log.Text().find("*** ERROR"), std::string::npos);
}

TEST_F(ReverseDriverTest, OptionsSetAndClearProfileBits) {
    struct Case {
        uint32_t before;
        std::vector<NameValuePair> options;
        uint32_t after;
    };
    const Case cases[] = {
        {0xFF, {{"ShowAllAttributesAndMethods", "FALSE"}}, 0xEF},
        {0xFF, {{"showrelationshipsgraphically", "false"}}, 0xDF},
        {0, {{"RecordFileNamesInClasses", "0"}, {"KeepMethodCode", "no"}}, 0xC0},
        {0, {{"ShowAllAttributesAndMethods", ""}}, 0x10},
        // Names as the dialog writes them, with blanks, do not match.
        {0, {{"Show All Attributes And Methods", "true"}}, 0},
        {0x10, {{"Unknown", "false"}}, 0x10},
    };
    for (const Case& c : cases) {
        project.ProfileFlags() = c.before;
        const std::vector<std::string> files;
        ReverseEngineerFiles(project, "C++", "", &files, nullptr, &c.options);
        EXPECT_EQ(project.ProfileFlags(), c.after) << c.options[0].name;
    }
}

TEST_F(ReverseDriverTest, TheNamedModelIsShownFilledAndRestyled) {
    Model* other = project.NewModel("Other", nullptr);
    other->modelFlags |= 0x4;
    const std::vector<std::string> files = {Write("a.h", "class A { };")};
    ReverseEngineerFiles(project, "C++", "Other", &files, nullptr, nullptr);
    EXPECT_EQ(project.current, other);
    EXPECT_EQ(project.PlacedMasters(other).size(), 1u);
    EXPECT_EQ(project.calls,
              (std::vector<std::string>{"show Other", "expand", "mark drawables 1", "mark models 0",
                                        "layout Other 1 1", "links looks Other 4 0"}));
    EXPECT_NE(other->modelFlags & 0x4, 0u);
    // A name no model has leaves the current model the target.
    project.calls.clear();
    ReverseEngineerFiles(project, "C++", "Nowhere", &files, nullptr, nullptr);
    EXPECT_EQ(project.calls.front(), "expand");
    EXPECT_EQ(project.calls.back(), "links looks Other 4 0");
}

TEST_F(ReverseDriverTest, FileCellsServeWhenThereIsNoFileList) {
    const std::string a = Write("a.idl", "interface I { };\n");
    // An add file's option line arrives as a (name value) pair, and other
    // cells may stand between the paths: neither is taken for a file.
    kest::Cell* option = kest::mklist(kest::mkstr("Verbose"), kest::mkstr("1"), nullptr);
    kest::Cell* cells = kest::mklist(option, kest::mkstr(a.c_str()), kest::mkint(7), nullptr);
    ReverseEngineerFiles(project, "IDL", "", nullptr, cells, nullptr);
    EXPECT_EQ(log.Text(), "Reverse engineering...\r\n" + a +
                              " (2 lines)\r\nTotal of 2 lines.\r\n"
                              "Reverse Engineering Completed.\r\n");
    EXPECT_EQ(project.reversed, std::vector<std::string>{a});
    EXPECT_NE(project.FindMaster(10, "I", ""), nullptr);
}

TEST_F(ReverseDriverTest, ProgressStepsOncePerListEntry) {
    const std::string a = Write("a.h", "class A { };\n");
    const std::string b = Write("b.h", "class B { };\n");
    const std::vector<std::string> files = {a, b, a};
    ReverseEngineerFiles(project, "C++", "", &files, nullptr, nullptr);
    EXPECT_EQ(project.progress, (std::vector<std::string>{"0/3", "1/3", "2/3", "3/3"}));

    // A cell list counts its option pairs too, so the control still ends full.
    project.progress.clear();
    kest::Cell* option = kest::mklist(kest::mkstr("Verbose"), kest::mkstr("1"), nullptr);
    ReverseEngineerFiles(project, "C++", "", nullptr,
                         kest::mklist(option, kest::mkstr(a.c_str()), nullptr), nullptr);
    EXPECT_EQ(project.progress, (std::vector<std::string>{"0/2", "1/2", "2/2"}));

    // An empty run still closes what it opened.
    project.progress.clear();
    const std::vector<std::string> none;
    ReverseEngineerFiles(project, "C++", "", &none, nullptr, nullptr);
    EXPECT_EQ(project.progress, std::vector<std::string>{"0/0"});
}

TEST_F(ReverseDriverTest, TheLogWindowIsShownWhenTheUserAsks) {
    struct ShowingLog : RecordingLogSink {
        void Show(bool visible) override { shown = visible; }
        bool shown = false;
    } showing;
    ScopedLogSink scope(&showing);
    const std::vector<std::string> files;
    ReverseEngineerFiles(project, "C++", "", &files, nullptr, nullptr);
    EXPECT_FALSE(showing.shown);
    project.userOptions = 0x10;
    ReverseEngineerFiles(project, "C++", "", &files, nullptr, nullptr);
    EXPECT_TRUE(showing.shown);
}

} // namespace
} // namespace qm
