#include "about/NewVersionCheck.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <list>
#include <optional>
#include <string>
#include <vector>

#include "UpdateTestSupport.h"
#include "about/Download.h"
#include "core/Paths.h"
#include "support/ScopedVariable.h"
#include "support/TempFolder.h"
#include "update/MakerSite.h"
#include "update/OSError.h"

namespace skyrelle::about {
namespace {

namespace fs = std::filesystem;

const std::string Site = "http://site.test";
const std::string Files = Site + update::PlatformFilesPath();

// Where the system's temporary files go: the folder that these variables name.
#ifdef _WIN32
const std::vector<const char*> TemporaryFolderVariables = {"TMP", "TEMP"};
#else
const std::vector<const char*> TemporaryFolderVariables = {"TMPDIR"};
#endif

// Stands the temporary folder on AFolder while it lives.
class TTemporaryFolder {
 public:
  explicit TTemporaryFolder(const std::string& AFolder) {
    for (const char* name : TemporaryFolderVariables) FVariables.emplace_back(name, AFolder);
  }

 private:
  std::list<test_support::TScopedVariable> FVariables;
};

// A program file at 1.9.0.0 unless a test gives other numbers, a site address of its own
// and a downloader that serves one descriptor text (or fails without one).
class NewVersionCheck : public testing::Test {
 protected:
  std::string Program(const std::string& Name = "Skyrelle",
                      const std::optional<update::TFileVersion>& Version = update::TFileVersion{
                          1, 9, 0, 0}) {
    return FFolder.Write("bin/" + Name,
                         Version ? test_support::ProgramBytes(*Version) : "no version here");
  }

  TNewVersionNotice Check(const std::string& ProgramPath) {
    return CheckForNewVersion(ProgramPath,
                              [this](const std::string& URL, const std::string& FileName) {
                                Requests.push_back(URL);
                                TempFiles.push_back(FileName);
                                if (!Descriptor) return false;
                                std::ofstream(FileName, std::ios::binary) << *Descriptor;
                                return true;
                              });
  }

  std::optional<std::string> Descriptor;
  std::vector<std::string> Requests;
  std::vector<std::string> TempFiles;

 private:
  test_support::TTempFolder FFolder;
  test_support::TScopedVariable FSite{"SKYRELLE_SITE_URL", Site};
};

TEST_F(NewVersionCheck, ComparesTheSitesVersionWithTheProgramFile) {
  const struct {
    const char* Name;
    std::string Descriptor;
    bool Newer;
    const char* ExeSetup;
  } cases[] = {
      {"newer with installer", "[file1]\nnewversion=1.9.0.1\n[action]\nrunbefore=Setup.exe\n", true,
       "Setup.exe"},
      {"newer without installer", "[file1]\nnewversion=2.0.0.0\n", true, ""},
      {"same version, installer still read", "[file1]\nnewversion=1.9.0.0\n[action]\nrunbefore=S\n",
       false, "S"},
      {"older", "[file1]\nnewversion=1.8.65535.65535\n", false, ""},
      {"no newversion", "[update]\ndescr=x\n", false, ""},
      {"2.1 reads as 2.0.0.1", "[file1]\nnewversion=2.1\n", true, ""},
      {"16-bit numbers wrap", "[file1]\nnewversion=65537.9.0.0\n", false, ""},
      {"quotes removed", "[file1]\nnewversion=\"1.10.0.0\"\n[action]\nrunbefore='a b.exe'\n", true,
       "a b.exe"},
      {"not a descriptor", "<html>Not here</html>", false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Descriptor = c.Descriptor;
    const TNewVersionNotice notice = Check(Program());
    EXPECT_EQ(notice.NewVersionAvalaible, c.Newer);
    EXPECT_EQ(notice.ExeSetup, c.ExeSetup);
  }
}

TEST_F(NewVersionCheck, NewerThanAProgramAtTwoZeroZeroFive) {
  Descriptor = "[file1]\nnewversion=2.1\n";
  EXPECT_FALSE(Check(Program("Skyrelle", update::TFileVersion{2, 0, 0, 5})).NewVersionAvalaible);
}

TEST_F(NewVersionCheck, ReleaseNotesBreakAtEachBackslashN) {
  const struct {
    const char* Name;
    std::string Descr;
    std::string News;
  } cases[] = {
      {"both cases", "First\\nSecond\\NThird", "First\nSecond\nThird"},
      {"other escapes stay", "a\\tb\\\\c", "a\\tb\\\\c"},
      {"empty", "", ""},
      {"cut before the breaks", std::string(2046, 'x') + "\\nLost", std::string(2046, 'x') + "\\"},
      {"break at the cut kept", std::string(2045, 'x') + "\\nLost", std::string(2045, 'x') + "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Descriptor = "[update]\ndescr=" + c.Descr + "\n";
    EXPECT_EQ(Check(Program()).News, c.News);
  }
}

TEST_F(NewVersionCheck, WithoutADescriptorThereIsNothingToShow) {
  const TNewVersionNotice notice = Check(Program());
  EXPECT_FALSE(notice.NewVersionAvalaible);
  EXPECT_EQ(notice.News, "");
  EXPECT_EQ(notice.ExeSetup, "");
}

TEST_F(NewVersionCheck, FetchesTheDescriptorWithoutDebugIntoATemporaryFileItRemoves) {
  Descriptor = "[file1]\nnewversion=1.0\n";
  Check(Program("Skyrelle_Debug"));
  ASSERT_EQ(Requests.size(), 1u);
  EXPECT_EQ(Requests[0], Files + "Skyrelle.INF");
  const fs::path temp = TempFiles[0];
  EXPECT_EQ(core::IncludeTrailingPathDelimiter(core::PathText(temp.parent_path())),
            core::IncludeTrailingPathDelimiter(core::PathText(fs::temp_directory_path())));
  EXPECT_EQ(temp.extension(), ".tmp");
  EXPECT_FALSE(fs::exists(temp));
}

TEST_F(NewVersionCheck, AProgramFileWithoutVersionRaisesOnceTheDescriptorArrived) {
  const std::string program = Program("Skyrelle", std::nullopt);
  EXPECT_NO_THROW(Check(program)) << "no descriptor: the version is not read";
  Descriptor = "[file1]\nnewversion=1.0\n";
  EXPECT_THROW(Check(program), update::EOSError);
  EXPECT_FALSE(fs::exists(TempFiles.back())) << "the temporary copy is removed all the same";
}

TEST_F(NewVersionCheck, WithoutATemporaryFolderNothingIsFetchedAndTheCurrentFolderIsLeftAlone) {
  const test_support::TTempFolder folder;
  const TTemporaryFolder temp(core::JoinPath(folder.Path(), "missing"));
  const std::string program = Program();
  // The user's own file of the bare name, in the folder the program runs in.
  const fs::path previous = fs::current_path();
  fs::current_path(folder.Path());
  std::ofstream(".tmp") << "the user's";
  Descriptor = "[file1]\nnewversion=9.0\n";
  const bool offered = Check(program).NewVersionAvalaible;
  fs::current_path(previous);
  EXPECT_FALSE(offered);
  EXPECT_TRUE(Requests.empty()) << "a bare name would land in the current folder";
  EXPECT_TRUE(fs::exists(fs::path(folder.Path()) / ".tmp")) << "a file that is not ours is removed";
}

TEST(MakeTempFileName, GivesAFreshNameInTheTemporaryFolderAndLeavesNoFile) {
  test_support::TTempFolder folder;
  std::optional<TTemporaryFolder> temp(std::in_place, folder.Path());
  const std::string first = MakeTempFileName(".tmp");
  const std::string second = MakeTempFileName(".inf");
  EXPECT_EQ(fs::path(first).parent_path(), folder.Path());
  EXPECT_EQ(fs::path(first).extension(), ".tmp");
  EXPECT_EQ(fs::path(second).extension(), ".inf");
  EXPECT_NE(fs::path(first).stem(), fs::path(second).stem());
  EXPECT_TRUE(fs::is_empty(folder.Path()));
  temp.emplace(core::JoinPath(folder.Path(), "missing"));
  EXPECT_EQ(MakeTempFileName(".tmp"), ".tmp");
}

TEST(ManualDownloadFor, NamesTheInstallerOrTheCabinetInTheDownloadsFolder) {
  test_support::TScopedVariable site("SKYRELLE_SITE_URL", Site);
  const struct {
    int Tag;
    const char* Program;
    const char* ExeSetup;
    std::optional<std::string> Name;  // both the site's file and the target's
  } cases[] = {
      {1, "/opt/Skyrelle", "SkyrelleSetup.exe", "SkyrelleSetup.exe"},
      {1, "/opt/Skyrelle", "setup/v2\\SkyrelleSetup.exe", "SkyrelleSetup.exe"},
      {1, "/opt/Skyrelle", "../../.profile", ".profile"},
      {1, "/opt/Skyrelle", "", std::nullopt},
      {1, "/opt/Skyrelle", "setup/..", std::nullopt},
      {2, "/opt/Skyrelle", "", "Skyrelle.CAB"},
      {2, "/opt/Skyrelle_debug.bin", "S.exe", "Skyrelle_debug.CAB"},
      {0, "/opt/Skyrelle", "S.exe", std::nullopt},
      {3, "/opt/Skyrelle", "S.exe", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Tag) + " " + c.ExeSetup);
    const auto download = ManualDownloadFor(c.Tag, c.Program, c.ExeSetup, "/home/ann/Downloads/");
    ASSERT_EQ(download.has_value(), c.Name.has_value());
    if (!download) continue;
    EXPECT_EQ(download->URL, Files + *c.Name);
    EXPECT_EQ(download->Target, "/home/ann/Downloads/" + *c.Name);
  }
}

#ifdef _WIN32
TEST(DownloadFolder, IsTheShellsDownloadsFolderWithASeparator) {
  const std::string folder = DownloadFolder();
  ASSERT_TRUE(folder.ends_with("\\")) << folder;
  EXPECT_TRUE(fs::is_directory(core::FileSystemPath(folder)));
  EXPECT_EQ(core::ExtractFileName(folder.substr(0, folder.size() - 1)), "Downloads");
}
#else
TEST(DownloadFolder, IsTheUsersDownloadsFolderMadeWhenMissing) {
  test_support::TTempFolder folder;
  test_support::TScopedVariable home("HOME", folder.Path());
  test_support::TScopedVariable config("XDG_CONFIG_HOME", folder.Path() + "/config");
  EXPECT_EQ(DownloadFolder(), folder.Path() + "/Downloads/");
  EXPECT_TRUE(fs::is_directory(folder.Path() + "/Downloads"));
  folder.Write("config/user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/Mes Téléchargements\"\n");
  EXPECT_EQ(DownloadFolder(), folder.Path() + "/Mes Téléchargements/");
  EXPECT_TRUE(fs::is_directory(folder.Path() + "/Mes Téléchargements"));
}

#endif

}  // namespace
}  // namespace skyrelle::about
