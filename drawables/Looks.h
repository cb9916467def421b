// The looks of a drawable: font face, text alignment, height and style, line
// kind, and line, fill and text colour codes, each of which can say inherit
// so that a group imposes looks on its members or leaves them theirs. Also
// the line-kind table and the font record exchanged with the font dialog.
#pragma once

#include "platform/DeviceContext.h"

#include <cstdint>
#include <string>

namespace kest {
struct Cell;
}

namespace qm {

// Style bits.
constexpr uint8_t kStyleBold = 0x1;
constexpr uint8_t kStyleItalic = 0x2;
constexpr uint8_t kStyleUnderline = 0x4;
constexpr uint8_t kStyleStrikeOut = 0x8;
constexpr uint8_t kStyleFontBits = 0xF;
constexpr uint8_t kStyleInherit = 0x20; // face, alignment, height and style
constexpr uint8_t kStyleHyperlink = 0x40;

// Line kinds: rows of the line-kind table.
constexpr uint8_t kLineKindSolid1 = 4;
constexpr uint8_t kLineKindInherit = 12;
constexpr int kLineKindCount = 13;

struct LineKind {
    uint32_t penStyle;
    int16_t width; // model units
    uint32_t command;
};
extern const LineKind LineKindTable[kLineKindCount];

// A row's pen style and width; a kind outside the table reads as row 4
// (solid, 1 wide), as does 12 (inherit).
uint32_t LineKindPenStyle(int kind);
int16_t LineKindPenWidth(int kind);

// A logical font followed by the alignment and the text colour code: the
// form in which looks travel to and from the font dialog.
struct FontRecord {
    LogFont logFont;
    uint32_t alignment = 0;
    uint32_t textColor = 0;
};

// True when the font has the face name (case-sensitive), the height and the
// four style bits of style (bold meaning a weight above 400).
bool LogFontMatches(const LogFont& font, const std::string& face, int32_t height, uint8_t style);

struct Looks {
    uint8_t face = 1; // index into the font face table ("Arial")
    uint8_t alignment = 1;
    int16_t height = -12;
    uint8_t style = 0;
    uint8_t lineKind = kLineKindSolid1;
    uint32_t lineColor = 0;
    uint32_t fillColor = 15;
    uint32_t textColor = 0;

    // A change mask with no field set: callers set to 1 the fields a looks
    // change should take.
    static Looks EmptyMask() {
        Looks mask;
        mask.face = 0;
        mask.alignment = 0;
        mask.height = 0;
        mask.style = 0;
        mask.lineKind = 0;
        mask.lineColor = 0;
        mask.fillColor = 0;
        mask.textColor = 0;
        return mask;
    }

    // Face, alignment and height from base, or "Arial", centred and -12
    // without one; style from base (0 without one), with the inherit bit when
    // inherit; colours and line kind inherit (18, 12, 18, 18) when inherit,
    // else black line, solid 1, white fill, black text.
    void Init(bool inherit, const Looks* base);
    // Init with the looks of a tool's name text as base (the caller finds
    // them with ToolModel::FindNameText); null when the tool or text is missing.
    void InitFromTool(bool inherit, const Looks* toolNameTextLooks) {
        Init(inherit, toolNameTextLooks);
    }
    bool Equals(const Looks& other) const;
    // The effective looks when imposed is laid over this record, which gives
    // the fall-back values: face, alignment, height and style as a unit from
    // imposed unless it has the inherit bit; each colour from imposed unless
    // 18, the line kind unless 12.
    void Resolve(Looks& result, const Looks& imposed) const;
    // The looks of a secondary text: one unit smaller, plain, black, solid 1.
    void MakePlain();
    // Face, height and style bits from the record's font, alignment and text
    // colour from its two words; the line fields stay.
    void FromFont(const FontRecord& font);
    // Fills the record; raises "bad font index" for a face not in the table.
    void ToFont(FontRecord& font) const;
    // True when face name (case-sensitive), height and the four style bits
    // (bold meaning a weight above 400) agree with the font.
    bool MatchesFont(const LogFont& font) const;
    bool MatchesFont(const FontRecord& font) const { return MatchesFont(font.logFont); }

    // Reads (from a list) or writes (given nil) the list form: lookslist
    // (LooksList.h) on this record.
    kest::Cell* Persist(kest::Cell* cell);

    friend bool operator==(const Looks&, const Looks&) = default;
};

} // namespace qm
