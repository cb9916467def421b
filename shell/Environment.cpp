#include "shell/Environment.h"

#include "document/CCASEDoc.h"
#include "image/DiagramImageExport.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "platform/Files.h"
#include "platform/PathHelpers.h"
#include "platform/Process.h"
#include "platform/Prompt.h"
#include "scripting/VxBuiltins.h"

namespace qm {

namespace {
Environment* theEnvironment = nullptr;

// The diagram export of scripts: no window is needed, so it runs the same
// in batch runs and with a frame open.
class SettingsImageWriter : public DiagramImageWriter {
  public:
    explicit SettingsImageWriter(const Profile& settings) : settings_(settings) {}
    void WriteDiagramImage(Model& model, bool selectionOnly, const std::string& path,
                           const std::string& format) override {
        ExportDiagramImage(&model, selectionOnly, path, format,
                           {settings_.MaxImageWidth, settings_.MaxImageHeight});
    }

  private:
    const Profile& settings_;
};

} // namespace

Environment::Environment()
    : installFonts_(&fontFaces),
      installTemplateShell_(this),
      imageWriter_(std::make_unique<SettingsImageWriter>(profile)),
      installImageWriter_(imageWriter_.get()) {
    theEnvironment = this;
    // The kernel registers the model-access built-ins while it starts.
    InstallVxBuiltins();
    kest::initkernel();
    fontFaces.Init();
    profile.SetDefaults();
    context_.profile = &profile;
    context_.templates = this;
    context_.recentFiles = [this](const std::string& path) { documents_->AddToRecentFiles(path); };
    documents_ = std::make_unique<DocumentManager>(context_);
    documents_->LoadRecentFiles();
    fileNewArmed = 0;
    startupProject = 1;
    SetGuidStoreMode(GuidNoStore);
    startProgram = [](const std::vector<std::string>& argv) {
        SpawnProcess(argv, SpawnMode::NoWait);
    };
}

Environment::~Environment() {
    documents_.reset();
    SetGuidStoreMode(GuidStoreAtExit);
    if (theEnvironment == this)
        theEnvironment = nullptr;
}

Environment* Environment::Current() {
    return theEnvironment;
}

NotationTemplate* Environment::AcquireTemplate(const std::string& path) {
    return templates_.AcquireTemplate(path);
}

void Environment::ReleaseTemplate(NotationTemplate* notation) {
    templates_.ReleaseTemplate(notation);
}

std::optional<std::string> Environment::AskTemplatePath(const std::string& initial) {
    if (context_.dialogs == nullptr)
        return std::nullopt;
    FileDialogRequest request;
    request.defaultExtension = "not";
    request.initialName = initial;
    request.filter = "Template Files (*.not) | *.not ||";
    return context_.dialogs->AskSaveFile(request);
}

void Environment::SetDocumentTemplate(ModelDocument* document, NotationTemplate* notation) {
    auto* project = dynamic_cast<CCASEDoc*>(document);
    if (project == nullptr || notation == nullptr)
        return;
    // The caller releases the template held so far: the document's own
    // release of it is balanced here.
    if (NotationTemplate* held = project->Template())
        held->AddRef();
    project->SetTemplate(notation);
    project->BindTemplate();
    project->SetTitle(project->GetTitle());
    project->Events().NoteProjectTreeChanged();
}

void Environment::SaveModifiedTemplates() {
    // Saving may add a template (a copy under the new name): walk by index.
    for (size_t i = 0; i < templates_.Templates().size(); ++i) {
        NotationTemplate& notation = *templates_.Templates()[i];
        if (!notation.modified)
            continue;
        const PromptAnswer answer =
            MessageBox("Save changes to template " + FileNameOfPath(notation.path) + "?",
                       PromptIcon::Exclamation, PromptButtons::YesNoCancel);
        if (answer == PromptAnswer::Yes)
            notation.SaveTemplateAs(ActiveDocument());
    }
}

void Environment::ShowHelpTopic(const std::string& topic) {
    OpenHtmlPage(JoinPath(profile.HelpFolder, topic));
}

void Environment::OpenHtmlPage(const std::string& path) {
    OpenFile(path, true);
}

bool Environment::CopyToolBarIcon(int index, ToolBitmap& strip, int slot) {
    return copyToolBarIcon && copyToolBarIcon(index, strip, slot);
}

void Environment::StopIconEditing(ModelDocument* document) {
    if (stopIconEditing)
        stopIconEditing(document);
}

void Environment::IconStripChanged(NotationTemplate& notation, ModelDocument* document) {
    if (iconStripChanged)
        iconStripChanged(notation, document);
}

void Environment::OpenFile(const std::string& path, bool isHelp) {
    const std::string extension = isHelp ? "htm" : ExtensionOfPath(path);
    if (extension == "pro") {
        OpenDocumentFile(path);
        return;
    }
    // A viewer that the settings name for the extension comes first: here the
    // desktop's opener serves every type, so it would otherwise never be asked.
    if (StartViewer(path, extension))
        return;
    // A help topic may carry an anchor ("Chapter8.html#Tools:Options"); the
    // file itself is what the opener is given.
    const ShellOpenCommand command = FindShellOpenCommand(extension);
    if (command.program.empty()) {
        if (openWithViewer) {
            openWithViewer(path);
            return;
        }
        startProgram({DesktopOpener(), path});
        return;
    }
    std::vector<std::string> argv{command.program};
    // The registered command's own arguments, split at blanks.
    size_t start = 0;
    const std::string& arguments = command.arguments;
    while (start < arguments.size()) {
        const size_t blank = arguments.find(' ', start);
        const size_t end = blank == std::string::npos ? arguments.size() : blank;
        if (end > start)
            argv.push_back(arguments.substr(start, end - start));
        start = end + 1;
    }
    argv.push_back(path);
    startProgram(argv);
}

bool Environment::StartViewer(const std::string& path, const std::string& extension) {
    std::string key = extension;
    const ViewerEntry* viewer = profile.FindViewer(key);
    if (viewer == nullptr || viewer->application.empty() || !FileExists(viewer->application))
        return false;
    startProgram({viewer->application, path});
    return true;
}

CCASEDoc* Environment::OpenDocumentFile(const std::string& path) {
    CCASEDoc* document = documents_->OpenDocument(path);
    startupProject = 0;
    if (document != nullptr)
        active_ = document;
    return document;
}

CCASEDoc* Environment::OnFileNew() {
    CCASEDoc* document = nullptr;
    if (fileNewArmed != 0) {
        // A template named by the command line, or the start-up project,
        // is made without the template dialog.
        if (!newProjectTemplate.empty() || startupProject != 0) {
            context_.newProjectArmed = true;
            context_.commandLineTemplate = newProjectTemplate;
            newProjectTemplate.clear();
        }
        document = documents_->NewDocument();
        context_.newProjectArmed = false;
        context_.commandLineTemplate.clear();
        if (document != nullptr)
            active_ = document;
    }
    fileNewArmed = 1;
    return document;
}

CCASEDoc* Environment::ActiveDocument() const {
    const auto& documents = documents_->Documents();
    for (const auto& document : documents)
        if (document.get() == active_)
            return active_;
    return documents.empty() ? nullptr : documents.back().get();
}

void Environment::ApplyPageSize(int32_t width, int32_t height, bool /*redraw*/) {
    if (profile.PageSetup.PaperWidth == width && profile.PageSetup.PaperHeight == height)
        return;
    profile.PageSetup.PaperWidth = width;
    profile.PageSetup.PaperHeight = height;
    for (const auto& document : documents_->Documents()) {
        document->SetPageSize(width, height);
        document->SetModifiedFlag(true);
    }
}

} // namespace qm
