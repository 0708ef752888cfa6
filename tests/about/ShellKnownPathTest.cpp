#include "about/ShellKnownPath.h"

#include <gtest/gtest.h>

#include <string>

#include "support/ScopedVariable.h"
#include "support/TempFolder.h"

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

// A home folder with user-dirs.dirs choosing some folders and leaving the others out.
class KnownFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    FFolder.Write("config/user-dirs.dirs",
                  "# written by xdg-user-dirs-update\n"
                  "XDG_DOWNLOAD_DIR=\"$HOME/Téléchargements\"\n"
                  "XDG_PICTURES_DIR=\"/srv/photos/\"\n"
                  "XDG_MUSIC_DIR=\"$HOME/Music\"\n");
  }

  std::string Home() const { return FFolder.Path() + "/home"; }

  test_support::TTempFolder FFolder;
  test_support::TScopedVariable FHome{"HOME", FFolder.Path() + "/home"};
  test_support::TScopedVariable FConfig{"XDG_CONFIG_HOME", FFolder.Path() + "/config"};
};

TEST_F(KnownFolders, NewerReleasesAskTheKnownFolderService) {
  const struct {
    const char* Name;
    TGUID FolderId;
    std::string Expected;
  } cases[] = {
      {"Downloads as chosen", FOLDERID_Downloads, Home() + "/Téléchargements"},
      {"Pictures absolute, no trailing separator", FOLDERID_Pictures, "/srv/photos"},
      {"Desktop by default", FOLDERID_Desktop, Home() + "/Desktop"},
      {"Documents by default", FOLDERID_Documents, Home() + "/Documents"},
      {"Videos by default", FOLDERID_Videos, Home() + "/Videos"},
      {"Templates by default", FOLDERID_Templates, Home() + "/Templates"},
      {"Public by default", FOLDERID_Public, Home() + "/Public"},
      {"a table folder the service does not know", FOLDERID_ProgramFiles, ""},
      {"not a known folder", NotAFolder, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    for (const std::uint32_t release : {6u, 10u}) {
      EXPECT_EQ(GetKnownFolderPath(c.FolderId, release), c.Expected);
    }
  }
  EXPECT_EQ(GetKnownFolderPath(FOLDERID_Downloads), Home() + "/Téléchargements");
}

TEST_F(KnownFolders, OlderReleasesGoThroughTheCSIDL) {
  EXPECT_EQ(GetKnownFolderPath(FOLDERID_Pictures, 5), "/srv/photos");
  EXPECT_EQ(GetKnownFolderPath(FOLDERID_Music, 5), Home() + "/Music");
  EXPECT_EQ(GetKnownFolderPath(FOLDERID_Videos, 5), Home() + "/Videos");
  EXPECT_EQ(GetKnownFolderPath(FOLDERID_ProgramFilesX86, 5), "");
}

TEST_F(KnownFolders, FoldersWithoutCounterpartCannotBeConverted) {
  const struct {
    const char* Name;
    TGUID FolderId;
  } cases[] = {
      {"Downloads", FOLDERID_Downloads},
      {"Desktop, whose CSIDL is 0", FOLDERID_Desktop},
      {"not a known folder", NotAFolder},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    try {
      GetKnownFolderPath(c.FolderId, 5);
      ADD_FAILURE() << "no error raised";
    } catch (const EConvertError& error) {
      EXPECT_EQ(std::string(error.what()), "Cannot convert to CSIDL - " + GUIDToString(c.FolderId));
    }
  }
  EXPECT_THROW(GetKnownFolderPathByCSIDL(FOLDERID_Downloads), EConvertError);
  try {
    GetKnownFolderPathByCSIDL(FOLDERID_Downloads);
  } catch (const EConvertError& error) {
    EXPECT_STREQ(error.what(), "Cannot convert to CSIDL - {374DE290-123F-4565-9164-39C4925E467B}");
  }
}

}  // namespace
}  // namespace skyrelle::about
