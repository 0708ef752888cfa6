#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "about/OSVersion.h"
#include "about/ShellKnownPath.h"

namespace skyrelle::about {
namespace {

std::string Profile() { return std::getenv("USERPROFILE"); }

// From Vista on the known-folder service answers; before it the CSIDL counterpart does, and a
// folder without one cannot be converted.
TEST(ShellFolders, EachReleaseAsksItsOwnService) {
  EXPECT_EQ(GetKnownFolderPath(FOLDERID_Downloads, 10), Profile() + "\\Downloads");
  EXPECT_EQ(GetKnownFolderPath(FOLDERID_Pictures, 6), Profile() + "\\Pictures");
  EXPECT_EQ(GetKnownFolderPath(FOLDERID_Pictures, 5), Profile() + "\\Pictures");
  EXPECT_EQ(GetKnownFolderPath(FOLDERID_ProgramFilesX86, 5), "C:\\Program Files (x86)");
  EXPECT_EQ(GetKnownFolderPath(GUIDFromText("{0000ABCD-00EF-1234-5678-9ABCDEF01234}"), 10), "");
  try {
    GetKnownFolderPath(FOLDERID_Downloads, 5);
    ADD_FAILURE() << "no error";
  } catch (const EConvertError& error) {
    EXPECT_STREQ(error.what(), "Cannot convert to CSIDL - {374DE290-123F-4565-9164-39C4925E467B}");
  }
}

// A new Wine prefix presents itself as 64-bit Windows 7 with its first service pack: the
// description's second form, and a release with the known-folder service.
TEST(ShellFolders, TheRunningSystemIsDescribedInTheWindowsForm) {
  EXPECT_EQ(GetOSVersionText(),
            "Windows 7 Service Pack 1 (Version 6.1, Build 7601, Edition 64 bits)");
  EXPECT_EQ(GetOSMajorVersion(), 6u);
}

}  // namespace
}  // namespace skyrelle::about
