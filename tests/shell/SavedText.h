// The project's saved text as a baseline for undo checks: taken with the
// document marked modified (an undone change leaves it so) and every
// drawable's repaint area brought up to date (undo re-creates objects, whose
// areas are computed anew rather than read from the file).
#pragma once

#include "document/CCASEDoc.h"
#include "drawables/Drawable.h"
#include "drawables/Model.h"

#include <string>

namespace qm::test {

inline std::string SavedTextBaseline(CCASEDoc& document) {
    document.SetModifiedFlag(true);
    for (size_t i = 0; i < document.ModelCount(); ++i)
        if (Model* model = document.GetModelAt(i))
            for (const auto& drawable : model->Drawables())
                drawable->UpdateRepaintRect();
    return document.StoreText();
}

} // namespace qm::test
