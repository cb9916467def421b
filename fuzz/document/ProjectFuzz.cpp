// Fuzz target of the project file reader: any bytes are read as a project
// file into a hidden document. A project that loads is saved, the text is
// loaded into a fresh document and saved again: both texts must agree, except
// for the digits of reals (a real is printed with six decimals, so one read
// of the printed text may move its last bits); a third round must give the
// second text exactly. Read-time evaluation stays off: a project file must
// not run code.
#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "fuzz/FuzzKernel.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Setup {
    Setup() {
        qm::SetGuidStoreMode(qm::GuidNoStore);
        qm::SetHostAddressSource(fuzzsupport::LoopbackHost);
        settings.Language = "C++";
        settings.NotationFolder = "/nonexistent/quillmark-notations";
        context.profile = &settings;
        context.templates = &templates;
        // Kept for the whole run, so that each input does not build it again.
        builtIn = templates.AcquireTemplate("<Internal>");
    }
    qm::Profile settings;
    qm::TemplateCache templates;
    qm::DocumentContext context;
    qm::NotationTemplate* builtIn = nullptr;
};

// Loads text into a fresh document and saves it; false when it does not load.
bool LoadAndSave(Setup& setup, const std::string& text, std::string& saved) {
    qm::CCASEDoc doc(setup.context, true);
    try {
        doc.LoadText(text);
    } catch (const qm::CKestException&) {
        kest::resetstacks();
        return false;
    } catch (const qm::CIgnoreException&) {
        kest::resetstacks();
        return false;
    }
    saved = doc.StoreText();
    return true;
}

// The text with every real number (digits, a point, digits) replaced by "R".
std::string MaskReals(const std::string& text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        size_t j = i;
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j])))
            ++j;
        if (j > i && j + 1 < text.size() && text[j] == '.' &&
            std::isdigit(static_cast<unsigned char>(text[j + 1]))) {
            ++j;
            while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j])))
                ++j;
            out += 'R';
        } else {
            out.append(text, i, std::max(j, i + 1) - i);
        }
        i = std::max(j, i + 1);
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qm::HeadlessPrompts& prompts = fuzzsupport::StartQuietKernel(8192, false);
    static Setup setup;
    prompts.asked.clear();
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string first;
    if (LoadAndSave(setup, text, first)) {
        std::string second;
        std::string third;
        if (!LoadAndSave(setup, first, second) || MaskReals(first) != MaskReals(second) ||
            !LoadAndSave(setup, second, third) || second != third) {
            std::fprintf(stderr, "saved:\n%s\nloaded and saved again:\n%s\nand again:\n%s\n",
                         first.c_str(), second.c_str(), third.c_str());
            std::abort();
        }
    }
    if (kest::markactive())
        std::abort(); // a load or save left the heap marked
    kest::closeallchans();
    kest::purgesymbols();
    return 0;
}
