// Opening a project as a whole process: `quillmark <project> -batch -exit`
// (start, read the project, close it, end) for generated projects of 2,000,
// 5,000 and 20,000 classes in 100 diagrams and in one. Beside each, the
// reference: a process that only reads the file's bytes (`dd` to /dev/null),
// and a process of the program that starts and ends without a project. Wall
// times, the best of five runs. Goal: 20,000 classes under 0.5 s.
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

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// The best wall time of five runs of argv, in milliseconds; -1 when a run fails.
double BestOfFive(const std::vector<std::string>& argv) {
    double best = 1e30;
    for (int run = 0; run < 5; ++run) {
        const Clock::time_point start = Clock::now();
        if (qm::SpawnProcess(argv, qm::SpawnMode::Wait) != 0)
            return -1;
        best =
            std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
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

    std::printf("start-up and exit only: %.1f ms\n",
                BestOfFive({program, "-batch", "-exit", "-new=<Internal>",
                            "-save=" + (folder / "empty.pro").string()}));
    std::printf("%8s %9s %10s %14s %14s %7s\n", "classes", "diagrams", "MB", "read bytes ms",
                "open ms", "ratio");
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
            const double read =
                BestOfFive({"dd", "if=" + project, "of=/dev/null", "bs=1M", "status=none"});
            const double open = BestOfFive({program, project, "-batch", "-exit"});
            std::printf("%8d %9d %10.1f %14.1f %14.1f %7.1f\n", classes, diagrams,
                        double(text.size()) / 1e6, read, open, open / read);
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
