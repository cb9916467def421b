// Fuzz target of the list-syntax reader: any bytes, read through a buffer
// channel over a socket that hands them out in small receives (or a file
// channel, by the first byte), until eof or an error. Every value read is
// pretty-printed, read back and printed again: the two texts must agree, so
// the printer never writes what the reader reads differently.
// Read-time evaluation is off: the input must not run code.
#include "fuzz/FuzzKernel.h"
#include "kernel/Kernel.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Prompt.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using namespace kest;

class Trickle : public ChannelSocket {
  public:
    Trickle(const uint8_t* data, size_t size, size_t step)
        : data_(data), size_(size), step_(step) {}
    size_t Receive(char* buffer, size_t n) override {
        size_t take = std::min({n, step_, size_ - position_});
        std::memcpy(buffer, data_ + position_, take);
        position_ += take;
        return take;
    }
    void Send(const char*, size_t) override {}

  private:
    const uint8_t* data_;
    size_t size_;
    size_t step_;
    size_t position_ = 0;
};

// Whether the value holds a real anywhere. Reals print with six decimals, so
// such a value may read back as a different one (3e-10 and 0.0 both print as
// 0.000000, and a set of the two reads back as one element).
bool holdsreal(const Cell* value, int depth = 0) {
    if (depth > 5000)
        return true;
    if (value->type == TReal)
        return true;
    for (const Cell* p = value; ispair(p); p = cdr(p))
        if (holdsreal(car(p), depth + 1))
            return true;
    return false;
}

std::string printedagain(const std::string& text) {
    LocalChannel in(text, ChanRead);
    Cell* again = readexpr(in.get());
    std::string printed = prettystring(again);
    if (readexpr(in.get()) != KernelSyms.eof) {
        std::fprintf(stderr, "printed text holds more than one value:\n%s\n", text.c_str());
        std::abort();
    }
    return printed;
}

// The printed text reads back to a value that prints the same. A value with
// reals is held to that from its second printing on, once its reals carry
// only the printed precision.
void checkroundtrip(Cell* value) {
    std::string first = prettystring(value);
    std::string second = printedagain(first);
    if (holdsreal(value)) {
        first = second;
        second = printedagain(first);
    }
    fuzzsupport::RequireSameText(first, second);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qm::HeadlessPrompts& prompts = fuzzsupport::StartQuietKernel(8192, false);
    prompts.asked.clear();
    if (size == 0)
        return 0;
    const size_t step = 1 + data[0] % 64;
    const bool file = (data[0] & 0x80) != 0;
    ++data;
    --size;
    savemark();
    Trickle socket(data, size, step);
    Channel* ch =
        file ? mkfilechan(new MemoryFile(std::string(reinterpret_cast<const char*>(data), size)),
                          ChanRead, true)
             : mkbufchan(ChannelTextSize, ChanReadWrite, &socket, true);
    try {
        for (size_t i = 0; i <= size; ++i) {
            Cell* value = readexpr(ch);
            if (value == KernelSyms.eof)
                break;
            checkroundtrip(value);
        }
    } catch (const qm::CKestException&) {
        resetstacks();
    } catch (const qm::CIgnoreException&) {
        resetstacks();
    }
    closeallchans();
    purgesymbols();
    restoremark();
    return 0;
}
