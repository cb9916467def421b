// The find-and-replace engine over a project, without widgets: the search
// position kept between clicks, the five modes (Find Next, Find Previous,
// Find All, Replace, Replace All) run over the document's models in their
// list order, and the match list the runs fill. The find sheet drives it; the
// frame answers what it asks through FindHost.
#pragma once

#include "model/ObjectHandle.h"
#include "platform/Geometry.h"

#include <string>
#include <vector>

namespace qm {

class CCASEDoc;
class Drawable;
class Model;

// The modes of a run, in the order of the sheet's buttons.
enum class FindMode { Next = 0, Previous = 1, All = 2, Replace = 3, ReplaceAll = 4 };

// The search options of the sheet's check boxes, and the replacing bit the
// engine adds for Replace and Replace All.
enum FindOption : int {
    FoNameOnly = 0x1,
    FoMatchCase = 0x2,
    FoWholeWords = 0x4,
    FoReplacing = 0x8,
};

// The longest a run goes on: a safeguard against a model list that keeps
// producing hits forever.
constexpr int kMaxFindPasses = 10001;

inline constexpr const char* kNoFurtherMatch = "No further matching string found.";

// What a run asks of the frame that shows the document.
class FindHost {
  public:
    virtual ~FindHost() = default;
    // Shows model in the frame's view and selects drawable (null: the model
    // alone, nothing selected).
    virtual void ShowDrawable(Model& model, Drawable* drawable) = 0;
    // Shows model and opens its property sheet, brought to the front.
    virtual void ShowModelProperties(Model& model) = 0;
    // The view of model repaints area (view coordinates: zoomed).
    virtual void InvalidateRect(Model& model, const CRect& area) = 0;
    // Closes an open property sheet, applying its edits first.
    virtual void ApplyAndHidePropertySheet() = 0;
};

// The host of a run with no frame: nothing is shown.
class NullFindHost : public FindHost {
  public:
    void ShowDrawable(Model&, Drawable*) override {}
    void ShowModelProperties(Model&) override {}
    void InvalidateRect(Model&, const CRect&) override {}
    void ApplyAndHidePropertySheet() override {}
};

// One line of the match list and the object it leads to.
struct FindMatch {
    std::string line;
    int modelIndex = 0;    // the model's place in the list when the line was added
    ObjectHandle model;    // empty for a line without a record
    ObjectHandle drawable; // empty for a hit in the model's own texts
};

// The text of a match line: "Model %s: %d hits" for the model's own texts,
// "%s/Place %s: %d hits" (the place's master), "%s/Link %s: %d hits",
// "%s/Tag %s: %d hits" (the tag's text); "" for another kind of drawable.
std::string MatchLineText(const Model& model, const Drawable* drawable, int count);

class FindMatchList {
  public:
    // Appends a line for count hits of drawable (null: the model's texts).
    void AddMatch(CCASEDoc& document, Model& model, Drawable* drawable, int count);
    void ClearMatchList() { matches_.clear(); }
    const std::vector<FindMatch>& Matches() const { return matches_; }
    // Goes to the match of line index: nothing unless the line's model is
    // still in the document at the index it was found at. A model hit shows
    // the model and its properties; a drawable hit, when the drawable is
    // still in the model's list, shows the model and selects it. False when
    // nothing was done.
    bool GoToMatch(CCASEDoc& document, size_t index, FindHost& host) const;

  private:
    std::vector<FindMatch> matches_;
};

// What a run did.
struct FindResult {
    bool found = false;         // any line added (else the "no further match" message)
    int passes = 0;             // model searches made
    int replacements = 0;       // occurrences replaced
    bool showMatchList = false; // Find All or Replace All found something
};

class FindEngine {
  public:
    explicit FindEngine(CCASEDoc& document) : document_(&document) {}

    // Another document: the match list is emptied and the position reset.
    void SetDocument(CCASEDoc& document);
    CCASEDoc& Document() const { return *document_; }

    // One run of mode for word (and replacement for the replacing modes)
    // with options (FoNameOnly, FoMatchCase, FoWholeWords). Empties the
    // match list first and fills it; a Replace or Replace All run is
    // recorded as one journal change "Replace" or "Replace All". With no
    // hit the user is told "No further matching string found.". Nothing
    // happens in a document without models.
    FindResult FindInModels(FindMode mode, const std::string& word, const std::string& replacement,
                            int options, FindHost& host);

    // Back to the first model (the sheet was closed).
    void ResetPosition();

    FindMatchList& MatchList() { return matches_; }
    const FindMatchList& MatchList() const { return matches_; }
    int ModelIndex() const { return modelIndex_; }
    // The drawable of the last hit in the current model, or null.
    Drawable* CurrentDrawable() const;

  private:
    // Puts the position where a run of mode starts.
    void PrepareStart(FindMode mode, int count);

    CCASEDoc* document_;
    FindMatchList matches_;
    int modelIndex_ = 0;
    bool started_ = false;
    bool exhausted_ = false;
    ObjectHandle current_;
};

} // namespace qm
