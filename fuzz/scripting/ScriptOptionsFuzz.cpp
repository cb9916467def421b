// Fuzzes the option block reader: any bytes give options within their
// bounds, whose texts, choices and display lines can be taken, and which
// bind as script variables that the run's purge removes again.
#include "fuzz/FuzzKernel.h"
#include "scripting/ScriptOptions.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::StartQuietKernel(64, false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view block(reinterpret_cast<const char*>(data), size);
    qm::ScriptOptionList list;
    qm::ParseScriptOptions(block, list);
    for (qm::ScriptOption& option : list) {
        if (option.name.size() > qm::kOptionNameLimit ||
            option.value.size() > qm::kOptionValueLimit ||
            option.description.size() > qm::kOptionNameLimit)
            std::abort();
        if (option.name.find_first_of("\r\n=") != std::string::npos ||
            option.value.find_first_of("\r\n") != std::string::npos)
            std::abort();
        if (option.kind == qm::OptionFlag && !option.value.empty())
            std::abort();
        option.checked = 1;
        option.choice = static_cast<int16_t>(option.value.size() % 5);
        if (option.GetText(true).size() > option.value.size() ||
            option.GetChoice(option.choice).size() > option.value.size())
            std::abort();
        (void)option.Format();
        std::string name = option.name;
        if (qm::FindScriptOption(list, name) == nullptr)
            std::abort();
    }
    kest::savemark();
    qm::BindScriptOptions(list);
    kest::purgesymbols();
    kest::restoremark();
    return 0;
}
