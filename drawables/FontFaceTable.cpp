// The font face table and its fonts.
#include "drawables/FontFaceTable.h"

#include "drawables/ShapeGeometry.h"
#include "drawables/ZoomScaling.h"
#include "platform/Errors.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace qm {

namespace {

LogFont MakeLogFont(const char* face, int32_t height) {
    LogFont f;
    f.faceName = face;
    f.height = height;
    f.weight = FW_NORMAL;
    return f;
}

// 9 points at 96 pixels per inch, as a character height.
constexpr int32_t kNinePoints = -12;

} // namespace

void FontFaceTable::Init() {
    faces_.clear();
    faces_.push_back("MS Sans Serif");
    faces_.push_back("Arial");
    standardFont_.CreateFontIndirect(MakeLogFont("MS Sans Serif", kNinePoints));
    workFont1_.CreateFontIndirect(MakeLogFont("Arial", -12));
    workFont2_.CreateFontIndirect(MakeLogFont("Arial", -12));
    fixedFont_.CreateFontIndirect(MakeLogFont("Courier", kNinePoints));
    // The default looks as a font record, with this table's face name: the
    // installed table may not be this one yet.
    const Looks defaults; // the values of Looks::Init(false, none)
    defaultFont_.logFont = MakeLogFont(faces_[defaults.face].c_str(), defaults.height);
    defaultFont_.alignment = defaults.alignment;
    defaultFont_.textColor = defaults.textColor;
}

int FontFaceTable::FaceIndex(const std::string& name) {
    auto found = std::find(faces_.begin(), faces_.end(), name);
    if (found != faces_.end())
        return int(found - faces_.begin());
    if (int(faces_.size()) >= kMaxFaces)
        return 1;
    faces_.push_back(name);
    return int(faces_.size()) - 1;
}

const std::string& FontFaceTable::FaceName(int index) const {
    ReportOperationFailure(index >= 0 && index < int(faces_.size()), "bad font index");
    return faces_[size_t(index)];
}

void FontFaceTable::UpdateFont(CFont& font, const Looks& looks, double zoom) const {
    const int32_t height = ScaleLengthByZoom(looks.height, zoom);
    const std::string& face = FaceName(looks.face);
    LogFont current;
    if (font.GetLogFont(&current) && LogFontMatches(current, face, height, looks.style))
        return;
    LogFont f;
    f.height = height;
    f.weight = (looks.style & kStyleBold) ? FW_BOLD : FW_NORMAL;
    f.italic = (looks.style & kStyleItalic) ? 1 : 0;
    f.underline = (looks.style & kStyleUnderline) ? 1 : 0;
    f.strikeOut = (looks.style & kStyleStrikeOut) ? 1 : 0;
    f.faceName = face;
    font.DeleteObject();
    font.CreateFontIndirect(f);
}

namespace {

FontFaceTable* installed = nullptr;

FontFaceTable& StandIn() {
    static std::unique_ptr<FontFaceTable> table = [] {
        auto t = std::make_unique<FontFaceTable>();
        t->Init();
        return t;
    }();
    return *table;
}

} // namespace

FontFaceTable& FontFaces() {
    return installed != nullptr ? *installed : StandIn();
}

FontFaceTable* Install(FontFaceTable* table) {
    return std::exchange(installed, table);
}

} // namespace qm
