// Reverse-engineering throughput over real source trees, beside a reference
// tagger: the installed Qt 6 QtCore, QtGui and QtWidgets headers with the C++
// parser, and java.util, java.time and java.net of the JDK sources with the
// Java parser. Reports files, lines, bytes per second and the classes,
// methods and attributes found; when `ctags` is on the PATH, runs it over the
// same file list and reports its time and its counts of the same kinds.
#include "BenchCorpus.h"

#include "platform/Log.h"
#include "reverse/SourceLanguage.h"
#include "reverse/SourceParser.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace qm;
using bench::Corpus;

// Counts the error lines of the driver's log.
class ErrorCountingSink : public LogSink {
  public:
    void Append(std::string_view text) override {
        for (size_t at = text.find("*** ERROR"); at != std::string_view::npos;
             at = text.find("*** ERROR", at + 1)) {
            ++errors;
        }
    }
    long errors = 0;
};

struct Source {
    const char* title;
    int language;
    const char* taggerLanguage;
    Corpus corpus;
    long lines = 0;
};

long CountLines(const Corpus& corpus) {
    long lines = 0;
    std::vector<char> buffer(1 << 16);
    for (const std::string& path : corpus.files) {
        std::ifstream in(path, std::ios::binary);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) ||
               in.gcount() > 0) {
            lines += std::count(buffer.data(), buffer.data() + in.gcount(), '\n');
        }
    }
    return lines;
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// What one run of our parser found: the declarations read from the files. A
// class known only from a forward declaration, or only named as a base,
// makes no master of its own here and is not counted.
struct OurCounts {
    long classes = 0; // structs included, nested ones too
    long interfaces = 0;
    long enumerations = 0;
    long enumerators = 0;
    long methods = 0;    // members of classes and interfaces
    long attributes = 0; // members of classes and interfaces
    long errors = 0;
};

// Counts a declaration and the types nested in it (which hang from their
// enclosing declaration, not from the table).
void Count(const SourceSymbol& s, OurCounts& counts) {
    if (s.forwardOnly) {
        return;
    }
    switch (s.kind) {
    case kNodeClass:
        ++counts.classes;
        break;
    case kNodeInterface:
        ++counts.interfaces;
        break;
    case kNodeEnumeration:
        ++counts.enumerations;
        break;
    case kNodePackage:
        break;
    default:
        return;
    }
    for (const SourceSymbol* c = s.firstChild.get(); c != nullptr; c = c->next.get()) {
        if (s.kind == kNodeEnumeration) {
            counts.enumerators += c->kind == kNodeParameter;
            continue;
        }
        if (s.kind != kNodePackage) {
            counts.methods += c->kind == kNodeMethod;
            counts.attributes += c->kind == kNodeAttribute;
        }
        Count(*c, counts);
    }
}

double ParseOnce(const Source& source, OurCounts* counts) {
    ErrorCountingSink log;
    ScopedLogSink scope(&log);
    const auto start = std::chrono::steady_clock::now();
    SourceParser parser(nullptr, source.language);
    for (const std::string& path : source.corpus.files) {
        parser.ParseSourceFile(path);
    }
    const double seconds = Seconds(start);
    if (counts != nullptr) {
        *counts = OurCounts();
        counts->errors = log.errors;
        for (SourceSymbol* s = parser.First(); s != nullptr; s = parser.Next()) {
            for (const SourceSymbol* same = s; same != nullptr; same = same->sameName.get()) {
                if (same->text2) { // read from a file, not only named as a base or a type
                    Count(*same, *counts);
                }
            }
        }
    }
    return seconds;
}

// What one run of the tagger found: its tags by kind, and the functions and
// fields whose scope is a class, struct, union, interface or enum.
struct TaggerCounts {
    std::map<std::string, long> kinds;
    long methodsInClasses = 0;
    long fieldsInClasses = 0;
};

bool TaggerPresent() {
    return std::system("command -v ctags >/dev/null 2>&1") == 0;
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Reads a tags file written with --fields=Ks --excmd=number: after the
// address's ';"' come the kind's full name and the scope as kind:name.
TaggerCounts ReadTags(const std::string& path) {
    TaggerCounts counts;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with("!_")) {
            continue;
        }
        size_t at = line.find(";\"\t");
        if (at == std::string::npos) {
            continue;
        }
        std::vector<std::string> fields;
        for (at += 3; at <= line.size();) {
            size_t end = line.find('\t', at);
            if (end == std::string::npos) {
                end = line.size();
            }
            fields.push_back(line.substr(at, end - at));
            at = end + 1;
        }
        if (fields.empty()) {
            continue;
        }
        const std::string& kind = fields[0];
        ++counts.kinds[kind];
        bool inClass = false;
        for (size_t i = 1; i < fields.size(); ++i) {
            for (const char* scope : {"class:", "struct:", "union:", "interface:", "enum:"}) {
                inClass = inClass || fields[i].starts_with(scope);
            }
        }
        if (inClass && (kind == "function" || kind == "prototype" || kind == "method")) {
            ++counts.methodsInClasses;
        }
        if (inClass && (kind == "member" || kind == "field")) {
            ++counts.fieldsInClasses;
        }
    }
    return counts;
}

// Runs the tagger over the file list into a tags file; returns its time, or
// a negative value when it failed.
double TagOnce(const Source& source, const std::string& folder, TaggerCounts* counts) {
    const std::string list = folder + "/files";
    const std::string tags = folder + "/tags";
    {
        std::ofstream out(list);
        for (const std::string& path : source.corpus.files) {
            out << path << '\n';
        }
    }
    std::string kinds = std::string(source.taggerLanguage) == "C++" ? " --kinds-C++=+p" : "";
    const std::string command =
        "ctags --options=NONE --language-force=" + std::string(source.taggerLanguage) + kinds +
        " --fields=Ks --excmd=number -f " + Quoted(tags) + " -L " + Quoted(list) + " 2>/dev/null";
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const double seconds = Seconds(start);
    if (status != 0) {
        return -1.0;
    }
    if (counts != nullptr) {
        *counts = ReadTags(tags);
    }
    return seconds;
}

long Kind(const TaggerCounts& counts, const char* kind) {
    auto it = counts.kinds.find(kind);
    return it != counts.kinds.end() ? it->second : 0;
}

void Report(const Source& source, int repetitions, bool tagger, const std::string& folder) {
    const Corpus& corpus = source.corpus;
    const double megabytes = static_cast<double>(corpus.bytes) / 1e6;
    std::printf("\n%s: %zu files, %ld lines, %.2f MB\n", source.title, corpus.files.size(),
                source.lines, megabytes);

    OurCounts ours;
    std::vector<double> times;
    ParseOnce(source, &ours); // warms the file cache
    for (int i = 0; i < repetitions; ++i) {
        times.push_back(ParseOnce(source, nullptr));
    }
    const double our = Median(times);
    std::printf("  reverse engineering: %.1f ms (median of %d), %.1f MB/s, %.0f lines/s\n",
                our * 1e3, repetitions, megabytes / our, static_cast<double>(source.lines) / our);
    std::printf("    classes %ld, interfaces %ld, enumerations %ld (enumerators %ld); methods %ld, "
                "attributes %ld (members of classes and interfaces); error lines %ld\n",
                ours.classes, ours.interfaces, ours.enumerations, ours.enumerators, ours.methods,
                ours.attributes, ours.errors);
    if (!tagger) {
        return;
    }
    TaggerCounts tags;
    times.clear();
    if (TagOnce(source, folder, &tags) < 0) {
        std::printf("  ctags: failed on this file list\n");
        return;
    }
    for (int i = 0; i < repetitions; ++i) {
        times.push_back(TagOnce(source, folder, nullptr));
    }
    const double theirs = Median(times);
    std::printf("  ctags: %.1f ms (median of %d), %.1f MB/s; ours takes %.2fx its time\n",
                theirs * 1e3, repetitions, megabytes / theirs, our / theirs);
    if (source.language == kLangCpp) {
        std::printf("    class %ld, struct %ld, union %ld, enum %ld; functions and prototypes in "
                    "classes %ld (of %ld function, %ld prototype); members %ld (in classes %ld)\n",
                    Kind(tags, "class"), Kind(tags, "struct"), Kind(tags, "union"),
                    Kind(tags, "enum"), tags.methodsInClasses, Kind(tags, "function"),
                    Kind(tags, "prototype"), Kind(tags, "member"), tags.fieldsInClasses);
        std::printf("    also macro %ld, typedef %ld, namespace %ld, variable %ld, enumerator "
                    "%ld\n",
                    Kind(tags, "macro"), Kind(tags, "typedef"), Kind(tags, "namespace"),
                    Kind(tags, "variable"), Kind(tags, "enumerator"));
    } else {
        std::printf("    class %ld, interface %ld, enum %ld, annotation %ld; methods %ld (in "
                    "classes %ld); fields %ld (in classes %ld); enumConstant %ld\n",
                    Kind(tags, "class"), Kind(tags, "interface"), Kind(tags, "enum"),
                    Kind(tags, "annotation"), Kind(tags, "method"), tags.methodsInClasses,
                    Kind(tags, "field"), tags.fieldsInClasses, Kind(tags, "enumConstant"));
    }
}

} // namespace

// Usage: bench_reverse_corpus [repetitions]   (5 when not given)
int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::vector<Source> sources;
    Source qt{"Qt 6 QtCore, QtGui and QtWidgets headers (C++)", kLangCpp, "C++", {}};
    for (const char* module : {"/QtCore", "/QtGui", "/QtWidgets"}) {
        bench::AddFilesBelow(qt.corpus, std::string(bench::kQtHeaders) + module, "");
    }
    if (qt.corpus.files.empty()) {
        std::printf("skipped the Qt headers: none below %s\n", bench::kQtHeaders);
    } else {
        sources.push_back(std::move(qt));
    }
    const std::string java = bench::JavaSourcesRoot();
    Source jdk{"JDK java.util, java.time and java.net (Java)", kLangJava, "Java", {}};
    for (const char* package : {"/java/util", "/java/time", "/java/net"}) {
        if (!java.empty()) {
            bench::AddFilesBelow(jdk.corpus, java + package, ".java");
        }
    }
    if (jdk.corpus.files.empty()) {
        std::printf("skipped the JDK sources: set QM_JAVA_SOURCES to the folder that holds "
                    "java/util, java/time and java/net\n");
    } else {
        sources.push_back(std::move(jdk));
    }

    bool tagger = TaggerPresent();
    if (!tagger) {
        std::printf("skipped the comparison: no ctags on the PATH (Debian package "
                    "universal-ctags)\n");
    }
    std::string folder = (std::filesystem::temp_directory_path() / "qm-corpus-XXXXXX").string();
    if (tagger && mkdtemp(folder.data()) == nullptr) {
        std::printf("skipped the comparison: no temporary folder for its tags\n");
        tagger = false;
    }
    for (Source& source : sources) {
        source.lines = CountLines(source.corpus);
        Report(source, repetitions, tagger, folder);
    }
    if (tagger) {
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }
    return 0;
}
