// Channels: the record, file and memory file objects, buffer channels, the
// open-channel list and the standard channels.
#include "kernel/Channel.h"

#include "kernel/Printer.h"
#include "kernel/State.h"
#include "platform/Errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace kest {

namespace {

void initrecord(Channel* ch, char* buffer, uint8_t mode) {
    ch->curch = '\n';
    ch->prevch = '\n';
    ch->mode = mode;
    ch->atend = false;
    ch->token = 15;
    ch->tokvalue = nullptr;
    ch->position = 0;
    ch->count = 0;
    ch->size = 0;
    ch->line = 0;
    ch->buffer = buffer;
    ch->buffer[0] = '\0';
    ch->file = nullptr;
    ch->socket = nullptr;
    ch->next = nullptr;
    ch->stamp = 0;
    ch->listed = false;
}

// What a closed channel's record points at instead of its freed buffer: a
// closed channel is refused by every built-in, and anything that still
// touches the record finds memory that stays valid.
char closedbuffer[ChannelBufferSize];

// A listed channel is always closed (by close, at the end of a run or when a
// mark is restored), so its buffer lives outside the cell heap and is freed
// then: a script that opens many files one after another uses the heap only
// for the small records. Unlisted channels live as long as the heap that
// holds them, and so does their buffer.
Channel* allocchan(uint8_t mode, bool listed) {
    Channel* ch = static_cast<Channel*>(heapalloc(sizeof(Channel)));
    char* buffer =
        listed ? new char[ChannelBufferSize] : static_cast<char*>(heapalloc(ChannelBufferSize));
    initrecord(ch, buffer, mode);
    ch->stamp = nextstamp();
    if (listed) {
        ch->listed = true;
        ch->next = openchans;
        openchans = ch;
    }
    return ch;
}

// Gives back the buffer of a listed channel being closed.
void releasebuffer(Channel* ch) {
    if (ch->buffer == closedbuffer)
        return;
    delete[] ch->buffer;
    ch->buffer = closedbuffer;
    ch->position = 0;
    ch->count = 0;
    ch->size = 0;
    ch->atend = true;
}

void finishclose(Channel* ch) {
    ch->listed = false;
    ch->next = nullptr;
    FileObject* file = ch->file;
    if (file == nullptr) {
        releasebuffer(ch);
        return;
    }
    try {
        if ((ch->mode & (ChanWrite | ChanReadWrite)) != 0 && !isbufchan(ch) && ch->count > 0)
            chanprintf(0, ch, "\n", nullptr);
        ch->file = nullptr;
        file->Close();
    } catch (...) {
        ch->file = nullptr;
        delete file;
        releasebuffer(ch);
        throw;
    }
    delete file;
    releasebuffer(ch);
}

} // namespace

PosixFile::PosixFile(const char* path, uint8_t mode) {
    int flags = O_RDONLY;
    if (mode == ChanWrite)
        flags = O_WRONLY | O_CREAT;
    else if (mode == ChanReadWrite)
        flags = O_RDWR | O_CREAT;
    fd_ = ::open(path, flags | O_CLOEXEC, 0666);
    cut_ = mode == ChanWrite && fd_ >= 0;
}

PosixFile::~PosixFile() {
    if (owned_ && fd_ >= 0) {
        try {
            Flush();
        } catch (const qm::CKestException&) {
            // Nobody is left to tell; Close is where a failure is reported.
        }
        ::close(fd_);
    }
}

size_t PosixFile::Read(char* buffer, size_t n) {
    // A file opened for reading and writing reads after what was written.
    Flush();
    for (;;) {
        ssize_t got = ::read(fd_, buffer, n);
        if (got >= 0)
            return static_cast<size_t>(got);
        if (errno != EINTR)
            return 0;
    }
}

void PosixFile::Write(const char* text, size_t n) {
    if (!owned_) {
        WriteThrough(text, n);
        return;
    }
    if (held_.size() + n > WriteBlock) {
        WriteHeld();
        if (n >= WriteBlock) {
            WriteThrough(text, n);
            CutToWritten();
            return;
        }
    }
    held_.append(text, n);
}

void PosixFile::Flush() {
    WriteHeld();
    CutToWritten();
}

void PosixFile::WriteHeld() {
    if (held_.empty())
        return;
    // The text leaves the buffer before it is written: a write that fails
    // does not leave it to be written twice.
    std::string text;
    text.swap(held_);
    WriteThrough(text.data(), text.size());
    text.clear();
    held_.swap(text);
}

// Once, after the first bytes (or none) went out: what the file held beyond
// them goes. Only a regular file can be cut; anything else opened for
// writing (a device, a pipe) has nothing to cut.
void PosixFile::CutToWritten() {
    if (!cut_)
        return;
    cut_ = false;
    while (::ftruncate(fd_, static_cast<off_t>(written_)) != 0) {
        if (errno == EINVAL)
            return;
        if (errno != EINTR)
            throw qm::CKestException("can't write file: " + qm::LastErrorText());
    }
}

void PosixFile::WriteThrough(const char* text, size_t n) {
    while (n > 0) {
        ssize_t put = ::write(fd_, text, n);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            throw qm::CKestException("can't write file: " + qm::LastErrorText());
        }
        text += put;
        n -= static_cast<size_t>(put);
        written_ += static_cast<uint64_t>(put);
    }
}

void PosixFile::Close() {
    if (fd_ < 0 || !owned_)
        return;
    try {
        Flush();
    } catch (...) {
        ::close(fd_);
        fd_ = -1;
        throw;
    }
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR)
        throw qm::CKestException("can't close file: " + qm::LastErrorText());
}

size_t MemoryFile::Read(char* buffer, size_t n) {
    size_t left = text_.size() - position_;
    if (n > left)
        n = left;
    std::memcpy(buffer, text_.data() + position_, n);
    position_ += n;
    return n;
}

Channel* mkfilechan(FileObject* file, uint8_t mode, bool listed) {
    Channel* ch = allocchan(mode, listed);
    ch->file = file;
    return ch;
}

Channel* openfilechan(const char* path, uint8_t mode, bool listed) {
    flushfiles();
    auto* file = new PosixFile(path, mode);
    if (!file->Ok()) {
        delete file;
        return nullptr;
    }
    return mkfilechan(file, mode, listed);
}

Channel* mkbufchan(size_t size, uint8_t mode, ChannelSocket* socket, bool listed) {
    Channel* ch = allocchan(static_cast<uint8_t>(mode | ChanBuffer), listed);
    ch->size = static_cast<uint16_t>(size > ChannelTextSize + 1 ? ChannelTextSize + 1 : size);
    ch->socket = socket;
    return ch;
}

void resetbufchan(Channel* ch) {
    qm::ReportOperationFailure(isbufchan(ch), "resetbufchan: invoked for non-buffer channel", true);
    ch->curch = '\n';
    ch->prevch = '\n';
    ch->atend = false;
    ch->token = 15;
    ch->tokvalue = nullptr;
    ch->position = 0;
    ch->count = 0;
    ch->buffer[0] = '\0';
}

void closechan(Channel* ch) {
    Channel** link = &openchans;
    while (*link != nullptr && *link != ch)
        link = &(*link)->next;
    if (*link == nullptr)
        return;
    *link = ch->next;
    finishclose(ch);
}

void flushstdchans() {
    for (Channel* ch : {stdchans.out, stdchans.err}) {
        if (ch != nullptr)
            flushpending(ch);
    }
}

void closeallchans() {
    flushstdchans();
    Channel* ch = openchans;
    openchans = nullptr;
    bool failed = false;
    qm::CKestException first;
    while (ch != nullptr) {
        Channel* next = ch->next;
        try {
            finishclose(ch);
        } catch (const qm::CKestException& e) {
            if (!failed)
                first = e;
            failed = true;
        }
        ch = next;
    }
    if (failed)
        throw first;
}

void flushfiles() {
    for (Channel* ch = openchans; ch != nullptr; ch = ch->next)
        if (ch->file != nullptr && (ch->mode & (ChanWrite | ChanReadWrite)) != 0)
            ch->file->Flush();
}

void closechansafter(uint32_t stamp) {
    Channel** link = &openchans;
    while (*link != nullptr) {
        Channel* ch = *link;
        if (ch->stamp <= stamp) {
            link = &ch->next;
            continue;
        }
        *link = ch->next;
        try {
            finishclose(ch);
        } catch (const qm::CKestException&) {
            // The mark is being restored after the work was abandoned; the
            // failure of a file that is being dropped anyway changes nothing.
        }
    }
}

void droplistedbuffers() {
    for (Channel* ch = openchans; ch != nullptr; ch = ch->next)
        releasebuffer(ch);
}

int openchancount() {
    int n = 0;
    for (Channel* ch = openchans; ch != nullptr; ch = ch->next)
        ++n;
    return n;
}

void initchans() {
    static PosixFile standardinput(0, false), standardoutput(1, false), standarderror(2, false);
    openchans = nullptr;
    stdchans.in = mkfilechan(&standardinput, ChanRead, false);
    stdchans.out = mkfilechan(&standardoutput, ChanWrite, false);
    stdchans.err = mkfilechan(&standarderror, ChanWrite, false);
    stdchans.incell = mkchan(stdchans.in);
    stdchans.outcell = mkchan(stdchans.out);
    stdchans.errcell = mkchan(stdchans.err);
}

std::string pendingtext(const Channel* ch) {
    if (isbufchan(ch))
        return std::string(ch->buffer, ch->count);
    return std::string(ch->buffer, ch->count > 0 ? ch->count - 1u : 0u);
}

LocalChannel::LocalChannel(std::string text, uint8_t mode) : file_(std::move(text)) {
    initrecord(&channel_, buffer_, mode);
    channel_.file = &file_;
}

LocalChannel::LocalChannel(FileObject& file, uint8_t mode) {
    initrecord(&channel_, buffer_, mode);
    channel_.file = &file;
}

std::string LocalChannel::Text() const {
    return file_.Text() + pendingtext(&channel_);
}

} // namespace kest
