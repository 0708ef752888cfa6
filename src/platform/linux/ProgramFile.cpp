#include "platform/ProgramFile.h"

#include <filesystem>
#include <system_error>

namespace skyrelle::platform {

std::string ProgramFilePath() {
  std::error_code error;
  std::string path = std::filesystem::read_symlink("/proc/self/exe", error).string();
  if (error) return {};
  // A program file replaced while it runs (an upgrade) is reported under its old name with
  // this mark; the name is still the program's.
  constexpr std::string_view replaced = " (deleted)";
  if (path.ends_with(replaced) && !std::filesystem::exists(path, error))
    path.resize(path.size() - replaced.size());
  return path;
}

}  // namespace skyrelle::platform
