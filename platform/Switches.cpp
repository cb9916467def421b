// The program-wide switches.
#include "platform/Switches.h"

namespace qm {

ProgramSwitches& Switches() {
    static ProgramSwitches switches;
    return switches;
}

} // namespace qm
