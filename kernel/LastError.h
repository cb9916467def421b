// The message of the last script error, for a caller that reads a file
// outside any script: there a script error ends in fatal("KestScript
// Error"), and the caller names what went wrong with this message.
#pragma once

#include <string>

namespace kest {

// The message of the last script error raised; "" after clearlasterror.
const std::string& lasterror();
void clearlasterror();

} // namespace kest
