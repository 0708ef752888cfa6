#pragma once

#include <string>

namespace skyrelle::platform {

// The full path of the running program file; the empty text when the system does not tell it.
std::string ProgramFilePath();

}  // namespace skyrelle::platform
