#include "platform/ProgramFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "support/TempFolder.h"

namespace skyrelle::platform {
namespace {

namespace fs = std::filesystem;

TEST(ProgramFileTest, IsTheRunningProgramsPath) {
  EXPECT_EQ(fs::path(ProgramFilePath()).filename(), "program_file_tests");
  EXPECT_TRUE(fs::path(ProgramFilePath()).is_absolute());
}

// An upgrade replaces the file under a running program; its name still keys its settings.
TEST(ProgramFileTest, KeepsItsNameWhenTheFileIsReplacedWhileItRuns) {
  const test_support::TTempFolder folder("Sky Apps");
  const std::string copy = folder / "Skyrelle.bin";
  fs::copy_file(PROGRAM_FILE_PROBE, copy);
  std::FILE* output = ::popen(("'" + copy + "'").c_str(), "r");
  ASSERT_NE(output, nullptr);
  char line[4096];
  std::string lines;
  while (std::fgets(line, sizeof line, output) != nullptr) lines += line;
  EXPECT_EQ(::pclose(output), 0);
  EXPECT_EQ(lines, copy + "\n" + copy + "\n");
  EXPECT_FALSE(fs::exists(copy));
}

}  // namespace
}  // namespace skyrelle::platform
