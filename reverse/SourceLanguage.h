// The source languages of reverse engineering: one bit per language so that
// masks can combine them, and the table of their names and default file
// extensions that the dialog and the batch runner choose from.
#pragma once

#include <array>
#include <string_view>

namespace qm {

// Language codes; a mask is an OR of them.
enum SourceLanguage : int {
    kLangCpp = 1,
    kLangIdl = 2,
    kLangJava = 4,
    kLangOrvistal = 8,
    kLangCSharp = 16,
    kLangPhp = 32,
    kLangForte = 64,
};

struct LanguageRow {
    std::string_view name;
    std::string_view extensions; // separated by single blanks
    int code;
};

// The seven languages in the order the dialog lists them.
inline constexpr std::array<LanguageRow, 7> LanguageTable = {{
    {"C++", "h hpp inl c cc cpp", kLangCpp},
    {"C#", "cs", kLangCSharp},
    {"Java", "java", kLangJava},
    {"Orvistal", "orv", kLangOrvistal},
    {"IDL", "h idl", kLangIdl},
    {"PHP", "php", kLangPhp},
    {"Forte TOOL", "pex cla tool", kLangForte},
}};

// The name of the language with this code; "" for any other value.
std::string_view LanguageName(int code);
// The row whose name equals name exactly (letter case counts), else -1.
int LanguageIndexByName(std::string_view name);
// The code of that row, else -1.
int LanguageCodeByName(std::string_view name);

} // namespace qm
