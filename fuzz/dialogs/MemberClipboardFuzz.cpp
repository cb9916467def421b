// Fuzz target of the member clipboard file: any bytes are pasted, as the
// clipboard file, into each of the four member lists of a fresh master. A
// paste that is refused must leave the list empty; one that succeeds must
// write a file that pastes the same number of records again.
#include "dialogs/sheets/MemberClipboard.h"
#include "fuzz/FuzzKernel.h"
#include "platform/Files.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

size_t Count(const qm::Master& master, qm::MemberKind kind) {
    switch (kind) {
    case qm::MemberKind::Attribute:
        return master.attributes.size();
    case qm::MemberKind::Method:
        return master.methods.size();
    case qm::MemberKind::Type:
        return master.types.size();
    case qm::MemberKind::Exception:
        return master.exceptions.size();
    }
    return 0;
}

std::string ScratchPath(const char* name) {
    return (std::filesystem::temp_directory_path() /
            (std::string(name) + "-" + std::to_string(getpid())))
        .string();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qm::HeadlessPrompts& prompts = fuzzsupport::StartQuietKernel(8192, false);
    static const std::string input = ScratchPath("member-clipboard-input");
    static const std::string again = ScratchPath("member-clipboard-again");
    if (!qm::WriteFileReplacing(input, std::string(reinterpret_cast<const char*>(data), size)))
        std::abort();
    const qm::MemberKind kinds[] = {qm::MemberKind::Attribute, qm::MemberKind::Method,
                                    qm::MemberKind::Type, qm::MemberKind::Exception};
    for (qm::MemberKind kind : kinds) {
        prompts.asked.clear();
        qm::Master container;
        container.SetDetached();
        const bool done = fuzzsupport::Survive(
            [&] { qm::ExchangeMemberClipboard(input, container, kind, qm::cmd::MemberPaste); });
        const size_t pasted = Count(container, kind);
        if ((!done || !prompts.asked.empty()) && pasted != 0)
            std::abort();
        if (pasted == 0)
            continue;
        qm::ExchangeMemberClipboard(again, container, kind, qm::cmd::MemberCopyAll);
        qm::Master second;
        second.SetDetached();
        qm::ExchangeMemberClipboard(again, second, kind, qm::cmd::MemberPaste);
        if (Count(second, kind) != pasted || !prompts.asked.empty())
            std::abort();
    }
    return 0;
}
