// Channels: the kernel's streams. A file channel reads and writes through a
// file object in blocks; a buffer channel holds text in memory, either as a
// line buffer or over a socket it receives from and sends to. Listed channels
// are entered in the open-channel list, which closeallchans empties after
// every script run.
//
// Reading and writing a stored file:
//     savemark();
//     Channel* ch = openfilechan(path, ChanWrite, true);   // null: can't open
//     prettyprint(fileheader(false, kind, nullptr, nullptr), ch, 0, 0);
//     prettyprint(record, ch, 0, 0); ...                     // once per record
//     closechan(ch);
//     restoremark();
// and for reading: fileheader(false, kind, readexpr(ch), &version), then
// readexpr(ch) until it returns the symbol eof.
#pragma once

#include "kernel/Cell.h"

#include <cstddef>
#include <string>

namespace kest {

// Mode bits.
enum ChannelMode : uint8_t {
    ChanRead = 1,
    ChanWrite = 2,
    ChanReadWrite = 4,
    ChanBuffer = 8,
};

inline constexpr size_t ChannelTextSize = 4096;   // text held by a buffer
inline constexpr size_t ChannelBufferSize = 4098; // text, one more character and a NUL

// What a file channel reads from and writes to. Implementations report a
// failed write or close by throwing (qm::CKestException), so that a file
// that could not be written is never taken as saved.
class FileObject {
  public:
    virtual ~FileObject() = default;
    // Reads up to n bytes; returns the number read, 0 at the end or on failure.
    virtual size_t Read(char* buffer, size_t n) = 0;
    virtual void Write(const char* text, size_t n) = 0;
    // Hands what Write holds back to the file (throwing as Write does).
    virtual void Flush() {}
    virtual void Close() = 0;
};

// A file of the file system, opened by path. A file it owns collects what is
// written and hands it to the system in blocks (when a block fills, before a
// read, on Flush and on Close), so that a generator writing thousands of
// short lines makes a few system calls per file instead of one per line.
// A descriptor it does not own (the standard channels) is written through
// at once, so that output and error keep their order.
//
// A file opened for writing alone is not emptied when it is opened but cut
// to the length written so far at its first flush (Close flushes, and so
// does everything that looks at files while a script writes them), so from
// the outside it is emptied and rewritten as before. Writing over the old
// bytes spares the file system freeing the file's blocks and allocating them
// again, and it does not take an emptied file for one being replaced, which
// it would write out to the disk when the file is closed: regenerating
// thousands of files that mostly keep their size cost more time in the
// system than in the generator.
class PosixFile : public FileObject {
  public:
    static constexpr size_t WriteBlock = 65536;

    // Opens path for ChanRead, ChanWrite (created, or emptied as above) or
    // ChanReadWrite; Ok() tells whether it opened.
    PosixFile(const char* path, uint8_t mode);
    // Wraps an open descriptor (the standard channels); owns it only when told.
    PosixFile(int fd, bool owned) : fd_(fd), owned_(owned) {}
    // Writes out what is held back (a failure is lost here: Close reports it).
    ~PosixFile() override;
    bool Ok() const { return fd_ >= 0; }
    size_t Read(char* buffer, size_t n) override;
    void Write(const char* text, size_t n) override;
    void Flush() override;
    void Close() override;
    // Bytes written but not yet handed to the system (for tests).
    size_t Held() const { return held_.size(); }

  private:
    void WriteHeld();
    void CutToWritten();
    void WriteThrough(const char* text, size_t n);

    int fd_ = -1;
    bool owned_ = true;
    bool cut_ = false;     // the file is still to be cut to the length written
    uint64_t written_ = 0; // bytes handed to the system since the file was opened
    std::string held_;
};

// A file held in memory: reads give the text it was made with, writes append
// to it. For tests, the fuzz targets, the benchmarks and in-memory documents.
class MemoryFile : public FileObject {
  public:
    explicit MemoryFile(std::string text = {}) : text_(std::move(text)) {}
    size_t Read(char* buffer, size_t n) override;
    void Write(const char* text, size_t n) override { text_.append(text, n); }
    void Close() override {}
    const std::string& Text() const { return text_; }

  private:
    std::string text_;
    size_t position_ = 0;
};

// What a buffer channel over a network connection needs of its socket.
class ChannelSocket {
  public:
    virtual ~ChannelSocket() = default;
    // Up to n bytes; 0 (or a failure) means the end of input.
    virtual size_t Receive(char* buffer, size_t n) = 0;
    virtual void Send(const char* text, size_t n) = 0;
};

// The channel record. It lives in the cell heap; its buffer too.
struct Channel {
    uint8_t curch;     // the last character the reader took (line feed when new)
    uint8_t prevch;    // the character before it
    uint8_t mode;      // ChannelMode bits
    bool atend;        // the input is exhausted
    int32_t token;     // the reader's look-ahead token (line end when new)
    Cell* tokvalue;    // the look-ahead token's value: string, chunk, symbol or number
    uint16_t position; // next buffer index the reader takes
    uint16_t count;    // input: bytes in the buffer; output: pending characters
    uint16_t size;     // buffer channels: capacity (at most 4097); 0 for files
    int32_t line;      // line feeds the reader has met
    char* buffer;      // ChannelBufferSize bytes
    FileObject* file;  // file channels
    ChannelSocket* socket;
    Channel* next; // next channel of the open-channel list
    uint32_t stamp;
    bool listed;
};

inline bool isbufchan(const Channel* ch) {
    return (ch->mode & ChanBuffer) != 0;
}

// A file channel on an opened file object (mode ChanRead, ChanWrite or
// ChanReadWrite). A listed channel owns the file object: closing deletes it.
Channel* mkfilechan(FileObject* file, uint8_t mode, bool listed);
// Opens path and makes a file channel on it; null when it cannot be opened.
Channel* openfilechan(const char* path, uint8_t mode, bool listed);
// A buffer channel of the given usable capacity (at most 4097); the mode gets
// the buffer bit. socket may be null.
Channel* mkbufchan(size_t size, uint8_t mode, ChannelSocket* socket, bool listed);
// Empties a buffer channel; the failure check "resetbufchan: invoked for
// non-buffer channel" for any other channel.
void resetbufchan(Channel* ch);
// Closes a channel of the open-channel list (writing out a pending output
// line); a channel that is not listed is left alone.
void closechan(Channel* ch);
// Closes every listed channel and empties the list.
void closeallchans();
// Writes out what the standard output and error channels hold back (text
// printed without a final line end). A run's end (closeallchans) and the
// process's exit do this, so that no output is lost.
void flushstdchans();
// Hands what every listed file channel's file holds back to the system: done
// before anything that may look at a file a script is still writing (opening,
// reading or copying a file, asking for its size, running a process), so that
// it sees every line written so far. An unfinished line stays in its channel,
// as it always has.
void flushfiles();
// restoremark's part: closes the listed channels made after the stamp.
void closechansafter(uint32_t stamp);
// Makes the three standard channels (input, output, error) and their cells.
void initchans();
// The text pending in a buffer channel (or a file channel's unfinished line).
std::string pendingtext(const Channel* ch);
// Number of listed channels (for tests).
int openchancount();

struct StandardChannels {
    Channel* in = nullptr;
    Channel* out = nullptr;
    Channel* err = nullptr;
    Cell* incell = nullptr;
    Cell* outcell = nullptr;
    Cell* errcell = nullptr;
};
extern StandardChannels stdchans; // defined with the rest of the kernel state (state.cpp)

// A channel outside the heap over a MemoryFile, for formatting into text and
// reading from text without touching the heap's blocks for the channel itself;
// or over a file object of the caller's, which it does not own.
class LocalChannel {
  public:
    explicit LocalChannel(std::string text = {}, uint8_t mode = ChanWrite);
    LocalChannel(FileObject& file, uint8_t mode);
    LocalChannel(const LocalChannel&) = delete;
    LocalChannel& operator=(const LocalChannel&) = delete;
    Channel* get() { return &channel_; }
    // Everything written so far, the unfinished line included.
    std::string Text() const;

  private:
    MemoryFile file_;
    char buffer_[ChannelBufferSize];
    Channel channel_;
};

} // namespace kest
