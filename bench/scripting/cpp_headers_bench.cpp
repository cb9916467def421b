// The shipped C++ header generator (resources/Scripts/CodeGen/CppHeaders.vxs)
// over a generated project of 20,000 classes (five attributes and five
// methods each), run as the generation runner runs it. Goal: under 3 s for
// 20,000 classes, and 50,000 classes within the default script memory (1 GB
// of cells, which a run keeps until it ends); run it for 5,000, 20,000 and
// 50,000 classes to see how time and memory grow.
//
// Where the time goes, each measured on its own in the same run:
//   - the whole generation into an empty folder, then again over the headers
//     it wrote (every header merged with its new text);
//   - property lists: a script that only lists and reads what the generator
//     reads (every link with its tool and ends, every master and its
//     members, by VxList and VxProps);
//   - file writing: a script that writes as many files of the same size with
//     fixed text;
//   - the rest, the generator's own evaluation (building the lines, strconc,
//     princ), is the whole less those two.
//
// The same program built as bench_java_classes measures the shipped Java
// generator (CodeGen/JavaClasses.vxs) the same way, and built as
// bench_html_pages the HTML documentation generator (DocGen/HtmlPages.vxs),
// which writes a page for each class and model and the pages that list them.
//
// Each size runs in a child process of its own, so that the peak memory
// shown is that size's alone.
//
// usage: bench_cpp_headers [classes...]   (default 5000 20000 50000;
//        the same for bench_java_classes, bench_html_pages)
#include "bench/document/ProjectGenerator.h"
#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "kernel/Cell.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Prompt.h"
#include "scripting/References.h"
#include "scripting/ScriptRunners.h"
#include "scripting/VxBuiltins.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#ifndef QM_GENERATOR
#define QM_GENERATOR "CodeGen/CppHeaders.vxs"
#endif
#ifndef QM_DOCUMENTS
#define QM_DOCUMENTS 0
#endif

namespace {

using Clock = std::chrono::steady_clock;

// Lists and reads what the generator reads, and nothing else.
const char* const kPropsOnly =
    "(def P (lam (pl k) (cadr (assoc k pl))))\n"
    "(def KestMain (lam (scope name target extra a b)\n"
    "  (mapa '(lam (model)\n"
    "     (mapa '(lam (link) (let ((lp (VxProps link)))\n"
    "                          (VxProps (P lp 'model))\n"
    "                          (VxProps (P (VxProps (P lp 'source)) 'master))\n"
    "                          (VxProps (P (VxProps (P lp 'target)) 'master))))\n"
    "           (VxList 'link model)))\n"
    "    (VxList 'model 'all))\n"
    "  (setq n 0)\n"
    "  (mapa '(lam (m)\n"
    "     (let ((mp (VxProps m)))\n"
    "       (mapa '(lam (k) (mapa 'VxProps (VxList k m))) '(type exception attribute method "
    "macro))\n"
    "       (setq n (+ n 1))))\n"
    "    (VxList 'master))\n"
    "  n))\n";

// Writes one file per class of about the size of a generated header.
std::string WriteOnly(int classes, size_t bytes) {
    std::string line(63, 'x');
    const size_t lines = bytes / 64 + 1;
    return "(def KestMain (lam (scope name target extra a b)\n"
           "  (setq i 0)\n"
           "  (do " +
           std::to_string(classes) +
           "\n"
           "    (setq ch (open (strconc target \"/File\" i \".h\") \"w\"))\n"
           "    (do " +
           std::to_string(lines) + " (princ \"" + line +
           "^n\" ch))\n"
           "    (close ch)\n"
           "    (setq i (+ i 1)))\n"
           "  i))\n";
}

qm::RecordingLogSink runLog;

struct Times {
    double wall = 0; // ms
    double user = 0; // ms of processor time in the program
    double sys = 0;  // ms of processor time in the system (files)
    size_t heap = 0; // the most bytes of script memory (the cell heap) the run took
};

double CpuMs(const timeval& t) {
    return t.tv_sec * 1000.0 + t.tv_usec / 1000.0;
}

// Runs a script as the generation runner does; a script error or a kernel
// failure is shown, since the figures of a failed run mean nothing.
Times Run(const std::string& script, const std::string& folder, qm::CCASEDoc& project) {
    runLog.Clear();
    qm::ScriptOptionList options;
    qm::ReadScriptOptions(script, options);
    const size_t heapBefore = kest::heapbytes();
    kest::resetheappeak();
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const Clock::time_point start = Clock::now();
    qm::WriteGeneratedOutput(QM_DOCUMENTS ? qm::TaskDocGen : qm::TaskCodeGen, script, folder, "",
                             options, project, nullptr, true);
    Times ms;
    ms.wall = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    ms.user = CpuMs(after.ru_utime) - CpuMs(before.ru_utime);
    ms.sys = CpuMs(after.ru_stime) - CpuMs(before.ru_stime);
    ms.heap = kest::heappeak() - heapBefore;
    qm::References().Reset();
    const std::string text = runLog.Text();
    const size_t error = text.find("ERROR");
    if (error != std::string::npos)
        std::printf("  %s: %s\n", script.c_str(), text.substr(error, 300).c_str());
    return ms;
}

size_t FolderBytes(const std::string& folder, size_t& files) {
    size_t bytes = 0;
    files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) {
            bytes += entry.file_size();
            ++files;
        }
    return bytes;
}

} // namespace

int RunSize(int classes) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("qm-bench-cpp-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "headers");
    std::filesystem::create_directories(folder / "props");
    std::filesystem::create_directories(folder / "written");

    qm::SetLogSink(&runLog);
    qm::HeadlessPrompts prompts;
    qm::SetPromptService(&prompts);
    qm::InstallVxBuiltins();
    kest::initkernel();
    qm::SetGuidStoreMode(qm::GuidNoStore);
    qm::Profile settings;
    settings.Language = "C++";
    qm::TemplateCache templates;
    qm::DocumentContext context;
    context.profile = &settings;
    context.templates = &templates;

    qm::bench::ProjectShape shape;
    shape.classes = classes;
    shape.placesPerDiagram = classes / shape.diagrams;
    shape.linksPerDiagram = shape.placesPerDiagram * 3 / 2;
    auto project = std::make_unique<qm::CCASEDoc>(context, true);
    project->LoadText(qm::bench::GenerateProject(shape));
    project->SetPathName((folder / "big.pro").string());
    project->Profile().flags = (project->Profile().flags & ~7u) | 4u; // all models

    const std::string generator = QM_SCRIPTS "/" QM_GENERATOR;
    std::printf("the shipped generator %s over %d classes (%d attributes, %d methods each)\n",
                QM_GENERATOR, classes, shape.attributesPerClass, shape.methodsPerClass);
    const Times first = Run(generator, (folder / "headers").string(), *project);
    // QM_BENCH_KEEP names a folder that keeps what the generator wrote, first
    // into the empty folder and then over it, to compare the output of two
    // builds.
    const char* keep = std::getenv("QM_BENCH_KEEP");
    if (keep != nullptr && *keep != '\0') {
        const std::filesystem::path kept =
            std::filesystem::path(keep) / (std::to_string(classes) + "-first");
        std::error_code ec;
        std::filesystem::remove_all(kept, ec);
        std::filesystem::create_directories(kept, ec);
        std::filesystem::copy(folder / "headers", kept, std::filesystem::copy_options::recursive,
                              ec);
    }
    size_t files = 0;
    const size_t bytes = FolderBytes((folder / "headers").string(), files);
    const Times again = Run(generator, (folder / "headers").string(), *project);

    const std::string props = (folder / "props.vxs").string();
    qm::WriteFileReplacing(props, kPropsOnly);
    const Times propsMs = Run(props, (folder / "props").string(), *project);
    const std::string writer = (folder / "write.vxs").string();
    qm::WriteFileReplacing(writer, WriteOnly(classes, files == 0 ? 0 : bytes / files));
    const Times writeMs = Run(writer, (folder / "written").string(), *project);

    auto line = [](const char* what, const Times& t) {
        std::printf("  %-44s %9.1f ms wall, %9.1f ms program, %9.1f ms system\n", what, t.wall,
                    t.user, t.sys);
    };
    std::printf("  goal: under 3000 ms for 20,000 classes\n");
    line("generate into an empty folder", first);
    line("generate again, every header merged", again);
    std::printf("  %-44s %9zu files, %zu bytes\n", "files written", files, bytes);
    auto memory = [classes](const char* what, const Times& t) {
        std::printf("  %-44s %9.1f MB, %.1f KB a class (default limit %zu MB)\n", what,
                    static_cast<double>(t.heap) / 1048576.0,
                    static_cast<double>(t.heap) / 1024.0 / classes, kest::heaplimit() >> 20);
    };
    memory("script memory, into an empty folder", first);
    memory("script memory, generate again", again);
    line("property lists alone (VxList, VxProps)", propsMs);
    line("file writing alone (open, princ, close)", writeMs);
    Times rest{first.wall - propsMs.wall - writeMs.wall, first.user - propsMs.user - writeMs.user,
               first.sys - propsMs.sys - writeMs.sys};
    line("the rest: the generator's own evaluation", rest);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("  %-44s %9.1f MB (goal: under 1024 MB for 20,000 classes)\n",
                "peak memory of the process", static_cast<double>(usage.ru_maxrss) / 1024.0);
    std::error_code ec;
    if (keep != nullptr && *keep != '\0') {
        const std::filesystem::path kept = std::filesystem::path(keep) / std::to_string(classes);
        std::filesystem::remove_all(kept, ec);
        std::filesystem::create_directories(kept.parent_path(), ec);
        std::filesystem::rename(folder / "headers", kept, ec);
    }
    std::filesystem::remove_all(folder, ec);
    // A header or source file for each class; a page for each class and more.
    return (QM_DOCUMENTS ? files > static_cast<size_t>(classes)
                         : files == static_cast<size_t>(classes))
               ? 0
               : 1;
}

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {5000, 20000, 50000};
    int failed = 0;
    for (int classes : sizes) {
        std::fflush(stdout);
        const pid_t child = fork();
        if (child < 0)
            return 1;
        if (child == 0) {
            const int code = RunSize(classes);
            std::fflush(stdout);
            _exit(code);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::printf("  %d classes: the run failed\n", classes);
            failed = 1;
        }
    }
    return failed;
}
