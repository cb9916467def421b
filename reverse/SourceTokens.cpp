// The spellings of the punctuation tokens, for texts built from tokens.
#include "reverse/SourceTokens.h"

namespace qm {

namespace {

// Indexed by token - kTokLParen, for the codes 168..215.
constexpr std::array<std::string_view, kTokEllipsis - kTokLParen + 1> kSpellings = {
    "(",  ")",  "[",  "]",   "{",  "}",   ",",  ";",   "?",  ":",  "::", "+",
    "+=", "++", "-",  "-=",  "--", "->*", "->", "*",   "*=", "%",  "%=", "^",
    "^=", "&",  "&=", "&&",  "|",  "|=",  "||", "~",   "!",  "!=", "==", "=",
    "<",  "<=", "<<", "<<=", ">",  ">=",  ">>", ">>=", "/",  "/=", ".",  "...",
};

} // namespace

std::string_view PunctuationSpelling(int token) {
    if (token < kTokLParen || token > kTokEllipsis) {
        return {};
    }
    return kSpellings[static_cast<size_t>(token - kTokLParen)];
}

} // namespace qm
