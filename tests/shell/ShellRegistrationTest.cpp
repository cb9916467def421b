// The desktop registration of the file types: what it writes, that a second
// call changes nothing, and the message when the data folder is not writable.
#include "shell/ShellRegistration.h"
#include "document/Profile.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Prompt.h"
#include "platform/Registry.h"
#include "tests/support/ScratchFolder.h"

#include <QImage>
#include <gtest/gtest.h>
#include <map>

namespace qm {
namespace {

struct ShellRegistration : ::testing::Test {
    ScratchFolder dir;
    ScopedEnvironment data{"XDG_DATA_HOME", (dir / "data").c_str()};
    ScopedEnvironment config{"XDG_CONFIG_HOME", (dir / "config").c_str()};
    HeadlessPrompts prompts;
    ScopedPromptService promptScope{&prompts};
    RecordingLogSink log;
    ScopedLogSink logScope{&log};

    static std::string Read(const std::string& path) {
        return ReadWholeFile(path, 1 << 20).value_or("<missing>");
    }
    static bool Contains(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }
};

TEST_F(ShellRegistration, WritesTypesEntriesAndSettings) {
    RegisterShellFileTypes("/opt/Quill mark");
    EXPECT_TRUE(prompts.asked.empty());

    const std::string mime = Read(MimePackageFile());
    for (const char* part : {"type=\"application/x-quillmark-project\"", "pattern=\"*.pro\"",
                             "type=\"application/x-quillmark-template\"", "pattern=\"*.not\"",
                             "type=\"application/x-quillmark-script\"", "pattern=\"*.vxs\""})
        EXPECT_TRUE(Contains(mime, part)) << part;

    const std::string project = Read(ProjectDesktopEntryFile());
    EXPECT_TRUE(Contains(project, "\nExec=\"/opt/Quill mark/quillmark\" -o %f\n"));
    EXPECT_TRUE(Contains(project, "\nExec=\"/opt/Quill mark/quillmark\"\n"));
    EXPECT_TRUE(Contains(project, "\nExec=\"/opt/Quill mark/quillmark\" -p %f\n"));
    EXPECT_TRUE(Contains(project, "\nMimeType=application/x-quillmark-project;\n"));
    const std::string templ = Read(TemplateDesktopEntryFile());
    EXPECT_TRUE(Contains(templ, "\nExec=\"/opt/Quill mark/quillmark\" -n %f\n"));
    EXPECT_TRUE(Contains(templ, "\nMimeType=application/x-quillmark-template;\n"));

    Registry user(RegistryRoot::CurrentUser);
    std::map<std::string, std::string> expected = {
        {"DefaultNotation", "UML.not"},
        {"NotationFolder", "/opt/Quill mark/Notations"},
        {"ScriptFolder", "/opt/Quill mark/Scripts"},
        {"DefaultLibrary", "/opt/Quill mark/Libraries/SampleLib.pro"},
    };
    for (auto& [name, value] : expected)
        EXPECT_EQ(user.GetValue(kProfileKey, name), value) << name;
    auto viewers = user.Values(kViewersKey);
    std::vector<std::string> names;
    for (auto& [name, program] : viewers) {
        names.push_back(name);
        EXPECT_EQ(program, "xdg-open");
    }
    EXPECT_EQ(names, (std::vector<std::string>{"H", "CPP", "CS", "VXS", "IDL", "JAVA", "RTF"}));

    // The settings read back as the profile's viewers.
    Profile profile;
    profile.SetDefaults();
    std::string ext = "cpp";
    ASSERT_NE(profile.FindViewer(ext), nullptr);
    EXPECT_EQ(profile.FindViewer(ext)->application, "xdg-open");
    EXPECT_EQ(profile.DefaultNotation, "UML.not");
}

TEST_F(ShellRegistration, EntriesAndTheTwoDocumentTypesCarryTheInstalledIcon) {
    const std::string install = dir / "install";
    const std::string shipped = QM_FIXTURES "/../../resources/Icons/quillmark.png";
    const QImage icon(QString::fromStdString(shipped));
    ASSERT_FALSE(icon.isNull()) << shipped;
    EXPECT_EQ(icon.size(), QSize(48, 48));
    ASSERT_TRUE(MakeDirectories(install + "/Icons"));
    ASSERT_TRUE(CopyFile(shipped, install + "/Icons/quillmark.png"));
    RegisterShellFileTypes(install);
    EXPECT_TRUE(prompts.asked.empty());

    EXPECT_EQ(Read(IconFile()), Read(shipped));
    for (const std::string& entry : {ProjectDesktopEntryFile(), TemplateDesktopEntryFile()})
        EXPECT_TRUE(Contains(Read(entry), "\nIcon=quillmark\n")) << entry;
    // The icon goes with the project and template types, not the scripts.
    const std::string mime = Read(MimePackageFile());
    struct Case {
        const char* type;
        bool icon;
    } cases[] = {{"project", true}, {"template", true}, {"script", false}};
    for (const Case& c : cases) {
        const size_t at = mime.find(std::string("x-quillmark-") + c.type);
        ASSERT_NE(at, std::string::npos) << c.type;
        const std::string block = mime.substr(at, mime.find("</mime-type>", at) - at);
        EXPECT_EQ(Contains(block, "<icon name=\"quillmark\"/>"), c.icon) << c.type;
    }
}

TEST_F(ShellRegistration, SecondCallChangesNothing) {
    RegisterShellFileTypes("/opt/first");
    {
        Registry user(RegistryRoot::CurrentUser);
        user.SetValue(kProfileKey, "DefaultNotation", "Chosen.not");
        ASSERT_TRUE(user.Flush());
    }
    const std::string entry = Read(ProjectDesktopEntryFile());
    const std::string settings = Read(UserRegistryFile());
    RegisterShellFileTypes("/opt/second");
    EXPECT_EQ(Read(ProjectDesktopEntryFile()), entry);
    EXPECT_EQ(Read(UserRegistryFile()), settings);
}

TEST_F(ShellRegistration, ExecArgumentsAreEscaped) {
    RegisterShellFileTypes("/opt/odd \"$name\" 100%\\x");
    const std::string project = Read(ProjectDesktopEntryFile());
    // Quoting escapes first, then the string escapes double every backslash.
    EXPECT_TRUE(Contains(
        project, "Exec=\"/opt/odd \\\\\"\\\\$name\\\\\" 100%%\\\\\\\\x/quillmark\" -o %f\n"))
        << project;
}

TEST_F(ShellRegistration, UnwritableDataFolderShowsTheMessage) {
    ASSERT_TRUE(WriteFileReplacing(dir / "data", "a file, not a folder"));
    RegisterShellFileTypes("/opt/q");
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0], "Can't access the Registry on this machine!");
    EXPECT_FALSE(FileExists(UserRegistryFile()));
}

} // namespace
} // namespace qm
