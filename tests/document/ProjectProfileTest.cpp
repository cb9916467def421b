// The per-project profile's record: every older length, the language as a
// number, strings as one string, and the layout exchanged with a frame.
#include "document/ProjectProfile.h"
#include "kernel/Kernel.h"
#include "tests/support/ModelFixture.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::ModelTest;

struct ProjectProfileTest : ModelTest {
    ProjectProfile ReadBack(const std::string& text) {
        ProjectProfile profile;
        profile.Persist(read(text));
        return profile;
    }
};

TEST_F(ProjectProfileTest, DefaultsAreWrittenInRecordOrder) {
    ProjectProfile profile;
    EXPECT_EQ(
        print(profile.Persist(nullptr)),
        "(genProfile 178 \"C++\" (\"\" \"\" \"\" \"\" \"\") \"\" 0 (\"\" \"\" \"\" \"\" \"\") "
        "(\"\" \"\" \"\" \"\" \"\") 0 0 150 150 50 50 80 50 80 60 0 0)");
}

TEST_F(ProjectProfileTest, WrittenAndReadBackKeepsEveryField) {
    ProjectProfile profile;
    profile.flags = 0x12345;
    profile.language = "Forte TOOL";
    profile.stringsA = {"a1", "a2", "", "a4", "a5"};
    profile.stringsB = {"b1", "", "", "", "b5"};
    profile.stringsC = {"", "c2", "", "", ""};
    profile.layout = {640, 480, 210, 330, {1, 2, 3, 4, 5, 6}, 3};
    profile.currentModel = 7;
    std::string text = pretty(profile.Persist(nullptr));
    ProjectProfile back = ReadBack(text);
    EXPECT_EQ(back, profile);
    EXPECT_EQ(pretty(back.Persist(nullptr)), text);
}

// Older records: seven elements keep the layout defaults; the language may
// be a number; a set of strings may be a single string.
TEST_F(ProjectProfileTest, OlderFormsRead) {
    ProjectProfile seven = ReadBack("(genProfile 3 \"Java\" (\"x\") \"\" 0 () (\"b\" \"c\"))");
    EXPECT_EQ(seven.flags, 3u);
    EXPECT_EQ(seven.language, "Java");
    EXPECT_EQ(seven.stringsA[0], "x");
    EXPECT_EQ(seven.stringsB[1], "c");
    EXPECT_EQ(seven.layout.explorerWidth, 150);
    EXPECT_EQ(seven.layout.explorerHeight, 150);
    EXPECT_EQ(seven.layout.listerWidths, (std::array<int32_t, 6>{50, 50, 80, 50, 80, 60}));
    EXPECT_EQ(seven.layout.frameWidth, 0);

    struct Case {
        const char* language;
        const char* name;
    } cases[] = {{"1", "C++"}, {"16", "C#"},  {"4", "Java"},        {"8", "Orvistal"},
                 {"2", "IDL"}, {"32", "PHP"}, {"64", "Forte TOOL"}, {"5", "C++"}};
    for (const Case& c : cases) {
        ProjectProfile p =
            ReadBack(std::string("(genProfile 1 ") + c.language + " () \"\" 0 () ())");
        EXPECT_EQ(p.language, c.name) << c.language;
    }

    ProjectProfile single = ReadBack("(genProfile 1 \"C#\" \"only\" \"\" 0 \"c\" \"b\")");
    EXPECT_EQ(single.stringsA, (ProjectProfile::StringSet{"only", "", "", "", ""}));
    EXPECT_EQ(single.stringsB[0], "b");
    EXPECT_EQ(single.stringsC[0], "c");

    // More than five strings: only the first five are taken.
    ProjectProfile many = ReadBack("(genProfile 1 \"C#\" (\"1\" \"2\" \"3\" \"4\" \"5\" \"6\") "
                                   "\"\" 0 () ())");
    EXPECT_EQ(many.stringsA[4], "5");
}

TEST_F(ProjectProfileTest, BadRecordsFailAndChangeNothing) {
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"(profile 1 \"C++\" () \"\" 0 () ())", "Operation failed: genProfile sym expected."},
        {"(genProfile 1 \"C++\" () \"\" 0 ())", "bad genProfile record: ends before strings B"},
        {"(genProfile \"x\" \"C++\" () \"\" 0 () ())",
         "bad genProfile record: integer expected for flags"},
        {"(genProfile 1 \"C++\" (1 2) \"\" 0 () ())",
         "bad genProfile record: string expected for strings"},
        {"(genProfile 1 \"C++\" 7 \"\" 0 () ())", "bad genProfile record: strings: a list"},
        {"(genProfile 1 \"C++\" () \"\" 0 () () 1 2 3)",
         "bad genProfile record: ends before layout"},
        {"(genProfile 1 \"C++\" () \"\" 0 () () 1 2 3 4 5 6 7 8 9 10 11 \"x\")",
         "bad genProfile record: integer expected for layout"},
    };
    for (const Case& c : cases) {
        ProjectProfile profile;
        profile.flags = 99;
        std::string error = failure([&] { profile.Persist(read(c.text)); });
        EXPECT_EQ(error.substr(0, std::string(c.error).size()), c.error) << c.text;
        EXPECT_EQ(profile.flags, 99u) << c.text;
    }
}

struct RecordingFrame : ProjectFrame {
    FrameLayout CurrentLayout() const override { return current; }
    void ShowModelAt(int32_t index) override { shown = index; }
    void ApplyLayout(const FrameLayout& layout, bool maximize) override {
        applied = layout;
        maximized = maximize;
        ++applies;
    }
    FrameLayout current;
    FrameLayout applied;
    int32_t shown = -1;
    bool maximized = false;
    int applies = 0;
};

TEST_F(ProjectProfileTest, LayoutGoesToAndComesFromTheFrame) {
    ProjectProfile profile;
    RecordingFrame frame;
    frame.current = {800, 600, 5, 400, {9, 8, 7, 6, 5, 4}, 2};
    profile.CaptureLayout(&frame, -1);
    EXPECT_EQ(profile.currentModel, 0);
    profile.CaptureLayout(&frame, 4);
    EXPECT_EQ(profile.currentModel, 4);
    EXPECT_EQ(profile.layout.listerWidths[0], 9);

    profile.ApplyLayout(&frame, 0, true);
    EXPECT_EQ(frame.shown, -1); // no models: nothing to show
    EXPECT_EQ(frame.applied.explorerWidth, ProjectProfile::kMinimumPane);
    EXPECT_EQ(frame.applied.explorerHeight, 400);
    EXPECT_TRUE(frame.maximized);
    profile.ApplyLayout(&frame, 5, false);
    EXPECT_EQ(frame.shown, 4);

    // Without a frame neither direction does anything.
    ProjectProfile hidden = profile;
    hidden.CaptureLayout(nullptr, 1);
    hidden.ApplyLayout(nullptr, 3, true);
    EXPECT_EQ(hidden, profile);
}

} // namespace
} // namespace qm
