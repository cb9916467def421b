// The undo journal's records of the template's tools: "Resize Tool" (the
// drawing locater's knob changed the tool rectangle) and "Icon Edit" (the
// icon editor, or an icon paste, cut or delete, changed the tool's cell of
// the icon strip). Both name the tool by its number, not by an id, and are
// replayed without resolving a model: a record whose head is not toolModel
// does nothing.
//
// A record is read and checked whole, and the tool and its cell found,
// before anything changes, so a record that does not read fails with the
// journal's message and leaves the template and the document's icon backup
// as they were.
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "document/UndoJournalRecords.h"
#include "drawables/Drawable.h"
#include "drawables/NotationTemplate.h"
#include "drawables/TemplateFile.h"
#include "drawables/ToolModel.h"
#include "kernel/Kernel.h"
#include "platform/Errors.h"

#include <cstdint>

namespace qm {

using kest::Cell;
using kest::nil;

namespace {

using namespace journal;

constexpr const char* kIconOutside = "The tool's icon lies outside the template's icon strip";
constexpr const char* kNoIconKept = "No icon was kept when the icon edit began";

// (width height) with both at least 0 and a rectangle of that size at the
// tool rectangle's corner still in range.
CPoint ReadSize(Cell* cell, const CRect& frame) {
    Cell* width = Next(cell);
    Cell* height = Next(cell);
    if (cell != nil || !IsInteger(width) || !IsInteger(height) || width->a.ival < 0 ||
        height->a.ival < 0)
        throw CKestException(kDamaged);
    const int64_t right = int64_t(frame.left) + width->a.ival;
    const int64_t bottom = int64_t(frame.top) + height->a.ival;
    if (right > kMaxCoordinate || bottom > kMaxCoordinate ||
        !RectInRange(CRect(frame.left, frame.top, int32_t(right), int32_t(bottom))))
        throw CKestException(kDamaged);
    return CPoint(width->a.ival, height->a.ival);
}

} // namespace

// ---- recording ----

Cell* UndoJournal::BuildToolForm(const FormArgs& args) {
    auto* tool = dynamic_cast<ToolModel*>(args.model);
    if (tool == nullptr)
        return nil;
    Cell* number = kest::mkint(tool->id);
    if (args.kind == ChangeKind::ResizeTool)
        return kest::mklist(args.head, number, PointCell(pending_.oldToolSize),
                            PointCell(pending_.newToolSize), nullptr);

    // The icon the edit began from, and the tool's cell of the strip now.
    const ToolBitmap& before = document_.IconBackup();
    if (before.Width() != kIconWidth || before.Height() != kIconHeight)
        throw CKestException(kNoIconKept);
    if (!document_.HoldsIconOf(*tool))
        throw CKestException(kIconOutside);
    const ToolBitmap* strip = document_.IconStripOf(*tool);
    ToolBitmap after;
    after.Create(kIconWidth, kIconHeight);
    after.CopyIcon(*strip, tool->iconSlot, 0);
    after.ColourTable() = strip->ColourTable();
    const int32_t parameter =
        document_.Template() != nullptr ? document_.Template()->bitmapParameter : 100;
    return kest::mklist(args.head, number, WriteIconBitmap(before, parameter),
                        WriteIconBitmap(after, parameter), nullptr);
}

// ---- replaying ----

void UndoJournal::ReplayTool(ChangeKind kind, Cell* form, bool redo) {
    if (Next(form) != kest::intern("toolModel"))
        return;
    Cell* number = Next(form);
    if (!IsInteger(number))
        throw CKestException(kDamaged);
    NotationTemplate* notation = document_.Template();
    ToolModel* tool = notation != nullptr ? notation->GetTool(number->a.ival) : nullptr;
    if (tool == nullptr)
        throw CKestException(kTemplateSwitched);

    if (kind == ChangeKind::ResizeTool) {
        const CPoint before = ReadSize(Next(form), tool->printFrame);
        const CPoint after = ReadSize(Next(form), tool->printFrame);
        const CPoint size = redo ? after : before;
        tool->printFrame.right = tool->printFrame.left + size.x;
        tool->printFrame.bottom = tool->printFrame.top + size.y;
    } else {
        // Both icons must read, so that undo and redo fail alike on a
        // damaged record.
        ToolBitmap before;
        ToolBitmap after;
        if (!ReadIconBitmap(Next(form), before) || !ReadIconBitmap(Next(form), after))
            throw CKestException(kDamaged);
        if (!document_.HoldsIconOf(*tool))
            throw CKestException(kIconOutside);
        // The icon becomes the document's icon backup and is copied into
        // the tool's cell, shown in icon editing.
        tool->SetIconEditing(true);
        document_.IconBackup() = redo ? std::move(after) : std::move(before);
        document_.RestoreIconFromBackup(*tool);
        tool->iconChanged = true;
    }
    document_.SetCurrentModel(tool);
    modelToShow_ = tool;
}

// ---- the seam ----

void DocumentChangeJournal::SetToolSize(ModelDocument* /*document*/, CPoint size, bool after) {
    document_.GetJournal().SetToolSize(size, after);
}

bool DocumentChangeJournal::SaveIconForEdit(ModelDocument* /*document*/, ModelObject* tool) {
    auto* toolModel = dynamic_cast<ToolModel*>(tool);
    return toolModel != nullptr && document_.SaveIconForEdit(*toolModel);
}

} // namespace qm
