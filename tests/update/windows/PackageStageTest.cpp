// The package stage's Windows parts: SHA-256 from the system, no signatures, and cabinets
// expanded by the system's expand tool (a stand-in under WINDIR) once their names passed.
#include <gtest/gtest.h>

#include <string>

#include "UpdateTestSupport.h"
#include "core/Paths.h"
#include "update/Cabinet.h"
#include "update/PackageIntegrity.h"

namespace skyrelle::update {
namespace {

using test_support::CabinetBytes;
using test_support::ReadFile;
using test_support::TreeOf;
using test_support::TTempFolder;

TEST(Sha256Hex, GivesTheKnownDigestsThroughTheSystem) {
  EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(VerifySignature, AcceptsNothingWithoutEd25519) {
  EXPECT_FALSE(VerifySignature("bytes", std::string(86, 'A') + "==", std::string(43, 'A') + "="));
}

TEST(ReadWholeFile, ReadsARegularFileWholeAndNothingElse) {
  TTempFolder folder;
  std::string big(200 * 1024, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  EXPECT_EQ(ReadWholeFile(folder.Write("big", big)), big);
  EXPECT_EQ(ReadWholeFile(folder.Write("empty", "")), "");
  folder.Write("sub/file", "x");
  for (const std::string& name : {folder / "sub", folder / "missing", std::string("NUL")}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ReadWholeFile(name), std::nullopt);
  }
}

// A cabinet in a folder with a space, expanded into "extracted" beside it by the stand-in,
// which notes how it was called.
class ExpandCabinetTest : public ::testing::Test {
 protected:
  std::string Cabinet(const std::string& ABytes) const {
    return FFolder.Write("Skyrelle.CAB", ABytes);
  }
  std::string Target() const { return FFolder / "extracted"; }
  std::string Log() const { return ReadFile(FLogFile); }

  test_support::TExpandTool FTool;
  TTempFolder FFolder{"update folder"};
  std::string FLogFile = FFolder / "expand.log";
  test_support::TScopedVariable FLog{"EXPAND_STAND_IN_LOG", FLogFile};
};

TEST_F(ExpandCabinetTest, CallsTheSystemsToolWithEveryFileForTheFolder) {
  const std::string program(100000, 'p');  // more than one of the cabinet's blocks
  const std::string cabinet =
      Cabinet(CabinetBytes({{.Name = "Skyrelle.exe", .Bytes = program, .Executable = true},
                            {.Name = "readme.txt", .Bytes = "notes"},
                            {.Name = "empty", .Bytes = ""}}));
  FFolder.Write("extracted/left.txt", "from an earlier attempt");

  ASSERT_TRUE(ExpandCabinet(cabinet, Target() + "\\"));

  EXPECT_EQ(TreeOf(Target()),
            (std::vector<std::string>{"Skyrelle.exe", "empty", "left.txt", "readme.txt"}));
  EXPECT_EQ(ReadFile(core::JoinPath(Target(), "Skyrelle.exe")), program);
  EXPECT_EQ(ReadFile(core::JoinPath(Target(), "readme.txt")), "notes");
  const std::string tool =
      core::JoinPath(core::JoinPath(FTool.WindowsFolder(), "System32"), "expand.exe");
  // The tool runs in the cabinet's folder.
  EXPECT_EQ(Log(), "\"" + tool + "\" -F:* \"" + cabinet + "\" \"" + Target() + "\"\n" +
                       FFolder.Path() + "\n");
}

TEST_F(ExpandCabinetTest, RefusesWholeACabinetThatNamesAnythingButPlainFiles) {
  for (const char* name : {"..\\evil.txt", "sub\\file.txt", "a/b", "C:file.txt", "..", ".",
                           "Skyrelle.exe:stream", ""}) {
    SCOPED_TRACE(name);
    const std::string cabinet = Cabinet(
        CabinetBytes({{.Name = "Skyrelle.exe", .Bytes = "new"}, {.Name = name, .Bytes = "evil"}}));
    EXPECT_FALSE(ExpandCabinet(cabinet, Target()));
    EXPECT_TRUE(TreeOf(Target()).empty());
    EXPECT_EQ(Log(), "") << "the tool was started";
  }
}

TEST_F(ExpandCabinetTest, FailsOnWhatIsNoSingleWholeCabinet) {
  std::string continued = CabinetBytes({{.Name = "Skyrelle.exe", .Bytes = "new"}});
  continued[30] = 0x02;  // a next cabinet holds the rest
  std::string huge = CabinetBytes({{.Name = "a", .Bytes = "1"}, {.Name = "b", .Bytes = "2"}});
  huge.replace(44, 4, "\xFF\xFF\xFF\x7F", 4);  // the first file claims 2 GiB
  const struct {
    const char* Name;
    std::string Bytes;
  } cases[] = {
      {"not a cabinet", "MSCF but not really"},
      {"empty", ""},
      {"continued in another cabinet", continued},
      {"too large when expanded", huge},
      {"cut short", CabinetBytes({{.Name = "a", .Bytes = "1"}}).substr(0, 40)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_FALSE(ExpandCabinet(Cabinet(c.Bytes), Target()));
    EXPECT_TRUE(TreeOf(Target()).empty());
  }
  EXPECT_FALSE(ExpandCabinet(FFolder / "missing.CAB", Target()));
}

// Without the system's tool the one on the search path is asked, here Wine's, which knows no
// "-F:*": its failure is the expansion's.
TEST_F(ExpandCabinetTest, WithoutTheSystemsToolTheSearchPathsToolDecides) {
  const test_support::TScopedVariable noWindows("WINDIR", FFolder.Path());
  EXPECT_FALSE(ExpandCabinet(Cabinet(CabinetBytes({{.Name = "a", .Bytes = "1"}})), Target()));
  EXPECT_EQ(Log(), "") << "the stand-in was started";
}

}  // namespace
}  // namespace skyrelle::update
