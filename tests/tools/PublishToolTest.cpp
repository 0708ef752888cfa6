#include "tools/publish/Publish.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "UpdateTestSupport.h"
#include "support/TempFolder.h"
#include "update/Cabinet.h"
#include "update/Descriptor.h"
#include "update/FileVersion.h"
#include "update/MakerSite.h"
#include "update/PackageIntegrity.h"

namespace skyrelle::publish {
namespace {

namespace fs = std::filesystem;
using test_support::ModeOf;
using test_support::ReadFile;
using test_support::TreeOf;

class PublishTool : public ::testing::Test {
 protected:
  TPublishOptions Options() const { return {.Program = FProgram, .SiteFolder = FSite}; }
  std::string Files(const std::string& AName) const {
    return FSite + update::PlatformFilesPath() + AName;
  }
  update::TDescriptorReader Descriptor() const {
    return update::TDescriptorReader::FromFile(Files("Skyrelle.INF"));
  }

  test_support::TTempFolder FFolder;
  std::string FBuilt = test_support::ProgramBytes({1, 0, 0, 1});
  std::string FProgram = FFolder.Write("build/Skyrelle", FBuilt);
  std::string FSite = FFolder / "site";
};

TEST_F(PublishTool, CopyModePublishesACabinetHoldingTheProgramUnderTheNewVersion) {
  TPublishOptions options = Options();
  options.Version = update::TFileVersion{2, 3, 4, 5};
  options.Notes = "First line\r\nsecond line\nthird\tline";
  options.Unconditional = true;
  options.Installer = FFolder.Write("dist/SkyrelleSetup.run", "installer");

  const TPublished published = Publish(options);

  const update::TDescriptorReader descriptor = Descriptor();
  EXPECT_EQ(descriptor.ReadInteger("update", "unconditional", -1), 1);
  EXPECT_EQ(update::ReleaseNotesWithLineBreaks(
                update::TAboutDescriptorReader::FromFile(published.Descriptor)
                    .ReadString("update", "descr", "")),
            "First line\nsecond line\nthird line");
  EXPECT_EQ(descriptor.ReadString("file1", "url", ""), "Skyrelle.CAB");
  EXPECT_EQ(descriptor.ReadString("file1", "newversion", ""), "2.3.4.5");
  EXPECT_EQ(descriptor.ReadString("file1", "localversion", ""), "Skyrelle");
  EXPECT_EQ(descriptor.ReadInteger("file1", "compressed", -1), 1);
  const std::string cabinet = ReadFile(Files("Skyrelle.CAB"));
  EXPECT_EQ(descriptor.ReadInteger("file1", "filesize", -1), static_cast<int>(cabinet.size()));
  EXPECT_EQ(descriptor.ReadString("file1", "sha256", ""), update::Sha256Hex(cabinet));
  EXPECT_EQ(descriptor.ReadString("file1", "signature", "none"), "none");
  EXPECT_EQ(descriptor.ReadString("action", "runbefore", ""), "SkyrelleSetup.run");
  EXPECT_EQ(ReadFile(Files("SkyrelleSetup.run")), "installer");
  EXPECT_EQ(update::SiteAddressB() + published.Installer.substr(FSite.size()),
            update::InstallerURL("SkyrelleSetup.run"))
      << "where the About window fetches it";

  ASSERT_TRUE(update::ExpandCabinet(Files("Skyrelle.CAB"), FFolder / "expanded"));
  EXPECT_EQ(update::GetFileVersionText(FFolder / "expanded/Skyrelle"), "2.3.4.5");
  EXPECT_EQ(ModeOf(FFolder / "expanded/Skyrelle"), 0700);
  EXPECT_EQ(ReadFile(FProgram), FBuilt);
  EXPECT_EQ(published.Package, published.Cabinet);
  EXPECT_EQ(TreeOf(Files("")),
            (std::vector<std::string>{"Skyrelle.CAB", "Skyrelle.INF", "SkyrelleSetup.run"}));
}

TEST_F(PublishTool, MoveModePublishesTheBareProgramAndStillTheCabinet) {
  TPublishOptions options = Options();
  options.MoveMode = true;

  const TPublished published = Publish(options);

  const update::TDescriptorReader descriptor = Descriptor();
  EXPECT_EQ(descriptor.ReadString("file1", "url", ""), "Skyrelle");
  EXPECT_EQ(descriptor.ReadString("file1", "newversion", ""), "1.0.0.1");
  EXPECT_EQ(descriptor.ReadInteger("file1", "compressed", -1), 0);
  EXPECT_EQ(descriptor.ReadInteger("update", "unconditional", -1), 0);
  EXPECT_EQ(descriptor.ReadString("action", "runbefore", "none"), "");
  EXPECT_EQ(descriptor.ReadInteger("file1", "filesize", -1), static_cast<int>(FBuilt.size()));
  EXPECT_EQ(descriptor.ReadString("file1", "sha256", ""), update::Sha256Hex(FBuilt));
  EXPECT_EQ(ReadFile(Files("Skyrelle")), FBuilt);
  EXPECT_EQ(ModeOf(Files("Skyrelle")), 0755);
  EXPECT_EQ(published.Package, Files("Skyrelle"));
  EXPECT_EQ(TreeOf(Files("")),
            (std::vector<std::string>{"Skyrelle", "Skyrelle.CAB", "Skyrelle.INF"}));
}

TEST_F(PublishTool, ASignedPackageVerifiesUnderThePublicKey) {
  const test_support::TSigningKey key = test_support::MakeSigningKey();
  for (const bool move : {false, true}) {
    SCOPED_TRACE(move ? "move mode" : "copy mode");
    TPublishOptions options = Options();
    options.MoveMode = move;
    options.PrivateKey = FFolder.Write("key.pem", key.PrivatePem);
    const TPublished published = Publish(options);
    EXPECT_TRUE(update::VerifySignature(ReadFile(published.Package),
                                        Descriptor().ReadString("file1", "signature", ""),
                                        key.PublicKey));
  }
}

TEST_F(PublishTool, WritesNoDescriptorWhenAnythingFails) {
  const struct {
    const char* Name;
    std::function<void(TPublishOptions&)> Change;
  } cases[] = {
      {"program without version record",
       [this](TPublishOptions& AOptions) { AOptions.Program = FFolder.Write("plain", "x"); }},
      {"missing program", [this](TPublishOptions& AOptions) { AOptions.Program = FFolder / "no"; }},
      {"missing key", [this](TPublishOptions& AOptions) { AOptions.PrivateKey = FFolder / "no"; }},
      {"missing installer",
       [this](TPublishOptions& AOptions) { AOptions.Installer = FFolder / "no"; }},
      {"installer without a file name",
       [](TPublishOptions& AOptions) { AOptions.Installer = "/"; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TPublishOptions options = Options();
    c.Change(options);
    EXPECT_THROW(Publish(options), std::runtime_error);
    EXPECT_FALSE(fs::exists(Files("Skyrelle.INF")));
  }
}

TEST(ParseReleaseVersion, TakesFourNumbersUpTo65535) {
  EXPECT_EQ(ParseReleaseVersion("2.1.0.15"), (update::TFileVersion{2, 1, 0, 15}));
  EXPECT_EQ(ParseReleaseVersion("65535.0.0.65535"), (update::TFileVersion{65535, 0, 0, 65535}));
  for (const char* text : {"", "1.2.3", "1.2.3.4.5", "1.2.3.65536", "a.b.c.d", "1..2.3", "-1.0.0.0",
                           "1.2.3.4 ", "+1.2.3.4", "1.2.3.99999999999"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW(ParseReleaseVersion(text), std::runtime_error);
  }
}

}  // namespace
}  // namespace skyrelle::publish
