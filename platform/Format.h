// The one bounded formatting helper: printf-style formats into a std::string
// of exactly the needed length, so no caller writes into a fixed buffer.
#pragma once

#include <cstdarg>
#include <string>

namespace qm {

// Formats like snprintf, returning the whole text. A bad format yields "".
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, va_list args);

} // namespace qm
