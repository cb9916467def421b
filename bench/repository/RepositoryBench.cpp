// Checking a 20 MB project in and out over the loopback address against the
// test server, beside the reference of the same bytes sent raw from one
// socket to another in 4096-byte writes, in the same run. The goal: at least
// 200 MB/s each way.
#include "platform/Files.h"
#include "platform/Prompt.h"
#include "platform/Socket.h"
#include "repository/RepositorySession.h"
#include "tests/repository/RepositoryTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <benchmark/benchmark.h>

#include <string>
#include <thread>
#include <unistd.h>

namespace {

using namespace qm;

constexpr size_t kProjectBytes = 20 * 1024 * 1024;

std::string ProjectBytes() {
    std::string bytes = "(Quillmark \"8.0\" project)\n";
    bytes.reserve(kProjectBytes);
    for (size_t i = 0; bytes.size() < kProjectBytes; ++i)
        bytes += static_cast<char>("(master \"Name\" class)\n"[i % 22]);
    return bytes;
}

struct Bench {
    Bench() : installed(&prompts) {
        host.port = server.PortText();
        WriteFileReplacing(work / "project.pro", ProjectBytes());
        session.CreateFolder("Bench\\", "");
    }
    HeadlessPrompts prompts;
    ScopedPromptService installed;
    testing::TestServer server;
    ScratchFolder work;
    testing::FakeHost host;
    testing::FakeStamps stamps;
    RepositorySession session{host, stamps};
};

Bench& TheBench() {
    static Bench bench;
    return bench;
}

void BM_CheckIn20MB(benchmark::State& state) {
    Bench& bench = TheBench();
    for (auto _ : state) {
        std::string version;
        if (!bench.session.CheckIn("Bench\\Project\\", "", bench.work / "project.pro", false,
                                   version))
            state.SkipWithError("check-in failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kProjectBytes));
}

void BM_CheckOut20MB(benchmark::State& state) {
    Bench& bench = TheBench();
    std::string version;
    bench.session.CheckIn("Bench\\Project\\", "", bench.work / "project.pro", false, version);
    const std::string local = bench.work / "checked-out.pro";
    for (auto _ : state) {
        state.PauseTiming();
        ::unlink(local.c_str());
        state.ResumeTiming();
        bench.session.CheckOut("Bench\\Project\\", "", local, false);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kProjectBytes));
    if (FileSize(local).value_or(0) != FileSize(bench.work / "project.pro").value_or(1))
        state.SkipWithError("checked-out file differs in size");
}

// The reference: the same number of bytes from one loopback socket to
// another, 4096 bytes a write, with no framing and no files.
void BM_RawLoopback20MB(benchmark::State& state) {
    int listener = -1;
    const uint16_t port = testing::PickPorts(1, [&](uint16_t p) {
        listener = ListenTcp(nullptr, p, 1, nullptr);
        return listener >= 0;
    });
    const std::string block(4096, 'x');
    for (auto _ : state) {
        std::thread sender([&] {
            const int fd = ConnectTcp("127.0.0.1", port, 5000);
            for (size_t sent = 0; sent < kProjectBytes; sent += block.size())
                SendAll(fd, block.data(), block.size(), 5000);
            CloseSocket(fd);
        });
        const int fd = AcceptTcp(listener, 5000);
        char buffer[4096];
        size_t got = 0;
        while (size_t n = ReceiveSome(fd, buffer, sizeof buffer, 5000))
            got += n;
        CloseSocket(fd);
        sender.join();
        benchmark::DoNotOptimize(got);
    }
    CloseSocket(listener);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kProjectBytes));
}

BENCHMARK(BM_RawLoopback20MB)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_CheckIn20MB)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_CheckOut20MB)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
