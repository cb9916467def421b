// The service built-ins where a script alone cannot show them: the clock in
// a known time zone, failures of model code inside VxTry, the debug flag,
// the log window and the explorer tree.
#include "ScriptingFixture.h"
#include "platform/Files.h"
#include "scripting/LineMerge.h"
#include "scripting/RunContext.h"
#include "tests/support/ScratchFolder.h"

#include <ctime>
#include <vector>

namespace qm::test {
namespace {

class ServiceBuiltinsTest : public ScriptingTest {};

class RecordingExplorer : public ScriptExplorer {
  public:
    void DeleteFolderChildren(int folder) override {
        calls.push_back("clear " + std::to_string(folder));
    }
    void AddFileItem(int folder, const std::string& name) override {
        calls.push_back("add " + std::to_string(folder) + " " + name);
    }
    void ExpandFolder(int folder, bool expand) override {
        calls.push_back("expand " + std::to_string(folder) + (expand ? " 1" : " 0"));
    }
    std::vector<std::string> calls;
};

TEST_F(ServiceBuiltinsTest, DatePartsNameTheMonthAndTheDay) {
    ScopedEnvironment utc("TZ", "UTC");
    tzset();
    const struct {
        const char* script;
        const char* expected;
    } cases[] = {
        {"(VxDateParts 0)", "((year 1970) (month 1 \"January\") (day 1 \"Thursday\") (hour 0) "
                            "(minute 0) (second 0))"},
        {"(VxDateParts 951782400)", "((year 2000) (month 2 \"February\") (day 29 \"Tuesday\") "
                                    "(hour 0) (minute 0) (second 0))"},
        {"(VxDateParts -1)", "((year 1969) (month 12 \"December\") (day 31 \"Wednesday\") "
                             "(hour 23) (minute 59) (second 59))"},
        {"(VxDateParts 1.5)", "nil"},
        {"(VxDateParts nil)", "nil"},
        {"(VxDateParts)", "error: VxDateParts: incorrect number of arguments"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(c.script), c.expected) << c.script;
    const int32_t now = static_cast<int32_t>(std::time(nullptr));
    const std::string date = Value("(VxDate)");
    EXPECT_LE(std::abs(std::stol(date) - now), 5) << date;
}

TEST_F(ServiceBuiltinsTest, VxTryTakesFailuresOfModelCodeButNotScriptErrors) {
    EXPECT_EQ(Value("(setq x 0) (list (VxTry (setq x 1) (TestModelFailure) (setq x 2)) x)"),
              "(t 1)");
    // The bindings of the abandoned form are undone.
    EXPECT_EQ(Value("(def f (lam (x) (TestModelFailure))) (setq x 5) (list (VxTry (f 9)) x)"),
              "(t 5)");
    EXPECT_EQ(Value("(VxTry (car 'a 'b))"), "error: car: incorrect number of arguments");

    // The kernel's own fatal errors end the run through VxTry too.
    kest::setevaluationlimit(2000);
    std::string fatal;
    try {
        Run("(VxTry (prog () a (go a)))");
    } catch (const CKestException& e) {
        fatal = e.Message();
    }
    kest::setevaluationlimit(0);
    kest::resetstacks();
    EXPECT_EQ(fatal, "evaluation limit reached");
}

TEST_F(ServiceBuiltinsTest, TheLogWindowAndTheDebugFlag) {
    Value("(VxWriteLog \"a\" 1 '(b \"c\"))");
    EXPECT_EQ(log.Text(), "a1(b c)");
    Value("(VxWriteLog \"more\") (VxClearLog)");
    EXPECT_EQ(log.Text(), "");
    // A debugging run keeps its whole log and does not check the arguments.
    ScriptRunContext context;
    context.debug = true;
    ScopedRunContext scoped(context);
    EXPECT_EQ(Value("(VxWriteLog \"kept\") (VxClearLog 1 2)"), "t");
    EXPECT_EQ(log.Text(), "kept");
}

TEST_F(ServiceBuiltinsTest, MergeFailuresAreScriptErrorsOfVxMergeFiles) {
    ScratchFolder folder;
    ASSERT_TRUE(WriteFileReplacing(folder / "big.h", std::string(kMergeFileLimit, 'x')));
    ASSERT_TRUE(WriteFileReplacing(folder / "new.h", "a\n"));
    ASSERT_TRUE(WriteFileReplacing(folder / "out.h", "user's code\n"));
    Bind("big", kest::mkstr((folder / "big.h").c_str()));
    Bind("new", kest::mkstr((folder / "new.h").c_str()));
    Bind("out", kest::mkstr((folder / "out.h").c_str()));
    EXPECT_EQ(Value("(VxMergeFiles big new out \"B\" \"E\")"), "error: VxMergeFiles: File too big");
    EXPECT_EQ(Value("(VxMergeFiles new big out \"B\" \"E\")"), "error: VxMergeFiles: File too big");
    EXPECT_EQ(Value("(VxMergeFiles new new out 'B 'E 'F)"),
              "error: VxMergeFiles: incorrect number of arguments");
    EXPECT_EQ(Value("(VxMergeFiles new new out \"B\" 5)"),
              "error: VxMergeFiles: string expected: 5");
    // The user's file is untouched by a failed merge.
    EXPECT_EQ(ReadWholeFile(folder / "out.h", 100), "user's code\n");
    EXPECT_EQ(Value("(VxMergeFiles out new out \"B\" \"E\")"), "t");
    EXPECT_EQ(ReadWholeFile(folder / "out.h", 100), "a\n");
}

TEST_F(ServiceBuiltinsTest, TheExplorerTreeFolders) {
    RecordingExplorer explorer;
    {
        ScopedInstall<ScriptExplorer> installed(&explorer);
        Value("(VxClearTree 'codeModel) (VxClearTree 'docoModel) (VxClearTree 'otherModel)"
              "(VxClearTree 'reversed) (VxClearTree 'whatever) (VxClearTree 12)");
        Value("(VxAddTree 'codeModel \"a.h\" nil) (VxAddTree 'docoModel 'index.html t)");
        // A path joined with pathconc names its folders as the file built-ins read them.
        Value("(VxAddTree 'codeModel (pathconc \"gen\" \"geo\" \"b.h\") nil)");
    }
    const std::vector<std::string> expected = {
        "clear 5", "clear 6",   "clear 7",          "clear 18",   "clear 7",
        "clear 7", "add 5 a.h", "add 6 index.html", "expand 6 1", "add 5 gen/geo/b.h"};
    EXPECT_EQ(explorer.calls, expected);
    // Without an explorer the tree built-ins do nothing.
    EXPECT_EQ(RunContext().explorer, nullptr);
    EXPECT_EQ(Value("(VxAddTree 'codeModel \"b.h\" t)"), "t");
    EXPECT_EQ(explorer.calls.size(), expected.size());
}

} // namespace
} // namespace qm::test
