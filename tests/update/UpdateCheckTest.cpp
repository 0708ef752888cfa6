#include "update/UpdateCheck.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>

#include "UpdateTestSupport.h"
#include "core/Paths.h"
#include "support/LocalHttpServer.h"
#include "support/TempFolder.h"
#include "update/PackageIntegrity.h"

namespace skyrelle::update {
namespace {

namespace fs = std::filesystem;
using test_support::ProgramBytes;
using test_support::ReadFile;
using test_support::THttpAnswer;
using test_support::TLocalHttpServer;
using test_support::TreeOf;
using test_support::TTempFolder;

#ifdef _WIN32
const std::string ProgramName = "Skyrelle.exe";
#else
const std::string ProgramName = "Skyrelle";
#endif

const std::string Running = ProgramBytes({1, 0, 0, 1});
const std::string Newer = ProgramBytes({1, 0, 0, 2}, "newer program");
const std::string Cabinet =
    test_support::CabinetBytes({{.Name = ProgramName, .Bytes = Newer, .Executable = true},
                                {.Name = "readme.txt", .Bytes = "notes"}});

#ifdef _WIN32
// Windows has no Ed25519: a build that requires a signature takes no package, whatever the
// descriptor names.
const std::string AnyKey = std::string(43, 'A') + "=";
const std::string AnySignature = std::string(86, 'A') + "==";
#else
const test_support::TSigningKey& Key() {
  static const test_support::TSigningKey key = test_support::MakeSigningKey();
  return key;
}

std::string Signature(const std::string& ABytes) {
  static const TTempFolder folder;
  static const std::string keyFile = folder.Write("key.pem", Key().PrivatePem);
  return SignBytes(ABytes, keyFile);
}
#endif

THttpAnswer Ok(const std::string& ABody) { return {.Body = ABody}; }

std::string Descriptor(const std::string& AFile1, const std::string& AUpdate = "") {
  return "[update]\n" + AUpdate + "\n[file1]\n" + AFile1 + "\n";
}
std::string CabinetOffer(const std::string& AExtra = "") {
  return Descriptor("url=Skyrelle.CAB\nnewversion=1.0.0.2\ncompressed=1\n" + AExtra);
}
std::string ProgramOffer(const std::string& AExtra = "") {
  return Descriptor("url=Skyrelle.new\nnewversion=1.0.0.2\n" + AExtra);
}

struct TEndCase {
  const char* Name;
  THttpAnswer DescriptorAnswer;
  std::string PackageName;  // served in the descriptor's folder
  THttpAnswer PackageAnswer;
  TCheckEnd End;
  std::vector<std::string> Left;  // in UpdateFolder afterwards
  bool RequireSignature = false;
};

// Quoted: a name ending in a backslash would join the next case's line in CTest's list of tests,
// and that case would never run.
void PrintTo(const TEndCase& ACase, std::ostream* AStream) { *AStream << '"' << ACase.Name << '"'; }

const std::vector<std::string> Expanded = {"Skyrelle.CAB", "Skyrelle.inf", "extracted",
                                           "extracted/" + ProgramName, "extracted/readme.txt"};

std::vector<TEndCase> EndCases() {
  const std::string cut = Cabinet.substr(0, Cabinet.size() / 2);
  const std::string size = std::to_string(Cabinet.size());
  return {
      {"no descriptor on the site", {.Status = 404}, "", {}, TCheckEnd::NoDescriptor, {}},
      {"empty descriptor", Ok(""), "", {}, TCheckEnd::NoDescriptor, {}},
      {"descriptor cut short",
       {.Body = CabinetOffer(), .Mode = THttpAnswer::TMode::CutShort},
       "",
       {},
       TCheckEnd::NoDescriptor,
       {}},
      {"url missing, unconditional set",
       Ok(Descriptor("newversion=9.0.0.0", "unconditional=1")),
       "",
       {},
       TCheckEnd::NoPackageURL,
       {"Skyrelle.inf"}},
      {"same version",
       Ok(Descriptor("url=Skyrelle.CAB\nnewversion=1.0.0.1")),
       "Skyrelle.CAB",
       Ok(Cabinet),
       TCheckEnd::NotNewer,
       {"Skyrelle.inf"}},
      {"older version",
       Ok(Descriptor("url=Skyrelle.CAB\nnewversion=0.9")),
       "Skyrelle.CAB",
       Ok(Cabinet),
       TCheckEnd::NotNewer,
       {"Skyrelle.inf"}},
      {"older version, unconditional set",
       Ok(Descriptor("url=Skyrelle.CAB\nnewversion=0.9\ncompressed=1", "unconditional=1")),
       "Skyrelle.CAB", Ok(Cabinet), TCheckEnd::Launched, Expanded},
      {"newversion empty", Ok(Descriptor("url=Skyrelle.CAB\nnewversion=\ncompressed=1")),
       "Skyrelle.CAB", Ok(Cabinet), TCheckEnd::Launched, Expanded},
      {"newer cabinet of the right size", Ok(CabinetOffer("filesize=" + size)), "Skyrelle.CAB",
       Ok(Cabinet), TCheckEnd::Launched, Expanded},
      {"newer program file",
       Ok(ProgramOffer("filesize=-1")),
       "Skyrelle.new",
       Ok(Newer),
       TCheckEnd::Launched,
       {"Skyrelle.inf", "Skyrelle.new"}},
      {"package missing", Ok(CabinetOffer()), "", {}, TCheckEnd::NoPackage, {"Skyrelle.inf"}},
      {"package empty",
       Ok(CabinetOffer()),
       "Skyrelle.CAB",
       Ok(""),
       TCheckEnd::NoPackage,
       {"Skyrelle.inf"}},
      {"package cut short",
       Ok(CabinetOffer()),
       "Skyrelle.CAB",
       {.Body = Cabinet, .Mode = THttpAnswer::TMode::CutShort},
       TCheckEnd::NoPackage,
       {"Skyrelle.inf"}},
      {"size differs from filesize",
       Ok(CabinetOffer("filesize=" + size + "1")),
       "Skyrelle.CAB",
       Ok(Cabinet),
       TCheckEnd::SizeDiffers,
       {"Skyrelle.CAB", "Skyrelle.inf"}},
      {"digest matches", Ok(CabinetOffer("sha256=" + Sha256Hex(Cabinet))), "Skyrelle.CAB",
       Ok(Cabinet), TCheckEnd::Launched, Expanded},
      {"digest differs",
       Ok(CabinetOffer("sha256=" + Sha256Hex(cut))),
       "Skyrelle.CAB",
       Ok(Cabinet),
       TCheckEnd::DigestDiffers,
       {"Skyrelle.CAB", "Skyrelle.inf"}},
      {"no cabinet",
       Ok(CabinetOffer()),
       "Skyrelle.CAB",
       Ok("MSCF but not really"),
       TCheckEnd::NotExpanded,
       {"Skyrelle.CAB", "Skyrelle.inf", "extracted"}},
      {"cabinet without the localversion file", Ok(CabinetOffer("localversion=Other")),
       "Skyrelle.CAB", Ok(Cabinet), TCheckEnd::NoProgramFile, Expanded},
      {"localversion named with a folder", Ok(CabinetOffer("localversion=bin\\readme.txt")),
       "Skyrelle.CAB", Ok(Cabinet), TCheckEnd::Launched, Expanded},
      {"cabinet holding the running program",
       Ok(Descriptor("url=Same.CAB\ncompressed=1")),
       "Same.CAB",
       Ok(test_support::CabinetBytes({{.Name = ProgramName, .Bytes = Running}})),
       TCheckEnd::SameProgram,
       {"Same.CAB", "Skyrelle.inf", "extracted", "extracted/" + ProgramName}},
      {"program file that is the running one",
       Ok(Descriptor("url=Skyrelle.new", "unconditional=1")),
       "Skyrelle.new",
       Ok(Running),
       TCheckEnd::SameProgram,
       {"Skyrelle.inf", "Skyrelle.new"}},
      {"hostile cabinet",
       Ok(CabinetOffer()),
       "Skyrelle.CAB",
       Ok(test_support::CabinetBytes(
           {{.Name = ProgramName, .Bytes = Newer}, {.Name = "..\\evil", .Bytes = "x"}})),
       TCheckEnd::NotExpanded,
       {"Skyrelle.CAB", "Skyrelle.inf", "extracted"}},
  };
}

// A build that knows the maker's key takes only a package signed with it.
std::vector<TEndCase> SignatureCases() {
  const std::vector<std::string> refused = {"Skyrelle.CAB", "Skyrelle.inf"};
#ifdef _WIN32
  return {
      {"signature where one is required", Ok(CabinetOffer("signature=" + AnySignature)),
       "Skyrelle.CAB", Ok(Cabinet), TCheckEnd::SignatureInvalid, refused, true},
      {"no signature where one is required", Ok(CabinetOffer()), "Skyrelle.CAB", Ok(Cabinet),
       TCheckEnd::SignatureInvalid, refused, true},
  };
#else
  return {
      {"valid signature", Ok(CabinetOffer("signature=" + Signature(Cabinet))), "Skyrelle.CAB",
       Ok(Cabinet), TCheckEnd::Launched, Expanded, true},
      {"signature of other bytes",
       Ok(CabinetOffer("signature=" + Signature(Cabinet.substr(0, Cabinet.size() / 2)))),
       "Skyrelle.CAB", Ok(Cabinet), TCheckEnd::SignatureInvalid, refused, true},
      {"no signature where one is required", Ok(CabinetOffer()), "Skyrelle.CAB", Ok(Cabinet),
       TCheckEnd::SignatureInvalid, refused, true},
  };
#endif
}

// Names that would reach outside UpdateFolder end the check before the package is asked for.
std::vector<TEndCase> HostileNameCases() {
  std::vector<TEndCase> cases;
  for (const char* url : {"../../.bashrc", "..", "files\\..", "C:", "sub/Skyrelle.CAB", "x\\",
                          ".. ", "Skyrelle.CAB.", "NUL", "com1.cab"})
    cases.push_back({url,
                     Ok(Descriptor(std::string("url=") + url)),
                     "",
                     {},
                     TCheckEnd::HostileName,
                     {"Skyrelle.inf"}});
  for (const char* local : {"../Skyrelle", ".", "a/b", "x:", "..\\.. ", "CON"})
    cases.push_back({local,
                     Ok(CabinetOffer(std::string("localversion=") + local)),
                     "",
                     {},
                     TCheckEnd::HostileName,
                     {"Skyrelle.inf"}});
  return cases;
}

class UpdateCheckEnds : public ::testing::TestWithParam<TEndCase> {
 protected:
  static std::string RequiredKey() {
#ifdef _WIN32
    return AnyKey;
#else
    return Key().PublicKey;
#endif
  }

  TCheckEnd Check(const std::string& ADescriptorURL, bool ARequireSignature = false) {
    return RunUpdateCheck(ADescriptorURL, {.ProgramPath = FProgram,
                                           .PrivateFolder = FPrivate.Path(),
                                           .PublicKey = ARequireSignature ? RequiredKey() : "",
                                           .Launch = [this](const TReplacement& AReplacement) {
                                             FLaunched = AReplacement;
                                           }});
  }
  std::string UpdateFolder() const { return UpdateFolderIn(FPrivate.Path()); }
  // Everything in the private folder: UpdateFolder holding ALeft, nothing beside it.
  void ExpectLeft(const std::vector<std::string>& ALeft) const {
    std::vector<std::string> expected = {"hvnTempUpdatePrgm"};
    for (const std::string& name : ALeft) expected.push_back("hvnTempUpdatePrgm/" + name);
    EXPECT_EQ(TreeOf(FPrivate.Path()), expected);
  }

  TLocalHttpServer FServer;
  TTempFolder FPrivate;
  TTempFolder FProgramFolder{"Program Files"};
  std::string FProgram = FProgramFolder.Write(ProgramName, Running);
#ifdef _WIN32
  test_support::TExpandTool FExpandTool;
#endif
  std::optional<TReplacement> FLaunched;
};

TEST_P(UpdateCheckEnds, EndsAsTheTableSaysAndLeavesOnlyWhatItSays) {
  const TEndCase& c = GetParam();
  FServer.Serve("/files/linux/Skyrelle.INF", c.DescriptorAnswer);
  if (!c.PackageName.empty()) FServer.Serve("/files/linux/" + c.PackageName, c.PackageAnswer);

  EXPECT_EQ(Check(FServer.Url() + "/files/linux/Skyrelle.INF", c.RequireSignature), c.End);

  ExpectLeft(c.Left);
  EXPECT_EQ(ReadFile(FProgram), Running);
  EXPECT_EQ(TreeOf(FProgramFolder.Path()), std::vector<std::string>{ProgramName});
  ASSERT_EQ(FLaunched.has_value(), c.End == TCheckEnd::Launched);
  if (!FLaunched) return;
  EXPECT_EQ(FLaunched->ProgramPath, FProgram);
  EXPECT_EQ(FLaunched->UpdateFolder, UpdateFolder());
  if (FLaunched->CopyMode) {
    EXPECT_EQ(FLaunched->Source, core::JoinPath(UpdateFolder(), "extracted"));
    EXPECT_EQ(ReadFile(core::JoinPath(FLaunched->Source, ProgramName)), Newer);
  } else {
    EXPECT_EQ(FLaunched->Source, core::JoinPath(UpdateFolder(), c.PackageName));
    EXPECT_EQ(ReadFile(FLaunched->Source), Newer);
  }
}

INSTANTIATE_TEST_SUITE_P(Site, UpdateCheckEnds, ::testing::ValuesIn(EndCases()));
INSTANTIATE_TEST_SUITE_P(Signatures, UpdateCheckEnds, ::testing::ValuesIn(SignatureCases()));
INSTANTIATE_TEST_SUITE_P(HostileNames, UpdateCheckEnds, ::testing::ValuesIn(HostileNameCases()));

TEST_F(UpdateCheckEnds, NoSiteEndsQuicklyWithNothingLeft) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Check("http://127.0.0.1:1/files/Skyrelle.INF"), TCheckEnd::NoDescriptor);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  ExpectLeft({});
}

TEST_F(UpdateCheckEnds, AStaleDescriptorIsReplacedAndOneThatCannotBeDeletedEndsTheCheck) {
  FServer.Serve("/Skyrelle.INF", Ok(Descriptor("newversion=2.0")));
  const std::string local = FPrivate.Write("hvnTempUpdatePrgm/Skyrelle.inf", "stale");
  EXPECT_EQ(Check(FServer.Url() + "/Skyrelle.INF"), TCheckEnd::NoPackageURL);
  EXPECT_EQ(ReadFile(local), Descriptor("newversion=2.0"));

  fs::remove(local);
  fs::create_directories(local + "/busy");
  EXPECT_EQ(Check(FServer.Url() + "/Skyrelle.INF"), TCheckEnd::NoDescriptor);
  EXPECT_EQ(FServer.Requests().size(), 1u);
}

TEST(DescriptorFileNamePart, KeepsPlainNamesAfterTheLastBackslashOrColon) {
  const struct {
    std::string Value;
    std::optional<std::string> Name;
  } cases[] = {
      {"Skyrelle.CAB", "Skyrelle.CAB"},
      {"update\\Skyrelle.CAB", "Skyrelle.CAB"},
      {"C:Skyrelle", "Skyrelle"},
      {".hidden", ".hidden"},
      {"Sky relle 'x' $(y)", "Sky relle 'x' $(y)"},
      {"", std::nullopt},
      {".", std::nullopt},
      {"..", std::nullopt},
      {"dir\\", std::nullopt},
      {"a\\..", std::nullopt},
      {"../../.bashrc", std::nullopt},
      {"/etc/passwd", std::nullopt},
      {std::string("a\0b", 3), std::nullopt},
      {".. ", std::nullopt},
      {"Skyrelle.CAB.", std::nullopt},
      {"Skyrelle.CAB ", std::nullopt},
      {"nul", std::nullopt},
      {"Aux.txt", std::nullopt},
      {"LPT9", std::nullopt},
      {"COM1 .cab", std::nullopt},
      {"CONOUT$", std::nullopt},
      {"com10.cab", "com10.cab"},
      {"console.cab", "console.cab"},
      {"nul_Skyrelle", "nul_Skyrelle"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Value);
    EXPECT_EQ(DescriptorFileNamePart(c.Value), c.Name);
  }
}

}  // namespace
}  // namespace skyrelle::update
