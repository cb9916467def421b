// The reader of the list syntax: text from a channel into cells. It is the
// one parser of the system's files and of script files; readexpr returns one
// expression per call and the symbol eof at the end of input.
#pragma once

#include "kernel/Cell.h"

#include <cstddef>

namespace kest {

enum TokenCode {
    TokOpen = 1,  // (
    TokClose = 2, // )
    TokOpenBracket = 3,
    TokCloseBracket = 4,
    TokOpenBrace = 5,
    TokCloseBrace = 6,
    TokQuote = 7,
    TokBackquote = 8,
    TokComma = 9,
    TokAt = 10,
    TokHash = 11,
    TokString = 12,
    TokChunk = 13,
    TokSymbol = 14,
    TokLineEnd = 15,
    TokEnd = 16,
    TokInteger = 17,
    TokReal = 18,
};

inline constexpr size_t TokenBufferSize = 131072; // longest atom or string
inline constexpr int ReaderDepthLimit = 4096;     // deepest nesting of brackets

// One expression from the channel, or the symbol eof at the end of input (and
// at every later call). Errors go through scripterror with the form read;
// an unterminated string is the failure check "broken string in file".
Cell* readexpr(Channel* ch);
// readexpr, writing out a pending prompt line of the standard output first
// when ch is the standard input.
Cell* readtop(Channel* ch, bool inBackquote);
// A long list read one element at a time, so that only the element being
// worked on need be held in cells: what readexpr would read as the whole list,
// with the same errors. readlistopen takes the opening bracket of the next
// expression and returns its token (TokOpen or TokOpenBracket); when the next
// expression is no list it takes nothing and returns 0. readlistelement then
// returns each element in turn, and nullptr once it has taken the closing
// bracket; readlistrest returns the elements not yet read, as a list.
int readlistopen(Channel* ch);
Cell* readlistelement(Channel* ch, int open);
Cell* readlistrest(Channel* ch, int open);
Cell* readsexpr(Channel* ch, bool inBackquote);
int gettoken(Channel* ch);
int getch(Channel* ch);
int skipnewlines(Channel* ch, bool advance);
// The character meant by ^c inside a string.
char escapechar(char c);
// The token an atom's text reads as: TokInteger, TokReal or TokSymbol.
int numclass(const char* text);
// Back-quote expansion of a tree read inside a back-quote.
Cell* bqexpand(Cell* tree);
bool hasunquote(Cell* tree);

// Whether # and the unquoted parts of a back-quote are evaluated while
// reading (the default). With it off, # yields the value read and back-quote
// expansions are built without evaluating anything: for readers of untrusted
// text that must not run code, such as the fuzz targets.
extern bool readtimeevaluation; // defined with the rest of the kernel state (state.cpp)

// The reader's private comma and @ markers (made by initkernel).
extern Symbol* commamarker;
extern Symbol* atmarker; // defined with the rest of the kernel state (state.cpp)

} // namespace kest
