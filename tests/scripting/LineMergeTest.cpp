// The line merge of generated files: the user's lines between the markers
// survive a regeneration, everything else comes from the generated file.
#include "scripting/LineMerge.h"
#include "platform/Files.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

namespace qm::test {
namespace {

class LineMergeTest : public ::testing::Test {
  protected:
    // Merges two texts with the markers "BEGIN" and "END"; the output, or
    // "error: " and the failure's message.
    std::string Merge(const std::string& existing, const std::string& generated) {
        EXPECT_TRUE(WriteFileReplacing(folder / "old.h", existing));
        EXPECT_TRUE(WriteFileReplacing(folder / "new.h", generated));
        try {
            MergeFiles(folder / "old.h", folder / "new.h", folder / "out.h", "BEGIN", "END");
        } catch (const MergeFailure& e) {
            return std::string("error: ") + e.what();
        }
        return ReadWholeFile(folder / "out.h", kMergeFileLimit).value_or("<none>");
    }
    ScratchFolder folder;
};

TEST_F(LineMergeTest, MergesKeepTheUsersRegionsAndTakeTheRestFromTheGeneratedFile) {
    const struct {
        const char* what;
        const char* existing;
        const char* generated;
        const char* expected;
    } cases[] = {
        {"identical files give the generated file", "a\n//BEGIN\nb\n//END\nc",
         "a\n//BEGIN\nb\n//END\nc", "a\n//BEGIN\nb\n//END\nc"},
        {"the user's lines between the markers are kept right after the begin marker",
         "class A {\n//BEGIN user\nint kept;\n//END user\n};\n",
         "class A {\n//BEGIN user\n//END user\n};\n",
         "class A {\n//BEGIN user\nint kept;\n//END user\n};\n"},
        {"followed by what the generated file holds in that region",
         "x\n  // BEGIN\nmine\n  // END\ny\n", "x\n  // BEGIN\ntheirs\n  // END\ny\n",
         "x\n  // BEGIN\nmine\ntheirs\n  // END\ny\n"},
        {"lines differing only in white space are equal; the generated version stays",
         "int  a ;\r\nint b;\n", "int a;\nint\tb;\n", "int a;\nint\tb;\n"},
        {"changed lines outside the markers do not reach the output", "x\nold\ny\n", "x\nnew\ny\n",
         "x\nnew\ny\n"},
        {"trailing blank lines of either file are dropped", "a\n\n \t\r\n", "a\nb\n\n\n", "a\nb\n"},
        {"a last line without a line end keeps its text", "a\nb", "a\nb", "a\nb"},
        {"an empty generated file", "a\n", "", ""},
        {"an empty existing file", "", "a\nb\n", "a\nb\n"},
        {"a region the generated file has no markers for is placed by its neighbours",
         "a\n//BEGIN x\nuser\n//END\nb\n", "a\nb\n", "a\n//BEGIN x\nuser\n//END\nb\n"},
        {"a user region ending the file without a line end is not joined to the next line",
         "x\n//BEGIN\nmine\n//END", "x\ny\n", "x\n//BEGIN\nmine\n//END\ny\n"},
        {"a region of two user blocks keeps both",
         "h\n//BEGIN 1\none\n//END 1\nm\n//BEGIN 2\ntwo\n//END 2\nt\n",
         "h\n//BEGIN 1\n//END 1\nm\n//BEGIN 2\n//END 2\nt\n",
         "h\n//BEGIN 1\none\n//END 1\nm\n//BEGIN 2\ntwo\n//END 2\nt\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Merge(c.existing, c.generated), c.expected) << c.what;
}

TEST_F(LineMergeTest, MarkersAreMatchedFromTheFirstLetterOfALine) {
    ASSERT_TRUE(WriteFileReplacing(folder / "old.h", "a\n# 1 Keep begin\nmine\n#2 Keep end\nb\n"));
    ASSERT_TRUE(WriteFileReplacing(folder / "new.h", "a\n# 1 Keep begin\n#2 Keep end\nb\n"));
    MergeFiles(folder / "old.h", folder / "new.h", folder / "out.h", "Keep begin", "Keep end");
    EXPECT_EQ(ReadWholeFile(folder / "out.h", 1000), "a\n# 1 Keep begin\nmine\n#2 Keep end\nb\n");
    // Without the user's region markers, the user's changed lines are gone.
    MergeFiles(folder / "old.h", folder / "new.h", folder / "out.h", "Other", "Markers");
    EXPECT_EQ(ReadWholeFile(folder / "out.h", 1000), "a\n# 1 Keep begin\n#2 Keep end\nb\n");
}

TEST_F(LineMergeTest, FailuresNameTheirCauseAndLeaveTheOutputAlone) {
    ASSERT_TRUE(WriteFileReplacing(folder / "out.h", "user's code\n"));
    ASSERT_TRUE(WriteFileReplacing(folder / "new.h", "generated\n"));
    const std::string exact(kMergeFileLimit, 'x');
    ASSERT_TRUE(WriteFileReplacing(folder / "big.h", exact));
    ASSERT_TRUE(WriteFileReplacing(folder / "fits.h", exact.substr(1)));
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    const struct {
        std::string existing;
        std::string generated;
        std::string output;
        std::string expected;
    } cases[] = {
        {folder / "missing.h", folder / "new.h", folder / "out.h",
         "Can't read file " + (folder / "missing.h")},
        {folder / "new.h", folder / "missing.h", folder / "out.h",
         "Can't read file " + (folder / "missing.h")},
        {folder / "big.h", folder / "new.h", folder / "out.h", "File too big"},
        {folder / "new.h", folder / "big.h", folder / "out.h", "File too big"},
        {folder.Path(), folder / "new.h", folder / "out.h", "Can't get file size"},
        {folder / "fifo", folder / "new.h", folder / "out.h", "Can't get file size"},
        {folder / "new.h", folder / "new.h", folder / "no/such/folder.h",
         "Can't create file " + (folder / "no/such/folder.h")},
    };
    for (const auto& c : cases) {
        std::string error;
        try {
            MergeFiles(c.existing, c.generated, c.output, "BEGIN", "END");
        } catch (const MergeFailure& e) {
            error = e.what();
        }
        EXPECT_EQ(error, c.expected);
        EXPECT_EQ(ReadWholeFile(folder / "out.h", 100), "user's code\n") << c.expected;
    }
    // One byte less is read and merged.
    MergeFiles(folder / "fits.h", folder / "fits.h", folder / "out.h", "BEGIN", "END");
    EXPECT_EQ(FileSize(folder / "out.h"), kMergeFileLimit - 1);
}

TEST_F(LineMergeTest, TheOutputMayBeTheExistingFile) {
    ASSERT_TRUE(WriteFileReplacing(folder / "a.h", "x\n//BEGIN\nmine\n//END\n"));
    ASSERT_TRUE(WriteFileReplacing(folder / "gen.h", "y\nx\n//BEGIN\n//END\n"));
    MergeFiles(folder / "a.h", folder / "gen.h", folder / "a.h", "BEGIN", "END");
    EXPECT_EQ(ReadWholeFile(folder / "a.h", 100), "y\nx\n//BEGIN\nmine\n//END\n");
}

// A merge whose result is what the file holds already leaves the file alone
// (the same inode: nothing was written or renamed over it); a changed
// result replaces it.
TEST_F(LineMergeTest, AnUnchangedResultLeavesTheFileAlone) {
    auto inode = [&](const char* name) {
        struct stat st {};
        EXPECT_EQ(::stat((folder / name).c_str(), &st), 0);
        return st.st_ino;
    };
    const std::string header = "x\n//BEGIN\nmine\n//END\n";
    ASSERT_TRUE(WriteFileReplacing(folder / "a.h", header));
    ASSERT_TRUE(WriteFileReplacing(folder / "gen.h", "x\n//BEGIN\n//END\n"));
    const auto before = inode("a.h");
    MergeFiles(folder / "a.h", folder / "gen.h", folder / "a.h", "BEGIN", "END");
    EXPECT_EQ(inode("a.h"), before);
    EXPECT_EQ(ReadWholeFile(folder / "a.h", 100), header);

    ASSERT_TRUE(WriteFileReplacing(folder / "gen.h", "x\n//BEGIN\n//END\nz\n"));
    MergeFiles(folder / "a.h", folder / "gen.h", folder / "a.h", "BEGIN", "END");
    EXPECT_NE(inode("a.h"), before);
    EXPECT_EQ(ReadWholeFile(folder / "a.h", 100), "x\n//BEGIN\nmine\n//END\nz\n");

    // The merge drops the file's trailing blank lines: compared with the
    // bytes the file holds, the result differs and replaces it.
    ASSERT_TRUE(WriteFileReplacing(folder / "a.h", header + "\n\n"));
    ASSERT_TRUE(WriteFileReplacing(folder / "gen.h", "x\n//BEGIN\n//END\n"));
    MergeFiles(folder / "a.h", folder / "gen.h", folder / "a.h", "BEGIN", "END");
    EXPECT_EQ(ReadWholeFile(folder / "a.h", 100), header);
}

} // namespace
} // namespace qm::test
