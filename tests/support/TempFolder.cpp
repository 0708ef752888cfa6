#include "support/TempFolder.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace skyrelle::test_support {
namespace fs = std::filesystem;

TTempFolder::TTempFolder(const std::string& Name) {
  std::string pattern = (fs::temp_directory_path() / "skyrelle-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  FRoot = pattern;
  FPath = Name.empty() ? FRoot : FRoot + "/" + Name;
  fs::create_directories(FPath);
}

TTempFolder::~TTempFolder() {
  std::error_code ignored;
  fs::remove_all(FRoot, ignored);
}

std::string TTempFolder::Write(const std::string& Name, std::string_view Bytes) const {
  const std::string file = *this / Name;
  fs::create_directories(fs::path(file).parent_path());
  std::ofstream out(file, std::ios::binary);
  out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file);
  return file;
}

std::string TTempFolder::Write(const std::string& Name,
                               const std::vector<std::uint8_t>& Bytes) const {
  return Write(Name, std::string_view(reinterpret_cast<const char*>(Bytes.data()), Bytes.size()));
}

}  // namespace skyrelle::test_support
