// The answers of the model dialogs built from their choices.
#include "dialogs/model/ModelDialogWords.h"

#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "platform/Files.h"
#include "platform/PathHelpers.h"

#include <algorithm>
#include <cctype>

namespace qm {

const char* const kHideAccessTexts[3] = {"Private", "Private, Protected",
                                         "Private, Protected, Public"};
const char* const kShowAccessTexts[3] = {"Public", "Public, Protected",
                                         "Public, Protected, Private"};

namespace {

// The access bits by list selection, for a group whose public bit is unit
// (0x10 attributes, 0x100 methods): protected is twice it, private four times.
uint32_t AccessBits(int selection, bool hide, uint32_t unit) {
    const uint32_t pub = unit, prot = unit * 2, priv = unit * 4;
    if (selection < 0 || selection > 2)
        selection = 0;
    if (hide) {
        const uint32_t bits[3] = {priv, priv | prot, priv | prot | pub};
        return bits[selection];
    }
    const uint32_t bits[3] = {pub, pub | prot, pub | prot | priv};
    return bits[selection];
}

uint32_t GroupWord(const AnnotationGroup& group, uint32_t hideBit, uint32_t showBit,
                   uint32_t unit) {
    switch (group.choice) {
    case AnnotationChoice::HideAll:
        return hideBit | AccessBits(group.hideList, true, unit);
    case AnnotationChoice::ShowAll:
        return showBit | AccessBits(group.showList, false, unit);
    case AnnotationChoice::LeaveAsIs:
        return 0;
    }
    return 0;
}

std::string Lower(const std::string& text) {
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

} // namespace

uint32_t AnnotationWord(const AnnotationGroup& attributes, const AnnotationGroup& methods) {
    return GroupWord(attributes, AbHideAttributes, AbShowAttributes, AbPublicAttributes) |
           GroupWord(methods, AbHideMethods, AbShowMethods, AbPublicMethods);
}

uint32_t RepositionWord(HorizontalChoice horizontal, bool sameWidth, VerticalChoice vertical,
                        bool sameHeight) {
    uint32_t word = 0;
    switch (horizontal) {
    case HorizontalChoice::None:
        break;
    case HorizontalChoice::AlignLeft:
        word |= RmAlignLeft;
        break;
    case HorizontalChoice::AlignCenter:
        word |= RmAlignCentre;
        break;
    case HorizontalChoice::AlignRight:
        word |= RmAlignRight;
        break;
    case HorizontalChoice::SpaceEvenly:
        word |= RmSpaceAcross;
        break;
    }
    switch (vertical) {
    case VerticalChoice::None:
        break;
    case VerticalChoice::AlignTop:
        word |= RmAlignTop;
        break;
    case VerticalChoice::AlignCenter:
        word |= RmAlignMiddle;
        break;
    case VerticalChoice::AlignBottom:
        word |= RmAlignBottom;
        break;
    case VerticalChoice::SpaceEvenly:
        word |= RmSpaceDown;
        break;
    }
    if (sameWidth)
        word |= RmSameWidth;
    if (sameHeight)
        word |= RmSameHeight;
    return word;
}

std::vector<std::string> TemplateEntries(const std::string& folder) {
    std::vector<std::string> entries = ListFiles(folder, "*.not");
    entries.emplace_back(kInternalTemplate);
    std::stable_sort(
        entries.begin(), entries.end(),
        [](const std::string& a, const std::string& b) { return Lower(a) < Lower(b); });
    return entries;
}

std::string TemplateChoicePath(const std::string& folder, const std::string& entry) {
    return JoinPath(folder, entry);
}

int FirstEntryBeginningWith(const std::vector<std::string>& entries, const std::string& prefix) {
    const std::string lowered = Lower(prefix);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (Lower(entries[i]).compare(0, lowered.size(), lowered) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

std::vector<const DiagramType*> SupportedDiagramTypes(const NotationTemplate& notation) {
    std::vector<const DiagramType*> types;
    for (size_t i = 0; i < DiagramTypeTable::size(); ++i) {
        const DiagramType& type = notation.diagramTypes[i];
        if ((type.newModelFlags & kSupportedDiagramFlag) != 0)
            types.push_back(&type);
    }
    return types;
}

} // namespace qm
