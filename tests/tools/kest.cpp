// kest: the KestScript test driver.
//   kest -e EXPR        evaluates each top-level expression of EXPR and prints its value
//   kest FILE...        the same for each file
//   kest --check FILE...
//                       runs case files: one or more expressions, then a line
//                       ";=> TEXT" (the last value prints as TEXT) or ";!> TEXT"
//                       (a script error whose report, the text after
//                       "KestScript ERROR: ", contains TEXT; a fatal error or a
//                       failure message counts too), optionally followed by lines
//                       ";log> TEXT" (the case's log contains TEXT). Ends with
//                       "N passed, M failed".
// Each file runs between a mark and its restoring, with the symbols purged
// after it, as a script run does. Where the script model interface is built,
// its Vx built-ins are registered too.
#include "kernel/Kernel.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Prompt.h"
#ifdef KEST_WITH_SCRIPTING
#include "scripting/VxBuiltins.h"
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
        if (startswith(t, ";=>") || startswith(t, ";!>")) {
            Case c;
            c.source = source;
            c.expectError = t[1] == '!';
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
    savemark();
    for (const Case& c : parsecases(in)) {
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
    std::fprintf(stderr, "usage: kest -e EXPR | kest FILE... | kest --check FILE...\n");
    return 2;
}

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
    if (std::strcmp(argv[1], "--check") == 0) {
        int passed = 0;
        int failed = 0;
        for (int i = 2; i < argc; ++i)
            check(argv[i], passed, failed);
        std::printf("%d passed, %d failed\n", passed, failed);
        return failed == 0 && argc > 2 ? 0 : 1;
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
