#include <array>

#include "platform/FileSystem.h"
#include "update/PackageIntegrity.h"

namespace skyrelle::update {

std::optional<std::string> ReadWholeFile(const std::string& AFileName) {
  try {
    platform::TInputFile file(AFileName);
    std::string bytes;
    std::array<char, std::size_t{64} * 1024> chunk{};
    while (const std::size_t got = file.Read(chunk.data(), chunk.size()))
      bytes.append(chunk.data(), got);
    return bytes;
  } catch (const platform::EFileError&) {
    return std::nullopt;
  }
}

}  // namespace skyrelle::update
