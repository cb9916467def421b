// The commands the project window's panes take (the explorer's and the side
// pane's): one table of the Edit menu's commands and of the shared pop-up
// menu, whose handlers and rules each pane fills in, and the pop-up menu
// built from it.
#pragma once

#include "editor/CommandTarget.h"
#include "model/CommandIds.h"

#include <span>

class QMenu;
class QWidget;

namespace qm {

class CCASEDoc;
class EditorHost;

// A pane that takes the shared commands. Each handler and rule covers the
// Edit command and its pop-up twin; a rule left alone disables its commands,
// a handler left alone does nothing.
class PaneCommandTarget : public CommandTarget {
  public:
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;
    // The Edit commands and the pop-up menu ("New Model...", "Cut", "Copy",
    // "Shallow Copy", "Paste", "Delete", "Explode...", "Submodel", "Implode",
    // "Break Explode Link", "Call...", "Properties..."), in the menu's order.
    static std::span<const CommandRow<PaneCommandTarget>> CommandTable();

  protected:
    // The pop-up menu, each item enabled and carried out through host's
    // routing, which asks this pane first. The menu deletes itself on close.
    QMenu* BuildPopupMenu(QWidget* parent, EditorHost& host);
    // Whether the pane takes Select All and Select Explodes now; when it
    // does not, they go on along the frame's chain.
    virtual bool TakesSelectAll() const { return false; }

    virtual void OnCutOrCopy(int /*id*/) {}
    virtual void OnUpdateCutOrCopy(int id, CommandState& state) { Disabled(id, state); }
    virtual void OnPaste(int /*id*/) {}
    virtual void OnUpdatePaste(int id, CommandState& state) { Disabled(id, state); }
    virtual void OnDelete(int /*id*/) {}
    virtual void OnUpdateDelete(int id, CommandState& state) { Disabled(id, state); }
    virtual void OnProperties(int /*id*/) {}
    virtual void OnSelectAll(int /*id*/) {}
    virtual void OnUpdateSelectAll(int id, CommandState& state) { Disabled(id, state); }
    virtual void OnNewModel(int /*id*/) {}
    virtual void OnUpdateNewModel(int id, CommandState& state) { Disabled(id, state); }
    virtual void OnImplode(int /*id*/) {}
    virtual void OnUpdateImplode(int id, CommandState& state) { Disabled(id, state); }
    virtual void OnExplode(int /*id*/) {}
    virtual void OnUpdateExplode(int id, CommandState& state) { Disabled(id, state); }
    virtual void OnSubmodel(int /*id*/) {}
    virtual void OnBreakExplode(int /*id*/) {}
    virtual void OnUpdateSubmodel(int id, CommandState& state) { Disabled(id, state); }
    void Disabled(int id, CommandState& state);

  private:
    friend struct PaneCommandRows;
    bool IsSelectAll(int id) const { return id == cmd::EditSelectAll || id == cmd::SelectExplodes; }
};

// Reads the masters clipboard file into document; a failure is shown and
// gives false.
bool PasteClipboardFile(CCASEDoc& document);

} // namespace qm
