#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

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

  // Runs Body in a child process as a user to whom file permissions apply.
  int RunInChild(const std::function<int()>& Body) const {
    return RunAsNobody(FFolder.Path(), Body);
  }

  TTempFolder FFolder;
  TScopedVariable FConfigHome{"XDG_CONFIG_HOME", FFolder.Path()};
};

}  // namespace skyrelle::test_support
