// The macros a C++ library defines in its own files, expanded where the
// reader meets them, so that declarations a macro writes ("struct
// has_member_##name : no {}") and types a macro names ("CEREAL_SIZE_TYPE")
// are read as the compiler reads them. Object-like and function-like macros
// are expanded in the line buffer and the result is read again; the
// arguments, "#" and "##" are replaced as the preprocessor replaces them. A
// macro is not expanded again inside its own expansion, and the line an
// expansion grows is bounded, so that no file can make the reader loop or
// grow without end.
#include "reverse/SourceParser.h"

#include <algorithm>
#include <cctype>

namespace qm {

namespace {

// A definition longer than this is not kept; the macros of the run are at
// most so many. An expansion grows a line up to kMaxExpandedLine bytes and
// takes place at most kMaxLineExpansions times in one line; the arguments of
// a call are looked for over at most kMaxArgumentLines further lines.
constexpr size_t kMaxMacroDefinition = 16 * 1024;
constexpr size_t kMaxCppMacros = 1 << 16;
constexpr size_t kMaxExpandedLine = 64 * 1024;
constexpr size_t kMaxLineExpansions = 1024;
constexpr int kMaxArgumentLines = 64;

bool IsWordByte(unsigned char c) {
    return std::isalnum(c) != 0 || c == '_' || c >= 0x80;
}

// The end of the string or character literal that opens at text[at].
size_t LiteralEnd(std::string_view text, size_t at) {
    const char quote = text[at];
    for (size_t i = at + 1; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (text[i] == quote || text[i] == '\n') {
            return i + 1;
        }
    }
    return text.size();
}

// The text with its comments made one blank each, and each run of blanks
// (line ends included) one blank, none at either end.
std::string FoldedWithoutComments(std::string_view text) {
    std::string out;
    auto blank = [&out] {
        if (!out.empty() && out.back() != ' ') {
            out += ' ';
        }
    };
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const size_t end = LiteralEnd(text, i);
            out.append(text.substr(i, end - i));
            i = end;
        } else if (text.substr(i, 2) == "//") {
            const size_t end = text.find('\n', i);
            blank();
            i = end == std::string_view::npos ? text.size() : end;
        } else if (text.substr(i, 2) == "/*") {
            const size_t end = text.find("*/", i + 2);
            blank();
            i = end == std::string_view::npos ? text.size() : end + 2;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
            blank();
            ++i;
        } else {
            out += c;
            ++i;
        }
    }
    while (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    return out;
}

std::string_view TrimmedBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

// The argument as a string literal ("#x").
std::string Stringified(std::string_view argument) {
    std::string out = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    out += '"';
    return out;
}

// The body with each parameter replaced by its argument: "#p" by the
// argument as a string literal, and the two sides of each "##" joined.
std::string Substituted(const std::string& body, const std::vector<std::string>& params,
                        const std::vector<std::string>& arguments) {
    auto argumentOf = [&](std::string_view word) -> const std::string* {
        for (size_t i = 0; i < params.size(); ++i) {
            if (params[i] == word) {
                return i < arguments.size() ? &arguments[i] : nullptr;
            }
        }
        return nullptr;
    };
    static const std::string none;
    std::string out;
    bool pasting = false; // a "##" waits for its right side
    const std::string_view text(body);
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ' ') {
            if (!pasting) {
                out += ' ';
            }
            ++i;
            continue;
        }
        if (text.substr(i, 2) == "##") {
            while (!out.empty() && out.back() == ' ') {
                out.pop_back();
            }
            pasting = true;
            i += 2;
            continue;
        }
        pasting = false;
        if (c == '#') {
            // "#param": the argument as a string; any other "#" would be
            // read as a directive in the middle of the line.
            size_t at = i + 1;
            while (at < text.size() && text[at] == ' ') {
                ++at;
            }
            size_t end = at;
            while (end < text.size() && IsWordByte(static_cast<unsigned char>(text[end]))) {
                ++end;
            }
            const bool named =
                end > at && std::ranges::find(params, text.substr(at, end - at)) != params.end();
            if (named) {
                const std::string* argument = argumentOf(text.substr(at, end - at));
                out += Stringified(argument != nullptr ? *argument : none);
                i = end;
            } else {
                out += ' ';
                ++i;
            }
            continue;
        }
        if (c == '"' || c == '\'') {
            const size_t end = LiteralEnd(text, i);
            out.append(text.substr(i, end - i));
            i = end;
            continue;
        }
        if (IsWordByte(c)) {
            size_t end = i;
            while (end < text.size() && IsWordByte(static_cast<unsigned char>(text[end]))) {
                ++end;
            }
            const std::string_view word = text.substr(i, end - i);
            if (std::ranges::find(params, word) != params.end()) {
                const std::string* argument = argumentOf(word);
                out += argument != nullptr ? *argument : none;
            } else {
                out.append(word);
            }
            i = end;
            continue;
        }
        out += static_cast<char>(c);
        ++i;
    }
    return out;
}

} // namespace

// A #define of the file being read or of the run: the text after the name
// gives the parameters (a "(" directly after the name) and the body.
void SourceParser::DefineCppMacro(const std::string& name, std::string_view definition) {
    if (name.empty() || definition.size() > kMaxMacroDefinition ||
        (cppMacros_.size() >= kMaxCppMacros && !cppMacros_.contains(name))) {
        return;
    }
    CppMacro macro;
    if (definition.starts_with('(')) {
        macro.functionLike = true;
        const size_t close = definition.find(')');
        if (close == std::string_view::npos) {
            return;
        }
        std::string_view list = definition.substr(1, close - 1);
        definition.remove_prefix(close + 1);
        while (!list.empty()) {
            const size_t comma = list.find(',');
            std::string param(TrimmedBlanks(FoldedWithoutComments(list.substr(0, comma))));
            list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
            if (param.ends_with("...")) {
                // "..." names its arguments __VA_ARGS__; "args..." by its name.
                macro.variadic = true;
                param.resize(param.size() - 3);
                while (!param.empty() && param.back() == ' ') {
                    param.pop_back();
                }
                if (param.empty()) {
                    param = "__VA_ARGS__";
                }
            }
            if (param.empty() || !std::ranges::all_of(param, [](char c) {
                    return IsWordByte(static_cast<unsigned char>(c));
                })) {
                return;
            }
            macro.params.push_back(std::move(param));
        }
    }
    macro.body = FoldedWithoutComments(definition);
    cppMacros_[name] = std::move(macro);
    const size_t bit = MacroBit(name);
    cppMacroBits_[bit / 64] |= uint64_t(1) << (bit % 64);
}

// Appends the next line of the input to the line buffer (the line feed
// between the two stays a blank), for the arguments of a call that goes on
// there. False at the end of the input or when the line is at its bound.
bool SourceParser::JoinNextLine() {
    if (lineLen_ > kMaxExpandedLine) {
        return false;
    }
    std::vector<unsigned char> kept(line_.begin(), line_.begin() + static_cast<long>(lineLen_));
    std::vector<CppExpansion> expansions = std::move(cppExpansions_);
    const size_t position = linePos_;
    const size_t count = lineExpansions_;
    const bool joined = FillLine();
    if (joined) {
        kept.insert(kept.end(), line_.begin(), line_.end());
    }
    line_ = std::move(kept);
    lineLen_ = line_.size();
    linePos_ = position;
    cppExpansions_ = std::move(expansions);
    lineExpansions_ = count;
    return joined;
}

bool SourceParser::ExpandCppMacro(size_t start, size_t end) {
    if (lineExpansions_ >= kMaxLineExpansions) {
        return false;
    }
    const std::string_view word(reinterpret_cast<const char*>(line_.data() + start), end - start);
    if (word.empty() || !MayBeCppMacro(word)) {
        return false;
    }
    const auto found = cppMacros_.find(word);
    if (found == cppMacros_.end()) {
        return false;
    }
    std::erase_if(cppExpansions_, [start](const CppExpansion& e) { return e.end <= start; });
    if (std::ranges::any_of(cppExpansions_,
                            [word](const CppExpansion& e) { return e.name == word; })) {
        return false;
    }
    const CppMacro& macro = found->second;
    const std::string name(word);
    std::string replacement;
    size_t replacedEnd = end;
    if (!macro.functionLike) {
        replacement = Substituted(macro.body, {}, {});
    } else {
        // The arguments: from the "(" after the name (blanks and line ends
        // between) to its ")", split at the commas outside parentheses.
        size_t at = end;
        int linesJoined = 0;
        auto atLineEnd = [&] { return at + 1 >= lineLen_; };
        for (;;) {
            while (!atLineEnd() && (line_[at] == ' ' || line_[at] == '\t' || line_[at] == '\r' ||
                                    line_[at] == '\n')) {
                ++at;
            }
            if (!atLineEnd()) {
                break;
            }
            if (linesJoined++ >= kMaxArgumentLines || !JoinNextLine()) {
                return false;
            }
        }
        if (line_[at] != '(') {
            return false; // the name alone, not a call
        }
        std::vector<std::string> arguments(1);
        int depth = 0;
        ++at;
        for (;;) {
            if (atLineEnd()) {
                if (linesJoined++ >= kMaxArgumentLines || !JoinNextLine()) {
                    return false;
                }
                continue;
            }
            const char c = static_cast<char>(line_[at]);
            if (c == '"' || c == '\'') {
                const std::string_view rest(reinterpret_cast<const char*>(line_.data() + at),
                                            lineLen_ - at);
                const size_t length = LiteralEnd(rest, 0);
                arguments.back().append(rest.substr(0, length));
                at += length;
                continue;
            }
            if (c == '/' && at + 1 < lineLen_ && line_[at + 1] == '/') {
                while (line_[at] != '\n') {
                    ++at;
                }
                continue;
            }
            if (c == '/' && at + 1 < lineLen_ && line_[at + 1] == '*') {
                const std::string_view rest(reinterpret_cast<const char*>(line_.data() + at),
                                            lineLen_ - at);
                const size_t close = rest.find("*/", 2);
                if (close == std::string_view::npos) {
                    if (linesJoined++ >= kMaxArgumentLines || !JoinNextLine()) {
                        return false;
                    }
                    continue;
                }
                arguments.back() += ' ';
                at += close + 2;
                continue;
            }
            ++at;
            if (c == '(') {
                ++depth;
            } else if (c == ')' && depth-- == 0) {
                break;
            } else if (c == ',' && depth == 0) {
                arguments.emplace_back();
                continue;
            }
            arguments.back() += c;
        }
        replacedEnd = at;
        for (std::string& argument : arguments) {
            argument = std::string(TrimmedBlanks(FoldedWithoutComments(argument)));
        }
        if (macro.variadic && arguments.size() > macro.params.size() && !macro.params.empty()) {
            // The arguments from the variadic parameter on are one, as written.
            std::string rest;
            for (size_t i = macro.params.size() - 1; i < arguments.size(); ++i) {
                rest += (i + 1 == macro.params.size() ? "" : ",") + arguments[i];
            }
            arguments.resize(macro.params.size() - 1);
            arguments.push_back(std::move(rest));
        }
        replacement = Substituted(macro.body, macro.params, arguments);
    }
    // Blanks on both sides keep the expansion from joining the words around it.
    replacement = " " + replacement + " ";
    if (lineLen_ - (replacedEnd - start) + replacement.size() > kMaxExpandedLine) {
        return false;
    }
    const size_t expandedEnd = start + replacement.size();
    for (CppExpansion& e : cppExpansions_) {
        if (e.end >= replacedEnd) {
            e.end = e.end - replacedEnd + expandedEnd;
        } else if (e.end > start) {
            e.end = expandedEnd;
        }
    }
    line_.erase(line_.begin() + static_cast<long>(start),
                line_.begin() + static_cast<long>(replacedEnd));
    line_.insert(line_.begin() + static_cast<long>(start), replacement.begin(), replacement.end());
    lineLen_ = line_.size();
    cppExpansions_.push_back({name, expandedEnd});
    ++lineExpansions_;
    return true;
}

} // namespace qm
