#pragma once

#include <string>

namespace skyrelle::platform {

// The system's description of one of its error codes: errno values on Linux (strerror),
// GetLastError values on Windows (FormatMessageW), without a closing line break.
std::string SystemErrorMessage(int Code);

}  // namespace skyrelle::platform
