// Opening a project as a whole process: `quillmark <project> -batch -exit`
// (start, read the project, close it, end) for generated projects of 2,000,
// 5,000 and 20,000 classes in 100 diagrams and in one. Beside each, the
// reference: a process that only reads the file's bytes (`dd` to /dev/null),
// and a process of the program that starts and ends without a project. Wall
// times, the best of five runs, and the page faults of a run (the mean).
// Goal: 20,000 classes under 0.5 s.
//
// usage: bench_open_process <quillmark>
#include "bench/document/ProjectGenerator.h"
#include "platform/Files.h"
#include "platform/Process.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Runs {
    double bestMs = -1; // the best wall time, -1 when a run fails
    long faults = 0;    // page faults of one run (the mean over the runs)
};

long ChildFaults() {
    struct rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}

// Five runs of argv.
Runs BestOfFive(const std::vector<std::string>& argv) {
    Runs runs;
    double best = 1e30;
    const long faultsBefore = ChildFaults();
    for (int run = 0; run < 5; ++run) {
        const Clock::time_point start = Clock::now();
        if (qm::SpawnProcess(argv, qm::SpawnMode::Wait) != 0)
            return runs;
        best =
            std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    runs.bestMs = best;
    runs.faults = (ChildFaults() - faultsBefore) / 5;
    return runs;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <quillmark>\n", argv[0]);
        return 2;
    }
    const std::string program = argv[1];
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("qm-bench-open-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "config");
    setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    const Runs empty = BestOfFive({program, "-batch", "-exit", "-new=<Internal>",
                                   "-save=" + (folder / "empty.pro").string()});
    std::printf("start-up and exit only: %.1f ms, %ld page faults\n", empty.bestMs, empty.faults);
    std::printf("%8s %9s %8s %14s %12s %9s %7s %8s\n", "classes", "diagrams", "MB", "read bytes ms",
                "read faults", "open ms", "ratio", "faults");
    for (int diagrams : {100, 1}) {
        for (int classes : {2000, 5000, 20000}) {
            qm::bench::ProjectShape shape;
            shape.classes = classes;
            shape.diagrams = diagrams;
            shape.placesPerDiagram = classes / diagrams;
            shape.linksPerDiagram = shape.placesPerDiagram * 3 / 2;
            const std::string project =
                (folder / ("p" + std::to_string(classes) + "-" + std::to_string(diagrams) + ".pro"))
                    .string();
            const std::string text = qm::bench::GenerateProject(shape);
            qm::WriteFileReplacing(project, text);
            const Runs read =
                BestOfFive({"dd", "if=" + project, "of=/dev/null", "bs=1M", "status=none"});
            const Runs open = BestOfFive({program, project, "-batch", "-exit"});
            std::printf("%8d %9d %8.1f %14.1f %12ld %9.1f %7.1f %8ld\n", classes, diagrams,
                        double(text.size()) / 1e6, read.bestMs, read.faults, open.bestMs,
                        open.bestMs / read.bestMs, open.faults);
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
