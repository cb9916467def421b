// UndoJournal: the undo history of one project. Every recorded change is one
// list form appended to a text file in the private temporary folder behind
// the records that are applied; undo and redo read a record back by its byte
// offsets and replay it on the live project.
//
// Design: the file holds the data, the record array only the offsets, the
// kind and the group flags, so recording writes only the new record and a
// replay reads only the record it needs. A replay reads and resolves every
// object a record names before it changes anything, so a record that does not
// read or resolve fails with a message and leaves the project as it was; a
// grouped run that fails part way is reverted record by record.
#pragma once

#include "model/ChangeJournal.h"
#include "model/GuidMap.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kest {
struct Cell;
}

namespace qm {

class CCASEDoc;
class Drawable;
class Master;
class Model;
class ModelObject;

// The call boxes of the two end places of a message, kept before and after a
// change: each part is absent or the boxes of one life line with the
// life line's point (x, end). A call-box drag keeps the boxes of its one
// life line before the drag in the source part and after it in the target
// part.
struct ChangeContext {
    std::optional<std::vector<CRect>> source;
    std::optional<std::vector<CRect>> target;
    CPoint sourcePoint;
    CPoint targetPoint;
};

// The geometry of the drawables that follow a move or reshape rather than
// being changed themselves (every link, tag and message floater of a model,
// and its place groups), by id: their points and rectangles as integers, as
// UndoJournal::CaptureFollowers takes them.
using FollowerShapes = std::unordered_map<std::string, std::vector<int32_t>>;

// The change being prepared: what an editing operation hands the journal
// between BeginChange, which empties it, and RecordChange, which writes it.
struct PendingChange {
    // The objects changed and, for a replace, each one's copy from before.
    std::vector<ModelObject*> changed;
    std::vector<std::unique_ptr<ModelObject>> previous;
    // The flip or rotate code, the offset of a move (x the shift of the
    // lanes behind a new swimlane), the model's flag word before a link
    // style change, and the vertices before the change in drawable order.
    int32_t turnCode = 0;
    CPoint offset;
    uint32_t savedFlags = 0;
    std::vector<CPoint> oldVertices;
    // The swimlanes a drag left and entered, their saved rectangles, and
    // the list the drawables left as it stood before they changed groups.
    Drawable* oldSwimlane = nullptr;
    Drawable* newSwimlane = nullptr;
    CRect oldRect;
    CRect newRect;
    std::vector<Drawable*> leftOrder;
    // The followers as they stood before the change, when the editing
    // operation took them: the record keeps those it changed, before and
    // after.
    std::optional<FollowerShapes> followersBefore;
    // The text of a place before and after a switch of its master.
    std::string oldText;
    std::string newText;
    // A reshaped link's end nodes before and after (all null: unchanged).
    std::array<ModelObject*, 4> linkEnds{};
    // The call boxes of a message's end places before and after.
    ChangeContext undoContext;
    ChangeContext redoContext;
    // A tool rectangle's size before and after a resize.
    CPoint oldToolSize;
    CPoint newToolSize;
    // The masters and models in order when a delete or cut began, for the
    // places the removed ones come back to; the masters when a grouping as
    // place or a master switch began, to tell a master the change made from
    // one it found.
    std::vector<Master*> masterOrder;
    std::vector<Model*> modelOrder;
};

// One record of the journal file.
struct JournalRecord {
    std::string description; // the literal the change was recorded under
    int32_t kind = 0;        // a ChangeKind number
    uint32_t start = 0;      // byte offset of the record in the file
    uint32_t end = 0;        // byte offset just behind it
    uint16_t flags = 0;      // GroupContinues, GroupContinued
};

class UndoJournal final : public JournalCalls {
  public:
    // Record flags of a grouped run.
    static constexpr uint16_t GroupContinued = 0x1; // continued from the previous record
    static constexpr uint16_t GroupContinues = 0x2; // continues in the next record

    // Empties any stale file of that name (creating it when absent).
    UndoJournal(CCASEDoc& document, std::string fileName);
    ~UndoJournal();
    UndoJournal(const UndoJournal&) = delete;
    UndoJournal& operator=(const UndoJournal&) = delete;

    // ---- recording ----

    // Callers bracket a group with a JournalGroup scope.
    void BeginGroup() override;
    // Sets the group flags over the records since BeginGroup; a group of one
    // record gets none.
    void EndGroup() override;
    // Empties the change context. Callers fill it after this call; a
    // JournalChange scope begins and records a change.
    void BeginChange(ChangeKind kind) override;
    // Empties the change context of a change abandoned before its record,
    // freeing the objects it held.
    void DropChange() override;
    // Adds to the change context: object (null for an empty entry) and, for a
    // replace, its copy from before the change, which the journal then owns.
    void AddChangedObject(ModelObject* object, std::unique_ptr<ModelObject> previous);
    bool HasChangedObjects() const { return !pending_.changed.empty(); }
    // Takes an object the change took out of its model: the record writes it
    // whole and then frees it (undo re-creates it from the file).
    void HoldRemovedObject(std::unique_ptr<ModelObject> object);
    // The rest of the change context: the flip or rotate code, the offset (x
    // the shift of the lanes behind a new swimlane), the model's flag word
    // before a link style change, and the vertices before the change
    // (appended in drawable order).
    void SetOperation(int code) { pending_.turnCode = code; }
    void SetOffset(CPoint offset) { pending_.offset = offset; }
    void SetSavedFlags(uint32_t flags) { pending_.savedFlags = flags; }
    void AddPoints(const std::vector<CPoint>& points);
    // The place groups a drag leaves and enters (null: the model), with the
    // rectangle saved for each; called before the drawables change groups.
    void SetSwimlanes(ModelObject* left, const CRect& leftRect, ModelObject* entered,
                      const CRect& enteredRect);
    // The geometry of model's followers now. A move or reshape takes it
    // before anything changes and hands it over with SetFollowersBefore
    // after BeginChange: its record then keeps the exact geometry before and
    // after of each follower the change moved, and undo and redo put those
    // back instead of recomputing them.
    static FollowerShapes CaptureFollowers(const Model& model);
    // Gives every follower of model still there the geometry shapes keeps
    // for it: a cancelled move puts back exactly what it recomputed.
    static void RestoreFollowers(Model& model, const FollowerShapes& shapes);
    void SetFollowersBefore(FollowerShapes shapes) { pending_.followersBefore = std::move(shapes); }
    // The text of an object before and after a change that switched the
    // master of a place by renaming it.
    void SetTexts(std::string oldText, std::string newText) {
        pending_.oldText = std::move(oldText);
        pending_.newText = std::move(newText);
    }
    // The call boxes of a message's end places (mask 1 source, 2 target)
    // before the change (redoSide false) or after it.
    void SaveLinkEnds(ModelObject* link, int mask, bool redoSide);
    // The end nodes of a reshaped link before and after the change (a drag
    // that moved an end onto another node); undo and redo put them back.
    void SetLinkEnds(ModelObject* sourceBefore, ModelObject* targetBefore, ModelObject* sourceAfter,
                     ModelObject* targetAfter) {
        pending_.linkEnds = {sourceBefore, targetBefore, sourceAfter, targetAfter};
    }
    // The call boxes and life-line end of a scenario place whose life line is
    // being dragged by its knob, before the drag (redoSide false) or after it.
    void SaveLifeLine(ModelObject* place, bool redoSide);
    // The call boxes of one life line before and after a call-box drag.
    void SaveDragContext(const std::vector<CRect>& before, const std::vector<CRect>& after,
                         CPoint lifeLine);
    // Writes the record of the change just made in model (null: project level)
    // concerning current. Failures are shown, never thrown: the change stays,
    // nothing is appended and the modified flag is not set.
    void RecordChange(ChangeKind kind, const std::string& description, ModelObject* model,
                      ModelObject* current) override;
    // Puts back a change that is being abandoned (a cancelled drag) through
    // the record RecordChange would write for it, then forgets that record:
    // no redo brings the abandoned change back, and the records to redo
    // stay as they were. When the record cannot be written nothing is
    // replayed.
    void RevertChange(ChangeKind kind, const std::string& description, ModelObject* model,
                      ModelObject* current);
    // Clears the history and empties the file; throws CKestException
    // "Can't open undo file" when the file cannot be created.
    void Reset();

    // ---- the template's tools (UndoJournalTools.cpp) ----
    // The tool rectangle's width and height before (after false) or after
    // the resize being prepared ("Resize Tool"); BeginChange zeroes both.
    // An "Icon Edit" takes its icon before the edit from the document's
    // icon backup (CCASEDoc::SaveIconForEdit).
    void SetToolSize(CPoint size, bool after) {
        (after ? pending_.newToolSize : pending_.oldToolSize) = size;
    }

    // ---- undo and redo ----

    bool CanUndo() const { return !records_.empty() && position_ != 0; }
    bool CanRedo() const { return position_ < static_cast<int32_t>(records_.size()); }
    // Replays steps records backwards (redo false) or forwards; a step that
    // lands inside a group runs to the group's end. Returns false when a
    // record failed (the message shown, the remaining steps not run).
    bool Replay(int steps, bool redo);

    // ---- the debug check of new records ----
    // With a text function set (tests and the monkeys set one; null turns
    // the check off), CheckNewRecords undoes the records written since the
    // last check and redoes them, and compares the project's text (what
    // text returns) after the redo with the text before the undo. It is
    // meant for a quiet moment (no gesture under way): a replay ends any
    // gesture and puts re-created objects in place of those the records
    // name. Records of tool models are checked the same way through the
    // project's text, which does not show them.
    void SetRecordCheck(std::function<std::string()> text);
    // "" when every new record undid and redid to the same text (or there
    // was none); else what failed, naming the records.
    std::string CheckNewRecords();
    // The records the check has undone and redone.
    long CheckedRecords() const { return checkedRecords_; }

    // ---- state ----

    const std::vector<JournalRecord>& Records() const { return records_; }
    int32_t Position() const { return position_; }
    int32_t GroupStart() const { return groupStart_; }
    const std::string& FileName() const { return fileName_; }
    // What the last replayed record asks the view to show and select.
    Model* ModelToShow() const { return modelToShow_; }
    const std::vector<Drawable*>& ToSelect() const { return toSelect_; }

  private:
    // What a record's head resolves to.
    struct Target {
        Model* model = nullptr;
    };
    // The first element of a delete, cut or paste record read back.
    struct ObjectsHeader {
        std::vector<std::string> models;
        std::vector<std::string> masters;
        std::vector<std::string> drawables;
        // Where each object stood in its list (-1: at the end), in step with the ids.
        std::vector<int32_t> modelPositions;
        std::vector<int32_t> masterPositions;
        std::vector<int32_t> drawablePositions;
    };

    // What a record is built from: the kind, the model changed (null: none),
    // the record's head (model or toolModel) and the model's id cell, and
    // the object the change is about.
    struct FormArgs {
        ChangeKind kind;
        Model* model;
        kest::Cell* head;
        kest::Cell* id;
        ModelObject* current;
    };
    // One row per kind (UndoJournalHandlers.cpp): build writes the form of a
    // change just made (nil: no record); a replay applies a record read back,
    // either the whole form (replayForm, which resolves its own head) or the
    // fields behind a head resolved to its model (replayFields). A kind with
    // neither replays as nothing.
    struct Handler {
        ChangeKind kind;
        kest::Cell* (UndoJournal::*build)(const FormArgs& args);
        void (UndoJournal::*replayForm)(ChangeKind kind, kest::Cell* form, bool redo);
        void (UndoJournal::*replayFields)(ChangeKind kind, Model* model, kest::Cell* fields,
                                          bool redo);
    };
    static const Handler& HandlerOf(ChangeKind kind);
    static const Handler kHandlers[kChangeKindCount];

    // ---- properties and texts (UndoJournalProperties.cpp) ----
    kest::Cell* BuildReplaceForm(const FormArgs& args);
    void ReplayReplace(ChangeKind kind, Model* model, kest::Cell* fields, bool redo);
    kest::Cell* BuildPropertyForm(const FormArgs& args);
    void ReplayPropertyChanges(ChangeKind kind, kest::Cell* form, bool redo);
    kest::Cell* BuildTextEditForm(const FormArgs& args);
    void ReplayTextEdit(ChangeKind kind, Model* model, kest::Cell* fields, bool redo);
    kest::Cell* BuildMasterSwitchForm(const FormArgs& args);
    void ReplayMasterSwitch(ChangeKind kind, Model* model, kest::Cell* fields, bool redo);
    kest::Cell* BuildRenumberForm(const FormArgs& args);
    void ReplayRenumber(ChangeKind kind, Model* model, kest::Cell* fields, bool redo);
    kest::Cell* BuildAnnotationForm(const FormArgs& args);
    void ReplayAnnotation(ChangeKind kind, Model* model, kest::Cell* fields, bool redo);
    kest::Cell* BuildAnnotationsForm(const FormArgs& args);
    void ReplayAnnotations(ChangeKind kind, Model* model, kest::Cell* fields, bool redo);

    // ---- models (UndoJournalModels.cpp) ----
    kest::Cell* BuildNewModelForm(const FormArgs& args);
    void ReplayNewModel(ChangeKind kind, kest::Cell* form, bool redo);
    kest::Cell* BuildNewToolForm(const FormArgs& args);
    void ReplayNewTool(ChangeKind kind, Model* model, kest::Cell* fields, bool redo);
    kest::Cell* BuildSubmodelLinkForm(const FormArgs& args);
    void ReplaySubmodelLink(ChangeKind kind, Model* model, kest::Cell* fields, bool redo);
    kest::Cell* BuildModelStepForm(const FormArgs& args);
    void ReplayModelStep(ChangeKind kind, Model* model, kest::Cell* fields, bool redo);
    // Moves a model of the document's list one place towards the front (up)
    // or the end; nothing at either end.
    void MoveModelOneStep(Model* model, bool up);

    // ---- objects removed and re-created (UndoJournalObjects.cpp) ----
    // Create, delete, cut and paste: the removed or pasted objects, whole.
    kest::Cell* BuildObjectsForm(const FormArgs& args);
    void ReplayObjects(ChangeKind kind, kest::Cell* form, bool redo);
    void RecreateObjects(ChangeKind kind, Model* model, const ObjectsHeader& header,
                         kest::Cell* masters, kest::Cell* models, kest::Cell* drawables);
    void RemoveObjects(ChangeKind kind, Model* model, const ObjectsHeader& header);
    // Where each drawable stands in its list, or stood when the change
    // removed it; and their complete records.
    std::vector<int32_t> DrawablePositions(Model* model,
                                           const std::vector<Drawable*>& drawables) const;
    kest::Cell* FullDrawables(const std::vector<Drawable*>& drawables);
    // The drawables the change concerns and those it removed, each once,
    // but for except.
    std::vector<Drawable*> RemovedDrawables(const Drawable* except) const;
    // The drawables among the changed objects, in order.
    std::vector<Drawable*> ChangedDrawables() const;
    // The drawable of an id cell (failing when it names none).
    Drawable* LookupDrawable(kest::Cell* id);

    // ---- drawables' order, looks and geometry (UndoJournalDrawables.cpp) ----
    kest::Cell* BuildOrderForm(const FormArgs& args);
    void ReplayOrder(ChangeKind kind, Model* model, kest::Cell* fields, bool redo);
    kest::Cell* BuildSwapForm(const FormArgs& args);
    void ReplaySwap(ChangeKind kind, Model* model, kest::Cell* fields, bool redo);
    kest::Cell* BuildTurnForm(const FormArgs& args);
    void ReplayTurn(ChangeKind kind, Model* model, kest::Cell* fields, bool redo);
    kest::Cell* BuildLooksForm(const FormArgs& args);
    void ReplayLooks(ChangeKind kind, Model* model, kest::Cell* fields, bool redo);
    kest::Cell* BuildAutoSizeDrawableForm(const FormArgs& args);
    void ReplayAutoSizeDrawable(ChangeKind kind, Model* model, kest::Cell* fields, bool redo);
    // Auto Size and link styles: each drawable's geometry before and after.
    kest::Cell* BuildGeometryForm(const FormArgs& args);
    void ReplayGeometry(ChangeKind kind, Model* model, kest::Cell* fields, bool redo);

    // ---- moves, reshapes and junctions (UndoJournalMoves.cpp) ----
    // The followers of a change (see CaptureFollowers): the record's last
    // element, written when the change took them; TakeFollowers cuts it off
    // the fields and reads it (each follower with the words undo or redo
    // gives it) before anything changes, ApplyFollowers gives them their
    // geometry once the record's own replay ran. Each is kept by its id:
    // that replay may have taken it away. A record that took them names
    // every follower the change moved (the element may be empty), so the
    // others keep, after the replay, the geometry they had before it
    // (untouched, taken before the replay); nullopt: the record took none.
    using Followers = std::vector<std::pair<std::string, std::vector<int32_t>>>;
    kest::Cell* FollowersForm(Model* model) const;
    std::optional<Followers> TakeFollowers(kest::Cell*& fields, Model* model, bool redo);
    void ApplyFollowers(Model* model, const Followers& followers, const FollowerShapes& untouched);
    kest::Cell* BuildMoveForm(const FormArgs& args);
    void ReplayMove(ChangeKind kind, Model* model, kest::Cell* fields, bool redo);
    kest::Cell* BuildReshapeForm(const FormArgs& args);
    std::vector<ModelObject*> EndNodes(const Drawable* first) const;
    void ReplayReshape(ChangeKind kind, Model* model, kest::Cell* fields, bool redo);
    kest::Cell* BuildJunctionForm(const FormArgs& args);
    void ReplayJunction(ChangeKind kind, Model* model, kest::Cell* fields, bool redo);

    // ---- grouping and ungrouping (UndoJournalGroups.cpp) ----
    kest::Cell* BuildGroupForm(const FormArgs& args);
    void ReplayGroup(ChangeKind kind, Model* model, kest::Cell* fields, bool redo);

    // ---- call boxes (UndoJournalCallBoxes.cpp) ----
    kest::Cell* BuildCallBoxForm(const FormArgs& args);
    void ReplayCallBoxes(ChangeKind kind, Model* model, kest::Cell* fields, bool redo);

    // ---- resizing a tool and editing its icon (UndoJournalTools.cpp) ----
    // (toolModel toolNumber ...): nil for a change outside a tool model.
    kest::Cell* BuildToolForm(const FormArgs& args);
    // Nothing for a record whose head is not toolModel.
    void ReplayTool(ChangeKind kind, kest::Cell* form, bool redo);

    // Frees the objects a change handed over (held_), unregistering them.
    void DestroyHeld();
    void DestroyObject(std::unique_ptr<ModelObject> object);

    kest::Cell* BuildForm(ChangeKind kind, ModelObject* model, ModelObject* current);
    void Append(ChangeKind kind, const std::string& description, kest::Cell* form);
    kest::Cell* ReadRecord(const JournalRecord& record) const;
    // Resolves the record's model and returns the form behind its head.
    kest::Cell* CheckTarget(kest::Cell* form, Target& target);
    // Checks and applies one record; throws before changing anything when
    // the record does not read or resolve.
    void ReplayRecord(const JournalRecord& record, bool redo);
    void MarkModified(ModelObject* model);

    CCASEDoc& document_;
    std::string fileName_;
    std::vector<JournalRecord> records_;
    int32_t position_ = 0;
    int32_t groupStart_ = -1;
    int32_t warnedMegabytes_ = 0;
    GuidScope scope_;

    // The change being prepared, emptied by BeginChange.
    PendingChange pending_;
    // The objects a change handed over (and, while a record is replayed,
    // those it takes out), freed by DestroyHeld once written or replayed.
    HeldObjects held_;

    Model* modelToShow_ = nullptr;
    std::vector<Drawable*> toSelect_;
    // The record replayed last changes a tool model: the template, not the
    // project, is what the replay modified.
    bool templateRecord_ = false;

    // The debug check: the project's text, the records written since the
    // last check (a history reset or a replay starts them again), and the
    // number checked.
    std::function<std::string()> checkText_;
    int32_t uncheckedFrom_ = 0;
    long checkedRecords_ = 0;
};

// A document's journal as the model and the drawables record into it
// (CCASEDoc::ChangeRecorder): every call goes to that document's journal;
// the document argument names the same document.
class DocumentChangeJournal : public ChangeJournal {
  public:
    explicit DocumentChangeJournal(CCASEDoc& document) : document_(document) {}

    void BeginChange(ModelDocument* document, ChangeKind kind) override;
    void AddChangedObject(ModelDocument* document, ModelObject* object,
                          std::unique_ptr<ModelObject> previous) override;
    void RecordChange(ModelDocument* document, ChangeKind kind, const char* name,
                      ModelObject* model, ModelObject* current) override;
    bool HasChangedObjects(ModelDocument* document) const override;
    void DropChange(ModelDocument* document) override;
    void HoldRemovedObject(ModelDocument* document, std::unique_ptr<ModelObject> object) override;
    void SetOperation(ModelDocument* document, int code) override;
    void SetOffset(ModelDocument* document, CPoint offset) override;
    void SetSavedFlags(ModelDocument* document, uint32_t flags) override;
    void SaveLinkEnds(ModelDocument* document, ModelObject* link, int mask, bool redoSide) override;
    void SaveDragContext(ModelDocument* document, const std::vector<CRect>& before,
                         const std::vector<CRect>& after, CPoint lifeLine) override;
    void AddPoints(ModelDocument* document, const std::vector<CPoint>& points) override;
    void SetSwimlanes(ModelDocument* document, ModelObject* left, const CRect& leftRect,
                      ModelObject* entered, const CRect& enteredRect) override;
    void SaveFollowers(ModelDocument* document, ModelObject* model) override;
    void BeginGroup(ModelDocument* document) override;
    void EndGroup(ModelDocument* document) override;

    // ---- the template's tools (UndoJournalTools.cpp) ----
    void SetToolSize(ModelDocument* document, CPoint size, bool after) override;
    bool SaveIconForEdit(ModelDocument* document, ModelObject* tool) override;

  private:
    UndoJournal* JournalOf(ModelDocument* document) const;

    CCASEDoc& document_;
};

} // namespace qm
