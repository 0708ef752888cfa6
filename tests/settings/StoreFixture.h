#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>

#include "settings/Registry.h"
#include "support/Process.h"
#include "support/ScopedVariable.h"
#include "support/TempFolder.h"

namespace skyrelle::test_support {

// Every test gets a configuration folder of its own, so the user's real store is never touched.
class StoreFixture : public ::testing::Test {
 protected:
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::permissions(StoreFile(), std::filesystem::perms::owner_all, ignored);
  }

  std::string StoreFile() const { return FFolder / "halvorn/registry.sqlite3"; }

  static std::string ReadBytes(const std::string& File) {
    std::ifstream in(File, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  static void WriteBytes(const std::string& File, const std::string& Bytes) {
    std::filesystem::create_directories(std::filesystem::path(File).parent_path());
    std::ofstream(File, std::ios::binary) << Bytes;
  }

  // Runs Body in a child process and returns its exit code (Body's result; 99 when it threw).
  // A root user is first made "nobody", who owns the folder, so file permissions apply to it.
  int RunInChild(const std::function<int()>& Body) const {
    return TChildProcess([&] {
             if (geteuid() == 0) DropRoot();
             return Body();
           })
        .Wait();
  }

  TTempFolder FFolder;
  TScopedVariable FConfigHome{"XDG_CONFIG_HOME", FFolder.Path()};

 private:
  void DropRoot() const {
    constexpr uid_t nobody = 65534;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(FFolder.Path()))
      if (lchown(entry.path().c_str(), nobody, nobody) != 0) _exit(97);
    if (lchown(FFolder.Path().c_str(), nobody, nobody) != 0 || setgid(nobody) != 0 ||
        setuid(nobody) != 0)
      _exit(97);
  }
};

}  // namespace skyrelle::test_support
