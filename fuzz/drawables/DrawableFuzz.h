// What the fuzz targets of the drawable records share: the process set-up
// (a headless application object, fonts, a quiet kernel, ids from the loopback host), the built-in
// template whose tools links find, the choices of an input's first byte and
// the reading of every record of an input through the drawable factory.
#pragma once

#include "drawables/DrawableFactory.h"
#include "drawables/DrawableModel.h"
#include "drawables/FontFaceTable.h"
#include "drawables/NotationTemplate.h"
#include "drawables/TemplateFile.h"
#include "fuzz/FuzzGui.h"
#include "fuzz/FuzzKernel.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "model/GuidMap.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace fuzzsupport {

// Call at the start of every input. Sets the process up once; clears the
// record of questions and the font table for each input. Takes the first
// byte off the input as mode; false for an empty input.
inline bool BeginDrawableInput(const uint8_t*& data, size_t& size, uint8_t& mode) {
    static qm::FontFaceTable table;
    static bool ready = [] {
        // Labels and places are measured with the platform's fonts.
        StartHeadlessGui();
        qm::Install(&table);
        qm::SetGuidStoreMode(qm::GuidNoStore);
        qm::SetHostAddressSource(LoopbackHost);
        return true;
    }();
    static qm::HeadlessPrompts& prompts = StartQuietKernel(8192, false);
    (void)ready;
    prompts.asked.clear();
    table.Init();
    if (size == 0)
        return false;
    mode = data[0];
    ++data;
    --size;
    return true;
}

// The built-in template, built once, whose tools links and places find.
inline qm::NotationTemplate& BuiltInNotation() {
    static qm::NotationTemplate notation;
    static bool built = [] {
        kest::savemark();
        qm::CreateTemplate(notation, qm::kInternalTemplateName);
        kest::restoremark();
        return true;
    }();
    (void)built;
    return notation;
}

// The read choices of the mode byte: bit 1 an old file version (4.0), bit 3
// a paste's read map, bit 0 members named by id. What is read is held as a
// change's objects are, so that groups read by id take their members over.
struct ReadChoices {
    ReadChoices(qm::GuidScope& scope, uint8_t mode) {
        scope.fileVersion = (mode & 2) != 0 ? 4.0 : 8.0;
        scope.readMap = (mode & 8) != 0 ? &pasteMap : nullptr;
        scope.membersById = (mode & 1) != 0;
        scope.held = &held;
    }
    qm::GuidTree pasteMap{qm::GuidTree::TextKeys};
    qm::HeldObjects held;
};

// Reads the input record by record through the drawable factory; other
// takes the records the factory should not see (it returns true for those
// it took). Returns whether every expression read; the drawables read are
// put in top, in order, and the scope holds nothing any more.
template <class Other>
bool ReadDrawables(const uint8_t* data, size_t size, qm::GuidScope& scope, ReadChoices& choices,
                   qm::DrawableList& top, Other other) {
    const bool allRead = ForEachExpression(data, size, [&](kest::Cell* value) {
        if (other(value))
            return;
        if (std::unique_ptr<qm::Drawable> d = qm::CreateDrawableFromRecord(value, &scope))
            choices.held.push_back(std::move(d));
    });
    top = TakeHeld<qm::DrawableList>(choices.held);
    scope.held = nullptr;
    return allRead;
}

inline bool ReadDrawables(const uint8_t* data, size_t size, qm::GuidScope& scope,
                          ReadChoices& choices, qm::DrawableList& top) {
    return ReadDrawables(data, size, scope, choices, top, [](kest::Cell*) { return false; });
}

// Reads a list of records into the fresh scope again: the drawable factory.
inline std::unique_ptr<qm::Drawable> CreateAgain(kest::Cell* record, qm::GuidScope* again) {
    return qm::CreateDrawableFromRecord(record, again);
}

} // namespace fuzzsupport
