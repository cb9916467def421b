// The set-up the fuzz targets of the list syntax share: a quiet, headless
// process (log discarded, prompts answered with their defaults) with a fresh
// kernel whose heap is capped, and a fixed host address for the id generator.
#pragma once

#include "kernel/Kernel.h"
#include "platform/Log.h"
#include "platform/Prompt.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

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

} // namespace fuzzsupport
