#include <gtest/gtest.h>

#include <string>

#include "about/ShellKnownPath.h"
#include "support/ScopedVariable.h"
#include "support/TempFolder.h"

// On Linux the shell's folder services are the XDG user directories.
namespace skyrelle::about {
namespace {

constexpr TGUID NotAFolder = GUIDFromText("{0000ABCD-00EF-1234-5678-9abcdef01234}");

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
