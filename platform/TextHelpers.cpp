// Text helpers.
#include "platform/TextHelpers.h"

#include <algorithm>
#include <cctype>

namespace qm {

namespace {

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}
bool IsAlpha(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}
bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}
bool IsAlnum(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}
char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}
char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

std::string Lowered(const std::string& text) {
    std::string result = text;
    std::transform(result.begin(), result.end(), result.begin(), Lower);
    return result;
}

// Whether an occurrence of length n at pos stands between white space or the ends.
bool IsWholeWord(const std::string& text, size_t pos, size_t n) {
    if (pos > 0 && !IsSpace(text[pos - 1]))
        return false;
    return pos + n >= text.size() || IsSpace(text[pos + n]);
}

// Writes text with every line prefixed by prefix, stopping with a line feed
// once the output reaches limit characters.
void PrefixLines(std::string& out, const std::string& text, const std::string& prefix,
                 size_t limit) {
    out += prefix;
    for (char c : text) {
        if (out.size() >= limit) {
            out += '\n';
            return;
        }
        out += c;
        if (c == '\n')
            out += prefix;
    }
}

// The output length at which the text is cut: size less the room a line
// prefix and the terminating zero need.
size_t CutLimit(size_t size, size_t tabs, size_t markerLength) {
    size_t reserve = tabs + 1 + markerLength;
    return size > reserve ? size - reserve : 0;
}

} // namespace

int ReplaceInText(std::string& text, const std::string& word, int flags,
                  const std::string& replacement) {
    if (text.size() > kReplaceTextLimit || word.size() > kReplaceTextLimit ||
        replacement.size() > kReplaceTextLimit || word.empty())
        return 0;
    const bool matchCase = (flags & RF_MATCH_CASE) != 0;
    const bool wholeWord = (flags & RF_WHOLE_WORD) != 0;
    const bool replace = (flags & RF_REPLACE) != 0;
    const std::string needle = matchCase ? word : Lowered(word);

    std::string result = text;
    int count = 0;
    size_t pos = 0;
    while (pos + needle.size() <= result.size()) {
        std::string_view here(result.data() + pos, needle.size());
        bool found = matchCase ? here == needle : Lowered(std::string(here)) == needle;
        if (!found || (wholeWord && !IsWholeWord(result, pos, needle.size()))) {
            ++pos;
            continue;
        }
        ++count;
        if (replace && result.size() - needle.size() + replacement.size() <= kReplaceTextLimit) {
            result.replace(pos, needle.size(), replacement);
            pos += replacement.size();
        } else {
            pos += needle.size();
        }
    }
    if (replace && count > 0)
        text = result;
    return count;
}

std::string LeadingNumberOf(const std::string& text) {
    size_t n = 0;
    while (n < text.size() && (IsDigit(text[n]) || text[n] == '.'))
        ++n;
    return text.substr(0, n);
}

std::string NameBeforeParenthesis(const std::string& text) {
    size_t end = text.find_first_of("()");
    if (end == std::string::npos)
        end = text.size();
    auto allowed = [](char c) { return IsAlnum(c) || c == '_' || c == ' '; };
    // The last run of allowed characters before end.
    size_t runEnd = end;
    while (runEnd > 0 && !allowed(text[runEnd - 1]))
        --runEnd;
    size_t runStart = runEnd;
    while (runStart > 0 && allowed(text[runStart - 1]))
        --runStart;
    while (runStart < runEnd && !IsAlpha(text[runStart]) && text[runStart] != '_')
        ++runStart;
    while (runEnd > runStart && text[runEnd - 1] == ' ')
        --runEnd;
    return text.substr(runStart, runEnd - runStart);
}

std::string MakeIdentifier(const std::string& text, bool keepAll) {
    const std::string used = text.substr(0, kSharedTextSize);
    if (keepAll)
        return used;
    std::string result;
    result.reserve(used.size());
    for (size_t i = 0; i < used.size(); ++i) {
        char c = used[i];
        if (IsSpace(c)) {
            if (i + 1 < used.size() && IsAlpha(used[i + 1]))
                result += Upper(used[++i]);
            continue;
        }
        bool keep = IsAlnum(c) || c == '_' || c == '.' || c == ':' || c == '\\' || c == '/';
        result += keep ? c : '_';
    }
    return result;
}

std::string CommentText(const std::string& text, const std::string& marker, size_t size, int tabs) {
    const size_t tabCount = tabs > 0 ? static_cast<size_t>(tabs) : 0;
    const std::string indent(tabCount, '\t');
    const size_t limit = CutLimit(size, tabCount, marker.size());
    std::string out;
    if (marker == "/**" && !text.empty()) {
        out = indent + "/**\r\n";
        PrefixLines(out, text, indent + " * ", limit);
        out += "\r\n" + indent + " */";
        return out;
    }
    PrefixLines(out, text, indent + marker, limit);
    return out;
}

std::string IndentText(const std::string& text, size_t size, int tabs) {
    const size_t tabCount = tabs > 0 ? static_cast<size_t>(tabs) : 0;
    std::string out;
    PrefixLines(out, text, std::string(tabCount, '\t'), CutLimit(size, tabCount, 0));
    return out;
}

std::string JoinDoublePercent(const std::string& a, const std::string& b) {
    return a + "%%" + b;
}

std::string SplitDoublePercent(const std::string& text, bool second) {
    size_t at = text.find("%%");
    if (at == std::string::npos)
        return second ? text : std::string();
    return second ? text.substr(at + 2) : text.substr(0, at);
}

std::string DoublePercentToDisplay(const std::string& text) {
    size_t at = text.find("%%");
    if (at == std::string::npos)
        return text;
    std::string after = text.substr(at + 2);
    if (at == 0)
        return after;
    std::string shown = text.substr(0, at);
    if (!after.empty())
        shown += " #" + after;
    return shown;
}

NameAndType SplitNameAndType(const std::string& text) {
    NameAndType result;
    size_t colon = text.find(':');
    if (colon == std::string::npos || colon + 1 >= text.size() || text[colon + 1] == ':') {
        result.name = text;
        return result;
    }
    size_t nameEnd = colon;
    while (nameEnd > 0 && text[nameEnd - 1] == ' ')
        --nameEnd;
    size_t typeStart = colon + 1;
    while (typeStart < text.size() && text[typeStart] == ' ')
        ++typeStart;
    result.name = text.substr(0, nameEnd);
    result.type = text.substr(typeStart);
    result.split = true;
    return result;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace qm
