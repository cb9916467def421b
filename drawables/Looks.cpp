// Looks records and the line-kind table.
#include "drawables/Looks.h"

#include "drawables/FontFaceTable.h"

namespace qm {

const LineKind LineKindTable[kLineKindCount] = {
    {PS_DASH, 1, 32949},  {PS_DOT, 1, 32950},   {PS_DASHDOT, 1, 32951}, {PS_DASHDOTDOT, 1, 32952},
    {PS_SOLID, 1, 32953}, {PS_SOLID, 2, 32954}, {PS_SOLID, 3, 32955},   {PS_SOLID, 4, 32956},
    {PS_SOLID, 5, 32957}, {PS_SOLID, 6, 32958}, {PS_SOLID, 7, 32959},   {PS_SOLID, 8, 32960},
    {PS_SOLID, 1, 32953}, // inherit, drawn as solid 1
};

namespace {

// Line kinds come from files: anything outside the table draws as solid 1.
const LineKind& RowOf(int kind) {
    return LineKindTable[kind >= 0 && kind < kLineKindCount ? kind : kLineKindSolid1];
}

} // namespace

uint32_t LineKindPenStyle(int kind) {
    return RowOf(kind).penStyle;
}
int16_t LineKindPenWidth(int kind) {
    return RowOf(kind).width;
}

void Looks::Init(bool inherit, const Looks* base) {
    if (base != nullptr) {
        face = base->face;
        alignment = base->alignment;
        height = base->height;
        style = base->style;
    } else {
        face = uint8_t(FontFaces().FaceIndex("Arial"));
        alignment = 1;
        height = -12;
        style = 0;
    }
    if (inherit)
        style |= kStyleInherit;
    lineColor = inherit ? 18 : 0;
    lineKind = inherit ? kLineKindInherit : kLineKindSolid1;
    fillColor = inherit ? 18 : 15;
    textColor = inherit ? 18 : 0;
}

bool Looks::Equals(const Looks& other) const {
    return *this == other;
}

void Looks::Resolve(Looks& result, const Looks& imposed) const {
    const Looks& font = (imposed.style & kStyleInherit) ? *this : imposed;
    Looks out;
    out.face = font.face;
    out.alignment = font.alignment;
    out.height = font.height;
    out.style = font.style;
    out.lineColor = imposed.lineColor == 18 ? lineColor : imposed.lineColor;
    out.fillColor = imposed.fillColor == 18 ? fillColor : imposed.fillColor;
    out.textColor = imposed.textColor == 18 ? textColor : imposed.textColor;
    out.lineKind = imposed.lineKind == kLineKindInherit ? lineKind : imposed.lineKind;
    result = out;
}

void Looks::MakePlain() {
    height = int16_t(height + 1);
    style = 0;
    lineColor = 0;
    textColor = 0;
    lineKind = kLineKindSolid1;
}

void Looks::FromFont(const FontRecord& font) {
    const LogFont& f = font.logFont;
    face = uint8_t(FontFaces().FaceIndex(f.faceName));
    height = int16_t(f.height);
    style = 0;
    if (f.weight >= 401)
        style |= kStyleBold;
    if (f.italic)
        style |= kStyleItalic;
    if (f.underline)
        style |= kStyleUnderline;
    if (f.strikeOut)
        style |= kStyleStrikeOut;
    alignment = uint8_t(font.alignment);
    textColor = font.textColor;
}

void Looks::ToFont(FontRecord& font) const {
    LogFont f;
    f.faceName = FontFaces().FaceName(face);
    f.height = height;
    f.weight = (style & kStyleBold) ? FW_BOLD : FW_NORMAL;
    f.italic = (style & kStyleItalic) ? 1 : 0;
    f.underline = (style & kStyleUnderline) ? 1 : 0;
    f.strikeOut = (style & kStyleStrikeOut) ? 1 : 0;
    font.logFont = f;
    font.alignment = alignment;
    font.textColor = textColor;
}

bool LogFontMatches(const LogFont& font, const std::string& face, int32_t height, uint8_t style) {
    return font.faceName == face && font.height == height &&
           (font.weight > 400) == bool(style & kStyleBold) &&
           bool(font.italic) == bool(style & kStyleItalic) &&
           bool(font.underline) == bool(style & kStyleUnderline) &&
           bool(font.strikeOut) == bool(style & kStyleStrikeOut);
}

bool Looks::MatchesFont(const LogFont& font) const {
    // A face outside the table matches no font (and raises nothing).
    if (face >= FontFaces().FaceCount())
        return false;
    return LogFontMatches(font, FontFaces().FaceName(face), height, style);
}

} // namespace qm
