// The editor's host as a document's child frame offers it to its view: the
// current palette tool and looks for new drawables, the main window's status
// bar and pop-up menus, and the application's one object property sheet. The
// add-method question comes with the dialogs; until then it is declined.
#pragma once

#include "editor/EditorHost.h"

class QMainWindow;

namespace qm {

class CObjSheet;

// The application's object property sheet, made on first use as a child of
// the main window.
CObjSheet& ObjectSheetOf(QMainWindow& mainWindow);

class FrameEditorHost : public EditorHost {
  public:
    explicit FrameEditorHost(QMainWindow& mainWindow);

    void ShowProperties(CCASEDoc& document, const ObjectHandle& target, int kind,
                        const ObjectHandle& place, bool activate) override;
    ObjectHandle OfferToAddMethod(CCASEDoc& document, const std::vector<ObjectHandle>& candidates,
                                  const std::string& method) override;
    void SetStatusText(const std::string& text) override;
    int CurrentTool() const override { return tool_; }
    void SetCurrentTool(int tool) override { tool_ = tool; }
    const Looks& CurrentLooks() const override { return looks_; }
    int PopupMenu(const std::vector<std::string>& items, CPoint screenPoint) override;

  private:
    QMainWindow& mainWindow_;
    int tool_ = 0;
    Looks looks_;
};

} // namespace qm
