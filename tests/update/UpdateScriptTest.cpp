#include "update/UpdateScript.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "UpdateTestSupport.h"
#include "platform/FileSystem.h"
#include "support/Process.h"
#include "support/TempFolder.h"

namespace skyrelle::update {
namespace {

namespace fs = std::filesystem;
using test_support::ModeOf;
using test_support::ReadFile;
using test_support::TreeOf;
using test_support::TTempFolder;
using test_support::WaitUntil;
using namespace std::chrono_literals;

// Folder names that run as code wherever a value is not quoted.
const std::string HostileFolder =
    "it's \"odd\" $(touch pwned) `touch pwned2` $HOME \\ *\nsecond line";

// The new program: it tells, beside itself, that it ran and with which mark.
std::string NewProgram(const std::string& AWord) {
  return "#!/bin/sh\nprintf '%s %s' " + AWord +
         " \"$SKYRELLE_UPDATED\" > \"$(dirname \"$0\")/started\"\n";
}

// A program folder and a private folder with awkward names, an old program in place and the
// update prepared as the check leaves it; the script run for real.
class UpdateScriptRun : public ::testing::Test {
 protected:
  UpdateScriptRun() {
    FProgram = FProgramFolder.Write(FProgramName, "old program");
    fs::permissions(FProgram, fs::perms(0755));
    fs::permissions(FProgramFolder.Write("data.txt", "old data"), fs::perms(0640));
    FProgramFolder.Write("keep.txt", "not in the package");
  }

  TReplacement CopyMode() {
    FPrivateFolder.Write("hvnTempUpdatePrgm/extracted/" + FProgramName, NewProgram("copied"));
    FPrivateFolder.Write("hvnTempUpdatePrgm/extracted/data.txt", "new data");
    FPrivateFolder.Write("hvnTempUpdatePrgm/extracted/.hidden", "new file");
    return {FProgram, UpdateFolder() + "/extracted", UpdateFolder(), true};
  }
  TReplacement MoveMode() {
    const std::string package =
        FPrivateFolder.Write("hvnTempUpdatePrgm/package.bin", NewProgram("moved"));
    fs::permissions(package, fs::perms(0600));
    return {FProgram, package, UpdateFolder(), false};
  }

  std::string UpdateFolder() const { return FPrivateFolder / "hvnTempUpdatePrgm"; }
  std::string Script(const TReplacement& AReplacement) const {
    const std::string script = UpdateScriptPath(AReplacement.UpdateFolder);
    platform::WriteFileWhole(script, UpdateScriptText(AReplacement, script),
                             platform::TFileAccess::PrivateProgram);
    return script;
  }
  std::string Started() const { return FProgramFolder / "started"; }
  // Runs the script to its end from a folder of its own, which it must leave empty.
  int RunScript(const std::string& AScript) const {
    return test_support::RunProgram(
               {"/usr/bin/env", "-C", FWorkingFolder.Path(), "/bin/sh", AScript})
        .ExitCode;
  }

  // Unique, so that no other test's program makes the script wait; longer than the 15
  // characters of a process's short name, with characters a pattern would take as wildcards.
  std::string FProgramName = "Skyrelle [test] *" + std::to_string(::getpid()) + "?";
  TTempFolder FProgramFolder{HostileFolder};
  TTempFolder FPrivateFolder{HostileFolder + " private"};
  TTempFolder FWorkingFolder;
  std::string FProgram;
};

TEST_F(UpdateScriptRun, CopyModePutsEveryExpandedFileInPlaceAndRestartsTheProgram) {
  const std::string script = Script(CopyMode());
  ASSERT_EQ(RunScript(script), 0);

  ASSERT_TRUE(WaitUntil([&] { return ReadFile(Started()) == "copied 1"; }, 10s));
  EXPECT_EQ(ReadFile(FProgram), NewProgram("copied"));
  EXPECT_EQ(ModeOf(FProgram), 0755);
  EXPECT_EQ(ReadFile(FProgramFolder / "data.txt"), "new data");
  EXPECT_EQ(ModeOf(FProgramFolder / "data.txt"), 0640);
  EXPECT_EQ(ReadFile(FProgramFolder / ".hidden"), "new file");
  EXPECT_EQ(ReadFile(FProgramFolder / "keep.txt"), "not in the package");
  EXPECT_EQ(TreeOf(FProgramFolder.Path()),
            (std::vector<std::string>{".hidden", FProgramName, "data.txt", "keep.txt", "started"}));
  EXPECT_EQ(TreeOf(FPrivateFolder.Path()), std::vector<std::string>{});
  EXPECT_EQ(TreeOf(FWorkingFolder.Path()), std::vector<std::string>{});
}

TEST_F(UpdateScriptRun, MoveModePutsThePackageInThePlaceOfTheProgramFile) {
  const std::string script = Script(MoveMode());
  ASSERT_EQ(RunScript(script), 0);

  ASSERT_TRUE(WaitUntil([&] { return ReadFile(Started()) == "moved 1"; }, 10s));
  EXPECT_EQ(ReadFile(FProgram), NewProgram("moved"));
  EXPECT_EQ(ModeOf(FProgram), 0755);
  EXPECT_EQ(ReadFile(FProgramFolder / "data.txt"), "old data");
  EXPECT_EQ(TreeOf(FPrivateFolder.Path()), std::vector<std::string>{});
  EXPECT_EQ(TreeOf(FWorkingFolder.Path()), std::vector<std::string>{});
}

TEST_F(UpdateScriptRun, WaitsWhileAProcessOfTheProgramsNameRunsFromAnyFolder) {
  TTempFolder elsewhere;
  const std::string other = elsewhere / FProgramName;
  fs::copy_file("/bin/sleep", other);
  fs::permissions(other, fs::perms(0755));
  test_support::TBackgroundProgram running({other, "60"});
  ASSERT_TRUE(running.Started());

  test_support::TBackgroundProgram script({"/bin/sh", Script(MoveMode())});
  // The script polls once a second: it has looked at least twice by now.
  EXPECT_FALSE(WaitUntil([&] { return ReadFile(FProgram) != "old program"; }, 2500ms))
      << "the script did not wait";

  running.Kill();
  ASSERT_TRUE(WaitUntil([&] { return ReadFile(Started()) == "moved 1"; }, 10s));
  EXPECT_EQ(ReadFile(FProgram), NewProgram("moved"));
}

}  // namespace
}  // namespace skyrelle::update
