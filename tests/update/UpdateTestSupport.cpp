#include "UpdateTestSupport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/Paths.h"

namespace skyrelle::test_support {
namespace fs = std::filesystem;

std::string ReadFile(const std::string& AFileName) {
  std::ifstream file(core::FileSystemPath(AFileName), std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

std::vector<std::string> TreeOf(const std::string& AFolder) {
  std::vector<std::string> names;
  const fs::path folder = core::FileSystemPath(AFolder);
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error))
    names.push_back(core::PathText(fs::relative(it->path(), folder).generic_u8string()));
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace skyrelle::test_support
