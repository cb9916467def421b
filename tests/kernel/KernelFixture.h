// The fixture of the kernel's C++ tests: a freshly initialised kernel, the log
// recorded and prompts answered headless, and helpers that read text and print
// values without a file.
#pragma once

#include "kernel/Kernel.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Prompt.h"

#include <gtest/gtest.h>
#include <string>

namespace kest::test {

class KernelTest : public ::testing::Test {
  protected:
    KernelTest() : scopedLog(&log), scopedPrompts(&prompts) { initkernel(); }

    // Reads the first expression of text from a file channel over memory.
    Cell* read(const std::string& text) {
        LocalChannel ch(text, ChanRead);
        return readexpr(ch.get());
    }

    // The printed form of the first expression of text.
    std::string roundtrip(const std::string& text) { return printstring(read(text)); }

    // What reading text reports: the script error's report (the text after
    // "KestScript ERROR: "), the failure check's message, or "" when it reads.
    std::string readerror(const std::string& text) {
        log.Clear();
        prompts.asked.clear();
        try {
            read(text);
        } catch (const qm::CKestException&) {
            resetstacks();
            const std::string all = log.Text();
            const std::string marker = "KestScript ERROR: ";
            size_t at = all.find(marker);
            if (at == std::string::npos)
                return all;
            size_t end = all.find("\r\n", at);
            return all.substr(at + marker.size(), end - at - marker.size());
        } catch (const qm::CIgnoreException&) {
            resetstacks();
            return prompts.asked.empty() ? "?" : prompts.asked.back();
        }
        return "";
    }

    qm::RecordingLogSink log;
    qm::HeadlessPrompts prompts;
    qm::ScopedLogSink scopedLog;
    qm::ScopedPromptService scopedPrompts;
};

// A file object that hands out its text a few bytes per read, so that every
// buffer refill boundary is crossed, and records what is written.
class TrickleFile : public FileObject {
  public:
    TrickleFile(std::string text, size_t step) : text_(std::move(text)), step_(step) {}
    size_t Read(char* buffer, size_t n) override {
        size_t take = std::min({n, step_, text_.size() - position_});
        text_.copy(buffer, take, position_);
        position_ += take;
        return take;
    }
    void Write(const char* text, size_t n) override { written->append(text, n); }
    void Close() override { *closed = true; }

    std::string* written = &ownWritten;
    bool* closed = &ownClosed;

  private:
    std::string text_;
    size_t step_;
    size_t position_ = 0;
    std::string ownWritten;
    bool ownClosed = false;
};

} // namespace kest::test
