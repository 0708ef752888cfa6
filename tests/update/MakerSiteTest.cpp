#include "update/MakerSite.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/ScopedVariable.h"

namespace skyrelle::update {
namespace {

const std::string Domain = SKYRELLE_TEST_SITE_DOMAIN;
// The Windows program keeps "/files/" itself; a Linux program its platform's folder below it.
const std::string PlatformFolder = SKYRELLE_TEST_SITE_PLATFORM_FOLDER;
const std::string Files = PlatformFolder.empty() ? "/files/" : "/files/" + PlatformFolder + "/";

class MakerSite : public ::testing::Test {
 protected:
  test_support::TScopedVariable FSiteUrl{"SKYRELLE_SITE_URL", std::nullopt};
};

TEST_F(MakerSite, HostsComeFromTheBuildsDomain) {
  EXPECT_EQ(SiteAddressA(), "https://" + Domain);
  EXPECT_EQ(SiteAddressB(), "https://www." + Domain);
  EXPECT_EQ(WebSiteHostName(), "www." + Domain);
  EXPECT_EQ(StartupDescriptorURL("Skyrelle"), "https://" + Domain + Files + "Skyrelle.INF");
  const std::string files = "https://www." + Domain + Files;
  EXPECT_EQ(AboutDescriptorURL("Skyrelle_debug"), files + "Skyrelle.INF");
  EXPECT_EQ(CabinetURL("Skyrelle_debug"), files + "Skyrelle_debug.CAB");
  EXPECT_EQ(InstallerURL("setup\\SkyrelleSetup.exe"), files + "SkyrelleSetup.exe");
  EXPECT_EQ(WebSitePageURL(), "https://www." + Domain + "/wiki/doku.php");
  EXPECT_EQ(LicenceAgreementURL(), "https://www." + Domain + "/wiki/doku.php?id=start:utils:eula");
}

TEST_F(MakerSite, EnvironmentAddressStandsForBothHosts) {
  const struct {
    const char* Value;
    const char* Base;  // nullptr: the value is ignored
    const char* Host;
  } cases[] = {
      {"http://127.0.0.1:8080", "http://127.0.0.1:8080", "127.0.0.1:8080"},
      {"http://127.0.0.1:8080/", "http://127.0.0.1:8080", "127.0.0.1:8080"},
      {"https://mirror.test/skyrelle//", "https://mirror.test/skyrelle", "mirror.test"},
      {"HTTP://Mirror.test", "HTTP://Mirror.test", "Mirror.test"},
      {"", nullptr, nullptr},
      {"ftp://mirror.test", nullptr, nullptr},
      {"mirror.test", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Value);
    test_support::TScopedVariable url("SKYRELLE_SITE_URL", c.Value);
    const std::string base = c.Base != nullptr ? c.Base : "https://" + Domain;
    EXPECT_EQ(SiteAddressA(), base);
    EXPECT_EQ(SiteAddressB(), c.Base != nullptr ? base : "https://www." + Domain);
    EXPECT_EQ(WebSiteHostName(), c.Host != nullptr ? c.Host : "www." + Domain);
    EXPECT_EQ(StartupDescriptorURL("Skyrelle"), base + Files + "Skyrelle.INF");
  }
}

TEST(PlatformFilesPath, KeepsEachPlatformsPackagesApart) {
  EXPECT_EQ(PlatformFilesPath(), Files);
#ifdef _WIN32
  EXPECT_EQ(Files, "/files/");
#else
  EXPECT_TRUE(Files.starts_with("/files/linux-")) << Files;
  EXPECT_NE(Files, "/files/linux-/");
#endif
}

TEST(DescriptorFileNames, ReplaceTheExtension) {
  const struct {
    const char* Program;
    const char* Startup;
    const char* About;
    const char* Cabinet;
  } cases[] = {
      {"Skyrelle.exe", "Skyrelle.INF", "Skyrelle.INF", "Skyrelle.CAB"},
      {"Skyrelle", "Skyrelle.INF", "Skyrelle.INF", "Skyrelle.CAB"},
      {"Skyrelle_debug.exe", "Skyrelle_debug.INF", "Skyrelle.INF", "Skyrelle_debug.CAB"},
      {"Sky_DEBUGrelle_Debug", "Sky_DEBUGrelle_Debug.INF", "Skyrelle.INF",
       "Sky_DEBUGrelle_Debug.CAB"},
      {"Sky.Tool.exe", "Sky.Tool.INF", "Sky.Tool.INF", "Sky.Tool.CAB"},
      {"x__debugdebug", "x__debugdebug.INF", "x_debug.INF", "x__debugdebug.CAB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Program);
    EXPECT_EQ(DescriptorFileName(c.Program), c.Startup);
    EXPECT_EQ(AboutDescriptorFileName(c.Program), c.About);
    EXPECT_EQ(CabinetFileName(c.Program), c.Cabinet);
  }
}

TEST(PackageURL, ReplacesTheDescriptorsNameVerbatim) {
  const struct {
    const char* Descriptor;
    const char* Url;
    const char* Expected;
  } cases[] = {
      {"https://h/files/Skyrelle.INF", "Skyrelle.cab", "https://h/files/Skyrelle.cab"},
      {"https://h/files/Skyrelle.INF", "v2/Sky relle.cab", "https://h/files/v2/Sky relle.cab"},
      {"https://h/files/Skyrelle.INF", "", "https://h/files/"},
      {"Skyrelle.INF", "a.cab", "Skyrelle.INF/a.cab"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Url);
    EXPECT_EQ(PackageURL(c.Descriptor, c.Url), c.Expected);
  }
}

TEST(InstallerFileName, KeepsTheFileNamePartOnly) {
  const struct {
    const char* RunBefore;
    const char* Expected;
  } cases[] = {
      {"SkyrelleSetup.exe", "SkyrelleSetup.exe"},
      {"setup/SkyrelleSetup.exe", "SkyrelleSetup.exe"},
      {"C:\\setup\\SkyrelleSetup.exe", "SkyrelleSetup.exe"},
      {"", ""},
      {"setup/", ""},
      {"..", ""},
      {"setup/..", ""},
      {".", ""},
      {"...", "..."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.RunBefore);
    EXPECT_EQ(InstallerFileName(c.RunBefore), c.Expected);
  }
  EXPECT_EQ(InstallerURL(""), "");
  EXPECT_EQ(InstallerURL("setup/.."), "");
}

}  // namespace
}  // namespace skyrelle::update
