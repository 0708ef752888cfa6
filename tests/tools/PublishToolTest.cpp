#include "tools/publish/Publish.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "UpdateTestSupport.h"
#include "support/TempFolder.h"
#include "tools/publish/WindowsProgram.h"
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

void Put16(std::string& ABytes, std::size_t AOffset, std::uint32_t AValue) {
  for (std::size_t i = 0; i < 2; ++i) ABytes[AOffset + i] = static_cast<char>(AValue >> (8 * i));
}

void Put32(std::string& ABytes, std::size_t AOffset, std::uint32_t AValue) {
  for (std::size_t i = 0; i < 4; ++i) ABytes[AOffset + i] = static_cast<char>(AValue >> (8 * i));
}

// Where the fixture's parts lie, for the cases that damage them.
namespace pe {
constexpr std::size_t Header = 0x40;               // "PE\0\0", then the file header
constexpr std::size_t Optional = 0x58;             // the optional header
constexpr std::size_t Resources = 0x200;           // the .rsrc section's bytes, at address 0x1000
constexpr std::size_t Version = Resources + 0x58;  // VS_VERSIONINFO
constexpr std::size_t Size = Version + 92;
// The section table, after a 64-bit optional header.
constexpr std::size_t Section = Optional + 240;
}  // namespace pe

// The smallest Windows program file that Windows reads a file version from: headers, one
// section holding the resource directory (type 16, id 1, language 0x409) and VS_VERSIONINFO
// with its fixed file information. No code: nothing here runs it.
std::string WindowsProgramBytes(const update::TFileVersion& AVersion, bool A64Bit = true) {
  std::string bytes(pe::Size, '\0');
  bytes.replace(0, 2, "MZ");
  Put32(bytes, 0x3C, pe::Header);
  bytes.replace(pe::Header, 4, std::string("PE\0\0", 4));
  const std::size_t directories = pe::Optional + (A64Bit ? 112 : 96);
  const std::size_t section = directories + 16 * 8;
  Put16(bytes, pe::Header + 4, A64Bit ? 0x8664 : 0x14C);  // machine
  Put16(bytes, pe::Header + 6, 1);                        // sections
  Put16(bytes, pe::Header + 20, section - pe::Optional);  // optional header's size
  Put16(bytes, pe::Optional, A64Bit ? 0x20B : 0x10B);
  Put32(bytes, directories - 4, 16);  // data directories
  Put32(bytes, directories + 16, 0x1000);
  Put32(bytes, directories + 20, pe::Size - pe::Resources);
  bytes.replace(section, 5, ".rsrc");
  Put32(bytes, section + 8, pe::Size - pe::Resources);
  Put32(bytes, section + 12, 0x1000);
  Put32(bytes, section + 16, pe::Size - pe::Resources);
  Put32(bytes, section + 20, pe::Resources);
  // Three directory levels of one entry each, then the data entry.
  const std::pair<std::uint32_t, std::uint32_t> entries[] = {
      {16, 0x80000018}, {1, 0x80000030}, {0x409, 0x48}};
  for (std::size_t level = 0; level < 3; ++level) {
    const std::size_t directory = pe::Resources + 0x18 * level;
    Put16(bytes, directory + 14, 1);
    Put32(bytes, directory + 16, entries[level].first);
    Put32(bytes, directory + 20, entries[level].second);
  }
  Put32(bytes, pe::Resources + 0x48, 0x1058);
  Put32(bytes, pe::Resources + 0x4C, 92);
  Put16(bytes, pe::Version, 92);
  Put16(bytes, pe::Version + 2, 52);
  const std::string key = "VS_VERSION_INFO";
  for (std::size_t i = 0; i < key.size(); ++i) Put16(bytes, pe::Version + 6 + 2 * i, key[i]);
  Put32(bytes, pe::Version + 40, 0xFEEF04BD);
  Put32(bytes, pe::Version + 48, (std::uint32_t{AVersion.Major} << 16) | AVersion.Minor);
  Put32(bytes, pe::Version + 52, (std::uint32_t{AVersion.Release} << 16) | AVersion.Build);
  return bytes;
}

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
      {"damaged Windows program",
       [this](TPublishOptions& AOptions) {
         AOptions.Program =
             FFolder.Write("Skyrelle.exe", WindowsProgramBytes({1, 0, 0, 2}).substr(0, 300));
       }},
      {"version stamped into a Windows program",
       [this](TPublishOptions& AOptions) {
         AOptions.Program = FFolder.Write("Skyrelle.exe", WindowsProgramBytes({1, 0, 0, 2}));
         AOptions.Version = update::TFileVersion{1, 0, 0, 3};
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TPublishOptions options = Options();
    c.Change(options);
    EXPECT_THROW(Publish(options), std::runtime_error);
    EXPECT_FALSE(fs::exists(Files("Skyrelle.INF")));
    EXPECT_FALSE(fs::exists(FSite + update::WindowsFilesPath() + "Skyrelle.INF"));
  }
}

TEST_F(PublishTool, AWindowsProgramGoesToTheFilesFolderWithWindowsText) {
  const std::string built = WindowsProgramBytes({1, 2, 3, 4});
  for (const bool move : {false, true}) {
    SCOPED_TRACE(move ? "move mode" : "copy mode");
    test_support::TTempFolder folder;
    TPublishOptions options = {.Program = folder.Write("build-windows/Skyrelle.exe", built),
                               .SiteFolder = folder / "site",
                               .MoveMode = move,
                               .Notes = "Première ligne\nsecond line"};

    const TPublished published = Publish(options);

    const std::string files = folder / "site/files/";
    EXPECT_EQ(published.Descriptor, files + "Skyrelle.INF");
    EXPECT_EQ(published.Cabinet, files + "Skyrelle.CAB");
    const std::string text = ReadFile(published.Descriptor);
    EXPECT_TRUE(text.starts_with("\xEF\xBB\xBF")) << "the About window reads the notes as UTF-8";
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
              std::count(text.begin(), text.end(), '\r'));
    const update::TDescriptorReader descriptor = update::TDescriptorReader::FromText(text);
    EXPECT_EQ(descriptor.ReadString("file1", "newversion", ""), "1.2.3.4");
    EXPECT_EQ(descriptor.ReadString("file1", "localversion", ""), "Skyrelle.exe");
    EXPECT_EQ(descriptor.ReadString("file1", "url", ""), move ? "Skyrelle.exe" : "Skyrelle.CAB");
    EXPECT_EQ(descriptor.ReadInteger("file1", "compressed", -1), move ? 0 : 1);
    const std::string package = ReadFile(published.Package);
    EXPECT_EQ(descriptor.ReadInteger("file1", "filesize", -1), static_cast<int>(package.size()));
    EXPECT_EQ(descriptor.ReadString("file1", "sha256", ""), update::Sha256Hex(package));
    EXPECT_EQ(update::TAboutDescriptorReader::FromText(text).ReadString("update", "descr", ""),
              "Première ligne\\nsecond line");

    ASSERT_TRUE(update::ExpandCabinet(published.Cabinet, folder / "expanded"));
    EXPECT_EQ(TreeOf(folder / "expanded"), std::vector<std::string>{"Skyrelle.exe"});
    EXPECT_EQ(ReadFile(folder / "expanded/Skyrelle.exe"), built);
    EXPECT_EQ(ModeOf(folder / "expanded/Skyrelle.exe"), 0600)
        << "no mark that asks Windows to run the file once it is out";
    EXPECT_EQ(package, move ? built : ReadFile(published.Cabinet));
    EXPECT_EQ(
        TreeOf(folder / "site"),
        (move ? std::vector<std::string>{"files", "files/Skyrelle.CAB", "files/Skyrelle.INF",
                                         "files/Skyrelle.exe"}
              : std::vector<std::string>{"files", "files/Skyrelle.CAB", "files/Skyrelle.INF"}));
  }
}

TEST_F(PublishTool, AnAsciiWindowsDescriptorHasNoByteOrderMark) {
  TPublishOptions options = Options();
  options.Program = FFolder.Write("Skyrelle.exe", WindowsProgramBytes({1, 0, 0, 2}));
  options.Notes = "Plain notes";
  const TPublished published = Publish(options);
  EXPECT_TRUE(ReadFile(published.Descriptor).starts_with("; Written by skyrelle-publish.\r\n"));
}

TEST(ReadWindowsFileVersion, ReadsTheFixedFileVersionOfBothKindsOfProgram) {
  EXPECT_EQ(ReadWindowsFileVersion(WindowsProgramBytes({2, 1, 0, 15})),
            (update::TFileVersion{2, 1, 0, 15}));
  EXPECT_EQ(ReadWindowsFileVersion(WindowsProgramBytes({65535, 1, 65534, 2}, false)),
            (update::TFileVersion{65535, 1, 65534, 2}));
}

TEST(ReadWindowsFileVersion, ADamagedOrHostileProgramGetsAClearError) {
  const std::string damaged = "damaged Windows program";
  const std::string none = "without version resource";
  const struct {
    const char* Name;
    std::function<void(std::string&)> Change;
    const std::string& Error;
  } cases[] = {
      {"PE header beyond the file", [](std::string& AB) { Put32(AB, 0x3C, 0xFFFFFFF0); }, damaged},
      {"no PE signature", [](std::string& AB) { AB[pe::Header + 1] = 'X'; }, damaged},
      {"unknown optional header", [](std::string& AB) { Put16(AB, pe::Optional, 0x107); }, damaged},
      {"sections beyond the file", [](std::string& AB) { Put16(AB, pe::Header + 6, 0xFFFF); },
       damaged},
      {"section's bytes beyond the file",
       [](std::string& AB) { Put32(AB, pe::Section + 20, 0xFFFFFF00); }, damaged},
      {"resources outside every section",
       [](std::string& AB) { Put32(AB, pe::Optional + 128, 0x2000); }, damaged},
      {"resources larger than their section",
       [](std::string& AB) { Put32(AB, pe::Optional + 132, 0xFFFFFFFF); }, damaged},
      {"no resource directory", [](std::string& AB) { Put32(AB, pe::Optional + 132, 0); }, none},
      {"too few data directories", [](std::string& AB) { Put32(AB, pe::Optional + 108, 2); }, none},
      {"no version type", [](std::string& AB) { Put32(AB, pe::Resources + 16, 3); }, none},
      {"no VS_VERSION_INFO id", [](std::string& AB) { Put32(AB, pe::Resources + 0x28, 2); }, none},
      {"no language", [](std::string& AB) { Put16(AB, pe::Resources + 0x30 + 14, 0); }, none},
      {"entries beyond the directory",
       [](std::string& AB) {
         Put32(AB, pe::Resources + 16, 3);
         Put16(AB, pe::Resources + 14, 0xFFFF);
       },
       damaged},
      {"folder beyond the directory",
       [](std::string& AB) { Put32(AB, pe::Resources + 20, 0xFFFFFFFF); }, damaged},
      {"type without a folder", [](std::string& AB) { Put32(AB, pe::Resources + 20, 0x18); },
       damaged},
      {"folder where the data belongs",
       [](std::string& AB) { Put32(AB, pe::Resources + 0x30 + 20, 0x80000000); }, damaged},
      {"data beyond the section", [](std::string& AB) { Put32(AB, pe::Resources + 0x4C, 93); },
       damaged},
      {"data at no address", [](std::string& AB) { Put32(AB, pe::Resources + 0x48, 0xFFFFFFF0); },
       damaged},
      {"another key", [](std::string& AB) { AB[pe::Version + 6] = 'W'; }, damaged},
      {"no fixed information", [](std::string& AB) { Put16(AB, pe::Version + 2, 0); }, damaged},
      {"fixed information without signature",
       [](std::string& AB) { Put32(AB, pe::Version + 40, 0); }, damaged},
      {"resource too short for it", [](std::string& AB) { Put32(AB, pe::Resources + 0x4C, 80); },
       damaged},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string bytes = WindowsProgramBytes({1, 2, 3, 4});
    c.Change(bytes);
    try {
      ReadWindowsFileVersion(bytes);
      ADD_FAILURE() << "read a version";
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find(c.Error), std::string::npos) << error.what();
    }
  }
}

TEST(ReadWindowsFileVersion, EveryCutShortFileGetsAnError) {
  const std::string bytes = WindowsProgramBytes({1, 2, 3, 4});
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    SCOPED_TRACE(size);
    EXPECT_THROW(ReadWindowsFileVersion(bytes.substr(0, size)), std::runtime_error);
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
