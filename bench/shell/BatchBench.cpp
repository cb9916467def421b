// The phases of a batch run over a generated project of 20,000 classes (100
// diagrams, 20,000 places, 30,000 links): start-up (the environment and the
// command line), opening the project, a generation script up to its first
// line of output and to its end, saving, and the end of the run; then the
// same again as a batch that only opens and saves. With the path of the
// quillmark program as the first argument, the two batches are also run as
// whole processes and timed from outside.
//
// usage: bench_batch [quillmark] [classes]
#include "bench/document/ProjectGenerator.h"
#include "document/CCASEDoc.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Process.h"
#include "platform/Prompt.h"
#include "platform/UserFolders.h"
#include "scripting/ScriptRunners.h"
#include "shell/CommandLine.h"
#include "shell/Environment.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void Phase(const char* name, double ms) {
    std::printf("  %-34s %10.1f ms\n", name, ms);
}

} // namespace

int main(int argc, char** argv) {
    const std::string program = argc > 1 ? argv[1] : "";
    const int classes = argc > 2 ? std::atoi(argv[2]) : 20000;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("qm-bench-batch-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "Scripts/CodeGen");
    std::filesystem::create_directories(folder / "Notations");
    std::filesystem::create_directories(folder / "config");
    setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    qm::SetApplicationFolder(folder.string());

    qm::bench::ProjectShape shape;
    shape.classes = classes;
    shape.placesPerDiagram = classes / shape.diagrams;
    shape.linksPerDiagram = shape.placesPerDiagram * 3 / 2;
    const std::string project = (folder / "big.pro").string();
    qm::WriteFileReplacing(project, qm::bench::GenerateProject(shape));
    // A stand-in generator: one line of output, then a walk over a list as
    // long as the project's classes.
    qm::WriteFileReplacing((folder / "Scripts/CodeGen/Lines.vxs").string(),
                           ";$Verbose\n"
                           "(def KestMain (lam (scope name target extra e n)\n"
                           "  (print 'started name)\n"
                           "  (setq i 0)\n"
                           "  (do " +
                               std::to_string(classes) +
                               " (setq i (+ i 1)))\n"
                               "  (print 'done i)))\n");

    qm::HeadlessPrompts prompts;
    qm::ScopedPromptService installPrompts(&prompts);
    qm::NullLogSink log;
    qm::ScopedLogSink installLog(&log);

    std::printf("batch over a project of %d classes (%s)\n", classes, project.c_str());
    for (int withScript = 1; withScript >= 0; --withScript) {
        std::printf(withScript ? "open, generate, save, exit:\n" : "open and save only:\n");
        const Clock::time_point start = Clock::now();
        auto environment = std::make_unique<qm::Environment>();
        qm::BatchCommandLineInfo commandLine(environment->Settings());
        commandLine.ParseCommandLine(
            {project, "-batch", "-exit", "-save=" + (folder / "out.pro").string()});
        const Clock::time_point started = Clock::now();
        qm::CCASEDoc* document = environment->OpenDocumentFile(project);
        const Clock::time_point opened = Clock::now();
        if (document == nullptr) {
            std::printf("  the project did not open\n");
            return 1;
        }
        Clock::time_point generated = opened;
        if (withScript) {
            qm::ScriptOptionList options;
            qm::ReadScriptOptions((folder / "Scripts/CodeGen/Lines.vxs").string(), options);
            qm::WriteGeneratedOutput(qm::TaskCodeGen,
                                     (folder / "Scripts/CodeGen/Lines.vxs").string(),
                                     folder.string(), "x", options, *document, nullptr, true);
            generated = Clock::now();
        }
        document->SaveToFile(commandLine.saveAs);
        const Clock::time_point saved = Clock::now();
        environment.reset();
        const Clock::time_point ended = Clock::now();
        Phase("start-up (environment, command line)", Ms(start, started));
        Phase("open project", Ms(started, opened));
        if (withScript) {
            Phase("script: load and run", Ms(opened, generated));
            Phase("start-up to the script's start*", Ms(start, opened));
        }
        Phase("save project", Ms(generated, saved));
        Phase("end of run (documents closed)", Ms(saved, ended));
        Phase("total", Ms(start, ended));
    }
    std::printf("  * the script's first line runs right after: start-up and opening come first\n");

    if (!program.empty()) {
        // The program finds its scripts beside itself.
        const std::filesystem::path programScripts =
            std::filesystem::path(program).parent_path() / "Scripts/CodeGen";
        std::filesystem::create_directories(programScripts);
        std::filesystem::copy_file(folder / "Scripts/CodeGen/Lines.vxs",
                                   programScripts / "BenchLines.vxs",
                                   std::filesystem::copy_options::overwrite_existing);
        for (int withScript = 1; withScript >= 0; --withScript) {
            std::vector<std::string> argv2 = {program, project, "-batch", "-exit",
                                              "-save=" + (folder / "out2.pro").string()};
            if (withScript) {
                argv2.push_back("-script=CodeGen/BenchLines.vxs");
                argv2.push_back("-folder=" + folder.string());
                argv2.push_back("-file=x");
            }
            const Clock::time_point start = Clock::now();
            const int code = qm::SpawnProcess(argv2, qm::SpawnMode::Wait);
            std::printf("whole process, %s: %.1f ms (exit code %d)\n",
                        withScript ? "open, generate, save" : "open and save",
                        Ms(start, Clock::now()), code);
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    if (!program.empty())
        std::filesystem::remove(
            std::filesystem::path(program).parent_path() / "Scripts/CodeGen/BenchLines.vxs", ec);
    return 0;
}
