// The printer, the pretty printers and the file header.
//
// Design: every item is formatted into one reused text and appended to the
// channel: a file channel collects the current line and writes it out at each
// line feed (or every 4096 characters); a buffer channel keeps its text,
// sending it over its socket when full or dropping what does not fit. The
// pretty printers decide line breaks by measuring the flat width of a value
// with printval in measuring mode, capped at the rest of the line, so that a
// huge list costs no more than a line's worth of work per decision. Nothing
// is truncated: long strings are written whole.
#include "kernel/Printer.h"

#include "kernel/Channel.h"
#include "kernel/Errors.h"
#include "kernel/Init.h"
#include "kernel/Symbol.h"
#include "platform/Errors.h"
#include "platform/Format.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace kest {

void escapeinto(std::string& out, const char* text);

namespace {

const char hexdigits[] = "0123456789ABCDEF";

// The characters escapeinto writes with a ^ (and the NUL that ends the text).
struct EscapeTable {
    bool table[256] = {};
    EscapeTable() {
        for (int c : {0, 8, 9, 10, 12, 13, static_cast<int>('"'), static_cast<int>('^')})
            table[c] = true;
    }
};
const EscapeTable escapes;

void writefile(Channel* ch, const char* text, size_t n) {
    size_t pending = ch->count > 0 ? ch->count - 1u : 0u;
    while (n > 0) {
        const char* lf = static_cast<const char*>(std::memchr(text, '\n', n));
        size_t take = lf != nullptr ? static_cast<size_t>(lf - text) + 1 : n;
        size_t room = ChannelTextSize + 1 - pending; // write out once past 4096
        bool full = take >= room;
        if (full)
            take = room;
        std::memcpy(ch->buffer + pending, text, take);
        pending += take;
        text += take;
        n -= take;
        if (full || ch->buffer[pending - 1] == '\n') {
            ch->count = 0;
            ch->file->Write(ch->buffer, pending);
            pending = 0;
        }
    }
    ch->buffer[pending] = '\0';
    ch->count = static_cast<uint16_t>(pending > 0 ? pending + 1 : 0);
}

// Returns false when a buffer channel without a socket dropped the text.
bool writebuffer(Channel* ch, const char* text, size_t n) {
    size_t size = ch->size;
    if (ch->count + n >= size) {
        if (ch->socket == nullptr)
            return false;
        if (ch->count > 0)
            ch->socket->Send(ch->buffer, ch->count);
        ch->count = 0;
        // Text longer than the buffer goes out in pieces that fit.
        while (n >= size && size > 1) {
            ch->socket->Send(text, size - 1);
            text += size - 1;
            n -= size - 1;
        }
    }
    std::memcpy(ch->buffer + ch->count, text, n);
    ch->count = static_cast<uint16_t>(ch->count + n);
    ch->buffer[ch->count] = '\0';
    return true;
}

// memcpy, with the short pieces most printing makes copied inline by fixed
// size moves (two that may overlap cover any length in between).
inline void copysmall(char* to, const char* from, size_t n) {
    if (n >= 8 && n <= 16) {
        std::memcpy(to, from, 8);
        std::memcpy(to + n - 8, from + n - 8, 8);
    } else if (n >= 4 && n < 8) {
        std::memcpy(to, from, 4);
        std::memcpy(to + n - 4, from + n - 4, 4);
    } else if (n < 4) {
        for (size_t i = 0; i < n; ++i)
            to[i] = from[i];
    } else {
        std::memcpy(to, from, n);
    }
}

bool haslinefeed(const char* text, size_t n) {
    if (n > 16)
        return std::memchr(text, '\n', n) != nullptr;
    for (size_t i = 0; i < n; ++i)
        if (text[i] == '\n')
            return true;
    return false;
}

int emit(Channel* ch, const char* text, size_t n) {
    if (isbufchan(ch)) {
        if (!writebuffer(ch, text, n))
            return static_cast<int>(ch->count + n);
    } else if (ch->file != nullptr) {
        // Most pieces only join the current line: no line feed, and the line
        // stays short of the length at which writefile writes it out.
        size_t pending = ch->count > 0 ? ch->count - 1u : 0u;
        if (n > 0 && n < ChannelTextSize + 1 - pending && !haslinefeed(text, n)) {
            copysmall(ch->buffer + pending, text, n);
            pending += n;
            ch->buffer[pending] = '\0';
            ch->count = static_cast<uint16_t>(pending + 1);
        } else {
            writefile(ch, text, n);
        }
    }
    return static_cast<int>(n);
}

int emit(Channel* ch, const std::string& text) {
    return emit(ch, text.data(), text.size());
}

int position(const Channel* ch) {
    return ch->count;
}

bool isbarname(const char* name, size_t n) {
    return n >= 2 && name[0] == '|' && name[n - 1] == '|';
}

// A bar-quoted name printed readably: the reader takes a character after ^
// literally, so bars, ^ and line feeds inside the bars are written after a ^.
std::string barname(const char* name, size_t n) {
    std::string out = "|";
    for (size_t i = 1; i + 1 < n; ++i) {
        char c = name[i];
        if (c == '|' || c == '^' || c == '\n')
            out += '^';
        out += c;
    }
    out += '|';
    return out;
}

// What "%f" makes of a float, without printf for the usual range: writes it
// to out (at least 32 bytes) and returns its length, or 0 for a value left
// to printf (infinities, NaNs, magnitudes of 2^43 and more). A float is
// m * 2^e with m below 2^24, so the value times 10^6 is m * 5^6 * 2^(e+6):
// an integer of at most 38 bits shifted, which is rounded to the nearest
// integer, ties to even, exactly as printf rounds the exact value.
size_t formatfixed(float f, char* out) {
    uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    const uint32_t exponent = (bits >> 23) & 0xFF;
    if (exponent == 0xFF)
        return 0;
    uint64_t m = bits & 0x7FFFFF;
    int e = -149;
    if (exponent != 0) {
        m |= 0x800000;
        e = static_cast<int>(exponent) - 150;
    }
    const uint64_t scaled = m * 15625;
    const int shift = e + 6;
    uint64_t q = 0;
    if (shift >= 0) {
        if (shift > 25)
            return 0;
        q = scaled << shift;
    } else if (-shift < 40) {
        const int s = -shift;
        q = scaled >> s;
        const uint64_t rest = scaled & ((uint64_t{1} << s) - 1);
        const uint64_t half = uint64_t{1} << (s - 1);
        if (rest > half || (rest == half && (q & 1) != 0))
            ++q;
    } // else: below 2^-34 of a unit of 10^-6, which rounds to 0
    char* p = out;
    if ((bits >> 31) != 0)
        *p++ = '-';
    p = std::to_chars(p, out + 24, q / 1000000).ptr;
    *p++ = '.';
    uint64_t fraction = q % 1000000;
    for (int i = 5; i >= 0; --i) {
        p[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    return static_cast<size_t>(p + 6 - out);
}

// The printed text of an atom. The view is valid until the next call.
std::string_view atomtext(int mode, Cell* value) {
    static std::string scratch;
    char number[32];
    switch (value->type) {
    case TInteger: {
        auto result = std::to_chars(number, number + sizeof number, value->a.ival);
        scratch.assign(number, result.ptr);
        return scratch;
    }
    case TReal:
        if (size_t n = formatfixed(value->a.rval, number); n > 0) {
            scratch.assign(number, n);
            return scratch;
        }
        std::snprintf(number, sizeof number, "%f", static_cast<double>(value->a.rval));
        scratch.assign(number);
        if (scratch.size() == sizeof number - 1) // beyond what fits: format whole
            scratch = qm::Format("%f", static_cast<double>(value->a.rval));
        return scratch;
    case TString:
        if ((mode & PmPrinc) != 0)
            return value->a.str;
        scratch.clear();
        scratch += '"';
        escapeinto(scratch, value->a.str);
        scratch += '"';
        return scratch;
    case TChannel:
        scratch = qm::Format("<channel:%ld>",
                             static_cast<long>(reinterpret_cast<intptr_t>(value->a.chan)));
        return scratch;
    case TRef:
        scratch =
            qm::Format("<ref:%ld>", static_cast<long>(reinterpret_cast<intptr_t>(value->a.ref)));
        return scratch;
    case TVector:
        scratch = qm::Format("vector[%d]", value->a.dim->a.ival);
        return scratch;
    case TDialog:
        scratch = qm::Format("<dialog:%ld>",
                             static_cast<long>(reinterpret_cast<intptr_t>(value->a.conn)));
        return scratch;
    default:
        break;
    }
    if (issymbol(value)) {
        const char* name = static_cast<Symbol*>(value)->name;
        size_t n = std::strlen(name);
        if (!isbarname(name, n))
            return std::string_view(name, n);
        if ((mode & PmPrinc) != 0)
            return std::string_view(name + 1, n - 2);
        scratch = barname(name, n);
        return scratch;
    }
    scratch = qm::Format("<@:%ld>", static_cast<long>(reinterpret_cast<intptr_t>(value)));
    return scratch;
}

// The printed length of a string cell in print mode, without building it:
// the quotes, every byte, and a ^ before each byte written escaped. The
// count stops once it passes limit, as measuring a list does, so that a long
// text measured only to see whether it fits is not read to its end.
int printedstringlength(const char* text, int limit) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    const size_t stop = limit < 0 ? 0 : static_cast<size_t>(limit);
    size_t length = 2;
    for (size_t i = 0; bytes[i] != 0; ++i) {
        const unsigned char c = bytes[i];
        length += 1 + static_cast<size_t>((c >= 8 && c <= 13 && c != 11) | (c == '"') | (c == '^'));
        if (length > stop) {
            break;
        }
    }
    return static_cast<int>(length);
}

int printchunk(int flags, Channel* ch, const uint8_t* chunk) {
    if ((flags & PfMeasure) != 0)
        return 513;
    char text[513];
    text[0] = '?';
    for (int i = 0; i < 256; ++i) {
        text[1 + 2 * i] = hexdigits[chunk[i] >> 4];
        text[2 + 2 * i] = hexdigits[chunk[i] & 15];
    }
    emit(ch, "\n", 1);
    emit(ch, text, sizeof text);
    return 513;
}

bool isquoteform(Cell* value) {
    return value->type == TList && car(value) == KernelSyms.quote && ispair(cdr(value)) &&
           cdr(cdr(value)) == nil;
}

} // namespace

void escapeinto(std::string& out, const char* text) {
    for (const char* p = text;; ++p) {
        // Plain characters are appended a run at a time.
        const char* run = p;
        while (!escapes.table[static_cast<unsigned char>(*p)])
            ++p;
        out.append(run, static_cast<size_t>(p - run));
        switch (*p) {
        case '\0':
            return;
        case 8:
            out += "^b";
            break;
        case 9:
            out += "^t";
            break;
        case 10:
            out += "^n";
            break;
        case 12:
            out += "^f";
            break;
        case 13:
            out += "^r";
            break;
        case '"':
            out += "^\"";
            break;
        case '^':
            out += "^^";
            break;
        default:
            out += *p;
            break;
        }
    }
}

std::string escapestr(const char* text) {
    std::string out;
    escapeinto(out, text);
    return out;
}

int chanprintf(int flags, Channel* ch, const char* format, const void* argument) {
    if ((flags & PfChunk) != 0)
        return printchunk(flags, ch, static_cast<const uint8_t*>(argument));
    std::string text;
    if (argument == nullptr)
        text = format;
    else if ((flags & PfInteger) != 0)
        text = qm::Format(format, *static_cast<const int32_t*>(argument));
    else if ((flags & PfReal) != 0)
        text = qm::Format(format, static_cast<double>(*static_cast<const float*>(argument)));
    else if ((flags & PfEscaped) != 0 && (flags & PfRaw) == 0)
        text = qm::Format(format, escapestr(static_cast<const char*>(argument)).c_str());
    else
        text = qm::Format(format, static_cast<const char*>(argument));
    if ((flags & PfTrim) != 0)
        text = text.size() >= 2 ? text.substr(1, text.size() - 2) : std::string();
    if ((flags & PfMeasure) != 0)
        return static_cast<int>(text.size());
    return emit(ch, text);
}

namespace {

// A single character other than a line feed: emit, with the common case of
// a file channel's line that has room taken directly.
inline int emitchar(Channel* ch, char c) {
    if (!isbufchan(ch) && ch->file != nullptr) {
        const size_t pending = ch->count > 0 ? ch->count - 1u : 0u;
        if (pending + 1 < ChannelTextSize + 1) {
            ch->buffer[pending] = c;
            ch->buffer[pending + 1] = '\0';
            ch->count = static_cast<uint16_t>(pending + 2);
            return 1;
        }
    }
    return emit(ch, &c, 1);
}

// A string printed readably into a file channel piece by piece: the same
// bytes as the whole text in one emit, since a file channel's lines do not
// depend on how the text arrives (a buffer channel's dropping does).
int emitstring(Channel* ch, const char* text) {
    int length = emitchar(ch, '"');
    for (const char* p = text;; ++p) {
        const char* run = p;
        while (!escapes.table[static_cast<unsigned char>(*p)])
            ++p;
        if (p > run)
            length += emit(ch, run, static_cast<size_t>(p - run));
        if (*p == '\0')
            break;
        char pair[2] = {'^', *p};
        switch (*p) {
        case 8:
            pair[1] = 'b';
            break;
        case 9:
            pair[1] = 't';
            break;
        case 10:
            pair[1] = 'n';
            break;
        case 12:
            pair[1] = 'f';
            break;
        case 13:
            pair[1] = 'r';
            break;
        default:
            break;
        }
        length += emit(ch, pair, 2);
    }
    return length + emitchar(ch, '"');
}

// printval of an atom: anything but a pair or a chunk.
inline int printatom(int mode, Cell* value, Channel* ch, int limit) {
    if ((mode & PmMeasure) != 0) {
        if (value->type == TString && (mode & PmPrinc) == 0)
            return printedstringlength(value->a.str, limit);
        return static_cast<int>(atomtext(mode, value).size());
    }
    if (value->type == TString && (mode & PmPrinc) == 0 && !isbufchan(ch) && ch->file != nullptr)
        return emitstring(ch, value->a.str);
    std::string_view text = atomtext(mode, value);
    return emit(ch, text.data(), text.size());
}

} // namespace

int printval(int mode, Cell* value, Channel* ch, int limit) {
    const bool measure = (mode & PmMeasure) != 0;
    auto out = [&](const char* text, size_t n) {
        return measure ? static_cast<int>(n) : emit(ch, text, n);
    };
    auto outchar = [&](char c) { return measure ? 1 : emitchar(ch, c); };
    if (value->type == TChunk)
        return printchunk(measure ? PfMeasure : 0, ch, value->a.chunk);
    if (!ispair(value))
        return printatom(mode, value, ch, limit);
    // Measuring stops at the limit before it descends any further.
    if (measure && limit < 0)
        return 1;
    NestingGuard guard;
    if ((mode & PmLiteral) == 0 && isquoteform(value))
        return outchar('\'') + printval(mode, car(cdr(value)), ch, limit);
    const uint8_t type = value->type;
    int length = outchar(type == TSet ? '{' : '(');
    for (Cell* p = value;;) {
        // Atoms are printed here rather than by a call of printval each.
        Cell* element = car(p);
        if (ispair(element) || element->type == TChunk)
            length += printval(mode, element, ch, limit - length);
        else
            length += printatom(mode, element, ch, limit - length);
        if (measure && length > limit)
            return length;
        Cell* rest = cdr(p);
        if (rest->type == type) {
            length += outchar(' ');
            p = rest;
            continue;
        }
        if (rest != nil) {
            length += out(" . ", 3);
            length += printval(mode, rest, ch, limit - length);
        }
        break;
    }
    return length + outchar(type == TSet ? '}' : ')');
}

void ppindent(int indent, Channel* ch) {
    if (indent > 4096)
        indent = 4096;
    if (position(ch) > indent)
        emit(ch, "\n", 1);
    if (indent < 0)
        return;
    int column = position(ch) > 0 ? position(ch) - 1 : 0;
    int target = indent > 0 ? indent - 1 : 0;
    if (target > column)
        emit(ch, std::string(static_cast<size_t>(target - column), ' '));
}

int fitwidth(Cell* value, Channel* ch, int closers) {
    int rest = LineWidth - position(ch);
    return printval(PmPrint | PmMeasure, value, ch, rest) + closers;
}

namespace {

void ppcore(Cell* value, Channel* ch, int indent, int closers, bool continued) {
    if (value->type == TChunk) {
        printval(PmPrint, value, ch, 0);
        return;
    }
    if (continued && indent > 50 && printval(PmPrint | PmMeasure, value, ch, 95) > 95) {
        emit(ch, "\n; <<=== continued left ===<<");
        ppcore(value, ch, 4, 0, true);
        emit(ch, "\n; >>=== continued right ===>>\n");
        return;
    }
    ppindent(indent, ch);
    if (!ispair(value)) {
        printval(PmPrint, value, ch, 0);
        return;
    }
    NestingGuard guard;
    const uint8_t type = value->type;
    emit(ch, type == TSet ? "{" : "(", 1);
    const char* closer = type == TSet ? "}" : ")";
    if (fitwidth(value, ch, closers) < LineWidth - position(ch)) {
        // Everything inside fits too: print it flat, as the layout would.
        for (Cell* p = value;;) {
            printval(PmPrint | PmLiteral, car(p), ch, 0);
            Cell* rest = cdr(p);
            if (rest->type == type) {
                emit(ch, " ", 1);
                p = rest;
                continue;
            }
            if (rest != nil) {
                emit(ch, " . ", 3);
                printval(PmPrint | PmLiteral, rest, ch, 0);
            }
            break;
        }
        emit(ch, closer, 1);
        return;
    }
    Cell* p = value;
    int align = position(ch);
    const bool threeormore = ispair(cdr(value)) && ispair(cdr(cdr(value)));
    if (!ispair(car(value)) && car(value)->type != TChunk && threeormore) {
        ppcore(car(value), ch, position(ch), 0, continued);
        emit(ch, " ", 1);
        align = position(ch);
        p = cdr(value);
    }
    bool first = true;
    for (;;) {
        Cell* rest = cdr(p);
        const bool last = rest->type != type;
        const bool dotted = last && rest != nil;
        const int mine = last && !dotted ? closers + 1 : 0;
        int at = align;
        if ((!continued || first) && fitwidth(car(p), ch, mine) < LineWidth - position(ch))
            at = position(ch);
        ppcore(car(p), ch, at, mine, continued);
        first = false;
        if (!last) {
            emit(ch, " ", 1);
            p = rest;
            continue;
        }
        if (dotted) {
            emit(ch, " . ", 3);
            ppcore(rest, ch, at, closers + 1, continued);
        }
        break;
    }
    emit(ch, closer, 1);
}

} // namespace

void prettyprint(Cell* value, Channel* ch, int indent, int closers) {
    ppcore(value, ch, indent, closers, false);
}

// The steps of ppcore for a broken list with an atom head and three or more
// elements, not continued.
PrettyListWriter::PrettyListWriter(Cell* head, size_t count, Channel* ch, int indent, int closers)
    : ch_(ch), remaining_(count), closers_(closers) {
    ppindent(indent, ch);
    emit(ch, "(", 1);
    ppcore(head, ch, position(ch), 0, false);
    emit(ch, " ", 1);
    align_ = position(ch);
}

void PrettyListWriter::Element(Cell* element) {
    if (remaining_ == 0)
        return;
    const bool last = --remaining_ == 0;
    const int mine = last ? closers_ + 1 : 0;
    int at = align_;
    if (fitwidth(element, ch_, mine) < LineWidth - position(ch_))
        at = position(ch_);
    ppcore(element, ch_, at, mine, false);
    if (!last)
        emit(ch_, " ", 1);
}

void PrettyListWriter::End() {
    emit(ch_, ")", 1);
}

void ppcontinued(Cell* value, Channel* ch, int indent, int closers) {
    ppcore(value, ch, indent, closers, true);
}

void flushpending(Channel* ch) {
    if (isbufchan(ch) || ch->file == nullptr || ch->count == 0)
        return;
    // The line leaves the buffer before it is written: a write that fails
    // does not leave it to be written twice.
    const std::string line(ch->buffer, ch->count - 1u);
    ch->count = 0;
    ch->buffer[0] = '\0';
    ch->file->Write(line.data(), line.size());
}

std::string printstring(Cell* value, int mode) {
    LocalChannel local;
    printval(mode, value, local.get(), 0);
    return local.Text();
}

std::string prettystring(Cell* value) {
    LocalChannel local;
    prettyprint(value, local.get(), 0, 0);
    return local.Text();
}

Cell* fileheader(bool forServer, Symbol* kind, Cell* list, double* versionOut) {
    Symbol* product = forServer ? KernelSyms.Vaultkeep : KernelSyms.Quillmark;
    const std::string& version = forServer ? versions().server : versions().program;
    if (list == nullptr)
        return mklist(product, mkstr(version.c_str()), kind, nullptr);
    Cell* fileversion = nullptr;
    Cell* filekind = nullptr;
    if (ispair(list) && ispair(cdr(list)) && ispair(cdr(cdr(list)))) {
        fileversion = car(cdr(list));
        filekind = car(cdr(cdr(list)));
    }
    // What was read is wrong, not a system call: no system error text.
    errno = 0;
    qm::ReportOperationFailure(filekind == kind && fileversion->type == TString, "bad file header",
                               true);
    if (std::strcmp(fileversion->a.str, version.c_str()) > 0)
        qm::ReportOperationFailure(
            false,
            qm::Format("can't open a version %s file using version %s software", fileversion->a.str,
                       version.c_str()),
            true);
    if (versionOut != nullptr)
        *versionOut = std::atof(fileversion->a.str);
    return list;
}

} // namespace kest
