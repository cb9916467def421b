// Reverse-engineering real source trees, file by file as a run does (one
// SourceParser for all files, each file opened, parsed and closed): the Java
// sources of java/util from a JDK source archive (the folder that holds
// java/util, given by QM_JAVA_SOURCES or unpacked by the build) with the Java
// parser, and the installed Qt 6 headers with the C++ parser, in the same run. Prints both rates in
// MB/s and their ratio.
#include "BenchCorpus.h"

#include "platform/Log.h"
#include "reverse/SourceLanguage.h"
#include "reverse/SourceParser.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace qm;

using bench::Corpus;
using bench::FilesBelow;

const Corpus& JavaUtil() {
    static const Corpus corpus = [] {
        const std::string root = bench::JavaSourcesRoot();
        return !root.empty() ? FilesBelow(root + "/java/util", ".java") : Corpus();
    }();
    return corpus;
}

const Corpus& QtHeaders() {
    static const Corpus corpus = FilesBelow(bench::kQtHeaders, "");
    return corpus;
}

void Reverse(benchmark::State& state, const Corpus& corpus, int language) {
    NullLogSink log;
    ScopedLogSink scope(&log);
    for (auto _ : state) {
        SourceParser parser(nullptr, language);
        for (const std::string& path : corpus.files) {
            parser.ParseSourceFile(path);
        }
        benchmark::DoNotOptimize(parser.First());
    }
    state.SetBytesProcessed(state.iterations() * corpus.bytes);
    state.counters["files"] = static_cast<double>(corpus.files.size());
}

void BM_JavaUtil(benchmark::State& state) {
    Reverse(state, JavaUtil(), kLangJava);
}

void BM_QtHeadersCpp(benchmark::State& state) {
    Reverse(state, QtHeaders(), kLangCpp);
}

BENCHMARK(BM_JavaUtil)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5);
BENCHMARK(BM_QtHeadersCpp)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5);

// Keeps each benchmark's median rate so that the two can be compared.
class RateReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                auto bytes = run.counters.find("bytes_per_second");
                if (bytes != run.counters.end()) {
                    rates[run.run_name.function_name] = bytes->second.value / 1e6;
                }
            }
        }
    }
    std::map<std::string, double> rates;
};

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (JavaUtil().files.empty()) {
        std::printf("skipped: set QM_JAVA_SOURCES to the folder that holds java/util\n");
        return 0;
    }
    std::printf("java/util: %zu files, %lld bytes; Qt headers: %zu files, %lld bytes\n",
                JavaUtil().files.size(), static_cast<long long>(JavaUtil().bytes),
                QtHeaders().files.size(), static_cast<long long>(QtHeaders().bytes));
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double java = reporter.rates["BM_JavaUtil"];
    double cpp = reporter.rates["BM_QtHeadersCpp"];
    std::printf("Java parser on java/util: %.1f MB/s; C++ parser on the Qt headers: %.1f MB/s",
                java, cpp);
    if (cpp > 0) {
        std::printf(" (ratio %.2f)", java / cpp);
    }
    std::printf("\n");
    benchmark::Shutdown();
    return 0;
}
