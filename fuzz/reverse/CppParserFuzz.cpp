// Fuzz target for the C++ parser over arbitrary source text.
#include "ParserFuzz.h"

#include "reverse/SourceLanguage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return qm::fuzz::ParseOnce(qm::kLangCpp, data, size);
}
