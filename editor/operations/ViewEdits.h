// The journaled edits the diagram view makes apart from its mouse
// operations: a nudge or lane swap from the keyboard, the automatic sizing of
// labels and places after a text changed, an operation added to a class from
// a message, a looks change from the bars, and the end of an in-place text
// edit. Each changes the model and records its journal entry; the view only
// turns keys, menu picks and finished edits into these calls and repaints
// what they answer. No Qt here: they run and are tested headless.
#pragma once

#include "editor/operations/EditOperation.h"
#include "model/ChangeJournal.h"

#include <string>

namespace qm {

class Drawable;
class Link;
class Master;
class ModelObject;
class Place;
class Swimlane;
struct Looks;

// The document's journal as the change and group scopes take it, for the
// view, which does not see the journal itself.
JournalCalls& ScopeJournal(CCASEDoc& document);

// Moves the selection of context's model by (dx, dy) as one "Nudge
// Drawables" entry; a move by nothing records nothing. Returns the area the
// move repaints, in view units (zoomed).
CRect NudgeSelection(const OperationContext& context, int dx, int dy);

// Exchanges lane with the lane before it (left) or after it as one "Swap
// Swimlanes" entry, leaving lane selected alone. Returns the area to repaint
// in view units; nothing happens without such a neighbour.
CRect SwapLane(const OperationContext& context, Swimlane& lane, bool left);

// With automatic sizing on, fits the label of a link, junction or message
// floater to its text as one entry under name ("Auto-size Link"); repaint
// gains the area changed, in view units.
void AutoSizeLabel(const OperationContext& context, Drawable& drawable, const char* name,
                   CRect& repaint);

// Lays out again every place of master at or inside drawable (a place
// group's members too) and, with automatic sizing on and unless suppress,
// gives each the size its text needs as one "Auto-size Place" entry; repaint
// gains the model area changed.
void RelayoutPlaces(const OperationContext& context, Drawable* drawable, Master& master,
                    CRect& repaint, bool suppress);

// Grows a place whose text was just edited to the room the text needs, as
// one "Auto-size Place" entry. Returns the model area to repaint.
CRect GrowEditedPlace(const OperationContext& context, Drawable& edited);

// Adds an operation of that name to target, recorded as "Property Changes"
// of context's model.
void AddMethod(const OperationContext& context, Master& target, const std::string& name);

// Whether link is a call: its tool's semantics are "Control-Flow".
bool IsCallLink(const Link* link);

// A named call (a call link, or a message floater: link null) may name an
// operation its class lacks: with the option on, when master and the
// classes nested in it have no operation of the name text begins with, the
// host offers to add one to a class of its choice (AddMethod). True when
// the question was asked.
bool OfferMissingMethod(const OperationContext& context, Link* link, const std::string& text,
                        Master* master);

// Gives the selection the looks of mask's parts as one "Looks Change" entry
// (placesAndLinksOnly: leaves the rest as they are), repainting each
// drawable. Returns the area to repaint in view units.
CRect ChangeSelectionLooks(const OperationContext& context, const Looks& mask, const Looks& looks,
                           bool placesAndLinksOnly);

// Replaces text, the editable text of drawable (a link's name, a tag's or a
// floater's text) with newText, recorded as one "Text Edit" entry in model;
// a link lays its name out again.
void RecordTextEdit(CCASEDoc& document, Model& model, Drawable& drawable, std::string& text,
                    const std::string& newText);

// Ends an in-place edit that changed text, drawable's editable text, to
// newText: a place takes the master of its new name ("Place Master Switch"),
// anything else its new text ("Text Edit"). Returns the object whose name
// changed (the place's master, or the drawable), or null when the place
// could not take the name.
ModelObject* EndTextEdit(CCASEDoc& document, Model& model, Drawable& drawable, std::string& text,
                         const std::string& newText);

} // namespace qm
