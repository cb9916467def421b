// The masters clipboard file: copying marked masters, marked models and a
// model's selection to it, and pasting them back into a project, a model or
// a tool model. The file lives in the private temporary folder, so each user
// has one and no other user can read or replace it; a copy also puts a
// reference to it on the desktop clipboard, where a second running instance
// of the same user finds it.
//
// A paste is all or nothing: the file is checked record by record and the
// drawables are read into a list of their own; when anything is malformed,
// what the paste added so far is taken back out, and the read map (the paste
// state) and the heap mark go with the scope.
#include "document/CCASEDoc.h"
#include "document/DocumentRecords.h"
#include "document/ProjectFile.h"
#include "drawables/CustomModel.h"
#include "drawables/DrawableFactory.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "kernel/Kernel.h"
#include "model/ListRecords.h"
#include "platform/DesktopClipboard.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/PathHelpers.h"
#include "platform/Prompt.h"
#include "platform/TempFolder.h"

#include <algorithm>
#include <filesystem>
#include <optional>

namespace qm {

using kest::Cell;

namespace {

const char* const kClipboardFileName = "Quillmark.clp";

std::string ClipboardFilePath() {
    std::string folder = PrivateTempFolder();
    if (folder.empty())
        throw CKestException(Format("Can't open clipboard file: %s", kClipboardFileName));
    return JoinPath(folder, kClipboardFileName);
}

// The clipboard file to paste from: the one the desktop clipboard refers to,
// so that a paste finds what another running instance of this user copied;
// else this instance's own. Only a file of the clipboard file's name counts.
std::string PasteFilePath() {
    std::optional<std::string> referenced = GetFileReference(kMastersClipboardMime);
    if (referenced && FileNameOfPath(*referenced) == kClipboardFileName)
        return *referenced;
    return ClipboardFilePath();
}

// Gives back the master references the places of list counted.
// A pasted lane's record names the lanes beside it where it was copied;
// those ids resolve to the lanes there, which do not name the pasted lane
// back. Only links both lanes hold are kept, so the chain of lanes stays
// one chain: a pasted lane that left its neighbours behind stands alone,
// and undo and redo of the paste (which take a lane out of its chain and
// put it back) find nothing to relink.
void KeepMutualLaneLinks(const DrawableList& list) {
    for (const std::unique_ptr<Drawable>& drawable : list) {
        auto* lane = dynamic_cast<Swimlane*>(drawable.get());
        if (lane == nullptr || !lane->IsSwimlane())
            continue;
        if (Swimlane* previous = lane->PreviousLane();
            previous != nullptr && previous->NextLane() != lane)
            lane->SetPreviousLane(nullptr);
        if (Swimlane* next = lane->NextLane(); next != nullptr && next->PreviousLane() != lane)
            lane->SetNextLane(nullptr);
    }
}

void ReleasePlaceMasters(const DrawableList& list, MasterCollection& masters) {
    for (const std::unique_ptr<Drawable>& drawable : list) {
        if (auto* place = dynamic_cast<Place*>(drawable.get())) {
            std::unique_ptr<Master> unused = place->ReleaseMaster(masters, false);
            (void)unused;
        }
    }
}

} // namespace

std::string CCASEDoc::ClipboardFile() {
    return ClipboardFilePath();
}

bool CCASEDoc::ClipboardFileExists() {
    try {
        std::error_code error;
        return std::filesystem::is_regular_file(ClipboardFile(), error);
    } catch (const std::exception&) {
        return false;
    }
}

void CCASEDoc::CopyToClipboardFile(ModelObject* model, const std::vector<ModelObject*>& drawables) {
    std::vector<Drawable*> selection;
    for (ModelObject* object : drawables) {
        if (auto* drawable = dynamic_cast<Drawable*>(object))
            selection.push_back(drawable);
    }
    CopyToClipboardFile(dynamic_cast<Model*>(model), selection);
}

void CCASEDoc::CopyToClipboardFile(Model* model, const std::vector<Drawable*>& selection) {
    std::string path = ClipboardFilePath();
    std::unique_ptr<ReplacingFile> file;
    try {
        file = std::make_unique<ReplacingFile>(path, "Can't open clipboard file");
    } catch (const CKestException&) {
        throw CKestException(Format("Can't open clipboard file: %s", path.c_str()));
    }
    BeginProgress(static_cast<int>(models_.size()) + 1);
    try {
        HeapMark mark;
        auto write = [&](Cell* record) {
            kest::LocalChannel out;
            kest::prettyprint(record, out.get(), 0, 0);
            file->Write(out.Text());
            file->Write("\n");
        };
        write(kest::fileheader(false, kest::sym::clipboard, nullptr, nullptr));
        GuidScope scope = Scope();
        write(masters_.Persist(&scope, true, nullptr, nullptr));
        int position = 0;
        for (const std::unique_ptr<Model>& m : models_) {
            if (m->IsMarked()) {
                GuidScope modelScope = Scope();
                write(WriteModelRecord(this, *m, &modelScope));
            }
            SetProgress(++position);
        }
        GuidScope drawableScope = Scope();
        drawableScope.Select(model != nullptr && model->IsToolModel());
        Cell* records = kest::nil;
        if (model != nullptr) {
            for (auto it = selection.rbegin(); it != selection.rend(); ++it)
                records = kest::mkcons((*it)->Persist(&drawableScope, kest::nil), records);
        }
        write(kest::mkcons(kest::sym::drawables,
                           kest::mkcons(kest::mkint(model != nullptr ? model->kind : 0), records)));
        SetProgress(++position);
        file->Commit();
    } catch (...) {
        EndProgress("Failed");
        throw;
    }
    // Another instance of this user pastes from the file the reference names.
    PutFileReference(kMastersClipboardMime, path);
    EndProgress("Copied");
}

bool CCASEDoc::PasteFromClipboardFile(bool intoModel, Model* target, CPoint offset) {
    DocumentEvents::Batch events(events_);
    std::string path = PasteFilePath();
    std::optional<std::string> text = ReadWholeFile(path, kMaxProjectFileBytes);
    if (!text)
        throw CKestException(Format("Can't open clipboard file: %s", path.c_str()));

    JournalChange change(this, ChangeKind::ProjectSaved);
    BeginProgress(100);

    const size_t firstMaster = masters_.Count();
    const size_t firstModel = models_.size();
    std::vector<Master*> added;
    DrawableList pasted;
    bool something = false;
    // The paste state: old ids of objects that got new ones resolve through it.
    GuidTree readMap(GuidTree::TextKeys);
    int records = 0;
    try {
        kest::LocalChannel in(*text, kest::ChanRead);
        kest::Channel* ch = in.get();
        ReadTimeEvaluationOff noEvaluation;
        HeapMark mark;
        double version = 0;
        kest::fileheader(false, kest::sym::clipboard, kest::readexpr(ch), &version);

        Cell* record = kest::readexpr(ch);
        ReportOperationFailure(HasHead(record, kest::sym::masters), "masters sym expected", true);
        GuidScope scope = Scope();
        scope.fileVersion = version;
        scope.readMap = &readMap;
        Cell* masters = kest::cdr(record);
        if (masters != kest::nil && !(kest::ispair(masters) && kest::car(masters) == kest::nil))
            something = true;
        masters_.Persist(&scope, true, &added, record);

        for (;;) {
            record = kest::readexpr(ch);
            bool isModel = HasHead(record, kest::sym::customModel);
            bool isDrawables = HasHead(record, kest::sym::drawables);
            ReportOperationFailure(isModel || isDrawables, "customModel or drawables sym expected",
                                   true);
            if (isDrawables)
                break;
            something = true;
            if (target == nullptr || target->kind != MkTool) {
                RecordReader reader(kest::cdr(record), "customModel");
                reader.Take("id");
                int32_t kind = reader.Int("kind");
                std::unique_ptr<Model> model = CreateModelOfKind(&idMap_, template_, kind);
                if (model == nullptr)
                    RecordFormatError("customModel", Format("no diagram of kind %d", kind));
                GuidScope modelScope = Scope();
                modelScope.fileVersion = version;
                modelScope.readMap = &readMap;
                // In the list before it is read, so a failure takes it back out.
                Model* reading = model.get();
                models_.push_back(std::move(model));
                ReadModelRecord(this, *reading, &modelScope, record);
            }
            SetProgress(++records);
        }

        Cell* rest = kest::cdr(record);
        int sourceKind = 0;
        if (kest::ispair(rest) && kest::car(rest)->type == kest::TInteger) {
            sourceKind = kest::car(rest)->a.ival;
            rest = kest::cdr(rest);
        }
        ReportOperationFailure(kest::readexpr(ch) == kest::KernelSyms.eof,
                               "end of clipborad file expected", true);
        if (rest != kest::nil)
            something = true;
        if (target != nullptr && target->kind != sourceKind &&
            (target->kind == MkSequence || sourceKind == MkSequence)) {
            MessageBeep();
            MessageBox("Can't copy and paste between sequence and non-sequence models.",
                       PromptIcon::Exclamation);
        } else if (intoModel && target != nullptr && rest != kest::nil) {
            GuidScope drawableScope = Scope();
            drawableScope.Select(target->IsToolModel());
            drawableScope.fileVersion = version;
            drawableScope.readMap = &readMap;
            PersistDrawables(this, pasted, &drawableScope, target, nullptr, rest, nullptr, false);
        }
    } catch (...) {
        // Take back what this paste added: drawables, models, then masters.
        GuidScope scope = Scope();
        ReleasePlaceMasters(pasted, masters_);
        for (auto it = pasted.rbegin(); it != pasted.rend(); ++it)
            DiscardDrawable(std::move(*it), &scope);
        pasted.clear();
        while (models_.size() > firstModel) {
            std::unique_ptr<Model> model = std::move(models_.back());
            models_.pop_back();
            ReleasePlaceMasters(model->Drawables(), masters_);
            GuidScope modelScope = Scope();
            modelScope.Select(model->IsToolModel());
            model->Detach(&modelScope);
        }
        for (Master* master : added) {
            std::unique_ptr<Master> removed = masters_.Remove(master, false);
            if (removed)
                removed->Detach(&scope);
        }
        EndProgress("Failed");
        throw;
    }

    ResolveRefs(firstMaster, firstModel);
    Model* drawn = nullptr;
    if (!pasted.empty()) {
        drawn = target;
        // The pasted drawables become the selection, alone: the journal's
        // paste record takes the selection for what was pasted, so a
        // drawable selected before must not be taken back by an undo.
        target->DeselectAll(nullptr, false);
        KeepMutualLaneLinks(pasted);
        std::vector<Drawable*> added;
        added.reserve(pasted.size());
        for (std::unique_ptr<Drawable>& drawable : pasted) {
            CRect dirty;
            if (offset.x != 0 || offset.y != 0)
                drawable->MoveBy(offset.x, offset.y, dirty);
            added.push_back(drawable.get());
            target->AddDrawable(std::move(drawable));
        }
        pasted.clear();
        // A pasted scenario continues the target's sequence: its call boxes
        // and messages follow the target's last call box.
        if (auto* sequence = dynamic_cast<SequenceModel*>(target)) {
            CRect dirty;
            sequence->AppendCallBoxes(added, dirty);
        }
        for (Drawable* raw : added)
            target->Select(raw, 1, 1, 0);
    }
    EndProgress(something ? "Pasted" : "Nothing to Paste");
    if (!something) {
        MessageBeep();
        return false;
    }
    Model* firstNew = models_.size() > firstModel ? models_[firstModel].get() : nullptr;
    // Models pasted on their own hang under the model being shown: the
    // first of them without a parent becomes its child.
    if (!intoModel && currentModel_ != nullptr && !currentModel_->IsToolModel()) {
        for (size_t i = firstModel; i < models_.size(); ++i) {
            Model* model = models_[i].get();
            if (model->parentModel == nullptr && model != currentModel_) {
                model->parentModel = currentModel_;
                break;
            }
        }
    }
    for (Master* master : added)
        Journal().AddChangedObject(this, master, nullptr);
    for (size_t i = firstModel; i < models_.size(); ++i)
        Journal().AddChangedObject(this, models_[i].get(), nullptr);
    change.Record(ChangeKind::Paste, "Paste", drawn != nullptr ? drawn : firstNew, nullptr);
    modified_ = true;
    return true;
}

} // namespace qm
