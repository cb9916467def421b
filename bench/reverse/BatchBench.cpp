// Reverse engineering as a whole process, as a user runs it: the program in
// batch mode reads a tree of sources into a new project (parse, masters,
// places and links, layout) and saves it. Beside it, in paired rounds,
// Universal Ctags over the same tree (ctags -R). The trees are the installed
// Qt 6 headers and java.util of the JDK 17 sources (unpacked from the JDK's
// src.zip into a scratch folder); either is left out when it is missing.
//
//   bench_reverse_batch [rounds] [folder language]...
//
// Prints, per tree, the files, the best and the median wall time and the
// best processor time (user + system) of both, and the ratios.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef QM_PROGRAM
#error "QM_PROGRAM names the program to run"
#endif

namespace {

namespace fs = std::filesystem;

struct Times {
    double wall = 0;
    double cpu = 0;
    int status = -1;
};

// Runs the command (argv[0] searched on PATH) with its output thrown away;
// the wall time and the child's processor time.
Times Run(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& word : command) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    Times times;
    std::fflush(stdout); // else the child writes what is buffered again
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        std::FILE* sink = std::freopen("/dev/null", "w", stdout);
        sink = std::freopen("/dev/null", "w", stderr);
        (void)sink;
        execvp(argv[0], argv.data());
        _exit(127);
    }
    if (child < 0) {
        return times;
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    times.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    times.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    times.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return times;
}

// The files of a tree with the extension, sorted, written one a line.
size_t WriteList(const fs::path& folder, const std::string& extension, const fs::path& list) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.path().extension() == extension) {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    std::ofstream out(list);
    for (const std::string& file : files) {
        out << file << '\n';
    }
    return files.size();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double Best(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

struct Tree {
    std::string name;
    fs::path folder;
    std::string language; // -revLang
    std::string extension;
};

void Measure(const Tree& tree, const fs::path& scratch, int rounds, bool haveCtags) {
    const fs::path list = scratch / (tree.name + ".txt");
    const size_t files = WriteList(tree.folder, tree.extension, list);
    const fs::path empty = scratch / "empty.pro";
    const fs::path project = scratch / (tree.name + ".pro");
    const fs::path tags = scratch / (tree.name + ".tags");
    std::vector<double> ourWall, ourCpu, ctagsWall, ctagsCpu;
    int failures = 0;
    for (int round = 0; round < rounds; ++round) {
        fs::copy_file(empty, project, fs::copy_options::overwrite_existing);
        const Times ours = Run({QM_PROGRAM, project.string(), "-batch", "-revLang=" + tree.language,
                                "-add=" + list.string(), "-save", "-exit"});
        failures += ours.status != 0 ? 1 : 0;
        ourWall.push_back(ours.wall);
        ourCpu.push_back(ours.cpu);
        if (haveCtags) {
            const Times ctags = Run({"ctags", "-R", "-f", tags.string(), tree.folder.string()});
            ctagsWall.push_back(ctags.wall);
            ctagsCpu.push_back(ctags.cpu);
        }
    }
    std::printf("%-10s %6zu %9.3f %9.3f %9.3f", tree.name.c_str(), files, Best(ourWall),
                Median(ourWall), Best(ourCpu));
    if (haveCtags) {
        std::printf(" %9.3f %9.3f %9.3f %7.2fx %7.2fx", Best(ctagsWall), Median(ctagsWall),
                    Best(ctagsCpu), Best(ourWall) / Best(ctagsWall), Best(ourCpu) / Best(ctagsCpu));
    }
    std::printf("%s\n", failures != 0 ? "  (runs with errors)" : "");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const fs::path scratch = fs::temp_directory_path() / "qm-reverse-batch-bench";
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    // A settings and runtime folder of the benchmark's own.
    setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (scratch / "data").c_str(), 1);
    setenv("XDG_CACHE_HOME", (scratch / "cache").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (scratch / "runtime").c_str(), 1);
    fs::create_directories(scratch / "runtime");
    fs::permissions(scratch / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    if (Run({QM_PROGRAM, "-batch", "-exit", "-new=<Internal>",
             "-save=" + (scratch / "empty.pro").string()})
            .status != 0) {
        std::fprintf(stderr, "cannot make an empty project with %s\n", QM_PROGRAM);
        return 1;
    }
    std::vector<Tree> trees;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string language = argv[i + 1];
        trees.push_back({fs::path(argv[i]).filename().string(), argv[i], language,
                         language == "Java" ? ".java" : ".h"});
    }
    if (trees.empty()) {
        const fs::path qt = "/usr/include/x86_64-linux-gnu/qt6";
        if (fs::is_directory(qt)) {
            trees.push_back({"qt6", qt, "C++", ".h"});
        }
        const fs::path zip = "/usr/lib/jvm/openjdk-17/lib/src.zip";
        const fs::path jdk = scratch / "jdk";
        if (fs::exists(zip) &&
            Run({"unzip", "-q", "-o", zip.string(), "java.base/java/util/*", "-d", jdk.string()})
                    .status == 0) {
            trees.push_back({"java.util", jdk / "java.base/java/util", "Java", ".java"});
        }
    }
    const bool haveCtags = Run({"ctags", "--version"}).status == 0;
    std::printf("%d paired rounds; seconds (wall best, wall median, processor best)\n", rounds);
    std::printf("%-10s %6s %9s %9s %9s", "tree", "files", "ours", "median", "cpu");
    if (haveCtags) {
        std::printf(" %9s %9s %9s %8s %8s", "ctags", "median", "cpu", "wall", "cpu");
    }
    std::printf("\n");
    for (const Tree& tree : trees) {
        Measure(tree, scratch, rounds, haveCtags);
    }
    fs::remove_all(scratch);
    return 0;
}
