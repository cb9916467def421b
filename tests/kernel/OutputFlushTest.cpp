// Output is never dropped: text printed to a file channel without a final
// line end is written out when the channel is flushed, at a run's end and
// when the process ends; the kest driver prints it before each value.
#include "tests/kernel/KernelFixture.h"

#include <cstdio>
#include <string>

namespace kest::test {
namespace {

using OutputFlushTest = KernelTest;

TEST_F(OutputFlushTest, PendingLineIsWrittenWhole) {
    LocalChannel out;
    printval(PmPrinc, mkstr("abc"), out.get(), 0);
    flushpending(out.get());
    EXPECT_EQ(out.get()->count, 0);
    printval(PmPrinc, mkstr("de"), out.get(), 0);
    flushpending(out.get());
    EXPECT_EQ(out.Text(), "abcde");
}

TEST_F(OutputFlushTest, RunEndFlushesTheStandardChannels) {
    MemoryFile file;
    Channel* saved = stdchans.out;
    stdchans.out = mkfilechan(&file, ChanWrite, false);
    printval(PmPrinc, mkstr("no line end"), stdchans.out, 0);
    EXPECT_EQ(file.Text(), "");
    closeallchans();
    EXPECT_EQ(file.Text(), "no line end");
    stdchans.out = saved;
}

// The driver's standard output for one -e argument.
std::string KestOutput(const std::string& expression) {
    std::string command = std::string(KEST_TOOL) + " -e '" + expression + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return "<no pipe>";
    std::string out;
    char buffer[256];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    ::pclose(pipe);
    return out;
}

TEST(KestDriver, PrintedTextComesBeforeEachValue) {
    struct Case {
        const char* expression;
        const char* output;
    } cases[] = {
        {"(princ \"x\")", "xt\n"},
        {"(princ \"a\") (print 5) (princ \"b\")", "at\n5t\nbt\n"},
        {"(list (princ \"a\") (princ \"b\") 7)", "ab(t t 7)\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KestOutput(c.expression), c.output) << c.expression;
}

} // namespace
} // namespace kest::test
