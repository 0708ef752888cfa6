#include "platform/linux/FileHead.h"

#include <fstream>

namespace skyrelle::platform {

std::optional<std::string> ReadFileHead(const std::string& FileName, std::size_t MaxSize) {
  std::ifstream file(FileName, std::ios::binary);
  if (!file) return std::nullopt;
  std::string bytes(MaxSize, '\0');
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(file.gcount()));
  return bytes;
}

}  // namespace skyrelle::platform
