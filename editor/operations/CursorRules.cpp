// The cursor rules of the diagram view.
#include "editor/operations/CursorRules.h"

#include "drawables/DrawableKinds.h"
#include "drawables/NotationTemplate.h"
#include "editor/operations/CursorIds.h"
#include "editor/operations/EditOperation.h"

namespace qm {

int CursorFor(const CursorQuestion& question, const Drawable* drawable, int part) {
    const int tool = question.tool;
    const uint32_t flags = question.flags;
    const bool immovable = drawable != nullptr && (drawable->style & DsImmovable) != 0;
    if (tool == TkPointer) {
        if (question.renumbering) {
            if (drawable == nullptr || !drawable->IsFloater())
                return CurArrow;
            return (flags & (MK_SHIFT | MK_CONTROL)) != 0 ? CurRenumberSame : CurRenumberNext;
        }
        if (drawable == nullptr) {
            if ((flags & MK_CONTROL) != 0 && question.canImplode)
                return CurImplode;
            return CurArrow;
        }
        const Junction* junction = AsJunction(drawable);
        const Place* place = junction != nullptr ? junction->Pivot() : nullptr;
        const bool currentJunction = place != nullptr && place->currentJunction == junction;
        if ((part & HpKnob) != 0 && (drawable->IsSelected() || currentJunction))
            return CurKnob;
        if ((part & HpLabel) != 0 && drawable->IsSelected())
            return CurIBeam;
        if ((part & (HpBody | HpLabel | HpLifeLine)) != 0 && !immovable) {
            if (currentJunction && (part & HpLabel) != 0)
                return CurIBeam;
            return drawable->Parent() != nullptr && !drawable->Parent()->IsPlaceGroup()
                       ? CurPrimitiveGroupMove
                       : CurMove;
        }
        if ((part & HpSubmodelMarker) != 0 && !immovable)
            return CurSubmodel;
        if ((part & HpAttachment) != 0 && !immovable)
            return CurAttachment;
        if ((part & HpSwimlaneEdge) != 0)
            return CurLaneBorder;
        if ((part & HpCallBox) != 0)
            return CurCallBox;
        if ((part & (HpCallBoxTop | HpCallBoxBottom)) != 0)
            return CurCallBoxEdge;
        if ((part & HpJunctionGlyph) != 0)
            return CurCallBox;
        return CurArrow;
    }
    if (tool == TkTag)
        return drawable != nullptr && drawable->IsPlace() ? CurTagPlace : CurCrossHair;
    if ((tool >= TkLine && tool <= TkPolygon) || tool == TkIcon || IsIconToolId(tool))
        return CurCrossHair;
    if (tool >= TkFirstControl && tool <= TkLastControl)
        return immovable && (part & HpBody) != 0 ? CurCreateTool : CurArrow;
    if (tool == TkMessage)
        return drawable != nullptr && drawable->IsLink() ? CurMessageOnLink : CurMessage;
    if (tool == TkSwimlane)
        return CurSwimlane;
    if (IsJunctionToolId(tool)) {
        const bool edge = drawable != nullptr && (part & HpPlaceEdge) != 0 &&
                          !drawable->IsSwimlane() && (drawable->style & DsScenarioPlace) == 0;
        return edge ? CurJunctionOnEdge : CurJunction;
    }
    if (IsLibraryToolId(tool))
        return CurSymbol;
    const NotationTemplate* notation = question.notation;
    if (notation != nullptr && notation->IsLinkTool(tool))
        return drawable != nullptr && (drawable->IsPlace() || drawable->IsJunction())
                   ? CurTagPlace
                   : CurCrossHair;
    if (notation != nullptr && notation->IsPlaceTool(tool))
        return CurCreateTool;
    return CurArrow;
}

} // namespace qm
