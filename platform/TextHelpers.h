// Text helpers shared by the subsystems: word search and replacement, the
// identifiers, comments and indentation of generated code, the "%%" pair
// notation of link labels, names with types, and leading numbers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qm {

// Flags of ReplaceInText.
enum ReplaceFlags : int {
    RF_MATCH_CASE = 2, // compare letters with their case
    RF_WHOLE_WORD = 4, // the word must stand between white space or the text's ends
    RF_REPLACE = 8,    // replace the occurrences, not only count them
};

// The longest text, word or replacement ReplaceInText works on.
constexpr size_t kReplaceTextLimit = 512;

// Counts the occurrences of word in text and, with RF_REPLACE, replaces them
// by replacement. A text, word or replacement longer than 512 characters, or an
// empty word, gives 0 and changes nothing. An occurrence whose replacement would
// make the text longer than 512 characters is kept but still counted. The scan
// continues after each occurrence, so a replacement is never searched again.
int ReplaceInText(std::string& text, const std::string& word, int flags,
                  const std::string& replacement);

// The leading run of digits and dots ("2.1.3: call" gives "2.1.3").
std::string LeadingNumberOf(const std::string& text);

// The last run of letters, digits, '_' and blanks before the first '(' or ')',
// starting at its first letter or '_', without trailing blanks
// ("int Get Value (x)" gives "int Get Value"). "" when there is none.
std::string NameBeforeParenthesis(const std::string& text);

// With keepAll, text unchanged. Otherwise letters, digits, '_', '.', ':', '\'
// and '/' stay; white space followed by a letter is dropped and the letter
// upper-cased; other white space is dropped; anything else becomes '_'.
// At most the first 131072 characters are used.
std::string MakeIdentifier(const std::string& text, bool keepAll);

// The size of the program-wide text buffer the generated-text helpers fill.
constexpr size_t kSharedTextSize = 131072;

// Makes text a comment of generated code. With marker "/**" and a non-empty
// text, a block comment: tabs tabs and "/**\r\n", then tabs tabs and " * "
// before every line, and "\r\n", tabs tabs and " */" at the end. Otherwise
// every line is prefixed with tabs tabs and marker. When the output would
// reach size, a line feed is written and the text is cut there (a block is
// still closed). Negative tabs count as 0.
std::string CommentText(const std::string& text, const std::string& marker,
                        size_t size = kSharedTextSize, int tabs = 0);

// Prefixes every line of text with tabs tab characters, cut like CommentText.
std::string IndentText(const std::string& text, size_t size = kSharedTextSize, int tabs = 0);

// a + "%%" + b.
std::string JoinDoublePercent(const std::string& a, const std::string& b);
// second false: the part before "%%" ("" without one); second true: the part
// after it (the whole text without one).
std::string SplitDoublePercent(const std::string& text, bool second);
// No "%%": the text. "%%" at the start: the part after it. Otherwise the part
// before it, then, when the part after it is not empty, " #" and that part.
std::string DoublePercentToDisplay(const std::string& text);

// True when the two texts are equal without regard to ASCII case.
bool EqualNoCase(std::string_view a, std::string_view b);

struct NameAndType {
    std::string name;
    std::string type;
    bool split = false;
};

// Splits "name : type" at the first ':' when it is not the last character and
// not followed by another ':' ("A::B" never splits). The name loses trailing
// blanks, the type leading ones. Without a split the name is the whole text.
NameAndType SplitNameAndType(const std::string& text);

} // namespace qm
