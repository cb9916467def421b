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

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace kest {

void escapeinto(std::string& out, const char* text);

namespace {

inline constexpr int PrintDepthLimit = 10000;
int printdepth = 0;

struct PrintDepthGuard {
    PrintDepthGuard() {
        if (printdepth >= PrintDepthLimit)
            scripterror(nullptr, "list nested too deeply to print");
        ++printdepth;
    }
    ~PrintDepthGuard() { --printdepth; }
};

const char hexdigits[] = "0123456789ABCDEF";

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

int emit(Channel* ch, const char* text, size_t n) {
    if (isbufchan(ch)) {
        if (!writebuffer(ch, text, n))
            return static_cast<int>(ch->count + n);
    } else if (ch->file != nullptr) {
        writefile(ch, text, n);
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

// The printed length of a string cell in print mode, without building it.
int printedstringlength(const char* text) {
    int n = 2;
    for (const char* p = text; *p != '\0'; ++p) {
        switch (*p) {
        case 8:
        case 9:
        case 10:
        case 12:
        case 13:
        case '"':
        case '^':
            n += 2;
            break;
        default:
            ++n;
            break;
        }
    }
    return n;
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
    for (const char* p = text; *p != '\0'; ++p) {
        switch (*p) {
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

int printval(int mode, Cell* value, Channel* ch, int limit) {
    const bool measure = (mode & PmMeasure) != 0;
    auto out = [&](const char* text, size_t n) {
        return measure ? static_cast<int>(n) : emit(ch, text, n);
    };
    if (value->type == TChunk)
        return printchunk(measure ? PfMeasure : 0, ch, value->a.chunk);
    if (!ispair(value)) {
        if (measure && value->type == TString && (mode & PmPrinc) == 0)
            return printedstringlength(value->a.str);
        if (measure && issymbol(value) && value->type != KMarker)
            return static_cast<int>(atomtext(mode, value).size());
        std::string_view text = atomtext(mode, value);
        return out(text.data(), text.size());
    }
    PrintDepthGuard guard;
    if (isquoteform(value))
        return out("'", 1) + printval(mode, car(cdr(value)), ch, limit);
    const uint8_t type = value->type;
    int length = out(type == TSet ? "{" : "(", 1);
    for (Cell* p = value;;) {
        length += printval(mode, car(p), ch, limit - length);
        if (measure && length > limit)
            return length;
        Cell* rest = cdr(p);
        if (rest->type == type) {
            length += out(" ", 1);
            p = rest;
            continue;
        }
        if (rest != nil) {
            length += out(" . ", 3);
            length += printval(mode, rest, ch, limit - length);
        }
        break;
    }
    return length + out(type == TSet ? "}" : ")", 1);
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
    PrintDepthGuard guard;
    const uint8_t type = value->type;
    emit(ch, type == TSet ? "{" : "(", 1);
    const char* closer = type == TSet ? "}" : ")";
    if (fitwidth(value, ch, closers) < LineWidth - position(ch)) {
        for (Cell* p = value;;) {
            ppcore(car(p), ch, position(ch), 0, continued);
            Cell* rest = cdr(p);
            if (rest->type == type) {
                emit(ch, " ", 1);
                p = rest;
                continue;
            }
            if (rest != nil) {
                emit(ch, " . ", 3);
                ppcore(rest, ch, position(ch), 0, continued);
            }
            break;
        }
        emit(ch, closer, 1);
        return;
    }
    Cell* p = value;
    int align = position(ch);
    if (!ispair(car(value)) && car(value)->type != TChunk && listlength(value) >= 3) {
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

void ppcontinued(Cell* value, Channel* ch, int indent, int closers) {
    ppcore(value, ch, indent, closers, true);
}

void flushpending(Channel* ch) {
    if (isbufchan(ch) || ch->file == nullptr || ch->count == 0)
        return;
    size_t pending = ch->count - 1u;
    ch->count = 0;
    ch->buffer[0] = '\0';
    ch->file->Write(ch->buffer, pending);
}

std::string printstring(Cell* value, int mode) {
    LocalChannel local;
    printval(mode, value, local.get(), 0);
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
