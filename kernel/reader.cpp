// The reader of the list syntax.
//
// Design: a tokenizer over the channel's 4098-byte buffer keeps the reader one
// token ahead (the token lives in the channel record, so several channels can
// be read in turn), and a recursive descent builds cells from the tokens.
// Atom and string text is collected in one kernel-wide buffer of 131072
// characters and binary-chunk digits in a second one of 513; both are written
// only through bounds-checked appends, so overlong input is an error, never an
// overrun. Nesting deeper than ReaderDepthLimit is refused, so hostile input
// cannot exhaust the machine stack. A stray closer is skipped before it is
// reported, so a caller that goes on reading after an error makes progress.
#include "kernel/Reader.h"

#include "kernel/Channel.h"
#include "kernel/Errors.h"
#include "kernel/Eval.h"
#include "kernel/Init.h"
#include "kernel/Printer.h"
#include "kernel/State.h"
#include "kernel/Symbol.h"
#include "platform/Errors.h"
#include "platform/Format.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace kest {

namespace {

struct DepthGuard {
    DepthGuard() { ++readdepth; }
    ~DepthGuard() { --readdepth; }
};

Cell* readform() {
    return KernelSyms.read;
}

[[noreturn]] void readerror(const char* message, Cell* value = nullptr) {
    scripterror(readform(), message, value);
}

struct DelimiterTable {
    bool table[256] = {};
    DelimiterTable() {
        for (unsigned char c : {'(', ')', '[', ']', '{', '}', ' ', '\t', '\r', '\n'})
            table[c] = true;
        table[0] = true;
        table[255] = true;
    }
};
const DelimiterTable delimiters;

inline bool isdelimiter(int c) {
    return delimiters.table[c & 255];
}

// getch for the common case of a character waiting in the buffer.
inline int nextch(Channel* ch) {
    if (!ch->atend && ch->position < ch->count) {
        ch->prevch = ch->curch;
        ch->curch = static_cast<uint8_t>(ch->buffer[ch->position++]);
        return ch->curch;
    }
    return getch(ch);
}

// Appends a run of n characters: the same as n tokappend calls, checked once.
void takerun(const char* text, size_t n) {
    if (n > TokenBufferSize - toklen)
        readerror("token too long");
    std::memcpy(tokbuf + toklen, text, n);
    toklen += n;
}

// The characters that end a run of plain characters inside a string.
struct StringStopTable {
    bool table[256] = {};
    StringStopTable() {
        table[static_cast<unsigned char>('"')] = true;
        table[static_cast<unsigned char>('^')] = true;
        table[0] = true;
    }
};
const StringStopTable stringstops;

// The index of the first character from p on (before end) that ends a run
// of plain string characters, or end. Sixteen at a time where the machine
// has SSE2; reads stay inside [p, end).
size_t stringrunend(const char* buffer, size_t p, size_t end) {
#ifdef __SSE2__
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i caret = _mm_set1_epi8('^');
    const __m128i zero = _mm_setzero_si128();
    while (p + 16 <= end) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(buffer + p));
        const __m128i stops =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, caret)),
                         _mm_cmpeq_epi8(bytes, zero));
        const int mask = _mm_movemask_epi8(stops);
        if (mask != 0)
            return p + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
        p += 16;
    }
#endif
    while (p < end && !stringstops.table[static_cast<uint8_t>(buffer[p])])
        ++p;
    return p;
}

void tokappend(char c) {
    if (toklen >= TokenBufferSize)
        readerror("token too long");
    tokbuf[toklen++] = c;
}

// The float a real's text (digits with one point) reads as, the same as
// strtof gives. A mantissa below 2^24 and at most 10 digits after the point
// are both exact floats, so one float division rounds the quotient exactly
// once, correctly; anything else goes to strtof.
float parsereal(const char* text) {
    static const float powers[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                   1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    const char* p = text;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-')
        ++p;
    // Zeros ending the fraction do not change the value.
    const char* end = p + std::strlen(p);
    if (std::strchr(p, '.') != nullptr)
        while (end > p && end[-1] == '0')
            --end;
    uint32_t mantissa = 0;
    int fraction = 0;
    bool point = false;
    bool digits = false;
    for (; p < end; ++p) {
        if (*p == '.') {
            point = true;
            continue;
        }
        digits = true;
        mantissa = mantissa * 10 + static_cast<uint32_t>(*p - '0');
        fraction += point ? 1 : 0;
        if (mantissa > (1u << 24) || fraction > 10)
            return std::strtof(text, nullptr);
    }
    if (!digits)
        return std::strtof(text, nullptr);
    const float value = static_cast<float>(mantissa) / powers[fraction];
    return negative ? -value : value;
}

int readatom(Channel* ch) {
    while (!ch->atend && !isdelimiter(ch->curch)) {
        tokappend(static_cast<char>(ch->curch));
        // Take the rest of the run straight from the buffer.
        const char* buffer = ch->buffer;
        size_t p = ch->position;
        const size_t end = ch->count;
        size_t q = p;
        while (q < end && !isdelimiter(static_cast<uint8_t>(buffer[q])))
            ++q;
        takerun(buffer + p, q - p);
        p = q;
        if (p > ch->position) {
            ch->position = static_cast<uint16_t>(p);
            ch->curch = static_cast<uint8_t>(buffer[p - 1]);
        }
        nextch(ch);
    }
    tokbuf[toklen] = '\0';
    // Only a sign, a digit or a point can begin a number.
    const char first = tokbuf[0];
    int kind = (first >= '0' && first <= '9') || first == '+' || first == '-' || first == '.'
                   ? numclass(tokbuf)
                   : TokSymbol;
    if (kind == TokInteger) {
        // Digits beyond the 32-bit range saturate rather than wrap.
        const char* p = tokbuf;
        bool negative = *p == '-';
        if (*p == '+' || *p == '-')
            ++p;
        int64_t n = 0;
        for (; *p != '\0'; ++p)
            if (n <= INT32_MAX)
                n = n * 10 + (*p - '0');
        if (negative)
            n = -n;
        tokint = static_cast<int32_t>(n > INT32_MAX ? INT32_MAX : n < INT32_MIN ? INT32_MIN : n);
    } else if (kind == TokReal) {
        tokreal = parsereal(tokbuf);
    }
    return kind;
}

int readstring(Channel* ch) {
    for (;;) {
        // Plain characters straight from the buffer.
        const char* buffer = ch->buffer;
        size_t p = ch->position;
        const size_t end = ch->count;
        size_t q = stringrunend(buffer, p, end);
        takerun(buffer + p, q - p);
        p = q;
        if (p > ch->position) {
            ch->position = static_cast<uint16_t>(p);
            ch->curch = static_cast<uint8_t>(buffer[p - 1]);
        }
        int c = nextch(ch);
        if (ch->atend) {
            errno = 0; // the end of the text, not a failed read
            qm::ReportOperationFailure(false, "broken string in file", true);
        }
        if (c == '"')
            break;
        if (c == '^') {
            c = nextch(ch);
            if (ch->atend) {
                errno = 0;
                qm::ReportOperationFailure(false, "broken string in file", true);
            }
            c = escapechar(static_cast<char>(c));
        }
        if (c == 0)
            readerror("NUL character in string");
        tokappend(static_cast<char>(c));
    }
    tokbuf[toklen] = '\0';
    nextch(ch);
    return TokString;
}

int readcharconst(Channel* ch) {
    int c = nextch(ch);
    if (!ch->atend && (c == '\\' || c == '^')) {
        c = nextch(ch);
        switch (c) {
        case 'n':
            c = '\n';
            break;
        case 'r':
            c = '\r';
            break;
        case 't':
            c = '\t';
            break;
        default:
            break;
        }
    }
    if (ch->atend)
        readerror("char constant must end with ! char");
    tokint = static_cast<signed char>(c);
    nextch(ch);
    if (ch->atend || ch->curch != '!')
        readerror("char constant must end with ! char");
    nextch(ch);
    return TokInteger;
}

int readbaratom(Channel* ch) {
    tokappend('|');
    for (;;) {
        int c = nextch(ch);
        if (ch->atend || c == '\n' || c == 0) {
            tokbuf[toklen] = '\0';
            readerror("broken atom", mkstr(tokbuf, toklen));
        }
        if (c == '^') {
            c = nextch(ch);
            if (ch->atend || c == 0) {
                tokbuf[toklen] = '\0';
                readerror("broken atom", mkstr(tokbuf, toklen));
            }
            tokappend(static_cast<char>(c));
            continue;
        }
        tokappend(static_cast<char>(c));
        if (c == '|')
            break;
    }
    tokbuf[toklen] = '\0';
    nextch(ch);
    return TokSymbol;
}

int readchunk(Channel* ch) {
    for (int i = 0; i < 512; ++i) {
        int c = nextch(ch);
        if (ch->atend)
            readerror("unexpected end of file");
        chunkbuf[i] = static_cast<char>(c);
    }
    chunkbuf[512] = '\0';
    nextch(ch);
    return TokChunk;
}

bool rezomode() {
    return KernelSyms.RezoMode != nullptr && KernelSyms.RezoMode->value() != nil;
}

// skipnewlines(ch, false) without the call when no line end is waiting.
inline int currenttoken(Channel* ch) {
    return ch->token != TokLineEnd ? ch->token : skipnewlines(ch, false);
}

// readsexpr of a list element whose token is tok, the elements that are
// plain values taken here as readsexpr takes them.
inline Cell* readelement(Channel* ch, int tok, bool inBackquote) {
    if ((tok == TokString || tok == TokSymbol || tok == TokInteger || tok == TokReal) &&
        readdepth < ReaderDepthLimit) {
        Cell* value = ch->tokvalue;
        gettoken(ch);
        return value;
    }
    return readsexpr(ch, inBackquote);
}

void append(Cell*& head, Cell*& tail, Cell* cell) {
    if (head == nil)
        head = cell;
    else
        tail->b.cdr = cell;
    tail = cell;
}

// The elements of a list whose opening bracket open has been taken, up to
// and with its closing bracket; each call takes one element (returned) or the
// closer (nullptr).
Cell* readlistitem(Channel* ch, int open, bool inBackquote) {
    const int close = open + 1;
    const int tok = currenttoken(ch);
    if (tok == TokClose || tok == TokCloseBracket) {
        gettoken(ch);
        if (tok != close)
            readerror(open == TokOpen ? "( ... ] is not allowed" : "[ ... ) is not allowed");
        return nullptr;
    }
    if (tok == TokEnd)
        readerror("unexpected end of file");
    return readelement(ch, tok, inBackquote);
}

// The rest of a list whose opening bracket open has been taken.
Cell* readlisttail(Channel* ch, int open, bool inBackquote) {
    Cell* head = nil;
    Cell* tail = nil;
    while (Cell* element = readlistitem(ch, open, inBackquote))
        append(head, tail, mkcons(element, nil));
    return head;
}

Cell* readlist(Channel* ch, int open, bool inBackquote) {
    skipnewlines(ch, true);
    return readlisttail(ch, open, inBackquote);
}

Cell* readset(Channel* ch, bool inBackquote) {
    int tok = skipnewlines(ch, true);
    if (tok == TokCloseBrace) {
        gettoken(ch);
        return nil;
    }
    Cell* head = nil;
    Cell* tail = nil;
    for (;;) {
        tok = currenttoken(ch);
        if (tok == TokCloseBrace) {
            gettoken(ch);
            break;
        }
        if (tok == TokEnd) {
            if (isbufchan(ch))
                break;
            readerror("unexpected end of file");
        }
        append(head, tail, mkset(readsexpr(ch, inBackquote), nil));
    }
    return normset(head);
}

// The symbols of the short names read lately, by name: most names of a file
// recur, and a hit saves hashing and walking the bucket. Entries are
// forgotten whenever symbols may have left the table.

// intern of the token text.
Symbol* internatom() {
    if (toklen > 8)
        return intern(tokbuf);
    uint64_t name = 0;
    for (size_t i = 0; i < toklen; ++i)
        name |= uint64_t{static_cast<uint8_t>(tokbuf[i])} << (8 * i);
    if (namecachegeneration != symtabgeneration()) {
        for (NameCacheEntry& entry : namecache)
            entry = NameCacheEntry{};
        namecachegeneration = symtabgeneration();
    }
    NameCacheEntry& entry = namecache[((name + toklen) * 0x9E3779B97F4A7C15u) >> 54];
    if (entry.symbol != nullptr && entry.name == name && entry.length == toklen)
        return entry.symbol;
    Symbol* s = intern(tokbuf);
    entry = {name, toklen, s};
    return s;
}

// The value of a scanned token. The look-ahead token's value is kept in its
// channel, not in the shared token buffer, so that reading another channel
// in between (a script alternating between two channels, a read-time
// evaluation) cannot change it. A chunk with bad digits has no value.
Cell* tokenvalue(int tok) {
    switch (tok) {
    case TokString:
        return mkstr(tokbuf, toklen);
    case TokChunk:
        return mkhexchunk(chunkbuf);
    case TokSymbol:
        return internatom();
    case TokInteger:
        return mkint(tokint);
    case TokReal:
        return mkreal(tokreal);
    default:
        return nullptr;
    }
}

Cell* quoted(Cell* x) {
    return mkcons(KernelSyms.quote, mkcons(x, nil));
}

Cell* readtime(Cell* form) {
    return readtimeevaluation ? evaluate(form) : form;
}

} // namespace

char escapechar(char c) {
    switch (c) {
    case 'b':
        return 8;
    case 'f':
        return 12;
    case 'n':
        return 10;
    case 'r':
        return 13;
    case 't':
        return 9;
    default:
        return c;
    }
}

int numclass(const char* text) {
    const char* p = text;
    if (*p == '+' || *p == '-')
        ++p;
    if (*p == '\0')
        return TokSymbol;
    int points = 0;
    for (; *p != '\0'; ++p) {
        if (*p == '.')
            ++points;
        else if (*p < '0' || *p > '9')
            return TokSymbol;
    }
    if (points > 1)
        return TokSymbol;
    return points == 0 ? TokInteger : TokReal;
}

namespace {

// Refills an exhausted buffer; false at the end of input.
bool refill(Channel* ch) {
    size_t got = 0;
    if (!isbufchan(ch) && ch->file != nullptr)
        got = ch->file->Read(ch->buffer, ChannelTextSize);
    else if (isbufchan(ch) && ch->socket != nullptr)
        got = ch->socket->Receive(ch->buffer,
                                  ch->size < ChannelTextSize ? ch->size : ChannelTextSize);
    if (got > ChannelTextSize)
        got = 0;
    ch->buffer[got] = '\0';
    ch->position = 0;
    ch->count = static_cast<uint16_t>(got);
    return got > 0;
}

} // namespace

int getch(Channel* ch) {
    if (ch->position >= ch->count && !ch->atend && !refill(ch))
        ch->atend = true;
    ch->prevch = ch->curch;
    if (ch->atend)
        return ch->curch = 255;
    ch->curch = static_cast<uint8_t>(ch->buffer[ch->position++]);
    return ch->curch;
}

int gettoken(Channel* ch) {
    toklen = 0;
    for (;;) {
        int c = ch->curch;
        if (ch->atend) {
            ch->token = TokEnd;
            return TokEnd;
        }
        int tok = 0;
        switch (c) {
        case ' ':
        case '\t':
        case '\r': {
            // Skip a run of blanks (indentation) straight in the buffer.
            const char* buffer = ch->buffer;
            size_t p = ch->position;
            while (p < ch->count && (buffer[p] == ' ' || buffer[p] == '\t' || buffer[p] == '\r'))
                ++p;
            if (p > ch->position) {
                ch->position = static_cast<uint16_t>(p);
                ch->curch = static_cast<uint8_t>(buffer[p - 1]);
            }
            nextch(ch);
            continue;
        }
        case '\n':
            ++ch->line;
            ch->token = TokLineEnd;
            return TokLineEnd;
        case ';':
            while (!ch->atend && ch->curch != '\r' && ch->curch != '\n')
                nextch(ch);
            continue;
        case '/':
            nextch(ch);
            if (!ch->atend && ch->curch == '*') {
                int previous = 0;
                for (;;) {
                    nextch(ch);
                    if (ch->atend) {
                        ch->token = TokEnd;
                        return TokEnd;
                    }
                    if (ch->curch == '\n')
                        ++ch->line;
                    if (previous == '*' && ch->curch == '/')
                        break;
                    previous = ch->curch;
                }
                nextch(ch);
                continue;
            }
            tokappend('/');
            tok = readatom(ch);
            break;
        case '(':
            tok = TokOpen;
            break;
        case ')':
            tok = TokClose;
            break;
        case '[':
            tok = TokOpenBracket;
            break;
        case ']':
            tok = TokCloseBracket;
            break;
        case '{':
            tok = TokOpenBrace;
            break;
        case '}':
            tok = TokCloseBrace;
            break;
        case '\'':
            tok = TokQuote;
            break;
        case '`':
            tok = TokBackquote;
            break;
        case ',':
            tok = TokComma;
            break;
        case '@':
            tok = TokAt;
            break;
        case '#':
            tok = TokHash;
            break;
        case '"':
            tok = readstring(ch);
            break;
        case '!':
            tok = readcharconst(ch);
            break;
        case '?':
            tok = readchunk(ch);
            break;
        case '|':
            if (rezomode() && ch->prevch == '\n') {
                nextch(ch);
                continue;
            }
            tok = readbaratom(ch);
            break;
        case 0:
        case 255:
            ch->token = TokEnd;
            return TokEnd;
        default:
            tok = readatom(ch);
            break;
        }
        if (tok <= TokHash)
            nextch(ch);
        ch->token = tok;
        ch->tokvalue = tokenvalue(tok);
        return tok;
    }
}

int skipnewlines(Channel* ch, bool advance) {
    if (advance)
        gettoken(ch);
    while (ch->token == TokLineEnd) {
        nextch(ch);
        gettoken(ch);
    }
    return ch->token;
}

Cell* readexpr(Channel* ch) {
    return readtop(ch, false);
}

int readlistopen(Channel* ch) {
    if (readdepth >= ReaderDepthLimit)
        readerror("expression nested too deeply");
    const int tok = currenttoken(ch);
    if (tok != TokOpen && tok != TokOpenBracket)
        return 0;
    skipnewlines(ch, true);
    return tok;
}

Cell* readlistelement(Channel* ch, int open) {
    // At the depth readexpr reads a list's elements at.
    DepthGuard guard;
    return readlistitem(ch, open, false);
}

Cell* readlistrest(Channel* ch, int open) {
    DepthGuard guard;
    return readlisttail(ch, open, false);
}

Cell* readtop(Channel* ch, bool inBackquote) {
    if (ch == stdchans.in && stdchans.out != nullptr && stdchans.out->count > 0)
        flushpending(stdchans.out);
    return readsexpr(ch, inBackquote);
}

Cell* readsexpr(Channel* ch, bool inBackquote) {
    if (readdepth >= ReaderDepthLimit)
        readerror("expression nested too deeply");
    DepthGuard guard;
    int tok = currenttoken(ch);
    Cell* value = nil;
    switch (tok) {
    case TokOpen:
    case TokOpenBracket:
        return readlist(ch, tok, inBackquote);
    case TokOpenBrace:
        return readset(ch, inBackquote);
    case TokClose:
        gettoken(ch);
        readerror("unexpected ')'");
    case TokCloseBracket:
        gettoken(ch);
        readerror("unexpected ']'");
    case TokCloseBrace:
        gettoken(ch);
        readerror("unexpected '}'");
    case TokQuote:
        skipnewlines(ch, true);
        return quoted(readsexpr(ch, inBackquote));
    case TokBackquote:
        skipnewlines(ch, true);
        return bqexpand(readsexpr(ch, true));
    case TokComma:
        if (!inBackquote) {
            gettoken(ch);
            readerror("',' outside a back-quoted s-expresion");
        }
        skipnewlines(ch, true);
        return mkcons(commamarker, readsexpr(ch, true));
    case TokAt:
        if (inBackquote) {
            skipnewlines(ch, true);
            return mkcons(atmarker, readsexpr(ch, true));
        }
        if (!rezomode()) {
            gettoken(ch);
            readerror("@ is outside a back-quoted s-expression");
        }
        tok = skipnewlines(ch, true);
        if (tok == TokSymbol)
            value = intern(qm::Format("@%s", static_cast<Symbol*>(ch->tokvalue)->name).c_str());
        else if (tok == TokInteger)
            value = intern(qm::Format("@%d", ch->tokvalue->a.ival).c_str());
        else
            readerror("symbol or integer expected after @ (outside a back-quoted s-expression)");
        break;
    case TokHash:
        skipnewlines(ch, true);
        return readtime(readsexpr(ch, inBackquote));
    case TokChunk:
        value = ch->tokvalue;
        if (value == nullptr) {
            gettoken(ch);
            readerror("bad hexadecimal digit in binary chunk");
        }
        break;
    case TokString:
    case TokSymbol:
    case TokInteger:
    case TokReal:
        value = ch->tokvalue;
        break;
    default:
        return KernelSyms.eof;
    }
    gettoken(ch);
    return value;
}

bool hasunquote(Cell* tree) {
    while (ispair(tree)) {
        if (car(tree) == commamarker || car(tree) == atmarker)
            return true;
        if (hasunquote(car(tree)))
            return true;
        tree = cdr(tree);
    }
    return false;
}

Cell* bqexpand(Cell* x) {
    if (x == nil)
        return nil;
    if (!hasunquote(x))
        return quoted(x);
    if (car(x) == commamarker || car(x) == atmarker)
        return readtime(bqexpand(cdr(x)));
    // Walk the list's pairs instead of recursing down its cdrs, so that a
    // long list cannot exhaust the machine stack; build from the end.
    std::vector<Cell*> pairs;
    Cell* p = x;
    while (ispair(p) && car(p) != commamarker && car(p) != atmarker) {
        pairs.push_back(p);
        p = cdr(p);
    }
    size_t expanded = pairs.size();
    Cell* rest = nil;
    if (ispair(p)) {
        rest = readtime(bqexpand(cdr(p)));
    } else {
        expanded = 0;
        for (size_t i = 0; i < pairs.size(); ++i)
            if (hasunquote(car(pairs[i])))
                expanded = i + 1;
        if (expanded < pairs.size())
            rest = quoted(pairs[expanded]);
        else if (p != nil)
            rest = quoted(p);
    }
    for (size_t i = expanded; i-- > 0;) {
        Cell* head = car(pairs[i]);
        if (ispair(head) && car(head) == commamarker)
            rest = mklist(KernelSyms.cons, readtime(bqexpand(cdr(head))), rest, nullptr);
        else if (ispair(head) && car(head) == atmarker)
            rest = mklist(KernelSyms.conc, readtime(bqexpand(cdr(head))), rest, nullptr);
        else if (ispair(head))
            rest = mklist(KernelSyms.cons, bqexpand(head), rest, nullptr);
        else
            rest = mklist(KernelSyms.cons, quoted(head), rest, nullptr);
    }
    return rest;
}

} // namespace kest
