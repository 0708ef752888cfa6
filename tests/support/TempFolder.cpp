#include "support/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include "core/Paths.h"

namespace skyrelle::test_support {
namespace fs = std::filesystem;

namespace {

// A folder name nobody else has taken: create_directory is false for one that exists.
std::string MakeUniqueFolder() {
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path folder =
        fs::temp_directory_path() / ("skyrelle-test-" + std::to_string(random() % 1000000000));
    if (fs::create_directory(folder)) return folder.string();
  }
  throw std::runtime_error("cannot make a temporary folder");
}

}  // namespace

TTempFolder::TTempFolder(const std::string& Name) {
  FRoot = MakeUniqueFolder();
  FPath = Name.empty() ? FRoot : core::JoinPath(FRoot, Name);
  fs::create_directories(FPath);
}

std::string TTempFolder::operator/(const std::string& Name) const {
  return core::JoinPath(FPath, Name);
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
