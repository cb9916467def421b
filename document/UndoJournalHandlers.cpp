// The undo journal's handlers, one row per change kind in the order of the
// kinds' table (model/ChangeJournal.cpp): the handler that builds a kind's
// record and the one that replays it. Kinds of one family share handlers,
// which tell the kinds apart where their records differ.
#include "document/UndoJournal.h"

#include <cstddef>

namespace qm {

using J = UndoJournal;
using K = ChangeKind;

// Indexed by the kind's number; a row whose replays are both null replays
// as nothing, one whose build is null writes no record.
constexpr UndoJournal::Handler UndoJournal::kHandlers[kChangeKindCount] = {
    {K::ProjectSaved, nullptr, nullptr, nullptr},
    {K::Create, &J::BuildObjectsForm, &J::ReplayObjects, nullptr},
    {K::MoveDrawables, &J::BuildMoveForm, nullptr, &J::ReplayMove},
    {K::Reshape, &J::BuildReshapeForm, nullptr, &J::ReplayReshape},
    {K::Reshape4, &J::BuildReshapeForm, nullptr, &J::ReplayReshape},
    {K::SwapSwimlanes, &J::BuildSwapForm, nullptr, &J::ReplaySwap},
    {K::PropertyChanges, &J::BuildPropertyForm, &J::ReplayPropertyChanges, nullptr},
    {K::PlaceMasterSwitch, &J::BuildMasterSwitchForm, nullptr, &J::ReplayMasterSwitch},
    {K::TextEdit, &J::BuildTextEditForm, nullptr, &J::ReplayTextEdit},
    {K::Delete, &J::BuildObjectsForm, &J::ReplayObjects, nullptr},
    {K::Cut, &J::BuildObjectsForm, &J::ReplayObjects, nullptr},
    {K::Paste, &J::BuildObjectsForm, &J::ReplayObjects, nullptr},
    {K::Replace, &J::BuildReplaceForm, nullptr, &J::ReplayReplace},
    {K::NewModel, &J::BuildNewModelForm, &J::ReplayNewModel, nullptr},
    {K::NewToolModel, &J::BuildNewToolForm, nullptr, &J::ReplayNewTool},
    {K::Explode, &J::BuildNewModelForm, &J::ReplayNewModel, nullptr},
    {K::ExplodeToExisting, &J::BuildSubmodelLinkForm, nullptr, &J::ReplaySubmodelLink},
    {K::BreakExplode, &J::BuildSubmodelLinkForm, nullptr, &J::ReplaySubmodelLink},
    {K::BringToFront, &J::BuildOrderForm, nullptr, &J::ReplayOrder},
    {K::SendToBack, &J::BuildOrderForm, nullptr, &J::ReplayOrder},
    {K::GroupAsPrimitive, &J::BuildGroupForm, nullptr, &J::ReplayGroup},
    {K::GroupAsPlace, &J::BuildGroupForm, nullptr, &J::ReplayGroup},
    {K::CreateSwimlane, &J::BuildGroupForm, nullptr, &J::ReplayGroup},
    {K::UngroupPrimitive, &J::BuildGroupForm, nullptr, &J::ReplayGroup},
    {K::UngroupPlace, &J::BuildGroupForm, nullptr, &J::ReplayGroup},
    {K::FlipHorizontal, &J::BuildTurnForm, nullptr, &J::ReplayTurn},
    {K::FlipVertical, &J::BuildTurnForm, nullptr, &J::ReplayTurn},
    {K::RotateLeft, &J::BuildTurnForm, nullptr, &J::ReplayTurn},
    {K::RotateRight, &J::BuildTurnForm, nullptr, &J::ReplayTurn},
    {K::AutoSize, &J::BuildGeometryForm, nullptr, &J::ReplayGeometry},
    {K::LooksChange, &J::BuildLooksForm, nullptr, &J::ReplayLooks},
    {K::LinksLooksChange, &J::BuildGeometryForm, nullptr, &J::ReplayGeometry},
    {K::ResizeTool, &J::BuildToolForm, &J::ReplayTool, nullptr},
    {K::IconEdit, &J::BuildToolForm, &J::ReplayTool, nullptr},
    {K::AutoSizeDrawable, &J::BuildAutoSizeDrawableForm, nullptr, &J::ReplayAutoSizeDrawable},
    {K::UndoneCreate, nullptr, nullptr, nullptr},
    {K::MoveModelUp, &J::BuildModelStepForm, nullptr, &J::ReplayModelStep},
    {K::MoveModelDown, &J::BuildModelStepForm, nullptr, &J::ReplayModelStep},
    {K::RenumberMessages, &J::BuildRenumberForm, nullptr, &J::ReplayRenumber},
    {K::Annotation, &J::BuildAnnotationForm, nullptr, &J::ReplayAnnotation},
    {K::AnnotationMultiple, &J::BuildAnnotationsForm, nullptr, &J::ReplayAnnotations},
    {K::ResizeCallBox, &J::BuildCallBoxForm, nullptr, &J::ReplayCallBoxes},
    {K::DragCallBox, &J::BuildCallBoxForm, nullptr, &J::ReplayCallBoxes},
    {K::DragJunction, &J::BuildJunctionForm, nullptr, &J::ReplayJunction},
    {K::DeleteCallBox, &J::BuildCallBoxForm, nullptr, &J::ReplayCallBoxes},
    {K::DeleteJunction, &J::BuildJunctionForm, nullptr, &J::ReplayJunction},
    {K::AddJunction, &J::BuildJunctionForm, nullptr, &J::ReplayJunction},
};

const UndoJournal::Handler& UndoJournal::HandlerOf(ChangeKind kind) {
    constexpr auto inKindOrder = [] {
        for (size_t i = 0; i < kChangeKindCount; ++i) {
            if (static_cast<size_t>(kHandlers[i].kind) != i)
                return false;
        }
        return true;
    };
    static_assert(inKindOrder(), "the handlers' rows follow the kinds' numbers");
    return kHandlers[static_cast<size_t>(kind)];
}

} // namespace qm
