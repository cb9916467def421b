// The document's events: what windows listen to (models added, removed,
// renamed or moved; masters changed; drawables changed with the area to
// repaint; objects removed; selection, current model, modified flag), and
// the funnel that sends them when a change has gone through the journal's
// recording, undo or redo, loading, paste, merge or a script run.
//
// Design: the funnel keeps what it last told the observers (the models in
// order with their names, the masters, each model's drawables with their
// repaint rectangles, order and selection bits) and sends the differences
// when a change ends, so that every path into the project yields the same
// events without each path listing what it touched. Hints from the change
// (its changed objects, the kinds of the records replayed) add what the
// comparison cannot see: a text or looks change that keeps the rectangle, a
// master's fields. While held (a journal group, a load, a paste) nothing is
// sent; the differences add up and go out once when the hold ends.
//
// A change that names what it touched (ChangeReach::Named) is compared over
// less: the models whose drawables or selection it may have changed (the
// ones it names, and any whose change count moved) and the masters it names,
// while the model list is compared whole and the masters collection by its
// change count. One master's change in a large project then costs what the
// change touched, not what the project holds; the events are the ones the
// whole comparison would send.
#pragma once

#include "model/ChangeJournal.h"
#include "model/Guid.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace qm {

class CCASEDoc;
class Drawable;
class Master;
class Model;
class ModelObject;

enum class ModelsChange { Added, Removed, Renamed, Moved };

// How far a noted change may reach. Anywhere: the funnel compares the whole
// project. Named: the change altered only the objects it names (masters'
// fields, drawables' geometry, looks and text, in the model it names) plus
// what goes through the methods that count changes (a model's drawable list
// and selection, the masters collection, the model list).
enum class ChangeReach { Anywhere, Named };

// What a window implements to follow a document. Every call comes after the
// change, on the user-interface thread; the pointers are valid for the call
// only (hold an ObjectHandle to keep one). Defaults ignore the event.
class DocumentObserver {
  public:
    virtual ~DocumentObserver() = default;
    // Models joined or left the document's list (a removed model is no
    // longer listed), were renamed or changed place in the list.
    virtual void ModelsChanged(ModelsChange /*change*/, const std::vector<Model*>& /*models*/) {}
    // Masters were added, or their fields or members may have changed.
    // Masters that left the project come as ObjectsRemoved.
    virtual void MastersChanged(const std::vector<Master*>& /*masters*/) {}
    // Drawables of model changed: area (model coordinates at zoom 1) needs
    // repainting. Sent once per model and change.
    virtual void DrawablesChanged(Model& /*model*/, const CRect& /*area*/) {}
    // Objects (models, masters, top-level drawables) that are no longer
    // registered in the project, by id.
    virtual void ObjectsRemoved(const std::vector<Guid>& /*ids*/) {}
    // The selected drawables of model changed.
    virtual void SelectionChanged(Model& /*model*/) {}
    // The document's current model changed (null: none).
    virtual void CurrentModelChanged(Model* /*model*/) {}
    virtual void ModifiedChanged(bool /*modified*/) {}
    // Before an undo or redo changes anything (the one call that does not
    // come after the change): a window ends the gesture it has under way, so
    // that the replay starts from a project no drag or creation holds.
    virtual void ReplayComing() {}
    // After an undo or redo: the model the replayed record concerns (one of
    // the document's models or a tool model of its template) and the
    // drawables it asks the view to select (empty: keep the selection).
    virtual void ReplayShows(Model& /*model*/, const std::vector<Drawable*>& /*select*/) {}
    // A tool model of the document's template changed (its drawing, its
    // icon in the template's strip or its size) by a recorded change, an
    // undo or a redo.
    virtual void ToolChanged(Model& /*tool*/) {}
    // What the project tree shows besides the models changed: the project
    // was read or made anew, its template was replaced, or its lists of
    // generated and reverse-engineered files changed. Sent at once, held or
    // not, so that the tree is whole before the window's layout is applied.
    virtual void ProjectTreeChanged() {}
};

class DocumentEvents {
  public:
    explicit DocumentEvents(CCASEDoc& document) : document_(document) {}
    DocumentEvents(const DocumentEvents&) = delete;
    DocumentEvents& operator=(const DocumentEvents&) = delete;

    // Observers are not owned; one removed while events go out gets no more.
    void AddObserver(DocumentObserver* observer);
    void RemoveObserver(DocumentObserver* observer);

    // ---- the funnel ----
    // A journal group: nothing goes out until the group ends (EndGroup
    // sends what the group changed, once).
    void BeginGroup();
    void EndGroup();
    // Holds the events for the length of a scope (loading, paste, merge)
    // and sends them when the outermost scope ends.
    class Batch {
      public:
        explicit Batch(DocumentEvents& events) : events_(events) {
            ++events_.depth_;
            events_.wholeNext_ = true;
        }
        ~Batch() {
            if (--events_.depth_ == 0)
                events_.Publish();
        }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

      private:
        DocumentEvents& events_;
    };
    // Hints of a recorded change: its model and the objects it changed
    // (drawables repaint where they are even when their rectangles stayed,
    // masters are reported changed). The objects must be alive for the call;
    // only their ids are kept, so a hint whose object a later undo or redo
    // takes away names nothing when the events go out.
    void NoteChanged(ModelObject* model, ModelObject* current,
                     const std::vector<ModelObject*>& changed,
                     ChangeReach reach = ChangeReach::Anywhere);
    // Hints of a replayed record: its kind, the model it asks to show and
    // the drawables it asks to select (kept by id, as above).
    void NoteReplayed(ChangeKind kind, Model* toShow, const std::vector<Drawable*>& toSelect);
    // An undo or redo is about to run: observers hear of it at once, held
    // or not.
    void NoteReplayComing();
    // A master was made, read, pasted or found again for a new use: it is
    // reported changed with the next events, and the masters noted so come
    // first, in the order noted (a list that puts each new row on top then
    // shows the latest first). Kept by id, as above.
    void NoteMaster(const Master* master);
    // The project tree's contents beyond the models changed: observers hear
    // of it at once, held or not.
    void NoteProjectTreeChanged();
    // Sends the differences since the last events (nothing while held).
    void Publish();
    // The modified flag or the current model was set: its event goes out at
    // once when it changed (and nothing is held).
    void NoteModified();
    void NoteCurrentModel();
    // Takes the document as it is for what observers have seen, sending
    // nothing (a document emptied or replaced whole before it is shown).
    void Forget();

  private:
    // The tracked lists keep each object's address only as a token of
    // identity beside its id (an object re-created under the same id is a
    // new object to the observers); they never read through it.
    struct DrawableState {
        const Drawable* drawable;
        std::string id;
        CRect rect;
        bool selected;
    };
    struct ModelState {
        const Model* model;
        std::string id;
        std::string name;
        // The model's change count when its drawables were taken.
        uint64_t changeCount;
        std::vector<DrawableState> drawables;
    };
    struct MasterState {
        const Master* master;
        std::string id;
    };

    bool Held() const { return groupHeld_ || depth_ > 0; }
    // The model registered under id among the document's models or the
    // tool models of its template; else null (a replay took it away).
    Model* StillHeld(const std::string& id) const;
    // The drawable registered under id in the project or the template; null
    // when none is.
    Drawable* DrawableOf(const std::string& id) const;
    static ModelState StateOf(Model& model);
    // Whether the last publish may be followed by one over the named
    // objects only.
    bool Confined() const;
    // Whether model's drawables are to be compared in a confined publish:
    // the change named it, or its drawable list or selection changed.
    bool ModelMayHaveChanged(const Model& model, const ModelState& before) const;
    // The masters part of the publish: the masters reported changed, the ids
    // of those that left; the comparison is whole unless confined allows
    // the named masters alone.
    void CompareMasters(bool confined, std::vector<Master*>& changed,
                        std::vector<Guid>& removedIds) const;
    // Takes the masters collection as it is now; unless whole, a collection
    // whose change count stayed is kept as taken.
    void TakeMasters(bool whole);
    // Whether id is registered in the project or the template.
    bool Registered(const std::string& id) const;
    // Sends the drawables and selection events of one model listed before
    // (nothing for a model new to the list).
    void CompareDrawables(Model& model, const ModelState* before);
    template <class Call> void Send(Call&& call);

    CCASEDoc& document_;
    std::vector<DocumentObserver*> observers_;
    bool groupHeld_ = false;
    int depth_ = 0;
    bool sending_ = false;

    // What the observers were last told.
    std::vector<ModelState> models_;
    std::vector<MasterState> masters_;
    // Where each master of masters_ stands in it, and the collection's
    // change count when it was taken.
    std::unordered_map<const Master*, size_t> masterAt_;
    uint64_t mastersChangeCount_ = 0;
    const Model* current_ = nullptr;
    bool modified_ = false;

    // Hints gathered since then, by id: an undo or redo between the hint
    // and the events may have freed the objects they name.
    std::map<std::string, std::vector<std::string>> touched_; // model id: drawable ids
    std::vector<std::string> touchedMasters_;
    // Ids of the masters noted made or used, in the order noted.
    std::vector<std::string> notedMasters_;
    // Ids of the template's tool models a change or replay concerned.
    std::vector<std::string> touchedTools_;
    bool mastersReplayed_ = false;
    // Some change since the last publish may have reached beyond what it
    // named (or none was noted): the next publish compares everything.
    bool wholeNext_ = true;
    bool namedNoted_ = false;
    std::optional<std::string> toShow_;
    std::vector<std::string> toSelect_;
};

} // namespace qm
