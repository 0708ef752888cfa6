#include "about/Download.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>

#include "core/Paths.h"

namespace skyrelle::about {
namespace {

constexpr int NameAttempts = 100;

std::string RandomHexName() {
  static thread_local std::mt19937 numbers{std::random_device{}()};
  char name[16];
  std::snprintf(name, sizeof name, "%08X.tmp", static_cast<unsigned>(numbers()));
  return name;
}

// Made and removed again, as the system's unique names are: a name taken by someone else's
// file is never handed out.
std::string FreshTempName() {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
  if (error) return {};
  for (int attempt = 0; attempt < NameAttempts; ++attempt) {
    const std::string candidate = (folder / RandomHexName()).string();
    if (std::FILE* file = std::fopen(candidate.c_str(), "wx")) {
      std::fclose(file);
      std::remove(candidate.c_str());
      return candidate;
    }
    if (errno != EEXIST) return {};
  }
  return {};
}

}  // namespace

bool DownloadURLToFile(const std::string& URL, const std::string& FileName,
                       const update::TTransferLimits& Limits) {
  try {
    return update::FetchToFile(URL, FileName, Limits);
  } catch (...) {
    return false;
  }
}

std::string MakeTempFileName(std::string_view Extension) {
  try {
    return core::ChangeFileExt(FreshTempName(), Extension);
  } catch (...) {
    return std::string(Extension);
  }
}

}  // namespace skyrelle::about
