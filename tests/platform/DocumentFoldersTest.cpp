#include "platform/DocumentFolders.h"

#include <gtest/gtest.h>

#include <string>

#include "support/ScopedVariable.h"
#include "support/TempFolder.h"

namespace skyrelle::platform {
namespace {

using namespace std::string_literals;

TEST(FindDocumentFolder, ReadsTheLinesXdgUserDirsWrites) {
  const struct {
    const char* Name;
    std::string Text;
    std::optional<std::string> Expected;
  } cases[] = {
      {"relative to home", "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n", "/home/ann/Downloads"},
      {"absolute", "XDG_DOWNLOAD_DIR=\"/data/dl\"", "/data/dl"},
      {"trailing separators", "XDG_DOWNLOAD_DIR=\"/data/dl//\"", "/data/dl"},
      {"home itself", "XDG_DOWNLOAD_DIR=\"$HOME/\"", "/home/ann"},
      {"bare $HOME", "XDG_DOWNLOAD_DIR=\"$HOME\"", "/home/ann"},
      {"blanks around =", "  XDG_DOWNLOAD_DIR =\t\"$HOME/D\"", "/home/ann/D"},
      {"escapes", R"(XDG_DOWNLOAD_DIR="$HOME/My \"Files\" \\ x")", "/home/ann/My \"Files\" \\ x"},
      {"spaces and UTF-8", "XDG_DOWNLOAD_DIR=\"$HOME/Mes Téléchargements\"",
       "/home/ann/Mes Téléchargements"},
      {"last setting wins", "XDG_DOWNLOAD_DIR=\"/a\"\nXDG_DOWNLOAD_DIR=\"/b\"\n", "/b"},
      {"relative path ignored", "XDG_DOWNLOAD_DIR=\"Downloads\"", std::nullopt},
      {"other variable", "XDG_DESKTOP_DIR=\"$HOME/Desktop\"", std::nullopt},
      {"longer name", "XDG_DOWNLOAD_DIRS=\"/x\"", std::nullopt},
      {"commented out", "# XDG_DOWNLOAD_DIR=\"/x\"", std::nullopt},
      {"unquoted", "XDG_DOWNLOAD_DIR=/x", std::nullopt},
      {"$HOME not followed by a separator", "XDG_DOWNLOAD_DIR=\"$HOMEx\"", std::nullopt},
      {"NUL in the path", "XDG_DOWNLOAD_DIR=\"/a\0b\""s, std::nullopt},
      {"unterminated", "XDG_DOWNLOAD_DIR=\"/a", "/a"},
      {"empty", "", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(FindDocumentFolder(c.Text, "DOWNLOAD", "/home/ann"), c.Expected);
  }
}

TEST(DocumentFolder, FallsBackToTheUsualFoldersWithoutAFile) {
  test_support::TTempFolder folder;
  test_support::TScopedVariable home("HOME", folder.Path() + "/home/");
  test_support::TScopedVariable config("XDG_CONFIG_HOME", folder.Path() + "/missing");
  const std::string base = folder.Path() + "/home";
  EXPECT_EQ(DocumentFolder("DOWNLOAD"), base + "/Downloads");
  EXPECT_EQ(DocumentFolder("DESKTOP"), base + "/Desktop");
  EXPECT_EQ(DocumentFolder("PUBLICSHARE"), base + "/Public");
  EXPECT_EQ(DocumentFolder("FONTS"), "");
  EXPECT_EQ(DocumentFolder(""), "");
}

TEST(DocumentFolder, ReadsTheFileInTheConfigurationFolder) {
  test_support::TTempFolder folder;
  test_support::TScopedVariable home("HOME", folder.Path());
  // A relative XDG_CONFIG_HOME is ignored, as the XDG rules say: ~/.config is used.
  test_support::TScopedVariable config("XDG_CONFIG_HOME", "relative/config");
  folder.Write(".config/user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/dl\"\n");
  EXPECT_EQ(DocumentFolder("DOWNLOAD"), folder.Path() + "/dl");
  EXPECT_EQ(DocumentFolder("MUSIC"), folder.Path() + "/Music");
}

}  // namespace
}  // namespace skyrelle::platform
