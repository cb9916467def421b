// Fuzz target of the looks list form and the label text routines. The first
// byte picks the mode. Lists: the rest is read as list syntax (read-time
// evaluation off) and every value is filled into looks with lookslist; what
// fills must write back a list that reads into the same looks. Text: the
// rest is drawn with DrawWrappedText and DrawMultiLineText on a recording
// device context into a box the second and third bytes size.
#include "drawables/FontFaceTable.h"
#include "drawables/LabelText.h"
#include "drawables/LooksList.h"
#include "drawables/TextDrawing.h"
#include "fuzz/FuzzKernel.h"
#include "kernel/Kernel.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Prompt.h"
#include "platform/RecordingDC.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace kest;

void FuzzLists(const uint8_t* data, size_t size) {
    savemark();
    fuzzsupport::ForEachExpression(data, size, [](Cell* value) {
        if (value == nil)
            return;
        qm::Looks looks;
        qm::lookslist(looks, value);
        fuzzsupport::CheckRoundTrip(printstring(qm::lookslist(looks, nil)), [&](Cell* again) {
            qm::Looks back;
            qm::lookslist(back, again);
            if (!(back == looks)) {
                std::fprintf(stderr, "looks changed in a round trip\n");
                std::abort();
            }
            return printstring(qm::lookslist(back, nil));
        });
    });
    restoremark();
}

void FuzzText(const uint8_t* data, size_t size) {
    if (size < 2)
        return;
    const int32_t width = data[0] - 16, height = data[1] * 4;
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
    qm::RecordingDC dc;
    dc.SetFixedMetrics(1 + data[0] % 7, 1 + data[1] % 13);
    qm::DrawWrappedText(dc, text, qm::CRect(0, 0, width, height), data[1] % 3);
    qm::Looks own, imposed;
    qm::DrawMultiLineText(dc, own, imposed, text.substr(0, 8), text, int(size), 12, 0, 0, width,
                          height, 1.0);
    qm::CRect fitted;
    qm::FitTextRect(dc, text, nullptr, &own, qm::CRect(0, 0, width, height), fitted);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qm::HeadlessPrompts& prompts = fuzzsupport::StartQuietKernel(4096, false);
    static qm::FontFaceTable table;
    static bool ready = [] {
        qm::Install(&table);
        return true;
    }();
    (void)ready;
    prompts.asked.clear();
    table.Init();
    if (size == 0)
        return 0;
    if (data[0] & 1)
        FuzzText(data + 1, size - 1);
    else
        FuzzLists(data + 1, size - 1);
    return 0;
}
