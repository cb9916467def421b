// The program-wide table of font face names, by whose index looks name their
// face, and the fonts it owns: the standard font, the two work fonts through
// which drawables and the in-place editor draw their texts, and the fixed
// font. The environment builds one at start-up and installs it; face indexes
// stay valid for the whole run.
#pragma once

#include "drawables/Looks.h"
#include "platform/ScopedInstall.h"

#include <string>
#include <vector>

namespace qm {

class FontFaceTable {
  public:
    // Face indexes fit the looks' 8-bit face field.
    static constexpr int kMaxFaces = 256;

    FontFaceTable() = default;
    FontFaceTable(const FontFaceTable&) = delete;
    FontFaceTable& operator=(const FontFaceTable&) = delete;

    // Face 0 "MS Sans Serif", face 1 "Arial"; the four fonts; the default
    // font record from the default looks.
    void Init();

    // The index of the name (case-sensitive); a new name is appended. When
    // the table is full a new name gets face 1 ("Arial").
    int FaceIndex(const std::string& name);
    // The name at the index; outside the table raises "bad font index".
    const std::string& FaceName(int index) const;
    int FaceCount() const { return int(faces_.size()); }

    // Makes font match the looks at the zoom: the height scaled (a zero
    // result becomes 1); re-created only when face, height or style differ.
    void UpdateFont(CFont& font, const Looks& looks, double zoom) const;

    const FontRecord& DefaultFontRecord() const { return defaultFont_; }
    // The record the font command starts from when nothing is selected.
    void SetDefaultFontRecord(const FontRecord& record) { defaultFont_ = record; }
    CFont& StandardFont() { return standardFont_; }
    CFont& FirstWorkFont() { return workFont1_; }
    CFont& SecondWorkFont() { return workFont2_; }
    CFont& FixedFont() { return fixedFont_; }

  private:
    FontRecord defaultFont_;
    std::vector<std::string> faces_;
    CFont standardFont_;
    CFont workFont1_;
    CFont workFont2_;
    CFont fixedFont_;
};

// The installed table. Until one is installed a process-wide table, built
// and initialised on first use, stands in.
FontFaceTable& FontFaces();
// Installs a table (not owned) and returns the one replaced; null restores the stand-in.
FontFaceTable* Install(FontFaceTable* table);

} // namespace qm
