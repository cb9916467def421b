// Fuzzes the registry's INI reader: any bytes parse, and what the store
// writes reads back to the same store.
#include "platform/Registry.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const qm::Registry first = qm::Registry::FromText(bytes);
    const std::string text = first.ToText();
    if (qm::Registry::FromText(text).ToText() != text)
        std::abort();
    return 0;
}
