// The editor's host as a document's child frame offers it to its view: the
// frame's current palette tool and looks for new drawables and its commands,
// the main window's status bar and pop-up menus, the application's one
// object property sheet, and the questions the view asks (add a method,
// the reposition options).
#pragma once

#include "drawables/Drawable.h"
#include "editor/EditorHost.h"

class QMainWindow;

namespace qm {

class CChildFrame;
class CObjSheet;

// The application's object property sheet, made on first use as a child of
// the main window.
CObjSheet& ObjectSheetOf(QMainWindow& mainWindow);

class FrameEditorHost : public EditorHost {
  public:
    // Without a frame the host keeps the tool itself and takes no command.
    explicit FrameEditorHost(QMainWindow& mainWindow, CChildFrame* frame = nullptr);

    void ShowProperties(CCASEDoc& document, const ObjectHandle& target, int kind,
                        const ObjectHandle& place, bool activate) override;
    ObjectHandle OfferToAddMethod(CCASEDoc& document, const std::vector<ObjectHandle>& candidates,
                                  const std::string& method) override;
    void SetStatusText(const std::string& text) override;
    int CurrentTool() const override;
    void SetCurrentTool(int tool) override;
    // The frame's looks for new drawables; the host's own without a frame.
    const Looks& CurrentLooks() const override;
    int PopupMenu(const std::vector<std::string>& items, CPoint screenPoint) override;
    bool RouteCommand(int id, CommandTarget& origin) override;
    CommandState RouteUpdate(int id, CommandTarget& origin) override;
    void SelectionShown(const ObjectHandle& drawable) override;
    void ZoomShown(double zoom) override;
    bool AskRepositionOptions(int& options) override;
    void HidePropertySheet() override;
    void LabelCommitted() override;
    void ShowMemberProperties(CCASEDoc& document, const ObjectHandle& master, int memberKind,
                              int item) override;
    void MasterShownChanged(Master& master) override;
    void ViewScrolled(bool sizesChanged) override;
    void ToolEditingShown(bool iconEditing) override;
    // The symbol of the application's library menu behind the tool, placed
    // as a place while the menu's "Use As Place" is checked.
    LibrarySymbol LibrarySymbolForTool(int tool) override;

  private:
    QMainWindow& mainWindow_;
    CChildFrame* frame_;
    int tool_ = TkPointer;
    Looks looks_;
};

} // namespace qm
