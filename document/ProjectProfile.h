// The per-project profile: the settings that travel with one project file (a
// flag word, the target language and three sets of five strings for the
// generation and reverse-engineering dialogs) and the layout of the project's
// window, stored in the project file as the genProfile record.
#pragma once

#include "platform/Geometry.h"

#include <array>
#include <cstdint>
#include <string>

namespace kest {
struct Cell;
}

namespace qm {

// The window layout a project's frame shows: what CaptureLayout takes from a
// frame and ApplyLayout gives back to it.
struct FrameLayout {
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    int32_t explorerWidth = 150;
    int32_t explorerHeight = 150;
    std::array<int32_t, 6> listerWidths{50, 50, 80, 50, 80, 60};
    int32_t listerSortColumn = 0;

    bool operator==(const FrameLayout&) const = default;
};

// What the profile needs of a project's child frame. The shell's frame
// implements it; a hidden document has none.
class ProjectFrame {
  public:
    virtual ~ProjectFrame() = default;
    // The frame's normal size, the splitter positions and the lister's columns
    // as they are now (currentModel is not part of it).
    virtual FrameLayout CurrentLayout() const = 0;
    // Shows the document's model at index in the diagram view.
    virtual void ShowModelAt(int32_t index) = 0;
    // Resizes the frame to the layout's size without moving it, sets the
    // splitters and the lister's columns and sort, and recalculates the
    // layout. With maximize the frame loads its tool-bar bitmaps and is
    // maximised first.
    virtual void ApplyLayout(const FrameLayout& layout, bool maximize) = 0;
};

class ProjectProfile {
  public:
    static constexpr uint32_t kDefaultFlags = 178;
    static constexpr int kStringCount = 5;
    // The smallest explorer width and height applied to a frame.
    static constexpr int32_t kMinimumPane = 20;

    using StringSet = std::array<std::string, kStringCount>;

    ProjectProfile() = default;

    // Given null, builds the genProfile record (19 elements after the head).
    // Given a record, reads it: the head must be genProfile (the fatal failure
    // check "genProfile sym expected"); a language stored as a number becomes
    // its name; the layout (elements 8 to 19) is read only when present. A
    // field of the wrong type is a format error (CKestException) and leaves
    // the profile as it was. Returns the built record, or the elements after
    // those read.
    kest::Cell* Persist(kest::Cell* record);

    // Given null, the list of the five strings. Given a list, fills the
    // strings in order from its first five elements (others keep their text);
    // given a single string, fills only the first. Returns the built list or
    // null after reading. Elements that are not strings are a format error.
    static kest::Cell* PersistStrings(StringSet& strings, kest::Cell* element);

    // Takes the frame's layout and the index of the current model (-1 when
    // the model is not in the document's list, stored as 0). Nothing without
    // a frame.
    void CaptureLayout(ProjectFrame* frame, int32_t currentModelIndex);
    // Gives the stored layout to the frame: shows the stored model when the
    // document has models, then applies sizes (panes at least 20), maximising
    // when the settings ask for it. Nothing without a frame.
    void ApplyLayout(ProjectFrame* frame, size_t modelCount, bool maximize) const;

    bool operator==(const ProjectProfile&) const = default;

    uint32_t flags = kDefaultFlags;
    std::string language = "C++";
    StringSet stringsA;
    StringSet stringsB;
    StringSet stringsC;
    FrameLayout layout;
    int32_t currentModel = 0;
};

// The name of the source language stored under an older profile's number
// (the language bit: 1 C++, 16 C#, 4 Java, 8 Orvistal, 2 IDL, 32 PHP, 64
// Forte TOOL); "" for any other number.
std::string LanguageNameOfCode(int32_t code);

} // namespace qm
