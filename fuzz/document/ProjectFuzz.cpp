// Fuzz target of the project file reader: any bytes are read as a project
// file into a hidden document. A project that loads is saved, the text is
// loaded into a fresh document and saved again: both texts must agree, except
// for the digits of reals (a real is printed with six decimals, so one read
// of the printed text may move its last bits); a third round must give the
// second text exactly. Read-time evaluation stays off: a project file must
// not run code.
#include "ProjectFuzzSupport.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qm::HeadlessPrompts& prompts = fuzzsupport::StartQuietKernel(8192, false);
    static fuzzsupport::ProjectSetup setup;
    prompts.asked.clear();
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string first;
    if (fuzzsupport::LoadAndSave(setup.context, text, first)) {
        const std::string second = fuzzsupport::RequireReloadsAsSaved(
            setup.context, first, fuzzsupport::SameText::RealsMasked, "the project");
        fuzzsupport::RequireReloadsAsSaved(setup.context, second, fuzzsupport::SameText::Exactly,
                                           "the project saved again");
    }
    fuzzsupport::EndProjectInput();
    return 0;
}
