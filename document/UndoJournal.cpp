// The undo journal: recording into the journal file, the record forms of the
// kinds the editing operations record, and undo and redo.
#include "document/UndoJournal.h"
#include "document/UndoJournalRecords.h"

#include "document/CCASEDoc.h"
#include "document/ProjectFile.h"
#include "drawables/DiagramView.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "kernel/Kernel.h"
#include "model/Master.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/Prompt.h"

#include <algorithm>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace qm {

using kest::Cell;
using kest::nil;

namespace {

using namespace journal;

// How far a recorded change may reach beyond the objects it names: the
// kinds below change the fields of what they name (a master's, or a
// drawable's geometry, looks and text in the model they name) and their
// other effects stay in that model; the rest are compared whole.
ChangeReach ReachOf(ChangeKind kind, const ModelObject* current) {
    switch (kind) {
    case ChangeKind::PropertyChanges:
        // A model's or a diagram type's properties may show anywhere.
        return dynamic_cast<const Master*>(current) != nullptr ||
                       dynamic_cast<const Drawable*>(current) != nullptr
                   ? ChangeReach::Named
                   : ChangeReach::Anywhere;
    case ChangeKind::TextEdit:
    case ChangeKind::LooksChange:
    case ChangeKind::AutoSizeDrawable:
    case ChangeKind::MoveDrawables:
        return ChangeReach::Named;
    default:
        return ChangeReach::Anywhere;
    }
}

constexpr const char* kCantOpen = "Can't open undo file";
// A record larger than this is taken for a damaged offset.
constexpr uint32_t kMaxRecordBytes = 1u << 30;

// An open file descriptor, closed on every path out.
class FileHandle {
  public:
    FileHandle(const std::string& path, int flags) : fd_(::open(path.c_str(), flags, 0600)) {}
    ~FileHandle() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }

  private:
    int fd_;
};

uint64_t FileLength(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw CKestException(kCantOpen);
    return static_cast<uint64_t>(info.st_size);
}

bool WriteAll(int fd, const std::string& bytes, uint64_t offset) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                             static_cast<off_t>(offset + done));
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

const Model* AsModel(const ModelObject* object) {
    return dynamic_cast<const Model*>(object);
}

bool IsToolModelObject(const ModelObject* object) {
    const Model* model = AsModel(object);
    return model != nullptr && model->IsToolModel();
}

// The text to show for a failure; empty for one already shown.
std::string MessageOf(const std::exception& error) {
    if (dynamic_cast<const CIgnoreException*>(&error) != nullptr)
        return {};
    if (const auto* kest = dynamic_cast<const CKestException*>(&error))
        return kest->Message();
    return error.what();
}

void Show(const std::string& message) {
    if (!message.empty())
        MessageBox(message, PromptIcon::Exclamation);
}

} // namespace

UndoJournal::UndoJournal(CCASEDoc& document, std::string fileName)
    : document_(document),
      fileName_(std::move(fileName)),
      scope_(document.ProjectMap(), document.TemplateMap()) {
    // The file was claimed (created) with its name; it is emptied, never
    // removed, so that the name stays this journal's.
    if (!fileName_.empty())
        FileHandle emptied(fileName_, O_WRONLY | O_CREAT | O_TRUNC);
}

UndoJournal::~UndoJournal() {
    DestroyHeld();
}

// ---- recording ----

void UndoJournal::BeginGroup() {
    groupStart_ = position_;
    document_.Events().BeginGroup();
}

void UndoJournal::EndGroup() {
    if (groupStart_ < 0)
        return;
    for (int32_t i = groupStart_; i + 1 < position_; ++i) {
        records_[static_cast<size_t>(i)].flags |= GroupContinues;
        records_[static_cast<size_t>(i) + 1].flags |= GroupContinued;
    }
    groupStart_ = -1;
    document_.Events().EndGroup();
}

void UndoJournal::BeginChange(ChangeKind kind) {
    // Another change ends message renumbering first, so that the messages
    // renumbered so far are recorded before the lists are emptied.
    if (kind != ChangeKind::RenumberMessages)
        ViewOf(&document_).EndRenumberMessages(&document_);
    pending_ = PendingChange();
    // Objects handed over for a change that was never recorded go now.
    DestroyHeld();
    if (kind == ChangeKind::Delete || kind == ChangeKind::Cut || kind == ChangeKind::GroupAsPlace ||
        kind == ChangeKind::CreateSwimlane || kind == ChangeKind::PlaceMasterSwitch) {
        for (const std::unique_ptr<Master>& master : document_.Masters().Masters())
            pending_.masterOrder.push_back(master.get());
    }
    if (kind == ChangeKind::Delete || kind == ChangeKind::Cut) {
        for (size_t i = 0; i < document_.ModelCount(); ++i)
            pending_.modelOrder.push_back(document_.GetModelAt(i));
    }
}

void UndoJournal::DropChange() {
    pending_ = PendingChange();
    DestroyHeld();
}

void UndoJournal::HoldRemovedObject(std::unique_ptr<ModelObject> object) {
    if (object != nullptr)
        held_.push_back(std::move(object));
}

void UndoJournal::AddPoints(const std::vector<CPoint>& points) {
    pending_.oldVertices.insert(pending_.oldVertices.end(), points.begin(), points.end());
}

void UndoJournal::AddChangedObject(ModelObject* object, std::unique_ptr<ModelObject> previous) {
    pending_.changed.push_back(object);
    pending_.previous.push_back(std::move(previous));
}

void UndoJournal::RecordChange(ChangeKind kind, const std::string& description, ModelObject* model,
                               ModelObject* current) {
    // An annotation recorded without its model is about a place of one of
    // the document's models: the record names that model.
    if (model == nullptr && current != nullptr) {
        if (auto* drawable = dynamic_cast<Drawable*>(current))
            model = document_.FindModelOfDrawable(drawable);
    }
    scope_ = GuidScope(document_.ProjectMap(), document_.TemplateMap(), IsToolModelObject(model));
    // The record ends the change prepared since BeginChange: however it
    // ends, no later record (a save's marker, a record made without a
    // BeginChange of its own) reads its objects, which an undo or redo may
    // free from now on.
    struct EndChange {
        PendingChange& pending;
        ~EndChange() { pending = PendingChange(); }
    } endChange{pending_};
    // What the last replay asked to show names objects this change may
    // have taken away.
    modelToShow_ = nullptr;
    toSelect_.clear();
    // The change is made whether or not its record is written: the
    // document's observers hear of it either way.
    document_.Events().NoteChanged(model, current, pending_.changed, ReachOf(kind, current));
    try {
        HeapMark mark;
        Cell* form = BuildForm(kind, model, current);
        if (form != nil)
            Append(kind, description, form);
    } catch (const std::exception& error) {
        scope_.membersById = false;
        scope_.held = nullptr;
        Show(MessageOf(error));
        document_.Events().Publish();
        return;
    }
    // What the change removed is in the record now: it goes.
    DestroyHeld();
    MarkModified(model);
    document_.Events().Publish();
}

void UndoJournal::MarkModified(ModelObject* model) {
    if (IsToolModelObject(model) && document_.Template() != nullptr) {
        document_.Template()->modified = true;
        return;
    }
    document_.SetModifiedFlag(true);
}

Cell* UndoJournal::BuildForm(ChangeKind kind, ModelObject* model, ModelObject* current) {
    const Handler& handler = HandlerOf(kind);
    if (handler.build == nullptr)
        return nil;
    const FormArgs args{kind, dynamic_cast<Model*>(model),
                        kest::intern(IsToolModelObject(model) ? "toolModel" : "model"),
                        Str(model != nullptr ? model->Id().Text() : ""), current};
    Cell* form = (this->*handler.build)(args);
    if (form != nil) {
        if (Cell* followers = FollowersForm(args.model); followers != nil)
            kest::nconc(form, kest::mklist(followers, nullptr));
    }
    return form;
}

void UndoJournal::Append(ChangeKind kind, const std::string& description, Cell* form) {
    for (;;) {
        FileHandle file(fileName_, O_RDWR | O_CREAT);
        if (!file.ok())
            throw CKestException(kCantOpen);
        int32_t megabytes = static_cast<int32_t>(
            std::min<uint64_t>(FileLength(file.get()) >> 20, std::numeric_limits<int32_t>::max()));
        if (megabytes > warnedMegabytes_ && groupStart_ < 0) {
            warnedMegabytes_ = megabytes;
            std::string question = Format("The undo journal file has exceeded %d MB.\nDo you "
                                          "want to reset it and clear undo history?",
                                          megabytes);
            if (MessageBox(question, PromptIcon::Question, PromptButtons::YesNo) ==
                PromptAnswer::Yes) {
                Reset();
                continue;
            }
        }
        JournalRecord record;
        record.description = description;
        record.kind = static_cast<int32_t>(kind);
        record.start = position_ > 0 ? records_[static_cast<size_t>(position_) - 1].end : 0;
        std::string text = ";; " + description + ":\n" + kest::prettystring(form) + "\n\n";
        uint64_t end = uint64_t{record.start} + text.size();
        if (end > std::numeric_limits<uint32_t>::max())
            throw CKestException("The undo journal file is full");
        if (!WriteAll(file.get(), text, record.start) ||
            ::ftruncate(file.get(), static_cast<off_t>(end)) != 0)
            throw CKestException(kCantOpen);
        record.end = static_cast<uint32_t>(end);
        records_.resize(static_cast<size_t>(position_));
        records_.push_back(std::move(record));
        uncheckedFrom_ = std::min(uncheckedFrom_, position_);
        ++position_;
        return;
    }
}

void UndoJournal::RevertChange(ChangeKind kind, const std::string& description, ModelObject* model,
                               ModelObject* current) {
    // The record goes behind the last one, so that the redo history from
    // the current position survives the gesture that was abandoned.
    const int32_t at = position_;
    const size_t count = records_.size();
    position_ = static_cast<int32_t>(count);
    RecordChange(kind, description, model, current);
    // Not written (the failure was shown): the change stays as it is.
    // A history reset on the size question leaves only this record.
    if (records_.size() != count && Replay(1, false) &&
        position_ == static_cast<int32_t>(records_.size()) - 1)
        records_.pop_back();
    position_ = std::min(at, static_cast<int32_t>(records_.size()));
}

void UndoJournal::Reset() {
    records_.clear();
    position_ = 0;
    uncheckedFrom_ = 0;
    FileHandle file(fileName_, O_RDWR | O_CREAT | O_TRUNC);
    if (!file.ok())
        throw CKestException(kCantOpen);
    warnedMegabytes_ = 0;
}

// ---- undo and redo ----

Cell* UndoJournal::ReadRecord(const JournalRecord& record) const {
    FileHandle file(fileName_, O_RDONLY);
    if (!file.ok())
        throw CKestException(kCantOpen);
    if (record.end < record.start || record.end - record.start > kMaxRecordBytes ||
        FileLength(file.get()) < record.end)
        throw CKestException(kDamaged);
    std::string text(record.end - record.start, '\0');
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::pread(file.get(), text.data() + done, text.size() - done,
                            static_cast<off_t>(record.start + done));
        if (n <= 0)
            throw CKestException(kDamaged);
        done += static_cast<size_t>(n);
    }
    kest::LocalChannel in(std::move(text), kest::ChanRead);
    Cell* form = nil;
    try {
        form = kest::readexpr(in.get());
    } catch (const std::exception&) {
        throw CKestException(kDamaged);
    }
    if (!kest::ispair(form))
        throw CKestException(kDamaged);
    return form;
}

Cell* UndoJournal::CheckTarget(Cell* form, Target& target) {
    Cell* head = Next(form);
    Cell* id = Next(form);
    const bool tool = head == kest::intern("toolModel");
    if ((head == kest::intern("model") || tool) && IsString(id)) {
        ModelObject* found = nullptr;
        if (tool) {
            if (GuidMap* map = document_.TemplateMap())
                found = map->Lookup(id->a.str);
        } else {
            found = document_.FindTopLevelModel(id->a.str);
        }
        auto* model = dynamic_cast<Model*>(found);
        if (model != nullptr && model->IsToolModel() == tool) {
            scope_.Select(tool);
            target.model = model;
            document_.SetCurrentModel(model);
            return form;
        }
    }
    if (tool)
        throw CKestException(kTemplateSwitched);
    throw CKestException("Can't undo/redo change to project (parent model inaccessible)");
}

void UndoJournal::ReplayRecord(const JournalRecord& record, bool redo) {
    templateRecord_ = false;
    std::optional<ChangeKind> kind = ChangeKindFromNumber(record.kind);
    if (!kind)
        return;
    const Handler& handler = HandlerOf(*kind);
    if (handler.replayForm == nullptr && handler.replayFields == nullptr)
        return;
    HeapMark mark;
    Cell* form = ReadRecord(record);
    templateRecord_ = kest::car(form) == kest::intern("toolModel");
    scope_ = GuidScope(document_.ProjectMap(), document_.TemplateMap());
    if (handler.replayForm != nullptr) {
        (this->*handler.replayForm)(*kind, form, redo);
        return;
    }
    Target target;
    Cell* fields = CheckTarget(form, target);
    // The replays also change geometry through the drawables themselves
    // (vertices, label rectangles): the model is marked changed once here.
    target.model->NoteChanged();
    const std::optional<Followers> followers = TakeFollowers(fields, target.model, redo);
    const FollowerShapes untouched =
        followers.has_value() ? CaptureFollowers(*target.model) : FollowerShapes();
    (this->*handler.replayFields)(*kind, target.model, fields, redo);
    if (followers.has_value())
        ApplyFollowers(target.model, *followers, untouched);
}

bool UndoJournal::Replay(int steps, bool redo) {
    // A gesture under way in a window ends first (a cancelled drag may put
    // itself back through a record of its own): the replay then reads the
    // position and the records as that left them.
    if (steps > 0 && (redo ? CanRedo() : CanUndo())) {
        document_.Events().NoteReplayComing();
        // Message renumbering under way records what it renumbered first.
        ViewOf(&document_).EndRenumberMessages(&document_);
    }
    // A change prepared and not recorded is abandoned: the replay may free
    // the objects it names, and no record is to read them afterwards.
    pending_ = PendingChange();
    bool chain = false;
    // What the replayed records changed: the project, or only the template.
    bool project = false;
    bool notation = false;
    // The records of the current grouped run already applied, to revert
    // them when a later record of the run fails.
    std::vector<size_t> applied;
    int32_t chainStart = position_;
    while (steps > 0 || chain) {
        modelToShow_ = nullptr;
        toSelect_.clear();
        if (!chain) {
            applied.clear();
            chainStart = position_;
        }
        if (redo ? !CanRedo() : !CanUndo())
            break;
        const int32_t before = position_;
        size_t index = static_cast<size_t>(redo ? position_ : position_ - 1);
        position_ += redo ? 1 : -1;
        const JournalRecord& record = records_[index];
        chain = (record.flags & (redo ? GroupContinues : GroupContinued)) != 0;
        try {
            ReplayRecord(record, redo);
        } catch (const std::exception& error) {
            std::string message = MessageOf(error);
            // A record that does not read changes nothing at all; a handler
            // failure leaves the record counted as replayed. Records of the
            // run already applied are reverted.
            for (auto it = applied.rbegin(); it != applied.rend(); ++it) {
                try {
                    ReplayRecord(records_[*it], !redo);
                } catch (const std::exception&) {
                }
            }
            if (!applied.empty() || message == kDamaged || message == kCantOpen)
                position_ = applied.empty() ? before : chainStart;
            modelToShow_ = nullptr;
            toSelect_.clear();
            Show(message);
            document_.Events().Publish();
            return false;
        }
        document_.Events().NoteReplayed(static_cast<ChangeKind>(record.kind), modelToShow_,
                                        toSelect_);
        applied.push_back(index);
        (templateRecord_ ? notation : project) = true;
        --steps;
    }
    // A change of a tool model is the template's: the template is to be
    // saved again, the project is not.
    if (notation && document_.Template() != nullptr)
        document_.Template()->modified = true;
    if (project || !notation)
        document_.SetModifiedFlag(true);
    document_.Events().Publish();
    return true;
}

// ---- the debug check of new records ----

void UndoJournal::SetRecordCheck(std::function<std::string()> text) {
    checkText_ = std::move(text);
    uncheckedFrom_ = position_;
}

std::string UndoJournal::CheckNewRecords() {
    if (!checkText_ || uncheckedFrom_ >= position_) {
        uncheckedFrom_ = position_;
        return {};
    }
    const int32_t steps = position_ - uncheckedFrom_;
    std::string names;
    for (int32_t i = uncheckedFrom_; i < position_; ++i)
        names += (names.empty() ? "\"" : ", \"") + records_[size_t(i)].description + "\"";
    const std::string before = checkText_();
    const int32_t at = position_;
    std::string failure;
    if (!Replay(steps, false))
        failure = "undo failed";
    else if (!Replay(position_ < at ? at - position_ : steps, true) || position_ != at)
        failure = "redo failed";
    else if (const std::string after = checkText_(); after != before) {
        size_t same = 0;
        while (same < after.size() && same < before.size() && after[same] == before[same])
            ++same;
        const size_t from = same > 80 ? same - 80 : 0;
        failure = "the text after undo and redo differs at byte " + std::to_string(same) +
                  ":\n  before: " + before.substr(from, 200) +
                  "\n  after:  " + after.substr(from, 200);
    }
    checkedRecords_ += steps;
    uncheckedFrom_ = position_;
    if (failure.empty())
        return {};
    return "records " + names + ": " + failure;
}

// ---- the seam ----

UndoJournal* DocumentChangeJournal::JournalOf(ModelDocument* /*document*/) const {
    return &document_.GetJournal();
}

void DocumentChangeJournal::BeginChange(ModelDocument* document, ChangeKind kind) {
    if (UndoJournal* journal = JournalOf(document))
        journal->BeginChange(kind);
}

void DocumentChangeJournal::AddChangedObject(ModelDocument* document, ModelObject* object,
                                             std::unique_ptr<ModelObject> previous) {
    if (UndoJournal* journal = JournalOf(document))
        journal->AddChangedObject(object, std::move(previous));
}

void DocumentChangeJournal::RecordChange(ModelDocument* document, ChangeKind kind, const char* name,
                                         ModelObject* model, ModelObject* current) {
    if (UndoJournal* journal = JournalOf(document))
        journal->RecordChange(kind, name != nullptr ? name : "", model, current);
}

bool DocumentChangeJournal::HasChangedObjects(ModelDocument* document) const {
    UndoJournal* journal = JournalOf(document);
    return journal != nullptr && journal->HasChangedObjects();
}

void DocumentChangeJournal::HoldRemovedObject(ModelDocument* document,
                                              std::unique_ptr<ModelObject> object) {
    if (UndoJournal* journal = JournalOf(document))
        journal->HoldRemovedObject(std::move(object));
}

void DocumentChangeJournal::SetOperation(ModelDocument* document, int code) {
    if (UndoJournal* journal = JournalOf(document))
        journal->SetOperation(code);
}

void DocumentChangeJournal::SetOffset(ModelDocument* document, CPoint offset) {
    if (UndoJournal* journal = JournalOf(document))
        journal->SetOffset(offset);
}

void DocumentChangeJournal::SaveFollowers(ModelDocument* document, ModelObject* model) {
    UndoJournal* journal = JournalOf(document);
    if (const auto* drawables = dynamic_cast<const Model*>(model);
        journal != nullptr && drawables != nullptr)
        journal->SetFollowersBefore(UndoJournal::CaptureFollowers(*drawables));
}

void DocumentChangeJournal::SetSavedFlags(ModelDocument* document, uint32_t flags) {
    if (UndoJournal* journal = JournalOf(document))
        journal->SetSavedFlags(flags);
}

void DocumentChangeJournal::SaveLinkEnds(ModelDocument* document, ModelObject* link, int mask,
                                         bool redoSide) {
    if (UndoJournal* journal = JournalOf(document))
        journal->SaveLinkEnds(link, mask, redoSide);
}

void DocumentChangeJournal::SaveDragContext(ModelDocument* document,
                                            const std::vector<CRect>& before,
                                            const std::vector<CRect>& after, CPoint lifeLine) {
    if (UndoJournal* journal = JournalOf(document))
        journal->SaveDragContext(before, after, lifeLine);
}

void DocumentChangeJournal::AddPoints(ModelDocument* document, const std::vector<CPoint>& points) {
    if (UndoJournal* journal = JournalOf(document))
        journal->AddPoints(points);
}

void DocumentChangeJournal::SetSwimlanes(ModelDocument* document, ModelObject* left,
                                         const CRect& leftRect, ModelObject* entered,
                                         const CRect& enteredRect) {
    if (UndoJournal* journal = JournalOf(document))
        journal->SetSwimlanes(left, leftRect, entered, enteredRect);
}

void DocumentChangeJournal::DropChange(ModelDocument* document) {
    if (UndoJournal* journal = JournalOf(document))
        journal->DropChange();
}

void DocumentChangeJournal::BeginGroup(ModelDocument* document) {
    if (UndoJournal* journal = JournalOf(document))
        journal->BeginGroup();
}

void DocumentChangeJournal::EndGroup(ModelDocument* document) {
    if (UndoJournal* journal = JournalOf(document))
        journal->EndGroup();
}

} // namespace qm
