// Files, the private temporary folder and process spawning.
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/TempFolder.h"
#include "tests/support/ScratchFolder.h"

#include <cerrno>
#include <dirent.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {
namespace {

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const std::string& path) {
    return ReadWholeFile(path, 1 << 20).value_or("?");
}

TEST(Files, CopyMoveDeleteSize) {
    ScratchFolder dir;
    const std::string a = dir / "a.txt", b = dir / "b.txt", c = dir / "c.txt";
    WriteText(a, "hello");
    EXPECT_EQ(FileSize(a), 5u);
    EXPECT_FALSE(FileSize(dir / "missing"));
    EXPECT_FALSE(FileSize(dir.Path())); // a folder has no file size

    ASSERT_TRUE(CopyFile(a, b));
    EXPECT_EQ(ReadText(b), "hello");
    WriteText(a, "changed");
    EXPECT_FALSE(CopyFile(a, b, false));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(ReadText(b), "hello");
    EXPECT_TRUE(CopyFile(a, b, true));
    EXPECT_EQ(ReadText(b), "changed");
    EXPECT_FALSE(CopyFile(dir / "missing", c));
    EXPECT_EQ(errno, ENOENT);

    ASSERT_TRUE(MoveFile(b, c));
    EXPECT_FALSE(FileExists(b));
    EXPECT_EQ(ReadText(c), "changed");

    EXPECT_TRUE(DeleteFile(c));
    EXPECT_FALSE(FileExists(c));
    EXPECT_FALSE(DeleteFile(c));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(DeleteFile(dir.Path()));
}

TEST(Files, ListFilesMatchesPatternInTheFoldersOrder) {
    ScratchFolder dir;
    std::vector<std::string> made;
    for (int i = 0; i < 40; ++i)
        made.push_back(std::to_string((i * 17) % 40) + ".vxs");
    for (const std::string& name : made)
        WriteText(dir / name, "");
    for (const char* name : {"c.txt", ".hidden.vxs"})
        WriteText(dir / name, "");
    ASSERT_TRUE(MakeDirectories(dir / "sub.vxs"));
    // The order the folder itself gives, as a directory read lists it.
    std::vector<std::string> listed;
    DIR* folder = ::opendir(dir.Path().c_str());
    ASSERT_NE(folder, nullptr);
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.size() > 4 && name.front() != '.' && name.ends_with(".vxs") && name != "sub.vxs")
            listed.push_back(name);
    }
    ::closedir(folder);
    ASSERT_EQ(listed.size(), made.size());
    EXPECT_EQ(ListFiles(dir.Path(), "*.vxs"), listed);
    EXPECT_TRUE(ListFiles(dir / "missing", "*").empty());
}

TEST(Files, ReadOnlyAndBackup) {
    ScratchFolder dir;
    const std::string file = dir / "Bank.pro";
    EXPECT_FALSE(IsReadOnlyFile(file));
    WriteText(file, "v1");
    EXPECT_FALSE(IsReadOnlyFile(file));
    ::chmod(file.c_str(), 0444);
    EXPECT_TRUE(IsReadOnlyFile(file));
    ::chmod(file.c_str(), 0644);

    EXPECT_FALSE(MakeBackupCopy(dir / "missing.pro"));
    EXPECT_FALSE(FileExists(dir / "missing.pro.bak"));
    ASSERT_TRUE(MakeBackupCopy(file));
    WriteText(file, "v2");
    ASSERT_TRUE(MakeBackupCopy(file)); // replaces the older backup
    EXPECT_EQ(ReadText(file + ".bak"), "v2");

    // Long paths are fine here: there is no fixed-size buffer.
    std::string deep = dir.Path();
    while (deep.size() < 300)
        deep += "/a-rather-long-folder-name";
    ASSERT_TRUE(MakeDirectories(deep));
    WriteText(deep + "/Bank.pro", "deep");
    EXPECT_TRUE(MakeBackupCopy(deep + "/Bank.pro"));
    EXPECT_EQ(ReadText(deep + "/Bank.pro.bak"), "deep");
}

TEST(Files, WriteReplacingKeepsModeAndLeavesNoTemporaries) {
    ScratchFolder dir;
    const std::string file = dir / "settings.ini";
    ASSERT_TRUE(WriteFileReplacing(file, "one", 0600));
    ::chmod(file.c_str(), 0640);
    ASSERT_TRUE(WriteFileReplacing(file, "two"));
    EXPECT_EQ(ReadText(file), "two");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(ListFiles(dir.Path(), "*"), std::vector<std::string>{"settings.ini"});
    EXPECT_FALSE(WriteFileReplacing(dir / "no/such/folder/x", "x"));

    EXPECT_FALSE(ReadWholeFile(file, 2)); // larger than allowed
}

TEST(TempFolder, PrefersRuntimeFolderAndIsPrivate) {
    ScratchFolder dir;
    ScopedEnvironment runtime("XDG_RUNTIME_DIR", dir.Path().c_str());
    std::string folder = PrivateTempFolder();
    EXPECT_EQ(folder, dir / "quillmark");
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A folder left wider than private is narrowed again.
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(PrivateTempFolder(), folder);
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(TempFolder, FallsBackToTmpdirAndRefusesLinks) {
    ScratchFolder dir;
    ScopedEnvironment runtime("XDG_RUNTIME_DIR", nullptr);
    ScopedEnvironment tmpdir("TMPDIR", dir.Path().c_str());
    const std::string expected = dir / ("quillmark-" + std::to_string(::getuid()));
    EXPECT_EQ(PrivateTempFolder(), expected);

    // A link planted under the expected name is never used.
    ScratchFolder other;
    ASSERT_EQ(::rmdir(expected.c_str()), 0);
    ASSERT_EQ(::symlink(other.Path().c_str(), expected.c_str()), 0);
    EXPECT_EQ(PrivateTempFolder(), "");

    // A relative XDG_RUNTIME_DIR is ignored.
    ASSERT_EQ(::unlink(expected.c_str()), 0);
    ScopedEnvironment relative("XDG_RUNTIME_DIR", "relative/dir");
    EXPECT_EQ(PrivateTempFolder(), expected);
}

TEST(Process, SpawnWaitsAndReportsExitCode) {
    EXPECT_EQ(SpawnProcess({"true"}, SpawnMode::Wait), 0);
    EXPECT_EQ(SpawnProcess({"sh", "-c", "exit 7"}, SpawnMode::Wait), 7);
    // Arguments reach the program unchanged, never through a shell's word splitting.
    ScratchFolder dir;
    const std::string odd = dir / "name with spaces; $(echo x) \"q\"";
    EXPECT_EQ(SpawnProcess({"touch", odd}, SpawnMode::Wait), 0);
    EXPECT_TRUE(FileExists(odd));

    EXPECT_EQ(SpawnProcess({"no-such-program-quillmark"}, SpawnMode::Wait), -1);
    EXPECT_EQ(SpawnProcess({}, SpawnMode::Wait), -1);

    int pid = SpawnProcess({"true"}, SpawnMode::NoWait);
    EXPECT_GT(pid, 0);
}

TEST(Process, ShellOpenCommandIsTheDesktopOpener) {
    EXPECT_EQ(FindShellOpenCommand("txt").program, "xdg-open");
    EXPECT_EQ(FindShellOpenCommand(".html").program, "xdg-open");
    EXPECT_EQ(FindShellOpenCommand("").program, "");
}

} // namespace
} // namespace qm
