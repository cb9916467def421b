// kest: the KestScript test driver.
//   kest -e EXPR        evaluates each top-level expression of EXPR and prints its value
//   kest FILE...        the same for each file
//   kest --check FILE...
//                       runs case files: one or more expressions, then a line
//                       ";=> TEXT" (the last value prints as TEXT) or ";!> TEXT"
//                       (a script error whose report, the text after
//                       "KestScript ERROR: ", contains TEXT; a fatal error or a
//                       failure message counts too) or ";=< FILE" (the last value
//                       prints as the text of FILE, named relative to the case
//                       file, its surrounding white space ignored), optionally
//                       followed by lines ";log> TEXT" (the case's log contains
//                       TEXT). Ends with "N passed, M failed".
//   kest --project PROJECT --check FILE...
//                       the same with PROJECT loaded as the current project of
//                       the run (where the script model interface is built).
// Each file runs between a mark and its restoring, with the symbols purged
// after it, as a script run does. Where the script model interface is built,
// its Vx built-ins are registered too.
#include "kernel/Kernel.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Prompt.h"
#ifdef KEST_WITH_SCRIPTING
#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "document/ProjectFile.h"
#include "document/TemplateCache.h"
#include "model/Guid.h"
#include "scripting/RunContext.h"
#include "scripting/VxBuiltins.h"

#include <memory>
#endif

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace kest;

// Reads and evaluates every expression of the channel; the last value.
Cell* evalall(Cell* chancell) {
    Channel* ch = chancell->a.chan;
    Cell* last = nil;
    for (;;) {
        Cell* x = readexpr(ch);
        if (x == KernelSyms.eof)
            return last;
        last = evaluate(x);
    }
}

// Reads and evaluates one expression; the eof symbol at the end.
Cell* evalone(Cell* chancell) {
    Cell* x = readexpr(chancell->a.chan);
    return x == KernelSyms.eof ? x : evaluate(x);
}

struct Outcome {
    bool ok = false;    // no error
    std::string value;  // printed value when ok
    std::string errors; // error reports, fatal messages and failure texts
    std::string log;    // everything logged
};

Outcome run(const std::string& source) {
    Outcome out;
    qm::RecordingLogSink log;
    qm::ScopedLogSink scoped(&log);
    qm::HeadlessPrompts prompts;
    qm::ScopedPromptService scopedPrompts(&prompts);
    LocalChannel channel(source, ChanRead);
    try {
        Cell* result = capeval(nil, nil, evalall, mkchan(channel.get()));
        if (result != nil) {
            out.ok = true;
            out.value = printstring(car(result));
        }
    } catch (const qm::CKestException& e) {
        out.errors += std::string("FATAL: ") + e.Message() + "\n";
        resetstacks();
    } catch (const qm::CIgnoreException&) {
        resetstacks();
    }
    for (const std::string& asked : prompts.asked)
        out.errors += asked + "\n";
    out.log = log.Text();
    const std::string marker = "KestScript ERROR: ";
    for (size_t at = out.log.find(marker); at != std::string::npos;
         at = out.log.find(marker, at + 1)) {
        size_t start = at + marker.size();
        size_t end = out.log.find("\r\n", start);
        out.errors += out.log.substr(start, end == std::string::npos ? end : end - start) + "\n";
    }
    return out;
}

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

struct Case {
    std::string source;
    bool expectError = false;
    bool expectFile = false; // expected holds a file name
    std::string expected;
    std::vector<std::string> logged;
    int line = 0;
};

bool startswith(const std::string& s, const char* prefix) {
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

std::vector<Case> parsecases(std::istream& in) {
    std::vector<Case> cases;
    std::string source;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::string t = trim(line);
        if (startswith(t, ";=>") || startswith(t, ";!>") || startswith(t, ";=<")) {
            Case c;
            c.source = source;
            c.expectError = t[1] == '!';
            c.expectFile = t[2] == '<';
            c.expected = trim(t.substr(3));
            c.line = number;
            cases.push_back(c);
            source.clear();
        } else if (startswith(t, ";log>") && !cases.empty() && trim(source).empty()) {
            cases.back().logged.push_back(trim(t.substr(5)));
        } else {
            source += line;
            source += '\n';
        }
    }
    return cases;
}

bool check(const char* path, int& passed, int& failed) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "kest: can't open %s\n", path);
        ++failed;
        return false;
    }
    std::string folder = path;
    const size_t slash = folder.find_last_of('/');
    folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
    savemark();
    for (Case c : parsecases(in)) {
        if (c.expectFile) {
            const std::string name = folder + c.expected;
            std::ifstream expected(name, std::ios::binary);
            std::stringstream text;
            text << expected.rdbuf();
            c.expected = expected ? trim(text.str()) : "<missing file " + name + ">";
        }
        Outcome out = run(c.source);
        std::string why;
        if (c.expectError) {
            if (out.ok)
                why = "expected an error containing \"" + c.expected + "\", got the value " +
                      out.value;
            else if (out.errors.find(c.expected) == std::string::npos)
                why = "expected an error containing \"" + c.expected + "\", got: " + out.errors;
        } else if (!out.ok) {
            why = "expected " + c.expected + ", got the error: " + out.errors;
        } else if (out.value != c.expected) {
            why = "expected " + c.expected + ", got " + out.value;
        }
        for (const std::string& text : c.logged)
            if (why.empty() && out.log.find(text) == std::string::npos)
                why = "expected the log to contain \"" + text + "\", log: " + out.log;
        if (why.empty()) {
            ++passed;
        } else {
            ++failed;
            std::printf("FAIL %s:%d: %s\n", path, c.line, why.c_str());
        }
    }
    closeallchans();
    purgesymbols();
    restoremark();
    return true;
}

void evaluatetext(const std::string& text) {
    LocalChannel channel(text, ChanRead);
    Cell* chancell = mkchan(channel.get());
    for (;;) {
        try {
            Cell* result = capeval(nil, nil, evalone, chancell);
            if (result == nil) {
                if (channel.get()->atend && channel.get()->token == TokEnd)
                    return;
                continue;
            }
            // What the expression printed comes before its value.
            flushstdchans();
            if (car(result) == KernelSyms.eof)
                return;
            std::printf("%s\n", printstring(car(result)).c_str());
        } catch (const qm::CKestException& e) {
            std::fprintf(stderr, "kest: %s\n", e.Message().c_str());
            resetstacks();
            return;
        } catch (const qm::CIgnoreException&) {
            resetstacks();
            return;
        }
        std::fflush(stdout);
    }
}

int usage() {
    std::fprintf(stderr, "usage: kest -e EXPR | kest FILE... | kest [--project PROJECT] --check "
                         "FILE...\n");
    return 2;
}

#ifdef KEST_WITH_SCRIPTING
// A project loaded for the run: the current project of the Vx built-ins
// while it lives.
struct LoadedProject {
    qm::Profile settings;
    qm::TemplateCache templates;
    qm::DocumentContext context;
    std::unique_ptr<qm::CCASEDoc> document;
    std::unique_ptr<qm::ScopedRunContext> run;

    bool Load(const char* path) {
        qm::SetGuidStoreMode(qm::GuidNoStore);
        settings.Language = "C++";
        context.profile = &settings;
        context.templates = &templates;
        document = std::make_unique<qm::CCASEDoc>(context, true);
        try {
            document->LoadText(qm::ReadFileText(path, "Can't open project file"));
        } catch (const qm::CKestException& e) {
            std::fprintf(stderr, "kest: %s: %s\n", path, e.Message().c_str());
            return false;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "kest: %s: %s\n", path, e.what());
            return false;
        }
        document->SetPathName(path);
        qm::ScriptRunContext runContext;
        runContext.project = document.get();
        run = std::make_unique<qm::ScopedRunContext>(runContext);
        return true;
    }
};
#endif

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage();
    qm::HeadlessPrompts prompts;
    qm::ScopedPromptService scopedPrompts(&prompts);
#ifdef KEST_WITH_SCRIPTING
    qm::InstallVxBuiltins();
#endif
    initkernel();
    int first = 1;
#ifdef KEST_WITH_SCRIPTING
    LoadedProject project;
    if (std::strcmp(argv[1], "--project") == 0) {
        if (argc < 4 || std::strcmp(argv[3], "--check") != 0)
            return usage();
        if (!project.Load(argv[2]))
            return 1;
        first = 3;
    }
#endif
    if (std::strcmp(argv[first], "--check") == 0) {
        int passed = 0;
        int failed = 0;
        for (int i = first + 1; i < argc; ++i)
            check(argv[i], passed, failed);
        std::printf("%d passed, %d failed\n", passed, failed);
        return failed == 0 && argc > first + 1 ? 0 : 1;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-e") == 0) {
            if (++i >= argc)
                return usage();
            evaluatetext(argv[i]);
            continue;
        }
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "kest: can't open %s\n", argv[i]);
            return 1;
        }
        std::stringstream text;
        text << in.rdbuf();
        evaluatetext(text.str());
    }
    return 0;
}
