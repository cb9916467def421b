// Input, output and file built-ins: folders, opening and closing files,
// reading expressions, lines and the elements of one streamed list, printing,
// pretty-printing, a path's properties and copying files.
//
// Paths may be written with '\' or '/'; both name the same folders here.
// Output built-ins refuse a channel opened for input, input built-ins one
// opened for output; a closed channel's cell has type ClosedChannel, which no
// built-in accepts.
#include "platform/Files.h"
#include "kernel/Channel.h"
#include "kernel/Printer.h"
#include "kernel/Reader.h"
#include "kernel/State.h"
#include "kernel/Symbol.h"
#include "kernel/builtins/Builtins.h"
#include "platform/Format.h"

#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kest {

namespace {

constexpr uint8_t ClosedChannel = 10;

std::string hostpath(const char* path) {
    std::string out = path;
    for (char& c : out)
        if (c == '\\')
            c = '/';
    return out;
}

bool ischannelarg(const Cell* v) {
    return v->type == TChannel || v->type == ClosedChannel;
}

// The channel argument at index, or the default when there are fewer
// arguments; input channels only ("bad channel").
Channel* inputchannel(Symbol* self, int index) {
    if (argcount() <= index)
        return stdchans.in;
    Cell* v = argument(index);
    if (v->type != TChannel || (v->a.chan->mode & ChanWrite) != 0)
        scripterror(self, ErrBadChan, v);
    return v->a.chan;
}

Channel* outputchannel(Symbol* self, Cell* v) {
    if (v->type != TChannel || (v->a.chan->mode & ChanRead) != 0)
        scripterror(self, ErrBadChan, v);
    return v->a.chan;
}

Channel* optionaloutput(Symbol* self, int index) {
    return argcount() > index ? outputchannel(self, argument(index)) : stdchans.out;
}

// Any channel: "channel expected" for everything else.
Channel* needchannel(Symbol* self, Cell* v) {
    if (v->type != TChannel)
        scripterror(self, ErrChanExpected, v);
    return v->a.chan;
}

Cell* printall(Symbol* self, int mode) {
    needcount(self, 1, 1024);
    int n = argcount();
    Channel* ch = stdchans.out;
    if (ischannelarg(argument(n - 1)))
        ch = outputchannel(self, argument(--n));
    for (int i = 0; i < n; ++i)
        printval(mode, argument(i), ch, 0);
    return KernelSyms.t;
}

// A file time as "%d %b %Y, %H:%M:%S" in local time, with the C locale's
// month names whatever locale the program runs in.
std::string formattime(time_t when) {
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    struct tm parts {};
    if (localtime_r(&when, &parts) == nullptr)
        return {};
    return qm::Format("%02d %s %d, %02d:%02d:%02d", parts.tm_mday, months[parts.tm_mon],
                      parts.tm_year + 1900, parts.tm_hour, parts.tm_min, parts.tm_sec);
}

Cell* property(const char* key, Cell* value) {
    return mklist(intern(key), value, nullptr);
}

} // namespace

Cell* bi_mkdir(Symbol* self) {
    needcount(self, 1, 1);
    const std::string path = hostpath(needtext(self, argument(0)));
    return truth(::mkdir(path.c_str(), 0777) == 0);
}

// "r" reads, "w" creates or empties for writing; any other mode creates or
// empties the file for reading and writing, with the channel mode input and
// output for modes such as "r+" and output otherwise.
Cell* bi_open(Symbol* self) {
    needcount(self, 2, 2);
    const std::string mode = needtext(self, argument(1));
    const std::string path = hostpath(needtext(self, argument(0)));
    // A file still being written may be the one opened.
    flushfiles();
    Channel* ch = nullptr;
    if (mode == "r") {
        if (!qm::IsDirectory(path))
            ch = openfilechan(path.c_str(), ChanRead, true);
    } else if (mode == "w") {
        ch = openfilechan(path.c_str(), ChanWrite, true);
    } else {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd >= 0) {
            const uint8_t chanmode = mode.size() > 1 && mode[0] == 'r' ? ChanReadWrite : ChanWrite;
            ch = mkfilechan(new PosixFile(fd, true), chanmode, true);
        }
    }
    if (ch == nullptr)
        scripterror(self, "can't open file", argument(0));
    return mkchan(ch);
}

// The standard channels live for the whole process: closing one leaves its
// cell usable, so that later runs can still print to it.
Cell* bi_close(Symbol* self) {
    needcount(self, 1, 1);
    Cell* cell = argument(0);
    closechan(needchannel(self, cell));
    if (cell != stdchans.incell && cell != stdchans.outcell && cell != stdchans.errcell)
        cell->type = ClosedChannel;
    return KernelSyms.t;
}

Cell* bi_flush(Symbol* self) {
    needcount(self, 0, 1);
    Channel* ch = argcount() == 1 ? needchannel(self, argument(0)) : stdchans.out;
    if (ch->count > 0) {
        if ((ch->mode & (ChanWrite | ChanReadWrite)) != 0)
            chanprintf(0, ch, "\n", nullptr);
        else
            ch->count = 0;
    }
    return KernelSyms.t;
}

// The creation time is the file's birth time where the file system records
// one; elsewhere the time of its last status change stands for it.
Cell* bi_pathprop(Symbol* self) {
    needcount(self, 1, 1);
    const std::string path = hostpath(needtext(self, argument(0)));
    flushfiles(); // the size counts every line written so far
    struct statx st {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &st) != 0)
        return nil;
    const bool folder = S_ISDIR(st.stx_mode);
    const time_t created =
        (st.stx_mask & STATX_BTIME) != 0 ? st.stx_btime.tv_sec : st.stx_ctime.tv_sec;
    Cell* size = nil;
    if (!folder)
        size = st.stx_size <= INT32_MAX ? mkint(static_cast<int32_t>(st.stx_size))
                                        : mkreal(static_cast<float>(st.stx_size));
    Cell* tail = mklist(property("modified", mkstr(formattime(st.stx_mtime.tv_sec).c_str())),
                        property("created", mkstr(formattime(created).c_str())), nullptr);
    if (!folder)
        tail = mkcons(property("size", size), tail);
    return mkcons(property("perm", mkstr(qm::IsReadOnlyFile(path) ? "r" : "rw")),
                  mkcons(property("kind", mkstr(folder ? "dir" : "file")), tail));
}

Cell* bi_read(Symbol* self) {
    needcount(self, 0, 1);
    return readexpr(inputchannel(self, 0));
}

Cell* bi_readln(Symbol* self) {
    needcount(self, 0, 1);
    Channel* ch = inputchannel(self, 0);
    if (ch == stdchans.in && stdchans.out->count > 0)
        flushpending(stdchans.out);
    std::string line;
    bool any = false;
    for (;;) {
        const int c = getch(ch);
        if (ch->atend)
            break;
        any = true;
        if (line.size() < TextBufferSize)
            line += static_cast<char>(c);
        if (c == '\n')
            break;
    }
    if (!any)
        return KernelSyms.eof;
    return mkstr(line.c_str(), line.size());
}

Cell* bi_readfirst(Symbol* self) {
    needcount(self, 0, 1);
    Channel* ch = inputchannel(self, 0);
    const int tok = skipnewlines(ch, false);
    if (tok == TokEnd)
        return KernelSyms.eof;
    if (tok != TokOpen && tok != TokOpenBracket)
        scripterror(self, ErrListExpected);
    streamedbracket = tok;
    if (skipnewlines(ch, true) == tok + 1) {
        streamedbracket = 0;
        gettoken(ch);
        return KernelSyms.eof;
    }
    return readtop(ch, false);
}

Cell* bi_readnext(Symbol* self) {
    needcount(self, 0, 1);
    Channel* ch = inputchannel(self, 0);
    if (streamedbracket == 0)
        scripterror(self, "readfirst was not called first");
    const int tok = skipnewlines(ch, false);
    if (tok != TokClose && tok != TokCloseBracket)
        return readtop(ch, false);
    if (tok != streamedbracket + 1)
        scripterror(self, "(...] or [...) list not allowed");
    streamedbracket = 0;
    gettoken(ch);
    return KernelSyms.eof;
}

Cell* bi_print(Symbol* self) {
    return printall(self, PmPrint);
}

Cell* bi_princ(Symbol* self) {
    return printall(self, PmPrinc);
}

// Each line of the text (split at '\r', a following '\n' going with it) is
// written with '{' and '}' escaped and "\r\n" after it; continuation lines
// begin with the prefix.
Cell* bi_princom(Symbol* self) {
    needcount(self, 2, 3);
    Channel* ch = optionaloutput(self, 2);
    const char* text = needtext(self, argument(0));
    const char* prefix = needtext(self, argument(1));
    const char* p = text;
    bool first = true;
    do {
        std::string line = first ? "" : prefix;
        for (; *p != '\0' && *p != '\r'; ++p) {
            if (*p == '{' || *p == '}')
                line += '\\';
            line += *p;
        }
        if (*p == '\r' && *++p == '\n')
            ++p;
        line += "\r\n";
        chanprintf(0, ch, line.c_str(), nullptr);
        first = false;
    } while (*p != '\0');
    return KernelSyms.t;
}

Cell* bi_tab(Symbol* self) {
    needcount(self, 1, 2);
    Channel* ch = optionaloutput(self, 1);
    ppindent(needint(self, argument(0)), ch);
    return KernelSyms.t;
}

Cell* bi_terpri(Symbol* self) {
    needcount(self, 0, 1);
    chanprintf(0, optionaloutput(self, 0), "\n", nullptr);
    return KernelSyms.t;
}

Cell* bi_prlen(Symbol* self) {
    needcount(self, 1, 2);
    int32_t width = argcount() == 2 ? needint(self, argument(1)) : LineWidth;
    if (width < 0)
        width = 0;
    const int length = printval(PmPrint | PmMeasure, argument(0), nullptr, width);
    return mkint(length < width ? length : width);
}

Cell* bi_iobuf(Symbol* self) {
    needcount(self, 0, 1);
    Channel* ch = argcount() == 1 ? needchannel(self, argument(0)) : stdchans.out;
    return mkint(ch->count);
}

Cell* bi_chanp(Symbol* self) {
    needcount(self, 1, 1);
    return truth(argument(0)->type == TChannel);
}

Cell* bi_pp(Symbol* self) {
    needcount(self, 1, 2);
    Channel* ch = optionaloutput(self, 1);
    Cell* x = argument(0);
    if (issymbol(x) && x->type == KFunction)
        x = static_cast<Symbol*>(x)->value();
    ppcontinued(x, ch, 0, 0);
    return KernelSyms.t;
}

// The source is checked before the destination is touched: a missing or
// unreadable source leaves an existing destination as it was. The copy goes
// in chunks, whatever the size, and replaces the destination only whole.
Cell* bi_copyfile(Symbol* self) {
    needcount(self, 2, 2);
    const std::string from = hostpath(needtext(self, argument(0)));
    const std::string to = hostpath(needtext(self, argument(1)));
    flushfiles();
    if (!qm::CopyFile(from, to, true))
        scripterror(self, "Can't copy file");
    return KernelSyms.t;
}

} // namespace kest
