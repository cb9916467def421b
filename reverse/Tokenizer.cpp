// The tokenizer of all seven source languages: the line reader over the
// source input and NextTok, which turns characters into token codes. Comments
// are collected for the declaration that follows; preprocessor lines are
// skipped; keywords are found through the symbol table, so each language sees
// only its own.
#include "reverse/SourceParser.h"

#include "reverse/SourceLanguage.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qm {

namespace {

// Character classes, indexed by byte (the end of input, -1, is in none).
enum : unsigned char {
    kLetter = 1,
    kDigit = 2,
    kUnderscore = 4,
    kBlank = 8,          // blank, tab, carriage return, line feed
    kTrailingBlank = 16, // blank, tab, carriage return
};

constexpr std::array<unsigned char, 256> kClasses = [] {
    std::array<unsigned char, 256> table{};
    for (int c = 'a'; c <= 'z'; ++c) {
        table[static_cast<size_t>(c)] = kLetter;
        table[static_cast<size_t>(c - 'a' + 'A')] = kLetter;
    }
    for (int c = '0'; c <= '9'; ++c) {
        table[static_cast<size_t>(c)] = kDigit;
    }
    // The bytes of UTF-8 sequences: letters of other scripts stay whole in
    // identifiers.
    for (size_t c = 0x80; c < table.size(); ++c) {
        table[c] = kLetter;
    }
    table['_'] = kUnderscore;
    table[' '] = table['\t'] = table['\r'] = kBlank | kTrailingBlank;
    table['\n'] = kBlank;
    return table;
}();

bool HasClass(int c, unsigned char classes) {
    return c >= 0 && (kClasses[static_cast<size_t>(c) & 0xFF] & classes) != 0;
}

bool IsDigit(int c) {
    return HasClass(c, kDigit);
}
bool IsWordStart(int c) {
    return HasClass(c, kLetter | kUnderscore);
}
bool IsWordChar(int c) {
    return HasClass(c, kLetter | kDigit | kUnderscore);
}
bool IsBlank(int c) {
    return HasClass(c, kBlank);
}
bool IsTrailingBlank(int c) {
    return HasClass(c, kTrailingBlank);
}
constexpr std::array<unsigned char, 256> kLowerBytes = [] {
    std::array<unsigned char, 256> table{};
    for (size_t c = 0; c < table.size(); ++c) {
        table[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
    return table;
}();

int Lower(int c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

// True when the bytes are valid UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(const std::vector<unsigned char>& bytes) {
    size_t i = 0;
    const size_t n = bytes.size();
    while (i < n) {
        // Plain ASCII, most of every source, is passed over eight bytes at a time.
        uint64_t word = 0;
        if (i + sizeof word <= n) {
            std::memcpy(&word, bytes.data() + i, sizeof word);
            if ((word & 0x8080808080808080ull) == 0) {
                i += sizeof word;
                continue;
            }
        }
        const unsigned char c = bytes[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t length = 0;
        unsigned min = 0;
        if ((c & 0xE0) == 0xC0) {
            length = 2;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            min = 0x10000;
        } else {
            return false;
        }
        if (i + length > n) {
            return false;
        }
        unsigned code = c & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (bytes[i + k] & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

std::vector<unsigned char> Latin1ToUtf8(const std::vector<unsigned char>& bytes) {
    std::vector<unsigned char> out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<unsigned char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<unsigned char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// The length of text cut to at most limit bytes without splitting a UTF-8
// sequence.
size_t Utf8Prefix(std::string_view text, size_t limit) {
    if (text.size() <= limit) {
        return text.size();
    }
    size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return cut;
}

} // namespace

// ---- Line reader ----

bool SourceParser::Refill() {
    if (inputEnded_ || file_ == nullptr) {
        inputEnded_ = true;
        return false;
    }
    size_t n = std::fread(readBuffer_.get(), 1, kReadBufferSize, file_);
    if (n == 0) {
        inputEnded_ = true;
        return false;
    }
    readPos_ = readBuffer_.get();
    readEnd_ = readPos_ + n;
    FindNextCarriageReturn();
    return true;
}

// Carriage returns are rare: the next one is looked for once and kept, not
// searched for again on every line.
void SourceParser::FindNextCarriageReturn() {
    const void* cr = std::memchr(readPos_, '\r', static_cast<size_t>(readEnd_ - readPos_));
    nextCr_ = cr != nullptr ? static_cast<const unsigned char*>(cr) : readEnd_;
}

// Reads the next line, whatever its length, into the line buffer with a line
// feed after it. A line feed or a carriage return ends the line; a carriage
// return directly before a line feed is dropped, as a text-mode read does,
// and a lone one stays in the line. The line is taken as UTF-8; a line that
// is not valid UTF-8 is taken as Latin-1 and converted, so that every text
// the parsers build from it is valid UTF-8. False at the end of the input.
bool SourceParser::FillLine() {
    line_.clear();
    bool ended = false;
    for (;;) {
        if (readPos_ == readEnd_ && !Refill()) {
            break;
        }
        size_t avail = static_cast<size_t>(readEnd_ - readPos_);
        const void* lf = std::memchr(readPos_, '\n', avail);
        const unsigned char* p = lf != nullptr ? static_cast<const unsigned char*>(lf) : readEnd_;
        if (nextCr_ < readPos_) {
            FindNextCarriageReturn();
        }
        if (nextCr_ < p) {
            p = nextCr_;
        }
        line_.insert(line_.end(), readPos_, p);
        readPos_ = p;
        if (p == readEnd_) {
            continue;
        }
        int ch = *readPos_++;
        ended = true;
        if (ch == '\r') {
            if (readPos_ == readEnd_) {
                Refill();
            }
            if (readPos_ < readEnd_ && *readPos_ == '\n') {
                ++readPos_;
            } else {
                line_.push_back('\r');
            }
        }
        break;
    }
    if (!ended && line_.empty()) {
        return false;
    }
    if (ended) {
        ++lineCounter_;
    }
    if (!IsValidUtf8(line_)) {
        line_ = Latin1ToUtf8(line_);
    }
    line_.push_back('\n');
    lineLen_ = line_.size();
    linePos_ = 0;
    cppExpansions_.clear();
    lineExpansions_ = 0;
    return true;
}

int SourceParser::ReadCharSlow() {
    if (!open_ || !FillLine()) {
        lineLen_ = linePos_ = 0;
        c_ = -1;
        return c_;
    }
    return ReadChar();
}

// Consumes the current character and those after it in the line buffer
// while they are of the classes given, then reads the next character. The
// consumed characters stay in line_[start, returned index) until the next
// character read refills the line; a run of word characters never reaches
// the line feed that ends every line, so it is still there.
size_t SourceParser::ConsumeRun(unsigned char classes) {
    size_t p = linePos_;
    while (p < lineLen_ && (kClasses[line_[p]] & classes) != 0) {
        ++p;
    }
    if (capture_.recording) {
        capture_.text.append(reinterpret_cast<const char*>(line_.data() + linePos_), p - linePos_);
    }
    linePos_ = p;
    ReadChar();
    return p;
}

// Consumes the rest of the line up to its line feed, which becomes the
// current character; returns the consumed text, the current character first.
std::string_view SourceParser::ConsumeRestOfLine() {
    if (c_ < 0 || c_ == '\n' || linePos_ == 0) {
        return {};
    }
    size_t start = linePos_ - 1;
    size_t end = lineLen_ - 1; // the line feed
    if (capture_.recording) {
        capture_.text.append(reinterpret_cast<const char*>(line_.data() + linePos_),
                             end - linePos_);
    }
    linePos_ = end;
    ReadChar();
    return {reinterpret_cast<const char*>(line_.data() + start), end - start};
}

void SourceParser::SkipBlanks() {
    while (IsBlank(c_)) {
        ConsumeRun(kBlank);
    }
}

// True when only blanks follow the current character up to the line end.
bool SourceParser::RestOfLineIsBlank() const {
    for (size_t i = linePos_; i < lineLen_; ++i) {
        if (line_[i] == '\n') {
            return true;
        }
        if (!IsTrailingBlank(line_[i])) {
            return false;
        }
    }
    return true;
}

// ---- Comments ----

void SourceParser::ClearComment() {
    comment_.clear();
    commentSeen_ = false;
}

void SourceParser::AppendComment(std::string piece) {
    if (!piece.empty() && piece.back() == '\n') {
        piece.pop_back();
    }
    if (comment_.size() + piece.size() + 2 > kMaxCommentLength) {
        return;
    }
    if (!comment_.empty()) {
        comment_ += "\r\n";
    }
    comment_ += piece;
}

// The current character follows the comment marker.
void SourceParser::LineComment() {
    commentSeen_ = true;
    commentLine_ = lineCounter_;
    if (c_ == ' ') {
        ReadChar();
    }
    AppendComment(std::string(ConsumeRestOfLine()));
}

// The current character follows "/*".
void SourceParser::BlockComment() {
    commentSeen_ = true;
    commentLine_ = lineCounter_;
    comment_.clear();
    std::string piece;
    for (;;) {
        if (c_ < 0) {
            AppendComment(std::move(piece));
            return;
        }
        if (c_ != '*' && c_ != '\n' && linePos_ > 0) {
            // Take the run up to the next asterisk or the line feed at once.
            const unsigned char* from = line_.data() + linePos_ - 1;
            size_t length = lineLen_ - 1 - (linePos_ - 1);
            const void* star = std::memchr(from, '*', length);
            size_t run = star != nullptr
                             ? static_cast<size_t>(static_cast<const unsigned char*>(star) - from)
                             : length;
            piece.append(reinterpret_cast<const char*>(from), run);
            if (capture_.recording) {
                capture_.text.append(reinterpret_cast<const char*>(line_.data() + linePos_),
                                     run - 1);
            }
            linePos_ += run - 1;
            ReadChar();
            continue;
        }
        if (c_ == '*') {
            ReadChar();
            if (c_ == '/') {
                ReadChar();
                AppendComment(std::move(piece));
                return;
            }
            piece.push_back('*');
            continue;
        }
        piece.push_back(static_cast<char>(c_));
        if (c_ == '\n') {
            AppendComment(std::move(piece));
            piece.clear();
        }
        ReadChar();
    }
}

// The directive word at the start of a preprocessor line's text (after the
// number sign and any blanks).
namespace {

// The identifier at the start of text after blanks, or "".
std::string_view LeadingName(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) {
        ++at;
    }
    size_t end = at;
    while (end < text.size() &&
           (std::isalnum(static_cast<unsigned char>(text[end])) != 0 || text[end] == '_')) {
        ++end;
    }
    return text.substr(at, end - at);
}

// Blanks (and the line end) off both ends of text.
std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() &&
           (IsTrailingBlank(static_cast<unsigned char>(text.back())) || text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return text;
}

// The macro one operand of a condition tests for being defined or non-zero
// ("NAME", "defined(NAME)", "defined NAME"), else "".
std::string_view OperandMacro(std::string_view operand) {
    operand = Trimmed(operand);
    std::string_view name = LeadingName(operand);
    if (name.empty() || operand.substr(0, name.size()) != name) {
        return {};
    }
    operand.remove_prefix(name.size());
    if (name == "defined") {
        operand = Trimmed(operand);
        const bool paren = !operand.empty() && operand.front() == '(';
        if (paren) {
            operand.remove_prefix(1);
        }
        name = LeadingName(operand);
        operand.remove_prefix(operand.find(name) + name.size());
        operand = Trimmed(operand);
        if (paren) {
            if (operand.empty() || operand.front() != ')') {
                return {};
            }
            operand.remove_prefix(1);
        }
    }
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name.front())) != 0 ||
        !Trimmed(operand).empty()) {
        return {};
    }
    return name;
}

// A macro's replacement text is kept up to this length (one more marks a
// longer text, which is not kept), and so many macros at the most.
constexpr size_t kMaxMacroText = 200;
constexpr size_t kMaxObjectMacros = 4096;
// A macro's whole definition is kept up to this length; the definitions
// gathered from the run's files, up to kMaxGatheredText bytes in all.
constexpr size_t kMaxDefinitionText = 16 * 1024;
constexpr size_t kMaxGatheredText = 64 * 1024 * 1024;
// Files gathered from (the run's and those they include), and #include
// lines followed, at the most.
constexpr size_t kMaxIncludedFiles = 1 << 14;
constexpr size_t kMaxGatheredIncludes = 1 << 16;
// Identifier's answer when it expanded a macro: the expansion is read next.
constexpr int kMacroExpanded = -2;

// Appends a line of a macro's replacement, each run of blanks one blank.
void AppendMacroText(std::string& text, std::string_view line) {
    for (const char c : line) {
        if (text.size() > kMaxMacroText) {
            return;
        }
        const bool blank = c == ' ' || c == '\t';
        if (!blank) {
            text += c;
        } else if (!text.empty() && text.back() != ' ') {
            text += ' ';
        }
    }
    if (!text.empty() && text.back() != ' ') {
        text += ' ';
    }
}

// Whether a chain of operands joined by "&&" holds one that tests a macro
// no #define of the run has defined, or a literal 0 (code kept out of the
// program, such as examples under "#if 0").
bool ConjunctionIsFalse(std::string_view text,
                        const std::set<std::string, std::less<>>& definedMacros) {
    for (;;) {
        const size_t at = text.find("&&");
        const std::string_view operand = text.substr(0, at);
        const std::string_view name = OperandMacro(operand);
        if ((!name.empty() && !definedMacros.contains(name)) || Trimmed(operand) == "0") {
            return true;
        }
        if (at == std::string_view::npos) {
            return false;
        }
        text.remove_prefix(at + 2);
    }
}

// The body of an object-like macro of the run by name, or null when the
// macro is not one or its text is not known.
using MacroBodyLookup = std::function<const std::string*(std::string_view)>;

// The value of a #if condition as the preprocessor computes it: integers,
// "defined", the arithmetic, comparison and logical operators, "?:" and
// parentheses. A name no #define of the run defines is 0, as the
// preprocessor takes it, except __cplusplus (the language the generated
// code is written in); a macro the run defines has the value of its text.
// A value that cannot be known here (a macro whose text is not known, a
// call such as __has_include(...)) makes the answer unknown, unless the
// operators around it decide without it ("0 && X").
class ConditionValue {
  public:
    ConditionValue(const std::set<std::string, std::less<>>& defined, const MacroBodyLookup& bodyOf,
                   int depth)
        : defined_(defined), bodyOf_(bodyOf), depth_(depth) {}

    std::optional<long long> Evaluate(std::string_view text) {
        text_ = text;
        at_ = 0;
        const std::optional<long long> value = Conditional();
        SkipBlanks();
        if (failed_ || at_ != text_.size()) {
            return std::nullopt;
        }
        return value;
    }

  private:
    using Value = std::optional<long long>;

    void SkipBlanks() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_])) != 0) {
            ++at_;
        }
    }
    bool Take(std::string_view op) {
        SkipBlanks();
        if (text_.substr(at_, op.size()) != op) {
            return false;
        }
        // "<" is not the start of "<<" or "<=", "&" not of "&&", and so on.
        if (op.size() == 1 && at_ + 1 < text_.size()) {
            const char next = text_[at_ + 1];
            if ((op == "<" && (next == '<' || next == '=')) ||
                (op == ">" && (next == '>' || next == '=')) || (op == "&" && next == '&') ||
                (op == "|" && next == '|') || (op == "!" && next == '=') ||
                (op == "=" && next == '=')) {
                return false;
            }
        }
        at_ += op.size();
        return true;
    }
    std::string_view Word() {
        SkipBlanks();
        const size_t start = at_;
        while (at_ < text_.size() &&
               (std::isalnum(static_cast<unsigned char>(text_[at_])) != 0 || text_[at_] == '_')) {
            ++at_;
        }
        return text_.substr(start, at_ - start);
    }

    Value Conditional() {
        const Value condition = LogicalOr();
        if (!Take("?")) {
            return condition;
        }
        const Value yes = Conditional();
        if (!Take(":")) {
            failed_ = true;
            return std::nullopt;
        }
        const Value no = Conditional();
        if (!condition) {
            return yes && no && *yes == *no ? yes : std::nullopt;
        }
        return *condition != 0 ? yes : no;
    }
    Value LogicalOr() {
        Value left = LogicalAnd();
        while (Take("||")) {
            const Value right = LogicalAnd();
            if ((left && *left != 0) || (right && *right != 0)) {
                left = 1;
            } else if (left && right) {
                left = 0;
            } else {
                left = std::nullopt;
            }
        }
        return left;
    }
    Value LogicalAnd() {
        Value left = Binary(0);
        while (Take("&&")) {
            const Value right = Binary(0);
            if ((left && *left == 0) || (right && *right == 0)) {
                left = 0;
            } else if (left && right) {
                left = 1;
            } else {
                left = std::nullopt;
            }
        }
        return left;
    }
    // The binary operators from "|" to "*", loosest first.
    Value Binary(int level) {
        static const std::vector<std::vector<std::string_view>> kLevels = {
            {"|"},        {"^"},      {"&"},          {"==", "!="}, {"<=", ">=", "<", ">"},
            {"<<", ">>"}, {"+", "-"}, {"*", "/", "%"}};
        if (level == static_cast<int>(kLevels.size())) {
            return Unary();
        }
        Value left = Binary(level + 1);
        for (;;) {
            std::string_view taken;
            for (const std::string_view op : kLevels[static_cast<size_t>(level)]) {
                if (Take(op)) {
                    taken = op;
                    break;
                }
            }
            if (taken.empty()) {
                return left;
            }
            const Value right = Binary(level + 1);
            if (!left || !right) {
                left = std::nullopt;
                continue;
            }
            const long long a = *left;
            const long long b = *right;
            if ((taken == "/" || taken == "%") && b == 0) {
                left = std::nullopt;
            } else if (taken == "|") {
                left = a | b;
            } else if (taken == "^") {
                left = a ^ b;
            } else if (taken == "&") {
                left = a & b;
            } else if (taken == "==") {
                left = a == b;
            } else if (taken == "!=") {
                left = a != b;
            } else if (taken == "<=") {
                left = a <= b;
            } else if (taken == ">=") {
                left = a >= b;
            } else if (taken == "<") {
                left = a < b;
            } else if (taken == ">") {
                left = a > b;
            } else if (taken == "<<" || taken == ">>") {
                left = b < 0 || b > 62
                           ? std::nullopt
                           : Value(taken == "<<" ? static_cast<long long>(
                                                       static_cast<unsigned long long>(a) << b)
                                                 : a >> b);
            } else if (taken == "+") {
                left = static_cast<long long>(static_cast<unsigned long long>(a) +
                                              static_cast<unsigned long long>(b));
            } else if (taken == "-") {
                left = static_cast<long long>(static_cast<unsigned long long>(a) -
                                              static_cast<unsigned long long>(b));
            } else if (taken == "*") {
                left = static_cast<long long>(static_cast<unsigned long long>(a) *
                                              static_cast<unsigned long long>(b));
            } else if (b == -1) {
                left = std::nullopt; // the one quotient that overflows
            } else {
                left = taken == "/" ? a / b : a % b;
            }
        }
    }
    Value Unary() {
        if (Take("!")) {
            const Value v = Unary();
            return v ? Value(*v == 0) : std::nullopt;
        }
        if (Take("~")) {
            const Value v = Unary();
            return v ? Value(~*v) : std::nullopt;
        }
        if (Take("-")) {
            const Value v = Unary();
            return v ? Value(static_cast<long long>(0ULL - static_cast<unsigned long long>(*v)))
                     : std::nullopt;
        }
        if (Take("+")) {
            return Unary();
        }
        return Primary();
    }
    Value Primary() {
        SkipBlanks();
        if (++nodes_ > 4096 || at_ >= text_.size()) {
            failed_ = true;
            return std::nullopt;
        }
        if (Take("(")) {
            const Value v = Conditional();
            if (!Take(")")) {
                failed_ = true;
            }
            return v;
        }
        const char c = text_[at_];
        if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
            return Number();
        }
        const std::string_view word = Word();
        if (word.empty()) {
            failed_ = true; // a character literal, a string, a stray sign
            return std::nullopt;
        }
        if (word == "defined") {
            const bool paren = Take("(");
            const std::string_view name = Word();
            if (name.empty() || (paren && !Take(")"))) {
                failed_ = true;
                return std::nullopt;
            }
            return defined_.contains(name) ? 1 : 0;
        }
        SkipBlanks();
        if (at_ < text_.size() && text_[at_] == '(') {
            // A call: __has_include(<x>), __has_cpp_attribute(y), a macro.
            int depth = 0;
            for (; at_ < text_.size(); ++at_) {
                if (text_[at_] == '(') {
                    ++depth;
                } else if (text_[at_] == ')' && --depth == 0) {
                    ++at_;
                    break;
                }
            }
            return std::nullopt;
        }
        if (word == "true" || word == "false") {
            return word == "true" ? 1 : 0;
        }
        if (!defined_.contains(word)) {
            return word == "__cplusplus" ? Value(201703) : Value(0);
        }
        const std::string* body = bodyOf_ ? bodyOf_(word) : nullptr;
        if (body == nullptr || depth_ >= 8) {
            return std::nullopt;
        }
        ConditionValue inner(defined_, bodyOf_, depth_ + 1);
        return inner.Evaluate(*body);
    }
    Value Number() {
        const size_t start = at_;
        while (at_ < text_.size() &&
               (std::isalnum(static_cast<unsigned char>(text_[at_])) != 0 || text_[at_] == '\'')) {
            ++at_;
        }
        std::string digits;
        for (const char c : text_.substr(start, at_ - start)) {
            if (c != '\'') {
                digits += c;
            }
        }
        while (!digits.empty() && (digits.back() == 'u' || digits.back() == 'U' ||
                                   digits.back() == 'l' || digits.back() == 'L')) {
            digits.pop_back();
        }
        int base = 10;
        size_t from = 0;
        if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
            base = 16;
            from = 2;
        } else if (digits.size() > 2 && digits[0] == '0' &&
                   (digits[1] == 'b' || digits[1] == 'B')) {
            base = 2;
            from = 2;
        } else if (digits.size() > 1 && digits[0] == '0') {
            base = 8;
            from = 1;
        }
        unsigned long long value = 0;
        for (size_t i = from; i < digits.size(); ++i) {
            const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(digits[i])));
            const int digit = std::isdigit(static_cast<unsigned char>(c)) != 0 ? c - '0'
                              : c >= 'a' && c <= 'f'                           ? c - 'a' + 10
                                                                               : 99;
            if (digit >= base || value > (~0ULL >> 5)) {
                failed_ = true;
                return std::nullopt;
            }
            value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        }
        return static_cast<long long>(value);
    }

    const std::set<std::string, std::less<>>& defined_;
    const MacroBodyLookup& bodyOf_;
    int depth_;
    std::string_view text_;
    size_t at_ = 0;
    int nodes_ = 0;
    bool failed_ = false;
};

// Whether a condition (the text after the number sign of an #if, #ifdef or
// #elif line) is false as the compiler takes it: it tests a macro that no
// #define of the run has defined, alone or as one operand of a chain of
// "&&" ("#if HAS_X && !OTHER" is false without HAS_X), or is "#if 0", or
// each chain of a "||" is such ("#if defined A || defined B" without
// either). Anything else (negations, other values, comparisons,
// parentheses) is taken as true.
bool ConditionIsFalse(std::string_view text,
                      const std::set<std::string, std::less<>>& definedMacros,
                      const MacroBodyLookup& bodyOf = {}) {
    const std::string_view word = LeadingName(text);
    if (word != "if" && word != "ifdef" && word != "elif") {
        return false;
    }
    text.remove_prefix(text.find(word) + word.size());
    // A trailing comment is no part of the condition.
    for (const char* opener : {"//", "/*"}) {
        const size_t at = text.find(opener);
        if (at != std::string_view::npos) {
            text = text.substr(0, at);
        }
    }
    if (word == "ifdef") {
        const std::string_view name = OperandMacro(text);
        return !name.empty() && !definedMacros.contains(name);
    }
    if (const std::optional<long long> value =
            ConditionValue(definedMacros, bodyOf, 0).Evaluate(text)) {
        return *value == 0;
    }
    for (;;) {
        const size_t at = text.find("||");
        if (!ConjunctionIsFalse(text.substr(0, at), definedMacros)) {
            return false;
        }
        if (at == std::string_view::npos) {
            return true;
        }
        text.remove_prefix(at + 2);
    }
}

// Whether an object-like macro's text stands for a template parameter's
// kind ("template <typename T> class").
bool IsKindText(std::string_view text) {
    return text.starts_with("template");
}

// Whether an object-like macro's text (blanks folded, none at either end)
// is one name, qualified or not ("::lib::Saver").
bool IsNameText(std::string_view text) {
    if (text.empty() || std::isdigit(static_cast<unsigned char>(text.front())) != 0) {
        return false;
    }
    return std::ranges::all_of(text, [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == ':';
    });
}

std::string_view DirectiveWord(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) {
        ++at;
    }
    size_t end = at;
    while (end < text.size() && text[end] >= 'a' && text[end] <= 'z') {
        ++end;
    }
    return text.substr(at, end - at);
}

} // namespace

// The number sign has been read: skips the rest of its line, and the lines
// after it while a line ends with a backslash. Of a conditional, only one
// branch is read: at #else or #elif the lines up to the matching #endif are
// passed over, so that two branches that each open a declaration (or each
// declare the same class) are never read as one. The branch read is the
// first, unless its condition only tests a macro that no #define of the run
// has defined ("#if NAME", "#ifdef NAME", "#if defined(NAME)"): that
// condition is false, as the compiler takes it, and the next branch is read.
void SourceParser::PreprocessorLine() {
    bool otherBranch = false;
    bool falseBranch = false;
    bool first = true;
    std::string macro;      // an object-like macro being defined
    std::string macroText;  // its replacement, up to the limit
    std::string defined;    // any macro being defined
    std::string definition; // the text after its name, lines joined
    for (;;) {
        std::string_view rest = ConsumeRestOfLine();
        std::string_view text; // of the macro's replacement on this line
        if (first) {
            std::string_view word = DirectiveWord(rest);
            otherBranch = word == "else" || word.starts_with("elif");
            if (word == "define" || word == "undef") {
                std::string_view after = rest.substr(rest.find(word) + word.size());
                std::string name(LeadingName(after));
                objectMacros_.erase(name);
                if (!name.empty() && word == "define") {
                    text = after.substr(after.find(name) + name.size());
                    if (!text.starts_with('(')) {
                        macro = name;
                    }
                    defined = name;
                    definedMacros_.insert(std::move(name));
                } else if (!name.empty() && !runDefines_.contains(name)) {
                    // A macro the run defines stays defined for every file,
                    // whichever order they come in.
                    definedMacros_.erase(name);
                    cppMacros_.erase(name);
                }
            }
            falseBranch = !otherBranch && ConditionIsFalse(rest, definedMacros_, MacroBodies());
        }
        while (!rest.empty() && IsTrailingBlank(static_cast<unsigned char>(rest.back()))) {
            rest.remove_suffix(1);
        }
        const bool continued = c_ >= 0 && !rest.empty() && rest.back() == '\\';
        if (!first) {
            text = rest;
        }
        while (!text.empty() && IsTrailingBlank(static_cast<unsigned char>(text.back()))) {
            text.remove_suffix(1);
        }
        if (continued && !text.empty()) {
            text.remove_suffix(1);
        }
        if (!macro.empty()) {
            AppendMacroText(macroText, text);
        }
        if (!defined.empty() && definition.size() <= kMaxDefinitionText) {
            definition.append(text);
            definition += ' ';
        }
        first = false;
        if (!continued) {
            break;
        }
        ReadChar();
    }
    while (!macroText.empty() && macroText.back() == ' ') {
        macroText.pop_back();
    }
    if ((IsKindText(macroText) || IsNameText(macroText)) && macroText.size() <= kMaxMacroText &&
        objectMacros_.size() < kMaxObjectMacros) {
        objectMacros_[macro] = std::move(macroText);
    }
    if (!defined.empty() && language_ == kLangCpp) {
        DefineCppMacro(defined, definition);
    }
    if ((otherBranch || falseBranch) && c_ >= 0) {
        SkipConditionalBranches(falseBranch);
    }
    comment_.clear();
}

// One file's #define lines, each with the conditions of the branches around
// it: a condition it needs true, or one of an earlier branch it needs false.
void SourceParser::GatherDefines(const std::string& path) {
    GatherDefinesOf(path, {});
}

void SourceParser::GatherDefinesOf(const std::string& path, const GatheredConditions& outer) {
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
    if (!gatheredFiles_.insert(error ? path : canonical.string()).second) {
        return;
    }
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        return;
    }
    // The file is read whole and its lines are looked at where they lie.
    std::string data;
    const std::streamoff size = in.tellg();
    if (size > 0) {
        data.resize(static_cast<size_t>(size));
        in.seekg(0);
        in.read(data.data(), size);
        data.resize(static_cast<size_t>(in.gcount()));
    } else if (size < 0) {
        // No size to be told (a pipe): read to the end as it comes.
        in.clear();
        data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // A branch of a conditional: the conditions of its earlier branches
    // (each must be false) and its own (none for #else).
    struct Branch {
        std::vector<std::string> earlier;
        std::string own;
    };
    std::vector<Branch> open;
    constexpr size_t kMaxDepth = 256;
    constexpr size_t kMaxLine = 64 * 1024;
    std::string_view line;
    std::string joined;
    std::string joinedLine;
    size_t next = 0;
    bool inComment = false; // inside a /* */ comment: a "#define" there is text
    // The conditions around the line being read, made once for the lines
    // up to the next directive that opens, switches or closes a branch.
    std::shared_ptr<const GatheredConditions> around;
    auto conditions = [&open, &outer, &around] {
        if (around == nullptr) {
            auto all = std::make_shared<GatheredConditions>(outer);
            for (const Branch& branch : open) {
                for (const std::string& earlier : branch.earlier) {
                    all->emplace_back(earlier, false);
                }
                if (!branch.own.empty()) {
                    all->emplace_back(branch.own, true);
                }
            }
            around = std::move(all);
        }
        return around;
    };
    while (next < data.size()) {
        // A line ends at its line feed; the last one at the end of the file.
        const size_t feed = data.find('\n', next);
        const size_t end = feed == std::string::npos ? data.size() : feed;
        line = std::string_view(data).substr(next, end - next);
        next = feed == std::string::npos ? data.size() : feed + 1;
        if (line.size() > kMaxLine) {
            line = line.substr(0, kMaxLine);
        }
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!joined.empty() || (!line.empty() && line.back() == '\\')) {
            joined += line;
            if (!joined.empty() && joined.back() == '\\' && joined.size() < kMaxLine) {
                joined.pop_back();
                continue;
            }
            joinedLine = std::move(joined);
            joined.clear();
            line = joinedLine;
        }
        const bool commentAtStart = inComment;
        for (size_t at = 0; at + 1 < line.size(); ++at) {
            if (inComment && line[at] == '*' && line[at + 1] == '/') {
                inComment = false;
                ++at;
            } else if (!inComment && line[at] == '/' && line[at + 1] == '/') {
                break;
            } else if (!inComment && line[at] == '/' && line[at + 1] == '*') {
                inComment = true;
                ++at;
            }
        }
        std::string_view text = Trimmed(line);
        if (commentAtStart || text.empty() || text.front() != '#') {
            continue;
        }
        text.remove_prefix(1);
        const std::string_view word = DirectiveWord(text);
        if (word.starts_with("if")) {
            if (open.size() < kMaxDepth) {
                open.push_back({{}, std::string(text)});
                around = nullptr;
            }
        } else if ((word == "else" || word == "elif") && !open.empty()) {
            Branch& branch = open.back();
            branch.earlier.push_back(std::move(branch.own));
            branch.own = word == "elif" ? std::string(text) : std::string();
            around = nullptr;
        } else if (word == "endif" && !open.empty()) {
            open.pop_back();
            around = nullptr;
        } else if (word == "define" && gathered_.size() < kMaxGatheredDefines) {
            const std::string_view after = text.substr(text.find(word) + word.size());
            const std::string_view name = LeadingName(after);
            if (name.empty()) {
                continue;
            }
            std::string_view definition = after.substr(after.find(name) + name.size());
            if (definition.size() > kMaxDefinitionText ||
                gatheredText_ + definition.size() > kMaxGatheredText) {
                definition = {};
            }
            gatheredText_ += definition.size();
            gathered_.push_back({std::string(name), std::string(definition), conditions()});
        } else if (word == "include" && gatheredIncludes_.size() < kMaxGatheredIncludes) {
            // #include "name": beside the file, else in the folders above it
            // (a library's headers name each other from its include root).
            std::string_view after = Trimmed(text.substr(text.find(word) + word.size()));
            if (after.size() < 3 || after.front() != '"') {
                continue;
            }
            const size_t close = after.find('"', 1);
            if (close == std::string_view::npos || close == 1) {
                continue;
            }
            const std::filesystem::path name(std::string(after.substr(1, close - 1)));
            for (std::filesystem::path folder = std::filesystem::path(path).parent_path();;
                 folder = folder.parent_path()) {
                const std::filesystem::path candidate = folder / name;
                if (std::filesystem::is_regular_file(candidate, error)) {
                    gatheredIncludes_.emplace_back(candidate.string(), conditions());
                    break;
                }
                if (folder.empty() || folder == folder.parent_path()) {
                    break;
                }
            }
        }
    }
}

// The macros the run's files define where the branches around the
// #define are read, taken as defined from the first file on. A branch
// depends on the set being found, so the set is grown from nothing until
// it no longer changes (a few rounds: each round reads one level deeper).
// The set depends on what the files hold, never on their order.
void SourceParser::DefineGatheredMacros() {
    // The files the run's files include, after the run's own: where both
    // define a macro, the run's definition is the one taken.
    for (size_t i = 0; i < gatheredIncludes_.size() && gatheredFiles_.size() < kMaxIncludedFiles;
         ++i) {
        const auto included = gatheredIncludes_[i];
        GatherDefinesOf(included.first, *included.second);
    }
    gatheredIncludes_.clear();
    gatheredFiles_.clear();
    std::set<std::string, std::less<>> defined;
    // Whether the branches of a list of conditions are read with the set
    // found so far. A condition's value depends on its text and the set
    // alone, so each text and each shared list is weighed once a round.
    std::unordered_map<std::string_view, bool> falseTexts;
    std::unordered_map<const GatheredConditions*, bool> readLists;
    auto isRead = [&](const GatheredConditions& conditions) {
        const auto known = readLists.find(&conditions);
        if (known != readLists.end()) {
            return known->second;
        }
        const bool read = std::ranges::all_of(conditions, [&](const auto& condition) {
            auto [text, added] = falseTexts.try_emplace(condition.first, false);
            if (added) {
                text->second = ConditionIsFalse(condition.first, defined);
            }
            return text->second != condition.second;
        });
        readLists.emplace(&conditions, read);
        return read;
    };
    // A round marks the names of the #define lines it reads among the
    // distinct names (sorted), so that a name many files define is taken
    // once, and the set is made again only when the marks change.
    std::vector<std::string_view> names;
    names.reserve(gathered_.size());
    for (const GatheredDefine& define : gathered_) {
        names.push_back(define.name);
    }
    std::ranges::sort(names);
    names.erase(std::unique(names.begin(), names.end()), names.end());
    std::vector<size_t> nameOf;
    nameOf.reserve(gathered_.size());
    for (const GatheredDefine& define : gathered_) {
        nameOf.push_back(
            static_cast<size_t>(std::ranges::lower_bound(names, define.name) - names.begin()));
    }
    std::vector<char> marked(names.size(), 0);
    for (int round = 0; round < 16; ++round) {
        std::vector<char> next(names.size(), 0);
        falseTexts.clear();
        readLists.clear();
        for (size_t i = 0; i < gathered_.size(); ++i) {
            if (next[nameOf[i]] == 0 && isRead(*gathered_[i].conditions)) {
                next[nameOf[i]] = 1;
            }
        }
        if (next == marked) {
            break;
        }
        marked = std::move(next);
        defined.clear();
        for (size_t n = 0; n < names.size(); ++n) {
            if (marked[n] != 0) {
                defined.emplace_hint(defined.end(), names[n]);
            }
        }
    }
    // The C++ macros of the run: of the #define lines read, the first of
    // each name gives its text.
    if (language_ == kLangCpp) {
        falseTexts.clear();
        readLists.clear();
        for (const GatheredDefine& define : gathered_) {
            if (isRead(*define.conditions) && !cppMacros_.contains(define.name)) {
                DefineCppMacro(define.name, define.definition);
            }
        }
    }
    gathered_.clear();
    gatheredText_ = 0;
    runDefines_ = defined;
    definedMacros_.insert(defined.begin(), defined.end());
}

// The texts of the run's object-like C++ macros, for the values of #if
// conditions.
std::function<const std::string*(std::string_view)> SourceParser::MacroBodies() const {
    return [this](std::string_view name) -> const std::string* {
        const auto found = cppMacros_.find(name);
        return found != cppMacros_.end() && !found->second.functionLike ? &found->second.body
                                                                        : nullptr;
    };
}

const std::string* SourceParser::KindMacroText(std::string_view word) const {
    const auto found = objectMacros_.find(word);
    return found != objectMacros_.end() && IsKindText(found->second) ? &found->second : nullptr;
}

const std::string* SourceParser::NameMacroText(std::string_view word) const {
    const auto found = objectMacros_.find(word);
    return found != objectMacros_.end() && IsNameText(found->second) ? &found->second : nullptr;
}

// Passes over whole lines up to and including the #endif that closes the
// conditional being read; the line feed of that line becomes the current
// character.
void SourceParser::SkipConditionalBranches(bool toNextBranch) {
    int depth = 0;
    while (FillLine()) {
        size_t at = 0;
        while (at < lineLen_ && IsTrailingBlank(line_[at])) {
            ++at;
        }
        if (at == lineLen_ || line_[at] != '#') {
            continue;
        }
        std::string_view word = DirectiveWord(std::string_view(
            reinterpret_cast<const char*>(line_.data() + at + 1), lineLen_ - at - 1));
        if (word.starts_with("if")) {
            ++depth;
        } else if (toNextBranch && depth == 0 && (word == "else" || word.starts_with("elif"))) {
            // An #elif whose condition is false is passed over like the
            // branch before it.
            if (word == "elif" && ConditionIsFalse(std::string_view(reinterpret_cast<const char*>(
                                                                        line_.data() + at + 1),
                                                                    lineLen_ - at - 1),
                                                   definedMacros_, MacroBodies())) {
                continue;
            }
            linePos_ = lineLen_;
            c_ = '\n';
            return;
        } else if (word == "endif" && depth-- == 0) {
            linePos_ = lineLen_;
            c_ = '\n';
            return;
        }
    }
    lineLen_ = linePos_ = 0;
    c_ = -1;
}

// ---- Tokens ----

int SourceParser::GetToken() {
    token_ = NextTok();
    return token_;
}

int SourceParser::EndOfInput() {
    if (endTokens_ >= kMaxEndTokens) {
        ReportParseError(nullptr, "suspecting infinite loop: parsing of this file stopped");
        throw SourceParseStopped();
    }
    ++endTokens_;
    return kTokEnd;
}

void SourceParser::AppendTokenChar(int c) {
    if (tokenText_.size() < kMaxTokenLength) {
        tokenText_.push_back(static_cast<char>(c));
    }
}

// A string (continues set) or character literal; the current character
// follows the opening quote. Ends at an unescaped quote, a line end or the end of the
// input; a string goes on past a line that ends with a backslash.
int SourceParser::StringLiteral(int quote, bool continues) {
    tokenText_.clear();
    AppendTokenChar(quote);
    int backslashes = 0;
    for (;;) {
        if (c_ < 0 || c_ == '\n') {
            break;
        }
        if (c_ == quote && backslashes % 2 == 0) {
            ReadChar();
            break;
        }
        if (c_ == '\\' && continues && RestOfLineIsBlank()) {
            // Drop the backslash, the blanks and the line end.
            if (capture_.recording) {
                capture_.text.append(reinterpret_cast<const char*>(line_.data() + linePos_),
                                     lineLen_ - linePos_);
            }
            linePos_ = lineLen_;
            ReadChar();
            backslashes = 0;
            continue;
        }
        backslashes = c_ == '\\' ? backslashes + 1 : 0;
        AppendTokenChar(c_);
        ReadChar();
    }
    // A text cut at its length limit does not end inside a character, nor
    // inside an escape: a last odd backslash would escape the closing quote
    // added here.
    const bool cut = tokenText_.size() >= kMaxTokenLength;
    tokenText_.resize(Utf8Prefix(tokenText_, cut ? kMaxTokenLength - 1 : tokenText_.size()));
    if (cut) {
        size_t backslashesAtEnd = 0;
        while (backslashesAtEnd + 1 < tokenText_.size() &&
               tokenText_[tokenText_.size() - 1 - backslashesAtEnd] == '\\')
            ++backslashesAtEnd;
        if (backslashesAtEnd % 2 == 1)
            tokenText_.pop_back();
    }
    AppendTokenChar(quote);
    return continues ? kTokString : kTokCharacter;
}

// An identifier or keyword; prefix is the PHP "$" or C# "@" already read, or 0.
int SourceParser::Identifier(int prefix) {
    tokenText_.clear();
    if (prefix != 0) {
        tokenText_.push_back(static_cast<char>(prefix));
    }
    // The word lies in the line buffer up to the line feed; scan it once,
    // summing the bytes of its hash on the way.
    size_t start = linePos_ - 1;
    size_t hash = prefix;
    size_t end = start;
    while ((kClasses[line_[end]] & (kLetter | kDigit | kUnderscore)) != 0) {
        hash += kLowerBytes[line_[end]];
        ++end;
    }
    if (capture_.recording) {
        capture_.text.append(reinterpret_cast<const char*>(line_.data() + linePos_),
                             end - linePos_);
    }
    // A macro of the run is read as what it expands to (not inside a body
    // being kept as written).
    if (prefix == 0 && language_ == kLangCpp && !cppMacros_.empty() && !capture_.recording &&
        ExpandCppMacro(start, end)) {
        linePos_ = start;
        ReadChar();
        return kMacroExpanded;
    }
    size_t length = end - start;
    if (tokenText_.size() + length > kMaxTokenLength) {
        length = Utf8Prefix(
            std::string_view(reinterpret_cast<const char*>(line_.data() + start), end - start),
            kMaxTokenLength - tokenText_.size());
        hash =
            HashSum(std::string_view(reinterpret_cast<const char*>(line_.data() + start), length)) +
            static_cast<size_t>(prefix);
    }
    tokenText_.append(reinterpret_cast<const char*>(line_.data() + start), length);
    linePos_ = end;
    ReadChar();
    lastSymbol_ = FindInBucket(language_, tokenText_, BucketOf(hash));
    if (lastSymbol_ != nullptr && lastSymbol_->kind == kNodeKeyword) {
        return lastSymbol_->flags;
    }
    return kTokIdentifier;
}

int SourceParser::Number() {
    size_t start = linePos_ - 1;
    // Underscores group digits (1_000_000L) and belong to the literal.
    size_t end = ConsumeRun(kLetter | kDigit | kUnderscore);
    std::string_view run(reinterpret_cast<const char*>(line_.data() + start), end - start);
    tokenText_.assign(run.substr(0, Utf8Prefix(run, kMaxTokenLength)));
    return kTokNumber;
}

// The current character follows "<?": true when "php" (any case) follows;
// otherwise the letters matched so far are dropped.
bool SourceParser::PhpOpenTag() {
    for (int expected : {'p', 'h', 'p'}) {
        if (Lower(c_) != expected) {
            return false;
        }
        ReadChar();
    }
    return true;
}

void SourceParser::ReadTagName() {
    tokenText_.clear();
    while (IsWordChar(c_) || c_ == '.') {
        AppendTokenChar(c_);
        ReadChar();
    }
}

// A less-than in Orvistal tag mode; the current character follows it.
int SourceParser::OrvistalTag() {
    if (c_ == '/') {
        ReadChar();
        ReadTagName();
        if (c_ == '>') {
            ReadChar();
        } else {
            ReportParseError(nullptr, "> expected");
        }
        return kTokCloseTag;
    }
    if (IsWordStart(c_)) {
        ReadTagName();
        return kTokOpenTag;
    }
    return kTokLess;
}

// The Orvistal at-sign; the current character follows it.
int SourceParser::OrvistalEscape() {
    if (c_ == '=') {
        ReadChar();
        return kTokAssign;
    }
    tokenText_.clear();
    tokenText_.push_back('@');
    SkipBlanks();
    if (c_ == '<') {
        while (c_ >= 0 && c_ != '>') {
            AppendTokenChar(c_);
            ReadChar();
        }
        if (c_ == '>') {
            AppendTokenChar(c_);
            ReadChar();
        }
    }
    return kTokEscape;
}

// A less-than outside tag mode; the current character follows it. Returns -1
// when a PHP "<?" that is not an opening tag was dropped.
int SourceParser::LessThan() {
    if (language_ == kLangPhp && c_ == '?') {
        ReadChar();
        return PhpOpenTag() ? kTokPhpOpen : -1;
    }
    if (language_ == kLangOrvistal && c_ == '/') {
        ReadChar();
        return kTokCloseTagStart;
    }
    if (c_ == '=') {
        ReadChar();
        return kTokLessEqual;
    }
    if (c_ == '<') {
        ReadChar();
        if (c_ == '=') {
            ReadChar();
            return kTokShiftLeftAssign;
        }
        return kTokShiftLeft;
    }
    return kTokLess;
}

void SourceParser::SetTagMode(bool on) {
    if (on && !tagMode_ && (token_ == kTokLess || token_ == kTokCloseTagStart)) {
        ReadTagName();
    }
    tagMode_ = on;
}

int SourceParser::NextTok() {
    lastSymbol_ = nullptr;
    for (;;) {
        SkipBlanks();
        int c = c_;
        if (c < 0) {
            return EndOfInput();
        }
        if (IsWordStart(c)) {
            const int token = Identifier(0);
            if (token == kMacroExpanded) {
                continue;
            }
            return token;
        }
        if (IsDigit(c)) {
            return Number();
        }
        ReadChar();
        switch (c) {
        case '(':
            return kTokLParen;
        case ')':
            return kTokRParen;
        case '[':
            return kTokLBracket;
        case ']':
            return kTokRBracket;
        case '{':
            return kTokLBrace;
        case '}':
            return kTokRBrace;
        case ',':
            return kTokComma;
        case ';':
            return kTokSemicolon;
        case '~':
            return kTokTilde;
        case '?':
            if (language_ == kLangPhp && c_ == '>') {
                ReadChar();
                return kTokPhpClose;
            }
            return kTokQuestion;
        case ':':
            if (c_ == ':') {
                ReadChar();
                return kTokScope;
            }
            return kTokColon;
        case '+':
            if (c_ == '=' || c_ == '+') {
                int next = c_;
                ReadChar();
                return next == '=' ? kTokPlusAssign : kTokIncrement;
            }
            return kTokPlus;
        case '-':
            if (c_ == '-' && language_ == kLangForte) {
                ReadChar();
                LineComment();
                continue;
            }
            if (c_ == '=' || c_ == '-') {
                int next = c_;
                ReadChar();
                return next == '=' ? kTokMinusAssign : kTokDecrement;
            }
            if (c_ == '>') {
                ReadChar();
                if (c_ == '*') {
                    ReadChar();
                    return kTokArrowStar;
                }
                return kTokArrow;
            }
            return kTokMinus;
        case '*':
            if (c_ == '=') {
                ReadChar();
                return kTokStarAssign;
            }
            return kTokStar;
        case '%':
            if (c_ == '=') {
                ReadChar();
                return kTokPercentAssign;
            }
            return kTokPercent;
        case '^':
            if (c_ == '=') {
                ReadChar();
                return kTokCaretAssign;
            }
            return kTokCaret;
        case '&':
            if (c_ == '=' || c_ == '&') {
                int next = c_;
                ReadChar();
                return next == '=' ? kTokAmpAssign : kTokAndAnd;
            }
            return kTokAmp;
        case '|':
            if (c_ == '=' || c_ == '|') {
                int next = c_;
                ReadChar();
                return next == '=' ? kTokBarAssign : kTokOrOr;
            }
            return kTokBar;
        case '!':
            if (c_ == '=') {
                ReadChar();
                if (c_ == '=') {
                    ReadChar();
                    return kTokNotIdentical;
                }
                return kTokNotEqual;
            }
            return kTokNot;
        case '=':
            if (c_ == '=') {
                ReadChar();
                if (c_ == '=') {
                    ReadChar();
                    return kTokIdentical;
                }
                return kTokEqual;
            }
            return kTokAssign;
        case '<': {
            if (language_ == kLangOrvistal && tagMode_) {
                return OrvistalTag();
            }
            int token = LessThan();
            if (token < 0) {
                continue;
            }
            return token;
        }
        case '>':
            if (c_ == '=') {
                ReadChar();
                return kTokGreaterEqual;
            }
            if (c_ == '>') {
                ReadChar();
                if (c_ == '=') {
                    ReadChar();
                    return kTokShiftRightAssign;
                }
                return kTokShiftRight;
            }
            return kTokGreater;
        case '/':
            if (c_ == '/') {
                ReadChar();
                if (language_ == kLangCSharp) {
                    while (c_ == '/') {
                        ReadChar();
                    }
                }
                LineComment();
                continue;
            }
            if (c_ == '*') {
                ReadChar();
                BlockComment();
                continue;
            }
            if (c_ == '=') {
                ReadChar();
                return kTokSlashAssign;
            }
            if (c_ == '>') {
                ReadChar();
                return kTokEmptyTagEnd;
            }
            return kTokSlash;
        case '.':
            if (c_ == '.') {
                ReadChar();
                if (c_ == '.') {
                    ReadChar();
                    return kTokEllipsis;
                }
            }
            return kTokDot;
        case '\\':
            return kTokBackslash;
        case '#':
            if (language_ == kLangPhp) {
                LineComment();
            } else {
                PreprocessorLine();
            }
            continue;
        case '"':
        case '\'':
            return StringLiteral(c, c == '"');
        case '@':
            if (language_ == kLangOrvistal) {
                return OrvistalEscape();
            }
            // C# verbatim names; Java annotations, which the Java parser
            // must tell from types and method names.
            if ((language_ == kLangCSharp || language_ == kLangJava) && IsWordStart(c_)) {
                return Identifier('@');
            }
            continue;
        case '$':
            if (language_ == kLangPhp && IsWordStart(c_)) {
                return Identifier('$');
            }
            continue;
        default:
            continue; // any other character is dropped
        }
    }
}

} // namespace qm
