// What the model dialogs answer, as pure functions of their choices: the
// annotation word, the reposition word, the template list and path, the
// list-box string selection, and the diagram types a new model may be of.
// The dialogs only collect the choices; these build the answers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm {

class DiagramType;
class NotationTemplate;

// ---- the annotation word ----

enum class AnnotationChoice { HideAll, ShowAll, LeaveAsIs };

// One group of the annotation dialog: the radio button checked and the
// selections (0 to 2) of the lists beside Hide All and Show All.
struct AnnotationGroup {
    AnnotationChoice choice = AnnotationChoice::LeaveAsIs;
    int hideList = 0;
    int showList = 0;
};

// The bits of the annotation word.
enum AnnotationBit : uint32_t {
    AbHideAttributes = 0x1,
    AbShowAttributes = 0x2,
    AbHideMethods = 0x4,
    AbShowMethods = 0x8,
    AbPublicAttributes = 0x10,
    AbProtectedAttributes = 0x20,
    AbPrivateAttributes = 0x40,
    AbPublicMethods = 0x100,
    AbProtectedMethods = 0x200,
    AbPrivateMethods = 0x400,
};

// The texts of the lists beside Hide All and Show All, in list order.
extern const char* const kHideAccessTexts[3];
extern const char* const kShowAccessTexts[3];

// Hide All sets the group's hide bit and, by the hide list's selection,
// private; private and protected; all three. Show All sets the show bit and
// public; public and protected; all three. Leave As Is adds nothing. A list
// selection out of range counts as its first entry.
uint32_t AnnotationWord(const AnnotationGroup& attributes, const AnnotationGroup& methods);

// ---- the reposition word ----

enum class HorizontalChoice { None, AlignLeft, AlignCenter, AlignRight, SpaceEvenly };
enum class VerticalChoice { None, AlignTop, AlignCenter, AlignBottom, SpaceEvenly };

// The mode bits of the model's reposition (RmAlignLeft ... RmSameHeight).
uint32_t RepositionWord(HorizontalChoice horizontal, bool sameWidth, VerticalChoice vertical,
                        bool sameHeight);

// ---- the template choice ----

inline constexpr const char* kInternalTemplate = "<Internal>";

// "<Internal>" and the names of the "*.not" files of folder, sorted as the
// dialog's list shows them (case-insensitively, "<Internal>" among them).
std::vector<std::string> TemplateEntries(const std::string& folder);

// The chosen template: folder and entry joined by one separator.
std::string TemplateChoicePath(const std::string& folder, const std::string& entry);

// The index of the first entry that begins with prefix, letter case ignored,
// as a list box selects a string; an empty prefix selects the first entry;
// -1 when none begins so (or the list is empty).
int FirstEntryBeginningWith(const std::vector<std::string>& entries, const std::string& prefix);

// ---- the model type ----

// The diagram kinds a model can be made of: 0 to 22. Anything else in the
// model-type tree is a model (or a root).
constexpr int kMaxDiagramKind = 22;
// The flag of a diagram type whose diagrams the template supports.
constexpr int32_t kSupportedDiagramFlag = 0x10;

// The template's diagram types flagged supported, in template order.
std::vector<const DiagramType*> SupportedDiagramTypes(const NotationTemplate& notation);

} // namespace qm
