// The PHP parser: only the code between the tags <?php and ?> is read, and
// there only class and interface declarations (read by JavaFamilyParser).
// A file starts with no qualifier: PHP namespaces are not recorded.
#include "reverse/LanguageParsers.h"

#include "reverse/SourceLanguage.h"

namespace qm {

namespace {

constexpr int kAbstract = KeywordToken("abstract");
constexpr int kClass = KeywordToken("class");
constexpr int kInterface = KeywordToken("interface");

} // namespace

int ParsePhpInput(SourceParser& p) {
    p.SetCurrentNamespace(std::nullopt);
    JavaFamilyParser types(p);
    bool inCode = false;
    int previous = kTokNone;
    p.GetToken();
    while (p.Token() != kTokEnd) {
        int t = p.Token();
        if (!inCode || t == kTokPhpClose) {
            inCode = t == kTokPhpOpen;
            p.GetToken();
            continue;
        }
        // Name::class and $x->class name no declaration.
        bool declares = previous != kTokScope && previous != kTokArrow &&
                        (t == kAbstract || t == kClass || t == kInterface);
        if (!declares) {
            previous = t;
            p.GetToken();
            continue;
        }
        int modifiers = kModPublic;
        if (t == kAbstract) {
            modifiers |= kModAbstract;
            p.GetToken();
        }
        previous = kTokNone;
        if (p.Token() == kClass || p.Token() == kInterface) {
            types.ParseType(nullptr, modifiers);
        }
    }
    return 1;
}

int SourceParser::ParsePhpFile(const std::string& path) {
    if (!OpenSourceFile(path)) {
        return 0;
    }
    ParsePhpInput(*this);
    return CloseSourceFile() == 0 ? 1 : 0;
}

} // namespace qm
