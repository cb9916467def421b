// The Java parser: the file level (package, imports, top-level classes and
// interfaces); the declarations themselves are read by JavaFamilyParser.
#include "reverse/LanguageParsers.h"

#include "reverse/SourceLanguage.h"

namespace qm {

namespace {

constexpr int kAbstract = KeywordToken("abstract");
constexpr int kClass = KeywordToken("class");
constexpr int kEnum = KeywordToken("enum");
constexpr int kFinal = KeywordToken("final");
constexpr int kImport = KeywordToken("import");
constexpr int kInterface = KeywordToken("interface");
constexpr int kPackage = KeywordToken("package");
constexpr int kPublic = KeywordToken("public");
constexpr int kStatic = KeywordToken("static");

} // namespace

int ParseJavaInput(SourceParser& p) {
    p.SetCurrentNamespace(std::nullopt);
    JavaFamilyParser types(p);
    int previous = kTokNone;
    p.GetToken();
    while (p.Token() != kTokEnd) {
        if (previous == kTokDot && p.Token() == kClass) {
            previous = p.Token(); // a class literal (Name.class) met outside a class body
            p.GetToken();
            continue;
        }
        int modifiers = 0;
        for (;;) {
            if (p.Token() == kAbstract || p.Token() == kFinal || p.Token() == kPublic) {
                modifiers |= ModifierBitOf(p.Token());
                p.GetToken();
            } else if (p.Token() == kTokIdentifier && p.CurrentText().size() > 1 &&
                       p.CurrentText()[0] == '@' && p.CurrentText() != "@interface") {
                types.SkipAnnotation();
            } else if (!JavaFamilyParser::ReadSealedWord(p, modifiers)) {
                break;
            }
        }
        int t = p.Token();
        if (t == kPackage || t == kImport) {
            p.GetToken();
            bool isStatic = false;
            if (t == kImport && p.Token() == kStatic) {
                isStatic = true;
                p.GetToken();
            }
            if (p.Token() != kTokIdentifier && p.Token() != kTokStar) {
                p.ReportParseError(nullptr, "identifier or * expected");
            }
            TypeText name;
            while (p.Token() != kTokSemicolon && p.Token() != kTokEnd) {
                name.AppendToken(p.Token(), p.CurrentText());
                p.GetToken();
            }
            if (t == kPackage) {
                p.SetCurrentNamespace(name.IsEmpty() ? OwnedText() : OwnedText(name.Text()));
            } else if (!name.IsEmpty() && !name.WasCut()) {
                // Kept for the file's types, so that generated code names
                // what the source named.
                types.AddFileImport(isStatic ? "static " + name.Text() : name.Text());
            }
            if (p.Token() == kTokSemicolon) {
                p.GetToken();
            }
        } else if (t == kClass || t == kInterface || JavaFamilyParser::IsInterfaceWord(p) ||
                   JavaFamilyParser::IsRecordWord(p)) {
            types.ParseType(nullptr, modifiers);
        } else if (t == kEnum) {
            types.ParseJavaTopLevelEnum(modifiers);
        } else if (t != kTokEnd) {
            p.GetToken();
        }
        previous = t;
    }
    return 1;
}

int SourceParser::ParseJavaFile(const std::string& path) {
    if (!OpenSourceFile(path)) {
        return 0;
    }
    ParseJavaInput(*this);
    return CloseSourceFile() == 0 ? 1 : 0;
}

} // namespace qm
