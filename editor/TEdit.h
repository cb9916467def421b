// TEdit: the in-place editor the diagram view lays over a drawable's label,
// and the routine that starts and ends the edit of a drawable's text: ending
// it stores the text (or renames a place's master) as one journal entry
// through EndTextEdit (editor/operations/ViewEdits.h).
#pragma once

#include <QPlainTextEdit>

#include <string>

namespace qm {

class CCASEDoc;
class ModelObject;
class Drawable;
class Model;
struct Looks;
struct CRect;

class TEdit : public QPlainTextEdit {
  public:
    // alignment: the looks' text alignment (0 left, 1 centred, 2 right).
    explicit TEdit(int alignment, QWidget* parent = nullptr);
    int Alignment() const { return alignment_; }
    // The font of looks at zoom, through the second work font.
    void SetLooks(const Looks& looks, double zoom);
    // Whether the text changed since the edit began.
    bool IsModified() const { return document()->isModified(); }
    void SetModified(bool modified) { document()->setModified(modified); }
    // The text selected now, and its replacement.
    std::string SelectedText() const;
    void ReplaceSelection(const std::string& text);

  private:
    int alignment_;
};

// Starts (begin) or ends the in-place edit of drawable's text in model.
// Starting places the editor over the text's rectangle at the zoom, shifted
// by the scroll position, selects the text's end (a one-character text
// whole) and gives it the focus. Ending with a modified text records one
// entry: "Text Edit" for a drawable, "Place Master Switch" for a place,
// whose text is its master's name. Returns the object whose name changed
// (the place's master, or the drawable), or null when nothing changed.
// A drawable with no editable text does nothing.
ModelObject* EditDrawableText(CCASEDoc& document, Model& model, Drawable& drawable, TEdit& edit,
                              int scrollX, int scrollY, double zoom, bool begin);

} // namespace qm
