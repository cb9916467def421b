// What a project document needs of the application around it: the user
// settings, the shared notation templates, the file dialogs, the window that
// shows it, and the run-wide flags of new and library projects. The shell
// fills one context at start-up; tests and hidden documents fill their own.
#pragma once

#include "document/ProjectProfile.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace qm {

class Master;
class NotationTemplate;
class Profile;

// The notation templates shared between documents, acquired by name.
class TemplateList {
  public:
    virtual ~TemplateList() = default;
    // The loaded template whose file name or whole name equals path's, with a
    // reference added; else a template built from path (a file, or the
    // built-in template for "<Internal>"). Null when it cannot be built.
    virtual NotationTemplate* AcquireTemplate(const std::string& path) = 0;
    // Drops one reference; the last one deletes the template. Null is ignored.
    virtual void ReleaseTemplate(NotationTemplate* notation) = 0;
};

// The file dialogs a document shows.
struct FileDialogRequest {
    std::string defaultExtension; // without the dot
    std::string initialName;      // a path or a pattern such as "*.pro"
    std::string filter;           // "Project Files (*.pro) | *.pro ||"
};

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // A file that exists, or nothing when the user cancels.
    virtual std::optional<std::string> AskOpenFile(const FileDialogRequest& request) = 0;
    // A file to save to (the user has confirmed overwriting), or nothing.
    virtual std::optional<std::string> AskSaveFile(const FileDialogRequest& request) = 0;
    // The "Choose a Template" dialog: the path of the chosen template, or nothing.
    virtual std::optional<std::string> ChooseTemplate(const std::string& folder,
                                                      const std::string& defaultNotation) = 0;
};

// The window of a document: its frame with the library pane and the status
// bar's progress. A hidden document has none. The project tree and the
// master lister follow the document's events.
class DocumentFrame : public ProjectFrame {
  public:
    virtual void BeginProgress(int range) = 0;
    virtual void SetProgress(int position) = 0;
    // Ends the progress and shows the status word ("Loaded", "Saved", "Failed").
    virtual void EndProgress(const std::string& text) = 0;
    virtual void ClearLog() = 0;
    // The template folder of the project tree is labelled with this name.
    virtual void SetTemplateLabel(const std::string& name) = 0;
    // Shows the document's first model (a new document).
    virtual void ShowFirstModel() = 0;
    // Empties the reference-project list, then with fill offers the library's masters.
    virtual void UpdateLibraryPane(bool fill) = 0;
};

// The application's side of every document.
struct DocumentContext {
    Profile* profile = nullptr;        // the user settings; must be set
    TemplateList* templates = nullptr; // must be set
    FileDialogs* dialogs = nullptr;    // null: every dialog is cancelled
    // A new project asked for by the command line or batch mode (no dialog):
    // its template, or the default one when empty.
    bool newProjectArmed = false;
    std::string commandLineTemplate;
    // A library or reference project is being read: a missing template falls
    // back to the built-in one without a word.
    bool libraryLoad = false;
    // Adds a path to the recent-file list; may be empty.
    std::function<void(const std::string&)> recentFiles;
};

// Sets a context's library-load flag while a library or reference project
// is read, and clears it when reading ends, also on failure.
class ScopedLibraryLoad {
  public:
    explicit ScopedLibraryLoad(DocumentContext& context) : flag_(context.libraryLoad) {
        flag_ = true;
    }
    ~ScopedLibraryLoad() { flag_ = false; }
    ScopedLibraryLoad(const ScopedLibraryLoad&) = delete;
    ScopedLibraryLoad& operator=(const ScopedLibraryLoad&) = delete;

  private:
    bool& flag_;
};

} // namespace qm
