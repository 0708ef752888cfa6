#include "platform/linux/XdgAutoStart.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/TempFolder.h"

namespace skyrelle::platform {
namespace {

namespace fs = std::filesystem;

struct TExecCase {
  const char* Path;
  const char* Exec;
};

void PrintTo(const TExecCase& Case, std::ostream* Out) { *Out << Case.Path; }

class DesktopEntryExecTest : public testing::TestWithParam<TExecCase> {};

// Expected values follow the desktop-entry rules: quote on a reserved character, escape
// " ` $ \ inside quotes, double %, then the string escapes (so a backslash shows as four).
TEST_P(DesktopEntryExecTest, QuotesAndEscapesThePath) {
  EXPECT_EQ(DesktopEntryExec(GetParam().Path), GetParam().Exec);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DesktopEntryExecTest,
    testing::Values(TExecCase{"/usr/bin/Skyrelle", "/usr/bin/Skyrelle"},
                    TExecCase{"/opt/My Apps/Skyrelle", "\"/opt/My Apps/Skyrelle\""},
                    TExecCase{"/opt/100%/Skyrelle", "/opt/100%%/Skyrelle"},
                    TExecCase{"/opt/a b%/Skyrelle", "\"/opt/a b%%/Skyrelle\""},
                    TExecCase{"/opt/a$b/Skyrelle", "\"/opt/a\\\\$b/Skyrelle\""},
                    TExecCase{"/opt/a\\b/Skyrelle", "\"/opt/a\\\\\\\\b/Skyrelle\""},
                    TExecCase{"/opt/a\"b/Skyrelle", "\"/opt/a\\\\\"b/Skyrelle\""},
                    TExecCase{"/opt/a`b/Skyrelle", "\"/opt/a\\\\`b/Skyrelle\""},
                    TExecCase{"/opt/it's/Skyrelle", "\"/opt/it's/Skyrelle\""},
                    TExecCase{"/opt/a\tb/Skyrelle", "\"/opt/a\\tb/Skyrelle\""},
                    TExecCase{"/opt/a\nb/Skyrelle", "\"/opt/a\\nb/Skyrelle\""},
                    TExecCase{"/opt/Über/Skyrelle", "/opt/Über/Skyrelle"}));

class XdgAutoStartTest : public testing::Test {
 protected:
  std::string EntryFile() const { return AutoStartEntryFile(FFolder.Path()); }
  TXdgAutoStart Entry(const std::string& Program = "/opt/My Apps/Skyrelle") const {
    return TXdgAutoStart(EntryFile(), Program);
  }
  void WriteEntry(const std::string& Text) const {
    fs::create_directories(fs::path(EntryFile()).parent_path());
    std::ofstream(EntryFile()) << Text;
  }
  std::string ReadEntry() const {
    std::stringstream text;
    text << std::ifstream(EntryFile()).rdbuf();
    return text.str();
  }
  std::size_t FilesInFolder() const {
    const fs::path folder = fs::path(EntryFile()).parent_path();
    return fs::exists(folder) ? std::distance(fs::directory_iterator(folder), {}) : 0;
  }

  test_support::TTempFolder FFolder;
};

TEST_F(XdgAutoStartTest, LivesInTheAutostartFolderOfTheConfigFolder) {
  EXPECT_EQ(AutoStartEntryFile("/home/ann/.config"),
            "/home/ann/.config/autostart/Skyrelle.desktop");
}

TEST_F(XdgAutoStartTest, IsOffWithoutAnEntry) { EXPECT_FALSE(Entry().IsEnabled()); }

struct TPresenceCase {
  const char* Name;
  const char* Text;
  bool Enabled;
};

void PrintTo(const TPresenceCase& Case, std::ostream* Out) { *Out << Case.Text; }

class XdgAutoStartPresenceTest : public XdgAutoStartTest,
                                 public testing::WithParamInterface<TPresenceCase> {};

TEST_P(XdgAutoStartPresenceTest, ReadsPresenceAndTheDesktopsOwnSwitch) {
  WriteEntry(GetParam().Text);
  EXPECT_EQ(Entry().IsEnabled(), GetParam().Enabled);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, XdgAutoStartPresenceTest,
    testing::Values(
        TPresenceCase{"Empty", "", true},
        TPresenceCase{"AnyContent", "written by another tool\n", true},
        TPresenceCase{"Plain", "[Desktop Entry]\nType=Application\nExec=/old/Skyrelle\n", true},
        TPresenceCase{"Hidden", "[Desktop Entry]\nExec=x\nHidden=true\n", false},
        TPresenceCase{"HiddenSpaced", "[Desktop Entry]\nHidden = true\r\n", false},
        TPresenceCase{"HiddenFalse", "[Desktop Entry]\nHidden=false\n", true},
        TPresenceCase{"GnomeOff", "[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n", false},
        TPresenceCase{"GnomeOn", "[Desktop Entry]\nX-GNOME-Autostart-enabled=true\n", true},
        TPresenceCase{"OtherGroup", "[Desktop Entry]\nExec=x\n[Desktop Action a]\nHidden=true\n",
                      true},
        TPresenceCase{"Commented", "[Desktop Entry]\n# Hidden=true\n", true}),
    [](const testing::TestParamInfo<TPresenceCase>& Case) { return Case.param.Name; });

TEST_F(XdgAutoStartTest, EnablingWritesAWholeEntryWithTheProgramPath) {
  Entry().Set(true);
  EXPECT_EQ(ReadEntry(), AutoStartEntryText("/opt/My Apps/Skyrelle"));
  EXPECT_NE(ReadEntry().find("\nExec=\"/opt/My Apps/Skyrelle\"\n"), std::string::npos);
  EXPECT_EQ(FilesInFolder(), 1u) << "no temporary file is left behind";
  EXPECT_TRUE(Entry().IsEnabled());
}

TEST_F(XdgAutoStartTest, EnablingReplacesAnEntryOfAnotherCopyOrOneSwitchedOff) {
  WriteEntry("[Desktop Entry]\nExec=/old/place/Skyrelle\nHidden=true\n");
  Entry("/new/place/Skyrelle").Set(true);
  EXPECT_EQ(ReadEntry(), AutoStartEntryText("/new/place/Skyrelle"));
  EXPECT_TRUE(Entry().IsEnabled());
}

TEST_F(XdgAutoStartTest, DisablingRemovesTheEntryAndAGoneEntryIsNoError) {
  Entry().Set(true);
  Entry().Set(false);
  EXPECT_FALSE(fs::exists(EntryFile()));
  EXPECT_NO_THROW(Entry().Set(false));
}

TEST_F(XdgAutoStartTest, AFolderThatCannotBeMadeIsReportedWithTheStoresText) {
  std::ofstream(FFolder / "autostart") << "a file where the folder should be";
  try {
    Entry().Set(true);
    FAIL() << "no error";
  } catch (const std::exception& error) {
    EXPECT_STREQ(error.what(), "Echec à la définition des données pour 'Skyrelle'");
  }
}

TEST_F(XdgAutoStartTest, AnEntryThatCannotBeReplacedStaysAndNoTemporaryFileRemains) {
  fs::create_directories(fs::path(EntryFile()) / "in the way");
  EXPECT_THROW(Entry().Set(true), std::runtime_error);
  EXPECT_TRUE(fs::is_directory(fs::path(EntryFile()) / "in the way"));
  EXPECT_EQ(FilesInFolder(), 1u);
}

}  // namespace
}  // namespace skyrelle::platform
