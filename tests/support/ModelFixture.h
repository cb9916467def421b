// The fixture of the model's tests: a fresh kernel, the log recorded, prompts
// answered headless, the user's settings in a scratch folder and the id
// generator in the mode the running program uses (no registry writes per id).
#pragma once

#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Prompt.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>
#include <string>

namespace qm::test {

class ModelTest : public ::testing::Test {
  protected:
    ModelTest()
        : config("XDG_CONFIG_HOME", scratch.Path().c_str()),
          scopedLog(&log),
          scopedPrompts(&prompts) {
        kest::initkernel();
        SetGuidStoreMode(GuidNoStore);
    }

    // The first expression of text.
    kest::Cell* read(const std::string& text) {
        kest::LocalChannel ch(text, kest::ChanRead);
        return kest::readexpr(ch.get());
    }
    // The file printer's text of a value.
    static std::string pretty(kest::Cell* value) { return kest::prettystring(value); }
    static std::string print(kest::Cell* value) { return kest::printstring(value); }

    // Runs f and returns what it reported: a CKestException's message, the
    // failure check's text, or "" when it succeeded.
    template <typename F> std::string failure(F&& f) {
        prompts.asked.clear();
        try {
            f();
        } catch (const CKestException& e) {
            kest::resetstacks();
            return e.Message();
        } catch (const CIgnoreException&) {
            kest::resetstacks();
            return prompts.asked.empty() ? "?" : prompts.asked.back();
        }
        return "";
    }

    ScratchFolder scratch;
    ScopedEnvironment config;
    RecordingLogSink log;
    HeadlessPrompts prompts;
    ScopedLogSink scopedLog;
    ScopedPromptService scopedPrompts;
};

} // namespace qm::test
