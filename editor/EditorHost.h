// EditorHost: what a diagram view asks of the frame it sits in. The view
// never reaches above itself: the frame (shell/) implements this interface
// and hands it to each view it makes. NullEditorHost answers for a view shown
// in no frame (tests, headless runs).
#pragma once

#include "drawables/Looks.h"
#include "editor/CommandTarget.h"
#include "model/ObjectHandle.h"
#include "platform/Geometry.h"

#include <string>
#include <utility>
#include <vector>

namespace qm {

class CCASEDoc;
class Drawable;
class Master;
class Model;

// A symbol of the model library behind a library tool (11010-12000): the
// library's document and the model that holds it, and the library menu's
// switch that places a primitive group as a place ("Use As Place") rather
// than as a copy of the primitives ("Use As Primitive"). Pointers valid for
// the call that asks only.
struct LibrarySymbol {
    CCASEDoc* document = nullptr;
    Model* model = nullptr;
    Drawable* symbol = nullptr;
    bool asPlace = false;
};

class EditorHost {
  public:
    virtual ~EditorHost() = default;

    // Opens the property sheet of target (a drawable, a master or a member;
    // an empty handle: the sheet with no target), of kind as the drawable's
    // reference gives it; place is the place it was reached through, when
    // any. With activate the sheet comes to the front.
    virtual void ShowProperties(CCASEDoc& document, const ObjectHandle& target, int kind,
                                const ObjectHandle& place, bool activate) = 0;
    // The "Add Method to Class?" question: the class chosen among candidates
    // for a new method named method, or an empty handle when declined.
    virtual ObjectHandle OfferToAddMethod(CCASEDoc& document,
                                          const std::vector<ObjectHandle>& candidates,
                                          const std::string& method) = 0;
    // Writes text to the message pane of the status bar.
    virtual void SetStatusText(const std::string& text) = 0;
    // The palette tool new drawables are made with (its tool number), and
    // its change (a one-shot operation returns to the pointer through it).
    virtual int CurrentTool() const = 0;
    virtual void SetCurrentTool(int tool) = 0;
    // The looks new drawables take.
    virtual const Looks& CurrentLooks() const = 0;
    // Pops up a menu of items at a point on the screen and returns the index
    // chosen, or -1: the call menu of a message, the operation menu of a
    // class.
    virtual int PopupMenu(const std::vector<std::string>& items, CPoint screenPoint) = 0;
    // Runs command id through the frame's routing, starting at origin (the
    // view or pane whose pop-up menu, click or key raised it): origin, then
    // the frame's chain. False when nobody takes it. Without a frame only
    // origin is asked.
    virtual bool RouteCommand(int id, CommandTarget& origin) { return origin.OnCommand(id); }
    // The state of command id by the same walk; disabled when nobody takes it.
    virtual CommandState RouteUpdate(int id, CommandTarget& origin) {
        CommandState state;
        if (!origin.OnUpdateCommand(id, state))
            state.enabled = false;
        return state;
    }
    // The view's selection changed: the single selected drawable, or an
    // empty handle. An open property sheet follows it.
    virtual void SelectionShown(const ObjectHandle& /*drawable*/) {}
    // The view's zoom changed: the frame's zoom box shows it.
    virtual void ZoomShown(double /*zoom*/) {}
    // Asks for the reposition options (the "Reposition" dialog), starting
    // from options; false when cancelled.
    virtual bool AskRepositionOptions(int& /*options*/) { return false; }
    // Before the selection is deleted: an open property sheet lets go of it.
    virtual void HidePropertySheet() {}
    // An in-place label edit ended and changed a name: an open property
    // sheet shows the new name in its name field.
    virtual void LabelCommitted() {}
    // Opens the property sheet of master on its page of memberKind (0
    // attributes, 1 types, 2 methods) with member index item selected.
    virtual void ShowMemberProperties(CCASEDoc& /*document*/, const ObjectHandle& /*master*/,
                                      int /*memberKind*/, int /*item*/) {}
    // What master shows changed outside the diagram view (an annotation
    // toggled in the annotation pane): the view lays out its places again
    // and, with automatic sizing, resizes them.
    virtual void MasterShownChanged(Master& /*master*/) {}
    // The library symbol a library tool stands for (the frame's library
    // menu knows it); an empty answer without a library or such a symbol.
    virtual LibrarySymbol LibrarySymbolForTool(int /*tool*/) { return {}; }
    // The view scrolled (sizesChanged: its scroll sizes changed, as after a
    // zoom or a new page): the frame's overview panes follow it.
    virtual void ViewScrolled(bool /*sizesChanged*/) {}
    // An undo or redo left the view showing a tool model in design editing
    // (iconEditing false) or icon editing: the frame's tool edit mode and
    // its buttons follow.
    virtual void ToolEditingShown(bool /*iconEditing*/) {}
};

// The host of a view in no frame: no sheet, no question (declined), no
// status bar, no menu (nothing chosen); the tool and the looks are kept.
class NullEditorHost : public EditorHost {
  public:
    NullEditorHost();
    void ShowProperties(CCASEDoc&, const ObjectHandle&, int, const ObjectHandle&, bool) override {}
    ObjectHandle OfferToAddMethod(CCASEDoc&, const std::vector<ObjectHandle>&,
                                  const std::string&) override {
        return {};
    }
    void SetStatusText(const std::string& text) override { statusText = text; }
    int CurrentTool() const override { return tool_; }
    void SetCurrentTool(int tool) override { tool_ = tool; }
    const Looks& CurrentLooks() const override { return looks_; }
    void SetCurrentLooks(const Looks& looks) { looks_ = looks; }
    int PopupMenu(const std::vector<std::string>&, CPoint) override { return -1; }
    void ShowMemberProperties(CCASEDoc&, const ObjectHandle&, int memberKind, int item) override {
        memberPages.emplace_back(memberKind, item);
    }
    void MasterShownChanged(Master&) override { ++mastersShownChanged; }

    std::string statusText;
    // The member pages asked for (kind, item) and the masters told changed.
    std::vector<std::pair<int, int>> memberPages;
    int mastersShownChanged = 0;

  private:
    int tool_ = 0;
    Looks looks_;
};

} // namespace qm
