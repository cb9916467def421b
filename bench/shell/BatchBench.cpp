// The phases of a batch run over a generated project of 20,000 classes (100
// diagrams, 20,000 places, 30,000 links) with the shipped C++ header
// generator (Scripts/CodeGen/CppHeaders.vxs): start-up (the environment and
// the command line), opening the project, loading the script up to the first
// line of its entry function, the generation itself and the end of the run;
// then a batch that only opens and saves the project. With the path of the
// quillmark program as the first argument, the two batches are also run as
// whole processes and timed from outside, beside a process that only starts
// and ends. Goal: start-up to the script's first line under 0.3 s.
//
// usage: bench_batch [quillmark] [classes]
#include "bench/document/ProjectGenerator.h"
#include "document/CCASEDoc.h"
#include "document/ProjectFile.h"
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
#include <vector>

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
    // The shipped generator, and the same file with an entry function that
    // returns at once: its run is the start of the generator's first line.
    const std::string generator = (folder / "Scripts/CodeGen/CppHeaders.vxs").string();
    const std::string shipped =
        qm::ReadFileText(QM_SCRIPTS "/CodeGen/CppHeaders.vxs", "Can't read the generator");
    qm::WriteFileReplacing(generator, shipped);
    const std::string loadOnly = (folder / "Scripts/CodeGen/LoadOnly.vxs").string();
    qm::WriteFileReplacing(loadOnly, shipped + "\n(def KestMain (lam (s n tg e a b) t))\n");

    qm::HeadlessPrompts prompts;
    qm::ScopedPromptService installPrompts(&prompts);
    qm::NullLogSink log;
    qm::ScopedLogSink installLog(&log);

    std::printf("batch over a project of %d classes (%s)\n", classes, project.c_str());
    for (int withScript = 1; withScript >= 0; --withScript) {
        std::printf(withScript ? "open, generate C++ headers, exit:\n" : "open, save, exit:\n");
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
        document->Profile().flags = (document->Profile().flags & ~7u) | 4u;
        Clock::time_point loaded = opened;
        Clock::time_point generated = opened;
        Clock::time_point saved = opened;
        size_t headers = 0;
        if (withScript) {
            const std::string target = (folder / "headers").string();
            std::filesystem::create_directories(target);
            qm::ScriptOptionList options;
            qm::ReadScriptOptions(loadOnly, options);
            qm::WriteGeneratedOutput(qm::TaskCodeGen, loadOnly, target, "x", options, *document,
                                     nullptr, true);
            loaded = Clock::now();
            qm::ReadScriptOptions(generator, options);
            qm::WriteGeneratedOutput(qm::TaskCodeGen, generator, target, "x", options, *document,
                                     nullptr, true);
            generated = Clock::now();
            saved = generated;
            for (const auto& entry : std::filesystem::directory_iterator(target))
                headers += entry.is_regular_file() ? 1 : 0;
        } else {
            document->SaveToFile(commandLine.saveAs);
            saved = Clock::now();
        }
        environment.reset();
        const Clock::time_point ended = Clock::now();
        Phase("start-up (environment, command line)", Ms(start, started));
        Phase("open project", Ms(started, opened));
        if (withScript) {
            Phase("script loaded, up to its first line", Ms(opened, loaded));
            Phase("start-up to the script's first line", Ms(start, loaded));
            Phase("generation (the shipped script's run)", Ms(loaded, generated));
            std::printf("  %-34s %10zu\n", "headers written", headers);
        } else {
            Phase("save project", Ms(opened, saved));
        }
        Phase("end of run (documents closed)", Ms(saved, ended));
        Phase("total", Ms(start, ended));
    }

    if (!program.empty()) {
        // The process's own start-up: a batch that makes a new project and
        // ends, with no project to open.
        {
            const Clock::time_point start = Clock::now();
            const int code = qm::SpawnProcess({program, "-batch", "-exit", "-new=<Internal>",
                                               "-save=" + (folder / "empty.pro").string()},
                                              qm::SpawnMode::Wait);
            std::printf("whole process, start-up and exit only: %.1f ms (exit code %d)\n",
                        Ms(start, Clock::now()), code);
        }
        // The program finds the shipped generator beside itself.
        for (int withScript = 1; withScript >= 0; --withScript) {
            std::vector<std::string> argv2 = {program, project, "-batch", "-exit"};
            if (withScript) {
                argv2.push_back("-script=CodeGen/CppHeaders.vxs");
                argv2.push_back("-scope=All Models");
                argv2.push_back("-folder=" + (folder / "process-headers").string());
                argv2.push_back("-file=x");
            } else {
                argv2.push_back("-save=" + (folder / "out2.pro").string());
            }
            const Clock::time_point start = Clock::now();
            const int code = qm::SpawnProcess(argv2, qm::SpawnMode::Wait);
            std::printf("whole process, %s: %.1f ms (exit code %d)\n",
                        withScript ? "open, generate, exit" : "open, save, exit",
                        Ms(start, Clock::now()), code);
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
