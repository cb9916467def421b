// CCASEDoc: one open project. It owns the project's masters, models, per-project
// profile, id map and file lists, holds a reference to its notation template,
// and reads and writes the project file. A document may be hidden (the model
// library, the reference project): it then has no window and skips every pane
// update, but reads and writes the same file.
//
// The project file, in record order: the header (kind project), the check-in
// stamp (repository), the template's file name (notation), the genProfile
// record, the codeFiles, docFiles, otherFiles and revFiles lists, the masters
// record and one customModel record per model, then a final newline. Loading
// reads it with read-time evaluation off and the kernel heap marked; saving
// writes the whole text to a temporary file beside the target and renames it
// over the target, so a failed save leaves the previous file as it was.
#pragma once

#include "document/DocumentContext.h"
#include "document/DocumentEvents.h"
#include "document/FolderLists.h"
#include "document/ProjectProfile.h"
#include "drawables/DiagramView.h"
#include "drawables/DrawableModel.h"
#include "drawables/NotationTemplate.h"
#include "model/ChangeJournal.h"
#include "model/GuidMap.h"
#include "model/MasterCollection.h"
#include "model/ModelDocument.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kest {
struct Cell;
struct Channel;
} // namespace kest

namespace qm {

class Drawable;
class Model;
class PagedDevice;
class Place;
class ToolModel;
class UndoJournal;

class CCASEDoc : public ModelDocument {
  public:
    // The empty project of a new or opened document: page size from the print
    // set-up, the journal file named in the private temporary folder, the
    // program's version and the settings' language. No template yet.
    explicit CCASEDoc(DocumentContext& context, bool hidden = false);
    virtual ~CCASEDoc();
    CCASEDoc(const CCASEDoc&) = delete;
    CCASEDoc& operator=(const CCASEDoc&) = delete;

    // ---- the framework's side ----

    // A new project with a template chosen by the dialog, or (armed) the
    // command line's or the default one. False when no template results.
    bool OnNewDocument();
    // Reads the project file. On failure the error has been shown, false is
    // returned, and the document must be discarded.
    bool OnOpenDocument(const std::string& path);
    // OnOpenDocument without the report: null, or the failure that ended the
    // read, which names the file and the reason. Failure checks during the
    // read show nothing then; their message travels in the failure, so that
    // the caller can take the half-read project's window away before it
    // shows the failure (ReportOpenFailure). The document is then to be
    // discarded.
    std::exception_ptr ReadDocument(const std::string& path);
    static void ReportOpenFailure(const std::exception_ptr& failure);
    // Refuses a read-only file ("Cannot save: project file is read-only"),
    // makes the backup when the settings ask for it, captures the layout and
    // writes the file. False (the error shown) when anything fails; the
    // previous file is then left as it was.
    bool OnSaveDocument(const std::string& path);
    // Releases the template and deletes the journal file.
    void OnCloseDocument();
    // Save: to the path, or Save As without one.
    bool OnFileSave();
    // Asks for a path ("Project Files (*.pro) | *.pro ||"); on success it
    // becomes the document's path. False when cancelled or failed.
    bool OnFileSaveAs();
    // Writes the project to path with no read-only check, no backup and no
    // layout capture (batch mode, scripts). Errors are thrown.
    void SaveToFile(const std::string& path);
    // Shows the error of a failed load or save: a CKestException as "Command
    // failed due to an error:\n" and its message, a failure check's message
    // held back (CDeferredFailure) as the check would have shown it; nothing
    // for one already shown.
    static void ReportSaveLoadException(const std::exception& error);

    // Without a template the title as given; otherwise
    // "<file> (uses <template file>, readonly|editable, version: <v>|none)".
    void SetTitle(const std::string& title);
    const std::string& GetTitle() const { return title_; }
    const std::string& GetPathName() const { return path_; }
    // Sets the path and the title that follows from it.
    void SetPathName(const std::string& path);
    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified = true) override {
        modified_ = modified;
        events_.NoteModified();
    }

    // ---- the project file ----

    // Writes the project file's text to sink, piece by piece, in order, with
    // the progress positions; the caller ends the progress ("Saved") once the
    // text is where it belongs. A failure ends it with "Failed" and is thrown.
    void WriteText(const std::function<void(const std::string&)>& sink);
    // The project file's text.
    std::string StoreText();
    // Reads a project file's text into this (empty) document. Errors are
    // thrown; the document is then to be discarded.
    void LoadText(std::string text);
    // The ids that link ends of the text LoadText read name and the project
    // does not hold: those ends are left unconnected and keep their ids.
    const std::vector<std::string>& UnresolvedIds() const { return unresolvedIds_; }

    // Makes name usable: looks it up in the notation folder, accepts the
    // built-in template, an existing file, or (library load) falls back
    // silently; with fallBack tells the user and uses the built-in template;
    // otherwise offers to browse. Returns false when no usable name results.
    bool FindTemplate(std::string& name, bool fallBack);
    // Takes a template (one reference acquired from the context's templates,
    // null for none) and releases the one held before.
    void SetTemplate(NotationTemplate* notation);

    // Resolves the references of the masters from firstMaster on and of the
    // models from firstModel on.
    void ResolveRefs(size_t firstMaster, size_t firstModel);

    // ---- the model list ----

    // Appends a model; the document owns it.
    void AddModel(std::unique_ptr<Model> model);
    bool HasModel(const Model* model) const;
    // The model's position; 0 when it is not in the list.
    size_t GetModelIndex(const Model* model) const;
    // Null when index is out of range.
    Model* GetModelAt(size_t index) const;
    size_t ModelCount() const { return models_.size(); }
    // The first model of exactly that name, or null.
    Model* FindModelByName(const std::string& name) const;
    // Moves model before other; without other to the front (toFront) or the
    // end. Sets the modified flag. A model not in the list only beeps.
    void MoveModel(Model* model, Model* other, bool toFront);
    // The model whose drawables (or whose groups' members) hold drawable, or null.
    Model* FindModelOfDrawable(const Drawable* drawable) const;
    // The first place of master in any model, with its model; null when none.
    Drawable* FindPlaceOfMaster(const Master* master, Model** model) const;
    // Sets (flag) or clears the mark of every model, or of every drawable of
    // every model.
    void MarkModels(bool flag) override;
    void MarkDrawables(bool flag);
    // Sets (flag) or clears the mark of every master.
    void MarkMasters(bool flag) override;
    // Empties the four lists, then asks every drawable of every model for its
    // associations with master. With a current index (below) only the links
    // that start at master are asked, in the same order.
    class AssociationIndex;
    void CollectAssociations(Master* master, DrawableRefList& inheritances,
                             DrawableRefList& realizations, DrawableRefList& compositions,
                             DrawableRefList& others, const AssociationIndex* index = nullptr);
    // The template's tool of that id, or null.
    ToolModel* FindTool(int toolId) const;
    // Binds the masters, then every model, to the current template.
    void BindTemplate();

    // ---- icon editing ----

    // The strip the tool's icon lives in: the tool's own, else the
    // template's; null when there is neither.
    ToolBitmap* IconStripOf(const ToolModel& tool) const;
    // That strip holds the tool's whole 16 x 15 cell.
    bool HoldsIconOf(const ToolModel& tool) const;
    // Keeps the tool's icon (the 16 x 15 cell at x = 16 x its slot of the
    // strip) with the strip's colour table as the icon an edit starts from.
    // False, with nothing kept, when the slot lies outside the strip.
    bool SaveIconForEdit(const ToolModel& tool);
    // Copies the kept icon into the tool's cell of the strip. False, the
    // strip unchanged, when no icon is kept or the slot lies outside it.
    bool RestoreIconFromBackup(const ToolModel& tool);
    // The kept icon: a strip of one 16 x 15 slot; empty when none is kept.
    ToolBitmap& IconBackup() { return iconBackup_; }
    const ToolBitmap& IconBackup() const { return iconBackup_; }
    // Tells the window to refill (fill) or empty its library list.
    void UpdateLibraryPane(bool fill);
    // The auto-save timer's step: nothing when the file exists read-only,
    // else Save.
    void AutoSave();
    Model* CurrentModel() const { return currentModel_; }
    void SetCurrentModel(Model* model) {
        currentModel_ = model;
        events_.NoteCurrentModel();
    }
    // The current model's position, -1 when it is not in the list.
    int32_t CurrentModelIndex() const;

    // ---- printing (DocumentPrinting.cpp) ----

    // Prints the project on device at scale percent. The option bits
    // (PrintOption) choose what: the models (this model, it with its
    // submodels, or all of them), the model tree, or the template's tools;
    // fit-to-page and the footer go on to each model. No device: "No
    // accessible printer!" and nothing printed. A failure ends the job
    // ("Print aborted"; a kernel error's message gets "; print job
    // aborted") and is passed on. Returns the number of pages printed.
    int Print(PagedDevice* device, uint32_t options, int scalePercent);

    // ---- what the model and the drawables ask of the document ----

    // The masters reached from master over class links (inheritance links,
    // and realization links to interface masters) whose target is a class
    // master; the most recently found first, master itself not included.
    std::vector<Master*> CollectNestedMasters(Master* master) override;
    // The model of the list whose id is the text, or null.
    ModelObject* FindTopLevelModel(const char* id) override;
    GuidMap* ProjectMap() override { return &idMap_; }
    GuidMap* TemplateMap() override;

    // ---- masters and models (DocumentMasters.cpp) ----

    // The master of that kind, name and namespace with one more reference, or
    // a new one with count 1; it joins (or updates) the master lister.
    Master* NewMaster(int kind, const std::string& name, const std::string& nameSpace) override;
    // Inserts at the front, or at index; the document owns the master.
    Master* AddMaster(std::unique_ptr<Master> master);
    Master* InsertMasterAt(size_t index, std::unique_ptr<Master> master);
    bool HasMaster(const Master* master) const { return masters_.Contains(master); }
    Master* FindMaster(int kind, const std::string& name, const std::string& nameSpace) const {
        return masters_.FindMaster(kind, name, nameSpace);
    }
    // Takes a master out of the collection (it must have count 0): its
    // exploded submodel under parent is removed with it; the master goes to
    // the change being prepared and is kept by the document for the journal.
    void RemoveMaster(Master* master, Model* parent, bool flag);
    // The editing operations' form: a master taken out with no parent model.
    void RemoveMaster(Master* master) override { RemoveMaster(master, nullptr, false); }
    // Deletes the marked masters whose reference count is 0 (kind Delete
    // "Delete Masters" or Cut "Cut Masters"); the others stay, with
    // "Only masters with a reference count of zero are deleted!". Returns
    // the number deleted.
    int DeleteMasters(ChangeKind kind, bool noJournal);
    // The master the place is to use after its name text becomes name (see
    // the .cpp for the instance-name and sharing rules).
    Master* RenamePlaceMaster(Place* place, const std::string& name, const std::string& nameSpace,
                              bool keepWhole);
    // "Untitled N" with N one more than the highest number after "Untitled"
    // in a model name.
    std::string NewModelName() const;
    // A model of the kind with the template's settings, the page size and a
    // new name, child of parent, appended to the model list. Null for a kind
    // no model is made of.
    Model* NewModel(int kind, Model* parent);
    ModelObject* NewSubmodel(int kind, Master* master, ModelObject* parent) override;
    // A project without models gets its first one: "Untitled", of the
    // default kind, with the document's page size. Null (nothing made) when
    // the project has models or the kind cannot be made.
    Model* MakeDefaultModel();
    // The flag of a model taken out of the project.
    static constexpr uint32_t ModelRemoved = 0x200;
    // Takes the model (and, unless flag, its submodels) out of the list;
    // removed models get ModelRemoved and are kept by the document for the
    // journal. False when the model was not in the list.
    bool RemoveModel(Model* model, bool flag);
    // The masters clipboard file: "Quillmark.clp" in the private temporary
    // folder. Throws when there is no such folder.
    static std::string ClipboardFile();
    // Whether the masters clipboard file is there to paste (what enables
    // Paste); false also when there is no temporary folder.
    static bool ClipboardFileExists();
    // Writes the masters clipboard file: the marked masters, the marked
    // models and the selection of model. Throws when it cannot be written.
    void CopyToClipboardFile(Model* model, const std::vector<Drawable*>& selection);
    // The editing operations' form of the same: model must be a model of
    // this document and every entry a drawable; anything else is passed over.
    void CopyToClipboardFile(ModelObject* model,
                             const std::vector<ModelObject*>& drawables) override;
    // Reads the masters clipboard file into the project: its masters and
    // models, and (intoModel) its drawables into target at offset. A
    // malformed file pastes nothing and is thrown. Returns whether anything
    // was pasted.
    bool PasteFromClipboardFile(bool intoModel, Model* target, CPoint offset);
    // Objects taken out of the project, kept for the journal that can put
    // them back.
    const std::vector<std::unique_ptr<Master>>& RemovedMasters() const { return removedMasters_; }
    const std::vector<std::unique_ptr<Model>>& RemovedModels() const { return removedModels_; }
    // Hands a removed master or model over to the journal that recorded its
    // removal (null when the document does not keep it).
    std::unique_ptr<Master> TakeRemovedMaster(const Master* master);
    std::unique_ptr<Model> TakeRemovedModel(const Model* model);
    // Takes a model out of the list for good (the journal's undo of the
    // change that made it); null when the list does not hold it.
    std::unique_ptr<Model> TakeModel(const Model* model);
    // Puts a model into the list at index (clamped).
    void InsertModelAt(size_t index, std::unique_ptr<Model> model);

    // ---- three-way merge (DocumentMerge.cpp) ----

    // Makes this new, empty document the merge of base with its two edited
    // versions mine and theirs: every master, member record, model and
    // drawable follows the object rule (kept, deleted or merged by what each
    // version did to it) and every field the field rules (a change made only
    // in mine is kept, every conflict goes to theirs). The result takes
    // theirs' template and profile and resultName as its repository item.
    // Base and mine are first switched to theirs' template when theirs'
    // differs. Throws CKestException "Can't get template '<name>'" when a
    // template cannot be acquired; the document is then to be discarded.
    void MergeProjects(CCASEDoc& base, CCASEDoc& mine, CCASEDoc& theirs,
                       const std::string& resultName);

    // ---- members ----

    DocumentContext& Context() { return context_; }
    // The document's events: windows observe them; every change path ends
    // by publishing what it changed.
    DocumentEvents& Events() { return events_; }
    MasterCollection& Masters() { return masters_; }
    GuidMap& IdMap() { return idMap_; }
    ProjectProfile& Profile() { return profile_; }
    FolderLists& Folders() { return folders_; }
    NotationTemplate* Template() const { return template_; }
    // The window; null for a hidden document or one not yet shown.
    DocumentFrame* Frame() const { return hidden_ ? nullptr : frame_; }
    void SetFrame(DocumentFrame* frame) { frame_ = frame; }
    // The diagram views that show the document; each view attaches itself
    // for its life, and the model's editing operations reach them here.
    DiagramViews& AttachedViews() { return views_; }
    DiagramView* Views() override { return &views_; }
    bool IsHidden() const { return hidden_; }
    const std::string& JournalFileName() const { return journalFile_; }
    // The project's undo journal, writing to JournalFileName().
    UndoJournal& GetJournal() { return *journal_; }
    ChangeJournal* ChangeRecorder() override;
    int32_t PageWidth() const override { return pageWidth_; }
    int32_t PageHeight() const override { return pageHeight_; }
    // Width and height in thousandths of an inch, kept in hundredths.
    void SetPageSize(int32_t width, int32_t height);
    double Version() const { return version_; }
    const std::string& Language() const { return language_; }
    void SetLanguage(const std::string& language) { language_ = language; }
    const std::string& RepositoryVersion() const { return repositoryVersion_; }
    int32_t RepositoryChanged() const { return repositoryChanged_; }
    void SetRepositoryStamp(const std::string& version, int32_t changed);
    bool AskBeforeAutoSave() const { return askBeforeAutoSave_; }
    void SetAskBeforeAutoSave(bool ask) { askBeforeAutoSave_ = ask; }

  private:
    friend class ProjectMerger;

    // LoadText's work on a channel that reads the text; textBytes is its
    // length as far as known (it sizes the heap ahead of the read).
    void LoadFrom(kest::Channel* ch, uint64_t textBytes);

    // Switches to the template of that path, acquired through the context,
    // and binds masters and models to it; throws when it cannot be acquired.
    void SwitchTemplate(const std::string& path);
    void BeginProgress(int range);
    void SetProgress(int position);
    void EndProgress(const std::string& text);
    void ReleaseTemplate();
    // The check-in stamp's changed flag as it is written.
    int32_t StampChanged() const;
    std::string TemplateFileName() const;
    GuidScope Scope();
    void ReleaseContents();

    DocumentContext& context_;
    DocumentEvents events_{*this};
    DiagramViews views_;
    MasterCollection masters_;
    std::vector<std::unique_ptr<Model>> models_;
    std::vector<std::unique_ptr<Master>> removedMasters_;
    std::vector<std::unique_ptr<Model>> removedModels_;
    Model* currentModel_ = nullptr;
    ProjectProfile profile_;
    GuidMap idMap_;
    // The ids that link ends of the last project text read name and the
    // project does not hold, in the order read.
    std::vector<std::string> unresolvedIds_;
    FolderLists folders_;
    NotationTemplate* template_ = nullptr;
    DocumentFrame* frame_ = nullptr;
    std::string journalFile_;
    std::unique_ptr<UndoJournal> journal_;
    std::unique_ptr<ChangeJournal> changes_;
    ToolBitmap iconBackup_;
    int32_t pageWidth_ = 0;
    int32_t pageHeight_ = 0;
    bool hidden_;
    bool askBeforeAutoSave_ = true;
    int32_t repositoryChanged_ = 0;
    std::string repositoryVersion_;
    double version_;
    std::string language_;
    std::string path_;
    std::string title_;
    bool modified_ = false;
};

// The links of a project by the master they start at, gathered in one pass
// over every model, for a caller that asks after the associations of many
// masters (a generator asks once per class): each question then costs the
// master's own links instead of a pass over the whole project. Valid while
// the project's models keep their list and their change counts.
class CCASEDoc::AssociationIndex {
  public:
    explicit AssociationIndex(const CCASEDoc& document);
    bool IsCurrent(const CCASEDoc& document) const;
    // The links that may start at master, in the order of a pass over the
    // models; null when there are none.
    const std::vector<Drawable*>* LinksFrom(const Master* master) const;

  private:
    std::vector<std::pair<const Model*, uint64_t>> stamp_;
    std::unordered_map<const Master*, std::vector<Drawable*>> bySource_;
};

} // namespace qm
