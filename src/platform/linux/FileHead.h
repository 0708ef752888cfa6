#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace skyrelle::platform {

// The first MaxSize bytes of a small system or configuration file; nothing when it cannot be
// opened. A larger file is read no further, whatever it holds.
std::optional<std::string> ReadFileHead(const std::string& FileName, std::size_t MaxSize);

}  // namespace skyrelle::platform
