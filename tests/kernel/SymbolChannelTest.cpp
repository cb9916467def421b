// The symbol table (hashing, sorted chains, accessors, purge) and channels
// (closing, the open-channel list, buffer channels over sockets).
#include "KernelFixture.h"
#include "kernel/State.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace kest::test {
namespace {

class SymbolTest : public KernelTest {};

TEST_F(SymbolTest, HashStaysInRange) {
    EXPECT_EQ(symhash("a"), 'a');
    const char high[] = {'\xff', '\x80', '\xc3', 0};
    int h = symhash(high);
    EXPECT_GE(h, 0);
    EXPECT_LT(h, SymbolBuckets);
    Symbol* s = intern(high);
    EXPECT_EQ(findsym(high), s);
}

TEST_F(SymbolTest, InternAndAccessors) {
    EXPECT_EQ(intern("cadr"), intern("cadr"));
    struct Case {
        const char* name;
        uint8_t kind;
    } cases[] = {{"cadr", KBuiltin}, {"cr", KBuiltin}, {"cdaddr", KBuiltin},
                 {"c", KPlain},      {"cxr", KPlain},  {"car1", KPlain}};
    for (const Case& c : cases)
        EXPECT_EQ(intern(c.name)->kind(), c.kind) << c.name;
    EXPECT_EQ(findsym("c..r"), nullptr);
}

TEST_F(SymbolTest, DefiningAnExistingNameIsFatal) {
    try {
        definesym("master", KVariable, 1, nil);
        FAIL();
    } catch (const qm::CKestException& e) {
        EXPECT_EQ(e.Message(), "Symbol already defined: master");
    }
}

TEST_F(SymbolTest, PurgeKeepsThePredefinedSymbols) {
    int before = symbolcount();
    sym::master->kind() = KVariable;
    sym::master->value() = mkstr("five");
    sym::master->plist() = read("(colour red)");
    KernelSyms.literal->value() = mkint(3);
    KernelSyms.RezoMode->value() = KernelSyms.t;
    sym::model->kind() = KFunction;
    sym::model->value() = read("(lam (x) x)");
    intern("madeByTheRun");
    purgesymbols();
    EXPECT_EQ(symbolcount(), before);
    EXPECT_EQ(findsym("madeByTheRun"), nullptr);
    EXPECT_EQ(sym::master->kind(), KPlain);
    EXPECT_EQ(sym::master->value(), nil);
    EXPECT_EQ(sym::master->plist(), nil);
    EXPECT_EQ(KernelSyms.literal->value(), nil);
    EXPECT_EQ(KernelSyms.RezoMode->value(), nil);
    EXPECT_EQ(sym::model->kind(), KPlain);
    EXPECT_EQ(sym::model->value(), nil);
    EXPECT_EQ(findsym("master"), sym::master);
}

TEST_F(SymbolTest, ChainsAreSorted) {
    for (const char* name : {"zz", "Az", "aZ", "za", "b;", "ab"})
        intern(name);
    for (const char* name : {"zz", "Az", "aZ", "za", "b;", "ab", "master", "nil"})
        EXPECT_STREQ(findsym(name)->name, name);
}

// Names that differ only in their digits crowd into few buckets. Every one
// is found as itself, the chains stay sorted, and the names made after a
// mark leave the table when it is restored while the older ones stay.
TEST_F(SymbolTest, CrowdedNamesAreFoundAndLeaveWithTheirMark) {
    intern("keptClass7");
    savemark();
    std::vector<Symbol*> made;
    for (int i = 0; i < 3000; ++i)
        made.push_back(intern(("Class" + std::to_string(i)).c_str()));
    for (int i = 0; i < 3000; i += 7)
        EXPECT_EQ(findsym(("Class" + std::to_string(i)).c_str()), made[i]) << i;
    for (Symbol* head : symbolbuckets)
        for (Symbol* s = head; s != nullptr && s->next != nullptr; s = s->next)
            EXPECT_LT(std::strcmp(s->name, s->next->name), 0);
    restoremark();
    for (const char* gone : {"Class0", "Class1234", "Class2999"})
        EXPECT_EQ(findsym(gone), nullptr) << gone;
    EXPECT_STREQ(findsym("keptClass7")->name, "keptClass7");
    EXPECT_STREQ(intern("Class17")->name, "Class17");
}

class ChannelTest : public KernelTest {};

class RecordingSocket : public ChannelSocket {
  public:
    size_t Receive(char* buffer, size_t n) override {
        size_t take = std::min(n, incoming.size());
        incoming.copy(buffer, take);
        incoming.erase(0, take);
        return take;
    }
    void Send(const char* text, size_t n) override { sent.append(text, n); }
    std::string incoming;
    std::string sent;
};

TEST_F(ChannelTest, ClosingUnlistedChannelsDoesNothing) {
    closechan(stdchans.out);
    closechan(stdchans.in);
    Channel* ch = mkbufchan(64, ChanWrite, nullptr, true);
    closechan(ch);
    closechan(ch);
    EXPECT_EQ(openchancount(), 0);
}

TEST_F(ChannelTest, CloseAllClosesEveryFile) {
    bool closed[3] = {};
    for (bool& c : closed) {
        auto* file = new TrickleFile("", 1);
        file->closed = &c;
        mkfilechan(file, ChanRead, true);
    }
    EXPECT_EQ(openchancount(), 3);
    closeallchans();
    EXPECT_EQ(openchancount(), 0);
    for (bool c : closed)
        EXPECT_TRUE(c);
}

TEST_F(ChannelTest, ClosedFilesGiveTheirBuffersBack) {
    // A generator writing thousands of files keeps only the small channel
    // records on the heap: the buffers go back at each close.
    const size_t before = heapbytes();
    constexpr int kFiles = 2000;
    for (int i = 0; i < kFiles; ++i) {
        Channel* ch = mkfilechan(new TrickleFile("", 1), ChanWrite, true);
        chanprintf(0, ch, "line", nullptr);
        if (i % 2 == 0)
            closechan(ch);
    }
    closeallchans();
    EXPECT_EQ(openchancount(), 0);
    EXPECT_LT(heapbytes() - before, kFiles * ChannelBufferSize / 8);
}

TEST_F(ChannelTest, ResetOfAFileChannelFails) {
    auto* file = new TrickleFile("", 1);
    Channel* ch = mkfilechan(file, ChanRead, true);
    EXPECT_THROW(resetbufchan(ch), qm::CIgnoreException);
    ASSERT_FALSE(prompts.asked.empty());
    EXPECT_NE(prompts.asked.back().find("resetbufchan: invoked for non-buffer channel"),
              std::string::npos);
    closechan(ch);
    Channel* buf = mkbufchan(64, ChanRead, nullptr, false);
    chanprintf(0, buf, "abc", nullptr);
    resetbufchan(buf);
    EXPECT_EQ(buf->count, 0);
    EXPECT_EQ(readexpr(buf), KernelSyms.eof);
}

TEST_F(ChannelTest, BufferChannelsDropOrSend) {
    Channel* log = mkbufchan(8, ChanWrite, nullptr, false);
    EXPECT_EQ(chanprintf(0, log, "abcd", nullptr), 4);
    chanprintf(0, log, "efghij", nullptr); // would not fit: dropped
    EXPECT_EQ(pendingtext(log), "abcd");
    RecordingSocket socket;
    Channel* net = mkbufchan(8, ChanReadWrite, &socket, false);
    chanprintf(0, net, "abcd", nullptr);
    chanprintf(0, net, "efghij", nullptr);
    EXPECT_EQ(socket.sent, "abcd");
    EXPECT_EQ(pendingtext(net), "efghij");
    chanprintf(0, net, "0123456789012345678901", nullptr); // longer than the buffer
    EXPECT_EQ(socket.sent + pendingtext(net), "abcdefghij0123456789012345678901");
    EXPECT_EQ(mkbufchan(100000, ChanWrite, nullptr, false)->size, 4097);
}

TEST_F(ChannelTest, SocketChannelsReadInReceives) {
    RecordingSocket socket;
    socket.incoming = "(send 1 2)\n(second \"expression\")\n";
    Channel* net = mkbufchan(5, ChanReadWrite, &socket, false);
    EXPECT_EQ(printstring(readexpr(net)), "(send 1 2)");
    EXPECT_EQ(printstring(readexpr(net)), "(second \"expression\")");
    EXPECT_EQ(readexpr(net), KernelSyms.eof);
}

TEST_F(ChannelTest, FilesOnDisk) {
    char path[] = "/tmp/kestchanXXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    savemark();
    Channel* out = openfilechan(path, ChanWrite, true);
    ASSERT_NE(out, nullptr);
    prettyprint(fileheader(false, sym::project, nullptr, nullptr), out, 0, 0);
    prettyprint(read("(master \"A\" (attribute \"x\"))"), out, 0, 0);
    closechan(out);
    Channel* in = openfilechan(path, ChanRead, true);
    ASSERT_NE(in, nullptr);
    double version = 0;
    fileheader(false, sym::project, readexpr(in), &version);
    EXPECT_EQ(version, 8.0);
    EXPECT_EQ(printstring(readexpr(in)), "(master \"A\" (attribute \"x\"))");
    EXPECT_EQ(readexpr(in), KernelSyms.eof);
    closechan(in);
    restoremark();
    EXPECT_EQ(openfilechan("/nonexistent/dir/file", ChanRead, true), nullptr);
    std::remove(path);
}

// A file written through a channel reaches the disk in blocks, with the same
// bytes in the same order whatever the sizes of the pieces, and whatever the
// others see of it before the close is what flushfiles handed over.
TEST_F(ChannelTest, FileWritesAreHeldUntilFlushOrClose) {
    char path[] = "/tmp/kestheldXXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const auto onDisk = [&] {
        std::string text;
        FILE* f = std::fopen(path, "rb");
        for (int c; f != nullptr && (c = std::fgetc(f)) != EOF;)
            text += static_cast<char>(c);
        if (f != nullptr)
            std::fclose(f);
        return text;
    };
    Channel* out = openfilechan(path, ChanWrite, true);
    ASSERT_NE(out, nullptr);
    std::string expected;
    for (int i = 0; i < 40; ++i) {
        const std::string line = "line " + std::to_string(i) + "\n";
        chanprintf(0, out, line.c_str(), nullptr);
        expected += line;
    }
    chanprintf(0, out, "unfinished", nullptr);
    EXPECT_EQ(onDisk(), "") << "each line was written on its own";
    flushfiles();
    EXPECT_EQ(onDisk(), expected) << "the unfinished line stays in the channel";
    // A piece larger than a block goes out in order after what was held.
    const std::string big(PosixFile::WriteBlock + 100, 'b');
    chanprintf(0, out, "\nheld\n", nullptr);
    static_cast<PosixFile*>(out->file)->Write(big.data(), big.size());
    expected += "unfinished\nheld\n" + big;
    EXPECT_EQ(onDisk(), expected);
    chanprintf(0, out, "tail", nullptr);
    closechan(out);
    EXPECT_EQ(onDisk(), expected + "tail\n");
    std::remove(path);
}

// A failed write is reported when the held text goes out: at the latest by
// the close, so that a file that could not be written is never taken as saved.
TEST_F(ChannelTest, AWriteFailureIsReportedByTheClose) {
    if (::access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    Channel* out = openfilechan("/dev/full", ChanWrite, true);
    ASSERT_NE(out, nullptr);
    chanprintf(0, out, "a line\n", nullptr);
    try {
        closechan(out);
        ADD_FAILURE() << "the close did not report the failed write";
    } catch (const qm::CKestException& e) {
        EXPECT_NE(std::string(e.what()).find("can't write file"), std::string::npos) << e.what();
    }
    EXPECT_EQ(openchancount(), 0);
    // The destructor of a file never closed gives up quietly.
    auto* dropped = new PosixFile("/dev/full", ChanWrite);
    dropped->Write("x\n", 2);
    EXPECT_EQ(dropped->Held(), 2u);
    delete dropped;
}

} // namespace
} // namespace kest::test
