// Checks shared by the tests of a project window's command families: the
// selection and update rule of a command, and the project's saved text as a
// baseline that undo must give back exactly.
#pragma once

#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/Drawable.h"
#include "drawables/Model.h"
#include "editor/TContent.h"
#include "shell/frames/CChildFrame.h"

#include <string>

#include <gtest/gtest.h>

namespace qm::test {

inline void SelectOnly(CChildFrame& frame, Drawable* drawable) {
    frame.View()->DeselectAll();
    frame.View()->SelectList({drawable});
}

// Whether the frame's chain enables the command (which it must know).
inline bool CommandEnabled(CChildFrame& frame, int id) {
    CommandState state;
    EXPECT_TRUE(frame.OnUpdateCommand(id, state)) << id;
    return state.enabled;
}

// The saved text, taken with the document marked modified (an undone change
// leaves it so) and every drawable's repaint area brought up to date (undo
// re-creates objects, whose areas are computed anew rather than read from
// the file).
inline std::string SavedTextBaseline(CCASEDoc& document) {
    document.SetModifiedFlag(true);
    for (size_t i = 0; i < document.ModelCount(); ++i)
        if (Model* model = document.GetModelAt(i))
            for (const auto& drawable : model->Drawables())
                drawable->UpdateRepaintRect();
    return document.StoreText();
}

// Undoes the last entry and checks that the project saves as it did.
inline void ExpectUndoRestores(CCASEDoc& document, const std::string& saved) {
    ASSERT_TRUE(document.GetJournal().Replay(1, false));
    EXPECT_EQ(document.StoreText(), saved);
}

} // namespace qm::test
