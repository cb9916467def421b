// The cursors the diagram view shows, by the number of the cursor resource
// each stands for, in one table: the view's cursor rules and the operations
// name them from here, and every one but the arrow and the I-beam has its
// picture (resources/Cursors/<number>.xpm).
#pragma once

namespace qm {

enum ViewCursor : int {
    CurArrow = 0,
    CurIBeam = 1,
    CurCreateTool = 134,
    CurCrossHair = 135,
    CurMove = 136,
    CurTagPlace = 137,
    CurKnob = 138,
    CurLinkTarget = 139,
    CurPrimitiveGroupMove = 143,
    CurFreeHand = 144,
    CurWillDelete = 145,
    CurSymbol = 186,
    CurMessageOnLink = 198,
    CurMessage = 199,
    CurSubmodel = 200,
    CurAttachment = 202,
    CurImplode = 203,
    CurSwimlane = 204,
    CurLaneBorder = 219,
    CurRenumberSame = 220,
    CurRenumberNext = 221,
    CurCallBoxEdge = 222,
    CurCallBox = 223,
    CurJunction = 229,
    CurJunctionOnEdge = 230,
};

// Every cursor with a picture of its own.
inline constexpr ViewCursor kPictureCursors[] = {
    CurCreateTool,
    CurCrossHair,
    CurMove,
    CurTagPlace,
    CurKnob,
    CurLinkTarget,
    CurPrimitiveGroupMove,
    CurFreeHand,
    CurWillDelete,
    CurSymbol,
    CurMessageOnLink,
    CurMessage,
    CurSubmodel,
    CurAttachment,
    CurImplode,
    CurSwimlane,
    CurLaneBorder,
    CurRenumberSame,
    CurRenumberNext,
    CurCallBoxEdge,
    CurCallBox,
    CurJunction,
    CurJunctionOnEdge,
};

} // namespace qm
