// The table of known command ids, made from the one list of their names.
#include "model/CommandIds.h"

namespace qm::cmd {

namespace {

#define QM_COMMAND_ID(name, number)                            {number, number, #name},
#define QM_COMMAND_RANGE(first, firstNumber, last, lastNumber) {firstNumber, lastNumber, #first},
constexpr KnownCommand kKnownCommands[] = {QM_COMMAND_IDS(QM_COMMAND_ID, QM_COMMAND_RANGE)};
#undef QM_COMMAND_ID
#undef QM_COMMAND_RANGE

} // namespace

std::span<const KnownCommand> KnownCommands() {
    return kKnownCommands;
}

bool IsKnownCommand(int id) {
    for (const KnownCommand& command : kKnownCommands)
        if (id >= command.first && id <= command.last)
            return true;
    return false;
}

} // namespace qm::cmd
