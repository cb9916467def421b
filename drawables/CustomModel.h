// The diagram models: CustomModel (diagram kinds 0, 11, 12, 14 to 17) and
// SequenceModel (kind 13). They add to the model the creation of places,
// links and message floaters by tool id, the re-binding of drawables to a
// template's tools, message numbering with its renumbering mode, and, for
// sequence diagrams, lifelines and call boxes. Both persist under the
// customModel record head.
#pragma once

#include "drawables/Model.h"

#include <string>

namespace qm {

class Floater;
class Link;
class NotationTemplate;
class Place;
class ScenarioPlace;

class CustomModel : public Model {
  public:
    // A diagram of kind 0 entered in map, held by document (may be null);
    // with a page size, the page matrix is the best one for that page.
    explicit CustomModel(GuidMap* map = nullptr, ModelDocument* document = nullptr,
                         CSize pageSize = CSize());

    ModelDocument* Document() const { return document_; }
    void SetDocument(ModelDocument* document) { document_ = document; }

    // ---- the model operations ----
    // A place (a scenario place in a sequence model) of master, registered
    // in the model's map, with the master's tool's looks, started from
    // (30, 30, 100, 80) or rect when not empty; added to the model.
    Drawable* CreatePlace(ModelDocument* document, Master* master, const CRect& rect) override;
    // Every link takes the template's tool of its kind (the stand-in, flagged
    // and logged, when the template lacks it); places show their masters'
    // tools, which the document re-binds.
    void RebindTools(NotationTemplate* notation) override;
    // Record: (customModel <model record>), for both classes.
    kest::Cell* Persist(ModelDocument* document, GuidScope* scope, kest::Cell* list) override;
    void ReadElements(ModelDocument* document, GuidScope* scope, RecordElements& elements) override;

    // ---- creation by tool ----
    // The document's master of that tool, name and namespace (made when
    // missing) shown by a new place; null when the document makes no master.
    // annotate chooses whether the new place lists the master's members
    // (the editor passes the settings' "Annotate Places by Default").
    Drawable* CreatePlaceOfTool(ModelDocument* document, int toolId, const std::string& name,
                                const std::string& nameSpace, const CRect& rect,
                                bool annotate = true);
    // A link of the template's tool between the two nodes, styled by the
    // model's flags, its ends at the centres of the end rectangles, named
    // text; added to the model. Null for missing nodes.
    virtual Link* CreateLink(ModelDocument* document, int toolId, const std::string& text,
                             NodeDrawable* source, Drawable* target);
    // A message floater on the segment of link nearest to point, with text,
    // moved next to the point; added to the model. Null without a link.
    Floater* CreateFloater(const std::string& text, Link* link, const CPoint& point);

    // ---- marking and upkeep ----
    // Clears the marks, marks the links of node, the tags and floaters of
    // marked drawables, passes the request to groups, then collects the
    // marked drawables into list.
    void MarkNodeDrawables(Drawable* node, DrawableRefList& list);
    void UpdatePlaces();
    // The first place of a master with the tool and name; made with
    // CreatePlaceOfTool when missing. A master without a submodel gets a
    // class diagram (with this model's flags) from the document. The
    // master's submodel, or null when the document makes none.
    Model* FindOrCreateClassPlace(ModelDocument* document, int toolId, const std::string& name,
                                  const std::string& nameSpace);
    // One journal entry "Annotation (multiple)" over the selection (or every
    // drawable when nothing is selected); rect unites the changed places.
    void AnnotateSelection(ModelDocument* document, int filter, CRect& rect);

    // ---- message numbers ----
    // The highest message number of the model's floaters, place groups
    // answering for their members; 0 without floaters.
    int GetMaxMessageNumber() const;
    bool IsRenumbering() const { return (modelFlags & MfRenumber) != 0; }
    // Flips the renumbering mode and forgets the current message. On: a
    // journal group begins. Off: "Renumber Messages" is recorded when the
    // journal holds changed drawables, and the group ends.
    void ToggleRenumberMessages();
    // Makes floater the current message; unless keepNumber, renumbers it to
    // the current message's number + 1 (0 + 1 without one) when it differs.
    void SetCurrentMessage(Floater* floater, bool keepNumber, CRect& rect);
    // The editor's click in renumbering mode: SetCurrentMessage, and a
    // floater whose number changed is handed to the journal with its
    // previous state. True when the number changed.
    bool PickMessage(Floater* floater, bool keepNumber, CRect& rect);
    // Gives floater the number, measures its label anew and unites the
    // zoomed areas it covered before and after into rect.
    void RenumberMessage(Floater* floater, int number, CRect& rect);
    Floater* CurrentMessage() const { return currentMessage_; }

  protected:
    // The place class of the model.
    virtual std::unique_ptr<Place> NewPlace();

  private:
    Floater* currentMessage_ = nullptr;
    ModelDocument* document_ = nullptr;
};

class SequenceModel : public CustomModel {
  public:
    explicit SequenceModel(GuidMap* map = nullptr, ModelDocument* document = nullptr,
                           CSize pageSize = CSize());

    Drawable* CreatePlace(ModelDocument* document, Master* master, const CRect& rect) override;
    Link* CreateLink(ModelDocument* document, int toolId, const std::string& text,
                     NodeDrawable* source, Drawable* target) override;

    // Moves the lifeline's end by dy, never above the place's top + 8 nor
    // below the page's bottom; rect gets the changed area.
    void ExtendLifeline(ScenarioPlace& place, int dy, CRect& rect);
    // The lifeline knob's drag: moves the lifeline's end by offset's height
    // (the width is ignored), never above its last call box nor the place's
    // top + 8 and never below the page's bottom. Returns the offset applied;
    // rect gets the changed area.
    CSize DragLifeline(ScenarioPlace& place, CSize offset, CRect& rect);
    // The rectangle a message may be dragged in (its right and bottom edges
    // outside, as ClampPointToRect takes them): the page, cut to the heights
    // where the lifelines of the chosen end places (ends 1 source, 2 target,
    // 3 both) can take a message end (ClampToLifeLine). Mode 0 is a
    // plain message; modes 1 (an inner vertex) and 2 (the edge next to the
    // source) of a self-message loop also keep the loop more than 23 units
    // right of the source lifeline. An end that is no scenario place adds
    // no cut; when the cuts leave no height in common, rect takes the
    // heights of the first end's lifeline.
    void MessageLimits(const Link& link, int ends, CRect& rect, int mode) const;
    // After a knob drag of a message end (1 source, 2 target): the end
    // vertex goes onto its place's lifeline (its x, and a height the
    // lifeline can take), a level message keeps its other end at the same
    // height, and a control-flow message's call box at that end grows to
    // hold it. rect unites the changed area.
    void AttachMessageEnd(Link& link, int end, CRect& rect);
    // Re-fits the call boxes at the chosen ends (1 source, 2 target) of a
    // control-flow link: the box under the link's end vertex grows to hold it.
    void FitCallBoxes(Link& link, int ends, CRect& rect);
    // Orders the two end places of a link by their lifelines: negative when
    // the source's lifeline is left of the target's, 0 when level.
    int CompareLifelines(const Link& link) const;
    // Marks (mask 1) every link whose first or last vertex lies in the place.
    void MarkLinksAtPlace(const Drawable& place);
    // Moves every drawable down by dy; rect unites their rectangles.
    void ShiftAll(int dy, CRect& rect);
    // The messages on a call box of place: every link whose source is the
    // place with its first vertex in rect widened by 2 to the left and
    // right, or whose target is the place with its last vertex in it.
    void CollectCallBoxMessages(const ScenarioPlace& place, const CRect& rect,
                                DrawableRefList& out) const;
    // Moves each message by (0, dy) with the floaters that label it, so that
    // the labels stay beside their messages; repaint (when given) unites the
    // changed area scaled by the zoom.
    void MoveMessages(const DrawableRefList& messages, int dy, CRect* repaint);
    // Continues the model's sequence with pasted drawables (already in the
    // model): the call boxes of the pasted scenario places, with the pasted
    // messages and their floaters, move down together, in their order, so
    // that the first pasted box starts below the last box of the places that
    // were there before; lifelines grow to hold their boxes. Returns the
    // distance moved: 0 when the pasted boxes already follow or either side
    // has none. rect unites the changed areas. No marks are left behind, as
    // the link upkeep and the layout read them.
    int AppendCallBoxes(const std::vector<Drawable*>& pasted, CRect& rect);

  protected:
    std::unique_ptr<Place> NewPlace() override;
};

} // namespace qm
