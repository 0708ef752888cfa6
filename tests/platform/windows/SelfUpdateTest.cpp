#include "platform/SelfUpdate.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>

#include "support/ScopedVariable.h"
#include "support/TempFolder.h"

namespace skyrelle::platform {
namespace {

using test_support::TScopedVariable;
using test_support::TTempFolder;

std::string ShortForm(const std::string& APath) {
  char path[MAX_PATH] = {};
  GetShortPathNameA(APath.c_str(), path, MAX_PATH);
  return path;
}

// The user's temporary folder as the system names it, in its long form and without a closing
// separator, whichever form the variables hold.
TEST(PrivateRuntimeFolder, IsTheTemporaryFolderInItsLongForm) {
  const TTempFolder folder("A rather long folder name");
  for (const std::string& named : {folder.Path(), folder.Path() + "\\", ShortForm(folder.Path())}) {
    SCOPED_TRACE(named);
    const TScopedVariable tmp("TMP", named);
    EXPECT_EQ(PrivateRuntimeFolder(), folder.Path());
  }
}

TEST(MayReplaceProgramFile, OnlyAWritableFileInAFolderTheUserMayWriteIn) {
  const TTempFolder folder;
  const std::string program = folder.Write("Skyrelle.exe", "program");
  EXPECT_TRUE(MayReplaceProgramFile(program));
  SetFileAttributesA(program.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(MayReplaceProgramFile(program));
  SetFileAttributesA(program.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_FALSE(MayReplaceProgramFile(folder.Path()));
  EXPECT_FALSE(MayReplaceProgramFile(folder / "missing.exe"));
  EXPECT_FALSE(MayReplaceProgramFile(""));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1)
      << "the probe for the folder's rights stayed";
}

// Gone for the C runtime and for the processes started later alike.
TEST(RemoveEnvironmentVariable, RemovesItForTheRuntimeAndTheSystem) {
  const TScopedVariable mark("SKYRELLE_TEST_MARK", "1");
  ASSERT_NE(std::getenv("SKYRELLE_TEST_MARK"), nullptr);
  RemoveEnvironmentVariable("SKYRELLE_TEST_MARK");
  EXPECT_EQ(std::getenv("SKYRELLE_TEST_MARK"), nullptr);
  EXPECT_EQ(GetEnvironmentVariableW(L"SKYRELLE_TEST_MARK", nullptr, 0), 0u);
}

}  // namespace
}  // namespace skyrelle::platform
