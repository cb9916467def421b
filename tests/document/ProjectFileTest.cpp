// The folder-list records, the check-in stamp operations on files that are
// not open, whole-file replacement and the journal file name.
#include "document/ProjectFile.h"
#include "document/FolderLists.h"
#include "kernel/Kernel.h"
#include "platform/Files.h"
#include "platform/TempFolder.h"
#include "tests/support/ModelFixture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace qm {
namespace {

using test::ModelTest;

struct ProjectFileTest : ModelTest {
    std::string Write(const std::string& name, const std::string& text) {
        std::string path = scratch / name;
        EXPECT_TRUE(WriteFileReplacing(path, text));
        return path;
    }
    static std::string Text(const std::string& path) {
        return ReadWholeFile(path, 1 << 20).value_or("<missing>");
    }
};

const char* const kStamped = "(Quillmark \"8.0\" project)\n"
                             "(repository \"1.4\" 1)\n"
                             "(notation \"UML.not\")\n"
                             "(genProfile 1 \"C++\" nil \"\" 0 nil nil)\n"
                             "(codeFiles)\n"
                             "(docFiles \"a/b.html\")\n"
                             "(masters)\n";

const char* const kUnstamped = "(Quillmark \"7.5\" project)\n"
                               "(notation \"UML.not\")\n"
                               "(masters)\n";

TEST_F(ProjectFileTest, FolderRecordsWriteAndRead) {
    struct Case {
        int folder;
        std::vector<std::string> items;
        const char* text;
    } cases[] = {
        {FolderCode, {}, "(codeFiles)"},
        {FolderDocs, {"d/x.html", "c:\\y.rtf"}, "(docFiles \"d/x.html\" \"c:\\y.rtf\")"},
        {FolderOther, {"o"}, "(otherFiles \"o\")"},
        {FolderReversed, {"a.h", "b.h"}, "(revFiles \"Java\" \"a.h\" \"b.h\")"},
    };
    for (Case& c : cases) {
        std::string text = print(FolderItemsScriptor(&c.items, c.folder, nullptr, "Java"));
        EXPECT_EQ(text, c.text);
        std::vector<std::string> back;
        FolderItemsScriptor(&back, c.folder, read(text), "C++");
        EXPECT_EQ(back, c.items) << c.text;
    }
    // Without items the record holds its head (and language) alone.
    EXPECT_EQ(print(FolderItemsScriptor(nullptr, FolderReversed, nullptr, "PHP")),
              "(revFiles \"PHP\")");
    EXPECT_EQ(print(FolderItemsScriptor(nullptr, FolderCode, nullptr, "PHP")), "(codeFiles)");
    EXPECT_EQ(FolderSymbol(3), kest::nil);
    EXPECT_EQ(FolderSymbol(FolderOther), kest::sym::otherFiles);
}

TEST_F(ProjectFileTest, FolderRecordsCheckTheirHeadAndElements) {
    std::vector<std::string> items{"kept"};
    EXPECT_EQ(failure([&] {
                  FolderItemsScriptor(&items, FolderDocs, read("(codeFiles)"), "");
              }).substr(0, 19),
              "Operation failed: .");
    EXPECT_NE(failure([&] { FolderItemsScriptor(&items, FolderDocs, read("(docFiles 1)"), ""); }),
              "");
    EXPECT_NE(
        failure([&] { FolderItemsScriptor(&items, FolderDocs, read("(docFiles . \"x\")"), ""); }),
        "");
    EXPECT_EQ(items, std::vector<std::string>{"kept"});
    // A revFiles record without its language reads as empty.
    FolderItemsScriptor(&items, FolderReversed, read("(revFiles)"), "");
    EXPECT_EQ(items, std::vector<std::string>{"kept"});
}

TEST_F(ProjectFileTest, StampIsReadFromTheRecordAfterTheHeader) {
    std::string version = "x";
    int32_t changed = 5;
    ReadProjectRepositoryStamp(Write("a.pro", kStamped), version, changed);
    EXPECT_EQ(version, "1.4");
    EXPECT_EQ(changed, 1);
    ReadProjectRepositoryStamp(Write("b.pro", kUnstamped), version, changed);
    EXPECT_EQ(version, "");
    EXPECT_EQ(changed, 0);
    EXPECT_DOUBLE_EQ(ReadProjectFileVersion(scratch / "a.pro"), 8.0);
    EXPECT_DOUBLE_EQ(ReadProjectFileVersion(scratch / "b.pro"), 7.5);

    EXPECT_EQ(failure([&] { ReadProjectFileVersion(scratch / "missing.pro"); }),
              "Can't open project file");
    EXPECT_EQ(
        failure([&] { ReadProjectRepositoryStamp(scratch / "missing.pro", version, changed); }),
        "Can't open project file");
    Write("t.not", "(Quillmark \"8.0\" notation)\n");
    EXPECT_EQ(failure([&] { ReadProjectFileVersion(scratch / "t.not"); }).substr(0, 33),
              "Operation failed: bad file header");
    // A message about what the file holds names the file.
    const std::string newer = Write("new.pro", "(Quillmark \"9.0\" project)\n");
    EXPECT_EQ(failure([&] { ReadProjectFileVersion(newer); }),
              "Operation failed: can't open a version 9.0 file using version 8.0 software: " +
                  newer + ".");
}

TEST_F(ProjectFileTest, UpdateReplacesOnlyTheStamp) {
    std::string path = Write("a.pro", kStamped);
    UpdateCheckedInProjectFile(path, "2.0", 0);
    std::string expected = kStamped;
    expected.replace(expected.find("(repository \"1.4\" 1)"), 20, "(repository \"2.0\" 0)");
    EXPECT_EQ(Text(path), expected);

    // A file without a stamp keeps its notation record and gains the stamp.
    path = Write("b.pro", kUnstamped);
    UpdateCheckedInProjectFile(path, "1.1", 1);
    EXPECT_EQ(Text(path), "(Quillmark \"7.5\" project)\n"
                          "(repository \"1.1\" 1)\n"
                          "(notation \"UML.not\")\n"
                          "(masters)\n");
}

TEST_F(ProjectFileTest, StampedFilesNeverRunWhatTheyHold) {
    kest::readtimeevaluation = true;
    // Made before the read, so the read's own symbols going at the end of
    // its heap mark cannot hide a value set while reading.
    kest::Symbol* marker = kest::intern("hacked");
    std::string path = Write("h.pro", "(Quillmark \"8.0\" project)\n"
                                      "(repository \"1\" 0)\n"
                                      "(notation #(setq hacked 1))\n");
    UpdateCheckedInProjectFile(path, "2", 0);
    EXPECT_TRUE(kest::readtimeevaluation);
    EXPECT_EQ(marker->kind(), kest::KPlain);
}

TEST_F(ProjectFileTest, FailedUpdateLeavesTheFile) {
    std::string path = Write("a.pro", kStamped);
    ASSERT_EQ(::chmod(scratch.Path().c_str(), 0500), 0);
    std::string error = failure([&] { UpdateCheckedInProjectFile(path, "3", 1); });
    ::chmod(scratch.Path().c_str(), 0700);
    if (::geteuid() != 0) {
        EXPECT_EQ(error, "Can't update checked-in file version");
        EXPECT_EQ(Text(path), kStamped);
    }
    EXPECT_EQ(failure([&] { UpdateCheckedInProjectFile(scratch / "none.pro", "3", 1); }),
              "Can't open project file");
}

TEST_F(ProjectFileTest, JournalNameFollowsTheLargestNumberAndIsClaimedAtOnce) {
    ScopedEnvironment runtime("XDG_RUNTIME_DIR", scratch.Path().c_str());
    std::string folder = PrivateTempFolder();
    ASSERT_EQ(folder, scratch / "quillmark");
    EXPECT_EQ(NextJournalFileName(), folder + "/1_Quillmark.jnl");
    // The name is taken as it is handed out: the next one differs.
    EXPECT_TRUE(FileExists(folder + "/1_Quillmark.jnl"));
    EXPECT_EQ(NextJournalFileName(), folder + "/2_Quillmark.jnl");
    for (const char* name : {"3_Quillmark.jnl", "12_Quillmark.jnl", "x_Quillmark.jnl", "99.txt"})
        ASSERT_TRUE(WriteFileReplacing(folder + "/" + name, ""));
    EXPECT_EQ(NextJournalFileName(), folder + "/13_Quillmark.jnl");
}

} // namespace
} // namespace qm
