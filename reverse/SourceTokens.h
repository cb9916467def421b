// The token codes of the reverse engineer's tokenizer. Keywords take the codes
// 0..166 from the keyword table below (alphabetical over all languages; 96 and
// 122 unused); punctuation, literals, identifiers and the end of input follow
// from 167. The keyword table is one table of data: each row says in which
// languages (a mask of SourceLanguage codes) its word is reserved.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace qm {

enum SourceToken : int {
    kTokNone = 167, // no token read yet after a file was opened
    kTokLParen = 168,
    kTokRParen = 169,
    kTokLBracket = 170,
    kTokRBracket = 171,
    kTokLBrace = 172,
    kTokRBrace = 173,
    kTokComma = 174,
    kTokSemicolon = 175,
    kTokQuestion = 176,
    kTokColon = 177,
    kTokScope = 178, // ::
    kTokPlus = 179,
    kTokPlusAssign = 180,
    kTokIncrement = 181,
    kTokMinus = 182,
    kTokMinusAssign = 183,
    kTokDecrement = 184,
    kTokArrowStar = 185, // ->*
    kTokArrow = 186,
    kTokStar = 187,
    kTokStarAssign = 188,
    kTokPercent = 189,
    kTokPercentAssign = 190,
    kTokCaret = 191, // also the PHP word xor
    kTokCaretAssign = 192,
    kTokAmp = 193,
    kTokAmpAssign = 194,
    kTokAndAnd = 195,
    kTokBar = 196,
    kTokBarAssign = 197,
    kTokOrOr = 198,
    kTokTilde = 199,
    kTokNot = 200,
    kTokNotEqual = 201,
    kTokEqual = 202,
    kTokAssign = 203, // also Orvistal @=
    kTokLess = 204,
    kTokLessEqual = 205,
    kTokShiftLeft = 206,
    kTokShiftLeftAssign = 207,
    kTokGreater = 208,
    kTokGreaterEqual = 209,
    kTokShiftRight = 210,
    kTokShiftRightAssign = 211,
    kTokSlash = 212,
    kTokSlashAssign = 213,
    kTokDot = 214, // also ..
    kTokEllipsis = 215,
    kTokString = 216,     // text with its double quotes
    kTokIdentifier = 217, // a word that is not a keyword of the language
    kTokNumber = 218,
    kTokCharacter = 219, // text with its single quotes
    kTokEnd = 220,
    kTokPhpOpen = 221,  // <?php
    kTokPhpClose = 222, // ?>
    kTokIdentical = 223,
    kTokNotIdentical = 224,
    kTokBackslash = 225,
    kTokCloseTagStart = 226, // </ (Orvistal)
    kTokEmptyTagEnd = 227,   // />
    kTokOpenTag = 228,       // Orvistal <name
    kTokCloseTag = 229,      // Orvistal </name>
    kTokEscape = 230,        // Orvistal @ escape
};

// The first token code that is not a keyword.
inline constexpr int kFirstNonKeywordToken = kTokNone;

struct KeywordRow {
    int mask; // the languages in which the word is reserved
    std::string_view text;
    int token;
};

inline constexpr size_t kKeywordCount = 173;

// Every reserved word of every language, in load order.
inline constexpr std::array<KeywordRow, kKeywordCount> KeywordTable = {{
    {60, "abstract", 0},     {8, "arg", 4},          {16, "alias", 1},
    {32, "and", 2},          {2, "any", 3},          {48, "as", 5},
    {1, "asm", 6},           {66, "attribute", 7},   {1, "auto", 8},
    {16, "base", 9},         {64, "begin", 10},      {61, "break", 13},
    {16, "bool", 11},        {14, "boolean", 12},    {20, "byte", 14},
    {63, "case", 15},        {61, "catch", 16},      {31, "char", 17},
    {16, "checked", 18},     {125, "class", 19},     {8, "clocal", 20},
    {32, "clone", 21},       {63, "const", 22},      {64, "constant", 22},
    {2, "context", 23},      {61, "continue", 24},   {64, "copy", 25},
    {8, "date", 26},         {16, "decimal", 27},    {32, "declare", 28},
    {63, "default", 29},     {8, "delayed", 30},     {16, "delegate", 31},
    {1, "delete", 32},       {61, "do", 33},         {23, "double", 34},
    {61, "else", 35},        {32, "elseif", 36},     {32, "enddeclare", 38},
    {32, "endfor", 39},      {32, "endforeach", 40}, {32, "endif", 41},
    {32, "endswitch", 42},   {32, "endwhile", 43},   {64, "end", 37},
    {31, "enum", 44},        {64, "event", 45},      {35, "exception", 47},
    {16, "explicit", 46},    {44, "extends", 48},    {17, "extern", 49},
    {16, "event", 45},       {28, "false", 50},      {64, "file", 51},
    {44, "final", 52},       {28, "finally", 53},    {16, "fixed", 54},
    {23, "float", 55},       {61, "for", 56},        {48, "foreach", 57},
    {64, "forward", 58},     {1, "friend", 59},      {64, "from", 60},
    {32, "function", 61},    {8, "generated", 62},   {8, "getable", 63},
    {32, "global", 65},      {29, "goto", 64},       {8, "gui", 66},
    {64, "handler", 67},     {64, "has", 68},        {61, "if", 69},
    {44, "implements", 70},  {80, "implicit", 71},   {12, "import", 72},
    {64, "includes", 74},    {64, "inherits", 75},   {8, "in", 73},
    {12, "instanceof", 79},  {18, "in", 73},         {1, "inline", 76},
    {2, "inout", 77},        {13, "int", 80},        {16, "implicit", 71},
    {64, "input", 78},       {110, "interface", 81}, {64, "is", 83},
    {16, "internal", 82},    {16, "is", 83},         {8, "list", 84},
    {16, "lock", 85},        {23, "long", 86},       {8, "map", 87},
    {64, "mapped", 88},      {64, "method", 89},     {2, "module", 90},
    {8, "mutual", 91},       {17, "namespace", 92},  {12, "native", 93},
    {61, "new", 94},         {28, "null", 95},       {2, "octet", 97},
    {64, "of", 99},          {2, "oneway", 98},      {17, "operator", 100},
    {32, "or", 101},         {18, "out", 102},       {16, "override", 104},
    {64, "output", 103},     {12, "package", 105},   {16, "params", 106},
    {16, "partial", 107},    {125, "private", 108},  {64, "property", 109},
    {61, "protected", 110},  {125, "public", 111},   {64, "publicinternal", 111},
    {8, "query", 112},       {2, "raises", 113},     {18, "readonly", 114},
    {8, "real", 115},        {80, "ref", 116},       {1, "register", 117},
    {8, "remote", 118},      {61, "return", 119},    {16, "sbyte", 120},
    {16, "sealed", 121},     {64, "service", 123},   {8, "setable", 124},
    {23, "short", 125},      {1, "signed", 126},     {8, "singleton", 127},
    {17, "sizeof", 128},     {8, "slocal", 129},     {8, "sql", 130},
    {16, "stackalloc", 131}, {61, "static", 132},    {8, "stream", 133},
    {24, "string", 134},     {83, "struct", 135},    {12, "super", 136},
    {63, "switch", 139},     {8, "symbol", 137},     {12, "synchronized", 140},
    {8, "sys", 138},         {1, "template", 141},   {29, "this", 142},
    {61, "throw", 143},      {12, "throws", 144},    {12, "transient", 145},
    {28, "true", 146},       {61, "try", 147},       {67, "typedef", 148},
    {24, "typeof", 149},     {3, "union", 153},      {1, "unsigned", 155},
    {32, "use", 157},        {1, "using", 158},      {16, "uint", 150},
    {16, "ulong", 151},      {16, "unchecked", 152}, {16, "unsafe", 154},
    {16, "ushort", 156},     {16, "using", 158},     {8, "vague", 160},
    {32, "var", 159},        {8, "vector", 161},     {81, "virtual", 162},
    {31, "void", 163},       {29, "volatile", 164},  {80, "where", 165},
    {61, "while", 166},      {32, "xor", 191},
}};

// The token code of a reserved word (any language), for naming keywords in
// code; fails to compile when the word is not in the table.
consteval int KeywordToken(std::string_view text) {
    for (const KeywordRow& row : KeywordTable) {
        if (row.text == text) {
            return row.token;
        }
    }
    throw "not a keyword";
}

// The spelling of a punctuation token (168..215); "" for any other code.
std::string_view PunctuationSpelling(int token);

} // namespace qm
