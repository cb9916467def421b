// Registers the three file types (projects, notation templates, scripts) with
// the desktop and writes the first-run settings that name the installed
// folders. Desktops read a shared-mime-info package and desktop entries under
// $XDG_DATA_HOME (default ~/.local/share).
#pragma once

#include <string>

namespace qm {

// The types as the desktop knows them.
inline constexpr const char* kProjectMimeType = "application/x-quillmark-project";
inline constexpr const char* kTemplateMimeType = "application/x-quillmark-template";
inline constexpr const char* kScriptMimeType = "application/x-quillmark-script";

// The files the registration writes, below the data folder.
std::string MimePackageFile();          // mime/packages/quillmark.xml
std::string ProjectDesktopEntryFile();  // applications/quillmark.desktop
std::string TemplateDesktopEntryFile(); // applications/quillmark-template.desktop
std::string IconFile();                 // icons/hicolor/48x48/apps/quillmark.png

// Registers the types with installFolder (the folder of the quillmark
// program) unless they are registered already, in which case nothing at all
// is done. Writes the desktop entries (open, new and print a project, new
// project from a template), their icon (installFolder/Icons/quillmark.png,
// when there) and the mime package, asks the desktop to refresh
// its caches, then sets the user's "DefaultNotation", "NotationFolder",
// "ScriptFolder" and "DefaultLibrary" settings and the viewers of the
// generated-code extensions. Shows "Can't access the Registry on this machine!"
// when the data folder cannot be written, and then writes no settings.
void RegisterShellFileTypes(const std::string& installFolder);

} // namespace qm
