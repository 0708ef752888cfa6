// The Windows replacement script: its text to the byte, and the script run by the command
// interpreter, with stand-ins for the commands Wine lacks (tasklist's filter, find /I,
// timeout) in the folder it runs in.
#include "update/UpdateScript.h"

#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "UpdateTestSupport.h"
#include "core/Paths.h"
#include "platform/FileSystem.h"
#include "platform/windows/WideText.h"
#include "support/WaitUntil.h"

namespace skyrelle::update {
namespace {

using platform::windows::Widen;
using test_support::ReadFile;
using test_support::TreeOf;
using test_support::TTempFolder;
using namespace std::chrono_literals;

// The lines that never change, before and after the replacing line.
const std::string Wait = "@echo off\r\n:wait\r\n";
const std::string Poll =
    "if not errorlevel 1 (\r\n  timeout /t 1 /nobreak >NUL\r\n  goto wait\r\n)\r\n";

std::string WaitFor(const std::string& AName) {
  return Wait + "tasklist /FI \"IMAGENAME eq " + AName + "\" 2>NUL | find /I \"" + AName +
         "\" >NUL\r\n" + Poll;
}

TEST(UpdateScriptText, IsTheElevenLinesInTheCodePageEachEndedByCrLf) {
  const struct {
    const char* Name;
    TReplacement Replacement;
    std::string Text;
  } cases[] = {
      {"copy mode, folders with spaces",
       {"C:\\Program Files\\Sky relle\\Skyrelle.exe",
        "C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\hvnTempUpdatePrgm\\extracted",
        "C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\hvnTempUpdatePrgm", true},
       WaitFor("Skyrelle.exe") +
           "xcopy /Y /Q \"C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\hvnTempUpdatePrgm\\extracted"
           "\\*.*\" \"C:\\Program Files\\Sky relle\\\" >NUL\r\n"
           "start \"\" \"C:\\Program Files\\Sky relle\\Skyrelle.exe\"\r\n"
           "rmdir /S /Q \"C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\hvnTempUpdatePrgm\" 2>NUL\r\n"
           "del \"%~f0\"\r\n"},
      {"copy mode, trailing separators and a program in a drive's root",
       {"D:\\Sky.exe", "C:\\Temp\\hvnTempUpdatePrgm\\extracted\\", "C:\\Temp\\hvnTempUpdatePrgm\\",
        true},
       WaitFor("Sky.exe") +
           "xcopy /Y /Q \"C:\\Temp\\hvnTempUpdatePrgm\\extracted\\*.*\" \"D:\\\" >NUL\r\n"
           "start \"\" \"D:\\Sky.exe\"\r\n"
           "rmdir /S /Q \"C:\\Temp\\hvnTempUpdatePrgm\" 2>NUL\r\n"
           "del \"%~f0\"\r\n"},
      {"move mode, characters the interpreter takes literally between quotation marks",
       {"C:\\Tools (x86)\\A&B ^ (1)\\Sky relle.exe", "C:\\Temp\\hvnTempUpdatePrgm\\Sky.new",
        "C:\\Temp\\hvnTempUpdatePrgm", false},
       WaitFor("Sky relle.exe") +
           "move /Y \"C:\\Temp\\hvnTempUpdatePrgm\\Sky.new\" \"C:\\Tools (x86)\\A&B ^ (1)\\Sky "
           "relle.exe\" >NUL\r\n"
           "start \"\" \"C:\\Tools (x86)\\A&B ^ (1)\\Sky relle.exe\"\r\n"
           "rmdir /S /Q \"C:\\Temp\\hvnTempUpdatePrgm\" 2>NUL\r\n"
           "del \"%~f0\"\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(UpdateScriptText(c.Replacement, "ignored"), c.Text);
  }
}

// The interpreter reads the script in the OEM code page and expands "%...%": a path it would
// read otherwise is refused, whichever of the three values holds it.
TEST(UpdateScriptText, RefusesAPathTheInterpreterWouldReadAsAnother) {
  const bool wineCodePages = GetACP() == 1252 && GetOEMCP() == 437;
  const struct {
    const char* Name;
    std::string Path;
    bool Refused;
  } cases[] = {
      {"a percent sign", "C:\\100%\\Skyrelle.exe", true},
      {"a variable", "C:\\%PATH%\\Skyrelle.exe", true},
      {"outside every 8-bit code page", "C:\\\xE6\x97\xA5\xE6\x9C\xAC\\Skyrelle.exe", true},
      {"a fullwidth quotation mark, which best fit would make a real one",
       "C:\\a\xEF\xBC\x82 & calc \xEF\xBC\x82\\Skyrelle.exe", true},
      {"in the ANSI code page but read otherwise in the OEM one",
       "C:\\Users\\Jos\xC3\xA9\\Skyrelle.exe", wineCodePages},
      {"plain", "C:\\Users\\Jose\\Skyrelle.exe", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string folder = "C:\\Temp\\hvnTempUpdatePrgm";
    for (const TReplacement& replacement :
         {TReplacement{c.Path, folder + "\\x.new", folder, false},
          TReplacement{"C:\\Sky.exe", c.Path, folder, false},
          TReplacement{"C:\\Sky.exe", folder + "\\extracted", c.Path, true}}) {
      if (!c.Refused) {
        EXPECT_NO_THROW(UpdateScriptText(replacement, ""));
        continue;
      }
      try {
        UpdateScriptText(replacement, "");
        ADD_FAILURE() << "not refused";
      } catch (const std::runtime_error& error) {
        EXPECT_EQ(
            std::string(error.what()).rfind("The update script cannot name \"" + c.Path + "\"", 0),
            0u)
            << error.what();
      }
    }
  }
}

TEST(UpdateScriptPath, LiesBesideTheUpdateFolder) {
  EXPECT_EQ(UpdateScriptPath("C:\\Temp\\hvnTempUpdatePrgm"), "C:\\Temp\\hvnportal_update.bat");
  EXPECT_EQ(UpdateScriptPath("C:\\Temp\\hvnTempUpdatePrgm\\"), "C:\\Temp\\hvnportal_update.bat");
  EXPECT_EQ(UpdateScriptPath("C:\\hvnTempUpdatePrgm"), "C:\\hvnportal_update.bat");
}

using test_support::WaitUntil;

bool Exists(const std::string& APath) {
  return GetFileAttributesW(Widen(APath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// An old program in a program folder with awkward characters, the update prepared as the
// check leaves it in a private folder, and the script run as the program starts it.
class UpdateScriptRun : public ::testing::Test {
 protected:
  UpdateScriptRun() {
    FProgram = FProgramFolder.Write(FProgramName, "old program");
    FProgramFolder.Write("data.txt", "old data");
    FProgramFolder.Write("keep.txt", "not in the package");
    for (const char* tool : {"tasklist.exe", "find.exe", "timeout.exe"})
      CopyFileW(Widen(test_support::BesideThisProgram("script_tools.exe")).c_str(),
                Widen(FWorkingFolder / tool).c_str(), FALSE);
  }

  std::string UpdateFolder() const { return FPrivateFolder / "hvnTempUpdatePrgm"; }
  std::string Started() const { return FProgramFolder / "started"; }

  TReplacement CopyMode() {
    FPrivateFolder.Write("hvnTempUpdatePrgm/extracted/" + FProgramName, FNewProgram);
    FPrivateFolder.Write("hvnTempUpdatePrgm/extracted/data.txt", "new data");
    return {FProgram, core::JoinPath(UpdateFolder(), "extracted"), UpdateFolder(), true};
  }
  TReplacement MoveMode() {
    const std::string package = FPrivateFolder.Write("hvnTempUpdatePrgm/package.new", FNewProgram);
    return {FProgram, package, UpdateFolder(), false};
  }

  // Writes the script and starts it as the program does, with the stand-ins' folder as its
  // current one; waits for it to end.
  std::string RunScript(const TReplacement& AReplacement) {
    const std::string script = UpdateScriptPath(AReplacement.UpdateFolder);
    platform::WriteFileWhole(script, UpdateScriptText(AReplacement, script));
    const std::wstring file = Widen(script);
    const std::wstring folder = Widen(FWorkingFolder.Path());
    SHELLEXECUTEINFOW run{};
    run.cbSize = sizeof run;
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    run.lpVerb = L"open";
    run.lpFile = file.c_str();
    run.lpDirectory = folder.c_str();
    run.nShow = SW_HIDE;
    EXPECT_TRUE(ShellExecuteExW(&run));
    EXPECT_NE(run.hProcess, nullptr);
    if (run.hProcess != nullptr) {
      EXPECT_EQ(WaitForSingleObject(run.hProcess, 60000), WAIT_OBJECT_0);
      CloseHandle(run.hProcess);
    }
    return script;
  }

  // The new program's part, once the script started it: the mark it was started with.
  void ExpectRestartedAndCleanedUp(const std::string& AScript) {
    ASSERT_TRUE(WaitUntil([this] { return Exists(Started()); }, 20s)) << "not restarted";
    EXPECT_TRUE(WaitUntil([this] { return ReadFile(Started()) == "1"; }, 5s))
        << ReadFile(Started());
    EXPECT_FALSE(Exists(UpdateFolder()));
    EXPECT_FALSE(Exists(AScript));
  }

  // Unique, so that no other test's program makes the script wait.
  std::string FProgramName = "Sky relle " + std::to_string(GetCurrentProcessId()) + ".exe";
  std::string FNewProgram = ReadFile(test_support::BesideThisProgram("program_stand_in.exe"));
  TTempFolder FProgramFolder{"Program Files (x86)\\Sky & relle (1)"};
  TTempFolder FPrivateFolder{"Temp folder"};
  TTempFolder FWorkingFolder;
  std::string FProgram;
  test_support::TScopedVariable FMark{"SKYRELLE_UPDATED", "1"};
};

TEST_F(UpdateScriptRun, CopyModeCopiesEveryFileOverTheProgramsAndStartsItAgain) {
  const std::string script = RunScript(CopyMode());
  ExpectRestartedAndCleanedUp(script);
  EXPECT_EQ(ReadFile(FProgram), FNewProgram);
  EXPECT_EQ(ReadFile(FProgramFolder / "data.txt"), "new data");
  EXPECT_EQ(ReadFile(FProgramFolder / "keep.txt"), "not in the package");
}

TEST_F(UpdateScriptRun, MoveModeMovesThePackageOntoTheProgramFile) {
  const std::string script = RunScript(MoveMode());
  ExpectRestartedAndCleanedUp(script);
  EXPECT_EQ(ReadFile(FProgram), FNewProgram);
  EXPECT_EQ(TreeOf(FProgramFolder.Path()),
            (std::vector<std::string>{FProgramName, "data.txt", "keep.txt", "started"}));
}

// Any process of the program's image name holds the script back, here a copy elsewhere.
TEST_F(UpdateScriptRun, WaitsWhileAProcessOfTheProgramsImageNameRuns) {
  TTempFolder other;
  const std::string copy = other.Write(FProgramName, FNewProgram);
  std::wstring commandLine = L"\"" + Widen(copy) + L"\" --linger 3000";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &process));
  const auto start = std::chrono::steady_clock::now();

  const std::string script = RunScript(CopyMode());

  EXPECT_GE(std::chrono::steady_clock::now() - start, 2500ms);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 0), WAIT_OBJECT_0) << "ended while it ran";
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  ExpectRestartedAndCleanedUp(script);
  EXPECT_EQ(ReadFile(FProgram), FNewProgram);
}

}  // namespace
}  // namespace skyrelle::update
