// The desktop registration of the three file types.
//
// The desktop's counterpart of the per-type "open", "new" and "print"
// commands: the project type is opened by the main desktop entry ("-o"), whose
// actions start a new project or print one ("-p"); a hidden second entry
// starts a new project from a template ("-n"). Scripts only get their type.
// The mime package is written last and marks the types as registered.
#include "shell/ShellRegistration.h"

#include "document/Profile.h"
#include "platform/Files.h"
#include "platform/PathHelpers.h"
#include "platform/Process.h"
#include "platform/Prompt.h"
#include "platform/Registry.h"
#include "platform/UserFolders.h"

#include <cstdlib>
#include <optional>
#include <unistd.h>

namespace qm {

namespace {

constexpr const char* kProgramName = "quillmark";

// One argument of a desktop entry's Exec key: quoted, with the quoting
// escapes, percent signs doubled, then the escapes of a string value.
std::string ExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c == '%' ? std::string("%%") : std::string(1, c);
    }
    quoted += '"';
    std::string value;
    for (char c : quoted) {
        switch (c) {
        case '\\':
            value += "\\\\";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\r':
            value += "\\r";
            break;
        case '\t':
            value += "\\t";
            break;
        default:
            value += c;
        }
    }
    return value;
}

// The desktop entries; "@PROGRAM@" stands for the quoted program path.
constexpr const char* kProjectDesktopEntry = R"([Desktop Entry]
Type=Application
Version=1.5
Name=Quillmark
Comment=Object-oriented modelling in UML notation
Exec=@PROGRAM@ -o %f
Terminal=false
Categories=Development;
MimeType=application/x-quillmark-project;
Icon=quillmark
Actions=new;print;

[Desktop Action new]
Name=New Project
Exec=@PROGRAM@

[Desktop Action print]
Name=Print
Exec=@PROGRAM@ -p %f
)";

constexpr const char* kTemplateDesktopEntry = R"([Desktop Entry]
Type=Application
Version=1.5
Name=Quillmark (new project from template)
Exec=@PROGRAM@ -n %f
Terminal=false
NoDisplay=true
MimeType=application/x-quillmark-template;
Icon=quillmark
)";

std::string WithProgram(std::string text, const std::string& program) {
    const std::string placeholder = "@PROGRAM@";
    for (size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + program.size()))
        text.replace(at, placeholder.size(), program);
    return text;
}

std::string MimePackage() {
    struct Type {
        const char* name;
        const char* comment;
        const char* glob;
        bool icon;
    } types[] = {
        {kProjectMimeType, "Quillmark project", "*.pro", true},
        {kTemplateMimeType, "Quillmark notation template", "*.not", true},
        {kScriptMimeType, "Quillmark script", "*.vxs", false},
    };
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
    for (const Type& type : types) {
        xml += std::string("  <mime-type type=\"") + type.name + "\">\n";
        xml += std::string("    <comment>") + type.comment + "</comment>\n";
        xml += "    <sub-class-of type=\"text/plain\"/>\n";
        xml += std::string("    <glob pattern=\"") + type.glob + "\"/>\n";
        if (type.icon)
            xml += "    <icon name=\"quillmark\"/>\n";
        xml += "  </mime-type>\n";
    }
    xml += "</mime-info>\n";
    return xml;
}

bool WriteDataFile(const std::string& path, const std::string& bytes) {
    return MakeDirectories(DirectoryOfPath(path)) && WriteFileReplacing(path, bytes);
}

// Installs the icon the entries and types name from the shipped resources
// beside the program; without it the desktop shows its generic icon.
bool InstallIcon(const std::string& installFolder) {
    const std::optional<std::string> png =
        ReadWholeFile(JoinPath(installFolder, "Icons/quillmark.png"), 1 << 20);
    return !png || WriteDataFile(IconFile(), *png);
}

// Asks the desktop to rebuild its caches; a desktop without the tools reads
// the files as they are.
void RefreshDesktopCaches() {
    SpawnProcess({"update-mime-database", JoinPath(DataHome(), "mime")}, SpawnMode::Wait);
    SpawnProcess({"update-desktop-database", JoinPath(DataHome(), "applications")},
                 SpawnMode::Wait);
}

void WriteFirstRunSettings(const std::string& installFolder) {
    Registry user(RegistryRoot::CurrentUser);
    user.SetValue(kProfileKey, "DefaultNotation", "UML.not");
    user.SetValue(kProfileKey, "NotationFolder", JoinPath(installFolder, "Notations"));
    user.SetValue(kProfileKey, "ScriptFolder", JoinPath(installFolder, "Scripts"));
    user.SetValue(kProfileKey, "DefaultLibrary",
                  JoinPath(installFolder, "Libraries/SampleLib.pro"));
    for (const char* extension : {"H", "CPP", "CS", "VXS", "IDL", "JAVA", "RTF"})
        user.SetValue(kViewersKey, extension, DesktopOpener());
    user.Flush(); // settings that cannot be written are left to the first run's defaults
}

} // namespace

std::string MimePackageFile() {
    return JoinPath(DataHome(), "mime/packages/quillmark.xml");
}

std::string ProjectDesktopEntryFile() {
    return JoinPath(DataHome(), "applications/quillmark.desktop");
}

std::string IconFile() {
    return JoinPath(DataHome(), "icons/hicolor/48x48/apps/quillmark.png");
}

std::string TemplateDesktopEntryFile() {
    return JoinPath(DataHome(), "applications/quillmark-template.desktop");
}

void RegisterShellFileTypes(const std::string& installFolder) {
    if (FileExists(MimePackageFile()))
        return;
    const std::string program = ExecArgument(JoinPath(installFolder, kProgramName));
    if (!WriteDataFile(ProjectDesktopEntryFile(), WithProgram(kProjectDesktopEntry, program)) ||
        !WriteDataFile(TemplateDesktopEntryFile(), WithProgram(kTemplateDesktopEntry, program)) ||
        !InstallIcon(installFolder) || !WriteDataFile(MimePackageFile(), MimePackage())) {
        MessageBox("Can't access the Registry on this machine!", PromptIcon::Exclamation);
        return;
    }
    RefreshDesktopCaches();
    WriteFirstRunSettings(installFolder);
}

} // namespace qm
