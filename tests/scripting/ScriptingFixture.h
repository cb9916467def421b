// The fixture of the script model interface's tests: a fresh kernel with the
// Vx built-ins (and the test's probe built-ins) registered, the log recorded,
// prompts answered headless, and a helper that evaluates script text as a
// run does, with script errors caught and reported.
#pragma once

#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Prompt.h"
#include "scripting/References.h"
#include "scripting/VxBuiltins.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>
#include <string>

namespace qm::test {

// Built-ins that only tests register, to drive the shared frame directly.
void RegisterProbeBuiltins();

class ScriptingTest : public ::testing::Test {
  protected:
    ScriptingTest()
        : config("XDG_CONFIG_HOME", scratch.Path().c_str()),
          scopedLog(&log),
          scopedPrompts(&prompts) {
        SetGuidStoreMode(GuidNoStore);
        kest::setvxregistration([] {
            RegisterVxBuiltins();
            RegisterProbeBuiltins();
        });
        kest::initkernel();
        kest::setvxregistration(nullptr);
        References().Reset();
    }
    ~ScriptingTest() override { References().Reset(); }

    struct Outcome {
        bool ok = false;
        std::string value; // printed value
        std::string error; // the first script error's report
    };

    // Reads and evaluates every expression of text under a protected
    // evaluation; the last value, or the error report.
    Outcome Run(const std::string& text) {
        log.Clear();
        kest::LocalChannel channel(text, kest::ChanRead);
        Outcome out;
        kest::Cell* result =
            kest::capeval(kest::nil, kest::nil, EvalAll, kest::mkchan(channel.get()));
        if (result != kest::nil) {
            out.ok = true;
            out.value = kest::printstring(kest::car(result));
            return out;
        }
        const std::string all = log.Text();
        const std::string marker = "KestScript ERROR: ";
        const size_t at = all.find(marker);
        if (at != std::string::npos)
            out.error = all.substr(at + marker.size(), all.find("\r\n", at) - at - marker.size());
        return out;
    }
    std::string Value(const std::string& text) {
        Outcome out = Run(text);
        return out.ok ? out.value : "error: " + out.error;
    }

    // Binds a script variable to a value (a reference made by a test).
    void Bind(const char* name, kest::Cell* value) {
        kest::Symbol* s = kest::intern(name);
        s->kind() = kest::KVariable;
        s->value() = value;
    }

    ScratchFolder scratch;
    ScopedEnvironment config;
    RecordingLogSink log;
    HeadlessPrompts prompts;
    ScopedLogSink scopedLog;
    ScopedPromptService scopedPrompts;

  private:
    static kest::Cell* EvalAll(kest::Cell* chancell) {
        kest::Cell* last = kest::nil;
        for (;;) {
            kest::Cell* x = kest::readexpr(chancell->a.chan);
            if (x == kest::KernelSyms.eof)
                return last;
            last = kest::evaluate(x);
        }
    }
};

} // namespace qm::test
