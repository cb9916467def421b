// Fuzz target of the masters clipboard file: any bytes are pasted, as the
// clipboard file, into the class diagram of a fixture project (a new one for
// each input). A paste that is refused must leave the project's saved text
// exactly as it was, no heap mark may stay behind, and a paste that succeeds
// must leave a project that saves.
#include "ProjectFuzzSupport.h"

#include "drawables/Model.h"
#include "platform/Errors.h"
#include "platform/Files.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool Refused(const std::exception& error) {
    return dynamic_cast<const qm::CKestException*>(&error) != nullptr ||
           dynamic_cast<const qm::CIgnoreException*>(&error) != nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qm::HeadlessPrompts& prompts = fuzzsupport::StartQuietKernel(8192, false);
    static fuzzsupport::ProjectSetup setup;
    prompts.asked.clear();
    {
        qm::CCASEDoc doc(setup.context, true);
        doc.LoadText(fuzzsupport::kClassDiagramProject);
        qm::Model* classes = doc.FindModelByName("Classes");
        if (classes == nullptr)
            std::abort();
        const std::string before = doc.StoreText();
        std::string file(reinterpret_cast<const char*>(data), size);
        if (!qm::WriteFileReplacing(qm::CCASEDoc::ClipboardFile(), file))
            std::abort();
        bool pasted = false;
        try {
            pasted = doc.PasteFromClipboardFile(true, classes, {});
        } catch (const std::exception& error) {
            if (!Refused(error))
                throw;
            kest::resetstacks();
            if (doc.StoreText() != before) {
                std::fprintf(stderr, "a refused paste changed the project\n");
                std::abort();
            }
        }
        if (pasted)
            (void)doc.StoreText();
    }
    fuzzsupport::EndProjectInput();
    return 0;
}
