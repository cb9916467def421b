// The project document: construction, the project file's records in their
// order, new, open, save and close, the template look-up and the title.
#include "document/CCASEDoc.h"
#include "document/DocumentRecords.h"

#include "document/Profile.h"
#include "document/ProjectFile.h"
#include "document/UndoJournal.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/PlaceGroup.h"
#include "kernel/Kernel.h"
#include "kernel/LastError.h"
#include "model/ChangeJournal.h"
#include "model/ListRecords.h"
#include "platform/Errors.h"
#include "platform/FileInRead.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/HeapGrowth.h"
#include "platform/Log.h"
#include "platform/PathHelpers.h"
#include "platform/Prompt.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <typeinfo>
#include <utility>

namespace qm {

using kest::Cell;

namespace {

constexpr const char* kInternal = "<Internal>";
constexpr const char* kProjectFilter = "Project Files (*.pro) | *.pro ||";
constexpr const char* kTemplateFilter = "Notation Template Files (*.not) | *.not ||";
// Heap bytes a project read takes per byte of its text, about.
constexpr size_t kHeapBytesPerTextByte = 8;

// Clears a run-wide flag when the scope ends, also on failure.
class FlagReset {
  public:
    explicit FlagReset(bool& flag) : flag_(flag) {}
    ~FlagReset() { flag_ = false; }
    FlagReset(const FlagReset&) = delete;
    FlagReset& operator=(const FlagReset&) = delete;

  private:
    bool& flag_;
};

} // namespace

bool HasHead(Cell* record, kest::Symbol* head) {
    return kest::ispair(record) && kest::car(record) == head;
}

// A diagram's customModel record. The diagram classes write and check their
// own head; a plain model's record is the part after it.
Cell* WriteModelRecord(ModelDocument* document, Model& model, GuidScope* scope) {
    Cell* record = model.Persist(document, scope, nullptr);
    return HasHead(record, kest::sym::customModel) ? record
                                                   : kest::mkcons(kest::sym::customModel, record);
}

void WriteModelRecord(ModelDocument* document, Model& model, GuidScope* scope, kest::Channel* out) {
    // Every model writes the record of Model::Persist under the head
    // customModel (the one override adds just the head). The fields alone
    // never fit on a line once the model has drawables, so the record breaks
    // after each element and its drawables print one at a time, their cells
    // released after each, as the streaming writer assumes.
    Cell* fields = model.PersistFields(kest::nil);
    const auto& drawables = model.Drawables();
    if (drawables.empty() ||
        kest::printstring(kest::mkcons(kest::sym::customModel, fields)).size() <
            size_t(kest::LineWidth)) {
        kest::prettyprint(WriteModelRecord(document, model, scope), out, 0, 0);
        return;
    }
    size_t count = drawables.size();
    for (Cell* at = fields; at != kest::nil; at = kest::cdr(at))
        ++count;
    kest::PrettyListWriter writer(kest::sym::customModel, count, out, 0, 0);
    for (Cell* at = fields; at != kest::nil; at = kest::cdr(at))
        writer.Element(kest::car(at));
    for (const auto& drawable : drawables) {
        const kest::HeapMark outer = kest::pushmark();
        try {
            writer.Element(drawable->Persist(scope, kest::nil));
        } catch (...) {
            kest::popmark(outer);
            throw;
        }
        kest::popmark(outer);
    }
    writer.End();
}

namespace {

// The start of the next record: of a list only the opening bracket and the
// head are read (open and head set), so that the rest can be read in pieces;
// anything else, and the empty list, is read whole (open 0).
struct RecordStart {
    int open = 0;
    Cell* head = nullptr;
    Cell* whole = nullptr;
};

RecordStart StartRecord(kest::Channel* ch) {
    RecordStart start;
    start.open = kest::readlistopen(ch);
    if (start.open == 0) {
        start.whole = kest::readexpr(ch);
        return start;
    }
    start.head = kest::readlistelement(ch, start.open);
    if (start.head == nullptr) {
        start.open = 0;
        start.whole = kest::nil;
    }
    return start;
}

// The elements of a record read from the file one at a time, after those
// already read (held, given first). Releasing lets go of every cell made
// since the heap's mark, once the held elements are handed out.
class FileRecordElements : public RecordElements {
  public:
    FileRecordElements(kest::Channel* ch, int open, HeapMark& mark, Cell* held = kest::nil)
        : ch_(ch), open_(open), mark_(mark), held_(held) {}
    Cell* Next() override {
        if (kest::ispair(held_)) {
            Cell* element = kest::car(held_);
            held_ = kest::cdr(held_);
            return element;
        }
        return kest::readlistelement(ch_, open_);
    }
    void Release() override {
        if (!kest::ispair(held_))
            mark_.Renew(ch_);
    }

  private:
    kest::Channel* ch_;
    int open_;
    HeapMark& mark_;
    Cell* held_;
};

// The record begun by start, as readexpr would have read it.
Cell* WholeRecord(kest::Channel* ch, const RecordStart& start) {
    if (start.open == 0)
        return start.whole;
    return kest::mkcons(start.head, kest::readlistrest(ch, start.open));
}

} // namespace

void ReadModelRecord(ModelDocument* document, Model& model, GuidScope* scope, Cell* record) {
    model.Persist(document, scope, typeid(model) == typeid(Model) ? kest::cdr(record) : record);
}

CCASEDoc::CCASEDoc(DocumentContext& context, bool hidden)
    : context_(context), hidden_(hidden), version_(std::atof(kest::versions().program.c_str())) {
    const qm::Profile& settings = *context_.profile;
    SetPageSize(settings.PageSetup.PaperWidth, settings.PageSetup.PaperHeight);
    journalFile_ = NextJournalFileName();
    journal_ = std::make_unique<UndoJournal>(*this, journalFile_);
    changes_ = std::make_unique<DocumentChangeJournal>(*this);
    language_ = settings.Language;
}

CCASEDoc::~CCASEDoc() {
    ReleaseContents();
    ReleaseTemplate();
    // The journal file claimed at the start goes with the document, also
    // when it was never closed as a document (a hidden library document).
    changes_.reset();
    journal_.reset();
    if (!journalFile_.empty())
        DeleteFile(journalFile_);
}

ChangeJournal* CCASEDoc::ChangeRecorder() {
    return changes_.get();
}

void CCASEDoc::ReleaseContents() {
    // Everything goes with the id map, so nothing is unregistered one by one
    // (a scope without a current map); the collection and the list free what
    // they hold. Masters first: a master clears the back link of its submodel.
    GuidScope scope(nullptr, nullptr, static_cast<GuidMap*>(nullptr));
    for (const std::unique_ptr<Master>& master : masters_.Masters())
        master->Detach(&scope);
    for (const std::unique_ptr<Master>& master : removedMasters_)
        master->Detach(&scope);
    for (auto it = models_.rbegin(); it != models_.rend(); ++it)
        (*it)->Detach(&scope);
    for (auto it = removedModels_.rbegin(); it != removedModels_.rend(); ++it)
        (*it)->Detach(&scope);
    models_.clear();
    removedModels_.clear();
}

void CCASEDoc::SetPageSize(int32_t width, int32_t height) {
    pageWidth_ = width / 10;
    pageHeight_ = height / 10;
}

void CCASEDoc::SetRepositoryStamp(const std::string& version, int32_t changed) {
    repositoryVersion_ = version;
    repositoryChanged_ = changed;
}

// ---- template ----

GuidScope CCASEDoc::Scope() {
    GuidMap* tools = template_ != nullptr ? &template_->guidMap : nullptr;
    return GuidScope(&idMap_, tools);
}

void CCASEDoc::SetTemplate(NotationTemplate* notation) {
    ReleaseTemplate();
    template_ = notation;
}

void CCASEDoc::ReleaseTemplate() {
    if (template_ == nullptr)
        return;
    if (template_->editingDocument == this)
        template_->editingDocument = nullptr;
    NotationTemplate* held = template_;
    template_ = nullptr;
    context_.templates->ReleaseTemplate(held);
}

std::string CCASEDoc::TemplateFileName() const {
    return template_ == nullptr ? std::string() : FileNameOfPath(template_->path);
}

bool CCASEDoc::FindTemplate(std::string& name, bool fallBack) {
    const std::string& folder = context_.profile->NotationFolder;
    // A template lives in the notation folder: a name elsewhere is looked up
    // there under its file name (whatever the length of either path).
    if (!folder.empty() && name.compare(0, folder.size(), folder) != 0)
        name = JoinPath(folder, FileNameOfPath(name));
    if (FileNameOfPath(name) == kInternal) {
        name = kInternal;
        return true;
    }
    if (FileExists(name))
        return true;
    if (context_.libraryLoad) {
        name = kInternal;
        return true;
    }
    const std::string missing = "Can't find template \"" + name + "\" \n";
    if (fallBack) {
        MessageBox(missing + "Will use <Internal> template instead.", PromptIcon::Exclamation);
        name = kInternal;
        return true;
    }
    PromptAnswer answer =
        MessageBox(missing + "Would you like to browse for it or another template?",
                   PromptIcon::Question, PromptButtons::YesNo);
    if (answer != PromptAnswer::Yes || context_.dialogs == nullptr)
        return false;
    std::optional<std::string> chosen =
        context_.dialogs->AskOpenFile({"not", "*.not", kTemplateFilter});
    if (!chosen)
        return false;
    name = *chosen;
    return true;
}

// ---- progress and panes ----

void CCASEDoc::BeginProgress(int range) {
    if (Frame() != nullptr)
        Frame()->BeginProgress(range);
}

void CCASEDoc::SetProgress(int position) {
    if (Frame() != nullptr)
        Frame()->SetProgress(position);
}

void CCASEDoc::EndProgress(const std::string& text) {
    if (Frame() != nullptr)
        Frame()->EndProgress(text);
}

// ---- the project file ----

int32_t CCASEDoc::StampChanged() const {
    return repositoryChanged_ != 0 || (!repositoryVersion_.empty() && modified_) ? 1 : 0;
}

namespace {

// What the printer writes, handed on in blocks: a project's text is never
// held whole on its way to the file.
class BlockSink final : public kest::FileObject {
  public:
    static constexpr size_t kBlock = 1 << 16;
    explicit BlockSink(const std::function<void(const std::string&)>& sink) : sink_(sink) {
        block_.reserve(kBlock + kest::ChannelBufferSize);
    }
    size_t Read(char*, size_t) override { return 0; }
    void Write(const char* text, size_t n) override {
        block_.append(text, n);
        if (block_.size() >= kBlock)
            Flush();
    }
    void Flush() override {
        if (block_.empty())
            return;
        sink_(block_);
        block_.clear();
    }
    void Close() override { Flush(); }

  private:
    const std::function<void(const std::string&)>& sink_;
    std::string block_;
};

} // namespace

void CCASEDoc::WriteText(const std::function<void(const std::string&)>& sink) {
    BeginProgress(100);
    try {
        HeapMark mark;
        BlockSink blocks(sink);
        // Each record is printed on its own from column 0 and followed by a
        // line end, as one channel would print them one after the other. The
        // channel lives in the heap's cells: one is made after each release.
        auto print = [&](const std::function<void(kest::Channel*)>& body) {
            kest::Channel* out = kest::mkfilechan(&blocks, kest::ChanWrite, false);
            body(out);
            kest::flushpending(out);
            blocks.Write("\n", 1);
        };
        auto write = [&](Cell* record) {
            print([&](kest::Channel* out) { kest::prettyprint(record, out, 0, 0); });
        };
        write(kest::fileheader(false, kest::sym::project, nullptr, nullptr));
        write(kest::mklist(kest::sym::repository,
                           kest::mkstr(repositoryVersion_.c_str(), repositoryVersion_.size()),
                           kest::mkint(StampChanged()), nullptr));
        std::string templateName = template_ == nullptr ? kInternal : TemplateFileName();
        write(kest::mklist(kest::sym::notation,
                           kest::mkstr(templateName.c_str(), templateName.size()), nullptr));
        SetProgress(10);
        write(profile_.Persist(nullptr));
        for (int folder : {FolderCode, FolderDocs, FolderOther, FolderReversed})
            write(FolderItemsScriptor(folders_.Of(folder), folder, nullptr, language_));
        SetProgress(20);
        GuidScope scope = Scope();
        print([&](kest::Channel* out) { masters_.WriteRecord(&scope, out); });
        SetProgress(30);
        int position = 30;
        for (const std::unique_ptr<Model>& model : models_) {
            kest::restoremark();
            kest::savemark();
            GuidScope modelScope = Scope();
            print([&](kest::Channel* out) { WriteModelRecord(this, *model, &modelScope, out); });
            if (position < 90)
                SetProgress(position += 10);
        }
        SetProgress(100);
        blocks.Flush();
    } catch (...) {
        EndProgress("Failed");
        throw;
    }
}

std::string CCASEDoc::StoreText() {
    std::string text;
    WriteText([&](const std::string& piece) { text += piece; });
    EndProgress("Saved");
    return text;
}

void CCASEDoc::LoadText(std::string text) {
    const uint64_t bytes = text.size();
    kest::LocalChannel in(std::move(text), kest::ChanRead);
    LoadFrom(in.get(), bytes);
}

void CCASEDoc::LoadFrom(kest::Channel* ch, uint64_t textBytes) {
    // What a project holds in memory is some seven times its text: the heap
    // is readied for that much at once.
    ScopedHeapGrowth heap(static_cast<size_t>(std::min<uint64_t>(textBytes, kMaxProjectFileBytes) *
                                              kHeapBytesPerTextByte));
    DocumentEvents::Batch events(events_);
    unresolvedIds_.clear();
    if (Frame() != nullptr)
        Frame()->ClearLog();
    BeginProgress(100);
    try {
        ReadTimeEvaluationOff noEvaluation;
        HeapMark mark;
        double fileVersion = 0;
        kest::fileheader(false, kest::sym::project, kest::readexpr(ch), &fileVersion);
        version_ = fileVersion;

        Cell* record = kest::readexpr(ch);
        repositoryVersion_.clear();
        if (HasHead(record, kest::sym::repository)) {
            RecordReader reader(kest::cdr(record), "repository");
            repositoryVersion_ = reader.String("version");
            repositoryChanged_ = reader.Int("changed");
            record = kest::readexpr(ch);
        }

        bool named = HasHead(record, kest::sym::notation) && kest::ispair(kest::cdr(record)) &&
                     kest::car(kest::cdr(record))->type == kest::TString;
        ReportOperationFailure(named, "template file name expected", true);
        std::string templateName = kest::car(kest::cdr(record))->a.str;
        if (!HasPathSeparator(templateName) && templateName != kInternal)
            templateName = JoinPath(context_.profile->NotationFolder, templateName);

        profile_.Persist(kest::readexpr(ch));
        FolderItemsScriptor(&folders_.codeFiles, FolderCode, kest::readexpr(ch), language_);
        FolderItemsScriptor(&folders_.docFiles, FolderDocs, kest::readexpr(ch), language_);
        SetProgress(10);
        mark.Renew(ch);

        {
            // A template that cannot be read shows its own failure where it
            // happens; the project read goes on with the check below.
            ScopedFailureDeferral shownAtOnce(false);
            if (!FindTemplate(templateName, false))
                FindTemplate(templateName, true);
            SetTemplate(context_.templates->AcquireTemplate(templateName));
        }
        ReportOperationFailure(template_ != nullptr, "bad template", true);
        SetProgress(20);

        RecordStart next = StartRecord(ch);
        if (next.head == kest::sym::otherFiles) {
            FolderItemsScriptor(&folders_.otherFiles, FolderOther, WholeRecord(ch, next),
                                language_);
            next = StartRecord(ch);
        }
        if (next.head == kest::sym::revFiles) {
            FolderItemsScriptor(&folders_.revFiles, FolderReversed, WholeRecord(ch, next),
                                language_);
            next = StartRecord(ch);
        }
        SetProgress(30);

        GuidScope scope = Scope();
        scope.fileVersion = fileVersion;
        if (next.head != kest::sym::masters)
            ExpectHead(WholeRecord(ch, next), kest::sym::masters);
        // The masters record is most of a large file: it is read one master
        // at a time, each master's cells released once it is built.
        FileRecordElements masterRecords(ch, next.open, mark);
        masters_.ReadRecordElements(&scope, masterRecords);
        SetProgress(40);
        mark.Renew(ch);

        int position = 40;
        for (;;) {
            next = StartRecord(ch);
            if (position < 90)
                SetProgress(position += 10);
            if (next.open == 0 && next.whole == kest::KernelSyms.eof)
                break;
            ReportOperationFailure(next.head == kest::sym::customModel, "customModel expected",
                                   true);
            // The id and the kind tell the model to make; the model then reads
            // them again and its drawables one at a time.
            Cell* leading = kest::nil;
            if (Cell* id = kest::readlistelement(ch, next.open)) {
                Cell* kindCell = kest::readlistelement(ch, next.open);
                leading = kest::mkcons(id, kindCell != nullptr ? kest::mkcons(kindCell, kest::nil)
                                                               : kest::nil);
            }
            RecordReader reader(leading, "customModel");
            reader.Take("id");
            int32_t kind = reader.Int("kind");
            std::unique_ptr<Model> model = CreateModelOfKind(&idMap_, template_, kind);
            if (model == nullptr)
                RecordFormatError("customModel", Format("no diagram of kind %d", kind));
            GuidScope modelScope = Scope();
            modelScope.fileVersion = fileVersion;
            modelScope.unresolved = &unresolvedIds_;
            FileRecordElements modelRecords(ch, next.open, mark, leading);
            model->ReadElements(this, &modelScope, modelRecords);
            models_.push_back(std::move(model));
            if (position < 90)
                SetProgress(position += 10);
            mark.Renew(ch);
        }
    } catch (...) {
        context_.libraryLoad = false;
        EndProgress("Failed");
        throw;
    }
    ResolveRefs(0, 0);
    // The tree is filled once everything it lists has been read: the
    // template's name and tools, and the generated and reversed files.
    events_.NoteProjectTreeChanged();
    SetProgress(100);
    EndProgress("Loaded");
    profile_.ApplyLayout(Frame(), models_.size(),
                         (context_.profile->Settings & kSettingsMaximizeChildFrames) != 0);
}

void CCASEDoc::ResolveRefs(size_t firstMaster, size_t firstModel) {
    GuidScope scope = Scope();
    for (size_t i = firstMaster; i < masters_.Count(); ++i) {
        masters_.At(i)->ResolveRefs(this, &scope, false);
        events_.NoteMaster(masters_.At(i));
    }
    for (size_t i = firstModel; i < models_.size(); ++i)
        models_[i]->ResolveRefs(this, &scope, false);
}

// ---- new, open, save, close ----

bool CCASEDoc::OnNewDocument() {
    DocumentEvents::Batch events(events_);
    const qm::Profile& settings = *context_.profile;
    NotationTemplate* chosen = nullptr;
    if (!context_.newProjectArmed) {
        std::optional<std::string> name;
        if (context_.dialogs != nullptr)
            name =
                context_.dialogs->ChooseTemplate(settings.NotationFolder, settings.DefaultNotation);
        if (name)
            chosen = context_.templates->AcquireTemplate(*name);
    } else {
        FlagReset armed(context_.newProjectArmed);
        std::string name = context_.commandLineTemplate;
        context_.commandLineTemplate.clear();
        if (name.empty()) {
            name = JoinPath(settings.NotationFolder, settings.DefaultNotation);
            if (!FindTemplate(name, true))
                return false;
        }
        chosen = context_.templates->AcquireTemplate(name);
    }
    if (chosen == nullptr)
        return false;
    SetTemplate(chosen);
    // A new project starts with one model, also when no window shows it
    // (batch runs and scripts that make projects save what they build).
    MakeDefaultModel();
    events_.NoteProjectTreeChanged();
    path_.clear();
    modified_ = false;
    SetTitle("");
    if (Frame() != nullptr)
        Frame()->ShowFirstModel();
    modified_ = false;
    if (Frame() != nullptr)
        Frame()->UpdateLibraryPane(true);
    return true;
}

bool CCASEDoc::OnOpenDocument(const std::string& path) {
    if (std::exception_ptr failure = ReadDocument(path)) {
        ReportOpenFailure(failure);
        return false;
    }
    return true;
}

std::exception_ptr CCASEDoc::ReadDocument(const std::string& path) {
    try {
        // Read as the reader goes, so the file's bytes are never held whole.
        ProjectFileInput file(path, "Can't open project file");
        ScopedFileInRead naming(path);
        ScopedFailureDeferral deferred;
        kest::clearlasterror();
        try {
            kest::LocalChannel in(file, kest::ChanRead);
            LoadFrom(in.get(), file.Size());
        } catch (const CKestException& error) {
            // A script error of the reader or of a record ends the read as
            // "KestScript Error"; its own message says what was wrong.
            std::string reason = error.Message();
            if (reason == "KestScript Error" && !kest::lasterror().empty())
                reason = kest::lasterror();
            throw CKestException(reason + ": " + path, error.GetCode());
        }
    } catch (const std::exception&) {
        return std::current_exception();
    }
    SetPathName(path);
    modified_ = false;
    if (Frame() != nullptr)
        Frame()->UpdateLibraryPane(true);
    for (const std::string& id : unresolvedIds_) {
        Log().Show(true);
        Log().Append(Format("%s: a link end names the id \"%s\", which the project does not hold; "
                            "the end is left unconnected and keeps the id.\r\n",
                            path.c_str(), id.c_str()));
    }
    return nullptr;
}

void CCASEDoc::ReportOpenFailure(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        ReportSaveLoadException(error);
    }
}

void CCASEDoc::SaveToFile(const std::string& path) {
    ReplacingFile file(path, "Can't write project file");
    WriteText([&](const std::string& piece) { file.Write(piece); });
    try {
        file.Commit();
    } catch (...) {
        EndProgress("Failed");
        throw;
    }
    EndProgress("Saved");
}

bool CCASEDoc::OnSaveDocument(const std::string& path) {
    if (FileExists(path) && IsReadOnlyFile(path)) {
        MessageBox("Cannot save: project file is read-only", PromptIcon::Exclamation);
        return false;
    }
    try {
        if ((context_.profile->Options & BackupBeforeSave) != 0 && FileExists(path) &&
            !MakeBackupCopy(path))
            throw CKestException(Format("Can't make the backup copy %s.bak: %s", path.c_str(),
                                        LastErrorText().c_str()));
        Journal().RecordChange(this, ChangeKind::ProjectSaved, "(Project Saved)", nullptr, nullptr);
        profile_.CaptureLayout(Frame(), CurrentModelIndex());
        SaveToFile(path);
    } catch (const std::exception& error) {
        ReportSaveLoadException(error);
        return false;
    }
    modified_ = false;
    return true;
}

bool CCASEDoc::OnFileSave() {
    if (path_.empty())
        return OnFileSaveAs();
    return OnSaveDocument(path_);
}

bool CCASEDoc::OnFileSaveAs() {
    if (context_.dialogs == nullptr)
        return false;
    std::optional<std::string> chosen = context_.dialogs->AskSaveFile(
        {"pro", path_.empty() ? std::string("*.pro") : path_, kProjectFilter});
    if (!chosen)
        return false;
    std::string path = TrimRepeatedExtension(*chosen);
    if (!OnSaveDocument(path))
        return false;
    SetPathName(path);
    if (context_.recentFiles)
        context_.recentFiles(path);
    return true;
}

void CCASEDoc::OnCloseDocument() {
    ReleaseTemplate();
    if (!journalFile_.empty())
        DeleteFile(journalFile_);
}

void CCASEDoc::ReportSaveLoadException(const std::exception& error) {
    // A failure check's message held back until the half-done work was gone.
    if (const auto* deferred = dynamic_cast<const CDeferredFailure*>(&error)) {
        deferred->Show();
        return;
    }
    if (dynamic_cast<const CIgnoreException*>(&error) != nullptr)
        return;
    std::string message;
    if (const auto* kest = dynamic_cast<const CKestException*>(&error))
        message = kest->Message();
    else
        message = error.what();
    ShowCommandFailure(message);
}

// ---- title ----

void CCASEDoc::SetPathName(const std::string& path) {
    path_ = path;
    SetTitle(FileNameOfPath(path));
}

void CCASEDoc::SetTitle(const std::string& title) {
    if (template_ == nullptr) {
        title_ = title;
        return;
    }
    std::string name = path_.empty() ? std::string("Untitled") : FileNameOfPath(path_);
    title_ = Format("%s (uses %s, %s, version: %s)", name.c_str(), TemplateFileName().c_str(),
                    IsReadOnlyFile(path_) ? "readonly" : "editable",
                    repositoryVersion_.empty() ? "none" : repositoryVersion_.c_str());
    if (Frame() != nullptr)
        Frame()->SetTemplateLabel(TemplateFileName());
}

// ---- models ----

void CCASEDoc::AddModel(std::unique_ptr<Model> model) {
    models_.push_back(std::move(model));
}

bool CCASEDoc::HasModel(const Model* model) const {
    return std::any_of(models_.begin(), models_.end(),
                       [&](const std::unique_ptr<Model>& m) { return m.get() == model; });
}

size_t CCASEDoc::GetModelIndex(const Model* model) const {
    for (size_t i = 0; i < models_.size(); ++i) {
        if (models_[i].get() == model)
            return i;
    }
    return 0;
}

Model* CCASEDoc::GetModelAt(size_t index) const {
    return index < models_.size() ? models_[index].get() : nullptr;
}

Model* CCASEDoc::FindModelByName(const std::string& name) const {
    for (const std::unique_ptr<Model>& model : models_) {
        if (model->name == name)
            return model.get();
    }
    return nullptr;
}

void CCASEDoc::MoveModel(Model* model, Model* other, bool toFront) {
    auto at = std::find_if(models_.begin(), models_.end(),
                           [&](const std::unique_ptr<Model>& m) { return m.get() == model; });
    if (model == nullptr || at == models_.end()) {
        MessageBeep();
        return;
    }
    std::unique_ptr<Model> moved = std::move(*at);
    models_.erase(at);
    auto before = std::find_if(models_.begin(), models_.end(),
                               [&](const std::unique_ptr<Model>& m) { return m.get() == other; });
    if (other == nullptr || before == models_.end())
        before = toFront ? models_.begin() : models_.end();
    models_.insert(before, std::move(moved));
    modified_ = true;
}

namespace {

// True when list holds drawable, at the top or inside a group's members.
bool HoldsDrawable(const DrawableList& list, const Drawable* drawable, int depth = 0) {
    for (const std::unique_ptr<Drawable>& d : list) {
        if (d.get() == drawable)
            return true;
        Drawable* container = ContainerOf(d.get());
        const DrawableList* members = container != nullptr ? container->MemberList() : nullptr;
        if (members != nullptr && depth < 64 && HoldsDrawable(*members, drawable, depth + 1))
            return true;
    }
    return false;
}

} // namespace

Model* CCASEDoc::FindModelOfDrawable(const Drawable* drawable) const {
    for (const std::unique_ptr<Model>& model : models_) {
        if (HoldsDrawable(model->Drawables(), drawable))
            return model.get();
    }
    return nullptr;
}

Drawable* CCASEDoc::FindPlaceOfMaster(const Master* master, Model** model) const {
    for (const std::unique_ptr<Model>& m : models_) {
        if (Drawable* place = m->FindPlaceOfMaster(master)) {
            if (model != nullptr)
                *model = m.get();
            return place;
        }
    }
    if (model != nullptr)
        *model = nullptr;
    return nullptr;
}

void CCASEDoc::MarkModels(bool flag) {
    for (const std::unique_ptr<Model>& model : models_)
        model->Mark(flag ? 1 : 0, 1, 0);
}

void CCASEDoc::MarkMasters(bool flag) {
    for (const std::unique_ptr<Master>& master : masters_.Masters())
        master->Mark(flag ? 1 : 0, 1, 0);
}

void CCASEDoc::MarkDrawables(bool flag) {
    for (const std::unique_ptr<Model>& model : models_) {
        for (const std::unique_ptr<Drawable>& drawable : model->Drawables())
            drawable->Mark(flag ? 1 : 0, 1, 0);
    }
}

void CCASEDoc::CollectAssociations(Master* master, DrawableRefList& inheritances,
                                   DrawableRefList& realizations, DrawableRefList& compositions,
                                   DrawableRefList& others, const AssociationIndex* index) {
    inheritances.clear();
    realizations.clear();
    compositions.clear();
    others.clear();
    if (index != nullptr) {
        if (const std::vector<Drawable*>* links = index->LinksFrom(master))
            for (Drawable* link : *links)
                link->CollectIfConnected(master, &inheritances, &realizations, &compositions,
                                         &others);
        return;
    }
    for (const std::unique_ptr<Model>& model : models_) {
        for (const std::unique_ptr<Drawable>& drawable : model->Drawables())
            drawable->CollectIfConnected(master, &inheritances, &realizations, &compositions,
                                         &others);
    }
}

namespace {

// The stamp an association index is valid for: each model with its change
// count, in the document's order.
std::vector<std::pair<const Model*, uint64_t>> ModelStamp(const CCASEDoc& document) {
    std::vector<std::pair<const Model*, uint64_t>> stamp;
    stamp.reserve(document.ModelCount());
    for (size_t i = 0; i < document.ModelCount(); ++i) {
        const Model* model = document.GetModelAt(i);
        stamp.emplace_back(model, model->ChangeCount());
    }
    return stamp;
}

} // namespace

CCASEDoc::AssociationIndex::AssociationIndex(const CCASEDoc& document)
    : stamp_(ModelStamp(document)) {
    // The drawables a pass asks are a model's own and the links among the
    // members of its place groups; only links answer.
    auto take = [this](Drawable* drawable) {
        if (auto* link = drawable->IsLink() ? dynamic_cast<Link*>(drawable) : nullptr)
            bySource_[link->GetSourceMaster()].push_back(link);
    };
    for (size_t i = 0; i < document.ModelCount(); ++i) {
        for (const std::unique_ptr<Drawable>& drawable : document.GetModelAt(i)->Drawables()) {
            take(drawable.get());
            if (auto* group = dynamic_cast<PlaceGroup*>(drawable.get()))
                if (const DrawableList* members = std::as_const(*group).MemberList())
                    for (const auto& member : *members)
                        take(member.get());
        }
    }
}

bool CCASEDoc::AssociationIndex::IsCurrent(const CCASEDoc& document) const {
    return stamp_ == ModelStamp(document);
}

const std::vector<Drawable*>* CCASEDoc::AssociationIndex::LinksFrom(const Master* master) const {
    const auto found = bySource_.find(master);
    return found != bySource_.end() ? &found->second : nullptr;
}

ToolModel* CCASEDoc::FindTool(int toolId) const {
    return template_ != nullptr ? template_->GetTool(toolId) : nullptr;
}

ToolBitmap* CCASEDoc::IconStripOf(const ToolModel& tool) const {
    if (tool.iconStrip != nullptr)
        return tool.iconStrip;
    return template_ != nullptr ? &template_->toolBitmap : nullptr;
}

bool CCASEDoc::HoldsIconOf(const ToolModel& tool) const {
    const ToolBitmap* strip = IconStripOf(tool);
    return strip != nullptr && tool.iconSlot >= 0 && tool.iconSlot < strip->SlotCount() &&
           strip->Height() >= kIconHeight;
}

bool CCASEDoc::SaveIconForEdit(const ToolModel& tool) {
    const ToolBitmap* strip = IconStripOf(tool);
    if (!HoldsIconOf(tool)) {
        iconBackup_.Clear();
        return false;
    }
    iconBackup_.Create(kIconWidth, kIconHeight);
    iconBackup_.CopyIcon(*strip, tool.iconSlot, 0);
    iconBackup_.ColourTable() = strip->ColourTable();
    return true;
}

bool CCASEDoc::RestoreIconFromBackup(const ToolModel& tool) {
    ToolBitmap* strip = IconStripOf(tool);
    if (!HoldsIconOf(tool) || iconBackup_.Width() != kIconWidth ||
        iconBackup_.Height() != kIconHeight)
        return false;
    strip->CopyIcon(iconBackup_, 0, tool.iconSlot);
    return true;
}

void CCASEDoc::BindTemplate() {
    if (template_ == nullptr)
        return;
    masters_.BindTools(&template_->guidMap);
    for (const std::unique_ptr<Model>& model : models_)
        model->RebindTools(template_);
}

void CCASEDoc::UpdateLibraryPane(bool fill) {
    if (Frame() != nullptr)
        Frame()->UpdateLibraryPane(fill);
}

void CCASEDoc::AutoSave() {
    if (!path_.empty() && FileExists(path_) && IsReadOnlyFile(path_))
        return;
    OnFileSave();
}

ModelObject* CCASEDoc::FindTopLevelModel(const char* id) {
    if (id == nullptr)
        return nullptr;
    for (const std::unique_ptr<Model>& model : models_) {
        if (std::strcmp(IdOf(model.get()), id) == 0)
            return model.get();
    }
    return nullptr;
}

GuidMap* CCASEDoc::TemplateMap() {
    return template_ != nullptr ? &template_->guidMap : nullptr;
}

int32_t CCASEDoc::CurrentModelIndex() const {
    for (size_t i = 0; i < models_.size(); ++i) {
        if (models_[i].get() == currentModel_)
            return static_cast<int32_t>(i);
    }
    return -1;
}

} // namespace qm
