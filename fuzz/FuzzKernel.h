// What the fuzz targets of the list syntax share: a quiet, headless process
// (log discarded, prompts answered with their defaults) with a fresh kernel
// whose heap is capped, a fixed host address for the id generator, the
// reading of every expression of an input, and the read-write-read check of
// a record reader.
#pragma once

#include "kernel/Kernel.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Prompt.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace fuzzsupport {

// Call once per process. Returns the prompt service; a target clears its
// record of questions for each input.
inline qm::HeadlessPrompts& StartQuietKernel(size_t blockLimit, bool readTimeEvaluation) {
    static qm::NullLogSink quiet;
    static qm::HeadlessPrompts prompts;
    qm::SetLogSink(&quiet);
    qm::SetPromptService(&prompts);
    kest::initkernel();
    kest::readtimeevaluation = readTimeEvaluation;
    kest::setblocklimit(blockLimit);
    return prompts;
}

// The loopback address, so that generated ids do not depend on the machine.
inline bool LoopbackHost(uint8_t address[4]) {
    const uint8_t bytes[4] = {127, 0, 0, 1};
    std::memcpy(address, bytes, 4);
    return true;
}

// Runs f; a failure it reports (the failure check or an error already
// shown) resets the kernel's stacks and answers false.
template <class F> bool Survive(F&& f) {
    try {
        f();
        return true;
    } catch (const qm::CKestException&) {
        kest::resetstacks();
    } catch (const qm::CIgnoreException&) {
        kest::resetstacks();
    }
    return false;
}

// Reads the input expression by expression (at most one per byte, so that a
// reader that consumes nothing cannot loop) and hands each value to take. A
// value that take refuses is dropped and the next one read; text the reader
// refuses ends the input. False when the reader refused text.
template <class Take> bool ForEachExpression(const uint8_t* data, size_t size, Take take) {
    kest::LocalChannel in(std::string(reinterpret_cast<const char*>(data), size), kest::ChanRead);
    return Survive([&] {
        for (size_t i = 0; i <= size; ++i) {
            kest::Cell* value = kest::readexpr(in.get());
            if (value == kest::KernelSyms.eof)
                return;
            Survive([&] { take(value); });
        }
    });
}

// The end of every read-write-read check: what was written first and what
// was written after reading it back must agree, else the input is a finding.
inline void RequireSameText(const std::string& first, const std::string& second) {
    if (first == second)
        return;
    std::fprintf(stderr, "written:\n%s\nread back and written:\n%s\n", first.c_str(),
                 second.c_str());
    std::abort();
}

// The read-write-read check of a record reader: first is the text written
// from what was read; readAndWrite reads first's value into fresh state and
// returns what that writes.
template <class ReadAndWrite>
void CheckRoundTrip(const std::string& first, ReadAndWrite readAndWrite) {
    kest::LocalChannel in(first, kest::ChanRead);
    RequireSameText(first, readAndWrite(kest::readexpr(in.get())));
}

} // namespace fuzzsupport
