#include "about/AboutLogic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "about/Download.h"
#include "about/NewVersionCheck.h"
#include "about/OSVersion.h"
#include "core/Paths.h"
#include "platform/ProgramFile.h"
#include "support/ScopedVariable.h"
#include "support/TempFolder.h"
#include "update/FileVersion.h"
#include "update/MakerSite.h"
#include "update/OSError.h"

namespace skyrelle::about {
namespace {

namespace fs = std::filesystem;

const std::string Site = "http://site.test";

// Writes down what the logic asks of the window, in order; serves one descriptor text (or
// fails without one) and answers the question with Answer.
class TFakeView : public IAboutView {
 public:
  std::vector<std::string> Calls;
  std::optional<std::string> Descriptor;
  bool DownloadSucceeds = true;  // for the manual downloads
  bool Answer = true;
  std::vector<std::string> TempFiles;

  void HideBug() override { Calls.emplace_back("HideBug"); }
  void AlignTitleWithBug() override { Calls.emplace_back("AlignTitleWithBug"); }
  void ShowTitle(const std::string& Title) override { Calls.push_back("Title " + Title); }
  void ShowVersion(const std::string& Text) override { Calls.push_back("Version " + Text); }
  void ShowNewVersionNotice(bool Show) override {
    Calls.push_back(std::string("Notice ") + (Show ? "shown" : "hidden"));
  }
  void ShowNews(const std::string& News) override { Calls.push_back("News " + News); }
  void ShowWindowsVersion(const std::string& Text) override { Calls.push_back("System " + Text); }
  void ShowToolchain(const std::string& Text) override { Calls.push_back("Toolchain " + Text); }
  void EnableSetup(bool Enable) override {
    Calls.push_back(std::string("Setup ") + (Enable ? "enabled" : "disabled"));
  }
  bool Download(const std::string& URL, const std::string& FileName,
                const update::TTransferLimits& Limits) override {
    Calls.push_back("Download " + URL + " to " + FileName);
    if (&Limits == &DescriptorLimits) {
      TempFiles.push_back(FileName);
      if (!Descriptor) return false;
      std::ofstream(FileName, std::ios::binary) << *Descriptor;
      return true;
    }
    EXPECT_EQ(&Limits, &ManualDownloadLimits);
    return DownloadSucceeds;
  }
  bool Confirm(const std::string& Text) override {
    Calls.push_back("Confirm " + Text);
    return Answer;
  }
  void ShowError(const std::string& Text) override { Calls.push_back("Error " + Text); }
  void ShowInFileManager(const std::string& FileName) override {
    Calls.push_back("Show " + FileName);
  }
  void OpenURL(const std::string& URL) override { Calls.push_back("Open " + URL); }
};

// The running test program, whose version the build stamped, a site address and a home of
// the test's own (the Downloads folder lies there on Linux).
class AboutLogicTest : public testing::Test {
 protected:
  std::string ProgramPath = platform::ProgramFilePath();
  std::string ProgramFile = core::ExtractFileName(ProgramPath);
  TFakeView View;
  TAboutLogic Logic{View, ProgramPath, "Built with the test's toolchain"};

  std::vector<std::string> Created() {
    Logic.FormCreate();
    return std::exchange(View.Calls, {});
  }

  test_support::TTempFolder Home;

 private:
  test_support::TScopedVariable FSiteUrl{"SKYRELLE_SITE_URL", Site};
  test_support::TScopedVariable FHome{"HOME", Home.Path()};
  test_support::TScopedVariable FConfig{"XDG_CONFIG_HOME", Home.Path() + "/config"};
};

TEST_F(AboutLogicTest, CreationFillsTheWindowInItsOrderWithWhatTheSiteOffers) {
  View.Descriptor =
      "[file1]\nnewversion=9.9.9.9\n[update]\ndescr=One\\nTwo\n[action]\n"
      "runbefore=setup/Install.exe\n";
  const std::vector<std::string> calls = Created();
  ASSERT_EQ(View.TempFiles.size(), 1u);
  EXPECT_EQ(calls,
            (std::vector<std::string>{
                "HideBug",
                "AlignTitleWithBug",
                "Title about_logic_tests",
                "Version Version " + update::GetFileVersionText(ProgramPath),
                "Download " + update::AboutDescriptorURL(ProgramFile) + " to " + View.TempFiles[0],
                "Notice shown",
                "News One\nTwo",
                "System " + GetOSVersionText(),
                "Toolchain Built with the test's toolchain",
                "Setup enabled",
            }));
  EXPECT_FALSE(fs::exists(View.TempFiles[0])) << "the copy is removed";
  EXPECT_TRUE(Logic.NewVersionAvalaible());
  EXPECT_EQ(Logic.ExeSetup(), "setup/Install.exe");
}

TEST_F(AboutLogicTest, WithoutADescriptorTheNoticeStaysHiddenAndTheInstallerDisabled) {
  const std::vector<std::string> calls = Created();
  EXPECT_EQ(
      std::vector<std::string>(calls.begin() + 5, calls.end()),
      (std::vector<std::string>{"Notice hidden", "News ", "System " + GetOSVersionText(),
                                "Toolchain Built with the test's toolchain", "Setup disabled"}));
}

TEST_F(AboutLogicTest, AProgramWithoutVersionStopsTheCreationBeforeTheCheck) {
  ProgramPath = Home.Write("Skyrelle.exe", "no version in here");
  TAboutLogic logic(View, ProgramPath, "toolchain");
  View.Descriptor = "[file1]\nnewversion=9.0\n";
  EXPECT_THROW(logic.FormCreate(), update::EOSError);
  EXPECT_EQ(View.Calls,
            (std::vector<std::string>{"HideBug", "AlignTitleWithBug", "Title Skyrelle"}));
}

TEST_F(AboutLogicTest, LinksOpenTheirPagesByTag) {
  for (const int tag : {1, 2, 3, 0, 4}) Logic.WebLinkClick(tag);
  EXPECT_EQ(View.Calls, (std::vector<std::string>{"Open " + update::WebSitePageURL(),
                                                  "Open " + update::DonationPageURL(),
                                                  "Open " + update::LicenceAgreementURL()}));
  EXPECT_EQ(WebLinkTarget(2), update::DonationPageURL());
  EXPECT_EQ(WebLinkTarget(-1), std::nullopt);
}

struct TManualCase {
  const char* Name;
  const char* RunBefore;
  int Tag;
  bool Succeeds;
  bool Answer;
  bool Downloads;
  std::vector<std::string> Then;  // after the download; "TARGET" stands for the file
};

void PrintTo(const TManualCase& Case, std::ostream* Out) { *Out << Case.Name; }

class ManualDownloadTest : public AboutLogicTest,
                           public testing::WithParamInterface<TManualCase> {};

TEST_P(ManualDownloadTest, DownloadsIntoTheDownloadsFolderAndOffersToShowTheFile) {
  const TManualCase& manual = GetParam();
  View.Descriptor = std::string("[action]\nrunbefore=") + manual.RunBefore + "\n";
  Created();
  View.DownloadSucceeds = manual.Succeeds;
  View.Answer = manual.Answer;
  Logic.menNewVersionClick(manual.Tag);

  std::vector<std::string> expected;
  if (manual.Downloads) {
    const std::string folder = DownloadFolder();
    const bool installer = manual.Tag == 1;
    const std::string name = installer ? update::InstallerFileName(manual.RunBefore)
                                       : update::CabinetFileName(ProgramFile);
    const std::string url =
        installer ? update::InstallerURL(manual.RunBefore) : update::CabinetURL(ProgramFile);
    expected.push_back("Download " + url + " to " + folder + name);
    for (const std::string& then : manual.Then)
      expected.push_back(then == "Show TARGET" ? "Show " + folder + name : then);
  }
  EXPECT_EQ(View.Calls, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, ManualDownloadTest,
    testing::Values(TManualCase{"InstallerShown",
                                "sub/Setup.exe",
                                1,
                                true,
                                true,
                                true,
                                {"Confirm File downloaded successfuly.\nOpen the download folder ?",
                                 "Show TARGET"}},
                    TManualCase{
                        "PackageNotShown",
                        "",
                        2,
                        true,
                        false,
                        true,
                        {"Confirm File downloaded successfuly.\nOpen the download folder ?"}},
                    TManualCase{"Failed",
                                "Setup.exe",
                                1,
                                false,
                                true,
                                true,
                                {"Error Unable to download the new version"}},
                    TManualCase{"NoInstaller", "", 1, true, true, false, {}},
                    TManualCase{"OtherTag", "Setup.exe", 3, true, true, false, {}}),
    [](const testing::TestParamInfo<TManualCase>& Case) { return Case.param.Name; });

}  // namespace
}  // namespace skyrelle::about
