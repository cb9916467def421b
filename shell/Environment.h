// The environment: made once at start-up and alive for the whole run, the
// place through which every part of the application reaches the user
// settings, the main window, the shared notation templates and the open
// documents.
#pragma once

#include "dialogs/model/DialogServices.h"
#include "document/DocumentContext.h"
#include "document/DocumentManager.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "document/UndoJournal.h"
#include "drawables/FontFaceTable.h"
#include "drawables/NotationTemplate.h"
#include "platform/Process.h"
#include "platform/ScopedInstall.h"
#include "scripting/DiagramImageSeam.h"
#include "shell/panes/Lister.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace qm {

class CCASEDoc;

class Environment : public TemplateList,
                    public TemplateShell,
                    public FileOpener,
                    public DialogHelp {
  public:
    // Starts the kernel, loads the settings (their defaults, then the user's
    // values) and builds the font table.
    Environment();
    // Stores the id generator's counter; releases the documents and templates.
    ~Environment() override;
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    // The one environment, or null outside a run.
    static Environment* Current();

    // ---- templates ----
    NotationTemplate* AcquireTemplate(const std::string& path) override;
    void ReleaseTemplate(NotationTemplate* notation) override;
    // The save dialog of a template ("Template Files (*.not) | *.not ||")
    // through the documents' file dialogs; nothing without them.
    std::optional<std::string> AskTemplatePath(const std::string& initial) override;
    // Gives the document the template (whose reference it takes over) in
    // place of the one it holds, which the caller releases; binds the
    // document's masters and models to it and refills its window's tree.
    void SetDocumentTemplate(ModelDocument* document, NotationTemplate* notation) override;
    // Asks "Save changes to template %s?" for each modified template in
    // order; Yes saves it under a name, No and Cancel go on with the next.
    void SaveModifiedTemplates();
    const TemplateCache& Templates() const { return templates_; }

    // ---- help and files ----
    // Opens a help page of the help folder at its anchor; also what the
    // dialogs' Help buttons call.
    void ShowHelpTopic(const std::string& topic) override;
    void OpenHtmlPage(const std::string& path);
    // Opens a file: a project becomes a document; any other file goes to the
    // program the desktop registers for its extension (started with an
    // argument vector, never through a command interpreter), else to the
    // viewer of the settings, else to the desktop's opener.
    void OpenFile(const std::string& path, bool isHelp) override;
    // Starts the viewer the settings name for the extension when its program
    // exists; false when there is none.
    bool StartViewer(const std::string& path, const std::string& extension);
    // The main frame's rule for a file no program opens (its questions);
    // unset, the desktop's opener is tried.
    std::function<void(const std::string& path)> openWithViewer;

    // The tool-bar icons a template asks for, answered by the main frame
    // while it exists: an icon of the custom bar's strip copied into a
    // template's strip, icon editing of a document stopped, and the bar and
    // palettes following a template's strip of a new size.
    bool CopyToolBarIcon(int index, ToolBitmap& strip, int slot) override;
    void StopIconEditing(ModelDocument* document) override;
    void IconStripChanged(NotationTemplate& notation, ModelDocument* document) override;
    std::function<bool(int index, ToolBitmap& strip, int slot)> copyToolBarIcon;
    std::function<void(ModelDocument* document)> stopIconEditing;
    std::function<void(NotationTemplate& notation, ModelDocument* document)> iconStripChanged;

    // ---- documents ----
    // Opens a project (the framework's open), clearing startupProject.
    CCASEDoc* OpenDocumentFile(const std::string& path);
    // File New: makes a document only once armed, and always arms.
    CCASEDoc* OnFileNew();
    // The document of the active window (the last made when none is active).
    CCASEDoc* ActiveDocument() const;
    void SetActiveDocument(CCASEDoc* document) { active_ = document; }

    // Stores a new page size (thousandths of an inch) in the settings and in
    // every open document, marking them modified; equal sizes change nothing.
    void ApplyPageSize(int32_t width, int32_t height, bool redraw);

    Profile& Settings() { return profile; }
    DocumentManager& Documents() { return *documents_; }
    DocumentContext& Context() { return context_; }

    // Starts a program with arguments (the platform's spawn); tests replace it.
    std::function<void(const std::vector<std::string>&)> startProgram;

    FontFaceTable fontFaces;
    Profile profile;
    std::string newProjectTemplate;
    int32_t fileNewArmed = 0;
    int32_t startupProject = 1;
    const std::string programVersion = "8.0";
    const std::string buildNumber = "840";
    const std::string kernelVersion = "2.0";
    const std::string kernelBuild = "265";

  private:
    TemplateCache templates_;
    DocumentContext context_;
    std::unique_ptr<DocumentManager> documents_;
    CCASEDoc* active_ = nullptr;
    ScopedInstall<FontFaceTable> installFonts_;
    // Every layer reads the options, the setting word and the snap size of
    // the loaded settings through the user-settings seam.
    ProfileUserSettings userSettings_{profile};
    ScopedInstall<const UserSettings> installUserSettings_{&userSettings_};
    ScopedInstall<TemplateShell> installTemplateShell_;
    // Scripts export diagram images with the settings' image limits.
    std::unique_ptr<DiagramImageWriter> imageWriter_;
    ScopedInstall<DiagramImageWriter> installImageWriter_;
    // Attachments of drawables open through OpenFile.
    ScopedFileOpener installOpener_{this};
    ScopedDialogHelp installDialogHelp_{this};
    // Scripts read the masters selected in a project window's lister.
    ListerSelection listerSelection_;
    ScopedInstall<MasterListerSelection> installListerSelection_{&listerSelection_};
};

} // namespace qm
