// The path helpers against tables of cases, both separators included.
#include "platform/PathHelpers.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(PathHelpers, JoinPath) {
    struct Case {
        const char* folder;
        const char* name;
        const char* joined;
    } cases[] = {
        {"a", "b", "a/b"},
        {"a/", "b", "a/b"},
        {"a", "/b", "a/b"},
        {"a/", "/b", "a/b"},
        {"C:\\dir\\", "\\f", "C:\\dir\\f"},
        {"C:\\dir", "f", "C:\\dir/f"},
        {"", "b", "b"},
        {"a", "", "a"},
        {"", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JoinPath(c.folder, c.name), c.joined) << c.folder << " + " << c.name;
}

TEST(PathHelpers, FileAndDirectoryOfPath) {
    struct Case {
        const char* path;
        const char* file;
        const char* directory;
    } cases[] = {
        {"/home/u/a.pro", "a.pro", "/home/u"},
        {"C:\\Models\\a.pro", "a.pro", "C:\\Models"},
        {"mixed\\dir/a.pro", "a.pro", "mixed\\dir"},
        {"a.pro", "a.pro", ""},
        {"/a.pro", "a.pro", ""}, // the only separator is the first character
        {"\\a.pro", "a.pro", ""},
        {"dir/", "", "dir"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileNameOfPath(c.path), c.file) << c.path;
        EXPECT_EQ(DirectoryOfPath(c.path), c.directory) << c.path;
    }
    EXPECT_TRUE(HasPathSeparator("a\\b"));
    EXPECT_TRUE(HasPathSeparator("a/b"));
    EXPECT_FALSE(HasPathSeparator("ab"));
}

TEST(PathHelpers, Extensions) {
    struct Case {
        const char* path;
        const char* extension;
        const char* withoutExtension;
    } cases[] = {
        {"Model.PRO", "pro", "Model"},
        {"archive.tar.GZ", "gz", "archive.tar"},
        {"README", "", "README"},
        {".profile", "profile", ".profile"}, // a dot at position 0 is no extension
        {"my.dir/Makefile", "", "my.dir/Makefile"},
        {"my.dir\\Makefile", "", "my.dir\\Makefile"},
        {"name.with space", "with space", "name.with space"},
        {"\"C:\\x\\file.TXT\"", "txt", "\"C:\\x\\file"},
        {"dir/a.cpp", "cpp", "dir/a"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtensionOfPath(c.path), c.extension) << c.path;
        EXPECT_EQ(RemoveExtension(c.path), c.withoutExtension) << c.path;
    }
}

TEST(PathHelpers, TrimRepeatedExtension) {
    struct Case {
        const char* name;
        const char* trimmed;
    } cases[] = {
        {"UML.NOT.NOT", "UML.not"},
        {"UML2.1.not.not.not", "UML2.1.not"},
        {"UML.Not", "UML.not"},
        {"a.no", "a.no"},         // shorter than 5
        {"abc.notx", "abc.notx"}, // fourth-last is not a dot
        {".not.not", ".not.not"}, // not longer than 8
        {"x.not.not", "x.not"},
        {"/Data/My.Templates/UML.NOT.NOT", "/Data/My.Templates/UML.not"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TrimRepeatedExtension(c.name), c.trimmed) << c.name;
    std::string tooLong(252, 'a');
    tooLong += ".NOT";
    EXPECT_EQ(TrimRepeatedExtension(tooLong), tooLong);
}

TEST(PathHelpers, SplitPath) {
    struct Case {
        const char* path;
        const char* lastFolder;
        const char* file;
        const char* folder;
    } cases[] = {
        {"C:\\Models\\Bank\\a.pro", "Bank", "a.pro", "C:\\Models\\Bank\\"},
        {"/home/u/a.pro", "u", "a.pro", "/home/u/"},
        {"top/a.pro", "top", "a.pro", "top/"},
        {"x/a.pro", "x", "a.pro", "x/"},
        {"/a/bc", "a", "bc", "/a/"},
        // Only a separator after the first character splits the path.
        {"/abcd", "", "", ""},
        {"/a.pro", "", "", ""},
        {"a.pro", "", "", ""},
        {"a/b", "", "", ""}, // three characters or fewer
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        SplitPathResult parts = SplitPath(c.path);
        EXPECT_EQ(parts.lastFolderName, c.lastFolder) << c.path;
        EXPECT_EQ(parts.fileName, c.file) << c.path;
        EXPECT_EQ(parts.folder, c.folder) << c.path;
    }
}

} // namespace
} // namespace qm
