// Fuzz target for the IDL parser over arbitrary source text.
#include "ParserFuzz.h"

#include "reverse/SourceLanguage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return qm::fuzz::ParseOnce(qm::kLangIdl, data, size);
}
