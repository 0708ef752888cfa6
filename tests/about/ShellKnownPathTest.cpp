#include "about/ShellKnownPath.h"

#include <gtest/gtest.h>

#include <string>

namespace skyrelle::about {
namespace {

constexpr TGUID NotAFolder = GUIDFromText("{0000ABCD-00EF-1234-5678-9abcdef01234}");

TEST(GUIDToString, WritesTheBracedUpperCaseRegistryForm) {
  EXPECT_EQ(GUIDToString(FOLDERID_Downloads), "{374DE290-123F-4565-9164-39C4925E467B}");
  EXPECT_EQ(GUIDToString(FOLDERID_CommonPrograms), "{0139D44E-6AFE-49F2-8690-3DAFCAE6FFB8}");
  EXPECT_EQ(GUIDToString(NotAFolder), "{0000ABCD-00EF-1234-5678-9ABCDEF01234}");
  EXPECT_EQ(GUIDToString(TGUID{}), "{00000000-0000-0000-0000-000000000000}");
}

TEST(KnownFolderToCSIDL, LooksTheFolderUpInTheTable) {
  const struct {
    const char* Name;
    TGUID FolderId;
    int Expected;
  } cases[] = {
      {"first row", FOLDERID_AdminTools, CSIDL_ADMINTOOLS},
      {"last row", FOLDERID_Windows, CSIDL_WINDOWS},
      {"Pictures", FOLDERID_Pictures, 39},
      {"ProgramFilesX86", FOLDERID_ProgramFilesX86, 42},
      {"Startup, not the alternate one", FOLDERID_Startup, 7},
      {"PublicDesktop", FOLDERID_PublicDesktop, 25},
      {"Desktop is CSIDL_DESKTOP, which is 0", FOLDERID_Desktop, 0},
      {"Downloads has no counterpart", FOLDERID_Downloads, 0},
      {"Documents is not in the table", FOLDERID_Documents, 0},
      {"not a known folder", NotAFolder, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(KnownFolderToCSIDL(c.FolderId), c.Expected);
  }
  TGUID almost = FOLDERID_Pictures;
  almost.D4[7] ^= 1;  // every byte counts
  EXPECT_EQ(KnownFolderToCSIDL(almost), 0);
}

}  // namespace
}  // namespace skyrelle::about
