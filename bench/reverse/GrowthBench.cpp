// How reverse engineering grows with the number of classes: generated C++
// headers of 5,000 to 100,000 classes (each in a namespace, with a base, an
// attribute typed with another class and two methods, 50 classes a file) are
// read by the whole driver into a real project document, as a batch run
// does: parsing, the masters, their places and links, and the layout.
// Beside it, Universal Ctags over the same files (when it is installed).
// Prints the seconds per size and the growth exponent between sizes
// (log of the time ratio over log of the size ratio: 1 is linear).
#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "drawables/FontFaceTable.h"
#include "drawables/Model.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "platform/Log.h"
#include "reverse/DocumentReverseProject.h"
#include "reverse/ReverseDriver.h"

#include <QGuiApplication>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace qm;

constexpr int kClassesPerFile = 50;

// Writes the headers of count classes into folder; returns their paths.
std::vector<std::string> WriteHeaders(const std::filesystem::path& folder, int count) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::vector<std::string> paths;
    for (int first = 0; first < count; first += kClassesPerFile) {
        const std::filesystem::path path = folder / ("h" + std::to_string(first) + ".h");
        std::ofstream out(path);
        out << "namespace lib" << (first / 1000) << " {\n";
        for (int i = first; i < first + kClassesPerFile && i < count; ++i) {
            const int base = i > 0 ? (i * 7) % i : -1;
            out << "class C" << i;
            if (base >= 0) {
                out << " : public Base" << (i % 97);
            }
            out << " {\npublic:\n    C" << i << "();\n    int Size() const;\n"
                << "private:\n    int count_;\n    Other" << (i % 13) << "* peer_;\n};\n";
        }
        out << "}\n";
        paths.push_back(path.string());
    }
    return paths;
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One run of the driver over the files into a new project; seconds.
double ReverseSeconds(const std::vector<std::string>& files, size_t& masters) {
    Profile settings;
    TemplateCache templates;
    DocumentContext context;
    context.profile = &settings;
    context.templates = &templates;
    context.newProjectArmed = true;
    context.commandLineTemplate = "<Internal>";
    auto document = std::make_unique<CCASEDoc>(context, true);
    document->OnNewDocument();
    Model* main = document->NewModel(MkClass, nullptr);
    main->name = "Main";
    document->SetCurrentModel(main);
    const auto start = std::chrono::steady_clock::now();
    {
        DocumentReverseProject project(*document);
        ReverseEngineerFiles(project, "C++", "", &files, nullptr, nullptr);
    }
    const double seconds = Seconds(start);
    masters = document->Masters().Masters().size();
    return seconds;
}

double CtagsSeconds(const std::vector<std::string>& files, const std::filesystem::path& folder) {
    if (std::system("ctags --version >/dev/null 2>&1") != 0) {
        return -1;
    }
    const std::filesystem::path list = folder / "files.txt";
    {
        std::ofstream out(list);
        for (const std::string& file : files) {
            out << file << '\n';
        }
    }
    const std::string command = "ctags --language-force=C++ -f " + (folder / "tags").string() +
                                " -L " + list.string() + " >/dev/null 2>&1";
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
        return -1;
    }
    return Seconds(start);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    FontFaceTable faces;
    faces.Init();
    Install(&faces);
    SetGuidStoreMode(GuidNoStore);
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / "qm-reverse-growth-bench";
    std::filesystem::create_directories(scratch);
    setenv("XDG_CONFIG_HOME", scratch.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", scratch.c_str(), 1);
    kest::initkernel();
    NullLogSink log;
    ScopedLogSink scope(&log);

    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty()) {
        sizes = {5000, 20000, 100000};
    }
    double previousSeconds = 0;
    int previousSize = 0;
    std::printf("%10s %10s %12s %10s %12s\n", "classes", "masters", "reverse s", "exponent",
                "ctags s");
    for (const int size : sizes) {
        const std::filesystem::path folder = scratch / ("n" + std::to_string(size));
        const std::vector<std::string> files = WriteHeaders(folder, size);
        size_t masters = 0;
        const double seconds = ReverseSeconds(files, masters);
        const double ctags = CtagsSeconds(files, folder);
        char exponent[32] = "-";
        if (previousSize > 0 && previousSeconds > 0) {
            std::snprintf(exponent, sizeof exponent, "%.2f",
                          std::log(seconds / previousSeconds) /
                              std::log(static_cast<double>(size) / previousSize));
        }
        std::printf("%10d %10zu %12.3f %10s %12.3f\n", size, masters, seconds, exponent, ctags);
        std::fflush(stdout);
        previousSeconds = seconds;
        previousSize = size;
        std::filesystem::remove_all(folder);
    }
    return 0;
}
