// ProjectWindow: what the panes of a project window (the explorer, the side
// pane and its tabs) ask of the window they sit in. The panes never know the
// frame's class: the child frame implements this interface and hands it to
// each pane it makes; tests hand a fake.
#pragma once

#include "model/ObjectHandle.h"
#include "platform/Geometry.h"

#include <string>

class QPoint;

namespace qm {

class CCASEDoc;
class EditorHost;
class Master;
class Model;

class ProjectWindow {
  public:
    virtual ~ProjectWindow() = default;

    virtual CCASEDoc& Document() = 0;
    // Shows model (null: none) in the diagram view. False when the view
    // refuses (an operation in progress); the current model then stays.
    virtual bool ShowModel(Model* model) = 0;
    // The frame's side of the diagram view: the property sheets, the status
    // bar, the current tool.
    virtual EditorHost& Host() = 0;
    // The reference project, or null while none is loaded.
    virtual CCASEDoc* ReferenceProject() const = 0;
    // The frame's model commands the explorer's context menu offers.
    virtual void NewModel() = 0;
    virtual void Implode() = 0;
    // Explodes master into its submodel (made when it has none). False when
    // nothing was exploded.
    virtual bool ExplodeMaster(Master& master) = 0;
    // Opens a file item's file by its extension.
    virtual void OpenFile(const std::string& path) = 0;
    // Shows a file item's text, read only, in the diagram view in place of a
    // model (an empty path hides it).
    virtual void ShowFileText(const std::string& /*path*/) {}
    // Puts the picture of every drawable of model on the system clipboard,
    // with the reference to the masters clipboard file just written, when
    // the view shows it (the explorer's cut and copy of a model).
    virtual void CopyModelPicture(Model& /*model*/) {}

    // ---- the active diagram view ----
    // The part of the current model's zoomed page the view shows (its client
    // rectangle moved by its scroll position); empty without a view.
    virtual CRect VisibleArea() const = 0;
    // Scrolls the view so that its top-left corner shows point (zoomed page
    // coordinates).
    virtual void ScrollViewTo(CPoint point) = 0;
    // Repaints the view; with scrollSizes its scroll sizes follow the model's
    // page matrix first.
    virtual void RepaintView(bool scrollSizes) = 0;
    // Drops a place of master into the current model at a screen point. False
    // (nothing made) when the point lies outside the view's client area or
    // the view shows no model.
    virtual bool DropMaster(Master& master, const QPoint& screenPoint) = 0;
    // Whether a screen point lies over the view's client area while the view
    // shows a model (where a dragged master can be dropped).
    virtual bool CanDropAt(const QPoint& screenPoint) const = 0;
    // The view's zoom animation of entering a submodel, before it is shown.
    virtual void AnimateZoomIn() {}
};

} // namespace qm
